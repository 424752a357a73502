// The stock limits and replenishment: the settings list of the limits (KCSXXBJSZ), the smart
// replenishment plan (ZNBHJH) and P_JXC_DJ_WarnToDraft, which turns the lower-limit alert into a
// purchase draft.
//
// The replenishment rule, per goods of the replenishment warehouse (";bhckid=", else the warehouse
// condition; none: all warehouses):
//   sales       the net quantity sold in the period (sales, returns, exchanges, loans turned into
//               sales and retail, as they moved the stock), never below 0;
//   daily       sales ÷ the days of the period;
//   demand      daily × the demand days (";days=", 30 when not given);
//   target      the larger of demand and the lower limit, but not above an upper limit;
//   suggestion  target − stock − the open quantity of posted purchase orders, rounded up to a
//               whole base unit; 0 when the goods needs nothing.
// The plan lists the goods that sold in the period or have a lower limit. The partner condition
// names the supplier of the draft the window makes of the plan; it does not narrow the sales.
#include <QHash>

#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/procs/registry.h"
#include "server/reports/reports_internal.h"
#include "server/reports/reports_stock.h"

namespace dyt::server::reports {

namespace {

constexpr double kEpsilon = 1e-6;

// Opening rows and posted movements of the stock ledger as "s" (goodsid, stockid, date, qty).
const QString kStockRows = QStringLiteral(
    "(SELECT goodsid, stockid, '' AS date, qty FROM iniGoodsStock UNION ALL SELECT goodsid, "
    "stockid, date, qty FROM djStockDetail WHERE dj_state = 2) AS s JOIN baseGoods AS g ON g.id "
    "= s.goodsid");

// Goods choice and record rights over the goods alias g.
Where goodsScope(const ReportParams& p) {
    Where w;
    addGoodsChoice(w, p);
    p.rights.add(w, RecordKind::Goods, QStringLiteral("g.id"));
    return w;
}

void addWarehouse(Where& w, const ReportParams& p, const RecordChoice& warehouse,
                  const QString& column) {
    if (warehouse.id > 0) {
        QVariantList v;
        const QString in = inRecords(warehouse, QStringLiteral("baseCK"), &v);
        w.add(column + u' ' + in, v);
    }
    p.rights.add(w, RecordKind::Warehouse, column);
}

QHash<qint64, double> sums(Database& db, const QString& select, const Where& w,
                           const QString& tail = QStringLiteral(" GROUP BY g.id")) {
    QHash<qint64, double> out;
    Statement st = db.prepare(select + QStringLiteral(" WHERE ") + w.text() + tail);
    st.bindAll(w.values);
    while (st.step())
        out.insert(st.value(0).toLongLong(), st.value(1).toDouble());
    return out;
}

// Stock per goods in the warehouse choice, now.
QHash<qint64, double> stockOf(Database& db, const ReportParams& p, const RecordChoice& warehouse) {
    Where w = goodsScope(p);
    addWarehouse(w, p, warehouse, QStringLiteral("s.stockid"));
    return sums(db, QStringLiteral("SELECT g.id, SUM(s.qty) FROM ") + kStockRows, w);
}

bool keeps(int qtyFilter, double qty) {
    return qtyFilter == 0 || (qtyFilter == 1 && qty > kEpsilon) ||
           (qtyFilter == 2 && std::fabs(qty) <= kEpsilon);
}

void addGoodsFields(RecordSet& rs) {
    rs.addField(QStringLiteral("sp_id"), FieldType::Integer);
    rs.addField(QStringLiteral("sp_spbh"), FieldType::Text);
    rs.addField(QStringLiteral("sp_spqm"), FieldType::Text);
    rs.addField(QStringLiteral("sp_gg"), FieldType::Text);
    rs.addField(QStringLiteral("sp_xh"), FieldType::Text);
    rs.addField(QStringLiteral("sp_jbdw"), FieldType::Text);
}

const QString kGoodsColumns = QStringLiteral(
    "g.id, g.code, g.fullname, g.gg, g.xh, COALESCE((SELECT u.unit FROM baseGoodsUnit AS u "
    "WHERE u.Goodsid = g.id AND u.fzdwid = 0), '')");

}  // namespace

RecordSet limitSettings(Database& db, const ReportParams& p) {
    const LevelChoice& level = p.goods;
    Where w = goodsScope(p);
    w.add(QStringLiteral("g.del = 0"));
    if (level.list || !level.search.isEmpty())
        w.add(QStringLiteral("g.sonnum = 0"));
    else if (level.record.id <= 0)
        w.add(QStringLiteral("g.par_id = ?"), {level.parId});
    const RecordSet rows =
        db.query(QStringLiteral("SELECT g.sonnum, g.par_id, g.par_jl, g.warnUP, g.warnDown, ") +
                     kGoodsColumns + QStringLiteral(" FROM baseGoods AS g WHERE ") + w.text() +
                     QStringLiteral(" ORDER BY g.orderly, g.code, g.id"),
                 w.values);

    // Stock per goods with its path, so that a category shows the stock below it.
    Where sw;
    addWarehouse(sw, p, p.warehouse, QStringLiteral("s.stockid"));
    p.rights.add(sw, RecordKind::Goods, QStringLiteral("g.id"));
    QList<QPair<QString, double>> stock;
    Statement st = db.prepare(QStringLiteral("SELECT g.par_jl, SUM(s.qty) FROM ") + kStockRows +
                              QStringLiteral(" WHERE ") + sw.text() +
                              QStringLiteral(" GROUP BY g.id, g.par_jl"));
    st.bindAll(sw.values);
    while (st.step())
        stock.append({st.value(0).toString(), st.value(1).toDouble()});

    RecordSet rs;
    rs.addField(QStringLiteral("sonnum"), FieldType::Integer);
    rs.addField(QStringLiteral("id"), FieldType::Integer);
    rs.addField(QStringLiteral("par_id"), FieldType::Integer);
    rs.addField(QStringLiteral("par_jl"), FieldType::Text);
    addGoodsFields(rs);
    rs.addField(QStringLiteral("stockqty"), FieldType::Float);
    rs.addField(QStringLiteral("warnUp"), FieldType::Float);
    rs.addField(QStringLiteral("warnDown"), FieldType::Float);
    for (int r = 0; r < rows.rowCount(); ++r) {
        const bool category = rows.at(r, 0).toLongLong() > 0;
        const QString path = rows.at(r, 2).toString();
        double qty = 0;
        for (const auto& [goodsPath, q] : stock) {
            if (category ? goodsPath.startsWith(path) : goodsPath == path)
                qty += q;
        }
        if (!keeps(p.qtyFilter, qty))
            continue;
        RecordSet::Row row;
        row << rows.at(r, 0).toLongLong() << rows.at(r, 5).toLongLong()
            << rows.at(r, 1).toLongLong() << path;
        for (int f = 5; f < 11; ++f)
            row << (f == 5 ? QVariant(rows.at(r, f).toLongLong())
                           : QVariant(rows.at(r, f).toString()));
        row << fieldValue(FieldType::Float, qty)
            << (category ? QVariant() : fieldValue(FieldType::Float, rows.at(r, 3).toDouble()))
            << (category ? QVariant() : fieldValue(FieldType::Float, rows.at(r, 4).toDouble()));
        rs.appendRow(row);
    }
    return rs;
}

RecordSet replenishPlan(Database& db, const ReportParams& p) {
    const QString daysText = p.filter.value(QStringLiteral("days")).trimmed();
    const qint64 days =
        daysText.isEmpty() ? 30 : billvalues::id(daysText, QStringLiteral("需求量天数"));
    if (days <= 0)
        throw DytError(QStringLiteral("需求量天数录入错误，只能大于零！"));
    const QDate end = p.end.value_or(QDate::currentDate());
    const QDate begin = p.begin.value_or(end.addDays(-29));
    const double periodDays = std::max<qint64>(1, begin.daysTo(end) + 1);
    RecordChoice warehouse = p.warehouse;
    const qint64 target =
        billvalues::id(p.filter.value(QStringLiteral("bhckid")), QStringLiteral("补货仓库"));
    if (target > 0)
        warehouse = {target, true};

    const QHash<qint64, double> stock = stockOf(db, p, warehouse);
    Where sw = goodsScope(p);
    addWarehouse(sw, p, warehouse, QStringLiteral("s.stockid"));
    sw.add(QStringLiteral("s.dj_state = 2 AND s.djType IN (1, 2, 3, 40, 51) AND s.date >= ? AND "
                          "s.date <= ?"),
           {billvalues::dateText(begin), billvalues::dateText(end) + QStringLiteral(" 23:59:59")});
    p.rights.addBill(sw, QStringLiteral("a"));
    const QHash<qint64, double> sold = sums(
        db,
        QStringLiteral("SELECT g.id, -SUM(s.qty) FROM djStockDetail AS s JOIN baseGoods AS g ON "
                       "g.id = s.goodsid JOIN djIndex AS a ON a.id = s.id"),
        sw);
    Where ow = goodsScope(p);
    addWarehouse(ow, p, warehouse, lineWarehouseSql());
    ow.add(QStringLiteral("a.djType = 8 AND a.dj_state = 2 AND l.isOver = 0"));
    p.rights.addBill(ow, QStringLiteral("a"));
    const QHash<qint64, double> ordered =
        sums(db,
             QStringLiteral("SELECT g.id, SUM((l.qty - l.toQty) * l.rate) FROM djList AS l JOIN "
                            "djIndex AS a ON a.id = l.id JOIN baseGoods AS g ON g.id = l.goodsid"),
             ow);

    // The limits of the replenishment warehouse where it has its own, else the goods'.
    Where gw = goodsScope(p);
    gw.add(QStringLiteral("g.sonnum = 0 AND g.del = 0"));
    const QString limit = QStringLiteral(
        "COALESCE((SELECT x.%1 FROM baseGoodsWarn AS x WHERE x.goodsid = g.id AND x.stockid = ? "
        "AND x.%1 <> 0), g.%1)");
    QVariantList values{target, target};
    values << gw.values;
    const RecordSet goods = db.query(QStringLiteral("SELECT ") + kGoodsColumns + u',' +
                                         limit.arg(QStringLiteral("warnDown")) + u',' +
                                         limit.arg(QStringLiteral("warnUP")) +
                                         QStringLiteral(" FROM baseGoods AS g WHERE ") + gw.text() +
                                         QStringLiteral(" ORDER BY g.code, g.id"),
                                     values);

    RecordSet rs;
    addGoodsFields(rs);
    for (const char* name :
         {"stockqty", "ztQty", "warnDown", "warnUp", "xsQty", "rjxsQty", "xqQty", "Qty", "price"})
        rs.addField(QString::fromLatin1(name), FieldType::Float);
    rs.addField(QStringLiteral("total"), FieldType::Currency);
    for (int r = 0; r < goods.rowCount(); ++r) {
        const qint64 id = goods.at(r, 0).toLongLong();
        const double lower = goods.at(r, 6).toDouble();
        const double upper = goods.at(r, 7).toDouble();
        const double sales = std::max(0.0, sold.value(id));
        if (sales <= kEpsilon && lower <= 0)
            continue;
        const double daily = sales / periodDays;
        const double demand = daily * static_cast<double>(days);
        double level = std::max(demand, lower);
        if (upper > 0)
            level = std::min(level, upper);
        const double onHand = stock.value(id);
        const double onOrder = ordered.value(id);
        const double suggestion = std::max(0.0, std::ceil(level - onHand - onOrder - kEpsilon));
        if (!keeps(p.qtyFilter, suggestion))
            continue;
        const double price = billservice::purchasePrice(db, id);
        RecordSet::Row row;
        row << id;
        for (int f = 1; f < 6; ++f)
            row << goods.at(r, f).toString();
        for (double v : {onHand, onOrder, lower, upper, sales, daily, demand, suggestion, price})
            row << fieldValue(FieldType::Float, v);
        row << fieldValue(FieldType::Currency, suggestion * price);
        rs.appendRow(row);
    }
    return rs;
}

namespace {

// P_JXC_DJ_WarnToDraft: the lower-limit alert (the lines of its query: ckStr, GoodsStr, …) becomes
// a purchase draft of the missing quantities, rounded up to whole base units, at the purchase
// price each goods starts with. Goods ("id,id,…") restricts it to the goods chosen (empty: every
// goods of the alert); IntoStock_id is the draft's warehouse (empty: the warehouse of the alert
// when it is one without sub-warehouses), wldw_id its supplier, date its date (empty: today).
// Result and output line id: the draft; output line code: its number.
int warnToDraft(CallContext& c) {
    Database& db = c.db;
    billservice::requireRight(db, c.userId, QStringLiteral("300510"));
    billservice::requireBillRight(db, c.userId, 5, false);
    ParamList lines = c.params;
    lines.setValue(QStringLiteral("QueryType"), QStringLiteral("KCXXBJ"));
    const ReportParams p = ReportParams::parse(db, lines, c.userId);

    QSet<qint64> chosen;
    for (const QString& item :
         c.params.value(QStringLiteral("Goods")).split(u',', Qt::SkipEmptyParts)) {
        const qint64 goods = billvalues::id(item, QStringLiteral("商品"));
        const QVariant sons = db.scalar(
            QStringLiteral("SELECT sonnum FROM baseGoods WHERE id = ? AND del = 0"), {goods});
        if (!sons.isValid() || sons.toLongLong() > 0)
            throw DytError(QStringLiteral("商品[%1]不存在").arg(goods));
        chosen.insert(goods);
    }
    qint64 warehouse =
        billvalues::id(c.params.value(QStringLiteral("IntoStock_id")), QStringLiteral("仓库"));
    const QString leaf =
        QStringLiteral("SELECT id FROM baseCK WHERE id = ? AND sonnum = 0 AND del = 0");
    if (warehouse > 0 && !db.scalar(leaf, {warehouse}).isValid())
        throw DytError(QStringLiteral("仓库[%1]不存在").arg(warehouse));
    if (warehouse == 0 && p.warehouse.id > 0 && db.scalar(leaf, {p.warehouse.id}).isValid())
        warehouse = p.warehouse.id;
    const qint64 partner =
        billvalues::id(c.params.value(QStringLiteral("wldw_id")), QStringLiteral("往来单位"));
    const QString dateText = c.params.value(QStringLiteral("date")).trimmed();
    const QDate date = dateText.isEmpty() ? QDate::currentDate()
                                          : billvalues::date(dateText, QStringLiteral("录单日期"));

    const StockReport* alert =
        findStockReport(QStringLiteral("P_JXC_Get_KC"), QStringLiteral("KCXXBJ"));
    const RecordSet rows = runStockReport(db, p, *alert);
    const int fGoods = rows.fieldIndex(QStringLiteral("sp_id"));
    const int fMissing = rows.fieldIndex(QStringLiteral("cyQty"));
    RecordSet packet = billservice::goodsLinePacket();
    for (int r = 0; r < rows.rowCount(); ++r) {
        const qint64 goods = rows.at(r, fGoods).toLongLong();
        const double qty = std::ceil(rows.at(r, fMissing).toDouble() - kEpsilon);
        if ((!chosen.isEmpty() && !chosen.contains(goods)) || qty <= 0)
            continue;
        billservice::appendGoodsLine(db, packet, goods, qty,
                                     billservice::purchasePrice(db, goods, partner), warehouse);
    }
    if (packet.rowCount() == 0)
        throw DytError(QStringLiteral("没有需要补货的商品，不能生成进货单！"));

    ParamList header;
    header.setValue(QStringLiteral("djType"), QStringLiteral("5"));
    header.setValue(QStringLiteral("date"), billvalues::dateText(date));
    const QString code = billservice::newCode(db, 5, date);
    header.setValue(QStringLiteral("code"), code);
    header.setValue(QStringLiteral("wldw_id"), QString::number(partner));
    header.setValue(QStringLiteral("IntoStock_id"), QString::number(warehouse));
    header.setValue(QStringLiteral("comment"), QStringLiteral("由库存下限报警生成"));
    header.setValue(QStringLiteral("OldBillid"), QStringLiteral("0"));
    const int id = billservice::save(c, header, std::move(packet), false);
    c.params.setInt(QStringLiteral("id"), id);
    c.params.setValue(QStringLiteral("code"), code);
    return id;
}

}  // namespace

void registerStockFollowUps(Registry& procedures) {
    procedures.add(QStringLiteral("P_JXC_DJ_WarnToDraft"), warnToDraft);
}

}  // namespace dyt::server::reports
