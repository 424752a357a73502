#pragma once
// Cell editors of the grid by the column's editor kind: a number editor with the column's places
// and maximum, a date editor, a text editor with a button, a plain text editor. Check columns
// need no editor: the view toggles their check state.

#include <QStyledItemDelegate>

namespace dyt {

struct GridColumn;

class GridItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit GridItemDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

Q_SIGNALS:
    // The button of a button-editor column was pressed while editing the cell.
    void buttonClicked(const QModelIndex& index);

private:
    static const GridColumn* columnOf(const QModelIndex& index);
};

}  // namespace dyt
