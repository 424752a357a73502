// Posting through the bill service as the bill windows send it, checked against balances worked
// out by hand; red reversal, deletion and copy through their procedures.
#include <gtest/gtest.h>

#include <cmath>

#include "bill_fixture.h"
#include "ledger_figures.h"
#include "posting_packets.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

// Base records of BillFixture: goods 101 (moving average) and 102 (made FIFO below), partners
// 201 (the customer) and 202 (the supplier), warehouses 301 and 302. Seeded accounts.
constexpr qint64 kAvg = 101, kFifo = 102, kCustomer = 201, kSupplier = 202;
constexpr qint64 kWh1 = 301, kWh2 = 302;
using namespace dyt::test::chart;

double round4(double v) {
    return std::round(v * 10000.0) / 10000.0;
}

class PostingService : public BillFixture, public dyt::test::LedgerFigures<PostingService> {
    friend class dyt::test::LedgerFigures<PostingService>;

protected:
    void SetUp() override {
        BillFixture::SetUp();
        // The fixture marks the account set opened; open it properly, on a date, instead.
        update(u"UPDATE sysData SET sysValue = '0' WHERE Name = 'isOpen'"_s);
        update(u"UPDATE baseGoods SET costmode = 2 WHERE id = 102"_s);
        ASSERT_EQ(0, proc(u"P_SYS_UP_Open"_s, {{"type", u"0"_s}, {"Date", u"2025-01-01"_s}}))
            << lastMessage_.toStdString();
    }
    using BillFixture::posted;
    qint64 posted(const MoneyBill& b) {
        const ServiceResult r =
            service(u"SaveToDB"_s, moneyBillParams(b), moneyAccountRows(b), settledRows(b));
        EXPECT_GT(r.code, 0) << r.message.toStdString();
        return r.code;
    }
    // Two purchases of 10 of each goods from the supplier: at 10 on 01-05, at 13 on 01-06.
    std::pair<qint64, qint64> buyTwice(std::vector<AccountLine> firstPaid = {}) {
        const qint64 a = posted(goodsBill(
            5, "2025-01-05", kSupplier,
            {{.goods = kAvg, .qty = 10, .price = 10}, {.goods = kFifo, .qty = 10, .price = 10}},
            std::move(firstPaid)));
        const qint64 b = posted(goodsBill(
            5, "2025-01-06", kSupplier,
            {{.goods = kAvg, .qty = 10, .price = 13}, {.goods = kFifo, .qty = 10, .price = 13}}));
        return {a, b};
    }
    double number(const QString& sql) { return round4(scalar(sql).toDouble()); }
    double billField(qint64 id, const char* field) {
        return number(
            u"SELECT %1 FROM djIndex WHERE id = %2"_s.arg(QString::fromLatin1(field)).arg(id));
    }
    // costtotal and costprice of the n-th line (1-based) of a bill.
    std::pair<double, double> lineCost(qint64 billId, int line) {
        const RecordSet rs = query(
            u"SELECT costtotal, costprice FROM djList WHERE "
            "id = %1 ORDER BY orderid"_s.arg(billId));
        const int r = line - 1;
        return rs.rowCount() <= r
                   ? std::pair{-1.0, -1.0}
                   : std::pair{round4(rs.at(r, 0).toDouble()), round4(rs.at(r, 1).toDouble())};
    }
    // The open bills a receipt of the customer offers (P_JXC_DJ_GetDJList "WSKDJ"): s_id=ye.
    QStringList openBills(qint64 partner) {
        const ParamList p(
            u"QueryType=WSKDJ\nwldwStr=;id=%1;czy_id=1\nBeginDate=1988-01-01\n"
            "EndDate=2030-01-01\nid=0\ndjType=21"_s.arg(partner));
        return dyt::test::rowTexts(procQuery(u"P_JXC_DJ_GetDJList"_s, p), u"s_id,ye"_s)
            .replaceInStrings(u"|"_s, u"="_s);
    }
};

TEST_F(PostingService, PurchasesAtTwoPricesThenASaleUnderMovingAverageAndFifo) {
    const auto [first, second] = buyTwice({{.km = kmCash, .amount = 50}});
    const qint64 sale = posted(goodsBill(
        1, "2025-01-07", kCustomer,
        {{.goods = kAvg, .qty = 15, .price = 20}, {.goods = kFifo, .qty = 15, .price = 20}},
        {{.km = kmCash, .amount = 100}}));
    // Moving average: 20 units worth 100 + 130 cost 11.5 each; 15 go for 172.5. FIFO: the 10 at 10
    // first, then 5 of the batch at 13: 165 (the cost methods themselves: ledger_posting_test).
    EXPECT_EQ(std::pair(172.5, 11.5), lineCost(sale, 1));
    EXPECT_EQ(std::pair(165.0, 11.0), lineCost(sale, 2));
    // Supplier: 200 + 260 bought, 50 paid on the spot. Customer: 600 sold, 100 received.
    EXPECT_EQ(410, payable(kSupplier));
    EXPECT_EQ(500, receivable(kCustomer));
    EXPECT_EQ(50, billField(first, "sfkTotalLj"));
    EXPECT_EQ(0, billField(second, "sfkTotalLj"));
    EXPECT_EQ(100, billField(sale, "sfkTotalLj"));
    // Accounts: stock 460 in, 337.5 out; cash −50 + 100.
    EXPECT_EQ(
        (QList<double>{122.5, 50, 500, 410, 600, 337.5, 122.5 + 500 + 50}),
        accounts({kmStock, kmCash, kmReceivable, kmPayable, kmSales, kmCostOfSales, kmAssets}));
    // The open bills the receipt window offers agree with the ledger: the sale leaves 500.
    EXPECT_EQ(QStringList{u"%1=500"_s.arg(sale)}, openBills(kCustomer));
}

TEST_F(PostingService, AReceiptSettlesTwoBillsLeavesAnAdvanceAndRedReversalsRestoreEverything) {
    buyTwice();
    const qint64 s1 =
        posted(goodsBill(1, "2025-01-07", kCustomer, {{.goods = kAvg, .qty = 15, .price = 20}},
                         {{.km = kmCash, .amount = 100}}));
    const qint64 s2 =
        posted(goodsBill(1, "2025-01-08", kCustomer, {{.goods = kFifo, .qty = 5, .price = 20}}));
    EXPECT_EQ(300, receivable(kCustomer));
    EXPECT_EQ((QStringList{u"%1=200"_s.arg(s1), u"%1=100"_s.arg(s2)}), openBills(kCustomer));
    const QStringList beforeReceipt = balances();
    MoneyBill receipt;
    receipt.date = u"2025-01-09"_s;
    receipt.code = u"SK-1"_s;
    receipt.partner = kCustomer;
    receipt.prepayment = 1;
    receipt.accounts = {{.km = kmCash, .amount = 150}, {.km = kmBank, .amount = 200}};
    receipt.settled = {{.billId = s1, .amount = 200}, {.billId = s2, .amount = 100}};
    const qint64 r = posted(receipt);
    // 350 received: 300 settle the two sales, 50 stay as an advance.
    EXPECT_EQ(0, receivable(kCustomer));
    EXPECT_EQ(50, advanceReceived(kCustomer));
    EXPECT_EQ(300, billField(s1, "sfkTotalLj"));
    EXPECT_EQ(100, billField(s2, "sfkTotalLj"));
    // kmBanks: the category carries its account
    EXPECT_EQ((QList<double>{250, 200, 200, 0, 50}),
              accounts({kmCash, kmBank, kmBanks, kmReceivable, kmAdvanceReceived}));
    EXPECT_EQ(QStringList(), openBills(kCustomer));
    // Red reversal of the receipt: every balance as before it, the sales open again.
    ASSERT_LT(0, proc(u"P_JXC_DJ_CopyRed"_s,
                      {{"isRed", u"-1"_s}, {"billid", QString::number(r)}, {"dj_state", u"2"_s}}))
        << lastMessage_.toStdString();
    EXPECT_EQ(beforeReceipt, balances());
    EXPECT_EQ(1, billField(r, "isred"));
    EXPECT_EQ((QStringList{u"%1=200"_s.arg(s1), u"%1=100"_s.arg(s2)}), openBills(kCustomer));
}

TEST_F(PostingService, AReceiptIsSettledAgainWithTheTextsTheReceiptWindowSends) {
    buyTwice();
    const qint64 s1 =
        posted(goodsBill(1, "2025-01-07", kCustomer, {{.goods = kAvg, .qty = 10, .price = 20}}));
    const qint64 s2 =
        posted(goodsBill(1, "2025-01-08", kCustomer, {{.goods = kFifo, .qty = 5, .price = 20}}));
    MoneyBill receipt;
    receipt.date = u"2025-01-09"_s;
    receipt.partner = kCustomer;
    receipt.prepayment = 1;
    receipt.accounts = {{.km = kmCash, .amount = 250}};
    receipt.settled = {{.billId = s1, .amount = 200}};
    const qint64 r = posted(receipt);
    EXPECT_EQ(100, receivable(kCustomer));
    EXPECT_EQ(50, advanceReceived(kCustomer));
    const QString id = QString::number(r);
    // A settled bill cannot be deleted before its receipt is settled again.
    EXPECT_EQ(-1, proc(u"P_JXC_DJ_PostDel"_s, {{"billid", QString::number(s1)}}));
    EXPECT_EQ(u"单据已经按单结算，请先在对应的收付款单据中重新结算！"_s, lastMessage_);
    // "重新结算": the settled rows are zeroed and the receipt reposted, then the rows go.
    update(u"Update b set b.total = 0 FROM djList AS b WHERE km_id = 0 AND b.id = "_s + id);
    ASSERT_EQ(0, proc(u"P_JXC_DJ_PostOther"_s, {{"billid", id}})) << lastMessage_.toStdString();
    update(u"DELETE b FROM djList AS b WHERE km_id = 0 AND b.id = "_s + id);
    EXPECT_EQ(300, receivable(kCustomer));
    EXPECT_EQ(250, advanceReceived(kCustomer));
    EXPECT_EQ(0, billField(s1, "sfkTotalLj"));
    EXPECT_EQ((QStringList{u"%1=200"_s.arg(s1), u"%1=100"_s.arg(s2)}), openBills(kCustomer));
    // "保存结算": 150 against the first sale, 100 against the second.
    for (const auto& [bill, amount] : {std::pair{s1, 150}, std::pair{s2, 100}}) {
        EXPECT_LT(0, proc(u"P_JXC_InertDJList"_s, {{"id", id},
                                                   {"s_id", QString::number(bill)},
                                                   {"djType", u"1"_s},
                                                   {"Total", QString::number(amount)},
                                                   {"comment", QString()}}))
            << lastMessage_.toStdString();
    }
    update(u"Update b set b.dj_state = 2 FROM djList AS b WHERE km_id = 0 AND b.id = "_s + id);
    ASSERT_EQ(0, proc(u"P_JXC_DJ_PostOther"_s, {{"billid", id}})) << lastMessage_.toStdString();
    EXPECT_EQ(50, receivable(kCustomer));
    EXPECT_EQ(0, advanceReceived(kCustomer));
    EXPECT_EQ(150, billField(s1, "sfkTotalLj"));
    EXPECT_EQ(100, billField(s2, "sfkTotalLj"));
    // kmCash: the money itself did not move again
    EXPECT_EQ((QList<double>{250, 50, 0}), accounts({kmCash, kmReceivable, kmAdvanceReceived}));
    EXPECT_EQ(QStringList{u"%1=50"_s.arg(s1)}, openBills(kCustomer));
}

TEST_F(PostingService, DeletionTakesEveryEffectBack) {
    buyTwice();
    const QStringList before = balances();
    const qint64 p3 =
        posted(goodsBill(5, "2025-01-07", kSupplier, {{.goods = kAvg, .qty = 5, .price = 9}},
                         {{.km = kmCash, .amount = 20}}));
    EXPECT_EQ(275, stockValue(kAvg, kWh1));
    EXPECT_EQ(460 + 45 - 20, payable(kSupplier));
    EXPECT_EQ(-20, account(kmCash));
    ASSERT_EQ(0,
              proc(u"P_JXC_DJ_PostDel"_s, {{"billid", QString::number(p3)}, {"filter", QString()}}))
        << lastMessage_.toStdString();
    EXPECT_EQ(before, balances());
    EXPECT_EQ(0, billField(p3, "dj_state"));
    EXPECT_EQ(0, count(u"SELECT count(*) FROM djList WHERE id = %1 AND dj_state "
                       "<> 0"_s.arg(p3)));
    EXPECT_EQ(0, count(u"SELECT count(*) FROM djKmDetail WHERE id = %1 AND dj_state "
                       "<> 0"_s.arg(p3)));
    EXPECT_EQ(0, count(u"SELECT count(*) FROM djStockDetail WHERE id = %1"_s.arg(p3)));
    EXPECT_EQ(-1, proc(u"P_JXC_DJ_PostDel"_s, {{"billid", QString::number(p3)}}));
    EXPECT_EQ(u"单据已经删除！"_s, lastMessage_);
    // A bill of a closed month stays.
    const qint64 january =
        posted(goodsBill(5, "2025-01-20", kSupplier, {{.goods = kAvg, .qty = 1, .price = 10}}));
    update(u"UPDATE sysPeriod SET beginDate = '2025-02-01' WHERE type = 0"_s);
    EXPECT_EQ(-1, proc(u"P_JXC_DJ_PostDel"_s, {{"billid", QString::number(january)}}));
    EXPECT_EQ(u"本张单据已月结存，不能删除"_s, lastMessage_);
}

TEST_F(PostingService, ARefusedNegativeStockLeavesNoBillNoNumberAndNoBalanceBehind) {
    setRules(1, 1, 0);  // per kind, a number counts once its bill is posted
    buyTwice();
    const QString date = u"2025-01-07"_s;
    EXPECT_EQ(1, nextNo(1, date));
    const QStringList before = balances();
    const QString rows = footprint();
    // The first line could be taken; the second asks for more than the 20 there are.
    const ServiceResult r = save(goodsBill(
        1, "2025-01-07", kCustomer,
        {{.goods = kFifo, .qty = 1, .price = 20}, {.goods = kAvg, .qty = 25, .price = 20}},
        {{.km = kmCash, .amount = 10}}));
    EXPECT_EQ(-1, r.code);
    EXPECT_EQ(
        u"第 2 行商品[SP101 商品101]库存不足：仓库[一号仓]现有 20，需要 "
        "25，不能过账！"_s,
        r.message);
    EXPECT_EQ(rows, footprint());
    EXPECT_EQ(before, balances());
    EXPECT_EQ(1, nextNo(1, date));
    // The same bill within the stock posts, and only then is its number used.
    posted(goodsBill(1, "2025-01-07", kCustomer, {{.goods = kAvg, .qty = 20, .price = 20}}));
    EXPECT_EQ(2, nextNo(1, date));
    EXPECT_EQ((QList<double>{0, 0}), stockOf(kAvg, kWh1));
}

TEST_F(PostingService,
       ADraftHasNoEffectUntilPostedAndUnknownRecordsAreRefusedBeforeAnythingIsWritten) {
    setRules(1, 1, 0);
    GoodsBill b = goodsBill(5, "2025-01-05", kSupplier, {{.goods = kAvg, .qty = 4, .price = 10}});
    const ServiceResult draft = save(b, true);
    ASSERT_GT(draft.code, 0) << draft.message.toStdString();
    EXPECT_EQ(0, stockQty(kAvg, kWh1));
    EXPECT_EQ(0, payable(kSupplier));
    EXPECT_EQ(1, nextNo(5, b.date));
    b.oldId = draft.code;
    b.lines[0].qty = 6;
    EXPECT_EQ(draft.code, posted(b));
    EXPECT_EQ(1, count(u"SELECT count(*) FROM djIndex"_s));
    EXPECT_EQ(2, billField(draft.code, "dj_state"));
    EXPECT_EQ((QList<double>{6, 60}), stockOf(kAvg, kWh1));
    EXPECT_EQ(60, payable(kSupplier));
    EXPECT_EQ(60, account(kmStock));
    EXPECT_EQ(2, nextNo(5, b.date));
    buyTwice();
    struct Case {
        const char* name;
        GoodsBill bill;
        QString message;
    };
    GoodsBill warehouse =
        goodsBill(1, "2025-01-07", kCustomer, {{.goods = kAvg, .qty = 1, .price = 5}});
    warehouse.intoStock = 999;
    GoodsBill lineWarehouse = goodsBill(1, "2025-01-07", kCustomer,
                                        {{.goods = kAvg, .qty = 1, .price = 5, .intoStock = 998}});
    GoodsBill partner = goodsBill(1, "2025-01-07", 997, {{.goods = kAvg, .qty = 1, .price = 5}});
    GoodsBill cashAccount =
        goodsBill(1, "2025-01-07", kCustomer, {{.goods = kAvg, .qty = 1, .price = 5}},
                  {{.km = 996, .amount = 5}});
    const Case cases[] = {{"header warehouse", warehouse, u"单据的仓库不存在（仓库ID：999）"_s},
                          {"line warehouse", lineWarehouse, u"第1行的仓库不存在（仓库ID：998）"_s},
                          {"partner", partner, u"单据的往来单位不存在（往来单位ID：997）"_s},
                          {"account", cashAccount, u"单据的账户不存在（账户ID：996）"_s}};
    const QStringList before = balances();
    const QString rows = footprint();
    for (const Case& c : cases) {
        for (bool asDraft : {false, true}) {
            const ServiceResult r = save(c.bill, asDraft);
            EXPECT_EQ(-1, r.code) << c.name;
            EXPECT_EQ(c.message, r.message) << c.name;
        }
    }
    EXPECT_EQ(rows, footprint());
    EXPECT_EQ(before, balances());
}

TEST_F(PostingService, ACopyIntoADraftUsesItsNumberUnderTheNumberingRules) {
    const auto [first, second] = buyTwice();
    Q_UNUSED(second);
    struct Case {
        int voiding;
        qint64 nextAfterCopy;  // the counter of purchase returns once the copy is stored
    };
    // 1: numbers count when posted, so the draft copy keeps its number free; 2: they count once
    // the bill is first saved, so the copy uses it up.
    for (const Case c : {Case{1, 1}, Case{2, 2}}) {
        setRules(1, c.voiding, 0);
        ASSERT_EQ(1, nextNo(6, today()));
        const qint64 copy = proc(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"1"_s},
                                                         {"billid", QString::number(first)},
                                                         {"dj_type", u"6"_s},
                                                         {"billCode", u"JHTH-%1"_s.arg(c.voiding)},
                                                         {"dj_state", u"2"_s}});
        ASSERT_GT(copy, 0) << lastMessage_.toStdString();
        EXPECT_EQ(1, billField(copy, "dj_state")) << c.voiding;
        EXPECT_EQ(6, billField(copy, "djType"));
        EXPECT_EQ(u"JHTH-%1"_s.arg(c.voiding),
                  scalar(u"SELECT code FROM djIndex WHERE id = %1"_s.arg(copy)).toString());
        EXPECT_EQ(0, count(u"SELECT count(*) FROM djStockDetail WHERE id = %1"_s.arg(copy)));
        EXPECT_EQ(c.nextAfterCopy, nextNo(6, today())) << c.voiding;
    }
    EXPECT_EQ(-1,
              proc(u"P_JXC_DJ_CopyRed"_s,
                   {{"isRed", u"1"_s}, {"billid", QString::number(first)}, {"dj_type", u"52"_s}}));
    EXPECT_EQ(u"单据类型[52]不存在"_s, lastMessage_);
}

}  // namespace
}  // namespace dyt::server::test
