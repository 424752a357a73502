#pragma once
// Salted password hashes: "pbkdf2-sha256$ITERATIONS$SALT$HASH" (salt and hash in base64). The
// server makes every stored password with its own iteration count; a stored value of any other
// shape or count never matches, so that nobody can plant a value that is costly to check.

#include <QString>

namespace dyt::server::password {

constexpr int kIterations = 20000;

QString hash(const QString& password);
// True when the stored value is a hash the server made of the password.
bool verify(const QString& password, const QString& stored);
// True when the stored value has exactly the shape and the iteration count of hash().
bool isHash(const QString& stored);

}  // namespace dyt::server::password
