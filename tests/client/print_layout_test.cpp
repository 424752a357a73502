// Page layout: value formats, header and column header on each page, pagination, totals.

#include <QDate>
#include <QDateTime>

#include <gtest/gtest.h>

#include "common/currency.h"
#include "common/error.h"
#include "common/recordset.h"
#include "printengine/printlayout.h"
#include "printfixtures.h"

using namespace dyt::print;
using dyt::Currency;
using dyt::FieldType;

TEST(PrintLayout, NumberFormat) {
    struct Row {
        double value;
        int decimals;
        QString text;
    };
    const Row rows[] = {{1234567.5, 2, u"1,234,567.50"_s}, {-1234.5, 2, u"-1,234.50"_s},
                        {0, 2, u"0.00"_s},    {999, 0, u"999"_s},     {1000, 0, u"1,000"_s},
                        {-0.001, 2, u"0.00"_s}, {100000, 3, u"100,000.000"_s}, {12.5, 4, u"12.5000"_s}};
    for (const Row& r : rows)
        EXPECT_EQ(r.text, formatNumber(r.value, r.decimals));
}
TEST(PrintLayout, ValueFormat) {
    struct Row {
        QVariant value;
        FieldType type;
        int decimals;
        QString text;
    };
    const Row rows[] = {
        {QVariant::fromValue(Currency::fromRaw(12345000)), FieldType::Currency, -1, u"1,234.50"_s},
        {QVariant::fromValue(Currency::fromRaw(12345678)), FieldType::Currency, 4, u"1,234.5678"_s},
        {QVariant(qint64(1500)), FieldType::Integer, -1, u"1,500"_s},
        {QVariant(2.5), FieldType::Float, -1, u"2.50"_s},
        {QVariant(2.76), FieldType::Float, 1, u"2.8"_s},
        {QVariant(QDate(2026, 12, 6)), FieldType::Date, -1, u"2026-12-06"_s},
        {QVariant(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))), FieldType::DateTime, -1,
         u"2026-01-02 03:04:05"_s},
        {QVariant(true), FieldType::Boolean, -1, u"是"_s},
        {QVariant(false), FieldType::Boolean, -1, u"否"_s},
        {QVariant(), FieldType::Currency, -1, QString()},
        {QVariant(u"1234"_s), FieldType::Text, -1, u"1234"_s},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.text, formatValue(r.value, r.type, r.decimals));
}

namespace {

// A4 portrait with 10 mm margins, rows of 10 mm, no title and no header fields: the body runs
// from 10 mm to 287 mm less the page footer (one 9 point line, 1.5 spacing, plus 1 mm), i.e.
// 281.24 mm; after the column header 261.24 mm hold 26 rows.
PrintTemplate gridTemplate(bool sum) {
    PrintTemplate t;
    t.marginLeft = t.marginTop = t.marginRight = t.marginBottom = 10;
    t.rowHeight = 10;
    t.title.clear();
    t.columns = {{u"行号"_s, u"行号"_s, 15, Align::Center, -1, false},
                 {u"sp_spqm"_s, u"商品名称"_s, 60, Align::Left, -1, false},
                 {u"total"_s, u"金额"_s, 30, Align::Right, -1, sum}};
    return t;
}
QList<int> rowsPerPage(const Layout& layout) {
    QList<int> out;
    for (const LayoutPage& p : layout.pages)
        out.append(static_cast<int>(p.rows.size()));
    return out;
}

}  // namespace

TEST(PrintLayout, Pagination) {
    struct Row {
        const char* name;
        int lines;
        bool sum;
        QList<int> perPage;
    };
    const Row rows[] = {
        {"one page", 10, false, {10}},
        {"exactly full", 26, false, {26}},
        {"one more", 27, false, {26, 1}},
        {"three pages", 60, false, {26, 26, 8}},
        // The total row needs one more 10 mm row under the last detail row.
        {"total fits", 51, true, {26, 25}},
        {"total moves to its own page", 52, true, {26, 26, 0}},
        {"empty detail", 0, true, {0}},
    };
    const dyt::RecordSet header;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const dyt::RecordSet detail = dyt::test::billDetail(r.lines);
        const Layout layout = layoutPages(gridTemplate(r.sum), header, detail);
        EXPECT_EQ(QSizeF(210, 297), layout.pageSize);
        EXPECT_EQ(r.perPage, rowsPerPage(layout));
        const int pages = static_cast<int>(layout.pages.size());
        int next = 0;
        for (int p = 0; p < pages; ++p) {
            const LayoutPage& page = layout.pages.at(p);
            // Rows continue in order across pages.
            for (int row : page.rows)
                EXPECT_EQ(next++, row);
            EXPECT_EQ(QStringList{u"第 %1 页 共 %2 页"_s.arg(p + 1).arg(pages)},
                      page.texts(ItemRole::PageFooter));
            // The column header on every page with rows or the total.
            if (!page.rows.isEmpty() || (r.sum && p == pages - 1)) {
                EXPECT_EQ((QStringList{u"行号"_s, u"商品名称"_s, u"金额"_s}),
                          page.texts(ItemRole::ColumnHeader));
            }
            // Nothing runs into the bottom margin.
            for (const LayoutItem& item : page.items)
                EXPECT_LE(item.rect.bottom(), 287.0 + 1e-6) << qPrintable(item.text);
        }
        EXPECT_EQ(r.lines, next);
        EXPECT_EQ(r.sum ? 3 : 0, layout.pages.last().texts(ItemRole::Total).size());
    }
}
TEST(PrintLayout, BillPageContent) {
    const dyt::RecordSet header = dyt::test::billHeader();
    const dyt::RecordSet detail = dyt::test::billDetail(3);
    PrintTemplate t = PrintTemplate::generate(u"进货单"_s, header, detail);
    t.footerLines = {u"制单人：{操作员}  打印次数：{打印次数}  合计金额：{sum:total}"_s};
    const Layout layout = layoutPages(t, header, detail, {{u"打印次数"_s, u"2"_s}});
    ASSERT_EQ(1, layout.pages.size());
    const LayoutPage& page = layout.pages.at(0);
    EXPECT_EQ(QStringList{u"进货单"_s}, page.texts(ItemRole::Title));
    const QStringList headers = page.texts(ItemRole::Header);
    EXPECT_TRUE(headers.contains(u"公司全名：德盈商贸有限公司"_s))
        << qPrintable(headers.join(u'/'));
    EXPECT_TRUE(headers.contains(u"日期：2026-12-06"_s));
    EXPECT_TRUE(headers.contains(u"单据编号：JH-2026-12-06-00001"_s));
    EXPECT_EQ(
        (QStringList{u"行号"_s, u"商品编号"_s, u"商品名称"_s, u"数量"_s, u"单价"_s, u"金额"_s}),
        page.texts(ItemRole::ColumnHeader));
    // Line 2: quantity 2, price 1.5, amount 3.
    QStringList line2;
    for (const LayoutItem& item : page.items) {
        if (item.role == ItemRole::Cell && item.row == 1)
            line2.append(item.text);
    }
    EXPECT_EQ((QStringList{u"2"_s, u"SP002"_s, u"商品2"_s, u"2.00"_s, u"1.50"_s, u"3.00"_s}),
              line2);
    // Totals: quantity 1+2+3 = 6, amount 1.5+3+4.5 = 9.
    EXPECT_EQ((QStringList{u"合计"_s, QString(), QString(), u"6.00"_s, QString(), u"9.00"_s}),
              page.texts(ItemRole::Total));
    EXPECT_EQ(QStringList{u"制单人：张三  打印次数：2  合计金额：9.00"_s},
              page.texts(ItemRole::Footer));
    // Header cells three to a line, the table starts under them.
    double headerBottom = 0, tableTop = 1e9;
    for (const LayoutItem& item : page.items) {
        if (item.role == ItemRole::Header) {
            headerBottom = qMax(headerBottom, item.rect.bottom());
        } else if (item.role == ItemRole::ColumnHeader) {
            tableTop = qMin(tableTop, item.rect.top());
        }
    }
    EXPECT_LE(headerBottom, tableTop);
}
TEST(PrintLayout, HeaderRepeatsOnlyWhenAsked) {
    const dyt::RecordSet header = dyt::test::billHeader();
    const dyt::RecordSet detail = dyt::test::billDetail(80);
    for (bool repeat : {true, false}) {
        SCOPED_TRACE(repeat);
        PrintTemplate t = PrintTemplate::generate(u"进货单"_s, header, detail);
        t.repeatHeader = repeat;
        const Layout layout = layoutPages(t, header, detail);
        ASSERT_GE(layout.pages.size(), 2);
        for (int p = 0; p < layout.pages.size(); ++p) {
            const bool shown = repeat || p == 0;
            EXPECT_EQ(shown ? 1 : 0, layout.pages.at(p).texts(ItemRole::Title).size());
            EXPECT_EQ(shown ? header.fieldCount() : 0,
                      layout.pages.at(p).texts(ItemRole::Header).size());
            EXPECT_EQ(6, layout.pages.at(p).texts(ItemRole::ColumnHeader).size());
        }
        // Without the repeated header the later pages hold more rows.
        if (!repeat) {
            EXPECT_GT(layout.pages.at(1).rows.size(), layout.pages.at(0).rows.size());
        } else if (layout.pages.size() > 2) {
            EXPECT_EQ(layout.pages.at(1).rows.size(), layout.pages.at(0).rows.size());
        }
    }
}
// A table wider than the printable width turns the page and, where that is not enough, narrows
// its columns in proportion and their font with them: nothing lies outside the printable width
// and every caption and value still fits its column. Header texts wrap inside their cell.
TEST(PrintLayout, WideTablesFitThePage) {
    const struct {
        int columns;
        Orientation orientation;
        bool narrowed;
    } cases[] = {{6, Orientation::Portrait, false},
                 {12, Orientation::Landscape, false},
                 {20, Orientation::Landscape, true}};
    const dyt::RecordSet header = dyt::test::wideReportHeader();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.columns);
        const dyt::RecordSet detail = dyt::test::wideReportDetail(c.columns, 3);
        PrintTemplate t = PrintTemplate::generate(u"库存状况表"_s, header, detail);
        t.orientation = Orientation::Portrait;
        const Layout layout = layoutPages(t, header, detail);
        EXPECT_EQ(c.orientation, layout.orientation);
        EXPECT_EQ(c.orientation == Orientation::Portrait ? 210 : 297, layout.pageSize.width());
        EXPECT_EQ(c.narrowed, layout.detailFontScale < 1);
        FontSpec detailFont = t.detailFont;
        detailFont.pointSize *= layout.detailFontScale;
        double headerBottom = 0;
        double tableTop = 1e9;
        for (const LayoutItem& item : layout.pages.at(0).items) {
            SCOPED_TRACE(item.text.toStdString());
            EXPECT_GE(item.rect.left(), t.marginLeft - 1e-6);
            EXPECT_LE(item.rect.right(), layout.pageSize.width() - t.marginRight + 1e-6);
            const bool table = item.role == ItemRole::ColumnHeader || item.role == ItemRole::Cell;
            for (const QString& line : item.text.split(u'\n')) {
                if (table || item.role == ItemRole::Header) {
                    EXPECT_LE(textWidth(line, table ? detailFont : t.headerFont),
                              item.rect.width() - 2 * kTextPadding);
                }
            }
            if (item.role == ItemRole::Header)
                headerBottom = qMax(headerBottom, item.rect.bottom());
            if (table)
                tableTop = qMin(tableTop, item.rect.top());
        }
        EXPECT_LE(headerBottom, tableTop);
        EXPECT_EQ(u"参考单价"_s,
                  layout.pages.at(0).texts(ItemRole::ColumnHeader).value(c.columns - 1));
        EXPECT_TRUE(layout.pages.at(0)
                        .texts(ItemRole::Header)
                        .join(QString())
                        .remove(u'\n')
                        .endsWith(u"六分仓）"_s));
    }
}
TEST(PrintLayout, PageTooSmallForOneRow) {
    PrintTemplate t = gridTemplate(false);
    t.rowHeight = 100;
    t.setPaper(u"241x93"_s);
    EXPECT_THROW(layoutPages(t, {}, dyt::test::billDetail(1)), dyt::DytError);
}
