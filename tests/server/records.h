#pragma once
// Rows of a record set compared as joined texts, ids and single cells, and parameter lines
// written as "name=value;name=value".

#include <gtest/gtest.h>

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "common/currency.h"
#include "common/paramlist.h"
#include "common/recordset.h"

namespace dyt::test {

// A number of a row, currency values alike.
inline double numberOf(const QVariant& v) {
    return v.metaType() == QMetaType::fromType<Currency>() ? v.value<Currency>().toDouble()
                                                           : v.toDouble();
}

// A value as the comparisons show it: texts and dates as they are, other values as numbers.
inline QString shown(const QVariant& v) {
    const bool text = !v.isValid() || v.typeId() == QMetaType::QString ||
                      v.typeId() == QMetaType::QDate || v.typeId() == QMetaType::QByteArray;
    return text ? v.toString() : QString::number(numberOf(v));
}

// The values of the comma-separated fields of a row (every field when none is named), "|" between.
inline QString rowText(const RecordSet& rs, int row = 0, const QString& fields = QString()) {
    QStringList out;
    if (fields.isEmpty()) {
        for (int f = 0; f < rs.fieldCount(); ++f)
            out << shown(rs.at(row, f));
    }
    for (const QString& name : fields.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int f = rs.fieldIndex(name.trimmed());
        EXPECT_GE(f, 0) << name.toStdString();
        out << (f < 0 || row >= rs.rowCount() ? QStringLiteral("?") : shown(rs.at(row, f)));
    }
    return out.join(QLatin1Char('|'));
}

// Every row as rowText gives it.
inline QStringList rowTexts(const RecordSet& rs, const QString& fields = QString()) {
    QStringList out;
    for (int r = 0; r < rs.rowCount(); ++r)
        out << rowText(rs, r, fields);
    return out;
}

// Every row with its values as numbers to four decimals, "|" between.
inline QStringList numberRows(const RecordSet& rs) {
    QStringList out;
    for (int r = 0; r < rs.rowCount(); ++r) {
        QStringList row;
        for (int f = 0; f < rs.fieldCount(); ++f)
            row << QString::number(numberOf(rs.at(r, f)), 'f', 4);
        out << row.join(QLatin1Char('|'));
    }
    return out;
}

// The ids of the rows, in order.
inline QList<qint64> idsOf(const RecordSet& rs, const QString& field = QStringLiteral("id")) {
    QList<qint64> out;
    const int f = rs.fieldIndex(field);
    for (int r = 0; f >= 0 && r < rs.rowCount(); ++r)
        out << rs.at(r, f).toLongLong();
    return out;
}

// The value of field in the row whose key field holds id; a failure when there is none.
inline QVariant cellOf(const RecordSet& rs, qint64 id, const QString& field,
                       const QString& key = QStringLiteral("id")) {
    const int k = rs.fieldIndex(key);
    const int f = rs.fieldIndex(field);
    EXPECT_GE(f, 0) << field.toStdString();
    for (int r = 0; k >= 0 && r < rs.rowCount(); ++r) {
        if (rs.at(r, k).toLongLong() == id)
            return f >= 0 ? rs.at(r, f) : QVariant();
    }
    ADD_FAILURE() << "row " << id << " not returned";
    return {};
}

// "name=value;name=value" as parameter lines (a value may hold '=').
inline ParamList paramLines(const QString& values, QChar separator = QLatin1Char(';')) {
    ParamList p;
    for (const QString& kv : values.split(separator, Qt::SkipEmptyParts))
        p.setValue(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
    return p;
}

}  // namespace dyt::test
