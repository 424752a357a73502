#pragma once
// A table view over a RecordSetModel with the band captions above its header (banded grids), the
// filter row and the footer row of the summaries under it. The widget only lays out and paints;
// texts, values and filtering live in the model.

#include <QList>
#include <QPointer>
#include <QWidget>

#include "client/logic/recordsetmodel.h"

class QLineEdit;
class QModelIndex;
class QTableView;

namespace dyt {

class GridBandHeader;
class GridFilterBar;
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
    QWidget* bandHeader() const;
    GridFilterBar* filterRow() const { return filter_; }

    // The filter row above the table (off by default); only for views that allow filtering.
    void setFilterRowVisible(bool visible);

    // Applies widths and visibility of the column descriptions again (after a layout change): a
    // column shows when it is visible and its band, if the grid has bands, is visible. A shown
    // column is widened to what its content needs (contentWidth) when its described width is
    // smaller.
    void applyColumns();

    // The width a column's content needs in this view's fonts: its caption, its footer text and
    // its widest cell text among the rows (every row of a small grid; the first and the last
    // kFitSampleRows of a large one). Numbers and short codes count in full; longer free text
    // (names, remarks) at most kTextColumnMaxChars Chinese characters, and not at all when the
    // operator stored the column's width.
    int contentWidth(int column) const;
    static constexpr int kFitSampleRows = 300;
    static constexpr int kTextColumnMaxChars = 20;
    static constexpr int kMeasuredTexts = 16;  // the widest-looking texts measured per column

Q_SIGNALS:
    // The button of a button-editor column was pressed.
    void buttonClicked(const QModelIndex& index);

private:
    void onCurrentChanged();
    void updateStrips();
    // Widens shown columns that are narrower than their footer text, or than the cells of the
    // rows first..last.
    void widenToFooter();
    void widenToCells(int first, int last, int left, int right);
    int cellWidth(int row, int column, bool* freeText) const;
    int freeTextCap(int column) const;  // the most free text may widen the column to

    QTableView* table_ = nullptr;
    GridBandHeader* bands_ = nullptr;
    GridFilterBar* filter_ = nullptr;
    GridFooterBar* footer_ = nullptr;
    GridItemDelegate* delegate_ = nullptr;
    // Not owned: a window may destroy its model before its grid, so the pointer follows it.
    QPointer<RecordSetModel> model_;
    bool filterRowWanted_ = false;
};

// A strip lined up with the table's header sections (band captions, filter row, footer row).
class GridStrip : public QWidget {
    Q_OBJECT

public:
    GridStrip(QTableView* table, QWidget* parent = nullptr);
    virtual void setModel(RecordSetModel* model);
    QSize sizeHint() const override;

protected:
    // Left edge of a column in this strip's coordinates, and its width.
    int columnX(int column) const;
    int columnWidth(int column) const;
    bool columnShown(int column) const;
    int firstX() const;  // where the header sections start
    virtual void relayout() {}

    QTableView* table_;
    // Not owned: a window may destroy its model before its grid, so the pointer follows it.
    QPointer<RecordSetModel> model_;
};

// The band captions above the column header.
class GridBandHeader : public GridStrip {
    Q_OBJECT

public:
    using GridStrip::GridStrip;
    // The span of a band over its shown columns (x, width in strip coordinates); width 0 when no
    // column of the band shows.
    QPair<int, int> bandSpan(int band) const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// One text box per column; a text entered (Enter or leaving the box) filters the rows.
class GridFilterBar : public GridStrip {
    Q_OBJECT

public:
    using GridStrip::GridStrip;
    void setModel(RecordSetModel* model) override;
    QLineEdit* editor(int column) const { return editors_.value(column); }

protected:
    void relayout() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild();
    QList<QLineEdit*> editors_;
};

// The footer row: one summary text per column.
class GridFooterBar : public GridStrip {
    Q_OBJECT

public:
    using GridStrip::GridStrip;
    void setModel(RecordSetModel* model) override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace dyt
