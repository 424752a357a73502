#include "server/db/password.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringList>

namespace dyt::server::password {
namespace {

const QString kPrefix = QStringLiteral("pbkdf2-sha256");

QByteArray derive(const QString& password, const QByteArray& salt, int iterations) {
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt,
                                              iterations, 32);
}

}  // namespace

QString hash(const QString& password, int iterations) {
    QByteArray salt(16, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), 4);
    return QStringList{kPrefix, QString::number(iterations), QString::fromLatin1(salt.toBase64()),
                       QString::fromLatin1(derive(password, salt, iterations).toBase64())}
        .join(QLatin1Char('$'));
}

bool isHash(const QString& stored) {
    const QStringList parts = stored.split(QLatin1Char('$'));
    return parts.size() == 4 && parts[0] == kPrefix && parts[1].toInt() > 0;
}

bool verify(const QString& password, const QString& stored) {
    if (stored.isEmpty())
        return password.isEmpty();
    if (!isHash(stored))
        return false;
    const QStringList parts = stored.split(QLatin1Char('$'));
    const QByteArray salt = QByteArray::fromBase64(parts[2].toLatin1());
    const QByteArray expected = QByteArray::fromBase64(parts[3].toLatin1());
    const QByteArray actual = derive(password, salt, parts[1].toInt());
    if (actual.size() != expected.size())
        return false;
    unsigned char diff = 0;
    for (int i = 0; i < actual.size(); ++i)
        diff |= static_cast<unsigned char>(actual[i] ^ expected[i]);
    return diff == 0;
}

}  // namespace dyt::server::password
