#pragma once
// The invoicing reports of P_JXC_Get_KP ("KPCX", "DJKPMXCX", "DJKPQKCX", "SPKPMXCX",
// "SPKPQKCX") and the invoicing queries of the purchase and sales reports ("JHKPCX" of
// P_JXC_Get_JH, "XSKPCX" of P_JXC_Get_XS): invoiced and not yet invoiced amounts per bill and per
// goods line, and the invoices' own lines.

#include "server/reports/reports_cw.h"

namespace dyt::server::reports {

const QList<DirectReport>& invoiceReports();
const DirectReport* findInvoiceReport(const QString& procedure, const QString& queryType);

}  // namespace dyt::server::reports
