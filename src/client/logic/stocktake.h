#pragma once
// The stocktake of one warehouse apart from its window: the goods list with the book quantities
// (P_Base_Get_Goods "DQKCNEW" as a flat list of that warehouse), the counted quantities the
// operator types beside them, and the call that turns the counts into a stocktake draft
// (P_JXC_DJ_PanDianToDraft).

#include <QDate>
#include <QList>
#include <QString>

#include "client/logic/fixedtext.h"
#include "common/paramlist.h"

namespace dyt {
class RecordSet;
}

namespace dyt::client::stocktake {

namespace text {
inline constexpr FixedText title{u"库存盘点"};
inline constexpr FixedText warehouse{u"盘点仓库："};
inline constexpr FixedText countedQty{u"盘点数量"};
inline constexpr FixedText makeBill{u"生成盘点单"};
inline constexpr FixedText procedure{u"P_JXC_DJ_PanDianToDraft"};
inline constexpr FixedText noWarehouse{u"请先选择盘点仓库！"};
inline constexpr FixedText nothingCounted{u"没有录入任何商品的盘点数量，不能生成盘点单！"};
// "第 n 行盘点数量不能为负数！"
QString negativeCount(int row);
// "已生成盘点单草稿，请在盘点单中核对后过账！"
QString draftMade();
}  // namespace text

// The field of the counted quantity in the rows of the window (Null: not counted).
inline constexpr FixedText countField{u"pdqty"};

// The goods of the warehouse as a flat list with their book quantity in that warehouse alone
// (its sub-warehouses keep stock of their own and are counted on their own).
ParamList goodsParams(qint64 operatorId, qint64 warehouseId);

// Adds the counted-quantity field (a number, Null in every row) to the rows of the goods list.
void addCountField(RecordSet& rows);

struct Count {
    qint64 goodsId = 0;
    double qty = 0;
};

// The counts of the rows whose counted quantity is filled in, in row order (goods id "sp_id").
// Throws DytError text::nothingCounted() when no row has one and text::negativeCount() for a
// count below 0 (rows numbered from 1).
QList<Count> countsOf(const RecordSet& rows);

// "goodsid:qty;goodsid:qty", each quantity with at most qtyDot places and no trailing zeros.
QString linesText(const QList<Count>& counts, int qtyDot);

// The parameter lines of the draft: ckid (the warehouse), Date ("yyyy-mm-dd") and Lines.
// Throws DytError text::noWarehouse() without a warehouse.
ParamList draftParams(qint64 warehouseId, const QDate& date, const QString& lines);

}  // namespace dyt::client::stocktake
