// The account-lines bills: the kinds as data, the checks of their lines, and the window.
#include "client/bills/accountbill.h"

#include <QBoxLayout>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableView>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <optional>

#include "client/bills/frmbillskd.h"
#include "client/common/griddelegate.h"
#include "client/common/gridview.h"
#include "client/logic/billsql.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "common/rounding.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace acctbilltext {
QString lineError(int line, const QString& what) {
    return u"第 "_s + QString::number(line) + u" 行输入错误:"_s + what;
}
}  // namespace acctbilltext

namespace {

constexpr int kOptionDateQuestion = 2023;

using M = AccountLineMode;
using P = MoneyPart;

AccountBillKind row(int djType, const char* className, const char* title, bool partner,
                    bool required, M mode, const char* lineKind, const char* lineCaption,
                    P money = P::None, const char* moneyKind = "") {
    AccountBillKind k;
    k.djType = djType;
    k.className = QString::fromLatin1(className);
    k.title = QString::fromUtf8(title);
    k.hasPartner = partner;
    k.partnerRequired = required;
    k.mode = mode;
    k.lineKind = QString::fromLatin1(lineKind);
    k.lineCaption = QString::fromUtf8(lineCaption);
    k.money = money;
    k.moneyKind = QString::fromLatin1(moneyKind);
    return k;
}

AccountBillKind depreciating(AccountBillKind k) {
    k.proposesDepreciation = true;
    return k;
}

// Money amounts compared at four places.
bool isZero(double v) {
    return std::fabs(v) < 0.00005;
}

double numberOf(const QVariant& v) {
    QString text = v.toString().trimmed();
    text.remove(QLatin1Char(','));
    return text.toDouble();
}

QString moneyText(double v) {
    const int dot = settings().TotalDot;
    return QString::number(roundTo(v, dot), 'f', dot);
}

}  // namespace

QString AccountBillKind::moneyCaption() const {
    switch (money) {
        case P::Pay:
            return u"付款账户"_s;
        case P::Receive:
            return u"收款账户"_s;
        case P::FundDown:
        case P::FundUp:
            return u"资金账户"_s;
        case P::None:
            break;
    }
    return {};
}

QString AccountBillKind::moneyAmountCaption() const {
    switch (money) {
        case P::Pay:
            return u"付款金额"_s;
        case P::Receive:
            return u"收款金额"_s;
        case P::FundDown:
        case P::FundUp:
            return u"调整金额"_s;
        case P::None:
            break;
    }
    return {};
}

const std::vector<AccountBillKind>& accountBillKinds() {
    static const std::vector<AccountBillKind> rows = {
        row(17, "TfrmBillXJFYD", "现金费用单", true, false, M::Amount, "fykm", "费用科目", P::Pay,
            "fkkm"),
        row(18, "TfrmBillYBFYD", "一般费用单", true, false, M::Amount, "fykm", "费用科目", P::Pay,
            "fkkm"),
        row(19, "TfrmBillQTSRD", "其它收入单", true, false, M::Amount, "srkm", "收入科目",
            P::Receive, "skkm"),
        row(20, "TfrmBillTXCXZZ", "提现存现转账", false, false, M::Transfer, "fkkm", "资金账户"),
        row(23, "TfrmBillGDZCGZ", "固定资产购置", true, false, M::Asset, "gdzc", "固定资产",
            P::Pay, "fkkm"),
        depreciating(
            row(24, "TfrmBillGDZCZJ", "固定资产折旧", false, false, M::Asset, "gdzc", "固定资产")),
        row(25, "TfrmBillGDZCBM", "固定资产变卖", true, false, M::Asset, "gdzc", "固定资产",
            P::Receive, "skkm"),
        row(26, "TfrmBillDTFYFS", "待摊费用发生", true, false, M::Amount, "dtkm", "待摊费用科目",
            P::Pay, "fkkm"),
        row(27, "TfrmBillDTFYTX", "待摊费用摊销", false, false, M::Amount, "dtkm", "摊销科目"),
        row(28, "TfrmBillYSJS", "调账：应收款减少", true, true, M::Amount, "kmleaf", "对方科目"),
        row(29, "TfrmBillYSZJ", "调账：应收款增加", true, true, M::Amount, "kmleaf", "对方科目"),
        row(30, "TfrmBillYFZJ", "调账：应付款增加", true, true, M::Amount, "kmleaf", "对方科目"),
        row(31, "TfrmBillYFJS", "调账：应付款减少", true, true, M::Amount, "kmleaf", "对方科目"),
        row(32, "TfrmBillZJJS", "调账：资金减少", false, false, M::Amount, "kmleaf", "对方科目",
            P::FundDown, "fkkm"),
        row(33, "TfrmBillZJZJ", "调账：资金增加", false, false, M::Amount, "kmleaf", "对方科目",
            P::FundUp, "fkkm"),
        row(34, "TfrmBillKJPZ", "会计凭证", false, false, M::Voucher, "kmleaf", "会计科目"),
        row(66, "TfrmBillLWFYD", "劳务费用单", true, false, M::Amount, "fykm", "费用科目", P::Pay,
            "fkkm"),
    };
    return rows;
}

double monthlyDepreciation(const AssetCard& card, int moneyPlaces) {
    if (card.zjys <= 0 || card.sold)
        return 0;
    const double depreciable = card.yz * (1 - card.czl / 100);
    const double month = roundTo(depreciable / card.zjys, moneyPlaces);
    const double left = roundTo(depreciable - card.ljzj, moneyPlaces);
    return std::max(0.0, std::min(month, left));
}

QString assetCardText(const AssetCard& card) {
    return u"固定资产[%1 %2]  原值：%3  累计折旧：%4  净值：%5"_s.arg(
               card.code, card.name, moneyText(card.yz), moneyText(card.ljzj),
               moneyText(card.netValue())) +
           (card.sold ? u"（已变卖）"_s : QString());
}

const AccountBillKind* findAccountBillKind(const QString& className) {
    for (const AccountBillKind& k : accountBillKinds())
        if (k.className.compare(className, Qt::CaseInsensitive) == 0)
            return &k;
    return nullptr;
}

void checkAccountLines(const AccountBillKind& kind, const QList<AccountLine>& lines) {
    double debit = 0, credit = 0;
    int used = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const AccountLine& l = lines.at(i);
        const bool hasAmount = !isZero(l.debit) || !isZero(l.credit);
        if (l.account <= 0 && !hasAmount)
            continue;
        if (l.account <= 0)
            throw DytError(acctbilltext::lineError(i + 1, u"请选择"_s + kind.lineCaption + u"！"_s));
        if (!hasAmount)
            throw DytError(acctbilltext::lineError(i + 1, u"金额不能为零！"_s));
        debit += l.debit;
        credit += l.credit;
        ++used;
    }
    if (used == 0)
        throw DytError(acctbilltext::noLines());
    const bool twoSided = kind.mode == M::Transfer || kind.mode == M::Voucher;
    if (twoSided && !isZero(roundTo(debit - credit, 4)))
        throw DytError(kind.mode == M::Voucher ? acctbilltext::unbalancedVoucher()
                                               : acctbilltext::unbalancedTransfer());
}

// --- the window

TfrmBillAccountLines::TfrmBillAccountLines(const AccountBillKind& kind, QWidget* parent)
    : TfrmBillAbstract(parent),
      kind_(kind),
      cells_(*this, {idField(), codeField(), nameField(), firstAmountField()}, kind_.lineKind,
             {[this] { return editable(); },
              [this](const QString& text) { return selector(kind_.lineKind, text); },
              [this](int r, const BaseChoice& c) { setLineAccount(r, c.id, c.code, c.name); },
              [this](const std::exception& e) { showError(e); },
              [this](const QModelIndex& from) { return focusNextEditableCell(from); },
              [this] { reshowLines(); }}) {
    setObjectName(kind_.className);
    setTitle(kind_.title);
    selector = [this](const QString& kindName, const QString& text) {
        return selectBase(kindName, text, this);
    };
    buildControls();
    buildColumns();
}

TfrmBillAccountLines::~TfrmBillAccountLines() = default;

QString TfrmBillAccountLines::layoutKey() const {
    return kind_.className + u"_dbgvX"_s;
}

bool TfrmBillAccountLines::acceptsKind(int djType) const {
    return djType == kind_.djType;
}

QString TfrmBillAccountLines::idField() const {
    return kind_.mode == M::Asset ? u"gdzc_id"_s : u"km_id"_s;
}
QString TfrmBillAccountLines::codeField() const {
    return kind_.mode == M::Asset ? u"gdzc_Code"_s : u"km_Code"_s;
}
QString TfrmBillAccountLines::nameField() const {
    return kind_.mode == M::Asset ? u"gdzc_Name"_s : u"km_Name"_s;
}

QLineEdit* TfrmBillAccountLines::addField(const QString& caption, const QString& fieldName,
                                          int r, int column) {
    auto* edit = new QLineEdit(panHead_);
    auto* label = new QLabel(caption, panHead_);
    label->setBuddy(edit);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    headGrid_->addWidget(label, r, column * 2);
    headGrid_->addWidget(edit, r, column * 2 + 1);
    bindHeaderField(fieldName, edit);
    order_.append(edit);
    edit->installEventFilter(this);
    return edit;
}

QLineEdit* TfrmBillAccountLines::addChoice(const QString& caption, const QString& idField,
                                           const QString& nameField, const QString& kind, int r,
                                           int column) {
    auto* box = new QWidget(panHead_);
    auto* boxRow = new QHBoxLayout(box);
    boxRow->setContentsMargins(0, 0, 0, 0);
    boxRow->setSpacing(0);
    auto* edit = new QLineEdit(box);
    auto* button = new QToolButton(box);
    button->setText(u"…"_s);
    button->setObjectName(u"btn_"_s + idField);
    boxRow->addWidget(edit, 1);
    boxRow->addWidget(button);
    auto* label = new QLabel(caption, panHead_);
    label->setBuddy(edit);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    headGrid_->addWidget(label, r, column * 2);
    headGrid_->addWidget(box, r, column * 2 + 1);
    bindHeaderField(nameField, edit);
    setHeaderValue(idField, QString());
    order_.append(edit);
    choices_.append({edit, button, kind, idField});
    // What the program puts into the field (a choice, an opened bill) is the record it names.
    connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        if (!edit->isModified())
            edit->setProperty(kChosenText, text);
    });
    edit->installEventFilter(this);
    connect(button, &QToolButton::clicked, this, [this, edit] {
        const ChoiceField* field = choiceOf(edit);
        if (field && chooseRecord(*field, edit->text(), false))
            focusAfter(edit);
    });
    return edit;
}

void TfrmBillAccountLines::buildControls() {
    // A bill has no query conditions: the group keeps the header strip only.
    gbCondition()->setTitle(QString());
    cbqiyongzhinengguolv()->hide();
    for (const char* link : {"lbFilter", "lblocalizer", "lbrevert", "lbColConfigure"})
        if (auto* w = gbCondition()->findChild<QWidget*>(QLatin1String(link)))
            w->hide();
    edComment()->setMinimumWidth(320);

    panHead_ = new QWidget(this);
    panHead_->setObjectName(u"panAccountHead"_s);
    headGrid_ = new QGridLayout(panHead_);
    headGrid_->setContentsMargins(8, 0, 8, 0);
    headGrid_->setHorizontalSpacing(6);
    int column = 0;
    if (kind_.hasPartner) {
        eddw_ = addChoice(acctbilltext::partner(), u"wldw_id"_s, u"wldw_Name"_s, u"wldw"_s, 0,
                          column++);
        eddw_->setObjectName(u"eddw"_s);
    }
    edjsr_ = addChoice(acctbilltext::employee(), u"jsr_id"_s, u"jsr_Name"_s, u"zhiyuan"_s, 0,
                       column++);
    edjsr_->setObjectName(u"edjsr"_s);
    edbm_ = addChoice(acctbilltext::department(), u"dep_id"_s, u"bm_Name"_s, u"bumen"_s, 0,
                      column++);
    edbm_->setObjectName(u"edbm"_s);
    edzhaiyao_ = addField(acctbilltext::summary(), u"summery"_s, 1, 0);
    edzhaiyao_->setObjectName(u"edzhaiyao"_s);
    if (kind_.money != P::None) {
        edzh_ = addChoice(kind_.moneyCaption(), u"sfkKm_id"_s, u"sfkKm_Name"_s, kind_.moneyKind,
                          1, 1);
        edzh_->setObjectName(u"edzh"_s);
        edje_ = addField(kind_.moneyAmountCaption(), u"sfkTotal"_s, 1, 2);
        edje_->setObjectName(u"edje"_s);
        bindHeaderAmount(u"sfkTotal"_s, edje_);
        // The fund adjustments move the money account by the lines' sum.
        if (kind_.isFund()) {
            edje_->setReadOnly(true);
            order_.removeAll(edje_);
        }
    }
    for (int c = 1; c < 8; c += 2)
        headGrid_->setColumnStretch(c, 1);
    lbSum_ = new QLabel(acctbilltext::lineSum() + moneyText(0), this);
    lbSum_->setObjectName(u"lbSum"_s);
    if (kind_.mode == M::Asset) {
        lbAsset_ = new QLabel(this);
        lbAsset_->setObjectName(u"lbAsset"_s);
    }
    if (auto* main = qobject_cast<QBoxLayout*>(layout())) {
        const int at = main->indexOf(gbCondition()) + 1;
        if (at > 0) {
            main->insertWidget(at, panHead_);
            main->insertWidget(at + 1, lbSum_);
            if (lbAsset_)
                main->insertWidget(at + 2, lbAsset_);
        }
    }
    // The lines have no goods: only the partner look-ups apply.
    for (BillLookupKind k : {BillLookupKind::GoodsDistribution, BillLookupKind::PurchasePrices,
                             BillLookupKind::SalePrices})
        if (QAction* a = actLookup(k))
            a->setVisible(false);
}

void TfrmBillAccountLines::buildColumns() {
    // The first four columns tell a line from a blank row.
    if (kind_.mode == M::Asset) {
        addColumn(u"[%NUM%Q%]资产ID"_s, u"gdzc_id"_s, false, 40).visible = false;
    } else {
        addColumn(u"[%NUM%Q%]科目ID"_s, u"km_id"_s, false, 40).visible = false;
    }
    addColumn(u"[%SET%CNT%]"_s + kind_.lineCaption + u"编号"_s, codeField(), true, 110);
    addColumn(u"[%SET%]"_s + kind_.lineCaption + u"名称"_s, nameField(), true, 200);
    switch (kind_.mode) {
        case M::Amount:
        case M::Asset:
            addColumn(u"[%NUM%SUM%M%]金额"_s, u"total"_s, true, 110);
            break;
        case M::Transfer:
            addColumn(u"[%NUM%SUM%M%]转入金额"_s, u"dbTotal"_s, true, 110);
            addColumn(u"[%NUM%SUM%M%]转出金额"_s, u"LendTotal"_s, true, 110);
            addColumn(u"[%NUM%M%]净额"_s, u"total"_s, false, 60).visible = false;
            break;
        case M::Voucher:
            addColumn(u"[%NUM%SUM%M%]借方金额"_s, u"dbTotal"_s, true, 110);
            addColumn(u"[%NUM%SUM%M%]贷方金额"_s, u"LendTotal"_s, true, 110);
            addColumn(u"[%NUM%M%]净额"_s, u"total"_s, false, 60).visible = false;
            break;
    }
    addColumn(u"[]备注"_s, u"comment"_s, true, 220);

    connect(dbgvX(), &GridView::buttonClicked, this, [this](const QModelIndex& index) {
        if (!cells_.isAccountColumn(index.column()))
            return;
        QString text = takeOpenEditorText();
        const int line = model()->rawRow(index.row());
        if (text.isEmpty())
            text = cells_.text(line, codeField());
        cells_.choose(line, text);
    });
    connect(model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                setModified(true);
                cells_.noteChange(topLeft, bottomRight);
                recompute();
            });
    if (auto* delegate = qobject_cast<GridItemDelegate*>(dbgvX()->table()->itemDelegate()))
        connect(delegate, &GridItemDelegate::editorReturned, this, [this](const QModelIndex& i) {
            if (i.isValid() && !cells_.entered(i))
                cells_.walkFrom(i);
        });
    dbgvX()->table()->installEventFilter(this);
    dbgvX()->table()->viewport()->installEventFilter(this);
    // The card of the line the operator stands on; a line without one leaves the last shown.
    if (kind_.mode == M::Asset)
        connect(dbgvX()->table()->selectionModel(), &QItemSelectionModel::currentRowChanged,
                this, [this](const QModelIndex& current) {
                    const qint64 card =
                        current.isValid() ? cells_.accountOf(model()->rawRow(current.row())) : 0;
                    if (card > 0)
                        showAssetCard(card);
                });
}

// --- header choices

const TfrmBillAccountLines::ChoiceField* TfrmBillAccountLines::choiceOf(const QObject* edit) const {
    for (const ChoiceField& f : choices_)
        if (f.edit == edit)
            return &f;
    return nullptr;
}

bool TfrmBillAccountLines::editable() const {
    return !isReadOnly() && billState() != kBillPosted;
}

bool TfrmBillAccountLines::chooseRecord(const ChoiceField& field, const QString& text, bool typed) {
    if (!editable())
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
            setHeaderValue(field.idField, QString::number(choice->id));
            field.edit->setText(choice->name);
            field.edit->setProperty(kChosenText, choice->name);
            setModified(true);
            return true;
        }
    } catch (const std::exception& e) {
        showError(e);
    }
    field.edit->setText(field.edit->property(kChosenText).toString());
    return false;
}

void TfrmBillAccountLines::focusAfter(QWidget* edit) {
    // The header fields in their order, then the first line without an account.
    QList<QLineEdit*> open;
    for (QLineEdit* e : order_)
        if (e->isVisible() && e->isEnabled() && !e->isReadOnly())
            open.append(e);
    const int i = open.indexOf(qobject_cast<QLineEdit*>(edit));
    if (i >= 0 && i + 1 < open.size()) {
        open.at(i + 1)->setFocus();
        open.at(i + 1)->selectAll();
        return;
    }
    int r = 0;
    while (r + 1 < model()->rowCount() && cells_.accountOf(model()->rawRow(r)) > 0)
        ++r;
    cells_.enterCell(r,
                     cells_.accountOf(model()->rawRow(r)) > 0 ? firstAmountField() : codeField());
}

// --- the lines

QString TfrmBillAccountLines::firstAmountField() const {
    return kind_.mode == M::Transfer || kind_.mode == M::Voucher ? u"dbTotal"_s : u"total"_s;
}

double TfrmBillAccountLines::amountOf(int r, const QString& field) const {
    const int col = records().fieldIndex(field);
    return col >= 0 && r >= 0 && r < records().rowCount() ? numberOf(records().at(r, col)) : 0.0;
}

QList<AccountLine> TfrmBillAccountLines::lines() const {
    QList<AccountLine> out;
    const bool twoSided = kind_.mode == M::Transfer || kind_.mode == M::Voucher;
    for (int r = 0; r < records().rowCount(); ++r) {
        AccountLine l;
        l.account = cells_.accountOf(r);
        l.debit = amountOf(r, twoSided ? u"dbTotal"_s : u"total"_s);
        l.credit = twoSided ? amountOf(r, u"LendTotal"_s) : 0.0;
        out.append(l);
    }
    // Blank rows at the end are no lines.
    while (!out.isEmpty() && out.last().account <= 0 && isZero(out.last().debit) &&
           isZero(out.last().credit))
        out.removeLast();
    return out;
}

double TfrmBillAccountLines::lineTotal() const {
    double sum = 0;
    for (const AccountLine& l : lines())
        sum += l.debit;
    return roundTo(sum, settings().TotalDot);
}

void TfrmBillAccountLines::setLineAccount(int r, qint64 id, const QString& code,
                                          const QString& name) {
    RecordSet& rs = records();
    for (const QString& f : {idField(), codeField(), nameField()})
        if (rs.fieldIndex(f) < 0)
            rs.addField(f, FieldType::Text, kPacketFieldWidth);
    while (rs.rowCount() <= r)
        rs.appendRow(RecordSet::Row(rs.fieldCount()));
    rs.setAt(r, rs.fieldIndex(idField()), QString::number(id));
    rs.setAt(r, rs.fieldIndex(codeField()), code);
    rs.setAt(r, rs.fieldIndex(nameField()), name);
    cells_.remember(id, code, name);
    if (r == rs.rowCount() - 1)
        rs.appendRow(RecordSet::Row(rs.fieldCount()));
    if (kind_.mode == M::Asset)
        assetChosen(r, id);
    reshowLines();
    setModified(true);
    recompute();
}

std::optional<AssetCard> TfrmBillAccountLines::loadAssetCard(qint64 id) const {
    RecordSet rows;
    billDataModule().ExecQuery(billsql::assetCards({id}), &rows);
    if (rows.recordCount() == 0)
        return std::nullopt;
    rows.first();
    AssetCard c;
    c.id = id;
    c.code = rows.text(u"code"_s);
    c.name = rows.text(u"Name"_s);
    c.yz = numberOf(rows.value(rows.fieldIndex(u"yz"_s)));
    c.ljzj = numberOf(rows.value(rows.fieldIndex(u"ljzj"_s)));
    c.czl = numberOf(rows.value(rows.fieldIndex(u"czl"_s)));
    c.zjys = int(numberOf(rows.value(rows.fieldIndex(u"zjys"_s))));
    c.sold = numberOf(rows.value(rows.fieldIndex(u"isSold"_s))) != 0;
    return c;
}

std::optional<AssetCard> TfrmBillAccountLines::showAssetCard(qint64 id) {
    std::optional<AssetCard> card;
    try {
        if (id > 0)
            card = loadAssetCard(id);
    } catch (const std::exception& e) {
        showError(e);
    }
    lbAsset_->setText(card ? assetCardText(*card) : QString());
    return card;
}

void TfrmBillAccountLines::assetChosen(int r, qint64 id) {
    const std::optional<AssetCard> card = showAssetCard(id);
    if (!card || !kind_.proposesDepreciation || !isZero(amountOf(r, u"total"_s)))
        return;
    RecordSet& rs = records();
    if (rs.fieldIndex(u"total"_s) < 0)
        rs.addField(u"total"_s, FieldType::Text, kPacketFieldWidth);
    const double month = monthlyDepreciation(*card, settings().TotalDot);
    rs.setAt(r, rs.fieldIndex(u"total"_s), month > 0 ? moneyText(month) : QString());
}

bool TfrmBillAccountLines::eventFilter(QObject* watched, QEvent* event) {
    QTableView* table = dbgvX()->table();
    if (event->type() == QEvent::KeyPress && editable()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (const ChoiceField* field = choiceOf(watched)) {
            QLineEdit* edit = field->edit;
            const QString chosen = edit->property(kChosenText).toString();
            if (key->key() == Qt::Key_F2) {
                if (chooseRecord(*field, edit->text() == chosen ? QString() : edit->text(), false))
                    focusAfter(edit);
                return true;
            }
            if (enter) {
                const QString text = edit->text().trimmed();
                // An empty or unchanged field walks on; typed text chooses.
                if (text.isEmpty() || text == chosen || chooseRecord(*field, text, true))
                    focusAfter(edit);
                return true;
            }
        } else if (auto* edit = qobject_cast<QLineEdit*>(watched);
                   enter && edit && order_.contains(edit)) {
            focusAfter(edit);
            return true;
        }
        if (watched == table) {
            const QModelIndex current = table->currentIndex();
            if (current.isValid() && cells_.isAccountColumn(current.column()) &&
                key->modifiers() == Qt::NoModifier) {
                const int r = model()->rawRow(current.row());
                if (key->key() == Qt::Key_F2 || (enter && cells_.accountOf(r) <= 0)) {
                    cells_.choose(r, cells_.text(r, codeField()));
                    return true;
                }
            }
            if (enter && current.isValid()) {
                cells_.walkFrom(current);
                return true;
            }
        }
    } else if (event->type() == QEvent::FocusOut) {
        // Text typed but not confirmed does not stand for a record.
        if (const ChoiceField* field = choiceOf(watched))
            if (field->edit->isModified())
                field->edit->setText(field->edit->property(kChosenText).toString());
    }
    if (watched == table->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        editable()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex at = table->indexAt(mouse->position().toPoint());
        if (at.isValid() && cells_.isAccountColumn(at.column())) {
            table->setCurrentIndex(at);
            const int r = model()->rawRow(at.row());
            cells_.choose(r, cells_.text(r, codeField()));
            return true;
        }
    }
    return TfrmBillAbstract::eventFilter(watched, event);
}

void TfrmBillAccountLines::recompute() {
    const double sum = lineTotal();
    lbSum_->setText(acctbilltext::lineSum() + moneyText(sum));
    if (kind_.isFund() && edje_)
        setHeaderAmount(u"sfkTotal"_s, sum);
}

void TfrmBillAccountLines::fillNetTotals() {
    if (kind_.mode != M::Transfer && kind_.mode != M::Voucher)
        return;
    RecordSet& rs = records();
    if (rs.fieldIndex(u"total"_s) < 0)
        rs.addField(u"total"_s, FieldType::Text, kPacketFieldWidth);
    const int col = rs.fieldIndex(u"total"_s);
    for (int r = 0; r < rs.rowCount(); ++r) {
        const double net = amountOf(r, u"dbTotal"_s) - amountOf(r, u"LendTotal"_s);
        rs.setAt(r, col, cells_.accountOf(r) > 0 ? moneyText(net) : QString());
    }
}

void TfrmBillAccountLines::updateCommands() {
    const bool open = editable();
    for (const ChoiceField& f : choices_) {
        f.button->setEnabled(open);
        f.edit->setReadOnly(!open);
    }
    edzhaiyao_->setReadOnly(!open);
    if (edje_)
        edje_->setReadOnly(!open || kind_.isFund());
}

// --- opening

void TfrmBillAccountLines::loadBill() {
    cells_.forget();
    TfrmBillAbstract::loadBill();
    for (const ChoiceField& f : choices_)
        f.edit->setProperty(kChosenText, f.edit->text());
    updateCommands();
    recompute();
    if (lbAsset_)
        showAssetCard(cells_.accountOf(0));
}

void TfrmBillAccountLines::loadLines() {
    TfrmBillAbstract::loadLines();
    RecordSet& rs = records();
    for (const QString& f : {idField(), codeField(), nameField(), u"total"_s})
        if (rs.fieldIndex(f) < 0)
            rs.addField(f, FieldType::Text, kPacketFieldWidth);
    if (kind_.mode == M::Asset)
        fillAssetNames();
    cells_.rememberLines();
    if (kind_.mode != M::Transfer && kind_.mode != M::Voucher)
        return;
    // Both sides come back as the net amount where the lines do not keep them apart.
    for (const QString& f : {u"dbTotal"_s, u"LendTotal"_s})
        if (rs.fieldIndex(f) < 0)
            rs.addField(f, FieldType::Text, kPacketFieldWidth);
    const int db = rs.fieldIndex(u"dbTotal"_s);
    const int lend = rs.fieldIndex(u"LendTotal"_s);
    for (int r = 0; r < rs.rowCount(); ++r) {
        if (!isZero(amountOf(r, u"dbTotal"_s)) || !isZero(amountOf(r, u"LendTotal"_s)))
            continue;
        const double net = amountOf(r, u"total"_s);
        rs.setAt(r, db, net > 0 ? moneyText(net) : QString());
        rs.setAt(r, lend, net < 0 ? moneyText(-net) : QString());
    }
}

void TfrmBillAccountLines::fillAssetNames() {
    RecordSet& rs = records();
    QList<qint64> ids;
    for (int r = 0; r < rs.rowCount(); ++r)
        if (cells_.accountOf(r) > 0 && cells_.text(r, codeField()).isEmpty() &&
            !ids.contains(cells_.accountOf(r)))
            ids.append(cells_.accountOf(r));
    if (ids.isEmpty())
        return;
    RecordSet cards;
    billDataModule().ExecQuery(billsql::assetCards(ids), &cards);
    QHash<qint64, QPair<QString, QString>> names;
    for (cards.first(); !cards.eof(); cards.next())
        names.insert(cards.integer(u"id"_s), {cards.text(u"code"_s), cards.text(u"Name"_s)});
    const int code = rs.fieldIndex(codeField());
    const int name = rs.fieldIndex(nameField());
    for (int r = 0; r < rs.rowCount(); ++r) {
        if (!names.contains(cells_.accountOf(r)))
            continue;
        rs.setAt(r, code, names.value(cells_.accountOf(r)).first);
        rs.setAt(r, name, names.value(cells_.accountOf(r)).second);
    }
}

void TfrmBillAccountLines::resetToNewBill() {
    cells_.forget();
    if (lbAsset_)
        lbAsset_->clear();
    TfrmBillAbstract::resetToNewBill();
    for (QLineEdit* e : order_) {
        if (e == edje_)
            continue;
        e->clear();
        e->setProperty(kChosenText, QString());
    }
    updateCommands();
    recompute();
    setModified(false);
}

// --- saving

void TfrmBillAccountLines::checkBill(bool post) {
    TfrmBillAbstract::checkBill(post);
    if (settings().Switch(kOptionDateQuestion) && edBillDate()->date() != QDate::currentDate()) {
        if (!prompter().confirm(caption::hint(), skdtext::dateQuestion(),
                                {u"继续(&O)"_s, u"取消(&C)"_s}))
            throw DytError(silentErrorText());
    }
    const bool hasPartner = headerValue(u"wldw_id"_s).toLongLong() > 0;
    if (kind_.partnerRequired && !hasPartner) {
        eddw_->setFocus();
        throw DytError(skdtext::required(acctbilltext::partner()));
    }
    double paid = 0;
    if (kind_.paysOrReceives()) {
        paid = headerAmount(u"sfkTotal"_s);
        if (paid < 0) {
            edje_->setFocus();
            throw DytError(u"["_s + kind_.moneyAmountCaption() + u"]不能为负数，请重新输入"_s);
        }
        if (paid > 0 && headerValue(u"sfkKm_id"_s).toLongLong() <= 0) {
            edzh_->setFocus();
            throw DytError(u"请输入"_s + kind_.moneyCaption());
        }
    }
    if (kind_.isFund() && headerValue(u"sfkKm_id"_s).toLongLong() <= 0) {
        edzh_->setFocus();
        throw DytError(skdtext::required(kind_.moneyCaption()));
    }
    checkAccountLines(kind_, lines());
    // What the money does not cover stays with a partner: posting needs one then.
    if (post && kind_.paysOrReceives() && !hasPartner &&
        !isZero(roundTo(lineTotal() - paid, settings().TotalDot))) {
        eddw_->setFocus();
        throw DytError(u"单据金额与"_s + kind_.moneyAmountCaption() + u"不一致，"_s +
                       skdtext::required(acctbilltext::partner()));
    }
    fillNetTotals();
}

ParamList TfrmBillAccountLines::BuildParams() const {
    ParamList params = TfrmBillAbstract::BuildParams();
    params.setValue(u"total"_s, moneyText(lineTotal()));
    if (kind_.isFund())
        params.setValue(u"sfkTotal"_s, moneyText(lineTotal()));
    else if (edje_)
        params.setValue(u"sfkTotal"_s, moneyText(headerAmount(u"sfkTotal"_s)));
    return params;
}

RecordSet TfrmBillAccountLines::buildAccountPacket() const {
    RecordSet packet = TfrmBillAbstract::buildAccountPacket();
    auto add = [&packet](qint64 km, double in, double out) {
        packet.appendRow({QString::number(km), u"1"_s, moneyText(in), moneyText(out)});
    };
    if (kind_.mode == M::Transfer) {
        for (const AccountLine& l : lines())
            if (l.account > 0)
                add(l.account, l.debit, l.credit);
        return packet;
    }
    const qint64 km = headerValue(u"sfkKm_id"_s).toLongLong();
    if (km <= 0)
        return packet;
    switch (kind_.money) {
        case P::Pay:
        case P::Receive: {
            const double amount = headerAmount(u"sfkTotal"_s);
            if (amount > 0)
                add(km, kind_.money == P::Receive ? amount : 0.0,
                    kind_.money == P::Pay ? amount : 0.0);
            break;
        }
        case P::FundUp:
            add(km, lineTotal(), 0.0);
            break;
        case P::FundDown:
            add(km, 0.0, lineTotal());
            break;
        case P::None:
            break;
    }
    return packet;
}

}  // namespace dyt::client
