// The contracted gifts are read from the posted lines of the gift contracts: the quantity in base
// units and the line's amount. A row counts the contracts it sums; its price is the amount over
// the quantity.
#include "server/reports/reports_giftcontract.h"

#include "common/error.h"
#include "server/db/database.h"
#include "server/reports/reports_internal.h"

namespace dyt::server::reports {

namespace {

constexpr int kGiftContract = 71;

RecordSet giftContractStatistics(Database& db, const ReportParams& p) {
    const QString choice = p.filter.value(QStringLiteral("tjfs")).trimmed();
    if (!choice.isEmpty() && choice != u"0" && choice != u"1" && choice != u"2")
        throw DytError(QStringLiteral("查询条件[tjfs]只能是0到2：%1").arg(choice));
    const int by = choice.isEmpty() ? 0 : choice.toInt();
    const bool partners = by != 2;
    const bool goods = by != 1;
    const Where w = lineScope(p, {kGiftContract});
    QStringList keys;
    if (partners)
        keys << QStringLiteral("a.wldw_id");
    if (goods)
        keys << QStringLiteral("l.goodsid");
    const QString group = keys.join(QStringLiteral(", "));
    Statement st = db.prepare(
        QStringLiteral(
            "SELECT %1, %2, COUNT(DISTINCT a.id), SUM(l.qty * l.rate), SUM(l.total) FROM djList "
            "AS l JOIN djIndex AS a ON a.id = l.id JOIN baseGoods AS g ON g.id = l.goodsid "
            "LEFT JOIN baseWLDW AS d ON d.id = a.wldw_id WHERE %3 GROUP BY %4 ORDER BY %5")
            .arg(partners ? QStringLiteral("a.wldw_id, COALESCE(MAX(d.code), ''), "
                                           "COALESCE(MAX(d.fullname), '')")
                          : QStringLiteral("0, '', ''"),
                 goods ? QStringLiteral("l.goodsid, MAX(g.code), MAX(g.fullname)")
                       : QStringLiteral("0, '', ''"),
                 w.text(), group,
                 (partners ? QStringLiteral("MAX(d.code), ") : QString()) +
                     (goods ? QStringLiteral("MAX(g.code), ") : QString()) + group));
    st.bindAll(w.values);
    RecordSet rs = emptyResult({{QStringLiteral("dw_id"), FieldType::Integer},
                                {QStringLiteral("dw_dwbh"), FieldType::Text},
                                {QStringLiteral("dw_dwqm"), FieldType::Text},
                                {QStringLiteral("sp_id"), FieldType::Integer},
                                {QStringLiteral("sp_spbh"), FieldType::Text},
                                {QStringLiteral("sp_spqm"), FieldType::Text},
                                {QStringLiteral("billCount"), FieldType::Integer},
                                {QStringLiteral("Qty"), FieldType::Float},
                                {QStringLiteral("price"), FieldType::Float},
                                {QStringLiteral("total"), FieldType::Currency}});
    while (st.step()) {
        const double qty = st.value(7).toDouble();
        const double total = st.value(8).toDouble();
        if (p.qtyFilter == 1 && qty <= 0)
            continue;
        if (p.qtyFilter == 2 && qty != 0)
            continue;
        RecordSet::Row row;
        for (int i = 0; i < 7; ++i)
            row << st.value(i);
        row << fieldValue(FieldType::Float, qty)
            << fieldValue(FieldType::Float, qty != 0 ? total / qty : 0.0)
            << fieldValue(FieldType::Currency, total);
        rs.appendRow(row);
    }
    return rs;
}

}  // namespace

const QList<DirectReport>& giftContractReports() {
    static const QList<DirectReport> list = {
        {QStringLiteral("P_JXC_Get_XS"), QStringLiteral("ZPHTTJ"), giftContractStatistics},
    };
    return list;
}

const DirectReport* findGiftContractReport(const QString& procedure, const QString& queryType) {
    for (const DirectReport& r : giftContractReports()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

}  // namespace dyt::server::reports
