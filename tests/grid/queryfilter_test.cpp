// The query filter (TfrmXQueryFilter): the ten operators on numbers, texts, dates and masked
// costs, the three scopes, locating, the condition text and the errors.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "client/common/frmxqueryfilter.h"
#include "client/common/gridview.h"
#include "client/common/queryfilter.h"
#include "client/logic/recordsetmodel.h"
#include "support/client/scriptedprompter.h"
#include "common/error.h"
#include "grid/printers.h"
#include "grid/screenshot.h"
#include "support/testutil.h"

namespace dyt {
namespace {

using gridfilter::FilterOperator;
using gridfilter::FilterScope;
using gridfilter::QueryFilter;
using test::errorOf;

TEST(QueryFilterTexts, LikePatternsPutThePercentSigns) {
    const QString v = QStringLiteral("笔");
    EXPECT_EQ(QStringLiteral("%笔%"), gridfilter::LikePattern(FilterOperator::Like, v));
    EXPECT_EQ(QStringLiteral("笔%"), gridfilter::LikePattern(FilterOperator::LeftMatch, v));
    EXPECT_EQ(QStringLiteral("%笔"), gridfilter::LikePattern(FilterOperator::RightMatch, v));
    EXPECT_EQ(QStringLiteral("%笔%"), gridfilter::LikePattern(FilterOperator::NotLike, v));
    EXPECT_EQ(QStringLiteral("笔"), gridfilter::LikePattern(FilterOperator::Equal, v));
}

// Five goods; the cost column is masked for this operator (no right 6003).
class QueryFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        rs.addField(QStringLiteral("code"), FieldType::Text);
        rs.addField(QStringLiteral("name"), FieldType::Text);
        rs.addField(QStringLiteral("qty"), FieldType::Float);
        rs.addField(QStringLiteral("price"), FieldType::Float);
        rs.addField(QStringLiteral("cost"), FieldType::Float);
        rs.addField(QStringLiteral("day"), FieldType::Date);
        rs.addField(QStringLiteral("id"), FieldType::Integer);
        rs.addField(QStringLiteral("memo"), FieldType::Text);
        const QVariant null;
        rs.appendRow(
            {QStringLiteral("A001"), QStringLiteral("铅笔"), 10.0, 1.5, 1.0, QDate(2024, 1, 5), 1});
        rs.appendRow({QStringLiteral("A002"), QStringLiteral("钢笔"), 5.0, 12.25, 8.0,
                      QDate(2024, 2, 10), 2});
        rs.appendRow({QStringLiteral("B001"), QStringLiteral("笔记本"), 0.5, -3.0, 2.0,
                      QDate(2024, 3, 1), 3});
        rs.appendRow(
            {QStringLiteral("b100%"), QStringLiteral("100% 棉'布"), null, 20.0, null, null, 4});
        rs.appendRow({QStringLiteral("C_01"), QStringLiteral("橡皮"), 2.004, 0.995, 0.3,
                      QDate(2024, 3, 15), 5});

        def.context.qtyDot = 2;
        def.context.priceDot = 2;
        def.context.totalDot = 2;
        def.context.canSeeCost = false;
        AddGridColumn(def, QStringLiteral("编号"), QStringLiteral("code"), false, 60);
        AddGridColumn(def, QStringLiteral("名称"), QStringLiteral("name"), false, 80);
        AddGridColumn(def, QStringLiteral("[%Q%]数量"), QStringLiteral("qty"), false, 60);
        AddGridColumn(def, QStringLiteral("[%P%]单价"), QStringLiteral("price"), false, 60);
        AddGridColumn(def, QStringLiteral("[%M%Cost%]成本"), QStringLiteral("cost"), false, 60);
        AddGridColumn(def, QStringLiteral("日期"), QStringLiteral("day"), false, 80);
        AddGridColumn(def, QStringLiteral("序号"), QStringLiteral("id"), false, 40);
        AddGridColumn(def, QStringLiteral("[%F%]备注"), QStringLiteral("memo"), false, 40);
        AddGridColumn(def, QStringLiteral("操作"), QString(), false, 40);
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
        gridfilter::ApplyQueryFilter(&view, condition(field, op, value), scope);
    }

    RecordSet rs;
    GridDefinition def;
    RecordSetModel model;
    GridView view;
};

TEST_F(QueryFilterTest, OperatorsByValueKind) {
    struct Case {
        const char* name;
        const char* field;
        FilterOperator op;
        QString value;
        QStringList codes;
    };
    const QString a1 = QStringLiteral("A001"), a2 = QStringLiteral("A002"),
                  b1 = QStringLiteral("B001"), b100 = QStringLiteral("b100%"),
                  c1 = QStringLiteral("C_01");
    const Case cases[] = {
        // Quantities (two places): compared as the grid shows them; an empty cell meets nothing.
        {"qty equal", "qty", FilterOperator::Equal, QStringLiteral("10"), {a1}},
        {"qty equal at shown places", "qty", FilterOperator::Equal, QStringLiteral("2"), {c1}},
        {"qty equal with places", "qty", FilterOperator::Equal, QStringLiteral("10.00"), {a1}},
        {"qty greater", "qty", FilterOperator::Greater, QStringLiteral("2"), {a1, a2}},
        {"qty less", "qty", FilterOperator::Less, QStringLiteral("2"), {b1}},
        {"qty not equal", "qty", FilterOperator::NotEqual, QStringLiteral("10"), {a2, b1, c1}},
        {"qty greater or equal",
         "qty",
         FilterOperator::GreaterEqual,
         QStringLiteral("5"),
         {a1, a2}},
        {"qty less or equal", "qty", FilterOperator::LessEqual, QStringLiteral("2"), {b1, c1}},
        // Prices: 0.995 shows as 1.00, the negative price is a number like any other.
        {"price equal rounded", "price", FilterOperator::Equal, QStringLiteral("1"), {c1}},
        {"price not positive", "price", FilterOperator::LessEqual, QStringLiteral("0"), {b1}},
        {"price like on the shown text",
         "price",
         FilterOperator::Like,
         QStringLiteral("2.2"),
         {a2}},
        {"price left match", "price", FilterOperator::LeftMatch, QStringLiteral("-3"), {b1}},
        // Texts: letter case ignored, "%" "_" "'" typed by the operator are plain characters.
        {"name like", "name", FilterOperator::Like, QStringLiteral("笔"), {a1, a2, b1}},
        {"name left match", "name", FilterOperator::LeftMatch, QStringLiteral("笔"), {b1}},
        {"name right match", "name", FilterOperator::RightMatch, QStringLiteral("笔"), {a1, a2}},
        {"name not like", "name", FilterOperator::NotLike, QStringLiteral("笔"), {b100, c1}},
        {"name equal", "name", FilterOperator::Equal, QStringLiteral("橡皮"), {c1}},
        {"name not equal",
         "name",
         FilterOperator::NotEqual,
         QStringLiteral("橡皮"),
         {a1, a2, b1, b100}},
        {"percent sign is literal", "name", FilterOperator::Like, QStringLiteral("%"), {b100}},
        {"quote is literal", "name", FilterOperator::Like, QStringLiteral("'"), {b100}},
        {"underscore is literal", "code", FilterOperator::Like, QStringLiteral("_"), {c1}},
        {"percent at the end", "code", FilterOperator::RightMatch, QStringLiteral("0%"), {b100}},
        {"code equal ignores case", "code", FilterOperator::Equal, QStringLiteral("a001"), {a1}},
        {"code left match ignores case",
         "code",
         FilterOperator::LeftMatch,
         QStringLiteral("b"),
         {b1, b100}},
        {"code greater as text",
         "code",
         FilterOperator::Greater,
         QStringLiteral("B001"),
         {b100, c1}},
        {"code less as text", "code", FilterOperator::Less, QStringLiteral("B"), {a1, a2}},
        // Dates as their "yyyy-mm-dd" text; an empty date is the empty text.
        {"date from", "day", FilterOperator::GreaterEqual, QStringLiteral("2024-03-01"), {b1, c1}},
        {"date month", "day", FilterOperator::LeftMatch, QStringLiteral("2024-02"), {a2}},
        // An integer field in a text column compares as a number: 10 is more than 5.
        {"integer as number",
         "id",
         FilterOperator::Less,
         QStringLiteral("10"),
         {a1, a2, b1, b100, c1}},
        {"integer greater", "id", FilterOperator::Greater, QStringLiteral("3"), {b100, c1}},
        // A masked cost shows "***" only and gives nothing away.
        {"masked cost equal", "cost", FilterOperator::Equal, QStringLiteral("8"), {}},
        {"masked cost like", "cost", FilterOperator::Like, QStringLiteral("*"), {a1, a2, b1, c1}},
    };
    for (const Case& c : cases) {
        filter(c.field, c.op, c.value);
        EXPECT_EQ(c.codes, shownCodes()) << c.name;
    }
}

TEST_F(QueryFilterTest, ConditionTextShowsColumnOperatorAndValue) {
    EXPECT_EQ(QStringLiteral("(【名称】类似于 [笔])"),
              condition("name", FilterOperator::Like, QStringLiteral("笔")).text());
    EXPECT_EQ(QStringLiteral("(【数量】大于等于 [2.5])"),
              condition("qty", FilterOperator::GreaterEqual, QStringLiteral(" 2.5 ")).text());
}

TEST_F(QueryFilterTest, NewConditionReplacesTheLastOne) {
    filter("name", FilterOperator::Like, QStringLiteral("笔"));
    filter("code", FilterOperator::Equal, QStringLiteral("C_01"), FilterScope::New);
    EXPECT_EQ(QStringList{QStringLiteral("C_01")}, shownCodes());
    EXPECT_EQ(QStringLiteral("(【编号】等于 [C_01])"),
              gridfilter::CurrentQueryFilter(&view).text());
}

TEST_F(QueryFilterTest, FilterWithinTheLastResult) {
    filter("name", FilterOperator::Like, QStringLiteral("笔"));
    filter("qty", FilterOperator::Greater, QStringLiteral("1"), FilterScope::WithinLast);
    EXPECT_EQ((QStringList{QStringLiteral("A001"), QStringLiteral("A002")}), shownCodes());
    EXPECT_EQ(QStringLiteral("(【名称】类似于 [笔])并且(【数量】大于 [1])"),
              gridfilter::CurrentQueryFilter(&view).text());
}

TEST_F(QueryFilterTest, MergeWithTheLastResult) {
    filter("name", FilterOperator::Like, QStringLiteral("笔"));
    filter("code", FilterOperator::Equal, QStringLiteral("C_01"), FilterScope::MergeWithLast);
    EXPECT_EQ((QStringList{QStringLiteral("A001"), QStringLiteral("A002"), QStringLiteral("B001"),
                           QStringLiteral("C_01")}),
              shownCodes());
    EXPECT_EQ(QStringLiteral("(【名称】类似于 [笔])或者(【编号】等于 [C_01])"),
              gridfilter::CurrentQueryFilter(&view).text());
}

TEST_F(QueryFilterTest, StepsApplyInTheOrderTheOperatorTookThem) {
    // (笔 or C_01) and qty > 1: B001 (0.5) drops out; with "and" binding first it would stay.
    filter("name", FilterOperator::Like, QStringLiteral("笔"));
    filter("code", FilterOperator::Equal, QStringLiteral("C_01"), FilterScope::MergeWithLast);
    filter("qty", FilterOperator::Greater, QStringLiteral("1"), FilterScope::WithinLast);
    EXPECT_EQ((QStringList{QStringLiteral("A001"), QStringLiteral("A002"), QStringLiteral("C_01")}),
              shownCodes());
}

TEST_F(QueryFilterTest, AScopeOnAnEmptyChainStartsIt) {
    filter("name", FilterOperator::Like, QStringLiteral("笔"), FilterScope::MergeWithLast);
    EXPECT_EQ(3, model.rowCount());
    EXPECT_EQ(QStringLiteral("(【名称】类似于 [笔])"),
              gridfilter::CurrentQueryFilter(&view).text());
    gridfilter::ClearQueryFilter(&view);
    EXPECT_EQ(5, model.rowCount());
    EXPECT_TRUE(gridfilter::CurrentQueryFilter(&view).isEmpty());
}

TEST_F(QueryFilterTest, TheFilterStaysThroughAReload) {
    filter("name", FilterOperator::Like, QStringLiteral("笔"));
    rs.appendRow({QStringLiteral("D001"), QStringLiteral("毛笔"), 1.0, 1.0, 1.0});
    model.reload();
    EXPECT_EQ((QStringList{QStringLiteral("A001"), QStringLiteral("A002"), QStringLiteral("B001"),
                           QStringLiteral("D001")}),
              shownCodes());
}

TEST_F(QueryFilterTest, Errors) {
    for (const QString& empty : {QString(), QStringLiteral("  ")}) {
        EXPECT_EQ(QStringLiteral("AValue 不能为空"),
                  errorOf([&] { condition("name", FilterOperator::Equal, empty); }));
    }
    EXPECT_EQ(QStringLiteral("【数量】是数值列，[abc] 不是数值"),
              errorOf([&] { condition("qty", FilterOperator::Greater, QStringLiteral("abc")); }));
    // Matching a number column by its text needs no number.
    EXPECT_EQ(QString(),
              errorOf([&] { condition("qty", FilterOperator::Like, QStringLiteral("abc")); }));
    EXPECT_FALSE(errorOf([&] {
                     QueryFilter::makeCondition(def, def.columns.size() - 1, FilterOperator::Equal,
                                                QStringLiteral("x"));
                 }).isEmpty());

    GridView bare;
    EXPECT_EQ(QStringLiteral(" 不支持该类型视图的过滤"), errorOf([&] {
                  gridfilter::ApplyQueryFilter(
                      &bare, condition("name", FilterOperator::Equal, QStringLiteral("x")),
                      FilterScope::New);
              }));
    EXPECT_EQ(QStringLiteral(" 不支持该类型视图的过滤"),
              errorOf([&] { RunQueryFilter(nullptr, QueryFilterMode::Filter, nullptr); }));
}

TEST_F(QueryFilterTest, AFailedConditionLeavesTheGridAsItWas) {
    filter("name", FilterOperator::Like, QStringLiteral("笔"));
    gridfilter::QueryCondition stray =
        condition("name", FilterOperator::Equal, QStringLiteral("x"));
    stray.fieldName = QStringLiteral("nosuch");
    EXPECT_FALSE(errorOf([&] {
                     gridfilter::ApplyQueryFilter(&view, stray, FilterScope::WithinLast);
                 }).isEmpty());
    EXPECT_EQ(3, model.rowCount());
    EXPECT_EQ(QStringLiteral("(【名称】类似于 [笔])"),
              gridfilter::CurrentQueryFilter(&view).text());
}

TEST_F(QueryFilterTest, LocateMovesToTheNextMatchAndWraps) {
    const auto pen = condition("name", FilterOperator::Like, QStringLiteral("笔"));
    const QList<int> expected{0, 1, 2, 0};
    for (int step = 0; step < expected.size(); ++step) {
        EXPECT_EQ(expected[step], gridfilter::LocateRow(&view, pen)) << step;
        EXPECT_EQ(expected[step], view.table()->currentIndex().row()) << step;
    }
    EXPECT_EQ(0, model.currentRow());
    // No match: the focus stays.
    EXPECT_EQ(-1, gridfilter::LocateRow(
                      &view, condition("code", FilterOperator::Equal, QStringLiteral("Z9"))));
    EXPECT_EQ(0, view.table()->currentIndex().row());
    EXPECT_EQ(5, model.rowCount());  // locating filters nothing
}

TEST_F(QueryFilterTest, LocateFollowsTheGridsOrder) {
    model.sort(0, Qt::DescendingOrder);  // by GBK bytes: b100%, C_01, B001, A002, A001
    EXPECT_EQ(2, gridfilter::LocateRow(
                     &view, condition("name", FilterOperator::Like, QStringLiteral("笔"))));
    EXPECT_EQ(QStringLiteral("B001"), model.displayText(2, 0));
}

TEST_F(QueryFilterTest, DialogOffersShownColumnsAndAppliesOnEnter) {
    client::ScriptedPrompter prompter;
    client::PrompterOverride use(&prompter);
    filter("name", FilterOperator::Like, QStringLiteral("笔"));

    TfrmXQueryFilter dialog(&view, QueryFilterMode::Filter);
    EXPECT_EQ(QStringLiteral("过滤"), dialog.windowTitle());
    // The hidden memo and the unbound column are not offered.
    EXPECT_EQ((QList<int>{0, 1, 2, 3, 4, 5, 6}), dialog.offeredColumns());
    EXPECT_EQ(10, dialog.operatorBox()->count());
    EXPECT_EQ(QStringLiteral("(【名称】类似于 [笔])"), dialog.conditionLabel()->text());

    // "确定" with an empty value keeps the dialog open.
    dialog.show();
    dialog.btnOKClick();
    ASSERT_EQ(1, prompter.messages().size());
    EXPECT_EQ(QStringLiteral("AValue 不能为空"), prompter.messages()[0]);
    EXPECT_EQ(QStringLiteral("提示"), prompter.records(client::PromptKind::Message)[0].caption);
    EXPECT_TRUE(dialog.isVisible());

    dialog.setColumn(column("qty"));
    dialog.setOperator(FilterOperator::GreaterEqual);
    dialog.setScope(FilterScope::WithinLast);
    dialog.valueEdit()->setText(QStringLiteral("5"));
    test::saveScreenshot(&dialog, QStringLiteral("frmxqueryfilter"));
    QTest::keyClick(dialog.valueEdit(), Qt::Key_Return);
    EXPECT_TRUE(dialog.result());
    EXPECT_EQ((QStringList{QStringLiteral("A001"), QStringLiteral("A002")}), shownCodes());
    EXPECT_EQ(QStringLiteral("(【名称】类似于 [笔])并且(【数量】大于等于 [5])"),
              gridfilter::CurrentQueryFilter(&view).text());
}

TEST_F(QueryFilterTest, LocateDialogMovesTheFocus) {
    client::ScriptedPrompter prompter;
    client::PrompterOverride use(&prompter);
    TfrmXQueryFilter dialog(&view, QueryFilterMode::Locate);
    EXPECT_EQ(QStringLiteral("定位"), dialog.windowTitle());
    dialog.setColumn(column("name"));
    dialog.setOperator(FilterOperator::RightMatch);
    dialog.valueEdit()->setText(QStringLiteral("皮"));
    dialog.btnOKClick();
    EXPECT_TRUE(dialog.result());
    EXPECT_EQ(4, view.table()->currentIndex().row());
    EXPECT_EQ(5, model.rowCount());

    TfrmXQueryFilter again(&view, QueryFilterMode::Locate);
    again.setColumn(column("name"));
    again.valueEdit()->setText(QStringLiteral("没有"));
    again.btnOKClick();
    EXPECT_FALSE(again.result());
    EXPECT_EQ(1, prompter.messages().size());
    EXPECT_EQ(4, view.table()->currentIndex().row());
}

}  // namespace
}  // namespace dyt
