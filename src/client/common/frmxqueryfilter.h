#pragma once
// TfrmXQueryFilter: filters ("过滤") or locates ("定位") rows of a grid by a column, an operator
// and a value.

#include <QList>

#include "client/common/frmbase.h"
#include "client/common/queryfilter.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace dyt {

class GridView;

enum class QueryFilterMode { Filter, Locate };

// Runs the dialog on the grid's own rows; true when a condition was applied. Throws DytError
// " 不支持该类型视图的过滤" for a grid that cannot be filtered.
bool runQueryFilter(GridView* grid, QueryFilterMode mode, QWidget* parent);

class TfrmXQueryFilter : public client::TfrmBaseDialog {
    Q_OBJECT

public:
    // Throws DytError " 不支持该类型视图的过滤" for a grid without a record-set model.
    TfrmXQueryFilter(GridView* grid, QueryFilterMode mode, QWidget* parent = nullptr);

    QueryFilterMode mode() const { return mode_; }
    QComboBox* columnBox() const { return cbColumn_; }
    QComboBox* operatorBox() const { return cbOperator_; }
    QLineEdit* valueEdit() const { return edValue_; }
    QLabel* conditionLabel() const { return lbCondition_; }
    // The grid columns the column box offers, in its order.
    const QList<int>& offeredColumns() const { return columns_; }

    void setColumn(int gridColumn);  // picks the column in the box
    void setOperator(gridfilter::FilterOperator op);
    void setScope(gridfilter::FilterScope scope);
    gridfilter::FilterScope scope() const;

    // "确定(&O)" and Enter in the value box: applies the condition to the grid (filter) or moves to
    // the next row that meets it (locate) and closes; an error is shown ("提示") and the dialog
    // stays open.
    void btnOKClick() override;

private:
    GridView* grid_;
    QueryFilterMode mode_;
    QList<int> columns_;
    QComboBox* cbColumn_ = nullptr;
    QComboBox* cbOperator_ = nullptr;
    QLineEdit* edValue_ = nullptr;
    QButtonGroup* scopes_ = nullptr;
    QLabel* lbCondition_ = nullptr;
};

}  // namespace dyt
