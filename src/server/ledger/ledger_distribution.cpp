// Distribution between warehouses and gift contracts.
//
// 61 配送申请单: a warehouse (申请仓库, IntoStock_id) asks another (配送仓库, OutStock_id) for
//    goods. A document: it moves nothing; the deliveries taken from it count against its lines
//    (toQty, isOver) as deliveries do against an order.
// 62 配送单: takes the goods out of the delivering warehouse at cost and puts them into the
//    receiving one at the same cost, batches kept, on posting. Lines picked from a request count
//    against it.
// 63 配送验收单: the receiving warehouse confirms a delivery. It moves nothing (the goods are
//    already in the receiving warehouse); its quantities count against the delivery's lines and
//    may not exceed what is left to accept; once posted the delivery is complete (isOver 1) and
//    can neither be reversed nor deleted until the acceptance is.
// 71 赠品合同单: the gifts promised to a customer; a document like an order, moving nothing.
#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"

namespace dyt::server::ledger {
namespace {

double baseQtyOf(const Line& l) {
    return roundQty(std::abs(l.qty) * l.rate);
}

qint64 fromWarehouse(const Bill& b, const Line& l) {
    return l.outStock > 0 ? l.outStock : b.outStock;
}

qint64 toWarehouse(const Bill& b, const Line& l) {
    return l.intoStock > 0 ? l.intoStock : b.intoStock;
}

// The kind of bill a kind's lines are taken from.
int sourceKind(int djType) {
    switch (djType) {
        case kDelivery:
            return kDistributionRequest;
        case kAcceptance:
            return kDelivery;
        default:
            return 0;
    }
}

}  // namespace

bool isDistributionDocument(int djType) {
    return djType == kDistributionRequest || djType == kAcceptance || djType == kGiftContract;
}

void postDistribution(Database& db, const Bill& b, const QList<Line>& lines, StockBook& book) {
    if (b.djType != kDelivery)
        return;
    for (const Line& l : lines) {
        if (l.goodsid <= 0)
            continue;
        if (l.qty <= 0) {
            const GoodsInfo g = goodsInfo(db, l.goodsid);
            throw DytError(QStringLiteral("第 %1 行商品[%2 %3]配送数量必须大于零，不能过账！")
                               .arg(l.number)
                               .arg(g.code, g.name));
        }
        const qint64 from = fromWarehouse(b, l);
        const qint64 to = toWarehouse(b, l);
        if (from <= 0 || to <= 0)
            throw DytError(QStringLiteral("配送单必须选择配送仓库和申请仓库！"));
        if (from == to)
            throw DytError(QStringLiteral("配送仓库和申请仓库不能相同！"));
        const double cost = book.transfer(l, from, to, baseQtyOf(l));
        db.execute(QStringLiteral("UPDATE djList SET costprice = ?, costtotal = ? WHERE orderid = ?"),
                   {roundQty(cost / l.qty), roundMoney(cost), l.orderid});
    }
}

void applyDistributionLinks(Database& db, const Bill& b, const QList<Line>& lines, int sign) {
    const int source = sourceKind(b.djType);
    if (source == 0)
        return;
    QList<qint64> touched;
    Statement st = db.prepare(QStringLiteral(
        "SELECT l.id, l.qty, l.rate, l.toQty, a.isOver, a.code FROM djList AS l JOIN djIndex AS a "
        "ON a.id = l.id WHERE l.orderid = ? AND a.djType = ? AND a.dj_state = 2"));
    for (const Line& l : lines) {
        if (l.s_orderid <= 0 || l.goodsid <= 0)
            continue;
        st.reset();
        st.bindAll({l.s_orderid, source});
        if (!st.step())
            continue;
        const qint64 bill = st.value(0).toLongLong();
        const double qty = st.value(1).toDouble();
        double rate = st.value(2).toDouble();
        if (rate <= 0)
            rate = 1;
        const double done = st.value(3).toDouble();
        const double moved = roundQty(baseQtyOf(l) / rate);
        const double toQty = roundQty(done + sign * moved);
        if (b.djType == kAcceptance && sign > 0) {
            if (!touched.contains(bill) && st.value(4).toInt() != 0) {
                throw DytError(QStringLiteral("配送单[%1]已经完成验收，不能再次验收！")
                                   .arg(st.value(5).toString()));
            }
            if (toQty > qty + 0.5e-8) {
                throw DytError(
                    QStringLiteral("第 %1 行验收数量超过配送单[%2]未验收的数量（%3），不能过账！")
                        .arg(l.number)
                        .arg(st.value(5).toString())
                        .arg(roundQty(qty - done)));
            }
        }
        db.execute(QStringLiteral("UPDATE djList SET toQty = ?, isOver = ? WHERE orderid = ?"),
                   {toQty, toQty >= qty - 0.5e-8 ? 1 : 0, l.s_orderid});
        if (!touched.contains(bill))
            touched << bill;
    }
    for (qint64 bill : touched) {
        // A request is done when every line is delivered; a delivery once any acceptance took it.
        db.execute(
            source == kDistributionRequest
                ? QStringLiteral("UPDATE djIndex SET isOver = CASE WHEN EXISTS (SELECT 1 FROM "
                                 "djList WHERE id = ? AND goodsid > 0 AND isOver = 0) THEN 0 "
                                 "ELSE 1 END WHERE id = ?")
                : QStringLiteral("UPDATE djIndex SET isOver = CASE WHEN EXISTS (SELECT 1 FROM "
                                 "djList WHERE id = ? AND goodsid > 0 AND toQty > 0) THEN 1 "
                                 "ELSE 0 END WHERE id = ?"),
            {bill, bill});
    }
}

void checkDistributionChange(Database& db, const Bill& b, bool reversal) {
    if (b.djType == kDelivery &&
        db.scalar(QStringLiteral("SELECT isOver FROM djIndex WHERE id = ?"), {b.id}).toInt() != 0) {
        throw DytError(QStringLiteral("配送单") + (reversal
                                                       ? QStringLiteral(" 已经完成验收不能红冲！")
                                                       : QStringLiteral(" 已经完成验收不能删除")));
    }
    if (b.djType == kDistributionRequest &&
        db.scalar(QStringLiteral("SELECT 1 FROM djList AS l JOIN djIndex AS a ON a.id = l.id "
                                 "WHERE a.djType = ? AND a.dj_state = 2 AND a.isred = 0 AND "
                                 "a.isredword = 0 AND l.s_id = ? LIMIT 1"),
                  {static_cast<int>(kDelivery), b.id})
            .isValid()) {
        throw DytError(reversal ? QStringLiteral("配送申请单已经有执行的配送单，不能红冲！")
                                : QStringLiteral("配送申请单已经有执行的配送单，不能删除！"));
    }
    if (reversal && b.djType == kGiftContract)
        throw DytError(QStringLiteral("赠品合同单不能红冲，请直接删除单据！"));
}

void resetDistributionLinks(Database& db, const QString& bills, const QString& opening) {
    db.execute(QStringLiteral("UPDATE djList SET toQty = 0, isOver = 0 WHERE djType IN (%1, %2) "
                              "AND id IN (%3)")
                   .arg(static_cast<int>(kDistributionRequest))
                   .arg(static_cast<int>(kDelivery))
                   .arg(bills),
               {opening});
    db.execute(QStringLiteral("UPDATE djIndex SET isOver = 0 WHERE djType IN (%1, %2) AND id IN "
                              "(%3)")
                   .arg(static_cast<int>(kDistributionRequest))
                   .arg(static_cast<int>(kDelivery))
                   .arg(bills),
               {opening});
}

}  // namespace dyt::server::ledger
