// The login window against a real dyt-server, and a whole session at the keyboard and mouse.

#include <QComboBox>
#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "client/bills/frmbillabstract.h"
#include "client/bills/frmbillskd.h"
#include "client/logic/clientconfig.h"
#include "client/common/frmlogin.h"
#include "client/common/frmprofileproperties.h"
#include "client/common/gridview.h"
#include "client/logic/localcache.h"
#include "client/logic/recordsetmodel.h"
#include "client/common/syslogin.h"
#include "client/shell/mainwindow.h"
#include "client/shell/startup.h"
#include "dmtest_support.h"
#include "support/serverprocess.h"

using namespace dyt;
using namespace dyt::client;

namespace {

class LoginWindowEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        resetSession();
        setRunMode(kFullMode);
        test::reportFaultsToTest(script);
        ASSERT_TRUE(dir.isValid());
        openClientConfig(dir.path());
        sysLogin().LoggedIn = false;
        sysLogin().setProgramEnding(false);
        sysLogin().AllowDateChange = true;
        dm = std::make_unique<TdmMain>();
        dm->programDir = test::binDir();
        dm->quitApplication = [this] { ++quits; };
        dm->startProgram = [this](const QString& program, const QStringList&) {
            started.append(program);
        };
    }
    void TearDown() override {
        dm.reset();
        server.stop();
        closeClientConfig();
        sysLogin().LoggedIn = false;
        sysLogin().localServer = u"127.0.0.1"_s;
        sysLogin().childWindowCount = nullptr;
        sysLogin().closeChildWindows = nullptr;
        sysLogin().onLoggedIn = nullptr;
        sysLogin().cacheStep = nullptr;
        resetSession();
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
    QString cell(TfrmLogin& w, int row, int column) const {
        const QTableWidgetItem* item = w.profileList()->item(row, column);
        return item ? item->text() : u"<none>"_s;
    }
    int rowOf(TfrmLogin& w, const QString& caption) const {
        for (int r = 0; r < w.profileList()->rowCount(); ++r)
            if (cell(w, r, kColCaption) == caption)
                return r;
        return -1;
    }
    ScriptedPrompter script;
    PrompterOverride override_{&script};
    QTemporaryDir dir;
    test::ServerProcess server;
    std::unique_ptr<TdmMain> dm;
    QStringList started;
    int quits = 0;
};

}  // namespace

TEST_F(LoginWindowEndToEnd, FreshServerGetsTheDefaultAccountSetAndTheOperatorLogsIn) {
    startServer(QString());
    TfrmLogin w(0, dir.path());
    int dialogs = 0;
    w.runProfileDialog = [&](TfrmProfileProperties& d) {
        EXPECT_EQ(TfrmProfileProperties::Mode::Create, d.mode());
        EXPECT_EQ(u"默认账套"_s, d.profileCaption());
        EXPECT_EQ(u"dytv1Default"_s, d.databaseName());
        return ++dialogs > 0;
    };
    script.answer(u"确定"_s, u"系统将自动为你创建默认账套"_s);
    w.serverEdit()->setEditText(u"本机"_s);
    w.btnLoginClick();
    ASSERT_EQ(1, w.step()) << script.messages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(1, dialogs);
    EXPECT_EQ(QStringList{u"系统正在创建默认账套，请稍候..."_s}, script.progressTexts());
    EXPECT_TRUE(started.isEmpty());  // the server answering at the local address is used
    EXPECT_EQ(4, w.profileList()->rowCount());
    EXPECT_EQ(u"默认账套"_s, cell(w, 0, kColCaption));
    EXPECT_EQ(QString(), cell(w, 1, kColCaption));
    // Step 1: the operators of the default account set.
    w.btnLoginClick();
    ASSERT_EQ(2, w.step()) << script.messages().join(QLatin1Char('|')).toStdString();
    ASSERT_GE(w.userBox()->count(), 1);
    EXPECT_EQ(u"1"_s, w.userBox()->itemData(0).toString());
    // A new account set's operator 1 has no password.
    w.btnLoginClick();
    EXPECT_EQ(QDialog::Accepted, w.result());
    EXPECT_EQ(dyt::test::clientValuesText(1, w.userBox()->itemText(0), cell(w, 0, kColDbName),
                                          cell(w, 0, kColDbName), u"本机"_s),
              dyt::test::clientValuesText(loginedUser().UserId, loginedUser().UserName,
                                          loginedUser().ProfileName,
                                          clientConfig().read(configkey::profileName()),
                                          clientConfig().read(configkey::serverIp())));
    EXPECT_EQ(0, quits);
}
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
    EXPECT_EQ(0, quits);
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
// and Enter in the account-set list, Enter with operator 1's empty password.
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
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(w->profileList(), Qt::Key_Down);
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

TEST_F(LoginWindowEndToEnd, ReceiptLeftUnsavedThenAccountSetChangedThroughTheMenu) {
    startServer(QString());
    ASSERT_TRUE(dm->ConnectServer(server.address(), false, 1));
    for (const QString& caption : {u"甲账套"_s, u"乙账套"_s}) {
        const Response r =
            dm->GetAppServer().call(u"CreateProfile"_s, {caption, caption, u"sa"_s, QString()});
        ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
    }
    dm.reset();  // the client's own data module takes over
    TLocalCache cache(dir.path());
    ClientObjects objects = startUp({}, nullptr, dir.path());
    TfrmMain& main = *objects.main;
    objects.dm->programDir = test::binDir();
    objects.dm->quitApplication = [this] { ++quits; };
    objects.dm->startProgram = [this](const QString& program, const QStringList&) {
        started.append(program);
    };
    wireLogin(main, *objects.dm);
    main.resize(1200, 800);
    logInWithKeys(0);
    main.show();
    for (int i = 0; i < 300 && !main.activated(); ++i)
        QTest::qWait(10);
    ASSERT_TRUE(main.activated());
    ASSERT_EQ(u"甲账套"_s, loginedUser().ProfileCaption);
    objects.dm->ExecUpdate(
        QStringLiteral("INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) "
                       "VALUES (201, 0, '201,', 1, 0, 'K1', '甲客户')"));
    const int before = main.tabStrip()->count();
    const auto listed = [&main] {
        return QList<int>{main.tabStrip()->count(),
                          static_cast<int>(main.windowListBar()->actions().size()),
                          static_cast<int>(main.workspace()->subWindowList().size())};
    };
    const QList<int> empty = listed();
    // The receipt: its partner picked (Space on "…", a double-click in the selection), then "退出"
    // and "废弃退出".
    chooseMenuEntry(main.menuBar(), u"收款单"_s);
    ASSERT_EQ(before + 1, main.tabStrip()->count());
    auto* bill = qobject_cast<TfrmBillSKD*>(main.childWindows().last());
    ASSERT_NE(nullptr, bill);
    test::onNextModal([](QWidget* modal) {
        auto* grid = modal->findChild<GridView*>(u"grdBase"_s);
        if (grid && grid->model() && grid->model()->rowCount() > 0) {
            QTableView* table = grid->table();
            test::doubleClick(table->viewport(), table->visualRect(table->currentIndex()).center());
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
    EXPECT_TRUE(test::waitUntil([&] { return listed() == empty; }))  // no tab, button or frame
        << listed().value(0);
    test::walkStep(u"discarded"_s);
    // "更换账套或操作员" from its menu, the login in 乙账套 with keys, then a new receipt there.
    if (main.otherWindowsOpen())
        script.answer(u"继续"_s, logintext::closeWindowsQuestion());
    logInWithKeys(1);
    chooseMenuEntry(main.menuBar(), u"更换账套或操作员"_s);
    EXPECT_EQ(u"乙账套"_s, loginedUser().ProfileCaption);
    EXPECT_FALSE(main.otherWindowsOpen());
    test::walkStep(u"logged-in-again"_s);
    chooseMenuEntry(main.menuBar(), u"收款单"_s);
    ASSERT_NE(nullptr, qobject_cast<TfrmBillSKD*>(main.childWindows().last()));
    QTest::keyClick(main.childWindows().last(), Qt::Key_Escape);
    EXPECT_TRUE(test::waitUntil([&] { return listed() == empty; }));
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(0, quits);
    objects.main.reset();
    objects.dm.reset();
}
