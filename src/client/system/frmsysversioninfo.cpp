#include "client/system/frmsysversioninfo.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "client/logic/dmmain.h"
#include "client/logic/sysadmin.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"

namespace dyt::client {

namespace {

QLabel* valueLabel(QFormLayout* form, const QString& caption, const char* name,
                   const QString& value = QString()) {
    auto* label = new QLabel(value, form->parentWidget());
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(caption, label);
    return label;
}

}  // namespace

TfrmSysVersionInfo::TfrmSysVersionInfo(QWidget* owner) : TfrmBaseDialog(owner) {
    setObjectName(QStringLiteral("frmSysVersionInfo"));
    setWindowTitle(versioninfo::caption());
    lbltitle()->setText(versioninfo::productName());

    auto* form = new QFormLayout(contentBox());
    valueLabel(form, QStringLiteral("产品名称："), "lblProduct", versioninfo::productName());
    lblClient_ = valueLabel(form, QStringLiteral("客户端版本："), "lblClientVersion",
                            versioninfo::clientVersion());
    lblBuild_ =
        valueLabel(form, QStringLiteral("编译日期："), "lblBuildDate", versioninfo::buildDate());
    lblServer_ = valueLabel(form, QStringLiteral("服务器版本："), "lblServerVersion");
    lblSchema_ = valueLabel(form, QStringLiteral("账套版本："), "lblSchemaVersion");
    lblError_ = new QLabel(contentBox());
    lblError_->setObjectName(QStringLiteral("lblError"));
    lblError_->setWordWrap(true);
    lblError_->setStyleSheet(QStringLiteral("color: #C00000"));
    form->addRow(lblError_);

    // Only something to read: one button closes it.
    btnExit()->setVisible(false);
    btnOK()->setDefault(true);
    readServer();
}

TfrmSysVersionInfo::~TfrmSysVersionInfo() = default;

void TfrmSysVersionInfo::readServer() {
    versioninfo::ServerVersion v;
    try {
        ParamList p;
        RecordSet rows;
        dataModule().ExecProcQuery(versioninfo::procedure(), p, &rows);
        v = versioninfo::fromRows(rows);
    } catch (const DytError& e) {
        v = {};
        v.error = e.message();
    }
    lblServer_->setText(v.server);
    lblSchema_->setText(v.schema);
    lblError_->setText(v.error);
    lblError_->setVisible(!v.error.isEmpty());
}

}  // namespace dyt::client
