#pragma once
// TfrmXQueryFilter: filters ("过滤") or locates ("定位") rows of a grid by a column, an operator
// and a value.

class QWidget;

namespace dyt {

class GridView;

enum class QueryFilterMode { Filter, Locate };

// Runs the dialog on the grid's own rows; true when a condition was applied.
bool RunQueryFilter(GridView* grid, QueryFilterMode mode, QWidget* parent);

}  // namespace dyt
