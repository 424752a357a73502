// The next bill number: the format with its constants and counter mask, the machine number, the
// duplicate correction, and the calls made for it (recording transport and a real server).


#include "client/logic/billnumber.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "server_support.h"
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
    return test::recordSet({QStringLiteral("SNFormat"), QStringLiteral("SNMaxNo:integer"),
                            QStringLiteral("BillDate"), QStringLiteral("IsPcID:integer")},
                           {{format, counter, date, pcId}});
}

RecordSet codeRow(const QString& value) {
    return test::recordSet({QStringLiteral("code")}, {{value}});
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
        {QStringLiteral("\"JH\"-yyyymmdd-[0000]"), 12, QStringLiteral("JH-20250708-0012")},
        // The pieces of the numbering window, one per line.
        {QStringLiteral("\"JH\"\r-\rYYYY\r-\rMM\r-\rDD\r-\r[00000]"), 7,
         QStringLiteral("JH-2025-07-08-00007")},
        {QStringLiteral("\"XS\"\r\nyy\r\nmm\r\n[000]"), 1234, QStringLiteral("XS25071234")},
        // The time of day: hours and minutes.
        {QStringLiteral("\"PS\"hhnn[00]"), 3, QStringLiteral("PS140503")},
        // Constants in quotes are not read as patterns.
        {QStringLiteral("\"mydd\"[0]"), 5, QStringLiteral("mydd5")},
        {QStringLiteral("\"年\"yyyy\"年\"[000]"), 42, QStringLiteral("年2025年042")},
        {QString(), 5, QString()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, billnumber::composeNumber(code(c.format, c.counter, d), t, QString()))
            << c.format.toStdString();
    }
}

TEST(BillNumber, TheMachineNumberLeadsWhenTheAccountSetAsksForIt) {
    const QDate d(2008, 1, 1);
    const QString format = QStringLiteral("\"JH\"-yyyy-[00000]");
    const QTime t(9, 0);
    EXPECT_EQ(QStringLiteral("PC9-JH-2008-00001"),
              billnumber::composeNumber(code(format, 1, d, true), t, QStringLiteral("PC9")));
    EXPECT_EQ(QStringLiteral("JH-2008-00001"),
              billnumber::composeNumber(code(format, 1, d, false), t, QStringLiteral("PC9")));
    EXPECT_EQ(QStringLiteral("JH-2008-00001"),
              billnumber::composeNumber(code(format, 1, d, true), t, QString()));
    // The numbering window wrote this computer's number into the format already.
    EXPECT_EQ(QStringLiteral("PC9-JH-2008-00001"),
              billnumber::composeNumber(code(QStringLiteral("\"PC9\"-") + format, 1, d, true), t,
                                        QStringLiteral("PC9")));
    // Another computer's number in the format stays, and this one's leads.
    EXPECT_EQ(QStringLiteral("PC3-PC9-JH-2008-00001"),
              billnumber::composeNumber(code(QStringLiteral("\"PC9\"-") + format, 1, d, true), t,
                                        QStringLiteral("PC3")));
}

TEST(BillNumber, TheTrailingDigitRunGrowsByOneAndKeepsOrWidensItsWidth) {
    const QList<QPair<QString, QString>> cases = {
        {QStringLiteral("JH-0099"), QStringLiteral("JH-0100")},
        {QStringLiteral("JH0999"), QStringLiteral("JH1000")},
        {QStringLiteral("JH-2008-01-01-00001"), QStringLiteral("JH-2008-01-01-00002")},
        {QStringLiteral("0009"), QStringLiteral("0010")},
        {QStringLiteral("999"), QStringLiteral("1000")},
        {QStringLiteral("A9B"), QStringLiteral("A9B1")},
        {QStringLiteral("JH-"), QStringLiteral("JH-1")},
        {QString(), QStringLiteral("1")},
        {QStringLiteral("X99999999999999999999"), QStringLiteral("X100000000000000000000")},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(out, billnumber::incrementTrailingDigits(in)) << in.toStdString();
}

TEST(BillNumber, TheDuplicateQueryQuotesTheNumber) {
    EXPECT_EQ(QStringLiteral(
                  " IF EXISTS(SELECT * FROM djIndex AS a WHERE a.dj_state <> 0 AND a.code = "
                  "'JH''01') SELECT max(a.code) as code FROM djIndex AS a WHERE a.dj_state <> 0 "
                  "and code like LEFT('JH''01',3) + '%' ELSE SELECT '    ' as code"),
              billnumber::duplicateCheckSql(QStringLiteral("JH'01")));
}

TEST(BillNumber, AnAnswerWithoutARowOrDateIsRefused) {
    RecordSet empty = autoCodeRow(QString(), 0, QString(), 0);
    empty.clearRows();
    EXPECT_EQ(QStringLiteral("取单据编号失败：服务器没有返回编号规则"),
              test::errorOf([&] { billnumber::autoCodeFromRow(empty); }));
    EXPECT_EQ(QStringLiteral("取单据编号失败：单据日期[2025-02-30]无效"), test::errorOf([&] {
                  billnumber::autoCodeFromRow(
                      autoCodeRow(QStringLiteral("x"), 1, QStringLiteral("2025-02-30"), 0));
              }));
}

class BillNumberCalls : public test::DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        connectLoggedIn(7);
        options.autoNumbering = true;
        options.timeOfDay = QTime(10, 0);
        options.machineNumber = QStringLiteral("PC2");
    }
    void answerAutoCode(const RecordSet& rs) {
        transport->respondWith(QStringLiteral("ExecProcQuery"), [rs](const QCborArray& args) {
            Response r;
            r.result = 0;
            r.outs = {args.at(1), proto::recordSetToCbor(rs)};
            return r;
        });
    }
    void answerQuery(const RecordSet& rs) {
        transport->respond(QStringLiteral("ExecQuery"), 0, {proto::recordSetToCbor(rs), QString()});
    }
    QList<RecordedCall> serverCalls() const {
        QList<RecordedCall> out;
        for (const RecordedCall& c : transport->calls()) {
            if (c.method != QLatin1String("ConnectionVar"))
                out.append(c);
        }
        return out;
    }

    billnumber::Options options;
};

TEST_F(BillNumberCalls, WithoutAutomaticNumberingTheTypedNumberStaysAndNothingIsSent) {
    options.autoNumbering = false;
    EXPECT_EQ(
        QStringLiteral("手工-1"),
        billnumber::nextBillNumber(*dm, 5, QDate(2025, 7, 8), QStringLiteral("手工-1"), options));
    EXPECT_EQ(0, serverCalls().size());
}

TEST_F(BillNumberCalls, TheRuleRowBecomesTheNumberWithTheMachinePrefix) {
    answerAutoCode(
        autoCodeRow(QStringLiteral("\"JH\"-yyyymmdd-[0000]"), 12, QStringLiteral("2025-07-08"), 1));
    EXPECT_EQ(QStringLiteral("PC2-JH-20250708-0012"),
              billnumber::nextBillNumber(*dm, 5, QDate(2025, 7, 8), QString(), options));
    const QList<RecordedCall> calls = serverCalls();
    ASSERT_EQ(1, calls.size());
    EXPECT_EQ(QStringLiteral("ExecProcQuery"), calls[0].method);
    EXPECT_EQ(QStringLiteral("p_sys_Get_BillAutoCode"), calls[0].procedure);
    const ParamList sent(calls[0].paramLines.join(QStringLiteral("\r\n")));
    EXPECT_EQ(QStringLiteral("5"), sent.value(QStringLiteral("BillType")));
    EXPECT_EQ(QStringLiteral("2025-07-08"), sent.value(QStringLiteral("BillDate")));
    EXPECT_EQ(QStringLiteral("7"), sent.value(QStringLiteral("czy_id")));
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
        {"taken", QStringLiteral("\"JH-\"[0000]"), 99, QStringLiteral("JH-0099"),
         QStringLiteral("JH-0100")},
        {"the run grows", QStringLiteral("\"JH\"[000]"), 5, QStringLiteral("JH0999"),
         QStringLiteral("JH1000")},
        {"free", QStringLiteral("\"JH-\"[0000]"), 7, QStringLiteral("    "),
         QStringLiteral("JH-0007")},
    };
    for (const Case& c : cases) {
        transport->clearCalls();
        answerAutoCode(autoCodeRow(c.format, c.counter, QStringLiteral("2025-07-08"), 0));
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
    answerAutoCode(autoCodeRow(QString(), 3, QStringLiteral("2025-07-08"), 1));
    EXPECT_EQ(QString(), billnumber::nextBillNumber(*dm, 5, QDate(2025, 7, 8),
                                                    QStringLiteral("old"), options));
    EXPECT_EQ(1, serverCalls().size());
}

TEST_F(BillNumberCalls, AServerRefusalReachesTheCaller) {
    transport->fail(QStringLiteral("ExecProcQuery"), QStringLiteral("单据类型[42]不存在"));
    const QString message = test::errorOf(
        [&] { billnumber::nextBillNumber(*dm, 42, QDate(2025, 7, 8), QString(), options); });
    EXPECT_TRUE(message.contains(QStringLiteral("单据类型[42]不存在"))) << message.toStdString();
}

class BillNumberEndToEnd : public dyt::test::ServerFixture {};

// Against a real server: the seeded format of the purchase bill and its yearly counter, and the
// duplicate query through the server's dialect layer.
TEST_F(BillNumberEndToEnd, SeededRulesNumberPurchaseBillsAndSkipATakenNumber) {
    billnumber::Options o;
    o.autoNumbering = true;
    o.checkDuplicates = true;
    o.timeOfDay = QTime(8, 30);
    const QDate d(2025, 3, 4);
    EXPECT_EQ(QStringLiteral("JH-2025-03-04-00001"),
              billnumber::nextBillNumber(*dm, 5, d, QString(), o));
    // The next number is taken by a bill typed by hand; the correction steps past it.
    dm->ExecUpdate(
        QStringLiteral("INSERT INTO djIndex(djType, code, date, dj_state) VALUES (5, "
                       "'JH-2025-03-04-00002', '2025-03-04', 2)"));
    EXPECT_EQ(QStringLiteral("JH-2025-03-04-00003"),
              billnumber::nextBillNumber(*dm, 5, d, QString(), o));
    // Sales bills count on their own.
    EXPECT_EQ(QStringLiteral("XS-2025-03-04-00001"),
              billnumber::nextBillNumber(*dm, 1, d, QString(), o));
}

}  // namespace
