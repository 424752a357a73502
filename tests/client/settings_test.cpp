// The account-set settings: reading sysData and sysConf rows, the number patterns, the forced
// switches, the whole load with the exact SQL it sends (recording transport), the failure
// messages, the status period text.

#include <QCborArray>

#include <functional>
#include <map>

#include "client/logic/lookups.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "protocol/protocol.h"

using namespace dyt;
using namespace dyt::client;
using dyt::test::DmFixture;

namespace {

RecordSet nameValueRows(const QList<QPair<QString, QString>>& rows) {
    RecordSet rs = test::recordSet({QStringLiteral("Name"), QStringLiteral("sysValue")});
    for (const auto& r : rows)
        rs.appendRow({r.first, r.second});
    return rs;
}

RecordSet confRows(const QList<QPair<int, QString>>& rows) {
    RecordSet rs = test::recordSet({QStringLiteral("id:integer"), QStringLiteral("sysValue")});
    for (const auto& r : rows)
        rs.appendRow({r.first, r.second});
    return rs;
}

RecordSet oneValue(const QString& field, const QVariant& value) {
    return test::recordSet(
        {value.typeId() == QMetaType::QString ? field : field + QStringLiteral(":integer")},
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
    RecordSet rows = nameValueRows({{QStringLiteral("pricedot"), QStringLiteral("0")},
                                    {QStringLiteral("taxdot"), QStringLiteral("1")},
                                    {QStringLiteral("totaldot"), QStringLiteral("3")},
                                    {QStringLiteral("qtydot"), QStringLiteral("0")},
                                    {QStringLiteral("discountdot"), QStringLiteral("4")}});
    s.applySysData(rows);
    s.buildPatterns();
    EXPECT_EQ(0, s.PriceDot);
    EXPECT_EQ(1, s.TaxDot);
    EXPECT_EQ(3, s.TotalDot);
    EXPECT_EQ(0, s.QtyDot);
    EXPECT_EQ(4, s.DiscountDot);
    EXPECT_EQ(QStringLiteral("0."), s.PricePattern);
    EXPECT_EQ(QStringLiteral("0.0"), s.RatioPattern);
    EXPECT_EQ(QStringLiteral("0.000"), s.AmountPattern);
    EXPECT_EQ(QStringLiteral("0."), s.QtyPattern);
    EXPECT_EQ(QStringLiteral("0.0000"), s.DiscountPattern);
}

TEST_F(SettingsTest, NamesMatchWithoutCaseUnknownOnesAreIgnoredMissingOnesStay) {
    TSettings& s = settings();
    s.Period = 5;
    s.CompanyFullName = QStringLiteral("旧名");
    RecordSet rows = nameValueRows({{QStringLiteral("CURRENTYEAR"), QStringLiteral("2024")},
                                    {QStringLiteral("isopen"), QStringLiteral("1")},
                                    {QStringLiteral("KmLength3"), QStringLiteral("2")},
                                    {QStringLiteral("NoSuchSetting"), QStringLiteral("abc")},
                                    {QStringLiteral("单位简名"), QStringLiteral("德盈")}});
    s.applySysData(rows);
    EXPECT_EQ(2024, s.CurrentYear);
    EXPECT_EQ(1, s.IsOpen);
    EXPECT_EQ(2, s.kmLength[2]);
    EXPECT_EQ(QStringLiteral("德盈"), s.CompanyShortName);
    EXPECT_EQ(5, s.Period);                                // not in the rows
    EXPECT_EQ(QStringLiteral("旧名"), s.CompanyFullName);  // not in the rows
    EXPECT_FALSE(s.applySysData(QStringLiteral("NoSuchSetting"), QStringLiteral("12")));
    EXPECT_TRUE(s.applySysData(QStringLiteral("Period"), QStringLiteral("7")));
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
    const QList<QPair<QString, int>> cases{
        {QStringLiteral("c2006"), 97}, {QStringLiteral("C2006"), 97},
        {QStringLiteral("gy"), 103},   {QStringLiteral("GY"), 103},
        {QStringLiteral("xqy"), 78},   {QStringLiteral("other"), 78}};
    for (const auto& c : cases) {
        resetSettings();
        settings().EnterpriseCode = 0;
        settings().applySysData(QStringLiteral("EnterpriseType"), c.first);
        EXPECT_EQ(c.second, settings().EnterpriseCode) << c.first.toStdString();
        EXPECT_EQ(c.first, settings().EnterpriseType);
        EXPECT_EQ(QStringLiteral("应付职工薪酬"), settings().WageSubjectName);
    }
}

TEST_F(SettingsTest, NumbersTextsAndTheAccountIdDefault) {
    TSettings& s = settings();
    s.applySysData(QStringLiteral("TaxIniJe"), QStringLiteral("12.5"));
    s.applySysData(QStringLiteral("inidate"), QStringLiteral("2024-01-01"));
    s.applySysData(QStringLiteral("自动备份天数"), QStringLiteral(" 3 "));
    s.applySysData(QStringLiteral("销售单默认收款账户ID"), QStringLiteral("abc"));
    s.applySysData(QStringLiteral("销售单默认收款账户名"), QStringLiteral("现金"));
    EXPECT_EQ(12.5, s.TaxIniJe);
    EXPECT_EQ(QStringLiteral("2024-01-01"), s.IniDate);
    EXPECT_EQ(3, s.AutoBackupDays);
    EXPECT_EQ(0, s.SalesReceiptAccountId);
    EXPECT_EQ(QStringLiteral("现金"), s.SalesReceiptAccountName);
    s.applySysData(QStringLiteral("销售单默认收款账户ID"), QStringLiteral("12"));
    EXPECT_EQ(12, s.SalesReceiptAccountId);
    // An integer setting holding something else is refused and keeps its value.
    s.Period = 4;
    try {
        s.applySysData(QStringLiteral("period"), QStringLiteral("五"));
        ADD_FAILURE() << "no error";
    } catch (const DytError& e) {
        EXPECT_EQ(QStringLiteral("系统参数[period]的值[五]不是整数"), e.message());
    }
    EXPECT_EQ(4, s.Period);
}

TEST_F(SettingsTest, SwitchesOfSysConf) {
    TSettings& s = settings();
    RecordSet rows = confRows({{2001, QStringLiteral("3")},
                               {2002, QStringLiteral("1")},
                               {2003, QStringLiteral("1")},  // not a switch of the list
                               {2004, QStringLiteral("0")},
                               {2014, QStringLiteral("1")},
                               {2021, QStringLiteral("1")},
                               {2022, QStringLiteral("1")},  // gap in the list
                               {2033, QStringLiteral("1")},  // gap in the list
                               {2038, QStringLiteral("1")},  // gap in the list
                               {2042, QStringLiteral("1")},
                               {2005, QStringLiteral("1")},
                               {2028, QStringLiteral("1")},
                               {2029, QStringLiteral("1")},
                               {2030, QStringLiteral("1")},
                               {2031, QStringLiteral("1")}});
    s.applySysConf(rows);
    EXPECT_EQ(3, s.Conf2001);
    EXPECT_TRUE(s.Switch(2002));
    EXPECT_FALSE(s.Switch(2003));
    EXPECT_FALSE(s.Switch(2004));
    EXPECT_TRUE(s.Switch(2014));
    EXPECT_TRUE(s.Switch(2021));
    EXPECT_FALSE(s.Switch(2022));
    EXPECT_FALSE(s.Switch(2033));
    EXPECT_FALSE(s.Switch(2038));
    EXPECT_TRUE(s.Switch(2042));
    EXPECT_TRUE(s.Switch(2005));  // as read, before the forcing
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
    const QList<Case> cases{{3, 1, QStringLiteral("会计期间：3 月")},
                            {12, 2, QStringLiteral("会计期间：12 月")},
                            {3, 0, QStringLiteral("期初")},
                            {0, 1, QStringLiteral("期初")}};
    for (const Case& c : cases) {
        settings().Period = c.period;
        settings().IsOpen = c.isOpen;
        EXPECT_EQ(c.text, settings().periodText()) << c.period << " " << c.isOpen;
    }
}

TEST_F(SettingsTest, LoginDateTextsReachBackThirtyDays) {
    settings().setLoginDateTexts(QDate(2024, 3, 15));
    EXPECT_EQ(QStringLiteral("2024-03-15"), settings().LoginDateText);
    EXPECT_EQ(QStringLiteral("2024-02-14"), settings().LoginDateFromText);
    settings().setLoginDateTexts(QDate(2023, 1, 5));
    EXPECT_EQ(QStringLiteral("2022-12-06"), settings().LoginDateFromText);
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
            transport->respondWith(QStringLiteral("ExecQuery"), [this](const QCborArray& args) {
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

    QStringList sentSql() const {
        QStringList out;
        for (const RecordedCall& c : transport->calls()) {
            if (c.method == QLatin1String("ExecQuery"))
                out.append(c.sql);
        }
        return out;
    }

    static QString purviewSql(int userId, int right) {
        return QStringLiteral("SELECT dbo.fnGetPurview(%1,'%2') as value").arg(userId).arg(right);
    }

    std::map<QString, RecordSet> answers;
    std::map<QString, QString> failures;
};

TEST_F(LoadSettingsTest, SendsTheQueriesInOrderAndStoresWhatComesBack) {
    answers[QStringLiteral("SELECT * FROM sysData")] =
        nameValueRows({{QStringLiteral("period"), QStringLiteral("4")},
                       {QStringLiteral("isOpen"), QStringLiteral("1")},
                       {QStringLiteral("qtydot"), QStringLiteral("0")},
                       {QStringLiteral("PriceDot"), QStringLiteral("3")}});
    answers[QStringLiteral("SELECT * FROM sysConf")] =
        confRows({{2004, QStringLiteral("1")}, {2028, QStringLiteral("1")}});
    answers[purviewSql(7, 6003)] = oneValue(QStringLiteral("value"), 1);
    answers[purviewSql(7, 6004)] = oneValue(QStringLiteral("value"), 1);
    answers[purviewSql(7, 6005)] = oneValue(QStringLiteral("value"), 0);
    answers[purviewSql(7, 6016)] = oneValue(QStringLiteral("value"), 1);
    RecordSet fields;
    fields.addField(QStringLiteral("code"), FieldType::Text);
    fields.addField(QStringLiteral("name"), FieldType::Text);
    fields.appendRow({QStringLiteral("sp_spbh"), QStringLiteral("商品编号")});
    answers[QStringLiteral("SELECT * FROM baseFieldNames")] = fields;
    RecordSet djb;
    djb.addField(QStringLiteral("id"), FieldType::Integer);
    djb.addField(QStringLiteral("inputnum"), FieldType::Integer);
    djb.addField(QStringLiteral("InputName1"), FieldType::Text);
    djb.addField(QStringLiteral("InputName2"), FieldType::Text);
    djb.addField(QStringLiteral("InputID2"), FieldType::Integer);
    djb.appendRow({5, 2, QStringLiteral("制单"), QStringLiteral("审核"), 9});
    answers[QStringLiteral("SELECT * FROM sysdjb")] = djb;
    answers[QStringLiteral("SELECT TOP 1 id  FROM baseCuXiao WHERE isStop = 0")] =
        oneValue(QStringLiteral("id"), 3);
    answers[QStringLiteral("SELECT dbo.fnGetInterfaceKMID('预收账款') as yushoukm_id ")] =
        oneValue(QStringLiteral("yushoukm_id"), 2203);
    serve();
    settings().LoginDate = QDate(2024, 5, 31);

    EXPECT_TRUE(LoadSettings());

    QStringList expected{QStringLiteral("SELECT * FROM sysData"),
                         QStringLiteral("SELECT * FROM sysConf")};
    for (int right : {6003, 6004, 6005, 6006, 6007, 6009, 6010, 6013, 6016, 6017})
        expected.append(purviewSql(7, right));
    expected << QStringLiteral("SELECT * FROM baseFieldNames")
             << QStringLiteral("SELECT * FROM sysdjb")
             << QStringLiteral("SELECT TOP 1 id  FROM baseCuXiao WHERE isStop = 0")
             << QStringLiteral(
                    "SELECT TOP 1 a.id FROM djIndex AS a WHERE a.dj_state = 2 AND a.djType = 71")
             << QStringLiteral("SELECT dbo.fnGetInterfaceKMID('预收账款') as yushoukm_id ");
    EXPECT_EQ(expected, sentSql());

    const TSettings& s = settings();
    EXPECT_EQ(4, s.Period);
    EXPECT_EQ(QStringLiteral("0."), s.QtyPattern);
    EXPECT_EQ(QStringLiteral("0.000"), s.PricePattern);
    EXPECT_EQ(QStringLiteral("0.00"), s.AmountPattern);  // totaldot missing: the default stays
    EXPECT_TRUE(s.Switch(2004));
    EXPECT_FALSE(s.Switch(2028));
    EXPECT_TRUE(s.SeeCost);
    EXPECT_TRUE(s.Right(6004));
    EXPECT_FALSE(s.Right(6005));
    EXPECT_FALSE(s.Right(6016));  // held, so the inverted flag is off
    EXPECT_FALSE(s.Right(6017));
    EXPECT_EQ(QStringLiteral("2024-05-31"), s.LoginDateText);
    EXPECT_EQ(QStringLiteral("2024-05-01"), s.LoginDateFromText);
    EXPECT_EQ(QStringLiteral("商品编号"), s.FieldCaption(QStringLiteral("SP_SPBH")));
    ASSERT_TRUE(s.BillAuditSteps.contains(5));
    EXPECT_EQ(2, s.BillAuditSteps[5].inputNum);
    EXPECT_EQ(QStringLiteral("审核"), s.BillAuditSteps[5].names[1]);
    EXPECT_EQ(9, s.BillAuditSteps[5].operatorIds[1]);
    EXPECT_TRUE(s.HasPromotions);
    EXPECT_FALSE(s.HasGiftContractDrafts);
    EXPECT_EQ(2203, s.AdvanceReceiptSubjectId);
    EXPECT_EQ(QStringLiteral("会计期间：4 月"), s.StatusPeriodText);
    EXPECT_TRUE(script.messages().isEmpty());
}

TEST_F(LoadSettingsTest, RightSixteenIsStoredInverted) {
    loginedUser().UserId = 2;
    serve();  // every purview query answers no row
    EXPECT_TRUE(LoadSettings());
    EXPECT_TRUE(settings().Right(6016));
    EXPECT_FALSE(settings().SeeCost);
    EXPECT_EQ(QStringLiteral("期初"), settings().StatusPeriodText);
}

TEST_F(LoadSettingsTest, FieldNameAndAuditFailuresAreShownAndTheLoadGoesOn) {
    failures[QStringLiteral("SELECT * FROM baseFieldNames")] = QStringLiteral("对象名无效");
    failures[QStringLiteral("SELECT * FROM sysdjb")] = QStringLiteral("超时");
    answers[QStringLiteral(
        "SELECT TOP 1 a.id FROM djIndex AS a WHERE a.dj_state = 2 AND a.djType = 71")] =
        oneValue(QStringLiteral("id"), 1);
    serve();
    EXPECT_TRUE(LoadSettings());
    EXPECT_EQ((QStringList{QStringLiteral("读取基本信息字段配置信息失败:对象名无效"),
                           QStringLiteral("读取单据审核配置信息失败:超时")}),
              script.messages());
    ASSERT_EQ(2, script.records(PromptKind::Message).size());
    EXPECT_EQ(QStringLiteral("提示"), script.records(PromptKind::Message).at(0).caption);
    EXPECT_TRUE(settings().HasGiftContractDrafts);
}

TEST_F(LoadSettingsTest, AnyOtherFailureEndsTheLoadAndKeepsWhatWasStored) {
    answers[QStringLiteral("SELECT * FROM sysData")] =
        nameValueRows({{QStringLiteral("period"), QStringLiteral("6")}});
    failures[QStringLiteral("SELECT * FROM sysConf")] = QStringLiteral("连接中断");
    serve();
    EXPECT_FALSE(LoadSettings());
    EXPECT_EQ(QStringList{QStringLiteral("读取配置信息失败:连接中断")}, script.messages());
    EXPECT_EQ(QStringLiteral("提示"), script.records(PromptKind::Message).at(0).caption);
    EXPECT_EQ(6, settings().Period);
    EXPECT_EQ(2, sentSql().size());  // nothing after the failing query
    EXPECT_EQ(QString(), settings().StatusPeriodText);
}

TEST_F(LoadSettingsTest, ABadValueEndsTheLoadWithItsMessage) {
    answers[QStringLiteral("SELECT * FROM sysData")] =
        nameValueRows({{QStringLiteral("qtydot"), QStringLiteral("two")}});
    serve();
    EXPECT_FALSE(LoadSettings());
    EXPECT_EQ(QStringList{QStringLiteral("读取配置信息失败:系统参数[qtydot]的值[two]不是整数")},
              script.messages());
    EXPECT_EQ(1, sentSql().size());
}
