#include "support/testutil.h"

namespace dyt::test {

QString dataPath(const QString& relative) {
    return QStringLiteral(DYT_TEST_DATA_DIR) + QLatin1Char('/') + relative;
}

RecordSet textRows(const QStringList& fields, const QList<QStringList>& rows) {
    RecordSet rs;
    for (const QString& f : fields)
        rs.addField(f, FieldType::Text, 100);
    for (const QStringList& r : rows) {
        RecordSet::Row values;
        for (const QString& v : r)
            values.append(v);
        rs.appendRow(values);
    }
    return rs;
}

QStringList fieldNames(const RecordSet& rs) {
    QStringList out;
    for (const auto& f : rs.fields())
        out.append(f.name);
    return out;
}

}  // namespace dyt::test
