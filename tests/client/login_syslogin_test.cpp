// The login object against the recording transport: the request lines, the answers of the
// server (success, upgrade, refusal, wrong password), the session registration, the workstation
// code and the operation log; the configuration file and the workstation identity.

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
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
    return proto::joinLines({QStringLiteral("UserName=张三"), QStringLiteral("UserCode=001"),
                             QStringLiteral("UserId=5"), QStringLiteral("dbUserName=sa"),
                             QStringLiteral("dbPassword=pw")});
}

class LoginTest : public test::LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        ASSERT_TRUE(dm->ConnectServer(QStringLiteral("srv:8019"), false, 1));
        TLoginedUser& user = loginedUser();
        user.HostName = QStringLiteral("PC-01");
        user.IpAddr = QStringLiteral("10.0.0.9");
        user.MacAddr = QStringLiteral("1A2B3C4D");
        transport->clearCalls();
    }
    QStringList updates() const {
        QStringList out;
        for (const RecordedCall& c : callsOf(QStringLiteral("ExecUpdate")))
            out.append(c.sql);
        return out;
    }
};

}  // namespace

// --- workstation identity and the session record

TEST(LoginPlatform, WorkstationIdIsTheFirstFourBytesOfTheSha1InUpperCaseHex) {
    // SHA-1("abc") = a9993e36 4706816a ba3e2571 7850c26c 9cd0d89d (FIPS 180 example).
    EXPECT_EQ(QStringLiteral("A9993E36"), platform::workstationIdOf("abc"));
    // SHA-1("") = da39a3ee 5e6b4b0d ...
    EXPECT_EQ(QStringLiteral("DA39A3EE"), platform::workstationIdOf(QByteArray()));
}

TEST(LoginPlatform, TheSessionRecordCarriesComputerNameAndStableIdentity) {
    const QString id = platform::workstationId();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{8}$")).match(id).hasMatch())
        << id.toStdString();
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

// --- the configuration file

TEST_F(LoginTest, ConfigurationFileKeepsClientKeysInItsSection) {
    EXPECT_EQ(QStringLiteral("dytv1config.ini"), QFileInfo(config().fileName()).fileName());
    EXPECT_EQ(QString(), config().read(configkey::serverIp()));
    EXPECT_EQ(QStringLiteral("0"), config().read(configkey::userId(), QStringLiteral("0")));
    config().write(configkey::serverIp(), QStringLiteral("192.168.1.5"));
    config().write(configkey::profileName(), QStringLiteral("dytv1_2"));

    QFile file(config().fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(QByteArray("[_CLIENT_]\r\nServerIP=192.168.1.5\r\nProfileName=dytv1_2\r\n"), bytes);

    // Another object over the same folder reads what the first wrote.
    ClientConfig again(dir.path());
    EXPECT_EQ(QStringLiteral("192.168.1.5"), again.read(QStringLiteral("serverip")));
    EXPECT_EQ(QStringLiteral("dytv1_2"), again.read(configkey::profileName()));
}

// --- the request

TEST_F(LoginTest, RequestLinesFollowTheServerOrder) {
    struct Row {
        const char* name;
        int mode;
        QString number;
        QString label;
    };
    const Row rows[] = {
        {"full", kFullMode, QStringLiteral("1"), QStringLiteral("正式版")},
        {"query-only", kQueryOnlyMode, QStringLiteral("0"), QStringLiteral("查询版")}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        setRunMode(row.mode);
        const ParamList request = loginRequest(QStringLiteral("dytv1_1"), QStringLiteral("账套甲"),
                                               QStringLiteral("张三"), QStringLiteral("1"));
        const QStringList expected{QStringLiteral("dytv1_1"),
                                   QStringLiteral("账套甲"),
                                   QStringLiteral("张三"),
                                   QStringLiteral("PC-01"),
                                   QStringLiteral("10.0.0.9"),
                                   QStringLiteral("1A2B3C4D"),
                                   row.number,
                                   row.label,
                                   QStringLiteral("dytv1"),
                                   QStringLiteral("UpdateFlag=Check"),
                                   QStringLiteral("LoginType=1"),
                                   QStringLiteral("V11.0.140215")};
        EXPECT_EQ(expected, request.lines());
        EXPECT_EQ(QStringLiteral("UpdateFlag=Check"), request.line(kUpdateFlagLine));
    }
}

TEST_F(LoginTest, SuccessFillsTheSessionRecordFromTheReply) {
    config().write(configkey::loginMode(), QStringLiteral("1"));
    transport->respond(QStringLiteral("Login"), 0, {replyLines()});
    EXPECT_TRUE(sysLogin().Login(QStringLiteral(" dytv1_1 "), QStringLiteral(" 账套甲 "),
                                 QStringLiteral("001"), QStringLiteral("5"),
                                 QStringLiteral("secret")));
    EXPECT_TRUE(sysLogin().LoggedIn);
    EXPECT_TRUE(isLoggedIn());
    const TLoginedUser& u = loginedUser();
    EXPECT_EQ(QStringLiteral("dytv1_1"), u.ProfileName);
    EXPECT_EQ(QStringLiteral("账套甲"), u.ProfileCaption);
    EXPECT_EQ(QStringLiteral("secret"), u.Password);
    EXPECT_EQ(QStringLiteral("张三"), u.UserName);
    EXPECT_EQ(QStringLiteral("001"), u.UserCode);
    EXPECT_EQ(5, u.UserId);
    EXPECT_EQ(QStringLiteral("sa"), u.dbUserName);
    EXPECT_EQ(QStringLiteral("pw"), u.dbPassword);

    const QList<RecordedCall> logins = callsOf(QStringLiteral("Login"));
    ASSERT_EQ(1, logins.size());
    const ParamList sent(logins[0].args.at(0).toString());
    EXPECT_EQ(QStringLiteral(" dytv1_1 "), sent.line(0));
    EXPECT_EQ(QStringLiteral("LoginType=1"), sent.line(10));
    EXPECT_EQ(QStringLiteral("5"), logins[0].args.at(1).toString());
    EXPECT_EQ(QStringLiteral("secret"), logins[0].args.at(2).toString());
    // Without a workstation code nothing is registered.
    EXPECT_EQ(QStringList(), updates());
    EXPECT_EQ(QStringList(), script.messages());
}

TEST_F(LoginTest, UpgradeAnswerRepeatsTheLoginWithUpdateFlagUnderProgress) {
    const QString ask = QStringLiteral("账套[甲]的版本(1)低于系统版本(2)，需要升级后才能使用。");
    transport->respond(QStringLiteral("Login"), -9, {ask});
    transport->respond(QStringLiteral("Login"), 0, {replyLines()});
    script.answer(QStringLiteral("确定升级"), ask);
    EXPECT_TRUE(sysLogin().Login(QStringLiteral("dytv1_1"), QStringLiteral("甲"),
                                 QStringLiteral("张三"), QStringLiteral("5"), QString()));
    const QList<RecordedCall> logins = callsOf(QStringLiteral("Login"));
    ASSERT_EQ(2, logins.size());
    EXPECT_EQ(QStringLiteral("UpdateFlag=Check"),
              ParamList(logins[0].args.at(0).toString()).line(9));
    EXPECT_EQ(QStringLiteral("Update"),
              ParamList(logins[1].args.at(0).toString()).value(QStringLiteral("UpdateFlag")));
    const QList<PromptRecord> questions = script.records(PromptKind::Question);
    ASSERT_EQ(1, questions.size());
    EXPECT_EQ(QStringLiteral("系统警告"), questions[0].caption);
    EXPECT_EQ((QStringList{QStringLiteral("确定升级"), QStringLiteral("放弃退出")}),
              questions[0].buttons);
    EXPECT_EQ(QStringList{QStringLiteral("系统正在升级账套,请耐心等待几分钟....")},
              script.progressTexts());
    EXPECT_FALSE(script.progressVisible());
    EXPECT_EQ(0, quitCalls);
}

TEST_F(LoginTest, AnswersThatEndTheProgram) {
    struct Row {
        const char* name;
        int code;
        bool asks;
        QString caption;
    };
    const Row rows[] = {{"upgrade declined", -9, true, QStringLiteral("系统警告")},
                        {"refused", -8, false, QStringLiteral("系统警告")}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sysLogin().setProgramEnding(false);
        quitCalls = 0;
        ASSERT_TRUE(dm->ConnectServer(QStringLiteral("srv:8019"), false, 1));
        transport->clearCalls();
        script.clearRecords();
        const QString text = QStringLiteral("账套[甲]不能使用");
        transport->respond(QStringLiteral("Login"), row.code, {text});
        if (row.asks)
            script.answer(QStringLiteral("放弃退出"), text);
        EXPECT_FALSE(sysLogin().Login(QStringLiteral("dytv1_1"), QStringLiteral("甲"),
                                      QStringLiteral("张三"), QStringLiteral("5"), QString()));
        EXPECT_EQ(1, callsOf(QStringLiteral("Login")).size());
        EXPECT_EQ(1, quitCalls);
        EXPECT_FALSE(dm->Connected());
        EXPECT_TRUE(sysLogin().programEnding());
        EXPECT_FALSE(sysLogin().LoggedIn);
        if (!row.asks) {
            ASSERT_EQ(1, script.records(PromptKind::Message).size());
            EXPECT_EQ(row.caption, script.records(PromptKind::Message)[0].caption);
            EXPECT_EQ(text, script.records(PromptKind::Message)[0].text);
        }
    }
}

TEST_F(LoginTest, OtherRefusalShowsTheServerMessageAndKeepsTheConnection) {
    transport->respond(QStringLiteral("Login"), -3, {QStringLiteral("口令错误，请重新输入！")});
    EXPECT_FALSE(sysLogin().Login(QStringLiteral("dytv1_1"), QStringLiteral("甲"),
                                  QStringLiteral("张三"), QStringLiteral("5"),
                                  QStringLiteral("bad")));
    ASSERT_EQ(1, script.records(PromptKind::Message).size());
    EXPECT_EQ(QStringLiteral("提示"), script.records(PromptKind::Message)[0].caption);
    EXPECT_EQ(QStringLiteral("口令错误，请重新输入！"),
              script.records(PromptKind::Message)[0].text);
    EXPECT_FALSE(sysLogin().LoggedIn);
    EXPECT_FALSE(sysLogin().programEnding());
    EXPECT_TRUE(dm->Connected());
    EXPECT_EQ(0, quitCalls);
    EXPECT_TRUE(loginedUser().UserName.isEmpty());
}

TEST_F(LoginTest, TypedLineBreakIsRefusedBeforeAnythingIsSent) {
    EXPECT_NE(QString(), errorOf([&] {
                  sysLogin().Login(QStringLiteral("dytv1_1"), QStringLiteral("甲"),
                                   QStringLiteral("张\r\nUpdateFlag=Update"), QStringLiteral("5"),
                                   QString());
              }));
    EXPECT_EQ(0, callsOf(QStringLiteral("Login")).size());
}

TEST_F(LoginTest, TypedNameLookingLikeTheUpdateFlagDoesNotHideTheRealOne) {
    const QString ask = QStringLiteral("需要升级");
    transport->respond(QStringLiteral("Login"), -9, {ask});
    transport->respond(QStringLiteral("Login"), 0, {replyLines()});
    script.answer(QStringLiteral("确定升级"), ask);
    EXPECT_TRUE(sysLogin().Login(QStringLiteral("dytv1_1"), QStringLiteral("甲"),
                                 QStringLiteral("UpdateFlag=x"), QStringLiteral("UpdateFlag=x"),
                                 QString()));
    const ParamList second(callsOf(QStringLiteral("Login")).at(1).args.at(0).toString());
    EXPECT_EQ(QStringLiteral("UpdateFlag=x"), second.line(2));
    EXPECT_EQ(QStringLiteral("UpdateFlag=Update"), second.line(9));
}

// --- the workstation code and the session registration

TEST_F(LoginTest, SessionIsRegisteredUnderTheLowerCasedCodeWithQuotesDoubled) {
    EXPECT_EQ(QStringLiteral(" insert into syssession(id, PcID) values(@@spid, 'pc''a') "),
              sessionInsertSql(QStringLiteral("Pc'A")));
    config().write(configkey::clientId(), QStringLiteral("Pc'A"));
    EXPECT_EQ(QStringLiteral("Pc'A"), sysLogin().GetClientID());
    transport->respond(QStringLiteral("Login"), 0, {replyLines()});
    EXPECT_TRUE(sysLogin().Login(QStringLiteral("dytv1_1"), QStringLiteral("甲"),
                                 QStringLiteral("张三"), QStringLiteral("5"), QString()));
    EXPECT_EQ(
        (QStringList{QStringLiteral(" delete syssession where id = @@spid"),
                     QStringLiteral(" insert into syssession(id, PcID) values(@@spid, 'pc''a') ")}),
        updates());
}

TEST_F(LoginTest, FailedRegistrationIsShownAndTheLoginStands) {
    config().write(configkey::clientId(), QStringLiteral("PC7"));
    transport->respond(QStringLiteral("Login"), 0, {replyLines()});
    transport->respond(QStringLiteral("ExecUpdate"), -1, {QStringLiteral("表syssession不存在")});
    EXPECT_TRUE(sysLogin().Login(QStringLiteral("dytv1_1"), QStringLiteral("甲"),
                                 QStringLiteral("张三"), QStringLiteral("5"), QString()));
    EXPECT_TRUE(sysLogin().LoggedIn);
    ASSERT_EQ(1, script.records(PromptKind::Message).size());
    EXPECT_EQ(QStringLiteral("系统提示"), script.records(PromptKind::Message)[0].caption);
    EXPECT_EQ(QStringLiteral("表syssession不存在"), script.records(PromptKind::Message)[0].text);
    EXPECT_EQ(1, updates().size());
}

TEST_F(LoginTest, SetClientIdStoresTheCodeAndRegistersAgain) {
    sysLogin().SetClientID(QStringLiteral("KASSE2"));
    EXPECT_EQ(QStringLiteral("KASSE2"), ClientConfig(dir.path()).read(QStringLiteral("ClientID")));
    EXPECT_EQ((QStringList{
                  QStringLiteral(" delete syssession where id = @@spid"),
                  QStringLiteral(" insert into syssession(id, PcID) values(@@spid, 'kasse2') ")}),
              updates());

    // In the query-only mode nothing data-changing is sent.
    transport->clearCalls();
    setRunMode(kQueryOnlyMode);
    EXPECT_FALSE(sysLogin().RegisterSession());
    EXPECT_EQ(QStringList(), updates());
}

// --- the operation log

TEST_F(LoginTest, WriteLogSendsTheLinesOfTheLogProcedure) {
    TLoginedUser& u = loginedUser();
    u.UserName = QStringLiteral("张三");
    u.UserId = 5;
    struct Row {
        int kind;
        QString text;
    };
    const Row rows[] = {{0, QStringLiteral("执行菜单[进货单]")},
                        {1, QStringLiteral("打开窗口[进货单]")},
                        {2, QStringLiteral("关闭窗口[进货单]")}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        transport->clearCalls();
        EXPECT_TRUE(
            sysLogin().WriteLog(row.kind, QStringLiteral("进货单"), QStringLiteral("1001")));
        const QList<RecordedCall> procs = callsOf(QStringLiteral("ExecProc"));
        ASSERT_EQ(1, procs.size());
        EXPECT_EQ(QStringLiteral("p_sys_Up_Log"), procs[0].procedure);
        const QStringList expected{QStringLiteral("logUserName=张三"),
                                   QStringLiteral("logUserId=5"),
                                   QStringLiteral("logHostName=PC-01"),
                                   QStringLiteral("logIpAddr=10.0.0.9"),
                                   QStringLiteral("logMacAddr=1A2B3C4D"),
                                   QStringLiteral("logMsgType=%1").arg(row.kind),
                                   QStringLiteral("logMsgCont=") + row.text,
                                   QStringLiteral("aTag=1001"),
                                   QStringLiteral("czy_id=5")};
        EXPECT_EQ(expected, procs[0].paramLines);
    }
    EXPECT_NE(QString(), errorOf([&] { sysLogin().WriteLog(3, QStringLiteral("x"), QString()); }));
}

TEST_F(LoginTest, WriteLogIsSkippedWhenItCannotOrNeedNotRun) {
    struct Row {
        const char* name;
        bool ending;
        bool connected;
        QString text;
    };
    const Row rows[] = {{"program ending", true, true, QStringLiteral("进货单")},
                        {"not connected", false, false, QStringLiteral("进货单")},
                        {"empty text", false, true, QString()}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sysLogin().setProgramEnding(row.ending);
        if (row.connected)
            ASSERT_TRUE(dm->ConnectServer(QStringLiteral("srv:8019"), false, 1));
        else
            dm->Disconnect();
        transport->clearCalls();
        EXPECT_FALSE(sysLogin().WriteLog(kLogOpenWindow, row.text, QStringLiteral("1")));
        EXPECT_EQ(0, callsOf(QStringLiteral("ExecProc")).size());
    }
    // Query-only mode still writes the log.
    sysLogin().setProgramEnding(false);
    ASSERT_TRUE(dm->ConnectServer(QStringLiteral("srv:8019"), false, 1));
    setRunMode(kQueryOnlyMode);
    EXPECT_TRUE(sysLogin().WriteLog(kLogMenu, QStringLiteral("进货单"), QStringLiteral("1")));
}

// --- logging in again after a reconnect

TEST_F(LoginTest, ReloginUsesTheSessionRecordByIdOrByCode) {
    struct Row {
        const char* name;
        QString loginMode;
        QString userText;
        QString idText;
    };
    const Row rows[] = {
        {"list mode", QStringLiteral("0"), QStringLiteral("王五"), QStringLiteral("5")},
        {"typed-name mode", QStringLiteral("1"), QStringLiteral("005"), QStringLiteral("005")}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        config().write(configkey::loginMode(), row.loginMode);
        TLoginedUser& u = loginedUser();
        u.ProfileName = QStringLiteral("dytv1_4");
        u.ProfileCaption = QStringLiteral("丁公司");
        u.UserName = QStringLiteral("王五");
        u.UserCode = QStringLiteral("005");
        u.UserId = 5;
        u.Password = QStringLiteral("pw");
        transport->clearCalls();
        transport->respond(QStringLiteral("Login"), 0, {replyLines()});
        EXPECT_TRUE(sysLogin().Relogin());
        const RecordedCall login = callsOf(QStringLiteral("Login")).value(0);
        const ParamList request(login.args.at(0).toString());
        EXPECT_EQ(QStringLiteral("dytv1_4"), request.line(0));
        EXPECT_EQ(QStringLiteral("丁公司"), request.line(1));
        EXPECT_EQ(row.userText, request.line(2));
        EXPECT_EQ(row.idText, login.args.at(1).toString());
        EXPECT_EQ(QStringLiteral("pw"), login.args.at(2).toString());
    }
}

TEST_F(LoginTest, ReconnectLogsInAgainAndRegistersInsideTheRunningCall) {
    config().write(configkey::clientId(), QStringLiteral("PC7"));
    loginedUser().ProfileName = QStringLiteral("dytv1_4");
    loginedUser().UserId = 5;
    setLoggedIn(true);
    dm->relogin = [] { return sysLogin().Relogin(); };
    transport->drop();
    transport->respond(QStringLiteral("Login"), 0, {replyLines()});
    RecordSet rs;
    dm->ExecQuery(QStringLiteral("select 1"), &rs);
    // The lost connection is opened again and the operator logged in again; the registration
    // goes straight to the server while the query holds the call channel.
    EXPECT_EQ((QStringList{QStringLiteral("InitDataBase"), QStringLiteral("Login"),
                           QStringLiteral("ExecUpdate"), QStringLiteral("ExecUpdate"),
                           QStringLiteral("ExecQuery")}),
              transport->methods(false));
    EXPECT_EQ(
        (QStringList{QStringLiteral(" delete syssession where id = @@spid"),
                     QStringLiteral(" insert into syssession(id, PcID) values(@@spid, 'pc7') ")}),
        updates());
    EXPECT_EQ(QStringList(), script.messages());
    EXPECT_FALSE(dm->CallBusy());
}
