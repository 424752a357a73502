#pragma once
// The one database interface of the server: connections, prepared statements with bound
// parameters and transactions. Server modules write plain SQL that both SQLite and PostgreSQL
// accept and bind every value as a parameter ("?"); what only SQLite knows stays in this module.

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <memory>

#include "common/recordset.h"

struct sqlite3;
struct sqlite3_stmt;

namespace dyt {
class DytError;
}

namespace dyt::server::pg {
class Connection;
class Cursor;
}  // namespace dyt::server::pg

namespace dyt::server {

class Database;

class Statement {
public:
    Statement(Database* db, sqlite3_stmt* stmt);
    // A statement of the connection's cache: handed back to it, reset, when done with.
    Statement(Database* db, sqlite3_stmt* stmt, QString cacheKey);
    // A statement of a PostgreSQL connection.
    Statement(Database* db, std::unique_ptr<pg::Cursor> cursor);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds the values to ?1, ?2, … in order (an invalid QVariant binds Null).
    Statement& bindAll(const QVariantList& values);
    Statement& bind(int index, const QVariant& value);  // 1-based
    // Advances to the next row; false when done. Throws DytError on failure.
    bool step();
    // Runs to completion and returns the number of rows changed.
    int execute();
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    QVariant value(int column) const;  // Null is an invalid QVariant
    bool readOnly() const;
    const char* declaredType(int column) const;  // nullptr for expressions
    // The SQLite statement; nullptr for a statement of a PostgreSQL connection.
    sqlite3_stmt* handle() const { return stmt_; }

private:
    Database* db_;
    sqlite3_stmt* stmt_ = nullptr;
    QString cacheKey_;
    std::unique_ptr<pg::Cursor> pg_;
};

class Database {
public:
    // File: read-write with the file's own journal and foreign-key settings, for a file brought in
    // from outside that is checked before it is taken into use.
    enum class Mode { ReadWrite, ReadWriteCreate, ReadOnly, File };

    // Opens a database file with the server's settings: WAL, foreign keys, busy timeout and
    // synchronous=FULL (read-only opens skip the journal settings). Throws DytError.
    // A path "postgresql:" followed by a libpq connection string opens a PostgreSQL database
    // instead; the mode is then not looked at (the database must exist).
    static std::unique_ptr<Database> open(const QString& path, Mode mode = Mode::ReadWrite);
    static bool isPostgresPath(const QString& path) {
        return path.startsWith(QLatin1String("postgresql:"));
    }
    static constexpr int kBusyTimeoutMs = 10000;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The SQLite connection; nullptr for a PostgreSQL one.
    sqlite3* handle() const { return db_; }
    bool isPostgres() const { return pg_ != nullptr; }
    pg::Connection* postgres() const { return pg_.get(); }
    const QString& path() const { return path_; }

    // Prepares a statement. The server's own statements (while no write watcher and no access
    // rule is set) come from a cache of the connection's prepared statements, keyed by text, so
    // that a posting does not parse the same texts again for every line and every bill.
    Statement prepare(const QString& sql);
    // Runs one statement with bound values; returns the number of rows changed.
    int execute(const QString& sql, const QVariantList& values = {});
    // Prepares and hands over each statement of a text in turn (a statement is prepared only
    // after the previous one ran, so later ones may use what earlier ones created).
    void forEachStatement(const QString& sql, const std::function<void(Statement&)>& fn);
    int changes() const;
    // Runs a text of several statements without parameters.
    void executeScript(const QString& sql);
    // First column of the first row, Null when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    // Every row of a query as a record set.
    RecordSet query(const QString& sql, const QVariantList& values = {});
    qint64 lastInsertId() const;
    // The clause that makes a query read a table through the named index (" INDEXED BY …"), for
    // the few queries whose best index the planner cannot tell without statistics.
    // (PostgreSQL's planner chooses from statistics: the adapted statement drops it.)
    QString indexHint(const QString& index) const { return QStringLiteral(" INDEXED BY ") + index; }
    bool tableExists(const QString& name);
    bool inTransaction() const;
    // Copies the whole database into a new file at path and leaves the copy in rollback-journal
    // mode, one file to carry away. False when the file cannot be created; throws DytError with
    // the database's message when the copy fails (the file may then stay behind, half written).
    bool backupTo(const QString& path);

    // How many commits this process's connections have made on the file, each counted once it is
    // done; -1 when the file is not in WAL mode and commits are not counted. What was read from
    // the file before the count stayed the same is still what it holds (within this process).
    qint64 commitCount() const;

    // How long a statement waits for another connection's lock before it fails busy.
    void setBusyTimeout(int ms);
    int busyTimeout() const { return busyTimeoutMs_; }
    // True for the error of a statement that gave up waiting for another connection's lock.
    static bool isBusy(const DytError& e);

    QString lastError() const;
    [[noreturn]] void raise(int rc, const QString& context = {}) const;

    // Called with (table, column) for every column a statement prepared afterwards will write;
    // column is empty for inserts and deletes. Pass nullptr to stop watching.
    void setWriteWatcher(std::function<void(const QString&, const QString&)> watcher);

    // A rule that statements prepared afterwards must pass, in SQLite's authorizer form: it
    // answers SQLITE_OK to let an action through. The T-SQL layer's rule for text from clients
    // (no ATTACH, no pragmas, no schema changes, ...) is the one the server installs. The write
    // watcher keeps working. Pass nullptr to lift the restriction.
    using AccessRule = std::function<int(int action, const char* arg1, const char* arg2,
                                         const char* dbName, const char* trigger)>;
    void setRestricted(AccessRule rule);

private:
    friend class Statement;
    int busyTimeoutMs_ = kBusyTimeoutMs;
    void updateAuthorizer();
    // Counts the commits made through this connection (a file in WAL mode).
    void countCommits();
    // Takes a finished statement back into the cache (or finalizes it).
    void release(QString key, sqlite3_stmt* stmt);
    void clearCache();
    Database(sqlite3* db, QString path);
    Database(std::unique_ptr<pg::Connection> conn, QString path);
    static int authorizer(void* self, int action, const char* a, const char* b, const char* dbName,
                          const char* trigger);

    sqlite3* db_ = nullptr;
    std::unique_ptr<pg::Connection> pg_;
    QString path_;
    void* file_ = nullptr;  // what the process shares about the file (counted commits)
    std::function<void(const QString&, const QString&)> watcher_;
    AccessRule restriction_;
    QHash<QString, sqlite3_stmt*> cache_;
    static constexpr qsizetype kCacheSize = 400;
};

// Reads the rows of a stepped-through statement into a record set. Field types come from the
// declared column types, or, for expressions, from the values.
RecordSet readRecordSet(Statement& st);
// The same for a prepared statement of the raw interface (the T-SQL layer's programs). Field
// names a result repeats (SELECT * over a join) get a suffix "_1", "_2", ... after the first.
RecordSet readRecordSet(sqlite3_stmt* st);
// The rows of a prepared statement as record-set packet bytes: exactly what
// packetcodec::encode() gives for the record set readRecordSet() reads, with the same errors and
// the same ResultLimit, but without building the record set.
QByteArray readPacket(sqlite3_stmt* st);

// Bounds what a connection runs while it lives: statements stop after the time limit (0: none) or
// as soon as the check answers a reason (the client left, the account set is being restored, the
// server stops). A stopped statement fails with that reason as its message. The check is called
// every few thousand steps of the running statement, so it must be cheap.
class CallLimit {
public:
    CallLimit(Database& db, int timeLimitMs, std::function<QString()> check);
    ~CallLimit();
    CallLimit(const CallLimit&) = delete;
    CallLimit& operator=(const CallLimit&) = delete;

    // Why the statements were stopped; empty while they may run.
    const QString& reason() const { return reason_; }

private:
    static int progress(void* self);
    Database& db_;
    qint64 deadline_ = 0;  // steady clock, ms; 0: no limit
    int timeLimitMs_;
    std::function<QString()> check_;
    QString reason_;
};

// The message of the connection's last failure: the reason of its CallLimit when one stopped it.
QString errorMessage(sqlite3* db);

// While one lives on its thread, readRecordSet refuses a result whose rows would take more bytes
// in an answer than the limit ("应答数据过大，超过了服务器的数据帧上限"). It counts as it reads, so
// a result too large to send stops before its rows are all in memory. A connection sets its frame
// limit for the duration of each call.
class ResultLimit {
public:
    explicit ResultLimit(qint64 bytes);
    ~ResultLimit();
    ResultLimit(const ResultLimit&) = delete;
    ResultLimit& operator=(const ResultLimit&) = delete;

private:
    qint64 previous_;
};

// For rows written without readRecordSet: throws the error readRecordSet gives when bytes exceed
// the result limit of this thread.
void checkResultSize(qint64 bytes);

// A place in the queue of this process's writers of one database file, held until released or
// destroyed. Writers of the same file are let in in the order they came, waiting at most the
// connection's busy timeout ("数据库正忙，请稍后再试" after that). Taken only when asked for and
// for a file on disk.
class WriterTurn {
public:
    WriterTurn() = default;
    WriterTurn(Database& db, bool wanted);
    ~WriterTurn() { release(); }
    WriterTurn(const WriterTurn&) = delete;
    WriterTurn& operator=(const WriterTurn&) = delete;
    void release();

private:
    void* queue_ = nullptr;
};

// RAII transaction: begins with an immediate write lock (or, deferred, with none until the first
// write), rolls back in the destructor unless committed.
class Transaction {
public:
    enum class Lock { Immediate, Deferred };
    explicit Transaction(Database& db, Lock lock = Lock::Immediate);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();
    bool active() const { return active_; }

private:
    Database& db_;
    bool active_ = false;
    WriterTurn turn_;
};

}  // namespace dyt::server
