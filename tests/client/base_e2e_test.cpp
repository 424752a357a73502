// The base-data list windows and their editors against a real dyt-server: every kind created,
// edited and deleted through the list's commands, levels 4 and 5, stopped records, a goods used
// by a posted purchase, a drag onto another category, a goods picture, the goods selection's
// class expansion, and a screenshot of the goods list with the server's rows.
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QImage>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <functional>

#include "../server/posting_packets.h"
#include "client/base/frmbaseedit.h"
#include "client/base/frmbasegoodsset.h"
#include "client/base/frmbaselist.h"
#include "client/bills/selectgoods.h"
#include "client/logic/clientconfig.h"
#include "client/common/frmbase.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "server_support.h"
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
        client::TfrmBase::setProgramFolder(dir.path());
        savedOpener = TfrmBaseList::editorOpener();
        // The list's commands open the real editor; the script fills it and it saves.
        TfrmBaseList::editorOpener() = [this](const client::base::BaseKind& kind,
                                              const client::EditorRequest& request, QWidget*) {
            std::unique_ptr<TfrmBaseEdit> editor(client::CreateBaseEditor(kind, nullptr));
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
            if (w.rowValue(r, QStringLiteral("code")).toString().trimmed() == code)
                return r;
        }
        return -1;
    }
    static QStringList codes(const TfrmBaseList& w) {
        QStringList out;
        for (int r = 0; r < w.model()->rowCount(); ++r)
            out.append(w.rowValue(r, QStringLiteral("code")).toString().trimmed());
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
            e.setFieldValue(QStringLiteral("code"), code);
            e.setFieldValue(QStringLiteral("fullname"), name);
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
        const QString cat = QStringLiteral("T%1").arg(kind.kindCode);
        const QString leaf = cat + QStringLiteral("01");

        // A new top-level record, then a record below it: the first becomes a category.
        w->setFocusedRow(-1);
        const qint64 catId =
            withEditor(named(cat, QStringLiteral("测试分类")), [&] { w->btnAddClick(); });
        ASSERT_GT(catId, 0) << script.messages().join(u'|').toStdString();
        int row = rowOf(*w, cat);
        ASSERT_GE(row, 0) << codes(*w).join(u',').toStdString();
        EXPECT_EQ(catId, w->rowValue(row, QStringLiteral("id")).toLongLong());
        w->setFocusedRow(row);
        const qint64 leafId =
            withEditor(named(leaf, QStringLiteral("测试记录")), [&] { w->btnAddLevelClick(); });
        ASSERT_GT(leafId, 0) << script.messages().join(u'|').toStdString();
        EXPECT_EQ(catId, lastParent);
        row = rowOf(*w, cat);
        ASSERT_GE(row, 0);
        EXPECT_EQ(1, w->rowValue(row, QStringLiteral("sonnum")).toLongLong());
        // The category's node is in the tree.
        EXPECT_FALSE(
            w->tvCategory()
                ->findItems(QStringLiteral("测试分类"), Qt::MatchContains | Qt::MatchRecursive)
                .isEmpty());

        // Into the category: the record with its path; edit it.
        w->enterCategory(row);
        ASSERT_EQ(QStringList{leaf}, codes(*w));
        EXPECT_EQ(QStringLiteral("测试分类/测试记录"),
                  w->rowValue(0, QStringLiteral("pathName")).toString());
        EXPECT_EQ(QStringLiteral("CSJL"), w->rowValue(0, QStringLiteral("pym")).toString());
        w->setFocusedRow(0);
        const qint64 edited = withEditor(
            [](TfrmBaseEdit& e) {
                EXPECT_EQ(QStringLiteral("测试记录"), e.fieldValue(QStringLiteral("fullname")));
                e.setFieldValue(QStringLiteral("fullname"), QStringLiteral("改过的记录"));
                e.fullNameLeft();
            },
            [&] { w->btnUpdateClick(); });
        EXPECT_EQ(leafId, edited);
        ASSERT_EQ(0, rowOf(*w, leaf));
        EXPECT_EQ(QStringLiteral("改过的记录"),
                  w->rowValue(0, QStringLiteral("fullname")).toString());
        EXPECT_EQ(QStringLiteral("GGDJL"), w->rowValue(0, QStringLiteral("pym")).toString());

        // Deleting the only record of the level goes back up; the category is a leaf again.
        script.answer(QStringLiteral("确定(&O)"), QStringLiteral("您确定要删除选中的数据吗？"));
        w->btnDelClick();
        EXPECT_EQ(0, w->state().parentId);
        EXPECT_EQ(-1, rowOf(*w, leaf));
        row = rowOf(*w, cat);
        ASSERT_GE(row, 0);
        EXPECT_EQ(0, w->rowValue(row, QStringLiteral("sonnum")).toLongLong());
        EXPECT_EQ(1, stored(QStringLiteral("SELECT del FROM %1 WHERE id = %2")
                                .arg(kind.recordTable)
                                .arg(leafId))
                         .toLongLong());
        // And the former category goes too.
        w->setFocusedRow(row);
        script.answer(QStringLiteral("确定(&O)"));
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
                        case client::base::EditKind::Text:
                        case client::base::EditKind::Memo:
                            v = QStringLiteral("值%1'").arg(n);
                            break;
                        case client::base::EditKind::Check:
                            v = f.name.compare(QLatin1String("isstop"), Qt::CaseInsensitive) == 0
                                    ? 0
                                    : 1;
                            break;
                        case client::base::EditKind::Date:
                            v = QStringLiteral("2024-05-%1").arg(n, 2, 10, QLatin1Char('0'));
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
                    e.setFieldValue(QStringLiteral("yftotal00"), 0);
                    e.setFieldValue(QStringLiteral("yufuTotal00"), 0);
                }
                if (kind.kindCode == u"SP")
                    e.setFieldValue(QStringLiteral("warnUP"), 100);
                for (const client::base::EditField& f : kind.fields) {
                    if (f.kind != client::base::EditKind::Picker)
                        sent.insert(f.name, e.fieldValue(f.name));
                }
            },
            [&] { w->btnAddClick(); });
        ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
        std::unique_ptr<TfrmBaseEdit> e(client::CreateBaseEditor(kind, nullptr));
        e->setup({id, 0, nullptr});
        for (auto it = sent.cbegin(); it != sent.cend(); ++it) {
            SCOPED_TRACE(it.key().toStdString());
            EXPECT_EQ(it.value(), e->fieldValue(it.key()));
        }
        // The list's columns.
        const int row = rowOf(*w, e->fieldValue(QStringLiteral("code")));
        ASSERT_GE(row, 0);
        if (kind.listSql.isEmpty()) {
            RecordSet rows;
            ParamList params = client::base::listParams(kind, w->state(), 1);
            dm->ExecProcQuery(kind.listProcedure, params, &rows);
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
    auto w = open(QStringLiteral("SP"));
    const auto fullNameOnly = [](const QString& name) {
        return [name](TfrmBaseEdit& e) {
            e.setFieldValue(QStringLiteral("fullname"), name);
            e.fullNameLeft();
        };
    };
    // "自动编号" is ticked: the codes come from fnGetBaseAutoCode below the parent.
    ASSERT_TRUE(TfrmBaseEdit::autoCodeState());
    const qint64 drinks =
        withEditor(fullNameOnly(QStringLiteral("饮料")), [&] { w->btnAddClick(); });
    const qint64 single =
        withEditor(fullNameOnly(QStringLiteral("散装糖")), [&] { w->btnAddClick(); });
    ASSERT_GT(drinks, 0) << script.messages().join(u'|').toStdString();
    ASSERT_GT(single, 0);
    EXPECT_EQ((QStringList{QStringLiteral("001"), QStringLiteral("002")}), codes(*w));
    w->setFocusedRow(rowOf(*w, QStringLiteral("001")));
    const qint64 cola = withEditor(
        [](TfrmBaseEdit& e) {
            e.setFieldValue(QStringLiteral("fullname"), QStringLiteral("可乐"));
            e.setFieldValue(QStringLiteral("gg"), QStringLiteral("330ml"));
            static_cast<client::TfrmBaseGoodsSet&>(e)
                .unitGrid()
                ->item(0, client::kUnitName)
                ->setText(QStringLiteral("罐"));
        },
        [&] { w->btnAddLevelClick(); });
    w->enterCategory(rowOf(*w, QStringLiteral("001")));
    ASSERT_EQ(QStringList{QStringLiteral("001001")}, codes(*w));

    // Copy add: the source's fields and units, a new code, the same category.
    w->setFocusedRow(0);
    const qint64 copy = withEditor(
        [](TfrmBaseEdit& e) {
            EXPECT_EQ(QStringLiteral("330ml"), e.fieldValue(QStringLiteral("gg")));
            e.setFieldValue(QStringLiteral("fullname"), QStringLiteral("雪碧"));
            e.fullNameLeft();
        },
        [&] { w->btncopyAddClick(); });
    ASSERT_GT(copy, cola) << script.messages().join(u'|').toStdString();
    EXPECT_EQ(drinks, lastParent);
    ASSERT_EQ((QStringList{QStringLiteral("001001"), QStringLiteral("001002")}), codes(*w));
    EXPECT_EQ(QStringLiteral("330ml"), w->rowValue(1, QStringLiteral("gg")).toString());
    EXPECT_EQ(QStringLiteral("罐"), w->rowValue(1, QStringLiteral("unitName")).toString());
    EXPECT_EQ(QStringLiteral("罐"), w->rowValue(0, QStringLiteral("unitName")).toString());
    EXPECT_EQ(2, stored(QStringLiteral("SELECT COUNT(*) FROM baseGoodsUnit WHERE Goodsid IN (%1, "
                                       "%2)")
                            .arg(cola)
                            .arg(copy))
                     .toInt());

    // Row order: the second row moved up stays first after a reload.
    w->setFocusedRow(1);
    w->btnUpClick();
    w->loadList();
    EXPECT_EQ((QStringList{QStringLiteral("001002"), QStringLiteral("001001")}), codes(*w));

    // Quick search over every level, by name, pinyin and code; a quote finds nothing.
    struct Search {
        const char* text;
        QStringList codes;
    };
    const Search searches[] = {
        {"雪", {QStringLiteral("001002")}},
        {"kl", {QStringLiteral("001001")}},
        {"00",
         {QStringLiteral("001"), QStringLiteral("001001"), QStringLiteral("001002"),
          QStringLiteral("002")}},
        {"x'y", {}},
    };
    for (const Search& q : searches) {
        SCOPED_TRACE(q.text);
        w->edSearch()->setText(QString::fromUtf8(q.text));
        w->searchClick();
        EXPECT_EQ(q.codes, codes(*w));
    }
    w->edSearch()->clear();
    w->searchClick();
    EXPECT_EQ((QStringList{QStringLiteral("001002"), QStringLiteral("001001")}), codes(*w));

    // The whole list, then the list of one category.
    w->goUp();
    w->loadList();
    w->setFocusedRow(rowOf(*w, QStringLiteral("001")));
    script.answer(QStringLiteral("全部列表"));
    w->btnListClick();
    EXPECT_EQ(
        (QStringList{QStringLiteral("001001"), QStringLiteral("001002"), QStringLiteral("002")}),
        codes(*w));
    w->btnListClick();  // back to the levels
    EXPECT_EQ((QStringList{QStringLiteral("001"), QStringLiteral("002")}), codes(*w));
    w->setFocusedRow(rowOf(*w, QStringLiteral("001")));
    script.answer(QStringLiteral("部分列表(饮料)"));
    w->btnListClick();
    EXPECT_EQ((QStringList{QStringLiteral("001001"), QStringLiteral("001002")}), codes(*w));
    EXPECT_EQ(QStringList{}, script.messages());
}

// The system's own rows arrive marked, so the list refuses them before the server would.
TEST_F(BaseEndToEnd, SystemRowsOfEmployeesAndAccountsAreRefused) {
    struct Case {
        const char* kind;
        const char* field;
        long long systemValue;
        const char* message;
    };
    const Case cases[] = {
        {"ZY", "candel", 0, "系统默认操作员，不能被修改、删除和分类!"},
        {"KM", "sysrow", 1, "系统行不能新增或修改！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        auto w = open(QLatin1String(c.kind));
        int row = -1;
        for (int r = 0; r < w->model()->rowCount() && row < 0; ++r) {
            const QVariant v = w->rowValue(r, QLatin1String(c.field));
            if (!v.isNull() && v.toString() != u"" && v.toLongLong() == c.systemValue)
                row = r;
        }
        ASSERT_GE(row, 0) << codes(*w).join(u',').toStdString();
        w->setFocusedRow(row);
        script.clearRecords();
        EXPECT_EQ(0, withEditor(named(QStringLiteral("X"), QStringLiteral("X")),
                                [&] { w->btnUpdateClick(); }));
        EXPECT_EQ(QStringList{QString::fromUtf8(c.message)}, script.messages());
    }
}

// A record chosen in a picker is stored by id and shown by name when the editor opens again.
TEST_F(BaseEndToEnd, PickedRecordsComeBackWithTheirNames) {
    auto bm = open(QStringLiteral("BM"));
    const qint64 dep = withEditor(named(QStringLiteral("B1"), QStringLiteral("销售部")),
                                  [&] { bm->btnAddClick(); });
    auto dq = open(QStringLiteral("DQ"));
    const qint64 area =
        withEditor(named(QStringLiteral("D1"), QStringLiteral("华东")), [&] { dq->btnAddClick(); });
    ASSERT_GT(dep, 0);
    ASSERT_GT(area, 0);
    struct Case {
        const char* kind;
        const char* field;
        qint64 id;
        const char* name;
    };
    const Case cases[] = {
        {"ZY", "depid", dep, "销售部"},
        {"WLDW", "Areaid", area, "华东"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        auto w = open(QLatin1String(c.kind));
        const qint64 id = withEditor(
            [&](TfrmBaseEdit& e) {
                e.setFieldValue(QStringLiteral("code"), QStringLiteral("P-%1").arg(c.id));
                e.setFieldValue(QStringLiteral("fullname"), QStringLiteral("带引用"));
                e.setFieldValue(QLatin1String(c.field), c.id, QString::fromUtf8(c.name));
            },
            [&] { w->btnAddClick(); });
        ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
        std::unique_ptr<TfrmBaseEdit> e(
            client::CreateBaseEditor(client::base::kindByCode(QLatin1String(c.kind)), nullptr));
        e->setup({id, 0, nullptr});
        EXPECT_EQ(QString::number(c.id), e->fieldValue(QLatin1String(c.field)));
        auto* shown = qobject_cast<QLineEdit*>(e->fieldEditor(QLatin1String(c.field)));
        ASSERT_NE(nullptr, shown);
        EXPECT_EQ(QString::fromUtf8(c.name), shown->text());
    }
}

TEST_F(BaseEndToEnd, LevelFourTakesAChildLevelFiveRefusesOne) {
    auto w = open(QStringLiteral("SP"));
    qint64 parent = 0;
    for (int level = 1; level <= 5; ++level) {
        SCOPED_TRACE(level);
        const QString code = QStringLiteral("L%1").arg(level);
        const int focus = codes(*w).isEmpty() ? -1 : 0;
        w->setFocusedRow(focus);
        const qint64 id = withEditor(named(code, QStringLiteral("第%1级").arg(level)), [&] {
            if (focus < 0)
                w->btnAddClick();
            else
                w->btnAddLevelClick();
        });
        ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
        EXPECT_EQ(parent, lastParent);
        EXPECT_EQ(
            level,
            stored(QStringLiteral("SELECT leveal FROM baseGoods WHERE id = %1").arg(id)).toInt());
        parent = id;
        if (level > 1)
            w->enterCategory(0);  // the row just made a category
        ASSERT_EQ(QStringList{code}, codes(*w));
    }
    // The record of level 5 takes no child: refused before any editor opens.
    w->setFocusedRow(0);
    EXPECT_EQ(0, withEditor(named(QStringLiteral("L6"), QStringLiteral("第6级")),
                            [&] { w->btnAddLevelClick(); }));
    EXPECT_EQ(QStringList{QStringLiteral("系统最大支持5级，不能再增加下级")}, script.messages());
    EXPECT_FALSE(stored(QStringLiteral("SELECT id FROM baseGoods WHERE code = 'L6'")).isValid());
}

TEST_F(BaseEndToEnd, AStoppedRecordIsHiddenUntilIncluded) {
    for (const char* code : {"SP", "CK", "WLDW"}) {
        SCOPED_TRACE(code);
        auto w = open(QLatin1String(code));
        const qint64 id = withEditor(
            [](TfrmBaseEdit& e) {
                e.setFieldValue(QStringLiteral("code"), QStringLiteral("C'9"));
                e.setFieldValue(QStringLiteral("fullname"), QStringLiteral("停用的记录"));
                e.setFieldValue(QStringLiteral("isstop"), 1);
            },
            [&] { w->btnAddClick(); });
        ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
        EXPECT_EQ(-1, rowOf(*w, QStringLiteral("C'9")));
        w->cbIncludeStopped()->setChecked(true);
        w->includeStoppedClick();
        const int row = rowOf(*w, QStringLiteral("C'9"));
        ASSERT_GE(row, 0);
        EXPECT_EQ(id, w->rowValue(row, QStringLiteral("id")).toLongLong());
        EXPECT_EQ(QStringLiteral("是"), w->rowValue(row, QStringLiteral("stopName")).toString());
        w->cbIncludeStopped()->setChecked(false);
        w->includeStoppedClick();
        EXPECT_EQ(-1, rowOf(*w, QStringLiteral("C'9")));
    }
    // Departments have no stopped records: no box to include them.
    EXPECT_TRUE(open(QStringLiteral("BM"))->cbIncludeStopped()->isHidden());
}

TEST_F(BaseEndToEnd, GoodsOfAPostedPurchaseKeepsItsCostMethodAndIsNotDeleted) {
    // The records the purchase needs, entered through their windows.
    auto ck = open(QStringLiteral("CK"));
    const qint64 warehouse = withEditor(named(QStringLiteral("CK1"), QStringLiteral("总仓")),
                                        [&] { ck->btnAddClick(); });
    auto dw = open(QStringLiteral("WLDW"));
    const qint64 supplier = withEditor(named(QStringLiteral("G1"), QStringLiteral("供应商甲")),
                                       [&] { dw->btnAddClick(); });
    auto goodsList = open(QStringLiteral("SP"));
    const qint64 goods = withEditor(
        [](TfrmBaseEdit& e) {
            e.setFieldValue(QStringLiteral("code"), QStringLiteral("SP1"));
            e.setFieldValue(QStringLiteral("fullname"), QStringLiteral("螺丝"));
            e.setFieldValue(QStringLiteral("costmode"), 2);
            auto& g = static_cast<client::TfrmBaseGoodsSet&>(e);
            g.unitGrid()->item(0, client::kUnitName)->setText(QStringLiteral("个"));
            g.unitGrid()->item(0, client::kUnitPrice)->setText(QStringLiteral("3.5"));
        },
        [&] { goodsList->btnAddClick(); });
    const qint64 fresh = withEditor(named(QStringLiteral("SP2"), QStringLiteral("垫片")),
                                    [&] { goodsList->btnAddClick(); });
    ASSERT_GT(warehouse, 0);
    ASSERT_GT(supplier, 0);
    ASSERT_GT(goods, 0) << script.messages().join(u'|').toStdString();
    ASSERT_GT(fresh, 0);
    EXPECT_EQ(QStringLiteral("个"),
              stored(QStringLiteral("SELECT unit FROM baseGoodsUnit WHERE Goodsid = %1 AND "
                                    "fzdwid = 0")
                         .arg(goods))
                  .toString());

    // A new goods lets its cost method and type change.
    {
        std::unique_ptr<TfrmBaseEdit> e(
            client::CreateBaseEditor(client::base::kindByCode(QStringLiteral("SP")), nullptr));
        e->setup({goods, 0, nullptr});
        EXPECT_TRUE(e->fieldEditor(QStringLiteral("costmode"))->isEnabled());
        EXPECT_TRUE(e->fieldEditor(QStringLiteral("spType"))->isEnabled());
        EXPECT_EQ(QStringLiteral("2"), e->fieldValue(QStringLiteral("costmode")));
        EXPECT_FALSE(static_cast<client::TfrmBaseGoodsSet&>(*e).unitLocked(0));
    }

    // Open the account set and post a purchase of the goods.
    ParamList open;
    open.setValue(QStringLiteral("type"), QStringLiteral("0"));
    open.setValue(QStringLiteral("Date"), QStringLiteral("2025-01-01"));
    ASSERT_EQ(0, dm->ExecProc(QStringLiteral("P_SYS_UP_Open"), open));
    server::test::GoodsBill bill;
    bill.djType = 5;
    bill.date = QStringLiteral("2025-02-03");
    bill.code = QStringLiteral("JH-1");
    bill.partner = supplier;
    bill.intoStock = warehouse;
    bill.lines = {{.goods = goods, .qty = 10, .price = 2}};
    ParamList header = server::test::goodsBillParams(bill);
    header.setValue(QStringLiteral("jsr_id"), QString());
    header.setValue(QStringLiteral("dep_id"), QString());
    RecordSet lines = server::test::goodsLinesPacket(bill);
    // The line's unit is the unit slot as the goods selection hands it over: the base unit.
    lines.setAt(0, lines.fieldIndex(QStringLiteral("unitid")), QStringLiteral("0"));
    const RecordSet accounts = server::test::accountPacket({});
    dm->ExecService(QStringLiteral("QMXService"), QStringLiteral("SaveToDB"), header, &lines,
                    &accounts);
    ASSERT_EQ(1, stored(QStringLiteral("SELECT COUNT(*) FROM djList WHERE goodsid = %1 AND "
                                       "dj_state <> 0")
                            .arg(goods))
                     .toLongLong())
        << script.messages().join(u'|').toStdString();

    // The delete is refused by the server and shown; the goods stays.
    goodsList->reloadAll();
    const int row = rowOf(*goodsList, QStringLiteral("SP1"));
    ASSERT_GE(row, 0);
    goodsList->setFocusedRow(row);
    script.clearRecords();
    script.answer(QStringLiteral("确定(&O)"));
    goodsList->btnDelClick();
    EXPECT_EQ(QStringList{QStringLiteral("商品[螺丝]已经被单据使用，不能删除！")},
              script.messages());
    EXPECT_EQ(row, rowOf(*goodsList, QStringLiteral("SP1")));

    // The supplier and the warehouse of the bill are refused the same way.
    struct Refusal {
        TfrmBaseList* list;
        const char* code;
        const char* message;
    };
    dw->reloadAll();
    ck->reloadAll();
    const Refusal refusals[] = {
        {dw.get(), "G1", "往来单位[供应商甲]已经被单据使用，不能删除！"},
        {ck.get(), "CK1", "仓库[总仓]已经被单据使用，不能删除！"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.code);
        const int at = rowOf(*r.list, QLatin1String(r.code));
        ASSERT_GE(at, 0);
        r.list->setFocusedRow(at);
        script.clearRecords();
        script.answer(QStringLiteral("确定(&O)"));
        r.list->btnDelClick();
        EXPECT_EQ(QStringList{QString::fromUtf8(r.message)}, script.messages());
        EXPECT_EQ(at, rowOf(*r.list, QLatin1String(r.code)));
    }

    // The editor locks cost method and goods type; the server refuses a change sent anyway.
    {
        std::unique_ptr<TfrmBaseEdit> e(
            client::CreateBaseEditor(client::base::kindByCode(QStringLiteral("SP")), nullptr));
        e->setup({goods, 0, nullptr});
        EXPECT_FALSE(e->fieldEditor(QStringLiteral("costmode"))->isEnabled());
        EXPECT_FALSE(e->fieldEditor(QStringLiteral("spType"))->isEnabled());
        EXPECT_TRUE(static_cast<client::TfrmBaseGoodsSet&>(*e).unitLocked(0));
        EXPECT_FALSE(static_cast<client::TfrmBaseGoodsSet&>(*e).unitLocked(1));
        e->setFieldValue(QStringLiteral("costmode"), 0);
        script.clearRecords();
        EXPECT_FALSE(e->save());
        EXPECT_EQ(QStringList{QStringLiteral("该商品已经有库存或业务单据，不能修改成本核算方法！")},
                  script.messages());
        EXPECT_EQ(2,
                  stored(QStringLiteral("SELECT costmode FROM baseGoods WHERE id = %1").arg(goods))
                      .toInt());
    }
    // The other goods keeps both open.
    std::unique_ptr<TfrmBaseEdit> other(
        client::CreateBaseEditor(client::base::kindByCode(QStringLiteral("SP")), nullptr));
    other->setup({fresh, 0, nullptr});
    EXPECT_TRUE(other->fieldEditor(QStringLiteral("costmode"))->isEnabled());
}

TEST_F(BaseEndToEnd, RowsDraggedOntoAnotherCategoryMove) {
    auto w = open(QStringLiteral("SP"));
    const qint64 a =
        withEditor(named(QStringLiteral("A"), QStringLiteral("甲类")), [&] { w->btnAddClick(); });
    const qint64 b =
        withEditor(named(QStringLiteral("B"), QStringLiteral("乙类")), [&] { w->btnAddClick(); });
    w->setFocusedRow(rowOf(*w, QStringLiteral("A")));
    const qint64 g1 = withEditor(named(QStringLiteral("A1"), QStringLiteral("甲一")),
                                 [&] { w->btnAddLevelClick(); });
    w->setFocusedRow(rowOf(*w, QStringLiteral("B")));
    const qint64 keep = withEditor(named(QStringLiteral("B1"), QStringLiteral("乙一")),
                                   [&] { w->btnAddLevelClick(); });
    w->enterCategory(rowOf(*w, QStringLiteral("A")));
    w->setFocusedRow(0);
    const qint64 g2 =
        withEditor(named(QStringLiteral("A2"), QStringLiteral("甲二")), [&] { w->btnAddClick(); });
    ASSERT_GT(a, 0);
    ASSERT_GT(keep, 0);
    ASSERT_GT(g2, 0) << script.messages().join(u'|').toStdString();
    ASSERT_EQ((QStringList{QStringLiteral("A1"), QStringLiteral("A2")}), codes(*w));

    w->dropOnTreeNode(b, {g1, g2});
    EXPECT_EQ(QStringList{}, script.messages());
    EXPECT_EQ(QStringList{}, codes(*w));  // category A is empty now
    w->treeNodeChosen(b);
    EXPECT_EQ((QStringList{QStringLiteral("B1"), QStringLiteral("A1"), QStringLiteral("A2")}),
              codes(*w));
    EXPECT_EQ(QStringLiteral("乙类/甲一"), w->rowValue(1, QStringLiteral("pathName")).toString());
    EXPECT_EQ(
        QStringLiteral("%1,%2,").arg(b).arg(g1),
        stored(QStringLiteral("SELECT par_jl FROM baseGoods WHERE id = %1").arg(g1)).toString());
    EXPECT_EQ(3,
              stored(QStringLiteral("SELECT sonnum FROM baseGoods WHERE id = %1").arg(b)).toInt());
    EXPECT_EQ(0,
              stored(QStringLiteral("SELECT sonnum FROM baseGoods WHERE id = %1").arg(a)).toInt());
}

TEST_F(BaseEndToEnd, EveryKindMovesARecordDroppedOntoACategory) {
    for (const client::base::BaseKind& kind : client::base::baseKinds()) {
        SCOPED_TRACE(kind.listClass.toStdString());
        script.clearRecords();
        auto w = open(kind.kindCode);
        w->setFocusedRow(-1);
        const qint64 target = withEditor(named(QStringLiteral("MA"), QStringLiteral("目标分类")),
                                         [&] { w->btnAddClick(); });
        w->setFocusedRow(rowOf(*w, QStringLiteral("MA")));
        const qint64 child = withEditor(named(QStringLiteral("MA1"), QStringLiteral("原有记录")),
                                        [&] { w->btnAddLevelClick(); });
        w->setFocusedRow(-1);
        const qint64 moved = withEditor(named(QStringLiteral("MB"), QStringLiteral("移动记录")),
                                        [&] { w->btnAddClick(); });
        ASSERT_GT(child, 0) << script.messages().join(u'|').toStdString();
        ASSERT_GT(moved, 0) << script.messages().join(u'|').toStdString();
        // The tree offers the category as a drop target.
        ASSERT_FALSE(
            w->tvCategory()
                ->findItems(QStringLiteral("目标分类"), Qt::MatchExactly | Qt::MatchRecursive)
                .isEmpty());
        w->dropOnTreeNode(target, {moved});
        EXPECT_EQ(QStringList{}, script.messages());
        EXPECT_EQ(-1, rowOf(*w, QStringLiteral("MB")));
        w->treeNodeChosen(target);
        EXPECT_EQ((QStringList{QStringLiteral("MA1"), QStringLiteral("MB")}), codes(*w));
        EXPECT_EQ(
            QStringLiteral("目标分类/移动记录"),
            w->rowValue(rowOf(*w, QStringLiteral("MB")), QStringLiteral("pathName")).toString());
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
    const QString file = dir.filePath(QStringLiteral("goods.png"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(png);
    }
    auto w = open(QStringLiteral("SP"));
    const qint64 id = withEditor(
        [&](TfrmBaseEdit& e) {
            e.setFieldValue(QStringLiteral("code"), QStringLiteral("P1"));
            e.setFieldValue(QStringLiteral("fullname"), QStringLiteral("带图商品"));
            ASSERT_TRUE(static_cast<client::TfrmBaseGoodsSet&>(e).setPictureFile(file));
        },
        [&] { w->btnAddClick(); });
    ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
    EXPECT_EQ(QStringList{}, script.messages());
    const int row = rowOf(*w, QStringLiteral("P1"));
    ASSERT_GE(row, 0);
    EXPECT_EQ(QStringLiteral("有"), w->rowValue(row, QStringLiteral("YouWuTuPian")).toString());

    // Opened again, the editor shows the stored picture.
    std::unique_ptr<TfrmBaseEdit> e(
        client::CreateBaseEditor(client::base::kindByCode(QStringLiteral("SP")), nullptr));
    e->setup({id, 0, nullptr});
    auto& g = static_cast<client::TfrmBaseGoodsSet&>(*e);
    EXPECT_EQ(png, g.picture());
    EXPECT_FALSE(g.pictureChanged());

    // Deleted, the goods says so and the server keeps none.
    g.deletePicture();
    EXPECT_EQ(QStringLiteral("无"),
              stored(QStringLiteral("SELECT YouWuTuPian FROM baseGoods WHERE id = %1").arg(id))
                  .toString());
    EXPECT_EQ(QByteArray(), client::TfrmBaseGoodsSet::storedPicture(id));
}

TEST_F(BaseEndToEnd, AMarkedClassOfTheGoodsSelectionAddsItsGoods) {
    auto w = open(QStringLiteral("SP"));
    const qint64 cls =
        withEditor(named(QStringLiteral("01"), QStringLiteral("饮料")), [&] { w->btnAddClick(); });
    w->setFocusedRow(rowOf(*w, QStringLiteral("01")));
    const qint64 cola = withEditor(named(QStringLiteral("0101"), QStringLiteral("可乐")),
                                   [&] { w->btnAddLevelClick(); });
    w->enterCategory(rowOf(*w, QStringLiteral("01")));
    w->setFocusedRow(0);
    const qint64 tea = withEditor(named(QStringLiteral("0102"), QStringLiteral("绿茶")),
                                  [&] { w->btnAddClick(); });
    ASSERT_GT(cls, 0);
    ASSERT_GT(cola, 0);
    ASSERT_GT(tea, 0);

    QList<client::SelectedGoods> bill;
    client::GoodsTarget target;
    target.lineOf = [](qint64, qint64) { return 0; };
    target.add = [&bill](const client::SelectedGoods& g) { bill.append(g); };
    client::GoodsSelection selection(target, 1, 0, 0);
    selection.runQuery();
    ASSERT_EQ(1, selection.rows().rowCount());
    selection.setMarked(0, true);
    EXPECT_EQ(2, selection.addChosen());
    ASSERT_EQ(2, bill.size());
    EXPECT_EQ(cola, bill[0].goodsId);
    EXPECT_EQ(tea, bill[1].goodsId);
    EXPECT_EQ(QStringLiteral("绿茶"), bill[1].name);
}

TEST_F(BaseEndToEnd, GoodsListScreenshotWithServerRowsAndTree) {
    auto w = open(QStringLiteral("SP"));
    const QStringList classes = {QStringLiteral("食品"), QStringLiteral("饮料"),
                                 QStringLiteral("日用品")};
    for (int i = 0; i < classes.size(); ++i) {
        w->setFocusedRow(-1);
        withEditor(named(QStringLiteral("0%1").arg(i + 1), classes[i]), [&] { w->btnAddClick(); });
    }
    const QStringList drinks = {QStringLiteral("可口可乐"), QStringLiteral("雪碧"),
                                QStringLiteral("康师傅绿茶"), QStringLiteral("农夫山泉")};
    w->setFocusedRow(rowOf(*w, QStringLiteral("02")));
    withEditor(named(QStringLiteral("0201"), drinks[0]), [&] { w->btnAddLevelClick(); });
    w->enterCategory(rowOf(*w, QStringLiteral("02")));
    for (int i = 1; i < drinks.size(); ++i) {
        w->setFocusedRow(0);
        withEditor(
            [&](TfrmBaseEdit& e) {
                e.setFieldValue(QStringLiteral("code"), QStringLiteral("020%1").arg(i + 1));
                e.setFieldValue(QStringLiteral("fullname"), drinks[i]);
                e.fullNameLeft();
                e.setFieldValue(QStringLiteral("gg"), QStringLiteral("500ml"));
                static_cast<client::TfrmBaseGoodsSet&>(e)
                    .unitGrid()
                    ->item(0, client::kUnitName)
                    ->setText(QStringLiteral("瓶"));
            },
            [&] { w->btnAddClick(); });
    }
    ASSERT_EQ(4, w->model()->rowCount()) << script.messages().join(u'|').toStdString();
    // A nested category below 食品 for the tree.
    w->goUp();
    w->loadList();
    w->setFocusedRow(rowOf(*w, QStringLiteral("01")));
    withEditor(named(QStringLiteral("0101"), QStringLiteral("饼干")),
               [&] { w->btnAddLevelClick(); });
    w->enterCategory(rowOf(*w, QStringLiteral("01")));
    w->setFocusedRow(0);
    withEditor(named(QStringLiteral("010101"), QStringLiteral("奥利奥饼干")),
               [&] { w->btnAddLevelClick(); });
    w->treeNodeChosen(
        stored(QStringLiteral("SELECT id FROM baseGoods WHERE code = '02'")).toLongLong());
    EXPECT_EQ(
        QStringLiteral("瓶"),
        w->rowValue(rowOf(*w, QStringLiteral("0202")), QStringLiteral("unitName")).toString());
    w->resize(1100, 420);
    w->show();
    w->reloadAll();
    QApplication::processEvents();
    for (const char* node : {"食品", "饼干", "饮料"}) {
        EXPECT_FALSE(w->tvCategory()
                         ->findItems(QString::fromUtf8(node), Qt::MatchExactly | Qt::MatchRecursive)
                         .isEmpty())
            << node;
    }
    EXPECT_EQ(4, w->model()->rowCount());
    EXPECT_FALSE(saveScreenshot(w.get(), QStringLiteral("base_goods_list_server")).isEmpty());
    w->close();
}

}  // namespace
}  // namespace dyt::test
