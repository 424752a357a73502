// The function dispatcher: the table of function codes, the rights test, windows, dialogs, bills
// and the commands.
// The function menu built from the operator's rows, and the rights test HasPurview; the menus a
// real dyt-server's seeded rows build, and the function listing of dyt-client.

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

#include "client/common/windowregistry.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "client/shell/functionmenu.h"
#include "client/shell/functions.h"
#include "client/shell/mainwindow.h"
#include "client/shell/navigator.h"
#include "common/error.h"
#include "common/inifile.h"
#include "dmtest_support.h"
#include "functionmenu_support.h"
#include "protocol/protocol.h"
#include "support/serverfixture.h"
#include "support/testutil.h"

namespace dyt::client {
namespace {

using test::FakeWindow;
using test::menuRows;

// The function codes as listed in the test data: code, kind, class or bill type.
struct CodeRow {
    int code;
    QString kind;
    QString detail;
};
std::vector<CodeRow> codeRows() {
    std::vector<CodeRow> rows;
    QFile f(test::dataPath(u"schema/function_codes.tsv"_s));
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no function code list";
        return rows;
    }
    QTextStream in(&f);
    in.readLine();  // header
    while (!in.atEnd()) {
        const QStringList f2 = in.readLine().split(QLatin1Char('\t'));
        if (f2.size() >= 3)
            rows.push_back({f2[0].toInt(), f2[1], f2[2]});
    }
    return rows;
}
class DispatcherTest : public test::DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        ASSERT_TRUE(dir.isValid());
        resetSettings();
        main = std::make_unique<TfrmMain>(dir.path());
        main->attachDataModule(dm.get());
        main->installFunctionHooks();
        main->addChildWindow(main->navigator());
        main->hooks.loadSettings = [this] {
            ++loads;
            return loadsSucceed;
        };
        main->hooks.buildMenu = [this] { ++builds; };
        TFunctionDispatcher& d = main->functions();
        d.createWindow = [this](const QString& cls, QWidget*) -> QWidget* {
            if (missing.contains(cls))
                return nullptr;
            return new FakeWindow(cls, QString(), &asked);
        };
        d.runModal = [this](QWidget* w) {
            modal.append(w->objectName() + QLatin1Char(':') + w->property(kTagProperty).toString());
            return modalResult;
        };
        d.openUrl = [this](const QUrl& url) {
            urls.append(url);
            return true;
        };
        d.runLogin = [this](int mode) {
            logins.append(mode);
            return loginSucceeds;
        };
        d.endProgram = [this] { ++ends; };
        d.programDir = dir.path();
        billOpener().canOpen = [](int) { return true; };
        billOpener().open = [this](int type, QWidget*) -> QWidget* {
            bills.append(type);
            return new FakeWindow(u"bill"_s, u"单据%1"_s.arg(type));
        };
        connectLoggedIn(1);
    }
    void TearDown() override {
        billOpener() = {};
        main.reset();
        resetSettings();
        DmFixture::TearDown();
    }
    void open(int code) { main->functions().OpenFunction(code); }
    // The last child window: its class and tag.
    QString lastWindow() const {
        const QList<QWidget*> w = main->childWindows();
        if (w.size() < 2)
            return QString();
        return w.last()->objectName() + QLatin1Char(':') +
               w.last()->property(kTagProperty).toString();
    }
    int children() const { return static_cast<int>(main->childWindows().size()); }

    QTemporaryDir dir;
    std::unique_ptr<TfrmMain> main;
    QStringList missing;
    QStringList asked;
    QStringList modal;
    QList<QUrl> urls;
    QList<int> logins;
    QList<int> bills;
    int modalResult = QDialog::Accepted;
    bool loginSucceeds = false;
    bool loadsSucceed = true;
    int loads = 0;
    int builds = 0;
    int ends = 0;
};
TEST_F(DispatcherTest, OperatorOneOpensEveryCodeWithoutRows) {
    settings().IsOpen = 1;
    settings().setSwitch(2004, true);
    ASSERT_EQ(0, main->functionMenu().cdsMenu.rowCount());
    const QString refusal = u"您没有执行该操作的权限!"_s;
    const std::vector<CodeRow> rows = codeRows();
    ASSERT_EQ(275u, rows.size());
    EXPECT_EQ(rows.size(), functionTable().size());
    for (int code : {300424, 0, 1013})  // not a function; 1013 is a menu
        EXPECT_EQ(nullptr, findFunction(code)) << code;
    for (const CodeRow& r : rows) {
        SCOPED_TRACE(r.code);
        ASSERT_NE(nullptr, findFunction(r.code));
        EXPECT_EQ(r.kind == u"command"_s, findFunction(r.code)->kind == FunctionKind::Command);
        script.clearRecords();
        const int modalBefore = static_cast<int>(modal.size());
        if (r.code == 5011)
            script.answer(u"取消(&C)"_s, u"不备份"_s);
        open(r.code);
        EXPECT_FALSE(script.messages().contains(refusal));
        if (r.kind == QLatin1String("window")) {
            EXPECT_EQ(r.detail + QLatin1Char(':') + QString::number(r.code), lastWindow());
        } else if (r.kind == QLatin1String("dialog")) {
            ASSERT_EQ(modalBefore + 1, modal.size());
            EXPECT_EQ(r.detail + QLatin1Char(':') + QString::number(r.code), modal.last());
            EXPECT_EQ(1, children());  // a modal window never joins the workspace
        } else if (r.kind == QLatin1String("bill")) {
            ASSERT_FALSE(bills.isEmpty());
            EXPECT_EQ(r.detail.toInt(), bills.last());
            EXPECT_EQ(u"bill:"_s + QString::number(r.code), lastWindow());
        } else if (r.kind == QLatin1String("building")) {
            EXPECT_EQ(QStringList{u"功能建设中......"_s}, script.messages());
        }
        main->CloseAllWindows(true);
    }
    // The commands ran their actions: the logins (5001 the operator, 5002 the account set,
    // whose failure ends the program), the two web pages; 5011 was cancelled.
    EXPECT_EQ((QList<int>{0, 1}), logins);
    EXPECT_EQ(1, ends);
    ASSERT_EQ(2, urls.size());
    EXPECT_EQ(homePageUrl(), urls.at(0));
    EXPECT_EQ(upgradePageUrl(), urls.at(1));
    EXPECT_NE(urls.at(0), urls.at(1));
    EXPECT_TRUE(dm->Connected());
    // 500404 closed with success: the settings were reloaded once.
    EXPECT_EQ(1, loads);
}
TEST_F(DispatcherTest, OtherOperatorsNeedAnAllowedRowExcept5012) {
    loginedUser().UserId = 7;
    main->functionMenu().cdsMenu = menuRows({
        {0, 0, "主菜单", 1, 0, 1},
        {2, 1001, "商品信息", 0, 1, 0},
        {2, 1003, "往来单位", 0, 0, 0},
        {2, 1004, "仓库信息", 0, 0, 1},  // open to everyone
        {2, 5003, "修改密码", 0, 0, 1},
    });
    struct Case {
        int code;
        const char* opened;  // the child window or the modal window, empty when refused
    };
    const Case cases[] = {
        {1001, "TfrmBaseGoods:1001"},
        {1003, ""},
        {1004, "TfrmBaseCK:1004"},
        {1002, ""},  // no row
        {5003, "TfrmPassWordSet:5003"},
        {5012, "TfrmSysVersionInfo:5012"},  // no row
        {300501, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        script.clearRecords();
        modal.clear();
        open(c.code);
        const QString opened = QString::fromLatin1(c.opened);
        if (opened.isEmpty()) {
            ASSERT_EQ(1, script.records().size());
            EXPECT_EQ(u"提示|您没有执行该操作的权限!"_s,
                      script.records().at(0).caption + u'|' + script.records().at(0).text);
            EXPECT_EQ(1, children());
            EXPECT_TRUE(modal.isEmpty());
        } else {
            EXPECT_TRUE(script.records().isEmpty());
            EXPECT_EQ(opened, modal.isEmpty() ? lastWindow() : modal.first());
        }
        main->CloseAllWindows(true);
    }
}
TEST_F(DispatcherTest, UnknownCodesAndUnbuiltWindowsAreUnderConstruction) {
    missing = QStringList{u"TfrmBaseGoods"_s, u"TfrmSysConf"_s};
    billOpener().canOpen = [](int type) { return type != 5; };
    for (int code : {123456, 1013, 300413, 300505, 1001, 500401, 2004}) {
        SCOPED_TRACE(code);
        script.clearRecords();
        open(code);
        EXPECT_EQ(QStringList{u"功能建设中......"_s}, script.messages());
        EXPECT_EQ(u"提示"_s, script.records().value(0).caption);
        EXPECT_EQ(1, children());
    }
    EXPECT_TRUE(modal.isEmpty());
    EXPECT_TRUE(bills.isEmpty());
    // Codes of 0 and below do nothing at all, not even for operator 7 without rows.
    loginedUser().UserId = 7;
    script.clearRecords();
    open(0);
    open(-5);
    EXPECT_TRUE(script.records().isEmpty());
}
TEST_F(DispatcherTest, PeriodAndYearCloseNeedAnOpenedAccountSetAndNoOtherWindows) {
    struct Case {
        int code;
        int isOpen;
        bool otherWindow;
        const char* message;  // empty: the dialog opens
    };
    const Case cases[] = {
        {5007, 0, false, "系统还没有开账，不能做月结存！"},
        {5008, 0, true, "系统还没有开账，不能做年结存！"},
        {5007, 1, true, "月结存之前，请关闭所有打开的窗口！"},
        {5008, 1, true, "年结存之前，请关闭所有打开的窗口！"},
        {500404, 0, true, "系统重建之前，请关闭所有打开的窗口！"},
        {5007, 1, false, ""},
        {5008, 1, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        script.clearRecords();
        modal.clear();
        settings().IsOpen = c.isOpen;
        if (c.otherWindow)
            open(1001);
        open(c.code);
        const QString message = QString::fromUtf8(c.message);
        if (message.isEmpty()) {
            EXPECT_TRUE(script.records().isEmpty());
            EXPECT_EQ(1, modal.size());
        } else {
            EXPECT_EQ(QStringList{message}, script.messages());
            EXPECT_TRUE(modal.isEmpty());
        }
        main->CloseAllWindows(true);
    }
}
TEST_F(DispatcherTest, RebuildReloadsTheSettingsOnlyAfterSuccessAndRecordRightsNeedTheirOption) {
    modalResult = QDialog::Rejected;
    open(500404);
    EXPECT_EQ(QStringList{u"TfrmSysRestart:500404"_s}, modal);
    EXPECT_EQ(0, loads);
    modalResult = QDialog::Accepted;
    open(500404);
    EXPECT_EQ(1, loads);
    // The record rights window needs its option.
    settings().setSwitch(2004, false);
    open(500403);
    EXPECT_EQ(QStringList{u"系统配置中没有使用基本信息授权控制！"_s}, script.messages());
    EXPECT_EQ(1, children());
    settings().setSwitch(2004, true);
    open(500403);
    EXPECT_EQ(u"TfrmBasePurview:500403"_s, lastWindow());
}
// Each call opens a new window with its tag; the backup window opens in its mode.
TEST_F(DispatcherTest, EachCallOpensANewWindowTheBackupWindowItsModeHelpItsFile) {
    const auto opened = [this] {
        QStringList out;
        for (QWidget* w : main->childWindows().mid(1))
            out << w->property(kTagProperty).toString() + u':' + w->windowTitle();
        return out.join(u',');
    };
    for (int code : {1008, 1008, 5006})
        open(code);
    EXPECT_EQ(u"1008:TfrmBaseKM,1008:TfrmBaseKM_1,5006:账套备份"_s, opened());
    // The restore closes the other windows first, or does not open.
    script.answer(u"放弃"_s, u"关闭所有的业务处理窗口"_s).answer(u"继续"_s);
    open(5005);
    EXPECT_EQ(u"1008:TfrmBaseKM,1008:TfrmBaseKM_1,5006:账套备份"_s, opened());
    open(5005);
    EXPECT_EQ(u"5005:账套恢复"_s, opened());
    // Help opens the help file only when it exists.
    open(5014);
    EXPECT_TRUE(urls.isEmpty());
    QFile help(QDir(dir.path()).filePath(u"Help.chm"_s));
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.close();
    open(5014);
    ASSERT_EQ(1, urls.size());
    EXPECT_EQ(QUrl::fromLocalFile(help.fileName()), urls.at(0));
}
TEST_F(DispatcherTest, LoggingInAgainReloadsRebuildsAndSelectsTheStartPage) {
    {
        IniFile ini(QDir(dir.path()).filePath(u"dytv1config.ini"_s));
        ini.writeInteger(u"_CLIENT_"_s, u"CYGNPAGE1"_s, 3);
    }
    // A cancelled login changes nothing.
    open(5001);
    EXPECT_EQ(QList<int>{0}, logins);
    EXPECT_EQ(0, loads);
    EXPECT_EQ(0, ends);
    loginSucceeds = true;
    open(5001);
    EXPECT_EQ((QList<int>{0, 0}), logins);
    EXPECT_EQ(1, loads);
    EXPECT_EQ(1, builds);
    EXPECT_EQ(3, main->navigator()->currentPage());
    // Settings that fail to load end the program.
    loadsSucceed = false;
    open(5001);
    EXPECT_EQ(2, loads);
    EXPECT_EQ(1, builds);
    EXPECT_EQ(1, ends);
}
TEST_F(DispatcherTest, ChangingTheAccountSetClosesTheWindowsFirst) {
    loginSucceeds = true;
    open(1001);
    open(1003);
    // "放弃" keeps everything.
    script.answer(u"放弃"_s,
                  u"系统在切换账套或者更换操作员之前，将关闭所有的业务处理窗口,是否继续?"_s);
    open(5002);
    EXPECT_EQ(u"警告"_s, script.records().last().caption);
    EXPECT_EQ(3, children());
    EXPECT_TRUE(logins.isEmpty());
    // A window that refuses stops the change before the login.
    dynamic_cast<FakeWindow*>(main->childWindows().at(2))->refuse = true;
    script.answer(u"继续"_s);
    open(5002);
    EXPECT_EQ((QStringList{u"TfrmBaseGoods"_s, u"TfrmBaseWLDW"_s}), asked);
    EXPECT_EQ(2, children());
    EXPECT_TRUE(logins.isEmpty());
    dynamic_cast<FakeWindow*>(main->childWindows().at(1))->refuse = false;
    script.answer(u"继续"_s);
    open(5002);
    EXPECT_EQ(1, children());
    EXPECT_EQ(QList<int>{1}, logins);
    EXPECT_EQ(1, loads);
    EXPECT_EQ(1, builds);
    // Only the navigator open: no question; a failed login ends the program.
    loginSucceeds = false;
    script.clearRecords();
    open(5002);
    EXPECT_TRUE(script.records().isEmpty());
    EXPECT_EQ(1, ends);
}
TEST_F(DispatcherTest, ExitWithoutBackupAsksAndEndsWithoutTheCloseQuestion) {
    int closed = 0;
    main->hooks.closeChildren = [&] { ++closed; };
    main->show();
    script.answer(u"取消(&C)"_s, u"您确定要直接退出系统吗？(不备份)"_s);
    open(5011);
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(dm->Connected());
    EXPECT_EQ(0, closed);
    script.answer(u"确定(&O)"_s, u"您确定要直接退出系统吗？(不备份)"_s);
    open(5011);
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(dm->Connected());
    EXPECT_EQ(1, closed);
    // Only the two questions of 5011: no close question, no backup.
    EXPECT_EQ(2, script.records(PromptKind::Question).size());
}
TEST_F(DispatcherTest, TheAlertsWindowOpensAtLoginWhenWantedAndAllowed) {
    struct Case {
        bool wanted;
        int user;
        bool opens;
    };
    const Case cases[] = {{true, 1, true}, {false, 1, false}, {true, 7, false}, {true, 8, true}};
    main->functionMenu().cdsMenu = menuRows({{0, 0, "主菜单"}, {2, 3029, "报警薄", 0, 0, 0}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user);
        settings().setSwitch(2017, c.wanted);
        loginedUser().UserId = c.user;
        if (c.user == 8)
            main->functionMenu().cdsMenu.setAt(
                1, main->functionMenu().cdsMenu.fieldIndex(u"isbj"_s), 1);
        main->hooks.afterStart();
        EXPECT_EQ(c.opens ? u"TfrmsysBJB:3029"_s : QString(), lastWindow());
        EXPECT_TRUE(script.records().isEmpty());
        main->CloseAllWindows(true);
    }
}
TEST_F(DispatcherTest, MenuEntriesAndQuickLinksOpenThroughTheDispatcher) {
    main->functionMenu().cdsMenu =
        menuRows({{0, 0, "主菜单"}, {1, 10, "基本资料", 1}, {2, 1001, "商品信息"}});
    main->functionMenu().buildFromRows(main->menuTargets());
    QAction* goods = nullptr;
    for (QAction* a : main->menuBar()->findChildren<QAction*>()) {
        if (a->property(kTagProperty).toInt() == 1001 && !a->menu())
            goods = a;
    }
    ASSERT_NE(nullptr, goods);
    goods->trigger();
    EXPECT_EQ(u"TfrmBaseGoods:1001"_s, lastWindow());
    main->hooks.openFunction(300501);
    EXPECT_EQ(u"TfrmQKCZKB:300501"_s, lastWindow());
    main->navigator()->openFunction(3030);
    EXPECT_EQ(u"TfrmQLBBB:3030"_s, lastWindow());
}

using test::describe;

QAction* commandOf(QMenuBar* bar, int code) {
    for (QAction* a : bar->findChildren<QAction*>())
        if (!a->menu() && a->property(kTagProperty).toInt() == code)
            return a;
    return nullptr;
}
class FunctionMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSession();
        clearBillTypeTitles();
        menu.openFunction = [this](int code) { opened.append(code); };
        targets.bar = &bar;
        targets.openingMenu = &opening;
        targets.commonFunctions = &common;
    }
    void TearDown() override {
        resetSession();
        clearBillTypeTitles();
    }
    QMenuBar bar;
    QMenu opening;
    QMenu common;
    MenuTargets targets;
    TFunctionMenu menu;
    QList<int> opened;
};
TEST_F(FunctionMenuTest,
       AllowedRowsBuildTheTreeButtonRowsAreSkippedEntriesNestUnderTheLastOfTheLevelAbove) {
    common.addAction(u"旧的常用功能"_s);
    menu.cdsMenu = menuRows({
        {0, 0, "主菜单", 1, 0, 1},  // the bar: allowed through hide
        {1, 10, "基本资料", 3},
        {2, 1001, "商品信息", 0, 1, 0, 0, 0, "F2"},
        {3, 100101, "添加", 0, 1, 0, 1},       // operation right: never an entry
        {2, 1002, "职员信息", 0, 0, 0},        // not allowed
        {2, 1013, "期初建账", 2, 1, 0, 0, 1},  // separator before
        {3, 101301, "期初库存商品"},
        {3, 101302, "期初应收应付", 0, 0, 1},  // open to everyone
        {2, 1014, "期初完成..开账"},
        {1, 50, "系统维护", 2},
        {2, 5012, "版本信息", 0, 0, 1},
        {2, 5099, "大按钮", -1},
        {1, 60, "其它权限", 1, 1, 0, 1},  // a button group
        {2, 6001, "修改单据单价", 0, 1, 0, 1},
    });
    menu.buildFromRows(targets);
    EXPECT_EQ(QStringLiteral("基本资料[商品信息#1001,-,期初建账[期初库存商品#101301,"
                             "期初应收应付#101302],期初完成..开账#1014],"
                             "系统维护[版本信息#5012,大按钮#5099*]"),
              describe(&bar));
    // The opening entries again in the drop-down; the common functions are cleared.
    EXPECT_EQ(u"期初库存商品#101301,期初应收应付#101302,期初完成..开账#1014"_s, describe(&opening));
    EXPECT_EQ(QString(), describe(&common));
    // Shortcut and click.
    QAction* goods = commandOf(&bar, 1001);
    ASSERT_NE(nullptr, goods);
    EXPECT_EQ(QKeySequence(Qt::Key_F2), goods->shortcut());
    goods->trigger();
    commandOf(&bar, 5099)->trigger();
    opening.actions().at(2)->trigger();
    EXPECT_EQ((QList<int>{1001, 5099, 1014}), opened);
    // A second build replaces the first.
    menu.cdsMenu = menuRows({{0, 0, "主菜单"}, {1, 5012, "版本信息"}});
    menu.buildFromRows(targets);
    EXPECT_EQ(u"版本信息#5012"_s, describe(&bar));
    EXPECT_EQ(QString(), describe(&opening));
    // Entries nest under the last entry of the level above.
    menu.cdsMenu = menuRows({
        {0, 0, "主菜单"},
        {1, 30, "甲", 2},
        {2, 31, "甲一", 1},
        {3, 32, "甲一甲", 1},
        {4, 33, "甲一甲甲"},
        {2, 34, "甲二"},  // back to level 2: under 甲
        {1, 40, "乙", 1},
        {2, 41, "乙一", 1},
        {3, 42, "乙一甲"},  // under 乙一, not under 甲一
        {1, 43, "丙"},      // a command right in the bar
    });
    menu.buildFromRows(targets);
    EXPECT_EQ(u"甲[甲一[甲一甲[甲一甲甲#33]],甲二#34],乙[乙一[乙一甲#42]],丙#43"_s, describe(&bar));
}
TEST_F(FunctionMenuTest, AWrongParentAbortsWithItsMessageAndKeepsTheMenuBuiltSoFar) {
    struct Case {
        const char* name;
        std::initializer_list<test::MenuRow> rows;
        const char* message;
        const char* menuSoFar;
    };
    // clang-format off
    const Case cases[] = {
        {"below a command",
         {{0, 0, "主菜单"}, {1, 10, "基本资料", 2}, {2, 1001, "商品信息"}, {3, 100199, "错挂"},
          {2, 1003, "往来单位"}},
         "“错挂”的Parent类“QAction”不对", "基本资料[商品信息#1001]"},
        {"below a large button",
         {{0, 0, "主菜单"}, {1, 10, "基本资料", 1}, {2, 1001, "大按钮", -1}, {3, 1, "子项"}},
         "“子项”的Parent类“TLargeButton”不对", "基本资料[大按钮#1001*]"},
        {"a skipped sub-menu leaves its children to the entry before it",
         {{0, 0, "主菜单"}, {1, 10, "基本资料", 2}, {2, 1001, "商品信息"},
          {2, 1013, "期初建账", 1, 0, 0}, {3, 101301, "期初库存商品"}},
         "“期初库存商品”的Parent类“QAction”不对", "基本资料[商品信息#1001]"},
        {"no menu bar row before the first menu", {{1, 10, "基本资料", 1}, {2, 1001, "商品信息"}},
         "“基本资料”的Parent类“nil”不对", ""},
        {"a level with nothing above it",
         {{0, 0, "主菜单"}, {1, 10, "基本资料"}, {3, 1001, "商品信息"}},
         "“商品信息”的Parent类“nil”不对", "基本资料#10"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        menu.cdsMenu = menuRows(c.rows);
        EXPECT_EQ(QString::fromUtf8(c.message),
                  test::errorOf([&] { menu.buildFromRows(targets); }));
        EXPECT_EQ(QString::fromUtf8(c.menuSoFar), describe(&bar));
        EXPECT_TRUE(bar.updatesEnabled());
    }
}
TEST_F(FunctionMenuTest, ConsignmentEntriesTitleTheirBillTypesAndHasPurviewFollowsTheAllowedRule) {
    int told = 0;
    billTypeTitleListener() = [&](int, const QString&) { ++told; };
    menu.cdsMenu = menuRows({
        {0, 0, "主菜单"},
        {1, 2018, "委托代销", 5},
        {2, 201804, "受托结算单"},
        {2, 201805, "委托发货单甲"},
        {2, 201806, "委托退货单乙"},
        {2, 201807, "委托结算单丙"},
        {2, 201808, "委托调价单丁"},
    });
    menu.buildFromRows(targets);
    billTypeTitleListener() = nullptr;
    // 201804 titles nothing (50).
    EXPECT_EQ(u"委托发货单甲|委托退货单乙|委托结算单丙|委托调价单丁|"_s,
              test::clientValuesText(billTypeTitle(43), billTypeTitle(47), billTypeTitle(44),
                                     billTypeTitle(49), billTypeTitle(50)));
    EXPECT_EQ(4, told);
    // HasPurview follows the allowed rule and passes operator 1.
    menu.cdsMenu = menuRows({
        {0, 0, "主菜单", 1, 0, 1},
        {2, 1001, "商品信息", 0, 1, 0},
        {3, 100101, "添加", 0, 1, 0, 1},
        {3, 100103, "删除", 0, 0, 0, 1},
        {2, 1002, "职员信息", 0, 0, 0},
        {2, 5012, "版本信息", 0, 0, 1},
    });
    struct Case {
        const char* code;
        bool operatorSeven;
    };
    const Case cases[] = {{"1001", true}, {"100101", true}, {"100103", false}, {"1002", false},
                          {"5012", true}, {"9999", false},  {" 1001 ", true},  {"", false}};
    for (const Case& c : cases) {
        const QString code = QString::fromLatin1(c.code);
        loginedUser().UserId = 7;
        EXPECT_EQ(c.operatorSeven, menu.HasPurview(code, false)) << c.code;
        EXPECT_EQ(c.operatorSeven ? QString() : u"您没有执行该操作的权限!"_s,
                  test::errorOf([&] { menu.HasPurview(code, true); }))
            << c.code;
        loginedUser().UserId = 1;
        EXPECT_TRUE(menu.HasPurview(code, true)) << c.code;
    }
    // Operator 1 passes without any rows.
    menu.cdsMenu = RecordSet();
    EXPECT_TRUE(menu.HasPurview(u"300501"_s, true));
    loginedUser().UserId = 7;
    EXPECT_FALSE(menu.HasPurview(u"300501"_s, false));
}

// The codes of all entries (sub-menus and commands) below a list of actions.
void entryCodes(const QList<QAction*>& actions, QSet<int>* codes) {
    for (QAction* a : actions) {
        if (a->isSeparator())
            continue;
        codes->insert(a->property(kTagProperty).toInt());
        if (a->menu())
            entryCodes(a->menu()->actions(), codes);
    }
}
class FunctionMenuEndToEnd : public dyt::test::ServerFixture {};

TEST_F(FunctionMenuEndToEnd, SeededRowsBuildTheMenusOfOperatorOneAndOfARestrictedOperator) {
    clearBillTypeTitles();
    TfrmMain main(programDir.path());
    main.attachDataModule(&dm);
    main.installFunctionHooks();
    main.functions().createWindow = [](const QString&, QWidget*) { return nullptr; };
    main.BuildFunctionMenu();
    QMenuBar* bar = main.menuBar();
    // Operator 1: every function is an entry, but the two that are operation rights.
    QSet<int> codes;
    entryCodes(bar->actions(), &codes);
    for (const FunctionEntry& e : functionTable()) {
        const bool button = e.code == 401701 || e.code == 401901;
        EXPECT_EQ(!button, codes.contains(e.code)) << e.code;
    }
    EXPECT_FALSE(codes.contains(6001) || codes.contains(100101));
    // Shortcuts of the rows.
    ASSERT_NE(nullptr, commandOf(bar, 300501));
    EXPECT_EQ(QKeySequence(Qt::Key_F9), commandOf(bar, 300501)->shortcut());
    EXPECT_EQ(QKeySequence(Qt::Key_F5), commandOf(bar, 2004)->shortcut());
    EXPECT_EQ(12, main.openingMenu()->actions().size());
    EXPECT_EQ(u"委托发货单"_s, billTypeTitle(43));
    EXPECT_TRUE(script.records().isEmpty());
    // Operator 2 with the rights of two base lists and the boss report.
    for (const char* sql :
         {"INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, fullname, name, pym, "
          "depid, del, candel) VALUES (2, 0, '2,', 1, 0, '002', '李四', '李四', 'LS', 0, 0, 1)",
          "INSERT INTO sysuser(id, password, par_id) VALUES (2, 'pw2', 1)",
          "INSERT INTO sysPurview(userid, menuid, isbj, iscygn, openCount) SELECT 2, id, 1, 0, 0 "
          "FROM sysMenu WHERE code IN ('10', '1001', '1003', '30', '3030')"})
        dm.ExecUpdate(QString::fromUtf8(sql));
    ASSERT_EQ(QString(), test::logIn(dm, 2, u"pw2"_s));
    main.BuildFunctionMenu();
    EXPECT_EQ(QStringLiteral("基本资料[商品信息#1001,往来单位#1003],综合查询[老板报表#3030],"
                             "系统维护[重新登录#5001,更换账套或操作员#5002,修改密码#5003,-,"
                             "常用功能设置#5013,-,退出系统(不备份)#5011],"
                             "帮助[帮助主题#5014,版本信息#5012,-,公司主页#7002,在线升级#7003,"
                             "服务支持#7004]"),
              test::describe(bar, {u"窗口(&W)"_s}));
    EXPECT_EQ(QString(), test::describe(main.openingMenu()));
    EXPECT_EQ(QKeySequence(Qt::Key_F1), commandOf(bar, 5014)->shortcut());
    const TFunctionMenu& menu = main.functionMenu();
    EXPECT_EQ(
        (QList<bool>{true, false, false, true}),
        (QList<bool>{menu.HasPurview(u"1001"_s, false), menu.HasPurview(u"1002"_s, false),
                     menu.HasPurview(u"100101"_s, false), menu.HasPurview(u"5012"_s, false)}));
    // The dispatcher refuses what the operator does not hold.
    main.functions().OpenFunction(1002);
    main.functions().OpenFunction(1001);
    EXPECT_EQ((QStringList{u"您没有执行该操作的权限!"_s, u"功能建设中......"_s}),
              script.messages());
}

// Without a server every query window is missing; with one, those it answers with figures are
// built; bill codes whose kind opens are built either way.
TEST(ClientCommandLine, ListFunctionsJudgesQueryWindowsByWhatTheServerServes) {
    const auto listing = [](const QString& server) {
        QProcess p;
        p.setProgram(QDir(test::binDir()).filePath(u"dyt-client"_s));
        p.setArguments({u"--list-functions"_s});
        // No display at all: a window would fail to start.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"none-such-platform"_s);
        env.insert(u"DYT_SERVER"_s, server);
        p.setProcessEnvironment(env);
        p.start();
        EXPECT_TRUE(p.waitForFinished(30000)) << p.errorString().toStdString();
        EXPECT_EQ(0, p.exitCode()) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    };
    test::ServerProcess server;
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    const QStringList offline = listing(u"127.0.0.1:1"_s);
    const QStringList online = listing(server.address());
    ASSERT_EQ(275, offline.size());
    ASSERT_EQ(275, online.size());
    QSet<QString> codes;
    int billsBuilt = 0, queriesBuilt = 0;
    for (const QString& line : online) {
        const QStringList f = line.split(u'\t');
        ASSERT_EQ(3, f.size()) << line.toStdString();
        ASSERT_TRUE(f[2] == u"built"_s || f[2] == u"missing"_s) << line.toStdString();
        codes.insert(f[0]);
        billsBuilt += f[1].startsWith(u"bill type"_s) && f[2] == u"built"_s;
        queriesBuilt += f[1].startsWith(u"TfrmQ"_s) && f[2] == u"built"_s;
    }
    EXPECT_EQ(275, codes.size());
    std::printf("Built: %lld of 275 (bill codes %d, query windows %d)\n",
                static_cast<long long>(online.filter(u"\tbuilt"_s).size()), billsBuilt,
                queriesBuilt);
    for (const char* line :
         {"2004\tbill type 5\tbuilt", "300501\tTfrmQKCZKB\tbuilt", "300601\tTfrmQDWYSYF\tbuilt",
          "300707\tTfrmQLRB\tbuilt", "4305\tTfrmQKPCX\tbuilt",
          "101301\tTfrmIniGoodsStock\tbuilt",
          "300505\tunder construction\tmissing"})
        EXPECT_TRUE(online.contains(QString::fromUtf8(line))) << line;
    EXPECT_TRUE(offline.contains(u"300501\tTfrmQKCZKB\tmissing"_s));
    EXPECT_TRUE(offline.contains(u"2004\tbill type 5\tbuilt"_s));
    EXPECT_EQ(0, offline.filter(QRegularExpression(u"^\\d+\tTfrmQ\\w+\tbuilt$"_s)).size());
    EXPECT_GT(queriesBuilt, 40);
}

}  // namespace
}  // namespace dyt::client
