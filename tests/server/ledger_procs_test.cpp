// The ledger procedures: a payment settled again, red reversal and its refusals, opening balances
// and the opening of the account set.

#include "ledger_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::ledgertest {
namespace {

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
              value(u"SELECT o.isred || '|' || r.isredword || '|' || r.redBillid || '|' || l.qty "
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
    EXPECT_EQ(u"商品[SP03 齿轮]在仓库[总仓]的库存不足（现有 2），不能红冲！"_s,
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

}  // namespace
}  // namespace dyt::ledgertest
