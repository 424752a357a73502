#include "client/logic/salesrules.h"

#include <QHash>

#include <cmath>

#include "common/rounding.h"
#include "common/sqltext.h"

namespace dyt::client::sales {

namespace {

// A number as SQL text: at most four decimals, no thousands separators.
QString sqlNumber(double value) {
    return Currency::fromDouble(value).toString();
}

QString money(Currency value, int totalDot) {
    const int places = totalDot < 0 ? 0 : (totalDot > 4 ? 4 : totalDot);
    const Currency r = roundTo(value, places);
    return QString::number(r.toDouble(), 'f', places);
}

}  // namespace

// ---- receipt amount ------------------------------------------------------------------------

bool receiptFollowsBill(bool defaultAmountSwitch, bool fieldEnabled, bool fieldVisible) {
    return defaultAmountSwitch && fieldEnabled && fieldVisible;
}

Currency defaultReceiptAmount(const QList<Currency>& taxTotalSums, Currency discountAmount,
                              int totalDot) {
    Currency sum;
    for (const Currency& v : taxTotalSums)
        sum += v;
    return roundTo(sum - discountAmount, totalDot < 0 ? 0 : totalDot);
}

// ---- selling prices ------------------------------------------------------------------------

Currency referencePrice(const ReferencePrices& ref, PriceKind kind) {
    switch (kind) {
        case PriceKind::LatestBuy:
            return ref.latestBuyPrice;
        case PriceKind::Cost:
        case PriceKind::CostBlock:
            return ref.costPrice;
        case PriceKind::LowestSale:
        case PriceKind::LowestSaleBlock:
            return ref.lowestSalePrice;
    }
    return {};
}

QList<PriceKind> priceWarnings(const ReferencePrices& ref, Currency discountPrice,
                               const PriceOptions& options) {
    QList<PriceKind> kinds;
    if (options.option2035) {
        if (ref.latestBuyPrice > Currency() && ref.latestBuyPrice > discountPrice)
            kinds.append(PriceKind::LatestBuy);
        if (ref.costPrice > discountPrice)
            kinds.append(PriceKind::Cost);
        if (ref.lowestSalePrice > discountPrice)
            kinds.append(PriceKind::LowestSale);
    }
    if (options.posting && !options.right6013 && ref.lowestSalePrice > discountPrice)
        kinds.append(PriceKind::LowestSaleBlock);
    if (options.posting && !options.right6017 && ref.costPrice > discountPrice)
        kinds.append(PriceKind::CostBlock);
    return kinds;
}

QString unitPricesSql(qint64 goodsId, qint64 batchId, qint64 unitSlot) {
    // A line names its unit by slot (0 the base unit, 1 and 2 the auxiliary units); the unit
    // record is found by goods and slot, and the cost is asked for that record's rate.
    return QStringLiteral(" select k.id,k.goodsid as sp_id") +
           QStringLiteral(" ,k.latestBuyPrice,k.lowestSalePrice") +
           QStringLiteral(",dbo.fnGetCostPrice(%1,%2,k.id) as CostPrice")
               .arg(goodsId)
               .arg(batchId) +
           QStringLiteral(" from baseGoodsunit as k ") +
           QStringLiteral(" where k.goodsid = %1 and k.fzdwid = %2").arg(goodsId).arg(unitSlot);
}

// ---- stock ---------------------------------------------------------------------------------

QList<GoodsQty> baseQtyByGoods(const QList<StockLine>& lines) {
    QList<GoodsQty> out;
    QHash<qint64, int> at;
    for (const StockLine& l : lines) {
        if (l.goodsId <= 0)
            continue;
        const double base = l.qty * (l.rate > 0 ? l.rate : 1);
        auto it = at.constFind(l.goodsId);
        if (it == at.constEnd()) {
            at.insert(l.goodsId, static_cast<int>(out.size()));
            out.append({l.goodsId, l.row, base});
        } else {
            out[*it].qty += base;
        }
    }
    return out;
}

QString goodsIdList(const QList<StockLine>& lines) {
    QString text = QStringLiteral(" (");
    for (const GoodsQty& g : baseQtyByGoods(lines))
        text += QString::number(g.goodsId) + u',';
    return text + QStringLiteral("0) ");
}

QString availableStockSql(qint64 goodsId, qint64 warehouseId) {
    return QStringLiteral("SELECT dbo.fnGetKYQty(%1,%2) as KYKCQty ")
               .arg(goodsId)
               .arg(warehouseId) +
           QStringLiteral(",dbo.fnGetStockQty(%1,%2,0) as StockQty").arg(goodsId).arg(warehouseId);
}

QString negativeStockSql(qint64 warehouseId, const QList<StockLine>& lines) {
    return QStringLiteral("SELECT goodsid,sum(qty) as qty FROM baseGoodsStock  WHERE stockid = ") +
           QString::number(warehouseId) + QStringLiteral(" and goodsid in ") + goodsIdList(lines) +
           QStringLiteral(" GROUP BY goodsid");
}

QString virtualStockSql(qint64 warehouseId, const QList<StockLine>& lines) {
    const QString ck = QString::number(warehouseId);
    return QStringLiteral(" SELECT b1.id AS goodsid ,dbo.fnGetStockQty(b1.id,") + ck +
           QStringLiteral(",0) AS kcqty  ") + QStringLiteral(",dbo.fnGetXNKCQty(b1.id,") + ck +
           QStringLiteral(") as xnkcqty ") + QStringLiteral(" FROM basegoods AS b1  ") +
           QStringLiteral(" WHERE b1.id IN ") + goodsIdList(lines);
}

namespace {

// Quantities are compared on four decimals so that 0.1 + 0.2 - 0.3 is not below zero.
bool belowZero(double value) {
    return Currency::fromDouble(value) < Currency();
}

QList<NegativeStock> negatives(const QList<StockLine>& lines, const QList<StockRow>& stock,
                               bool virtualMode) {
    QHash<qint64, StockRow> byGoods;
    for (const StockRow& r : stock)
        byGoods.insert(r.goodsId, r);
    QList<NegativeStock> out;
    for (const GoodsQty& g : baseQtyByGoods(lines)) {
        const StockRow r = byGoods.value(g.goodsId);
        NegativeStock n;
        n.goodsId = g.goodsId;
        n.row = g.row;
        n.stock = r.stock;
        n.after = r.stock - g.qty;
        n.virtualStock = r.virtualStock;
        n.virtualAfter = r.virtualStock - g.qty;
        if (belowZero(virtualMode ? n.virtualAfter : n.after))
            out.append(n);
    }
    return out;
}

}  // namespace

QList<NegativeStock> negativeStock(const QList<StockLine>& lines, const QList<StockRow>& stock) {
    return negatives(lines, stock, false);
}

QList<NegativeStock> virtualNegativeStock(const QList<StockLine>& lines,
                                          const QList<StockRow>& stock) {
    return negatives(lines, stock, true);
}

QString stockLowerLimitSql(qint64 warehouseId, const QList<StockLine>& lines) {
    QStringList parts;
    for (const StockLine& l : lines) {
        if (l.goodsId <= 0)
            continue;
        parts.append(
            QStringLiteral(" SELECT a.goodsid,a.stockid,a.warnDown") +
            QStringLiteral(",%1 AS row").arg(l.row) +
            QStringLiteral(",%1 AS Qty").arg(sqlNumber(l.qty * (l.rate > 0 ? l.rate : 1))) +
            QStringLiteral(" FROM baseGoodsWarn AS a") +
            QStringLiteral(" WHERE a.stockid = %1").arg(warehouseId) +
            QStringLiteral(" and a.goodsid = %1").arg(l.goodsId));
    }
    if (parts.isEmpty())
        return {};
    return QStringLiteral(
               "SELECT k.goodsid AS sp_id,k.stockid AS ck_id,min(k.row) AS row,"
               "k.warnDown AS Qty_,"
               "k.warnDown - dbo.fnGetStockQty(k.goodsid,k.stockid,0) + sum(k.Qty) AS Qty "
               "FROM (") +
           parts.join(QStringLiteral(" union all")) +
           QStringLiteral(
               ") AS k GROUP BY k.goodsid,k.stockid,k.warnDown "
               "HAVING dbo.fnGetStockQty(k.goodsid,k.stockid,0) - k.warnDown - "
               "sum(k.Qty) < 0 ORDER BY min(k.row)");
}

// ---- cost price under negative stock --------------------------------------------------------

QList<int> costPricePromptLines(const QList<CostLine>& lines) {
    QList<int> out;
    QList<qint64> seen;
    for (int i = 0; i < lines.size(); ++i) {
        const CostLine& l = lines.at(i);
        if (l.goodsId <= 0 || l.costPrice != Currency() || seen.contains(l.goodsId))
            continue;
        seen.append(l.goodsId);
        out.append(i);
    }
    return out;
}

QString costPricePromptText(const CostLine& line) {
    return QStringLiteral("编号：") + line.code + QStringLiteral("  商品：") + line.name +
           QStringLiteral(" 单位：") + line.unitName;
}

int applyCostPrice(QList<CostLine>& lines, qint64 goodsId, Currency price) {
    int changed = 0;
    for (CostLine& l : lines) {
        if (l.goodsId != goodsId)
            continue;
        l.costPrice = price;
        ++changed;
    }
    return changed;
}

// ---- receivables limit -----------------------------------------------------------------------

std::optional<QString> receivablesLimitQuestion(const QString& customer, Currency limit,
                                                Currency current, Currency billAmount,
                                                int totalDot) {
    if (limit <= Currency())
        return std::nullopt;
    const Currency over = current + billAmount - limit;
    if (over <= Currency())
        return std::nullopt;
    const QString nl = QStringLiteral("\r\n");
    return QStringLiteral("客户[ ") + customer + QStringLiteral(" ]应收款超出限制，是否继续？") +
           nl + QStringLiteral("      应收限额：") + money(limit, totalDot) + nl +
           QStringLiteral("    当前应收额：") + money(current, totalDot) + nl +
           QStringLiteral("    本次应收额：") + money(billAmount, totalDot) + nl +
           QStringLiteral("      应收超额：") + money(over, totalDot);
}

// ---- promotion (buy and give) -----------------------------------------------------------------

QString promotionSql(const QString& date, qint64 goodsId, qint64 customerId,
                     PromotionKind kind) {
    const QString d = sqlQuoted(date);
    const QString goods = QString::number(goodsId);
    const QString flag = kind == PromotionKind::Gift ? QStringLiteral("ismzcx")
                                                     : QStringLiteral("isjgcx");
    // The agreement's partner may be the customer itself or one of its classes: the partner
    // whose path is the longest prefix of the customer's path is the nearest.
    return QStringLiteral("SELECT top 1 * FROM baseCuXiao AS a   WHERE a.del = 0 AND a.isstop = 0 "
                          "\tAND a.") +
           flag + QStringLiteral(" = 1      AND a.BeginDate <= ") + d +
           QStringLiteral("\tAND a.EndDate >= ") + d + QStringLiteral("\tAND a.goodsid = ") +
           goods + QStringLiteral("\tAND a.khid = (SELECT TOP 1 k.khid      ") +
           QStringLiteral("FROM baseCuXiao AS k, baseWLDW AS m, baseWLDW AS c ") +
           QStringLiteral("WHERE k.khid = m.id AND c.id = ") + QString::number(customerId) +
           QStringLiteral(" AND k.del = 0 AND k.isstop = 0 AND k.") + flag +
           QStringLiteral(" = 1 AND k.goodsid = ") + goods + QStringLiteral(" AND k.BeginDate <= ") +
           d + QStringLiteral(" AND k.EndDate >= ") + d +
           QStringLiteral(" AND c.par_jl LIKE m.par_jl + '%' ") +
           QStringLiteral("ORDER BY m.par_jl DESC )");
}

double giftQuantity(double bought, double gmsl, double zssl) {
    if (gmsl <= 0 || zssl <= 0 || bought < gmsl)
        return 0;
    // Whole multiples only; a bought quantity a hair below a multiple (0.9999999) still counts.
    const double times = std::floor(bought / gmsl + 1e-9);
    return times * zssl;
}

QString giftMarker() {
    return QStringLiteral("赠品");
}

}  // namespace dyt::client::sales
