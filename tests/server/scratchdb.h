#pragma once
// The engine the server tests run on. DYT_TEST_BACKEND=postgresql with DYT_TEST_POSTGRESQL (a
// libpq connection string of a server where the tests may create databases) runs them on
// PostgreSQL; anything else on SQLite files.

#include <QString>

#include <memory>

namespace dyt::server {
class Database;
}

namespace dyt::test {

// The connection string of the PostgreSQL server the tests may use ("" when none is named).
QString postgresServer();
bool onPostgres();

// A prefix of database names no other test of any process uses, and the drop of every database
// whose name starts with it.
QString uniquePrefix();
void dropDatabases(const QString& prefix);

// A new empty account-set database for one test. On SQLite the file at sqlitePath; on
// PostgreSQL a database of its own, dropped when the object goes.
class ScratchDatabase {
public:
    explicit ScratchDatabase(const QString& sqlitePath, bool postgres = onPostgres());
    // With a new account set in it, made as the server makes one on each engine.
    ScratchDatabase(const QString& sqlitePath, const QString& displayName,
                    const QString& adminPasswordHash, bool postgres = onPostgres());
    ~ScratchDatabase();
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;
    // What Database::open takes.
    const QString& path() const { return path_; }

private:
    QString path_;
    QString name_;  // the PostgreSQL database
};

}  // namespace dyt::test
