// Procedures and services of the bills: numbering, reading bills and saving them.
#include "server/bill_common.h"
#include "server/registry.h"

namespace dyt::server {

void registerBillProcedures(Registry& procedures, Registry& services) {
    registerNumberingProcedures(procedures);
    registerBillReadProcedures(procedures);
    registerBillService(services);
}

}  // namespace dyt::server
