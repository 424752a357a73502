// Consignment: goods we give a consignee to sell for us (委托: delivery, return, settlement, price
// change) and goods a consignor gives us to sell for him (受托: receipt, return, settlement, price
// change). What each partner holds is kept in baseGoodsStockOther (kind 3 consigned out, kind 4
// held for others) at the partner's prices (total) and at cost (costtotal).
//
// Consigned out: the delivery takes the goods out of stock at cost into "委托代销商品"; the
// return brings back the average of what the consignee holds; the settlement sells what the
// consignee sold: receivable and income at the settled price, cost of sales from the consigned
// cost. Held for others: the receipt puts the goods into our warehouse at the consignor's price
// against "受托代销商品款"; the return sends them back; the settlement turns what we sold into a
// payable at the settled price, the difference to the received value going to "成本调价". The
// price changes revalue the held goods at the partner's prices only; no account moves.
#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"

namespace dyt::server::ledger {
namespace {

const QString kConsigned = QStringLiteral("委托代销商品");
const QString kHeldDue = QStringLiteral("受托代销商品款");

double baseQtyOf(const Line& l) {
    return roundQty(std::fabs(l.qty) * l.rate);
}

// The line's value at the partner's price without tax: discounted amount, else amount.
double priceValue(const Line& l) {
    if (l.discounttotal != 0)
        return roundMoney(std::fabs(l.discounttotal));
    return roundMoney(std::fabs(l.total));
}

// What the partner pays or is paid for a line, tax included.
double settledAmount(const Line& l) {
    if (l.taxTotalSum != 0)
        return roundMoney(std::fabs(l.taxTotalSum));
    return priceValue(l);
}

double settledTax(const Line& l) {
    return l.taxTotalSum != 0 ? roundMoney(std::fabs(l.taxtotal)) : 0.0;
}

BatchInfo batchOfLine(const Line& l) {
    BatchInfo b;
    b.goodspc = l.goodspc;
    b.ph = l.ph;
    b.outdate = l.outdate;
    b.yxqdate = l.yxqdate;
    return b;
}

void writeLineCost(Database& db, const Line& l, double cost) {
    const double q = std::fabs(l.qty);
    db.execute(QStringLiteral("UPDATE djList SET costprice = ?, costtotal = ? WHERE orderid = ?"),
               {q > 0 ? roundQty(cost / q) : 0.0, roundMoney(cost), l.orderid});
}

qint64 warehouseOf(const Bill& b, const Line& l) {
    return l.intoStock > 0 ? l.intoStock : b.intoStock;
}

void requireQty(Database& db, const Line& l) {
    if (l.qty <= 0) {
        const GoodsInfo g = goodsInfo(db, l.goodsid);
        throw DytError(QStringLiteral("第 %1 行商品[%2 %3]数量必须大于零，不能过账！")
                           .arg(l.number)
                           .arg(g.code, g.name));
    }
}

void requireWarehouse(const Bill& b, const Line& l) {
    if (warehouseOf(b, l) <= 0)
        throw DytError(QStringLiteral("第 %1 行没有选择仓库，不能过账！").arg(l.number));
}

double cashOf(Database& db, const Bill& b) {
    double sum = 0;
    for (const MoneyLine& m : loadMoneyLines(db, b.id)) {
        if (m.type == 1)
            sum += m.db + m.lend;
    }
    return roundMoney(sum);
}

void cashEntries(Database& db, const Bill& b, MoneyBook& money, double sign) {
    for (const MoneyLine& m : loadMoneyLines(db, b.id)) {
        if (m.type == 1)
            money.entry(m.km, sign * (m.db + m.lend));
    }
}

// A price change: the held goods of each line valued at the line's price (per base unit).
void postPriceChange(Database& db, const Bill& b, const Line& l, int typeId) {
    if (l.price < 0) {
        throw DytError(QStringLiteral("第 %1 行调整后的单价不能为负数，不能过账！").arg(l.number));
    }
    const OtherStock held = otherOnHand(db, l.goodsid, b.wldw, typeId);
    if (held.qty <= 0 || isZero(held.qty)) {
        const GoodsInfo g = goodsInfo(db, l.goodsid);
        throw DytError(QStringLiteral("第 %1 行商品[%2 %3]在该单位没有%4的商品，不能调价！")
                           .arg(l.number)
                           .arg(g.code, g.name,
                                typeId == kConsignedOut ? QStringLiteral("委托代销")
                                                        : QStringLiteral("受托代销")));
    }
    const double rate = l.rate > 0 ? l.rate : 1;
    const double change = roundMoney(roundMoney(held.qty * l.price / rate) - held.total);
    putOther(db, b, l, b.wldw, typeId, 0, change, 0);
    db.execute(QStringLiteral("UPDATE djList SET costtotal = ? WHERE orderid = ?"),
               {change, l.orderid});
}

}  // namespace

bool isConsignKind(int djType) {
    return djType >= kConsignOut && djType <= kHeldPrice;
}

bool isFollowedSource(int djType) {
    return djType == kConsignOut || djType == kHeldIn;
}

void postConsignKinds(Database& db, const Bill& b, const QList<Line>& lines, StockBook& book,
                      MoneyBook& money) {
    if (b.wldw <= 0)
        throw DytError(QStringLiteral("单据没有选择往来单位，不能过账！"));
    double amount = 0, tax = 0, cost = 0;
    for (const Line& l : lines) {
        if (l.goodsid <= 0)
            continue;
        if (b.djType != kConsignPrice && b.djType != kHeldPrice)
            requireQty(db, l);
        const double qty = baseQtyOf(l);
        switch (b.djType) {
            case kConsignOut: {
                requireWarehouse(b, l);
                const double c = book.takeOut(l, warehouseOf(b, l), qty);
                writeLineCost(db, l, c);
                putOther(db, b, l, b.wldw, kConsignedOut, qty, priceValue(l), c);
                money.entry(kConsigned, c);
                money.entry(QStringLiteral("库存商品"), -c);
                break;
            }
            case kConsignReturn: {
                requireWarehouse(b, l);
                const OtherStock taken = takeOther(db, b, l, b.wldw, kConsignedOut, qty);
                const qint64 pc = book.putIn(l, warehouseOf(b, l), qty, taken.cost, batchOfLine(l));
                if (pc > 0 && pc != l.goodspc)
                    db.execute(QStringLiteral("UPDATE djList SET goodspc = ? WHERE orderid = ?"),
                               {pc, l.orderid});
                writeLineCost(db, l, taken.cost);
                money.entry(QStringLiteral("库存商品"), taken.cost);
                money.entry(kConsigned, -taken.cost);
                break;
            }
            case kConsignSettle: {
                const OtherStock taken = takeOther(db, b, l, b.wldw, kConsignedOut, qty);
                writeLineCost(db, l, taken.cost);
                amount += settledAmount(l);
                tax += settledTax(l);
                cost += taken.cost;
                break;
            }
            case kHeldIn: {
                requireWarehouse(b, l);
                const double value = priceValue(l);
                const qint64 pc = book.putIn(l, warehouseOf(b, l), qty, value, batchOfLine(l));
                if (pc > 0 && pc != l.goodspc)
                    db.execute(QStringLiteral("UPDATE djList SET goodspc = ? WHERE orderid = ?"),
                               {pc, l.orderid});
                writeLineCost(db, l, value);
                putOther(db, b, l, b.wldw, kHeldForOthers, qty, value, value);
                money.entry(QStringLiteral("库存商品"), value);
                money.entry(kHeldDue, -value);
                break;
            }
            case kHeldReturn: {
                requireWarehouse(b, l);
                const OtherStock taken = takeOther(db, b, l, b.wldw, kHeldForOthers, qty);
                const double c = book.takeOut(l, warehouseOf(b, l), qty);
                writeLineCost(db, l, c);
                money.entry(kHeldDue, taken.cost);
                money.entry(QStringLiteral("库存商品"), -c);
                break;
            }
            case kHeldSettle: {
                const OtherStock taken = takeOther(db, b, l, b.wldw, kHeldForOthers, qty);
                writeLineCost(db, l, taken.cost);
                amount += settledAmount(l);
                tax += settledTax(l);
                cost += taken.cost;
                break;
            }
            case kConsignPrice:
                postPriceChange(db, b, l, kConsignedOut);
                break;
            case kHeldPrice:
                postPriceChange(db, b, l, kHeldForOthers);
                break;
            default:
                break;
        }
    }
    amount = roundMoney(amount);
    const double discount = roundMoney(b.youhui);
    if (b.djType == kConsignSettle) {
        const double cash = cashOf(db, b);
        money.partner(b.wldw, {amount - discount - cash, 0, 0, 0});
        money.entry(QStringLiteral("应收账款"), amount - discount, b.wldw);
        money.entry(QStringLiteral("销售优惠"), discount);
        money.entry(QStringLiteral("销售收入"), -(amount - tax));
        money.entry(QStringLiteral("应交税金"), -tax);
        money.entry(QStringLiteral("销售成本"), cost);
        money.entry(kConsigned, -cost);
        cashEntries(db, b, money, 1);
        money.entry(QStringLiteral("应收账款"), -cash, b.wldw);
    } else if (b.djType == kHeldSettle) {
        const double cash = cashOf(db, b);
        money.partner(b.wldw, {0, amount - discount - cash, 0, 0});
        money.entry(kHeldDue, cost);
        money.entry(QStringLiteral("应交税金"), tax);
        money.entry(QStringLiteral("应付账款"), -(amount - discount), b.wldw);
        money.entry(QStringLiteral("进货优惠"), -discount);
        cashEntries(db, b, money, -1);
        money.entry(QStringLiteral("应付账款"), cash, b.wldw);
    }
}

}  // namespace dyt::server::ledger
