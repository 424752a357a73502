// The bill number: formatting, the machine prefix, the next free number and the calls it makes.

#include "client/logic/billnumber.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "protocol/protocol.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;

namespace {

billnumber::AutoCode code(const QString& format, qint64 counter, const QDate& date,
                          bool machine = false) {
    billnumber::AutoCode c;
    c.snFormat = format;
    c.maxNo = counter;
    c.billDate = date;
    c.machinePrefix = machine;
    return c;
}
RecordSet autoCodeRow(const QString& format, qint64 counter, const QString& date, int pcId) {
    return test::recordSet(
        {u"SNFormat"_s, u"SNMaxNo:integer"_s, u"BillDate"_s, u"IsPcID:integer"_s},
        {{format, counter, date, pcId}});
}
RecordSet codeRow(const QString& value) {
    return test::recordSet({u"code"_s}, {{value}});
}
TEST(BillNumber, FormatsWithQuotedConstantsDatePatternsAndTheCounterMask) {
    const QDate d(2025, 7, 8);
    const QTime t(14, 5, 9);
    struct Case {
        QString format;
        qint64 counter;
        QString expected;
    };
    const Case cases[] = {
        // JH, a hyphen, year month and day digits, a hyphen, 12 in four digits.
        {u"\"JH\"-yyyymmdd-[0000]"_s, 12, u"JH-20250708-0012"_s},
        // The pieces of the numbering window, one per line.
        {u"\"JH\"\r-\rYYYY\r-\rMM\r-\rDD\r-\r[00000]"_s, 7, u"JH-2025-07-08-00007"_s},
        {u"\"XS\"\r\nyy\r\nmm\r\n[000]"_s, 1234, u"XS25071234"_s},
        // The time of day: hours and minutes.
        {u"\"PS\"hhnn[00]"_s, 3, u"PS140503"_s},
        // Constants in quotes are not read as patterns.
        {u"\"mydd\"[0]"_s, 5, u"mydd5"_s},
        {u"\"年\"yyyy\"年\"[000]"_s, 42, u"年2025年042"_s},
        {QString(), 5, QString()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, billnumber::composeNumber(code(c.format, c.counter, d), t, QString()))
            << c.format.toStdString();
    }
}
TEST(BillNumber, TheMachineNumberLeadsWhenTheAccountSetAsksForIt) {
    const QDate d(2008, 1, 1);
    const QString format = u"\"JH\"-yyyy-[00000]"_s;
    const QTime t(9, 0);
    EXPECT_EQ(u"PC9-JH-2008-00001"_s,
              billnumber::composeNumber(code(format, 1, d, true), t, u"PC9"_s));
    EXPECT_EQ(u"JH-2008-00001"_s,
              billnumber::composeNumber(code(format, 1, d, false), t, u"PC9"_s));
    EXPECT_EQ(u"JH-2008-00001"_s,
              billnumber::composeNumber(code(format, 1, d, true), t, QString()));
    // The numbering window wrote this computer's number into the format already.
    EXPECT_EQ(u"PC9-JH-2008-00001"_s,
              billnumber::composeNumber(code(u"\"PC9\"-"_s + format, 1, d, true), t, u"PC9"_s));
    // Another computer's number in the format stays, and this one's leads.
    EXPECT_EQ(u"PC3-PC9-JH-2008-00001"_s,
              billnumber::composeNumber(code(u"\"PC9\"-"_s + format, 1, d, true), t, u"PC3"_s));
}
TEST(BillNumber, TheTrailingDigitRunGrowsByOneAndKeepsOrWidensItsWidth) {
    const QList<QPair<QString, QString>> cases = {
        {u"JH-0099"_s, u"JH-0100"_s}, {u"JH0999"_s, u"JH1000"_s}, {u"0009"_s, u"0010"_s},
        {u"JH-2008-01-01-00001"_s, u"JH-2008-01-01-00002"_s}, {u"999"_s, u"1000"_s},
        {u"A9B"_s, u"A9B1"_s}, {u"JH-"_s, u"JH-1"_s}, {QString(), u"1"_s},
        {u"X99999999999999999999"_s, u"X100000000000000000000"_s}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(out, billnumber::incrementTrailingDigits(in)) << in.toStdString();
}
TEST(BillNumber, TheDuplicateQueryQuotesTheNumber) {
    EXPECT_EQ(QStringLiteral(
                  " IF EXISTS(SELECT * FROM djIndex AS a WHERE a.dj_state <> 0 AND a.code = "
                  "'JH''01') SELECT max(a.code) as code FROM djIndex AS a WHERE a.dj_state <> 0 "
                  "and code like LEFT('JH''01',3) + '%' ELSE SELECT '    ' as code"),
              billnumber::duplicateCheckSql(u"JH'01"_s));
}
TEST(BillNumber, AnAnswerWithoutARowOrDateIsRefused) {
    RecordSet empty = autoCodeRow(QString(), 0, QString(), 0);
    empty.clearRows();
    EXPECT_EQ(u"取单据编号失败：服务器没有返回编号规则"_s,
              test::errorOf([&] { billnumber::autoCodeFromRow(empty); }));
    EXPECT_EQ(u"取单据编号失败：单据日期[2025-02-30]无效"_s, test::errorOf([&] {
                  billnumber::autoCodeFromRow(autoCodeRow(u"x"_s, 1, u"2025-02-30"_s, 0));
              }));
}
class BillNumberCalls : public test::DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        connectLoggedIn(7);
        options.autoNumbering = true;
        options.timeOfDay = QTime(10, 0);
        options.machineNumber = u"PC2"_s;
    }
    QList<RecordedCall> serverCalls() const {
        QList<RecordedCall> out;
        for (const RecordedCall& c : transport->calls())
            if (c.method != QLatin1String("ConnectionVar"))
                out.append(c);
        return out;
    }
    billnumber::Options options;
};
TEST_F(BillNumberCalls, WithoutAutomaticNumberingTheTypedNumberStaysAndNothingIsSent) {
    options.autoNumbering = false;
    EXPECT_EQ(u"手工-1"_s,
              billnumber::nextBillNumber(*dm, 5, QDate(2025, 7, 8), u"手工-1"_s, options));
    EXPECT_EQ(0, serverCalls().size());
}
TEST_F(BillNumberCalls, TheRuleRowBecomesTheNumberWithTheMachinePrefix) {
    answerProc(autoCodeRow(u"\"JH\"-yyyymmdd-[0000]"_s, 12, u"2025-07-08"_s, 1));
    EXPECT_EQ(u"PC2-JH-20250708-0012"_s,
              billnumber::nextBillNumber(*dm, 5, QDate(2025, 7, 8), QString(), options));
    const QList<RecordedCall> calls = serverCalls();
    ASSERT_EQ(1, calls.size());
    EXPECT_EQ(u"ExecProcQuery"_s, calls[0].method);
    EXPECT_EQ(u"p_sys_Get_BillAutoCode"_s, calls[0].procedure);
    const ParamList sent(calls[0].paramLines.join(u"\r\n"_s));
    EXPECT_EQ(u"5 2025-07-08 7"_s, sent.value(u"BillType"_s) + u' ' + sent.value(u"BillDate"_s) +
                                       u' ' + sent.value(u"czy_id"_s));
}
TEST_F(BillNumberCalls, ATakenNumberBecomesTheHighestLikeItPlusOne) {
    options.checkDuplicates = true;
    options.machineNumber.clear();
    struct Case {
        const char* name;
        QString format;
        qint64 counter;
        QString highest;  // what the duplicate query answers
        QString expected;
    };
    const Case cases[] = {
        {"taken", u"\"JH-\"[0000]"_s, 99, u"JH-0099"_s, u"JH-0100"_s},
        {"the run grows", u"\"JH\"[000]"_s, 5, u"JH0999"_s, u"JH1000"_s},
        {"free", u"\"JH-\"[0000]"_s, 7, u"    "_s, u"JH-0007"_s},
    };
    for (const Case& c : cases) {
        transport->clearCalls();
        answerProc(autoCodeRow(c.format, c.counter, u"2025-07-08"_s, 0));
        answerQuery(codeRow(c.highest));
        EXPECT_EQ(c.expected,
                  billnumber::nextBillNumber(*dm, 5, QDate(2025, 7, 8), QString(), options))
            << c.name;
        const QList<RecordedCall> calls = serverCalls();
        ASSERT_EQ(2, calls.size()) << c.name;
        EXPECT_EQ(billnumber::duplicateCheckSql(billnumber::composeNumber(
                      code(c.format, c.counter, QDate(2025, 7, 8)), QTime(10, 0), QString())),
                  calls[1].sql)
            << c.name;
    }
}
TEST_F(BillNumberCalls, AnEmptyFormatGivesAnEmptyNumberWithoutADuplicateQuery) {
    options.checkDuplicates = true;
    answerProc(autoCodeRow(QString(), 3, u"2025-07-08"_s, 1));
    EXPECT_EQ(QString(), billnumber::nextBillNumber(*dm, 5, QDate(2025, 7, 8), u"old"_s, options));
    EXPECT_EQ(1, serverCalls().size());
}
TEST_F(BillNumberCalls, AServerRefusalReachesTheCaller) {
    transport->fail(u"ExecProcQuery"_s, u"单据类型[42]不存在"_s);
    const QString message = test::errorOf(
        [&] { billnumber::nextBillNumber(*dm, 42, QDate(2025, 7, 8), QString(), options); });
    EXPECT_TRUE(message.contains(u"单据类型[42]不存在"_s)) << message.toStdString();
}

}  // namespace
