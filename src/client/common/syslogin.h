#pragma once
// TSysLogin: the login to an account set (the request, the upgrade and refusal answers, the
// session record), the workstation code and its session registration, and the operation log.
// One instance for the whole run (sysLogin()).

#include <QDate>
#include <QString>

#include <functional>

#include "client/logic/fixedtext.h"

namespace dyt {
class ParamList;
}

namespace dyt::client {

class TdmMain;
class TfrmLogin;

// Texts of the login.
namespace logintext {
inline constexpr FixedText productVersion{u"V11.0.140215"};
inline constexpr FixedText profilePrefix{u"dytv1"};
inline constexpr FixedText upgrading{u"系统正在升级账套,请耐心等待几分钟...."};
QString
closeWindowsQuestion();  // "系统在切换账套或者更换操作员之前，将关闭所有的业务处理窗口,是否继续?"
inline constexpr FixedText initialising{u"系统正在初始化..."};
}  // namespace logintext

// The main window's caption after a login: "《德盈通》普及版V11.0.140215", followed by "(查询版)"
// in the query-only mode.
QString loggedInTitle();

// Kinds of the operation log.
enum LogKind { kLogMenu = 0, kLogOpenWindow = 1, kLogCloseWindow = 2 };
// "执行菜单[%s]", "打开窗口[%s]", "关闭窗口[%s]" with the text in place of %s; throws DytError for
// an unknown kind.
QString logMessage(int kind, const QString& text);

// The request lines of a login, in the order the server reads them: database name, display name,
// user name text, host name, IP address, workstation identity, run mode number, run mode name,
// "dytv1", "UpdateFlag=Check", "LoginType=" + login mode, "V11.0.140215". A text holding a line
// break throws DytError.
ParamList loginRequest(const QString& dbName, const QString& caption, const QString& userName,
                       const QString& loginMode);
// Index of the line "UpdateFlag=" in the request.
constexpr int kUpdateFlagLine = 9;

// The statements that register this workstation's session under its code (lower-cased, quotes
// doubled): the deletion of the connection's row and the insertion of the new one.
QString sessionDeleteSql();  // " delete syssession where id = @@spid"
QString sessionInsertSql(const QString& clientId);

class TSysLogin {
public:
    TSysLogin() = default;
    TSysLogin(const TSysLogin&) = delete;
    TSysLogin& operator=(const TSysLogin&) = delete;

    // Set only by a successful Login; RunLogin clears it at its start.
    bool LoggedIn = false;

    // --- values of the session that the login window sets
    // The login date: the default date of new bills.
    QDate LoginDate;
    // False when the server forbids changing the bill date ("客户端不允许修改制单日期").
    bool AllowDateChange = true;
    // The last synchronisation times of the local cache for this account set and operator.
    QString GoodsUpdateDate;
    QString PartnerUpdateDate;
    // The address the local-server aliases ("本地计算机", "本机", ".", blank) connect to.
    QString localServer = QStringLiteral("127.0.0.1");

    // --- hooks of the main window; all may stay unset
    // Number of child windows of the workspace, and closing them.
    std::function<int()> childWindowCount;
    std::function<void()> closeChildWindows;
    // After a successful login: status bar and caption.
    std::function<void()> onLoggedIn;
    // The cache steps after a login: positions 1 to 5 reopen the cached record sets, 6 refreshes
    // the remaining cache.
    std::function<void(int position)> cacheStep;
    // Shows the login window modally (tests replace it); the default runs exec().
    std::function<void(TfrmLogin&)> showLoginWindow;

    // The login entry. mode 1: first login or switch of account set (from step 0); mode 0:
    // change of operator (step 2 with the operators of the current account set). True when a
    // login succeeded; then the phase after has run.
    bool RunLogin(int mode);
    // Logs in again with the session record (after a reconnect); true on success.
    bool Relogin();

    // Logs in through the data module's direct server handle. Results: true on success (the
    // session record is filled); false after a refusal the operator was told about, and also
    // after the answers that end the program (then programEnding() is true, the connection is
    // closed and the application asked to quit). Failures of the call itself raise DytError; a
    // failed session registration after the login is shown ("系统提示") and the login stands.
    bool Login(const QString& dbName, const QString& caption, const QString& userName,
               const QString& userId, const QString& password);

    // The workstation code of the configuration file.
    QString GetClientID() const;
    // Stores the code and registers the session under it.
    void SetClientID(const QString& clientId);
    // Registers the session when the workstation has a code, is connected and may change data;
    // returns true when the statements were sent.
    bool registerSession();

    // The operation log: skipped (false) while the program ends, without a connection or for an
    // empty text; otherwise p_sys_Up_Log runs (true).
    bool WriteLog(int kind, const QString& text, const QString& tag);

    // True once the login decided that the program ends.
    bool programEnding() const { return ending_; }
    void setProgramEnding(bool ending) { ending_ = ending; }
    // Closes the connection and asks the application to quit.
    void endProgram();

private:
    bool ending_ = false;
};

// The process's login object.
TSysLogin& sysLogin();

}  // namespace dyt::client
