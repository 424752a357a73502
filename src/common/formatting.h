#pragma once
// Number and date-time formatting with the pattern languages the system's texts are written in:
// formatFloat (",0.00;-,0.00"), FormatDateTime ("yyyy-mm-dd hh:nn:ss") and Format ("%s", "%d",
// "%.2f", "%.06d").
//
// Locale-dependent items use the values of a Chinese (zh-CN) Windows desktop:
//   decimal separator ".", thousands separator ",", date separator "-", time separator ":",
//   short date format "yyyy-mm-dd", long date format "yyyy'年'm'月'd'日'",
//   short time format "h:nn", long time format "h:nn:ss",
//   TimeAMString "上午", TimePMString "下午",
//   long day names "星期日" … "星期六", short day names "周日" … "周六",
//   long month names "一月" … "十二月", short month names "1月" … "12月",
//   era name "公元", currency string "￥" (positive "￥1.00", negative "￥-1.00", 2 decimals).
//
// Numbers are taken at 15 significant digits and rounded half away from zero on that decimal text
// (see rounding.h), so formatFloat("0.00", 2.675) is "2.68".

#include "common/floatdecimal.h"

#include <QDateTime>
#include <QString>
#include <QVarLengthArray>

#include <cstdint>
#include <initializer_list>

namespace dyt {

namespace zhcn {
inline constexpr char16_t kDecimalSeparator = u'.';
inline constexpr char16_t kThousandSeparator = u',';
inline constexpr char16_t kDateSeparator = u'-';
inline constexpr char16_t kTimeSeparator = u':';
QString shortDateFormat();            // "yyyy-mm-dd"
QString longDateFormat();             // "yyyy'年'm'月'd'日'"
QString shortTimeFormat();            // "h:nn"
QString longTimeFormat();             // "h:nn:ss"
QString timeAMString();               // "上午"
QString timePMString();               // "下午"
QString shortDayName(int dayOfWeek);  // 1 = Sunday … 7 = Saturday
QString longDayName(int dayOfWeek);
QString shortMonthName(int month);  // 1 … 12
QString longMonthName(int month);
}  // namespace zhcn

// ---------------------------------------------------------------------------------------------
// formatFloat
//
// Up to three sections separated by ";": positive values; negative values; zero. An empty or
// missing negative or zero section falls back to the first; a value that rounds to zero uses the
// zero section (or the first). The negative section prints no sign of its own: its literals do
// ("-,0.00"); the first section used for a negative value gets a leading "-".
// In a section: "0" digit or zero, "#" digit or nothing, "." decimal point (its position is the
// first "."), "," anywhere turns on thousands separators, "E+" "E-" "e+" "e-" followed by zeros
// give scientific notation with at least that many exponent digits (at most 4), text in double or
// single quotes is literal, every other character (including "%") is literal.
// An empty first section, a value of 10^18 or more without scientific notation, NaN and infinities
// are formatted as floatToStr does.

class FloatPattern {
public:
    FloatPattern() : FloatPattern(QString()) {}
    explicit FloatPattern(const QString& pattern);

    QString format(double value) const;
    const QString& pattern() const { return pattern_; }

private:
    enum class Kind : std::uint8_t { Digit, Literal, Exponent };
    struct Token {
        Kind kind;
        char16_t expChar = u'E';
        bool expPlus = false;
        std::uint8_t expDigits = 0;
        QString text;
    };
    struct Section {
        bool present = false;
        QVarLengthArray<Token, 8> tokens;
        int digitCount = 0;
        int decimalIndex = 0;
        int firstDigit = 0;
        int lastDigit = 0;
        bool thousands = false;
        bool scientific = false;
    };
    static void apply(const Section& s, bool isFirst, const detail::FloatDecimal& d,
                      QVarLengthArray<char16_t, 64>& out);
    const Section& pick(int index) const;

    QString pattern_;
    Section sections_[3];
    bool general_ = false;  // empty first section
};

QString formatFloat(const QString& pattern, double value);

// General format at 15 significant digits: "12.5", "0.001", "1E20", "-1.5E-5", "NAN", "INF".
QString floatToStr(double value);

// Grid footers: the footer pattern carries "%s" slots for the summary prefix ("%s,0.00;%s-,0.00"
// with "最大值："). The prefix goes into every slot as literal text, then the number is formatted.
// "%%" in the pattern stays a single "%" literal; other "%" characters are literals.
QString formatFloatFooter(const QString& footerPattern, const QString& prefix, double value);

// The display and footer patterns of a settings pattern X ("0.00"): ",X;-,X" and "%s,X;%s-,X".
QString DisplayPattern(const QString& settingsPattern);
QString FooterPattern(const QString& settingsPattern);

// ---------------------------------------------------------------------------------------------
// FormatDateTime
//
// Pattern letters (either case, a run of the same character counts as one item):
//   c       short date, then " " and the long time when the time is not midnight
//   d dd    day of month without / with leading zero; ddd short day name; dddd long day name;
//           ddddd short date format; dddddd long date format
//   m mm    month, or minutes right after an "h" item; mmm short, mmmm long month name
//   yy      two-digit year; yyyy (any run of 3 or more) four-digit year
//   h hh    hour (12-hour clock when an am/pm item follows later in the pattern)
//   n nn    minutes; s ss seconds; z zzz milliseconds
//   t       short time format; tt long time format
//   am/pm   "am"/"pm" in the letter case written, 12-hour clock; a/p likewise one letter
//   ampm    TimeAMString / TimePMString, 12-hour clock
//   aaa aaaa short / long day name; g era name; e year of the era
//   /       date separator; : time separator
//   "…" '…' literal text
// Any other character is copied. A non-ASCII character (such as 年) also ends an "h" item's reach,
// so "hh时mm" prints the month after 时; quote it ("hh'时'mm") to print minutes.
// An invalid QDateTime formats as 1899-12-30 00:00:00, an invalid time as midnight.

QString FormatDateTime(const QString& pattern, const QDateTime& stamp);

// Bill numbers: when the text contains "[" and after it "]", the characters between are a number
// pattern (a counter mask such as "0000") and the counter formatted with it replaces the brackets:
// "JH-2008-[0000]" with 12 gives "JH-2008-0012". Text without a mask comes back unchanged.
QString applyCounterMask(const QString& text, std::int64_t counter);

// The whole numbering rule: drop every CR and LF from the format, format the stamp with it, then
// apply the counter mask. An empty format gives an empty number.
QString formatBillNumber(const QString& snFormat, const QDateTime& stamp, std::int64_t counter);

// ---------------------------------------------------------------------------------------------
// Format
//
// "%" [index ":"] ["-"] [width] ["." precision] type, with width and precision digits or "*":
//   d  integer; precision = least number of digits ("%.06d" → "000042")
//   u  unsigned integer; x hexadecimal (upper case)
//   s  text; precision = most characters
//   f  fixed, precision decimals (default 2); n the same with thousands separators
//   e  scientific ("1.50000000000000E+003"); g general (precision significant digits, default 15)
//   m  money ("￥1,234.50")
//   %% a percent sign
// Width pads with spaces on the left, "-" pads on the right. A width written with a leading zero
// ("%03d") pads numbers with zeros, so the system's "%03d" row numbers read "001".
// A missing argument, a wrong argument kind or a bad item throws DytError.

class FormatArg {
public:
    enum class Type : std::uint8_t { Integer, Unsigned, Float, Text };
    FormatArg(int v) : type_(Type::Integer), i_(v) {}
    FormatArg(long v) : type_(Type::Integer), i_(v) {}
    FormatArg(long long v) : type_(Type::Integer), i_(v) {}
    FormatArg(unsigned v) : type_(Type::Unsigned), u_(v) {}
    FormatArg(unsigned long v) : type_(Type::Unsigned), u_(v) {}
    FormatArg(unsigned long long v) : type_(Type::Unsigned), u_(v) {}
    FormatArg(double v) : type_(Type::Float), d_(v) {}
    FormatArg(const QString& v) : type_(Type::Text), s_(v) {}
    FormatArg(const char16_t* v) : type_(Type::Text), s_(QString::fromUtf16(v)) {}
    FormatArg(QLatin1StringView v) : type_(Type::Text), s_(v) {}

    Type type() const { return type_; }
    long long integer() const { return i_; }
    unsigned long long unsignedValue() const { return u_; }
    double floating() const { return d_; }
    const QString& text() const { return s_; }

private:
    Type type_;
    union {
        long long i_;
        unsigned long long u_;
        double d_ = 0;
    };
    QString s_;
};

QString Format(const QString& pattern, std::initializer_list<FormatArg> args);

}  // namespace dyt
