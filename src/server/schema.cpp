#include "server/schema.h"

#include <sqlite3.h>

#include "common/error.h"

// Core tables only; the full schema and its seed data replace this file.
namespace dyt::server::schema {
namespace {

void exec(sqlite3* db, const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        QString msg = QString::fromUtf8(err ? err : "unknown error");
        sqlite3_free(err);
        throw DytError(msg);
    }
}

}  // namespace

int currentVersion() { return 1; }

int storedVersion(sqlite3* db) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT version FROM sysVersion", -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return 0;
    }
    int v = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : 0;
    sqlite3_finalize(st);
    return v;
}

void createAccountSet(sqlite3* db, const QString& displayName, const QString& adminPasswordHash) {
    Q_UNUSED(displayName);
    exec(db, R"(
CREATE TABLE sysVersion(version INTEGER NOT NULL);
CREATE TABLE baseZY(id INTEGER PRIMARY KEY, par_id INTEGER NOT NULL DEFAULT 0,
  par_jl TEXT NOT NULL DEFAULT '', leveal INTEGER NOT NULL DEFAULT 1, sonnum INTEGER NOT NULL DEFAULT 0,
  code TEXT NOT NULL DEFAULT '', fullname TEXT NOT NULL DEFAULT '', pym TEXT NOT NULL DEFAULT '',
  depid INTEGER NOT NULL DEFAULT 0, del INTEGER NOT NULL DEFAULT 0, candel INTEGER NOT NULL DEFAULT 1);
CREATE TABLE sysuser(id INTEGER PRIMARY KEY, password TEXT NOT NULL DEFAULT '');
CREATE TABLE syssession(id INTEGER PRIMARY KEY, PcID TEXT, userId INTEGER, loginTime TEXT);
CREATE TABLE sysLog(id INTEGER PRIMARY KEY AUTOINCREMENT, logTime TEXT, logUserName TEXT,
  logUserId INTEGER, logHostName TEXT, logIpAddr TEXT, logMacAddr TEXT, logMsgType INTEGER,
  logMsgCont TEXT, aTag TEXT);
CREATE TABLE sysColConfigure(ColId TEXT NOT NULL, userId INTEGER NOT NULL,
  colstr1 TEXT, colstr2 TEXT, colstr3 TEXT, colstr4 TEXT, colstr5 TEXT, colstr6 TEXT, colstr7 TEXT,
  colstr8 TEXT, colstr9 TEXT, colstr10 TEXT, ColValue TEXT, PRIMARY KEY (ColId, userId));
CREATE TABLE sysData(id INTEGER PRIMARY KEY, Name TEXT UNIQUE COLLATE NOCASE, sysValue TEXT,
  comment TEXT);
INSERT INTO sysVersion(version) VALUES (1);
INSERT INTO baseZY(id, code, fullname, pym, candel) VALUES (1, '001', '系统管理员', 'XTGLY', 0);
)");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO sysuser(id, password) VALUES (1, ?)", -1, &st, nullptr);
    QByteArray hash = adminPasswordHash.toUtf8();
    sqlite3_bind_text(st, 1, hash.constData(), static_cast<int>(hash.size()), SQLITE_TRANSIENT);
    int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) throw DytError(QString::fromUtf8(sqlite3_errmsg(db)));
}

void upgrade(sqlite3* db) {
    if (storedVersion(db) == currentVersion()) return;
    throw DytError(QStringLiteral("账套版本无法升级"));
}

}  // namespace dyt::server::schema
