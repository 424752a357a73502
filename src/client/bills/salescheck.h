#pragma once
// The warnings a sales bill runs before it saves, after its checks: the receivables limit, the
// stock lower limits, the selling prices, negative and virtual negative stock, and the cost-price
// prompt when the system runs with negative stock. Each warning queries the server through the
// data module, decides with the sales rules and lets the operator continue or cancel; the lists
// go to the warning windows through a replaceable seam.

#include <QList>
#include <QString>

#include <functional>

#include "client/logic/salesrules.h"
#include "common/currency.h"
#include "common/recordset.h"

namespace dyt::client {

class TdmMain;

namespace sales {

// One goods line of the bill as the warnings see it.
struct SalesCheckLine {
    int row = 0;  // line number, from 1
    qint64 goodsId = 0;
    QString code;
    QString name;
    QString unitName;
    qint64 unitId = 0;  // unit slot: 0 base, 1 and 2 auxiliary
    qint64 batch = 0;   // goodspc
    double qty = 0;
    double rate = 1;
    Currency discountPrice;
    Currency costPrice;
    bool gift = false;
};

struct SalesCheckInput {
    qint64 customerId = 0;
    qint64 warehouseId = 0;
    bool posting = false;         // saving as posted (not a draft)
    bool billPosted = false;      // the bill was posted before (re-saving)
    Currency billReceivable;      // Σ taxTotalSum minus the discount amount
    QList<SalesCheckLine> lines;  // goods lines only
};

// The lists of the save-time warnings. The bill calls them with the rows to show and goes on only
// when they return true. priceList: kinds 1, 2, 3, 5, 6, 7 (rows sp_id, ck_id, row, Price1,
// Price2 or Qty_, Qty); stockList: real (false) or virtual (true) negative stock.
struct SalesWarningWindows {
    std::function<bool(int kind, const RecordSet& rows)> priceList;
    std::function<bool(bool virtualStock, const RecordSet& rows)> stockList;
};
// The windows in use; tests replace them.
SalesWarningWindows& salesWarningWindows();
// The product's windows.
SalesWarningWindows defaultSalesWarningWindows();

QString costPricePrompt();  // "请输入成本价"

// The rows of the lists, shaped for the windows.
// Price lists: sp_id, ck_id, row, Price1 (the discounted price), Price2 (the reference price).
RecordSet priceRows(qint64 warehouseId, const QList<QPair<SalesCheckLine, Currency>>& listed);
// Negative stock: sp_id, row, Qty, fzQty, fkcQty, fkcfzQty; virtual: sp_id, row, kcQty, Qty,
// fzQty, xnkcQty, fkcQty, fkcfzQty.
RecordSet negativeStockRows(const QList<NegativeStock>& found, bool virtualStock);

// Runs the warnings in their order with the account-set options and rights of the settings.
// Returns false when the operator cancelled; the cost prices entered are written into
// input.lines. Server failures throw DytError.
bool runSalesWarnings(TdmMain& dm, SalesCheckInput& input);

}  // namespace sales
}  // namespace dyt::client
