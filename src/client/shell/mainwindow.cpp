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
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/common/dmmain.h"
#include "client/common/prompter.h"
#include "client/common/session.h"
#include "client/shell/autobackup.h"
#include "client/shell/navigator.h"
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
}  // namespace

TfrmMain::TfrmMain(const QString& programDir, QWidget* parent)
    : QMainWindow(parent),
      programDir_(programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("《德盈通》普及版"));
    setMinimumSize(850, 600);

    // Menu bar and toolbar: the function menu is built after login; the toolbar carries the
    // exit button from the start.
    menuBar()->addMenu(QStringLiteral("系统(&S)"));
    QToolBar* tools = addToolBar(QStringLiteral("工具栏"));
    tools->setObjectName(QStringLiteral("tbMain"));
    tools->setMovable(false);
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    exitAction_ = tools->addAction(QStringLiteral("退出系统"));
    exitAction_->setObjectName(QStringLiteral("actExit"));
    connect(exitAction_, &QAction::triggered, this, &QWidget::close);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildHeader(programDir_);
    layout->addWidget(header_);
    workspace_ = new QMdiArea(central);
    workspace_->setObjectName(QStringLiteral("mdiWorkspace"));
    workspace_->setViewMode(QMdiArea::TabbedView);
    workspace_->setTabsClosable(true);
    workspace_->setDocumentMode(true);
    layout->addWidget(workspace_, 1);
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
        connect(dm_, &TdmMain::networkStateChanged, this, &TfrmMain::RefreshNetworkState);
    }
}

TfrmNavigator* TfrmMain::navigator() const {
    return navigator_.data();
}

void TfrmMain::setNavigator(TfrmNavigator* navigator) {
    navigator_ = navigator;
}

void TfrmMain::RefreshStatus() {
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
    RefreshNetworkState();
}

void TfrmMain::RefreshNetworkState() {
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
    QMdiSubWindow* sub = workspace_->addSubWindow(navigator_);
    sub->setWindowTitle(navigator_->windowTitle());
    sub->showMaximized();
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
    RefreshStatus();

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

    int page = 1;
    try {
        IniFile ini(QDir(programDir_).filePath(QStringLiteral("dytv1config.ini")));
        page = ini.ReadInteger(QStringLiteral("_CLIENT_"),
                               QStringLiteral("CYGNPAGE%1").arg(loginedUser().UserId), 1);
    } catch (const DytError&) {
        page = 1;  // an unreadable configuration file gives the default page
    }
    navigator_->SelectPage(page);

    try {
        if (hooks.afterStart)
            hooks.afterStart();
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
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
    workspace_->closeAllSubWindows();
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

}  // namespace dyt::client
