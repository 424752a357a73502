#pragma once
// An account set copied between databases of either engine: the migration between SQLite and
// PostgreSQL, and the backup of a PostgreSQL account set into a file.

#include <QString>
#include <QStringList>

namespace dyt::server {

class Database;

// Copies every row of the account set in from into to, which must be empty: to gets the schema
// of the same version first, then the rows of every table, in one transaction of to (nothing
// stays in it when the copy fails). The account set in from must be of the current version.
// Throws DytError.
void copyAccountSet(Database& from, Database& to);

// What a copy must keep: per table its rows and the sum of every money and quantity column (to
// four decimals), one text per table in name order. Equal on both sides after a copy.
QStringList accountSetFigures(Database& db);

// The tables of the database, lower case, in name order.
QStringList accountSetTables(Database& db);

}  // namespace dyt::server
