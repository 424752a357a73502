#pragma once
// Fixed-point money and quantity values: a 64-bit integer scaled by 10 000, so sums are exact.

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
    // Rounds half away from zero to four decimals.
    static Currency fromDouble(double value);
    // Parses "-1,234.5678"; more than four decimals are rounded half away from zero.
    // Returns false (and leaves *out alone) for text that is not a number or does not fit.
    static bool fromString(const QString& text, Currency* out);

    constexpr std::int64_t raw() const { return raw_; }
    double toDouble() const { return static_cast<double>(raw_) / kScale; }
    // Plain text without thousands separators and without trailing zeros ("12.5", "-3", "0").
    QString toString() const;

    friend constexpr Currency operator+(Currency a, Currency b) { return fromRaw(a.raw_ + b.raw_); }
    friend constexpr Currency operator-(Currency a, Currency b) { return fromRaw(a.raw_ - b.raw_); }
    constexpr Currency operator-() const { return fromRaw(-raw_); }
    Currency& operator+=(Currency o) {
        raw_ += o.raw_;
        return *this;
    }
    Currency& operator-=(Currency o) {
        raw_ -= o.raw_;
        return *this;
    }
    // Products and quotients are rounded half away from zero to four decimals.
    friend Currency operator*(Currency a, Currency b);
    friend Currency operator/(Currency a, Currency b);  // throws on division by zero
    friend constexpr bool operator==(Currency, Currency) = default;
    friend constexpr auto operator<=>(Currency, Currency) = default;

private:
    std::int64_t raw_ = 0;
};

}  // namespace dyt

Q_DECLARE_METATYPE(dyt::Currency)
