// The record, batch and unit selections against the recording transport.
// The goods selection against the recording transport (code and barcode picks run against a real
// server in select_e2e).
// The selection windows against a real dyt-server, picked by code, barcode and from the keyboard,
// and wired to the local cache, the layouts kept per operator and the column configuration.

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>

#include "client/bills/selectbase.h"
#include "client/bills/selectgoods.h"
#include "client/bills/selectgoodsfzxx.h"
#include "client/bills/selectgoodspc.h"
#include "client/bills/selectionservices.h"
#include "client/common/frmxgridcolfilter.h"
#include "client/common/gridlayout.h"
#include "client/common/gridview.h"
#include "client/logic/clientconfig.h"
#include "client/logic/localcache.h"
#include "client/logic/recordsetmodel.h"
#include "common/inifile.h"
#include "dmtest_support.h"
#include "support/serverfixture.h"
#include "support/testutil.h"
#include "uihelpers.h"

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
    const Case cases[] = {{"abc", "'%abc%'"},
                          {"O'Hara", "'%O''Hara%'"},
                          {"''", "'%''''%'"},
                          {"100%", "'%100\\%%'"},
                          {"a_b", "'%a\\_b%'"},
                          {"c:\\d", "'%c:\\\\d%'"},
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
    ASSERT_EQ(1, callsOf(u"ExecProcQuery"_s).size());
    const auto call = callsOf(u"ExecProcQuery"_s).last();
    EXPECT_EQ(u"P_JXC_Get_Base"_s, call.procedure);
    const ParamList p(call.paramLines.join(u"\r\n"_s));
    EXPECT_EQ(u"ZY ;czy_id=7"_s, p.value(u"QueryType"_s) + u' ' + p.value(u"ZYStr"_s));
    client::RecordSelection gys(u"gys"_s);
    EXPECT_EQ(u";czy_id=7;isList=1;dwtype=1"_s, gys.procParams().value(u"WLDWStr"_s));
    w.close();
}
TEST_F(SelectBaseCalls, BatchQueryAndWritingIntoTheBillLine) {
    client::BatchSelection b(5, 2);
    const ParamList p = b.queryParams();
    EXPECT_EQ(u"XZSPPC"_s, p.value(u"QueryType"_s));
    EXPECT_EQ(u";isSub=1;id=5;isstop=0;czy_id=7"_s, p.value(u"goodsStr"_s));
    EXPECT_EQ(u";id=2"_s, p.value(u"ckStr"_s));
    // The labels, named from the local cache: SelectWiring.
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

using client::GoodsSelection;
using client::GoodsTarget;
using client::SelectedGoods;

struct GoodsRow {
    qint64 id;
    int sonnum;
    const char* code;
    const char* name;
    double price = 0;
    double stock = 0;
};
// A record set shaped like the rows of P_Base_Get_Goods.
RecordSet goodsRows(const QList<GoodsRow>& rows) {
    RecordSet rs = recordSet({u"goodsid:integer"_s, u"sonnum:integer"_s, u"code"_s, u"fullName"_s,
                              u"unitid:integer"_s, u"unitName"_s, u"rate:float"_s, u"price:float"_s,
                              u"stockQty:float"_s, u"costmode:integer"_s, u"sp_sptype:integer"_s,
                              u"selected:boolean"_s});
    for (const GoodsRow& r : rows) {
        rs.appendRow({r.id, r.sonnum, QString::fromUtf8(r.code), QString::fromUtf8(r.name),
                      qint64(0), u"个"_s, 1.0, r.price, r.stock, qint64(2), qint64(0), false});
    }
    return rs;
}
// Counts the modal windows that show while it lives and hands each to an action.
class ModalWatch {
public:
    explicit ModalWatch(std::function<void(client::TfrmSelectWindow*)> act) : act_(std::move(act)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* dlg = qobject_cast<client::TfrmSelectWindow*>(QApplication::activeModalWidget());
            if (!dlg || dlg == last_)
                return;
            last_ = dlg;
            ++shown;
            titles << dlg->windowTitle();
            act_(dlg);
        });
        timer_.start();
    }
    int shown = 0;
    QStringList titles;

private:
    std::function<void(client::TfrmSelectWindow*)> act_;
    QTimer timer_;
    QPointer<client::TfrmSelectWindow> last_;
};
class SelectGoods : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        // No cache and no stored layouts behind the windows; single tests put in their own.
        client::selectionServices() = {};
        connectLoggedIn(7);
        target.lineOf = [this](qint64 goodsId, qint64 unitId) {
            for (int i = 0; i < bill.size(); ++i)
                if (bill[i].goodsId == goodsId && bill[i].unitId == unitId)
                    return i + 1;
            return 0;
        };
        target.add = [this](const SelectedGoods& g) { bill.append(g); };
    }
    void TearDown() override {
        client::resetSelectionServices();
        DmFixture::TearDown();
    }
    QList<client::RecordedCall> procCalls() const { return callsOf(u"ExecProcQuery"_s); }
    static QString line(const client::RecordedCall& c, const QString& name) {
        return ParamList(c.paramLines.join(u"\r\n"_s)).value(name);
    }
    QStringList billNames() const {
        QStringList out;
        for (const auto& g : bill)
            out << g.name;
        return out;
    }
    GoodsTarget target;
    QList<SelectedGoods> bill;
};
TEST_F(SelectGoods, QueryLinesFollowTheState) {
    struct Case {
        int djType, typeMode;
        QString text, barcode;
        const char *queryType, *filter, *goodsStr, *wldwStr;
    };
    // clang-format off
    const Case cases[] = {
        {1, 0, {}, {}, "XZSPALL", ";djtype=1", ";par_id=0;isstop=0;czy_id=7", ""},
        {1, 0, u"  奥利奥 "_s, {}, "XZSPALL", ";djtype=1", ";allfilter=奥利奥;isstop=0;czy_id=7", ""},
        {5, 0, u"a;b"_s, {}, "XZSPALL", ";djtype=5", ";allfilter=a;;b;isstop=0;czy_id=7", ""},
        {1, 0, {}, u"6901"_s, "XZSPALL", ";djtype=1", ";isstop=0;czy_id=7;barcode=6901", ""},
        // Ordinary goods only for a loss and a transfer bill.
        {12, 0, {}, {}, "XZSPALL", ";djtype=12", ";par_id=0;isstop=0;czy_id=7;sptype=0", ""},
        {15, 0, {}, u"77"_s, "XZSPALL", ";djtype=15", ";isstop=0;czy_id=7;barcode=77;sptype=0", ""},
        {38, -2, {}, {}, "QTKC", ";djtype=38;typeid=2", ";par_id=0;isstop=0;czy_id=7;sptype=0",
         ";issub=1;id=44;czy_id=7"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.goodsStr);
        GoodsSelection s(target, c.djType, 44, 3, c.typeMode);
        if (!c.text.isEmpty())
            s.setFilterText(c.text);
        const ParamList p = s.queryParams(c.barcode);
        QStringList sent;
        for (const QString& name :
             {u"QueryType"_s, u"Filter"_s, u"goodsStr"_s, u"ckStr"_s, u"wldwStr"_s})
            sent << p.value(name);
        EXPECT_EQ((QStringList{QString::fromUtf8(c.queryType), QString::fromUtf8(c.filter),
                               QString::fromUtf8(c.goodsStr), u";id=3;czy_id=7"_s,
                               QString::fromUtf8(c.wldwStr)}),
                  sent);
    }
}
TEST_F(SelectGoods, TheWindowShowsForAClassForSeveralRowsAndForNoText) {
    struct Case {
        const char* name;
        QString text;
        RecordSet rows;
    };
    const Case cases[] = {
        {"a code matching one class", u"01"_s, goodsRows({{1, 2, "01", "食品"}})},
        {"two goods", u"饼干"_s,
         goodsRows({{4, 0, "010101", "奥利奥饼干"}, {5, 0, "010102", "苏打饼干"}})},
        {"one goods but no text", QString(), goodsRows({{4, 0, "010101", "奥利奥饼干"}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answerProc(c.rows);
        ModalWatch watch([](client::TfrmSelectWindow* d) { d->reject(); });
        EXPECT_FALSE(client::selectGoodsByText(target, 1, 0, 1, 0, c.text, u"商品选择"_s));
        EXPECT_EQ(1, watch.shown);
        EXPECT_EQ(QStringList{u"商品选择"_s}, watch.titles);
        EXPECT_TRUE(bill.isEmpty());
    }
}
TEST_F(SelectGoods, GoodsAlreadyOnLineThreeIsAddedAgainOnlyAfterYes) {
    for (int i = 0; i < 3; ++i) {
        SelectedGoods g;
        g.goodsId = 100 + i;
        bill.append(g);
    }
    bill[2].goodsId = 4;  // line 3
    const QString question = u"第 3 行已经添加了[ 奥利奥饼干 ]\r\n是否继续添加？"_s;
    struct Case {
        const char* answer;
        int billSize;
    };
    for (const Case c : {Case{"否(&C)", 3}, Case{"是(&O)", 4}}) {
        SCOPED_TRACE(c.answer);
        answerProc(goodsRows({{4, 0, "010101", "奥利奥饼干"}}));
        script.clearRecords();
        script.answer(QString::fromUtf8(c.answer), question);
        client::selectGoodsByText(target, 1, 0, 1, 0, u"010101"_s, QString());
        EXPECT_EQ(c.billSize, bill.size());
        ASSERT_EQ(1, script.records(client::PromptKind::Question).size());
        const auto q = script.records(client::PromptKind::Question)[0];
        EXPECT_EQ(question, q.text);
        EXPECT_EQ((QStringList{u"是(&O)"_s, u"否(&C)"_s}), q.buttons);
    }
    // The same goods in another unit is a new line without a question.
    bill.removeLast();
    bill[2].unitId = 1;
    answerProc(goodsRows({{4, 0, "010101", "奥利奥饼干"}}));
    script.clearRecords();
    client::selectGoodsByText(target, 1, 0, 1, 0, u"010101"_s, QString());
    EXPECT_EQ(0, script.records(client::PromptKind::Question).size());
}
TEST_F(SelectGoods, MarkedRowsAreAddedAndAMarkedClassBringsAllItsGoods) {
    GoodsSelection s(target, 1, 0, 1);
    answerProc(goodsRows(
        {{4, 0, "010101", "奥利奥饼干"}, {5, 0, "010102", "苏打饼干"}, {2, 3, "0102", "饮料"}}));
    s.runQuery();
    s.setMarked(0, true);
    s.setMarked(2, true);
    EXPECT_EQ((QList<int>{0, 2}), s.markedRows());
    // The class's goods as the base-data list returns them (id, fullname, LSprice), one of them a
    // sub-class that is left out.
    RecordSet classGoods = recordSet(
        {u"id:integer"_s, u"sonnum:integer"_s, u"code"_s, u"fullname"_s, u"LSprice:float"_s},
        {{qint64(21), qint64(0), u"010201"_s, u"可乐"_s, 2.5},
         {qint64(22), qint64(1), u"010202"_s, u"果汁类"_s, 0.0},
         {qint64(23), qint64(0), u"010203"_s, u"雪碧"_s, 2.0}});
    answerProc(classGoods);
    transport->clearCalls();
    EXPECT_EQ(3, s.addChosen());
    EXPECT_EQ((QStringList{u"奥利奥饼干"_s, u"可乐"_s, u"雪碧"_s}), billNames());
    EXPECT_EQ(2.5, bill[1].price);
    EXPECT_EQ(21, bill[1].goodsId);
    ASSERT_EQ(1, procCalls().size());
    EXPECT_EQ(u"P_JXC_Get_Base"_s, procCalls()[0].procedure);
    EXPECT_EQ(u"SP"_s, line(procCalls()[0], u"QueryType"_s));
    EXPECT_EQ(u";czy_id=7;isList=1;par_id=2"_s, line(procCalls()[0], u"GoodsStr"_s));
}
TEST_F(SelectGoods, GoodsHeldForThePartnerComeBackWhole) {
    struct Case {
        int typeMode;
        double qty;
        double total;
    };
    // Goods at 2.5 with 6 held: in type mode the whole 6 is taken, otherwise one unit.
    for (const Case c : {Case{-3, 6, 15}, Case{0, 1, 2.5}}) {
        SCOPED_TRACE(c.typeMode);
        bill.clear();
        GoodsSelection s(target, 38, 44, 1, c.typeMode);
        answerProc(goodsRows({{4, 0, "010101", "奥利奥饼干", 2.5, 6}}));
        s.runQuery();
        EXPECT_EQ(1, s.addRow(0));
        ASSERT_EQ(1, bill.size());
        EXPECT_EQ(c.qty, bill[0].qty);
        EXPECT_EQ(c.total, bill[0].total);
        EXPECT_EQ(6.0, bill[0].stockQty);
    }
}
TEST_F(SelectGoods, ClassesLevelsListsAndTheExitButton) {
    GoodsSelection s(target, 1, 0, 1);
    const RecordSet top = goodsRows({{1, 2, "01", "食品"}, {6, 1, "02", "日用品"}});
    const RecordSet inFood = goodsRows({{2, 1, "0101", "饼干"}, {3, 0, "0102", "矿泉水"}});
    answerProc(top);
    s.runQuery();
    EXPECT_EQ(u"退出(&C)"_s, s.exitCaption());
    EXPECT_FALSE(s.openClass(5));  // no such row
    answerProc(inFood);
    EXPECT_TRUE(s.openClass(0));
    EXPECT_EQ(u"返回(&C)"_s, s.exitCaption());
    EXPECT_EQ(1, s.classId());
    EXPECT_FALSE(s.openClass(1));  // a goods is no class
    answerProc(goodsRows({{4, 0, "010101", "奥利奥饼干"}}));
    EXPECT_TRUE(s.openClass(0));
    EXPECT_EQ((QList<qint64>{1, 2}), s.classPath());
    // List display of the class shown, then level display again.
    answerProc(goodsRows({{4, 0, "010101", "奥利奥饼干"}}));
    EXPECT_TRUE(s.showList());
    answerProc(goodsRows({{4, 0, "010101", "奥利奥饼干"}}));
    s.showLevels();
    // Up, up, and at the top the exit button closes.
    answerProc(inFood);
    EXPECT_TRUE(s.goUp());
    answerProc(top);
    EXPECT_TRUE(s.goUp());
    EXPECT_FALSE(s.goUp());
    EXPECT_EQ(u"退出(&C)"_s, s.exitCaption());
    // "全部" from deep inside.
    answerProc(inFood);
    s.openClass(0);
    answerProc(top);
    s.showAll();
    EXPECT_EQ(0, s.classId());
    QStringList goodsStrs;
    for (const auto& c : procCalls())
        goodsStrs << line(c, u"goodsStr"_s);
    EXPECT_EQ(
        u";par_id=0 ;par_id=1 ;par_id=2 ;isList=1;par_id=2 ;par_id=2 ;par_id=1 ;par_id=0 "
        u";par_id=1 ;par_id=0"_s,
        goodsStrs.join(u' ').remove(u";isstop=0;czy_id=7"_s));
}
TEST_F(SelectGoods, ListDisplayTakesOneClassOnly) {
    GoodsSelection s(target, 1, 0, 1);
    answerProc(goodsRows({{1, 2, "01", "食品"}, {6, 1, "02", "日用品"}, {9, 0, "09", "杂项"}}));
    s.runQuery();
    s.setMarked(0, true);
    s.setMarked(1, true);
    transport->clearCalls();
    EXPECT_FALSE(s.showList());
    EXPECT_EQ(QStringList{u"只能对一类商品进行列表！"_s}, script.messages());
    EXPECT_EQ(0, procCalls().size());
    EXPECT_FALSE(s.listMode());
    // One marked class is listed; the focused class when none is marked; all goods at the top.
    struct Case {
        const char* name;
        QList<int> marked;
        int current;
        const char* goodsStr;
    };
    const Case cases[] = {
        {"marked class", {1}, 2, ";isList=1;par_id=6;isstop=0;czy_id=7"},
        {"focused class", {}, 0, ";isList=1;par_id=1;isstop=0;czy_id=7"},
        {"focused goods at the top", {}, 2, ";isList=1;isstop=0;czy_id=7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GoodsSelection t(target, 1, 0, 1);
        answerProc(goodsRows({{1, 2, "01", "食品"}, {6, 1, "02", "日用品"}, {9, 0, "09", "杂项"}}));
        t.runQuery();
        for (int r : c.marked)
            t.setMarked(r, true);
        t.setCurrentRow(c.current);
        transport->clearCalls();
        answerProc(goodsRows({}));
        EXPECT_TRUE(t.showList());
        ASSERT_EQ(1, procCalls().size());
        EXPECT_EQ(QString::fromLatin1(c.goodsStr), line(procCalls()[0], u"goodsStr"_s));
    }
}
TEST_F(SelectGoods, TheCurrentRowSurvivesARequeryWhenStillInRange) {
    GoodsSelection s(target, 1, 0, 1);
    answerProc(goodsRows({{1, 0, "1", "a"}, {2, 0, "2", "b"}, {3, 0, "3", "c"}}));
    s.runQuery();
    s.setCurrentRow(2);
    answerProc(goodsRows({{1, 0, "1", "a"}, {2, 0, "2", "b"}, {3, 0, "3", "c"}, {4, 0, "4", "d"}}));
    s.runQuery();
    EXPECT_EQ(2, s.currentRow());
    answerProc(goodsRows({{1, 0, "1", "a"}}));
    s.runQuery();
    EXPECT_EQ(0, s.currentRow());
    answerProc(goodsRows({}));
    s.runQuery();
    EXPECT_EQ(-1, s.currentRow());
}
TEST_F(SelectGoods, AFastTypistCausesOneQuery) {
    auto s = std::make_shared<GoodsSelection>(target, 1, 0, 1);
    answerProc(goodsRows({{1, 2, "01", "食品"}, {4, 0, "010101", "奥利奥饼干", 3.5, 30}}));
    s->runQuery();
    client::TfrmSelectGoods w(s, QString(), false);
    w.show();
    transport->clearCalls();
    answerProc(goodsRows({{4, 0, "010101", "奥利奥饼干", 3.5, 30}}));
    perform(&w, w.grid()->table(), {typed("奥利"), rows(1)});
    ASSERT_EQ(1, procCalls().size());
    EXPECT_EQ(u";allfilter=奥利;isstop=0;czy_id=7"_s, line(procCalls().last(), u"goodsStr"_s));
    // Enter in the box then adds the goods: SelectEndToEnd.GoodsWindowFromTheKeyboard.
}
TEST_F(SelectGoods, TickingTheCheckColumnMarksTheRow) {
    auto s = std::make_shared<GoodsSelection>(target, 1, 0, 1);
    answerProc(goodsRows({{4, 0, "010101", "奥利奥饼干"}, {5, 0, "010102", "苏打饼干"}}));
    s->runQuery();
    client::TfrmSelectGoods w(s, QString(), false);
    RecordSetModel* model = w.grid()->model();
    const int check = w.gridDefinition().columnIndex(u"selected"_s);
    ASSERT_EQ(0, check);
    EXPECT_TRUE(
        model->setData(model->index(1, check), static_cast<int>(Qt::Checked), Qt::CheckStateRole));
    EXPECT_EQ(QList<int>{1}, s->markedRows());
    w.findChild<QPushButton*>(u"btnOK"_s)->click();
    EXPECT_EQ(QStringList{u"苏打饼干"_s}, billNames());
}
TEST_F(SelectGoods, TheNewGoodsButtonNeedsTheCallerAndTheRight) {
    struct Case {
        const char* name;
        bool allowNew;
        qint64 right;
        bool visible;
    };
    for (const Case c :
         {Case{"allowed and granted", true, 1, true}, Case{"allowed, not granted", true, 0, false},
          Case{"not allowed", false, 1, false}}) {
        SCOPED_TRACE(c.name);
        auto s = std::make_shared<GoodsSelection>(target, 1, 0, 1);
        transport->clearCalls();
        if (c.allowNew)
            answerQuery(recordSet({u"value:integer"_s}, {{c.right}}));
        client::TfrmSelectGoods w(s, QString(), c.allowNew);
        EXPECT_EQ(c.visible, w.findChild<QPushButton*>(u"btnNew"_s)->isVisibleTo(&w));
        bool asked = false;
        for (const auto& call : transport->calls())
            asked = asked || call.sql.contains(u"fnGetPurview(7,'100101')"_s);
        EXPECT_EQ(c.allowNew, asked);
        EXPECT_EQ(0, transport->pendingAnswers());
    }
}

class SelectEndToEnd : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        seedFoodGoods();
        exec(
            {"INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price) VALUES "
             "(2, 1, '箱', 12, '6901-12', 40), (1, 0, '', 1, 'CLASS-01', 0)",
             "INSERT INTO baseCK(id, par_id, par_jl, code, fullname) VALUES (1, 0, '1,', '01', "
             "'总仓')",
             "INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, ph, indate, qty, price, total) "
             "VALUES (2, 1, 7, 'P7', '2024-01-05', 30, 2, 60), "
             "(2, 1, 8, 'P8', '2024-02-05', 6, 2.5, 15)",
             "INSERT INTO baseDQ(id, par_id, par_jl, code, fullname, pym) VALUES "
             "(1, 0, '1,', 'D1', 'O''Hara 区', 'OHQ'), (2, 0, '2,', 'D2', '100%区', 'BFQ'), "
             "(3, 0, '3,', 'D3', '100x区', 'BXQ'), (4, 0, '4,', 'D_4', '四区', 'SQ')",
             "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname, pym, type) "
             "VALUES (1, 0, '1,', 1, 0, '001', '华达食品', 'HDSP', 1), (2, 0, '2,', 1, 0, '002', "
             "'华联商贸', 'HLSM', 1), (3, 0, '3,', 1, 0, '003', '华润超市', 'HRCS', 2)"});
        target.lineOf = [this](qint64 goodsId, qint64 unitId) {
            for (int i = 0; i < bill.size(); ++i)
                if (bill[i].goodsId == goodsId && bill[i].unitId == unitId)
                    return i + 1;
            return 0;
        };
        target.add = [this](const client::SelectedGoods& g) { bill.append(g); };
    }
    client::GoodsTarget target;
    QList<client::SelectedGoods> bill;
};
TEST_F(SelectEndToEnd, GoodsPickedByCodeBarcodeRefusedBatchesAndUnits) {
    // The exact code of one goods: added at once, with its price and the warehouse's stock.
    ASSERT_TRUE(client::selectGoodsByText(target, 1, 0, 1, 0, u"0101"_s, u"商品选择"_s));
    ASSERT_EQ(1, bill.size());
    const client::SelectedGoods& g = bill[0];
    EXPECT_EQ(u"奥利奥饼干"_s, g.name);
    // Id, price, stock of the warehouse, cost method, quantity and total.
    EXPECT_EQ((QList<double>{2, 3.5, 36, 2, 1, 3.5}),
              (QList<double>{double(g.goodsId), g.price, g.stockQty, double(g.costmode), g.qty,
                             g.total}));
    // A quote in the text finds the goods it names.
    ASSERT_TRUE(client::selectGoodsByText(target, 1, 0, 1, 0, u"o'brien"_s, QString()));
    EXPECT_EQ(3, bill.last().goodsId);
    // Scanning: the class's barcode is refused, an unknown one too, the box unit comes with its
    // rate.
    EXPECT_FALSE(client::selectGoodsByBarcode(target, 1, 0, 1, 0, u"CLASS-01"_s));
    EXPECT_FALSE(client::selectGoodsByBarcode(target, 1, 0, 1, 0, u"0000"_s));
    EXPECT_EQ((QStringList{u"你扫描的条码在数据库中是一类商品，不能添加！"_s, u"无此条码商品！"_s}),
              script.messages());
    EXPECT_EQ(u"提示"_s, script.records().value(0).caption);
    EXPECT_TRUE(client::selectGoodsByBarcode(target, 1, 0, 1, 0, u"6901-12"_s));
    EXPECT_EQ((QList<double>{1, 12, 40}),
              (QList<double>{double(bill.last().unitId), bill.last().rate, bill.last().price}));
    // Batches of the goods in the warehouse, oldest first.
    client::BatchSelection batches(2, 1);
    batches.runQuery();
    ASSERT_EQ(2, batches.rows().rowCount());
    EXPECT_EQ(u"P7"_s, batches.rows().at(0, batches.rows().fieldIndex(u"ph"_s)).toString());
    EXPECT_EQ(6.0, batches.rows().at(1, batches.rows().fieldIndex(u"stockQty"_s)).toDouble());
    // Units of the goods.
    client::UnitSelection units(2);
    units.load();
    ASSERT_EQ(2, units.rows().rowCount());
    EXPECT_EQ(test::clientValuesText(1, u"箱"_s, 12.0, false),
              test::clientValuesText(units.choice(1)->unitid, units.choice(1)->unitName,
                                     units.choice(1)->rate, units.choice(2).has_value()));
}
// Closes a window the steps left open, as the operator would: Esc until it goes.
void closeByEsc(QWidget* w) {
    for (int i = 0; i < 5 && w->isVisible(); ++i)
        QTest::keyClick(w, Qt::Key_Escape);
}
TEST_F(SelectEndToEnd, RecordSelectionFromTheKeyboard) {
    using Qt::Key_Down, Qt::Key_Return, Qt::Key_Escape;
    struct Case {
        const char* name;
        const char* kind;
        const char* opened;  // the text the window opens with
        qint64 chosen;       // 0: nothing
        const char* message;
        QList<UiStep> steps;
    };
    // clang-format off
    const Case cases[] = {
        {"typing narrows, Down into the list, Enter", "area", "", 3, "",
         {typed("100"), rows(2), key(Key_Down), key(Key_Down), key(Key_Return)}},
        {"Enter in the box on one match", "area", "", 3, "", {typed("bxq"), key(Key_Return)}},
        {"the text opened with is replaced", "area", "O'Hara 区", 4, "",
         {rows(1), typed("sq"), key(Key_Return)}},
        {"Tab reaches the list", "area", "", 3, "",
         {typed("100"), rows(2), key(Qt::Key_Tab), key(Key_Down), key(Qt::Key_Enter)}},
        {"Up on the first row goes back to the box", "area", "", 3, "",
         {typed("100"), rows(2), key(Key_Down), key(Key_Down), key(Qt::Key_Up), key(Qt::Key_Up),
          typed("x"), rows(1), key(Key_Return)}},
        {"Esc chooses nothing", "area", "", 0, "", {typed("100"), key(Key_Escape)}},
        {"确定 after a text matching nothing", "area", "", 0, "请选择地区",
         {typed("zzz"), click("btnOK")}},
        {"a double-click", "area", "", 3, "", {rows(4), doubleClick(2)}},
        {"suppliers narrowed as typed", "gys", "", 2, "",
         {typed("华"), rows(2), key(Qt::Key_PageDown), key(Key_Down), key(Key_Return)}},
        {"a customer is no supplier", "gys", "", 0, "请选择供应商", {typed("华润"), click("btnOK")}},
        {"a warehouse", "cangku", "", 1, "", {typed("总"), key(Key_Return)}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        script.clearRecords();
        onNextModal([&](QWidget* w) {
            perform(w, static_cast<client::TfrmSelectBase*>(w)->grid()->table(), c.steps);
            closeByEsc(w);
        });
        const auto chosen =
            client::selectBase(QString::fromLatin1(c.kind), QString::fromUtf8(c.opened));
        EXPECT_EQ(c.chosen, chosen ? chosen->id : 0);
        EXPECT_EQ(*c.message ? QStringList{QString::fromUtf8(c.message)} : QStringList(),
                  script.messages());
    }
}
TEST_F(SelectEndToEnd, GoodsWindowFromTheKeyboard) {
    using Qt::Key_Down, Qt::Key_Return, Qt::Key_Escape;
    struct Case {
        const char* name;
        QList<qint64> added;
        const char* message;
        QList<UiStep> steps;
    };
    // clang-format off
    const Case cases[] = {
        {"typing narrows, Down into the list, Enter adds", {3}, "",
         {typed("饼干"), rows(2), key(Key_Down), key(Key_Down), key(Key_Return)}},
        {"Enter in the box on one goods adds it", {3}, "", {typed("0102"), key(Key_Return)}},
        {"one class found: Enter opens it, Enter adds", {2}, "",
         {typed("食品"), key(Key_Return), key(Key_Return), rows(2), key(Key_Return)}},
        {"Esc steps up out of the class, then closes", {}, "",
         {key(Qt::Key_PageDown), key(Key_Return), rows(2), key(Key_Escape), rows(1),
          key(Key_Escape)}},
        {"选择 after a text matching nothing", {}, "请选择商品", {typed("zzz"), click("btnOK")}},
        {"a double-click adds once", {3}, "", {typed("饼干"), rows(2), doubleClick(1)}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        script.clearRecords();
        bill.clear();
        onNextModal([&](QWidget* w) {
            perform(w, static_cast<client::TfrmSelectGoods*>(w)->grid()->table(), c.steps);
            closeByEsc(w);
        });
        EXPECT_EQ(!c.added.isEmpty(),
                  client::selectGoodsByText(target, 1, 0, 1, 0, QString(), QString()));
        QList<qint64> added;
        for (const auto& g : bill)
            added << g.goodsId;
        EXPECT_EQ(c.added, added);
        EXPECT_EQ(*c.message ? QStringList{QString::fromUtf8(c.message)} : QStringList(),
                  script.messages());
    }
}
TEST_F(SelectEndToEnd, RecordSelectionTextWithQuotesAndWildcardsFindsWhatItSays) {
    struct Case {
        const char* text;
        QList<qint64> ids;
    };
    const Case cases[] = {{"", {1, 2, 3, 4}}, {"o'hara", {1}},      {"'", {1}},
                          {"100%", {2}},      {"100", {2, 3}},      {"d_", {4}},
                          {"%", {2}},         {"x' or '1'='1", {}}, {"bxq", {3}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        client::RecordSelection s(u"area"_s);
        s.load(QString::fromUtf8(c.text));
        QList<qint64> ids;
        for (int r = 0; r < s.rows().rowCount(); ++r)
            ids << s.choice(r)->id;
        EXPECT_EQ(c.ids, ids);
    }
    // Every kind read by SQL runs on the server with a hostile text.
    for (const QString& kind : client::baseKindNames()) {
        client::RecordSelection s(kind);
        if (s.kind().sql.isEmpty())
            continue;
        SCOPED_TRACE(kind.toStdString());
        EXPECT_EQ(QString(), errorOf([&] { s.load(u"a'b%c_d\\"_s); }));
        EXPECT_EQ(QString(), errorOf([&] { s.load(QString()); }));
    }
    // The currencies keep their order and find the home currency by code.
    client::RecordSelection wb(u"wb"_s);
    wb.load(u"rm"_s);
    ASSERT_EQ(1, wb.rows().rowCount());
    EXPECT_EQ(u"人民币"_s, wb.choice(0)->name);
}

// The selection windows wired to the rest of the client: the local cache, the layouts kept per
// operator and the column configuration.
const char kGoodsKey[] = "TfrmSelectGoods_grdGoods";

class SelectWiring : public ServerFixture {
protected:
    void SetUp() override {
        client::resetSelectionServices();
        ServerFixture::SetUp();
        client::loginedUser().ProfileName = u"dytv1_1"_s;
        client::loginedUser().ProfileCaption = caption();
        seedFoodGoods();
        exec(
            {"INSERT INTO baseCK(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
             "(1, 0, '1,', 1, 0, '01', '总仓'), (2, 0, '2,', 1, 0, '02', '东区''门店仓')",
             "INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, ph, indate, qty, price, total) "
             "VALUES (2, 2, 7, 'P7', '2024-01-05', 30, 2, 60), "
             "(2, 2, 8, 'P8', '2024-02-05', 6, 2.5, 15)",
             // A second operator with an empty password.
             "INSERT INTO baseZY(id, code, fullname) VALUES (2, '002', '张三')",
             "INSERT INTO sysuser(id, password) VALUES (2, '')"});
        ASSERT_TRUE(client::ReloadColumnConfigs());
    }
    void TearDown() override {
        cache.reset();
        client::columnConfigs().clear();
        ServerFixture::TearDown();
        client::resetSelectionServices();
    }
    // Logs the operator in again on a new connection and reads his layouts, as a login does.
    void logInAs(int userId) {
        dm.Disconnect();
        ASSERT_TRUE(dm.ConnectServer(server.address(), false, 1));
        ASSERT_EQ(QString(), test::logIn(dm, userId));
        client::columnConfigs().clear();
        ASSERT_TRUE(client::ReloadColumnConfigs());
    }
    // The goods window on the class 食品, as a bill opens it.
    std::unique_ptr<client::TfrmSelectGoods> goodsWindow() {
        auto selection = std::make_shared<client::GoodsSelection>(target, 1, 0, 1);
        selection->runQuery();
        EXPECT_TRUE(selection->openClass(0));
        auto w = std::make_unique<client::TfrmSelectGoods>(selection, QString(), false);
        w->resize(1000, 320);
        return w;
    }
    static int columnOf(const client::TfrmSelectGoods& w, const char* field) {
        const auto& columns = w.grid()->model()->definition()->columns;
        for (int i = 0; i < columns.size(); ++i)
            if (columns[i].fieldName == QLatin1String(field))
                return i;
        return -1;
    }
    static QString header(const client::TfrmSelectGoods& w, const char* field) {
        return w.grid()->model()->headerData(columnOf(w, field), Qt::Horizontal).toString();
    }
    // The rows of sysColConfigure under the goods window's key: userId → layout text.
    QMap<qint64, QString> storedGoodsLayouts() {
        RecordSet rs;
        dm.ExecQuery(
            u"select * from sysColConfigure where ColId = '%1'"_s.arg(QLatin1String(kGoodsKey)),
            &rs);
        QMap<qint64, QString> out;
        for (int r = 0; r < rs.rowCount(); ++r) {
            QString text;
            for (int i = 1; i <= 10; ++i)
                text += rs.at(r, rs.fieldIndex(u"colstr%1"_s.arg(i))).toString();
            out.insert(rs.at(r, rs.fieldIndex(u"userId"_s)).toLongLong(),
                       client::unpackLayoutText(text));
        }
        return out;
    }
    // Closes the goods window at the top class through its exit button.
    static void closeAtTop(client::TfrmSelectGoods& w) {
        auto* exit = w.findChild<QPushButton*>(u"btnExit"_s);
        while (exit->text() == u"返回(&C)"_s)
            exit->click();
        EXPECT_EQ(u"退出(&C)"_s, exit->text());
        exit->click();
        EXPECT_FALSE(w.isVisible());
    }
    std::unique_ptr<client::TLocalCache> cache;
    client::GoodsTarget target;
};
TEST_F(SelectWiring, BatchWindowNamesGoodsAndWarehouseFromTheLocalCache) {
    // Without a local cache no name is found.
    ASSERT_EQ(nullptr, client::existingLocalCache());
    EXPECT_EQ(u"商品："_s, client::BatchSelection(2, 2).goodsLabel());
    EXPECT_EQ(u"仓库：全部仓库"_s, client::BatchSelection(2, 2).warehouseLabel());
    // The login opens the process's cache.
    dm.GoodsStampNewer = 1;
    dm.PartnerStampNewer = 1;
    cache = std::make_unique<client::TLocalCache>(programDir.path(), &dm);
    ASSERT_EQ(cache.get(), client::existingLocalCache());
    cache->OpenLocalCache();
    struct Case {
        const char* name;
        qint64 goods;
        qint64 warehouse;
        const char* goodsLabel;
        const char* warehouseLabel;
    };
    const Case cases[] = {
        {"goods and warehouse known", 2, 2, "商品：奥利奥饼干", "仓库：东区'门店仓"},
        {"a name with a quote", 3, 1, "商品：O'Brien 苏打饼干", "仓库：总仓"},
        {"unknown goods, all warehouses", 99, 0, "商品：", "仓库：全部仓库"},
        {"unknown warehouse", 2, 77, "商品：奥利奥饼干", "仓库：全部仓库"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const client::BatchSelection b(c.goods, c.warehouse);
        EXPECT_EQ(QString::fromUtf8(c.goodsLabel), b.goodsLabel());
        EXPECT_EQ(QString::fromUtf8(c.warehouseLabel), b.warehouseLabel());
    }
    // A goods renamed on the server is named anew once its editor marks the cache stale.
    dm.ExecUpdate(u"UPDATE baseGoods SET fullname = '奥利奥夹心饼干' WHERE id = 2"_s);
    cache->GoodsReload = true;
    EXPECT_EQ(u"商品：奥利奥夹心饼干"_s, client::BatchSelection(2, 2).goodsLabel());
    // The window shows the labels and the batches of the warehouse.
    client::TfrmSelectGoodsPC w(2, 2);
    w.resize(760, 300);
    w.show();
    QApplication::processEvents();
    EXPECT_EQ(u"商品：奥利奥夹心饼干|仓库：东区'门店仓|2"_s,
              clientValuesText(w.findChild<QLabel*>(u"lblGoods"_s)->text(),
                               w.findChild<QLabel*>(u"lblStock"_s)->text(),
                               w.grid()->model()->rowCount()));
    perform(&w, w.grid()->table(), {key(Qt::Key_Escape)});
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.result());
    cache->Close();
}
TEST_F(SelectWiring, GoodsLayoutIsKeptPerOperator) {
    EXPECT_TRUE(storedGoodsLayouts().isEmpty());
    int nameColumn = -1;
    {
        auto w = goodsWindow();
        w->show();
        QApplication::processEvents();
        nameColumn = columnOf(*w, "fullName");
        ASSERT_GE(nameColumn, 0);
        EXPECT_EQ(160, w->grid()->table()->columnWidth(nameColumn));  // as designed
        w->grid()->table()->setColumnWidth(nameColumn, 251);          // dragged by operator 1
        closeAtTop(*w);
    }
    QMap<qint64, QString> stored = storedGoodsLayouts();
    ASSERT_EQ(QList<qint64>{1}, stored.keys());
    const IniFile ini = IniFile::fromText(stored.value(1));
    EXPECT_EQ(u"V10"_s, ini.readString(u"_Sys_"_s, u"_Ver_"_s));
    EXPECT_EQ(u"251"_s, ini.readString(u"_Sys_"_s, u"%1_W"_s.arg(nameColumn)));
    // Operator 1's next login: the window opens with his width.
    logInAs(1);
    {
        auto w = goodsWindow();
        EXPECT_EQ(251, w->grid()->table()->columnWidth(columnOf(*w, "fullName")));
    }
    // Operator 2 sees the designed width, and keeps a width of his own.
    logInAs(2);
    {
        auto w = goodsWindow();
        w->show();
        QApplication::processEvents();
        EXPECT_EQ(160, w->grid()->table()->columnWidth(columnOf(*w, "fullName")));
        w->grid()->table()->setColumnWidth(columnOf(*w, "fullName"), 97);
        closeAtTop(*w);
    }
    stored = storedGoodsLayouts();
    EXPECT_EQ((QList<qint64>{1, 2}), stored.keys());
    logInAs(2);
    {
        auto w = goodsWindow();
        EXPECT_EQ(97, w->grid()->table()->columnWidth(columnOf(*w, "fullName")));
    }
    logInAs(1);
    {
        auto w = goodsWindow();
        EXPECT_EQ(251, w->grid()->table()->columnWidth(columnOf(*w, "fullName")));
    }
}
TEST_F(SelectWiring, ColumnConfigurationFromTheGoodsWindowIsAppliedAndKept) {
    auto w = goodsWindow();
    w->show();
    QApplication::processEvents();
    const int shortName = columnOf(*w, "sp_spjm");
    const int fullName = columnOf(*w, "fullName");
    ASSERT_GE(shortName, 0);
    ASSERT_GE(fullName, 0);
    ASSERT_FALSE(w->grid()->table()->isColumnHidden(shortName));
    bool dialogSeen = false;
    onNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TfrmXGridColFilter*>(modal);
        ASSERT_NE(nullptr, dialog);
        dialogSeen = true;
        gridfilter::ColumnConfig& config = dialog->config();
        for (int r = 0; r < config.rowCount(); ++r) {
            if (config.rows()[r].name == u"简名"_s)
                config.setVisible(r, false);
            if (config.rows()[r].name == u"商品全名"_s)
                config.setCaption(r, u"品名"_s);
        }
        dialog->listModel()->refresh();
        dialog->btnOKClick();
    });
    w->findChild<QPushButton*>(u"btnColumns"_s)->click();
    ASSERT_TRUE(dialogSeen);
    EXPECT_TRUE(w->grid()->table()->isColumnHidden(columnOf(*w, "sp_spjm")));
    EXPECT_EQ(u"品名"_s, header(*w, "fullName"));
    // The choice is stored at once, before the window closes.
    ASSERT_EQ(QList<qint64>{1}, storedGoodsLayouts().keys());
    w->activateWindow();                                          // back from the dialog
    perform(w.get(), w->grid()->table(), {key(Qt::Key_Escape)});  // up to the top class
    EXPECT_TRUE(w->isVisible());
    closeAtTop(*w);
    // The next login shows the window as configured.
    logInAs(1);
    auto again = goodsWindow();
    EXPECT_TRUE(again->grid()->table()->isColumnHidden(columnOf(*again, "sp_spjm")));
    EXPECT_EQ(u"品名"_s, header(*again, "fullName"));
}

}  // namespace
}  // namespace dyt::test
