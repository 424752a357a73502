// Consignment out (委托) and goods held for others (受托): stock, held balances, partners and
// accounts after each bill, after its red reversal and after its deletion, worked out by hand.

#include <QFile>

#include <cmath>

#include "ledger_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::ledgertest {
namespace {

constexpr qint64 kmConsigned = 14, kmHeldDue = 20;

class Consign : public OpenedLedgerTest {
protected:
    static QString n(qint64 v) { return QString::number(v); }
    void fresh() {
        TearDown();
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(path_ + QString::fromLatin1(suffix));
        SetUp();
    }
    // A bill of the kind with the partner and one line of 螺丝 in the main warehouse, picked
    // from the first line of `source` when given.
    BillPlan bill(int kind, qint64 partner, double qty, double price, qint64 source = 0,
                  const char* date = "2024-01-10") {
        BillPlan b = goodsBill(kind, partner, kAverage, qty, price, date);
        if (source > 0) {
            b.lines[0].sourceBill = source;
            b.lines[0].sourceLine = lineId(source, 1);
        }
        return b;
    }
    // qty, value at the partner's prices, value at cost held of 螺丝 under a kind.
    QList<double> held(qint64 partner, int typeId) {
        QList<double> out;
        for (const char* f : {"qty", "total", "costtotal"})
            out << number(
                u"SELECT COALESCE(SUM(%1), 0) FROM baseGoodsStockOther WHERE goodsid = "
                "31 AND wldw_id = %2 AND typeid = %3"_s.arg(QLatin1String(f))
                    .arg(partner)
                    .arg(typeId));
        return out;
    }
    // stock qty and value, held qty/total/cost (consigned to the customer, held for the
    // supplier), customer receivable, supplier payable, and the accounts.
    QList<double> figures() {
        QList<double> out = stockOf(kAverage, kMain);
        out << held(kCustomer, 3) << held(kSupplier, 4) << receivable(kCustomer)
            << payable(kSupplier);
        out << accounts({kmStock, kmConsigned, kmReceivable, kmSales, kmCostOfSales, kmHeldDue,
                         kmPayable, kmCostAdjust});
        return out;
    }
    std::string state() {
        QStringList s = balances() << ledgerRows(*db_).mid(3, 2);
        s << test::numberRows(
            query(u"SELECT goodsid, wldw_id, typeid, qty, total, costtotal FROM "
                  "baseGoodsStockOther WHERE qty <> 0 OR total <> 0 OR "
                  "costtotal <> 0 ORDER BY 1, 2, 3"_s));
        return s.join(u'\n').toStdString();
    }
};

TEST_F(Consign, EachKindMovesItsBalancesAndReversalAndDeletionRestoreThem) {
    struct Case {
        const char* what;
        // bills posted first (the delivery or receipt is the first); the case's bill picks it
        std::vector<std::pair<int, std::pair<double, double>>> before;
        int kind;
        double qty, price;
        // stock qty, value; consigned qty, total, cost; held qty, total, cost; receivable,
        // payable; accounts stock, consigned, receivable, sales, cost of sales, held due,
        // payable, cost adjustment
        QList<double> change;
        double followed;  // toQty of the picked line after the bill
    } cases[] = {
        // 20 bought at 5; 10 delivered at the consignment price 8: out at cost 50.
        {"delivery",
         {},
         43,
         10,
         8,
         {-10, -50, 10, 80, 50, 0, 0, 0, 0, 0, -50, 50, 0, 0, 0, 0, 0, 0},
         0},
        // 3 of the 10 back: 3/10 of 80 at price and of 50 at cost.
        {"return",
         {{43, {10, 8}}},
         47,
         3,
         8,
         {3, 15, -3, -24, -15, 0, 0, 0, 0, 0, 15, -15, 0, 0, 0, 0, 0, 0},
         3},
        // 5 settled at 9: receivable and income 45, cost of sales 25 from the consigned cost.
        {"settlement",
         {{43, {10, 8}}},
         44,
         5,
         9,
         {0, 0, -5, -40, -25, 0, 0, 0, 45, 0, 0, -25, 45, 45, 25, 0, 0, 0},
         5},
        // the consignee's price raised to 10: value at price 100, nothing else moves.
        {"price change",
         {{43, {10, 8}}},
         49,
         1,
         10,
         {0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         0},
        // 10 of the supplier's goods received at 6 into our warehouse, owed at 60.
        {"receipt",
         {},
         45,
         10,
         6,
         {10, 60, 0, 0, 0, 10, 60, 60, 0, 0, 60, 0, 0, 0, 0, 60, 0, 0},
         0},
        // 4 back to the supplier (received at 8): out of our stock at the average 6 (20 bought
        // at 5 and 10 received at 8), the 8 in the due account against 6 to the cost adjustment.
        {"held return",
         {{45, {10, 8}}},
         48,
         4,
         8,
         {-4, -24, 0, 0, 0, -4, -32, -32, 0, 0, -24, 0, 0, 0, 0, -32, 0, -8},
         4},
        // 5 sold, settled at 7: payable 35 against 40 received, 5 back from the cost adjustment.
        {"held settlement",
         {{45, {10, 8}}},
         46,
         5,
         7,
         {0, 0, 0, 0, 0, -5, -40, -40, 0, 35, 0, 0, 0, 0, 0, -40, 35, -5},
         5},
        {"held price change",
         {{45, {10, 8}}},
         50,
         1,
         8.5,
         {0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        post(purchase(kAverage, 20, 5, "2024-01-02"));
        qint64 source = 0;
        for (const auto& [kind, qp] : c.before)
            source = post(bill(kind, kind == 45 ? kSupplier : kCustomer, qp.first, qp.second, 0,
                               "2024-01-05"));
        const qint64 partner =
            c.kind == 45 || c.kind == 46 || c.kind == 48 || c.kind == 50 ? kSupplier : kCustomer;
        const QList<double> start = figures();
        const std::string before = state();
        const BillPlan b =
            bill(c.kind, partner, c.qty, c.price, c.kind == 49 || c.kind == 50 ? 0 : source);
        const qint64 id = post(b);
        QList<double> moved = figures();
        for (qsizetype i = 0; i < moved.size(); ++i)
            moved[i] = std::round((moved[i] - start[i]) * 1e4) / 1e4;
        EXPECT_EQ(c.change, moved);
        if (source > 0) {
            EXPECT_EQ(
                c.followed,
                number(u"SELECT toQty FROM djList WHERE orderid = %1"_s.arg(lineId(source, 1))));
        }
        ASSERT_LT(0, call(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(id)}}));
        EXPECT_EQ(before, state()) << "after the red reversal";
        const qint64 again = post(b);
        ASSERT_EQ(0, call(u"P_JXC_DJ_PostDel"_s, {{"billid", n(again)}}));
        EXPECT_EQ(before, state()) << "after the deletion";
    }
}

// Delivered 10 at 8 (cost 5), 3 returned, 5 settled at 9: the consignee still holds 2, worth 16
// at price and 10 at cost; the receivable is 45 and the cost of sales 25. Deleting the return
// while the settlement stands brings the consignee back to 5.
TEST_F(Consign, DeliveryReturnAndSettlementLeaveTheRestWithTheConsignee) {
    post(purchase(kAverage, 20, 5, "2024-01-02"));
    const qint64 delivery = post(bill(43, kCustomer, 10, 8, 0, "2024-01-05"));
    const qint64 back = post(bill(47, kCustomer, 3, 8, delivery, "2024-01-06"));
    post(bill(44, kCustomer, 5, 9, delivery, "2024-01-07"));
    EXPECT_EQ((QList<double>{2, 16, 10}), held(kCustomer, 3));
    EXPECT_EQ(45, receivable(kCustomer));
    EXPECT_EQ((QList<double>{13, 65}), stockOf(kAverage, kMain));
    EXPECT_EQ((QList<double>{65, 10, 45, 45, 25}),
              accounts({kmStock, kmConsigned, kmReceivable, kmSales, kmCostOfSales}));
    EXPECT_EQ(8, number(u"SELECT toQty FROM djList WHERE orderid = %1"_s.arg(lineId(delivery, 1))));
    ASSERT_EQ(0, call(u"P_JXC_DJ_PostDel"_s, {{"billid", n(back)}}));
    EXPECT_EQ((QList<double>{5, 40, 25}), held(kCustomer, 3));
    EXPECT_EQ((QList<double>{10, 50}), stockOf(kAverage, kMain));
    EXPECT_EQ(5, number(u"SELECT toQty FROM djList WHERE orderid = %1"_s.arg(lineId(delivery, 1))));
}

TEST_F(Consign, NeverMoreSettledOrReturnedThanHeld) {
    post(purchase(kAverage, 20, 5, "2024-01-02"));
    const qint64 delivery = post(bill(43, kCustomer, 10, 8, 0, "2024-01-05"));
    post(bill(44, kCustomer, 8, 9, delivery, "2024-01-06"));
    const struct {
        const char* what;
        BillPlan bill;
        QString error;
    } cases[] = {
        {"settled beyond what is left", bill(44, kCustomer, 3, 9, delivery),
         u"第 1 行的商品[SP01 螺丝]在[宏达五金]的委托代销数量不足（现有 2，需要 3）！"_s},
        {"returned beyond what is left", bill(47, kCustomer, 5, 8, delivery),
         u"第 1 行的商品[SP01 螺丝]在[宏达五金]的委托代销数量不足（现有 2，需要 5）！"_s},
        {"held goods settled that were never received", bill(46, kSupplier, 1, 6),
         u"第 1 行的商品[SP01 螺丝]在[华南供应]的受托代销数量不足（现有 0，需要 1）！"_s},
        {"a price change of nothing held", bill(50, kSupplier, 1, 6),
         u"第 1 行商品[SP01 螺丝]在该单位没有受托代销的商品，不能调价！"_s},
        {"a delivery without a consignee", bill(43, 0, 1, 8),
         u"单据没有选择往来单位，不能过账！"_s},
    };
    const std::string before = state();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            post(c.bill);
            ADD_FAILURE() << "posted";
        } catch (const DytError& e) {
            EXPECT_EQ(c.error, e.message());
        }
        EXPECT_EQ(before, state());
    }
    // The delivery cannot be reversed while its goods are settled.
    EXPECT_TRUE(callError(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(delivery)}})
                    .contains(u"委托代销数量不足"_s));
}

// A delivery dated before an earlier-posted settlement: the settlement takes its cost again from
// what the consignee holds with that delivery.
TEST_F(Consign, ABackDatedDeliveryRecostsTheLaterSettlement) {
    post(purchase(kAverage, 20, 5, "2024-01-02"));
    post(bill(43, kCustomer, 10, 8, 0, "2024-01-03"));  // cost 50
    post(purchase(kAverage, 10, 8, "2024-01-04"));      // 20 in stock worth 130
    const qint64 settle = post(bill(44, kCustomer, 5, 9, 0, "2024-01-10"));
    EXPECT_EQ(25, lineCost(settle, 1));
    post(bill(43, kCustomer, 10, 8, 0, "2024-01-08"));  // 10 at 6.5: held 20 worth 115
    EXPECT_EQ(28.75, lineCost(settle, 1));
    EXPECT_EQ((QList<double>{15, 120, 86.25}), held(kCustomer, 3));
    EXPECT_EQ((QList<double>{28.75, 86.25}), accounts({kmCostOfSales, kmConsigned}));
}

}  // namespace
}  // namespace dyt::ledgertest
