#pragma once
// The sales commission reports of P_JXC_Get_Other ("SPXSTCMX", "SPXSTCCX", "TCTJ").

#include "server/reports/reports_cw.h"

namespace dyt::server::reports {

const QList<DirectReport>& commissionReports();
const DirectReport* findCommissionReport(const QString& procedure, const QString& queryType);

}  // namespace dyt::server::reports
