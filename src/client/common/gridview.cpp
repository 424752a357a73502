#include "client/common/gridview.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include "client/common/griddelegate.h"
#include "client/common/recordsetmodel.h"

namespace dyt {

GridView::GridView(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    table_ = new QTableView(this);
    // Uniform row heights keep a million rows cheap to lay out.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setWordWrap(false);
    delegate_ = new GridItemDelegate(this);
    table_->setItemDelegate(delegate_);
    connect(delegate_, &GridItemDelegate::buttonClicked, this, &GridView::buttonClicked);
    footer_ = new GridFooterBar(table_, this);
    layout->addWidget(table_);
    layout->addWidget(footer_);
    footer_->hide();
}

GridView::~GridView() = default;

QWidget* GridView::footer() const {
    return footer_;
}

void GridView::setModel(RecordSetModel* model) {
    if (model_)
        disconnect(model_, nullptr, this, nullptr);
    model_ = model;
    table_->setModel(model);
    footer_->setModel(model);
    if (model) {
        connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                &GridView::onCurrentChanged);
        connect(model, &QAbstractItemModel::modelReset, this, [this] {
            applyColumns();
            onCurrentChanged();
        });
    }
    applyColumns();
}

void GridView::applyColumns() {
    if (model_ && model_->spec()) {
        const auto& cols = model_->spec()->columns;
        for (int i = 0; i < cols.size(); ++i) {
            table_->setColumnWidth(i, cols[i].width);
            table_->setColumnHidden(i, !cols[i].visible);
        }
    }
    updateFooterVisibility();
}

void GridView::onCurrentChanged() {
    if (!model_)
        return;
    const QModelIndex current = table_->currentIndex();
    model_->setCurrentRow(current.isValid() ? current.row() : -1);
}

void GridView::updateFooterVisibility() {
    footer_->setVisible(model_ && model_->footerVisible());
    footer_->update();
}

GridFooterBar::GridFooterBar(QTableView* table, QWidget* parent) : QWidget(parent), table_(table) {
    auto repaint = [this] { update(); };
    connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this, repaint);
    connect(table_->horizontalHeader(), &QHeaderView::sectionMoved, this, repaint);
    connect(table_->horizontalScrollBar(), &QScrollBar::valueChanged, this, repaint);
}

void GridFooterBar::setModel(RecordSetModel* model) {
    if (model_)
        disconnect(model_, nullptr, this, nullptr);
    model_ = model;
    if (model_) {
        connect(model_, &RecordSetModel::footerChanged, this, [this] { update(); });
        connect(model_, &QAbstractItemModel::modelReset, this, [this] { update(); });
    }
    update();
}

QSize GridFooterBar::sizeHint() const {
    return {QWidget::sizeHint().width(), fontMetrics().height() + 8};
}

void GridFooterBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (!model_)
        return;
    const QHeaderView* header = table_->horizontalHeader();
    // Cells line up with the header sections, which start after the row indicator column.
    const int offset =
        table_->verticalHeader()->isVisible() ? table_->verticalHeader()->width() : 0;
    const int left = table_->frameWidth() + offset;
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(0, 0, width(), 0);
    p.setClipRect(left, 0, width() - left, height());
    for (int c = 0; c < model_->columnCount(); ++c) {
        if (header->isSectionHidden(c))
            continue;
        const int x = left + header->sectionViewportPosition(c);
        const int w = header->sectionSize(c);
        const QRect cellRect(x + 3, 1, w - 6, height() - 2);
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(x + w - 1, 1, x + w - 1, height());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(cellRect, static_cast<int>(model_->footerAlignment(c) | Qt::AlignVCenter),
                   model_->footerText(c));
    }
}

}  // namespace dyt
