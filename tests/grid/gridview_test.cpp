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
    GridDefinition def;
    RecordSetModel model;
};

TEST_F(GridViewTest, ColumnsAndFooterFollowTheDescriptions) {
    AddGridColumn(def, QStringLiteral("商品编号"), QStringLiteral("code"), false, 20);
    AddGridColumn(def, QStringLiteral("[%F%]条码"), QStringLiteral("barcode"), false, 90);
    AddGridColumn(def, QStringLiteral("[%Q%SUM%]数量"), QStringLiteral("qty"), true, 70);
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
    EXPECT_EQ(QStringLiteral("15.00"), model.footerText(2));  // 0 + 1.5 + 3 + 4.5 + 6
}

// Widths follow the formatted cells and the footer: numbers and codes whole, a long name up to
// the cap, a wider described width kept; an amount the operator types widens its column again.
TEST(GridViewWidths, ColumnsFitTheirFormattedCellsAndFooter) {
    RecordSet rs;
    for (const char* field : {"billcode", "name", "note"})
        rs.addField(QLatin1String(field), FieldType::Text);
    rs.addField(QStringLiteral("amount"), FieldType::Currency);
    const QString longName(60, u'螺');
    rs.appendRow({QStringLiteral("JH-2026-12-06-000123"), longName, QStringLiteral("a"),
                  QVariant::fromValue(Currency::fromDouble(1087709.55))});
    rs.appendRow({QStringLiteral("JH-1"), QStringLiteral("垫片"), QStringLiteral("b"),
                  QVariant::fromValue(Currency::fromDouble(99999.99))});
    GridDefinition def;
    AddGridColumn(def, QStringLiteral("[%CNT%]单据编号"), QStringLiteral("billcode"), false, 20);
    AddGridColumn(def, QStringLiteral("商品名称"), QStringLiteral("name"), false, 60);
    AddGridColumn(def, QStringLiteral("备注"), QStringLiteral("note"), false, 300);
    AddGridColumn(def, QStringLiteral("[%M%SUM%]金额"), QStringLiteral("amount"), true, 40);
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
    QTest::keyClicks(editor, QStringLiteral("98765432.1"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor commits through a queued call
    EXPECT_EQ(QStringLiteral("99,853,141.65"), model.footerText(3));
    check();
}

TEST_F(GridViewTest, NoFooterWithoutSummaries) {
    AddGridColumn(def, QStringLiteral("编号"), QStringLiteral("code"), false, 60);
    model.setSource(&rs, &def);
    GridView view;
    view.setModel(&model);
    view.show();
    EXPECT_FALSE(view.footer()->isVisible());
}

TEST_F(GridViewTest, FocusedRowMovesTheIndicatorArrow) {
    AddGridColumn(def, QStringLiteral("编号"), QStringLiteral("code"), false, 60);
    model.setSource(&rs, &def);
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

namespace dyt {
namespace {

class GridEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        rs.addField(QStringLiteral("qty"), FieldType::Float);
        rs.addField(QStringLiteral("day"), FieldType::Date);
        rs.addField(QStringLiteral("goods"), FieldType::Text);
        rs.addField(QStringLiteral("chk"), FieldType::Text);
        rs.appendRow({10.5, QDate(2024, 3, 5), QStringLiteral("螺丝"), QStringLiteral("0")});
        def.context.qtyDot = 3;
        AddGridColumn(def, QStringLiteral("[%Q%]数量"), QStringLiteral("qty"), true, 60);
        AddGridColumn(def, QStringLiteral("[%DATA%]日期"), QStringLiteral("day"), true, 80);
        AddGridColumn(def, QStringLiteral("[%SET%]商品"), QStringLiteral("goods"), true, 80);
        AddGridColumn(def, QStringLiteral("[&CHK]选择"), QStringLiteral("chk"), true, 40);
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
    EXPECT_EQ(QStringLiteral("7.250"), model.displayText(0, 0));
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
}

TEST_F(GridEditorTest, CheckColumnHasNoEditor) {
    EXPECT_EQ(nullptr, editorFor(3));
}

}  // namespace
}  // namespace dyt

namespace dyt {
namespace {

TEST_F(GridViewTest, FilterRowFiltersTheModel) {
    AddGridColumn(def, QStringLiteral("编号"), QStringLiteral("code"), false, 60);
    AddGridColumn(def, QStringLiteral("[%Q%SUM%]数量"), QStringLiteral("qty"), true, 70);
    model.setSource(&rs, &def);
    GridView view;
    view.setModel(&model);
    view.setFilterRowVisible(true);
    view.resize(400, 300);
    view.show();
    EXPECT_TRUE(view.filterRow()->isVisible());
    QLineEdit* edit = view.filterRow()->editor(0);
    ASSERT_NE(nullptr, edit);
    edit->setText(QStringLiteral("g3"));
    Q_EMIT edit->editingFinished();
    EXPECT_EQ(1, model.rowCount());
    EXPECT_EQ(QStringLiteral("G3"), model.displayText(0, 0));
    EXPECT_EQ(QStringLiteral("4.50"), model.footerText(1));
    EXPECT_EQ(QStringLiteral("g3"), view.filterRow()->editor(0)->text());

    // A view that does not filter shows no filter row.
    def.filteringEnabled = false;
    view.applyColumns();
    EXPECT_FALSE(view.filterRow()->isVisible());
}

TEST_F(GridViewTest, BandsSpanTheirColumnsAndHideWithTheirBand) {
    AddGridBand(def, QStringLiteral("商品"), 100, false);
    AddGridBand(def, QStringLiteral("数量"), 100, false);
    AddGridBand(def, QStringLiteral("隐藏"), 0, false);
    AddGridColumn(def, QStringLiteral("编号"), QStringLiteral("code"), false, 60, 0);
    AddGridColumn(def, QStringLiteral("条码"), QStringLiteral("barcode"), false, 70, 0);
    AddGridColumn(def, QStringLiteral("[%Q%]数量"), QStringLiteral("qty"), true, 80, 1);
    AddGridColumn(def, QStringLiteral("备注"), QString(), true, 50, 2);
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
    AddGridBand(def, QStringLiteral("固定"), 1, true);
    view.applyColumns();
    EXPECT_FALSE(view.bandHeader()->isVisible());
}

}  // namespace
}  // namespace dyt
