#pragma once
// The promotion agreements: the list TfrmBaseCUXiao ("促销协议管理", function 4015) with adding,
// changing, stopping (and taking back) and deleting; the editor of one agreement
// TfrmBaseCuXiaoSet, which for a new agreement takes several goods at once (one agreement per
// goods); and the entry window TfrmBillCuXiao ("促销录入"), which enters one agreement per goods
// line for one partner in a single pass and skips the lines that overlap a running agreement.

#include <QList>
#include <QString>

#include <functional>

#include "client/common/frmbase.h"
#include "client/common/frmxabstract.h"
#include "client/logic/promotions.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QModelIndex;

namespace dyt::client {

// A partner (or goods) field: the text typed and Enter open the record selection; the record
// chosen is kept with its name. An empty field is no record (in the list: all records).
struct PickedRecord {
    QLineEdit* edit = nullptr;
    qint64 id = 0;
    QString name;
};

struct PickedGoods {
    qint64 id = 0;
    QString code;
    QString name;
};

class TfrmBaseCUXiao : public TfrmXAbstract {
    Q_OBJECT
public:
    explicit TfrmBaseCUXiao(QWidget* parent = nullptr);
    ~TfrmBaseCUXiao() override;

    QAction* btnAdd() const { return btnAdd_; }
    QAction* btnEntry() const { return btnEntry_; }
    QAction* btnUpdate() const { return btnUpdate_; }
    QAction* btnDel() const { return btnDel_; }
    QAction* btnStop() const { return btnStop_; }
    QLineEdit* edPartner() const { return partner_.edit; }
    QLineEdit* edGoods() const { return goods_.edit; }
    QCheckBox* cbStopped() const { return cbStopped_; }

    QString layoutKey() const override;
    void refreshData() override;

    // The commands; each answers whether it did anything.
    bool btnAddClick();
    bool btnEntryClick();
    bool btnUpdateClick();
    bool btnDelClick();
    bool btnStopClick();
    // The ids of the chosen rows (the focused row when none is chosen).
    QList<qint64> chosenIds() const;

protected:
    void FormCreate() override;

private:
    void applyRights();
    void loadList();
    void run(const std::function<void()>& action);

    QAction* btnAdd_ = nullptr;
    QAction* btnEntry_ = nullptr;
    QAction* btnUpdate_ = nullptr;
    QAction* btnDel_ = nullptr;
    QAction* btnStop_ = nullptr;
    PickedRecord partner_;
    PickedRecord goods_;
    QCheckBox* cbStopped_ = nullptr;
};

class TfrmBaseCuXiaoSet : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmBaseCuXiaoSet(QWidget* parent = nullptr);
    ~TfrmBaseCuXiaoSet() override;

    // Loads the agreement (id > 0) or prepares a new one starting today.
    void setup(qint64 id);
    qint64 agreementId() const { return id_; }

    QLineEdit* edName() const { return edName_; }
    QLineEdit* edPartner() const { return partner_.edit; }
    QLineEdit* edGoods() const { return edGoods_; }
    QDateEdit* deBegin() const { return deBegin_; }
    QDateEdit* deEnd() const { return deEnd_; }
    QCheckBox* cbGift() const { return cbGift_; }
    QCheckBox* cbPrice() const { return cbPrice_; }
    QLineEdit* edBuy() const { return edBuy_; }
    QLineEdit* edGive() const { return edGive_; }
    QLineEdit* edGiftText() const { return edGiftText_; }
    QLineEdit* edPrice() const { return edPrice_; }
    QLineEdit* edComment() const { return edComment_; }
    // The goods the agreement is for (several for a new agreement).
    const QList<PickedGoods>& goods() const { return goodsList_; }

    // Checks, then saves one agreement per goods; closes with OK when all are saved.
    void btnOKClick() override;
    // The goods picking of the goods field with its text.
    bool pickGoods();

private:
    void buildControls();
    void refreshGiftText();
    promo::Agreement agreementFor(const PickedGoods& g) const;

    qint64 id_ = 0;
    QLineEdit* edName_ = nullptr;
    PickedRecord partner_;
    QLineEdit* edGoods_ = nullptr;
    QList<PickedGoods> goodsList_;
    QDateEdit* deBegin_ = nullptr;
    QDateEdit* deEnd_ = nullptr;
    QCheckBox* cbGift_ = nullptr;
    QCheckBox* cbPrice_ = nullptr;
    QLineEdit* edBuy_ = nullptr;
    QLineEdit* edGive_ = nullptr;
    QLineEdit* edGiftText_ = nullptr;
    QLineEdit* edPrice_ = nullptr;
    QLineEdit* edComment_ = nullptr;
    QString shownGiftText_;  // the default rule text last put into the field
};

class TfrmBillCuXiao : public TfrmXAbstract {
    Q_OBJECT
public:
    explicit TfrmBillCuXiao(QWidget* parent = nullptr);
    ~TfrmBillCuXiao() override;

    QLineEdit* edPartner() const { return partner_.edit; }
    QLineEdit* edName() const { return edName_; }
    QDateEdit* deBegin() const { return deBegin_; }
    QDateEdit* deEnd() const { return deEnd_; }
    QComboBox* cbMode() const { return cbMode_; }
    QLineEdit* edComment() const { return edComment_; }
    QLineEdit* edGoods() const { return edGoods_; }
    QLineEdit* userField(int index) const { return userFields_.value(index); }
    QAction* btnSave() const { return btnSave_; }
    promo::Mode mode() const;

    // The goods typed into the goods field: the goods selection; the lines added.
    bool addGoodsText(const QString& text);
    // Checks and saves the lines; true when every line was saved.
    bool btnSaveClick();
    void btnPrintClick() override;

    // The lines holding goods.
    QList<int> goodsRows() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildColumns();
    void modeChanged(int index);
    void cellChanged(const QModelIndex& index);
    void walkFrom(const QModelIndex& at);
    void checkBeforeSave();
    int saveLines();
    void clearLines();

    PickedRecord partner_;
    QLineEdit* edName_ = nullptr;
    QDateEdit* deBegin_ = nullptr;
    QDateEdit* deEnd_ = nullptr;
    QComboBox* cbMode_ = nullptr;
    QLineEdit* edComment_ = nullptr;
    QLineEdit* edGoods_ = nullptr;
    QList<QLineEdit*> userFields_;
    QAction* btnSave_ = nullptr;
    int shownMode_ = 0;
    bool filling_ = false;
};

}  // namespace dyt::client
