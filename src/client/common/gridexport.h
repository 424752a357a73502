#pragma once
// Export of a grid's rows to a spreadsheet file ("转成Excel(&E)", print mode 4).

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

#include "client/logic/fixedtext.h"
#include "common/recordset.h"

class QWidget;

namespace dyt {

class GridView;

// Asks for the file (save dialog "导出到Excel"), writes the grid's columns and rows and opens
// the file with the shell. False when the operator cancels; errors go to the prompter.
bool exportGridToExcel(GridView* grid, QWidget* parent);

// Writes the grid's visible columns and its rows to `path`: the ".xlsx" workbook format when the
// name ends with ".xlsx", else the ".xls" worksheet format. The file appears whole or not at all.
// Throws DytError.
void writeGridWorkbook(const GridView* grid, const QString& path);

namespace gridexport {

// The save dialog: title "导出到Excel", the file types, the proposed name
// "数据-yyyy_MM_dd-hh_nn_ss.xls".
inline constexpr FixedText dialogTitle{u"导出到Excel"};
QString fileFilter();  // "Excel文件(*.xls);;Excel 2007文件(*.xlsx);;所有文件(*.*)"
inline constexpr FixedText xlsxFilter{u"Excel 2007文件(*.xlsx)"};
QString proposedFileName(const QDateTime& now);

// The file written for the name the operator chose: ".xls" is appended when the name does not
// contain ".xls" (letter case ignored), ".xlsx" instead when the operator picked the
// "Excel 2007文件(*.xlsx)" type.
QString targetFileName(const QString& chosen, const QString& selectedFilter);
bool isXlsxName(const QString& path);

// What the export writes: one field per column the grid shows, in the order it shows them, with
// the column's caption; one row per row of the grid, in its order. Number columns give Float
// fields with the value rounded to the places the column shows; a masked cost column gives the
// text "***"; other columns keep their field's type and value.
RecordSet gridRecords(const GridView* grid);

// The spreadsheet number format of a grid number pattern (",0.00;-,0.00" →
// "#,##0.00;\"-\"#,##0.00"); empty for a text column.
QString spreadsheetNumberFormat(const QString& displayPattern);

// Writes the records as an ".xlsx" workbook: the captions as the header row, numbers as numbers
// (with numberFormats[i], when given, for field i), texts trimmed; widths in pixels per field
// (0: default). The file appears whole or not at all. Throws DytError.
void writeXlsx(const RecordSet& records, const QList<QString>& numberFormats,
               const QList<int>& widths, const QString& path);

// --- hooks, so that tests neither show the save dialog nor open documents
// Returns the chosen file name (empty: cancelled) and the chosen file type in *selectedFilter.
using FileChooser =
    std::function<QString(QWidget* parent, const QString& title, const QString& proposed,
                          const QString& filter, QString* selectedFilter)>;
using DocumentOpener = std::function<bool(const QString& path)>;
// Each returns the previous hook; an empty function restores the system's own (the file dialog,
// the shell's "open").
FileChooser setFileChooser(FileChooser chooser);
// The save dialog through the hook: the chosen file name, empty when cancelled.
QString chooseSaveFile(QWidget* parent, const QString& title, const QString& proposed,
                       const QString& filter);
DocumentOpener setDocumentOpener(DocumentOpener opener);

}  // namespace gridexport
}  // namespace dyt
