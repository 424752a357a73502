#include "client/queries/frmqkcpd2.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>

#include "client/bills/billkinds.h"
#include "client/bills/goodsbill.h"
#include "client/common/griddelegate.h"
#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "client/logic/stockstatus.h"
#include "client/logic/stocktake.h"
#include "client/queries/frmquery.h"
#include "client/queries/frmselectitems.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"

namespace dyt::client {

namespace {

// The fields of the rows shown before any warehouse is chosen, so that the columns bind.
void addEmptyFields(RecordSet& rows, const GridDefinition& grid) {
    for (const GridColumn& c : grid.columns) {
        if (c.fieldName.isEmpty() || rows.hasField(c.fieldName))
            continue;
        const bool text = c.numberKind == NumberKind::None;
        rows.addField(c.fieldName, text ? FieldType::Text : FieldType::Float, text ? 100 : 0);
    }
}

QDate workingDate() {
    const QDate d = settings().LoginDate;
    return d.isValid() ? d : QDate::currentDate();
}

}  // namespace

TfrmQKCPD2::TfrmQKCPD2(QWidget* parent) : TfrmXAbstract(parent) {
    setObjectName(QStringLiteral("TfrmQKCPD2"));
    setTitle(stocktake::text::title());

    edWarehouse_ = new QLineEdit(this);
    edWarehouse_->setObjectName(QStringLiteral("edWarehouse"));
    edWarehouse_->setMinimumWidth(160);
    QAction* pick = edWarehouse_->addAction(QIcon(), QLineEdit::TrailingPosition);
    pick->setText(QStringLiteral("选择"));
    pick->setObjectName(QStringLiteral("actChooseWarehouse"));
    connect(pick, &QAction::triggered, this, [this] { chooseWarehouse(); });
    connect(edWarehouse_, &QLineEdit::returnPressed, this, [this] { chooseWarehouse(); });
    addHeaderField(stocktake::text::warehouse(), edWarehouse_);
    btnMakeBill_ = new QPushButton(stocktake::text::makeBill(), this);
    btnMakeBill_->setObjectName(QStringLiteral("btnMakeBill"));
    btnMakeBill_->setAutoDefault(false);
    // A click leaves the cursor in the counts; Tab still reaches the button.
    btnMakeBill_->setFocusPolicy(Qt::TabFocus);
    toolBar()->insertWidget(btnPrint(), btnMakeBill_);
    connect(btnMakeBill_, &QPushButton::clicked, this, [this] { btnMakeBillClick(); });

    addColumn(QStringLiteral("sp_id"), QStringLiteral("sp_id"), false, 0).visible = false;
    addColumn(QStringLiteral("[]商品编号"), QStringLiteral("sp_spbh"), false, 100);
    addColumn(QStringLiteral("[]商品全名"), QStringLiteral("sp_spqm"), false, 180);
    addColumn(QStringLiteral("[]规格"), QStringLiteral("sp_gg"), false, 80);
    addColumn(QStringLiteral("[]型号"), QStringLiteral("sp_xh"), false, 80);
    addColumn(QStringLiteral("[]单位"), QStringLiteral("sp_dw"), false, 50);
    addColumn(QStringLiteral("[%SUM%Q%]账面数量"), QStringLiteral("stockqty"), false, 90);
    addColumn(QStringLiteral("[%SUM%Q%]") + stocktake::text::countedQty(), stocktake::countField(),
              true, 90);
    gridDefinition().footerVisible = true;
    tvCategory()->setVisible(false);
    addEmptyFields(records(), gridDefinition());
    showRecords();

    QTableView* table = dbgvX()->table();
    table->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                           QAbstractItemView::EditKeyPressed);
    if (auto* delegate = qobject_cast<GridItemDelegate*>(table->itemDelegate()))
        connect(delegate, &GridItemDelegate::editorReturned, this,
                [this](const QModelIndex& index) { moveDown(index); });
}

TfrmQKCPD2::~TfrmQKCPD2() = default;

int TfrmQKCPD2::countColumn() {
    return gridDefinition().columnIndex(stocktake::countField());
}

void TfrmQKCPD2::chooseWarehouse() {
    const std::optional<PickerChoice> choice =
        pickRecord(PickerKind::Warehouse, edWarehouse_->text(), warehouseName_, this);
    if (!choice) {
        edWarehouse_->setText(warehouseName_);
        return;
    }
    showWarehouse(choice->id, choice->name);
}

bool TfrmQKCPD2::showWarehouse(qint64 id, const QString& name) {
    try {
        ParamList p = stocktake::goodsParams(loginedUser().UserId, id);
        RecordSet rows;
        dataModule().ExecProcQuery(stockstatus::text::procedure(), p, &rows);
        stocktake::addCountField(rows);
        addEmptyFields(rows, gridDefinition());
        warehouseId_ = id;
        warehouseName_ = name;
        edWarehouse_->setText(name);
        loadRecords([&rows](RecordSet& target) { target = std::move(rows); });
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    if (model()->rowCount() > 0)
        enterCount(0);
    return true;
}

void TfrmQKCPD2::refreshData() {
    if (warehouseId_ > 0)
        showWarehouse(warehouseId_, warehouseName_);
}

void TfrmQKCPD2::enterCount(int row) {
    QTableView* table = dbgvX()->table();
    const int column = countColumn();
    if (row < 0 || row >= model()->rowCount() || column < 0)
        return;
    table->setCurrentIndex(model()->index(row, column));
    table->setFocus(Qt::OtherFocusReason);
}

void TfrmQKCPD2::moveDown(const QModelIndex& from) {
    if (from.isValid() && from.row() + 1 < model()->rowCount())
        enterCount(from.row() + 1);
}

bool TfrmQKCPD2::eventFilter(QObject* watched, QEvent* event) {
    QTableView* table = dbgvX()->table();
    if (watched == table && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // Enter on a cell not being edited passes it by: a goods not counted stays empty.
        if (enter && key->modifiers() == Qt::NoModifier && table->currentIndex().isValid()) {
            moveDown(table->currentIndex());
            return true;
        }
    }
    return TfrmXAbstract::eventFilter(watched, event);
}

void TfrmQKCPD2::btnMakeBillClick() {
    try {
        // A count still being typed belongs to the draft.
        if (auto* delegate = qobject_cast<GridItemDelegate*>(dbgvX()->table()->itemDelegate()))
            delegate->closeOpenEditor(true);
        if (warehouseId_ <= 0)
            throw DytError(stocktake::text::noWarehouse());
        const QList<stocktake::Count> counts = stocktake::countsOf(records());
        ParamList p = stocktake::draftParams(warehouseId_, workingDate(),
                                             stocktake::linesText(counts, settings().QtyDot));
        const int result = dataModule().ExecProc(stocktake::text::procedure(), p, true);
        const qint64 billId = p.intValue(QStringLiteral("id"), result);
        if (billId <= 0)
            throw DytError(QStringLiteral("服务器没有返回盘点单的编号"));
        prompter().message(caption::hint(), stocktake::text::draftMade());
        queryChildHost()(OpenBill(kStocktakeType, billId));
    } catch (const DytError& e) {
        showError(e);
    }
}

}  // namespace dyt::client
