// The line computation of the goods bills, the freight allocation and the invoice discount, with
// figures worked out by hand from the rules of each changed column.
#include <gtest/gtest.h>

#include "client/logic/billcalc.h"

using namespace Qt::StringLiterals;

namespace dyt::client::billcalc {
namespace {

constexpr Places kTwo{.qty = 2, .price = 2, .total = 2, .discount = 2, .tax = 2};
// Prices kept to four places, amounts to two: shows which cost total the cost price comes from.
constexpr Places kFinePrices{.qty = 2, .price = 4, .total = 2, .discount = 2, .tax = 2};

TEST(LineNormalisation, QuantityZeroBecomesOneAndDiscountIsKeptWithinOneToTen) {
    Line zeroQty{.qty = 0, .price = 5, .discount = 1};
    Line r = Recalc(zeroQty, u"qty"_s, kTwo);
    EXPECT_EQ(1, r.qty);
    EXPECT_EQ(5, r.total);
    EXPECT_EQ(5, r.taxTotalSum);

    struct Row {
        const char* name;
        double discount;
        double stored;
        double discountTotal;  // 2 × 10 × the stored discount
    } rows[] = {{"twelve", 12, 10, 200},
                {"zero", 0, 1, 20},
                {"negative", -3, 1, 20},
                {"ten", 10, 10, 200},
                {"half", 0.5, 0.5, 10}};
    for (const Row& row : rows) {
        const Line in{.qty = 2, .price = 10, .discount = row.discount};
        const Line out = Recalc(in, u"discount"_s, kTwo);
        EXPECT_EQ(row.stored, out.discount) << row.name;
        EXPECT_EQ(row.discountTotal, out.discountTotal) << row.name;
    }
}

TEST(LineByChangedColumn, QuantityOrPriceGivesAmountsTaxAndCost) {
    // 3 × 10 = 30; at 0.9: 9 each, 27; with 13 % tax: 10.17 each, 30.51, tax 3.51.
    const Line in{.qty = 3, .price = 10, .discount = 0.9, .tax = 13, .lsPrice = 12};
    for (const QString& column : {u"qty"_s, u"Price"_s, u"PRICE"_s}) {
        const Line r = Recalc(in, column, kTwo);
        EXPECT_EQ(30, r.total) << column.toStdString();
        EXPECT_EQ(9, r.discountPrice);
        EXPECT_EQ(27, r.discountTotal);
        EXPECT_EQ(10.17, r.taxPrice);
        EXPECT_EQ(30.51, r.taxTotalSum);
        EXPECT_EQ(3.51, r.taxTotal);
        EXPECT_EQ(36, r.lsTotal);
        EXPECT_EQ(27, r.costTotal);
        EXPECT_EQ(9, r.costPrice);
    }
    // The cost price comes from the rounded cost total: round(9.999) / 3 = 3.3333, not 3.333.
    const Line fine = Recalc(Line{.qty = 3, .price = 3.333, .discount = 1}, u"qty"_s, kFinePrices);
    EXPECT_EQ(10, fine.costTotal);
    EXPECT_EQ(3.3333, fine.costPrice);
}

TEST(LineByChangedColumn, AmountGivesPriceAndTheRest) {
    // 50 over 4 = 12.5; at 0.8: 10 and 40; 10 % tax: 11 and 44; freight 2 makes cost 42.
    const Line in{.qty = 4, .total = 50, .discount = 0.8, .tax = 10, .yfTotal = 2};
    const Line r = Recalc(in, u"Total"_s, kTwo);
    EXPECT_EQ(12.5, r.price);
    EXPECT_EQ(10, r.discountPrice);
    EXPECT_EQ(40, r.discountTotal);
    EXPECT_EQ(11, r.taxPrice);
    EXPECT_EQ(44, r.taxTotalSum);
    EXPECT_EQ(4, r.taxTotal);
    EXPECT_EQ(42, r.costTotal);
    EXPECT_EQ(10.5, r.costPrice);
}

TEST(LineByChangedColumn, TaxRateChangesTaxFiguresOnly) {
    // The discounted amount and the cost stay as they were (here deliberately stale).
    const Line in{.qty = 3,
                  .price = 10,
                  .discount = 0.9,
                  .discountTotal = 27,
                  .tax = 13,
                  .costPrice = 33,
                  .costTotal = 99};
    const Line r = Recalc(in, u"tax"_s, kTwo);
    EXPECT_EQ(10.17, r.taxPrice);
    EXPECT_EQ(30.51, r.taxTotalSum);
    EXPECT_EQ(3.51, r.taxTotal);
    EXPECT_EQ(27, r.discountTotal);
    EXPECT_EQ(99, r.costTotal);
    EXPECT_EQ(33, r.costPrice);
}

TEST(LineByChangedColumn, PriceWithTaxWorksBackToPriceAndAmounts) {
    // 11.3 with 13 % tax is 10 before tax; 2 of them: 22.6 with tax, 20 without.
    const Line in{.qty = 2, .discount = 1, .tax = 13, .taxPrice = 11.3};
    const Line r = Recalc(in, u"TaxPrice"_s, kTwo);
    EXPECT_EQ(22.6, r.taxTotalSum);
    EXPECT_EQ(10, r.discountPrice);
    EXPECT_EQ(10, r.price);
    EXPECT_EQ(20, r.total);
    EXPECT_EQ(20, r.discountTotal);
    EXPECT_EQ(2.6, r.taxTotal);
    EXPECT_EQ(10, r.costPrice);
    // 10 with 13 % tax: 8.849557… before tax. The cost price comes from the exact cost total
    // (8.8496 at four places) and not from the rounded one (8.85).
    const Line fine = Recalc(Line{.qty = 1, .discount = 1, .tax = 13, .taxPrice = 10},
                             u"taxprice"_s, kFinePrices);
    EXPECT_EQ(8.8496, fine.price);
    EXPECT_EQ(8.85, fine.discountTotal);
    EXPECT_EQ(1.15, fine.taxTotal);
    EXPECT_EQ(8.8496, fine.costPrice);
}

TEST(LineByChangedColumn, AmountWithTaxWorksBackToPriceAndAmounts) {
    // 113 with 13 % tax is 100 after the discount 0.5, so 200 before it, 50 each of 4.
    const Line in{.qty = 4, .discount = 0.5, .tax = 13, .taxTotalSum = 113};
    const Line r = Recalc(in, u"taxTotalSum"_s, kTwo);
    EXPECT_EQ(100, r.discountTotal);
    EXPECT_EQ(25, r.discountPrice);
    EXPECT_EQ(200, r.total);
    EXPECT_EQ(50, r.price);
    EXPECT_EQ(28.25, r.taxPrice);
    EXPECT_EQ(13, r.taxTotal);
    EXPECT_EQ(100, r.costTotal);
    EXPECT_EQ(25, r.costPrice);
}

TEST(LineByChangedColumn, DiscountDiscountedPriceAndDiscountedAmount) {
    // Discount 0.8 of 2 × 10 with 10 % tax: 8 each, 16, with tax 8.8 and 17.6.
    Line r = Recalc(Line{.qty = 2, .price = 10, .discount = 0.8, .tax = 10}, u"discount"_s, kTwo);
    EXPECT_EQ(8, r.discountPrice);
    EXPECT_EQ(16, r.discountTotal);
    EXPECT_EQ(8.8, r.taxPrice);
    EXPECT_EQ(17.6, r.taxTotalSum);
    EXPECT_EQ(1.6, r.taxTotal);
    EXPECT_EQ(8, r.costPrice);

    // A discounted price of 15 on 20 is the discount 0.75.
    r = Recalc(Line{.qty = 2, .price = 20, .discount = 1, .discountPrice = 15}, u"discountprice"_s,
               kTwo);
    EXPECT_EQ(0.75, r.discount);
    EXPECT_EQ(30, r.discountTotal);
    EXPECT_EQ(15, r.taxPrice);
    EXPECT_EQ(30, r.taxTotalSum);
    // Without a price the discount is 1.
    r = Recalc(Line{.qty = 2, .price = 0, .discount = 0.5, .discountPrice = 15}, u"discountprice"_s,
               kTwo);
    EXPECT_EQ(1, r.discount);
    EXPECT_EQ(0, r.discountTotal);

    // A discounted amount of 30 on 4 × 10 is the discount 0.75; without tax the amounts with
    // tax equal the discounted ones, with 10 % tax they follow from the discount.
    r = Recalc(Line{.qty = 4, .price = 10, .discount = 1, .discountTotal = 30}, u"discounttotal"_s,
               kTwo);
    EXPECT_EQ(0.75, r.discount);
    EXPECT_EQ(7.5, r.discountPrice);
    EXPECT_EQ(30, r.taxTotalSum);
    EXPECT_EQ(7.5, r.taxPrice);
    EXPECT_EQ(30, r.costTotal);
    r = Recalc(Line{.qty = 4, .price = 10, .discount = 1, .discountTotal = 30, .tax = 10},
               u"discounttotal"_s, kTwo);
    EXPECT_EQ(8.25, r.taxPrice);
    EXPECT_EQ(33, r.taxTotalSum);
    EXPECT_EQ(3, r.taxTotal);
    r = Recalc(Line{.qty = 4, .price = 0, .discount = 0.5, .discountTotal = 30}, u"discounttotal"_s,
               kTwo);
    EXPECT_EQ(1, r.discount);
    EXPECT_EQ(0, r.discountPrice);
}

TEST(LineByChangedColumn, FreightChangesTheCostOnly) {
    const Line in{.qty = 4,
                  .price = 25,
                  .total = 100,
                  .discount = 1,
                  .discountPrice = 25,
                  .discountTotal = 100,
                  .taxTotalSum = 100,
                  .yfTotal = 5};
    const Line r = Recalc(in, u"yftotal"_s, kTwo);
    EXPECT_EQ(105, r.costTotal);
    EXPECT_EQ(26.25, r.costPrice);
    EXPECT_EQ(100, r.discountTotal);
    EXPECT_EQ(100, r.taxTotalSum);
    EXPECT_EQ(25, r.price);
    EXPECT_EQ(5, r.yfTotal);
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

TEST(LineByChangedColumn, OtherColumnsLeaveTheLineAlone) {
    const Line in{.qty = 0, .price = 5, .discount = 0};
    for (const QString& column : {u"goodsname"_s, u"comment"_s, u""_s}) {
        const Line r = Recalc(in, column, kTwo);
        EXPECT_EQ(0, r.qty) << column.toStdString();
        EXPECT_EQ(0, r.discount);
        EXPECT_EQ(0, r.total);
        EXPECT_FALSE(IsComputedColumn(column));
    }
    EXPECT_TRUE(IsComputedColumn(u"TAXTOTALSUM"_s));
}

TEST(LineRounding, EachColumnTakesItsOwnPlaces) {
    // qty 1.234 → 1.2 (one place); price 3.33333 → 3.333 (three); amounts to two; discount to
    // one place (0.66 → 0.7); tax rate to no places.
    const Places p{.qty = 1, .price = 3, .total = 2, .discount = 1, .tax = 0};
    const Line r =
        Recalc(Line{.qty = 1.234, .price = 3.33333, .discount = 0.66, .tax = 12.6}, u"qty"_s, p);
    EXPECT_EQ(1.2, r.qty);
    EXPECT_EQ(3.333, r.price);
    EXPECT_EQ(0.7, r.discount);
    EXPECT_EQ(13, r.tax);
    // The amounts use the exact quantity and price: 1.234 × 3.33333 = 4.1133… → 4.11.
    EXPECT_EQ(4.11, r.total);
}

TEST(FreightAllocation, SharesByQuantityAndTheLastTakesTheRest) {
    struct Row {
        const char* name;
        std::vector<std::optional<double>> qtys;
        double freight;
        std::vector<std::optional<double>> shares;
    } rows[] = {
        {"ten over three", {1, 1, 1}, 10, {3.33, 3.33, 3.34}},
        {"twenty over three", {1, 1, 1}, 20, {6.67, 6.67, 6.66}},
        {"blank line gets none", {2, std::nullopt, 1}, 10, {6.67, std::nullopt, 3.33}},
        {"nothing to share on", {std::nullopt, std::nullopt}, 10, {std::nullopt, std::nullopt}},
        {"zero quantities", {0, 0}, 10, {std::nullopt, std::nullopt}},
        {"exact", {1, 3}, 8, {2, 6}},
    };
    for (const Row& row : rows) {
        const auto shares = AllocateFreight(row.qtys, row.freight, 2);
        ASSERT_EQ(row.shares.size(), shares.size()) << row.name;
        for (std::size_t i = 0; i < shares.size(); ++i)
            EXPECT_EQ(row.shares[i], shares[i]) << row.name << " line " << i;
    }
}

TEST(InvoiceDiscount, AmountAfterDiscountAndRate) {
    EXPECT_EQ(30, AmountAfterDiscount(30.51, 0.51, 2));
    EXPECT_EQ(25.5, AmountAfterDiscount(30.51, 5.01, 2));
    struct Row {
        double rate;
        double sum;
        double normalised;
        double amount;
    } rows[] = {
        {10, 30.51, 10, 3.05},   // 3.051
        {15, 33.33, 15, 5},      // 4.9995 rounds away from zero
        {0, 30.51, 0, 0},        //
        {-5, 100, 0, 0},         // below 0: not accepted
        {100, 100, 0, 0},        // 100 and more: not accepted
        {99.5, 200, 99.5, 199},  //
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.normalised, NormalizedDiscountRate(r.rate)) << r.rate;
        EXPECT_EQ(r.amount, DiscountAmountOfRate(r.rate, r.sum, 2)) << r.rate;
    }
}

TEST(InvoiceDiscount, DefaultDiscountLiesBetweenZeroAndOne) {
    const struct {
        double value;
        bool valid;
    } rows[] = {{0, true}, {1, true}, {0.9, true}, {1.01, false}, {-0.1, false}, {9, false}};
    for (const auto& r : rows)
        EXPECT_EQ(r.valid, ValidDefaultDiscount(r.value)) << r.value;
}

}  // namespace
}  // namespace dyt::client::billcalc
