// The bill picking: its queries, marks and result, and the window over them.
#include "client/bills/frmselectbill.h"

#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include "client/bills/selectionservices.h"
#include "client/bills/selectwindow.h"
#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "common/error.h"

namespace dyt::client {

namespace selbilltext {
QString periodText(const QDate& begin, const QDate& end) {
    return QStringLiteral("查询时间:") + begin.toString(QStringLiteral("yyyy-MM-dd")) +
           QStringLiteral(" 至 ") + end.toString(QStringLiteral("yyyy-MM-dd"));
}
}  // namespace selbilltext

namespace {

QString markField() {
    return QStringLiteral("isSelect");
}

// Adds the mark field when the rows lack it and clears every mark.
void prepareMarks(RecordSet& rows) {
    if (!rows.hasField(markField()))
        rows.addField(markField(), FieldType::Integer);
    BillPicking::markAll(rows, false);
}

qint64 integerAt(const RecordSet& rows, int row, const QString& field) {
    const int f = rows.fieldIndex(field);
    if (f < 0)
        return 0;
    return rows.at(row, f).toLongLong();
}

// The rows of `source` whose mark is set, without the mark field.
RecordSet markedRows(const RecordSet& source) {
    RecordSet out;
    const int mark = source.fieldIndex(markField());
    QList<int> keep;
    for (int f = 0; f < source.fieldCount(); ++f) {
        if (f == mark)
            continue;
        const Field& field = source.field(f);
        const int added = out.addField(field.name, field.type, field.size);
        out.field(added).displayName = field.displayName;
        keep.append(f);
    }
    for (int r = 0; r < source.rowCount(); ++r) {
        if (!BillPicking::isMarked(source, r))
            continue;
        RecordSet::Row row;
        for (int f : keep)
            row.append(source.at(r, f));
        out.appendRow(row);
    }
    out.first();
    return out;
}

// Adds the fields the columns name but the rows lack (empty values), so that every column binds.
void ensureColumnFields(RecordSet& rows, const GridDefinition& def) {
    for (const GridColumn& c : def.columns) {
        if (c.fieldName.isEmpty() || rows.hasField(c.fieldName))
            continue;
        rows.addField(c.fieldName, c.isNumber() ? FieldType::Float : FieldType::Text);
    }
}

}  // namespace

bool isTakeOverKindList(const QString& djStr) {
    static const int kinds[] = {4, 71, 45, 43, 8, 35, 38, 61, 62, 64, 65};
    for (int k : kinds) {
        if (djStr == QStringLiteral("(") + QString::number(k) + QStringLiteral(")"))
            return true;
    }
    return false;
}

QString orderFilterText(const QList<qint64>& orderIds) {
    QString text = QStringLiteral("orderid in (") + QStringLiteral("0,");
    for (qint64 id : orderIds)
        text += QString::number(id) + QStringLiteral(",");
    return text + QStringLiteral("0)");
}

// --- BillPicking

BillPicking::BillPicking(SelectBillArgs args) : args_(std::move(args)) {}

void BillPicking::setPeriod(const QDate& begin, const QDate& end) {
    args_.beginDate = begin;
    args_.endDate = end;
}

bool BillPicking::hasPeriod() const {
    return args_.beginDate.isValid() && args_.endDate.isValid();
}

ParamList BillPicking::listParams() const {
    ParamList p;
    p.setValue(QStringLiteral("dj_state"), QStringLiteral("2"));
    p.setValue(QStringLiteral("QueryType"), QString());
    p.setValue(QStringLiteral("filter"), isTakeOverKindList(args_.djStr)
                                             ? QStringLiteral(";isred=1;isOver=0")
                                             : QStringLiteral(";isred=1"));
    p.setValue(QStringLiteral("wldwStr"), args_.wldwStr);
    p.setValue(QStringLiteral("zyStr"), QStringLiteral(";czy_id=") +
                                            QString::number(loginedUser().UserId) +
                                            QStringLiteral(";candel=0") + args_.zyStr);
    p.setValue(QStringLiteral("ckStr"), args_.ckStr);
    p.setValue(QStringLiteral("bmStr"), args_.bmStr);
    p.setValue(QStringLiteral("kmStr"), args_.kmStr);
    p.setValue(QStringLiteral("GoodsStr"), args_.goodsStr);
    p.setValue(QStringLiteral("djStr"), args_.djStr);
    p.setValue(QStringLiteral("BeginDate"), args_.beginDate.toString(QStringLiteral("yyyy-MM-dd")));
    p.setValue(QStringLiteral("EndDate"), args_.endDate.toString(QStringLiteral("yyyy-MM-dd")));
    return p;
}

void BillPicking::runList() {
    ParamList p = listParams();
    RecordSet fresh;
    dataModule().ExecProcQuery(QStringLiteral("P_JXC_DJ_GetDJIndex"), p, &fresh);
    prepareMarks(fresh);
    fresh.first();
    bills_ = std::move(fresh);
    lines_.clear();
}

QList<qint64> BillPicking::markedBillIds() const {
    QList<qint64> ids;
    for (int r = 0; r < bills_.rowCount(); ++r) {
        if (isMarked(bills_, r))
            ids.append(integerAt(bills_, r, QStringLiteral("id")));
    }
    return ids;
}

QString BillPicking::markedBillList() const {
    QString text = QStringLiteral(" (");
    for (qint64 id : markedBillIds())
        text += QString::number(id) + QStringLiteral(",");
    return text + QStringLiteral(" 0)");
}

ParamList BillPicking::linesParams() const {
    ParamList p;
    p.setValue(QStringLiteral("djStr"), markedBillList());
    p.setValue(QStringLiteral("QueryType"), QStringLiteral("xuandan"));
    p.setValue(QStringLiteral("filter"),
               QStringLiteral(";djtype=") + QString::number(args_.djType));
    return p;
}

void BillPicking::runLines() {
    ParamList p = linesParams();
    RecordSet fresh;
    dataModule().ExecProcQuery(QStringLiteral("P_JXC_DJ_GetDJList"), p, &fresh);
    prepareMarks(fresh);
    fresh.first();
    lines_ = std::move(fresh);
}

void BillPicking::setMark(RecordSet& rows, int row, bool marked) {
    const int f = rows.fieldIndex(markField());
    if (f < 0 || row < 0 || row >= rows.rowCount())
        return;
    rows.setAt(row, f, coerceValue(QVariant(marked ? 1 : 0), rows.field(f).type));
}

bool BillPicking::isMarked(const RecordSet& rows, int row) {
    const int f = rows.fieldIndex(markField());
    if (f < 0 || row < 0 || row >= rows.rowCount())
        return false;
    const QVariant& v = rows.at(row, f);
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    return v.toString().trimmed() == u"1";
}

void BillPicking::markAll(RecordSet& rows, bool marked) {
    for (int r = 0; r < rows.rowCount(); ++r)
        setMark(rows, r, marked);
}

QList<qint64> BillPicking::markedOrderIds() const {
    QList<qint64> ids;
    for (int r = 0; r < lines_.rowCount(); ++r) {
        if (isMarked(lines_, r))
            ids.append(integerAt(lines_, r, QStringLiteral("orderid")));
    }
    return ids;
}

SelectBillResult BillPicking::result() const {
    if (bills_.rowCount() == 0)
        throw DytError(selbilltext::noBill());
    const QList<qint64> orders = markedOrderIds();
    if (orders.isEmpty())
        throw DytError(selbilltext::noLine());
    SelectBillResult r;
    r.orderFilter = orderFilterText(orders);
    r.lines = markedRows(lines_);
    // The lines refer to where they come from.
    for (const char* target : {"s_id", "s_orderid"}) {
        if (!r.lines.hasField(QLatin1String(target)))
            r.lines.addField(QLatin1String(target), FieldType::Integer);
    }
    const int sid = r.lines.fieldIndex(QStringLiteral("s_id"));
    const int sorder = r.lines.fieldIndex(QStringLiteral("s_orderid"));
    for (int l = 0; l < r.lines.rowCount(); ++l) {
        r.lines.setAt(
            l, sid,
            coerceValue(integerAt(r.lines, l, QStringLiteral("id")), r.lines.field(sid).type));
        r.lines.setAt(l, sorder,
                      coerceValue(integerAt(r.lines, l, QStringLiteral("orderid")),
                                  r.lines.field(sorder).type));
    }
    // The bills the marked lines come from, in list order.
    QList<qint64> sources;
    for (int l = 0; l < lines_.rowCount(); ++l) {
        if (isMarked(lines_, l))
            sources.append(integerAt(lines_, l, QStringLiteral("id")));
    }
    RecordSet bills = bills_;
    for (int b = 0; b < bills.rowCount(); ++b)
        setMark(bills, b, sources.contains(integerAt(bills, b, QStringLiteral("id"))));
    r.bills = markedRows(bills);
    return r;
}

// --- the period dialog

PeriodAsker& periodAsker() {
    static PeriodAsker asker = askBillPeriod;
    return asker;
}

bool askBillPeriod(QDate* begin, QDate* end, QWidget* parent) {
    return askPeriod(selbilltext::periodTitle(), selbilltext::periodPrompt(), begin, end, parent);
}

bool askPeriod(const QString& title, const QString& prompt, QDate* begin, QDate* end,
               QWidget* parent) {
    TfrmBaseDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("TfrmSelectDate"));
    dlg.setWindowTitle(title);
    dlg.lbltitle()->setText(prompt);
    auto* from = new QDateEdit(dlg.contentBox());
    from->setObjectName(QStringLiteral("edBegin"));
    auto* to = new QDateEdit(dlg.contentBox());
    to->setObjectName(QStringLiteral("edEnd"));
    for (QDateEdit* e : {from, to}) {
        e->setCalendarPopup(true);
        e->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    const QDate today = QDate::currentDate();
    from->setDate(begin->isValid() ? *begin : QDate(today.year(), today.month(), 1));
    to->setDate(end->isValid() ? *end : today);
    auto* grid = new QGridLayout(dlg.contentBox());
    grid->addWidget(new QLabel(QStringLiteral("开始日期"), dlg.contentBox()), 0, 0);
    grid->addWidget(from, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("结束日期"), dlg.contentBox()), 1, 0);
    grid->addWidget(to, 1, 1);
    if (dlg.exec() != 1)
        return false;
    *begin = from->date();
    *end = to->date();
    return true;
}

// --- the window

TfrmSelectBill::TfrmSelectBill(const SelectBillArgs& args, QWidget* parent)
    : TfrmBaseDialog(parent), picking_(args) {
    setObjectName(QStringLiteral("TfrmSelectBill"));
    setWindowTitle(selbilltext::title());
    lbltitle()->setText(selbilltext::title());
    btnOK()->setText(selbilltext::confirm());
    resize(980, 620);
    buildColumns();

    lblPeriod_ = new QLabel(selbilltext::periodText(args.beginDate, args.endDate), contentBox());
    lblPeriod_->setObjectName(QStringLiteral("lblPeriod"));
    billGrid_ = new GridView(contentBox());
    billGrid_->setObjectName(QStringLiteral("grdBill"));
    lineGrid_ = new GridView(contentBox());
    lineGrid_->setObjectName(QStringLiteral("grdGoods"));
    billModel_ = new RecordSetModel(this);
    lineModel_ = new RecordSetModel(this);
    for (GridView* g : {billGrid_, lineGrid_}) {
        g->table()->setSortingEnabled(false);
        g->table()->setSelectionBehavior(QAbstractItemView::SelectRows);
        g->table()->setSelectionMode(QAbstractItemView::SingleSelection);
        g->table()->installEventFilter(this);
    }

    btnPickLines_ = new QPushButton(selbilltext::pickLines(), contentBox());
    btnPickLines_->setObjectName(QStringLiteral("btnSelectGoods"));
    btnMarkAll_ = new QPushButton(selbilltext::markAll(), contentBox());
    btnMarkAll_->setObjectName(QStringLiteral("btnSelectAll"));
    btnUnmarkAll_ = new QPushButton(selbilltext::unmarkAll(), contentBox());
    btnUnmarkAll_->setObjectName(QStringLiteral("btnUnselectAll"));
    for (QPushButton* b : {btnPickLines_, btnMarkAll_, btnUnmarkAll_})
        b->setAutoDefault(false);
    connect(btnPickLines_, &QPushButton::clicked, this, [this] { pickLinesClick(); });
    connect(btnMarkAll_, &QPushButton::clicked, this, [this] { markAllClick(true); });
    connect(btnUnmarkAll_, &QPushButton::clicked, this, [this] { markAllClick(false); });

    auto* top = new QHBoxLayout;
    top->addWidget(lblPeriod_, 1);
    top->addWidget(btnPickLines_);
    top->addWidget(btnMarkAll_);
    top->addWidget(btnUnmarkAll_);
    auto* splitter = new QSplitter(Qt::Vertical, contentBox());
    splitter->addWidget(billGrid_);
    splitter->addWidget(lineGrid_);
    auto* layout = new QVBoxLayout(contentBox());
    layout->addLayout(top);
    layout->addWidget(splitter, 1);
    showBills();
    showLines();

    billKeys_ = new SelectionKeys(this);
    billKeys_->setList(billGrid_->table(), [this] { enterOnBill(); });
    lineKeys_ = new SelectionKeys(this);
    lineKeys_->setList(lineGrid_->table(), [this] { enterOnLine(); });
    lineKeys_->setAbove(billGrid_->table());
}

TfrmSelectBill::~TfrmSelectBill() {
    // The views read the grid descriptions and rows held by members: they go first.
    delete billGrid_;
    delete lineGrid_;
    delete billModel_;
    delete lineModel_;
}

void TfrmSelectBill::buildColumns() {
    const TSettings& s = settings();
    for (GridDefinition* d : {&billDef_, &lineDef_}) {
        d->context.qtyDot = s.QtyDot;
        d->context.priceDot = s.PriceDot;
        d->context.totalDot = s.TotalDot;
        d->context.canSeeCost = s.SeeCost;
        d->footerVisible = true;
    }
    struct Col {
        const char* field;
        const char* caption;
        int width;
    };
    const Col bills[] = {
        {"isSelect", "[&CHK]选择", 40},    {"code", "单据编号", 130},
        {"date", "录单日期", 80},          {"dj_Caption", "单据类型", 80},
        {"wldw_code", "单位编号", 80},     {"wldw_name", "单位全名", 140},
        {"jsr_code", "经手人编号", 80},    {"jsr_name", "经手人全名", 80},
        {"bm_Code", "部门编号", 70},       {"bm_Name", "部门全名", 80},
        {"rec_name", "制单人", 70},        {"post_Name", "过账人", 70},
        {"postDateTime", "过账时间", 130}, {"total", "[%SUM%M%Cost%]金额", 90},
        {"summery", "摘要", 120},          {"comment", "附加说明", 120},
    };
    for (const Col& c : bills) {
        AddGridColumn(billDef_, QString::fromUtf8(c.caption), QString::fromLatin1(c.field),
                      QLatin1String(c.field) == QLatin1String("isSelect"), c.width);
    }
    const Col lines[] = {
        {"isSelect", "[&CHK]选择", 40},
        {"orderid", "[%NUM%Q%]行ID", 50},
        {"goodsid", "[%NUM%Q%]商品ID", 60},
        {"djcode", "单据编号", 130},
        {"fullname", "商品全名", 140},
        {"ph", "[]批号", 70},
        {"outdate", "[DATA]生产日期", 80},
        {"unitName", "[%SEL%]单位", 50},
        {"qty", "[%NUM%SUM%Q%]数量", 70},
        {"Price", "[%NUM%P%Cost%]单价", 70},
        {"Total", "[%NUM%SUM%M%Cost%]金额", 80},
        {"discount", "[%D%]折扣", 50},
        {"discountprice", "[%NUM%P%Cost%]折后单价", 70},
        {"discounttotal", "[%NUM%SUM%M%Cost%]折后金额", 80},
        {"tax", "[%NUM%T%]税率", 50},
        {"TaxPrice", "[%NUM%P%Cost%]含税单价", 70},
        {"Taxtotal", "[%NUM%SUM%M%Cost%]税金", 70},
        {"taxTotalSum", "[%NUM%SUM%M%Cost%]价税合计", 80},
        {"RowTypeName", "[]状态", 50},
        {"toQty", "[%NUM%SUM%Q%]到货数量", 70},
        {"comment", "[%SEL%]行摘要", 100},
        {"UnitRate", "[]辅助单位", 80},
    };
    for (const Col& c : lines) {
        AddGridColumn(lineDef_, QString::fromUtf8(c.caption), QString::fromLatin1(c.field),
                      QLatin1String(c.field) == QLatin1String("isSelect"), c.width);
    }
}

void TfrmSelectBill::showBills() {
    ensureColumnFields(picking_.bills(), billDef_);
    billModel_->setSource(&picking_.bills(), &billDef_);
    billGrid_->setModel(billModel_);
    if (billModel_->rowCount() > 0)
        billGrid_->table()->setCurrentIndex(billModel_->index(0, 0));
}

void TfrmSelectBill::showLines() {
    ensureColumnFields(picking_.lines(), lineDef_);
    lineModel_->setSource(&picking_.lines(), &lineDef_);
    lineGrid_->setModel(lineModel_);
    if (lineModel_->rowCount() > 0)
        lineGrid_->table()->setCurrentIndex(lineModel_->index(0, 0));
}

bool TfrmSelectBill::Execute(const SelectBillArgs& args, SelectBillResult* result,
                             QWidget* parent) {
    SelectBillArgs a = args;
    if (!a.beginDate.isValid() || !a.endDate.isValid()) {
        if (!periodAsker()(&a.beginDate, &a.endDate, parent))
            return false;
    }
    TfrmSelectBill w(a, parent);
    w.refreshBills();
    if (w.exec() != 1)
        return false;
    if (result)
        *result = w.chosen();
    return true;
}

void TfrmSelectBill::refreshBills() {
    // The current row stays current when it is still listed.
    const int current =
        billGrid_->table()->currentIndex().isValid() ? billGrid_->table()->currentIndex().row() : 0;
    try {
        picking_.runList();
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e.message());
    }
    showBills();
    showLines();
    if (current > 0 && current < billModel_->rowCount())
        billGrid_->table()->setCurrentIndex(billModel_->index(current, 0));
}

void TfrmSelectBill::pickLinesClick() {
    try {
        picking_.runLines();
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e.message());
    }
    showLines();
    linesActive_ = true;
}

void TfrmSelectBill::markAllClick(bool marked) {
    GridView* grid = linesActive_ ? lineGrid_ : billGrid_;
    RecordSetModel* model = linesActive_ ? lineModel_ : billModel_;
    // The keyboard cursor stays on its row.
    const QModelIndex current = grid->table()->currentIndex();
    BillPicking::markAll(linesActive_ ? picking_.lines() : picking_.bills(), marked);
    model->reload();
    if (current.isValid() && current.row() < model->rowCount())
        grid->table()->setCurrentIndex(model->index(current.row(), current.column()));
}

void TfrmSelectBill::btnOKClick() {
    try {
        result_ = picking_.result();
    } catch (const DytError& e) {
        prompter().message(caption::hint(), e.message());
        return;
    }
    TfrmBaseDialog::btnOKClick();
}

void TfrmSelectBill::FormShow() {
    TfrmBaseDialog::FormShow();
    // The window opens in the bills.
    if (!billKeys_->focusList())
        billGrid_->table()->setFocus(Qt::OtherFocusReason);
}

bool TfrmSelectBill::markCurrent(GridView* grid, bool toggle) {
    RecordSetModel* model = grid->model();
    const QModelIndex cur = grid->table()->currentIndex();
    if (!model || !cur.isValid())
        return false;
    const QModelIndex check = model->index(cur.row(), 0);
    const bool marked = model->data(check, Qt::CheckStateRole).toInt() == Qt::Checked;
    if (marked && !toggle)
        return true;
    model->setData(check, static_cast<int>(marked ? Qt::Unchecked : Qt::Checked),
                   Qt::CheckStateRole);
    return true;
}

void TfrmSelectBill::enterOnBill() {
    if (!markCurrent(billGrid_, false))
        return;
    pickLinesClick();
    lineKeys_->focusList();
}

void TfrmSelectBill::enterOnLine() {
    if (!markCurrent(lineGrid_, false))
        return;
    btnOKClick();
}

bool TfrmSelectBill::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        if (watched == billGrid_->table() || watched == lineGrid_->table()) {
            markCurrent(watched == billGrid_->table() ? billGrid_ : lineGrid_, true);
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn) {
        if (watched == lineGrid_->table())
            linesActive_ = true;
        else if (watched == billGrid_->table())
            linesActive_ = false;
    }
    return TfrmBaseDialog::eventFilter(watched, event);
}

}  // namespace dyt::client
