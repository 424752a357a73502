// The receipt and payment arithmetic: received amount, distributable amount and the automatic
// distribution over the partner's open bills. Expected figures are worked out by hand.
#include <gtest/gtest.h>

#include <ostream>

#include "client/logic/skdcalc.h"

namespace dyt {
// Readable failure output for amounts.
inline void PrintTo(const Currency& c, std::ostream* os) {
    *os << c.toString().toStdString();
}
}  // namespace dyt

namespace dyt::client::skd {
namespace {

Currency c(const char* text) {
    Currency out;
    EXPECT_TRUE(Currency::fromString(QString::fromLatin1(text), &out)) << text;
    return out;
}

// Bill rows numbered 1, 2, … with the open amounts given; nothing settled yet.
QList<OpenBillRow> bills(std::initializer_list<const char*> open) {
    QList<OpenBillRow> rows;
    qint64 id = 1;
    for (const char* o : open)
        rows.append({id++, c(o), Currency()});
    return rows;
}

TEST(SkdCalc, TheReceivedAmountRoundsTheAccountSumThenAddsTheDiscount) {
    struct Case {
        const char* name;
        QList<Currency> totals;
        const char* discount;
        int totalDot;
        const char* expected;
    };
    const Case cases[] = {
        // 10.005 + 20.004 = 30.009, two places: 30.01; plus 5.
        {"two places", {c("10.005"), c("20.004")}, "5", 2, "35.01"},
        // 0.5 + 1 = 1.5, no places, half away from zero: 2.
        {"half up", {c("0.5"), c("1")}, "0", 0, "2"},
        // -0.5 - 1 = -1.5 rounds away from zero to -2; the discount 0.25 is added unrounded.
        {"half away from zero", {c("-0.5"), c("-1")}, "0.25", 0, "-1.75"},
        {"no accounts", {}, "3", 2, "3"},
    };
    for (const Case& k : cases)
        EXPECT_EQ(c(k.expected), receivedAmount(k.totals, c(k.discount), k.totalDot)) << k.name;
}

TEST(SkdCalc, TheDistributableAmountLeavesOutWhatTheBillRowsSettle) {
    QList<OpenBillRow> rows = bills({"30", "-10", "50"});
    rows[0].settled = c("30");
    rows[1].settled = c("-10");
    // A row without a bill does not count, whatever it holds.
    rows.append({0, Currency(), c("7")});
    // 100 - (30 - 10) = 80.
    EXPECT_EQ(c("20"), settledAmount(rows));
    EXPECT_EQ(c("80"), distributableAmount(c("100"), rows));
    // Nothing settled: all of it is distributable.
    EXPECT_EQ(c("100"), distributableAmount(c("100"), bills({"30"})));
}

TEST(SkdCalc, AutomaticDistributionCases) {
    struct Case {
        const char* name;
        const char* received;
        QList<OpenBillRow> rows;
        QList<const char*> expected;  // settled amount per row, in grid order
        const char* left;             // distributable afterwards
    };
    const Case cases[] = {
        // The −10 bill first: 100 + 10 = 110; then 30 fits (80 left); 120 takes the 80.
        {"a return first", "100", bills({"30", "-10", "120"}), {"30", "-10", "80"}, "0"},
        {"everything fits", "100", bills({"40", "60"}), {"40", "60"}, "0"},
        // 20 fits (30 left), 40 does not: it takes 30 and the distribution stops, so the last
        // row settles nothing although 10 would have fitted before.
        {"stops at the first misfit", "50", bills({"20", "40", "10"}), {"20", "30", "0"}, "0"},
        {"more received than open", "100", bills({"25", "35"}), {"25", "35"}, "40"},
        // −10 raises 10 to 20; 15 fits; 5 stays.
        {"a return makes room", "10", bills({"-10", "15"}), {"-10", "15"}, "5"},
        {"an open amount of zero settles zero", "10", bills({"0", "4"}), {"0", "4"}, "6"},
        // Nothing received: a positive bill gets nothing, and never a negative amount.
        {"nothing received", "0", bills({"30"}), {"0"}, "0"},
        // A refund does not settle a bill negatively.
        {"a refund", "-20", bills({"30", "5"}), {"0", "0"}, "-20"},
        // Four decimals are kept exactly.
        {"four decimals", "0.3333", bills({"0.1111", "0.2223"}), {"0.1111", "0.2222"}, "0"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const QList<OpenBillRow> out = distribute(c(k.received), k.rows);
        ASSERT_EQ(k.expected.size(), out.size());
        for (int i = 0; i < out.size(); ++i) {
            EXPECT_EQ(c(k.expected.at(i)), out.at(i).settled) << "row " << i;
            EXPECT_EQ(k.rows.at(i).open, out.at(i).open) << "row " << i;
            EXPECT_EQ(k.rows.at(i).billId, out.at(i).billId) << "row " << i;
        }
        EXPECT_EQ(c(k.left), distributableAmount(c(k.received), out));
    }
}

TEST(SkdCalc, DistributionStartsAfreshAndLeavesRowsWithoutABillAlone) {
    QList<OpenBillRow> rows = bills({"30", "120", "50", "-5"});
    // Amounts settled by hand before: they are replaced, not added to, also on the bills the
    // distribution does not reach any more.
    const char* const before[] = {"12", "99", "44", "-1"};
    for (int row = 0; row < 4; ++row)
        rows[row].settled = c(before[row]);
    rows.insert(1, {0, c("500"), c("3")});
    const QList<OpenBillRow> out = distribute(c("100"), rows);
    // 100 + 5 of the return = 105; 30 fits, 75 of the 120, nothing of the 50; the row without a
    // bill keeps its 3 and is not fed with money.
    QList<Currency> settled;
    for (const OpenBillRow& row : out)
        settled << row.settled;
    EXPECT_EQ((QList<Currency>{c("30"), c("3"), c("75"), c("0"), c("-5")}), settled);
}

}  // namespace
}  // namespace dyt::client::skd
