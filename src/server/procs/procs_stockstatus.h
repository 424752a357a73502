#pragma once
// The stock status report: P_Base_Get_Goods with the query type "DQKCNEW"; the opening stock
// ("QCKCNEW") and the opening goods held by or for partners (P_JXC_Get_QC) in the same shape.

#include <QStringList>

namespace dyt::server {

struct CallContext;

// Answers the rows of the stock status report (see procs_stockstatus.cpp for the parameter lines
// and the figures). Runs inside the caller's read transaction.
int stockStatusReport(CallContext& c);
int openingStockReport(CallContext& c);
// P_JXC_Get_QC; its query types in the order of their typeid (1 to 5).
int openingOtherGoods(CallContext& c);
QStringList openingOtherQueryTypes();

}  // namespace dyt::server
