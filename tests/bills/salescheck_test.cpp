// The sales bill's rules without a window, and against a real server the save-time warnings, the
// receivables limit, the cost-price prompt, the buy-and-give agreement and the stock lower limits.
#include "bills_support.h"
#include "client/bills/frmbasefkc.h"
#include "client/bills/salescheck.h"
#include "client/logic/salesrules.h"

using namespace Qt::StringLiterals;

using namespace dyt;
using namespace dyt::client;
using namespace dyt::client::sales;

namespace dyt::test {
namespace {

Currency c(double v) {
    return Currency::fromDouble(v);
}

TEST(SalesReceiptAmount, FollowsTheLinesMinusTheDiscountWithTheSwitchOn) {
    // Two lines worth 60 and 40 with a discount of 5 leave 95 to receive.
    EXPECT_EQ(c(95), defaultReceiptAmount({c(60), c(40)}, c(5), 2));
    EXPECT_EQ(c(0), defaultReceiptAmount({}, c(0), 2));
    // The sum is rounded to the money precision: 10.005 + 0 - 0 at two places is 10.01.
    EXPECT_EQ(c(10.01), defaultReceiptAmount({c(10.005)}, c(0), 2));
    // A discount above the lines gives a negative amount, not a clamp.
    EXPECT_EQ(c(-2), defaultReceiptAmount({c(3)}, c(5), 2));
    // It follows only with the switch on and the field enabled and visible.
    struct Row { bool on, enabled, visible, expected; };
    const Row rows[] = {{true, true, true, true}, {false, true, true, false},
                        {true, false, true, false}, {true, true, false, false}};
    for (const Row& r : rows)
        EXPECT_EQ(r.expected, receiptFollowsBill(r.on, r.enabled, r.visible))
            << r.on << r.enabled << r.visible;
}

TEST(SalesPriceWarnings, KindsByOptionAndPosting) {
    // Latest purchase 10, lowest sale 8, cost 9; the line sells at 7.5 (below all three).
    const ReferencePrices below{c(10), c(8), c(9)};
    struct Row { const char* name; PriceOptions options; QList<PriceKind> expected; };
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

TEST(SalesStock, QuantitiesAddUpPerGoodsInBaseUnits) {
    // Goods 7 on lines 1 and 3 (2 + 2 against a stock of 3), goods 8 one box of 12 against 10,
    // goods 9 without any stock row, goods 10 within its stock.
    const QList<StockLine> lines{{1, 7, 2, 1}, {2, 8, 1, 12}, {3, 7, 2, 1},
                                 {4, 9, 1, 1}, {5, 10, 1, 1}, {6, 0, 5, 1}};
    const QList<NegativeStock> out = negativeStock(lines, {{7, 3, 0}, {8, 10, 0}, {10, 4, 0}});
    QStringList got;  // goods, first row, stock, after
    for (const NegativeStock& n : out)
        got << u"%1 %2 %3 %4"_s.arg(n.goodsId).arg(n.row).arg(n.stock).arg(n.after);
    EXPECT_EQ((QStringList{u"7 1 3 -1"_s, u"8 2 10 -2"_s, u"9 4 0 -1"_s}), got);
    // Selling exactly the stock is fine.
    EXPECT_EQ(0, negativeStock({{1, 7, 3, 1}}, {{7, 3, 0}}).size());
    // The id list names each goods once and ends with 0.
    EXPECT_EQ(u" (7,8,9,10,0) "_s, goodsIdList(lines));
}

TEST(SalesStock, VirtualNegativeStockUsesTheVirtualQuantity) {
    // Stock 2 but 10 on order from suppliers: selling 5 is no virtual shortage, selling 12 is.
    const QList<StockRow> stock{{7, 2, 10}};
    EXPECT_EQ(0, virtualNegativeStock({{1, 7, 5, 1}}, stock).size());
    const QList<NegativeStock> out = virtualNegativeStock({{1, 7, 12, 1}}, stock);
    ASSERT_EQ(1, out.size());
    EXPECT_EQ((QList<double>{-10, -2, 10}),
              (QList<double>{out[0].after, out[0].virtualAfter, out[0].virtualStock}));
}

TEST(SalesPromotion, GiftQuantityPerFullLotBought) {
    struct Row { double bought, gmsl, zssl, expected; };
    // Buy 10 get 1; buy 3 get 2; rules without a positive lot give nothing.
    const Row rows[] = {{9, 10, 1, 0}, {10, 10, 1, 1}, {25, 10, 1, 2}, {6, 3, 2, 4},
                        {7, 3, 2, 4},  {5, 0, 1, 0},   {5, 1, 0, 0},   {0.3 * 10, 3, 1, 1}};
    for (const Row& r : rows)
        EXPECT_EQ(r.expected, giftQuantity(r.bought, r.gmsl, r.zssl))
            << r.bought << " " << r.gmsl << " " << r.zssl;
}

struct Shown {
    int kind = 0;  // price kinds; -1 real and -2 virtual negative stock
    RecordSet rows;
};

class SalesServer : public SalesServerFixture {
protected:
    void SetUp() override {
        SalesServerFixture::SetUp();
        salesWarningWindows().priceList = [this](int kind, const RecordSet& rows) {
            shown.append({kind, rows});
            return answer;
        };
        salesWarningWindows().stockList = [this](bool virtualStock, const RecordSet& rows) {
            shown.append({virtualStock ? -2 : -1, rows});
            return answer;
        };
    }
    void TearDown() override {
        salesWarningWindows() = defaultSalesWarningWindows();
        SalesServerFixture::TearDown();
    }
    static SalesCheckLine line(int row, qint64 goods, double qty, double price, qint64 unit,
                               double rate = 1) {
        const bool screw = goods == kScrew;
        return {row, goods, screw ? u"SP101"_s : u"SP102"_s, screw ? u"螺丝"_s : u"齿轮"_s,
                u"个"_s, unit, 0, qty, rate, Currency::fromDouble(price), Currency(), false};
    }
    static SalesCheckInput bill(QList<SalesCheckLine> lines) {
        return {kCustomerA, kStore, false, false, {}, std::move(lines)};
    }
    QList<int> kinds() const {
        QList<int> out;
        for (const Shown& s : shown)
            out.append(s.kind);
        return out;
    }
    QList<Shown> shown;
    bool answer = true;
};

TEST_F(SalesServer, NegativeStockWithOption2012ListsTheGoodsAndLeavingStopsTheSave) {
    putStock(kScrew, kStore, 3, 4);
    putStock(kGear, kStore, 10, 2);
    SalesCheckInput in = bill({line(1, kScrew, 5, 6, 0), line(2, kGear, 1, 6, 0)});
    // Off: nothing is listed.
    EXPECT_TRUE(runSalesWarnings(dm, in));
    EXPECT_EQ(QList<int>{}, kinds());
    client::settings().setSwitch(2012, true);
    EXPECT_TRUE(runSalesWarnings(dm, in));
    ASSERT_EQ(QList<int>{-1}, kinds());
    ASSERT_EQ(1, shown[0].rows.rowCount());
    EXPECT_EQ(u"101|3|-2"_s, numbersOf(shown[0].rows, 0, u"sp_id,Qty,fkcQty"_s));
    // Left in the real window: the save stops.
    salesWarningWindows() = defaultSalesWarningWindows();
    QString question;
    onNextModal([&](QWidget* w) {
        auto* fkc = qobject_cast<TfrmBaseFKC*>(w);
        ASSERT_NE(nullptr, fkc);
        question = u"%1 %2"_s.arg(fkc->lblQuestion()->text()).arg(fkc->rows().rowCount());
        fkc->btnExitClick();
    });
    EXPECT_FALSE(runSalesWarnings(dm, in));
    EXPECT_EQ(u"以下商品已出现负库存，是否继续？ 1"_s, question);
}

TEST_F(SalesServer, VirtualNegativeStockWithOption2002) {
    putStock(kScrew, kStore, 3, 4);
    client::settings().setSwitch(2002, true);
    SalesCheckInput in = bill({line(1, kScrew, 4, 6, 0)});
    EXPECT_TRUE(runSalesWarnings(dm, in));
    ASSERT_EQ(QList<int>{-2}, kinds());
    EXPECT_EQ(u"3|-1"_s, numbersOf(shown[0].rows, 0, u"xnkcQty,fkcQty"_s));
}

TEST_F(SalesServer, SellingPricesByOptionAndPosting) {
    // Unit 1011: latest purchase 4, lowest sale 5; stock cost 4.5 a piece.
    putStock(kScrew, kStore, 10, 4.5);
    SalesCheckInput draft = bill({line(1, kScrew, 1, 3.5, 0), line(2, kScrew, 1, 9, 0)});
    // A draft without option 2035: no list.
    EXPECT_TRUE(runSalesWarnings(dm, draft));
    EXPECT_EQ(QList<int>{}, kinds());
    // With 2035: below the latest purchase price, the cost and the lowest price; only line 1.
    client::settings().setSwitch(2035, true);
    EXPECT_TRUE(runSalesWarnings(dm, draft));
    ASSERT_EQ((QList<int>{1, 2, 3}), kinds());
    ASSERT_EQ(1, shown[0].rows.rowCount());
    EXPECT_EQ(u"1|3.5|4"_s, numbersOf(shown[0].rows, 0, u"row,Price1,Price2"_s));
    EXPECT_EQ(u"4.5|5"_s, numbersOf(shown[1].rows, 0, u"Price2"_s) + u'|' +
                               numbersOf(shown[2].rows, 0, u"Price2"_s));
    // Stopping at the first list stops the save.
    shown.clear();
    answer = false;
    EXPECT_FALSE(runSalesWarnings(dm, draft));
    EXPECT_EQ(QList<int>{1}, kinds());
    // Posting without the right 6013 refuses below the lowest price even when continuing.
    client::settings().setSwitch(2035, false);
    shown.clear();
    answer = true;
    SalesCheckInput post = draft;
    post.posting = true;
    EXPECT_FALSE(runSalesWarnings(dm, post));
    EXPECT_EQ(QList<int>{5}, kinds());
    // With both rights the posting goes through.
    client::settings().setRight(6013, true);
    client::settings().setRight(6017, true);
    shown.clear();
    EXPECT_TRUE(runSalesWarnings(dm, post));
    EXPECT_EQ(QList<int>{}, kinds());
    // A gift line at price 0 is never listed.
    client::settings().setSwitch(2035, true);
    shown.clear();
    SalesCheckLine gift = line(1, kScrew, 1, 0, 0);
    gift.gift = true;
    SalesCheckInput gifts = bill({gift});
    EXPECT_TRUE(runSalesWarnings(dm, gifts));
    EXPECT_EQ(QList<int>{}, kinds());
}

TEST_F(SalesServer, ABoxLineComparesWithTheBoxPrices) {
    // The box (slot 1) holds 10: latest purchase 40, lowest sale 50, cost 4.5 x 10 = 45.
    putStock(kScrew, kStore, 10, 4.5);
    client::settings().setSwitch(2035, true);
    SalesCheckInput in = bill({line(1, kScrew, 1, 45, 1, 10)});
    EXPECT_TRUE(runSalesWarnings(dm, in));
    ASSERT_EQ(QList<int>{3}, kinds());
    EXPECT_EQ(50.0, shown[0].rows.at(0, shown[0].rows.fieldIndex(u"Price2"_s)).toDouble());
}

TEST_F(SalesServer, ReceivablesLimitAsksAndMayStop) {
    dm.ExecUpdate(u"UPDATE baseWLDW SET ystotal = 800 WHERE id = 201"_s);
    SalesCheckInput in = bill({line(1, kScrew, 1, 300, 0)});
    in.billReceivable = Currency::fromDouble(300);
    // Option 2042 off: no question.
    EXPECT_TRUE(runSalesWarnings(dm, in));
    client::settings().setSwitch(2042, true);
    script.answer(u"取消(&C)"_s, u"客户[ 甲公司 ]应收款超出限制"_s);
    EXPECT_FALSE(runSalesWarnings(dm, in));
    script.answer(u"继续(&O)"_s, u"      应收超额：100.00"_s);
    EXPECT_TRUE(runSalesWarnings(dm, in));
    EXPECT_EQ(QStringLiteral("客户[ 甲公司 ]应收款超出限制，是否继续？\r\n      应收限额：1000.00\r\n"
                             "    当前应收额：800.00\r\n    本次应收额：300.00\r\n      应收超额：100.00"),
              script.records(client::PromptKind::Question).last().text);
    // A posted bill saved again is not asked about.
    in.billPosted = true;
    EXPECT_TRUE(runSalesWarnings(dm, in));
    // Within the limit: no question (the script holds no answer, so a question would fail).
    in.billPosted = false;
    in.billReceivable = Currency::fromDouble(200);
    EXPECT_TRUE(runSalesWarnings(dm, in));
    // A limit of 0 is no limit.
    dm.ExecUpdate(u"UPDATE baseWLDW SET ys_xyd = 0 WHERE id = 201"_s);
    in.billReceivable = Currency::fromDouble(5000);
    EXPECT_TRUE(runSalesWarnings(dm, in));
}

TEST_F(SalesServer, CostPricePromptUnderNegativeStock) {
    SalesCheckLine screw2 = line(3, kScrew, 1, 6, 0);
    SalesCheckLine gear = line(2, kGear, 1, 6, 0);
    gear.costPrice = Currency::fromDouble(2);
    // One prompt per goods fills all its lines; a line without goods is never asked about.
    SalesCheckInput in = bill({line(1, kScrew, 2, 6, 0), gear, screw2, line(4, 0, 0, 0, 0)});
    // Without "系统使用负库存" nothing is asked.
    EXPECT_TRUE(runSalesWarnings(dm, in));
    EXPECT_EQ(Currency(), in.lines[0].costPrice);
    client::settings().NegativeStock = true;
    script.enter(u"3.5"_s, u"编号：SP101  商品：螺丝 单位：个"_s);
    EXPECT_TRUE(runSalesWarnings(dm, in));
    EXPECT_EQ(Currency::fromDouble(3.5), in.lines[0].costPrice);
    EXPECT_EQ(Currency::fromDouble(2), in.lines[1].costPrice);
    EXPECT_EQ(Currency::fromDouble(3.5), in.lines[2].costPrice);
    // Cancelled: the save stops; a text that is no price is refused.
    in.lines[0].costPrice = in.lines[2].costPrice = Currency();
    script.cancelInput();
    EXPECT_FALSE(runSalesWarnings(dm, in));
    script.enter(u"abc"_s);
    EXPECT_THROW(runSalesWarnings(dm, in), DytError);
}

TEST_F(SalesServer, PromotionOfTheCustomerOrItsNearestClass) {
    const QString year = u"2024-01-01"_s, end = u"2024-12-31"_s;
    addAgreement(kClass, kScrew, 10, 1, year, end);
    addAgreement(kCustomerA, kScrew, 5, 2, year, end);
    addAgreement(kCustomerB, kScrew, 3, 3, year, end, /*stopped*/ 1);
    addAgreement(kCustomerB, kGear, 2, 1, year, end, 0, /*deleted*/ 1);
    addAgreement(kCustomerB, kGear, 4, 1, u"2025-01-01"_s, u"2025-12-31"_s);
    struct Row {
        const char* name;
        QString date;
        qint64 goods, customer;
        int gmsl, zssl;  // 0, 0 = no agreement
    };
    const QString mid = u"2024-06-01"_s;
    const Row rows[] = {
        {"own agreement before the class's", mid, kScrew, kCustomerA, 5, 2},
        {"class agreement; the stopped own one does not count", mid, kScrew, kCustomerB, 10, 1},
        {"outside the class", mid, kScrew, kOutsider, 0, 0},
        {"first day counts", year, kScrew, kCustomerB, 10, 1},
        {"last day counts", end, kScrew, kCustomerA, 5, 2},
        {"after the range", u"2025-01-02"_s, kScrew, kCustomerA, 0, 0},
        {"deleted agreement", mid, kGear, kCustomerB, 0, 0},
        {"a later agreement in its range", u"2025-02-01"_s, kGear, kCustomerB, 4, 1},
    };
    for (const Row& r : rows) {
        const RecordSet rs = query(promotionSql(r.date, r.goods, r.customer));
        if (r.gmsl == 0) {
            EXPECT_EQ(0, rs.rowCount()) << r.name;
            continue;
        }
        ASSERT_EQ(1, rs.rowCount()) << r.name;
        EXPECT_EQ(r.gmsl, rs.integer(u"gmsl"_s)) << r.name;
        EXPECT_EQ(r.zssl, rs.integer(u"zssl"_s)) << r.name;
        EXPECT_EQ(r.goods, rs.integer(u"goodsid"_s)) << r.name;
    }
}

TEST_F(SalesServer, StockLowerLimitsListWhatFallsBelow) {
    putStock(kScrew, kStore, 30, 4);
    putStock(kGear, kStore, 10, 2);
    dm.ExecUpdate(
        QStringLiteral("INSERT INTO baseGoodsWarn(goodsid, stockid, warnUp, warnDown) "
                       "VALUES (102, 301, 100, 9), (101, 301, 100, 5)"));
    // Gears: 10 - 9 - 2 < 0, one below the limit. Screws: 2 boxes of 10 leave 10, above 5.
    const QList<StockLine> lines{{1, kScrew, 2, 10}, {2, kGear, 1, 1}, {3, kGear, 1, 1}};
    const RecordSet rs = query(stockLowerLimitSql(kStore, lines));
    ASSERT_EQ(1, rs.rowCount());
    EXPECT_EQ(u"102|301|2|9|1"_s, numbersOf(rs, 0, u"sp_id,ck_id,row,Qty_,Qty"_s));
    // With option 2040 the save lists them.
    client::settings().setSwitch(2040, true);
    SalesCheckInput in = bill({line(1, kGear, 1, 6, 0)});
    EXPECT_TRUE(runSalesWarnings(dm, in));  // 10 - 9 - 1 = 0: not below
    EXPECT_EQ(QList<int>{}, kinds());
    in.lines[0].qty = 3;
    EXPECT_TRUE(runSalesWarnings(dm, in));
    ASSERT_EQ(QList<int>{7}, kinds());
    EXPECT_EQ(2.0, shown[0].rows.at(0, shown[0].rows.fieldIndex(u"Qty"_s)).toDouble());
}

}  // namespace
}  // namespace dyt::test
