#pragma once
// SQL functions of a PostgreSQL account-set database: the SQLite built-ins the server's SQL texts
// call (julianday, date, datetime, strftime, total, ifnull, instr, round and substr) with
// SQLite's results, and the functions an account-set connection registers on SQLite (dyt_add,
// dyt_datetime, dyt_dateadd, dyt_datediff, dyt_datepart, dyt_getdate, tsql_like and the dbo.
// functions fnGetSysData, fnGetPurview, fnGetStockQty, ...), so that a text means the same on
// both engines.
//
// The functions are created in the first schema of the search path. round(double precision)
// and substr take the place of PostgreSQL's own (round halves to even; substr counts a negative
// start differently) only on a connection whose search path names that schema before pg_catalog
// ("public, pg_catalog"). date() with one untyped literal is PostgreSQL's cast to date.
// dyt_getdate() and datetime(..., 'localtime') give the time of the connection's TimeZone.

#include <QString>

namespace dyt::server::pg {

// One script of CREATE OR REPLACE statements; running it again replaces the functions.
QString functionLibrarySql();

}  // namespace dyt::server::pg
