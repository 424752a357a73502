#include "client/common/frmlogin.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <memory>

#include "client/common/desktop.h"
#include "client/common/frmprofileproperties.h"
#include "client/common/syslogin.h"
#include "client/logic/clientconfig.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/session.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "protocol/protocol.h"

namespace dyt::client {

namespace logintext {
QString hiddenKeysHelp() {
    return QStringLiteral(
        "CTRL+H: 操作帮助提示\r\nCTRL+A: 显示所有账套\r\nCTRL+S: 关闭隐藏账套\r\nCTRL+Q: "
        "隐藏当前账套\r\nCTRL+W: 显示当前账套");
}
QString firstRunQuestion() {
    return QStringLiteral(
        "你的应用程序可能是第一次运行，系统必须有账套才能运行，系统将自动为你创建默认账套，是否继续"
        "？");
}
}  // namespace logintext

namespace {

constexpr int kMaxAttempts = 3;
constexpr int kMinRows = 4;

bool isLocalAlias(const QString& server) {
    return server.isEmpty() || server == logintext::localComputer() ||
           server == QLatin1String(".") || server == QStringLiteral("本机");
}

QString cellText(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

}  // namespace

TfrmLogin::TfrmLogin(int startStep, const QString& programDir, QWidget* parent)
    : QDialog(parent),
      programDir_(programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir) {
    setWindowTitle(QStringLiteral("登录向导"));
    setModal(true);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    runProfileDialog = [](TfrmProfileProperties& dialog) {
        return dialog.exec() == QDialog::Accepted;
    };

    auto* layout = new QVBoxLayout(this);

    // Step 0: the server.
    panels_[0] = new QWidget(this);
    {
        auto* v = new QVBoxLayout(panels_[0]);
        auto* text = new QLabel(displayLineBreaks(QStringLiteral(
                                    "选择服务器\r\n\r\n请输入或选择服务器的IP地址或者主机名称"
                                    "\r\n\r\n系统将登录到你所指定的主机\r\n\r\n在登录之"
                                    "前请确认网络已经正确连接")),
                                panels_[0]);
        text->setWordWrap(true);
        v->addWidget(text);
        auto* form = new QFormLayout;
        cbServerList_ = new QComboBox(panels_[0]);
        cbServerList_->setObjectName(QStringLiteral("cbServerList"));
        cbServerList_->setEditable(true);
        form->addRow(QStringLiteral("请输入服务器地址："), cbServerList_);
        v->addLayout(form);
        v->addStretch();
    }
    // Step 1: the account sets.
    panels_[1] = new QWidget(this);
    {
        auto* v = new QVBoxLayout(panels_[1]);
        listCaption_ =
            new QLabel(displayLineBreaks(QStringLiteral(
                           "成功连接到服务器，请选择你要登录的账套\r\r您也可以创建新的账套或删除不"
                           "再需要的账套。")),
                       panels_[1]);
        listCaption_->setWordWrap(true);
        v->addWidget(listCaption_);
        dbgvX_ = new QTableWidget(0, kColCount, panels_[1]);
        dbgvX_->setObjectName(QStringLiteral("dbgvX"));
        // The window takes its size from its contents: room for the number and name columns.
        dbgvX_->setMinimumWidth(320);
        dbgvX_->setHorizontalHeaderLabels({QStringLiteral("编号"), QStringLiteral("账套名称"),
                                           QStringLiteral("数据库名称"), QStringLiteral("序号"),
                                           QStringLiteral("隐藏")});
        dbgvX_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        dbgvX_->setSelectionBehavior(QAbstractItemView::SelectRows);
        dbgvX_->setSelectionMode(QAbstractItemView::SingleSelection);
        dbgvX_->verticalHeader()->hide();
        dbgvX_->setColumnHidden(kColDbName, true);
        dbgvX_->setColumnHidden(kColOrderId, true);
        dbgvX_->setColumnHidden(kColHidden, true);
        dbgvX_->setColumnWidth(kColNumber, 30);
        dbgvX_->setColumnWidth(kColCaption, 240);
        connect(dbgvX_, &QTableWidget::cellDoubleClicked, this, [this] { btnLoginClick(); });
        v->addWidget(dbgvX_);
        auto* h = new QHBoxLayout;
        btnCreate_ = new QPushButton(QStringLiteral("创建账套"), panels_[1]);
        btnCreate_->setObjectName(QStringLiteral("btnCreate"));
        btnDelete_ = new QPushButton(QStringLiteral("删除账套"), panels_[1]);
        btnDelete_->setObjectName(QStringLiteral("btnDelete"));
        btnCreate_->setAutoDefault(false);
        btnDelete_->setAutoDefault(false);
        connect(btnCreate_, &QPushButton::clicked, this, [this] { btnCreateClick(); });
        connect(btnDelete_, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
        h->addWidget(btnCreate_);
        h->addWidget(btnDelete_);
        h->addStretch();
        v->addLayout(h);
        auto* form = new QFormLayout;
        edProfileName_ = new QLineEdit(panels_[1]);
        edProfileName_->setObjectName(QStringLiteral("edProfileName"));
        profileNameLabel_ = new QLabel(QStringLiteral("请输入账套名称"), panels_[1]);
        form->addRow(profileNameLabel_, edProfileName_);
        v->addLayout(form);
    }
    // Step 2: the operator.
    panels_[2] = new QWidget(this);
    {
        auto* v = new QVBoxLayout(panels_[2]);
        auto* text = new QLabel(displayLineBreaks(QStringLiteral(
                                    "登陆日期：是系统默认的单据录入日期\r\r你也可以根据实际"
                                    "单据日期进行修改")),
                                panels_[2]);
        text->setWordWrap(true);
        v->addWidget(text);
        auto* form = new QFormLayout;
        edDateTime_ = new QDateEdit(panels_[2]);
        edDateTime_->setObjectName(QStringLiteral("edDateTime"));
        edDateTime_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edDateTime_->setCalendarPopup(true);
        form->addRow(QStringLiteral("登陆日期"), edDateTime_);
        edusername_ = new QComboBox(panels_[2]);
        edusername_->setObjectName(QStringLiteral("edusername"));
        userLabel_ = new QLabel(QStringLiteral("操作员"), panels_[2]);
        form->addRow(userLabel_, edusername_);
        edusernameNew_ = new QLineEdit(panels_[2]);
        edusernameNew_->setObjectName(QStringLiteral("edusernameNew"));
        userNewLabel_ = new QLabel(QStringLiteral("用户名"), panels_[2]);
        form->addRow(userNewLabel_, edusernameNew_);
        edPassWord_ = new QLineEdit(panels_[2]);
        edPassWord_->setObjectName(QStringLiteral("edPassWord"));
        edPassWord_->setEchoMode(QLineEdit::Password);
        form->addRow(QStringLiteral("密  码"), edPassWord_);
        v->addLayout(form);
        v->addStretch();
    }
    for (QWidget* p : panels_)
        layout->addWidget(p);

    auto* buttons = new QHBoxLayout;
    btnLogin_ = new QPushButton(this);
    btnLogin_->setObjectName(QStringLiteral("btnLogin"));
    btnLogin_->setDefault(true);
    btnExit_ = new QPushButton(QStringLiteral("退出"), this);
    btnExit_->setObjectName(QStringLiteral("btnExit"));
    btnExit_->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(btnLogin_);
    buttons->addWidget(btnExit_);
    layout->addLayout(buttons);
    connect(btnLogin_, &QPushButton::clicked, this, [this] { btnLoginClick(); });
    connect(btnExit_, &QPushButton::clicked, this, &QDialog::reject);

    layout->setSizeConstraint(QLayout::SetFixedSize);
    // The Ctrl keys of the account-set list reach the window before the list takes them (the
    // list would select all rows on Ctrl+A).
    for (QWidget* w : {static_cast<QWidget*>(dbgvX_), static_cast<QWidget*>(btnCreate_),
                       static_cast<QWidget*>(btnDelete_), static_cast<QWidget*>(btnLogin_),
                       static_cast<QWidget*>(btnExit_), static_cast<QWidget*>(edProfileName_)}) {
        w->installEventFilter(this);
    }

    // FormCreate: today as the login date, the background picture, the login mode.
    edDateTime_->setDate(QDate::currentDate());
    const QString picture = QDir(programDir_).filePath(QStringLiteral("images/comLogin.jpg"));
    if (QFileInfo(picture).isFile()) {
        QPixmap pixmap(picture);
        if (!pixmap.isNull()) {
            QPalette pal = palette();
            pal.setBrush(QPalette::Window, pixmap);
            setPalette(pal);
            setAutoFillBackground(true);
        }
    }
    applyLoginMode();
    setStep(startStep < 0 || startStep > 2 ? 0 : startStep);
}

TfrmLogin::~TfrmLogin() = default;

bool TfrmLogin::typedNameMode() const {
    return clientConfig().read(configkey::loginMode(), QStringLiteral("0")) == QLatin1String("1");
}

void TfrmLogin::setStep(int step) {
    step_ = step;
    for (int i = 0; i < 3; ++i)
        panels_[i]->setVisible(i == step_);
    btnLogin_->setText(step_ == 2 ? QStringLiteral("登录") : QStringLiteral("下一步"));
}

void TfrmLogin::applyLoginMode() {
    const bool typed = typedNameMode();
    profileNameLabel_->setVisible(typed);
    edProfileName_->setVisible(typed);
    userNewLabel_->setVisible(typed);
    edusernameNew_->setVisible(typed);
    listCaption_->setVisible(!typed);
    dbgvX_->setVisible(!typed);
    btnCreate_->setVisible(!typed);
    btnDelete_->setVisible(!typed);
    userLabel_->setVisible(!typed);
    edusername_->setVisible(!typed);
    edProfileName_->setText(clientConfig().read(configkey::profileName()));
    edDateTime_->setEnabled(sysLogin().AllowDateChange);
}

void TfrmLogin::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmLogin::FormShow() {
    // The server may change "cb2" while connecting, so it is read before each skip.
    auto remember = [] { return clientConfig().read(configkey::remember()) == QLatin1String("1"); };
    if (step_ == 0) {
        cbServerList_->setEditText(clientConfig().read(configkey::serverIp()));
        if (!cbServerList_->currentText().trimmed().isEmpty() && remember())
            btnLoginClick();
    }
    if (step_ == 1 && !edProfileName_->text().trimmed().isEmpty() && remember())
        btnLoginClick();
    if (!sysLogin().programEnding()) {
        cbServerList_->setEditText(logintext::localComputer());
        cbServerList_->setEnabled(false);
    }
}

void TfrmLogin::btnLoginClick() {
    if (running_)
        return;
    running_ = true;
    btnLogin_->setEnabled(false);
    struct Restore {
        TfrmLogin* self;
        ~Restore() {
            self->running_ = false;
            self->btnLogin_->setEnabled(true);
        }
    } restore{this};
    const int before = step_;
    switch (step_) {
        case 0:
            connectStep();
            break;
        case 1:
            profileStep();
            break;
        default:
            passwordStep();
            return;
    }
    if (step_ != before)
        focusNext();
}

void TfrmLogin::focusNext() {
    for (QWidget* w : {static_cast<QWidget*>(dbgvX_), static_cast<QWidget*>(edProfileName_),
                       static_cast<QWidget*>(edusernameNew_)}) {
        if (w->isVisibleTo(this) && w->isEnabled() && panels_[step_]->isAncestorOf(w)) {
            w->setFocus();
            return;
        }
    }
}

void TfrmLogin::connectStep() {
    const QString server = cbServerList_->currentText().trimmed();
    try {
        clientConfig().write(configkey::serverIp(), server);
        TdmMain& dm = dataModule();
        QString address = server;
        if (isLocalAlias(server)) {
            // A server already answering there is used; only an empty address gets one started.
            address = sysLogin().localServer;
            dm.ensureLocalServer(address);
        }
        if (!dm.ConnectServer(address, false, 1))
            throw DytError(dmtext::connectFailed() + address);
        const Response conf = dm.GetAppServer().call(QStringLiteral("GetServerConf"));
        if (conf.code() >= 0) {
            const ParamList lines(conf.outText(0));
            if (lines.contains(QStringLiteral("系统日期"))) {
                const QString text = lines.value(QStringLiteral("系统日期")).trimmed();
                QDate date = proto::parseDate(text);
                if (!date.isValid())
                    date = proto::parseDateTime(text).date();
                edDateTime_->setDate(date.isValid() ? date : QDate::currentDate());
            }
            if (lines.contains(QStringLiteral("新登录模式"))) {
                clientConfig().write(configkey::loginMode(),
                                     lines.value(QStringLiteral("新登录模式")).trimmed());
            }
            if (lines.contains(QStringLiteral("客户端强制记忆账套"))) {
                clientConfig().write(configkey::remember(),
                                     lines.value(QStringLiteral("客户端强制记忆账套")).trimmed());
            }
            if (lines.contains(QStringLiteral("客户端不允许修改制单日期"))) {
                sysLogin().AllowDateChange =
                    lines.intValue(QStringLiteral("客户端不允许修改制单日期"), 0) == 0;
            }
        }
        applyLoginMode();
        loadProfileList();
        if (!ensureDefaultProfile())
            return;
        if (typedNameMode() && clientConfig().read(configkey::remember()) != QLatin1String("1")) {
            edProfileName_->clear();
        }
        setStep(1);
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
    }
}

void TfrmLogin::profileStep() {
    if (!typedNameMode() && focusedDbName().isEmpty())
        return;
    try {
        QString dbName;
        QString caption;
        selectedProfile(&dbName, &caption);
        LoadOperators(dbName);
        setStep(2);
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
    }
}

void TfrmLogin::passwordStep() {
    const bool typed = typedNameMode();
    if (!typed) {
        if (edusername_->currentIndex() < 0 && edusername_->currentText().trimmed().isEmpty()) {
            prompter().message(caption::hint(), logintext::chooseUser());
            edusername_->setFocus();
            return;
        }
    } else if (edusernameNew_->text().trimmed().isEmpty()) {
        prompter().message(caption::hint(), QStringLiteral("请输入") + QStringLiteral("用户名"));
        edusernameNew_->setFocus();
        return;
    }
    if (attempts_ >= kMaxAttempts) {
        prompter().message(caption::hint(), logintext::tooManyAttempts());
        reject();
        return;
    }
    ++attempts_;
    try {
        bool ok = false;
        QString userIdText;
        if (!typed) {
            if (edusername_->count() == 0 || edusername_->currentText().trimmed().isEmpty())
                return;
            QString dbName;
            QString caption;
            selectedProfile(&dbName, &caption);
            userIdText = edusername_->currentData().toString();
            ok = sysLogin().Login(dbName, caption, edusername_->currentText(), userIdText,
                                  edPassWord_->text());
        } else {
            const QString name = edProfileName_->text().trimmed();
            if (name.isEmpty())
                throw DytError(logintext::enterProfileName());
            userIdText = edusernameNew_->text().trimmed();
            ok = sysLogin().Login(name, name, userIdText, userIdText, edPassWord_->text());
        }
        if (!ok) {
            if (sysLogin().programEnding())
                reject();
            return;
        }
        TSysLogin& login = sysLogin();
        login.LoginDate = edDateTime_->date();
        const TLoginedUser& user = loginedUser();
        clientConfig().write(configkey::profileName(), user.ProfileName);
        clientConfig().write(configkey::userId(), userIdText);
        const QString stamp = QStringLiteral("2000-01-01");
        const QString id = QString::number(user.UserId);
        login.GoodsUpdateDate =
            clientConfig().read(user.ProfileCaption + QStringLiteral("spUpdateDate_") + id, stamp);
        login.PartnerUpdateDate = clientConfig().read(
            user.ProfileCaption + QStringLiteral("wldwUpdateDate_") + id, stamp);
        if (TdmMain* dm = dmMain()) {
            dm->GoodsStampNewer = typed ? 0 : 1;
            dm->PartnerStampNewer = typed ? 0 : 1;
        }
        accept();
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
    }
}

// --- the account-set list

void TfrmLogin::loadProfileList() {
    const QString remembered = clientConfig().read(configkey::profileName());
    const Response r = dataModule().GetAppServer().call(QStringLiteral("GetProfileList"),
                                                        {logintext::profilePrefix(), 1});
    if (r.code() != 0 || !proto::isRecordSet(r.out(0)))
        throw DytError(logintext::listFailed());
    profiles_ = proto::recordSetFromCbor(r.out(0));
    if (!showHidden_)
        profiles_.setFilter(QStringLiteral(" hidden=0 "));
    dbgvX_->setColumnHidden(kColHidden, !showHidden_);

    const int count = profiles_.recordCount();
    const int rows = std::max(count, kMinRows);
    dbgvX_->clearContents();
    dbgvX_->setRowCount(rows);
    dbgvX_->setColumnWidth(kColCaption, rows > kMinRows ? 220 : 240);
    int focused = 0;
    for (int i = 0; i < rows; ++i) {
        QStringList cells(kColCount);
        cells[kColNumber] = QString::asprintf("%03d", i + 1);
        if (i < count) {
            profiles_.setRecNo(i);
            cells[kColCaption] = profiles_.text(QStringLiteral("fullName"));
            cells[kColDbName] = profiles_.text(QStringLiteral("dbName"));
            cells[kColOrderId] = profiles_.text(QStringLiteral("orderId"));
            cells[kColHidden] = profiles_.integer(QStringLiteral("hidden")) == 1
                                    ? QStringLiteral("是")
                                    : QStringLiteral("否");
            if (!remembered.isEmpty() && cells[kColDbName] == remembered)
                focused = i;
        }
        for (int c = 0; c < kColCount; ++c)
            dbgvX_->setItem(i, c, new QTableWidgetItem(cells[c]));
    }
    dbgvX_->setCurrentCell(focused, kColCaption);
}

QString TfrmLogin::focusedDbName() const {
    const int row = dbgvX_->currentRow();
    if (row < 0)
        return QString();
    return cellText(dbgvX_, row, kColDbName).trimmed();
}

void TfrmLogin::selectedProfile(QString* dbName, QString* caption) const {
    if (typedNameMode()) {
        const QString name = edProfileName_->text().trimmed();
        if (name.isEmpty())
            throw DytError(logintext::enterProfileName());
        *dbName = name;
        *caption = name;
        return;
    }
    if (dbgvX_->rowCount() == 0) {
        *dbName = loginedUser().ProfileName;
        *caption = loginedUser().ProfileCaption;
    } else {
        const int row = std::max(dbgvX_->currentRow(), 0);
        *dbName = cellText(dbgvX_, row, kColDbName).trimmed();
        *caption = cellText(dbgvX_, row, kColCaption).trimmed();
    }
    if (dbName->isEmpty())
        throw DytError(logintext::invalidProfile());
}

bool TfrmLogin::profileDialog(TfrmProfileProperties& dialog) {
    return runProfileDialog ? runProfileDialog(dialog) : dialog.exec() == QDialog::Accepted;
}

bool TfrmLogin::ensureDefaultProfile() {
    if (profiles_.rowCount() > 0)
        return true;
    auto endProgram = [this] {
        sysLogin().endProgram();
        reject();
        return false;
    };
    if (prompter().ask(caption::hint(), logintext::firstRunQuestion(), buttons::confirmAbandon(),
                       0) != 0) {
        return endProgram();
    }
    TfrmProfileProperties dialog(TfrmProfileProperties::Mode::Create, this);
    dialog.setProfileCaption(logintext::defaultProfile());
    dialog.setDatabaseName(QStringLiteral("dytv1Default"));
    dialog.setAdminAccount(loginedUser().dbUserName);
    if (!profileDialog(dialog))
        return endProgram();
    QString message;
    qint64 result = -1;
    try {
        ProgressScope progress(QStringLiteral("系统正在创建默认账套，请稍候..."));
        const Response r = dataModule().GetAppServer().call(
            QStringLiteral("CreateProfile"),
            {dialog.profileCaption(), dialog.profileCaption().trimmed(), dialog.adminAccount(),
             dialog.adminPassword()});
        result = r.code();
        message = r.outText(0);
    } catch (const DytError& e) {
        message = e.message();
    }
    if (result != 0) {
        prompter().message(caption::systemError(),
                           QStringLiteral("系统自动为你创建默认账套时发生错误：[%1],系统即将关闭，"
                                          "请调整配置后重新尝试。")
                               .arg(message),
                           MessageIcon::Error);
        return endProgram();
    }
    loadProfileList();
    return true;
}

void TfrmLogin::btnCreateClick() {
    if (queryOnly()) {
        prompter().message(caption::hint(), dmtext::queryOnly());
        return;
    }
    TfrmProfileProperties dialog(TfrmProfileProperties::Mode::Create, this);
    dialog.setAdminAccount(loginedUser().dbUserName);
    if (!profileDialog(dialog))
        return;
    try {
        Response r;
        {
            ProgressScope progress(QStringLiteral("系统正在创建账套，请稍候..."));
            r = dataModule().GetAppServer().call(
                QStringLiteral("CreateProfile"),
                {dialog.profileCaption(), dialog.profileCaption().trimmed(), dialog.adminAccount(),
                 dialog.adminPassword()});
        }
        if (r.code() != 0) {
            prompter().message(caption::hint(), r.outText(0));
            return;
        }
        loadProfileList();
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
    }
}

void TfrmLogin::btnDeleteClick() {
    if (queryOnly()) {
        prompter().message(caption::hint(), dmtext::queryOnly());
        return;
    }
    if (dbgvX_->rowCount() == 0) {
        prompter().message(caption::hint(), QStringLiteral("请选择要删除的账套"));
        return;
    }
    if (focusedDbName().isEmpty())
        return;
    const int row = dbgvX_->currentRow();
    TfrmProfileProperties dialog(TfrmProfileProperties::Mode::Delete, this);
    dialog.setProfileCaption(cellText(dbgvX_, row, kColCaption));
    dialog.setDatabaseName(cellText(dbgvX_, row, kColDbName));
    dialog.setAdminAccount(loginedUser().dbUserName);
    if (!profileDialog(dialog))
        return;
    try {
        const Response r = dataModule().GetAppServer().call(
            QStringLiteral("DeleteProfile"),
            {cellText(dbgvX_, row, kColOrderId).trimmed().toLongLong(), dialog.adminAccount(),
             dialog.adminPassword()});
        if (r.code() != 0) {
            prompter().message(caption::hint(), r.outText(0));
            return;
        }
        loadProfileList();
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
    }
}

// --- hidden account sets

void TfrmLogin::ExecCommand(const QStringList& lines) {
    ParamList command;
    for (const QString& line : lines)
        command.appendLine(line);
    const Response r =
        dataModule().GetAppServer().call(QStringLiteral("ExecCommand"), {command.text()});
    if (r.code() != 0)
        throw DytError(r.outText(1));
}

bool TfrmLogin::hiddenKey(int key) {
    if (step_ != 1)
        return false;
    try {
        switch (key) {
            case Qt::Key_H:
                prompter().message(QStringLiteral("操作提示"), logintext::hiddenKeysHelp());
                return true;
            case Qt::Key_A: {
                if (showHidden_)
                    return true;
                QString password;
                if (!prompter().input(QStringLiteral("请输入数据库管理员口令"),
                                      QStringLiteral("管理员sa口令："), &password, true)) {
                    return true;
                }
                if (password.contains(QLatin1Char('\r')) || password.contains(QLatin1Char('\n')))
                    throw DytError(QStringLiteral("管理员口令不能包含换行符"));
                ExecCommand({QStringLiteral("Command=CheckAdminPass"),
                             QStringLiteral("Password=") + password});
                showHidden_ = true;
                loadProfileList();
                return true;
            }
            case Qt::Key_S:
                if (showHidden_) {
                    showHidden_ = false;
                    loadProfileList();
                }
                return true;
            case Qt::Key_Q:
            case Qt::Key_W: {
                if (!showHidden_)
                    return true;
                const bool hide = key == Qt::Key_Q;
                const int row = std::max(dbgvX_->currentRow(), 0);
                const QString dbName = focusedDbName();
                const QString caption = cellText(dbgvX_, row, kColCaption).trimmed();
                const QString question = hide ? QStringLiteral("是否确定要隐藏账套:[%1]")
                                              : QStringLiteral("是否确定要显示账套:[%1]");
                if (!prompter().confirm(caption::hint(), question.arg(caption), buttons::yesNo()))
                    return true;
                ExecCommand({hide ? QStringLiteral("Command=HideProfile")
                                  : QStringLiteral("Command=ShowProfile"),
                             QStringLiteral("ProfileName=") + dbName});
                loadProfileList();
                return true;
            }
            default:
                return false;
        }
    } catch (const DytError& e) {
        prompter().showError(caption::systemHint(), e);
        return true;
    }
}

void TfrmLogin::LoadOperators(const QString& dbName) {
    ParamList lines;
    lines.setValue(QStringLiteral("Method"), QStringLiteral("CheckLoginType"));
    lines.setValue(QStringLiteral("ProfileName"), dbName);
    const Response r =
        dataModule().GetAppServer().call(QStringLiteral("GetProfileUserInfo"), {lines.text()});
    if (r.code() != 0)
        throw DytError(r.outText(1));
    RecordSet users;
    if (proto::isRecordSet(r.out(0)))
        users = proto::recordSetFromCbor(r.out(0));
    const QString remembered = clientConfig().read(configkey::userId(), QStringLiteral("0"));
    edusername_->clear();
    int selected = 0;
    for (users.first(); !users.eof(); users.next()) {
        const QString id = users.text(QStringLiteral("Id"));
        edusername_->addItem(users.text(QStringLiteral("FullName")), id);
        if (id == remembered)
            selected = edusername_->count() - 1;
    }
    if (edusername_->count() > 0)
        edusername_->setCurrentIndex(selected);
}

bool TfrmLogin::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & Qt::ControlModifier) && hiddenKey(key->key()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmLogin::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        platform::openDocument(QDir(programDir_).filePath(QStringLiteral("Help.chm")));
        return;
    }
    if ((event->modifiers() & Qt::ControlModifier) && hiddenKey(event->key()))
        return;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        btnLoginClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace dyt::client
