#include "client/logic/autobackup.h"

#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/session.h"
#include "common/error.h"
#include "common/paramlist.h"

namespace dyt::client {

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
}

bool autoBackupDue(const QString& lastBackupDate, int intervalDays, const QDate& today,
                   bool queryOnlyMode) {
    if (queryOnlyMode)
        return false;
    if (intervalDays == 0)
        return true;
    const QDate last = QDate::fromString(lastBackupDate.trimmed(), kDateFormat);
    if (!last.isValid())
        return true;
    // Both sides as date texts of the same fixed-width format: the text order is the date order.
    return last.addDays(intervalDays).toString(kDateFormat) <= today.toString(kDateFormat);
}

QString autoBackupFileName(const QString& profileCaption, const QDateTime& now) {
    return QStringLiteral("%1.%2.db")
        .arg(profileCaption, now.toString(QStringLiteral("yyyyMMdd.hhmm")));
}

bool runAutoBackup(TdmMain& dm, const QDateTime& now) {
    const TLoginedUser& user = loginedUser();
    bool ok = false;
    {
        ProgressScope progress(backuptext::progress());
        try {
            const Response r = dm.GetAppServer().call(QStringLiteral("BackupProfile"),
                                                      {user.ProfileName, user.ProfileCaption,
                                                       autoBackupFileName(user.ProfileCaption, now),
                                                       user.dbUserName, user.dbPassword, 0});
            ok = r.code() == 0;
        } catch (const DytError&) {
            ok = false;
        }
        progress.setText(ok ? backuptext::succeeded() : backuptext::failed());
        prompter().holdProgress(1000);
    }
    try {
        ParamList params;
        params.setValue(QStringLiteral("Name"), backuptext::settingName());
        params.setValue(QStringLiteral("DefValue"), now.date().toString(kDateFormat));
        dm.ExecProc(QStringLiteral("P_SYS_Up_DataRow"), params);
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
    return ok;
}

}  // namespace dyt::client
