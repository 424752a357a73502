#pragma once
// The conditions behind the query filter dialog (TfrmXQueryFilter): a column, an operator and a
// value, gathered into a chain that filters or locates the grid's own rows.
//
// A condition compares the cell with the operator's value: as numbers when the column shows
// numbers (a number column compares at its decimal places, as the operator sees the value), as
// text otherwise (letter case ignored, texts ordered by their GBK bytes). The four matching
// operators ("类似于", "左匹配", "右匹配", "不类似于") put "%" around the value; the value itself
// is taken literally, so a "%", "_" or "'" typed by the operator is a plain character. A number
// column is matched on its displayed text; a masked cost column only ever shows "***". An empty
// number cell meets no condition; an empty text cell is the empty text.

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

#include "client/logic/gridcolumn.h"
#include "client/logic/recordsetmodel.h"

namespace dyt {

class GridView;
class RecordSet;

namespace gridfilter {

// By index: 0 "等于", 1 "大于", 2 "小于", 3 "不等于", 4 "大于等于", 5 "小于等于", 6 "类似于",
// 7 "左匹配", 8 "右匹配", 9 "不类似于".
enum class FilterOperator {
    Equal,
    Greater,
    Less,
    NotEqual,
    GreaterEqual,
    LessEqual,
    Like,
    LeftMatch,
    RightMatch,
    NotLike,
};
QStringList filterOperatorTexts();
QString filterOperatorText(FilterOperator op);

// 0 "建立一个新的过滤条件", 1 "在上次查询结果上过滤" (and), 2 "与上次查询结果合并" (or).
enum class FilterScope { New, WithinLast, MergeWithLast };
QStringList filterScopeTexts();

// "AValue 不能为空", " 不支持该类型视图的过滤"
QString emptyValueText();
QString unsupportedViewText();

// The LIKE pattern of a matching operator: "%value%", "value%", "%value"; the value itself for
// the comparing operators.
QString LikePattern(FilterOperator op, const QString& value);

struct QueryCondition {
    QString fieldName;  // the column's bound field
    QString caption;    // the column's caption, for the condition text
    FilterOperator op = FilterOperator::Equal;
    QString value;        // as the operator typed it
    bool orJoin = false;  // joined to the conditions before it with "或者" (else "并且")

    // "(【caption】operator [value])"
    QString text() const;
};

// A chain of conditions, evaluated from left to right: ((c1 join c2) join c3) …, as the operator
// built it step by step.
class QueryFilter {
public:
    // A condition on a column of the grid. Throws DytError "AValue 不能为空" for an empty value,
    // and for a number compared with a text that is no number or a column without a field.
    static QueryCondition makeCondition(const GridDefinition& def, int column, FilterOperator op,
                                        const QString& value);

    // New: the condition alone; WithinLast: the chain and the condition; MergeWithLast: the
    // chain or the condition. An empty chain takes the condition alone.
    void add(const QueryCondition& condition, FilterScope scope);
    void clear() { conditions_.clear(); }
    bool isEmpty() const { return conditions_.isEmpty(); }
    const QList<QueryCondition>& conditions() const { return conditions_; }

    // The conditions as shown, joined with "并且" or "或者".
    QString text() const;

    // A predicate on raw rows of the record set, bound to the columns of the description.
    // Throws DytError when a condition's field is not in the record set.
    RecordSetModel::RowFilter compile(const GridDefinition& def, const RecordSet& records) const;

private:
    QList<QueryCondition> conditions_;
};

// --- acting on a grid
// The filter in force on the grid (empty when none); it lives with the grid's model.
QueryFilter currentQueryFilter(const GridView* grid);

// Adds the condition with the scope and filters the grid's rows by the chain. Throws DytError
// " 不支持该类型视图的过滤" for a grid without a record-set model, and leaves the grid as it was on
// any error.
void applyQueryFilter(GridView* grid, const QueryCondition& condition, FilterScope scope);

// Shows all rows again and forgets the chain.
void clearQueryFilter(GridView* grid);

// Moves the focus to the next row that meets the condition, searching from the row after the
// focused one and wrapping round to the top; returns the row, or -1 (focus unchanged) when no row
// meets it.
int locateRow(GridView* grid, const QueryCondition& condition);

}  // namespace gridfilter
}  // namespace dyt
