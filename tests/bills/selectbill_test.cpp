// The bill picking against the recording transport: the kind lists taken over until done, the
// list and lines queries as sent, marks, the result text and lines, the checks of "确定", the
// period question and the window's keys and buttons.
#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include "bills_support.h"
#include "client/bills/frmselectbill.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "common/error.h"

using namespace Qt::StringLiterals;

namespace dyt::test {
namespace {

using client::BillPicking;
using client::SelectBillArgs;
using client::SelectBillResult;
using client::TfrmSelectBill;

// Bill headers shaped like P_JXC_DJ_GetDJIndex rows.
RecordSet billRows(const QList<std::pair<qint64, const char*>>& bills) {
    RecordSet rs;
    rs.addField(u"id"_s, FieldType::Integer);
    rs.addField(u"code"_s, FieldType::Text);
    rs.addField(u"date"_s, FieldType::Text);
    rs.addField(u"wldw_id"_s, FieldType::Integer);
    rs.addField(u"summery"_s, FieldType::Text);
    for (const auto& [id, code] : bills)
        rs.appendRow({id, QString::fromUtf8(code), u"2026-03-02"_s, qint64(3), u"摘要"_s});
    return rs;
}

struct LineRow {
    qint64 billId;
    qint64 orderid;
    qint64 goodsid;
    double qty;
};

// Lines shaped like P_JXC_DJ_GetDJList ("xuandan") rows.
RecordSet lineRows(const QList<LineRow>& lines) {
    RecordSet rs;
    rs.addField(u"id"_s, FieldType::Integer);
    rs.addField(u"orderid"_s, FieldType::Integer);
    rs.addField(u"goodsid"_s, FieldType::Integer);
    rs.addField(u"qty"_s, FieldType::Float);
    rs.addField(u"djcode"_s, FieldType::Text);
    for (const LineRow& l : lines)
        rs.appendRow(
            {l.billId, l.orderid, l.goodsid, l.qty, u"JHDD-"_s + QString::number(l.billId)});
    return rs;
}

SelectBillArgs purchaseOrders() {
    SelectBillArgs a;
    a.djStr = u"(8)"_s;
    a.djType = 5;
    a.wldwStr = u";wldw_id=3"_s;
    a.beginDate = QDate(2026, 3, 1);
    a.endDate = QDate(2026, 3, 31);
    return a;
}

class SelectBillTest : public BillFixture {
protected:
    void TearDown() override {
        client::periodAsker() = client::AskBillPeriod;
        BillFixture::TearDown();
    }
    void answer(const RecordSet& rows) {
        transport->respondWith(u"ExecProcQuery"_s, [rows](const QCborArray& args) {
            client::Response r;
            r.result = 0;
            r.outs = {args.at(1), proto::recordSetToCbor(rows)};
            return r;
        });
    }
    QList<client::RecordedCall> procCalls() const { return callsOf(u"ExecProcQuery"_s); }
    static ParamList params(const client::RecordedCall& c) {
        return ParamList(c.paramLines.join(u"\r\n"_s));
    }
};

TEST(SelectBillTexts, SingleOrderLikeKindsAreTakenOverUntilDone) {
    for (int kind : {4, 71, 45, 43, 8, 35, 38, 61, 62, 64, 65}) {
        SCOPED_TRACE(kind);
        EXPECT_TRUE(client::IsTakeOverKindList(u"("_s + QString::number(kind) + u")"_s));
    }
    // Other kinds, lists of several kinds and other spellings list every posted bill.
    for (const QString& list :
         {u"(1)"_s, u"(5)"_s, u"(80)"_s, u"(8,4)"_s, u" (8)"_s, u"8"_s, QString()}) {
        SCOPED_TRACE(list.toStdString());
        EXPECT_FALSE(client::IsTakeOverKindList(list));
    }
}

TEST(SelectBillTexts, ResultTextFramesTheMarkedLinesWithZeros) {
    EXPECT_EQ(u"orderid in (0,11,12,0)"_s, client::OrderFilterText({11, 12}));
    EXPECT_EQ(u"orderid in (0,5,0)"_s, client::OrderFilterText({5}));
    EXPECT_EQ(u"orderid in (0,0)"_s, client::OrderFilterText({}));
    EXPECT_EQ(u"查询时间:2026-03-01 至 2026-03-31"_s,
              client::selbilltext::periodText(QDate(2026, 3, 1), QDate(2026, 3, 31)));
}

TEST_F(SelectBillTest, ListQueryCarriesTheCallersFilters) {
    struct Case {
        const char* name;
        QString djStr;
        QString filter;
    };
    for (const Case& c : {Case{"purchase orders", u"(8)"_s, u";isred=1;isOver=0"_s},
                          Case{"sales orders", u"(4)"_s, u";isred=1;isOver=0"_s},
                          Case{"purchase bills", u"(5)"_s, u";isred=1"_s},
                          Case{"two kinds", u"(8,4)"_s, u";isred=1"_s}}) {
        SCOPED_TRACE(c.name);
        SelectBillArgs a = purchaseOrders();
        a.djStr = c.djStr;
        a.zyStr = u";id=12"_s;
        a.ckStr = u";id=2"_s;
        a.bmStr = u";id=4"_s;
        a.kmStr = u";id=8"_s;
        a.goodsStr = u";id=101;issub=1"_s;
        BillPicking picking(a);
        transport->clearCalls();
        answer(billRows({{10, "JHDD-1"}}));
        picking.runList();
        const auto calls = procCalls();
        ASSERT_EQ(1, calls.size());
        EXPECT_EQ(u"P_JXC_DJ_GetDJIndex"_s, calls[0].procedure);
        const ParamList p = params(calls[0]);
        EXPECT_EQ(u"2"_s, p.value(u"dj_state"_s));
        EXPECT_TRUE(p.contains(u"QueryType"_s));
        EXPECT_EQ(QString(), p.value(u"QueryType"_s));
        EXPECT_EQ(c.filter, p.value(u"filter"_s));
        EXPECT_EQ(u";wldw_id=3"_s, p.value(u"wldwStr"_s));
        EXPECT_EQ(u";czy_id=7;candel=0;id=12"_s, p.value(u"zyStr"_s));
        EXPECT_EQ(u";id=2"_s, p.value(u"ckStr"_s));
        EXPECT_EQ(u";id=4"_s, p.value(u"bmStr"_s));
        EXPECT_EQ(u";id=8"_s, p.value(u"kmStr"_s));
        EXPECT_EQ(u";id=101;issub=1"_s, p.value(u"GoodsStr"_s));
        EXPECT_EQ(c.djStr, p.value(u"djStr"_s));
        EXPECT_EQ(u"2026-03-01"_s, p.value(u"BeginDate"_s));
        EXPECT_EQ(u"2026-03-31"_s, p.value(u"EndDate"_s));
        // The rows come with their marks cleared.
        ASSERT_EQ(1, picking.bills().rowCount());
        EXPECT_FALSE(BillPicking::isMarked(picking.bills(), 0));
    }
}

TEST_F(SelectBillTest, LinesOfTheMarkedBillsAreAskedForAndMarkedLinesHandedBack) {
    BillPicking picking(purchaseOrders());
    answer(billRows({{10, "JHDD-1"}, {20, "JHDD-2"}, {30, "JHDD-3"}}));
    picking.runList();
    BillPicking::setMark(picking.bills(), 0, true);
    BillPicking::setMark(picking.bills(), 2, true);
    EXPECT_EQ((QList<qint64>{10, 30}), picking.markedBillIds());
    EXPECT_EQ(u" (10,30, 0)"_s, picking.markedBillList());

    transport->clearCalls();
    answer(lineRows({{10, 11, 101, 2}, {10, 12, 102, 3}, {30, 31, 101, 4}}));
    picking.runLines();
    const auto calls = procCalls();
    ASSERT_EQ(1, calls.size());
    EXPECT_EQ(u"P_JXC_DJ_GetDJList"_s, calls[0].procedure);
    const ParamList p = params(calls[0]);
    EXPECT_EQ(u" (10,30, 0)"_s, p.value(u"djStr"_s));
    EXPECT_EQ(u"xuandan"_s, p.value(u"QueryType"_s));
    EXPECT_EQ(u";djtype=5"_s, p.value(u"filter"_s));

    ASSERT_EQ(3, picking.lines().rowCount());
    BillPicking::setMark(picking.lines(), 0, true);
    BillPicking::setMark(picking.lines(), 1, true);
    const SelectBillResult r = picking.result();
    EXPECT_EQ(u"orderid in (0,11,12,0)"_s, r.orderFilter);
    // The marked lines, in grid order, without the mark field.
    ASSERT_EQ(2, r.lines.rowCount());
    EXPECT_FALSE(r.lines.hasField(u"isSelect"_s));
    EXPECT_EQ(11, r.lines.at(0, r.lines.fieldIndex(u"orderid"_s)).toLongLong());
    EXPECT_EQ(3.0, r.lines.at(1, r.lines.fieldIndex(u"qty"_s)).toDouble());
    // Each line names its source bill and line for the calling bill.
    EXPECT_EQ(10, r.lines.at(1, r.lines.fieldIndex(u"s_id"_s)).toLongLong());
    EXPECT_EQ(12, r.lines.at(1, r.lines.fieldIndex(u"s_orderid"_s)).toLongLong());
    // Only the bill the marked lines come from, though two bills were marked.
    ASSERT_EQ(1, r.bills.rowCount());
    EXPECT_EQ(10, r.bills.at(0, r.bills.fieldIndex(u"id"_s)).toLongLong());

    // Marks of both bills' lines hand both bills back, in list order.
    BillPicking::markAll(picking.lines(), true);
    const SelectBillResult all = picking.result();
    EXPECT_EQ(u"orderid in (0,11,12,31,0)"_s, all.orderFilter);
    EXPECT_EQ(2, all.bills.rowCount());
    BillPicking::markAll(picking.lines(), false);
    EXPECT_EQ(QList<qint64>(), picking.markedOrderIds());
}

TEST_F(SelectBillTest, ConfirmRefusesAnEmptyListAndMissingMarks) {
    BillPicking picking(purchaseOrders());
    answer(RecordSet());
    picking.runList();
    try {
        picking.result();
        ADD_FAILURE() << "no bill listed";
    } catch (const DytError& e) {
        EXPECT_EQ(u"请选择单据！"_s, e.message());
    }
    answer(billRows({{10, "JHDD-1"}}));
    picking.runList();
    BillPicking::setMark(picking.bills(), 0, true);
    // Bills marked but no line fetched, then lines fetched but none marked.
    for (bool fetch : {false, true}) {
        SCOPED_TRACE(fetch);
        if (fetch) {
            answer(lineRows({{10, 11, 101, 2}}));
            picking.runLines();
        }
        try {
            picking.result();
            ADD_FAILURE() << "no line marked";
        } catch (const DytError& e) {
            EXPECT_EQ(u"请您选中一条或多条商品！"_s, e.message());
        }
    }
}

TEST_F(SelectBillTest, WithoutAPeriodTheDateRangeIsAskedFirst) {
    SelectBillArgs a = purchaseOrders();
    a.beginDate = QDate();
    int asked = 0;
    client::periodAsker() = [&](QDate*, QDate*, QWidget*) {
        ++asked;
        return false;
    };
    SelectBillResult r;
    EXPECT_FALSE(TfrmSelectBill::Execute(a, &r));
    EXPECT_EQ(1, asked);
    // A cancelled question sends nothing.
    EXPECT_EQ(0, procCalls().size());

    // The range given is the one the list asks for.
    client::periodAsker() = [&](QDate* b, QDate* e, QWidget*) {
        ++asked;
        *b = QDate(2026, 2, 1);
        *e = QDate(2026, 2, 28);
        return true;
    };
    answer(billRows({{10, "JHDD-1"}}));
    QString shownPeriod;
    onNextModal([&](QWidget* w) {
        auto* win = qobject_cast<TfrmSelectBill*>(w);
        ASSERT_NE(nullptr, win);
        shownPeriod = win->periodLabel()->text();
        win->btnExitClick();
    });
    EXPECT_FALSE(TfrmSelectBill::Execute(a, &r));
    EXPECT_EQ(2, asked);
    EXPECT_EQ(u"查询时间:2026-02-01 至 2026-02-28"_s, shownPeriod);
    ASSERT_EQ(1, procCalls().size());
    EXPECT_EQ(u"2026-02-01"_s, params(procCalls()[0]).value(u"BeginDate"_s));
    EXPECT_EQ(u"2026-02-28"_s, params(procCalls()[0]).value(u"EndDate"_s));
}

TEST_F(SelectBillTest, ThePeriodDialogAsksForTheBillDates) {
    struct Case {
        const char* name;
        bool confirm;
    };
    for (const Case& c : {Case{"confirmed", true}, Case{"left", false}}) {
        SCOPED_TRACE(c.name);
        QString title, prompt;
        onNextModal([&](QWidget* w) {
            auto* dlg = qobject_cast<client::TfrmBaseDialog*>(w);
            ASSERT_NE(nullptr, dlg);
            title = dlg->windowTitle();
            prompt = dlg->lbltitle()->text();
            auto* from = dlg->findChild<QDateEdit*>(u"edBegin"_s);
            auto* to = dlg->findChild<QDateEdit*>(u"edEnd"_s);
            ASSERT_NE(nullptr, from);
            ASSERT_NE(nullptr, to);
            // The range offered starts from the one the caller had.
            EXPECT_EQ(QDate(2026, 1, 5), from->date());
            from->setDate(QDate(2026, 4, 1));
            to->setDate(QDate(2026, 4, 30));
            if (c.confirm)
                dlg->btnOKClick();
            else
                dlg->btnExitClick();
        });
        QDate begin(2026, 1, 5), end(2026, 1, 6);
        EXPECT_EQ(c.confirm, client::AskBillPeriod(&begin, &end, nullptr));
        EXPECT_EQ(u"制单日期"_s, title);
        EXPECT_EQ(u"请选择制单日期"_s, prompt);
        EXPECT_EQ(c.confirm ? QDate(2026, 4, 1) : QDate(2026, 1, 5), begin);
        EXPECT_EQ(c.confirm ? QDate(2026, 4, 30) : QDate(2026, 1, 6), end);
    }
}

TEST_F(SelectBillTest, TheWindowPicksMarksAndHandsBack) {
    answer(billRows({{10, "JHDD-1"}, {20, "JHDD-2"}}));
    answer(lineRows({{10, 11, 101, 2}, {10, 12, 102, 3}}));
    QString billCaption, lineCaption;
    onNextModal([&](QWidget* w) {
        auto* win = qobject_cast<TfrmSelectBill*>(w);
        ASSERT_NE(nullptr, win);
        EXPECT_EQ(u"选择单据"_s, win->windowTitle());
        ASSERT_EQ(2, win->billGrid()->model()->rowCount());
        QTableView* bills = win->billGrid()->table();
        QTableView* lines = win->lineGrid()->table();
        // "确定" before any line: the window stays with the message.
        perform(win, bills, {click("btnOK")});
        EXPECT_TRUE(win->isVisible());
        EXPECT_EQ(QStringList{u"请您选中一条或多条商品！"_s}, script.messages());
        ASSERT_EQ(1, script.records().size());
        EXPECT_EQ(u"提示"_s, script.records()[0].caption);
        // Enter on the first bill marks it and lists its lines, with the focus on them.
        perform(win, bills, {key(Qt::Key_Return)});
        ASSERT_EQ(2, win->lineGrid()->model()->rowCount());
        EXPECT_EQ(lines, QApplication::focusWidget());
        EXPECT_TRUE(BillPicking::isMarked(win->picking().bills(), 0));
        EXPECT_FALSE(BillPicking::isMarked(win->picking().bills(), 1));
        // "全选" works on the lines grid now; "全消" clears them again; Space marks one.
        perform(win, lines, {click("btnSelectAll")});
        EXPECT_EQ((QList<qint64>{11, 12}), win->picking().markedOrderIds());
        perform(win, lines, {click("btnUnselectAll"), key(Qt::Key_Space)});
        EXPECT_EQ(QList<qint64>{11}, win->picking().markedOrderIds());
        perform(win, lines, {key(Qt::Key_Space)});
        EXPECT_EQ(QList<qint64>(), win->picking().markedOrderIds());
        billCaption = win->billGrid()->model()->headerData(0, Qt::Horizontal).toString();
        lineCaption = win->lineGrid()->model()->headerData(8, Qt::Horizontal).toString();
        saveScreenshot(win, u"selectbill_window"_s);
        // Enter on the second line marks it and confirms.
        perform(win, lines, {key(Qt::Key_Down), key(Qt::Key_Return)});
    });
    SelectBillResult r;
    ASSERT_TRUE(TfrmSelectBill::Execute(purchaseOrders(), &r));
    EXPECT_EQ(u"orderid in (0,12,0)"_s, r.orderFilter);
    ASSERT_EQ(1, r.lines.rowCount());
    EXPECT_EQ(102, r.lines.at(0, r.lines.fieldIndex(u"goodsid"_s)).toLongLong());
    ASSERT_EQ(1, r.bills.rowCount());
    EXPECT_EQ(u"JHDD-1"_s, r.bills.at(0, r.bills.fieldIndex(u"code"_s)).toString());
    EXPECT_EQ(u"选择"_s, billCaption);
    EXPECT_EQ(u"数量"_s, lineCaption);
    EXPECT_EQ(0, transport->pendingAnswers());
}

}  // namespace
}  // namespace dyt::test
