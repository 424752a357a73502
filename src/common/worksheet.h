#pragma once
// Spreadsheet export: writes a record set as a worksheet file of little-endian binary records
// (record number, body length, body), one row of column captions and one row per record.
//
// Cells: Null as BLANK; integer fields as RK (a 30-bit integer) or, outside that range, NUMBER;
// float and currency fields as NUMBER; text, date, date-time and boolean fields as LABEL with the
// trimmed text as the record set shows it, in GBK, cut to 255 bytes without splitting a character;
// blob fields as BLANK.

#include <QByteArray>
#include <QString>

class QIODevice;

namespace dyt {

class RecordSet;

namespace worksheet {

constexpr int kMaxRows = 65535;  // data rows; row 0 holds the captions
constexpr int kMaxColumns = 256;
constexpr int kMaxLabelBytes = 255;

// Record numbers of the format.
constexpr quint16 kBof = 0x0809;
constexpr quint16 kEof = 0x000A;
constexpr quint16 kBlank = 0x0201;
constexpr quint16 kNumber = 0x0203;
constexpr quint16 kLabel = 0x0204;
constexpr quint16 kRk = 0x027E;

// The worksheet of the visible rows of the record set, in cursor order. Throws DytError when the
// record set has more rows or fields than the format can hold.
QByteArray toBytes(const RecordSet& set);

// Writes the worksheet to an open device; throws DytError when the device refuses the bytes.
void write(const RecordSet& set, QIODevice* device);

// Writes the worksheet file in one step: the file appears whole or not at all (an existing file of
// the name is replaced only on success).
void save(const RecordSet& set, const QString& fileName);

}  // namespace worksheet
}  // namespace dyt
