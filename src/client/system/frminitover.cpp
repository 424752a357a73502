#include "client/system/frminitover.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/settings.h"
#include "client/logic/sysadmin.h"
#include "common/error.h"
#include "common/paramlist.h"

namespace dyt::client {

TfrmInitOver::TfrmInitOver(QWidget* owner) : TfrmBaseDialog(owner) {
    setObjectName(QStringLiteral("frmInitOver"));
    setWindowTitle(initover::caption());
    lbltitle()->setText(initover::caption());

    auto* content = new QVBoxLayout(contentBox());
    // The text keeps its blank lines; a label breaks lines at LF.
    lblText_ = new QLabel(initover::explanation().remove(QLatin1Char('\r')), contentBox());
    lblText_->setObjectName(QStringLiteral("lblText"));
    content->addWidget(lblText_);

    auto* dateRow = new QHBoxLayout;
    edDate_ = new QDateEdit(contentBox());
    edDate_->setObjectName(QStringLiteral("edDate"));
    edDate_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edDate_->setCalendarPopup(true);
    lblDate_ = new QLabel(initover::dateCaption(), contentBox());
    lblDate_->setBuddy(edDate_);
    dateRow->addWidget(lblDate_);
    dateRow->addWidget(edDate_);
    dateRow->addStretch(1);
    content->addLayout(dateRow);

    auto* buttons = new QHBoxLayout;
    btnOpen_ = new QPushButton(initover::openCaption(), contentBox());
    btnOpen_->setObjectName(QStringLiteral("btnOpen"));
    btnReverse_ = new QPushButton(initover::reverseCaption(), contentBox());
    btnReverse_->setObjectName(QStringLiteral("btnReverse"));
    buttons->addStretch(1);
    buttons->addWidget(btnOpen_);
    buttons->addWidget(btnReverse_);
    content->addLayout(buttons);

    // The two operations take the place of OK; "退出(&C)" closes without doing anything.
    btnOK()->setVisible(false);

    const QDate working = settings().LoginDate;
    edDate_->setDate(working.isValid() ? working : QDate::currentDate());
    connect(btnOpen_, &QPushButton::clicked, this, [this] { btnOpenClick(); });
    connect(btnReverse_, &QPushButton::clicked, this, [this] { btnReverseClick(); });
    showState();
}

TfrmInitOver::~TfrmInitOver() = default;

void TfrmInitOver::FormShow() {
    TfrmBaseDialog::FormShow();
    showState();
}

void TfrmInitOver::showState() {
    const bool opened = settings().IsOpen != 0;
    btnOpen_->setEnabled(!opened);
    btnReverse_->setEnabled(opened);
    lblDate_->setVisible(!opened);
    edDate_->setVisible(!opened);
    (opened ? btnReverse_ : btnOpen_)->setDefault(true);
}

bool TfrmInitOver::run(bool reverse) {
    try {
        ParamList p = initover::params(
            reverse ? initover::Operation::Reverse : initover::Operation::Open, edDate_->date());
        dataModule().ExecProc(initover::procedure(), p, true);
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
        return false;
    }
    // The new state comes with the settings; a failed read has shown its own message.
    ReloadSettings();
    prompter().message(caption::hint(), initover::done());
    return true;
}

void TfrmInitOver::btnOpenClick() {
    if (!btnOpen_->isEnabled() || !run(false))
        return;
    btnOKClick();
}

void TfrmInitOver::btnReverseClick() {
    if (!btnReverse_->isEnabled() || !run(true))
        return;
    btnExitClick();
}

}  // namespace dyt::client
