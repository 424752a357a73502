// Numbers of a bill as the windows send them: the short way for plain decimal texts gives exactly
// the value, the rounding and the refusal of the general reading (trim, drop the thousands
// separators, convert, round with roundTo).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>

#include "common/error.h"
#include "common/rounding.h"
#include "server/procs/bill_common.h"

namespace {

using dyt::DytError;
namespace billvalues = dyt::server::billvalues;

// The general reading; no value when the text is refused.
std::optional<double> generalNumber(const QString& text) {
    QString t = text.trimmed();
    if (t.isEmpty())
        return 0.0;
    const qsizetype point = t.indexOf(QLatin1Char('.'));
    const qsizetype lastComma = t.lastIndexOf(QLatin1Char(','));
    if (lastComma >= 0 && point >= 0 && lastComma > point)
        return std::nullopt;
    t.remove(QLatin1Char(','));
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(BillValues, PlainDecimalsReadAndRoundExactlyAsTheGeneralWay) {
    const char* const texts[] = {
        "0", "0.00", "-0", "-0.00", "2", "20", "20.00", "0.1", "0.3", "2.5", "-2.5", "0.005",
        "0.015", "1.005", "-1.005", "2.675", "27.1300", "0.12345", "0.123456789", "0.0000001",
        "0.00000001", "0.000000005", "0.0000000049999", "123456789012345", "-999999999999999",
        "1234567890123456", "4503599627370497", "99999999999.9999", "12345678901.23456",
        "9007199254740993", "0.999999999999999", "-0.000050000", "1.23456789012345",
        " 12.5 ", "\t7\n", "1,234.5", "1,234,567.125", "007", "00.5", ".5", "5.", "+5", "1e3",
        "1E-2", "abc", "", "   ", "1.2.3", "1,2.3,4", "--1", "-", "１２", "1e400", "12 3",
        "0x10", "inf", "nan", "1.5\u00a0",
    };
    const int places[] = {0, 2, 4, 8, 15};
    for (const char* raw : texts) {
        const QString text = QString::fromUtf8(raw);
        const std::optional<double> expected = generalNumber(text);
        SCOPED_TRACE(raw);
        if (!expected) {
            EXPECT_THROW(billvalues::number(text, QStringLiteral("数量")), DytError);
            for (int p : places)
                EXPECT_THROW(billvalues::roundedNumber(text, p, QStringLiteral("数量")), DytError);
            continue;
        }
        EXPECT_TRUE(sameBits(billvalues::number(text, QStringLiteral("数量")), *expected));
        for (int p : places) {
            const double got = billvalues::roundedNumber(text, p, QStringLiteral("数量"));
            const double want = dyt::roundTo(*expected, p);
            EXPECT_TRUE(sameBits(got, want)) << p << " places: " << got << " vs " << want;
        }
    }
}

TEST(BillValues, RefusalsNameTheFieldAndTheText) {
    const struct {
        const char* text;
        int places;
    } cases[] = {{"abc", 4}, {"1,2.3,4", 8}, {"1.2.3", 2}, {"1e400", 4}};
    for (const auto& c : cases) {
        try {
            billvalues::roundedNumber(QString::fromUtf8(c.text), c.places, QStringLiteral("单价"));
            ADD_FAILURE() << c.text << " was taken";
        } catch (const DytError& e) {
            EXPECT_EQ(e.message(),
                      QStringLiteral("[单价]不是有效的数字：%1").arg(QString::fromUtf8(c.text)));
        }
    }
}

}  // namespace
