#pragma once
// A table view over a RecordSetModel with the footer row of the summaries under it. The widget
// only lays out and paints; texts and values come from the model.

#include <QWidget>

class QModelIndex;
class QTableView;

namespace dyt {

class RecordSetModel;
class GridFooterBar;
class GridItemDelegate;

class GridView : public QWidget {
    Q_OBJECT

public:
    explicit GridView(QWidget* parent = nullptr);
    ~GridView() override;

    // Shows the model (not owned) and applies its columns' widths and visibility.
    void setModel(RecordSetModel* model);
    RecordSetModel* model() const { return model_; }
    QTableView* table() const { return table_; }
    QWidget* footer() const;

    // Applies widths and visibility of the column descriptions again (after a layout change).
    void applyColumns();

Q_SIGNALS:
    // The button of a button-editor column was pressed.
    void buttonClicked(const QModelIndex& index);

private:
    void onCurrentChanged();
    void updateFooterVisibility();

    QTableView* table_ = nullptr;
    GridFooterBar* footer_ = nullptr;
    GridItemDelegate* delegate_ = nullptr;
    RecordSetModel* model_ = nullptr;
};

// The footer row: one cell per column, lined up with the table's header sections.
class GridFooterBar : public QWidget {
    Q_OBJECT

public:
    GridFooterBar(QTableView* table, QWidget* parent = nullptr);
    void setModel(RecordSetModel* model);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTableView* table_;
    RecordSetModel* model_ = nullptr;
};

}  // namespace dyt
