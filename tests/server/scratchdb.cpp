#include "scratchdb.h"

#include <QCoreApplication>

#include <atomic>

#include "common/error.h"
#include "common/recordset.h"
#include "server/db/database.h"
#include "server/db/pg_library.h"
#include "server/db/schema.h"

namespace dyt::test {
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
            server::pg::dropDatabase(*admin, rs.at(r, 0).toString());
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
    auto admin = server::Database::open(QStringLiteral("postgresql:") + postgresServer());
    server::pg::createDatabase(*admin, name_);
    path_ = QStringLiteral("postgresql:%1 dbname=%2").arg(postgresServer(), name_);
}

ScratchDatabase::ScratchDatabase(const QString& sqlitePath, const QString& displayName,
                                 const QString& adminPasswordHash, bool postgres) {
    if (!postgres) {
        path_ = sqlitePath;
        auto db = server::Database::open(path_, server::Database::Mode::ReadWriteCreate);
        server::Transaction tx(*db);
        server::schema::createAccountSet(*db, displayName, adminPasswordHash);
        tx.commit();
        return;
    }
    name_ = uniquePrefix() + QStringLiteral("db");
    auto admin = server::Database::open(QStringLiteral("postgresql:") + postgresServer());
    server::schema::createPostgresAccountSet(*admin, postgresServer(), name_, displayName,
                                             adminPasswordHash);
    path_ = QStringLiteral("postgresql:%1 dbname=%2").arg(postgresServer(), name_);
}

ScratchDatabase::~ScratchDatabase() {
    if (name_.isEmpty())
        return;
    try {
        auto admin = server::Database::open(QStringLiteral("postgresql:") + postgresServer());
        server::pg::dropDatabase(*admin, name_);
    } catch (const DytError&) {
        // Left for the next run's DROP of the same name.
    }
}

}  // namespace dyt::test
