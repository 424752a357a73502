// The columns of the local goods and partner tables and the cache kinds.
#include <gtest/gtest.h>

#include "common/basecache.h"

namespace dyt::basecache {
namespace {

QString namesOf(const QList<Column>& columns, ColumnKind kind) {
    QStringList out;
    for (const Column& c : columns) {
        if (c.kind == kind)
            out << c.name;
    }
    return out.join(QLatin1Char(','));
}

TEST(BaseCacheColumns, GoodsTableInTableOrder) {
    const QList<Column>& c = goodsColumns();
    ASSERT_EQ(37, c.size());
    EXPECT_EQ(QStringLiteral("sp_id"), namesOf(c, ColumnKind::Id));
    EXPECT_EQ(QStringLiteral("sp_spbh,sp_spqm,sp_spjm,sp_pym,sp_gg,sp_xh,sp_cd,sp_cbsf,sp_zt,"
                             "sp_jbdw,sp_dwgx,sp_yxq,sp_sptm,sp_lsj,sp_lsj1,sp_lsj2,sp_lsj3,sp_bz,"
                             "sp_fzdw,sp_tcfs,sp_bz1,sp_bz2,sp_bz3,sp_bz4,sp_bz5,sp_bz6,sp_bz7,"
                             "sp_bz8,sp_bz9,sp_bz10,sp_sptypename,sp_wldw_name,sp_fdw"),
              namesOf(c, ColumnKind::Text));
    EXPECT_EQ(QStringLiteral("isCanYuZheShangZhe,sp_sptype,sp_jxqNum"),
              namesOf(c, ColumnKind::Integer));
    EXPECT_EQ(QString(), namesOf(c, ColumnKind::Money));
    // The id first, the auxiliary unit name last.
    EXPECT_EQ(QStringLiteral("sp_id"), c.first().name);
    EXPECT_EQ(QStringLiteral("sp_fdw"), c.last().name);
    EXPECT_EQ(QStringLiteral("isCanYuZheShangZhe"), c.at(31).name);
}

TEST(BaseCacheColumns, PartnerTableInTableOrder) {
    const QList<Column>& c = partnerColumns();
    ASSERT_EQ(33, c.size());
    EXPECT_EQ(QStringLiteral("dw_id"), namesOf(c, ColumnKind::Id));
    EXPECT_EQ(QStringLiteral("dw_dwbh,dw_dwqm,dw_dwjm,dw_pym,dw_dhhm,dw_dwdz,dw_cz,dw_dzyj,"
                             "dw_sjhm,dw_khyh,dw_yhzh,dw_yzbm,dw_lxr,dw_sh,dw_dqbh,dw_dqqm,dw_bz,"
                             "dw_je,dw_bz1,dw_bz2,dw_bz3,dw_bz4,dw_bz5,dw_bz6,dw_bz7,dw_bz8,"
                             "dw_bz9,dw_bz10"),
              namesOf(c, ColumnKind::Text));
    EXPECT_EQ(QStringLiteral("ystotal,yftotal,yushoutotal,yufutotal"),
              namesOf(c, ColumnKind::Money));
    EXPECT_EQ(QStringLiteral("yufutotal"), c.last().name);
}

TEST(BaseCacheColumns, RecordSetsTravelWithTheColumnTypes) {
    const RecordSet goods = emptyRecordSet(goodsColumns());
    ASSERT_EQ(37, goods.fieldCount());
    EXPECT_EQ(FieldType::Integer,
              goods.fields().at(goods.fieldIndex(QStringLiteral("sp_id"))).type);
    EXPECT_EQ(FieldType::Text, goods.fields().at(goods.fieldIndex(QStringLiteral("sp_spqm"))).type);
    EXPECT_EQ(FieldType::Integer,
              goods.fields().at(goods.fieldIndex(QStringLiteral("sp_sptype"))).type);
    const RecordSet partners = emptyRecordSet(partnerColumns());
    EXPECT_EQ(FieldType::Currency,
              partners.fields().at(partners.fieldIndex(QStringLiteral("ystotal"))).type);
    EXPECT_EQ(0, partners.rowCount());
}

TEST(BaseCacheColumns, Kinds) {
    EXPECT_EQ((QStringList{QStringLiteral("SP_"), QStringLiteral("DW_"), QStringLiteral("BM_"),
                           QStringLiteral("KM_"), QStringLiteral("KMName"), QStringLiteral("CK_"),
                           QStringLiteral("ZY_")}),
              cacheKinds());
    EXPECT_EQ(QStringLiteral("P_JXC_Get_Base"), procedureName());
    EXPECT_EQ(QStringLiteral("2000-01-01"), initialStamp());
}

}  // namespace
}  // namespace dyt::basecache
