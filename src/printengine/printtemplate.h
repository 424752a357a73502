#pragma once
// Print template ("<window title>.QXF"): page, fonts, title, header fields, detail columns,
// footer lines and variables. Stored as a small UTF-8 text of sections and key=value lines:
//
//   ; comment
//   [page]      paper=A4 | A3 | A5 | B5 | Letter | 241x140 | 241x93 | custom
//               width=210  height=297  (millimetres, read for custom paper)
//               orientation=portrait | landscape     margins=left,top,right,bottom (mm)
//   [fonts]     title=family,points[,bold]   header=...   detail=...   footer=...
//   [title]     text=进货单
//   [header]    columns=3   repeat=yes|no   field=<field name>|<caption>   (one line per field)
//   [detail]    rowHeight=7 (mm)
//               column=<field>|<caption>|<width mm>|left|center|right|<decimals or auto>|[sum]
//   [footer]    line=<text>  (one line per footer line)   pageFooter=第 {page} 页 共 {pages} 页
//   [variables] <name>=<value>
//
// In values "\\" stands for a backslash, "\|" for a bar inside a field list and "\n" for a line
// break. Texts may hold {name}: a variable, a header field, {page}, {pages}, {date}, {time} or
// {sum:<field>} (the formatted sum of a detail field).

#include <QList>
#include <QPair>
#include <QSizeF>
#include <QString>
#include <QStringList>

namespace dyt {
class RecordSet;
}

namespace dyt::print {

enum class Align { Left, Center, Right };
enum class Orientation { Portrait, Landscape };

struct FontSpec {
    QString family;  // empty: the engine's Chinese default
    double pointSize = 10;
    bool bold = false;

    QString toText() const;
    static bool fromText(const QString& text, FontSpec* out);
    bool operator==(const FontSpec&) const = default;
};

struct HeaderField {
    QString field;    // name of the header record set's field
    QString caption;  // shown in front of the value followed by "："; empty shows the value only
    bool operator==(const HeaderField&) const = default;
};

struct DetailColumn {
    QString field;
    QString caption;
    double width = 20;  // millimetres
    Align align = Align::Left;
    int decimals = -1;  // -1: by the field type (integer 0, float and currency 2)
    bool sum = false;   // the total row shows the column's sum
    bool operator==(const DetailColumn&) const = default;
};

struct PrintTemplate {
    QString paper = QStringLiteral("A4");
    double paperWidth = 210;  // millimetres, portrait
    double paperHeight = 297;
    Orientation orientation = Orientation::Portrait;
    double marginLeft = 15, marginTop = 12, marginRight = 15, marginBottom = 12;

    FontSpec titleFont{QString(), 16, true};
    FontSpec headerFont{QString(), 10, false};
    FontSpec detailFont{QString(), 9, false};
    FontSpec footerFont{QString(), 9, false};

    QString title;
    int headerColumns = 3;
    bool repeatHeader = true;  // title and header fields on every page, not only the first
    QList<HeaderField> headerFields;

    double rowHeight = 7;
    QList<DetailColumn> columns;

    QStringList footerLines;
    QString pageFooter = QStringLiteral("第 {page} 页 共 {pages} 页");
    QList<QPair<QString, QString>> variables;

    bool operator==(const PrintTemplate&) const = default;

    // Page size in millimetres after the orientation.
    QSizeF pageSize() const;
    // Sets the paper by name; false for an unknown name. "custom" keeps the width and height.
    bool setPaper(const QString& name);
    static QStringList paperNames();

    QString toText() const;
    // Throws DytError naming the line of a fault.
    static PrintTemplate fromText(const QString& text);
    // Writes the file whole or not at all; throws DytError when it cannot be written.
    void save(const QString& path) const;
    static PrintTemplate load(const QString& path);

    // A template for data that has none: every header field with its caption, every detail field
    // as a column captioned by its field caption without grid tags, sums for number columns
    // tagged "%SUM%" and for untagged quantity and amount columns; a table narrower than the
    // page is widened to it, a wider one turns the page to landscape.
    static PrintTemplate generate(const QString& title, const RecordSet& header,
                                  const RecordSet& detail);
};

// Splits a grid caption "[tags]caption" into its visible caption and tag list; a caption without
// "]" is the visible caption whole.
QString stripCaptionTags(const QString& caption, QString* tags = nullptr);

QString alignName(Align align);
bool alignFromName(const QString& name, Align* out);

}  // namespace dyt::print
