#pragma once
// Decimal digits of a floating-point value, the common ground of number formatting and rounding.
// A value is taken as its decimal text at 15 significant digits (what an operator sees and types),
// and every later rounding is half away from zero on that text: 27 × 1.13 is 30.51 and 2.675 rounds
// to 2.68, although their binary values lie a hair below.

#include <cstdint>

namespace dyt::detail {

struct FloatDecimal {
    // value = 0.d1 d2 d3 ... × 10^exponent; digits hold '0'..'9' without trailing zeros and end
    // with a NUL; count == 0 means the value is zero.
    char digits[24] = {};
    int count = 0;
    int exponent = 0;
    bool negative = false;
    bool nan = false;
    bool infinite = false;

    bool isZero() const { return count == 0; }
    bool isSpecial() const { return nan || infinite; }
};

// The significant digits of the value at the given precision (1..17, default 15), correctly
// rounded from the binary value.
FloatDecimal toDecimal(double value, int precision = 15);

// Rounds to `decimals` digits after the decimal point, keeping at most `precision` significant
// digits, half away from zero. A result of zero clears the sign.
void roundDecimal(FloatDecimal& d, int decimals, int precision = 15);

// Reads a plain decimal text back into a double ("-12.5", "0.001").
double decimalToDouble(const FloatDecimal& d);

}  // namespace dyt::detail
