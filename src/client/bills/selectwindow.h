#pragma once
// TfrmSelectWindow: the root of the selection windows (goods, batches, units, base records).
// They are TfrmBase windows with their own button rows, shown modally: exec() returns 1 when the
// window was closed with a choice (accept()), else 0 (reject(), Esc, the window's close box).
// Each keeps the operator's layout of its grid under its layout key, through the selection
// services.
//
// SelectionKeys gives every selection list the same keyboard: the search box filters while the
// operator types (after a short pause, so that a fast typist causes one query), Down, PageDown
// and Tab go from the box into the list, Up on the list's first row goes back, Enter picks and a
// double-click picks once. TfrmSelectWindow wires it to its virtual functions; a window that is
// no TfrmSelectWindow (the bill picking) uses it on its own.

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTableView>
#include <QTimer>

#include <functional>

#include "client/common/frmbase.h"

class QCloseEvent;

namespace dyt {
class GridView;
class RecordSet;
class RecordSetModel;
struct GridDefinition;
}  // namespace dyt

namespace dyt::client {

class SelectionKeys : public QObject {
    Q_OBJECT

public:
    // The pause after the last keystroke before the typed text is applied.
    static constexpr int kSearchDelayMs = 250;

    explicit SelectionKeys(QObject* parent = nullptr);

    // The search box and what applies its text to the list. The text in the box when it is set
    // counts as applied.
    void setSearchBox(QLineEdit* box, std::function<void(const QString&)> apply);
    QLineEdit* searchBox() const { return box_; }
    // The list and what picks its current row (Enter, a double-click). The list's Tab leaves it.
    void setList(QTableView* list, std::function<void()> pick);
    QTableView* list() const { return list_; }
    // After Enter applied a new text: picks the only row the text left; false when it did not.
    void setPickSingle(std::function<bool()> pickSingle) { pickSingle_ = std::move(pickSingle); }
    // The widget Up on the list's first row goes to; the search box unless another is set.
    void setAbove(QWidget* above) { above_ = above; }

    // The text the list shows now; the window tells when it put a text of its own in the box.
    QString appliedText() const { return applied_; }
    void setAppliedText(const QString& text);
    // Whether the box holds a text the list does not show yet.
    bool pending() const;
    // Applies a pending text at once; true when it did.
    bool applyPending();
    // Puts the focus on the list's current row (the first when none is current); false for an
    // empty list.
    bool focusList();
    // Puts the focus on the search box with its text selected, so that typing replaces it.
    void focusSearchBox();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();
    bool boxKey(int key);
    bool listKey(int key);

    QPointer<QLineEdit> box_;
    QPointer<QTableView> list_;
    QPointer<QWidget> above_;
    std::function<void(const QString&)> apply_;
    std::function<void()> pick_;
    std::function<bool()> pickSingle_;
    QString applied_;
    QTimer timer_;
};

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

    // The grid whose layout the window keeps (set by the derived window); it is the window's list:
    // Enter and a double-click on it call chooseCurrent().
    void setLayoutGrid(GridView* grid);
    GridView* layoutGrid() const { return layoutGrid_; }
    // The window's search box: typing calls applySearch(), Enter after a new text
    // chooseSingle().
    void setSearchBox(QLineEdit* box);
    SelectionKeys& keys() { return keys_; }

    // Shows in the list the rows left by the text.
    virtual void applySearch(const QString& text);
    // Picks the list's current row (Enter on the list or in an unchanged search box, a
    // double-click).
    virtual void chooseCurrent();
    // Picks the only row a new search text left; false when there is no such row.
    virtual bool chooseSingle();

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
    void showEvent(QShowEvent* event) override;

private:
    GridView* layoutGrid_ = nullptr;
    SelectionKeys keys_;
    bool result_ = false;
};

}  // namespace dyt::client
