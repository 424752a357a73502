#include "client/common/frmxqueryfilter.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

#include "client/common/gridview.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "common/error.h"

namespace dyt {

using gridfilter::FilterOperator;
using gridfilter::FilterScope;

TfrmXQueryFilter::TfrmXQueryFilter(GridView* grid, QueryFilterMode mode, QWidget* parent)
    : client::TfrmBaseDialog(parent), grid_(grid), mode_(mode) {
    const RecordSetModel* model = grid ? grid->model() : nullptr;
    if (!model || !model->records() || !model->definition())
        throw DytError(gridfilter::unsupportedViewText());
    const GridDefinition& def = *model->definition();

    setObjectName(QStringLiteral("frmXQueryFilter"));
    setWindowTitle(mode == QueryFilterMode::Filter ? QStringLiteral("过滤")
                                                   : QStringLiteral("定位"));
    setMinimumWidth(340);
    lbltitle()->setText(windowTitle());

    auto* layout = new QVBoxLayout(contentBox());
    auto* form = new QFormLayout;
    cbColumn_ = new QComboBox(this);
    cbColumn_->setObjectName(QStringLiteral("cbColumn"));
    // The columns the operator sees and that show a field, in the grid's order.
    for (int c = 0; c < def.columns.size(); ++c) {
        const GridColumn& col = def.columns[c];
        if (col.fieldName.isEmpty() || grid->table()->isColumnHidden(c))
            continue;
        columns_.append(c);
        cbColumn_->addItem(col.caption);
    }
    const QModelIndex current = grid->table()->currentIndex();
    if (current.isValid())
        setColumn(current.column());
    cbOperator_ = new QComboBox(this);
    cbOperator_->setObjectName(QStringLiteral("cbOperator"));
    cbOperator_->addItems(gridfilter::filterOperatorTexts());
    edValue_ = new QLineEdit(this);
    edValue_->setObjectName(QStringLiteral("edValue"));
    form->addRow(QStringLiteral("列名称"), cbColumn_);
    form->addRow(QStringLiteral("条件"), cbOperator_);
    form->addRow(QStringLiteral("值"), edValue_);
    layout->addLayout(form);

    auto* scopeBox = new QGroupBox(this);
    scopeBox->setObjectName(QStringLiteral("rgScope"));
    auto* scopeLayout = new QVBoxLayout(scopeBox);
    scopes_ = new QButtonGroup(this);
    const QStringList scopeTexts = gridfilter::filterScopeTexts();
    for (int i = 0; i < scopeTexts.size(); ++i) {
        auto* radio = new QRadioButton(scopeTexts[i], scopeBox);
        scopes_->addButton(radio, i);
        scopeLayout->addWidget(radio);
    }
    scopes_->button(0)->setChecked(true);
    // Locating looks for one condition; the scopes only mean something for a filter.
    scopeBox->setVisible(mode == QueryFilterMode::Filter);
    layout->addWidget(scopeBox);

    lbCondition_ = new QLabel(this);
    lbCondition_->setObjectName(QStringLiteral("lbCondition"));
    lbCondition_->setWordWrap(true);
    lbCondition_->setText(gridfilter::currentQueryFilter(grid).text());
    lbCondition_->setVisible(mode == QueryFilterMode::Filter);
    layout->addWidget(lbCondition_);

    // Enter in the value box applies the condition, not the buttons' default.
    btnOK()->setAutoDefault(false);
    btnExit()->setAutoDefault(false);
    connect(edValue_, &QLineEdit::returnPressed, this, [this] { btnOKClick(); });
    edValue_->setFocus();
}

void TfrmXQueryFilter::setColumn(int gridColumn) {
    const int at = static_cast<int>(columns_.indexOf(gridColumn));
    if (at >= 0)
        cbColumn_->setCurrentIndex(at);
}

void TfrmXQueryFilter::setOperator(FilterOperator op) {
    cbOperator_->setCurrentIndex(static_cast<int>(op));
}

void TfrmXQueryFilter::setScope(FilterScope scope) {
    scopes_->button(static_cast<int>(scope))->setChecked(true);
}

FilterScope TfrmXQueryFilter::scope() const {
    return static_cast<FilterScope>(std::max(0, scopes_->checkedId()));
}

void TfrmXQueryFilter::btnOKClick() {
    try {
        const RecordSetModel* model = grid_->model();
        if (!model || !model->definition())
            throw DytError(gridfilter::unsupportedViewText());
        const int at = cbColumn_->currentIndex();
        const int column = at >= 0 && at < columns_.size() ? columns_[at] : -1;
        const gridfilter::QueryCondition condition = gridfilter::QueryFilter::makeCondition(
            *model->definition(), column, static_cast<FilterOperator>(cbOperator_->currentIndex()),
            edValue_->text());
        if (mode_ == QueryFilterMode::Filter) {
            gridfilter::applyQueryFilter(grid_, condition, scope());
        } else if (gridfilter::locateRow(grid_, condition) < 0) {
            client::prompter().message(
                client::caption::hint(),
                QStringLiteral("没有找到符合条件%1的记录").arg(condition.text()));
            return;
        }
    } catch (const DytError& e) {
        client::prompter().message(client::caption::hint(), e.message(),
                                   client::MessageIcon::Warning);
        return;
    }
    client::TfrmBaseDialog::btnOKClick();
}

bool runQueryFilter(GridView* grid, QueryFilterMode mode, QWidget* parent) {
    TfrmXQueryFilter dialog(grid, mode, parent);
    return dialog.exec() == 1;
}

}  // namespace dyt
