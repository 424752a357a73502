// Procedures and services of the bills: numbering, reading bills, saving them and counting
// their prints.
#include "server/procs/bill_common.h"
#include "server/procs/bill_print.h"
#include "server/procs/registry.h"

namespace dyt::server {

void registerBillProcedures(Registry& procedures, Registry& services) {
    registerNumberingProcedures(procedures);
    registerBillReadProcedures(procedures);
    registerBillService(services);
    registerStocktakeProcedures(procedures);
    registerDraftProcedures(procedures);
    registerPrintProcedures(procedures);
}

}  // namespace dyt::server
