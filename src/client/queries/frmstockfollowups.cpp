#include "client/queries/frmstockfollowups.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QShowEvent>
#include <QTableView>
#include <QToolBar>

#include <algorithm>

#include "client/bills/billkinds.h"
#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/settings.h"
#include "client/logic/stockfollowups.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"

namespace dyt::client {

namespace {

QDate workingDate() {
    const QDate d = settings().LoginDate;
    return d.isValid() ? d : QDate::currentDate();
}

void openDraft(qint64 id) {
    queryChildHost()(OpenBill(stockfollow::kPurchaseBill, id));
}

}  // namespace

TfrmQStockDraftWindow::TfrmQStockDraftWindow(const QString& className, QWidget* parent)
    : TfrmQueryWindow(className, parent) {
    btnMakeBill_ = new QAction(stockfollow::text::makeBill(), this);
    btnMakeBill_->setObjectName(QStringLiteral("btnMakeBill"));
    toolBar()->insertAction(btnPrint(), btnMakeBill_);
    dbgvX()->table()->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(btnMakeBill_, &QAction::triggered, this, [this] { btnMakeBillClick(); });
}

void TfrmQStockDraftWindow::showEvent(QShowEvent* event) {
    TfrmQueryWindow::showEvent(event);
    // The draft is a purchase bill: the operator's right to save purchase drafts.
    const BillKind* kind = findBillKind(stockfollow::kPurchaseBill);
    btnMakeBill_->setVisible(kind &&
                             checkPurview(QString::number(kind->menuTag), QStringLiteral("02"),
                                          stockfollow::text::makeBill(), false));
}

QList<int> TfrmQStockDraftWindow::chosenRows() {
    QList<int> all;
    for (int r = 0; r < model()->rowCount(); ++r)
        all << model()->rawRow(r);
    QList<int> chosen;
    for (const QModelIndex& index : dbgvX()->table()->selectionModel()->selectedRows())
        chosen << model()->rawRow(index.row());
    std::sort(chosen.begin(), chosen.end());
    if (chosen.isEmpty() || chosen.size() == all.size())
        return all;
    const int answer =
        prompter().ask(stockfollow::text::makeBill(), stockfollow::text::chooseGoods(),
                       {stockfollow::text::allGoods(), stockfollow::text::chosenGoods()}, 1);
    if (answer < 0)
        return {};
    return answer == 0 ? all : chosen;
}

bool TfrmQStockDraftWindow::btnMakeBillClick() {
    if (!btnMakeBill_->isVisible() || !btnMakeBill_->isEnabled())
        return false;
    if (model()->rowCount() == 0) {
        prompter().message(caption::hint(), stockfollow::text::nothingToOrder());
        return false;
    }
    const QList<int> rows = chosenRows();
    if (rows.isEmpty())
        return false;
    try {
        const qint64 id = makeDraft(rows);
        if (id <= 0)
            return false;
        refreshData();
        return true;
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
}

TfrmQKCXXBJ::TfrmQKCXXBJ(QWidget* parent)
    : TfrmQStockDraftWindow(QStringLiteral("TfrmQKCXXBJ"), parent) {}

qint64 TfrmQKCXXBJ::makeDraft(const QList<int>& rows) {
    ParamList p = stockfollow::warnDraftParams(lastParams(), stockfollow::goodsOf(records(), rows),
                                               workingDate());
    const int result = dataModule().ExecProc(stockfollow::text::warnProcedure(), p, true);
    const qint64 id = p.intValue(QStringLiteral("id"), result);
    prompter().message(caption::hint(),
                       stockfollow::text::draftMade(p.value(QStringLiteral("code"))));
    openDraft(id);
    return id;
}

TfrmQSPZNBHJH::TfrmQSPZNBHJH(QWidget* parent)
    : TfrmQStockDraftWindow(QStringLiteral("TfrmQSPZNBHJH"), parent) {}

qint64 TfrmQSPZNBHJH::makeDraft(const QList<int>& rows) {
    const TSettings& s = settings();
    const QString lines = stockfollow::planLines(records(), rows, s.QtyDot, s.PriceDot);
    qint64 warehouse = conditions().record(PickerRole::Extra).id;
    if (warehouse <= 0)
        warehouse = conditions().record(PickerRole::Warehouse).id;
    TdmMain& dm = dataModule();
    ParamList header = stockfollow::planDraftParams(conditions().record(PickerRole::Partner).id,
                                                    warehouse, workingDate());
    const int result = dm.ExecProc(stockfollow::text::indexProcedure(), header, true);
    const qint64 id = header.intValue(QStringLiteral("id"), result);
    ParamList add;
    add.setInt(QStringLiteral("id"), id);
    add.setValue(QStringLiteral("Lines"), lines);
    try {
        dm.ExecProc(stockfollow::text::listProcedure(), add, true);
    } catch (const DytError&) {
        // The plan becomes a draft whole or not at all: the empty draft goes again.
        ParamList drop;
        drop.setInt(QStringLiteral("billid"), id);
        try {
            dm.ExecProc(stockfollow::text::deleteProcedure(), drop, false);
        } catch (const DytError&) {
            // The refusal of the lines is what the operator needs to read.
        }
        throw;
    }
    const QString made = stockfollow::text::draftMade(header.value(QStringLiteral("code")));
    if (prompter().confirm(caption::hint(), made + u'\n' + stockfollow::text::postNow(),
                           buttons::yesNo())) {
        ParamList post;
        post.setInt(QStringLiteral("id"), id);
        try {
            dm.ExecProc(stockfollow::text::postProcedure(), post, true);
            prompter().message(caption::hint(), stockfollow::text::posted());
            return id;
        } catch (const DytError& e) {
            // The draft stays; the bill shows what keeps it from being posted.
            showError(e);
        }
    }
    openDraft(id);
    return id;
}

TfrmQKCSXXBJSZ::TfrmQKCSXXBJSZ(QWidget* parent)
    : TfrmQueryWindow(QStringLiteral("TfrmQKCSXXBJSZ"), parent) {
    for (GridColumn& c : gridDefinition().columns) {
        if (c.fieldName == QLatin1String("warnDown") || c.fieldName == QLatin1String("warnUp"))
            c.editable = true;
    }
    showRecords();
    dbgvX()->table()->setEditTriggers(QAbstractItemView::AnyKeyPressed |
                                      QAbstractItemView::DoubleClicked |
                                      QAbstractItemView::EditKeyPressed);
    connect(model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& index) { cellChanged(index); });
}

void TfrmQKCSXXBJSZ::cellChanged(const QModelIndex& index) {
    if (saving_ || !index.isValid())
        return;
    const auto& columns = gridDefinition().columns;
    if (index.column() < 0 || index.column() >= columns.size() ||
        !columns.at(index.column()).editable)
        return;
    saveLimits(model()->rawRow(index.row()));
}

bool TfrmQKCSXXBJSZ::saveLimits(int row) {
    const RecordSet& rs = records();
    const auto value = [&](const char* field) {
        const int f = rs.fieldIndex(QString::fromLatin1(field));
        return f < 0 ? QVariant() : rs.at(row, f);
    };
    try {
        if (value("sonnum").toLongLong() > 0)
            throw DytError(stockfollow::text::categoryLimits());
        ParamList p = stockfollow::limitParams(
            value("sp_id").toLongLong(), value("warnUp").toString(), value("warnDown").toString());
        dataModule().ExecProc(stockfollow::text::limitProcedure(), p, true);
        return true;
    } catch (const DytError& e) {
        showError(e);
        saving_ = true;
        refreshData();
        saving_ = false;
        return false;
    }
}

}  // namespace dyt::client
