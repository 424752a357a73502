#pragma once
// What a PostgreSQL account set needs before its tables: the case-insensitive text type and the
// functions the server's SQL texts call by SQLite's names, with SQLite's results.

#include <functional>

#include <QStringList>

namespace dyt::server {
class Database;
}

namespace dyt::server::pg {

// Installs (or replaces) the library in the connection's database, with the roles client texts
// run in. Throws DytError.
void installLibrary(Database& db);
// The collation of the client's text comparisons, in an account set made before it was part of
// the library.
void ensureClientCollation(Database& db);

// The columns of a table of the connection's database, in their order (lower case).
QStringList columnsOf(Database& db, const QString& table);

// An empty account-set database on the server the administrative connection admin is on: UTF-8
// with the C collation, so that texts order as on SQLite; one there already of that name is
// dropped first. And its drop, with the connections still on it ended.
void createDatabase(Database& admin, const QString& name);
void dropDatabase(Database& admin, const QString& name);
// Database `name` made as a copy of a template on the server `conninfo` names (`admin` is
// connected to it): the template of this build and day, made by `build` when there is none yet.
// Copying takes a fraction of making the tables, triggers and function library anew.
void createFromTemplate(Database& admin, const QString& conninfo, const QString& name,
                        const std::function<void(Database&)>& build);

// After the tables: the columns client texts may not read (stored passwords; the kinds' print
// passwords but for the role of their holders). Nothing on SQLite.
void restrictClientReads(Database& db);

}  // namespace dyt::server::pg
