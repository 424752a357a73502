// Procedures of the base data: lists, records, tree and row order.
#include "server/procs_goods.h"
#include "server/registry.h"

namespace dyt::server {

void registerBaseProcedures(Registry& procedures) {
    registerGoodsProcedures(procedures);
}

}  // namespace dyt::server
