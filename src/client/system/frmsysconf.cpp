#include "client/system/frmsysconf.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "client/bills/selectbase.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "common/recordset.h"

namespace dyt::client {

using namespace sysconf;

namespace {

QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

QSpinBox* spin(const QString& name, int low, int high, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(low, high);
    return box;
}

}  // namespace

TfrmSysConf::TfrmSysConf(QWidget* owner) : TfrmBaseDialog(owner) {
    setObjectName(QStringLiteral("frmSysConf"));
    setWindowTitle(caption());
    lbltitle()->setText(caption());
    btnOK()->setText(saveButton());
    auto* layout = new QVBoxLayout(contentBox());
    pages_ = new QTabWidget(contentBox());
    pages_->setObjectName(QStringLiteral("pcConf"));
    pages_->addTab(buildCompanyPage(), companyPage());
    pages_->addTab(buildSwitchesPage(), switchesPage());
    pages_->addTab(buildOptionsPage(), optionsPage());
    layout->addWidget(pages_);
    setMinimumWidth(560);
    // A page brought to the front takes the focus on its first field.
    connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
        QWidget* first[] = {company_[0], grdConf_, chkNegative_};
        if (index >= 0 && index < 3 && isVisible())
            first[index]->setFocus(Qt::TabFocusReason);
    });

    fill(fromSettings(settings()));
    try {
        loadSwitches();
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e.message());
    }
    pages_->setCurrentIndex(0);
    company_[0]->setFocus();
}

TfrmSysConf::~TfrmSysConf() = default;

QWidget* TfrmSysConf::buildCompanyPage() {
    auto* page = new QWidget(pages_);
    auto* grid = new QGridLayout(page);
    for (std::size_t i = 0; i < kCompanyFields.size(); ++i) {
        auto* edit = new QLineEdit(page);
        edit->setObjectName(QStringLiteral("ed") +
                            QString::fromLatin1(kCompanyFields[i].parameter));
        company_[i] = edit;
        const int row = static_cast<int>(i) / 2, column = static_cast<int>(i) % 2 * 2;
        grid->addWidget(buddyLabel(QString::fromUtf16(kCompanyFields[i].caption), edit, page), row,
                        column);
        grid->addWidget(edit, row, column + 1);
    }
    grid->setRowStretch(static_cast<int>(kCompanyFields.size()) / 2, 1);
    return page;
}

QWidget* TfrmSysConf::buildSwitchesPage() {
    auto* page = new QWidget(pages_);
    auto* layout = new QVBoxLayout(page);
    grdConf_ = new QTableWidget(0, 2, page);
    grdConf_->setObjectName(QStringLiteral("grdConf"));
    grdConf_->setHorizontalHeaderLabels({QStringLiteral("配置类名称"), QStringLiteral("允许")});
    grdConf_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    grdConf_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    grdConf_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdConf_->setSelectionMode(QAbstractItemView::SingleSelection);
    grdConf_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdConf_->setTabKeyNavigation(false);
    layout->addWidget(grdConf_);
    // Space toggles the switch of the focused row, a click its check box.
    grdConf_->installEventFilter(this);
    connect(grdConf_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!filling_ && item->column() == 1)
            modified_ = true;
    });
    return page;
}

QWidget* TfrmSysConf::buildOptionsPage() {
    auto* page = new QWidget(pages_);
    auto* layout = new QVBoxLayout(page);
    auto* warning = new QLabel(sysconf::warning(), page);
    warning->setObjectName(QStringLiteral("lblWarning"));
    warning->setWordWrap(true);
    warning->setStyleSheet(QStringLiteral("color: red"));
    layout->addWidget(warning);

    chkNegative_ = new QCheckBox(QStringLiteral("系统使用负库存(只适用于加权平均算法)"), page);
    chkNegative_->setObjectName(QStringLiteral("chkNegativeStock"));
    chkQuickPrint_ = new QCheckBox(QStringLiteral("本地快速打印"), page);
    chkQuickPrint_->setObjectName(QStringLiteral("chkQuickPrint"));
    layout->addWidget(chkNegative_);
    layout->addWidget(chkQuickPrint_);

    auto* lists = new QGridLayout;
    cbCost_ = new QComboBox(page);
    cbCost_->setObjectName(QStringLiteral("cbCost"));
    cbCost_->addItems(costAlgorithms());
    cbSettle_ = new QComboBox(page);
    cbSettle_->setObjectName(QStringLiteral("cbSettle"));
    cbSettle_->addItems(settlementModes());
    QLabel* lblCost = buddyLabel(QStringLiteral("成本算法"), cbCost_, page);
    QLabel* lblSettle = buddyLabel(QStringLiteral("收付款结算方式"), cbSettle_, page);
    lists->addWidget(lblCost, 0, 0);
    lists->addWidget(cbCost_, 0, 1);
    lists->addWidget(lblSettle, 1, 0);
    lists->addWidget(cbSettle_, 1, 1);
    layout->addLayout(lists);

    auto* retail = new QGroupBox(QStringLiteral("零售模式"), page);
    retail->setObjectName(QStringLiteral("rgRetail"));
    auto* retailLayout = new QHBoxLayout(retail);
    const QStringList modes = retailModes();
    for (int i = 0; i < 2; ++i) {
        rbRetail_[static_cast<std::size_t>(i)] = new QRadioButton(modes.at(i), retail);
        retailLayout->addWidget(rbRetail_[static_cast<std::size_t>(i)]);
    }
    gbRetail_ = retail;
    layout->addWidget(retail);

    auto* backup = new QGroupBox(QStringLiteral("自动备份设置"), page);
    backup->setObjectName(QStringLiteral("gbBackup"));
    auto* backupLayout = new QHBoxLayout(backup);
    rbEvery_ = new QRadioButton(QStringLiteral("每"), backup);
    rbEvery_->setObjectName(QStringLiteral("rbEveryDays"));
    spDays_ = spin(QStringLiteral("spDays"), 1, 10, backup);
    rbExit_ = new QRadioButton(QStringLiteral("每次退出时备份"), backup);
    rbExit_->setObjectName(QStringLiteral("rbOnExit"));
    backupLayout->addWidget(rbEvery_);
    backupLayout->addWidget(spDays_);
    backupLayout->addWidget(new QLabel(QStringLiteral("天备份一次"), backup));
    backupLayout->addSpacing(20);
    backupLayout->addWidget(rbExit_);
    backupLayout->addStretch(1);
    layout->addWidget(backup);

    auto* dotBox = new QGroupBox(QStringLiteral("小数位数设置"), page);
    dotBox->setObjectName(QStringLiteral("gbDots"));
    auto* dotLayout = new QHBoxLayout(dotBox);
    static const char* const kDotNames[] = {"spQtyDot", "spPriceDot", "spTotalDot", "spDiscountDot",
                                            "spTaxDot"};
    for (int d = 0; d < DotCount; ++d) {
        // The lower bound is 0 (the account set may keep whole numbers), the upper 8.
        QSpinBox* box = spin(QString::fromLatin1(kDotNames[d]), 0, kMaxDots, dotBox);
        dots_[static_cast<std::size_t>(d)] = box;
        dotLayout->addWidget(
            buddyLabel(QString::fromUtf16(kDotCaptions[static_cast<std::size_t>(d)]), box, dotBox));
        dotLayout->addWidget(box);
    }
    layout->addWidget(dotBox);

    auto* rest = new QGridLayout;
    spRows_ = spin(QStringLiteral("spBillRows"), 50, 500, page);
    rest->addWidget(buddyLabel(QStringLiteral("默认的单据行数"), spRows_, page), 0, 0);
    rest->addWidget(spRows_, 0, 1);
    accountRow_ = new QWidget(page);
    auto* accountLayout = new QHBoxLayout(accountRow_);
    accountLayout->setContentsMargins(0, 0, 0, 0);
    edAccount_ = new QLineEdit(accountRow_);
    edAccount_->setObjectName(QStringLiteral("edAccount"));
    edAccount_->setReadOnly(true);
    btnAccount_ = new QToolButton(accountRow_);
    btnAccount_->setObjectName(QStringLiteral("btnAccount"));
    btnAccount_->setText(QStringLiteral("..."));
    accountLayout->addWidget(
        buddyLabel(QStringLiteral("销售单默认收款账户"), edAccount_, accountRow_));
    accountLayout->addWidget(edAccount_, 1);
    accountLayout->addWidget(btnAccount_);
    rest->addWidget(accountRow_, 1, 0, 1, 2);
    chkDefaultReceipt_ = new QCheckBox(QStringLiteral("默认收款金额"), page);
    chkDefaultReceipt_->setObjectName(QStringLiteral("chkDefaultReceipt"));
    rest->addWidget(chkDefaultReceipt_, 2, 0, 1, 2);
    rest->setColumnStretch(2, 1);
    layout->addLayout(rest);
    layout->addStretch(1);

    connect(btnAccount_, &QToolButton::clicked, this, [this] { pickAccount(); });
    // Delete or Backspace empties the picker.
    edAccount_->installEventFilter(this);
    // The day count belongs to "每": choosing it enables the box.
    connect(rbEvery_, &QRadioButton::toggled, spDays_, &QSpinBox::setEnabled);
    hidden_ = {lblCost, cbCost_, lblSettle, cbSettle_, gbRetail_, accountRow_, chkDefaultReceipt_};
    return page;
}

void TfrmSysConf::fill(const Options& o) {
    for (std::size_t i = 0; i < company_.size(); ++i)
        company_[i]->setText(o.company[i]);
    chkNegative_->setChecked(o.negativeStock);
    chkQuickPrint_->setChecked(o.quickPrint);
    cbCost_->setCurrentIndex(qBound(0, o.costAlgorithm + 1, cbCost_->count() - 1));
    cbSettle_->setCurrentIndex(qBound(0, o.settlementMode, cbSettle_->count() - 1));
    rbRetail_[o.retailMode == 0 ? 0 : 1]->setChecked(true);
    (o.backupDays > 0 ? rbEvery_ : rbExit_)->setChecked(true);
    spDays_->setValue(o.backupDays < 1 ? 1 : o.backupDays);
    spDays_->setEnabled(o.backupDays > 0);
    for (int d = 0; d < DotCount; ++d)
        dots_[static_cast<std::size_t>(d)]->setValue(o.dots[static_cast<std::size_t>(d)]);
    spRows_->setValue(o.billRows);
    accountId_ = o.receiptAccountId;
    edAccount_->setText(o.receiptAccountName);
    chkDefaultReceipt_->setChecked(o.defaultReceipt);
}

Options TfrmSysConf::options() const {
    Options o;
    for (std::size_t i = 0; i < company_.size(); ++i)
        o.company[i] = company_[i]->text();
    o.negativeStock = chkNegative_->isChecked();
    o.quickPrint = chkQuickPrint_->isChecked();
    o.costAlgorithm = cbCost_->currentIndex() - 1;
    o.backupDays = rbEvery_->isChecked() ? spDays_->value() : 0;
    o.settlementMode = cbSettle_->currentIndex();
    o.retailMode = rbRetail_[0]->isChecked() ? 0 : 1;
    for (std::size_t d = 0; d < dots_.size(); ++d)
        o.dots[d] = dots_[d]->value();
    o.billRows = spRows_->value();
    o.receiptAccountId = edAccount_->text().isEmpty() ? 0 : accountId_;
    o.receiptAccountName = o.receiptAccountId ? edAccount_->text() : QString();
    o.defaultReceipt = chkDefaultReceipt_->isChecked();
    return o;
}

void TfrmSysConf::loadSwitches() {
    RecordSet rows;
    dataModule().ExecQuery(switchesSql(), &rows);
    filling_ = true;
    grdConf_->setRowCount(0);
    switchIds_.clear();
    for (rows.first(); !rows.eof(); rows.next()) {
        const int row = grdConf_->rowCount();
        grdConf_->insertRow(row);
        switchIds_.append(rows.integer(QStringLiteral("id")));
        auto* name = new QTableWidgetItem(rows.text(QStringLiteral("name")));
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        auto* allowed = new QTableWidgetItem;
        allowed->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        allowed->setCheckState(rows.integer(QStringLiteral("sysvalue")) == 1 ? Qt::Checked
                                                                             : Qt::Unchecked);
        grdConf_->setItem(row, 0, name);
        grdConf_->setItem(row, 1, allowed);
    }
    if (grdConf_->rowCount() > 0)
        grdConf_->setCurrentCell(0, 1);
    filling_ = false;
    modified_ = false;
}

void TfrmSysConf::FormShow() {
    TfrmBaseDialog::FormShow();
    // The cost algorithm is chosen before the account set is opened; this edition keeps the
    // moving average and does not offer the algorithm, the settlement and retail modes and the
    // sales bill's receipt defaults (they are stored with the values they hold).
    cbCost_->setEnabled(settings().IsOpen == 0);
    for (QWidget* w : hidden_)
        w->setVisible(false);
    cbCost_->setCurrentIndex(1);
}

bool TfrmSysConf::failed(const QString& message) {
    prompter().message(caption::error(), saveFailed() + message, MessageIcon::Error);
    return false;
}

bool TfrmSysConf::saveOptions() {
    const Options o = options();
    TdmMain& dm = dataModule();
    try {
        ParamList company = companyParams(o);
        dm.ExecProc(companyProcedure(), company);
        for (const auto& row : optionRows(o)) {
            ParamList p = rowParams(row);
            dm.ExecProc(rowProcedure(), p);
        }
        const Options current = fromSettings(settings());
        switch (checkDots(current.dots, o.dots, settings().IsOpen == 1)) {
            case DotCheck::Refuse:
                prompter().message(caption::hint(), noShorterDots());
                return false;
            case DotCheck::AskLonger:
                if (!prompter().confirm(caption::hint(), askLongerDots()))
                    return false;
                break;
            case DotCheck::Store:
                break;
        }
        for (const auto& row : dotRows(o) + tailRows(o)) {
            ParamList p = rowParams(row);
            dm.ExecProc(rowProcedure(), p);
        }
    } catch (const DytError& e) {
        return failed(e.message());
    }
    return ReloadSettings();
}

bool TfrmSysConf::saveSwitches() {
    const int focused = grdConf_->currentRow();
    try {
        for (int row = 0; row < grdConf_->rowCount(); ++row) {
            const bool on = grdConf_->item(row, 1)->checkState() == Qt::Checked;
            dataModule().ExecUpdate(switchUpdateSql(switchIds_.at(row), on));
        }
    } catch (const DytError& e) {
        return failed(e.message());
    }
    if (focused >= 0)
        grdConf_->setCurrentCell(focused, 1);
    modified_ = false;
    return ReloadSettings();
}

void TfrmSysConf::btnOKClick() {
    const bool ok = pages_->currentIndex() == 1 ? saveSwitches() : saveOptions();
    if (!ok)
        return;
    prompter().message(caption::hint(), saved());
    TfrmBaseDialog::btnOKClick();
}

bool TfrmSysConf::FormCloseQuery() {
    if (modified_ && prompter().ask(caption::hint(), askSaveSwitches(), buttons::yesNo(), 0) == 0 &&
        !saveSwitches())
        return false;
    return TfrmBaseDialog::FormCloseQuery();
}

void TfrmSysConf::pickAccount() {
    const std::optional<BaseChoice> choice =
        selectBase(receiptAccountKind(), edAccount_->text(), this);
    if (!choice)
        return;
    accountId_ = choice->id;
    edAccount_->setText(choice->name);
}

void TfrmSysConf::keyPressEvent(QKeyEvent* event) {
    // Ctrl+Tab and Ctrl+Shift+Tab turn the pages wherever the focus is.
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        event->modifiers().testFlag(Qt::ControlModifier)) {
        const int step =
            event->key() == Qt::Key_Backtab || event->modifiers().testFlag(Qt::ShiftModifier)
                ? pages_->count() - 1
                : 1;
        pages_->setCurrentIndex((pages_->currentIndex() + step) % pages_->count());
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier)) {
        event->accept();
        btnOKClick();
        return;
    }
    TfrmBaseDialog::keyPressEvent(event);
}

bool TfrmSysConf::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return TfrmBaseDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == grdConf_ && key->key() == Qt::Key_Space && grdConf_->currentRow() >= 0) {
        QTableWidgetItem* item = grdConf_->item(grdConf_->currentRow(), 1);
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        return true;
    }
    if (watched == edAccount_ &&
        (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace)) {
        accountId_ = 0;
        edAccount_->clear();
        return true;
    }
    return TfrmBaseDialog::eventFilter(watched, event);
}

}  // namespace dyt::client
