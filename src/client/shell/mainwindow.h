#pragma once
// TfrmMain: the frame of all windows. Menu and toolbar, a header strip with four quick links, the
// tabbed workspace (its first child the navigator), and the status bar with the server, account
// set, operator, clock and network panels. Its first activation runs login, settings and menu
// through hooks; closing it asks, backs the account set up when due and disconnects.

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTabBar;
class QTimer;
class QToolBar;
class QToolButton;
class QAction;

namespace dyt::client {

class TdmMain;
class TfrmNavigator;
class TFunctionMenu;
class TFunctionDispatcher;
struct MenuTargets;

// The extension points of the main window. Every hook may stay unset: an unset login leaves the
// window without a session, unset settings and menu do nothing, and without backup settings no
// automatic backup is made.
struct ShellHooks {
    // Runs the login; false ends the program.
    std::function<bool()> login;
    // Loads the account-set settings; false leaves the window without its menu.
    std::function<bool()> loadSettings;
    // Builds the function menu from the operator's rights.
    std::function<void()> buildMenu;
    // Opens a function by its code (quick links, alerts).
    std::function<void(int functionCode)> openFunction;
    // After the menu: opens the alerts window when the operator wants it at login.
    std::function<void()> afterStart;
    // The date of the last automatic backup ("自动备份日期") and the backup interval in days;
    // false when they are not known.
    std::function<bool(QString* lastBackupDate, int* intervalDays)> autoBackupSettings;
    // Closes all child windows of the workspace.
    std::function<void()> closeChildren;
};

struct QuickLink {
    QString caption;
    int functionCode;
    int rightOffset;  // the link's left edge is the strip's width minus this
};
// "经营历程" 2002, "应收应付" 300601, "库存状况" 300501, "老板报表" 3030.
const QList<QuickLink>& quickLinks();

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    enum Panel {
        kServerPanel = 0,
        kProfilePanel,
        kOperatorPanel,
        kClockPanel,
        kNetworkPanel,
        kMessagePanel,
        kSparePanel,
        kPanelCount
    };

    explicit TfrmMain(const QString& programDir = QString(), QWidget* parent = nullptr);
    ~TfrmMain() override;

    ShellHooks hooks;

    // Connects the network panel to the data module's state.
    void attachDataModule(TdmMain* dm);
    TdmMain* dataModule() const { return dm_; }
    // The navigator window, put into the workspace at the first activation (one is created then
    // when none was given).
    void setNavigator(TfrmNavigator* navigator);
    TfrmNavigator* navigator() const;
    QMdiArea* workspace() const { return workspace_; }
    // The toolbar button "退出系统".
    QAction* exitAction() const { return exitAction_; }

    // --- function menu and dispatcher
    // The operator's function rows and the menu built from them; the dispatcher.
    TFunctionMenu& functionMenu() { return *functionMenu_; }
    TFunctionDispatcher& functions() { return *functions_; }
    // Sets hooks.buildMenu, hooks.openFunction and hooks.closeChildren to the function menu,
    // the dispatcher and CloseAllWindows(true), hooks.afterStart to the alerts window at login
    // (option 2017 and the right to 3029), and connects the navigator to them.
    void installFunctionHooks();
    // Where the function menu is built: the menu bar and the two drop-downs of the toolbar.
    MenuTargets menuTargets() const;
    // Builds the function menu from the server's rows, then puts the window-list menu back.
    void BuildFunctionMenu();
    // The opening-balance and the common-functions drop-downs.
    QMenu* openingMenu() const { return openingMenu_; }
    QMenu* commonFunctionsMenu() const { return commonMenu_; }

    // --- workspace
    // Adds a window as a maximised child, lists it and makes it active.
    QMdiSubWindow* addChildWindow(QWidget* window);
    // The listed windows in order (the navigator first).
    QList<QWidget*> childWindows() const;
    int childWindowCount() const { return static_cast<int>(entries_.size()); }
    // True when a window besides the navigator is listed.
    bool otherWindowsOpen() const;
    // Closes every listed window but the navigator, in list order. Without force each window is
    // asked first and the first refusal stops the run (false); with force they all close.
    bool CloseAllWindows(bool force);
    // Closing a tab: asks its window; the navigator's tab answers "导航界面不能关闭!".
    void closeTab(int index);
    QTabBar* tabStrip() const { return tabs_; }
    QToolBar* windowListBar() const { return windowBar_; }
    QMenu* windowListMenu() const { return windowMenu_; }
    // The navigator's start page: option "CYGNPAGE" + operator id of "_CLIENT_", default 1.
    void selectStartPage();
    // Ends the program without the question and without the automatic backup.
    void quitWithoutBackup();

    // The first activation (later calls do nothing); the window's activation event runs it.
    void FormActivate();
    bool activated() const { return activated_; }
    // The close request: the question, the automatic backup when due. True when the close may go
    // on. `now` is the moment of the close (the backup's date and file name).
    bool FormCloseQuery(const QDateTime& now = QDateTime::currentDateTime());

    // Panels 0 to 2 from the session record, then the network panel.
    void refreshStatus();
    void refreshNetworkState();
    void showClock(const QDateTime& now);
    void blinkTick();

    // Status bar panel 5: the accounting period after the settings were loaded.
    void setPeriodText(const QString& text);

    QString panelText(int panel) const;
    QColor panelColor(int panel) const;
    bool panelVisible(int panel) const;
    bool blinking() const;
    QLabel* quickLinkLabel(int index) const { return links_.value(index); }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildHeader(const QString& programDir);
    void buildStatusBar();
    void placeQuickLinks();
    void setPanel(int panel, const QString& text, const QColor& color = QColor());
    void finishClose();
    void buildWorkspace(QWidget* central);
    // The bookkeeping of an activated child window (guarded against re-entry).
    void windowActivated(QMdiSubWindow* sub);
    void removeWindow(QObject* sub);
    int entryIndex(const QObject* sub) const;
    void activateEntry(int index);
    QString programDir_;

    struct WindowEntry {
        QPointer<QMdiSubWindow> sub;
        QObject* key = nullptr;  // the sub-window, also after it was destroyed
        QAction* menuAction = nullptr;
        QAction* button = nullptr;
    };
    QList<WindowEntry> entries_;
    QTabBar* tabs_ = nullptr;
    QToolBar* windowBar_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QMenu* openingMenu_ = nullptr;
    QMenu* commonMenu_ = nullptr;
    bool bookkeeping_ = false;
    std::unique_ptr<TFunctionMenu> functionMenu_;
    std::unique_ptr<TFunctionDispatcher> functions_;

    TdmMain* dm_ = nullptr;
    QPointer<TfrmNavigator> navigator_;
    QMdiArea* workspace_ = nullptr;
    QWidget* header_ = nullptr;
    QList<QLabel*> headerPictures_;
    QList<QLabel*> links_;
    QList<QLabel*> panels_;
    QAction* exitAction_ = nullptr;
    QTimer* clock_ = nullptr;
    QTimer* blink_ = nullptr;
    bool blinkRed_ = true;
    bool activated_ = false;
    bool activating_ = false;
    bool closeAllowed_ = false;
};

// The status panel colours: blue 0xFF0000 and red 0x0000FF in the system's BGR notation.
QColor networkBlue();
QColor networkRed();

}  // namespace dyt::client
