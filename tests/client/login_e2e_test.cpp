// The login object against a real dyt-server: a login fills the session record from the
// account set's operator, a wrong password answers the server's message, and the operation log
// is written.

#include <QTemporaryDir>

#include "client/common/clientconfig.h"
#include "client/common/syslogin.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "support/serverprocess.h"

using namespace dyt;
using namespace dyt::client;

namespace {

class LoginEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        resetSession();
        setRunMode(kFullMode);
        test::reportFaultsToTest(script);
        ASSERT_TRUE(dir.isValid());
        openClientConfig(dir.path());
        sysLogin().LoggedIn = false;
        sysLogin().setProgramEnding(false);
        ASSERT_TRUE(server.start()) << server.error().toStdString();
        dm = std::make_unique<TdmMain>();
        dm->programDir = dir.path();
        dm->quitApplication = [this] { ++quits; };
        ASSERT_TRUE(dm->ConnectServer(server.address(), false, 1));
        const Response r = dm->GetAppServer().call(
            QStringLiteral("CreateProfile"),
            {QStringLiteral("账套甲"), QStringLiteral("账套甲"), QStringLiteral("sa"), QString()});
        ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
        const Response list =
            dm->GetAppServer().call(QStringLiteral("GetProfileList"), {QStringLiteral("dytv1"), 1});
        ASSERT_EQ(0, list.code());
        const RecordSet profiles = proto::recordSetFromCbor(list.out(0));
        ASSERT_EQ(1, profiles.rowCount());
        dbName = profiles.at(0, profiles.fieldIndex(QStringLiteral("dbName"))).toString();
    }
    void TearDown() override {
        dm.reset();
        server.stop();
        closeClientConfig();
        sysLogin().LoggedIn = false;
        sysLogin().setProgramEnding(false);
        resetSession();
    }

    ScriptedPrompter script;
    PrompterOverride override_{&script};
    QTemporaryDir dir;
    test::ServerProcess server;
    std::unique_ptr<TdmMain> dm;
    QString dbName;
    int quits = 0;
};

}  // namespace

TEST_F(LoginEndToEnd, RealLoginFillsTheSessionAndWritesTheLog) {
    ASSERT_TRUE(sysLogin().Login(dbName, QStringLiteral(" 账套甲 "), QStringLiteral("1"),
                                 QStringLiteral("1"), QString()));
    EXPECT_TRUE(sysLogin().LoggedIn);
    const TLoginedUser& u = loginedUser();
    EXPECT_EQ(1, u.UserId);
    EXPECT_EQ(dbName, u.ProfileName);
    EXPECT_EQ(QStringLiteral("账套甲"), u.ProfileCaption);

    // The record names the operator as the account set holds it.
    RecordSet rs;
    dm->ExecQuery(QStringLiteral("select code, fullname from baseZY where id = 1"), &rs);
    ASSERT_EQ(1, rs.recordCount());
    EXPECT_EQ(rs.text(QStringLiteral("fullname")), u.UserName);
    EXPECT_EQ(rs.text(QStringLiteral("code")), u.UserCode);
    EXPECT_FALSE(u.UserName.isEmpty());

    // The operation log reaches the server's log table.
    EXPECT_TRUE(
        sysLogin().WriteLog(kLogOpenWindow, QStringLiteral("进货单"), QStringLiteral("1001")));
    dm->ExecQuery(QStringLiteral("select logMsgCont, logMacAddr, aTag from sysLog"), &rs);
    ASSERT_EQ(1, rs.recordCount());
    EXPECT_EQ(QStringLiteral("打开窗口[进货单]"), rs.text(QStringLiteral("logMsgCont")));
    EXPECT_EQ(u.MacAddr, rs.text(QStringLiteral("logMacAddr")));
    EXPECT_EQ(QStringLiteral("1001"), rs.text(QStringLiteral("aTag")));
    EXPECT_EQ(QStringList(), script.messages());
    EXPECT_EQ(0, quits);
}

TEST_F(LoginEndToEnd, WrongPasswordAnswersTheServerMessage) {
    EXPECT_FALSE(sysLogin().Login(dbName, QStringLiteral("账套甲"), QStringLiteral("1"),
                                  QStringLiteral("1"), QStringLiteral("wrong")));
    EXPECT_FALSE(sysLogin().LoggedIn);
    const QList<PromptRecord> shown = script.records(PromptKind::Message);
    ASSERT_EQ(1, shown.size());
    EXPECT_EQ(QStringLiteral("提示"), shown[0].caption);
    EXPECT_EQ(QStringLiteral("口令错误，请重新输入！"), shown[0].text);
    EXPECT_TRUE(dm->Connected());
    EXPECT_EQ(0, quits);
}

TEST_F(LoginEndToEnd, UnknownOperatorIsRefusedWithTheServerMessage) {
    EXPECT_FALSE(sysLogin().Login(dbName, QStringLiteral("账套甲"), QStringLiteral("9"),
                                  QStringLiteral("99"), QString()));
    const QList<PromptRecord> shown = script.records(PromptKind::Message);
    ASSERT_EQ(1, shown.size());
    EXPECT_EQ(QStringLiteral("操作员[99]不存在"), shown[0].text);
}

TEST_F(LoginEndToEnd, AccountSetNewerThanTheServerEndsTheProgram) {
    ASSERT_TRUE(sysLogin().Login(dbName, QStringLiteral("账套甲"), QStringLiteral("1"),
                                 QStringLiteral("1"), QString()));
    dm->ExecUpdate(QStringLiteral("UPDATE sysVersion SET version = 9999"));
    EXPECT_FALSE(sysLogin().Login(dbName, QStringLiteral("账套甲"), QStringLiteral("1"),
                                  QStringLiteral("1"), QString()));
    const QList<PromptRecord> shown = script.records(PromptKind::Message);
    ASSERT_EQ(1, shown.size());
    EXPECT_EQ(QStringLiteral("系统警告"), shown[0].caption);
    EXPECT_TRUE(shown[0].text.contains(QStringLiteral("9999"))) << shown[0].text.toStdString();
    EXPECT_EQ(1, quits);
    EXPECT_FALSE(dm->Connected());
    EXPECT_TRUE(sysLogin().programEnding());
}
