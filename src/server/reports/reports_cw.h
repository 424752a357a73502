#pragma once
// The account ledger (P_JXC_Get_CW "KMMXZ") read from the account lines the posting writes
// (djKmDetail of type 0 with the opening balances of baseKM), and the price reports of
// P_JXC_Get_Other: the goods' price list ("WJGL") and the price and discount of each sales line
// against the goods' preset price ("JGZKGZ").

#include <QList>
#include <QString>

#include "common/recordset.h"

namespace dyt::server {
class Database;
}

namespace dyt::server::reports {

struct ReportParams;

// A report answered by one function.
struct DirectReport {
    QString procedure;
    QString queryType;
    RecordSet (*run)(Database& db, const ReportParams& p) = nullptr;
};

const QList<DirectReport>& accountAndPriceReports();
const DirectReport* findAccountOrPriceReport(const QString& procedure, const QString& queryType);

// kmStr ";id=" the account (with every account below it when it is a category; none: every
// account that has a balance or moved, one after another): an opening row ("期初") at BeginDate,
// the account lines of the range oldest first with debit dbTotal, credit LendTotal and the running
// balance yeTotal in the account's own direction, and a closing row ("期末"). The closing balance
// at the last date is the account's balance baseKM.Total.
RecordSet accountLedger(Database& db, const ReportParams& p);
// One row per goods and unit: the unit's retail and preset prices, the latest and lowest sale
// prices, the latest purchase price and the average cost of the stock, both in that unit.
RecordSet priceList(Database& db, const ReportParams& p);
// One row per posted sales line of the range: the price, discount and final price against the
// preset price of the line's unit (the price type of switch 2001), with the difference.
RecordSet priceTracking(Database& db, const ReportParams& p);

}  // namespace dyt::server::reports
