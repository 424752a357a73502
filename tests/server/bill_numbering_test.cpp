// Bill numbering on the server: the counters behind p_sys_Get_BillAutoCode under the four rules.
#include <gtest/gtest.h>

#include "bill_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

class BillNumbering : public BillFixture {};

// The counter each date gets when every number handed out is used up at once (rule two = 0).
TEST_F(BillNumbering, PeriodsKindsAndTheResetStartTheCountersAgain) {
    const QStringList dates = {u"2024-12-30"_s, u"2024-12-30"_s, u"2024-12-31"_s, u"2025-01-01"_s,
                               u"2025-01-01"_s, u"2025-01-31"_s, u"2025-02-01"_s, u"2025-02-01"_s};
    struct Case {
        const char* name;
        int period;
        QList<qint64> expected;
    };
    const Case cases[] = {// Yearly: one run through 2024, a new run from the first day of 2025.
                          {"yearly", 0, {1, 2, 3, 1, 2, 3, 4, 5}},
                          // Monthly: a new run on 2025-01-01 and on 2025-02-01.
                          {"monthly", 1, {1, 2, 3, 1, 2, 3, 1, 2}},
                          // Daily: a new run with each new day.
                          {"daily", 2, {1, 2, 1, 1, 2, 1, 1, 2}}};
    for (const Case& c : cases) {
        setRules(1, 0, c.period);
        QList<qint64> got;
        for (const QString& d : dates)
            got << nextNo(5, d);
        EXPECT_EQ(c.expected, got) << c.name;
    }
    // All kinds share one run or each kind has its own; the reset starts them again.
    const QString d = u"2025-03-10"_s;
    setRules(0, 0, 0);
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(2, nextNo(1, d));
    EXPECT_EQ(3, nextNo(5, d));
    EXPECT_EQ(3, count(u"SELECT yearMaxNo FROM sysbillNo WHERE id = 0"_s));
    setRules(1, 0, 0);
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(1, nextNo(1, d));
    EXPECT_EQ(2, nextNo(5, d));
    EXPECT_EQ(1, nextNo(21, d));
    EXPECT_EQ(0, count(u"SELECT yearMaxNo FROM sysbillNo WHERE id = 0"_s));
    // The counter reset of the numbering window starts every run again.
    update(u" update sysbillNo set yearMaxNo=0, monthMaxNo=0, dayMaxNo=0 "_s);
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(1, nextNo(1, d));
}

TEST_F(BillNumbering, ANumberThatCannotBeVoidedIsGoneAndALateBillContinuesTheCounters) {
    setRules(1, 0, 0);
    const QString d = today();
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(2, nextNo(5, d));  // the first one was never saved and is skipped for good
    saveGoodsBill(false, 5, d, {{101, 1, 5}});
    EXPECT_EQ(3, nextNo(5, d));  // saving does not move it a second time
    // A late bill continues the current counters.
    setRules(1, 0, 1);
    EXPECT_EQ(1, nextNo(5, u"2025-03-02"_s));
    EXPECT_EQ(2, nextNo(5, u"2025-03-05"_s));
    // A bill dated in February after March was numbered: no restart, March stays current.
    EXPECT_EQ(3, nextNo(5, u"2025-02-27"_s));
    EXPECT_EQ(4, nextNo(5, u"2025-03-06"_s));
    EXPECT_EQ(u"2025-03-06"_s, scalar(u"SELECT lastDate FROM sysbillNo WHERE id = 5"_s).toString());
}

TEST_F(BillNumbering, ANumberCountedAtPostingComesBackAndOneCountedAtSavingMovesOnce) {
    setRules(1, 1, 0);
    const QString d = today();
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(1, nextNo(5, d));
    const qint64 draft = saveGoodsBill(false, 5, d, {{101, 2, 5}});
    EXPECT_EQ(1, nextNo(5, d));  // a draft does not use it up
    saveGoodsBill(true, 5, d, {{101, 2, 5}}, draft);
    EXPECT_EQ(2, nextNo(5, d));
    saveGoodsBill(true, 5, d, {{102, 1, 5}});
    EXPECT_EQ(3, nextNo(5, d));
    // A number counted at saving moves once, with the first save.
    setRules(1, 2, 2);
    const QString day = u"2025-05-31"_s;
    EXPECT_EQ(1, nextNo(5, day));
    EXPECT_EQ(1, nextNo(5, day));
    const qint64 kept = saveGoodsBill(false, 5, day, {{101, 1, 5}});
    EXPECT_EQ(2, nextNo(5, day));
    saveGoodsBill(false, 5, day, {{101, 3, 5}}, kept);
    EXPECT_EQ(2, nextNo(5, day));  // the draft saved again keeps its number
    // The next day starts the daily run again, and the counter follows the bill date.
    saveGoodsBill(false, 5, u"2025-06-01"_s, {{102, 1, 5}});
    EXPECT_EQ(2, nextNo(5, u"2025-06-01"_s));
}

TEST_F(BillNumbering, TheAnswerCarriesFormatDateAndMachineFlagAndBadRequestsAreRefused) {
    update(u"UPDATE sysDjb SET SNFormat = '\"JH\"-yyyymmdd-[0000]' WHERE id = 5"_s);
    for (int machine : {0, 1}) {
        setRules(1, 0, 0, machine);
        const RecordSet rs = autoCode(5, u"2025-07-08"_s);
        ASSERT_EQ(1, rs.rowCount());
        EXPECT_EQ(u"\"JH\"-yyyymmdd-[0000]"_s, rs.at(0, rs.fieldIndex(u"SNFormat"_s)).toString());
        EXPECT_EQ(u"2025-07-08"_s, rs.at(0, rs.fieldIndex(u"BillDate"_s)).toString());
        EXPECT_EQ(machine, rs.at(0, rs.fieldIndex(u"IsPcID"_s)).toInt());
    }
    setRules(1, 0, 0);
    // clang-format off
    struct Case { QString kind; QString date; QString message; };
    const Case cases[] = {
        {u"52"_s, u"2025-01-01"_s, u"单据类型[52]不存在"_s},
        {u"x"_s, u"2025-01-01"_s, u"[单据类型]不是有效的数字：x"_s},
        {u"5"_s, u"2025-02-30"_s, u"[单据日期]不是有效的日期：2025-02-30"_s},
        {u"5"_s, QString(), u"[单据日期]不是有效的日期："_s}};
    // clang-format on
    const QString before = footprint();
    for (const Case& c : cases) {
        ParamList p;
        p.setValue(u"BillType"_s, c.kind);
        p.setValue(u"BillDate"_s, c.date);
        EXPECT_EQ(c.message,
                  dyt::test::errorOf([&] { procQuery(u"p_sys_Get_BillAutoCode"_s, p); }));
    }
    EXPECT_EQ(before, footprint());
}

}  // namespace
}  // namespace dyt::server::test
