#include <gtest/gtest.h>

#include "common/error.h"
#include "common/rounding.h"

#include <cmath>
#include <cstdint>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

using dyt::Currency;
using dyt::DecimalPattern;
using dyt::RoundTo;

struct DoubleCase {
    const char* name;
    double value;
    int places;
    double expected;
};

TEST(RoundTo, HalfAwayFromZeroOnTheDecimalText) {
    // The binary values of 2.675, 1.005, 0.285 and 27 × 1.13 lie just below the written
    // decimals; rounding works on the text an operator sees, so they round up.
    const DoubleCase cases[] = {{"product 27 x 1.13", 27 * 1.13, 2, 30.51},
                                {"2.675", 2.675, 2, 2.68},
                                {"-2.675", -2.675, 2, -2.68},
                                {"1.005", 1.005, 2, 1.01},
                                {"0.285", 0.285, 2, 0.29},
                                {"half to whole", 0.5, 0, 1.0},
                                {"negative half to whole", -0.5, 0, -1.0},
                                {"below half", 0.4999, 0, 0.0},
                                {"one decimal", 123.456, 1, 123.5},
                                {"carry through nines", 9.9999, 3, 10.0},
                                {"carry into new digit", 99.995, 2, 100.0},
                                {"large value", 123456789.125, 2, 123456789.13},
                                {"already short", 1.5, 4, 1.5},
                                {"tiny value vanishes", 1e-20, 2, 0.0},
                                {"noise beyond 15 digits", 1.0000000000000002, 6, 1.0},
                                {"sum noise 0.1 + 0.2", 0.1 + 0.2, 10, 0.3},
                                {"places zero", 1234.5678, 0, 1235.0}};
    for (const auto& c : cases) {
        EXPECT_EQ(RoundTo(c.value, c.places), c.expected) << c.name;
    }
}

TEST(RoundTo, NegativeValueRoundingToZeroIsPlainZero) {
    double r = RoundTo(-0.001, 2);
    EXPECT_EQ(r, 0.0);
    EXPECT_FALSE(std::signbit(r));
}

TEST(RoundTo, SpecialValuesAndBadPlaces) {
    EXPECT_TRUE(std::isnan(RoundTo(std::nan(""), 2)));
    EXPECT_EQ(RoundTo(HUGE_VAL, 2), HUGE_VAL);
    EXPECT_THROW(RoundTo(1.0, -1), dyt::DytError);
    EXPECT_THROW(RoundTo(1.0, 16), dyt::DytError);
}

struct CurrencyCase {
    const char* name;
    std::int64_t raw;
    int places;
    std::int64_t expectedRaw;
};

TEST(RoundTo, CurrencyIsExactHalfAwayFromZero) {
    const CurrencyCase cases[] = {{"2.675 to 2", 26750, 2, 26800},
                                  {"-2.675 to 2", -26750, 2, -26800},
                                  {"1.2345 to 3", 12345, 3, 12350},
                                  {"1.2344 to 3", 12344, 3, 12340},
                                  {"-1.2344 to 3", -12344, 3, -12340},
                                  {"0.0005 to 0", 5, 0, 0},
                                  {"0.5 to 0", 5000, 0, 10000},
                                  {"-0.5 to 0", -5000, 0, -10000},
                                  {"0.4999 to 0", 4999, 0, 0},
                                  {"four places unchanged", 12345, 4, 12345},
                                  {"more places unchanged", 12345, 6, 12345}};
    for (const auto& c : cases) {
        EXPECT_EQ(RoundTo(Currency::fromRaw(c.raw), c.places).raw(), c.expectedRaw) << c.name;
    }
}

TEST(RoundTo, CurrencyRefusesOverflowAndNegativePlaces) {
    const auto top = Currency::fromRaw(std::numeric_limits<std::int64_t>::max());  // ...5807
    EXPECT_THROW(RoundTo(top, 0), dyt::DytError);
    // Rounding down near the limit stays representable.
    EXPECT_EQ(RoundTo(top, 2).raw(), std::numeric_limits<std::int64_t>::max() - 7);
    EXPECT_THROW(RoundTo(Currency::fromRaw(1), -1), dyt::DytError);
}

TEST(RoundTo, SettingsPatternGivesThePlaces) {
    EXPECT_EQ(dyt::RoundToPattern(2.675, u"0.00"_s), 2.68);
    EXPECT_EQ(dyt::RoundToPattern(2.675, u"0."_s), 3.0);
    EXPECT_EQ(dyt::RoundToPattern(2.675, u"0"_s), 3.0);
    EXPECT_EQ(dyt::RoundToPattern(1.23456, u"0.0000"_s), 1.2346);
    EXPECT_EQ(dyt::RoundToPattern(-1.25, DecimalPattern(1)), -1.3);
}

TEST(DecimalPattern, PrefixOfTheTenDecimalPattern) {
    EXPECT_EQ(DecimalPattern(0), u"0."_s);
    EXPECT_EQ(DecimalPattern(1), u"0.0"_s);
    EXPECT_EQ(DecimalPattern(2), u"0.00"_s);
    EXPECT_EQ(DecimalPattern(4), u"0.0000"_s);
    EXPECT_EQ(DecimalPattern(10), u"0.0000000000"_s);
    EXPECT_EQ(DecimalPattern(12), u"0.0000000000"_s);
    EXPECT_EQ(DecimalPattern(-3), u"0."_s);
}

}  // namespace
