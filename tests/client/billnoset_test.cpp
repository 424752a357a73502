// The bill number and the numbering dialog with its texts, against the recording transport.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "client/logic/billnumber.h"
#include "client/logic/clientconfig.h"
#include "client/common/windowregistry.h"
#include "client/system/frmbillnoset.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "login_support.h"
#include "protocol/protocol.h"
#include "support/testutil.h"
#include "uihelpers.h"

using namespace dyt;
using namespace dyt::client;
using dyt::test::DmFixture;

namespace {

const QString kJH = u"\"JH\""_s;

RecordSet sysDataRows(const QList<int>& values) {
    RecordSet rs = test::recordSet({u"id:integer"_s, u"sysValue"_s});
    qint64 id = 208042000;
    for (int v : values)
        rs.appendRow({id++, QString::number(v)});
    return rs;
}
RecordSet kindRows() {
    return test::recordSet({u"id:integer"_s, u"fullname"_s},
                           {{qint64(1), u"进货单"_s}, {qint64(4), u"销售单"_s}});
}
RecordSet formatRow(const QString& numHead, const QString& format) {
    return test::recordSet({u"NumHead"_s, u"SNFormat"_s}, {{numHead, format}});
}

}  // namespace

TEST(BillNoSetTexts, SettingsRowsFillTheSwitchAndTheRulesInIdOrder) {
    struct Row {
        const char* name;
        QList<int> values;
        bool autoSN;
        int r1, r2, r3;
        bool r4;
    };
    const Row rows[] = {
        {"all off", {0, 0, 0, 0, 0}, false, 0, 0, 0, false},
        {"all set", {1, 1, 2, 2, 1}, true, 1, 2, 2, true},
        {"mixed", {1, 0, 1, 1, 0}, true, 0, 1, 1, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        RecordSet rs = sysDataRows(r.values);
        billnoset::Settings s;
        s.load(rs);
        EXPECT_EQ((QList<int>{r.autoSN, r.r1, r.r2, r.r3, r.r4}),
                  (QList<int>{s.autoSN, s.rule1, s.rule2, s.rule3, s.rule4}));
    }
    RecordSet bad;
    bad.addField(u"id"_s, FieldType::Integer);
    billnoset::Settings s;
    EXPECT_THROW(s.load(bad), DytError);
}
TEST(BillNoSetTexts, EachPresetsSampleIsTheExampleOfItsName) {
    // The name of each preset shows the number it gives for 2008-01-01 with counter 1.
    const QStringList names = billnoset::presetNames();
    ASSERT_EQ(billnoset::kPresets, names.size());
    for (int i = 0; i < billnoset::kPresets; ++i) {
        SCOPED_TRACE(i);
        const QString example = names.at(i).split(QLatin1Char(' '), Qt::SkipEmptyParts).last();
        const QString machine = billnoset::presetSetsMachinePrefix(i) ? u"PC9"_s : QString();
        const QString format = billnoset::composeFormat(billnoset::presetPieces(i, kJH), machine);
        EXPECT_EQ(example, billnoset::sampleNumber(format, QDate(2008, 1, 1)));
    }
    EXPECT_THROW(billnoset::presetPieces(5, kJH), DytError);
}
TEST(BillNoSetTexts, FormatWithAQuotedConstantAndACounterMask) {
    const QStringList pieces{kJH,     u"-"_s,    u"yyyy"_s, u"mm"_s,
                             u"dd"_s, QString(), u"-"_s,    u"[0000]"_s};
    const QString format = billnoset::composeFormat(pieces, QString());
    // Empty pieces leave no empty line.
    EXPECT_EQ(u"\"JH\"\r-\ryyyy\rmm\rdd\r-\r[0000]"_s, format);
    EXPECT_EQ(u"JH-20240305-0001"_s, billnoset::sampleNumber(format, QDate(2024, 3, 5)));
    const QString withMachine = billnoset::composeFormat(pieces, u"PC9"_s);
    EXPECT_EQ(u"\"PC9\"-\r\"JH\"\r-\ryyyy\rmm\rdd\r-\r[0000]"_s, withMachine);
    EXPECT_EQ(u"PC9-JH-20241231-0001"_s, billnoset::sampleNumber(withMachine, QDate(2024, 12, 31)));
    // Reading a stored format back drops the machine piece and the line ends.
    const QStringList back{kJH, u"-"_s, u"yyyy"_s, u"mm"_s, u"dd"_s, u"-"_s, u"[0000]"_s};
    EXPECT_EQ(back, billnoset::splitFormat(withMachine));
    EXPECT_EQ(back, billnoset::splitFormat(u"\"JH\"\r\n-\r\nyyyy\nmm\ndd\r-\r[0000]"_s));
}
// Saving, applying to all kinds and resetting on a real server: ServerEndToEnd. Here: a quote in the
// format stays inside its SQL text.
TEST(BillNoSetTexts, AQuoteInTheFormatIsDoubledInTheSavedTexts) {
    const QString saved = billnoset::saveSql(billnoset::Settings(), 4, u"\"J'H\""_s, u"\"J'H\"\ryyyy"_s);
    EXPECT_TRUE(saved.contains(u"comment='\"J''H\"', SNFormat='\"J''H\"\ryyyy' where id=4"_s))
        << saved.toStdString();
    EXPECT_TRUE(billnoset::applyToAllSql(4, u"\"J'H\""_s, u"y"_s).contains(u"comment='\"J''H\"'"_s));
}

namespace {
class BillNoSetDialogTest : public test::LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        connectLoggedIn(1);
    }
    void answer(const RecordSet& rs) {
        transport->respond(u"ExecQuery"_s, 0, {proto::recordSetToCbor(rs), QString()});
    }
    // The three reads of the opening: settings, kinds, the first kind's format.
    void answerOpening(const QList<int>& values, const QString& format) {
        answer(sysDataRows(values));
        answer(kindRows());
        answer(formatRow(kJH, format));
    }
};
}  // namespace

TEST_F(BillNoSetDialogTest, OpeningReadsSettingsKindsAndTheFirstKindsFormat) {
    answerOpening({1, 1, 0, 2, 0}, u"\"JH\"\r-\ryyyy\r-\r[0000]"_s);
    registerSystemWindows();  // opened by its class name, as the function table does
    std::unique_ptr<QWidget> w(createWindow(u"TfrmBillNoSet"_s, nullptr));
    ASSERT_NE(nullptr, qobject_cast<TfrmBillNoSet*>(w.get()));
    TfrmBillNoSet& dlg = *qobject_cast<TfrmBillNoSet*>(w.get());
    EXPECT_EQ((QStringList{billnoset::settingsSql(), billnoset::kindsSql(billnoset::defaultKinds()),
                           billnoset::kindSql(1)}),
              sqlOf(u"ExecQuery"_s));
    EXPECT_EQ((QList<int>{1, 1, 0, 2, 0, 2, 1}),
              (QList<int>{dlg.autoBox()->isChecked(), dlg.ruleBox(0)->currentIndex(),
                          dlg.ruleBox(1)->currentIndex(), dlg.ruleBox(2)->currentIndex(),
                          dlg.rule4Box()->isChecked(), int(dlg.kindList()->count()), dlg.currentKind()}));
    EXPECT_EQ((QStringList{kJH, u"[0000]"_s, QString()}),
              (QStringList{dlg.piece(0)->currentText(), dlg.piece(4)->currentText(),
                           dlg.piece(5)->currentText()}));
    EXPECT_FALSE(dlg.modified());
    const QString today = QDate::currentDate().toString(u"yyyy"_s);
    EXPECT_EQ(u"JH-"_s + today + u"-0001"_s, dlg.sampleText());
    EXPECT_TRUE(dlg.findChild<QLabel*>(u"lblSample"_s)->text().endsWith(dlg.sampleText()));
}
TEST_F(BillNoSetDialogTest, MachinePrefixNeedsAMachineNumberAndIsStoredLocally) {
    answerOpening({1, 1, 0, 0, 0}, u"\"JH\"\r[000]"_s);
    TfrmBillNoSet dlg;
    dlg.applyPreset(4);  // preset five switches rule four on
    EXPECT_TRUE(dlg.rule4Box()->isChecked());
    transport->clearCalls();
    EXPECT_FALSE(dlg.Save());
    EXPECT_EQ(QStringList{u"请输入机器号码"_s}, script.messages());
    EXPECT_EQ(u"提示"_s, script.records().last().caption);
    EXPECT_TRUE(sqlOf(u"ExecUpdate"_s).isEmpty());
    dlg.machineEdit()->setText(u"PC9"_s);
    EXPECT_EQ(u"PC9-JH-"_s + QDate::currentDate().toString(u"yyyy-MM-dd"_s) + u"-00001"_s,
              dlg.sampleText());
    EXPECT_TRUE(dlg.Save());
    const QStringList sent = sqlOf(u"ExecUpdate"_s);
    ASSERT_EQ(1, sent.size());
    EXPECT_TRUE(sent.first().contains(QStringLiteral(
        "SNFormat='\"PC9\"-\r\"JH\"\r-\rYYYY\r-\rMM\r-\rDD\r-\r[00000]' where id=1 ")))
        << sent.first().toStdString();
    EXPECT_TRUE(sent.first().contains(u" update sysData set sysValue=1 where id=208042004 "_s));
    EXPECT_EQ(u"PC9"_s, clientConfig().read(u"MachineNo"_s));
}
TEST_F(BillNoSetDialogTest, CounterResetOnlyAfterConfirmation) {
    answerOpening({1, 1, 0, 0, 0}, QString());
    TfrmBillNoSet dlg;
    transport->clearCalls();
    script.answer(u"放弃"_s, u"是否将系统所有的计数器复位？"_s);
    EXPECT_FALSE(dlg.resetCounters());
    EXPECT_TRUE(sqlOf(u"ExecUpdate"_s).isEmpty());
    EXPECT_EQ(u"系统问题"_s, script.records().last().caption);
}
TEST_F(BillNoSetDialogTest, LeavingAChangedKindAsksAndSavesOrDrops) {
    answerOpening({1, 1, 0, 0, 0}, u"\"JH\"\r[0000]"_s);
    TfrmBillNoSet dlg;
    transport->clearCalls();
    // Unchanged: switching reads the next kind without a question.
    answer(formatRow(u"XS"_s, u"\"XS\"\r[000]"_s));
    dlg.kindList()->setCurrentRow(1);
    EXPECT_EQ(4, dlg.currentKind());
    EXPECT_EQ(u"\"XS\""_s, dlg.piece(0)->currentText());
    EXPECT_TRUE(script.records().isEmpty());
    // Changed and dropped: nothing saved.
    dlg.piece(2)->setCurrentText(u"yyyy"_s);
    script.answer(u"放弃"_s, u"数据已经变化，是否保存修改？"_s);
    answer(formatRow(kJH, u"\"JH\"\r[0000]"_s));
    dlg.kindList()->setCurrentRow(0);
    EXPECT_EQ(1, dlg.currentKind());
    EXPECT_TRUE(sqlOf(u"ExecUpdate"_s).isEmpty());
    // Changed and kept: the save goes out for the kind being left.
    dlg.piece(2)->setCurrentText(u"mm"_s);
    script.answer(u"确定"_s, u"数据已经变化，是否保存修改？"_s);
    answer(formatRow(u"XS"_s, u"\"XS\"\r[000]"_s));
    dlg.kindList()->setCurrentRow(1);
    const QStringList saves = sqlOf(u"ExecUpdate"_s);
    ASSERT_EQ(1, saves.size());
    EXPECT_TRUE(saves.first().contains(u"SNFormat='\"JH\"\r[0000]\rmm' where id=1 "_s))
        << saves.first().toStdString();
    EXPECT_EQ(4, dlg.currentKind());
}
TEST_F(BillNoSetDialogTest, AFailedReadOfTheRulesShowsTheErrorAndSavesNothing) {
    transport->fail(u"ExecQuery"_s, u"连接中断"_s);
    answer(kindRows());
    answer(formatRow(kJH, u"\"JH\"\r[0000]"_s));
    TfrmBillNoSet dlg;
    EXPECT_EQ(QStringList{u"连接中断"_s}, script.messages());
    EXPECT_FALSE(dlg.canSave());
    EXPECT_FALSE(dlg.btnOK()->isEnabled());
    transport->clearCalls();
    EXPECT_FALSE(dlg.Save());
    EXPECT_TRUE(sqlOf(u"ExecUpdate"_s).isEmpty());
}
TEST_F(BillNoSetDialogTest, ClosingWithChangesAsksFirst) {
    answerOpening({1, 1, 0, 0, 0}, u"\"JH\"\r[0000]"_s);
    TfrmBillNoSet dlg;
    dlg.show();
    dlg.piece(2)->setCurrentText(u"-"_s);
    transport->clearCalls();
    // Kept: the save goes out and the window closes.
    script.answer(u"确定"_s, u"数据已经变化，是否保存修改？"_s);
    EXPECT_TRUE(dlg.close());
    const QStringList saves = sqlOf(u"ExecUpdate"_s);
    ASSERT_EQ(1, saves.size());
    EXPECT_TRUE(saves.first().contains(u"SNFormat='\"JH\"\r[0000]\r-' where id=1 "_s))
        << saves.first().toStdString();
    // Unchanged: no question.
    dlg.show();
    script.clearRecords();
    EXPECT_TRUE(dlg.close());
    EXPECT_TRUE(script.records().isEmpty());
    // Dropped: closes without a save.
    dlg.show();
    dlg.piece(1)->setCurrentText(u"/"_s);
    transport->clearCalls();
    script.answer(u"放弃"_s, u"数据已经变化，是否保存修改？"_s);
    EXPECT_TRUE(dlg.close());
    EXPECT_TRUE(sqlOf(u"ExecUpdate"_s).isEmpty());
}

// The bill number: formatting, the machine prefix, the next free number and the calls it makes.
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
