#include <gtest/gtest.h>

#include "common/codes.h"
#include "common/error.h"
#include "support/testutil.h"

#include <vector>

using namespace Qt::StringLiterals;

namespace {

using dyt::DytError;
using dyt::IncrementCode;
using dyt::IncrementNumber;

QString s(const char* utf8) {
    return QString::fromUtf8(utf8);
}

using dyt::test::errorOf;

const char* const kTooLong = "数字转换失败，可能是数字位数太长";

struct Row {
    const char* input;
    const char* expected;
};

TEST(IncrementNumber, AddsOneAndKeepsAtLeastTheInputWidth) {
    for (const Row& r :
         std::vector<Row>{
             {"0", "1"}, {"9", "10"}, {"0099", "0100"}, {"99", "100"}, {"0999", "1000"},
             {"9999", "10000"}, {"0001", "0002"},
             {"00000000000000000000000000001", "00000000000000000000000000002"},
             {"2147483647", "2147483648"},  // beyond 32 bits
             {"201402150001", "201402150002"},  // date and serial
             {"9223372036854775806", "9223372036854775807"},
             {"09223372036854775806", "09223372036854775807"}}) {
        EXPECT_EQ(IncrementNumber(s(r.input)), s(r.expected)) << r.input;
    }
    // Texts that cannot be converted are refused.
    for (const char* bad :
         {"", "9223372036854775807", "9223372036854775808", "18446744073709551615",
          "18446744073709551616", "99999999999999999999999", "-1", "+1", " 1", "1 ", "1a", "a",
          "１２", "1.5", "0x10"}) {
        EXPECT_EQ(errorOf([&] { IncrementNumber(s(bad)); }), s(kTooLong)) << bad;
    }
}

TEST(IncrementCode, IncrementsTheTrailingRunOfDigits) {
    for (const Row& r : std::vector<Row>{
        {"JH", "JH1"}, {"JH009", "JH010"}, {"123", "124"}, {"A99", "A100"}, {"", "1"},
        {"JH-", "JH-1"}, {"进货", "进货1"}, {"XS-20140215-0001", "XS-20140215-0002"},
        {"XS-20140215-9999", "XS-20140215-10000"}, {"A1B2", "A1B3"}, {"A1B", "A1B1"}, {"0", "1"},
        {"0000", "0001"}, {"999", "1000"}, {"201402150001", "201402150002"},
        {"P01-a 09", "P01-a 10"}, {"ＪＨ０９", "ＪＨ０９1"}}) {  // full-width digits are no digits
        EXPECT_EQ(IncrementCode(s(r.input)), s(r.expected)) << r.input;
    }
    // A trailing run too long is refused.
    EXPECT_EQ(errorOf([] { IncrementCode(u"JH99999999999999999999"_s); }), s(kTooLong));
    EXPECT_EQ(errorOf([] { IncrementCode(u"9223372036854775807"_s); }), s(kTooLong));
    // A long code whose digit run is short is fine.
    EXPECT_EQ(IncrementCode(u"99999999999999999999X1"_s), u"99999999999999999999X2"_s);
}

}  // namespace
