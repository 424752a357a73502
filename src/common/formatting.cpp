#include "common/formatting.h"

#include "common/error.h"

#include <QDate>
#include <QTime>

#include <array>
#include <cmath>
#include <memory>

namespace dyt {

using Buffer = QVarLengthArray<char16_t, 64>;

namespace {

void appendText(Buffer& out, const QString& text) {
    out.append(reinterpret_cast<const char16_t*>(text.constData()), text.size());
}

void appendAscii(Buffer& out, const char* text) {
    for (; *text; ++text)
        out.append(static_cast<char16_t>(*text));
}

// Zero-padded decimal number with at least `digits` digits.
void appendNumber(Buffer& out, long long value, int digits) {
    char buf[24];
    int n = 0;
    unsigned long long a = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                     : static_cast<unsigned long long>(value);
    do {
        buf[n++] = static_cast<char>('0' + a % 10);
        a /= 10;
    } while (a != 0);
    if (value < 0)
        out.append(u'-');
    for (int i = n; i < digits; ++i)
        out.append(u'0');
    while (n > 0)
        out.append(static_cast<char16_t>(buf[--n]));
}

QString toQString(const Buffer& out) {
    return QString(reinterpret_cast<const QChar*>(out.constData()), out.size());
}

bool isFloatSpecial(char16_t c) {
    switch (c) {
        case u'0':
        case u'#':
        case u'.':
        case u',':
        case u';':
        case u'E':
        case u'e':
        case u'"':
        case u'\'':
            return true;
        default:
            return false;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Locale values

namespace zhcn {
QString shortDateFormat() {
    return QStringLiteral("yyyy-mm-dd");
}
QString longDateFormat() {
    return QStringLiteral("yyyy'年'm'月'd'日'");
}
QString shortTimeFormat() {
    return QStringLiteral("h:nn");
}
QString longTimeFormat() {
    return QStringLiteral("h:nn:ss");
}
QString timeAMString() {
    return QStringLiteral("上午");
}
QString timePMString() {
    return QStringLiteral("下午");
}

QString shortDayName(int dayOfWeek) {
    static const std::array<QString, 7> names = {QStringLiteral("周日"), QStringLiteral("周一"),
                                                 QStringLiteral("周二"), QStringLiteral("周三"),
                                                 QStringLiteral("周四"), QStringLiteral("周五"),
                                                 QStringLiteral("周六")};
    return dayOfWeek >= 1 && dayOfWeek <= 7 ? names[static_cast<size_t>(dayOfWeek - 1)] : QString();
}

QString longDayName(int dayOfWeek) {
    static const std::array<QString, 7> names = {QStringLiteral("星期日"), QStringLiteral("星期一"),
                                                 QStringLiteral("星期二"), QStringLiteral("星期三"),
                                                 QStringLiteral("星期四"), QStringLiteral("星期五"),
                                                 QStringLiteral("星期六")};
    return dayOfWeek >= 1 && dayOfWeek <= 7 ? names[static_cast<size_t>(dayOfWeek - 1)] : QString();
}

QString shortMonthName(int month) {
    if (month < 1 || month > 12)
        return QString();
    return QString::number(month) + QStringLiteral("月");
}

QString longMonthName(int month) {
    static const std::array<QString, 12> names = {
        QStringLiteral("一月"), QStringLiteral("二月"),   QStringLiteral("三月"),
        QStringLiteral("四月"), QStringLiteral("五月"),   QStringLiteral("六月"),
        QStringLiteral("七月"), QStringLiteral("八月"),   QStringLiteral("九月"),
        QStringLiteral("十月"), QStringLiteral("十一月"), QStringLiteral("十二月")};
    return month >= 1 && month <= 12 ? names[static_cast<size_t>(month - 1)] : QString();
}
}  // namespace zhcn

// ---------------------------------------------------------------------------------------------
// floatToStr

namespace {

void appendGeneral(Buffer& out, double value, int precision) {
    detail::FloatDecimal d = detail::toDecimal(value, precision);
    if (d.nan) {
        appendAscii(out, "NAN");
        return;
    }
    if (d.negative)
        out.append(u'-');
    if (d.infinite) {
        appendAscii(out, "INF");
        return;
    }
    if (d.isZero()) {
        out.append(u'0');
        return;
    }
    if (d.exponent > precision || d.exponent < -3) {
        out.append(static_cast<char16_t>(d.digits[0]));
        if (d.count > 1) {
            out.append(zhcn::kDecimalSeparator);
            for (int i = 1; i < d.count; ++i)
                out.append(static_cast<char16_t>(d.digits[i]));
        }
        out.append(u'E');
        appendNumber(out, d.exponent - 1, 0);
        return;
    }
    if (d.exponent <= 0) {
        out.append(u'0');
        out.append(zhcn::kDecimalSeparator);
        for (int i = d.exponent; i < 0; ++i)
            out.append(u'0');
        for (int i = 0; i < d.count; ++i)
            out.append(static_cast<char16_t>(d.digits[i]));
        return;
    }
    for (int i = 0; i < d.exponent; ++i) {
        out.append(i < d.count ? static_cast<char16_t>(d.digits[i]) : u'0');
    }
    if (d.count > d.exponent) {
        out.append(zhcn::kDecimalSeparator);
        for (int i = d.exponent; i < d.count; ++i)
            out.append(static_cast<char16_t>(d.digits[i]));
    }
}

}  // namespace

QString floatToStr(double value) {
    Buffer out;
    appendGeneral(out, value, 15);
    return toQString(out);
}

// ---------------------------------------------------------------------------------------------
// FloatPattern

FloatPattern::FloatPattern(const QString& pattern) : pattern_(pattern) {
    const char16_t* p = reinterpret_cast<const char16_t*>(pattern.constData());
    const qsizetype n = pattern.size();
    qsizetype i = 0;
    for (int index = 0; index < 3 && i <= n; ++index) {
        Section& s = sections_[index];
        const qsizetype start = i;
        int digitCount = 0;
        int decimalIndex = -1;
        int firstZero = 32767;
        int lastZeroEnd = 0;
        auto literal = [&s](char16_t c) {
            if (s.tokens.isEmpty() || s.tokens.last().kind != Kind::Literal) {
                s.tokens.append(Token{Kind::Literal, u'E', false, 0, QString()});
            }
            s.tokens.last().text.append(QChar(c));
        };
        while (i < n && p[i] != u';') {
            const char16_t c = p[i];
            switch (c) {
                case u'#':
                    ++digitCount;
                    s.tokens.append(Token{Kind::Digit, u'E', false, 0, QString()});
                    ++i;
                    break;
                case u'0':
                    if (digitCount < firstZero)
                        firstZero = digitCount;
                    ++digitCount;
                    lastZeroEnd = digitCount;
                    s.tokens.append(Token{Kind::Digit, u'E', false, 0, QString()});
                    ++i;
                    break;
                case u'.':
                    if (decimalIndex == -1)
                        decimalIndex = digitCount;
                    ++i;
                    break;
                case u',':
                    s.thousands = true;
                    ++i;
                    break;
                case u'"':
                case u'\'': {
                    ++i;
                    while (i < n && p[i] != c)
                        literal(p[i++]);
                    if (i < n)
                        ++i;
                    break;
                }
                case u'E':
                case u'e':
                    if (i + 1 < n && (p[i + 1] == u'+' || p[i + 1] == u'-')) {
                        s.scientific = true;
                        Token t{Kind::Exponent, c, p[i + 1] == u'+', 0, QString()};
                        i += 2;
                        int zeros = 0;
                        while (i < n && p[i] == u'0') {
                            ++zeros;
                            ++i;
                        }
                        t.expDigits = static_cast<std::uint8_t>(zeros > 4 ? 4 : zeros);
                        s.tokens.append(t);
                    } else {
                        literal(c);
                        ++i;
                    }
                    break;
                default:
                    literal(c);
                    ++i;
                    break;
            }
        }
        s.present = i > start;
        if (decimalIndex == -1)
            decimalIndex = digitCount;
        s.digitCount = digitCount;
        s.decimalIndex = decimalIndex;
        s.lastDigit = decimalIndex - lastZeroEnd > 0 ? 0 : decimalIndex - lastZeroEnd;
        s.firstDigit = decimalIndex - firstZero < 0 ? 0 : decimalIndex - firstZero;
        ++i;  // the ';'
    }
    general_ = !sections_[0].present;
}

const FloatPattern::Section& FloatPattern::pick(int index) const {
    return sections_[index].present ? sections_[index] : sections_[0];
}

void FloatPattern::apply(const Section& s, bool isFirst, const detail::FloatDecimal& d,
                         Buffer& out) {
    int digitPlace;
    int digitDelta;
    if (s.scientific) {
        digitPlace = s.decimalIndex;
        digitDelta = 0;
    } else {
        digitDelta = d.exponent - s.decimalIndex;
        digitPlace = d.exponent > s.decimalIndex ? d.exponent : s.decimalIndex;
    }
    int next = 0;  // next digit of d
    if (d.negative && isFirst)
        out.append(u'-');

    auto emit = [&](char16_t c) {
        if (digitPlace == 0) {
            out.append(zhcn::kDecimalSeparator);
            out.append(c);
        } else {
            out.append(c);
            if (s.thousands && digitPlace > 1 && digitPlace % 3 == 1) {
                out.append(zhcn::kThousandSeparator);
            }
        }
        --digitPlace;
    };
    auto putDigit = [&]() {
        if (next < d.count) {
            emit(static_cast<char16_t>(d.digits[next++]));
        } else if (digitPlace <= s.lastDigit) {
            --digitPlace;
        } else {
            emit(u'0');
        }
    };

    for (const Token& t : s.tokens) {
        switch (t.kind) {
            case Kind::Digit:
                if (digitDelta == 0) {
                    putDigit();
                } else if (digitDelta > 0) {
                    for (; digitDelta > 0; --digitDelta)
                        putDigit();
                    putDigit();
                } else {
                    ++digitDelta;
                    if (digitPlace <= s.firstDigit) {
                        emit(u'0');
                    } else {
                        --digitPlace;
                    }
                }
                break;
            case Kind::Literal:
                appendText(out, t.text);
                break;
            case Kind::Exponent: {
                out.append(t.expChar);
                int e = d.isZero() ? 0 : d.exponent - s.decimalIndex;
                if (e < 0) {
                    out.append(u'-');
                    e = -e;
                } else if (t.expPlus) {
                    out.append(u'+');
                }
                appendNumber(out, e, t.expDigits);
                break;
            }
        }
    }
}

QString FloatPattern::format(double value) const {
    Buffer out;
    if (general_ || !std::isfinite(value)) {
        appendGeneral(out, value, 15);
        return toQString(out);
    }
    const int index = value == 0.0 ? 2 : (value < 0 ? 1 : 0);
    const Section* s = &pick(index);
    detail::FloatDecimal d = detail::toDecimal(value);
    if (s->scientific) {
        detail::roundDecimal(d, 9999, s->digitCount > 0 ? s->digitCount : 1);
    } else {
        detail::roundDecimal(d, s->digitCount - s->decimalIndex, 18);
        if (d.exponent > 18) {
            appendGeneral(out, value, 15);
            return toQString(out);
        }
    }
    if (d.isZero())
        s = &pick(2);
    apply(*s, s == &sections_[0], d, out);
    return toQString(out);
}

namespace {

// A few compiled patterns per thread: callers format many values with the same few patterns.
const FloatPattern& cachedPattern(const QString& pattern) {
    constexpr int kSlots = 8;
    thread_local std::array<std::unique_ptr<FloatPattern>, kSlots> slots;
    thread_local int nextSlot = 0;
    for (const auto& slot : slots) {
        if (slot && slot->pattern() == pattern)
            return *slot;
    }
    auto& slot = slots[static_cast<size_t>(nextSlot)];
    nextSlot = (nextSlot + 1) % kSlots;
    slot = std::make_unique<FloatPattern>(pattern);
    return *slot;
}

}  // namespace

QString formatFloat(const QString& pattern, double value) {
    return cachedPattern(pattern).format(value);
}

QString formatFloatFooter(const QString& footerPattern, const QString& prefix, double value) {
    // The prefix is inserted as quoted text so that characters of the number language in it
    // ("0", "#", ".", ",", ";", "E") stay literal.
    bool needsQuotes = false;
    for (QChar c : prefix) {
        if (isFloatSpecial(c.unicode())) {
            needsQuotes = true;
            break;
        }
    }
    QString quoted;
    if (needsQuotes) {
        qsizetype i = 0;
        while (i < prefix.size()) {
            if (prefix[i] == u'"') {
                quoted += QStringLiteral("'\"'");
                ++i;
                continue;
            }
            quoted += u'"';
            while (i < prefix.size() && prefix[i] != u'"')
                quoted += prefix[i++];
            quoted += u'"';
        }
    } else {
        quoted = prefix;
    }
    QString pattern;
    pattern.reserve(footerPattern.size() + 2 * quoted.size());
    for (qsizetype i = 0; i < footerPattern.size(); ++i) {
        if (footerPattern[i] == u'%' && i + 1 < footerPattern.size()) {
            if (footerPattern[i + 1] == u's' || footerPattern[i + 1] == u'S') {
                pattern += quoted;
                ++i;
                continue;
            }
            if (footerPattern[i + 1] == u'%') {
                pattern += u'%';
                ++i;
                continue;
            }
        }
        pattern += footerPattern[i];
    }
    return formatFloat(pattern, value);
}

QString DisplayPattern(const QString& settingsPattern) {
    return u',' + settingsPattern + QStringLiteral(";-,") + settingsPattern;
}

QString FooterPattern(const QString& settingsPattern) {
    return QStringLiteral("%s,") + settingsPattern + QStringLiteral(";%s-,") + settingsPattern;
}

// ---------------------------------------------------------------------------------------------
// FormatDateTime

namespace {

struct Stamp {
    int year, month, day, dayOfWeek;  // dayOfWeek: 1 = Sunday
    int hour, minute, second, msec;
};

char16_t upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

bool startsWithCI(const char16_t* p, const char16_t* end, const char* what) {
    for (; *what; ++what, ++p) {
        if (p >= end || upper(*p) != upper(static_cast<char16_t>(*what)))
            return false;
    }
    return true;
}

void appendDateFormat(Buffer& out, const char16_t* p, const char16_t* end, const Stamp& t,
                      int level) {
    if (level >= 2)
        return;
    ++level;
    char16_t lastToken = u' ';
    bool use12 = false;
    auto nested = [&](const QString& f) {
        auto* b = reinterpret_cast<const char16_t*>(f.constData());
        appendDateFormat(out, b, b + f.size(), t, level);
    };
    while (p < end) {
        const char16_t starter = *p++;
        if (starter >= 0x80) {
            out.append(starter);
            lastToken = u' ';
            continue;
        }
        int count = 1;
        auto getCount = [&]() {
            while (p < end && *p == starter) {
                ++p;
                ++count;
            }
        };
        char16_t token = upper(starter);
        if (token >= u'A' && token <= u'Z') {
            if (token == u'M' && lastToken == u'H')
                token = u'N';
            lastToken = token;
        }
        switch (token) {
            case u'Y':
                getCount();
                if (count <= 2) {
                    appendNumber(out, t.year % 100, 2);
                } else {
                    appendNumber(out, t.year, 4);
                }
                break;
            case u'G':
                getCount();
                appendText(out, QStringLiteral("公元"));
                break;
            case u'E':
                getCount();
                if (count <= 2) {
                    appendNumber(out, t.year % 100, count == 1 ? 1 : 2);
                } else {
                    appendNumber(out, t.year, 4);
                }
                break;
            case u'M':
                getCount();
                if (count <= 2) {
                    appendNumber(out, t.month, count);
                } else if (count == 3) {
                    appendText(out, zhcn::shortMonthName(t.month));
                } else {
                    appendText(out, zhcn::longMonthName(t.month));
                }
                break;
            case u'D':
                getCount();
                switch (count) {
                    case 1:
                    case 2:
                        appendNumber(out, t.day, count);
                        break;
                    case 3:
                        appendText(out, zhcn::shortDayName(t.dayOfWeek));
                        break;
                    case 4:
                        appendText(out, zhcn::longDayName(t.dayOfWeek));
                        break;
                    case 5:
                        nested(zhcn::shortDateFormat());
                        break;
                    default:
                        nested(zhcn::longDateFormat());
                        break;
                }
                break;
            case u'H': {
                getCount();
                // A 12-hour clock when an am/pm item follows before the next hour item.
                bool betweenQuotes = false;
                for (const char16_t* q = p; q < end; ++q) {
                    if (*q == u'A' || *q == u'a') {
                        if (!betweenQuotes) {
                            if (startsWithCI(q, end, "AM/PM") || startsWithCI(q, end, "A/P") ||
                                startsWithCI(q, end, "AMPM")) {
                                use12 = true;
                            }
                            break;
                        }
                    } else if (*q == u'H' || *q == u'h') {
                        break;
                    } else if (*q == u'\'' || *q == u'"') {
                        betweenQuotes = !betweenQuotes;
                    }
                }
                int h = t.hour;
                if (use12) {
                    if (h == 0) {
                        h = 12;
                    } else if (h > 12) {
                        h -= 12;
                    }
                }
                appendNumber(out, h, count > 2 ? 2 : count);
                break;
            }
            case u'N':
                getCount();
                appendNumber(out, t.minute, count > 2 ? 2 : count);
                break;
            case u'S':
                getCount();
                appendNumber(out, t.second, count > 2 ? 2 : count);
                break;
            case u'T':
                getCount();
                nested(count == 1 ? zhcn::shortTimeFormat() : zhcn::longTimeFormat());
                break;
            case u'Z':
                getCount();
                appendNumber(out, t.msec, count > 3 ? 3 : count);
                break;
            case u'A': {
                const char16_t* at = p - 1;
                if (startsWithCI(at, end, "AM/PM")) {
                    if (t.hour >= 12)
                        at += 3;
                    out.append(at[0]);
                    out.append(at[1]);
                    p += 4;
                    use12 = true;
                } else if (startsWithCI(at, end, "A/P")) {
                    if (t.hour >= 12)
                        at += 2;
                    out.append(at[0]);
                    p += 2;
                    use12 = true;
                } else if (startsWithCI(at, end, "AMPM")) {
                    appendText(out, t.hour < 12 ? zhcn::timeAMString() : zhcn::timePMString());
                    p += 3;
                    use12 = true;
                } else if (startsWithCI(at, end, "AAAA")) {
                    appendText(out, zhcn::longDayName(t.dayOfWeek));
                    p += 3;
                } else if (startsWithCI(at, end, "AAA")) {
                    appendText(out, zhcn::shortDayName(t.dayOfWeek));
                    p += 2;
                } else {
                    out.append(starter);
                }
                break;
            }
            case u'C':
                getCount();
                nested(zhcn::shortDateFormat());
                if (t.hour != 0 || t.minute != 0 || t.second != 0) {
                    out.append(u' ');
                    nested(zhcn::longTimeFormat());
                }
                break;
            case u'/':
                out.append(zhcn::kDateSeparator);
                break;
            case u':':
                out.append(zhcn::kTimeSeparator);
                break;
            case u'\'':
            case u'"':
                while (p < end && *p != starter)
                    out.append(*p++);
                if (p < end)
                    ++p;
                break;
            default:
                out.append(starter);
                break;
        }
    }
}

}  // namespace

QString FormatDateTime(const QString& pattern, const QDateTime& stamp) {
    QDate date = stamp.isValid() ? stamp.date() : QDate(1899, 12, 30);
    QTime time = stamp.isValid() && stamp.time().isValid() ? stamp.time() : QTime(0, 0);
    Stamp t{date.year(), date.month(),  date.day(),    date.dayOfWeek() % 7 + 1,
            time.hour(), time.minute(), time.second(), time.msec()};
    Buffer out;
    auto* p = reinterpret_cast<const char16_t*>(pattern.constData());
    appendDateFormat(out, p, p + pattern.size(), t, 0);
    return toQString(out);
}

QString applyCounterMask(const QString& text, std::int64_t counter) {
    const qsizetype open = text.indexOf(u'[');
    if (open < 0)
        return text;
    const qsizetype close = text.indexOf(u']', open + 1);
    if (close < 0)
        return text;
    const QString mask = text.mid(open + 1, close - open - 1);
    return text.left(open) + formatFloat(mask, static_cast<double>(counter)) + text.mid(close + 1);
}

QString formatBillNumber(const QString& snFormat, const QDateTime& stamp, std::int64_t counter) {
    QString pattern = snFormat;
    pattern.remove(u'\r');
    pattern.remove(u'\n');
    if (pattern.isEmpty())
        return QString();
    return applyCounterMask(FormatDateTime(pattern, stamp), counter);
}

// ---------------------------------------------------------------------------------------------
// Format

namespace {

[[noreturn]] void badFormat(const QString& pattern) {
    throw DytError(QStringLiteral("格式“%1”无效或与参数不兼容").arg(pattern));
}

// Fixed notation with `decimals` decimals, optional thousands separators.
void appendFixed(Buffer& out, double value, int decimals, bool thousands) {
    detail::FloatDecimal d = detail::toDecimal(value);
    if (d.nan || d.infinite) {
        appendGeneral(out, value, 15);
        return;
    }
    detail::roundDecimal(d, decimals, 18);
    if (d.negative)
        out.append(u'-');
    if (d.exponent <= 0) {
        out.append(u'0');
    } else {
        for (int i = 0; i < d.exponent; ++i) {
            out.append(i < d.count ? static_cast<char16_t>(d.digits[i]) : u'0');
            const int left = d.exponent - i - 1;
            if (thousands && left > 0 && left % 3 == 0)
                out.append(zhcn::kThousandSeparator);
        }
    }
    if (decimals > 0) {
        out.append(zhcn::kDecimalSeparator);
        for (int k = 0; k < decimals; ++k) {
            const int i = d.exponent + k;  // digit index of the k-th decimal
            out.append(i >= 0 && i < d.count ? static_cast<char16_t>(d.digits[i]) : u'0');
        }
    }
}

void appendExponent(Buffer& out, double value, int precision) {
    detail::FloatDecimal d = detail::toDecimal(value, precision);
    if (d.nan || d.infinite) {
        appendGeneral(out, value, 15);
        return;
    }
    if (d.negative)
        out.append(u'-');
    out.append(d.count > 0 ? static_cast<char16_t>(d.digits[0]) : u'0');
    out.append(zhcn::kDecimalSeparator);
    for (int i = 1; i < precision; ++i) {
        out.append(i < d.count ? static_cast<char16_t>(d.digits[i]) : u'0');
    }
    out.append(u'E');
    int e = d.isZero() ? 0 : d.exponent - 1;
    out.append(e < 0 ? u'-' : u'+');
    appendNumber(out, e < 0 ? -e : e, 3);
}

}  // namespace

QString Format(const QString& pattern, std::initializer_list<FormatArg> args) {
    const FormatArg* argv = args.begin();
    const int argc = static_cast<int>(args.size());
    int argIndex = 0;
    Buffer out;
    const char16_t* p = reinterpret_cast<const char16_t*>(pattern.constData());
    const char16_t* end = p + pattern.size();

    auto takeArg = [&]() -> const FormatArg& {
        if (argIndex >= argc)
            badFormat(pattern);
        return argv[argIndex++];
    };
    auto readNumber = [&](int* value) -> bool {  // digits or "*"
        if (p < end && *p == u'*') {
            ++p;
            const FormatArg& a = takeArg();
            if (a.type() != FormatArg::Type::Integer)
                badFormat(pattern);
            *value = static_cast<int>(a.integer());
            return true;
        }
        if (p >= end || *p < u'0' || *p > u'9')
            return false;
        long v = 0;
        while (p < end && *p >= u'0' && *p <= u'9') {
            v = v * 10 + (*p++ - u'0');
            if (v > 100000)
                badFormat(pattern);
        }
        *value = static_cast<int>(v);
        return true;
    };

    while (p < end) {
        if (*p != u'%') {
            out.append(*p++);
            continue;
        }
        ++p;
        if (p >= end)
            badFormat(pattern);
        if (*p == u'%') {
            out.append(u'%');
            ++p;
            continue;
        }
        // [index ":"]
        const char16_t* save = p;
        int number = 0;
        if (p < end && *p != u'*' && readNumber(&number) && p < end && *p == u':') {
            argIndex = number;
            ++p;
        } else {
            p = save;
        }
        bool left = false;
        if (p < end && *p == u'-') {
            left = true;
            ++p;
        }
        const bool zeroPad = p < end && *p == u'0';
        int width = 0;
        readNumber(&width);
        int precision = -1;
        if (p < end && *p == u'.') {
            ++p;
            if (!readNumber(&precision))
                precision = 0;
        }
        if (p >= end)
            badFormat(pattern);
        const char16_t type = upper(*p++);
        const FormatArg& a = takeArg();

        Buffer item;
        bool numeric = true;
        switch (type) {
            case u'D':
            case u'U':
            case u'X': {
                unsigned long long magnitude = 0;
                bool negative = false;
                if (a.type() == FormatArg::Type::Integer) {
                    long long v = a.integer();
                    if (type != u'D' && v < 0) {
                        magnitude = static_cast<unsigned long long>(v);  // two's complement
                    } else {
                        negative = v < 0;
                        magnitude = negative ? 0ULL - static_cast<unsigned long long>(v)
                                             : static_cast<unsigned long long>(v);
                    }
                } else if (a.type() == FormatArg::Type::Unsigned) {
                    magnitude = a.unsignedValue();
                } else {
                    badFormat(pattern);
                }
                char buf[24];
                int n = 0;
                const unsigned base = type == u'X' ? 16 : 10;
                do {
                    buf[n++] = "0123456789ABCDEF"[magnitude % base];
                    magnitude /= base;
                } while (magnitude != 0);
                if (negative)
                    item.append(u'-');
                for (int i = n; i < precision; ++i)
                    item.append(u'0');
                while (n > 0)
                    item.append(static_cast<char16_t>(buf[--n]));
                break;
            }
            case u'F':
            case u'N':
            case u'E':
            case u'G':
            case u'M': {
                double v = 0;
                if (a.type() == FormatArg::Type::Float) {
                    v = a.floating();
                } else if (a.type() == FormatArg::Type::Integer) {
                    v = static_cast<double>(a.integer());
                } else if (a.type() == FormatArg::Type::Unsigned) {
                    v = static_cast<double>(a.unsignedValue());
                } else {
                    badFormat(pattern);
                }
                if (type == u'F' || type == u'N') {
                    appendFixed(item, v, precision < 0 ? 2 : (precision > 18 ? 18 : precision),
                                type == u'N');
                } else if (type == u'M') {
                    appendText(item, QStringLiteral("￥"));
                    appendFixed(item, v, precision < 0 ? 2 : (precision > 18 ? 18 : precision),
                                true);
                } else if (type == u'E') {
                    int prec = precision < 0 ? 15 : precision;
                    appendExponent(item, v, prec < 1 ? 1 : (prec > 17 ? 17 : prec));
                } else {
                    int prec = precision < 0 ? 15 : precision;
                    appendGeneral(item, v, prec < 1 ? 1 : (prec > 17 ? 17 : prec));
                }
                break;
            }
            case u'S': {
                if (a.type() != FormatArg::Type::Text)
                    badFormat(pattern);
                const QString& s = a.text();
                const qsizetype len = precision >= 0 && precision < s.size() ? precision : s.size();
                item.append(reinterpret_cast<const char16_t*>(s.constData()), len);
                numeric = false;
                break;
            }
            default:
                badFormat(pattern);
        }
        const qsizetype pad = width - item.size();
        if (pad > 0 && left) {
            out.append(item.constData(), item.size());
            for (qsizetype i = 0; i < pad; ++i)
                out.append(u' ');
        } else if (pad > 0 && zeroPad && numeric) {
            qsizetype start = 0;
            if (!item.isEmpty() && item[0] == u'-') {
                out.append(u'-');
                start = 1;
            }
            for (qsizetype i = 0; i < pad; ++i)
                out.append(u'0');
            out.append(item.constData() + start, item.size() - start);
        } else {
            for (qsizetype i = 0; i < pad; ++i)
                out.append(u' ');
            out.append(item.constData(), item.size());
        }
    }
    return toQString(out);
}

}  // namespace dyt
