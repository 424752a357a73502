#pragma once
// T-SQL dialect layer: the client sends SQL Server texts; this layer turns them into programs for
// the account set's database and runs them.
//
//   Program p = tsql::translate(text, context);   // throws DytError naming construct and position
//   Result r = tsql::execute(db, p);               // one savepoint: all statements or none
//
// A program is a short list of steps: plain statements and IF EXISTS branches. Its statements are
// complete target-dialect texts; nothing of the source text is run untranslated. The T-SQL
// functions the texts call (dbo.fnGetSysData and the others) and the helpers the translation emits
// (dyt_add, dyt_datetime, dyt_dateadd, dyt_datediff, ...) must be registered on the connection with
// registerFunctions() (tsql_functions.h) before a program runs.
//
// Use in the server, per account-set connection:
//   registerFunctions(db);                           // once, when the connection opens
//   context.schema = schemaLookupFromDatabase(db);   // after login / upgrade
//   context.sessionId = <the session's id>;          // @@spid
//   Program p = cache.translate(text, context);      // one TranslationCache per account set
//   Result r = execute(db, p);                       // r.rows or r.changedRows
// The server (Backend::runSql) passes ExecuteOptions::restrict so that its connection's own
// authorizer, which applies clientAuthorizer() and watches writes of sysuser.password, is the one
// in force while the program runs; master.dbo.mvqxDbLog is its per-call copy of the backup log.
//
// Order, grouping and DISTINCT compare text as the columns' collations say (NOCASE on codes and
// names in the account-set schema); the translation adds nothing there.
// Text comparisons: SQL Server compares text without regard to ASCII letter case. The account-set
// schema declares its code and name columns COLLATE NOCASE; in addition the translation appends
// COLLATE NOCASE to comparisons (=, <>, <, >, <=, >=, IN, BETWEEN) whose operands are known to be
// text. LIKE is case-insensitive for ASCII letters on SQLite already.

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

#include "common/recordset.h"

struct sqlite3;

namespace dyt::server::tsql {

// Target dialect of the translation. Only SQLite is implemented; the parameter keeps the seam for
// PostgreSQL.
enum class Dialect { SQLite };

// Type of a column as the translator needs it.
enum class ColumnType { Unknown, Text, Integer, Real, Date };

// Maps a declared column type ("varchar(20)", "INTEGER", "datetime", "money", ...) to ColumnType.
ColumnType columnTypeFromDeclared(const QString& declared);

// Answers the type of table.column (names compared without regard to case); Unknown when the table
// or the column does not exist.
using SchemaLookup = std::function<ColumnType(const QString& table, const QString& column)>;

// A lookup that reads PRAGMA table_info of the connection's tables once and answers from memory.
// The connection must outlive the lookup; call it again after the schema changed.
SchemaLookup schemaLookupFromDatabase(sqlite3* db);

struct Context {
    Dialect dialect = Dialect::SQLite;
    qint64 sessionId = 0;  // the value of @@spid
    SchemaLookup schema;   // may be empty: every column type is then Unknown
    // Schema name under which the server attaches its catalogue database; master.dbo.X names
    // become <masterSchema>.X. Empty: the prefix is dropped like dbo.
    QString masterSchema;
    // The session's account-set database: the only one a three-part name may name besides
    // master.
    QString databaseName;
};

// One step of a program.
struct Step {
    enum class Kind {
        Query,      // a statement that returns rows (SELECT)
        Statement,  // a statement that changes data; its changed rows count
        If          // sql is a query answering one row with one 0/1 value; then/else branches
    };
    Kind kind = Kind::Statement;
    QString sql;
    std::vector<Step> thenSteps;
    std::vector<Step> elseSteps;
};

struct Program {
    Dialect dialect = Dialect::SQLite;
    std::vector<Step> steps;
    bool returnsRows() const;  // the program holds a Query step (on some branch)
    QString toString() const;  // readable listing, one step per line (tests, diagnostics)
};

// Translates one text (one or several statements). Throws DytError with a message naming the
// construct and its 1-based position in the text when the text cannot be translated or would
// reach outside the account set (ATTACH, DETACH, PRAGMA, VACUUM, load_extension, the catalogue).
Program translate(const QString& text, const Context& context);

// Translations keyed by text, dialect and session id, least recently used dropped first.
// Thread-safe; one cache serves all connections of the server.
class TranslationCache {
public:
    explicit TranslationCache(int capacity = 2048);
    ~TranslationCache();
    TranslationCache(const TranslationCache&) = delete;
    TranslationCache& operator=(const TranslationCache&) = delete;

    // Cached translate(): errors are not cached. The schema lookup must be the same for every
    // caller of one cache (one cache per account set).
    Program translate(const QString& text, const Context& context);
    int size() const;
    void clear();  // after a schema change

private:
    struct Impl;
    Impl* d_;
};

struct Result {
    bool hasRows = false;  // rows holds the result of the last query step that ran
    RecordSet rows;        // empty when the caller asked for the packet
    QByteArray packet;     // the same rows as record-set packet bytes, when asked for
    qint64 changedRows = 0;  // rows changed by the statement steps that ran
};

struct ExecuteOptions {
    // Installs clientAuthorizer() while the program's statements run and removes it afterwards.
    bool installAuthorizer = true;
    // When set, called instead with true before the first step and with false after the last one
    // (also when a step fails): a caller with its own authorizer, which must include
    // clientAuthorizer's refusals, turns it on only around the program's own statements.
    std::function<void(bool on)> restrict;
    // When set, called after the last step, before the program's changes are kept: what it throws
    // undoes them.
    std::function<void()> verify;
    // The result's rows go to Result::packet as record-set packet bytes (those
    // packetcodec::encode() gives for Result::rows otherwise), written without a record set.
    bool packet = false;
};

// Runs a program inside one savepoint, so that it nests in a caller's transaction: when any step
// fails, nothing of the program stays applied and DytError carries the database's message.
Result execute(sqlite3* db, const Program& program, const ExecuteOptions& options = {});

// SQLite authorizer for texts that come from clients: refuses ATTACH, DETACH, PRAGMA, schema
// changes, load_extension and every access to the sqlite_ catalogue tables; sysuser.password
// reads as Null.
int clientAuthorizer(void* userData, int action, const char* arg1, const char* arg2,
                     const char* dbName, const char* trigger);

}  // namespace dyt::server::tsql
