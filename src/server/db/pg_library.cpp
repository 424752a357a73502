#include "server/db/pg_library.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDate>
#include <QFile>
#include <QStringList>


#include "common/error.h"
#include "common/recordset.h"
#include "server/db/database.h"
#include "server/db/pg_connection.h"
#include "server/db/pg_functions.h"

namespace dyt::server::pg {
namespace {

// The catalogue questions the schema code asks SQLite, answered from PostgreSQL's catalogue.
const char* const kCatalogue = R"sql(
CREATE EXTENSION IF NOT EXISTS citext;
CREATE OR REPLACE FUNCTION pragma_table_info(t text) RETURNS TABLE(name text)
LANGUAGE sql STABLE AS $f$
  SELECT a.attname::text FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid
  JOIN pg_namespace n ON n.oid = c.relnamespace
  WHERE c.relname = lower(t) AND n.nspname = current_schema() AND a.attnum > 0
    AND NOT a.attisdropped ORDER BY a.attnum
$f$;
CREATE OR REPLACE FUNCTION dyt_concat_step(acc text, v anyelement) RETURNS text
LANGUAGE sql IMMUTABLE AS $f$
  SELECT CASE WHEN v IS NULL THEN acc WHEN acc IS NULL THEN v::text ELSE acc || ',' || v::text END
$f$;
CREATE OR REPLACE FUNCTION dyt_concat_step(acc text, v anyelement, sep text) RETURNS text
LANGUAGE sql IMMUTABLE AS $f$
  SELECT CASE WHEN v IS NULL THEN acc WHEN acc IS NULL THEN v::text
              ELSE acc || coalesce(sep, '') || v::text END
$f$;
-- The rows client texts change, kept while the server checks them (dyt.capture on): the
-- statements' own rows, not those the schema's triggers change in turn.
CREATE OR REPLACE FUNCTION dyt_client_row() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER AS $f$
BEGIN
  IF coalesce(current_setting('dyt.capture', true), '') = '1' AND pg_trigger_depth() = 1 THEN
    INSERT INTO pg_temp.dyt_client_rows (tbl, op, old_row, new_row) VALUES (TG_TABLE_NAME, TG_OP,
      CASE WHEN TG_OP <> 'INSERT' THEN to_jsonb(OLD) END,
      CASE WHEN TG_OP <> 'DELETE' THEN to_jsonb(NEW) END);
  END IF;
  RETURN NULL;
END $f$;
CREATE OR REPLACE AGGREGATE group_concat(anyelement) (SFUNC = dyt_concat_step, STYPE = text);
CREATE OR REPLACE AGGREGATE group_concat(anyelement, text) (SFUNC = dyt_concat_step, STYPE = text);
)sql";

// The roles client texts run in (one for those who may see the kinds' print passwords): rows of
// the account set to read and write, nothing else. Roles belong to the whole PostgreSQL server;
// the grants to each account set's database.
const char* const kClientRoles = R"sql(
DO $d$ BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'dyt_client') THEN
    CREATE ROLE dyt_client NOLOGIN NOINHERIT;
  END IF;
  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'dyt_client_print') THEN
    CREATE ROLE dyt_client_print NOLOGIN NOINHERIT;
  END IF;
EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL;
END $d$;
GRANT dyt_client, dyt_client_print TO CURRENT_USER;
REVOKE CREATE ON SCHEMA public FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO dyt_client, dyt_client_print;
ALTER DEFAULT PRIVILEGES IN SCHEMA public
  GRANT SELECT, INSERT, UPDATE, DELETE ON TABLES TO dyt_client, dyt_client_print;
ALTER DEFAULT PRIVILEGES IN SCHEMA public
  GRANT USAGE, SELECT, UPDATE ON SEQUENCES TO dyt_client, dyt_client_print;
)sql";

}  // namespace

// The comparison of the client's texts (COLLATE TSQL on SQLite): texts equal but for case.
const char* const kClientCollation =
    "CREATE COLLATION IF NOT EXISTS dyt_tsql (provider = icu, locale = 'und-u-ks-level2', "
    "deterministic = false)";

void installLibrary(Database& db) {
    Connection* conn = db.postgres();
    if (!conn)
        throw DytError(QStringLiteral("不是 PostgreSQL 数据库"));
    conn->exec(QString::fromUtf8(kCatalogue));
    conn->exec(QString::fromUtf8(kClientCollation));
    conn->exec(functionLibrarySql());
    conn->exec(QString::fromUtf8(kClientRoles));
}

void ensureClientCollation(Database& db) {
    Connection* conn = db.postgres();
    if (conn && !db.scalar(QStringLiteral("SELECT 1 FROM pg_collation WHERE collname = 'dyt_tsql'"))
                      .isValid())
        conn->exec(QString::fromUtf8(kClientCollation));
}

QStringList columnsOf(Database& db, const QString& table) {
    const RecordSet rs = db.query(
        QStringLiteral("SELECT a.attname FROM pg_attribute a WHERE a.attrelid = ?::regclass "
                       "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum"),
        {table.toLower()});
    QStringList out;
    for (int r = 0; r < rs.rowCount(); ++r)
        out << rs.at(r, 0).toString();
    return out;
}

void createDatabase(Database& admin, const QString& name) {
    admin.executeScript(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
    admin.executeScript(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' "
                                       "LC_COLLATE 'C' LC_CTYPE 'C'")
                            .arg(name));
}

void dropDatabase(Database& admin, const QString& name) {
    admin.executeScript(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
}

namespace {

// What made this program: templates are shared by the processes of one build, so that a change
// of the schema code never meets an older template.
const QString& buildFingerprint() {
    static const QString fingerprint = [] {
        QCryptographicHash hash(QCryptographicHash::Sha1);
        QFile self(QStringLiteral("/proc/self/exe"));
        if (self.open(QIODevice::ReadOnly))
            hash.addData(&self);
        else
            hash.addData(QByteArray::number(QCoreApplication::applicationPid()));
        return QString::fromLatin1(hash.result().toHex().left(12));
    }();
    return fingerprint;
}

bool databaseExists(Database& admin, const QString& name) {
    return admin.scalar(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"), {name})
        .isValid();
}

// Templates of earlier days (older builds among them) are dropped unless in use.
void dropOldTemplates(Database& admin, const QString& today) {
    const RecordSet rs = admin.query(QStringLiteral(
        "SELECT datname FROM pg_database WHERE datname LIKE 'dyttpl\\_%' ESCAPE '\\'"));
    for (int r = 0; r < rs.rowCount(); ++r) {
        const QString name = rs.at(r, 0).toString();
        if (name.section(QLatin1Char('_'), 2, 2) == today)
            continue;
        try {
            admin.executeScript(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
        } catch (const DytError&) {
            // Being copied: left for later.
        }
    }
}

}  // namespace

void createFromTemplate(Database& admin, const QString& conninfo, const QString& name,
                        const std::function<void(Database&)>& build) {
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    const QString source = QStringLiteral("dyttpl_%1_%2").arg(buildFingerprint(), today);
    for (int attempt = 0;; ++attempt) {
        if (!databaseExists(admin, source)) {
            // One maker at a time; a template appears under its name only when complete.
            admin.executeScript(QStringLiteral("SELECT pg_advisory_lock(4243)"));
            try {
                if (!databaseExists(admin, source)) {
                    dropOldTemplates(admin, today);
                    const QString building = source + QStringLiteral("_%1")
                                                          .arg(QCoreApplication::applicationPid());
                    createDatabase(admin, building);
                    try {
                        {
                            auto db = Database::open(
                                QStringLiteral("postgresql:%1 dbname=%2").arg(conninfo, building));
                            build(*db);
                        }
                        admin.executeScript(QStringLiteral("ALTER DATABASE %1 RENAME TO %2")
                                                .arg(building, source));
                    } catch (...) {
                        dropDatabase(admin, building);
                        throw;
                    }
                }
            } catch (...) {
                admin.executeScript(QStringLiteral("SELECT pg_advisory_unlock(4243)"));
                throw;
            }
            admin.executeScript(QStringLiteral("SELECT pg_advisory_unlock(4243)"));
        }
        admin.executeScript(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
        try {
            admin.executeScript(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(name, source));
            return;
        } catch (const DytError&) {
            // Dropped or still held by another connection: tried once more.
            if (attempt > 0)
                throw;
        }
    }
}

void restrictClientReads(Database& db) {
    Connection* conn = db.postgres();
    if (!conn)
        return;
    // Stored passwords are read by the server alone, the print passwords by their holders.
    QStringList open = columnsOf(db, QStringLiteral("sysdjb"));
    open.removeAll(QStringLiteral("printpassword"));
    QStringList userColumns = columnsOf(db, QStringLiteral("sysuser"));
    userColumns.removeAll(QStringLiteral("password"));
    // The tables client texts may write have their changed rows kept for the checks.
    static const char* const written[] = {
        "sysuser",         "syspurview",     "basegoodspurview", "basewldwpurview",
        "baseckpurview",   "baseyhzhpurview", "basezypurview",   "basebmpurview",
        "djindex",         "djlist",         "sysconf",          "basecuxiao",
        "basefieldnames",  "sysmenu",        "sysdata",          "sysdjb",
        "sysbillno",       "syssession",     "basegoods",        "basewldw"};
    for (const char* table : written) {
        if (!db.tableExists(QString::fromLatin1(table)))
            continue;
        conn->exec(QStringLiteral("CREATE OR REPLACE TRIGGER dyt_client_rows AFTER INSERT OR "
                                  "UPDATE OR DELETE ON %1 FOR EACH ROW EXECUTE FUNCTION "
                                  "dyt_client_row()")
                       .arg(QLatin1String(table)));
    }
    conn->exec(QStringLiteral("REVOKE SELECT ON sysuser FROM dyt_client, dyt_client_print; "
                              "GRANT SELECT (%1) ON sysuser TO dyt_client, dyt_client_print; "
                              "REVOKE SELECT ON sysdjb FROM dyt_client; "
                              "GRANT SELECT (%2) ON sysdjb TO dyt_client")
                   .arg(userColumns.join(QLatin1Char(',')), open.join(QLatin1Char(','))));
}

}  // namespace dyt::server::pg
