// The account-set settings: sysData and sysConf rows, patterns, switches and the whole load.

#include <QCborArray>
#include <QTemporaryDir>

#include <functional>
#include <map>
#include <memory>

#include "client/logic/lookups.h"
#include "client/logic/settings.h"
#include "client/shell/mainwindow.h"
#include "client/shell/settingshooks.h"
#include "common/error.h"
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
