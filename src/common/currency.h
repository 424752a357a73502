#pragma once
// Fixed-point money and quantity values: a 64-bit integer scaled by 10 000, so sums are exact.
// The range is ±922 337 203 685 477.5807; results outside it are refused with DytError rather than
// wrapped around.

#include <QMetaType>
#include <QString>

#include <compare>
#include <cstdint>

namespace dyt {

class Currency {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Currency() = default;
    static constexpr Currency fromRaw(std::int64_t raw) {
        Currency c;
        c.raw_ = raw;
        return c;
    }
    // Rounds half away from zero to four decimals, on the value's decimal text at 15 significant
    // digits (so 2.67505 is 2.6751). Throws DytError for NaN, infinities and values out of range.
    static Currency fromDouble(double value);
    // The same without throwing: returns false (and leaves *out alone) when the value does not fit.
    static bool tryFromDouble(double value, Currency* out);
    // Parses "-1,234.5678" (ASCII digits; "," only in the whole part); more than four decimals are
    // rounded half away from zero; "1.5e3" is accepted too. Returns false (and leaves *out alone)
    // for text that is not a number or does not fit.
    static bool fromString(const QString& text, Currency* out);

    constexpr std::int64_t raw() const { return raw_; }
    double toDouble() const { return static_cast<double>(raw_) / kScale; }
    // Plain text without thousands separators and without trailing zeros ("12.5", "-3", "0").
    QString toString() const;

    friend constexpr Currency operator+(Currency a, Currency b) {
        std::int64_t r = 0;
        if (__builtin_add_overflow(a.raw_, b.raw_, &r))
            overflow();
        return fromRaw(r);
    }
    friend constexpr Currency operator-(Currency a, Currency b) {
        std::int64_t r = 0;
        if (__builtin_sub_overflow(a.raw_, b.raw_, &r))
            overflow();
        return fromRaw(r);
    }
    constexpr Currency operator-() const { return Currency() - *this; }
    constexpr Currency& operator+=(Currency o) { return *this = *this + o; }
    constexpr Currency& operator-=(Currency o) { return *this = *this - o; }
    // Products and quotients are rounded half away from zero to four decimals.
    friend Currency operator*(Currency a, Currency b);
    friend Currency operator/(Currency a, Currency b);  // throws DytError on division by zero
    friend constexpr bool operator==(Currency, Currency) = default;
    friend constexpr auto operator<=>(Currency, Currency) = default;

private:
    // Throws DytError("数值超出范围").
    [[noreturn]] static void overflow();

    std::int64_t raw_ = 0;
};

}  // namespace dyt

Q_DECLARE_METATYPE(dyt::Currency)
