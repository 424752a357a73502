// The receipt and payment bills: accounts, open bills of the partner, distribution, saving,
// re-settlement and printing.
#include "client/bills/frmbillskd.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "client/common/griddelegate.h"
#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "client/logic/skdcalc.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/rounding.h"
#include "printengine/printengine.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace skdtext {
QString required(const QString& label) {
    return u"["_s + label + u"]不能为空，请重新输入"_s;
}
}  // namespace skdtext

namespace {

constexpr int kReceipt = 21;
constexpr int kPayment = 22;
constexpr int kOptionDateQuestion = 2023;
constexpr int kRightPartnerBalances = 6005;

// A money cell of any representation as a fixed-point value; blank or unreadable is 0.
Currency moneyOf(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return {};
    if (v.metaType() == QMetaType::fromType<Currency>())
        return v.value<Currency>();
    if (v.typeId() == QMetaType::Double) {
        Currency c;
        return Currency::tryFromDouble(v.toDouble(), &c) ? c : Currency();
    }
    Currency c;
    return Currency::fromString(v.toString().trimmed(), &c) ? c : Currency();
}

QString moneyText(Currency value) {
    const int dot = settings().TotalDot;
    return QString::number(roundTo(value, dot).toDouble(), 'f', dot);
}

// The fields of the lower grid with the types the window keeps them in.
struct BillField {
    const char16_t* name;
    FieldType type;
};
constexpr BillField kBillFields[] = {
    {u"s_id", FieldType::Integer},    {u"djType", FieldType::Integer},
    {u"billCode", FieldType::Text},   {u"date", FieldType::Text},
    {u"dj_Caption", FieldType::Text}, {u"totalSum", FieldType::Float},
    {u"ye", FieldType::Float},        {u"Total", FieldType::Float},
    {u"comment", FieldType::Text},
};

ParamList openBillsParams(qint64 partner, qint64 billId, int djType) {
    ParamList p;
    p.setValue(u"QueryType"_s, u"WSKDJ"_s);
    p.setValue(u"wldwStr"_s, u";id="_s + QString::number(partner) + u";czy_id="_s +
                                 QString::number(loginedUser().UserId));
    p.setValue(u"BeginDate"_s, u"1988-01-01"_s);
    p.setValue(u"EndDate"_s, u"2030-01-01"_s);
    p.setValue(u"id"_s, QString::number(billId));
    // The server tells the sales side from the purchase side by the kind.
    p.setValue(u"djType"_s, QString::number(djType));
    return p;
}

}  // namespace

// --- the two kinds

const MoneyBillKind& MoneyBillKind::receipt() {
    static const MoneyBillKind k{
        kReceipt,
        u"TfrmBillSKD"_s,
        u"收款单"_s,
        u"付款单位"_s,
        u"skkm"_s,
        u"应收款："_s,
        u"预收款："_s,
        u"ystotal"_s,
        u"yushoutotal"_s,
        u"必须录入收款账户明细数据！"_s,
        u"Update b set b.total = 0 FROM djList AS b WHERE km_id = 0 AND b.id = "_s};
    return k;
}

const MoneyBillKind& MoneyBillKind::payment() {
    static const MoneyBillKind k{
        kPayment,
        u"TfrmBillFKD"_s,
        u"付款单"_s,
        u"收款单位"_s,
        u"fkkm"_s,
        u"应付款："_s,
        u"预付款："_s,
        u"yftotal"_s,
        u"yufutotal"_s,
        u"必须录入付款账户明细数据！"_s,
        u"Update b set b.total = -b.total FROM djList AS b WHERE km_id = 0 AND b.id = "_s};
    return k;
}

const MoneyBillKind* MoneyBillKind::of(int djType) {
    if (djType == kReceipt)
        return &receipt();
    if (djType == kPayment)
        return &payment();
    return nullptr;
}

namespace {
const MoneyBillKind& kindOrThrow(int djType) {
    const MoneyBillKind* k = MoneyBillKind::of(djType);
    if (!k)
        throw DytError(u"收付款单据不支持单据类型：%1"_s.arg(djType));
    return *k;
}
}  // namespace

// --- construction

TfrmBillSKD::TfrmBillSKD(int djType, QWidget* parent)
    : TfrmBillAbstract(parent),
      kind_(kindOrThrow(djType)),
      cells_(*this, {u"km_id"_s, u"km_Code"_s, u"km_Name"_s, u"total"_s}, kind_.accountKind,
             {[this] { return !isReadOnly() && billState() != kBillPosted; },
              [this](const QString& text) { return selector(kind_.accountKind, text); },
              [this](int row, const BaseChoice& c) { setAccount(row, c.id, c.code, c.name); },
              [this](const std::exception& e) { showError(e); },
              [this](const QModelIndex& from) { return focusNextEditableCell(from); },
              [this] { reshowLines(); }}) {
    setObjectName(kind_.className);
    setTitle(kind_.title);
    selector = [this](const QString& kindName, const QString& text) {
        return selectBase(kindName, text, this);
    };
    buildControls();
    buildBillsGrid();
    updateCommands();
}

TfrmBillSKD::~TfrmBillSKD() {
    // The bills view reads the grid description and rows held by members: it goes first.
    delete billsGrid_;
    delete billsModel_;
}

QString TfrmBillSKD::layoutKey() const {
    return kind_.className + u"_dbgvX"_s;
}

QLineEdit* TfrmBillSKD::addHeadField(const QString& caption, const QString& fieldName, int row,
                                     int column, int span) {
    auto* edit = new QLineEdit(panHead_);
    auto* label = new QLabel(caption, panHead_);
    label->setBuddy(edit);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    headGrid_->addWidget(label, row, column * 2);
    headGrid_->addWidget(edit, row, column * 2 + 1, 1, span * 2 - 1);
    bindHeaderField(fieldName, edit);
    headFields_.append({caption, edit});
    edit->installEventFilter(this);
    return edit;
}

QLineEdit* TfrmBillSKD::addChoiceField(const QString& caption, const QString& idField,
                                       const QString& nameField, const QString& selectionKind,
                                       int row, int column, int span,
                                       std::function<void(const BaseChoice&)> apply) {
    auto* box = new QWidget(panHead_);
    auto* boxRow = new QHBoxLayout(box);
    boxRow->setContentsMargins(0, 0, 0, 0);
    boxRow->setSpacing(0);
    auto* edit = new QLineEdit(box);
    auto* button = new QToolButton(box);
    button->setText(u"…"_s);
    button->setObjectName(u"btn_"_s + idField);
    choiceButtons_.append(button);
    boxRow->addWidget(edit, 1);
    boxRow->addWidget(button);
    auto* label = new QLabel(caption, panHead_);
    label->setBuddy(edit);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    headGrid_->addWidget(label, row, column * 2);
    headGrid_->addWidget(box, row, column * 2 + 1, 1, span * 2 - 1);
    bindHeaderField(nameField, edit);
    setHeaderValue(idField, QString());
    headFields_.append({caption, edit});
    choiceFields_.append({edit, selectionKind, apply});
    // What the program puts into the field (a choice, an opened bill) is the record it stands for.
    connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        if (!edit->isModified())
            edit->setProperty(kChosenText, text);
    });
    edit->installEventFilter(this);
    connect(button, &QToolButton::clicked, this, [this, edit] {
        const ChoiceField* field = choiceFieldOf(edit);
        if (field && chooseRecord(*field, edit->text(), false))
            focusAfter(edit);
    });
    return edit;
}

const TfrmBillSKD::ChoiceField* TfrmBillSKD::choiceFieldOf(const QObject* edit) const {
    for (const ChoiceField& f : choiceFields_)
        if (f.edit == edit)
            return &f;
    return nullptr;
}

bool TfrmBillSKD::chooseRecord(const ChoiceField& field, const QString& text, bool typed) {
    if (isReadOnly() || billState() == kBillPosted)
        return false;
    try {
        // A typed code or full name of exactly one record is taken at once; otherwise the
        // selection opens with the text.
        std::optional<BaseChoice> choice;
        if (typed)
            choice = RecordSelection(field.kind).exactMatch(text);
        if (!choice)
            choice = selector(field.kind, text);
        if (choice) {
            field.apply(*choice);
            field.edit->setProperty(kChosenText, field.edit->text());
            return true;
        }
    } catch (const std::exception& e) {
        showError(e);
    }
    // Nothing chosen: the field shows the record it had.
    field.edit->setText(field.edit->property(kChosenText).toString());
    return false;
}

void TfrmBillSKD::focusAfter(QWidget* edit) {
    // The header fields in their order, then the first account line.
    QList<QWidget*> order;
    for (const auto& f : headFields_)
        if (f.second->isVisible() && f.second->isEnabled() && !f.second->isReadOnly())
            order.append(f.second);
    const int i = order.indexOf(edit);
    if (i >= 0 && i + 1 < order.size()) {
        order.at(i + 1)->setFocus();
        if (auto* line = qobject_cast<QLineEdit*>(order.at(i + 1)))
            line->selectAll();
        return;
    }
    int row = 0;
    while (row + 1 < model()->rowCount() && cells_.accountOf(model()->rawRow(row)) > 0)
        ++row;
    cells_.enterCell(row, cells_.accountOf(model()->rawRow(row)) > 0 ? u"total"_s : u"km_Code"_s);
}

void TfrmBillSKD::buildControls() {
    // A bill has no query conditions: the group keeps the header strip only.
    gbCondition()->setTitle(QString());
    cbqiyongzhinengguolv()->hide();
    for (const char* link : {"lbFilter", "lblocalizer", "lbrevert", "lbColConfigure"})
        if (auto* w = gbCondition()->findChild<QWidget*>(QLatin1String(link)))
            w->hide();
    edBillCode()->setMinimumWidth(150);
    edComment()->setMinimumWidth(320);

    // The bill's own header fields, two rows of label and field pairs.
    panHead_ = new QWidget(this);
    panHead_->setObjectName(u"panSkdHead"_s);
    headGrid_ = new QGridLayout(panHead_);
    headGrid_->setContentsMargins(8, 0, 8, 0);
    headGrid_->setHorizontalSpacing(6);
    eddw_ = addChoiceField(kind_.partnerCaption, u"wldw_id"_s, u"wldw_Name"_s, u"wldw"_s, 0, 0, 2,
                           [this](const BaseChoice& c) { setPartner(c.id, c.name); });
    eddw_->setObjectName(u"eddw"_s);
    edjsr_ = addChoiceField(u"经手人"_s, u"jsr_id"_s, u"jsr_Name"_s, u"zhiyuan"_s, 0, 2, 1,
                            [this](const BaseChoice& c) { setEmployee(c.id, c.name); });
    edjsr_->setObjectName(u"edjsr"_s);
    edbm_ = addChoiceField(u"部门"_s, u"dep_id"_s, u"bm_Name"_s, u"bumen"_s, 0, 3, 1,
                           [this](const BaseChoice& c) { setDepartment(c.id, c.name); });
    edbm_->setObjectName(u"edbm"_s);
    edzhaiyao_ = addHeadField(u"摘要"_s, u"summery"_s, 1, 0, 3);
    edzhaiyao_->setObjectName(u"edzhaiyao"_s);
    edyhje_ = addHeadField(u"优惠金额"_s, u"youhuiTotal"_s, 1, 3, 1);
    edyhje_->setObjectName(u"edyhje"_s);
    edyhje_->setAlignment(Qt::AlignRight);
    for (int col = 1; col < 8; col += 2)
        headGrid_->setColumnStretch(col, 1);
    for (QLineEdit* e : {edzhaiyao_, edyhje_})
        connect(e, &QLineEdit::textEdited, this, [this] {
            setModified(true);
            recompute();
        });

    // The amounts strip under the header.
    auto* strip = new QWidget(this);
    strip->setObjectName(u"panAmounts"_s);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(4, 0, 4, 0);
    lbBalance_ = new QLabel(kind_.balanceCaption + u"0"_s, strip);
    lbBalance_->setObjectName(u"lbys"_s);
    lbAdvanceBalance_ = new QLabel(kind_.advanceCaption + u"0"_s, strip);
    lbAdvanceBalance_->setObjectName(u"lbyushou"_s);
    lbDistributable_ = new QLabel(strip);
    lbDistributable_->setObjectName(u"lbkfpje"_s);
    lbAdvance_ = new QLabel(strip);
    lbAdvance_->setObjectName(u"lbyfzk"_s);
    QFont bold = lbDistributable_->font();
    bold.setBold(true);
    lbDistributable_->setFont(bold);
    btnyszk_ = new QPushButton(
        kind_.djType == kPayment ? skdtext::prepayPaymentSwitch() : skdtext::prepaySwitch(), strip);
    btnyszk_->setObjectName(u"btnyszk"_s);
    btnyszk_->setCheckable(true);
    btnzdfp_ = new QPushButton(skdtext::autoDistribute(), strip);
    btnzdfp_->setObjectName(u"btnzdfp"_s);
    btnqzwc_ = new QPushButton(skdtext::resettle(), strip);
    btnqzwc_->setObjectName(u"btnqzwc"_s);
    for (QWidget* w : std::initializer_list<QWidget*>{lbBalance_, lbAdvanceBalance_,
                                                      lbDistributable_, lbAdvance_})
        row->addWidget(w);
    row->addStretch(1);
    row->addWidget(btnyszk_);
    row->addWidget(btnzdfp_);
    row->addWidget(btnqzwc_);
    connect(btnyszk_, &QPushButton::clicked, this, [this] { btnyszkClick(); });
    connect(btnzdfp_, &QPushButton::clicked, this, [this] { btnzdfpClick(); });
    // Ctrl+F distributes from the keyboard, wherever the focus is inside the bill.
    auto* distribute = new QAction(this);
    distribute->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    distribute->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(distribute);
    connect(distribute, &QAction::triggered, btnzdfp_, &QPushButton::click);
    btnzdfp_->setToolTip(skdtext::autoDistribute() + u" (Ctrl+F)"_s);
    connect(btnqzwc_, &QPushButton::clicked, this, [this] { btnqzwcClick(); });

    auto* main = qobject_cast<QBoxLayout*>(layout());
    const int at = main ? main->indexOf(gbCondition()) + 1 : -1;
    auto* accountsLabel = new QLabel(skdtext::accountsGroup(), this);
    accountsLabel->setObjectName(u"lbAccounts"_s);
    accountsLabel->setFont(bold);
    if (main && at > 0) {
        main->insertWidget(at, panHead_);
        main->insertWidget(at + 1, strip);
        main->insertWidget(at + 2, accountsLabel);
    }

    // The accounts grid: the window's own grid.
    addColumn(u"[%NUM%Q%]账户ID"_s, u"km_id"_s, false, 40).visible = false;
    addColumn(u"[%NUM%Q%]orderid"_s, u"orderid"_s, false, 40).visible = false;
    // The account cells take a typed code or name; their button, F2 and a double-click open the
    // account selection.
    addColumn(u"[%SET%CNT%]账户编号"_s, u"km_Code"_s, true, 100);
    addColumn(u"[%SET%]账户名称"_s, u"km_Name"_s, true, 180);
    addColumn(u"[%NUM%SUM%M%]金额"_s, u"total"_s, true, 100);
    const char16_t* extras[] = {u"[%F%]附加信息一", u"[%F%]附加信息二", u"[%F%]附加信息三",
                                u"[%F%]附加信息四", u"[%F%]附加信息五"};
    for (int i = 0; i < 5; ++i)
        addColumn(QString::fromUtf16(extras[i]), u"rowbeizhu%1"_s.arg(i + 1), true, 90);
    connect(dbgvX(), &GridView::buttonClicked, this, [this](const QModelIndex& index) {
        if (!cells_.isAccountColumn(index.column()))
            return;
        // The text typed so far narrows the selection.
        QString text = takeOpenEditorText();
        const int line = model()->rawRow(index.row());
        if (text.isEmpty())
            text = accountCellText(line);
        cells_.choose(line, text);
    });
    connect(model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                setModified(true);
                // A typed code or name: looked up once the editor has closed (Enter looks it
                // up at once).
                cells_.noteChange(topLeft, bottomRight);
                recompute();
            });
    if (auto* delegate = qobject_cast<GridItemDelegate*>(dbgvX()->table()->itemDelegate()))
        connect(delegate, &GridItemDelegate::editorReturned, this,
                [this](const QModelIndex& index) {
                    if (index.isValid() && !cells_.entered(index))
                        cells_.walkFrom(index);
                });
    dbgvX()->table()->installEventFilter(this);
    dbgvX()->table()->viewport()->installEventFilter(this);
    // A receipt or payment has no goods: only the partner look-ups apply.
    for (BillLookupKind k : {BillLookupKind::GoodsDistribution, BillLookupKind::PurchasePrices,
                             BillLookupKind::SalePrices})
        if (QAction* a = actLookup(k))
            a->setVisible(false);
}

void TfrmBillSKD::buildBillsGrid() {
    gbBills_ = new QGroupBox(skdtext::billsGroup(), this);
    gbBills_->setObjectName(u"gbBills"_s);
    auto* box = new QVBoxLayout(gbBills_);
    box->setContentsMargins(2, 2, 2, 2);
    billsGrid_ = new GridView(gbBills_);
    billsGrid_->setObjectName(u"dbgvBills"_s);
    box->addWidget(billsGrid_);
    if (auto* main = qobject_cast<QBoxLayout*>(layout()))
        main->addWidget(gbBills_, 1);

    GridContext& c = billsDef_.context;
    const TSettings& s = settings();
    c.qtyDot = s.QtyDot;
    c.priceDot = s.PriceDot;
    c.totalDot = s.TotalDot;
    c.discountDot = s.DiscountDot;
    c.taxDot = s.TaxDot;
    c.canSeeCost = s.SeeCost;
    AddGridColumn(billsDef_, u"[%NUM%Q%]单据ID"_s, u"s_id"_s, false, 40).visible = false;
    AddGridColumn(billsDef_, u"[%NUM%Q%]单据类型ID"_s, u"djType"_s, false, 40).visible = false;
    AddGridColumn(billsDef_, u"[%CNT%]单据编号"_s, u"billCode"_s, false, 130);
    AddGridColumn(billsDef_, u"单据日期"_s, u"date"_s, false, 90);
    AddGridColumn(billsDef_, u"单据类型"_s, u"dj_Caption"_s, false, 80);
    AddGridColumn(billsDef_, u"[%NUM%SUM%M%]单据金额"_s, u"totalSum"_s, false, 100);
    AddGridColumn(billsDef_, u"[%NUM%SUM%M%]未结金额"_s, u"ye"_s, false, 100);
    AddGridColumn(billsDef_, u"[%NUM%SUM%M%]本次结算"_s, u"Total"_s, true, 100);
    AddGridColumn(billsDef_, u"摘要"_s, u"comment"_s, true, 160);
    for (const BillField& f : kBillFields)
        bills_.addField(QString::fromUtf16(f.name), f.type,
                        f.type == FieldType::Text ? kPacketFieldWidth : 0);
    billsModel_ = new RecordSetModel(this);
    billsModel_->setSource(&bills_, &billsDef_);
    billsGrid_->setModel(billsModel_);
    billsGrid_->applyColumns();
    connect(billsModel_, &QAbstractItemModel::dataChanged, this, [this] {
        if (!resettling_)
            setModified(true);
        recompute();
    });
    setBillsEditable(true);
}

// --- choices

void TfrmBillSKD::setPartner(qint64 id, const QString& name) {
    const bool changed = headerValue(u"wldw_id"_s) != QString::number(id);
    setHeaderValue(u"wldw_id"_s, QString::number(id));
    eddw_->setText(name);
    setModified(true);
    refreshBalances();
    if (changed || bills_.rowCount() == 0) {
        bills_.clearRows();
        if (settlesByBill() && id > 0)
            loadOpenBills();
        else
            showBills(RecordSet());
    }
    recompute();
}

void TfrmBillSKD::setEmployee(qint64 id, const QString& name) {
    setHeaderValue(u"jsr_id"_s, QString::number(id));
    edjsr_->setText(name);
    setModified(true);
}

void TfrmBillSKD::setDepartment(qint64 id, const QString& name) {
    setHeaderValue(u"dep_id"_s, QString::number(id));
    edbm_->setText(name);
    setModified(true);
}

void TfrmBillSKD::setAccount(int row, qint64 id, const QString& code, const QString& name) {
    RecordSet& rs = records();
    for (const QString& f : {u"km_id"_s, u"km_Code"_s, u"km_Name"_s, u"total"_s})
        if (rs.fieldIndex(f) < 0)
            rs.addField(f, FieldType::Text, kPacketFieldWidth);
    while (rs.rowCount() <= row)
        rs.appendRow(RecordSet::Row(rs.fieldCount()));
    rs.setAt(row, rs.fieldIndex(u"km_id"_s), QString::number(id));
    rs.setAt(row, rs.fieldIndex(u"km_Code"_s), code);
    rs.setAt(row, rs.fieldIndex(u"km_Name"_s), name);
    cells_.remember(id, code, name);
    // Room for the next account.
    if (row == rs.rowCount() - 1)
        rs.appendRow(RecordSet::Row(rs.fieldCount()));
    reshowLines();
    setModified(true);
    recompute();
}

// --- keyboard entry of the accounts

QString TfrmBillSKD::accountCellText(int row) {
    const QModelIndex current = dbgvX()->table()->currentIndex();
    const QString field = current.isValid() && cells_.isAccountColumn(current.column())
                              ? gridDefinition().columns.at(current.column()).fieldName
                              : u"km_Code"_s;
    return cells_.text(row, field);
}

bool TfrmBillSKD::eventFilter(QObject* watched, QEvent* event) {
    QTableView* table = dbgvX()->table();
    const bool editable = !isReadOnly() && billState() != kBillPosted;
    if (const ChoiceField* field = choiceFieldOf(watched)) {
        QLineEdit* edit = field->edit;
        if (event->type() == QEvent::KeyPress && editable) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            const QString chosen = edit->property(kChosenText).toString();
            if (key->key() == Qt::Key_F2) {
                if (chooseRecord(*field, edit->text() == chosen ? QString() : edit->text(), false))
                    focusAfter(edit);
                return true;
            }
            if (enter) {
                const QString text = edit->text().trimmed();
                // An empty or unchanged field walks on (F2 or the button choose there); typed
                // text chooses.
                if (text.isEmpty() || text == chosen || chooseRecord(*field, text, true))
                    focusAfter(edit);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut && edit->isModified()) {
            // Text typed but not confirmed does not stand for a record.
            edit->setText(edit->property(kChosenText).toString());
        }
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            for (const auto& f : headFields_)
                if (f.second == watched) {
                    focusAfter(f.second);
                    return true;
                }
    }
    if (watched == table && event->type() == QEvent::KeyPress && editable) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QModelIndex current = table->currentIndex();
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (current.isValid() && cells_.isAccountColumn(current.column()) &&
            key->modifiers() == Qt::NoModifier) {
            const int row = model()->rawRow(current.row());
            if (key->key() == Qt::Key_F2 || (enter && cells_.accountOf(row) <= 0)) {
                cells_.choose(row, accountCellText(row));
                return true;
            }
        }
        if (enter && current.isValid()) {
            cells_.walkFrom(current);
            return true;
        }
    }
    if (watched == table->viewport() && event->type() == QEvent::MouseButtonDblClick && editable) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex at = table->indexAt(mouse->position().toPoint());
        if (at.isValid() && cells_.isAccountColumn(at.column())) {
            table->setCurrentIndex(at);
            const int row = model()->rawRow(at.row());
            cells_.choose(row, accountCellText(row));
            return true;
        }
    }
    return TfrmBillAbstract::eventFilter(watched, event);
}

// --- amounts

QList<Currency> TfrmBillSKD::accountTotals() const {
    QList<Currency> out;
    const RecordSet& rs = records();
    const int totalCol = rs.fieldIndex(u"total"_s);
    if (totalCol < 0)
        return out;
    for (int row = 0; row < rs.rowCount(); ++row)
        out.append(moneyOf(rs.at(row, totalCol)));
    return out;
}

Currency TfrmBillSKD::receivedAmount() const {
    return skd::receivedAmount(accountTotals(), moneyOf(edyhje_->text()), settings().TotalDot);
}

namespace {
QList<skd::OpenBillRow> openBillRows(const RecordSet& rs) {
    QList<skd::OpenBillRow> rows;
    const int idCol = rs.fieldIndex(u"s_id"_s);
    const int yeCol = rs.fieldIndex(u"ye"_s);
    const int totalCol = rs.fieldIndex(u"Total"_s);
    for (int row = 0; row < rs.rowCount(); ++row)
        rows.append({rs.at(row, idCol).toLongLong(), moneyOf(rs.at(row, yeCol)),
                     moneyOf(rs.at(row, totalCol))});
    return rows;
}
}  // namespace

Currency TfrmBillSKD::distributableAmount() const {
    if (!settlesByBill())
        return receivedAmount();
    return skd::distributableAmount(receivedAmount(), openBillRows(bills_));
}

void TfrmBillSKD::recompute() {
    const Currency left = distributableAmount();
    lbDistributable_->setText(skdtext::distributable() + moneyText(left));
    lbAdvance_->setText(skdtext::advance() +
                        moneyText(prepay_ == 1 && left > Currency() ? left : Currency()));
    btnyszk_->setChecked(prepay_ == 1);
}

void TfrmBillSKD::btnyszkClick() {
    prepay_ = prepay_ == 1 ? 0 : 1;
    setModified(true);
    recompute();
}

void TfrmBillSKD::btnzdfpClick() {
    if (!bills_.rowCount())
        return;
    const QList<skd::OpenBillRow> rows = skd::distribute(receivedAmount(), openBillRows(bills_));
    const int totalCol = bills_.fieldIndex(u"Total"_s);
    for (int row = 0; row < rows.size(); ++row)
        if (rows.at(row).billId != 0)
            bills_.setAt(row, totalCol, rows.at(row).settled.toDouble());
    billsModel_->reload();
    if (!resettling_)
        setModified(true);
    recompute();
}

bool TfrmBillSKD::settlesByBill() {
    return settings().SettlementMode == 0;
}

// --- open and settled bills

void TfrmBillSKD::showBills(const RecordSet& serverRows) {
    bills_.clearRows();
    QList<int> source;
    for (const BillField& f : kBillFields)
        source.append(serverRows.fieldIndex(QString::fromUtf16(f.name)));
    for (int row = 0; row < serverRows.rowCount(); ++row) {
        RecordSet::Row values;
        for (int col : source)
            values.append(col < 0 ? QVariant() : serverRows.at(row, col));
        bills_.appendRow(values);
    }
    billsModel_->setSource(&bills_, &billsDef_);
    billsGrid_->applyColumns();
}

void TfrmBillSKD::loadOpenBills() {
    const qint64 partner = headerValue(u"wldw_id"_s).toLongLong();
    if (partner <= 0) {
        showBills(RecordSet());
        return;
    }
    ParamList p = openBillsParams(partner, billId(), kind_.djType);
    RecordSet rows;
    billDataModule().ExecProcQuery(u"P_JXC_DJ_GetDJList"_s, p, &rows);
    showBills(rows);
    recompute();
}

void TfrmBillSKD::refreshBalances() {
    lbBalance_->setText(kind_.balanceCaption + u"0"_s);
    lbAdvanceBalance_->setText(kind_.advanceCaption + u"0"_s);
    const qint64 partner = headerValue(u"wldw_id"_s).toLongLong();
    if (partner <= 0 || !settings().Right(kRightPartnerBalances))
        return;
    RecordSet rs;
    billDataModule().ExecQuery(
        u"SELECT ystotal-yftotal as ystotal,yftotal - ystotal as "
        u"yftotal,yushoutotal - yufuTotal as yushoutotal,yufutotal - "
        u"yushoutotal as yufutotal FROM baseWLDW WHERE id = "_s +
            QString::number(partner),
        &rs);
    if (rs.rowCount() == 0)
        return;
    rs.first();
    lbBalance_->setText(kind_.balanceCaption + moneyText(moneyOf(rs.value(kind_.balanceField))));
    lbAdvanceBalance_->setText(kind_.advanceCaption +
                               moneyText(moneyOf(rs.value(kind_.advanceField))));
}

void TfrmBillSKD::setBillsEditable(bool editable) {
    billsGrid_->table()->setEditTriggers(editable ? QAbstractItemView::AllEditTriggers
                                                  : QAbstractItemView::NoEditTriggers);
    btnzdfp_->setEnabled(editable);
}

void TfrmBillSKD::updateCommands() {
    const bool posted = billState() == kBillPosted;
    const bool byBill = settlesByBill();
    gbBills_->setVisible(byBill);
    const bool red =
        headerValue(u"isred"_s).toInt() == 1 || headerValue(u"isredword"_s).toInt() == 1;
    btnqzwc_->setVisible(posted && byBill && !red);
    btnqzwc_->setText(resettling_ ? skdtext::saveSettlement() : skdtext::resettle());
    const bool editable = resettling_ || (!posted && !isReadOnly());
    setBillsEditable(byBill && editable);
    btnyszk_->setEnabled(!posted && !isReadOnly());
    for (QToolButton* b : choiceButtons_)
        b->setEnabled(!posted && !isReadOnly());
    for (const ChoiceField& f : choiceFields_)
        f.edit->setReadOnly(posted || isReadOnly());
    edyhje_->setReadOnly(posted || isReadOnly());
    edzhaiyao_->setReadOnly(posted || isReadOnly());
}

// --- opening

void TfrmBillSKD::checkKind() const {
    if (djType() != kind_.djType)
        throw DytError(u"%1窗口不能打开单据类型：%2"_s.arg(kind_.title).arg(djType()));
}

void TfrmBillSKD::loadBill() {
    checkKind();
    resettling_ = false;
    TfrmBillAbstract::loadBill();
    prepay_ = headerValue(u"hhlx"_s).toInt() == 1 ? 1 : 0;
    refreshBalances();
    updateCommands();
    recompute();
}

void TfrmBillSKD::loadLines() {
    ParamList p;
    p.setValue(u"id"_s, QString::number(billId()));
    p.setValue(u"QueryType"_s, u"SKD_KM"_s);
    RecordSet accounts;
    billDataModule().ExecProcQuery(u"P_JXC_DJ_GetDJList"_s, p, &accounts);
    records() = accounts;
    cells_.rememberLines();
    p.clear();
    p.setValue(u"id"_s, QString::number(billId()));
    p.setValue(u"QueryType"_s, u"SKD_DJ"_s);
    RecordSet settled;
    billDataModule().ExecProcQuery(u"P_JXC_DJ_GetDJList"_s, p, &settled);
    showBills(settled);
}

void TfrmBillSKD::resetToNewBill() {
    checkKind();
    resettling_ = false;
    prepay_ = 0;
    TfrmBillAbstract::resetToNewBill();
    for (QLineEdit* e : {eddw_, edjsr_, edbm_, edzhaiyao_, edyhje_})
        e->clear();
    showBills(RecordSet());
    refreshBalances();
    updateCommands();
    recompute();
    setModified(false);
}

// --- saving

void TfrmBillSKD::checkBill(bool post) {
    TfrmBillAbstract::checkBill(post);
    if (settings().Switch(kOptionDateQuestion) && edBillDate()->date() != QDate::currentDate()) {
        if (!prompter().confirm(caption::hint(), skdtext::dateQuestion(),
                                {u"继续(&O)"_s, u"取消(&C)"_s}))
            throw DytError(silentErrorText());
    }
    if (headerValue(u"wldw_id"_s).toLongLong() <= 0) {
        eddw_->setFocus();
        throw DytError(skdtext::required(kind_.partnerCaption));
    }
    const QString discountText = edyhje_->text().trimmed();
    Currency discount;
    if (!discountText.isEmpty() && !Currency::fromString(discountText, &discount)) {
        edyhje_->setFocus();
        throw DytError(u"[优惠金额]必须是数字，请重新输入"_s);
    }
    if (discount > Currency()) {
        RecordSet rs;
        billDataModule().ExecQuery(
            u"select YouHuiTotalUp as zy_YouHuiTotalUp from baseZY where id = "_s +
                QString::number(loginedUser().UserId),
            &rs);
        if (rs.rowCount() > 0) {
            rs.first();
            const Currency ceiling = moneyOf(rs.value(u"zy_YouHuiTotalUp"_s));
            if (ceiling > Currency() && discount > ceiling) {
                edyhje_->setFocus();
                throw DytError(skdtext::discountCeiling());
            }
        }
    }
    bool anyAccount = false;
    const int kmCol = records().fieldIndex(u"km_id"_s);
    for (int row = 0; kmCol >= 0 && row < records().rowCount(); ++row)
        anyAccount = anyAccount || records().at(row, kmCol).toString().trimmed().toLongLong() > 0;
    if (!anyAccount)
        throw DytError(kind_.noAccountsText);
}

ParamList TfrmBillSKD::BuildParams() const {
    ParamList params = TfrmBillAbstract::BuildParams();
    Currency sum;
    for (const Currency& c : accountTotals())
        sum += c;
    const int dot = settings().TotalDot;
    params.setValue(u"total"_s, QString::number(roundTo(sum, dot).toDouble(), 'f', dot));
    params.setValue(u"hhlx"_s, QString::number(prepay_));
    params.setValue(u"youhuiTotal"_s, moneyOf(edyhje_->text()).toString());
    return params;
}

RecordSet TfrmBillSKD::buildAccountPacket() const {
    RecordSet packet;
    if (!settlesByBill())
        return packet;
    for (const BillField& f : kBillFields)
        packet.addField(QString::fromUtf16(f.name), FieldType::Text, kPacketFieldWidth);
    const int idCol = bills_.fieldIndex(u"s_id"_s);
    const int totalCol = bills_.fieldIndex(u"Total"_s);
    for (int row = 0; row < bills_.rowCount(); ++row) {
        if (bills_.at(row, idCol).toLongLong() == 0 ||
            moneyOf(bills_.at(row, totalCol)) == Currency())
            continue;
        RecordSet::Row values;
        for (int col = 0; col < bills_.fieldCount(); ++col) {
            const QVariant v = bills_.at(row, col);
            const FieldType type = bills_.field(col).type;
            if (type == FieldType::Float)
                values.append(moneyOf(v).toString());
            else if (bills_.field(col).name == u"comment"_s)
                values.append(encodeLineBreaks(v.toString()));
            else
                values.append(v.isNull() ? QString() : v.toString());
        }
        packet.appendRow(values);
    }
    return packet;
}

// --- re-settlement

void TfrmBillSKD::startResettlement() {
    if (billState() != kBillPosted || billId() <= 0)
        return;
    if (!prompter().confirm(caption::hint(), skdtext::resettleQuestion(), buttons::okCancel()))
        return;
    TdmMain& dm = billDataModule();
    const QString id = QString::number(billId());
    dm.ExecUpdate(kind_.clearSettledSql + id);
    ParamList p;
    p.setValue(u"billid"_s, id);
    dm.ExecProc(u"P_JXC_DJ_PostOther"_s, p);
    dm.ExecUpdate(u"DELETE b FROM djList AS b WHERE km_id = 0 AND b.id = "_s + id);
    resettling_ = true;
    loadOpenBills();
    updateCommands();
    recompute();
}

void TfrmBillSKD::SaveSettlement() {
    if (!resettling_)
        return;
    TdmMain& dm = billDataModule();
    const QString id = QString::number(billId());
    const int idCol = bills_.fieldIndex(u"s_id"_s);
    const int totalCol = bills_.fieldIndex(u"Total"_s);
    for (int row = 0; row < bills_.rowCount(); ++row) {
        if (bills_.at(row, idCol).toLongLong() == 0 ||
            moneyOf(bills_.at(row, totalCol)) == Currency())
            continue;
        ParamList p;
        for (int col = 0; col < bills_.fieldCount(); ++col) {
            const QVariant v = bills_.at(row, col);
            const QString name = bills_.field(col).name;
            if (bills_.field(col).type == FieldType::Float)
                p.setValue(name, moneyOf(v).toString());
            else if (name == u"comment"_s)
                p.setValue(name, encodeLineBreaks(v.toString()));
            else
                p.setValue(name, v.isNull() ? QString() : v.toString());
        }
        p.setValue(u"id"_s, id);
        dm.ExecProc(u"P_JXC_InertDJList"_s, p);
    }
    dm.ExecUpdate(u"Update b set b.dj_state = 2 FROM djList AS b WHERE km_id = 0 AND b.id = "_s +
                  id);
    ParamList post;
    post.setValue(u"billid"_s, id);
    dm.ExecProc(u"P_JXC_DJ_PostOther"_s, post);
    resettling_ = false;
    // Show what the bill settles now.
    ParamList p;
    p.setValue(u"id"_s, id);
    p.setValue(u"QueryType"_s, u"SKD_DJ"_s);
    RecordSet settled;
    dm.ExecProcQuery(u"P_JXC_DJ_GetDJList"_s, p, &settled);
    showBills(settled);
    refreshBalances();
    updateCommands();
    recompute();
}

void TfrmBillSKD::btnqzwcClick() {
    showErrors<std::exception>(caption::hint(), [&] {
        if (resettling_)
            SaveSettlement();
        else
            startResettlement();
    });
}

void TfrmBillSKD::closeEvent(QCloseEvent* event) {
    if (resettling_) {
        const int answer =
            prompter().ask(caption::hint(), skdtext::leaveQuestion(), buttons::yesNo(), 0);
        if (answer < 0) {
            event->ignore();
            return;
        }
        if (answer == 0) {
            try {
                SaveSettlement();
            } catch (const std::exception& e) {
                prompter().showError(caption::hint(), e);
                event->ignore();
                return;
            }
        }
        resettling_ = false;
    }
    TfrmBillAbstract::closeEvent(event);
}

// --- printing

void TfrmBillSKD::setPrintVariables() {
    const qint64 partner = headerValue(u"wldw_id"_s).toLongLong();
    Currency balance;
    if (partner > 0) {
        RecordSet rs;
        billDataModule().ExecQuery(u"SELECT dbo.fnGetWldwTotal00("_s + QString::number(partner) +
                                       u","_s + u"'2990-01-01'"_s + u") as total"_s,
                                   &rs);
        if (rs.rowCount() > 0) {
            rs.first();
            balance = moneyOf(rs.value(u"total"_s));
        }
    }
    // What the partner owes (receipt) or is owed (payment).
    const Currency debt = kind_.djType == kReceipt ? balance : -balance;
    // What this bill takes off it: with the prepayment switch only what it settles, the rest
    // being an advance.
    const Currency bySettling = skd::settledAmount(openBillRows(bills_));
    const Currency thisBill = -(prepay_ == 1 ? bySettling : receivedAmount());
    const bool posted = billState() == kBillPosted;
    const Currency before = posted ? debt - thisBill : debt;
    const Currency after = posted ? debt : debt + thisBill;
    // The bill's own header fields, which the print header does not carry.
    for (const auto& [caption, edit] : headFields_)
        print::setPrintVariable(caption, edit->text());
    print::setPrintVariable(u"上次欠款"_s, moneyText(before));
    print::setPrintVariable(u"本次欠款"_s, moneyText(thisBill));
    print::setPrintVariable(u"累计欠款"_s, moneyText(after));
}

void TfrmBillSKD::printNow() {
    setPrintVariables();
    printBill();
}

void TfrmBillSKD::btnPrintClick() {
    showErrors<std::exception>(caption::hint(), [&] {
        if (billState() != kBillPosted) {
            if (!prompter().confirm(caption::hint(), skdtext::printQuestion(), buttons::yesNo()))
                return;
            printAfterSave_ = true;
            QMetaObject::Connection c = connect(this, &TfrmBillAbstract::billSaved, this, [this] {
                if (!printAfterSave_)
                    return;
                printAfterSave_ = false;
                try {
                    printNow();
                } catch (const std::exception& e) {
                    prompter().showError(caption::hint(), e);
                }
            });
            const QPointer<TfrmBillSKD> self(this);
            saveBill(true);
            if (self) {
                printAfterSave_ = false;
                disconnect(c);
            }
            return;
        }
        printNow();
    });
}

}  // namespace dyt::client
