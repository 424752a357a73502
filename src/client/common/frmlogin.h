#pragma once
// TfrmLogin ("登录向导"): the three-step login window. Step 0 connects to a server, step 1 picks
// (or creates, deletes, hides, shows) an account set, step 2 picks the operator, takes the
// password and the login date and logs in through TSysLogin::Login.

#include <QDate>
#include <QDialog>

#include <functional>

#include "client/logic/fixedtext.h"
#include "common/recordset.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace dyt::client {

class TfrmProfileProperties;

namespace logintext {
inline constexpr FixedText localComputer{u"本地计算机"};
inline constexpr FixedText listFailed{u"取得账套列表失败"};
inline constexpr FixedText invalidProfile{u"账套无效"};
inline constexpr FixedText enterProfileName{u"请输入账套名称"};
inline constexpr FixedText chooseUser{u"请选择登录用户或者输入用户代码"};
inline constexpr FixedText tooManyAttempts{u"最多尝试3次口令"};
QString hiddenKeysHelp();    // "CTRL+H: 操作帮助提示\r\n..."
QString firstRunQuestion();  // "你的应用程序可能是第一次运行，..."
inline constexpr FixedText defaultProfile{u"默认账套"};
}  // namespace logintext

// Columns of the account-set list.
enum ProfileColumn { kColNumber = 0, kColCaption, kColDbName, kColOrderId, kColHidden, kColCount };

class TfrmLogin : public QDialog {
    Q_OBJECT
public:
    // startStep: 0 for the first login or a switch of account set, 2 for a change of operator.
    explicit TfrmLogin(int startStep, const QString& programDir = QString(),
                       QWidget* parent = nullptr);
    ~TfrmLogin() override;

    // Shows the account-set dialog; true when it was confirmed. Tests replace it.
    std::function<bool(TfrmProfileProperties&)> runProfileDialog;

    int step() const { return step_; }
    int attempts() const { return attempts_; }
    bool showHidden() const { return showHidden_; }
    bool typedNameMode() const;

    // --- controls
    QComboBox* serverEdit() const { return cbServerList_; }
    QTableWidget* profileList() const { return dbgvX_; }
    QLineEdit* profileNameEdit() const { return edProfileName_; }
    QDateEdit* dateEdit() const { return edDateTime_; }
    QComboBox* userBox() const { return edusername_; }
    QLineEdit* userNameEdit() const { return edusernameNew_; }
    QLineEdit* passwordEdit() const { return edPassWord_; }
    QPushButton* mainButton() const { return btnLogin_; }
    QPushButton* createButton() const { return btnCreate_; }
    QPushButton* deleteButton() const { return btnDelete_; }
    QWidget* panel(int step) const { return panels_[step]; }

    // --- actions
    // The main button ("下一步" / "登录").
    void btnLoginClick();
    void btnCreateClick();
    void btnDeleteClick();
    // The Ctrl keys of step 1 (Qt::Key_H, _A, _S, _Q, _W); true when the key was one of them.
    bool hiddenKey(int key);
    // What the window does when shown: the remembered server, the automatic skip with "cb2".
    void FormShow();

    // --- the steps' loading
    // Shows or hides the controls of the typed-name mode ("cb1" = "1").
    void applyLoginMode();
    void loadProfileList();
    // Offers and creates the default account set on a server without any; false when the program
    // ends.
    bool ensureDefaultProfile();
    void LoadOperators(const QString& dbName);
    // The chosen account set: database name and display name; raises "账套无效" /
    // "请输入账套名称".
    void selectedProfile(QString* dbName, QString* caption) const;
    // The database name of the focused row, trimmed ("" for a filler row or no row).
    QString focusedDbName() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setStep(int step);
    void connectStep();
    void profileStep();
    void passwordStep();
    void focusNext();
    void ExecCommand(const QStringList& lines);
    bool profileDialog(TfrmProfileProperties& dialog);

    QString programDir_;
    int step_ = 0;
    int attempts_ = 0;
    bool showHidden_ = false;
    bool shown_ = false;
    bool running_ = false;
    RecordSet profiles_;

    QWidget* panels_[3] = {};
    QComboBox* cbServerList_ = nullptr;
    QLabel* listCaption_ = nullptr;
    QTableWidget* dbgvX_ = nullptr;
    QPushButton* btnCreate_ = nullptr;
    QPushButton* btnDelete_ = nullptr;
    QLabel* profileNameLabel_ = nullptr;
    QLineEdit* edProfileName_ = nullptr;
    QDateEdit* edDateTime_ = nullptr;
    QLabel* userLabel_ = nullptr;
    QComboBox* edusername_ = nullptr;
    QLabel* userNewLabel_ = nullptr;
    QLineEdit* edusernameNew_ = nullptr;
    QLineEdit* edPassWord_ = nullptr;
    QPushButton* btnLogin_ = nullptr;
    QPushButton* btnExit_ = nullptr;
};

}  // namespace dyt::client
