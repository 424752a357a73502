#pragma once
// TfrmSelectWindow: the root of the selection windows (goods, batches, units, base records).
// They are TfrmBase windows with their own button rows, shown modally: exec() returns 1 when the
// window was closed with a choice (accept()), else 0 (reject(), Esc, the window's close box).
// Each keeps the operator's layout of its grid under its layout key, through the selection
// services.

#include <QString>

#include "client/common/frmbase.h"

class QCloseEvent;

namespace dyt {
class GridView;
class RecordSet;
class RecordSetModel;
struct GridDefinition;
}  // namespace dyt

namespace dyt::client {

class TfrmSelectWindow : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmSelectWindow(QWidget* parent = nullptr);
    ~TfrmSelectWindow() override;

    // Shows the window modally until it is closed; 1 when it was closed with a choice, else 0.
    int exec();
    // Whether the last closing was with a choice.
    bool result() const { return result_; }

    // Closes with a choice.
    void accept();
    // Closes without a choice; windows that first step back (up a class) override it.
    virtual void reject();

    // The key of the grid's layout: the class name and the grid's object name
    // ("TfrmSelectGoods_grdGoods").
    virtual QString layoutKey() const;

Q_SIGNALS:
    void finished(int result);

protected:
    // Hides the window with the result and ends exec(); windows extend it (the layout is saved).
    virtual void done(bool accepted);

    // The grid whose layout the window keeps (set by the derived window).
    void setLayoutGrid(GridView* grid) { layoutGrid_ = grid; }
    GridView* layoutGrid() const { return layoutGrid_; }
    // Applies / stores the operator's layout of that grid; false when nothing was applied or
    // stored (no grid, no model yet, no stored layout, the store failed).
    bool loadLayout();
    bool saveLayout();
    // Shows the rows in the layout grid through the model, applies the operator's layout and
    // makes the first row current.
    void showRows(RecordSetModel* model, RecordSet* rows, GridDefinition* def);

    QColor windowColour() const override;
    void escapePressed() override;
    void closeEvent(QCloseEvent* event) override;

private:
    GridView* layoutGrid_ = nullptr;
    bool result_ = false;
};

}  // namespace dyt::client
