#include "client/shell/settingshooks.h"

#include <QPointer>

#include "client/common/lookups.h"
#include "client/common/settings.h"
#include "client/shell/mainwindow.h"

namespace dyt::client {

void installSettingsHooks(TfrmMain& main) {
    QPointer<TfrmMain> window(&main);
    main.hooks.loadSettings = [window] {
        if (!LoadSettings())
            return false;
        if (window)
            window->setPeriodText(settings().StatusPeriodText);
        return true;
    };
    main.hooks.autoBackupSettings = [](QString* lastBackupDate, int* intervalDays) {
        if (!settings().Loaded)
            return false;
        *lastBackupDate = GetSysData(QStringLiteral("自动备份日期"));
        *intervalDays = settings().AutoBackupDays;
        return true;
    };
}

}  // namespace dyt::client
