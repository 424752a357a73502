// The record editors: loading, automatic codes, the pinyin fill, the checks and their messages in
// order, the partner rules, the goods locks, the units and the picture, against the recording
// transport.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableWidget>

#include "baseui_support.h"
#include "client/base/frmbaseedit.h"
#include "client/base/frmbasegoodsset.h"
#include "support/testutil.h"

namespace dyt::test {
namespace {

using client::EditorRequest;
using client::TfrmBaseEdit;
using client::TfrmBaseGoodsSet;
using client::base::kindByCode;

class BaseEdit : public BaseUiFixture {
protected:
    void SetUp() override {
        BaseUiFixture::SetUp();
        client::TfrmBaseEdit::autoCodeState() = false;
        savedUploader = TfrmBaseGoodsSet::pictureUploader();
    }
    void TearDown() override {
        TfrmBaseGoodsSet::pictureUploader() = savedUploader;
        client::TfrmBaseEdit::autoCodeState() = true;
        BaseUiFixture::TearDown();
    }
    std::unique_ptr<TfrmBaseEdit> editor(const QString& code, qint64 id, qint64 parent,
                                         const RecordSet* source = nullptr) {
        std::unique_ptr<TfrmBaseEdit> e(client::CreateBaseEditor(kindByCode(code), nullptr));
        e->setup(EditorRequest{id, parent, source});
        return e;
    }
    void set(TfrmBaseEdit& e, const char* name, const QString& value) {
        auto* line = qobject_cast<QLineEdit*>(e.fieldEditor(QLatin1String(name)));
        ASSERT_NE(nullptr, line) << name;
        line->setText(value);
    }
    // The save procedure calls and their lines.
    QList<ParamList> saves(const QString& procedure) const {
        QList<ParamList> out;
        for (const auto& c : callsOf(QStringLiteral("ExecProc"))) {
            if (c.procedure == procedure)
                out.append(linesOf(c));
        }
        return out;
    }
    client::PictureUploader savedUploader;
};

TEST_F(BaseEdit, GoodsChecksComeInOrderAndEqualLimitsAreAccepted) {
    auto e = editor(QStringLiteral("SP"), 0, 3);
    struct Step {
        const char* name;
        const char* code;
        const char* fullname;
        const char* lower;
        const char* upper;
        const char* message;  // empty: saved
    };
    const Step steps[] = {
        {"empty code", "", "", "", "", "请输入商品编号"},
        {"empty full name", "01", "", "-1", "-1", "请输入商品全名"},
        {"lower below 0", "01", "可乐", "-1", "-1", "库存下限不能小于0"},
        {"upper below 0", "01", "可乐", "0", "-1", "库存上限不能小于0"},
        {"lower above upper", "01", "可乐", "6", "5", "库存上限必须大于库存下限"},
        {"equal limits", "01", "可乐", "5", "5", ""},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        script.clearRecords();
        set(*e, "code", QString::fromUtf8(s.code));
        set(*e, "fullname", QString::fromUtf8(s.fullname));
        set(*e, "warnDown", QLatin1String(s.lower));
        set(*e, "warnUP", QLatin1String(s.upper));
        const bool saved = e->save();
        const QString message = QString::fromUtf8(s.message);
        EXPECT_EQ(message.isEmpty(), saved);
        EXPECT_EQ(message.isEmpty() ? QStringList() : QStringList{message}, script.messages());
        if (!message.isEmpty()) {
            EXPECT_EQ(QStringLiteral("提示"), script.records().last().caption);
            EXPECT_TRUE(saves(QStringLiteral("p_base_Up_Goods")).isEmpty());
        }
    }
    ASSERT_EQ(1, saves(QStringLiteral("p_base_Up_Goods")).size());
    EXPECT_EQ(QStringLiteral("5"),
              saves(QStringLiteral("p_base_Up_Goods"))[0].value(QStringLiteral("warnUP")));
}

TEST_F(BaseEdit, AFailedCheckShowsTheFieldsPage) {
    auto e = editor(QStringLiteral("SP"), 0, 3);
    set(*e, "code", QStringLiteral("01"));
    set(*e, "fullname", QStringLiteral("可乐"));
    set(*e, "warnDown", QStringLiteral("-2"));
    e->pages()->setCurrentIndex(3);
    EXPECT_FALSE(e->save());
    EXPECT_EQ(QStringLiteral("主要信息"), e->pages()->tabText(e->pages()->currentIndex()));
}

TEST_F(BaseEdit, GoodsSaveSendsTheRecordThenItsUnitsUnderTheReturnedId) {
    auto e = editor(QStringLiteral("SP"), 0, 3);
    set(*e, "code", QStringLiteral("A'1"));
    set(*e, "fullname", QStringLiteral("可口可乐"));
    e->fullNameLeft();
    auto* type = qobject_cast<QComboBox*>(e->fieldEditor(QStringLiteral("spType")));
    ASSERT_NE(nullptr, type);
    type->setCurrentIndex(1);
    auto* goods = static_cast<TfrmBaseGoodsSet*>(e.get());
    QTableWidget* units = goods->unitGrid();
    units->item(0, client::kUnitName)->setText(QStringLiteral("瓶"));
    units->item(0, client::kUnitPrice)->setText(QStringLiteral("3.5"));
    units->item(1, client::kUnitName)->setText(QStringLiteral("箱"));
    units->item(1, client::kUnitRate)->setText(QStringLiteral("24"));
    goods->setDefaultUnit(1);
    answerProcResult(55);
    ASSERT_TRUE(e->save());
    EXPECT_EQ(55, e->recordId());
    const auto procs = callsOf(QStringLiteral("ExecProc"));
    ASSERT_EQ(3, procs.size());
    EXPECT_EQ(QStringLiteral("p_base_Up_Goods"), procs[0].procedure);
    const ParamList record = linesOf(procs[0]);
    EXPECT_EQ(QStringLiteral("A'1"), record.value(QStringLiteral("code")));
    EXPECT_EQ(QStringLiteral("可口可乐"), record.value(QStringLiteral("fullname")));
    EXPECT_EQ(QStringLiteral("KKKL"), record.value(QStringLiteral("pym")));
    EXPECT_EQ(QStringLiteral("可口可乐"), record.value(QStringLiteral("name")));
    EXPECT_EQ(QStringLiteral("1"), record.value(QStringLiteral("spType")));
    EXPECT_EQ(QStringLiteral("0"), record.value(QStringLiteral("id")));
    EXPECT_EQ(QStringLiteral("3"), record.value(QStringLiteral("par_id")));
    EXPECT_EQ(QStringLiteral("7"), record.value(QStringLiteral("czy_id")));
    EXPECT_TRUE(record.contains(QStringLiteral("bz10")));
    const ParamList base = linesOf(procs[1]);
    EXPECT_EQ(QStringLiteral("p_base_Up_goodsunit"), procs[1].procedure);
    EXPECT_EQ(
        (QStringList{
            QStringLiteral("Goodsid=55"), QStringLiteral("fzdwid=0"), QStringLiteral("unit=瓶"),
            QStringLiteral("rate=1"), QStringLiteral("barcode="), QStringLiteral("price=3.5"),
            QStringLiteral("price1=0"), QStringLiteral("price2=0"), QStringLiteral("price3=0"),
            QStringLiteral("id=0"), QStringLiteral("isDefault=0"), QStringLiteral("czy_id=7")}),
        base.lines());
    const ParamList box = linesOf(procs[2]);
    EXPECT_EQ(QStringLiteral("1"), box.value(QStringLiteral("fzdwid")));
    EXPECT_EQ(QStringLiteral("24"), box.value(QStringLiteral("rate")));
    EXPECT_EQ(QStringLiteral("1"), box.value(QStringLiteral("isDefault")));
    EXPECT_TRUE(client::baseDataChanged());
}

TEST_F(BaseEdit, PinyinAndShortNameOnLeavingTheFullName) {
    auto e = editor(QStringLiteral("SP"), 0, 0);
    set(*e, "pym", QStringLiteral("OLD"));
    set(*e, "fullname", QStringLiteral("德盈通 A-1型"));
    e->fullNameLeft();
    EXPECT_EQ(QStringLiteral("DYTA1X"), e->fieldValue(QStringLiteral("pym")));
    // Three Chinese characters are six bytes, the blank and "A" two more: eight in all.
    EXPECT_EQ(QStringLiteral("德盈通 A"), e->fieldValue(QStringLiteral("name")));
    // A short name already there stays.
    set(*e, "fullname", QStringLiteral("长城"));
    e->fullNameLeft();
    EXPECT_EQ(QStringLiteral("CC"), e->fieldValue(QStringLiteral("pym")));
    EXPECT_EQ(QStringLiteral("德盈通 A"), e->fieldValue(QStringLiteral("name")));
    // Other editors fill the pinyin code only.
    auto ck = editor(QStringLiteral("CK"), 0, 0);
    set(*ck, "FullName", QStringLiteral("银行仓库"));
    ck->fullNameLeft();
    EXPECT_EQ(QStringLiteral("YHCK"), ck->fieldValue(QStringLiteral("pym")));
}

TEST_F(BaseEdit, EditedGoodsWithAPostedBillLocksTypeAndUsedUnit) {
    RecordSet record = baseRows({{42, 0, QStringLiteral("0101"), QStringLiteral("可乐"), 2, 3,
                                  QStringLiteral("3,42,"), QString()}},
                                {QStringLiteral("costmode"), QStringLiteral("spType")}, {{2, 0}});
    answerProc(record);
    RecordSet units;
    units.addField(QStringLiteral("id"), FieldType::Integer);
    units.addField(QStringLiteral("fzdwid"), FieldType::Integer);
    units.addField(QStringLiteral("unit"), FieldType::Text);
    units.addField(QStringLiteral("rate"), FieldType::Float);
    units.addField(QStringLiteral("isDefault"), FieldType::Integer);
    units.appendRow({301, 0, QStringLiteral("瓶"), 1.0, 1});
    units.appendRow({302, 1, QStringLiteral("箱"), 24.0, 0});
    answerQuery(units);
    answerQuery(idRows(1));  // goods type: a posted bill
    answerQuery(idRows(0));  // cost method: no stock, no bill line (as scripted)
    answerQuery(idRows(1));  // the base unit is used
    answerQuery(idRows(0));  // the box is not
    auto e = editor(QStringLiteral("SP"), 42, 3);
    const auto loads = callsOf(QStringLiteral("ExecProcQuery"));
    ASSERT_EQ(1, loads.size());
    EXPECT_EQ(QStringLiteral("P_JXC_Get_Base"), loads[0].procedure);
    EXPECT_EQ(QStringLiteral("SP"), linesOf(loads[0]).value(QStringLiteral("QueryType")));
    EXPECT_EQ(QStringLiteral(";id=42"), linesOf(loads[0]).value(QStringLiteral("goodsStr")));
    EXPECT_EQ((QStringList{client::base::goodsUnitsSql(42), client::base::goodsTypeLockSql(42),
                           client::base::costMethodLockSql(42), client::base::unitLockSql(42, 0),
                           client::base::unitLockSql(42, 1)}),
              sqlTexts());
    EXPECT_FALSE(e->fieldEditor(QStringLiteral("spType"))->isEnabled());
    EXPECT_TRUE(e->fieldEditor(QStringLiteral("costmode"))->isEnabled());
    EXPECT_EQ(QStringLiteral("2"), e->fieldValue(QStringLiteral("costmode")));
    auto* goods = static_cast<TfrmBaseGoodsSet*>(e.get());
    EXPECT_TRUE(goods->unitLocked(0));
    EXPECT_FALSE(goods->unitLocked(1));
    EXPECT_FALSE(goods->unitGrid()->item(0, client::kUnitName)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(QStringLiteral("24"), goods->unitGrid()->item(1, client::kUnitRate)->text());
    EXPECT_EQ(0, goods->defaultUnitRow());
    EXPECT_FALSE(e->cbAutoCode()->isEnabled());
}

TEST_F(BaseEdit, CopyAddReadsTheSourceAndItsUnitsAsNewRows) {
    RecordSet source = baseRows({{42, 0, QStringLiteral("0101"), QStringLiteral("可乐"), 2, 3,
                                  QStringLiteral("3,42,"), QString()}});
    source.first();
    RecordSet full =
        baseRows({{42, 0, QStringLiteral("0101"), QStringLiteral("可乐"), 2, 3,
                   QStringLiteral("3,42,"), QString()}},
                 {QStringLiteral("gg"), QStringLiteral("spType")}, {{QStringLiteral("330ml"), 1}});
    answerQuery(full);
    RecordSet units;
    units.addField(QStringLiteral("id"), FieldType::Integer);
    units.addField(QStringLiteral("fzdwid"), FieldType::Integer);
    units.addField(QStringLiteral("unit"), FieldType::Text);
    units.appendRow({301, 0, QStringLiteral("瓶")});
    answerQuery(units);
    RecordSet code;
    code.addField(QStringLiteral("Code"), FieldType::Text);
    code.appendRow({QStringLiteral("0103")});
    answerQuery(code);
    client::TfrmBaseEdit::autoCodeState() = true;
    auto e = editor(QStringLiteral("SP"), 0, 3, &source);
    EXPECT_EQ((QStringList{QStringLiteral(" SELECT * FROM baseGoods WHERE id = 42"),
                           client::base::goodsUnitsSql(42),
                           QStringLiteral("SELECT dbo.fnGetBaseAutoCode('SP', 3) as Code")}),
              sqlTexts());
    EXPECT_EQ(QStringLiteral("330ml"), e->fieldValue(QStringLiteral("gg")));
    EXPECT_EQ(QStringLiteral("1"), e->fieldValue(QStringLiteral("spType")));
    EXPECT_TRUE(e->fieldEditor(QStringLiteral("spType"))->isEnabled());
    EXPECT_EQ(QStringLiteral("0103"), e->fieldValue(QStringLiteral("code")));
    auto* goods = static_cast<TfrmBaseGoodsSet*>(e.get());
    EXPECT_EQ(QStringLiteral("瓶"), goods->unitGrid()->item(0, client::kUnitName)->text());
    EXPECT_EQ(0, goods->unitGrid()->item(0, client::kUnitName)->data(Qt::UserRole).toLongLong());
}

TEST_F(BaseEdit, AutomaticCodeOfEveryKindAndTheRememberedState) {
    const struct {
        const char* kind;
        const char* autoKind;
    } kinds[] = {{"ZY", "zy"}, {"CK", "ck"},           {"BM", "bm"}, {"WLDW", "WLDW"},
                 {"DQ", "dq"}, {"ZHAIYAO", "zhaiyao"}, {"KM", "KM"}};
    client::TfrmBaseEdit::autoCodeState() = true;
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.kind);
        transport->clearCalls();
        RecordSet code;
        code.addField(QStringLiteral("Code"), FieldType::Text);
        code.appendRow({QStringLiteral("X-009")});
        answerQuery(code);
        auto e = editor(QLatin1String(k.kind), 0, 4);
        EXPECT_EQ(QStringList{QStringLiteral("SELECT dbo.fnGetBaseAutoCode('%1', 4) as Code")
                                  .arg(QLatin1String(k.autoKind))},
                  sqlTexts());
        EXPECT_EQ(QStringLiteral("X-009"), e->fieldValue(QStringLiteral("code")));
    }
    // Unticked and saved: the next editor starts unticked and fetches nothing.
    auto bm = editor(QStringLiteral("BM"), 0, 0);
    bm->cbAutoCode()->setChecked(false);
    set(*bm, "code", QStringLiteral("B1"));
    set(*bm, "FullName", QStringLiteral("销售部"));
    ASSERT_TRUE(bm->save());
    transport->clearCalls();
    auto next = editor(QStringLiteral("BM"), 0, 0);
    EXPECT_FALSE(next->cbAutoCode()->isChecked());
    EXPECT_TRUE(sqlTexts().isEmpty());
}

TEST_F(BaseEdit, PartnerRulesInOrder) {
    auto e = editor(QStringLiteral("WLDW"), 0, 0);
    set(*e, "code", QStringLiteral("D1"));
    set(*e, "fullname", QStringLiteral("华联超市"));
    struct Step {
        const char* name;
        QList<QPair<const char*, const char*>> values;
        const char* message;
    };
    const Step steps[] = {
        {"receivable limit below 0", {{"ys_xyd", "-1"}}, "应收上限不能小于 0"},
        {"payable limit below 0", {{"ys_xyd", "0"}, {"yf_xyd", "-0.5"}}, "应付上限不能小于 0"},
        {"both advances",
         {{"yf_xyd", "100"}, {"yushouTotal00", "10"}, {"yufuTotal00", "20"}},
         "不能同时录入期初预收和期初预付！"},
        {"both balances",
         {{"yufuTotal00", ""}, {"ystotal00", "5"}, {"yftotal00", "6"}},
         "不能同时录入期初应收和期初应付！"},
        {"zero days", {{"yftotal00", "0"}, {"ysDays", "0"}}, "收款期限天数必须是正整数"},
        {"days not a number", {{"ysDays", "30"}, {"yfDays", "1.5"}}, "付款期限天数必须是正整数"},
        {"all right", {{"yfDays", "15"}}, ""},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        script.clearRecords();
        for (const auto& [name, value] : s.values)
            set(*e, name, QLatin1String(value));
        const QString message = QString::fromUtf8(s.message);
        EXPECT_EQ(message.isEmpty(), e->save());
        EXPECT_EQ(message.isEmpty() ? QStringList() : QStringList{message}, script.messages());
    }
    const auto sent = saves(QStringLiteral("p_Base_Up_Wldw"));
    ASSERT_EQ(1, sent.size());
    EXPECT_EQ(QStringLiteral("30"), sent[0].value(QStringLiteral("ysDays")));
    EXPECT_EQ(QStringLiteral("10"), sent[0].value(QStringLiteral("yushouTotal00")));
    EXPECT_EQ(QStringLiteral("0"), sent[0].value(QStringLiteral("yufuTotal00")));
    EXPECT_EQ(QStringLiteral("0"), sent[0].value(QStringLiteral("Areaid")));
    // The opening balances entered go to the opening-balance procedure of the saved partner.
    const auto opening = saves(QStringLiteral("P_JXC_INI_baseWLDW"));
    ASSERT_EQ(1, opening.size());
    EXPECT_EQ(QStringLiteral("5"), opening[0].value(QStringLiteral("ysTotal")));
    EXPECT_EQ(QStringLiteral("0"), opening[0].value(QStringLiteral("yfTotal")));
    EXPECT_EQ(QStringLiteral("10"), opening[0].value(QStringLiteral("yuShouTotal")));
    EXPECT_EQ(QStringLiteral("0"), opening[0].value(QStringLiteral("yufuTotal")));
}

TEST_F(BaseEdit, OtherKindsLoadTheirRecordAndSendTheirFields) {
    RecordSet zy =
        baseRows({{8, 0, QStringLiteral("008"), QStringLiteral("李四"), 1, 0, QStringLiteral("8,"),
                   QString()}},
                 {QStringLiteral("depid"), QStringLiteral("bmName"), QStringLiteral("Birthday")},
                 {{QStringLiteral("5"), QStringLiteral("销售部"), QStringLiteral("1990-02-03")}});
    answerProc(zy);
    auto e = editor(QStringLiteral("ZY"), 8, 0);
    const auto load = callsOf(QStringLiteral("ExecProcQuery"));
    ASSERT_EQ(1, load.size());
    EXPECT_EQ(QStringLiteral(";id=8"), linesOf(load[0]).value(QStringLiteral("zyStr")));
    EXPECT_EQ(QStringLiteral("李四"), e->fieldValue(QStringLiteral("FullName")));
    EXPECT_EQ(QStringLiteral("5"), e->fieldValue(QStringLiteral("depid")));
    EXPECT_EQ(QStringLiteral("销售部"),
              qobject_cast<QLineEdit*>(e->fieldEditor(QStringLiteral("depid")))->text());
    EXPECT_EQ(QStringLiteral("1990-02-03"), e->fieldValue(QStringLiteral("Birthday")));
    answerProcResult(8);
    ASSERT_TRUE(e->save());
    const auto sent = saves(QStringLiteral("p_Base_Up_ZY"));
    ASSERT_EQ(1, sent.size());
    EXPECT_EQ(
        (QStringList{QStringLiteral("code"), QStringLiteral("FullName"), QStringLiteral("pym"),
                     QStringLiteral("depid"), QStringLiteral("Birthday"), QStringLiteral("tel"),
                     QStringLiteral("Worktime"), QStringLiteral("addr"), QStringLiteral("Anumber"),
                     QStringLiteral("comment"), QStringLiteral("id"), QStringLiteral("par_id"),
                     QStringLiteral("czy_id")}),
        sent[0].names());
    EXPECT_EQ(QStringLiteral("8"), sent[0].value(QStringLiteral("id")));

    // Warehouses load with CKStr; regions by SQL; the partner's type by its own query.
    transport->clearCalls();
    auto ck = editor(QStringLiteral("CK"), 4, 0);
    EXPECT_EQ(QStringLiteral(";id=4"),
              linesOf(callsOf(QStringLiteral("ExecProcQuery"))[0]).value(QStringLiteral("CKStr")));
    transport->clearCalls();
    auto dq = editor(QStringLiteral("DQ"), 6, 1);
    EXPECT_EQ(QStringList{QStringLiteral(" SELECT * FROM baseDQ WHERE id = 6")}, sqlTexts());
    transport->clearCalls();
    RecordSet type;
    type.addField(QStringLiteral("type"), FieldType::Integer);
    type.appendRow({2});
    answerQuery(type);
    auto dw = editor(QStringLiteral("WLDW"), 9, 0);
    EXPECT_EQ(QStringList{QStringLiteral("select type from basewldw where id = 9")}, sqlTexts());
    EXPECT_EQ(QStringLiteral("2"), dw->fieldValue(QStringLiteral("type")));
}

TEST_F(BaseEdit, AServerRefusalKeepsTheEditorOpen) {
    auto e = editor(QStringLiteral("BM"), 0, 0);
    set(*e, "code", QStringLiteral("B1"));
    set(*e, "FullName", QStringLiteral("销售部"));
    transport->fail(QStringLiteral("ExecProc"), QStringLiteral("编号[B1]已经存在"));
    EXPECT_FALSE(e->save());
    ASSERT_EQ(1, script.messages().size());
    EXPECT_TRUE(script.messages()[0].contains(QStringLiteral("编号[B1]已经存在")));
    EXPECT_EQ(0, e->recordId());
}

TEST_F(BaseEdit, PictureUploadMarksTheGoodsAndAFailureIsReported) {
    auto e = editor(QStringLiteral("SP"), 0, 3);
    auto* goods = static_cast<TfrmBaseGoodsSet*>(e.get());
    EXPECT_FALSE(goods->setPictureFile(dir.filePath(QStringLiteral("nothing.jpg"))));
    EXPECT_EQ(QStringList{QStringLiteral("商品图片不存在，请检查")}, script.messages());
    const QString file = dir.filePath(QStringLiteral("p.jpg"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not really a picture");
    }
    ASSERT_TRUE(goods->setPictureFile(file));
    QList<QPair<qint64, QByteArray>> uploads;
    TfrmBaseGoodsSet::pictureUploader() = [&uploads](qint64 id, const QByteArray& data) {
        uploads.append({id, data});
    };
    set(*e, "code", QStringLiteral("01"));
    set(*e, "fullname", QStringLiteral("可乐"));
    answerProcResult(55);
    script.clearRecords();
    ASSERT_TRUE(e->save());
    ASSERT_EQ(1, uploads.size());
    EXPECT_EQ(55, uploads[0].first);
    EXPECT_EQ(QByteArray("not really a picture"), uploads[0].second);
    EXPECT_EQ(QStringList{QStringLiteral("Update basegoods set YouWuTuPian = '有' where id = 55")},
              sqlTexts());
    EXPECT_TRUE(script.progressTexts().contains(QStringLiteral("系统正在上传图片，请耐心等待...")));

    // A failing upload after a saved record.
    auto second = editor(QStringLiteral("SP"), 0, 3);
    auto* g2 = static_cast<TfrmBaseGoodsSet*>(second.get());
    ASSERT_TRUE(g2->setPictureFile(file));
    TfrmBaseGoodsSet::pictureUploader() = [](qint64, const QByteArray&) {
        throw DytError(QStringLiteral("磁盘已满"));
    };
    set(*second, "code", QStringLiteral("02"));
    set(*second, "fullname", QStringLiteral("雪碧"));
    script.clearRecords();
    transport->clearCalls();
    EXPECT_TRUE(second->save());
    EXPECT_EQ(QStringList{QStringLiteral("保存成功，但商品图片未保存成功：磁盘已满")},
              script.messages());
    EXPECT_TRUE(sqlTexts().isEmpty());

    // Deleting the picture of a saved goods marks it.
    transport->clearCalls();
    goods->deletePicture();
    EXPECT_EQ(QStringList{QStringLiteral("Update basegoods set YouWuTuPian = '无' where id = 55")},
              sqlTexts());
}

TEST_F(BaseEdit, DefaultUnitMovesOnlyToARowWithAUnit) {
    auto e = editor(QStringLiteral("SP"), 0, 0);
    auto* goods = static_cast<TfrmBaseGoodsSet*>(e.get());
    goods->unitGrid()->item(0, client::kUnitName)->setText(QStringLiteral("个"));
    goods->unitGrid()->item(1, client::kUnitName)->setText(QStringLiteral("盒"));
    EXPECT_EQ(0, goods->defaultUnitRow());
    goods->setDefaultUnit(2);
    EXPECT_EQ(0, goods->defaultUnitRow());
    goods->setDefaultUnit(1);
    EXPECT_EQ(1, goods->defaultUnitRow());
    EXPECT_EQ(QString(), goods->unitGrid()->item(0, client::kUnitDefault)->text());
    EXPECT_EQ(QStringLiteral("√"), goods->unitGrid()->item(1, client::kUnitDefault)->text());
    // The base unit's relation is not editable.
    EXPECT_FALSE(goods->unitGrid()->item(0, client::kUnitRate)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(QStringLiteral("基本单位的单位关系不能修改"),
              goods->unitGrid()->item(0, client::kUnitRate)->toolTip());
}

TEST_F(BaseEdit, GoodsEditorHasItsPages) {
    auto e = editor(QStringLiteral("SP"), 0, 0);
    QStringList tabs;
    for (int i = 0; i < e->pages()->count(); ++i)
        tabs.append(e->pages()->tabText(i));
    EXPECT_EQ(client::base::goodsPages(), tabs);
    EXPECT_EQ(QStringLiteral("商品信息"), e->windowTitle());
    client::settings().FieldCaptions.insert(QStringLiteral("100141"), QStringLiteral("保修期"));
    auto relabelled = editor(QStringLiteral("SP"), 0, 0);
    const QWidget* bz1 = relabelled->fieldEditor(QStringLiteral("bz1"));
    ASSERT_NE(nullptr, bz1);
    bool found = false;
    for (const QLabel* l : relabelled->findChildren<QLabel*>()) {
        if (l->buddy() == bz1)
            found = l->text() == QStringLiteral("保修期：");
    }
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace dyt::test
