#pragma once
// The report procedures of the query windows: P_JXC_Get_XS (sales), P_JXC_Get_JH (purchases),
// P_JXC_Get_KC (stock) and the other P_JXC_Get_… families. Each dispatches on the parameter line
// QueryType; the rows come from the ledgers the posting writes (djIndex, djList, djStockDetail,
// baseGoodsStock, iniGoodsStock), aggregated on the server one category level at a time.
//
// Parameter lines (all optional unless a report says otherwise):
//   QueryType                 the report
//   BeginDate, EndDate        "yyyy-mm-dd"; the begin may not lie after the end
//   wldwStr, zyStr, ckStr, bmStr, kmStr
//                             condition strings ";czy_id=…;id=…;issub=1;Other=1" (an empty id
//                             means all records; issub takes in the record's sub-records)
//   GoodsStr                  ";par_id=" category level (0 = top), ";isList=1" flat goods list
//                             (";isList=1;par_id=" below one category), ";allfilter=" quick
//                             search (code, full name, short name, pinyin), ";id=" + ";isSub=1"
//                             one goods or category for the ledgers, ";TreeView=1" the tree
//   djStr                     bill-kind list " (1,2,0) "; empty: the report's own kinds
//   filter                    ";qty=" 0 all, 1 quantity above 0, 2 quantity 0;
//                             ";isred=" 0 all bills, 1 no reversed or reversal bills, 2 only those
// Condition strings are parsed and every value bound; no client text reaches an SQL text.

#include <QList>
#include <QString>
#include <QStringList>

namespace dyt::server {

class Registry;

// One report the server knows: the procedure, the query type and whether its rows carry real
// figures from the ledgers (false: the documented columns, no rows yet).
struct ReportInfo {
    QString procedure;
    QString queryType;
    bool realFigures = false;
};

// Every report the server answers, procedures and query types as the query windows send them.
const QList<ReportInfo>& reportCatalogue();
// The report of a procedure and query type (letter case ignored), nullptr when none.
const ReportInfo* findReport(const QString& procedure, const QString& queryType);

// P_JXC_Get_XS, P_JXC_Get_JH, P_JXC_Get_KC and the other report procedures.
void registerReportProcedures(Registry& procedures);

}  // namespace dyt::server
