// Translated texts run on SQLite and give the results SQL Server gives; the server functions, date
// helpers and the authorizer for client texts.

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

// --- server functions, date helpers and the authorizer for client texts
using namespace dyt::server::tsql;

TEST(TsqlDates, ParseFormsDayNumbersDateDiffBoundariesAndTheNextCode) {
    struct Case {
        const char* text;
        const char* expected;  // formatDateValue, "" for invalid
    } cases[] = {{"2024-03-05", "2024-03-05 00:00:00"},
                 {"2024-3-5", "2024-03-05 00:00:00"},
                 {"2024/03/05 07:08", "2024-03-05 07:08:00"},
                 {"20240305", "2024-03-05 00:00:00"},
                 {"2024-03-05T23:59:59.5", "2024-03-05 23:59:59.500"},
                 {"", "1900-01-01 00:00:00"},
                 {"2024-02-30", ""},
                 {"abc", ""}};
    for (const Case& c : cases) {
        const QDateTime d = parseDateValue(QString::fromUtf8(c.text));
        EXPECT_EQ(QString::fromUtf8(c.expected), d.isValid() ? formatDateValue(d) : QString())
            << c.text;
    }
    EXPECT_EQ(u"1900-01-01 00:00:00"_s, formatDateValue(dateFromDays(0)));
    EXPECT_EQ(u"1900-01-02 12:00:00"_s, formatDateValue(dateFromDays(1.5)));
    // 2023-01-01 is 44925 days after 1900-01-01 (123 years, 30 of them leap: 123 * 365 + 30);
    // 45000 is 75 days later (31 + 28 + 16): 2023-03-17
    EXPECT_EQ(u"2023-03-17 00:00:00"_s, formatDateValue(dateFromDays(45000)));
    const auto d = [](const char* s) { return parseDateValue(QString::fromUtf8(s)); };
    struct DiffCase {
        const char* unit;
        const char* from;
        const char* to;
        qint64 expected;
    } diffs[] = {{"week", "2024-03-09", "2024-03-10", 1},  // Saturday -> Sunday crosses a boundary
                 {"week", "2024-03-10", "2024-03-16", 0},  // Sunday -> Saturday stays in the week
                 {"week", "1900-01-01", "1900-01-07", 1},  // Monday -> Sunday
                 {"day", "2024-03-01 23:59:59", "2024-03-02 00:00:00", 1},
                 {"month", "2024-01-31", "2024-03-01", 2},
                 {"quarter", "2024-03-31", "2024-04-01", 1},
                 {"year", "2024-12-31", "2023-01-01", -1},
                 {"hour", "2024-03-01 10:59:59", "2024-03-01 11:00:00", 1},
                 {"minute", "2024-03-01 10:59:59", "2024-03-01 10:59:00", 0},
                 {"second", "2024-03-01 10:59:59", "2024-03-01 11:00:01", 2}};
    for (const DiffCase& c : diffs)
        EXPECT_EQ(c.expected, dateDiff(QString::fromUtf8(c.unit), d(c.from), d(c.to)))
            << c.unit << " " << c.from << " " << c.to;
    EXPECT_EQ(1, datePart(u"weekday"_s, d("2024-03-10")));  // Sunday
    EXPECT_EQ(2, datePart(u"weekday"_s, d("2024-03-11")));
    EXPECT_EQ(2, datePart(u"week"_s, d("2024-01-07")));  // first Sunday of 2024
    EXPECT_EQ(u"2023-02-28 00:00:00"_s, formatDateValue(dateAdd(u"year"_s, -1, d("2024-02-29"))));
    EXPECT_FALSE(dateAdd(u"fortnight"_s, 1, d("2024-02-29")).isValid());
    // The next code after a code.
    const std::pair<const char*, const char*> codes[] = {
        {"0099", "0100"}, {"JH-009", "JH-010"},
        {"999", "1000"},  {"A", "A1"},
        {"", "1"},        {"JH-2024-00001", "JH-2024-00002"}};
    for (const auto& [in, out] : codes)
        EXPECT_EQ(QString::fromUtf8(out), incrementCode(QString::fromUtf8(in))) << in;
}

class TsqlFunctions : public TsqlDb {
protected:
    void SetUp() override {
        TsqlDb::SetUp();
        sql("CREATE TABLE sysData(id INTEGER PRIMARY KEY, Name TEXT UNIQUE COLLATE NOCASE, "
            "sysValue TEXT, comment TEXT);"
            "INSERT INTO sysData(id, Name, sysValue) VALUES(1, 'JxcPeriodNow', '3'), "
            "(2, '单位全名', '德盈商贸'), (3, 'Empty', NULL);"
            "CREATE TABLE baseDQ(id INTEGER PRIMARY KEY, par_id INTEGER, code TEXT, fullname "
            "TEXT, del INTEGER DEFAULT 0);"
            "INSERT INTO baseDQ VALUES(1, 0, '01', '华东', 0), (2, 1, '0101', '江苏', 0), "
            "(3, 2, '010101', '南京', 0), (4, 1, '0102', '浙江', 0), (5, 0, '02', '华北', 0),"
            "(6, 1, '01x', '杂项', 0), (7, 1, '0104', '安徽', 1);"
            "CREATE TABLE baseGoodsUnit(id INTEGER PRIMARY KEY, Goodsid INTEGER, fzdwid INTEGER,"
            " unit TEXT, rate REAL);"
            "INSERT INTO baseGoodsUnit VALUES(301, 101, 0, '瓶', 1), (302, 101, 1, '箱', 24), "
            "(303, 101, 2, '板', 240);");
    }
};

TEST_F(TsqlFunctions, SysDataByNameIgnoringCaseAndAuxiliaryUnitQuantities) {
    EXPECT_EQ(u"3"_s, cell(u"SELECT dbo.fnGetSysData('jxcperiodnow','') as value"_s, u"value"_s));
    EXPECT_EQ(u"德盈商贸"_s,
              cell(u"SELECT dbo.fnGetSysData('单位全名','') as value"_s, u"value"_s));
    EXPECT_EQ(u"dflt"_s, cell(u"SELECT dbo.fnGetSysData('Missing','dflt') as value"_s, u"value"_s));
    EXPECT_EQ(u"9"_s, cell(u"SELECT dbo.fnGetSysData('Empty',9) as value"_s, u"value"_s));
    // 12 boxes of 24 bottles = 288 bottles = 1.2 pallets of 240
    const Result fz =
        run(u"select dbo.fnGetBaseGoodsFZQty(101,302,12,0) fzQty "
            u",dbo.fnGetBaseGoodsFZQty(101,302,12,1) "
            "fzQty1 ,dbo.fnGetBaseGoodsFZQty(101,302,12,2) fzQty2 "_s);
    EXPECT_DOUBLE_EQ(288.0, fz.rows.number(u"fzQty"_s));
    EXPECT_DOUBLE_EQ(12.0, fz.rows.number(u"fzQty1"_s));
    EXPECT_DOUBLE_EQ(1.2, fz.rows.number(u"fzQty2"_s));
}

TEST_F(TsqlFunctions, FirstAndLastDayOfMonthAutoCodeAndRegionPath) {
    struct Case {
        int year, month;
        const char* first;
        const char* last;
    } cases[] = {{2024, 2, "2024-02-01", "2024-02-29"},
                 {2023, 2, "2023-02-01", "2023-02-28"},
                 {2024, 12, "2024-12-01", "2024-12-31"},
                 {2024, 4, "2024-04-01", "2024-04-30"},
                 {2024, 0, "2023-12-01", "2023-12-31"}};
    for (const Case& c : cases) {
        const QString text =
            u"SELECT dbo.fnGetFirstDayOfMonth(%1,%2) AS date1  "
            ",dbo.fnGetLastDayOfMonth(%1,%2) AS date2"_s.arg(c.year)
                .arg(c.month);
        const Result r = run(text);
        EXPECT_EQ(QString::fromUtf8(c.first), r.rows.text(u"date1"_s)) << c.year << "-" << c.month;
        EXPECT_EQ(QString::fromUtf8(c.last), r.rows.text(u"date2"_s)) << c.year << "-" << c.month;
    }
    // children of 华东 (01): 0101, 0102, 01x (not digits), 0104 (deleted, still taken)
    EXPECT_EQ(u"0105"_s, cell(u"SELECT dbo.fnGetBaseAutoCode('dq', 1) as Code"_s, u"Code"_s));
    EXPECT_EQ(u"010102"_s, cell(u"SELECT dbo.fnGetBaseAutoCode('DQ', 2) as Code"_s, u"Code"_s));
    // no children yet: the parent's code followed by 001
    EXPECT_EQ(u"0102001"_s, cell(u"SELECT dbo.fnGetBaseAutoCode('dq', 4) as Code"_s, u"Code"_s));
    EXPECT_EQ(u"03"_s, cell(u"SELECT dbo.fnGetBaseAutoCode('dq', 0) as Code"_s, u"Code"_s));
    EXPECT_THROW(run(u"SELECT dbo.fnGetBaseAutoCode('nonsense', 0) as Code"_s), DytError);
    const Result r = run(
        u"SELECT dbo.fnGetBaseDQFullName(id) as PathName,* FROM baseDQ WHERE del = 0 ORDER BY id"_s);
    ASSERT_EQ(6, r.rows.rowCount());
    EXPECT_EQ(u"华东"_s, r.rows.at(0, 0).toString());
    EXPECT_EQ(u"华东/江苏/南京"_s, r.rows.at(2, 0).toString());
    EXPECT_TRUE(r.rows.hasField(u"fullname"_s));
}

TEST_F(TsqlFunctions, TheAuthorizerAllowsTheBusinessAndIsInstalledOnlyWhileRunning) {
    sql("CREATE TABLE sysLog(id INTEGER PRIMARY KEY AUTOINCREMENT, logMsgCont TEXT);");
    sqlite3_set_authorizer(db, clientAuthorizer, nullptr);
    const auto prepares = [&](const char* text) {
        sqlite3_stmt* st = nullptr;
        const int rc = sqlite3_prepare_v2(db, text, -1, &st, nullptr);
        sqlite3_finalize(st);
        return rc == SQLITE_OK;
    };
    // The refusals are tested on the restricted connection; here the business passes.
    EXPECT_FALSE(prepares("SELECT * FROM sqlite_master"));
    const char* allowed[] = {"SELECT * FROM sysData", "INSERT INTO sysLog(logMsgCont) VALUES('x')",
                             "UPDATE sysData SET sysValue = '4' WHERE id = 1",
                             "SELECT fnGetSysData('a', 'b')"};
    for (const char* text : allowed)
        EXPECT_TRUE(prepares(text)) << text;
    // AUTOINCREMENT keeps working: SQLite maintains sqlite_sequence itself
    sqlite3_set_authorizer(db, nullptr, nullptr);
    const Result r = run(u"insert into sysLog(logMsgCont) values('登录')"_s);
    EXPECT_EQ(1, r.changedRows);
    EXPECT_EQ(u"1"_s, value("SELECT seq FROM sqlite_sequence WHERE name = 'sysLog'"));
    // a program built by hand (translate() never emits this) is stopped by the authorizer
    Program p;
    Step s;
    s.kind = Step::Kind::Query;
    s.sql = u"SELECT count(*) FROM sqlite_master"_s;
    p.steps.push_back(s);
    EXPECT_THROW(execute(db, p), DytError);
    // afterwards the connection is free again for the server's own work
    EXPECT_NE(QString(), value("SELECT count(*) FROM sqlite_master"));
    ExecuteOptions noAuth;
    noAuth.installAuthorizer = false;
    EXPECT_TRUE(execute(db, p, noAuth).hasRows);
}

TEST(TsqlSchema, DeclaredTypesMapToColumnTypes) {
    struct Case {
        const char* declared;
        ColumnType type;
    } cases[] = {{"varchar(20)", ColumnType::Text}, {"TEXT COLLATE NOCASE", ColumnType::Text},
                 {"nchar(2)", ColumnType::Text},    {"INTEGER", ColumnType::Integer},
                 {"bigint", ColumnType::Integer},   {"bit", ColumnType::Integer},
                 {"money", ColumnType::Real},       {"decimal(18,4)", ColumnType::Real},
                 {"REAL", ColumnType::Real},        {"datetime", ColumnType::Date},
                 {"DATE", ColumnType::Date},        {"", ColumnType::Unknown},
                 {"BLOB", ColumnType::Unknown}};
    for (const Case& c : cases)
        EXPECT_EQ(c.type, columnTypeFromDeclared(QString::fromUtf8(c.declared))) << c.declared;
}

class TsqlLookup : public TsqlDb {};

TEST_F(TsqlLookup, LookupReadsTheTablesOfTheConnectionAndBranchesRunOnThem) {
    sql("CREATE TABLE baseGoods(id INTEGER PRIMARY KEY, code TEXT, price REAL, made DATE, x);");
    const SchemaLookup lookup = schemaLookupFromDatabase(db);
    EXPECT_EQ(ColumnType::Integer, lookup(u"basegoods"_s, u"ID"_s));
    EXPECT_EQ(ColumnType::Text, lookup(u"BASEGOODS"_s, u"code"_s));
    EXPECT_EQ(ColumnType::Real, lookup(u"baseGoods"_s, u"price"_s));
    EXPECT_EQ(ColumnType::Date, lookup(u"baseGoods"_s, u"made"_s));
    EXPECT_EQ(ColumnType::Unknown, lookup(u"baseGoods"_s, u"x"_s));
    EXPECT_EQ(ColumnType::Unknown, lookup(u"baseGoods"_s, u"nope"_s));
    EXPECT_EQ(ColumnType::Unknown, lookup(u"other"_s, u"code"_s));
    sql("CREATE TABLE a(id INTEGER PRIMARY KEY, v TEXT); CREATE TABLE b(id INTEGER, v TEXT);"
        "INSERT INTO a VALUES(1, 'x'), (2, 'y');");
    // a false condition without ELSE runs nothing and returns no rows
    const Result none = run(u"IF EXISTS(SELECT * FROM a WHERE id = 9) SELECT * FROM a"_s);
    EXPECT_FALSE(none.hasRows);
    EXPECT_EQ(0, none.changedRows);
    // a block of two statements in the taken branch, then a query after the IF
    const Result r =
        run(u"IF NOT EXISTS(SELECT * FROM b) BEGIN INSERT INTO b SELECT id, v + '!' FROM a; "
            "UPDATE b SET v = Upper(v) WHERE id = 2 END ELSE DELETE FROM b\r\n"
            "SELECT count(*) AS n, max(v) AS top FROM b"_s);
    EXPECT_EQ(3, r.changedRows);
    EXPECT_EQ(u"2"_s, r.rows.text(u"n"_s));
    EXPECT_EQ(u"x!"_s, r.rows.text(u"top"_s));
    EXPECT_EQ(u"Y!"_s, value("SELECT v FROM b WHERE id = 2"));
    // second run: b has rows, the ELSE branch empties it
    const Result again =
        run(u"IF NOT EXISTS(SELECT * FROM b) INSERT INTO b VALUES(7, 'z') ELSE DELETE FROM b"_s);
    EXPECT_EQ(2, again.changedRows);
    EXPECT_EQ(u"0"_s, value("SELECT count(*) FROM b"));
}

}  // namespace
}  // namespace dyt::test
