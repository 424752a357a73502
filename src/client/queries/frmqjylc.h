#pragma once
// TfrmQJYLC, the business history ("经营历程"): the posted bills of a date range, of one or all
// kinds, and the corrections of posted bills made from there: red reversal, copy into a draft,
// deletion, change of handler, department, number and abstract, reconciliation marks, the ten
// user fields, and the export of a sales bill to the tax-invoice program. Every correction asks
// the server and lists the bills again.

#include <QList>
#include <QString>

#include <functional>

#include "client/common/frmbase.h"
#include "client/logic/billhistory.h"
#include "client/queries/frmquery.h"

class QCheckBox;
class QComboBox;
class QListWidget;

namespace dyt::client {

// The copy dialog ("复制单据"): the kind the copy becomes, the bill's own kind first.
class TfrmSelectItems_Other3 : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmSelectItems_Other3(const QList<int>& kinds, QWidget* parent = nullptr);
    QListWidget* kindList() const { return list_; }
    // The kind chosen (the current row).
    int chosenKind() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<int> kinds_;
    QListWidget* list_ = nullptr;
};

class TfrmQJYLC : public TfrmQueryWindow {
    Q_OBJECT
public:
    explicit TfrmQJYLC(QWidget* parent = nullptr);

    QComboBox* cbDjType() const { return cbDjType_; }
    QCheckBox* cbAdvanced() const { return cbAdvanced_; }
    QAction* btnRed() const { return btnRed_; }
    QAction* btnCopy() const { return btnCopy_; }
    QAction* btnChange() const { return btnChange_; }
    QAction* btnDelete() const { return btnDelete_; }
    QAction* btnReconcile() const { return btnReconcile_; }
    QAction* btnUserFields() const { return btnUserFields_; }
    QAction* btnExport() const { return btnExport_; }

    void btnRedClick();
    void btnCopyClick();
    void btnDeleteClick();
    void btnChangeClick();
    void btnReconcileClick();
    void btnUserFieldsClick();
    void btnExportClick();

    // The folder "bill.txt" is written to; empty when cancelled. Tests replace it.
    static std::function<QString(QWidget* parent)>& folderAsker();

protected:
    bool askConditions() override;
    void completeParams(ParamList& params) override;
    void showEvent(QShowEvent* event) override;

private:
    QAction* addCommand(const QString& text, const char* name, const QKeySequence& key,
                        void (TfrmQJYLC::*handler)());
    // The focused bill; id 0 when the list is empty.
    history::BillRow focusedBill() const;
    bool monthClosed(qint64 billId);
    // Selects the kind in the drop-down, adding it when missing, without a new query.
    void selectKind(int djType);
    void kindChanged();
    // The list again after a correction, the cursor where it was.
    void requery();

    QComboBox* cbDjType_ = nullptr;
    QCheckBox* cbAdvanced_ = nullptr;
    QAction* btnRed_ = nullptr;
    QAction* btnCopy_ = nullptr;
    QAction* btnChange_ = nullptr;
    QAction* btnDelete_ = nullptr;
    QAction* btnReconcile_ = nullptr;
    QAction* btnUserFields_ = nullptr;
    QAction* btnExport_ = nullptr;
    bool rightsSet_ = false;
};

}  // namespace dyt::client
