// Version 9: the assembly templates. baseSCMB holds a template (its code, name, the goods made
// and the quantity the template makes); baseSCMBList its parts in line order, each goods with
// the quantity used up for the template's quantity.
#include "server/db/schema_internal.h"

namespace dyt::server::schema::detail {

void addAssemblyTemplates(Connection db) {
    exec(db,
         "CREATE TABLE IF NOT EXISTS baseSCMB (id INTEGER PRIMARY KEY AUTOINCREMENT, code TEXT "
         "COLLATE NOCASE NOT NULL DEFAULT '', name TEXT NOT NULL DEFAULT '', goodsid INTEGER NOT "
         "NULL DEFAULT 0, qty NUMERIC(19,8) NOT NULL DEFAULT 0, comment TEXT NOT NULL DEFAULT '', "
         "del INTEGER NOT NULL DEFAULT 0, czy_id INTEGER NOT NULL DEFAULT 0, updateTime TEXT NOT "
         "NULL DEFAULT '', CHECK (qty > 0))");
    exec(db,
         "CREATE TABLE IF NOT EXISTS baseSCMBList (orderid INTEGER PRIMARY KEY AUTOINCREMENT, "
         "mbid INTEGER NOT NULL, lineno INTEGER NOT NULL DEFAULT 0, goodsid INTEGER NOT NULL "
         "DEFAULT 0, qty NUMERIC(19,8) NOT NULL DEFAULT 0, CHECK (qty > 0), FOREIGN KEY (mbid) "
         "REFERENCES baseSCMB(id) ON DELETE CASCADE)");
    exec(db, "CREATE INDEX IF NOT EXISTS ix_baseSCMB_goods ON baseSCMB(goodsid)");
    exec(db, "CREATE INDEX IF NOT EXISTS ix_baseSCMBList_template ON baseSCMBList(mbid, lineno)");
    exec(db, "CREATE INDEX IF NOT EXISTS ix_baseSCMBList_goods ON baseSCMBList(goodsid)");
}

}  // namespace dyt::server::schema::detail
