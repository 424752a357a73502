// Procedures of the base data: lists, records, tree and row order.
#include "server/registry.h"

namespace dyt::server {

void registerBaseProcedures(Registry& /*procedures*/) {}

}  // namespace dyt::server
