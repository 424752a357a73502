#include "client/common/gridcolconfig.h"

#include <QMap>
#include <QTableView>

#include <algorithm>
#include <numeric>

#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "common/error.h"

namespace dyt::gridfilter {

int columnIdentity(const GridDefinition& def, const GridColumn& column) {
    if (column.tag != 0)
        return column.tag;
    return def.allowHideColumns ? kHideableColumnIdentity : kFixedColumnIdentity;
}

GridColumnExData& columnExData(GridColumn& column) {
    if (!column.exData)
        throw DytError(QStringLiteral("数据结构的类型不是TgxGridColumnExData，请查证原因"));
    return *column.exData;
}

const GridColumnExData& columnExData(const GridColumn& column) {
    if (!column.exData)
        throw DytError(QStringLiteral("数据结构的类型不是TgxGridColumnExData，请查证原因"));
    return *column.exData;
}

QString noVisibleColumnText() {
    return QStringLiteral("至少显示一列");
}

QString emptyCaptionText() {
    return QStringLiteral("显示标签不能空字符串");
}

ColumnConfig::ColumnConfig(const GridDefinition& def) {
    columnCount_ = static_cast<int>(def.columns.size());
    openingCaptions_.reserve(columnCount_);
    designIndex_.reserve(columnCount_);
    for (int i = 0; i < columnCount_; ++i) {
        const GridColumn& c = def.columns[i];
        const GridColumnExData& ex = columnExData(c);
        designIndex_.append(ex.designIndex);
        openingCaptions_.append(c.caption);
        const int identity = columnIdentity(def, c);
        // The list is filtered with " Tag<>'-1' ": fixed columns are not offered.
        if (identity == kFixedColumnIdentity)
            continue;
        Row row;
        row.column = i;
        row.no = QString::asprintf("%.03d", i + 1);
        SplitCaptionTags(c.captionText, nullptr, &row.name);
        row.visName = c.caption;
        row.visible = c.visible;
        row.print = ex.print;
        row.tag = identity;
        rows_.append(row);
    }
}

void ColumnConfig::setCaption(int row, const QString& caption) {
    if (row < 0 || row >= rowCount())
        return;
    if (caption.trimmed().isEmpty())
        throw DytError(emptyCaptionText());
    rows_[row].visName = caption;
}

void ColumnConfig::setVisible(int row, bool visible) {
    if (row >= 0 && row < rowCount())
        rows_[row].visible = visible;
}

void ColumnConfig::setPrint(int row, bool print) {
    if (row >= 0 && row < rowCount())
        rows_[row].print = print;
}

void ColumnConfig::moveRow(int from, int to) {
    if (from < 0 || from >= rowCount() || to < 0 || to >= rowCount() || from == to)
        return;
    rows_.move(from, to);
    defaultOrder_ = false;
}

void ColumnConfig::setUseDefaultCaptions(bool on) {
    defaultCaptions_ = on;
    for (Row& r : rows_)
        r.visName = on ? r.name : openingCaptions_[r.column];
}

void ColumnConfig::setUseDefaultOrder(bool on) {
    defaultOrder_ = on;
    sortRowsBy(on);
}

void ColumnConfig::sortRowsBy(bool designed) {
    std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
        if (designed)
            return designIndex_[a.column] < designIndex_[b.column];
        return a.column < b.column;
    });
}

void ColumnConfig::validate() const {
    for (const Row& r : rows_) {
        if (r.visName.trimmed().isEmpty())
            throw DytError(emptyCaptionText());
    }
    const bool anyVisible =
        std::any_of(rows_.cbegin(), rows_.cend(), [](const Row& r) { return r.visible; });
    if (!anyVisible)
        throw DytError(noVisibleColumnText());
}

QList<int> ColumnConfig::apply(GridDefinition& def) const {
    validate();
    if (def.columns.size() != columnCount_) {
        throw DytError(QStringLiteral("表格的列已改变（原有 %1 列，现有 %2 列），请重新配置")
                           .arg(columnCount_)
                           .arg(def.columns.size()));
    }
    for (const GridColumn& c : def.columns)
        columnExData(c);  // every column must carry its data before anything changes

    QList<GridColumn> columns = def.columns;
    for (const Row& r : rows_) {
        GridColumn& c = columns[r.column];
        c.caption = r.visName;
        c.visible = r.visible;
        c.exData->print = r.print;
    }

    // order[newPosition] = old position
    QList<int> order(columnCount_);
    std::iota(order.begin(), order.end(), 0);
    if (defaultOrder_) {
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return designIndex_[a] < designIndex_[b]; });
    } else {
        // The listed columns take the places the listed columns held, in the list's order; the
        // columns not offered stay where they are.
        QList<int> slots;
        slots.reserve(rows_.size());
        for (const Row& r : rows_)
            slots.append(r.column);
        std::sort(slots.begin(), slots.end());
        for (int k = 0; k < slots.size(); ++k)
            order[slots[k]] = rows_[k].column;
    }

    QList<GridColumn> ordered;
    ordered.reserve(columnCount_);
    for (int old : order)
        ordered.append(columns[old]);
    def.columns = std::move(ordered);
    return order;
}

void applyColumnConfig(GridView* grid, const ColumnConfig& config) {
    RecordSetModel* model = grid ? grid->model() : nullptr;
    GridDefinition* def = model ? model->editableDefinition() : nullptr;
    if (!def)
        throw DytError(QStringLiteral(" 不支持该类型视图的列配置"));

    // Keep the sort and the filter-row texts with their columns.
    const int sortColumn = model->sortColumn();
    const Qt::SortOrder sortOrder = model->sortOrder();
    QMap<int, QString> filters;
    for (int c = 0; c < def->columns.size(); ++c) {
        const QString text = model->columnFilter(c);
        if (!text.isEmpty())
            filters.insert(c, text);
    }

    const QList<int> order = config.apply(*def);  // throws before anything changed

    QList<int> newPlace(order.size());
    bool moved = false;
    for (int n = 0; n < order.size(); ++n) {
        newPlace[order[n]] = n;
        moved = moved || order[n] != n;
    }
    if (!moved) {
        model->reload();
    } else {
        const int current = model->currentRow();
        model->setSource(model->records(), def);
        for (auto it = filters.cbegin(); it != filters.cend(); ++it)
            model->setColumnFilter(newPlace[it.key()], it.value());
        if (sortColumn >= 0 && sortColumn < newPlace.size())
            model->sort(newPlace[sortColumn], sortOrder);
        if (current >= 0 && current < model->rowCount())
            grid->table()->setCurrentIndex(model->index(current, 0));
    }
    grid->applyColumns();
}

}  // namespace dyt::gridfilter
