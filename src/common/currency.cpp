#include "common/currency.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace dyt {
namespace {

std::int64_t roundedQuotient(__int128 num, __int128 den) {
    if (den == 0) throw std::domain_error("division by zero");
    bool negative = (num < 0) != (den < 0);
    if (num < 0) num = -num;
    if (den < 0) den = -den;
    __int128 q = num / den;
    __int128 r = num % den;
    if (r * 2 >= den) ++q;
    return static_cast<std::int64_t>(negative ? -q : q);
}

}  // namespace

Currency Currency::fromDouble(double value) {
    // Go through the decimal text so that 2.675 is taken as written, not as 2.67499999...
    Currency c;
    if (!std::isfinite(value) || !fromString(QString::number(value, 'g', 15), &c)) {
        return fromRaw(static_cast<std::int64_t>(std::llround(value * kScale)));
    }
    return c;
}

bool Currency::fromString(const QString& input, Currency* out) {
    QString text = input.trimmed();
    text.remove(QLatin1Char(','));
    if (text.isEmpty()) return false;
    // Scientific notation comes from QString::number for very small or large values.
    if (text.contains(QLatin1Char('e'), Qt::CaseInsensitive)) {
        bool ok = false;
        double d = text.toDouble(&ok);
        if (!ok || !std::isfinite(d) || std::fabs(d) >= 9.2e14) return false;
        return fromString(QString::number(d, 'f', 10), out);
    }
    bool negative = false;
    qsizetype i = 0;
    if (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+')) {
        negative = text[0] == QLatin1Char('-');
        i = 1;
    }
    __int128 whole = 0;
    int digits = 0;
    for (; i < text.size() && text[i].isDigit(); ++i) {
        whole = whole * 10 + (text[i].unicode() - '0');
        if (whole > std::numeric_limits<std::int64_t>::max() / kScale) return false;
        ++digits;
    }
    __int128 frac = 0;
    int fracDigits = 0;
    bool roundUp = false;
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        for (; i < text.size() && text[i].isDigit(); ++i) {
            int d = text[i].unicode() - '0';
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
    if (i != text.size() || digits == 0) return false;
    while (fracDigits < 4) {
        frac *= 10;
        ++fracDigits;
    }
    __int128 raw = whole * kScale + frac + (roundUp ? 1 : 0);
    if (raw > std::numeric_limits<std::int64_t>::max()) return false;
    *out = fromRaw(static_cast<std::int64_t>(negative ? -raw : raw));
    return true;
}

QString Currency::toString() const {
    std::int64_t v = raw_;
    bool negative = v < 0;
    unsigned long long a = negative ? 0ULL - static_cast<unsigned long long>(v)
                                    : static_cast<unsigned long long>(v);
    QString s = QString::number(a / kScale);
    unsigned long long frac = a % kScale;
    if (frac != 0) {
        QString f = QString::number(frac).rightJustified(4, QLatin1Char('0'));
        while (f.endsWith(QLatin1Char('0'))) f.chop(1);
        s += QLatin1Char('.') + f;
    }
    return negative ? QLatin1Char('-') + s : s;
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
