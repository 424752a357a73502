#pragma once
// The receivables and payables reports of P_JXC_Get_WL, read from the partner ledger the posting
// writes (djWLDWDetail, with the opening balances of baseWLDW) and from the bills' settlement
// state (sfkTotalLj, sfkDate).

#include <QList>
#include <QString>

#include "common/recordset.h"

namespace dyt::server {
class Database;
}

namespace dyt::server::reports {

struct ReportParams;

enum class PartnerShape {
    PartnerLedger,   // per partner: the opening balance, the movements, the running balance
    ScopeLedger,     // the movements of the chosen bills with one running balance (employees)
    Balances,        // one partner level: opening, increase, decrease, closing balances
    Overdue,         // bills with money still owed whose payment date is past the cut-off
    Settlement,      // bills with their amount, what was settled and what is open
    Collections,     // receipts summed along a dimension
    CollectionList,  // receipts one by one
    Profit,          // sales income, cost and gross profit along a dimension
};

// Which balances a report shows.
enum class Side { Both, Receivable, Payable };

struct PartnerReport {
    QString procedure;
    QString queryType;
    PartnerShape shape = PartnerShape::PartnerLedger;
    Side side = Side::Both;
    // Collections and Profit: 0 partners, 1 employees (handlers), 2 departments, 3 employees as
    // the makers of the receipts
    int dimension = 0;
};

const QList<PartnerReport>& partnerReports();
const PartnerReport* findPartnerReport(const QString& procedure, const QString& queryType);
RecordSet runPartnerReport(Database& db, const ReportParams& p, const PartnerReport& r);

}  // namespace dyt::server::reports
