// The other bill kinds: exchanges, goods in and out against one account, collection by an agent,
// the prepayment switch of payments, adjustment bills and transfers between money accounts.

#include "ledger_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::ledgertest {
namespace {

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
