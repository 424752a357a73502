// The record-set model: display texts with the column patterns, masked cells, alignment, editing,
// check columns, the footer over the shown rows, the row indicator, and Qt's model checks.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "client/logic/recordsetmodel.h"
#include "common/currency.h"
#include "common/error.h"
#include "grid/printers.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt {
namespace {

enum Col { Code, Name, Qty, Price, Amount, Cost, Chk, Day, Note, ColCount };

class RecordSetModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        rs = test::withFields("code text 20, name text 40, qty float, price float, "
            "amount currency, cost float, chk text 1, sonnum integer, day date");
        rs.appendRow({u"A01"_s, u"螺丝"_s, 10.5, 2.345,
                      QVariant::fromValue(Currency::fromDouble(24.62)), 1.2, u"1"_s, 0,
                      QDate(2024, 3, 5)});
        rs.appendRow({u"A02"_s, u"螺母"_s, -3.0, -1.23456,
                      QVariant::fromValue(Currency::fromDouble(-3.7)), 0.8, u"0"_s, 2, QVariant()});
        rs.appendRow({u"A03"_s, u"垫片"_s, QVariant(), 1234567.891, QVariant(), QVariant(),
                      QVariant(), QVariant(), QVariant()});
    }
    void build(bool canSeeCost) {
        view = GridDefinition();
        view.context.qtyDot = 3;
        view.context.priceDot = 4;
        view.context.totalDot = 2;
        view.context.canSeeCost = canSeeCost;
        AddGridColumn(view, u"[%CNT%]编号"_s, u"code"_s, true, 60);
        AddGridColumn(view, u"名称"_s, u"name"_s, false, 80);
        AddGridColumn(view, u"[%Q%SUM%]数量"_s, u"qty"_s, true, 60);
        AddGridColumn(view, u"[%P%MAX%]单价"_s, u"price"_s, true, 60);
        AddGridColumn(view, u"[%M%SUM%]金额"_s, u"amount"_s, true, 60);
        AddGridColumn(view, u"[%SUM%M%Cost%]成本"_s, u"cost"_s, true, 60);
        AddGridColumn(view, u"[&CHK]选择"_s, u"chk"_s, false, 40);
        AddGridColumn(view, u"[%DATA%]日期"_s, u"day"_s, true, 80);
        AddGridColumn(view, u"[%F%]备注"_s, QString(), true, 80);
        model.setSource(&rs, &view);
    }
    QString text(int row, int col) { return model.data(model.index(row, col)).toString(); }
    // The codes of the shown rows, in the model's order.
    QStringList codes() {
        QStringList list;
        for (int r = 0; r < model.rowCount(); ++r)
            list.append(text(r, Code));
        return list;
    }
    RecordSet rs;
    GridDefinition view;
    RecordSetModel model;
};

TEST_F(RecordSetModelTest, DisplayTextWithTheColumnPatternsHeaderCaptionsAndAlignment) {
    build(true);
    ASSERT_EQ(3, model.rowCount());
    ASSERT_EQ(ColCount, model.columnCount());
    struct Case {
        int row;
        int col;
        const char16_t* text;
    };
    const Case cases[] = {
        {0, Code, u"A01"}, {0, Name, u"螺丝"}, {0, Qty, u"10.500"}, {0, Price, u"2.3450"},
        {0, Amount, u"24.62"}, {0, Cost, u"1.20"}, {0, Day, u"2024-03-05"}, {1, Qty, u"-3.000"},
        {1, Price, u"-1.235"},  // a negative price takes the quantity places
        {1, Amount, u"-3.70"}, {2, Qty, u""},  // Null shows nothing
        {2, Price, u"1,234,567.8910"}, {2, Day, u""}, {0, Note, u""}};  // unbound column
    for (const Case& c : cases) {
        EXPECT_EQ(QString::fromUtf16(c.text), text(c.row, c.col)) << c.row << "," << c.col;
        EXPECT_EQ(QString::fromUtf16(c.text), model.displayText(c.row, c.col));
    }
    // Header captions and alignment.
    EXPECT_EQ(u"数量"_s, model.headerData(Qty, Qt::Horizontal).toString());
    EXPECT_EQ(u"备注"_s, model.headerData(Note, Qt::Horizontal).toString());
    EXPECT_EQ(int(Qt::AlignCenter),
              model.headerData(Qty, Qt::Horizontal, Qt::TextAlignmentRole).toInt());
    const int right = int(Qt::AlignRight | Qt::AlignVCenter);
    const int left = int(Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(right, model.data(model.index(0, Qty), Qt::TextAlignmentRole).toInt());
    EXPECT_EQ(right, model.data(model.index(0, Amount), Qt::TextAlignmentRole).toInt());
    EXPECT_EQ(left, model.data(model.index(0, Name), Qt::TextAlignmentRole).toInt());
    EXPECT_EQ(Qt::AlignRight | Qt::AlignVCenter, model.footerAlignment(Qty));
}

TEST_F(RecordSetModelTest, CostMaskedWithoutTheRightAndShownWithIt) {
    build(false);
    EXPECT_EQ(u"***"_s, text(0, Cost));
    EXPECT_EQ(u"***"_s, model.data(model.index(1, Cost), Qt::EditRole).toString());
    EXPECT_EQ(u"***"_s, model.data(model.index(1, Cost), RecordSetModel::RawValueRole).toString());
    EXPECT_FALSE(model.flags(model.index(0, Cost)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(model.index(0, Cost), 5.0));
    EXPECT_EQ(1.2, rs.at(0, 5).toDouble());
    // No footer sum for the cost column.
    EXPECT_FALSE(model.footerValue(Cost).has_value());
    EXPECT_EQ(QString(), model.footerText(Cost));
    // With the right the cost is shown, editable and summed.
    build(true);
    EXPECT_EQ(u"0.80"_s, text(1, Cost));
    EXPECT_TRUE(model.flags(model.index(0, Cost)) & Qt::ItemIsEditable);
    EXPECT_EQ(u"2.00"_s, model.footerText(Cost));  // 1.2 + 0.8, Null skipped
}

TEST_F(RecordSetModelTest, EditingNumbersRoundsAndRespectsTheMaximum) {
    build(true);
    const QModelIndex qty = model.index(0, Qty);
    EXPECT_EQ(10.5, model.data(qty, Qt::EditRole).toDouble());
    EXPECT_TRUE(model.setData(qty, u"12.34567"_s));
    EXPECT_EQ(12.346, rs.at(0, 2).toDouble());
    EXPECT_EQ(u"12.346"_s, text(0, Qty));
    EXPECT_TRUE(model.setData(qty, 99999999.0));
    EXPECT_FALSE(model.setData(qty, 100000000.0));
    EXPECT_FALSE(model.setData(qty, -100000000.0));
    EXPECT_FALSE(model.setData(qty, u"abc"_s));
    EXPECT_EQ(99999999.0, rs.at(0, 2).toDouble());
    // Clearing a number cell stores Null.
    EXPECT_TRUE(model.setData(qty, QString()));
    EXPECT_FALSE(rs.at(0, 2).isValid());
    // A column the caller made read-only, and an unbound column, refuse edits.
    EXPECT_FALSE(model.flags(model.index(0, Name)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(model.index(0, Name), u"x"_s));
    EXPECT_EQ(u"螺丝"_s, rs.at(0, 1).toString());
    EXPECT_FALSE(model.setData(model.index(0, Note), u"x"_s));
    // A text edit goes through as text; a date edit that is no date is refused.
    EXPECT_TRUE(model.setData(model.index(1, Code), u"B02"_s));
    EXPECT_EQ(u"B02"_s, rs.at(1, 0).toString());
    EXPECT_TRUE(model.setData(model.index(1, Day), u"2024-12-31"_s));
    EXPECT_EQ(QDate(2024, 12, 31), rs.at(1, 8).toDate());
}

TEST_F(RecordSetModelTest, CheckColumnStoresOneAndZero) {
    build(true);
    const QModelIndex on = model.index(0, Chk);
    const QModelIndex off = model.index(1, Chk);
    const QModelIndex none = model.index(2, Chk);
    EXPECT_EQ(int(Qt::Checked), model.data(on, Qt::CheckStateRole).toInt());
    EXPECT_EQ(int(Qt::Unchecked), model.data(off, Qt::CheckStateRole).toInt());
    EXPECT_EQ(int(Qt::Unchecked), model.data(none, Qt::CheckStateRole).toInt());
    EXPECT_FALSE(model.data(on, Qt::DisplayRole).isValid());
    EXPECT_TRUE(model.flags(on) & Qt::ItemIsUserCheckable);
    // Only the check column carries a check state.
    EXPECT_FALSE(model.data(model.index(0, Name), Qt::CheckStateRole).isValid());
    EXPECT_TRUE(model.setData(on, int(Qt::Unchecked), Qt::CheckStateRole));
    EXPECT_EQ(u"0"_s, rs.at(0, 6).toString());
    EXPECT_TRUE(model.setData(none, int(Qt::Checked), Qt::CheckStateRole));
    EXPECT_EQ(u"1"_s, rs.at(2, 6).toString());
    EXPECT_EQ(u"1"_s, model.data(none, Qt::EditRole).toString());
    EXPECT_FALSE(model.setData(off, u"yes"_s, Qt::EditRole));
    EXPECT_TRUE(model.setData(off, u"1"_s, Qt::EditRole));
    EXPECT_EQ(u"1"_s, rs.at(1, 6).toString());
}

TEST_F(RecordSetModelTest, FooterOverAllRows) {
    build(true);
    EXPECT_TRUE(model.footerVisible());
    // Count: the text "合计"; sum of 10.5 and -3 (Null skipped); max of the prices.
    EXPECT_EQ(u"合计"_s, model.footerText(Code));
    EXPECT_EQ(3.0, model.footerValue(Code).value());
    EXPECT_EQ(u"7.500"_s, model.footerText(Qty));
    EXPECT_EQ(u"最大值：1,234,567.8910"_s, model.footerText(Price));
    EXPECT_EQ(u"20.92"_s, model.footerText(Amount));
    EXPECT_EQ(QString(), model.footerText(Name));
}

TEST_F(RecordSetModelTest, FooterKindsOverNegativeValuesAndOverNoRows) {
    view = GridDefinition();
    view.context.qtyDot = 1;
    view.context.priceDot = 3;
    AddGridColumn(view, u"[%P%MIN%]最低价"_s, u"price"_s, false, 60);
    AddGridColumn(view, u"[%P%AVG%]均价"_s, u"price"_s, false, 60);
    AddGridColumn(view, u"[%Q%MAX%]数量"_s, u"qty"_s, false, 60);
    rs.removeRow(2);
    model.setSource(&rs, &view);
    // Prices 2.345 and -1.23456: the minimum is negative and takes the quantity places.
    EXPECT_EQ(u"最小值：-1.2"_s, model.footerText(0));
    // (2.345 - 1.23456) / 2 = 0.55522
    EXPECT_EQ(u"平均值：0.555"_s, model.footerText(1));
    EXPECT_EQ(u"最大值：10.5"_s, model.footerText(2));
    // The footer of no rows shows sum and count only.
    build(true);
    model.setRowFilter([](const RecordSet&, int) { return false; });
    EXPECT_EQ(0, model.rowCount());
    EXPECT_EQ(u"0.000"_s, model.footerText(Qty));
    EXPECT_EQ(u"合计"_s, model.footerText(Code));
    EXPECT_EQ(0.0, model.footerValue(Code).value());
    EXPECT_FALSE(model.footerValue(Price).has_value());
    EXPECT_EQ(QString(), model.footerText(Price));
}

TEST_F(RecordSetModelTest, FooterFollowsTheRowFilterAndEdits) {
    build(true);
    QSignalSpy footerSpy(&model, &RecordSetModel::footerChanged);
    const int qtyField = rs.fieldIndex(u"qty"_s);
    model.setRowFilter([qtyField](const RecordSet& r, int raw) {
        return r.at(raw, qtyField).isValid() && r.at(raw, qtyField).toDouble() > 0;
    });
    ASSERT_EQ(1, model.rowCount());
    EXPECT_EQ(0, model.rawRow(0));
    EXPECT_EQ(u"A01"_s, text(0, Code));
    EXPECT_EQ(u"10.500"_s, model.footerText(Qty));
    EXPECT_EQ(u"最大值：2.3450"_s, model.footerText(Price));
    EXPECT_EQ(u"24.62"_s, model.footerText(Amount));
    EXPECT_TRUE(model.setData(model.index(0, Qty), 20.25));
    EXPECT_EQ(u"20.250"_s, model.footerText(Qty));
    EXPECT_GE(footerSpy.count(), 2);
    // Edits outside the model show after reload; the filter is applied again.
    rs.setAt(1, qtyField, 4.0);
    model.reload();
    ASSERT_EQ(2, model.rowCount());
    EXPECT_EQ(1, model.rawRow(1));
    EXPECT_EQ(u"24.250"_s, model.footerText(Qty));
    model.setRowFilter({});
    EXPECT_EQ(3, model.rowCount());
    EXPECT_EQ(-1, model.rawRow(3));
}

TEST_F(RecordSetModelTest, RowIndicatorAndUnknownFields) {
    build(true);
    // Row 2 (sonnum 2) is a category row marked "*".
    EXPECT_EQ(u"   1"_s, model.rowIndicatorText(0));
    EXPECT_EQ(u"*  2"_s, model.rowIndicatorText(1));
    EXPECT_EQ(u"   3"_s, model.rowIndicatorText(2));
    QSignalSpy spy(&model, &QAbstractItemModel::headerDataChanged);
    model.setCurrentRow(0);
    EXPECT_EQ(u" →1"_s, model.headerData(0, Qt::Vertical).toString());
    model.setCurrentRow(1);
    EXPECT_EQ(u"   1"_s, model.headerData(0, Qt::Vertical).toString());
    EXPECT_EQ(u"*→2"_s, model.headerData(1, Qt::Vertical).toString());
    EXPECT_EQ(3, spy.count());  // row 0; then rows 0 and 1
    model.setCurrentRow(7);     // out of range: no current row
    EXPECT_EQ(-1, model.currentRow());
    EXPECT_EQ(u"*  2"_s, model.rowIndicatorText(1));
    EXPECT_EQ(QString(), model.rowIndicatorText(3));
    // An unknown field is refused and the model keeps its source.
    GridDefinition bad;
    AddGridColumn(bad, u"编号"_s, u"nosuchfield"_s, false, 60);
    EXPECT_EQ(u"字段[nosuchfield]不存在"_s,
              dyt::test::errorOf([&] { model.setSource(&rs, &bad); }));
    EXPECT_EQ(&view, model.definition());
    EXPECT_EQ(ColCount, model.columnCount());
}

// The tester stops the run at the first broken promise of the model, with its reason.
TEST_F(RecordSetModelTest, PassesTheModelTester) {
    build(true);
    {
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        model.setCurrentRow(1);
        EXPECT_TRUE(model.setData(model.index(0, Qty), 3.5));
        EXPECT_TRUE(model.setData(model.index(0, Chk), int(Qt::Checked), Qt::CheckStateRole));
        model.setRowFilter([](const RecordSet&, int raw) { return raw != 1; });
        rs.appendRow({u"A04"_s});
        model.reload();
        model.setRowFilter({});
        EXPECT_EQ(4, model.rowCount());
        model.sort(Name, Qt::DescendingOrder);
        model.setColumnFilter(Code, u"A0"_s);
        EXPECT_EQ(4, model.rowCount());
        model.setColumnFilter(Code, u"A04"_s);
        EXPECT_EQ(1, model.rowCount());
        model.clearColumnFilters();
        model.sort(-1);
        RecordSet empty;
        empty.addField(u"code"_s, FieldType::Text);
        GridDefinition one;
        AddGridColumn(one, u"编号"_s, u"code"_s, false, 60);
        model.setSource(&empty, &one);
        EXPECT_EQ(0, model.rowCount());
        model.setSource(nullptr, nullptr);
        EXPECT_EQ(0, model.columnCount());
    }
}

TEST_F(RecordSetModelTest, SortsByColumnValues) {
    build(true);
    rs.appendRow({u"A00"_s, u"啊"_s, 2.0});
    model.reload();
    // Quantities 10.5, -3, Null, 2: Null first, then by value.
    model.sort(Qty, Qt::AscendingOrder);
    EXPECT_EQ((QStringList{u"A03"_s, u"A02"_s, u"A00"_s, u"A01"_s}), codes());
    model.sort(Qty, Qt::DescendingOrder);
    EXPECT_EQ((QStringList{u"A01"_s, u"A00"_s, u"A02"_s, u"A03"_s}), codes());
    // Names by GBK bytes: 啊 (B0A1) < 垫 (B5E6) < 螺母 (C2DD C4B8) < 螺丝 (C2DD CBBF).
    model.sort(Name, Qt::AscendingOrder);
    EXPECT_EQ((QStringList{u"A00"_s, u"A03"_s, u"A02"_s, u"A01"_s}), codes());
    // Footers do not depend on the order; the sort survives a reload and a row filter.
    EXPECT_EQ(u"9.500"_s, model.footerText(Qty));
    model.setRowFilter([](const RecordSet&, int raw) { return raw != 0; });
    EXPECT_EQ((QStringList{u"A00"_s, u"A03"_s, u"A02"_s}), codes());
    model.setRowFilter({});
    model.sort(-1);
    EXPECT_EQ((QStringList{u"A01"_s, u"A02"_s, u"A03"_s, u"A00"_s}), codes());
    // Equal values keep their order.
    rs.appendRow({u"A04"_s, QString(), 10.5});
    rs.appendRow({u"A05"_s, QString(), -3.0});
    model.reload();
    model.sort(Qty, Qt::DescendingOrder);
    EXPECT_EQ((QStringList{u"A01"_s, u"A04"_s, u"A00"_s, u"A02"_s, u"A05"_s, u"A03"_s}), codes());
}

TEST_F(RecordSetModelTest, MaskedColumnIsNotSorted) {
    build(false);
    model.sort(Cost, Qt::DescendingOrder);
    EXPECT_EQ(-1, model.sortColumn());
    EXPECT_EQ(u"A01"_s, text(0, Code));
}

TEST_F(RecordSetModelTest, ColumnFiltersMatchTheDisplayTextAndOnlyTheMaskOfMaskedColumns) {
    build(true);
    // "螺" is in two names; the footer follows the shown rows.
    model.setColumnFilter(Name, u"螺"_s);
    EXPECT_EQ((QStringList{u"A01"_s, u"A02"_s}), codes());
    EXPECT_EQ(u"7.500"_s, model.footerText(Qty));
    // Filters of two columns must both match; the price is matched as shown ("-1.235").
    model.setColumnFilter(Price, u"-1.23"_s);
    EXPECT_EQ((QStringList{u"A02"_s}), codes());
    EXPECT_EQ(u"-3.000"_s, model.footerText(Qty));
    EXPECT_EQ(u"-1.23"_s, model.columnFilter(Price));
    // Letter case is ignored; an empty text removes a filter.
    model.setColumnFilter(Price, QString());
    model.setColumnFilter(Code, u"a01"_s);
    EXPECT_EQ((QStringList{u"A01"_s}), codes());
    model.clearColumnFilters();
    EXPECT_EQ(3, model.rowCount());
    // A filter on a masked column sees only the mask.
    build(false);
    model.setColumnFilter(Cost, u"1.2"_s);
    EXPECT_EQ(0, model.rowCount());
    model.setColumnFilter(Cost, u"***"_s);
    EXPECT_EQ(2, model.rowCount());  // the row with a Null cost shows nothing
}

}  // namespace
}  // namespace dyt
