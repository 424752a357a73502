#include "client/common/syslogin.h"

#include <QCoreApplication>

#include <memory>

#include "client/common/frmlogin.h"
#include "client/common/gridlayout.h"
#include "client/logic/clientconfig.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/session.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/sqltext.h"

namespace dyt::client {

namespace logintext {
QString closeWindowsQuestion() {
    return QStringLiteral("系统在切换账套或者更换操作员之前，将关闭所有的业务处理窗口,是否继续?");
}
}  // namespace logintext

QString loggedInTitle() {
    QString title = QStringLiteral("《德盈通》普及版") + logintext::productVersion();
    if (queryOnly())
        title += QStringLiteral("(查询版)");
    return title;
}

namespace {

constexpr int kNeedsUpgrade = -9;
constexpr int kRefused = -8;

}  // namespace

QString logMessage(int kind, const QString& text) {
    switch (kind) {
        case kLogMenu:
            return QStringLiteral("执行菜单[%1]").arg(text);
        case kLogOpenWindow:
            return QStringLiteral("打开窗口[%1]").arg(text);
        case kLogCloseWindow:
            return QStringLiteral("关闭窗口[%1]").arg(text);
        default:
            throw DytError(QStringLiteral("未知的日志类型[%1]").arg(kind));
    }
}

ParamList loginRequest(const QString& dbName, const QString& caption, const QString& userName,
                       const QString& loginMode) {
    const TLoginedUser& user = loginedUser();
    ParamList request;
    const QString lines[] = {dbName,
                             caption,
                             userName,
                             user.HostName,
                             user.IpAddr,
                             user.MacAddr,
                             QString::number(runMode()),
                             modeLabel(),
                             logintext::profilePrefix(),
                             QStringLiteral("UpdateFlag=Check"),
                             QStringLiteral("LoginType=") + loginMode,
                             logintext::productVersion()};
    for (const QString& line : lines)
        request.appendLine(line);
    return request;
}

QString sessionDeleteSql() {
    return QStringLiteral(" delete syssession where id = @@spid");
}

QString sessionInsertSql(const QString& clientId) {
    return QStringLiteral(" insert into syssession(id, PcID) values(@@spid, %1) ")
        .arg(sqlQuoted(clientId.toLower()));
}

// --- TSysLogin

void TSysLogin::endProgram() {
    ending_ = true;
    if (TdmMain* dm = dmMain()) {
        dm->Disconnect();
        if (dm->quitApplication)
            dm->quitApplication();
    } else {
        QCoreApplication::quit();
    }
}

bool TSysLogin::Login(const QString& dbName, const QString& caption, const QString& userName,
                      const QString& userId, const QString& password) {
    TdmMain& dm = dataModule();
    ParamList request =
        loginRequest(dbName, caption, userName,
                     clientConfig().read(configkey::loginMode(), QStringLiteral("0")));
    QString message;
    qint64 result = 0;
    for (;;) {
        Response r;
        {
            std::unique_ptr<ProgressScope> progress;
            if (message.contains(QStringLiteral("升级")))
                progress = std::make_unique<ProgressScope>(message);
            r = dm.GetAppServer().call(QStringLiteral("Login"), {request.text(), userId, password});
        }
        result = r.code();
        message = r.outText(0);
        if (result != kNeedsUpgrade)
            break;
        const int choice =
            prompter().ask(caption::systemWarning(), message, buttons::upgradeOrQuit(), 0);
        if (choice != 0) {
            request.setLine(kUpdateFlagLine, QStringLiteral("UpdateFlag=None"));
            endProgram();
            return false;
        }
        request.setLine(kUpdateFlagLine, QStringLiteral("UpdateFlag=Update"));
        message = logintext::upgrading();
    }
    if (result == kRefused) {
        prompter().message(caption::systemWarning(), message, MessageIcon::Warning);
        endProgram();
        return false;
    }
    if (result < 0) {
        prompter().message(caption::hint(), message);
        return false;
    }
    const ParamList reply(message);
    TLoginedUser& user = loginedUser();
    user.ProfileName = dbName.trimmed();
    user.ProfileCaption = caption.trimmed();
    user.Password = password;
    user.UserName = reply.value(QStringLiteral("UserName"));
    user.UserCode = reply.value(QStringLiteral("UserCode"));
    user.UserId = static_cast<int>(reply.intValue(QStringLiteral("UserId")));
    user.dbUserName = reply.value(QStringLiteral("dbUserName"));
    user.dbPassword = reply.value(QStringLiteral("dbPassword"));
    LoggedIn = true;
    setLoggedIn(true);
    // The login stands even when the registration under the workstation code fails; the
    // operator is told why.
    try {
        registerSession();
    } catch (const DytError& e) {
        prompter().showError(caption::systemHint(), e);
    }
    return true;
}

QString TSysLogin::GetClientID() const {
    return clientConfig().read(configkey::clientId());
}

void TSysLogin::SetClientID(const QString& clientId) {
    clientConfig().write(configkey::clientId(), clientId);
    registerSession();
}

bool TSysLogin::registerSession() {
    const QString clientId = GetClientID();
    TdmMain* dm = dmMain();
    // The query-only mode refuses every data-changing statement; the server keeps the row it
    // wrote at the login.
    if (clientId.isEmpty() || !dm || !dm->Connected() || queryOnly())
        return false;
    if (dm->CallBusy()) {
        // A login again inside a reconnect: the call channel is held by the call that found the
        // connection broken, so the statements go straight to the server.
        for (const QString& sql : {sessionDeleteSql(), sessionInsertSql(clientId)}) {
            const Response r = dm->GetAppServer().call(QStringLiteral("ExecUpdate"), {sql});
            if (r.code() < 0)
                throw DytError(r.outText(0));
        }
        return true;
    }
    dm->ExecUpdate(sessionDeleteSql());
    dm->ExecUpdate(sessionInsertSql(clientId));
    return true;
}

bool TSysLogin::WriteLog(int kind, const QString& text, const QString& tag) {
    TdmMain* dm = dmMain();
    if (ending_ || QCoreApplication::closingDown() || !dm || !dm->Connected() || text.isEmpty())
        return false;
    const TLoginedUser& user = loginedUser();
    ParamList params;
    params.setValue(QStringLiteral("logUserName"), user.UserName);
    params.setInt(QStringLiteral("logUserId"), user.UserId);
    params.setValue(QStringLiteral("logHostName"), user.HostName);
    params.setValue(QStringLiteral("logIpAddr"), user.IpAddr);
    params.setValue(QStringLiteral("logMacAddr"), user.MacAddr);
    params.setInt(QStringLiteral("logMsgType"), kind);
    params.setValue(QStringLiteral("logMsgCont"), logMessage(kind, text));
    params.setValue(QStringLiteral("aTag"), tag);
    dm->ExecProc(QStringLiteral("p_sys_Up_Log"), params);
    return true;
}

bool TSysLogin::Relogin() {
    const TLoginedUser user = loginedUser();
    // In the typed-name mode the server knows the operator by code.
    const bool typed =
        clientConfig().read(configkey::loginMode(), QStringLiteral("0")) == QLatin1String("1");
    const QString id = typed ? user.UserCode : QString::number(user.UserId);
    return Login(user.ProfileName, user.ProfileCaption, typed ? user.UserCode : user.UserName, id,
                 user.Password);
}

bool TSysLogin::RunLogin(int mode) {
    // Phase before: the business windows close first.
    if (childWindowCount && childWindowCount() > 1) {
        if (prompter().ask(caption::warning(), logintext::closeWindowsQuestion(),
                           buttons::continueAbandon(), 0) != 0) {
            return false;
        }
        if (closeChildWindows)
            closeChildWindows();
        if (childWindowCount() > 1)
            return false;
    }
    TfrmLogin window(mode == 0 ? 2 : 0);
    if (mode == 0) {
        try {
            window.LoadOperators(loginedUser().ProfileName);
        } catch (const DytError& e) {
            prompter().showError(caption::hint(), e);
        }
    }
    LoggedIn = false;
    if (showLoginWindow)
        showLoginWindow(window);
    else
        window.exec();
    if (!LoggedIn)
        return false;

    // Phase after: status bar and caption, then the local cache.
    if (onLoggedIn)
        onLoggedIn();
    // The operator's grid layouts, shared by all windows until the next login.
    ReloadColumnConfigs();
    ProgressScope progress(logintext::initialising(), 8, 0, loggedInTitle());
    for (int position = 1; position <= 6; ++position) {
        if (cacheStep)
            cacheStep(position);
        progress.setPosition(position);
    }
    return true;
}

TSysLogin& sysLogin() {
    static TSysLogin login;
    return login;
}

}  // namespace dyt::client
