// Goods borrowed in and lent out (kinds 35 to 40): stock, the partners' borrowed and lent
// balances, accounts and the take-over of the source lines, after posting, red reversal and
// deletion, against figures worked out by hand.

#include <QFile>

#include <cmath>
#include <functional>

#include "ledger_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::ledgertest {
namespace {

class Loans : public OpenedLedgerTest {
protected:
    static QString n(qint64 v) { return QString::number(v); }
    void fresh() {
        TearDown();
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(path_ + QString::fromLatin1(suffix));
        SetUp();
    }
    // A loan bill of one line of screws (moving average) with the partner, in the main warehouse.
    static BillPlan loan(int kind, double qty, double price, const char* date = "2024-01-10",
                         qint64 sourceBill = 0, qint64 sourceLine = 0) {
        const qint64 partner = kind <= 37 ? kSupplier : kCustomer;
        BillPlan b = goodsBill(kind, partner, kAverage, qty, price, date);
        b.lines[0].sourceBill = sourceBill;
        b.lines[0].sourceLine = sourceLine;
        return b;
    }
    double held(int typeId, const char* field) {
        return number(u"SELECT total(%1) FROM baseGoodsStockOther WHERE goodsid = %2 AND typeid = "
                      "%3"_s.arg(QLatin1String(field))
                          .arg(kAverage)
                          .arg(typeId));
    }
    // Stock qty and value in the main warehouse; borrowed qty, cost, value; lent qty, cost, value;
    // the stock, receivable, payable, sales, cost of sales and cost adjustment accounts; the
    // customer's receivable and the supplier's payable.
    QList<double> figures() {
        QList<double> out = stockOf(kAverage, kMain);
        for (int t : {1, 2})
            out << held(t, "qty") << held(t, "costtotal") << held(t, "total");
        out << accounts({kmStock, kmReceivable, kmPayable, kmSales, kmCostOfSales, kmCostAdjust});
        out << receivable(kCustomer) << payable(kSupplier);
        return out;
    }
    QString state() {
        return (balances() + test::rowTexts(query(
                                u"SELECT goodsid, wldw_id, typeid, qty, total, costtotal FROM "
                                "baseGoodsStockOther WHERE qty <> 0 ORDER BY 1, 2, 3"_s)) +
               test::rowTexts(query(u"SELECT l.orderid, l.toQty, l.isOver FROM djList AS l JOIN "
                                    "djIndex AS a ON a.id = l.id WHERE a.djType IN (35, 38) AND "
                                    "a.dj_state = 2 AND a.isred = 0 AND a.isredword = 0 ORDER "
                                    "BY 1"_s)))
            .join(u'\n');
    }
};

TEST_F(Loans, EachKindMovesItsBalancesAndReversalAndDeletionRestoreThem) {
    // Before every case: 20 screws bought at 5 (stock 20 / 100, payable 100).
    struct Case {
        const char* what;
        std::vector<BillPlan> before;
        BillPlan bill;
        // stock qty, value; borrowed qty, cost, value; lent qty, cost, value; accounts stock,
        // receivable, payable, sales, cost of sales, cost adjustment; customer, supplier
        QList<double> change;
    } cases[] = {
        // Borrowed goods enter the warehouse at their value but are not our own goods.
        {"borrowed in, 10 at 6",
         {},
         loan(35, 10, 6),
         {10, 60, 10, 60, 60, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // 30 / 160 in stock: 4 go back at 4 × 160 / 30 = 21.3333 while the borrowing held 24;
        // our own goods grow by 2.6667, a gain in the cost adjustment.
        {"borrowed goods returned",
         {loan(35, 10, 6, "2024-01-05")},
         loan(36, 4, 6),
         {-4, -21.3333, -4, -24, -24, 0, 0, 0, 2.6667, 0, 0, 0, 0, -2.6667, 0, 0}},
        // Bought at 7 what was borrowed at 6: payable 70, own goods +60, the 10 more paid is cost.
        {"borrowed goods bought",
         {loan(35, 10, 6, "2024-01-05")},
         loan(37, 10, 7),
         {0, 0, -10, -60, -60, 0, 0, 0, 60, 0, 70, 0, 0, 10, 0, 70}},
        // Lent out at their cost of 5, valued 8 to the customer; still our own goods.
        {"lent out, 10 at cost 5",
         {},
         loan(38, 10, 8),
         {-10, -50, 0, 0, 0, 10, 50, 80, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"lent goods back",
         {loan(38, 10, 8, "2024-01-05")},
         loan(39, 4, 8),
         {4, 20, 0, 0, 0, -4, -20, -32, 0, 0, 0, 0, 0, 0, 0, 0}},
        // Lent 10 at cost 5, 4 back, the other 6 sold at 9: receivable 54, cost of sales 30.
        {"lent goods sold",
         {loan(38, 10, 8, "2024-01-05"), loan(39, 4, 8, "2024-01-06")},
         loan(40, 6, 9),
         {0, 0, 0, 0, 0, -6, -30, -48, -30, 54, 0, 54, 30, 0, 54, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        post(purchase(kAverage, 20, 5, "2024-01-02"));
        for (const BillPlan& b : c.before)
            post(b);
        const QList<double> start = figures();
        const QString before = state();
        const qint64 id = post(c.bill);
        QList<double> moved = figures();
        for (qsizetype i = 0; i < moved.size(); ++i)
            moved[i] = std::round((moved[i] - start[i]) * 1e4) / 1e4;
        EXPECT_EQ(c.change, moved);
        ASSERT_LT(0, call(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(id)}}));
        EXPECT_EQ(before.toStdString(), state().toStdString()) << "after the red reversal";
        const qint64 again = post(c.bill);
        ASSERT_EQ(0, call(u"P_JXC_DJ_PostDel"_s, {{"billid", n(again)}}));
        EXPECT_EQ(before.toStdString(), state().toStdString()) << "after the deletion";
    }
}

TEST_F(Loans, ReturnsPickedFromTheBorrowingCloseItWhenAllIsBack) {
    post(purchase(kAverage, 20, 5, "2024-01-02"));
    const qint64 borrowing = post(loan(35, 10, 6, "2024-01-05"));
    const qint64 line = lineId(borrowing, 1);
    const auto open = [&] {
        return QList<double>{number(u"SELECT toQty FROM djList WHERE orderid = ?"_s, {line}),
                             number(u"SELECT isOver FROM djList WHERE orderid = ?"_s, {line}),
                             number(u"SELECT isOver FROM djIndex WHERE id = ?"_s, {borrowing})};
    };
    const qint64 first = post(loan(36, 4, 6, "2024-01-06", borrowing, line));
    EXPECT_EQ((QList<double>{4, 0, 0}), open());
    const qint64 rest = post(loan(37, 6, 7, "2024-01-07", borrowing, line));
    EXPECT_EQ((QList<double>{10, 1, 1}), open());
    ASSERT_EQ(0, call(u"P_JXC_DJ_PostDel"_s, {{"billid", n(rest)}}));
    EXPECT_EQ((QList<double>{4, 0, 0}), open());
    ASSERT_LT(0, call(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(first)}}));
    EXPECT_EQ((QList<double>{0, 0, 0}), open());
}

// A purchase dated before a lending re-costs the lending and the sale of what was lent, though
// that sale moves no stock of its own.
TEST_F(Loans, AnEarlierPurchaseReCostsTheLendingAndItsSale) {
    post(purchase(kAverage, 20, 5, "2024-01-02"));
    const qint64 lent = post(loan(38, 10, 8, "2024-01-05"));
    const qint64 sold = post(loan(40, 10, 9, "2024-01-10"));
    EXPECT_EQ((QList<double>{50, 50, 50}),
              (QList<double>{lineCost(lent, 1), lineCost(sold, 1), account(kmCostOfSales)}));
    // 30 / 180 before the lending: 10 go out at 6.
    const qint64 earlier = post(purchase(kAverage, 10, 8, "2024-01-03"));
    EXPECT_EQ((QList<double>{60, 60, 60, 120}),
              (QList<double>{lineCost(lent, 1), lineCost(sold, 1), account(kmCostOfSales),
                             stockValue(kAverage, kMain)}));
    ASSERT_EQ(0, call(u"P_JXC_DJ_PostDel"_s, {{"billid", n(earlier)}}));
    EXPECT_EQ((QList<double>{50, 50, 50, 50}),
              (QList<double>{lineCost(lent, 1), lineCost(sold, 1), account(kmCostOfSales),
                             stockValue(kAverage, kMain)}));
}

TEST_F(Loans, RefusalsNameTheGoodsAndThePartnerAndWriteNothing) {
    struct Case {
        const char* what;
        std::vector<BillPlan> before;
        std::function<void(const QList<qint64>&)> step;
        QString error;
    } cases[] = {
        {"more returned than borrowed",
         {loan(35, 10, 6, "2024-01-05")},
         [this](const QList<qint64>&) { post(loan(36, 12, 6)); },
         u"第 1 行的商品[SP01 螺丝]在[华南供应]的借进数量不足（现有 10，需要 12）！"_s},
        {"more sold than lent",
         {loan(38, 3, 8, "2024-01-05")},
         [this](const QList<qint64>&) { post(loan(40, 5, 9)); },
         u"第 1 行的商品[SP01 螺丝]在[宏达五金]的借出数量不足（现有 3，需要 5）！"_s},
        {"a return of another partner's borrowing",
         {loan(35, 10, 6, "2024-01-05")},
         [this](const QList<qint64>& ids) {
             BillPlan b = loan(36, 2, 6, "2024-01-10", ids[0], lineId(ids[0], 1));
             b.wldw = kCarrier;
             post(b);
         },
         u"第 1 行选自的单据[T-35]不是本往来单位的单据，不能过账！"_s},
        {"a borrowing deleted after its return",
         {loan(35, 10, 6, "2024-01-05"), loan(36, 4, 6, "2024-01-06")},
         [this](const QList<qint64>& ids) {
             call(u"P_JXC_DJ_PostDel"_s, {{"billid", n(ids[0])}});
         },
         u"删除后，后面的单据[T-36]（2024-01-06）第 1 行的商品[SP01 螺丝]在[华南供应]的借进"
         "数量不足（现有 0，需要 4）！"_s},
        {"a loan without a partner",
         {},
         [this](const QList<qint64>&) {
             BillPlan b = loan(38, 1, 8);
             b.wldw = 0;
             post(b);
         },
         u"单据没有选择往来单位，不能过账！"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        post(purchase(kAverage, 20, 5, "2024-01-02"));
        QList<qint64> ids;
        for (const BillPlan& b : c.before)
            ids << post(b);
        const QString before = ledgerRows(*db_).join(u'\n') + state();
        EXPECT_EQ(c.error, test::errorOf([&] { c.step(ids); }));
        EXPECT_EQ(before.toStdString(), (ledgerRows(*db_).join(u'\n') + state()).toStdString());
    }
}

}  // namespace
}  // namespace dyt::ledgertest
