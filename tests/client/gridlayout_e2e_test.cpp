// Grid layouts through a real dyt-server: saved with p_sys_Up_ColConfigure, read back after the
// next login, a foreign version left unapplied; and a list window as the operator sees it.

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>

#include "client/logic/clientconfig.h"
#include "client/common/frmxabstract.h"
#include "client/logic/gridcolumn.h"
#include "client/common/gridlayout.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "common/inifile.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "server_support.h"

using namespace dyt;
using namespace dyt::client;

namespace {

// The designed grid of the test window: a quantity, a price captioned over two lines and a
// barcode hidden by the "F" rule.
void design(GridDefinition& g, bool allowHide) {
    g = GridDefinition();
    g.allowHideColumns = allowHide;
    AddGridColumn(g, QStringLiteral("[%Q%]数量"), QStringLiteral("qty"), true, 60);
    AddGridColumn(g, QStringLiteral("[%P%]进货单价"), QStringLiteral("price"), true, 70);
    AddGridColumn(g, QStringLiteral("[%F%]条码"), QStringLiteral("barcode"), false, 80);
}

RecordSet lines() {
    RecordSet rs;
    rs.addField(QStringLiteral("qty"), FieldType::Float);
    rs.addField(QStringLiteral("price"), FieldType::Float);
    rs.addField(QStringLiteral("barcode"), FieldType::Text);
    rs.appendRow({2.0, 3.5, QStringLiteral("690")});
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
    def.columns[1].caption = QStringLiteral("进货\n单价");  // the operator's two-line caption
    def.columns[2].visible = true;
    def.columns.move(0, 2);  // quantity last
    RecordSetModel model;
    model.setSource(&rows, &def);
    GridView grid;
    grid.setModel(&model);
    grid.table()->setColumnWidth(0, 150);  // dragged by the operator
    ASSERT_TRUE(SaveGridLayout(&grid, QStringLiteral("TfrmTest_dbgvX")));

    // The stored row, as the server holds it.
    RecordSet stored;
    dm->ExecQuery(QStringLiteral("select * from sysColConfigure where ColId = 'TfrmTest_dbgvX'"),
                  &stored);
    ASSERT_EQ(1, stored.recordCount());
    EXPECT_EQ(1, stored.integer(QStringLiteral("userId")));
    QString text;
    for (int i = 1; i <= 10; ++i)
        text += stored.text(QStringLiteral("colstr%1").arg(i));
    // One line per piece: the line ends of the INI text travel as "#$0D#$0A".
    EXPECT_FALSE(text.contains(QLatin1Char('\n')));
    EXPECT_TRUE(text.startsWith(QStringLiteral("[_Sys_]#$0D#$0A_Ver_=V10#$0D#$0A")))
        << text.left(60).toStdString();
    const IniFile ini = IniFile::fromText(UnpackLayoutText(text));
    EXPECT_EQ(QStringLiteral("V10"),
              ini.ReadString(QStringLiteral("_Sys_"), QStringLiteral("_Ver_")));
    EXPECT_EQ(QStringLiteral("进货#$0D单价"),
              ini.ReadString(QStringLiteral("_Sys_"), QStringLiteral("0_C")));
    EXPECT_EQ(QStringLiteral("150"),
              ini.ReadString(QStringLiteral("_Sys_"), QStringLiteral("0_W")));
    EXPECT_EQ(QStringLiteral("111"),
              ini.ReadString(QStringLiteral("_Sys_"), QStringLiteral("0_D")));
    EXPECT_EQ(QStringLiteral("110"),
              ini.ReadString(QStringLiteral("_Sys_"), QStringLiteral("1_D")));

    // A fixed grid stores identity -1 for its untagged columns.
    GridDefinition fixedDef;
    design(fixedDef, false);
    RecordSetModel fixedModel;
    fixedModel.setSource(&rows, &fixedDef);
    GridView fixedGrid;
    fixedGrid.setModel(&fixedModel);
    ASSERT_TRUE(SaveGridLayout(&fixedGrid, QStringLiteral("TfrmFixed_dbgvX")));

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
    ASSERT_TRUE(LoadGridLayout(&freshGrid, QStringLiteral("TfrmTest_dbgvX")));
    ASSERT_EQ(3, fresh.columns.size());
    EXPECT_EQ(QStringLiteral("price"), fresh.columns[0].fieldName);
    EXPECT_EQ(QStringLiteral("进货\n单价"), fresh.columns[0].caption);
    EXPECT_EQ(150, fresh.columns[0].width);
    EXPECT_EQ(QStringLiteral("barcode"), fresh.columns[1].fieldName);
    EXPECT_TRUE(fresh.columns[1].visible);
    EXPECT_EQ(110, fresh.columns[1].tag);
    EXPECT_EQ(QStringLiteral("qty"), fresh.columns[2].fieldName);
    // The view follows: the model's header and the column widths.
    EXPECT_EQ(QStringLiteral("进货\n单价"),
              freshModel.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString());
    EXPECT_EQ(150, freshGrid.table()->columnWidth(0));
    EXPECT_FALSE(freshGrid.table()->isColumnHidden(1));

    RecordSet fixedStored;
    dm->ExecQuery(QStringLiteral("select * from sysColConfigure where ColId = 'TfrmFixed_dbgvX'"),
                  &fixedStored);
    const IniFile fixedIni =
        IniFile::fromText(UnpackLayoutText(fixedStored.text(QStringLiteral("colstr1"))));
    EXPECT_EQ(QStringLiteral("-1"),
              fixedIni.ReadString(QStringLiteral("_Sys_"), QStringLiteral("0_D")));

    // An unknown key leaves the design.
    GridDefinition other;
    design(other, true);
    RecordSetModel otherModel;
    otherModel.setSource(&rows, &other);
    GridView otherGrid;
    otherGrid.setModel(&otherModel);
    EXPECT_FALSE(LoadGridLayout(&otherGrid, QStringLiteral("TfrmNone_dbgvX")));
    EXPECT_EQ(QStringLiteral("qty"), other.columns[0].fieldName);
}

TEST_F(LayoutEndToEnd, AForeignVersionIsLeftUnapplied) {
    // A layout of an older client version stored under the key, in two pieces.
    GridDefinition old;
    design(old, true);
    old.columns[0].width = 400;
    QString text = GridLayoutText(old);
    text.replace(QStringLiteral("_Ver_=V10"), QStringLiteral("_Ver_=V9"));
    const int half = static_cast<int>(text.size() / 2);
    ASSERT_EQ(1, dm->ExecUpdate(QStringLiteral("insert into sysColConfigure(ColId, userId, "
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
    EXPECT_FALSE(LoadGridLayout(&grid, QStringLiteral("TfrmOld_dbgvX")));
    EXPECT_EQ(60, def.columns[0].width);
    EXPECT_FALSE(def.columns[2].visible);

    // The same text as version V10 is applied: the pieces join into one text.
    ASSERT_EQ(1, dm->ExecUpdate(QStringLiteral("update sysColConfigure set colstr1 = "
                                               "replace(colstr1, '_Ver_=V9', '_Ver_=V10') "
                                               "where ColId = 'TfrmOld_dbgvX'")));
    ASSERT_TRUE(ReloadColumnConfigs());
    EXPECT_TRUE(LoadGridLayout(&grid, QStringLiteral("TfrmOld_dbgvX")));
    EXPECT_EQ(400, def.columns[0].width);
}

TEST_F(LayoutEndToEnd, StringGridsKeepTheirWidths) {
    QTableWidget grid(2, 3);
    grid.setColumnWidth(0, 40);
    grid.setColumnWidth(1, 120);
    grid.setColumnWidth(2, 75);
    ASSERT_TRUE(SaveStringGridLayout(&grid, QStringLiteral("TfrmList_sgX")));
    columnConfigs().clear();
    ASSERT_TRUE(ReloadColumnConfigs());

    QTableWidget fresh(0, 4);  // a column more than stored: 66 wide
    for (int c = 0; c < 4; ++c)
        fresh.setColumnWidth(c, 30);
    ASSERT_TRUE(LoadStringGridLayout(&fresh, QStringLiteral("TfrmList_sgX")));
    EXPECT_EQ(40, fresh.columnWidth(0));
    EXPECT_EQ(120, fresh.columnWidth(1));
    EXPECT_EQ(75, fresh.columnWidth(2));
    EXPECT_EQ(66, fresh.columnWidth(3));
    QTableWidget other(0, 1);
    other.setColumnWidth(0, 30);
    EXPECT_FALSE(LoadStringGridLayout(&other, QStringLiteral("TfrmNone_sgX")));
    EXPECT_EQ(30, other.columnWidth(0));
}

// A list window with its category tree, grid, footer and filter row, for review.
TEST_F(LayoutEndToEnd, ScreenshotOfAListWindow) {
    TfrmBase::setProgramFolder(dir.path());
    class GoodsList : public TfrmXAbstract {
    public:
        GoodsList() {
            setTitle(QStringLiteral("商品信息"));
            addColumn(QStringLiteral("[%CNT%]编号"), QStringLiteral("code"), false, 70);
            addColumn(QStringLiteral("商品名称"), QStringLiteral("fullname"), false, 140);
            addColumn(QStringLiteral("[%Q%SUM%]库存数量"), QStringLiteral("qty"), false, 80);
            addColumn(QStringLiteral("[%P%]零售价"), QStringLiteral("price"), false, 80);
            addColumn(QStringLiteral("[%SUM%M%]金额"), QStringLiteral("total"), false, 90);
            addColumn(QStringLiteral("[%F%]条码"), QStringLiteral("barcode"), false, 80);
            RecordSet& rs = records();
            rs.addField(QStringLiteral("id"), FieldType::Integer);
            rs.addField(QStringLiteral("sonnum"), FieldType::Integer);
            rs.addField(QStringLiteral("code"), FieldType::Text);
            rs.addField(QStringLiteral("fullname"), FieldType::Text);
            rs.addField(QStringLiteral("qty"), FieldType::Float);
            rs.addField(QStringLiteral("price"), FieldType::Float);
            rs.addField(QStringLiteral("total"), FieldType::Float);
            rs.addField(QStringLiteral("barcode"), FieldType::Text);
            rs.appendRow({1, 2, QStringLiteral("01"), QStringLiteral("饮料类"), 60.0, QVariant(),
                          210.0, QString()});
            rs.appendRow({2, 0, QStringLiteral("0101"), QStringLiteral("矿泉水 550ml"), 48.0, 1.5,
                          72.0, QStringLiteral("6901")});
            rs.appendRow({3, 0, QStringLiteral("0102"), QStringLiteral("绿茶 500ml"), 12.0, -3.0,
                          138.0, QStringLiteral("6902")});
            auto* date = new QLineEdit(QStringLiteral("2026-12-06"));
            addHeaderField(QStringLiteral("截止日期："), date);
        }
    } w;
    w.showRecords();
    RecordSet tree;
    tree.addField(QStringLiteral("id"), FieldType::Integer);
    tree.addField(QStringLiteral("fullname"), FieldType::Text);
    tree.addField(QStringLiteral("leveal"), FieldType::Integer);
    tree.appendRow({0, QStringLiteral("全部商品"), 1});
    tree.appendRow({1, QStringLiteral("饮料类"), 2});
    tree.appendRow({4, QStringLiteral("食品类"), 2});
    w.resize(900, 460);
    w.show();
    w.LoadCategoryTree(tree);
    w.cbqiyongzhinengguolv()->click();
    w.setFocusedRow(1);
    ASSERT_TRUE(w.dbgvX()->footer()->isVisible());
    ASSERT_TRUE(w.dbgvX()->filterRow()->isVisible());
    EXPECT_EQ(QStringLiteral(" →2"), w.model()->rowIndicatorText(1));
    EXPECT_EQ(QStringLiteral("*  1"), w.model()->rowIndicatorText(0));
    EXPECT_EQ(QStringLiteral("   3"), w.model()->rowIndicatorText(2));
    w.model()->setColumnFilter(1, QStringLiteral("ml"));  // typed into the filter row
    EXPECT_EQ(2, w.model()->rowCount());
    w.setFocusedRow(0);
    QApplication::processEvents();
    const QString path = test::saveScreenshot(&w, QStringLiteral("frmxabstract_list"));
    EXPECT_FALSE(path.isEmpty());
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    TfrmBase::setProgramFolder(QString());
}
