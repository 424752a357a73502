#pragma once
// The voucher export and the finance accounts it maps through.
//
// TfrmSysJBXXCWPZ (202301 goods, 202302 partners, 202303 warehouses, 202304 departments): the
// records of one kind, categories included, with the code of the finance program's account each
// is booked under; a category's account holds for every record below it without its own.
//
// TfrmSysDCPZ ("导出凭证", 202305): the posted bills of a date range not yet exported; the bills
// ticked give the voucher lines below (P_JXC_Get_Other "DCPZ"), which "导出凭证" writes to a
// "|"-separated GBK text file before it marks the bills as exported.

#include <QDate>
#include <QHash>
#include <QList>

#include <functional>

#include "client/common/frmxabstract.h"
#include "client/logic/voucher.h"

class QCheckBox;
class QLineEdit;

namespace dyt {
class GridView;
class RecordSetModel;
}  // namespace dyt

namespace dyt::client {

class TfrmSysJBXXCWPZ : public TfrmXAbstract {
    Q_OBJECT
public:
    explicit TfrmSysJBXXCWPZ(QWidget* parent = nullptr);

    QAction* btnSave() const { return btnSave_; }
    bool modified() const;
    const financeaccounts::Kind& kind() const { return *kind_; }

    void refreshData() override;
    // "保存": the changed accounts; true when all were stored.
    bool Save();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* btnSave_ = nullptr;
    const financeaccounts::Kind* kind_ = nullptr;
    QHash<qint64, QString> stored_;  // id -> the account code as loaded
    bool shown_ = false;
};

class TfrmSysDCPZ : public TfrmXAbstract {
    Q_OBJECT
public:
    explicit TfrmSysDCPZ(QWidget* parent = nullptr);
    ~TfrmSysDCPZ() override;

    QAction* btnQuery() const { return btnQuery_; }
    QAction* btnSelectAll() const { return btnSelectAll_; }
    QAction* btnSelectNone() const { return btnSelectNone_; }
    QAction* btnBill() const { return btnBill_; }
    QAction* btnExport() const { return btnExport_; }
    QCheckBox* cbSummary() const { return cbSummary_; }
    QLineEdit* edCaption() const { return edCaption_; }
    QLabel* lblQueryTime() const { return lblQueryTime_; }
    GridView* linesGrid() const { return linesGrid_; }
    const RecordSet& lines() const { return lines_; }

    // "查询": asks for the date range, then lists the bills not exported yet.
    void btnQueryClick();
    // The bills of the range.
    void query(const QDate& begin, const QDate& end);
    // Reloads the voucher lines of the ticked bills.
    void loadLines();
    // "全选" / "全不选".
    void selectAll(bool on);
    // "查看单据": the focused bill.
    void btnBillClick();
    // "导出凭证": true when the file was written and the bills marked.
    bool btnExportClick();
    void refreshData() override;
    QList<qint64> tickedIds() const;

    // The date-range dialog; tests answer it. Returns false when cancelled.
    using DateRangeAsker = std::function<bool(QWidget* parent, QDate* begin, QDate* end)>;
    static DateRangeAsker& dateRangeAsker();
    // Where "查看单据" shows the bill; the shell puts it into the workspace.
    static std::function<void(QWidget*)>& billHost();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void summaryToggled(bool on);

    QAction* btnQuery_ = nullptr;
    QAction* btnSelectAll_ = nullptr;
    QAction* btnSelectNone_ = nullptr;
    QAction* btnBill_ = nullptr;
    QAction* btnExport_ = nullptr;
    QCheckBox* cbSummary_ = nullptr;
    QLineEdit* edCaption_ = nullptr;
    QLabel* lblQueryTime_ = nullptr;
    GridView* linesGrid_ = nullptr;
    RecordSetModel* linesModel_ = nullptr;
    RecordSet lines_;
    GridDefinition linesDef_;
    QDate begin_, end_;
    bool loading_ = false;
    bool shown_ = false;
};

}  // namespace dyt::client
