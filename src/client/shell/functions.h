#pragma once
// The function codes and their dispatcher. Every menu entry, quick link, navigator tile and
// toolbar button carries only a function code; OpenFunction tests the operator's right and turns
// the code into a window (child or modal), a new bill, or one of the commands of the shell.

#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <vector>

#include "client/common/windowregistry.h"
#include "client/logic/fixedtext.h"
#include "protocol/functioncodes.h"

class QWidget;

namespace dyt::client {

class TfrmMain;
class TFunctionMenu;

namespace functext {
inline constexpr FixedText underConstruction{u"功能建设中......"};
inline constexpr FixedText exitWithoutBackup{u"您确定要直接退出系统吗？(不备份)"};
inline constexpr FixedText restoreCaption{u"账套恢复"};
inline constexpr FixedText backupCaption{u"账套备份"};
inline constexpr FixedText restoreClosesWindows{
    u"系统在恢复账套之前，将关闭所有的业务处理窗口,是否继续?"};
inline constexpr FixedText periodCloseNotOpened{u"系统还没有开账，不能做月结存！"};
inline constexpr FixedText yearCloseNotOpened{u"系统还没有开账，不能做年结存！"};
inline constexpr FixedText periodCloseWindowsOpen{u"月结存之前，请关闭所有打开的窗口！"};
inline constexpr FixedText yearCloseWindowsOpen{u"年结存之前，请关闭所有打开的窗口！"};
inline constexpr FixedText rebuildWindowsOpen{u"系统重建之前，请关闭所有打开的窗口！"};
inline constexpr FixedText noBasePurview{u"系统配置中没有使用基本信息授权控制！"};
}  // namespace functext


// What the server answers with rows: per procedure the QueryTypes it gives figures for (an empty
// QueryType for a procedure that takes none). Read from the server before any login.
class ServedQueries {
public:
    // False until a server's answer was read.
    bool known() const { return known_; }
    // A row of the server's answer: without figures it only tells that the procedure exists.
    void add(const QString& procedure, const QString& queryType, bool figures);
    // Whether a call of the procedure with that QueryType is answered with rows.
    bool serves(const QString& procedure, const QString& queryType) const;
    // Whether the query window of a class does its job: its procedure with each of its QueryTypes
    // and every further procedure it calls are served. Classes without a query descriptor count.
    bool servesWindow(const QString& className) const;

private:
    bool known_ = false;
    QHash<QString, QStringList> types_;  // procedure in lower case -> QueryTypes in upper case
};
// Asks the server at "host[:port]"; an empty, unknown set when it cannot be reached.
ServedQueries fetchServedQueries(const QString& address);
// The set functionBuilt() judges query windows by (unknown: every query window is missing).
void setServedQueries(const ServedQueries& served);

// The action of an entry as --list-functions prints it: the window class, "TfrmX (modal)",
// "bill type N", the command's name, or "under construction".
QString functionAction(const FunctionEntry& entry);
// True when the entry opens something that does its job: its window class is registered (and, for
// a query window, the server answers it with figures), the bill opener opens its bill type, or the
// command is one of the shell's own. "Under construction" codes are missing.
bool functionBuilt(const FunctionEntry& entry);
// One line per code: code, action and "built" or "missing", separated by tabs.
QStringList functionListing();

// The web pages of 7002 and 7003.
QUrl homePageUrl();
QUrl upgradePageUrl();

class TFunctionDispatcher {
public:
    TFunctionDispatcher(TfrmMain& main, TFunctionMenu& menu);

    // Opens a function by its code (Algorithms of the dispatcher): codes of 0 and below do
    // nothing; the right is tested for every code but 5012; refusals and failures are shown.
    void OpenFunction(int code);

    // --- hooks; each has a default that the product uses
    // A new window of a class, or null when the class is not built (the window registry).
    std::function<QWidget*(const QString& className, QWidget* owner)> createWindow;
    // The login: mode 0 changes the operator (5001), mode 1 the account set (5002).
    std::function<bool(int mode)> runLogin;
    // Runs a modal window and returns its result (QDialog::Accepted on success).
    std::function<int(QWidget* window)> runModal;
    // Opens a web page or a file in the default program.
    std::function<bool(const QUrl& url)> openUrl;
    // Disconnects and ends the program.
    std::function<void()> endProgram;
    // The program folder (Help.chm); the application's folder when empty.
    QString programDir;

private:
    void dispatch(const FunctionEntry& entry);
    void openWindow(const FunctionEntry& entry, const QString& caption = QString());
    // Runs the class modally; true when it closed with success (or, with shownIsEnough, when
    // it was shown at all).
    bool openDialog(const FunctionEntry& entry, bool shownIsEnough = false);
    void openBill(const FunctionEntry& entry);
    void loginAgain(int mode);
    void underConstruction();

    TfrmMain& main_;
    TFunctionMenu& menu_;
};

}  // namespace dyt::client
