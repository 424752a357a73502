// The version mechanism: steps run in order inside one unit, the stored version follows, and a
// failing or missing step leaves the account set as it was; the product's own steps.

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

}  // namespace
