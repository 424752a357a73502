#pragma once
// The sales and purchase reports as data: per query type its shape, the dimension it aggregates
// along and the bill kinds it reads when djStr does not name them.

#include <QList>
#include <QString>

#include "common/recordset.h"

namespace dyt::server {
class Database;
}

namespace dyt::server::reports {

struct ReportParams;

enum class Dim { Goods, Partner, Warehouse, Employee, Department, Region };

enum class TradeShape {
    Statistic,       // one level of the dimension with quantity, amounts, prices (and cost)
    Ledger,          // the bill lines one by one
    Exchange,        // exchanged out and back, per goods level
    Monthly,         // the statistic per month of the range
    Ranking,         // the records of a dimension by amount, numbered
    GoodsByPartner,  // one row per goods and partner
    PriceTrail,      // purchase prices with the change against the previous one
    OrderLines,      // order lines with what later bills took over and what is still open
    Comparison,      // a level's sales in the range and in a second range (BeginDate2, EndDate2)
    Discounts,       // the discounts of the bills, one by one or summed per partner, department
                     // or employee
};

struct TradeReport {
    QString procedure;
    QString queryType;
    TradeShape shape = TradeShape::Statistic;
    Dim dim = Dim::Goods;
    QList<int> kinds;          // when djStr names none
    bool sales = true;         // sales family (cost and gross profit) or purchase family
    bool returnsOnly = false;  // returns shown positive
    bool flat = false;         // records without categories
    bool cost = false;         // cost and gross profit columns
    // The dimensions the radio ";tjfs=" of the condition dialog chooses by its index; empty when
    // the report has no such choice.
    QList<Dim> byChoice;
};

const QList<TradeReport>& tradeReports();
const TradeReport* findTradeReport(const QString& procedure, const QString& queryType);
RecordSet runTradeReport(Database& db, const ReportParams& p, const TradeReport& r);

}  // namespace dyt::server::reports
