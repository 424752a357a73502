// The grid widget: columns laid out from their descriptions, the footer row, the focused row,
// the cell editors by column kind.

#include <gtest/gtest.h>

#include <QAction>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <memory>

#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "common/currency.h"
#include "grid/printers.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt {
namespace {

class GridViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        rs = test::withFields("code text, barcode text, qty float");
        for (int i = 0; i < 5; ++i)
            rs.appendRow({u"G%1"_s.arg(i), u"69%1"_s.arg(i), i * 1.5});
    }
    RecordSet rs;
    GridDefinition def;
    RecordSetModel model;
};

TEST_F(GridViewTest, ColumnsAndFooterFollowTheDescriptions) {
    AddGridColumn(def, u"商品编号"_s, u"code"_s, false, 20);
    AddGridColumn(def, u"[%F%]条码"_s, u"barcode"_s, false, 90);
    AddGridColumn(def, u"[%Q%SUM%]数量"_s, u"qty"_s, true, 70);
    model.setSource(&rs, &def);
    GridView view;
    view.setModel(&model);
    view.resize(400, 300);
    view.show();
    EXPECT_GE(view.table()->columnWidth(0), 56);  // raised to the caption's 8 GBK bytes
    EXPECT_TRUE(view.table()->isColumnHidden(1));
    EXPECT_FALSE(view.table()->isColumnHidden(2));
    EXPECT_EQ(70, view.table()->columnWidth(2));
    EXPECT_TRUE(view.footer()->isVisible());
    EXPECT_EQ(u"15.00"_s, model.footerText(2));  // 0 + 1.5 + 3 + 4.5 + 6
}

// Widths follow the formatted cells and the footer: numbers and codes whole, a long name up to
// the cap, a wider described width kept; an amount the operator types widens its column again.
TEST(GridViewWidths, ColumnsFitTheirFormattedCellsAndFooter) {
    RecordSet rs = test::withFields("billcode text, name text, note text, amount currency");
    const QString longName(60, u'螺');
    rs.appendRow({u"JH-2026-12-06-000123"_s, longName, u"a"_s,
                  QVariant::fromValue(Currency::fromDouble(1087709.55))});
    rs.appendRow(
        {u"JH-1"_s, u"垫片"_s, u"b"_s, QVariant::fromValue(Currency::fromDouble(99999.99))});
    GridDefinition def;
    AddGridColumn(def, u"[%CNT%]单据编号"_s, u"billcode"_s, false, 20);
    AddGridColumn(def, u"商品名称"_s, u"name"_s, false, 60);
    AddGridColumn(def, u"备注"_s, u"note"_s, false, 300);
    AddGridColumn(def, u"[%M%SUM%]金额"_s, u"amount"_s, true, 40);
    RecordSetModel model;
    model.setSource(&rs, &def);
    GridView view;
    view.setModel(&model);
    view.show();
    QTableView* table = view.table();
    const QFontMetrics cells = table->fontMetrics();
    const int cap = cells.horizontalAdvance(QString(GridView::kTextColumnMaxChars, u'螺'));
    const struct {
        int column, least, most;  // most 0: no upper bound
    } cases[] = {
        {0, 20, 0}, {1, cap, cells.horizontalAdvance(longName) - 1}, {2, 300, 300}, {3, 40, 0}};
    auto check = [&] {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.column);
            const int width = table->columnWidth(c.column);
            int cell = view.footer()->fontMetrics().horizontalAdvance(model.footerText(c.column));
            for (int r = 0; r < model.rowCount() && c.column != 1; ++r)
                cell = std::max(cell, cells.horizontalAdvance(model.displayText(r, c.column)));
            EXPECT_GE(width, std::max(cell, c.least));
            EXPECT_LE(width, c.most > 0 ? c.most : width);
        }
    };
    check();
    table->setCurrentIndex(model.index(1, 3));
    QTest::keyClick(table, Qt::Key_F2);
    auto* editor = table->viewport()->findChild<QDoubleSpinBox*>();
    ASSERT_NE(nullptr, editor);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, u"98765432.1"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor commits through a queued call
    EXPECT_EQ(u"99,853,141.65"_s, model.footerText(3));
    check();
}

TEST_F(GridViewTest, FocusedRowMovesTheIndicatorArrow) {
    AddGridColumn(def, u"编号"_s, u"code"_s, false, 60);
    model.setSource(&rs, &def);
    GridView view;
    view.setModel(&model);
    view.show();
    EXPECT_FALSE(view.footer()->isVisible());  // no summaries, no footer
    view.table()->setCurrentIndex(model.index(3, 0));
    EXPECT_EQ(3, model.currentRow());
    EXPECT_EQ(u" →4"_s, model.headerData(3, Qt::Vertical).toString());
    model.reload();  // a reload keeps the indicator on the view's current row
    EXPECT_EQ(model.currentRow(), view.table()->currentIndex().row());
}

class GridEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        rs = test::withFields("qty float, day date, goods text, chk text");
        rs.appendRow({10.5, QDate(2024, 3, 5), u"螺丝"_s, u"0"_s});
        def.context.qtyDot = 3;
        AddGridColumn(def, u"[%Q%]数量"_s, u"qty"_s, true, 60);
        AddGridColumn(def, u"[%DATA%]日期"_s, u"day"_s, true, 80);
        AddGridColumn(def, u"[%SET%]商品"_s, u"goods"_s, true, 80);
        AddGridColumn(def, u"[&CHK]选择"_s, u"chk"_s, true, 40);
        model.setSource(&rs, &def);
        view.setModel(&model);
        view.show();
    }
    QWidget* editorFor(int column) {
        const QModelIndex index = model.index(0, column);
        return view.table()->itemDelegateForIndex(index)->createEditor(
            view.table()->viewport(), QStyleOptionViewItem(), index);
    }
    RecordSet rs;
    GridDefinition def;
    RecordSetModel model;
    GridView view;
};

TEST_F(GridEditorTest, NumberEditorWithPlacesAndMaximum) {
    std::unique_ptr<QWidget> editor(editorFor(0));
    auto* spin = qobject_cast<QDoubleSpinBox*>(editor.get());
    ASSERT_NE(nullptr, spin);
    EXPECT_EQ(3, spin->decimals());
    EXPECT_EQ(99999999.0, spin->maximum());
    EXPECT_EQ(-99999999.0, spin->minimum());
    QAbstractItemDelegate* delegate = view.table()->itemDelegateForIndex(model.index(0, 0));
    delegate->setEditorData(spin, model.index(0, 0));
    EXPECT_EQ(10.5, spin->value());
    spin->setValue(7.25);
    delegate->setModelData(spin, &model, model.index(0, 0));
    EXPECT_EQ(7.25, rs.at(0, 0).toDouble());
    EXPECT_EQ(u"7.250"_s, model.displayText(0, 0));
}

TEST_F(GridEditorTest, DateEditorWritesTheDate) {
    std::unique_ptr<QWidget> editor(editorFor(1));
    auto* date = qobject_cast<QDateEdit*>(editor.get());
    ASSERT_NE(nullptr, date);
    QAbstractItemDelegate* delegate = view.table()->itemDelegateForIndex(model.index(0, 1));
    delegate->setEditorData(date, model.index(0, 1));
    EXPECT_EQ(QDate(2024, 3, 5), date->date());
    date->setDate(QDate(2025, 1, 2));
    delegate->setModelData(date, &model, model.index(0, 1));
    EXPECT_EQ(QDate(2025, 1, 2), rs.at(0, 1).toDate());
}

TEST_F(GridEditorTest, ButtonEditorReportsItsCell) {
    QSignalSpy spy(&view, &GridView::buttonClicked);
    std::unique_ptr<QWidget> editor(editorFor(2));
    auto* edit = qobject_cast<QLineEdit*>(editor.get());
    ASSERT_NE(nullptr, edit);
    ASSERT_EQ(1, edit->actions().size());
    edit->actions().first()->trigger();
    ASSERT_EQ(1, spy.count());
    EXPECT_EQ(model.index(0, 2), spy.first().first().value<QModelIndex>());
    EXPECT_EQ(nullptr, editorFor(3));  // a check column has no editor
}

TEST_F(GridViewTest, FilterRowFiltersTheModel) {
    AddGridColumn(def, u"编号"_s, u"code"_s, false, 60);
    AddGridColumn(def, u"[%Q%SUM%]数量"_s, u"qty"_s, true, 70);
    model.setSource(&rs, &def);
    GridView view;
    view.setModel(&model);
    view.setFilterRowVisible(true);
    view.resize(400, 300);
    view.show();
    EXPECT_TRUE(view.filterRow()->isVisible());
    QLineEdit* edit = view.filterRow()->editor(0);
    ASSERT_NE(nullptr, edit);
    edit->setText(u"g3"_s);
    Q_EMIT edit->editingFinished();
    EXPECT_EQ(1, model.rowCount());
    EXPECT_EQ(u"G3"_s, model.displayText(0, 0));
    EXPECT_EQ(u"4.50"_s, model.footerText(1));
    EXPECT_EQ(u"g3"_s, view.filterRow()->editor(0)->text());
    // A view that does not filter shows no filter row.
    def.filteringEnabled = false;
    view.applyColumns();
    EXPECT_FALSE(view.filterRow()->isVisible());
}

TEST_F(GridViewTest, BandsSpanTheirColumnsAndHideWithTheirBand) {
    AddGridBand(def, u"商品"_s, 100, false);
    AddGridBand(def, u"数量"_s, 100, false);
    AddGridBand(def, u"隐藏"_s, 0, false);
    AddGridColumn(def, u"编号"_s, u"code"_s, false, 60, 0);
    AddGridColumn(def, u"条码"_s, u"barcode"_s, false, 70, 0);
    AddGridColumn(def, u"[%Q%]数量"_s, u"qty"_s, true, 80, 1);
    AddGridColumn(def, u"备注"_s, QString(), true, 50, 2);
    model.setSource(&rs, &def);
    GridView view;
    view.setModel(&model);
    view.resize(500, 300);
    view.show();
    EXPECT_TRUE(view.bandHeader()->isVisible());
    EXPECT_TRUE(view.table()->isColumnHidden(3));  // its band is hidden
    auto* bands = static_cast<GridBandHeader*>(view.bandHeader());
    const QPair<int, int> first = bands->bandSpan(0);
    const QPair<int, int> second = bands->bandSpan(1);
    EXPECT_EQ(130, first.second);  // 60 + 70
    EXPECT_EQ(80, second.second);
    EXPECT_EQ(first.first + 130, second.first);
    EXPECT_EQ(0, bands->bandSpan(2).second);
    // A fixed band resets the view: band headers off.
    AddGridBand(def, u"固定"_s, 1, true);
    view.applyColumns();
    EXPECT_FALSE(view.bandHeader()->isVisible());
}

}  // namespace
}  // namespace dyt
