#pragma once
// The reports of goods borrowed in and lent out (P_JXC_Get_JQ): the detail ledgers of the
// borrowed and lent balances, the balances per goods at a date, and the statistics of each loan
// bill kind.

#include <QList>

#include "server/reports/reports_cw.h"

namespace dyt::server::reports {

const QList<DirectReport>& loanReports();
const DirectReport* findLoanReport(const QString& procedure, const QString& queryType);

}  // namespace dyt::server::reports
