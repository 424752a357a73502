// The sales bill's rules without a window: receipt amount, selling-price warnings, negative and
// virtual negative stock, the cost-price prompt, the receivables limit and the buy-and-give gift.

#include <gtest/gtest.h>

#include "client/logic/salesrules.h"

using namespace dyt;
using namespace dyt::client::sales;

namespace {

Currency c(double v) {
    return Currency::fromDouble(v);
}

TEST(SalesReceiptAmount, FollowsTheLinesMinusTheDiscount) {
    // Two lines worth 60 and 40 with a discount of 5 leave 95 to receive.
    EXPECT_EQ(c(95), defaultReceiptAmount({c(60), c(40)}, c(5), 2));
    EXPECT_EQ(c(0), defaultReceiptAmount({}, c(0), 2));
    // The sum is rounded to the money precision: 10.005 + 0 - 0 at two places is 10.01.
    EXPECT_EQ(c(10.01), defaultReceiptAmount({c(10.005)}, c(0), 2));
    // A discount above the lines gives a negative amount, not a clamp.
    EXPECT_EQ(c(-2), defaultReceiptAmount({c(3)}, c(5), 2));
}

TEST(SalesReceiptAmount, FollowsOnlyWithSwitchEnabledAndVisible) {
    struct Row {
        bool on, enabled, visible, expected;
    };
    const Row rows[] = {{true, true, true, true},
                        {false, true, true, false},
                        {true, false, true, false},
                        {true, true, false, false}};
    for (const Row& r : rows)
        EXPECT_EQ(r.expected, receiptFollowsBill(r.on, r.enabled, r.visible))
            << r.on << r.enabled << r.visible;
}

TEST(SalesPriceWarnings, KindsByOptionAndPosting) {
    // Latest purchase 10, lowest sale 8, cost 9; the line sells at 7.5 (below all three).
    const ReferencePrices below{c(10), c(8), c(9)};
    struct Row {
        const char* name;
        PriceOptions options;
        QList<PriceKind> expected;
    };
    const Row rows[] = {
        {"draft, 2035 off, nothing", {false, false, false, false}, {}},
        {"draft, 2035 on, three warnings",
         {true, false, false, false},
         {PriceKind::LatestBuy, PriceKind::Cost, PriceKind::LowestSale}},
        {"posting without rights refuses twice",
         {false, true, false, false},
         {PriceKind::LowestSaleBlock, PriceKind::CostBlock}},
        {"posting with both rights", {false, true, true, true}, {}},
        {"posting with 6013 only", {false, true, true, false}, {PriceKind::CostBlock}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.expected, priceWarnings(below, c(7.5), r.options)) << r.name;
}

TEST(SalesPriceWarnings, LatestPurchasePriceOnlyWhenPositiveAndAbove) {
    const PriceOptions on{true, false, false, false};
    // Selling at 9.99 below the latest purchase price 10: kind 1 only (no cost, no lowest price).
    EXPECT_EQ(QList<PriceKind>{PriceKind::LatestBuy},
              priceWarnings({c(10), c(0), c(0)}, c(9.99), on));
    // Selling exactly at the latest purchase price is no warning.
    EXPECT_EQ(QList<PriceKind>{}, priceWarnings({c(10), c(0), c(0)}, c(10), on));
    // No latest purchase price: nothing even for a price of 0.
    EXPECT_EQ(QList<PriceKind>{}, priceWarnings({c(0), c(0), c(0)}, c(0), on));
    // Prices are compared on four decimals: 9.99995 rounds to 10.0000 (not below 10).
    EXPECT_EQ(QList<PriceKind>{}, priceWarnings({c(10), c(0), c(0)}, c(9.99995), on));
    EXPECT_EQ(c(8), referencePrice({c(10), c(8), c(9)}, PriceKind::LowestSaleBlock));
    EXPECT_EQ(c(9), referencePrice({c(10), c(8), c(9)}, PriceKind::CostBlock));
}

TEST(SalesStock, NegativeStockListsWhatTheBillDrivesBelowZero) {
    // Selling 5 of goods 7 with a stock of 3 leaves -2.
    const QList<StockLine> lines{{1, 7, 5, 1}};
    const QList<NegativeStock> out = negativeStock(lines, {{7, 3, 0}});
    ASSERT_EQ(1, out.size());
    EXPECT_EQ(7, out[0].goodsId);
    EXPECT_EQ(1, out[0].row);
    EXPECT_EQ(3.0, out[0].stock);
    EXPECT_EQ(-2.0, out[0].after);
    // Selling exactly the stock is fine.
    EXPECT_EQ(0, negativeStock({{1, 7, 3, 1}}, {{7, 3, 0}}).size());
}

TEST(SalesStock, QuantitiesAddUpPerGoodsInBaseUnits) {
    // Goods 7 on lines 1 and 3 (2 + 2 against a stock of 3), goods 8 one box of 12 against 10,
    // goods 9 without any stock row, goods 10 within its stock.
    const QList<StockLine> lines{{1, 7, 2, 1}, {2, 8, 1, 12}, {3, 7, 2, 1},
                                 {4, 9, 1, 1}, {5, 10, 1, 1}, {6, 0, 5, 1}};
    const QList<NegativeStock> out = negativeStock(lines, {{7, 3, 0}, {8, 10, 0}, {10, 4, 0}});
    ASSERT_EQ(3, out.size());
    EXPECT_EQ(7, out[0].goodsId);
    EXPECT_EQ(1, out[0].row);
    EXPECT_EQ(-1.0, out[0].after);
    EXPECT_EQ(8, out[1].goodsId);
    EXPECT_EQ(-2.0, out[1].after);
    EXPECT_EQ(9, out[2].goodsId);
    EXPECT_EQ(4, out[2].row);
    EXPECT_EQ(-1.0, out[2].after);
    // The id list names each goods once and ends with 0.
    EXPECT_EQ(QStringLiteral(" (7,8,9,10,0) "), goodsIdList(lines));
}

TEST(SalesStock, VirtualNegativeStockUsesTheVirtualQuantity) {
    // Stock 2 but 10 on order from suppliers: selling 5 is no virtual shortage, selling 12 is.
    const QList<StockRow> stock{{7, 2, 10}};
    EXPECT_EQ(0, virtualNegativeStock({{1, 7, 5, 1}}, stock).size());
    const QList<NegativeStock> out = virtualNegativeStock({{1, 7, 12, 1}}, stock);
    ASSERT_EQ(1, out.size());
    EXPECT_EQ(-10.0, out[0].after);
    EXPECT_EQ(-2.0, out[0].virtualAfter);
    EXPECT_EQ(10.0, out[0].virtualStock);
}

TEST(SalesCostPrice, PromptsOncePerGoodsAndFillsAllItsLines) {
    QList<CostLine> lines{
        {7, QStringLiteral("A1"), QStringLiteral("螺丝"), QStringLiteral("个"), c(0)},
        {8, QStringLiteral("A2"), QStringLiteral("轴承"), QStringLiteral("套"), c(3)},
        {7, QStringLiteral("A1"), QStringLiteral("螺丝"), QStringLiteral("箱"), c(0)},
        {9, QStringLiteral("A3"), QStringLiteral("齿轮"), QStringLiteral("个"), c(0)},
        {0, QString(), QString(), QString(), c(0)}};
    EXPECT_EQ((QList<int>{0, 3}), costPricePromptLines(lines));
    EXPECT_EQ(QStringLiteral("编号：A1  商品：螺丝 单位：个"), costPricePromptText(lines[0]));
    EXPECT_EQ(2, applyCostPrice(lines, 7, c(2.5)));
    EXPECT_EQ(c(2.5), lines[0].costPrice);
    EXPECT_EQ(c(2.5), lines[2].costPrice);
    EXPECT_EQ(c(3), lines[1].costPrice);
    EXPECT_EQ(QList<int>{3}, costPricePromptLines(lines));
}

TEST(SalesReceivablesLimit, AsksOnlyAboveAPositiveLimit) {
    // Limit 1000, owing 800, this bill 300: 100 over.
    const std::optional<QString> q =
        receivablesLimitQuestion(QStringLiteral("宏达五金"), c(1000), c(800), c(300), 2);
    ASSERT_TRUE(q.has_value());
    EXPECT_EQ(QStringLiteral("客户[ 宏达五金 ]应收款超出限制，是否继续？\r\n"
                             "      应收限额：1000.00\r\n"
                             "    当前应收额：800.00\r\n"
                             "    本次应收额：300.00\r\n"
                             "      应收超额：100.00"),
              *q);
    EXPECT_FALSE(receivablesLimitQuestion(QStringLiteral("x"), c(1000), c(700), c(300), 2));
    EXPECT_FALSE(receivablesLimitQuestion(QStringLiteral("x"), c(0), c(800), c(300), 2));
}

TEST(SalesPromotion, GiftQuantityPerFullLotBought) {
    struct Row {
        double bought, gmsl, zssl, expected;
    };
    // Buy 10 get 1; buy 3 get 2; rules without a positive lot give nothing.
    const Row rows[] = {{9, 10, 1, 0}, {10, 10, 1, 1}, {25, 10, 1, 2}, {6, 3, 2, 4},
                        {7, 3, 2, 4},  {5, 0, 1, 0},   {5, 1, 0, 0},   {0.3 * 10, 3, 1, 1}};
    for (const Row& r : rows)
        EXPECT_EQ(r.expected, giftQuantity(r.bought, r.gmsl, r.zssl))
            << r.bought << " " << r.gmsl << " " << r.zssl;
    EXPECT_EQ(QStringLiteral("赠品"), giftMarker());
}

TEST(SalesPromotion, LookupNamesGoodsCustomerAndDate) {
    const QString sql = promotionSql(QStringLiteral("2024-03-05"), 31, 21);
    EXPECT_TRUE(sql.startsWith(QStringLiteral(
        "SELECT top 1 * FROM baseCuXiao AS a   WHERE a.del = 0 AND a.isstop = 0 \tAND a.ismzcx = "
        "1      AND a.BeginDate <= '2024-03-05'\tAND a.EndDate >= '2024-03-05'\tAND a.goodsid = "
        "31\tAND a.khid = (SELECT TOP 1 k.khid      ")))
        << sql.toStdString();
    EXPECT_TRUE(sql.endsWith(QStringLiteral("ORDER BY m.par_jl DESC )")));
    EXPECT_TRUE(sql.contains(QStringLiteral("c.id = 21 ")));
}

}  // namespace
