#include "client/base/frmbasehetong.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <memory>

#include "client/bills/selectbase.h"
#include "client/bills/selectgoods.h"
#include "client/common/griddelegate.h"
#include "client/common/gridview.h"
#include "client/logic/contracts.h"
#include "client/queries/frmquery.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/session.h"
#include "common/error.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace {

const QString kDateFormat = u"yyyy-MM-dd"_s;

QString functionCode() {
    return QString::number(contract::kFunctionCode);
}

QLineEdit* lineEdit(QWidget* owner, const char* name) {
    auto* e = new QLineEdit(owner);
    e->setObjectName(QLatin1String(name));
    return e;
}

QDateEdit* dateEdit(QWidget* owner, const char* name) {
    auto* d = new QDateEdit(QDate::currentDate(), owner);
    d->setObjectName(QLatin1String(name));
    d->setDisplayFormat(kDateFormat);
    d->setCalendarPopup(true);
    return d;
}

QComboBox* typeBox(QWidget* owner, bool withAll) {
    auto* box = new QComboBox(owner);
    box->setObjectName(u"cbType"_s);
    if (withAll)
        box->addItem(contract::text::allTypes(), -1);
    box->addItem(contract::text::purchase(), 0);
    box->addItem(contract::text::sales(), 1);
    return box;
}

// The record picked for the text of a field (the selection window of the kind); the field shows
// the name chosen. An empty text is no record. Returns whether the choice changed.
bool pickRecord(const QString& kind, QLineEdit* edit, qint64& id, QString& name, QWidget* owner) {
    const QString text = edit->text().trimmed();
    if (text.isEmpty()) {
        const bool changed = id != 0;
        id = 0;
        name.clear();
        return changed;
    }
    if (id > 0 && text == name)
        return false;
    const std::optional<BaseChoice> choice = selectBase(kind, text, owner);
    bool changed = false;
    if (choice) {
        changed = choice->id != id;
        id = choice->id;
        name = choice->name;
    }
    edit->setText(name);
    return changed;
}

double numberAt(const RecordSet& rs, int row, const QString& field) {
    const int i = rs.fieldIndex(field);
    return i < 0 ? 0.0 : rs.at(row, i).toDouble();
}

}  // namespace

// ---- the list -------------------------------------------------------------------------------

TfrmBaseHeTong::TfrmBaseHeTong(QWidget* parent) : TfrmXAbstract(parent) {
    setObjectName(u"TfrmBaseHeTong"_s);
    setTitle(contract::text::listTitle());
    QToolBar* bar = toolBar();
    auto add = [&](const char* name, const QString& text, bool (TfrmBaseHeTong::*handler)()) {
        auto* a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        bar->insertAction(btnPrint(), a);
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    btnAdd_ = add("btnAdd", contract::text::add(), &TfrmBaseHeTong::btnAddClick);
    btnUpdate_ = add("btnUpdate", contract::text::edit(), &TfrmBaseHeTong::btnUpdateClick);
    btnDel_ = add("btnDel", contract::text::remove(), &TfrmBaseHeTong::btnDelClick);
    btnStop_ = add("btnStop", contract::text::stop(), &TfrmBaseHeTong::btnStopClick);
    // Bills posted meanwhile in other windows change the fulfilment.
    btnRefresh_ = add("btnRefresh", QStringLiteral("刷新"), &TfrmBaseHeTong::btnRefreshClick);

    cbType_ = typeBox(this, true);
    addHeaderField(contract::text::type(), cbType_);
    connect(cbType_, &QComboBox::activated, this, [this] { run([this] { loadList(); }); });
    edPartner_ = lineEdit(this, "edPartner");
    edPartner_->setPlaceholderText(contract::text::allPartners());
    addHeaderField(contract::text::partner(), edPartner_);
    connect(edPartner_, &QLineEdit::returnPressed, this, [this] {
        run([this] {
            pickRecord(u"wldw"_s, edPartner_, partnerId_, partnerName_, this);
            loadList();
        });
    });
    cbStopped_ = new QCheckBox(contract::text::includeStopped(), this);
    cbStopped_->setObjectName(u"cbIncludeStopped"_s);
    addHeaderField(contract::text::includeStopped(), cbStopped_);
    connect(cbStopped_, &QCheckBox::clicked, this, [this] { run([this] { loadList(); }); });

    tvCategory()->hide();
    QTableView* table = dbgvX()->table();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(table, &QTableView::doubleClicked, this, [this] { btnUpdateClick(); });
    // The stop command takes a stopped contract back into execution.
    if (QItemSelectionModel* selection = table->selectionModel())
        connect(selection, &QItemSelectionModel::currentRowChanged, this, [this] {
            btnStop_->setText(currentText(u"isStop"_s) == u"1"_s ? contract::text::resume()
                                                                 : contract::text::stop());
        });
    bindGridKey(Qt::Key_Return, [this] { return btnUpdateClick(); });
    bindGridKey(Qt::Key_Delete, [this] { return btnDelClick(); });

    const struct {
        const char* caption;
        const char* field;
        int width;
    } columns[] = {
        {"合同类型", "htTypeName", 70},        {"合同编号", "code", 120},
        {"往来单位", "dw_dwqm", 140},          {"签订日期", "signDate", 80},
        {"开始日期", "BeginDate", 80},         {"结束日期", "EndDate", 80},
        {"经手人", "zy_zyqm", 70},             {"摘要", "summary", 120},
        {"[%SUM%Q%]合同数量", "Qty", 80},      {"[%SUM%M%]合同金额", "total", 90},
        {"[%SUM%Q%]已执行数量", "zxQty", 80},  {"[%SUM%M%]已执行金额", "zxTotal", 90},
        {"[%SUM%Q%]未执行数量", "wzxQty", 80}, {"[%SUM%M%]未执行金额", "wzxTotal", 90},
        {"状态", "stateName", 60},
    };
    for (const auto& c : columns)
        addColumn(QString::fromUtf8(c.caption), QString::fromLatin1(c.field), false, c.width);
}

TfrmBaseHeTong::~TfrmBaseHeTong() = default;

QString TfrmBaseHeTong::layoutKey() const {
    return u"TfrmBaseHeTong_dbgvX"_s;
}

TfrmBillHeTong* TfrmBaseHeTong::entry() const {
    return qobject_cast<TfrmBillHeTong*>(entry_);
}

void TfrmBaseHeTong::FormCreate() {
    TfrmXAbstract::FormCreate();
    btnPrint()->setVisible(checkPurview(functionCode(), u"02"_s, QString(), false));
    run([this] { loadList(); });
}

void TfrmBaseHeTong::run(const std::function<void()>& action) {
    try {
        action();
    } catch (const DytError& e) {
        showError(e);
    }
}

bool TfrmBaseHeTong::btnRefreshClick() {
    refreshData();
    return true;
}

void TfrmBaseHeTong::refreshData() {
    run([this] { loadList(); });
}

void TfrmBaseHeTong::loadList() {
    ParamList params = contract::listParams(loginedUser().UserId, cbType_->currentData().toInt(),
                                            partnerId_, cbStopped_->isChecked());
    RecordSet rows;
    dataModule().ExecProcQuery(contract::text::listProcedure(), params, &rows);
    const int focus = focusedRow();
    loadRecords([&rows](RecordSet& target) { target = std::move(rows); });
    const int count = model()->rowCount();
    setFocusedRow(count == 0 ? -1 : std::clamp(focus, 0, count - 1));
}

QString TfrmBaseHeTong::currentText(const QString& field) const {
    const int row = focusedRow();
    const int f = records().fieldIndex(field);
    if (row < 0 || f < 0 || row >= model()->rowCount())
        return {};
    return records().at(model()->rawRow(row), f).toString();
}

qint64 TfrmBaseHeTong::currentId() const {
    return currentText(u"id"_s).toLongLong();
}

bool TfrmBaseHeTong::openEntry(qint64 id) {
    if (TfrmBillHeTong* open = entry()) {
        open->raise();
        open->activateWindow();
        return false;
    }
    auto window = std::make_unique<TfrmBillHeTong>();
    try {
        window->OpenBill(0, id, false);
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    entry_ = window.get();
    connect(window.get(), &TfrmBillAbstract::billSaved, this, [this] { refreshData(); });
    connect(window.get(), &QObject::destroyed, this, [this] {
        entry_ = nullptr;
        refreshData();
    });
    // The entry opens beside the list in the workspace.
    queryChildHost()(window.release());
    return true;
}

bool TfrmBaseHeTong::btnAddClick() {
    return openEntry(0);
}

bool TfrmBaseHeTong::btnUpdateClick() {
    const qint64 id = currentId();
    if (id <= 0)
        return false;
    return openEntry(id);
}

bool TfrmBaseHeTong::btnDelClick() {
    const qint64 id = currentId();
    if (id <= 0) {
        prompter().message(caption::hint(), contract::text::chooseContract());
        return false;
    }
    if (!prompter().confirm(caption::hint(), contract::text::confirmDelete(), buttons::okCancel()))
        return false;
    bool done = false;
    run([&] {
        ParamList p = contract::deleteParams(id);
        dataModule().ExecProc(contract::text::saveProcedure(), p, true);
        done = true;
    });
    refreshData();
    return done;
}

bool TfrmBaseHeTong::btnStopClick() {
    const qint64 id = currentId();
    if (id <= 0) {
        prompter().message(caption::hint(), contract::text::chooseContract());
        return false;
    }
    const bool stop = currentText(u"isStop"_s) != u"1"_s;
    if (stop &&
        !prompter().confirm(caption::hint(), contract::text::confirmStop(), buttons::okCancel()))
        return false;
    bool done = false;
    run([&] {
        ParamList p = contract::stopParams(id, stop);
        dataModule().ExecProc(contract::text::saveProcedure(), p, true);
        done = true;
    });
    refreshData();
    return done;
}

// ---- the entry window -----------------------------------------------------------------------

TfrmBillHeTong::TfrmBillHeTong(QWidget* parent) : TfrmBillAbstract(parent) {
    setObjectName(u"TfrmBillHeTong"_s);
    setTitle(contract::text::entryTitle());
    buildControls();
    buildColumns();
    RecordSet& rs = records();
    rs.addField(u"goodsid"_s, FieldType::Integer);
    rs.addField(u"goodsCode"_s, FieldType::Text, 50);
    rs.addField(u"goodsname"_s, FieldType::Text, 100);
    rs.addField(u"unit"_s, FieldType::Text, 20);
    rs.addField(u"qty"_s, FieldType::Float);
    rs.addField(u"price"_s, FieldType::Float);
    rs.addField(u"total"_s, FieldType::Float);
    rs.addField(u"comment"_s, FieldType::Text, 200);
    rs.addField(u"zxQty"_s, FieldType::Float);
    rs.addField(u"wzxQty"_s, FieldType::Float);
    showRecords();
    connect(model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& index) { cellChanged(index); });
    QTableView* table = dbgvX()->table();
    table->installEventFilter(this);
    if (auto* delegate = qobject_cast<GridItemDelegate*>(table->itemDelegate()))
        connect(delegate, &GridItemDelegate::editorReturned, this,
                [this](const QModelIndex& index) { walkFrom(index); });
}

TfrmBillHeTong::~TfrmBillHeTong() = default;

void TfrmBillHeTong::buildControls() {
    tvCategory()->hide();
    btnBillSave()->setText(contract::text::save());
    btnBillSaveToDraft()->setVisible(false);
    btnSavePrint()->setVisible(false);
    btnPrint()->setVisible(false);
    btnzdbh()->setVisible(false);
    edBillCode()->setEnabled(true);
    // The strip's captions name the contract's date and number.
    for (QLabel* label : panBillTitle()->findChildren<QLabel*>()) {
        if (label->text() == billtext::billDate() + u"："_s)
            label->setText(contract::text::signDate() + u"："_s);
        else if (label->text() == billtext::billCode() + u"："_s)
            label->setText(contract::text::code() + u"："_s);
    }
    edBillCode()->setPlaceholderText(u"自动编号"_s);

    cbType_ = typeBox(this, false);
    addHeaderField(contract::text::type(), cbType_);
    edPartner_ = lineEdit(this, "edPartner");
    addHeaderField(contract::text::partner(), edPartner_);
    connect(edPartner_, &QLineEdit::returnPressed, this, [this] { pickPartner(); });
    edEmployee_ = lineEdit(this, "edEmployee");
    addHeaderField(contract::text::employee(), edEmployee_);
    connect(edEmployee_, &QLineEdit::returnPressed, this, [this] { pickEmployee(); });
    deBegin_ = dateEdit(this, "deBegin");
    addHeaderField(contract::text::beginDate(), deBegin_);
    deEnd_ = dateEdit(this, "deEnd");
    deEnd_->setDate(QDate::currentDate().addMonths(1));
    addHeaderField(contract::text::endDate(), deEnd_);
    edGoods_ = lineEdit(this, "edGoods");
    addHeaderField(contract::text::goods(), edGoods_);
    connect(edGoods_, &QLineEdit::returnPressed, this, [this] {
        if (addGoodsText(edGoods_->text()))
            edGoods_->clear();
    });
    for (QWidget* w : std::initializer_list<QWidget*>{cbType_, deBegin_, deEnd_})
        w->installEventFilter(this);
    connect(cbType_, &QComboBox::currentIndexChanged, this, [this] { setModified(true); });
    connect(edComment(), &QLineEdit::returnPressed, this, [this] { edGoods_->setFocus(); });
}

void TfrmBillHeTong::buildColumns() {
    gridDefinition().columns.clear();
    const struct {
        const char* caption;
        const char* field;
        bool editable;
        int width;
    } columns[] = {
        {"商品编号", "goodsCode", false, 90},       {"商品名称", "goodsname", false, 140},
        {"单位", "unit", true, 50},                 {"[%NUM%Q%]数量", "qty", true, 70},
        {"[%NUM%P%]单价", "price", true, 70},       {"[%SUM%M%]金额", "total", false, 90},
        {"备注", "comment", true, 120},             {"[%SUM%Q%]已执行数量", "zxQty", false, 80},
        {"[%SUM%Q%]未执行数量", "wzxQty", false, 80}, {"商品ID", "goodsid", false, 0},
    };
    for (const auto& c : columns) {
        GridColumn& column = addColumn(QString::fromUtf8(c.caption), QString::fromLatin1(c.field),
                                       c.editable, c.width);
        if (c.width == 0)
            column.visible = false;
    }
}

bool TfrmBillHeTong::acceptsKind(int djType) const {
    return djType == 0;
}

QString TfrmBillHeTong::NextBillNumber() {
    return {};  // the server numbers a contract saved without one
}

void TfrmBillHeTong::showAuditControls() {
    panAudit()->setVisible(false);
}

void TfrmBillHeTong::pickPartner() {
    try {
        if (pickRecord(u"wldw"_s, edPartner_, partnerId_, partnerName_, this))
            setModified(true);
        if (partnerId_ > 0)
            edEmployee_->setFocus();
    } catch (const DytError& e) {
        showError(e);
    }
}

void TfrmBillHeTong::pickEmployee() {
    try {
        if (pickRecord(u"zhiyuan"_s, edEmployee_, employeeId_, employeeName_, this))
            setModified(true);
        deBegin_->setFocus();
    } catch (const DytError& e) {
        showError(e);
    }
}

QList<int> TfrmBillHeTong::goodsRows() const {
    QList<int> rows;
    const int f = records().fieldIndex(u"goodsid"_s);
    for (int r = 0; r < records().rowCount(); ++r)
        if (records().at(r, f).toLongLong() > 0)
            rows.append(r);
    return rows;
}

bool TfrmBillHeTong::addGoodsText(const QString& text) {
    if (text.trimmed().isEmpty())
        return false;
    RecordSet& rs = records();
    const int idField = rs.fieldIndex(u"goodsid"_s);
    GoodsTarget target;
    target.lineOf = [&rs, idField](qint64 goods, qint64) {
        for (int r = 0; r < rs.rowCount(); ++r)
            if (rs.at(r, idField).toLongLong() == goods)
                return r + 1;
        return 0;
    };
    int first = -1;
    target.add = [&](const SelectedGoods& g) {
        // The first empty line takes the goods, else a new one.
        int row = -1;
        for (int r = 0; r < rs.rowCount() && row < 0; ++r)
            if (rs.at(r, idField).toLongLong() <= 0)
                row = r;
        if (row < 0) {
            rs.appendRow(RecordSet::Row(rs.fieldCount()));
            row = rs.rowCount() - 1;
        }
        const double qty = g.qty > 0 ? g.qty : 0.0;
        const double price = g.price > 0 ? g.price : 0.0;
        rs.setAt(row, idField, g.goodsId);
        rs.setAt(row, rs.fieldIndex(u"goodsCode"_s), g.code);
        rs.setAt(row, rs.fieldIndex(u"goodsname"_s), g.name);
        rs.setAt(row, rs.fieldIndex(u"unit"_s), g.unitName);
        rs.setAt(row, rs.fieldIndex(u"qty"_s), qty);
        rs.setAt(row, rs.fieldIndex(u"price"_s), price);
        rs.setAt(row, rs.fieldIndex(u"total"_s), contract::lineAmount(qty, price));
        if (first < 0)
            first = row;
    };
    const int kind = cbType_->currentData().toInt() == 1 ? 1 : 5;
    filling_ = true;
    try {
        selectGoodsByText(target, kind, partnerId_, 0, 0, text.trimmed(), contract::text::goods(),
                          false, this);
    } catch (const DytError& e) {
        filling_ = false;
        showError(e);
        return false;
    }
    filling_ = false;
    if (first < 0)
        return false;
    setModified(true);
    reshowLines();
    // The cursor goes to the quantity of the first line added.
    const int qtyColumn = gridDefinition().columnIndex(u"qty"_s);
    QTableView* table = dbgvX()->table();
    table->setFocus();
    table->setCurrentIndex(model()->index(first, qtyColumn));
    return true;
}

void TfrmBillHeTong::cellChanged(const QModelIndex& index) {
    if (filling_ || !index.isValid())
        return;
    const auto& columns = gridDefinition().columns;
    if (index.column() < 0 || index.column() >= columns.size())
        return;
    const QString field = columns.at(index.column()).fieldName;
    if (field != u"qty"_s && field != u"price"_s)
        return;
    RecordSet& rs = records();
    const int row = model()->rawRow(index.row());
    filling_ = true;
    rs.setAt(row, rs.fieldIndex(u"total"_s),
             contract::lineAmount(numberAt(rs, row, u"qty"_s), numberAt(rs, row, u"price"_s)));
    filling_ = false;
    dbgvX()->table()->viewport()->update();
}

void TfrmBillHeTong::walkFrom(const QModelIndex& at) {
    // Enter walks along the line's figures and its remark, then back to the goods field.
    if (!focusNextEditableCell(at))
        edGoods_->setFocus();
}

bool TfrmBillHeTong::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                           key->modifiers() == Qt::NoModifier;
        if (enter && watched == dbgvX()->table()) {
            walkFrom(dbgvX()->table()->currentIndex());
            return true;
        }
        // Enter in the type and the dates walks on through the header.
        if (enter && watched == cbType_) {
            edPartner_->setFocus();
            return true;
        }
        if (enter && watched == deBegin_) {
            deEnd_->setFocus();
            return true;
        }
        if (enter && watched == deEnd_) {
            edComment()->setFocus();
            return true;
        }
    }
    return TfrmBillAbstract::eventFilter(watched, event);
}

void TfrmBillHeTong::resetToNewBill() {
    TfrmBillAbstract::resetToNewBill();
    partnerId_ = 0;
    partnerName_.clear();
    edPartner_->clear();
    employeeId_ = 0;
    employeeName_.clear();
    edEmployee_->clear();
    edGoods_->clear();
    deBegin_->setDate(QDate::currentDate());
    deEnd_->setDate(QDate::currentDate().addMonths(1));
    btnBillSave()->setEnabled(true);
    setModified(false);
}

void TfrmBillHeTong::loadBill() {
    ParamList p = contract::recordParams(billId());
    RecordSet head;
    dataModule().ExecProcQuery(contract::text::listProcedure(), p, &head);
    if (head.rowCount() == 0)
        throw DytError(billtext::invalidBill());
    const auto value = [&head](const char* field) {
        return head.at(0, head.fieldIndex(QLatin1String(field)));
    };
    cbType_->setCurrentIndex(value("htType").toInt() == 1 ? 1 : 0);
    edBillCode()->setText(value("code").toString());
    edBillDate()->setDate(QDate::fromString(value("signDate").toString(), kDateFormat));
    deBegin_->setDate(QDate::fromString(value("BeginDate").toString(), kDateFormat));
    deEnd_->setDate(QDate::fromString(value("EndDate").toString(), kDateFormat));
    partnerId_ = value("wldw_id").toLongLong();
    partnerName_ = value("dw_dwqm").toString();
    edPartner_->setText(partnerName_);
    employeeId_ = value("jsr_id").toLongLong();
    employeeName_ = employeeId_ > 0 ? value("zy_zyqm").toString() : QString();
    edEmployee_->setText(employeeName_);
    edComment()->setText(value("summary").toString());

    ParamList lp = contract::linesParams(billId());
    RecordSet lines;
    dataModule().ExecProcQuery(contract::text::linesProcedure(), lp, &lines);
    RecordSet& rs = records();
    rs.clearRows();
    const struct {
        const char* from;
        const char* to;
    } map[] = {{"goodsid", "goodsid"}, {"sp_spbh", "goodsCode"}, {"sp_spqm", "goodsname"},
               {"unit", "unit"},       {"qty", "qty"},           {"price", "price"},
               {"total", "total"},     {"comment", "comment"},   {"zxQty", "zxQty"},
               {"wzxQty", "wzxQty"}};
    filling_ = true;
    for (int r = 0; r < lines.rowCount(); ++r) {
        RecordSet::Row row(rs.fieldCount());
        for (const auto& m : map)
            row[rs.fieldIndex(QLatin1String(m.to))] =
                lines.at(r, lines.fieldIndex(QLatin1String(m.from)));
        rs.appendRow(row);
    }
    while (rs.rowCount() < std::max(1, minimumRows()))
        rs.appendRow(RecordSet::Row(rs.fieldCount()));
    showRecords();
    filling_ = false;
    // A stopped contract is only shown.
    btnBillSave()->setEnabled(value("isStop").toInt() != 1);
}

bool TfrmBillHeTong::saveContract() {
    try {
        if (partnerId_ <= 0 || edPartner_->text().trimmed() != partnerName_) {
            edPartner_->setFocus();
            throw DytError(contract::text::choose(contract::text::partner()));
        }
        if (deBegin_->date() > deEnd_->date()) {
            deBegin_->setFocus();
            throw DytError(contract::text::beginAfterEnd());
        }
        const QList<int> rows = goodsRows();
        if (rows.isEmpty()) {
            edGoods_->setFocus();
            throw DytError(contract::text::noLines());
        }
        contract::Contract c;
        c.id = billId();
        c.type = cbType_->currentData().toInt() == 1 ? contract::Type::Sales
                                                     : contract::Type::Purchase;
        c.code = edBillCode()->text();
        c.partnerId = partnerId_;
        c.employeeId = edEmployee_->text().trimmed().isEmpty() ? 0 : employeeId_;
        c.signDate = edBillDate()->date().toString(kDateFormat);
        c.begin = deBegin_->date().toString(kDateFormat);
        c.end = deEnd_->date().toString(kDateFormat);
        c.summary = edComment()->text();
        const RecordSet& rs = records();
        for (int i = 0; i < rows.size(); ++i) {
            const int r = rows.at(i);
            contract::Line l;
            l.goodsId = rs.at(r, rs.fieldIndex(u"goodsid"_s)).toLongLong();
            l.unit = rs.at(r, rs.fieldIndex(u"unit"_s)).toString();
            l.qty = numberAt(rs, r, u"qty"_s);
            l.price = numberAt(rs, r, u"price"_s);
            l.comment = rs.at(r, rs.fieldIndex(u"comment"_s)).toString();
            if (l.qty <= 0)
                throw DytError(contract::text::lineQtyError(i + 1));
            if (l.price < 0)
                throw DytError(contract::text::linePriceError(i + 1));
            c.lines.append(l);
        }
        ParamList p = contract::saveParams(c);
        const qint64 id = dataModule().ExecProc(contract::text::saveProcedure(), p, true);
        setModified(false);
        prompter().message(caption::hint(), contract::text::saved());
        Q_EMIT billSaved(id);
        if (closeAfterSave())
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        else
            resetToNewBill();
        return true;
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
}

void TfrmBillHeTong::closeEvent(QCloseEvent* event) {
    if (isModified() && btnBillSave()->isEnabled()) {
        const int answer =
            prompter().ask(billtext::closeCaption(), billtext::closeQuestion(),
                           {btnBillSave()->text(), billtext::discardAndExit()}, 0);
        if (answer != 1) {
            event->ignore();
            if (answer == 0)
                saveContract();
            return;
        }
    }
    setModified(false);
    TfrmBillAbstract::closeEvent(event);
}

void TfrmBillHeTong::btnBillSaveClick() {
    if (btnBillSave()->isEnabled())
        saveContract();
}

}  // namespace dyt::client
