// The login window against the recording transport and the scripted prompter: the server step
// with its aliases and server settings, the account-set list, the default account set, the
// query-only refusals, the operators, the password attempts, and RunLogin with its phases before
// and after. Creation, deletion, the hidden account sets and the automatic skip run against a real
// server in login_window_e2e.

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "client/common/frmlogin.h"
#include "client/common/frmprofileproperties.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "login_support.h"
#include "protocol/protocol.h"

using namespace dyt;
using namespace dyt::client;

namespace {

struct Profile {
    QString caption;
    QString dbName;
    int orderId;
    int hidden;
};

QCborValue profilePacket(const QList<Profile>& profiles) {
    RecordSet rs;
    rs.addField(QStringLiteral("fullName"), FieldType::Text, 60);
    rs.addField(QStringLiteral("dbName"), FieldType::Text, 60);
    rs.addField(QStringLiteral("orderId"), FieldType::Integer);
    rs.addField(QStringLiteral("hidden"), FieldType::Integer);
    for (const Profile& p : profiles)
        rs.appendRow({p.caption, p.dbName, p.orderId, p.hidden});
    return proto::recordSetToCbor(rs);
}

QCborValue userPacket(const QList<QPair<int, QString>>& users) {
    RecordSet rs;
    rs.addField(QStringLiteral("Id"), FieldType::Integer);
    rs.addField(QStringLiteral("FullName"), FieldType::Text, 40);
    for (const auto& u : users)
        rs.appendRow({u.first, u.second});
    return proto::recordSetToCbor(rs);
}

const QList<Profile> kThree{{QStringLiteral("甲公司"), QStringLiteral("dytv1_1"), 1, 0},
                            {QStringLiteral("乙公司"), QStringLiteral("dytv1_2"), 2, 0},
                            {QStringLiteral("丙公司"), QStringLiteral("dytv1_3"), 3, 0}};

QString loginReply(int id, const QString& name) {
    return proto::joinLines({QStringLiteral("UserName=") + name,
                             QStringLiteral("UserCode=00%1").arg(id),
                             QStringLiteral("UserId=%1").arg(id), QStringLiteral("dbUserName=sa"),
                             QStringLiteral("dbPassword=")});
}

class LoginWindowTest : public test::LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        sysLogin().AllowDateChange = true;
        sysLogin().localServer = QStringLiteral("127.0.0.1");
    }
    void TearDown() override {
        sysLogin().showLoginWindow = nullptr;
        sysLogin().onLoggedIn = nullptr;
        sysLogin().cacheStep = nullptr;
        sysLogin().childWindowCount = nullptr;
        sysLogin().closeChildWindows = nullptr;
        LoginFixture::TearDown();
    }
    // A window on step 1 with the given account sets listed.
    std::unique_ptr<TfrmLogin> windowOnList(const QList<Profile>& profiles,
                                            const QString& server = QStringLiteral("srv")) {
        auto w = std::make_unique<TfrmLogin>(0, dir.path());
        transport->respond(QStringLiteral("GetProfileList"), 0, {profilePacket(profiles)});
        w->serverEdit()->setEditText(server);
        w->btnLoginClick();
        return w;
    }
    QString cell(TfrmLogin& w, int row, int column) const {
        const QTableWidgetItem* item = w.profileList()->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
};

}  // namespace

TEST_F(LoginWindowTest, WindowStartsOnTheStepOfItsModeWithTheTexts) {
    TfrmLogin first(0, dir.path());
    EXPECT_EQ(QStringLiteral("登录向导"), first.windowTitle());
    EXPECT_EQ(0, first.step());
    EXPECT_EQ(QStringLiteral("下一步"), first.mainButton()->text());
    EXPECT_FALSE(first.panel(0)->isHidden());
    EXPECT_TRUE(first.panel(1)->isHidden());
    EXPECT_EQ(QDate::currentDate(), first.dateEdit()->date());
    EXPECT_EQ(QLineEdit::Password, first.passwordEdit()->echoMode());
    TfrmLogin change(2, dir.path());
    EXPECT_EQ(2, change.step());
    EXPECT_EQ(QStringLiteral("登录"), change.mainButton()->text());
    EXPECT_FALSE(change.panel(2)->isHidden());
}

TEST_F(LoginWindowTest, ServerAliasesConnectToTheLocalServerStartedOnlyWhenNoneAnswers) {
    struct Row {
        QString typed;
        QString host;
        int port;
        bool answers;  // a server answers at the local address before any start
        bool startsLocal;
        QString remembered;
    };
    const Row rows[] = {
        {QStringLiteral("本机"), QStringLiteral("127.0.0.1"), 211, false, true,
         QStringLiteral("本机")},
        {QStringLiteral("."), QStringLiteral("127.0.0.1"), 211, true, false, QStringLiteral(".")},
        {QStringLiteral("   "), QStringLiteral("127.0.0.1"), 211, false, true, QString()},
        {QStringLiteral("本地计算机"), QStringLiteral("127.0.0.1"), 211, true, false,
         QStringLiteral("本地计算机")},
        {QStringLiteral(" srv:8019 "), QStringLiteral("srv"), 8019, true, false,
         QStringLiteral("srv:8019")},
    };
    dm->localServerWaitMs = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed.toStdString());
        started.clear();
        if (!row.answers)
            transport->failOpens(1);
        auto w = windowOnList(kThree, row.typed);
        EXPECT_EQ(1, w->step());
        EXPECT_EQ(row.host, transport->host());
        EXPECT_EQ(row.port, transport->port());
        // The server started gets the port and a data folder outside the program folder.
        EXPECT_EQ(row.startsLocal ? QStringList{QStringLiteral("dyt-server --port 211 --data ") +
                                                TdmMain::localServerDataDir()}
                                  : QStringList{},
                  started.replaceInStrings(QCoreApplication::applicationDirPath() + QLatin1Char('/'),
                                           QString()));
        EXPECT_FALSE(TdmMain::localServerDataDir().startsWith(
            QCoreApplication::applicationDirPath() + QLatin1Char('/')));
        EXPECT_EQ(row.remembered,
                  config().read(QStringLiteral("ServerIP"), QStringLiteral("<none>")));
    }
}

TEST_F(LoginWindowTest, ServerSettingsSetDateModeAndRememberFlags) {
    transport->respond(
        QStringLiteral("GetServerConf"), 0,
        {proto::joinLines({QStringLiteral("系统日期=2024-03-05"), QStringLiteral("新登录模式=1"),
                           QStringLiteral("客户端强制记忆账套=0"),
                           QStringLiteral("客户端不允许修改制单日期=1")})});
    config().write(QStringLiteral("ProfileName"), QStringLiteral("dytv1_2"));
    auto w = windowOnList(kThree);
    EXPECT_EQ(QDate(2024, 3, 5), w->dateEdit()->date());
    EXPECT_EQ(QStringLiteral("1"), config().read(QStringLiteral("cb1")));
    EXPECT_EQ(QStringLiteral("0"), config().read(QStringLiteral("cb2")));
    EXPECT_FALSE(sysLogin().AllowDateChange);
    EXPECT_FALSE(w->dateEdit()->isEnabled());
    // Typed-name mode: the name edits instead of the list; the remembered name is cleared
    // because the server does not force remembering.
    EXPECT_TRUE(w->typedNameMode());
    EXPECT_FALSE(w->profileNameEdit()->isHidden());
    EXPECT_FALSE(w->userNameEdit()->isHidden());
    EXPECT_TRUE(w->profileList()->isHidden());
    EXPECT_TRUE(w->createButton()->isHidden());
    EXPECT_TRUE(w->userBox()->isHidden());
    EXPECT_EQ(QString(), w->profileNameEdit()->text());

    // A date with its time is read as its day; an unreadable one falls back to today.
    for (const auto& [text, day] :
         {std::pair{QStringLiteral("系统日期=2023-12-31 23:59:58"), QDate(2023, 12, 31)},
          std::pair{QStringLiteral("系统日期=kein Datum"), QDate::currentDate()}}) {
        transport->respond(QStringLiteral("GetServerConf"), 0, {text});
        EXPECT_EQ(day, windowOnList(kThree)->dateEdit()->date()) << text.toStdString();
    }
}

TEST_F(LoginWindowTest, ListHasFourRowsAtLeastAndTheBlankRowStays) {
    config().write(QStringLiteral("ProfileName"), QStringLiteral("dytv1_2"));
    auto w = windowOnList(kThree);
    QTableWidget* list = w->profileList();
    ASSERT_EQ(4, list->rowCount());
    const QStringList numbers{QStringLiteral("001"), QStringLiteral("002"), QStringLiteral("003"),
                              QStringLiteral("004")};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(numbers[i], cell(*w, i, kColNumber));
    EXPECT_EQ(QStringLiteral("乙公司"), cell(*w, 1, kColCaption));
    EXPECT_EQ(QStringLiteral("dytv1_3"), cell(*w, 2, kColDbName));
    EXPECT_EQ(QStringLiteral("3"), cell(*w, 2, kColOrderId));
    EXPECT_EQ(QStringLiteral("否"), cell(*w, 0, kColHidden));
    EXPECT_EQ(QString(), cell(*w, 3, kColCaption));
    EXPECT_EQ(30, list->columnWidth(kColNumber));
    EXPECT_EQ(240, list->columnWidth(kColCaption));
    EXPECT_TRUE(list->isColumnHidden(kColDbName));
    EXPECT_TRUE(list->isColumnHidden(kColOrderId));
    EXPECT_TRUE(list->isColumnHidden(kColHidden));
    // The remembered account set is focused.
    EXPECT_EQ(1, list->currentRow());
    w->resize(520, 400);
    test::saveScreenshot(w.get(), QStringLiteral("login_accountsets"));

    // The blank filler row: the main button stays on step 1 and asks nothing of the server.
    list->setCurrentCell(3, kColCaption);
    transport->clearCalls();
    w->btnLoginClick();
    EXPECT_EQ(1, w->step());
    EXPECT_EQ(QStringList(), transport->methods());
    EXPECT_EQ(QStringList(), script.messages());
}

TEST_F(LoginWindowTest, MoreThanFourAccountSetsNarrowTheNameAndHiddenOnesStayOut) {
    QList<Profile> six;
    for (int i = 1; i <= 6; ++i)
        six.append({QStringLiteral("公司%1").arg(i), QStringLiteral("dytv1_%1").arg(i), i,
                    i == 6 ? 1 : 0});
    auto w = windowOnList(six);
    EXPECT_EQ(5, w->profileList()->rowCount());
    EXPECT_EQ(220, w->profileList()->columnWidth(kColCaption));
    EXPECT_EQ(QStringLiteral("005"), cell(*w, 4, kColNumber));
    EXPECT_EQ(QStringLiteral("公司5"), cell(*w, 4, kColCaption));
    EXPECT_EQ(0, w->profileList()->currentRow());
}

TEST_F(LoginWindowTest, ListFailureStaysOnTheServerStep) {
    TfrmLogin w(0, dir.path());
    transport->respond(QStringLiteral("GetProfileList"), -1, {QCborValue(QCborValue::Null)});
    w.serverEdit()->setEditText(QStringLiteral("srv"));
    w.btnLoginClick();
    EXPECT_EQ(0, w.step());
    EXPECT_EQ(QStringList{QStringLiteral("取得账套列表失败")}, script.messages());
    EXPECT_TRUE(w.mainButton()->isEnabled());
}

TEST_F(LoginWindowTest, DefaultAccountSetDeclinedEndsTheProgram) {
    script.answer(QStringLiteral("放弃"), QStringLiteral("系统将自动为你创建默认账套"));
    auto w = windowOnList({});
    EXPECT_EQ(0, w->step());
    EXPECT_EQ(1, quitCalls);
    EXPECT_FALSE(dm->Connected());
    EXPECT_TRUE(sysLogin().programEnding());
    EXPECT_EQ(QDialog::Rejected, w->result());
    EXPECT_EQ(0, callsOf(QStringLiteral("CreateProfile")).size());
}

TEST_F(LoginWindowTest, DefaultAccountSetIsCreatedOnceAndListed) {
    auto w = std::make_unique<TfrmLogin>(0, dir.path());
    int dialogs = 0;
    w->runProfileDialog = [&](TfrmProfileProperties& d) {
        ++dialogs;
        EXPECT_EQ(TfrmProfileProperties::Mode::Create, d.mode());
        EXPECT_EQ(QStringLiteral("默认账套"), d.profileCaption());
        EXPECT_EQ(QStringLiteral("dytv1Default"), d.databaseName());
        return true;
    };
    transport->respond(QStringLiteral("GetProfileList"), 0, {profilePacket({})});
    transport->respond(QStringLiteral("CreateProfile"), 0, {QString()});
    transport->respond(
        QStringLiteral("GetProfileList"), 0,
        {profilePacket({{QStringLiteral("默认账套"), QStringLiteral("dytv1_1"), 1, 0}})});
    script.answer(QStringLiteral("确定"), QStringLiteral("第一次运行"));
    w->serverEdit()->setEditText(QStringLiteral("srv"));
    w->btnLoginClick();
    EXPECT_EQ(1, w->step());
    EXPECT_EQ(1, dialogs);
    const QList<RecordedCall> creates = callsOf(QStringLiteral("CreateProfile"));
    ASSERT_EQ(1, creates.size());
    EXPECT_EQ(QStringLiteral("默认账套"), creates[0].args.at(0).toString());
    EXPECT_EQ(QStringLiteral("默认账套"), creates[0].args.at(1).toString());
    EXPECT_EQ(QStringList{QStringLiteral("系统正在创建默认账套，请稍候...")},
              script.progressTexts());
    EXPECT_EQ(QStringLiteral("默认账套"), cell(*w, 0, kColCaption));
    EXPECT_EQ(0, quitCalls);
}

TEST_F(LoginWindowTest, FailedDefaultAccountSetEndsTheProgramWithTheServerMessage) {
    auto w = std::make_unique<TfrmLogin>(0, dir.path());
    w->runProfileDialog = [](TfrmProfileProperties&) { return true; };
    transport->respond(QStringLiteral("GetProfileList"), 0, {profilePacket({})});
    transport->respond(QStringLiteral("CreateProfile"), -1, {QStringLiteral("磁盘已满")});
    script.answer(QStringLiteral("确定"));
    w->serverEdit()->setEditText(QStringLiteral("srv"));
    w->btnLoginClick();
    ASSERT_EQ(1, script.records(PromptKind::Message).size());
    EXPECT_EQ(QStringLiteral("系统错误"), script.records(PromptKind::Message)[0].caption);
    EXPECT_EQ(QStringLiteral("系统自动为你创建默认账套时发生错误：[磁盘已满],系统即将关闭，"
                             "请调整配置后重新尝试。"),
              script.records(PromptKind::Message)[0].text);
    EXPECT_EQ(1, quitCalls);
    EXPECT_EQ(0, w->step());
}

TEST_F(LoginWindowTest, OperatorsAreListedWithTheRememberedOneSelected) {
    config().write(QStringLiteral("UserId"), QStringLiteral("7"));
    auto w = windowOnList(kThree);
    w->profileList()->setCurrentCell(2, kColCaption);
    transport->respond(
        QStringLiteral("GetProfileUserInfo"), 0,
        {userPacket({{1, QStringLiteral("系统管理员")}, {7, QStringLiteral("张三")}}), QString()});
    w->btnLoginClick();
    EXPECT_EQ(2, w->step());
    EXPECT_EQ(QStringLiteral("登录"), w->mainButton()->text());
    const QList<RecordedCall> asks = callsOf(QStringLiteral("GetProfileUserInfo"));
    ASSERT_EQ(1, asks.size());
    EXPECT_EQ((QStringList{QStringLiteral("Method=CheckLoginType"),
                           QStringLiteral("ProfileName=dytv1_3")}),
              ParamList(asks[0].args.at(0).toString()).lines());
    ASSERT_EQ(2, w->userBox()->count());
    EXPECT_EQ(QStringLiteral("张三"), w->userBox()->currentText());
    EXPECT_EQ(QStringLiteral("7"), w->userBox()->currentData().toString());

    // A refusal of the server keeps the window on step 1 with the message.
    auto w2 = windowOnList(kThree);
    transport->respond(QStringLiteral("GetProfileUserInfo"), -1,
                       {QCborValue(QCborValue::Null), QStringLiteral("账套[dytv1_1]不存在")});
    w2->btnLoginClick();
    EXPECT_EQ(1, w2->step());
    EXPECT_EQ(QStringList{QStringLiteral("账套[dytv1_1]不存在")}, script.messages());
}

TEST_F(LoginWindowTest, FourthPasswordAttemptClosesWithoutCallingTheServer) {
    auto w = windowOnList(kThree);
    transport->respond(QStringLiteral("GetProfileUserInfo"), 0,
                       {userPacket({{1, QStringLiteral("系统管理员")}}), QString()});
    w->btnLoginClick();
    ASSERT_EQ(2, w->step());
    for (int i = 0; i < 3; ++i) {
        transport->respond(QStringLiteral("Login"), -3, {QStringLiteral("口令错误，请重新输入！")});
        w->passwordEdit()->setText(QStringLiteral("bad%1").arg(i));
        w->btnLoginClick();
        EXPECT_EQ(i + 1, w->attempts());
    }
    EXPECT_EQ(3, callsOf(QStringLiteral("Login")).size());
    w->btnLoginClick();
    EXPECT_EQ(3, callsOf(QStringLiteral("Login")).size());
    EXPECT_EQ(
        (QStringList{QStringLiteral("口令错误，请重新输入！"),
                     QStringLiteral("口令错误，请重新输入！"),
                     QStringLiteral("口令错误，请重新输入！"), QStringLiteral("最多尝试3次口令")}),
        script.messages());
    EXPECT_EQ(QDialog::Rejected, w->result());
    EXPECT_FALSE(sysLogin().LoggedIn);
}

TEST_F(LoginWindowTest, SuccessfulLoginRemembersTheChoicesAndReadsTheCacheTimes) {
    config().write(QStringLiteral("丙公司spUpdateDate_7"), QStringLiteral("2024-01-02 10:00:00"));
    auto w = windowOnList(kThree);
    w->profileList()->setCurrentCell(2, kColCaption);
    transport->respond(
        QStringLiteral("GetProfileUserInfo"), 0,
        {userPacket({{1, QStringLiteral("系统管理员")}, {7, QStringLiteral("张三")}}), QString()});
    w->btnLoginClick();
    w->userBox()->setCurrentIndex(1);
    w->dateEdit()->setDate(QDate(2024, 2, 29));
    w->passwordEdit()->setText(QStringLiteral("pw"));
    transport->respond(QStringLiteral("Login"), 0, {loginReply(7, QStringLiteral("张三"))});
    w->btnLoginClick();
    EXPECT_EQ(QDialog::Accepted, w->result());
    EXPECT_TRUE(sysLogin().LoggedIn);
    const QList<RecordedCall> logins = callsOf(QStringLiteral("Login"));
    ASSERT_EQ(1, logins.size());
    const ParamList request(logins[0].args.at(0).toString());
    EXPECT_EQ(QStringLiteral("dytv1_3"), request.line(0));
    EXPECT_EQ(QStringLiteral("丙公司"), request.line(1));
    EXPECT_EQ(QStringLiteral("张三"), request.line(2));
    EXPECT_EQ(QStringLiteral("7"), logins[0].args.at(1).toString());
    EXPECT_EQ(QStringLiteral("pw"), logins[0].args.at(2).toString());
    EXPECT_EQ(QStringLiteral("dytv1_3"), config().read(QStringLiteral("ProfileName")));
    EXPECT_EQ(QStringLiteral("7"), config().read(QStringLiteral("UserId")));
    EXPECT_EQ(QDate(2024, 2, 29), sysLogin().LoginDate);
    EXPECT_EQ(QStringLiteral("2024-01-02 10:00:00"), sysLogin().GoodsUpdateDate);
    EXPECT_EQ(QStringLiteral("2000-01-01"), sysLogin().PartnerUpdateDate);
    EXPECT_EQ(1, dm->GoodsStampNewer);
    EXPECT_EQ(1, dm->PartnerStampNewer);
}

TEST_F(LoginWindowTest, TypedNameModeLogsInByCode) {
    config().write(QStringLiteral("cb1"), QStringLiteral("1"));
    config().write(QStringLiteral("cb2"), QStringLiteral("1"));
    config().write(QStringLiteral("ProfileName"), QStringLiteral("dytv1_2"));
    auto w = windowOnList(kThree);
    // The server forces remembering: the remembered name stays.
    EXPECT_EQ(QStringLiteral("dytv1_2"), w->profileNameEdit()->text());
    transport->respond(QStringLiteral("GetProfileUserInfo"), 0, {userPacket({}), QString()});
    w->btnLoginClick();
    ASSERT_EQ(2, w->step());
    // A blank code is asked for before any attempt counts.
    w->btnLoginClick();
    EXPECT_EQ(QStringList{QStringLiteral("请输入用户名")}, script.messages());
    EXPECT_EQ(0, w->attempts());
    w->userNameEdit()->setText(QStringLiteral(" 002 "));
    transport->respond(QStringLiteral("Login"), 0, {loginReply(2, QStringLiteral("李四"))});
    w->btnLoginClick();
    EXPECT_EQ(QDialog::Accepted, w->result());
    const RecordedCall login = callsOf(QStringLiteral("Login")).value(0);
    const ParamList request(login.args.at(0).toString());
    EXPECT_EQ(QStringLiteral("dytv1_2"), request.line(0));
    EXPECT_EQ(QStringLiteral("dytv1_2"), request.line(1));
    EXPECT_EQ(QStringLiteral("002"), request.line(2));
    EXPECT_EQ(QStringLiteral("LoginType=1"), request.line(10));
    EXPECT_EQ(QStringLiteral("002"), login.args.at(1).toString());
    EXPECT_EQ(QStringLiteral("002"), config().read(QStringLiteral("UserId")));
    EXPECT_EQ(0, dm->GoodsStampNewer);
}

TEST_F(LoginWindowTest, QueryOnlyModeRefusesCreateAndDelete) {
    auto w = windowOnList(kThree);
    setRunMode(kQueryOnlyMode);
    int dialogs = 0;
    w->runProfileDialog = [&](TfrmProfileProperties&) { return ++dialogs > 0; };
    w->btnCreateClick();
    w->btnDeleteClick();
    EXPECT_EQ(0, dialogs);
    EXPECT_EQ((QStringList{QStringLiteral("您当前使用的是查询版,只能查询"),
                           QStringLiteral("您当前使用的是查询版,只能查询")}),
              script.messages());
}

TEST_F(LoginWindowTest, AccountSetDialogRefusesABlankName) {
    TfrmProfileProperties d(TfrmProfileProperties::Mode::Create);
    EXPECT_EQ(QStringLiteral("输入账套信息"), d.windowTitle());
    d.setProfileCaption(QStringLiteral("   "));
    d.btnOKClick();
    EXPECT_EQ(QDialog::Rejected, d.result());
    EXPECT_EQ(QStringList{QStringLiteral("输入的账套信息不合法，请检查！")}, script.messages());
    d.setProfileCaption(QStringLiteral("戊"));
    d.btnOKClick();
    EXPECT_EQ(QDialog::Accepted, d.result());
    EXPECT_TRUE(d.accountEdit()->isHidden());
    TfrmProfileProperties del(TfrmProfileProperties::Mode::Delete);
    EXPECT_FALSE(del.accountEdit()->isHidden());
    EXPECT_EQ(QLineEdit::Password, del.passwordEdit()->echoMode());
}

TEST_F(LoginWindowTest, RunLoginRunsThePhasesAroundTheWindow) {
    ASSERT_TRUE(dm->ConnectServer(QStringLiteral("srv"), false, 1));
    QStringList events;
    sysLogin().onLoggedIn = [&] { events.append(QStringLiteral("status")); };
    sysLogin().cacheStep = [&](int p) { events.append(QString::number(p)); };
    loginedUser().ProfileName = QStringLiteral("dytv1_2");
    loginedUser().ProfileCaption = QStringLiteral("乙公司");
    transport->respond(
        QStringLiteral("GetProfileUserInfo"), 0,
        {userPacket({{1, QStringLiteral("系统管理员")}, {4, QStringLiteral("王五")}}), QString()});
    sysLogin().showLoginWindow = [&](TfrmLogin& w) {
        EXPECT_EQ(2, w.step());
        EXPECT_EQ(2, w.userBox()->count());
        w.userBox()->setCurrentIndex(1);
        transport->respond(QStringLiteral("Login"), 0, {loginReply(4, QStringLiteral("王五"))});
        w.btnLoginClick();
    };
    EXPECT_TRUE(sysLogin().RunLogin(0));
    EXPECT_EQ((QStringList{QStringLiteral("status"), QStringLiteral("1"), QStringLiteral("2"),
                           QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                           QStringLiteral("6")}),
              events);
    const QList<PromptRecord> progress = script.records(PromptKind::Progress);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(QStringLiteral("《德盈通》普及版V11.0.140215"), progress[0].caption);
    EXPECT_EQ(QStringLiteral("系统正在初始化..."), progress[0].text);
    EXPECT_EQ(QStringLiteral("dytv1_2"),
              ParamList(callsOf(QStringLiteral("Login")).value(0).args.at(0).toString()).line(0));
    EXPECT_EQ(QStringLiteral("王五"), loginedUser().UserName);

    // A cancelled window changes nothing and returns false.
    events.clear();
    transport->respond(QStringLiteral("GetProfileUserInfo"), 0, {userPacket({}), QString()});
    sysLogin().showLoginWindow = [](TfrmLogin& w) { w.reject(); };
    EXPECT_FALSE(sysLogin().RunLogin(0));
    EXPECT_EQ(QStringList(), events);
    EXPECT_EQ(QStringLiteral("王五"), loginedUser().UserName);
}

TEST_F(LoginWindowTest, RunLoginClosesBusinessWindowsFirst) {
    int open = 3;
    int shown = 0;
    sysLogin().childWindowCount = [&] { return open; };
    sysLogin().closeChildWindows = [&] { open = 1; };
    sysLogin().showLoginWindow = [&](TfrmLogin& w) {
        ++shown;
        w.reject();
    };
    script.answer(QStringLiteral("放弃"), QStringLiteral("将关闭所有的业务处理窗口"));
    EXPECT_FALSE(sysLogin().RunLogin(1));
    EXPECT_EQ(0, shown);
    EXPECT_EQ(3, open);
    EXPECT_EQ(QStringLiteral("警告"), script.records(PromptKind::Question).value(0).caption);

    script.answer(QStringLiteral("继续"));
    EXPECT_FALSE(sysLogin().RunLogin(1));
    EXPECT_EQ(1, shown);
    EXPECT_EQ(1, open);

    // A window that refuses to close keeps the login from running.
    open = 3;
    sysLogin().closeChildWindows = [&] { open = 2; };
    script.answer(QStringLiteral("继续"));
    EXPECT_FALSE(sysLogin().RunLogin(1));
    EXPECT_EQ(1, shown);
}

TEST_F(LoginWindowTest, TitleAfterLoginNamesTheQueryOnlyMode) {
    EXPECT_EQ(QStringLiteral("《德盈通》普及版V11.0.140215"), loggedInTitle());
    setRunMode(kQueryOnlyMode);
    EXPECT_EQ(QStringLiteral("《德盈通》普及版V11.0.140215(查询版)"), loggedInTitle());
}

TEST_F(LoginWindowTest, CtrlKeysTypedIntoTheListReachTheWindow) {
    auto w = windowOnList(kThree);
    QKeyEvent help(QEvent::KeyPress, Qt::Key_H, Qt::ControlModifier);
    QCoreApplication::sendEvent(w->profileList(), &help);
    EXPECT_EQ(QStringList{QStringLiteral("CTRL+H: 操作帮助提示\r\nCTRL+A: 显示所有账套\r\nCTRL+S: "
                                         "关闭隐藏账套\r\nCTRL+Q: 隐藏当前账套\r\nCTRL+W: "
                                         "显示当前账套")},
              script.messages());
    EXPECT_EQ(QStringLiteral("操作提示"), script.records(PromptKind::Message).value(0).caption);
    EXPECT_FALSE(w->hiddenKey(Qt::Key_B));
    // Ctrl+A asks for the administrator password instead of selecting all rows.
    script.cancelInput(QStringLiteral("管理员sa口令："));
    QKeyEvent all(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
    QCoreApplication::sendEvent(w->profileList(), &all);
    const QList<PromptRecord> inputs = script.records(PromptKind::Input);
    ASSERT_EQ(1, inputs.size());
    EXPECT_EQ(QStringLiteral("请输入数据库管理员口令"), inputs[0].caption);
    EXPECT_TRUE(inputs[0].password);
    EXPECT_FALSE(w->showHidden());
}
