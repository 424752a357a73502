#pragma once
// TfrmSysDJDYCSSZ ("单据打印次数设置"): per bill kind whether the prints of a bill are limited,
// how many are allowed and the password that lets a bill print beyond them, stored in sysDjb; the
// server counts the prints and holds every bill to the limit. TfrmBaseSet2 (page "一键设置")
// supplies the one setting that "全部设置" gives every kind.

#include "client/common/frmbase.h"

#include <QList>

#include "client/logic/printlimits.h"

class QLineEdit;
class QSpinBox;
class QTableWidget;
class QTabWidget;

namespace dyt::client {

class TfrmBaseSet2 : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmBaseSet2(QWidget* owner = nullptr);

    void btnOKClick() override;

    // The values after OK (the passwords trimmed).
    int count() const;
    QString password() const;
    QString confirm() const;
    QSpinBox* countEdit() const { return edCount_; }
    QLineEdit* passwordEdit() const { return edPassword_; }
    QLineEdit* confirmEdit() const { return edConfirm_; }

private:
    QTabWidget* pages_ = nullptr;
    QSpinBox* edCount_ = nullptr;
    QLineEdit* edPassword_ = nullptr;
    QLineEdit* edConfirm_ = nullptr;
};

class TfrmSysDJDYCSSZ : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmSysDJDYCSSZ(QWidget* owner = nullptr);
    ~TfrmSysDJDYCSSZ() override;

    // The commands.
    void setAll();    // "全部设置"
    void clearAll();  // "全部取消"
    bool Save();      // OK: checks and stores every row; true when the server took it
    void btnOKClick() override;

    // The rows as the grid holds them.
    QList<printlimits::Row> rows() const;
    QTableWidget* grid() const { return grid_; }
    QPushButton* btnSetAll() const { return btnSetAll_; }
    QPushButton* btnClearAll() const { return btnClearAll_; }

private:
    void load();
    void fill(const QList<printlimits::Row>& rows);
    void checkChanged(int row);

    bool filling_ = false;
    QTableWidget* grid_ = nullptr;
    QPushButton* btnSetAll_ = nullptr;
    QPushButton* btnClearAll_ = nullptr;
};

}  // namespace dyt::client
