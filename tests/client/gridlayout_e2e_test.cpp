// Grid layouts through a real dyt-server: saved with p_sys_Up_ColConfigure, read back after the
// next login, a foreign version left unapplied.

#include <QTableWidget>

#include "client/logic/clientconfig.h"
#include "client/logic/gridcolumn.h"
#include "client/common/gridlayout.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "common/inifile.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "support/serverfixture.h"

using namespace dyt;
using namespace dyt::client;

namespace {

// The designed grid of the test window: a quantity, a price captioned over two lines and a
// barcode hidden by the "F" rule.
void design(GridDefinition& g, bool allowHide) {
    g = GridDefinition();
    g.allowHideColumns = allowHide;
    AddGridColumn(g, u"[%Q%]数量"_s, u"qty"_s, true, 60);
    AddGridColumn(g, u"[%P%]进货单价"_s, u"price"_s, true, 70);
    AddGridColumn(g, u"[%F%]条码"_s, u"barcode"_s, false, 80);
}

RecordSet lines() {
    return test::recordSet({u"qty:float"_s, u"price:float"_s, u"barcode"_s},
                           {{2.0, 3.5, u"690"_s}});
}

// A grid view of the rows under the design.
struct Grid {
    Grid(RecordSet* rows, bool allowHide) {
        design(def, allowHide);
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

TEST_F(LayoutEndToEnd, ALayoutSurvivesTheServerAndTheNextLogin) {
    RecordSet rows = lines();
    Grid grid(&rows, true);
    grid.def.columns[1].caption = u"进货\n单价"_s;  // the operator's two-line caption
    grid.def.columns[2].visible = true;
    grid.def.columns.move(0, 2);  // quantity last
    grid.model.setSource(&rows, &grid.def);
    grid.view.table()->setColumnWidth(0, 150);  // dragged by the operator
    ASSERT_TRUE(SaveGridLayout(&grid.view, u"TfrmTest_dbgvX"_s));

    // The stored row, as the server holds it.
    RecordSet stored;
    dm.ExecQuery(u"select * from sysColConfigure where ColId = 'TfrmTest_dbgvX'"_s, &stored);
    ASSERT_EQ(1, stored.recordCount());
    EXPECT_EQ(1, stored.integer(u"userId"_s));
    QString text;
    for (int i = 1; i <= 10; ++i)
        text += stored.text(u"colstr%1"_s.arg(i));
    // One line per piece: the line ends of the INI text travel as "#$0D#$0A".
    EXPECT_FALSE(text.contains(QLatin1Char('\n')));
    EXPECT_TRUE(text.startsWith(u"[_Sys_]#$0D#$0A_Ver_=V10#$0D#$0A"_s))
        << text.left(60).toStdString();
    const IniFile ini = IniFile::fromText(unpackLayoutText(text));
    EXPECT_EQ(u"V10"_s, ini.readString(u"_Sys_"_s, u"_Ver_"_s));
    EXPECT_EQ(u"进货#$0D单价"_s, ini.readString(u"_Sys_"_s, u"0_C"_s));
    EXPECT_EQ(u"150"_s, ini.readString(u"_Sys_"_s, u"0_W"_s));
    EXPECT_EQ(u"111"_s, ini.readString(u"_Sys_"_s, u"0_D"_s));
    EXPECT_EQ(u"110"_s, ini.readString(u"_Sys_"_s, u"1_D"_s));

    // A fixed grid stores identity -1 for its untagged columns.
    Grid fixed(&rows, false);
    ASSERT_TRUE(SaveGridLayout(&fixed.view, u"TfrmFixed_dbgvX"_s));

    // The next login reads the layouts again; a freshly designed grid takes the stored one.
    columnConfigs().clear();
    ASSERT_TRUE(ReloadColumnConfigs());
    EXPECT_EQ(2, columnConfigs().recordCount());
    Grid freshGrid(&rows, true);
    const GridDefinition& fresh = freshGrid.def;
    ASSERT_TRUE(LoadGridLayout(&freshGrid.view, u"TfrmTest_dbgvX"_s));
    ASSERT_EQ(3, fresh.columns.size());
    EXPECT_EQ(u"price"_s, fresh.columns[0].fieldName);
    EXPECT_EQ(u"进货\n单价"_s, fresh.columns[0].caption);
    EXPECT_EQ(150, fresh.columns[0].width);
    EXPECT_EQ(u"barcode"_s, fresh.columns[1].fieldName);
    EXPECT_TRUE(fresh.columns[1].visible);
    EXPECT_EQ(110, fresh.columns[1].tag);
    EXPECT_EQ(u"qty"_s, fresh.columns[2].fieldName);
    // The view follows: the model's header and the column widths.
    EXPECT_EQ(u"进货\n单价"_s,
              freshGrid.model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString());
    EXPECT_EQ(150, freshGrid.view.table()->columnWidth(0));
    EXPECT_FALSE(freshGrid.view.table()->isColumnHidden(1));

    RecordSet fixedStored;
    dm.ExecQuery(u"select * from sysColConfigure where ColId = 'TfrmFixed_dbgvX'"_s, &fixedStored);
    const IniFile fixedIni = IniFile::fromText(unpackLayoutText(fixedStored.text(u"colstr1"_s)));
    EXPECT_EQ(u"-1"_s, fixedIni.readString(u"_Sys_"_s, u"0_D"_s));

    // An unknown key leaves the design.
    Grid other(&rows, true);
    EXPECT_FALSE(LoadGridLayout(&other.view, u"TfrmNone_dbgvX"_s));
    EXPECT_EQ(u"qty"_s, other.def.columns[0].fieldName);
}

TEST_F(LayoutEndToEnd, AForeignVersionIsLeftUnapplied) {
    // A layout of an older client version stored under the key, in two pieces.
    GridDefinition old;
    design(old, true);
    old.columns[0].width = 400;
    QString text = gridLayoutText(old);
    text.replace(u"_Ver_=V10"_s, u"_Ver_=V9"_s);
    const int half = static_cast<int>(text.size() / 2);
    ASSERT_EQ(1, dm.ExecUpdate(QStringLiteral("insert into sysColConfigure(ColId, userId, "
                                              "colstr1, colstr2) values ('TfrmOld_dbgvX', 1, "
                                              "'%1', '%2')")
                                   .arg(text.left(half), text.mid(half))));
    ASSERT_TRUE(ReloadColumnConfigs());

    RecordSet rows = lines();
    Grid grid(&rows, true);
    EXPECT_FALSE(LoadGridLayout(&grid.view, u"TfrmOld_dbgvX"_s));
    EXPECT_EQ(60, grid.def.columns[0].width);
    EXPECT_FALSE(grid.def.columns[2].visible);

    // The same text as version V10 is applied: the pieces join into one text.
    ASSERT_EQ(1, dm.ExecUpdate(QStringLiteral("update sysColConfigure set colstr1 = "
                                              "replace(colstr1, '_Ver_=V9', '_Ver_=V10') "
                                              "where ColId = 'TfrmOld_dbgvX'")));
    ASSERT_TRUE(ReloadColumnConfigs());
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
