// Procedures of the function menu and the operator's rights.
#include "server/registry.h"

namespace dyt::server {

void registerMenuProcedures(Registry& /*procedures*/) {}

}  // namespace dyt::server
