// Posting realistic sequences of bills of every kind and the ledger procedures, checking stock
// quantity and value, line costs, partner balances and account balances against values worked
// out by hand.

#include "ledger_fixture.h"
#include "server/tsql/tsql_functions.h"

using namespace Qt::StringLiterals;

namespace dyt::ledgertest {
namespace {

using Posting = OpenedLedgerTest;

TEST_F(Posting, PurchasesAtTwoPricesThenASaleUnderEachCostMethod) {
    struct Case {
        const char* method;
        qint64 goods;
        double cost;       // of the 15 sold
        double leftValue;  // of the 5 left
    } cases[] = {          // 10 at 10 and 10 at 12: average 220 / 20 = 11.
                 {"moving average", kAverage, 15 * 11, 5 * 11},
                 // The older 10 at 10 first, then 5 of the 12s.
                 {"FIFO", kFifo, 10 * 10 + 5 * 12, 5 * 12},
                 // The newer 10 at 12 first, then 5 of the 10s.
                 {"LIFO", kLifo, 10 * 12 + 5 * 10, 5 * 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method);
        post(purchase(c.goods, 10, 10, "2024-01-05"));
        post(purchase(c.goods, 10, 12, "2024-01-06"));
        const qint64 s = post(sale(c.goods, 15, 20, "2024-01-07"));
        EXPECT_EQ(c.cost, lineCost(s, 1));
        // The cost price is kept to eight decimals.
        EXPECT_NEAR(
            c.cost / 15,
            value(u"SELECT costprice FROM djList WHERE orderid = ?"_s, {lineId(s, 1)}).toDouble(),
            0.5e-8);
        EXPECT_EQ((QList<double>{5, c.leftValue}), stockOf(c.goods, kMain));
    }
}

TEST_F(Posting, ManualBatchTakesTheBatchTheLineChose) {
    const qint64 p1 = post(purchase(kManual, 10, 10, "2024-01-05"));
    const qint64 p2 = post(purchase(kManual, 10, 12, "2024-01-06"));
    const qint64 first = lineBatch(p1, 1), second = lineBatch(p2, 1);
    EXPECT_NE(0, first);
    EXPECT_NE(first, second);
    BillPlan s = sale(kManual, 8, 20, "2024-01-07");
    s.lines[0].goodspc = second;
    const qint64 id = post(s);
    EXPECT_EQ(8 * 12, lineCost(id, 1));
    EXPECT_EQ((QList<double>{12, 10 * 10 + 2 * 12}), stockOf(kManual, kMain));
    // Without a batch the line cannot be costed; more than the batch holds is refused.
    EXPECT_EQ(u"第 1 行商品[SP02 轴承]按手工指定批次计算成本，请选择批次！"_s,
              test::errorOf([&] { post(sale(kManual, 1, 20, "2024-01-08")); }));
    s.lines[0].qty = 3;
    EXPECT_EQ(
        u"第 1 行商品[SP02 轴承]库存不足：仓库[总仓]所选批次现有 2，需要 3，"
        "不能过账！"_s,
        test::errorOf([&] { post(s); }));
}

TEST_F(Posting, SaleWithTaxDiscountAndReceiptOnTheSpot) {
    post(purchase(kAverage, 10, 10, "2024-01-05"));
    BillPlan s = sale(kAverage, 5, 20, "2024-01-06");
    s.lines[0].taxRate = 13;  // 100 + 13 tax
    s.youhui = 3;
    s.money.push_back({.km = kmCash, .type = 1, .amount = 50});
    const qint64 id = post(s);
    EXPECT_EQ(50, lineCost(id, 1));  // 5 at the average 10
    EXPECT_EQ(113 - 3 - 50, receivable(kCustomer));
    EXPECT_EQ(50, number(u"SELECT sfkTotalLj FROM djIndex WHERE id = ?"_s, {id}));
    // Receivable: 113 − 3 discount − 50 received; sales: the amount without tax; output tax 13;
    // the purchase unpaid; assets: stock + receivable + cash.
    EXPECT_EQ((QList<double>{60, 100, 13, 3, 50, 50, 100 - 50, 100, 50 + 60 + 50}),
              accounts({kmReceivable, kmSales, kmTax, kmSalesDiscount, kmCash, kmCostOfSales,
                        kmStock, kmPayable, kmAssets}));
    // Every bill's account lines balance.
    EXPECT_EQ(0, number(u"SELECT total(dbTotal) - total(LendTotal) FROM djKmDetail "
                        "WHERE type = 0"_s));
}

TEST_F(Posting, PurchaseWithFreightSharedOverTheLinesAndPaidInPart) {
    BillPlan p;
    p.djType = 5;
    p.wldw = kSupplier;
    p.intoStock = kMain;
    p.yfwldw = kCarrier;
    p.yfTotalSum = 10;
    // Freight 10 over quantities 1, 1, 1: 3.33, 3.33, 3.34.
    p.lines = {{.goods = kAverage, .qty = 1, .price = 10, .freight = 3.33},
               {.goods = kFifo, .qty = 1, .price = 20, .freight = 3.33},
               {.goods = kLifo, .qty = 1, .price = 30, .freight = 3.34}};
    p.money = {{.km = kmCash, .type = 1, .amount = 30}, {.km = kmCash, .type = 2, .amount = 4}};
    const qint64 id = post(p);
    EXPECT_EQ(13.33, lineCost(id, 1));
    EXPECT_EQ(23.33, lineCost(id, 2));
    EXPECT_EQ(33.34, lineCost(id, 3));
    EXPECT_EQ(33.34, stockValue(kLifo, kMain));
    EXPECT_EQ((QList<double>{60 - 30, 10 - 4}), payables({kSupplier, kCarrier}));
    EXPECT_EQ((QList<double>{70, -34, 30 + 6}), accounts({kmStock, kmCash, kmPayable}));
    p.lines[2].freight = 0;
    EXPECT_EQ(u"运费合计没有分配完成！"_s, test::errorOf([&] { post(p); }));
    p.lines[2].freight = 3.34;
    p.yfwldw = 0;
    EXPECT_EQ(u"必须输入运费往来单位！"_s, test::errorOf([&] { post(p); }));
}

TEST_F(Posting, ReturnsComeBackAtCostAndTheDifferenceIsACostAdjustment) {
    post(purchase(kFifo, 10, 10, "2024-01-05"));
    post(purchase(kFifo, 10, 12, "2024-01-06"));
    BillPlan r = purchase(kFifo, 3, 11, "2024-01-07");
    r.djType = 6;  // purchase return: 3 go back at 11, they cost 10 each (FIFO)
    const qint64 id = post(r);
    EXPECT_EQ(30, lineCost(id, 1));
    EXPECT_EQ((QList<double>{17, 220 - 30}), stockOf(kFifo, kMain));
    EXPECT_EQ(220 - 33, payable(kSupplier));
    EXPECT_EQ(-3, account(kmCostAdjust));  // 33 owed less against 30 of stock: a gain of 3
    post(purchase(kAverage, 10, 10, "2024-01-05"));
    post(sale(kAverage, 5, 20, "2024-01-08"));
    BillPlan back = sale(kAverage, 2, 20, "2024-01-09");
    back.djType = 2;  // sales return: back at the cost the line carries
    back.lines[0].costprice = 10;
    post(back);
    EXPECT_EQ((QList<double>{7, 70}), stockOf(kAverage, kMain));
    EXPECT_EQ(100 - 40, receivable(kCustomer));
    EXPECT_EQ((QList<double>{100 - 40, 50 - 20}), accounts({kmSales, kmCostOfSales}));
}

TEST_F(Posting, TransfersMoveCostAndBatches) {
    post(purchase(kAverage, 10, 10, "2024-01-05"));
    post(purchase(kAverage, 10, 12, "2024-01-06"));
    BillPlan t;
    t.djType = 15;
    t.outStock = kMain;
    t.intoStock = kShop;
    t.lines.push_back({.goods = kAverage, .qty = 8, .price = 11});
    const qint64 id = post(t);
    EXPECT_EQ(88, lineCost(id, 1));
    EXPECT_EQ((QList<double>{12, 132}), stockOf(kAverage, kMain));
    EXPECT_EQ((QList<double>{8, 88}), stockOf(kAverage, kShop));
    // FIFO batches keep their date of entry in the other warehouse: the shop sells the older
    // batch first.
    post(purchase(kFifo, 10, 10, "2024-01-05"));
    post(purchase(kFifo, 10, 12, "2024-01-06"));
    t.lines = {{.goods = kFifo, .qty = 12, .price = 0}};
    EXPECT_EQ(100 + 24, lineCost(post(t), 1));
    BillPlan s = sale(kFifo, 1, 20, "2024-01-10");
    s.intoStock = kShop;
    EXPECT_EQ(10, lineCost(post(s), 1));
    // Changed-price transfer: out at cost 55 (5 at 11), in at 60; the 5 is a revaluation.
    BillPlan priced;
    priced.djType = 16;
    priced.outStock = kMain;
    priced.intoStock = kShop;
    priced.lines.push_back({.goods = kAverage, .qty = 5, .price = 12});
    post(priced);
    EXPECT_EQ(88 + 60, stockValue(kAverage, kShop));
    EXPECT_EQ(132 - 55, stockValue(kAverage, kMain));
    EXPECT_EQ(-5, account(kmCostAdjust));
}

TEST_F(Posting, StocktakeDifferencesBecomeLossAndOverflow) {
    post(purchase(kAverage, 10, 10, "2024-01-05"));
    post(purchase(kAverage, 10, 12, "2024-01-06"));  // 20 worth 220: 11 each
    BillPlan count;
    count.djType = 42;
    count.intoStock = kMain;
    count.lines.push_back({.goods = kAverage, .qty = 18, .price = 0});
    const qint64 less = post(count);
    EXPECT_EQ(-22, lineCost(less, 1));
    EXPECT_EQ((QList<double>{18, 198}), stockOf(kAverage, kMain));
    EXPECT_EQ(22, account(kmLoss));
    count.lines[0].qty = 21;
    EXPECT_EQ(33, lineCost(post(count), 1));  // 3 more at 11
    EXPECT_EQ(231, stockValue(kAverage, kMain));
    EXPECT_EQ(33, account(kmOverflow));
}

TEST_F(Posting, AssemblyGivesTheComponentsCostToTheProduct) {
    post(purchase(kAverage, 10, 11, "2024-01-05"));
    post(purchase(kFifo, 10, 10, "2024-01-05"));
    BillPlan a;
    a.djType = 9;
    a.outStock = kMain;
    a.intoStock = kMain;
    a.lines = {{.goods = kAverage, .qty = -2, .price = 0},
               {.goods = kFifo, .qty = -1, .price = 0},
               {.goods = kProduct, .qty = 1, .price = 0}};
    const qint64 id = post(a);
    EXPECT_EQ(-22, lineCost(id, 1));
    EXPECT_EQ(-10, lineCost(id, 2));
    EXPECT_EQ(32, lineCost(id, 3));
    EXPECT_EQ(32, stockValue(kProduct, kMain));
    EXPECT_EQ(110 + 100, account(kmStock));  // value only moved
}

TEST_F(Posting, CostAdjustmentRevaluesTheStock) {
    post(purchase(kAverage, 20, 11, "2024-01-05"));
    BillPlan c;
    c.djType = 14;
    c.intoStock = kMain;
    c.lines.push_back({.goods = kAverage, .qty = 20, .price = 12});
    const qint64 id = post(c);
    EXPECT_EQ(20, lineCost(id, 1));
    EXPECT_EQ(240, stockValue(kAverage, kMain));
    EXPECT_EQ((QList<double>{240, -20}), accounts({kmStock, kmCostAdjust}));
}

TEST_F(Posting, OrdersCountWhatLaterBillsTakeOver) {
    post(purchase(kAverage, 20, 10, "2024-01-05"));
    BillPlan order = sale(kAverage, 10, 20, "2024-01-06");
    order.djType = 4;
    const qint64 o = post(order);
    EXPECT_EQ(20, stockQty(kAverage, kMain));  // an order moves no stock
    EXPECT_EQ(0, receivable(kCustomer));
    const qint64 orderLine = lineId(o, 1);
    BillPlan s = sale(kAverage, 4, 20, "2024-01-07");
    s.lines[0].sourceBill = o;
    s.lines[0].sourceLine = orderLine;
    post(s);
    EXPECT_EQ(4, number(u"SELECT toQty FROM djList WHERE orderid = ?"_s, {orderLine}));
    EXPECT_EQ(0, number(u"SELECT isOver FROM djIndex WHERE id = ?"_s, {o}));
    // The dialect functions read the same ledgers: 16 on hand, 6 still promised by the order,
    // and the cost of 2 at the average 10.
    if (!dyt::test::onPostgres())  // a PostgreSQL account set carries them in its library
        server::tsql::registerFunctions(db_->handle());
    EXPECT_EQ(16, number(u"SELECT fnGetStockQty(31, 11, 0)"_s));
    EXPECT_EQ(16 - 6, number(u"SELECT fnGetKYQty(31, 11)"_s));
    EXPECT_EQ(20, number(u"SELECT fnGetCostTotal(31, 11, 2)"_s));
    s.lines[0].qty = 6;
    post(s);
    EXPECT_EQ(10, number(u"SELECT toQty FROM djList WHERE orderid = ?"_s, {orderLine}));
    EXPECT_EQ(1, number(u"SELECT isOver FROM djList WHERE orderid = ?"_s, {orderLine}));
    EXPECT_EQ(1, number(u"SELECT isOver FROM djIndex WHERE id = ?"_s, {o}));
}

TEST_F(Posting, FeeIncomeAndMoneyTransferBills) {
    BillPlan fee;
    fee.djType = 18;  // general fee: 100 of expenses, 30 paid, 70 owed to the partner
    fee.wldw = kCarrier;
    fee.lines.push_back({.km = kmOtherFee, .total = 100});
    fee.money.push_back({.km = kmCash, .type = 1, .amount = 30});
    post(fee);
    EXPECT_EQ((QList<double>{100, -30}), accounts({kmOtherFee, kmCash}));
    EXPECT_EQ(70, payable(kCarrier));
    BillPlan income;
    income.djType = 19;
    income.lines.push_back({.km = kmOtherIncome, .total = 50});
    income.money.push_back({.km = kmBank, .type = 1, .amount = 50});
    post(income);
    // kmBanks: the category of bank accounts follows
    EXPECT_EQ((QList<double>{50, 50, 50}), accounts({kmOtherIncome, kmBank, kmBanks}));
    BillPlan cashFee = income;  // a cash fee must be paid in full when there is no partner
    cashFee.djType = 17;
    cashFee.lines = {{.km = kmOtherFee, .total = 40}};
    cashFee.money = {{.km = kmCash, .type = 1, .amount = 30}};
    EXPECT_EQ(u"单据金额[40]与收付款金额[30]不一致，必须选择往来单位！"_s,
              test::errorOf([&] { post(cashFee); }));
}

TEST_F(Posting, ADraftHasNoEffectAndCannotBePostedAsItIs) {
    server::Transaction tx(*db_);
    const qint64 id = store(*db_, purchase(kAverage, 5, 10, "2024-01-05"), 1);
    EXPECT_EQ(u"单据[T-5]还没有保存为过账状态，不能过账！"_s,
              test::errorOf([&] { server::posting::postBill(*db_, id, 1); }));
    tx.commit();
    EXPECT_EQ(0, stockQty(kAverage, kMain));
    EXPECT_EQ(0, payable(kSupplier));
}

TEST_F(Posting, ARefusedNegativeStockLeavesNothingBehind) {
    post(purchase(kAverage, 5, 10, "2024-01-05"));
    const QStringList before = balances();
    const double bills = number(u"SELECT count(*) FROM djIndex"_s);
    const double moves = number(u"SELECT count(*) FROM djStockDetail"_s);
    BillPlan s = sale(kAverage, 3, 20, "2024-01-06");
    s.lines.push_back({.goods = kFifo, .qty = 4, .price = 30});
    s.money.push_back({.km = kmCash, .type = 1, .amount = 60});
    EXPECT_EQ(u"第 2 行商品[SP03 齿轮]库存不足：仓库[总仓]现有 0，需要 4，不能过账！"_s,
              test::errorOf([&] { post(s); }));
    EXPECT_EQ(before, balances());
    EXPECT_EQ(bills, number(u"SELECT count(*) FROM djIndex"_s));
    EXPECT_EQ(moves, number(u"SELECT count(*) FROM djStockDetail"_s));
    // With negative stock allowed, moving average goes below zero at its average cost; the
    // batch methods still refuse.
    db_->execute(u"UPDATE sysData SET sysValue = '1' WHERE Name = '系统使用负库存'"_s);
    EXPECT_EQ(u"第 2 行商品[SP03 齿轮]库存不足：仓库[总仓]现有 0，需要 4，不能过账！"_s,
              test::errorOf([&] { post(s); }));
    const qint64 id = post(sale(kAverage, 8, 20, "2024-01-06"));
    EXPECT_EQ(80, lineCost(id, 1));
    EXPECT_EQ((QList<double>{-3, -30}), stockOf(kAverage, kMain));
}

using Unopened = LedgerTest;

TEST_F(Unopened, PostingIsRefusedBeforeOpeningBeforeTheOpeningDateAndInAClosedPeriod) {
    EXPECT_EQ(u"系统还没有开账，不能过账单据！"_s,
              test::errorOf([&] { post(purchase(kAverage, 1, 1, "2024-01-05")); }));
    openAccountSet();
    EXPECT_EQ(u"单据日期[2023-12-31]早于开账日期[2024-01-01]，不能过账！"_s,
              test::errorOf([&] { post(purchase(kAverage, 1, 1, "2023-12-31")); }));
    db_->execute(u"UPDATE sysPeriod SET beginDate = '2024-02-01' WHERE type = 0"_s);
    EXPECT_EQ(u"单据日期[2024-01-15]所在的期间已经月结存，不能过账！"_s,
              test::errorOf([&] { post(purchase(kAverage, 1, 1, "2024-01-15")); }));
    BillPlan unknown = purchase(kAverage, 1, 1, "2024-02-02");
    unknown.djType = 41;
    EXPECT_EQ(u"单据类型[41]暂不支持过账！"_s, test::errorOf([&] { post(unknown); }));
    BillPlan noPartner = purchase(kAverage, 1, 1, "2024-02-02");
    noPartner.wldw = 0;
    EXPECT_EQ(u"单据没有选择往来单位，不能过账！"_s, test::errorOf([&] { post(noPartner); }));
    BillPlan category = purchase(kAverage, 1, 1, "2024-02-02");
    category.money.push_back({.km = kmBanks, .type = 1, .amount = 1});  // a category
    EXPECT_EQ(u"会计科目[全部银行存款合计]是分类，不能直接记账，请选择它下面的科目！"_s,
              test::errorOf([&] { post(category); }));
    EXPECT_EQ(0, number(u"SELECT count(*) FROM djIndex"_s));
}

// --- the ledger procedures: re-settlement, red reversal and the opening balances
QString n(qint64 v) {
    return QString::number(v);
}

class Procedures : public OpenedLedgerTest {
protected:
    double settledOf(qint64 bill) {
        return number(u"SELECT sfkTotalLj FROM djIndex WHERE id = ?"_s, {bill});
    }
};

TEST_F(Procedures, APaymentReSettlementTakesNegatedRowsAsCleared) {
    const qint64 bought = post(goodsBill(5, kSupplier, kAverage, 10, 10, "2024-01-05"));
    BillPlan pay;
    pay.djType = 22;
    pay.wldw = kSupplier;
    pay.lines = {{.km = kmCash, .total = 100}, {.sourceBill = bought, .total = 100}};
    const qint64 payment = post(pay);
    EXPECT_EQ(100, settledOf(bought));
    EXPECT_EQ(0, payable(kSupplier));
    EXPECT_EQ(-100, account(kmCash));
    db_->execute(u"UPDATE djList SET total = -total WHERE km_id = 0 AND id = ?"_s, {payment});
    ASSERT_EQ(0, call(u"P_JXC_DJ_PostOther"_s, {{"billid", n(payment)}}));
    EXPECT_EQ(0, settledOf(bought));
    db_->execute(u"DELETE FROM djList WHERE km_id = 0 AND id = ?"_s, {payment});
    call(u"P_JXC_InertDJList"_s, {{"id", n(payment)}, {"s_id", n(bought)}, {"Total", u"60"_s}});
    db_->execute(u"UPDATE djList SET dj_state = 2 WHERE km_id = 0 AND id = ?"_s, {payment});
    ASSERT_EQ(0, call(u"P_JXC_DJ_PostOther"_s, {{"billid", n(payment)}}));
    EXPECT_EQ(60, settledOf(bought));
    EXPECT_EQ(0, payable(kSupplier));
    EXPECT_EQ(-100, account(kmCash));
    const qint64 other = post(goodsBill(5, kCarrier, kAverage, 1, 10, "2024-01-06"));
    EXPECT_EQ(u"结算的单据[T-5]不是本往来单位的单据！"_s,
              callError(u"P_JXC_InertDJList"_s,
                        {{"id", n(payment)}, {"s_id", n(other)}, {"Total", u"1"_s}}));
}

TEST_F(Procedures, ARedReversalRestoresEveryBalanceExactly) {
    post(goodsBill(5, kSupplier, kFifo, 10, 10, "2024-01-05"));
    post(goodsBill(5, kSupplier, kFifo, 10, 12, "2024-01-06"));
    BillPlan order = goodsBill(4, kCustomer, kFifo, 15, 20, "2024-01-06");
    const qint64 o = post(order);
    const QStringList before = balances();
    BillPlan s = goodsBill(1, kCustomer, kFifo, 15, 20, "2024-01-07");
    s.lines[0].taxRate = 13;
    s.lines[0].sourceBill = o;
    s.lines[0].sourceLine = lineId(o, 1);
    s.youhui = 9;
    s.money.push_back({.km = kmCash, .type = 1, .amount = 100});
    const qint64 id = post(s);
    EXPECT_EQ(160, lineCost(id, 1));
    EXPECT_EQ(1, number(u"SELECT isOver FROM djIndex WHERE id = ?"_s, {o}));
    ASSERT_NE(before, balances());
    const int red =
        call(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(id)}, {"dj_state", u"2"_s}});
    ASSERT_GT(red, 0);
    EXPECT_EQ(before, balances());
    // Layers come back as they were: the next sale takes the 10s first again.
    EXPECT_EQ(100, stockValue(kFifo, kMain) - 120);
    // The reversed bill is marked; the red one names it and takes its lines back.
    EXPECT_EQ(u"1|1|%1|-15"_s.arg(id),
              value(u"SELECT o.isred || '|' || r.isredword || '|' || r.redBillid || '|' || "
                    "CAST(l.qty AS INTEGER) "
                    "FROM djIndex AS o, djIndex AS r, djList AS l WHERE o.id = ? AND r.id = ? "
                    "AND l.id = r.id"_s,
                    {id, red})
                  .toString());
    EXPECT_EQ(-160, lineCost(red, 1));
    EXPECT_EQ(15, number(u"SELECT total(qty) FROM djStockDetail WHERE id = ?"_s, {red}));
    // The sale's receivable line, netted per account and partner: 339 with tax, less the discount
    // of 9 and the 100 received, is 230 on the debit side; the red bill repeats it in red.
    EXPECT_EQ(-230, number(u"SELECT dbTotal FROM djKmDetail WHERE id = ? AND "
                           "type = 0 AND km_id = ?"_s,
                           {red, kmReceivable}));
    EXPECT_EQ(u"不能对已红冲单据再次红冲操作！"_s,
              callError(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(id)}}));
    EXPECT_EQ(u"不能对红字单据进行红冲操作！"_s,
              callError(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(red)}}));
    EXPECT_EQ(u"订单不能红冲，请在订单查询中直接删除单据！"_s,
              callError(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(o)}}));
}

TEST_F(Procedures, AReversalThatWouldTakeStockAlreadySoldIsRefused) {
    post(goodsBill(5, kSupplier, kFifo, 10, 10, "2024-01-05"));
    const qint64 later = post(goodsBill(5, kSupplier, kFifo, 10, 12, "2024-01-06"));
    post(goodsBill(1, kCustomer, kFifo, 18, 20, "2024-01-07"));  // 2 of the 12s are left
    const QStringList before = balances();
    // Dated like the purchase, the reversal would leave the later sale 8 short.
    EXPECT_EQ(
        u"红冲后，后面的单据[T-1]（2024-01-07）第 1 行商品[SP03 齿轮]库存不足：仓库[总仓]现有 "
        "10，需要 18，不能红冲！"_s,
        callError(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(later)}}));
    EXPECT_EQ(before, balances());
    EXPECT_EQ(0, number(u"SELECT count(*) FROM djIndex WHERE isredword = 1"_s));
}

using Opening = LedgerTest;

TEST_F(Opening, OpeningBalancesThenOpenAndReverse) {
    ASSERT_LE(0, call(u"P_JXC_INI_GoodsStock"_s, {{"id", u"0"_s},
                                                  {"goodsid", n(kAverage)},
                                                  {"stockid", n(kMain)},
                                                  {"Qty", u"10"_s},
                                                  {"Total", u"105"_s}}));
    // Entered again, the row is replaced, not added.
    ASSERT_LE(0, call(u"P_JXC_INI_GoodsStock"_s, {{"goodsid", n(kAverage)},
                                                  {"stockid", n(kMain)},
                                                  {"Qty", u"10"_s},
                                                  {"Total", u"100"_s}}));
    EXPECT_EQ((QList<double>{10, 100}), stockOf(kAverage, kMain));
    EXPECT_EQ(100, number(u"SELECT Total00 FROM baseKM WHERE id = ?"_s, {kmStock}));
    ASSERT_EQ(0, call(u"P_JXC_INI_baseWLDW"_s,
                      {{"id", n(kCustomer)}, {"ysTotal", u"500"_s}, {"yuShouTotal", u"0"_s}}));
    EXPECT_EQ(500, receivable(kCustomer));
    EXPECT_EQ(500, account(kmReceivable));
    ASSERT_EQ(0, call(u"P_JXC_INI_baseKM"_s, {{"id", n(kmCash)}, {"Total", u"300"_s}}));
    EXPECT_EQ((QList<double>{300, 100 + 500 + 300}), accounts({kmCash, kmAssets}));
    struct Refusal {
        const char* proc;
        const char* lines;  // the parameter lines
        const char* message;
    } const before[] = {
        {"P_JXC_INI_baseWLDW", "id=21\nysTotal=1\nyfTotal=1", "不能同时录入期初应收和期初应付！"},
        {"P_JXC_INI_baseKM", "id=6\nTotal=1", "本行金额不能直接修改！"},
        {"P_JXC_INI_baseKM", "id=11\nTotal=1", "本行金额不能直接修改！"},
        {"P_JXC_INI_baseKM", "id=1\nTotal=1", "本行为合计值，不能直接修改！"},
        {"P_JXC_INI_GoodsStock", "goodsid=31\nstockid=11\nQty=-1", "期初数量和金额不能为负数！"},
        {"P_JXC_INI_GoodsStock", "goodsid=31\nstockid=11\nQty=0\nTotal=5",
         "期初数量为零时不能录入金额！"},
        {"P_JXC_INI_GoodsStock", "goodsid=31\nstockid=11\nQty=x", "参数[Qty]的值[x]不是有效的数字"},
        {"P_SYS_UP_Open", "type=0\nDate=2024-13-01", "参数[Date]的日期[2024-13-01]无效"},
        {"P_SYS_UP_Open", "type=1", "账套还没有开账，不能反开账！"}};
    for (const Refusal& r : before) {
        ParamList p(QString::fromUtf8(r.lines));
        EXPECT_EQ(QString::fromUtf8(r.message),
                  test::errorOf([&] { call(QString::fromUtf8(r.proc), p); }))
            << r.proc << " " << r.lines;
    }
    EXPECT_EQ(100, account(kmStock));  // refusals changed nothing
    openAccountSet();
    EXPECT_EQ(u"2024-01-01"_s,
              value(u"SELECT beginDate FROM sysPeriod WHERE type = 0"_s).toString());
    EXPECT_EQ(
        u"已经开账，不能再修改期初数据！"_s,
        callError(
            u"P_JXC_INI_GoodsStock"_s,
            {{"goodsid", n(kAverage)}, {"stockid", n(kMain)}, {"Qty", u"1"_s}, {"Total", u"1"_s}}));
    // The opening stock is the stock the first sale takes.
    const qint64 s = post(goodsBill(1, kCustomer, kAverage, 4, 20, "2024-01-02"));
    EXPECT_EQ(40, lineCost(s, 1));
    EXPECT_EQ(500 + 80, receivable(kCustomer));
    EXPECT_EQ(u"已经有过账单据，不能反开账！"_s, callError(u"P_SYS_UP_Open"_s, {{"type", u"1"_s}}));
    ASSERT_EQ(0, call(u"P_JXC_DJ_PostDel"_s, {{"billid", n(s)}}));
    ASSERT_EQ(0, call(u"P_SYS_UP_Open"_s, {{"type", u"1"_s}, {"Date", u"2024-01-01"_s}}));
    EXPECT_EQ(u"0"_s, value(u"SELECT sysValue FROM sysData WHERE Name = 'isOpen'"_s).toString());
}

// --- the other bill kinds: exchanges, goods in and out against one account, collection by an
// agent, the prepayment switch, adjustments and money transfers
BillPlan bill(int djType, qint64 partner, const char* date = "2024-01-10") {
    BillPlan b;
    b.djType = djType;
    b.date = QString::fromLatin1(date);
    b.wldw = partner;
    b.intoStock = kMain;
    b.outStock = kMain;
    return b;
}

class Kinds : public OpenedLedgerTest {
protected:
    void buy(qint64 goods, double qty, double price) {
        post(purchase(goods, qty, price, "2024-01-05"));
    }
};

TEST_F(Kinds, ExchangesTakeNegativeLinesOutAndPutPositiveLinesIn) {
    buy(kAverage, 10, 10);
    buy(kFifo, 10, 10);
    // The customer brings back 2 screws (sold at 20, cost 10) and takes 1 gear at 30.
    BillPlan s = bill(3, kCustomer);
    s.lines = {{.goods = kAverage, .qty = 2, .price = 20, .costprice = 10},
               {.goods = kFifo, .qty = -1, .price = 30}};
    const qint64 id = post(s);
    EXPECT_EQ(20, lineCost(id, 1));
    EXPECT_EQ(-10, lineCost(id, 2));
    EXPECT_EQ((QList<double>{12, 120}), stockOf(kAverage, kMain));
    EXPECT_EQ(9, stockQty(kFifo, kMain));
    EXPECT_EQ(30 - 40, receivable(kCustomer));
    EXPECT_EQ((QList<double>{30 - 40, 10 - 20}), accounts({kmSales, kmCostOfSales}));
    // The supplier delivers 3 screws at 10 and takes back 2 gears at 12 (they cost 10 each).
    BillPlan p = bill(7, kSupplier);
    p.lines = {{.goods = kAverage, .qty = 3, .price = 10},
               {.goods = kFifo, .qty = -2, .price = 12}};
    post(p);
    EXPECT_EQ(200 + 30 - 24, payable(kSupplier));
    EXPECT_EQ(15, stockQty(kAverage, kMain));
    EXPECT_EQ(7, stockQty(kFifo, kMain));
    EXPECT_EQ(-4, account(kmCostAdjust));  // 24 owed less for goods that cost 20
}

TEST_F(Kinds, GoodsInAndOutAgainstOneAccount) {
    buy(kAverage, 10, 10);
    struct Case {
        int djType;
        double qty, price;
        qint64 km;       // the counter account
        double kmTotal;  // its balance afterwards
        double qtyAfter, valueAfter;
    } cases[] = {
        {10, 2, 0, kmOtherFee, 20, 8, 80},      // other out: 2 at the average 10
        {12, 1, 0, kmLoss, 10, 7, 70},          // loss
        {60, 1, 0, 33, 10, 6, 60},              // gift out: 赠送支出
        {11, 2, 12, kmOtherIncome, 24, 8, 84},  // other in at its own price
        {13, 1, 0, kmOverflow, 10.5, 9, 94.5},  // overflow without a price: average 84 / 8
        {59, 1, 9, 25, 9, 10, 103.5},           // gift in: 获赠收入
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.djType);
        BillPlan b = bill(c.djType, 0);
        b.lines.push_back({.goods = kAverage, .qty = c.qty, .price = c.price});
        post(b);
        EXPECT_EQ(c.kmTotal, account(c.km));
        EXPECT_EQ((QList<double>{c.qtyAfter, c.valueAfter}), stockOf(kAverage, kMain));
        EXPECT_EQ(c.valueAfter, account(kmStock));
    }
}

TEST_F(Kinds, AnAgentCollectsPartOfASale) {
    buy(kAverage, 10, 10);
    BillPlan s = bill(1, kCustomer);
    s.lines.push_back({.goods = kAverage, .qty = 10, .price = 20});
    s.daishou = 1;
    s.yfwldw = kAgent;
    s.yfTotalSum = 80;
    post(s);
    EXPECT_EQ((QList<double>{200 - 80, 80}), receivables({kCustomer, kAgent}));
    EXPECT_EQ(200, account(kmReceivable));
}

TEST_F(Kinds, ThePrepaymentSwitchBooksTheSurplusOfAPaymentAsAnAdvance) {
    buy(kAverage, 10, 10);  // payable 100
    const qint64 bought = value(u"SELECT max(id) FROM djIndex"_s).toLongLong();
    struct Case {
        int hhlx;
        double payable, advance;
    } cases[] = {
        {0, 100 - 150, 0},   // all of it reduces the payable
        {1, 100 - 100, 50},  // the 50 beyond the settled bill is an advance
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hhlx);
        BillPlan pay = bill(22, kSupplier);
        pay.hhlx = c.hhlx;
        pay.lines = {{.km = kmBank, .total = 150}, {.sourceBill = bought, .total = 100}};
        const qint64 id = post(pay);
        EXPECT_EQ(c.payable, payable(kSupplier));
        EXPECT_EQ(c.advance, number(u"SELECT yufutotal FROM baseWLDW WHERE id = ?"_s, {kSupplier}));
        EXPECT_EQ(c.advance, account(kmPrepaid));
        EXPECT_EQ(100, number(u"SELECT sfkTotalLj FROM djIndex WHERE id = ?"_s, {bought}));
        ASSERT_EQ(0, call(u"P_JXC_DJ_PostDel"_s, {{"billid", QString::number(id)}}));
        EXPECT_EQ(100, payable(kSupplier));
        EXPECT_EQ(0, number(u"SELECT sfkTotalLj FROM djIndex WHERE id = ?"_s, {bought}));
    }
}

TEST_F(Kinds, AdjustmentsAndMoneyTransfers) {
    BillPlan up = bill(29, kCustomer);  // receivable up against other income
    up.lines.push_back({.km = kmOtherIncome, .total = 30});
    post(up);
    EXPECT_EQ(30, receivable(kCustomer));
    EXPECT_EQ(30, account(kmOtherIncome));
    BillPlan down = bill(31, kSupplier);  // payable down against other income
    down.lines.push_back({.km = kmOtherIncome, .total = 20});
    post(down);
    EXPECT_EQ(-20, payable(kSupplier));
    EXPECT_EQ(50, account(kmOtherIncome));
    BillPlan move = bill(20, 0);  // 100 from the cash box to the bank
    move.money = {{.km = kmCash, .type = 1, .amount = 0, .lend = 100},
                  {.km = kmBank, .type = 1, .amount = 100}};
    post(move);
    EXPECT_EQ((QList<double>{-100, 100}), accounts({kmCash, kmBank}));
    move.money[1].amount = 90;
    EXPECT_EQ(u"转入金额与转出金额不一致，不能过账！"_s, test::errorOf([&] { post(move); }));
}

}  // namespace
}  // namespace dyt::ledgertest
