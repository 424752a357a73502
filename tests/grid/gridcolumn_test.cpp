// The column tag language: splitting captions, the tag table, the width and alignment rules, the
// "F" rule, the cost mask and the footer summaries; the column configuration of a grid.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <QCheckBox>
#include <QHeaderView>
#include <QTableView>
#include "client/common/frmxgridcolfilter.h"
#include "client/common/gridcolconfig.h"
#include "client/common/gridview.h"
#include "client/logic/gridcolumn.h"
#include "client/logic/recordsetmodel.h"
#include "common/error.h"
#include "common/formatting.h"
#include "grid/printers.h"
#include "support/client/scriptedprompter.h"
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

// --- the column configuration ("表格列配置"): which columns are offered, the rules of captions and
// visibility, default captions and order, and how the choice lands on the grid
using gridfilter::ColumnConfig;
using test::errorOf;

QStringList fieldsOf(const GridDefinition& def) {
    QStringList out;
    for (const GridColumn& c : def.columns)
        out.append(c.fieldName);
    return out;
}

QStringList listed(const ColumnConfig& config, QString ColumnConfig::Row::*member) {
    QStringList out;
    for (const ColumnConfig::Row& r : config.rows())
        out.append(r.*member);
    return out;
}

// Five columns as a goods list builds them; the third is fixed by its window (identity -1).
GridDefinition goodsGrid() {
    GridDefinition def;
    def.context.qtyDot = 2;
    AddGridColumn(def, u"商品编号"_s, u"code"_s, false, 60);
    AddGridColumn(def, u"[%F%]条码"_s, u"barcode"_s, false, 80);
    AddGridColumn(def, u"内部号"_s, u"id"_s, false, 40);
    AddGridColumn(def, u"[%Q%SUM%]数量"_s, u"qty"_s, true, 70);
    AddGridColumn(def, u"[%M%]金额"_s, u"amount"_s, false, 70);
    def.columns[2].tag = -1;
    return def;
}

TEST(ColumnConfig, IdentityFollowsTheTagAndHidingRuleAndEveryColumnButTheFixedOnesIsOffered) {
    struct Case {
        const char* name;
        int tag;
        bool allowHide;
        int identity;
    };
    const Case cases[] = {{"tag 0, hideable grid", 0, true, 111},
                          {"tag 0, fixed grid", 0, false, -1},
                          {"hidden by the F rule", 110, true, 110},
                          {"own tag in a fixed grid", 5, false, 5},
                          {"fixed by its window", -1, true, -1}};
    for (const Case& c : cases) {
        GridDefinition def;
        def.allowHideColumns = c.allowHide;
        GridColumn column;
        column.tag = c.tag;
        EXPECT_EQ(c.identity, gridfilter::columnIdentity(def, column)) << c.name;
    }
    // The configuration offers every column but the fixed ones.
    const GridDefinition def = goodsGrid();
    const ColumnConfig config(def);
    QStringList rows;
    for (const ColumnConfig::Row& r : config.rows())
        rows << u"%1 %2 %3 %4 %5"_s.arg(r.no, r.name).arg(r.tag).arg(r.visible).arg(r.print);
    // Numbers are the columns' places counted from 1; the fixed third column leaves a gap.
    EXPECT_EQ(rows, (QStringList{u"001 商品编号 111 1 1"_s, u"002 条码 110 0 1"_s,
                                 u"004 数量 111 1 1"_s, u"005 金额 111 1 1"_s}));
}

TEST(ColumnConfig, AGridThatMayNotHideColumnsOffersOnlyTaggedOnes) {
    GridDefinition def;
    def.allowHideColumns = false;
    AddGridColumn(def, u"编号"_s, u"code"_s, false, 60);
    AddGridColumn(def, u"名称"_s, u"name"_s, false, 60);
    def.columns[1].tag = 7;
    const ColumnConfig config(def);
    ASSERT_EQ(1, config.rowCount());
    EXPECT_EQ(u"名称"_s, config.rows()[0].name);
    EXPECT_EQ(7, config.rows()[0].tag);
}

TEST(ColumnConfig, AnEmptyDisplayNameIsRefusedAndTheRowKept) {
    const GridDefinition def = goodsGrid();
    ColumnConfig config(def);
    for (const QString& bad : {QString(), u"   "_s}) {
        EXPECT_EQ(u"显示标签不能空字符串"_s, errorOf([&] { config.setCaption(0, bad); }));
        EXPECT_EQ(u"商品编号"_s, config.rows()[0].visName);
    }
    config.setCaption(0, u"货号"_s);
    EXPECT_EQ(u"货号"_s, config.rows()[0].visName);
}

TEST(ColumnConfig, NoVisibleColumnIsRefusedAndNothingApplied) {
    GridDefinition def = goodsGrid();
    ColumnConfig config(def);
    config.setCaption(0, u"货号"_s);
    for (int i = 0; i < config.rowCount(); ++i)
        config.setVisible(i, false);
    EXPECT_EQ(u"至少显示一列"_s, errorOf([&] { config.validate(); }));
    EXPECT_EQ(u"至少显示一列"_s, errorOf([&] { config.apply(def); }));
    EXPECT_EQ(u"商品编号"_s, def.columns[0].caption);
    EXPECT_TRUE(def.columns[0].visible);
    // One visible column is enough, even a formerly hidden one.
    config.setVisible(1, true);
    EXPECT_EQ(QString(), errorOf([&] { config.validate(); }));
}

TEST(ColumnConfig, DefaultCaptionsComeAndGo) {
    GridDefinition def = goodsGrid();
    def.columns[0].caption = u"货号"_s;  // an earlier choice of the operator
    ColumnConfig config(def);
    EXPECT_EQ(u"货号"_s, config.rows()[0].visName);
    config.setCaption(2, u"件数"_s);
    config.setUseDefaultCaptions(true);
    EXPECT_EQ((QStringList{u"商品编号"_s, u"条码"_s, u"数量"_s, u"金额"_s}),
              listed(config, &ColumnConfig::Row::visName));
    config.setUseDefaultCaptions(false);
    EXPECT_EQ((QStringList{u"货号"_s, u"条码"_s, u"数量"_s, u"金额"_s}),
              listed(config, &ColumnConfig::Row::visName));
}

TEST(ColumnConfig, AppliesCaptionsVisibilityAndPrintFlags) {
    GridDefinition def = goodsGrid();
    ColumnConfig config(def);
    config.setCaption(0, u"货号"_s);
    config.setVisible(1, true);   // 条码 shows
    config.setVisible(3, false);  // 金额 hides
    config.setPrint(2, false);    // 数量 is not printed
    const QList<int> order = config.apply(def);
    EXPECT_EQ((QList<int>{0, 1, 2, 3, 4}), order);
    EXPECT_EQ(u"货号"_s, def.columns[0].caption);
    EXPECT_EQ(u"商品编号"_s, def.columns[0].captionText);  // the design stays
    EXPECT_TRUE(def.columns[1].visible);
    EXPECT_FALSE(def.columns[4].visible);
    EXPECT_FALSE(def.columns[3].exData->print);
    EXPECT_TRUE(def.columns[0].exData->print);
    EXPECT_TRUE(def.columns[2].visible);  // the fixed column is untouched
}

TEST(ColumnConfig, MovedLinesTakeTheOfferedPlacesAndFixedColumnsStay) {
    GridDefinition def = goodsGrid();
    ColumnConfig config(def);
    config.moveRow(3, 0);  // 金额 first
    config.moveRow(3, 1);  // then 数量 second
    EXPECT_EQ((QStringList{u"金额"_s, u"数量"_s, u"商品编号"_s, u"条码"_s}),
              listed(config, &ColumnConfig::Row::name));
    const QList<int> order = config.apply(def);
    // Offered places 0, 1, 3, 4 take amount, qty, code, barcode; place 2 keeps the fixed id.
    EXPECT_EQ((QStringList{u"amount"_s, u"qty"_s, u"id"_s, u"code"_s, u"barcode"_s}),
              fieldsOf(def));
    EXPECT_EQ((QList<int>{4, 3, 2, 0, 1}), order);
}

TEST(ColumnConfig, DefaultOrderPutsTheDesignedOrderBackAndOffListsTheGridsOrder) {
    GridDefinition def = goodsGrid();
    // An earlier layout moved the amount to the front.
    def.columns.move(4, 0);
    ColumnConfig config(def);
    EXPECT_EQ(u"金额"_s, config.rows()[0].name);
    config.setUseDefaultOrder(true);
    EXPECT_EQ((QStringList{u"商品编号"_s, u"条码"_s, u"数量"_s, u"金额"_s}),
              listed(config, &ColumnConfig::Row::name));
    // Turning it off lists the grid's order again.
    config.setUseDefaultOrder(false);
    EXPECT_EQ((QStringList{u"金额"_s, u"商品编号"_s, u"条码"_s, u"数量"_s}),
              listed(config, &ColumnConfig::Row::name));
    // Moving a line after choosing the default order is the operator's own order again.
    config.setUseDefaultOrder(true);
    config.moveRow(0, 1);
    EXPECT_FALSE(config.useDefaultOrder());
    // Applied, the default order puts the designed order back.
    config.setUseDefaultOrder(true);
    config.apply(def);
    EXPECT_EQ((QStringList{u"code"_s, u"barcode"_s, u"id"_s, u"qty"_s, u"amount"_s}),
              fieldsOf(def));
}

TEST(ColumnConfig, AColumnWithoutItsDataIsAnInternalError) {
    GridDefinition def = goodsGrid();
    GridColumn bare;
    bare.caption = u"手工列"_s;
    def.columns.append(bare);
    EXPECT_EQ(u"数据结构的类型不是TgxGridColumnExData，请查证原因"_s,
              errorOf([&] { ColumnConfig config(def); }));
}

TEST(ColumnConfig, ApplyingToAChangedGridIsRefused) {
    GridDefinition def = goodsGrid();
    const ColumnConfig config(def);
    AddGridColumn(def, u"备注"_s, u"memo"_s, false, 60);
    EXPECT_FALSE(errorOf([&] { config.apply(def); }).isEmpty());
    EXPECT_EQ(6, def.columns.size());
    EXPECT_EQ(u"memo"_s, def.columns[5].fieldName);
}

class ColumnConfigOnGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        rs = test::withFields("code text, barcode text, id integer, qty float, amount float");
        rs.appendRow({u"G1"_s, u"691"_s, 1, 3.0, 30.0});
        rs.appendRow({u"G2"_s, u"692"_s, 2, 1.0, 12.0});
        rs.appendRow({u"G12"_s, u"693"_s, 3, 2.0, 50.0});
        def = goodsGrid();
        model.setSource(&rs, &def);
        view.setModel(&model);
    }
    RecordSet rs;
    GridDefinition def;
    RecordSetModel model;
    GridView view;
};

TEST_F(ColumnConfigOnGridTest, SortAndFilterRowFollowTheirColumns) {
    model.setColumnFilter(0, u"G1"_s);   // G1 and G12
    model.sort(3, Qt::DescendingOrder);  // by quantity: G1 (3), G12 (2)
    ColumnConfig config(def);
    config.moveRow(3, 0);  // the list: 金额, 商品编号, 条码, 数量
    config.setVisible(0, false);
    config.setVisible(2, true);
    config.setCaption(1, u"货号"_s);
    gridfilter::applyColumnConfig(&view, config);
    // The offered places 0, 1, 3, 4 take the list's order; the fixed id stays at 2.
    EXPECT_EQ((QStringList{u"amount"_s, u"code"_s, u"id"_s, u"barcode"_s, u"qty"_s}),
              fieldsOf(def));
    EXPECT_EQ(u"G1"_s, model.columnFilter(1));  // code is now the second column
    EXPECT_EQ(QString(), model.columnFilter(0));
    EXPECT_EQ(4, model.sortColumn());  // qty moved from 3 to 4
    EXPECT_EQ(Qt::DescendingOrder, model.sortOrder());
    ASSERT_EQ(2, model.rowCount());
    EXPECT_EQ(u"G1"_s, model.displayText(0, 1));
    EXPECT_EQ(u"G12"_s, model.displayText(1, 1));
    EXPECT_EQ(u"货号"_s, model.headerData(1, Qt::Horizontal).toString());
    EXPECT_TRUE(view.table()->isColumnHidden(0));   // amount hidden by the choice
    EXPECT_FALSE(view.table()->isColumnHidden(3));  // barcode shown by it
}

TEST_F(ColumnConfigOnGridTest, ARefusedChoiceLeavesTheGridAlone) {
    ColumnConfig config(def);
    for (int i = 0; i < config.rowCount(); ++i)
        config.setVisible(i, false);
    EXPECT_EQ(u"至少显示一列"_s, errorOf([&] { gridfilter::applyColumnConfig(&view, config); }));
    EXPECT_FALSE(view.table()->isColumnHidden(0));
    EXPECT_EQ(u"code"_s, def.columns[0].fieldName);
}

TEST_F(ColumnConfigOnGridTest, DialogShowsTheListRefusesBadInputAndMovesDraggedLines) {
    client::ScriptedPrompter prompter;
    client::PrompterOverride use(&prompter);
    TfrmXGridColFilter dialog(def);
    gridfilter::ColumnConfigModel* list = dialog.listModel();
    ASSERT_EQ(4, list->rowCount());
    const auto cell = [&](int r, int c) { return list->index(r, c).data().toString(); };
    EXPECT_EQ(cell(1, 3) + u'|' + cell(1, 4) + u'|' + cell(1, 5), u"否|是|110"_s);  // 条码 hidden
    // An empty display name is refused with its message.
    EXPECT_FALSE(list->setData(list->index(0, 2), QString()));
    ASSERT_EQ(1, prompter.records(client::PromptKind::Message).size());
    EXPECT_EQ(u"提示"_s, prompter.records(client::PromptKind::Message)[0].caption);
    EXPECT_EQ(u"显示标签不能空字符串"_s, prompter.messages()[0]);
    EXPECT_EQ(u"商品编号"_s, list->index(0, 2).data().toString());
    // The check boxes of the list and the dialog's options.
    const int checked = Qt::Checked;
    EXPECT_TRUE(list->setData(list->index(1, 3), checked, Qt::CheckStateRole));
    EXPECT_EQ(u"是"_s, list->index(1, 3).data().toString());
    EXPECT_TRUE(list->setData(list->index(0, 2), u"货号"_s));
    dialog.defaultCaptionsBox()->setChecked(true);
    EXPECT_EQ(u"商品编号"_s, list->index(0, 2).data().toString());
    dialog.show();
    // "确定" with nothing visible stays open with "至少显示一列".
    for (int r = 0; r < list->rowCount(); ++r)
        list->setData(list->index(r, 3), static_cast<int>(Qt::Unchecked), Qt::CheckStateRole);
    dialog.btnOKClick();
    EXPECT_EQ(u"至少显示一列"_s, prompter.messages().last());
    EXPECT_FALSE(dialog.result());
    EXPECT_TRUE(dialog.isVisible());
    list->setData(list->index(2, 3), checked, Qt::CheckStateRole);
    dialog.btnOKClick();
    EXPECT_TRUE(dialog.result());
    EXPECT_EQ(2, prompter.messages().size());
    // Dragging a line by its number moves the column; the header keeps its plain numbering.
    TfrmXGridColFilter dragged(def);
    dragged.list()->verticalHeader()->moveSection(3, 0);
    EXPECT_EQ(u"金额"_s, dragged.listModel()->index(0, 1).data().toString());
    EXPECT_EQ(0, dragged.list()->verticalHeader()->visualIndex(0));
    gridfilter::applyColumnConfig(&view, dragged.config());
    EXPECT_EQ(u"amount"_s, def.columns[0].fieldName);
}

}  // namespace
}  // namespace dyt
