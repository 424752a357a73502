#include "client/shell/mainwindow.h"

#include "protocol/client.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "client/common/windowregistry.h"
#include "client/logic/autobackup.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/rights.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "client/queries/frmquery.h"
#include "client/shell/functionmenu.h"
#include "client/shell/functions.h"
#include "client/shell/navigator.h"
#include "client/system/frmsysdcpz.h"
#include "common/error.h"
#include "common/inifile.h"
#include "protocol/client.h"

namespace dyt::client {

const QList<QuickLink>& quickLinks() {
    static const QList<QuickLink> links{
        {QStringLiteral("经营历程"), 2002, 470},
        {QStringLiteral("应收应付"), 300601, 395},
        {QStringLiteral("库存状况"), 300501, 319},
        {QStringLiteral("老板报表"), 3030, 243},
    };
    return links;
}

QColor networkBlue() {
    return QColor(0, 0, 255);  // 0xFF0000 in BGR
}

QColor networkRed() {
    return QColor(255, 0, 0);  // 0x0000FF in BGR
}

namespace {
constexpr int kHeaderHeight = 56;
constexpr int kLinkTop = 31;
constexpr int kTabStripHeight = 22;
// The alerts window (function 3029) and its option "登入系统时弹出报警窗口".
constexpr int kAlertsFunction = 3029;
constexpr int kAlertsAtLoginSwitch = 2017;

QString navigatorRefusal() {
    return QStringLiteral("导航界面不能关闭!");
}
}  // namespace

TfrmMain::TfrmMain(const QString& programDir, QWidget* parent)
    : QMainWindow(parent),
      programDir_(programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("《德盈通》普及版"));
    setMinimumSize(850, 600);

    functionMenu_ = std::make_unique<TFunctionMenu>();
    functions_ = std::make_unique<TFunctionDispatcher>(*this, *functionMenu_);
    functions_->programDir = programDir_;

    // Menu bar and toolbar: the function menu is built after login, the window list stays at the
    // end of the bar; the toolbar carries the two drop-downs and the exit button from the start.
    windowMenu_ = new QMenu(QStringLiteral("窗口(&W)"), this);
    windowMenu_->setObjectName(QStringLiteral("mnuWindowList"));
    menuBar()->addMenu(windowMenu_);
    QToolBar* tools = addToolBar(QStringLiteral("工具栏"));
    tools->setObjectName(QStringLiteral("tbMain"));
    tools->setMovable(false);
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto addDropDown = [this, tools](const QString& caption, const QString& name) {
        auto* menu = new QMenu(caption, this);
        menu->setObjectName(name);
        auto* button = new QToolButton(tools);
        button->setText(caption);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        tools->addWidget(button);
        return menu;
    };
    openingMenu_ = addDropDown(QStringLiteral("期初建账"), QStringLiteral("mnuOpening"));
    commonMenu_ = addDropDown(QStringLiteral("常用功能"), QStringLiteral("mnuCommonFunctions"));
    tools->addSeparator();
    exitAction_ = tools->addAction(QStringLiteral("退出系统"));
    exitAction_->setObjectName(QStringLiteral("actExit"));
    connect(exitAction_, &QAction::triggered, this, &QWidget::close);

    auto* central = new QWidget(this);
    buildWorkspace(central);
    setCentralWidget(central);

    buildStatusBar();

    clock_ = new QTimer(this);
    clock_->setInterval(1000);
    connect(clock_, &QTimer::timeout, this, [this] { showClock(QDateTime::currentDateTime()); });
    clock_->start();
    blink_ = new QTimer(this);
    blink_->setInterval(500);
    connect(blink_, &QTimer::timeout, this, &TfrmMain::blinkTick);
    setPanel(kNetworkPanel, panelText(kNetworkPanel), networkBlue());
}

TfrmMain::~TfrmMain() {
    if (functionMenu_ && operatorRights() == &functionMenu_->cdsMenu)
        setOperatorRights(nullptr);
    // Child windows still open write their close log through the data module as they go; the
    // state it signals then must not reach a window half taken down.
    if (dm_)
        disconnect(dm_, nullptr, this, nullptr);
    // The child windows go after this object's members: their ends must not reach the list.
    for (const WindowEntry& e : std::as_const(entries_)) {
        if (!e.sub)
            continue;
        disconnect(e.sub, nullptr, this, nullptr);
        if (e.sub->widget())
            disconnect(e.sub->widget(), nullptr, this, nullptr);
    }
    // So must windows added but not listed yet (listing happens at their activation) and
    // windows closed whose deletion is still pending.
    for (QMdiSubWindow* sub : workspace_->findChildren<QMdiSubWindow*>()) {
        disconnect(sub, nullptr, this, nullptr);
        if (sub->widget())
            disconnect(sub->widget(), nullptr, this, nullptr);
    }
    disconnect(workspace_, nullptr, this, nullptr);
    disconnect(tabs_, nullptr, this, nullptr);
    // A navigator never put into the workspace belongs to no one else.
    if (navigator_ && !navigator_->parent())
        delete navigator_.data();
}

void TfrmMain::buildHeader(const QString& programDir) {
    header_ = new QWidget(this);
    header_->setObjectName(QStringLiteral("pnlHeader"));
    header_->setFixedHeight(kHeaderHeight);
    header_->installEventFilter(this);
    header_->setAutoFillBackground(true);
    QPalette pal = header_->palette();
    pal.setColor(QPalette::Window, QColor(0xE8, 0xF0, 0xFA));
    header_->setPalette(pal);
    auto* row = new QHBoxLayout(header_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    const QStringList files{QStringLiteral("抬头左.jpg"), QStringLiteral("抬头中.jpg"),
                            QStringLiteral("抬头右.jpg")};
    for (const QString& name : files) {
        auto* picture = new QLabel(header_);
        const QString file = QDir(programDir).filePath(QStringLiteral("images/") + name);
        if (QFileInfo::exists(file)) {
            QPixmap pixmap;
            if (pixmap.load(file))
                picture->setPixmap(pixmap);
        }
        if (picture->pixmap().isNull() && name == files.at(0)) {
            // Without the picture the strip still names the product.
            picture->setText(QStringLiteral("《德盈通》普及版"));
            picture->setContentsMargins(16, 0, 16, 0);
            QFont f = picture->font();
            f.setPointSize(16);
            f.setBold(true);
            picture->setFont(f);
            picture->setStyleSheet(QStringLiteral("color:#1F4E8C;"));
        }
        headerPictures_.append(picture);
        row->addWidget(picture, name == files.at(1) ? 1 : 0);
    }
    for (const QuickLink& link : quickLinks()) {
        auto* label = new QLabel(link.caption, header_);
        label->setObjectName(QStringLiteral("lnk%1").arg(link.functionCode));
        label->setCursor(Qt::PointingHandCursor);
        label->setStyleSheet(QStringLiteral("color:#0000C0; text-decoration: underline;"));
        label->installEventFilter(this);
        label->adjustSize();
        links_.append(label);
    }
    placeQuickLinks();
}

void TfrmMain::placeQuickLinks() {
    const int width = header_->width();
    for (int i = 0; i < links_.size(); ++i) {
        links_.at(i)->move(width - quickLinks().at(i).rightOffset, kLinkTop);
        links_.at(i)->raise();
    }
}

void TfrmMain::buildStatusBar() {
    const QStringList initial{QStringLiteral("服务器：未登陆"),
                              QStringLiteral("帐套： "),
                              QStringLiteral("操作员："),
                              QStringLiteral("系统时间：2007-04-11 12:11:22"),
                              QStringLiteral("网络状态：正常"),
                              QStringLiteral("双击发送消息！"),
                              QString()};
    const int widths[] = {160, 200, 140, 220, 140, 120, 0};
    for (int i = 0; i < kPanelCount; ++i) {
        auto* label = new QLabel(initial.at(i), this);
        label->setObjectName(QStringLiteral("pnlStatus%1").arg(i));
        label->setFrameShape(QFrame::StyledPanel);
        if (widths[i] > 0)
            label->setMinimumWidth(widths[i]);
        statusBar()->addWidget(label, i == kSparePanel ? 1 : 0);
        panels_.append(label);
    }
    panels_.at(kMessagePanel)->setVisible(false);
}

void TfrmMain::setPanel(int panel, const QString& text, const QColor& color) {
    QLabel* label = panels_.at(panel);
    label->setText(text);
    label->setStyleSheet(color.isValid() ? QStringLiteral("color:%1;").arg(color.name())
                                         : QString());
    label->setProperty("panelColor", color);
}

void TfrmMain::setPeriodText(const QString& text) {
    setPanel(kMessagePanel, text);
}

QString TfrmMain::panelText(int panel) const {
    return panels_.value(panel) ? panels_.at(panel)->text() : QString();
}

QColor TfrmMain::panelColor(int panel) const {
    return panels_.value(panel) ? panels_.at(panel)->property("panelColor").value<QColor>()
                                : QColor();
}

bool TfrmMain::panelVisible(int panel) const {
    return panels_.value(panel) && !panels_.at(panel)->isHidden();
}

bool TfrmMain::blinking() const {
    return blink_->isActive();
}

void TfrmMain::attachDataModule(TdmMain* dm) {
    if (dm_)
        disconnect(dm_, nullptr, this, nullptr);
    dm_ = dm;
    if (dm_) {
        connect(dm_, &TdmMain::networkStateChanged, this, &TfrmMain::refreshNetworkState);
    }
}

TfrmNavigator* TfrmMain::navigator() const {
    return navigator_.data();
}

void TfrmMain::setNavigator(TfrmNavigator* navigator) {
    navigator_ = navigator;
}

void TfrmMain::refreshStatus() {
    const TLoginedUser& user = loginedUser();
    if (!user.ServerAddress.isEmpty()) {
        // The local server reads "本机" whatever port it listens on.
        QString host;
        int port = 0;
        proto::splitAddress(user.ServerAddress, &host, &port);
        setPanel(kServerPanel, QStringLiteral("服务器：") + (host == QLatin1String("127.0.0.1")
                                                                 ? QStringLiteral("本机")
                                                                 : user.ServerAddress));
    }
    setPanel(kProfilePanel, QStringLiteral("账套：%1").arg(user.ProfileCaption));
    setPanel(kOperatorPanel, QStringLiteral("操作员：") + user.UserName);
    refreshNetworkState();
}

void TfrmMain::refreshNetworkState() {
    if (dm_ && dm_->Connected()) {
        setPanel(kNetworkPanel, QStringLiteral("网络状态：正常"), networkBlue());
        blink_->stop();
        return;
    }
    setPanel(kNetworkPanel, QStringLiteral("网络状态：断网"), networkRed());
    blinkRed_ = true;
    blink_->start();
}

void TfrmMain::blinkTick() {
    blinkRed_ = !blinkRed_;
    if (blinkRed_)
        setPanel(kNetworkPanel, QStringLiteral("网络状态：断网"), networkRed());
    else
        setPanel(kNetworkPanel, QStringLiteral("网络状态：连接中..."), networkBlue());
}

void TfrmMain::showClock(const QDateTime& now) {
    setPanel(kClockPanel,
             QStringLiteral("系统时间：") + now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

void TfrmMain::FormActivate() {
    if (activated_ || activating_)
        return;
    activating_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{activating_};

    // The navigator as the first, maximised child of the workspace.
    if (!navigator_)
        navigator_ = new TfrmNavigator;
    setUpdatesEnabled(false);
    if (entryIndex(navigator_->parentWidget()) < 0)
        addChildWindow(navigator_);
    setUpdatesEnabled(true);

    try {
        if (hooks.login && !hooks.login()) {
            if (dm_)
                dm_->Disconnect();
            QCoreApplication::quit();
            return;
        }
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
        if (dm_)
            dm_->Disconnect();
        QCoreApplication::quit();
        return;
    }
    activated_ = true;
    refreshStatus();

    try {
        ProgressScope progress(QStringLiteral("正在加载系统配置，请稍后..."), 8, 4);
        if (hooks.loadSettings && !hooks.loadSettings())
            return;
        progress.setPosition(6);
        if (hooks.buildMenu)
            hooks.buildMenu();
        progress.setPosition(8);
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
        return;
    }

    selectStartPage();

    try {
        if (hooks.afterStart)
            hooks.afterStart();
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
}

void TfrmMain::selectStartPage() {
    int page = 1;
    try {
        IniFile ini(QDir(programDir_).filePath(QStringLiteral("dytv1config.ini")));
        page = ini.readInteger(QStringLiteral("_CLIENT_"),
                               QStringLiteral("CYGNPAGE%1").arg(loginedUser().UserId), 1);
    } catch (const DytError&) {
        page = 1;  // an unreadable configuration file gives the default page
    }
    if (navigator_)
        navigator_->SelectPage(page);
}

bool TfrmMain::FormCloseQuery(const QDateTime& now) {
    if (prompter().ask(caption::hint(), QStringLiteral("您确定要退出系统吗？"), buttons::okCancel(),
                       0) != 0) {
        return false;
    }
    QString lastDate;
    int interval = 0;
    try {
        if (dm_ && dm_->Connected() && hooks.autoBackupSettings &&
            hooks.autoBackupSettings(&lastDate, &interval) &&
            autoBackupDue(lastDate, interval, now.date(), queryOnly())) {
            runAutoBackup(*dm_, now);
        }
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
    return true;
}

void TfrmMain::finishClose() {
    closeAllowed_ = true;
    try {
        if (hooks.closeChildren)
            hooks.closeChildren();
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
    // Whatever is left, the navigator among it, goes with the program.
    for (QMdiSubWindow* sub : workspace_->findChildren<QMdiSubWindow*>()) {
        removeWindow(sub);
        delete sub;
    }
    if (dm_)
        dm_->Disconnect();
    QCoreApplication::quit();
}

bool TfrmMain::event(QEvent* event) {
    // The first activation; on a display without a window manager no activation ever comes, so
    // the first show stands for it.
    if ((event->type() == QEvent::WindowActivate || event->type() == QEvent::Show) && !activated_ &&
        !activating_) {
        // Run after the activation has been processed, outside the event handler.
        QTimer::singleShot(0, this, &TfrmMain::FormActivate);
    }
    return QMainWindow::event(event);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (closeAllowed_ || FormCloseQuery()) {
        if (!closeAllowed_)
            finishClose();
        event->accept();
        return;
    }
    event->ignore();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    placeQuickLinks();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && !closeAllowed_ && navigator_ &&
        watched == navigator_->parentWidget()) {
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const int index = links_.indexOf(qobject_cast<QLabel*>(watched));
        if (index >= 0) {
            if (hooks.openFunction) {
                try {
                    hooks.openFunction(quickLinks().at(index).functionCode);
                } catch (const DytError& e) {
                    prompter().showError(caption::error(), e);
                }
            }
            return true;
        }
    }
    if (watched == header_ && event->type() == QEvent::Resize)
        placeQuickLinks();
    return QMainWindow::eventFilter(watched, event);
}

// --- function menu

void TfrmMain::installFunctionHooks() {
    TFunctionMenu* menu = functionMenu_.get();
    TFunctionDispatcher* dispatcher = functions_.get();
    menu->openFunction = [dispatcher](int code) { dispatcher->OpenFunction(code); };
    hooks.buildMenu = [this] { BuildFunctionMenu(); };
    hooks.openFunction = [dispatcher](int code) { dispatcher->OpenFunction(code); };
    // Windows open functions through the dispatcher of the main window as long as it lives.
    functionOpener() = [self = QPointer<TfrmMain>(this)](int code) {
        if (self)
            self->functions().OpenFunction(code);
    };
    hooks.closeChildren = [this] { CloseAllWindows(true); };
    // Drill-down windows of the queries open in the workspace too.
    queryChildHost() = [this](QWidget* window) { addChildWindow(window); };
    TfrmSysDCPZ::billHost() = [this](QWidget* window) { addChildWindow(window); };
    // The alerts window at login, when the operator wants it and holds its right.
    hooks.afterStart = [menu, dispatcher] {
        if (settings().Switch(kAlertsAtLoginSwitch) &&
            menu->HasPurview(QString::number(kAlertsFunction), false)) {
            dispatcher->OpenFunction(kAlertsFunction);
        }
    };
    if (!navigator_)
        navigator_ = new TfrmNavigator;
    navigator_->setMenu(&menu->cdsMenu);
    setOperatorRights(&menu->cdsMenu);
    navigator_->openFunction = [dispatcher](int code) { dispatcher->OpenFunction(code); };
}

MenuTargets TfrmMain::menuTargets() const {
    MenuTargets t;
    t.bar = menuBar();
    t.openingMenu = openingMenu_;
    t.commonFunctions = commonMenu_;
    return t;
}

void TfrmMain::BuildFunctionMenu() {
    struct WindowMenuBack {
        TfrmMain* main;
        ~WindowMenuBack() { main->menuBar()->addMenu(main->windowMenu_); }
    } back{this};
    functionMenu_->BuildFunctionMenu(menuTargets());
}

// --- workspace

void TfrmMain::buildWorkspace(QWidget* central) {
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildHeader(programDir_);
    layout->addWidget(header_);

    tabs_ = new QTabBar(central);
    tabs_->setObjectName(QStringLiteral("tabWindows"));
    tabs_->setFixedHeight(kTabStripHeight);
    tabs_->setTabsClosable(true);
    tabs_->setDocumentMode(true);
    tabs_->setExpanding(false);
    tabs_->setElideMode(Qt::ElideNone);
    tabs_->setUsesScrollButtons(true);
    tabs_->setStyleSheet(QStringLiteral(
        "QTabBar::tab { height: 20px; padding: 0px 10px; margin-right: 1px; "
        "border: 1px solid #B8C6DA; border-bottom: none; background: #E4EBF5; color: #24364F; }"
        "QTabBar::tab:selected { background: #FFFFFF; color: #12335E; font-weight: bold; }"
        "QTabBar::tab:hover:!selected { background: #EEF3FA; }"));
    layout->addWidget(tabs_);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) { activateEntry(index); });
    connect(tabs_, &QTabBar::tabCloseRequested, this, &TfrmMain::closeTab);

    workspace_ = new QMdiArea(central);
    workspace_->setObjectName(QStringLiteral("mdiWorkspace"));
    workspace_->setViewMode(QMdiArea::SubWindowView);
    workspace_->setBackground(QColor(0xF4, 0xF6, 0xFA));
    layout->addWidget(workspace_, 1);
    connect(workspace_, &QMdiArea::subWindowActivated, this, &TfrmMain::windowActivated);

    windowBar_ = new QToolBar(QStringLiteral("窗口列表"), this);
    windowBar_->setObjectName(QStringLiteral("WindowList"));
    windowBar_->setMovable(false);
    windowBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addToolBar(Qt::BottomToolBarArea, windowBar_);
}

QMdiSubWindow* TfrmMain::addChildWindow(QWidget* window) {
    if (!window)
        return nullptr;
    QMdiSubWindow* sub = workspace_->addSubWindow(window, Qt::FramelessWindowHint);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(window->windowTitle());
    connect(sub, &QObject::destroyed, this, [this](QObject* o) { removeWindow(o); });
    // A window that closes itself ("退出", Esc) leaves no empty frame behind. Its end may come
    // from the frame's own destruction, so the frame is looked at only afterwards.
    connect(window, &QObject::destroyed, this, [this, frame = QPointer<QMdiSubWindow>(sub)] {
        QTimer::singleShot(0, this, [this, frame] {
            if (!frame || frame->widget())
                return;
            removeWindow(frame.data());
            delete frame.data();
        });
    });
    // A caption the window changes later reaches its tab, button and menu entry.
    connect(window, &QWidget::windowTitleChanged, this, [this, sub](const QString& title) {
        const int index = entryIndex(sub);
        if (index < 0)
            return;
        sub->setWindowTitle(title);
        tabs_->setTabText(index, title);
        entries_.at(index).button->setText(title);
        entries_.at(index).menuAction->setText(title);
    });
    // The navigator leaves the workspace only with the program.
    if (window == navigator_.data())
        sub->installEventFilter(this);
    sub->showMaximized();
    workspace_->setActiveSubWindow(sub);
    // The area activates only inside an active main window; the list does not wait for that.
    windowActivated(sub);
    return sub;
}

int TfrmMain::entryIndex(const QObject* sub) const {
    if (!sub)
        return -1;
    for (int i = 0; i < entries_.size(); ++i) {
        if (entries_.at(i).key == sub)
            return i;
    }
    return -1;
}

void TfrmMain::windowActivated(QMdiSubWindow* sub) {
    if (!sub || bookkeeping_)
        return;
    bookkeeping_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{bookkeeping_};

    int index = entryIndex(sub);
    if (index < 0) {
        // A new window: number its caption after the windows of the same caption.
        QWidget* window = sub->widget();
        QString caption = window ? window->windowTitle() : sub->windowTitle();
        int count = 0;
        for (const WindowEntry& e : std::as_const(entries_)) {
            const QString text = e.button->text();
            if (text == caption || text.contains(caption + QLatin1Char('_')))
                ++count;
        }
        if (count > 0) {
            caption = QStringLiteral("%1_%2").arg(caption).arg(count);
            if (window)
                window->setWindowTitle(caption);
            sub->setWindowTitle(caption);
        }
        WindowEntry entry;
        entry.sub = sub;
        entry.key = sub;
        entry.menuAction = windowMenu_->addAction(caption);
        entry.button = windowBar_->addAction(caption);
        entry.button->setCheckable(true);
        QPointer<QMdiSubWindow> target(sub);
        auto bringForward = [this, target] {
            if (target)
                activateEntry(entryIndex(target.data()));
        };
        connect(entry.menuAction, &QAction::triggered, this, bringForward);
        connect(entry.button, &QAction::triggered, this, bringForward);
        entries_.append(entry);
        index = static_cast<int>(entries_.size()) - 1;
        tabs_->addTab(caption);
    }
    tabs_->setCurrentIndex(index);
    for (int i = 0; i < entries_.size(); ++i)
        entries_.at(i).button->setChecked(i == index);
}

void TfrmMain::activateEntry(int index) {
    if (index < 0 || index >= entries_.size())
        return;
    QMdiSubWindow* sub = entries_.at(index).sub;
    if (!sub)
        return;
    if (workspace_->activeSubWindow() != sub)
        workspace_->setActiveSubWindow(sub);
    sub->raise();
    windowActivated(sub);
}

void TfrmMain::removeWindow(QObject* sub) {
    const int index = entryIndex(sub);
    if (index < 0)
        return;
    const WindowEntry entry = entries_.takeAt(index);
    delete entry.menuAction;
    delete entry.button;
    const bool wasKeeping = bookkeeping_;
    bookkeeping_ = true;  // the tab strip's own switch is no activation
    tabs_->removeTab(index);
    bookkeeping_ = wasKeeping;
}

QList<QWidget*> TfrmMain::childWindows() const {
    QList<QWidget*> windows;
    for (const WindowEntry& e : entries_) {
        if (e.sub && e.sub->widget())
            windows.append(e.sub->widget());
    }
    return windows;
}

bool TfrmMain::otherWindowsOpen() const {
    for (const WindowEntry& e : entries_) {
        if (e.sub && (!navigator_ || e.sub->widget() != navigator_.data()))
            return true;
    }
    return false;
}

bool TfrmMain::CloseAllWindows(bool force) {
    QList<QPointer<QMdiSubWindow>> targets;
    for (const WindowEntry& e : std::as_const(entries_)) {
        if (e.sub && (!navigator_ || e.sub->widget() != navigator_.data()))
            targets.append(e.sub);
    }
    // The windows go at once, not when control is back in the event loop: a login that follows
    // runs its own loop and reloads the settings, the grid layouts and the local cache that the
    // windows read.
    for (const QPointer<QMdiSubWindow>& sub : targets) {
        if (!sub)
            continue;
        if (!sub->close() && !force)
            return false;
        if (!sub)
            continue;
        removeWindow(sub.data());
        delete sub.data();
    }
    return true;
}

void TfrmMain::closeTab(int index) {
    if (index < 0 || index >= entries_.size())
        return;
    QMdiSubWindow* sub = entries_.at(index).sub;
    if (!sub)
        return;
    if (navigator_ && sub->widget() == navigator_.data()) {
        prompter().message(caption::hint(), navigatorRefusal());
        return;
    }
    if (sub->close())
        removeWindow(sub);
}

void TfrmMain::quitWithoutBackup() {
    finishClose();
    close();
}

}  // namespace dyt::client
