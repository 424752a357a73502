#include <gtest/gtest.h>

#include "common/error.h"
#include "common/formatting.h"
#include "common/rounding.h"

#include <cmath>

namespace {

using dyt::FormatDateTime;
using dyt::FormatFloat;

struct FloatCase {
    const char* pattern;
    double value;
    const char* expected;
};

void checkFloatCases(const FloatCase* begin, const FloatCase* end) {
    for (const FloatCase* c = begin; c != end; ++c) {
        EXPECT_EQ(FormatFloat(QString::fromUtf8(c->pattern), c->value),
                  QString::fromUtf8(c->expected))
            << "pattern " << c->pattern << " value " << c->value;
    }
}

TEST(FormatFloat, DisplayPatternOfTheGrids) {
    const FloatCase cases[] = {
        {",0.00;-,0.00", 1234.5, "1,234.50"},
        {",0.00;-,0.00", -1234.5, "-1,234.50"},
        {",0.00;-,0.00", 0, "0.00"},
        {",0.00;-,0.00", 1234567.891, "1,234,567.89"},
        {",0.00;-,0.00", 999.995, "1,000.00"},
        {",0.00;-,0.00", 0.5, "0.50"},
        {",0.00;-,0.00", -0.05, "-0.05"},
        {",0.00;-,0.00", 100000, "100,000.00"},
        // A negative value that rounds to zero is shown as zero, with the first section.
        {",0.00;-,0.00", -0.001, "0.00"},
        {",0.;-,0.", 1234.5, "1,235"},
        {",0.0000;-,0.0000", 3.14159265, "3.1416"},
    };
    checkFloatCases(std::begin(cases), std::end(cases));
}

TEST(FormatFloat, RoundsHalfAwayFromZeroOnTheDecimalText) {
    const FloatCase cases[] = {
        {"0.00", 2.675, "2.68"}, {"0.00", -2.675, "-2.68"},
        {"0.00", 1.005, "1.01"}, {"0.00", 27 * 1.13, "30.51"},
        {"0", 0.5, "1"},         {"0", -0.5, "-1"},
        {"0", 0.49, "0"},        {"0.", 1.6, "2"},
        {"0.", 0, "0"},          {"0.0", 0.05, "0.1"},
        {"0.00", 0.004, "0.00"},
    };
    checkFloatCases(std::begin(cases), std::end(cases));
}

TEST(FormatFloat, PlaceholdersZeroAndHash) {
    const FloatCase cases[] = {
        {"#,##0.00", 1234, "1,234.00"},
        {"#.##", 0, ""},
        {"#.##", 1.5, "1.5"},
        {"0.##", 1, "1"},
        {"0.##", 0.05, "0.05"},
        {"0.0#", 1.5, "1.5"},
        {"0.0#", 1, "1.0"},
        {"0.0#", 1.256, "1.26"},
        {"000", 5, "005"},
        {"0,000", 5, "0,005"},
        {"00.00", 123.4, "123.40"},
        {"#", 12345678, "12345678"},
        {"#,#", 12345678, "12,345,678"},
        {"0", 1.5e17, "150000000000000000"},
    };
    checkFloatCases(std::begin(cases), std::end(cases));
}

TEST(FormatFloat, SectionsAndLiterals) {
    const FloatCase cases[] = {
        {"0.00;(0.00);zero", -3.5, "(3.50)"},
        {"0.00;(0.00);zero", 0, "zero"},
        {"0.00;(0.00);zero", 3.5, "3.50"},
        {"0.00;(0.00);zero", -0.001, "zero"},
        // Empty negative section: the first section with a leading minus.
        {"0.00;;zero", -3.5, "-3.50"},
        {"$0.00", -5, "-$5.00"},
        // Percent signs are plain text: the value is not multiplied by 100.
        {",0.00%;-,0.00%", 12.345, "12.35%"},
        {",0.00%;-,0.00%", -0.5, "-0.50%"},
        {"\"Total: \"0.00", 5, "Total: 5.00"},
        {"'#'0", 5, "#5"},
        {"\"a;b\"0;x0", -2, "x2"},
        {"0\"元\"", 12, "12元"},
        {"单价0.00", 3, "单价3.00"},
    };
    checkFloatCases(std::begin(cases), std::end(cases));
}

TEST(FormatFloat, Scientific) {
    const FloatCase cases[] = {
        {"0.00E+00", 12345, "1.23E+04"},   {"0.00E-00", 0.000123, "1.23E-04"},
        {"0.00E-0", 12345, "1.23E4"},      {"0.0e+0", 0, "0.0e+0"},
        {"0.00E+00", -12355, "-1.24E+04"}, {"00.0E+0", 12345, "12.3E+3"},
    };
    checkFloatCases(std::begin(cases), std::end(cases));
}

TEST(FormatFloat, GeneralFormatFallbacks) {
    EXPECT_EQ(FormatFloat(QString(), 3.5), QStringLiteral("3.5"));
    EXPECT_EQ(FormatFloat(QStringLiteral(";0.00"), 3.5), QStringLiteral("3.5"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0"), 1e20), QStringLiteral("1E20"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.00"), std::nan("")), QStringLiteral("NAN"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.00"), -HUGE_VAL), QStringLiteral("-INF"));
}

TEST(FormatFloat, CompiledPatternMatchesTheFunction) {
    const dyt::FloatPattern pattern(QStringLiteral(",0.00;-,0.00"));
    for (double v : {0.0, 1.0, -1.0, 1234.565, -98765.4321, 0.015}) {
        EXPECT_EQ(pattern.format(v), FormatFloat(pattern.pattern(), v)) << v;
    }
}

TEST(FormatFloat, ManyPatternsInTurnStayCorrect) {
    // More patterns than the per-thread cache holds, used in turn twice over.
    for (int round = 0; round < 2; ++round) {
        for (int places = 0; places <= 10; ++places) {
            const QString pattern = dyt::DisplayPattern(dyt::DecimalPattern(places));
            QString expected = QStringLiteral("-1,234");
            if (places > 0)
                expected += u'.' + QString(places, u'0');
            EXPECT_EQ(FormatFloat(pattern, -1234.0), expected) << pattern.toStdString();
        }
    }
    EXPECT_EQ(FormatFloat(QStringLiteral("0.00"), -0.0), QStringLiteral("0.00"));
}

TEST(FloatToStr, FifteenSignificantDigits) {
    struct Case {
        double value;
        const char* expected;
    } cases[] = {
        {3.5, "3.5"},
        {0.1 + 0.2, "0.3"},
        {100, "100"},
        {0, "0"},
        {-12.25, "-12.25"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1E15"},
        {0.0001, "0.0001"},
        {0.00001, "1E-5"},
        {-1.5e-7, "-1.5E-7"},
        {2.0 / 3.0, "0.666666666666667"},
        {HUGE_VAL, "INF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dyt::FloatToStr(c.value), QString::fromUtf8(c.expected)) << c.value;
    }
}

TEST(FormatFloatFooter, PrefixFillsTheSlots) {
    const QString pattern = dyt::FooterPattern(dyt::DecimalPattern(2));
    EXPECT_EQ(pattern, QStringLiteral("%s,0.00;%s-,0.00"));
    EXPECT_EQ(dyt::FormatFloatFooter(pattern, QStringLiteral("最大值："), 1234.5),
              QStringLiteral("最大值：1,234.50"));
    EXPECT_EQ(dyt::FormatFloatFooter(pattern, QStringLiteral("最小值："), -1234.5),
              QStringLiteral("最小值：-1,234.50"));
    EXPECT_EQ(dyt::FormatFloatFooter(pattern, QString(), 98.765), QStringLiteral("98.77"));
    EXPECT_EQ(dyt::FormatFloatFooter(QStringLiteral("%s,0.00%;%s-,0.00%"),
                                     QStringLiteral("平均值："), 12.5),
              QStringLiteral("平均值：12.50%"));
    // Characters of the number language in a prefix stay literal.
    EXPECT_EQ(dyt::FormatFloatFooter(pattern, QStringLiteral("No.1, \"E\"#:"), 12),
              QStringLiteral("No.1, \"E\"#:12.00"));
    EXPECT_EQ(dyt::FormatFloatFooter(QStringLiteral("%s0%%"), QStringLiteral("x"), 5),
              QStringLiteral("x5%"));
}

TEST(FormatFloatFooter, PatternPairsFromSettings) {
    EXPECT_EQ(dyt::DisplayPattern(QStringLiteral("0.00")), QStringLiteral(",0.00;-,0.00"));
    EXPECT_EQ(dyt::DisplayPattern(dyt::DecimalPattern(0)), QStringLiteral(",0.;-,0."));
    EXPECT_EQ(dyt::FooterPattern(QStringLiteral("0.000")), QStringLiteral("%s,0.000;%s-,0.000"));
}

// Saturday 5 January 2008, 14:07:09.045.
QDateTime sample() {
    return QDateTime(QDate(2008, 1, 5), QTime(14, 7, 9, 45));
}

struct DateCase {
    const char* pattern;
    const char* expected;
};

TEST(FormatDateTime, EveryItemOfTheNumberingWindow) {
    const DateCase cases[] = {
        {"c", "2008-01-05 14:07:09"},
        {"d", "5"},
        {"dd", "05"},
        {"ddd", "周六"},
        {"dddd", "星期六"},
        {"ddddd", "2008-01-05"},
        {"dddddd", "2008年1月5日"},
        {"m", "1"},
        {"mm", "01"},
        {"mmm", "1月"},
        {"mmmm", "一月"},
        {"yy", "08"},
        {"yyyy", "2008"},
        {"h", "14"},
        {"hh", "14"},
        {"n", "7"},
        {"nn", "07"},
        {"s", "9"},
        {"ss", "09"},
        {"z", "45"},
        {"zzz", "045"},
        {"t", "14:07"},
        {"tt", "14:07:09"},
        {"am/pm", "pm"},
        {"a/p", "p"},
        {"ampm", "下午"},
        {"/", "-"},
        {":", ":"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.pattern), sample()),
                  QString::fromUtf8(c.expected))
            << c.pattern;
    }
}

TEST(FormatDateTime, CombinationsCaseAndMinutesAfterHours) {
    const DateCase cases[] = {
        {"yyyy-mm-dd hh:nn:ss", "2008-01-05 14:07:09"},
        {"YYYY-MM-DD", "2008-01-05"},
        {"yyyymmdd.hhnn", "20080105.1407"},
        {"hh:mm", "14:07"},
        {"hh:mm:ss", "14:07:09"},
        {"h mm", "14 07"},
        {"mm", "01"},
        {"y", "08"},
        {"yyy", "2008"},
        {"yyyy/mm/dd", "2008-01-05"},
        {"yyyy_MM_dd-hh_nn_ss", "2008_01_05-14_07_09"},
        {"hh'时'mm", "14时07"},
        // An unquoted Chinese character ends the reach of the hour item: mm is the month.
        {"hh时mm", "14时01"},
        {"yyyy\"年\"mm\"月\"dd\"日\"", "2008年01月05日"},
        {"'JH'-yyyy", "JH-2008"},
        // Unquoted text is read as pattern letters: J is copied, H is the hour.
        {"JH", "J14"},
        {"h:nn am/pm", "2:07 pm"},
        {"h:nn AM/PM", "2:07 PM"},
        {"hh a/p", "02 p"},
        {"ampm h:nn", "下午 2:07"},
        {"aaa", "周六"},
        {"aaaa", "星期六"},
        {"g", "公元"},
        {"e", "8"},
        {"ee", "08"},
        {"[0000]", "[0000]"},
        {"yyyy 'abc", "2008 abc"},
        {"''yyyy\"\"", "2008"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.pattern), sample()),
                  QString::fromUtf8(c.expected))
            << c.pattern;
    }
}

TEST(FormatDateTime, TwelveHourClockAndMidnight) {
    const QDateTime midnight(QDate(2008, 1, 5), QTime(0, 5, 0));
    EXPECT_EQ(FormatDateTime(QStringLiteral("hh:nn am/pm"), midnight), QStringLiteral("12:05 am"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("h ampm"), midnight), QStringLiteral("12 上午"));
    const QDateTime noon(QDate(2008, 1, 5), QTime(12, 30, 0));
    EXPECT_EQ(FormatDateTime(QStringLiteral("h:nn a/p"), noon), QStringLiteral("12:30 p"));
    const QDateTime morning(QDate(2008, 1, 5), QTime(9, 5, 0));
    EXPECT_EQ(FormatDateTime(QStringLiteral("ampm"), morning), QStringLiteral("上午"));
    // "c" leaves out a midnight time.
    EXPECT_EQ(FormatDateTime(QStringLiteral("c"), QDateTime(QDate(2008, 1, 5), QTime(0, 0))),
              QStringLiteral("2008-01-05"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), QDateTime()),
              QStringLiteral("1899-12-30 00:00:00"));
}

TEST(FormatBillNumber, PresetsOfTheNumberingWindow) {
    const QDateTime newYear(QDate(2008, 1, 1), QTime(10, 30, 0));
    const QString prefix = QStringLiteral("\"JH\"");
    struct Case {
        QString format;
        const char* expected;
    } cases[] = {
        {prefix + QStringLiteral("\r-\rYYYY\r-\rMM\r-\rDD\r-\r[00000]"), "JH-2008-01-01-00001"},
        {prefix + QStringLiteral("\r-\rYYYY\r-\r[00000]"), "JH-2008-00001"},
        {prefix + QStringLiteral("\r-\rMM\r-\rDD\r-\r[00000]"), "JH-01-01-00001"},
        // Preset four has no separator between the prefix and the year.
        {prefix + QStringLiteral("\rYYYY\rMM\rDD\r-\r[00000]"), "JH20080101-00001"},
        {QStringLiteral("\"PC9\"\r-\r") + prefix +
             QStringLiteral("\r-\rYYYY\r-\rMM\r-\rDD\r-\r[00000]"),
         "PC9-JH-2008-01-01-00001"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dyt::FormatBillNumber(c.format, newYear, 1), QString::fromUtf8(c.expected))
            << c.expected;
    }
    // CR LF line breaks are removed as well; a counter wider than the mask keeps all its digits.
    EXPECT_EQ(dyt::FormatBillNumber(QStringLiteral("\"XS\"\r\nyyyymmdd\r\n[000]"), newYear, 1234),
              QStringLiteral("XS200801011234"));
    EXPECT_EQ(dyt::FormatBillNumber(QString(), newYear, 1), QString());
}

TEST(ApplyCounterMask, ReplacesTheFirstBracketPair) {
    EXPECT_EQ(dyt::ApplyCounterMask(QStringLiteral("JH-2008-[0000]"), 12),
              QStringLiteral("JH-2008-0012"));
    EXPECT_EQ(dyt::ApplyCounterMask(QStringLiteral("[00]-X"), 7), QStringLiteral("07-X"));
    EXPECT_EQ(dyt::ApplyCounterMask(QStringLiteral("JH-2008"), 12), QStringLiteral("JH-2008"));
    EXPECT_EQ(dyt::ApplyCounterMask(QStringLiteral("JH]-[00"), 12), QStringLiteral("JH]-[00"));
    EXPECT_EQ(dyt::ApplyCounterMask(QStringLiteral("A[000]B[00]"), 5), QStringLiteral("A005B[00]"));
}

TEST(Format, IntegersAndPadding) {
    using dyt::Format;
    EXPECT_EQ(Format(QStringLiteral("%d"), {42}), QStringLiteral("42"));
    EXPECT_EQ(Format(QStringLiteral("%5d|"), {42}), QStringLiteral("   42|"));
    EXPECT_EQ(Format(QStringLiteral("%-5d|"), {42}), QStringLiteral("42   |"));
    EXPECT_EQ(Format(QStringLiteral("%.06d"), {42}), QStringLiteral("000042"));
    EXPECT_EQ(Format(QStringLiteral("%.03d"), {7}), QStringLiteral("007"));
    EXPECT_EQ(Format(QStringLiteral("%03d"), {7}), QStringLiteral("007"));
    EXPECT_EQ(Format(QStringLiteral("%03d"), {-7}), QStringLiteral("-07"));
    EXPECT_EQ(Format(QStringLiteral("%.3d"), {-7}), QStringLiteral("-007"));
    EXPECT_EQ(Format(QStringLiteral("%x"), {255}), QStringLiteral("FF"));
    EXPECT_EQ(Format(QStringLiteral("%.4x"), {255}), QStringLiteral("00FF"));
    EXPECT_EQ(Format(QStringLiteral("%u"), {4000000000u}), QStringLiteral("4000000000"));
    EXPECT_EQ(Format(QStringLiteral("%*d"), {5, 42}), QStringLiteral("   42"));
    EXPECT_EQ(Format(QStringLiteral("%d"), {-9223372036854775807LL - 1}),
              QStringLiteral("-9223372036854775808"));
}

TEST(Format, TextsOfTheSystem) {
    using dyt::Format;
    EXPECT_EQ(Format(QStringLiteral("执行菜单[%s]"), {QStringLiteral("进货单")}),
              QStringLiteral("执行菜单[进货单]"));
    EXPECT_EQ(Format(QStringLiteral("%s.%s.db"),
                     {QStringLiteral("公司"), QStringLiteral("20080105.1407")}),
              QStringLiteral("公司.20080105.1407.db"));
    EXPECT_EQ(Format(QStringLiteral(" select NumHead, SNFormat from sysDjb where id=%d "), {5}),
              QStringLiteral(" select NumHead, SNFormat from sysDjb where id=5 "));
    EXPECT_EQ(Format(QStringLiteral("账套成功备份到文件: %s 中, 文件大小 %d K。"),
                     {QStringLiteral("a.db"), 12}),
              QStringLiteral("账套成功备份到文件: a.db 中, 文件大小 12 K。"));
    EXPECT_EQ(Format(QStringLiteral("%1:s %0:s %s"), {QStringLiteral("a"), QStringLiteral("b")}),
              QStringLiteral("b a b"));
    EXPECT_EQ(Format(QStringLiteral("%.2s|%4s|%-4s|"),
                     {QStringLiteral("abcdef"), QStringLiteral("x"), QStringLiteral("y")}),
              QStringLiteral("ab|   x|y   |"));
    EXPECT_EQ(Format(QStringLiteral("100%%"), {}), QStringLiteral("100%"));
}

TEST(Format, FloatingPoint) {
    using dyt::Format;
    EXPECT_EQ(Format(QStringLiteral("%.2f"), {2.675}), QStringLiteral("2.68"));
    EXPECT_EQ(Format(QStringLiteral("%f"), {1.5}), QStringLiteral("1.50"));
    EXPECT_EQ(Format(QStringLiteral("%.0f"), {0.5}), QStringLiteral("1"));
    EXPECT_EQ(Format(QStringLiteral("%.3f"), {0.05}), QStringLiteral("0.050"));
    EXPECT_EQ(Format(QStringLiteral("%.1f"), {-0.04}), QStringLiteral("0.0"));
    EXPECT_EQ(Format(QStringLiteral("%.*f"), {1, 2.25}), QStringLiteral("2.3"));
    EXPECT_EQ(Format(QStringLiteral("%n"), {1234567.891}), QStringLiteral("1,234,567.89"));
    EXPECT_EQ(Format(QStringLiteral("%.0n"), {999.5}), QStringLiteral("1,000"));
    EXPECT_EQ(Format(QStringLiteral("%e"), {1500.0}), QStringLiteral("1.50000000000000E+003"));
    EXPECT_EQ(Format(QStringLiteral("%.3e"), {-0.0001234}), QStringLiteral("-1.23E-004"));
    EXPECT_EQ(Format(QStringLiteral("%g"), {0.1}), QStringLiteral("0.1"));
    EXPECT_EQ(Format(QStringLiteral("%m"), {1234.5}), QStringLiteral("￥1,234.50"));
    EXPECT_EQ(Format(QStringLiteral("%m"), {-2.0}), QStringLiteral("￥-2.00"));
    EXPECT_EQ(Format(QStringLiteral("%8.2f|"), {3.14159}), QStringLiteral("    3.14|"));
    EXPECT_EQ(Format(QStringLiteral("%f"), {3}), QStringLiteral("3.00"));
}

TEST(Format, BadItemsAndArgumentsAreRefused) {
    using dyt::Format;
    EXPECT_THROW(Format(QStringLiteral("%d"), {QStringLiteral("x")}), dyt::DytError);
    EXPECT_THROW(Format(QStringLiteral("%s"), {}), dyt::DytError);
    EXPECT_THROW(Format(QStringLiteral("%s"), {5}), dyt::DytError);
    EXPECT_THROW(Format(QStringLiteral("%q"), {5}), dyt::DytError);
    EXPECT_THROW(Format(QStringLiteral("abc%"), {}), dyt::DytError);
    EXPECT_THROW(Format(QStringLiteral("%d"), {1.5}), dyt::DytError);
    try {
        Format(QStringLiteral("%d"), {QStringLiteral("x")});
    } catch (const dyt::DytError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("%d"))) << e.what();
    }
}

}  // namespace
