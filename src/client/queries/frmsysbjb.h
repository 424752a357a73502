#pragma once
// TfrmsysBJB, the alerts ("报警薄"): the alert kinds in the tree on the left, the rows of the kind
// chosen in the grid, and the alert settings above them (the pop-up after login, the advance days,
// the warehouse of the stock limits), which are stored when the window closes. From the rows of
// overdue receivables and payables the operator opens the bill.

#include <QHash>

#include "client/common/frmxabstract.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace dyt::client {

class TfrmsysBJB : public TfrmXAbstract {
    Q_OBJECT
public:
    explicit TfrmsysBJB(QWidget* parent = nullptr);

    QCheckBox* cbPopup() const { return cbPopup_; }
    // The five advance-day fields in the order of their settings.
    QSpinBox* edDays(int index) const { return edDays_[index]; }
    QComboBox* cbWarehouse() const { return cbWarehouse_; }
    QLabel* lblKind() const { return lblKind_; }
    QAction* btnBill() const { return btnBill_; }

    // The kind shown (0 before the first).
    int kind() const { return kind_; }
    // Shows the kind: its name, its columns and its rows; false when the query failed.
    bool runKind(int kind);
    void refreshData() override;
    // "查看单据": opens the bill of the focused row (kinds 4 and 5 only); false when none opened.
    bool btnBillClick();
    // Stores the settings as the controls hold them; false (the error shown) when refused.
    bool saveSettings();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    QString layoutKey() const override;

private:
    void buildControls();
    void fillSettings();
    void fillWarehouses();
    void loadKinds();
    void buildColumns();
    // Adds the fields of the kind's columns that the rows lack.
    void addKindFields(RecordSet& rows) const;
    // The goods, partner and warehouse names of the rows from the cached base data.
    void describeRows(RecordSet& rows) const;

    QCheckBox* cbPopup_ = nullptr;
    QSpinBox* edDays_[5] = {};
    QComboBox* cbWarehouse_ = nullptr;
    QLabel* lblKind_ = nullptr;
    QAction* btnBill_ = nullptr;
    int kind_ = 0;
    QHash<int, int> focusedRows_;  // kind -> the row focused when it was left
    bool shown_ = false;
};

}  // namespace dyt::client
