#pragma once
// The save-time checks of the goods bills whose findings are lists: the SQL texts they send and
// the rows they hand to the warning windows (TfrmBaseShowPrice, TfrmBaseFKC). A bill describes
// its goods lines as WarnLine values; the functions here build the texts, run them through the
// data module and compare on the client where the check does.

#include <QList>
#include <QString>

#include "common/recordset.h"

class QWidget;

namespace dyt::client {

// One goods line of a bill as the checks see it.
struct WarnLine {
    int row = 0;               // line number shown in the lists (from 1)
    qint64 goodsId = 0;        // goodsid
    qint64 stockId = 0;        // the line's warehouse (the bill's when the line has none)
    qint64 unitId = 0;         // unit row (baseGoodsUnit.id) of the line
    qint64 batch = 0;          // goodspc, 0 when none
    double baseQty = 0;        // quantity in base units (qty × rate)
    double discountPrice = 0;  // discountprice
    bool gift = false;         // gift lines are left out of the price checks
};

// The goods lines of a bill's line record set, in record order (line number = place + 1): rows
// with a goods id, reading goodsid, unitid, rate (1 when not above 0), qty, discountprice,
// goodspc, RowType (1 = gift) and the line's IntoStock_id (the bill's warehouse when 0 or absent).
// Field names are matched without regard to case; missing fields count as 0.
QList<WarnLine> warnLinesOf(const RecordSet& lines, qint64 billStockId);

namespace warnsql {
// The goods ids of the lines, each once, as "(" id "," … ")".
QString GoodsIdList(const QList<WarnLine>& lines);

// Stock limits over baseGoodsWarn: per line " SELECT a.goodsid,a.stockid,a.warnUp" (warnDown for
// the lower limit) with its row number and base quantity " FROM baseGoodsWarn AS a WHERE
// a.stockid = " … " and a.goodsid = " …, joined by " union all", grouped by goods and warehouse.
// Rows: sp_id, ck_id, row (first line of the goods), Qty_ (the limit), Qty (by how much the stock
// after the bill passes it). Upper: stock − warnUp + Σ qty > 0; lower: stock − warnDown − Σ qty <
// 0.
QString stockLimitSql(const QList<WarnLine>& lines, bool upper);

// The unit record of a line with its cost price: " select k.id,k.goodsid as sp_id
// ,k.latestBuyPrice, k.lowestSalePrice,dbo.fnGetCostPrice(goods,batch,unit) as CostPrice from
// baseGoodsunit as k where k.id = " unit.
QString unitPriceSql(const WarnLine& line);

// "SELECT goodsid,sum(qty) as qty FROM baseGoodsStock  WHERE stockid = " … " and goodsid in " …
// " GROUP BY goodsid".
QString NegativeStockSql(qint64 stockId, const QList<WarnLine>& lines);

// " SELECT b1.id AS goodsid ,dbo.fnGetStockQty(b1.id,w,0) AS kcqty  ,dbo.fnGetXNKCQty(b1.id,w) as
// xnkcqty  FROM basegoods AS b1   WHERE b1.id IN " ….
QString VirtualStockSql(qint64 stockId, const QList<WarnLine>& lines);

// "select a.* from basewldw as a where a.id = " + partner.
QString partnerSql(qint64 partnerId);
}  // namespace warnsql

// --- the rows of the lists (record sets shaped for the windows)

// Selling prices (kinds 1, 2, 3, 5, 6 of TfrmBaseShowPrice): one unit query per non-gift line
// with a unit; a line is listed when the kind's reference price (1 latestBuyPrice, only when above
// 0; 2 and 6 CostPrice; 3 and 5 lowestSalePrice) is greater than its discounted price, compared
// as fixed-point values with four decimals. Rows: sp_id, ck_id, row, Price1 (the line's
// discounted price), Price2 (the reference price).
RecordSet sellingPriceRows(int kind, const QList<WarnLine>& lines);

// Which selling-price lists a sales bill shows: kinds 1, 2 and 3 while option 2035 is on; when
// posting, kind 5 unless the operator may post below the lowest price (right 6013) and kind 6
// unless he may post below cost (right 6017).
struct SellingPriceChecks {
    bool warn = false;                // option 2035
    bool mayPostBelowLowest = false;  // right 6013
    bool mayPostBelowCost = false;    // right 6017
};
SellingPriceChecks sellingPriceChecksFromSettings();
// The kinds to show, in order.
QList<int> sellingPriceKinds(const SellingPriceChecks& checks, bool posting);
// Runs the lists of those kinds (one unit query per line for all of them) and shows each that
// has rows; false as soon as one is left without "继续" (kinds 5 and 6 always stop the save).
bool checkSellingPrices(const QList<WarnLine>& lines, bool posting,
                        const SellingPriceChecks& checks, QWidget* parent = nullptr);

// Purchase prices (kind 4): a non-gift line is listed when its discounted price is above the
// goods unit's latest purchase price (when there is one). Rows: sp_id, row, Price2 (latest
// purchase price), Price1 (this bill's price).
RecordSet purchasePriceRows(const QList<WarnLine>& lines);

// Negative stock (TfrmBaseFKC, real mode): per warehouse the stock of the bill's goods; goods
// whose stock minus the bill's base quantity falls below 0 are listed. Rows: sp_id, row (first
// line of the goods), Qty (stock), fzQty, fkcQty (stock after the bill), fkcfzQty.
RecordSet NegativeStockRows(const QList<WarnLine>& lines);

// Virtual negative stock (TfrmBaseFKC, virtual mode): goods whose virtual stock minus the bill's
// base quantity falls below 0. Rows: sp_id, row, kcQty (stock), Qty (stock after the bill),
// fzQty, xnkcQty (virtual stock), fkcQty (virtual stock after the bill), fkcfzQty.
RecordSet virtualNegativeStockRows(const QList<WarnLine>& lines);

// --- the checks a bill runs at save time: each shows its list when it has rows and returns
// whether the save may go on (true when nothing is listed or the operator chose "继续").
// Stock upper (kind 8) or lower (kind 7) limits through stockLimitSql.
bool checkStockLimits(const QList<WarnLine>& lines, bool upper, QWidget* parent = nullptr);
// Purchase prices (kind 4).
bool checkPurchasePrices(const QList<WarnLine>& lines, QWidget* parent = nullptr);
// Real or virtual negative stock (TfrmBaseFKC).
bool checkNegativeStock(const QList<WarnLine>& lines, bool virtualStock, QWidget* parent = nullptr);

// --- the partner limits (payables on purchase bills, receivables on sales bills)
struct PartnerLimit {
    QString name;         // the partner's full name
    double limit = 0;     // yf_xyd / ys_xyd
    double current = 0;   // the partner's payable / receivable now
    double thisBill = 0;  // this bill's
    double excess() const { return current + thisBill - limit; }
    // Only a positive limit counts.
    bool exceeded() const { return limit > 0 && excess() > 0; }
};
// Reads the partner's limit and balance (partnerSql); receivable false for payables.
PartnerLimit readPartnerLimit(qint64 partnerId, double thisBill, bool receivable);
// "供应商[ " name " ]应付款超出限制，是否继续？" + "\r\n" lines "      应付限额：", "
// 当前应付额：", "    本次应付额：", "      应付超额：" (the customer's "客户[ " … "应收" … for
// receivables).
QString partnerLimitQuestion(const PartnerLimit& limit, bool receivable, int totalDot = 2);
// Reads the limit and, when it is exceeded, asks ("提示", "继续(&O)" / "取消(&C)"); true when the
// save may go on.
bool checkPartnerLimit(qint64 partnerId, double thisBill, bool receivable);

}  // namespace dyt::client
