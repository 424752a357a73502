// The invoicing reports: the invoices (KPCX), their lines against the bills they invoice
// (DJKPMXCX) and against goods lines (SPKPMXCX), and what has been and has not yet been invoiced
// of each purchase or sales bill (DJKPQKCX, and per family JHKPCX, XSKPCX) and of each of its
// goods lines (SPKPQKCX). A bill's invoiced amount is its kpTotal, kept by the invoices' posting;
// its amount is its taxTotalSum.
#include "server/reports/reports_kp.h"

#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/reports/reports_internal.h"

namespace dyt::server::reports {
namespace {

const QList<int> kPurchaseFamily = {5, 37, 46};
const QList<int> kSalesFamily = {1, 40, 44};
const QList<int> kInvoices = {67, 68, 69, 70};
const QList<int> kGoodsInvoices = {68, 70};

// The kinds chosen (djStr) among those a report covers; all of them when none is chosen.
QList<int> chosen(const ReportParams& p, const QList<int>& covered) {
    QList<int> out;
    for (int k : p.kinds) {
        if (covered.contains(k) && !out.contains(k))
            out << k;
    }
    if (out.isEmpty())
        return covered;
    return out;
}

// The header conditions over the bill alias a and the red filter and rights.
Where billScope(const ReportParams& p, const QList<int>& kinds) {
    Where w;
    w.add(QStringLiteral("a.dj_state = 2"));
    addHeaderScope(w, p, kinds);
    addRedFilter(w, p.redFilter, QStringLiteral("a"));
    p.rights.addBill(w, QStringLiteral("a"));
    return w;
}

const char* const kHeaderFields =
    "a.id, a.djType, a.date AS djDate, a.code AS djNo, a.djname AS djName, "
    "COALESCE(w.code, '') AS dw_dwbh, COALESCE(w.fullname, '') AS dw_dwqm, "
    "COALESCE(z.fullname, '') AS zy_zyqm";
const char* const kHeaderJoins =
    "LEFT JOIN baseWLDW AS w ON w.id = a.wldw_id LEFT JOIN baseZY AS z ON z.id = a.jsr_id";

RecordSet run(Database& db, const QString& sql, const Where& w) {
    return db.query(sql.arg(w.clause()), w.values);
}

// KPCX: one row per invoice.
RecordSet invoices(Database& db, const ReportParams& p) {
    const Where w = billScope(p, chosen(p, kInvoices));
    return run(db,
               QStringLiteral("SELECT %1, a.kpTotal AS total, a.summery, a.comment, a.rec_Name, "
                              "a.isred, a.isredword FROM djIndex AS a %2 %3 ORDER BY a.date, a.id")
                   .arg(QString::fromLatin1(kHeaderFields), QString::fromLatin1(kHeaderJoins),
                        QStringLiteral("%1")),
               w);
}

// DJKPMXCX, SPKPMXCX: one row per invoice line with the bill (and goods line) it invoices.
RecordSet invoiceLines(Database& db, const ReportParams& p, bool goods) {
    Where w = billScope(p, chosen(p, goods ? kGoodsInvoices : kInvoices));
    w.add(QStringLiteral("l.dj_state = 2"));
    if (goods)
        addGoodsChoice(w, p);
    return run(
        db,
        QStringLiteral(
            "SELECT %1, s.id AS s_id, s.code AS s_djNo, s.date AS s_djDate, s.djname AS s_djName, "
            "COALESCE(g.code, '') AS sp_spbh, COALESCE(g.fullname, '') AS sp_spqm, "
            "COALESCE(g.gg, '') AS sp_gg, COALESCE(sl.qty, 0) AS Qty, "
            "CASE WHEN l.s_orderid > 0 THEN COALESCE(sl.taxTotalSum, 0) ELSE s.taxTotalSum END "
            "AS djTotal, l.kpTotal AS total, l.comment FROM djList AS l JOIN djIndex AS a ON "
            "a.id = l.id JOIN djIndex AS s ON s.id = l.s_id LEFT JOIN djList AS sl ON "
            "sl.orderid = l.s_orderid AND l.s_orderid > 0 LEFT JOIN baseGoods AS g ON g.id = "
            "sl.goodsid %2 %3 ORDER BY a.date, a.id, l.orderid")
            .arg(QString::fromLatin1(kHeaderFields), QString::fromLatin1(kHeaderJoins),
                 QStringLiteral("%1")),
        w);
}

// DJKPQKCX, JHKPCX, XSKPCX: one row per purchase or sales bill, not reversed.
RecordSet billsInvoiced(Database& db, const ReportParams& p, const QList<int>& family) {
    Where w = billScope(p, chosen(p, family));
    w.add(QStringLiteral("a.isred = 0 AND a.isredword = 0"));
    return run(db,
               QStringLiteral("SELECT %1, a.taxTotalSum AS total, a.kpTotal, "
                              "ROUND(a.taxTotalSum - a.kpTotal, 4) AS wkpTotal, a.summery FROM djIndex AS a "
                              "%2 %3 ORDER BY a.date, a.id")
                   .arg(QString::fromLatin1(kHeaderFields), QString::fromLatin1(kHeaderJoins),
                        QStringLiteral("%1")),
               w);
}

// SPKPQKCX: one row per goods line of those bills.
RecordSet linesInvoiced(Database& db, const ReportParams& p) {
    Where w = billScope(p, chosen(p, kPurchaseFamily + kSalesFamily));
    w.add(QStringLiteral("a.isred = 0 AND a.isredword = 0 AND l.dj_state = 2 AND l.goodsid > 0"));
    addGoodsChoice(w, p);
    p.rights.add(w, RecordKind::Goods, QStringLiteral("l.goodsid"));
    return run(db,
               QStringLiteral("SELECT %1, l.orderid, g.code AS sp_spbh, g.fullname AS sp_spqm, "
                              "g.gg AS sp_gg, l.qty AS Qty, l.taxTotalSum AS total, "
                              "l.kpTotal, ROUND(l.taxTotalSum - l.kpTotal, 4) AS wkpTotal FROM djList AS l "
                              "JOIN djIndex AS a ON a.id = l.id JOIN baseGoods AS g ON g.id = "
                              "l.goodsid %2 %3 ORDER BY a.date, a.id, l.orderid")
                   .arg(QString::fromLatin1(kHeaderFields), QString::fromLatin1(kHeaderJoins),
                        QStringLiteral("%1")),
               w);
}

const QString kKP = QStringLiteral("P_JXC_Get_KP");

}  // namespace

const QList<DirectReport>& invoiceReports() {
    static const QList<DirectReport> list = {
        {kKP, QStringLiteral("KPCX"), invoices},
        {kKP, QStringLiteral("DJKPMXCX"),
         [](Database& db, const ReportParams& p) { return invoiceLines(db, p, false); }},
        {kKP, QStringLiteral("SPKPMXCX"),
         [](Database& db, const ReportParams& p) { return invoiceLines(db, p, true); }},
        {kKP, QStringLiteral("DJKPQKCX"),
         [](Database& db, const ReportParams& p) {
             return billsInvoiced(db, p, kPurchaseFamily + kSalesFamily);
         }},
        {kKP, QStringLiteral("SPKPQKCX"), linesInvoiced},
        {QStringLiteral("P_JXC_Get_JH"), QStringLiteral("JHKPCX"),
         [](Database& db, const ReportParams& p) {
             return billsInvoiced(db, p, kPurchaseFamily);
         }},
        {QStringLiteral("P_JXC_Get_XS"), QStringLiteral("XSKPCX"),
         [](Database& db, const ReportParams& p) { return billsInvoiced(db, p, kSalesFamily); }},
    };
    return list;
}

const DirectReport* findInvoiceReport(const QString& procedure, const QString& queryType) {
    for (const DirectReport& r : invoiceReports()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

}  // namespace dyt::server::reports
