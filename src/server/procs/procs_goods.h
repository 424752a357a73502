#pragma once
// The goods procedure of the selection windows: P_Base_Get_Goods with the query types
// "XZSPALL" (goods and classes to pick from, with stock of a warehouse), "QTKC" (goods held for a
// trading partner under a stock-other type) and "XZSPPC" (the stock batches of a goods); "DQKCNEW",
// the stock status report, lives in procs_stockstatus.cpp.

#include <QString>

namespace dyt::server {

class Registry;

void registerGoodsProcedures(Registry& procedures);

// The auxiliary quantity text: whole auxiliary units, then the rest in base units ("2箱6个");
// empty without an auxiliary unit (rate above 1) or without stock.
QString auxiliaryQuantity(double qty, const QString& auxUnit, double rate, const QString& baseUnit);

}  // namespace dyt::server
