#pragma once
// The record-set packet's inner bytes (the CBOR map {fields, rows}) written and read straight on
// the byte buffer: no stream device, no value tree, texts converted between UTF-16 and UTF-8 in
// place. The bytes are those of the general CBOR writer; the reader takes the definite-length
// forms that writers produce and leaves anything else to the general reader.

#include <QByteArray>

#include <memory>

#include "common/recordset.h"

namespace dyt::proto::packetcodec {

// The packet bytes of a record set.
QByteArray encode(const RecordSet& rs);

// Reads packet bytes into *out. False, with *out unspecified, when the bytes use a form this
// reader leaves to the general one or are not a valid packet: the general reader then decides
// (and names the fault).
bool decode(const char* data, qsizetype size, RecordSet* out);

// A packet's rows one at a time, each cell as it lies in the bytes (texts as UTF-8), for a reader
// that stores them elsewhere and needs no record set. The cells are checked against their field
// types as decode() checks them.
class RowReader {
public:
    struct Cell {
        enum Kind { Null, Integer, Double, Text, Bytes, Currency, Boolean };
        Kind kind = Null;
        qint64 integer = 0;  // Integer, Currency (raw), Boolean (0 or 1)
        double real = 0;
        const char* data = nullptr;  // Text (UTF-8), Bytes
        qsizetype size = 0;
    };

    RowReader();
    ~RowReader();
    RowReader(const RowReader&) = delete;
    RowReader& operator=(const RowReader&) = delete;

    // Reads the fields. False when the bytes use a form left to the general reader or are not a
    // packet; the bytes must outlive the reader.
    bool open(const char* data, qsizetype size);
    const QList<Field>& fields() const { return fields_; }
    qsizetype rowCount() const { return rows_; }
    // Steps to the next row; false after the last one or at a fault (then ok() is false).
    bool next();
    bool ok() const;
    const Cell& cell(int column) const { return cells_[column]; }
    // The cell as a record set holds it.
    QVariant value(int column) const;

private:
    struct State;
    std::unique_ptr<State> d_;
    QList<Field> fields_;
    QList<Cell> cells_;
    qsizetype rows_ = 0;
    qsizetype row_ = 0;
};

// A packet written row by row, for a writer that holds no record set: the bytes are those
// encode() gives for a record set of the same fields and values. Each row takes one cell per
// field, in order; a typed cell that does not match its field's type is converted as a record set
// would convert it.
class Writer {
public:
    explicit Writer(const QList<Field>& fields, qsizetype rowsGuess = 0);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    const QList<Field>& fields() const { return fields_; }
    qsizetype rowCount() const { return rows_; }
    // The bytes of the rows so far: what a size limit counts.
    qsizetype size() const;

    void beginRow();
    void null();
    void integer(qint64 v);
    void real(double v);
    void text(QStringView v);
    // A text as UTF-8 bytes; malformed bytes are read as QString::fromUtf8 reads them.
    void utf8(const char* data, qsizetype size);
    void currency(qint64 raw);
    void boolean(bool v);
    // Any value, converted to the field's type as a record set converts it.
    void value(const QVariant& v);

    // The packet bytes; the writer is then empty. Fails when a row lacks cells.
    QByteArray finish();

private:
    FieldType next();

    struct State;
    std::unique_ptr<State> d_;
    QList<Field> fields_;
    qsizetype rows_ = 0;
    int column_ = 0;
};

// True when QString::fromUtf8 reads the bytes as the same text: well-formed UTF-8 without a byte
// order mark at the start. Such pieces joined stay so.
bool plainUtf8(const char* data, qsizetype size);

// Appends the UTF-8 form of a text as a CBOR text string.
void appendText(QByteArray& out, QStringView text);

}  // namespace dyt::proto::packetcodec
