// p_Base_Up_Orderly: the display order of a base table, through a server in the test process.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>

#include "common/recordset.h"
#include "protocol/client.h"
#include "protocol/protocol.h"
#include "server/net/backend.h"
#include "server/net/server.h"

using namespace Qt::StringLiterals;

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
        const quint16 port = server->start(u"127.0.0.1"_s, 0);
        client.connectTo(u"127.0.0.1"_s, port);
        ASSERT_EQ(0,
                  client.call(u"CreateProfile"_s, {u"甲"_s, u"甲"_s, u"sa"_s, QString()}).code());
        const QString lines = proto::joinLines(
            {u"dytv1_1"_s, u"dytv1_1"_s, u"1"_s, u"host"_s, QString(), QString(), u"1"_s, u"x"_s,
             u"dytv1"_s, u"UpdateFlag=Check"_s, u"LoginType=0"_s, u"V11.0.140215"_s});
        ASSERT_EQ(0, client.call(u"Login"_s, {lines, u"1"_s, QString()}).code());
        // Three seeded accounts, each given a known order first.
        const RecordSet rs = query(u"SELECT id FROM baseKM ORDER BY id"_s);
        ASSERT_GE(rs.rowCount(), 3);
        for (int i = 0; i < 3; ++i)
            ids.append(rs.at(i, 0).toLongLong());
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(1,
                      client
                          .call(u"ExecUpdate"_s,
                                {u"UPDATE baseKM SET orderly = %1 WHERE id = %2"_s.arg(100 + i).arg(
                                    ids[i])})
                          .code());
        }
    }
    void TearDown() override { server->stop(); }

    RecordSet query(const QString& sql) {
        const proto::Response r = client.call(u"ExecQuery"_s, {sql});
        return proto::recordSetFromCbor(r.out(0));
    }
    qint64 orderOf(qint64 id) {
        return query(u"SELECT orderly FROM baseKM WHERE id = %1"_s.arg(id)).at(0, 0).toLongLong();
    }
    // Result code and message of the procedure.
    QPair<qint64, QString> orderly(const QStringList& lines) {
        const proto::Response r =
            client.call(u"ExecProc"_s, {u"p_Base_Up_Orderly"_s, proto::joinLines(lines)});
        return {r.out(1).toInteger(), r.outText(2)};
    }

    QTemporaryDir dir;
    std::unique_ptr<Backend> backend;
    std::unique_ptr<Server> server;
    proto::Client client;
    QList<qint64> ids;
};

TEST_F(OrderlyTest, IdsOfAllPiecesGetTheirPositionInOrder) {
    const auto [code, message] =
        orderly({u"tableName=BASEkm"_s, u"IdList=%1,%2"_s.arg(ids[2]).arg(ids[0]),
                 u"IdList2=%1"_s.arg(ids[1]), u"IdList3="_s, u"IdList4="_s, u"IdList5="_s});
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
         {u"tableName=sysuser"_s, u"IdList=%1"_s.arg(ids[0])},
         u"表[sysuser]不能排序"_s},
        {"a name that is SQL",
         {u"tableName=baseKM SET orderly=0; --"_s, u"IdList=%1"_s.arg(ids[0])},
         u"表[baseKM SET orderly=0; --]不能排序"_s},
        {"no table", {u"IdList=%1"_s.arg(ids[0])}, u"表[]不能排序"_s},
        {"a bad id after good ones",
         {u"tableName=baseKM"_s, u"IdList=%1,%2"_s.arg(ids[1]).arg(ids[0]), u"IdList2=x1"_s},
         u"排序的记录编号[x1]无效"_s},
        {"an id twice",
         {u"tableName=baseKM"_s, u"IdList=%1"_s.arg(ids[1]), u"IdList3=%1"_s.arg(ids[1])},
         u"排序的记录编号[%1]重复"_s.arg(ids[1])}};
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
