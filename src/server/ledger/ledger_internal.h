#pragma once
// Inner parts of the posting ledgers, shared by posting.cpp, the ledger_*.cpp files and the
// ledger procedures. Nothing here opens or ends a transaction: every function runs inside the
// caller's immediate transaction and throws DytError to have all of it rolled back.
//
// Signs: stock movements are + into stock and − out of it; account entries are signed debits
// (+ debit, − credit); partner movements are the signed change of each of the four balances.

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

#include <map>
#include <utility>

namespace dyt::server {
class Database;
}

namespace dyt::server::ledger {

// Bill kinds the ledgers tell apart (djIndex.djType).
enum Kind : int {
    kSale = 1,
    kSaleReturn = 2,
    kSaleExchange = 3,
    kSaleOrder = 4,
    kPurchase = 5,
    kPurchaseReturn = 6,
    kPurchaseExchange = 7,
    kPurchaseOrder = 8,
    kAssembly = 9,
    kOtherOut = 10,
    kOtherIn = 11,
    kLoss = 12,
    kOverflow = 13,
    kCostAdjust = 14,
    kTransfer = 15,
    kTransferPriced = 16,
    kCashFee = 17,
    kFee = 18,
    kOtherIncome = 19,
    kMoneyTransfer = 20,
    kReceipt = 21,
    kPayment = 22,
    kAssetBuy = 23,
    kAssetDepreciation = 24,
    kAssetSale = 25,
    kDeferredIn = 26,
    kDeferredOut = 27,
    kReceivableDown = 28,
    kReceivableUp = 29,
    kPayableUp = 30,
    kPayableDown = 31,
    kMoneyDown = 32,
    kMoneyUp = 33,
    kVoucher = 34,
    kBorrowIn = 35,          // 借进单
    kBorrowReturn = 36,      // 借进还出单
    kBorrowToPurchase = 37,  // 借转进货单
    kLendOut = 38,           // 借出单
    kLendReturn = 39,        // 借出还回单
    kLendToSale = 40,        // 借转销售单
    kStocktake = 42,  // 盘点单: no entry of its own in the bill-kind table
    kConsignOut = 43,     // 委托发货单
    kConsignSettle = 44,  // 委托结算单
    kHeldIn = 45,         // 受托收货单
    kHeldSettle = 46,     // 受托结算单
    kConsignReturn = 47,  // 委托退货单
    kHeldReturn = 48,     // 受托退货单
    kConsignPrice = 49,   // 委托调价单
    kHeldPrice = 50,      // 受托调价单
    kWarehouseTransfer = 58,
    kGiftIn = 59,
    kGiftOut = 60,
    kDistributionRequest = 61,  // 配送申请单: a document only
    kDelivery = 62,
    kAcceptance = 63,  // 配送验收单: completes a delivery, moves nothing
    kEnquiry = 64,    // 询价单: a document only
    kQuotation = 65,  // 报价单: a document only
    kLabourFee = 66,
    kProcessingIssue = 53,   // 委外加工领料单
    kProcessingReturn = 54,  // 委外加工退料单
    kProcessingDone = 55,    // 委外加工完工单
    kWarehouseIn = 56,       // 仓库入库单
    kWarehouseOut = 57,      // 仓库出库单
    kGiftContract = 71,  // 赠品合同单: a document only
    kPurchaseInvoiceByBill = 67,   // 进货开票[按单据]
    kPurchaseInvoiceByGoods = 68,  // 进货开票[按商品]
    kSaleInvoiceByBill = 69,       // 销售开票[按单据]
    kSaleInvoiceByGoods = 70,      // 销售开票[按商品]
};

// Cost methods (baseGoods.costmode).
enum CostMode : int { kMovingAverage = 0, kManualBatch = 1, kFifo = 2, kLifo = 3 };

// Rounding of what the ledgers store: money to four decimals, quantities and prices to eight.
double roundMoney(double v);
double roundQty(double v);
bool isZero(double v);  // |v| below half of the last stored decimal of a quantity

struct Bill {
    qint64 id = 0;
    int djType = 0;
    QString code;
    QString date;
    int state = 0;
    int isred = 0;
    int isredword = 0;
    qint64 wldw = 0;
    qint64 intoStock = 0;
    qint64 outStock = 0;
    qint64 yfwldw = 0;
    double taxTotalSum = 0;
    double sfkTotal = 0;
    double yfTotal = 0;
    double yfTotalSum = 0;
    double youhui = 0;
    int hhlx = 0;
    int daishou = 0;
};

struct Line {
    qint64 orderid = 0;
    int number = 0;  // 1-based position among the bill's lines
    qint64 goodsid = 0;
    qint64 intoStock = 0;
    qint64 outStock = 0;
    qint64 goodspc = 0;
    QString ph;
    QString outdate;
    QString yxqdate;
    double rate = 1;
    double qty = 0;
    double price = 0;
    double total = 0;
    double discounttotal = 0;
    double taxtotal = 0;
    double taxTotalSum = 0;
    double yftotal = 0;
    double costprice = 0;
    double costtotal = 0;
    qint64 s_id = 0;
    qint64 s_orderid = 0;
    qint64 km_id = 0;
    int state = 0;
};

struct MoneyLine {  // djKmDetail rows of type 1 (payment accounts) and 2 (freight accounts)
    qint64 km = 0;
    int type = 0;
    double db = 0;
    double lend = 0;
};

Bill loadBill(Database& db, qint64 id);  // throws when there is no such bill
QList<Line> loadLines(Database& db, qint64 billId);
QList<MoneyLine> loadMoneyLines(Database& db, qint64 billId);

// Settings and refusals shared by posting and the procedures.
QString sysValue(Database& db, const QString& name, const QString& fallback = QString());
bool accountSetOpened(Database& db);
QString openingDate(Database& db);
QString openPeriodBegin(Database& db);  // first day of the current (not closed) period
// Refuses a date the account set cannot take a bill for (not opened, before the opening date,
// in a closed period); `what` names the operation in the message ("过账", "红冲", "删除").
void checkPostingDate(Database& db, const QString& date, const QString& what);

// The account playing an interface role ("库存商品", "应收账款", …).
qint64 roleAccount(Database& db, const QString& role);

struct GoodsInfo {
    QString code;
    QString name;
    int costMode = 0;
};
GoodsInfo goodsInfo(Database& db, qint64 goodsId);
QString stockName(Database& db, qint64 stockId);

// ---- stock and cost (ledger_stock.cpp) ---------------------------------------------------------

struct BatchInfo {
    qint64 goodspc = 0;  // 0: a new batch (for batch-costed goods)
    QString ph;
    QString outdate;
    QString yxqdate;
    QString indate;
};

// How a stock shortage is refused: for the bill being posted itself (no later bill), or for a
// later bill that an earlier change re-costs, named in front of the line ("删除后，后面的单据
// [XS-2]（2024-01-20）") with the operation that made it short ("过账", "删除", "红冲").
struct Refusal {
    QString laterBill;
    QString action = QStringLiteral("过账");
};

// One posting's view of the stock: takes goods out by their cost method and puts goods in,
// writing the layers (baseGoodsStock) and the bill's movements (djStockDetail) as it goes.
class StockBook {
public:
    StockBook(Database& db, const Bill& bill, const Refusal& refusal = {});

    // Takes qtyBase base units of a line's goods out of a warehouse; returns the cost it took.
    // Refuses stock that is not there (unless negative stock is allowed for moving average).
    double takeOut(const Line& line, qint64 stock, double qtyBase);
    // Puts qtyBase base units in at the given value; returns the batch (goodspc) it went to.
    qint64 putIn(const Line& line, qint64 stock, double qtyBase, double value,
                 const BatchInfo& batch);
    // Moves qtyBase base units from one warehouse to another at their cost (batches keep their
    // identity and their date of entry); the in side may take another value (changed-price
    // transfer). Returns the cost taken out.
    double transfer(const Line& line, qint64 from, qint64 to, double qtyBase,
                    const double* inValue = nullptr);
    // Changes the value of the stock of a goods in a warehouse (one batch when goodspc > 0)
    // without changing its quantity; returns the change of value.
    double revalue(const Line& line, qint64 stock, double newUnitCost);
    // The stock of a goods in a warehouse (0 = all): quantity and value.
    std::pair<double, double> onHand(qint64 goods, qint64 stock) const;
    // The average cost of one base unit in a warehouse (all warehouses when it holds none).
    double averageCost(qint64 goods, qint64 stock) const;

private:
    struct Layer {
        qint64 id = 0;
        qint64 goodspc = 0;
        double qty = 0;
        double total = 0;
        QString ph, outdate, yxqdate, indate;
    };
    void record(const Line& line, qint64 goods, qint64 stock, qint64 pc, double qty, double total);
    void writeLayer(qint64 layerId, double qty, double total);
    Layer movingAverageLayer(qint64 goods, qint64 stock);
    QString describe(const Line& line, const GoodsInfo& g) const;

    Database& db_;
    const Bill& bill_;
    Refusal refusal_;
    bool negativeAllowed_ = false;
};

// Applies a stock movement to its layer (creating the layer when it is missing) and refuses a
// layer that would hold less than nothing where that is not allowed. Used by reversal.
void applyLayerChange(Database& db, qint64 goods, qint64 stock, qint64 pc, double qty, double total,
                      const QString& action);

// ---- partners and accounts (ledger_money.cpp) --------------------------------------------------

struct PartnerDelta {
    double ys = 0;      // receivable
    double yf = 0;      // payable
    double yushou = 0;  // advance received
    double yufu = 0;    // advance paid
};

// The partner and account effects of one bill, collected and then written at once.
class MoneyBook {
public:
    explicit MoneyBook(Database& db) : db_(db) {}
    void partner(qint64 wldw, const PartnerDelta& d);
    void entry(qint64 km, double debit, qint64 wldw = 0);
    void entry(const QString& role, double debit, qint64 wldw = 0);
    double imbalance() const;  // Σ debits − Σ credits
    // Writes djWLDWDetail and djKmDetail (type 0) rows for the bill and updates the balances.
    void write(const Bill& bill);

private:
    Database& db_;
    std::map<qint64, PartnerDelta> partners_;
    std::map<std::pair<qint64, qint64>, double> entries_;  // (km, wldw) -> signed debit
    QHash<QString, qint64> roles_;
};

// Adds a signed debit to an account and its parents (dbTotal / LendTotal / Total).
void applyAccount(Database& db, qint64 km, double debit, double credit);
// The categories above an account, top first, and the account itself. Throws DytError with
// `missing` when there is no such account.
QList<qint64> accountChain(Database& db, qint64 km, const QString& missing);
void applyPartner(Database& db, qint64 wldw, const PartnerDelta& d);

// ---- the bill kinds (ledger_kinds.cpp) ---------------------------------------------------------

// Applies every effect of a stored bill (dj_state 2) through the two books; writes line costs.
void postEffects(Database& db, const Bill& bill, const QList<Line>& lines,
                 const Refusal& refusal = {});
// True for the kinds whose posting is implemented.
bool kindPosts(int djType);
bool isOrder(int djType);
bool isMoneyBill(int djType);  // receipts and payments
bool isAssetBill(int djType);  // fixed assets: the lines' goodsid is the asset card
// Kinds whose lines name goods without moving them (orders, enquiries, quotations) or name no
// goods at all (fixed assets): no later bill needs costing again after them.
bool movesNoGoods(int djType);

// ---- fixed assets, deferred expenses and vouchers (ledger_assets.cpp) --------------------------

void postAssetKinds(Database& db, const Bill& bill, const QList<Line>& lines, MoneyBook& money);
void postDeferredKinds(Database& db, const Bill& bill, const QList<Line>& lines,
                       MoneyBook& money);
void postVoucher(Database& db, const Bill& bill, const QList<Line>& lines, MoneyBook& money);

// Takes the card changes of a bill back (deletion) and removes them.
void takeBackCards(Database& db, qint64 billId, const QString& action);
// Books the red bill's card changes: the original's negated.
void reverseCards(Database& db, qint64 originalId, qint64 redId, const Bill& red,
                  const QString& action);
// Refuses a state where a deferred expense account would, on any day, hold less than nothing.
void checkDeferredBalances(Database& db, const QString& action);

// Order fulfilment, applied (sign +1) or taken back (−1).
void applyOrderFulfilment(Database& db, const Bill& bill, const QList<Line>& lines, int sign);
// Settlement of a receipt or payment against bills (sfkTotalLj of the settled bills), applied
// (+1) or taken back (−1); returns the amount settled. A settlement row keeps the amount in
// effect in its costtotal; a row whose amount the client zeroed or negated for a re-settlement
// counts as cleared.
double applySettlement(Database& db, const Bill& bill, int sign);
// What a goods bill received or paid on the spot (type 1 accounts), added to its own sfkTotalLj
// (+1) or taken back (−1).
void applySpotPayment(Database& db, const Bill& bill, int sign);

// ---- goods borrowed and lent (ledger_loans.cpp) -------------------------------------------------

bool isLoanKind(int djType);
// The kind whose lines a settling kind picks and fulfils (35 for 36 and 37, 38 for 39 and 40);
// 0 for the other kinds.
int loanSourceKind(int djType);
void postLoanKinds(Database& db, const Bill& bill, const QList<Line>& lines, StockBook& book,
                   MoneyBook& money);
// ---- consignment out and in (ledger_consign.cpp) -----------------------------------------------

bool isConsignKind(int djType);  // 43 to 50
// Kinds whose lines later bills take over by quantity (toQty), as orders: the consignment
// deliveries and the receipts of goods held for others.
bool isFollowedSource(int djType);
void postConsignKinds(Database& db, const Bill& bill, const QList<Line>& lines, StockBook& book,
                      MoneyBook& money);

// ---- goods held by or for partners (ledger_other.cpp) ------------------------------------------

// The kinds of baseGoodsStockOther.typeid.
enum OtherKind : int {
    kBorrowedIn = 1,
    kLentOut = 2,
    kConsignedOut = 3,
    kHeldForOthers = 4,
    kAtProcessor = 5,
};

struct OtherStock {
    double qty = 0;    // base units
    double total = 0;  // at the partner's prices
    double cost = 0;   // at our cost
};

// What a partner holds of a goods (or holds for us) under one kind.
OtherStock otherOnHand(Database& db, qint64 goods, qint64 wldw, int typeId);
// Adds a signed change for a bill line (qty in base units); refuses a quantity below zero.
void putOther(Database& db, const Bill& bill, const Line& line, qint64 wldw, int typeId,
              double qtyBase, double total, double cost);
// Takes qtyBase out at the average of what is held (the last units take what is left); returns
// what it took, as positive figures.
OtherStock takeOther(Database& db, const Bill& bill, const Line& line, qint64 wldw, int typeId,
                     double qtyBase);
// Takes a bill's changes back (deletion, re-costing) and removes them.
void takeBackOther(Database& db, qint64 billId, const QString& action);
// Books the red bill's changes: the original's negated.
void reverseOther(Database& db, qint64 originalId, qint64 redId, const Bill& red,
                  const QString& action);
// The repair: the rows back to the opening data and the movements of `bills` (a subquery with
// the opening date bound) removed.
void resetOtherStock(Database& db, const QString& bills, const QString& opening);

// ---- outsourced processing (ledger_processing.cpp) ---------------------------------------------

// Issue (53), return (54) and completion (55) of materials at a processor.
void postProcessingKinds(Database& db, const Bill& bill, const QList<Line>& lines,
                         StockBook& book, MoneyBook& money);
// ---- distribution and gift contracts (ledger_distribution.cpp) ---------------------------------

// Requests, acceptances and gift contracts: documents whose lines move no goods.
bool isDistributionDocument(int djType);
// The stock effects of a delivery (out of OutStock_id into IntoStock_id at cost); nothing for the
// other distribution kinds.
void postDistribution(Database& db, const Bill& bill, const QList<Line>& lines, StockBook& book);
// What a delivery takes from its request and an acceptance from its delivery (toQty, isOver),
// applied (+1) or taken back (−1); refuses accepting more than was delivered.
void applyDistributionLinks(Database& db, const Bill& bill, const QList<Line>& lines, int sign);
// Refuses to reverse (or delete) an accepted delivery, a request with deliveries, a gift contract.
void checkDistributionChange(Database& db, const Bill& bill, bool reversal);
// The repair: requests and deliveries back to nothing delivered or accepted.
void resetDistributionLinks(Database& db, const QString& bills, const QString& opening);
// ---- invoicing (ledger_kp.cpp) -----------------------------------------------------------------

bool isInvoice(int djType);      // 67 … 70
bool invoicesGoods(int djType);  // 68, 70: the lines name goods lines of the invoiced bills
// Checks a posted invoice against the bills it invoices (posted, not reversed, of its family and
// partner, nothing beyond their amounts) and writes the invoiced amounts into those bills.
void postInvoice(Database& db, const Bill& bill, const QList<Line>& lines);
// Writes the invoiced amounts of the bills an invoice names again; `stillCounted`: the invoice is
// still posted but is being taken back (deletion), so it counts no more.
void takeBackInvoice(Database& db, qint64 invoiceId, bool stillCounted);
// Refuses the deletion or reversal (`action` "删除", "红冲") of a bill that a posted invoice
// names.
void refuseWhenInvoiced(Database& db, qint64 billId, const QString& action);

}  // namespace dyt::server::ledger
