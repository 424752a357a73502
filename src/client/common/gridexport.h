#pragma once
// Export of a grid's rows to a spreadsheet file ("转成Excel(&E)", print mode 4).

#include <QString>

class QWidget;

namespace dyt {

class GridView;

// Asks for the file (save dialog "导出到Excel"), writes the grid's columns and rows and opens
// the file with the shell. False when the operator cancels; errors go to the prompter.
bool ExportGridToExcel(GridView* grid, QWidget* parent);

// Writes the grid's visible columns and its rows to `path`: the ".xlsx" workbook format when the
// name ends with ".xlsx", else the ".xls" worksheet format. The file appears whole or not at all.
// Throws DytError.
void WriteGridWorkbook(const GridView* grid, const QString& path);

}  // namespace dyt
