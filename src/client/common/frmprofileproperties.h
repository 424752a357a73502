#pragma once
// TfrmProfileProperties ("输入账套信息"): the account-set dialog of the login window. In create
// mode it asks for the name only; in delete mode the names are shown read-only and the
// administrator's account and password are asked for.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace dyt::client {

class TfrmProfileProperties : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Create, Delete };

    explicit TfrmProfileProperties(Mode mode, QWidget* parent = nullptr);

    Mode mode() const { return mode_; }
    QString profileCaption() const;  // "账套名称" as typed
    QString databaseName() const;    // the hidden "数据库名" (not sent)
    QString adminAccount() const;
    QString adminPassword() const;
    void setProfileCaption(const QString& text);
    void setDatabaseName(const QString& text);
    void setAdminAccount(const QString& text);
    void setAdminPassword(const QString& text);

    QLineEdit* captionEdit() const { return edCaption_; }
    QLineEdit* accountEdit() const { return edAccount_; }
    QLineEdit* passwordEdit() const { return edPassword_; }
    QLabel* hintLabel() const { return hint_; }

    // "确定": in create mode a blank trimmed name is refused with "输入的账套信息不合法，请检查！"
    // (the dialog stays open); otherwise the dialog is accepted.
    void btnOKClick();

private:
    Mode mode_;
    QLabel* hint_ = nullptr;
    QLineEdit* edCaption_ = nullptr;
    QLineEdit* edDbName_ = nullptr;
    QLineEdit* edAccount_ = nullptr;
    QLineEdit* edPassword_ = nullptr;
};

}  // namespace dyt::client
