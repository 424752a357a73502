#pragma once
// The shared parts of the report procedures: the parsed parameter lines, the WHERE clauses built
// from them with bound values, and the roll-up of per-record figures into one level of a base
// tree (goods, partners, warehouses, employees, departments).

#include <QDate>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <optional>
#include <vector>

#include "common/condition.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "server/db/where.h"

namespace dyt::server {

struct CallContext;
class Database;

namespace reports {

// How the goods (or another tree) are shown: one level, a flat list, or a search.
struct LevelChoice {
    qint64 parId = 0;       // the level shown (0 = top)
    bool list = false;      // flat list of records without categories
    qint64 listParId = 0;   // the category a flat list is restricted to (0 = all)
    QString search;         // quick-search text; replaces the level
    RecordChoice record;    // ";id=" (ledgers): one record or category
    bool treeView = false;  // ";TreeView=1"
};

// The parameter lines of a report, read and checked.
struct ReportParams {
    QString queryType;
    // The level choice of each condition line (GoodsStr, wldwStr, ckStr, zyStr, bmStr), by the
    // line's name in lower case.
    QHash<QString, LevelChoice> levels;
    const LevelChoice& levelOf(const QString& line) const;
    qint64 userId = 0;
    RecordRights rights;  // the operator's record rights
    RecordChoice partner, employee, warehouse, department, region;
    LevelChoice goods;
    QList<int> kinds;  // djStr; empty when not sent
    std::optional<QDate> begin, end;
    int qtyFilter = 0;  // 0 all, 1 above 0, 2 equal to 0
    int redFilter = 0;  // 0 all, 1 no reversed or reversal bills, 2 only those
    ConditionString filter;
    ParamList lines;  // the lines as sent

    // Reads the lines and the operator's record rights; throws DytError with the message for the
    // operator on bad input.
    static ReportParams parse(Database& db, const ParamList& lines, qint64 userId);
    QString beginText() const;
    QString endText() const;
};

// A base tree the reports aggregate along. Every name here is a constant of the code.
struct Dimension {
    QString table;            // baseGoods, baseWLDW, …
    QString conditionLine;    // the parameter line with its level: GoodsStr, wldwStr, …
    QString rightsTable;      // record rights of the operator; empty when none
    QString prefix;           // column prefix of the rows: sp, dw, ck, zy, bm
    QStringList extraFields;  // further columns "t.col AS name" of the rows
};

const Dimension& goodsDimension();
const Dimension& partnerDimension();
const Dimension& warehouseDimension();
const Dimension& employeeDimension();
const Dimension& departmentDimension();
const Dimension& regionDimension();

// The search and flat-list restriction of a level over the record alias (code, full name, pinyin).
void addDimensionChoice(Where& w, const LevelChoice& level, const QString& table,
                        const QString& alias);

// The bill lines in scope of a report, over "djList AS l JOIN djIndex AS a ON a.id = l.id JOIN
// baseGoods AS g ON g.id = l.goodsid": posted goods lines of the kinds, the dates, the partner,
// employee, department and warehouse choices, the goods choice (";id=" subtree; quick search or
// flat list restriction; not the level), the red filter and the operator's record rights (the
// bill's and the line's goods).
// The bill-header conditions every report shares: the kinds (none: all), the dates, and the chosen
// partner, employee and department with their sub-records.
void addHeaderScope(Where& w, const ReportParams& p, const QList<int>& kinds);
Where lineScope(const ReportParams& p, const QList<int>& kinds);
// The warehouse a line moves its goods in (the line's own, else the bill's).
QString lineWarehouseSql();

// The goods choice (";id="/";isSub=1", search, flat list restriction) over the goods alias g.
void addGoodsChoice(Where& w, const ReportParams& p);

// Figures of one record (or one category, summed).
using Figures = std::vector<double>;

// The figures per record id, in the order the SQL gave them.
struct RecordFigures {
    QList<qint64> order;
    QHash<qint64, Figures> byId;
    void add(qint64 id, const Figures& f);
};

// A measure column of a report.
struct Measure {
    QString name;
    FieldType type;  // Float for quantities and prices, Currency for money
};

// Turns figures per record into the rows of the report: the records (and categories) of one level
// of the dimension, or the records of a flat list or search when p shows one. Each output row
// carries sonnum, id, par_id, par_jl, the dimension's columns and the measures. Rows without any
// non-zero figure are left out; derive (when set) works out the derived figures (prices) of a row
// after its sums. qtyMeasure (-1 for none) is the column the quantity filter looks
// at.
RecordSet rollUp(Database& db, const Dimension& d, const LevelChoice& level,
                 const RecordFigures& figures, const QList<Measure>& measures, int qtyFilter,
                 int qtyMeasure, const std::function<void(Figures&)>& derive = {});

// The figures of a level may only come from records under the level's category: the clause
// over the record alias (its par_jl) that keeps them. Nothing when the level is the top, a list
// of all records or a search.
void addLevelScope(Where& w, Database& db, const Dimension& d, const LevelChoice& level,
                   const QString& alias);

// A record set with the given fields and no rows.
RecordSet emptyResult(const QList<Measure>& fields);
// A number rounded to four decimals as a field value of the type.
QVariant fieldValue(FieldType type, double v);

}  // namespace reports
}  // namespace dyt::server
