// The grid layout text: identities, line breaks, version check, restoring and the colstr pieces.

#include <gtest/gtest.h>

#include <QTableWidget>

#include "client/logic/gridcolumn.h"
#include "client/common/gridlayout.h"
#include "client/common/gridview.h"
#include "common/error.h"
#include "common/gbk.h"
#include "common/inifile.h"
#include "dmtest_support.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;

namespace {

using dyt::test::errorOf;

// A designed grid: quantity, a price caption over two lines, a hidden barcode (tag 110).
GridDefinition designedGrid(bool allowHide = true) {
    GridDefinition g;
    g.allowHideColumns = allowHide;
    AddGridColumn(g, QStringLiteral("[%Q%]数量"), QStringLiteral("qty"), true, 60);
    AddGridColumn(g, QStringLiteral("[%P%]进货\n单价"), QStringLiteral("price"), true, 70);
    AddGridColumn(g, QStringLiteral("[%F%]条码"), QStringLiteral("barcode"), false, 80);
    return g;
}

QString sysValue(const QString& text, const QString& key) {
    return IniFile::fromText(text).ReadString(QStringLiteral("_Sys_"), key,
                                              QStringLiteral("<none>"));
}

}  // namespace

TEST(GridLayoutText, IdentityIsTheTagOr111Or_1) {
    struct Row {
        const char* name;
        int tag;
        bool allowHide;
        int identity;
    } rows[] = {
        {"tag 110 stays", 110, true, 110}, {"tag 110 stays without hiding", 110, false, 110},
        {"tag 0 hideable", 0, true, 111},  {"tag 0 fixed", 0, false, -1},
        {"other tag", 7, false, 7},
    };
    for (const Row& r : rows) {
        GridDefinition g;
        g.allowHideColumns = r.allowHide;
        GridColumn c;
        c.tag = r.tag;
        EXPECT_EQ(r.identity, ColumnIdentity(g, c)) << r.name;
    }
}

TEST(GridLayoutText, LineBreaksTravelAsHashDollar0D) {
    struct Row {
        QString text;
        QString encoded;
        QString decoded;
    } rows[] = {
        {QStringLiteral("进货\r\n单价"), QStringLiteral("进货#$0D单价"),
         QStringLiteral("进货\n单价")},
        {QStringLiteral("a\rb"), QStringLiteral("a#$0Db"), QStringLiteral("a\nb")},
        {QStringLiteral("a\nb\nc"), QStringLiteral("a#$0Db#$0Dc"), QStringLiteral("a\nb\nc")},
        {QStringLiteral("plain"), QStringLiteral("plain"), QStringLiteral("plain")},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.encoded, EncodeLayoutText(r.text));
        EXPECT_EQ(r.decoded, DecodeLayoutText(r.encoded));
    }
}

TEST(GridLayoutText, WritesVersionCountAndTheKeysOfEachColumn) {
    GridDefinition g = designedGrid();
    g.columns[0].width = 95;
    const QString text = GridLayoutText(g);
    EXPECT_EQ(QStringLiteral("V10"), sysValue(text, QStringLiteral("_Ver_")));
    EXPECT_EQ(QStringLiteral("3"), sysValue(text, QStringLiteral("_Cnt_")));
    EXPECT_EQ(QStringLiteral("111"), sysValue(text, QStringLiteral("0_D")));
    EXPECT_EQ(QStringLiteral("95"), sysValue(text, QStringLiteral("0_W")));
    EXPECT_EQ(QStringLiteral("1"), sysValue(text, QStringLiteral("0_V")));
    EXPECT_EQ(QStringLiteral("数量"), sysValue(text, QStringLiteral("0_C")));
    EXPECT_EQ(QStringLiteral("qty"), sysValue(text, QStringLiteral("0_CD")));
    EXPECT_EQ(QStringLiteral("进货#$0D单价"), sysValue(text, QStringLiteral("1_C")));
    EXPECT_EQ(QStringLiteral("1"), sysValue(text, QStringLiteral("1_X")));
    EXPECT_EQ(QStringLiteral("110"), sysValue(text, QStringLiteral("2_D")));
    EXPECT_EQ(QStringLiteral("0"), sysValue(text, QStringLiteral("2_V")));
    EXPECT_EQ(QStringLiteral("0"), sysValue(text, QStringLiteral("2_B")));
    // The text has no line break inside a value: every line is a section or a key.
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        EXPECT_TRUE(line.startsWith(QLatin1Char('[')) || line.contains(QLatin1Char('=')))
            << line.toStdString();

    const QString fixed = GridLayoutText(designedGrid(false));
    EXPECT_EQ(QStringLiteral("-1"), sysValue(fixed, QStringLiteral("0_D")));
    // A grid whose columns may not be hidden ignores the "F" rule: the barcode is tagged 0.
    EXPECT_EQ(QStringLiteral("-1"), sysValue(fixed, QStringLiteral("2_D")));
    EXPECT_EQ(QStringLiteral("1"), sysValue(fixed, QStringLiteral("2_V")));
}

TEST(GridLayoutText, PackedTextIsOneLineAndUnpacksToTheSame) {
    GridDefinition g = designedGrid();
    const QString text = GridLayoutText(g);
    const QString packed = PackLayoutText(text);
    EXPECT_FALSE(packed.contains(QLatin1Char('\r')));
    EXPECT_FALSE(packed.contains(QLatin1Char('\n')));
    EXPECT_EQ(text, UnpackLayoutText(packed));
    // The caption's own break stays "#$0D" next to a line end.
    EXPECT_EQ(QStringLiteral("[_Sys_]#$0D#$0Ab=x#$0D#$0D#$0A"),
              PackLayoutText(QStringLiteral("[_Sys_]\r\nb=x#$0D\r\n")));
    EXPECT_EQ(QStringLiteral("[_Sys_]\r\nb=x#$0D\r\n"),
              UnpackLayoutText(QStringLiteral("[_Sys_]#$0D#$0Ab=x#$0D#$0D#$0A")));
    GridDefinition applied = designedGrid();
    applied.columns[0].width = 1;
    ASSERT_TRUE(ApplyGridLayoutText(applied, packed));
    EXPECT_EQ(60, applied.columns[0].width);
}

TEST(GridLayoutText, RestoresWidthsVisibilityCaptionsAndOrder) {
    GridDefinition changed = designedGrid();
    changed.columns[0].width = 120;
    changed.columns[1].visible = false;
    changed.columns[2].visible = true;
    changed.columns[2].caption = QStringLiteral("商品\r\n条码");
    changed.columns.move(2, 0);  // barcode first

    GridDefinition g = designedGrid();
    ASSERT_TRUE(ApplyGridLayoutText(g, GridLayoutText(changed)));
    ASSERT_EQ(3, g.columns.size());
    EXPECT_EQ(QStringLiteral("barcode"), g.columns[0].fieldName);
    EXPECT_EQ(QStringLiteral("商品\n条码"), g.columns[0].caption);
    EXPECT_TRUE(g.columns[0].visible);
    EXPECT_EQ(QStringLiteral("qty"), g.columns[1].fieldName);
    EXPECT_EQ(120, g.columns[1].width);
    EXPECT_EQ(QStringLiteral("price"), g.columns[2].fieldName);
    EXPECT_FALSE(g.columns[2].visible);
    EXPECT_EQ(QStringLiteral("进货\n单价"), g.columns[2].caption);
    // The tags of the design stay with the columns.
    EXPECT_EQ(NumberKind::Price, g.columns[2].numberKind);
}

TEST(GridLayoutText, AForeignVersionOrGarbageLeavesTheDesign) {
    GridDefinition changed = designedGrid();
    changed.columns[0].width = 300;
    QString text = GridLayoutText(changed);
    text.replace(QStringLiteral("_Ver_=V10"), QStringLiteral("_Ver_=V9"));
    GridDefinition g = designedGrid();
    EXPECT_FALSE(ApplyGridLayoutText(g, text));
    EXPECT_EQ(60, g.columns[0].width);
    EXPECT_FALSE(ApplyGridLayoutText(g, QString()));
    EXPECT_FALSE(ApplyGridLayoutText(g, QStringLiteral("no ini at all")));
    EXPECT_EQ(QStringLiteral("qty"), g.columns[0].fieldName);
}

TEST(GridLayoutText, ColumnsTheLayoutDoesNotKnowKeepTheirPlaceBehind) {
    GridDefinition old = designedGrid();
    old.columns.removeAt(0);  // a layout saved before the quantity column existed
    old.columns[0].width = 33;
    GridDefinition g = designedGrid();
    ASSERT_TRUE(ApplyGridLayoutText(g, GridLayoutText(old)));
    EXPECT_EQ(QStringLiteral("price"), g.columns[0].fieldName);
    EXPECT_EQ(33, g.columns[0].width);
    EXPECT_EQ(QStringLiteral("barcode"), g.columns[1].fieldName);
    EXPECT_EQ(QStringLiteral("qty"), g.columns[2].fieldName);
    EXPECT_EQ(60, g.columns[2].width);
}

TEST(GridLayoutText, StringGridsKeepOnlyWidthsWith66ForMissingKeys) {
    const QString text = StringGridLayoutText({40, 50});
    EXPECT_EQ((QList<int>{40, 50, 66}), StringGridWidths(text, 3));
    QString foreign = text;
    foreign.replace(QStringLiteral("V10"), QStringLiteral("V11"));
    EXPECT_EQ(QList<int>(), StringGridWidths(foreign, 3));
}

TEST(GridLayoutPieces, CutByGbkBytesIntoTenPieces) {
    const QString ascii(9000, QLatin1Char('a'));
    QStringList p = SplitLayoutPieces(ascii, 4000);
    ASSERT_EQ(10, p.size());
    EXPECT_EQ(4000, p[0].size());
    EXPECT_EQ(4000, p[1].size());
    EXPECT_EQ(1000, p[2].size());
    EXPECT_EQ(QString(), p[3]);
    EXPECT_EQ(ascii, p.join(QString()));

    // Five bytes hold two Chinese characters, never two and a half.
    p = SplitLayoutPieces(QStringLiteral("甲乙丙a"), 5);
    EXPECT_EQ(QStringLiteral("甲乙"), p[0]);
    EXPECT_EQ(QStringLiteral("丙a"), p[1]);
    for (const QString& piece : p)
        EXPECT_LE(gbk::byteLength(piece), 5);

    EXPECT_EQ(QStringLiteral("表格配置信息太长，不能保存"),
              errorOf([] { SplitLayoutPieces(QString(41, QLatin1Char('x')), 4); }));
    EXPECT_EQ(10, SplitLayoutPieces(QString(40, QLatin1Char('x')), 4).size());
}

TEST(GridLayoutCalls, NullGridOrEmptyKeyIsRefused) {
    const QString expected =
        QStringLiteral("LoadAutoColWidth: AGridView or AKeyName can not be null");
    GridView grid;
    EXPECT_EQ(expected, errorOf([] { LoadGridLayout(nullptr, QStringLiteral("k")); }));
    EXPECT_EQ(expected, errorOf([&] { LoadGridLayout(&grid, QString()); }));
    EXPECT_EQ(expected, errorOf([] { SaveGridLayout(nullptr, QStringLiteral("k")); }));
    EXPECT_EQ(expected, errorOf([&] { SaveGridLayout(&grid, QStringLiteral("  ")); }));
    QTableWidget strings(1, 1);
    EXPECT_EQ(expected, errorOf([] { LoadStringGridLayout(nullptr, QStringLiteral("k")); }));
    EXPECT_EQ(expected, errorOf([&] { SaveStringGridLayout(&strings, QString()); }));
}
