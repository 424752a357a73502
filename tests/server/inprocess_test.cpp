// The server inside the test process: start, serve, stop with connections open.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "login.h"
#include "server/net/backend.h"
#include "server/net/server.h"

using namespace Qt::StringLiterals;

namespace dyt::server {
namespace {

TEST(InProcessServer, StopClosesSessionsTheServerStartsAgainAndAnAddressInUseIsReported) {
    QTemporaryDir dir;
    ServerConfig config;
    config.dataDir = dir.path();
    Backend backend(config);
    Server server(backend);
    const quint16 port = server.start(u"127.0.0.1"_s, 0);
    EXPECT_NE(0, port);
    proto::Client c;
    c.connectTo(u"127.0.0.1"_s, port);
    ASSERT_EQ(0, c.call(u"CreateProfile"_s, {u"甲"_s, u"甲"_s, u"sa"_s, QString()}).code());
    ASSERT_EQ(0, test::logIn(c, u"dytv1_1"_s).code());
    EXPECT_EQ(1, backend.sessionCount(u"dytv1_1"_s));
    EXPECT_EQ(1, server.connectionCount());
    server.stop();
    EXPECT_EQ(0, backend.sessionCount(u"dytv1_1"_s));
    EXPECT_EQ(0, server.connectionCount());
    EXPECT_THROW(c.call(u"InitDataBase"_s), DytError);
    server.stop();  // twice is harmless
    // The same backend serves again; the account set is intact.
    const quint16 again = server.start(u"127.0.0.1"_s, 0);
    proto::Client c2;
    c2.connectTo(u"127.0.0.1"_s, again);
    EXPECT_EQ(0, test::logIn(c2, u"dytv1_1"_s).code());
    // An address in use or no address at all is reported.
    EXPECT_THROW(Server(backend).start(u"127.0.0.1"_s, again), DytError);
    EXPECT_THROW(Server(backend).start(u"999.1.1.1"_s, 0), DytError);
}

}  // namespace
}  // namespace dyt::server
