#pragma once
// What a PostgreSQL account set needs before its tables: the case-insensitive text type and the
// functions the server's SQL texts call by SQLite's names, with SQLite's results.

namespace dyt::server {
class Database;
}

namespace dyt::server::pg {

// Installs (or replaces) the library in the connection's database, with the roles client texts
// run in. Throws DytError.
void installLibrary(Database& db);

// After the tables: the columns client texts may not read (stored passwords; the kinds' print
// passwords but for the role of their holders). Nothing on SQLite.
void restrictClientReads(Database& db);

}  // namespace dyt::server::pg
