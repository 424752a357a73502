#include "client/queries/frmsysbjb.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QShowEvent>
#include <QSpinBox>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>

#include "client/bills/billkinds.h"
#include "client/common/gridview.h"
#include "client/logic/alerts.h"
#include "client/logic/dmmain.h"
#include "client/logic/localcache.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "client/queries/frmquery.h"
#include "common/error.h"

namespace dyt::client {

namespace {

int* daySetting(TSettings& s, int index) {
    int* const fields[] = {&s.ShelfLifeWarnDays, &s.ReceivableWarnDays, &s.PayableWarnDays,
                           &s.PurchaseOrderWarnDays, &s.SalesOrderWarnDays};
    return fields[index];
}

// The advance-day field of the SQL kinds (shelf life, receivables, payables); -1 for the others.
int daysFieldOf(int kind) {
    switch (kind) {
        case alerts::kShelfLife:
            return 0;
        case alerts::kOverdueReceivables:
            return 1;
        case alerts::kOverduePayables:
            return 2;
        default:
            return -1;
    }
}

bool isNumberCaption(const QString& caption) {
    for (const char* tag : {"%Q%", "%M%", "%P%"}) {
        if (caption.contains(QLatin1String(tag)))
            return true;
    }
    return false;
}

// Copies the fields named in `columns` from the current row of `source` into row `row` of
// `rows` where that cell is empty.
void copyDescription(RecordSet& rows, int row, const RecordSet& source,
                     const QList<alerts::Column>& columns) {
    for (const alerts::Column& c : columns) {
        const int to = rows.fieldIndex(c.field);
        const int from = source.fieldIndex(c.field);
        if (to < 0 || from < 0 || !rows.at(row, to).toString().isEmpty())
            continue;
        rows.setAt(row, to, source.value(from));
    }
}

}  // namespace

TfrmsysBJB::TfrmsysBJB(QWidget* parent) : TfrmXAbstract(parent) {
    setObjectName(QStringLiteral("TfrmsysBJB"));
    setTitle(alerts::text::title());
    buildControls();
}

void TfrmsysBJB::buildControls() {
    auto* box = new QWidget(panBillTitle());
    box->setObjectName(QStringLiteral("panSettings"));
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    lblKind_ = new QLabel(box);
    lblKind_->setObjectName(QStringLiteral("lblKind"));
    QFont bold = lblKind_->font();
    bold.setBold(true);
    lblKind_->setFont(bold);
    grid->addWidget(lblKind_, 0, 0, 1, 2);
    cbPopup_ = new QCheckBox(alerts::text::popupAtLogin(), box);
    cbPopup_->setObjectName(QStringLiteral("cbPopup"));
    grid->addWidget(cbPopup_, 0, 2, 1, 2);
    const QStringList names = alerts::daySettingNames();
    for (int i = 0; i < names.size(); ++i) {
        auto* edit = new QSpinBox(box);
        edit->setObjectName(QStringLiteral("edDays%1").arg(i + 1));
        edit->setRange(0, 9999);
        edit->setMaximumWidth(80);
        auto* label = new QLabel(names.at(i) + u'：', box);
        label->setBuddy(edit);
        // Row 1: shelf life, receivables, payables; row 2: the two orders and the warehouse.
        const int row = i < 3 ? 1 : 2;
        const int column = (i < 3 ? i : i - 3) * 2;
        grid->addWidget(label, row, column);
        grid->addWidget(edit, row, column + 1);
        edDays_[i] = edit;
    }
    cbWarehouse_ = new QComboBox(box);
    cbWarehouse_->setObjectName(QStringLiteral("cbWarehouse"));
    cbWarehouse_->setMinimumWidth(140);
    auto* warehouse = new QLabel(alerts::text::warehouse() + u'：', box);
    warehouse->setBuddy(cbWarehouse_);
    grid->addWidget(warehouse, 2, 4);
    grid->addWidget(cbWarehouse_, 2, 5);
    grid->setColumnStretch(6, 1);
    panBillTitle()->layout()->addWidget(box);

    btnBill_ = new QAction(alerts::text::viewBill(), this);
    btnBill_->setObjectName(QStringLiteral("btnBill"));
    toolBar()->insertAction(btnPrint(), btnBill_);
    connect(btnBill_, &QAction::triggered, this, [this] { btnBillClick(); });

    // A kind is run as soon as it becomes current: by click or by the arrow keys.
    connect(tvCategory(), &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
                if (item)
                    runKind(item->data(0, Qt::UserRole).toInt());
            });
    connect(dbgvX()->table(), &QTableView::doubleClicked, this, [this] { btnBillClick(); });
    bindGridKey(Qt::Key_Return, [this] { return btnBillClick(); });
    // The stock-limit kinds follow the warehouse chosen.
    connect(cbWarehouse_, &QComboBox::activated, this, [this] {
        if (alerts::usesStockReport(kind_))
            runKind(kind_);
    });
}

void TfrmsysBJB::showEvent(QShowEvent* event) {
    TfrmXAbstract::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    btnPrint()->setVisible(checkPurview(QString::number(alerts::kFunctionCode),
                                        QStringLiteral("01"), QStringLiteral("打印"), false));
    fillSettings();
    fillWarehouses();
    loadKinds();
}

void TfrmsysBJB::fillSettings() {
    TSettings& s = settings();
    cbPopup_->setChecked(s.Switch(alerts::kPopupSwitch));
    for (int i = 0; i < 5; ++i)
        edDays_[i]->setValue(*daySetting(s, i));
}

void TfrmsysBJB::fillWarehouses() {
    cbWarehouse_->clear();
    cbWarehouse_->addItem(alerts::text::allWarehouses(), 0);
    try {
        TLocalCache* cache = existingLocalCache();
        if (!cache)
            return;
        const RecordSet& rows = cache->GetWarehouses();
        const int id = rows.fieldIndex(QStringLiteral("ck_id"));
        const int name = rows.fieldIndex(QStringLiteral("ck_ckqm"));
        if (id < 0 || name < 0)
            return;
        for (int r = 0; r < rows.rowCount(); ++r)
            cbWarehouse_->addItem(rows.at(r, name).toString(), rows.at(r, id).toLongLong());
    } catch (const DytError& e) {
        showError(e);
    }
}

void TfrmsysBJB::loadKinds() {
    try {
        RecordSet rows;
        dataModule().ExecQuery(alerts::kindListSql(), &rows);
        LoadCategoryTree(rows);
    } catch (const DytError& e) {
        showError(e);
        return;
    }
    // The first kind is shown at once; the arrow keys walk on from there.
    QTreeWidget* tree = tvCategory();
    if (tree->topLevelItemCount() > 0)
        tree->setCurrentItem(tree->topLevelItem(0));
    tree->setFocus();
}

void TfrmsysBJB::buildColumns() {
    gridDefinition().columns.clear();
    for (const alerts::Column& c : alerts::columnsOf(kind_)) {
        GridColumn& column = addColumn(c.caption, c.field, false, c.width);
        if (c.width == 0)
            column.visible = false;
    }
}

void TfrmsysBJB::addKindFields(RecordSet& rows) const {
    for (const alerts::Column& c : alerts::columnsOf(kind_)) {
        if (!rows.hasField(c.field)) {
            const bool number = isNumberCaption(c.caption);
            rows.addField(c.field, number ? FieldType::Float : FieldType::Text, number ? 0 : 100);
        }
    }
}

void TfrmsysBJB::describeRows(RecordSet& rows) const {
    addKindFields(rows);
    TLocalCache* cache = existingLocalCache();
    if (!cache || !cache->isOpen())
        return;
    const int goods = rows.fieldIndex(QStringLiteral("sp_id"));
    const int partner = rows.fieldIndex(QStringLiteral("dw_id"));
    const int store = rows.fieldIndex(QStringLiteral("ck_id"));
    const int storeName = rows.fieldIndex(QStringLiteral("ck_ckqm"));
    const RecordSet* warehouses = store >= 0 ? &cache->GetWarehouses() : nullptr;
    const bool showsGoods = alerts::usesStockReport(kind_) || kind_ == alerts::kShelfLife;
    for (int r = 0; r < rows.rowCount(); ++r) {
        if (goods >= 0 && showsGoods && cache->FindGoods(rows.at(r, goods).toLongLong()))
            copyDescription(rows, r, cache->cdsbaseGoods, alerts::goodsColumns());
        if (partner >= 0 && cache->FindPartner(rows.at(r, partner).toLongLong()))
            copyDescription(rows, r, cache->cdsbaseDW, alerts::partnerColumns());
        if (warehouses && storeName >= 0) {
            const int id = warehouses->fieldIndex(QStringLiteral("ck_id"));
            const int name = warehouses->fieldIndex(QStringLiteral("ck_ckqm"));
            for (int w = 0; id >= 0 && name >= 0 && w < warehouses->rowCount(); ++w) {
                if (warehouses->at(w, id).toLongLong() == rows.at(r, store).toLongLong())
                    rows.setAt(r, storeName, warehouses->at(w, name));
            }
        }
    }
}

bool TfrmsysBJB::runKind(int kind) {
    if (alerts::kindName(kind).isEmpty())
        return false;
    if (kind_ > 0)
        focusedRows_.insert(kind_, focusedRow());
    kind_ = kind;
    lblKind_->setText(alerts::kindName(kind));
    buildColumns();
    RecordSet rows;
    try {
        ProgressScope busy(alerts::text::busy());
        TdmMain& dm = dataModule();
        if (alerts::usesStockReport(kind)) {
            ParamList p = alerts::stockLimitParams(kind, loginedUser().UserId,
                                                   cbWarehouse_->currentData().toLongLong());
            dm.ExecProcQuery(alerts::text::stockProcedure(), p, &rows);
        } else {
            // The days as the operator sees them in the window, stored or not.
            const int field = daysFieldOf(kind);
            const int days = field < 0 ? 0 : edDays_[field]->value();
            const TSettings& s = settings();
            const QDate today = s.LoginDate.isValid() ? s.LoginDate : QDate::currentDate();
            dm.ExecQuery(alerts::kindSql(kind, today, days, s.SettlementMode), &rows);
        }
        describeRows(rows);
    } catch (const DytError& e) {
        // The kind's columns stay, without rows.
        RecordSet none;
        addKindFields(none);
        records() = std::move(none);
        showRecords();
        showError(e);
        return false;
    }
    records() = std::move(rows);
    showRecords();
    // The operator's layout of this kind's columns.
    loadLayout();
    btnBill_->setEnabled(alerts::listsBills(kind));
    const int count = model()->rowCount();
    if (count > 0)
        setFocusedRow(std::clamp(focusedRows_.value(kind, 0), 0, count - 1));
    return true;
}

void TfrmsysBJB::refreshData() {
    if (kind_ > 0)
        runKind(kind_);
}

bool TfrmsysBJB::btnBillClick() {
    if (!alerts::listsBills(kind_) || focusedRow() < 0 || model()->rowCount() == 0)
        return false;
    const RecordSet& rs = records();
    const int raw = model()->rawRow(focusedRow());
    const qint64 id = rs.at(raw, rs.fieldIndex(QStringLiteral("id"))).toLongLong();
    const int djType = rs.at(raw, rs.fieldIndex(QStringLiteral("djType"))).toInt();
    try {
        if (const BillKind* kind = findBillKind(djType); kind && kind->menuTag > 0)
            checkPurview(QString::number(kind->menuTag), QString(), QString(), true);
        queryChildHost()(OpenBill(djType, id));
        return true;
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
}

bool TfrmsysBJB::saveSettings() {
    TSettings& s = settings();
    try {
        TdmMain& dm = dataModule();
        const bool popup = cbPopup_->isChecked();
        dm.ExecUpdate(alerts::popupSql(popup));
        s.setSwitch(alerts::kPopupSwitch, popup);
        const QStringList names = alerts::daySettingNames();
        for (int i = 0; i < names.size(); ++i) {
            ParamList p = alerts::daySettingParams(names.at(i), edDays_[i]->value());
            dm.ExecProc(alerts::text::settingProcedure(), p);
            *daySetting(s, i) = edDays_[i]->value();
        }
        return true;
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
}

void TfrmsysBJB::closeEvent(QCloseEvent* event) {
    // The query-only mode changes nothing on the server.
    if (shown_ && !queryOnly())
        saveSettings();
    TfrmXAbstract::closeEvent(event);
}

QString TfrmsysBJB::layoutKey() const {
    // Each kind has columns of its own.
    return TfrmXAbstract::layoutKey() + QString::number(kind_);
}

}  // namespace dyt::client
