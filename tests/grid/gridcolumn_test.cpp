// The column tag language: splitting captions, the tag table, the width and alignment rules, the
// "F" rule, the cost mask and the footer summaries.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "client/logic/gridcolumn.h"
#include "common/formatting.h"
#include "grid/printers.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt {
namespace {

// Distinct places for every setting so that a wrong choice shows.
GridContext context(bool canSeeCost) {
    GridContext c;
    c.qtyDot = 3;
    c.priceDot = 4;
    c.totalDot = 5;
    c.discountDot = 1;
    c.taxDot = 0;
    c.canSeeCost = canSeeCost;
    c.programDir = u"/nonexistent-program-dir"_s;
    return c;
}

GridDefinition definition(bool canSeeCost = true) {
    GridDefinition s;
    s.context = context(canSeeCost);
    return s;
}

TEST(SplitCaptionTags, CutsAtTheFirstBrackets) {
    struct Case {
        const char16_t* text;
        const char16_t* tags;
        const char16_t* caption;
    };
    const Case cases[] = {
        {u"[%F%]条码", u"%F%", u"条码"}, {u"[%SUM%M%Cost%]预计资金", u"%SUM%M%Cost%", u"预计资金"},
        {u"[]买赠说明", u"", u"买赠说明"}, {u"买赠说明", u"", u"买赠说明"},
        {u"[%Q%]数量[箱]", u"%Q%", u"数量[箱]"},  // the caption keeps later brackets
        {u"[a]b]c", u"a", u"b]c"},  // the first "]" closes the list
        {u"[%M%]", u"%M%", u""},
        {u"[%M%金额", u"", u"[%M%金额"},  // no "]": the whole text is the caption
        {u"", u"", u""}};
    for (const Case& c : cases) {
        QString tags = u"stale"_s;
        QString caption = u"stale"_s;
        SplitCaptionTags(QString::fromUtf16(c.text), &tags, &caption);
        EXPECT_EQ(QString::fromUtf16(c.tags), tags) << QString::fromUtf16(c.text).toStdString();
        EXPECT_EQ(QString::fromUtf16(c.caption), caption)
            << QString::fromUtf16(c.text).toStdString();
    }
}

// One row per number tag of the tag table: kind, places, patterns, and a value shown with them.
TEST(ApplyColumnTags, NumberTagTableAndTextColumns) {
    struct Case {
        const char* tags;
        NumberKind kind;
        int decimals;
        const char* display;
        const char* footer;
        double sample;
        const char* shown;
    };
    const Case cases[] = {
        {"%R", NumberKind::Percent, 2, ",0.00%;-,0.00%", "%s,0.00%;%s-,0.00%", 12.5, "12.50%"},
        {"%M%", NumberKind::Money, 5, ",0.00000;-,0.00000", "%s,0.00000;%s-,0.00000", 1234.5,
         "1,234.50000"},
        {"%Q%", NumberKind::Quantity, 3, ",0.000;-,0.000", "%s,0.000;%s-,0.000", -1234.5,
         "-1,234.500"},
        {"%P%", NumberKind::Price, 4, ",0.0000;-,0.000", "%s,0.0000;%s-,0.000", 2.5, "2.5000"},
        {"%D%", NumberKind::Discount, 1, ",0.0;-,0.0", "%s,0.0;%s-,0.0", 0.85, "0.9"},
        {"%T%", NumberKind::Ratio, 0, ",0.;-,0.", "%s,0.;%s-,0.", 16.5, "17"},
        // First match wins, in the order %R, %M%, %Q%, %P%, %D%, %T%.
        {"%T%Q%", NumberKind::Quantity, 3, ",0.000;-,0.000", "%s,0.000;%s-,0.000", 1, "1.000"},
        {"%P%M%", NumberKind::Money, 5, ",0.00000;-,0.00000", "%s,0.00000;%s-,0.00000", 1,
         "1.00000"},
        {"%RATE%Q%", NumberKind::Percent, 2, ",0.00%;-,0.00%", "%s,0.00%;%s-,0.00%", 1, "1.00%"},
        // A tag is found inside a longer one: "%SUM%M%" holds "%M%".
        {"%NUM%SUM%Q%", NumberKind::Quantity, 3, ",0.000;-,0.000", "%s,0.000;%s-,0.000", 2,
         "2.000"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tags);
        GridDefinition view = definition();
        GridColumn col;
        col.editable = true;
        ApplyColumnTags(view, col, QLatin1String(c.tags));
        EXPECT_EQ(c.kind, col.numberKind);
        EXPECT_EQ(c.decimals, col.decimals);
        EXPECT_EQ(QLatin1String(c.display), col.displayPattern);
        EXPECT_EQ(QLatin1String(c.footer), col.footerPattern);
        EXPECT_EQ(ValueKind::Float, col.valueKind);
        EXPECT_EQ(EditorKind::Number, col.editor);
        EXPECT_EQ(kNumberEditorMax, col.maxValue);
        EXPECT_EQ(Qt::AlignRight, col.alignment & Qt::AlignHorizontal_Mask);
        EXPECT_EQ(Qt::AlignRight, col.footerAlignment & Qt::AlignHorizontal_Mask);
        EXPECT_FALSE(col.masked);
        EXPECT_TRUE(col.editable);
        EXPECT_EQ(QLatin1String(c.shown), formatFloat(col.displayPattern, c.sample));
    }
    // Without a number tag the column is text.
    const char* textTags[] = {"", "%NUM%", "%SEL%", "%F%", "DATA", "%s", "%SUM%", "Cost", "%CHK%"};
    for (const char* tags : textTags) {
        SCOPED_TRACE(tags);
        GridDefinition view = definition();
        GridColumn col;
        ApplyColumnTags(view, col, QLatin1String(tags));
        EXPECT_EQ(NumberKind::None, col.numberKind);
        EXPECT_EQ(EditorKind::Text, col.editor);
        EXPECT_EQ(QString(), col.displayPattern);
        EXPECT_EQ(u"%s,0.00;%s-,0.00"_s, col.footerPattern);
        EXPECT_FALSE(col.masked);
    }
}

TEST(ApplyColumnTags, EditorTagsAndButtonGlyphs) {
    struct Case {
        const char* tags;
        EditorKind editor;
        ValueKind value;
    };
    const Case cases[] = {
        {"&CHK", EditorKind::CheckBox, ValueKind::Text},
        {"%Q%&CHK", EditorKind::CheckBox, ValueKind::Text},  // the check box keeps text values
        {"%SET%", EditorKind::Button, ValueKind::Text},
        {"SET", EditorKind::Button, ValueKind::Text}, {"%DATA%", EditorKind::Date, ValueKind::Text},
        {"DATA", EditorKind::Text, ValueKind::Text},  // without percent signs: not a date
        {"%M%SET", EditorKind::Button, ValueKind::Float}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tags);
        GridDefinition view = definition();
        GridColumn col;
        ApplyColumnTags(view, col, QLatin1String(c.tags));
        EXPECT_EQ(c.editor, col.editor);
        EXPECT_EQ(c.value, col.valueKind);
    }
    // The button glyph comes from the program directory when the image exists.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    GridDefinition view = definition();
    view.context.programDir = dir.path();
    GridColumn without;
    ApplyColumnTags(view, without, u"%SET%"_s);
    EXPECT_EQ(QString(), without.buttonGlyph);
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"images"_s));
    const QString image = QDir(dir.path()).filePath(u"images/1.bmp"_s);
    test::writeFile(image, "BM");
    GridColumn with;
    ApplyColumnTags(view, with, u"%SET%"_s);
    EXPECT_EQ(image, with.buttonGlyph);
}

TEST(ApplyColumnTags, SummaryTagsFirstMatchWinsAndCostColumnsWithoutTheRight) {
    struct Case {
        const char* tags;
        SummaryKind kind;
        const char16_t* format;
        const char16_t* prefix;
    };
    const Case cases[] = {
        {"%SUM%", SummaryKind::Sum, u"%s,0.00;%s-,0.00", u""},
        {"%CNT%", SummaryKind::Count, u"合计", u""},
        {"%MAX%", SummaryKind::Max, u"%s,0.00;%s-,0.00", u"最大值："},
        {"%MIN%", SummaryKind::Min, u"%s,0.00;%s-,0.00", u"最小值："},
        {"%AVG%", SummaryKind::Avg, u"%s,0.00;%s-,0.00", u"平均值："},
        {"%AVG%MIN%MAX%CNT%SUM%", SummaryKind::Sum, u"%s,0.00;%s-,0.00", u""},
        {"%AVG%MIN%CNT%", SummaryKind::Count, u"合计", u""},
        {"%AVG%MIN%", SummaryKind::Min, u"%s,0.00;%s-,0.00", u"最小值："},
        {"%Q%SUM%", SummaryKind::Sum, u"%s,0.000;%s-,0.000", u""},
        {"%P%MAX%", SummaryKind::Max, u"%s,0.0000;%s-,0.000", u"最大值："},
        {"%R%AVG%", SummaryKind::Avg, u"%s,0.00%;%s-,0.00%", u"平均值："},
        {"%NUM%", SummaryKind::None, u"", u""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tags);
        GridDefinition view = definition();
        GridColumn col;
        ApplyColumnTags(view, col, QLatin1String(c.tags));
        EXPECT_EQ(c.kind, col.summary);
        EXPECT_EQ(QString::fromUtf16(c.format), col.summaryFormat);
        EXPECT_EQ(QString::fromUtf16(c.prefix), col.summaryPrefix);
        EXPECT_EQ(c.kind != SummaryKind::None, view.footerVisible);
        // A summary other than the count makes a text column hold numbers.
        const bool numbers = c.kind != SummaryKind::None && c.kind != SummaryKind::Count;
        EXPECT_EQ(numbers ? ValueKind::Float : ValueKind::Text, col.valueKind);
    }
    // A cost column without the right.
    struct CostCase {
        const char* tags;
        bool masked;
        SummaryKind kind;
    };
    const CostCase costCases[] = {
        {"%SUM%M%Cost%", true, SummaryKind::None},
        // The summary tags after a refused one are still tried.
        {"%SUM%CNT%M%Cost%", true, SummaryKind::Count},
        {"%SUM%MAX%MIN%AVG%P%Cost%", true, SummaryKind::None},
        {"%MAX%Cost%Q%", true, SummaryKind::None},
        {"%MIN%CNT%Cost%Q%", true, SummaryKind::Count},
        // "Cost" masks only number columns, but a text column's summary is still refused.
        {"%SUM%Cost%", false, SummaryKind::None},
        {"%CNT%Cost%", false, SummaryKind::Count},
        // "cost" in another letter case is no cost tag.
        {"%SUM%M%cost%", false, SummaryKind::Sum}};
    for (const CostCase& c : costCases) {
        SCOPED_TRACE(c.tags);
        GridDefinition view = definition(false);
        GridColumn col;
        col.editable = true;
        ApplyColumnTags(view, col, QLatin1String(c.tags));
        EXPECT_EQ(c.masked, col.masked);
        EXPECT_EQ(!c.masked, col.editable);
        EXPECT_EQ(c.kind, col.summary);
        EXPECT_EQ(c.kind != SummaryKind::None, view.footerVisible);
    }
    // With the right the cost column is an ordinary money column.
    GridDefinition allowed = definition(true);
    const GridColumn& open =
        AddGridColumn(allowed, u"[%SUM%M%Cost%]预计资金"_s, u"yjzj"_s, true, 80);
    EXPECT_FALSE(open.masked);
    EXPECT_TRUE(open.editable);
    EXPECT_EQ(SummaryKind::Sum, open.summary);
}

// One row per caption: what AddGridColumn makes of its tags and text. "F" anywhere in the tags
// hides the column (tag 110) when the grid lets columns hide; "额" or "价" in the caption or a
// number tag aligns it right; a check box is editable even when the column was asked read-only.
TEST(AddGridColumn, CaptionTableAndWidths) {
    using E = EditorKind;
    using S = SummaryKind;
    struct Case {
        const char16_t* text;
        bool editable;
        bool allowHide;
        const char16_t* caption;
        const char16_t* tags;
        bool visible;
        E editor;
        S summary;
        bool editableOut;
        bool right;
    };
    const Case cases[] = {
        {u"[%F%]条码", false, true, u"条码", u"%F%", false, E::Text, S::None, false, false},
        {u"[%F%]条码", false, false, u"条码", u"%F%", true, E::Text, S::None, false, false},
        {u"[F]甲", false, true, u"甲", u"F", false, E::Text, S::None, false, false},
        {u"[%Q%F]乙", false, true, u"乙", u"%Q%F", false, E::Number, S::None, false, true},
        {u"[%FOO%]丙", false, true, u"丙", u"%FOO%", false, E::Text, S::None, false, false},
        {u"[%SUM%F%M%]丁", false, true, u"丁", u"%SUM%F%M%", false, E::Number, S::Sum, false, true},
        {u"[%f%]甲", false, true, u"甲", u"%f%", true, E::Text, S::None, false, false},
        {u"[%Q%]F值", false, true, u"F值", u"%Q%", true, E::Number, S::None, false, true},
        {u"[%SET%CNT%F%]商品名称", true, true, u"商品名称", u"%SET%CNT%F%", false, E::Button,
         S::Count, true, false},
        {u"[]买赠说明", true, true, u"买赠说明", u"", true, E::Text, S::None, true, false},
        {u"买赠说明", true, true, u"买赠说明", u"", true, E::Text, S::None, true, false},
        {u"[&CHK]选择", false, true, u"选择", u"&CHK", true, E::CheckBox, S::None, true, false},
        {u"金额", false, true, u"金额", u"", true, E::Text, S::None, false, true},
        {u"含税价格", false, true, u"含税价格", u"", true, E::Text, S::None, false, true},
        {u"[]额度说明", false, true, u"额度说明", u"", true, E::Text, S::None, false, true},
        {u"数量", false, true, u"数量", u"", true, E::Text, S::None, false, false},
        {u"[%DATA%]日期", false, true, u"日期", u"%DATA%", true, E::Date, S::None, false, false},
        {u"[%CNT%]编号", false, true, u"编号", u"%CNT%", true, E::Text, S::Count, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.text).toStdString() + (c.allowHide ? "" : " fixed"));
        GridDefinition view = definition();
        view.allowHideColumns = c.allowHide;
        const GridColumn& col =
            AddGridColumn(view, QString::fromUtf16(c.text), u"f1"_s, c.editable, 100);
        EXPECT_EQ(QString::fromUtf16(c.caption), col.caption);
        EXPECT_EQ(QString::fromUtf16(c.tags), col.tags);
        EXPECT_EQ(u"f1"_s, col.fieldName);
        EXPECT_EQ(c.visible, col.visible);
        EXPECT_EQ(c.visible ? 0 : kHiddenColumnTag, col.tag);
        EXPECT_EQ(c.editor, col.editor);
        EXPECT_EQ(c.summary, col.summary);
        EXPECT_EQ(c.summary != S::None, view.footerVisible);
        EXPECT_EQ(c.editableOut, col.editable);
        EXPECT_EQ((c.right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, col.alignment);
        EXPECT_EQ(Qt::AlignCenter, col.headerAlignment);
        EXPECT_EQ(100, col.width);
        EXPECT_TRUE(col.filtering);
    }
    GridDefinition unfiltered = definition();
    unfiltered.filteringEnabled = false;
    EXPECT_FALSE(AddGridColumn(unfiltered, u"乙"_s, QString(), false, 60).filtering);
    // The width is raised to seven pixels per GBK byte.
    struct WidthCase {
        const char16_t* caption;
        int width;
        int expected;
    };
    const WidthCase widths[] = {{u"商品名称", 20, 56},        // four Chinese characters = 8 bytes
                                {u"商品名称", 80, 80},        // a wider given width stays
                                {u"[%Q%F%SUM%]数量", 5, 28},  // the tags do not count
                                {u"ABC", 20, 21},             // ASCII: one byte each
                                {u"ABC", 21, 21},
                                {u"单价A", 0, 35},  // 5 bytes
                                {u"", 0, 0}};
    for (const WidthCase& c : widths) {
        GridDefinition view = definition();
        view.allowHideColumns = false;
        const GridColumn& col =
            AddGridColumn(view, QString::fromUtf16(c.caption), QString(), false, c.width);
        EXPECT_EQ(c.expected, col.width) << QString::fromUtf16(c.caption).toStdString();
        // Visibility follows the given width, not the raised one.
        EXPECT_EQ(c.width >= 1, col.visible) << QString::fromUtf16(c.caption).toStdString();
    }
}

TEST(AddGridColumn, NegativePricesBandsOrderAndTheFixedBand) {
    // The places 4 and 3 of the settings are in the tag table above; here the quantity has none.
    GridDefinition whole = definition();
    whole.context.qtyDot = 0;
    const GridColumn& p0 = AddGridColumn(whole, u"[%P%]单价"_s, QString(), true, 60);
    EXPECT_EQ(u"-13"_s, formatFloat(p0.displayPattern, -12.5));
    EXPECT_EQ(u"12.5000"_s, formatFloat(p0.displayPattern, 12.5));
    // Columns keep their band and are appended in order.
    GridDefinition view = definition();
    AddGridColumn(view, u"编号"_s, u"code"_s, false, 60, 0);
    AddGridColumn(view, u"[%Q%]数量"_s, u"qty"_s, true, 60, 2);
    ASSERT_EQ(2, view.columns.size());
    EXPECT_EQ(u"code"_s, view.columns[0].fieldName);
    EXPECT_EQ(2, view.columns[1].bandIndex);
    EXPECT_EQ(1, view.columnIndex(u"QTY"_s));
    EXPECT_EQ(-1, view.columnIndex(u"price"_s));
    // A fixed band resets the banded.
    GridDefinition banded = definition();
    AddGridBand(banded, u"基本信息"_s, 100, false);
    AddGridBand(banded, u"隐藏"_s, 0, false);
    ASSERT_EQ(2, banded.bands.size());
    EXPECT_TRUE(banded.bands[0].visible);
    EXPECT_FALSE(banded.bands[1].visible);
    EXPECT_FALSE(banded.bands[0].fixedLeft);
    EXPECT_TRUE(banded.bandHeadersVisible);
    GridBand& fixed = AddGridBand(banded, u"商品"_s, 1, true);
    ASSERT_EQ(1, banded.bands.size());
    EXPECT_TRUE(fixed.visible && fixed.fixedLeft);
    EXPECT_FALSE(banded.groupingBoxVisible);
    EXPECT_FALSE(banded.columnGrouping);
    EXPECT_FALSE(banded.autoHeaderHeight);
    EXPECT_FALSE(banded.bandHeadersVisible);
    EXPECT_EQ(0, banded.fixedBandSeparatorWidth);
}

}  // namespace
}  // namespace dyt
