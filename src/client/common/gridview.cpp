#include "client/common/gridview.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "client/common/griddelegate.h"
#include "client/logic/recordsetmodel.h"

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

    filter_ = new GridFilterBar(table_, this);
    bands_ = new GridBandHeader(table_, this);
    footer_ = new GridFooterBar(table_, this);
    layout->addWidget(filter_);
    layout->addWidget(bands_);
    layout->addWidget(table_);
    layout->addWidget(footer_);
    filter_->hide();
    bands_->hide();
    footer_->hide();
}

GridView::~GridView() = default;

QWidget* GridView::footer() const {
    return footer_;
}
QWidget* GridView::bandHeader() const {
    return bands_;
}

void GridView::setModel(RecordSetModel* model) {
    if (model_)
        disconnect(model_, nullptr, this, nullptr);
    model_ = model;
    table_->setModel(model);
    filter_->setModel(model);
    bands_->setModel(model);
    footer_->setModel(model);
    if (model) {
        connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                &GridView::onCurrentChanged);
        connect(model, &QAbstractItemModel::modelReset, this, [this] {
            applyColumns();
            onCurrentChanged();
        });
        connect(model, &RecordSetModel::footerChanged, this, &GridView::widenToFooter);
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& from, const QModelIndex& to) {
                    if (from.isValid() && to.isValid())
                        widenToCells(from.row(), to.row(), from.column(), to.column());
                });
    }
    applyColumns();
}

void GridView::setFilterRowVisible(bool visible) {
    filterRowWanted_ = visible;
    updateStrips();
}

void GridView::applyColumns() {
    if (model_ && model_->definition()) {
        const GridDefinition& def = *model_->definition();
        for (int i = 0; i < def.columns.size(); ++i) {
            const GridColumn& c = def.columns[i];
            const bool bandShown = def.bands.isEmpty() || c.bandIndex < 0 ||
                                   c.bandIndex >= def.bands.size() ||
                                   def.bands[c.bandIndex].visible;
            const bool shown = c.visible && bandShown;
            table_->setColumnHidden(i, !shown);
            table_->setColumnWidth(i, shown ? std::max(c.width, contentWidth(i)) : c.width);
        }
    }
    updateStrips();
}

namespace {

// Room around a cell's text: the style's text margins on both sides and the grid line.
int cellPadding(const QWidget* view) {
    return 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) + 2;
}

// The footer draws its text 3 pixels in from both edges, beside a 1-pixel line.
constexpr int kFooterPadding = 8;

// Short texts of digits, letters and signs (codes, numbers, dates) are shown whole; longer
// texts or Chinese ones are names and remarks.
bool isFreeText(const QString& text) {
    if (text.size() > 32)
        return true;
    for (const QChar ch : text) {
        if (ch.unicode() >= 0x80)
            return true;
    }
    return false;
}

}  // namespace

int GridView::cellWidth(int row, int column, bool* freeText) const {
    const QString text = model_->data(model_->index(row, column), Qt::DisplayRole).toString();
    *freeText = isFreeText(text);
    return text.isEmpty() ? 0 : table_->fontMetrics().horizontalAdvance(text);
}

int GridView::contentWidth(int column) const {
    if (!model_ || column < 0 || column >= model_->columnCount())
        return 0;
    const int rows = model_->rowCount();
    int whole = table_->horizontalHeader()->sectionSizeHint(column);
    const QString footer = model_->footerVisible() ? model_->footerText(column) : QString();
    if (!footer.isEmpty())
        whole = std::max(whole, footer_->fontMetrics().horizontalAdvance(footer) + kFooterPadding);
    // Laying a text out costs far more than reading it: the rows' texts are ranked by a rough
    // width (Chinese characters count twice) and only the widest few of each kind measured.
    struct Sample {
        int estimate;
        bool free;
        QString text;
    };
    std::vector<Sample> samples;
    auto take = [&](int row) {
        QString text = model_->data(model_->index(row, column), Qt::DisplayRole).toString();
        if (text.isEmpty())
            return;
        int estimate = 0;
        for (const QChar ch : text)
            estimate += ch.unicode() >= 0x2E80 ? 2 : 1;
        samples.push_back({estimate, isFreeText(text), std::move(text)});
    };
    if (rows <= 2 * kFitSampleRows) {
        for (int r = 0; r < rows; ++r)
            take(r);
    } else {
        for (int r = 0; r < kFitSampleRows; ++r) {
            take(r);
            take(rows - 1 - r);
        }
    }
    std::stable_sort(samples.begin(), samples.end(),
                     [](const Sample& a, const Sample& b) { return a.estimate > b.estimate; });
    const int padding = cellPadding(table_);
    int text = 0;
    int measured[2] = {0, 0};
    for (const Sample& sample : samples) {
        if (measured[sample.free]++ >= kMeasuredTexts)
            continue;
        int& into = sample.free ? text : whole;
        into = std::max(into, table_->fontMetrics().horizontalAdvance(sample.text) + padding);
    }
    return std::max(whole, std::min(text, freeTextCap(column)));
}

int GridView::freeTextCap(int column) const {
    // A width the operator chose for names or remarks stands; numbers and codes still show whole.
    const GridDefinition* def = model_ ? model_->definition() : nullptr;
    if (def && column < def->columns.size() && def->columns[column].widthStored)
        return 0;
    return table_->fontMetrics().horizontalAdvance(QString(kTextColumnMaxChars, u'汉'));
}

void GridView::widenToFooter() {
    if (!model_ || !model_->footerVisible())
        return;
    for (int c = 0; c < model_->columnCount(); ++c) {
        if (table_->isColumnHidden(c))
            continue;
        const QString text = model_->footerText(c);
        const int need =
            text.isEmpty() ? 0 : footer_->fontMetrics().horizontalAdvance(text) + kFooterPadding;
        if (table_->columnWidth(c) < need)
            table_->setColumnWidth(c, need);
    }
}

void GridView::widenToCells(int first, int last, int left, int right) {
    if (!model_)
        return;
    // A change of many rows at once comes with a reset, which fits the columns anyway.
    last = std::min({last, first + kFitSampleRows - 1, model_->rowCount() - 1});
    right = std::min(right, model_->columnCount() - 1);
    const int padding = cellPadding(table_);
    for (int c = std::max(left, 0); c <= right; ++c) {
        if (table_->isColumnHidden(c))
            continue;
        const int textCap = freeTextCap(c);
        int need = 0;
        for (int r = std::max(first, 0); r <= last; ++r) {
            bool free = false;
            const int w = cellWidth(r, c, &free) + padding;
            need = std::max(need, free ? std::min(w, textCap) : w);
        }
        if (table_->columnWidth(c) < need)
            table_->setColumnWidth(c, need);
    }
}

void GridView::onCurrentChanged() {
    if (!model_)
        return;
    const QModelIndex current = table_->currentIndex();
    model_->setCurrentRow(current.isValid() ? current.row() : -1);
}

void GridView::updateStrips() {
    const GridDefinition* def = model_ ? model_->definition() : nullptr;
    footer_->setVisible(model_ && model_->footerVisible());
    bands_->setVisible(def && !def->bands.isEmpty() && def->bandHeadersVisible);
    filter_->setVisible(def && filterRowWanted_ && def->filteringEnabled);
    footer_->update();
    bands_->update();
    filter_->update();
}

// ---------------------------------------------------------------------------------------------

GridStrip::GridStrip(QTableView* table, QWidget* parent) : QWidget(parent), table_(table) {
    auto follow = [this] {
        relayout();
        update();
    };
    connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this, follow);
    connect(table_->horizontalHeader(), &QHeaderView::sectionMoved, this, follow);
    connect(table_->horizontalHeader(), &QHeaderView::geometriesChanged, this, follow);
    connect(table_->horizontalScrollBar(), &QScrollBar::valueChanged, this, follow);
}

void GridStrip::setModel(RecordSetModel* model) {
    if (model_)
        disconnect(model_, nullptr, this, nullptr);
    model_ = model;
    if (model_) {
        connect(model_, &QAbstractItemModel::modelReset, this, [this] {
            relayout();
            update();
        });
    }
    relayout();
    update();
}

QSize GridStrip::sizeHint() const {
    return {QWidget::sizeHint().width(), fontMetrics().height() + 8};
}

int GridStrip::firstX() const {
    const QHeaderView* rows = table_->verticalHeader();
    return table_->frameWidth() + (rows->isVisible() ? rows->width() : 0);
}

int GridStrip::columnX(int column) const {
    return firstX() + table_->horizontalHeader()->sectionViewportPosition(column);
}

int GridStrip::columnWidth(int column) const {
    return table_->horizontalHeader()->sectionSize(column);
}

bool GridStrip::columnShown(int column) const {
    return !table_->horizontalHeader()->isSectionHidden(column);
}

// ---------------------------------------------------------------------------------------------

QPair<int, int> GridBandHeader::bandSpan(int band) const {
    if (!model_ || !model_->definition())
        return {0, 0};
    int left = 0;
    int right = 0;
    bool any = false;
    const auto& columns = model_->definition()->columns;
    for (int c = 0; c < columns.size(); ++c) {
        if (columns[c].bandIndex != band || !columnShown(c))
            continue;
        const int x = columnX(c);
        const int r = x + columnWidth(c);
        left = any ? std::min(left, x) : x;
        right = any ? std::max(right, r) : r;
        any = true;
    }
    return any ? qMakePair(left, right - left) : qMakePair(0, 0);
}

void GridBandHeader::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().button());
    if (!model_ || !model_->definition())
        return;
    p.setClipRect(firstX(), 0, width() - firstX(), height());
    const auto& bands = model_->definition()->bands;
    for (int b = 0; b < bands.size(); ++b) {
        if (!bands[b].visible)
            continue;
        const QPair<int, int> span = bandSpan(b);
        if (span.second <= 0)
            continue;
        const QRect r(span.first, 0, span.second - 1, height() - 1);
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(r);
        p.setPen(palette().color(QPalette::ButtonText));
        p.drawText(r, Qt::AlignCenter, bands[b].caption);
    }
}

// ---------------------------------------------------------------------------------------------

void GridFilterBar::setModel(RecordSetModel* model) {
    GridStrip::setModel(model);
    rebuild();
}

void GridFilterBar::rebuild() {
    qDeleteAll(editors_);
    editors_.clear();
    if (model_) {
        for (int c = 0; c < model_->columnCount(); ++c) {
            auto* edit = new QLineEdit(this);
            edit->setFrame(false);
            edit->setText(model_->columnFilter(c));
            connect(edit, &QLineEdit::editingFinished, this, [this, edit, c] {
                if (model_)
                    model_->setColumnFilter(c, edit->text());
            });
            editors_.append(edit);
        }
    }
    relayout();
}

void GridFilterBar::relayout() {
    if (model_ && editors_.size() != model_->columnCount()) {
        rebuild();  // a new set of columns
        return;
    }
    for (int c = 0; c < editors_.size(); ++c) {
        QLineEdit* edit = editors_[c];
        const int x = columnX(c);
        const int w = columnWidth(c);
        edit->setGeometry(x, 1, std::max(w - 1, 0), height() - 2);
        const GridDefinition* def = model_ ? model_->definition() : nullptr;
        const bool offered = def && c < def->columns.size() && def->columns[c].filtering;
        edit->setVisible(offered && columnShown(c) && x + w > firstX());
        if (model_ && edit->text() != model_->columnFilter(c) && !edit->hasFocus()) {
            edit->setText(model_->columnFilter(c));
        }
    }
}

void GridFilterBar::resizeEvent(QResizeEvent* event) {
    GridStrip::resizeEvent(event);
    relayout();
}

// ---------------------------------------------------------------------------------------------

void GridFooterBar::setModel(RecordSetModel* model) {
    GridStrip::setModel(model);
    if (model_)
        connect(model_, &RecordSetModel::footerChanged, this, [this] { update(); });
}

void GridFooterBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (!model_)
        return;
    const int left = firstX();
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(0, 0, width(), 0);
    p.setClipRect(left, 0, width() - left, height());
    for (int c = 0; c < model_->columnCount(); ++c) {
        if (!columnShown(c))
            continue;
        const int x = columnX(c);
        const int w = columnWidth(c);
        const QRect cellRect(x + 3, 1, w - 6, height() - 2);
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(x + w - 1, 1, x + w - 1, height());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(cellRect, static_cast<int>(model_->footerAlignment(c) | Qt::AlignVCenter),
                   model_->footerText(c));
    }
}

}  // namespace dyt
