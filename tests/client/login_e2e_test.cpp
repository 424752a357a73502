// The login object against a real dyt-server: a login fills the session record from the
// account set's operator, a wrong password answers the server's message, and the operation log
// is written.

#include "client/logic/clientconfig.h"
#include "client/common/syslogin.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "support/serverfixture.h"

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
        const Response r = dm.GetAppServer().call(u"CreateProfile"_s,
                                                  {u"账套甲"_s, u"账套甲"_s, u"sa"_s, QString()});
        ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
        const Response list = dm.GetAppServer().call(u"GetProfileList"_s, {u"dytv1"_s, 1});
        ASSERT_EQ(0, list.code());
        const RecordSet profiles = proto::recordSetFromCbor(list.out(0));
        ASSERT_EQ(1, profiles.rowCount());
        dbName = profiles.at(0, profiles.fieldIndex(u"dbName"_s)).toString();
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
    ASSERT_TRUE(sysLogin().Login(dbName, u" 账套甲 "_s, u"1"_s, u"1"_s, QString()));
    EXPECT_TRUE(sysLogin().LoggedIn);
    const TLoginedUser& u = loginedUser();
    EXPECT_EQ(1, u.UserId);
    EXPECT_EQ(dbName, u.ProfileName);
    EXPECT_EQ(u"账套甲"_s, u.ProfileCaption);

    // The record names the operator as the account set holds it.
    RecordSet rs;
    dm.ExecQuery(u"select code, fullname from baseZY where id = 1"_s, &rs);
    ASSERT_EQ(1, rs.recordCount());
    EXPECT_EQ(rs.text(u"fullname"_s), u.UserName);
    EXPECT_EQ(rs.text(u"code"_s), u.UserCode);
    EXPECT_FALSE(u.UserName.isEmpty());

    // The operation log reaches the server's log table.
    EXPECT_TRUE(sysLogin().WriteLog(kLogOpenWindow, u"进货单"_s, u"1001"_s));
    dm.ExecQuery(u"select logMsgCont, logMacAddr, aTag from sysLog"_s, &rs);
    ASSERT_EQ(1, rs.recordCount());
    EXPECT_EQ(u"打开窗口[进货单]"_s, rs.text(u"logMsgCont"_s));
    EXPECT_EQ(u.MacAddr, rs.text(u"logMacAddr"_s));
    EXPECT_EQ(u"1001"_s, rs.text(u"aTag"_s));
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
        EXPECT_FALSE(sysLogin().Login(dbName, u"账套甲"_s, QLatin1String(c.userId),
                                      QLatin1String(c.code), QLatin1String(c.password)));
        EXPECT_FALSE(sysLogin().LoggedIn);
        EXPECT_FALSE(sysLogin().programEnding());
        EXPECT_TRUE(loginedUser().UserName.isEmpty());
        const QList<PromptRecord> shown = script.records(PromptKind::Message);
        ASSERT_EQ(1, shown.size());
        EXPECT_EQ(u"提示"_s, shown[0].caption);
        EXPECT_EQ(QString::fromUtf8(c.message), shown[0].text);
        EXPECT_TRUE(dm.Connected());
    }
    EXPECT_EQ(0, quits);
}

TEST_F(LoginEndToEnd, AccountSetNewerThanTheServerEndsTheProgram) {
    ASSERT_TRUE(sysLogin().Login(dbName, u"账套甲"_s, u"1"_s, u"1"_s, QString()));
    dm.ExecUpdate(u"UPDATE sysVersion SET version = 9999"_s);
    EXPECT_FALSE(sysLogin().Login(dbName, u"账套甲"_s, u"1"_s, u"1"_s, QString()));
    const QList<PromptRecord> shown = script.records(PromptKind::Message);
    ASSERT_EQ(1, shown.size());
    EXPECT_EQ(u"系统警告"_s, shown[0].caption);
    EXPECT_TRUE(shown[0].text.contains(u"9999"_s)) << shown[0].text.toStdString();
    EXPECT_EQ(1, quits);
    EXPECT_FALSE(dm.Connected());
    EXPECT_TRUE(sysLogin().programEnding());
}
