#include "client/logic/session.h"

#include "client/logic/platform.h"

namespace dyt::client {

namespace {
int g_runMode = kFullMode;
bool g_loggedIn = false;
}  // namespace

int runMode() {
    return g_runMode;
}

void setRunMode(int mode) {
    g_runMode = mode == kQueryOnlyMode ? kQueryOnlyMode : kFullMode;
}

bool queryOnly() {
    return g_runMode == kQueryOnlyMode;
}

QString modeLabel() {
    return queryOnly() ? QStringLiteral("查询版") : QStringLiteral("正式版");
}

int runModeFromArguments(const QStringList& arguments) {
    if (!arguments.isEmpty() &&
        arguments.first().compare(QLatin1String("-c"), Qt::CaseInsensitive) == 0) {
        return kQueryOnlyMode;
    }
    return kFullMode;
}

TLoginedUser newLoginedUser() {
    TLoginedUser user;
    user.HostName = platform::computerName();
    user.MacAddr = platform::workstationId();
    return user;
}

TLoginedUser& loginedUser() {
    static TLoginedUser user = newLoginedUser();
    return user;
}

bool isLoggedIn() {
    return g_loggedIn;
}

void setLoggedIn(bool loggedIn) {
    g_loggedIn = loggedIn;
}

void resetSession() {
    loginedUser() = newLoginedUser();
    g_loggedIn = false;
}

}  // namespace dyt::client
