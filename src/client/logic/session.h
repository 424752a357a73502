#pragma once
// Process-wide state of the client session: the run mode chosen on the command line and the
// record of the logged-in operator. Both live for the whole run; the login overwrites the record
// when the account set or the operator changes.

#include <QString>
#include <QStringList>

namespace dyt::client {

// --- run mode
enum RunModeValue { kQueryOnlyMode = 0, kFullMode = 1 };

// 0 = query-only mode, 1 = full mode; full mode until set.
int runMode();
void setRunMode(int mode);
bool queryOnly();
// "查询版" in query-only mode, "正式版" in full mode.
QString modeLabel();
// The run mode the command line selects: its first argument (arguments exclude the program
// name) compared without regard to case; "-c" selects query-only mode, anything else full mode.
int runModeFromArguments(const QStringList& arguments);

// --- the session record
struct TLoginedUser {
    QString ServerAddress;  // as the operator typed it, port part included
    int UserId = 0;
    QString UserCode;
    QString UserName;
    QString ProfileName;  // database name of the account set
    QString ProfileCaption;
    QString Password;
    QString dbUserName;
    QString dbPassword;
    QString HostName;
    QString IpAddr;
    QString MacAddr;
};

// The record as created: empty but for the workstation's HostName (the computer name) and MacAddr
// (the workstation identity, 8 upper-case hexadecimal digits).
TLoginedUser newLoginedUser();
TLoginedUser& loginedUser();

// True while an operator is logged in (set by the login, cleared when it is undone).
bool isLoggedIn();
void setLoggedIn(bool loggedIn);

// Clears the record (back to newLoginedUser()) and the logged-in flag.
void resetSession();

}  // namespace dyt::client
