#pragma once
// The operators and their function rights: TfrmSysPurview ("操作员授权") lists the operators, the
// right groups, the main rights of the chosen group and the operation rights of the focused main
// right; a click on a grant cell (or Space / Enter on it) grants or revokes at once on the server.
// Every change is stored when it is made: "保存(&S)" only closes the dialog.
// TfrmSysPassword sets an operator's password, TfrmSysCopyPurview picks the operator whose rights
// are copied, and TfrmPassWordSet ("修改密码") changes the logged-in operator's own password.

#include "client/common/frmbase.h"

#include <QList>

#include "common/paramlist.h"
#include "common/recordset.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace dyt::client {

class TfrmSysPurview : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmSysPurview(QWidget* owner = nullptr);
    ~TfrmSysPurview() override;

    QListWidget* lstUser() const { return lstUser_; }
    QListWidget* lstType() const { return lstType_; }
    QTableWidget* grdMain() const { return grdMain_; }
    QTableWidget* grdDetail() const { return grdDetail_; }
    QPushButton* button(const QString& objectName) const;
    // The id of the chosen operator, 0 when none.
    qint64 chosenUser() const;

    // Loads the operators and selects the one given (the first when it is not listed).
    void loadUsers(qint64 select = 0);
    // Toggles the grant of a row of the main (detail false) or detail rights.
    void toggle(bool detail, int row);
    void btnSelectAllClick(bool grant);  // "全选" / "反选"
    void btnAddUserClick();
    void btnDeleteUserClick();
    void btnPasswordClick();
    void btnCopyClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadRights();
    void loadDetail();
    void fill(QTableWidget* grid, const RecordSet& rows);
    bool editable() const;
    // Runs a procedure; a failure shows "错误：" and the server's message.
    bool run(const QString& procedure, ParamList& params);

    QListWidget* lstUser_ = nullptr;
    QListWidget* lstType_ = nullptr;
    QTableWidget* grdMain_ = nullptr;
    QTableWidget* grdDetail_ = nullptr;
    QList<qint64> userIds_;
    RecordSet main_;
    RecordSet detail_;
};

// "职员密码设置": the administrator gives an operator a new password.
class TfrmSysPassword : public TfrmBaseDialog {
    Q_OBJECT
public:
    TfrmSysPassword(qint64 user, const QString& name, QWidget* owner = nullptr);
    QLineEdit* edPassword() const { return edPassword_; }
    void btnOKClick() override;

private:
    qint64 user_;
    QLineEdit* edPassword_ = nullptr;
};

// "复制所选操作员的权限": picks one of the listed operators.
class TfrmSysCopyPurview : public TfrmBaseDialog {
    Q_OBJECT
public:
    TfrmSysCopyPurview(const RecordSet& operators, QWidget* owner = nullptr);
    QTableWidget* grid() const { return grid_; }
    qint64 chosen() const { return chosen_; }
    void btnOKClick() override;

private:
    QTableWidget* grid_ = nullptr;
    QList<qint64> ids_;
    qint64 chosen_ = 0;
};

class TfrmPassWordSet : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmPassWordSet(QWidget* owner = nullptr);
    QLineEdit* edOld() const { return edOld_; }
    QLineEdit* edNew() const { return edNew_; }
    QLineEdit* edConfirm() const { return edConfirm_; }
    // Checks and stores the new password; closes only when the server took it.
    void btnOKClick() override;

private:
    QLineEdit* edOld_ = nullptr;
    QLineEdit* edNew_ = nullptr;
    QLineEdit* edConfirm_ = nullptr;
};

}  // namespace dyt::client
