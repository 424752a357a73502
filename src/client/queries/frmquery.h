#pragma once
// The query window: one implementation for every query and report window, driven by the window's
// row of the descriptor table. A condition dialog collects the conditions, the window turns them
// into the parameter list, one procedure query returns the rows and the grid shows them; the
// window derives its average prices, walks the category levels (down, up, the tree, list mode),
// opens the detail ledger of a row and, in the ledgers, the bill of a row.

#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "client/common/frmxabstract.h"
#include "client/logic/queryconditions.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "protocol/querydescriptors.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace dyt::client {

class TfrmSelectItems;

// Shows a window as a child of the workspace; the main window installs its own, the default
// shows the window on its own.
using ChildWindowHost = std::function<void(QWidget* window)>;
ChildWindowHost& queryChildHost();

class TfrmQueryWindow : public TfrmXAbstract {
    Q_OBJECT
    // The stock status report builds its own parameters on this window's state.
    friend class TfrmQKCZKB;

public:
    // Throws DytError for a class name outside the descriptor table.
    explicit TfrmQueryWindow(const QString& className, QWidget* parent = nullptr);
    ~TfrmQueryWindow() override;

    const QueryDescriptor& descriptor() const { return d_; }
    TfrmSelectItems* dialog() const { return dialog_.get(); }

    // Runs the condition dialog modally; true on OK. Tests replace it.
    static std::function<bool(TfrmSelectItems& dialog)>& dialogRunner();

    // --- controls
    QLabel* lblDate() const { return lblDate_; }
    QLabel* lblWldw() const { return lblWldw_; }
    QLabel* lblZy() const { return lblZy_; }
    QLabel* lblCk() const { return lblCk_; }
    QLabel* lblBm() const { return lblBm_; }
    QLabel* lblGoods() const { return lblGoods_; }
    QComboBox* cbqty() const { return cbQty_; }      // null in the detail ledgers
    QComboBox* cbred() const { return cbRed_; }      // null outside the detail ledgers
    QLineEdit* edQuick() const { return edQuick_; }  // null outside goods-tree windows
    QAction* btnQuery() const { return btnQuery_; }
    QAction* btnRefurbish() const { return btnRefurbish_; }
    QAction* btnList() const { return btnList_; }
    QAction* btnQList() const { return btnQList_; }
    QAction* btnBill() const { return btnBill_; }

    // --- state
    const query::Navigation& navigation() const { return nav_; }
    QString lastParams() const { return lastParams_; }
    const query::QueryConditions& conditions() const { return conditions_; }
    const RecordSet& treeRows() const { return treeRows_; }

    // --- operations
    void btnQueryClick();      // "查询": dialog, then the query
    void btnRefurbishClick();  // "刷新数据": the query with the conditions held
    void refreshData() override;
    // The central operation; false when nothing was shown (cancelled or failed).
    virtual bool runQuery(bool showDialog, const QString& quickText = QString());
    // Runs the query of a detail ledger with the parameters handed over by its parent.
    bool runWithParams(const ParamList& params);
    void btnDownLevelClick();  // row activation
    void btnUpLevelClick();
    void btnExitClick() override;
    void btnListClick();
    virtual void btnQListClick();  // "明细账本"
    void btnBillClick();           // "查看单据"
    void quickSearch();            // the quick-search box's button
    void qtyFilterChanged(int index);
    void redFilterChanged(int index);
    // Loads the category tree of the window's tree kind.
    void loadTree();
    // A tree node chosen: its id and path become the current level.
    void treeNodeChosen(qint64 id);
    // Whether close goes up one level instead of closing.
    bool insideCategory() const;

    // The row value of the focused row (invalid when none or no such field).
    QVariant focusedValue(const QString& field) const;
    QString layoutKey() const override;

protected:
    // A window of a descriptor of its own (not in the table); the descriptor outlives the window.
    TfrmQueryWindow(const QueryDescriptor& descriptor, QWidget* parent);
    // A row that is no category was activated (Enter, double-click): the detail ledger, or the
    // bill of a ledger row.
    virtual void activateRow();
    // Asks for the conditions of a query from the operator ("查询"); the default runs the
    // window's condition dialog. False when cancelled.
    virtual bool askConditions();
    void setConditions(const query::QueryConditions& conditions);
    // A window's own parameters on top of those of its conditions.
    virtual void completeParams(ParamList& params) { Q_UNUSED(params) }
    // A bill opened by "查看单据" was closed.
    virtual void billClosed() {}
    // Runs the procedure with the parameters and shows its rows with that row focused.
    bool execute(const ParamList& params, int focusRow);
    // Reads the rows of a window that has an SQL text of its own.
    bool executeSql(int focusRow);
    // The row to focus after the next query, taken once (the current row when none was set).
    int takePendingFocus();
    void FormCreate() override;
    void showEvent(QShowEvent* event) override;
    // Tab inside the quick-search box keeps the focus there.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Activating the window gives the focus back to the quick-search box when it held it.
    bool event(QEvent* event) override;

private:
    void buildControls();
    void buildColumns();
    // Adds the fields of the window's columns that the rows lack.
    void addMissingFields(RecordSet& rows) const;
    void showWarehouseSpread(const RecordSet& rows);
    void setLabels();
    void setExitCaption();
    bool ensureConditions();
    virtual void rememberRow();
    int rememberedRow(qint64 category) const;
    void setListMode(bool on);

    const QueryDescriptor& d_;
    std::unique_ptr<TfrmSelectItems> dialog_;
    QLabel* lblDate_ = nullptr;
    QLabel* lblWldw_ = nullptr;
    QLabel* lblZy_ = nullptr;
    QLabel* lblCk_ = nullptr;
    QLabel* lblBm_ = nullptr;
    QLabel* lblGoods_ = nullptr;
    QComboBox* cbQty_ = nullptr;
    QComboBox* cbRed_ = nullptr;
    QLineEdit* edQuick_ = nullptr;
    QAction* btnQuery_ = nullptr;
    QAction* btnRefurbish_ = nullptr;
    QAction* btnList_ = nullptr;
    QAction* btnQList_ = nullptr;
    QAction* btnBill_ = nullptr;

    query::Navigation nav_;
    query::QueryConditions conditions_;
    bool hasConditions_ = false;
    std::optional<ParamList> heldParams_;  // a ledger opened from another window
    QString lastParams_;
    QStringList spreadFields_;  // the per-warehouse columns of the last answer
    RecordSet treeRows_;
    QHash<qint64, int> rowMemory_;     // "rowindex" + category -> focused row
    std::optional<int> pendingFocus_;  // the row to focus after the next query
    bool shown_ = false;
    bool created_ = false;
};

}  // namespace dyt::client
