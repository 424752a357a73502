// The consignment reports. What a partner holds at a date is its opening quantity and values
// (iniGoodsStockOther) plus every change the bills made up to that date (djStockOtherDetail:
// quantity in base units, value at the partner's prices `total`, value at cost `costtotal`).
//
//   balances by goods (WTKCCX, STKCCX), by partner (WTKHCX, STGYSCX) and by partner for the
//   chosen goods (WTKHSPCX, STGYSSPCX) at EndDate: Qty, price, total, costprice, costtotal;
//   ledgers (WTKHSPMX, WTFHKCMX, WTCXMXZB, WTSPMX; STSHCKMXZB, STGYSSPMX): an opening row at
//   BeginDate, then each change of the range oldest first with the running balance;
//   settlements by goods (WTJSCX of 委托结算单, STJSCX of 受托结算单) in the range: Qty, price,
//   total (the settled amount with tax), costtotal (the consigned or held value taken) and ml.
#include "server/reports/reports_dx.h"

#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/reports/reports_internal.h"

namespace dyt::server::reports {

namespace {

constexpr int kConsigned = 3, kHeld = 4;

const QString kOtherSource = QStringLiteral(
    "(SELECT goodsid, wldw_id, typeid, '' AS date, qty, total, costtotal FROM "
    "iniGoodsStockOther UNION ALL SELECT goodsid, wldw_id, typeid, date, qty, total, costtotal "
    "FROM djStockOtherDetail WHERE dj_state = 2) AS s JOIN baseGoods AS g ON g.id = s.goodsid "
    "JOIN baseWLDW AS w ON w.id = s.wldw_id");

// The kind, the partner and goods choices and the record rights over the row source.
Where otherScope(const ReportParams& p, int typeId) {
    Where w;
    w.add(QStringLiteral("s.typeid = ?"), {typeId});
    if (p.partner.id > 0) {
        QVariantList v;
        const QString in = inRecords(p.partner, QStringLiteral("baseWLDW"), &v);
        w.add(QStringLiteral("s.wldw_id ") + in, v);
    }
    addGoodsChoice(w, p);
    p.rights.add(w, RecordKind::Goods, QStringLiteral("s.goodsid"));
    p.rights.add(w, RecordKind::Partner, QStringLiteral("s.wldw_id"));
    return w;
}

const QList<Measure>& balanceMeasures() {
    static const QList<Measure> m = {{QStringLiteral("Qty"), FieldType::Float},
                                     {QStringLiteral("price"), FieldType::Float},
                                     {QStringLiteral("total"), FieldType::Currency},
                                     {QStringLiteral("costprice"), FieldType::Float},
                                     {QStringLiteral("costtotal"), FieldType::Currency}};
    return m;
}

void deriveBalancePrices(Figures& f) {
    f[1] = f[0] != 0 ? f[2] / f[0] : 0.0;
    f[3] = f[0] != 0 ? f[4] / f[0] : 0.0;
}

enum class By { Goods, Partner };

RecordSet balance(Database& db, const ReportParams& p, int typeId, By by) {
    Where w = otherScope(p, typeId);
    if (p.end)
        w.add(QStringLiteral("s.date <= ?"), {p.endText()});
    const Dimension& dim = by == By::Goods ? goodsDimension() : partnerDimension();
    const LevelChoice& level = by == By::Goods ? p.goods : p.levelOf(dim.conditionLine);
    if (by == By::Partner)
        addDimensionChoice(w, level, dim.table, QStringLiteral("w"));
    addLevelScope(w, db, dim, level, by == By::Goods ? QStringLiteral("g") : QStringLiteral("w"));
    const QString key = by == By::Goods ? QStringLiteral("s.goodsid") : QStringLiteral("s.wldw_id");
    Statement st = db.prepare(QStringLiteral("SELECT %1, SUM(s.qty), SUM(s.total), "
                                             "SUM(s.costtotal) FROM %2 WHERE %3 GROUP BY %1")
                                  .arg(key, kOtherSource, w.text()));
    st.bindAll(w.values);
    RecordFigures figures;
    while (st.step()) {
        figures.add(st.value(0).toLongLong(), {st.value(1).toDouble(), 0.0, st.value(2).toDouble(),
                                               0.0, st.value(3).toDouble()});
    }
    return rollUp(db, dim, level, figures, balanceMeasures(), p.qtyFilter, 0, deriveBalancePrices);
}

// The changes of the range after an opening row, with the running balance.
RecordSet ledger(Database& db, const ReportParams& p, int typeId) {
    Where opening = otherScope(p, typeId);
    if (p.begin)
        opening.add(QStringLiteral("s.date < ?"), {p.beginText()});
    else
        opening.add(QStringLiteral("s.date = ''"));
    double qty = 0, total = 0, cost = 0;
    {
        Statement o = db.prepare(QStringLiteral("SELECT SUM(s.qty), SUM(s.total), "
                                                "SUM(s.costtotal) FROM %1 WHERE %2")
                                     .arg(kOtherSource, opening.text()));
        o.bindAll(opening.values);
        if (o.step()) {
            qty = o.value(0).toDouble();
            total = o.value(1).toDouble();
            cost = o.value(2).toDouble();
        }
    }
    Where w;
    w.add(QStringLiteral("d.dj_state = 2 AND d.typeid = ?"), {typeId});
    if (p.partner.id > 0) {
        QVariantList v;
        const QString in = inRecords(p.partner, QStringLiteral("baseWLDW"), &v);
        w.add(QStringLiteral("d.wldw_id ") + in, v);
    }
    if (p.warehouse.id > 0) {
        QVariantList v;
        const QString in = inRecords(p.warehouse, QStringLiteral("baseCK"), &v);
        w.add(QStringLiteral("COALESCE(c.id, 0) ") + in, v);
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
    p.rights.add(w, RecordKind::Goods, QStringLiteral("d.goodsid"));
    p.rights.add(w, RecordKind::Partner, QStringLiteral("d.wldw_id"));
    p.rights.addBill(w, QStringLiteral("a"));
    Statement st = db.prepare(
        QStringLiteral(
            "SELECT a.id, a.djType, COALESCE((SELECT k.fullname FROM sysDjb AS k WHERE k.id = "
            "a.djType), '') AS djName, d.date, a.code, COALESCE(w.fullname, '') AS dw_dwqm, "
            "COALESCE(c.fullname, '') AS ck_ckqm, g.id, g.code, g.fullname, "
            "COALESCE(a.summery, '') AS comment, COALESCE(l.price, 0), d.qty, d.total, "
            "d.costtotal FROM djStockOtherDetail AS d JOIN djIndex AS a ON a.id = d.id JOIN "
            "baseGoods AS g ON g.id = d.goodsid LEFT JOIN baseWLDW AS w ON w.id = d.wldw_id LEFT "
            "JOIN djList AS l ON l.orderid = d.listid LEFT JOIN baseCK AS c ON c.id = (CASE WHEN "
            "l.IntoStock_id > 0 THEN l.IntoStock_id ELSE a.IntoStock_id END) WHERE ") +
        w.text() + QStringLiteral(" ORDER BY d.date, d.id, d.orderid"));
    st.bindAll(w.values);
    const QList<Measure> fields = {
        {QStringLiteral("id"), FieldType::Integer},
        {QStringLiteral("djType"), FieldType::Integer},
        {QStringLiteral("djName"), FieldType::Text},
        {QStringLiteral("djDate"), FieldType::Text},
        {QStringLiteral("djNo"), FieldType::Text},
        {QStringLiteral("dw_dwqm"), FieldType::Text},
        {QStringLiteral("ck_ckqm"), FieldType::Text},
        {QStringLiteral("sp_id"), FieldType::Integer},
        {QStringLiteral("sp_spbh"), FieldType::Text},
        {QStringLiteral("sp_spqm"), FieldType::Text},
        {QStringLiteral("comment"), FieldType::Text},
        {QStringLiteral("price"), FieldType::Float},
        {QStringLiteral("Qty"), FieldType::Float},
        {QStringLiteral("total"), FieldType::Currency},
        {QStringLiteral("costtotal"), FieldType::Currency},
        {QStringLiteral("jcQty"), FieldType::Float},
        {QStringLiteral("jcTotal"), FieldType::Currency},
        {QStringLiteral("jcCostTotal"), FieldType::Currency},
    };
    RecordSet rs = emptyResult(fields);
    RecordSet::Row first;
    first << qint64(0) << qint64(0) << QStringLiteral("期初") << p.beginText() << QString()
          << QString() << QString() << qint64(0) << QString() << QString() << QString()
          << fieldValue(FieldType::Float, 0) << fieldValue(FieldType::Float, 0)
          << fieldValue(FieldType::Currency, 0) << fieldValue(FieldType::Currency, 0)
          << fieldValue(FieldType::Float, qty) << fieldValue(FieldType::Currency, total)
          << fieldValue(FieldType::Currency, cost);
    rs.appendRow(first);
    while (st.step()) {
        const double q = st.value(12).toDouble(), t = st.value(13).toDouble(),
                     c = st.value(14).toDouble();
        qty += q;
        total += t;
        cost += c;
        RecordSet::Row row;
        for (int i = 0; i < 11; ++i) {
            const QVariant v = st.value(i);
            row << (fields[i].type == FieldType::Integer ? QVariant(v.toLongLong())
                                                         : QVariant(v.toString()));
        }
        row << fieldValue(FieldType::Float, st.value(11).toDouble())
            << fieldValue(FieldType::Float, q) << fieldValue(FieldType::Currency, t)
            << fieldValue(FieldType::Currency, c) << fieldValue(FieldType::Float, qty)
            << fieldValue(FieldType::Currency, total) << fieldValue(FieldType::Currency, cost);
        rs.appendRow(row);
    }
    return rs;
}

// The settlements of the range by goods.
RecordSet settlements(Database& db, const ReportParams& p, int kind) {
    Where w = lineScope(p, {kind});
    addLevelScope(w, db, goodsDimension(), p.goods, QStringLiteral("g"));
    Statement st = db.prepare(
        QStringLiteral("SELECT l.goodsid, SUM(l.qty * (CASE WHEN l.rate > 0 THEN l.rate ELSE 1 "
                       "END)), SUM(CASE WHEN l.taxTotalSum <> 0 THEN l.taxTotalSum WHEN "
                       "l.discounttotal <> 0 THEN l.discounttotal ELSE l.total END), "
                       "SUM(CASE WHEN l.taxTotalSum <> 0 THEN l.taxtotal ELSE 0 END), "
                       "SUM(l.costtotal) FROM djList AS l JOIN djIndex AS a ON a.id = l.id JOIN "
                       "baseGoods AS g ON g.id = l.goodsid WHERE ") +
        w.text() + QStringLiteral(" GROUP BY l.goodsid"));
    st.bindAll(w.values);
    RecordFigures figures;
    while (st.step()) {
        const double amount = st.value(2).toDouble(), tax = st.value(3).toDouble(),
                     cost = st.value(4).toDouble();
        figures.add(st.value(0).toLongLong(),
                    {st.value(1).toDouble(), 0.0, amount, tax, cost, amount - tax - cost});
    }
    return rollUp(db, goodsDimension(), p.goods, figures,
                  {{QStringLiteral("Qty"), FieldType::Float},
                   {QStringLiteral("price"), FieldType::Float},
                   {QStringLiteral("total"), FieldType::Currency},
                   {QStringLiteral("Taxtotal"), FieldType::Currency},
                   {QStringLiteral("costtotal"), FieldType::Currency},
                   {QStringLiteral("ml"), FieldType::Currency}},
                  p.qtyFilter, 0, [](Figures& f) { f[1] = f[0] != 0 ? f[2] / f[0] : 0.0; });
}

template <int TypeId, By B>
RecordSet balanceOf(Database& db, const ReportParams& p) {
    return balance(db, p, TypeId, B);
}

template <int TypeId>
RecordSet ledgerOf(Database& db, const ReportParams& p) {
    return ledger(db, p, TypeId);
}

template <int Kind>
RecordSet settlementsOf(Database& db, const ReportParams& p) {
    return settlements(db, p, Kind);
}

}  // namespace

const QList<DirectReport>& consignReports() {
    static const QList<DirectReport> list = [] {
        const QString proc = QStringLiteral("P_JXC_Get_DX");
        return QList<DirectReport>{
            {proc, QStringLiteral("WTKCCX"), balanceOf<kConsigned, By::Goods>},
            {proc, QStringLiteral("STKCCX"), balanceOf<kHeld, By::Goods>},
            {proc, QStringLiteral("WTKHCX"), balanceOf<kConsigned, By::Partner>},
            {proc, QStringLiteral("STGYSCX"), balanceOf<kHeld, By::Partner>},
            {proc, QStringLiteral("WTKHSPCX"), balanceOf<kConsigned, By::Partner>},
            {proc, QStringLiteral("STGYSSPCX"), balanceOf<kHeld, By::Partner>},
            {proc, QStringLiteral("WTKHSPMX"), ledgerOf<kConsigned>},
            {proc, QStringLiteral("WTFHKCMX"), ledgerOf<kConsigned>},
            {proc, QStringLiteral("WTCXMXZB"), ledgerOf<kConsigned>},
            {proc, QStringLiteral("WTSPMX"), ledgerOf<kConsigned>},
            {proc, QStringLiteral("STSHCKMXZB"), ledgerOf<kHeld>},
            {proc, QStringLiteral("STGYSSPMX"), ledgerOf<kHeld>},
            {proc, QStringLiteral("WTJSCX"), settlementsOf<44>},
            {proc, QStringLiteral("STJSCX"), settlementsOf<46>},
        };
    }();
    return list;
}

const DirectReport* findConsignReport(const QString& procedure, const QString& queryType) {
    for (const DirectReport& r : consignReports()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

}  // namespace dyt::server::reports
