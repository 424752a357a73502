#pragma once
// The gift-contract statistics of P_JXC_Get_XS ("ZPHTTJ"): the posted gift contracts of the
// period summed per partner and goods (";tjfs=0"), per partner (1) or per goods (2).

#include <QList>

#include "server/reports/reports_cw.h"

namespace dyt::server::reports {

const QList<DirectReport>& giftContractReports();
const DirectReport* findGiftContractReport(const QString& procedure, const QString& queryType);

}  // namespace dyt::server::reports
