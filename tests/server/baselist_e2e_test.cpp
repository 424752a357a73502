// Base records end to end: a dyt-server process, the protocol client, the save, delete, drag and
// picture procedures and P_Base_Get_KM as the base-data windows call them.
#include <gtest/gtest.h>

#include "protocol/client.h"
#include "protocol/protocol.h"
#include "support/serverprocess.h"

namespace dyt {
namespace {

using proto::Client;
using proto::Response;

class BaseRecordsServer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.start()) << server_.error().toStdString();
        client_.connectTo(QStringLiteral("127.0.0.1"), server_.port());
        const QString name = QStringLiteral("基础资料");
        ASSERT_EQ(0, client_
                         .call(QStringLiteral("CreateProfile"),
                               {name, name, QStringLiteral("sa"), QString()})
                         .code());
        const QString lines = proto::joinLines(
            {QStringLiteral("dytv1_1"), QStringLiteral("dytv1_1"), QStringLiteral("1"),
             QStringLiteral("PC-01"), QString(), QString(), QStringLiteral("1"),
             QStringLiteral("x"), QStringLiteral("dytv1"), QStringLiteral("UpdateFlag=Check"),
             QStringLiteral("LoginType=0"), QStringLiteral("V11.0.140215")});
        ASSERT_EQ(
            0,
            client_.call(QStringLiteral("Login"), {lines, QStringLiteral("1"), QString()}).code());
    }

    // ExecProc: the result and the message.
    QPair<qint64, QString> proc(const QString& name, const QStringList& lines) {
        const Response r =
            client_.call(QStringLiteral("ExecProc"), {name, proto::joinLines(lines)});
        return {r.out(1).toInteger(), r.outText(2)};
    }
    RecordSet query(const QString& sql) {
        const Response r = client_.call(QStringLiteral("ExecQuery"), {sql});
        EXPECT_EQ(0, r.code()) << r.outText(1).toStdString();
        return proto::recordSetFromCbor(r.out(0));
    }
    RecordSet procQuery(const QString& name, const QStringList& lines) {
        const Response r =
            client_.call(QStringLiteral("ExecProcQuery"), {name, proto::joinLines(lines)});
        EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        return proto::recordSetFromCbor(r.out(1));
    }
    QString tree(const QString& table, qint64 id) {
        const RecordSet rs =
            query(QStringLiteral("SELECT par_id, par_jl, leveal, sonnum, del FROM %1 WHERE id = %2")
                      .arg(table)
                      .arg(id));
        if (rs.rowCount() != 1)
            return QStringLiteral("missing");
        return QStringLiteral("%1/%2/%3/%4/%5")
            .arg(rs.at(0, 0).toLongLong())
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
        return proc(QStringLiteral("p_Base_Up_CK"),
                    {QStringLiteral("code=") + code, QStringLiteral("FullName=") + name,
                     QStringLiteral("pym="), QStringLiteral("isstop=0"), QStringLiteral("comment="),
                     QStringLiteral("id=") + id, QStringLiteral("par_id=") + parent,
                     QStringLiteral("czy_id=1")});
    };
    const auto [north, m1] = save(QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("01"),
                                  QStringLiteral("华北仓库"));
    ASSERT_GT(north, 0) << m1.toStdString();
    const auto [south, m2] = save(QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("02"),
                                  QStringLiteral("华南仓库"));
    ASSERT_GT(south, 0) << m2.toStdString();
    const auto [store, m3] = save(QStringLiteral("0"), QString::number(north),
                                  QStringLiteral("0101"), QStringLiteral("北京'一号'库"));
    ASSERT_GT(store, 0) << m3.toStdString();
    EXPECT_EQ(QStringLiteral("%1/%1,%2,/2/0/0").arg(north).arg(store),
              tree(QStringLiteral("baseCK"), store));
    EXPECT_EQ(QStringLiteral("BJYHK"),
              query(QStringLiteral("SELECT pym FROM baseCK WHERE id = %1").arg(store))
                  .at(0, 0)
                  .toString());

    const auto [canton, m0] = save(QStringLiteral("0"), QString::number(south),
                                   QStringLiteral("0201"), QStringLiteral("广州库"));
    ASSERT_GT(canton, 0) << m0.toStdString();

    // Drag onto the other category.
    const auto [moved, m4] =
        proc(QStringLiteral("p_Base_Up_DragDrop"),
             {QStringLiteral("TableName=baseck"), QStringLiteral("par_id=%1").arg(south),
              QStringLiteral("idStrList=(0,%1,-1)").arg(store)});
    EXPECT_EQ(1, moved) << m4.toStdString();
    EXPECT_EQ(QStringLiteral("%1/%1,%2,/2/0/0").arg(south).arg(store),
              tree(QStringLiteral("baseCK"), store));
    EXPECT_EQ(QStringLiteral("0/%1,/1/0/0").arg(north), tree(QStringLiteral("baseCK"), north));
    EXPECT_EQ(QStringLiteral("0/%1,/1/2/0").arg(south), tree(QStringLiteral("baseCK"), south));

    // The next automatic code below the category follows its highest child code.
    EXPECT_EQ(QStringLiteral("0202"),
              query(QStringLiteral("SELECT dbo.fnGetBaseAutoCode('ck', %1) as Code").arg(south))
                  .at(0, 0)
                  .toString());

    // A duplicate code is refused with the server's message; nothing was added.
    const auto [dup, message] = save(QStringLiteral("0"), QStringLiteral("0"),
                                     QStringLiteral("0101"), QStringLiteral("重复"));
    EXPECT_EQ(-1, dup);
    EXPECT_EQ(QStringLiteral("仓库编号[0101]已经存在，请重新输入！"), message);
    EXPECT_EQ(4, query(QStringLiteral("SELECT COUNT(*) FROM baseCK")).at(0, 0).toLongLong());

    const auto [gone, m5] = proc(QStringLiteral("p_Base_Del_CK"),
                                 {QStringLiteral("id=%1").arg(store), QStringLiteral("czy_id=1")});
    EXPECT_EQ(store, gone) << m5.toStdString();
    EXPECT_EQ(QStringLiteral("%1/%1,%2,/2/0/1").arg(south).arg(store),
              tree(QStringLiteral("baseCK"), store));
    EXPECT_EQ(QStringLiteral("0/%1,/1/1/0").arg(south), tree(QStringLiteral("baseCK"), south));
}

TEST_F(BaseRecordsServer, AGoodsPictureTravelsBothWays) {
    const auto [goods, m1] = proc(QStringLiteral("p_base_Up_Goods"),
                                  {QStringLiteral("id=0"), QStringLiteral("par_id=0"),
                                   QStringLiteral("code=SP001"), QStringLiteral("fullname=矿泉水"),
                                   QStringLiteral("costmode=0"), QStringLiteral("spType=0")});
    ASSERT_GT(goods, 0) << m1.toStdString();
    QByteArray jpeg("\xFF\xD8\xFF\xE0", 4);
    for (int i = 0; i < 5000; ++i)
        jpeg.append(static_cast<char>(i % 251));
    const auto [size, m2] = proc(QStringLiteral("p_Base_Up_GoodsImage"),
                                 {QStringLiteral("Goodsid=%1").arg(goods),
                                  QStringLiteral("Image=") + QString::fromLatin1(jpeg.toBase64())});
    EXPECT_EQ(jpeg.size(), size) << m2.toStdString();
    const RecordSet rs = procQuery(QStringLiteral("p_Base_Get_GoodsImage"),
                                   {QStringLiteral("Goodsid=%1").arg(goods)});
    ASSERT_EQ(1, rs.rowCount());
    EXPECT_EQ(jpeg, rs.at(0, rs.fieldIndex(QStringLiteral("Image"))).toByteArray());
    EXPECT_EQ(QStringLiteral("有"),
              query(QStringLiteral("SELECT YouWuTuPian FROM baseGoods WHERE id = %1").arg(goods))
                  .at(0, 0)
                  .toString());
}

TEST_F(BaseRecordsServer, TheAccountListComesLevelByLevel) {
    const RecordSet top =
        procQuery(QStringLiteral("P_Base_Get_KM"), {QStringLiteral("kmStr=;czy_id=1;par_id=0")});
    QStringList names;
    for (int r = 0; r < top.rowCount(); ++r)
        names.append(top.at(r, top.fieldIndex(QStringLiteral("fullname"))).toString());
    EXPECT_EQ((QStringList{QStringLiteral("【资产类】"), QStringLiteral("【负债类】"),
                           QStringLiteral("【收入类】"), QStringLiteral("【支出类】"),
                           QStringLiteral("【所有者权益类】")}),
              names);
    const RecordSet banks =
        procQuery(QStringLiteral("P_Base_Get_KM"), {QStringLiteral("kmStr=;czy_id=1;par_id=9")});
    ASSERT_EQ(1, banks.rowCount());
    EXPECT_EQ(QStringLiteral("【资产类】/全部银行存款合计/银行存款"),
              banks.at(0, banks.fieldIndex(QStringLiteral("pathName"))).toString());
}

}  // namespace
}  // namespace dyt
