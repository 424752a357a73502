#pragma once
// The finance reports, read from the account lines the posting writes (djKmDetail type 0) and the
// opening balances of the accounts (baseKM Total00):
//   P_JXC_Get_CW LRB     the profit statement of a range and of its year to date
//   P_JXC_Get_CW NDFYBB  the expenses of a year per expense account and month
//   P_JXC_Get_CW FYFBB   the expenses of a range per department, employee or partner
//   P_Base_Get_KM ZCFZB  the balance sheet: the accounts' balances before the range and at its end

#include <QList>
#include <QString>

#include "common/recordset.h"

namespace dyt::server {
class Database;
class Registry;
}  // namespace dyt::server

namespace dyt::server::reports {

struct ReportParams;

struct FinanceReport {
    QString procedure;
    QString queryType;
};

const QList<FinanceReport>& financeReports();
const FinanceReport* findFinanceReport(const QString& procedure, const QString& queryType);
RecordSet runFinanceReport(Database& db, const ReportParams& p, const FinanceReport& r);

// P_Base_Get_KM answers the balance sheet for QueryType "ZCFZB" and the account list (the
// procedure registered before) for anything else.
void registerBalanceSheet(Registry& procedures);

}  // namespace dyt::server::reports
