// The account-set settings: sysData and sysConf rows, patterns, switches and the whole load.
// The shared lookups and the SQL they send, quoting, date presets, SQL scripts, FailIf, print.ini.

#include <QCborArray>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>

#include "client/common/lookupwidgets.h"
#include "client/logic/lookups.h"
#include "client/logic/settings.h"
#include "client/shell/mainwindow.h"
#include "client/shell/settingshooks.h"
#include "common/error.h"
#include "common/gbk.h"
#include "common/inifile.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "protocol/protocol.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;
using dyt::test::DmFixture;

namespace {

RecordSet nameValueRows(const QList<QPair<QString, QString>>& rows) {
    RecordSet rs = test::recordSet({u"Name"_s, u"sysValue"_s});
    for (const auto& r : rows)
        rs.appendRow({r.first, r.second});
    return rs;
}
RecordSet confRows(const QList<QPair<int, QString>>& rows) {
    RecordSet rs = test::recordSet({u"id:integer"_s, u"sysValue"_s});
    for (const auto& r : rows)
        rs.appendRow({r.first, r.second});
    return rs;
}
RecordSet oneValue(const QString& field, const QVariant& value) {
    return test::recordSet({value.typeId() == QMetaType::QString ? field : field + u":integer"_s},
                           {{value}});
}

}  // namespace

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { resetSettings(); }
    void TearDown() override { resetSettings(); }
};
TEST_F(SettingsTest, PatternsArePrefixesOfTheLongPattern) {
    TSettings& s = settings();
    RecordSet rows = nameValueRows({{u"pricedot"_s, u"0"_s}, {u"taxdot"_s, u"1"_s},
                                    {u"totaldot"_s, u"3"_s}, {u"qtydot"_s, u"0"_s},
                                    {u"discountdot"_s, u"4"_s}});
    s.applySysData(rows);
    s.buildPatterns();
    EXPECT_EQ((QList<int>{0, 1, 3, 0, 4}),
              (QList<int>{s.PriceDot, s.TaxDot, s.TotalDot, s.QtyDot, s.DiscountDot}));
    EXPECT_EQ((QStringList{u"0."_s, u"0.0"_s, u"0.000"_s, u"0."_s, u"0.0000"_s}),
              (QStringList{s.PricePattern, s.RatioPattern, s.AmountPattern, s.QtyPattern,
                           s.DiscountPattern}));
}
TEST_F(SettingsTest, NamesMatchWithoutCaseUnknownOnesAreIgnoredMissingOnesStay) {
    TSettings& s = settings();
    s.Period = 5;
    s.CompanyFullName = u"旧名"_s;
    RecordSet rows = nameValueRows({{u"CURRENTYEAR"_s, u"2024"_s}, {u"isopen"_s, u"1"_s},
                                    {u"KmLength3"_s, u"2"_s}, {u"NoSuchSetting"_s, u"abc"_s},
                                    {u"单位简名"_s, u"德盈"_s}});
    s.applySysData(rows);
    EXPECT_EQ((QList<int>{2024, 1, 2}), (QList<int>{s.CurrentYear, s.IsOpen, s.kmLength[2]}));
    EXPECT_EQ(u"德盈"_s, s.CompanyShortName);
    EXPECT_EQ(5, s.Period);                   // not in the rows
    EXPECT_EQ(u"旧名"_s, s.CompanyFullName);  // not in the rows
    EXPECT_FALSE(s.applySysData(u"NoSuchSetting"_s, u"12"_s));
    EXPECT_TRUE(s.applySysData(u"Period"_s, u"7"_s));
    EXPECT_EQ(7, s.Period);
}
TEST_F(SettingsTest, FlagsAndSpecialValues) {
    struct Row {
        const char* name;
        const char* value;
        std::function<bool(const TSettings&)> read;
        bool expected;
    };
    const QList<Row> rows{
        {"RPInitOver", "1", [](const TSettings& s) { return s.RPInitOver; }, true},
        {"RPInitOver", "2", [](const TSettings& s) { return s.RPInitOver; }, false},
        {"sysIni", "T", [](const TSettings& s) { return s.SysIni; }, true},
        {"sysIni", "t", [](const TSettings& s) { return s.SysIni; }, true},
        {"sysIni", "1", [](const TSettings& s) { return s.SysIni; }, false},
        {"AutoSN", "1", [](const TSettings& s) { return s.AutoSN; }, true},
        {"AutoSN", "", [](const TSettings& s) { return s.AutoSN; }, false},
        {"系统使用负库存", "1", [](const TSettings& s) { return s.NegativeStock; }, true},
        {"本地快速打印", "0", [](const TSettings& s) { return s.QuickLocalPrint; }, false},
        {"销售单默认收款金额", "1", [](const TSettings& s) { return s.SalesDefaultReceipt; }, true},
        {"销售单默认收款金额", "x", [](const TSettings& s) { return s.SalesDefaultReceipt; },
         false},
    };
    for (const Row& r : rows) {
        resetSettings();
        settings().applySysData(QString::fromUtf8(r.name), QString::fromUtf8(r.value));
        EXPECT_EQ(r.expected, r.read(settings())) << r.name << "=" << r.value;
    }
}
TEST_F(SettingsTest, EnterpriseTypeSetsItsCodeAndTheWageSubject) {
    const QList<QPair<QString, int>> cases{{u"c2006"_s, 97}, {u"C2006"_s, 97}, {u"gy"_s, 103},
                                           {u"GY"_s, 103},   {u"xqy"_s, 78},   {u"other"_s, 78}};
    for (const auto& c : cases) {
        resetSettings();
        settings().EnterpriseCode = 0;
        settings().applySysData(u"EnterpriseType"_s, c.first);
        EXPECT_EQ(c.second, settings().EnterpriseCode) << c.first.toStdString();
        EXPECT_EQ(c.first, settings().EnterpriseType);
        EXPECT_EQ(u"应付职工薪酬"_s, settings().WageSubjectName);
    }
}
TEST_F(SettingsTest, NumbersTextsAndTheAccountIdDefault) {
    TSettings& s = settings();
    s.applySysData(u"TaxIniJe"_s, u"12.5"_s);
    s.applySysData(u"inidate"_s, u"2024-01-01"_s);
    s.applySysData(u"自动备份天数"_s, u" 3 "_s);
    s.applySysData(u"销售单默认收款账户ID"_s, u"abc"_s);
    s.applySysData(u"销售单默认收款账户名"_s, u"现金"_s);
    EXPECT_EQ(12.5, s.TaxIniJe);
    EXPECT_EQ((QList<int>{3, 0}), (QList<int>{s.AutoBackupDays, s.SalesReceiptAccountId}));
    EXPECT_EQ((QStringList{u"2024-01-01"_s, u"现金"_s}),
              (QStringList{s.IniDate, s.SalesReceiptAccountName}));
    s.applySysData(u"销售单默认收款账户ID"_s, u"12"_s);
    EXPECT_EQ(12, s.SalesReceiptAccountId);
    // An integer setting holding something else is refused and keeps its value.
    s.Period = 4;
    EXPECT_EQ(u"系统参数[period]的值[五]不是整数"_s,
              test::errorOf([&s] { s.applySysData(u"period"_s, u"五"_s); }));
    EXPECT_EQ(4, s.Period);
}
TEST_F(SettingsTest, SwitchesOfSysConf) {
    TSettings& s = settings();
    // 2003 is no switch of the list, 2022, 2033 and 2038 are gaps in it: each stays off.
    struct Row {
        int id;
        const char* value;
        bool on;
    };
    const Row rows[] = {{2002, "1", true},  {2003, "1", false}, {2004, "0", false},
                        {2014, "1", true},  {2021, "1", true},  {2022, "1", false},
                        {2033, "1", false}, {2038, "1", false}, {2042, "1", true},
                        {2005, "1", true},  {2028, "1", true},  {2029, "1", true},
                        {2030, "1", true},  {2031, "1", true}};
    QList<QPair<int, QString>> conf{{2001, u"3"_s}};
    for (const Row& r : rows)
        conf.append({r.id, QString::fromLatin1(r.value)});
    RecordSet confSet = confRows(conf);
    s.applySysConf(confSet);
    EXPECT_EQ(3, s.Conf2001);
    for (const Row& r : rows)
        EXPECT_EQ(r.on, s.Switch(r.id)) << r.id;  // as read, before the forcing
    s.forceSwitchesOff();
    for (int id : {2005, 2028, 2029, 2030})
        EXPECT_FALSE(s.Switch(id)) << id;
    EXPECT_TRUE(s.Switch(2031));
}
TEST_F(SettingsTest, PeriodTextOfTheStatusBar) {
    struct Case {
        int period;
        int isOpen;
        QString text;
    };
    const QList<Case> cases{{3, 1, u"会计期间：3 月"_s}, {12, 2, u"会计期间：12 月"_s},
                            {3, 0, u"期初"_s}, {0, 1, u"期初"_s}};
    for (const Case& c : cases) {
        settings().Period = c.period;
        settings().IsOpen = c.isOpen;
        EXPECT_EQ(c.text, settings().periodText()) << c.period << " " << c.isOpen;
    }
}
TEST_F(SettingsTest, LoginDateTextsReachBackThirtyDays) {
    settings().setLoginDateTexts(QDate(2024, 3, 15));
    EXPECT_EQ(u"2024-03-15"_s, settings().LoginDateText);
    EXPECT_EQ(u"2024-02-14"_s, settings().LoginDateFromText);
    settings().setLoginDateTexts(QDate(2023, 1, 5));
    EXPECT_EQ(u"2022-12-06"_s, settings().LoginDateFromText);
}

// --- the whole load against the recording transport

class LoadSettingsTest : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        resetSettings();
        connectLoggedIn();
    }
    void TearDown() override {
        resetSettings();
        DmFixture::TearDown();
    }
    // Answers the next `count` queries from the table of SQL texts; texts not in it get an empty
    // record set, texts in `failures` the error message.
    void serve(int count = 40) {
        for (int i = 0; i < count; ++i) {
            transport->respondWith(u"ExecQuery"_s, [this](const QCborArray& args) {
                const QString sql = args.at(0).toString();
                const auto f = failures.find(sql);
                if (f != failures.end())
                    throw DytError(f->second);
                Response r;
                r.result = 0;
                const auto it = answers.find(sql);
                r.outs = {proto::recordSetToCbor(it == answers.end() ? RecordSet() : it->second),
                          QString()};
                return r;
            });
        }
    }
    QStringList sentSql() const { return sqlOf(u"ExecQuery"_s); }

    static QString purviewSql(int userId, int right) {
        return u"SELECT dbo.fnGetPurview(%1,'%2') as value"_s.arg(userId).arg(right);
    }
    std::map<QString, RecordSet> answers;
    std::map<QString, QString> failures;
};
TEST_F(LoadSettingsTest, SendsTheQueriesInOrderAndStoresWhatComesBack) {
    answers[u"SELECT * FROM sysData"_s] = nameValueRows(
        {{u"period"_s, u"4"_s}, {u"isOpen"_s, u"1"_s}, {u"qtydot"_s, u"0"_s}, {u"PriceDot"_s, u"3"_s}});
    answers[u"SELECT * FROM sysConf"_s] = confRows({{2004, u"1"_s}, {2028, u"1"_s}});
    answers[purviewSql(7, 6003)] = oneValue(u"value"_s, 1);
    answers[purviewSql(7, 6004)] = oneValue(u"value"_s, 1);
    answers[purviewSql(7, 6005)] = oneValue(u"value"_s, 0);
    answers[purviewSql(7, 6016)] = oneValue(u"value"_s, 1);
    RecordSet fields = test::recordSet({u"code"_s, u"name"_s}, {{u"sp_spbh"_s, u"商品编号"_s}});
    answers[u"SELECT * FROM baseFieldNames"_s] = fields;
    RecordSet djb = test::recordSet({u"id:integer"_s, u"inputnum:integer"_s, u"InputName1"_s,
                                     u"InputName2"_s, u"InputID2:integer"_s},
                                    {{5, 2, u"制单"_s, u"审核"_s, 9}});
    answers[u"SELECT * FROM sysdjb"_s] = djb;
    answers[u"SELECT TOP 1 id  FROM baseCuXiao WHERE isStop = 0"_s] = oneValue(u"id"_s, 3);
    answers[u"SELECT dbo.fnGetInterfaceKMID('预收账款') as yushoukm_id "_s] =
        oneValue(u"yushoukm_id"_s, 2203);
    serve();
    settings().LoginDate = QDate(2024, 5, 31);
    EXPECT_TRUE(LoadSettings());
    QStringList expected{u"SELECT * FROM sysData"_s, u"SELECT * FROM sysConf"_s};
    for (int right : {6003, 6004, 6005, 6006, 6007, 6009, 6010, 6013, 6016, 6017})
        expected.append(purviewSql(7, right));
    expected << u"SELECT * FROM baseFieldNames"_s << u"SELECT * FROM sysdjb"_s
             << u"SELECT TOP 1 id  FROM baseCuXiao WHERE isStop = 0"_s
             << QStringLiteral(
                    "SELECT TOP 1 a.id FROM djIndex AS a WHERE a.dj_state = 2 AND a.djType = 71")
             << u"SELECT dbo.fnGetInterfaceKMID('预收账款') as yushoukm_id "_s;
    EXPECT_EQ(expected, sentSql());
    const TSettings& s = settings();
    EXPECT_EQ(4, s.Period);
    // totaldot missing: the default amount pattern stays.
    EXPECT_EQ((QStringList{u"0."_s, u"0.000"_s, u"0.00"_s}),
              (QStringList{s.QtyPattern, s.PricePattern, s.AmountPattern}));
    // 2028 is forced off; right 6016 is held, so its inverted flag is off.
    EXPECT_EQ((QList<bool>{true, false, true, true, false, false, false}),
              (QList<bool>{s.Switch(2004), s.Switch(2028), s.SeeCost, s.Right(6004), s.Right(6005),
                           s.Right(6016), s.Right(6017)}));
    EXPECT_EQ((QStringList{u"2024-05-31"_s, u"2024-05-01"_s, u"商品编号"_s}),
              (QStringList{s.LoginDateText, s.LoginDateFromText, s.FieldCaption(u"SP_SPBH"_s)}));
    ASSERT_TRUE(s.BillAuditSteps.contains(5));
    EXPECT_EQ(test::clientValuesText(2, u"审核"_s, 9, true, false, 2203, u"会计期间：4 月"_s, true),
        test::clientValuesText(s.BillAuditSteps[5].inputNum, s.BillAuditSteps[5].names[1],
            s.BillAuditSteps[5].operatorIds[1], s.HasPromotions, s.HasGiftContractDrafts,
            s.AdvanceReceiptSubjectId, s.StatusPeriodText, script.messages().isEmpty()));
}
TEST_F(LoadSettingsTest, RightSixteenIsStoredInverted) {
    loginedUser().UserId = 2;
    serve();  // every purview query answers no row
    EXPECT_TRUE(LoadSettings());
    EXPECT_TRUE(settings().Right(6016));
    EXPECT_FALSE(settings().SeeCost);
    EXPECT_EQ(u"期初"_s, settings().StatusPeriodText);
}
TEST_F(LoadSettingsTest, FieldNameAndAuditFailuresAreShownAndTheLoadGoesOn) {
    failures[u"SELECT * FROM baseFieldNames"_s] = u"对象名无效"_s;
    failures[u"SELECT * FROM sysdjb"_s] = u"超时"_s;
    answers[QStringLiteral(
        "SELECT TOP 1 a.id FROM djIndex AS a WHERE a.dj_state = 2 AND a.djType = 71")] =
        oneValue(u"id"_s, 1);
    serve();
    EXPECT_TRUE(LoadSettings());
    EXPECT_EQ((QStringList{u"读取基本信息字段配置信息失败:对象名无效"_s,
                           u"读取单据审核配置信息失败:超时"_s}),
              script.messages());
    ASSERT_EQ(2, script.records(PromptKind::Message).size());
    EXPECT_EQ(u"提示"_s, script.records(PromptKind::Message).at(0).caption);
    EXPECT_TRUE(settings().HasGiftContractDrafts);
}
// Any other failure, a bad value too, ends the load with its message and keeps what was stored.
TEST_F(LoadSettingsTest, AnyOtherFailureOrABadValueEndsTheLoad) {
    answers[u"SELECT * FROM sysData"_s] = nameValueRows({{u"period"_s, u"6"_s}});
    failures[u"SELECT * FROM sysConf"_s] = u"连接中断"_s;
    serve();
    EXPECT_FALSE(LoadSettings());
    EXPECT_EQ(QStringList{u"读取配置信息失败:连接中断"_s}, script.messages());
    EXPECT_EQ(u"提示"_s, script.records(PromptKind::Message).at(0).caption);
    EXPECT_EQ(6, settings().Period);
    EXPECT_EQ(2, sentSql().size());  // nothing after the failing query
    EXPECT_EQ(QString(), settings().StatusPeriodText);
    transport->clearCalls();
    script.clearRecords();
    answers[u"SELECT * FROM sysData"_s] = nameValueRows({{u"qtydot"_s, u"two"_s}});
    EXPECT_FALSE(LoadSettings());
    EXPECT_EQ(QStringList{u"读取配置信息失败:系统参数[qtydot]的值[two]不是整数"_s},
              script.messages());
    EXPECT_EQ(1, sentSql().size());
}

// --- the main window's hooks: panel 5 shows the period, the close reads the backup settings

namespace {

class SettingsHooksTest : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        resetSettings();
        ASSERT_TRUE(dir.isValid());
        main = std::make_unique<TfrmMain>(dir.path());
        main->attachDataModule(dm.get());
        installSettingsHooks(*main);
        connectLoggedIn();
    }
    void TearDown() override {
        main.reset();
        resetSettings();
        DmFixture::TearDown();
    }
    void answerSysData(const QList<QPair<QString, QString>>& rows) {
        transport->respond(u"ExecQuery"_s, 0,
                           {proto::recordSetToCbor(nameValueRows(rows)), QString()});
    }
    QTemporaryDir dir;
    std::unique_ptr<TfrmMain> main;
};

}  // namespace

// A load shows the period in panel 5; a failed one leaves the panel and reports false.
TEST_F(SettingsHooksTest, LoadShowsThePeriodInPanelFiveAndAFailedOneLeavesIt) {
    answerSysData({{u"period"_s, u"4"_s}, {u"isOpen"_s, u"1"_s}});
    ASSERT_TRUE(main->hooks.loadSettings);
    EXPECT_TRUE(main->hooks.loadSettings());
    EXPECT_EQ(u"会计期间：4 月"_s, main->panelText(TfrmMain::kMessagePanel));
    EXPECT_FALSE(main->panelVisible(TfrmMain::kMessagePanel));  // the panel stays hidden
    transport->fail(u"ExecQuery"_s, u"对象名无效"_s);
    EXPECT_FALSE(main->hooks.loadSettings());
    EXPECT_EQ(u"会计期间：4 月"_s, main->panelText(TfrmMain::kMessagePanel));
    EXPECT_EQ(QStringList{u"读取配置信息失败:对象名无效"_s}, script.messages());
}
TEST_F(SettingsHooksTest, BackupSettingsComeFromTheLoadedSettings) {
    QString last = u"unchanged"_s;
    int interval = -5;
    ASSERT_TRUE(main->hooks.autoBackupSettings);
    EXPECT_FALSE(main->hooks.autoBackupSettings(&last, &interval));  // nothing loaded yet
    EXPECT_EQ(u"unchanged"_s, last);
    answerSysData({{u"自动备份天数"_s, u"7"_s}});
    ASSERT_TRUE(main->hooks.loadSettings());
    answerQuery(test::recordSet({u"value"_s}, {{u"2026-11-29"_s}}));
    EXPECT_TRUE(main->hooks.autoBackupSettings(&last, &interval));
    EXPECT_EQ(u"2026-11-29 7"_s, last + u' ' + QString::number(interval));
    EXPECT_EQ(u"SELECT dbo.fnGetSysData('自动备份日期','') as value"_s,
              transport->calls().last().sql);
}

namespace {

using dyt::test::errorOf;

QDate d(int y, int m, int day) {
    return QDate(y, m, day);
}

}  // namespace

TEST(quotedStr, DoublesEveryInnerQuote) {
    const QList<QPair<QString, QString>> cases{{u"abc"_s, u"'abc'"_s}, {QString(), u"''"_s},
        {u"O'Brien"_s, u"'O''Brien'"_s}, {u"'"_s, u"''''"_s},
        {u"a'';drop table x--"_s, u"'a'''';drop table x--'"_s}, {u"预收账款"_s, u"'预收账款'"_s}};
    for (const auto& c : cases)
        EXPECT_EQ(c.second, quotedStr(c.first)) << c.first.toStdString();
}

TEST(DatePresets, EveryPresetOnAWednesdayInMay) {
    const QDate today = d(2024, 5, 15);  // a Wednesday
    struct Case {
        int no;
        QDate begin;
        QDate end;
    };
    const QList<Case> cases{
        {1, d(2024, 5, 15), d(2024, 5, 15)},   {2, d(2024, 5, 14), d(2024, 5, 14)},
        {3, d(2024, 5, 13), d(2024, 5, 19)},   {4, d(2024, 5, 6), d(2024, 5, 12)},
        {5, d(2024, 5, 1), d(2024, 5, 31)},    {6, d(2024, 4, 1), d(2024, 4, 30)},
        {7, d(2024, 1, 1), d(2024, 3, 31)},    {8, d(2024, 4, 1), d(2024, 6, 30)},
        {9, d(2024, 7, 1), d(2024, 9, 30)},    {10, d(2024, 10, 1), d(2024, 12, 31)},
        {11, d(2024, 1, 1), d(2024, 6, 30)},   {12, d(2024, 7, 1), d(2024, 12, 31)},
        {13, d(2024, 1, 1), d(2024, 12, 31)},  {14, d(2023, 1, 1), d(2023, 3, 31)},
        {15, d(2023, 4, 1), d(2023, 6, 30)},   {16, d(2023, 7, 1), d(2023, 9, 30)},
        {17, d(2023, 10, 1), d(2023, 12, 31)}, {18, d(2023, 1, 1), d(2023, 6, 30)},
        {19, d(2023, 7, 1), d(2023, 12, 31)},  {20, d(2023, 1, 1), d(2023, 12, 31)},
    };
    ASSERT_EQ(20, cases.size());
    for (const Case& c : cases) {
        QDate begin, end;
        ASSERT_TRUE(datePresetRange(c.no, today, &begin, &end)) << c.no;
        EXPECT_EQ(c.begin, begin) << "preset " << c.no;
        EXPECT_EQ(c.end, end) << "preset " << c.no;
    }
}
TEST(DatePresets, WeeksRunMondayToSunday) {
    struct Case {
        QDate today;
        QDate thisMonday;
    };
    const QList<Case> cases{
        {d(2024, 5, 19), d(2024, 5, 13)},  // Sunday: the week that began six days before
        {d(2024, 5, 13), d(2024, 5, 13)},  // Monday: its own week
        {d(2024, 5, 18), d(2024, 5, 13)},  // Saturday
        {d(2024, 1, 1), d(2024, 1, 1)},    // a Monday at the turn of the year
        {d(2023, 1, 1), d(2022, 12, 26)},  // a Sunday at the turn of the year
    };
    for (const Case& c : cases) {
        QDate begin, end;
        ASSERT_TRUE(datePresetRange(3, c.today, &begin, &end));
        EXPECT_EQ(c.thisMonday, begin) << c.today.toString().toStdString();
        EXPECT_EQ(c.thisMonday.addDays(6), end);
        ASSERT_TRUE(datePresetRange(4, c.today, &begin, &end));
        EXPECT_EQ(c.thisMonday.addDays(-7), begin);
        EXPECT_EQ(c.thisMonday.addDays(-1), end);
    }
}
// Months at the edges; numbers outside the list (no range) leave the dates unchanged.
TEST(DatePresets, MonthsAtTheEdgesAndNumbersOutsideTheList) {
    const struct {
        int no;
        QDate today, begin, end;
    } cases[] = {
        {6, d(2024, 1, 31), d(2023, 12, 1), d(2023, 12, 31)},  // "上月" in January
        {6, d(2024, 3, 31), d(2024, 2, 1), d(2024, 2, 29)},    // February of a leap year
        {5, d(2023, 2, 10), d(2023, 2, 1), d(2023, 2, 28)},    // and of a common year
        {2, d(2024, 1, 1), d(2023, 12, 31), d(2023, 12, 31)},  // "昨天" on the first of January
        {0, d(2024, 5, 15), {}, {}}, {-1, d(2024, 5, 15), {}, {}}, {21, d(2024, 5, 15), {}, {}},
    };
    for (const auto& c : cases) {
        QDate begin = d(2000, 1, 1), end = d(2000, 1, 2);
        EXPECT_EQ(c.begin.isValid(), datePresetRange(c.no, c.today, &begin, &end)) << c.no;
        EXPECT_EQ(c.begin.isValid() ? c.begin : d(2000, 1, 1), begin) << c.no;
        EXPECT_EQ(c.end.isValid() ? c.end : d(2000, 1, 2), end) << c.no;
    }
}
TEST(DatePresets, TheListAndItsApplication) {
    QComboBox combo;
    FillDatePresets(&combo);
    ASSERT_EQ(20, combo.count());
    for (int i = 0; i < combo.count(); ++i)
        EXPECT_EQ(i + 1, combo.itemData(i).toInt());
    QDateEdit begin(d(2000, 1, 1)), end(d(2000, 1, 1));
    combo.setCurrentIndex(11);  // "今年下半年"
    EXPECT_TRUE(ApplyDatePreset(&combo, &begin, &end, d(2024, 2, 10)));
    EXPECT_EQ(d(2024, 7, 1), begin.date());
    EXPECT_EQ(d(2024, 12, 31), end.date());
    combo.setCurrentIndex(-1);
    EXPECT_FALSE(ApplyDatePreset(&combo, &begin, &end, d(2020, 2, 10)));
    EXPECT_EQ(d(2024, 7, 1), begin.date());
    QComboBox other;
    other.addItem(u"自定义"_s, 0);
    EXPECT_FALSE(ApplyDatePreset(&other, &begin, &end, d(2020, 2, 10)));
    EXPECT_EQ(d(2024, 12, 31), end.date());
}

TEST(SqlScript, SplitsAtGoLinesAndLeavesOutUseAndLeadingComments) {
    const QString script = QStringLiteral(
        "USE dyt_data\r\n"
        "-- the first batch\r\n"
        "\r\n"
        "create table t1 (\r\n"
        "  USER_ID int,\r\n"
        "  -- a comment inside stays\r\n"
        "  name varchar(20))\r\n"
        "go\r\n"
        "  GO  \r\n"
        "use [other]\r\n"
        "insert into t1 values (1, 'a')\n"
        "USE other\n"
        "insert into t1 values (2, 'b')\n"
        "\tGo\t\n"
        "-- only a comment between\n"
        "GOTO done\n"
        "update t1 set name = 'c'");
    const QStringList expected{
        QStringLiteral("create table t1 (\r\n  USER_ID int,\r\n  -- a comment inside "
                       "stays\r\n  name varchar(20))"),
        u"insert into t1 values (1, 'a')\r\ninsert into t1 values (2, 'b')"_s,
        u"GOTO done\r\nupdate t1 set name = 'c'"_s};
    EXPECT_EQ(expected, splitSqlScript(script));
}
TEST(SqlScript, EmptyAndCommentOnlyScriptsHaveNoBatch) {
    EXPECT_EQ(QStringList(), splitSqlScript(QString()));
    EXPECT_EQ(QStringList(), splitSqlScript(u"GO\r\ngo\r\n-- x\r\nUSE a\r\n\r\n"_s));
    EXPECT_EQ(QStringList{u"select 1"_s}, splitSqlScript(u"select 1\rGO\r"_s));
}
class LookupsTest : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        resetSettings();
        connectLoggedIn();
    }
    void TearDown() override {
        resetSettings();
        DmFixture::TearDown();
    }
    void answer(const RecordSet& rs) {
        transport->respond(u"ExecQuery"_s, 0, {proto::recordSetToCbor(rs), QString()});
    }
    QString lastSql() const { return transport->calls().last().sql; }
    static RecordSet rows(const QString& field, FieldType type, const QVariantList& values) {
        RecordSet rs;
        rs.addField(field, type);
        for (const QVariant& v : values)
            rs.appendRow({v});
        return rs;
    }
};
TEST_F(LookupsTest, GetSysDataQuotesTheNameAndWantsOneRow) {
    answer(rows(u"value"_s, FieldType::Text, {u"  2024 "_s}));
    EXPECT_EQ(u"2024"_s, GetSysData(u"Current'Year"_s));
    EXPECT_EQ(u"SELECT dbo.fnGetSysData('Current''Year','') as value"_s, lastSql());
    answer(rows(u"value"_s, FieldType::Text, {u"a"_s, u"b"_s}));
    EXPECT_EQ(QString(), GetSysData(u"x"_s));
    EXPECT_EQ(QString(), GetSysData(u"x"_s));  // no row
}
TEST_F(LookupsTest, GetPurviewSendsTheOperatorAndTheQuotedRight) {
    loginedUser().UserId = 12;
    answer(rows(u"value"_s, FieldType::Integer, {1}));
    EXPECT_TRUE(GetPurview(u"600301"_s));
    EXPECT_EQ(u"SELECT dbo.fnGetPurview(12,'600301') as value"_s, lastSql());
    answer(rows(u"value"_s, FieldType::Integer, {0}));
    EXPECT_FALSE(GetPurview(u"600301"_s));
    EXPECT_FALSE(GetPurview(u"1'2"_s));
    EXPECT_EQ(u"SELECT dbo.fnGetPurview(12,'1''2') as value"_s, lastSql());
}
TEST_F(LookupsTest, PriceAndCostLookups) {
    answer(rows(u"price"_s, FieldType::Float, {12.5}));
    EXPECT_EQ(12.5, GetGoodsPrice(5, 10, 20, 3, d(2024, 2, 1)));
    EXPECT_EQ(u"SELECT dbo.fnGetGoodsPrice(0,5,10,20,3,'2024-02-01') as Price"_s, lastSql());
    answer(rows(u"Price"_s, FieldType::Float, {7.25}));
    EXPECT_EQ(7.25, GetCostTotal({1, 2, 3}));
    EXPECT_EQ(u"SELECT dbo.fnGetCostTotal(1,2,3) as Price"_s, lastSql());
    EXPECT_EQ(0.0, GetCostPrice({4, -5}));  // no row
    EXPECT_EQ(u"SELECT dbo.fnGetCostPrice(4,-5) as Price"_s, lastSql());
    answer(rows(u"price"_s, FieldType::Float, {3.0}));
    EXPECT_EQ(3.0, GetCostTotalOther(u"1,2'"_s, {8, 9}));
    EXPECT_EQ(u"SELECT dbo.fnGetCostTotalOther('1,2''',8,9) as Price"_s, lastSql());
    EXPECT_EQ(u"GetGoodsPrice: 需要五个整数参数"_s, errorOf([] { GetGoodsPrice({1, 2}, u"x"_s); }));
}
TEST_F(LookupsTest, InterfaceSubjectWithAndWithoutTheAccountRights) {
    loginedUser().UserId = 3;
    RecordSet km = test::recordSet({u"id:integer"_s, u"fullname"_s}, {{2203, u"预收账款"_s}});
    answer(km);
    int id = 0;
    QString name;
    EXPECT_TRUE(GetInterfaceSubject(u"预收账款"_s, &id, &name));
    EXPECT_EQ(u"select * from basekm where id = dbo.fnGetInterfaceKMID('预收账款')"_s, lastSql());
    EXPECT_EQ(2203, id);
    EXPECT_EQ(u"预收账款"_s, name);
    settings().setSwitch(2004, true);
    RecordSet withBj =
        test::recordSet({u"id:integer"_s, u"fullname"_s, u"bj:integer"_s}, {{101, u"现金"_s, 0}});
    withBj.first();
    answer(withBj);
    EXPECT_FALSE(GetInterfaceSubject(u"现金'"_s, &id, &name));
    EXPECT_EQ(QStringLiteral(" SELECT a.* ,isnull(b.isbj,1) AS bj FROM basekm AS a LEFT JOIN "
                             "baseYHZHPurview AS b ON a.id = b.id AND b.czy_id = 3 WHERE a.id = "
                             "dbo.fnGetInterfaceKMID('现金''')"),
              lastSql());
    withBj.setValue(u"bj"_s, 1);
    answer(withBj);
    EXPECT_TRUE(GetInterfaceSubject(u"现金"_s, &id, &name));
    EXPECT_FALSE(GetInterfaceSubject(u"现金"_s, &id, &name));  // no row
}
TEST_F(LookupsTest, PeriodDates) {
    RecordSet p = test::recordSet({u"beginDate:date"_s, u"EndDate"_s},
                                  {{d(2024, 3, 1), u"2024-03-31 00:00:00"_s}});
    answer(p);
    QString begin, end;
    EXPECT_TRUE(GetPeriodDates(3, &begin, &end));
    EXPECT_EQ(u"SELECT * FROM sysPeriod AS a WHERE a.type = 0 AND a.id = 3"_s, lastSql());
    EXPECT_EQ(u"2024-03-01 2024-03-31"_s, begin + u' ' + end);
    EXPECT_FALSE(GetPeriodDates(13, &begin, &end));
    EXPECT_EQ(u" "_s, begin + u' ' + end);
}
TEST_F(LookupsTest, BillTypesWithAndWithoutTheAllEntry) {
    RecordSet types =
        test::recordSet({u"id:integer"_s, u"fullname"_s}, {{5, u"进货单"_s}, {1, u"销售单"_s}});
    answer(types);
    QComboBox combo;
    combo.addItem(u"旧的"_s);
    FillBillTypes(&combo, false);
    EXPECT_EQ(QStringLiteral(" SELECT a.djType as id,a.dj_Caption as fullname FROM djIndex AS a "
                             "WHERE a.dj_state <> 0  GROUP BY a.djType,a.dj_Caption"),
              lastSql());
    const auto entries = [&combo] {
        QStringList out;
        for (int i = 0; i < combo.count(); ++i)
            out << combo.itemText(i) + u'=' + combo.itemData(i).toString();
        return out.join(u',') + u" @"_s + QString::number(combo.currentIndex());
    };
    EXPECT_EQ(u"[全部单据]=0,进货单=5,销售单=1 @0"_s, entries());
    answer(types);
    FillBillTypes(&combo, true);
    EXPECT_EQ(u"进货单=5,销售单=1 @0"_s, entries());
}
TEST_F(LookupsTest, RunSqlScriptSendsEachBatch) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString utf8 = dir.filePath(u"a.sql"_s);
    {
        QFile f(utf8);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("USE x\r\nupdate t set a = '甲'\r\nGO\r\ndelete from t\r\n");
    }
    EXPECT_EQ(2, RunSqlScript(utf8));
    EXPECT_EQ((QStringList{u"update t set a = '甲'"_s, u"delete from t"_s}),
              sqlOf(u"ExecUpdate"_s));
    const QString gbkFile = dir.filePath(u"b.sql"_s);
    {
        QFile f(gbkFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(gbk::encode(u"update t set a = '乙'\r\ngo\r\n"_s));
    }
    EXPECT_EQ(1, RunSqlScript(gbkFile));
    EXPECT_EQ(u"update t set a = '乙'"_s, lastSql());
    const QString missing = dir.filePath(u"none.sql"_s);
    EXPECT_EQ(u"找不到脚本文件："_s + missing, errorOf([&] { RunSqlScript(missing); }));
}
TEST(FailIf, RaisesWhenTheConditionDoesNotHoldAndFocusesTheControl) {
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* other = new QLineEdit(&window);
    window.show();
    window.activateWindow();
    other->setFocus();
    EXPECT_EQ(QString(), errorOf([&] { FailIf(edit, true, u"请输入名称"_s); }));
    EXPECT_EQ(u"请输入名称"_s, errorOf([&] { FailIf(edit, false, u"请输入名称"_s); }));
    EXPECT_EQ(edit, window.focusWidget());
    other->setFocus();
    edit->setEnabled(false);
    EXPECT_EQ(u"请输入名称"_s, errorOf([&] { FailIf(edit, false, u"请输入名称"_s); }));
    EXPECT_EQ(other, window.focusWidget());
    EXPECT_EQ(u"无控件"_s, errorOf([] { FailIf(nullptr, false, u"无控件"_s); }));
}
TEST(PrintIni, OpenedOnceInTheProgramFolderAndKept) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    resetPrintIni();
    setPrintIniFolder(dir.path());
    IniFile& first = GetPrintIni();
    EXPECT_EQ(QDir(dir.path()).filePath(u"print.ini"_s), first.fileName());
    first.writeString(u"打印"_s, u"份数"_s, u"2"_s);
    EXPECT_EQ(&first, &GetPrintIni());
    EXPECT_EQ(u"2"_s, IniFile(first.fileName()).readString(u"打印"_s, u"份数"_s));
    resetPrintIni();
    setPrintIniFolder(QString());
}
