// Bill numbering on the server: the counters behind p_sys_Get_BillAutoCode under the four rules.
#include <gtest/gtest.h>

#include "bill_fixture.h"

namespace dyt::server::test {
namespace {

class BillNumbering : public BillFixture {};

// The counter each date gets when every number handed out is used up at once (rule two = 0).
TEST_F(BillNumbering, YearlyMonthlyAndDailyCountersStartAgainAtTheirPeriodEnds) {
    const QStringList dates = {QStringLiteral("2024-12-30"), QStringLiteral("2024-12-30"),
                               QStringLiteral("2024-12-31"), QStringLiteral("2025-01-01"),
                               QStringLiteral("2025-01-01"), QStringLiteral("2025-01-31"),
                               QStringLiteral("2025-02-01"), QStringLiteral("2025-02-01")};
    struct Case {
        const char* name;
        int period;
        QList<qint64> expected;
    };
    const Case cases[] = {
        // Yearly: one run through 2024, a new run from the first day of 2025.
        {"yearly", 0, {1, 2, 3, 1, 2, 3, 4, 5}},
        // Monthly: a new run on 2025-01-01 and on 2025-02-01.
        {"monthly", 1, {1, 2, 3, 1, 2, 3, 1, 2}},
        // Daily: a new run with each new day.
        {"daily", 2, {1, 2, 1, 1, 2, 1, 1, 2}},
    };
    for (const Case& c : cases) {
        update(
            QStringLiteral("UPDATE sysbillNo SET lastDate = '', yearMaxNo = 0, monthMaxNo = 0, "
                           "dayMaxNo = 0"));
        setRules(1, 0, c.period);
        QList<qint64> got;
        for (const QString& d : dates)
            got << nextNo(5, d);
        EXPECT_EQ(c.expected, got) << c.name;
    }
}

TEST_F(BillNumbering, AllKindsShareOneRunOrEachKindHasItsOwn) {
    const QString d = QStringLiteral("2025-03-10");
    setRules(0, 0, 0);
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(2, nextNo(1, d));
    EXPECT_EQ(3, nextNo(5, d));
    EXPECT_EQ(3, count(QStringLiteral("SELECT yearMaxNo FROM sysbillNo WHERE id = 0")));

    update(
        QStringLiteral("UPDATE sysbillNo SET yearMaxNo = 0, monthMaxNo = 0, dayMaxNo = 0, "
                       "lastDate = ''"));
    setRules(1, 0, 0);
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(1, nextNo(1, d));
    EXPECT_EQ(2, nextNo(5, d));
    EXPECT_EQ(1, nextNo(21, d));
    EXPECT_EQ(0, count(QStringLiteral("SELECT yearMaxNo FROM sysbillNo WHERE id = 0")));
}

TEST_F(BillNumbering, ANumberThatCannotBeVoidedIsGoneOnceHandedOut) {
    setRules(1, 0, 0);
    const QString d = today();
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(2, nextNo(5, d));  // the first one was never saved and is skipped for good
    saveGoodsBill(false, 5, d,
                  {goodsLine(QStringLiteral("101"), QStringLiteral("1"), QStringLiteral("5"))});
    EXPECT_EQ(3, nextNo(5, d));  // saving does not move it a second time
}

TEST_F(BillNumbering, ANumberCountedAtPostingComesBackUntilABillIsPosted) {
    setRules(1, 1, 0);
    const QString d = today();
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(1, nextNo(5, d));
    const qint64 draft = saveGoodsBill(
        false, 5, d, {goodsLine(QStringLiteral("101"), QStringLiteral("2"), QStringLiteral("5"))});
    EXPECT_EQ(1, nextNo(5, d));  // a draft does not use it up
    saveGoodsBill(true, 5, d,
                  {goodsLine(QStringLiteral("101"), QStringLiteral("2"), QStringLiteral("5"))},
                  draft);
    EXPECT_EQ(2, nextNo(5, d));
    saveGoodsBill(true, 5, d,
                  {goodsLine(QStringLiteral("102"), QStringLiteral("1"), QStringLiteral("5"))});
    EXPECT_EQ(3, nextNo(5, d));
}

TEST_F(BillNumbering, ANumberCountedAtSavingMovesOnceWithTheFirstSave) {
    setRules(1, 2, 2);
    const QString d = QStringLiteral("2025-05-31");
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(1, nextNo(5, d));
    const qint64 draft = saveGoodsBill(
        false, 5, d, {goodsLine(QStringLiteral("101"), QStringLiteral("1"), QStringLiteral("5"))});
    EXPECT_EQ(2, nextNo(5, d));
    saveGoodsBill(false, 5, d,
                  {goodsLine(QStringLiteral("101"), QStringLiteral("3"), QStringLiteral("5"))},
                  draft);
    EXPECT_EQ(2, nextNo(5, d));  // the draft saved again keeps its number
    // The next day starts the daily run again, and the counter follows the bill date.
    saveGoodsBill(false, 5, QStringLiteral("2025-06-01"),
                  {goodsLine(QStringLiteral("102"), QStringLiteral("1"), QStringLiteral("5"))});
    EXPECT_EQ(2, nextNo(5, QStringLiteral("2025-06-01")));
}

TEST_F(BillNumbering, TheCounterResetOfTheNumberingWindowStartsEveryRunAgain) {
    setRules(1, 0, 1);
    const QString d = QStringLiteral("2025-04-10");
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(2, nextNo(5, d));
    EXPECT_EQ(1, nextNo(1, d));
    update(QStringLiteral(" update sysbillNo set yearMaxNo=0, monthMaxNo=0, dayMaxNo=0 "));
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(1, nextNo(1, d));
}

TEST_F(BillNumbering, ALateBillContinuesTheCurrentCounters) {
    setRules(1, 0, 1);
    EXPECT_EQ(1, nextNo(5, QStringLiteral("2025-03-02")));
    EXPECT_EQ(2, nextNo(5, QStringLiteral("2025-03-05")));
    // A bill dated in February after March was numbered: no restart, March stays current.
    EXPECT_EQ(3, nextNo(5, QStringLiteral("2025-02-27")));
    EXPECT_EQ(4, nextNo(5, QStringLiteral("2025-03-06")));
    EXPECT_EQ(QStringLiteral("2025-03-06"),
              scalar(QStringLiteral("SELECT lastDate FROM sysbillNo WHERE id = 5")).toString());
}

TEST_F(BillNumbering, TheAnswerCarriesTheFormatTheDateAndTheMachineNumberFlag) {
    update(QStringLiteral("UPDATE sysDjb SET SNFormat = '\"JH\"-yyyymmdd-[0000]' WHERE id = 5"));
    for (int machine : {0, 1}) {
        setRules(1, 0, 0, machine);
        const RecordSet rs = autoCode(5, QStringLiteral("2025-07-08"));
        ASSERT_EQ(1, rs.rowCount());
        EXPECT_EQ(QStringLiteral("\"JH\"-yyyymmdd-[0000]"),
                  rs.at(0, rs.fieldIndex(QStringLiteral("SNFormat"))).toString());
        EXPECT_EQ(QStringLiteral("2025-07-08"),
                  rs.at(0, rs.fieldIndex(QStringLiteral("BillDate"))).toString());
        EXPECT_EQ(machine, rs.at(0, rs.fieldIndex(QStringLiteral("IsPcID"))).toInt());
    }
}

TEST_F(BillNumbering, AnUnknownKindOrABadDateIsRefusedAndNoCounterMoves) {
    setRules(1, 0, 0);
    struct Case {
        QString kind;
        QString date;
        QString message;
    };
    const Case cases[] = {
        {QStringLiteral("52"), QStringLiteral("2025-01-01"), QStringLiteral("单据类型[52]不存在")},
        {QStringLiteral("x"), QStringLiteral("2025-01-01"),
         QStringLiteral("[单据类型]不是有效的数字：x")},
        {QStringLiteral("5"), QStringLiteral("2025-02-30"),
         QStringLiteral("[单据日期]不是有效的日期：2025-02-30")},
        {QStringLiteral("5"), QString(), QStringLiteral("[单据日期]不是有效的日期：")},
    };
    const QString before = footprint();
    for (const Case& c : cases) {
        ParamList p;
        p.setValue(QStringLiteral("BillType"), c.kind);
        p.setValue(QStringLiteral("BillDate"), c.date);
        EXPECT_EQ(c.message, dyt::test::errorOf(
                                 [&] { procQuery(QStringLiteral("p_sys_Get_BillAutoCode"), p); }));
    }
    EXPECT_EQ(before, footprint());
}

}  // namespace
}  // namespace dyt::server::test
