#include <gtest/gtest.h>

#include "common/error.h"
#include "common/formatting.h"
#include "common/rounding.h"
#include "support/testutil.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

using dyt::Format;
using dyt::FormatDateTime;
using dyt::formatFloat;

// The grid patterns (a negative value rounding to zero shows as zero), half away from zero on the
// decimal text, placeholders 0 and #, sections and literals (an empty negative section is the first
// one with a minus; "%" is plain text), scientific, and the general-format fallbacks.
TEST(formatFloat, PatternsOfTheGridsAndTheSettings) {
    const struct {
        const char* pattern;
        double value;
        const char* expected;
    } cases[] = {
        {",0.00;-,0.00", 1234.5, "1,234.50"}, {",0.00;-,0.00", -1234.5, "-1,234.50"},
        {",0.00;-,0.00", 0, "0.00"}, {",0.00;-,0.00", 1234567.891, "1,234,567.89"},
        {",0.00;-,0.00", 999.995, "1,000.00"}, {",0.00;-,0.00", -0.05, "-0.05"},
        {",0.00;-,0.00", -0.001, "0.00"}, {",0.;-,0.", 1234.5, "1,235"},
        {",0.0000;-,0.0000", 3.14159265, "3.1416"}, {"0.00", 2.675, "2.68"},
        {"0.00", -2.675, "-2.68"}, {"0.00", 1.005, "1.01"}, {"0.00", 27 * 1.13, "30.51"},
        {"0", 0.5, "1"}, {"0", -0.5, "-1"}, {"0", 0.49, "0"}, {"0.", 1.6, "2"}, {"0.", 0, "0"},
        {"0.0", 0.05, "0.1"}, {"0.00", 0.004, "0.00"}, {"#,##0.00", 1234, "1,234.00"},
        {"#.##", 0, ""}, {"#.##", 1.5, "1.5"}, {"0.##", 1, "1"}, {"0.##", 0.05, "0.05"},
        {"0.0#", 1.5, "1.5"}, {"0.0#", 1, "1.0"}, {"0.0#", 1.256, "1.26"}, {"000", 5, "005"},
        {"0,000", 5, "0,005"}, {"00.00", 123.4, "123.40"}, {"#", 12345678, "12345678"},
        {"#,#", 12345678, "12,345,678"}, {"0", 1.5e17, "150000000000000000"},
        {"0.00;(0.00);zero", -3.5, "(3.50)"}, {"0.00;(0.00);zero", 0, "zero"},
        {"0.00;(0.00);zero", 3.5, "3.50"}, {"0.00;(0.00);zero", -0.001, "zero"},
        {"0.00;;zero", -3.5, "-3.50"}, {"$0.00", -5, "-$5.00"},
        {",0.00%;-,0.00%", 12.345, "12.35%"}, {",0.00%;-,0.00%", -0.5, "-0.50%"},
        {"\"Total: \"0.00", 5, "Total: 5.00"}, {"'#'0", 5, "#5"}, {"\"a;b\"0;x0", -2, "x2"},
        {"0\"元\"", 12, "12元"}, {"单价0.00", 3, "单价3.00"}, {"0.00E+00", 12345, "1.23E+04"},
        {"0.00E-00", 0.000123, "1.23E-04"}, {"0.00E-0", 12345, "1.23E4"}, {"0.0e+0", 0, "0.0e+0"},
        {"0.00E+00", -12355, "-1.24E+04"}, {"00.0E+0", 12345, "12.3E+3"}, {"", 3.5, "3.5"},
        {";0.00", 3.5, "3.5"}, {"0", 1e20, "1E20"}, {"0.00", std::nan(""), "NAN"},
        {"0.00", -HUGE_VAL, "-INF"}, {"0.00", -0.0, "0.00"}};
    for (const auto& c : cases) {
        EXPECT_EQ(formatFloat(QString::fromUtf8(c.pattern), c.value), QString::fromUtf8(c.expected))
            << "pattern " << c.pattern << " value " << c.value;
    }
    // A compiled pattern and many patterns in turn stay correct.
    const dyt::FloatPattern pattern(u",0.00;-,0.00"_s);
    for (double v : {0.0, 1.0, -1.0, 1234.565, -98765.4321, 0.015})
        EXPECT_EQ(pattern.format(v), formatFloat(pattern.pattern(), v)) << v;
    // More patterns than the per-thread cache holds, used in turn twice over.
    for (int round = 0; round < 2; ++round) {
        for (int places = 0; places <= 10; ++places) {
            const QString display = dyt::DisplayPattern(dyt::decimalPattern(places));
            const QString expected =
                places > 0 ? u"-1,234."_s + QString(places, u'0') : u"-1,234"_s;
            EXPECT_EQ(formatFloat(display, -1234.0), expected) << display.toStdString();
        }
    }
}

TEST(floatToStr, FifteenSignificantDigitsAndTheFooterPrefix) {
    const struct {
        double value;
        const char* expected;
    } cases[] = {
        {3.5, "3.5"}, {0.1 + 0.2, "0.3"}, {100, "100"}, {0, "0"}, {-12.25, "-12.25"},
        {123456789012345.0, "123456789012345"}, {1e15, "1E15"}, {0.0001, "0.0001"},
        {0.00001, "1E-5"}, {-1.5e-7, "-1.5E-7"}, {2.0 / 3.0, "0.666666666666667"},
        {HUGE_VAL, "INF"}};
    for (const auto& c : cases)
        EXPECT_EQ(dyt::floatToStr(c.value), QString::fromUtf8(c.expected)) << c.value;
    // The footer's prefix fills the slots.
    const QString pattern = dyt::FooterPattern(dyt::decimalPattern(2));
    EXPECT_EQ(pattern, u"%s,0.00;%s-,0.00"_s);
    EXPECT_EQ(dyt::formatFloatFooter(pattern, u"最大值："_s, 1234.5), u"最大值：1,234.50"_s);
    EXPECT_EQ(dyt::formatFloatFooter(pattern, u"最小值："_s, -1234.5), u"最小值：-1,234.50"_s);
    EXPECT_EQ(dyt::formatFloatFooter(pattern, QString(), 98.765), u"98.77"_s);
    EXPECT_EQ(dyt::formatFloatFooter(u"%s,0.00%;%s-,0.00%"_s, u"平均值："_s, 12.5),
              u"平均值：12.50%"_s);
    // Characters of the number language in a prefix stay literal.
    EXPECT_EQ(dyt::formatFloatFooter(pattern, u"No.1, \"E\"#:"_s, 12), u"No.1, \"E\"#:12.00"_s);
    EXPECT_EQ(dyt::formatFloatFooter(u"%s0%%"_s, u"x"_s, 5), u"x5%"_s);
}

// Every item, then combinations: letter case, mm as minutes after an hour item (an unquoted Chinese
// character ends that reach), unquoted text read as pattern letters ("JH": J copied, H the hour).
TEST(FormatDateTime, EveryItemOfTheNumberingWindowAndTheirCombinations) {
    const QDateTime sample(QDate(2008, 1, 5), QTime(14, 7, 9, 45));  // a Saturday
    const struct {
        const char* pattern;
        const char* expected;
    } cases[] = {
        {"c", "2008-01-05 14:07:09"}, {"d", "5"}, {"dd", "05"}, {"ddd", "周六"}, {"dddd", "星期六"},
        {"ddddd", "2008-01-05"}, {"dddddd", "2008年1月5日"}, {"m", "1"}, {"mm", "01"},
        {"mmm", "1月"}, {"mmmm", "一月"}, {"yy", "08"}, {"yyyy", "2008"}, {"h", "14"}, {"hh", "14"},
        {"n", "7"}, {"nn", "07"}, {"s", "9"}, {"ss", "09"}, {"z", "45"}, {"zzz", "045"},
        {"t", "14:07"}, {"tt", "14:07:09"}, {"am/pm", "pm"}, {"a/p", "p"}, {"ampm", "下午"},
        {"/", "-"}, {":", ":"},
        // Combinations, letter case, and mm as minutes after an hour item.
        {"yyyy-mm-dd hh:nn:ss", "2008-01-05 14:07:09"}, {"YYYY-MM-DD", "2008-01-05"},
        {"yyyymmdd.hhnn", "20080105.1407"}, {"hh:mm", "14:07"}, {"hh:mm:ss", "14:07:09"},
        {"h mm", "14 07"}, {"y", "08"}, {"yyy", "2008"}, {"yyyy/mm/dd", "2008-01-05"},
        {"yyyy_MM_dd-hh_nn_ss", "2008_01_05-14_07_09"}, {"hh'时'mm", "14时07"},
        // An unquoted Chinese character ends the reach of the hour item: mm is the month.
        {"hh时mm", "14时01"}, {"yyyy\"年\"mm\"月\"dd\"日\"", "2008年01月05日"},
        {"'JH'-yyyy", "JH-2008"},
        // Unquoted text is read as pattern letters: J is copied, H is the hour.
        {"JH", "J14"}, {"h:nn am/pm", "2:07 pm"}, {"h:nn AM/PM", "2:07 PM"}, {"hh a/p", "02 p"},
        {"ampm h:nn", "下午 2:07"}, {"aaa", "周六"}, {"aaaa", "星期六"}, {"g", "公元"}, {"e", "8"},
        {"ee", "08"}, {"[0000]", "[0000]"}, {"yyyy 'abc", "2008 abc"}, {"''yyyy\"\"", "2008"}};
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.pattern), sample),
                  QString::fromUtf8(c.expected))
            << c.pattern;
    }
    // The twelve-hour clock and midnight.
    const QDate day(2008, 1, 5);
    EXPECT_EQ(FormatDateTime(u"hh:nn am/pm"_s, QDateTime(day, QTime(0, 5))), u"12:05 am"_s);
    EXPECT_EQ(FormatDateTime(u"h ampm"_s, QDateTime(day, QTime(0, 5))), u"12 上午"_s);
    EXPECT_EQ(FormatDateTime(u"h:nn a/p"_s, QDateTime(day, QTime(12, 30))), u"12:30 p"_s);
    EXPECT_EQ(FormatDateTime(u"ampm"_s, QDateTime(day, QTime(9, 5))), u"上午"_s);
    // "c" leaves out a midnight time.
    EXPECT_EQ(FormatDateTime(u"c"_s, QDateTime(day, QTime(0, 0))), u"2008-01-05"_s);
    EXPECT_EQ(FormatDateTime(u"yyyy-mm-dd hh:nn:ss"_s, QDateTime()), u"1899-12-30 00:00:00"_s);
}

TEST(formatBillNumber, PresetsOfTheNumberingWindowAndTheCounterMask) {
    const QDateTime newYear(QDate(2008, 1, 1), QTime(10, 30, 0));
    const QString prefix = u"\"JH\""_s;
    const struct {
        QString format;
        const char* expected;
    } cases[] = {
        {prefix + u"\r-\rYYYY\r-\rMM\r-\rDD\r-\r[00000]"_s, "JH-2008-01-01-00001"},
        {prefix + u"\r-\rYYYY\r-\r[00000]"_s, "JH-2008-00001"},
        {prefix + u"\r-\rMM\r-\rDD\r-\r[00000]"_s, "JH-01-01-00001"},
        // Preset four has no separator between the prefix and the year.
        {prefix + u"\rYYYY\rMM\rDD\r-\r[00000]"_s, "JH20080101-00001"},
        {u"\"PC9\"\r-\r"_s + prefix + u"\r-\rYYYY\r-\rMM\r-\rDD\r-\r[00000]"_s,
         "PC9-JH-2008-01-01-00001"}};
    for (const auto& c : cases)
        EXPECT_EQ(dyt::formatBillNumber(c.format, newYear, 1), QString::fromUtf8(c.expected));
    // CR LF line breaks are removed as well; a counter wider than the mask keeps all its digits.
    EXPECT_EQ(dyt::formatBillNumber(u"\"XS\"\r\nyyyymmdd\r\n[000]"_s, newYear, 1234),
              u"XS200801011234"_s);
    EXPECT_EQ(dyt::formatBillNumber(QString(), newYear, 1), QString());
    // The counter mask replaces the first bracket pair.
    EXPECT_EQ(dyt::applyCounterMask(u"JH-2008-[0000]"_s, 12), u"JH-2008-0012"_s);
    EXPECT_EQ(dyt::applyCounterMask(u"[00]-X"_s, 7), u"07-X"_s);
    EXPECT_EQ(dyt::applyCounterMask(u"JH-2008"_s, 12), u"JH-2008"_s);
    EXPECT_EQ(dyt::applyCounterMask(u"JH]-[00"_s, 12), u"JH]-[00"_s);
    EXPECT_EQ(dyt::applyCounterMask(u"A[000]B[00]"_s, 5), u"A005B[00]"_s);
}

TEST(Format, IntegersTextsAndFloatingPoint) {
    const QString cases[][2] = {
        {Format(u"账套成功备份到文件: %s 中, 文件大小 %d K。"_s, {u"a.db"_s, 12}),
         u"账套成功备份到文件: a.db 中, 文件大小 12 K。"_s},
        {Format(u"%d"_s, {42}), u"42"_s}, {Format(u"%5d|"_s, {42}), u"   42|"_s},
        {Format(u"%-5d|"_s, {42}), u"42   |"_s}, {Format(u"%.06d"_s, {42}), u"000042"_s},
        {Format(u"%.03d"_s, {7}), u"007"_s}, {Format(u"%03d"_s, {7}), u"007"_s},
        {Format(u"%03d"_s, {-7}), u"-07"_s}, {Format(u"%.3d"_s, {-7}), u"-007"_s},
        {Format(u"%x"_s, {255}), u"FF"_s}, {Format(u"%.4x"_s, {255}), u"00FF"_s},
        {Format(u"%u"_s, {4000000000u}), u"4000000000"_s}, {Format(u"%*d"_s, {5, 42}), u"   42"_s},
        {Format(u"%d"_s, {-9223372036854775807LL - 1}), u"-9223372036854775808"_s},
        {Format(u"执行菜单[%s]"_s, {u"进货单"_s}), u"执行菜单[进货单]"_s},
        {Format(u"%s.%s.db"_s, {u"公司"_s, u"20080105.1407"_s}), u"公司.20080105.1407.db"_s},
        {Format(u"%1:s %0:s %s"_s, {u"a"_s, u"b"_s}), u"b a b"_s},
        {Format(u"%.2s|%4s|%-4s|"_s, {u"abcdef"_s, u"x"_s, u"y"_s}), u"ab|   x|y   |"_s},
        {Format(u"100%%"_s, {}), u"100%"_s}, {Format(u"%.2f"_s, {2.675}), u"2.68"_s},
        {Format(u"%f"_s, {1.5}), u"1.50"_s}, {Format(u"%.0f"_s, {0.5}), u"1"_s},
        {Format(u"%.3f"_s, {0.05}), u"0.050"_s}, {Format(u"%.1f"_s, {-0.04}), u"0.0"_s},
        {Format(u"%.*f"_s, {1, 2.25}), u"2.3"_s},
        {Format(u"%n"_s, {1234567.891}), u"1,234,567.89"_s},
        {Format(u"%.0n"_s, {999.5}), u"1,000"_s},
        {Format(u"%e"_s, {1500.0}), u"1.50000000000000E+003"_s},
        {Format(u"%.3e"_s, {-0.0001234}), u"-1.23E-004"_s}, {Format(u"%g"_s, {0.1}), u"0.1"_s},
        {Format(u"%m"_s, {1234.5}), u"￥1,234.50"_s}, {Format(u"%m"_s, {-2.0}), u"￥-2.00"_s},
        {Format(u"%8.2f|"_s, {3.14159}), u"    3.14|"_s}, {Format(u"%f"_s, {3}), u"3.00"_s}};
    for (const auto& c : cases)
        EXPECT_EQ(c[0], c[1]);
    // Bad items and arguments are refused.
    EXPECT_THROW(Format(u"%s"_s, {}), dyt::DytError);
    EXPECT_THROW(Format(u"%s"_s, {5}), dyt::DytError);
    EXPECT_THROW(Format(u"%q"_s, {5}), dyt::DytError);
    EXPECT_THROW(Format(u"abc%"_s, {}), dyt::DytError);
    EXPECT_THROW(Format(u"%d"_s, {1.5}), dyt::DytError);
    const QString error = dyt::test::errorOf([&] { Format(u"%d"_s, {u"x"_s}); });
    EXPECT_TRUE(error.contains(u"%d"_s)) << error.toStdString();
}

}  // namespace
