#pragma once
// The choice behind the column configuration dialog ("表格列配置"): which columns of a grid are
// offered, their captions, visibility, print flags and order, and how the choice is applied to the
// grid's column descriptions. No widgets here, so the rules can be driven without an event loop.

#include <QList>
#include <QString>

#include "client/logic/gridcolumn.h"

namespace dyt {

class GridView;

namespace gridfilter {

// The identity of a column in the layouts and in the column configuration: its tag value, or for
// a column with tag value 0: 111 when the grid lets the operator hide columns, else -1.
int columnIdentity(const GridDefinition& def, const GridColumn& column);
inline constexpr int kHideableColumnIdentity = 111;
inline constexpr int kFixedColumnIdentity = -1;

// The data attached to a column by AddGridColumn. A column built some other way has none, which
// is an internal error: "数据结构的类型不是TgxGridColumnExData，请查证原因".
GridColumnExData& columnExData(GridColumn& column);
const GridColumnExData& columnExData(const GridColumn& column);

// "至少显示一列", "显示标签不能空字符串"
QString noVisibleColumnText();
QString emptyCaptionText();

class ColumnConfig {
public:
    // One line of the dialog's list.
    struct Row {
        int column = -1;  // position of the column in the grid when the dialog opened
        QString no;       // "序号": that position counted from 1, "%.03d"
        QString name;     // "列名称": the designed caption
        QString visName;  // "显示名": the caption to show
        bool visible = true;
        bool print = true;
        int tag = 0;  // "tag": the column's identity
    };

    // Reads the grid's columns; those with identity -1 are not offered. Throws DytError when a
    // column carries no ex data.
    explicit ColumnConfig(const GridDefinition& def);

    const QList<Row>& rows() const { return rows_; }
    int rowCount() const { return static_cast<int>(rows_.size()); }
    int columnCount() const { return columnCount_; }

    // Posting a row's display name: an empty (or blank) text is refused with
    // "显示标签不能空字符串" and leaves the row as it was.
    void setCaption(int row, const QString& caption);
    void setVisible(int row, bool visible);
    void setPrint(int row, bool print);

    // The operator moves a line of the list; the grid takes the list's order on apply. Moving a
    // line turns "默认顺序" off.
    void moveRow(int from, int to);

    // "使用默认标签": on puts the designed captions into every display name; off puts back the
    // captions the grid had when the dialog opened.
    void setUseDefaultCaptions(bool on);
    bool useDefaultCaptions() const { return defaultCaptions_; }

    // "默认顺序": on lists the columns in their designed order and gives the grid that order on
    // apply; off puts the list back in the grid's order as it was when the dialog opened.
    void setUseDefaultOrder(bool on);
    bool useDefaultOrder() const { return defaultOrder_; }

    // "确定": at least one listed column must be visible ("至少显示一列") and no display name
    // empty. Throws DytError.
    void validate() const;

    // Applies captions, visibility, print flags and order to the columns of the description the
    // choice was read from (same columns). Either all of it is applied or, on an error, nothing.
    // Returns the new order: for each new position, the column's position before.
    QList<int> apply(GridDefinition& def) const;

private:
    void sortRowsBy(bool designed);

    QList<Row> rows_;
    QList<QString> openingCaptions_;  // per row, by Row::column
    QList<int> designIndex_;          // per grid column
    int columnCount_ = 0;
    bool defaultCaptions_ = false;
    bool defaultOrder_ = false;
};

// Applies the choice to a grid shown in a view: the description, then the model (its sort and
// filter-row texts follow their columns to the new places) and the view's widths and visibility.
// Throws DytError when the grid has no model or description.
void applyColumnConfig(GridView* grid, const ColumnConfig& config);

}  // namespace gridfilter
}  // namespace dyt
