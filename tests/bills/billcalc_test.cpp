// The line computation of the goods bills, the freight allocation and the invoice discount, with
// figures worked out by hand from the rules of each changed column.
#include <gtest/gtest.h>

#include <QStringList>

#include "client/logic/billcalc.h"

using namespace Qt::StringLiterals;

namespace dyt::client::billcalc {
namespace {

constexpr Places kTwo{.qty = 2, .price = 2, .total = 2, .discount = 2, .tax = 2};
// Prices kept to four places, amounts to two: shows which cost total the cost price comes from.
constexpr Places kFinePrices{.qty = 2, .price = 4, .total = 2, .discount = 2, .tax = 2};

// A figure of a line by its name.
double Line::*figureOf(const QString& name) {
    static const std::pair<const char*, double Line::*> figures[] = {
        {"qty", &Line::qty},
        {"price", &Line::price},
        {"total", &Line::total},
        {"discount", &Line::discount},
        {"discountPrice", &Line::discountPrice},
        {"discountTotal", &Line::discountTotal},
        {"tax", &Line::tax},
        {"taxPrice", &Line::taxPrice},
        {"taxTotalSum", &Line::taxTotalSum},
        {"taxTotal", &Line::taxTotal},
        {"yfTotal", &Line::yfTotal},
        {"costPrice", &Line::costPrice},
        {"costTotal", &Line::costTotal},
        {"lsPrice", &Line::lsPrice},
        {"lsTotal", &Line::lsTotal}};
    for (const auto& [n, f] : figures)
        if (name == QLatin1String(n))
            return f;
    ADD_FAILURE() << "no figure " << name.toStdString();
    return &Line::qty;
}

// The name=value pairs of a text, separated by spaces.
QList<std::pair<QString, double>> pairsOf(const char* text) {
    QList<std::pair<QString, double>> out;
    for (const QString& item : QString::fromLatin1(text).split(u' '))
        out.append({item.section(u'=', 0, 0), item.section(u'=', 1).toDouble()});
    return out;
}

TEST(LineByChangedColumn, FiguresFollowFromTheChangedColumn) {
    constexpr Places kOwn{.qty = 1, .price = 3, .total = 2, .discount = 1, .tax = 0};
    struct Case {
        const char* columns;   // each gives the same figures; "-" for no column
        const char* in;        // the figures of the line before (the discount is 1 unless given)
        const char* expected;  // the figures that follow
        Places places = kTwo;
    };
    const Case cases[] = {
        // 3 × 10 = 30; at 0.9: 9 each, 27; with 13 % tax: 10.17 each, 30.51, tax 3.51.
        {"qty Price PRICE", "qty=3 price=10 discount=0.9 tax=13 lsPrice=12",
         "total=30 discountPrice=9 discountTotal=27 taxPrice=10.17 taxTotalSum=30.51 taxTotal=3.51 "
         "lsTotal=36 costTotal=27 costPrice=9"},
        // The cost price comes from the rounded cost total: round(9.999) / 3 = 3.3333, not 3.333.
        {"qty", "qty=3 price=3.333", "costTotal=10 costPrice=3.3333", kFinePrices},
        // Quantity 0 becomes 1.
        {"qty", "qty=0 price=5", "qty=1 total=5 taxTotalSum=5"},
        // 50 over 4 = 12.5; at 0.8: 10 and 40; 10 % tax: 11 and 44; freight 2 makes cost 42.
        {"Total", "qty=4 total=50 discount=0.8 tax=10 yfTotal=2",
         "price=12.5 discountPrice=10 discountTotal=40 taxPrice=11 taxTotalSum=44 taxTotal=4 "
         "costTotal=42 costPrice=10.5"},
        // The discounted amount and the cost stay as they were (here deliberately stale).
        {"tax", "qty=3 price=10 discount=0.9 discountTotal=27 tax=13 costPrice=33 costTotal=99",
         "taxPrice=10.17 taxTotalSum=30.51 taxTotal=3.51 discountTotal=27 costTotal=99 "
         "costPrice=33"},
        // 11.3 with 13 % tax is 10 before tax; 2 of them: 22.6 with tax, 20 without.
        {"TaxPrice", "qty=2 tax=13 taxPrice=11.3",
         "taxTotalSum=22.6 discountPrice=10 price=10 total=20 discountTotal=20 taxTotal=2.6 "
         "costPrice=10"},
        // 10 with 13 % tax: 8.849557… before tax. The cost price comes from the exact cost total
        // (8.8496 at four places) and not from the rounded one (8.85).
        {"taxprice", "qty=1 tax=13 taxPrice=10",
         "price=8.8496 discountTotal=8.85 taxTotal=1.15 costPrice=8.8496", kFinePrices},
        // 113 with 13 % tax is 100 after the discount 0.5, so 200 before it, 50 each of 4.
        {"taxTotalSum", "qty=4 discount=0.5 tax=13 taxTotalSum=113",
         "discountTotal=100 discountPrice=25 total=200 price=50 taxPrice=28.25 taxTotal=13 "
         "costTotal=100 costPrice=25"},
        // Discount 0.8 of 2 × 10 with 10 % tax: 8 each, 16, with tax 8.8 and 17.6.
        {"discount", "qty=2 price=10 discount=0.8 tax=10",
         "discountPrice=8 discountTotal=16 taxPrice=8.8 taxTotalSum=17.6 taxTotal=1.6 costPrice=8"},
        // The discount is kept within 1 to 10: the discounted amount is 2 × 10 × the one kept.
        {"discount", "qty=2 price=10 discount=12", "discount=10 discountTotal=200"},
        {"discount", "qty=2 price=10 discount=0", "discount=1 discountTotal=20"},
        {"discount", "qty=2 price=10 discount=-3", "discount=1 discountTotal=20"},
        {"discount", "qty=2 price=10 discount=10", "discount=10 discountTotal=200"},
        {"discount", "qty=2 price=10 discount=0.5", "discount=0.5 discountTotal=10"},
        // A discounted price of 15 on 20 is the discount 0.75; without a price the discount is 1.
        {"discountprice", "qty=2 price=20 discountPrice=15",
         "discount=0.75 discountTotal=30 taxPrice=15 taxTotalSum=30"},
        {"discountprice", "qty=2 price=0 discount=0.5 discountPrice=15",
         "discount=1 discountTotal=0"},
        // A discounted amount of 30 on 4 × 10 is the discount 0.75; without tax the amounts with
        // tax equal the discounted ones, with 10 % tax they follow from the discount.
        {"discounttotal", "qty=4 price=10 discountTotal=30",
         "discount=0.75 discountPrice=7.5 taxTotalSum=30 taxPrice=7.5 costTotal=30"},
        {"discounttotal", "qty=4 price=10 discountTotal=30 tax=10",
         "taxPrice=8.25 taxTotalSum=33 taxTotal=3"},
        {"discounttotal", "qty=4 price=0 discount=0.5 discountTotal=30",
         "discount=1 discountPrice=0"},
        // Freight changes the cost only.
        {"yftotal",
         "qty=4 price=25 total=100 discountPrice=25 discountTotal=100 taxTotalSum=100 yfTotal=5",
         "costTotal=105 costPrice=26.25 discountTotal=100 taxTotalSum=100 price=25 yfTotal=5"},
        // qty 1.234 → 1.2 (one place); price 3.33333 → 3.333 (three); discount to one place
        // (0.66 → 0.7); tax rate to no places. The amounts use the exact quantity and price:
        // 1.234 × 3.33333 = 4.1133… → 4.11.
        {"qty", "qty=1.234 price=3.33333 discount=0.66 tax=12.6",
         "qty=1.2 price=3.333 discount=0.7 tax=13 total=4.11", kOwn},
        // Other columns leave the line alone: no quantity of 1, no discount of 1.
        {"goodsname comment -", "qty=0 price=5 discount=0", "qty=0 discount=0 total=0"},
    };
    for (const Case& c : cases) {
        Line in;
        for (const auto& [name, value] : pairsOf(c.in))
            in.*figureOf(name) = value;
        for (QString column : QString::fromLatin1(c.columns).split(u' ')) {
            SCOPED_TRACE(column.toStdString() + ": " + c.expected);
            if (column == u"-"_s)
                column.clear();
            const Line r = Recalc(in, column, c.places);
            for (const auto& [name, value] : pairsOf(c.expected))
                EXPECT_EQ(value, r.*figureOf(name)) << name.toStdString();
        }
    }
    for (const QString& column : {u"goodsname"_s, u"comment"_s, u""_s})
        EXPECT_FALSE(isComputedColumn(column)) << column.toStdString();
    EXPECT_TRUE(isComputedColumn(u"TAXTOTALSUM"_s));
}

TEST(LineByChangedColumn, DatesFollowEachOtherByTheShelfLife) {
    Line r = Recalc(Line{.outDate = u"2025-01-30"_s, .shelfDays = 10}, u"outdate"_s, kTwo);
    EXPECT_EQ(u"2025-02-09"_s, r.yxqDate);
    r = Recalc(Line{.yxqDate = u"2025-03-01"_s, .shelfDays = 30}, u"yxqdate"_s, kTwo);
    EXPECT_EQ(u"2025-01-30"_s, r.outDate);
    // An empty date changes nothing, and the figures are left alone.
    r = Recalc(Line{.qty = 0, .yxqDate = u"2025-05-05"_s, .shelfDays = 3}, u"outdate"_s, kTwo);
    EXPECT_EQ(u"2025-05-05"_s, r.yxqDate);
    EXPECT_EQ(0, r.qty);
}

TEST(FreightAllocation, SharesByQuantityAndTheLastTakesTheRest) {
    struct Row {
        const char* name; std::vector<std::optional<double>> qtys;
        double freight; std::vector<std::optional<double>> shares;
    } rows[] = {
        {"ten over three", {1, 1, 1}, 10, {3.33, 3.33, 3.34}},
        {"twenty over three", {1, 1, 1}, 20, {6.67, 6.67, 6.66}},
        {"blank line gets none", {2, std::nullopt, 1}, 10, {6.67, std::nullopt, 3.33}},
        {"nothing to share on", {std::nullopt, std::nullopt}, 10, {std::nullopt, std::nullopt}},
        {"zero quantities", {0, 0}, 10, {std::nullopt, std::nullopt}},
        {"exact", {1, 3}, 8, {2, 6}},
    };
    for (const Row& row : rows) {
        const auto shares = allocateFreight(row.qtys, row.freight, 2);
        ASSERT_EQ(row.shares.size(), shares.size()) << row.name;
        for (std::size_t i = 0; i < shares.size(); ++i)
            EXPECT_EQ(row.shares[i], shares[i]) << row.name << " line " << i;
    }
}

TEST(InvoiceDiscount, AmountAfterDiscountRateAndTheDefaultDiscount) {
    EXPECT_EQ(30, amountAfterDiscount(30.51, 0.51, 2));
    EXPECT_EQ(25.5, amountAfterDiscount(30.51, 5.01, 2));
    struct Row { double rate; double sum; double normalised; double amount; } rows[] = {
        {10, 30.51, 10, 3.05},   // 3.051
        {15, 33.33, 15, 5},      // 4.9995 rounds away from zero
        {0, 30.51, 0, 0},        //
        {-5, 100, 0, 0},         // below 0: not accepted
        {100, 100, 0, 0},        // 100 and more: not accepted
        {99.5, 200, 99.5, 199},  //
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.normalised, normalizedDiscountRate(r.rate)) << r.rate;
        EXPECT_EQ(r.amount, discountAmountOfRate(r.rate, r.sum, 2)) << r.rate;
    }
    // The default discount lies between 0 and 1.
    const std::pair<double, bool> defaults[] = {{0, true},     {1, true},     {0.9, true},
                                                {1.01, false}, {-0.1, false}, {9, false}};
    for (const auto& [value, valid] : defaults)
        EXPECT_EQ(valid, validDefaultDiscount(value)) << value;
}

}  // namespace
}  // namespace dyt::client::billcalc
