#pragma once
// Cell editors of the grid by the column's editor kind: a number editor with the column's places
// and maximum, a date editor, a text editor with a button, a plain text editor. Check columns
// need no editor: the view toggles their check state.

#include <QList>
#include <QPersistentModelIndex>
#include <QPointer>
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
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

    // The editor open in the view, nullptr when none.
    QWidget* openEditor() const;
    // Closes the open editor (its text committed first when `commit`), as the view would after
    // leaving the cell. A window calls it before it replaces the rows under the view.
    void closeOpenEditor(bool commit);

Q_SIGNALS:
    // The button of a button-editor column was pressed while editing the cell.
    void buttonClicked(const QModelIndex& index);
    // Enter or Return closed the editor of the cell after its text was committed. A window walks
    // on from here; the view itself does not move.
    void editorReturned(const QModelIndex& index);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    static const GridColumn* columnOf(const QModelIndex& index);
    QWidget* makeEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const;
    bool isOpen(const QWidget* editor) const;

    struct OpenEditor {
        QPointer<QWidget> editor;
        QPersistentModelIndex index;
    };
    // The editors created and not yet destroyed (a view keeps at most one open).
    mutable QList<OpenEditor> editors_;
};

}  // namespace dyt
