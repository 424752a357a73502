#include "client/common/queryfilter.h"

#include <QTableView>

#include <cmath>

#include "client/common/gridview.h"
#include "client/logic/gridvalues.h"
#include "common/error.h"
#include "common/formatting.h"
#include "common/gbk.h"
#include "common/recordset.h"

namespace dyt::gridfilter {

namespace {

bool isMatching(FilterOperator op) {
    return op == FilterOperator::Like || op == FilterOperator::LeftMatch ||
           op == FilterOperator::RightMatch || op == FilterOperator::NotLike;
}

bool isNumericField(FieldType type) {
    return type == FieldType::Integer || type == FieldType::Float || type == FieldType::Currency;
}

std::optional<double> typedNumber(const QString& value) {
    QString text = value.trimmed();
    text.remove(u',');
    bool ok = false;
    const double d = text.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

template <typename T>
bool compare(FilterOperator op, const T& cell, const T& wanted) {
    switch (op) {
        case FilterOperator::Equal:
            return cell == wanted;
        case FilterOperator::Greater:
            return cell > wanted;
        case FilterOperator::Less:
            return cell < wanted;
        case FilterOperator::NotEqual:
            return cell != wanted;
        case FilterOperator::GreaterEqual:
            return cell >= wanted;
        case FilterOperator::LessEqual:
            return cell <= wanted;
        default:
            return false;
    }
}

// One condition bound to a field of the record set.
struct Compiled {
    QString fieldName;
    int field = -1;
    FilterOperator op = FilterOperator::Equal;
    bool orJoin = false;
    bool masked = false;
    bool numberColumn = false;  // a number column of the grid: compared as displayed
    bool numeric = false;       // comparing operator on numbers
    int decimals = 2;
    QString displayPattern;
    FloatPattern display;
    double number = 0;
    QString needle;          // the value, lower case
    QByteArray needleBytes;  // its GBK bytes, for ordering

    QString shownText(const QVariant& v) const {
        if (masked)
            return v.isValid() && !v.isNull() ? maskedText() : QString();
        if (numberColumn) {
            const std::optional<double> d = cellNumber(v);
            return d ? display.format(*d) : CellText(v);
        }
        return CellText(v);
    }

    bool test(const QVariant& v) const {
        if (numeric) {
            std::optional<double> d = cellNumber(v);
            if (!d)
                return false;
            if (numberColumn)
                d = displayedNumber(displayPattern, *d, decimals);
            return compare(op, *d, number);
        }
        if (numberColumn && !masked && (!v.isValid() || v.isNull()))
            return false;
        const QString text = shownText(v);
        switch (op) {
            case FilterOperator::Like:
                return text.contains(needle, Qt::CaseInsensitive);
            case FilterOperator::LeftMatch:
                return text.startsWith(needle, Qt::CaseInsensitive);
            case FilterOperator::RightMatch:
                return text.endsWith(needle, Qt::CaseInsensitive);
            case FilterOperator::NotLike:
                return !text.contains(needle, Qt::CaseInsensitive);
            case FilterOperator::Equal:
                return text.compare(needle, Qt::CaseInsensitive) == 0;
            case FilterOperator::NotEqual:
                return text.compare(needle, Qt::CaseInsensitive) != 0;
            default:
                break;
        }
        return compare(op, gbk::encode(text.toLower()), needleBytes);
    }
};

struct CompiledChain {
    QList<Compiled> items;

    // The field of an item in this record set; looked up again when the record set's fields
    // changed since the chain was bound.
    static int fieldOf(Compiled& c, const RecordSet& rs) {
        if (c.field < 0 || c.field >= rs.fieldCount() ||
            rs.field(c.field).name.compare(c.fieldName, Qt::CaseInsensitive) != 0) {
            c.field = rs.fieldIndex(c.fieldName);
        }
        return c.field;
    }

    bool matches(const RecordSet& rs, int raw) {
        bool result = false;
        for (int i = 0; i < items.size(); ++i) {
            Compiled& c = items[i];
            const bool joinOr = i > 0 && c.orJoin;
            // Left to right, ((c1 and c2) or c3) …: an item that cannot change the result so far
            // is skipped.
            if (i > 0 && joinOr && result)
                continue;
            if (i > 0 && !joinOr && !result)
                continue;
            const int field = fieldOf(c, rs);
            result = field >= 0 && c.test(rs.at(raw, field));
        }
        return result;
    }
};

Compiled compileOne(const QueryCondition& q, const GridDefinition& def, const RecordSet& rs) {
    Compiled c;
    c.fieldName = q.fieldName;
    c.field = rs.fieldIndex(q.fieldName);
    if (c.field < 0)
        throw DytError(QStringLiteral("字段[%1]不存在").arg(q.fieldName));
    c.op = q.op;
    c.orJoin = q.orJoin;
    const int column = def.columnIndex(q.fieldName);
    const GridColumn* gc = column >= 0 ? &def.columns[column] : nullptr;
    c.masked = gc && gc->masked;
    c.numberColumn = gc && gc->isNumber() && !c.masked;
    if (c.numberColumn) {
        c.decimals = gc->decimals;
        c.displayPattern = gc->displayPattern;
        c.display = FloatPattern(gc->displayPattern);
    }
    const QString value = q.value.trimmed();
    c.needle = value.toLower();
    c.needleBytes = gbk::encode(c.needle);
    if (!isMatching(q.op) && !c.masked) {
        const std::optional<double> n = typedNumber(value);
        if (c.numberColumn || (n && isNumericField(rs.field(c.field).type))) {
            if (!n) {
                throw DytError(
                    QStringLiteral("【%1】是数值列，[%2] 不是数值").arg(q.caption, q.value));
            }
            c.numeric = true;
            c.number = *n;
        }
    }
    return c;
}

// The query filter of a grid lives as a child of its model.
class FilterState : public QObject {
public:
    explicit FilterState(QObject* parent) : QObject(parent) {
        setObjectName(QStringLiteral("queryFilterState"));
    }
    QueryFilter filter;
};

FilterState* findState(const RecordSetModel* model) {
    if (!model)
        return nullptr;
    for (QObject* child : model->children()) {
        if (auto* s = dynamic_cast<FilterState*>(child))
            return s;
    }
    return nullptr;
}

FilterState* stateFor(RecordSetModel* model) {
    FilterState* s = findState(model);
    return s ? s : new FilterState(model);
}

RecordSetModel* filterableModel(const GridView* grid) {
    RecordSetModel* model = grid ? grid->model() : nullptr;
    if (!model || !model->records() || !model->definition())
        throw DytError(unsupportedViewText());
    return model;
}

}  // namespace

QStringList filterOperatorTexts() {
    return {QStringLiteral("等于"),    QStringLiteral("大于"),     QStringLiteral("小于"),
            QStringLiteral("不等于"),  QStringLiteral("大于等于"), QStringLiteral("小于等于"),
            QStringLiteral("类似于"),  QStringLiteral("左匹配"),   QStringLiteral("右匹配"),
            QStringLiteral("不类似于")};
}

QString filterOperatorText(FilterOperator op) {
    return filterOperatorTexts().value(static_cast<int>(op));
}

QStringList filterScopeTexts() {
    return {QStringLiteral("建立一个新的过滤条件"), QStringLiteral("在上次查询结果上过滤"),
            QStringLiteral("与上次查询结果合并")};
}

QString emptyValueText() {
    return QStringLiteral("AValue 不能为空");
}

QString unsupportedViewText() {
    return QStringLiteral(" 不支持该类型视图的过滤");
}

QString LikePattern(FilterOperator op, const QString& value) {
    switch (op) {
        case FilterOperator::Like:
        case FilterOperator::NotLike:
            return u'%' + value + u'%';
        case FilterOperator::LeftMatch:
            return value + u'%';
        case FilterOperator::RightMatch:
            return u'%' + value;
        default:
            return value;
    }
}

QString QueryCondition::text() const {
    return QStringLiteral("(【%1】%2 [%3])").arg(caption, filterOperatorText(op), value);
}

QueryCondition QueryFilter::makeCondition(const GridDefinition& def, int column, FilterOperator op,
                                          const QString& value) {
    if (value.trimmed().isEmpty())
        throw DytError(emptyValueText());
    if (column < 0 || column >= def.columns.size())
        throw DytError(QStringLiteral("列索引越界 %1").arg(column));
    const GridColumn& c = def.columns[column];
    if (c.fieldName.isEmpty())
        throw DytError(QStringLiteral("【%1】没有数据，不能过滤").arg(c.caption));
    const int opIndex = static_cast<int>(op);
    if (opIndex < 0 || opIndex > static_cast<int>(FilterOperator::NotLike))
        throw DytError(QStringLiteral("不支持的过滤条件 %1").arg(opIndex));
    if (c.isNumber() && !c.masked && !isMatching(op) && !typedNumber(value)) {
        throw DytError(QStringLiteral("【%1】是数值列，[%2] 不是数值").arg(c.caption, value));
    }
    QueryCondition q;
    q.fieldName = c.fieldName;
    q.caption = c.caption;
    q.op = op;
    q.value = value.trimmed();
    return q;
}

void QueryFilter::add(const QueryCondition& condition, FilterScope scope) {
    QueryCondition c = condition;
    if (scope == FilterScope::New || conditions_.isEmpty()) {
        conditions_.clear();
        c.orJoin = false;
    } else {
        c.orJoin = scope == FilterScope::MergeWithLast;
    }
    conditions_.append(c);
}

QString QueryFilter::text() const {
    QString out;
    for (int i = 0; i < conditions_.size(); ++i) {
        if (i > 0)
            out += conditions_[i].orJoin ? QStringLiteral("或者") : QStringLiteral("并且");
        out += conditions_[i].text();
    }
    return out;
}

RecordSetModel::RowFilter QueryFilter::compile(const GridDefinition& def,
                                               const RecordSet& records) const {
    if (conditions_.isEmpty())
        return {};
    auto chain = std::make_shared<CompiledChain>();
    for (const QueryCondition& q : conditions_)
        chain->items.append(compileOne(q, def, records));
    return [chain](const RecordSet& rs, int raw) { return chain->matches(rs, raw); };
}

QueryFilter currentQueryFilter(const GridView* grid) {
    const FilterState* s = findState(grid ? grid->model() : nullptr);
    return s ? s->filter : QueryFilter();
}

void applyQueryFilter(GridView* grid, const QueryCondition& condition, FilterScope scope) {
    RecordSetModel* model = filterableModel(grid);
    QueryFilter next = currentQueryFilter(grid);
    next.add(condition, scope);
    RecordSetModel::RowFilter predicate = next.compile(*model->definition(), *model->records());
    stateFor(model)->filter = next;
    model->setRowFilter(std::move(predicate));
}

void clearQueryFilter(GridView* grid) {
    RecordSetModel* model = grid ? grid->model() : nullptr;
    if (!model)
        return;
    if (FilterState* s = findState(model))
        s->filter.clear();
    model->setRowFilter({});
}

int locateRow(GridView* grid, const QueryCondition& condition) {
    RecordSetModel* model = filterableModel(grid);
    QueryFilter one;
    one.add(condition, FilterScope::New);
    const RecordSetModel::RowFilter test = one.compile(*model->definition(), *model->records());
    const int rows = model->rowCount();
    if (rows == 0)
        return -1;
    const QModelIndex current = grid->table()->currentIndex();
    const int start = current.isValid() ? current.row() + 1 : 0;
    for (int k = 0; k < rows; ++k) {
        const int row = (start + k) % rows;
        if (test(*model->records(), model->rawRow(row))) {
            const int column = current.isValid() ? current.column() : 0;
            const QModelIndex target = model->index(row, column);
            grid->table()->setCurrentIndex(target);
            grid->table()->scrollTo(target);
            return row;
        }
    }
    return -1;
}

}  // namespace dyt::gridfilter
