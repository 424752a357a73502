#pragma once
// The base data that clients keep in their local cache: the procedure P_JXC_Get_Base for the
// cache kinds, and the change stamps (updateTime) of goods and partners that tell a client what
// changed since its last synchronisation.

#include <QString>

struct sqlite3;

namespace dyt::server {

class Registry;

// P_JXC_Get_Base for the cache kinds "SP_", "DW_", "BM_", "KM_", "KMName", "CK_", "ZY_".
void registerBaseCacheProcedures(Registry& procedures);

// Creates the triggers that stamp every change of goods (units, barcodes and prices included) and
// of partners (balances included) with the current time in updateTime. An insert or update that
// writes updateTime itself keeps the value it wrote.
void createChangeStampTriggers(sqlite3* db);

// The stamp the triggers write: the local time as "yyyy-mm-dd hh:nn:ss", the same text that the
// dialect layer's getdate() gives.
QString changeStampExpression();

// The stamp of a client that has never synchronised: every row counts as changed.
QString initialChangeStamp();  // "2000-01-01"

}  // namespace dyt::server
