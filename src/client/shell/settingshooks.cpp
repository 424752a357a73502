#include "client/shell/settingshooks.h"

#include <QPointer>

#include "client/bills/billkinds.h"
#include "client/logic/dmmain.h"
#include "client/logic/lookups.h"
#include "client/logic/prompter.h"
#include "client/logic/settings.h"
#include "client/shell/mainwindow.h"

namespace dyt::client {

void installSettingsHooks(TfrmMain& main) {
    QPointer<TfrmMain> window(&main);
    main.hooks.loadSettings = [window] {
        if (!LoadSettings())
            return false;
        // The audit steps of the bill kinds; a failure leaves the defaults.
        resetBillKinds();
        try {
            if (TdmMain* dm = dmMain())
                loadBillKinds(*dm);
        } catch (const std::exception& e) {
            prompter().showError(caption::hint(), e);
        }
        if (window)
            window->setPeriodText(settings().StatusPeriodText);
        return true;
    };
    // Windows that change the account set's state read the settings again the same way.
    settingsReloader() = main.hooks.loadSettings;
    main.hooks.autoBackupSettings = [](QString* lastBackupDate, int* intervalDays) {
        if (!settings().Loaded)
            return false;
        *lastBackupDate = GetSysData(QStringLiteral("自动备份日期"));
        *intervalDays = settings().AutoBackupDays;
        return true;
    };
}

}  // namespace dyt::client
