// The server inside the test process: start, serve, stop with connections open.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "common/error.h"
#include "protocol/client.h"
#include "server/backend.h"
#include "server/server.h"

namespace dyt::server {
namespace {

QString loginLines(const QString& db) {
    return proto::joinLines({db, db, QStringLiteral("1"), QStringLiteral("host"), QString(),
                             QString(), QStringLiteral("1"), QStringLiteral("x"),
                             QStringLiteral("dytv1"), QStringLiteral("UpdateFlag=Check"),
                             QStringLiteral("LoginType=0"), QStringLiteral("V11.0.140215")});
}

TEST(InProcessServer, StopClosesSessionsAndTheServerCanStartAgain) {
    QTemporaryDir dir;
    ServerConfig config;
    config.dataDir = dir.path();
    Backend backend(config);
    Server server(backend);
    const quint16 port = server.start(QStringLiteral("127.0.0.1"), 0);
    EXPECT_NE(0, port);

    proto::Client c;
    c.connectTo(QStringLiteral("127.0.0.1"), port);
    ASSERT_EQ(0,
              c.call(QStringLiteral("CreateProfile"),
                     {QStringLiteral("甲"), QStringLiteral("甲"), QStringLiteral("sa"), QString()})
                  .code());
    ASSERT_EQ(0, c.call(QStringLiteral("Login"),
                        {loginLines(QStringLiteral("dytv1_1")), QStringLiteral("1"), QString()})
                     .code());
    EXPECT_EQ(1, backend.sessionCount(QStringLiteral("dytv1_1")));
    EXPECT_EQ(1, server.connectionCount());

    server.stop();
    EXPECT_EQ(0, backend.sessionCount(QStringLiteral("dytv1_1")));
    EXPECT_EQ(0, server.connectionCount());
    EXPECT_THROW(c.call(QStringLiteral("InitDataBase")), DytError);
    server.stop();  // twice is harmless

    // The same backend serves again; the account set is intact.
    const quint16 again = server.start(QStringLiteral("127.0.0.1"), 0);
    proto::Client c2;
    c2.connectTo(QStringLiteral("127.0.0.1"), again);
    EXPECT_EQ(0, c2.call(QStringLiteral("Login"),
                         {loginLines(QStringLiteral("dytv1_1")), QStringLiteral("1"), QString()})
                     .code());
}

TEST(InProcessServer, AnAddressInUseIsReported) {
    QTemporaryDir dir;
    ServerConfig config;
    config.dataDir = dir.path();
    Backend backend(config);
    Server first(backend);
    const quint16 port = first.start(QStringLiteral("127.0.0.1"), 0);
    Server second(backend);
    EXPECT_THROW(second.start(QStringLiteral("127.0.0.1"), port), DytError);
    Server third(backend);
    EXPECT_THROW(third.start(QStringLiteral("999.1.1.1"), 0), DytError);
}

}  // namespace
}  // namespace dyt::server
