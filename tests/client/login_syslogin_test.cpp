// The login object against the recording transport: requests, answers, session registration,
// the operation log; the configuration file and the workstation identity.

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QSysInfo>

#include "client/logic/platform.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "login_support.h"
#include "protocol/protocol.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;

namespace {

using dyt::test::errorOf;

QString replyLines() {
    return proto::joinLines({u"UserName=张三"_s, u"UserCode=001"_s, u"UserId=5"_s,
                             u"dbUserName=sa"_s, u"dbPassword=pw"_s});
}
class LoginTest : public test::LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        ASSERT_TRUE(dm->ConnectServer(u"srv:8019"_s, false, 1));
        TLoginedUser& user = loginedUser();
        user.HostName = u"PC-01"_s;
        user.IpAddr = u"10.0.0.9"_s;
        user.MacAddr = u"1A2B3C4D"_s;
        transport->clearCalls();
    }
    QStringList updates() const { return sqlOf(u"ExecUpdate"_s); }
};

}  // namespace

TEST(LoginPlatform, WorkstationIdIsTheFirstFourBytesOfTheSha1InUpperCaseHex) {
    // SHA-1("abc") = a9993e36 4706816a ba3e2571 7850c26c 9cd0d89d (FIPS 180 example).
    EXPECT_EQ(u"A9993E36"_s, platform::workstationIdOf("abc"));
    // SHA-1("") = da39a3ee 5e6b4b0d ...
    EXPECT_EQ(u"DA39A3EE"_s, platform::workstationIdOf(QByteArray()));
}
TEST(LoginPlatform, TheSessionRecordCarriesComputerNameAndStableIdentity) {
    const QString id = platform::workstationId();
    EXPECT_TRUE(QRegularExpression(u"^[0-9A-F]{8}$"_s).match(id).hasMatch()) << id.toStdString();
    EXPECT_EQ(id, platform::workstationId());
    const QByteArray identity = QSysInfo::machineUniqueId().trimmed();
    if (!identity.isEmpty()) {
        EXPECT_EQ(QString::fromLatin1(QCryptographicHash::hash(identity, QCryptographicHash::Sha1)
                                          .left(4)
                                          .toHex()
                                          .toUpper()),
                  id);
    }
    resetSession();
    EXPECT_EQ(QSysInfo::machineHostName(), loginedUser().HostName);
    EXPECT_EQ(id, loginedUser().MacAddr);
    EXPECT_TRUE(loginedUser().UserName.isEmpty());
}

TEST_F(LoginTest, ConfigurationFileKeepsClientKeysInItsSection) {
    EXPECT_EQ(QString(), config().read(configkey::serverIp()));
    EXPECT_EQ(u"0"_s, config().read(configkey::userId(), u"0"_s));
    config().write(configkey::serverIp(), u"192.168.1.5"_s);
    config().write(configkey::profileName(), u"dytv1_2"_s);
    QFile file(config().fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(QByteArray("[_CLIENT_]\r\nServerIP=192.168.1.5\r\nProfileName=dytv1_2\r\n"), bytes);
    // Another object over the same folder reads what the first wrote.
    ClientConfig again(dir.path());
    EXPECT_EQ(u"192.168.1.5"_s, again.read(u"serverip"_s));
    EXPECT_EQ(u"dytv1_2"_s, again.read(configkey::profileName()));
}

TEST_F(LoginTest, RequestLinesFollowTheServerOrder) {
    struct Row {
        const char* name;
        int mode;
        QString number;
        QString label;
    };
    const Row rows[] = {{"full", kFullMode, u"1"_s, u"正式版"_s},
                        {"query-only", kQueryOnlyMode, u"0"_s, u"查询版"_s}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        setRunMode(row.mode);
        const ParamList request = loginRequest(u"dytv1_1"_s, u"账套甲"_s, u"张三"_s, u"1"_s);
        const QStringList expected{
            u"dytv1_1"_s,  u"账套甲"_s,           u"张三"_s,        u"PC-01"_s,
            u"10.0.0.9"_s, u"1A2B3C4D"_s,         row.number,       row.label,
            u"dytv1"_s,    u"UpdateFlag=Check"_s, u"LoginType=1"_s, u"V11.0.140215"_s};
        EXPECT_EQ(expected, request.lines());
        EXPECT_EQ(u"UpdateFlag=Check"_s, request.line(kUpdateFlagLine));
    }
}
TEST_F(LoginTest, SuccessFillsTheSessionRecordFromTheReply) {
    config().write(configkey::loginMode(), u"1"_s);
    transport->respond(u"Login"_s, 0, {replyLines()});
    EXPECT_TRUE(sysLogin().Login(u" dytv1_1 "_s, u" 账套甲 "_s, u"001"_s, u"5"_s, u"secret"_s));
    EXPECT_TRUE(sysLogin().LoggedIn);
    EXPECT_TRUE(isLoggedIn());
    const TLoginedUser& u = loginedUser();
    EXPECT_EQ(5, u.UserId);
    EXPECT_EQ((QStringList{u"dytv1_1"_s, u"账套甲"_s, u"secret"_s, u"张三"_s, u"001"_s, u"sa"_s,
                           u"pw"_s}),
              (QStringList{u.ProfileName, u.ProfileCaption, u.Password, u.UserName, u.UserCode,
                           u.dbUserName, u.dbPassword}));
    const QList<RecordedCall> logins = callsOf(u"Login"_s);
    ASSERT_EQ(1, logins.size());
    const ParamList sent(logins[0].args.at(0).toString());
    EXPECT_EQ(u" dytv1_1 "_s, sent.line(0));
    EXPECT_EQ(u"LoginType=1"_s, sent.line(10));
    EXPECT_EQ(u"5"_s, logins[0].args.at(1).toString());
    EXPECT_EQ(u"secret"_s, logins[0].args.at(2).toString());
    // Without a workstation code nothing is registered.
    EXPECT_EQ(QStringList(), updates());
    EXPECT_EQ(QStringList(), script.messages());
}
TEST_F(LoginTest, UpgradeAnswerRepeatsTheLoginWithUpdateFlagUnderProgress) {
    const QString ask = u"账套[甲]的版本(1)低于系统版本(2)，需要升级后才能使用。"_s;
    transport->respond(u"Login"_s, -9, {ask});
    transport->respond(u"Login"_s, 0, {replyLines()});
    script.answer(u"确定升级"_s, ask);
    EXPECT_TRUE(sysLogin().Login(u"dytv1_1"_s, u"甲"_s, u"张三"_s, u"5"_s, QString()));
    const QList<RecordedCall> logins = callsOf(u"Login"_s);
    ASSERT_EQ(2, logins.size());
    EXPECT_EQ(u"UpdateFlag=Check"_s, ParamList(logins[0].args.at(0).toString()).line(9));
    EXPECT_EQ(u"Update"_s, ParamList(logins[1].args.at(0).toString()).value(u"UpdateFlag"_s));
    const QList<PromptRecord> questions = script.records(PromptKind::Question);
    ASSERT_EQ(1, questions.size());
    EXPECT_EQ(u"系统警告"_s, questions[0].caption);
    EXPECT_EQ((QStringList{u"确定升级"_s, u"放弃退出"_s}), questions[0].buttons);
    EXPECT_EQ(QStringList{u"系统正在升级账套,请耐心等待几分钟...."_s}, script.progressTexts());
    EXPECT_FALSE(script.progressVisible());
    EXPECT_EQ(0, quitCalls);
}
TEST_F(LoginTest, AnswersThatEndTheProgram) {
    struct Row {
        const char* name;
        int code;
        bool asks;
    };
    const Row rows[] = {{"upgrade declined", -9, true}, {"refused", -8, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sysLogin().setProgramEnding(false);
        quitCalls = 0;
        ASSERT_TRUE(dm->ConnectServer(u"srv:8019"_s, false, 1));
        transport->clearCalls();
        script.clearRecords();
        const QString text = u"账套[甲]不能使用"_s;
        transport->respond(u"Login"_s, row.code, {text});
        if (row.asks)
            script.answer(u"放弃退出"_s, text);
        EXPECT_FALSE(sysLogin().Login(u"dytv1_1"_s, u"甲"_s, u"张三"_s, u"5"_s, QString()));
        EXPECT_EQ(test::clientValuesText(1, 1, false, true, false),
                  test::clientValuesText(callsOf(u"Login"_s).size(), quitCalls, dm->Connected(),
                                         sysLogin().programEnding(), sysLogin().LoggedIn));
        const auto shown = script.records(row.asks ? PromptKind::Question : PromptKind::Message);
        ASSERT_EQ(1, shown.size());
        EXPECT_EQ(u"系统警告|"_s + text, shown[0].caption + u'|' + shown[0].text);
    }
}
TEST_F(LoginTest, TypedLineBreakIsRefusedBeforeAnythingIsSent) {
    EXPECT_NE(QString(), errorOf([&] {
                  sysLogin().Login(u"dytv1_1"_s, u"甲"_s, u"张\r\nUpdateFlag=Update"_s, u"5"_s,
                                   QString());
              }));
    EXPECT_EQ(0, callsOf(u"Login"_s).size());
}
TEST_F(LoginTest, TypedNameLookingLikeTheUpdateFlagDoesNotHideTheRealOne) {
    const QString ask = u"需要升级"_s;
    transport->respond(u"Login"_s, -9, {ask});
    transport->respond(u"Login"_s, 0, {replyLines()});
    script.answer(u"确定升级"_s, ask);
    EXPECT_TRUE(
        sysLogin().Login(u"dytv1_1"_s, u"甲"_s, u"UpdateFlag=x"_s, u"UpdateFlag=x"_s, QString()));
    const ParamList second(callsOf(u"Login"_s).at(1).args.at(0).toString());
    EXPECT_EQ(u"UpdateFlag=x"_s, second.line(2));
    EXPECT_EQ(u"UpdateFlag=Update"_s, second.line(9));
}

TEST_F(LoginTest, SessionIsRegisteredUnderTheLowerCasedCodeWithQuotesDoubled) {
    EXPECT_EQ(u" insert into syssession(id, PcID) values(@@spid, 'pc''a') "_s,
              sessionInsertSql(u"Pc'A"_s));
    config().write(configkey::clientId(), u"Pc'A"_s);
    EXPECT_EQ(u"Pc'A"_s, sysLogin().GetClientID());
    transport->respond(u"Login"_s, 0, {replyLines()});
    EXPECT_TRUE(sysLogin().Login(u"dytv1_1"_s, u"甲"_s, u"张三"_s, u"5"_s, QString()));
    EXPECT_EQ((QStringList{u" delete syssession where id = @@spid"_s,
                           u" insert into syssession(id, PcID) values(@@spid, 'pc''a') "_s}),
              updates());
}
TEST_F(LoginTest, FailedRegistrationIsShownAndTheLoginStands) {
    config().write(configkey::clientId(), u"PC7"_s);
    transport->respond(u"Login"_s, 0, {replyLines()});
    transport->respond(u"ExecUpdate"_s, -1, {u"表syssession不存在"_s});
    EXPECT_TRUE(sysLogin().Login(u"dytv1_1"_s, u"甲"_s, u"张三"_s, u"5"_s, QString()));
    EXPECT_TRUE(sysLogin().LoggedIn);
    const auto shown = script.records(PromptKind::Message);
    ASSERT_EQ(1, shown.size());
    EXPECT_EQ(u"系统提示|表syssession不存在"_s, shown[0].caption + u'|' + shown[0].text);
    EXPECT_EQ(1, updates().size());
}
TEST_F(LoginTest, SetClientIdStoresTheCodeAndRegistersAgain) {
    sysLogin().SetClientID(u"KASSE2"_s);
    EXPECT_EQ(u"KASSE2"_s, ClientConfig(dir.path()).read(u"ClientID"_s));
    EXPECT_EQ((QStringList{u" delete syssession where id = @@spid"_s,
                           u" insert into syssession(id, PcID) values(@@spid, 'kasse2') "_s}),
              updates());
    // In the query-only mode nothing data-changing is sent.
    transport->clearCalls();
    setRunMode(kQueryOnlyMode);
    EXPECT_FALSE(sysLogin().registerSession());
    EXPECT_EQ(QStringList(), updates());
}

TEST_F(LoginTest, WriteLogSendsTheLinesOfTheLogProcedure) {
    TLoginedUser& u = loginedUser();
    u.UserName = u"张三"_s;
    u.UserId = 5;
    struct Row {
        int kind;
        QString text;
    };
    const Row rows[] = {
        {0, u"执行菜单[进货单]"_s}, {1, u"打开窗口[进货单]"_s}, {2, u"关闭窗口[进货单]"_s}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        transport->clearCalls();
        EXPECT_TRUE(sysLogin().WriteLog(row.kind, u"进货单"_s, u"1001"_s));
        const QList<RecordedCall> procs = callsOf(u"ExecProc"_s);
        ASSERT_EQ(1, procs.size());
        EXPECT_EQ(u"p_sys_Up_Log"_s, procs[0].procedure);
        const QStringList expected{
            u"logUserName=张三"_s,       u"logUserId=5"_s,         u"logHostName=PC-01"_s,
            u"logIpAddr=10.0.0.9"_s,     u"logMacAddr=1A2B3C4D"_s, u"logMsgType=%1"_s.arg(row.kind),
            u"logMsgCont="_s + row.text, u"aTag=1001"_s,           u"czy_id=5"_s};
        EXPECT_EQ(expected, procs[0].paramLines);
    }
    EXPECT_NE(QString(), errorOf([&] { sysLogin().WriteLog(3, u"x"_s, QString()); }));
}
TEST_F(LoginTest, WriteLogIsSkippedWhenItCannotOrNeedNotRun) {
    struct Row {
        const char* name;
        bool ending;
        bool connected;
        QString text;
    };
    const Row rows[] = {{"program ending", true, true, u"进货单"_s},
                        {"not connected", false, false, u"进货单"_s},
                        {"empty text", false, true, QString()}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sysLogin().setProgramEnding(row.ending);
        if (row.connected)
            ASSERT_TRUE(dm->ConnectServer(u"srv:8019"_s, false, 1));
        else
            dm->Disconnect();
        transport->clearCalls();
        EXPECT_FALSE(sysLogin().WriteLog(kLogOpenWindow, row.text, u"1"_s));
        EXPECT_EQ(0, callsOf(u"ExecProc"_s).size());
    }
    // Query-only mode still writes the log.
    sysLogin().setProgramEnding(false);
    ASSERT_TRUE(dm->ConnectServer(u"srv:8019"_s, false, 1));
    setRunMode(kQueryOnlyMode);
    EXPECT_TRUE(sysLogin().WriteLog(kLogMenu, u"进货单"_s, u"1"_s));
}

TEST_F(LoginTest, ReloginUsesTheSessionRecordByIdOrByCode) {
    struct Row {
        const char* name;
        QString loginMode;
        QString userText;
        QString idText;
    };
    const Row rows[] = {{"list mode", u"0"_s, u"王五"_s, u"5"_s},
                        {"typed-name mode", u"1"_s, u"005"_s, u"005"_s}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        config().write(configkey::loginMode(), row.loginMode);
        TLoginedUser& u = loginedUser();
        u.ProfileName = u"dytv1_4"_s;
        u.ProfileCaption = u"丁公司"_s;
        u.UserName = u"王五"_s;
        u.UserCode = u"005"_s;
        u.UserId = 5;
        u.Password = u"pw"_s;
        transport->clearCalls();
        transport->respond(u"Login"_s, 0, {replyLines()});
        EXPECT_TRUE(sysLogin().Relogin());
        const RecordedCall login = callsOf(u"Login"_s).value(0);
        const QStringList request = ParamList(login.args.at(0).toString()).lines();
        EXPECT_EQ((QStringList{u"dytv1_4"_s, u"丁公司"_s, row.userText, row.idText, u"pw"_s}),
                  request.mid(0, 3) << login.args.at(1).toString() << login.args.at(2).toString());
    }
}
TEST_F(LoginTest, ReconnectLogsInAgainAndRegistersInsideTheRunningCall) {
    config().write(configkey::clientId(), u"PC7"_s);
    loginedUser().ProfileName = u"dytv1_4"_s;
    loginedUser().UserId = 5;
    setLoggedIn(true);
    dm->relogin = [] { return sysLogin().Relogin(); };
    transport->drop();
    transport->respond(u"Login"_s, 0, {replyLines()});
    RecordSet rs;
    dm->ExecQuery(u"select 1"_s, &rs);
    // The lost connection is opened again and the operator logged in again; the registration
    // goes straight to the server while the query holds the call channel.
    EXPECT_EQ((QStringList{u"InitDataBase"_s, u"Login"_s, u"ExecUpdate"_s, u"ExecUpdate"_s,
                           u"ExecQuery"_s}),
              transport->methods(false));
    EXPECT_EQ((QStringList{u" delete syssession where id = @@spid"_s,
                           u" insert into syssession(id, PcID) values(@@spid, 'pc7') "_s}),
              updates());
    EXPECT_EQ(QStringList(), script.messages());
    EXPECT_FALSE(dm->CallBusy());
}
