// Print templates: caption tags, the text format, file round trip and the generated default.

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/error.h"
#include "printengine/printtemplate.h"
#include "printfixtures.h"
#include "support/testutil.h"
#include "uihelpers.h"

using namespace dyt::print;

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
