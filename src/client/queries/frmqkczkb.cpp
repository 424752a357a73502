#include "client/queries/frmqkczkb.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShowEvent>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>
#include <tuple>
#include <utility>

#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/localcache.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "client/queries/frmselectitems.h"
#include "client/queries/frmstockwindows.h"
#include "common/error.h"

namespace dyt::client {

namespace {

qint64 operatorId() {
    return loginedUser().UserId;
}

// The sysConf switch that shows the auxiliary-unit detail.
constexpr int kAuxiliaryUnitSwitch = 2029;

}  // namespace

TfrmQKCZKB::TfrmQKCZKB(QWidget* parent) : TfrmQueryWindow(QStringLiteral("TfrmQKCZKB"), parent) {
    buildControls();
}

TfrmQKCZKB::TfrmQKCZKB(const QueryDescriptor& descriptor, QWidget* parent)
    : TfrmQueryWindow(descriptor, parent), report_(false) {
    buildControls();
}

void TfrmQKCZKB::buildControls() {
    // The reference price and the warehouse sit in the tool bar beside the other filters.
    const auto toolField = [this](const QString& caption, QWidget* editor) {
        auto* l = new QLabel(caption, toolBar());
        l->setBuddy(editor);
        l->setContentsMargins(8, 0, 2, 0);
        return std::pair{toolBar()->addWidget(l), toolBar()->addWidget(editor)};
    };
    cbPrice_ = new QComboBox(this);
    cbPrice_->setObjectName(QStringLiteral("cbPrice"));
    std::tie(priceCaption_, priceField_) = toolField(stockstatus::text::referencePrice(), cbPrice_);

    edWarehouse_ = new QLineEdit(this);
    edWarehouse_->setObjectName(QStringLiteral("edWarehouse"));
    edWarehouse_->setMinimumWidth(150);
    QAction* pick = edWarehouse_->addAction(QIcon(), QLineEdit::TrailingPosition);
    pick->setText(QStringLiteral("选择"));
    pick->setObjectName(QStringLiteral("actChooseWarehouse"));
    connect(pick, &QAction::triggered, this, [this] { chooseWarehouse(); });
    connect(edWarehouse_, &QLineEdit::returnPressed, this, [this] { chooseWarehouse(); });
    std::tie(warehouseCaption_, warehouseField_) =
        toolField(stockstatus::text::chooseWarehouse(), edWarehouse_);

    const auto action = [this](const char* text, const char* name) {
        auto* a = new QAction(QString::fromUtf8(text), this);
        a->setObjectName(QLatin1String(name));
        toolBar()->insertAction(btnPrint(), a);
        return a;
    };
    btnSelecAll_ = action("副单位明细", "btnSelecAll");
    btnBatchList_ = action("批次列表", "btnSelecAll_");
    btnAdd_ = action("商品分布", "btnAdd");
    connect(btnSelecAll_, &QAction::triggered, this, [this] { btnSelecAllClick(); });
    connect(btnBatchList_, &QAction::triggered, this, [this] { btnSelecAll_Click(); });
    connect(btnAdd_, &QAction::triggered, this, [this] { btnAddClick(); });
    btnPcxq_ = new QAction(QStringLiteral("批次详情"), this);
    btnPcxq_->setObjectName(QStringLiteral("btnpcxq"));
    pmBill()->addAction(btnPcxq_);
    connect(btnPcxq_, &QAction::triggered, this, [this] { btnpcxqClick(); });
    // Without the cost right the cost columns are not shown at all, not only masked.
    for (GridColumn& c : gridDefinition().columns) {
        if (c.masked)
            c.visible = false;
    }
    dbgvX()->applyColumns();
    showWarehouse();
}

TfrmQKCZKB::~TfrmQKCZKB() = default;

void TfrmQKCZKB::showEvent(QShowEvent* event) {
    TfrmQueryWindow::showEvent(event);
    if (opened_)
        return;
    opened_ = true;
    const QString menu = QString::number(tag());
    btnPrint()->setVisible(checkPurview(menu, QStringLiteral("02"), QStringLiteral("打印"), false));
    if (report_) {
        btnQList()->setVisible(
            checkPurview(menu, QStringLiteral("01"), QStringLiteral("明细账本"), false));
        btnSelecAll_->setVisible(btnQList()->isVisible() &&
                                 settings().Switch(kAuxiliaryUnitSwitch));
        btnBatchList_->setVisible(settings().CostAlgorithm == 1 || settings().CostAlgorithm == -1);
        fillReferencePrices();
    } else {
        for (QAction* a : {btnQList(), btnSelecAll_, btnBatchList_, priceCaption_, priceField_}) {
            if (a)
                a->setVisible(false);
        }
    }
    if (warehouseId_.isEmpty())
        presetSingleWarehouse();
    showWarehouse();
}

void TfrmQKCZKB::fillReferencePrices() {
    const QString menu = QString::number(tag());
    const QList<QString> names = stockstatus::priceLevelNames();
    QList<bool> rights;
    for (int level = 0; level < 4; ++level) {
        rights.append(
            checkPurview(menu, stockstatus::priceLevelSubRight(level), names[level], false));
    }
    const QList<stockstatus::ReferencePrice> choices =
        stockstatus::referencePriceChoices(rights, names, settings().ExtraReferencePrices);
    cbPrice_->clear();
    for (const stockstatus::ReferencePrice& c : choices)
        cbPrice_->addItem(c.name, c.code);
    // A widget of a tool bar shows and hides through its action.
    priceCaption_->setVisible(!choices.isEmpty());
    priceField_->setVisible(!choices.isEmpty());
    cbPrice_->setCurrentIndex(choices.isEmpty() ? -1 : 0);
}

int TfrmQKCZKB::referencePriceCode() const {
    if (cbPrice_->currentIndex() < 0)
        return stockstatus::kNoReferencePrice;
    return cbPrice_->currentData().toInt();
}

void TfrmQKCZKB::presetSingleWarehouse() {
    try {
        TLocalCache* cache = existingLocalCache();
        if (!cache)
            return;
        const RecordSet& warehouses = cache->GetWarehouses();
        const int idField = warehouses.fieldIndex(QStringLiteral("ck_id"));
        const int nameField = warehouses.fieldIndex(QStringLiteral("ck_ckqm"));
        if (warehouses.rowCount() != 1 || idField < 0 || nameField < 0)
            return;
        setWarehouse(warehouses.at(0, idField).toString(), warehouses.at(0, nameField).toString());
    } catch (const DytError&) {
        // A list that cannot be read presets nothing; the report covers all warehouses.
    }
}

void TfrmQKCZKB::setWarehouse(const QString& id, const QString& name) {
    const bool all = id.trimmed().isEmpty() || id.trimmed() == u"0";
    warehouseId_ = all ? QString() : id.trimmed();
    warehouseName_ = all ? QString() : name;
    showWarehouse();
}

void TfrmQKCZKB::showWarehouse() {
    const QString text =
        warehouseId_.isEmpty() ? stockstatus::text::allWarehouses() : warehouseName_;
    edWarehouse_->setText(text);
    lblCk()->setText(text);
}

void TfrmQKCZKB::chooseWarehouse() {
    const std::optional<PickerChoice> choice = pickRecord(
        PickerKind::Warehouse, edWarehouse_->text(),
        warehouseId_.isEmpty() ? stockstatus::text::allWarehouses() : warehouseName_, this);
    if (!choice) {
        showWarehouse();
        return;
    }
    setWarehouse(QString::number(choice->id), choice->name);
    runQuery(false);
}

void TfrmQKCZKB::btnAllckClick(const QString& tag, const QString& caption) {
    setWarehouse(tag, caption);
    runQuery(false);
}

void TfrmQKCZKB::rememberRow() {
    // Rows of a quick search belong to no level.
    if (searchResult_)
        return;
    rows_.store(nav_.category, focusedRow());
}

bool TfrmQKCZKB::runQuery(bool showDialog, const QString& quickText) {
    pendingFocus_.reset();
    stockstatus::Request r;
    r.operatorId = operatorId();
    r.fromDialog = showDialog;
    if (showDialog) {
        heldParams_.reset();
        dialog()->loadSharedDates();
        dialog()->setPicker(PickerRole::Warehouse, warehouseId_.toLongLong(), warehouseName_);
        if (!dialogRunner()(*dialog()))
            return false;
        conditions_ = dialog()->conditions();
        hasConditions_ = true;
        const query::PickedRecord wh = conditions_.record(PickerRole::Warehouse);
        setWarehouse(wh.id >= 1 ? QString::number(wh.id) : QString(), wh.name);
        r.dialogGoodsId = conditions_.record(PickerRole::Goods).id;
    } else {
        r.quickText = quickText;
    }
    r.warehouseId = warehouseId_;
    r.nav = nav_;
    r.qtyIndex = cbqty() ? cbqty()->currentIndex() : 0;
    r.referencePrice = referencePriceCode();
    ParamList p;
    try {
        p = queryParams(r);
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    const bool search = !r.fromDialog && !r.quickText.isEmpty();
    const int focus = search ? 0 : rows_.row(nav_.category);
    if (!execute(p, focus))
        return false;
    searchResult_ = search;
    return true;
}

ParamList TfrmQKCZKB::queryParams(const stockstatus::Request& request) const {
    return stockstatus::buildParams(request);
}

void TfrmQKCZKB::hideWarehousePicker() {
    warehouseCaption_->setVisible(false);
    warehouseField_->setVisible(false);
}

void TfrmQKCZKB::openStockWindow(const QString& className, qint64 goodsId,
                                 const QString& goodsName) {
    try {
        const QueryDescriptor* target = findQueryDescriptor(className);
        if (!target)
            throw DytError(QStringLiteral("未知的查询窗口[%1]").arg(className));
        const query::QueryDates& dates = query::sharedQueryDates();
        auto child = std::make_unique<TfrmQueryWindow>(target->className);
        const int filterIndex = child->cbred()   ? child->cbred()->currentIndex()
                                : child->cbqty() ? child->cbqty()->currentIndex()
                                                 : 0;
        const ParamList p = stockstatus::followOnParams(
            *target, operatorId(), goodsId, warehouseId_, dates.begin, dates.end, filterIndex);
        child->lblDate()->setText(query::dateText(dates.begin) + query::text::rangeSeparator() +
                                  query::dateText(dates.end));
        child->lblCk()->setText(lblCk()->text());
        if (child->lblGoods())
            child->lblGoods()->setText(goodsName);
        TfrmQueryWindow* shown = child.release();
        queryChildHost()(shown);
        shown->runWithParams(p);
    } catch (const DytError& e) {
        showError(e);
    }
}

void TfrmQKCZKB::btnQListClick() {
    if (!btnQList()->isVisible() || !btnQList()->isEnabled())
        return;
    if (model()->rowCount() == 0 || focusedRow() < 0)
        return;
    openStockWindow(QStringLiteral("TfrmQSPMX"), focusedValue(QStringLiteral("sp_id")).toLongLong(),
                    focusedValue(QStringLiteral("sp_spqm")).toString());
}

void TfrmQKCZKB::btnSelecAllClick() {
    if (!btnSelecAll_->isVisible() || model()->rowCount() == 0 || focusedRow() < 0)
        return;
    openStockWindow(QStringLiteral("TfrmQFDWKCSLMX"),
                    focusedValue(QStringLiteral("sp_id")).toLongLong(),
                    focusedValue(QStringLiteral("sp_spqm")).toString());
}

void TfrmQKCZKB::btnSelecAll_Click() {
    if (!btnBatchList_->isVisible())
        return;
    openStockWindow(QStringLiteral("TfrmQKCPCLB"), 0, QString());
}

void TfrmQKCZKB::btnAddClick() {
    if (model()->rowCount() == 0 || focusedRow() < 0)
        return;
    auto window = std::make_unique<TfrmBaseGoodsFenBu>();
    if (!window->showGoods(focusedValue(QStringLiteral("sp_id")).toLongLong(),
                           focusedValue(QStringLiteral("sp_spqm")).toString()))
        return;
    queryChildHost()(window.release());
}

void TfrmQKCZKB::btnpcxqClick() {
    if (model()->rowCount() == 0 || focusedRow() < 0)
        return;
    const qint64 goodsId = focusedValue(QStringLiteral("sp_id")).toLongLong();
    // The row of that goods in the result.
    const RecordSet& rows = records();
    const int idField = rows.fieldIndex(QStringLiteral("sp_id"));
    int row = model()->rawRow(focusedRow());
    for (int r = 0; idField >= 0 && r < rows.rowCount(); ++r) {
        if (rows.at(r, idField).toLongLong() == goodsId) {
            row = r;
            break;
        }
    }
    const auto value = [&rows, row](const char* field) {
        const int f = rows.fieldIndex(QLatin1String(field));
        return f < 0 ? QVariant() : rows.at(row, f);
    };
    const QString refusal =
        stockstatus::batchDetailRefusal(value("sonnum").toLongLong(), value("costMode").toInt());
    if (!refusal.isEmpty()) {
        prompter().message(caption::hint(), refusal);
        return;
    }
    auto window = std::make_unique<TfrmBaseKCPCB>();
    if (!window->showBatches(goodsId, value("sp_spqm").toString(), warehouseId_.toLongLong(),
                             warehouseName_))
        return;
    queryChildHost()(window.release());
}

}  // namespace dyt::client
