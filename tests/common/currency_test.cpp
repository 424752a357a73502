#include <gtest/gtest.h>

#include "common/currency.h"
#include "common/error.h"
#include "common/rounding.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

using namespace Qt::StringLiterals;

namespace {

using dyt::Currency;
using dyt::decimalPattern;
using dyt::roundTo;

constexpr std::int64_t kMaxRaw = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMinRaw = std::numeric_limits<std::int64_t>::min();

Currency parse(const char* text) {
    Currency c = Currency::fromRaw(-424242);
    EXPECT_TRUE(Currency::fromString(QString::fromUtf8(text), &c)) << text;
    return c;
}

TEST(Currency, SumsAreExact) {
    Currency sum;
    for (int i = 0; i < 10; ++i)
        sum += parse("0.1");
    EXPECT_EQ(sum, parse("1"));
    Currency cents;
    for (int i = 0; i < 1000; ++i)
        cents = cents + Currency::fromDouble(0.01);
    EXPECT_EQ(cents.raw(), 100000);
    EXPECT_EQ((parse("100") - parse("0.0001")).raw(), 999999);
    EXPECT_EQ((-parse("2.5")).raw(), -25000);
}

TEST(Currency, ParsesTextAndRefusesBadText) {
    struct Case {
        const char* text;
        std::int64_t raw;
    } cases[] = {
        {"12.5", 125000}, {"-3", -30000}, {"1,234.5678", 12345678}, {"0.00005", 1},
        {"-0.00005", -1}, {"0.00004999", 0}, {"1.23456", 12346}, {"+7", 70000}, {".5", 5000},
        {"5.", 50000}, {"1e3", 10000000}, {"  42 ", 420000}, {"922337203685477.5807", kMaxRaw},
        {"-922337203685477.5807", -kMaxRaw}};
    for (const auto& c : cases)
        EXPECT_EQ(parse(c.text).raw(), c.raw) << c.text;
    // Bad text is refused and leaves the target alone.
    const char* bad[] = {
        "", "abc", "1.2.3", "１２", "1,2.3,4", ",5", "922337203685477.5808", "1e20", "12-", "--1",
        "-", "1 2"};
    for (const char* text : bad) {
        Currency c = Currency::fromRaw(77);
        EXPECT_FALSE(Currency::fromString(QString::fromUtf8(text), &c)) << text;
        EXPECT_EQ(c.raw(), 77) << text;
    }
}

TEST(Currency, TextWithoutTrailingZeros) {
    struct Case {
        std::int64_t raw;
        const char* text;
    } cases[] = {
        {125000, "12.5"}, {-30000, "-3"}, {0, "0"}, {1, "0.0001"}, {-1, "-0.0001"},
        {12345678, "1234.5678"}, {kMinRaw, "-922337203685477.5808"},
        {kMaxRaw, "922337203685477.5807"}};
    for (const auto& c : cases)
        EXPECT_EQ(Currency::fromRaw(c.raw).toString(), QString::fromUtf8(c.text)) << c.raw;
}

TEST(Currency, DoublesGoThroughTheirDecimalTextAndOutOfRangeOnesAreRefused) {
    struct Case {
        double value;
        std::int64_t raw;
    } cases[] = {
        {2.675, 26750}, {1.00005, 10001}, {-1.00005, -10001}, {27 * 1.13, 305100}, {-2.5, -25000},
        {0.1 + 0.2, 3000}, {1e-5, 0}, {5e-5, 1}, {9e14, 9000000000000000000LL},
        {123.45675, 1234568}, {-0.00015, -2}, {1234567.89125, 12345678913}, {4.99994999, 49999},
        {-7.12345, -71235}, {99999999.99995, 1000000000000}, {3.3333333333, 33333}};
    for (const auto& c : cases)
        EXPECT_EQ(Currency::fromDouble(c.value).raw(), c.raw) << c.value;
    EXPECT_EQ(Currency::fromRaw(305100).toDouble(), 30.51);
    EXPECT_EQ(Currency::fromRaw(-1).toDouble(), -0.0001);
    // Doubles out of range are refused.
    EXPECT_THROW(Currency::fromDouble(std::nan("")), dyt::DytError);
    EXPECT_THROW(Currency::fromDouble(HUGE_VAL), dyt::DytError);
    EXPECT_THROW(Currency::fromDouble(1e15), dyt::DytError);
    EXPECT_THROW(Currency::fromDouble(-1e300), dyt::DytError);
    Currency c = Currency::fromRaw(5);
    EXPECT_FALSE(Currency::tryFromDouble(1e300, &c));
    EXPECT_EQ(c.raw(), 5);
    EXPECT_TRUE(Currency::tryFromDouble(1.5, &c));
    EXPECT_EQ(c.raw(), 15000);
}

TEST(Currency, DoublesTakeTheSameValueWithOrWithoutTheirText) {
    // Sums and products of prices and quantities, many right at a half ten-thousandth, at every
    // magnitude; each must come out as its 15-digit text does.
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<std::int64_t> units(-999999999, 999999999);
    std::uniform_int_distribution<int> scale(0, 12);
    const double nudges[] = {0.0, 0.5, 0.49999999, 0.50000001, 0.4999999999999, 0.25};
    for (int i = 0; i < 200000; ++i) {
        const double base = static_cast<double>(units(rng)) / std::pow(10.0, scale(rng));
        const double value = base + nudges[i % 6] * 1e-4 * (base < 0 ? -1 : 1);
        Currency viaText;
        ASSERT_TRUE(Currency::fromString(QString::number(value, 'g', 15), &viaText)) << value;
        Currency direct;
        ASSERT_TRUE(Currency::tryFromDouble(value, &direct));
        ASSERT_EQ(direct.raw(), viaText.raw()) << QString::number(value, 'g', 17).toStdString();
    }
}

TEST(Currency, ProductsAndQuotientsRoundHalfAwayFromZeroAndOverflowIsRefused) {
    struct Case {
        const char* a;
        char op;
        const char* b;
        std::int64_t raw;
    } cases[] = {
        {"3.3333", '*', "3", 99999}, {"1.2345", '*', "1.2345", 15240}, {"0.0001", '*', "0.5", 1},
        {"-0.0001", '*', "0.5", -1}, {"0.0001", '*', "0.4999", 0}, {"-12.5", '*', "-2", 250000},
        {"1", '/', "3", 3333}, {"2", '/', "3", 6667}, {"-2", '/', "3", -6667},
        {"2", '/', "-3", -6667}, {"100", '/', "8", 125000}, {"0.0001", '/', "2", 1}};
    for (const auto& c : cases) {
        Currency a = parse(c.a);
        Currency b = parse(c.b);
        Currency r = c.op == '*' ? a * b : a / b;
        EXPECT_EQ(r.raw(), c.raw) << c.a << c.op << c.b;
    }
    // Overflow and division by zero are refused.
    const Currency max = Currency::fromRaw(kMaxRaw);
    const Currency min = Currency::fromRaw(kMinRaw);
    const Currency tick = Currency::fromRaw(1);
    EXPECT_THROW(max + tick, dyt::DytError);
    EXPECT_THROW(min - tick, dyt::DytError);
    EXPECT_THROW(-min, dyt::DytError);
    EXPECT_THROW(max * parse("2"), dyt::DytError);
    EXPECT_THROW(max / parse("0.5"), dyt::DytError);
    EXPECT_THROW(parse("1") / Currency(), dyt::DytError);
    Currency c = max;
    EXPECT_THROW(c += tick, dyt::DytError);
    EXPECT_EQ(c, max);
    EXPECT_EQ((max - tick + tick), max);
    EXPECT_EQ((min + tick).raw(), kMinRaw + 1);
    EXPECT_LT(parse("-1"), parse("0.0001"));
    EXPECT_GT(parse("2"), parse("1.9999"));
    EXPECT_EQ(parse("1.50"), parse("1.5"));
    static_assert(Currency::fromRaw(1) + Currency::fromRaw(2) == Currency::fromRaw(3));
}

struct DoubleCase {
    const char* name;
    double value;
    int places;
    double expected;
};

TEST(roundTo, HalfAwayFromZeroOnTheDecimalText) {
    // The binary values of 2.675, 1.005, 0.285 and 27 × 1.13 lie just below the written
    // decimals; rounding works on the text an operator sees, so they round up.
    const DoubleCase cases[] = {
        {"product 27 x 1.13", 27 * 1.13, 2, 30.51}, {"2.675", 2.675, 2, 2.68},
        {"-2.675", -2.675, 2, -2.68}, {"1.005", 1.005, 2, 1.01}, {"0.285", 0.285, 2, 0.29},
        {"half to whole", 0.5, 0, 1.0}, {"negative half to whole", -0.5, 0, -1.0},
        {"below half", 0.4999, 0, 0.0}, {"one decimal", 123.456, 1, 123.5},
        {"carry through nines", 9.9999, 3, 10.0}, {"carry into new digit", 99.995, 2, 100.0},
        {"large value", 123456789.125, 2, 123456789.13}, {"already short", 1.5, 4, 1.5},
        {"tiny value vanishes", 1e-20, 2, 0.0},
        {"noise beyond 15 digits", 1.0000000000000002, 6, 1.0},
        {"sum noise 0.1 + 0.2", 0.1 + 0.2, 10, 0.3}, {"places zero", 1234.5678, 0, 1235.0}};
    for (const auto& c : cases)
        EXPECT_EQ(roundTo(c.value, c.places), c.expected) << c.name;
    // A negative value rounding to zero is plain zero.
    EXPECT_EQ(roundTo(-0.001, 2), 0.0);
    EXPECT_FALSE(std::signbit(roundTo(-0.001, 2)));
    EXPECT_TRUE(std::isnan(roundTo(std::nan(""), 2)));
    EXPECT_EQ(roundTo(HUGE_VAL, 2), HUGE_VAL);
    EXPECT_THROW(roundTo(1.0, -1), dyt::DytError);
    EXPECT_THROW(roundTo(1.0, 16), dyt::DytError);
}

struct CurrencyCase {
    const char* name;
    std::int64_t raw;
    int places;
    std::int64_t expectedRaw;
};

TEST(roundTo, CurrencyIsExactHalfAwayFromZeroAndRefusesOverflowAndNegativePlaces) {
    const CurrencyCase cases[] = {
        {"2.675 to 2", 26750, 2, 26800}, {"-2.675 to 2", -26750, 2, -26800},
        {"1.2345 to 3", 12345, 3, 12350}, {"1.2344 to 3", 12344, 3, 12340},
        {"-1.2344 to 3", -12344, 3, -12340}, {"0.0005 to 0", 5, 0, 0}, {"0.5 to 0", 5000, 0, 10000},
        {"-0.5 to 0", -5000, 0, -10000}, {"0.4999 to 0", 4999, 0, 0},
        {"four places unchanged", 12345, 4, 12345}, {"more places unchanged", 12345, 6, 12345}};
    for (const auto& c : cases)
        EXPECT_EQ(roundTo(Currency::fromRaw(c.raw), c.places).raw(), c.expectedRaw) << c.name;
    const auto top = Currency::fromRaw(std::numeric_limits<std::int64_t>::max());  // ...5807
    EXPECT_THROW(roundTo(top, 0), dyt::DytError);
    // Rounding down near the limit stays representable.
    EXPECT_EQ(roundTo(top, 2).raw(), std::numeric_limits<std::int64_t>::max() - 7);
    EXPECT_THROW(roundTo(Currency::fromRaw(1), -1), dyt::DytError);
}

TEST(roundTo, SettingsPatternGivesThePlacesAndPlacesGiveThePattern) {
    EXPECT_EQ(dyt::roundToPattern(2.675, u"0.00"_s), 2.68);
    EXPECT_EQ(dyt::roundToPattern(2.675, u"0."_s), 3.0);
    EXPECT_EQ(dyt::roundToPattern(2.675, u"0"_s), 3.0);
    EXPECT_EQ(dyt::roundToPattern(1.23456, u"0.0000"_s), 1.2346);
    EXPECT_EQ(dyt::roundToPattern(-1.25, decimalPattern(1)), -1.3);
    // The pattern of some places is a prefix of the ten-decimal pattern.
    QStringList patterns;
    for (int places : {0, 1, 2, 4, 10, 12, -3})
        patterns << decimalPattern(places);
    EXPECT_EQ(patterns.join(u' '), u"0. 0.0 0.00 0.0000 0.0000000000 0.0000000000 0."_s);
}

}  // namespace
