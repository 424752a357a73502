#pragma once
// TfrmSysDJSHJSSZ ("单据审核级数设置"): per bill kind the number of audit steps, the caption of
// each step and the employees allowed to perform steps 2 … 5, stored in sysDjb; the bill windows
// apply them and the server holds every bill to them. TfrmSysDJSHJSSZSET ("选择审核职员") edits
// the employee list of one step.

#include "client/common/frmbase.h"

#include <QList>
#include <QString>

#include <array>

#include "client/logic/auditlevels.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace dyt::client {

class TfrmSysDJSHJSSZSET : public TfrmBaseDialog {
    Q_OBJECT
public:
    // The list starts with the employees of the id list text (none for an empty text).
    explicit TfrmSysDJSHJSSZSET(const QString& idList, QWidget* owner = nullptr);

    // "新增": an operator from the record selection; "删除": the selected one.
    void addEmployee();
    void deleteEmployee();
    void btnOKClick() override;

    // The results after OK: the id list text and the names joined by ",".
    QString idList() const { return idList_; }
    QString names() const { return names_; }
    QListWidget* employees() const { return lbEmployees_; }

private:
    QListWidget* lbEmployees_ = nullptr;
    QString idList_;
    QString names_;
};

class TfrmSysDJSHJSSZ : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmSysDJSHJSSZ(QWidget* owner = nullptr);
    ~TfrmSysDJSHJSSZ() override;

    // The commands.
    void selectKind(int row);     // loads the kind; asks to save unsaved changes first
    void locate();                // "定位": the first kind whose name holds the text
    void setEmployees(int step);  // "设置职员" of step 2 … 5
    bool Save();                  // "保存(&O)"; true when the server took it
    void btnOKClick() override;

    // State for the window and its tests.
    int currentKind() const { return kindId_; }
    bool modified() const { return modified_; }
    auditlevels::Levels levels() const;
    QListWidget* kindList() const { return lbKinds_; }
    QLineEdit* locateEdit() const { return edLocate_; }
    QComboBox* levelBox() const { return cbLevel_; }
    QLineEdit* stepCaption(int step) const { return edNames_.at(step - 1); }
    QLineEdit* stepEmployees(int step) const { return edEmployees_.at(step - 2); }
    QPushButton* stepButton(int step) const { return btnEmployees_.at(step - 2); }

protected:
    bool FormCloseQuery() override;

private:
    void loadKinds();
    void loadKind(int kindId);
    void enableSteps();
    void changed();
    bool askSaveChanges();

    bool loading_ = false;
    bool modified_ = false;
    int kindId_ = -1;
    QList<int> kindIds_;
    QListWidget* lbKinds_ = nullptr;
    QLineEdit* edLocate_ = nullptr;
    QComboBox* cbLevel_ = nullptr;
    std::array<QLineEdit*, auditlevels::kSteps> edNames_{};
    std::array<QLineEdit*, auditlevels::kSteps - 1> edEmployees_{};
    std::array<QPushButton*, auditlevels::kSteps - 1> btnEmployees_{};
    std::array<QString, auditlevels::kSteps - 1> idLists_;
};

}  // namespace dyt::client
