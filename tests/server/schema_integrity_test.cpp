// Keys and constraints of an account set, and creation as one unit: bad input is refused with a
// clear message and a failure part way leaves nothing behind.

#include "common/error.h"
#include "schema_test_util.h"

using namespace Qt::StringLiterals;

namespace {

using dyt::DytError;
using dyt::schematest::query;
using dyt::schematest::run;
using dyt::schematest::scalar;
using dyt::schematest::SchemaAccountSetTest;
namespace schema = dyt::server::schema;

TEST_F(SchemaAccountSetTest,
       SeedDataSatisfiesEveryForeignKeyOrphansAreRefusedAndAuditNamesFollowIds) {
    EXPECT_TRUE(query(db_, u"PRAGMA foreign_key_check"_s).empty());
    EXPECT_EQ(scalar(db_, u"PRAGMA integrity_check"_s), u"ok"_s);
    for (const char* sql :
         {"INSERT INTO djList(id, goodsid, qty) VALUES (999, 1, 1)",
          "INSERT INTO djKmDetail(id, km_id) VALUES (999, 8)",
          "INSERT INTO sysPurview(userid, menuid, isbj) VALUES (77, 1, 1)",
          "INSERT INTO sysuser(id, password) VALUES (77, 'x')",
          "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit) VALUES (999, 0, '个')",
          "INSERT INTO sysSubjectInterface(name, km_id, type) VALUES ('无此科目', "
          "999, 0)"})
        EXPECT_EQ(run(db_, QString::fromUtf8(sql)), SQLITE_CONSTRAINT) << sql;
    ASSERT_EQ(run(db_,
                  u"INSERT INTO djIndex(id, djType, code, date) VALUES (9, 5, "
                  "'JH-9', '2024-05-01')"_s),
              SQLITE_OK);
    // The bill window writes the id alone; the name follows.
    ASSERT_EQ(run(db_, u"Update djindex set inputid2 = 1 where id = 9"_s), SQLITE_OK);
    EXPECT_EQ(scalar(db_, u"SELECT inputid2Name FROM djIndex WHERE id = 9"_s), u"系统管理员"_s);
    ASSERT_EQ(run(db_, u"Update djindex set inputid2 = 0 where id = 9"_s), SQLITE_OK);
    EXPECT_EQ(scalar(db_, u"SELECT inputid2Name FROM djIndex WHERE id = 9"_s), QString());
    EXPECT_EQ(scalar(db_, u"SELECT inputid3Name FROM djIndex WHERE id = 9"_s), QString());
}

TEST_F(SchemaAccountSetTest, DeletingABillDeletesItsLinesAndChecksRefuseImpossibleValues) {
    ASSERT_EQ(run(db_,
                  u"INSERT INTO djIndex(id, djType, code, date, dj_state) VALUES "
                  "(5, 5, 'JH-1', '2024-05-01', 2)"_s),
              SQLITE_OK);
    ASSERT_EQ(run(db_, u"INSERT INTO djList(id, goodsid, qty) VALUES (5, 0, 3)"_s), SQLITE_OK);
    ASSERT_EQ(run(db_,
                  u"INSERT INTO djKmDetail(id, km_id, type, LendTotal) VALUES "
                  "(5, 8, 1, 30)"_s),
              SQLITE_OK);
    ASSERT_EQ(run(db_, u"DELETE FROM djIndex WHERE id = 5"_s), SQLITE_OK);
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM djList"_s), u"0"_s);
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM djKmDetail"_s), u"0"_s);
    const char* const refused[] = {
        "INSERT INTO djIndex(djType, dj_state) VALUES (1, 3)",
        "INSERT INTO baseGoods(par_jl, leveal, code, fullname) VALUES ('x', 6, 'A', 'A')",
        "INSERT INTO baseGoods(par_jl, leveal, code, fullname, costmode) VALUES ('x', 1, 'A', 'A', "
        "4)",
        "UPDATE sysDjb SET inputnum = 6 WHERE id = 1",
        "INSERT INTO sysMenu(code, Name) VALUES ('2004', '重复的功能号')",
        "INSERT INTO sysSubjectInterface(name, km_id, type) VALUES ('预收账款', 8, 0)",
        "INSERT INTO sysPeriod(type, id, name) VALUES (2, 1, '错误')"};
    for (const char* sql : refused) {
        EXPECT_EQ(run(db_, QString::fromUtf8(sql)), SQLITE_CONSTRAINT) << sql;
    }
    // A role name may repeat across kinds (the picker rows of type 1 reuse account names).
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysSubjectInterface WHERE name = "
                     "'现金'"_s),
              u"2"_s);
}

class SchemaCreationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
        run(db_, u"PRAGMA foreign_keys = ON"_s);
    }
    void TearDown() override { sqlite3_close(db_); }
    int tableCount() {
        return scalar(db_, u"SELECT count(*) FROM sqlite_master WHERE type = 'table'"_s).toInt();
    }
    sqlite3* db_ = nullptr;
};

// A temporary table named like a late table of the account set shadows it for unqualified
// statements, so creation fails part way: after the tables, settings, bill kinds and accounts are
// made, when the menu rows go in.
void shadowMenuTable(sqlite3* db) {
    ASSERT_EQ(run(db, u"CREATE TEMP TABLE sysMenu(x INTEGER)"_s), SQLITE_OK);
}

TEST_F(SchemaCreationTest, FailurePartWayLeavesNothingWhenTheCallerRollsBack) {
    shadowMenuTable(db_);
    ASSERT_EQ(run(db_, u"BEGIN"_s), SQLITE_OK);
    EXPECT_THROW(schema::createAccountSet(db_, u"甲"_s, u"h"_s), DytError);
    // The creation's own savepoint has undone its part already; the caller's transaction is
    // still open and rolls back cleanly.
    EXPECT_EQ(tableCount(), 0);
    ASSERT_EQ(run(db_, u"ROLLBACK"_s), SQLITE_OK);
    EXPECT_EQ(tableCount(), 0);
    EXPECT_EQ(schema::storedVersion(db_), 0);
}

TEST_F(SchemaCreationTest, FailurePartWayWithoutACallerTransactionLeavesNothing) {
    shadowMenuTable(db_);
    EXPECT_THROW(schema::createAccountSet(db_, u"甲"_s, u"h"_s), DytError);
    EXPECT_EQ(tableCount(), 0);
    EXPECT_EQ(sqlite3_get_autocommit(db_), 1);  // no transaction left open
    // After the obstacle is gone the same database takes an account set.
    ASSERT_EQ(run(db_, u"DROP TABLE temp.sysMenu"_s), SQLITE_OK);
    schema::createAccountSet(db_, u"甲"_s, u"h"_s);
    EXPECT_EQ(schema::storedVersion(db_), schema::currentVersion());
}

TEST_F(SchemaCreationTest, AnEmptyNameASecondCreationAndANonEmptyDatabaseAreRefused) {
    EXPECT_THROW(schema::createAccountSet(db_, u"   "_s, u"h"_s), DytError);
    EXPECT_EQ(tableCount(), 0);
    schema::createAccountSet(db_, u"甲"_s, u"h"_s);
    const int tables = tableCount();
    EXPECT_GT(tables, 40);
    EXPECT_THROW(schema::createAccountSet(db_, u"乙"_s, u"h"_s), DytError);
    EXPECT_EQ(tableCount(), tables);
    EXPECT_EQ(scalar(db_, u"SELECT sysValue FROM sysData WHERE Name = '单位全名'"_s), u"甲"_s);
    // Nor in a database holding other tables.
    sqlite3_close(db_);
    SetUp();
    ASSERT_EQ(run(db_, u"CREATE TABLE other(x INTEGER)"_s), SQLITE_OK);
    EXPECT_EQ(dyt::test::errorOf([&] { schema::createAccountSet(db_, u"甲"_s, u"h"_s); }),
              u"数据库中已经有数据，不能在其中创建账套"_s);
    EXPECT_EQ(tableCount(), 1);
}

}  // namespace
