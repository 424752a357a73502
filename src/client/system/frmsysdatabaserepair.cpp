#include "client/system/frmsysdatabaserepair.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/logic/dbbackup.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "common/error.h"
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
    if (prompter().ask(caption::hint(), dbbackup::repairBackedUp(), confirmButtons(), 0) != 0 ||
        prompter().ask(caption::hint(), dbbackup::repairAgain(), confirmButtons(), 0) != 0) {
        return;
    }
    try {
        ParamList params;
        {
            ProgressScope progress;
            dataModule().ExecProc(dbbackup::repairProcedure(), params);
        }
        prompter().message(caption::hint(), dbbackup::succeeded());
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), dbbackup::failed() + e.message());
        return;
    }
    TfrmBaseDialog::btnOKClick();
}

}  // namespace dyt::client
