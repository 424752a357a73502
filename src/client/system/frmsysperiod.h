#pragma once
// The period dialogs of the system administration: TfrmSysPeriodClose ("月结存": the month close
// and its undo), TfrmSysYearClose ("年结存": the automatic server backup, then the year close) and
// TfrmSysRestart ("系统重建": bills and ledgers cleared back to the opening). The server performs
// each operation and refuses what its rules forbid; the dialogs check what they can before
// sending, ask for confirmation and tell the outcome.

#include "client/common/frmbase.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTabWidget;

namespace dyt::client {

class TfrmSysPeriodClose : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmSysPeriodClose(QWidget* owner = nullptr);
    ~TfrmSysPeriodClose() override;

    QTabWidget* pages() const { return pages_; }    // "月结存", "反月结存"
    QLabel* lblBegin() const { return lblBegin_; }  // "本月开始日期：…"
    QDateEdit* edEnd() const { return edEnd_; }     // "本月结束日期："
    QLineEdit* edName() const { return edName_; }   // "本月结存名称："
    QLabel* lblUndoNote() const { return lblUndoNote_; }
    int yearMonths() const { return months_; }

    // The operation of the current page; on success the settings are read again and the dialog
    // closes with OK.
    void btnOKClick() override;

protected:
    void FormShow() override;

private:
    void readPeriods();

    QTabWidget* pages_ = nullptr;
    QLabel* lblBegin_ = nullptr;
    QDateEdit* edEnd_ = nullptr;
    QLineEdit* edName_ = nullptr;
    QLabel* lblUndoNote_ = nullptr;
    int months_ = 1;
};

class TfrmSysYearClose : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmSysYearClose(QWidget* owner = nullptr);
    ~TfrmSysYearClose() override;

    QCheckBox* cbClearOrders() const { return cbClearOrders_; }  // "清除草稿和已完成订单"

    // Confirmation, the backup on the server, the year close; on success the dialog closes and
    // the operator restarts the client.
    void btnOKClick() override;

private:
    QCheckBox* cbClearOrders_ = nullptr;
};

class TfrmSysRestart : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmSysRestart(QWidget* owner = nullptr);
    ~TfrmSysRestart() override;

    QCheckBox* cbDelDraft() const { return cbDelDraft_; }  // "清除草稿库"
    QCheckBox* cbDelOpening() const { return cbDelOpening_; }  // "清除库存商品和会计科目的期初值"
    QRadioButton* rbKeepOrders() const { return rbKeep_; }    // "保留订单"
    QRadioButton* rbClearOrders() const { return rbClear_; }  // "清除所有订单"

    // Two confirmations, then the rebuild; on success the dialog closes with OK.
    void btnOKClick() override;

private:
    QCheckBox* cbDelDraft_ = nullptr;
    QCheckBox* cbDelOpening_ = nullptr;
    QRadioButton* rbKeep_ = nullptr;
    QRadioButton* rbClear_ = nullptr;
};

}  // namespace dyt::client
