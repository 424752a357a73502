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
    const Row rows[] = {
        {1234567.5, 2, QStringLiteral("1,234,567.50")},
        {-1234.5, 2, QStringLiteral("-1,234.50")},
        {0, 2, QStringLiteral("0.00")},
        {999, 0, QStringLiteral("999")},
        {1000, 0, QStringLiteral("1,000")},
        {-0.001, 2, QStringLiteral("0.00")},
        {100000, 3, QStringLiteral("100,000.000")},
        {12.5, 4, QStringLiteral("12.5000")},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.text, formatNumber(r.value, r.decimals));
    }
}

TEST(PrintLayout, ValueFormat) {
    struct Row {
        QVariant value;
        FieldType type;
        int decimals;
        QString text;
    };
    const Row rows[] = {
        {QVariant::fromValue(Currency::fromRaw(12345000)), FieldType::Currency, -1,
         QStringLiteral("1,234.50")},
        {QVariant::fromValue(Currency::fromRaw(12345678)), FieldType::Currency, 4,
         QStringLiteral("1,234.5678")},
        {QVariant(qint64(1500)), FieldType::Integer, -1, QStringLiteral("1,500")},
        {QVariant(2.5), FieldType::Float, -1, QStringLiteral("2.50")},
        {QVariant(2.76), FieldType::Float, 1, QStringLiteral("2.8")},
        {QVariant(QDate(2026, 12, 6)), FieldType::Date, -1, QStringLiteral("2026-12-06")},
        {QVariant(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))), FieldType::DateTime, -1,
         QStringLiteral("2026-01-02 03:04:05")},
        {QVariant(true), FieldType::Boolean, -1, QStringLiteral("是")},
        {QVariant(false), FieldType::Boolean, -1, QStringLiteral("否")},
        {QVariant(), FieldType::Currency, -1, QString()},
        {QVariant(QStringLiteral("1234")), FieldType::Text, -1, QStringLiteral("1234")},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.text, formatValue(r.value, r.type, r.decimals));
    }
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
    t.columns = {
        {QStringLiteral("行号"), QStringLiteral("行号"), 15, Align::Center, -1, false},
        {QStringLiteral("sp_spqm"), QStringLiteral("商品名称"), 60, Align::Left, -1, false},
        {QStringLiteral("total"), QStringLiteral("金额"), 30, Align::Right, -1, sum}};
    return t;
}

QList<int> rowsPerPage(const Layout& layout) {
    QList<int> out;
    for (const LayoutPage& p : layout.pages) {
        out.append(static_cast<int>(p.rows.size()));
    }
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
            for (int row : page.rows) {
                EXPECT_EQ(next++, row);
            }
            EXPECT_EQ(QStringList{QStringLiteral("第 %1 页 共 %2 页").arg(p + 1).arg(pages)},
                      page.texts(ItemRole::PageFooter));
            // The column header on every page with rows or the total.
            if (!page.rows.isEmpty() || (r.sum && p == pages - 1)) {
                EXPECT_EQ((QStringList{QStringLiteral("行号"), QStringLiteral("商品名称"),
                                       QStringLiteral("金额")}),
                          page.texts(ItemRole::ColumnHeader));
            }
            // Nothing runs into the bottom margin.
            for (const LayoutItem& item : page.items) {
                EXPECT_LE(item.rect.bottom(), 287.0 + 1e-6) << qPrintable(item.text);
            }
        }
        EXPECT_EQ(r.lines, next);
        EXPECT_EQ(r.sum ? 3 : 0, layout.pages.last().texts(ItemRole::Total).size());
    }
}

TEST(PrintLayout, BillPageContent) {
    const dyt::RecordSet header = dyt::test::billHeader();
    const dyt::RecordSet detail = dyt::test::billDetail(3);
    PrintTemplate t = PrintTemplate::generate(QStringLiteral("进货单"), header, detail);
    t.footerLines = {
        QStringLiteral("制单人：{操作员}  打印次数：{打印次数}  合计金额：{sum:total}")};
    const Layout layout =
        layoutPages(t, header, detail, {{QStringLiteral("打印次数"), QStringLiteral("2")}});
    ASSERT_EQ(1, layout.pages.size());
    const LayoutPage& page = layout.pages.at(0);
    EXPECT_EQ(QStringList{QStringLiteral("进货单")}, page.texts(ItemRole::Title));
    const QStringList headers = page.texts(ItemRole::Header);
    EXPECT_TRUE(headers.contains(QStringLiteral("公司全名：德盈商贸有限公司")))
        << qPrintable(headers.join(u'/'));
    EXPECT_TRUE(headers.contains(QStringLiteral("日期：2026-12-06")));
    EXPECT_TRUE(headers.contains(QStringLiteral("单据编号：JH-2026-12-06-00001")));
    EXPECT_EQ(
        (QStringList{QStringLiteral("行号"), QStringLiteral("商品编号"), QStringLiteral("商品名称"),
                     QStringLiteral("数量"), QStringLiteral("单价"), QStringLiteral("金额")}),
        page.texts(ItemRole::ColumnHeader));
    // Line 2: quantity 2, price 1.5, amount 3.
    QStringList line2;
    for (const LayoutItem& item : page.items) {
        if (item.role == ItemRole::Cell && item.row == 1) {
            line2.append(item.text);
        }
    }
    EXPECT_EQ((QStringList{QStringLiteral("2"), QStringLiteral("SP002"), QStringLiteral("商品2"),
                           QStringLiteral("2.00"), QStringLiteral("1.50"), QStringLiteral("3.00")}),
              line2);
    // Totals: quantity 1+2+3 = 6, amount 1.5+3+4.5 = 9.
    EXPECT_EQ((QStringList{QStringLiteral("合计"), QString(), QString(), QStringLiteral("6.00"),
                           QString(), QStringLiteral("9.00")}),
              page.texts(ItemRole::Total));
    EXPECT_EQ(QStringList{QStringLiteral("制单人：张三  打印次数：2  合计金额：9.00")},
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
        PrintTemplate t = PrintTemplate::generate(QStringLiteral("进货单"), header, detail);
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
        PrintTemplate t = PrintTemplate::generate(QStringLiteral("库存状况表"), header, detail);
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
        EXPECT_EQ(QStringLiteral("参考单价"),
                  layout.pages.at(0).texts(ItemRole::ColumnHeader).value(c.columns - 1));
        EXPECT_TRUE(layout.pages.at(0)
                        .texts(ItemRole::Header)
                        .join(QString())
                        .remove(u'\n')
                        .endsWith(QStringLiteral("六分仓）")));
    }
}

TEST(PrintLayout, PageTooSmallForOneRow) {
    PrintTemplate t = gridTemplate(false);
    t.rowHeight = 100;
    t.setPaper(QStringLiteral("241x93"));
    EXPECT_THROW(layoutPages(t, {}, dyt::test::billDetail(1)), dyt::DytError);
}
