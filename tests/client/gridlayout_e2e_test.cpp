// Grid layouts through a real dyt-server: pieces joined on reading, string grids.

#include <QTableWidget>

#include "client/common/gridlayout.h"
#include "client/common/gridview.h"
#include "client/logic/clientconfig.h"
#include "client/logic/gridcolumn.h"
#include "client/logic/recordsetmodel.h"
#include "common/recordset.h"
#include "support/serverfixture.h"

using namespace dyt;
using namespace dyt::client;

namespace {

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

// A layout stored in two pieces is read as one text (a foreign version: gridlayout_test).
TEST_F(LayoutEndToEnd, APieceWiseStoredLayoutIsJoinedAndApplied) {
    GridDefinition old;
    design(old, true);
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
