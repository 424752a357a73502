// Deliveries are read from their posted lines: the quantity in base units, the cost the posting
// wrote (costtotal), and what acceptances took of each line (toQty, in the line's unit). The
// delivering warehouse is the line's OutStock_id, else the bill's; the receiving one the line's
// IntoStock_id, else the bill's.
#include "server/reports/reports_distribution.h"

#include "server/db/database.h"
#include "server/reports/reports_internal.h"

namespace dyt::server::reports {

namespace {

const QString kOther = QStringLiteral("P_JXC_Get_Other");
constexpr int kDelivery = 62;
constexpr int kGiftContract = 71;

const QString kLineFrom = QStringLiteral(
    " FROM djList AS l JOIN djIndex AS a ON a.id = l.id JOIN baseGoods AS g ON g.id = l.goodsid ");

double price(double total, double qty) {
    return qty != 0 ? total / qty : 0.0;
}

// One delivery line (or contract line) per row, oldest first.
RecordSet lineList(Database& db, const ReportParams& p, int kind) {
    const bool delivery = kind == kDelivery;
    const Where w = lineScope(p, {kind});
    Statement st = db.prepare(
        QStringLiteral(
            "SELECT a.id, a.djType, a.date, a.code, COALESCE((SELECT k.fullname FROM sysDjb AS k "
            "WHERE k.id = a.djType), ''), COALESCE((SELECT c.fullname FROM baseCK AS c WHERE c.id "
            "= CASE WHEN l.OutStock_id > 0 THEN l.OutStock_id ELSE a.OutStock_id END), ''), "
            "COALESCE((SELECT c.fullname FROM baseCK AS c WHERE c.id = CASE WHEN l.IntoStock_id "
            "> 0 THEN l.IntoStock_id ELSE a.IntoStock_id END), ''), COALESCE((SELECT t.fullname "
            "FROM baseWLDW AS t WHERE t.id = a.wldw_id), ''), COALESCE((SELECT z.fullname FROM "
            "baseZY AS z WHERE z.id = a.jsr_id), ''), g.code, g.fullname, l.qty * l.rate, %1, "
            "l.toQty * l.rate, l.comment") .arg(delivery ? QStringLiteral("l.costtotal")
                                                         : QStringLiteral("l.total")) +
        kLineFrom + QStringLiteral("WHERE ") + w.text() +
        QStringLiteral(" ORDER BY a.date, a.id, l.orderid"));
    st.bindAll(w.values);
    QList<Measure> fields = {{QStringLiteral("id"), FieldType::Integer},
                             {QStringLiteral("djType"), FieldType::Integer},
                             {QStringLiteral("djDate"), FieldType::Text},
                             {QStringLiteral("djNo"), FieldType::Text},
                             {QStringLiteral("djName"), FieldType::Text}};
    if (delivery) {
        fields << Measure{QStringLiteral("ck_ckqm"), FieldType::Text}
               << Measure{QStringLiteral("sqck_ckqm"), FieldType::Text};
    } else {
        fields << Measure{QStringLiteral("dw_dwqm"), FieldType::Text};
    }
    fields << Measure{QStringLiteral("zy_zyqm"), FieldType::Text}
           << Measure{QStringLiteral("sp_spbh"), FieldType::Text}
           << Measure{QStringLiteral("sp_spqm"), FieldType::Text}
           << Measure{QStringLiteral("Qty"), FieldType::Float}
           << Measure{QStringLiteral("price"), FieldType::Float}
           << Measure{QStringLiteral("total"), FieldType::Currency};
    if (delivery) {
        fields << Measure{QStringLiteral("ysQty"), FieldType::Float}
               << Measure{QStringLiteral("wysQty"), FieldType::Float};
    }
    fields << Measure{QStringLiteral("comment"), FieldType::Text};
    RecordSet rs = emptyResult(fields);
    while (st.step()) {
        const double qty = st.value(11).toDouble();
        const double total = st.value(12).toDouble();
        RecordSet::Row row;
        for (int i = 0; i < 5; ++i)
            row << st.value(i);
        row[2] = st.value(2).toString().left(10);
        if (delivery)
            row << st.value(5) << st.value(6);
        else
            row << st.value(7);
        row << st.value(8) << st.value(9) << st.value(10) << fieldValue(FieldType::Float, qty)
            << fieldValue(FieldType::Float, price(total, qty))
            << fieldValue(FieldType::Currency, total);
        if (delivery) {
            const double accepted = st.value(13).toDouble();
            row << fieldValue(FieldType::Float, accepted)
                << fieldValue(FieldType::Float, qty - accepted);
        }
        row << st.value(14);
        rs.appendRow(row);
    }
    return rs;
}

RecordSet deliveryLines(Database& db, const ReportParams& p) {
    return lineList(db, p, kDelivery);
}

RecordSet contractLines(Database& db, const ReportParams& p) {
    return lineList(db, p, kGiftContract);
}

// Per goods (one level of the goods tree): delivered quantity, cost and accepted quantity.
RecordSet deliveryStatistics(Database& db, const ReportParams& p) {
    Where w = lineScope(p, {kDelivery});
    addLevelScope(w, db, goodsDimension(), p.goods, QStringLiteral("g"));
    Statement st = db.prepare(
        QStringLiteral("SELECT l.goodsid, SUM(l.qty * l.rate), SUM(l.costtotal), "
                       "SUM(l.toQty * l.rate)") +
        kLineFrom + QStringLiteral("WHERE ") + w.text() + QStringLiteral(" GROUP BY l.goodsid"));
    st.bindAll(w.values);
    RecordFigures figures;
    while (st.step()) {
        const double qty = st.value(1).toDouble();
        const double accepted = st.value(3).toDouble();
        figures.add(st.value(0).toLongLong(),
                    {qty, 0.0, st.value(2).toDouble(), accepted, qty - accepted});
    }
    return rollUp(db, goodsDimension(), p.goods, figures,
                  {{QStringLiteral("Qty"), FieldType::Float},
                   {QStringLiteral("price"), FieldType::Float},
                   {QStringLiteral("total"), FieldType::Currency},
                   {QStringLiteral("ysQty"), FieldType::Float},
                   {QStringLiteral("wysQty"), FieldType::Float}},
                  p.qtyFilter, 0, [](Figures& f) { f[1] = price(f[2], f[0]); });
}

}  // namespace

const QList<DirectReport>& distributionReports() {
    static const QList<DirectReport> list = {
        {kOther, QStringLiteral("PSSPMXZB"), deliveryLines},
        {kOther, QStringLiteral("PSSPTJ"), deliveryStatistics},
        {kOther, QStringLiteral("ZPHTMXCX"), contractLines},
    };
    return list;
}

const DirectReport* findDistributionReport(const QString& procedure, const QString& queryType) {
    for (const DirectReport& r : distributionReports()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

}  // namespace dyt::server::reports
