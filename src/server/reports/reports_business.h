#pragma once
// The business figures of the owner's reports: the boss report (P_JXC_Get_LBBB: LBBBTJ the totals
// of a range, LBBBFX one analysis as chart points) and the business status reports per day, month
// and year (P_JXC_Get_Other: JYZKRB, JYZKYB, JYZKNB). Both read the figures of a range from one
// function, so that the periods of a range always add up to the range's totals.

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>

#include <utility>

#include "common/recordset.h"

namespace dyt::server {
class Database;
class RecordRights;
}  // namespace dyt::server

namespace dyt::server::reports {

struct ReportParams;

// How the figures of a range are divided.
enum class Span { Day, Month, Year, Whole };

// The figures of a period, from what the posting wrote.
struct BusinessFigures {
    double purchases = 0;        // purchase bills, with tax
    double purchaseReturns = 0;  // purchase returns, with tax
    double sales = 0;            // sales bills, with tax
    double salesReturns = 0;     // sales returns, with tax
    double netSales = 0;         // sales less returns, exchanges included, without tax
    double cost = 0;             // the cost of those goods
    double received = 0;         // money received from customers (receipts and on the spot)
    double paid = 0;             // money paid to suppliers (payments and on the spot)
    double income = 0;           // movements of the income accounts
    double expenses = 0;         // movements of the expense accounts
    // Of income and expenses: the sales revenue and the cost of sales accounts, which the gross
    // profit already holds.
    double salesRevenue = 0;
    double salesCost = 0;

    double grossProfit() const { return netSales - cost; }
    // The gross profit with the other income and the other expenses.
    double netProfit() const {
        return grossProfit() + (income - salesRevenue) - (expenses - salesCost);
    }
};

// The figures of the range [begin, end] per period of the span, by the period's label:
// "yyyy-MM-dd" for days, "yyyy-MM" for months, "yyyy" for years, "" for the whole range. Periods
// without any figure are absent. Bills and lines the operator's record rights hide do not count.
QMap<QString, BusinessFigures> businessFigures(Database& db, const RecordRights& rights,
                                               const QDate& begin, const QDate& end, Span span);

// The range of a report: the dates sent; without an end date today, without a begin date the
// opening date of the account set (the first day of the end's month when that lies later).
std::pair<QDate, QDate> reportRange(Database& db, const ReportParams& p);

struct BusinessReport {
    QString procedure;
    QString queryType;
    Span span = Span::Whole;  // Whole: the boss report's query types
};

const QList<BusinessReport>& businessReports();
const BusinessReport* findBusinessReport(const QString& procedure, const QString& queryType);
RecordSet runBusinessReport(Database& db, const ReportParams& p, const BusinessReport& r);

}  // namespace dyt::server::reports
