// The bill window base: header strip, button strip, state, opening, saving and the close prompt.
#include "client/bills/frmbillabstract.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <optional>
#include <tuple>

#include "client/bills/billkinds.h"
#include "client/common/griddelegate.h"
#include "client/common/gridview.h"
#include "client/logic/billnumber.h"
#include "client/logic/billsql.h"
#include "client/logic/dmmain.h"
#include "client/logic/lookups.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "common/formatting.h"
#include "common/rounding.h"
#include "printengine/printengine.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace billtext {
QString auditedByOther(const QString& performer) {
    return u"本级已经被["_s + performer + u"]审核，您不能反审核！"_s;
}
}  // namespace billtext

TdmMain& billDataModule() {
    return dataModule(u"没有连接到服务器"_s);
}

namespace {

// Option ids of the account set.
constexpr int kOptionGeneratedNumbers = 2014;  // numbers are generated, not typed
constexpr int kOptionNewBillAfterSave = 2034;
constexpr int kOptionPrintPostedOnly = 2010;   // only posted bills print
constexpr int kOptionEditOthersDrafts = 2007;  // drafts of other operators may be edited
constexpr int kAuditSteps = 5;
// Bill kinds the look-ups read.
constexpr int kSalesBill = 1;
constexpr int kPurchaseBill = 5;
constexpr int kReceiptBill = 21;
constexpr int kPaymentBill = 22;
constexpr int kUnlimitedPrints = 99999;  // a saved new bill makes room for the next one

bool blank(const QVariant& v) {
    return v.isNull() || v.toString().trimmed().isEmpty();
}

}  // namespace

TfrmBillAbstract::TfrmBillAbstract(QWidget* parent) : TfrmXAbstract(parent) {
    buildBillControls();
}

TfrmBillAbstract::~TfrmBillAbstract() {
    // The base classes still change the grid's model while they are torn down; this part of the
    // window must no longer hear of it.
    if (model())
        disconnect(model(), nullptr, this, nullptr);
}

void TfrmBillAbstract::buildBillControls() {
    auto* strip = new QWidget(this);
    strip->setObjectName(u"panBillHead"_s);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);

    edBillDate_ = new QDateEdit(strip);
    edBillDate_->setObjectName(u"edBillDate"_s);
    edBillDate_->setDisplayFormat(u"yyyy-MM-dd"_s);
    edBillDate_->setCalendarPopup(true);
    edBillDate_->setDate(QDate::currentDate());
    edBillCode_ = new QLineEdit(strip);
    edBillCode_->setObjectName(u"edBillCode"_s);
    btnzdbh_ = new QToolButton(strip);
    btnzdbh_->setObjectName(u"btnzdbh"_s);
    btnzdbh_->setText(u"…"_s);
    btnzdbh_->setToolTip(billtext::autoNumberHint());
    lbRecName_ = new QLabel(strip);
    lbRecName_->setObjectName(u"lbRecName"_s);
    lbRecName_->setVisible(false);
    shpFlag_ = new QFrame(strip);
    shpFlag_->setObjectName(u"shpFlag"_s);
    shpFlag_->setFrameShape(QFrame::Box);
    auto* flagLayout = new QHBoxLayout(shpFlag_);
    lblFlag_ = new QLabel(billtext::reversed(), shpFlag_);
    lblFlag_->setObjectName(u"lblFlag"_s);
    lblFlag_->setStyleSheet(u"color: red; font-size: 20pt; font-weight: bold;"_s);
    flagLayout->addWidget(lblFlag_);
    shpFlag_->setVisible(false);

    row->addWidget(new QLabel(billtext::billDate() + u"："_s, strip));
    row->addWidget(edBillDate_);
    row->addWidget(new QLabel(billtext::billCode() + u"："_s, strip));
    row->addWidget(edBillCode_);
    row->addWidget(btnzdbh_);
    row->addWidget(lbRecName_);
    row->addStretch(1);
    row->addWidget(shpFlag_);
    // The strip and, below it, the audit controls.
    auto* head = new QWidget(panBillTitle());
    head->setObjectName(u"panBillHeadRows"_s);
    headRows_ = new QVBoxLayout(head);
    headRows_->setContentsMargins(0, 0, 0, 0);
    headRows_->addWidget(strip);
    if (auto* layout = panBillTitle()->layout())
        layout->addWidget(head);
    else
        (new QHBoxLayout(panBillTitle()))->addWidget(head);
    edBillDate_->setMinimumWidth(100);
    edBillCode_->setMinimumWidth(140);

    edComment_ = new QLineEdit(this);
    edComment_->setObjectName(u"edComment"_s);
    addHeaderField(billtext::remark(), edComment_);

    bindHeaderField(u"date"_s, edBillDate_);
    bindHeaderField(u"code"_s, edBillCode_);

    btnBillSave_ = new QAction(billtext::post(), this);
    btnBillSave_->setObjectName(u"btnBillSave"_s);
    btnBillSaveToDraft_ = new QAction(billtext::saveToDraft(), this);
    btnBillSaveToDraft_->setObjectName(u"btnBillSaveToDraft"_s);
    btnSavePrint_ = new QAction(billtext::savePrint(), this);
    btnSavePrint_->setObjectName(u"btnSavePrint"_s);
    // The commands from the keyboard, wherever the focus is inside the bill.
    const std::pair<QAction*, QKeySequence> keys[] = {
        {btnBillSave_, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {btnBillSaveToDraft_, QKeySequence(Qt::CTRL | Qt::Key_D)},
        {btnPrint(), QKeySequence(Qt::CTRL | Qt::Key_P)},
    };
    for (const auto& [action, key] : keys) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        action->setToolTip(action->text() + u" ("_s + key.toString(QKeySequence::NativeText) +
                           u')');
        addAction(action);
    }
    QAction* before = toolBar()->actions().value(0, nullptr);
    toolBar()->insertAction(before, btnBillSave_);
    toolBar()->insertAction(before, btnBillSaveToDraft_);
    toolBar()->insertAction(before, btnSavePrint_);
    connect(btnBillSave_, &QAction::triggered, this, [this] { btnBillSaveClick(); });
    connect(btnBillSaveToDraft_, &QAction::triggered, this, [this] { btnBillSaveToDraftClick(); });
    connect(btnSavePrint_, &QAction::triggered, this, [this] { btnSavePrintClick(); });
    connect(btnzdbh_, &QToolButton::clicked, this, [this] {
        try {
            edBillCode_->setText(NextBillNumber());
        } catch (const std::exception& e) {
            showError(e);
        }
    });
    connect(edComment_, &QLineEdit::textEdited, this, [this] { modified_ = true; });
    connect(edBillDate_, &QDateEdit::dateChanged, this, [this] { modified_ = true; });

    edBillCode_->setEnabled(!settings().Switch(kOptionGeneratedNumbers));
    // A line the operator edits in the grid makes the bill modified.
    connect(model(), &QAbstractItemModel::dataChanged, this, [this] { modified_ = true; });
    buildAuditControls();
    buildContextMenus();
}

void TfrmBillAbstract::buildAuditControls() {
    panAudit_ = new QWidget(this);
    panAudit_->setObjectName(u"panAudit"_s);
    auto* row = new QHBoxLayout(panAudit_);
    row->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < kAuditSteps; ++i) {
        const int step = i + 1;
        lbInput_[i] = new QLabel(panAudit_);
        lbInput_[i]->setObjectName(u"lbInput%1"_s.arg(step));
        edInput_[i] = new QLineEdit(panAudit_);
        edInput_[i]->setObjectName(u"edInput%1"_s.arg(step));
        edInput_[i]->setReadOnly(true);
        edInput_[i]->setMinimumWidth(80);
        btnInput_[i] = new QToolButton(panAudit_);
        btnInput_[i]->setObjectName(u"btnInput%1"_s.arg(step));
        btnInput_[i]->setText(billtext::audit());
        lbInput_[i]->setBuddy(edInput_[i]);
        row->addWidget(lbInput_[i]);
        row->addWidget(edInput_[i]);
        row->addWidget(btnInput_[i]);
        if (step >= 2)
            connect(btnInput_[i], &QToolButton::clicked, this, [this, step] {
                btnAuditClick(step);
                showAuditControls();
            });
    }
    row->addStretch(1);
    panAudit_->setVisible(false);
    headRows_->addWidget(panAudit_);
}

void TfrmBillAbstract::buildContextMenus() {
    QMenu* menu = pmBill();
    QAction* before = menu->actions().value(0, nullptr);
    pmLineNote_ = new QMenu(billtext::lineNote(), this);
    pmLineNote_->setObjectName(u"pmLineNote"_s);
    actNoteView_ = pmLineNote_->addAction(billtext::view());
    actNoteView_->setObjectName(u"actNoteView"_s);
    actNoteEdit_ = pmLineNote_->addAction(billtext::modify());
    actNoteEdit_->setObjectName(u"actNoteEdit"_s);
    connect(actNoteView_, &QAction::triggered, this, [this] { viewLineNote(); });
    connect(actNoteEdit_, &QAction::triggered, this, [this] { editLineNote(); });
    menu->insertMenu(before, pmLineNote_);
    menu->insertSeparator(before);
    const QList<std::tuple<BillLookupKind, QString, QString>> lookups = {
        {BillLookupKind::GoodsDistribution, billtext::goodsDistribution(), u"actSPFB"_s},
        {BillLookupKind::PurchasePrices, billtext::purchasePrices(), u"actLSJJ"_s},
        {BillLookupKind::SalePrices, billtext::salePrices(), u"actLSSJ"_s},
        {BillLookupKind::Receipts, billtext::receipts(), u"actSKGC"_s},
        {BillLookupKind::Payments, billtext::payments(), u"actFKGC"_s},
    };
    for (const auto& [kind, caption, name] : lookups) {
        auto* action = new QAction(caption, this);
        action->setObjectName(name);
        menu->insertAction(before, action);
        lookupActions_.append({kind, action});
        const BillLookupKind k = kind;
        connect(action, &QAction::triggered, this, [this, k] { showLookup(k); });
    }
    menu->insertSeparator(before);

    btnkmxq_ = new QAction(billtext::accountDetails(), this);
    btnkmxq_->setObjectName(u"btnkmxq"_s);
    connect(btnkmxq_, &QAction::triggered, this, [this] { btnkmxqClick(); });
    for (QWidget* header : {panBillTitle(), static_cast<QWidget*>(gbCondition())}) {
        header->setContextMenuPolicy(Qt::ActionsContextMenu);
        header->addAction(btnkmxq_);
    }
}

QLineEdit* TfrmBillAbstract::edInput(int step) const {
    return step >= 1 && step <= kAuditSteps ? edInput_[step - 1] : nullptr;
}

QLabel* TfrmBillAbstract::lbInput(int step) const {
    return step >= 1 && step <= kAuditSteps ? lbInput_[step - 1] : nullptr;
}

QToolButton* TfrmBillAbstract::btnInput(int step) const {
    return step >= 1 && step <= kAuditSteps ? btnInput_[step - 1] : nullptr;
}

void TfrmBillAbstract::showAuditControls() {
    const BillKind* kind = findBillKind(djType_);
    const int steps = kind ? kind->inputNum : 1;
    panAudit_->setVisible(steps > 1);
    const bool canAudit = billId_ >= 1 && billState_ != kBillPosted;
    for (int step = 1; step <= kAuditSteps; ++step) {
        const bool shown = steps > 1 && step <= steps;
        lbInput(step)->setVisible(shown);
        edInput(step)->setVisible(shown);
        btnInput(step)->setVisible(shown);
        lbInput(step)->setText(kind ? kind->inputName(step) : QString());
        QString name;
        if (step == 1) {
            name = headerValue(u"rec_Name"_s);
            if (name.isEmpty() && billId_ == 0)
                name = loginedUser().UserName;
        } else {
            name = headerValue(u"inputid%1Name"_s.arg(step));
        }
        edInput(step)->setText(name);
        // Step 1 is the maker: nothing to perform.
        btnInput(step)->setEnabled(step >= 2 && canAudit);
    }
}

void TfrmBillAbstract::bindHeaderField(const QString& fieldName, QWidget* control) {
    // What the operator changes in a header control makes the bill modified; values the window
    // fills in itself do not.
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        connect(edit, &QLineEdit::textEdited, this, [this] { modified_ = true; });
    else if (auto* check = qobject_cast<QCheckBox*>(control))
        connect(check, &QCheckBox::clicked, this, [this] { modified_ = true; });
    else if (auto* combo = qobject_cast<QComboBox*>(control))
        connect(combo, &QComboBox::activated, this, [this] { modified_ = true; });
    for (auto& pair : boundFields_)
        if (pair.first.compare(fieldName, Qt::CaseInsensitive) == 0) {
            pair.second = control;
            return;
        }
    boundFields_.append({fieldName, control});
}

void TfrmBillAbstract::setHeaderValue(const QString& fieldName, const QString& value) {
    for (auto& pair : headerValues_)
        if (pair.first.compare(fieldName, Qt::CaseInsensitive) == 0) {
            pair.second = value;
            return;
        }
    headerValues_.append({fieldName, value});
}

QString TfrmBillAbstract::headerValue(const QString& fieldName) const {
    const int amount = amountIndex(fieldName);
    if (amount >= 0)
        return amountValueText(amounts_.at(amount).tags, headerAmount(fieldName));
    for (const auto& pair : boundFields_) {
        if (pair.first.compare(fieldName, Qt::CaseInsensitive) != 0)
            continue;
        QWidget* w = pair.second;
        if (auto* date = qobject_cast<QDateEdit*>(w))
            return date->date().toString(u"yyyy-MM-dd"_s);
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            return edit->text();
        if (auto* check = qobject_cast<QCheckBox*>(w))
            return check->isChecked() ? u"1"_s : u"0"_s;
        if (auto* combo = qobject_cast<QComboBox*>(w))
            return combo->currentText();
        return {};
    }
    for (const auto& pair : headerValues_)
        if (pair.first.compare(fieldName, Qt::CaseInsensitive) == 0)
            return pair.second;
    return {};
}

namespace {

// The column a tag list describes, with the account set's places and the operator's cost right.
GridColumn amountColumn(const QString& tags) {
    GridDefinition def;
    const TSettings& s = settings();
    def.context.qtyDot = s.QtyDot;
    def.context.priceDot = s.PriceDot;
    def.context.totalDot = s.TotalDot;
    def.context.discountDot = s.DiscountDot;
    def.context.taxDot = s.TaxDot;
    def.context.canSeeCost = s.SeeCost;
    GridColumn column;
    ApplyColumnTags(def, column, tags);
    return column;
}

// A typed amount: thousands separators and blanks are ignored.
std::optional<double> parseAmount(const QString& text) {
    QString plain = text;
    plain.remove(QLatin1Char(',')).remove(QLatin1Char(' '));
    if (plain.isEmpty())
        return 0.0;
    bool ok = false;
    const double value = plain.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

}  // namespace

QString TfrmBillAbstract::formatAmount(const QString& tags, double value) {
    const GridColumn column = amountColumn(tags);
    if (column.masked)
        return maskedText();
    if (!column.isNumber())
        return QString::number(value, 'g', 15);
    return formatFloat(column.displayPattern, value);
}

QString TfrmBillAbstract::amountValueText(const QString& tags, double value) {
    const GridColumn column = amountColumn(tags);
    if (!column.isNumber())
        return QString::number(value, 'g', 15);
    QString pattern = column.displayPattern;
    return formatFloat(pattern.remove(QLatin1Char(',')), value);
}

int TfrmBillAbstract::amountIndex(const QString& fieldName) const {
    for (int i = 0; i < amounts_.size(); ++i)
        if (amounts_.at(i).fieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TfrmBillAbstract::showAmount(QLineEdit* control, const QString& tags, double value) {
    const QString text = formatAmount(tags, value);
    control->setText(text);
    if (text == maskedText())
        control->setReadOnly(true);
}

void TfrmBillAbstract::bindHeaderAmount(const QString& fieldName, QLineEdit* control,
                                        const QString& tags) {
    bindHeaderField(fieldName, control);
    const int index = amountIndex(fieldName);
    if (index >= 0)
        amounts_[index] = {fieldName, control, tags, 0};
    else
        amounts_.append({fieldName, control, tags, 0});
    control->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(control, &QLineEdit::editingFinished, this, [this, fieldName] {
        const int i = amountIndex(fieldName);
        if (i < 0)
            return;
        HeaderAmount& amount = amounts_[i];
        if (amount.control->text() == maskedText())
            return;
        // A text that is no number shows the amount it replaced again.
        if (const auto typed = parseAmount(amount.control->text()))
            amount.value = *typed;
        showAmount(amount.control, amount.tags, amount.value);
    });
    showAmount(control, tags, 0);
}

void TfrmBillAbstract::setHeaderAmount(const QString& fieldName, double value) {
    const int index = amountIndex(fieldName);
    if (index < 0) {
        setHeaderValue(fieldName, QString::number(value, 'g', 15));
        return;
    }
    amounts_[index].value = value;
    showAmount(amounts_[index].control, amounts_[index].tags, value);
}

double TfrmBillAbstract::headerAmount(const QString& fieldName) const {
    const int index = amountIndex(fieldName);
    if (index < 0)
        return parseAmount(headerValue(fieldName)).value_or(0.0);
    const HeaderAmount& amount = amounts_.at(index);
    const QString text = amount.control->text();
    if (text != maskedText())
        if (const auto typed = parseAmount(text))
            return *typed;
    return amount.value;
}

int TfrmBillAbstract::minimumRows() const {
    return settings().DefaultBillRows;
}

bool TfrmBillAbstract::acceptsKind(int djType) const {
    return findBillKind(djType) != nullptr;
}

void TfrmBillAbstract::OpenBill(int djType, qint64 billId, bool quietClose) {
    if (!acceptsKind(djType))
        throw DytError(u"未知的单据类型：%1"_s.arg(djType));
    djType_ = djType;
    billId_ = billId;
    quietClose_ = quietClose;
    closeAfterSave_ = billId > 0 || !settings().Switch(kOptionNewBillAfterSave);
    editOthersDrafts = settings().Switch(kOptionEditOthersDrafts);
    if (billId > 0)
        loadBill();
    else
        resetToNewBill();
    modified_ = false;
}

void TfrmBillAbstract::fillHeader(const RecordSet& header) {
    for (const auto& pair : boundFields_) {
        const int col = header.fieldIndex(pair.first);
        if (col < 0 || header.rowCount() == 0)
            continue;
        const QVariant v = header.at(0, col);
        if (amountIndex(pair.first) >= 0) {
            setHeaderAmount(pair.first, v.isNull() ? 0.0 : v.toString().toDouble());
            continue;
        }
        if (auto* date = qobject_cast<QDateEdit*>(pair.second))
            date->setDate(QDate::fromString(v.toString().left(10), u"yyyy-MM-dd"_s));
        else if (auto* edit = qobject_cast<QLineEdit*>(pair.second))
            edit->setText(v.isNull() ? QString() : v.toString());
        else if (auto* check = qobject_cast<QCheckBox*>(pair.second))
            check->setChecked(v.toInt() == 1);
        else if (auto* combo = qobject_cast<QComboBox*>(pair.second))
            combo->setCurrentText(v.toString());
    }
    // The fields without a control (ids, maker, audit steps) stay as values.
    for (int col = 0; col < header.fieldCount(); ++col) {
        const QString name = header.fields().at(col).name;
        bool bound = false;
        for (const auto& pair : boundFields_)
            bound = bound || pair.first.compare(name, Qt::CaseInsensitive) == 0;
        if (!bound) {
            const QVariant v = header.at(0, col);
            setHeaderValue(name, v.isNull() ? QString() : v.toString());
        }
    }
    const int commentCol = header.fieldIndex(u"comment"_s);
    if (commentCol >= 0)
        edComment_->setText(decodeLineBreaks(header.at(0, commentCol).toString()));
    lbRecName_->setText(headerValue(u"rec_Name"_s));
}

void TfrmBillAbstract::loadBill() {
    TdmMain& dm = billDataModule();
    ParamList params;
    params.clear();
    params.setValue(u"id"_s, QString::number(billId_));
    params.setValue(u"zyStr"_s,
                    u";czy_id="_s + QString::number(loginedUser().UserId) + u";candel=0"_s);
    RecordSet header;
    dm.ExecProcQuery(u"P_JXC_DJ_GetDJIndex"_s, params, &header);
    if (header.rowCount() == 0)
        throw DytError(billtext::invalidBill());
    fillHeader(header);

    const bool isRedWord = headerValue(u"isredword"_s).toInt() == 1;
    const bool isRed = headerValue(u"isred"_s).toInt() == 1;
    applyRedStyle(isRedWord);
    if (isRedWord) {
        lblFlag_->setText(billtext::reversal());
        shpFlag_->setVisible(true);
    } else if (isRed) {
        lblFlag_->setText(billtext::reversed());
        shpFlag_->setVisible(true);
    } else {
        shpFlag_->setVisible(false);
    }

    loadLines();
    appendEmptyRows();
    showRecords();

    const int state = headerValue(u"dj_state"_s).toInt();
    if (state == kBillPosted) {
        billState_ = kBillPosted;
        btnBillSave_->setEnabled(false);
        btnBillSaveToDraft_->setEnabled(false);
        btnSavePrint_->setEnabled(false);
        setReadOnly(true);
    } else {
        billState_ = kBillDraft;
        bool audited = false;
        for (int step = 2; step <= 5; ++step)
            audited = audited || headerValue(u"inputid%1"_s.arg(step)).toLongLong() > 0;
        const bool othersDraft =
            headerValue(u"rec_id"_s).toLongLong() != loginedUser().UserId && !editOthersDrafts;
        setReadOnly(audited || othersDraft);
    }
    showAuditControls();
}

void TfrmBillAbstract::loadLines() {
    ParamList params;
    params.setValue(u"id"_s, QString::number(billId_));
    RecordSet lines;
    billDataModule().ExecProcQuery(u"P_JXC_DJ_GetDJList"_s, params, &lines);
    records() = lines;
}

void TfrmBillAbstract::appendEmptyRows() {
    RecordSet& rows = records();
    // Every bound column needs its field, also when the server's lines lack it.
    for (const GridColumn& column : gridDefinition().columns)
        if (!column.fieldName.isEmpty() && rows.fieldIndex(column.fieldName) < 0)
            rows.addField(column.fieldName, FieldType::Text, kPacketFieldWidth);
    if (rows.fieldCount() == 0)
        return;
    while (rows.rowCount() < minimumRows())
        rows.appendRow(RecordSet::Row(rows.fieldCount()));
}

void TfrmBillAbstract::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    for (const auto& pair : boundFields_)
        pair.second->setEnabled(!readOnly);
    edComment_->setEnabled(!readOnly);
    btnzdbh_->setEnabled(!readOnly);
    if (readOnly)
        edBillCode_->setEnabled(false);
    else
        edBillCode_->setEnabled(!settings().Switch(kOptionGeneratedNumbers));
    // Moving the cursor does not open an editor: typing, F2 or a double-click does, so that a
    // walk with Enter lands on a cell and the next keys replace its value.
    dbgvX()->table()->setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers
                                               : QAbstractItemView::DoubleClicked |
                                                     QAbstractItemView::EditKeyPressed |
                                                     QAbstractItemView::AnyKeyPressed);
}

void TfrmBillAbstract::applyRedStyle(bool red) {
    redStyle_ = red;
    const QString style = red ? u"color: red;"_s : QString();
    for (const auto& pair : boundFields_)
        pair.second->setStyleSheet(style);
    edComment_->setStyleSheet(style);
    dbgvX()->table()->setStyleSheet(style);
}

void TfrmBillAbstract::resetToNewBill() {
    billId_ = 0;
    billState_ = kBillNew;
    headerValues_.clear();
    edComment_->clear();
    shpFlag_->setVisible(false);
    applyRedStyle(false);
    btnBillSave_->setEnabled(true);
    btnBillSaveToDraft_->setEnabled(true);
    btnSavePrint_->setEnabled(true);
    setReadOnly(false);
    records().clearRows();
    appendEmptyRows();
    showRecords();
    for (HeaderAmount& amount : amounts_) {
        amount.value = 0;
        showAmount(amount.control, amount.tags, 0);
    }
    edBillCode_->setText(NextBillNumber());
    showAuditControls();
    modified_ = false;
}

QString TfrmBillAbstract::NextBillNumber() {
    TdmMain* dm = dmMain();
    if (!dm || !settings().AutoSN)
        return edBillCode_->text();
    return billnumber::nextBillNumber(*dm, djType_, edBillDate_->date(), edBillCode_->text(),
                                      billnumber::Options::fromSettings());
}

void TfrmBillAbstract::checkBill(bool) {}

ParamList TfrmBillAbstract::BuildParams() const {
    ParamList params;
    params.clear();
    for (const auto& pair : boundFields_)
        params.setValue(pair.first, headerValue(pair.first));
    for (const auto& pair : headerValues_)
        if (!params.contains(pair.first))
            params.setValue(pair.first, pair.second);
    const QString comment = encodeLineBreaks(edComment_->text().trimmed());
    params.setValue(u"comment"_s, comment);
    params.setValue(u"dj_Caption"_s, windowTitle());
    params.setValue(u"djType"_s, QString::number(djType_));
    params.setValue(u"OldBillid"_s, QString::number(billId_));
    double total = 0;
    const int totalCol = records().fieldIndex(u"taxTotalSum"_s);
    if (totalCol >= 0)
        for (int row = 0; row < records().rowCount(); ++row)
            total += records().at(row, totalCol).toString().toDouble();
    const int dot = settings().TotalDot;
    params.setValue(u"total"_s, QString::number(roundTo(total, dot), 'f', dot));
    params.setValue(u"comment"_s, comment);
    return params;
}

RecordSet TfrmBillAbstract::buildLinesPacket() const {
    const RecordSet& rows = records();
    if (rows.rowCount() == 0)
        throw DytError(xtext::noData());
    const QList<GridColumn>& columns =
        const_cast<TfrmBillAbstract*>(this)->gridDefinition().columns;
    RecordSet packet;
    QList<int> sourceCols;
    for (const GridColumn& column : columns) {
        if (column.fieldName.isEmpty() || packet.fieldIndex(column.fieldName) >= 0)
            continue;
        packet.addField(column.fieldName, FieldType::Text, kPacketFieldWidth);
        sourceCols.append(rows.fieldIndex(column.fieldName));
    }
    QList<int> keyCols;
    for (int i = 0; i < 4 && i < sourceCols.size(); ++i)
        keyCols.append(sourceCols.at(i));
    for (int row = 0; row < rows.rowCount(); ++row) {
        bool allEmpty = true;
        for (int col : keyCols)
            allEmpty = allEmpty && (col < 0 || blank(rows.at(row, col)));
        if (allEmpty)
            continue;
        RecordSet::Row values;
        for (int i = 0; i < sourceCols.size(); ++i) {
            const int col = sourceCols.at(i);
            const QVariant v = col < 0 ? QVariant() : rows.at(row, col);
            QString text = v.isNull() ? QString() : v.toString();
            if (packet.fields().at(i).name.compare(u"comment"_s, Qt::CaseInsensitive) == 0 ||
                packet.fields().at(i).name.compare(u"summery"_s, Qt::CaseInsensitive) == 0)
                text = encodeLineBreaks(text);
            values.append(text);
        }
        packet.appendRow(values);
    }
    return packet;
}

RecordSet TfrmBillAbstract::buildAccountPacket() const {
    RecordSet packet;
    for (const QString& name : {u"km_id"_s, u"type"_s, u"dbtotal"_s, u"Lendtotal"_s})
        packet.addField(name, FieldType::Text, kPacketFieldWidth);
    return packet;
}

void TfrmBillAbstract::doSaveBill(bool post) {
    if (billId_ == 0 && settings().Switch(kOptionGeneratedNumbers))
        edBillCode_->setText(NextBillNumber());
    checkBill(post);
    const BillKind* kind = findBillKind(djType_);
    if (post && kind && kind->inputNum >= 2) {
        for (int step = 2; step <= kind->inputNum; ++step)
            if (headerValue(u"inputid%1"_s.arg(step)).toLongLong() == 0)
                throw DytError(billtext::auditIncomplete());
    }
    const GridDefinition& def = gridDefinition();
    const int codeCol = def.columnIndex(u"IntoStockCode"_s);
    if (codeCol >= 0) {
        const int nameCol = def.columnIndex(u"IntoStockname"_s);
        const bool shown =
            def.columns.at(codeCol).visible || (nameCol >= 0 && def.columns.at(nameCol).visible);
        const int idCol = records().fieldIndex(u"IntoStock_id"_s);
        if (!shown && idCol >= 0)
            for (int row = 0; row < records().rowCount(); ++row)
                records().setAt(row, idCol, u"0"_s);
    }
    ParamList params = BuildParams();
    const RecordSet lines = buildLinesPacket();
    const RecordSet accounts = buildAccountPacket();
    const int id = billDataModule().ExecService(
        billtext::serviceName(), post ? u"SaveToDB"_s : u"SaveToDraft"_s, params, &lines,
        accounts.fieldCount() == 0 ? nullptr : &accounts, nullptr);
    billId_ = id;
    billState_ = post ? kBillPosted : kBillDraft;
    Q_EMIT billSaved(id);
    if (printAfterSave_) {
        // The save stands whatever the print does; its refusal is shown.
        printAfterSave_ = false;
        btnPrintClick();
    }
    if (quietClose_) {
        modified_ = false;
        if (!closing_)
            close();
        return;
    }
    prompter().message(caption::hint(), billtext::saved());
    if (closeAfterSave_) {
        modified_ = false;
        if (!closing_)
            close();
    } else {
        resetToNewBill();
    }
}

bool TfrmBillAbstract::saveBill(bool post) {
    try {
        doSaveBill(post);
        printAfterSave_ = false;
        return true;
    } catch (const std::exception& e) {
        printAfterSave_ = false;
        prompter().showError(caption::hint(), e);
        return false;
    }
}

bool TfrmBillAbstract::savePrintBill() {
    printAfterSave_ = true;
    return saveBill(true);
}

void TfrmBillAbstract::btnSavePrintClick() {
    savePrintBill();
}

// --- the line note and the look-ups

QAction* TfrmBillAbstract::actLookup(BillLookupKind kind) const {
    for (const auto& pair : lookupActions_)
        if (pair.first == kind)
            return pair.second;
    return nullptr;
}

int TfrmBillAbstract::currentLine() const {
    const int row = focusedRow();
    if (row < 0 || !model())
        return -1;
    return model()->rawRow(row);
}

QString TfrmBillAbstract::LineNote() const {
    const int line = currentLine();
    if (line < 0)
        throw DytError(billtext::chooseLineFirst());
    const int col = records().fieldIndex(u"comment"_s);
    if (col < 0)
        return {};
    const QVariant v = records().at(line, col);
    return v.isNull() ? QString() : v.toString();
}

void TfrmBillAbstract::viewLineNote() {
    showErrors<std::exception>(caption::hint(),
                               [&] { prompter().message(billtext::lineNote(), LineNote()); });
}

void TfrmBillAbstract::setLineNote(const QString& note) {
    const int line = currentLine();
    if (line < 0)
        throw DytError(billtext::chooseLineFirst());
    const int row = focusedRow();
    RecordSet& rows = records();
    const int orderCol = rows.fieldIndex(u"orderid"_s);
    const qint64 lineId = orderCol < 0 ? 0 : rows.at(line, orderCol).toLongLong();
    if (billId_ > 0 && lineId > 0)
        billDataModule().ExecUpdate(billsql::lineNoteUpdate(lineId, encodeLineBreaks(note)));
    else
        modified_ = true;
    int col = rows.fieldIndex(u"comment"_s);
    if (col < 0) {
        rows.addField(u"comment"_s, FieldType::Text, kPacketFieldWidth);
        col = rows.fieldIndex(u"comment"_s);
    }
    rows.setAt(line, col, note);
    model()->reload();
    setFocusedRow(row);
}

bool TfrmBillAbstract::editLineNote() {
    try {
        QString note = LineNote();
        if (!prompter().input(billtext::lineNote(), billtext::lineNote() + u"："_s, &note))
            return false;
        setLineNote(note);
        return true;
    } catch (const std::exception& e) {
        prompter().showError(caption::hint(), e);
        return false;
    }
}

qint64 TfrmBillAbstract::lineGoodsId() const {
    const int line = currentLine();
    const int col = records().fieldIndex(u"goodsid"_s);
    if (line < 0 || col < 0)
        return 0;
    return records().at(line, col).toLongLong();
}

BillLookupIds TfrmBillAbstract::lookupIds() const {
    BillLookupIds ids;
    const int line = currentLine();
    auto lineId = [&](const QString& field) -> qint64 {
        const int col = records().fieldIndex(field);
        return line < 0 || col < 0 ? 0 : records().at(line, col).toLongLong();
    };
    auto headerOrLine = [&](const QString& field) {
        const qint64 id = headerValue(field).toLongLong();
        return id > 0 ? id : lineId(field);
    };
    ids.goodsid = lineGoodsId();
    ids.wldw_id = headerValue(u"wldw_id"_s).toLongLong();
    ids.jsr_id = headerValue(u"jsr_id"_s).toLongLong();
    ids.dep_id = headerValue(u"dep_id"_s).toLongLong();
    ids.IntoStock_id = headerOrLine(u"IntoStock_id"_s);
    ids.OutStock_id = headerOrLine(u"OutStock_id"_s);
    return ids;
}

BillLookup TfrmBillAbstract::lookupFor(BillLookupKind kind) const {
    BillLookup lookup;
    lookup.kind = kind;
    lookup.ids = lookupIds();
    switch (kind) {
        case BillLookupKind::GoodsDistribution: {
            const qint64 goods = lookup.ids.goodsid;
            if (goods <= 0)
                throw DytError(billtext::chooseGoodsFirst());
            lookup.title = billtext::goodsDistribution();
            // The stock of the goods in every warehouse that holds some (batches summed).
            lookup.sql = billsql::goodsDistribution(goods);
            lookup.columns = {{u"[]仓库编号"_s, u"ck_code"_s, 80},
                              {u"[]仓库名称"_s, u"ck_fullname"_s, 140},
                              {u"[%NUM%SUM%Q%]库存数量"_s, u"qty"_s, 90},
                              {u"[%NUM%SUM%M%Cost%]库存金额"_s, u"total"_s, 100}};
            break;
        }
        case BillLookupKind::PurchasePrices:
        case BillLookupKind::SalePrices: {
            const qint64 goods = lookup.ids.goodsid;
            if (goods <= 0)
                throw DytError(billtext::chooseGoodsFirst());
            const bool purchase = kind == BillLookupKind::PurchasePrices;
            lookup.title = purchase ? billtext::purchasePrices() : billtext::salePrices();
            // The goods' last fifty posted lines of the kind, newest first; reversed bills and
            // their red copies do not count.
            lookup.sql = billsql::recentPrices(purchase ? kPurchaseBill : kSalesBill, goods);
            // Purchase prices are costs: hidden from an operator without the cost right.
            const QString cost = purchase ? u"Cost%"_s : QString();
            lookup.columns = {{u"[]录单日期"_s, u"date"_s, 80},
                              {u"[]单据编号"_s, u"code"_s, 120},
                              {u"[]往来单位"_s, u"dw_fullname"_s, 140},
                              {u"[%NUM%Q%]数量"_s, u"qty"_s, 70},
                              {u"[%NUM%P%"_s + cost + u"]单价"_s, u"price"_s, 70},
                              {u"[%D%]折扣"_s, u"discount"_s, 60},
                              {u"[%NUM%P%"_s + cost + u"]折后单价"_s, u"discountprice"_s, 70},
                              {u"[%NUM%P%"_s + cost + u"]含税单价"_s, u"taxprice"_s, 70}};
            break;
        }
        case BillLookupKind::Receipts:
        case BillLookupKind::Payments: {
            const qint64 partner = lookup.ids.wldw_id;
            if (partner <= 0)
                throw DytError(billtext::choosePartnerFirst());
            const bool receipts = kind == BillLookupKind::Receipts;
            lookup.title = receipts ? billtext::receipts() : billtext::payments();
            // The partner's posted receipts (payments), newest first, with what each settled
            // of this bill.
            lookup.sql =
                billsql::settlements(receipts ? kReceiptBill : kPaymentBill, partner, billId_);
            lookup.columns = {{u"[]录单日期"_s, u"date"_s, 80},
                              {u"[]单据编号"_s, u"code"_s, 120},
                              {receipts ? u"[%NUM%SUM%M%]收款金额"_s : u"[%NUM%SUM%M%]付款金额"_s,
                               u"total"_s, 90},
                              {u"[%NUM%SUM%M%]优惠金额"_s, u"youhuiTotal"_s, 80},
                              {u"[%NUM%SUM%M%]本单结算"_s, u"settled"_s, 80},
                              {u"[]经手人"_s, u"jsr_fullname"_s, 80},
                              {u"[]摘要"_s, u"summery"_s, 140}};
            break;
        }
    }
    return lookup;
}

void TfrmBillAbstract::showLookupRows(const BillLookup& lookup, const RecordSet& rows) {
    TfrmBillLookup dialog(lookup, rows, this);
    dialog.exec();
}

void TfrmBillAbstract::showLookup(BillLookupKind kind) {
    showErrors<std::exception>(caption::hint(), [&] {
        const BillLookup lookup = lookupFor(kind);
        RecordSet rows;
        billDataModule().ExecQuery(lookup.sql, &rows);
        showLookupRows(lookup, rows);
    });
}

void TfrmBillAbstract::btnBillSaveClick() {
    saveBill(true);
}
void TfrmBillAbstract::btnBillSaveToDraftClick() {
    saveBill(false);
}

bool TfrmBillAbstract::saveAvailable(QAction* action) const {
    return action->isVisible() && action->isEnabled();
}

void TfrmBillAbstract::auditStep(int step) {
    if (step < 2 || step > 5 || billId_ < 1 || billState_ == kBillPosted)
        return;
    const QString field = u"inputid%1"_s.arg(step);
    const QString nameField = field + u"Name"_s;
    const qint64 me = loginedUser().UserId;
    const qint64 performer = headerValue(field).toLongLong();
    if (performer > 0) {
        if (performer != me)
            throw DytError(billtext::auditedByOther(headerValue(nameField)));
        billDataModule().ExecUpdate(billsql::auditUpdate(field, 0, billId_));
        setHeaderValue(field, u"0"_s);
        setHeaderValue(nameField, QString());
        return;
    }
    const BillKind* kind = findBillKind(djType_);
    if (!kind || !kind->mayAudit(step, me))
        throw DytError(billtext::noAuditRight());
    billDataModule().ExecUpdate(billsql::auditUpdate(field, me, billId_));
    setHeaderValue(field, QString::number(me));
    setHeaderValue(nameField, loginedUser().UserName);
}

bool TfrmBillAbstract::btnAuditClick(int step) {
    try {
        auditStep(step);
        return true;
    } catch (const std::exception& e) {
        prompter().showError(caption::hint(), e);
        return false;
    }
}

QString TfrmBillAbstract::AccountDetails() {
    if (billId_ < 1)
        throw DytError(billtext::saveBeforeAccounts());
    RecordSet rows;
    billDataModule().ExecQuery(billsql::postedAccounts(billId_), &rows);
    if (rows.rowCount() == 0)
        throw DytError(billtext::noAccounts());
    QStringList lines;
    for (rows.first(); !rows.eof(); rows.next())
        lines.append(rows.text(u"fullname"_s) + u"："_s +
                     formatAmount(u"%M%"_s, rows.number(u"total"_s)));
    return lines.join(QLatin1Char('\n'));
}

void TfrmBillAbstract::btnkmxqClick() {
    showErrors<std::exception>(caption::hint(),
                               [&] { prompter().message(caption::hint(), AccountDetails()); });
}

void TfrmBillAbstract::printBill() {
    if (settings().Switch(kOptionPrintPostedOnly) && billState_ != kBillPosted)
        throw DytError(billtext::printPostedOnly());
    qint64 printed = 0;
    qint64 allowed = kUnlimitedPrints;
    bool enforced = false;
    if (billId_ > 0) {
        RecordSet rs;
        billDataModule().ExecQuery(billsql::printLimits(billId_), &rs);
        if (rs.rowCount() > 0) {
            rs.first();
            printed = rs.integer(u"printnum"_s);
            allowed = rs.integer(u"printNumSum"_s);
            enforced = rs.integer(u"printisCheck"_s) == 1;
        }
    }
    // The server keeps the password and the count: it judges the password typed and counts
    // the prints made.
    bool lifted = false;
    QString entered;
    if (enforced && printed >= allowed) {
        if (!prompter().input(caption::hint(), billtext::printPassword(), &entered, true))
            return;
        ParamList ask = billsql::printParams(billId_, 0, entered);
        billDataModule().ExecProc(billsql::printProcedure(), ask);
        lifted = true;
    }
    const QString yesNo = enforced ? u"YES"_s : u"NO"_s;
    print::setPrintVariable(u"打印次数"_s, QString::number(printed));
    print::setPrintValue(u"PRINT"_s, yesNo);
    print::setPrintValue(u"PrintOnlyOnce"_s, yesNo);
    print::setPrintValue(u"PRINTNUMSUM"_s, QString::number(allowed - printed));
    print::setPrintValue(u"PRINTNUM"_s, QString::number(printed));
    if (lifted)
        print::setPrintValue(u"PRINTLIMIT"_s, u"NO"_s);
    auto resetValues = [] {
        print::setPrintValue(u"PrintOnlyOnce"_s, u"NO"_s);
        print::setPrintValue(u"PRINTNUMSUM"_s, QString::number(kUnlimitedPrints));
        print::setPrintValue(u"PRINTNUM"_s, u"0"_s);
        print::setPrintValue(u"PRINTLIMIT"_s, u"YES"_s);
    };
    try {
        if (settings().QuickLocalPrint) {
            RunPrint(kPrintDirect);
            print::setPrintValue(u"PRINT"_s, u"1"_s);
            print::setPrintValue(u"PRINTNUM"_s, u"1"_s);
        } else {
            RunPrint(kPrintPreview);
        }
        const int made = print::printValue(u"PRINTNUM"_s).toInt();
        if (made > 0 && billId_ > 0) {
            ParamList told = billsql::printParams(billId_, made, entered);
            billDataModule().ExecProc(billsql::printProcedure(), told);
        }
    } catch (...) {
        resetValues();
        throw;
    }
    resetValues();
}

void TfrmBillAbstract::btnPrintClick() {
    showErrors<std::exception>(caption::hint(), [&] { printBill(); });
}

bool TfrmBillAbstract::closeQuery() {
    const bool canPost = saveAvailable(btnBillSave_);
    const bool canDraft = saveAvailable(btnBillSaveToDraft_);
    if (!modified_ || (!canPost && !canDraft))
        return true;
    QStringList buttons;
    QList<int> meaning;  // 1 post, 2 draft, 0 discard
    if (canPost) {
        buttons.append(btnBillSave_->text());
        meaning.append(1);
    }
    if (canDraft) {
        buttons.append(btnBillSaveToDraft_->text());
        meaning.append(2);
    }
    buttons.append(billtext::discardAndExit());
    meaning.append(0);
    const int answer =
        prompter().ask(billtext::closeCaption(), billtext::closeQuestion(), buttons, 0);
    if (answer < 0 || answer >= meaning.size())
        return false;
    if (meaning.at(answer) == 0)
        return true;
    closing_ = true;
    saveBill(meaning.at(answer) == 1);
    closing_ = false;
    return false;
}

void TfrmBillAbstract::closeEvent(QCloseEvent* event) {
    if (!closing_ && !closeQuery()) {
        event->ignore();
        return;
    }
    TfrmXAbstract::closeEvent(event);
}

bool TfrmBillAbstract::focusNextEditableCell(const QModelIndex& from) {
    QTableView* table = dbgvX()->table();
    const GridDefinition& def = gridDefinition();
    const QHeaderView* header = table->horizontalHeader();
    for (int v = header->visualIndex(from.column()) + 1; v < header->count(); ++v) {
        const int col = header->logicalIndex(v);
        if (col >= 0 && col < def.columns.size() && !table->isColumnHidden(col) &&
            (model()->flags(model()->index(from.row(), col)) & Qt::ItemIsEditable)) {
            table->setCurrentIndex(model()->index(from.row(), col));
            table->setFocus();
            return true;
        }
    }
    return false;
}

void TfrmBillAbstract::reshowLines() {
    QTableView* table = dbgvX()->table();
    const QModelIndex current = table->currentIndex();
    const bool focused = table->hasFocus() || (QApplication::focusWidget() &&
                                               table->isAncestorOf(QApplication::focusWidget()));
    showRecords();
    if (current.isValid() && current.row() < model()->rowCount())
        table->setCurrentIndex(model()->index(current.row(), current.column()));
    if (focused)
        table->setFocus();
}

QString TfrmBillAbstract::takeOpenEditorText() {
    QString text;
    if (auto* delegate = qobject_cast<GridItemDelegate*>(dbgvX()->table()->itemDelegate())) {
        if (auto* edit = qobject_cast<QLineEdit*>(delegate->openEditor()))
            text = edit->text();
        delegate->closeOpenEditor(false);
    }
    return text;
}

}  // namespace dyt::client
