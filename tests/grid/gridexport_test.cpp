// Export of a grid to a spreadsheet file: the file name rules, the ".xls" cells of a small grid,
// the ".xlsx" workbook read back and the hand-over to the shell.

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>

#include <zlib.h>

#include "client/common/gridexport.h"
#include "client/logic/gridvalues.h"
#include "client/common/gridview.h"
#include "client/common/queryfilter.h"
#include "client/logic/recordsetmodel.h"
#include "support/client/scriptedprompter.h"
#include "common/error.h"
#include "grid/printers.h"
#include "support/testutil.h"
#include "support/worksheetreader.h"

using namespace Qt::StringLiterals;

namespace dyt {
namespace {
using test::errorOf;

using test::readFile;
using test::u16;
using test::u32;

// --- a small reader of zip archives: the central directory, stored or deflated entries
QMap<QString, QByteArray> unzip(const QByteArray& zip) {
    QMap<QString, QByteArray> out;
    const qsizetype end = zip.lastIndexOf(QByteArray::fromHex("504b0506"));
    if (end < 0 || end + 22 > zip.size()) {
        ADD_FAILURE() << "no end of central directory";
        return out;
    }
    const int entries = u16(zip, end + 10);
    qsizetype at = u32(zip, end + 16);
    for (int i = 0; i < entries; ++i) {
        if (at + 46 > zip.size() || u32(zip, at) != 0x02014b50) {
            ADD_FAILURE() << "bad central directory entry " << i;
            break;
        }
        const int method = u16(zip, at + 10);
        const int nameLength = u16(zip, at + 28);
        const QString name = QString::fromUtf8(zip.mid(at + 46, nameLength));
        const qsizetype local = u32(zip, at + 42);
        const qsizetype data = local + 30 + u16(zip, local + 26) + u16(zip, local + 28);
        QByteArray content = zip.mid(data, u32(zip, at + 20));
        if (method == 8) {
            const QByteArray raw = content;
            content = QByteArray(u32(zip, at + 24), '\0');
            z_stream zs{};
            zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.constData()));
            zs.avail_in = static_cast<uInt>(raw.size());
            zs.next_out = reinterpret_cast<Bytef*>(content.data());
            zs.avail_out = static_cast<uInt>(content.size());
            EXPECT_EQ(Z_OK, inflateInit2(&zs, -MAX_WBITS));
            EXPECT_EQ(Z_STREAM_END, inflate(&zs, Z_FINISH)) << name.toStdString();
            inflateEnd(&zs);
        } else if (method != 0) {
            ADD_FAILURE() << "compression method " << method;
        }
        at += 46 + nameLength + u16(zip, at + 30) + u16(zip, at + 32);
        out.insert(name, content);
    }
    return out;
}

// The texts of the shared-strings part, in their index order.
QStringList sharedStrings(const QByteArray& xml) {
    QStringList out;
    static const QRegularExpression t(u"<t[^>]*>([^<]*)</t>"_s);
    auto it = t.globalMatch(QString::fromUtf8(xml));
    while (it.hasNext())
        out.append(it.next().captured(1));
    return out;
}

TEST(GridExportNames, TargetFileNamesNumberFormatsAndPlaces) {
    const QString xls = u"Excel文件(*.xls)"_s;
    const QString xlsx = gridexport::xlsxFilter();
    const QString all = u"所有文件(*.*)"_s;
    struct Case {
        QString chosen;
        QString filter;
        QString target;
        bool isXlsx;
    };
    const Case cases[] = {
        {u"/d/库存"_s, xls, u"/d/库存.xls"_s, false}, {u"/d/库存"_s, xlsx, u"/d/库存.xlsx"_s, true},
        {u"/d/库存"_s, all, u"/d/库存.xls"_s, false},
        {u"/d/库存.XLS"_s, xls, u"/d/库存.XLS"_s, false},
        {u"/d/库存.xlsx"_s, xls, u"/d/库存.xlsx"_s, true},
        {u"/d/库存.xls"_s, xlsx, u"/d/库存.xls"_s, false},
        {u"/d/库存.txt"_s, all, u"/d/库存.txt.xls"_s, false},
        {u"/d/a.xls.bak"_s, xls, u"/d/a.xls.bak"_s, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.target, gridexport::targetFileName(c.chosen, c.filter))
            << c.chosen.toStdString();
        EXPECT_EQ(c.isXlsx, gridexport::isXlsxName(c.target)) << c.target.toStdString();
    }
    EXPECT_EQ(u"数据-2024_03_05-07_08_09.xls"_s,
              gridexport::proposedFileName(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9))));
    // Spreadsheet number formats.
    const std::pair<QString, QString> formats[] = {
        {u",0.00;-,0.00"_s, u"#,##0.00;\"-\"#,##0.00"_s},
        {u",0.0000;-,0.00"_s, u"#,##0.0000;\"-\"#,##0.00"_s},
        {u",0.;-,0."_s, u"#,##0;\"-\"#,##0"_s},
        {u",0.00%;-,0.00%"_s, u"#,##0.00\"%\";\"-\"#,##0.00\"%\""_s},
        {u"0.000"_s, u"0.000"_s},
        {QString(), QString()}};
    for (const auto& [pattern, format] : formats)
        EXPECT_EQ(format, gridexport::spreadsheetNumberFormat(pattern)) << pattern.toStdString();
    // Places follow the section that shows the value.
    struct PlacesCase {
        QString pattern;
        double value;
        int places;
        double shown;
    };
    const PlacesCase places[] = {
        {u",0.00;-,0.000"_s, 1.2345, 2, 1.23},     // a price
        {u",0.00;-,0.000"_s, -1.2345, 3, -1.235},  // negative: quantity places
        {u",0.;-,0."_s, -2.5, 0, -3},              // half away from zero
        {u",0.00%;-,0.00%"_s, 0.125, 2, 0.13},
        {u"0.0"_s, -1.25, 1, -1.3},        // no negative section: the first one
        {QString(), 1.23456, 4, 1.2346}};  // no pattern: the column's places
    for (const PlacesCase& c : places) {
        EXPECT_EQ(c.places, gridfilter::displayPlaces(c.pattern, c.value, 4))
            << c.pattern.toStdString() << " " << c.value;
        EXPECT_DOUBLE_EQ(c.shown, gridfilter::displayedNumber(c.pattern, c.value, 4))
            << c.pattern.toStdString() << " " << c.value;
    }
}

// Six columns, one hidden by the "F" rule; the cost is masked for this operator.
class GridExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        rs = test::withFields("code text, barcode text, qty float, cost float, id integer, "
            "day date");
        rs.appendRow({u" A1 "_s, u"690"_s, 1.005, 3.5, 7, QDate(2024, 3, 5)});
        rs.appendRow({u"B2"_s, QVariant(), QVariant(), QVariant(), -2, QVariant()});
        def.context.qtyDot = 2;
        def.context.totalDot = 2;
        def.context.canSeeCost = false;
        AddGridColumn(def, u"编号"_s, u"code"_s, false, 60);
        AddGridColumn(def, u"[%F%]条码"_s, u"barcode"_s, false, 60);
        AddGridColumn(def, u"[%Q%]数量"_s, u"qty"_s, false, 70);
        AddGridColumn(def, u"[%M%Cost%]成本"_s, u"cost"_s, false, 70);
        AddGridColumn(def, u"ID"_s, u"id"_s, false, 40);
        AddGridColumn(def, u"日期"_s, u"day"_s, false, 80);
        model.setSource(&rs, &def);
        view.setModel(&model);
    }
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QTemporaryDir dir;
    RecordSet rs;
    GridDefinition def;
    RecordSetModel model;
    GridView view;
};

// The hidden barcode is left out, the code trimmed, the quantity written as shown (1.005 as 1.01),
// the masked cost as "***", integers as RK numbers, the date as its text, empty cells blank.
TEST_F(GridExportTest, WorksheetCellsFollowTheGridItsOrderRowsAndFilter) {
    const QString file = path("导出.xls");
    writeGridWorkbook(&view, file);
    EXPECT_EQ(test::sheetCells(readFile(file)),
              u"L:b1e0bac5|L:cafdc1bf|L:b3c9b1be|L:ID|L:c8d5c6da\n"  // 编号 数量 成本 ID 日期
              "L:A1|N:1.01|L:***|K:7|L:2024-03-05\nL:B2|B|B|K:-2|B"_s);
    // The export follows the shown order, rows and filter.
    view.table()->horizontalHeader()->moveSection(4, 0);  // ID shown first
    gridfilter::applyQueryFilter(
        &view,
        gridfilter::QueryFilter::makeCondition(def, 4, gridfilter::FilterOperator::Less, u"0"_s),
        gridfilter::FilterScope::New);
    const RecordSet out = gridexport::gridRecords(&view);
    QStringList captions;
    for (const Field& f : out.fields())
        captions.append(f.caption());
    EXPECT_EQ((QStringList{u"ID"_s, u"编号"_s, u"数量"_s, u"成本"_s, u"日期"_s}), captions);
    ASSERT_EQ(1, out.recordCount());
    EXPECT_EQ(-2, out.at(0, 0).toLongLong());
    EXPECT_EQ(u"B2"_s, out.at(0, 1).toString());
}

TEST_F(GridExportTest, XlsxRoundTrip) {
    const QString file = path("导出.xlsx");
    writeGridWorkbook(&view, file);
    const QByteArray bytes = readFile(file);
    ASSERT_TRUE(bytes.startsWith("PK\x03\x04"));
    const QMap<QString, QByteArray> parts = unzip(bytes);
    ASSERT_TRUE(parts.contains(u"xl/worksheets/sheet1.xml"_s));
    ASSERT_TRUE(parts.contains(u"xl/sharedStrings.xml"_s));
    // Texts in the order they were first written, row by row; the hidden caption is not there.
    EXPECT_EQ((QStringList{u"编号"_s, u"数量"_s, u"成本"_s, u"ID"_s, u"日期"_s, u"A1"_s, u"***"_s,
                           u"2024-03-05"_s, u"B2"_s}),
              sharedStrings(parts.value(u"xl/sharedStrings.xml"_s)));
    const QString sheet = QString::fromUtf8(parts.value(u"xl/worksheets/sheet1.xml"_s));
    struct Cell {
        const char* ref;
        const char* pattern;  // what the cell must hold
    };
    const Cell cells[] = {
        {"A1", "t=\"s\"[^>]*><v>0</v>"},  // 编号
        {"B2", "><v>1.01</v>"},  // the quantity as a number with its places
        {"C2", "t=\"s\"[^>]*><v>6</v>"},  // "***"
        {"D2", "><v>7</v>"}, {"D3", "><v>-2</v>"},
        {"E2", "t=\"s\"[^>]*><v>7</v>"}};  // the date as its text
    for (const Cell& c : cells) {
        const QRegularExpression re(
            u"<c r=\"%1\"[^>]*%2"_s.arg(QLatin1String(c.ref), QLatin1String(c.pattern)));
        EXPECT_TRUE(re.match(sheet).hasMatch()) << c.ref << "\n" << sheet.toStdString();
    }
    // Empty cells are not written.
    EXPECT_FALSE(sheet.contains(u"r=\"B3\""_s));
    EXPECT_FALSE(sheet.contains(u"r=\"F1\""_s));
    const QString styles = QString::fromUtf8(parts.value(u"xl/styles.xml"_s));
    EXPECT_TRUE(styles.contains(u"formatCode=\"#,##0.00;&quot;-&quot;#,##0.00\""_s))
        << styles.toStdString();
}

TEST_F(GridExportTest, ExportAsksForTheFileWritesItAndOpensItAndErrorsGoToThePrompter) {
    client::ScriptedPrompter prompter;
    client::PrompterOverride use(&prompter);
    struct HooksBack {
        ~HooksBack() {
            gridexport::setFileChooser({});
            gridexport::setDocumentOpener({});
        }
    } hooksBack;
    QStringList asked;
    QStringList opened;
    gridexport::setFileChooser([&](QWidget*, const QString& title, const QString& proposed,
                                   const QString& filter, QString* selected) {
        asked << title << proposed << filter;
        *selected = gridexport::xlsxFilter();
        return path("月报");
    });
    gridexport::setDocumentOpener([&](const QString& p) {
        opened.append(p);
        return true;
    });
    EXPECT_TRUE(exportGridToExcel(&view, nullptr));
    ASSERT_EQ(3, asked.size());
    EXPECT_EQ(u"导出到Excel"_s, asked[0]);
    EXPECT_TRUE(QRegularExpression(u"^数据-\\d{4}_\\d{2}_\\d{2}-\\d{2}_\\d{2}_\\d{2}\\.xls$"_s)
                    .match(asked[1])
                    .hasMatch())
        << asked[1].toStdString();
    EXPECT_EQ(gridexport::fileFilter(), asked[2]);
    EXPECT_EQ(QStringList{path("月报.xlsx")}, opened);
    EXPECT_TRUE(readFile(path("月报.xlsx")).startsWith("PK\x03\x04"));
    EXPECT_TRUE(prompter.messages().isEmpty());
    // A shell that cannot open the file leaves the file and says so.
    gridexport::setDocumentOpener([](const QString&) { return false; });
    EXPECT_TRUE(exportGridToExcel(&view, nullptr));
    ASSERT_EQ(1, prompter.messages().size());
    EXPECT_TRUE(prompter.messages()[0].contains(u"月报.xlsx"_s));
    // Cancelling writes and opens nothing.
    opened.clear();
    gridexport::setFileChooser([](QWidget*, const QString&, const QString&, const QString&,
                                  QString*) { return QString(); });
    gridexport::setDocumentOpener([&](const QString& p) {
        opened.append(p);
        return true;
    });
    EXPECT_FALSE(exportGridToExcel(&view, nullptr));
    EXPECT_TRUE(opened.isEmpty());
    // Errors go to the prompter.
    prompter.clearRecords();
    EXPECT_EQ(u"无数据"_s, errorOf([] { writeGridWorkbook(nullptr, u"x.xls"_s); }));
    EXPECT_FALSE(exportGridToExcel(nullptr, nullptr));
    ASSERT_EQ(1, prompter.records(client::PromptKind::Message).size());
    EXPECT_EQ(u"错误"_s, prompter.records(client::PromptKind::Message)[0].caption);
    EXPECT_EQ(u"无数据"_s, prompter.messages()[0]);
}

}  // namespace
}  // namespace dyt
