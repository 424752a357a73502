#pragma once
// The stock status report: P_Base_Get_Goods with the query type "DQKCNEW".

namespace dyt::server {

struct CallContext;

// Answers the rows of the stock status report (see procs_stockstatus.cpp for the parameter lines
// and the figures). Runs inside the caller's read transaction.
int stockStatusReport(CallContext& c);

}  // namespace dyt::server
