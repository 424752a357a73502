#pragma once
// Salted password hashes: "pbkdf2-sha256$ITERATIONS$SALT$HASH" (salt and hash in base64).

#include <QString>

namespace dyt::server::password {

constexpr int kDefaultIterations = 20000;

QString hash(const QString& password, int iterations = kDefaultIterations);
// True when the stored value is a hash of the password. An empty stored value matches only the
// empty password; any other value that is not a hash never matches.
bool verify(const QString& password, const QString& stored);
bool isHash(const QString& stored);

}  // namespace dyt::server::password
