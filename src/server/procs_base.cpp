// Procedures of the base data: lists, records, tree and row order.
#include "server/procs_basecache.h"
#include "server/registry.h"

namespace dyt::server {

void registerBaseProcedures(Registry& procedures) {
    registerBaseCacheProcedures(procedures);
}

}  // namespace dyt::server
