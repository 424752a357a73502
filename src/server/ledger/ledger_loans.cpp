// Goods borrowed from and lent to partners (借进单 35, 借进还出单 36, 借转进货单 37, 借出单 38,
// 借出还回单 39, 借转销售单 40).
//
// The account "库存商品" holds the value of our own goods wherever they are: goods lent out stay in
// it, goods borrowed in are not in it while they are borrowed. So borrowing and lending move the
// warehouses and the partner's borrowed or lent balance (baseGoodsStockOther, typeid 1 and 2)
// without an entry; only what the stock hands over at another value than the balance holds
// (a borrowed goods returned at the warehouse's average cost) goes to the cost adjustment, and a
// conversion books the purchase or the sale.
#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"

namespace dyt::server::ledger {
namespace {

double lineBaseQty(const Line& l) {
    return roundQty(std::fabs(l.qty) * l.rate);
}

// The value a line states without tax (its discounted amount, else its amount); 0 when none.
double lineValue(const Line& l) {
    if (l.discounttotal != 0)
        return roundMoney(std::fabs(l.discounttotal));
    return roundMoney(std::fabs(l.total));
}

// What the partner pays or is paid for a line, including tax.
double lineAmount(const Line& l) {
    if (l.taxTotalSum != 0)
        return std::fabs(l.taxTotalSum);
    return lineValue(l);
}

double lineTax(const Line& l) {
    return l.taxTotalSum != 0 ? std::fabs(l.taxtotal) : 0.0;
}

void writeLineCost(Database& db, const Line& l, double cost) {
    const double q = std::fabs(l.qty);
    db.execute(QStringLiteral("UPDATE djList SET costprice = ?, costtotal = ? WHERE orderid = ?"),
               {q > 0 ? roundQty(cost / q) : 0.0, roundMoney(cost), l.orderid});
}

void requireQty(Database& db, const Line& l) {
    if (l.qty > 0)
        return;
    const GoodsInfo g = goodsInfo(db, l.goodsid);
    throw DytError(QStringLiteral("第 %1 行商品[%2 %3]数量必须大于零，不能过账！")
                       .arg(l.number)
                       .arg(g.code, g.name));
}

// A line picked from a borrowing or lending must come from one of the partner's.
void checkSourcePartner(Database& db, const Bill& b, const Line& l) {
    if (l.s_orderid <= 0)
        return;
    Statement st = db.prepare(QStringLiteral(
        "SELECT a.wldw_id, a.djType, a.code FROM djList AS l JOIN djIndex AS a ON a.id = l.id "
        "WHERE l.orderid = ?"));
    st.bind(1, l.s_orderid);
    if (!st.step() || st.value(1).toInt() != loanSourceKind(b.djType))
        return;
    if (st.value(0).toLongLong() != b.wldw) {
        throw DytError(QStringLiteral("第 %1 行选自的单据[%2]不是本往来单位的单据，不能过账！")
                           .arg(l.number)
                           .arg(st.value(2).toString()));
    }
}

double spotMoney(const QList<MoneyLine>& lines) {
    double sum = 0;
    for (const MoneyLine& m : lines) {
        if (m.type == 1)
            sum += m.db + m.lend;
    }
    return roundMoney(sum);
}

}  // namespace

int loanSourceKind(int djType) {
    switch (djType) {
        case kBorrowReturn:
        case kBorrowToPurchase:
            return kBorrowIn;
        case kLendReturn:
        case kLendToSale:
            return kLendOut;
        default:
            return 0;
    }
}

bool isLoanKind(int djType) {
    return djType >= kBorrowIn && djType <= kLendToSale;
}

void postLoanKinds(Database& db, const Bill& b, const QList<Line>& lines, StockBook& book,
                   MoneyBook& money) {
    if (b.wldw <= 0)
        throw DytError(QStringLiteral("单据没有选择往来单位，不能过账！"));
    double amount = 0, tax = 0, heldCost = 0;
    for (const Line& l : lines) {
        if (l.goodsid <= 0)
            continue;
        requireQty(db, l);
        checkSourcePartner(db, b, l);
        const double q = lineBaseQty(l);
        const qint64 stock = l.intoStock > 0 ? l.intoStock : b.intoStock;
        const bool movesStock = b.djType != kBorrowToPurchase && b.djType != kLendToSale;
        if (movesStock && stock <= 0)
            throw DytError(QStringLiteral("第 %1 行没有选择仓库，不能过账！").arg(l.number));
        switch (b.djType) {
            case kBorrowIn: {
                // In at the stated value, else at the warehouse's average cost.
                double value = lineValue(l);
                if (value == 0)
                    value = roundMoney(q * book.averageCost(l.goodsid, stock));
                BatchInfo batch;
                batch.goodspc = l.goodspc;
                batch.ph = l.ph;
                batch.outdate = l.outdate;
                batch.yxqdate = l.yxqdate;
                const qint64 pc = book.putIn(l, stock, q, value, batch);
                if (pc > 0 && pc != l.goodspc)
                    db.execute(QStringLiteral("UPDATE djList SET goodspc = ? WHERE orderid = ?"),
                               {pc, l.orderid});
                putOther(db, b, l, b.wldw, kBorrowedIn, q, lineValue(l), value);
                writeLineCost(db, l, value);
                break;
            }
            case kBorrowReturn: {
                const OtherStock taken = takeOther(db, b, l, b.wldw, kBorrowedIn, q);
                const double cost = book.takeOut(l, stock, q);
                writeLineCost(db, l, cost);
                // Our own goods change by what the stock gave beyond the borrowed value.
                money.entry(QStringLiteral("库存商品"), taken.cost - cost);
                break;
            }
            case kBorrowToPurchase: {
                // The goods are already in the warehouse at the borrowed value; they become ours.
                const OtherStock taken = takeOther(db, b, l, b.wldw, kBorrowedIn, q);
                writeLineCost(db, l, taken.cost);
                heldCost += taken.cost;
                amount += lineAmount(l);
                tax += lineTax(l);
                break;
            }
            case kLendOut: {
                const double cost = book.takeOut(l, stock, q);
                putOther(db, b, l, b.wldw, kLentOut, q, lineValue(l), cost);
                writeLineCost(db, l, cost);
                break;
            }
            case kLendReturn: {
                // Back at the cost they went out with.
                const OtherStock taken = takeOther(db, b, l, b.wldw, kLentOut, q);
                BatchInfo batch;
                batch.goodspc = l.goodspc;
                batch.ph = l.ph;
                batch.outdate = l.outdate;
                batch.yxqdate = l.yxqdate;
                const qint64 pc = book.putIn(l, stock, q, taken.cost, batch);
                if (pc > 0 && pc != l.goodspc)
                    db.execute(QStringLiteral("UPDATE djList SET goodspc = ? WHERE orderid = ?"),
                               {pc, l.orderid});
                writeLineCost(db, l, taken.cost);
                break;
            }
            case kLendToSale: {
                const OtherStock taken = takeOther(db, b, l, b.wldw, kLentOut, q);
                writeLineCost(db, l, taken.cost);
                heldCost += taken.cost;
                amount += lineAmount(l);
                tax += lineTax(l);
                break;
            }
            default:
                break;
        }
    }
    if (b.djType != kBorrowToPurchase && b.djType != kLendToSale)
        return;
    const QList<MoneyLine> cashLines = loadMoneyLines(db, b.id);
    const double cash = spotMoney(cashLines);
    const double discount = b.youhui;
    if (b.djType == kBorrowToPurchase) {
        money.partner(b.wldw, {0, amount - discount - cash, 0, 0});
        money.entry(QStringLiteral("库存商品"), heldCost);
        money.entry(QStringLiteral("应交税金"), tax);
        money.entry(QStringLiteral("应付账款"), -(amount - discount), b.wldw);
        money.entry(QStringLiteral("进货优惠"), -discount);
        for (const MoneyLine& m : cashLines) {
            if (m.type == 1)
                money.entry(m.km, -(m.db + m.lend));
        }
        money.entry(QStringLiteral("应付账款"), cash, b.wldw);
        // The purchase price against the borrowed value: the cost adjustment (posting balances
        // the rest there).
    } else {
        money.partner(b.wldw, {amount - discount - cash, 0, 0, 0});
        money.entry(QStringLiteral("应收账款"), amount - discount, b.wldw);
        money.entry(QStringLiteral("销售优惠"), discount);
        money.entry(QStringLiteral("销售收入"), -(amount - tax));
        money.entry(QStringLiteral("应交税金"), -tax);
        money.entry(QStringLiteral("销售成本"), heldCost);
        money.entry(QStringLiteral("库存商品"), -heldCost);
        for (const MoneyLine& m : cashLines) {
            if (m.type == 1)
                money.entry(m.km, m.db + m.lend);
        }
        money.entry(QStringLiteral("应收账款"), -cash, b.wldw);
    }
}

}  // namespace dyt::server::ledger
