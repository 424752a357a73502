// The same account set on SQLite and on PostgreSQL: what the server builds and answers must not
// depend on the engine. Runs when DYT_TEST_POSTGRESQL names a server.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "common/error.h"
#include "records.h"
#include "scratchdb.h"
#include "server/db/database.h"
#include "server/db/schema.h"

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

}  // namespace
