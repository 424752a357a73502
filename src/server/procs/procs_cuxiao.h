#pragma once
// The promotion agreements (baseCuXiao): the list "CuXiao" of P_JXC_Get_Base and the save
// procedure p_base_Up_CuXiao (add, change, delete with del = 1), which checks the partner, the
// goods, the dates, the quantities and the price and refuses an active agreement whose dates
// overlap another active one of the same partner, goods and kind.
//
// List lines: filter ";isstop=1" includes stopped agreements, ";id=" one agreement; wldwStr and
// GoodsStr ";id=" keep the agreements of that partner or goods (or of the records below a
// picked category).

#include <QtGlobal>

namespace dyt::server {
struct CallContext;
class Database;
class Registry;
}  // namespace dyt::server

namespace dyt::server::promotions {

int getPromotions(CallContext& c);
void registerProcedures(Registry& procedures);
// An agreement taken back into use by a statement (isStop set to 0) may not overlap another
// active one; throws DytError with the reason. `rowId` is the row the statement changed.
void checkTakenBack(Database& db, qint64 rowId);

}  // namespace dyt::server::promotions
