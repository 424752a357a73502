#include "common/floatdecimal.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace dyt::detail {

FloatDecimal toDecimal(double value, int precision) {
    FloatDecimal d;
    if (std::isnan(value)) {
        d.nan = true;
        return d;
    }
    d.negative = std::signbit(value);
    if (std::isinf(value)) {
        d.infinite = true;
        return d;
    }
    if (value == 0.0) {
        d.negative = false;
        return d;
    }
    if (precision < 1)
        precision = 1;
    if (precision > 17)
        precision = 17;
    // "d.dddde±XX"
    char buf[48];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific,
                             precision - 1);
    const char* p = buf;
    const char* end = res.ptr;
    int n = 0;
    while (p < end && *p != 'e') {
        if (*p != '.')
            d.digits[n++] = *p;
        ++p;
    }
    int exp10 = 0;
    if (p < end) {
        ++p;  // 'e'
        bool negExp = *p == '-';
        if (*p == '-' || *p == '+')
            ++p;
        for (; p < end; ++p)
            exp10 = exp10 * 10 + (*p - '0');
        if (negExp)
            exp10 = -exp10;
    }
    while (n > 0 && d.digits[n - 1] == '0')
        --n;
    d.digits[n] = '\0';
    d.count = n;
    d.exponent = exp10 + 1;
    return d;
}

void roundDecimal(FloatDecimal& d, int decimals, int precision) {
    if (d.isSpecial() || d.isZero())
        return;
    int cut = d.exponent + decimals;
    if (cut < 0) {
        d.count = 0;
        d.digits[0] = '\0';
        d.exponent = 0;
        d.negative = false;
        return;
    }
    if (cut > precision)
        cut = precision;
    if (cut >= d.count)
        return;
    if (d.digits[cut] >= '5') {
        int i = cut - 1;
        while (i >= 0) {
            if (d.digits[i] < '9') {
                ++d.digits[i];
                break;
            }
            --i;  // a 9 carries and drops off as a trailing zero
        }
        if (i < 0) {
            d.digits[0] = '1';
            d.count = 1;
            ++d.exponent;
        } else {
            d.count = i + 1;
        }
    } else {
        int n = cut;
        while (n > 0 && d.digits[n - 1] == '0')
            --n;
        d.count = n;
        if (n == 0)
            d.negative = false;
    }
    d.digits[d.count] = '\0';
}

double decimalToDouble(const FloatDecimal& d) {
    if (d.nan)
        return std::nan("");
    if (d.infinite)
        return d.negative ? -HUGE_VAL : HUGE_VAL;
    if (d.isZero())
        return 0.0;
    char buf[64];
    int n = 0;
    if (d.negative)
        buf[n++] = '-';
    buf[n++] = '0';
    buf[n++] = '.';
    std::memcpy(buf + n, d.digits, static_cast<size_t>(d.count));
    n += d.count;
    buf[n++] = 'e';
    auto res = std::to_chars(buf + n, buf + sizeof buf, d.exponent);
    double value = 0.0;
    std::from_chars(buf, res.ptr, value);
    return value;
}

}  // namespace dyt::detail
