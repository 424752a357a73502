#include "client/base/frminiwindows.h"

#include <QAction>
#include <QBoxLayout>
#include <QComboBox>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QTabBar>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>
#include <initializer_list>
#include <memory>

#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "client/queries/frmininput.h"
#include "client/queries/frmselectitems.h"
#include "client/queries/frmstockwindows.h"
#include "common/currency.h"
#include "common/error.h"
#include "common/formatting.h"

namespace dyt::client {

namespace {

using F = TfrmIniInput::Field;
using K = TfrmIniInput::Kind;

qint64 operatorId() {
    return loginedUser().UserId;
}

double number(const QVariant& v) {
    if (v.userType() == qMetaTypeId<Currency>())
        return v.value<Currency>().toDouble();
    return v.toDouble();
}

QString numberText(const QVariant& v) {
    return floatToStr(number(v));
}

QueryColumn col(const char* field, const char* caption, int width = 80) {
    return {QString::fromLatin1(field), QString::fromUtf8(caption), width};
}

// The stock status report's row: its navigation and goods columns, up to its figures.
QueryDescriptor goodsFrame(const QString& className, const QString& title) {
    const QueryDescriptor* report = findQueryDescriptor(QStringLiteral("TfrmQKCZKB"));
    if (!report)
        throw DytError(QStringLiteral("未知的查询窗口[TfrmQKCZKB]"));
    QueryDescriptor d = *report;
    d.className = className;
    d.title = title;
    d.drillDown.clear();
    d.columns.clear();
    for (const QueryColumn& c : report->columns) {
        if (c.field == u"fzqty")
            break;
        d.columns.append(c);
    }
    return d;
}

const QueryDescriptor& goodsStockDescriptor() {
    static const QueryDescriptor d = [] {
        QueryDescriptor g =
            goodsFrame(QStringLiteral("TfrmIniGoodsStock"), opening::text::goodsStockTitle());
        g.queryTypes = {QStringLiteral("QCKCNEW")};
        g.columns << col("fzqty", "[]辅助数量") << col("stockqty", "[%SUM%Q%]期初数量", 80)
                  << col("stockPrice", "[%P%Cost%]成本均价", 80)
                  << col("stockTotal", "[%SUM%M%Cost%]库存金额", 100)
                  << col("stockid", "stockid", 0) << col("costMode", "costMode", 0);
        return g;
    }();
    return d;
}

// One row per kind of the partner-based goods, in the order of the kinds.
const QueryDescriptor& partnerGoodsDescriptor(const opening::PartnerGoodsKind& kind) {
    static const QList<QueryDescriptor> all = [] {
        QList<QueryDescriptor> out;
        for (const opening::PartnerGoodsKind& k : opening::partnerGoodsKinds()) {
            QueryDescriptor d = goodsFrame(k.className, k.title);
            d.procedure = QStringLiteral("P_JXC_Get_QC");
            d.queryTypes = {k.queryType};
            d.columns << col("dw_id", "dw_id", 0) << col("qty", "[%SUM%Q%]数量");
            if (k.costMasked) {
                d.columns << col("Price", "[%P%Cost%]单价")
                          << col("Total", "[%SUM%M%Cost%]金额", 100);
            } else {
                d.columns << col("Price", "[%P%]单价") << col("Total", "[%SUM%M%]金额", 100);
            }
            d.derived = {{QStringLiteral("Price"), QStringLiteral("Total"), QStringLiteral("qty")}};
            if (k.costColumns) {
                d.columns << col("costPrice", "[%P%Cost%]成本单价")
                          << col("costTotal", "[%SUM%M%Cost%]成本金额", 100);
                d.derived.append({QStringLiteral("costPrice"), QStringLiteral("costTotal"),
                                  QStringLiteral("qty")});
            }
            out.append(d);
        }
        return out;
    }();
    const QList<opening::PartnerGoodsKind>& kinds = opening::partnerGoodsKinds();
    for (qsizetype i = 0; i < kinds.size(); ++i) {
        if (kinds[i].className == kind.className)
            return all.at(i);
    }
    throw DytError(QStringLiteral("未知的期初窗口[%1]").arg(kind.className));
}

const QueryDescriptor& partnerDescriptor() {
    static const QueryDescriptor d = [] {
        QueryDescriptor p =
            goodsFrame(QStringLiteral("TfrmIniYSYF"), opening::text::partnerTitle());
        p.procedure = QStringLiteral("P_JXC_Get_Base");
        p.queryTypes = {QStringLiteral("WLDW")};
        p.subject = QuerySubject::Partner;
        p.tree = QueryTree::Partner;
        p.goodsKey = QStringLiteral("GoodsStr");
        p.columns = {col("sonnum", "sonnum", 0),
                     col("id", "id", 0),
                     col("par_id", "par_id", 0),
                     col("par_jl", "par_jl", 0),
                     col("code", "[]单位编号", 90),
                     col("fullname", "[]单位全名", 180),
                     col("ystotal00", "[%SUM%M%]期初应收款", 100),
                     col("yftotal00", "[%SUM%M%]期初应付款", 100),
                     col("yushouTotal00", "[%SUM%M%]期初预收款", 100),
                     col("yufuTotal00", "[%SUM%M%]期初预付款", 100)};
        return p;
    }();
    return d;
}

QAction* addModifyAction(TfrmXAbstract* window) {
    auto* a = new QAction(opening::text::edit(), window);
    a->setObjectName(QStringLiteral("btnModify"));
    window->toolBar()->insertAction(window->btnPrint(), a);
    return a;
}

// Print ("02") and "修改" ("01") by the rights of the window's menu entry.
void applyRights(TfrmXAbstract* window, int tag, QAction* modify) {
    const QString menu = QString::number(tag);
    window->btnPrint()->setVisible(
        checkPurview(menu, QStringLiteral("02"), QStringLiteral("打印"), false));
    if (modify)
        modify->setVisible(checkPurview(menu, QStringLiteral("01"), opening::text::edit(), false));
}

// The fields of the grid's columns that the rows lack (an empty answer has none).
void addMissingFields(RecordSet& rows, const GridDefinition& grid) {
    for (const GridColumn& c : grid.columns) {
        if (c.fieldName.isEmpty() || rows.hasField(c.fieldName))
            continue;
        const bool text = c.numberKind == NumberKind::None;
        rows.addField(c.fieldName, text ? FieldType::Text : FieldType::Float, text ? 100 : 0);
    }
}

// Takes condition labels out of the header band together with their captions.
void hideHeaderFields(TfrmXAbstract* window, std::initializer_list<QLabel*> labels) {
    const QList<QLabel*> all = window->panBillTitle()->findChildren<QLabel*>();
    for (QLabel* l : labels) {
        l->setVisible(false);
        for (QLabel* caption : all) {
            if (caption->buddy() == l)
                caption->setVisible(false);
        }
    }
}

bool refuse(const QString& refusal) {
    if (refusal.isEmpty())
        return false;
    prompter().message(caption::hint(), refusal);
    return true;
}

}  // namespace

// --- the goods windows

TfrmIniGoods::TfrmIniGoods(const QueryDescriptor& descriptor, QWidget* parent)
    : TfrmQKCZKB(descriptor, parent) {
    btnModify_ = addModifyAction(this);
    connect(btnModify_, &QAction::triggered, this, [this] { btnModifyClick(); });
    bindGridKey(Qt::Key_F2, [this] {
        btnModifyClick();
        return true;
    });
}

void TfrmIniGoods::showEvent(QShowEvent* event) {
    TfrmQKCZKB::showEvent(event);
    if (queried_)
        return;
    queried_ = true;
    applyRights(this, tag(), btnModify_);
    runQuery(false);
}

bool TfrmIniGoods::runQuery(bool showDialog, const QString& quickText) {
    ProgressScope working(opening::text::working());
    return TfrmQKCZKB::runQuery(showDialog, quickText);
}

void TfrmIniGoods::activateRow() {
    btnModifyClick();
}

void TfrmIniGoods::btnModifyClick() {
    if (!btnModify_->isVisible() || model()->rowCount() == 0 || focusedRow() < 0)
        return;
    if (rowValue("sonnum").toLongLong() >= 1 && !navigation().listMode) {
        btnDownLevelClick();
        return;
    }
    if (refuse(opening::editRefusal(settings().IsOpen != 0, pickerChosen(), allChosenText()))) {
        if (settings().IsOpen == 0)
            picker()->setFocus(Qt::OtherFocusReason);
        return;
    }
    editGoodsRow();
}

bool TfrmIniGoods::saveRow(const QString& procedure, ParamList params) {
    try {
        dataModule().ExecProc(procedure, params);
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    requery();
    return true;
}

void TfrmIniGoods::requery() {
    // The cursor stays on the row just set.
    rememberRow();
    runQuery(false);
}

TfrmIniGoodsStock::TfrmIniGoodsStock(QWidget* parent)
    : TfrmIniGoods(goodsStockDescriptor(), parent) {
    hideHeaderFields(this, {lblDate(), lblWldw(), lblZy(), lblBm()});
    // The batch details of an opening stock are its opening batches.
    disconnect(btnpcxq(), &QAction::triggered, nullptr, nullptr);
    connect(btnpcxq(), &QAction::triggered, this, [this] {
        if (model()->rowCount() == 0 || focusedRow() < 0)
            return;
        if (refuse(stockstatus::batchDetailRefusal(rowValue("sonnum").toLongLong(),
                                                   rowValue("costMode").toInt())))
            return;
        auto window = std::make_unique<TfrmBaseKCPCB>();
        if (!window->showOpeningBatches(rowValue("sp_id").toLongLong(),
                                        rowValue("sp_spqm").toString(), warehouseId().toLongLong(),
                                        warehouseName()))
            return;
        connect(window.get(), &TfrmBaseKCPCB::openingChanged, this, [this] { requery(); });
        queryChildHost()(window.release());
    });
}

ParamList TfrmIniGoodsStock::queryParams(const stockstatus::Request& request) const {
    return opening::goodsStockParams(request);
}

bool TfrmIniGoodsStock::pickerChosen() const {
    return warehouseId().toLongLong() > 0;
}

QString TfrmIniGoodsStock::allChosenText() const {
    return opening::text::allWarehouses();
}

QWidget* TfrmIniGoodsStock::picker() const {
    return edWarehouse();
}

void TfrmIniGoodsStock::editGoodsRow() {
    const qint64 goodsId = rowValue("sp_id").toLongLong();
    const QString goodsName = rowValue("sp_spqm").toString();
    // Goods costed by batch are entered batch by batch.
    if (rowValue("costMode").toInt() != 0) {
        auto window = std::make_unique<TfrmBaseKCPCB>();
        if (!window->showOpeningBatches(goodsId, goodsName, warehouseId().toLongLong(),
                                        warehouseName()))
            return;
        connect(window.get(), &TfrmBaseKCPCB::openingChanged, this, [this] { requery(); });
        queryChildHost()(window.release());
        return;
    }
    TfrmIniInput dialog(titleText(), goodsName,
                        {F{QStringLiteral("qty"), QStringLiteral("期初数量"), K::Number,
                           numberText(rowValue("stockqty"))},
                         F{QStringLiteral("total"), QStringLiteral("期初金额"), K::Number,
                           numberText(rowValue("stockTotal"))},
                         F{QStringLiteral("price"), QStringLiteral("成本单价"), K::Computed, {}}},
                        this);
    dialog.computeUnitPrice();
    if (dialog.exec() != 1)
        return;
    opening::GoodsStockEntry e;
    e.id = rowValue("stockid").toLongLong();
    e.goodsId = goodsId;
    e.warehouseId = warehouseId().toLongLong();
    e.qty = dialog.number(QStringLiteral("qty"));
    e.total = dialog.number(QStringLiteral("total"));
    saveRow(opening::text::goodsStockProc(),
            opening::goodsStockSave(e, settings().QtyDot, settings().TotalDot));
}

TfrmIniGoodsOther::TfrmIniGoodsOther(const QString& className, QWidget* parent)
    : TfrmIniGoods(
          [&]() -> const QueryDescriptor& {
              const opening::PartnerGoodsKind* k = opening::findPartnerGoodsKind(className);
              if (!k)
                  throw DytError(QStringLiteral("未知的期初窗口[%1]").arg(className));
              return partnerGoodsDescriptor(*k);
          }(),
          parent),
      kind_(*opening::findPartnerGoodsKind(className)) {
    // The partner takes the warehouse's place; the warehouse's dialog and windows go.
    hideWarehousePicker();
    for (QAction* a : {btnQuery(), btnAdd(), btnpcxq()})
        a->setVisible(false);
    hideHeaderFields(this, {lblDate(), lblZy(), lblCk(), lblBm()});
    edPartner_ = new QLineEdit(this);
    edPartner_->setObjectName(QStringLiteral("edPartner"));
    edPartner_->setMinimumWidth(150);
    QAction* pick = edPartner_->addAction(QIcon(), QLineEdit::TrailingPosition);
    pick->setText(QStringLiteral("选择"));
    pick->setObjectName(QStringLiteral("actChoosePartner"));
    connect(pick, &QAction::triggered, this, [this] { choosePartner(); });
    connect(edPartner_, &QLineEdit::returnPressed, this, [this] { choosePartner(); });
    auto* l = new QLabel(opening::text::choosePartner(), toolBar());
    l->setBuddy(edPartner_);
    l->setContentsMargins(8, 0, 2, 0);
    toolBar()->addWidget(l);
    toolBar()->addWidget(edPartner_);
    showPartner();
}

void TfrmIniGoodsOther::setPartner(const QString& id, const QString& name) {
    const bool all = id.trimmed().isEmpty() || id.trimmed() == u"0";
    partnerId_ = all ? QString() : id.trimmed();
    partnerName_ = all ? QString() : name;
    showPartner();
}

void TfrmIniGoodsOther::showPartner() {
    const QString text = partnerId_.isEmpty() ? opening::text::allPartnersCaption() : partnerName_;
    edPartner_->setText(text);
    lblWldw()->setText(text);
}

void TfrmIniGoodsOther::choosePartner() {
    const std::optional<PickerChoice> choice =
        pickRecord(PickerKind::Partner, edPartner_->text(),
                   partnerId_.isEmpty() ? opening::text::allPartnersCaption() : partnerName_, this);
    if (!choice) {
        showPartner();
        return;
    }
    setPartner(QString::number(choice->id), choice->name);
    runQuery(false);
}

ParamList TfrmIniGoodsOther::queryParams(const stockstatus::Request& request) const {
    stockstatus::Request r = request;
    r.warehouseId = partnerId_;
    return opening::partnerGoodsParams(kind_, r);
}

bool TfrmIniGoodsOther::pickerChosen() const {
    return partnerId_.toLongLong() > 0;
}

QString TfrmIniGoodsOther::allChosenText() const {
    return opening::text::allPartners();
}

QWidget* TfrmIniGoodsOther::picker() const {
    return edPartner_;
}

void TfrmIniGoodsOther::editGoodsRow() {
    QList<F> fields = {
        F{QStringLiteral("qty"), QStringLiteral("数量"), K::Number, numberText(rowValue("qty"))},
        F{QStringLiteral("total"), QStringLiteral("金额"), K::Number,
          numberText(rowValue("Total"))}};
    if (kind_.costColumns) {
        fields.append(F{QStringLiteral("costTotal"), QStringLiteral("成本金额"), K::Number,
                        numberText(rowValue("costTotal"))});
    }
    fields.append(F{QStringLiteral("price"), QStringLiteral("单价"), K::Computed, {}});
    TfrmIniInput dialog(titleText(), rowValue("sp_spqm").toString(), fields, this);
    dialog.computeUnitPrice();
    if (dialog.exec() != 1)
        return;
    opening::PartnerGoodsEntry e;
    e.id = rowValue("id").toLongLong();
    e.goodsId = rowValue("sp_id").toLongLong();
    e.partnerId = partnerId_.toLongLong();
    e.qty = dialog.number(QStringLiteral("qty"));
    e.total = dialog.number(QStringLiteral("total"));
    e.costTotal = dialog.number(QStringLiteral("costTotal"));
    saveRow(opening::text::goodsOtherProc(),
            opening::partnerGoodsSave(kind_, e, settings().QtyDot, settings().TotalDot));
}

// --- the partners

TfrmIniYSYF::TfrmIniYSYF(QWidget* parent) : TfrmQueryWindow(partnerDescriptor(), parent) {
    btnModify_ = addModifyAction(this);
    connect(btnModify_, &QAction::triggered, this, [this] { btnModifyClick(); });
    bindGridKey(Qt::Key_F2, [this] {
        btnModifyClick();
        return true;
    });
    // The partners need no condition dialog.
    btnQuery()->setVisible(false);
    hideHeaderFields(this, {lblDate(), lblZy(), lblCk(), lblBm()});
    // The quick search of partners by code, name or pinyin.
    edSearch_ = new QLineEdit(this);
    edSearch_->setObjectName(QStringLiteral("edSearch"));
    edSearch_->setMinimumWidth(140);
    connect(edSearch_, &QLineEdit::returnPressed, this,
            [this] { runQuery(false, edSearch_->text().trimmed()); });
    auto* l = new QLabel(QStringLiteral("快速查找单位(Tab)"), toolBar());
    l->setBuddy(edSearch_);
    l->setContentsMargins(8, 0, 2, 0);
    toolBar()->addWidget(l);
    toolBar()->addWidget(edSearch_);
}

void TfrmIniYSYF::showEvent(QShowEvent* event) {
    TfrmQueryWindow::showEvent(event);
    if (queried_)
        return;
    queried_ = true;
    applyRights(this, tag(), btnModify_);
    runQuery(false);
}

bool TfrmIniYSYF::runQuery(bool, const QString& quickText) {
    int focus = takePendingFocus();
    // A new search starts at its first row.
    if (!quickText.isEmpty() && quickText != searchText_)
        focus = 0;
    ParamList p;
    try {
        p = opening::partnerParams(operatorId(), navigation(), quickText,
                                   cbqty() ? cbqty()->currentIndex() : 0);
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    if (!execute(p, focus))
        return false;
    searchText_ = quickText;
    return true;
}

void TfrmIniYSYF::activateRow() {
    btnModifyClick();
}

void TfrmIniYSYF::btnModifyClick() {
    if (!btnModify_->isVisible() || model()->rowCount() == 0 || focusedRow() < 0)
        return;
    if (focusedValue(QStringLiteral("sonnum")).toLongLong() >= 1) {
        btnDownLevelClick();
        return;
    }
    if (refuse(opening::editRefusal(settings().IsOpen != 0, true, QString())))
        return;
    const auto value = [this](const char* field) {
        return numberText(focusedValue(QLatin1String(field)));
    };
    TfrmIniInput dialog(
        titleText(), focusedValue(QStringLiteral("fullname")).toString(),
        {F{QStringLiteral("ysTotal"), QStringLiteral("期初应收款"), K::Number, value("ystotal00")},
         F{QStringLiteral("yfTotal"), QStringLiteral("期初应付款"), K::Number, value("yftotal00")},
         F{QStringLiteral("yuShouTotal"), QStringLiteral("期初预收款"), K::Number,
           value("yushouTotal00")},
         F{QStringLiteral("yufuTotal"), QStringLiteral("期初预付款"), K::Number,
           value("yufuTotal00")}},
        this);
    if (dialog.exec() != 1)
        return;
    opening::PartnerEntry e;
    e.id = focusedValue(QStringLiteral("id")).toLongLong();
    e.parentId = focusedValue(QStringLiteral("par_id")).toLongLong();
    e.receivable = dialog.number(QStringLiteral("ysTotal"));
    e.payable = dialog.number(QStringLiteral("yfTotal"));
    e.advanceReceived = dialog.number(QStringLiteral("yuShouTotal"));
    e.advancePaid = dialog.number(QStringLiteral("yufuTotal"));
    ParamList p = opening::partnerSave(e, settings().TotalDot);
    try {
        dataModule().ExecProc(opening::text::partnerProc(), p);
    } catch (const DytError& err) {
        showError(err);
        return;
    }
    // The same rows again: the search or the level.
    runQuery(false, searchText_);
}

// --- the accounts

TfrmIniKmData::TfrmIniKmData(QWidget* parent) : TfrmXAbstract(parent) {
    setObjectName(QStringLiteral("TfrmIniKmData"));
    setTitle(opening::text::accountTitle());
    tabs_ = new QTabBar(this);
    tabs_->setObjectName(QStringLiteral("tabPages"));
    for (const opening::AccountPageInfo& p : opening::accountPages())
        tabs_->addTab(p.caption);
    tabs_->setExpanding(false);
    // The pages sit right above the grid.
    if (auto* box = qobject_cast<QBoxLayout*>(layout()))
        box->insertWidget(box->indexOf(gbCondition()) + 1, tabs_);
    lblPath_ = new QLabel(opening::text::pathCaption(), this);
    lblPath_->setObjectName(QStringLiteral("lblPath"));
    lblPath_->setMinimumWidth(260);
    addHeaderField(QString(), lblPath_);
    tvCategory()->setVisible(false);
    btnModify_ = addModifyAction(this);
    connect(btnModify_, &QAction::triggered, this, [this] { btnModifyClick(); });
    connect(tabs_, &QTabBar::currentChanged, this, [this](int i) {
        if (shown_ && i >= 0 && i < opening::accountPages().size())
            selectPage(opening::accountPages()[i].page);
    });
    bindGridKey(Qt::Key_Return, [this] {
        btnDownLevelClick();
        return true;
    });
    bindGridKey(Qt::Key_F2, [this] {
        btnModifyClick();
        return true;
    });
    connect(dbgvX()->table(), &QTableView::doubleClicked, this, [this] { btnDownLevelClick(); });
}

void TfrmIniKmData::showEvent(QShowEvent* event) {
    TfrmXAbstract::showEvent(event);
    if (shown_)
        return;
    balance_ = opening::accountBalanceView(tag());
    if (balance_)
        setTitle(opening::text::balanceTitle());
    addColumn(QStringLiteral("id"), QStringLiteral("id"), false, 0);
    addColumn(QStringLiteral("sonnum"), QStringLiteral("sonnum"), false, 0);
    addColumn(QStringLiteral("[]科目编号"), QStringLiteral("code"), false, 90);
    addColumn(QStringLiteral("[]科目全名"), QStringLiteral("fullname"), false, 180);
    addColumn(QStringLiteral("[%M%]期初金额"), QStringLiteral("Total00"), false, 110);
    if (balance_)
        addColumn(QStringLiteral("[%M%]当前余额"), QStringLiteral("Total"), false, 110);
    addMissingFields(records(), gridDefinition());
    showRecords();
    connect(dbgvX()->table()->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { showPath(); });
    applyRights(this, tag(), balance_ ? nullptr : btnModify_);
    if (balance_)
        btnModify_->setVisible(false);
    const opening::AccountPage page = opening::accountPageOf(tag());
    for (int i = 0; i < opening::accountPages().size(); ++i) {
        if (opening::accountPages()[i].page == page)
            tabs_->setCurrentIndex(i);
    }
    shown_ = true;
    selectPage(page);
}

void TfrmIniKmData::selectPage(opening::AccountPage page) {
    page_ = page;
    levels_.clear();
    rowsAbove_.clear();
    query();
}

bool TfrmIniKmData::loadRoles() {
    if (!roles_.isEmpty())
        return true;
    RecordSet rows;
    dataModule().ExecQuery(opening::accountRolesSql(), &rows);
    const int name = rows.fieldIndex(QStringLiteral("name"));
    const int id = rows.fieldIndex(QStringLiteral("km_id"));
    for (int r = 0; name >= 0 && id >= 0 && r < rows.rowCount(); ++r)
        roles_.insert(rows.at(r, name).toString().trimmed(), rows.at(r, id).toLongLong());
    return true;
}

bool TfrmIniKmData::query() {
    const opening::AccountPageInfo* info = nullptr;
    for (const opening::AccountPageInfo& p : opening::accountPages()) {
        if (p.page == page_)
            info = &p;
    }
    if (!info)
        return false;
    RecordSet rows;
    try {
        const auto fetch = [&rows](const ParamList& params) {
            ParamList p = params;
            RecordSet part;
            dataModule().ExecProcQuery(QStringLiteral("P_Base_Get_KM"), p, &part);
            if (rows.fieldCount() == 0)
                rows.copyStructure(part);
            for (int r = 0; r < part.rowCount(); ++r)
                rows.appendRow(part.row(r));
        };
        if (!levels_.isEmpty()) {
            fetch(opening::accountParams(operatorId(), levels_.last()));
        } else if (info->roles.isEmpty()) {
            fetch(opening::accountParams(operatorId(), 0));
        } else {
            loadRoles();
            for (const QString& role : info->roles) {
                const qint64 id = roles_.value(role, 0);
                if (id <= 0)
                    continue;
                fetch(info->below ? opening::accountParams(operatorId(), id)
                                  : opening::accountParams(operatorId(), 0, id));
                if (info->below)
                    break;
            }
        }
        addMissingFields(rows, gridDefinition());
        if (!rows.hasField(QStringLiteral("InterfaceKMName")))
            rows.addField(QStringLiteral("InterfaceKMName"), FieldType::Text);
        rows.setFilter(opening::accountRowFilter());
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    const int focus = rowsAbove_.size() > levels_.size() ? rowsAbove_.takeLast() : 0;
    loadRecords([&rows](RecordSet& target) { target = std::move(rows); });
    const int count = model()->rowCount();
    setFocusedRow(count == 0 ? -1 : std::min(focus, count - 1));
    btnExit()->setText(levels_.isEmpty() ? QStringLiteral("退出(&C)") : QStringLiteral("返回(&C)"));
    showPath();
    return true;
}

void TfrmIniKmData::refreshData() {
    query();
}

QVariant TfrmIniKmData::rowValue(const char* field) const {
    const int row = focusedRow();
    const int f = records().fieldIndex(QLatin1String(field));
    if (row < 0 || f < 0)
        return {};
    return records().at(model()->rawRow(row), f);
}

void TfrmIniKmData::showPath() {
    lblPath_->setText(opening::text::pathCaption() + rowValue("pathName").toString());
}

void TfrmIniKmData::btnDownLevelClick() {
    if (focusedRow() < 0)
        return;
    if (rowValue("sonnum").toLongLong() < 1) {
        btnModifyClick();
        return;
    }
    rowsAbove_.append(focusedRow());
    levels_.append(rowValue("id").toLongLong());
    query();
}

void TfrmIniKmData::btnUpLevelClick() {
    if (levels_.isEmpty())
        return;
    levels_.removeLast();
    query();
}

void TfrmIniKmData::btnExitClick() {
    if (!levels_.isEmpty()) {
        btnUpLevelClick();
        return;
    }
    TfrmXAbstract::btnExitClick();
}

void TfrmIniKmData::btnModifyClick() {
    if (balance_ || !btnModify_->isVisible() || focusedRow() < 0)
        return;
    if (refuse(opening::editRefusal(settings().IsOpen != 0, true, QString())))
        return;
    if (refuse(opening::accountRefusal(rowValue("sonnum").toLongLong(),
                                       rowValue("InterfaceKMName").toString())))
        return;
    TfrmIniInput dialog(titleText(), rowValue("fullname").toString(),
                        {F{QStringLiteral("Total"), QStringLiteral("期初金额"), K::Number,
                           numberText(rowValue("Total00"))}},
                        this);
    if (dialog.exec() != 1)
        return;
    ParamList p = opening::accountSave(rowValue("id").toLongLong(),
                                       dialog.number(QStringLiteral("Total")), settings().TotalDot);
    try {
        dataModule().ExecProc(opening::text::accountProc(), p);
    } catch (const DytError& e) {
        showError(e);
        return;
    }
    rowsAbove_.append(focusedRow());
    query();
}

}  // namespace dyt::client
