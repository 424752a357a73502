// The goods-bill window: header from the family row, lines with their computation, freight,
// discounts, gifts, checks, warnings, account lines and printing.
#include "client/bills/goodsbill.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "client/bills/billkinds.h"
#include "client/bills/billwarnings.h"
#include "client/bills/frmbaseshowprice.h"
#include "client/bills/frmselectbill.h"
#include "client/bills/goodsbillaccounts.h"
#include "client/bills/selectbase.h"
#include "client/bills/selectgoods.h"
#include "client/common/griddelegate.h"
#include "client/common/gridview.h"
#include "client/logic/billhistory.h"
#include "client/logic/billnumber.h"
#include "client/logic/billsql.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "common/currency.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/rounding.h"
#include "printengine/printengine.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace goodstext {
QString required(const QString& label) {
    return u"["_s + label + u"]不能为空，请重新输入"_s;
}
QString notNegative(const QString& label) {
    return u"["_s + label + u"]不能为负数，请重新输入"_s;
}
QString enter(const QString& label) {
    return u"请输入"_s + label;
}
QString chooseFirst(const QString& label) {
    return u"请先选择"_s + label;
}
QString lineError(int line, const QString& what) {
    return u"第 "_s + QString::number(line) + u" 行输入错误:"_s + what;
}
}  // namespace goodstext

namespace {

QString money(double v) {
    const int dot = settings().TotalDot;
    return QString::number(roundTo(v, dot), 'f', dot);
}

double toNumber(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok ? v : 0;
}

// Text of a computed value for a cell: plain, without trailing zeros.
QString numberText(double v) {
    return Currency::fromDouble(v).toString();
}

bool defaultWarningWindow(int kind, const RecordSet& rows) {
    return TfrmBaseShowPrice::checkAndShow(kind, rows);
}

bool defaultOrderPicker(const QString& kinds, const QString& condition, RecordSet* header,
                        RecordSet* lines) {
    SelectBillArgs args;
    args.djStr = kinds;
    // A warehouse condition (";ck_id=") picks the bills naming that warehouse.
    if (condition.startsWith(QStringLiteral(";ck_id=")))
        args.ckStr = QStringLiteral(";id=") + condition.mid(7);
    else
        args.wldwStr = condition;
    SelectBillResult result;
    if (!TfrmSelectBill::Execute(args, &result))
        return false;
    *header = result.bills;
    *lines = result.lines;
    return true;
}

// The goods of a line that the computation needs beside the cells.
struct GoodsFacts {
    int spType = 0;
    int shelfDays = 0;
};

QHash<qint64, GoodsFacts>& goodsFacts() {
    static QHash<qint64, GoodsFacts> facts;
    return facts;
}

const QString kFieldQty = u"qty"_s;

}  // namespace

GoodsWarningWindow& goodsWarningWindow() {
    static GoodsWarningWindow window = defaultWarningWindow;
    return window;
}

OrderPicker& goodsOrderPicker() {
    static OrderPicker picker = defaultOrderPicker;
    return picker;
}

// --- construction

TfrmGoodsBill::TfrmGoodsBill(const GoodsBillFamily& family, QWidget* parent)
    : TfrmBillAbstract(parent), family_(family) {
    setObjectName(family.className);
    setTitle(family.title);
    buildHeader();
    buildColumns();
    buildCommands();
}

TfrmGoodsBill::~TfrmGoodsBill() = default;

void TfrmGoodsBill::buildHeader() {
    auto* panel = new QWidget(panBillTitle());
    panel->setObjectName(u"panGoodsHeader"_s);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    // The date and number strip of the bill framework goes on top.
    if (auto* strip = panBillTitle()->findChild<QWidget*>(u"panBillHead"_s)) {
        panBillTitle()->layout()->removeWidget(strip);
        grid->addWidget(strip, 0, 0, 1, 12);
    }
    constexpr int kPerRow = 4;
    int slot = 0;
    const auto place = [&](QLabel* label, QWidget* editor) {
        const int row = 1 + slot / kPerRow;
        const int col = (slot % kPerRow) * 3;
        grid->addWidget(label, row, col);
        grid->addWidget(editor, row, col + 1, 1, 2);
        ++slot;
    };
    for (const GoodsHeaderField& def : family_.headerFields) {
        HeaderControl hc;
        hc.def = def;
        QWidget* holder = nullptr;
        switch (def.type) {
            case HeaderFieldType::Date: {
                auto* date = new QDateEdit(QDate::currentDate(), panel);
                date->setDisplayFormat(u"yyyy-MM-dd"_s);
                date->setCalendarPopup(true);
                hc.editor = date;
                break;
            }
            case HeaderFieldType::Check:
                hc.editor = new QCheckBox(def.caption, panel);
                break;
            default: {
                auto* edit = new QLineEdit(panel);
                if (def.type == HeaderFieldType::Number)
                    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
                hc.editor = edit;
                break;
            }
        }
        hc.editor->setObjectName(def.control);
        // The print header reads the pairs of the framework's panel: register the field there
        // (its label stays hidden) and show it in this panel.
        addHeaderField(def.caption, hc.editor);
        panBillTitle()->layout()->removeWidget(hc.editor);
        for (QLabel* l : panBillTitle()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            if (l->buddy() == hc.editor)
                l->hide();
        hc.editor->setParent(panel);
        if (!def.kind.isEmpty() && def.type != HeaderFieldType::Check) {
            holder = new QWidget(panel);
            auto* row = new QHBoxLayout(holder);
            row->setContentsMargins(0, 0, 0, 0);
            row->setSpacing(0);
            row->addWidget(hc.editor);
            hc.button = new QToolButton(holder);
            hc.button->setObjectName(u"btn"_s + def.control);
            hc.button->setText(u"…"_s);
            hc.button->setFocusPolicy(Qt::NoFocus);
            row->addWidget(hc.button);
            const QString control = def.control;
            connect(hc.button, &QToolButton::clicked, this, [this, control] {
                try {
                    selectHeaderRecord(control);
                } catch (const std::exception& e) {
                    showError(e);
                }
            });
        }
        hc.label = new QLabel(def.caption + u"："_s, panel);
        hc.label->setObjectName(u"lb"_s + def.control);
        hc.label->setBuddy(hc.editor);
        QWidget* shown = holder ? holder : hc.editor;
        if (def.type == HeaderFieldType::Check) {
            hc.label->setText(QString());
        }
        // The custom fields show when the account set uses them.
        if (def.control.startsWith(u"edzidingyi"_s) &&
            settings().Switch(goodsoption::kCustomFields))
            hc.def.visible = true;
        if (hc.def.visible)
            place(hc.label, shown);
        else {
            hc.label->hide();
            shown->hide();
        }
        const QString bound = def.type == HeaderFieldType::Select ? def.nameField : def.idField;
        bindHeaderField(bound, hc.editor);
        hc.editor->installEventFilter(this);
        header_.append(hc);
    }

    // Buttons and labels beside their fields.
    const auto besides = [&](const QString& control, QPushButton* button) {
        for (const HeaderControl& hc : header_)
            if (hc.def.control == control && hc.def.visible) {
                int index =
                    grid->indexOf(hc.editor->parentWidget() == panel ? hc.editor : hc.editor);
                if (index < 0)
                    continue;
                int row = 0, col = 0, rs = 0, cs = 0;
                grid->getItemPosition(index, &row, &col, &rs, &cs);
                grid->removeWidget(hc.editor);
                auto* holder = new QWidget(panel);
                auto* line = new QHBoxLayout(holder);
                line->setContentsMargins(0, 0, 0, 0);
                line->setSpacing(2);
                line->addWidget(hc.editor, 1);
                line->addWidget(button);
                grid->addWidget(holder, row, col, rs, cs);
                return;
            }
        button->hide();
    };
    btnfkje_ = new QPushButton(goodstext::multiAccount(), panel);
    btnfkje_->setObjectName(u"btnfkje"_s);
    btnyffkje_ = new QPushButton(goodstext::multiAccount(), panel);
    btnyffkje_->setObjectName(u"btnyffkje"_s);
    btnzdfp_ = new QPushButton(goodstext::autoAllocate(), panel);
    btnzdfp_->setObjectName(u"btnzdfp"_s);
    for (QPushButton* b : {btnfkje_, btnyffkje_, btnzdfp_})
        b->setFocusPolicy(Qt::NoFocus);
    besides(u"edfkje"_s, btnfkje_);
    besides(u"edyffkje"_s, btnyffkje_);
    besides(u"edyfhj"_s, btnzdfp_);
    connect(btnfkje_, &QPushButton::clicked, this,
            [this] { btnMultiAccountClick(kPaymentAccounts); });
    connect(btnyffkje_, &QPushButton::clicked, this,
            [this] { btnMultiAccountClick(kFreightAccounts); });
    connect(btnzdfp_, &QPushButton::clicked, this, [this] {
        try {
            allocateFreight();
        } catch (const std::exception& e) {
            showError(e);
        }
    });

    // The framework's remark field gets a whole row of this panel.
    int infoRow = 1 + (slot + kPerRow - 1) / kPerRow;
    if (QLineEdit* remark = edComment()) {
        panBillTitle()->layout()->removeWidget(remark);
        for (QLabel* l : panBillTitle()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            if (l->buddy() == remark)
                l->hide();
        remark->setParent(panel);
        auto* label = new QLabel(billtext::remark() + u"："_s, panel);
        label->setBuddy(remark);
        grid->addWidget(label, infoRow, 0);
        grid->addWidget(remark, infoRow, 1, 1, 8);
        ++infoRow;
    }
    lbyhhje_ = new QLabel(goodstext::afterDiscount(), panel);
    lbyhhje_->setObjectName(u"lbyhhje"_s);
    lbyf_ = new QLabel(family_.receivable ? goodstext::receivable() : goodstext::payable(), panel);
    lbyf_->setObjectName(u"lbyf"_s);
    lbyufu_ =
        new QLabel(family_.receivable ? goodstext::prereceived() : goodstext::prepaid(), panel);
    lbyufu_->setObjectName(u"lbyufu"_s);
    for (QLabel* l : {lbyhhje_, lbyf_, lbyufu_})
        l->setStyleSheet(u"color: #1f4e8c;"_s);
    grid->addWidget(lbyhhje_, infoRow, 0, 1, 3);
    grid->addWidget(lbyf_, infoRow, 3, 1, 3);
    grid->addWidget(lbyufu_, infoRow, 6, 1, 3);
    const bool hasPartner = headerField(u"wldw_id"_s) != nullptr;
    lbyf_->setVisible(hasPartner);
    lbyufu_->setVisible(hasPartner);
    lbyhhje_->setVisible(headerField(u"youhuiTotal"_s) != nullptr);

    btnOrder_ = new QPushButton(family_.orderButton, panel);
    btnOrder_->setObjectName(u"btnjhdd"_s);
    btnOrder_->setFocusPolicy(Qt::NoFocus);
    btnOrder_->setVisible(family_.orderKind > 0);
    grid->addWidget(btnOrder_, infoRow, 9, 1, 3);
    connect(btnOrder_, &QPushButton::clicked, this, [this] {
        try {
            pullOrders();
        } catch (const std::exception& e) {
            showError(e);
        }
    });
    for (int c = 0; c < 12; ++c)
        grid->setColumnStretch(c, c % 3 == 1 ? 1 : 0);
    panBillTitle()->layout()->addWidget(panel);
    gbCondition()->setTitle(QString());

    // Follow-ups of the number fields.
    const auto onEdited = [this](const QString& control, auto handler) {
        if (auto* edit = qobject_cast<QLineEdit*>(headerControl(control)))
            connect(edit, &QLineEdit::editingFinished, this, [this, handler] {
                try {
                    (this->*handler)();
                } catch (const std::exception& e) {
                    showError(e);
                }
            });
    };
    onEdited(u"edyhje"_s, &TfrmGoodsBill::discountAmountChanged);
    onEdited(u"edyouhuibilv"_s, &TfrmGoodsBill::discountRateChanged);
    onEdited(u"edyfhj"_s, &TfrmGoodsBill::freightTotalChanged);
    if (auto* edit = qobject_cast<QLineEdit*>(headerControl(u"edzdzk"_s)))
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
            if (edit->isModified()) {
                edit->setModified(false);
                applyDefaultDiscount();
            }
        });
    for (const HeaderControl& hc : header_)
        if (auto* edit = qobject_cast<QLineEdit*>(hc.editor))
            connect(edit, &QLineEdit::textEdited, this, [this] { setModified(true); });
}

void TfrmGoodsBill::buildColumns() {
    GridDefinition& def = gridDefinition();
    def.bands = {GridBand{goodstext::goodsGroup(), 0, true, false},
                 GridBand{goodstext::otherGroup(), 0, true, false}};
    def.footerVisible = true;
    for (const GoodsLineColumn& c : familyLineColumns(family_))
        addColumn(c.caption, c.field, c.editable, c.width, c.band);
    // Ids, copies and flags the operator does not read.
    for (const QString& hidden :
         {u"goodsid"_s, u"orderid"_s, u"IntoStock_id"_s, u"IntoStock_code"_s, u"IntoStock_name"_s,
          u"goodspc"_s, u"unitid"_s, u"RowType"_s, u"s_id"_s, u"s_orderid"_s, u"costmode"_s,
          u"fzqty"_s, u"fzqty1"_s, u"fzqty2"_s, u"IntoStockCode"_s, u"IntoStockname"_s,
          u"fdwqty"_s}) {
        const int i = def.columnIndex(hidden);
        if (i >= 0)
            def.columns[i].visible = false;
    }
    dbgvX()->table()->installEventFilter(this);
    connect(model(), &QAbstractItemModel::dataChanged, this, &TfrmGoodsBill::onModelDataChanged);
    if (auto* delegate = qobject_cast<GridItemDelegate*>(dbgvX()->table()->itemDelegate()))
        connect(delegate, &GridItemDelegate::editorReturned, this,
                [this](const QModelIndex& index) { cellEntered(index); });
    connect(dbgvX(), &GridView::buttonClicked, this, [this](const QModelIndex& index) {
        if (!isGoodsColumn(index.column()))
            return;
        // The text typed so far narrows the goods window.
        chooseGoods(model()->rawRow(index.row()), takeOpenEditorText());
    });
}

void TfrmGoodsBill::buildCommands() {
    actGift_ = new QAction(goodstext::giftAction(), this);
    actGift_->setObjectName(u"actGift"_s);
    actGift_->setShortcut(Qt::Key_F4);
    actGift_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    actGoodsInfo_ = new QAction(goodstext::goodsInfoAction(), this);
    actGoodsInfo_->setObjectName(u"actGoodsInfo"_s);
    actDeleteLine_ = new QAction(goodstext::deleteLineAction(), this);
    actDeleteLine_->setObjectName(u"actDeleteLine"_s);
    pmBill()->addAction(actGift_);
    pmBill()->addAction(actGoodsInfo_);
    pmBill()->addAction(actDeleteLine_);
    addAction(actGift_);
    connect(actGift_, &QAction::triggered, this, [this] {
        const int row = focusedRow();
        if (row >= 0)
            toggleGift(row);
    });
    connect(actDeleteLine_, &QAction::triggered, this, [this] {
        const int row = focusedRow();
        if (row >= 0)
            deleteLine(row);
    });
    connect(actGoodsInfo_, &QAction::triggered, this, [this] {
        const int row = focusedRow();
        if (row < 0 || !isGoodsLine(row))
            return;
        prompter().message(caption::hint(), cell(row, u"goodsCode"_s) + u"  "_s +
                                                cell(row, u"goodsname"_s) + u"  "_s +
                                                cell(row, u"unitName"_s));
    });
    connect(this, &TfrmBillAbstract::billSaved, this, [this] { setSelectEnabled(true); });
    // Documents that become orders or bills: a posted one is copied into a draft of those.
    btnCopy_ = new QAction(history::text::copy(), this);
    btnCopy_->setObjectName(u"btnCopy"_s);
    btnCopy_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    btnCopy_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    btnCopy_->setToolTip(btnCopy_->text() + u" ("_s +
                         btnCopy_->shortcut().toString(QKeySequence::NativeText) + u')');
    btnCopy_->setEnabled(false);
    btnCopy_->setVisible(!family_.copyKinds.isEmpty());
    if (!family_.copyKinds.isEmpty()) {
        toolBar()->insertAction(toolBar()->actions().value(3, nullptr), btnCopy_);
        addAction(btnCopy_);
    }
    connect(btnCopy_, &QAction::triggered, this, [this] { btnCopyClick(); });
}

bool TfrmGoodsBill::btnCopyClick() {
    if (family_.copyKinds.isEmpty() || billId() <= 0 || billState() != kBillPosted)
        return false;
    QStringList choices;
    for (int kind : family_.copyKinds) {
        const BillKind* k = findBillKind(kind);
        choices << (k ? k->name : QString::number(kind));
    }
    choices << goodstext::cancelButton();
    const int chosen = prompter().ask(caption::hint(), history::text::confirmCopy(), choices,
                                      int(family_.copyKinds.size()));
    if (chosen < 0 || chosen >= family_.copyKinds.size())
        return false;
    const int target = family_.copyKinds.at(chosen);
    try {
        TdmMain& dm = billDataModule();
        const QString code = billnumber::nextBillNumber(dm, target, settings().LoginDate,
                                                        QString(),
                                                        billnumber::Options::fromSettings());
        ParamList p;
        p.setValue(u"isRed"_s, u"1"_s);
        p.setInt(u"billid"_s, billId());
        p.setInt(u"dj_type"_s, target);
        p.setValue(u"billCode"_s, code);
        p.setValue(u"dj_state"_s, u"2"_s);
        dm.ExecProc(u"P_JXC_DJ_CopyRed"_s, p);
    } catch (const std::exception& e) {
        showError(e);
        return false;
    }
    prompter().message(caption::hint(), history::text::copied());
    return true;
}

// --- header

QWidget* TfrmGoodsBill::headerControl(const QString& control) const {
    for (const HeaderControl& hc : header_)
        if (hc.def.control.compare(control, Qt::CaseInsensitive) == 0)
            return hc.editor;
    return nullptr;
}

const GoodsHeaderField* TfrmGoodsBill::headerField(const QString& controlOrIdField) const {
    for (const HeaderControl& hc : header_)
        if (hc.def.control.compare(controlOrIdField, Qt::CaseInsensitive) == 0 ||
            hc.def.idField.compare(controlOrIdField, Qt::CaseInsensitive) == 0)
            return &hc.def;
    return nullptr;
}

QLabel* TfrmGoodsBill::headerLabel(const QString& control) const {
    for (const HeaderControl& hc : header_)
        if (hc.def.control.compare(control, Qt::CaseInsensitive) == 0)
            return hc.label;
    return nullptr;
}

QToolButton* TfrmGoodsBill::headerButton(const QString& control) const {
    for (const HeaderControl& hc : header_)
        if (hc.def.control.compare(control, Qt::CaseInsensitive) == 0)
            return hc.button;
    return nullptr;
}

qint64 TfrmGoodsBill::headerId(const QString& control) const {
    const GoodsHeaderField* f = headerField(control);
    if (!f)
        return 0;
    return headerValue(f->idField).toLongLong();
}

QString TfrmGoodsBill::headerText(const QString& control) const {
    QWidget* w = headerControl(control);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* date = qobject_cast<QDateEdit*>(w))
        return date->date().toString(u"yyyy-MM-dd"_s);
    if (auto* check = qobject_cast<QCheckBox*>(w))
        return check->isChecked() ? u"1"_s : u"0"_s;
    return {};
}

void TfrmGoodsBill::setHeaderText(const QString& control, const QString& text) {
    QWidget* w = headerControl(control);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(text);
        edit->setCursorPosition(0);
    } else if (auto* date = qobject_cast<QDateEdit*>(w))
        date->setDate(QDate::fromString(text.left(10), u"yyyy-MM-dd"_s));
    else if (auto* check = qobject_cast<QCheckBox*>(w))
        check->setChecked(text == u"1"_s);
}

double TfrmGoodsBill::headerNumber(const QString& control) const {
    return toNumber(headerText(control));
}

void TfrmGoodsBill::chooseHeaderRecord(const QString& control, qint64 id, const QString& name) {
    const GoodsHeaderField* f = headerField(control);
    if (!f)
        throw DytError(u"单据没有字段[%1]"_s.arg(control));
    const GoodsHeaderField def = *f;
    if (def.type == HeaderFieldType::Select) {
        setHeaderValue(def.idField, QString::number(id));
        setHeaderText(control, name);
    } else {
        setHeaderText(control, name);
    }
    setModified(true);
    headerRecordChosen(def);
}

void TfrmGoodsBill::clearHeaderRecord(const QString& control) {
    const GoodsHeaderField* f = headerField(control);
    if (!f)
        return;
    if (f->type == HeaderFieldType::Select)
        setHeaderValue(f->idField, QString());
    setHeaderText(control, QString());
}

bool TfrmGoodsBill::selectHeaderRecord(const QString& control) {
    const GoodsHeaderField* f = headerField(control);
    if (!f || f->kind.isEmpty() || isReadOnly())
        return false;
    const GoodsHeaderField def = *f;
    QString filter;
    if (def.type == HeaderFieldType::Select && headerId(control) == 0)
        filter = headerText(control).trimmed();
    const std::optional<BaseChoice> choice = selectBase(def.kind, filter, this);
    if (!choice)
        return false;
    chooseHeaderRecord(control, choice->id, choice->name);
    return true;
}

void TfrmGoodsBill::headerRecordChosen(const GoodsHeaderField& field) {
    if (field.idField.compare(u"wldw_id"_s, Qt::CaseInsensitive) == 0) {
        if (!dmMain())
            return;
        RefreshBalances();
        refreshLastDiscountRate();
    } else if (field.idField.compare(u"jsr_id"_s, Qt::CaseInsensitive) == 0) {
        TdmMain* dm = dmMain();
        // The employee's department fills an empty department.
        if (!dm || !headerField(u"dep_id"_s) || headerId(u"edbm"_s) > 0)
            return;
        RecordSet rs;
        dm->ExecQuery(goodsbillsql::employeeDepartment(headerId(field.control)), &rs);
        if (rs.rowCount() > 0 && rs.at(0, 0).toLongLong() > 0) {
            setHeaderValue(u"dep_id"_s, rs.at(0, 0).toString());
            setHeaderText(u"edbm"_s, rs.at(0, 1).toString());
        }
    }
}

void TfrmGoodsBill::RefreshBalances() {
    const qint64 partner = headerId(u"eddw"_s);
    const QString first = family_.receivable ? goodstext::receivable() : goodstext::payable();
    const QString second = family_.receivable ? goodstext::prereceived() : goodstext::prepaid();
    if (partner <= 0 || !settings().Right(goodsoption::kShowBalances)) {
        lbyf_->setText(first);
        lbyufu_->setText(second);
        return;
    }
    RecordSet rs;
    billDataModule().ExecQuery(goodsbillsql::partnerBalances(partner), &rs);
    if (rs.rowCount() == 0)
        return;
    rs.first();
    if (family_.receivable) {
        lbyf_->setText(first + money(rs.number(u"ystotal"_s)));
        lbyufu_->setText(second + money(rs.number(u"yushoutotal"_s)));
    } else {
        lbyf_->setText(first + money(rs.number(u"yftotal"_s)));
        lbyufu_->setText(second + money(rs.number(u"yufutotal"_s)));
    }
}

void TfrmGoodsBill::refreshLastDiscountRate() {
    const qint64 partner = headerId(u"eddw"_s);
    if (partner <= 0 || !headerControl(u"edyouhuibilv"_s))
        return;
    RecordSet rs;
    billDataModule().ExecQuery(goodsbillsql::lastDiscountRate(partner, djType()), &rs);
    if (rs.rowCount() == 0)
        return;
    const QVariant rate = rs.at(0, 0);
    setHeaderText(u"edyouhuibilv"_s, rate.isNull() ? u"0"_s : numberText(rate.toDouble()));
}

// --- lines

QString TfrmGoodsBill::cell(int row, const QString& field) const {
    const RecordSet& rs = records();
    const int f = rs.fieldIndex(field);
    if (f < 0 || row < 0 || row >= rs.rowCount())
        return {};
    const QVariant v = rs.at(row, f);
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double)
        return numberText(v.toDouble());
    return v.toString();
}

double TfrmGoodsBill::number(int row, const QString& field) const {
    return toNumber(cell(row, field));
}

void TfrmGoodsBill::setCell(int row, const QString& field, const QVariant& value) {
    RecordSet& rs = records();
    const int f = rs.fieldIndex(field);
    if (f < 0 || row < 0)
        return;
    while (rs.rowCount() <= row)
        rs.appendRow(RecordSet::Row(rs.fieldCount()));
    rs.setAt(row, f, value);
}

bool TfrmGoodsBill::isGoodsLine(int row) const {
    return cell(row, u"goodsid"_s).toLongLong() > 0;
}

QList<int> TfrmGoodsBill::goodsRows() const {
    QList<int> rows;
    for (int r = 0; r < records().rowCount(); ++r)
        if (isGoodsLine(r))
            rows.append(r);
    return rows;
}

int TfrmGoodsBill::lineOfGoods(qint64 goodsId, qint64 unitId) const {
    for (int r = 0; r < records().rowCount(); ++r)
        if (cell(r, u"goodsid"_s).toLongLong() == goodsId &&
            cell(r, u"unitid"_s).toLongLong() == unitId)
            return r + 1;
    return 0;
}

billcalc::Line TfrmGoodsBill::lineValues(int row) const {
    billcalc::Line l;
    l.qty = number(row, u"qty"_s);
    l.price = number(row, u"Price"_s);
    l.total = number(row, u"Total"_s);
    l.discount = cell(row, u"discount"_s).isEmpty() ? 1 : number(row, u"discount"_s);
    l.discountPrice = number(row, u"discountprice"_s);
    l.discountTotal = number(row, u"discounttotal"_s);
    l.tax = number(row, u"tax"_s);
    l.taxPrice = number(row, u"TaxPrice"_s);
    l.taxTotalSum = number(row, u"taxTotalSum"_s);
    l.taxTotal = number(row, u"Taxtotal"_s);
    l.yfTotal = number(row, u"yftotal"_s);
    l.costPrice = number(row, u"costPrice"_s);
    l.costTotal = number(row, u"costTotal"_s);
    l.lsPrice = number(row, u"lsPrice"_s);
    l.lsTotal = number(row, u"lsTotal"_s);
    l.outDate = cell(row, u"outdate"_s);
    l.yxqDate = cell(row, u"yxqdate"_s);
    l.shelfDays = goodsFacts().value(cell(row, u"goodsid"_s).toLongLong()).shelfDays;
    return l;
}

void TfrmGoodsBill::setLineValues(int row, const billcalc::Line& l) {
    const auto put = [&](const QString& field, double v) { setCell(row, field, numberText(v)); };
    put(u"qty"_s, l.qty);
    put(u"Price"_s, l.price);
    put(u"Total"_s, l.total);
    put(u"discount"_s, l.discount);
    put(u"discountprice"_s, l.discountPrice);
    put(u"discounttotal"_s, l.discountTotal);
    put(u"tax"_s, l.tax);
    put(u"TaxPrice"_s, l.taxPrice);
    put(u"taxTotalSum"_s, l.taxTotalSum);
    put(u"Taxtotal"_s, l.taxTotal);
    put(u"yftotal"_s, l.yfTotal);
    put(u"costPrice"_s, l.costPrice);
    put(u"costTotal"_s, l.costTotal);
    put(u"lsTotal"_s, l.lsTotal);
    if (!l.outDate.isEmpty())
        setCell(row, u"outdate"_s, l.outDate);
    if (!l.yxqDate.isEmpty())
        setCell(row, u"yxqdate"_s, l.yxqDate);
}

void TfrmGoodsBill::recalcLine(int row, const QString& changedColumn) {
    if (!isGoodsLine(row) || !billcalc::isComputedColumn(changedColumn))
        return;
    const QString c = changedColumn.toLower();
    if ((c == u"outdate"_s || c == u"yxqdate"_s) && TfrmGoodsBill::number(row, u"goodsid"_s) > 0) {
        const qint64 goods = cell(row, u"goodsid"_s).toLongLong();
        if (!goodsFacts().contains(goods) && dmMain()) {
            RecordSet rs;
            dmMain()->ExecQuery(goodsbillsql::shelfDays(goods), &rs);
            GoodsFacts facts;
            facts.shelfDays = rs.rowCount() > 0 ? int(rs.at(0, 0).toLongLong()) : 0;
            goodsFacts().insert(goods, facts);
        }
    }
    const billcalc::Line line =
        billcalc::Recalc(lineValues(row), changedColumn, billcalc::Places::fromSettings());
    setLineValues(row, line);
}

void TfrmGoodsBill::editCell(int row, const QString& field, const QString& text) {
    const QString f = field.toLower();
    if (f == u"goodscode"_s || f == u"goodsname"_s) {
        selectGoodsText(row, text);
        return;
    }
    setCell(row, field, text);
    setModified(true);
    recalcLine(row, field);
    if (f == u"qty"_s)
        refreshAuxQuantities(row);
    linesChanged();
    refreshLine(row);
}

double TfrmGoodsBill::columnSum(const QString& field) const {
    Currency sum;
    for (int r : goodsRows())
        sum += Currency::fromDouble(number(r, field));
    return sum.toDouble();
}

void TfrmGoodsBill::goodsEntered(int) {}

int TfrmGoodsBill::AddGoods(const SelectedGoods& g) {
    int row = -1;
    for (int r = 0; r < records().rowCount() && row < 0; ++r)
        if (!isGoodsLine(r) && cell(r, u"goodsCode"_s).isEmpty() &&
            cell(r, u"goodsname"_s).isEmpty())
            row = r;
    if (pendingRow_ >= 0 && !isGoodsLine(pendingRow_)) {
        row = pendingRow_;
        pendingRow_ = -1;
    }
    if (row < 0) {
        records().appendRow(RecordSet::Row(records().fieldCount()));
        row = records().rowCount() - 1;
    }
    GoodsFacts facts = goodsFacts().value(g.goodsId);
    facts.spType = g.spType;
    goodsFacts().insert(g.goodsId, facts);
    setCell(row, u"goodsid"_s, QString::number(g.goodsId));
    setCell(row, u"goodsCode"_s, g.code);
    setCell(row, u"goodsname"_s, g.name);
    setCell(row, u"unitid"_s, QString::number(g.unitId));
    setCell(row, u"unitName"_s, g.unitName);
    setCell(row, u"rate"_s, numberText(g.rate));
    setCell(row, u"costmode"_s, QString::number(g.costmode));
    setCell(row, u"qty"_s, numberText(g.qty));
    setCell(row, u"Price"_s, numberText(g.price));
    setCell(row, u"discount"_s, numberText(g.discount > 0 ? g.discount : 1));
    const double billDiscount = headerNumber(u"edzdzk"_s);
    if (billDiscount > 0 && billDiscount <= 1)
        setCell(row, u"discount"_s, numberText(billDiscount));
    setCell(row, u"tax"_s, u"0"_s);
    goodsEntered(row);
    recalcLine(row, u"qty"_s);
    // A new empty row when the last one is filled.
    if (row == records().rowCount() - 1)
        records().appendRow(RecordSet::Row(records().fieldCount()));
    if (model() && model()->rowCount() != records().rowCount())
        reshowLines();
    if (firstAddedRow_ < 0)
        firstAddedRow_ = row;
    setModified(true);
    return row;
}

bool TfrmGoodsBill::selectGoodsText(int row, const QString& text) {
    if (isReadOnly())
        return false;
    GoodsTarget target;
    target.lineOf = [this](qint64 goods, qint64 unit) { return lineOfGoods(goods, unit); };
    target.add = [this](const SelectedGoods& g) { AddGoods(g); };
    pendingRow_ = isGoodsLine(row) ? -1 : row;
    firstAddedRow_ = -1;
    bool added = false;
    try {
        added = selectGoodsByText(target, djType(), headerId(u"eddw"_s), headerId(u"edshck"_s),
                                  family_.goodsTypeMode, text.trimmed(), selecttext::title(), false,
                                  this);
    } catch (...) {
        pendingRow_ = -1;
        throw;
    }
    pendingRow_ = -1;
    if (!added && !isGoodsLine(row)) {
        setCell(row, u"goodsCode"_s, QVariant());
        setCell(row, u"goodsname"_s, QVariant());
    }
    linesChanged();
    reshowLines();
    // The quantity of the (first) goods written is what the operator types next; nothing
    // written leaves the cursor in the goods cell.
    if (added && firstAddedRow_ >= 0)
        enterCell(firstAddedRow_, kFieldQty);
    else if (row >= 0 && row < records().rowCount())
        enterCell(row, goodsColumnField());
    firstAddedRow_ = -1;
    return added;
}

bool TfrmGoodsBill::scanBarcode(const QString& barcode) {
    if (isReadOnly() || barcode.trimmed().isEmpty())
        return false;
    GoodsTarget target;
    target.lineOf = [this](qint64 goods, qint64 unit) { return lineOfGoods(goods, unit); };
    target.add = [this](const SelectedGoods& g) { AddGoods(g); };
    const bool added =
        selectGoodsByBarcode(target, djType(), headerId(u"eddw"_s), headerId(u"edshck"_s),
                             family_.goodsTypeMode, barcode.trimmed());
    linesChanged();
    reshowLines();
    return added;
}

void TfrmGoodsBill::refreshAuxQuantities(int row) {
    if (!isGoodsLine(row) || records().fieldIndex(u"fzqty"_s) < 0 || !dmMain())
        return;
    const QString args = cell(row, u"goodsid"_s) + u","_s +
                         QString::number(cell(row, u"unitid"_s).toLongLong()) + u","_s +
                         numberText(number(row, u"qty"_s));
    RecordSet rs;
    billDataModule().ExecQuery(goodsbillsql::auxQuantities(args), &rs);
    if (rs.rowCount() == 0)
        return;
    rs.first();
    setCell(row, u"fzqty"_s, rs.text(u"fzQty"_s));
    setCell(row, u"fzqty1"_s, rs.text(u"fzQty1"_s));
    setCell(row, u"fzqty2"_s, rs.text(u"fzQty2"_s));
}

void TfrmGoodsBill::onModelDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight) {
    if (recalculating_ || !model())
        return;
    const GridDefinition& def = gridDefinition();
    const int col = topLeft.column();
    if (topLeft.row() != bottomRight.row() || col < 0 || col >= def.columns.size())
        return;
    const int row = model()->rawRow(topLeft.row());
    const QString field = def.columns.at(col).fieldName;
    const QString f = field.toLower();
    recalculating_ = true;
    if (f == u"goodscode"_s || f == u"goodsname"_s) {
        const QString text = cell(row, field);
        recalculating_ = false;
        if (isGoodsLine(row) || text.trimmed().isEmpty())
            return;
        // The selection shows a window: run it once the editor has closed (Enter runs it at
        // once, see cellEntered).
        goodsEntryRow_ = row;
        QTimer::singleShot(0, this, [this] { runGoodsEntry(); });
        return;
    }
    try {
        setModified(true);
        recalcLine(row, field);
        if (f == u"qty"_s)
            refreshAuxQuantities(row);
        linesChanged();
    } catch (const std::exception& e) {
        recalculating_ = false;
        showError(e);
        return;
    }
    recalculating_ = false;
    dbgvX()->table()->viewport()->update();
}

void TfrmGoodsBill::refreshLine(int row) {
    if (!model())
        return;
    // The model reads the record set on every paint; the footer is summed again after a write.
    const int col = gridDefinition().columnIndex(kFieldQty);
    if (col >= 0 && row >= 0 && row < model()->rowCount()) {
        recalculating_ = true;
        const QModelIndex index = model()->index(row, col);
        model()->setData(index, model()->data(index, Qt::EditRole), Qt::EditRole);
        recalculating_ = false;
    }
    dbgvX()->table()->viewport()->update();
}

void TfrmGoodsBill::linesChanged() {
    if (headerControl(u"edyhje"_s))
        discountAmountChanged();
}

// --- commands

void TfrmGoodsBill::allocateFreight() {
    std::vector<std::optional<double>> qtys;
    const int rows = records().rowCount();
    for (int r = 0; r < rows; ++r)
        qtys.push_back(isGoodsLine(r) ? std::optional<double>(number(r, u"qty"_s)) : std::nullopt);
    const auto shares =
        billcalc::allocateFreight(qtys, headerNumber(u"edyfhj"_s), settings().TotalDot);
    for (int r = 0; r < rows; ++r) {
        if (!shares[std::size_t(r)])
            continue;
        setCell(r, u"yftotal"_s, numberText(*shares[std::size_t(r)]));
        recalcLine(r, u"yftotal"_s);
    }
    setModified(true);
    refreshLine(0);
}

void TfrmGoodsBill::discountAmountChanged() {
    const double after = billcalc::amountAfterDiscount(
        columnSum(u"taxTotalSum"_s), headerNumber(u"edyhje"_s), settings().TotalDot);
    lbyhhje_->setText(goodstext::afterDiscount() + money(after));
}

void TfrmGoodsBill::discountRateChanged() {
    const double rate = billcalc::normalizedDiscountRate(headerNumber(u"edyouhuibilv"_s));
    if (rate != headerNumber(u"edyouhuibilv"_s))
        setHeaderText(u"edyouhuibilv"_s, u"0"_s);
    const double amount =
        billcalc::discountAmountOfRate(rate, columnSum(u"taxTotalSum"_s), settings().TotalDot);
    setHeaderText(u"edyhje"_s, numberText(amount));
    discountAmountChanged();
}

bool TfrmGoodsBill::applyDefaultDiscount() {
    const QString text = headerText(u"edzdzk"_s).trimmed();
    bool ok = text.isEmpty();
    const double d = text.isEmpty() ? 0 : text.toDouble(&ok);
    if (!ok || !billcalc::validDefaultDiscount(d)) {
        prompter().message(caption::hint(), goodstext::defaultDiscountRange());
        setHeaderText(u"edzdzk"_s, u"0"_s);
        if (QWidget* w = headerControl(u"edzdzk"_s))
            w->setFocus();
        return false;
    }
    if (text.isEmpty() || d == 0)
        return true;
    for (int r : goodsRows()) {
        setCell(r, u"discount"_s, numberText(d));
        recalcLine(r, u"discount"_s);
    }
    setModified(true);
    linesChanged();
    refreshLine(0);
    return true;
}

void TfrmGoodsBill::freightTotalChanged() {
    if (billState() == kBillNew && headerNumber(u"edyfhj"_s) < 0)
        setHeaderText(u"edyfhj"_s, u"0"_s);
}

bool TfrmGoodsBill::isGift(int row) const {
    return cell(row, u"RowTypeName"_s) == goodstext::gift();
}

void TfrmGoodsBill::toggleGift(int row) {
    if (isReadOnly() || !isGoodsLine(row))
        return;
    const bool gift = !isGift(row);
    setCell(row, u"RowTypeName"_s, gift ? goodstext::gift() : QString());
    setCell(row, u"RowType"_s, gift ? u"1"_s : u"0"_s);
    setModified(true);
    refreshLine(row);
}

bool TfrmGoodsBill::deleteLine(int row) {
    if (isReadOnly() || row < 0 || row >= records().rowCount())
        return false;
    if (!prompter().confirm(caption::hint(), goodstext::deleteLineQuestion(), buttons::yesNo()))
        return false;
    records().removeRow(row);
    if (records().rowCount() == 0)
        records().appendRow(RecordSet::Row(records().fieldCount()));
    setModified(true);
    reshowLines();
    linesChanged();
    return true;
}

void TfrmGoodsBill::pullOrders() {
    if (family_.orderKind <= 0)
        return;
    const QString control = family_.orderControl.isEmpty() ? u"eddw"_s : family_.orderControl;
    const GoodsHeaderField* partner = headerField(control);
    if (!partner || headerId(control) <= 0)
        throw DytError(goodstext::chooseFirst(partner ? partner->caption : QString()));
    if (!goodsOrderPicker())
        return;
    RecordSet orderHeader;
    RecordSet orderLines;
    const QString key = control == u"eddw"_s ? u";wldw_id="_s : u";ck_id="_s;
    if (!goodsOrderPicker()(u"("_s + QString::number(family_.orderKind) + u")"_s,
                            key + QString::number(headerId(control)), &orderHeader, &orderLines))
        return;
    takeOverOrder(orderHeader, orderLines);
}

void TfrmGoodsBill::takeOverOrder(const RecordSet& header, const RecordSet& lines) {
    if (header.rowCount() > 0) {
        const auto value = [&](const QString& f) {
            const int i = header.fieldIndex(f);
            return i < 0 ? QString() : header.at(0, i).toString();
        };
        const struct {
            const char16_t* control;
            const char16_t* id;
            const char16_t* name;
        } pairs[] = {{u"eddw", u"wldw_id", u"wldw_name"},
                     {u"edjsr", u"jsr_id", u"jsr_name"},
                     {u"edbm", u"dep_id", u"bm_Name"},
                     {u"edshck", u"IntoStock_id", u"IntoStock_Name"},
                     {u"edfhck", u"OutStock_id", u"OutStock_Name"}};
        for (const auto& p : pairs) {
            const QString control = QString::fromUtf16(p.control);
            if (!headerField(control) || value(QString::fromUtf16(p.id)).toLongLong() <= 0)
                continue;
            setHeaderValue(headerField(control)->idField, value(QString::fromUtf16(p.id)));
            setHeaderText(control, value(QString::fromUtf16(p.name)));
        }
        const QString summary = value(u"summery"_s);
        if (!summary.isEmpty() && headerControl(u"edzhaiyao"_s))
            setHeaderText(u"edzhaiyao"_s, u"原摘要："_s + summary);
        const QString comment = value(u"comment"_s);
        if (!comment.isEmpty())
            edComment()->setText(u"原说明："_s + comment);
        if (headerControl(u"edzdzk"_s) && !value(u"billDiscount"_s).isEmpty())
            setHeaderText(u"edzdzk"_s, value(u"billDiscount"_s));
        const qint64 orderId = value(u"id"_s).toLongLong();
        for (int r = 0; r < lines.rowCount(); ++r) {
            SelectedGoods g;
            const auto lv = [&](const QString& f) {
                const int i = lines.fieldIndex(f);
                return i < 0 ? QVariant() : lines.at(r, i);
            };
            g.goodsId = lv(u"goodsid"_s).toLongLong();
            if (g.goodsId <= 0)
                continue;
            g.code = lv(u"goodsCode"_s).toString();
            g.name = lv(u"goodsname"_s).toString();
            g.unitId = lv(u"unitid"_s).toLongLong();
            g.unitName = lv(u"unitName"_s).toString();
            g.rate = lv(u"rate"_s).toDouble() > 0 ? lv(u"rate"_s).toDouble() : 1;
            const double toQty = lv(u"toQty"_s).toDouble();
            g.qty = lv(u"qty"_s).toDouble() - toQty;
            g.price = lv(u"Price"_s).toDouble();
            g.discount = lv(u"discount"_s).toDouble();
            const int row = AddGoods(g);
            if (!lv(u"tax"_s).isNull()) {
                setCell(row, u"tax"_s, numberText(lv(u"tax"_s).toDouble()));
                recalcLine(row, u"qty"_s);
            }
            const qint64 source = lv(u"id"_s).toLongLong() > 0 ? lv(u"id"_s).toLongLong() : orderId;
            setCell(row, u"s_id"_s, QString::number(source));
            setCell(row, u"s_orderid"_s, lv(u"orderid"_s).toString());
        }
    }
    setModified(true);
    linesChanged();
    reshowLines();
}

// --- accounts

void TfrmGoodsBill::setMultiAccounts(int type, const QList<AccountAmount>& accounts) {
    multi_.insert(type, accounts);
    const QString account = type == kPaymentAccounts ? u"edfkzh"_s : u"edyffkzh"_s;
    const QString amount = type == kPaymentAccounts ? u"edfkje"_s : u"edyffkje"_s;
    const bool several = !accounts.isEmpty();
    Currency sum;
    for (const AccountAmount& a : accounts)
        sum += Currency::fromDouble(a.amount);
    if (QWidget* w = headerControl(account))
        w->setEnabled(!several && !isReadOnly());
    if (QToolButton* b = headerButton(account))
        b->setEnabled(!several && !isReadOnly());
    if (QWidget* w = headerControl(amount)) {
        w->setEnabled(!several && !isReadOnly());
        if (several) {
            setHeaderText(amount, numberText(sum.toDouble()));
            clearHeaderRecord(account);
        }
    }
    setModified(true);
}

void TfrmGoodsBill::btnMultiAccountClick(int type) {
    if (isReadOnly()) {
        TfrmMultiAccount view(this);
        view.setAccounts(loaded_.value(type));
        view.setEnabled(true);
        view.grid()->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view.btnOK()->setEnabled(false);
        view.exec();
        return;
    }
    TfrmMultiAccount dialog(this);
    const GoodsHeaderField* account =
        headerField(type == kPaymentAccounts ? u"edfkzh"_s : u"edyffkzh"_s);
    if (account && !account->kind.isEmpty())
        dialog.setAccountKind(account->kind);
    dialog.setAccounts(multi_.value(type));
    if (dialog.exec() != 1)
        return;
    setMultiAccounts(type, dialog.accounts());
}

QList<AccountAmount> TfrmGoodsBill::accountLines(int type) const {
    const QString account = type == kPaymentAccounts ? u"edfkzh"_s : u"edyffkzh"_s;
    const QString amount = type == kPaymentAccounts ? u"edfkje"_s : u"edyffkje"_s;
    QList<AccountAmount> out;
    QWidget* amountEdit = headerControl(amount);
    if (!amountEdit)
        return out;
    const qint64 id = headerId(account);
    const double value = headerNumber(amount);
    if (id > 0 && value > 0 && amountEdit->isEnabled()) {
        out.append({id, headerText(account), value});
        return out;
    }
    for (const AccountAmount& a : multi_.value(type))
        if (a.amount > 0)
            out.append(a);
    return out;
}

RecordSet TfrmGoodsBill::buildAccountPacket() const {
    RecordSet packet = TfrmBillAbstract::buildAccountPacket();
    for (int type : {int(kPaymentAccounts), int(kFreightAccounts)})
        for (const AccountAmount& a : accountLines(type))
            packet.appendRow(
                {QString::number(a.accountId), QString::number(type), u"0"_s, money(a.amount)});
    return packet;
}

// --- checks and warnings

void TfrmGoodsBill::failAt(QWidget* control, const QString& message) {
    if (control && control->isVisible())
        control->setFocus();
    throw DytError(message);
}

void TfrmGoodsBill::focusCell(int row, const QString& field) {
    const int col = gridDefinition().columnIndex(field);
    if (row < 0 || col < 0 || !model())
        return;
    setFocusedRow(row);
    dbgvX()->table()->setCurrentIndex(model()->index(row, col));
}

void TfrmGoodsBill::checkBill(bool post) {
    checkHeader(post);
    checkLines(post);
    runWarnings(post);
}

void TfrmGoodsBill::checkHeader(bool) {
    const TSettings& s = settings();
    if (s.Switch(goodsoption::kDateQuestion) && edBillDate()->date() != QDate::currentDate()) {
        if (prompter().ask(caption::hint(), goodstext::dateDiffers(),
                           {goodstext::continueButton(), goodstext::cancelButton()}, 0) != 0)
            throw DytError(silentErrorText());
    }
    if (s.Switch(goodsoption::kCodeRequired) && edBillCode()->text().trimmed().isEmpty())
        failAt(edBillCode(), goodstext::codeEmpty());
    const auto requireId = [this](const QString& control) {
        const GoodsHeaderField* f = headerField(control);
        if (f && headerId(control) <= 0)
            failAt(headerControl(control), goodstext::required(f->caption));
    };
    // The partner, then employee and department, then the warehouses.
    for (const QString& control : family_.requiredControls)
        if (!headerField(control)->idField.contains(u"Stock"_s, Qt::CaseInsensitive))
            requireId(control);
    if (s.Switch(goodsoption::kEmployeeRequired))
        requireId(u"edjsr"_s);
    if (s.Switch(goodsoption::kDepartmentRequired))
        requireId(u"edbm"_s);
    for (const QString& control : family_.requiredControls)
        if (headerField(control)->idField.contains(u"Stock"_s, Qt::CaseInsensitive))
            requireId(control);
    for (const QString& control : {u"edfkje"_s, u"edyffkje"_s})
        if (const GoodsHeaderField* f = headerField(control); f && headerNumber(control) < 0)
            failAt(headerControl(control), goodstext::notNegative(f->caption));
    const int dot = s.TotalDot;
    if (headerField(u"edyfhj"_s)) {
        const double freight = roundTo(headerNumber(u"edyfhj"_s), dot);
        if (roundTo(freight - roundTo(columnSum(u"yftotal"_s), dot), dot) != 0)
            failAt(headerControl(u"edyfhj"_s), goodstext::freightNotAllocated());
        if (headerField(u"edyffkje"_s) && roundTo(headerNumber(u"edyffkje"_s), dot) > freight)
            failAt(headerControl(u"edyffkje"_s), goodstext::freightPaidTooMuch());
        if (headerField(u"edyfwldw"_s) && freight > 0 && headerId(u"edyfwldw"_s) <= 0)
            failAt(headerControl(u"edyfwldw"_s), goodstext::freightPartnerNeeded());
    }
    const struct {
        const char16_t* amount;
        const char16_t* account;
    } payments[] = {{u"edfkje", u"edfkzh"}, {u"edyffkje", u"edyffkzh"}};
    for (const auto& p : payments) {
        const QString amount = QString::fromUtf16(p.amount);
        const QString account = QString::fromUtf16(p.account);
        const GoodsHeaderField* f = headerField(account);
        if (!f || !headerField(amount))
            continue;
        if (headerNumber(amount) > 0 && headerId(account) <= 0 &&
            headerControl(account)->isEnabled())
            failAt(headerControl(account), goodstext::enter(f->caption));
    }
    if (headerField(u"edyhje"_s) && headerNumber(u"edyhje"_s) > 0 && dmMain()) {
        RecordSet rs;
        billDataModule().ExecQuery(goodsbillsql::discountCeiling(loginedUser().UserId), &rs);
        const double ceiling = rs.rowCount() > 0 ? rs.at(0, 0).toDouble() : 0;
        if (ceiling > 0 && headerNumber(u"edyhje"_s) > ceiling)
            failAt(headerControl(u"edyhje"_s), goodstext::discountOverLimit());
    }
}

void TfrmGoodsBill::checkLines(bool post) {
    const bool hasDiscount = records().fieldIndex(u"discount"_s) >= 0;
    const bool hasPrice = records().fieldIndex(u"Price"_s) >= 0;
    int lines = 0;
    for (int r = 0; r < records().rowCount(); ++r) {
        if (!isGoodsLine(r))
            continue;
        ++lines;
        const int line = r + 1;
        const double qty = number(r, u"qty"_s);
        if (family_.negativeQty ? qty == 0 : qty <= 0) {
            focusCell(r, u"qty"_s);
            throw DytError(goodstext::lineError(
                line, family_.negativeQty ? goodstext::qtyNotZero() : goodstext::qtyPositive()));
        }
        const bool gift = isGift(r);
        const int spType = goodsFacts().value(cell(r, u"goodsid"_s).toLongLong()).spType;
        if (post && family_.priceChecks && hasPrice && spType == 0 && !gift) {
            if (number(r, u"Price"_s) <= 0) {
                focusCell(r, u"Price"_s);
                throw DytError(goodstext::lineError(line, goodstext::pricePositive()));
            }
            if (number(r, u"Total"_s) * (qty < 0 ? -1 : 1) <= 0) {
                focusCell(r, u"Total"_s);
                throw DytError(goodstext::lineError(line, goodstext::totalPositive()));
            }
        }
        if (hasDiscount && !gift && number(r, u"discount"_s) <= 0) {
            focusCell(r, u"discount"_s);
            throw DytError(goodstext::lineError(line, goodstext::discountPositive()));
        }
        if (records().fieldIndex(u"costTotal"_s) >= 0 && hasDiscount) {
            const double cost = number(r, u"discounttotal"_s) + number(r, u"yftotal"_s);
            setCell(r, u"costTotal"_s, numberText(roundTo(cost, settings().TotalDot)));
            setCell(r, u"costPrice"_s, numberText(roundTo(cost / qty, settings().PriceDot)));
        }
    }
    if (lines == 0)
        throw DytError(goodstext::noLines());
}

void TfrmGoodsBill::runWarnings(bool post) {
    Q_UNUSED(post);
    const TSettings& s = settings();
    if (!dmMain())
        return;
    TdmMain& dm = billDataModule();
    const qint64 partner = headerId(u"eddw"_s);
    const double billPayable =
        roundTo(columnSum(u"taxTotalSum"_s) - headerNumber(u"edyhje"_s), s.TotalDot);
    if (djType() == 5 && s.Switch(goodsoption::kPayableLimit) && billState() != kBillPosted &&
        partner > 0 && !checkPartnerLimit(partner, billPayable, false))
        throw DytError(silentErrorText());

    QList<WarnLine> lines;
    const qint64 warehouse = headerId(u"edshck"_s);
    for (int r : goodsRows()) {
        WarnLine l;
        l.row = r + 1;
        l.goodsId = cell(r, u"goodsid"_s).toLongLong();
        l.stockId = warehouse;
        l.unitId = cell(r, u"unitid"_s).toLongLong();
        l.batch = cell(r, u"goodspc"_s).toLongLong();
        l.baseQty = number(r, u"qty"_s) * (number(r, u"rate"_s) > 0 ? number(r, u"rate"_s) : 1);
        l.discountPrice = number(r, u"discountprice"_s);
        l.gift = isGift(r);
        lines.append(l);
    }
    if (s.Switch(goodsoption::kStockUpperLimit) && !lines.isEmpty() && warehouse > 0) {
        RecordSet found;
        dm.ExecQuery(warnsql::stockLimitSql(lines, true), &found);
        if (found.rowCount() > 0 && !goodsWarningWindow()(kStockAboveUpper, found))
            throw DytError(silentErrorText());
    }
    if (s.Switch(goodsoption::kPurchasePrices) && !lines.isEmpty()) {
        // The unit of a line is its place among the goods' units (0 the base unit).
        RecordSet listed;
        listed.addField(u"sp_id"_s, FieldType::Integer);
        listed.addField(u"row"_s, FieldType::Integer);
        listed.addField(u"Price1"_s, FieldType::Float);
        listed.addField(u"Price2"_s, FieldType::Float);
        for (const WarnLine& l : lines) {
            if (l.gift)
                continue;
            RecordSet rs;
            dm.ExecQuery(goodsbillsql::unitPrices(l.goodsId, l.unitId), &rs);
            if (rs.rowCount() == 0)
                continue;
            rs.first();
            const Currency latest = Currency::fromDouble(rs.number(u"latestBuyPrice"_s));
            if (latest > Currency() && Currency::fromDouble(l.discountPrice) > latest)
                listed.appendRow({l.goodsId, l.row, l.discountPrice, latest.toDouble()});
        }
        if (listed.rowCount() > 0 && !goodsWarningWindow()(kPurchasePriceOdd, listed))
            throw DytError(silentErrorText());
    }
}

// --- new bill, loading, rights

void TfrmGoodsBill::resetToNewBill() {
    for (const HeaderControl& hc : header_) {
        if (auto* edit = qobject_cast<QLineEdit*>(hc.editor))
            edit->setText(hc.def.type == HeaderFieldType::Number ? u"0"_s : QString());
        else if (auto* date = qobject_cast<QDateEdit*>(hc.editor))
            date->setDate(QDate::currentDate());
        else if (auto* check = qobject_cast<QCheckBox*>(hc.editor))
            check->setChecked(false);
    }
    multi_.clear();
    TfrmBillAbstract::resetToNewBill();
    setSelectEnabled(true);
    if (headerControl(u"edzdzk"_s))
        setHeaderText(u"edzdzk"_s, u"1"_s);
    RefreshBalances();
    discountAmountChanged();
    ApplyRights();
    if (btnCopy_)
        btnCopy_->setEnabled(false);
    applyNewBillDefaults();
    setModified(false);
}

void TfrmGoodsBill::applyNewBillDefaults() {
    TdmMain* dm = dmMain();
    if (!dm)
        return;
    // A single warehouse is filled in and skipped.
    if (headerField(u"edshck"_s) && headerId(u"edshck"_s) == 0) {
        RecordSet rs;
        dm->ExecQuery(goodsbillsql::leafWarehouses(), &rs);
        if (rs.rowCount() == 1) {
            setHeaderValue(u"IntoStock_id"_s, rs.at(0, 0).toString());
            setHeaderText(u"edshck"_s, rs.at(0, 1).toString());
            headerControl(u"edshck"_s)->setFocusPolicy(Qt::ClickFocus);
        }
    }
    const qint64 me = loginedUser().UserId;
    if (settings().Switch(goodsoption::kDefaultEmployee) && me != 1 && headerField(u"edjsr"_s) &&
        headerId(u"edjsr"_s) == 0) {
        RecordSet rs;
        dm->ExecQuery(goodsbillsql::employee(me), &rs);
        if (rs.rowCount() > 0) {
            rs.first();
            setHeaderValue(u"jsr_id"_s, rs.text(u"id"_s));
            setHeaderText(u"edjsr"_s, rs.text(u"fullname"_s));
            if (headerField(u"edbm"_s) && rs.integer(u"zy_zybmid"_s) > 0) {
                setHeaderValue(u"dep_id"_s, rs.text(u"zy_zybmid"_s));
                setHeaderText(u"edbm"_s, rs.text(u"zy_zybm"_s));
            }
        }
    }
}

void TfrmGoodsBill::ApplyRights() {
    const BillKind* kind = findBillKind(djType());
    const QString menu = QString::number(kind ? kind->menuTag : 0);
    const auto allowed = [&](const char16_t* sub) {
        try {
            return checkPurview(menu, QString::fromUtf16(sub), u"-"_s, false);
        } catch (const std::exception&) {
            return false;
        }
    };
    btnBillSave()->setVisible(allowed(u"01"));
    btnBillSaveToDraft()->setVisible(allowed(u"02"));
    btnPrint()->setVisible(allowed(u"03"));
}

void TfrmGoodsBill::loadBill() {
    TfrmBillAbstract::loadBill();
    // Ids stay as values; put the names of the select fields back from the header.
    setSelectEnabled(!isReadOnly());
    for (int r = 0; r < records().rowCount(); ++r)
        if (isGoodsLine(r) && cell(r, u"RowType"_s) == u"1"_s && !isGift(r))
            setCell(r, u"RowTypeName"_s, goodstext::gift());
    RefreshBalances();
    refreshAccountsFromLoaded();
    linesChanged();
    ApplyRights();
    if (btnCopy_)
        btnCopy_->setEnabled(billState() == kBillPosted);
    setModified(false);
}

void TfrmGoodsBill::refreshAccountsFromLoaded() {
    loaded_.clear();
    if (billId() <= 0 || !dmMain())
        return;
    const QString bill = QString::number(billId());
    for (int type : {int(kPaymentAccounts), int(kFreightAccounts)}) {
        const QString amount = type == kPaymentAccounts ? u"edfkje"_s : u"edyffkje"_s;
        if (!headerField(amount))
            continue;
        RecordSet rs;
        billDataModule().ExecQuery(goodsbillsql::billAccounts(bill, type), &rs);
        QList<AccountAmount> shown;
        for (rs.first(); !rs.eof(); rs.next())
            shown.append({0, rs.text(u"fullname"_s), rs.number(u"total"_s)});
        if (shown.size() > 1) {
            // Several accounts: their split is kept for the next save of a draft.
            RecordSet ids;
            billDataModule().ExecQuery(goodsbillsql::billAccountIds(bill, type), &ids);
            shown.clear();
            for (ids.first(); !ids.eof(); ids.next())
                shown.append(
                    {ids.integer(u"km_id"_s), ids.text(u"fullname"_s), ids.number(u"total"_s)});
            multi_.insert(type, shown);
            for (const QString& control :
                 {type == kPaymentAccounts ? u"edfkzh"_s : u"edyffkzh"_s, amount})
                if (QWidget* w = headerControl(control))
                    w->setEnabled(false);
            if (QToolButton* b =
                    headerButton(type == kPaymentAccounts ? u"edfkzh"_s : u"edyffkzh"_s))
                b->setEnabled(false);
        }
        loaded_.insert(type, shown);
    }
}

bool TfrmGoodsBill::acceptsKind(int djType) const {
    return djType == family_.djType || TfrmBillAbstract::acceptsKind(djType);
}

void TfrmGoodsBill::setSelectEnabled(bool enabled) {
    for (const HeaderControl& hc : header_)
        if (hc.button)
            hc.button->setEnabled(enabled);
    for (QPushButton* b : {btnfkje_, btnyffkje_, btnzdfp_, btnOrder_})
        b->setEnabled(enabled);
}

// --- printing

QStringList TfrmGoodsBill::PrintVariables() {
    const qint64 partner = headerId(u"eddw"_s);
    double total = 0;
    if (partner > 0 && dmMain()) {
        RecordSet rs;
        billDataModule().ExecQuery(goodsbillsql::partnerTotal(partner), &rs);
        if (rs.rowCount() > 0)
            total = rs.at(0, 0).toDouble();
    }
    double thisBill = 0;
    if (headerField(u"edyhje"_s)) {
        double paid = 0;
        for (const AccountAmount& a : accountLines(kPaymentAccounts))
            paid += a.amount;
        thisBill = columnSum(u"taxTotalSum"_s) - headerNumber(u"edyhje"_s) - paid;
    }
    // A posted bill is already in the partner's total.
    const double before = billState() == kBillPosted ? total - thisBill : total;
    const double after = before + thisBill;
    return {u"上次欠款="_s + money(before), u"本次欠款="_s + money(thisBill),
            u"累计欠款="_s + money(after)};
}

void TfrmGoodsBill::btnPrintClick() {
    try {
        if (billState() != kBillPosted) {
            if (!prompter().confirm(caption::hint(), goodstext::printAfterPost(), buttons::yesNo()))
                return;
            // Print the bill just posted, before the window closes or starts a new bill.
            auto connection = std::make_shared<QMetaObject::Connection>();
            *connection = connect(this, &TfrmBillAbstract::billSaved, this, [this, connection] {
                disconnect(*connection);
                try {
                    for (const QString& line : PrintVariables()) {
                        const int eq = line.indexOf(u'=');
                        print::setPrintVariable(line.left(eq), line.mid(eq + 1));
                    }
                    printBill();
                } catch (const std::exception& e) {
                    showError(e);
                }
            });
            saveBill(true);
            disconnect(*connection);
            return;
        }
        for (const QString& line : PrintVariables()) {
            const int eq = line.indexOf(u'=');
            print::setPrintVariable(line.left(eq), line.mid(eq + 1));
        }
        printBill();
    } catch (const std::exception& e) {
        showError(e);
    }
}

// --- keyboard

QString TfrmGoodsBill::goodsColumnField() {
    // The code when the operator shows its column, else the name.
    const int code = gridDefinition().columnIndex(u"goodsCode"_s);
    if (code >= 0 && !dbgvX()->table()->isColumnHidden(code))
        return u"goodsCode"_s;
    return u"goodsname"_s;
}

bool TfrmGoodsBill::isGoodsColumn(int column) {
    const GridDefinition& def = gridDefinition();
    if (column < 0 || column >= def.columns.size())
        return false;
    const QString f = def.columns.at(column).fieldName.toLower();
    return f == u"goodscode"_s || f == u"goodsname"_s;
}

int TfrmGoodsBill::firstEmptyRow() {
    for (int r = 0; r < records().rowCount(); ++r)
        if (!isGoodsLine(r) && cell(r, u"goodsCode"_s).isEmpty() &&
            cell(r, u"goodsname"_s).isEmpty())
            return r;
    records().appendRow(RecordSet::Row(records().fieldCount()));
    reshowLines();
    return records().rowCount() - 1;
}

void TfrmGoodsBill::enterCell(int row, const QString& field) {
    focusCell(row, field);
    dbgvX()->table()->setFocus();
}

void TfrmGoodsBill::runGoodsEntry() {
    const int row = goodsEntryRow_;
    goodsEntryRow_ = -1;
    if (row < 0 || row >= records().rowCount() || isGoodsLine(row))
        return;
    const QString text = cell(row, goodsColumnField()).isEmpty()
                             ? cell(row, u"goodsname"_s) + cell(row, u"goodsCode"_s)
                             : cell(row, goodsColumnField());
    chooseGoods(row, text);
}

void TfrmGoodsBill::chooseGoods(int row, const QString& text) {
    if (row < 0 || isReadOnly())
        return;
    try {
        selectGoodsText(row, text);
    } catch (const std::exception& e) {
        showError(e);
    }
}

void TfrmGoodsBill::walkFrom(const QModelIndex& from) {
    if (focusNextEditableCell(from))
        return;
    // Then the goods cell of the next line; a filled last line opens one.
    int next = from.row() + 1;
    if (next >= model()->rowCount()) {
        if (!isGoodsLine(model()->rawRow(from.row())))
            return;
        records().appendRow(RecordSet::Row(records().fieldCount()));
        reshowLines();
        next = model()->rowCount() - 1;
    }
    enterCell(next, goodsColumnField());
}

void TfrmGoodsBill::cellEntered(const QModelIndex& index) {
    if (!index.isValid() || !model())
        return;
    const int row = model()->rawRow(index.row());
    if (isGoodsColumn(index.column()) && !isGoodsLine(row)) {
        // A typed code or name: the selection by text at once.
        if (goodsEntryRow_ == row)
            runGoodsEntry();
        return;
    }
    walkFrom(index);
}

void TfrmGoodsBill::moveFocusOn(QWidget* from) {
    QList<QWidget*> order;
    for (const HeaderControl& hc : header_)
        if (hc.def.visible && hc.editor->isEnabled() && hc.editor->focusPolicy() != Qt::ClickFocus)
            order.append(hc.editor);
    const int i = order.indexOf(from);
    if (i >= 0 && i + 1 < order.size()) {
        order.at(i + 1)->setFocus();
        return;
    }
    // After the last field: the goods cell of the first empty line.
    enterCell(firstEmptyRow(), goodsColumnField());
}

bool TfrmGoodsBill::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        QTableView* table = dbgvX()->table();
        if (watched == table) {
            const QModelIndex current = table->currentIndex();
            const int row = current.isValid() ? model()->rawRow(current.row()) : -1;
            if (key->key() == Qt::Key_Delete && row >= 0) {
                deleteLine(row);
                return true;
            }
            if (key->key() == Qt::Key_F4 && row >= 0) {
                toggleGift(row);
                return true;
            }
            if (enter && current.isValid()) {
                if (isGoodsColumn(current.column()) && !isGoodsLine(row))
                    chooseGoods(row, cell(row, goodsColumnField()));  // an empty line: the window
                else
                    walkFrom(current);
                return true;
            }
        } else if (enter) {
            for (const HeaderControl& hc : header_)
                if (hc.editor == watched) {
                    if (hc.def.type == HeaderFieldType::Select && !hc.def.kind.isEmpty() &&
                        headerId(hc.def.control) == 0 && !headerText(hc.def.control).isEmpty()) {
                        try {
                            selectHeaderRecord(hc.def.control);
                        } catch (const std::exception& e) {
                            showError(e);
                        }
                    }
                    moveFocusOn(hc.editor);
                    return true;
                }
        } else {
            // Typing into a select field forgets the record chosen before.
            for (const HeaderControl& hc : header_)
                if (hc.editor == watched && hc.def.type == HeaderFieldType::Select &&
                    ((!key->text().isEmpty() && key->text().at(0).isPrint()) ||
                     key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete))
                    setHeaderValue(hc.def.idField, QString());
        }
    }
    return TfrmBillAbstract::eventFilter(watched, event);
}

}  // namespace dyt::client
