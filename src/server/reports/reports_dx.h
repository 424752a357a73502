#pragma once
// The consignment reports (P_JXC_Get_DX): goods consigned to consignees (委托, kind 3 of
// baseGoodsStockOther) and goods held for consignors (受托, kind 4), read from the opening rows
// (iniGoodsStockOther) and the bills' changes (djStockOtherDetail), and the settlements.

#include <QList>

#include "server/reports/reports_cw.h"

namespace dyt::server::reports {

const QList<DirectReport>& consignReports();
const DirectReport* findConsignReport(const QString& procedure, const QString& queryType);

}  // namespace dyt::server::reports
