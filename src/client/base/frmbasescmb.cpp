#include "client/base/frmbasescmb.h"

#include <QAction>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>

#include "client/bills/frmbillscmb.h"
#include "client/common/gridview.h"
#include "client/logic/assemblytemplates.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/queries/frmquery.h"
#include "common/error.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

TfrmBaseShengChanMoBan::TfrmBaseShengChanMoBan(QWidget* parent) : TfrmXAbstract(parent) {
    setObjectName(u"TfrmBaseShengChanMoBan"_s);
    setTitle(scmb::text::listTitle());
    QToolBar* bar = toolBar();
    auto add = [&](const char* name, const QString& text,
                   bool (TfrmBaseShengChanMoBan::*handler)()) {
        auto* a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        bar->insertAction(btnPrint(), a);
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    btnAdd_ = add("btnAdd", scmb::text::add(), &TfrmBaseShengChanMoBan::btnAddClick);
    btnUpdate_ = add("btnUpdate", scmb::text::edit(), &TfrmBaseShengChanMoBan::btnUpdateClick);
    btnCopy_ = add("btnCopy", scmb::text::copy(), &TfrmBaseShengChanMoBan::btnCopyClick);
    btnDel_ = add("btnDel", scmb::text::remove(), &TfrmBaseShengChanMoBan::btnDelClick);

    edFind_ = new QLineEdit(this);
    edFind_->setObjectName(u"edFind"_s);
    addHeaderField(scmb::text::find(), edFind_);
    connect(edFind_, &QLineEdit::returnPressed, this, [this] {
        run([this] { loadList(); });
        dbgvX()->table()->setFocus();
    });

    tvCategory()->hide();
    QTableView* table = dbgvX()->table();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(table, &QTableView::doubleClicked, this, [this] { btnUpdateClick(); });
    bindGridKey(Qt::Key_Return, [this] { return btnUpdateClick(); });
    bindGridKey(Qt::Key_Insert, [this] { return btnAddClick(); });
    bindGridKey(Qt::Key_Delete, [this] { return btnDelClick(); });

    const struct {
        const char* caption;
        const char* field;
        int width;
    } columns[] = {
        {"模板编号", "code", 90},           {"模板名称", "name", 150},
        {"商品编号", "goodsCode", 90},      {"组装商品", "goodsname", 150},
        {"单位", "unitName", 50},           {"[%NUM%Q%]组装数量", "qty", 80},
        {"[%NUM%]组件数", "partCount", 60}, {"备注", "comment", 150},
    };
    for (const auto& c : columns)
        addColumn(QString::fromUtf8(c.caption), QString::fromLatin1(c.field), false, c.width);
}

TfrmBaseShengChanMoBan::~TfrmBaseShengChanMoBan() = default;

QString TfrmBaseShengChanMoBan::layoutKey() const {
    return u"TfrmBaseShengChanMoBan_dbgvX"_s;
}

void TfrmBaseShengChanMoBan::FormCreate() {
    TfrmXAbstract::FormCreate();
    btnPrint()->setVisible(
        checkPurview(QString::number(scmb::kFunctionCode), u"02"_s, u"打印"_s, false));
    run([this] { loadList(); });
}

void TfrmBaseShengChanMoBan::run(const std::function<void()>& action) {
    try {
        action();
    } catch (const DytError& e) {
        showError(e);
    }
}

void TfrmBaseShengChanMoBan::refreshData() {
    run([this] { loadList(); });
}

void TfrmBaseShengChanMoBan::loadList() {
    RecordSet rows;
    ParamList params = scmb::listParams(edFind_->text());
    dataModule().ExecProcQuery(scmb::text::listProcedure(), params, &rows);
    const int focus = focusedRow();
    loadRecords([&rows](RecordSet& target) { target = std::move(rows); });
    const int count = model()->rowCount();
    setFocusedRow(count == 0 ? -1 : std::clamp(focus, 0, count - 1));
}

qint64 TfrmBaseShengChanMoBan::currentId() const {
    const int row = focusedRow();
    const int idField = records().fieldIndex(u"id"_s);
    if (row < 0 || idField < 0 || row >= model()->rowCount())
        return 0;
    return records().at(model()->rawRow(row), idField).toLongLong();
}

TfrmBillSCMB* TfrmBaseShengChanMoBan::entryWindow() const {
    return entry_.data();
}

bool TfrmBaseShengChanMoBan::openEntry(qint64 id, bool copy) {
    auto* entry = new TfrmBillSCMB(this);
    entry->setAttribute(Qt::WA_DeleteOnClose);
    try {
        entry->setup(id, copy);
    } catch (const DytError& e) {
        delete entry;
        showError(e);
        return false;
    }
    connect(entry, &TfrmBillSCMB::templateSaved, this, [this] { refreshData(); });
    // Closed, the entry window hands the clerk back to the list.
    connect(entry, &QObject::destroyed, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
                if (QMdiArea* area = frame->mdiArea())
                    area->setActiveSubWindow(frame);
            }
            dbgvX()->table()->setFocus();
        });
    });
    entry_ = entry;
    // The entry window takes its place among the workspace's windows, as a bill does; without a
    // workspace it is a window of its own.
    if (queryChildHost()) {
        queryChildHost()(entry);
    } else {
        entry->setWindowFlag(Qt::Window, true);
        entry->resize(900, 560);
        entry->show();
        entry->activateWindow();
    }
    entry->edCode()->setFocus();
    return true;
}

bool TfrmBaseShengChanMoBan::btnAddClick() {
    return openEntry(0, false);
}

bool TfrmBaseShengChanMoBan::btnUpdateClick() {
    const qint64 id = currentId();
    return id > 0 && openEntry(id, false);
}

bool TfrmBaseShengChanMoBan::btnCopyClick() {
    const qint64 id = currentId();
    return id > 0 && openEntry(id, true);
}

bool TfrmBaseShengChanMoBan::btnDelClick() {
    const qint64 id = currentId();
    if (id <= 0 ||
        !prompter().confirm(caption::hint(), scmb::text::confirmDelete(), buttons::okCancel()))
        return false;
    bool done = false;
    run([&] {
        ParamList params = scmb::deleteParams(id);
        dataModule().ExecProc(scmb::text::procedure(), params, true);
        done = true;
    });
    refreshData();
    return done;
}

}  // namespace dyt::client
