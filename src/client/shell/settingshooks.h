#pragma once
// Connects the account-set settings to the main window: its first activation loads them and
// shows the accounting period in status bar panel 5; its close reads the automatic backup
// interval and the date of the last automatic backup from them.

namespace dyt::client {

class TfrmMain;

// Sets the main window's hooks loadSettings and autoBackupSettings.
void installSettingsHooks(TfrmMain& main);

}  // namespace dyt::client
