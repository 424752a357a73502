// Export of a grid to a spreadsheet file: the save dialog's texts and the file name rules, the
// ".xls" worksheet bytes of a small grid, the ".xlsx" workbook read back, atomic replacement and
// the hand-over to the shell.

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

using namespace Qt::StringLiterals;

namespace dyt {
namespace {
using test::errorOf;

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

int u16(const QByteArray& b, qsizetype at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

quint32 u32(const QByteArray& b, qsizetype at) {
    return static_cast<quint32>(u16(b, at)) | (static_cast<quint32>(u16(b, at + 2)) << 16);
}

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
        const quint32 packed = u32(zip, at + 20);
        const quint32 size = u32(zip, at + 24);
        const int nameLength = u16(zip, at + 28);
        const int extra = u16(zip, at + 30);
        const int comment = u16(zip, at + 32);
        const qsizetype local = u32(zip, at + 42);
        const QString name = QString::fromUtf8(zip.mid(at + 46, nameLength));
        at += 46 + nameLength + extra + comment;

        const qsizetype data = local + 30 + u16(zip, local + 26) + u16(zip, local + 28);
        const QByteArray raw = zip.mid(data, packed);
        QByteArray content;
        if (method == 0) {
            content = raw;
        } else if (method == 8) {
            content.resize(size);
            z_stream zs{};
            zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.constData()));
            zs.avail_in = static_cast<uInt>(raw.size());
            zs.next_out = reinterpret_cast<Bytef*>(content.data());
            zs.avail_out = static_cast<uInt>(content.size());
            if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) {
                ADD_FAILURE() << "inflateInit2";
                break;
            }
            const int rc = inflate(&zs, Z_FINISH);
            inflateEnd(&zs);
            EXPECT_EQ(Z_STREAM_END, rc) << name.toStdString();
        } else {
            ADD_FAILURE() << "compression method " << method;
        }
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

TEST(GridExportNames, SaveDialogTexts) {
    EXPECT_EQ(u"导出到Excel"_s, gridexport::dialogTitle());
    EXPECT_EQ(u"Excel文件(*.xls);;Excel 2007文件(*.xlsx);;所有文件(*.*)"_s,
              gridexport::fileFilter());
    EXPECT_EQ(u"数据-2024_03_05-07_08_09.xls"_s,
              gridexport::proposedFileName(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9))));
    EXPECT_EQ(u"数据-2024_12_31-23_59_58.xls"_s,
              gridexport::proposedFileName(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 58))));
}

TEST(GridExportNames, TargetFileNames) {
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
        {u"/d/库存"_s, xls, u"/d/库存.xls"_s, false},
        {u"/d/库存"_s, xlsx, u"/d/库存.xlsx"_s, true},
        {u"/d/库存"_s, all, u"/d/库存.xls"_s, false},
        {u"/d/库存.XLS"_s, xls, u"/d/库存.XLS"_s, false},
        {u"/d/库存.xlsx"_s, xls, u"/d/库存.xlsx"_s, true},
        {u"/d/库存.xls"_s, xlsx, u"/d/库存.xls"_s, false},
        {u"/d/库存.txt"_s, all, u"/d/库存.txt.xls"_s, false},
        {u"/d/a.xls.bak"_s, xls, u"/d/a.xls.bak"_s, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.target, gridexport::targetFileName(c.chosen, c.filter))
            << c.chosen.toStdString();
        EXPECT_EQ(c.isXlsx, gridexport::isXlsxName(c.target)) << c.target.toStdString();
    }
}

TEST(GridExportNames, SpreadsheetNumberFormats) {
    struct Case {
        QString pattern;
        QString format;
    };
    const Case cases[] = {
        {u",0.00;-,0.00"_s, u"#,##0.00;\"-\"#,##0.00"_s},
        {u",0.0000;-,0.00"_s, u"#,##0.0000;\"-\"#,##0.00"_s},
        {u",0.;-,0."_s, u"#,##0;\"-\"#,##0"_s},
        {u",0.00%;-,0.00%"_s, u"#,##0.00\"%\";\"-\"#,##0.00\"%\""_s},
        {u"0.000"_s, u"0.000"_s},
        {QString(), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.format, gridexport::spreadsheetNumberFormat(c.pattern))
            << c.pattern.toStdString();
}

TEST(GridExportNames, PlacesFollowTheSectionThatShowsTheValue) {
    struct Case {
        QString pattern;
        double value;
        int places;
        double shown;
    };
    const Case cases[] = {
        {u",0.00;-,0.000"_s, 1.2345, 2, 1.23},     // a price
        {u",0.00;-,0.000"_s, -1.2345, 3, -1.235},  // negative: quantity places
        {u",0.;-,0."_s, -2.5, 0, -3},              // half away from zero
        {u",0.00%;-,0.00%"_s, 0.125, 2, 0.13},
        {u"0.0"_s, -1.25, 1, -1.3},       // no negative section: the first one
        {QString(), 1.23456, 4, 1.2346},  // no pattern: the column's places
    };
    for (const Case& c : cases) {
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
        rs.addField(u"code"_s, FieldType::Text);
        rs.addField(u"barcode"_s, FieldType::Text);
        rs.addField(u"qty"_s, FieldType::Float);
        rs.addField(u"cost"_s, FieldType::Float);
        rs.addField(u"id"_s, FieldType::Integer);
        rs.addField(u"day"_s, FieldType::Date);
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

TEST_F(GridExportTest, WorksheetBytesFieldByField) {
    const QString file = path("导出.xls");
    writeGridWorkbook(&view, file);
    const QByteArray bytes = readFile(file);

    // Worked out from the record layout: number, length, row, column, format 0, body.
    const QStringList expected{
        u"0908 0800 0000 1000 0000 0000"_s,                           // BOF
        u"0402 0c00 0000 0000 0000 0400 b1e0 bac5"_s,                 // 编号
        u"0402 0c00 0000 0100 0000 0400 cafd c1bf"_s,                 // 数量 (条码 left out)
        u"0402 0c00 0000 0200 0000 0400 b3c9 b1be"_s,                 // 成本
        u"0402 0a00 0000 0300 0000 0200 4944"_s,                      // ID
        u"0402 0c00 0000 0400 0000 0400 c8d5 c6da"_s,                 // 日期
        u"0402 0a00 0100 0000 0000 0200 4131"_s,                      // "A1", trimmed
        u"0302 0e00 0100 0100 0000 295c 8fc2 f528 f03f"_s,            // 1.005 shown as 1.01
        u"0402 0b00 0100 0200 0000 0300 2a2a 2a"_s,                   // masked "***"
        u"7e02 0a00 0100 0300 0000 1e00 0000"_s,                      // RK 7 × 4 + 2
        u"0402 1200 0100 0400 0000 0a00 3230 3234 2d30 332d 3035"_s,  // 2024-03-05
        u"0402 0a00 0200 0000 0000 0200 4232"_s,                      // "B2"
        u"0102 0600 0200 0100 0000"_s,                                // empty quantity
        u"0102 0600 0200 0200 0000"_s,                                // empty cost
        u"7e02 0a00 0200 0300 0000 faff ffff"_s,                      // RK -2 × 4 + 2
        u"0102 0600 0200 0400 0000"_s,                                // empty date
        u"0a00 0000"_s,                                               // EOF
    };
    qsizetype at = 0;
    for (int i = 0; i < expected.size(); ++i) {
        ASSERT_LE(at + 4, bytes.size()) << "record " << i;
        const int length = u16(bytes, at + 2);
        const QByteArray record = bytes.mid(at, 4 + length);
        QString want = expected[i];
        want.remove(u' ');
        EXPECT_EQ(want, QString::fromLatin1(record.toHex())) << "record " << i;
        at += 4 + length;
    }
    EXPECT_EQ(bytes.size(), at);
}

TEST_F(GridExportTest, ExportFollowsTheShownOrderRowsAndFilter) {
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
        {"B2", "><v>1.01</v>"},           // the quantity as a number with its places
        {"C2", "t=\"s\"[^>]*><v>6</v>"},  // "***"
        {"D2", "><v>7</v>"},
        {"D3", "><v>-2</v>"},
        {"E2", "t=\"s\"[^>]*><v>7</v>"},  // the date as its text
    };
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

TEST_F(GridExportTest, AnExistingFileIsReplacedWholeOrKept) {
    const QString file = path("库存.xls");
    writeFile(file, "old contents");
    writeGridWorkbook(&view, file);
    EXPECT_TRUE(readFile(file).startsWith(QByteArray::fromHex("09080800")));

    // Too many rows for the worksheet format: nothing is written, the old file stays.
    writeFile(file, "old contents");
    for (int i = 0; i < 65534; ++i)
        rs.appendRow({u"X"_s});
    model.reload();
    EXPECT_FALSE(errorOf([&] { writeGridWorkbook(&view, file); }).isEmpty());
    EXPECT_EQ(QByteArray("old contents"), readFile(file));
    EXPECT_EQ(QStringList{u"库存.xls"_s}, QDir(dir.path()).entryList(QDir::Files));
}

TEST_F(GridExportTest, ExportAsksForTheFileWritesItAndOpensIt) {
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
}

TEST_F(GridExportTest, ErrorsGoToThePrompter) {
    client::ScriptedPrompter prompter;
    client::PrompterOverride use(&prompter);
    EXPECT_EQ(u"无数据"_s, errorOf([] { writeGridWorkbook(nullptr, u"x.xls"_s); }));
    EXPECT_FALSE(exportGridToExcel(nullptr, nullptr));
    ASSERT_EQ(1, prompter.records(client::PromptKind::Message).size());
    EXPECT_EQ(u"错误"_s, prompter.records(client::PromptKind::Message)[0].caption);
    EXPECT_EQ(u"无数据"_s, prompter.messages()[0]);
}

}  // namespace
}  // namespace dyt
