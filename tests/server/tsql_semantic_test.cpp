// Translated texts run on SQLite and give the results SQL Server gives.

#include "tsql_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::test {
namespace {

using server::tsql::Result;

class TsqlSemantic : public TsqlDb {
protected:
    void SetUp() override {
        TsqlDb::SetUp();
        sql("CREATE TABLE baseGoods(id INTEGER PRIMARY KEY, par_id INTEGER, par_jl TEXT, "
            "sonnum INTEGER, del INTEGER DEFAULT 0, code TEXT, fullname TEXT, yxqNum INTEGER, "
            "jxqNum INTEGER);"
            "INSERT INTO baseGoods VALUES(5, 0, '5,', 2, 0, '01', '饮料', 0, 0);"
            "INSERT INTO baseGoods VALUES(6, 5, '5,6,', 0, 0, '0101', '可乐', 10, 2);"
            "INSERT INTO baseGoods VALUES(7, 5, '5,7,', 0, 0, '0102', '雪碧', 30, 0);"
            "INSERT INTO baseGoods VALUES(8, 0, '8,', 0, 0, '02', '毛巾', 0, 0);"
            "CREATE TABLE baseGoodsPurview(id INTEGER, czy_id INTEGER, isbj INTEGER);"
            "INSERT INTO baseGoodsPurview VALUES(5, 3, 0), (6, 3, 0), (7, 3, 0), (8, 3, 0),"
            " (6, 4, 0);"
            "CREATE TABLE baseGoodsStock(id INTEGER PRIMARY KEY, goodsid INTEGER, stockid INTEGER,"
            " Qty REAL, price REAL, outdate TEXT);"
            "INSERT INTO baseGoodsStock VALUES(1, 6, 1, 10, 2.5, '2023-12-25');"
            "INSERT INTO baseGoodsStock VALUES(2, 7, 1, 4, 3, '');"
            "CREATE TABLE djList(id INTEGER, orderid INTEGER, goodsid INTEGER, km_id INTEGER, "
            "total REAL, dj_state INTEGER, unit INTEGER);"
            "INSERT INTO djList VALUES(1002, 1, 0, 0, 50, 1, 0), (1002, 2, 0, 0, 70, 1, 0),"
            " (1002, 3, 0, 9, 20, 1, 0), (1003, 4, 0, 0, 30, 1, 0);"
            "CREATE TABLE djIndex(id INTEGER PRIMARY KEY, djType INTEGER, code TEXT, "
            "dj_state INTEGER, date TEXT, sfkDate TEXT);"
            "INSERT INTO djIndex VALUES(1, 5, 'JH-001', 2, '2024-03-01', '');"
            "INSERT INTO djIndex VALUES(2, 5, 'JH-007', 2, '2024-03-02', '');"
            "INSERT INTO djIndex VALUES(3, 5, 'JH-009', 0, '2024-03-03', '');"
            "CREATE TABLE baseFieldNames(code TEXT, Name TEXT);"
            "INSERT INTO baseFieldNames VALUES('1001', '商品信息'), ('1003', '往来单位');"
            "CREATE TABLE sysMenu(id INTEGER PRIMARY KEY, code TEXT, name TEXT);"
            "INSERT INTO sysMenu VALUES(1, '1001', 'old1'), (2, '1002', 'old2'), "
            "(3, '1003', 'old3');"
            "CREATE TABLE syspurview(id INTEGER PRIMARY KEY, userid INTEGER, menuid INTEGER, "
            "isbj INTEGER, iscygn INTEGER, openCount INTEGER);"
            "INSERT INTO syspurview VALUES(11, 2, 1, 1, 1, 5), (12, 2, 2, 1, 0, 7), "
            "(13, 3, 1, 1, 1, 9);"
            "CREATE TABLE t(id INTEGER PRIMARY KEY, code TEXT NOT NULL, n INTEGER);"
            "INSERT INTO t VALUES(1, 'AB', 5), (2, 'cd', 7);");
    }
};

TEST_F(TsqlSemantic, PlusTextComparisonsDateArithmeticAndTheShelfLifeAlert) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"SELECT code + 'x' AS v FROM t WHERE id = 1", "ABx"},
        {"SELECT n + 1 AS v FROM t WHERE id = 1", "6"},
        {"SELECT LEFT(code,1) + SUBSTRING(code,2,1) + '|' AS v FROM t WHERE id = 1", "AB|"},
        {"SELECT CONVERT(varchar(10), n) + 'z' AS v FROM t WHERE id = 1", "5z"},
        {"SELECT (SELECT k.code FROM t AS k WHERE k.id = 2) + '%' AS v", "cd%"},
        {"SELECT a.code + b.code AS v FROM t AS a, t AS b WHERE a.id = 1 AND b.id = 2", "ABcd"},
        {"SELECT a.n + b.n AS v FROM t AS a, t AS b WHERE a.id = 1 AND b.id = 2", "12"},
        {"SELECT '10' + '5' AS v", "105"},
        {"SELECT isnull(NULL, 'a') + 'b' AS v", "ab"},
        // Text comparisons ignore letter case.
        {"SELECT count(*) AS v FROM t WHERE code = 'ab'", "1"},
        {"SELECT count(*) AS v FROM t WHERE code <> 'ab'", "1"},
        {"SELECT count(*) AS v FROM t WHERE code IN ('ab', 'CD')", "2"},
        {"SELECT count(*) AS v FROM t WHERE code LIKE 'a%'", "1"},
        {"SELECT count(*) AS v FROM t WHERE code BETWEEN 'aa' AND 'az'", "1"},
        {"SELECT count(*) AS v FROM t WHERE UPPER(code) = 'cd'", "1"},
        {"SELECT CASE code WHEN 'ab' THEN 'yes' ELSE 'no' END AS v FROM t WHERE id = 1", "yes"},
        {"SELECT count(*) AS v FROM t AS a, t AS b WHERE a.code = Lower(b.code)", "2"},
        // Date arithmetic crosses month and year ends.
        {"SELECT CONVERT(varchar(10), CONVERT(datetime,'2024-01-31') + 1, 20) AS v", "2024-02-01"},
        {"SELECT CONVERT(varchar(10), CONVERT(datetime,'2024-03-01') - 1, 20) AS v", "2024-02-29"},
        {"SELECT CONVERT(varchar(10), CONVERT(datetime,'2023-03-01') - 1, 20) AS v", "2023-02-28"},
        {"SELECT CONVERT(varchar(10), CONVERT(datetime,'2023-12-25') + 10, 20) AS v", "2024-01-04"},
        {"SELECT CONVERT(varchar(10), DATEADD(month, 1, '2024-01-31'), 20) AS v", "2024-02-29"},
        {"SELECT CONVERT(varchar(10), DATEADD(dd, -1, '2024-01-01'), 120) AS v", "2023-12-31"},
        {"SELECT DATEDIFF(day, '2024-02-28', '2024-03-01') AS v", "2"},
        {"SELECT DATEDIFF(month, '2024-01-31', '2024-02-01') AS v", "1"},
        {"SELECT DATEDIFF(year, '2023-12-31', '2024-01-01') AS v", "1"},
        {"SELECT CONVERT(varchar(8), CONVERT(datetime, '2024-02-05'), 112) AS v", "20240205"}};
    for (const Case& c : cases) {
        EXPECT_EQ(QString::fromUtf8(c.expected), cell(QString::fromUtf8(c.text), u"v"_s)) << c.text;
        // Without column types the run-time rule gives the same answers.
        EXPECT_EQ(QString::fromUtf8(c.expected), cell(QString::fromUtf8(c.text), u"v"_s, false))
            << "without schema: " << c.text;
    }
    // 可乐: produced 2023-12-25, 10 days shelf life -> due 2024-01-04; warned 2 + 5 days earlier,
    // i.e. from 2023-12-28 on.
    const QString text =
        u"SELECT a.id AS sp_id,b.stockid AS ck_id,b.Qty,b.price,a.yxqNum AS baozhiqi  ,b.outdate "
        u"AS "
        "shengchanriqi    ,CONVERT(varchar(10),CONVERT(datetime,b.outdate)+a.yxqNum,20) AS "
        "daoqiriqi  FROM baseGoods AS a,baseGoodsStock AS b  WHERE a.ID = b.goodsid AND b.outdate "
        "<> ''  AND CONVERT(varchar(10),CONVERT(datetime,b.outdate)+a.yxqNum - a.jxqNum - 5 ,20) "
        "<= '%1'"_s;
    const Result hit = run(text.arg(u"2023-12-28"_s));
    ASSERT_EQ(1, hit.rows.rowCount());
    EXPECT_EQ(u"2024-01-04"_s, hit.rows.text(u"daoqiriqi"_s));
    EXPECT_EQ(6, hit.rows.integer(u"sp_id"_s));
    const Result miss = run(text.arg(u"2023-12-27"_s));
    EXPECT_EQ(0, miss.rows.rowCount());
}

class TsqlWeek : public TsqlDb {
protected:
    server::tsql::FunctionOptions functionOptions() override {
        server::tsql::FunctionOptions o;
        o.clock = [this] { return now; };
        return o;
    }
    QDateTime now;
};

TEST_F(TsqlWeek, MondayOfTheWeekTreatsSundayAsTheWeekBefore) {
    const QString text = u" Select DATEADD(wk, DATEDIFF(wk,0,getdate()-1), 0) as date1 "_s;
    struct Case {
        QDate today;
        QDate monday;
    } cases[] = {
        {QDate(2024, 3, 10), QDate(2024, 3, 4)},     // Sunday
        {QDate(2024, 3, 11), QDate(2024, 3, 11)},    // Monday
        {QDate(2024, 3, 16), QDate(2024, 3, 11)},    // Saturday
        {QDate(2024, 1, 1), QDate(2024, 1, 1)},      // Monday, new year
        {QDate(2023, 12, 31), QDate(2023, 12, 25)},  // Sunday, year end
        {QDate(2024, 3, 1), QDate(2024, 2, 26)},     // Friday after a month end
    };
    for (const Case& c : cases) {
        now = QDateTime(c.today, QTime(15, 30, 12));
        EXPECT_EQ(c.monday.toString(u"yyyy-MM-dd"_s) + u" 00:00:00"_s, cell(text, u"date1"_s))
            << c.today.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(c.monday.dayOfWeek(), 1);
    }
}

TEST_F(TsqlSemantic, UpdatesDeletesAndIfExistsChangeAndReadOnlyTheirRows) {
    struct Case {
        const char* text;
        int changed;
        const char* check;
        const char* expected;
        const char* before = "";  // run directly first
    } cases[] = {
        {"UPDATE b    SET b.name = a.Name  FROM baseFieldNames AS a,sysMenu AS b  WHERE a.code = "
         "b.code",
         2, "SELECT group_concat(name, '|') FROM (SELECT name FROM sysMenu ORDER BY id)",
         "商品信息|old2|往来单位"},
        {"Update b set b.total = -b.total FROM djList AS b WHERE km_id = 0 AND b.id = 1002", 2,
         "SELECT group_concat(total, '|') FROM (SELECT total FROM djList ORDER BY orderid)",
         "-50.0|-70.0|20.0|30.0"},
        // the category and its leaves for operator 3 only
        {"  UPDATE a SET a.isbj = 1 FROM baseGoodsPurview AS a,baseGoods AS b WHERE a.id = b.ID  "
         "AND a.czy_id = 3 AND b.par_jl LIKE (SELECT k.par_jl FROM baseGoods AS k WHERE k.ID = 5) "
         "+ '%'",
         3,
         "SELECT group_concat(id || '/' || czy_id, '|') FROM (SELECT id, czy_id FROM "
         "baseGoodsPurview WHERE isbj = 1 ORDER BY czy_id, id)",
         "5/3|6/3|7/3"},
        // a category is allowed when one of its leaves is: leaf 7 allows category 5
        {"UPDATE a SET a.isbj = CASE WHEN  (SELECT count(m.id) FROM baseGoodsPurview AS "
         "m,baseGoods AS h WHERE m.id = h.id AND  m.czy_id = a.czy_id AND  h.par_jl LIKE b.par_jl "
         "+ '%' AND m.isbj = 1 AND h.sonnum = 0 AND h.del = 0) > 0 THEN 1 ELSE 0 END FROM "
         "baseGoodsPurview AS a,baseGoods AS b WHERE a.id = b.id AND b.sonnum > 0",
         1, "SELECT isbj FROM baseGoodsPurview WHERE id = 5 AND czy_id = 3", "1",
         "UPDATE baseGoodsPurview SET isbj = 1 WHERE id IN (7, 8) AND czy_id = 3"},
        {"DELETE b FROM djList AS b WHERE km_id = 0 AND b.id = 1002", 2,
         "SELECT group_concat(orderid) FROM (SELECT orderid FROM djList ORDER BY orderid)", "3,4"},
        {"DELETE b FROM djList AS b, djIndex AS a WHERE a.id = 3 AND b.total > 40 AND b.id = 1002",
         2, "SELECT group_concat(orderid) FROM (SELECT orderid FROM djList ORDER BY orderid)",
         "3,4"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        sql("BEGIN");
        sql(c.before);
        EXPECT_EQ(c.changed, run(QString::fromUtf8(c.text)).changedRows);
        EXPECT_EQ(QString::fromUtf8(c.expected), value(c.check));
        sql("ROLLBACK");
    }
    const QString text =
        u" IF EXISTS(SELECT * FROM djIndex AS a WHERE a.dj_state <> 0 AND a.code = '%1') SELECT "
        "max(a.code) as code FROM djIndex AS a WHERE a.dj_state <> 0 and code like LEFT('%1',3) + "
        "'%' ELSE SELECT '    ' as code"_s;
    // JH-001 is taken: the highest live number with the same three-letter head comes back
    // (JH-009 is deleted and does not count).
    EXPECT_EQ(u"JH-007"_s, cell(text.arg(u"JH-001"_s), u"code"_s));
    EXPECT_EQ(u"    "_s, cell(text.arg(u"JH-002"_s), u"code"_s));
    // a deleted bill's number is free
    EXPECT_EQ(u"    "_s, cell(text.arg(u"JH-009"_s), u"code"_s));
    // letter case is ignored as on SQL Server
    EXPECT_EQ(u"JH-007"_s, cell(text.arg(u"jh-001"_s), u"code"_s));
}

TEST_F(TsqlSemantic, FailingLastStatementLeavesNothingAppliedAlsoInsideTheCallersTransaction) {
    const char* before = "SELECT group_concat(iscygn || '/' || openCount) FROM syspurview";
    const QString start = value(before);
    // runtime failure: NOT NULL constraint in the last statement
    EXPECT_THROW(run(u"UPDATE syspurview SET isCYGN = 0,openCount = 0 WHERE userid "
                     "= 2\r\n Update t set code = NULL where id = 1"_s),
                 DytError);
    EXPECT_EQ(start, value(before));
    // prepare failure: unknown table in the last statement
    EXPECT_THROW(run(u"UPDATE syspurview SET isCYGN = 0,openCount = 0 WHERE userid "
                     "= 2;UPDATE nosuchtable SET x = 1"_s),
                 DytError);
    EXPECT_EQ(start, value(before));
    // the same text without the failing statement applies
    const Result ok = run(
        u"UPDATE syspurview SET isCYGN = 0,openCount = 0 WHERE userid = 2\r\n Update syspurview "
        "set iscygn = 1,openCount = 99999999 where userid = 2 and id in (12, 0)"_s);
    EXPECT_EQ(3, ok.changedRows);
    EXPECT_EQ(u"0/0,1/99999999,1/9"_s, value(before));
    // Inside the caller's transaction the program undoes only its own part.
    sql("BEGIN");
    run(u"UPDATE t SET n = 100 WHERE id = 1"_s);
    EXPECT_THROW(run(u"UPDATE t SET n = 200 WHERE id = 2\r\nUPDATE t SET code = "
                     "NULL"_s),
                 DytError);
    EXPECT_EQ(u"100"_s, value("SELECT n FROM t WHERE id = 1"));
    EXPECT_EQ(u"7"_s, value("SELECT n FROM t WHERE id = 2"));
    sql("ROLLBACK");
    EXPECT_EQ(u"5"_s, value("SELECT n FROM t WHERE id = 1"));
}

TEST_F(TsqlSemantic, TopOrderByUnionAndGroupByHavingWithServerFunction) {
    EXPECT_EQ(u"2"_s, cell(u"SELECT top 1 * FROM t ORDER BY id desc"_s, u"id"_s));
    EXPECT_EQ(u"JH-007"_s, cell(u"SELECT TOP 1 a.code FROM djIndex AS a WHERE a.dj_state <> 0 "
                                "ORDER BY a.id desc"_s,
                                u"code"_s));
    // each member keeps its own TOP: 1 row from the stock, 1 from the bill lines
    const Result u = run(
        u" SELECT top 1 a.goodsid FROM baseGoodsStock AS a WHERE a.goodsid > 0 UNION ALL SELECT "
        "top 1 a.goodsid FROM djList AS a WHERE a.dj_state <> 0 AND a.goodsid = 0"_s);
    ASSERT_EQ(2, u.rows.rowCount());
    EXPECT_EQ(6, u.rows.at(0, 0).toLongLong());
    EXPECT_EQ(0, u.rows.at(1, 0).toLongLong());
    const Result ordered = run(
        u"SELECT a.id FROM t AS a UNION ALL SELECT b.id FROM djIndex AS b ORDER BY a.id DESC"_s);
    ASSERT_EQ(5, ordered.rows.rowCount());
    EXPECT_EQ(3, ordered.rows.at(0, 0).toLongLong());
    sql("CREATE TABLE baseGoodsWarn(goodsid INTEGER, stockid INTEGER, warnUp REAL);"
        "INSERT INTO baseGoodsWarn VALUES(6, 1, 15), (7, 1, 100);");
    // stock 10 of goods 6, limit 15: 3 + 4 more exceed it; goods 7 (stock 4, limit 100) does not
    const Result r = run(
        u"SELECT k.goodsid,k.stockid,k.warnUp,sum(k.Qty) AS Qty FROM ( SELECT "
        "a.goodsid,a.stockid,a.warnUp,1 AS rowno,3 AS Qty FROM baseGoodsWarn AS a WHERE a.stockid "
        "= 1 and a.goodsid = 6 union all SELECT a.goodsid,a.stockid,a.warnUp,2 AS rowno,4 AS Qty "
        "FROM baseGoodsWarn AS a WHERE a.stockid = 1 and a.goodsid = 6 union all SELECT "
        "a.goodsid,a.stockid,a.warnUp,3 AS rowno,50 AS Qty FROM baseGoodsWarn AS a WHERE "
        "a.stockid = 1 and a.goodsid = 7) AS k GROUP BY k.goodsid,k.stockid,k.warnUp HAVING "
        "dbo.fnGetStockQty(k.goodsid,k.stockid,0) - k.warnUp + sum(k.Qty) > 0"_s);
    ASSERT_EQ(1, r.rows.rowCount());
    EXPECT_EQ(6, r.rows.integer(u"goodsid"_s));
    EXPECT_EQ(7.0, r.rows.number(u"Qty"_s));
}

TEST_F(TsqlSemantic, ResultFieldTypesFollowDeclarationsAndValues) {
    const Result r = run(
        u"SELECT a.id, a.code, a.n * 1.5 AS half, getdate() AS now, NULL AS nothing FROM t AS a"_s);
    ASSERT_EQ(5, r.rows.fieldCount());
    EXPECT_EQ((std::vector{FieldType::Integer, FieldType::Text, FieldType::Float, FieldType::Text}),
              (std::vector{r.rows.fields()[0].type, r.rows.fields()[1].type,
                           r.rows.fields()[2].type, r.rows.fields()[3].type}));
    EXPECT_EQ(u"id|half"_s, r.rows.fields()[0].name + u'|' + r.rows.fields()[2].name);
    EXPECT_EQ(7.5, r.rows.at(0, 2).toDouble());
    EXPECT_FALSE(r.rows.at(0, 4).isValid());
}

}  // namespace
}  // namespace dyt::test
