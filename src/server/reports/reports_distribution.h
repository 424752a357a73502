#pragma once
// The distribution and gift-contract reports of P_JXC_Get_Other: the delivery lines with what was
// accepted of them ("PSSPMXZB"), the deliveries per goods ("PSSPTJ") and the gift contract lines
// ("ZPHTMXCX").

#include <QList>

#include "server/reports/reports_cw.h"

namespace dyt::server::reports {

const QList<DirectReport>& distributionReports();
const DirectReport* findDistributionReport(const QString& procedure, const QString& queryType);

}  // namespace dyt::server::reports
