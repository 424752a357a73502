#pragma once
// The opening balances apart from their widgets: the texts and refusals of the opening windows,
// the parameter lists of their queries (the opening stock "QCKCNEW", the goods held by or for
// partners of P_JXC_Get_QC, the partners' opening amounts, the accounts), the five partner-based
// goods kinds, the pages of the account opening window, and the parameter lists of the opening
// procedures with their figures rounded to the account set's decimals.

#include <QList>
#include <QString>
#include <QStringList>

#include "client/logic/fixedtext.h"
#include "client/logic/stockstatus.h"
#include "common/paramlist.h"

namespace dyt::client::opening {

namespace text {
inline constexpr FixedText goodsStockTitle{u"期初库存商品"};
inline constexpr FixedText partnerTitle{u"期初应收应付"};
inline constexpr FixedText accountTitle{u"期初财务数据"};
inline constexpr FixedText balanceTitle{u"财务科目余额"};
inline constexpr FixedText edit{u"修改"};
inline constexpr FixedText opened{u"已经开账，不能再修改期初数据！"};
inline constexpr FixedText allWarehouses{u"现在为所有仓库合计值，请先选择某一仓库"};
inline constexpr FixedText batchAllWarehouses{u"现在为所有仓库合计值，请先选择某一仓库！"};
inline constexpr FixedText allPartners{u"现在为所有单位合计值，请先选择某一单位后再修改！"};
inline constexpr FixedText allPartnersCaption{u"全部单位"};
inline constexpr FixedText choosePartner{u"请选择单位"};
inline constexpr FixedText totalRow{u"本行为合计值，不能直接修改！"};
inline constexpr FixedText computedRow{u"本行金额不能直接修改！"};
inline constexpr FixedText pathCaption{u"分类路径："};
inline constexpr FixedText working{u"系统正在处理中，请等待....."};
inline constexpr FixedText badNumber{u"请输入正确的数字！"};
inline constexpr FixedText badDate{u"请输入正确的日期(yyyy-mm-dd)！"};
inline constexpr FixedText goodsStockProc{u"P_JXC_INI_GoodsStock"};
inline constexpr FixedText goodsOtherProc{u"P_JXC_INI_GoodsStockOther"};
inline constexpr FixedText partnerProc{u"P_JXC_INI_baseWLDW"};
inline constexpr FixedText accountProc{u"P_JXC_INI_baseKM"};
}  // namespace text

// Why a row of an opening window cannot be set; empty when it can. A category row is not
// refused here: the windows go down into it instead.
QString editRefusal(bool accountSetOpened, bool pickerChosen, const QString& allText);

// amount ÷ quantity rounded to the price decimals; 0 when the quantity is 0.
double unitPrice(double qty, double amount, int priceDot);
// A figure as it travels: rounded to the decimals, as decimal text ("12.5", "0").
QString figure(double value, int decimals);

// --- the opening stock
// The parameters of "QCKCNEW": the stock status report's, with the opening stock's QueryType
// and a filter of the quantity alone.
ParamList goodsStockParams(const stockstatus::Request& request);
// One opening stock row (or one batch): `id` is its opening record (0 for a new one).
struct GoodsStockEntry {
    qint64 id = 0;
    qint64 goodsId = 0;
    qint64 warehouseId = 0;
    double qty = 0;
    double total = 0;
    QString batchNo;     // ph
    QString outDate;     // outdate, "yyyy-mm-dd" or empty
    QString validDate;   // yxqdate, "yyyy-mm-dd" or empty
    bool batch = false;  // sent with the batch fields
};
ParamList goodsStockSave(const GoodsStockEntry& entry, int qtyDot, int totalDot);
// The opening batches of one goods in one warehouse, oldest first.
QString openingBatchSql(qint64 goodsId, qint64 warehouseId);

// --- the goods held by or for partners
struct PartnerGoodsKind {
    QString className;         // "TfrmIniJJSP"
    QString title;             // "期初借进商品"
    QString queryType;         // "JJSP"
    int typeId = 0;            // 1 to 5
    bool costColumns = false;  // the consignment kinds carry a cost price and cost amount
    bool costMasked = true;    // the price and amount are costs (hidden without the cost right)
};
const QList<PartnerGoodsKind>& partnerGoodsKinds();
const PartnerGoodsKind* findPartnerGoodsKind(const QString& className);
// P_JXC_Get_QC: QueryType, goodsStr, wldwStr (the partner with its sub-partners; empty: all),
// filter; ckStr, zyStr, bmStr, kmStr with the operator only. The partner travels in
// request.warehouseId.
ParamList partnerGoodsParams(const PartnerGoodsKind& kind, const stockstatus::Request& request);
struct PartnerGoodsEntry {
    qint64 id = 0;
    qint64 goodsId = 0;
    qint64 partnerId = 0;
    double qty = 0;
    double total = 0;
    double costTotal = 0;
};
ParamList partnerGoodsSave(const PartnerGoodsKind& kind, const PartnerGoodsEntry& entry, int qtyDot,
                           int totalDot);

// --- the partners' receivables, payables and advances
// P_JXC_Get_Base "WLDW": wldwStr with the level (or the quick search), filter ";qcqty=".
ParamList partnerParams(qint64 operatorId, const dyt::Navigation& nav, const QString& quickText,
                        int qtyIndex);
struct PartnerEntry {
    qint64 id = 0;
    qint64 parentId = 0;
    double receivable = 0;       // ysTotal
    double payable = 0;          // yfTotal
    double advanceReceived = 0;  // yuShouTotal
    double advancePaid = 0;      // yufuTotal
};
ParamList partnerSave(const PartnerEntry& entry, int totalDot);

// --- the accounts
// The pages of the account opening window, in tab order.
enum class AccountPage { All, CashBank, BankAccounts, FixedAssets, Income, Expenses };
struct AccountPageInfo {
    AccountPage page;
    QString caption;  // "期初财务数据" …
    // The interface roles of the page's first level: with `below` the accounts under the one
    // role's account, else the roles' accounts themselves. Empty: the top of the account tree.
    QStringList roles;
    bool below = false;
};
const QList<AccountPageInfo>& accountPages();
// The page a function code opens (the opening menu and the finance reports), and whether the
// window shows the current balances (read-only) instead of the opening amounts.
AccountPage accountPageOf(int functionCode);
bool accountBalanceView(int functionCode);
// The interface roles with their accounts.
QString accountRolesSql();
// P_Base_Get_KM: kmStr with the operator and the level (";par_id=") or one account (";id=").
ParamList accountParams(qint64 operatorId, qint64 parentId, qint64 accountId = 0);
// The rows a page never shows: the advances, entered with the partners.
QString accountRowFilter();
// Why an account row cannot be set directly; empty when it can.
QString accountRefusal(qint64 sonnum, const QString& interfaceRole);
ParamList accountSave(qint64 accountId, double total, int totalDot);

}  // namespace dyt::client::opening
