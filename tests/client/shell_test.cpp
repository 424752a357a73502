// Start-up and main window: run mode, splash steps, first activation through the hooks, status
// panels and network state, the close request with the automatic backup.
// The main window's workspace: child windows and their tab, toolbar and menu mirrors.
// The account opening dialog and the version information against the recording transport.

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <functional>
#include <memory>

#include "client/logic/autobackup.h"
#include "client/logic/settings.h"
#include "client/shell/functionmenu.h"
#include "client/shell/mainwindow.h"
#include "client/shell/navigator.h"
#include "client/shell/splash.h"
#include "client/shell/startup.h"
#include "client/system/frminitover.h"
#include "client/system/frmsysversioninfo.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "functionmenu_support.h"
#include "protocol/protocol.h"

using namespace dyt;
using namespace dyt::client;
using dyt::test::DmFixture;

TEST(RunMode, FirstArgumentDashCInAnyCaseSelectsQueryOnly) {
    const struct {
        QStringList args;
        int mode;
    } cases[] = {
        {{u"-c"_s}, kQueryOnlyMode},
        {{u"-C"_s}, kQueryOnlyMode},
        {{u"-c"_s, u"x"_s}, kQueryOnlyMode},
        {{u"x"_s, u"-c"_s}, kFullMode},
        {{u"-cx"_s}, kFullMode},
        {{}, kFullMode},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.mode, runModeFromArguments(c.args))
            << c.args.join(QLatin1Char(' ')).toStdString();
    // The mode's label travels in the login request: LoginTest.
}
TEST(AutoBackup, DueWhenLastDatePlusIntervalIsNotLaterThanToday) {
    const QDate today(2026, 12, 6);
    const struct {
        const char* name;
        const char* last;
        int interval;
        bool queryOnly;
        bool due;
    } cases[] = {
        {"interval reached today", "2026-11-29", 7, false, true},
        {"interval passed", "2026-10-01", 7, false, true},
        {"interval not yet reached", "2026-11-30", 7, false, false},
        {"across a year end", "2025-12-31", 340, false, true},
        {"interval 0 always", "2026-12-06", 0, false, true},
        {"negative interval", "2026-12-06", -1, false, true},
        {"never backed up (empty)", "", 7, false, true},
        {"unreadable date", "去年", 7, false, true},
        {"query-only never", "2026-01-01", 0, true, false},
        {"query-only never, empty date", "", 7, true, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.due, autoBackupDue(QString::fromUtf8(c.last), c.interval, today, c.queryOnly))
            << c.name;
    }
    EXPECT_EQ(u"账套甲.20261206.0905.db"_s,
              autoBackupFileName(u"账套甲"_s, QDateTime(today, QTime(9, 5, 59))));
}
TEST(StartUp, SplashStepsByTenthsThenFullAndCreatesTheObjects) {
    QTemporaryDir dir;
    TfrmSplash splash(dir.path());
    EXPECT_FALSE(splash.pictureLoaded());  // no picture: no error, empty control
    EXPECT_EQ(509, splash.width());
    ClientObjects objects = startUp({u"-C"_s}, &splash, dir.path());
    EXPECT_EQ((QStringList{u"正在初始化系统运行环境...|0"_s, u"正在加载主程序模块...|10"_s,
                           u"正在加载系统导航模块...|20"_s, u"正在加载网络通讯模块...|30"_s,
                           u"系统初始化完毕，准备开始运行...|40"_s}),
              splash.history());
    EXPECT_EQ(100, splash.gauge());
    EXPECT_TRUE(splash.started());
    ASSERT_TRUE(objects.main);
    ASSERT_TRUE(objects.dm);
    EXPECT_EQ(objects.dm.get(), dmMain());
    EXPECT_EQ(objects.dm.get(), objects.main->dataModule());
    EXPECT_EQ(objects.navigator, objects.main->navigator());
    EXPECT_FALSE(objects.dm->Connected());
    EXPECT_EQ(kQueryOnlyMode, runMode());
    EXPECT_EQ(u"《德盈通》普及版"_s, objects.main->windowTitle());
    setRunMode(kFullMode);
}

namespace {

class ShellTest : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        ASSERT_TRUE(dir.isValid());
        main = std::make_unique<TfrmMain>(dir.path());
        main->attachDataModule(dm.get());
    }
    void TearDown() override {
        main.reset();
        DmFixture::TearDown();
    }
    // A logged-in session on a connected server as the login leaves it.
    void login() {
        connectLoggedIn(7);
        TLoginedUser& u = loginedUser();
        u.ServerAddress = u"srv:8019"_s;
        u.ProfileName = u"dytv1_1"_s;
        u.ProfileCaption = u"账套甲"_s;
        u.UserName = u"张三"_s;
        u.dbUserName = u"sa"_s;
        u.dbPassword = u"pw"_s;
    }
    void backupSettings(const QString& last, int interval) {
        main->hooks.autoBackupSettings = [last, interval](QString* d, int* i) {
            *d = last;
            *i = interval;
            return true;
        };
    }
    QTemporaryDir dir;
    std::unique_ptr<TfrmMain> main;
};

}  // namespace

TEST_F(ShellTest, StatusPanelsShowTheClockAndQuickLinksOpenTheirFunctions) {
    EXPECT_FALSE(main->panelVisible(TfrmMain::kMessagePanel));
    EXPECT_TRUE(main->panelVisible(TfrmMain::kNetworkPanel));
    main->showClock(QDateTime(QDate(2026, 12, 6), QTime(8, 3, 9)));
    EXPECT_EQ(u"系统时间：2026-12-06 08:03:09"_s, main->panelText(TfrmMain::kClockPanel));
    // The quick links open their functions.
    QList<int> opened;
    main->hooks.openFunction = [&](int code) { opened.append(code); };
    main->resize(1200, 800);
    for (int i = 0; i < 4; ++i) {
        QLabel* link = main->quickLinkLabel(i);
        ASSERT_NE(nullptr, link);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(link, &release);
    }
    EXPECT_EQ((QList<int>{2002, 300601, 300501, 3030}), opened);
    // Anchored at the right edge of the window.
    const int width = main->quickLinkLabel(0)->parentWidget()->width();
    EXPECT_EQ(width - 243, main->quickLinkLabel(3)->x());
}
TEST_F(ShellTest, StatusFollowsTheSessionAndTheNetworkBlinksWhileDown) {
    login();
    loginedUser().ServerAddress = u"127.0.0.1"_s;
    main->refreshStatus();
    EXPECT_EQ(u"服务器：本机|账套：账套甲|操作员：张三|网络状态：正常"_s,
              test::clientValuesText(main->panelText(TfrmMain::kServerPanel),
                                     main->panelText(TfrmMain::kProfilePanel),
                                     main->panelText(TfrmMain::kOperatorPanel),
                                     main->panelText(TfrmMain::kNetworkPanel)));
    EXPECT_EQ(QColor(Qt::blue), main->panelColor(TfrmMain::kNetworkPanel));
    EXPECT_FALSE(main->blinking());
    loginedUser().ServerAddress = u"srv:8019"_s;
    main->refreshStatus();
    EXPECT_EQ(u"服务器：srv:8019"_s, main->panelText(TfrmMain::kServerPanel));
    dm->Disconnect();  // the data module tells the window
    EXPECT_EQ(u"网络状态：断网"_s, main->panelText(TfrmMain::kNetworkPanel));
    EXPECT_EQ(QColor(Qt::red), main->panelColor(TfrmMain::kNetworkPanel));
    EXPECT_TRUE(main->blinking());
    const QStringList expected{u"网络状态：连接中..."_s, u"网络状态：断网"_s,
                               u"网络状态：连接中..."_s};
    for (const QString& text : expected) {
        main->blinkTick();
        EXPECT_EQ(text, main->panelText(TfrmMain::kNetworkPanel));
        EXPECT_EQ(text.endsWith(u"断网"_s) ? QColor(Qt::red) : QColor(Qt::blue),
                  main->panelColor(TfrmMain::kNetworkPanel));
    }
    ASSERT_TRUE(dm->ConnectServer(u"srv:8019"_s, false, 1));
    EXPECT_FALSE(main->blinking());
    EXPECT_EQ(u"网络状态：正常"_s, main->panelText(TfrmMain::kNetworkPanel));
}
TEST_F(ShellTest, FirstActivationRunsLoginSettingsMenuOnce) {
    QStringList order;
    int progressAtSettings = -1;
    main->hooks.login = [&] {
        order.append(u"login"_s);
        login();
        return true;
    };
    main->hooks.loadSettings = [&] {
        order.append(u"settings"_s);
        progressAtSettings = script.progress().position();
        return true;
    };
    main->hooks.buildMenu = [&] { order.append(u"menu"_s); };
    main->hooks.afterStart = [&] { order.append(u"alerts"_s); };
    QFile ini(QDir(dir.path()).filePath(u"dytv1config.ini"_s));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[_CLIENT_]\r\nCYGNPAGE7=3\r\nCYGNPAGE1=2\r\n");
    ini.close();
    main->FormActivate();
    EXPECT_EQ((QStringList{u"login"_s, u"settings"_s, u"menu"_s, u"alerts"_s}), order);
    EXPECT_TRUE(main->activated());
    EXPECT_EQ(4, progressAtSettings);
    EXPECT_EQ(8, script.progress().maximum());
    EXPECT_EQ(QStringList{u"正在加载系统配置，请稍后..."_s}, script.progressTexts());
    EXPECT_FALSE(script.progressVisible());
    ASSERT_NE(nullptr, main->navigator());
    EXPECT_EQ(3, main->navigator()->currentPage());
    ASSERT_EQ(1, main->workspace()->subWindowList().size());
    EXPECT_EQ(main->navigator(), main->workspace()->subWindowList().at(0)->widget());
    EXPECT_EQ(u"操作员：张三"_s, main->panelText(TfrmMain::kOperatorPanel));
    main->FormActivate();  // a second activation runs nothing
    EXPECT_EQ(4, order.size());
    EXPECT_EQ(1, main->workspace()->subWindowList().size());
}
TEST_F(ShellTest, FailedLoginStopsBeforeSettingsAndFailedSettingsBeforeMenu) {
    QStringList order;
    main->hooks.login = [&] {
        order.append(u"login"_s);
        return false;
    };
    main->hooks.loadSettings = [&] {
        order.append(u"settings"_s);
        return false;
    };
    main->hooks.buildMenu = [&] { order.append(u"menu"_s); };
    main->FormActivate();
    EXPECT_EQ(QStringList{u"login"_s}, order);
    EXPECT_FALSE(main->activated());
    auto second = std::make_unique<TfrmMain>(dir.path());
    second->hooks = main->hooks;
    second->hooks.login = [&] { return true; };
    order.clear();
    second->FormActivate();
    EXPECT_EQ(QStringList{u"settings"_s}, order);
    EXPECT_TRUE(second->activated());
    EXPECT_FALSE(script.progressVisible());
    EXPECT_EQ(1, second->navigator()->currentPage());  // not reached: stays on the first page
}
TEST_F(ShellTest, WithoutHooksTheWindowRunsWithoutASession) {
    main->FormActivate();
    EXPECT_TRUE(main->activated());
    EXPECT_EQ(1, main->navigator()->currentPage());
    EXPECT_EQ(u"操作员："_s, main->panelText(TfrmMain::kOperatorPanel));
    EXPECT_TRUE(script.messages().isEmpty());
}
TEST_F(ShellTest, CloseBacksUpWhenDueAndStoresTheDate) {
    login();
    backupSettings(u"2026-11-29"_s, 7);
    script.answer(u"确定(&O)"_s);
    EXPECT_TRUE(main->FormCloseQuery(QDateTime(QDate(2026, 12, 6), QTime(9, 5))));
    EXPECT_EQ((QStringList{u"BackupProfile"_s, u"ExecProc"_s}), transport->methods(false));
    const RecordedCall backup = transport->calls().at(0);
    EXPECT_EQ(
        (QCborArray{u"dytv1_1"_s, u"账套甲"_s, u"账套甲.20261206.0905.db"_s, u"sa"_s, u"pw"_s, 0}),
        backup.args);
    const RecordedCall store = transport->calls().last();
    EXPECT_EQ(u"P_SYS_Up_DataRow"_s, store.procedure);
    EXPECT_EQ((QStringList{u"Name=自动备份日期"_s, u"DefValue=2026-12-06"_s, u"czy_id=7"_s}),
              store.paramLines);
    EXPECT_EQ((QStringList{u"系统正在备份账套，请耐心等待..."_s, u"备份成功"_s}),
              script.progressTexts());
    EXPECT_FALSE(script.progressVisible());
}
TEST_F(ShellTest, FailedBackupIsToldAndTheCloseGoesOn) {
    login();
    backupSettings(QString(), 30);  // never backed up: due
    transport->respond(u"BackupProfile"_s, -1, {0, u"磁盘已满"_s, QCborValue(QCborValue::Null)});
    script.answer(u"确定(&O)"_s);
    EXPECT_TRUE(main->FormCloseQuery(QDateTime(QDate(2026, 12, 6), QTime(9, 5))));
    EXPECT_EQ((QStringList{u"系统正在备份账套，请耐心等待..."_s, u"备份失败，请手动备份！"_s}),
              script.progressTexts());
    EXPECT_EQ((QStringList{u"BackupProfile"_s, u"ExecProc"_s}), transport->methods(false));
}
TEST_F(ShellTest, NoBackupWhenNotDueOrQueryOnly) {
    login();
    const struct {
        const char* name;
        const char* last;
        int interval;
        int mode;
    } cases[] = {
        {"not due", "2026-12-01", 7, kFullMode},
        {"query-only", "", 0, kQueryOnlyMode},
    };
    for (const auto& c : cases) {
        transport->clearCalls();
        setRunMode(c.mode);
        backupSettings(QString::fromUtf8(c.last), c.interval);
        script.answer(u"确定(&O)"_s);
        EXPECT_TRUE(main->FormCloseQuery(QDateTime(QDate(2026, 12, 6), QTime(9, 5)))) << c.name;
        EXPECT_TRUE(transport->calls().isEmpty()) << c.name;
    }
    EXPECT_TRUE(script.progressTexts().isEmpty());
}
TEST_F(ShellTest, ClosingTheWindowClosesChildrenAndDisconnects) {
    login();
    int childrenClosed = 0;
    main->hooks.closeChildren = [&] { ++childrenClosed; };
    main->show();
    main->FormActivate();
    backupSettings(QString(), 30);  // a backup is due: a cancelled close sends nothing
    transport->clearCalls();
    script.answer(u"取消(&C)"_s, u"您确定要退出系统吗？"_s);
    main->exitAction()->trigger();  // the toolbar button "退出系统"
    const auto q = script.records(PromptKind::Question);
    ASSERT_EQ(1, q.size());
    EXPECT_EQ(u"提示|确定(&O),取消(&C)"_s, q.at(0).caption + u'|' + q.at(0).buttons.join(u','));
    script.escape();
    main->exitAction()->trigger();
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(0, childrenClosed);
    EXPECT_TRUE(dm->Connected());
    EXPECT_TRUE(transport->calls().isEmpty());
    backupSettings(u"2026-12-01"_s, 3650);
    script.answer(u"确定(&O)"_s);
    main->exitAction()->trigger();
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(1, childrenClosed);
    EXPECT_FALSE(dm->Connected());
    EXPECT_TRUE(main->workspace()->subWindowList().isEmpty());
    EXPECT_EQ(3, script.records(PromptKind::Question).size());
}
// Qt's own texts come out Chinese: the menus of the main window and of a text field, the buttons
// and captions of the file, print and message dialogs. A text of ASCII letters only (accelerator
// marks and shortcuts aside) is an untranslated one; product names stay as they are.
TEST(QtTexts, StandardMenusAndDialogsSpeakChinese) {
    ASSERT_TRUE(installQtTranslations())
        << "no qtbase_zh_CN.qm in "
        << QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString();
    QStringList english;
    const auto check = [&english](const QString& where, QString text) {
        text = text.section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&')).trimmed();
        static const QRegularExpression asciiWords(u"^[ -~]*[A-Za-z][ -~]*$"_s);
        static const QStringList names{u"Excel"_s, u"PDF"_s, u"CUPS"_s};
        if (asciiWords.match(text).hasMatch() && !names.contains(text) &&
            !text.startsWith(QLatin1Char('/')))
            english.append(where + QLatin1Char(':') + text);
    };
    std::function<void(const QString&, const QList<QAction*>&)> walk =
        [&](const QString& where, const QList<QAction*>& actions) {
            for (QAction* a : actions) {
                check(where, a->text());
                if (a->menu())
                    walk(where, a->menu()->actions());
            }
        };
    const auto widgets = [&](const QString& where, QWidget* root) {
        for (QAbstractButton* b : root->findChildren<QAbstractButton*>())
            check(where, b->text());
        for (QLabel* l : root->findChildren<QLabel*>())
            check(where, l->text());
        walk(where, root->findChildren<QAction*>());
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TfrmMain main(dir.path());
    walk(u"menu bar"_s, main.menuBar()->actions());
    std::unique_ptr<QMenu> bars(main.createPopupMenu());
    if (bars)
        walk(u"toolbar menu"_s, bars->actions());
    QLineEdit edit(u"文字"_s);
    std::unique_ptr<QMenu> editMenu(edit.createStandardContextMenu());
    ASSERT_GE(editMenu->actions().size(), 5);
    walk(u"text field"_s, editMenu->actions());
    QFileDialog files(nullptr, u"导出到Excel"_s, dir.path(), u"Excel文件(*.xls)"_s);
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptSave);
    widgets(u"file dialog"_s, &files);
    QPrinter printer;
    QPrintDialog print(&printer);
    widgets(u"print dialog"_s, &print);
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes |
                           QMessageBox::No | QMessageBox::Save | QMessageBox::Discard |
                           QMessageBox::Close | QMessageBox::Retry | QMessageBox::Ignore);
    for (QAbstractButton* b : box.buttons())
        check(u"message box"_s, b->text());
    EXPECT_TRUE(english.isEmpty()) << english.join(u" | "_s).toStdString();
}

namespace dyt::client {
namespace {

using test::FakeWindow;

class WorkspaceTest : public ::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        // The first activation without login puts the navigator into the workspace.
        main->FormActivate();
        script.clearRecords();
    }
    FakeWindow* add(const QString& caption) {
        auto* w = new FakeWindow(u"TfrmTest"_s, caption, &asked);
        main->addChildWindow(w);
        return w;
    }
    QStringList tabs() const {
        QStringList t;
        for (int i = 0; i < main->tabStrip()->count(); ++i)
            t.append(main->tabStrip()->tabText(i));
        return t;
    }
    QStringList buttons(bool checkedOnly = false) const {
        QStringList t;
        for (QAction* a : main->windowListBar()->actions()) {
            if (!checkedOnly || a->isChecked())
                t.append(a->text());
        }
        return t;
    }
    QStringList menuEntries() const {
        QStringList t;
        for (QAction* a : main->windowListMenu()->actions())
            t.append(a->text());
        return t;
    }
    QStringList captions() const {
        QStringList t;
        for (QWidget* w : main->childWindows())
            t.append(w->windowTitle());
        return t;
    }
    // The captions of the windows, then what the tab strip, the toolbar and the menu list.
    QList<QStringList> mirrors() const { return {captions(), tabs(), buttons(), menuEntries()}; }

    QStringList asked;
};
TEST_F(WorkspaceTest, ASecondWindowOfACaptionIsNumberedByTheOpenWindowsOfThatCaption) {
    add(u"销售单"_s);
    add(u"销售单"_s);
    add(u"销售单统计"_s);  // contains the caption, but not followed by "_"
    add(u"销售单"_s);
    const QStringList expected{u"系统导航"_s, u"销售单"_s, u"销售单_1"_s, u"销售单统计"_s,
                               u"销售单_2"_s};
    EXPECT_EQ(QList<QStringList>(4, expected), mirrors());
    // The sub-window carries the numbered caption too.
    EXPECT_EQ(u"销售单_2"_s, main->workspace()->subWindowList().last()->windowTitle());
    // With 销售单_1 closed, two windows still match: the next one reads 销售单_2 again.
    delete main->childWindows().at(2)->parentWidget();
    add(u"销售单"_s);
    EXPECT_EQ(
        (QStringList{u"系统导航"_s, u"销售单"_s, u"销售单统计"_s, u"销售单_2"_s, u"销售单_2"_s}),
        captions());
}
TEST_F(WorkspaceTest, ActivationPressesOneButtonAndFollowsTabsButtonsAndMenu) {
    for (const QString& caption : {u"甲"_s, u"乙"_s, u"丙"_s})
        add(caption);
    EXPECT_EQ(QStringList{u"丙"_s}, buttons(true));
    EXPECT_EQ(3, main->tabStrip()->currentIndex());
    // The tab brings its window forward.
    main->tabStrip()->setCurrentIndex(1);
    EXPECT_EQ(u"甲"_s, main->workspace()->activeSubWindow()->windowTitle());
    EXPECT_EQ(QStringList{u"甲"_s}, buttons(true));
    // The button does.
    main->windowListBar()->actions().at(2)->trigger();
    EXPECT_EQ(u"乙"_s, main->workspace()->activeSubWindow()->windowTitle());
    EXPECT_EQ(2, main->tabStrip()->currentIndex());
    EXPECT_EQ(QStringList{u"乙"_s}, buttons(true));
    // The window-list menu does.
    main->windowListMenu()->actions().at(0)->trigger();
    EXPECT_EQ(u"系统导航"_s, main->workspace()->activeSubWindow()->windowTitle());
    EXPECT_EQ(0, main->tabStrip()->currentIndex());
    EXPECT_EQ(QStringList{u"系统导航"_s}, buttons(true));
    // Activating a window in the area does.
    main->workspace()->setActiveSubWindow(main->workspace()->subWindowList().at(3));
    EXPECT_EQ(3, main->tabStrip()->currentIndex());
    EXPECT_EQ(QStringList{u"丙"_s}, buttons(true));
}
TEST_F(WorkspaceTest, ACaptionChangedLaterReachesTheMirrors) {
    FakeWindow* a = add(u"库存状况表"_s);
    a->setWindowTitle(u"库存状况表(全部仓库)"_s);
    const QStringList expected{u"系统导航"_s, u"库存状况表(全部仓库)"_s};
    EXPECT_EQ(QList<QStringList>(3, expected), mirrors().mid(1));
    EXPECT_EQ(u"库存状况表(全部仓库)"_s, main->workspace()->subWindowList().last()->windowTitle());
}
TEST_F(WorkspaceTest, ADestroyedWindowLeavesAllThreeMirrors) {
    FakeWindow* a = add(u"甲"_s);
    add(u"乙"_s);
    delete a->parentWidget();
    const QStringList expected{u"系统导航"_s, u"乙"_s};
    EXPECT_EQ(QList<QStringList>(4, expected), mirrors());
    // A window that closes itself ("退出") takes its frame along.
    FakeWindow* c = add(u"丙"_s);
    c->setAttribute(Qt::WA_DeleteOnClose);
    const QPointer<QWidget> frame = c->parentWidget();
    ASSERT_TRUE(c->close());
    EXPECT_TRUE(test::waitUntil([&] { return frame.isNull(); }));
    EXPECT_EQ(expected, tabs());
    EXPECT_EQ(expected, buttons());
    EXPECT_EQ(2, main->workspace()->subWindowList().size());
}
TEST_F(WorkspaceTest, ClosingATabAsksItsWindowAndTheNavigatorRefuses) {
    FakeWindow* a = add(u"甲"_s);
    add(u"乙"_s);
    main->closeTab(0);
    ASSERT_EQ(1, script.records().size());
    EXPECT_EQ(u"提示|导航界面不能关闭!"_s,
              script.records().at(0).caption + u'|' + script.records().at(0).text);
    EXPECT_EQ(3, main->childWindowCount());
    // Nor does the navigator's window close any other way while the program runs.
    EXPECT_FALSE(main->navigator()->parentWidget()->close());
    EXPECT_EQ(3, main->childWindowCount());
    a->refuse = true;
    main->closeTab(1);
    EXPECT_EQ(QStringList{u"甲"_s}, asked);
    EXPECT_EQ(3, main->childWindowCount());
    a->refuse = false;
    Q_EMIT main->tabStrip()->tabCloseRequested(1);
    EXPECT_EQ((QStringList{u"甲"_s, u"甲"_s}), asked);
    EXPECT_EQ((QStringList{u"系统导航"_s, u"乙"_s}), tabs());
    EXPECT_EQ(1, script.records().size());
}
TEST_F(WorkspaceTest, CloseAllWindowsStopsAtTheFirstRefusalUnlessForced) {
    const QPointer<FakeWindow> first = add(u"甲"_s);
    add(u"乙"_s)->refuse = true;
    add(u"丙"_s);
    EXPECT_TRUE(main->otherWindowsOpen());
    EXPECT_FALSE(main->CloseAllWindows(false));
    EXPECT_EQ((QStringList{u"甲"_s, u"乙"_s}), asked);
    EXPECT_TRUE(first.isNull());  // gone at once, before a login that may follow
    EXPECT_EQ((QStringList{u"系统导航"_s, u"乙"_s, u"丙"_s}), tabs());
    asked.clear();
    EXPECT_TRUE(main->CloseAllWindows(true));
    EXPECT_EQ((QStringList{u"乙"_s, u"丙"_s}), asked);
    // The navigator stays the first and only entry of the window list and all three mirrors.
    EXPECT_EQ(QList<QStringList>(4, QStringList{u"系统导航"_s}), mirrors());
    EXPECT_EQ(1, main->workspace()->subWindowList().size());
    EXPECT_FALSE(main->otherWindowsOpen());
    EXPECT_TRUE(script.records().isEmpty());
}

}  // namespace
}  // namespace dyt::client

namespace {

class SysAdminTest : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        resetSettings();
        settingsReloader() = nullptr;
        settings().LoginDate = QDate(2026, 3, 31);
        connectLoggedIn(1);
    }
    void TearDown() override {
        resetSettings();
        DmFixture::TearDown();
    }
};
TEST_F(SysAdminTest, OpeningAndReversingSendTheirTypeAndReadTheSettingsOnlyAfterASuccess) {
    const struct Case {
        int isOpen;
        const char16_t* refusal;  // empty: the server performs it
    } cases[] = {
        {0, u""}, {1, u""}, {0, u"期初数据不平衡，不能开账！"}, {1, u"已有过账单据，不能反开账！"}};
    for (const Case& c : cases) {
        const QString refusal = QString::fromUtf16(c.refusal);
        SCOPED_TRACE(c.isOpen);
        SCOPED_TRACE(refusal.toStdString());
        settings().IsOpen = c.isOpen;
        script.clearRecords();
        transport->clearCalls();
        TfrmInitOver dlg;
        dlg.show();
        EXPECT_EQ(c.isOpen == 0, dlg.edDate()->isVisible());  // the date only before opening
        QPushButton* offered = c.isOpen == 0 ? dlg.btnOpen() : dlg.btnReverse();
        QPushButton* other = c.isOpen == 0 ? dlg.btnReverse() : dlg.btnOpen();
        QTest::mouseClick(other, Qt::LeftButton);
        EXPECT_TRUE(callsOf(u"ExecProc"_s).isEmpty());  // only the operation fitting the state
        if (refusal.isEmpty()) {
            answerQuery(test::recordSet({u"Name"_s, u"sysValue"_s},
                                        {{u"isOpen"_s, QString::number(1 - c.isOpen)}}));
        } else {
            transport->fail(u"ExecProc"_s, refusal);
        }
        QTest::mouseClick(offered, Qt::LeftButton);
        const QList<RecordedCall> procs = callsOf(u"ExecProc"_s);
        ASSERT_EQ(1, procs.size());
        EXPECT_EQ(u"P_SYS_UP_Open"_s, procs[0].procedure);
        const ParamList sent = linesOf(procs[0]);
        EXPECT_EQ(QString::number(c.isOpen), sent.value(u"type"_s));
        // The date travels with both, also while it is hidden.
        EXPECT_EQ(u"2026-03-31"_s, sent.value(u"Date"_s));
        const bool done = refusal.isEmpty();  // settings read again, the dialog closed
        EXPECT_EQ(done, sqlOf(u"ExecQuery"_s).contains(u"SELECT * FROM sysData"_s));
        EXPECT_EQ(done ? 1 - c.isOpen : c.isOpen, settings().IsOpen);
        EXPECT_EQ(QStringList{done ? u"开账操作成功！"_s : refusal}, script.messages());
        EXPECT_EQ(!done, dlg.isVisible());
        EXPECT_EQ(done ? c.isOpen == 0 : true, done ? bool(dlg.result()) : offered->isEnabled());
    }
}
TEST_F(SysAdminTest, VersionInformationShowsTheServersVersionsOrWhyThereAreNone) {
    RecordSet answer = test::recordSet({u"ServerVersion"_s, u"SchemaVersion:integer"_s},
                                       {{u"11.0.1"_s, qint64(14)}});
    answerProc(answer);
    {
        TfrmSysVersionInfo dlg;
        ASSERT_EQ(1, callsOf(u"ExecProcQuery"_s).size());
        EXPECT_EQ(u"P_SYS_Get_Version"_s, callsOf(u"ExecProcQuery"_s)[0].procedure);
        EXPECT_EQ(u"11.0.1|14"_s,
                  dlg.lblServerVersion()->text() + u'|' + dlg.lblSchemaVersion()->text());
        EXPECT_TRUE(dlg.lblError()->text().isEmpty());
        EXPECT_FALSE(dlg.lblClientVersion()->text().isEmpty());
    }
    transport->fail(u"ExecProcQuery"_s, u"不支持的过程"_s);
    TfrmSysVersionInfo dlg;
    EXPECT_EQ(u"|"_s, dlg.lblServerVersion()->text() + u'|' + dlg.lblSchemaVersion()->text());
    EXPECT_TRUE(dlg.lblError()->text().contains(u"不支持的过程"_s))
        << dlg.lblError()->text().toStdString();
    EXPECT_TRUE(script.messages().isEmpty());
}

}  // namespace
