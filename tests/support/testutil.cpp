#include "support/testutil.h"

#include <gtest/gtest.h>

#include <QFile>

namespace dyt::test {

QString dataPath(const QString& relative) {
    return QStringLiteral(DYT_TEST_DATA_DIR) + QLatin1Char('/') + relative;
}

RecordSet textRows(const QStringList& fields, const QList<QStringList>& rows) {
    RecordSet rs;
    for (const QString& f : fields)
        rs.addField(f, FieldType::Text, 100);
    for (const QStringList& r : rows)
        rs.appendRow(RecordSet::Row(r.begin(), r.end()));
    return rs;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

RecordSet withFields(const char* spec) {
    RecordSet rs;
    for (const QString& field : QString::fromUtf8(spec).split(QLatin1Char(','))) {
        const QStringList parts = field.simplified().split(QLatin1Char(' '));
        FieldType type = FieldType::Text;
        EXPECT_TRUE(parts.size() >= 2 && fieldTypeFromName(parts[1], &type)) << spec;
        rs.addField(parts[0], type, parts.size() > 2 ? parts[2].toInt() : 0);
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
