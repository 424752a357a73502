#include "client/queries/frmstockwindows.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/gridcolumn.h"
#include "client/logic/openingbalance.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "client/queries/frmininput.h"
#include "common/currency.h"
#include "common/error.h"
#include "common/formatting.h"
#include "common/recordset.h"

namespace dyt::client {

namespace stockwindows {

QString distributionSql(qint64 goodsId) {
    return QStringLiteral(
               "SELECT b.id AS ck_id, b.code AS ck_code, b.fullname AS ck_ckqm, "
               "SUM(a.qty) AS qty, SUM(a.total) AS total FROM baseGoodsStock AS a, baseCK AS b "
               "WHERE a.stockid = b.id AND a.goodsid = %1 "
               "GROUP BY b.id, b.code, b.fullname HAVING SUM(a.qty) <> 0 ORDER BY b.code")
        .arg(goodsId);
}

QString batchSql(qint64 goodsId, qint64 warehouseId) {
    QString sql = QStringLiteral(
                      "SELECT a.id, b.fullname AS ck_ckqm, a.ph, a.indate, a.yxqdate, a.qty, "
                      "a.price, a.total FROM baseGoodsStock AS a, baseCK AS b "
                      "WHERE a.stockid = b.id AND a.goodsid = %1 AND a.qty <> 0")
                      .arg(goodsId);
    // The warehouse with its sub-warehouses, as the report counts it: every warehouse whose
    // path holds the id.
    if (warehouseId > 0) {
        sql += QStringLiteral(" AND (b.par_jl LIKE '%1,%' OR b.par_jl LIKE '%,%1,%')")
                   .arg(warehouseId);
    }
    return sql + QStringLiteral(" ORDER BY a.indate, a.id");
}

}  // namespace stockwindows

namespace {

QLabel* headerLabel(TfrmXAbstract* window, const QString& caption, const char* name) {
    auto* l = new QLabel(window);
    l->setObjectName(QLatin1String(name));
    window->addHeaderField(caption, l);
    return l;
}

double number(const QVariant& v) {
    if (v.userType() == qMetaTypeId<Currency>())
        return v.value<Currency>().toDouble();
    return v.toDouble();
}

// The fields of the window's columns that the rows lack (an empty answer has none).
void addMissingFields(RecordSet& rows, const GridDefinition& grid) {
    for (const GridColumn& c : grid.columns) {
        if (c.fieldName.isEmpty() || rows.hasField(c.fieldName))
            continue;
        const bool text = c.numberKind == NumberKind::None;
        rows.addField(c.fieldName, text ? FieldType::Text : FieldType::Float, text ? 100 : 0);
    }
}

// price = |total ÷ qty| where the quantity is not 0; the server keeps no price of a sum.
void addUnitPrices(RecordSet& rows) {
    if (!rows.hasField(QStringLiteral("price")))
        rows.addField(QStringLiteral("price"), FieldType::Float);
    if (!rows.hasField(QStringLiteral("qty")) || !rows.hasField(QStringLiteral("total")))
        return;
    const int q = rows.fieldIndex(QStringLiteral("qty"));
    const int t = rows.fieldIndex(QStringLiteral("total"));
    const int p = rows.fieldIndex(QStringLiteral("price"));
    for (int r = 0; r < rows.rowCount(); ++r) {
        const double qty = number(rows.at(r, q));
        rows.setAt(r, p, std::abs(qty) < 1e-9 ? 0.0 : std::abs(number(rows.at(r, t)) / qty));
    }
}

}  // namespace

TfrmBaseGoodsFenBu::TfrmBaseGoodsFenBu(QWidget* parent) : TfrmXAbstract(parent) {
    setObjectName(QStringLiteral("TfrmBaseGoodsFenBu"));
    setTitle(QStringLiteral("商品分布"));
    lblGoods_ = headerLabel(this, QStringLiteral("商品："), "lblGoods");
    addColumn(QStringLiteral("ck_id"), QStringLiteral("ck_id"), false, 0);
    addColumn(QStringLiteral("[]仓库编号"), QStringLiteral("ck_code"), false, 90);
    addColumn(QStringLiteral("[]仓库全名"), QStringLiteral("ck_ckqm"), false, 160);
    addColumn(QStringLiteral("[%SUM%Q%]库存数量"), QStringLiteral("qty"), false, 80);
    addColumn(QStringLiteral("[%P%Cost%]成本单价"), QStringLiteral("price"), false, 80);
    addColumn(QStringLiteral("[%SUM%M%Cost%]库存金额"), QStringLiteral("total"), false, 100);
    tvCategory()->setVisible(false);
    addMissingFields(records(), gridDefinition());
    showRecords();
}

bool TfrmBaseGoodsFenBu::showGoods(qint64 goodsId, const QString& goodsName) {
    try {
        RecordSet rows;
        dataModule().ExecQuery(stockwindows::distributionSql(goodsId), &rows);
        addUnitPrices(rows);
        addMissingFields(rows, gridDefinition());
        goodsId_ = goodsId;
        lblGoods_->setText(goodsName);
        loadRecords([&rows](RecordSet& target) { target = std::move(rows); });
        return true;
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
}

void TfrmBaseGoodsFenBu::refreshData() {
    if (goodsId_ > 0)
        showGoods(goodsId_, lblGoods_->text());
}

TfrmBaseKCPCB::TfrmBaseKCPCB(QWidget* parent) : TfrmXAbstract(parent) {
    setObjectName(QStringLiteral("TfrmBaseKCPCB"));
    setTitle(QStringLiteral("库存批次表"));
    lblGoods_ = headerLabel(this, QStringLiteral("商品："), "lblGoods");
    lblWarehouse_ = headerLabel(this, QStringLiteral("仓库："), "lblCk");
    addColumn(QStringLiteral("id"), QStringLiteral("id"), false, 0);
    addColumn(QStringLiteral("[]仓库全名"), QStringLiteral("ck_ckqm"), false, 120);
    addColumn(QStringLiteral("[]批号"), QStringLiteral("ph"), false, 100);
    addColumn(QStringLiteral("[]入库日期"), QStringLiteral("indate"), false, 80);
    addColumn(QStringLiteral("[]有效期至"), QStringLiteral("yxqdate"), false, 80);
    addColumn(QStringLiteral("[%SUM%Q%]库存数量"), QStringLiteral("qty"), false, 80);
    addColumn(QStringLiteral("[%P%Cost%]成本单价"), QStringLiteral("price"), false, 80);
    addColumn(QStringLiteral("[%SUM%M%Cost%]库存金额"), QStringLiteral("total"), false, 100);
    tvCategory()->setVisible(false);
    addMissingFields(records(), gridDefinition());
    showRecords();
}

bool TfrmBaseKCPCB::showBatches(qint64 goodsId, const QString& goodsName, qint64 warehouseId,
                                const QString& warehouseName) {
    try {
        RecordSet rows;
        dataModule().ExecQuery(stockwindows::batchSql(goodsId, warehouseId), &rows);
        addMissingFields(rows, gridDefinition());
        goodsId_ = goodsId;
        warehouseId_ = warehouseId;
        lblGoods_->setText(goodsName);
        lblWarehouse_->setText(warehouseId > 0 ? warehouseName : QStringLiteral("全部仓库"));
        loadRecords([&rows](RecordSet& target) { target = std::move(rows); });
        return true;
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
}

void TfrmBaseKCPCB::refreshData() {
    if (goodsId_ <= 0)
        return;
    if (opening_)
        showOpeningBatches(goodsId_, lblGoods_->text(), warehouseId_, lblWarehouse_->text());
    else
        showBatches(goodsId_, lblGoods_->text(), warehouseId_, lblWarehouse_->text());
}

void TfrmBaseKCPCB::buildOpeningColumns() {
    gridDefinition().columns.clear();
    addColumn(QStringLiteral("id"), QStringLiteral("id"), false, 0);
    addColumn(QStringLiteral("[]批号"), QStringLiteral("ph"), false, 100);
    addColumn(QStringLiteral("[]生产日期"), QStringLiteral("outdate"), false, 80);
    addColumn(QStringLiteral("[]有效期至"), QStringLiteral("yxqdate"), false, 80);
    addColumn(QStringLiteral("[%SUM%Q%]期初数量"), QStringLiteral("qty"), false, 80);
    addColumn(QStringLiteral("[%P%Cost%]成本单价"), QStringLiteral("price"), false, 80);
    addColumn(QStringLiteral("[%SUM%M%Cost%]期初金额"), QStringLiteral("total"), false, 100);
    const auto action = [this](const char* text, const char* name) {
        auto* a = new QAction(QString::fromUtf8(text), this);
        a->setObjectName(QLatin1String(name));
        toolBar()->insertAction(btnPrint(), a);
        return a;
    };
    btnAdd_ = action("新增", "btnAdd");
    btnEdit_ = action("修改", "btnEdit");
    btnDelete_ = action("删除", "btnDelete");
    connect(btnAdd_, &QAction::triggered, this, [this] { btnAddClick(); });
    connect(btnEdit_, &QAction::triggered, this, [this] { btnEditClick(); });
    connect(btnDelete_, &QAction::triggered, this, [this] { btnDeleteClick(); });
    connect(dbgvX()->table(), &QTableView::doubleClicked, this, [this] { btnEditClick(); });
    // The opening batches are kept from the keyboard: Enter changes, Insert adds, Delete deletes.
    const std::pair<Qt::Key, void (TfrmBaseKCPCB::*)()> keys[] = {
        {Qt::Key_Return, &TfrmBaseKCPCB::btnEditClick},
        {Qt::Key_Insert, &TfrmBaseKCPCB::btnAddClick},
        {Qt::Key_Delete, &TfrmBaseKCPCB::btnDeleteClick}};
    for (const auto& [key, command] : keys) {
        bindGridKey(key, [this, command = command] {
            if (opening_)
                (this->*command)();
            return opening_;
        });
    }
}

bool TfrmBaseKCPCB::showOpeningBatches(qint64 goodsId, const QString& goodsName, qint64 warehouseId,
                                       const QString& warehouseName) {
    if (warehouseId <= 0) {
        prompter().message(caption::hint(), opening::text::batchAllWarehouses());
        return false;
    }
    if (!opening_) {
        opening_ = true;
        setTitle(QStringLiteral("期初库存批次"));
        buildOpeningColumns();
    }
    try {
        RecordSet rows;
        dataModule().ExecQuery(opening::openingBatchSql(goodsId, warehouseId), &rows);
        addMissingFields(rows, gridDefinition());
        goodsId_ = goodsId;
        warehouseId_ = warehouseId;
        lblGoods_->setText(goodsName);
        lblWarehouse_->setText(warehouseName);
        const int focus = std::max(0, focusedRow());
        loadRecords([&rows](RecordSet& target) { target = std::move(rows); });
        const int count = model()->rowCount();
        setFocusedRow(count == 0 ? -1 : std::min(focus, count - 1));
        return true;
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
}

void TfrmBaseKCPCB::btnAddClick() {
    editBatch(false);
}

void TfrmBaseKCPCB::btnEditClick() {
    if (focusedRow() < 0) {
        editBatch(false);
        return;
    }
    editBatch(true);
}

bool TfrmBaseKCPCB::save(ParamList params) {
    try {
        dataModule().ExecProc(opening::text::goodsStockProc(), params);
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    refreshData();
    Q_EMIT openingChanged();
    return true;
}

void TfrmBaseKCPCB::editBatch(bool current) {
    if (!opening_)
        return;
    if (settings().IsOpen != 0) {
        prompter().message(caption::hint(), opening::text::opened());
        return;
    }
    const RecordSet& rows = records();
    const int row = current ? model()->rawRow(focusedRow()) : -1;
    const auto value = [&rows, row](const char* field) {
        const int f = rows.fieldIndex(QLatin1String(field));
        return row < 0 || f < 0 ? QVariant() : rows.at(row, f);
    };
    const auto numberText = [&value](const char* field) {
        const double v = number(value(field));
        return v == 0 ? QString() : floatToStr(v);
    };
    using F = TfrmIniInput::Field;
    using K = TfrmIniInput::Kind;
    TfrmIniInput dialog(
        current ? QStringLiteral("修改批次") : QStringLiteral("新增批次"), lblGoods_->text(),
        {F{QStringLiteral("ph"), QStringLiteral("批号"), K::Text, value("ph").toString()},
         F{QStringLiteral("outdate"), QStringLiteral("生产日期"), K::Date,
           value("outdate").toString().left(10)},
         F{QStringLiteral("yxqdate"), QStringLiteral("有效期至"), K::Date,
           value("yxqdate").toString().left(10)},
         F{QStringLiteral("qty"), QStringLiteral("期初数量"), K::Number, numberText("qty")},
         F{QStringLiteral("total"), QStringLiteral("期初金额"), K::Number, numberText("total")},
         F{QStringLiteral("price"), QStringLiteral("成本单价"), K::Computed, {}}},
        this);
    dialog.computeUnitPrice();
    if (dialog.exec() != 1)
        return;
    opening::GoodsStockEntry e;
    e.id = current ? value("id").toLongLong() : 0;
    e.goodsId = goodsId_;
    e.warehouseId = warehouseId_;
    e.qty = dialog.number(QStringLiteral("qty"));
    e.total = dialog.number(QStringLiteral("total"));
    e.batchNo = dialog.text(QStringLiteral("ph"));
    e.outDate = dialog.text(QStringLiteral("outdate"));
    e.validDate = dialog.text(QStringLiteral("yxqdate"));
    e.batch = true;
    save(opening::goodsStockSave(e, settings().QtyDot, settings().TotalDot));
}

void TfrmBaseKCPCB::btnDeleteClick() {
    if (!opening_ || focusedRow() < 0)
        return;
    if (settings().IsOpen != 0) {
        prompter().message(caption::hint(), opening::text::opened());
        return;
    }
    if (!prompter().confirm(caption::hint(), QStringLiteral("确定要删除该批次吗？")))
        return;
    const RecordSet& rows = records();
    const int row = model()->rawRow(focusedRow());
    opening::GoodsStockEntry e;
    e.id = rows.at(row, rows.fieldIndex(QStringLiteral("id"))).toLongLong();
    e.goodsId = goodsId_;
    e.warehouseId = warehouseId_;
    e.batch = true;
    save(opening::goodsStockSave(e, settings().QtyDot, settings().TotalDot));
}

}  // namespace dyt::client
