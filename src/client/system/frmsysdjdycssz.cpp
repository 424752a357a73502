#include "client/system/frmsysdjdycssz.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "common/error.h"
#include "common/recordset.h"

namespace dyt::client {

namespace {

constexpr int kIdRole = Qt::UserRole;

// The password columns show stars and edit masked.
class PasswordDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale&) const override {
        return QString(value.toString().size(), QLatin1Char('*'));
    }
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setEchoMode(QLineEdit::Password);
        return editor;
    }
};

}  // namespace

// --- TfrmBaseSet2

TfrmBaseSet2::TfrmBaseSet2(QWidget* owner) : TfrmBaseDialog(owner) {
    setObjectName(QStringLiteral("frmBaseSet2"));
    setWindowTitle(printlimits::oneClickCaption());
    lbltitle()->setText(printlimits::oneClickCaption());
    auto* layout = new QVBoxLayout(contentBox());
    pages_ = new QTabWidget(contentBox());
    layout->addWidget(pages_);
    auto* page = new QWidget(pages_);
    auto* form = new QFormLayout(page);
    edCount_ = new QSpinBox(page);
    edCount_->setObjectName(QStringLiteral("edCount"));
    edCount_->setRange(0, 99999);
    edCount_->setValue(1);
    edPassword_ = new QLineEdit(page);
    edPassword_->setObjectName(QStringLiteral("edPassword"));
    edPassword_->setEchoMode(QLineEdit::Password);
    edConfirm_ = new QLineEdit(page);
    edConfirm_->setObjectName(QStringLiteral("edConfirm"));
    edConfirm_->setEchoMode(QLineEdit::Password);
    form->addRow(printlimits::countLabel(), edCount_);
    form->addRow(printlimits::passwordLabel(), edPassword_);
    form->addRow(printlimits::confirmLabel(), edConfirm_);
    pages_->addTab(page, printlimits::oneClickCaption());
    // Enter moves on as in the other settings windows; from the confirmation it accepts.
    connect(edPassword_, &QLineEdit::returnPressed, this, [this] { edConfirm_->setFocus(); });
    connect(edConfirm_, &QLineEdit::returnPressed, this, [this] { btnOKClick(); });
    edCount_->setFocus(Qt::OtherFocusReason);
}

int TfrmBaseSet2::count() const {
    return edCount_->value();
}

QString TfrmBaseSet2::password() const {
    return edPassword_->text().trimmed();
}

QString TfrmBaseSet2::confirm() const {
    return edConfirm_->text().trimmed();
}

void TfrmBaseSet2::btnOKClick() {
    edCount_->interpretText();
    const auto failure =
        printlimits::checkOneClick(edCount_->value(), edPassword_->text(), edConfirm_->text());
    if (failure) {
        prompter().message(caption::hint(), failure->message);
        QWidget* fields[] = {edCount_, edPassword_, edConfirm_};
        fields[failure->field]->setFocus(Qt::OtherFocusReason);
        return;
    }
    TfrmBaseDialog::btnOKClick();
}

// --- TfrmSysDJDYCSSZ

TfrmSysDJDYCSSZ::TfrmSysDJDYCSSZ(QWidget* owner) : TfrmBaseDialog(owner) {
    setObjectName(QStringLiteral("frmSysDJDYCSSZ"));
    setWindowTitle(printlimits::caption());
    lbltitle()->setText(printlimits::caption());
    resize(720, 560);

    auto* layout = new QVBoxLayout(contentBox());
    grid_ = new QTableWidget(0, printlimits::kColumns, contentBox());
    grid_->setObjectName(QStringLiteral("grid"));
    QStringList captions;
    for (int c = 0; c < printlimits::kColumns; ++c)
        captions << printlimits::columnCaption(c);
    grid_->setHorizontalHeaderLabels(captions);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                           QAbstractItemView::EditKeyPressed);
    grid_->setTabKeyNavigation(true);
    auto* masked = new PasswordDelegate(grid_);
    grid_->setItemDelegateForColumn(printlimits::kPassword, masked);
    grid_->setItemDelegateForColumn(printlimits::kConfirm, masked);
    grid_->horizontalHeader()->setSectionResizeMode(printlimits::kName, QHeaderView::Stretch);
    layout->addWidget(grid_, 1);
    auto* buttons = new QHBoxLayout;
    btnSetAll_ = new QPushButton(printlimits::setAll() + QStringLiteral("(&A)"), contentBox());
    btnSetAll_->setObjectName(QStringLiteral("btnSetAll"));
    btnClearAll_ = new QPushButton(printlimits::clearAll() + QStringLiteral("(&D)"), contentBox());
    btnClearAll_->setObjectName(QStringLiteral("btnClearAll"));
    buttons->addWidget(btnSetAll_);
    buttons->addWidget(btnClearAll_);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(btnSetAll_, &QPushButton::clicked, this, [this] { setAll(); });
    connect(btnClearAll_, &QPushButton::clicked, this, [this] { clearAll(); });
    connect(grid_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!filling_ && item->column() == printlimits::kCheck)
            checkChanged(item->row());
    });

    load();
    grid_->setFocus(Qt::OtherFocusReason);
}

TfrmSysDJDYCSSZ::~TfrmSysDJDYCSSZ() = default;

void TfrmSysDJDYCSSZ::load() {
    try {
        RecordSet rs;
        dataModule().ExecQuery(printlimits::kindsSql(), &rs);
        fill(printlimits::rowsOf(rs));
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
    btnOK()->setEnabled(grid_->rowCount() > 0);
    if (grid_->rowCount() > 0)
        grid_->setCurrentCell(0, printlimits::kCheck);
}

void TfrmSysDJDYCSSZ::fill(const QList<printlimits::Row>& rows) {
    filling_ = true;
    const QSignalBlocker block(grid_);
    const int row0 = grid_->currentRow();
    const int column0 = grid_->currentColumn();
    grid_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const printlimits::Row& row = rows.at(r);
        auto* name = new QTableWidgetItem(row.name);
        name->setData(kIdRole, row.id);
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        grid_->setItem(r, printlimits::kName, name);
        auto* check = new QTableWidgetItem;
        check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        check->setCheckState(row.check ? Qt::Checked : Qt::Unchecked);
        grid_->setItem(r, printlimits::kCheck, check);
        grid_->setItem(r, printlimits::kMaximum, new QTableWidgetItem(row.maximum));
        grid_->setItem(r, printlimits::kPassword, new QTableWidgetItem(row.password));
        grid_->setItem(r, printlimits::kConfirm, new QTableWidgetItem(row.confirm));
    }
    // The grid stays on its focused cell.
    if (row0 >= 0 && row0 < grid_->rowCount())
        grid_->setCurrentCell(row0, column0);
    filling_ = false;
    grid_->viewport()->update();
}

QList<printlimits::Row> TfrmSysDJDYCSSZ::rows() const {
    QList<printlimits::Row> rows;
    for (int r = 0; r < grid_->rowCount(); ++r) {
        printlimits::Row row;
        const auto text = [this, r](int c) {
            const QTableWidgetItem* item = grid_->item(r, c);
            return item ? item->text() : QString();
        };
        row.id = grid_->item(r, printlimits::kName)->data(kIdRole).toInt();
        row.name = text(printlimits::kName);
        row.check = grid_->item(r, printlimits::kCheck)->checkState() == Qt::Checked;
        row.maximum = text(printlimits::kMaximum);
        row.password = text(printlimits::kPassword);
        row.confirm = text(printlimits::kConfirm);
        rows << row;
    }
    return rows;
}

void TfrmSysDJDYCSSZ::checkChanged(int row) {
    QList<printlimits::Row> all = rows();
    if (row < 0 || row >= all.size() || all.at(row).check)
        return;
    printlimits::untick(all[row]);
    fill(all);
}

void TfrmSysDJDYCSSZ::clearAll() {
    if (!prompter().confirm(caption::hint(), printlimits::askClearAll()))
        return;
    QList<printlimits::Row> all = rows();
    for (printlimits::Row& r : all)
        printlimits::untick(r);
    fill(all);
}

void TfrmSysDJDYCSSZ::setAll() {
    if (!prompter().confirm(caption::hint(), printlimits::askSetAll()))
        return;
    TfrmBaseSet2 dialog(this);
    if (dialog.exec() != 1)
        return;
    QList<printlimits::Row> all = rows();
    printlimits::setEvery(all, dialog.count(), dialog.password(), dialog.confirm());
    fill(all);
}

bool TfrmSysDJDYCSSZ::Save() {
    // A cell still being edited counts.
    if (QWidget* editor = grid_->focusWidget(); editor && editor != grid_)
        grid_->setFocus(Qt::OtherFocusReason);
    const QList<printlimits::Row> all = rows();
    if (const auto failure = printlimits::check(all)) {
        grid_->setCurrentCell(failure->row, printlimits::kCheck);
        prompter().message(caption::hint(), failure->message);
        return false;
    }
    try {
        dataModule().ExecUpdate(printlimits::saveSql(all));
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), printlimits::saveFailed() + e.message());
        return false;
    }
    prompter().message(caption::hint(), printlimits::saved());
    return true;
}

void TfrmSysDJDYCSSZ::btnOKClick() {
    btnOK()->setFocus(Qt::OtherFocusReason);
    if (Save())
        TfrmBaseDialog::btnOKClick();
}

}  // namespace dyt::client
