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
    static const QRegularExpression t(QStringLiteral("<t[^>]*>([^<]*)</t>"));
    auto it = t.globalMatch(QString::fromUtf8(xml));
    while (it.hasNext())
        out.append(it.next().captured(1));
    return out;
}

TEST(GridExportNames, SaveDialogTexts) {
    EXPECT_EQ(QStringLiteral("导出到Excel"), gridexport::DialogTitle());
    EXPECT_EQ(QStringLiteral("Excel文件(*.xls);;Excel 2007文件(*.xlsx);;所有文件(*.*)"),
              gridexport::FileFilter());
    EXPECT_EQ(QStringLiteral("数据-2024_03_05-07_08_09.xls"),
              gridexport::ProposedFileName(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9))));
    EXPECT_EQ(QStringLiteral("数据-2024_12_31-23_59_58.xls"),
              gridexport::ProposedFileName(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 58))));
}

TEST(GridExportNames, TargetFileNames) {
    const QString xls = QStringLiteral("Excel文件(*.xls)");
    const QString xlsx = gridexport::XlsxFilter();
    const QString all = QStringLiteral("所有文件(*.*)");
    struct Case {
        QString chosen;
        QString filter;
        QString target;
        bool isXlsx;
    };
    const Case cases[] = {
        {QStringLiteral("/d/库存"), xls, QStringLiteral("/d/库存.xls"), false},
        {QStringLiteral("/d/库存"), xlsx, QStringLiteral("/d/库存.xlsx"), true},
        {QStringLiteral("/d/库存"), all, QStringLiteral("/d/库存.xls"), false},
        {QStringLiteral("/d/库存.XLS"), xls, QStringLiteral("/d/库存.XLS"), false},
        {QStringLiteral("/d/库存.xlsx"), xls, QStringLiteral("/d/库存.xlsx"), true},
        {QStringLiteral("/d/库存.xls"), xlsx, QStringLiteral("/d/库存.xls"), false},
        {QStringLiteral("/d/库存.txt"), all, QStringLiteral("/d/库存.txt.xls"), false},
        {QStringLiteral("/d/a.xls.bak"), xls, QStringLiteral("/d/a.xls.bak"), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.target, gridexport::TargetFileName(c.chosen, c.filter))
            << c.chosen.toStdString();
        EXPECT_EQ(c.isXlsx, gridexport::IsXlsxName(c.target)) << c.target.toStdString();
    }
}

TEST(GridExportNames, SpreadsheetNumberFormats) {
    struct Case {
        QString pattern;
        QString format;
    };
    const Case cases[] = {
        {QStringLiteral(",0.00;-,0.00"), QStringLiteral("#,##0.00;\"-\"#,##0.00")},
        {QStringLiteral(",0.0000;-,0.00"), QStringLiteral("#,##0.0000;\"-\"#,##0.00")},
        {QStringLiteral(",0.;-,0."), QStringLiteral("#,##0;\"-\"#,##0")},
        {QStringLiteral(",0.00%;-,0.00%"), QStringLiteral("#,##0.00\"%\";\"-\"#,##0.00\"%\"")},
        {QStringLiteral("0.000"), QStringLiteral("0.000")},
        {QString(), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.format, gridexport::SpreadsheetNumberFormat(c.pattern))
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
        {QStringLiteral(",0.00;-,0.000"), 1.2345, 2, 1.23},     // a price
        {QStringLiteral(",0.00;-,0.000"), -1.2345, 3, -1.235},  // negative: quantity places
        {QStringLiteral(",0.;-,0."), -2.5, 0, -3},              // half away from zero
        {QStringLiteral(",0.00%;-,0.00%"), 0.125, 2, 0.13},
        {QStringLiteral("0.0"), -1.25, 1, -1.3},  // no negative section: the first one
        {QString(), 1.23456, 4, 1.2346},          // no pattern: the column's places
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.places, gridfilter::DisplayPlaces(c.pattern, c.value, 4))
            << c.pattern.toStdString() << " " << c.value;
        EXPECT_DOUBLE_EQ(c.shown, gridfilter::DisplayedNumber(c.pattern, c.value, 4))
            << c.pattern.toStdString() << " " << c.value;
    }
}

// Six columns, one hidden by the "F" rule; the cost is masked for this operator.
class GridExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        rs.addField(QStringLiteral("code"), FieldType::Text);
        rs.addField(QStringLiteral("barcode"), FieldType::Text);
        rs.addField(QStringLiteral("qty"), FieldType::Float);
        rs.addField(QStringLiteral("cost"), FieldType::Float);
        rs.addField(QStringLiteral("id"), FieldType::Integer);
        rs.addField(QStringLiteral("day"), FieldType::Date);
        rs.appendRow(
            {QStringLiteral(" A1 "), QStringLiteral("690"), 1.005, 3.5, 7, QDate(2024, 3, 5)});
        rs.appendRow({QStringLiteral("B2"), QVariant(), QVariant(), QVariant(), -2, QVariant()});

        def.context.qtyDot = 2;
        def.context.totalDot = 2;
        def.context.canSeeCost = false;
        AddGridColumn(def, QStringLiteral("编号"), QStringLiteral("code"), false, 60);
        AddGridColumn(def, QStringLiteral("[%F%]条码"), QStringLiteral("barcode"), false, 60);
        AddGridColumn(def, QStringLiteral("[%Q%]数量"), QStringLiteral("qty"), false, 70);
        AddGridColumn(def, QStringLiteral("[%M%Cost%]成本"), QStringLiteral("cost"), false, 70);
        AddGridColumn(def, QStringLiteral("ID"), QStringLiteral("id"), false, 40);
        AddGridColumn(def, QStringLiteral("日期"), QStringLiteral("day"), false, 80);
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
    WriteGridWorkbook(&view, file);
    const QByteArray bytes = readFile(file);

    // Worked out from the record layout: number, length, row, column, format 0, body.
    const QStringList expected{
        QStringLiteral("0908 0800 0000 1000 0000 0000"),                 // BOF
        QStringLiteral("0402 0c00 0000 0000 0000 0400 b1e0 bac5"),       // 编号
        QStringLiteral("0402 0c00 0000 0100 0000 0400 cafd c1bf"),       // 数量 (条码 left out)
        QStringLiteral("0402 0c00 0000 0200 0000 0400 b3c9 b1be"),       // 成本
        QStringLiteral("0402 0a00 0000 0300 0000 0200 4944"),            // ID
        QStringLiteral("0402 0c00 0000 0400 0000 0400 c8d5 c6da"),       // 日期
        QStringLiteral("0402 0a00 0100 0000 0000 0200 4131"),            // "A1", trimmed
        QStringLiteral("0302 0e00 0100 0100 0000 295c 8fc2 f528 f03f"),  // 1.005 shown as 1.01
        QStringLiteral("0402 0b00 0100 0200 0000 0300 2a2a 2a"),         // masked "***"
        QStringLiteral("7e02 0a00 0100 0300 0000 1e00 0000"),            // RK 7 × 4 + 2
        QStringLiteral("0402 1200 0100 0400 0000 0a00 3230 3234 2d30 332d 3035"),  // 2024-03-05
        QStringLiteral("0402 0a00 0200 0000 0000 0200 4232"),                      // "B2"
        QStringLiteral("0102 0600 0200 0100 0000"),                                // empty quantity
        QStringLiteral("0102 0600 0200 0200 0000"),                                // empty cost
        QStringLiteral("7e02 0a00 0200 0300 0000 faff ffff"),                      // RK -2 × 4 + 2
        QStringLiteral("0102 0600 0200 0400 0000"),                                // empty date
        QStringLiteral("0a00 0000"),                                               // EOF
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
    gridfilter::ApplyQueryFilter(&view,
                                 gridfilter::QueryFilter::makeCondition(
                                     def, 4, gridfilter::FilterOperator::Less, QStringLiteral("0")),
                                 gridfilter::FilterScope::New);
    const RecordSet out = gridexport::GridRecords(&view);
    QStringList captions;
    for (const Field& f : out.fields())
        captions.append(f.caption());
    EXPECT_EQ((QStringList{QStringLiteral("ID"), QStringLiteral("编号"), QStringLiteral("数量"),
                           QStringLiteral("成本"), QStringLiteral("日期")}),
              captions);
    ASSERT_EQ(1, out.recordCount());
    EXPECT_EQ(-2, out.at(0, 0).toLongLong());
    EXPECT_EQ(QStringLiteral("B2"), out.at(0, 1).toString());
}

TEST_F(GridExportTest, XlsxRoundTrip) {
    const QString file = path("导出.xlsx");
    WriteGridWorkbook(&view, file);
    const QByteArray bytes = readFile(file);
    ASSERT_TRUE(bytes.startsWith("PK\x03\x04"));
    const QMap<QString, QByteArray> parts = unzip(bytes);
    ASSERT_TRUE(parts.contains(QStringLiteral("xl/worksheets/sheet1.xml")));
    ASSERT_TRUE(parts.contains(QStringLiteral("xl/sharedStrings.xml")));

    // Texts in the order they were first written, row by row; the hidden caption is not there.
    EXPECT_EQ(
        (QStringList{QStringLiteral("编号"), QStringLiteral("数量"), QStringLiteral("成本"),
                     QStringLiteral("ID"), QStringLiteral("日期"), QStringLiteral("A1"),
                     QStringLiteral("***"), QStringLiteral("2024-03-05"), QStringLiteral("B2")}),
        sharedStrings(parts.value(QStringLiteral("xl/sharedStrings.xml"))));

    const QString sheet =
        QString::fromUtf8(parts.value(QStringLiteral("xl/worksheets/sheet1.xml")));
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
        const QRegularExpression re(QStringLiteral("<c r=\"%1\"[^>]*%2")
                                        .arg(QLatin1String(c.ref), QLatin1String(c.pattern)));
        EXPECT_TRUE(re.match(sheet).hasMatch()) << c.ref << "\n" << sheet.toStdString();
    }
    // Empty cells are not written.
    EXPECT_FALSE(sheet.contains(QStringLiteral("r=\"B3\"")));
    EXPECT_FALSE(sheet.contains(QStringLiteral("r=\"F1\"")));

    const QString styles = QString::fromUtf8(parts.value(QStringLiteral("xl/styles.xml")));
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"#,##0.00;&quot;-&quot;#,##0.00\"")))
        << styles.toStdString();
}

TEST_F(GridExportTest, AnExistingFileIsReplacedWholeOrKept) {
    const QString file = path("库存.xls");
    writeFile(file, "old contents");
    WriteGridWorkbook(&view, file);
    EXPECT_TRUE(readFile(file).startsWith(QByteArray::fromHex("09080800")));

    // Too many rows for the worksheet format: nothing is written, the old file stays.
    writeFile(file, "old contents");
    for (int i = 0; i < 65534; ++i)
        rs.appendRow({QStringLiteral("X")});
    model.reload();
    EXPECT_FALSE(errorOf([&] { WriteGridWorkbook(&view, file); }).isEmpty());
    EXPECT_EQ(QByteArray("old contents"), readFile(file));
    EXPECT_EQ(QStringList{QStringLiteral("库存.xls")}, QDir(dir.path()).entryList(QDir::Files));
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
        *selected = gridexport::XlsxFilter();
        return path("月报");
    });
    gridexport::setDocumentOpener([&](const QString& p) {
        opened.append(p);
        return true;
    });

    EXPECT_TRUE(ExportGridToExcel(&view, nullptr));
    ASSERT_EQ(3, asked.size());
    EXPECT_EQ(QStringLiteral("导出到Excel"), asked[0]);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^数据-\\d{4}_\\d{2}_\\d{2}-\\d{2}_\\d{2}_\\d{2}\\.xls$"))
            .match(asked[1])
            .hasMatch())
        << asked[1].toStdString();
    EXPECT_EQ(gridexport::FileFilter(), asked[2]);
    EXPECT_EQ(QStringList{path("月报.xlsx")}, opened);
    EXPECT_TRUE(readFile(path("月报.xlsx")).startsWith("PK\x03\x04"));
    EXPECT_TRUE(prompter.messages().isEmpty());

    // A shell that cannot open the file leaves the file and says so.
    gridexport::setDocumentOpener([](const QString&) { return false; });
    EXPECT_TRUE(ExportGridToExcel(&view, nullptr));
    ASSERT_EQ(1, prompter.messages().size());
    EXPECT_TRUE(prompter.messages()[0].contains(QStringLiteral("月报.xlsx")));

    // Cancelling writes and opens nothing.
    opened.clear();
    gridexport::setFileChooser([](QWidget*, const QString&, const QString&, const QString&,
                                  QString*) { return QString(); });
    gridexport::setDocumentOpener([&](const QString& p) {
        opened.append(p);
        return true;
    });
    EXPECT_FALSE(ExportGridToExcel(&view, nullptr));
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(GridExportTest, ErrorsGoToThePrompter) {
    client::ScriptedPrompter prompter;
    client::PrompterOverride use(&prompter);
    EXPECT_EQ(QStringLiteral("无数据"),
              errorOf([] { WriteGridWorkbook(nullptr, QStringLiteral("x.xls")); }));
    EXPECT_FALSE(ExportGridToExcel(nullptr, nullptr));
    ASSERT_EQ(1, prompter.records(client::PromptKind::Message).size());
    EXPECT_EQ(QStringLiteral("错误"), prompter.records(client::PromptKind::Message)[0].caption);
    EXPECT_EQ(QStringLiteral("无数据"), prompter.messages()[0]);
}

}  // namespace
}  // namespace dyt
