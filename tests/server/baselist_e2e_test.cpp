// Base records end to end: a dyt-server process, the protocol client and the save, delete and
// drag procedures as the base-data windows call them.
#include <gtest/gtest.h>

#include "protocol/client.h"
#include "protocol/protocol.h"
#include "support/serverprocess.h"

using namespace Qt::StringLiterals;

namespace dyt {
namespace {

using proto::Client;
using proto::Response;

class BaseRecordsServer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.start()) << server_.error().toStdString();
        client_.connectTo(u"127.0.0.1"_s, server_.port());
        const QString name = u"基础资料"_s;
        ASSERT_EQ(0, client_.call(u"CreateProfile"_s, {name, name, u"sa"_s, QString()}).code());
        const QString lines = proto::joinLines(
            {u"dytv1_1"_s, u"dytv1_1"_s, u"1"_s, u"PC-01"_s, QString(), QString(), u"1"_s, u"x"_s,
             u"dytv1"_s, u"UpdateFlag=Check"_s, u"LoginType=0"_s, u"V11.0.140215"_s});
        ASSERT_EQ(0, client_.call(u"Login"_s, {lines, u"1"_s, QString()}).code());
    }

    // ExecProc: the result and the message.
    QPair<qint64, QString> proc(const QString& name, const QStringList& lines) {
        const Response r = client_.call(u"ExecProc"_s, {name, proto::joinLines(lines)});
        return {r.out(1).toInteger(), r.outText(2)};
    }
    RecordSet query(const QString& sql) {
        const Response r = client_.call(u"ExecQuery"_s, {sql});
        EXPECT_EQ(0, r.code()) << r.outText(1).toStdString();
        return proto::recordSetFromCbor(r.out(0));
    }
    QString tree(const QString& table, qint64 id) {
        const RecordSet rs = query(
            u"SELECT par_id, par_jl, leveal, sonnum, del FROM %1 WHERE id = %2"_s.arg(table).arg(
                id));
        if (rs.rowCount() != 1)
            return u"missing"_s;
        return u"%1/%2/%3/%4/%5"_s.arg(rs.at(0, 0).toLongLong())
            .arg(rs.at(0, 1).toString())
            .arg(rs.at(0, 2).toLongLong())
            .arg(rs.at(0, 3).toLongLong())
            .arg(rs.at(0, 4).toLongLong());
    }

    test::ServerProcess server_;
    Client client_;
};

TEST_F(BaseRecordsServer, WarehousesAreSavedMovedAndDeletedOverTheWire) {
    const auto save = [&](const QString& id, const QString& parent, const QString& code,
                          const QString& name) {
        return proc(u"p_Base_Up_CK"_s,
                    {u"code="_s + code, u"FullName="_s + name, u"pym="_s, u"isstop=0"_s,
                     u"comment="_s, u"id="_s + id, u"par_id="_s + parent, u"czy_id=1"_s});
    };
    const auto [north, m1] = save(u"0"_s, u"0"_s, u"01"_s, u"华北仓库"_s);
    ASSERT_GT(north, 0) << m1.toStdString();
    const auto [south, m2] = save(u"0"_s, u"0"_s, u"02"_s, u"华南仓库"_s);
    ASSERT_GT(south, 0) << m2.toStdString();
    const auto [store, m3] = save(u"0"_s, QString::number(north), u"0101"_s, u"北京'一号'库"_s);
    ASSERT_GT(store, 0) << m3.toStdString();
    EXPECT_EQ(u"%1/%1,%2,/2/0/0"_s.arg(north).arg(store), tree(u"baseCK"_s, store));
    EXPECT_EQ(u"BJYHK"_s,
              query(u"SELECT pym FROM baseCK WHERE id = %1"_s.arg(store)).at(0, 0).toString());

    const auto [canton, m0] = save(u"0"_s, QString::number(south), u"0201"_s, u"广州库"_s);
    ASSERT_GT(canton, 0) << m0.toStdString();

    // Drag onto the other category.
    const auto [moved, m4] = proc(
        u"p_Base_Up_DragDrop"_s,
        {u"TableName=baseck"_s, u"par_id=%1"_s.arg(south), u"idStrList=(0,%1,-1)"_s.arg(store)});
    EXPECT_EQ(1, moved) << m4.toStdString();
    EXPECT_EQ(u"%1/%1,%2,/2/0/0"_s.arg(south).arg(store), tree(u"baseCK"_s, store));
    EXPECT_EQ(u"0/%1,/1/0/0"_s.arg(north), tree(u"baseCK"_s, north));
    EXPECT_EQ(u"0/%1,/1/2/0"_s.arg(south), tree(u"baseCK"_s, south));

    // The next automatic code below the category follows its highest child code.
    EXPECT_EQ(
        u"0202"_s,
        query(u"SELECT dbo.fnGetBaseAutoCode('ck', %1) as Code"_s.arg(south)).at(0, 0).toString());

    // A duplicate code is refused with the server's message; nothing was added.
    const auto [dup, message] = save(u"0"_s, u"0"_s, u"0101"_s, u"重复"_s);
    EXPECT_EQ(-1, dup);
    EXPECT_EQ(u"仓库编号[0101]已经存在，请重新输入！"_s, message);
    EXPECT_EQ(4, query(u"SELECT COUNT(*) FROM baseCK"_s).at(0, 0).toLongLong());

    const auto [gone, m5] = proc(u"p_Base_Del_CK"_s, {u"id=%1"_s.arg(store), u"czy_id=1"_s});
    EXPECT_EQ(store, gone) << m5.toStdString();
    EXPECT_EQ(u"%1/%1,%2,/2/0/1"_s.arg(south).arg(store), tree(u"baseCK"_s, store));
    EXPECT_EQ(u"0/%1,/1/1/0"_s.arg(south), tree(u"baseCK"_s, south));
}

}  // namespace
}  // namespace dyt
