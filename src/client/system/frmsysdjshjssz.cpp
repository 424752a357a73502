#include "client/system/frmsysdjshjssz.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "client/bills/billkinds.h"
#include "client/bills/selectbase.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/settings.h"
#include "client/system/kindswitch.h"
#include "common/error.h"
#include "common/recordset.h"

namespace dyt::client {

namespace {

constexpr int kIdRole = Qt::UserRole;

}  // namespace

// --- TfrmSysDJSHJSSZSET

TfrmSysDJSHJSSZSET::TfrmSysDJSHJSSZSET(const QString& idList, QWidget* owner)
    : TfrmBaseDialog(owner) {
    setObjectName(QStringLiteral("frmSysDJSHJSSZSET"));
    setWindowTitle(auditlevels::employeesCaption());
    lbltitle()->setText(auditlevels::employeesCaption());

    auto* layout = new QHBoxLayout(contentBox());
    lbEmployees_ = new QListWidget(contentBox());
    lbEmployees_->setObjectName(QStringLiteral("lbEmployees"));
    layout->addWidget(lbEmployees_, 1);
    auto* side = new QVBoxLayout;
    auto* btnAdd = new QPushButton(QStringLiteral("新增(&A)"), contentBox());
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    auto* btnDelete = new QPushButton(QStringLiteral("删除(&D)"), contentBox());
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    side->addWidget(btnAdd);
    side->addWidget(btnDelete);
    side->addStretch(1);
    layout->addLayout(side);
    connect(btnAdd, &QPushButton::clicked, this, [this] { addEmployee(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { deleteEmployee(); });

    if (!idList.trimmed().isEmpty()) {
        try {
            RecordSet rows;
            dataModule().ExecQuery(auditlevels::employeesSql(idList), &rows);
            // The list keeps the order of the id list.
            const QList<qint64> order = auditlevels::idsOf(idList);
            for (qint64 id : order) {
                for (rows.first(); !rows.eof(); rows.next()) {
                    if (rows.integer(QStringLiteral("id")) != id)
                        continue;
                    auto* item =
                        new QListWidgetItem(rows.text(QStringLiteral("fullname")), lbEmployees_);
                    item->setData(kIdRole, id);
                    break;
                }
            }
        } catch (const DytError& e) {
            prompter().showError(caption::error(), e);
        }
    }
    if (lbEmployees_->count() > 0)
        lbEmployees_->setCurrentRow(0);
    lbEmployees_->setFocus(Qt::OtherFocusReason);
}

void TfrmSysDJSHJSSZSET::addEmployee() {
    const std::optional<BaseChoice> choice =
        selectBase(QStringLiteral("caozuoyuan"), QString(), this);
    if (!choice)
        return;
    for (int i = 0; i < lbEmployees_->count(); ++i) {
        if (lbEmployees_->item(i)->data(kIdRole).toLongLong() == choice->id) {
            prompter().message(caption::hint(), auditlevels::duplicate());
            lbEmployees_->setCurrentRow(lbEmployees_->count() - 1);
            return;
        }
    }
    auto* item = new QListWidgetItem(choice->name, lbEmployees_);
    item->setData(kIdRole, choice->id);
    lbEmployees_->setCurrentRow(lbEmployees_->count() - 1);
}

void TfrmSysDJSHJSSZSET::deleteEmployee() {
    const int row = lbEmployees_->currentRow();
    if (row < 0)
        return;
    delete lbEmployees_->takeItem(row);
}

void TfrmSysDJSHJSSZSET::btnOKClick() {
    QList<qint64> ids;
    QStringList names;
    for (int i = 0; i < lbEmployees_->count(); ++i) {
        ids.append(lbEmployees_->item(i)->data(kIdRole).toLongLong());
        names.append(lbEmployees_->item(i)->text());
    }
    idList_ = auditlevels::idListText(ids);
    names_ = names.join(QLatin1Char(','));
    TfrmBaseDialog::btnOKClick();
}

// --- TfrmSysDJSHJSSZ

TfrmSysDJSHJSSZ::TfrmSysDJSHJSSZ(QWidget* owner) : TfrmBaseDialog(owner) {
    setObjectName(QStringLiteral("frmSysDJSHJSSZ"));
    setWindowTitle(auditlevels::caption());
    lbltitle()->setText(auditlevels::caption());
    btnOK()->setText(QStringLiteral("保存(&O)"));

    auto* content = new QHBoxLayout(contentBox());
    auto* left = new QVBoxLayout;
    lbKinds_ = new QListWidget(contentBox());
    lbKinds_->setObjectName(QStringLiteral("lbKinds"));
    lbKinds_->setMinimumWidth(180);
    left->addWidget(lbKinds_, 1);
    auto* locateRow = new QHBoxLayout;
    edLocate_ = new QLineEdit(contentBox());
    edLocate_->setObjectName(QStringLiteral("edLocate"));
    auto* btnLocate =
        new QPushButton(auditlevels::locateCaption() + QStringLiteral("(&L)"), contentBox());
    btnLocate->setObjectName(QStringLiteral("btnLocate"));
    locateRow->addWidget(edLocate_, 1);
    locateRow->addWidget(btnLocate);
    left->addLayout(locateRow);
    content->addLayout(left);

    auto* grid = new QGridLayout;
    auto* lblLevel = new QLabel(auditlevels::levelCaption(), contentBox());
    cbLevel_ = new QComboBox(contentBox());
    cbLevel_->setObjectName(QStringLiteral("cbLevel"));
    cbLevel_->addItems(auditlevels::levelItems());
    lblLevel->setBuddy(cbLevel_);
    grid->addWidget(lblLevel, 0, 0);
    grid->addWidget(cbLevel_, 0, 1);
    grid->addWidget(new QLabel(auditlevels::firstStepNote(), contentBox()), 0, 2, 1, 2);
    for (int step = 1; step <= auditlevels::kSteps; ++step) {
        auto* label = new QLabel(QStringLiteral("%1：").arg(step), contentBox());
        auto* name = new QLineEdit(contentBox());
        name->setObjectName(QStringLiteral("edName%1").arg(step));
        label->setBuddy(name);
        grid->addWidget(label, step, 0);
        grid->addWidget(name, step, 1);
        edNames_[step - 1] = name;
        connect(name, &QLineEdit::textEdited, this, [this] { changed(); });
        // Enter moves on as in the bill headers.
        connect(name, &QLineEdit::returnPressed, this, [this] { focusNextChild(); });
        if (step == 1)
            continue;
        auto* employees = new QLineEdit(contentBox());
        employees->setObjectName(QStringLiteral("edEmployees%1").arg(step));
        employees->setReadOnly(true);
        employees->setFocusPolicy(Qt::ClickFocus);
        auto* button = new QPushButton(auditlevels::setEmployees(), contentBox());
        button->setObjectName(QStringLiteral("btnEmployees%1").arg(step));
        grid->addWidget(employees, step, 2);
        grid->addWidget(button, step, 3);
        edEmployees_[step - 2] = employees;
        btnEmployees_[step - 2] = button;
        connect(button, &QPushButton::clicked, this, [this, step] { setEmployees(step); });
    }
    grid->setRowStretch(auditlevels::kSteps + 1, 1);
    content->addLayout(grid, 1);

    connect(lbKinds_, &QListWidget::currentRowChanged, this, [this](int row) { selectKind(row); });
    connect(btnLocate, &QPushButton::clicked, this, [this] { locate(); });
    connect(edLocate_, &QLineEdit::returnPressed, this, [this] { locate(); });
    connect(cbLevel_, &QComboBox::currentIndexChanged, this, [this] {
        enableSteps();
        changed();
    });

    loadKinds();
    lbKinds_->setFocus(Qt::OtherFocusReason);
}

TfrmSysDJSHJSSZ::~TfrmSysDJSHJSSZ() = default;

void TfrmSysDJSHJSSZ::loadKinds() {
    try {
        RecordSet rows;
        dataModule().ExecQuery(auditlevels::kindsSql(), &rows);
        fillKinds(lbKinds_, kindIds_, rows);
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
    if (!kindIds_.isEmpty()) {
        {
            const QSignalBlocker block(lbKinds_);
            lbKinds_->setCurrentRow(0);
        }
        loadKind(kindIds_.first());
    } else {
        enableSteps();
    }
    btnOK()->setEnabled(kindId_ >= 0);
}

void TfrmSysDJSHJSSZ::loadKind(int kindId) {
    loading_ = true;
    try {
        RecordSet rows;
        dataModule().ExecQuery(auditlevels::kindSql(kindId), &rows);
        const auditlevels::Levels l = auditlevels::Levels::fromRows(rows);
        cbLevel_->setCurrentIndex(l.levelIndex);
        for (int step = 1; step <= auditlevels::kSteps; ++step)
            edNames_[step - 1]->setText(l.names[step - 1]);
        for (int i = 0; i < auditlevels::kSteps - 1; ++i) {
            idLists_[i] = l.idLists[i];
            edEmployees_[i]->setText(l.texts[i]);
        }
        kindId_ = kindId;
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
    loading_ = false;
    modified_ = false;
    enableSteps();
    btnOK()->setEnabled(kindId_ >= 0);
}

void TfrmSysDJSHJSSZ::enableSteps() {
    const int level = cbLevel_->currentIndex();
    for (int step = 1; step <= auditlevels::kSteps; ++step) {
        const bool on = auditlevels::stepEnabled(level, step);
        edNames_[step - 1]->setEnabled(on);
        if (step >= 2) {
            edEmployees_[step - 2]->setEnabled(on);
            btnEmployees_[step - 2]->setEnabled(on);
        }
    }
}

void TfrmSysDJSHJSSZ::changed() {
    if (!loading_)
        modified_ = true;
}

bool TfrmSysDJSHJSSZ::askSaveChanges() {
    if (!modified_)
        return true;
    if (prompter().ask(caption::hint(), auditlevels::askSave(), buttons::confirmAbandon(), 0) == 0)
        return Save();
    modified_ = false;
    return true;
}

void TfrmSysDJSHJSSZ::selectKind(int row) {
    switchKind(
        lbKinds_, kindIds_, kindId_, row, [this] { return askSaveChanges(); },
        [this](int kind) { loadKind(kind); });
}

void TfrmSysDJSHJSSZ::locate() {
    const QString text = edLocate_->text().trimmed();
    if (text.isEmpty())
        return;
    for (int row = 0; row < lbKinds_->count(); ++row) {
        if (lbKinds_->item(row)->text().contains(text, Qt::CaseInsensitive)) {
            lbKinds_->setCurrentRow(row);
            lbKinds_->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void TfrmSysDJSHJSSZ::setEmployees(int step) {
    if (step < 2 || step > auditlevels::kSteps || kindId_ < 0)
        return;
    TfrmSysDJSHJSSZSET dialog(idLists_[step - 2], this);
    if (dialog.exec() != 1)
        return;
    idLists_[step - 2] = dialog.idList();
    edEmployees_[step - 2]->setText(dialog.names());
    changed();
}

auditlevels::Levels TfrmSysDJSHJSSZ::levels() const {
    auditlevels::Levels l;
    l.levelIndex = cbLevel_->currentIndex();
    for (int step = 1; step <= auditlevels::kSteps; ++step)
        l.names[step - 1] = edNames_[step - 1]->text();
    for (int i = 0; i < auditlevels::kSteps - 1; ++i) {
        l.idLists[i] = idLists_[i];
        l.texts[i] = edEmployees_[i]->text();
    }
    return l;
}

bool TfrmSysDJSHJSSZ::Save() {
    if (kindId_ < 0)
        return false;
    try {
        dataModule().ExecUpdate(auditlevels::saveSql(kindId_, levels()));
    } catch (const DytError& e) {
        // "modified" stays set: leaving the kind asks again.
        prompter().showError(caption::error(), auditlevels::saveFailed() + e.message());
        return false;
    }
    modified_ = false;
    prompter().message(caption::hint(), auditlevels::saved());
    // Open bill windows see the new steps.
    try {
        if (settingsReloader())
            settingsReloader()();
        else
            loadBillKinds(dataModule());
    } catch (const std::exception& e) {
        prompter().showError(caption::hint(), e);
    }
    return true;
}

void TfrmSysDJSHJSSZ::btnOKClick() {
    btnOK()->setFocus(Qt::OtherFocusReason);
    Save();
}

bool TfrmSysDJSHJSSZ::FormCloseQuery() {
    return askSaveChanges();
}

}  // namespace dyt::client
