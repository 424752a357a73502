#include "client/queries/frmqlbbb.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QButtonGroup>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedLayout>
#include <QTableView>
#include <QValueAxis>

#include <algorithm>

#include "client/common/gridview.h"
#include "client/common/lookupwidgets.h"
#include "client/common/windowregistry.h"
#include "client/logic/clientconfig.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/queryconditions.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "client/queries/accountledger.h"
#include "common/error.h"

namespace dyt::client {

namespace {

constexpr boss::ChartKind kKinds[] = {boss::ChartKind::Bar, boss::ChartKind::Line,
                                      boss::ChartKind::Pie};

QDateEdit* newDateEdit(QWidget* parent, const char* name, const QDate& date) {
    auto* e = new QDateEdit(date, parent);
    e->setObjectName(QLatin1String(name));
    e->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    e->setCalendarPopup(true);
    return e;
}

// The totals as the table shows them: the item's number, name and amount, whatever else the
// answer holds.
void addTotalsFields(RecordSet& rows) {
    if (!rows.hasField(QStringLiteral("id")))
        rows.addField(QStringLiteral("id"), FieldType::Integer);
    if (!rows.hasField(QStringLiteral("fullname")))
        rows.addField(QStringLiteral("fullname"), FieldType::Text, 50);
    if (!rows.hasField(QStringLiteral("total")))
        rows.addField(QStringLiteral("total"), FieldType::Float);
}

}  // namespace

TfrmQLBBB::TfrmQLBBB(QWidget* parent) : TfrmBase(parent) {
    setObjectName(QStringLiteral("TfrmQLBBB"));
    setWindowTitle(boss::text::title());
    addTotalsFields(totals_);
    buildControls();
}

TfrmQLBBB::~TfrmQLBBB() {
    // The view and the model read the grid description and the rows held by this window's
    // members: they go first, without this window watching the table's last events.
    grid_->table()->removeEventFilter(this);
    delete grid_;
    grid_ = nullptr;
    delete model_;
}

QRadioButton* TfrmQLBBB::chartButton(boss::ChartKind kind) const {
    return qobject_cast<QRadioButton*>(kinds_->button(static_cast<int>(kind)));
}

void TfrmQLBBB::buildControls() {
    const query::QueryDates& shared = query::sharedQueryDates();
    edBegin_ = newDateEdit(this, "edBegin", shared.begin);
    edEnd_ = newDateEdit(this, "edEnd", shared.end);
    cbRange_ = new QComboBox(this);
    cbRange_->setObjectName(QStringLiteral("cbRange"));
    FillDatePresets(cbRange_);
    cbRange_->setCurrentIndex(-1);
    connect(cbRange_, &QComboBox::activated, this,
            [this] { ApplyDatePreset(cbRange_, edBegin_, edEnd_); });
    btnQuery_ = new QPushButton(boss::text::query(), this);
    btnQuery_->setObjectName(QStringLiteral("btnQuery"));
    connect(btnQuery_, &QPushButton::clicked, this, [this] { btnQueryClick(); });
    btnClose_ = new QPushButton(boss::text::close(), this);
    btnClose_->setObjectName(QStringLiteral("btnClose"));
    connect(btnClose_, &QPushButton::clicked, this, [this] { close(); });

    auto* bar = new QHBoxLayout;
    const auto labelled = [this, bar](const QString& caption, QWidget* w) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(w);
        bar->addWidget(label);
        bar->addWidget(w);
    };
    labelled(boss::text::beginDate(), edBegin_);
    labelled(boss::text::endDate(), edEnd_);
    labelled(boss::text::range(), cbRange_);
    bar->addWidget(btnQuery_);
    bar->addWidget(btnClose_);
    bar->addStretch(1);

    // The totals.
    const TSettings& s = settings();
    gridDef_.context.totalDot = s.TotalDot;
    gridDef_.context.qtyDot = s.QtyDot;
    gridDef_.context.priceDot = s.PriceDot;
    gridDef_.context.discountDot = s.DiscountDot;
    gridDef_.context.taxDot = s.TaxDot;
    gridDef_.allowHideColumns = false;
    AddGridColumn(gridDef_, boss::text::itemColumn(), QStringLiteral("fullname"), false, 140);
    AddGridColumn(gridDef_, QStringLiteral("[%M%]") + boss::text::amountColumn(),
                  QStringLiteral("total"), false, 140);
    model_ = new RecordSetModel(this);
    model_->setSource(&totals_, &gridDef_);
    grid_ = new GridView(this);
    grid_->setObjectName(QStringLiteral("dbgvTotals"));
    grid_->setModel(model_);
    grid_->applyColumns();
    QTableView* table = grid_->table();
    table->setTabKeyNavigation(false);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->installEventFilter(this);
    fitGrid();
    connect(table, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { openTotal(index.row()); });

    // The analysis.
    cbAnalysis_ = new QComboBox(this);
    cbAnalysis_->setObjectName(QStringLiteral("cbAnalysis"));
    cbAnalysis_->addItems(boss::text::analyses());
    const int stored = clientConfig().read(boss::text::analysisKey(), QStringLiteral("0")).toInt();
    cbAnalysis_->setCurrentIndex(std::clamp(stored, 0, int(cbAnalysis_->count()) - 1));
    connect(cbAnalysis_, &QComboBox::currentIndexChanged, this,
            [this](int index) { analysisChanged(index); });
    kinds_ = new QButtonGroup(this);
    auto* kindBar = new QHBoxLayout;
    auto* analysisLabel = new QLabel(boss::text::analysis(), this);
    analysisLabel->setBuddy(cbAnalysis_);
    kindBar->addWidget(analysisLabel);
    kindBar->addWidget(cbAnalysis_);
    const QString kindCaptions[] = {boss::text::barChart(), boss::text::lineChart(),
                                    boss::text::pieChart()};
    for (boss::ChartKind kind : kKinds) {
        auto* button = new QRadioButton(kindCaptions[static_cast<int>(kind)], this);
        kinds_->addButton(button, static_cast<int>(kind));
        kindBar->addWidget(button);
    }
    chartButton(kind_)->setChecked(true);
    connect(kinds_, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            chartKindChanged(static_cast<boss::ChartKind>(id));
    });
    kindBar->addStretch(1);

    chart_ = new QChart;
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chartView_ = new QChartView(chart_, this);
    chartView_->setObjectName(QStringLiteral("chartView"));
    chartView_->setRenderHint(QPainter::Antialiasing);
    chartView_->setFocusPolicy(Qt::NoFocus);
    lblNoLine_ = new QLabel(boss::text::noLineChart(), this);
    lblNoLine_->setObjectName(QStringLiteral("lblNoLine"));
    lblNoLine_->setAlignment(Qt::AlignCenter);
    auto* chartPanel = new QWidget(this);
    auto* stack = new QStackedLayout(chartPanel);
    stack->addWidget(chartView_);
    stack->addWidget(lblNoLine_);

    auto* analysisBox = new QWidget(this);
    auto* analysisLayout = new QVBoxLayout(analysisBox);
    analysisLayout->setContentsMargins(0, 0, 0, 0);
    analysisLayout->addLayout(kindBar);
    analysisLayout->addWidget(chartPanel, 1);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(grid_);
    splitter->addWidget(analysisBox);
    splitter->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(splitter, 1);

    QWidget* order[] = {edBegin_,  edEnd_, cbRange_,    btnQuery_,
                        btnClose_, table,  cbAnalysis_, chartButton(boss::ChartKind::Bar)};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    rebuildChart();
}

void TfrmQLBBB::fitGrid() {
    // Both columns show in full.
    QTableView* table = grid_->table();
    grid_->setMinimumWidth(
        table->verticalHeader()->sizeHint().width() + table->horizontalHeader()->length() +
        table->verticalScrollBar()->sizeHint().width() + 2 * table->frameWidth());
}

void TfrmQLBBB::showError(const std::exception& error) const {
    prompter().showError(caption::error(), error);
}

void TfrmQLBBB::btnQueryClick() {
    const QDate begin = edBegin_->date();
    const QDate end = edEnd_->date();
    if (end < begin) {
        prompter().message(caption::hint(), query::text::reversedRange());
        edBegin_->setFocus();
        return;
    }
    RecordSet rows;
    try {
        ParamList p = boss::totalsParams(loginedUser().UserId, begin, end);
        dataModule().ExecProcQuery(boss::text::procedure(), p, &rows);
    } catch (const DytError& e) {
        showError(e);
        return;
    }
    const int focus = std::max(0, grid_->table()->currentIndex().row());
    addTotalsFields(rows);
    totals_ = std::move(rows);
    model_->setSource(&totals_, &gridDef_);
    grid_->applyColumns();
    fitGrid();
    if (model_->rowCount() > 0) {
        const int row = std::min(focus, model_->rowCount() - 1);
        grid_->table()->setCurrentIndex(model_->index(row, 0));
    }
    queriedBegin_ = begin;
    queriedEnd_ = end;
    runAnalysis(begin, end);
}

bool TfrmQLBBB::runAnalysis(const QDate& begin, const QDate& end) {
    RecordSet rows;
    try {
        ParamList p =
            boss::analysisParams(loginedUser().UserId, begin, end, cbAnalysis_->currentIndex());
        dataModule().ExecProcQuery(boss::text::procedure(), p, &rows);
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    points_ = boss::chartPoints(rows);
    rebuildChart();
    return true;
}

void TfrmQLBBB::analysisChanged(int index) {
    if (index < 0)
        return;
    try {
        clientConfig().write(boss::text::analysisKey(), QString::number(index));
    } catch (const DytError& e) {
        showError(e);
    }
    // Before the first query the dates of the window stand for the dates last queried.
    runAnalysis(queriedBegin_.isValid() ? queriedBegin_ : edBegin_->date(),
                queriedEnd_.isValid() ? queriedEnd_ : edEnd_->date());
}

void TfrmQLBBB::chartKindChanged(boss::ChartKind kind) {
    kind_ = kind;
    rebuildChart();
}

void TfrmQLBBB::rebuildChart() {
    chart_->removeAllSeries();
    for (QAbstractAxis* axis : chart_->axes()) {
        chart_->removeAxis(axis);
        delete axis;
    }
    const QString name = cbAnalysis_->currentText();
    chart_->setTitle(name);
    auto* stack = static_cast<QStackedLayout*>(chartView_->parentWidget()->layout());
    const bool noLine = kind_ == boss::ChartKind::Line && !boss::lineDrawable(points_);
    stack->setCurrentWidget(noLine ? static_cast<QWidget*>(lblNoLine_) : chartView_);
    if (noLine || points_.isEmpty())
        return;
    QStringList labels;
    double low = 0, high = 0;
    for (const boss::ChartPoint& p : points_) {
        labels.append(p.label);
        low = std::min(low, p.value);
        high = std::max(high, p.value);
    }
    if (kind_ == boss::ChartKind::Pie) {
        // A share cannot be negative: such a value shows as an empty slice.
        auto* series = new QPieSeries;
        series->setName(name);
        for (const boss::ChartPoint& p : points_) {
            QPieSlice* slice = series->append(p.label, std::max(0.0, p.value));
            slice->setLabelVisible(p.value > 0);
        }
        chart_->addSeries(series);
        // The slices name themselves; a legend of many entries would only repeat them, cut short.
        chart_->legend()->setVisible(points_.size() <= 6);
        return;
    }
    QAbstractSeries* series = nullptr;
    if (kind_ == boss::ChartKind::Bar) {
        auto* set = new QBarSet(name);
        for (const boss::ChartPoint& p : points_)
            set->append(p.value);
        auto* bars = new QBarSeries;
        bars->append(set);
        series = bars;
    } else {
        auto* line = new QLineSeries;
        line->setName(name);
        for (int i = 0; i < points_.size(); ++i)
            line->append(i, points_.at(i).value);
        line->setPointsVisible(true);
        series = line;
    }
    chart_->addSeries(series);
    auto* categories = new QBarCategoryAxis;
    categories->append(labels);
    // Many months stand aslant so that each label shows in full.
    if (labels.size() > 6)
        categories->setLabelsAngle(-45);
    chart_->addAxis(categories, Qt::AlignBottom);
    series->attachAxis(categories);
    auto* values = new QValueAxis;
    values->setRange(low, high > low ? high : low + 1);
    values->applyNiceNumbers();
    chart_->addAxis(values, Qt::AlignLeft);
    series->attachAxis(values);
    chart_->legend()->setVisible(false);
}

void TfrmQLBBB::openTotal(int row) {
    if (row < 0 || row >= model_->rowCount())
        return;
    const int raw = model_->rawRow(row);
    const boss::TotalTarget target = boss::totalTarget(
        totals_.at(raw, totals_.fieldIndex(QStringLiteral("id"))).toLongLong(),
        totals_.at(raw, totals_.fieldIndex(QStringLiteral("fullname"))).toString());
    if (!target.opens())
        return;
    query::QueryDates& shared = query::sharedQueryDates();
    shared.begin = edBegin_->date();
    shared.end = edEnd_->date();
    try {
        if (target.account > 0)
            OpenAccountLedger(target.account, target.title);
        else if (functionOpener())
            functionOpener()(target.functionCode);
    } catch (const DytError& e) {
        showError(e);
    }
}

bool TfrmQLBBB::eventFilter(QObject* watched, QEvent* event) {
    if (grid_ && watched == grid_->table() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openTotal(grid_->table()->currentIndex().row());
            return true;
        }
    }
    return TfrmBase::eventFilter(watched, event);
}

}  // namespace dyt::client
