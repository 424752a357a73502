#include "client/base/frmbasetcfagl.h"

#include <QAction>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "common/currency.h"
#include "common/error.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace tc = commission;

namespace {

QLineEdit* lineEdit(QWidget* owner, const char* name) {
    auto* e = new QLineEdit(owner);
    e->setObjectName(QLatin1String(name));
    return e;
}

// The kinds in the order of the kind boxes: employees' plans, goods' plans.
int kindAt(int index) {
    return index == 0 ? tc::kEmployeePlan : tc::kGoodsPlan;
}

QString field(const RecordSet& rs, int row, const char* name) {
    const int f = rs.fieldIndex(QString::fromLatin1(name));
    return f < 0 ? QString() : rs.at(row, f).toString();
}

}  // namespace

// ---- the list -------------------------------------------------------------------------------

TfrmBaseTCFAGL::TfrmBaseTCFAGL(QWidget* parent) : TfrmXAbstract(parent) {
    setObjectName(u"TfrmBaseTCFAGL"_s);
    setTitle(tc::text::listTitle());
    QToolBar* bar = toolBar();
    auto add = [&](const char* name, const QString& text, bool (TfrmBaseTCFAGL::*handler)()) {
        auto* a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        bar->insertAction(btnPrint(), a);
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    btnAdd_ = add("btnAdd", tc::text::add(), &TfrmBaseTCFAGL::btnAddClick);
    btnUpdate_ = add("btnUpdate", tc::text::edit(), &TfrmBaseTCFAGL::btnUpdateClick);
    btnDel_ = add("btnDel", tc::text::remove(), &TfrmBaseTCFAGL::btnDelClick);
    btnAssign_ = add("btnAssign", tc::text::assign(), &TfrmBaseTCFAGL::btnAssignClick);

    cbKind_ = new QComboBox(this);
    cbKind_->setObjectName(u"cbKind"_s);
    cbKind_->addItems({tc::text::allKinds(), tc::text::employeePlans(), tc::text::goodsPlans()});
    addHeaderField(tc::text::kind(), cbKind_);
    connect(cbKind_, &QComboBox::currentIndexChanged, this, [this] { refreshData(); });

    tvCategory()->hide();
    QTableView* table = dbgvX()->table();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(table, &QTableView::doubleClicked, this, [this] { btnUpdateClick(); });
    bindGridKey(Qt::Key_Return, [this] { return btnUpdateClick(); });
    bindGridKey(Qt::Key_Delete, [this] { return btnDelClick(); });
    bindGridKey(Qt::Key_Insert, [this] { return btnAddClick(); });
    // F6 and the other function keys the menu takes stay the menu's.
    bindGridKey(Qt::Key_F3, [this] { return btnAssignClick(); });

    const struct {
        const char* caption;
        const char* field;
        int width;
    } columns[] = {
        {"方案编号", "code", 80},       {"方案名称", "fullname", 140},
        {"方案类型", "tclxName", 70},   {"提成方式", "tcfsName", 110},
        {"[%NUM%P%]提成值", "tcl", 80}, {"[%NUM%]使用数", "useCount", 60},
        {"备注", "comment", 160},
    };
    for (const auto& c : columns)
        addColumn(QString::fromUtf8(c.caption), QString::fromLatin1(c.field), false, c.width);
}

TfrmBaseTCFAGL::~TfrmBaseTCFAGL() = default;

QString TfrmBaseTCFAGL::layoutKey() const {
    return u"TfrmBaseTCFAGL_dbgvX"_s;
}

void TfrmBaseTCFAGL::FormCreate() {
    TfrmXAbstract::FormCreate();
    applyRights();
    run([this] { loadList(); });
}

void TfrmBaseTCFAGL::applyRights() {
    const QString menu = QString::number(tc::kFunctionCode);
    btnAdd_->setVisible(checkPurview(menu, u"01"_s, tc::text::add(), false));
    const bool canEdit = checkPurview(menu, u"02"_s, tc::text::edit(), false);
    btnUpdate_->setVisible(canEdit);
    btnAssign_->setVisible(canEdit);
    btnDel_->setVisible(checkPurview(menu, u"03"_s, tc::text::remove(), false));
    btnPrint()->setVisible(checkPurview(menu, u"04"_s, tc::text::print(), false));
}

void TfrmBaseTCFAGL::run(const std::function<void()>& action) {
    try {
        action();
    } catch (const DytError& e) {
        showError(e);
    }
}

void TfrmBaseTCFAGL::refreshData() {
    run([this] { loadList(); });
}

void TfrmBaseTCFAGL::loadList() {
    const int index = cbKind_->currentIndex();
    ParamList params = tc::listParams(index <= 0 ? 0 : kindAt(index - 1));
    RecordSet rows;
    dataModule().ExecProcQuery(tc::text::listProcedure(), params, &rows);
    const int focus = focusedRow();
    loadRecords([&rows](RecordSet& target) { target = std::move(rows); });
    const int count = model()->rowCount();
    setFocusedRow(count == 0 ? -1 : std::clamp(focus, 0, count - 1));
}

tc::Plan TfrmBaseTCFAGL::focusedPlan() const {
    tc::Plan plan;
    const int row = focusedRow();
    if (row < 0 || row >= model()->rowCount())
        return plan;
    const RecordSet& rs = records();
    const int raw = model()->rawRow(row);
    plan.id = field(rs, raw, "id").toLongLong();
    plan.kind = field(rs, raw, "tclxid").toInt();
    plan.code = field(rs, raw, "code");
    plan.name = field(rs, raw, "fullname");
    plan.way = field(rs, raw, "tcfs").toInt();
    plan.value = field(rs, raw, "tcl").toDouble();
    plan.comment = field(rs, raw, "comment");
    return plan;
}

bool TfrmBaseTCFAGL::btnAddClick() {
    if (!btnAdd_->isVisible())
        return false;
    tc::Plan plan;
    // A new plan is of the kind the list shows; goods' plans when it shows all.
    plan.kind = cbKind_->currentIndex() == 1 ? tc::kEmployeePlan : tc::kGoodsPlan;
    TfrmBaseTCFASet editor(this);
    editor.setup(plan);
    if (editor.exec() != 1)
        return false;
    refreshData();
    for (int r = 0; r < model()->rowCount(); ++r) {
        if (field(records(), model()->rawRow(r), "id").toLongLong() == editor.planId())
            setFocusedRow(r);
    }
    return true;
}

bool TfrmBaseTCFAGL::btnUpdateClick() {
    if (!btnUpdate_->isVisible())
        return false;
    const tc::Plan plan = focusedPlan();
    if (plan.id <= 0)
        return false;
    TfrmBaseTCFASet editor(this);
    editor.setup(plan);
    if (editor.exec() != 1)
        return false;
    refreshData();
    return true;
}

bool TfrmBaseTCFAGL::btnDelClick() {
    if (!btnDel_->isVisible())
        return false;
    const tc::Plan plan = focusedPlan();
    if (plan.id <= 0 ||
        !prompter().confirm(caption::hint(), tc::text::confirmDelete(), buttons::okCancel()))
        return false;
    bool done = false;
    run([&] {
        ParamList p = tc::deleteParams(plan.id);
        dataModule().ExecProc(tc::text::saveProcedure(), p, true);
        done = true;
    });
    refreshData();
    return done;
}

bool TfrmBaseTCFAGL::btnAssignClick() {
    if (!btnAssign_->isVisible())
        return false;
    const tc::Plan plan = focusedPlan();
    if (plan.id <= 0)
        return false;
    TfrmBaseTCFPSet dialog(this);
    try {
        dialog.setup(plan);
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    if (dialog.exec() != 1)
        return false;
    refreshData();
    return true;
}

// ---- the plan editor ------------------------------------------------------------------------

TfrmBaseTCFASet::TfrmBaseTCFASet(QWidget* parent) : TfrmBaseDialog(parent) {
    setObjectName(u"TfrmBaseTCFASet"_s);
    setWindowTitle(tc::text::editorTitle());
    lbltitle()->setText(tc::text::editorTitle());
    auto* form = new QFormLayout(contentBox());
    edCode_ = lineEdit(this, "edCode");
    edName_ = lineEdit(this, "edName");
    cbKind_ = new QComboBox(this);
    cbKind_->setObjectName(u"cbKind"_s);
    cbKind_->addItems({tc::text::employeePlans(), tc::text::goodsPlans()});
    cbWay_ = new QComboBox(this);
    cbWay_->setObjectName(u"cbWay"_s);
    cbWay_->addItems(tc::text::ways());
    edValue_ = lineEdit(this, "edValue");
    edComment_ = lineEdit(this, "edComment");
    lblValue_ = new QLabel(tc::text::valueCaption(1) + u'：', this);
    form->addRow(tc::text::code() + u'：', edCode_);
    form->addRow(tc::text::name() + u'：', edName_);
    form->addRow(tc::text::kind() + u'：', cbKind_);
    form->addRow(tc::text::way() + u'：', cbWay_);
    form->addRow(lblValue_, edValue_);
    form->addRow(tc::text::comment() + u'：', edComment_);
    connect(cbWay_, &QComboBox::currentIndexChanged, this, [this](int index) {
        lblValue_->setText(tc::text::valueCaption(index + 1) + u'：');
    });
    const QList<QWidget*> order = {edCode_, edName_, cbKind_, cbWay_, edValue_, edComment_};
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order.at(i), order.at(i + 1));
}

TfrmBaseTCFASet::~TfrmBaseTCFASet() = default;

void TfrmBaseTCFASet::setup(const tc::Plan& plan) {
    plan_ = plan;
    edCode_->setText(plan.code);
    edName_->setText(plan.name);
    cbKind_->setCurrentIndex(plan.kind == tc::kEmployeePlan ? 0 : 1);
    // The kind of a saved plan stays.
    cbKind_->setEnabled(plan.id <= 0);
    cbWay_->setCurrentIndex(std::clamp(plan.way, 1, 3) - 1);
    edValue_->setText(plan.id > 0 ? Currency::fromDouble(plan.value).toString() : QString());
    edComment_->setText(plan.comment);
}

void TfrmBaseTCFASet::btnOKClick() {
    btnOK()->setFocus();
    tc::Plan plan = plan_;
    plan.code = edCode_->text();
    plan.name = edName_->text();
    plan.kind = kindAt(cbKind_->currentIndex());
    plan.way = cbWay_->currentIndex() + 1;
    plan.comment = edComment_->text();
    try {
        const QString value = edValue_->text().trimmed();
        bool ok = true;
        plan.value = value.isEmpty() ? 0.0 : value.toDouble(&ok);
        if (!ok || !std::isfinite(plan.value)) {
            edValue_->setFocus();
            throw DytError(tc::text::notNumber());
        }
        if (const auto error = tc::editorError(plan)) {
            QWidget* at = *error == tc::text::enter(tc::text::code())   ? edCode_
                          : *error == tc::text::enter(tc::text::name()) ? edName_
                                                                        : edValue_;
            at->setFocus();
            throw DytError(*error);
        }
        ParamList p = tc::saveParams(plan);
        plan_.id = dataModule().ExecProc(tc::text::saveProcedure(), p, true);
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
        return;
    }
    TfrmBaseDialog::btnOKClick();
}

// ---- giving the plan to goods or employees --------------------------------------------------

namespace {
enum { kColUses, kColCode, kColName, kColCurrent, kColCount };
}  // namespace

TfrmBaseTCFPSet::TfrmBaseTCFPSet(QWidget* parent) : TfrmBaseDialog(parent) {
    setObjectName(u"TfrmBaseTCFPSet"_s);
    setWindowTitle(tc::text::assignTitle());
    lbltitle()->setText(tc::text::assignTitle());
    resize(560, 460);
    auto* layout = new QVBoxLayout(contentBox());
    grid_ = new QTableWidget(0, kColCount, this);
    grid_->setObjectName(u"grdRecords"_s);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(grid_);
}

TfrmBaseTCFPSet::~TfrmBaseTCFPSet() = default;

void TfrmBaseTCFPSet::setup(const tc::Plan& plan) {
    plan_ = plan;
    lbltitle()->setText(tc::text::assignTitle() + u"："_s + plan.name);
    const QString what = tc::text::kindName(plan.kind);
    grid_->setHorizontalHeaderLabels(
        {tc::text::uses(), what + u"编号"_s, what + u"名称"_s, tc::text::current()});
    ParamList p = tc::recordsParams(plan.kind);
    RecordSet rows;
    dataModule().ExecProcQuery(tc::text::listProcedure(), p, &rows);
    grid_->setRowCount(rows.rowCount());
    had_.clear();
    for (int r = 0; r < rows.rowCount(); ++r) {
        const bool uses = field(rows, r, "tcid").toLongLong() == plan.id;
        had_ << uses;
        auto* check = new QTableWidgetItem();
        check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        check->setCheckState(uses ? Qt::Checked : Qt::Unchecked);
        check->setData(Qt::UserRole, field(rows, r, "id").toLongLong());
        grid_->setItem(r, kColUses, check);
        const char* const shown[] = {"code", "fullname", "tcname"};
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(field(rows, r, shown[c]));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            grid_->setItem(r, kColCode + c, item);
        }
    }
    grid_->resizeColumnsToContents();
    if (rows.rowCount() > 0)
        grid_->setCurrentCell(0, kColUses);
    grid_->setFocus();
}

void TfrmBaseTCFPSet::btnOKClick() {
    try {
        for (int r = 0; r < grid_->rowCount(); ++r) {
            const QTableWidgetItem* check = grid_->item(r, kColUses);
            const bool uses = check->checkState() == Qt::Checked;
            if (uses == had_.value(r))
                continue;
            ParamList p = tc::assignParams(plan_.kind, check->data(Qt::UserRole).toLongLong(),
                                           uses ? plan_.id : 0);
            dataModule().ExecProc(tc::text::assignProcedure(), p, true);
            had_[r] = uses;
        }
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
        return;
    }
    TfrmBaseDialog::btnOKClick();
}

}  // namespace dyt::client
