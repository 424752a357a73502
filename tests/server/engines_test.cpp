// The same account set on SQLite and on PostgreSQL: what the server builds and answers must not
// depend on the engine. Runs when DYT_TEST_POSTGRESQL names a server.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cmath>

#include "common/error.h"
#include "common/paramlist.h"
#include "records.h"
#include "scratchdb.h"
#include "server/db/accountcopy.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "protocol/querydescriptors.h"
#include "server/demo/demo_builder.h"
#include "server/procs/registry.h"
#include "server/reports/reports.h"
#include "support/serverprocess.h"

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
        {
            dyt::server::Transaction tx(*lite_);
            dyt::server::schema::createAccountSet(*lite_, u"测试账套"_s, u"salt$hash"_s);
            tx.commit();
        }
        // On PostgreSQL as the server makes it: a copy of the process's template, given its
        // name, dates and password.
        pgScratch_ = std::make_unique<dyt::test::ScratchDatabase>(QString(), u"测试账套"_s,
                                                                  u"salt$hash"_s, true);
        pg_ = Database::open(pgScratch_->path());
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

// dyt-cli against a server: its output, failing the test on an error.
QString cli(const QStringList& args) {
    const dyt::test::CliResult r = dyt::test::runCli(args, 120000);
    EXPECT_EQ(0, r.exitCode) << args.join(u' ').toStdString() << ": " << r.err.toStdString();
    return r.out;
}

// Every report with real figures over the three months of the demo, as operator 1: one text per
// report, its rows' values tab-separated.
QStringList everyReport(Database& db) {
    dyt::server::Registry registry;
    dyt::server::registerBaseProcedures(registry);
    dyt::server::registerReportProcedures(registry);
    QStringList out;
    for (const dyt::QueryDescriptor& d : dyt::queryDescriptors()) {
        const dyt::server::ReportInfo* r = dyt::server::findReport(d.procedure, d.queryType());
        if (!r || !r->realFigures)
            continue;
        dyt::ParamList p;
        p.setValue(u"QueryType"_s, d.queryType());
        for (const char* key : {"wldwStr", "zyStr", "ckStr", "bmStr", "kmStr", "GoodsStr"})
            p.setValue(QString::fromLatin1(key), u";czy_id=1"_s);
        p.setValue(u"BeginDate"_s, u"2025-01-01"_s);
        p.setValue(u"EndDate"_s, u"2025-03-31"_s);
        dyt::server::CallContext c(db, p);
        c.userId = 1;
        const auto* entry = registry.find(d.procedure);
        EXPECT_NE(nullptr, entry) << d.procedure.toStdString();
        if (!entry)
            continue;
        EXPECT_EQ(0, entry->handler(c)) << d.className.toStdString();
        QStringList rows{d.className};
        for (int row = 0; row < c.data.rowCount(); ++row) {
            QStringList cells;
            for (int f = 0; f < c.data.fieldCount(); ++f)
                cells << c.data.at(row, f).toString();
            rows << cells.join(u'\t');
        }
        out << rows.join(u'\n');
    }
    return out;
}

TEST(EnginesMigration, AMigratedAccountSetAnswersEveryReportAsBefore) {
    if (dyt::test::postgresServer().isEmpty())
        GTEST_SKIP() << "DYT_TEST_POSTGRESQL names no PostgreSQL server";
    QTemporaryDir data;
    {
        dyt::test::ServerProcess lite;
        ASSERT_TRUE(lite.start({u"--backend"_s, u"sqlite"_s}, data.path()))
            << lite.error().toStdString();
        cli({u"--server"_s, lite.address(), u"demo"_s, u"--goods"_s, u"30"_s, u"--lines"_s,
             u"240"_s});
    }
    const QString file = QDir(data.path()).filePath(u"dytv1_1.db"_s);
    QStringList before;
    {
        auto db = Database::open(file, Database::Mode::ReadOnly);
        before = everyReport(*db);
    }
    ASSERT_GT(before.size(), 100);

    const QString prefix = dyt::test::uniquePrefix();
    const QStringList where = {u"--data"_s, data.path(), u"--postgresql"_s,
                               dyt::test::postgresServer(), u"--postgresql-prefix"_s, prefix};
    EXPECT_TRUE(cli(QStringList{u"migrate"_s, u"--to"_s, u"postgresql"_s, u"dytv1_1"_s} + where)
                    .contains(u"一致"_s));
    // Not over what is there already.
    EXPECT_EQ(1, dyt::test::runCli(QStringList{u"migrate"_s, u"--to"_s, u"postgresql"_s,
                                               u"dytv1_1"_s} + where)
                     .exitCode);
    QStringList after;
    {
        auto db = Database::open(u"postgresql:%1 dbname=%2dytv1_1"_s.arg(
            dyt::test::postgresServer(), prefix.toLower()));
        after = everyReport(*db);
    }
    dyt::test::dropDatabases(prefix);
    ASSERT_EQ(before.size(), after.size());
    // SQLite keeps these columns as doubles and PostgreSQL as exact decimals: a cell may be
    // 1.8599999999999999 on one and 1.86 on the other.
    const auto same = [](const QString& x, const QString& y) {
        const QStringList xs = x.split(u'\t'), ys = y.split(u'\t');
        if (xs.size() != ys.size())
            return false;
        for (qsizetype c = 0; c < xs.size(); ++c) {
            bool okX = false, okY = false;
            const double dx = xs[c].toDouble(&okX), dy = ys[c].toDouble(&okY);
            if (okX && okY ? std::abs(dx - dy) > 1e-9 * std::max(1.0, std::abs(dx))
                           : xs[c] != ys[c])
                return false;
        }
        return true;
    };
    // Each report line by line, the first difference named.
    for (qsizetype i = 0; i < before.size(); ++i) {
        const QStringList b = before[i].split(u'\n');
        const QStringList a = after[i].split(u'\n');
        EXPECT_EQ(b.size(), a.size()) << b.value(0).toStdString();
        for (qsizetype l = 0; l < std::min(b.size(), a.size()); ++l) {
            if (!same(b[l], a[l])) {
                ADD_FAILURE() << b.value(0).toStdString() << " line " << l << "\n  "
                              << b[l].toStdString() << "\n  " << a[l].toStdString();
                break;
            }
        }
    }
}

}  // namespace
