#pragma once
// The column tag language of the grids.
//
// A grid is built in code from a list of captions. A caption may carry a tag list in square
// brackets in front of the visible text ("[%SUM%M%Cost%]预计资金", "[%F%]条码"). The tags decide
// the column's editor, number pattern, alignment, footer summary, starting visibility and whether
// the operator may see its values at all. Every rule is a substring test on the tag list, so the
// "%" separators and the order of tags do not matter, and a tag is found inside a longer one.
//
// This file is the description layer: it computes what a column looks like (GridColumn) from its
// caption and a GridContext (decimal places and the cost-view right). RecordSetModel and GridView
// turn the description into a Qt model and a view.

#include <QList>
#include <QString>
#include <Qt>

#include <optional>

#include "client/logic/fixedtext.h"

namespace dyt {

// What the column builder needs to know about the account set and the operator.
struct GridContext {
    int qtyDot = 2;           // qtydot: quantity places
    int priceDot = 2;         // pricedot: price places
    int totalDot = 2;         // totaldot: amount places
    int discountDot = 2;      // discountdot: discount places
    int taxDot = 2;           // taxdot: tax/ratio places
    bool canSeeCost = false;  // right 6003: may see costs
    QString programDir;       // where "images/1.bmp" (the button glyph) is looked up
};

enum class EditorKind { Text, Number, CheckBox, Button, Date };
enum class ValueKind { Text, Float };
enum class NumberKind { None, Percent, Money, Quantity, Price, Discount, Ratio };
enum class SummaryKind { None, Sum, Count, Max, Min, Avg };

// Tag value of a column that starts hidden through the "F" rule.
inline constexpr int kHiddenColumnTag = 110;
// Largest value the number editor accepts.
inline constexpr double kNumberEditorMax = 99999999.0;
// The text shown and edited in place of a masked cost value.
inline constexpr FixedText maskedText{u"***"};

// What a column built by AddGridColumn carries beside its description: whether it is printed
// (the column configuration sets it) and its place in the designed order of the view.
struct GridColumnExData {
    bool print = true;
    int designIndex = -1;
};

struct GridColumn {
    QString captionText;  // as given, with its tag list
    QString tags;         // the tag list (between the first "[" and the first "]")
    QString caption;      // visible caption
    QString fieldName;    // bound field, empty when unbound
    int bandIndex = 0;
    int width = 0;
    bool widthStored = false;  // the width is the operator's own (a stored layout)
    int tag = 0;               // 110 for a column hidden through the "F" rule
    bool visible = true;
    bool editable = false;
    bool filtering = true;  // offered in the filter row, as set for the view

    EditorKind editor = EditorKind::Text;
    ValueKind valueKind = ValueKind::Text;
    NumberKind numberKind = NumberKind::None;
    int decimals = 2;        // places of the number editor
    double maxValue = 0;     // number editor maximum (0: none)
    QString displayPattern;  // ",0.00;-,0.00" for number columns, empty for text columns
    QString footerPattern;   // "%s,0.00;%s-,0.00"
    bool masked = false;     // cost value hidden behind "***"
    QString buttonGlyph;     // image of the button editor, empty for the default glyph
    // A yes/no field shown as text: "是"/"否" like every other list (a field of the record
    // set's boolean type is shown so without it).
    bool flag = false;

    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    Qt::Alignment headerAlignment = Qt::AlignCenter;
    Qt::Alignment footerAlignment = Qt::AlignLeft | Qt::AlignVCenter;

    SummaryKind summary = SummaryKind::None;
    QString summaryFormat;  // footer text pattern: formatFloat pattern, "%s" slots filled
    QString summaryPrefix;  // "", "最大值：", "最小值：", "平均值："

    std::optional<GridColumnExData> exData;  // set by AddGridColumn

    bool isNumber() const { return numberKind != NumberKind::None; }
};

struct GridBand {
    QString caption;
    int width = 0;
    bool visible = true;
    bool fixedLeft = false;
};

// The description of one grid view: its columns, bands and view switches.
struct GridDefinition {
    GridContext context;
    bool allowHideColumns = true;  // the operator may hide columns (the "F" rule applies)
    bool filteringEnabled = true;  // column filtering as set for the view
    bool footerVisible = false;
    bool groupingBoxVisible = true;
    bool columnGrouping = true;
    bool autoHeaderHeight = true;
    bool bandHeadersVisible = true;
    int fixedBandSeparatorWidth = 2;
    QList<GridColumn> columns;
    QList<GridBand> bands;

    int columnIndex(const QString& fieldName) const;  // case-insensitive, -1 when absent
};

// Splits "[tags]caption": the tag list is the text between the first "[" and the first "]", the
// caption everything after that "]". Without "]" the whole text is the caption and there are no
// tags.
void SplitCaptionTags(const QString& captionText, QString* tags, QString* caption);

// The display and footer pattern pair of a settings pattern ("0.00" → ",0.00;-,0.00" and
// "%s,0.00;%s-,0.00").
struct PatternPair {
    QString display;
    QString footer;
};
PatternPair numberPatterns(const QString& settingsPattern);

// Builds one column and appends it to the view: caption and tags, width (raised to 7 pixels per
// GBK byte of the caption), editability, tags, binding, alignment by caption and the "F" rule.
// The returned reference stays valid until the next column is added to the view.
GridColumn& AddGridColumn(GridDefinition& view, const QString& captionText,
                          const QString& fieldName, bool editable, int width, int bandIndex = 0);

// Sets editor, patterns, alignment, masking and the footer summary of the column from the tags.
void ApplyColumnTags(GridDefinition& view, GridColumn& column, const QString& tags);

// Adds a footer summary at the column and switches the footer on. Every kind but count makes the
// column's values floating point.
void AddFooterSummary(GridDefinition& view, GridColumn& column, const QString& format,
                      SummaryKind kind, const QString& prefix = QString());

// Adds a band, visible when width is at least 1. With fixed the view is first reset (bands
// cleared, grouping off, automatic header height off, band headers off, separator width 0) and
// the band is fixed at the left.
// The returned reference stays valid until the next band is added.
GridBand& AddGridBand(GridDefinition& view, const QString& caption, int width, bool fixed);

}  // namespace dyt
