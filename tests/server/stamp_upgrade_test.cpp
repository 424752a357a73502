// An account set of version 1 gets the change stamps of goods and partners at the upgrading login.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDate>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "backend_fixture.h"
#include "schema_test_util.h"
#include "server/db/schema.h"
#include "server/db/schema_internal.h"

using namespace Qt::StringLiterals;

namespace dyt::server {
namespace {

using schematest::run;

// The stamp triggers, by name.
const char* const kStampTriggers[] = {
    "tr_baseGoods_stamp_insert",     "tr_baseGoods_stamp_update",
    "tr_baseWLDW_stamp_insert",      "tr_baseWLDW_stamp_update",
    "tr_baseGoodsUnit_stamp_insert", "tr_baseGoodsUnit_stamp_update",
    "tr_baseGoodsUnit_stamp_delete", "tr_baseWLDW_stamp_goods",
    "tr_baseDQ_stamp_wldw"};

class StampUpgrade : public test::BackendFixture {
protected:
    void SetUp() override {
        BackendFixture::SetUp();
        ASSERT_EQ(0, createProfile(u"旧账套"_s).code());
    }
    proto::Response login(const QString& flag) {
        backend_->closeSession(session_);
        session_ = Session();
        return BackendFixture::login(session_, u"dytv1_1"_s, QString(), flag);
    }
    // The account set's file, opened directly (no session holds it then).
    sqlite3* openFile() {
        backend_->closeSession(session_);
        sqlite3* db = nullptr;
        const QByteArray path = QDir(dir_.path()).filePath(u"dytv1_1.db"_s).toUtf8();
        EXPECT_EQ(SQLITE_OK, sqlite3_open(path.constData(), &db));
        return db;
    }
    static int triggerCount(sqlite3* db) {
        int n = 0;
        for (const char* name : kStampTriggers) {
            n += schematest::scalar(db,
                                    u"SELECT count(*) FROM sqlite_master WHERE type = "
                                    "'trigger' AND name = '%1'"_s.arg(QLatin1String(name)))
                     .toInt();
        }
        return n;
    }
};

TEST_F(StampUpgrade, AnAccountSetOfVersionOneGetsTheStampsAtTheUpgradingLogin) {
    ASSERT_EQ(0, login(u"Check"_s).code());
    update(
        u"INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, "
        "fullname) VALUES (11, 0, '11,', 1, 0, 'G11', '螺丝'), (12, 0, '12,', "
        "1, 0, 'G12', '螺母')"_s);
    update(
        u"INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, "
        "fullname) VALUES (21, 0, '21,', 1, 0, 'K21', '宏达五金')"_s);
    // As the account set was before the stamps: no triggers, no stamps, version 1.
    sqlite3* db = openFile();
    for (const char* name : kStampTriggers)
        ASSERT_EQ(SQLITE_OK, run(db, u"DROP TRIGGER %1"_s.arg(QLatin1String(name))));
    ASSERT_EQ(SQLITE_OK, run(db, u"UPDATE baseGoods SET updateTime = ''"_s));
    ASSERT_EQ(SQLITE_OK, run(db, u"UPDATE baseWLDW SET updateTime = ''"_s));
    schema::detail::setStoredVersion(db, 1);
    EXPECT_EQ(0, triggerCount(db));
    sqlite3_close(db);
    // The login asks first, then upgrades.
    proto::Response r = login(u"Check"_s);
    EXPECT_EQ(-9, r.code()) << r.outText(0).toStdString();
    r = login(u"Update"_s);
    ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
    db = openFile();
    EXPECT_EQ(schema::currentVersion(), schema::storedVersion(db));
    EXPECT_EQ(static_cast<int>(std::size(kStampTriggers)), triggerCount(db));
    // Every row carries today's stamp ("yyyy-mm-dd hh:nn:ss").
    const QString today = QDate::currentDate().toString(u"yyyy-MM-dd"_s);
    const QRegularExpression stamp(u"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"_s);
    for (const char* table : {"baseGoods", "baseWLDW"}) {
        SCOPED_TRACE(table);
        const auto rows = schematest::query(
            db, u"SELECT id, updateTime FROM %1 ORDER BY id"_s.arg(QLatin1String(table)));
        ASSERT_FALSE(rows.empty());
        for (const QStringList& row : rows) {
            EXPECT_TRUE(stamp.match(row[1]).hasMatch()) << row[1].toStdString();
            // A run just before midnight may see yesterday's date in the stamp.
            EXPECT_TRUE(
                row[1].startsWith(today) ||
                row[1].startsWith(QDate::currentDate().addDays(-1).toString(u"yyyy-MM-dd"_s)))
                << row[1].toStdString();
        }
    }
    // The step leaves triggers that are there and may run twice.
    schema::detail::setStoredVersion(db, 1);
    ASSERT_NO_THROW(schema::upgrade(db));
    EXPECT_EQ(static_cast<int>(std::size(kStampTriggers)), triggerCount(db));
    EXPECT_EQ(schema::currentVersion(), schema::storedVersion(db));
    sqlite3_close(db);
}

}  // namespace
}  // namespace dyt::server
