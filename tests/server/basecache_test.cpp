// P_JXC_Get_Base for the kinds of the clients' local cache, and the change stamps that goods and
// partners carry.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QSet>

#include "backend_fixture.h"
#include "common/basecache.h"
#include "records.h"
#include "server/db/database.h"
#include "server/procs/registry.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt::server {
namespace {

QString nowText() {
    return QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss"_s);
}

class BaseCacheTest : public test::BackendFixture {
protected:
    void SetUp() override {
        BackendFixture::SetUp();
        ASSERT_EQ(0, createProfile(u"账套甲"_s).code());
        db_ = Database::open(backend_->profilePath(u"dytv1_1"_s));
        registerBaseProcedures(procedures_);
    }
    // Runs P_JXC_Get_Base as the operator with the lines; the rows come back in data.
    int getBase(const QStringList& lines, RecordSet* data, QString* message = nullptr,
                qint64 userId = 1) {
        const Registry::Entry* entry = procedures_.find(u"p_jxc_get_base"_s);
        EXPECT_NE(nullptr, entry);
        if (!entry)
            return -99;
        ParamList params(lines.join(u"\r\n"_s));
        CallContext ctx(*db_, params);
        ctx.userId = userId;
        const int result = entry->handler(ctx);
        *data = ctx.data;
        if (message)
            *message = ctx.message;
        return result;
    }
    RecordSet rowsOf(const QString& kind, const QString& condition = QString()) {
        RecordSet rs;
        QString message;
        const QString line = kind == QLatin1String("DW_") ? u"wldwStr"_s : u"GoodsStr"_s;
        EXPECT_EQ(
            0, getBase({u"QueryType="_s + kind, line + u"=;czy_id=1"_s + condition}, &rs, &message))
            << message.toStdString();
        return rs;
    }
    QString stampOf(const QString& table, qint64 id) {
        return db_->scalar(u"SELECT updateTime FROM %1 WHERE id = ?"_s.arg(table), {id}).toString();
    }
    // The current row against "field=value|field=value", as RecordSet::text gives the values.
    static void expectRow(const RecordSet& rs, const QString& expected) {
        for (const QString& fv : expected.split(u'|'))
            EXPECT_EQ(fv.section(u'=', 1, -1), rs.text(fv.section(u'=', 0, 0))) << fv.toStdString();
    }
    // The names of the local table's columns, in order.
    template <typename Columns>
    static QStringList namesOf(const Columns& columns) {
        QStringList out;
        for (const auto& c : columns)
            out << c.name;
        return out;
    }
    std::unique_ptr<Database> db_;
    Registry procedures_;
};

TEST_F(BaseCacheTest, EveryChangeOfGoodsUnitsAndPartnersMovesTheirStamp) {
    const QString old = u"2001-01-01 00:00:00"_s;
    // A row inserted without a stamp gets the current time; one with a stamp keeps it.
    QString before = nowText();
    db_->execute(u"INSERT INTO baseGoods(id, code, fullname) VALUES (1, 'A', '甲')"_s);
    QString after = nowText();
    EXPECT_LE(before, stampOf(u"baseGoods"_s, 1));
    EXPECT_GE(after, stampOf(u"baseGoods"_s, 1));
    db_->execute(
        u"INSERT INTO baseGoods(id, code, fullname, updateTime) VALUES (2, 'B', '乙', ?)"_s,
        {u"2000-06-06 00:00:00"_s});
    EXPECT_EQ(u"2000-06-06 00:00:00"_s, stampOf(u"baseGoods"_s, 2));
    db_->execute(
        u"INSERT INTO baseWLDW(id, code, fullname, updateTime) VALUES (7, 'W', "
        "'东方', ?)"_s,
        {old});
    db_->execute(u"INSERT INTO baseDQ(id, code, fullname) VALUES (3, '01', '华东')"_s);
    db_->execute(u"UPDATE baseWLDW SET Areaid = 3, updateTime = ? WHERE id = 7"_s, {old});
    // clang-format off
    struct Case { const char* what; const char* sql; const char* table; qint64 id; };
    const Case cases[] = {
        {"goods renamed", "UPDATE baseGoods SET fullname = '乙二' WHERE id = 2", "baseGoods", 2},
        {"unit added", "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit) VALUES (2, 0, '个')", "baseGoods", 2},
        {"price changed", "UPDATE baseGoodsUnit SET price = 9.5 WHERE Goodsid = 2", "baseGoods", 2},
        {"barcode changed", "UPDATE baseGoodsUnit SET barcode = '690' WHERE Goodsid = 2", "baseGoods", 2},
        {"unit removed", "DELETE FROM baseGoodsUnit WHERE Goodsid = 2", "baseGoods", 2},
        {"goods deleted (flag)", "UPDATE baseGoods SET del = 1 WHERE id = 2", "baseGoods", 2},
        {"partner balance posted", "UPDATE baseWLDW SET ystotal = 100 WHERE id = 7", "baseWLDW", 7},
        {"partner's region renamed", "UPDATE baseDQ SET fullname = '华东区' WHERE id = 3", "baseWLDW", 7}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString table = QString::fromLatin1(c.table);
        db_->execute(u"UPDATE %1 SET updateTime = ? WHERE id = ?"_s.arg(table), {old, c.id});
        ASSERT_EQ(old, stampOf(table, c.id));
        before = nowText();
        db_->execute(QString::fromUtf8(c.sql));
        after = nowText();
        const QString stamp = stampOf(table, c.id);
        EXPECT_LE(before, stamp);
        EXPECT_GE(after, stamp);
    }
    // The default supplier's new name reaches the goods that name it.
    db_->execute(u"UPDATE baseGoods SET wldw_id = 7, updateTime = ? WHERE id = 1"_s, {old});
    db_->execute(u"UPDATE baseWLDW SET fullname = '东方五金' WHERE id = 7"_s);
    EXPECT_LT(old, stampOf(u"baseGoods"_s, 1));
    // Writing the stamp itself (the clients' clock check) keeps what was written.
    db_->execute(u"UPDATE baseGoods SET updateTime = '2002-02-02 02:02:02'"_s);
    EXPECT_EQ(u"2002-02-02 02:02:02"_s, stampOf(u"baseGoods"_s, 1));
}

TEST_F(BaseCacheTest, GoodsComeWithTheColumnsOfTheLocalTable) {
    db_->execute(u"INSERT INTO baseWLDW(id, code, fullname) VALUES (7, 'W', '东方五金')"_s);
    db_->execute(
        u"INSERT INTO baseGoods(id, code, fullname, name, pym, gg, xh, addr, costmode, spType, "
        "isstop, yxqNum, jxqNum, tcfs, comment, bz1, bz10, isCanYuZheShangZhe, wldw_id, fdwName) "
        "VALUES (1, 'SP001', 'O''Brien 扳手', '扳手', 'BS', '10寸', 'X1', '上海', 2, 1, 1, 365, "
        "30, 2, '备注''一', '自定义1', '自定义10', 1, 7, '箱')"_s);
    db_->execute(
        u"INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price, price1, price2, "
        "price3) VALUES (1, 0, '把', 1, '6901', 3.5, 4, 4.25, 5), (1, 1, '箱', 12, '6902', 40, "
        "0, 0, 0), (1, 2, '件', 120, '', 0, 0, 0, 0)"_s);
    db_->execute(
        u"INSERT INTO baseGoods(id, code, fullname, del) VALUES (2, 'SP002', '旧货', 1)"_s);
    RecordSet rs = rowsOf(u"SP_"_s);
    ASSERT_EQ(namesOf(basecache::goodsColumns()), dyt::test::fieldNames(rs));
    EXPECT_EQ(2, rs.recordCount());
    ASSERT_TRUE(rs.locate(u"sp_id"_s, 1));
    expectRow(rs,
              u"sp_spbh=SP001|sp_spqm=O'Brien 扳手|sp_spjm=扳手|sp_pym=BS|sp_gg=10寸|sp_xh=X1|"
              "sp_cd=上海|sp_cbsf=先进先出|sp_zt=停用|sp_jbdw=把|sp_dwgx=1箱=12把,1件=120把|"
              "sp_yxq=365|sp_sptm=6901|sp_lsj=3.5|sp_lsj1=4|sp_lsj2=4.25|sp_lsj3=5|sp_bz=备注'一|"
              "sp_fzdw=箱,件|sp_tcfs=2|sp_bz1=自定义1|sp_bz10=自定义10|sp_sptypename=服务/劳务|"
              "sp_wldw_name=东方五金|sp_fdw=箱"_s);
    EXPECT_EQ(1, rs.integer(u"isCanYuZheShangZhe"_s));
    EXPECT_EQ(1, rs.integer(u"sp_sptype"_s));
    EXPECT_EQ(30, rs.integer(u"sp_jxqNum"_s));
    ASSERT_TRUE(rs.locate(u"sp_id"_s, 2));
    expectRow(rs, u"sp_zt=删除|sp_sptypename=库存商品|sp_dwgx=|sp_cbsf=移动加权平均"_s);
}

TEST_F(BaseCacheTest, OnlyChangedRowsComeAgainAndSmallKindsFollowTheRecordRights) {
    struct Row {
        qint64 id;
        const char* stamp;
    };
    const Row rows[] = {{1, "2026-01-01 08:00:00"},
                        {2, "2026-01-02 08:00:00"},
                        {3, "2026-01-02 08:00:01"},
                        {4, "2026-01-03 00:00:00"}};
    for (const Row& r : rows) {
        db_->execute(
            u"INSERT INTO baseGoods(id, code, fullname, updateTime) "
            "VALUES (?, ?, ?, ?)"_s,
            {r.id, u"G%1"_s.arg(r.id), u"商品%1"_s.arg(r.id), QString::fromLatin1(r.stamp)});
        db_->execute(
            u"INSERT INTO baseWLDW(id, code, fullname, updateTime) "
            "VALUES (?, ?, ?, ?)"_s,
            {r.id, u"W%1"_s.arg(r.id), u"单位%1"_s.arg(r.id), QString::fromLatin1(r.stamp)});
    }
    struct Case {
        const char* stamp;
        QList<qint64> ids;
    };
    // The stamp has whole seconds: rows of the stamp's own second come again.
    const Case cases[] = {{"", {1, 2, 3, 4}},
                          {"2000-01-01", {1, 2, 3, 4}},
                          {"2026-01-02 08:00:00", {2, 3, 4}},
                          {"2026-01-02 08:00:01", {3, 4}},
                          {"2026-01-03 00:00:01", {}}};
    for (const QString& kind : {u"SP_"_s, u"DW_"_s}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(kind.toStdString() + " " + c.stamp);
            const QString condition =
                *c.stamp ? u";UpdateTime="_s + QString::fromLatin1(c.stamp) : QString();
            const RecordSet rs = rowsOf(kind, condition);
            EXPECT_EQ(c.ids, dyt::test::idsOf(rs, rs.fields().value(0).name));
        }
    }
    db_->execute(
        u"INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, fullname, del, candel) "
        "VALUES (2, 0, '2,', 1, 0, '002', '李四', 0, 1)"_s);
    db_->execute(u"INSERT INTO sysuser(id, password) VALUES (2, '')"_s);
    for (const char* table : {"baseBM", "baseCK"}) {
        db_->execute(
            u"INSERT INTO %1(id, par_id, par_jl, leveal, sonnum, code, "
            "fullname, del) VALUES (11, 0, '11,', 1, 0, '01', '一部', 0), "
            "(12, 0, '12,', 1, 0, '02', '二部', 0), "
            "(13, 0, '13,', 1, 0, '03', '已删', 1)"_s.arg(QString::fromLatin1(table)));
    }
    // Operator 2 may not use department 12, warehouse 11 nor employee 1.
    db_->execute(u"INSERT INTO basebmPurview(id, czy_id, isbj) VALUES (12, 2, 0), (11, 2, 1)"_s);
    db_->execute(u"INSERT INTO baseCKPurview(id, czy_id, isbj) VALUES (11, 2, 0)"_s);
    db_->execute(u"INSERT INTO basezyPurview(id, czy_id, isbj) VALUES (1, 2, 0)"_s);
    auto ids = [&](const QString& kind, qint64 user) {
        RecordSet rs;
        QString message;
        EXPECT_EQ(0, getBase({u"QueryType="_s + kind}, &rs, &message, user))
            << message.toStdString();
        return dyt::test::idsOf(rs);
    };
    // clang-format off
    struct KindCase { const char* kind; qint64 user; bool rightsOn; QList<qint64> ids; };
    const KindCase kinds[] = {
        {"BM_", 2, false, {11, 12}}, {"BM_", 2, true, {11}}, {"BM_", 1, true, {11, 12}},
        {"CK_", 2, false, {11, 12}}, {"CK_", 2, true, {12}}, {"CK_", 1, true, {11, 12}},
        {"ZY_", 2, false, {1, 2}},   {"ZY_", 2, true, {2}},  {"ZY_", 1, true, {1, 2}}};
    // clang-format on
    for (const KindCase& c : kinds) {
        SCOPED_TRACE(std::string(c.kind) + " user " + std::to_string(c.user) +
                     (c.rightsOn ? " rights on" : " rights off"));
        db_->execute(u"UPDATE sysConf SET sysValue = ? WHERE id = 2004"_s,
                     {c.rightsOn ? u"1"_s : u"0"_s});
        EXPECT_EQ(c.ids, ids(QString::fromLatin1(c.kind), c.user));
    }
    // The named columns the windows read.
    RecordSet rs;
    ASSERT_EQ(0, getBase({u"QueryType=CK_"_s}, &rs));
    ASSERT_TRUE(rs.locate(u"id"_s, 12));
    EXPECT_EQ(12, rs.integer(u"ck_id"_s));
    expectRow(rs, u"ck_ckbh=02|ck_ckqm=二部"_s);
}

TEST_F(BaseCacheTest, PartnersCarryTheirRegionAndBalances) {
    db_->execute(u"INSERT INTO baseDQ(id, code, fullname) VALUES (3, '0101', '华东')"_s);
    db_->execute(
        u"INSERT INTO baseWLDW(id, code, fullname, name, pym, tel, addr, fax, email, sjhm, "
        "bankname, bankcount, postcode, Person, tax, Areaid, comment, bz1, ystotal, yftotal, "
        "yushoutotal, yufutotal) VALUES (7, 'W01', '东方''五金', '东方', 'DFWJ', '021-1', '路1号', "
        "'021-2', 'a@b.c', '138', '工行', '6222', '200000', '张三', '3101', 3, '好客户', 'x', "
        "1250.5, 300.25, 0, 80)"_s);
    db_->execute(u"INSERT INTO baseWLDW(id, code, fullname) VALUES (8, 'W02', '西城')"_s);
    RecordSet rs = rowsOf(u"DW_"_s);
    ASSERT_EQ(namesOf(basecache::partnerColumns()), dyt::test::fieldNames(rs));
    ASSERT_TRUE(rs.locate(u"dw_id"_s, 7));
    expectRow(
        rs,
        u"dw_dwbh=W01|dw_dwqm=东方'五金|dw_dwjm=东方|dw_pym=DFWJ|dw_dhhm=021-1|dw_dwdz=路1号|"
        "dw_cz=021-2|dw_dzyj=a@b.c|dw_sjhm=138|dw_khyh=工行|dw_yhzh=6222|dw_yzbm=200000|"
        "dw_lxr=张三|dw_sh=3101|dw_dqbh=0101|dw_dqqm=华东|dw_bz=好客户|dw_je=950.25|dw_bz1=x"_s);
    const std::pair<const char*, qint64> money[] = {
        {"ystotal", 12505000}, {"yftotal", 3002500}, {"yushoutotal", 0}, {"yufutotal", 800000}};
    for (const auto& [field, raw] : money) {
        EXPECT_EQ(raw, rs.value(QString::fromLatin1(field)).value<Currency>().raw()) << field;
    }
    ASSERT_TRUE(rs.locate(u"dw_id"_s, 8));
    EXPECT_EQ(0, rs.value(u"ystotal"_s).value<Currency>().raw());
    EXPECT_EQ(u"0"_s, rs.text(u"dw_je"_s));
}

TEST_F(BaseCacheTest, AccountsAndAccountNamesAndOtherKindsAreRefused) {
    RecordSet accounts;
    ASSERT_EQ(0, getBase({u"QueryType=KM_"_s}, &accounts));
    RecordSet names;
    ASSERT_EQ(0, getBase({u"QueryType=KMName"_s}, &names));
    const qint64 live = db_->scalar(u"SELECT count(*) FROM baseKM WHERE del = 0"_s).toLongLong();
    ASSERT_GT(live, 0);
    EXPECT_EQ(live, accounts.recordCount());
    EXPECT_EQ(live, names.recordCount());
    // A second-level account's name carries its parent's.
    const RecordSet child = db_->query(
        u"SELECT c.id, p.fullname, c.fullname FROM baseKM AS c, baseKM AS p WHERE c.par_id = p.id "
        "AND c.leveal = 2 AND c.del = 0 ORDER BY c.id LIMIT 1"_s);
    ASSERT_EQ(1, child.rowCount());
    ASSERT_TRUE(names.locate(u"km_id"_s, child.at(0, 0).toLongLong()));
    EXPECT_EQ(child.at(0, 1).toString() + QLatin1Char('-') + child.at(0, 2).toString(),
              names.text(u"km_kmqm"_s));
    const RecordSet top = db_->query(
        u"SELECT id, fullname FROM baseKM WHERE leveal = 1 AND del = 0 ORDER BY id LIMIT 1"_s);
    ASSERT_EQ(1, top.rowCount());
    ASSERT_TRUE(names.locate(u"km_id"_s, top.at(0, 0).toLongLong()));
    EXPECT_EQ(top.at(0, 1).toString(), names.text(u"km_kmqm"_s));
    struct Case {
        const char* kind;
        const char* message;
    };
    const Case cases[] = {{"SPSQ", "请选择要授权的操作员"},
                          {"HeTong", "查询类型[HeTong]暂不支持"},
                          {"", "缺少查询类型QueryType"}};
    for (const Case& c : cases) {
        RecordSet rs;
        QString message;
        EXPECT_EQ(-1, getBase({u"QueryType="_s + QString::fromLatin1(c.kind)}, &rs, &message));
        EXPECT_EQ(QString::fromUtf8(c.message), message);
    }
    // A malformed condition string is an error, not a pasted text.
    RecordSet rs;
    EXPECT_THROW(getBase({u"QueryType=SP_"_s, u"GoodsStr=czy_id"_s}, &rs), DytError);
}

// The local goods and partner tables: each has one key, first, distinct names, and travels as a
// record set of the column types.
TEST(BaseCacheColumns, EachTableHasOneKeyFirstDistinctNamesAndItsTypes) {
    for (const QList<basecache::Column>* columns :
         {&basecache::goodsColumns(), &basecache::partnerColumns()}) {
        ASSERT_FALSE(columns->isEmpty());
        SCOPED_TRACE(columns->first().name.toStdString());
        EXPECT_EQ(basecache::ColumnKind::Id, columns->first().kind);
        const RecordSet rows = basecache::emptyRecordSet(*columns);
        ASSERT_EQ(columns->size(), rows.fieldCount());
        EXPECT_EQ(0, rows.rowCount());
        QSet<QString> names;
        for (int i = 0; i < columns->size(); ++i) {
            const basecache::Column& c = columns->at(i);
            SCOPED_TRACE(c.name.toStdString());
            EXPECT_TRUE(c.kind != basecache::ColumnKind::Id || i == 0);
            EXPECT_FALSE(names.contains(c.name.toLower()));
            names.insert(c.name.toLower());
            const FieldType want = c.kind == basecache::ColumnKind::Text    ? FieldType::Text
                                   : c.kind == basecache::ColumnKind::Money ? FieldType::Currency
                                                                            : FieldType::Integer;
            EXPECT_EQ(c.name, rows.field(i).name);
            EXPECT_EQ(want, rows.field(i).type);
        }
    }
}

}  // namespace
}  // namespace dyt::server
