#include "client/common/frmprofileproperties.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/logic/prompter.h"

namespace dyt::client {

TfrmProfileProperties::TfrmProfileProperties(Mode mode, QWidget* parent)
    : QDialog(parent), mode_(mode) {
    setWindowTitle(QStringLiteral("输入账套信息"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    hint_ = new QLabel(this);
    hint_->setWordWrap(true);
    if (mode == Mode::Create) {
        hint_->setText(QStringLiteral(
            "    账套名字由汉字或英文字母组成\r\n请不要使用特殊字符、小数点、空格。"));
    } else {
        hint_->setText(QStringLiteral(
            "账套被删除后不能再恢复，你确定删除吗？\n\r你必需具有SQL Server管理员权限才能删除。\n\r"
            "请输入账号和密码："));
    }
    layout->addWidget(hint_);

    auto* form = new QFormLayout;
    edCaption_ = new QLineEdit(this);
    edCaption_->setObjectName(QStringLiteral("edProfileCaption"));
    edDbName_ = new QLineEdit(this);
    edDbName_->setObjectName(QStringLiteral("edDbName"));
    edAccount_ = new QLineEdit(this);
    edAccount_->setObjectName(QStringLiteral("edAdminName"));
    edPassword_ = new QLineEdit(this);
    edPassword_->setObjectName(QStringLiteral("edAdminPass"));
    edPassword_->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("账套名称"), edCaption_);
    form->addRow(QStringLiteral("数据库名"), edDbName_);
    form->addRow(QStringLiteral("系统管理员账号"), edAccount_);
    form->addRow(QStringLiteral("系统管理员密码"), edPassword_);
    layout->addLayout(form);
    // The database name is derived by the server; its edit stays hidden.
    form->setRowVisible(edDbName_, false);
    if (mode == Mode::Create) {
        form->setRowVisible(edAccount_, false);
        form->setRowVisible(edPassword_, false);
    } else {
        edCaption_->setEnabled(false);
        edDbName_->setEnabled(false);
    }

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("放弃"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString TfrmProfileProperties::profileCaption() const {
    return edCaption_->text();
}
QString TfrmProfileProperties::databaseName() const {
    return edDbName_->text();
}
QString TfrmProfileProperties::adminAccount() const {
    return edAccount_->text();
}
QString TfrmProfileProperties::adminPassword() const {
    return edPassword_->text();
}
void TfrmProfileProperties::setProfileCaption(const QString& text) {
    edCaption_->setText(text);
}
void TfrmProfileProperties::setDatabaseName(const QString& text) {
    edDbName_->setText(text);
}
void TfrmProfileProperties::setAdminAccount(const QString& text) {
    edAccount_->setText(text);
}
void TfrmProfileProperties::setAdminPassword(const QString& text) {
    edPassword_->setText(text);
}

void TfrmProfileProperties::btnOKClick() {
    if (mode_ == Mode::Create && edCaption_->text().trimmed().isEmpty()) {
        prompter().message(caption::hint(), QStringLiteral("输入的账套信息不合法，请检查！"));
        return;
    }
    accept();
}

}  // namespace dyt::client
