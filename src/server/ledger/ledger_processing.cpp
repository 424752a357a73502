// Outsourced processing (委外加工): materials issued to a processor (53), materials back (54) and
// the completion (55), and the warehouse receipts and issues (56, 57).
//
// The goods at a processor stay our stock: the issue takes them out of the warehouse at cost and
// puts them, at that cost, into the processor's processing balance (baseGoodsStockOther typeid 5);
// no account changes, the value stays in "库存商品". The return takes them back at the average
// of what the processor holds. The completion consumes materials (its negative lines) out of the
// processing balance at that average and brings the finished goods (its positive lines) into the
// warehouse at the consumed cost, shared by their base quantities, plus each line's processing fee
// (its amount); the fees are owed to the processor.
#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"

namespace dyt::server::ledger {
namespace {

double baseQtyOf(const Line& l) {
    return roundQty(std::fabs(l.qty) * l.rate);
}

qint64 warehouseOf(const Bill& b, const Line& l) {
    return l.intoStock > 0 ? l.intoStock : b.intoStock;
}

// The fee a finished line states: its discounted amount, else its amount.
double feeOf(const Line& l) {
    if (l.discounttotal != 0)
        return std::fabs(l.discounttotal);
    return std::fabs(l.total);
}

void writeLineCost(Database& db, const Line& l, double cost) {
    const double q = std::fabs(l.qty);
    const double sign = l.qty < 0 ? -1.0 : 1.0;
    db.execute(QStringLiteral("UPDATE djList SET costprice = ?, costtotal = ? WHERE orderid = ?"),
               {q > 0 ? roundQty(cost / q) : 0.0, roundMoney(sign * cost), l.orderid});
}

void putGoodsIn(Database& db, StockBook& book, const Line& l, qint64 stock, double value) {
    BatchInfo batch;
    batch.goodspc = l.goodspc;
    batch.ph = l.ph;
    batch.outdate = l.outdate;
    batch.yxqdate = l.yxqdate;
    const qint64 pc = book.putIn(l, stock, baseQtyOf(l), value, batch);
    if (pc > 0 && pc != l.goodspc)
        db.execute(QStringLiteral("UPDATE djList SET goodspc = ? WHERE orderid = ?"),
                   {pc, l.orderid});
}

QList<Line> goodsLinesOf(const QList<Line>& lines) {
    QList<Line> out;
    for (const Line& l : lines) {
        if (l.goodsid > 0)
            out << l;
    }
    return out;
}

void requirePositive(const Line& l) {
    if (l.qty <= 0 || isZero(l.qty))
        throw DytError(QStringLiteral("第 %1 行数量必须大于零，不能过账！").arg(l.number));
}

void requireWarehouse(const Bill& b, const Line& l) {
    if (warehouseOf(b, l) <= 0)
        throw DytError(QStringLiteral("第 %1 行没有选择仓库，不能过账！").arg(l.number));
}

void postIssue(Database& db, const Bill& b, const QList<Line>& lines, StockBook& book) {
    for (const Line& l : goodsLinesOf(lines)) {
        requirePositive(l);
        requireWarehouse(b, l);
        const double cost = book.takeOut(l, warehouseOf(b, l), baseQtyOf(l));
        writeLineCost(db, l, cost);
        putOther(db, b, l, b.wldw, kAtProcessor, baseQtyOf(l), cost, cost);
    }
}

void postReturn(Database& db, const Bill& b, const QList<Line>& lines, StockBook& book) {
    for (const Line& l : goodsLinesOf(lines)) {
        requirePositive(l);
        requireWarehouse(b, l);
        const OtherStock taken = takeOther(db, b, l, b.wldw, kAtProcessor, baseQtyOf(l));
        putGoodsIn(db, book, l, warehouseOf(b, l), taken.cost);
        writeLineCost(db, l, taken.cost);
    }
}

void postCompletion(Database& db, const Bill& b, const QList<Line>& lines, StockBook& book,
                    MoneyBook& money) {
    QList<Line> used, made;
    for (const Line& l : goodsLinesOf(lines)) {
        if (isZero(l.qty))
            throw DytError(QStringLiteral("第 %1 行数量不能为零，不能过账！").arg(l.number));
        (l.qty < 0 ? used : made) << l;
    }
    if (used.isEmpty() || made.isEmpty()) {
        throw DytError(
            QStringLiteral("委外加工完工单必须既有完工的商品又有耗用的材料（数量为负）！"));
    }
    double materials = 0;
    for (const Line& l : used) {
        const OtherStock taken = takeOther(db, b, l, b.wldw, kAtProcessor, baseQtyOf(l));
        writeLineCost(db, l, taken.cost);
        materials += taken.cost;
    }
    materials = roundMoney(materials);
    double qtySum = 0;
    for (const Line& l : made) {
        requireWarehouse(b, l);
        qtySum += baseQtyOf(l);
    }
    double left = materials, fees = 0;
    for (qsizetype i = 0; i < made.size(); ++i) {
        const Line& l = made[i];
        const double share =
            i + 1 == made.size() ? left : roundMoney(materials * baseQtyOf(l) / qtySum);
        left = roundMoney(left - share);
        const double fee = roundMoney(feeOf(l));
        const double value = roundMoney(share + fee);
        putGoodsIn(db, book, l, warehouseOf(b, l), value);
        writeLineCost(db, l, value);
        fees += fee;
    }
    fees = roundMoney(fees);
    money.partner(b.wldw, {0, fees, 0, 0});
    money.entry(QStringLiteral("库存商品"), fees);
    money.entry(QStringLiteral("应付账款"), -fees, b.wldw);
}

}  // namespace

void postProcessingKinds(Database& db, const Bill& b, const QList<Line>& lines, StockBook& book,
                         MoneyBook& money) {
    if (b.wldw <= 0)
        throw DytError(QStringLiteral("委外加工单据必须选择加工单位，不能过账！"));
    switch (b.djType) {
        case kProcessingIssue:
            postIssue(db, b, lines, book);
            break;
        case kProcessingReturn:
            postReturn(db, b, lines, book);
            break;
        case kProcessingDone:
            postCompletion(db, b, lines, book, money);
            break;
        default:
            break;
    }
}

}  // namespace dyt::server::ledger
