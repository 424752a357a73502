#include "common/filterexpr.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "common/currency.h"
#include "common/error.h"

namespace dyt {

namespace {

constexpr qint64 kMsecsPerDay = 86'400'000;

// Three-valued truth: a comparison with Null is neither true nor false.
enum class Tri : quint8 { False, True, Unknown };

Tri triNot(Tri t) {
    if (t == Tri::Unknown)
        return t;
    return t == Tri::True ? Tri::False : Tri::True;
}

// Kinds of evaluated values. Date and DateTime both hold wall-clock milliseconds counted from the
// start of the Julian calendar, so that they compare with each other directly.
enum class Kind : quint8 { Null, Bool, Int, Cur, Real, Text, Date, DateTime, Blob };

bool isNumeric(Kind k) {
    return k == Kind::Bool || k == Kind::Int || k == Kind::Cur || k == Kind::Real;
}
bool isTemporal(Kind k) {
    return k == Kind::Date || k == Kind::DateTime;
}

Kind kindOf(FieldType t) {
    switch (t) {
        case FieldType::Text:
            return Kind::Text;
        case FieldType::Integer:
            return Kind::Int;
        case FieldType::Float:
            return Kind::Real;
        case FieldType::Currency:
            return Kind::Cur;
        case FieldType::Date:
            return Kind::Date;
        case FieldType::DateTime:
            return Kind::DateTime;
        case FieldType::Boolean:
            return Kind::Bool;
        case FieldType::Blob:
            return Kind::Blob;
    }
    return Kind::Text;
}

// One evaluated value. Text is a view: into the row, into the compiled tree, or into `owned`
// when the value was computed.
struct Value {
    Kind kind = Kind::Null;
    qint64 i = 0;  // Bool (0/1), Int, Cur (raw, scaled by 10 000), Date and DateTime (msecs)
    double d = 0;  // Real
    QStringView s;
    QString owned;

    void setText(QString t) {
        owned = std::move(t);
        s = owned;
        kind = Kind::Text;
    }
    bool isNull() const { return kind == Kind::Null; }
};

int currencyTypeId() {
    static const int id = qMetaTypeId<Currency>();
    return id;
}

qint64 temporalOf(const QDate& d, const QTime& t) {
    return d.toJulianDay() * kMsecsPerDay + (t.isValid() ? t.msecsSinceStartOfDay() : 0);
}

void loadVariant(const QVariant& v, Value& out) {
    const int id = v.userType();
    switch (id) {
        case QMetaType::UnknownType:
            out.kind = Kind::Null;
            return;
        case QMetaType::QString:
            out.kind = Kind::Text;
            out.s = *static_cast<const QString*>(v.constData());
            return;
        case QMetaType::LongLong:
            out.kind = Kind::Int;
            out.i = *static_cast<const qint64*>(v.constData());
            return;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::ULongLong:
            out.kind = Kind::Int;
            out.i = v.toLongLong();
            return;
        case QMetaType::Double:
        case QMetaType::Float:
            out.kind = Kind::Real;
            out.d = v.toDouble();
            return;
        case QMetaType::Bool:
            out.kind = Kind::Bool;
            out.i = v.toBool() ? 1 : 0;
            return;
        case QMetaType::QDate: {
            const QDate d = v.toDate();
            if (!d.isValid()) {
                out.kind = Kind::Null;
                return;
            }
            out.kind = Kind::Date;
            out.i = temporalOf(d, QTime(0, 0));
            return;
        }
        case QMetaType::QDateTime: {
            const QDateTime dt = v.toDateTime();
            if (!dt.isValid()) {
                out.kind = Kind::Null;
                return;
            }
            out.kind = Kind::DateTime;
            out.i = temporalOf(dt.date(), dt.time());
            return;
        }
        case QMetaType::QByteArray:
            out.kind = Kind::Blob;
            return;
        default:
            break;
    }
    if (id == currencyTypeId()) {
        out.kind = Kind::Cur;
        out.i = static_cast<const Currency*>(v.constData())->raw();
        return;
    }
    out.setText(v.toString());
}

QString temporalText(qint64 msecs, bool withTime) {
    qint64 day = msecs / kMsecsPerDay;
    qint64 rest = msecs % kMsecsPerDay;
    if (rest < 0) {
        rest += kMsecsPerDay;
        --day;
    }
    const QDate d = QDate::fromJulianDay(day);
    if (!withTime)
        return d.toString(QStringLiteral("yyyy-MM-dd"));
    return d.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
           QTime::fromMSecsSinceStartOfDay(static_cast<int>(rest))
               .toString(QStringLiteral("HH:mm:ss"));
}

QString realText(double d) {
    return QString::number(d, 'g', 15);
}

// Text form of a value, as the record set shows it. Null gives a null string.
QString textOf(const Value& v) {
    switch (v.kind) {
        case Kind::Null:
        case Kind::Blob:
            return {};
        case Kind::Bool:
            return v.i ? QStringLiteral("1") : QStringLiteral("0");
        case Kind::Int:
            return QString::number(v.i);
        case Kind::Cur:
            return Currency::fromRaw(v.i).toString();
        case Kind::Real:
            return realText(v.d);
        case Kind::Text:
            return v.s.toString();
        case Kind::Date:
            return temporalText(v.i, false);
        case Kind::DateTime:
            return temporalText(v.i, true);
    }
    return {};
}

// Makes the value a text (numbers, dates formatted as the record set shows them).
void toTextValue(Value& v) {
    if (v.kind == Kind::Text || v.kind == Kind::Null)
        return;
    if (v.kind == Kind::Blob) {
        v.kind = Kind::Null;
        return;
    }
    v.setText(textOf(v));
}

// Reads a number: an integer, or a decimal (exact to four decimals when it fits, else a double).
bool parseNumber(QStringView text, Value& out) {
    const QStringView t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const qint64 n = t.toLongLong(&ok);
    if (ok) {
        out.kind = Kind::Int;
        out.i = n;
        return true;
    }
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return false;
    const qsizetype dot = t.indexOf(QLatin1Char('.'));
    const bool exponent = t.contains(QLatin1Char('e'), Qt::CaseInsensitive);
    if (dot >= 0 && !exponent && t.size() - dot - 1 <= 4 && std::fabs(d) < 1e11) {
        out.kind = Kind::Cur;
        out.i = std::llround(d * Currency::kScale);
        return true;
    }
    out.kind = Kind::Real;
    out.d = d;
    return true;
}

bool parseTemporal(QStringView text, Value& out) {
    const QString t = text.trimmed().toString();
    const QVariant v = coerceValue(t, FieldType::DateTime);
    if (!v.isValid())
        return false;
    const QDateTime dt = v.toDateTime();
    out.kind = t.size() <= 10 ? Kind::Date : Kind::DateTime;
    out.i = temporalOf(dt.date(), dt.time());
    return true;
}

bool parseBool(QStringView text, Value& out) {
    const QStringView t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1")) {
        out.kind = Kind::Bool;
        out.i = 1;
        return true;
    }
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0")) {
        out.kind = Kind::Bool;
        out.i = 0;
        return true;
    }
    return false;
}

template <typename T>
int cmp3(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

constexpr int kUnknown = std::numeric_limits<int>::min();

int compareNumbers(const Value& a, const Value& b) {
    if (a.kind == Kind::Real || b.kind == Kind::Real) {
        const auto asDouble = [](const Value& v) {
            if (v.kind == Kind::Real)
                return v.d;
            if (v.kind == Kind::Cur)
                return static_cast<double>(v.i) / Currency::kScale;
            return static_cast<double>(v.i);
        };
        const double x = asDouble(a);
        const double y = asDouble(b);
        if (std::isnan(x) || std::isnan(y))
            return kUnknown;
        return cmp3(x, y);
    }
    const bool ac = a.kind == Kind::Cur;
    const bool bc = b.kind == Kind::Cur;
    if (ac == bc)
        return cmp3(a.i, b.i);
    // One integer, one currency: scale the integer when that cannot overflow.
    constexpr qint64 kLimit = std::numeric_limits<qint64>::max() / Currency::kScale;
    const Value& n = ac ? b : a;
    const Value& c = ac ? a : b;
    int r;
    if (n.i > kLimit) {
        r = 1;
    } else if (n.i < -kLimit) {
        r = -1;
    } else {
        r = cmp3(n.i * Currency::kScale, c.i);
    }
    return ac ? -r : r;
}

int compareTexts(QStringView a, QStringView b, Qt::CaseSensitivity cs) {
    const int r = a.compare(b, cs);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

// Compares two values; kUnknown when either is Null or they cannot be ordered.
int compareValues(const Value& a, const Value& b, Qt::CaseSensitivity cs) {
    if (a.kind == Kind::Null || b.kind == Kind::Null)
        return kUnknown;
    if (a.kind == Kind::Blob || b.kind == Kind::Blob)
        return kUnknown;
    if (a.kind == Kind::Text && b.kind == Kind::Text)
        return compareTexts(a.s, b.s, cs);
    if (isNumeric(a.kind) && isNumeric(b.kind))
        return compareNumbers(a, b);
    if (isTemporal(a.kind) && isTemporal(b.kind))
        return cmp3(a.i, b.i);
    if (a.kind == Kind::Text || b.kind == Kind::Text) {
        const bool textFirst = a.kind == Kind::Text;
        const Value& t = textFirst ? a : b;
        const Value& o = textFirst ? b : a;
        Value parsed;
        bool ok = false;
        if (isNumeric(o.kind)) {
            ok = parseNumber(t.s, parsed) || (o.kind == Kind::Bool && parseBool(t.s, parsed));
            if (ok) {
                const int r = compareNumbers(parsed, o);
                return textFirst ? r : (r == kUnknown ? r : -r);
            }
        } else if (isTemporal(o.kind)) {
            ok = parseTemporal(t.s, parsed);
            if (ok) {
                const int r = cmp3(parsed.i, o.i);
                return textFirst ? r : -r;
            }
        }
    }
    // Kinds that do not meet: compare their texts.
    const QString x = textOf(a);
    const QString y = textOf(b);
    return compareTexts(x, y, cs);
}

// --- LIKE patterns

bool sameChar(QChar a, QChar b, Qt::CaseSensitivity cs) {
    if (a == b)
        return true;
    return cs == Qt::CaseInsensitive && a.toCaseFolded() == b.toCaseFolded();
}

bool wildcardMatch(QStringView s, QStringView p, Qt::CaseSensitivity cs) {
    qsizetype si = 0;
    qsizetype pi = 0;
    qsizetype star = -1;
    qsizetype mark = 0;
    while (si < s.size()) {
        if (pi < p.size() && p[pi] == QLatin1Char('%')) {
            star = pi++;
            mark = si;
        } else if (pi < p.size() && (p[pi] == QLatin1Char('_') || sameChar(p[pi], s[si], cs))) {
            ++si;
            ++pi;
        } else if (star >= 0) {
            pi = star + 1;
            si = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == QLatin1Char('%'))
        ++pi;
    return pi == p.size();
}

class LikePattern {
public:
    LikePattern() = default;
    LikePattern(const QString& pattern, Qt::CaseSensitivity cs) : pattern_(pattern), cs_(cs) {
        const bool underscore = pattern.contains(QLatin1Char('_'));
        qsizetype lead = 0;
        while (lead < pattern.size() && pattern[lead] == QLatin1Char('%'))
            ++lead;
        qsizetype trail = pattern.size();
        while (trail > lead && pattern[trail - 1] == QLatin1Char('%'))
            --trail;
        const QString middle = pattern.mid(lead, trail - lead);
        if (underscore || middle.contains(QLatin1Char('%'))) {
            mode_ = Mode::General;
            return;
        }
        piece_ = middle;
        const bool front = lead > 0;
        const bool back = trail < pattern.size();
        if (front && back) {
            mode_ = Mode::Contains;
        } else if (front) {
            mode_ = Mode::Suffix;
        } else if (back) {
            mode_ = Mode::Prefix;
        } else {
            mode_ = Mode::Exact;
        }
        if (piece_.isEmpty() && (front || back))
            mode_ = Mode::All;
    }

    bool match(QStringView s) const {
        switch (mode_) {
            case Mode::All:
                return true;
            case Mode::Exact:
                return s.compare(piece_, cs_) == 0;
            case Mode::Prefix:
                return s.startsWith(piece_, cs_);
            case Mode::Suffix:
                return s.endsWith(piece_, cs_);
            case Mode::Contains:
                return s.contains(piece_, cs_);
            case Mode::General:
                return wildcardMatch(s, pattern_, cs_);
        }
        return false;
    }

private:
    enum class Mode { All, Exact, Prefix, Suffix, Contains, General };
    Mode mode_ = Mode::Exact;
    QString pattern_;
    QString piece_;
    Qt::CaseSensitivity cs_ = Qt::CaseSensitive;
};

// --- compiled tree

struct ValueNode {
    virtual ~ValueNode() = default;
    virtual void eval(const QVariant* row, Value& out) const = 0;
    virtual bool isConst() const { return false; }
    Kind kind = Kind::Null;  // static kind; Null when it depends on the row
    int pos = 0;             // 1-based position in the text, for messages
};

struct ColumnNode final : ValueNode {
    int column = 0;
    QString name;
    void eval(const QVariant* row, Value& out) const override { loadVariant(row[column], out); }
};

struct ConstNode final : ValueNode {
    Value value;  // value.owned holds the text; value.s views it
    bool isConst() const override { return true; }
    void eval(const QVariant*, Value& out) const override {
        out.kind = value.kind;
        out.i = value.i;
        out.d = value.d;
        out.s = value.s;
    }
    void set(Value v) {
        value = std::move(v);
        if (value.kind == Kind::Text && value.owned.isNull())
            value.owned = value.s.toString();
        if (value.kind == Kind::Text)
            value.s = value.owned;
        kind = value.kind;
    }
};

enum class Func { Substring, Upper, Lower, Trim, LTrim, RTrim, Len };

struct FuncNode final : ValueNode {
    Func func = Func::Upper;
    std::vector<std::unique_ptr<ValueNode>> args;

    // Positions and lengths beyond any text are all alike: they are clamped, so that neither the
    // conversion nor the sums below can overflow.
    static qint64 integerArg(const Value& v, bool* ok) {
        constexpr qint64 kFar = qint64(1) << 60;
        Value n;
        if (isNumeric(v.kind)) {
            n = Value{v.kind, v.i, v.d, {}, {}};
        } else if (v.kind != Kind::Text || !parseNumber(v.s, n)) {
            *ok = false;
            return 0;
        }
        *ok = n.kind != Kind::Real || !std::isnan(n.d);
        if (n.kind == Kind::Real)
            return *ok ? static_cast<qint64>(std::clamp(n.d, -double(kFar), double(kFar))) : 0;
        if (n.kind == Kind::Cur)
            return n.i / Currency::kScale;
        return std::clamp(n.i, -kFar, kFar);
    }

    // Points out.s at the part [from, from + len) of the text in `src`, sharing its storage.
    static void viewPart(Value& src, qsizetype from, qsizetype len, Value& out) {
        if (src.owned.isNull()) {
            out.s = src.s.mid(from, len);
        } else {
            out.owned = std::move(src.owned);
            out.s = QStringView(out.owned).mid(from, len);
        }
        out.kind = Kind::Text;
    }

    void eval(const QVariant* row, Value& out) const override {
        Value a;
        args[0]->eval(row, a);
        if (a.isNull()) {
            out.kind = Kind::Null;
            return;
        }
        toTextValue(a);
        if (a.isNull()) {
            out.kind = Kind::Null;
            return;
        }
        const QStringView s = a.s;
        switch (func) {
            case Func::Substring: {
                Value b;
                args[1]->eval(row, b);
                bool ok = false;
                const qint64 start = integerArg(b, &ok);
                if (!ok) {
                    out.kind = Kind::Null;
                    return;
                }
                qint64 end = static_cast<qint64>(s.size()) + 1;  // one past the last, 1-based
                if (args.size() > 2) {
                    Value c;
                    args[2]->eval(row, c);
                    const qint64 len = integerArg(c, &ok);
                    if (!ok) {
                        out.kind = Kind::Null;
                        return;
                    }
                    end = std::min(end, start + std::max<qint64>(len, 0));
                }
                const qint64 from = std::max<qint64>(start, 1);
                if (end <= from) {
                    viewPart(a, 0, 0, out);
                    return;
                }
                viewPart(a, static_cast<qsizetype>(from - 1), static_cast<qsizetype>(end - from),
                         out);
                return;
            }
            case Func::Upper:
                out.setText(s.toString().toUpper());
                return;
            case Func::Lower:
                out.setText(s.toString().toLower());
                return;
            case Func::Trim: {
                const QStringView t = s.trimmed();
                viewPart(a, t.data() - s.data(), t.size(), out);
                return;
            }
            case Func::LTrim: {
                qsizetype from = 0;
                while (from < s.size() && s[from].isSpace())
                    ++from;
                viewPart(a, from, s.size() - from, out);
                return;
            }
            case Func::RTrim: {
                qsizetype to = s.size();
                while (to > 0 && s[to - 1].isSpace())
                    --to;
                viewPart(a, 0, to, out);
                return;
            }
            case Func::Len:
                out.kind = Kind::Int;
                out.i = s.size();
                return;
        }
    }
};

struct PredNode {
    virtual ~PredNode() = default;
    virtual Tri test(const QVariant* row) const = 0;
};

struct AndNode final : PredNode {
    std::vector<std::unique_ptr<PredNode>> items;
    Tri test(const QVariant* row) const override {
        Tri r = Tri::True;
        for (const auto& p : items) {
            const Tri t = p->test(row);
            if (t == Tri::False)
                return Tri::False;
            if (t == Tri::Unknown)
                r = Tri::Unknown;
        }
        return r;
    }
};

struct OrNode final : PredNode {
    std::vector<std::unique_ptr<PredNode>> items;
    Tri test(const QVariant* row) const override {
        Tri r = Tri::False;
        for (const auto& p : items) {
            const Tri t = p->test(row);
            if (t == Tri::True)
                return Tri::True;
            if (t == Tri::Unknown)
                r = Tri::Unknown;
        }
        return r;
    }
};

struct NotNode final : PredNode {
    std::unique_ptr<PredNode> item;
    Tri test(const QVariant* row) const override { return triNot(item->test(row)); }
};

enum class Op { Eq, Ne, Lt, Gt, Le, Ge };

Tri applyOp(Op op, int c) {
    if (c == kUnknown)
        return Tri::Unknown;
    bool r = false;
    switch (op) {
        case Op::Eq:
            r = c == 0;
            break;
        case Op::Ne:
            r = c != 0;
            break;
        case Op::Lt:
            r = c < 0;
            break;
        case Op::Gt:
            r = c > 0;
            break;
        case Op::Le:
            r = c <= 0;
            break;
        case Op::Ge:
            r = c >= 0;
            break;
    }
    return r ? Tri::True : Tri::False;
}

struct CompareNode final : PredNode {
    Op op = Op::Eq;
    Qt::CaseSensitivity cs = Qt::CaseSensitive;
    std::unique_ptr<ValueNode> left;
    std::unique_ptr<ValueNode> right;
    Tri test(const QVariant* row) const override {
        Value a;
        Value b;
        left->eval(row, a);
        if (a.isNull())
            return Tri::Unknown;
        right->eval(row, b);
        return applyOp(op, compareValues(a, b, cs));
    }
};

struct LikeNode final : PredNode {
    bool negate = false;
    Qt::CaseSensitivity cs = Qt::CaseSensitive;
    std::unique_ptr<ValueNode> value;
    std::unique_ptr<ValueNode> pattern;  // null when the pattern is a constant
    LikePattern compiled;
    Tri test(const QVariant* row) const override {
        Value a;
        value->eval(row, a);
        toTextValue(a);
        if (a.isNull())
            return Tri::Unknown;
        bool m;
        if (pattern) {
            Value p;
            pattern->eval(row, p);
            toTextValue(p);
            if (p.isNull())
                return Tri::Unknown;
            m = LikePattern(p.s.toString(), cs).match(a.s);
        } else {
            m = compiled.match(a.s);
        }
        return (m != negate) ? Tri::True : Tri::False;
    }
};

struct IsNullNode final : PredNode {
    bool negate = false;
    std::unique_ptr<ValueNode> value;
    Tri test(const QVariant* row) const override {
        Value a;
        value->eval(row, a);
        return (a.isNull() != negate) ? Tri::True : Tri::False;
    }
};

struct InNode final : PredNode {
    bool negate = false;
    Qt::CaseSensitivity cs = Qt::CaseSensitive;
    std::unique_ptr<ValueNode> value;
    std::vector<std::unique_ptr<ValueNode>> items;
    Tri test(const QVariant* row) const override {
        Value a;
        value->eval(row, a);
        if (a.isNull())
            return Tri::Unknown;
        Tri r = Tri::False;
        for (const auto& item : items) {
            Value b;
            item->eval(row, b);
            const int c = compareValues(a, b, cs);
            if (c == 0) {
                r = Tri::True;
                break;
            }
            if (c == kUnknown)
                r = Tri::Unknown;
        }
        return negate ? triNot(r) : r;
    }
};

struct TruthNode final : PredNode {
    std::unique_ptr<ValueNode> value;
    Tri test(const QVariant* row) const override {
        Value a;
        value->eval(row, a);
        if (isNumeric(a.kind)) {
            const bool t = a.kind == Kind::Real ? a.d != 0 : a.i != 0;
            return t ? Tri::True : Tri::False;
        }
        if (a.kind == Kind::Text) {
            Value b;
            if (parseBool(a.s, b))
                return b.i ? Tri::True : Tri::False;
        }
        return Tri::Unknown;
    }
};

// --- tokens

enum class Tok { End, Ident, Number, String, Op, LParen, RParen, Comma, Minus, Plus };

struct Token {
    Tok type = Tok::End;
    QString text;  // identifier (without brackets), number text, string value, operator
    bool bracketed = false;
    int pos = 0;  // 1-based
};

bool isIdentStart(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
}
bool isIdentChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

[[noreturn]] void fail(int pos, const QString& what) {
    throw DytError(QStringLiteral("过滤条件错误: 第 %1 个字符处 %2").arg(pos).arg(what));
}

QList<Token> tokenize(const QString& text) {
    QList<Token> out;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.pos = static_cast<int>(i) + 1;
        if (c == QLatin1Char('\'')) {
            QString value;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i] == QLatin1Char('\'')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('\'')) {
                        value += QLatin1Char('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text[i++];
            }
            if (!closed)
                fail(t.pos, QStringLiteral("字符串缺少结束的单引号"));
            t.type = Tok::String;
            t.text = value;
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = text.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0)
                fail(t.pos, QStringLiteral("字段名缺少结束的 ']'"));
            t.type = Tok::Ident;
            t.bracketed = true;
            t.text = text.mid(i + 1, close - i - 1).trimmed();
            if (t.text.isEmpty())
                fail(t.pos, QStringLiteral("字段名为空"));
            i = close + 1;
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && text[i + 1].isDigit())) {
            const qsizetype start = i;
            while (i < n && text[i].isDigit())
                ++i;
            if (i < n && text[i] == QLatin1Char('.')) {
                ++i;
                while (i < n && text[i].isDigit())
                    ++i;
            }
            if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
                qsizetype j = i + 1;
                if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
                    ++j;
                if (j < n && text[j].isDigit()) {
                    i = j;
                    while (i < n && text[i].isDigit())
                        ++i;
                }
            }
            if (i < n && isIdentStart(text[i])) {
                fail(static_cast<int>(i) + 1, QStringLiteral("数字后面不能紧跟 '%1'").arg(text[i]));
            }
            t.type = Tok::Number;
            t.text = text.mid(start, i - start);
        } else if (isIdentStart(c)) {
            const qsizetype start = i;
            while (i < n && isIdentChar(text[i]))
                ++i;
            t.type = Tok::Ident;
            t.text = text.mid(start, i - start);
        } else if (c == QLatin1Char('(')) {
            t.type = Tok::LParen;
            ++i;
        } else if (c == QLatin1Char(')')) {
            t.type = Tok::RParen;
            ++i;
        } else if (c == QLatin1Char(',')) {
            t.type = Tok::Comma;
            ++i;
        } else if (c == QLatin1Char('-')) {
            t.type = Tok::Minus;
            ++i;
        } else if (c == QLatin1Char('+')) {
            t.type = Tok::Plus;
            ++i;
        } else if (c == QLatin1Char('=') || c == QLatin1Char('<') || c == QLatin1Char('>') ||
                   c == QLatin1Char('!')) {
            t.type = Tok::Op;
            const QChar next = i + 1 < n ? text[i + 1] : QChar();
            if ((c == QLatin1Char('<') && (next == QLatin1Char('>') || next == QLatin1Char('='))) ||
                (c == QLatin1Char('>') && next == QLatin1Char('=')) ||
                (c == QLatin1Char('!') && next == QLatin1Char('='))) {
                t.text = text.mid(i, 2);
                i += 2;
            } else if (c == QLatin1Char('!')) {
                fail(t.pos, QStringLiteral("不认识的字符 '!'"));
            } else {
                t.text = QString(c);
                ++i;
            }
        } else if (c == QLatin1Char('"')) {
            fail(t.pos, QStringLiteral("字符串应使用单引号"));
        } else {
            fail(t.pos, QStringLiteral("不认识的字符 '%1'").arg(c));
        }
        out.append(std::move(t));
    }
    Token end;
    end.type = Tok::End;
    end.pos = static_cast<int>(n) + 1;
    out.append(end);
    return out;
}

// --- parser

class Parser {
public:
    Parser(const QString& text, const QList<Field>& fields, FilterOptions options)
        : tokens_(tokenize(text)),
          fields_(fields),
          cs_(options.caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive) {}

    std::unique_ptr<PredNode> parse() {
        auto root = parseOr();
        if (peek().type != Tok::End) {
            if (peek().type == Tok::RParen)
                fail(peek().pos, QStringLiteral("多余的右括号 ')'"));
            fail(peek().pos, QStringLiteral("多余的内容 '%1'").arg(describe(peek())));
        }
        return root;
    }

    QList<int> columns() const {
        QList<int> c = columns_;
        std::sort(c.begin(), c.end());
        c.erase(std::unique(c.begin(), c.end()), c.end());
        return c;
    }

private:
    const Token& peek(int ahead = 0) const {
        const qsizetype k = std::min<qsizetype>(at_ + ahead, tokens_.size() - 1);
        return tokens_[k];
    }
    const Token& take() {
        const Token& t = tokens_[at_];
        if (at_ < tokens_.size() - 1)
            ++at_;
        return t;
    }
    bool isKeyword(const Token& t, const char* word) const {
        return t.type == Tok::Ident && !t.bracketed &&
               t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    static QString describe(const Token& t) {
        switch (t.type) {
            case Tok::End:
                return QStringLiteral("条件结尾");
            case Tok::String:
                return QLatin1Char('\'') + t.text + QLatin1Char('\'');
            case Tok::LParen:
                return QStringLiteral("(");
            case Tok::RParen:
                return QStringLiteral(")");
            case Tok::Comma:
                return QStringLiteral(",");
            case Tok::Minus:
                return QStringLiteral("-");
            case Tok::Plus:
                return QStringLiteral("+");
            default:
                return t.text;
        }
    }
    void expect(Tok type, const QString& what) {
        if (peek().type != type) {
            if (peek().type == Tok::End)
                fail(peek().pos, QStringLiteral("条件不完整，缺少 %1").arg(what));
            fail(peek().pos, QStringLiteral("应为 %1，而不是 '%2'").arg(what, describe(peek())));
        }
        take();
    }

    std::unique_ptr<PredNode> parseOr() {
        auto first = parseAnd();
        if (!isKeyword(peek(), "or"))
            return first;
        auto node = std::make_unique<OrNode>();
        node->items.push_back(std::move(first));
        while (isKeyword(peek(), "or")) {
            take();
            node->items.push_back(parseAnd());
        }
        return node;
    }

    std::unique_ptr<PredNode> parseAnd() {
        auto first = parseNot();
        if (!isKeyword(peek(), "and"))
            return first;
        auto node = std::make_unique<AndNode>();
        node->items.push_back(std::move(first));
        while (isKeyword(peek(), "and")) {
            take();
            node->items.push_back(parseNot());
        }
        return node;
    }

    // Nesting (parentheses, NOT, function calls) is bounded, so that no text can exhaust the
    // stack while the filter is compiled, run or freed.
    static constexpr int kMaxNesting = 200;
    class Nest {
    public:
        explicit Nest(Parser& parser) : p_(parser) {
            if (p_.depth_ == kMaxNesting)
                fail(p_.peek().pos, QStringLiteral("嵌套超过 %1 层").arg(kMaxNesting));
            ++p_.depth_;
        }
        ~Nest() { --p_.depth_; }
        Nest(const Nest&) = delete;
        Nest& operator=(const Nest&) = delete;

    private:
        Parser& p_;
    };

    std::unique_ptr<PredNode> parseNot() {
        const Nest nest(*this);
        if (isKeyword(peek(), "not")) {
            take();
            auto node = std::make_unique<NotNode>();
            node->item = parseNot();
            return node;
        }
        if (peek().type == Tok::LParen) {
            take();
            auto inner = parseOr();
            expect(Tok::RParen, QStringLiteral("右括号 ')'"));
            return inner;
        }
        return parsePredicate();
    }

    std::unique_ptr<PredNode> parsePredicate() {
        auto left = parseValue();
        const Token& t = peek();
        if (t.type == Tok::Op) {
            take();
            Op op = Op::Eq;
            if (t.text == QLatin1String("=")) {
                op = Op::Eq;
            } else if (t.text == QLatin1String("<>") || t.text == QLatin1String("!=")) {
                op = Op::Ne;
            } else if (t.text == QLatin1String("<")) {
                op = Op::Lt;
            } else if (t.text == QLatin1String(">")) {
                op = Op::Gt;
            } else if (t.text == QLatin1String("<=")) {
                op = Op::Le;
            } else {
                op = Op::Ge;
            }
            auto right = parseValue();
            if (peek().type == Tok::Op) {
                fail(peek().pos, QStringLiteral("比较运算不能连用，请用 AND 连接"));
            }
            matchKinds(*left, right);
            matchKinds(*right, left);
            auto node = std::make_unique<CompareNode>();
            node->op = op;
            node->cs = cs_;
            node->left = std::move(left);
            node->right = std::move(right);
            return node;
        }
        bool negate = false;
        if (isKeyword(t, "not") && (isKeyword(peek(1), "like") || isKeyword(peek(1), "in"))) {
            take();
            negate = true;
        }
        if (isKeyword(peek(), "like")) {
            take();
            auto pattern = parseValue();
            rejectBlob(*left);
            auto node = std::make_unique<LikeNode>();
            node->negate = negate;
            node->cs = cs_;
            node->value = std::move(left);
            if (auto* c = dynamic_cast<ConstNode*>(pattern.get())) {
                Value p = c->value;
                toTextValue(p);
                if (p.isNull())
                    fail(pattern->pos, QStringLiteral("LIKE 的模式不能为空值"));
                node->compiled = LikePattern(p.s.toString(), cs_);
            } else {
                node->pattern = std::move(pattern);
            }
            return node;
        }
        if (isKeyword(peek(), "in")) {
            take();
            expect(Tok::LParen, QStringLiteral("IN 后的左括号 '('"));
            auto node = std::make_unique<InNode>();
            node->negate = negate;
            node->cs = cs_;
            while (true) {
                auto item = parseValue();
                matchKinds(*left, item);
                node->items.push_back(std::move(item));
                if (peek().type == Tok::Comma) {
                    take();
                    continue;
                }
                expect(Tok::RParen, QStringLiteral("逗号或右括号 ')'"));
                break;
            }
            rejectBlob(*left);
            node->value = std::move(left);
            return node;
        }
        if (isKeyword(peek(), "is")) {
            take();
            auto node = std::make_unique<IsNullNode>();
            if (isKeyword(peek(), "not")) {
                take();
                node->negate = true;
            }
            if (!isKeyword(peek(), "null")) {
                fail(peek().pos, QStringLiteral("IS 后应为 NULL 或 NOT NULL"));
            }
            take();
            node->value = std::move(left);
            return node;
        }
        // A bare value: only a boolean one can stand as a condition.
        if (left->kind == Kind::Bool) {
            auto node = std::make_unique<TruthNode>();
            node->value = std::move(left);
            return node;
        }
        if (t.type == Tok::End) {
            fail(t.pos, QStringLiteral("条件不完整，缺少比较运算符"));
        }
        fail(t.pos,
             QStringLiteral("应为比较运算符 (=, <>, <, >, <=, >=, LIKE, IN, IS)，而不是 '%1'")
                 .arg(describe(t)));
    }

    void rejectBlob(const ValueNode& v) const {
        if (v.kind == Kind::Blob) {
            fail(v.pos, QStringLiteral("二进制字段[%1]不能比较")
                            .arg(static_cast<const ColumnNode&>(v).name));
        }
    }

    // Converts a literal compared with a typed value to that value's kind, once.
    void matchKinds(const ValueNode& typed, std::unique_ptr<ValueNode>& other) const {
        rejectBlob(typed);
        auto* c = dynamic_cast<ConstNode*>(other.get());
        if (!c || c->value.isNull())
            return;
        const Kind target = typed.kind;
        const Value& v = c->value;
        if (target == Kind::Null || target == Kind::Text || target == v.kind)
            return;
        const QString fieldName = dynamic_cast<const ColumnNode*>(&typed)
                                      ? static_cast<const ColumnNode&>(typed).name
                                      : QString();
        const QString subject = fieldName.isEmpty() ? QStringLiteral("比较的值")
                                                    : QStringLiteral("字段[%1]").arg(fieldName);
        Value converted;
        if (isNumeric(target)) {
            if (isNumeric(v.kind))
                return;
            bool ok = v.kind == Kind::Text && (parseNumber(v.s, converted) ||
                                               (target == Kind::Bool && parseBool(v.s, converted)));
            if (!ok) {
                fail(other->pos,
                     QStringLiteral("'%1' 不是数值，不能与%2比较").arg(textOf(v), subject));
            }
        } else if (isTemporal(target)) {
            if (isTemporal(v.kind))
                return;
            if (v.kind != Kind::Text || !parseTemporal(v.s, converted)) {
                fail(other->pos,
                     QStringLiteral("'%1' 不是日期，不能与%2比较").arg(textOf(v), subject));
            }
        } else {
            return;
        }
        const int pos = other->pos;
        auto node = std::make_unique<ConstNode>();
        node->set(std::move(converted));
        node->pos = pos;
        other = std::move(node);
    }

    std::unique_ptr<ValueNode> constant(Value v, int pos) {
        auto node = std::make_unique<ConstNode>();
        node->set(std::move(v));
        node->pos = pos;
        return node;
    }

    std::unique_ptr<ValueNode> number(const Token& t, bool negative) {
        Value v;
        if (!parseNumber(t.text, v))
            fail(t.pos, QStringLiteral("'%1' 不是有效的数字").arg(t.text));
        if (negative) {
            if (v.kind == Kind::Real) {
                v.d = -v.d;
            } else {
                v.i = -v.i;
            }
        }
        return constant(std::move(v), t.pos);
    }

    std::unique_ptr<ValueNode> parseValue() {
        const Token t = take();
        switch (t.type) {
            case Tok::Number:
                return number(t, false);
            case Tok::Minus:
            case Tok::Plus: {
                if (peek().type != Tok::Number) {
                    fail(t.pos, QStringLiteral("符号 '%1' 后应为数字").arg(describe(t)));
                }
                const Token num = take();
                auto node = number(num, t.type == Tok::Minus);
                node->pos = t.pos;
                return node;
            }
            case Tok::String: {
                Value v;
                v.setText(t.text);
                return constant(std::move(v), t.pos);
            }
            case Tok::Ident:
                break;
            case Tok::End:
                fail(t.pos, QStringLiteral("条件不完整，缺少比较的值"));
            default:
                fail(t.pos,
                     QStringLiteral("应为字段名、数字或字符串，而不是 '%1'").arg(describe(t)));
        }
        if (!t.bracketed) {
            if (isKeyword(t, "null"))
                return constant(Value{}, t.pos);
            if (isKeyword(t, "true") || isKeyword(t, "false")) {
                Value v;
                v.kind = Kind::Bool;
                v.i = isKeyword(t, "true") ? 1 : 0;
                return constant(std::move(v), t.pos);
            }
            for (const char* word : {"and", "or", "not", "like", "in", "is"}) {
                if (isKeyword(t, word)) {
                    fail(t.pos,
                         QStringLiteral("应为字段名、数字或字符串，而不是 '%1'").arg(t.text));
                }
            }
            if (peek().type == Tok::LParen)
                return function(t);
        }
        const int column = fieldIndex(t.text);
        if (column < 0)
            fail(t.pos, QStringLiteral("字段[%1]不存在").arg(t.text));
        auto node = std::make_unique<ColumnNode>();
        node->column = column;
        node->name = fields_[column].name;
        node->kind = kindOf(fields_[column].type);
        node->pos = t.pos;
        columns_.append(column);
        return node;
    }

    std::unique_ptr<ValueNode> function(const Token& name) {
        struct Known {
            const char* name;
            Func func;
            int minArgs;
            int maxArgs;
        };
        static const Known kKnown[] = {
            {"substring", Func::Substring, 2, 3}, {"substr", Func::Substring, 2, 3},
            {"upper", Func::Upper, 1, 1},         {"lower", Func::Lower, 1, 1},
            {"trim", Func::Trim, 1, 1},           {"ltrim", Func::LTrim, 1, 1},
            {"rtrim", Func::RTrim, 1, 1},         {"len", Func::Len, 1, 1},
        };
        const Known* known = nullptr;
        for (const auto& k : kKnown) {
            if (name.text.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0)
                known = &k;
        }
        if (!known)
            fail(name.pos, QStringLiteral("未知的函数 %1").arg(name.text));
        take();  // '('
        const Nest nest(*this);
        auto node = std::make_unique<FuncNode>();
        node->func = known->func;
        node->pos = name.pos;
        node->kind = known->func == Func::Len ? Kind::Int : Kind::Text;
        if (peek().type != Tok::RParen) {
            while (true) {
                auto arg = parseValue();
                rejectBlob(*arg);
                node->args.push_back(std::move(arg));
                if (peek().type == Tok::Comma) {
                    take();
                    continue;
                }
                break;
            }
        }
        expect(Tok::RParen, QStringLiteral("右括号 ')'"));
        const int count = static_cast<int>(node->args.size());
        if (count < known->minArgs || count > known->maxArgs) {
            const QString want =
                known->minArgs == known->maxArgs
                    ? QString::number(known->minArgs)
                    : QStringLiteral("%1 或 %2").arg(known->minArgs).arg(known->maxArgs);
            fail(name.pos, QStringLiteral("函数 %1 需要 %2 个参数，而不是 %3 个")
                               .arg(name.text.toUpper(), want)
                               .arg(count));
        }
        return node;
    }

    int fieldIndex(const QString& name) const {
        for (int i = 0; i < fields_.size(); ++i) {
            if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }

    QList<Token> tokens_;
    qsizetype at_ = 0;
    int depth_ = 0;
    const QList<Field>& fields_;
    Qt::CaseSensitivity cs_;
    QList<int> columns_;
};

}  // namespace

struct FilterExpr::Impl {
    QString text;
    FilterOptions options;
    QList<int> columns;
    int width = 0;  // 1 + the highest column read
    std::unique_ptr<PredNode> root;
};

FilterExpr::FilterExpr() = default;
FilterExpr::~FilterExpr() = default;
FilterExpr::FilterExpr(const FilterExpr&) = default;
FilterExpr& FilterExpr::operator=(const FilterExpr&) = default;
FilterExpr::FilterExpr(FilterExpr&&) noexcept = default;
FilterExpr& FilterExpr::operator=(FilterExpr&&) noexcept = default;

FilterExpr FilterExpr::compile(const QString& text, const QList<Field>& fields,
                               FilterOptions options) {
    FilterExpr result;
    if (text.trimmed().isEmpty())
        return result;
    Parser parser(text, fields, options);
    auto impl = std::make_shared<Impl>();
    impl->root = parser.parse();
    impl->text = text;
    impl->options = options;
    impl->columns = parser.columns();
    impl->width = impl->columns.isEmpty() ? 0 : impl->columns.last() + 1;
    result.root_ = std::move(impl);
    return result;
}

const QString& FilterExpr::text() const {
    static const QString empty;
    return root_ ? root_->text : empty;
}

FilterOptions FilterExpr::options() const {
    return root_ ? root_->options : FilterOptions{};
}

QList<int> FilterExpr::columns() const {
    return root_ ? root_->columns : QList<int>{};
}

bool FilterExpr::matches(const QList<QVariant>& row) const {
    if (!root_)
        return true;
    if (row.size() < root_->width) {
        QList<QVariant> padded = row;
        padded.resize(root_->width);
        return root_->root->test(padded.constData()) == Tri::True;
    }
    return root_->root->test(row.constData()) == Tri::True;
}

}  // namespace dyt
