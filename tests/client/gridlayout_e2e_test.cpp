// Grid layouts through a real dyt-server: saved with p_sys_Up_ColConfigure, read back after the
// next login, a foreign version left unapplied.

#include <QTableView>
#include <QTableWidget>

#include "client/common/clientconfig.h"
#include "client/common/gridcolumn.h"
#include "client/common/gridlayout.h"
#include "client/common/gridview.h"
#include "client/common/recordsetmodel.h"
#include "client/common/settings.h"
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
    RecordSet rs =
        test::recordSet({u"qty:float"_s, u"price:float"_s, u"barcode"_s}, {{2.0, 3.5, u"690"_s}});
    return rs;
}

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
    GridDefinition def;
    design(def, true);
    def.columns[1].caption = u"进货\n单价"_s;  // the operator's two-line caption
    def.columns[2].visible = true;
    def.columns.move(0, 2);  // quantity last
    RecordSetModel model;
    model.setSource(&rows, &def);
    GridView grid;
    grid.setModel(&model);
    grid.table()->setColumnWidth(0, 150);  // dragged by the operator
    ASSERT_TRUE(SaveGridLayout(&grid, u"TfrmTest_dbgvX"_s));

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
    const IniFile ini = IniFile::fromText(UnpackLayoutText(text));
    EXPECT_EQ(u"V10"_s, ini.ReadString(u"_Sys_"_s, u"_Ver_"_s));
    EXPECT_EQ(u"进货#$0D单价"_s, ini.ReadString(u"_Sys_"_s, u"0_C"_s));
    EXPECT_EQ(u"150"_s, ini.ReadString(u"_Sys_"_s, u"0_W"_s));
    EXPECT_EQ(u"111"_s, ini.ReadString(u"_Sys_"_s, u"0_D"_s));
    EXPECT_EQ(u"110"_s, ini.ReadString(u"_Sys_"_s, u"1_D"_s));

    // A fixed grid stores identity -1 for its untagged columns.
    GridDefinition fixedDef;
    design(fixedDef, false);
    RecordSetModel fixedModel;
    fixedModel.setSource(&rows, &fixedDef);
    GridView fixedGrid;
    fixedGrid.setModel(&fixedModel);
    ASSERT_TRUE(SaveGridLayout(&fixedGrid, u"TfrmFixed_dbgvX"_s));

    // The next login reads the layouts again; a freshly designed grid takes the stored one.
    columnConfigs().clear();
    ASSERT_TRUE(ReloadColumnConfigs());
    EXPECT_EQ(2, columnConfigs().recordCount());
    GridDefinition fresh;
    design(fresh, true);
    RecordSetModel freshModel;
    freshModel.setSource(&rows, &fresh);
    GridView freshGrid;
    freshGrid.setModel(&freshModel);
    ASSERT_TRUE(LoadGridLayout(&freshGrid, u"TfrmTest_dbgvX"_s));
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
              freshModel.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString());
    EXPECT_EQ(150, freshGrid.table()->columnWidth(0));
    EXPECT_FALSE(freshGrid.table()->isColumnHidden(1));

    RecordSet fixedStored;
    dm.ExecQuery(u"select * from sysColConfigure where ColId = 'TfrmFixed_dbgvX'"_s, &fixedStored);
    const IniFile fixedIni = IniFile::fromText(UnpackLayoutText(fixedStored.text(u"colstr1"_s)));
    EXPECT_EQ(u"-1"_s, fixedIni.ReadString(u"_Sys_"_s, u"0_D"_s));

    // An unknown key leaves the design.
    GridDefinition other;
    design(other, true);
    RecordSetModel otherModel;
    otherModel.setSource(&rows, &other);
    GridView otherGrid;
    otherGrid.setModel(&otherModel);
    EXPECT_FALSE(LoadGridLayout(&otherGrid, u"TfrmNone_dbgvX"_s));
    EXPECT_EQ(u"qty"_s, other.columns[0].fieldName);
}

TEST_F(LayoutEndToEnd, AForeignVersionIsLeftUnapplied) {
    // A layout of an older client version stored under the key, in two pieces.
    GridDefinition old;
    design(old, true);
    old.columns[0].width = 400;
    QString text = GridLayoutText(old);
    text.replace(u"_Ver_=V10"_s, u"_Ver_=V9"_s);
    const int half = static_cast<int>(text.size() / 2);
    ASSERT_EQ(1, dm.ExecUpdate(QStringLiteral("insert into sysColConfigure(ColId, userId, "
                                              "colstr1, colstr2) values ('TfrmOld_dbgvX', 1, "
                                              "'%1', '%2')")
                                   .arg(text.left(half), text.mid(half))));
    ASSERT_TRUE(ReloadColumnConfigs());

    RecordSet rows = lines();
    GridDefinition def;
    design(def, true);
    RecordSetModel model;
    model.setSource(&rows, &def);
    GridView grid;
    grid.setModel(&model);
    EXPECT_FALSE(LoadGridLayout(&grid, u"TfrmOld_dbgvX"_s));
    EXPECT_EQ(60, def.columns[0].width);
    EXPECT_FALSE(def.columns[2].visible);

    // The same text as version V10 is applied: the pieces join into one text.
    ASSERT_EQ(1, dm.ExecUpdate(QStringLiteral("update sysColConfigure set colstr1 = "
                                              "replace(colstr1, '_Ver_=V9', '_Ver_=V10') "
                                              "where ColId = 'TfrmOld_dbgvX'")));
    ASSERT_TRUE(ReloadColumnConfigs());
    EXPECT_TRUE(LoadGridLayout(&grid, u"TfrmOld_dbgvX"_s));
    EXPECT_EQ(400, def.columns[0].width);
}

TEST_F(LayoutEndToEnd, StringGridsKeepTheirWidths) {
    QTableWidget grid(2, 3);
    grid.setColumnWidth(0, 40);
    grid.setColumnWidth(1, 120);
    grid.setColumnWidth(2, 75);
    ASSERT_TRUE(SaveStringGridLayout(&grid, u"TfrmList_sgX"_s));
    columnConfigs().clear();
    ASSERT_TRUE(ReloadColumnConfigs());

    QTableWidget fresh(0, 4);  // a column more than stored: 66 wide
    for (int c = 0; c < 4; ++c)
        fresh.setColumnWidth(c, 30);
    ASSERT_TRUE(LoadStringGridLayout(&fresh, u"TfrmList_sgX"_s));
    EXPECT_EQ(40, fresh.columnWidth(0));
    EXPECT_EQ(120, fresh.columnWidth(1));
    EXPECT_EQ(75, fresh.columnWidth(2));
    EXPECT_EQ(66, fresh.columnWidth(3));
    QTableWidget other(0, 1);
    other.setColumnWidth(0, 30);
    EXPECT_FALSE(LoadStringGridLayout(&other, u"TfrmNone_sgX"_s));
    EXPECT_EQ(30, other.columnWidth(0));
}
