#include "client/queries/frmquery.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QShowEvent>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>

#include "client/bills/billkinds.h"
#include "client/common/gridview.h"
#include "client/common/windowregistry.h"
#include "client/logic/clientconfig.h"
#include "client/logic/dmmain.h"
#include "client/logic/localcache.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/session.h"
#include "client/queries/frmselectitems.h"
#include "common/condition.h"
#include "common/error.h"
#include "common/inifile.h"

namespace dyt::client {

namespace {

qint64 operatorId() {
    return loginedUser().UserId;
}

QStringList redFilterItems() {
    return {QStringLiteral("全部显示"), QStringLiteral("不显示红冲单据"),
            QStringLiteral("只显示红冲单据")};
}

}  // namespace

ChildWindowHost& queryChildHost() {
    static ChildWindowHost host = [](QWidget* window) {
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
    };
    return host;
}

std::function<bool(TfrmSelectItems&)>& TfrmQueryWindow::dialogRunner() {
    static std::function<bool(TfrmSelectItems&)> runner = [](TfrmSelectItems& dialog) {
        return dialog.exec() == 1;
    };
    return runner;
}

TfrmQueryWindow::TfrmQueryWindow(const QString& className, QWidget* parent)
    : TfrmQueryWindow(
          [&]() -> const QueryDescriptor& {
              const QueryDescriptor* d = findQueryDescriptor(className);
              if (!d)
                  throw DytError(QStringLiteral("未知的查询窗口[%1]").arg(className));
              return *d;
          }(),
          parent) {}

TfrmQueryWindow::TfrmQueryWindow(const QueryDescriptor& descriptor, QWidget* parent)
    : TfrmXAbstract(parent), d_(descriptor) {
    setObjectName(d_.className);
    setTitle(d_.title);
    dialog_ = std::make_unique<TfrmSelectItems>(d_.dialogClass);
    dialog_->selectPage(d_.dialogPage);
    buildControls();
    buildColumns();
    showRecords();
    setExitCaption();
}

TfrmQueryWindow::~TfrmQueryWindow() = default;

QString TfrmQueryWindow::layoutKey() const {
    return d_.className + QStringLiteral("_dbgvX");
}

void TfrmQueryWindow::buildControls() {
    const auto label = [this](const char* caption, QLabel** out, const char* name) {
        *out = new QLabel(this);
        (*out)->setObjectName(QLatin1String(name));
        addHeaderField(QString::fromUtf8(caption), *out);
    };
    label("查询时间：", &lblDate_, "lblDate");
    label("往来单位：", &lblWldw_, "lblWldw");
    label("内部职员：", &lblZy_, "lblZy");
    label("仓库：", &lblCk_, "lblCk");
    label("部门：", &lblBm_, "lblBm");
    if (d_.subject == QuerySubject::Ledger)
        label("商品：", &lblGoods_, "lblGoods");
    // The date range is read whole: "yyyy-mm-dd 至 yyyy-mm-dd".
    lblDate_->setMinimumWidth(
        lblDate_->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 至 0000-00-00")) + 4);

    // The filters and the quick search sit in the tool bar, the band keeps the conditions.
    const auto toolField = [this](const QString& caption, QWidget* editor) {
        auto* l = new QLabel(caption, toolBar());
        l->setBuddy(editor);
        l->setContentsMargins(8, 0, 2, 0);
        toolBar()->addWidget(l);
        toolBar()->addWidget(editor);
    };
    toolBar()->addSeparator();
    if (d_.redBillCombo) {
        cbRed_ = new QComboBox(this);
        cbRed_->setObjectName(QStringLiteral("cbred"));
        cbRed_->addItems(redFilterItems());
        toolField(QStringLiteral("红冲单据"), cbRed_);
    } else if (!d_.opensBills()) {
        cbQty_ = new QComboBox(this);
        cbQty_->setObjectName(QStringLiteral("cbqty"));
        cbQty_->addItems(query::text::qtyFilterItems());
        toolField(query::text::qtyFilter(), cbQty_);
    }
    if (d_.tree == QueryTree::Goods) {
        edQuick_ = new QLineEdit(this);
        edQuick_->setObjectName(QStringLiteral("edQuick"));
        QAction* search = edQuick_->addAction(QIcon(), QLineEdit::TrailingPosition);
        search->setText(QStringLiteral("查找"));
        search->setObjectName(QStringLiteral("actQuickSearch"));
        connect(search, &QAction::triggered, this, [this] { quickSearch(); });
        connect(edQuick_, &QLineEdit::returnPressed, this, [this] { quickSearch(); });
        edQuick_->setMinimumWidth(140);
        edQuick_->installEventFilter(this);
        toolField(query::text::quickSearch(), edQuick_);
    }

    const auto action = [this](const char* text, const char* name) {
        auto* a = new QAction(QString::fromUtf8(text), this);
        a->setObjectName(QLatin1String(name));
        toolBar()->insertAction(btnPrint(), a);
        return a;
    };
    btnQuery_ = action("查询", "btnQuery");
    btnRefurbish_ = action("刷新数据", "btnRefurbish");
    connect(btnQuery_, &QAction::triggered, this, [this] { btnQueryClick(); });
    connect(btnRefurbish_, &QAction::triggered, this, [this] { btnRefurbishClick(); });
    if (d_.tree == QueryTree::Goods) {
        btnList_ = action("列表显示", "btnList");
        connect(btnList_, &QAction::triggered, this, [this] { btnListClick(); });
    }
    if (!d_.drillDown.isEmpty()) {
        btnQList_ = action("明细账本", "btnQList");
        connect(btnQList_, &QAction::triggered, this, [this] { btnQListClick(); });
    }
    if (d_.opensBills()) {
        btnBill_ = action("查看单据", "btnBill");
        connect(btnBill_, &QAction::triggered, this, [this] { btnBillClick(); });
    }

    // The stored filter choices of this window (section: its title).
    const auto storedIndex = [this](const QString& key, int count) {
        bool ok = false;
        const int i =
            clientConfig().ini().readString(configSection(), key, QStringLiteral("0")).toInt(&ok);
        return ok && i >= 0 && i < count ? i : 0;
    };
    if (cbQty_) {
        cbQty_->setCurrentIndex(storedIndex(query::text::qtyIndexKey(), cbQty_->count()));
        connect(cbQty_, &QComboBox::currentIndexChanged, this,
                [this](int i) { qtyFilterChanged(i); });
    }
    if (cbRed_) {
        cbRed_->setCurrentIndex(storedIndex(query::text::redIndexKey(), cbRed_->count()));
        connect(cbRed_, &QComboBox::currentIndexChanged, this,
                [this](int i) { redFilterChanged(i); });
    }

    // A row goes down by double-click or Enter. Not through the view's "activated": it comes with
    // every double-click as well (and with a single click under some styles).
    connect(dbgvX()->table(), &QTableView::doubleClicked, this, [this] { btnDownLevelClick(); });
    bindGridKey(Qt::Key_Return, [this] {
        btnDownLevelClick();
        return true;
    });
    connect(tvCategory(), &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
        if (item)
            treeNodeChosen(item->data(0, Qt::UserRole).toLongLong());
    });
    setLabels();
}

void TfrmQueryWindow::buildColumns() {
    for (const QueryColumn& c : d_.columns)
        addColumn(c.caption, c.field, false, c.width);
    addMissingFields(records());
}

// The distribution reports answer a quantity and an amount per warehouse that holds stock; the
// grid follows the warehouses of each answer, under their names.
void TfrmQueryWindow::showWarehouseSpread(const RecordSet& rows) {
    QStringList fields;
    for (const Field& f : rows.fields())
        fields << f.name;
    const QList<QueryColumn> spread = warehouseSpreadColumns(fields, [](qint64 id) {
        try {
            if (TLocalCache* cache = existingLocalCache()) {
                const RecordSet& list = cache->GetWarehouses();
                const int idField = list.fieldIndex(QStringLiteral("ck_id"));
                const int nameField = list.fieldIndex(QStringLiteral("ck_ckqm"));
                for (int r = 0; idField >= 0 && nameField >= 0 && r < list.rowCount(); ++r) {
                    if (list.at(r, idField).toLongLong() == id)
                        return list.at(r, nameField).toString();
                }
            }
        } catch (const DytError&) {
            // Without the list the column keeps the warehouse's number.
        }
        return QString();
    });
    QStringList now;
    for (const QueryColumn& c : spread)
        now << c.field;
    if (now == spreadFields_)
        return;
    QList<GridColumn>& columns = gridDefinition().columns;
    columns.erase(std::remove_if(columns.begin(), columns.end(),
                                 [this](const GridColumn& c) {
                                     return spreadFields_.contains(c.fieldName);
                                 }),
                  columns.end());
    for (const QueryColumn& c : spread)
        addColumn(c.caption, c.field, false, c.width);
    spreadFields_ = now;
}

void TfrmQueryWindow::addMissingFields(RecordSet& rows) const {
    for (const QueryColumn& c : d_.columns) {
        if (rows.hasField(c.field))
            continue;
        const bool number = c.caption.contains(QLatin1String("%Q%")) ||
                            c.caption.contains(QLatin1String("%M%")) ||
                            c.caption.contains(QLatin1String("%P%"));
        rows.addField(c.field, number ? FieldType::Float : FieldType::Text, number ? 0 : 100);
    }
}

void TfrmQueryWindow::FormCreate() {
    TfrmXAbstract::FormCreate();
    created_ = true;
}

void TfrmQueryWindow::showEvent(QShowEvent* event) {
    TfrmXAbstract::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    btnPrint()->setVisible(
        checkPurview(QString::number(tag()), QStringLiteral("01"), QStringLiteral("打印"), false));
    if (d_.tree != QueryTree::None && !nav_.listMode)
        loadTree();
    // A window without conditions shows its rows at once.
    if (!d_.sql.isEmpty())
        runQuery(false);
}

bool TfrmQueryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (edQuick_ && watched == edQuick_ &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            edQuick_->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return TfrmXAbstract::eventFilter(watched, event);
}

bool TfrmQueryWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && edQuick_ && focusWidget() == edQuick_)
        edQuick_->setFocus(Qt::ActiveWindowFocusReason);
    return TfrmXAbstract::event(event);
}

void TfrmQueryWindow::loadTree() {
    try {
        ParamList p = query::buildTreeParams(d_.tree, operatorId());
        if (d_.subject == QuerySubject::StockStatus) {
            p.setValue(QStringLiteral("GoodsStr"),
                       conditionSegment(QStringLiteral("czy_id"), QString::number(operatorId())) +
                           QStringLiteral(";sptype=0;TreeView=1"));
        }
        RecordSet rows;
        dataModule().ExecProcQuery(QStringLiteral("P_JXC_Get_Base"), p, &rows);
        treeRows_ = std::move(rows);
        LoadCategoryTree(treeRows_);
    } catch (const DytError& e) {
        showError(e);
    }
}

void TfrmQueryWindow::setLabels() {
    const query::QueryConditions& c = conditions_;
    lblDate_->setText(hasConditions_ && c.dates
                          ? query::dateText(c.begin) + query::text::rangeSeparator() +
                                query::dateText(c.end)
                          : QString());
    const auto show = [&c](QLabel* l, PickerRole role, PickerKind kind) {
        const query::PickedRecord r = c.record(role);
        l->setText(query::conditionLabel(kind, r.id, r.name));
        l->setToolTip(l->text());
    };
    show(lblWldw_, PickerRole::Partner, PickerKind::Partner);
    show(lblZy_, PickerRole::Employee, PickerKind::Employee);
    show(lblCk_, PickerRole::Warehouse, PickerKind::Warehouse);
    show(lblBm_, PickerRole::Department, PickerKind::Department);
    if (lblGoods_)
        show(lblGoods_, PickerRole::Goods, PickerKind::Goods);
    // The band takes the new widths at once.
    if (QLayout* l = panBillTitle()->layout())
        l->activate();
}

void TfrmQueryWindow::setExitCaption() {
    btnExit()->setText(nav_.category == 0 ? query::text::exitCaption()
                                          : query::text::backCaption());
}

QVariant TfrmQueryWindow::focusedValue(const QString& field) const {
    const int row = focusedRow();
    const int f = records().fieldIndex(field);
    if (row < 0 || f < 0)
        return {};
    return records().at(model()->rawRow(row), f);
}

void TfrmQueryWindow::btnQueryClick() {
    heldParams_.reset();
    runQuery(true);
}

void TfrmQueryWindow::btnRefurbishClick() {
    runQuery(false);
}

void TfrmQueryWindow::refreshData() {
    btnRefurbishClick();
}

bool TfrmQueryWindow::ensureConditions() {
    if (hasConditions_)
        return true;
    // Without a dialog yet: the dialog's opening values.
    dialog_->loadSharedDates();
    if (!dialog_->accept())
        return false;
    conditions_ = dialog_->conditions();
    hasConditions_ = true;
    return true;
}

int TfrmQueryWindow::takePendingFocus() {
    const int focus = pendingFocus_.value_or(std::max(0, focusedRow()));
    pendingFocus_.reset();
    return focus;
}

bool TfrmQueryWindow::runQuery(bool showDialog, const QString& quickText) {
    int focus = takePendingFocus();
    if (!quickText.isEmpty())
        focus = 0;
    if (!d_.sql.isEmpty())
        return executeSql(focus);
    if (heldParams_ && !showDialog) {
        ParamList p = *heldParams_;
        if (d_.redBillCombo) {
            p.setValue(QStringLiteral("filter"),
                       QStringLiteral(";isred=") + QString::number(cbRed_->currentIndex()));
        }
        return execute(p, focus);
    }
    if (showDialog) {
        if (!askConditions())
            return false;
        hasConditions_ = true;
    } else if (!ensureConditions()) {
        return false;
    }
    setLabels();
    if (d_.procedure.isEmpty()) {
        prompter().message(caption::hint(), QStringLiteral("该查询没有可调用的数据过程"));
        return false;
    }
    query::QueryRequest r;
    r.descriptor = &d_;
    r.operatorId = operatorId();
    r.qtyIndex = cbQty_ ? cbQty_->currentIndex() : 0;
    r.redIndex = cbRed_ ? cbRed_->currentIndex() : 0;
    r.conditions = conditions_;
    r.nav = nav_;
    r.quickText = quickText;
    ParamList p;
    try {
        p = query::buildQueryParams(r);
        completeParams(p);
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    return execute(p, focus);
}

bool TfrmQueryWindow::askConditions() {
    dialog_->loadSharedDates();
    if (!dialogRunner()(*dialog_))
        return false;
    conditions_ = dialog_->conditions();
    return true;
}

void TfrmQueryWindow::setConditions(const query::QueryConditions& conditions) {
    conditions_ = conditions;
    hasConditions_ = true;
}

bool TfrmQueryWindow::runWithParams(const ParamList& params) {
    heldParams_ = params;
    return runQuery(false);
}

bool TfrmQueryWindow::execute(const ParamList& params, int focusRow) {
    if (d_.procedure.isEmpty())
        return false;
    ParamList p = params;
    // The text as sent: the call writes the answer's values back into the list.
    const QString sent = p.text();
    RecordSet rows;
    try {
        dataModule().ExecProcQuery(d_.procedure, p, &rows);
        // A column the answer lacks stays empty.
        addMissingFields(rows);
        query::deriveAveragePrices(rows, d_.derived, query::text::priceFormat());
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    showWarehouseSpread(rows);
    lastParams_ = sent;
    dbgvX()->setUpdatesEnabled(false);
    loadRecords([&rows](RecordSet& target) { target = std::move(rows); });
    dbgvX()->setUpdatesEnabled(true);
    const int count = model()->rowCount();
    setFocusedRow(count == 0 ? -1 : std::min(focusRow, count - 1));
    setExitCaption();
    return true;
}

bool TfrmQueryWindow::executeSql(int focusRow) {
    RecordSet rows;
    try {
        dataModule().ExecQuery(d_.sql, &rows);
        addMissingFields(rows);
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    loadRecords([&rows](RecordSet& target) { target = std::move(rows); });
    const int count = model()->rowCount();
    setFocusedRow(count == 0 ? -1 : std::min(focusRow, count - 1));
    return true;
}

void TfrmQueryWindow::rememberRow() {
    rowMemory_.insert(nav_.category, std::max(0, focusedRow()));
}

int TfrmQueryWindow::rememberedRow(qint64 category) const {
    return rowMemory_.value(category, 0);
}

void TfrmQueryWindow::btnDownLevelClick() {
    if (focusedRow() < 0)
        return;
    const qint64 sonnum = focusedValue(QStringLiteral("sonnum")).toLongLong();
    if (sonnum != 0 && d_.tree != QueryTree::None && !nav_.listMode) {
        const QString idField = d_.subject == QuerySubject::StockStatus ? QStringLiteral("sp_id")
                                                                        : QStringLiteral("id");
        const qint64 id = focusedValue(idField).toLongLong();
        rememberRow();
        nav_.path = focusedValue(QStringLiteral("par_jl")).toString();
        nav_.category = id;
        pendingFocus_ = rememberedRow(id);
        runQuery(false);
        return;
    }
    activateRow();
}

void TfrmQueryWindow::activateRow() {
    if (btnQList_)
        btnQListClick();
    else if (btnBill_)
        btnBillClick();
}

bool TfrmQueryWindow::insideCategory() const {
    if (nav_.listMode || d_.tree == QueryTree::None)
        return false;
    if (nav_.category != 0)
        return true;
    // A result of a level below the top (a tree node or a search) also has a parent level.
    return model()->rowCount() > 0 && focusedValue(QStringLiteral("par_id")).toLongLong() != 0;
}

void TfrmQueryWindow::btnUpLevelClick() {
    if (!insideCategory())
        return;
    rememberRow();
    nav_.path = query::parentPath(nav_.path);
    nav_.category = query::lastPathId(nav_.path);
    pendingFocus_ = rememberedRow(nav_.category);
    runQuery(false);
}

void TfrmQueryWindow::btnExitClick() {
    if (insideCategory()) {
        btnUpLevelClick();
        return;
    }
    TfrmXAbstract::btnExitClick();
}

void TfrmQueryWindow::setListMode(bool on) {
    nav_.listMode = on;
    if (btnList_)
        btnList_->setText(on ? query::text::levelMode() : query::text::listMode());
    tvCategory()->setVisible(!on && treeRows_.fieldCount() > 0);
}

void TfrmQueryWindow::btnListClick() {
    if (!btnList_)
        return;
    if (!nav_.listMode) {
        qint64 listCategory = 0;
        if (model()->rowCount() > 0 && focusedRow() >= 0) {
            const QString name = focusedValue(QStringLiteral("sp_spqm")).toString();
            const int answer =
                prompter().ask(query::text::listChoice(), query::text::listChoice(),
                               {query::text::listAll(), query::text::listPart(name)}, 0);
            if (answer < 0)
                return;
            if (answer == 1) {
                if (focusedValue(QStringLiteral("sonnum")).toLongLong() == 0) {
                    prompter().message(caption::hint(), query::text::listOnlyCategory());
                    return;
                }
                listCategory = focusedValue(QStringLiteral("sp_id")).toLongLong();
            }
        }
        nav_.listCategory = listCategory;
        setListMode(true);
    } else {
        setListMode(false);
    }
    pendingFocus_ = 0;
    runQuery(false);
}

void TfrmQueryWindow::btnQListClick() {
    if (!btnQList_ || !btnQList_->isVisible() || !btnQList_->isEnabled())
        return;
    if (model()->rowCount() == 0 || focusedRow() < 0)
        return;
    try {
        const QueryDescriptor* ledger = findQueryDescriptor(d_.drillDown);
        if (!ledger)
            throw DytError(QStringLiteral("未知的查询窗口[%1]").arg(d_.drillDown));
        // A goods row opens the ledger of its goods, a partner row that of its partner.
        const bool partner = d_.subject == QuerySubject::Partner;
        const qint64 recordId =
            focusedValue(partner ? QStringLiteral("dw_id") : QStringLiteral("sp_id")).toLongLong();
        const QString name =
            focusedValue(partner ? QStringLiteral("dw_dwqm") : QStringLiteral("sp_spqm"))
                .toString();
        auto* child = new TfrmQueryWindow(ledger->className);
        child->conditions_ = conditions_;
        child->hasConditions_ = hasConditions_;
        child->lblDate_->setText(lblDate_->text());
        child->lblWldw_->setText(partner ? name : lblWldw_->text());
        child->lblZy_->setText(lblZy_->text());
        child->lblCk_->setText(lblCk_->text());
        child->lblBm_->setText(lblBm_->text());
        if (child->lblGoods_ && !partner)
            child->lblGoods_->setText(name);
        const ParamList p =
            query::buildLedgerParams(lastParams_, *ledger, operatorId(), recordId,
                                     child->cbRed_ ? child->cbRed_->currentIndex() : 0, d_.subject);
        queryChildHost()(child);
        child->runWithParams(p);
    } catch (const DytError& e) {
        showError(e);
    }
}

void TfrmQueryWindow::btnBillClick() {
    if (!btnBill_ || !btnBill_->isVisible() || !btnBill_->isEnabled())
        return;
    if (model()->rowCount() == 0 || focusedRow() < 0)
        return;
    try {
        const qint64 id = focusedValue(QStringLiteral("id")).toLongLong();
        const int djType = focusedValue(QStringLiteral("djType")).toInt();
        if (const BillKind* kind = findBillKind(djType); kind && kind->menuTag > 0)
            checkPurview(QString::number(kind->menuTag), QString(), QString(), true);
        QWidget* bill = OpenBill(djType, id);
        connect(bill, &QObject::destroyed, this, [this] { billClosed(); });
        queryChildHost()(bill);
    } catch (const DytError& e) {
        showError(e);
    }
}

void TfrmQueryWindow::quickSearch() {
    if (!edQuick_ || edQuick_->isReadOnly())
        return;
    runQuery(false, edQuick_->text());
}

void TfrmQueryWindow::qtyFilterChanged(int index) {
    try {
        clientConfig().ini().writeString(configSection(), query::text::qtyIndexKey(),
                                         QString::number(index));
    } catch (const DytError& e) {
        showError(e);
    }
    if (shown_)
        runQuery(false);
}

void TfrmQueryWindow::redFilterChanged(int index) {
    try {
        clientConfig().ini().writeString(configSection(), query::text::redIndexKey(),
                                         QString::number(index));
    } catch (const DytError& e) {
        showError(e);
    }
    if (shown_)
        runQuery(false);
}

void TfrmQueryWindow::treeNodeChosen(qint64 id) {
    if (!tvCategory()->isVisible() || id == 0)
        return;
    if (!treeRows_.locate(QStringLiteral("id"), id))
        return;
    rememberRow();
    nav_.path = treeRows_.text(QStringLiteral("par_jl"));
    nav_.category = id;
    pendingFocus_ = rememberedRow(id);
    runQuery(false);
}

}  // namespace dyt::client
