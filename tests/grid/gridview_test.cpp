// The grid widget: columns laid out from their descriptions, the footer row, the focused row.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTableView>

#include "client/common/gridview.h"
#include "client/common/recordsetmodel.h"
#include "grid/printers.h"

namespace dyt {
namespace {

class GridViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        rs.addField(QStringLiteral("code"), FieldType::Text);
        rs.addField(QStringLiteral("barcode"), FieldType::Text);
        rs.addField(QStringLiteral("qty"), FieldType::Float);
        for (int i = 0; i < 5; ++i) {
            rs.appendRow({QStringLiteral("G%1").arg(i), QStringLiteral("69%1").arg(i), i * 1.5});
        }
    }
    RecordSet rs;
    GridSpec spec;
    RecordSetModel model;
};

TEST_F(GridViewTest, ColumnsAndFooterFollowTheDescriptions) {
    AddGridColumn(spec, QStringLiteral("商品编号"), QStringLiteral("code"), false, 20);
    AddGridColumn(spec, QStringLiteral("[%F%]条码"), QStringLiteral("barcode"), false, 90);
    AddGridColumn(spec, QStringLiteral("[%Q%SUM%]数量"), QStringLiteral("qty"), true, 70);
    model.setSource(&rs, &spec);
    GridView view;
    view.setModel(&model);
    view.resize(400, 300);
    view.show();

    EXPECT_EQ(56, view.table()->columnWidth(0));  // raised to the caption's 8 GBK bytes
    EXPECT_TRUE(view.table()->isColumnHidden(1));
    EXPECT_FALSE(view.table()->isColumnHidden(2));
    EXPECT_EQ(70, view.table()->columnWidth(2));
    EXPECT_TRUE(view.footer()->isVisible());
    EXPECT_EQ(QStringLiteral("15.00"), model.footerText(2));  // 0 + 1.5 + 3 + 4.5 + 6
}

TEST_F(GridViewTest, NoFooterWithoutSummaries) {
    AddGridColumn(spec, QStringLiteral("编号"), QStringLiteral("code"), false, 60);
    model.setSource(&rs, &spec);
    GridView view;
    view.setModel(&model);
    view.show();
    EXPECT_FALSE(view.footer()->isVisible());
}

TEST_F(GridViewTest, FocusedRowMovesTheIndicatorArrow) {
    AddGridColumn(spec, QStringLiteral("编号"), QStringLiteral("code"), false, 60);
    model.setSource(&rs, &spec);
    GridView view;
    view.setModel(&model);
    view.show();
    view.table()->setCurrentIndex(model.index(3, 0));
    EXPECT_EQ(3, model.currentRow());
    EXPECT_EQ(QStringLiteral(" →4"), model.headerData(3, Qt::Vertical).toString());
    model.reload();  // a reload keeps the indicator on the view's current row
    EXPECT_EQ(model.currentRow(), view.table()->currentIndex().row());
}

}  // namespace
}  // namespace dyt
