#include "client/logic/platform.h"

#include <QCryptographicHash>
#include <QSysInfo>

namespace dyt::client::platform {

QString computerName() {
    return QSysInfo::machineHostName();
}

QByteArray machineIdentity() {
    return QSysInfo::machineUniqueId().trimmed();
}

QString workstationIdOf(const QByteArray& identity) {
    const QByteArray digest = QCryptographicHash::hash(identity, QCryptographicHash::Sha1);
    return QString::fromLatin1(digest.left(4).toHex()).toUpper();
}

QString workstationId() {
    QByteArray identity = machineIdentity();
    if (identity.isEmpty())
        identity = computerName().toUtf8();
    return workstationIdOf(identity);
}

}  // namespace dyt::client::platform
