#pragma once
// The arithmetic of the stock status report apart from its widgets: the reference-price choices
// an operator may pick, the parameter list of "DQKCNEW", the row memory per category level, the
// parameters of the windows it opens and the refusals of the batch details.

#include <QDate>
#include <QList>
#include <QString>

#include "client/logic/fixedtext.h"
#include "client/logic/queryconditions.h"
#include "common/paramlist.h"
#include "protocol/querydescriptors.h"

namespace dyt::client::stockstatus {

namespace text {
inline constexpr FixedText title{u"库存状况表"};
inline constexpr FixedText referencePrice{u"参考单价"};
inline constexpr FixedText chooseWarehouse{u"请选择仓库"};
inline constexpr FixedText allWarehouses{u"全部仓库"};
inline constexpr FixedText categoryBatches{u"不能查看某一类商品的批次详情！"};
inline constexpr FixedText averageCostBatches{u"该商品成本算法是“加权平均法”，不能查看批次详情"};
inline constexpr FixedText procedure{u"P_Base_Get_Goods"};
inline constexpr FixedText queryType{u"DQKCNEW"};
}  // namespace text

// --- reference prices
struct ReferencePrice {
    int code = -1;  // 0 to 3 the goods price levels, 4 latest sales, 5 lowest sales, 6 latest cost
    QString name;
};
// The code sent when nothing is chosen (the drop-down is empty).
constexpr int kNoReferencePrice = -1;
// The names of the four goods price levels.
QList<QString> priceLevelNames();
// The choices in order: each price level the operator holds the right of, then, when the account
// set lists them, "最近售价" (4), "最低售价" (5), "最近进价" (6).
QList<ReferencePrice> referencePriceChoices(const QList<bool>& levelRights,
                                            const QList<QString>& levelNames, bool extraPrices);
// The sub-right of a price level under the report's menu entry ("21" … "24").
QString priceLevelSubRight(int level);

// --- the query
struct Request {
    qint64 operatorId = 0;
    QString warehouseId;       // empty or "0": all warehouses
    bool fromDialog = false;   // the condition dialog was shown for this query
    qint64 dialogGoodsId = 0;  // the dialog's goods (below 1: none)
    query::Navigation nav;     // category level or list mode
    QString quickText;         // quick search (queries without dialog)
    int qtyIndex = 0;          // "全部显示", "数量大于0", "数量等于0"
    int referencePrice = kNoReferencePrice;
};
// The goods segment: with the dialog its goods (";id=" + goods + ";issub=1") or else the category
// segment; without it the quick search (";allfilter=" + text) or else the category segment.
QString goodsSegment(const Request& request);
// QueryType, goodsStr (lower-case g), filter, ckStr, wldwStr, zyStr, bmStr, kmStr.
ParamList buildParams(const Request& request);

// --- the row focused last per category level ("rowindex" + category id = row index)
class RowMemory {
public:
    void store(qint64 category, int row);
    // The stored row of a level, 0 when none is stored.
    int row(qint64 category) const;
    bool contains(qint64 category) const;
    const ParamList& list() const { return list_; }

private:
    static QString key(qint64 category);
    ParamList list_;
};

// --- the follow-on windows
// The parameters of a stock window opened from the report (goods detail ledger, auxiliary-unit
// detail, batch list): the target's QueryType, its filter (";isred=" or ";qty=" with the index),
// the goods of the row (none when goodsId is below 1), the report's warehouse with its
// sub-warehouses and the shared query dates. Throws DytError on a reversed date range.
ParamList followOnParams(const QueryDescriptor& target, qint64 operatorId, qint64 goodsId,
                         const QString& warehouseId, const QDate& begin, const QDate& end,
                         int filterIndex);
// Why the batch details of a row cannot be shown; empty when they can.
QString batchDetailRefusal(qint64 sonnum, int costMode);

}  // namespace dyt::client::stockstatus
