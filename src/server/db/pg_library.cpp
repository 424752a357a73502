#include "server/db/pg_library.h"

#include "common/error.h"
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
)sql";

}  // namespace

void installLibrary(Database& db) {
    Connection* conn = db.postgres();
    if (!conn)
        throw DytError(QStringLiteral("不是 PostgreSQL 数据库"));
    conn->exec(QString::fromUtf8(kCatalogue));
    conn->exec(functionLibrarySql());
}

}  // namespace dyt::server::pg
