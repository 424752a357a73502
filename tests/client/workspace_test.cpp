// The main window's workspace: child windows and their tab, toolbar and menu mirrors.
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolBar>

#include "client/shell/functionmenu.h"
#include "client/shell/mainwindow.h"
#include "client/shell/navigator.h"
#include "dmtest_support.h"
#include "functionmenu_support.h"

namespace dyt::client {
namespace {

using test::FakeWindow;

class WorkspaceTest : public test::DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        ASSERT_TRUE(dir.isValid());
        main = std::make_unique<TfrmMain>(dir.path());
        main->attachDataModule(dm.get());
        // The first activation without login puts the navigator into the workspace.
        main->FormActivate();
        script.clearRecords();
    }
    void TearDown() override {
        main.reset();
        DmFixture::TearDown();
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

    QTemporaryDir dir;
    std::unique_ptr<TfrmMain> main;
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
