#pragma once
// The start-up sequence of the client: date format, splash steps, the three long-lived objects
// and the run mode.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace dyt::client {

class TdmMain;
class TfrmMain;
class TfrmNavigator;
class TfrmSplash;

// "《德盈通》普及版"
QString productTitle();

// The date format of the whole client, "yyyy-MM-dd" (Qt notation); set at start-up.
QString clientDateFormat();
void applyDateFormat();

// Registers every window class and puts the bill windows into the dispatcher's bill opener: what
// the function menu can open. Start-up and the function list both begin with it.
void installWindows();

// The objects start-up creates; they live for the whole run.
struct ClientObjects {
    std::unique_ptr<TdmMain> dm;
    std::unique_ptr<TfrmMain> main;
    TfrmNavigator* navigator = nullptr;  // owned by the main window's workspace once shown
};

// Runs the start-up steps on the splash window: each step's message, the gauge by tenths, the
// main window, the navigator and the data module; then the gauge at 100 %. Sets the run mode
// from the arguments (without the program name). The splash may be null (no window shown).
ClientObjects startUp(const QStringList& arguments, TfrmSplash* splash, const QString& programDir);

// Loads Qt's own Chinese texts (the standard dialogs, buttons and the text fields' context menu)
// from Qt's translations folder into the application; false when they are not installed.
bool installQtTranslations();

// Joins the login object to the main window and the data module: the window count and the
// closing of the business windows before a new login, the status bar and caption after it, the
// local cache steps, the login again after a reconnect and the main window's first login.
void wireLogin(TfrmMain& main, TdmMain& dm);

// The server address the client connects to without a login: the environment variable
// DYT_SERVER ("host[:port]"), else "127.0.0.1".
QString defaultServerAddress();

}  // namespace dyt::client
