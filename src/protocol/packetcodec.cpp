#include "protocol/packetcodec.h"

#include <QDate>
#include <QDateTime>

#include <cstring>
#include <limits>

#include "common/error.h"
#include "protocol/protocol.h"

namespace dyt::proto::packetcodec {
namespace {

// --- writing

enum Major : quint8 {
    kUnsigned = 0,
    kNegative = 1,
    kBytes = 2,
    kText = 3,
    kArray = 4,
    kMap = 5,
    kTag = 6,
    kSimple = 7,
};

constexpr char kFalse = char(0xf4);
constexpr char kTrue = char(0xf5);
constexpr char kNull = char(0xf6);
constexpr char kDouble = char(0xfb);

// A growing buffer written through a raw pointer; the capacity is ensured before each write.
class Out {
public:
    explicit Out(qsizetype reserve) { bytes_.resize(qMax<qsizetype>(reserve, 64)); }

    void ensure(qsizetype more) {
        if (used_ + more > bytes_.size())
            bytes_.resize(qMax(bytes_.size() * 2, used_ + more));
    }
    char* at() { return bytes_.data() + used_; }
    void advance(qsizetype n) { used_ += n; }

    void head(Major major, quint64 value) {
        ensure(9);
        char* p = at();
        const char m = static_cast<char>(major << 5);
        if (value < 24) {
            p[0] = static_cast<char>(m | static_cast<char>(value));
            used_ += 1;
        } else if (value <= 0xff) {
            p[0] = static_cast<char>(m | 24);
            p[1] = static_cast<char>(value);
            used_ += 2;
        } else if (value <= 0xffff) {
            p[0] = static_cast<char>(m | 25);
            p[1] = static_cast<char>(value >> 8);
            p[2] = static_cast<char>(value);
            used_ += 3;
        } else if (value <= 0xffffffffULL) {
            p[0] = static_cast<char>(m | 26);
            for (int i = 0; i < 4; ++i)
                p[1 + i] = static_cast<char>(value >> (24 - 8 * i));
            used_ += 5;
        } else {
            p[0] = static_cast<char>(m | 27);
            for (int i = 0; i < 8; ++i)
                p[1 + i] = static_cast<char>(value >> (56 - 8 * i));
            used_ += 9;
        }
    }
    void byte(char b) {
        ensure(1);
        bytes_[used_++] = b;
    }
    void integer(qint64 v) {
        if (v >= 0)
            head(kUnsigned, static_cast<quint64>(v));
        else
            head(kNegative, static_cast<quint64>(-1 - v));
    }
    void real(double d) {
        quint64 bits = 0;
        std::memcpy(&bits, &d, sizeof bits);
        ensure(9);
        char* p = at();
        p[0] = kDouble;
        for (int i = 0; i < 8; ++i)
            p[1 + i] = static_cast<char>(bits >> (56 - 8 * i));
        used_ += 9;
    }
    void raw(Major major, const char* data, qsizetype n) {
        head(major, static_cast<quint64>(n));
        ensure(n);
        if (n > 0)
            std::memcpy(at(), data, static_cast<size_t>(n));
        used_ += n;
    }
    void text(QStringView s);
    void latin(const char* s) { raw(kText, s, static_cast<qsizetype>(std::strlen(s))); }
    // Digits of a number of the given width, zero-padded (the caller has ensured the room).
    void digits(int value, int width) {
        char* p = at();
        for (int i = width - 1; i >= 0; --i) {
            p[i] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
        used_ += width;
    }
    void date(const QDate& d, const QTime* t);

    QByteArray take() {
        bytes_.resize(used_);
        return std::move(bytes_);
    }
    QByteArray& buffer() { return bytes_; }
    qsizetype used() const { return used_; }

private:
    QByteArray bytes_;
    qsizetype used_ = 0;
};

// UTF-8 length of a text; -1 when it holds a lone surrogate (the general converter decides how
// to write that).
qsizetype utf8Length(QStringView s) {
    qsizetype n = 0;
    const char16_t* p = s.utf16();
    const char16_t* end = p + s.size();
    while (p < end) {
        const char16_t c = *p++;
        if (c < 0x80) {
            n += 1;
        } else if (c < 0x800) {
            n += 2;
        } else if (c >= 0xd800 && c < 0xe000) {
            if (c >= 0xdc00 || p == end || *p < 0xdc00 || *p >= 0xe000)
                return -1;
            ++p;
            n += 4;
        } else {
            n += 3;
        }
    }
    return n;
}

void Out::text(QStringView s) {
    const qsizetype n = utf8Length(s);
    if (n < 0) {
        const QByteArray u = s.toUtf8();
        raw(kText, u.constData(), u.size());
        return;
    }
    head(kText, static_cast<quint64>(n));
    ensure(n);
    auto* o = reinterpret_cast<unsigned char*>(at());
    const char16_t* p = s.utf16();
    const char16_t* end = p + s.size();
    while (p < end) {
        const char32_t c = *p++;
        if (c < 0x80) {
            *o++ = static_cast<unsigned char>(c);
        } else if (c < 0x800) {
            *o++ = static_cast<unsigned char>(0xc0 | (c >> 6));
            *o++ = static_cast<unsigned char>(0x80 | (c & 0x3f));
        } else if (c >= 0xd800 && c < 0xdc00) {
            const char32_t u = 0x10000 + ((c - 0xd800) << 10) + (*p++ - 0xdc00);
            *o++ = static_cast<unsigned char>(0xf0 | (u >> 18));
            *o++ = static_cast<unsigned char>(0x80 | ((u >> 12) & 0x3f));
            *o++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3f));
            *o++ = static_cast<unsigned char>(0x80 | (u & 0x3f));
        } else {
            *o++ = static_cast<unsigned char>(0xe0 | (c >> 12));
            *o++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3f));
            *o++ = static_cast<unsigned char>(0x80 | (c & 0x3f));
        }
    }
    used_ += n;
}

// "yyyy-MM-dd" or "yyyy-MM-dd HH:mm:ss" of a valid date in the four-digit years.
void Out::date(const QDate& d, const QTime* t) {
    int y = 0, m = 0, day = 0;
    d.getDate(&y, &m, &day);
    const int n = t ? 19 : 10;
    head(kText, static_cast<quint64>(n));
    ensure(n);
    digits(y, 4);
    byte('-');
    digits(m, 2);
    byte('-');
    digits(day, 2);
    if (t) {
        byte(' ');
        digits(t->hour(), 2);
        byte(':');
        digits(t->minute(), 2);
        byte(':');
        digits(t->second(), 2);
    }
}

// Dates outside the four-digit years take the general formatting, as they always have.
bool plainYear(const QDate& d) {
    return d.isValid() && d.year() >= 0 && d.year() <= 9999;
}

void writeCell(Out& w, const QVariant& value, FieldType type) {
    if (!value.isValid() || value.isNull()) {
        w.byte(kNull);
        return;
    }
    static const int currencyId = qMetaTypeId<Currency>();
    const int id = value.metaType().id();
    const bool exact = (type == FieldType::Text && id == QMetaType::QString) ||
                       (type == FieldType::Integer && id == QMetaType::LongLong) ||
                       (type == FieldType::Float && id == QMetaType::Double) ||
                       (type == FieldType::Currency && id == currencyId) ||
                       (type == FieldType::Date && id == QMetaType::QDate) ||
                       (type == FieldType::DateTime && id == QMetaType::QDateTime) ||
                       (type == FieldType::Boolean && id == QMetaType::Bool) ||
                       (type == FieldType::Blob && id == QMetaType::QByteArray);
    QVariant coerced;
    const QVariant* v = &value;
    if (!exact) {
        bool ok = true;
        coerced = coerceValue(value, type, &ok);
        if (!ok || !coerced.isValid()) {
            w.byte(kNull);
            return;
        }
        v = &coerced;
    }
    switch (type) {
        case FieldType::Text:
            w.text(*static_cast<const QString*>(v->constData()));
            return;
        case FieldType::Integer:
            w.integer(*static_cast<const qlonglong*>(v->constData()));
            return;
        case FieldType::Float:
            w.real(*static_cast<const double*>(v->constData()));
            return;
        case FieldType::Currency:
            w.head(kTag, kTagCurrency);
            w.integer(static_cast<const Currency*>(v->constData())->raw());
            return;
        case FieldType::Date: {
            const QDate& d = *static_cast<const QDate*>(v->constData());
            if (plainYear(d))
                w.date(d, nullptr);
            else
                w.text(formatDate(d));
            return;
        }
        case FieldType::DateTime: {
            const QDateTime& dt = *static_cast<const QDateTime*>(v->constData());
            const QDate d = dt.isValid() ? dt.date() : QDate();
            if (plainYear(d)) {
                const QTime t = dt.time();
                w.date(d, &t);
            } else {
                w.text(formatDateTime(dt));
            }
            return;
        }
        case FieldType::Boolean:
            w.byte(*static_cast<const bool*>(v->constData()) ? kTrue : kFalse);
            return;
        case FieldType::Blob: {
            const QByteArray& b = *static_cast<const QByteArray*>(v->constData());
            w.raw(kBytes, b.constData(), b.size());
            return;
        }
    }
    w.byte(kNull);
}

// --- reading

// A strict reader of definite-length items over the bytes; every step that fails leaves ok_
// false, after which the reader only answers false.
class In {
public:
    In(const char* data, qsizetype size)
        : p_(reinterpret_cast<const unsigned char*>(data)), end_(p_ + size) {}

    bool atEnd() const { return p_ == end_; }
    bool ok() const { return ok_; }
    unsigned char peek() const { return p_ < end_ ? *p_ : 0xff; }
    Major peekMajor() const { return static_cast<Major>(peek() >> 5); }

    // The head of the next item when it has that major type; its argument in *value.
    bool head(Major major, quint64* value) {
        if (!ok_ || p_ >= end_ || (*p_ >> 5) != major)
            return fail();
        const unsigned info = *p_ & 0x1f;
        ++p_;
        if (info < 24) {
            *value = info;
            return true;
        }
        if (info > 27)
            return fail();  // indefinite lengths and reserved forms
        const int n = 1 << (info - 24);
        if (end_ - p_ < n)
            return fail();
        quint64 v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | p_[i];
        p_ += n;
        *value = v;
        return true;
    }
    bool count(Major major, qsizetype* n) {
        quint64 v = 0;
        if (!head(major, &v) || v > static_cast<quint64>(end_ - p_))
            return fail();  // every element takes a byte at least
        *n = static_cast<qsizetype>(v);
        return true;
    }
    bool integer(qint64* out) {
        quint64 v = 0;
        const Major m = peekMajor();
        if ((m != kUnsigned && m != kNegative) || !head(m, &v) ||
            v > static_cast<quint64>(std::numeric_limits<qint64>::max()))
            return fail();
        *out = m == kUnsigned ? static_cast<qint64>(v) : -1 - static_cast<qint64>(v);
        return true;
    }
    bool real(double* out) {
        if (!ok_ || end_ - p_ < 9 || *p_ != 0xfb)
            return fail();
        quint64 bits = 0;
        for (int i = 1; i <= 8; ++i)
            bits = (bits << 8) | p_[i];
        std::memcpy(out, &bits, sizeof bits);
        p_ += 9;
        return true;
    }
    bool bytes(Major major, const char** data, qsizetype* n) {
        if (!count(major, n))
            return false;
        *data = reinterpret_cast<const char*>(p_);
        p_ += *n;
        return true;
    }
    bool text(QString* out);
    bool key(const char* name) {
        const char* d = nullptr;
        qsizetype n = 0;
        const qsizetype want = static_cast<qsizetype>(std::strlen(name));
        return bytes(kText, &d, &n) && n == want && std::memcmp(d, name, size_t(n)) == 0 ? true
                                                                                         : fail();
    }
    bool simple(unsigned char b) {
        if (!ok_ || p_ >= end_ || *p_ != b)
            return fail();
        ++p_;
        return true;
    }

private:
    bool fail() {
        ok_ = false;
        return false;
    }
    const unsigned char* p_;
    const unsigned char* end_;
    bool ok_ = true;
};

// True for well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF (what the
// stream reader refuses, this reader leaves to it).
bool validUtf8(const unsigned char* p, qsizetype n) {
    const unsigned char* end = p + n;
    while (p < end) {
        quint64 word = 0;
        if (end - p >= 8 && (std::memcpy(&word, p, 8), (word & 0x8080808080808080ULL) == 0)) {
            p += 8;
            continue;
        }
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        char32_t u = 0;
        int more = 0;
        char32_t min = 0;
        if (c >= 0xc2 && c < 0xe0) {
            u = c & 0x1f;
            more = 1;
            min = 0x80;
        } else if (c >= 0xe0 && c < 0xf0) {
            u = c & 0x0f;
            more = 2;
            min = 0x800;
        } else if (c >= 0xf0 && c < 0xf5) {
            u = c & 0x07;
            more = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xc0) != 0x80)
                return false;
            u = (u << 6) | (p[i] & 0x3f);
        }
        if (u < min || u > 0x10ffff || (u >= 0xd800 && u < 0xe000))
            return false;
        p += more + 1;
    }
    return true;
}

bool In::text(QString* out) {
    const char* d = nullptr;
    qsizetype n = 0;
    if (!bytes(kText, &d, &n))
        return false;
    if (!validUtf8(reinterpret_cast<const unsigned char*>(d), n))
        return fail();
    *out = QString::fromUtf8(d, n);
    return true;
}

bool readCell(In& in, FieldType type, QVariant* cell) {
    if (in.peek() == 0xf6) {
        in.simple(0xf6);
        *cell = QVariant();
        return true;
    }
    switch (type) {
        case FieldType::Text: {
            QString s;
            if (!in.text(&s))
                return false;
            *cell = std::move(s);
            return true;
        }
        case FieldType::Integer: {
            qint64 v = 0;
            if (!in.integer(&v))
                return false;
            *cell = v;
            return true;
        }
        case FieldType::Float: {
            double d = 0;
            if (in.peek() == 0xfb) {
                if (!in.real(&d))
                    return false;
            } else {
                qint64 v = 0;
                if (!in.integer(&v))
                    return false;
                d = static_cast<double>(v);
            }
            *cell = d;
            return true;
        }
        case FieldType::Currency: {
            quint64 tag = 0;
            qint64 v = 0;
            if (!in.head(kTag, &tag) || tag != kTagCurrency || !in.integer(&v))
                return false;
            *cell = QVariant::fromValue(Currency::fromRaw(v));
            return true;
        }
        case FieldType::Date:
        case FieldType::DateTime: {
            const char* d = nullptr;
            qsizetype n = 0;
            if (!in.bytes(kText, &d, &n) || n > 19)
                return false;
            QChar buf[19];
            for (qsizetype i = 0; i < n; ++i) {
                if (static_cast<unsigned char>(d[i]) >= 0x80)
                    return false;
                buf[i] = QLatin1Char(d[i]);
            }
            const QStringView t(buf, n);
            if (type == FieldType::Date) {
                const QDate date = parseDate(t);
                if (!date.isValid())
                    return false;
                *cell = date;
            } else {
                const QDateTime stamp = parseDateTime(t);
                if (!stamp.isValid())
                    return false;
                *cell = stamp;
            }
            return true;
        }
        case FieldType::Boolean:
            if (in.peek() == 0xf5 || in.peek() == 0xf4) {
                const bool b = in.peek() == 0xf5;
                in.simple(in.peek());
                *cell = b;
                return true;
            }
            return false;
        case FieldType::Blob: {
            const char* d = nullptr;
            qsizetype n = 0;
            if (!in.bytes(kBytes, &d, &n))
                return false;
            *cell = QByteArray(d, n);
            return true;
        }
    }
    return false;
}

using Cell = RowReader::Cell;

// A cell as it lies in the bytes, checked against its field type.
bool readCellView(In& in, FieldType type, Cell* cell) {
    *cell = Cell();
    if (in.peek() == 0xf6)
        return in.simple(0xf6);
    switch (type) {
        case FieldType::Text:
            cell->kind = Cell::Text;
            return in.bytes(kText, &cell->data, &cell->size) &&
                   validUtf8(reinterpret_cast<const unsigned char*>(cell->data), cell->size);
        case FieldType::Integer:
            cell->kind = Cell::Integer;
            return in.integer(&cell->integer);
        case FieldType::Float:
            cell->kind = Cell::Double;
            if (in.peek() == 0xfb)
                return in.real(&cell->real);
            if (!in.integer(&cell->integer))
                return false;
            cell->real = static_cast<double>(cell->integer);
            return true;
        case FieldType::Currency: {
            quint64 tag = 0;
            cell->kind = Cell::Currency;
            return in.head(kTag, &tag) && tag == kTagCurrency && in.integer(&cell->integer);
        }
        case FieldType::Date:
        case FieldType::DateTime: {
            QVariant v;
            In probe = in;
            if (!readCell(probe, type, &v))
                return false;
            cell->kind = Cell::Text;
            return in.bytes(kText, &cell->data, &cell->size);
        }
        case FieldType::Boolean:
            if (in.peek() != 0xf5 && in.peek() != 0xf4)
                return false;
            cell->kind = Cell::Boolean;
            cell->integer = in.peek() == 0xf5 ? 1 : 0;
            return in.simple(in.peek());
        case FieldType::Blob:
            cell->kind = Cell::Bytes;
            return in.bytes(kBytes, &cell->data, &cell->size);
    }
    return false;
}

bool readFields(In& in, QList<Field>* fields) {
    qsizetype pairs = 0;
    if (!in.count(kMap, &pairs) || pairs != 2 || !in.key("fields"))
        return false;
    qsizetype fieldCount = 0;
    if (!in.count(kArray, &fieldCount))
        return false;
    RecordSet check;  // refuses what a record set refuses (empty and repeated names)
    for (qsizetype f = 0; f < fieldCount; ++f) {
        qsizetype parts = 0;
        Field field;
        QString typeName;
        qint64 size = 0;
        if (!in.count(kArray, &parts) || (parts != 3 && parts != 4) || !in.text(&field.name) ||
            !in.text(&typeName) || !fieldTypeFromName(typeName, &field.type) ||
            !in.integer(&size) || (parts == 4 && !in.text(&field.displayName)))
            return false;
        field.size = static_cast<int>(size);
        check.addField(field.name, field.type, field.size);
        fields->append(field);
    }
    return true;
}

bool decodeInto(In& in, RecordSet& rs) {
    QList<Field> fields;
    if (!readFields(in, &fields))
        return false;
    QList<FieldType> types;
    for (const Field& f : std::as_const(fields)) {
        rs.field(rs.addField(f.name, f.type, f.size)).displayName = f.displayName;
        types.append(f.type);
    }
    qsizetype rows = 0;
    if (!in.key("rows") || !in.count(kArray, &rows))
        return false;
    const qsizetype columns = types.size();
    rs.reserveRows(static_cast<int>(rows));
    for (qsizetype r = 0; r < rows; ++r) {
        qsizetype n = 0;
        if (!in.count(kArray, &n) || n != columns)
            return false;
        RecordSet::Row row(columns);
        for (qsizetype c = 0; c < columns; ++c) {
            if (!readCell(in, types[c], &row[c]))
                return false;
        }
        rs.appendTypedRow(std::move(row));
    }
    return in.ok() && in.atEnd();
}

}  // namespace

void appendText(QByteArray& out, QStringView text) {
    Out w(text.size() * 3 + 9);
    w.text(text);
    out += w.take();
}

namespace {

// The packet up to its rows: the map, the fields and the head of the rows' array.
void writeHead(Out& w, const QList<Field>& fields, qsizetype rows) {
    w.head(kMap, 2);
    w.latin("fields");
    w.head(kArray, static_cast<quint64>(fields.size()));
    for (const Field& f : fields) {
        w.head(kArray, 4);
        w.text(f.name);
        w.text(fieldTypeName(f.type));
        w.integer(f.size);
        w.text(f.displayName);
    }
    w.latin("rows");
    w.head(kArray, static_cast<quint64>(rows));
}

}  // namespace

QByteArray encode(const RecordSet& rs) {
    const int columns = rs.fieldCount();
    // A first guess at the size: ten bytes a cell; the buffer grows as needed.
    Out w(64 + qsizetype(rs.rowCount()) * (2 + columns * 10));
    writeHead(w, rs.fields(), rs.rowCount());
    const QList<Field>& fields = rs.fields();
    for (int r = 0; r < rs.rowCount(); ++r) {
        w.head(kArray, static_cast<quint64>(columns));
        const RecordSet::Row& row = rs.row(r);
        for (int c = 0; c < columns; ++c)
            writeCell(w, c < row.size() ? row[c] : QVariant(), fields[c].type);
    }
    return w.take();
}

// --- writing row by row

bool plainUtf8(const char* data, qsizetype size) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    // QString::fromUtf8 drops a byte order mark at the start.
    const bool mark = size >= 3 && bytes[0] == 0xef && bytes[1] == 0xbb && bytes[2] == 0xbf;
    return !mark && validUtf8(bytes, size);
}

struct Writer::State {
    explicit State(qsizetype reserve) : rows(reserve) {}
    Out rows;
};

Writer::Writer(const QList<Field>& fields, qsizetype rowsGuess)
    : d_(std::make_unique<State>(rowsGuess * (2 + fields.size() * 10))), fields_(fields) {}

Writer::~Writer() = default;

qsizetype Writer::size() const {
    return d_->rows.used();
}

void Writer::beginRow() {
    if (rows_ > 0 && column_ != fields_.size())
        throw DytError(QStringLiteral("记录集的第%1行缺少字段值").arg(rows_));
    d_->rows.head(kArray, static_cast<quint64>(fields_.size()));
    ++rows_;
    column_ = 0;
}

// The type of the cell about to be written.
FieldType Writer::next() {
    if (rows_ == 0 || column_ >= fields_.size())
        throw DytError(QStringLiteral("记录集的字段值多于字段个数"));
    return fields_[column_++].type;
}

void Writer::null() {
    next();
    d_->rows.byte(kNull);
}

void Writer::integer(qint64 v) {
    if (fields_.value(column_).type != FieldType::Integer)
        return value(QVariant(v));
    next();
    d_->rows.integer(v);
}

void Writer::real(double v) {
    if (fields_.value(column_).type != FieldType::Float)
        return value(QVariant(v));
    next();
    d_->rows.real(v);
}

void Writer::text(QStringView v) {
    if (fields_.value(column_).type != FieldType::Text)
        return value(QVariant(v.toString()));
    next();
    d_->rows.text(v);
}

void Writer::utf8(const char* data, qsizetype size) {
    if (fields_.value(column_).type != FieldType::Text || !plainUtf8(data, size))
        return text(QString::fromUtf8(data, size));
    next();
    d_->rows.raw(kText, data, size);
}

void Writer::currency(qint64 raw) {
    if (fields_.value(column_).type != FieldType::Currency)
        return value(QVariant::fromValue(Currency::fromRaw(raw)));
    next();
    d_->rows.head(kTag, kTagCurrency);
    d_->rows.integer(raw);
}

void Writer::boolean(bool v) {
    if (fields_.value(column_).type != FieldType::Boolean)
        return value(QVariant(v));
    next();
    d_->rows.byte(v ? kTrue : kFalse);
}

void Writer::value(const QVariant& v) {
    const int at = column_;
    const FieldType type = next();
    bool ok = true;
    const QVariant coerced = coerceValue(v, type, &ok);
    if (!ok) {
        throw DytError(QStringLiteral("字段[%1]的值[%2]无效").arg(fields_[at].name, v.toString()));
    }
    writeCell(d_->rows, coerced, type);
}

QByteArray Writer::finish() {
    if (rows_ > 0 && column_ != fields_.size())
        throw DytError(QStringLiteral("记录集的第%1行缺少字段值").arg(rows_));
    Out w(64 + fields_.size() * 32 + 9);
    writeHead(w, fields_, rows_);
    const qsizetype n = d_->rows.used();
    w.ensure(n);
    if (n > 0)
        std::memcpy(w.at(), d_->rows.buffer().constData(), static_cast<size_t>(n));
    w.advance(n);
    d_ = std::make_unique<State>(0);
    rows_ = 0;
    column_ = 0;
    return w.take();
}

struct RowReader::State {
    State(const char* data, qsizetype size) : in(data, size) {}
    In in;
    QList<FieldType> types;
    bool failed = false;
};

RowReader::RowReader() = default;
RowReader::~RowReader() = default;

bool RowReader::open(const char* data, qsizetype size) {
    d_ = std::make_unique<State>(data, size);
    fields_.clear();
    rows_ = row_ = 0;
    try {
        if (!readFields(d_->in, &fields_))
            return false;
    } catch (const DytError&) {
        return false;
    }
    for (const Field& f : std::as_const(fields_))
        d_->types.append(f.type);
    cells_.resize(fields_.size());
    return d_->in.key("rows") && d_->in.count(kArray, &rows_);
}

bool RowReader::ok() const {
    return d_ && !d_->failed && d_->in.ok() && (row_ < rows_ || d_->in.atEnd());
}

bool RowReader::next() {
    if (!d_ || !d_->in.ok() || row_ >= rows_)
        return false;
    qsizetype n = 0;
    d_->failed = !d_->in.count(kArray, &n) || n != fields_.size();
    for (qsizetype c = 0; c < n && !d_->failed; ++c)
        d_->failed = !readCellView(d_->in, d_->types[c], &cells_[c]);
    if (d_->failed)
        return false;
    ++row_;
    return true;
}

QVariant RowReader::value(int column) const {
    const Cell& c = cells_[column];
    switch (c.kind) {
        case Cell::Null:
            return {};
        case Cell::Integer:
            return c.integer;
        case Cell::Double:
            return c.real;
        case Cell::Currency:
            return QVariant::fromValue(Currency::fromRaw(c.integer));
        case Cell::Boolean:
            return c.integer != 0;
        case Cell::Bytes:
            return QByteArray(c.data, c.size);
        case Cell::Text:
            break;
    }
    const QString text = QString::fromUtf8(c.data, c.size);
    switch (fields_[column].type) {
        case FieldType::Date:
            return parseDate(text);
        case FieldType::DateTime:
            return parseDateTime(text);
        default:
            return text;
    }
}

bool decode(const char* data, qsizetype size, RecordSet* out) {
    In in(data, size);
    RecordSet rs;
    try {
        if (!decodeInto(in, rs))
            return false;
    } catch (const DytError&) {
        return false;  // a field the record set refuses: the general reader names it
    }
    rs.first();
    *out = std::move(rs);
    return true;
}

}  // namespace dyt::proto::packetcodec
