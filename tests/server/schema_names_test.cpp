// Every table and column that the system's SQL texts and packets name exists in a fresh account
// set (the corpus tests/data/schema_names.tsv), with the column types the conventions ask; the
// windows' own texts run unchanged.

#include <QHash>
#include <QSet>

#include "schema_test_util.h"

using namespace Qt::StringLiterals;

namespace {

using dyt::schematest::query;
using dyt::schematest::readTsv;
using dyt::schematest::scalar;
using dyt::schematest::SchemaAccountSetTest;

// Lower-cased column names of a table.
QSet<QString> columnsOf(sqlite3* db, const QString& table) {
    QSet<QString> out;
    for (const QStringList& r : query(db, u"PRAGMA table_info(\"%1\")"_s.arg(table))) {
        out.insert(r.value(1).toLower());
    }
    return out;
}

// The corpus test runs the texts the corpus holds; these are the others.
const char* const kTexts[] = {
    // settings, menu and rights
    " select * from sysColConfigure where UserId=1 ",
    " insert into syssession(id, PcID) values(7, 'pc-01') ",
    "UPDATE syspurview SET isCYGN = 0,openCount = 0 WHERE userid = 1",
    " Update syspurview set iscygn = 1,openCount = 99999999 where userid = 1 and id in (3, 0)",
    "Update sysuser set password = 'x' where id = 1",
    "select id,fullname from basezy where del = 0 and sonnum = 0 and id in (0,1,0)",
    "SELECT * FROM sysPeriod AS a WHERE a.type = 0 AND a.id = 1",
    // bill kinds and numbering
    " select * from sysdjb where id  = 1",
    " Update sysdjb set inputnum = 2 where id = 1",
    " Update sysdjb set inputname2 = '复核' where id = 1",
    " Update sysdjb set inputid2 = '(0,1,0)' where id = 1",
    " Update sysdjb set inputText2 = '系统管理员' where id = 1",
    " Update sysdjb set printisCheck = 1,printNumSum = 3,printPassword = 'p' where id = 1",
    " update sysDjb set comment='\"JH\"', SNFormat='\"JH\"' where id=5 ",
    " update sysDjb set SNFormat='x' where (sonnum=0) and (id<>5) ",
    // bills
    "Update djindex set inputid3 = 1 where id = 1",
    "Update djList set comment = 'x' where orderid = 1",
    " select b.fullname,a.dbTotal + a.LendTotal as total   FROM djKmDetail AS a,baseKM AS b WHERE "
    "a.km_id = b.id AND a.id = 1 AND a.type = 1",
    "Update djindex set jsr_id = 1 ,dep_id =1 ,code = 'JH-1' ,summery = 'x' where id = 1",
    "Update djindex set isDuiZhang = 1,DuiZhangShuoMing = 'x' where id = 1",
    "Update djindex set  zidingyi1 = 'a' ,zidingyi10 = 'b' where id = 1",
    "UPDATE djindex SET pz_Caption = code WHERE id IN  (1, 0)",
    // base data and stock
    "SELECT ystotal-yftotal as ystotal,yftotal - ystotal as yftotal,yushoutotal - yufuTotal as "
    "yushoutotal,yufutotal - yushoutotal as yufutotal FROM baseWLDW WHERE id = 1",
    "select a.* from basewldw as a where a.id = 1",
    "select type from basewldw where id = 1",
    " select k.id,k.goodsid as sp_id ,k.latestBuyPrice,k.lowestSalePrice from baseGoodsunit as k  "
    "where k.id = 1",
    "SELECT goodsid,sum(qty) as qty FROM baseGoodsStock  WHERE stockid = 1 and goodsid in (1,2) "
    "GROUP BY goodsid",
    " SELECT a.goodsid,a.stockid,a.warnUp FROM baseGoodsWarn AS a WHERE a.stockid = 1 and "
    "a.goodsid = 2 union all SELECT a.goodsid,a.stockid,a.warnDown FROM baseGoodsWarn AS a WHERE "
    "a.stockid = 1",
    " SELECT a.goodsid FROM baseGoodsStock AS a WHERE a.goodsid = 1 UNION ALL  SELECT a.goodsid "
    "FROM baseGoodsStockOther AS a WHERE a.goodsid = 1 UNION ALL  SELECT a.goodsid FROM "
    "iniGoodsStock AS a WHERE a.goodsid = 1 UNION ALL  SELECT a.goodsid FROM iniGoodsStockOther AS "
    "a WHERE a.goodsid = 1",
    "SELECT a.id AS sp_id,b.stockid AS ck_id,b.Qty,b.price,a.yxqNum AS baozhiqi  ,b.outdate AS "
    "shengchanriqi FROM baseGoods AS a,baseGoodsStock AS b  WHERE a.ID = b.goodsid AND b.outdate "
    "<> ''",
    "Update basecuxiao set isstop = case when isstop = 1 then 0 else 1 end where id = 1",
    "  SELECT * FROM baseCuXiao AS a  \tWHERE a.del = 0 AND A.isStop = 0       \tAND a.isjgcx = 1 "
    "\tAND a.khid = 1\tAND a.goodsid = 1\tAND (((a.BeginDate <= '2024-01-01') AND ('2024-01-01' "
    "<=a.EndDate)) \t\tOR ((a.BeginDate <= '2024-02-01') AND ('2024-02-01'<=a.EndDate)))",
    "select * from basekm where id = 8",
    "SELECT * FROM baseFieldNames  WHERE code LIKE '1001%' order by code",
    "Update baseFieldNames set name = '颜色'  where code = '100141'",
    "SELECT a.id FROM baseGoods AS a WHERE a.updateTime > '2030-01-01' AND a.del = 0",
    " Update basegoods SET updateTime = '2024-01-01 00:00:00' ",
};

TEST_F(SchemaAccountSetTest, EveryNamedTableAndColumnExistsIsFoundWithoutRegardToCaseAndIsIndexed) {
    const auto names = readTsv(u"schema_names.tsv"_s, false);
    ASSERT_GT(names.size(), 300u);
    QHash<QString, QSet<QString>> cache;
    int missing = 0;
    for (const QStringList& n : names) {
        ASSERT_EQ(n.size(), 2) << n.join(QLatin1Char('|')).toStdString();
        const QString table = n[0];
        if (!cache.contains(table))
            cache.insert(table, columnsOf(db_, table));
        const QSet<QString>& cols = cache[table];
        EXPECT_FALSE(cols.isEmpty()) << "table missing: " << table.toStdString();
        if (!cols.contains(n[1].toLower())) {
            ++missing;
            ADD_FAILURE() << "column missing: " << table.toStdString() << "." << n[1].toStdString();
        }
    }
    EXPECT_EQ(missing, 0);
    // Names are found without regard to case, and indexes serve the frequent lookups.
    // The system's texts spell the same table in several ways (djIndex, djindex, sysDjb, sysdjb).
    for (const char* spelled :
         {"djindex", "DJINDEX", "sysdjb", "basewldw", "syspurview", "sysconf"}) {
        EXPECT_EQ(
            scalar(db_, u"SELECT count(*) FROM %1 WHERE 1 = 0"_s.arg(QString::fromUtf8(spelled))),
            u"0"_s)
            << spelled;
    }
    // Codes and names compare without regard to case too.
    ASSERT_EQ(dyt::schematest::run(db_,
                                   u"INSERT INTO baseGoods(id, par_jl, code, fullname, pym) "
                                   "VALUES (7, '7,', 'ab-01', 'Widget', 'WG')"_s),
              SQLITE_OK);
    EXPECT_EQ(scalar(db_, u"SELECT id FROM baseGoods WHERE code = 'AB-01'"_s), u"7"_s);
    EXPECT_EQ(scalar(db_, u"SELECT id FROM baseGoods WHERE fullname = 'WIDGET'"_s), u"7"_s);
    EXPECT_EQ(scalar(db_, u"SELECT sysValue FROM sysData WHERE Name = 'autosn'"_s), u"1"_s);
    struct Case {
        const char* sql;
        const char* index;
    };
    const Case cases[] = {
        {"SELECT * FROM djIndex WHERE date >= '2024-01-01'", "ix_djIndex_date"},
        {"SELECT * FROM djIndex WHERE djType = 1 AND date >= '2024-01-01'", "ix_djIndex_type"},
        {"SELECT * FROM djList WHERE id = 5", "ix_djList_bill"},
        {"SELECT * FROM djList WHERE goodsid = 5 AND dj_state <> 0", "ix_djList_goods"},
        {"SELECT * FROM baseGoods WHERE par_id = 3", "ix_baseGoods_par"},
        {"SELECT * FROM baseWLDW WHERE code = 'K01'", "ix_baseWLDW_code"},
        {"SELECT * FROM baseGoodsStock WHERE goodsid = 1 AND stockid = 2",
         "ix_baseGoodsStock_goods"},
        {"SELECT top1.id FROM baseGoods AS top1 WHERE top1.updateTime > '2024-01-01'",
         "ix_baseGoods_update"},
        // The stock status report reads the stock ledger from its index alone.
        {"SELECT goodsid, SUM(qty), SUM(total) FROM baseGoodsStock WHERE 1 = 1 GROUP BY goodsid",
         "COVERING INDEX ix_baseGoodsStock_report"},
        {"SELECT SUM(qty), SUM(total) FROM baseGoodsStock WHERE goodsid = 5",
         "COVERING INDEX ix_baseGoodsStock_report"}};
    for (const Case& c : cases) {
        QString plan;
        for (const QStringList& r :
             query(db_, u"EXPLAIN QUERY PLAN "_s + QString::fromUtf8(c.sql))) {
            plan += r.value(3) + QLatin1Char('\n');
        }
        EXPECT_TRUE(plan.contains(QString::fromUtf8(c.index))) << c.sql << "\n"
                                                               << plan.toStdString();
    }
    // The windows' own SQL texts that need no dialect translation run unchanged: every table and
    // column they name exists with a fitting type.
    for (const char* text : kTexts) {
        char* err = nullptr;
        const int rc = sqlite3_exec(db_, text, nullptr, nullptr, &err);
        EXPECT_EQ(rc, SQLITE_OK) << text << "\n" << (err ? err : "");
        sqlite3_free(err);
    }
}

}  // namespace
