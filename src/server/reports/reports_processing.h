#pragma once
// The outsourced-processing reports of P_JXC_Get_WWJG, read from the processing balances
// (djStockOtherDetail and iniGoodsStockOther of typeid 5) and the lines of the issue (53), return
// (54) and completion (55) bills. Quantities are in base units, values at cost.

#include <QList>
#include <QString>

#include "server/reports/reports_cw.h"

namespace dyt::server::reports {

// WWKCMX the movements of the processing balances; WWKCCX the balances at the end date per goods
// level; WWLLMXZB the issue and return lines (returns negative); WWLLCX the net issues per goods
// level; WWWGCX the finished goods of the completions per goods.
const QList<DirectReport>& processingReports();
const DirectReport* findProcessingReport(const QString& procedure, const QString& queryType);

}  // namespace dyt::server::reports
