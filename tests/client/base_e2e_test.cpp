// The base-data list windows and their editors, driven through the lists' commands against a real
// dyt-server.
#include <QBuffer>
#include <QCheckBox>
#include <QHash>
#include <QImage>
#include <QLineEdit>
#include <QTableWidget>
#include <QTreeWidget>

#include <functional>

#include "../server/posting_packets.h"
#include "client/base/frmbaseedit.h"
#include "client/base/frmbasegoodsset.h"
#include "client/base/frmbaselist.h"
#include "client/common/frmbase.h"
#include "client/logic/clientconfig.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "support/serverfixture.h"
#include "support/testutil.h"
#include "uihelpers.h"

namespace dyt::test {
namespace {

using client::TfrmBaseEdit;
using client::TfrmBaseList;

// What the scripted editor does once it is set up: fill its fields. The editor then saves.
using EditorScript = std::function<void(TfrmBaseEdit&)>;

class BaseEndToEnd : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        client::TfrmBase::setProgramFolder(programDir.path());
        savedOpener = TfrmBaseList::editorOpener();
        // The list's commands open the real editor; the script fills it and it saves.
        TfrmBaseList::editorOpener() = [this](const client::base::BaseKind& kind,
                                              const client::EditorRequest& request, QWidget*) {
            std::unique_ptr<TfrmBaseEdit> editor(client::createBaseEditor(kind, nullptr));
            editor->setup(request);
            lastParent = editor->parentId();
            if (fill)
                fill(*editor);
            const bool saved = editor->save();
            lastSaved = saved ? editor->recordId() : 0;
            return saved;
        };
    }
    void TearDown() override {
        TfrmBaseList::editorOpener() = savedOpener;
        client::TfrmBase::setProgramFolder(QString());
        ServerFixture::TearDown();
    }
    std::unique_ptr<TfrmBaseList> open(const QString& code) {
        const client::base::BaseKind& kind = client::base::kindByCode(code);
        auto w = std::make_unique<TfrmBaseList>(kind);
        w->setTag(kind.functionCode);
        w->applyRights();
        w->reloadAll();
        return w;
    }
    // The grid row of a code, -1 when the list does not show it.
    static int rowOf(const TfrmBaseList& w, const QString& code) {
        for (int r = 0; r < w.model()->rowCount(); ++r) {
            if (w.rowValue(r, u"code"_s).toString().trimmed() == code)
                return r;
        }
        return -1;
    }
    static QStringList codes(const TfrmBaseList& w) {
        QStringList out;
        for (int r = 0; r < w.model()->rowCount(); ++r)
            out.append(w.rowValue(r, u"code"_s).toString().trimmed());
        return out;
    }
    // Runs a list command with the editor script; returns the saved record id (0 when none).
    qint64 withEditor(const EditorScript& script_, const std::function<void()>& command) {
        fill = script_;
        lastSaved = 0;
        command();
        fill = nullptr;
        return lastSaved;
    }
    static EditorScript named(const QString& code, const QString& name) {
        return [code, name](TfrmBaseEdit& e) {
            e.setFieldValue(u"code"_s, code);
            e.setFieldValue(u"fullname"_s, name);
            e.fullNameLeft();
        };
    }
    client::EditorOpener savedOpener;
    EditorScript fill;
    qint64 lastSaved = 0;
    qint64 lastParent = -1;
};
TEST_F(BaseEndToEnd, EveryKindCreatedEditedAndDeletedThroughItsList) {
    for (const client::base::BaseKind& kind : client::base::baseKinds()) {
        SCOPED_TRACE(kind.listClass.toStdString());
        script.clearRecords();
        auto w = open(kind.kindCode);
        const QString cat = u"T%1"_s.arg(kind.kindCode);
        const QString leaf = cat + u"01"_s;
        // A new top-level record, then a record below it: the first becomes a category.
        w->setFocusedRow(-1);
        const qint64 catId = withEditor(named(cat, u"测试分类"_s), [&] { w->btnAddClick(); });
        ASSERT_GT(catId, 0) << script.messages().join(u'|').toStdString();
        int row = rowOf(*w, cat);
        ASSERT_GE(row, 0) << codes(*w).join(u',').toStdString();
        EXPECT_EQ(catId, w->rowValue(row, u"id"_s).toLongLong());
        w->setFocusedRow(row);
        const qint64 leafId =
            withEditor(named(leaf, u"测试记录"_s), [&] { w->btnAddLevelClick(); });
        ASSERT_GT(leafId, 0) << script.messages().join(u'|').toStdString();
        EXPECT_EQ(catId, lastParent);
        row = rowOf(*w, cat);
        ASSERT_GE(row, 0);
        EXPECT_EQ(1, w->rowValue(row, u"sonnum"_s).toLongLong());
        // The category's node is in the tree.
        EXPECT_FALSE(w->tvCategory()
                         ->findItems(u"测试分类"_s, Qt::MatchContains | Qt::MatchRecursive)
                         .isEmpty());
        // Into the category: the record with its path; edit it.
        w->enterCategory(row);
        ASSERT_EQ(QStringList{leaf}, codes(*w));
        EXPECT_EQ(u"测试分类/测试记录"_s, w->rowValue(0, u"pathName"_s).toString());
        EXPECT_EQ(u"CSJL"_s, w->rowValue(0, u"pym"_s).toString());
        w->setFocusedRow(0);
        const qint64 edited = withEditor(
            [](TfrmBaseEdit& e) {
                EXPECT_EQ(u"测试记录"_s, e.fieldValue(u"fullname"_s));
                e.setFieldValue(u"fullname"_s, u"改过的记录"_s);
                e.fullNameLeft();
            },
            [&] { w->btnUpdateClick(); });
        EXPECT_EQ(leafId, edited);
        ASSERT_EQ(0, rowOf(*w, leaf));
        EXPECT_EQ(u"改过的记录"_s, w->rowValue(0, u"fullname"_s).toString());
        EXPECT_EQ(u"GGDJL"_s, w->rowValue(0, u"pym"_s).toString());
        // Deleting the only record of the level goes back up; the category is a leaf again.
        script.answer(u"确定(&O)"_s, u"您确定要删除选中的数据吗？"_s);
        w->btnDelClick();
        EXPECT_EQ(0, w->state().parentId);
        EXPECT_EQ(-1, rowOf(*w, leaf));
        row = rowOf(*w, cat);
        ASSERT_GE(row, 0);
        EXPECT_EQ(0, w->rowValue(row, u"sonnum"_s).toLongLong());
        EXPECT_EQ(1, stored(u"SELECT del FROM %1 WHERE id = %2"_s.arg(kind.recordTable).arg(leafId))
                         .toLongLong());
        // And the former category goes too.
        w->setFocusedRow(row);
        script.answer(u"确定(&O)"_s);
        w->btnDelClick();
        EXPECT_EQ(-1, rowOf(*w, cat));
        EXPECT_EQ(QStringList{}, script.messages());
    }
}
// Every field an editor sends comes back when the record is opened again, and every column a
// list shows is a field of the server's answer.
TEST_F(BaseEndToEnd, EditorFieldsComeBackAndListColumnsAreAnswered) {
    for (const client::base::BaseKind& kind : client::base::baseKinds()) {
        SCOPED_TRACE(kind.listClass.toStdString());
        script.clearRecords();
        auto w = open(kind.kindCode);
        QHash<QString, QString> sent;
        const qint64 id = withEditor(
            [&](TfrmBaseEdit& e) {
                int n = 0;
                for (const client::base::EditField& f : kind.fields) {
                    ++n;
                    QVariant v;
                    switch (f.kind) {
                        case client::base::EditKind::None:
                        case client::base::EditKind::Text:
                        case client::base::EditKind::Memo:
                            v = u"值%1'"_s.arg(n);
                            break;
                        case client::base::EditKind::Check:
                            v = f.name.compare(QLatin1String("isstop"), Qt::CaseInsensitive) == 0
                                    ? 0
                                    : 1;
                            break;
                        case client::base::EditKind::Date:
                            v = u"2024-05-%1"_s.arg(n, 2, 10, QLatin1Char('0'));
                            break;
                        case client::base::EditKind::Number:
                            v = n;
                            break;
                        case client::base::EditKind::Days:
                            v = n + 1;
                            break;
                        case client::base::EditKind::Combo:
                            v = 1;
                            break;
                        case client::base::EditKind::Picker:
                            continue;  // needs a record of another kind
                    }
                    e.setFieldValue(f.name, v);
                }
                if (kind.kindCode == u"WLDW") {
                    // One of each opening pair.
                    e.setFieldValue(u"yftotal00"_s, 0);
                    e.setFieldValue(u"yufuTotal00"_s, 0);
                }
                if (kind.kindCode == u"SP")
                    e.setFieldValue(u"warnUP"_s, 100);
                for (const client::base::EditField& f : kind.fields) {
                    if (f.kind != client::base::EditKind::Picker)
                        sent.insert(f.name, e.fieldValue(f.name));
                }
            },
            [&] { w->btnAddClick(); });
        ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
        std::unique_ptr<TfrmBaseEdit> e(client::createBaseEditor(kind, nullptr));
        e->setup({id, 0, nullptr});
        for (auto it = sent.cbegin(); it != sent.cend(); ++it) {
            SCOPED_TRACE(it.key().toStdString());
            EXPECT_EQ(it.value(), e->fieldValue(it.key()));
        }
        // The list's columns.
        const int row = rowOf(*w, e->fieldValue(u"code"_s));
        ASSERT_GE(row, 0);
        if (kind.listSql.isEmpty()) {
            RecordSet rows;
            ParamList params = client::base::listParams(kind, w->state(), 1);
            dm.ExecProcQuery(kind.listProcedure, params, &rows);
            for (const client::base::ListColumn& c : kind.columns)
                EXPECT_TRUE(rows.hasField(c.field)) << c.field.toStdString();
            for (const char* f : {"id", "par_id", "par_jl", "leveal", "sonnum", "pathName"})
                EXPECT_TRUE(rows.hasField(QLatin1String(f))) << f;
        }
    }
}
// Automatic codes, quick search, whole and partial lists, copy add and the row order of the goods
// list, each answered by the server.
TEST_F(BaseEndToEnd, GoodsListCommandsAgainstTheServer) {
    auto w = open(u"SP"_s);
    const auto fullNameOnly = [](const QString& name) {
        return [name](TfrmBaseEdit& e) {
            e.setFieldValue(u"fullname"_s, name);
            e.fullNameLeft();
        };
    };
    // "自动编号" is ticked: the codes come from fnGetBaseAutoCode below the parent.
    ASSERT_TRUE(TfrmBaseEdit::autoCodeState());
    const qint64 drinks = withEditor(fullNameOnly(u"饮料"_s), [&] { w->btnAddClick(); });
    const qint64 single = withEditor(fullNameOnly(u"散装糖"_s), [&] { w->btnAddClick(); });
    ASSERT_GT(drinks, 0) << script.messages().join(u'|').toStdString();
    ASSERT_GT(single, 0);
    EXPECT_EQ((QStringList{u"001"_s, u"002"_s}), codes(*w));
    w->setFocusedRow(rowOf(*w, u"001"_s));
    const qint64 cola = withEditor(
        [](TfrmBaseEdit& e) {
            e.setFieldValue(u"fullname"_s, u"可乐"_s);
            e.setFieldValue(u"gg"_s, u"330ml"_s);
            static_cast<client::TfrmBaseGoodsSet&>(e)
                .unitGrid()
                ->item(0, client::kUnitName)
                ->setText(u"罐"_s);
        },
        [&] { w->btnAddLevelClick(); });
    w->enterCategory(rowOf(*w, u"001"_s));
    ASSERT_EQ(QStringList{u"001001"_s}, codes(*w));
    // Copy add: the source's fields and units, a new code, the same category.
    w->setFocusedRow(0);
    const qint64 copy = withEditor(
        [](TfrmBaseEdit& e) {
            EXPECT_EQ(u"330ml"_s, e.fieldValue(u"gg"_s));
            e.setFieldValue(u"fullname"_s, u"雪碧"_s);
            e.fullNameLeft();
        },
        [&] { w->btncopyAddClick(); });
    ASSERT_GT(copy, cola) << script.messages().join(u'|').toStdString();
    EXPECT_EQ(drinks, lastParent);
    ASSERT_EQ((QStringList{u"001001"_s, u"001002"_s}), codes(*w));
    EXPECT_EQ(u"330ml 罐 罐"_s, w->rowValue(1, u"gg"_s).toString() + u' ' +
                                   w->rowValue(1, u"unitName"_s).toString() + u' ' +
                                   w->rowValue(0, u"unitName"_s).toString());
    EXPECT_EQ(2, stored(u"SELECT COUNT(*) FROM baseGoodsUnit WHERE Goodsid IN (%1, %2)"_s.arg(cola)
                            .arg(copy)).toInt());
    // Row order: the second row moved up stays first after a reload.
    w->setFocusedRow(1);
    w->btnUpClick();
    w->loadList();
    EXPECT_EQ((QStringList{u"001002"_s, u"001001"_s}), codes(*w));
    // Quick search over every level, by name, pinyin and code; a quote finds nothing.
    struct Search {
        const char* text;
        QStringList codes;
    };
    const Search searches[] = {{"雪", {u"001002"_s}}, {"kl", {u"001001"_s}}, {"x'y", {}},
                               {"00", {u"001"_s, u"001001"_s, u"001002"_s, u"002"_s}}};
    for (const Search& q : searches) {
        SCOPED_TRACE(q.text);
        w->edSearch()->setText(QString::fromUtf8(q.text));
        w->searchClick();
        EXPECT_EQ(q.codes, codes(*w));
    }
    w->edSearch()->clear();
    w->searchClick();
    EXPECT_EQ((QStringList{u"001002"_s, u"001001"_s}), codes(*w));
    // The whole list, then the list of one category.
    w->goUp();
    w->loadList();
    w->setFocusedRow(rowOf(*w, u"001"_s));
    script.answer(u"全部列表"_s);
    w->btnListClick();
    EXPECT_EQ((QStringList{u"001001"_s, u"001002"_s, u"002"_s}), codes(*w));
    w->btnListClick();  // back to the levels
    EXPECT_EQ((QStringList{u"001"_s, u"002"_s}), codes(*w));
    w->setFocusedRow(rowOf(*w, u"001"_s));
    script.answer(u"部分列表(饮料)"_s);
    w->btnListClick();
    EXPECT_EQ((QStringList{u"001001"_s, u"001002"_s}), codes(*w));
    EXPECT_EQ(QStringList{}, script.messages());
}
// A record chosen in a picker is stored by id and shown by name when the editor opens again.
TEST_F(BaseEndToEnd, PickedRecordsComeBackWithTheirNames) {
    auto bm = open(u"BM"_s);
    const qint64 dep = withEditor(named(u"B1"_s, u"销售部"_s), [&] { bm->btnAddClick(); });
    auto dq = open(u"DQ"_s);
    const qint64 area = withEditor(named(u"D1"_s, u"华东"_s), [&] { dq->btnAddClick(); });
    ASSERT_GT(dep, 0);
    ASSERT_GT(area, 0);
    struct Case {
        const char* kind;
        const char* field;
        qint64 id;
        const char* name;
    };
    const Case cases[] = {{"ZY", "depid", dep, "销售部"}, {"WLDW", "Areaid", area, "华东"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        auto w = open(QLatin1String(c.kind));
        const qint64 id = withEditor(
            [&](TfrmBaseEdit& e) {
                e.setFieldValue(u"code"_s, u"P-%1"_s.arg(c.id));
                e.setFieldValue(u"fullname"_s, u"带引用"_s);
                e.setFieldValue(QLatin1String(c.field), c.id, QString::fromUtf8(c.name));
            },
            [&] { w->btnAddClick(); });
        ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
        std::unique_ptr<TfrmBaseEdit> e(
            client::createBaseEditor(client::base::kindByCode(QLatin1String(c.kind)), nullptr));
        e->setup({id, 0, nullptr});
        EXPECT_EQ(QString::number(c.id), e->fieldValue(QLatin1String(c.field)));
        auto* shown = qobject_cast<QLineEdit*>(e->fieldEditor(QLatin1String(c.field)));
        ASSERT_NE(nullptr, shown);
        EXPECT_EQ(QString::fromUtf8(c.name), shown->text());
    }
}
TEST_F(BaseEndToEnd, LevelFourTakesAChildLevelFiveRefusesOne) {
    auto w = open(u"SP"_s);
    qint64 parent = 0;
    for (int level = 1; level <= 5; ++level) {
        SCOPED_TRACE(level);
        const QString code = u"L%1"_s.arg(level);
        const int focus = codes(*w).isEmpty() ? -1 : 0;
        w->setFocusedRow(focus);
        const qint64 id = withEditor(named(code, u"第%1级"_s.arg(level)), [&] {
            if (focus < 0)
                w->btnAddClick();
            else
                w->btnAddLevelClick();
        });
        ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
        EXPECT_EQ(parent, lastParent);
        EXPECT_EQ(level, stored(u"SELECT leveal FROM baseGoods WHERE id = %1"_s.arg(id)).toInt());
        parent = id;
        if (level > 1)
            w->enterCategory(0);  // the row just made a category
        ASSERT_EQ(QStringList{code}, codes(*w));
    }
    // The record of level 5 takes no child: refused before any editor opens.
    w->setFocusedRow(0);
    EXPECT_EQ(0, withEditor(named(u"L6"_s, u"第6级"_s), [&] { w->btnAddLevelClick(); }));
    EXPECT_EQ(QStringList{u"系统最大支持5级，不能再增加下级"_s}, script.messages());
    EXPECT_FALSE(stored(u"SELECT id FROM baseGoods WHERE code = 'L6'"_s).isValid());
}
TEST_F(BaseEndToEnd, AStoppedRecordIsHiddenUntilIncluded) {
    for (const char* code : {"SP", "CK", "WLDW"}) {
        SCOPED_TRACE(code);
        auto w = open(QLatin1String(code));
        const qint64 id = withEditor(
            [](TfrmBaseEdit& e) {
                e.setFieldValue(u"code"_s, u"C'9"_s);
                e.setFieldValue(u"fullname"_s, u"停用的记录"_s);
                e.setFieldValue(u"isstop"_s, 1);
            },
            [&] { w->btnAddClick(); });
        ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
        EXPECT_EQ(-1, rowOf(*w, u"C'9"_s));
        w->cbIncludeStopped()->setChecked(true);
        w->includeStoppedClick();
        const int row = rowOf(*w, u"C'9"_s);
        ASSERT_GE(row, 0);
        EXPECT_EQ(id, w->rowValue(row, u"id"_s).toLongLong());
        EXPECT_EQ(u"是"_s, w->rowValue(row, u"stopName"_s).toString());
        w->cbIncludeStopped()->setChecked(false);
        w->includeStoppedClick();
        EXPECT_EQ(-1, rowOf(*w, u"C'9"_s));
    }
    // Departments have no stopped records: no box to include them.
    EXPECT_TRUE(open(u"BM"_s)->cbIncludeStopped()->isHidden());
}
TEST_F(BaseEndToEnd, GoodsOfAPostedPurchaseKeepsItsCostMethodAndIsNotDeleted) {
    // The records the purchase needs, entered through their windows.
    auto ck = open(u"CK"_s);
    const qint64 warehouse = withEditor(named(u"CK1"_s, u"总仓"_s), [&] { ck->btnAddClick(); });
    auto dw = open(u"WLDW"_s);
    const qint64 supplier = withEditor(named(u"G1"_s, u"供应商甲"_s), [&] { dw->btnAddClick(); });
    auto goodsList = open(u"SP"_s);
    const qint64 goods = withEditor(
        [](TfrmBaseEdit& e) {
            e.setFieldValue(u"code"_s, u"SP1"_s);
            e.setFieldValue(u"fullname"_s, u"螺丝"_s);
            e.setFieldValue(u"costmode"_s, 2);
            auto& g = static_cast<client::TfrmBaseGoodsSet&>(e);
            g.unitGrid()->item(0, client::kUnitName)->setText(u"个"_s);
            g.unitGrid()->item(0, client::kUnitPrice)->setText(u"3.5"_s);
        },
        [&] { goodsList->btnAddClick(); });
    const qint64 fresh = withEditor(named(u"SP2"_s, u"垫片"_s), [&] { goodsList->btnAddClick(); });
    ASSERT_GT(warehouse, 0);
    ASSERT_GT(supplier, 0);
    ASSERT_GT(goods, 0) << script.messages().join(u'|').toStdString();
    ASSERT_GT(fresh, 0);
    EXPECT_EQ(u"个"_s,
              stored(QStringLiteral("SELECT unit FROM baseGoodsUnit WHERE Goodsid = %1 AND "
                                    "fzdwid = 0")
                         .arg(goods))
                  .toString());
    // A new goods lets its cost method and type change.
    {
        std::unique_ptr<TfrmBaseEdit> e(
            client::createBaseEditor(client::base::kindByCode(u"SP"_s), nullptr));
        e->setup({goods, 0, nullptr});
        EXPECT_TRUE(e->fieldEditor(u"costmode"_s)->isEnabled());
        EXPECT_TRUE(e->fieldEditor(u"spType"_s)->isEnabled());
        EXPECT_EQ(u"2"_s, e->fieldValue(u"costmode"_s));
        EXPECT_FALSE(static_cast<client::TfrmBaseGoodsSet&>(*e).unitLocked(0));
    }
    // Open the account set and post a purchase of the goods.
    ParamList open;
    open.setValue(u"type"_s, u"0"_s);
    open.setValue(u"Date"_s, u"2025-01-01"_s);
    ASSERT_EQ(0, dm.ExecProc(u"P_SYS_UP_Open"_s, open));
    server::test::GoodsBill bill;
    bill.djType = 5;
    bill.date = u"2025-02-03"_s;
    bill.code = u"JH-1"_s;
    bill.partner = supplier;
    bill.intoStock = warehouse;
    bill.lines = {{.goods = goods, .qty = 10, .price = 2}};
    ParamList header = server::test::goodsBillParams(bill);
    header.setValue(u"jsr_id"_s, QString());
    header.setValue(u"dep_id"_s, QString());
    RecordSet lines = server::test::goodsLinesPacket(bill);
    // The line's unit is the unit slot as the goods selection hands it over: the base unit.
    lines.setAt(0, lines.fieldIndex(u"unitid"_s), u"0"_s);
    const RecordSet accounts = server::test::accountPacket({});
    dm.ExecService(u"QMXService"_s, u"SaveToDB"_s, header, &lines, &accounts);
    ASSERT_EQ(1, stored(u"SELECT COUNT(*) FROM djList WHERE goodsid = %1 AND dj_state <> 0"_s.arg(
                            goods)).toLongLong())
        << script.messages().join(u'|').toStdString();
    // Deleting the goods, the supplier or the warehouse of the bill is refused by the server.
    struct Refusal {
        TfrmBaseList* list;
        const char* code;
        const char* message;
    };
    const Refusal refusals[] = {
        {goodsList.get(), "SP1", "商品[螺丝]已经被单据使用，不能删除！"},
        {dw.get(), "G1", "往来单位[供应商甲]已经被单据使用，不能删除！"},
        {ck.get(), "CK1", "仓库[总仓]已经被单据使用，不能删除！"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.code);
        r.list->reloadAll();
        const int at = rowOf(*r.list, QLatin1String(r.code));
        ASSERT_GE(at, 0);
        r.list->setFocusedRow(at);
        script.clearRecords();
        script.answer(u"确定(&O)"_s);
        r.list->btnDelClick();
        EXPECT_EQ(QStringList{QString::fromUtf8(r.message)}, script.messages());
        EXPECT_EQ(at, rowOf(*r.list, QLatin1String(r.code)));
    }
    // The editor locks cost method and goods type; the server refuses a change sent anyway.
    {
        std::unique_ptr<TfrmBaseEdit> e(
            client::createBaseEditor(client::base::kindByCode(u"SP"_s), nullptr));
        e->setup({goods, 0, nullptr});
        EXPECT_FALSE(e->fieldEditor(u"costmode"_s)->isEnabled());
        EXPECT_FALSE(e->fieldEditor(u"spType"_s)->isEnabled());
        auto& g = static_cast<client::TfrmBaseGoodsSet&>(*e);
        EXPECT_TRUE(g.unitLocked(0));
        EXPECT_FALSE(g.unitGrid()->item(0, client::kUnitName)->flags() & Qt::ItemIsEditable);
        EXPECT_FALSE(g.unitLocked(1));
        EXPECT_EQ(0, g.defaultUnitRow());
        EXPECT_FALSE(e->cbAutoCode()->isEnabled());
        e->setFieldValue(u"costmode"_s, 0);
        script.clearRecords();
        EXPECT_FALSE(e->save());
        EXPECT_EQ(QStringList{u"该商品已经有库存或业务单据，不能修改成本核算方法！"_s},
                  script.messages());
        EXPECT_EQ(2, stored(u"SELECT costmode FROM baseGoods WHERE id = %1"_s.arg(goods)).toInt());
    }
    // The other goods keeps both open.
    std::unique_ptr<TfrmBaseEdit> other(
        client::createBaseEditor(client::base::kindByCode(u"SP"_s), nullptr));
    other->setup({fresh, 0, nullptr});
    EXPECT_TRUE(other->fieldEditor(u"costmode"_s)->isEnabled());
}
TEST_F(BaseEndToEnd, EveryKindMovesARecordDroppedOntoACategory) {
    for (const client::base::BaseKind& kind : client::base::baseKinds()) {
        SCOPED_TRACE(kind.listClass.toStdString());
        script.clearRecords();
        auto w = open(kind.kindCode);
        w->setFocusedRow(-1);
        const qint64 target = withEditor(named(u"MA"_s, u"目标分类"_s), [&] { w->btnAddClick(); });
        w->setFocusedRow(rowOf(*w, u"MA"_s));
        const qint64 child =
            withEditor(named(u"MA1"_s, u"原有记录"_s), [&] { w->btnAddLevelClick(); });
        w->setFocusedRow(-1);
        const qint64 moved = withEditor(named(u"MB"_s, u"移动记录"_s), [&] { w->btnAddClick(); });
        ASSERT_GT(child, 0) << script.messages().join(u'|').toStdString();
        ASSERT_GT(moved, 0) << script.messages().join(u'|').toStdString();
        // The tree offers the category as a drop target.
        ASSERT_FALSE(w->tvCategory()
                         ->findItems(u"目标分类"_s, Qt::MatchExactly | Qt::MatchRecursive)
                         .isEmpty());
        w->dropOnTreeNode(target, {moved});
        EXPECT_EQ(QStringList{}, script.messages());
        EXPECT_EQ(-1, rowOf(*w, u"MB"_s));
        w->treeNodeChosen(target);
        EXPECT_EQ((QStringList{u"MA1"_s, u"MB"_s}), codes(*w));
        EXPECT_EQ(u"目标分类/移动记录"_s,
                  w->rowValue(rowOf(*w, u"MB"_s), u"pathName"_s).toString());
        const QString sql = u"SELECT %1 FROM "_s + kind.recordTable + u" WHERE id = %2"_s;
        EXPECT_EQ(u"%1,%2,"_s.arg(target).arg(moved),
                  stored(sql.arg(u"par_jl"_s).arg(moved)).toString());
        EXPECT_EQ(2, stored(sql.arg(u"sonnum"_s).arg(target)).toInt());
    }
}
TEST_F(BaseEndToEnd, AGoodsPictureIsUploadedAndShownAgain) {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&buffer, "PNG"));
    }
    const QString file = programDir.filePath(u"goods.png"_s);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(png);
    }
    auto w = open(u"SP"_s);
    const qint64 id = withEditor(
        [&](TfrmBaseEdit& e) {
            e.setFieldValue(u"code"_s, u"P1"_s);
            e.setFieldValue(u"fullname"_s, u"带图商品"_s);
            ASSERT_TRUE(static_cast<client::TfrmBaseGoodsSet&>(e).setPictureFile(file));
        },
        [&] { w->btnAddClick(); });
    ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
    EXPECT_EQ(QStringList{}, script.messages());
    const int row = rowOf(*w, u"P1"_s);
    ASSERT_GE(row, 0);
    EXPECT_EQ(u"有"_s, w->rowValue(row, u"YouWuTuPian"_s).toString());
    // Opened again, the editor shows the stored picture.
    std::unique_ptr<TfrmBaseEdit> e(
        client::createBaseEditor(client::base::kindByCode(u"SP"_s), nullptr));
    e->setup({id, 0, nullptr});
    auto& g = static_cast<client::TfrmBaseGoodsSet&>(*e);
    EXPECT_EQ(png, g.picture());
    EXPECT_FALSE(g.pictureChanged());
    // Deleted, the goods says so and the server keeps none.
    g.deletePicture();
    EXPECT_EQ(u"无"_s,
              stored(u"SELECT YouWuTuPian FROM baseGoods WHERE id = %1"_s.arg(id)).toString());
    EXPECT_EQ(QByteArray(), client::TfrmBaseGoodsSet::storedPicture(id));
}

}  // namespace
}  // namespace dyt::test
