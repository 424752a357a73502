#include "client/system/frmsysdatabaserepair.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/logic/dbbackup.h"
#include "common/paramlist.h"

namespace dyt::client {

TfrmSysDatabaseRepair::TfrmSysDatabaseRepair(QWidget* owner) : TfrmBaseDialog(owner) {
    setObjectName(QStringLiteral("frmSysDatabaseRepair"));
    setWindowTitle(dbbackup::repairCaption());
    lbltitle()->setText(dbbackup::repairCaption());
    auto* content = new QVBoxLayout(contentBox());
    lblNote_ = new QLabel(dbbackup::repairNote(), contentBox());
    lblNote_->setObjectName(QStringLiteral("lblNote"));
    lblNote_->setWordWrap(true);
    content->addWidget(lblNote_);
    content->addStretch(1);
    resize(420, 220);
}

TfrmSysDatabaseRepair::~TfrmSysDatabaseRepair() = default;

void TfrmSysDatabaseRepair::btnOKClick() {
    ParamList none;
    if (confirmMaintenance(dbbackup::repairCaption()) &&
        runMaintenance(dbbackup::repairProcedure(), none)) {
        TfrmBaseDialog::btnOKClick();
    }
}

}  // namespace dyt::client
