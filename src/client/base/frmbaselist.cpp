#include "client/base/frmbaselist.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDrag>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHash>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "client/base/frmbaseedit.h"
#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/session.h"
#include "common/error.h"
#include "common/formatting.h"

namespace dyt::client {

namespace {

constexpr int kMaxLevel = 5;
const char* const kDragMime = "application/x-dyt-base-ids";

enum Command { kEdit, kAddLevel, kDelete };

QString exitCaption(bool top) {
    return top ? QStringLiteral("退出(&C)") : QStringLiteral("返回(&C)");
}

}  // namespace

EditorOpener& TfrmBaseList::editorOpener() {
    static EditorOpener opener = [](const base::BaseKind& kind, const EditorRequest& request,
                                    QWidget* parent) {
        return runBaseEditor(kind, request, parent);
    };
    return opener;
}

TfrmBaseList::TfrmBaseList(const base::BaseKind& kind, QWidget* parent)
    : TfrmXAbstract(parent), kind_(&kind) {
    setObjectName(kind.listClass);
    setTitle(kind.title);
    buildControls();
    buildColumns();
}

TfrmBaseList::~TfrmBaseList() = default;

QString TfrmBaseList::layoutKey() const {
    // A variant shares the class but not the columns.
    const base::BaseKind* listed = base::findBaseKind(kind_->listClass);
    const QString variant =
        listed && listed != kind_ ? QStringLiteral("_") + kind_->kindCode : QString();
    return kind_->listClass + variant + QStringLiteral("_dbgvX");
}

void TfrmBaseList::buildControls() {
    QToolBar* bar = toolBar();
    auto add = [&](const char* name, const QString& text, void (TfrmBaseList::*handler)()) {
        auto* a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        bar->insertAction(btnPrint(), a);
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    btnAdd_ = add("btnAdd", QStringLiteral("空白添加"), &TfrmBaseList::btnAddClick);
    btnCopyAdd_ = add("btncopyAdd", QStringLiteral("复制添加"), &TfrmBaseList::btncopyAddClick);
    btnAddLevel_ = add("btnAddLevel", QStringLiteral("增加下级"), &TfrmBaseList::btnAddLevelClick);
    btnUpdate_ = add("btnUpdate", QStringLiteral("修改"), &TfrmBaseList::btnUpdateClick);
    btnDel_ = add("btnDel", QStringLiteral("删除"), &TfrmBaseList::btnDelClick);
    btnList_ = add("btnList", QStringLiteral("列表显示"), &TfrmBaseList::btnListClick);
    btnQuery_ = add("btnQuery", QStringLiteral("查看"), &TfrmBaseList::btnQueryClick);
    btnUp()->setVisible(true);
    btnDown()->setVisible(true);
    btnExit()->setText(exitCaption(true));

    edSearch_ = new QLineEdit(this);
    edSearch_->setObjectName(QStringLiteral("edSearch"));
    edSearch_->setMinimumWidth(160);
    edSearch_->setClearButtonEnabled(true);
    addHeaderField(kind_->searchCaption, edSearch_);
    connect(edSearch_, &QLineEdit::returnPressed, this, [this] { searchClick(); });
    QAction* find = edSearch_->addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                         QLineEdit::TrailingPosition);
    find->setObjectName(QStringLiteral("btnSearch"));
    connect(find, &QAction::triggered, this, [this] { searchClick(); });
    edSearch_->installEventFilter(this);
    cbStopped_ = new QCheckBox(basetext::includeStopped(), this);
    cbStopped_->setObjectName(QStringLiteral("cbIncludeStopped"));
    if (kind_->hasStopped)
        addHeaderField(basetext::includeStopped(), cbStopped_);
    else
        cbStopped_->hide();
    connect(cbStopped_, &QCheckBox::clicked, this, [this] { includeStoppedClick(); });

    lbPath_ = new QLabel(basetext::pathPrefix(), this);
    lbPath_->setObjectName(QStringLiteral("lbPath"));
    if (auto* box = qobject_cast<QVBoxLayout*>(layout()))
        box->addWidget(lbPath_);

    QTableView* table = dbgvX()->table();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(table, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { rowActivated(index.row()); });
    // Enter opens the focused row (a category goes down a level), Insert adds, Delete deletes,
    // each as its button would and only while the button is offered.
    bindGridKey(Qt::Key_Return, [this] {
        rowActivated(focusedRow());
        return true;
    });
    bindGridKey(Qt::Key_Insert, [this] {
        if (btnAdd_->isVisible())
            btnAddClick();
        return true;
    });
    bindGridKey(Qt::Key_Delete, [this] {
        if (btnDel_->isVisible())
            btnDelClick();
        return true;
    });
    connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { updatePathLabel(); });
    table->viewport()->installEventFilter(this);
    tvCategory()->viewport()->setAcceptDrops(true);
    tvCategory()->viewport()->installEventFilter(this);
    connect(tvCategory(), &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (item)
            treeNodeChosen(item->data(0, Qt::UserRole).toLongLong());
    });
}

void TfrmBaseList::buildColumns() {
    gridDefinition().columns.clear();
    const QString menu = QString::number(tag());
    for (const base::ListColumn& c : kind_->columns) {
        const QString caption = base::columnCaption(*kind_, c);
        bool granted = true;
        if (c.fieldNo > 0) {
            granted = checkPurview(
                menu, QStringLiteral("%1").arg(c.fieldNo, 2, 10, QLatin1Char('0')), caption, false);
        }
        GridColumn& column = addColumn(caption, c.field, false, granted ? c.width : 0);
        column.flag = c.flag;
        if (!granted) {
            column.width = 0;
            column.visible = false;
        }
    }
}

void TfrmBaseList::applyRights() {
    const QString menu = QString::number(tag());
    const bool canAdd = checkPurview(menu, QStringLiteral("01"), QStringLiteral("添加"), false);
    btnAdd_->setVisible(canAdd);
    btnAddLevel_->setVisible(canAdd && !kind_->flat);
    btnList_->setVisible(!kind_->flat);
    btnUp()->setVisible(!kind_->flat);
    btnDown()->setVisible(!kind_->flat);
    btnCopyAdd_->setVisible(canAdd);
    btnUpdate_->setVisible(checkPurview(menu, QStringLiteral("02"), QStringLiteral("修改"), false));
    btnDel_->setVisible(checkPurview(menu, QStringLiteral("03"), QStringLiteral("删除"), false));
    btnPrint()->setVisible(checkPurview(menu, QStringLiteral("04"), QStringLiteral("打印"), false));
    buildColumns();
    if (records().fieldCount() > 0)
        showRecords();
}

void TfrmBaseList::FormCreate() {
    // The account lists of the menu share one window; the function code names the list, and
    // 1012 lists the fixed-asset cards.
    if (const base::BaseKind* variant = &base::kindForFunction(*kind_, tag()); variant != kind_) {
        kind_ = variant;
        setTitle(kind_->title);
        for (QLabel* label : findChildren<QLabel*>())
            if (label->buddy() == edSearch_)
                label->setText(kind_->searchCaption);
        buildColumns();
    } else if (kind_->kindCode == u"KM") {
        static const QHash<int, QString> titles = {{1009, QStringLiteral("现金银行")},
                                                   {1010, QStringLiteral("收入类型")},
                                                   {1011, QStringLiteral("费用类型")},
                                                   {1012, QStringLiteral("固定资产")}};
        if (titles.contains(tag()))
            setTitle(titles.value(tag()));
    }
    TfrmXAbstract::FormCreate();
    applyRights();
    run([this] { reloadAll(); });
}

void TfrmBaseList::run(const std::function<void()>& action) {
    try {
        action();
    } catch (const DytError& e) {
        showError(e);
    }
}

// --- loading

void TfrmBaseList::filterSqlRows(RecordSet& all) const {
    // A source without path names (the abstracts): the full names along par_jl, joined by "/"
    // as the server joins them.
    const int parJl = all.fieldIndex(QStringLiteral("par_jl"));
    const int nameField = all.fieldIndex(QStringLiteral("fullname"));
    const int idField = all.fieldIndex(QStringLiteral("id"));
    if (!all.hasField(QStringLiteral("pathName")) && parJl >= 0 && nameField >= 0 && idField >= 0) {
        QHash<qint64, QString> names;
        for (int r = 0; r < all.rowCount(); ++r)
            names.insert(all.at(r, idField).toLongLong(),
                         all.at(r, nameField).toString().trimmed());
        const int out = all.addField(QStringLiteral("pathName"), FieldType::Text);
        for (int r = 0; r < all.rowCount(); ++r) {
            QStringList path;
            for (const QString& id :
                 all.at(r, parJl).toString().split(QLatin1Char(','), Qt::SkipEmptyParts))
                path.append(names.value(id.toLongLong()));
            all.setAt(r, out, path.join(QLatin1Char('/')));
        }
    }
    RecordSet kept;
    kept.copyStructure(all);
    const QString text = state_.searchText.trimmed();
    for (int r = 0; r < all.rowCount(); ++r) {
        auto field = [&](const char* name) {
            const int f = all.fieldIndex(QLatin1String(name));
            return f < 0 ? QVariant() : all.at(r, f);
        };
        bool keep = false;
        if (!text.isEmpty()) {
            keep = field("fullname").toString().contains(text, Qt::CaseInsensitive) ||
                   field("code").toString().contains(text, Qt::CaseInsensitive) ||
                   field("pym").toString().contains(text, Qt::CaseInsensitive);
        } else if (state_.listMode) {
            keep = field("sonnum").toLongLong() == 0;
            if (keep && state_.listCategory > 0) {
                const QString mark = QString::number(state_.listCategory) + QLatin1Char(',');
                const QString path = QLatin1Char(',') + field("par_jl").toString();
                keep = path.contains(QLatin1Char(',') + mark);
            }
        } else {
            keep = field("par_id").toLongLong() == state_.parentId;
        }
        if (keep)
            kept.appendRow(all.row(r));
    }
    all = std::move(kept);
}

void TfrmBaseList::loadList() {
    TdmMain* dm = &dataModule();
    RecordSet rows;
    if (kind_->listSql.isEmpty()) {
        ParamList params = base::listParams(*kind_, state_, loginedUser().UserId);
        dm->ExecProcQuery(kind_->listProcedure, params, &rows);
    } else {
        dm->ExecQuery(kind_->listSql, &rows);
        filterSqlRows(rows);
    }
    // A column whose field the answer lacks shows empty.
    for (const base::ListColumn& c : kind_->columns) {
        if (!rows.hasField(c.field))
            rows.addField(c.field, FieldType::Text);
    }
    // The server's order is the display order; the move commands change it.
    const int order = rows.addField(xtext::orderField(), FieldType::Text, 6);
    for (int r = 0; r < rows.rowCount(); ++r)
        rows.setAt(r, order, Format(QStringLiteral("%.06d"), {r + 1}));
    const int focus = focusedRow();
    loadRecords([&rows](RecordSet& target) { target = std::move(rows); });
    records().addIndex(xtext::orderField());
    const int count = model()->rowCount();
    setFocusedRow(count == 0 ? -1 : std::clamp(focus, 0, count - 1));
    setCloseCaption();
    updatePathLabel();
}

void TfrmBaseList::loadTree() {
    if (kind_->flat) {
        tvCategory()->hide();
        return;
    }
    TdmMain* dm = &dataModule();
    RecordSet rows;
    if (kind_->listSql.isEmpty()) {
        ParamList params = base::treeParams(*kind_, loginedUser().UserId);
        dm->ExecProcQuery(kind_->listProcedure, params, &rows);
    } else {
        // The categories of an SQL kind, from the top down.
        RecordSet all;
        dm->ExecQuery(kind_->listSql, &all);
        rows.copyStructure(all);
        const int sonnum = all.fieldIndex(QStringLiteral("sonnum"));
        for (int r = 0; r < all.rowCount(); ++r) {
            if (sonnum >= 0 && all.at(r, sonnum).toLongLong() > 0)
                rows.appendRow(all.row(r));
        }
        if (rows.hasField(QStringLiteral("par_jl")))
            rows.sort(QStringLiteral("par_jl"));
    }
    treeRows_ = rows;
    const QSignalBlocker block(tvCategory());
    LoadCategoryTree(treeRows_);
    tvCategory()->setVisible(!state_.listMode);
}

void TfrmBaseList::reloadAll() {
    loadList();
    loadTree();
}

void TfrmBaseList::setCloseCaption() {
    btnExit()->setText(exitCaption(state_.listMode || state_.parentId == 0));
}

void TfrmBaseList::updatePathLabel() {
    const int row = focusedRow();
    lbPath_->setText(basetext::pathPrefix() +
                     (row >= 0 ? rowValue(row, QStringLiteral("pathName")).toString() : QString()));
}

QVariant TfrmBaseList::rowValue(int row, const QString& field) const {
    if (row < 0 || row >= model()->rowCount())
        return {};
    const int f = records().fieldIndex(field);
    return f < 0 ? QVariant() : records().at(model()->rawRow(row), f);
}

QList<qint64> TfrmBaseList::chosenIds() const {
    QList<int> rows;
    if (QItemSelectionModel* sel = dbgvX()->table()->selectionModel()) {
        for (const QModelIndex& i : sel->selectedRows())
            rows.append(i.row());
    }
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty() && focusedRow() >= 0)
        rows.append(focusedRow());
    QList<qint64> ids;
    for (int r : rows)
        ids.append(rowValue(r, QStringLiteral("id")).toLongLong());
    return ids;
}

QString TfrmBaseList::systemRowRefusal(int row, int command) const {
    if (records().hasField(QStringLiteral("sysrow")) &&
        rowValue(row, QStringLiteral("sysrow")).toLongLong() != 0) {
        switch (command) {
            case kEdit:
                return basetext::systemRowEdit();
            case kAddLevel:
                return basetext::systemRowLevel();
            default:
                return basetext::systemRowDelete();
        }
    }
    if (records().hasField(QStringLiteral("candel")) &&
        !rowValue(row, QStringLiteral("candel")).isNull() &&
        rowValue(row, QStringLiteral("candel")).toLongLong() == 0)
        return basetext::systemEmployee();
    return {};
}

// --- commands

bool TfrmBaseList::openEditor(const EditorRequest& request) {
    const bool saved = editorOpener()(*kind_, request, this);
    if (saved)
        run([this] { reloadAll(); });
    return saved;
}

void TfrmBaseList::btnAddClick() {
    const int row = focusedRow();
    EditorRequest r;
    r.parentId = row >= 0 ? rowValue(row, QStringLiteral("par_id")).toLongLong() : state_.parentId;
    openEditor(r);
}

void TfrmBaseList::btncopyAddClick() {
    const int row = focusedRow();
    if (row < 0) {
        btnAddClick();
        return;
    }
    RecordSet source;
    source.copyStructure(records());
    source.appendRow(records().row(model()->rawRow(row)));
    source.first();
    EditorRequest r;
    r.parentId = rowValue(row, QStringLiteral("par_id")).toLongLong();
    r.source = &source;
    openEditor(r);
}

void TfrmBaseList::btnAddLevelClick() {
    const int row = focusedRow();
    if (row < 0) {
        btnAddClick();
        return;
    }
    if (rowValue(row, QStringLiteral("leveal")).toLongLong() >= kMaxLevel) {
        prompter().message(caption::hint(), basetext::tooDeep());
        return;
    }
    if (const QString refusal = systemRowRefusal(row, kAddLevel); !refusal.isEmpty()) {
        prompter().message(caption::hint(), refusal);
        return;
    }
    EditorRequest r;
    r.parentId = rowValue(row, QStringLiteral("id")).toLongLong();
    openEditor(r);
}

void TfrmBaseList::btnUpdateClick() {
    const int row = focusedRow();
    if (row < 0)
        return;
    if (const QString refusal = systemRowRefusal(row, kEdit); !refusal.isEmpty()) {
        prompter().message(caption::hint(), refusal);
        return;
    }
    EditorRequest r;
    r.id = rowValue(row, QStringLiteral("id")).toLongLong();
    r.parentId = rowValue(row, QStringLiteral("par_id")).toLongLong();
    openEditor(r);
}

void TfrmBaseList::btnDelClick() {
    const int row = focusedRow();
    if (row < 0)
        return;
    if (rowValue(row, QStringLiteral("sonnum")).toLongLong() >= 1) {
        prompter().message(caption::hint(), basetext::categoryNoDelete());
        return;
    }
    if (const QString refusal = systemRowRefusal(row, kDelete); !refusal.isEmpty()) {
        prompter().message(caption::hint(), refusal);
        return;
    }
    if (!prompter().confirm(caption::hint(), basetext::confirmDelete(), buttons::okCancel()))
        return;
    const bool onlyRow = model()->rowCount() == 1;
    run([&] {
        ParamList params;
        params.setValue(QStringLiteral("id"), rowValue(row, QStringLiteral("id")).toString());
        if (kind_->deleteProcedure.isEmpty()) {
            params.setValue(QStringLiteral("del"), QStringLiteral("1"));
            dmMain()->ExecProc(kind_->saveProcedure, params);
        } else {
            dmMain()->ExecProc(kind_->deleteProcedure, params);
        }
        if (onlyRow && !state_.listMode && state_.searchText.trimmed().isEmpty())
            goUp();
        reloadAll();
    });
}

void TfrmBaseList::btnListClick() {
    if (state_.listMode) {
        state_.listMode = false;
        state_.listCategory = 0;
    } else {
        const int row = focusedRow();
        qint64 category = 0;
        if (row >= 0) {
            const QString partial = QStringLiteral("部分列表(") +
                                    rowValue(row, QStringLiteral("fullname")).toString() +
                                    QLatin1Char(')');
            const int choice =
                prompter().ask(basetext::listChoice(), basetext::listChoice(),
                               {basetext::listAll(), partial, QStringLiteral("取消")}, 0);
            if (choice != 0 && choice != 1)
                return;
            if (choice == 1) {
                if (rowValue(row, QStringLiteral("sonnum")).toLongLong() == 0) {
                    prompter().message(caption::hint(), basetext::onlyCategory());
                    return;
                }
                category = rowValue(row, QStringLiteral("id")).toLongLong();
            }
        }
        state_.listMode = true;
        state_.listCategory = category;
    }
    btnList_->setText(state_.listMode ? QStringLiteral("层级显示") : QStringLiteral("列表显示"));
    tvCategory()->setVisible(!state_.listMode);
    run([this] { loadList(); });
}

void TfrmBaseList::btnQueryClick() {
    run([this] { loadList(); });
}

void TfrmBaseList::searchClick() {
    state_.searchText = edSearch_->text();
    run([this] { loadList(); });
}

void TfrmBaseList::includeStoppedClick() {
    state_.includeStopped = cbStopped_->isChecked();
    run([this] { loadList(); });
}

void TfrmBaseList::enterCategory(int row) {
    const qint64 id = rowValue(row, QStringLiteral("id")).toLongLong();
    QString path = rowValue(row, QStringLiteral("par_jl")).toString();
    if (path.isEmpty())
        path = path_ + QString::number(id) + QLatin1Char(',');
    path_ = path;
    state_.parentId = id;
    state_.searchText.clear();
    edSearch_->clear();
    run([this] { loadList(); });
}

bool TfrmBaseList::goUp() {
    if (state_.listMode || state_.parentId == 0)
        return false;
    QStringList ids = path_.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (!ids.isEmpty())
        ids.removeLast();
    path_ = ids.isEmpty() ? QString() : ids.join(QLatin1Char(',')) + QLatin1Char(',');
    state_.parentId = ids.isEmpty() ? 0 : ids.last().toLongLong();
    return true;
}

void TfrmBaseList::treeNodeChosen(qint64 id) {
    if (!treeRows_.locate(QStringLiteral("id"), id))
        return;
    path_ = treeRows_.text(QStringLiteral("par_jl"));
    state_.parentId = id;
    state_.listMode = false;
    run([this] { loadList(); });
}

void TfrmBaseList::dropOnTreeNode(qint64 targetId, const QList<qint64>& ids) {
    if (ids.isEmpty())
        return;
    run([&] {
        ParamList params;
        params.setValue(QStringLiteral("TableName"), kind_->table);
        params.setValue(QStringLiteral("par_id"), QString::number(targetId));
        params.setValue(QStringLiteral("idStrList"), base::dragIdList(ids));
        dmMain()->ExecProc(QStringLiteral("p_Base_Up_DragDrop"), params);
        reloadAll();
    });
}

void TfrmBaseList::rowActivated(int row) {
    if (row < 0)
        return;
    if (row != focusedRow())
        setFocusedRow(row);
    if (rowValue(row, QStringLiteral("sonnum")).toLongLong() > 0)
        enterCategory(row);
    else if (btnUpdate_->isVisible())
        btnUpdateClick();
}

void TfrmBaseList::btnExitClick() {
    if (goUp()) {
        run([this] { loadList(); });
        return;
    }
    TfrmXAbstract::btnExitClick();
}

// --- drag onto the tree

bool TfrmBaseList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edSearch_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Tab) {
        // Tab searches and the box keeps the focus ("快速查找商品(Tab)").
        searchClick();
        edSearch_->setFocus();
        return true;
    }
    QWidget* gridViewport = dbgvX()->table()->viewport();
    QWidget* treeViewport = tvCategory()->viewport();
    if (watched == gridViewport) {
        if (event->type() == QEvent::MouseButtonPress) {
            dragStart_ = static_cast<QMouseEvent*>(event)->position().toPoint();
        } else if (event->type() == QEvent::MouseMove) {
            auto* e = static_cast<QMouseEvent*>(event);
            if ((e->buttons() & Qt::LeftButton) && tvCategory()->isVisible() &&
                (e->position().toPoint() - dragStart_).manhattanLength() >=
                    QApplication::startDragDistance()) {
                QStringList ids;
                for (qint64 id : chosenIds())
                    ids.append(QString::number(id));
                if (!ids.isEmpty()) {
                    auto* mime = new QMimeData;
                    mime->setData(QLatin1String(kDragMime), ids.join(QLatin1Char(',')).toLatin1());
                    auto* drag = new QDrag(this);
                    drag->setMimeData(mime);
                    drag->exec(Qt::MoveAction);
                    return true;
                }
            }
        }
    } else if (watched == treeViewport) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* e = static_cast<QDropEvent*>(event);
            if (e->mimeData()->hasFormat(QLatin1String(kDragMime)) &&
                tvCategory()->itemAt(e->position().toPoint())) {
                e->acceptProposedAction();
            } else {
                e->ignore();
            }
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* e = static_cast<QDropEvent*>(event);
            QTreeWidgetItem* item = tvCategory()->itemAt(e->position().toPoint());
            if (item && e->mimeData()->hasFormat(QLatin1String(kDragMime))) {
                QList<qint64> ids;
                const QString text =
                    QString::fromLatin1(e->mimeData()->data(QLatin1String(kDragMime)));
                for (const QString& id : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
                    ids.append(id.toLongLong());
                e->acceptProposedAction();
                dropOnTreeNode(item->data(0, Qt::UserRole).toLongLong(), ids);
            }
            return true;
        }
    }
    return TfrmXAbstract::eventFilter(watched, event);
}

}  // namespace dyt::client
