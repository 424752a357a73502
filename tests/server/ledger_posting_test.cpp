// Posting realistic sequences of bills and checking stock quantity and value, line costs,
// partner balances and account balances against values worked out by hand.

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
    unknown.djType = 64;
    EXPECT_EQ(u"单据类型[64]暂不支持过账！"_s, test::errorOf([&] { post(unknown); }));
    BillPlan noPartner = purchase(kAverage, 1, 1, "2024-02-02");
    noPartner.wldw = 0;
    EXPECT_EQ(u"单据没有选择往来单位，不能过账！"_s, test::errorOf([&] { post(noPartner); }));
    BillPlan category = purchase(kAverage, 1, 1, "2024-02-02");
    category.money.push_back({.km = kmBanks, .type = 1, .amount = 1});  // a category
    EXPECT_EQ(u"会计科目[全部银行存款合计]是分类，不能直接记账，请选择它下面的科目！"_s,
              test::errorOf([&] { post(category); }));
    EXPECT_EQ(0, number(u"SELECT count(*) FROM djIndex"_s));
}

}  // namespace
}  // namespace dyt::ledgertest
