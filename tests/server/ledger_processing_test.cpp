// Outsourced processing (issue, return, completion) and the warehouse receipts and issues: the
// balances after posting, after the red reversal and after deletion, the re-costing by date and
// the refusals, against figures worked out by hand.

#include <QFile>

#include <cmath>
#include <functional>

#include "ledger_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::ledgertest {
namespace {

constexpr qint64 kProcessor = kSupplier;

LinePlan line(qint64 goods, double qty, double price = 0) {
    return {.goods = goods, .qty = qty, .price = price};
}

BillPlan bill(int kind, std::vector<LinePlan> lines, const char* date = "2024-01-10",
              qint64 partner = kProcessor) {
    BillPlan b;
    b.djType = kind;
    b.date = QString::fromLatin1(date);
    b.wldw = partner;
    b.intoStock = kMain;
    b.lines = std::move(lines);
    return b;
}

// Materials 10 螺丝 at 3 and 4 齿轮 at 5 bought, then issued to the processor.
std::vector<BillPlan> bought() {
    return {purchase(kAverage, 10, 3, "2024-01-05"), purchase(kFifo, 4, 5, "2024-01-05")};
}
BillPlan issue(const char* date = "2024-01-08") {
    return bill(53, {line(kAverage, 10), line(kFifo, 4)}, date);
}
// Two 变速箱 finished with a fee of 8 each, consuming the materials given.
BillPlan completion(double screws, double gears, const char* date = "2024-01-10") {
    return bill(55, {line(kProduct, 2, 8), line(kAverage, -screws), line(kFifo, -gears)}, date);
}

class Processing : public OpenedLedgerTest {
protected:
    static QString n(qint64 v) { return QString::number(v); }
    void fresh() {
        TearDown();
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(path_ + QString::fromLatin1(suffix));
        SetUp();
    }
    double held(qint64 goods, const char* field) {
        return number(u"SELECT total(%1) FROM baseGoodsStockOther WHERE goodsid = %2 AND "
                      "wldw_id = %3 AND typeid = 5"_s.arg(QLatin1String(field))
                          .arg(goods)
                          .arg(kProcessor));
    }
    // 螺丝, 齿轮 and 变速箱 in the main warehouse (quantity, value), 螺丝 and 齿轮 at the
    // processor (quantity, cost), the processor's payable, and the accounts stock, payable,
    // other income and other fee.
    QList<double> figures() {
        QList<double> out;
        for (qint64 g : {kAverage, kFifo, kProduct})
            out << stockOf(g, kMain);
        for (qint64 g : {kAverage, kFifo})
            out << held(g, "qty") << held(g, "costtotal");
        out << payable(kProcessor) << accounts({kmStock, kmPayable, kmOtherIncome, kmOtherFee});
        return out;
    }
    // Every balance, and what the processor holds, as one text.
    std::string state() {
        return (balances() << test::rowTexts(query(
                    u"SELECT goodsid, wldw_id, typeid, qty, total, costtotal FROM "
                    "baseGoodsStockOther WHERE qty <> 0 OR costtotal <> 0 ORDER BY 1, 2, 3"_s)))
            .join(u'\n')
            .toStdString();
    }
};

TEST_F(Processing, EachKindMovesItsBalancesAndReversalAndDeletionRestoreThem) {
    struct Case {
        const char* what;
        std::vector<BillPlan> before;
        BillPlan bill;
        // 螺丝 qty, value; 齿轮 qty, value; 变速箱 qty, value; at the processor 螺丝 qty, cost,
        // 齿轮 qty, cost; payable; accounts stock, payable, other income, other fee
        QList<double> change;
    } cases[] = {
        {"issue: out of the warehouse at cost into the processing balance", bought(), issue(),
         {-10, -30, -4, -20, 0, 0, 10, 30, 4, 20, 0, 0, 0, 0, 0}},
        {"partial return of 4 螺丝 at the processor's average 3",
         {bought()[0], bought()[1], issue()}, bill(54, {line(kAverage, 4)}),
         {4, 12, 0, 0, 0, 0, -4, -12, 0, 0, 0, 0, 0, 0, 0}},
        // 30 + 20 materials + 16 fee = 66, 33 each; the fee is owed to the processor.
        {"completion consuming everything",
         {bought()[0], bought()[1], issue()}, completion(10, 4),
         {0, 0, 0, 0, 2, 66, -10, -30, -4, -20, 16, 16, 16, 0, 0}},
        // 5 螺丝 at 3 = 15, 4 齿轮 = 20, fee 16: 51.
        {"completion consuming part of the materials",
         {bought()[0], bought()[1], issue()}, completion(5, 4),
         {0, 0, 0, 0, 2, 51, -5, -15, -4, -20, 16, 16, 16, 0, 0}},
        {"warehouse receipt at the stated value", {},
         bill(56, {line(kAverage, 5, 4)}, "2024-01-10", 0),
         {5, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 20, 0}},
        {"warehouse issue at cost", {bought()[0]},
         bill(57, {line(kAverage, 4, 9)}, "2024-01-10", 0),
         {-4, -12, 0, 0, 0, 0, 0, 0, 0, 0, 0, -12, 0, 0, 12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        for (const BillPlan& b : c.before)
            post(b);
        const QList<double> start = figures();
        const std::string before = state();
        const qint64 id = post(c.bill);
        QList<double> moved = figures();
        for (qsizetype i = 0; i < moved.size(); ++i)
            moved[i] = std::round((moved[i] - start[i]) * 1e4) / 1e4;
        EXPECT_EQ(c.change, moved);
        ASSERT_LT(0, call(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(id)}}));
        EXPECT_EQ(before, state()) << "after the red reversal";
        const qint64 again = post(c.bill);
        ASSERT_EQ(0, call(u"P_JXC_DJ_PostDel"_s, {{"billid", n(again)}}));
        EXPECT_EQ(before, state()) << "after the deletion";
    }
}

TEST_F(Processing, AnEarlierPurchaseReCostsTheIssueAndTheCompletion) {
    for (const BillPlan& b : bought())
        post(b);
    post(issue());
    const qint64 done = post(completion(10, 4));
    EXPECT_EQ(66, lineCost(done, 1));
    // 10 more 螺丝 at 5 before the issue: the issue takes 10 at the average 4 (40), the
    // completion values the goods at 40 + 20 + 16 = 76.
    post(purchase(kAverage, 10, 5, "2024-01-03"));
    EXPECT_EQ((QList<double>{76, -40, -20}),
              (QList<double>{lineCost(done, 1), lineCost(done, 2), lineCost(done, 3)}));
    EXPECT_EQ((QList<double>{2, 76}), stockOf(kProduct, kMain));
    EXPECT_EQ((QList<double>{10, 40}), stockOf(kAverage, kMain));  // 80 − 40
    EXPECT_EQ(0, held(kAverage, "qty"));
    EXPECT_EQ(0, held(kAverage, "costtotal"));
}

TEST_F(Processing, RefusalsWriteNothing) {
    struct Case {
        const char* what;
        std::function<void(const QList<qint64>&)> step;
        QString error;  // the whole message, or a part of it when it names a later bill
        bool whole;
    } cases[] = {
        {"a return of more than the processor holds",
         [this](const QList<qint64>&) { post(bill(54, {line(kAverage, 12)})); },
         u"第 1 行的商品[SP01 螺丝]在[华南供应]的委外加工数量不足（现有 10，需要 12）！"_s, true},
        {"a completion without consumed materials",
         [this](const QList<qint64>&) { post(bill(55, {line(kProduct, 2, 8)})); },
         u"委外加工完工单必须既有完工的商品又有耗用的材料（数量为负）！"_s, true},
        {"an issue without a processor",
         [this](const QList<qint64>&) {
             post(bill(53, {line(kAverage, 1)}, "2024-01-10", 0));
         },
         u"委外加工单据必须选择加工单位，不能过账！"_s, true},
        {"a completion consuming more than was issued",
         [this](const QList<qint64>&) { post(completion(11, 4)); },
         u"第 2 行的商品[SP01 螺丝]在[华南供应]的委外加工数量不足（现有 10，需要 11）！"_s, true},
        {"the deletion of an issue whose materials were consumed",
         [this](const QList<qint64>& ids) {
             post(completion(10, 4, "2024-01-12"));
             const std::string kept = state();
             const QString e = callError(u"P_JXC_DJ_PostDel"_s, {{"billid", n(ids[2])}});
             EXPECT_EQ(kept, state());
             throw DytError(e);
         },
         u"委外加工数量不足"_s, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        QList<qint64> ids;
        for (const BillPlan& b : bought())
            ids << post(b);
        ids << post(issue());
        const std::string before = state();
        const QString e = test::errorOf([&] { c.step(ids); });
        if (c.whole) {
            EXPECT_EQ(c.error, e);
            EXPECT_EQ(before, state());
        } else {
            EXPECT_TRUE(e.contains(c.error)) << e.toStdString();
        }
    }
}

}  // namespace
}  // namespace dyt::ledgertest

namespace dyt::ledgertest {
namespace {

class ProcessingOpening : public LedgerTest {};

TEST_F(ProcessingOpening, WhatTheOpeningLeftAtTheProcessorComesBackAtItsValue) {
    // 6 螺丝 worth 24 at the processor when the account set opens.
    ASSERT_LT(0, call(u"P_JXC_INI_GoodsStockOther"_s,
                      {{"goodsid", u"31"_s}, {"wldw_id", u"22"_s}, {"typeid", u"5"_s},
                       {"Qty", u"6"_s}, {"Total", u"24"_s}}));
    openAccountSet();
    const qint64 back = post(bill(54, {line(kAverage, 2)}));
    EXPECT_EQ(8, lineCost(back, 1));
    EXPECT_EQ((QList<double>{2, 8}), stockOf(kAverage, kMain));
    const qint64 done = post(bill(55, {line(kProduct, 2, 8), line(kAverage, -4)}));
    // The 4 螺丝 left (16) and the fee 16.
    EXPECT_EQ(32, lineCost(done, 1));
    EXPECT_EQ(0, number(u"SELECT total(qty) FROM baseGoodsStockOther WHERE typeid = 5"_s));
}

}  // namespace
}  // namespace dyt::ledgertest
