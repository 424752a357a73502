#pragma once
// The client's log-in: its lines, and a connection to a running server logged in as operator 1.

#include <QString>

#include <memory>

#include "common/error.h"
#include "protocol/client.h"
#include "protocol/protocol.h"

using namespace Qt::StringLiterals;

namespace dyt::test {

// The log-in lines of an operator on computer "PC-01"; login type 1 looks the operator up by code.
inline QString loginLines(const QString& db, const QString& user = u"1"_s,
                          const QString& flag = u"Check"_s, int loginType = 0) {
    return proto::joinLines({db, db, user, u"PC-01"_s, u"10.0.0.5"_s, u"00-11-22"_s, u"1"_s,
                             u"正式版"_s, u"dytv1"_s, u"UpdateFlag="_s + flag,
                             u"LoginType=%1"_s.arg(loginType), u"V11.0.140215"_s});
}

inline proto::Response logIn(proto::Client& c, const QString& db, const QString& user = u"1"_s,
                             const QString& password = QString()) {
    return c.call(u"Login"_s, {loginLines(db, user), user, password});
}

// A new connection to the server on the loopback port, logged in; a refusal throws its message.
inline std::unique_ptr<proto::Client> loggedIn(int port, const QString& db = u"dytv1_1"_s) {
    auto c = std::make_unique<proto::Client>();
    c->connectTo(u"127.0.0.1"_s, port);
    const proto::Response r = logIn(*c, db);
    if (r.code() != 0)
        throw DytError(r.outText(0));
    return c;
}

}  // namespace dyt::test
