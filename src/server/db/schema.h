#pragma once
// Schema of an account set: creation, seeding and upgrades.
//
// Tables the server runtime itself reads and writes (their columns are fixed here; the full schema
// adds many more tables and may add columns):
//   sysVersion(version INTEGER NOT NULL)                        -- one row, the schema version
//   sysuser(id INTEGER PRIMARY KEY, password TEXT NOT NULL DEFAULT '')   -- id = baseZY.id; the
//                                                                  password is a salted hash
//   baseZY(id INTEGER PRIMARY KEY, par_id, par_jl, leveal, sonnum, code, fullname, pym, ...,
//          del INTEGER DEFAULT 0, candel INTEGER DEFAULT 1)     -- employees; operators are rows
//   syssession(id INTEGER PRIMARY KEY, PcID TEXT, userId INTEGER, loginTime TEXT)
//   sysLog(id INTEGER PRIMARY KEY AUTOINCREMENT, logTime TEXT, logUserName TEXT, logUserId INTEGER,
//          logHostName TEXT, logIpAddr TEXT, logMacAddr TEXT, logMsgType INTEGER, logMsgCont TEXT,
//          aTag TEXT)
//   sysColConfigure(ColId TEXT, userId INTEGER, colstr1 … colstr10 TEXT, ColValue TEXT,
//                   PRIMARY KEY (ColId, userId))
//   sysData(id INTEGER PRIMARY KEY, Name TEXT UNIQUE COLLATE NOCASE, sysValue TEXT, comment TEXT)

#include <QString>

struct sqlite3;

namespace dyt::server {
class Database;
}

namespace dyt::server::schema {

// The database the schema code works on: a bare SQLite handle or a server connection, of either
// engine (a PostgreSQL one makes the same objects in PostgreSQL's terms).
class Connection {
public:
    Connection(sqlite3* db) : lite_(db) {}  // NOLINT(google-explicit-constructor)
    Connection(Database& db);               // NOLINT(google-explicit-constructor)
    sqlite3* lite() const { return lite_; }
    Database* database() const { return db_; }
    bool postgres() const { return !lite_ && db_; }

private:
    Database* db_ = nullptr;
    sqlite3* lite_ = nullptr;
};

// The version a freshly created account set has; older ones are upgraded at login.
int currentVersion();

// Version stored in an account set, 0 when it has none (not an account set).
int storedVersion(Connection db);

// Creates every table and index of an empty account set and seeds it (settings, switches, bill
// kinds, menu and rights, operator 1 with the given password hash, chart of accounts, field
// captions). Runs inside the caller's transaction; throws DytError on failure.
void createAccountSet(Connection db, const QString& displayName, const QString& adminPasswordHash);
// The same account set in a new PostgreSQL database `database` on the server `conninfo` names
// (`admin` is connected to it), copied from a template the process makes once.
void createPostgresAccountSet(Database& admin, const QString& conninfo, const QString& database,
                              const QString& displayName, const QString& adminPasswordHash);

// The table of goods pictures, made when the first picture is saved.
QString goodsImageTable();

// What sets the database's tables, indexes, triggers and views apart from those of a fresh account
// set of the current version ("" when nothing does): a missing or changed object, or one the server
// never makes. Tables made on demand may be missing.
QString structureDifference(Connection db);

// The spelling of a column name as the schema declares it ("djType" for "djtype"); the name
// itself when no table has such a column.
QString declaredSpelling(const QString& lower);

// Upgrades an account set from storedVersion() to currentVersion(). Runs inside the caller's
// transaction; throws DytError on failure.
void upgrade(Connection db);

}  // namespace dyt::server::schema
