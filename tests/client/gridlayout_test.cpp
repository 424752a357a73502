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
#include "client/logic/clientconfig.h"
#include "client/logic/recordsetmodel.h"
#include "common/recordset.h"
#include "support/serverfixture.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;

namespace {

using dyt::test::errorOf;

// A designed grid: quantity, a price caption over two lines, a hidden barcode (tag 110).
GridDefinition designedGrid(bool allowHide = true) {
    GridDefinition g;
    g.allowHideColumns = allowHide;
    AddGridColumn(g, u"[%Q%]数量"_s, u"qty"_s, true, 60);
    AddGridColumn(g, u"[%P%]进货\n单价"_s, u"price"_s, true, 70);
    AddGridColumn(g, u"[%F%]条码"_s, u"barcode"_s, false, 80);
    return g;
}
QString sysValue(const QString& text, const QString& key) {
    return IniFile::fromText(text).readString(u"_Sys_"_s, key, u"<none>"_s);
}
// "key=value" of the named keys of the [_Sys_] section, joined by blanks.
QString sysValues(const QString& text, const QStringList& keys) {
    QStringList out;
    for (const QString& k : keys)
        out.append(k + u'=' + sysValue(text, k));
    return out.join(u' ');
}

}  // namespace

TEST(gridLayoutText, IdentityIsTheTagOr111Or_1) {
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
        EXPECT_EQ(r.identity, columnIdentity(g, c)) << r.name;
    }
}
TEST(gridLayoutText, LineBreaksTravelAsHashDollar0D) {
    struct Row {
        QString text;
        QString encoded;
        QString decoded;
    } rows[] = {
        {u"进货\r\n单价"_s, u"进货#$0D单价"_s, u"进货\n单价"_s},
        {u"a\rb"_s, u"a#$0Db"_s, u"a\nb"_s},
        {u"a\nb\nc"_s, u"a#$0Db#$0Dc"_s, u"a\nb\nc"_s},
        {u"plain"_s, u"plain"_s, u"plain"_s},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.encoded, encodeLayoutText(r.text));
        EXPECT_EQ(r.decoded, decodeLayoutText(r.encoded));
    }
}
TEST(gridLayoutText, WritesVersionCountAndTheKeysOfEachColumn) {
    GridDefinition g = designedGrid();
    g.columns[0].width = 95;
    const QString text = gridLayoutText(g);
    EXPECT_EQ(
        u"_Ver_=V10 _Cnt_=3 0_D=111 0_W=95 0_V=1 0_C=数量 0_CD=qty 1_C=进货#$0D单价 1_X=1 "
        u"2_D=110 2_V=0 2_B=0"_s,
        sysValues(text, {u"_Ver_"_s, u"_Cnt_"_s, u"0_D"_s, u"0_W"_s, u"0_V"_s, u"0_C"_s, u"0_CD"_s,
                         u"1_C"_s, u"1_X"_s, u"2_D"_s, u"2_V"_s, u"2_B"_s}));
    // The text has no line break inside a value: every line is a section or a key.
    for (const QString& line : text.split(u"\r\n"_s, Qt::SkipEmptyParts))
        EXPECT_TRUE(line.startsWith(QLatin1Char('[')) || line.contains(QLatin1Char('=')))
            << line.toStdString();
    // A grid whose columns may not be hidden ignores the "F" rule: the barcode is tagged 0.
    EXPECT_EQ(u"0_D=-1 2_D=-1 2_V=1"_s,
              sysValues(gridLayoutText(designedGrid(false)), {u"0_D"_s, u"2_D"_s, u"2_V"_s}));
}
TEST(gridLayoutText, PackedTextIsOneLineAndUnpacksToTheSame) {
    GridDefinition g = designedGrid();
    const QString text = gridLayoutText(g);
    const QString packed = packLayoutText(text);
    EXPECT_FALSE(packed.contains(QLatin1Char('\r')));
    EXPECT_FALSE(packed.contains(QLatin1Char('\n')));
    EXPECT_EQ(text, unpackLayoutText(packed));
    // The caption's own break stays "#$0D" next to a line end.
    EXPECT_EQ(u"[_Sys_]#$0D#$0Ab=x#$0D#$0D#$0A"_s, packLayoutText(u"[_Sys_]\r\nb=x#$0D\r\n"_s));
    EXPECT_EQ(u"[_Sys_]\r\nb=x#$0D\r\n"_s, unpackLayoutText(u"[_Sys_]#$0D#$0Ab=x#$0D#$0D#$0A"_s));
    GridDefinition applied = designedGrid();
    applied.columns[0].width = 1;
    ASSERT_TRUE(applyGridLayoutText(applied, packed));
    EXPECT_EQ(60, applied.columns[0].width);
}
TEST(gridLayoutText, RestoresWidthsVisibilityCaptionsAndOrder) {
    GridDefinition changed = designedGrid();
    changed.columns[0].width = 120;
    changed.columns[1].visible = false;
    changed.columns[2].visible = true;
    changed.columns[2].caption = u"商品\r\n条码"_s;
    changed.columns.move(2, 0);  // barcode first
    GridDefinition g = designedGrid();
    ASSERT_TRUE(applyGridLayoutText(g, gridLayoutText(changed)));
    QStringList columns;
    for (const GridColumn& c : g.columns)
        columns.append(
            u"%1/%2/%3/%4"_s.arg(c.fieldName, c.caption).arg(c.width).arg(int(c.visible)));
    EXPECT_EQ((QStringList{u"barcode/商品\n条码/80/1"_s, u"qty/数量/120/1"_s,
                           u"price/进货\n单价/70/0"_s}),
              columns);
    // The tags of the design stay with the columns.
    EXPECT_EQ(NumberKind::Price, g.columns[2].numberKind);
}
TEST(gridLayoutText, AForeignVersionOrGarbageLeavesTheDesign) {
    GridDefinition changed = designedGrid();
    changed.columns[0].width = 300;
    QString text = gridLayoutText(changed);
    text.replace(u"_Ver_=V10"_s, u"_Ver_=V9"_s);
    GridDefinition g = designedGrid();
    EXPECT_FALSE(applyGridLayoutText(g, text));
    EXPECT_EQ(60, g.columns[0].width);
    EXPECT_FALSE(applyGridLayoutText(g, QString()));
    EXPECT_FALSE(applyGridLayoutText(g, u"no ini at all"_s));
    EXPECT_EQ(u"qty"_s, g.columns[0].fieldName);
}
TEST(gridLayoutText, ColumnsTheLayoutDoesNotKnowKeepTheirPlaceBehind) {
    GridDefinition old = designedGrid();
    old.columns.removeAt(0);  // a layout saved before the quantity column existed
    old.columns[0].width = 33;
    GridDefinition g = designedGrid();
    ASSERT_TRUE(applyGridLayoutText(g, gridLayoutText(old)));
    EXPECT_EQ(test::clientValuesText(u"price"_s, 33, u"barcode"_s, u"qty"_s, 60),
        test::clientValuesText(g.columns[0].fieldName, g.columns[0].width, g.columns[1].fieldName,
            g.columns[2].fieldName, g.columns[2].width));
}
TEST(gridLayoutText, StringGridsKeepOnlyWidthsWith66ForMissingKeys) {
    const QString text = stringGridLayoutText({40, 50});
    EXPECT_EQ((QList<int>{40, 50, 66}), stringGridWidths(text, 3));
    QString foreign = text;
    foreign.replace(u"V10"_s, u"V11"_s);
    EXPECT_EQ(QList<int>(), stringGridWidths(foreign, 3));
}
TEST(GridLayoutPieces, CutByGbkBytesIntoTenPieces) {
    const QString ascii(9000, QLatin1Char('a'));
    QStringList p = splitLayoutPieces(ascii, 4000);
    ASSERT_EQ(10, p.size());
    EXPECT_EQ(test::clientValuesText(4000, 4000, 1000, QString()),
        test::clientValuesText(p[0].size(), p[1].size(), p[2].size(), p[3]));
    EXPECT_EQ(ascii, p.join(QString()));
    // Five bytes hold two Chinese characters, never two and a half.
    p = splitLayoutPieces(u"甲乙丙a"_s, 5);
    EXPECT_EQ(u"甲乙"_s, p[0]);
    EXPECT_EQ(u"丙a"_s, p[1]);
    for (const QString& piece : p)
        EXPECT_LE(gbk::byteLength(piece), 5);
    EXPECT_EQ(u"表格配置信息太长，不能保存"_s,
              errorOf([] { splitLayoutPieces(QString(41, QLatin1Char('x')), 4); }));
    EXPECT_EQ(10, splitLayoutPieces(QString(40, QLatin1Char('x')), 4).size());
}
TEST(GridLayoutCalls, NullGridOrEmptyKeyIsRefused) {
    const QString expected = u"LoadAutoColWidth: AGridView or AKeyName can not be null"_s;
    GridView grid;
    EXPECT_EQ(expected, errorOf([] { LoadGridLayout(nullptr, u"k"_s); }));
    EXPECT_EQ(expected, errorOf([&] { LoadGridLayout(&grid, QString()); }));
    EXPECT_EQ(expected, errorOf([] { SaveGridLayout(nullptr, u"k"_s); }));
    EXPECT_EQ(expected, errorOf([&] { SaveGridLayout(&grid, u"  "_s); }));
    QTableWidget strings(1, 1);
    EXPECT_EQ(expected, errorOf([] { loadStringGridLayout(nullptr, u"k"_s); }));
    EXPECT_EQ(expected, errorOf([&] { saveStringGridLayout(&strings, QString()); }));
}

// Against a real dyt-server: pieces joined on reading, string grids.
namespace {
RecordSet lines() {
    return test::recordSet({u"qty:float"_s, u"price:float"_s, u"barcode"_s},
                           {{2.0, 3.5, u"690"_s}});
}
// A grid view of the rows under the design.
struct Grid {
    Grid(RecordSet* rows, bool allowHide) : def(designedGrid(allowHide)) {
        model.setSource(rows, &def);
        view.setModel(&model);
    }
    GridDefinition def;
    RecordSetModel model;
    GridView view;
};
class LayoutEndToEnd : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        ASSERT_TRUE(ReloadColumnConfigs());
    }
    void TearDown() override {
        columnConfigs().clear();
        ServerFixture::TearDown();
    }
};

}  // namespace

// A layout stored in two pieces is read as one text.
TEST_F(LayoutEndToEnd, APieceWiseStoredLayoutIsJoinedAndApplied) {
    GridDefinition old = designedGrid();
    old.columns[0].width = 400;
    const QString text = gridLayoutText(old);
    const int half = static_cast<int>(text.size() / 2);
    ASSERT_EQ(1, dm.ExecUpdate(QStringLiteral("insert into sysColConfigure(ColId, userId, colstr1, "
                                              "colstr2) values ('TfrmOld_dbgvX', 1, '%1', '%2')")
                                   .arg(text.left(half), text.mid(half))));
    ASSERT_TRUE(ReloadColumnConfigs());
    RecordSet rows = lines();
    Grid grid(&rows, true);
    EXPECT_EQ(60, grid.def.columns[0].width);
    EXPECT_TRUE(LoadGridLayout(&grid.view, u"TfrmOld_dbgvX"_s));
    EXPECT_EQ(400, grid.def.columns[0].width);
}
TEST_F(LayoutEndToEnd, StringGridsKeepTheirWidths) {
    QTableWidget grid(2, 3);
    for (int c = 0; c < 3; ++c)
        grid.setColumnWidth(c, QList<int>{40, 120, 75}.at(c));
    ASSERT_TRUE(saveStringGridLayout(&grid, u"TfrmList_sgX"_s));
    columnConfigs().clear();
    ASSERT_TRUE(ReloadColumnConfigs());
    QTableWidget fresh(0, 4);  // a column more than stored: 66 wide
    for (int c = 0; c < 4; ++c)
        fresh.setColumnWidth(c, 30);
    ASSERT_TRUE(loadStringGridLayout(&fresh, u"TfrmList_sgX"_s));
    EXPECT_EQ((QList<int>{40, 120, 75, 66}),
              (QList<int>{fresh.columnWidth(0), fresh.columnWidth(1), fresh.columnWidth(2),
                          fresh.columnWidth(3)}));
    QTableWidget other(0, 1);
    other.setColumnWidth(0, 30);
    EXPECT_FALSE(loadStringGridLayout(&other, u"TfrmNone_sgX"_s));
    EXPECT_EQ(30, other.columnWidth(0));
}
