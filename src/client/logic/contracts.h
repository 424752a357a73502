#pragma once
// The purchase and sales contracts without windows: the texts, and the parameter lines of the
// list, the lines, the save, the deletion and the stopping of a contract. A contract binds a
// partner to goods lines (quantity and price in a unit) for a validity period; the server keeps
// it and works out how far the partner's posted bills of that period fulfil it.

#include <QList>
#include <QString>

#include "client/logic/fixedtext.h"
#include "common/paramlist.h"

namespace dyt::client::contract {

inline constexpr int kFunctionCode = 4016;

namespace text {
inline constexpr FixedText listTitle{u"合同管理"};
inline constexpr FixedText entryTitle{u"合同录入框"};
inline constexpr FixedText saveProcedure{u"p_base_Up_HeTong"};
inline constexpr FixedText listProcedure{u"P_JXC_Get_HeTong"};
inline constexpr FixedText linesProcedure{u"P_JXC_Get_HeTongList"};
inline constexpr FixedText add{u"新增"};
inline constexpr FixedText edit{u"修改"};
inline constexpr FixedText remove{u"删除"};
inline constexpr FixedText stop{u"中止"};
inline constexpr FixedText resume{u"恢复执行"};
inline constexpr FixedText save{u"保存"};
inline constexpr FixedText type{u"合同类型"};
inline constexpr FixedText purchase{u"采购合同"};
inline constexpr FixedText sales{u"销售合同"};
inline constexpr FixedText allTypes{u"全部合同"};
inline constexpr FixedText partner{u"往来单位"};
inline constexpr FixedText allPartners{u"全部单位"};
inline constexpr FixedText includeStopped{u"包括已中止合同"};
inline constexpr FixedText code{u"合同编号"};
inline constexpr FixedText signDate{u"签订日期"};
inline constexpr FixedText beginDate{u"开始日期"};
inline constexpr FixedText endDate{u"结束日期"};
inline constexpr FixedText employee{u"经手人"};
inline constexpr FixedText summary{u"摘要"};
inline constexpr FixedText goods{u"商品"};
inline constexpr FixedText beginAfterEnd{u"开始日期不能大于结束日期"};
inline constexpr FixedText noLines{u"必须录入明细数据！"};
inline constexpr FixedText saved{u"保存成功！"};
inline constexpr FixedText confirmDelete{u"您确定要删除选中的合同吗？"};
inline constexpr FixedText confirmStop{u"您确定要中止选中的合同吗？"};
inline constexpr FixedText chooseContract{u"请先选择一个合同！"};
// "请选择" + caption
QString choose(const QString& caption);
// "第 " + line + " 行输入错误,数量必须大于 0"
QString lineQtyError(int line);
// "第 " + line + " 行输入错误,单价不能小于 0"
QString linePriceError(int line);
}  // namespace text

enum class Type { Purchase = 0, Sales = 1 };

struct Line {
    qint64 goodsId = 0;
    QString unit;  // the goods' unit name; empty: its base unit
    double qty = 0;
    double price = 0;
    QString comment;
};

struct Contract {
    qint64 id = 0;
    Type type = Type::Purchase;
    QString code;  // empty: the server numbers it
    qint64 partnerId = 0;
    qint64 employeeId = 0;
    QString signDate;  // "yyyy-mm-dd"
    QString begin;
    QString end;
    QString summary;
    QList<Line> lines;
};

// The list: filter ";httype=" + 0/1 (none for all types), ";isstop=1" when stopped contracts are
// included; wldwStr ";czy_id=" + operator, then ";id=" + the partner when one is picked.
ParamList listParams(qint64 operatorId, int typeFilter, qint64 partnerId, bool includeStopped);
// One contract of the list: filter ";id=" + id.
ParamList recordParams(qint64 id);
// The lines of a contract: id.
ParamList linesParams(qint64 id);
// Saving: the header and lineCount, then goodsid, unit, qty, price and comment of each line
// numbered from 1 (texts trimmed, line breaks as spaces).
ParamList saveParams(const Contract& c);
// Deleting: id and del = "1".
ParamList deleteParams(qint64 id);
// Stopping (true) or taking back into execution: id and stop = "1"/"0".
ParamList stopParams(qint64 id, bool stop);
// A line's amount as shown while entering: quantity times price to the cent.
double lineAmount(double qty, double price);

}  // namespace dyt::client::contract
