// The login object against a real dyt-server: a login fills the session record from the
// account set's operator, a wrong password answers the server's message, and the operation log
// is written.


#include "client/logic/clientconfig.h"
#include "client/common/syslogin.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "server_support.h"

using namespace dyt;
using namespace dyt::client;

namespace {

class LoginEndToEnd : public test::ServerFixture {
protected:
    LoginEndToEnd() { logsIn = false; }
    void SetUp() override {
        ServerFixture::SetUp();
        sysLogin().LoggedIn = false;
        sysLogin().setProgramEnding(false);
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
        ServerFixture::TearDown();
        sysLogin().LoggedIn = false;
        sysLogin().setProgramEnding(false);
    }

    QString dbName;
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

TEST_F(LoginEndToEnd, RefusedLoginsAnswerTheServerMessage) {
    const struct {
        const char* userId;
        const char* code;
        const char* password;
        const char* message;
    } cases[] = {
        {"1", "1", "wrong", "口令错误，请重新输入！"},
        {"9", "99", "", "操作员[99]不存在"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        script.clearRecords();
        EXPECT_FALSE(sysLogin().Login(dbName, QStringLiteral("账套甲"), QLatin1String(c.userId),
                                      QLatin1String(c.code), QLatin1String(c.password)));
        EXPECT_FALSE(sysLogin().LoggedIn);
        const QList<PromptRecord> shown = script.records(PromptKind::Message);
        ASSERT_EQ(1, shown.size());
        EXPECT_EQ(QStringLiteral("提示"), shown[0].caption);
        EXPECT_EQ(QString::fromUtf8(c.message), shown[0].text);
        EXPECT_TRUE(dm->Connected());
    }
    EXPECT_EQ(0, quits);
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
