// Goods borrowed in (typeid 1) and lent out (typeid 2), read from what the posting keeps: the
// opening rows (iniGoodsStockOther) and every bill line's change (djStockOtherDetail: quantity in
// base units, value at the partner's prices, value at our cost, signed).
//
// SPJJMX / SPJCMX: the changes of the range one by one, oldest first, with the balance after each
// (jcQty, jcTotal) per goods and partner. JJSPCX / JCSPCX: the balance of one level of the goods
// at EndDate. The statistics (JJDTJ … JZXSDTJ) sum the lines of their one bill kind per goods
// level, as the stock bills' statistics do.
#include "server/reports/reports_loans.h"

#include <QHash>

#include <cmath>

#include "server/db/database.h"
#include "server/reports/reports_internal.h"
#include "server/reports/reports_trade.h"

namespace dyt::server::reports {
namespace {

const QString kProcedure = QStringLiteral("P_JXC_Get_JQ");

// The partner, goods choice and record rights over the changes "o" joined with the goods "g".
Where otherScope(const ReportParams& p, int typeId) {
    Where w;
    w.add(QStringLiteral("o.typeid = ?"), {typeId});
    if (p.partner.id > 0) {
        QVariantList v;
        const QString in = inRecords(p.partner, QStringLiteral("baseWLDW"), &v);
        w.add(QStringLiteral("o.wldw_id ") + in, v);
    }
    addGoodsChoice(w, p);
    p.rights.add(w, RecordKind::Goods, QStringLiteral("o.goodsid"));
    p.rights.add(w, RecordKind::Partner, QStringLiteral("o.wldw_id"));
    return w;
}

RecordSet ledger(Database& db, const ReportParams& p, int typeId) {
    Where w = otherScope(p, typeId);
    if (p.end)
        w.add(QStringLiteral("o.date <= ?"), {p.endText()});
    // Everything up to the end, opening rows first; the rows before the range only make the
    // balance the first row of the range starts from.
    const QString sql = QStringLiteral(
        "SELECT o.id, o.djType, o.date, o.goodsid, o.wldw_id, o.qty, o.total, o.costtotal, "
        "COALESCE(a.code, '') AS code, COALESCE(k.fullname, '') AS djName, "
        "COALESCE(a.summery, '') AS summery, COALESCE(w.code, '') AS dw_dwbh, "
        "COALESCE(w.fullname, '') AS dw_dwqm, g.code AS sp_spbh, g.fullname AS sp_spqm, "
        "COALESCE(c.fullname, '') AS ck_ckqm, a.isred, a.isredword FROM "
        "(SELECT 0 AS id, 0 AS listid, 0 AS djType, '' AS date, goodsid, wldw_id, typeid, qty, "
        "total, costtotal FROM iniGoodsStockOther UNION ALL SELECT id, listid, djType, date, "
        "goodsid, wldw_id, typeid, qty, total, costtotal FROM djStockOtherDetail WHERE dj_state "
        "= 2) AS o JOIN baseGoods AS g ON g.id = o.goodsid LEFT JOIN djIndex AS a ON a.id = o.id "
        "LEFT JOIN sysDjb AS k ON k.id = o.djType LEFT JOIN baseWLDW AS w ON w.id = o.wldw_id "
        "LEFT JOIN djList AS l ON l.orderid = o.listid LEFT JOIN baseCK AS c ON c.id = "
        "CASE WHEN l.IntoStock_id > 0 THEN l.IntoStock_id ELSE a.IntoStock_id END "
        "WHERE (o.id = 0 OR a.id IS NOT NULL) AND ") +
                        w.text() + QStringLiteral(" ORDER BY o.date, o.id, o.listid");
    const QString begin = p.begin ? p.beginText() : QString();
    Statement st = db.prepare(sql);
    st.bindAll(w.values);
    RecordSet rs;
    const QList<std::pair<const char*, FieldType>> fields = {
        {"id", FieldType::Integer},        {"djType", FieldType::Integer},
        {"djDate", FieldType::Text},       {"djNo", FieldType::Text},
        {"djName", FieldType::Text},       {"dw_dwbh", FieldType::Text},
        {"dw_dwqm", FieldType::Text},      {"ck_ckqm", FieldType::Text},
        {"sp_id", FieldType::Integer},     {"sp_spbh", FieldType::Text},
        {"sp_spqm", FieldType::Text},      {"Qty", FieldType::Float},
        {"price", FieldType::Float},       {"total", FieldType::Currency},
        {"costtotal", FieldType::Currency}, {"jcQty", FieldType::Float},
        {"jcTotal", FieldType::Currency},  {"comment", FieldType::Text},
        {"isred", FieldType::Integer},     {"isredword", FieldType::Integer}};
    for (const auto& [name, type] : fields)
        rs.addField(QString::fromLatin1(name), type);
    QHash<QPair<qint64, qint64>, std::pair<double, double>> held;  // (goods, partner) -> qty, total
    while (st.step()) {
        const QPair<qint64, qint64> key{st.value(3).toLongLong(), st.value(4).toLongLong()};
        auto& [hq, ht] = held[key];
        const double qty = st.value(5).toDouble(), total = st.value(6).toDouble();
        hq += qty;
        ht += total;
        const QString date = st.value(2).toString();
        if (!begin.isEmpty() && date < begin)
            continue;
        // The red filter hides rows; the balance goes on counting them.
        const bool red = st.value(16).toInt() == 1 || st.value(17).toInt() == 1;
        if ((p.redFilter == 1 && red) || (p.redFilter == 2 && !red))
            continue;
        const bool opening = st.value(0).toLongLong() == 0;
        RecordSet::Row row;
        row << st.value(0).toLongLong() << st.value(1).toInt()
            << (opening ? QStringLiteral("期初") : date) << st.value(8).toString()
            << (opening ? QStringLiteral("期初") : st.value(9).toString())
            << st.value(11).toString() << st.value(12).toString() << st.value(15).toString()
            << key.first << st.value(13).toString() << st.value(14).toString()
            << fieldValue(FieldType::Float, qty)
            << fieldValue(FieldType::Float, qty != 0 ? std::fabs(total / qty) : 0.0)
            << fieldValue(FieldType::Currency, total)
            << fieldValue(FieldType::Currency, st.value(7).toDouble())
            << fieldValue(FieldType::Float, hq) << fieldValue(FieldType::Currency, ht)
            << st.value(10).toString() << st.value(16).toInt() << st.value(17).toInt();
        rs.appendRow(row);
    }
    return rs;
}

RecordSet balance(Database& db, const ReportParams& p, int typeId) {
    Where w = otherScope(p, typeId);
    if (p.end)
        w.add(QStringLiteral("o.date <= ?"), {p.endText()});
    addLevelScope(w, db, goodsDimension(), p.goods, QStringLiteral("g"));
    Statement st = db.prepare(
        QStringLiteral("SELECT o.goodsid, SUM(o.qty), SUM(o.total), SUM(o.costtotal) FROM "
                       "(SELECT '' AS date, goodsid, wldw_id, typeid, qty, total, costtotal FROM "
                       "iniGoodsStockOther UNION ALL SELECT date, goodsid, wldw_id, typeid, qty, "
                       "total, costtotal FROM djStockOtherDetail WHERE dj_state = 2) AS o JOIN "
                       "baseGoods AS g ON g.id = o.goodsid WHERE ") +
        w.text() + QStringLiteral(" GROUP BY o.goodsid"));
    st.bindAll(w.values);
    RecordFigures figures;
    while (st.step()) {
        figures.add(st.value(0).toLongLong(),
                    {st.value(1).toDouble(), 0.0, st.value(2).toDouble(), st.value(3).toDouble()});
    }
    return rollUp(db, goodsDimension(), p.goods, figures,
                  {{QStringLiteral("Qty"), FieldType::Float},
                   {QStringLiteral("price"), FieldType::Float},
                   {QStringLiteral("total"), FieldType::Currency},
                   {QStringLiteral("costtotal"), FieldType::Currency}},
                  p.qtyFilter, 0, [](Figures& f) { f[1] = f[0] != 0 ? f[2] / f[0] : 0.0; });
}

RecordSet statistics(Database& db, const ReportParams& p, int kind) {
    TradeReport r;
    r.procedure = kProcedure;
    r.shape = TradeShape::Statistic;
    r.dim = Dim::Goods;
    r.kinds = {kind};
    r.returnsOnly = true;  // every line counts as it stands
    r.cost = true;
    return runTradeReport(db, p, r);
}

template <int kind>
RecordSet statisticsOf(Database& db, const ReportParams& p) {
    return statistics(db, p, kind);
}

}  // namespace

const QList<DirectReport>& loanReports() {
    static const QList<DirectReport> list = {
        {kProcedure, QStringLiteral("SPJJMX"),
         [](Database& db, const ReportParams& p) { return ledger(db, p, 1); }},
        {kProcedure, QStringLiteral("SPJCMX"),
         [](Database& db, const ReportParams& p) { return ledger(db, p, 2); }},
        {kProcedure, QStringLiteral("JJSPCX"),
         [](Database& db, const ReportParams& p) { return balance(db, p, 1); }},
        {kProcedure, QStringLiteral("JCSPCX"),
         [](Database& db, const ReportParams& p) { return balance(db, p, 2); }},
        {kProcedure, QStringLiteral("JJDTJ"), statisticsOf<35>},
        {kProcedure, QStringLiteral("JJHCDTJ"), statisticsOf<36>},
        {kProcedure, QStringLiteral("JZJHDTJ"), statisticsOf<37>},
        {kProcedure, QStringLiteral("JCDTJ"), statisticsOf<38>},
        {kProcedure, QStringLiteral("JCHHDTJ"), statisticsOf<39>},
        {kProcedure, QStringLiteral("JZXSDTJ"), statisticsOf<40>},
    };
    return list;
}

const DirectReport* findLoanReport(const QString& procedure, const QString& queryType) {
    for (const DirectReport& r : loanReports()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

}  // namespace dyt::server::reports
