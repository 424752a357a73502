#include "client/logic/recordsetmodel.h"

#include <QDate>
#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <limits>

#include "client/logic/gridvalues.h"
#include "common/currency.h"
#include "common/error.h"
#include "common/gbk.h"
#include "common/rounding.h"

namespace dyt {

namespace {

// A number cell's value as a double; Null and text that is no number give nullopt.
std::optional<double> toNumber(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    switch (v.metaType().id()) {
        case QMetaType::Double:
            return v.toDouble();
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            return v.toDouble();
        case QMetaType::Bool:
            return v.toBool() ? 1.0 : 0.0;
        default:
            break;
    }
    if (v.metaType().id() == qMetaTypeId<Currency>())
        return v.value<Currency>().toDouble();
    bool ok = false;
    QString text = v.toString().trimmed();
    text.remove(u',');
    const double d = text.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return d;
}

QString plainText(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return {};
    const int id = v.metaType().id();
    if (id == QMetaType::QString)
        return v.toString();
    if (id == qMetaTypeId<Currency>())
        return v.value<Currency>().toString();
    if (id == QMetaType::Double)
        return floatToStr(v.toDouble());
    if (id == QMetaType::QDate)
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    if (id == QMetaType::QDateTime) {
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    if (id == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (id == QMetaType::QByteArray)
        return {};
    return v.toString();
}

bool isChecked(const QVariant& v) {
    return plainText(v).trimmed() == u"1";
}

}  // namespace

QString rowIndicatorMarker(bool focused, bool marked) {
    if (marked)
        return focused ? QStringLiteral("*→") : QStringLiteral("*  ");
    return focused ? QStringLiteral(" →") : QStringLiteral("   ");
}

RecordSetModel::RecordSetModel(QObject* parent) : QAbstractTableModel(parent) {}

RecordSetModel::~RecordSetModel() = default;

void RecordSetModel::setSource(RecordSet* records, GridDefinition* def) {
    // Check the bindings before anything changes.
    if (records && def) {
        for (const GridColumn& c : def->columns) {
            if (!c.fieldName.isEmpty() && records->fieldIndex(c.fieldName) < 0) {
                throw DytError(QStringLiteral("字段[%1]不存在").arg(c.fieldName));
            }
        }
    }
    beginResetModel();
    records_ = records;
    def_ = def;
    currentRow_ = -1;
    sortColumn_ = -1;
    columnFilters_.clear();
    rebuildColumns();
    rebuildRows();
    invalidateFooter();
    endResetModel();
    Q_EMIT footerChanged();
}

void RecordSetModel::reload() {
    beginResetModel();
    rebuildColumns();
    rebuildRows();
    if (currentRow_ >= rowCount_)
        currentRow_ = rowCount_ - 1;
    invalidateFooter();
    endResetModel();
    Q_EMIT footerChanged();
}

void RecordSetModel::setRowFilter(RowFilter filter) {
    rowFilter_ = std::move(filter);
    reload();
}

void RecordSetModel::rebuildColumns() {
    columns_.clear();
    markField_ = -1;
    if (!def_)
        return;
    columns_.resize(static_cast<size_t>(def_->columns.size()));
    for (int i = 0; i < def_->columns.size(); ++i) {
        const GridColumn& c = def_->columns[i];
        ColumnCache& cache = columns_[static_cast<size_t>(i)];
        cache.field = (records_ && !c.fieldName.isEmpty()) ? records_->fieldIndex(c.fieldName) : -1;
        if (c.isNumber() && !c.masked)
            cache.display = FloatPattern(c.displayPattern);
        // A flag reads the same in every list, whether the server sends it as a boolean or as
        // a number; a check box column shows its box instead.
        const bool booleanField =
            cache.field >= 0 && records_->fields()[cache.field].type == FieldType::Boolean;
        cache.flag = !c.isNumber() && c.editor != EditorKind::CheckBox && (c.flag || booleanField);
    }
    if (records_)
        markField_ = records_->fieldIndex(QStringLiteral("sonnum"));
}

void RecordSetModel::rebuildRows() {
    rows_.clear();
    rows_.shrink_to_fit();
    rowCount_ = 0;
    identityRows_ = true;
    if (!records_)
        return;

    const bool ownOrder = records_->filtered() || records_->recordCount() != records_->rowCount();
    const bool sorted = sortColumn_ >= 0 && sortColumn_ < static_cast<int>(columns_.size()) &&
                        columns_[static_cast<size_t>(sortColumn_)].field >= 0;
    if (!ownOrder && !rowFilter_ && columnFilters_.isEmpty() && !sorted) {
        rowCount_ = records_->rowCount();
        return;
    }
    identityRows_ = false;
    const int visible = records_->recordCount();
    rows_.reserve(static_cast<size_t>(visible));
    if (ownOrder) {
        // Walk the record set's visible rows with its cursor, then put the cursor back.
        const int saved = records_->recNo();
        for (int i = 0; i < visible; ++i) {
            records_->setRecNo(i);
            const int raw = records_->currentRow();
            if (passes(raw))
                rows_.push_back(raw);
        }
        if (saved >= 0 && saved < visible) {
            records_->setRecNo(saved);
        } else if (visible > 0) {
            records_->first();
        }
    } else {
        for (int raw = 0; raw < visible; ++raw) {
            if (passes(raw))
                rows_.push_back(raw);
        }
    }
    rowCount_ = static_cast<int>(rows_.size());
    if (sorted)
        applySort();
}

void RecordSetModel::sort(int column, Qt::SortOrder order) {
    if (column >= static_cast<int>(columns_.size()))
        return;
    // Sorting by a masked cost column would give its values away.
    if (column >= 0 && def_->columns[column].masked)
        return;
    sortColumn_ = column < 0 ? -1 : column;
    sortOrder_ = order;
    reload();
}

void RecordSetModel::applySort() {
    const int field = columns_[static_cast<size_t>(sortColumn_)].field;
    const GridColumn& column = def_->columns[sortColumn_];
    // Keys are computed once per row; nulls sort first in ascending order.
    const FieldType type = records_->fields()[field].type;
    const bool numeric = column.isNumber() || type == FieldType::Integer ||
                         type == FieldType::Float || type == FieldType::Currency ||
                         type == FieldType::Boolean;
    const bool temporal = type == FieldType::Date || type == FieldType::DateTime;
    const bool byNumber = numeric || temporal;
    const size_t n = rows_.size();
    std::vector<char> present(n);
    std::vector<double> numbers(byNumber ? n : 0);
    std::vector<QByteArray> texts(byNumber ? 0 : n);
    for (size_t i = 0; i < n; ++i) {
        const QVariant& v = records_->at(rows_[i], field);
        if (numeric) {
            const std::optional<double> d = toNumber(v);
            present[i] = d.has_value();
            numbers[i] = d.value_or(0);
        } else if (temporal) {
            present[i] = v.isValid() && !v.isNull();
            numbers[i] = type == FieldType::Date
                             ? static_cast<double>(v.toDate().toJulianDay())
                             : static_cast<double>(v.toDateTime().toMSecsSinceEpoch());
        } else {
            present[i] = v.isValid() && !v.isNull();
            texts[i] = gbk::encode(plainText(v));
        }
    }
    auto less = [&](size_t a, size_t b) {
        if (present[a] != present[b])
            return present[a] < present[b];
        if (!present[a])
            return false;
        return byNumber ? numbers[a] < numbers[b] : texts[a] < texts[b];
    };
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = i;
    if (sortOrder_ == Qt::DescendingOrder) {
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return less(b, a); });
    } else {
        std::stable_sort(order.begin(), order.end(), less);
    }
    std::vector<int> sortedRows(n);
    for (size_t i = 0; i < n; ++i)
        sortedRows[i] = rows_[order[i]];
    rows_ = std::move(sortedRows);
}

void RecordSetModel::setColumnFilter(int column, const QString& text) {
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return;
    const QString wanted = text.trimmed();
    if (wanted.isEmpty()) {
        if (columnFilters_.remove(column) == 0)
            return;
    } else {
        if (columnFilters_.value(column) == wanted)
            return;
        columnFilters_.insert(column, wanted);
    }
    reload();
}

QString RecordSetModel::columnFilter(int column) const {
    return columnFilters_.value(column);
}

void RecordSetModel::clearColumnFilters() {
    if (columnFilters_.isEmpty())
        return;
    columnFilters_.clear();
    reload();
}

bool RecordSetModel::passes(int raw) const {
    if (rowFilter_ && !rowFilter_(*records_, raw))
        return false;
    for (auto it = columnFilters_.cbegin(); it != columnFilters_.cend(); ++it) {
        if (it.key() >= static_cast<int>(columns_.size()))
            continue;  // the column is gone
        const int field = columns_[static_cast<size_t>(it.key())].field;
        const QString shown =
            field < 0 ? QString() : formatValue(it.key(), records_->at(raw, field));
        if (!shown.contains(it.value(), Qt::CaseInsensitive))
            return false;
    }
    return true;
}

int RecordSetModel::rawRow(int row) const {
    if (row < 0 || row >= rowCount_)
        return -1;
    return identityRows_ ? row : rows_[static_cast<size_t>(row)];
}

const QVariant* RecordSetModel::cell(int row, int column) const {
    if (!records_ || column < 0 || column >= static_cast<int>(columns_.size()))
        return nullptr;
    const int field = columns_[static_cast<size_t>(column)].field;
    const int raw = rawRow(row);
    if (field < 0 || raw < 0)
        return nullptr;
    return &records_->at(raw, field);
}

QString RecordSetModel::formatValue(int column, const QVariant& value) const {
    const GridColumn& c = def_->columns[column];
    if (!value.isValid() || value.isNull())
        return {};
    if (c.masked)
        return maskedText();
    if (c.isNumber()) {
        const std::optional<double> d = toNumber(value);
        if (!d)
            return plainText(value);
        return columns_[static_cast<size_t>(column)].display.format(*d);
    }
    if (columns_[static_cast<size_t>(column)].flag)
        return gridfilter::flagText(value);
    return plainText(value);
}

QString RecordSetModel::displayText(int row, int column) const {
    const QVariant* v = cell(row, column);
    if (!v)
        return {};
    return formatValue(column, *v);
}

int RecordSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rowCount_;
}

int RecordSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const {
    if (!isCell(index)) {
        return {};
    }
    const GridColumn& c = def_->columns[index.column()];
    switch (role) {
        case Qt::DisplayRole: {
            if (c.editor == EditorKind::CheckBox)
                return {};
            return displayText(index.row(), index.column());
        }
        case Qt::EditRole: {
            const QVariant* v = cell(index.row(), index.column());
            if (c.masked)
                return maskedText();
            if (!v)
                return {};
            if (c.editor == EditorKind::CheckBox) {
                return isChecked(*v) ? QStringLiteral("1") : QStringLiteral("0");
            }
            if (c.isNumber()) {
                const std::optional<double> d = toNumber(*v);
                return d ? QVariant(*d) : QVariant();
            }
            return plainText(*v);
        }
        case Qt::CheckStateRole: {
            if (c.editor != EditorKind::CheckBox)
                return {};
            const QVariant* v = cell(index.row(), index.column());
            return static_cast<int>((v && isChecked(*v)) ? Qt::Checked : Qt::Unchecked);
        }
        case Qt::TextAlignmentRole:
            return static_cast<int>(c.alignment.toInt());
        case RawValueRole: {
            const QVariant* v = cell(index.row(), index.column());
            if (c.masked)
                return maskedText();
            return v ? *v : QVariant();
        }
        default:
            return {};
    }
}

bool RecordSetModel::isCell(const QModelIndex& index) const {
    return index.isValid() && index.model() == this && index.row() < rowCount_ &&
           index.column() < static_cast<int>(columns_.size());
}

Qt::ItemFlags RecordSetModel::flags(const QModelIndex& index) const {
    if (!isCell(index)) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const GridColumn& c = def_->columns[index.column()];
    const bool writable = c.editable && !c.masked && columns_[index.column()].field >= 0;
    if (writable) {
        f |= (c.editor == EditorKind::CheckBox) ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable;
    }
    return f;
}

bool RecordSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!isCell(index)) {
        return false;
    }
    if (!(flags(index) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable)))
        return false;
    const GridColumn& c = def_->columns[index.column()];
    QVariant stored;
    if (c.editor == EditorKind::CheckBox) {
        if (role == Qt::CheckStateRole) {
            stored = value.toInt() == static_cast<int>(Qt::Checked) ? QStringLiteral("1")
                                                                    : QStringLiteral("0");
        } else if (role == Qt::EditRole) {
            const QString t = plainText(value).trimmed();
            if (t != u"1" && t != u"0")
                return false;
            stored = t;
        } else {
            return false;
        }
    } else {
        if (role != Qt::EditRole)
            return false;
        if (c.isNumber()) {
            if (!value.isValid() || plainText(value).trimmed().isEmpty()) {
                stored = QVariant();
            } else {
                const std::optional<double> d = toNumber(value);
                if (!d || !std::isfinite(*d))
                    return false;
                if (c.maxValue > 0 && std::fabs(*d) > c.maxValue)
                    return false;
                stored = roundTo(*d, c.decimals);
            }
        } else {
            stored = value;
        }
    }
    return writeCell(index.row(), index.column(), stored);
}

bool RecordSetModel::writeCell(int row, int column, const QVariant& value) {
    const int raw = rawRow(row);
    const int field = columns_[static_cast<size_t>(column)].field;
    try {
        records_->setAt(raw, field, value);
    } catch (const DytError&) {
        return false;  // a value the field cannot hold leaves the cell as it was
    }
    // Every column bound to the same field shows the new value.
    for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
        if (columns_[static_cast<size_t>(c)].field == field) {
            const QModelIndex i = this->index(row, c);
            Q_EMIT dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole, Qt::CheckStateRole});
        }
    }
    invalidateFooter();
    Q_EMIT footerChanged();
    return true;
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= static_cast<int>(columns_.size()))
            return {};
        const GridColumn& c = def_->columns[section];
        switch (role) {
            case Qt::DisplayRole:
                return c.caption;
            case Qt::TextAlignmentRole:
                return static_cast<int>(c.headerAlignment.toInt());
            default:
                return {};
        }
    }
    if (section < 0 || section >= rowCount_)
        return {};
    if (role == Qt::DisplayRole)
        return rowIndicatorText(section);
    if (role == Qt::TextAlignmentRole) {
        return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

void RecordSetModel::setCurrentRow(int row) {
    if (row < -1 || row >= rowCount_)
        row = -1;
    if (row == currentRow_)
        return;
    const int old = currentRow_;
    currentRow_ = row;
    if (old >= 0)
        Q_EMIT headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0)
        Q_EMIT headerDataChanged(Qt::Vertical, row, row);
}

QString RecordSetModel::rowIndicatorText(int row) const {
    if (row < 0 || row >= rowCount_)
        return {};
    bool marked = false;
    if (markField_ >= 0) {
        const std::optional<double> n = toNumber(records_->at(rawRow(row), markField_));
        marked = n && *n > 0;
    }
    return rowIndicatorMarker(row == currentRow_, marked) + QString::number(row + 1);
}

bool RecordSetModel::footerVisible() const {
    return def_ && def_->footerVisible;
}

void RecordSetModel::invalidateFooter() {
    footerValid_ = false;
}

void RecordSetModel::computeFooter() const {
    footer_.assign(columns_.size(), std::nullopt);
    if (!def_) {
        footerValid_ = true;
        return;
    }
    struct Acc {
        int column;
        int field;
        SummaryKind kind;
        double sum = 0;
        double max = -std::numeric_limits<double>::infinity();
        double min = std::numeric_limits<double>::infinity();
        long long values = 0;
    };
    std::vector<Acc> accs;
    for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
        const SummaryKind kind = def_->columns[c].summary;
        if (kind == SummaryKind::None)
            continue;
        if (kind == SummaryKind::Count) {
            footer_[static_cast<size_t>(c)] = static_cast<double>(rowCount_);
            continue;
        }
        accs.push_back({c, columns_[static_cast<size_t>(c)].field, kind});
    }
    if (!accs.empty() && records_) {
        for (int row = 0; row < rowCount_; ++row) {
            const int raw = rawRow(row);
            for (Acc& a : accs) {
                if (a.field < 0)
                    continue;
                const std::optional<double> d = toNumber(records_->at(raw, a.field));
                if (!d)
                    continue;
                a.sum += *d;
                if (*d > a.max)
                    a.max = *d;
                if (*d < a.min)
                    a.min = *d;
                ++a.values;
            }
        }
    }
    for (const Acc& a : accs) {
        std::optional<double> result;
        switch (a.kind) {
            case SummaryKind::Sum:
                result = a.sum;
                break;
            case SummaryKind::Max:
                if (a.values > 0)
                    result = a.max;
                break;
            case SummaryKind::Min:
                if (a.values > 0)
                    result = a.min;
                break;
            case SummaryKind::Avg:
                if (a.values > 0)
                    result = a.sum / static_cast<double>(a.values);
                break;
            case SummaryKind::Count:
            case SummaryKind::None:
                break;
        }
        footer_[static_cast<size_t>(a.column)] = result;
    }
    footerValid_ = true;
}

std::optional<double> RecordSetModel::footerValue(int column) const {
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return std::nullopt;
    if (!footerValid_)
        computeFooter();
    return footer_[static_cast<size_t>(column)];
}

QString RecordSetModel::footerText(int column) const {
    const std::optional<double> v = footerValue(column);
    if (!v)
        return {};
    const GridColumn& c = def_->columns[column];
    return formatFloatFooter(c.summaryFormat, c.summaryPrefix, *v);
}

Qt::Alignment RecordSetModel::footerAlignment(int column) const {
    if (!def_ || column < 0 || column >= def_->columns.size())
        return Qt::AlignLeft;
    return def_->columns[column].footerAlignment;
}

}  // namespace dyt
