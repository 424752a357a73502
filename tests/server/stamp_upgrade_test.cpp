// The upgrade of an account set of version 1 to the change stamps of goods and partners: the
// login that upgrades it leaves the stamp triggers in place and every row stamped, and later
// changes are stamped as in an account set created new.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDate>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "common/error.h"
#include "protocol/protocol.h"
#include "schema_test_util.h"
#include "server/db/schema.h"
#include "server/db/schema_internal.h"
#include "server/net/backend.h"

using namespace Qt::StringLiterals;

namespace dyt::server {
namespace {

using schematest::query;
using schematest::run;
using schematest::scalar;

// The stamp triggers, by name.
const char* const kStampTriggers[] = {
    "tr_baseGoods_stamp_insert",     "tr_baseGoods_stamp_update",
    "tr_baseWLDW_stamp_insert",      "tr_baseWLDW_stamp_update",
    "tr_baseGoodsUnit_stamp_insert", "tr_baseGoodsUnit_stamp_update",
    "tr_baseGoodsUnit_stamp_delete", "tr_baseWLDW_stamp_goods",
    "tr_baseDQ_stamp_wldw"};

QString loginLines(const QString& flag) {
    const QString db = u"dytv1_1"_s;
    return proto::joinLines({db, db, u"1"_s, u"pc-9"_s, QString(), QString(), u"1"_s, u"x"_s,
                             u"dytv1"_s, u"UpdateFlag="_s + flag, u"LoginType=0"_s,
                             u"V11.0.140215"_s});
}

class StampUpgrade : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ServerConfig config;
        config.dataDir = dir_.path();
        backend_ = std::make_unique<Backend>(config);
        admin_.spid = backend_->nextSpid();
        const QString name = u"旧账套"_s;
        ASSERT_EQ(0, call(admin_, "CreateProfile", {name, name, u"sa"_s, QString()}).code());
    }
    void TearDown() override { backend_->closeSession(session_); }

    proto::Response call(Session& s, const char* method, const QCborArray& args) {
        proto::Request r;
        r.id = ++requestId_;
        r.method = QString::fromLatin1(method);
        r.args = args;
        return backend_->handle(s, r);
    }
    proto::Response login(const QString& flag) {
        backend_->closeSession(session_);
        session_ = Session();
        session_.spid = backend_->nextSpid();
        return call(session_, "Login", {loginLines(flag), u"1"_s, QString()});
    }
    void update(const QString& sql) {
        const proto::Response r = call(session_, "ExecUpdate", {sql});
        ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        ASSERT_GE(r.code(), 0) << r.outText(0).toStdString();
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
            n += scalar(db,
                        u"SELECT count(*) FROM sqlite_master WHERE type = "
                        "'trigger' AND name = '%1'"_s.arg(QLatin1String(name)))
                     .toInt();
        }
        return n;
    }

    QTemporaryDir dir_;
    std::unique_ptr<Backend> backend_;
    Session admin_;
    Session session_;
    qint64 requestId_ = 0;
};

TEST_F(StampUpgrade, ANewAccountSetHasTheStampsAndTheCurrentVersion) {
    sqlite3* db = openFile();
    EXPECT_EQ(static_cast<int>(std::size(kStampTriggers)), triggerCount(db));
    EXPECT_EQ(schema::currentVersion(), schema::storedVersion(db));
    EXPECT_LE(2, schema::currentVersion());
    sqlite3_close(db);
}

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
        const auto rows =
            query(db, u"SELECT id, updateTime FROM %1 ORDER BY id"_s.arg(QLatin1String(table)));
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
    // Later changes are stamped again: an old stamp is replaced when a name or a unit changes.
    ASSERT_EQ(SQLITE_OK, run(db, u"UPDATE baseGoods SET updateTime = '2001-01-01 00:00:00'"_s));
    ASSERT_EQ(SQLITE_OK, run(db, u"UPDATE baseWLDW SET updateTime = '2001-01-01 00:00:00'"_s));
    sqlite3_close(db);

    ASSERT_EQ(0, login(u"Check"_s).code());
    update(u"UPDATE baseGoods SET fullname = '十字螺丝' WHERE id = 11"_s);
    update(
        u"INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, price) VALUES "
        "(12, 0, '个', 1, 0.5)"_s);
    update(u"UPDATE baseWLDW SET fullname = '宏达' WHERE id = 21"_s);
    db = openFile();
    for (const char* table : {"baseGoods", "baseWLDW"}) {
        SCOPED_TRACE(table);
        const auto rows = query(db, u"SELECT updateTime FROM %1"_s.arg(QLatin1String(table)));
        for (const QStringList& row : rows)
            EXPECT_TRUE(stamp.match(row[0]).hasMatch() && !row[0].startsWith(u"2001"))
                << row[0].toStdString();
    }
    sqlite3_close(db);
}

TEST_F(StampUpgrade, TheStepLeavesTriggersThatAreThereAndMayRunTwice) {
    sqlite3* db = openFile();
    schema::detail::setStoredVersion(db, 1);
    ASSERT_NO_THROW(schema::upgrade(db));
    EXPECT_EQ(static_cast<int>(std::size(kStampTriggers)), triggerCount(db));
    EXPECT_EQ(schema::currentVersion(), schema::storedVersion(db));
    sqlite3_close(db);
}

}  // namespace
}  // namespace dyt::server
