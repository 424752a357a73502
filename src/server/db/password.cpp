#include "server/db/password.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringList>

namespace dyt::server::password {
namespace {

const QString kPrefix = QStringLiteral("pbkdf2-sha256");
constexpr int kSaltSize = 16;
constexpr int kKeySize = 32;

QByteArray derive(const QString& password, const QByteArray& salt) {
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt,
                                              kIterations, kKeySize);
}

// Salt and key of a stored value in the server's exact form; false for anything else.
bool parse(const QString& stored, QByteArray* salt, QByteArray* key) {
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != kPrefix || parts[1] != QString::number(kIterations))
        return false;
    const auto decode = [](const QString& text, int size, QByteArray* out) {
        const auto r = QByteArray::fromBase64Encoding(text.toLatin1(),
                                                      QByteArray::AbortOnBase64DecodingErrors);
        *out = r.decoded;
        return r && out->size() == size && QString::fromLatin1(out->toBase64()) == text;
    };
    return decode(parts[2], kSaltSize, salt) && decode(parts[3], kKeySize, key);
}

}  // namespace

QString hash(const QString& password) {
    QByteArray salt(kSaltSize, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), kSaltSize / 4);
    return QStringList{kPrefix, QString::number(kIterations), QString::fromLatin1(salt.toBase64()),
                       QString::fromLatin1(derive(password, salt).toBase64())}
        .join(QLatin1Char('$'));
}

bool isHash(const QString& stored) {
    QByteArray salt;
    QByteArray key;
    return parse(stored, &salt, &key);
}

bool verify(const QString& password, const QString& stored) {
    QByteArray salt;
    QByteArray expected;
    if (!parse(stored, &salt, &expected))
        return false;
    const QByteArray actual = derive(password, salt);
    unsigned char diff = 0;
    for (int i = 0; i < kKeySize; ++i)
        diff |= static_cast<unsigned char>(actual[i] ^ expected[i]);
    return diff == 0;
}

}  // namespace dyt::server::password
