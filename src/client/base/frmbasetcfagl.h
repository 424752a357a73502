#pragma once
// The commission plans: the list TfrmBaseTCFAGL ("提成方案管理", function 400701) with adding
// (Insert), changing (Enter), deleting (Delete) plans and giving a plan to goods or employees
// (F3) from its grid; the editor of one plan
// TfrmBaseTCFASet; and the dialog TfrmBaseTCFPSet that lists the goods or employees of a plan's
// kind with a check for those that use the plan.

#include <QList>
#include <QString>

#include <functional>

#include "client/common/frmbase.h"
#include "client/common/frmxabstract.h"
#include "client/logic/commission.h"
#include "common/recordset.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace dyt::client {

class TfrmBaseTCFAGL : public TfrmXAbstract {
    Q_OBJECT
public:
    explicit TfrmBaseTCFAGL(QWidget* parent = nullptr);
    ~TfrmBaseTCFAGL() override;

    QAction* btnAdd() const { return btnAdd_; }
    QAction* btnUpdate() const { return btnUpdate_; }
    QAction* btnDel() const { return btnDel_; }
    QAction* btnAssign() const { return btnAssign_; }
    QComboBox* cbKind() const { return cbKind_; }

    QString layoutKey() const override;
    void refreshData() override;

    // The commands; each answers whether it did anything.
    bool btnAddClick();
    bool btnUpdateClick();
    bool btnDelClick();
    bool btnAssignClick();
    // The plan of the focused row; nothing (id 0) when none.
    commission::Plan focusedPlan() const;

protected:
    void FormCreate() override;

private:
    void applyRights();
    void loadList();
    void run(const std::function<void()>& action);

    QAction* btnAdd_ = nullptr;
    QAction* btnUpdate_ = nullptr;
    QAction* btnDel_ = nullptr;
    QAction* btnAssign_ = nullptr;
    QComboBox* cbKind_ = nullptr;
};

class TfrmBaseTCFASet : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmBaseTCFASet(QWidget* parent = nullptr);
    ~TfrmBaseTCFASet() override;

    // Shows the plan (id 0: a new plan of its kind).
    void setup(const commission::Plan& plan);
    qint64 planId() const { return plan_.id; }

    QLineEdit* edCode() const { return edCode_; }
    QLineEdit* edName() const { return edName_; }
    QComboBox* cbKind() const { return cbKind_; }
    QComboBox* cbWay() const { return cbWay_; }
    QLineEdit* edValue() const { return edValue_; }
    QLabel* lblValue() const { return lblValue_; }
    QLineEdit* edComment() const { return edComment_; }

    // Checks and saves; closes with OK when saved.
    void btnOKClick() override;

private:
    commission::Plan plan_;
    QLineEdit* edCode_ = nullptr;
    QLineEdit* edName_ = nullptr;
    QComboBox* cbKind_ = nullptr;
    QComboBox* cbWay_ = nullptr;
    QLabel* lblValue_ = nullptr;
    QLineEdit* edValue_ = nullptr;
    QLineEdit* edComment_ = nullptr;
};

class TfrmBaseTCFPSet : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmBaseTCFPSet(QWidget* parent = nullptr);
    ~TfrmBaseTCFPSet() override;

    // Lists the records of the plan's kind; those using the plan are checked.
    void setup(const commission::Plan& plan);
    QTableWidget* records() const { return grid_; }
    // Sends the changed checks: a checked record takes the plan, an unchecked one that had it
    // loses it; closes with OK when all went.
    void btnOKClick() override;

private:
    commission::Plan plan_;
    QTableWidget* grid_ = nullptr;
    QList<bool> had_;  // per row: whether the record had the plan when listed
};

}  // namespace dyt::client
