// Bill picking on the recording transport and in its window; against a real server posted orders
// picked until fully taken over, and the warning lists answered from the ledgers.
#include "bills_support.h"
#include "client/bills/frmbasefkc.h"
#include "client/bills/frmbaseshowprice.h"
#include "client/bills/frmselectbill.h"
#include "client/bills/selectionservices.h"
#include "server/posting_packets.h"

using namespace Qt::StringLiterals;

namespace dyt::test {
namespace {

using client::BillPicking;
using client::SelectBillArgs;
using client::SelectBillResult;
using client::TfrmSelectBill;

// Bill headers shaped like P_JXC_DJ_GetDJIndex rows.
RecordSet billRows(const QList<std::pair<qint64, const char*>>& bills) {
    RecordSet rs =
        recordSet({u"id:integer"_s, u"code"_s, u"date"_s, u"wldw_id:integer"_s, u"summery"_s});
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
    RecordSet rs = recordSet(
        {u"id:integer"_s, u"orderid:integer"_s, u"goodsid:integer"_s, u"qty:float"_s, u"djcode"_s});
    for (const LineRow& l : lines)
        rs.appendRow(
            {l.billId, l.orderid, l.goodsid, l.qty, u"JHDD-"_s + QString::number(l.billId)});
    return rs;
}

// The purchase orders of a supplier in a month.
SelectBillArgs purchaseOrders(qint64 supplier = 3, QDate month = QDate(2026, 3, 1)) {
    SelectBillArgs a;
    a.djStr = u"(8)"_s;
    a.djType = 5;
    a.wldwStr = u";wldw_id="_s + QString::number(supplier);
    a.beginDate = month;
    a.endDate = month.addMonths(1).addDays(-1);
    return a;
}

class SelectBillTest : public BillFixture {
protected:
    void TearDown() override {
        client::periodAsker() = client::askBillPeriod;
        BillFixture::TearDown();
    }
    QList<client::RecordedCall> procCalls() const { return callsOf(u"ExecProcQuery"_s); }
    static ParamList params(const client::RecordedCall& c) {
        return ParamList(c.paramLines.join(u"\r\n"_s));
    }
};

TEST(SelectBillTexts, SingleOrderLikeKindsAreTakenOverAndNoLinesGiveTwoZeros) {
    for (int kind : {4, 71, 45, 43, 8, 35, 38, 61, 62, 64, 65}) {
        SCOPED_TRACE(kind);
        EXPECT_TRUE(client::isTakeOverKindList(u"("_s + QString::number(kind) + u")"_s));
    }
    // Other kinds, lists of several kinds and other spellings list every posted bill.
    for (const QString& list :
         {u"(1)"_s, u"(5)"_s, u"(80)"_s, u"(8,4)"_s, u" (8)"_s, u"8"_s, QString()}) {
        SCOPED_TRACE(list.toStdString());
        EXPECT_FALSE(client::isTakeOverKindList(list));
    }
    // No marked line: the result's filter is framed by zeros alone.
    EXPECT_EQ(u"orderid in (0,0)"_s, client::orderFilterText({}));
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
        answerProc(billRows({{10, "JHDD-1"}}));
        picking.runList();
        const auto calls = procCalls();
        ASSERT_EQ(1, calls.size());
        EXPECT_EQ(u"P_JXC_DJ_GetDJIndex"_s, calls[0].procedure);
        const ParamList p = params(calls[0]);
        EXPECT_TRUE(p.contains(u"QueryType"_s));  // sent empty
        EXPECT_EQ(u"2||"_s + c.filter + u'|' + c.djStr +
                      u"|;wldw_id=3|;czy_id=7;candel=0;id=12|;id=2|;id=4|;id=8|;id=101;issub=1"
                      u"|2026-03-01|2026-03-31"_s,
                  test::valuesOf(p,
                                 u"dj_state,QueryType,filter,djStr,wldwStr,zyStr,ckStr,bmStr,"
                                 u"kmStr,GoodsStr,BeginDate,EndDate"_s));
        // The rows come with their marks cleared.
        ASSERT_EQ(1, picking.bills().rowCount());
        EXPECT_FALSE(BillPicking::isMarked(picking.bills(), 0));
    }
}

TEST_F(SelectBillTest, LinesOfTheMarkedBillsAreAskedForAndMarkedLinesHandedBack) {
    BillPicking picking(purchaseOrders());
    answerProc(RecordSet());
    picking.runList();
    const QString noLine = u"请您选中一条或多条商品！"_s;
    EXPECT_EQ(u"请选择单据！"_s, dyt::test::errorOf([&] { picking.result(); }));
    answerProc(billRows({{10, "JHDD-1"}, {20, "JHDD-2"}, {30, "JHDD-3"}}));
    picking.runList();
    BillPicking::setMark(picking.bills(), 0, true);
    BillPicking::setMark(picking.bills(), 2, true);
    EXPECT_EQ((QList<qint64>{10, 30}), picking.markedBillIds());
    EXPECT_EQ(u" (10,30, 0)"_s, picking.markedBillList());
    // Bills marked but no line fetched, then lines fetched but none marked: refused.
    EXPECT_EQ(noLine, dyt::test::errorOf([&] { picking.result(); }));
    transport->clearCalls();
    answerProc(lineRows({{10, 11, 101, 2}, {10, 12, 102, 3}, {30, 31, 101, 4}}));
    picking.runLines();
    EXPECT_EQ(noLine, dyt::test::errorOf([&] { picking.result(); }));
    const auto calls = procCalls();
    ASSERT_EQ(1, calls.size());
    EXPECT_EQ(u"P_JXC_DJ_GetDJList"_s, calls[0].procedure);
    const ParamList p = params(calls[0]);
    EXPECT_EQ(u" (10,30, 0)"_s, p.value(u"djStr"_s));
    EXPECT_EQ(u"xuandan|;djtype=5"_s, test::valuesOf(p, u"QueryType,filter"_s));
    ASSERT_EQ(3, picking.lines().rowCount());
    BillPicking::setMark(picking.lines(), 0, true);
    BillPicking::setMark(picking.lines(), 1, true);
    const SelectBillResult r = picking.result();
    EXPECT_EQ(u"orderid in (0,11,12,0)"_s, r.orderFilter);
    // The marked lines, in grid order, without the mark field, each naming its source bill and
    // line; only the bill they come from, though two bills were marked.
    ASSERT_EQ(2, r.lines.rowCount());
    EXPECT_FALSE(r.lines.hasField(u"isSelect"_s));
    const QString fields = u"orderid,qty,s_id,s_orderid"_s;
    EXPECT_EQ(u"11|2|10|11 12|3|10|12"_s,
              rowOf(r.lines, 0, fields) + u' ' + rowOf(r.lines, 1, fields));
    ASSERT_EQ(1, r.bills.rowCount());
    EXPECT_EQ(u"10"_s, cellOf(r.bills, 0, u"id"_s));
    // Marks of both bills' lines hand both bills back, in list order.
    BillPicking::markAll(picking.lines(), true);
    const SelectBillResult all = picking.result();
    EXPECT_EQ(u"orderid in (0,11,12,31,0)"_s, all.orderFilter);
    EXPECT_EQ(2, all.bills.rowCount());
    BillPicking::markAll(picking.lines(), false);
    EXPECT_EQ(QList<qint64>(), picking.markedOrderIds());
}

TEST_F(SelectBillTest, WithoutAPeriodTheDateRangeIsAskedFirstInThePeriodDialog) {
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
    answerProc(billRows({{10, "JHDD-1"}}));
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
    EXPECT_EQ(u"2026-02-01|2026-02-28"_s,
              test::valuesOf(params(procCalls()[0]), u"BeginDate,EndDate"_s));
    // The period dialog asks for the bill dates.
    for (const bool confirm : {true, false}) {
        SCOPED_TRACE(confirm);
        onNextModal([&](QWidget* w) {
            auto* dlg = qobject_cast<client::TfrmBaseDialog*>(w);
            ASSERT_NE(nullptr, dlg);
            auto* from = dlg->findChild<QDateEdit*>(u"edBegin"_s);
            auto* to = dlg->findChild<QDateEdit*>(u"edEnd"_s);
            ASSERT_TRUE(from && to);
            // The range offered starts from the one the caller had.
            EXPECT_EQ(QDate(2026, 1, 5), from->date());
            from->setDate(QDate(2026, 4, 1));
            to->setDate(QDate(2026, 4, 30));
            confirm ? dlg->btnOKClick() : dlg->btnExitClick();
        });
        QDate begin(2026, 1, 5), end(2026, 1, 6);
        EXPECT_EQ(confirm, client::askBillPeriod(&begin, &end, nullptr));
        EXPECT_EQ(confirm ? u"2026-04-01 2026-04-30"_s : u"2026-01-05 2026-01-06"_s,
                  begin.toString(Qt::ISODate) + u' ' + end.toString(Qt::ISODate));
    }
}

TEST_F(SelectBillTest, TheWindowPicksMarksAndHandsBack) {
    answerProc(billRows({{10, "JHDD-1"}, {20, "JHDD-2"}}));
    answerProc(lineRows({{10, 11, 101, 2}, {10, 12, 102, 3}}));
    onNextModal([&](QWidget* w) {
        auto* win = qobject_cast<TfrmSelectBill*>(w);
        ASSERT_NE(nullptr, win);
        ASSERT_EQ(2, win->billGrid()->model()->rowCount());
        QTableView* bills = win->billGrid()->table();
        QTableView* lines = win->lineGrid()->table();
        // "确定" before any line: the window stays with the message.
        perform(win, bills, {click("btnOK")});
        EXPECT_TRUE(win->isVisible());
        EXPECT_EQ(QStringList{u"请您选中一条或多条商品！"_s}, script.messages());
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
        // Enter on the second line marks it and confirms.
        perform(win, lines, {key(Qt::Key_Down), key(Qt::Key_Return)});
    });
    SelectBillResult r;
    ASSERT_TRUE(TfrmSelectBill::Execute(purchaseOrders(), &r));
    EXPECT_EQ(u"orderid in (0,12,0)"_s, r.orderFilter);
    ASSERT_EQ(1, r.lines.rowCount());
    EXPECT_EQ(u"102|JHDD-1"_s,
              cellOf(r.lines, 0, u"goodsid"_s) + u'|' + cellOf(r.bills, 0, u"code"_s));
    EXPECT_EQ(0, transport->pendingAnswers());
}

using client::WarnLine;
using server::test::GoodsBill;
using server::test::GoodsLine;

constexpr qint64 kScrew = 101, kGear = 102, kCustomer = 201, kSupplier = 203, kOther = 204;
constexpr qint64 kWh = 301;

class SelBillE2E : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        client::selectionServices().loadLayout = nullptr;
        client::selectionServices().saveLayout = nullptr;
        addGoods(kScrew, "SP101", "螺丝", 1011, "个");
        addGoods(kGear, "SP102", "齿轮", 1021, "个");
        addRecord("baseWLDW", kCustomer, "K1", "甲客户");
        addRecord("baseWLDW", kSupplier, "G1", "甲供应商");
        addRecord("baseWLDW", kOther, "G2", "乙供应商");
        addRecord("baseCK", kWh, "CK1", "总仓");
        addRecord("baseZY", 2, "002", "张三", 0, 0, {{"name", u"'张三'"_s}});
        addRecord("baseBM", 401, "BM1", "业务部");
        ASSERT_EQ(0, openAccounts(QDate(2025, 1, 1)));
    }
    void TearDown() override {
        client::resetSelectionServices();
        ServerFixture::TearDown();
    }
    // Posts a goods bill as the bill windows send it; `sources` sets s_id/s_orderid per line.
    // Returns the bill's id.
    qint64 post(int djType, const QString& code, qint64 partner, std::vector<GoodsLine> lines,
                const QList<std::pair<qint64, qint64>>& sources = {}) {
        GoodsBill b;
        b.djType = djType;
        b.date = u"2025-02-03"_s;
        b.code = code;
        b.partner = partner;
        b.intoStock = kWh;
        b.lines = std::move(lines);
        ParamList header = server::test::goodsBillParams(b);
        RecordSet packet = server::test::goodsLinesPacket(b);
        for (int i = 0; i < packet.rowCount(); ++i) {
            const qint64 goods = packet.at(i, packet.fieldIndex(u"goodsid"_s)).toLongLong();
            if (goods > 0)
                packet.setAt(i, packet.fieldIndex(u"unitid"_s), QString::number(goods * 10 + 1));
        }
        for (int i = 0; i < sources.size(); ++i) {
            packet.setAt(i, packet.fieldIndex(u"s_id"_s), QString::number(sources[i].first));
            packet.setAt(i, packet.fieldIndex(u"s_orderid"_s), QString::number(sources[i].second));
        }
        const RecordSet accounts = server::test::accountPacket({});
        dm.ExecService(u"QMXService"_s, u"SaveToDB"_s, header, &packet, &accounts);
        const qint64 id =
            number(u"SELECT id FROM djIndex WHERE code = '"_s + code + u"' AND dj_state = 2"_s);
        EXPECT_GT(id, 0) << code.toStdString();
        return id;
    }
    QList<qint64> orderIds(qint64 bill) {
        const RecordSet rs =
            query(u"SELECT orderid FROM djList WHERE id = %1 ORDER BY orderid"_s.arg(bill));
        QList<qint64> out;
        for (int r = 0; r < rs.rowCount(); ++r)
            out << rs.at(r, 0).toLongLong();
        return out;
    }
    static SelectBillArgs purchaseOrdersOf(qint64 supplier) {
        return purchaseOrders(supplier, QDate(2025, 2, 1));
    }
    static WarnLine line(int row, qint64 goods, double qty, double price = 0) {
        return warnLine(row, goods, kWh, qty, price, goods * 10 + 1);
    }
};

TEST_F(SelBillE2E, APostedPurchaseOrderIsListedPickedAndHandedBack) {
    const qint64 order =
        post(8, u"JHDD-1"_s, kSupplier,
             {{.goods = kScrew, .qty = 10, .price = 5}, {.goods = kGear, .qty = 4, .price = 7}});
    // Neither another supplier's order nor the supplier's purchase bill is offered.
    post(8, u"JHDD-2"_s, kOther, {{.goods = kScrew, .qty = 1, .price = 5}});
    post(5, u"JH-1"_s, kSupplier, {{.goods = kScrew, .qty = 1, .price = 5}});
    const QList<qint64> orderLines = orderIds(order);
    ASSERT_EQ(2, orderLines.size());
    BillPicking listing(purchaseOrdersOf(kSupplier));
    listing.runList();
    ASSERT_EQ(1, listing.bills().rowCount());
    EXPECT_EQ(u"JHDD-1"_s, cellOf(listing.bills(), 0, u"code"_s));
    BillPicking::markAll(listing.bills(), true);
    listing.runLines();
    ASSERT_EQ(2, listing.lines().rowCount());
    BillPicking::markAll(listing.lines(), true);
    const SelectBillResult r = listing.result();
    EXPECT_EQ(client::orderFilterText(orderLines), r.orderFilter);
    ASSERT_EQ(2, r.lines.rowCount());
    EXPECT_EQ(u"101|10 102|7"_s, numbersOf(r.lines, 0, u"goodsid,qty"_s) + u' ' +
                                     numbersOf(r.lines, 1, u"goodsid,Price"_s));
    EXPECT_EQ(u"JHDD-1"_s, cellOf(r.lines, 0, u"djcode"_s));
    // The server's lines carry the order's own (empty) source; the result names the order.
    EXPECT_EQ(u"%1|%2"_s.arg(order).arg(orderLines[1]), numbersOf(r.lines, 1, u"s_id,s_orderid"_s));
    ASSERT_EQ(1, r.bills.rowCount());
    EXPECT_EQ(u"%1|%2"_s.arg(order).arg(kSupplier), numbersOf(r.bills, 0, u"id,wldw_id"_s));
    // An order number in place of the partner picks that order, whoever its supplier.
    SelectBillArgs byCode = purchaseOrdersOf(kSupplier);
    byCode.wldwStr = u";Code=JHDD-2"_s;
    byCode.beginDate = QDate(2000, 1, 1);
    byCode.endDate = QDate(2030, 1, 1);
    BillPicking coded(byCode);
    coded.runList();
    ASSERT_EQ(1, coded.bills().rowCount());
    EXPECT_EQ(kOther, coded.bills().at(0, coded.bills().fieldIndex(u"wldw_id"_s)).toLongLong());
    // Receiving all screws and half the gears: the order stays, offering only the gears' line.
    post(5, u"JH-2"_s, kSupplier,
         {{.goods = kScrew, .qty = 10, .price = 5}, {.goods = kGear, .qty = 2, .price = 7}},
         {{order, orderLines[0]}, {order, orderLines[1]}});
    BillPicking picking(purchaseOrdersOf(kSupplier));
    picking.runList();
    ASSERT_EQ(1, picking.bills().rowCount());
    BillPicking::markAll(picking.bills(), true);
    picking.runLines();
    ASSERT_EQ(1, picking.lines().rowCount());
    EXPECT_EQ(orderLines[1],
              picking.lines().at(0, picking.lines().fieldIndex(u"orderid"_s)).toLongLong());
    EXPECT_EQ(u"2"_s, numbersOf(picking.lines(), 0, u"toQty"_s));
    // The rest of the gears: the order is fully received and no longer offered.
    post(5, u"JH-3"_s, kSupplier, {{.goods = kGear, .qty = 2, .price = 7}},
         {{order, orderLines[1]}});
    picking.runList();
    EXPECT_EQ(0, picking.bills().rowCount());
    // Purchase bills themselves are listed without the taken-over filter.
    SelectBillArgs bills = purchaseOrdersOf(kSupplier);
    bills.djStr = u"(5)"_s;
    BillPicking purchases(bills);
    purchases.runList();
    EXPECT_EQ(3, purchases.bills().rowCount());
}

TEST_F(SelBillE2E, StockWarningsAnswerFromTheStockLedger) {
    // 3 screws and 10 gears in stock; a purchase order brings 4 more screws.
    post(5, u"JH-1"_s, kSupplier,
         {{.goods = kScrew, .qty = 3, .price = 6}, {.goods = kGear, .qty = 10, .price = 2}});
    post(8, u"JHDD-1"_s, kSupplier, {{.goods = kScrew, .qty = 4, .price = 6}});
    ASSERT_EQ(3.0, number(u"SELECT dbo.fnGetStockQty(101,301,0)"_s));
    // Selling 5 of a stock of 3 lists the screws under negative stock; the gears stay positive.
    const RecordSet negative = client::NegativeStockRows({line(1, kScrew, 5), line(2, kGear, 4)});
    ASSERT_EQ(1, negative.rowCount());
    EXPECT_EQ(u"101|3|-2"_s, numbersOf(negative, 0, u"sp_id,Qty,fkcQty"_s));
    EXPECT_EQ(0, client::NegativeStockRows({line(1, kScrew, 3)}).rowCount());
    // Virtual stock counts the open order: 3 + 4 = 7; selling 9 leaves −2, selling 7 nothing.
    const RecordSet virt = client::virtualNegativeStockRows({line(1, kScrew, 9)});
    ASSERT_EQ(1, virt.rowCount());
    EXPECT_EQ(u"3|-6|7|-2"_s, numbersOf(virt, 0, u"kcQty,Qty,xnkcQty,fkcQty"_s));
    EXPECT_EQ(0, client::virtualNegativeStockRows({line(1, kScrew, 7)}).rowCount());
    // Limits: screws between 2 and 10, gears up to 12.
    dm.ExecUpdate(
        u"INSERT INTO baseGoodsWarn(goodsid, stockid, warnUp, warnDown) VALUES "
        u"(101, 301, 10, 2), (102, 301, 12, 0)"_s);
    const struct {
        const char* name;
        bool upper;
        QList<WarnLine> lines;
        const char* rows;  // goods|warehouse|row|limit|beyond, "" for none
    } cases[] = {
        // 3 + 4 + 5 = 12 screws, 2 over the 10; 10 + 2 gears reach 12 exactly.
        {"upper, two lines of one goods",
         true,
         {line(1, kScrew, 4), line(2, kGear, 2), line(3, kScrew, 5)},
         "101|301|1|10|2"},
        {"upper, within", true, {line(1, kScrew, 7)}, ""},
        // 3 − 2 = 1 screw, 1 short of the 2.
        {"lower, short", false, {line(1, kGear, 1), line(2, kScrew, 2)}, "101|301|2|2|1"},
        {"lower, at the limit", false, {line(1, kScrew, 1)}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordSet rs;
        dm.ExecQuery(client::warnsql::stockLimitSql(c.lines, c.upper), &rs);
        QStringList rows;
        for (int i = 0; i < rs.rowCount(); ++i)
            rows << numbersOf(rs, i, u"sp_id,ck_id,row,Qty_,Qty"_s);
        EXPECT_EQ(QString::fromLatin1(c.rows), rows.join(u' '));
    }
    // The window runs the text itself and lists the row.
    int shown = -1;
    onNextModal([&](QWidget* w) {
        auto* win = qobject_cast<client::TfrmBaseShowPrice*>(w);
        ASSERT_NE(nullptr, win);
        shown = win->grid()->model()->rowCount();
        win->btnOKClick();
    });
    EXPECT_TRUE(client::TfrmBaseShowPrice::checkAndShow(
        client::kStockAboveUpper, client::warnsql::stockLimitSql({line(1, kScrew, 9)}, true)));
    EXPECT_EQ(1, shown);
    // Nothing beyond the limits: nothing shown, the save goes on.
    EXPECT_TRUE(client::TfrmBaseShowPrice::checkAndShow(
        client::kStockBelowLower, client::warnsql::stockLimitSql({line(1, kScrew, 1)}, false)));
}

TEST_F(SelBillE2E, PriceAndPartnerWarningsAnswerFromTheLedgers) {
    // 3 screws bought at 6: the stock cost is 6; latest purchase 8 and lowest sale 9 as set.
    post(5, u"JH-1"_s, kSupplier, {{.goods = kScrew, .qty = 3, .price = 6}});
    dm.ExecUpdate(
        u"UPDATE baseGoodsUnit SET latestBuyPrice = 8, lowestSalePrice = 9 WHERE id = "
        u"1011"_s);
    struct Case {
        int kind;
        double price;
        double reference;  // 0: not listed
    };
    for (const Case& c : {Case{1, 7, 8}, Case{1, 8, 0}, Case{2, 5.5, 6}, Case{2, 7, 0},
                          Case{3, 8.5, 9}, Case{5, 8.5, 9}, Case{6, 5.99, 6}, Case{3, 9, 0}}) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " at " << c.price);
        const RecordSet rows = client::sellingPriceRows(c.kind, {line(1, kScrew, 1, c.price)});
        ASSERT_EQ(c.reference > 0 ? 1 : 0, rows.rowCount());
        if (c.reference > 0) {
            EXPECT_EQ(u"%1|%2|101|301|1"_s.arg(c.reference).arg(c.price),
                      numbersOf(rows, 0, u"Price2,Price1,sp_id,ck_id,row"_s));
        }
    }
    // Gears were never bought: no latest purchase price to sell below.
    EXPECT_EQ(0, client::sellingPriceRows(1, {line(1, kGear, 1, 0.5)}).rowCount());
    // Buying above the latest purchase price 8 is listed, at or below it not; nor goods never
    // bought.
    for (const Case& c : {Case{0, 8.5, 8}, Case{0, 8, 0}, Case{0, 7, 0}}) {
        SCOPED_TRACE(c.price);
        const RecordSet rows = client::purchasePriceRows({line(1, kScrew, 1, c.price)});
        ASSERT_EQ(c.reference > 0 ? 1 : 0, rows.rowCount());
        EXPECT_FALSE(rows.hasField(u"ck_id"_s));
        if (c.reference > 0) {
            EXPECT_EQ(u"%1|%2"_s.arg(c.reference).arg(c.price),
                      numbersOf(rows, 0, u"Price2,Price1"_s));
        }
    }
    EXPECT_EQ(0, client::purchasePriceRows({line(1, kGear, 1, 12)}).rowCount());
    // The supplier is owed 18; with a payables limit of 100 a bill of 90 goes beyond it.
    dm.ExecUpdate(u"UPDATE baseWLDW SET yf_xyd = 100 WHERE id = 203"_s);
    const client::PartnerLimit limit = client::readPartnerLimit(kSupplier, 90, false);
    EXPECT_EQ(u"甲供应商 100 18"_s,
              u"%1 %2 %3"_s.arg(limit.name).arg(limit.limit).arg(limit.current));
    EXPECT_TRUE(limit.exceeded());
    script.answer(u"取消(&C)"_s, u"供应商[ 甲供应商 ]应付款超出限制，是否继续？"_s);
    EXPECT_FALSE(client::checkPartnerLimit(kSupplier, 90, false));
    script.answer(u"继续(&O)"_s, u"    本次应付额：90.00"_s);
    EXPECT_TRUE(client::checkPartnerLimit(kSupplier, 90, false));
    // Within the limit, or reaching it exactly, nothing is asked.
    EXPECT_TRUE(client::checkPartnerLimit(kSupplier, 80, false));
    EXPECT_TRUE(client::checkPartnerLimit(kSupplier, 82, false));
    EXPECT_EQ(2, script.records(client::PromptKind::Question).size());
    // A sale on credit raises the customer's receivable against its limit.
    post(1, u"XS-1"_s, kCustomer, {{.goods = kScrew, .qty = 1, .price = 50}});
    dm.ExecUpdate(u"UPDATE baseWLDW SET ys_xyd = 60 WHERE id = 201"_s);
    const client::PartnerLimit customer = client::readPartnerLimit(kCustomer, 20, true);
    EXPECT_EQ(50.0, customer.current);
    EXPECT_TRUE(customer.exceeded());
    EXPECT_FALSE(client::readPartnerLimit(kCustomer, 10, true).exceeded());
    script.answer(u"取消(&C)"_s, u"客户[ 甲客户 ]应收款超出限制，是否继续？"_s);
    EXPECT_FALSE(client::checkPartnerLimit(kCustomer, 20, true));
    // A limit of 0 is no limit.
    dm.ExecUpdate(u"UPDATE baseWLDW SET ys_xyd = 0 WHERE id = 201"_s);
    EXPECT_FALSE(client::readPartnerLimit(kCustomer, 5000, true).exceeded());
}

}  // namespace
}  // namespace dyt::test
