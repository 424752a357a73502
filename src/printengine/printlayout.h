#pragma once
// Page layout of a print: the template and the two record sets become pages of positioned texts
// (millimetres from the page's top left corner). The painter only draws these items, so the
// layout is what tests check.

#include <QList>
#include <QPair>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>

#include "printengine/printtemplate.h"

namespace dyt {
class RecordSet;
enum class FieldType;
}  // namespace dyt

namespace dyt::print {

enum class ItemRole {
    Title,         // the title line
    Header,        // one header field "caption：value"
    ColumnHeader,  // a column caption above the detail rows (repeated on each page)
    Cell,          // a detail value
    Total,         // the total row under the last detail row
    Footer,        // a footer line after the total row
    PageFooter     // "第 N 页 共 M 页" at the bottom of every page
};

struct LayoutItem {
    ItemRole role = ItemRole::Cell;
    QRectF rect;  // millimetres
    QString text;
    Align align = Align::Left;
    bool boxed = false;  // drawn with a frame (table cells)
    int row = -1;        // detail row of a cell
    int column = -1;     // template column of a column header, cell or total
};

struct LayoutPage {
    QList<LayoutItem> items;
    QList<int> rows;  // detail rows on the page, in order

    QStringList texts(ItemRole role) const;
};

struct Layout {
    QSizeF pageSize;  // millimetres, after a turn to landscape
    Orientation orientation = Orientation::Portrait;
    // The detail font (column headers, cells, totals) relative to the template's: below 1 when
    // the table had to be narrowed to the page.
    double detailFontScale = 1;
    QList<LayoutPage> pages;
};

// How a table of the given width (millimetres) is put on the template's paper: a table wider
// than the printable width turns the page to landscape when the paper is wider that way, and
// what is still too wide is narrowed in proportion (scale below 1), its font with it but not
// below kMinDetailPoints.
struct TableFit {
    Orientation orientation = Orientation::Portrait;
    double scale = 1;      // column widths
    double fontScale = 1;  // detail font
};
inline constexpr double kMinDetailPoints = 6;
TableFit fitTable(const PrintTemplate& tpl, double tableWidth);

// Breaks a text into lines no wider than width millimetres in the font (at least one character
// a line); explicit line breaks are kept.
QStringList wrapText(const QString& text, const FontSpec& font, double width);

// Values a print adds to the template's variables (the caller's print variables).
using Variables = QList<QPair<QString, QString>>;

// Lays out the pages: the table fitted to the page (fitTable), header fields that do not fit
// their cell wrapped onto more lines. Throws DytError when not even one detail row fits on a
// page.
Layout layoutPages(const PrintTemplate& tpl, const RecordSet& header, const RecordSet& detail,
                   const Variables& extra = {});

// Value as printed: numbers with thousands separators and the column's decimal places (-1: by
// the field type), dates "yyyy-MM-dd", stamps "yyyy-MM-dd hh:mm:ss", booleans "是"/"否".
QString formatValue(const QVariant& value, FieldType type, int decimals);
// Groups the integer digits of a number in threes: 1234567.5, 2 -> "1,234,567.50".
QString formatNumber(double value, int decimals);

// Height in millimetres of one line of text in a font of the given size.
double lineHeight(double pointSize);
// Width in millimetres of a text in a font, as the renderer sets it.
double textWidth(const QString& text, const FontSpec& font);
// Room the renderer leaves on either side of a text inside its item (millimetres).
inline constexpr double kTextPadding = 0.8;

}  // namespace dyt::print
