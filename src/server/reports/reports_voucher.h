#pragma once
// The voucher lines of the voucher export (P_JXC_Get_Other "DCPZ"): the account lines the posting
// wrote for the chosen bills (djKmDetail type 0), each under the account code of the finance
// program. The code comes from the finance accounts of the base records (baseCWKM), the nearest
// one up the record's category path:
//   - the stock account (interface role "库存商品") is split by the goods the bill moved, each
//     goods under its own code, else under its warehouse's, else under the account's code, with
//     the base-unit quantities moved (in on the debit side, out on the credit side);
//   - a line of a partner (receivables, payables, advances) under the partner's code;
//   - an income or expense line (account kinds 3 and 4) of a bill with a department under the
//     department's code;
//   - every other line under the account's own code.
// Lines:
//   djStr   the bill ids " (" id "," … " 0)"; posted bills only, cut by the record rights
//   filter  ";isred=" as the bill lists, ";itype=1" for one summary voucher of all the bills:
//           the lines of one code and partner netted into one
// Rows: id, djType, code (of the bill; 0 and "" in a summary), date, comment, kmcode, dbTotal,
// LendTotal, rec_name, wldwCode, jsr_name, bm_name, dbQty, LendQty, summery; per bill in date
// order, debits before credits.

#include <QList>

#include "server/reports/reports_cw.h"

namespace dyt::server::reports {

const QList<DirectReport>& voucherReports();
const DirectReport* findVoucherReport(const QString& procedure, const QString& queryType);

// The bill ids of a voucher id list; throws DytError for any other text.
QList<qint64> voucherBillIds(const QString& text);

}  // namespace dyt::server::reports
