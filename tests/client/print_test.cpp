// The print engine: the template text and file, the page layout, printing to PDF, the limits of
// the print count, the designer and the rendered page.

#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/currency.h"
#include "common/error.h"
#include "common/gbk.h"
#include "common/recordset.h"
#include "printengine/printdesigner.h"
#include "printengine/printengine.h"
#include "printengine/printlayout.h"
#include "printengine/printrender.h"
#include "printengine/printtemplate.h"
#include "support/testutil.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;
using namespace dyt::print;
using dyt::Currency;
using dyt::FieldType;

// Bill-like header and detail sets as the bill windows hand them to the engine, and a report wider
// than any page.
namespace dyt::test {

RecordSet billHeader() {
    RecordSet h;
    const QString names[] = {u"公司全名"_s, u"公司电话"_s, u"操作员"_s, u"打印标签"_s,
                             u"单据编号"_s, u"日期"_s,     u"供应商"_s};
    for (const QString& n : names)
        h.addField(n, n == u"日期" ? FieldType::Date : FieldType::Text, 60);
    h.appendRow({u"德盈商贸有限公司"_s, u"0571-88886666"_s, u"张三"_s, u"德盈通软件"_s,
                 u"JH-2026-12-06-00001"_s, QDate(2026, 12, 6), u"杭州五金批发部"_s});
    return h;
}

RecordSet billDetail(int lines) {
    RecordSet d;
    d.addField(u"行号"_s, FieldType::Integer);
    d.addField(u"sp_spbh"_s, FieldType::Text, 20);
    d.field(1).displayName = u"商品编号"_s;
    d.addField(u"sp_spqm"_s, FieldType::Text, 60);
    d.field(2).displayName = u"商品名称"_s;
    d.addField(u"qty"_s, FieldType::Float);
    d.field(3).displayName = u"[%SUM%Q%]数量"_s;
    d.addField(u"price"_s, FieldType::Currency);
    d.field(4).displayName = u"[%P%]单价"_s;
    d.addField(u"total"_s, FieldType::Currency);
    d.field(5).displayName = u"[%SUM%M%]金额"_s;
    d.addField(u"barcode"_s, FieldType::Text, 20);
    d.field(6).displayName = u"[%F%]条码"_s;
    for (int i = 1; i <= lines; ++i) {
        d.appendRow({i, u"SP%1"_s.arg(i, 3, 10, QLatin1Char('0')), u"商品%1"_s.arg(i), double(i),
                     QVariant::fromValue(Currency::fromRaw(15000)),
                     QVariant::fromValue(Currency::fromRaw(15000LL * i)), u"69%1"_s.arg(i)});
    }
    return d;
}

RecordSet wideReportHeader() {
    RecordSet h;
    h.addField(u"操作员"_s, FieldType::Text, 20);
    h.addField(u"仓库"_s, FieldType::Text, 200);
    h.appendRow({u"张三"_s, u"全部仓库（总仓、一分仓、二分仓、三分仓、四分仓、五分仓、六分仓）"_s});
    return h;
}

RecordSet wideReportDetail(int columns, int lines) {
    RecordSet d;
    for (int c = 1; c <= columns; ++c) {
        const bool last = c == columns;
        d.addField(u"f%1"_s.arg(c), last ? FieldType::Currency : FieldType::Text, 20);
        d.field(c - 1).displayName = last ? u"参考单价"_s : u"库存数量%1"_s.arg(c);
    }
    for (int i = 0; i < lines; ++i) {
        RecordSet::Row row;
        for (int c = 1; c < columns; ++c)
            row.append(u"KC-%1"_s.arg(c * 100 + i));
        row.append(QVariant::fromValue(Currency::fromDouble(1087709.55 + i)));
        d.appendRow(row);
    }
    return d;
}

}  // namespace dyt::test

TEST(PrintTemplate, StripCaptionTags) {
    struct Row {
        QString caption, visible, tags;
    };
    const Row rows[] = {
        {u"[%SUM%M%Cost%]预计资金"_s, u"预计资金"_s, u"%SUM%M%Cost%"_s},
        {u"[%F%]条码"_s, u"条码"_s, u"%F%"_s},
        {u"[]买赠说明"_s, u"买赠说明"_s, QString()},
        {u"商品名称"_s, u"商品名称"_s, QString()},
        {u"[%SUM%Q%"_s, u"[%SUM%Q%"_s, QString()},  // no "]"
    };
    for (const Row& r : rows) {
        QString tags = u"junk"_s;
        EXPECT_EQ(r.visible, stripCaptionTags(r.caption, &tags));
        EXPECT_EQ(r.tags, tags);
    }
}
TEST(PrintTemplate, ReadsAHandWrittenTemplate) {
    const QString text = QStringLiteral(
        "; 手写的模板\n"
        "[page]\r\n"
        "paper=241x140\n"
        "orientation=portrait\n"
        "margins=5,6,7,8\n"
        "[fonts]\n"
        "title=Noto Sans CJK SC,18,bold\n"
        "detail=,8.5\n"
        "[title]\n"
        "text=进货单\n"
        "[header]\n"
        "columns=2\n"
        "repeat=no\n"
        "field=供应商|供货单位\n"
        "field=日期|\n"
        "[detail]\n"
        "rowHeight=6\n"
        "column=qty|数量|18|right|3|sum\n"
        "column=sp_spqm|名称\\|规格|40|left|auto|\n"
        "[footer]\n"
        "line=制单：{操作员}\\n审核：\n"
        "pageFooter={page}/{pages}\n"
        "[variables]\n"
        "打印次数=2\n");
    const PrintTemplate t = PrintTemplate::fromText(text);
    EXPECT_EQ(u"241x140|241|140|5|8|进货单|2|false|6|{page}/{pages}"_s,
              dyt::test::clientValuesText(t.paper, t.paperWidth, t.paperHeight, t.marginLeft,
                                          t.marginBottom, t.title, t.headerColumns, t.repeatHeader,
                                          t.rowHeight, t.pageFooter));
    EXPECT_EQ(QSizeF(241, 140), t.pageSize());
    EXPECT_EQ((FontSpec{u"Noto Sans CJK SC"_s, 18, true}), t.titleFont);
    EXPECT_EQ((FontSpec{QString(), 8.5, false}), t.detailFont);
    ASSERT_EQ(2, t.headerFields.size());
    EXPECT_EQ((HeaderField{u"供应商"_s, u"供货单位"_s}), t.headerFields.at(0));
    EXPECT_EQ((HeaderField{u"日期"_s, QString()}), t.headerFields.at(1));
    ASSERT_EQ(2, t.columns.size());
    EXPECT_EQ((DetailColumn{u"qty"_s, u"数量"_s, 18, Align::Right, 3, true}), t.columns.at(0));
    EXPECT_EQ((DetailColumn{u"sp_spqm"_s, u"名称|规格"_s, 40, Align::Left, -1, false}),
              t.columns.at(1));
    EXPECT_EQ(QStringList{u"制单：{操作员}\n审核："_s}, t.footerLines);
    ASSERT_EQ(1, t.variables.size());
    EXPECT_EQ(u"打印次数"_s, t.variables.at(0).first);
    EXPECT_EQ(u"2"_s, t.variables.at(0).second);
}
TEST(PrintTemplate, BadTextNamesTheLine) {
    struct Row {
        QString text, message;
    };
    const Row rows[] = {
        {u"[bogus]"_s, u"打印模板第1行：未知的段[bogus]"_s},
        {u"paper=A4"_s, u"打印模板第1行：内容不在任何段内"_s},
        {u"[page]\nsize=A4"_s, u"打印模板第2行：段[page]中未知的项\"size\""_s},
        {u"[page]\n\nmargins=1,2,3"_s, u"打印模板第3行：页边距应为四个数"_s},
        {u"[detail]\ncolumn=a|b|x|left|auto|"_s, u"打印模板第2行：数值\"x\"不合法"_s},
        {u"[detail]\ncolumn=a|b|10|middle|auto|"_s, u"打印模板第2行：对齐方式\"middle\"不合法"_s},
        {u"[detail]\ncolumn=a|b|10"_s,
         u"打印模板第2行：明细列应为\"字段名|标题|宽度|对齐|小数位|合计\""_s},
        {u"[fonts]\ntitle=宋体"_s, u"打印模板第2行：字体\"宋体\"不合法"_s},
        {u"[header]\nfield=|标题"_s, u"打印模板第2行：表头字段应为\"字段名|标题\""_s},
        {u"[page]\nno equals sign"_s, u"打印模板第2行：缺少\"=\""_s},
        {u"[page]\npaper=A9"_s, u"打印模板：未知的纸张\"A9\""_s},
        {u"[page]\nmargins=100,10,100,10"_s, u"打印模板：页边距超出了纸张"_s},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(qPrintable(r.text));
        EXPECT_EQ(r.message, dyt::test::errorOf([&] { PrintTemplate::fromText(r.text); }));
    }
}

namespace {

PrintTemplate richTemplate() {
    PrintTemplate t;
    t.setPaper(u"custom"_s);
    t.paperWidth = 200.5;
    t.paperHeight = 120;
    t.orientation = Orientation::Landscape;
    t.marginLeft = 3;
    t.marginTop = 4.5;
    t.marginRight = 5;
    t.marginBottom = 6;
    t.titleFont = {u"Noto Sans CJK SC"_s, 20, true};
    t.footerFont = {QString(), 7.5, false};
    t.title = u"销售单 \\ 第{page}页"_s;
    t.headerColumns = 4;
    t.repeatHeader = false;
    t.headerFields = {{u"供应商"_s, u"供货|单位"_s}, {u"日期"_s, QString()}};
    t.rowHeight = 5.5;
    t.columns = {{u"行号"_s, u"行号"_s, 10, Align::Center, -1, false},
                 {u"total"_s, u"金额"_s, 24.5, Align::Right, 2, true}};
    t.footerLines = {u"第一行"_s, u"两行\n文字"_s, QString()};
    t.pageFooter = QString();
    t.variables = {{u"打印次数"_s, u"3"_s}, {u"x"_s, u"a=b|c"_s}};
    return t;
}

}  // namespace

TEST(PrintTemplate, TextAndFileRoundTrip) {
    const PrintTemplate t = richTemplate();
    EXPECT_EQ(t, PrintTemplate::fromText(t.toText()));
    const PrintTemplate plain;  // the defaults survive as well
    EXPECT_EQ(plain, PrintTemplate::fromText(plain.toText()));
    QTemporaryDir dir;
    const QString path = dir.filePath(u"销售单.QXF"_s);
    t.save(path);
    EXPECT_EQ(t, PrintTemplate::load(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(u"column=total|金额|24.5|right|2|sum\n"_s)) << qPrintable(text);
    // An unwritable place fails, and so does reading what is not there.
    const QString missing = dir.filePath(u"missing/销售单.QXF"_s);
    EXPECT_THROW(PrintTemplate().save(missing), dyt::DytError);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_THROW(PrintTemplate::load(missing), dyt::DytError);
}
TEST(PrintTemplate, GeneratedFromBillData) {
    const dyt::RecordSet header = dyt::test::billHeader();
    const dyt::RecordSet detail = dyt::test::billDetail(3);
    const PrintTemplate t = PrintTemplate::generate(u"进货单"_s, header, detail);
    EXPECT_EQ(u"进货单"_s, t.title);
    ASSERT_EQ(header.fieldCount(), t.headerFields.size());
    for (int i = 0; i < header.fieldCount(); ++i) {
        EXPECT_EQ(header.fields().at(i).name, t.headerFields.at(i).field);
        EXPECT_EQ(header.fields().at(i).name, t.headerFields.at(i).caption);
    }
    // The hidden barcode column is left out; captions lose their tags; amounts right and summed.
    QStringList columns;
    for (const DetailColumn& c : t.columns) {
        columns.append(c.field + u'/' + c.caption + u'/' + QString::number(int(c.align)) +
                       (c.sum ? u"/sum"_s : QString()));
        EXPECT_GE(c.width, 8.0) << qPrintable(c.field);
    }
    const QString left = QString::number(int(Align::Left)),
                  right = QString::number(int(Align::Right)),
                  centre = QString::number(int(Align::Center));
    EXPECT_EQ((QStringList{u"行号/行号/"_s + centre, u"sp_spbh/商品编号/"_s + left,
                           u"sp_spqm/商品名称/"_s + left, u"qty/数量/"_s + right + u"/sum"_s,
                           u"price/单价/"_s + right, u"total/金额/"_s + right + u"/sum"_s}),
              columns);
    // "商品名称" (8 GBK bytes) needs a wider column than "行号" (4 bytes).
    EXPECT_LT(t.columns.at(0).width, t.columns.at(2).width);
    EXPECT_EQ(Orientation::Portrait, t.orientation);
    // The narrow table is widened to the A4 width less the margins, 210 - 15 - 15 mm.
    double total = 0;
    for (const DetailColumn& c : t.columns)
        total += c.width;
    EXPECT_NEAR(180.0, total, 0.6);
    EXPECT_LE(total, 180.0);
    // The generated template is a valid template text.
    EXPECT_EQ(t, PrintTemplate::fromText(t.toText()));
}
TEST(PrintTemplate, WideDataTurnsThePage) {
    dyt::RecordSet detail;
    for (int i = 0; i < 10; ++i)
        detail.addField(u"商品规格型号说明%1"_s.arg(i), dyt::FieldType::Text);
    const PrintTemplate t = PrintTemplate::generate(u"宽表"_s, {}, detail);
    EXPECT_EQ(Orientation::Landscape, t.orientation);
    EXPECT_EQ(QSizeF(297, 210), t.pageSize());
    // Wider than even the landscape page: the widths stay, the layout shrinks them.
    double total = 0;
    for (const DetailColumn& c : t.columns)
        total += c.width;
    EXPECT_GT(total, 297.0 - 30.0);
}

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

namespace {

// A program folder of its own with a "print.ini" (GBK) for each test.
class PrintEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        setProgramDir(dir_.path());
        resetPrintValues();
        clearPrintVariables();
        pdf_ = dir_.filePath(u"out.pdf"_s);
        writeIni(u"[Print]\nTemplateDir=模板\nOutputPdf=out.pdf\n"_s);
        QDir(dir_.path()).mkpath(u"模板"_s);
    }
    void TearDown() override {
        setProgramDir(QString());
        resetPrintValues();
        clearPrintVariables();
    }
    void writeIni(const QString& text) {
        QFile f(dir_.filePath(u"print.ini"_s));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(dyt::gbk::encode(text));
    }
    QByteArray pdfBytes() const {
        QFile f(pdf_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir_;
    QString pdf_;
    const dyt::RecordSet header_ = dyt::test::billHeader();
    const dyt::RecordSet detail_ = dyt::test::billDetail(40);
};

}  // namespace

TEST_F(PrintEngineTest, PrintIniIsReadAsGbk) {
    writeIni(
        QStringLiteral("; 打印设置\n[Other]\nPrinter=wrong\n[print]\nTemplateDir=模板\n"
                       "Printer=仓库打印机\nCopies=2\nOutputPdf=\nFontFamily=Noto Sans CJK SC\n"));
    const PrintOptions o = printOptions();
    EXPECT_EQ(QDir::cleanPath(dir_.filePath(u"模板"_s)), o.templateDir);
    EXPECT_EQ(dyt::test::clientValuesText(u"仓库打印机"_s, 2, QString(), u"Noto Sans CJK SC"_s),
        dyt::test::clientValuesText(o.printer, o.copies, o.outputPdf, o.fontFamily));
    EXPECT_EQ(QDir::cleanPath(dir_.filePath(u"模板/进货单.QXF"_s)), templatePath(u"进货单.QXF"_s));
    QFile::remove(dir_.filePath(u"print.ini"_s));
    const PrintOptions defaults = printOptions();
    EXPECT_EQ(QDir::cleanPath(dir_.filePath(u"Report"_s)), defaults.templateDir);
    EXPECT_EQ(1, defaults.copies);
    EXPECT_THROW(templatePath(u" "_s), dyt::DytError);
}
// The defaults after a reset are checked where a bill prints (BillPrint).
TEST_F(PrintEngineTest, EngineValues) {
    setPrintValue(u"printonlyonce"_s, u"YES"_s);
    EXPECT_EQ(u"YES"_s, printValue(u"PrintOnlyOnce"_s));
    setPrintValue(u"自定义"_s, u"1"_s);
    EXPECT_EQ(u"1"_s, printValue(u"自定义"_s));
    resetPrintValues();
    EXPECT_EQ(u"NO"_s, printValue(u"PrintOnlyOnce"_s));
    EXPECT_EQ(u"NO"_s, printValue(u"PRINT"_s));
    EXPECT_EQ(QString(), printValue(u"自定义"_s));
    setPrintVariable(u"打印次数"_s, u"1"_s);
    setPrintVariable(u"打印次数"_s, u"2"_s);
    ASSERT_EQ(1, printVariables().size());
    EXPECT_EQ(u"2"_s, printVariables().at(0).second);
}
TEST_F(PrintEngineTest, RunPrintWritesThePdfWithTheChineseFont) {
    EXPECT_EQ(1, RunPrint(nullptr, header_, detail_, u"进货单.QXF"_s));
    const QByteArray pdf = pdfBytes();
    ASSERT_FALSE(pdf.isEmpty());
    EXPECT_TRUE(pdf.startsWith("%PDF")) << pdf.left(16).constData();
    // Two pages of 40 lines, and the Chinese texts are set in the CJK font, embedded.
    EXPECT_TRUE(pdf.contains("/Count 2")) << "page count";
    EXPECT_TRUE(pdf.contains("NotoSansCJK")) << "CJK font not embedded";
    EXPECT_EQ(u"1"_s, printValue(u"PRINTNUM"_s));
    // A missing template is generated for the print, not written.
    EXPECT_FALSE(QFile::exists(templatePath(u"进货单.QXF"_s)));
}
// A report wider than the page prints whole: read back from the PDF, the last column's caption
// and the end of a long header text are there.
TEST_F(PrintEngineTest, WideReportPrintsItsLastColumnAndWholeHeader) {
    const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_s);
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    ASSERT_EQ(1, RunPrint(nullptr, dyt::test::wideReportHeader(),
                          dyt::test::wideReportDetail(20, 5), u"库存状况表.QXF"_s));
    QProcess text;
    text.start(pdftotext, {u"-layout"_s, pdf_, u"-"_s});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    for (const QString& shown : {u"参考单价"_s, u"1,087,709.55"_s, u"六分仓）"_s})
        EXPECT_TRUE(out.contains(shown)) << qPrintable(shown) << "\n" << qPrintable(out);
}
TEST_F(PrintEngineTest, RunPrintUsesAnExistingTemplate) {
    PrintTemplate t = PrintTemplate::generate(u"自定义标题"_s, header_, detail_);
    t.columns.removeLast();
    t.save(templatePath(u"进货单.QXF"_s));
    const PrintTemplate used = loadTemplate(u"进货单.QXF"_s, header_, detail_);
    EXPECT_EQ(u"自定义标题|5"_s, used.title + u'|' + QString::number(used.columns.size()));
    // A broken template file is an error, and nothing is printed.
    QFile f(templatePath(u"坏模板.QXF"_s));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[page]\npaper=A9\n");
    f.close();
    EXPECT_THROW(RunPrint(nullptr, header_, detail_, u"坏模板.QXF"_s), dyt::DytError);
    EXPECT_FALSE(QFile::exists(pdf_));
}
TEST_F(PrintEngineTest, PrintLimit) {
    struct Row {
        const char* name;
        QString print, onlyOnce, numSum, limit;
        bool prints;
    };
    const Row rows[] = {
        {"not enforced", u"NO"_s, u"NO"_s, u"0"_s, u"YES"_s, true},
        {"enforced, prints left", u"YES"_s, u"YES"_s, u"2"_s, u"YES"_s, true},
        {"enforced, none left", u"YES"_s, u"YES"_s, u"0"_s, u"YES"_s, false},
        {"enforced, limit lifted", u"YES"_s, u"YES"_s, u"0"_s, u"NO"_s, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QFile::remove(pdf_);
        resetPrintValues();
        setPrintValue(u"PRINT"_s, r.print);
        setPrintValue(u"PrintOnlyOnce"_s, r.onlyOnce);
        setPrintValue(u"PRINTNUMSUM"_s, r.numSum);
        setPrintValue(u"PRINTLIMIT"_s, r.limit);
        setPrintValue(u"PRINTNUM"_s, u"7"_s);  // prints made before
        int made = 0;
        EXPECT_EQ(r.prints ? QString() : u"已达到允许的打印次数，不能再打印！"_s,
                  dyt::test::errorOf(
                      [&] { made = RunPrint(nullptr, header_, detail_, u"进货单.QXF"_s); }));
        EXPECT_EQ(r.prints ? 1 : 0, made);
        EXPECT_EQ(r.prints, QFile::exists(pdf_));
        // After the call PRINTNUM holds the prints of this call.
        EXPECT_EQ(r.prints ? u"1"_s : u"0"_s, printValue(u"PRINTNUM"_s));
    }
}
TEST_F(PrintEngineTest, PreviewPrintsOnceWhenAskedAndCounts) {
    setPrintValue(u"PRINT"_s, u"YES"_s);
    setPrintValue(u"PrintOnlyOnce"_s, u"YES"_s);
    setPrintValue(u"PRINTNUMSUM"_s, u"5"_s);
    int pages = -1;
    bool enabledBefore = false, enabledAfter = true;
    dyt::test::onNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<PreviewDialog*>(w);
        ASSERT_NE(nullptr, dlg);
        dlg->previewWidget()->updatePreview();
        pages = dlg->previewWidget()->pageCount();
        enabledBefore = dlg->printAction()->isEnabled();
        dlg->printAction()->trigger();
        enabledAfter = dlg->printAction()->isEnabled();
        dlg->accept();
    });
    EXPECT_EQ(1, Run_PriveFrm(nullptr, header_, detail_, u"进货单.QXF"_s, 1));
    EXPECT_EQ(dyt::test::clientValuesText(2, true, false),  // the print action works once
              dyt::test::clientValuesText(pages, enabledBefore, enabledAfter));
    EXPECT_TRUE(pdfBytes().startsWith("%PDF"));
    EXPECT_EQ(u"1"_s, printValue(u"PRINTNUM"_s));
    // A preview without printing offers no print.
    QFile::remove(pdf_);
    resetPrintValues();
    bool enabled = true;
    dyt::test::onNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<PreviewDialog*>(w);
        ASSERT_NE(nullptr, dlg);
        enabled = dlg->printAction()->isEnabled();
        dlg->accept();
    });
    EXPECT_EQ(1, Run_PriveFrm(nullptr, header_, detail_, u"进货单.QXF"_s, 0));
    EXPECT_FALSE(enabled);
    EXPECT_EQ(u"0"_s, printValue(u"PRINTNUM"_s));
    EXPECT_FALSE(QFile::exists(pdf_));
}
TEST_F(PrintEngineTest, DesignerEditsAndSavesTheTemplate) {
    const QString path = templatePath(u"进货单.QXF"_s);
    const PrintTemplate start = loadTemplate(u"进货单.QXF"_s, header_, detail_);
    DesignerDialog dlg(start, path, header_, detail_);
    dlg.show();
    auto* tabs = dlg.findChild<QTabWidget*>();
    ASSERT_NE(nullptr, tabs);
    tabs->setCurrentIndex(2);
    dlg.titleEdit()->setText(u"采购进货单"_s);
    dlg.paperBox()->setCurrentText(u"241x140"_s);
    dlg.orientationBox()->setCurrentIndex(1);
    dlg.marginBox(0)->setValue(8);
    QTableWidget* cols = dlg.columnTable();
    ASSERT_EQ(6, cols->rowCount());
    cols->item(2, DesignerDialog::ColCaption)->setText(u"品名"_s);
    cols->item(2, DesignerDialog::ColWidth)->setText(u"45"_s);
    cols->item(5, DesignerDialog::ColDecimals)->setText(u"3"_s);
    auto* align = qobject_cast<QComboBox*>(cols->cellWidget(2, DesignerDialog::ColAlign));
    ASSERT_NE(nullptr, align);
    EXPECT_EQ(u"左对齐"_s, align->currentText());
    align->setCurrentText(u"居中"_s);
    dlg.moveColumn(2, -1);  // 品名 before 商品编号
    dlg.removeColumn(4);    // 单价
    dlg.addColumn(u"barcode"_s, u"条码"_s, 25);
    dlg.fontSizeBox(DesignerDialog::DetailFont)->setValue(11);
    dlg.footerEdit()->setPlainText(u"制单：{操作员}\n审核："_s);
    ASSERT_TRUE(dlg.save()) << qPrintable(dlg.statusText());
    const PrintTemplate saved = PrintTemplate::load(path);
    EXPECT_EQ((QStringList{u"采购进货单"_s, u"241x140"_s}),
              (QStringList{saved.title, saved.paper}));
    EXPECT_EQ(Orientation::Landscape, saved.orientation);
    EXPECT_EQ(8.0, saved.marginLeft);
    QStringList captions;
    for (const DetailColumn& c : saved.columns)
        captions.append(c.caption);
    EXPECT_EQ(u"行号,品名,商品编号,数量,金额,条码"_s, captions.join(u','));
    EXPECT_EQ(45.0, saved.columns.at(1).width);
    EXPECT_EQ(u"sp_spqm"_s, saved.columns.at(1).field);
    EXPECT_EQ((QList<Align>{Align::Center, Align::Left}),
              (QList<Align>{saved.columns.at(1).align, saved.columns.at(2).align}));
    EXPECT_EQ(3, saved.columns.at(4).decimals);
    EXPECT_TRUE(saved.columns.at(4).sum);
    EXPECT_EQ(11.0, saved.detailFont.pointSize);
    EXPECT_EQ((QStringList{u"制单：{操作员}"_s, u"审核："_s}), saved.footerLines);
    // Untouched parts stay as they were.
    EXPECT_EQ(start.headerFields, saved.headerFields);
    EXPECT_EQ(start.pageFooter, saved.pageFooter);
}
TEST_F(PrintEngineTest, DesignerRefusesBadEntriesAndWritesNothing) {
    const QString path = templatePath(u"进货单.QXF"_s);
    DesignerDialog dlg(loadTemplate(u"进货单.QXF"_s, header_, detail_), path, header_, detail_);
    struct Row {
        int column;
        QString text, message;
    };
    const Row rows[] = {
        {DesignerDialog::ColWidth, u"宽"_s, u"明细第2列的宽度不合法"_s},
        {DesignerDialog::ColDecimals, u"-1"_s, u"明细第2列的小数位不合法"_s},
        {DesignerDialog::ColField, QString(), u"明细第2列没有字段名"_s},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(qPrintable(r.message));
        const QString before = dlg.columnTable()->item(1, r.column)->text();
        dlg.columnTable()->item(1, r.column)->setText(r.text);
        EXPECT_FALSE(dlg.save());
        EXPECT_EQ(r.message, dlg.statusText());
        EXPECT_FALSE(QFile::exists(path));
        dlg.columnTable()->item(1, r.column)->setText(before);
    }
    EXPECT_TRUE(dlg.save());
    EXPECT_TRUE(QFile::exists(path));
}
TEST_F(PrintEngineTest, RunDesignFrmSavesOnSave) {
    dyt::test::onNextModal([](QWidget* w) {
        for (QPushButton* b : w->findChildren<QPushButton*>()) {
            if (b->text() == u"保存(&S)"_s) {
                b->click();
                return;
            }
        }
        ADD_FAILURE() << "no save button";
    });
    EXPECT_EQ(1, Run_DesignFrm(nullptr, header_, detail_, u"进货单.QXF"_s, 1));
    EXPECT_EQ(u"进货单"_s, PrintTemplate::load(templatePath(u"进货单.QXF"_s)).title);
    dyt::test::onNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(0, Run_DesignFrm(nullptr, header_, detail_, u"销售单.QXF"_s, 1));
    EXPECT_FALSE(QFile::exists(templatePath(u"销售单.QXF"_s)));
}
TEST_F(PrintEngineTest, RenderedPageShowsInk) {
    const PrintTemplate t = loadTemplate(u"进货单.QXF"_s, header_, detail_);
    const Layout layout = layoutPages(t, header_, detail_);
    const QImage page = renderPage(t, layout, 0, 96);
    EXPECT_EQ(qRound(210 / 25.4 * 96), page.width());
    // The title band (centre of the first line) holds dark pixels: the title was drawn.
    const LayoutItem& title = layout.pages.at(0).items.at(0);
    ASSERT_EQ(ItemRole::Title, title.role);
    const double dpm = 96 / 25.4;
    int dark = 0;
    for (int y = qRound(title.rect.top() * dpm); y < qRound(title.rect.bottom() * dpm); ++y) {
        for (int x = qRound(title.rect.left() * dpm); x < qRound(title.rect.right() * dpm); ++x)
            dark += qGray(page.pixel(x, y)) < 128 ? 1 : 0;
    }
    EXPECT_GT(dark, 50);
}
