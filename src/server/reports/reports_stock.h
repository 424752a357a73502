#pragma once
// The stock reports of P_JXC_Get_KC that read the stock ledger (djStockDetail, baseGoodsStock,
// iniGoodsStock) rather than the bill lines, and the columns of the reports without figures yet.

#include <QList>
#include <QString>

#include "common/recordset.h"
#include "server/reports/reports.h"

namespace dyt::server {
class Database;
class Registry;
}  // namespace dyt::server

namespace dyt::server::reports {

struct ReportParams;

enum class StockShape {
    Ledger,      // movements with the opening balance and a running balance
    Balance,     // stock per goods level at the end date
    Movement,    // opening, in, out and closing per goods level
    Batches,     // the batches in stock
    Virtual,     // stock with the open orders
    UpperAlert,  // goods above their upper limit
    LowerAlert,  // goods below their lower limit
    Limits,      // the stock limits of one goods level, with the stock (reports_replenish.cpp)
    Replenish,   // the smart replenishment plan (reports_replenish.cpp)
    // reports_stock2.cpp:
    Distribution,     // stock per goods level and warehouse column of a warehouse level
    WarehouseSpread,  // the same per warehouse
    OtherDifference,  // other receipts against other issues
    CountDifference,  // overflow against loss
    OtherLines,       // the lines of the other receipt and issue bills
    ShelfLife,        // batches near the end of their shelf life
    BatchTrail,       // the movements of goods kept in batches
};

struct StockReport {
    QString procedure;
    QString queryType;
    StockShape shape = StockShape::Ledger;
};

const QList<StockReport>& stockReports();
const StockReport* findStockReport(const QString& procedure, const QString& queryType);
RecordSet runStockReport(Database& db, const ReportParams& p, const StockReport& r);
// The reports of the shapes from Distribution on (reports_stock2.cpp).
RecordSet runMoreStockReport(Database& db, const ReportParams& p, StockShape shape);

// The stock limits of a goods level and the replenishment plan (reports_replenish.cpp).
RecordSet limitSettings(Database& db, const ReportParams& p);
RecordSet replenishPlan(Database& db, const ReportParams& p);
// P_JXC_DJ_WarnToDraft (reports_replenish.cpp).
void registerStockFollowUps(Registry& procedures);

// The reports of the query-window table whose procedure is a report procedure, and the columns
// each documents (no rows).
QList<ReportInfo> documentedReports();
RecordSet documentedColumns(const QString& procedure, const QString& queryType);
// Adds the documented columns a report's rows lack, as Null, so that every window finds the
// fields it reads.
void completeColumns(RecordSet& rs, const QString& procedure, const QString& queryType);

}  // namespace dyt::server::reports
