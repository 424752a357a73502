// The login window and RunLogin against the recording transport and against a real dyt-server,
// and a whole session at the keyboard and mouse.
// The login object against the recording transport: requests, answers, session registration,
// the operation log; the configuration file and the workstation identity.

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateEdit>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <cmath>
#include <cstdio>
#include <tuple>

#include "client/base/frminiwindows.h"
#include "client/bills/frmbillabstract.h"
#include "client/bills/frmbilljhd.h"
#include "client/bills/frmbillskd.h"
#include "client/common/frmlogin.h"
#include "client/common/frmprofileproperties.h"
#include "client/common/gridview.h"
#include "client/common/syslogin.h"
#include "client/logic/clientconfig.h"
#include "client/logic/localcache.h"
#include "client/logic/platform.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "client/logic/transport.h"
#include "client/queries/frmqkczkb.h"
#include "client/queries/frmstockwindows.h"
#include "client/shell/mainwindow.h"
#include "client/shell/startup.h"
#include "client/system/frminitover.h"
#include "common/currency.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "login_support.h"
#include "protocol/protocol.h"
#include "support/serverprocess.h"
#include "support/testutil.h"

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
    RecordSet rs =
        test::recordSet({u"fullName"_s, u"dbName"_s, u"orderId:integer"_s, u"hidden:integer"_s});
    for (const Profile& p : profiles)
        rs.appendRow({p.caption, p.dbName, p.orderId, p.hidden});
    return proto::recordSetToCbor(rs);
}
QCborValue userPacket(const QList<QPair<int, QString>>& users) {
    RecordSet rs = test::recordSet({u"Id:integer"_s, u"FullName"_s});
    for (const auto& u : users)
        rs.appendRow({u.first, u.second});
    return proto::recordSetToCbor(rs);
}
const QList<Profile> kThree{{u"甲公司"_s, u"dytv1_1"_s, 1, 0},
                            {u"乙公司"_s, u"dytv1_2"_s, 2, 0},
                            {u"丙公司"_s, u"dytv1_3"_s, 3, 0}};

QString loginReply(int id, const QString& name) {
    return proto::joinLines({u"UserName="_s + name, u"UserCode=00%1"_s.arg(id),
                             u"UserId=%1"_s.arg(id), u"dbUserName=sa"_s, u"dbPassword="_s});
}
// A cell of the account-set list; "<none>" where the list has no item.
QString cell(TfrmLogin& w, int row, int column) {
    const QTableWidgetItem* item = w.profileList()->item(row, column);
    return item ? item->text() : u"<none>"_s;
}
class LoginWindowTest : public test::LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        sysLogin().AllowDateChange = true;
        sysLogin().localServer = u"127.0.0.1"_s;
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
                                            const QString& server = u"srv"_s) {
        auto w = std::make_unique<TfrmLogin>(0, dir.path());
        transport->respond(u"GetProfileList"_s, 0, {profilePacket(profiles)});
        w->serverEdit()->setEditText(server);
        w->btnLoginClick();
        return w;
    }
    QStringList column(TfrmLogin& w, int c) const {
        QStringList out;
        for (int r = 0; r < w.profileList()->rowCount(); ++r)
            out.append(cell(w, r, c));
        return out;
    }
    // The lines of the n-th Login request, its operator and password arguments behind them.
    QStringList loginRequest(int n = 0) const {
        const RecordedCall c = callsOf(u"Login"_s).value(n);
        QStringList out = ParamList(c.args.at(0).toString()).lines();
        return out << c.args.at(1).toString() << c.args.at(2).toString();
    }
};

}  // namespace

TEST_F(LoginWindowTest, WindowStartsOnTheStepOfItsModeServerAliasesConnectToTheLocalServer) {
    TfrmLogin first(0, dir.path()), change(2, dir.path());
    EXPECT_EQ((QList<bool>{false, true, true, true, true, false}),
              (QList<bool>{first.panel(0)->isHidden(), first.panel(1)->isHidden(),
                           first.panel(2)->isHidden(), change.panel(0)->isHidden(),
                           change.panel(1)->isHidden(), change.panel(2)->isHidden()}));
    EXPECT_EQ(QDate::currentDate(), first.dateEdit()->date());
    EXPECT_EQ(QLineEdit::Password, first.passwordEdit()->echoMode());
    // The local server aliases connect to the local server, started only when none answers.
    struct Row {
        QString typed;
        QString host;
        int port;
        bool answers;  // a server answers at the local address before any start
        bool startsLocal;
        QString remembered;
    };
    const Row rows[] = {
        {u"本机"_s, u"127.0.0.1"_s, 211, false, true, u"本机"_s},
        {u"."_s, u"127.0.0.1"_s, 211, true, false, u"."_s},
        {u"   "_s, u"127.0.0.1"_s, 211, false, true, QString()},
        {u"本地计算机"_s, u"127.0.0.1"_s, 211, true, false, u"本地计算机"_s},
        {u" srv:8019 "_s, u"srv"_s, 8019, true, false, u"srv:8019"_s},
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
        EXPECT_EQ(row.startsLocal ? QStringList{u"dyt-server --port 211 --data "_s +
                                                TdmMain::localServerDataDir()}
                                  : QStringList{},
                  started.replaceInStrings(
                      QCoreApplication::applicationDirPath() + QLatin1Char('/'), QString()));
        EXPECT_FALSE(TdmMain::localServerDataDir().startsWith(
            QCoreApplication::applicationDirPath() + QLatin1Char('/')));
        EXPECT_EQ(row.remembered, config().read(u"ServerIP"_s, u"<none>"_s));
    }
}
TEST_F(LoginWindowTest, ServerSettingsSetDateModeAndRememberFlags) {
    transport->respond(
        u"GetServerConf"_s, 0,
        {proto::joinLines({u"系统日期=2024-03-05"_s, u"新登录模式=1"_s, u"客户端强制记忆账套=0"_s,
                           u"客户端不允许修改制单日期=1"_s})});
    config().write(u"ProfileName"_s, u"dytv1_2"_s);
    auto w = windowOnList(kThree);
    EXPECT_EQ(test::clientValuesText(QDate(2024, 3, 5), u"1"_s, u"0"_s, false, false),
              test::clientValuesText(w->dateEdit()->date(), config().read(u"cb1"_s),
                                     config().read(u"cb2"_s), sysLogin().AllowDateChange,
                                     w->dateEdit()->isEnabled()));
    // Typed-name mode: the name edits instead of the list; the remembered name is cleared
    // because the server does not force remembering.
    EXPECT_TRUE(w->typedNameMode());
    for (QWidget* shown : QList<QWidget*>{w->profileNameEdit(), w->userNameEdit()})
        EXPECT_FALSE(shown->isHidden());
    for (QWidget* hidden : QList<QWidget*>{w->profileList(), w->createButton(), w->userBox()})
        EXPECT_TRUE(hidden->isHidden());
    EXPECT_EQ(QString(), w->profileNameEdit()->text());
    // A date with its time is read as its day; an unreadable one falls back to today.
    for (const auto& [text, day] :
         {std::pair{u"系统日期=2023-12-31 23:59:58"_s, QDate(2023, 12, 31)},
          std::pair{u"系统日期=kein Datum"_s, QDate::currentDate()}}) {
        transport->respond(u"GetServerConf"_s, 0, {text});
        EXPECT_EQ(day, windowOnList(kThree)->dateEdit()->date()) << text.toStdString();
    }
}
TEST_F(LoginWindowTest, ListHasFourRowsAtLeastAndTheBlankRowStays) {
    config().write(u"ProfileName"_s, u"dytv1_2"_s);
    auto w = windowOnList(kThree);
    QTableWidget* list = w->profileList();
    EXPECT_EQ((QStringList{u"001"_s, u"002"_s, u"003"_s, u"004"_s}), column(*w, kColNumber));
    EXPECT_EQ((QStringList{u"甲公司"_s, u"乙公司"_s, u"丙公司"_s, QString()}),
              column(*w, kColCaption));
    EXPECT_EQ(
        (QStringList{u"dytv1_3"_s, u"3"_s, u"否"_s}),
        (QStringList{cell(*w, 2, kColDbName), cell(*w, 2, kColOrderId), cell(*w, 0, kColHidden)}));
    EXPECT_EQ(240, list->columnWidth(kColCaption));
    EXPECT_EQ(1, list->currentRow());  // the remembered account set
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
        six.append({u"公司%1"_s.arg(i), u"dytv1_%1"_s.arg(i), i, i == 6 ? 1 : 0});
    auto w = windowOnList(six);
    EXPECT_EQ(5, w->profileList()->rowCount());
    EXPECT_EQ(220, w->profileList()->columnWidth(kColCaption));
    EXPECT_EQ(u"005 公司5"_s, cell(*w, 4, kColNumber) + u' ' + cell(*w, 4, kColCaption));
    EXPECT_EQ(0, w->profileList()->currentRow());
}
TEST_F(LoginWindowTest, ListFailureStaysOnTheServerStep) {
    TfrmLogin w(0, dir.path());
    transport->respond(u"GetProfileList"_s, -1, {QCborValue(QCborValue::Null)});
    w.serverEdit()->setEditText(u"srv"_s);
    w.btnLoginClick();
    EXPECT_EQ(0, w.step());
    EXPECT_EQ(QStringList{u"取得账套列表失败"_s}, script.messages());
    EXPECT_TRUE(w.mainButton()->isEnabled());
}
TEST_F(LoginWindowTest, DefaultAccountSetDeclinedEndsTheProgram) {
    script.answer(u"放弃"_s, u"系统将自动为你创建默认账套"_s);
    auto w = windowOnList({});
    EXPECT_EQ(
        test::clientValuesText(0, 1, false, true),
        test::clientValuesText(w->step(), quitCalls, dm->Connected(), sysLogin().programEnding()));
    EXPECT_EQ(QDialog::Rejected, w->result());
    EXPECT_EQ(0, callsOf(u"CreateProfile"_s).size());
}
TEST_F(LoginWindowTest, FailedDefaultAccountSetEndsTheProgramWithTheServerMessage) {
    auto w = std::make_unique<TfrmLogin>(0, dir.path());
    w->runProfileDialog = [](TfrmProfileProperties& d) {
        EXPECT_EQ(test::clientValuesText(true, u"默认账套"_s, u"dytv1Default"_s),
                  test::clientValuesText(d.mode() == TfrmProfileProperties::Mode::Create,
                                         d.profileCaption(), d.databaseName()));
        return true;
    };
    transport->respond(u"GetProfileList"_s, 0, {profilePacket({})});
    transport->respond(u"CreateProfile"_s, -1, {u"磁盘已满"_s});
    script.answer(u"确定"_s);
    w->serverEdit()->setEditText(u"srv"_s);
    w->btnLoginClick();
    const auto shown = script.records(PromptKind::Message);
    ASSERT_EQ(1, shown.size());
    EXPECT_EQ(
        u"系统错误|系统自动为你创建默认账套时发生错误：[磁盘已满],系统即将关闭，请调整配置后重新尝试。"_s,
        shown[0].caption + u'|' + shown[0].text);
    EXPECT_EQ(QStringList{u"系统正在创建默认账套，请稍候..."_s}, script.progressTexts());
    EXPECT_EQ(1, quitCalls);
    EXPECT_EQ(0, w->step());
}
TEST_F(LoginWindowTest, OperatorsAreListedWithTheRememberedOneSelected) {
    config().write(u"UserId"_s, u"7"_s);
    auto w = windowOnList(kThree);
    w->profileList()->setCurrentCell(2, kColCaption);
    transport->respond(u"GetProfileUserInfo"_s, 0,
                       {userPacket({{1, u"系统管理员"_s}, {7, u"张三"_s}}), QString()});
    w->btnLoginClick();
    EXPECT_EQ(2, w->step());
    const QList<RecordedCall> asks = callsOf(u"GetProfileUserInfo"_s);
    ASSERT_EQ(1, asks.size());
    EXPECT_EQ((QStringList{u"Method=CheckLoginType"_s, u"ProfileName=dytv1_3"_s}),
              ParamList(asks[0].args.at(0).toString()).lines());
    ASSERT_EQ(2, w->userBox()->count());
    EXPECT_EQ(u"张三"_s, w->userBox()->currentText());
    EXPECT_EQ(u"7"_s, w->userBox()->currentData().toString());
    // A refusal of the server keeps the window on step 1 with the message.
    auto w2 = windowOnList(kThree);
    transport->respond(u"GetProfileUserInfo"_s, -1,
                       {QCborValue(QCborValue::Null), u"账套[dytv1_1]不存在"_s});
    w2->btnLoginClick();
    EXPECT_EQ(1, w2->step());
    EXPECT_EQ(QStringList{u"账套[dytv1_1]不存在"_s}, script.messages());
}
TEST_F(LoginWindowTest, FourthPasswordAttemptClosesWithoutCallingTheServer) {
    auto w = windowOnList(kThree);
    transport->respond(u"GetProfileUserInfo"_s, 0, {userPacket({{1, u"系统管理员"_s}}), QString()});
    w->btnLoginClick();
    ASSERT_EQ(2, w->step());
    for (int i = 0; i < 3; ++i) {
        transport->respond(u"Login"_s, -3, {u"口令错误，请重新输入！"_s});
        w->passwordEdit()->setText(u"bad%1"_s.arg(i));
        w->btnLoginClick();
        EXPECT_EQ(i + 1, w->attempts());
    }
    EXPECT_EQ(3, callsOf(u"Login"_s).size());
    w->btnLoginClick();
    EXPECT_EQ(3, callsOf(u"Login"_s).size());
    EXPECT_EQ((QStringList{u"口令错误，请重新输入！"_s, u"口令错误，请重新输入！"_s,
                           u"口令错误，请重新输入！"_s, u"最多尝试3次口令"_s}),
              script.messages());
    EXPECT_EQ(QDialog::Rejected, w->result());
    EXPECT_FALSE(sysLogin().LoggedIn);
}
TEST_F(LoginWindowTest, SuccessfulLoginRemembersTheChoicesAndReadsTheCacheTimes) {
    config().write(u"丙公司spUpdateDate_7"_s, u"2024-01-02 10:00:00"_s);
    auto w = windowOnList(kThree);
    w->profileList()->setCurrentCell(2, kColCaption);
    transport->respond(u"GetProfileUserInfo"_s, 0,
                       {userPacket({{1, u"系统管理员"_s}, {7, u"张三"_s}}), QString()});
    w->btnLoginClick();
    w->userBox()->setCurrentIndex(1);
    w->dateEdit()->setDate(QDate(2024, 2, 29));
    w->passwordEdit()->setText(u"pw"_s);
    transport->respond(u"Login"_s, 0, {loginReply(7, u"张三"_s)});
    w->btnLoginClick();
    EXPECT_EQ(QDialog::Accepted, w->result());
    EXPECT_TRUE(sysLogin().LoggedIn);
    ASSERT_EQ(1, callsOf(u"Login"_s).size());
    const QStringList request = loginRequest();
    EXPECT_EQ((QStringList{u"dytv1_3"_s, u"丙公司"_s, u"张三"_s}), request.mid(0, 3));
    EXPECT_EQ((QStringList{u"7"_s, u"pw"_s}), request.mid(request.size() - 2));
    EXPECT_EQ((QStringList{u"dytv1_3"_s, u"7"_s}),
              (QStringList{config().read(u"ProfileName"_s), config().read(u"UserId"_s)}));
    EXPECT_EQ(
        test::clientValuesText(QDate(2024, 2, 29), u"2024-01-02 10:00:00"_s, u"2000-01-01"_s, 1, 1),
        test::clientValuesText(sysLogin().LoginDate, sysLogin().GoodsUpdateDate,
                               sysLogin().PartnerUpdateDate, dm->GoodsStampNewer,
                               dm->PartnerStampNewer));
}
TEST_F(LoginWindowTest, TypedNameModeLogsInByCode) {
    config().write(u"cb1"_s, u"1"_s);
    config().write(u"cb2"_s, u"1"_s);
    config().write(u"ProfileName"_s, u"dytv1_2"_s);
    auto w = windowOnList(kThree);
    // The server forces remembering: the remembered name stays.
    EXPECT_EQ(u"dytv1_2"_s, w->profileNameEdit()->text());
    transport->respond(u"GetProfileUserInfo"_s, 0, {userPacket({}), QString()});
    w->btnLoginClick();
    ASSERT_EQ(2, w->step());
    // A blank code is asked for before any attempt counts.
    w->btnLoginClick();
    EXPECT_EQ(QStringList{u"请输入用户名"_s}, script.messages());
    EXPECT_EQ(0, w->attempts());
    w->userNameEdit()->setText(u" 002 "_s);
    transport->respond(u"Login"_s, 0, {loginReply(2, u"李四"_s)});
    w->btnLoginClick();
    EXPECT_EQ(QDialog::Accepted, w->result());
    const QStringList request = loginRequest();
    EXPECT_EQ((QStringList{u"dytv1_2"_s, u"dytv1_2"_s, u"002"_s}), request.mid(0, 3));
    EXPECT_EQ(u"LoginType=1"_s, request.value(10));
    EXPECT_EQ(u"002"_s, request.value(request.size() - 2));
    EXPECT_EQ(u"002"_s, config().read(u"UserId"_s));
    EXPECT_EQ(0, dm->GoodsStampNewer);
}
TEST_F(LoginWindowTest, QueryOnlyModeRefusesCreateAndDeleteAndTheDialogRefusesABlankName) {
    auto w = windowOnList(kThree);
    setRunMode(kQueryOnlyMode);
    int dialogs = 0;
    w->runProfileDialog = [&](TfrmProfileProperties&) { return ++dialogs > 0; };
    w->btnCreateClick();
    w->btnDeleteClick();
    EXPECT_EQ(0, dialogs);
    EXPECT_EQ((QStringList{u"您当前使用的是查询版,只能查询"_s, u"您当前使用的是查询版,只能查询"_s}),
              script.messages());
    // The account-set dialog refuses a blank name.
    script.clearRecords();
    TfrmProfileProperties d(TfrmProfileProperties::Mode::Create);
    d.setProfileCaption(u"   "_s);
    d.btnOKClick();
    EXPECT_EQ(QDialog::Rejected, d.result());
    EXPECT_EQ(QStringList{u"输入的账套信息不合法，请检查！"_s}, script.messages());
    d.setProfileCaption(u"戊"_s);
    d.btnOKClick();
    EXPECT_EQ(QDialog::Accepted, d.result());
    EXPECT_TRUE(d.accountEdit()->isHidden());
    TfrmProfileProperties del(TfrmProfileProperties::Mode::Delete);
    EXPECT_FALSE(del.accountEdit()->isHidden());
    EXPECT_EQ(QLineEdit::Password, del.passwordEdit()->echoMode());
}
TEST_F(LoginWindowTest, RunLoginRunsThePhasesAroundTheWindow) {
    ASSERT_TRUE(dm->ConnectServer(u"srv"_s, false, 1));
    QStringList events;
    sysLogin().onLoggedIn = [&] { events.append(u"status"_s); };
    sysLogin().cacheStep = [&](int p) { events.append(QString::number(p)); };
    loginedUser().ProfileName = u"dytv1_2"_s;
    loginedUser().ProfileCaption = u"乙公司"_s;
    transport->respond(u"GetProfileUserInfo"_s, 0,
                       {userPacket({{1, u"系统管理员"_s}, {4, u"王五"_s}}), QString()});
    sysLogin().showLoginWindow = [&](TfrmLogin& w) {
        EXPECT_EQ(2, w.step());
        EXPECT_EQ(2, w.userBox()->count());
        w.userBox()->setCurrentIndex(1);
        transport->respond(u"Login"_s, 0, {loginReply(4, u"王五"_s)});
        w.btnLoginClick();
    };
    EXPECT_TRUE(sysLogin().RunLogin(0));
    EXPECT_EQ((QStringList{u"status"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s}), events);
    const QList<PromptRecord> progress = script.records(PromptKind::Progress);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(u"《德盈通》普及版V11.0.140215"_s, progress[0].caption);
    EXPECT_EQ(u"系统正在初始化..."_s, progress[0].text);
    EXPECT_EQ(u"dytv1_2"_s, loginRequest().value(0));
    EXPECT_EQ(u"王五"_s, loginedUser().UserName);
    // A cancelled window changes nothing and returns false.
    events.clear();
    transport->respond(u"GetProfileUserInfo"_s, 0, {userPacket({}), QString()});
    sysLogin().showLoginWindow = [](TfrmLogin& w) { w.reject(); };
    EXPECT_FALSE(sysLogin().RunLogin(0));
    EXPECT_EQ(QStringList(), events);
    EXPECT_EQ(u"王五"_s, loginedUser().UserName);
}
TEST_F(LoginWindowTest, RunLoginClosesBusinessWindowsFirstAndTheTitleNamesTheQueryOnlyMode) {
    int open = 3;
    int shown = 0;
    sysLogin().childWindowCount = [&] { return open; };
    sysLogin().closeChildWindows = [&] { open = 1; };
    sysLogin().showLoginWindow = [&](TfrmLogin& w) {
        ++shown;
        w.reject();
    };
    script.answer(u"放弃"_s, u"将关闭所有的业务处理窗口"_s);
    EXPECT_FALSE(sysLogin().RunLogin(1));
    EXPECT_EQ(0, shown);
    EXPECT_EQ(3, open);
    EXPECT_EQ(u"警告"_s, script.records(PromptKind::Question).value(0).caption);
    script.answer(u"继续"_s);
    EXPECT_FALSE(sysLogin().RunLogin(1));
    EXPECT_EQ(1, shown);
    EXPECT_EQ(1, open);
    // A window that refuses to close keeps the login from running.
    open = 3;
    sysLogin().closeChildWindows = [&] { open = 2; };
    script.answer(u"继续"_s);
    EXPECT_FALSE(sysLogin().RunLogin(1));
    EXPECT_EQ(1, shown);
    // The title after the login names the query-only mode.
    EXPECT_EQ(u"《德盈通》普及版V11.0.140215"_s, loggedInTitle());
    setRunMode(kQueryOnlyMode);
    EXPECT_EQ(u"《德盈通》普及版V11.0.140215(查询版)"_s, loggedInTitle());
}
TEST_F(LoginWindowTest, CtrlKeysTypedIntoTheListReachTheWindow) {
    auto w = windowOnList(kThree);
    QKeyEvent help(QEvent::KeyPress, Qt::Key_H, Qt::ControlModifier);
    QCoreApplication::sendEvent(w->profileList(), &help);
    EXPECT_EQ(QStringList{QStringLiteral("CTRL+H: 操作帮助提示\r\nCTRL+A: 显示所有账套\r\nCTRL+S: "
                                         "关闭隐藏账套\r\nCTRL+Q: 隐藏当前账套\r\nCTRL+W: "
                                         "显示当前账套")},
              script.messages());
    EXPECT_EQ(u"操作提示"_s, script.records(PromptKind::Message).value(0).caption);
    EXPECT_FALSE(w->hiddenKey(Qt::Key_B));
    // Ctrl+A asks for the administrator password instead of selecting all rows.
    script.cancelInput(u"管理员sa口令："_s);
    QKeyEvent all(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
    QCoreApplication::sendEvent(w->profileList(), &all);
    const QList<PromptRecord> inputs = script.records(PromptKind::Input);
    ASSERT_EQ(1, inputs.size());
    EXPECT_EQ(u"请输入数据库管理员口令"_s, inputs[0].caption);
    EXPECT_TRUE(inputs[0].password);
    EXPECT_FALSE(w->showHidden());
}

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

TEST(LoginPlatform, TheWorkstationIdIsTheSha1PrefixAndTheSessionRecordCarriesTheComputerName) {
    // SHA-1("abc") = a9993e36 4706816a ba3e2571 7850c26c 9cd0d89d (FIPS 180 example).
    EXPECT_EQ(u"A9993E36"_s, platform::workstationIdOf("abc"));
    // SHA-1("") = da39a3ee 5e6b4b0d ...
    EXPECT_EQ(u"DA39A3EE"_s, platform::workstationIdOf(QByteArray()));
    // This computer's id is the same each time.
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

TEST_F(LoginTest, ConfigurationFileKeepsClientKeysInItsSectionRequestLinesFollowTheServerOrder) {
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
    // The request lines follow the server's order.
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
TEST_F(LoginTest, ATypedLineBreakIsRefusedASuccessFillsTheSessionRecordFromTheReply) {
    // A typed line break is refused before anything is sent.
    EXPECT_NE(QString(), errorOf([&] {
                  sysLogin().Login(u"dytv1_1"_s, u"甲"_s, u"张\r\nUpdateFlag=Update"_s, u"5"_s,
                                   QString());
              }));
    EXPECT_EQ(0, callsOf(u"Login"_s).size());
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
    // A typed name that looks like the flag does not hide the real one.
    EXPECT_TRUE(
        sysLogin().Login(u"dytv1_1"_s, u"甲"_s, u"UpdateFlag=x"_s, u"UpdateFlag=x"_s, QString()));
    const QList<RecordedCall> logins = callsOf(u"Login"_s);
    ASSERT_EQ(2, logins.size());
    EXPECT_EQ(u"UpdateFlag=Check"_s, ParamList(logins[0].args.at(0).toString()).line(9));
    const ParamList second(logins[1].args.at(0).toString());
    EXPECT_EQ(u"UpdateFlag=x|UpdateFlag=Update"_s, second.line(2) + u'|' + second.line(9));
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
TEST_F(LoginTest, SessionIsRegisteredUnderTheLowerCasedCodeWithQuotesDoubledAndAgainForANewCode) {
    EXPECT_EQ(u" insert into syssession(id, PcID) values(@@spid, 'pc''a') "_s,
              sessionInsertSql(u"Pc'A"_s));
    config().write(configkey::clientId(), u"Pc'A"_s);
    EXPECT_EQ(u"Pc'A"_s, sysLogin().GetClientID());
    transport->respond(u"Login"_s, 0, {replyLines()});
    EXPECT_TRUE(sysLogin().Login(u"dytv1_1"_s, u"甲"_s, u"张三"_s, u"5"_s, QString()));
    EXPECT_EQ((QStringList{u" delete syssession where id = @@spid"_s,
                           u" insert into syssession(id, PcID) values(@@spid, 'pc''a') "_s}),
              updates());
    // A failed registration is shown and the login stands.
    transport->clearCalls();
    sysLogin().LoggedIn = false;
    transport->respond(u"Login"_s, 0, {replyLines()});
    transport->respond(u"ExecUpdate"_s, -1, {u"表syssession不存在"_s});
    EXPECT_TRUE(sysLogin().Login(u"dytv1_1"_s, u"甲"_s, u"张三"_s, u"5"_s, QString()));
    EXPECT_TRUE(sysLogin().LoggedIn);
    const auto shown = script.records(PromptKind::Message);
    ASSERT_EQ(1, shown.size());
    EXPECT_EQ(u"系统提示|表syssession不存在"_s, shown[0].caption + u'|' + shown[0].text);
    EXPECT_EQ(1, updates().size());
    // A new code is stored and registered again.
    transport->clearCalls();
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

namespace {

// The login window's fixture on a real connection to a dyt-server of this test.
class LoginWindowEndToEnd : public LoginWindowTest {
protected:
    void SetUp() override {
        LoginWindowTest::SetUp();
        dm->setTransport(std::make_unique<TcpTransport>());
        dm->programDir = test::binDir();
    }
    void TearDown() override {
        LoginWindowTest::TearDown();
        server.stop();
        sysLogin().localServer = u"127.0.0.1"_s;
    }
    // Starts the server with the administrator password (or the configuration lines given); the
    // local-server names lead to it.
    void startServer(const QString& adminPassword, const QByteArray& lines = {}) {
        const QString conf = dir.filePath(u"server.ini"_s);
        QFile f(conf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(lines.isEmpty() ? "adminpassword=" + adminPassword.toUtf8() + "\n" : lines);
        f.close();
        ASSERT_TRUE(server.start({u"--config"_s, conf})) << server.error().toStdString();
        sysLogin().localServer = server.address();
    }
    int rowOf(TfrmLogin& w, const QString& caption) const {
        for (int r = 0; r < w.profileList()->rowCount(); ++r)
            if (cell(w, r, kColCaption) == caption)
                return r;
        return -1;
    }
    test::ServerProcess server;
};

}  // namespace

TEST_F(LoginWindowEndToEnd,
       AccountSetsAreCreatedHiddenShownAndDeletedWithTheAdministratorPassword) {
    startServer(u"geheim"_s);
    TfrmLogin w(0, dir.path());
    QString password = u"geheim"_s;
    QString name = u"默认账套"_s;
    w.runProfileDialog = [&](TfrmProfileProperties& d) {
        if (d.mode() == TfrmProfileProperties::Mode::Create && !name.isEmpty())
            d.setProfileCaption(name);
        d.setAdminPassword(password);
        return true;
    };
    script.answer(u"确定"_s);
    w.serverEdit()->setEditText(u"."_s);
    w.btnLoginClick();
    ASSERT_EQ(1, w.step()) << script.messages().join(QLatin1Char('|')).toStdString();
    // Create: a wrong administrator password answers the server's message.
    password = u"falsch"_s;
    name = u"乙公司"_s;
    w.btnCreateClick();
    EXPECT_EQ(QStringList{u"管理员账号或口令错误"_s}, script.messages());
    EXPECT_EQ(-1, rowOf(w, u"乙公司"_s));
    password = u"geheim"_s;
    w.btnCreateClick();
    ASSERT_NE(-1, rowOf(w, u"乙公司"_s));
    EXPECT_EQ(4, w.profileList()->rowCount());
    script.clearRecords();
    // Ctrl+A: wrong, then right administrator password.
    script.enter(u"falsch"_s);
    w.hiddenKey(Qt::Key_A);
    EXPECT_FALSE(w.showHidden());
    ASSERT_EQ(1, script.records(PromptKind::Message).size());
    EXPECT_EQ(u"系统提示"_s, script.records(PromptKind::Message)[0].caption);
    script.enter(u"geheim"_s);
    w.hiddenKey(Qt::Key_A);
    EXPECT_TRUE(w.showHidden());
    // Ctrl+Q hides "乙公司"; after Ctrl+S it is gone from the list, after Ctrl+A it is back
    // marked "是", and Ctrl+W shows it again.
    w.profileList()->setCurrentCell(rowOf(w, u"乙公司"_s), kColCaption);
    script.answer(u"是(&O)"_s, u"是否确定要隐藏账套:[乙公司]"_s);
    w.hiddenKey(Qt::Key_Q);
    EXPECT_EQ(u"是"_s, cell(w, rowOf(w, u"乙公司"_s), kColHidden));
    w.hiddenKey(Qt::Key_S);
    EXPECT_EQ(-1, rowOf(w, u"乙公司"_s));
    script.enter(u"geheim"_s);
    w.hiddenKey(Qt::Key_A);
    ASSERT_NE(-1, rowOf(w, u"乙公司"_s));
    w.profileList()->setCurrentCell(rowOf(w, u"乙公司"_s), kColCaption);
    script.answer(u"是(&O)"_s, u"是否确定要显示账套:[乙公司]"_s);
    w.hiddenKey(Qt::Key_W);
    EXPECT_EQ(u"否"_s, cell(w, rowOf(w, u"乙公司"_s), kColHidden));
    w.hiddenKey(Qt::Key_S);
    EXPECT_NE(-1, rowOf(w, u"乙公司"_s));
    // Delete: wrong, then right administrator password.
    script.clearRecords();
    w.profileList()->setCurrentCell(rowOf(w, u"乙公司"_s), kColCaption);
    password = u"falsch"_s;
    w.btnDeleteClick();
    EXPECT_EQ(QStringList{u"管理员账号或口令错误"_s}, script.messages());
    EXPECT_NE(-1, rowOf(w, u"乙公司"_s));
    password = u"geheim"_s;
    w.btnDeleteClick();
    EXPECT_EQ(-1, rowOf(w, u"乙公司"_s));
    EXPECT_NE(-1, rowOf(w, u"默认账套"_s));
    EXPECT_EQ(0, quitCalls);
}
TEST_F(LoginWindowEndToEnd, RememberedServerAndAccountSetSkipToTheOperatorStep) {
    startServer(QString(), "rememberprofile=1\n");
    ASSERT_TRUE(dm->ConnectServer(server.address(), false, 1));
    const Response r = dm->GetAppServer().call(u"CreateProfile"_s,
                                               {u"甲公司"_s, u"甲公司"_s, QString(), QString()});
    ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
    TfrmLogin probe(0, dir.path());
    probe.loadProfileList();
    const QString dbName = probe.focusedDbName();
    ASSERT_FALSE(dbName.isEmpty());
    dm->Disconnect();
    // The server forces remembering; the remembered server and account set take the window to
    // the operator step at once.
    clientConfig().write(configkey::serverIp(), u"本机"_s);
    clientConfig().write(configkey::profileName(), dbName);
    clientConfig().write(configkey::remember(), u"0"_s);
    TfrmLogin off(0, dir.path());
    off.FormShow();
    EXPECT_EQ(0, off.step());
    clientConfig().write(configkey::remember(), u"1"_s);
    TfrmLogin w(0, dir.path());
    w.FormShow();
    EXPECT_EQ(2, w.step()) << script.messages().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(dm->Connected());
    EXPECT_EQ(u"1"_s, clientConfig().read(configkey::remember()));
    EXPECT_EQ(u"本地计算机"_s, w.serverEdit()->currentText());
    ASSERT_GE(w.userBox()->count(), 1);
    w.btnLoginClick();
    EXPECT_EQ(QDialog::Accepted, w.result());
    EXPECT_EQ(u"甲公司"_s, loginedUser().ProfileCaption);
}

namespace {

// The path of menus from the bar down to the command with the text.
bool menuPath(const QList<QAction*>& actions, const QString& text, QList<QAction*>* path) {
    for (QAction* a : actions) {
        if (a->isSeparator())
            continue;
        path->append(a);
        if (a->menu() ? menuPath(a->menu()->actions(), text, path) : a->text() == text)
            return true;
        path->removeLast();
    }
    return false;
}
// Clicks through the menus of the bar to the command, as a person does.
void chooseMenuEntry(QMenuBar* bar, const QString& text) {
    QList<QAction*> path;
    ASSERT_TRUE(menuPath(bar->actions(), text, &path)) << text.toStdString();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(path.first()).center());
    for (int i = 1; i < path.size(); ++i) {
        QMenu* menu = path.at(i - 1)->menu();
        ASSERT_TRUE(menu->isVisible()) << menu->title().toStdString();
        QTest::mouseMove(menu, menu->actionGeometry(path.at(i)).center());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(path.at(i)).center());
        QTest::qWait(30);  // a sub-menu opens after its delay
    }
}
// Logs in through the login window when it shows: Enter on the local server, Down `downs` times
// (Up for a negative number) and Enter in the account-set list from the remembered account set,
// Enter with operator 1's empty password.
void logInWithKeys(int downs) {
    test::onNextModal([downs](QWidget* modal) {
        auto* w = qobject_cast<TfrmLogin*>(modal);
        if (!w) {
            ADD_FAILURE() << "not the login window: " << modal->metaObject()->className();
            modal->close();
            return;
        }
        QTest::keyClick(w, Qt::Key_Return);
        EXPECT_EQ(1, w->step());
        for (int i = 0; i < std::abs(downs); ++i)
            QTest::keyClick(w->profileList(), downs < 0 ? Qt::Key_Up : Qt::Key_Down);
        QTest::keyClick(w->profileList(), Qt::Key_Return);
        EXPECT_EQ(2, w->step());
        QTest::keyClick(w->passwordEdit(), Qt::Key_Return);
        if (w->isVisible()) {
            ADD_FAILURE() << "the login window stayed open";
            w->reject();
        }
    });
}

}  // namespace

namespace {

// Types into the field "ed" + key of an input dialog, then Enter (the last field's Enter is OK).
void typeField(QWidget* dialog, const char* key, const QString& text) {
    auto* e = dialog->findChild<QLineEdit*>(u"ed"_s + QLatin1String(key));
    ASSERT_NE(nullptr, e) << key;
    QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(e, text);
    QTest::keyClick(e, Qt::Key_Return);
}
// The next modal input dialog gets these fields typed, in order.
void fillNextDialog(QList<std::pair<const char*, QString>> fields) {
    test::onNextModal([fields](QWidget* d) {
        for (const auto& [key, text] : fields)
            typeField(d, key, text);
        if (d->isVisible()) {
            ADD_FAILURE() << "the input dialog stayed open";
            QTest::keyClick(d, Qt::Key_Escape);
        }
    });
}
template <typename W>
W* lastChild(TfrmMain& main) {
    return main.childWindows().isEmpty() ? nullptr : qobject_cast<W*>(main.childWindows().last());
}

}  // namespace

// A new company at the keyboard: the default account set created at the login, the opening
// stock of an average-cost and of a batch goods, an opening receivable and cash, the books
// opened, a first purchase and sale, and their figures in the reports and balances; afterwards
// the opening cannot be reversed and a bill dated before it is refused by the server.
TEST_F(LoginWindowEndToEnd, ANewCompanyOpensItsBooksAndPostsItsFirstBills) {
    startServer(QString());
    TLocalCache cache(dir.path());
    dm.reset();
    ClientObjects objects = startUp({}, nullptr, dir.path());
    TfrmMain& main = *objects.main;
    objects.dm->programDir = test::binDir();
    wireLogin(main, *objects.dm);
    main.resize(1400, 900);
    test::setKeyWindow(&main);
    // The fresh server gets "默认账套": the offer confirmed, its dialog taken with Enter.
    script.answer(u"确定"_s, u"系统将自动为你创建默认账套"_s);
    test::onNextModal([](QWidget* modal) {
        auto* login = qobject_cast<TfrmLogin*>(modal);
        ASSERT_NE(nullptr, login);
        test::onNextModal([](QWidget* profile) { QTest::keyClick(profile, Qt::Key_Return); });
        QTest::keyClick(login, Qt::Key_Return);
        EXPECT_EQ(1, login->step());
        QTest::keyClick(login->profileList(), Qt::Key_Return);
        QTest::keyClick(login->passwordEdit(), Qt::Key_Return);
        if (login->isVisible()) {
            ADD_FAILURE() << "the login window stayed open";
            login->reject();
        }
    });
    main.show();
    ASSERT_TRUE(test::waitUntil([&main] { return main.activated(); }));
    ASSERT_EQ(u"默认账套"_s, loginedUser().ProfileCaption);
    TdmMain& d = *objects.dm;
    d.quitApplication = [this] { ++quitCalls; };
    ASSERT_EQ(QString(), test::allowSeeding(d));
    d.ExecUpdate(
        QStringLiteral("INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) "
                       "VALUES (201, 0, '201,', 1, 0, 'K1', '甲客户')"));
    const auto listed = [&main] {
        return QList<int>{main.tabStrip()->count(),
                          static_cast<int>(main.windowListBar()->actions().size()),
                          static_cast<int>(main.workspace()->subWindowList().size())};
    };
    const QList<int> empty = listed();
    {
        SCOPED_TRACE("receipt left unsaved, account set changed through the menu");
        // The partner picked (Space on "…", a double-click in the selection), then "退出" and
        // "废弃退出": no tab, button or frame stays.
        chooseMenuEntry(main.menuBar(), u"收款单"_s);
        ASSERT_EQ(empty.value(0) + 1, main.tabStrip()->count());
        auto* bill = qobject_cast<TfrmBillSKD*>(main.childWindows().last());
        ASSERT_NE(nullptr, bill);
        test::onNextModal([](QWidget* modal) {
            auto* grid = modal->findChild<GridView*>(u"grdBase"_s);
            if (grid && grid->model() && grid->model()->rowCount() > 0) {
                QTableView* table = grid->table();
                test::doubleClick(table->viewport(),
                                  table->visualRect(table->currentIndex()).center());
            }
            if (modal->isVisible()) {
                ADD_FAILURE() << "the selection stayed open";
                QTest::keyClick(modal, Qt::Key_Escape);
            }
        });
        QTest::keyClick(bill->findChild<QToolButton*>(u"btn_wldw_id"_s), Qt::Key_Space);
        EXPECT_EQ(u"甲客户"_s, bill->eddw()->text());
        test::walkStep(u"receipt"_s);
        script.answer(billtext::discardAndExit(), billtext::closeQuestion());
        QTest::mouseClick(bill->toolBar()->widgetForAction(bill->btnExit()), Qt::LeftButton);
        EXPECT_TRUE(test::waitUntil([&] { return listed() == empty; })) << listed().value(0);
        // "更换账套或操作员" into a second account set with keys, a receipt there, and back.
        const Response r = d.GetAppServer().call(u"CreateProfile"_s,
                                                 {u"乙账套"_s, u"乙账套"_s, u"sa"_s, QString()});
        ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
        logInWithKeys(1);
        chooseMenuEntry(main.menuBar(), u"更换账套或操作员"_s);
        EXPECT_EQ(u"乙账套"_s, loginedUser().ProfileCaption);
        test::walkStep(u"logged-in-again"_s);
        chooseMenuEntry(main.menuBar(), u"收款单"_s);
        ASSERT_NE(nullptr, qobject_cast<TfrmBillSKD*>(main.childWindows().last()));
        QTest::keyClick(main.childWindows().last(), Qt::Key_Escape);
        EXPECT_TRUE(test::waitUntil([&] { return listed() == empty; }));
        logInWithKeys(-1);
        chooseMenuEntry(main.menuBar(), u"更换账套或操作员"_s);
        ASSERT_EQ(u"默认账套"_s, loginedUser().ProfileCaption);
        EXPECT_FALSE(main.otherWindowsOpen());
    }
    ASSERT_EQ(QString(), test::allowSeeding(d));
    for (const char* sql :
         {"INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname, costmode) "
          "VALUES (101, 0, '101,', 1, 0, 'SP101', '螺丝', 0), (102, 0, '102,', 1, 0, 'SP102', "
          "'齿轮', 2)",
          "INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate) VALUES (1011, 101, 0, '个', "
          "1), (1021, 102, 0, '只', 1)",
          "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES (203, "
          "0, '203,', 1, 0, 'G1', '华东五金')",
          "INSERT INTO baseCK(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES (301, 0, "
          "'301,', 1, 0, 'CK1', '总仓')"})
        d.ExecUpdate(QString::fromUtf8(sql));
    const auto number = [&d](const QString& sql) {
        RecordSet rs;
        d.ExecQuery(sql, &rs);
        return rs.recordCount() ? std::round(rs.at(0, 0).toDouble() * 100) / 100 : -1.0;
    };
    const auto account = [&number](const char* role) {
        return number(
            u"SELECT Total FROM baseKM WHERE id = (SELECT km_id FROM sysSubjectInterface "
            "WHERE type = 0 AND name = '%1')"_s.arg(QString::fromUtf8(role)));
    };

    {
        SCOPED_TRACE("opening stock");
        chooseMenuEntry(main.menuBar(), u"期初库存商品"_s);
        auto* w = lastChild<TfrmIniGoodsStock>(main);
        ASSERT_NE(nullptr, w);
        test::pickNext(u"CK1"_s);
        QTest::keyClick(w->edWarehouse(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w->edWarehouse(), u"CK1"_s);
        QTest::keyClick(w->edWarehouse(), Qt::Key_Return);
        ASSERT_EQ(u"总仓"_s, w->edWarehouse()->text());
        QTableView* table = w->dbgvX()->table();
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Home);
        fillNextDialog({{"qty", u"10"_s}, {"total", u"100"_s}});
        QTest::keyClick(table, Qt::Key_Return);  // 101, by moving average
        QTest::keyClick(table, Qt::Key_Down);
        QTest::keyClick(table, Qt::Key_Return);  // 102, batch by batch
        auto* batches = lastChild<TfrmBaseKCPCB>(main);
        ASSERT_NE(nullptr, batches);
        for (const auto& [ph, qty, total] : {std::tuple{"P1", "4", "20"}, {"P2", "6", "36"}}) {
            fillNextDialog({{"ph", QString::fromLatin1(ph)},
                            {"qty", QString::fromLatin1(qty)},
                            {"total", QString::fromLatin1(total)}});
            QTest::keyClick(batches->dbgvX()->table(), Qt::Key_Insert);
        }
        EXPECT_EQ(2, batches->model()->rowCount());
        test::walkStep(u"opening-stock"_s);
        EXPECT_EQ(156, account("库存商品"));
    }
    {
        SCOPED_TRACE("opening receivable and cash");
        chooseMenuEntry(main.menuBar(), u"期初应收应付"_s);
        auto* p = lastChild<TfrmIniYSYF>(main);
        ASSERT_NE(nullptr, p);
        QTest::keyClicks(p->edSearch(), u"K1"_s);
        QTest::keyClick(p->edSearch(), Qt::Key_Return);
        ASSERT_TRUE(test::waitUntil([p] { return p->model()->rowCount() == 1; }));
        fillNextDialog({{"ysTotal", u"300"_s},
                        {"yfTotal", u""_s},
                        {"yuShouTotal", u""_s},
                        {"yufuTotal", u""_s}});
        p->dbgvX()->table()->setFocus();
        QTest::keyClick(p->dbgvX()->table(), Qt::Key_Return);
        chooseMenuEntry(main.menuBar(), u"期初现金银行"_s);
        auto* k = lastChild<TfrmIniKmData>(main);
        ASSERT_NE(nullptr, k);
        k->dbgvX()->table()->setFocus();
        QTest::keyClick(k->dbgvX()->table(), Qt::Key_Home);
        fillNextDialog({{"Total", u"500"_s}});
        QTest::keyClick(k->dbgvX()->table(), Qt::Key_F2);
        EXPECT_EQ(u"300|500"_s, QString::number(account("应收账款")) + u'|' +
                                    QString::number(number(u"SELECT Total FROM baseKM WHERE "
                                                           "code = '103'"_s)));
    }
    const auto initOver = [&](bool reverse) {
        test::onNextModal([reverse](QWidget* modal) {
            auto* o = qobject_cast<TfrmInitOver*>(modal);
            ASSERT_NE(nullptr, o);
            QTest::mouseClick(reverse ? o->btnReverse() : o->btnOpen(), Qt::LeftButton);
            if (o->isVisible())
                QTest::keyClick(o, Qt::Key_Escape);
        });
        chooseMenuEntry(main.menuBar(), u"期初完成..开账"_s);
    };
    initOver(false);
    EXPECT_EQ(u"开账操作成功！"_s, script.messages().value(script.messages().size() - 1));
    EXPECT_EQ(1, settings().IsOpen);

    const auto enterBill = [&](const char* menu, const QString& partner, const QString& goods,
                               const QString& qty, const QString& price, const QDate& date) {
        chooseMenuEntry(main.menuBar(), QString::fromUtf8(menu));
        auto* bill = lastChild<TfrmGoodsBill>(main);
        EXPECT_NE(nullptr, bill);
        if (!bill)
            return qint64(0);
        bill->edBillDate()->setDate(date);
        main.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&main));
        bill->headerControl(u"eddw"_s)->setFocus();
        test::pickNext(partner);
        test::typeKeys(partner);
        test::pressKey(Qt::Key_Return);
        for (int i = 0; i < 40 && bill->focusWidget() != bill->dbgvX()->table(); ++i)
            test::pressKey(Qt::Key_Return);
        for (const QString& typed : {goods, qty, price}) {
            test::typeKeys(typed);
            test::pressKey(Qt::Key_Return);
        }
        qint64 id = 0;
        QObject::connect(bill, &TfrmBillAbstract::billSaved, [&id](qint64 saved) { id = saved; });
        test::pressKey(Qt::Key_S, Qt::ControlModifier);
        return id;
    };
    const QDate today = settings().LoginDate;
    EXPECT_GT(enterBill("进货单", u"G1"_s, u"SP101"_s, u"5"_s, u"12"_s, today), 0)
        << script.messages().join(u'|').toStdString();
    EXPECT_GT(enterBill("销售单", u"K1"_s, u"SP101"_s, u"4"_s, u"20"_s, today), 0)
        << script.messages().join(u'|').toStdString();
    test::walkStep(u"first-bills"_s);

    // 101: 10 at 10 and 5 at 12, 4 sold at the average 10.6667; 102 as opened.
    chooseMenuEntry(main.menuBar(), u"库存状况表"_s);
    auto* status = lastChild<TfrmQKCZKB>(main);
    ASSERT_NE(nullptr, status);
    QTest::mouseClick(status->toolBar()->widgetForAction(status->btnRefurbish()), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([status] { return status->model()->rowCount() == 2; }));
    QStringList rows;
    for (int r = 0; r < 2; ++r) {
        const RecordSet& rs = status->records();
        rows << u"%1|%2|%3"_s.arg(rs.at(r, rs.fieldIndex(u"sp_spbh"_s)).toString())
                    .arg(rs.at(r, rs.fieldIndex(u"stockqty"_s)).toDouble())
                    .arg(std::round(
                             rs.at(r, rs.fieldIndex(u"stockTotal"_s)).value<Currency>().toDouble() *
                             100) /
                         100);
    }
    EXPECT_EQ(u"SP101|11|117.33 SP102|10|56"_s, rows.join(u' '));
    EXPECT_EQ(u"380|60|500|173.33"_s,
              u"%1|%2|%3|%4"_s.arg(number(u"SELECT ystotal FROM baseWLDW WHERE id = 201"_s))
                  .arg(number(u"SELECT yftotal FROM baseWLDW WHERE id = 203"_s))
                  .arg(number(u"SELECT Total FROM baseKM WHERE code = '103'"_s))
                  .arg(account("库存商品")));

    // The opening cannot be reversed now, and nothing is dated before it.
    initOver(true);
    EXPECT_EQ(u"已经有过账单据，不能反开账！"_s,
              script.messages().value(script.messages().size() - 1));
    EXPECT_EQ(1, settings().IsOpen);
    EXPECT_EQ(0, enterBill("进货单", u"G1"_s, u"SP102"_s, u"1"_s, u"5"_s, today.addDays(-1)));
    EXPECT_TRUE(script.messages().last().contains(u"早于开账日期"_s))
        << script.messages().last().toStdString();
    EXPECT_EQ(0, quitCalls);
}
