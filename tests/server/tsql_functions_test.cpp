// Server functions, date helpers and the authorizer for client texts.

#include "tsql_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::test {
namespace {

using namespace dyt::server::tsql;

TEST(TsqlDates, ParseFormsDayNumbersAndDateDiffBoundaries) {
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
}

TEST(TsqlCodes, IncrementCode) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {{"0099", "0100"}, {"JH-009", "JH-010"},
                 {"999", "1000"},  {"A", "A1"},
                 {"", "1"},        {"JH-2024-00001", "JH-2024-00002"}};
    for (const Case& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.out), incrementCode(QString::fromUtf8(c.in))) << c.in;
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
