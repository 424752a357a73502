// The record, batch and unit selections against the recording transport.
#include <QSet>

#include "client/bills/selectbase.h"
#include "client/bills/selectgoodsfzxx.h"
#include "client/bills/selectgoodspc.h"
#include "client/bills/selectionservices.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "dmtest_support.h"
#include "support/testutil.h"

namespace dyt::test {
namespace {

using client::baseFilterCondition;
using client::FindBaseKind;
using client::sqlContainsLiteral;

TEST(SelectBasePattern, OperatorTextIsQuotedAndItsWildcardsEscaped) {
    struct Case {
        const char* text;
        const char* literal;
    };
    const Case cases[] = {{"abc", "'%abc%'"},     {"O'Hara", "'%O''Hara%'"}, {"''", "'%''''%'"},
                          {"100%", "'%100\\%%'"}, {"a_b", "'%a\\_b%'"},      {"c:\\d", "'%c:\\\\d%'"},
                          {"x' or 1=1 --", "'%x'' or 1=1 --%'"}};
    for (const Case& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.literal), sqlContainsLiteral(QString::fromUtf8(c.text)))
            << c.text;
}
TEST(SelectBasePattern, ConditionLooksAtPinyinCodeAndName) {
    const auto area = FindBaseKind(u"area"_s);
    ASSERT_TRUE(area.has_value());
    EXPECT_EQ(QString(), baseFilterCondition(*area, u"  "_s));
    // What an area text finds on a real server: select_e2e. Kinds without pinyin look at code and
    // name only; accounts at the joined table's columns.
    const auto wb = FindBaseKind(u"WB"_s);
    ASSERT_TRUE(wb.has_value());
    EXPECT_EQ(QStringLiteral(" and ((Lower(code) like '%r%' escape '\\') or (Name like '%r%' "
                             "escape '\\'))"),
              baseFilterCondition(*wb, u"r"_s));
    const auto fkkm = FindBaseKind(u"fkkm"_s);
    ASSERT_TRUE(fkkm.has_value());
    EXPECT_TRUE(baseFilterCondition(*fkkm, u"x"_s).startsWith(u" and ((Lower(b.pym) like"_s));
}
TEST(SelectBaseKinds, EveryKindNameHasADataSource) {
    const QStringList names = client::baseKindNames();
    EXPECT_EQ(names.size(), QSet<QString>(names.begin(), names.end()).size());  // no name twice
    const QStringList procTypes = {u"BM"_s, u"ZY"_s, u"CK"_s,  u"WLDW"_s,
                                   u"XM"_s, u"KM"_s, u"CZY"_s, u"SP"_s};
    for (const QString& n : names) {
        SCOPED_TRACE(n.toStdString());
        const auto k = FindBaseKind(n);
        ASSERT_TRUE(k.has_value());
        EXPECT_NE(k->sql.isEmpty(), k->queryType.isEmpty());
        if (k->sql.isEmpty()) {
            EXPECT_TRUE(procTypes.contains(k->queryType));
            EXPECT_FALSE(k->filterLine.isEmpty());
        }
        EXPECT_FALSE(k->idField.isEmpty());
        EXPECT_FALSE(k->nameField.isEmpty());
    }
    EXPECT_FALSE(FindBaseKind(u"nosuch"_s).has_value());
    EXPECT_EQ(u"未知的选择类型[nosuch]"_s, errorOf([] { client::RecordSelection s(u"nosuch"_s); }));
}
class SelectBaseCalls : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        // No cache and no stored layouts behind the windows; single tests put in their own.
        client::selectionServices() = {};
        connectLoggedIn(7);
    }
    void TearDown() override {
        client::resetSelectionServices();
        DmFixture::TearDown();
    }
    static RecordSet baseRows(const QList<QStringList>& rows) {
        RecordSet rs = recordSet({u"id:integer"_s, u"code"_s, u"fullname"_s, u"pym"_s});
        for (const QStringList& r : rows)
            rs.appendRow({r[0].toLongLong(), r[1], r[2], r[3]});
        return rs;
    }
    const client::RecordedCall& lastCall(const QString& method) const {
        for (qsizetype i = transport->calls().size() - 1; i >= 0; --i)
            if (transport->calls()[i].method == method)
                return transport->calls()[i];
        static client::RecordedCall none;
        ADD_FAILURE() << "no call " << method.toStdString();
        return none;
    }
};
TEST_F(SelectBaseCalls, ProcedureKindsFilterTheRowsReceivedAsTyped) {
    answerProc(baseRows({{u"1"_s, u"001"_s, u"张三"_s, u"ZS"_s},
                         {u"2"_s, u"002"_s, u"李四"_s, u"LS"_s},
                         {u"3"_s, u"100%"_s, u"王五"_s, u"WW"_s}}));
    client::TfrmSelectBase w(u"zhiyuan"_s, QString());
    w.show();
    // Each text replaces the one before (Ctrl+A); the row counts follow each other unequal, so
    // that the wait sees each search done.
    struct Case {
        const char* typed;
        QList<qint64> ids;
    };
    const Case cases[] = {{"zs", {1}}, {"", {1, 2, 3}}, {"002", {2}}, {"'", {}},
                          {"李", {2}}, {"", {1, 2, 3}}, {"%", {3}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        perform(&w, w.grid()->table(),
                {key(Qt::CTRL | Qt::Key_A), *c.typed ? typed(c.typed) : key(Qt::Key_Backspace),
                 rows(int(c.ids.size()))});
        QList<qint64> ids;
        for (int r = 0; r < w.selection().rows().rowCount(); ++r)
            ids << w.selection().choice(r)->id;
        EXPECT_EQ(c.ids, ids);
    }
    // The rows were asked for once, as the employees of the operator.
    ASSERT_EQ(1, std::count_if(transport->calls().begin(), transport->calls().end(),
                               [](const auto& c) { return c.method == u"ExecProcQuery"; }));
    const auto& call = lastCall(u"ExecProcQuery"_s);
    EXPECT_EQ(u"P_JXC_Get_Base"_s, call.procedure);
    const ParamList p(call.paramLines.join(u"\r\n"_s));
    EXPECT_EQ(u"ZY ;czy_id=7"_s, p.value(u"QueryType"_s) + u' ' + p.value(u"ZYStr"_s));
    client::RecordSelection gys(u"gys"_s);
    EXPECT_EQ(u";czy_id=7;isList=1;dwtype=1"_s, gys.procParams().value(u"WLDWStr"_s));
    w.close();
}
TEST_F(SelectBaseCalls, BatchQueryLabelsAndWritingIntoTheBillLine) {
    client::BatchSelection b(5, 2);
    const ParamList p = b.queryParams();
    EXPECT_EQ(u"XZSPPC"_s, p.value(u"QueryType"_s));
    EXPECT_EQ(u";isSub=1;id=5;isstop=0;czy_id=7"_s, p.value(u"goodsStr"_s));
    EXPECT_EQ(u";id=2"_s, p.value(u"ckStr"_s));
    // Labels: names from the cache; an unknown warehouse reads "全部仓库".
    client::selectionServices().goodsFullName = [](qint64 id) -> std::optional<QString> {
        if (id == 5)
            return u"苏打饼干"_s;
        return std::nullopt;
    };
    client::selectionServices().warehouseFullName = [](qint64 id) -> std::optional<QString> {
        if (id == 1)
            return u"总仓"_s;
        return std::nullopt;
    };
    EXPECT_EQ(u"商品：苏打饼干"_s, b.goodsLabel());
    EXPECT_EQ(u"仓库：全部仓库"_s, b.warehouseLabel());
    EXPECT_EQ(u"仓库：总仓"_s, client::BatchSelection(5, 1).warehouseLabel());
    client::selectionServices().goodsFullName = nullptr;
    client::selectionServices().warehouseFullName = nullptr;
    RecordSet batches =
        recordSet({u"sonnum:integer"_s, u"goodspc:integer"_s, u"ph"_s, u"outdate"_s, u"yxqdate"_s,
                   u"stockQty:float"_s},
                  {{qint64(0), qint64(11), u"B1"_s, u"2024-01-01"_s, u"2025-01-01"_s, 4.0},
                   {qint64(2), qint64(0), u"类"_s, QString(), QString(), 0.0}});
    answerProc(batches);
    b.runQuery();
    EXPECT_TRUE(b.canChoose(0));
    EXPECT_FALSE(b.canChoose(1));
    EXPECT_FALSE(b.canChoose(2));
    // The bill's lines: the columns named like the batch fields (any letter case) take them,
    // others stay.
    RecordSet lines = recordSet({u"GoodsPC:integer"_s, u"PH"_s, u"outdate"_s, u"yxqDate"_s,
                                 u"StockQty:float"_s, u"qty:float"_s},
                                {{qint64(0), QString(), QString(), QString(), 0.0, 7.0},
                                 {qint64(0), QString(), QString(), QString(), 0.0, 8.0}});
    EXPECT_EQ(0, b.writeInto(1, lines, 1, nullptr));  // a class row is no batch
    EXPECT_EQ(5, b.writeInto(0, lines, 1, nullptr));
    EXPECT_EQ(u"11|B1|2024-01-01|2025-01-01|4|8"_s, rowValuesText(lines, 1));
    EXPECT_EQ(0, lines.at(0, 0).toLongLong());
    // With the grid's columns only the shown ones are written.
    GridDefinition grid;
    AddGridColumn(grid, u"批号"_s, u"ph"_s, true, 60);
    AddGridColumn(grid, u"数量"_s, u"qty"_s, true, 60);
    EXPECT_EQ(1, b.writeInto(0, lines, 0, &grid));
    EXPECT_EQ(u"B1"_s, lines.at(0, 1).toString());
    EXPECT_EQ(0, lines.at(0, 0).toLongLong());
}
TEST_F(SelectBaseCalls, UnitSelectionReadsTheUnitsOfTheGoods) {
    RecordSet units = recordSet({u"fzdwid:integer"_s, u"unit"_s, u"rate:float"_s},
                                {{qint64(0), u"包"_s, 1.0}, {qint64(1), u"箱"_s, 12.0}});
    client::UnitSelection u(4);
    answerQuery(units);
    u.load();
    EXPECT_EQ(QStringLiteral("SELECT a.* FROM baseGoodsUnit as a  WHERE a.Goodsid = 4 order by "
                             "a.fzdwid"),
              lastCall(u"ExecQuery"_s).sql);
    const auto box = u.choice(1);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(test::clientValuesText(1, u"箱"_s, 12.0, false),
        test::clientValuesText(box->unitid, box->unitName, box->rate, u.choice(2).has_value()));
}
TEST_F(SelectBaseCalls, ChoosingABatchInItsWindowFillsTheFocusedLineAndCloses) {
    RecordSet batches = recordSet(
        {u"sonnum:integer"_s, u"goodspc:integer"_s, u"ph"_s, u"outdate"_s, u"yxqdate"_s,
         u"stockQty:float"_s, u"stockPrice:float"_s, u"stocktotal:float"_s},
        {{qint64(0), qint64(3), u"P3"_s, u"2024-03-01"_s, u"2025-03-01"_s, 5.0, 2.0, 10.0}});
    answerProc(batches);
    RecordSet lines = recordSet({u"goodspc:integer"_s, u"ph"_s}, {{qint64(0), QString()}});
    int saved = 0;
    client::selectionServices().saveLayout = [&](GridView*, const QString& key) {
        EXPECT_EQ(u"TfrmSelectGoodsPC_grdBatch"_s, key);
        ++saved;
        return true;
    };
    {
        client::TfrmSelectGoodsPC w(5, 9, &lines, nullptr, 0);
        w.show();
        perform(&w, w.grid()->table(), {key(Qt::Key_Return)});
        EXPECT_EQ(0, w.chosenRow());
        EXPECT_TRUE(w.result());
    }
    EXPECT_EQ(1, saved);
    EXPECT_EQ(3, lines.at(0, 0).toLongLong());
    EXPECT_EQ(u"P3"_s, lines.at(0, 1).toString());
    client::selectionServices().saveLayout = nullptr;
}
// The windows shown modally: the result, the choice and the layout kept under its key.
class SelectWindowModal : public SelectBaseCalls {
protected:
    void SetUp() override {
        SelectBaseCalls::SetUp();
        client::selectionServices().loadLayout = [this](GridView* grid, const QString& key) {
            loads << key;
            EXPECT_NE(nullptr, grid->model());
            return false;
        };
        client::selectionServices().saveLayout = [this](GridView* grid, const QString& key) {
            saves << key;
            EXPECT_EQ(2, grid->model()->rowCount());
            return true;
        };
    }
    // The next unit query answers the goods' base unit and its box.
    void answerUnits() {
        answerQuery(recordSet(
            {u"fzdwid:integer"_s, u"unit"_s, u"rate:float"_s, u"barcode"_s, u"price:float"_s},
            {{qint64(0), u"包"_s, 1.0, u"6901"_s, 3.5},
             {qint64(1), u"箱"_s, 12.0, u"6902"_s, 40.0}}));
    }
    QStringList loads;
    QStringList saves;
};
TEST_F(SelectWindowModal, ExecAnswersWhetherAChoiceClosedTheWindow) {
    const QString layoutKey = u"TfrmSelectGoodsFZXX_grdUnit"_s;
    struct Case {
        const char* name;
        QList<UiStep> steps;  // none: the close box
        int result;
    };
    const Case cases[] = {
        {"Down and Enter on the box unit", {key(Qt::Key_Down), key(Qt::Key_Return)}, 1},
        {"a double-click on the box unit", {doubleClick(1)}, 1},
        {"the cancel button", {click("btnCancel")}, 0},
        {"Esc", {key(Qt::Key_Escape)}, 0},
        {"the close box", {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        loads.clear();
        saves.clear();
        answerUnits();
        client::TfrmSelectGoodsFZXX w(4);
        ASSERT_EQ(QStringList(), script.messages());
        ASSERT_EQ(2, w.grid()->model()->rowCount());
        EXPECT_EQ(QStringList{layoutKey}, loads);  // the layout comes with the rows
        bool shownModal = false;
        onNextModal([&](QWidget* modal) {
            shownModal = modal == &w && w.isVisible();
            if (c.steps.isEmpty())
                w.close();
            else
                perform(&w, w.grid()->table(), c.steps);
        });
        EXPECT_EQ(c.result, w.exec());
        EXPECT_TRUE(shownModal);
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(c.result == 1, w.result());
        EXPECT_EQ(QStringList{layoutKey}, saves);
        // The window outlives its closing: the caller reads the choice afterwards.
        EXPECT_EQ(c.result == 1, w.chosen().has_value());
        if (c.result == 1) {
            EXPECT_EQ(u"箱"_s, w.chosen()->unitName);
            EXPECT_EQ(12.0, w.chosen()->rate);
        }
    }
    // The function the bills call answers the choice made in the window.
    answerUnits();
    onNextModal([](QWidget* w) {
        perform(w, static_cast<client::TfrmSelectGoodsFZXX*>(w)->grid()->table(),
                {key(Qt::Key_Return)});
    });
    const auto chosen = client::selectGoodsUnit(4);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(u"包"_s, chosen->unitName);
}

}  // namespace
}  // namespace dyt::test
