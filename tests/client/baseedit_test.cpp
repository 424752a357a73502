// The record editors against the recording transport: checks in order, codes, pinyin, units and
// the picture.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
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
        std::unique_ptr<TfrmBaseEdit> e(client::createBaseEditor(kindByCode(code), nullptr));
        e->setup(EditorRequest{id, parent, source});
        return e;
    }
    void set(TfrmBaseEdit& e, const char* name, const QString& value) {
        auto* line = qobject_cast<QLineEdit*>(e.fieldEditor(QLatin1String(name)));
        ASSERT_NE(nullptr, line) << name;
        line->setText(value);
    }
    // The named values of a parameter list joined by "|".
    static QString valuesOf(const ParamList& p, const QStringList& names) {
        QStringList out;
        for (const QString& n : names)
            out.append(p.value(n));
        return out.join(u'|');
    }
    // The save procedure calls and their lines.
    QList<ParamList> saves(const QString& procedure) const {
        QList<ParamList> out;
        for (const auto& c : callsOf(u"ExecProc"_s))
            if (c.procedure == procedure)
                out.append(linesOf(c));
        return out;
    }
    client::PictureUploader savedUploader;
};
// The checks come in order, each failing one shows the fields page; equal limits are accepted.
TEST_F(BaseEdit, GoodsChecksComeInOrderAndEqualLimitsAreAccepted) {
    auto e = editor(u"SP"_s, 0, 3);
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
        e->pages()->setCurrentIndex(3);
        const bool saved = e->save();
        const QString message = QString::fromUtf8(s.message);
        EXPECT_EQ(message.isEmpty(), saved);
        EXPECT_EQ(message.isEmpty() ? QStringList() : QStringList{message}, script.messages());
        if (!message.isEmpty()) {
            EXPECT_EQ(u"提示"_s, script.records().last().caption);
            EXPECT_TRUE(saves(u"p_base_Up_Goods"_s).isEmpty());
            EXPECT_EQ(u"主要信息"_s, e->pages()->tabText(e->pages()->currentIndex()));
        }
    }
    ASSERT_EQ(1, saves(u"p_base_Up_Goods"_s).size());
    EXPECT_EQ(u"5"_s, saves(u"p_base_Up_Goods"_s)[0].value(u"warnUP"_s));
}
TEST_F(BaseEdit, GoodsSaveSendsTheRecordThenItsUnitsUnderTheReturnedId) {
    auto e = editor(u"SP"_s, 0, 3);
    set(*e, "code", u"A'1"_s);
    set(*e, "fullname", u"可口可乐"_s);
    e->fullNameLeft();
    auto* type = qobject_cast<QComboBox*>(e->fieldEditor(u"spType"_s));
    ASSERT_NE(nullptr, type);
    type->setCurrentIndex(1);
    auto* goods = static_cast<TfrmBaseGoodsSet*>(e.get());
    QTableWidget* units = goods->unitGrid();
    units->item(0, client::kUnitName)->setText(u"瓶"_s);
    units->item(0, client::kUnitPrice)->setText(u"3.5"_s);
    units->item(1, client::kUnitName)->setText(u"箱"_s);
    units->item(1, client::kUnitRate)->setText(u"24"_s);
    goods->setDefaultUnit(1);
    answerProcResult(55);
    ASSERT_TRUE(e->save());
    EXPECT_EQ(55, e->recordId());
    const auto procs = callsOf(u"ExecProc"_s);
    ASSERT_EQ(3, procs.size());
    EXPECT_EQ(u"p_base_Up_Goods"_s, procs[0].procedure);
    const ParamList record = linesOf(procs[0]);
    EXPECT_EQ(u"A'1|可口可乐|KKKL|可口可乐|1|0|3|7"_s,
              valuesOf(record, {u"code"_s, u"fullname"_s, u"pym"_s, u"name"_s, u"spType"_s, u"id"_s,
                                u"par_id"_s, u"czy_id"_s}));
    EXPECT_TRUE(record.contains(u"bz10"_s));
    const ParamList base = linesOf(procs[1]);
    EXPECT_EQ(u"p_base_Up_goodsunit"_s, procs[1].procedure);
    EXPECT_EQ((QStringList{u"Goodsid=55"_s, u"fzdwid=0"_s, u"unit=瓶"_s, u"rate=1"_s, u"barcode="_s,
                           u"price=3.5"_s, u"price1=0"_s, u"price2=0"_s, u"price3=0"_s, u"id=0"_s,
                           u"isDefault=0"_s, u"czy_id=7"_s}),
              base.lines());
    EXPECT_EQ(u"1|24|1"_s, valuesOf(linesOf(procs[2]), {u"fzdwid"_s, u"rate"_s, u"isDefault"_s}));
    EXPECT_TRUE(client::baseDataChanged());
}
TEST_F(BaseEdit, PinyinAndShortNameOnLeavingTheFullName) {
    auto e = editor(u"SP"_s, 0, 0);
    set(*e, "pym", u"OLD"_s);
    set(*e, "fullname", u"德盈通 A-1型"_s);
    e->fullNameLeft();
    EXPECT_EQ(u"DYTA1X"_s, e->fieldValue(u"pym"_s));
    // Three Chinese characters are six bytes, the blank and "A" two more: eight in all.
    EXPECT_EQ(u"德盈通 A"_s, e->fieldValue(u"name"_s));
    // A short name already there stays.
    set(*e, "fullname", u"长城"_s);
    e->fullNameLeft();
    EXPECT_EQ(u"CC"_s, e->fieldValue(u"pym"_s));
    EXPECT_EQ(u"德盈通 A"_s, e->fieldValue(u"name"_s));
    // Other editors fill the pinyin code only.
    auto ck = editor(u"CK"_s, 0, 0);
    set(*ck, "FullName", u"银行仓库"_s);
    ck->fullNameLeft();
    EXPECT_EQ(u"YHCK"_s, ck->fieldValue(u"pym"_s));
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
        answerQuery(recordSet({u"Code"_s}, {{u"X-009"_s}}));
        auto e = editor(QLatin1String(k.kind), 0, 4);
        EXPECT_EQ(QStringList{u"SELECT dbo.fnGetBaseAutoCode('%1', 4) as Code"_s.arg(
                      QLatin1String(k.autoKind))},
                  sqlTexts());
        EXPECT_EQ(u"X-009"_s, e->fieldValue(u"code"_s));
    }
    // Unticked and saved: the next editor starts unticked and fetches nothing.
    auto bm = editor(u"BM"_s, 0, 0);
    bm->cbAutoCode()->setChecked(false);
    set(*bm, "code", u"B1"_s);
    set(*bm, "FullName", u"销售部"_s);
    ASSERT_TRUE(bm->save());
    transport->clearCalls();
    auto next = editor(u"BM"_s, 0, 0);
    EXPECT_FALSE(next->cbAutoCode()->isChecked());
    EXPECT_TRUE(sqlTexts().isEmpty());
}
TEST_F(BaseEdit, PartnerRulesInOrder) {
    auto e = editor(u"WLDW"_s, 0, 0);
    set(*e, "code", u"D1"_s);
    set(*e, "fullname", u"华联超市"_s);
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
    const auto sent = saves(u"p_Base_Up_Wldw"_s);
    ASSERT_EQ(1, sent.size());
    EXPECT_EQ(u"30|10|0|0"_s,
              valuesOf(sent[0], {u"ysDays"_s, u"yushouTotal00"_s, u"yufuTotal00"_s, u"Areaid"_s}));
    // The opening balances entered go to the opening-balance procedure of the saved partner.
    const auto opening = saves(u"P_JXC_INI_baseWLDW"_s);
    ASSERT_EQ(1, opening.size());
    EXPECT_EQ(u"5|0|10|0"_s,
              valuesOf(opening[0], {u"ysTotal"_s, u"yfTotal"_s, u"yuShouTotal"_s, u"yufuTotal"_s}));
}
TEST_F(BaseEdit, AServerRefusalKeepsTheEditorOpen) {
    auto e = editor(u"BM"_s, 0, 0);
    set(*e, "code", u"B1"_s);
    set(*e, "FullName", u"销售部"_s);
    transport->fail(u"ExecProc"_s, u"编号[B1]已经存在"_s);
    EXPECT_FALSE(e->save());
    ASSERT_EQ(1, script.messages().size());
    EXPECT_TRUE(script.messages()[0].contains(u"编号[B1]已经存在"_s));
    EXPECT_EQ(0, e->recordId());
}
// The upload, the mark and the deletion against a real server: base_e2e.
TEST_F(BaseEdit, PictureUploadOfTheSavedIdAndAFailureIsReported) {
    auto e = editor(u"SP"_s, 0, 3);
    auto* goods = static_cast<TfrmBaseGoodsSet*>(e.get());
    EXPECT_FALSE(goods->setPictureFile(dir.filePath(u"nothing.jpg"_s)));
    EXPECT_EQ(QStringList{u"商品图片不存在，请检查"_s}, script.messages());
    const QString file = dir.filePath(u"p.jpg"_s);
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
    set(*e, "code", u"01"_s);
    set(*e, "fullname", u"可乐"_s);
    answerProcResult(55);
    script.clearRecords();
    ASSERT_TRUE(e->save());
    ASSERT_EQ(1, uploads.size());
    EXPECT_EQ(55, uploads[0].first);
    EXPECT_EQ(QByteArray("not really a picture"), uploads[0].second);
    EXPECT_TRUE(script.progressTexts().contains(u"系统正在上传图片，请耐心等待..."_s));
    // A failing upload after a saved record.
    auto second = editor(u"SP"_s, 0, 3);
    auto* g2 = static_cast<TfrmBaseGoodsSet*>(second.get());
    ASSERT_TRUE(g2->setPictureFile(file));
    TfrmBaseGoodsSet::pictureUploader() = [](qint64, const QByteArray&) {
        throw DytError(u"磁盘已满"_s);
    };
    set(*second, "code", u"02"_s);
    set(*second, "fullname", u"雪碧"_s);
    script.clearRecords();
    transport->clearCalls();
    EXPECT_TRUE(second->save());
    EXPECT_EQ(QStringList{u"保存成功，但商品图片未保存成功：磁盘已满"_s}, script.messages());
    EXPECT_TRUE(sqlTexts().isEmpty());  // not marked as having a picture
}
TEST_F(BaseEdit, DefaultUnitMovesOnlyToARowWithAUnit) {
    auto e = editor(u"SP"_s, 0, 0);
    auto* goods = static_cast<TfrmBaseGoodsSet*>(e.get());
    goods->unitGrid()->item(0, client::kUnitName)->setText(u"个"_s);
    goods->unitGrid()->item(1, client::kUnitName)->setText(u"盒"_s);
    EXPECT_EQ(0, goods->defaultUnitRow());
    goods->setDefaultUnit(2);
    EXPECT_EQ(0, goods->defaultUnitRow());
    goods->setDefaultUnit(1);
    EXPECT_EQ(1, goods->defaultUnitRow());
    EXPECT_EQ(u"|√"_s, goods->unitGrid()->item(0, client::kUnitDefault)->text() + u'|' +
                          goods->unitGrid()->item(1, client::kUnitDefault)->text());
    // The base unit's relation is not editable.
    EXPECT_FALSE(goods->unitGrid()->item(0, client::kUnitRate)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(u"基本单位的单位关系不能修改"_s,
              goods->unitGrid()->item(0, client::kUnitRate)->toolTip());
}
TEST_F(BaseEdit, FieldLabelsFollowTheFieldCaptions) {
    client::settings().FieldCaptions.insert(u"100141"_s, u"保修期"_s);
    auto relabelled = editor(u"SP"_s, 0, 0);
    const QWidget* bz1 = relabelled->fieldEditor(u"bz1"_s);
    ASSERT_NE(nullptr, bz1);
    bool found = false;
    for (const QLabel* l : relabelled->findChildren<QLabel*>())
        if (l->buddy() == bz1)
            found = l->text() == u"保修期："_s;
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace dyt::test
