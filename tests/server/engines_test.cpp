// The same account set on SQLite and on PostgreSQL: what the server builds and answers must not
// depend on the engine. Runs when DYT_TEST_POSTGRESQL names a server.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "common/error.h"
#include "records.h"
#include "scratchdb.h"
#include "server/db/accountcopy.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/demo/demo_builder.h"

using namespace Qt::StringLiterals;
using dyt::server::Database;

namespace {

// Every row of every table, sorted, one text per row, the table's name in front.
QStringList everyRow(Database& sqlite, Database& other) {
    QStringList out;
    const auto tables = sqlite.query(
        u"SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%' "
        "ORDER BY name"_s);
    for (int r = 0; r < tables.rowCount(); ++r) {
        const QString table = tables.at(r, 0).toString();
        QStringList rows = dyt::test::rowTexts(other.query(u"SELECT * FROM "_s + table));
        rows.sort();
        for (const QString& row : rows)
            out << table + u": "_s + row;
    }
    return out;
}

class Engines : public ::testing::Test {
protected:
    void SetUp() override {
        if (dyt::test::postgresServer().isEmpty())
            GTEST_SKIP() << "DYT_TEST_POSTGRESQL names no PostgreSQL server";
        ASSERT_TRUE(dir_.isValid());
        lite_ = Database::open(dir_.filePath(u"a.db"_s), Database::Mode::ReadWriteCreate);
        pgScratch_ = std::make_unique<dyt::test::ScratchDatabase>(QString(), true);
        pg_ = Database::open(pgScratch_->path());
        for (Database* db : {lite_.get(), pg_.get()}) {
            dyt::server::Transaction tx(*db);
            dyt::server::schema::createAccountSet(*db, u"测试账套"_s, u"salt$hash"_s);
            tx.commit();
        }
    }
    void TearDown() override {
        pg_.reset();
        pgScratch_.reset();
    }

    QTemporaryDir dir_;
    std::unique_ptr<Database> lite_;
    std::unique_ptr<dyt::test::ScratchDatabase> pgScratch_;
    std::unique_ptr<Database> pg_;
};

TEST_F(Engines, NewAccountSetHoldsTheSameRows) {
    const QStringList expected = everyRow(*lite_, *lite_);
    const QStringList actual = everyRow(*lite_, *pg_);
    ASSERT_GT(expected.size(), 1000);
    EXPECT_EQ(expected.size(), actual.size());
    for (qsizetype i = 0; i < std::min(expected.size(), actual.size()); ++i) {
        ASSERT_EQ(expected[i].toStdString(), actual[i].toStdString()) << "row " << i;
    }
    EXPECT_EQ(dyt::server::schema::storedVersion(*pg_), dyt::server::schema::currentVersion());
}

// A small demo business, the same on every engine for the same seed.
void buildDemo(Database& db, quint64 seed) {
    dyt::demo::LocalDemoCalls calls(db, 50);
    dyt::demo::DemoOptions o;
    o.seed = seed;
    o.goods = 30;
    o.lines = 200;
    dyt::demo::buildDemo(calls, o);
    calls.flush();
}

TEST_F(Engines, DemoBusinessGivesTheSameLedgersOnBothEngines) {
    buildDemo(*lite_, 4);
    buildDemo(*pg_, 4);
    const QStringList expected = dyt::server::accountSetFigures(*lite_);
    const QStringList actual = dyt::server::accountSetFigures(*pg_);
    ASSERT_GT(expected.size(), 50);
    EXPECT_EQ(expected.join(u'\n').toStdString(), actual.join(u'\n').toStdString());
    dyt::demo::LocalDemoCalls check(*pg_, 1);
    EXPECT_EQ(QStringList(), dyt::demo::checkConsistency(check));
}

TEST_F(Engines, AccountSetCopiedToPostgresAndBackKeepsEveryRow) {
    buildDemo(*lite_, 7);
    // The fresh account set of SetUp is no empty target: a second scratch database is.
    dyt::test::ScratchDatabase target(QString(), true);
    auto copy = Database::open(target.path());
    dyt::server::copyAccountSet(*lite_, *copy);
    EXPECT_EQ(dyt::server::accountSetFigures(*lite_).join(u'\n').toStdString(),
              dyt::server::accountSetFigures(*copy).join(u'\n').toStdString());
    // New rows after the copy take ids after the copied ones, as in the source.
    const qint64 highest = lite_->scalar(u"SELECT max(id) FROM djIndex"_s).toLongLong();
    copy->execute(u"INSERT INTO sysLog (logTime, logMsgCont) VALUES ('2025-01-01', 'x')"_s);
    copy->execute(u"INSERT INTO djIndex (djType, date) VALUES (1, '2025-04-01')"_s);
    EXPECT_EQ(highest + 1, copy->lastInsertId());
    copy->execute(u"DELETE FROM djIndex WHERE id = ?"_s, {highest + 1});
    copy->execute(u"DELETE FROM sysLog WHERE logMsgCont = 'x'"_s);

    auto back = Database::open(dir_.filePath(u"back.db"_s), Database::Mode::ReadWriteCreate);
    dyt::server::copyAccountSet(*copy, *back);
    const QStringList original = everyRow(*lite_, *lite_);
    const QStringList returned = everyRow(*lite_, *back);
    EXPECT_EQ(original.size(), returned.size());
    for (qsizetype i = 0; i < std::min(original.size(), returned.size()); ++i)
        ASSERT_EQ(original[i].toStdString(), returned[i].toStdString()) << "row " << i;
    // Not into a database that holds an account set already.
    EXPECT_THROW(dyt::server::copyAccountSet(*copy, *lite_), dyt::DytError);
}

}  // namespace
