#pragma once
// Whether a query window shows what its report answers: each column of the window is answered and
// filled in some row, and each full name ("…qm") or figure the answer fills has a visible column.
#include <QSet>
#include <QStringList>

#include <utility>
#include <vector>

#include "common/recordset.h"
#include "protocol/querydescriptors.h"

namespace dyt::server::test {

// The condition lines a window sends for its top level: the goods as a flat list, its own tree at
// the top.
inline std::vector<std::pair<const char*, const char*>> topLevelLines(const QueryDescriptor& d) {
    std::vector<std::pair<const char*, const char*>> lines = {
        {"GoodsStr", ";czy_id=1;isList=1;par_id=0"}};
    const std::pair<QueryTree, const char*> trees[] = {{QueryTree::Partner, "wldwStr"},
                                                       {QueryTree::Employee, "zyStr"},
                                                       {QueryTree::Department, "bmStr"},
                                                       {QueryTree::Warehouse, "ckStr"}};
    for (const auto& [tree, line] : trees) {
        if (d.tree == tree)
            lines.push_back({line, ";czy_id=1;par_id=0"});
    }
    return lines;
}

struct ColumnFaults {
    QStringList absent;   // window columns the answer lacks
    QStringList empty;    // window columns no row fills
    QStringList unshown;  // names and figures the answer fills without a column
};

// mayStayEmpty(field) exempts a column the account set gives nothing to show.
template <typename Exempt>
ColumnFaults windowColumnFaults(const QueryDescriptor& d, const RecordSet& rs,
                                Exempt mayStayEmpty) {
    QStringList answered;
    for (const Field& f : rs.fields())
        answered << f.name;
    const QList<QueryColumn> columns = d.columns + warehouseSpreadColumns(answered, nullptr);
    const auto filled = [&](int f) {
        for (int i = 0; f >= 0 && i < rs.rowCount(); ++i) {
            const QVariant& v = rs.at(i, f);
            if (!v.isNull() && (v.typeId() >= QMetaType::User || !v.toString().isEmpty()))
                return true;
        }
        return false;
    };
    ColumnFaults out;
    for (const QueryColumn& c : columns) {
        const int f = rs.fieldIndex(c.field);
        if (f < 0)
            out.absent << c.field;
        else if (rs.rowCount() > 0 && !filled(f) && !mayStayEmpty(c.field))
            out.empty << c.field;
    }
    // Shown by its own visible column or one with the same values in each row (the levels'
    // "fullname", a ledger's amount under its two names).
    const auto shown = [&](int f) {
        for (const QueryColumn& c : columns) {
            const int g = rs.fieldIndex(c.field);
            bool same = g >= 0 && c.width > 0;
            for (int i = 0; same && i < rs.rowCount(); ++i)
                same = rs.at(i, f) == rs.at(i, g);
            if (same)
                return true;
        }
        return false;
    };
    for (int f = 0; f < rs.fieldCount(); ++f) {
        const Field& field = rs.fields()[f];
        const bool figure = field.type == FieldType::Currency || field.type == FieldType::Float;
        if ((figure || field.name.endsWith(QLatin1String("qm"), Qt::CaseInsensitive)) &&
            filled(f) && !shown(f))
            out.unshown << field.name;
    }
    return out;
}

}  // namespace dyt::server::test
