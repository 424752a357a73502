#pragma once
// Helpers shared by the test executables.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "common/error.h"
#include "common/recordset.h"

namespace dyt::test {

// Path of a file under tests/data.
QString dataPath(const QString& relative);

// A record set of text fields holding the rows given.
RecordSet textRows(const QStringList& fields, const QList<QStringList>& rows);

// The bytes of a file (empty when it cannot be read); writing bytes to a file.
QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

// A record set with the fields of "name type [size], ..." (types as fieldTypeName spells them).
RecordSet withFields(const char* spec);

// The names of the record set's fields, in order.
QStringList fieldNames(const RecordSet& rs);

// The message of the DytError that f throws; an empty text when it throws none.
template <typename F>
QString errorOf(F&& f) {
    try {
        f();
    } catch (const DytError& e) {
        return e.message();
    }
    return QString();
}

}  // namespace dyt::test
