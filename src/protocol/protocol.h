#pragma once
// Wire format shared by the client, the server and dyt-cli.
//
// A frame is a 4-byte big-endian length followed by that many bytes holding one CBOR value.
// A request is the map {id, method, args}; a response is {id, result, outs, error}. Arguments and
// out values are CBOR values: text, integers, byte strings, Null, or record-set packets.

#include <QByteArray>
#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QDate>
#include <QDateTime>
#include <QString>

#include "common/recordset.h"

namespace dyt::proto {

// Default TCP port of the application server.
constexpr int kDefaultPort = 211;
// Frames above this size are refused and the connection closed.
constexpr long long kDefaultFrameLimit = 256LL * 1024 * 1024;

// CBOR tags of the packet format.
constexpr quint64 kTagRecordSet = 40001;  // a record-set packet
constexpr quint64 kTagCurrency = 40002;   // fixed-point value: raw int64 scaled by 10 000

// --- frames

// Length prefix plus payload.
QByteArray encodeFrame(const QByteArray& payload);
QByteArray encodeFrame(const QCborValue& value);

// Collects bytes as they arrive and cuts them into frames. A frame announcing more than the
// limit, or a payload that is not one well-formed CBOR value, puts the reader into the failed
// state; the connection must then be closed.
class FrameReader {
public:
    explicit FrameReader(qint64 limit = kDefaultFrameLimit) : limit_(limit) {}
    // The limit for the frames not yet taken (a connection's limit grows after its login).
    void setLimit(qint64 limit) { limit_ = limit; }

    void append(const QByteArray& bytes);
    // Takes the next complete frame's value; false when none is complete yet or after failure.
    bool next(QCborValue* out);
    bool failed() const { return !error_.isEmpty(); }
    const QString& error() const { return error_; }
    // Bytes received but not yet consumed.
    qint64 pending() const { return buffer_.size() - pos_; }

private:
    qint64 limit_;
    QByteArray buffer_;
    qint64 pos_ = 0;
    QString error_;
};

// Decodes one CBOR payload; throws DytError when the bytes are not exactly one CBOR value.
QCborValue decodePayload(const QByteArray& payload);

// --- calls

struct Request {
    qint64 id = 0;
    QString method;
    QCborArray args;

    QCborValue toCbor() const;
    // Throws DytError for a value that is not a well-formed request.
    static Request fromCbor(const QCborValue& value);
};

struct Response {
    qint64 id = 0;
    QCborValue result;
    QCborArray outs;
    QString error;  // empty on success

    QCborValue toCbor() const;
    static Response fromCbor(const QCborValue& value);
    // The result as an integer (0 when it is not one).
    qint64 code() const { return result.isInteger() ? result.toInteger() : 0; }
    QCborValue out(int index) const { return index < outs.size() ? outs.at(index) : QCborValue(); }
    QString outText(int index) const { return out(index).toString(); }
};

// --- record-set packets

// Encodes fields (name, type, size, caption) and rows. Null cells are CBOR null; currency cells
// carry the raw fixed-point integer under kTagCurrency; dates travel as "yyyy-MM-dd" and
// datetimes as "yyyy-MM-dd HH:mm:ss".
QCborValue recordSetToCbor(const RecordSet& rs);
// The same for the bytes of a packet already written (packetcodec::Writer).
QCborValue packetToCbor(const QByteArray& packet);
// Throws DytError for a packet that is not a record set or whose cells do not fit their fields.
RecordSet recordSetFromCbor(const QCborValue& value);
bool isRecordSet(const QCborValue& value);

// Encodes and decodes one cell of the given field type.
QCborValue cellToCbor(const QVariant& value, FieldType type);
QVariant cellFromCbor(const QCborValue& value, FieldType type);

// Dates as they travel: "yyyy-MM-dd" and "yyyy-MM-dd HH:mm:ss" (strict; invalid otherwise).
QDate parseDate(QStringView text);
QDateTime parseDateTime(QStringView text);
QString formatDate(const QDate& date);
QString formatDateTime(const QDateTime& stamp);

// Text of a name=value list as it travels (lines joined with CR LF).
QString joinLines(const QStringList& lines);
QStringList splitLines(const QString& text);

}  // namespace dyt::proto
