#pragma once
// The base data that clients keep in their local cache: the procedure P_JXC_Get_Base for the
// cache kinds, and the change stamps (updateTime) of goods and partners that tell a client what
// changed since its last synchronisation.

#include <QString>

namespace dyt::server {

class Registry;

// P_JXC_Get_Base for the cache kinds "SP_", "DW_", "BM_", "KM_", "KMName", "CK_", "ZY_".
void registerBaseCacheProcedures(Registry& procedures);

// The stamp of a client that has never synchronised: every row counts as changed.
QString initialChangeStamp();  // "2000-01-01"

}  // namespace dyt::server
