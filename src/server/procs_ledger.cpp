// Procedures of the ledgers: red reversal, deletion, opening balances and the opening of
// the account set.
#include "server/registry.h"

namespace dyt::server {

void registerLedgerProcedures(Registry& /*procedures*/) {}

}  // namespace dyt::server
