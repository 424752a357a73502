// p_Base_Up_Orderly: the display order of a base table, through a server in the test process.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>

#include "common/recordset.h"
#include "protocol/client.h"
#include "protocol/protocol.h"
#include "server/backend.h"
#include "server/server.h"

namespace dyt::server {
namespace {

class OrderlyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ServerConfig config;
        config.dataDir = dir.path();
        backend = std::make_unique<Backend>(config);
        server = std::make_unique<Server>(*backend);
        const quint16 port = server->start(QStringLiteral("127.0.0.1"), 0);
        client.connectTo(QStringLiteral("127.0.0.1"), port);
        ASSERT_EQ(0, client
                         .call(QStringLiteral("CreateProfile"),
                               {QStringLiteral("甲"), QStringLiteral("甲"), QStringLiteral("sa"),
                                QString()})
                         .code());
        const QString lines = proto::joinLines(
            {QStringLiteral("dytv1_1"), QStringLiteral("dytv1_1"), QStringLiteral("1"),
             QStringLiteral("host"), QString(), QString(), QStringLiteral("1"), QStringLiteral("x"),
             QStringLiteral("dytv1"), QStringLiteral("UpdateFlag=Check"),
             QStringLiteral("LoginType=0"), QStringLiteral("V11.0.140215")});
        ASSERT_EQ(
            0,
            client.call(QStringLiteral("Login"), {lines, QStringLiteral("1"), QString()}).code());
        // Three seeded accounts, each given a known order first.
        const RecordSet rs = query(QStringLiteral("SELECT id FROM baseKM ORDER BY id"));
        ASSERT_GE(rs.rowCount(), 3);
        for (int i = 0; i < 3; ++i)
            ids.append(rs.at(i, 0).toLongLong());
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(1, client
                             .call(QStringLiteral("ExecUpdate"),
                                   {QStringLiteral("UPDATE baseKM SET orderly = %1 WHERE id = %2")
                                        .arg(100 + i)
                                        .arg(ids[i])})
                             .code());
        }
    }
    void TearDown() override { server->stop(); }

    RecordSet query(const QString& sql) {
        const proto::Response r = client.call(QStringLiteral("ExecQuery"), {sql});
        return proto::recordSetFromCbor(r.out(0));
    }
    qint64 orderOf(qint64 id) {
        return query(QStringLiteral("SELECT orderly FROM baseKM WHERE id = %1").arg(id))
            .at(0, 0)
            .toLongLong();
    }
    // Result code and message of the procedure.
    QPair<qint64, QString> orderly(const QStringList& lines) {
        const proto::Response r =
            client.call(QStringLiteral("ExecProc"),
                        {QStringLiteral("p_Base_Up_Orderly"), proto::joinLines(lines)});
        return {r.out(1).toInteger(), r.outText(2)};
    }

    QTemporaryDir dir;
    std::unique_ptr<Backend> backend;
    std::unique_ptr<Server> server;
    proto::Client client;
    QList<qint64> ids;
};

TEST_F(OrderlyTest, IdsOfAllPiecesGetTheirPositionInOrder) {
    const auto [code, message] = orderly(
        {QStringLiteral("tableName=BASEkm"), QStringLiteral("IdList=%1,%2").arg(ids[2]).arg(ids[0]),
         QStringLiteral("IdList2=%1").arg(ids[1]), QStringLiteral("IdList3="),
         QStringLiteral("IdList4="), QStringLiteral("IdList5=")});
    EXPECT_EQ(3, code) << message.toStdString();
    EXPECT_EQ(1, orderOf(ids[2]));
    EXPECT_EQ(2, orderOf(ids[0]));
    EXPECT_EQ(3, orderOf(ids[1]));
}

TEST_F(OrderlyTest, RefusedRequestsChangeNothing) {
    struct Row {
        const char* name;
        QStringList lines;
        QString message;
    } rows[] = {
        {"a table without order",
         {QStringLiteral("tableName=sysuser"), QStringLiteral("IdList=%1").arg(ids[0])},
         QStringLiteral("表[sysuser]不能排序")},
        {"a name that is SQL",
         {QStringLiteral("tableName=baseKM SET orderly=0; --"),
          QStringLiteral("IdList=%1").arg(ids[0])},
         QStringLiteral("表[baseKM SET orderly=0; --]不能排序")},
        {"no table", {QStringLiteral("IdList=%1").arg(ids[0])}, QStringLiteral("表[]不能排序")},
        {"a bad id after good ones",
         {QStringLiteral("tableName=baseKM"),
          QStringLiteral("IdList=%1,%2").arg(ids[1]).arg(ids[0]), QStringLiteral("IdList2=x1")},
         QStringLiteral("排序的记录编号[x1]无效")},
        {"an id twice",
         {QStringLiteral("tableName=baseKM"), QStringLiteral("IdList=%1").arg(ids[1]),
          QStringLiteral("IdList3=%1").arg(ids[1])},
         QStringLiteral("排序的记录编号[%1]重复").arg(ids[1])},
    };
    for (const Row& r : rows) {
        const auto [code, message] = orderly(r.lines);
        EXPECT_EQ(-1, code) << r.name;
        EXPECT_EQ(r.message, message) << r.name;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(100 + i, orderOf(ids[i])) << r.name;
    }
}

}  // namespace
}  // namespace dyt::server
