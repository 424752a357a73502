#pragma once
// A table model over a RecordSet and the column descriptions of a grid.
//
// The model is virtual: it keeps no object per cell. The number patterns of the columns are
// parsed once when the source is set; display texts are computed when the view asks for them.
// Model rows are the record set's visible rows (those that pass its filter, in its order),
// narrowed further by the grid's own row filter when one is set.

#include <QAbstractTableModel>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>
#include <vector>

#include "client/logic/gridcolumn.h"
#include "common/formatting.h"
#include "common/recordset.h"

namespace dyt {

// The row indicator's marker: "*" for a category row (sonnum above 0), "→" for the focused row:
// "*→", "*  ", " →", "   ".
QString rowIndicatorMarker(bool focused, bool marked);

class RecordSetModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Raw value of the cell, before any formatting (Qt::EditRole gives the same for unmasked
    // cells).
    static constexpr int RawValueRole = Qt::UserRole + 1;

    explicit RecordSetModel(QObject* parent = nullptr);
    ~RecordSetModel() override;

    // Shows the record set with the columns of the view description. Neither is owned; both must
    // outlive the model or be replaced first. Throws DytError when a column names a field the
    // record set lacks. After changing the columns of the description, call reload().
    void setSource(RecordSet* records, GridDefinition* def);
    RecordSet* records() const { return records_; }
    const GridDefinition* definition() const { return def_; }
    // The same description for changing its columns in place (column configuration, layouts);
    // call reload() afterwards.
    GridDefinition* editableDefinition() const { return def_; }

    // Rebuilds the rows after the record set changed outside the model (rows added or removed,
    // filter or order changed).
    void reload();

    // The grid's own row filter (filter row, query filter): a predicate on raw row indexes of the
    // record set. An empty function shows every visible row of the record set.
    using RowFilter = std::function<bool(const RecordSet&, int rawRow)>;
    void setRowFilter(RowFilter filter);

    // Sorts the shown rows by a column's values (Null first, numbers by value, dates by date,
    // text by its GBK bytes); stable, so equal values keep the record set's order. A column of -1
    // puts the record set's order back. The order is kept through reload(). A masked column is
    // not sorted.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return sortOrder_; }

    // The filter row: a row is shown when the display text of every filtered column contains
    // the column's filter text (letter case ignored; a masked column only shows "***"). An empty
    // text removes the column's filter. Combined with the row filter above.
    void setColumnFilter(int column, const QString& text);
    QString columnFilter(int column) const;
    void clearColumnFilters();

    // Index into the record set's raw storage of a model row.
    int rawRow(int row) const;

    // --- row indicator
    void setCurrentRow(int row);  // -1: none
    int currentRow() const { return currentRow_; }
    QString rowIndicatorText(int row) const;  // marker followed by the row number

    // --- footer
    bool footerVisible() const;
    // The summary value of a column over the model's rows; std::nullopt when the column has no
    // summary or (maximum, minimum, average) no value to summarise.
    std::optional<double> footerValue(int column) const;
    QString footerText(int column) const;
    Qt::Alignment footerAlignment(int column) const;

    // The display text of a cell, as the view shows it.
    QString displayText(int row, int column) const;

    // --- QAbstractItemModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    void footerChanged();

private:
    struct ColumnCache {
        int field = -1;  // field index in the record set, -1 when unbound
        FloatPattern display;
        bool flag = false;  // shown "是"/"否"
    };

    bool isCell(const QModelIndex& index) const;
    bool passes(int rawRow) const;
    void applySort();
    void rebuildRows();
    void rebuildColumns();
    void invalidateFooter();
    void computeFooter() const;
    const QVariant* cell(int row, int column) const;
    QString formatValue(int column, const QVariant& value) const;
    bool writeCell(int row, int column, const QVariant& value);

    RecordSet* records_ = nullptr;
    GridDefinition* def_ = nullptr;
    RowFilter rowFilter_;
    QMap<int, QString> columnFilters_;
    bool identityRows_ = true;  // model row == raw row
    std::vector<int> rows_;     // raw rows when not identity
    int rowCount_ = 0;
    int currentRow_ = -1;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    int markField_ = -1;  // "sonnum"
    std::vector<ColumnCache> columns_;

    mutable bool footerValid_ = false;
    mutable std::vector<std::optional<double>> footer_;
};

}  // namespace dyt
