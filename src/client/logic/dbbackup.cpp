#include "client/logic/dbbackup.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include "client/logic/clientconfig.h"
#include "client/logic/dmmain.h"
#include "client/logic/localcache.h"
#include "client/logic/lookups.h"
#include "client/logic/prompter.h"
#include "common/error.h"
#include "common/paramlist.h"

namespace dyt::client {

QString deleteBackupSql(const QString& backFileName, const QString& backDateTime) {
    return QStringLiteral("DELETE FROM master.dbo.mvqxDbLog \r\n WHERE backFileName = ") +
           quotedStr(backFileName) + QStringLiteral("\r\n") +
           QStringLiteral(" AND backDateTime = ") + quotedStr(backDateTime);
}

QString localBackupPath(const QString& folder, const QString& fileName) {
    return QDir::cleanPath(QDir(folder.trimmed()).filePath(fileName.trimmed()));
}

void resetCacheStamps(const QString& profileCaption, int userId) {
    const QString stamp = QStringLiteral("2000-01-01");
    clientConfig().write(TLocalCache::goodsStampKey(profileCaption, userId), stamp);
    clientConfig().write(TLocalCache::partnerStampKey(profileCaption, userId), stamp);
}

Response callServer(TdmMain& dm, const QString& method, const QCborArray& args) {
    dm.BeginCall();
    try {
        dm.CheckConnection();
        Response r = dm.GetAppServer().call(method, args);
        dm.EndCall();
        return r;
    } catch (...) {
        dm.EndCall();
        throw;
    }
}

QStringList confirmButtons() {
    return {QStringLiteral("确认(&O)"), QStringLiteral("取消(&C)")};
}

bool confirmMaintenance(const QString& operation) {
    return prompter().ask(caption::hint(), dbbackup::backedUpQuestion().arg(operation),
                          confirmButtons(), 0) == 0 &&
           prompter().ask(caption::hint(), dbbackup::againQuestion().arg(operation),
                          confirmButtons(), 0) == 0;
}

bool runMaintenance(const QString& procedure, ParamList& params) {
    try {
        {
            ProgressScope progress;
            dataModule().ExecProc(procedure, params);
        }
        prompter().message(caption::hint(), dbbackup::succeeded());
        return true;
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), dbbackup::failed() + e.message());
        return false;
    }
}

void restartClient(TdmMain& dm) {
    if (dm.startProgram) {
        dm.startProgram(QCoreApplication::applicationFilePath(),
                        QCoreApplication::arguments().mid(1));
    }
    if (dm.quitApplication)
        dm.quitApplication();
}

}  // namespace dyt::client
