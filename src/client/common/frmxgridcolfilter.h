#pragma once
// TfrmXGridColFilter ("表格列配置"): the operator's choice of the grid's columns, their captions,
// visibility, print flags and order.

class QWidget;

namespace dyt {

class GridView;

// Runs the dialog on the grid; on "确定" applies the choice to the grid and returns true (the
// caller saves the layout).
bool RunGridColFilter(GridView* grid, QWidget* parent);

}  // namespace dyt
