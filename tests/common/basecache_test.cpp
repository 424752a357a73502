// The columns of the local goods and partner tables and the cache kinds.
#include <gtest/gtest.h>

#include "common/basecache.h"

using namespace Qt::StringLiterals;

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
    EXPECT_EQ(u"sp_id"_s, namesOf(c, ColumnKind::Id));
    EXPECT_EQ(
        u"sp_spbh,sp_spqm,sp_spjm,sp_pym,sp_gg,sp_xh,sp_cd,sp_cbsf,sp_zt,"
        "sp_jbdw,sp_dwgx,sp_yxq,sp_sptm,sp_lsj,sp_lsj1,sp_lsj2,sp_lsj3,sp_bz,"
        "sp_fzdw,sp_tcfs,sp_bz1,sp_bz2,sp_bz3,sp_bz4,sp_bz5,sp_bz6,sp_bz7,"
        "sp_bz8,sp_bz9,sp_bz10,sp_sptypename,sp_wldw_name,sp_fdw"_s,
        namesOf(c, ColumnKind::Text));
    EXPECT_EQ(u"isCanYuZheShangZhe,sp_sptype,sp_jxqNum"_s, namesOf(c, ColumnKind::Integer));
    EXPECT_EQ(QString(), namesOf(c, ColumnKind::Money));
    // The id first, the auxiliary unit name last.
    EXPECT_EQ(u"sp_id"_s, c.first().name);
    EXPECT_EQ(u"sp_fdw"_s, c.last().name);
    EXPECT_EQ(u"isCanYuZheShangZhe"_s, c.at(31).name);
}

TEST(BaseCacheColumns, PartnerTableInTableOrder) {
    const QList<Column>& c = partnerColumns();
    ASSERT_EQ(33, c.size());
    EXPECT_EQ(u"dw_id"_s, namesOf(c, ColumnKind::Id));
    EXPECT_EQ(
        u"dw_dwbh,dw_dwqm,dw_dwjm,dw_pym,dw_dhhm,dw_dwdz,dw_cz,dw_dzyj,"
        "dw_sjhm,dw_khyh,dw_yhzh,dw_yzbm,dw_lxr,dw_sh,dw_dqbh,dw_dqqm,dw_bz,"
        "dw_je,dw_bz1,dw_bz2,dw_bz3,dw_bz4,dw_bz5,dw_bz6,dw_bz7,dw_bz8,"
        "dw_bz9,dw_bz10"_s,
        namesOf(c, ColumnKind::Text));
    EXPECT_EQ(u"ystotal,yftotal,yushoutotal,yufutotal"_s, namesOf(c, ColumnKind::Money));
    EXPECT_EQ(u"yufutotal"_s, c.last().name);
}

TEST(BaseCacheColumns, RecordSetsTravelWithTheColumnTypes) {
    const RecordSet goods = emptyRecordSet(goodsColumns());
    ASSERT_EQ(37, goods.fieldCount());
    EXPECT_EQ(FieldType::Integer, goods.fields().at(goods.fieldIndex(u"sp_id"_s)).type);
    EXPECT_EQ(FieldType::Text, goods.fields().at(goods.fieldIndex(u"sp_spqm"_s)).type);
    EXPECT_EQ(FieldType::Integer, goods.fields().at(goods.fieldIndex(u"sp_sptype"_s)).type);
    const RecordSet partners = emptyRecordSet(partnerColumns());
    EXPECT_EQ(FieldType::Currency, partners.fields().at(partners.fieldIndex(u"ystotal"_s)).type);
    EXPECT_EQ(0, partners.rowCount());
}

TEST(BaseCacheColumns, Kinds) {
    EXPECT_EQ(
        (QStringList{u"SP_"_s, u"DW_"_s, u"BM_"_s, u"KM_"_s, u"KMName"_s, u"CK_"_s, u"ZY_"_s}),
        cacheKinds());
    EXPECT_EQ(u"P_JXC_Get_Base"_s, procedureName());
    EXPECT_EQ(u"2000-01-01"_s, initialStamp());
}

}  // namespace
}  // namespace dyt::basecache
