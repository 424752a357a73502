#pragma once
// The rules of the sales bill that need no window: the receipt amount that follows the bill, the
// selling-price warnings, negative and virtual negative stock, the cost-price prompt, the
// receivables limit, the stock lower limits and the promotions (buy and give, promotion price),
// together with the SQL texts the sales bill sends for them. Amounts are fixed-point values with
// four decimals.

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

#include "common/currency.h"

namespace dyt::client::sales {

// ---- receipt amount ------------------------------------------------------------------------

// The receipt amount follows the bill only while the switch "销售单默认收款金额" is on and the
// receipt-amount field is enabled and visible.
bool receiptFollowsBill(bool defaultAmountSwitch, bool fieldEnabled, bool fieldVisible);

// Σ taxTotalSum of the lines minus the discount amount, rounded to the money precision.
Currency defaultReceiptAmount(const QList<Currency>& taxTotalSums, Currency discountAmount,
                              int totalDot);

// ---- selling prices ------------------------------------------------------------------------

// Kinds of the selling-price warning window: 1 below the latest purchase price, 2 below the stock
// cost, 3 below the lowest selling price (all three with option 2035), 5 and 6 the same as 3 and 2
// but refusing the posting (when the operator lacks the rights 6013 and 6017 respectively).
enum class PriceKind {
    LatestBuy = 1,
    Cost = 2,
    LowestSale = 3,
    LowestSaleBlock = 5,
    CostBlock = 6
};

struct PriceOptions {
    bool option2035 = false;  // warn about low selling prices
    bool posting = false;     // the bill is being posted (not a draft)
    bool right6013 = false;   // may post below the lowest selling price
    bool right6017 = false;   // may post below the stock cost
};

// Reference prices of a line's unit (baseGoodsunit and dbo.fnGetCostPrice).
struct ReferencePrices {
    Currency latestBuyPrice;
    Currency lowestSalePrice;
    Currency costPrice;
};

// The kinds under which a line with the discounted price is listed, in kind order.
QList<PriceKind> priceWarnings(const ReferencePrices& ref, Currency discountPrice,
                               const PriceOptions& options);
// The reference price that kind compares against.
Currency referencePrice(const ReferencePrices& ref, PriceKind kind);

// The unit record query of a line: latest purchase, lowest selling and cost price. The line's
// unit is its slot (0 base, 1 and 2 auxiliary), as the goods selection writes it.
QString unitPricesSql(qint64 goodsId, qint64 batchId, qint64 unitSlot);

// ---- stock ---------------------------------------------------------------------------------

// One goods line as the stock checks see it.
struct StockLine {
    int row = 0;  // line number, from 1
    qint64 goodsId = 0;
    double qty = 0;   // in the line's unit
    double rate = 1;  // base units per line unit
};

// Quantity in base units per goods, in the order the goods first appear.
struct GoodsQty {
    qint64 goodsId = 0;
    int row = 0;  // first line of the goods
    double qty = 0;
};
QList<GoodsQty> baseQtyByGoods(const QList<StockLine>& lines);

// " (" + each goods id followed by "," + "0) " — the id list of the stock queries.
QString goodsIdList(const QList<StockLine>& lines);

// Available stock of a line.
QString availableStockSql(qint64 goodsId, qint64 warehouseId);

// Stock of the bill's goods in the warehouse (rows goodsid, qty).
QString negativeStockSql(qint64 warehouseId, const QList<StockLine>& lines);
// Stock and virtual stock of the bill's goods (rows goodsid, kcqty, xnkcqty).
QString virtualStockSql(qint64 warehouseId, const QList<StockLine>& lines);

struct StockRow {
    qint64 goodsId = 0;
    double stock = 0;         // stock on hand (kcqty / qty)
    double virtualStock = 0;  // virtual stock (xnkcqty); unused for real negative stock
};

// A goods that the bill drives below zero.
struct NegativeStock {
    qint64 goodsId = 0;
    int row = 0;
    double stock = 0;         // stock before the bill
    double after = 0;         // stock after the bill (negative)
    double virtualStock = 0;  // virtual stock before the bill (virtual mode)
    double virtualAfter = 0;  // virtual stock after the bill (virtual mode)
};

// Goods whose stock minus the bill's base quantity falls below 0; goods without a stock row have
// stock 0.
QList<NegativeStock> negativeStock(const QList<StockLine>& lines, const QList<StockRow>& stock);
// Goods whose virtual stock minus the bill's base quantity falls below 0.
QList<NegativeStock> virtualNegativeStock(const QList<StockLine>& lines,
                                          const QList<StockRow>& stock);

// Stock lower limits: one grouped query over baseGoodsWarn that yields the rows of warning kind 7
// (sp_id, ck_id, row, Qty_ the lower limit, Qty the quantity below it).
QString stockLowerLimitSql(qint64 warehouseId, const QList<StockLine>& lines);

// ---- cost price under negative stock --------------------------------------------------------

struct CostLine {
    qint64 goodsId = 0;
    QString code;
    QString name;
    QString unitName;
    Currency costPrice;
};

// The lines whose cost price must be asked for (cost price 0), one per goods, in line order.
QList<int> costPricePromptLines(const QList<CostLine>& lines);
// "编号：" + code + "  商品：" + name + " 单位：" + unit name.
QString costPricePromptText(const CostLine& line);
// Writes the price into every line of the goods; returns the number of lines changed.
int applyCostPrice(QList<CostLine>& lines, qint64 goodsId, Currency price);

// ---- receivables limit -----------------------------------------------------------------------

// The question when the customer's receivable plus this bill's exceeds a positive limit; no value
// when the limit is 0 or not exceeded.
std::optional<QString> receivablesLimitQuestion(const QString& customer, Currency limit,
                                                Currency current, Currency billAmount,
                                                int totalDot);

// ---- promotions (buy and give, promotion price) ------------------------------------------------

// The kind flag of an agreement: ismzcx buy and give, isjgcx promotion price.
enum class PromotionKind { Gift, Price };

// The running agreement of that kind of the customer or of its nearest class for the goods on
// the date ("yyyy-mm-dd"): not deleted, not stopped, the date within its range.
QString promotionSql(const QString& date, qint64 goodsId, qint64 customerId,
                     PromotionKind kind = PromotionKind::Gift);

// Quantity given for the bought quantity: zssl for every full gmsl bought; 0 below gmsl or when
// either number is not positive.
double giftQuantity(double bought, double gmsl, double zssl);

// The marker of gift lines.
QString giftMarker();  // "赠品"

}  // namespace dyt::client::sales
