#include "client/shell/settingshooks.h"

#include <QPointer>

#include "client/bills/billkinds.h"
#include "client/common/dmmain.h"
#include "client/common/lookups.h"
#include "client/common/prompter.h"
#include "client/common/settings.h"
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
    main.hooks.autoBackupSettings = [](QString* lastBackupDate, int* intervalDays) {
        if (!settings().Loaded)
            return false;
        *lastBackupDate = GetSysData(QStringLiteral("自动备份日期"));
        *intervalDays = settings().AutoBackupDays;
        return true;
    };
}

}  // namespace dyt::client
