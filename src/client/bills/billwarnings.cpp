// The save-time list checks of the goods bills: texts, queries and comparisons.
#include "client/bills/billwarnings.h"

#include <QMap>
#include <QSet>

#include <cmath>

#include "client/bills/frmbasefkc.h"
#include "client/bills/frmbaseshowprice.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/settings.h"
#include "common/error.h"

namespace dyt::client {

namespace {

// A number as SQL text: plain decimals, no exponent, no trailing zeros.
QString sqlNumber(double v) {
    QString t = QString::number(v, 'f', 6);
    while (t.contains(QLatin1Char('.')) && (t.endsWith(QLatin1Char('0'))))
        t.chop(1);
    if (t.endsWith(QLatin1Char('.')))
        t.chop(1);
    if (t == u"-0")
        t = QStringLiteral("0");
    return t;
}

// A price as a fixed-point value with four decimals.
qint64 fixed4(double v) {
    return std::llround(v * 10000.0);
}

QList<WarnLine> goodsLines(const QList<WarnLine>& lines) {
    QList<WarnLine> out;
    for (const WarnLine& l : lines) {
        if (l.goodsId > 0)
            out.append(l);
    }
    return out;
}

// The warehouses of the lines in order of first appearance.
QList<qint64> warehousesOf(const QList<WarnLine>& lines) {
    QList<qint64> out;
    for (const WarnLine& l : lines) {
        if (!out.contains(l.stockId))
            out.append(l.stockId);
    }
    return out;
}

QList<WarnLine> linesIn(const QList<WarnLine>& lines, qint64 stockId) {
    QList<WarnLine> out;
    for (const WarnLine& l : lines) {
        if (l.stockId == stockId)
            out.append(l);
    }
    return out;
}

// Per goods (in order of first line): the first line number and the summed base quantity.
struct GoodsTotal {
    qint64 goodsId = 0;
    int row = 0;
    double qty = 0;
};
QList<GoodsTotal> totalsByGoods(const QList<WarnLine>& lines) {
    QList<GoodsTotal> out;
    for (const WarnLine& l : lines) {
        auto it = std::find_if(out.begin(), out.end(),
                               [&](const GoodsTotal& t) { return t.goodsId == l.goodsId; });
        if (it == out.end())
            out.append(GoodsTotal{l.goodsId, l.row, l.baseQty});
        else
            it->qty += l.baseQty;
    }
    return out;
}

RecordSet priceRowsShape(bool withStock) {
    RecordSet rs;
    rs.addField(QStringLiteral("sp_id"), FieldType::Integer);
    if (withStock)
        rs.addField(QStringLiteral("ck_id"), FieldType::Integer);
    rs.addField(QStringLiteral("row"), FieldType::Integer);
    rs.addField(QStringLiteral("Price1"), FieldType::Float);
    rs.addField(QStringLiteral("Price2"), FieldType::Float);
    return rs;
}

// The unit record of a line: latestBuyPrice, lowestSalePrice, CostPrice; false when the unit is
// not found.
struct UnitPrices {
    double latestBuy = 0;
    double lowestSale = 0;
    double cost = 0;
};
bool readUnitPrices(const WarnLine& line, UnitPrices* out) {
    RecordSet rs;
    dataModule().ExecQuery(warnsql::unitPriceSql(line), &rs);
    if (rs.recordCount() == 0)
        return false;
    rs.first();
    out->latestBuy = rs.number(QStringLiteral("latestBuyPrice"));
    out->lowestSale = rs.number(QStringLiteral("lowestSalePrice"));
    out->cost = rs.number(QStringLiteral("CostPrice"));
    return true;
}

}  // namespace

QList<WarnLine> warnLinesOf(const RecordSet& lines, qint64 billStockId) {
    const auto field = [&](const char* name) { return lines.fieldIndex(QLatin1String(name)); };
    const int goods = field("goodsid"), unit = field("unitid"), rate = field("rate"),
              qty = field("qty"), price = field("discountprice"), batch = field("goodspc"),
              type = field("RowType"), stock = field("IntoStock_id");
    const auto number = [&](int r, int f) { return f < 0 ? 0.0 : lines.at(r, f).toDouble(); };
    QList<WarnLine> out;
    for (int r = 0; r < lines.rowCount(); ++r) {
        WarnLine l;
        l.row = r + 1;
        l.goodsId = qint64(number(r, goods));
        if (l.goodsId <= 0)
            continue;
        l.unitId = qint64(number(r, unit));
        const double lineRate = number(r, rate);
        l.baseQty = number(r, qty) * (lineRate > 0 ? lineRate : 1.0);
        l.discountPrice = number(r, price);
        l.batch = qint64(number(r, batch));
        l.gift = qint64(number(r, type)) == 1;
        const qint64 lineStock = qint64(number(r, stock));
        l.stockId = lineStock > 0 ? lineStock : billStockId;
        out.append(l);
    }
    return out;
}

namespace warnsql {

QString GoodsIdList(const QList<WarnLine>& lines) {
    QList<qint64> ids;
    for (const WarnLine& l : lines) {
        if (l.goodsId > 0 && !ids.contains(l.goodsId))
            ids.append(l.goodsId);
    }
    QStringList parts;
    for (qint64 id : ids)
        parts << QString::number(id);
    return QStringLiteral("(") + parts.join(QLatin1Char(',')) + QStringLiteral(")");
}

QString stockLimitSql(const QList<WarnLine>& lines, bool upper) {
    const QString limit = upper ? QStringLiteral("warnUp") : QStringLiteral("warnDown");
    QStringList parts;
    for (const WarnLine& l : goodsLines(lines)) {
        parts << QStringLiteral(" SELECT a.goodsid,a.stockid,a.") + limit + QStringLiteral(",") +
                     QString::number(l.row) + QStringLiteral(" AS row,") + sqlNumber(l.baseQty) +
                     QStringLiteral(" AS Qty") + QStringLiteral(" FROM baseGoodsWarn AS a") +
                     QStringLiteral(" WHERE a.stockid = ") + QString::number(l.stockId) +
                     QStringLiteral(" and a.goodsid = ") + QString::number(l.goodsId);
    }
    if (parts.isEmpty())
        return {};
    const QString stock = QStringLiteral("dbo.fnGetStockQty(k.goodsid,k.stockid,0)");
    // Upper: stock − warnUp + Σ qty > 0, listed by that excess; lower: stock − warnDown − Σ qty <
    // 0, listed by the shortfall warnDown − (stock − Σ qty).
    const QString excess =
        upper ? stock + QStringLiteral(" - k.warnUp + sum(k.Qty)")
              : QStringLiteral("k.warnDown - (") + stock + QStringLiteral(" - sum(k.Qty))");
    const QString having = upper ? stock + QStringLiteral(" - k.warnUp + sum(k.Qty) > 0")
                                 : stock + QStringLiteral(" - k.warnDown - sum(k.Qty) < 0");
    return QStringLiteral("SELECT k.goodsid AS sp_id,k.stockid AS ck_id,min(k.row) AS row,k.") +
           limit + QStringLiteral(" AS Qty_,") + excess + QStringLiteral(" AS Qty FROM (") +
           parts.join(QStringLiteral(" union all")) +
           QStringLiteral(") AS k GROUP BY k.goodsid,k.stockid,k.") + limit +
           QStringLiteral(" HAVING ") + having + QStringLiteral(" ORDER BY min(k.row)");
}

QString unitPriceSql(const WarnLine& line) {
    return QStringLiteral(" select k.id,k.goodsid as sp_id") +
           QStringLiteral(" ,k.latestBuyPrice,k.lowestSalePrice") +
           QStringLiteral(",dbo.fnGetCostPrice(") + QString::number(line.goodsId) +
           QStringLiteral(",") + QString::number(line.batch) + QStringLiteral(",") +
           QString::number(line.unitId) + QStringLiteral(") as CostPrice") +
           QStringLiteral(" from baseGoodsunit as k ") + QStringLiteral(" where k.id = ") +
           QString::number(line.unitId);
}

QString NegativeStockSql(qint64 stockId, const QList<WarnLine>& lines) {
    return QStringLiteral("SELECT goodsid,sum(qty) as qty FROM baseGoodsStock  WHERE stockid = ") +
           QString::number(stockId) + QStringLiteral(" and goodsid in ") + GoodsIdList(lines) +
           QStringLiteral(" GROUP BY goodsid");
}

QString VirtualStockSql(qint64 stockId, const QList<WarnLine>& lines) {
    const QString w = QString::number(stockId);
    return QStringLiteral(" SELECT b1.id AS goodsid ,dbo.fnGetStockQty(b1.id,") + w +
           QStringLiteral(",0) AS kcqty  ") + QStringLiteral(",dbo.fnGetXNKCQty(b1.id,") + w +
           QStringLiteral(") as xnkcqty ") + QStringLiteral(" FROM basegoods AS b1  ") +
           QStringLiteral(" WHERE b1.id IN ") + GoodsIdList(lines);
}

QString partnerSql(qint64 partnerId) {
    return QStringLiteral("select a.* from basewldw as a where a.id = ") +
           QString::number(partnerId);
}

}  // namespace warnsql

namespace {

void checkSellingKind(int kind) {
    if (kind != 1 && kind != 2 && kind != 3 && kind != 5 && kind != 6)
        throw DytError(QStringLiteral("售价提示类型错误：%1").arg(kind));
}

// The priced lines: non-gift goods lines with a unit record, with their unit's prices.
QList<std::pair<WarnLine, UnitPrices>> pricedLines(const QList<WarnLine>& lines) {
    QList<std::pair<WarnLine, UnitPrices>> out;
    for (const WarnLine& l : goodsLines(lines)) {
        if (l.gift || l.unitId <= 0)
            continue;
        UnitPrices u;
        if (readUnitPrices(l, &u))
            out.append({l, u});
    }
    return out;
}

RecordSet sellingRowsOf(int kind, const QList<std::pair<WarnLine, UnitPrices>>& priced) {
    RecordSet out = priceRowsShape(true);
    for (const auto& [l, u] : priced) {
        double reference = 0;
        switch (kind) {
            case 1:
                reference = u.latestBuy;
                if (fixed4(reference) <= 0)
                    continue;
                break;
            case 2:
            case 6:
                reference = u.cost;
                break;
            default:
                reference = u.lowestSale;
                break;
        }
        if (fixed4(reference) > fixed4(l.discountPrice))
            out.appendRow({l.goodsId, l.stockId, l.row, l.discountPrice, reference});
    }
    out.first();
    return out;
}

}  // namespace

RecordSet sellingPriceRows(int kind, const QList<WarnLine>& lines) {
    checkSellingKind(kind);
    return sellingRowsOf(kind, pricedLines(lines));
}

SellingPriceChecks sellingPriceChecksFromSettings() {
    const TSettings& s = settings();
    return {s.Switch(2035), s.Right(6013), s.Right(6017)};
}

QList<int> sellingPriceKinds(const SellingPriceChecks& checks, bool posting) {
    QList<int> kinds;
    if (checks.warn)
        kinds << kPriceBelowLatestBuy << kPriceBelowCost << kPriceBelowLowest;
    if (posting && !checks.mayPostBelowLowest)
        kinds << kPriceBelowLowestStop;
    if (posting && !checks.mayPostBelowCost)
        kinds << kPriceBelowCostStop;
    return kinds;
}

bool checkSellingPrices(const QList<WarnLine>& lines, bool posting,
                        const SellingPriceChecks& checks, QWidget* parent) {
    const QList<int> kinds = sellingPriceKinds(checks, posting);
    if (kinds.isEmpty())
        return true;
    const auto priced = pricedLines(lines);
    for (int kind : kinds) {
        if (!TfrmBaseShowPrice::checkAndShow(kind, sellingRowsOf(kind, priced), parent))
            return false;
    }
    return true;
}

RecordSet purchasePriceRows(const QList<WarnLine>& lines) {
    RecordSet out = priceRowsShape(false);
    for (const WarnLine& l : goodsLines(lines)) {
        if (l.gift || l.unitId <= 0)
            continue;
        UnitPrices u;
        if (!readUnitPrices(l, &u))
            continue;
        if (fixed4(u.latestBuy) > 0 && fixed4(l.discountPrice) > fixed4(u.latestBuy))
            out.appendRow({l.goodsId, l.row, l.discountPrice, u.latestBuy});
    }
    out.first();
    return out;
}

RecordSet NegativeStockRows(const QList<WarnLine>& lines) {
    RecordSet out;
    out.addField(QStringLiteral("sp_id"), FieldType::Integer);
    out.addField(QStringLiteral("row"), FieldType::Integer);
    out.addField(QStringLiteral("Qty"), FieldType::Float);
    out.addField(QStringLiteral("fzQty"), FieldType::Text);
    out.addField(QStringLiteral("fkcQty"), FieldType::Float);
    out.addField(QStringLiteral("fkcfzQty"), FieldType::Text);
    const QList<WarnLine> goods = goodsLines(lines);
    for (qint64 stock : warehousesOf(goods)) {
        const QList<WarnLine> here = linesIn(goods, stock);
        RecordSet rs;
        dataModule().ExecQuery(warnsql::NegativeStockSql(stock, here), &rs);
        QMap<qint64, double> onHand;
        for (int r = 0; r < rs.rowCount(); ++r) {
            onHand[rs.at(r, rs.fieldIndex(QStringLiteral("goodsid"))).toLongLong()] +=
                rs.at(r, rs.fieldIndex(QStringLiteral("qty"))).toDouble();
        }
        for (const GoodsTotal& t : totalsByGoods(here)) {
            const double stockQty = onHand.value(t.goodsId, 0.0);
            const double after = stockQty - t.qty;
            if (fixed4(after) < 0)
                out.appendRow({t.goodsId, t.row, stockQty, QString(), after, QString()});
        }
    }
    out.first();
    return out;
}

RecordSet virtualNegativeStockRows(const QList<WarnLine>& lines) {
    RecordSet out;
    out.addField(QStringLiteral("sp_id"), FieldType::Integer);
    out.addField(QStringLiteral("row"), FieldType::Integer);
    out.addField(QStringLiteral("kcQty"), FieldType::Float);
    out.addField(QStringLiteral("Qty"), FieldType::Float);
    out.addField(QStringLiteral("fzQty"), FieldType::Text);
    out.addField(QStringLiteral("xnkcQty"), FieldType::Float);
    out.addField(QStringLiteral("fkcQty"), FieldType::Float);
    out.addField(QStringLiteral("fkcfzQty"), FieldType::Text);
    const QList<WarnLine> goods = goodsLines(lines);
    for (qint64 stock : warehousesOf(goods)) {
        const QList<WarnLine> here = linesIn(goods, stock);
        RecordSet rs;
        dataModule().ExecQuery(warnsql::VirtualStockSql(stock, here), &rs);
        QMap<qint64, QPair<double, double>> found;
        for (int r = 0; r < rs.rowCount(); ++r) {
            found[rs.at(r, rs.fieldIndex(QStringLiteral("goodsid"))).toLongLong()] = {
                rs.at(r, rs.fieldIndex(QStringLiteral("kcqty"))).toDouble(),
                rs.at(r, rs.fieldIndex(QStringLiteral("xnkcqty"))).toDouble()};
        }
        for (const GoodsTotal& t : totalsByGoods(here)) {
            const auto [kc, xnkc] = found.value(t.goodsId, {0.0, 0.0});
            const double virtualAfter = xnkc - t.qty;
            if (fixed4(virtualAfter) < 0) {
                out.appendRow(
                    {t.goodsId, t.row, kc, kc - t.qty, QString(), xnkc, virtualAfter, QString()});
            }
        }
    }
    out.first();
    return out;
}

bool checkStockLimits(const QList<WarnLine>& lines, bool upper, QWidget* parent) {
    const QString sql = warnsql::stockLimitSql(lines, upper);
    if (sql.isEmpty())
        return true;
    return TfrmBaseShowPrice::checkAndShow(upper ? kStockAboveUpper : kStockBelowLower, sql,
                                           parent);
}

bool checkPurchasePrices(const QList<WarnLine>& lines, QWidget* parent) {
    return TfrmBaseShowPrice::checkAndShow(kPurchasePriceOdd, purchasePriceRows(lines), parent);
}

bool checkNegativeStock(const QList<WarnLine>& lines, bool virtualStock, QWidget* parent) {
    if (virtualStock)
        return TfrmBaseFKC::checkAndShow(FkcMode::Virtual, virtualNegativeStockRows(lines), parent);
    return TfrmBaseFKC::checkAndShow(FkcMode::Real, NegativeStockRows(lines), parent);
}

PartnerLimit readPartnerLimit(qint64 partnerId, double thisBill, bool receivable) {
    RecordSet rs;
    dataModule().ExecQuery(warnsql::partnerSql(partnerId), &rs);
    PartnerLimit p;
    p.thisBill = thisBill;
    if (rs.recordCount() == 0)
        return p;
    rs.first();
    p.name = rs.text(QStringLiteral("fullname"));
    p.limit = rs.number(receivable ? QStringLiteral("ys_xyd") : QStringLiteral("yf_xyd"));
    p.current = rs.number(receivable ? QStringLiteral("ystotal") : QStringLiteral("yftotal"));
    return p;
}

QString partnerLimitQuestion(const PartnerLimit& limit, bool receivable, int totalDot) {
    const auto money = [totalDot](double v) { return QString::number(v, 'f', totalDot); };
    const QString side = receivable ? QStringLiteral("应收") : QStringLiteral("应付");
    const QString who = receivable ? QStringLiteral("客户[ ") : QStringLiteral("供应商[ ");
    const QString nl = QStringLiteral("\r\n");
    return who + limit.name + QStringLiteral(" ]") + side +
           QStringLiteral("款超出限制，是否继续？") + nl + QStringLiteral("      ") + side +
           QStringLiteral("限额：") + money(limit.limit) + nl + QStringLiteral("    当前") + side +
           QStringLiteral("额：") + money(limit.current) + nl + QStringLiteral("    本次") + side +
           QStringLiteral("额：") + money(limit.thisBill) + nl + QStringLiteral("      ") + side +
           QStringLiteral("超额：") + money(limit.excess());
}

bool checkPartnerLimit(qint64 partnerId, double thisBill, bool receivable) {
    const PartnerLimit limit = readPartnerLimit(partnerId, thisBill, receivable);
    if (!limit.exceeded())
        return true;
    return prompter().ask(caption::hint(),
                          partnerLimitQuestion(limit, receivable, settings().TotalDot),
                          {QStringLiteral("继续(&O)"), QStringLiteral("取消(&C)")}, 0) == 0;
}

}  // namespace dyt::client
