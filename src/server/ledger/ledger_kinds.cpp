// The effects of each bill kind on stock, partners and accounts (docs/ledger-effects.md gives
// the same table in the words of the bookkeeping).
//
// Line direction: purchase-like and sales-like bills move all their lines one way; exchange and
// assembly bills take a line with a negative quantity out (换出, 拆出) and put a line with a
// positive quantity in. Warehouses: a line's own warehouse (IntoStock_id of the line) wins over
// the header's IntoStock_id; bills with two warehouses take out of OutStock_id (line, else
// header) and put into IntoStock_id.
#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"

namespace dyt::server::ledger {
namespace {

bool twoWarehouses(int kind) {
    return kind == kSaleExchange || kind == kPurchaseExchange || kind == kAssembly ||
           kind == kTransfer || kind == kTransferPriced || kind == kWarehouseTransfer;
}

qint64 inWarehouse(const Bill& b, const Line& l) {
    return l.intoStock > 0 ? l.intoStock : b.intoStock;
}

qint64 outWarehouse(const Bill& b, const Line& l) {
    if (twoWarehouses(b.djType)) {
        if (l.outStock > 0)
            return l.outStock;
        if (b.outStock > 0)
            return b.outStock;
    }
    return inWarehouse(b, l);
}

// What the partner pays or is paid for a line, including tax.
double amountOf(const Line& l) {
    if (l.taxTotalSum != 0)
        return std::fabs(l.taxTotalSum);
    if (l.discounttotal != 0)
        return std::fabs(l.discounttotal);
    return std::fabs(l.total);
}

double taxOf(const Line& l) {
    return l.taxTotalSum != 0 ? std::fabs(l.taxtotal) : 0.0;
}

// The value a line brings into stock when it states one: its discounted amount (without tax),
// else its amount, else its cost amount; 0 when it states none.
double statedValue(const Line& l) {
    if (l.discounttotal != 0)
        return std::fabs(l.discounttotal);
    if (l.total != 0)
        return std::fabs(l.total);
    return std::fabs(l.costtotal);
}

double baseQty(const Line& l) {
    return roundQty(std::fabs(l.qty) * l.rate);
}

void writeCost(Database& db, const Line& l, double cost) {
    const double q = std::fabs(l.qty);
    const double sign = l.qty < 0 ? -1.0 : 1.0;
    db.execute(QStringLiteral("UPDATE djList SET costprice = ?, costtotal = ? WHERE orderid = ?"),
               {q > 0 ? roundQty(cost / q) : 0.0, roundMoney(sign * cost), l.orderid});
}

void checkQty(Database& db, const Line& l) {
    if (l.qty == 0) {
        const GoodsInfo g = goodsInfo(db, l.goodsid);
        throw DytError(QStringLiteral("第 %1 行商品[%2 %3]数量为零，不能过账！")
                           .arg(l.number)
                           .arg(g.code, g.name));
    }
}

BatchInfo batchOf(const Line& l) {
    BatchInfo b;
    b.goodspc = l.goodspc;
    b.ph = l.ph;
    b.outdate = l.outdate;
    b.yxqdate = l.yxqdate;
    return b;
}

double moneyOf(const QList<MoneyLine>& lines, int type) {
    double sum = 0;
    for (const MoneyLine& m : lines) {
        if (m.type == type)
            sum += m.db + m.lend;
    }
    return roundMoney(sum);
}

QList<Line> goodsLines(const QList<Line>& lines) {
    QList<Line> out;
    for (const Line& l : lines) {
        if (l.goodsid > 0)
            out << l;
    }
    return out;
}

// Puts a line in and writes its batch back when the goods keeps batches.
void putLineIn(Database& db, StockBook& book, const Line& l, qint64 stock, double value) {
    const qint64 pc = book.putIn(l, stock, baseQty(l), value, batchOf(l));
    if (pc > 0 && pc != l.goodspc)
        db.execute(QStringLiteral("UPDATE djList SET goodspc = ? WHERE orderid = ?"),
                   {pc, l.orderid});
}

// Sales bill, its return and exchange.
void postSalesLike(Database& db, const Bill& b, const QList<Line>& lines, StockBook& book,
                   MoneyBook& money) {
    const QList<MoneyLine> cashLines = loadMoneyLines(db, b.id);
    double revenue = 0, tax = 0, costOfSales = 0;
    for (const Line& l : goodsLines(lines)) {
        checkQty(db, l);
        const bool out = b.djType == kSale || (b.djType == kSaleExchange && l.qty < 0);
        if (out) {
            const double cost = book.takeOut(l, outWarehouse(b, l), baseQty(l));
            writeCost(db, l, cost);
            costOfSales += cost;
            revenue += amountOf(l);
            tax += taxOf(l);
        } else {
            // Goods coming back enter at the cost the line carries, else at the average cost.
            const qint64 stock = inWarehouse(b, l);
            const double cost = l.costprice > 0
                                    ? roundMoney(std::fabs(l.qty) * l.costprice)
                                    : roundMoney(baseQty(l) * book.averageCost(l.goodsid, stock));
            putLineIn(db, book, l, stock, cost);
            writeCost(db, l, cost);
            costOfSales -= cost;
            revenue -= amountOf(l);
            tax -= taxOf(l);
        }
    }
    const double s = b.djType == kSaleReturn ? -1.0 : 1.0;
    const double discount = s * b.youhui;
    const double cash = s * moneyOf(cashLines, 1);
    money.partner(b.wldw, {revenue - discount - cash, 0, 0, 0});
    money.entry(QStringLiteral("应收账款"), revenue - discount, b.wldw);
    money.entry(QStringLiteral("销售优惠"), discount);
    money.entry(QStringLiteral("销售收入"), -(revenue - tax));
    money.entry(QStringLiteral("应交税金"), -tax);
    money.entry(QStringLiteral("销售成本"), costOfSales);
    money.entry(QStringLiteral("库存商品"), -costOfSales);
    for (const MoneyLine& m : cashLines) {
        if (m.type == 1)
            money.entry(m.km, s * (m.db + m.lend));
    }
    money.entry(QStringLiteral("应收账款"), -cash, b.wldw);
    // Collection by an agent: the agent owes what it collects, the customer that much less.
    if (b.daishou && b.yfwldw > 0 && b.yfTotalSum != 0) {
        money.partner(b.yfwldw, {b.yfTotalSum, 0, 0, 0});
        money.partner(b.wldw, {-b.yfTotalSum, 0, 0, 0});
        money.entry(QStringLiteral("应收账款"), b.yfTotalSum, b.yfwldw);
        money.entry(QStringLiteral("应收账款"), -b.yfTotalSum, b.wldw);
    }
}

// Purchase bill, its return and exchange, with freight.
void postPurchaseLike(Database& db, const Bill& b, const QList<Line>& lines, StockBook& book,
                      MoneyBook& money) {
    const QList<MoneyLine> cashLines = loadMoneyLines(db, b.id);
    double purchases = 0, tax = 0, stockValue = 0, freightInLines = 0;
    for (const Line& l : goodsLines(lines)) {
        checkQty(db, l);
        const bool in = b.djType == kPurchase || (b.djType == kPurchaseExchange && l.qty > 0);
        if (in) {
            const double freight = std::fabs(l.yftotal);
            const double value = roundMoney(statedValue(l) + freight);
            putLineIn(db, book, l, inWarehouse(b, l), value);
            writeCost(db, l, value);
            stockValue += value;
            purchases += amountOf(l);
            tax += taxOf(l);
            freightInLines += freight;
        } else {
            const double cost = book.takeOut(l, outWarehouse(b, l), baseQty(l));
            writeCost(db, l, cost);
            stockValue -= cost;
            purchases -= amountOf(l);
            tax -= taxOf(l);
        }
    }
    const double s = b.djType == kPurchaseReturn ? -1.0 : 1.0;
    const double discount = s * b.youhui;
    const double cash = s * moneyOf(cashLines, 1);
    money.partner(b.wldw, {0, purchases - discount - cash, 0, 0});
    money.entry(QStringLiteral("库存商品"), stockValue);
    money.entry(QStringLiteral("应交税金"), tax);
    money.entry(QStringLiteral("应付账款"), -(purchases - discount), b.wldw);
    money.entry(QStringLiteral("进货优惠"), -discount);
    for (const MoneyLine& m : cashLines) {
        if (m.type == 1)
            money.entry(m.km, -s * (m.db + m.lend));
    }
    money.entry(QStringLiteral("应付账款"), cash, b.wldw);

    // Freight: owed to the freight partner, carried in the cost of the lines.
    const double freight = roundMoney(b.yfTotalSum);
    if (freight != 0 || freightInLines != 0) {
        if (std::fabs(roundMoney(freightInLines) - freight) >= 0.005)
            throw DytError(QStringLiteral("运费合计没有分配完成！"));
        if (b.yfwldw <= 0)
            throw DytError(QStringLiteral("必须输入运费往来单位！"));
        const double paid = moneyOf(cashLines, 2);
        if (paid > freight + 0.00005)
            throw DytError(QStringLiteral("运费付款金额不能大于运费合计！"));
        money.partner(b.yfwldw, {0, freight - paid, 0, 0});
        money.entry(QStringLiteral("应付账款"), -freight, b.yfwldw);
        for (const MoneyLine& m : cashLines) {
            if (m.type == 2)
                money.entry(m.km, -(m.db + m.lend));
        }
        money.entry(QStringLiteral("应付账款"), paid, b.yfwldw);
    }
}

// Goods in or out against one counter account: other in/out, loss, overflow, gifts.
void postOneWay(Database& db, const Bill& b, const QList<Line>& lines, StockBook& book,
                MoneyBook& money, bool in, const QString& counterRole) {
    for (const Line& l : goodsLines(lines)) {
        checkQty(db, l);
        const qint64 stock = inWarehouse(b, l);
        double value = 0;
        if (in) {
            value = statedValue(l);
            if (value == 0)
                value = roundMoney(baseQty(l) * book.averageCost(l.goodsid, stock));
            putLineIn(db, book, l, stock, value);
        } else {
            value = book.takeOut(l, stock, baseQty(l));
        }
        writeCost(db, l, value);
        money.entry(QStringLiteral("库存商品"), in ? value : -value);
        money.entry(counterRole, in ? -value : value);
    }
}

void postCostAdjust(Database& db, const Bill& b, const QList<Line>& lines, StockBook& book,
                    MoneyBook& money) {
    for (const Line& l : goodsLines(lines)) {
        if (l.price < 0) {
            throw DytError(
                QStringLiteral("第 %1 行调整后的成本单价不能为负数，不能过账！").arg(l.number));
        }
        const double change = book.revalue(l, inWarehouse(b, l), l.price / l.rate);
        db.execute(QStringLiteral("UPDATE djList SET costtotal = ? WHERE orderid = ?"),
                   {change, l.orderid});
        money.entry(QStringLiteral("库存商品"), change);
        money.entry(QStringLiteral("成本调价"), -change);
    }
}

void postTransfer(Database& db, const Bill& b, const QList<Line>& lines, StockBook& book,
                  MoneyBook& money) {
    for (const Line& l : goodsLines(lines)) {
        checkQty(db, l);
        const qint64 from = l.outStock > 0 ? l.outStock : b.outStock;
        const qint64 to = inWarehouse(b, l);
        if (b.djType == kTransferPriced) {
            const double value = statedValue(l);
            const double cost = book.transfer(l, from, to, baseQty(l), &value);
            writeCost(db, l, cost);
            money.entry(QStringLiteral("库存商品"), value - cost);
            money.entry(QStringLiteral("成本调价"), cost - value);
        } else {
            writeCost(db, l, book.transfer(l, from, to, baseQty(l)));
        }
    }
}

// Assembly and disassembly: what is taken out gives its cost to what is put in, shared by the
// amounts of the in lines (by their quantities when they state none).
void postAssembly(Database& db, const Bill& b, const QList<Line>& lines, StockBook& book) {
    QList<Line> outs, ins;
    for (const Line& l : goodsLines(lines)) {
        checkQty(db, l);
        (l.qty < 0 ? outs : ins) << l;
    }
    if (outs.isEmpty() || ins.isEmpty())
        throw DytError(QStringLiteral("商品拆装单必须既有拆出的商品又有装入的商品！"));
    double cost = 0;
    for (const Line& l : outs) {
        const double c = book.takeOut(l, outWarehouse(b, l), baseQty(l));
        writeCost(db, l, c);
        cost += c;
    }
    cost = roundMoney(cost);
    double weightSum = 0;
    for (const Line& l : ins)
        weightSum += statedValue(l);
    const bool byQty = weightSum == 0;
    if (byQty) {
        for (const Line& l : ins)
            weightSum += baseQty(l);
    }
    double left = cost;
    for (qsizetype i = 0; i < ins.size(); ++i) {
        const Line& l = ins[i];
        const double w = byQty ? baseQty(l) : statedValue(l);
        const double value = i + 1 == ins.size() ? left : roundMoney(cost * w / weightSum);
        left = roundMoney(left - value);
        putLineIn(db, book, l, inWarehouse(b, l), value);
        writeCost(db, l, value);
    }
}

// Stocktake: the counted quantity (the line's quantity) against the books; the difference comes
// in at the average cost as overflow or goes out by the cost method as loss.
void postStocktake(Database& db, const Bill& b, const QList<Line>& lines, StockBook& book,
                   MoneyBook& money) {
    for (const Line& l : goodsLines(lines)) {
        const qint64 stock = inWarehouse(b, l);
        const double counted = roundQty(l.qty * l.rate);
        if (counted < 0) {
            throw DytError(QStringLiteral("第 %1 行盘点数量不能为负数，不能过账！").arg(l.number));
        }
        const double diff = roundQty(counted - book.onHand(l.goodsid, stock).first);
        if (isZero(diff)) {
            writeCost(db, l, 0);
            continue;
        }
        Line d = l;
        d.qty = diff / l.rate;
        if (diff > 0) {
            const double value = roundMoney(diff * book.averageCost(l.goodsid, stock));
            const qint64 pc = book.putIn(d, stock, diff, value, batchOf(l));
            Q_UNUSED(pc);
            db.execute(QStringLiteral("UPDATE djList SET costtotal = ? WHERE orderid = ?"),
                       {value, l.orderid});
            money.entry(QStringLiteral("库存商品"), value);
            money.entry(QStringLiteral("商品报溢"), -value);
        } else {
            const double cost = book.takeOut(d, stock, -diff);
            db.execute(QStringLiteral("UPDATE djList SET costtotal = ? WHERE orderid = ?"),
                       {-cost, l.orderid});
            money.entry(QStringLiteral("商品报损"), cost);
            money.entry(QStringLiteral("库存商品"), -cost);
        }
    }
}

// The account rows of a receipt or payment: its lines with an account, else its type 1 money
// lines.
QList<std::pair<qint64, double>> accountRows(Database& db, const Bill& b,
                                             const QList<Line>& lines) {
    QList<std::pair<qint64, double>> out;
    for (const Line& l : lines) {
        if (l.km_id > 0)
            out << std::make_pair(l.km_id, l.total);
    }
    if (out.isEmpty()) {
        for (const MoneyLine& m : loadMoneyLines(db, b.id)) {
            if (m.type == 1)
                out << std::make_pair(m.km, m.db + m.lend);
        }
    }
    return out;
}

void postReceiptPayment(Database& db, const Bill& b, const QList<Line>& lines, MoneyBook& money) {
    if (b.wldw <= 0)
        throw DytError(
            QStringLiteral("%1必须选择往来单位！")
                .arg(b.djType == kReceipt ? QStringLiteral("收款单") : QStringLiteral("付款单")));
    double amount = 0;
    const auto rows = accountRows(db, b, lines);
    for (const auto& [km, total] : rows)
        amount += total;
    amount = roundMoney(amount);
    const double settled = applySettlement(db, b, 1);
    const double whole = roundMoney(amount + b.youhui);
    const double advance = b.hhlx == 1 ? std::max(0.0, roundMoney(whole - settled)) : 0.0;
    if (b.djType == kReceipt) {
        money.partner(b.wldw, {-(whole - advance), 0, advance, 0});
        for (const auto& [km, total] : rows)
            money.entry(km, total);
        money.entry(QStringLiteral("销售优惠"), b.youhui);
        money.entry(QStringLiteral("应收账款"), -(whole - advance), b.wldw);
        money.entry(QStringLiteral("预收账款"), -advance, b.wldw);
    } else {
        money.partner(b.wldw, {0, -(whole - advance), 0, advance});
        for (const auto& [km, total] : rows)
            money.entry(km, -total);
        money.entry(QStringLiteral("进货优惠"), -b.youhui);
        money.entry(QStringLiteral("应付账款"), whole - advance, b.wldw);
        money.entry(QStringLiteral("预付账款"), advance, b.wldw);
    }
}

// Fees, other income, transfers between money accounts and the adjustment bills: the lines name
// the expense, income or counter accounts (km_id, total), the type 1 money lines the money
// accounts; what the money does not cover stays with the partner.
void postMoneyKinds(Database& db, const Bill& b, const QList<Line>& lines, MoneyBook& money) {
    const QList<MoneyLine> cashLines = loadMoneyLines(db, b.id);
    double lineSum = 0;
    for (const Line& l : lines) {
        if (l.km_id > 0)
            lineSum += l.total != 0 ? l.total : l.taxTotalSum;
    }
    lineSum = roundMoney(lineSum);
    const double cash = moneyOf(cashLines, 1);
    auto lineEntries = [&](double sign) {
        for (const Line& l : lines) {
            if (l.km_id > 0)
                money.entry(l.km_id, sign * (l.total != 0 ? l.total : l.taxTotalSum));
        }
    };
    auto cashEntries = [&](double sign) {
        for (const MoneyLine& m : cashLines) {
            if (m.type == 1)
                money.entry(m.km, sign * (m.db + m.lend));
        }
    };
    auto needPartner = [&](double rest) {
        if (std::fabs(rest) >= 0.00005 && b.wldw <= 0) {
            throw DytError(QStringLiteral("单据金额[%1]与收付款金额[%2]不一致，必须选择往来单位！")
                               .arg(lineSum)
                               .arg(cash));
        }
    };
    switch (b.djType) {
        case kCashFee:
        case kFee:
        case kLabourFee: {
            const double rest = roundMoney(lineSum - cash);
            needPartner(rest);
            lineEntries(1);
            cashEntries(-1);
            money.partner(b.wldw, {0, rest, 0, 0});
            money.entry(QStringLiteral("应付账款"), -rest, b.wldw);
            break;
        }
        case kOtherIncome: {
            const double rest = roundMoney(lineSum - cash);
            needPartner(rest);
            lineEntries(-1);
            cashEntries(1);
            money.partner(b.wldw, {rest, 0, 0, 0});
            money.entry(QStringLiteral("应收账款"), rest, b.wldw);
            break;
        }
        case kMoneyTransfer: {
            double in = 0, out = 0;
            for (const MoneyLine& m : cashLines) {
                if (m.type != 1)
                    continue;
                money.entry(m.km, m.db - m.lend);
                in += m.db;
                out += m.lend;
            }
            if (std::fabs(roundMoney(in - out)) >= 0.00005 || in == 0)
                throw DytError(QStringLiteral("转入金额与转出金额不一致，不能过账！"));
            break;
        }
        case kReceivableDown:
        case kReceivableUp:
        case kPayableUp:
        case kPayableDown: {
            if (b.wldw <= 0)
                throw DytError(QStringLiteral("调账单据必须选择往来单位！"));
            const bool receivable = b.djType == kReceivableDown || b.djType == kReceivableUp;
            const double s = b.djType == kReceivableUp || b.djType == kPayableUp ? 1.0 : -1.0;
            if (receivable) {
                money.partner(b.wldw, {s * lineSum, 0, 0, 0});
                money.entry(QStringLiteral("应收账款"), s * lineSum, b.wldw);
                lineEntries(-s);
            } else {
                money.partner(b.wldw, {0, s * lineSum, 0, 0});
                money.entry(QStringLiteral("应付账款"), -s * lineSum, b.wldw);
                lineEntries(s);
            }
            break;
        }
        case kMoneyDown:
        case kMoneyUp: {
            const double s = b.djType == kMoneyUp ? 1.0 : -1.0;
            if (std::fabs(roundMoney(lineSum - cash)) >= 0.00005)
                throw DytError(QStringLiteral("调账金额与账户金额不一致，不能过账！"));
            cashEntries(s);
            lineEntries(-s);
            break;
        }
        default:
            break;
    }
}

}  // namespace

bool isOrder(int djType) {
    return djType == kSaleOrder || djType == kPurchaseOrder;
}

bool isMoneyBill(int djType) {
    return djType == kReceipt || djType == kPayment;
}

bool isAssetBill(int djType) {
    return djType == kAssetBuy || djType == kAssetDepreciation || djType == kAssetSale;
}

bool movesNoGoods(int djType) {
    return isOrder(djType) || isAssetBill(djType) || djType == kEnquiry || djType == kQuotation ||
           isDistributionDocument(djType) || isInvoice(djType);
}

bool kindPosts(int djType) {
    if (isConsignKind(djType))
        return true;
    switch (djType) {
        case kAssetBuy:
        case kAssetDepreciation:
        case kAssetSale:
        case kDeferredIn:
        case kDeferredOut:
        case kVoucher:
        case kEnquiry:
        case kQuotation:
        case kLabourFee:
        case kSale:
        case kSaleReturn:
        case kSaleExchange:
        case kSaleOrder:
        case kPurchase:
        case kPurchaseReturn:
        case kPurchaseExchange:
        case kPurchaseOrder:
        case kAssembly:
        case kOtherOut:
        case kOtherIn:
        case kLoss:
        case kOverflow:
        case kCostAdjust:
        case kTransfer:
        case kTransferPriced:
        case kCashFee:
        case kFee:
        case kOtherIncome:
        case kMoneyTransfer:
        case kReceipt:
        case kPayment:
        case kReceivableDown:
        case kReceivableUp:
        case kPayableUp:
        case kPayableDown:
        case kMoneyDown:
        case kMoneyUp:
        case kStocktake:
        case kWarehouseTransfer:
        case kGiftIn:
        case kGiftOut:
        case kProcessingIssue:
        case kProcessingReturn:
        case kProcessingDone:
        case kWarehouseIn:
        case kWarehouseOut:
        case kDistributionRequest:
        case kDelivery:
        case kAcceptance:
        case kGiftContract:
        case kPurchaseInvoiceByBill:
        case kPurchaseInvoiceByGoods:
        case kSaleInvoiceByBill:
        case kSaleInvoiceByGoods:
            return true;
        default:
            return isLoanKind(djType);
    }
}

void postEffects(Database& db, const Bill& b, const QList<Line>& lines, const Refusal& refusal) {
    switch (b.djType) {
        case kSale:
        case kSaleReturn:
        case kSaleExchange:
        case kPurchase:
        case kPurchaseReturn:
        case kPurchaseExchange:
            if (b.wldw <= 0)
                throw DytError(QStringLiteral("单据没有选择往来单位，不能过账！"));
            break;
        default:
            break;
    }
    StockBook book(db, b, refusal);
    MoneyBook money(db);
    bool goods = true;
    switch (b.djType) {
        case kSale:
        case kSaleReturn:
        case kSaleExchange:
            postSalesLike(db, b, lines, book, money);
            break;
        case kPurchase:
        case kPurchaseReturn:
        case kPurchaseExchange:
            postPurchaseLike(db, b, lines, book, money);
            break;
        case kEnquiry:
        case kQuotation:
        case kDistributionRequest:
        case kAcceptance:
        case kGiftContract:
            // Enquiries, quotations, requests, acceptances and gift contracts are documents.
            return;
        case kDelivery:
            postDistribution(db, b, lines, book);
            break;
        case kPurchaseInvoiceByBill:
        case kPurchaseInvoiceByGoods:
        case kSaleInvoiceByBill:
        case kSaleInvoiceByGoods:
            postInvoice(db, b, lines);
            return;
        case kSaleOrder:
        case kPurchaseOrder:
            // Orders move nothing; their lines remember the warehouse the open quantity counts in.
            for (const Line& l : lines) {
                if (l.goodsid <= 0)
                    continue;
                db.execute(
                    b.djType == kSaleOrder
                        ? QStringLiteral("UPDATE djList SET OutStock_id = ? WHERE orderid = ?")
                        : QStringLiteral("UPDATE djList SET IntoStock_id = ? WHERE orderid = ?"),
                    {inWarehouse(b, l), l.orderid});
            }
            return;
        case kOtherOut:
            postOneWay(db, b, lines, book, money, false, QStringLiteral("其它费用"));
            break;
        case kOtherIn:
            postOneWay(db, b, lines, book, money, true, QStringLiteral("其它收入"));
            break;
        case kLoss:
            postOneWay(db, b, lines, book, money, false, QStringLiteral("商品报损"));
            break;
        case kOverflow:
            postOneWay(db, b, lines, book, money, true, QStringLiteral("商品报溢"));
            break;
        case kGiftIn:
            postOneWay(db, b, lines, book, money, true, QStringLiteral("获赠收入"));
            break;
        case kGiftOut:
            postOneWay(db, b, lines, book, money, false, QStringLiteral("赠送支出"));
            break;
        case kWarehouseIn:
            postOneWay(db, b, lines, book, money, true, QStringLiteral("其它收入"));
            break;
        case kWarehouseOut:
            postOneWay(db, b, lines, book, money, false, QStringLiteral("其它费用"));
            break;
        case kProcessingIssue:
        case kProcessingReturn:
        case kProcessingDone:
            postProcessingKinds(db, b, lines, book, money);
            break;
        case kCostAdjust:
            postCostAdjust(db, b, lines, book, money);
            break;
        case kTransfer:
        case kTransferPriced:
        case kWarehouseTransfer:
            postTransfer(db, b, lines, book, money);
            break;
        case kAssembly:
            postAssembly(db, b, lines, book);
            break;
        case kStocktake:
            postStocktake(db, b, lines, book, money);
            break;
        case kBorrowIn:
        case kBorrowReturn:
        case kBorrowToPurchase:
        case kLendOut:
        case kLendReturn:
        case kLendToSale:
            postLoanKinds(db, b, lines, book, money);
            break;
        case kConsignOut:
        case kConsignSettle:
        case kHeldIn:
        case kHeldSettle:
        case kConsignReturn:
        case kHeldReturn:
        case kConsignPrice:
        case kHeldPrice:
            postConsignKinds(db, b, lines, book, money);
            break;
        case kReceipt:
        case kPayment:
            goods = false;
            postReceiptPayment(db, b, lines, money);
            break;
        case kAssetBuy:
        case kAssetDepreciation:
        case kAssetSale:
            goods = false;
            postAssetKinds(db, b, lines, money);
            break;
        case kDeferredIn:
        case kDeferredOut:
            goods = false;
            postDeferredKinds(db, b, lines, money);
            break;
        case kVoucher:
            goods = false;
            postVoucher(db, b, lines, money);
            break;
        default:
            goods = false;
            postMoneyKinds(db, b, lines, money);
            break;
    }
    const double rest = money.imbalance();
    if (rest != 0) {
        if (!goods)
            throw DytError(QStringLiteral("单据借贷不平衡（差额 %1），不能过账！").arg(rest));
        // What stock value and prices leave between them (a return at another price than its
        // cost, rounding of tax) goes to the cost adjustment account.
        money.entry(QStringLiteral("成本调价"), -rest);
    }
    money.write(b);
    if (b.djType == kDeferredOut || b.djType == kVoucher)
        checkDeferredBalances(db, QStringLiteral("过账"));
}

void applyOrderFulfilment(Database& db, const Bill& b, const QList<Line>& lines, int sign) {
    applyDistributionLinks(db, b, lines, sign);
    if (isOrder(b.djType))
        return;
    QList<qint64> orders;
    for (const Line& l : lines) {
        if (l.s_orderid <= 0 || l.goodsid <= 0)
            continue;
        Statement st = db.prepare(QStringLiteral(
            "SELECT id, djType, qty, rate, toQty, dj_state FROM djList WHERE orderid = ?"));
        st.bind(1, l.s_orderid);
        if (!st.step())
            continue;
        const qint64 order = st.value(0).toLongLong();
        const int kind = st.value(1).toInt();
        const double qty = st.value(2).toDouble();
        double rate = st.value(3).toDouble();
        if (rate <= 0)
            rate = 1;
        const double done = st.value(4).toDouble();
        const bool loan = kind != 0 && kind == loanSourceKind(b.djType);
        if ((!isOrder(kind) && !loan && !isFollowedSource(kind)) || st.value(5).toInt() != 2)
            continue;
        // An order stopped (2) or finished by hand (3) stays so; only what was delivered moves.
        const bool byHand =
            db.scalar(QStringLiteral("SELECT isOver FROM djIndex WHERE id = ?"), {order}).toInt() >=
            2;
        const double toQty = roundQty(done + sign * baseQty(l) / rate);
        const int over = byHand || toQty >= qty - 0.5e-8 ? 1 : 0;
        db.execute(QStringLiteral("UPDATE djList SET toQty = ?, isOver = ? WHERE orderid = ?"),
                   {toQty, over, l.s_orderid});
        if (!byHand && !orders.contains(order))
            orders << order;
    }
    for (qint64 order : orders) {
        db.execute(QStringLiteral("UPDATE djIndex SET isOver = CASE WHEN EXISTS (SELECT 1 FROM "
                                  "djList WHERE id = ? AND goodsid > 0 AND isOver = 0) THEN 0 "
                                  "ELSE 1 END WHERE id = ?"),
                   {order, order});
    }
}

double applySettlement(Database& db, const Bill& b, int sign) {
    if (!isMoneyBill(b.djType))
        return 0;
    struct Row {
        qint64 orderid, sid;
        double total, applied;
    };
    QList<Row> rows;
    {
        Statement st = db.prepare(
            QStringLiteral("SELECT orderid, s_id, total, costtotal FROM djList WHERE id = ? AND "
                           "km_id = 0 AND s_id > 0 AND dj_state = 2 ORDER BY orderid"));
        st.bind(1, b.id);
        while (st.step()) {
            rows << Row{st.value(0).toLongLong(), st.value(1).toLongLong(),
                        roundMoney(st.value(2).toDouble()), roundMoney(st.value(3).toDouble())};
        }
    }
    double settled = 0;
    for (const Row& r : rows) {
        double amount = 0;
        if (sign > 0) {
            const bool cleared = r.total == 0 || (r.applied != 0 && r.total == -r.applied);
            amount = cleared ? 0.0 : r.total;
            Statement st = db.prepare(
                QStringLiteral("SELECT dj_state, wldw_id, code FROM djIndex WHERE id = ?"));
            st.bind(1, r.sid);
            if (!st.step() || st.value(0).toInt() != 2)
                throw DytError(QStringLiteral("结算的单据[%1]不存在或没有过账！").arg(r.sid));
            if (st.value(1).toLongLong() != b.wldw) {
                throw DytError(QStringLiteral("结算的单据[%1]不是本往来单位的单据！")
                                   .arg(st.value(2).toString()));
            }
            db.execute(QStringLiteral("UPDATE djList SET costtotal = ? WHERE orderid = ?"),
                       {amount, r.orderid});
        } else {
            amount = -r.applied;
        }
        if (amount != 0) {
            const QVariant before =
                db.scalar(QStringLiteral("SELECT sfkTotalLj FROM djIndex WHERE id = ?"), {r.sid});
            db.execute(QStringLiteral("UPDATE djIndex SET sfkTotalLj = ? WHERE id = ?"),
                       {roundMoney(before.toDouble() + amount), r.sid});
        }
        settled += amount;
    }
    return roundMoney(settled);
}

void applySpotPayment(Database& db, const Bill& b, int sign) {
    switch (b.djType) {
        case kSale:
        case kSaleReturn:
        case kSaleExchange:
        case kPurchase:
        case kPurchaseReturn:
        case kPurchaseExchange:
        case kBorrowToPurchase:
        case kLendToSale:
            break;
        default:
            return;
    }
    const double cash = moneyOf(loadMoneyLines(db, b.id), 1);
    if (cash == 0)
        return;
    const QVariant before =
        db.scalar(QStringLiteral("SELECT sfkTotalLj FROM djIndex WHERE id = ?"), {b.id});
    db.execute(QStringLiteral("UPDATE djIndex SET sfkTotalLj = ? WHERE id = ?"),
               {roundMoney(before.toDouble() + sign * cash), b.id});
}

}  // namespace dyt::server::ledger
