#include "client/system/frmsysjbxxzdpz.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QTableView>
#include <QToolBar>

#include "client/common/gridlayout.h"
#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/settings.h"
#include "client/logic/voucher.h"
#include "common/error.h"

namespace dyt::client {

namespace {

// The answers of the question on leaving with unsaved captions.
QStringList yesNoButtons() {
    return {QStringLiteral("是(&Y)"), QStringLiteral("否(&N)")};
}

// The flash of a successful save closes by itself after this time.
constexpr int kSavedFlashMs = 600;

}  // namespace

TfrmSysJBXXZDPZ::TfrmSysJBXXZDPZ(QWidget* parent) : TfrmXAbstract(parent) {
    setObjectName(QStringLiteral("TfrmSysJBXXZDPZ"));
    setTitle(fieldcaptions::title());
    buildControls();
}

void TfrmSysJBXXZDPZ::buildControls() {
    auto* box = new QWidget(panBillTitle());
    box->setObjectName(QStringLiteral("panKinds"));
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    auto* group = new QButtonGroup(box);
    const QList<fieldcaptions::Kind>& kinds = fieldcaptions::kinds();
    for (int i = 0; i < kinds.size(); ++i) {
        auto* button = new QRadioButton(kinds.at(i).caption, box);
        button->setObjectName(QStringLiteral("rbKind%1").arg(i + 1));
        group->addButton(button, i);
        row->addWidget(button);
        kindButtons_ << button;
        const int prefix = kinds.at(i).prefix;
        connect(button, &QRadioButton::toggled, this, [this, prefix](bool on) {
            if (!on || prefix == prefix_)
                return;
            if (!askSaveChanges()) {
                // The kind shown stays chosen.
                const QList<fieldcaptions::Kind>& all = fieldcaptions::kinds();
                for (int k = 0; k < all.size(); ++k) {
                    if (all.at(k).prefix == prefix_)
                        kindButtons_.at(k)->setChecked(true);
                }
                return;
            }
            loadKind(prefix);
        });
    }
    row->addStretch(1);
    panBillTitle()->layout()->addWidget(box);

    btnSave_ = new QAction(fieldcaptions::saveButton(), this);
    btnSave_->setObjectName(QStringLiteral("btnBillSaveToDraft"));
    btnSave_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    btnSave_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    btnDefault_ = new QAction(fieldcaptions::defaultButton(), this);
    btnDefault_->setObjectName(QStringLiteral("btnCopy"));
    btnDefault_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    btnDefault_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    toolBar()->insertAction(btnPrint(), btnSave_);
    toolBar()->insertAction(btnPrint(), btnDefault_);
    addAction(btnSave_);
    addAction(btnDefault_);
    connect(btnSave_, &QAction::triggered, this, [this] { Save(); });
    connect(btnDefault_, &QAction::triggered, this, [this] { btnDefaultClick(); });

    GridColumn& code = addColumn(QStringLiteral("code"), QStringLiteral("code"), false, 0);
    code.visible = false;
    addColumn(fieldcaptions::fieldColumn(), QStringLiteral("fieldName"), false, 200);
    addColumn(fieldcaptions::nameColumn(), QStringLiteral("Name"), true, 200);
    connect(model(), &QAbstractItemModel::dataChanged, this, [this] {
        if (!loading_)
            modified_ = true;
    });
}

void TfrmSysJBXXZDPZ::showEvent(QShowEvent* event) {
    TfrmXAbstract::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    btnPrint()->setVisible(checkPurview(QString::number(fieldcaptions::kFunctionCode),
                                        QStringLiteral("02"), QString(), false));
    kindButtons_.first()->setChecked(true);
    dbgvX()->table()->setFocus();
}

void TfrmSysJBXXZDPZ::loadKind(int prefix) {
    loading_ = true;
    try {
        RecordSet rows;
        dataModule().ExecQuery(fieldcaptions::loadSql(prefix), &rows);
        records() = std::move(rows);
        prefix_ = prefix;
    } catch (const DytError& e) {
        showError(e);
    }
    showRecords();
    loading_ = false;
    modified_ = false;
    if (model()->rowCount() > 0) {
        setFocusedRow(0);
        QTableView* table = dbgvX()->table();
        table->setCurrentIndex(
            model()->index(0, gridDefinition().columnIndex(QStringLiteral("Name"))));
    }
}

void TfrmSysJBXXZDPZ::btnDefaultClick() {
    RecordSet& rs = records();
    const int from = rs.fieldIndex(QStringLiteral("fieldName"));
    const int to = rs.fieldIndex(QStringLiteral("Name"));
    if (from < 0 || to < 0)
        return;
    for (int r = 0; r < rs.rowCount(); ++r)
        rs.setAt(r, to, rs.at(r, from));
    model()->reload();
    modified_ = true;
}

bool TfrmSysJBXXZDPZ::Save() {
    QTableView* table = dbgvX()->table();
    // A caption still being typed counts: the editor hands it over when it loses the focus.
    table->setFocus();
    RecordSet& rs = records();
    const int codeField = rs.fieldIndex(QStringLiteral("code"));
    const int nameField = rs.fieldIndex(QStringLiteral("Name"));
    if (codeField < 0 || nameField < 0)
        return false;
    const int rows = model()->rowCount();
    // Every caption is checked before the first is stored: an empty one stores none.
    for (int r = 0; r < rows; ++r) {
        if (rs.at(model()->rawRow(r), nameField).toString().trimmed().isEmpty()) {
            prompter().message(caption::hint(), fieldcaptions::emptyName());
            table->setCurrentIndex(
                model()->index(r, gridDefinition().columnIndex(QStringLiteral("Name"))));
            setFocusedRow(r);
            return false;
        }
    }
    try {
        ProgressScope progress(fieldcaptions::saving(), rows);
        TdmMain& dm = dataModule();
        for (int r = 0; r < rows; ++r) {
            progress.setPosition(r);
            const int raw = model()->rawRow(r);
            dm.ExecUpdate(fieldcaptions::updateSql(rs.at(raw, codeField).toString(),
                                                   rs.at(raw, nameField).toString().trimmed()));
        }
        dm.ExecUpdate(fieldcaptions::menuSql());
        ReloadColumnConfigs();
        RecordSet captions;
        dm.ExecQuery(QStringLiteral("SELECT * FROM baseFieldNames"), &captions);
        settings().applyFieldNames(captions);
    } catch (const DytError& e) {
        prompter().message(caption::error(), fieldcaptions::errorPrefix() + e.message(),
                           MessageIcon::Error);
        return false;
    }
    prompter().flash(fieldcaptions::saved(), kSavedFlashMs);
    modified_ = false;
    return true;
}

bool TfrmSysJBXXZDPZ::askSaveChanges() {
    if (!modified_)
        return true;
    const int answer = prompter().ask(caption::hint(), fieldcaptions::askSave(), yesNoButtons(), 0);
    if (answer == 0)
        return Save();
    if (answer == 1) {
        modified_ = false;
        return true;
    }
    return false;
}

void TfrmSysJBXXZDPZ::closeEvent(QCloseEvent* event) {
    if (!askSaveChanges()) {
        event->ignore();
        return;
    }
    TfrmXAbstract::closeEvent(event);
}

}  // namespace dyt::client
