// The outsourced-processing reports (P_JXC_Get_WWJG).
#include "server/reports/reports_processing.h"

#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/reports/reports_internal.h"

namespace dyt::server::reports {
namespace {

const QString kProcedure = QStringLiteral("P_JXC_Get_WWJG");

// The bill and goods columns of a ledger row, as the ledger windows read them.
QList<Measure> ledgerFields() {
    return {{QStringLiteral("id"), FieldType::Integer},
            {QStringLiteral("djType"), FieldType::Integer},
            {QStringLiteral("djName"), FieldType::Text},
            {QStringLiteral("djDate"), FieldType::Text},
            {QStringLiteral("djNo"), FieldType::Text},
            {QStringLiteral("dw_dwqm"), FieldType::Text},
            {QStringLiteral("ck_ckqm"), FieldType::Text},
            {QStringLiteral("sp_id"), FieldType::Integer},
            {QStringLiteral("sp_spbh"), FieldType::Text},
            {QStringLiteral("sp_spqm"), FieldType::Text},
            {QStringLiteral("Qty"), FieldType::Float},
            {QStringLiteral("price"), FieldType::Float},
            {QStringLiteral("total"), FieldType::Currency},
            {QStringLiteral("comment"), FieldType::Text}};
}

const QString kLedgerHead = QStringLiteral(
    "SELECT a.id, a.djType, COALESCE((SELECT k.fullname FROM sysDjb AS k WHERE k.id = "
    "a.djType), ''), a.date, a.code, COALESCE(w.fullname, ''), ");

RecordSet rowsOf(Statement& st, const QList<Measure>& fields) {
    RecordSet rs = emptyResult(fields);
    while (st.step()) {
        RecordSet::Row row;
        for (int i = 0; i < fields.size(); ++i) {
            const QVariant v = st.value(i);
            switch (fields[i].type) {
                case FieldType::Integer:
                    row << v.toLongLong();
                    break;
                case FieldType::Float:
                case FieldType::Currency:
                    row << fieldValue(fields[i].type, v.toDouble());
                    break;
                default:
                    row << v.toString();
                    break;
            }
        }
        rs.appendRow(row);
    }
    return rs;
}

// The processing movements in scope: posted, of typeid 5, the dates, the partner (the processor),
// employee and department of the bill, the goods choice, the red filter and the record rights.
Where movementScope(const ReportParams& p) {
    Where w;
    w.add(QStringLiteral("d.dj_state = 2 AND a.dj_state = 2 AND d.typeid = 5"));
    addHeaderScope(w, p, {});
    addGoodsChoice(w, p);
    addRedFilter(w, p.redFilter, QStringLiteral("a"));
    p.rights.add(w, RecordKind::Goods, QStringLiteral("d.goodsid"));
    p.rights.addBill(w, QStringLiteral("a"));
    return w;
}

RecordSet balanceLedger(Database& db, const ReportParams& p) {
    Where w = movementScope(p);
    Statement st = db.prepare(
        kLedgerHead +
        QStringLiteral("'', g.id, g.code, g.fullname, d.qty, CASE WHEN d.qty <> 0 THEN "
                       "ABS(d.costtotal * 1.0 / d.qty) ELSE 0 END, d.costtotal, COALESCE(l.comment, "
                       "'') FROM djStockOtherDetail AS d JOIN djIndex AS a ON a.id = d.id JOIN "
                       "baseGoods AS g ON g.id = d.goodsid LEFT JOIN baseWLDW AS w ON w.id = "
                       "d.wldw_id LEFT JOIN djList AS l ON l.orderid = d.listid WHERE ") +
        w.text() + QStringLiteral(" ORDER BY a.date, a.id, d.orderid"));
    st.bindAll(w.values);
    return rowsOf(st, ledgerFields());
}

const QList<Measure>& levelMeasures() {
    static const QList<Measure> m = {{QStringLiteral("Qty"), FieldType::Float},
                                     {QStringLiteral("total"), FieldType::Currency}};
    return m;
}

// What the processors hold at the end date: the opening balances and every posted movement up to
// that date.
RecordSet balances(Database& db, const ReportParams& p) {
    Where w;
    w.add(QStringLiteral("s.typeid = 5"));
    if (p.partner.id > 0) {
        QVariantList v;
        const QString in = inRecords(p.partner, QStringLiteral("baseWLDW"), &v);
        w.add(QStringLiteral("s.wldw_id ") + in, v);
    }
    if (p.end)
        w.add(QStringLiteral("s.date <= ?"), {p.endText()});
    addGoodsChoice(w, p);
    addLevelScope(w, db, goodsDimension(), p.goods, QStringLiteral("g"));
    p.rights.add(w, RecordKind::Goods, QStringLiteral("s.goodsid"));
    p.rights.add(w, RecordKind::Partner, QStringLiteral("s.wldw_id"));
    Statement st = db.prepare(
        QStringLiteral("SELECT s.goodsid, SUM(s.qty), SUM(s.cost) FROM (SELECT goodsid, wldw_id, "
                       "typeid, '' AS date, qty, costtotal AS cost FROM iniGoodsStockOther UNION "
                       "ALL SELECT d.goodsid, d.wldw_id, d.typeid, d.date, d.qty, d.costtotal FROM "
                       "djStockOtherDetail AS d JOIN djIndex AS a ON a.id = d.id WHERE d.dj_state "
                       "= 2 AND a.dj_state = 2) AS s JOIN baseGoods AS g ON g.id = s.goodsid "
                       "WHERE ") +
        w.text() + QStringLiteral(" GROUP BY s.goodsid"));
    st.bindAll(w.values);
    RecordFigures figures;
    while (st.step())
        figures.add(st.value(0).toLongLong(), {st.value(1).toDouble(), st.value(2).toDouble()});
    return rollUp(db, goodsDimension(), p.goods, figures, levelMeasures(), p.qtyFilter, 0);
}

// Issues count in, returns out.
const QString kSignedQty =
    QStringLiteral("(CASE WHEN a.djType = 54 THEN -1 ELSE 1 END) * ABS(l.qty)");
const QString kSignedCost =
    QStringLiteral("(CASE WHEN a.djType = 54 THEN -1 ELSE 1 END) * ABS(l.costtotal)");
const QString kLines = QStringLiteral(
    " FROM djList AS l JOIN djIndex AS a ON a.id = l.id JOIN baseGoods AS g ON g.id = l.goodsid");

RecordSet issueLedger(Database& db, const ReportParams& p) {
    Where w = lineScope(p, {53, 54});
    Statement st = db.prepare(
        kLedgerHead + QStringLiteral("COALESCE((SELECT c.fullname FROM baseCK AS c WHERE c.id = ") +
        lineWarehouseSql() + QStringLiteral("), ''), g.id, g.code, g.fullname, ") + kSignedQty +
        QStringLiteral(", ABS(l.costprice), ") + kSignedCost +
        QStringLiteral(", COALESCE(l.comment, '')") + kLines +
        QStringLiteral(" LEFT JOIN baseWLDW AS w ON w.id = a.wldw_id WHERE ") + w.text() +
        QStringLiteral(" ORDER BY a.date, a.id, l.orderid"));
    st.bindAll(w.values);
    return rowsOf(st, ledgerFields());
}

RecordSet issuesByGoods(Database& db, const ReportParams& p) {
    Where w = lineScope(p, {53, 54});
    addLevelScope(w, db, goodsDimension(), p.goods, QStringLiteral("g"));
    Statement st = db.prepare(QStringLiteral("SELECT g.id, SUM(") + kSignedQty +
                              QStringLiteral(" * l.rate), SUM(") + kSignedCost +
                              QStringLiteral(")") + kLines + QStringLiteral(" WHERE ") + w.text() +
                              QStringLiteral(" GROUP BY g.id"));
    st.bindAll(w.values);
    RecordFigures figures;
    while (st.step())
        figures.add(st.value(0).toLongLong(), {st.value(1).toDouble(), st.value(2).toDouble()});
    return rollUp(db, goodsDimension(), p.goods, figures, levelMeasures(), p.qtyFilter, 0);
}

// The finished goods of the completions: their positive lines, per goods, with the value they
// came in at (materials and fees) and the fees alone.
RecordSet finishedGoods(Database& db, const ReportParams& p) {
    Where w = lineScope(p, {55});
    w.add(QStringLiteral("l.qty > 0"));
    Statement st = db.prepare(
        QStringLiteral("SELECT g.id, g.code, g.fullname, SUM(l.qty * l.rate), SUM(l.costtotal), "
                       "SUM(CASE WHEN l.discounttotal <> 0 THEN l.discounttotal ELSE l.total "
                       "END)") +
        kLines + QStringLiteral(" WHERE ") + w.text() +
        QStringLiteral(" GROUP BY g.id, g.code, g.fullname ORDER BY g.code, g.id"));
    st.bindAll(w.values);
    return rowsOf(st, {{QStringLiteral("id"), FieldType::Integer},
                       {QStringLiteral("code"), FieldType::Text},
                       {QStringLiteral("fullname"), FieldType::Text},
                       {QStringLiteral("Qty"), FieldType::Float},
                       {QStringLiteral("total"), FieldType::Currency},
                       {QStringLiteral("fee"), FieldType::Currency}});
}

}  // namespace

const QList<DirectReport>& processingReports() {
    static const QList<DirectReport> list = {
        {kProcedure, QStringLiteral("WWKCMX"), balanceLedger},
        {kProcedure, QStringLiteral("WWKCCX"), balances},
        {kProcedure, QStringLiteral("WWLLMXZB"), issueLedger},
        {kProcedure, QStringLiteral("WWLLCX"), issuesByGoods},
        {kProcedure, QStringLiteral("WWWGCX"), finishedGoods},
    };
    return list;
}

const DirectReport* findProcessingReport(const QString& procedure, const QString& queryType) {
    for (const DirectReport& r : processingReports()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

}  // namespace dyt::server::reports
