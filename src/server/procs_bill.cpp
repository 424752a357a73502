// Procedures and services of the bills: numbering, reading bills and saving them.
#include "server/registry.h"

namespace dyt::server {

void registerBillProcedures(Registry& /*procedures*/, Registry& /*services*/) {}

}  // namespace dyt::server
