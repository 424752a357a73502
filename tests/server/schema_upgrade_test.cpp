// The version mechanism: steps run in order inside one unit, the stored version follows, and a
// failing or missing step leaves the account set as it was; the product's own steps; the
// integrity of a fresh account set and of its creation.

#include "common/error.h"
#include "schema_test_util.h"
#include "server/db/schema_internal.h"

using namespace Qt::StringLiterals;

namespace {

using dyt::DytError;
using dyt::schematest::query;
using dyt::schematest::run;
using dyt::schematest::scalar;
using dyt::schematest::SchemaAccountSetTest;
namespace schema = dyt::server::schema;
namespace detail = dyt::server::schema::detail;

// Fake steps beyond the product's versions: 2 adds a column, 3 fills it.
std::vector<detail::UpgradeStep> fakeSteps(std::vector<int>* log) {
    return {{2,
             [log](schema::Connection db) {
                 log->push_back(2);
                 detail::exec(db,
                              "ALTER TABLE baseGoods ADD COLUMN colour TEXT NOT NULL DEFAULT ''");
             }},
            {3, [log](schema::Connection db) {
                 log->push_back(3);
                 detail::exec(db, "UPDATE sysData SET sysValue = 'v3' WHERE Name = '单位备注'");
             }}};
}

TEST(SchemaVersion, AnEmptyDatabaseHasNoVersionAndTheCurrentOneIsTheLastStepsTarget) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    EXPECT_EQ(schema::storedVersion(db), 0);
    EXPECT_EQ(dyt::test::errorOf([&] { schema::upgrade(db); }),
              u"数据库不是有效的账套，不能升级"_s);
    sqlite3_close(db);
    const auto& steps = detail::upgradeSteps();
    int expected = 1;
    for (const auto& s : steps) {
        EXPECT_EQ(s.toVersion, expected + 1);  // consecutive, starting at 2
        expected = s.toVersion;
    }
    EXPECT_EQ(schema::currentVersion(), expected);
}

TEST_F(SchemaAccountSetTest, StepsRunInOrderFromTheStoredVersionAndAGapOrANewerSetIsRefused) {
    std::vector<int> log;
    detail::setStoredVersion(db_, 1);
    auto steps = fakeSteps(&log);
    EXPECT_THROW(detail::applyUpgrades(db_, {steps[1]}, 3), DytError);  // no step to version 2
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(schema::storedVersion(db_), 1);
    detail::applyUpgrades(db_, steps, 3);
    EXPECT_EQ(log, (std::vector<int>{2, 3}));
    EXPECT_EQ(schema::storedVersion(db_), 3);
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM baseGoods WHERE colour = ''"_s), u"0"_s);
    EXPECT_EQ(scalar(db_, u"SELECT sysValue FROM sysData WHERE Name = '单位备注'"_s), u"v3"_s);
    // From version 2 only step 3 runs.
    log.clear();
    detail::setStoredVersion(db_, 2);
    detail::applyUpgrades(db_, steps, 3);
    EXPECT_EQ(log, (std::vector<int>{3}));
    EXPECT_EQ(schema::storedVersion(db_), 3);
    // An account set newer than the server is refused.
    detail::setStoredVersion(db_, schema::currentVersion() + 1);
    EXPECT_TRUE(dyt::test::errorOf([&] { schema::upgrade(db_); }).contains(u"请升级服务器程序"_s));
    EXPECT_EQ(schema::storedVersion(db_), schema::currentVersion() + 1);
}

TEST_F(SchemaAccountSetTest, FailingStepLeavesTheAccountSetAsItWas) {
    std::vector<int> log;
    auto steps = fakeSteps(&log);
    steps.push_back({4, [](schema::Connection db) { detail::exec(db, "UPDATE noSuchTable SET x = 1"); }});
    detail::setStoredVersion(db_, 1);
    ASSERT_EQ(run(db_, u"BEGIN IMMEDIATE"_s), SQLITE_OK);
    const QString error = dyt::test::errorOf([&] { detail::applyUpgrades(db_, steps, 4); });
    EXPECT_TRUE(error.startsWith(u"账套升级到版本 4 失败："_s)) << error.toStdString();
    // Steps 2 and 3 ran but are undone with the unit; the caller's transaction is intact.
    EXPECT_EQ(log, (std::vector<int>{2, 3}));
    EXPECT_EQ(schema::storedVersion(db_), 1);
    EXPECT_EQ(scalar(db_, u"SELECT sysValue FROM sysData WHERE Name = '单位备注'"_s), QString());
    EXPECT_EQ(run(db_, u"SELECT colour FROM baseGoods"_s), SQLITE_ERROR);
    EXPECT_EQ(run(db_, u"COMMIT"_s), SQLITE_OK);
}

// An account set of version 1 lacks the change stamps of goods and partners and the stock report
// index: it gets the triggers and the index, and every goods and partner row is stamped now. The
// steps leave what is there alone, and upgrading a current account set changes nothing.
TEST_F(SchemaAccountSetTest, AnOlderAccountSetGetsTheStampsAndTheStockReportIndexAndThenStays) {
    const QString triggers =
        u"SELECT name FROM sqlite_master WHERE type = 'trigger' AND name LIKE 'tr_%_stamp_%'"_s;
    // The nine stamp triggers and the index.
    const QString objects =
        u"SELECT count(*) FROM sqlite_master WHERE name = "
        "'ix_baseGoodsStock_report' OR name IN ("_s +
        triggers + u')';
    ASSERT_EQ(run(db_,
                  u"INSERT INTO baseGoods(id, par_jl, code, fullname) VALUES (11, '11,', "
                  "'G11', '螺丝'), (12, '12,', 'G12', '螺母'); INSERT INTO baseWLDW(id, "
                  "par_jl, code, fullname) VALUES (21, '21,', 'K21', '宏达五金')"_s),
              SQLITE_OK);
    EXPECT_EQ(scalar(db_, objects), u"10"_s);
    for (const QStringList& trigger : query(db_, triggers))
        ASSERT_EQ(run(db_, u"DROP TRIGGER "_s + trigger[0]), SQLITE_OK);
    ASSERT_EQ(run(db_,
                  u"DROP INDEX ix_baseGoodsStock_report; UPDATE baseGoods SET updateTime = "
                  "''; UPDATE baseWLDW SET updateTime = ''"_s),
              SQLITE_OK);
    EXPECT_EQ(scalar(db_, objects), u"0"_s);
    // The second time the steps run over what the first one made.
    for (int pass = 0; pass < 2; ++pass) {
        detail::setStoredVersion(db_, 1);
        schema::upgrade(db_);
        EXPECT_EQ(schema::storedVersion(db_), schema::currentVersion());
        EXPECT_EQ(scalar(db_, objects), u"10"_s);
    }
    // Every row carries a stamp "yyyy-mm-dd hh:nn:ss" of the last minutes.
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) >= 3 AND count(*) = sum(t GLOB '[0-9][0-9][0-9][0-9]-"
                     "[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]' AND abs("
                     "julianday('now', 'localtime') - julianday(t)) < 0.01) FROM (SELECT "
                     "updateTime AS t FROM baseGoods UNION ALL SELECT updateTime FROM "
                     "baseWLDW)"_s),
              u"1"_s);
    const QString menu = scalar(db_, u"SELECT count(*) FROM sysMenu"_s);
    schema::upgrade(db_);
    EXPECT_EQ(schema::storedVersion(db_), schema::currentVersion());
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM sysMenu"_s), menu);
    EXPECT_EQ(scalar(db_, objects), u"10"_s);
}

// --- integrity of a fresh account set and of its creation
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
