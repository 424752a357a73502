#include "client/bills/selectwindow.h"

#include <QAbstractItemModel>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

#include "client/bills/selectionservices.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"

namespace dyt::client {

// ---------------------------------------------------------------- SelectionKeys

SelectionKeys::SelectionKeys(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setInterval(kSearchDelayMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (pending())
            apply();
    });
}

void SelectionKeys::setSearchBox(QLineEdit* box, std::function<void(const QString&)> apply) {
    box_ = box;
    apply_ = std::move(apply);
    applied_ = box->text();
    box->installEventFilter(this);
    // Each keystroke starts the pause again; texts the window puts in the box do not.
    connect(box, &QLineEdit::textEdited, &timer_, qOverload<>(&QTimer::start));
    if (list_)
        QWidget::setTabOrder(box_, list_);
}

void SelectionKeys::setList(QTableView* list, std::function<void()> pick) {
    list_ = list;
    pick_ = std::move(pick);
    list->installEventFilter(this);
    list->setTabKeyNavigation(false);
    connect(list, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!list_ || !index.isValid())
            return;
        list_->setCurrentIndex(index);
        if (pick_)
            pick_();
    });
    if (box_)
        QWidget::setTabOrder(box_, list_);
}

void SelectionKeys::setAppliedText(const QString& text) {
    applied_ = text;
    if (!pending())
        timer_.stop();
}

bool SelectionKeys::pending() const {
    return box_ && box_->text() != applied_;
}

bool SelectionKeys::applyPending() {
    timer_.stop();
    if (!pending())
        return false;
    apply();
    return true;
}

void SelectionKeys::apply() {
    timer_.stop();
    applied_ = box_->text();
    if (apply_)
        apply_(applied_);
}

bool SelectionKeys::focusList() {
    if (!list_ || !list_->model() || list_->model()->rowCount() == 0)
        return false;
    if (!list_->currentIndex().isValid()) {
        int column = 0;
        while (column < list_->model()->columnCount() - 1 && list_->isColumnHidden(column))
            ++column;
        list_->setCurrentIndex(list_->model()->index(0, column));
    }
    list_->setFocus(Qt::OtherFocusReason);
    list_->scrollTo(list_->currentIndex());
    return true;
}

void SelectionKeys::focusSearchBox() {
    if (!box_)
        return;
    box_->setFocus(Qt::OtherFocusReason);
    box_->selectAll();
}

bool SelectionKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        Qt::KeyboardModifiers mods = key->modifiers();
        mods.setFlag(Qt::KeypadModifier, false);
        if (mods == Qt::NoModifier) {
            if (box_ && watched == box_ && boxKey(key->key()))
                return true;
            if (list_ && watched == list_ && listKey(key->key()))
                return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

bool SelectionKeys::boxKey(int key) {
    switch (key) {
        case Qt::Key_Down:
        case Qt::Key_PageDown:
            applyPending();
            return focusList();
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!applyPending()) {
                if (pick_)
                    pick_();
                return true;
            }
            if (pickSingle_ && pickSingle_())
                return true;
            focusList();
            return true;
        default:
            return false;
    }
}

bool SelectionKeys::listKey(int key) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (pick_)
                pick_();
            return true;
        case Qt::Key_Up: {
            QWidget* above = above_ ? above_.data() : box_.data();
            if (!above || list_->currentIndex().row() > 0)
                return false;
            above->setFocus(Qt::OtherFocusReason);
            return true;
        }
        default:
            return false;
    }
}

// ---------------------------------------------------------------- TfrmSelectWindow

TfrmSelectWindow::TfrmSelectWindow(QWidget* parent) : TfrmBase(parent) {
    // The caller owns the window and reads its choice after it closed.
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowFlags(Qt::Dialog);
}

TfrmSelectWindow::~TfrmSelectWindow() = default;

int TfrmSelectWindow::exec() {
    setWindowModality(Qt::ApplicationModal);
    result_ = false;
    QEventLoop loop;
    connect(this, &TfrmSelectWindow::finished, &loop, &QEventLoop::quit);
    show();
    if (isVisible())
        loop.exec();
    return result_ ? 1 : 0;
}

void TfrmSelectWindow::accept() {
    done(true);
}

void TfrmSelectWindow::reject() {
    done(false);
}

void TfrmSelectWindow::done(bool accepted) {
    result_ = accepted;
    hide();
    Q_EMIT finished(accepted ? 1 : 0);
}

void TfrmSelectWindow::setLayoutGrid(GridView* grid) {
    layoutGrid_ = grid;
    keys_.setList(grid->table(), [this] { chooseCurrent(); });
}

void TfrmSelectWindow::setSearchBox(QLineEdit* box) {
    keys_.setSearchBox(box, [this](const QString& text) { applySearch(text); });
    keys_.setPickSingle([this] { return chooseSingle(); });
}

void TfrmSelectWindow::applySearch(const QString&) {}

void TfrmSelectWindow::chooseCurrent() {}

bool TfrmSelectWindow::chooseSingle() {
    return false;
}

QString TfrmSelectWindow::layoutKey() const {
    QString name = QString::fromLatin1(metaObject()->className());
    name = name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
    return layoutGrid_ ? name + QLatin1Char('_') + layoutGrid_->objectName() : name;
}

bool TfrmSelectWindow::loadLayout() {
    const auto& load = selectionServices().loadLayout;
    if (!load || !layoutGrid_ || !layoutGrid_->model() || !layoutGrid_->model()->definition())
        return false;
    return load(layoutGrid_, layoutKey());
}

void TfrmSelectWindow::showRows(RecordSetModel* model, RecordSet* rows, GridDefinition* def) {
    model->setSource(rows, def);
    layoutGrid_->setModel(model);
    loadLayout();
    if (model->rowCount() > 0)
        layoutGrid_->table()->setCurrentIndex(model->index(0, 0));
}

bool TfrmSelectWindow::saveLayout() {
    const auto& save = selectionServices().saveLayout;
    if (!save || !layoutGrid_ || !layoutGrid_->model() || !layoutGrid_->model()->definition())
        return false;
    return save(layoutGrid_, layoutKey());
}

QColor TfrmSelectWindow::windowColour() const {
    return formColours().modalForm;
}

void TfrmSelectWindow::escapePressed() {
    reject();
}

void TfrmSelectWindow::closeEvent(QCloseEvent* event) {
    // The close box of a shown window counts as Esc; done() hides the window itself.
    if (isVisible()) {
        event->ignore();
        reject();
        return;
    }
    event->accept();
}

void TfrmSelectWindow::showEvent(QShowEvent* event) {
    TfrmBase::showEvent(event);
    // The operator starts typing in the search box, replacing the text it was opened with; a
    // window without one starts in its list.
    if (keys_.searchBox())
        keys_.focusSearchBox();
    else if (!keys_.focusList() && layoutGrid_)
        layoutGrid_->table()->setFocus(Qt::OtherFocusReason);
}

}  // namespace dyt::client
