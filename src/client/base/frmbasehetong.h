#pragma once
// The contracts: the list TfrmBaseHeTong ("合同管理", function 4016) of the purchase and sales
// contracts with their fulfilment, filtered by type, partner and whether stopped ones show, with
// adding, changing, deleting (only a contract nothing of which is fulfilled) and stopping (and
// taking back); and the entry window TfrmBillHeTong ("合同录入框"), header fields and goods lines
// like a goods bill, saved to the server in one call.

#include <QList>
#include <QString>

#include <functional>

#include "client/bills/frmbillabstract.h"
#include "client/common/frmxabstract.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QModelIndex;

namespace dyt::client {

class TfrmBillHeTong;

class TfrmBaseHeTong : public TfrmXAbstract {
    Q_OBJECT
public:
    explicit TfrmBaseHeTong(QWidget* parent = nullptr);
    ~TfrmBaseHeTong() override;

    QAction* btnAdd() const { return btnAdd_; }
    QAction* btnUpdate() const { return btnUpdate_; }
    QAction* btnDel() const { return btnDel_; }
    QAction* btnStop() const { return btnStop_; }
    QAction* btnRefresh() const { return btnRefresh_; }
    QComboBox* cbType() const { return cbType_; }
    QLineEdit* edPartner() const { return edPartner_; }
    QCheckBox* cbStopped() const { return cbStopped_; }
    // The entry window last opened from the list (nullptr once it is closed).
    TfrmBillHeTong* entry() const;

    QString layoutKey() const override;
    void refreshData() override;

    // The commands; each answers whether it did anything.
    bool btnAddClick();
    bool btnUpdateClick();
    bool btnDelClick();
    bool btnStopClick();
    bool btnRefreshClick();
    // The id of the focused contract, 0 when none.
    qint64 currentId() const;

protected:
    void FormCreate() override;

private:
    void loadList();
    void run(const std::function<void()>& action);
    bool openEntry(qint64 id);
    QString currentText(const QString& field) const;

    QAction* btnAdd_ = nullptr;
    QAction* btnUpdate_ = nullptr;
    QAction* btnDel_ = nullptr;
    QAction* btnStop_ = nullptr;
    QAction* btnRefresh_ = nullptr;
    QComboBox* cbType_ = nullptr;
    QLineEdit* edPartner_ = nullptr;
    qint64 partnerId_ = 0;
    QString partnerName_;
    QCheckBox* cbStopped_ = nullptr;
    QObject* entry_ = nullptr;
};

class TfrmBillHeTong : public TfrmBillAbstract {
    Q_OBJECT
public:
    explicit TfrmBillHeTong(QWidget* parent = nullptr);
    ~TfrmBillHeTong() override;

    QComboBox* cbType() const { return cbType_; }
    QLineEdit* edPartner() const { return edPartner_; }
    QLineEdit* edEmployee() const { return edEmployee_; }
    QDateEdit* deBegin() const { return deBegin_; }
    QDateEdit* deEnd() const { return deEnd_; }
    QLineEdit* edGoods() const { return edGoods_; }
    qint64 partnerId() const { return partnerId_; }

    // The goods typed into the goods field: the goods selection; the lines added.
    bool addGoodsText(const QString& text);
    // The raw rows holding goods.
    QList<int> goodsRows() const;
    // Checks and saves the contract; true when saved.
    bool saveContract();
    void btnBillSaveClick() override;
    void resetToNewBill() override;

protected:
    bool acceptsKind(int djType) const override;
    QString NextBillNumber() override;
    void loadBill() override;
    void showAuditControls() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A changed contract asks before it closes: save it, leave it, or stay (Esc).
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildColumns();
    void cellChanged(const QModelIndex& index);
    void walkFrom(const QModelIndex& at);
    void pickPartner();
    void pickEmployee();

    QComboBox* cbType_ = nullptr;
    QLineEdit* edPartner_ = nullptr;
    qint64 partnerId_ = 0;
    QString partnerName_;
    QLineEdit* edEmployee_ = nullptr;
    qint64 employeeId_ = 0;
    QString employeeName_;
    QDateEdit* deBegin_ = nullptr;
    QDateEdit* deEnd_ = nullptr;
    QLineEdit* edGoods_ = nullptr;
    bool filling_ = false;
};

}  // namespace dyt::client
