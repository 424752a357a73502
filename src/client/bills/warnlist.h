#pragma once
// The parts the two save-time warning windows share: the question above the grid, the grid of
// tagged columns over the window's rows, the buttons "继续" and "退出(&C)", the operator's layout
// kept under the window's caption, and running the list's SQL text.

#include <QString>

#include "client/common/gridcolumn.h"

class QLabel;
class QPushButton;
class QWidget;

namespace dyt {
class GridView;
class RecordSet;
class RecordSetModel;
}  // namespace dyt

namespace dyt::client {
class TfrmBaseDialog;
}

namespace dyt::client::warnlist {

// The grid settings of a list (decimal places, cost right; sorting and grouping off).
void initDefinition(GridDefinition& def);
// A hidden key column.
void addHidden(GridDefinition& def, const QString& field);
// A visible read-only column.
void addColumn(GridDefinition& def, const QString& caption, const QString& field, int width);

struct Parts {
    QLabel* question = nullptr;
    GridView* grid = nullptr;
    RecordSetModel* model = nullptr;
    QPushButton* print = nullptr;  // "打印(&P)"
};
// Builds the content of the dialog: caption, question, grid; "继续" as the OK button (hidden when
// the operator cannot continue).
Parts build(TfrmBaseDialog* dialog, const QString& caption, const QString& question,
            bool canContinue);
// Binds the grid to the rows (fields the columns name but the rows lack are added empty) and
// applies the operator's layout stored under the caption.
void bind(Parts& parts, RecordSet* rows, GridDefinition* def, const QString& layoutKey);
// Stores the operator's layout under the caption.
void keepLayout(const Parts& parts, const QString& layoutKey);
// Runs the text through the data module's query call into rows.
void runSql(const QString& sql, RecordSet* rows);
// Prints the list through the print engine of the list windows (preview with printing): the
// header carries the company, the operator, the print label and the question; the detail the
// shown columns in grid order (masked cost columns print their mask). The template is the
// caption + ".QXF". An empty list raises "无数据，不能打印".
int printList(QWidget* parent, const Parts& parts, const GridDefinition& def, const RecordSet& rows,
              const QString& caption);

// Focuses "继续" when it can take the focus.
void focusContinue(TfrmBaseDialog* dialog);

}  // namespace dyt::client::warnlist
