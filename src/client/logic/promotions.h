#pragma once
// The promotion agreements without windows: the texts, the parameter lines of the list, the
// editor and the save procedure, the checks of the editor and of the entry lines, and the SQL
// texts (stopping and taking back, the overlap of a new agreement). An agreement grants a partner
// for one goods and a date range a buy-and-give rule or a promotion price.

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

#include "client/logic/fixedtext.h"
#include "common/paramlist.h"

namespace dyt::client::promo {

inline constexpr int kFunctionCode = 4015;

namespace text {
inline constexpr FixedText listTitle{u"促销协议管理"};
inline constexpr FixedText editorTitle{u"促销协议"};
inline constexpr FixedText entryTitle{u"促销录入"};
inline constexpr FixedText procedure{u"p_base_Up_CuXiao"};
inline constexpr FixedText listProcedure{u"P_JXC_Get_Base"};
inline constexpr FixedText queryType{u"CuXiao"};
inline constexpr FixedText add{u"添加"};
inline constexpr FixedText edit{u"修改"};
inline constexpr FixedText remove{u"删除"};
inline constexpr FixedText print{u"打印"};
inline constexpr FixedText stop{u"停用"};
inline constexpr FixedText includeStopped{u"包括已停用促销协议"};
inline constexpr FixedText allPartners{u"全部单位"};
inline constexpr FixedText allGoods{u"全部商品"};
inline constexpr FixedText confirmDelete{u"您确定要删除选中的数据吗？"};
inline constexpr FixedText partner{u"促销客户"};
inline constexpr FixedText name{u"促销名称"};
inline constexpr FixedText goods{u"商品"};
inline constexpr FixedText beginDate{u"开始日期"};
inline constexpr FixedText endDate{u"结束日期"};
inline constexpr FixedText mode{u"促销方式"};
inline constexpr FixedText comment{u"备注信息"};
inline constexpr FixedText giftMode{u"买赠促销"};
inline constexpr FixedText priceMode{u"价格促销"};
inline constexpr FixedText buyQty{u"购买数量"};
inline constexpr FixedText giveQty{u"赠送数量"};
inline constexpr FixedText giftText{u"买赠说明"};
inline constexpr FixedText price{u"促销价格"};
inline constexpr FixedText beginAfterEnd{u"开始日期不能大于结束日期"};
inline constexpr FixedText noMode{u"请至少选择一种促销方式！"};
inline constexpr FixedText buyNegative{u"购买数量不能小于 0"};
inline constexpr FixedText giveNegative{u"赠送数量不能小于 0"};
inline constexpr FixedText priceNegative{u"促销价不能小于 0"};
inline constexpr FixedText modeChange{u"改变促销方式会清除你之前录入的商品信息，是否继续？"};
inline constexpr FixedText saved{u"保存成功！"};
inline constexpr FixedText saving{u"正在保存，请稍后..."};
inline constexpr FixedText noLines{u"必须录入明细数据！"};
inline constexpr FixedText postBeforePrint{u"只有保存过账后才能打印，是否立即保存过账并打印单据？"};
QString enter(const QString& caption);   // "请输入" + caption
QString choose(const QString& caption);  // "请选择" + caption
// "[" + caption + "]不能为空，请重新输入"
QString headerEmpty(const QString& caption);
// "第 " + line + " 行输入错误,数量必须大于 0"
QString lineQtyError(int line);
// "第 " + line + " 行输入错误:促销价格必须大于 0"
QString linePriceError(int line);
// "第 " + line + " 行：" + goods + " 已存在，不能添加，是否继续保存下一行！"
QString lineExists(int line, const QString& goodsName);
// "本次共计保存成功 " + count + " 条"
QString savedCount(int count);
// "买 " + gmsl + " 赠 " + zssl
QString defaultGiftText(qint64 buy, qint64 give);
// The captions of the ten free fields: "自定义一" … "自定义十".
QStringList userFields();
}  // namespace text

enum class Mode { Gift, Price };

// One agreement as the editor and the entry window send it.
struct Agreement {
    qint64 id = 0;
    QString name;
    qint64 partnerId = 0;
    qint64 goodsId = 0;
    QString begin;  // "yyyy-mm-dd"
    QString end;
    bool gift = false;
    bool price = false;
    double buy = 0;
    double give = 0;
    QString giftText;
    double promotionPrice = 0;
    QString comment;
    std::array<QString, 10> userFields;
};

// The list: QueryType "CuXiao", the condition strings of the partner and the goods (";czy_id=" +
// operator, then ";id=" + the picked record, none for "全部单位"/"全部商品"), and ";isstop=1"
// when stopped agreements are included.
ParamList listParams(qint64 operatorId, qint64 partnerId, qint64 goodsId, bool includeStopped);
// One agreement: filter ";id=" + id.
ParamList recordParams(qint64 id);
// Deleting: id and del = "1".
ParamList deleteParams(qint64 id);
// Saving: every field of the agreement (quantities as whole numbers, texts trimmed).
ParamList saveParams(const Agreement& a);

// "Update basecuxiao set isstop = case when isstop = 1 then 0 else 1 end where id = " + id, one
// per agreement, joined by "\r\n".
QString toggleStopSql(const QList<qint64>& ids);

// An active agreement of the same kind for the partner and goods whose dates share a day with
// the range: each begins on or before the other's end.
QString overlapSql(Mode mode, qint64 partnerId, qint64 goodsId, const QString& begin,
                   const QString& end);

// The editor's checks after the required fields: the dates, the kinds, the quantities and the
// price; the message of the first that fails.
std::optional<QString> editorError(const Agreement& a);
// One line of the entry window in its mode (line from 1).
std::optional<QString> lineError(Mode mode, int line, double buy, double give, double price);

}  // namespace dyt::client::promo
