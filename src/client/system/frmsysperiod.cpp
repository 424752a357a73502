#include "client/system/frmsysperiod.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "client/logic/dmmain.h"
#include "client/logic/periodclose.h"
#include "client/logic/prompter.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"

namespace dyt::client {

namespace {

QDate workingDay() {
    const QDate d = settings().LoginDate;
    return d.isValid() ? d : QDate::currentDate();
}

void setTitle(TfrmBaseDialog* dialog, const QString& objectName, const QString& title) {
    dialog->setObjectName(objectName);
    dialog->setWindowTitle(title);
    dialog->lbltitle()->setText(title);
}

}  // namespace

// --- month close

TfrmSysPeriodClose::TfrmSysPeriodClose(QWidget* owner) : TfrmBaseDialog(owner) {
    setTitle(this, QStringLiteral("frmSysPeriodClose"), periodclose::caption());
    auto* content = new QVBoxLayout(contentBox());
    pages_ = new QTabWidget(contentBox());
    pages_->setObjectName(QStringLiteral("pcPeriod"));
    content->addWidget(pages_);

    auto* closePage = new QWidget(pages_);
    auto* form = new QFormLayout(closePage);
    lblBegin_ = new QLabel(closePage);
    lblBegin_->setObjectName(QStringLiteral("lblBegin"));
    form->addRow(lblBegin_);
    edEnd_ = new QDateEdit(closePage);
    edEnd_->setObjectName(QStringLiteral("edEnd"));
    edEnd_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edEnd_->setCalendarPopup(true);
    form->addRow(periodclose::endCaption(), edEnd_);
    edName_ = new QLineEdit(closePage);
    edName_->setObjectName(QStringLiteral("edName"));
    edName_->setMaxLength(50);
    form->addRow(periodclose::nameCaption(), edName_);
    pages_->addTab(closePage, periodclose::caption());

    auto* undoPage = new QWidget(pages_);
    auto* undoLayout = new QVBoxLayout(undoPage);
    lblUndoNote_ = new QLabel(undoPage);
    lblUndoNote_->setObjectName(QStringLiteral("lblUndoNote"));
    undoLayout->addWidget(lblUndoNote_);
    undoLayout->addStretch(1);
    pages_->addTab(undoPage, periodclose::undoCaption());

    // The OK button names the operation of the page shown.
    const auto follow = [this](int index) { btnOK()->setText(pages_->tabText(index)); };
    connect(pages_, &QTabWidget::currentChanged, this, follow);
    follow(0);
    const QDate day = workingDay();
    edEnd_->setDate(day);
    edName_->setText(periodclose::defaultName(day));
}

TfrmSysPeriodClose::~TfrmSysPeriodClose() = default;

void TfrmSysPeriodClose::FormShow() {
    TfrmBaseDialog::FormShow();
    readPeriods();
}

void TfrmSysPeriodClose::readPeriods() {
    periodclose::YearMonths m;
    try {
        RecordSet rows;
        dataModule().ExecQuery(periodclose::periodsSql(), &rows);
        m = periodclose::yearMonths(rows, settings().JxcPeriodNow);
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
    }
    months_ = m.months;
    lblBegin_->setText(periodclose::beginCaption() +
                       m.openBegin.toString(QStringLiteral("yyyy-MM-dd")));
    lblUndoNote_->setText(periodclose::undoNote(months_));
}

void TfrmSysPeriodClose::btnOKClick() {
    const bool undo = pages_->currentIndex() == 1;
    if (!undo && periodclose::yearFullyClosed(months_)) {
        prompter().message(caption::hint(), periodclose::yearFull());
        return;
    }
    if (undo &&
        prompter().ask(caption::hint(), periodclose::confirmUndo(), buttons::okCancel(), 0) != 0) {
        return;
    }
    try {
        ParamList p =
            periodclose::params(undo ? periodclose::Operation::Undo : periodclose::Operation::Close,
                                edEnd_->date(), edName_->text());
        dataModule().ExecProc(periodclose::procedure(), p, true);
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
        return;
    }
    ReloadSettings();
    prompter().message(caption::hint(), periodclose::done());
    TfrmBaseDialog::btnOKClick();
}

// --- year close

TfrmSysYearClose::TfrmSysYearClose(QWidget* owner) : TfrmBaseDialog(owner) {
    setTitle(this, QStringLiteral("frmSysYearClose"), yearclose::caption());
    auto* content = new QVBoxLayout(contentBox());
    cbClearOrders_ = new QCheckBox(yearclose::clearOrders(), contentBox());
    cbClearOrders_->setObjectName(QStringLiteral("cbClearOrder"));
    content->addWidget(cbClearOrders_);
    auto* note = new QLabel(yearclose::note(), contentBox());
    note->setWordWrap(true);
    content->addWidget(note);
    content->addStretch(1);
    btnOK()->setText(yearclose::caption());
}

TfrmSysYearClose::~TfrmSysYearClose() = default;

void TfrmSysYearClose::btnOKClick() {
    if (queryOnly()) {
        prompter().message(caption::hint(), dmtext::queryOnly());
        return;
    }
    if (prompter().ask(caption::hint(), yearclose::confirm(), buttons::okCancel(), 0) != 0)
        return;
    // The account set goes to the server's backups first, under the login's own token.
    const TLoginedUser& user = loginedUser();
    QString failure;
    bool backedUp = false;
    {
        ProgressScope progress(yearclose::backingUp());
        try {
            const Response r = dataModule().GetAppServer().call(
                QStringLiteral("BackupProfile"),
                {user.ProfileName, user.ProfileCaption,
                 yearclose::backupFileName(user.ProfileCaption, QDateTime::currentDateTime()),
                 user.dbUserName, user.dbPassword, 0});
            backedUp = r.code() == 0;
            failure = r.outText(1);
        } catch (const DytError& e) {
            failure = e.message();
        }
    }
    if (!backedUp) {
        prompter().message(caption::hint(), yearclose::backupFailed() + failure,
                           MessageIcon::Error);
        return;
    }
    try {
        ProgressScope progress(yearclose::closing());
        ParamList p = yearclose::params(cbClearOrders_->isChecked());
        dataModule().ExecProc(yearclose::procedure(), p, true);
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
        return;
    }
    prompter().message(caption::hint(), yearclose::done());
    TfrmBaseDialog::btnOKClick();
}

// --- system rebuild

TfrmSysRestart::TfrmSysRestart(QWidget* owner) : TfrmBaseDialog(owner) {
    setTitle(this, QStringLiteral("frmSysRestart"), rebuild::caption());
    auto* content = new QVBoxLayout(contentBox());
    cbDelDraft_ = new QCheckBox(rebuild::delDraft(), contentBox());
    cbDelDraft_->setObjectName(QStringLiteral("cbDelDraft"));
    cbDelOpening_ = new QCheckBox(rebuild::delOpening(), contentBox());
    cbDelOpening_->setObjectName(QStringLiteral("cbDelKmInfo"));
    content->addWidget(cbDelDraft_);
    content->addWidget(cbDelOpening_);
    auto* orders = new QGroupBox(rebuild::orderOptions(), contentBox());
    orders->setObjectName(QStringLiteral("rgOrderform"));
    auto* orderLayout = new QVBoxLayout(orders);
    rbKeep_ = new QRadioButton(rebuild::keepOrders(), orders);
    rbClear_ = new QRadioButton(rebuild::clearAllOrders(), orders);
    rbKeep_->setChecked(true);
    orderLayout->addWidget(rbKeep_);
    orderLayout->addWidget(rbClear_);
    content->addWidget(orders);
    content->addStretch(1);
}

TfrmSysRestart::~TfrmSysRestart() = default;

void TfrmSysRestart::btnOKClick() {
    if (prompter().ask(caption::hint(), rebuild::confirmBackup(), rebuild::confirmButtons(), 0) !=
            0 ||
        prompter().ask(caption::hint(), rebuild::confirmAgain(), rebuild::confirmButtons(), 0) !=
            0) {
        return;
    }
    try {
        ParamList p = rebuild::params(cbDelDraft_->isChecked(), cbDelOpening_->isChecked(),
                                      rbClear_->isChecked() ? 1 : 0);
        dataModule().ExecProc(rebuild::procedure(), p, true);
    } catch (const DytError& e) {
        prompter().message(caption::hint(), rebuild::failed() + e.message(), MessageIcon::Error);
        return;
    }
    prompter().message(caption::hint(), rebuild::done());
    TfrmBaseDialog::btnOKClick();
}

}  // namespace dyt::client
