// The arithmetic of the query windows without widgets: condition strings, bill-type lists, date
// checks, category paths, the parameter list of a query and the derived average prices.
#include <gtest/gtest.h>

#include <QDate>

#include "client/logic/settings.h"
#include "client/logic/queryconditions.h"
#include "common/currency.h"
#include "common/error.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt::client::query {
namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

TEST(QueryConditionStrings, PickerStringsLabelsBillTypesAndSharedDates) {
    const struct { qint64 id; const char* text; } pickers[] = {
        {0, ";id=;issub=1;Other=1"}, {-4, ";id=;issub=1;Other=1"}, {1, ";id=1;issub=1;Other=1"},
        {1234, ";id=1234;issub=1;Other=1"}};
    for (const auto& p : pickers)
        EXPECT_EQ(s(p.text), pickerCondition(p.id)) << p.id;
    const struct { PickerKind kind; const char* all; } kinds[] = {
        {PickerKind::Partner, "全部单位"}, {PickerKind::Employee, "全部职员"},
        {PickerKind::Warehouse, "全部仓库"}, {PickerKind::Department, "全部部门"}};
    for (const auto& k : kinds) {
        EXPECT_EQ(s(k.all), conditionLabel(k.kind, 0, u"旧名字"_s));
        EXPECT_EQ(u"甲公司"_s, conditionLabel(k.kind, 1, u"甲公司"_s));
    }
    // Bill-type lists of the pages.
    const QueryDialogPage* sale = findQueryDialogPage(u"TfrmSelectItems_XS4"_s, u"销售单统计"_s);
    const QueryDialogPage* back =
        findQueryDialogPage(u"TfrmSelectItems_XS4"_s, u"销售退货单统计"_s);
    const QueryDialogPage* boxes = findQueryDialogPage(u"TfrmSelectItems_XS1"_s, u"商品销售统计"_s);
    const QueryDialogPage* none = findQueryDialogPage(u"TfrmSelectItems_XS1"_s, u"销售优惠统计"_s);
    ASSERT_TRUE(sale && back && boxes && none);
    EXPECT_EQ(u" (1,0) "_s, pageBillTypes(*sale, {}));
    EXPECT_EQ(u" (2,0) "_s, pageBillTypes(*back, {}));
    EXPECT_EQ(u" (0) "_s, pageBillTypes(*none, {}));
    // Boxes: 销售单 1, 销售退货单 2, 销售换货单 3, 借转销售单 40, 委托结算单 44, 赠送单 60.
    EXPECT_EQ(u" (1,2,3,40,44,60,0) "_s,
              pageBillTypes(*boxes, {true, true, true, true, true, true}));
    EXPECT_EQ(u" (2,40,0) "_s, pageBillTypes(*boxes, {false, true, false, true, false, false}));
    EXPECT_EQ(u"至少选择一种单据！"_s, dyt::test::errorOf([&] {
                  pageBillTypes(*boxes, {false, false, false, false, false, false});
              }));
    // Shared dates from the login date.
    // The range checks themselves are the query windows' and the group editor's.
    resetSettings();
    settings().LoginDate = QDate(2026, 3, 31);
    resetSharedQueryDates();
    const auto shared = [] {
        return dateText(sharedQueryDates().begin) + u' ' + dateText(sharedQueryDates().end);
    };
    EXPECT_EQ(u"2026-03-01 2026-03-31"_s, shared());
    EXPECT_FALSE(sharedQueryDates().keep);
    sharedQueryDates().begin = QDate(2026, 1, 1);
    EXPECT_EQ(u"2026-01-01 2026-03-31"_s, shared());
    // Another login date starts them again.
    settings().LoginDate = QDate(2026, 5, 10);
    EXPECT_EQ(u"2026-04-10 2026-05-10"_s, shared());
    resetSharedQueryDates();
    resetSettings();
}

TEST(QueryNavigationPaths, ParentPathLastIdAndCategorySegments) {
    const struct { const char* path; const char* parent; qint64 last; } cases[] = {
        {"", "", 0}, {"3,", "", 3}, {"3,7,", "3,", 7}, {"3,7,12,", "3,7,", 12}, {"3,7", "3,", 7}};
    for (const auto& c : cases) {
        EXPECT_EQ(s(c.parent), parentPath(s(c.path))) << c.path;
        EXPECT_EQ(c.last, lastPathId(s(c.path))) << c.path;
    }
    // Going up from "3,7," lands on category 3, from there on the top.
    EXPECT_EQ(3, lastPathId(parentPath(u"3,7,"_s)));
    EXPECT_EQ(0, lastPathId(parentPath(u"3,"_s)));
    // Category segments.
    const struct {
        qint64 category;
        bool list;
        qint64 listCategory;
        const char* quick;
        const char* segment;
    } segments[] = {
        {0, false, 0, "", ";par_id=0"},          {7, false, 0, "", ";par_id=7"},
        {7, true, 0, "", ";isList=1"},           {7, true, 5, "", ";isList=1;isList=1;par_id=5"},
        {7, true, 5, "可乐", ";allfilter=可乐"}, {7, false, 0, "可乐", ";allfilter=可乐"},
        {0, false, 0, "a;b", ";allfilter=a;;b"},  // the operator's ";" is written doubled
    };
    for (const auto& c : segments) {
        Navigation nav;
        nav.category = c.category;
        nav.listMode = c.list;
        nav.listCategory = c.listCategory;
        EXPECT_EQ(s(c.segment), categorySegment(nav, s(c.quick))) << c.segment;
    }
}

TEST(QueryParameters, CategoryTreeOfEachTreeKind) {
    const ParamList p = buildTreeParams(QueryTree::Goods, 7);
    EXPECT_EQ(u"SP"_s, p.value(u"QueryType"_s));
    for (const char* key : {"wldwStr", "zyStr", "ckStr", "bmStr", "kmStr"})
        EXPECT_EQ(u";czy_id=7"_s, p.value(s(key))) << key;
    EXPECT_EQ(u";czy_id=7;TreeView=1"_s, p.value(u"GoodsStr"_s));
    EXPECT_EQ(u"WLDW"_s, buildTreeParams(QueryTree::Partner, 7).value(u"QueryType"_s));
    EXPECT_EQ(u"ck"_s, buildTreeParams(QueryTree::Warehouse, 7).value(u"QueryType"_s));
}

RecordSet priceRows(const QList<QList<double>>& rows) {
    RecordSet rs = test::recordSet({u"Qty:currency"_s, u"discounttotal:currency"_s,
                                    u"taxTotalSum:currency"_s, u"price:float"_s,
                                    u"TaxPrice:float"_s});
    for (const QList<double>& r : rows) {
        rs.appendRow({QVariant::fromValue(Currency::fromDouble(r[0])),
                      QVariant::fromValue(Currency::fromDouble(r[1])),
                      QVariant::fromValue(Currency::fromDouble(r[2])), r[3], r[4]});
    }
    return rs;
}

TEST(DerivedPrices, AveragePricesFromQuantityAndAmounts) {
    const QList<QueryDerivedPrice> derived = findQueryDescriptor(u"TfrmQXSDTJ"_s)->derived;
    // qty, income, tax-inclusive, price sent, tax price sent -> price, tax price shown
    const struct { const char* name; QList<double> row; double price; double taxPrice; } cases[] = {
        {"plain", {4, 10, 11.3, 0, 0}, 2.5, 2.825},
        {"zero quantity keeps the server's prices", {0, 5, 6, 9, 9.5}, 9, 9.5},
        {"returns give positive prices", {-3, -10, -11.3, 0, 0}, 3.333333, 3.766667},
        {"zero income keeps the price", {3, 0, 3, 1.5, 0}, 1.5, 1},
        {"six decimals, half away from zero", {7, 1, 0, 0, 0}, 0.142857, 0},
        {"negative quantity, positive income", {-8, 2, 2, 0, 0}, 0.25, 0.25},
    };
    for (const auto& c : cases) {
        RecordSet rs = priceRows({c.row});
        deriveAveragePrices(rs, derived, u"0.000000"_s);
        EXPECT_DOUBLE_EQ(c.price, rs.at(0, rs.fieldIndex(u"price"_s)).toDouble()) << c.name;
        EXPECT_DOUBLE_EQ(c.taxPrice, rs.at(0, rs.fieldIndex(u"TaxPrice"_s)).toDouble()) << c.name;
    }
    // Missing target fields are added and text values read.
    RecordSet rs = test::recordSet({u"qty"_s, u"discounttotal"_s, u"taxTotalSum"_s},
                                   {{u"2"_s, u"5"_s, u"5.65"_s}});
    deriveAveragePrices(rs, findQueryDescriptor(u"TfrmQXSDTJ"_s)->derived, u"0.000000"_s);
    ASSERT_TRUE(rs.hasField(u"price"_s));
    ASSERT_TRUE(rs.hasField(u"TaxPrice"_s));
    EXPECT_DOUBLE_EQ(2.5, rs.at(0, rs.fieldIndex(u"price"_s)).toDouble());
    EXPECT_DOUBLE_EQ(2.825, rs.at(0, rs.fieldIndex(u"TaxPrice"_s)).toDouble());
}

TEST(QueryParameters, BillListsSendTheirBillStateAndRedFilter) {
    const struct {
        const char* className;
        const char* state;  // "" when the line is not sent
    } cases[] = {{"TfrmQJYLC", "2"}, {"TfrmQYWCG", "1"}, {"TfrmQXSDDCX", ""}, {"TfrmQXSDTJ", ""}};
    for (const auto& c : cases) {
        QueryRequest r;
        r.descriptor = findQueryDescriptor(QString::fromUtf8(c.className));
        ASSERT_NE(nullptr, r.descriptor) << c.className;
        r.operatorId = 7;
        r.redIndex = 1;
        const ParamList p = buildQueryParams(r);
        EXPECT_EQ(QString::fromUtf8(c.state), p.value(u"dj_state"_s)) << c.className;
        EXPECT_EQ(*c.state != 0, p.contains(u"dj_state"_s)) << c.className;
        EXPECT_EQ(r.descriptor->opensBills() ? u";isred=1"_s : u";qty=0"_s, p.value(u"filter"_s))
            << c.className;
    }
}

}  // namespace
}  // namespace dyt::client::query
