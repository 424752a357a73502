#include "protocol/protocol.h"

#include <limits>

#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <QDate>
#include <QDateTime>
#include <QtEndian>

#include "common/error.h"
#include "protocol/packetcodec.h"

namespace dyt::proto {
namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
const QString kDateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

[[noreturn]] void badPacket(const QString& what) {
    throw DytError(QStringLiteral("数据包格式错误：%1").arg(what));
}

QString key(const char* name) {
    return QString::fromLatin1(name);
}

}  // namespace

// --- frames

QByteArray encodeFrame(const QByteArray& payload) {
    QByteArray frame(4, Qt::Uninitialized);
    qToBigEndian<quint32>(static_cast<quint32>(payload.size()), frame.data());
    frame.append(payload);
    return frame;
}

QByteArray encodeFrame(const QCborValue& value) {
    return encodeFrame(value.toCbor());
}

QCborValue decodePayload(const QByteArray& payload) {
    QCborStreamReader reader(payload);
    QCborValue value = QCborValue::fromCbor(reader);
    if (reader.lastError() != QCborError::NoError) {
        throw DytError(QStringLiteral("数据帧无法解析：%1").arg(reader.lastError().toString()));
    }
    if (reader.currentOffset() != payload.size()) {
        throw DytError(QStringLiteral("数据帧无法解析：多余的数据"));
    }
    return value;
}

void FrameReader::append(const QByteArray& bytes) {
    if (failed())
        return;
    if (pos_ > 0 && pos_ == buffer_.size()) {
        buffer_.clear();
        pos_ = 0;
    } else if (pos_ > (1 << 20) && pos_ * 2 > buffer_.size()) {
        buffer_.remove(0, pos_);
        pos_ = 0;
    }
    buffer_.append(bytes);
}

bool FrameReader::next(QCborValue* out) {
    if (failed() || pending() < 4)
        return false;
    const quint32 length = qFromBigEndian<quint32>(buffer_.constData() + pos_);
    if (static_cast<qint64>(length) > limit_) {
        error_ = QStringLiteral("数据帧过大：%1 字节，上限 %2 字节").arg(length).arg(limit_);
        return false;
    }
    if (pending() < 4 + static_cast<qint64>(length))
        return false;
    // The value tree copies what it keeps: the payload is read in place.
    const QByteArray payload =
        QByteArray::fromRawData(buffer_.constData() + pos_ + 4, static_cast<qsizetype>(length));
    pos_ += 4 + length;
    try {
        *out = decodePayload(payload);
    } catch (const DytError& e) {
        error_ = e.message();
        return false;
    }
    return true;
}

// --- calls

QCborValue Request::toCbor() const {
    QCborMap m;
    m.insert(key("id"), id);
    m.insert(key("method"), method);
    m.insert(key("args"), args);
    return m;
}

Request Request::fromCbor(const QCborValue& value) {
    if (!value.isMap())
        badPacket(QStringLiteral("请求不是映射"));
    const QCborMap m = value.toMap();
    const QCborValue id = m.value(key("id"));
    const QCborValue method = m.value(key("method"));
    const QCborValue args = m.value(key("args"));
    if (!id.isInteger())
        badPacket(QStringLiteral("请求缺少编号"));
    if (!method.isString() || method.toString().isEmpty()) {
        badPacket(QStringLiteral("请求缺少方法名"));
    }
    if (!args.isArray() && !args.isUndefined())
        badPacket(QStringLiteral("请求参数不是数组"));
    Request r;
    r.id = id.toInteger();
    r.method = method.toString();
    r.args = args.toArray();
    return r;
}

QCborValue Response::toCbor() const {
    QCborMap m;
    m.insert(key("id"), id);
    m.insert(key("result"), result);
    m.insert(key("outs"), outs);
    m.insert(key("error"), error.isEmpty() ? QCborValue(QCborValue::Null) : QCborValue(error));
    return m;
}

Response Response::fromCbor(const QCborValue& value) {
    if (!value.isMap())
        badPacket(QStringLiteral("应答不是映射"));
    const QCborMap m = value.toMap();
    if (!m.value(key("id")).isInteger())
        badPacket(QStringLiteral("应答缺少编号"));
    const QCborValue outs = m.value(key("outs"));
    if (!outs.isArray() && !outs.isUndefined())
        badPacket(QStringLiteral("应答输出不是数组"));
    const QCborValue error = m.value(key("error"));
    if (!error.isString() && !error.isNull() && !error.isUndefined()) {
        badPacket(QStringLiteral("应答错误信息不是文本"));
    }
    Response r;
    r.id = m.value(key("id")).toInteger();
    r.result = m.value(key("result"));
    r.outs = outs.toArray();
    r.error = error.toString();
    return r;
}

// --- record sets

QCborValue cellToCbor(const QVariant& value, FieldType type) {
    if (!value.isValid() || value.isNull())
        return QCborValue(QCborValue::Null);
    bool ok = true;
    const QVariant v = coerceValue(value, type, &ok);
    if (!ok || !v.isValid())
        return QCborValue(QCborValue::Null);
    switch (type) {
        case FieldType::Text:
            return v.toString();
        case FieldType::Integer:
            return v.toLongLong();
        case FieldType::Float:
            return v.toDouble();
        case FieldType::Currency:
            return QCborValue(QCborTag(kTagCurrency),
                              static_cast<qint64>(v.value<Currency>().raw()));
        case FieldType::Date:
            return formatDate(v.toDate());
        case FieldType::DateTime:
            return formatDateTime(v.toDateTime());
        case FieldType::Boolean:
            return v.toBool();
        case FieldType::Blob:
            return v.toByteArray();
    }
    return QCborValue(QCborValue::Null);
}

QVariant cellFromCbor(const QCborValue& value, FieldType type) {
    if (value.isNull() || value.isUndefined())
        return {};
    switch (type) {
        case FieldType::Text:
            if (!value.isString())
                break;
            return value.toString();
        case FieldType::Integer:
            if (!value.isInteger())
                break;
            return value.toInteger();
        case FieldType::Float:
            if (value.isDouble())
                return value.toDouble();
            if (value.isInteger())
                return static_cast<double>(value.toInteger());
            break;
        case FieldType::Currency:
            if (!value.isTag() || value.tag() != QCborTag(kTagCurrency) ||
                !value.taggedValue().isInteger()) {
                break;
            }
            return QVariant::fromValue(Currency::fromRaw(value.taggedValue().toInteger()));
        case FieldType::Date: {
            const QDate d = parseDate(value.toString());
            if (!value.isString() || !d.isValid())
                break;
            return d;
        }
        case FieldType::DateTime: {
            const QDateTime dt = parseDateTime(value.toString());
            if (!value.isString() || !dt.isValid())
                break;
            return dt;
        }
        case FieldType::Boolean:
            if (!value.isBool())
                break;
            return value.toBool();
        case FieldType::Blob:
            if (!value.isByteArray())
                break;
            return value.toByteArray();
    }
    badPacket(QStringLiteral("字段值与类型%1不符").arg(fieldTypeName(type)));
}

// A packet is kTagRecordSet around a byte string that holds the CBOR map {fields, rows}: the rows
// are written and read as a stream, without building a value tree per cell.
namespace {

// Strict reader of the packet stream; every violation throws.
class PacketReader {
public:
    explicit PacketReader(const QByteArray& bytes) : r_(bytes), size_(bytes.size()) {}

    RecordSet read() {
        RecordSet rs;
        QList<FieldType> types;
        bool haveFields = false;
        bool haveRows = false;
        expect(r_.isMap());
        r_.enterContainer();
        while (hasNext()) {
            const QString k = readString();
            if (k == QLatin1String("fields")) {
                expect(r_.isArray() && !haveFields);
                r_.enterContainer();
                while (hasNext()) {
                    expect(r_.isArray());
                    r_.enterContainer();
                    const QString name = readString();
                    FieldType type = FieldType::Text;
                    if (!fieldTypeFromName(readString(), &type))
                        badPacket(QStringLiteral("字段定义无效"));
                    const qint64 size = readInteger();
                    const int index = rs.addField(name, type, static_cast<int>(size));
                    if (hasNext())
                        rs.field(index).displayName = readString();
                    expect(!hasNext());
                    leave();
                    types.append(type);
                }
                leave();
                haveFields = true;
            } else if (k == QLatin1String("rows")) {
                expect(r_.isArray() && haveFields && !haveRows);
                r_.enterContainer();
                while (hasNext()) {
                    expect(r_.isArray());
                    r_.enterContainer();
                    RecordSet::Row row;
                    row.reserve(types.size());
                    for (const FieldType t : std::as_const(types)) {
                        if (!hasNext())
                            badPacket(QStringLiteral("行的列数不符"));
                        row.append(readCell(t));
                    }
                    if (hasNext())
                        badPacket(QStringLiteral("行的列数不符"));
                    leave();
                    rs.appendRow(row);
                }
                leave();
                haveRows = true;
            } else {
                badPacket(QStringLiteral("未知的记录集成员[%1]").arg(k));
            }
        }
        leave();
        if (!haveFields || !haveRows)
            badPacket(QStringLiteral("记录集结构不全"));
        if (r_.lastError() != QCborError::NoError || r_.currentOffset() != size_)
            badPacket(QStringLiteral("记录集后有多余的数据"));
        rs.first();
        return rs;
    }

private:
    void expect(bool condition) {
        if (!condition || r_.lastError() != QCborError::NoError)
            badPacket(QStringLiteral("记录集结构无效"));
    }
    bool hasNext() {
        const bool more = r_.hasNext();
        if (r_.lastError() != QCborError::NoError)
            badPacket(QStringLiteral("记录集数据不完整"));
        return more;
    }
    void leave() {
        if (!r_.leaveContainer())
            badPacket(QStringLiteral("记录集数据不完整"));
    }
    QString readString() {
        expect(r_.isString());
        QString out;
        auto chunk = r_.readString();
        while (chunk.status == QCborStreamReader::Ok) {
            out += chunk.data;
            chunk = r_.readString();
        }
        if (chunk.status == QCborStreamReader::Error)
            badPacket(QStringLiteral("记录集数据不完整"));
        return out;
    }
    QByteArray readBytes() {
        expect(r_.isByteArray());
        QByteArray out;
        auto chunk = r_.readByteArray();
        while (chunk.status == QCborStreamReader::Ok) {
            out += chunk.data;
            chunk = r_.readByteArray();
        }
        if (chunk.status == QCborStreamReader::Error)
            badPacket(QStringLiteral("记录集数据不完整"));
        return out;
    }
    qint64 readInteger() {
        expect(r_.isInteger());
        // A CBOR integer reaches 2^64 either way; a cell holds what a 64-bit integer holds.
        const bool negative = r_.isNegativeInteger();
        const quint64 magnitude =
            negative ? quint64(r_.toNegativeInteger()) - 1 : r_.toUnsignedInteger();
        if (magnitude > quint64(std::numeric_limits<qint64>::max()))
            badPacket(QStringLiteral("记录集中的整数超出范围"));
        r_.next();
        return negative ? -1 - qint64(magnitude) : qint64(magnitude);
    }
    QVariant readCell(FieldType type) {
        if (r_.isNull()) {
            r_.next();
            return {};
        }
        auto mismatch = [type]() -> QVariant {
            badPacket(QStringLiteral("字段值与类型%1不符").arg(fieldTypeName(type)));
        };
        switch (type) {
            case FieldType::Text:
                return r_.isString() ? QVariant(readString()) : mismatch();
            case FieldType::Integer:
                return r_.isInteger() ? QVariant(readInteger()) : mismatch();
            case FieldType::Float:
                if (r_.isInteger())
                    return static_cast<double>(readInteger());
                if (r_.isDouble()) {
                    const double d = r_.toDouble();
                    r_.next();
                    return d;
                }
                return mismatch();
            case FieldType::Currency:
                if (!r_.isTag() || r_.toTag() != QCborTag(kTagCurrency))
                    return mismatch();
                r_.next();
                return r_.isInteger() ? QVariant::fromValue(Currency::fromRaw(readInteger()))
                                      : mismatch();
            case FieldType::Date: {
                const QDate d = r_.isString() ? parseDate(readString()) : QDate();
                return d.isValid() ? QVariant(d) : mismatch();
            }
            case FieldType::DateTime: {
                const QDateTime dt = r_.isString() ? parseDateTime(readString()) : QDateTime();
                return dt.isValid() ? QVariant(dt) : mismatch();
            }
            case FieldType::Boolean:
                if (!r_.isBool())
                    return mismatch();
                {
                    const bool b = r_.toBool();
                    r_.next();
                    return b;
                }
            case FieldType::Blob:
                return r_.isByteArray() ? QVariant(readBytes()) : mismatch();
        }
        return mismatch();
    }

    QCborStreamReader r_;
    qint64 size_;
};

}  // namespace

QCborValue recordSetToCbor(const RecordSet& rs) {
    return QCborValue(QCborTag(kTagRecordSet), QCborValue(packetcodec::encode(rs)));
}

QCborValue packetToCbor(const QByteArray& packet) {
    return QCborValue(QCborTag(kTagRecordSet), QCborValue(packet));
}

bool isRecordSet(const QCborValue& value) {
    return value.isTag() && value.tag() == QCborTag(kTagRecordSet) &&
           value.taggedValue().isByteArray();
}

RecordSet recordSetFromCbor(const QCborValue& value) {
    if (!isRecordSet(value))
        badPacket(QStringLiteral("不是记录集"));
    const QByteArray bytes = value.taggedValue().toByteArray();
    RecordSet rs;
    if (packetcodec::decode(bytes.constData(), bytes.size(), &rs))
        return rs;
    // Forms the direct reader leaves aside (indefinite lengths, chunked texts) and faults, which
    // the stream reader names.
    PacketReader reader(bytes);
    return reader.read();
}

namespace {

// Reads n decimal digits at pos; -1 when any is not a digit.
int digits(QStringView t, int pos, int n) {
    int v = 0;
    for (int i = pos; i < pos + n; ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        v = v * 10 + (c - u'0');
    }
    return v;
}

void appendNumber(QString& out, int value, int width) {
    char buf[8];
    for (int i = width - 1; i >= 0; --i) {
        buf[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(QLatin1String(buf, width));
}

}  // namespace

QDate parseDate(QStringView t) {
    if (t.size() != 10 || t[4] != u'-' || t[7] != u'-')
        return {};
    const int y = digits(t, 0, 4), m = digits(t, 5, 2), d = digits(t, 8, 2);
    if (y < 0 || m < 0 || d < 0)
        return {};
    return QDate(y, m, d);  // invalid for a day that does not exist
}

QDateTime parseDateTime(QStringView t) {
    if (t.size() != 19 || t[10] != u' ' || t[13] != u':' || t[16] != u':')
        return {};
    const QDate d = parseDate(t.left(10));
    const int h = digits(t, 11, 2), mi = digits(t, 14, 2), s = digits(t, 17, 2);
    if (!d.isValid() || h < 0 || mi < 0 || s < 0 || !QTime::isValid(h, mi, s))
        return {};
    return QDateTime(d, QTime(h, mi, s));
}

QString formatDate(const QDate& date) {
    if (!date.isValid() || date.year() < 0 || date.year() > 9999) {
        return date.toString(kDateFormat);
    }
    QString out;
    out.reserve(10);
    appendNumber(out, date.year(), 4);
    out.append(QLatin1Char('-'));
    appendNumber(out, date.month(), 2);
    out.append(QLatin1Char('-'));
    appendNumber(out, date.day(), 2);
    return out;
}

QString formatDateTime(const QDateTime& stamp) {
    if (!stamp.isValid())
        return QString();
    QString out = formatDate(stamp.date());
    const QTime t = stamp.time();
    out.reserve(19);
    out.append(QLatin1Char(' '));
    appendNumber(out, t.hour(), 2);
    out.append(QLatin1Char(':'));
    appendNumber(out, t.minute(), 2);
    out.append(QLatin1Char(':'));
    appendNumber(out, t.second(), 2);
    return out;
}

QString joinLines(const QStringList& lines) {
    return lines.join(QStringLiteral("\r\n"));
}

QStringList splitLines(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = t.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

}  // namespace dyt::proto
