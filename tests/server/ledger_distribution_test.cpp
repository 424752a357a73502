// Distribution between warehouses (request, delivery, acceptance) and gift contracts: the stock of
// both warehouses, what the request and the delivery count as done, the refusals, and the red
// reversal and deletion, against figures worked out by hand.

#include <functional>

#include "ledger_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::ledgertest {
namespace {

class Distribution : public OpenedLedgerTest {
protected:
    static QString n(qint64 v) { return QString::number(v); }
    // A distribution bill from the main warehouse to the shop; lines (goods, qty) taken from the
    // lines of `source` in order when it is given.
    qint64 bill(int kind, std::vector<std::pair<qint64, double>> lines, qint64 source = 0,
                const char* date = "2024-01-11") {
        BillPlan b;
        b.djType = kind;
        b.date = QString::fromLatin1(date);
        b.outStock = kMain;
        b.intoStock = kShop;
        int i = 0;
        for (const auto& [goods, qty] : lines) {
            ++i;
            b.lines.push_back({.goods = goods,
                               .qty = qty,
                               .sourceBill = source,
                               .sourceLine = source > 0 ? lineId(source, i) : 0});
        }
        return post(b);
    }
    // Quantity and value of the two goods in both warehouses.
    QList<double> stock() {
        return stockOf(kAverage, kMain) + stockOf(kAverage, kShop) + stockOf(kFifo, kMain) +
               stockOf(kFifo, kShop);
    }
    // isOver of the bill and toQty of each of its lines.
    QList<double> done(qint64 id) {
        QList<double> out{number(u"SELECT isOver FROM djIndex WHERE id = ?"_s, {id})};
        const RecordSet rs =
            query(u"SELECT toQty FROM djList WHERE id = %1 ORDER BY orderid"_s.arg(id));
        for (int r = 0; r < rs.rowCount(); ++r)
            out << rs.at(r, 0).toDouble();
        return out;
    }
    QString red(qint64 id) {
        return callError(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(id)}});
    }
    QString del(qint64 id) { return callError(u"P_JXC_DJ_PostDel"_s, {{"billid", n(id)}}); }
};

TEST_F(Distribution, RequestDeliveryAcceptanceMoveStockOnceAndCountWhatIsDone) {
    post(purchase(kAverage, 10, 5, "2024-01-05"));
    post(purchase(kFifo, 10, 3, "2024-01-05"));
    post(purchase(kFifo, 10, 4, "2024-01-06"));
    const QList<double> bought = {10, 50, 0, 0, 20, 70, 0, 0};
    ASSERT_EQ(bought, stock());
    const QList<double> accountsBefore = accounts({kmStock, kmCostAdjust});

    const qint64 request = bill(61, {{kAverage, 6}, {kFifo, 12}}, 0, "2024-01-10");
    EXPECT_EQ(bought, stock());
    EXPECT_EQ((QList<double>{0, 0, 0}), done(request));

    // FIFO: the 10 at 3 and 2 of the 10 at 4 go, 38; the average goods 6 at 5, 30.
    const qint64 delivery = bill(62, {{kAverage, 6}, {kFifo, 12}}, request);
    const QList<double> delivered = {4, 20, 6, 30, 8, 32, 12, 38};
    EXPECT_EQ(delivered, stock());
    EXPECT_EQ((QList<double>{1, 6, 12}), done(request));
    EXPECT_EQ(38, lineCost(delivery, 2));
    EXPECT_EQ(accountsBefore, accounts({kmStock, kmCostAdjust}));

    const qint64 acceptance = bill(63, {{kAverage, 6}, {kFifo, 12}}, delivery, "2024-01-12");
    EXPECT_EQ(delivered, stock());
    EXPECT_EQ((QList<double>{1, 6, 12}), done(delivery));

    // Finished acceptance guards the delivery; the request has a delivery; no second acceptance.
    const QStringList before = balances();
    const struct {
        QString got, want;
    } refusals[] = {
        {red(delivery), u"配送单 已经完成验收不能红冲！"_s},
        {del(delivery), u"配送单 已经完成验收不能删除"_s},
        {red(request), u"配送申请单已经有执行的配送单，不能红冲！"_s},
        {del(request), u"配送申请单已经有执行的配送单，不能删除！"_s},
        {test::errorOf([&] { bill(63, {{kAverage, 1}}, delivery); }),
         u"配送单[T-62]已经完成验收，不能再次验收！"_s},
    };
    for (const auto& r : refusals)
        EXPECT_EQ(r.want, r.got);
    EXPECT_EQ(before, balances());

    // Reversing the acceptance opens the delivery again; reversing the delivery puts the goods
    // back in their batches and opens the request; then the request can go.
    EXPECT_EQ(u""_s, red(acceptance));
    EXPECT_EQ((QList<double>{0, 0, 0}), done(delivery));
    EXPECT_EQ(delivered, stock());
    EXPECT_EQ(u""_s, red(delivery));
    EXPECT_EQ(bought, stock());
    EXPECT_EQ((QList<double>{0, 0, 0}), done(request));
    EXPECT_EQ((QStringList{u"10.0000|30.0000"_s, u"10.0000|40.0000"_s}),
              test::numberRows(query(u"SELECT qty, total FROM baseGoodsStock WHERE goodsid = %1 AND "
                               "stockid = %2 AND qty <> 0 ORDER BY goodspc"_s.arg(kFifo).arg(kMain))))
        << "the FIFO batches are back at their own costs";
    EXPECT_EQ(u""_s, del(request));
    EXPECT_EQ(accountsBefore, accounts({kmStock, kmCostAdjust}));
}

TEST_F(Distribution, PartialDeliveryAcceptanceLimitsAndDeletion) {
    post(purchase(kAverage, 10, 5, "2024-01-05"));
    const qint64 request = bill(61, {{kAverage, 6}}, 0, "2024-01-10");
    const qint64 delivery = bill(62, {{kAverage, 4}}, request);
    EXPECT_EQ((QList<double>{6, 30, 4, 20}), stockOf(kAverage, kMain) + stockOf(kAverage, kShop));
    EXPECT_EQ((QList<double>{0, 4}), done(request));

    const struct {
        std::function<void()> act;
        QString want;
    } refusals[] = {
        {[&] { bill(63, {{kAverage, 5}}, delivery); },
         u"第 1 行验收数量超过配送单[T-62]未验收的数量（4），不能过账！"_s},
        {[&] {
             BillPlan b = goodsBill(62, 0, kAverage, 1, 0, "2024-01-11", kMain);
             b.outStock = kMain;
             post(b);
         },
         u"配送仓库和申请仓库不能相同！"_s},
        {[&] { bill(62, {{kAverage, 0}}); },
         u"第 1 行商品[SP01 螺丝]配送数量必须大于零，不能过账！"_s},
    };
    for (const auto& r : refusals)
        EXPECT_EQ(r.want, test::errorOf(r.act));
    // Deleting the unaccepted delivery gives the main warehouse its goods back and reopens the
    // request line.
    EXPECT_EQ(u""_s, del(delivery));
    EXPECT_EQ((QList<double>{10, 50, 0, 0}), stockOf(kAverage, kMain) + stockOf(kAverage, kShop));
    EXPECT_EQ((QList<double>{0, 0}), done(request));
}

TEST_F(Distribution, GiftContractIsAKeptDocument) {
    post(purchase(kAverage, 10, 5, "2024-01-05"));
    const auto figures = [&] {
        return stockOf(kAverage, kMain) + accounts({kmStock, kmReceivable}) +
               QList<double>{receivable(kCustomer)};
    };
    const QList<double> before = figures();
    ASSERT_EQ((QList<double>{10, 50, 50, 0, 0}), before);
    BillPlan b = goodsBill(71, kCustomer, kAverage, 3, 4, "2024-01-10");
    const qint64 contract = post(b);
    EXPECT_EQ(before, figures());
    EXPECT_EQ(1, number(u"SELECT 1 FROM djIndex WHERE dj_state = 2 AND djType = 71"_s));
    EXPECT_EQ(u"赠品合同单不能红冲，请直接删除单据！"_s, red(contract));
    EXPECT_EQ(u""_s, del(contract));
    EXPECT_EQ(before, figures());
}

}  // namespace
}  // namespace dyt::ledgertest
