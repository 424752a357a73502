// Procedures and services of the bills: numbering, reading bills and saving them.
#include "server/procs/bill_common.h"
#include "server/procs/registry.h"

namespace dyt::server {

void registerBillProcedures(Registry& procedures, Registry& services) {
    registerNumberingProcedures(procedures);
    registerBillReadProcedures(procedures);
    registerBillService(services);
    registerStocktakeProcedures(procedures);
    registerDraftProcedures(procedures);
}

}  // namespace dyt::server
