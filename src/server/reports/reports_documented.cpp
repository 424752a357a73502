// The reports of the query-window table that have no figures yet: they answer the columns their
// window documents, without rows, so that every window of the menu opens and queries.
#include "protocol/querydescriptors.h"
#include "server/reports/reports_stock.h"

namespace dyt::server::reports {

namespace {

// The field type a column's caption tags and name imply.
FieldType columnType(const QueryColumn& c) {
    const QString f = c.field.toLower();
    if (f == u"id" || f == u"sonnum" || f == u"par_id" || f == u"djtype" || f.endsWith(u"_id"))
        return FieldType::Integer;
    if (c.caption.contains(u"%M%"))
        return FieldType::Currency;
    if (c.caption.contains(u"%Q%") || c.caption.contains(u"%P%"))
        return FieldType::Float;
    return FieldType::Text;
}

}  // namespace

QList<ReportInfo> documentedReports() {
    QList<ReportInfo> out;
    for (const QueryDescriptor& d : queryDescriptors()) {
        for (const QString& type : d.queryTypes) {
            bool seen = false;
            for (const ReportInfo& r : out) {
                seen = seen || (r.procedure.compare(d.procedure, Qt::CaseInsensitive) == 0 &&
                                r.queryType.compare(type, Qt::CaseInsensitive) == 0);
            }
            if (!seen && !d.procedure.isEmpty())
                out << ReportInfo{d.procedure, type, false};
        }
    }
    return out;
}

void completeColumns(RecordSet& rs, const QString& procedure, const QString& queryType) {
    const RecordSet documented = documentedColumns(procedure, queryType);
    for (const Field& f : documented.fields()) {
        if (rs.hasField(f.name))
            continue;
        rs.addField(f.name, f.type);  // existing rows get Null
    }
}

RecordSet documentedColumns(const QString& procedure, const QString& queryType) {
    RecordSet rs;
    for (const QueryDescriptor* d : findQueryDescriptors(procedure, queryType)) {
        for (const QueryColumn& c : d->columns) {
            if (!c.field.isEmpty() && !rs.hasField(c.field))
                rs.addField(c.field, columnType(c));
        }
    }
    return rs;
}

}  // namespace dyt::server::reports
