#include "client/bills/selectwindow.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QTableView>

#include "client/bills/selectionservices.h"
#include "client/common/gridview.h"
#include "client/common/recordsetmodel.h"

namespace dyt::client {

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

}  // namespace dyt::client
