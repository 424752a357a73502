#pragma once
// The parts the two save-time warning windows share: the question above the grid, the grid of
// tagged columns over the window's rows, the buttons "继续" and "退出(&C)", the operator's layout
// kept under the window's caption, and running the list's SQL text.

#include <QString>

#include "client/common/frmbase.h"
#include "client/logic/gridcolumn.h"
#include "common/recordset.h"

class QLabel;
class QPushButton;
class QWidget;

namespace dyt {
class GridView;
class RecordSetModel;
}  // namespace dyt

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

namespace dyt::client {

// What sets one warning window apart from the other: its object name, caption (also the key of the
// operator's layout), question, whether "继续" shows, and the columns of the list.
struct WarnListLook {
    QString objectName;
    QString caption;
    QString question;
    bool canContinue = true;
    GridDefinition columns;
};

// The modal warning list a bill shows before saving: the question, the grid of rows from an SQL
// text (run on showing or by loadRows) or given at once, "继续" (OK), "退出(&C)" and "打印(&P)".
class TWarnListDialog : public TfrmBaseDialog {
    Q_OBJECT

public:
    ~TWarnListDialog() override;

    RecordSet& rows() { return rows_; }
    const GridDefinition& columns() const { return def_; }
    GridView* grid() const { return grid_; }
    QLabel* lblQuestion() const { return lblQuestion_; }
    // Runs the SQL text (when given) into rows() and shows them; errors raise DytError.
    void loadRows();
    // "打印(&P)": the list through the print engine; the engine's answer, 0 when nothing printed.
    int btnPrintClick();

protected:
    TWarnListDialog(const WarnListLook& look, const QString& sql, QWidget* parent);
    TWarnListDialog(const WarnListLook& look, const RecordSet& rows, QWidget* parent);

    void FormShow() override;
    // Loads the rows when not yet loaded; with no row true at once, else the list is shown
    // modally and true comes back only on "继续".
    bool execWhenRows();

private:
    void build(const WarnListLook& look);
    void bindRows();

    QString sql_;
    QString caption_;
    bool canContinue_ = true;
    RecordSet rows_;
    GridDefinition def_;
    RecordSetModel* model_ = nullptr;
    GridView* grid_ = nullptr;
    QLabel* lblQuestion_ = nullptr;
    bool loaded_ = false;
    bool shown_ = false;  // the operator's layout is kept only for a list that was shown
};

}  // namespace dyt::client
