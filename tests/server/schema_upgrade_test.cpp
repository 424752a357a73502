// The version mechanism: steps run in order inside one unit, the stored version follows, and a
// failing or missing step leaves the account set as it was.

#include "common/error.h"
#include "schema_test_util.h"
#include "server/db/schema_internal.h"

using namespace Qt::StringLiterals;

namespace {

using dyt::DytError;
using dyt::schematest::run;
using dyt::schematest::scalar;
using dyt::schematest::SchemaAccountSetTest;
namespace schema = dyt::server::schema;
namespace detail = dyt::server::schema::detail;

// Fake steps beyond the product's versions: 2 adds a column, 3 fills it.
std::vector<detail::UpgradeStep> fakeSteps(std::vector<int>* log) {
    return {{2,
             [log](sqlite3* db) {
                 log->push_back(2);
                 detail::exec(db,
                              "ALTER TABLE baseGoods ADD COLUMN colour TEXT NOT NULL DEFAULT ''");
             }},
            {3, [log](sqlite3* db) {
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
    steps.push_back({4, [](sqlite3* db) { detail::exec(db, "UPDATE noSuchTable SET x = 1"); }});
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

TEST_F(SchemaAccountSetTest, AnAccountSetOfVersionTwoGetsTheStockReportIndexAndThenStays) {
    const QString count =
        u"SELECT count(*) FROM sqlite_master WHERE name = 'ix_baseGoodsStock_report'"_s;
    ASSERT_EQ(run(db_, u"DROP INDEX ix_baseGoodsStock_report"_s), SQLITE_OK);
    detail::setStoredVersion(db_, 2);
    schema::upgrade(db_);
    EXPECT_EQ(scalar(db_, count), u"1"_s);
    EXPECT_EQ(schema::storedVersion(db_), schema::currentVersion());
    // Upgrading a current account set changes nothing.
    const QString menu = scalar(db_, u"SELECT count(*) FROM sysMenu"_s);
    schema::upgrade(db_);
    EXPECT_EQ(schema::storedVersion(db_), schema::currentVersion());
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM sysMenu"_s), menu);
    EXPECT_EQ(scalar(db_, count), u"1"_s);
}

}  // namespace
