// Stock reports from the stock ledger: goods and warehouse ledgers with running balances,
// balances at a date, the movement table (opening, in, out, closing), batches in stock, virtual
// stock and the stock limit alerts.
//
// The stock at a date is the opening stock (iniGoodsStock) plus every movement (djStockDetail:
// quantity in base units and value at cost, signed) up to that date.
#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/reports/reports_internal.h"
#include "server/reports/reports_stock.h"

namespace dyt::server::reports {

namespace {

// Movements and opening rows of the stock ledger, as one row source "s" with the columns goodsid,
// stockid, date ('' for the opening), qty and total.
const QString kStockSource = QStringLiteral(
    "(SELECT goodsid, stockid, '' AS date, qty, total FROM iniGoodsStock UNION ALL "
    "SELECT goodsid, stockid, date, qty, total FROM djStockDetail WHERE dj_state = 2) AS s "
    "JOIN baseGoods AS g ON g.id = s.goodsid");

// The warehouse, goods choice and record rights over the row source.
Where stockScope(const ReportParams& p) {
    Where w;
    if (p.warehouse.id > 0) {
        QVariantList v;
        const QString in = inRecords(p.warehouse, QStringLiteral("baseCK"), &v);
        w.add(QStringLiteral("s.stockid ") + in, v);
    }
    addGoodsChoice(w, p);
    p.rights.add(w, RecordKind::Goods, QStringLiteral("s.goodsid"));
    p.rights.add(w, RecordKind::Warehouse, QStringLiteral("s.stockid"));
    return w;
}

void derivePrice(Figures& f) {
    f[1] = f[0] != 0 ? f[2] / f[0] : 0.0;
}

RecordSet balance(Database& db, const ReportParams& p) {
    Where w = stockScope(p);
    if (p.end)
        w.add(QStringLiteral("s.date <= ?"), {p.endText()});
    addLevelScope(w, db, goodsDimension(), p.goods, QStringLiteral("g"));
    Statement st = db.prepare(QStringLiteral("SELECT s.goodsid, SUM(s.qty), SUM(s.total) FROM ") +
                              kStockSource + QStringLiteral(" WHERE ") + w.text() +
                              QStringLiteral(" GROUP BY s.goodsid"));
    st.bindAll(w.values);
    RecordFigures figures;
    while (st.step())
        figures.add(st.value(0).toLongLong(),
                    {st.value(1).toDouble(), 0.0, st.value(2).toDouble()});
    return rollUp(db, goodsDimension(), p.goods, figures,
                  {{QStringLiteral("Qty"), FieldType::Float},
                   {QStringLiteral("price"), FieldType::Float},
                   {QStringLiteral("total"), FieldType::Currency}},
                  p.qtyFilter, 0, derivePrice);
}

RecordSet movement(Database& db, const ReportParams& p) {
    Where w = stockScope(p);
    if (p.end)
        w.add(QStringLiteral("s.date <= ?"), {p.endText()});
    addLevelScope(w, db, goodsDimension(), p.goods, QStringLiteral("g"));
    // Before the range: opening; within: in (quantity above 0, or a value change above 0 without
    // quantity) and out.
    const QString before = QStringLiteral("s.date < ?");
    const QString inRange = QStringLiteral("s.date >= ?");
    const QString sql =
        QStringLiteral(
            "SELECT s.goodsid, "
            "SUM(CASE WHEN %1 THEN s.qty ELSE 0 END), SUM(CASE WHEN %1 THEN s.total ELSE 0 END), "
            "SUM(CASE WHEN %2 AND (s.qty > 0 OR (s.qty = 0 AND s.total > 0)) THEN s.qty ELSE 0 "
            "END), "
            "SUM(CASE WHEN %2 AND (s.qty > 0 OR (s.qty = 0 AND s.total > 0)) THEN s.total ELSE 0 "
            "END), "
            "SUM(CASE WHEN %2 AND (s.qty < 0 OR (s.qty = 0 AND s.total < 0)) THEN -s.qty ELSE 0 "
            "END), "
            "SUM(CASE WHEN %2 AND (s.qty < 0 OR (s.qty = 0 AND s.total < 0)) THEN -s.total ELSE "
            "0 END) FROM ")
            .arg(before, inRange) +
        kStockSource + QStringLiteral(" WHERE ") + w.text() + QStringLiteral(" GROUP BY s.goodsid");
    const QString begin = p.begin ? p.beginText() : QString();
    QVariantList values;
    values << begin << begin << begin << begin << begin << begin;
    values << w.values;
    Statement st = db.prepare(sql);
    st.bindAll(values);
    RecordFigures figures;
    while (st.step()) {
        Figures f;
        for (int i = 1; i <= 6; ++i)
            f.push_back(st.value(i).toDouble());
        f.push_back(f[0] + f[2] - f[4]);
        f.push_back(f[1] + f[3] - f[5]);
        figures.add(st.value(0).toLongLong(), f);
    }
    return rollUp(db, goodsDimension(), p.goods, figures,
                  {{QStringLiteral("qcQty"), FieldType::Float},
                   {QStringLiteral("qcTotal"), FieldType::Currency},
                   {QStringLiteral("rkQty"), FieldType::Float},
                   {QStringLiteral("rkTotal"), FieldType::Currency},
                   {QStringLiteral("ckQty"), FieldType::Float},
                   {QStringLiteral("ckTotal"), FieldType::Currency},
                   {QStringLiteral("jcQty"), FieldType::Float},
                   {QStringLiteral("jcTotal"), FieldType::Currency}},
                  p.qtyFilter, 6);
}

// The movements of the goods (and warehouse) chosen, oldest first, after an opening row; the
// running balance follows each row.
RecordSet ledger(Database& db, const ReportParams& p) {
    Where opening = stockScope(p);
    if (p.begin)
        opening.add(QStringLiteral("s.date < ?"), {p.beginText()});
    else
        opening.add(QStringLiteral("s.date = ''"));
    Statement o = db.prepare(QStringLiteral("SELECT SUM(s.qty), SUM(s.total) FROM ") +
                             kStockSource + QStringLiteral(" WHERE ") + opening.text());
    o.bindAll(opening.values);
    double qty = 0, total = 0;
    if (o.step()) {
        qty = o.value(0).toDouble();
        total = o.value(1).toDouble();
    }

    Where w;
    w.add(QStringLiteral("d.dj_state = 2"));
    if (p.warehouse.id > 0) {
        QVariantList v;
        const QString in = inRecords(p.warehouse, QStringLiteral("baseCK"), &v);
        w.add(QStringLiteral("d.stockid ") + in, v);
    }
    addGoodsChoice(w, p);
    if (!p.kinds.isEmpty()) {
        QStringList marks;
        QVariantList v;
        for (int k : p.kinds) {
            marks << QStringLiteral("?");
            v << k;
        }
        w.add(QStringLiteral("d.djType IN (%1)").arg(marks.join(QStringLiteral(", "))), v);
    }
    if (p.begin)
        w.add(QStringLiteral("d.date >= ?"), {p.beginText()});
    if (p.end)
        w.add(QStringLiteral("d.date <= ?"), {p.endText()});
    addRedFilter(w, p.redFilter, QStringLiteral("a"));
    // The rows are the bills' movements: a bill the operator may not see shows none, and the
    // running balance goes on over the rows shown.
    p.rights.add(w, RecordKind::Goods, QStringLiteral("d.goodsid"));
    p.rights.add(w, RecordKind::Warehouse, QStringLiteral("d.stockid"));
    p.rights.addBill(w, QStringLiteral("a"));
    Statement st = db.prepare(
        QStringLiteral(
            "SELECT a.id, a.djType, COALESCE((SELECT k.fullname FROM sysDjb AS k WHERE k.id = "
            "a.djType), '') AS djName, d.date, a.code, COALESCE(w.fullname, '') AS dw_dwqm, "
            "d.stockid, COALESCE(c.fullname, '') AS ck_ckqm, g.id, g.code, g.fullname, d.qty, "
            "d.total FROM djStockDetail AS d JOIN djIndex AS a ON a.id = d.id JOIN baseGoods AS "
            "g ON g.id = d.goodsid LEFT JOIN baseWLDW AS w ON w.id = a.wldw_id LEFT JOIN baseCK "
            "AS c ON c.id = d.stockid WHERE ") +
        w.text() + QStringLiteral(" ORDER BY d.date, d.id, d.orderid"));
    st.bindAll(w.values);

    RecordSet rs;
    const QList<Measure> fields = {
        {QStringLiteral("id"), FieldType::Integer},
        {QStringLiteral("djType"), FieldType::Integer},
        {QStringLiteral("djName"), FieldType::Text},
        {QStringLiteral("djDate"), FieldType::Text},
        {QStringLiteral("djNo"), FieldType::Text},
        {QStringLiteral("dw_dwqm"), FieldType::Text},
        {QStringLiteral("ck_id"), FieldType::Integer},
        {QStringLiteral("ck_ckqm"), FieldType::Text},
        {QStringLiteral("sp_id"), FieldType::Integer},
        {QStringLiteral("sp_spbh"), FieldType::Text},
        {QStringLiteral("sp_spqm"), FieldType::Text},
        {QStringLiteral("inQty"), FieldType::Float},
        {QStringLiteral("inTotal"), FieldType::Currency},
        {QStringLiteral("outQty"), FieldType::Float},
        {QStringLiteral("outTotal"), FieldType::Currency},
        {QStringLiteral("Qty"), FieldType::Float},
        {QStringLiteral("total"), FieldType::Currency},
        {QStringLiteral("jcQty"), FieldType::Float},
        {QStringLiteral("jcTotal"), FieldType::Currency},
    };
    rs = emptyResult(fields);
    RecordSet::Row first;
    first << qint64(0) << qint64(0) << QStringLiteral("期初") << p.beginText() << QString()
          << QString() << qint64(0) << QString() << qint64(0) << QString() << QString() << 0.0
          << fieldValue(FieldType::Currency, 0) << 0.0 << fieldValue(FieldType::Currency, 0)
          << fieldValue(FieldType::Float, qty) << fieldValue(FieldType::Currency, total)
          << fieldValue(FieldType::Float, qty) << fieldValue(FieldType::Currency, total);
    rs.appendRow(first);
    while (st.step()) {
        const double q = st.value(11).toDouble();
        const double t = st.value(12).toDouble();
        qty += q;
        total += t;
        const bool in = q > 0 || (q == 0 && t > 0);
        RecordSet::Row row;
        for (int i = 0; i < 11; ++i) {
            const QVariant v = st.value(i);
            row << (fields[i].type == FieldType::Integer ? QVariant(v.toLongLong())
                                                         : QVariant(v.toString()));
        }
        row << fieldValue(FieldType::Float, in ? q : 0.0)
            << fieldValue(FieldType::Currency, in ? t : 0.0)
            << fieldValue(FieldType::Float, in ? 0.0 : -q)
            << fieldValue(FieldType::Currency, in ? 0.0 : -t) << fieldValue(FieldType::Float, q)
            << fieldValue(FieldType::Currency, t) << fieldValue(FieldType::Float, qty)
            << fieldValue(FieldType::Currency, total);
        rs.appendRow(row);
    }
    return rs;
}

RecordSet batches(Database& db, const ReportParams& p) {
    Where w;
    w.add(QStringLiteral("b.qty <> 0"));
    if (p.warehouse.id > 0) {
        QVariantList v;
        const QString in = inRecords(p.warehouse, QStringLiteral("baseCK"), &v);
        w.add(QStringLiteral("b.stockid ") + in, v);
    }
    addGoodsChoice(w, p);
    p.rights.add(w, RecordKind::Goods, QStringLiteral("b.goodsid"));
    p.rights.add(w, RecordKind::Warehouse, QStringLiteral("b.stockid"));
    return db.query(
        QStringLiteral("SELECT b.id AS goodspc, g.id AS sp_id, g.code AS sp_spbh, g.fullname AS "
                       "sp_spqm, b.stockid AS ck_id, COALESCE(c.fullname, '') AS ck_ckqm, b.ph, "
                       "b.outdate, b.yxqdate, b.indate, b.qty AS Qty, b.price, b.total FROM "
                       "baseGoodsStock AS b JOIN baseGoods AS g ON g.id = b.goodsid LEFT JOIN "
                       "baseCK AS c ON c.id = b.stockid WHERE ") +
            w.text() + QStringLiteral(" ORDER BY g.code, g.id, b.indate, b.id"),
        w.values);
}

// Stock now, with the open order quantities: virtual = stock + open purchase orders − open sales
// orders.
RecordSet virtualStock(Database& db, const ReportParams& p) {
    Where w = stockScope(p);
    addLevelScope(w, db, goodsDimension(), p.goods, QStringLiteral("g"));
    RecordFigures figures;
    Statement st =
        db.prepare(QStringLiteral("SELECT s.goodsid, SUM(s.qty) FROM ") + kStockSource +
                   QStringLiteral(" WHERE ") + w.text() + QStringLiteral(" GROUP BY s.goodsid"));
    st.bindAll(w.values);
    while (st.step())
        figures.add(st.value(0).toLongLong(), {st.value(1).toDouble(), 0.0, 0.0, 0.0});

    ReportParams orders = p;
    orders.begin.reset();
    orders.end.reset();
    orders.redFilter = 0;
    Where o = lineScope(orders, {4, 8});
    o.add(QStringLiteral("l.isOver = 0"));
    addLevelScope(o, db, goodsDimension(), p.goods, QStringLiteral("g"));
    Statement os = db.prepare(
        QStringLiteral("SELECT l.goodsid, SUM(CASE WHEN a.djType = 8 THEN (l.qty - l.toQty) * "
                       "l.rate ELSE 0 END), SUM(CASE WHEN a.djType = 4 THEN (l.qty - l.toQty) * "
                       "l.rate ELSE 0 END) FROM djList AS l JOIN djIndex AS a ON a.id = l.id "
                       "JOIN baseGoods AS g ON g.id = l.goodsid WHERE ") +
        o.text() + QStringLiteral(" GROUP BY l.goodsid"));
    os.bindAll(o.values);
    while (os.step())
        figures.add(os.value(0).toLongLong(),
                    {0.0, os.value(1).toDouble(), os.value(2).toDouble(), 0.0});
    return rollUp(db, goodsDimension(), p.goods, figures,
                  {{QStringLiteral("Qty"), FieldType::Float},
                   {QStringLiteral("jhddQty"), FieldType::Float},
                   {QStringLiteral("xsddQty"), FieldType::Float},
                   {QStringLiteral("xnQty"), FieldType::Float}},
                  p.qtyFilter, 3, [](Figures& f) { f[3] = f[0] + f[1] - f[2]; });
}

// Goods whose stock lies above the upper (below the lower) limit: the limit of the warehouse
// chosen (baseGoodsWarn), else the goods' own; a limit of 0 is no limit. The filter ";bjfs=0"
// (the alerts over all warehouses) sets the warehouse of ckStr aside, ";bjfs=1" keeps it.
RecordSet alert(Database& db, const ReportParams& p, bool upper) {
    RecordChoice store = p.warehouse;
    const QString mode = p.filter.value(QStringLiteral("bjfs")).trimmed();
    if (mode == u"0")
        store = {};
    else if (!mode.isEmpty() && mode != u"1")
        throw DytError(QStringLiteral("查询条件[bjfs]只能是0到1：%1").arg(mode));
    // A single warehouse (no category) has limits of its own even when chosen with its subs.
    const bool single =
        store.id > 0 &&
        (!store.withSubs ||
         db.scalar(QStringLiteral("SELECT sonnum FROM baseCK WHERE id = ?"), {store.id}).toInt() ==
             0);
    // Goods without any stock row count with stock 0 (the rows of warehouse 0 below).
    Where w;
    if (store.id > 0) {
        QVariantList v;
        const QString in = inRecords(store, QStringLiteral("baseCK"), &v);
        w.add(QStringLiteral("(s.stockid = 0 OR s.stockid ") + in + u')', v);
    }
    addGoodsChoice(w, p);
    p.rights.add(w, RecordKind::Goods, QStringLiteral("s.goodsid"));
    p.rights.add(w, RecordKind::Warehouse, QStringLiteral("s.stockid"));
    const QString limit = upper ? QStringLiteral("warnUp") : QStringLiteral("warnDown");
    QVariantList values;
    QString limitSql = QStringLiteral("g.") + limit;
    if (single) {
        limitSql = QStringLiteral(
                       "COALESCE((SELECT x.%1 FROM baseGoodsWarn AS x WHERE x.goodsid "
                       "= g.id AND x.stockid = ? AND x.%1 <> 0), g.%1)")
                       .arg(limit);
        values << store.id;
    }
    values << w.values;
    const QString compare = upper ? QStringLiteral("Qty > lim") : QStringLiteral("Qty < lim");
    // The limit is compared outside the grouping: a column's name is not known in HAVING on
    // PostgreSQL.
    const QString sql =
        QStringLiteral(
            "SELECT * FROM (SELECT g.id AS sp_id, g.code AS sp_spbh, g.fullname AS sp_spqm, "
            "g.gg AS sp_gg, %1 AS lim, SUM(s.qty) AS Qty FROM ")
            .arg(limitSql) +
        QStringLiteral(
            "(SELECT goodsid, stockid, '' AS date, qty, total FROM iniGoodsStock UNION "
            "ALL SELECT goodsid, stockid, date, qty, total FROM djStockDetail WHERE "
            "dj_state = 2 UNION ALL SELECT id, 0, '', 0, 0 FROM baseGoods WHERE "
            "sonnum = 0) AS s JOIN baseGoods AS g ON g.id = s.goodsid WHERE g.del = 0 "
            "AND ") +
        w.text() + QStringLiteral(" GROUP BY g.id, g.code, g.fullname, g.gg) AS t WHERE lim <> 0 AND ") +
        compare + QStringLiteral(" ORDER BY sp_spbh, sp_id");
    const RecordSet raw = db.query(sql, values);
    // The alerts window (it sends bjfs) reads the stock as KCQty and the difference as qty; the
    // stock-limit query windows read Qty and cyQty.
    const bool alerts = !mode.isEmpty();
    RecordSet rs;
    rs.addField(QStringLiteral("sp_id"), FieldType::Integer);
    rs.addField(QStringLiteral("sp_spbh"), FieldType::Text);
    rs.addField(QStringLiteral("sp_spqm"), FieldType::Text);
    rs.addField(QStringLiteral("sp_gg"), FieldType::Text);
    rs.addField(alerts ? QStringLiteral("KCQty") : QStringLiteral("Qty"), FieldType::Float);
    rs.addField(upper ? QStringLiteral("warnUp") : QStringLiteral("warnDown"), FieldType::Float);
    rs.addField(alerts ? QStringLiteral("qty") : QStringLiteral("cyQty"), FieldType::Float);
    for (int i = 0; i < raw.rowCount(); ++i) {
        const double q = raw.at(i, 5).toDouble();
        const double lim = raw.at(i, 4).toDouble();
        RecordSet::Row row;
        row << raw.at(i, 0).toLongLong() << raw.at(i, 1).toString() << raw.at(i, 2).toString()
            << raw.at(i, 3).toString() << fieldValue(FieldType::Float, q)
            << fieldValue(FieldType::Float, lim)
            << fieldValue(FieldType::Float, upper ? q - lim : lim - q);
        rs.appendRow(row);
    }
    return rs;
}

}  // namespace

const QList<StockReport>& stockReports() {
    static const QList<StockReport> table = [] {
        const QString kc = QStringLiteral("P_JXC_Get_KC");
        QList<StockReport> t;
        auto add = [&](const char* type, StockShape shape) {
            t << StockReport{kc, QString::fromLatin1(type), shape};
        };
        add("SPMX", StockShape::Ledger);
        add("FDWKCSLMX", StockShape::Ledger);
        add("KCMXZB", StockShape::Ledger);
        add("CKLSZ", StockShape::Ledger);
        add("CKMXB", StockShape::Ledger);
        add("CKKCYEB", StockShape::Balance);
        add("QNJXCBDB", StockShape::Movement);
        add("KCPCLB", StockShape::Batches);
        add("XNKCCX", StockShape::Virtual);
        add("KCSXBJ", StockShape::UpperAlert);
        add("KCXXBJ", StockShape::LowerAlert);
        add("KCSXXBJSZ", StockShape::Limits);
        add("KCZKFB", StockShape::Distribution);
        add("CKFBB", StockShape::WarehouseSpread);
        add("CKZMCYB", StockShape::CountDifference);
        add("QTCRKMXB", StockShape::OtherLines);
        add("QTCRKCYB", StockShape::OtherDifference);
        add("SPBZQCX", StockShape::ShelfLife);
        add("SPPCGZ", StockShape::BatchTrail);
        t << StockReport{QStringLiteral("P_JXC_Get_JH"), QStringLiteral("ZNBHJH"),
                         StockShape::Replenish};
        return t;
    }();
    return table;
}

const StockReport* findStockReport(const QString& procedure, const QString& queryType) {
    for (const StockReport& r : stockReports()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

RecordSet runStockReport(Database& db, const ReportParams& p, const StockReport& r) {
    switch (r.shape) {
        case StockShape::Ledger:
            return ledger(db, p);
        case StockShape::Balance:
            return balance(db, p);
        case StockShape::Movement:
            return movement(db, p);
        case StockShape::Batches:
            return batches(db, p);
        case StockShape::Virtual:
            return virtualStock(db, p);
        case StockShape::UpperAlert:
            return alert(db, p, true);
        case StockShape::LowerAlert:
            return alert(db, p, false);
        case StockShape::Limits:
            return limitSettings(db, p);
        case StockShape::Replenish:
            return replenishPlan(db, p);
        default:
            return runMoreStockReport(db, p, r.shape);
    }
    return {};
}

}  // namespace dyt::server::reports
