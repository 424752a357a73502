// The account-set repair ("账套修复"): every ledger built again from the opening data and the
// posted bills.
#include "common/error.h"
#include "server/ledger/repair.h"
#include "server/procs/bill_common.h"
#include "server/procs/registry.h"

namespace dyt::server {
namespace {

// The function code of the repair in the menu of system maintenance.
const QString kRepairRight = QStringLiteral("500407");

int databaseRepair(CallContext& ctx) {
    if (!holdsRight(ctx.db, ctx.userId, kRepairRight))
        throw DytError(QStringLiteral("您没有执行该操作的权限!"));
    const int bills = posting::repairLedgers(ctx.db);
    ctx.params.setInt(QStringLiteral("BillCount"), bills);
    return 0;
}

}  // namespace

void registerRepairProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("p_sys_Up_DatabaseRepair"), databaseRepair);
}

}  // namespace dyt::server
