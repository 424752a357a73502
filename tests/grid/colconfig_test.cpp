// The column configuration ("表格列配置"): which columns are offered, the rules of captions and
// visibility, default captions and order, and how the choice lands on the grid.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QTableView>

#include "client/common/frmxgridcolfilter.h"
#include "client/common/gridcolconfig.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "support/client/scriptedprompter.h"
#include "common/error.h"
#include "grid/printers.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

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
    AddGridColumn(def, u"商品编号"_s, u"code"_s, false, 60);
    AddGridColumn(def, u"[%F%]条码"_s, u"barcode"_s, false, 80);
    AddGridColumn(def, u"内部号"_s, u"id"_s, false, 40);
    AddGridColumn(def, u"[%Q%SUM%]数量"_s, u"qty"_s, true, 70);
    AddGridColumn(def, u"[%M%]金额"_s, u"amount"_s, false, 70);
    def.columns[2].tag = -1;
    return def;
}

TEST(ColumnConfig, IdentityFollowsTheTagAndHidingRuleAndEveryColumnButTheFixedOnesIsOffered) {
    struct Case {
        const char* name;
        int tag;
        bool allowHide;
        int identity;
    };
    const Case cases[] = {
        {"tag 0, hideable grid", 0, true, 111}, {"tag 0, fixed grid", 0, false, -1},
        {"hidden by the F rule", 110, true, 110}, {"own tag in a fixed grid", 5, false, 5},
        {"fixed by its window", -1, true, -1}};
    for (const Case& c : cases) {
        GridDefinition def;
        def.allowHideColumns = c.allowHide;
        GridColumn column;
        column.tag = c.tag;
        EXPECT_EQ(c.identity, gridfilter::columnIdentity(def, column)) << c.name;
    }
    // The configuration offers every column but the fixed ones.
    const GridDefinition def = goodsGrid();
    const ColumnConfig config(def);
    QStringList rows;
    for (const ColumnConfig::Row& r : config.rows())
        rows << u"%1 %2 %3 %4 %5"_s.arg(r.no, r.name).arg(r.tag).arg(r.visible).arg(r.print);
    // Numbers are the columns' places counted from 1; the fixed third column leaves a gap.
    EXPECT_EQ(rows, (QStringList{u"001 商品编号 111 1 1"_s, u"002 条码 110 0 1"_s,
                                 u"004 数量 111 1 1"_s, u"005 金额 111 1 1"_s}));
}

TEST(ColumnConfig, AGridThatMayNotHideColumnsOffersOnlyTaggedOnes) {
    GridDefinition def;
    def.allowHideColumns = false;
    AddGridColumn(def, u"编号"_s, u"code"_s, false, 60);
    AddGridColumn(def, u"名称"_s, u"name"_s, false, 60);
    def.columns[1].tag = 7;
    const ColumnConfig config(def);
    ASSERT_EQ(1, config.rowCount());
    EXPECT_EQ(u"名称"_s, config.rows()[0].name);
    EXPECT_EQ(7, config.rows()[0].tag);
}

TEST(ColumnConfig, AnEmptyDisplayNameIsRefusedAndTheRowKept) {
    const GridDefinition def = goodsGrid();
    ColumnConfig config(def);
    for (const QString& bad : {QString(), u"   "_s}) {
        EXPECT_EQ(u"显示标签不能空字符串"_s, errorOf([&] { config.setCaption(0, bad); }));
        EXPECT_EQ(u"商品编号"_s, config.rows()[0].visName);
    }
    config.setCaption(0, u"货号"_s);
    EXPECT_EQ(u"货号"_s, config.rows()[0].visName);
}

TEST(ColumnConfig, NoVisibleColumnIsRefusedAndNothingApplied) {
    GridDefinition def = goodsGrid();
    ColumnConfig config(def);
    config.setCaption(0, u"货号"_s);
    for (int i = 0; i < config.rowCount(); ++i)
        config.setVisible(i, false);
    EXPECT_EQ(u"至少显示一列"_s, errorOf([&] { config.validate(); }));
    EXPECT_EQ(u"至少显示一列"_s, errorOf([&] { config.apply(def); }));
    EXPECT_EQ(u"商品编号"_s, def.columns[0].caption);
    EXPECT_TRUE(def.columns[0].visible);
    // One visible column is enough, even a formerly hidden one.
    config.setVisible(1, true);
    EXPECT_EQ(QString(), errorOf([&] { config.validate(); }));
}

TEST(ColumnConfig, DefaultCaptionsComeAndGo) {
    GridDefinition def = goodsGrid();
    def.columns[0].caption = u"货号"_s;  // an earlier choice of the operator
    ColumnConfig config(def);
    EXPECT_EQ(u"货号"_s, config.rows()[0].visName);
    config.setCaption(2, u"件数"_s);
    config.setUseDefaultCaptions(true);
    EXPECT_EQ((QStringList{u"商品编号"_s, u"条码"_s, u"数量"_s, u"金额"_s}),
              listed(config, &ColumnConfig::Row::visName));
    config.setUseDefaultCaptions(false);
    EXPECT_EQ((QStringList{u"货号"_s, u"条码"_s, u"数量"_s, u"金额"_s}),
              listed(config, &ColumnConfig::Row::visName));
}

TEST(ColumnConfig, AppliesCaptionsVisibilityAndPrintFlags) {
    GridDefinition def = goodsGrid();
    ColumnConfig config(def);
    config.setCaption(0, u"货号"_s);
    config.setVisible(1, true);   // 条码 shows
    config.setVisible(3, false);  // 金额 hides
    config.setPrint(2, false);    // 数量 is not printed
    const QList<int> order = config.apply(def);
    EXPECT_EQ((QList<int>{0, 1, 2, 3, 4}), order);
    EXPECT_EQ(u"货号"_s, def.columns[0].caption);
    EXPECT_EQ(u"商品编号"_s, def.columns[0].captionText);  // the design stays
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
    EXPECT_EQ((QStringList{u"金额"_s, u"数量"_s, u"商品编号"_s, u"条码"_s}),
              listed(config, &ColumnConfig::Row::name));
    const QList<int> order = config.apply(def);
    // Offered places 0, 1, 3, 4 take amount, qty, code, barcode; place 2 keeps the fixed id.
    EXPECT_EQ((QStringList{u"amount"_s, u"qty"_s, u"id"_s, u"code"_s, u"barcode"_s}),
              fieldsOf(def));
    EXPECT_EQ((QList<int>{4, 3, 2, 0, 1}), order);
}

TEST(ColumnConfig, DefaultOrderPutsTheDesignedOrderBackAndOffListsTheGridsOrder) {
    GridDefinition def = goodsGrid();
    // An earlier layout moved the amount to the front.
    def.columns.move(4, 0);
    ColumnConfig config(def);
    EXPECT_EQ(u"金额"_s, config.rows()[0].name);
    config.setUseDefaultOrder(true);
    EXPECT_EQ((QStringList{u"商品编号"_s, u"条码"_s, u"数量"_s, u"金额"_s}),
              listed(config, &ColumnConfig::Row::name));
    // Turning it off lists the grid's order again.
    config.setUseDefaultOrder(false);
    EXPECT_EQ((QStringList{u"金额"_s, u"商品编号"_s, u"条码"_s, u"数量"_s}),
              listed(config, &ColumnConfig::Row::name));
    // Moving a line after choosing the default order is the operator's own order again.
    config.setUseDefaultOrder(true);
    config.moveRow(0, 1);
    EXPECT_FALSE(config.useDefaultOrder());
    // Applied, the default order puts the designed order back.
    config.setUseDefaultOrder(true);
    config.apply(def);
    EXPECT_EQ((QStringList{u"code"_s, u"barcode"_s, u"id"_s, u"qty"_s, u"amount"_s}),
              fieldsOf(def));
}

TEST(ColumnConfig, AColumnWithoutItsDataIsAnInternalError) {
    GridDefinition def = goodsGrid();
    GridColumn bare;
    bare.caption = u"手工列"_s;
    def.columns.append(bare);
    EXPECT_EQ(u"数据结构的类型不是TgxGridColumnExData，请查证原因"_s,
              errorOf([&] { ColumnConfig config(def); }));
}

TEST(ColumnConfig, ApplyingToAChangedGridIsRefused) {
    GridDefinition def = goodsGrid();
    const ColumnConfig config(def);
    AddGridColumn(def, u"备注"_s, u"memo"_s, false, 60);
    EXPECT_FALSE(errorOf([&] { config.apply(def); }).isEmpty());
    EXPECT_EQ(6, def.columns.size());
    EXPECT_EQ(u"memo"_s, def.columns[5].fieldName);
}

class ColumnConfigOnGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        rs = test::withFields("code text, barcode text, id integer, qty float, amount float");
        rs.appendRow({u"G1"_s, u"691"_s, 1, 3.0, 30.0});
        rs.appendRow({u"G2"_s, u"692"_s, 2, 1.0, 12.0});
        rs.appendRow({u"G12"_s, u"693"_s, 3, 2.0, 50.0});
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
    model.setColumnFilter(0, u"G1"_s);   // G1 and G12
    model.sort(3, Qt::DescendingOrder);  // by quantity: G1 (3), G12 (2)
    ColumnConfig config(def);
    config.moveRow(3, 0);  // the list: 金额, 商品编号, 条码, 数量
    config.setVisible(0, false);
    config.setVisible(2, true);
    config.setCaption(1, u"货号"_s);
    gridfilter::applyColumnConfig(&view, config);
    // The offered places 0, 1, 3, 4 take the list's order; the fixed id stays at 2.
    EXPECT_EQ((QStringList{u"amount"_s, u"code"_s, u"id"_s, u"barcode"_s, u"qty"_s}),
              fieldsOf(def));
    EXPECT_EQ(u"G1"_s, model.columnFilter(1));  // code is now the second column
    EXPECT_EQ(QString(), model.columnFilter(0));
    EXPECT_EQ(4, model.sortColumn());  // qty moved from 3 to 4
    EXPECT_EQ(Qt::DescendingOrder, model.sortOrder());
    ASSERT_EQ(2, model.rowCount());
    EXPECT_EQ(u"G1"_s, model.displayText(0, 1));
    EXPECT_EQ(u"G12"_s, model.displayText(1, 1));
    EXPECT_EQ(u"货号"_s, model.headerData(1, Qt::Horizontal).toString());
    EXPECT_TRUE(view.table()->isColumnHidden(0));   // amount hidden by the choice
    EXPECT_FALSE(view.table()->isColumnHidden(3));  // barcode shown by it
}

TEST_F(ColumnConfigOnGridTest, ARefusedChoiceLeavesTheGridAlone) {
    ColumnConfig config(def);
    for (int i = 0; i < config.rowCount(); ++i)
        config.setVisible(i, false);
    EXPECT_EQ(u"至少显示一列"_s, errorOf([&] { gridfilter::applyColumnConfig(&view, config); }));
    EXPECT_FALSE(view.table()->isColumnHidden(0));
    EXPECT_EQ(u"code"_s, def.columns[0].fieldName);
}

TEST_F(ColumnConfigOnGridTest, DialogShowsTheListRefusesBadInputAndMovesDraggedLines) {
    client::ScriptedPrompter prompter;
    client::PrompterOverride use(&prompter);
    TfrmXGridColFilter dialog(def);
    gridfilter::ColumnConfigModel* list = dialog.listModel();
    ASSERT_EQ(4, list->rowCount());
    const auto cell = [&](int r, int c) { return list->index(r, c).data().toString(); };
    EXPECT_EQ(cell(1, 3) + u'|' + cell(1, 4) + u'|' + cell(1, 5), u"否|是|110"_s);  // 条码 hidden
    // An empty display name is refused with its message.
    EXPECT_FALSE(list->setData(list->index(0, 2), QString()));
    ASSERT_EQ(1, prompter.records(client::PromptKind::Message).size());
    EXPECT_EQ(u"提示"_s, prompter.records(client::PromptKind::Message)[0].caption);
    EXPECT_EQ(u"显示标签不能空字符串"_s, prompter.messages()[0]);
    EXPECT_EQ(u"商品编号"_s, list->index(0, 2).data().toString());
    // The check boxes of the list and the dialog's options.
    const int checked = Qt::Checked;
    EXPECT_TRUE(list->setData(list->index(1, 3), checked, Qt::CheckStateRole));
    EXPECT_EQ(u"是"_s, list->index(1, 3).data().toString());
    EXPECT_TRUE(list->setData(list->index(0, 2), u"货号"_s));
    dialog.defaultCaptionsBox()->setChecked(true);
    EXPECT_EQ(u"商品编号"_s, list->index(0, 2).data().toString());
    dialog.show();
    // "确定" with nothing visible stays open with "至少显示一列".
    for (int r = 0; r < list->rowCount(); ++r)
        list->setData(list->index(r, 3), static_cast<int>(Qt::Unchecked), Qt::CheckStateRole);
    dialog.btnOKClick();
    EXPECT_EQ(u"至少显示一列"_s, prompter.messages().last());
    EXPECT_FALSE(dialog.result());
    EXPECT_TRUE(dialog.isVisible());
    list->setData(list->index(2, 3), checked, Qt::CheckStateRole);
    dialog.btnOKClick();
    EXPECT_TRUE(dialog.result());
    EXPECT_EQ(2, prompter.messages().size());
    // Dragging a line by its number moves the column; the header keeps its plain numbering.
    TfrmXGridColFilter dragged(def);
    dragged.list()->verticalHeader()->moveSection(3, 0);
    EXPECT_EQ(u"金额"_s, dragged.listModel()->index(0, 1).data().toString());
    EXPECT_EQ(0, dragged.list()->verticalHeader()->visualIndex(0));
    gridfilter::applyColumnConfig(&view, dragged.config());
    EXPECT_EQ(u"amount"_s, def.columns[0].fieldName);
}

}  // namespace
}  // namespace dyt
