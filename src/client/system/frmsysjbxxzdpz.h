#pragma once
// TfrmSysJBXXZDPZ ("基本信息配置"): the captions of the base-data fields of one kind (goods,
// partners, employees, warehouses, departments), chosen by the radio buttons above the grid.
// "保存" stores the captions and carries them into the menu entries of the same code;
// "默认标签" puts the standard captions back into the grid. The base-data windows show the
// captions from the next login on.

#include <QList>

#include "client/common/frmxabstract.h"

class QRadioButton;

namespace dyt::client {

class TfrmSysJBXXZDPZ : public TfrmXAbstract {
    Q_OBJECT
public:
    explicit TfrmSysJBXXZDPZ(QWidget* parent = nullptr);

    QRadioButton* kindButton(int index) const { return kindButtons_.value(index); }
    QAction* btnSave() const { return btnSave_; }
    QAction* btnDefault() const { return btnDefault_; }
    bool modified() const { return modified_; }
    int kindPrefix() const { return prefix_; }

    // Loads the fields of the kind with that code prefix.
    void loadKind(int prefix);
    void refreshData() override { loadKind(prefix_); }
    // "保存": true when every caption was stored.
    bool Save();
    // "默认标签": the standard captions into the grid (stored by "保存" only).
    void btnDefaultClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    // Asks to save pending changes; false when the operator's choice keeps the window as it is.
    bool askSaveChanges();

    QList<QRadioButton*> kindButtons_;
    QAction* btnSave_ = nullptr;
    QAction* btnDefault_ = nullptr;
    int prefix_ = 0;
    bool modified_ = false;
    bool loading_ = false;
    bool shown_ = false;
};

}  // namespace dyt::client
