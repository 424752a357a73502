// The column configuration ("表格列配置"): which columns are offered, the rules of captions and
// visibility, default captions and order, and how the choice lands on the grid.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QTableView>

#include "client/common/frmxgridcolfilter.h"
#include "client/common/gridcolconfig.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "support/client/scriptedprompter.h"
#include "common/error.h"
#include "grid/printers.h"
#include "grid/screenshot.h"
#include "support/testutil.h"

namespace dyt {
namespace {

using gridfilter::ColumnConfig;
using test::errorOf;

QStringList fieldsOf(const GridDefinition& def) {
    QStringList out;
    for (const GridColumn& c : def.columns)
        out.append(c.fieldName);
    return out;
}

QStringList listed(const ColumnConfig& config, QString ColumnConfig::Row::*member) {
    QStringList out;
    for (const ColumnConfig::Row& r : config.rows())
        out.append(r.*member);
    return out;
}

// Five columns as a goods list builds them; the third is fixed by its window (identity -1).
GridDefinition goodsGrid() {
    GridDefinition def;
    def.context.qtyDot = 2;
    AddGridColumn(def, QStringLiteral("商品编号"), QStringLiteral("code"), false, 60);
    AddGridColumn(def, QStringLiteral("[%F%]条码"), QStringLiteral("barcode"), false, 80);
    AddGridColumn(def, QStringLiteral("内部号"), QStringLiteral("id"), false, 40);
    AddGridColumn(def, QStringLiteral("[%Q%SUM%]数量"), QStringLiteral("qty"), true, 70);
    AddGridColumn(def, QStringLiteral("[%M%]金额"), QStringLiteral("amount"), false, 70);
    def.columns[2].tag = -1;
    return def;
}

TEST(ColumnIdentity, FollowsTheTagAndTheGridsHidingRule) {
    struct Case {
        const char* name;
        int tag;
        bool allowHide;
        int identity;
    };
    const Case cases[] = {
        {"tag 0, hideable grid", 0, true, 111},   {"tag 0, fixed grid", 0, false, -1},
        {"hidden by the F rule", 110, true, 110}, {"own tag in a fixed grid", 5, false, 5},
        {"fixed by its window", -1, true, -1},
    };
    for (const Case& c : cases) {
        GridDefinition def;
        def.allowHideColumns = c.allowHide;
        GridColumn column;
        column.tag = c.tag;
        EXPECT_EQ(c.identity, gridfilter::ColumnIdentity(def, column)) << c.name;
    }
}

TEST(ColumnConfig, OffersEveryColumnButTheFixedOnes) {
    const GridDefinition def = goodsGrid();
    const ColumnConfig config(def);
    ASSERT_EQ(4, config.rowCount());
    // Numbers are the columns' places counted from 1; the fixed third column leaves a gap.
    EXPECT_EQ((QStringList{QStringLiteral("001"), QStringLiteral("002"), QStringLiteral("004"),
                           QStringLiteral("005")}),
              listed(config, &ColumnConfig::Row::no));
    EXPECT_EQ((QStringList{QStringLiteral("商品编号"), QStringLiteral("条码"),
                           QStringLiteral("数量"), QStringLiteral("金额")}),
              listed(config, &ColumnConfig::Row::name));
    const QList<int> tags{111, 110, 111, 111};
    const QList<bool> visible{true, false, true, true};
    for (int i = 0; i < config.rowCount(); ++i) {
        EXPECT_EQ(tags[i], config.rows()[i].tag) << i;
        EXPECT_EQ(visible[i], config.rows()[i].visible) << i;
        EXPECT_TRUE(config.rows()[i].print) << i;
    }
}

TEST(ColumnConfig, AGridThatMayNotHideColumnsOffersOnlyTaggedOnes) {
    GridDefinition def;
    def.allowHideColumns = false;
    AddGridColumn(def, QStringLiteral("编号"), QStringLiteral("code"), false, 60);
    AddGridColumn(def, QStringLiteral("名称"), QStringLiteral("name"), false, 60);
    def.columns[1].tag = 7;
    const ColumnConfig config(def);
    ASSERT_EQ(1, config.rowCount());
    EXPECT_EQ(QStringLiteral("名称"), config.rows()[0].name);
    EXPECT_EQ(7, config.rows()[0].tag);
}

TEST(ColumnConfig, AnEmptyDisplayNameIsRefusedAndTheRowKept) {
    const GridDefinition def = goodsGrid();
    ColumnConfig config(def);
    for (const QString& bad : {QString(), QStringLiteral("   ")}) {
        EXPECT_EQ(QStringLiteral("显示标签不能空字符串"),
                  errorOf([&] { config.setCaption(0, bad); }));
        EXPECT_EQ(QStringLiteral("商品编号"), config.rows()[0].visName);
    }
    config.setCaption(0, QStringLiteral("货号"));
    EXPECT_EQ(QStringLiteral("货号"), config.rows()[0].visName);
}

TEST(ColumnConfig, NoVisibleColumnIsRefusedAndNothingApplied) {
    GridDefinition def = goodsGrid();
    ColumnConfig config(def);
    config.setCaption(0, QStringLiteral("货号"));
    for (int i = 0; i < config.rowCount(); ++i)
        config.setVisible(i, false);
    EXPECT_EQ(QStringLiteral("至少显示一列"), errorOf([&] { config.validate(); }));
    EXPECT_EQ(QStringLiteral("至少显示一列"), errorOf([&] { config.apply(def); }));
    EXPECT_EQ(QStringLiteral("商品编号"), def.columns[0].caption);
    EXPECT_TRUE(def.columns[0].visible);
    // One visible column is enough, even a formerly hidden one.
    config.setVisible(1, true);
    EXPECT_EQ(QString(), errorOf([&] { config.validate(); }));
}

TEST(ColumnConfig, DefaultCaptionsComeAndGo) {
    GridDefinition def = goodsGrid();
    def.columns[0].caption = QStringLiteral("货号");  // an earlier choice of the operator
    ColumnConfig config(def);
    EXPECT_EQ(QStringLiteral("货号"), config.rows()[0].visName);
    config.setCaption(2, QStringLiteral("件数"));
    config.setUseDefaultCaptions(true);
    EXPECT_EQ((QStringList{QStringLiteral("商品编号"), QStringLiteral("条码"),
                           QStringLiteral("数量"), QStringLiteral("金额")}),
              listed(config, &ColumnConfig::Row::visName));
    config.setUseDefaultCaptions(false);
    EXPECT_EQ((QStringList{QStringLiteral("货号"), QStringLiteral("条码"), QStringLiteral("数量"),
                           QStringLiteral("金额")}),
              listed(config, &ColumnConfig::Row::visName));
}

TEST(ColumnConfig, AppliesCaptionsVisibilityAndPrintFlags) {
    GridDefinition def = goodsGrid();
    ColumnConfig config(def);
    config.setCaption(0, QStringLiteral("货号"));
    config.setVisible(1, true);   // 条码 shows
    config.setVisible(3, false);  // 金额 hides
    config.setPrint(2, false);    // 数量 is not printed
    const QList<int> order = config.apply(def);
    EXPECT_EQ((QList<int>{0, 1, 2, 3, 4}), order);
    EXPECT_EQ(QStringLiteral("货号"), def.columns[0].caption);
    EXPECT_EQ(QStringLiteral("商品编号"), def.columns[0].captionText);  // the design stays
    EXPECT_TRUE(def.columns[1].visible);
    EXPECT_FALSE(def.columns[4].visible);
    EXPECT_FALSE(def.columns[3].exData->print);
    EXPECT_TRUE(def.columns[0].exData->print);
    EXPECT_TRUE(def.columns[2].visible);  // the fixed column is untouched
}

TEST(ColumnConfig, MovedLinesTakeTheOfferedPlacesAndFixedColumnsStay) {
    GridDefinition def = goodsGrid();
    ColumnConfig config(def);
    config.moveRow(3, 0);  // 金额 first
    config.moveRow(3, 1);  // then 数量 second
    EXPECT_EQ((QStringList{QStringLiteral("金额"), QStringLiteral("数量"),
                           QStringLiteral("商品编号"), QStringLiteral("条码")}),
              listed(config, &ColumnConfig::Row::name));
    const QList<int> order = config.apply(def);
    // Offered places 0, 1, 3, 4 take amount, qty, code, barcode; place 2 keeps the fixed id.
    EXPECT_EQ((QStringList{QStringLiteral("amount"), QStringLiteral("qty"), QStringLiteral("id"),
                           QStringLiteral("code"), QStringLiteral("barcode")}),
              fieldsOf(def));
    EXPECT_EQ((QList<int>{4, 3, 2, 0, 1}), order);
}

TEST(ColumnConfig, DefaultOrderPutsTheDesignedOrderBack) {
    GridDefinition def = goodsGrid();
    // An earlier layout moved the amount to the front.
    def.columns.move(4, 0);
    ColumnConfig config(def);
    EXPECT_EQ(QStringLiteral("金额"), config.rows()[0].name);
    config.setUseDefaultOrder(true);
    EXPECT_EQ((QStringList{QStringLiteral("商品编号"), QStringLiteral("条码"),
                           QStringLiteral("数量"), QStringLiteral("金额")}),
              listed(config, &ColumnConfig::Row::name));
    config.apply(def);
    EXPECT_EQ((QStringList{QStringLiteral("code"), QStringLiteral("barcode"), QStringLiteral("id"),
                           QStringLiteral("qty"), QStringLiteral("amount")}),
              fieldsOf(def));
}

TEST(ColumnConfig, TurningDefaultOrderOffListsTheGridsOrderAgain) {
    GridDefinition def = goodsGrid();
    def.columns.move(4, 0);
    ColumnConfig config(def);
    config.setUseDefaultOrder(true);
    config.setUseDefaultOrder(false);
    EXPECT_EQ((QStringList{QStringLiteral("金额"), QStringLiteral("商品编号"),
                           QStringLiteral("条码"), QStringLiteral("数量")}),
              listed(config, &ColumnConfig::Row::name));
    // Moving a line after choosing the default order is the operator's own order again.
    config.setUseDefaultOrder(true);
    config.moveRow(0, 1);
    EXPECT_FALSE(config.useDefaultOrder());
}

TEST(ColumnConfig, AColumnWithoutItsDataIsAnInternalError) {
    GridDefinition def = goodsGrid();
    GridColumn bare;
    bare.caption = QStringLiteral("手工列");
    def.columns.append(bare);
    EXPECT_EQ(QStringLiteral("数据结构的类型不是TgxGridColumnExData，请查证原因"),
              errorOf([&] { ColumnConfig config(def); }));
}

TEST(ColumnConfig, ApplyingToAChangedGridIsRefused) {
    GridDefinition def = goodsGrid();
    const ColumnConfig config(def);
    AddGridColumn(def, QStringLiteral("备注"), QStringLiteral("memo"), false, 60);
    EXPECT_FALSE(errorOf([&] { config.apply(def); }).isEmpty());
    EXPECT_EQ(6, def.columns.size());
    EXPECT_EQ(QStringLiteral("memo"), def.columns[5].fieldName);
}

class ColumnConfigOnGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        rs.addField(QStringLiteral("code"), FieldType::Text);
        rs.addField(QStringLiteral("barcode"), FieldType::Text);
        rs.addField(QStringLiteral("id"), FieldType::Integer);
        rs.addField(QStringLiteral("qty"), FieldType::Float);
        rs.addField(QStringLiteral("amount"), FieldType::Float);
        rs.appendRow({QStringLiteral("G1"), QStringLiteral("691"), 1, 3.0, 30.0});
        rs.appendRow({QStringLiteral("G2"), QStringLiteral("692"), 2, 1.0, 12.0});
        rs.appendRow({QStringLiteral("G12"), QStringLiteral("693"), 3, 2.0, 50.0});
        def = goodsGrid();
        model.setSource(&rs, &def);
        view.setModel(&model);
    }
    RecordSet rs;
    GridDefinition def;
    RecordSetModel model;
    GridView view;
};

TEST_F(ColumnConfigOnGridTest, SortAndFilterRowFollowTheirColumns) {
    model.setColumnFilter(0, QStringLiteral("G1"));  // G1 and G12
    model.sort(3, Qt::DescendingOrder);              // by quantity: G1 (3), G12 (2)
    ColumnConfig config(def);
    config.moveRow(3, 0);  // the list: 金额, 商品编号, 条码, 数量
    config.setVisible(0, false);
    config.setVisible(2, true);
    config.setCaption(1, QStringLiteral("货号"));
    gridfilter::ApplyColumnConfig(&view, config);

    // The offered places 0, 1, 3, 4 take the list's order; the fixed id stays at 2.
    EXPECT_EQ((QStringList{QStringLiteral("amount"), QStringLiteral("code"), QStringLiteral("id"),
                           QStringLiteral("barcode"), QStringLiteral("qty")}),
              fieldsOf(def));
    EXPECT_EQ(QStringLiteral("G1"), model.columnFilter(1));  // code is now the second column
    EXPECT_EQ(QString(), model.columnFilter(0));
    EXPECT_EQ(4, model.sortColumn());  // qty moved from 3 to 4
    EXPECT_EQ(Qt::DescendingOrder, model.sortOrder());
    ASSERT_EQ(2, model.rowCount());
    EXPECT_EQ(QStringLiteral("G1"), model.displayText(0, 1));
    EXPECT_EQ(QStringLiteral("G12"), model.displayText(1, 1));
    EXPECT_EQ(QStringLiteral("货号"), model.headerData(1, Qt::Horizontal).toString());
    EXPECT_TRUE(view.table()->isColumnHidden(0));   // amount hidden by the choice
    EXPECT_FALSE(view.table()->isColumnHidden(3));  // barcode shown by it
}

TEST_F(ColumnConfigOnGridTest, ARefusedChoiceLeavesTheGridAlone) {
    ColumnConfig config(def);
    for (int i = 0; i < config.rowCount(); ++i)
        config.setVisible(i, false);
    EXPECT_EQ(QStringLiteral("至少显示一列"),
              errorOf([&] { gridfilter::ApplyColumnConfig(&view, config); }));
    EXPECT_FALSE(view.table()->isColumnHidden(0));
    EXPECT_EQ(QStringLiteral("code"), def.columns[0].fieldName);
}

TEST_F(ColumnConfigOnGridTest, DialogShowsTheListAndRefusesBadInput) {
    client::ScriptedPrompter prompter;
    client::PrompterOverride use(&prompter);
    TfrmXGridColFilter dialog(def);
    EXPECT_EQ(QStringLiteral("表格列配置"), dialog.windowTitle());
    gridfilter::ColumnConfigModel* list = dialog.listModel();
    const QStringList headers{QStringLiteral("序号"),     QStringLiteral("列名称"),
                              QStringLiteral("显示名"),   QStringLiteral("是否显示"),
                              QStringLiteral("是否打印"), QStringLiteral("tag")};
    for (int c = 0; c < headers.size(); ++c)
        EXPECT_EQ(headers[c], list->headerData(c, Qt::Horizontal).toString());
    ASSERT_EQ(4, list->rowCount());
    EXPECT_EQ(QStringLiteral("否"), list->index(1, 3).data().toString());  // 条码 starts hidden
    EXPECT_EQ(QStringLiteral("是"), list->index(1, 4).data().toString());
    EXPECT_EQ(QStringLiteral("110"), list->index(1, 5).data().toString());

    // An empty display name is refused with its message.
    EXPECT_FALSE(list->setData(list->index(0, 2), QString()));
    ASSERT_EQ(1, prompter.records(client::PromptKind::Message).size());
    EXPECT_EQ(QStringLiteral("提示"), prompter.records(client::PromptKind::Message)[0].caption);
    EXPECT_EQ(QStringLiteral("显示标签不能空字符串"), prompter.messages()[0]);
    EXPECT_EQ(QStringLiteral("商品编号"), list->index(0, 2).data().toString());

    // The check boxes of the list and the dialog's options.
    EXPECT_TRUE(
        list->setData(list->index(1, 3), static_cast<int>(Qt::Checked), Qt::CheckStateRole));
    EXPECT_EQ(QStringLiteral("是"), list->index(1, 3).data().toString());
    EXPECT_TRUE(list->setData(list->index(0, 2), QStringLiteral("货号")));
    dialog.defaultCaptionsBox()->setChecked(true);
    EXPECT_EQ(QStringLiteral("商品编号"), list->index(0, 2).data().toString());

    dialog.show();
    test::saveScreenshot(&dialog, QStringLiteral("frmxgridcolfilter"));

    // "确定" with nothing visible stays open with "至少显示一列".
    for (int r = 0; r < list->rowCount(); ++r)
        list->setData(list->index(r, 3), static_cast<int>(Qt::Unchecked), Qt::CheckStateRole);
    dialog.btnOKClick();
    EXPECT_EQ(QStringLiteral("至少显示一列"), prompter.messages().last());
    EXPECT_FALSE(dialog.result());
    EXPECT_TRUE(dialog.isVisible());

    list->setData(list->index(2, 3), static_cast<int>(Qt::Checked), Qt::CheckStateRole);
    dialog.btnOKClick();
    EXPECT_TRUE(dialog.result());
    EXPECT_EQ(2, prompter.messages().size());
}

TEST_F(ColumnConfigOnGridTest, DraggingALineByItsNumberMovesTheColumn) {
    client::ScriptedPrompter prompter;
    client::PrompterOverride use(&prompter);
    TfrmXGridColFilter dialog(def);
    dialog.list()->verticalHeader()->moveSection(3, 0);
    EXPECT_EQ(QStringLiteral("金额"), dialog.listModel()->index(0, 1).data().toString());
    // The header keeps its plain numbering; the list holds the order.
    EXPECT_EQ(0, dialog.list()->verticalHeader()->visualIndex(0));
    gridfilter::ApplyColumnConfig(&view, dialog.config());
    EXPECT_EQ(QStringLiteral("amount"), def.columns[0].fieldName);
}

}  // namespace
}  // namespace dyt
