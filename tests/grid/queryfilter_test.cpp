// The query filter (TfrmXQueryFilter): the ten operators on numbers, texts, dates and masked
// costs, the three scopes, locating, the condition text and the errors.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <utility>
#include <vector>

#include "client/common/frmxqueryfilter.h"
#include "client/common/gridview.h"
#include "client/common/queryfilter.h"
#include "client/logic/recordsetmodel.h"
#include "support/client/scriptedprompter.h"
#include "common/error.h"
#include "grid/printers.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt {
namespace {

using gridfilter::FilterOperator;
using gridfilter::FilterScope;
using gridfilter::QueryFilter;
using test::errorOf;

// Five goods; the cost column is masked for this operator (no right 6003).
class QueryFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        rs = test::withFields("code text, name text, qty float, price float, cost float, "
            "day date, id integer, memo text");
        const QVariant null;
        rs.appendRow({u"A001"_s, u"铅笔"_s, 10.0, 1.5, 1.0, QDate(2024, 1, 5), 1});
        rs.appendRow({u"A002"_s, u"钢笔"_s, 5.0, 12.25, 8.0, QDate(2024, 2, 10), 2});
        rs.appendRow({u"B001"_s, u"笔记本"_s, 0.5, -3.0, 2.0, QDate(2024, 3, 1), 3});
        rs.appendRow({u"b100%"_s, u"100% 棉'布"_s, null, 20.0, null, null, 4});
        rs.appendRow({u"C_01"_s, u"橡皮"_s, 2.004, 0.995, 0.3, QDate(2024, 3, 15), 5});
        def.context.qtyDot = 2;
        def.context.priceDot = 2;
        def.context.totalDot = 2;
        def.context.canSeeCost = false;
        AddGridColumn(def, u"编号"_s, u"code"_s, false, 60);
        AddGridColumn(def, u"名称"_s, u"name"_s, false, 80);
        AddGridColumn(def, u"[%Q%]数量"_s, u"qty"_s, false, 60);
        AddGridColumn(def, u"[%P%]单价"_s, u"price"_s, false, 60);
        AddGridColumn(def, u"[%M%Cost%]成本"_s, u"cost"_s, false, 60);
        AddGridColumn(def, u"日期"_s, u"day"_s, false, 80);
        AddGridColumn(def, u"序号"_s, u"id"_s, false, 40);
        AddGridColumn(def, u"[%F%]备注"_s, u"memo"_s, false, 40);
        AddGridColumn(def, u"操作"_s, QString(), false, 40);
        model.setSource(&rs, &def);
        view.setModel(&model);
    }
    int column(const char* field) const { return def.columnIndex(QLatin1String(field)); }
    gridfilter::QueryCondition condition(const char* field, FilterOperator op,
                                         const QString& value) const {
        return QueryFilter::makeCondition(def, column(field), op, value);
    }
    // The codes of the rows the grid shows, in its order.
    QStringList shownCodes() const {
        QStringList out;
        for (int r = 0; r < model.rowCount(); ++r)
            out.append(model.displayText(r, 0));
        return out;
    }
    void filter(const char* field, FilterOperator op, const QString& value,
                FilterScope scope = FilterScope::New) {
        gridfilter::applyQueryFilter(&view, condition(field, op, value), scope);
    }
    RecordSet rs;
    GridDefinition def;
    RecordSetModel model;
    GridView view;
};

TEST_F(QueryFilterTest, OperatorsByValueKind) {
    using O = FilterOperator;
    struct Case {
        const char* field;
        FilterOperator op;
        QString value;
        QStringList codes;
    };
    const QString a1 = u"A001"_s, a2 = u"A002"_s, b1 = u"B001"_s, b100 = u"b100%"_s, c1 = u"C_01"_s;
    const Case cases[] = {
        // Quantities (two places): compared as the grid shows them; an empty cell meets nothing.
        {"qty", O::Equal, u"10"_s, {a1}}, {"qty", O::Equal, u"2"_s, {c1}},
        {"qty", O::Equal, u"10.00"_s, {a1}}, {"qty", O::Greater, u"2"_s, {a1, a2}},
        {"qty", O::Less, u"2"_s, {b1}}, {"qty", O::NotEqual, u"10"_s, {a2, b1, c1}},
        {"qty", O::GreaterEqual, u"5"_s, {a1, a2}}, {"qty", O::LessEqual, u"2"_s, {b1, c1}},
        // Prices: 0.995 shows as 1.00, the negative price is a number like any other.
        {"price", O::Equal, u"1"_s, {c1}}, {"price", O::LessEqual, u"0"_s, {b1}},
        {"price", O::Like, u"2.2"_s, {a2}}, {"price", O::LeftMatch, u"-3"_s, {b1}},
        // Texts: letter case ignored, "%" "_" "'" typed by the operator are plain characters.
        {"name", O::Like, u"笔"_s, {a1, a2, b1}}, {"name", O::LeftMatch, u"笔"_s, {b1}},
        {"name", O::RightMatch, u"笔"_s, {a1, a2}}, {"name", O::NotLike, u"笔"_s, {b100, c1}},
        {"name", O::Equal, u"橡皮"_s, {c1}}, {"name", O::NotEqual, u"橡皮"_s, {a1, a2, b1, b100}},
        {"name", O::Like, u"%"_s, {b100}}, {"name", O::Like, u"'"_s, {b100}},
        {"code", O::Like, u"_"_s, {c1}}, {"code", O::RightMatch, u"0%"_s, {b100}},
        {"code", O::Equal, u"a001"_s, {a1}}, {"code", O::LeftMatch, u"b"_s, {b1, b100}},
        {"code", O::Greater, u"B001"_s, {b100, c1}}, {"code", O::Less, u"B"_s, {a1, a2}},
        // Dates as their "yyyy-mm-dd" text; an empty date is the empty text.
        {"day", O::GreaterEqual, u"2024-03-01"_s, {b1, c1}},
        {"day", O::LeftMatch, u"2024-02"_s, {a2}},
        // An integer field in a text column compares as a number: 10 is more than 5.
        {"id", O::Less, u"10"_s, {a1, a2, b1, b100, c1}}, {"id", O::Greater, u"3"_s, {b100, c1}},
        // A masked cost shows "***" only and gives nothing away.
        {"cost", O::Equal, u"8"_s, {}}, {"cost", O::Like, u"*"_s, {a1, a2, b1, c1}}};
    for (const Case& c : cases) {
        filter(c.field, c.op, c.value);
        EXPECT_EQ(c.codes, shownCodes())
            << c.field << " " << int(c.op) << " " << c.value.toStdString();
    }
}

// Each step is applied to what the steps before it left, in the order the operator took them.
TEST_F(QueryFilterTest, ScopesChainTheConditions) {
    using S = FilterScope;
    const QString pen = u"(【名称】类似于 [笔])"_s;
    const struct {
        std::vector<std::pair<gridfilter::QueryCondition, FilterScope>> steps;
        QStringList codes;
        QString text;
    } cases[] = {
        {{{condition("name", FilterOperator::Like, u"笔"_s), S::New},
          {condition("code", FilterOperator::Equal, u"C_01"_s), S::New}},
         {u"C_01"_s},
         u"(【编号】等于 [C_01])"_s},
        {{{condition("name", FilterOperator::Like, u"笔"_s), S::New},
          {condition("qty", FilterOperator::Greater, u"1"_s), S::WithinLast}},
         {u"A001"_s, u"A002"_s},
         pen + u"并且(【数量】大于 [1])"_s},
        {{{condition("name", FilterOperator::Like, u"笔"_s), S::New},
          {condition("code", FilterOperator::Equal, u"C_01"_s), S::MergeWithLast}},
         {u"A001"_s, u"A002"_s, u"B001"_s, u"C_01"_s},
         pen + u"或者(【编号】等于 [C_01])"_s},
        // (笔 or C_01) and qty > 1: B001 (0.5) drops out; with "and" binding first it would stay.
        {{{condition("name", FilterOperator::Like, u"笔"_s), S::New},
          {condition("code", FilterOperator::Equal, u"C_01"_s), S::MergeWithLast},
          {condition("qty", FilterOperator::GreaterEqual, u" 1.5 "_s), S::WithinLast}},
         {u"A001"_s, u"A002"_s, u"C_01"_s},
         pen + u"或者(【编号】等于 [C_01])并且(【数量】大于等于 [1.5])"_s}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        for (const auto& [step, scope] : c.steps)
            gridfilter::applyQueryFilter(&view, step, scope);
        EXPECT_EQ(c.codes, shownCodes());
        EXPECT_EQ(c.text, gridfilter::currentQueryFilter(&view).text());
    }
    // A scope on an empty chain starts it.
    gridfilter::clearQueryFilter(&view);
    filter("name", FilterOperator::Like, u"笔"_s, FilterScope::MergeWithLast);
    EXPECT_EQ(3, model.rowCount());
    EXPECT_EQ(u"(【名称】类似于 [笔])"_s, gridfilter::currentQueryFilter(&view).text());
    gridfilter::clearQueryFilter(&view);
    EXPECT_EQ(5, model.rowCount());
    EXPECT_TRUE(gridfilter::currentQueryFilter(&view).isEmpty());
}

TEST_F(QueryFilterTest, TheFilterStaysThroughAReloadAndErrors) {
    filter("name", FilterOperator::Like, u"笔"_s);
    rs.appendRow({u"D001"_s, u"毛笔"_s, 1.0, 1.0, 1.0});
    model.reload();
    EXPECT_EQ((QStringList{u"A001"_s, u"A002"_s, u"B001"_s, u"D001"_s}), shownCodes());
    // Errors.
    for (const QString& empty : {QString(), u"  "_s})
        EXPECT_EQ(u"AValue 不能为空"_s,
                  errorOf([&] { condition("name", FilterOperator::Equal, empty); }));
    EXPECT_EQ(u"【数量】是数值列，[abc] 不是数值"_s,
              errorOf([&] { condition("qty", FilterOperator::Greater, u"abc"_s); }));
    // Matching a number column by its text needs no number.
    EXPECT_EQ(QString(), errorOf([&] { condition("qty", FilterOperator::Like, u"abc"_s); }));
    const int unbound = def.columns.size() - 1;
    const auto equal = FilterOperator::Equal;
    EXPECT_NE(QString(), errorOf([&] { QueryFilter::makeCondition(def, unbound, equal, u"x"_s); }));
    GridView bare;
    const auto x = condition("name", FilterOperator::Equal, u"x"_s);
    EXPECT_EQ(u" 不支持该类型视图的过滤"_s,
              errorOf([&] { gridfilter::applyQueryFilter(&bare, x, FilterScope::New); }));
    EXPECT_EQ(u" 不支持该类型视图的过滤"_s,
              errorOf([&] { runQueryFilter(nullptr, QueryFilterMode::Filter, nullptr); }));
}

TEST_F(QueryFilterTest, AFailedConditionLeavesTheGridAsItWasAndLocateWraps) {
    filter("name", FilterOperator::Like, u"笔"_s);
    gridfilter::QueryCondition stray = condition("name", FilterOperator::Equal, u"x"_s);
    stray.fieldName = u"nosuch"_s;
    const auto within = FilterScope::WithinLast;
    EXPECT_NE(QString(), errorOf([&] { gridfilter::applyQueryFilter(&view, stray, within); }));
    EXPECT_EQ(3, model.rowCount());
    EXPECT_EQ(u"(【名称】类似于 [笔])"_s, gridfilter::currentQueryFilter(&view).text());
    // Locate moves to the next match and wraps.
    gridfilter::clearQueryFilter(&view);
    const auto pen = condition("name", FilterOperator::Like, u"笔"_s);
    const QList<int> expected{0, 1, 2, 0};
    for (int step = 0; step < expected.size(); ++step) {
        EXPECT_EQ(expected[step], gridfilter::locateRow(&view, pen)) << step;
        EXPECT_EQ(expected[step], view.table()->currentIndex().row()) << step;
    }
    EXPECT_EQ(0, model.currentRow());
    // No match: the focus stays.
    EXPECT_EQ(-1, gridfilter::locateRow(&view, condition("code", FilterOperator::Equal, u"Z9"_s)));
    EXPECT_EQ(0, view.table()->currentIndex().row());
    EXPECT_EQ(5, model.rowCount());  // locating filters nothing
    // Locating follows the grid's order.
    model.sort(0, Qt::DescendingOrder);  // by GBK bytes: b100%, C_01, B001, A002, A001
    EXPECT_EQ(2, gridfilter::locateRow(&view, pen));
    EXPECT_EQ(u"B001"_s, model.displayText(2, 0));
}

TEST_F(QueryFilterTest, DialogOffersShownColumnsAndAppliesOnEnter) {
    client::ScriptedPrompter prompter;
    client::PrompterOverride use(&prompter);
    filter("name", FilterOperator::Like, u"笔"_s);
    TfrmXQueryFilter dialog(&view, QueryFilterMode::Filter);
    // The hidden memo and the unbound column are not offered.
    EXPECT_EQ((QList<int>{0, 1, 2, 3, 4, 5, 6}), dialog.offeredColumns());
    EXPECT_EQ(10, dialog.operatorBox()->count());
    EXPECT_EQ(u"(【名称】类似于 [笔])"_s, dialog.conditionLabel()->text());
    // "确定" with an empty value keeps the dialog open.
    dialog.show();
    dialog.btnOKClick();
    ASSERT_EQ(1, prompter.messages().size());
    EXPECT_EQ(u"AValue 不能为空"_s, prompter.messages()[0]);
    EXPECT_EQ(u"提示"_s, prompter.records(client::PromptKind::Message)[0].caption);
    EXPECT_TRUE(dialog.isVisible());
    dialog.setColumn(column("qty"));
    dialog.setOperator(FilterOperator::GreaterEqual);
    dialog.setScope(FilterScope::WithinLast);
    dialog.valueEdit()->setText(u"5"_s);
    QTest::keyClick(dialog.valueEdit(), Qt::Key_Return);
    EXPECT_TRUE(dialog.result());
    EXPECT_EQ((QStringList{u"A001"_s, u"A002"_s}), shownCodes());
    EXPECT_EQ(u"(【名称】类似于 [笔])并且(【数量】大于等于 [5])"_s,
              gridfilter::currentQueryFilter(&view).text());
}

TEST_F(QueryFilterTest, LocateDialogMovesTheFocus) {
    client::ScriptedPrompter prompter;
    client::PrompterOverride use(&prompter);
    TfrmXQueryFilter dialog(&view, QueryFilterMode::Locate);
    dialog.setColumn(column("name"));
    dialog.setOperator(FilterOperator::RightMatch);
    dialog.valueEdit()->setText(u"皮"_s);
    dialog.btnOKClick();
    EXPECT_TRUE(dialog.result());
    EXPECT_EQ(4, view.table()->currentIndex().row());
    EXPECT_EQ(5, model.rowCount());
    TfrmXQueryFilter again(&view, QueryFilterMode::Locate);
    again.setColumn(column("name"));
    again.valueEdit()->setText(u"没有"_s);
    again.btnOKClick();
    EXPECT_FALSE(again.result());
    EXPECT_EQ(1, prompter.messages().size());
    EXPECT_EQ(4, view.table()->currentIndex().row());
}

}  // namespace
}  // namespace dyt
