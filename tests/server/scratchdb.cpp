#include "scratchdb.h"

#include <QCoreApplication>

#include <atomic>

#include "common/error.h"
#include "common/recordset.h"
#include "server/db/database.h"

namespace dyt::test {
namespace {

void adminExecute(const QString& sql) {
    auto admin = server::Database::open(QStringLiteral("postgresql:") + postgresServer());
    admin->executeScript(sql);
}

}  // namespace

QString postgresServer() {
    return qEnvironmentVariable("DYT_TEST_POSTGRESQL");
}

bool onPostgres() {
    return qEnvironmentVariable("DYT_TEST_BACKEND") == u"postgresql" && !postgresServer().isEmpty();
}

QString uniquePrefix() {
    static std::atomic<int> counter{0};
    return QStringLiteral("dyt_t%1_%2_")
        .arg(QCoreApplication::applicationPid())
        .arg(counter.fetch_add(1));
}

void dropDatabases(const QString& prefix) {
    try {
        auto admin = server::Database::open(QStringLiteral("postgresql:") + postgresServer());
        const RecordSet rs = admin->query(
            QStringLiteral("SELECT datname FROM pg_database WHERE starts_with(datname, ?)"),
            {prefix.toLower()});
        for (int r = 0; r < rs.rowCount(); ++r) {
            admin->executeScript(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)")
                                     .arg(rs.at(r, 0).toString()));
        }
    } catch (const DytError&) {
        // Left for the next run.
    }
}

ScratchDatabase::ScratchDatabase(const QString& sqlitePath, bool postgres) {
    if (!postgres) {
        path_ = sqlitePath;
        return;
    }
    name_ = uniquePrefix() + QStringLiteral("db");
    adminExecute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name_));
    adminExecute(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'").arg(name_));
    path_ = QStringLiteral("postgresql:%1 dbname=%2").arg(postgresServer(), name_);
}

ScratchDatabase::~ScratchDatabase() {
    if (name_.isEmpty())
        return;
    try {
        adminExecute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name_));
    } catch (const DytError&) {
        // Left for the next run's DROP of the same name.
    }
}

}  // namespace dyt::test
