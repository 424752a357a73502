#include "common/currency.h"

#include "common/error.h"

#include <cmath>
#include <limits>

namespace dyt {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

std::int64_t roundedQuotient(__int128 num, __int128 den) {
    if (den == 0)
        throw DytError(QStringLiteral("除数不能为零"));
    bool negative = (num < 0) != (den < 0);
    if (num < 0)
        num = -num;
    if (den < 0)
        den = -den;
    __int128 q = num / den;
    __int128 r = num % den;
    if (r * 2 >= den)
        ++q;
    if (q > kMax)
        throw DytError(QStringLiteral("数值超出范围"));
    return static_cast<std::int64_t>(negative ? -q : q);
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

void Currency::overflow() {
    throw DytError(QStringLiteral("数值超出范围"));
}

bool Currency::tryFromDouble(double value, Currency* out) {
    // Go through the decimal text so that 2.675 is taken as written, not as 2.67499999...
    if (!std::isfinite(value))
        return false;
    // The text has 15 significant digits and is rounded half up at the fourth decimal. Below
    // 1e9 those digits lie within 6e-15 of the value, so a value whose ten-thousandths are
    // clearly away from a half rounds the same straight from the double; only values at a half
    // (2.675 among them) need the text. The absolute margin covers the rounding to ten decimals
    // that tiny values in scientific notation take.
    const double magnitude = std::fabs(value);
    if (magnitude < 1e9) {
        const double scaled = magnitude * kScale;
        const double whole = std::floor(scaled);
        const double fraction = scaled - whole;
        if (std::fabs(fraction - 0.5) > scaled * 1e-13 + 1e-5) {
            const auto raw = static_cast<std::int64_t>(whole) + (fraction > 0.5 ? 1 : 0);
            *out = fromRaw(value < 0 ? -raw : raw);
            return true;
        }
    }
    return fromString(QString::number(value, 'g', 15), out);
}

Currency Currency::fromDouble(double value) {
    Currency c;
    if (!tryFromDouble(value, &c)) {
        throw DytError(QStringLiteral("数值超出范围：%1").arg(value, 0, 'g', 15));
    }
    return c;
}

bool Currency::fromString(const QString& input, Currency* out) {
    QString text = input.trimmed();
    if (text.isEmpty())
        return false;
    // Thousands separators belong to the whole part only.
    const qsizetype dot = text.indexOf(u'.');
    const qsizetype lastComma = text.lastIndexOf(u',');
    if (lastComma >= 0) {
        if (dot >= 0 && lastComma > dot)
            return false;
        if (text.startsWith(u','))
            return false;
        text.remove(u',');
    }
    // Scientific notation comes from QString::number for very small or large values.
    if (text.contains(u'e', Qt::CaseInsensitive)) {
        bool ok = false;
        double d = text.toDouble(&ok);
        if (!ok || !std::isfinite(d) || std::fabs(d) >= 9.2e14)
            return false;
        return fromString(QString::number(d, 'f', 10), out);
    }
    bool negative = false;
    qsizetype i = 0;
    if (text[0] == u'-' || text[0] == u'+') {
        negative = text[0] == u'-';
        i = 1;
    }
    __int128 whole = 0;
    int digits = 0;
    for (; i < text.size() && isAsciiDigit(text[i]); ++i) {
        whole = whole * 10 + (text[i].unicode() - u'0');
        if (whole > kMax / kScale)
            return false;
        ++digits;
    }
    __int128 frac = 0;
    int fracDigits = 0;
    bool roundUp = false;
    if (i < text.size() && text[i] == u'.') {
        ++i;
        for (; i < text.size() && isAsciiDigit(text[i]); ++i) {
            int d = text[i].unicode() - u'0';
            if (fracDigits < 4) {
                frac = frac * 10 + d;
                ++fracDigits;
            } else if (fracDigits == 4) {
                roundUp = d >= 5;
                ++fracDigits;
            }
            ++digits;
        }
    }
    if (i != text.size() || digits == 0)
        return false;
    while (fracDigits < 4) {
        frac *= 10;
        ++fracDigits;
    }
    __int128 raw = whole * kScale + frac + (roundUp ? 1 : 0);
    if (raw > kMax)
        return false;
    *out = fromRaw(static_cast<std::int64_t>(negative ? -raw : raw));
    return true;
}

QString Currency::toString() const {
    std::int64_t v = raw_;
    bool negative = v < 0;
    unsigned long long a =
        negative ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    QString s = QString::number(a / kScale);
    unsigned long long frac = a % kScale;
    if (frac != 0) {
        QString f = QString::number(frac).rightJustified(4, u'0');
        while (f.endsWith(u'0'))
            f.chop(1);
        s += u'.' + f;
    }
    return negative ? u'-' + s : s;
}

Currency operator*(Currency a, Currency b) {
    return Currency::fromRaw(
        roundedQuotient(static_cast<__int128>(a.raw_) * b.raw_, Currency::kScale));
}

Currency operator/(Currency a, Currency b) {
    return Currency::fromRaw(
        roundedQuotient(static_cast<__int128>(a.raw_) * Currency::kScale, b.raw_));
}

}  // namespace dyt
