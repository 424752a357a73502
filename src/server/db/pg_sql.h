#pragma once
// The server's SQL texts as PostgreSQL reads them. The server writes its statements once, in the
// SQL that SQLite reads; on a PostgreSQL account set each text passes through here first. Pure
// text work, no connection: placeholders, the few words the engines spell differently, and the
// schema statements (column types, triggers).

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace dyt::server::pgsql {

// One statement: "?" and "?NNN" become "$n"; LIKE compares without regard to case as SQLite's
// does (ILIKE); "a IS b" with a value b becomes IS NOT DISTINCT FROM; ifnull() is coalesce();
// INDEXED BY and COLLATE NOCASE are dropped (the columns carry their collation); CAST AS REAL and
// AS INTEGER name PostgreSQL's 64-bit types; BEGIN IMMEDIATE is a plain BEGIN. Quoted texts,
// quoted names and comments are left as they are. paramCount receives the highest parameter
// number.
// spellings, when given, receives each name of the text by its lower case, as first written: the
// result's column names are given in that spelling, as SQLite gives them, not folded.
QString adaptStatement(const QString& sql, int* paramCount = nullptr,
                       QHash<QString, QString>* spellings = nullptr);

// A schema statement (CREATE TABLE / INDEX / TRIGGER / VIEW, ALTER TABLE ADD COLUMN) as the
// statements that make the same object on PostgreSQL; anything else as adaptStatement() gives
// it. Column types: INTEGER -> bigint, an INTEGER PRIMARY KEY -> bigserial that also keeps ids
// written explicitly (the next one drawn follows the highest), TEXT COLLATE NOCASE -> citext,
// REAL -> double precision, BLOB -> bytea, NUMERIC(p,s) as it is. A trigger becomes a PL/pgSQL
// function and a row trigger that runs it; as in SQLite, a trigger does not fire again from
// within itself.
QStringList adaptSchemaStatement(const QString& sql);

// The names SQLite gives the result columns of a query, by position, as far as the text tells
// them: an item's alias, or the column it names, as written. "" for an item whose name the text
// does not tell (an expression); an empty list when the list holds "*".
QStringList resultNames(const QString& sql);

// What a statement writes, as SQLite's authorizer reports it: the table and, for an UPDATE, each
// column it sets. Empty table for a statement that writes nothing (a query); nullopt for a
// writing statement this reading does not understand.
struct WriteTarget {
    enum Action { None, Insert, Update, Delete };
    Action action = None;
    QString table;  // lower case
    QStringList columns;  // lower case
    bool temporary = false;  // temp.t: a table of the connection
};
std::optional<WriteTarget> writeTarget(const QString& sql);

// A text whose reads of the named tables (in FROM and JOIN) read the given subqueries instead,
// under the table's name or its alias: the tables' secret columns read as Null.
QString shadowTables(const QString& sql, const QHash<QString, QString>& shadows);

// Whether the text names PostgreSQL's own catalogue (pg_… or information_schema), which client
// texts may not read, as they may not read SQLite's.
bool namesCatalogue(const QString& sql);

// Whether the text is a schema statement (CREATE, ALTER or DROP).
bool isSchemaStatement(const QString& sql);

// Splits a text of several statements at the semicolons outside quotes, comments and trigger
// bodies (BEGIN … END). Empty statements are left out.
QStringList splitStatements(const QString& sql);

// The table an INSERT writes ("" for any other statement), lower case.
QString insertTable(const QString& sql);

}  // namespace dyt::server::pgsql
