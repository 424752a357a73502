#pragma once
// The follow-up actions of the stock-limit windows apart from their widgets: the lower-limit alert
// turned into a purchase draft (P_JXC_DJ_WarnToDraft), the replenishment plan turned into a
// purchase draft line by line (P_JXC_InertDJIndex, P_JXC_InertDJList) and posted (P_JXC_DJ_Post),
// and the stock limits saved from the settings list (P_JXC_INI_Other).

#include <QDate>
#include <QList>
#include <QString>

#include "client/logic/fixedtext.h"
#include "common/paramlist.h"

namespace dyt {
class RecordSet;
}

namespace dyt::client::stockfollow {

namespace text {
inline constexpr FixedText makeBill{u"生成进货单"};
inline constexpr FixedText chooseGoods{u"请选择生成进货单的商品："};
inline constexpr FixedText allGoods{u"全部商品(&A)"};
inline constexpr FixedText chosenGoods{u"所选商品(&S)"};
inline constexpr FixedText nothingToOrder{u"没有需要补货的商品，不能生成进货单！"};
inline constexpr FixedText postNow{u"是否立即过账？"};
inline constexpr FixedText posted{u"过账成功！"};
inline constexpr FixedText categoryLimits{u"不能对商品类别设置库存上下限！"};
inline constexpr FixedText warnProcedure{u"P_JXC_DJ_WarnToDraft"};
inline constexpr FixedText indexProcedure{u"P_JXC_InertDJIndex"};
inline constexpr FixedText listProcedure{u"P_JXC_InertDJList"};
inline constexpr FixedText postProcedure{u"P_JXC_DJ_Post"};
inline constexpr FixedText deleteProcedure{u"P_JXC_DJ_PostDel"};
inline constexpr FixedText limitProcedure{u"P_JXC_INI_Other"};
// "已生成进货单草稿[" + code + "]，请在进货单中核对后过账！"
QString draftMade(const QString& code);
}  // namespace text

// The purchase bill kind the drafts are made of.
inline constexpr int kPurchaseBill = 5;

// The goods ids (field sp_id) of the rows, in row order, without repeats.
QList<qint64> goodsOf(const RecordSet& rows, const QList<int>& rowIndexes);

// The lines of the lower-limit draft: the alert's query as it was sent, the goods chosen (empty:
// every goods of the alert) and the bill date.
ParamList warnDraftParams(const QString& alertParams, const QList<qint64>& goods,
                          const QDate& date);

// The plan rows with a suggested quantity (Qty above 0) among rowIndexes as
// "goodsid:qty:price;…", quantities and prices with the given places. Throws DytError
// text::nothingToOrder() when none has one.
QString planLines(const RecordSet& rows, const QList<int>& rowIndexes, int qtyDot, int priceDot);

// The header of the plan's draft: supplier and warehouse (0: none) and the bill date.
ParamList planDraftParams(qint64 partnerId, qint64 warehouseId, const QDate& date);

// The limits of one goods as the settings list holds them (texts as typed; empty is no limit).
// Throws DytError for a text that is no number, a negative limit or an upper limit below the
// lower one when both are set.
ParamList limitParams(qint64 goodsId, const QString& warnUp, const QString& warnDown);

}  // namespace dyt::client::stockfollow
