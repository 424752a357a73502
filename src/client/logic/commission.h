#pragma once
// The commission plans without windows: the texts, the parameter lines of the plan list, the
// plan editor, the deletion and the giving of a plan to goods and employees, and the editor's
// checks. A plan is an employees' (kind 1) or a goods' (kind 2) plan; its way computes a sales
// line's commission: 1 a percentage of the sales amount, 2 an amount per base unit, 3 a
// percentage of the gross profit.

#include <QString>
#include <QStringList>

#include <optional>

#include "client/logic/fixedtext.h"
#include "common/paramlist.h"

namespace dyt::client::commission {

inline constexpr int kFunctionCode = 400701;
// The employee statistics of the commission statistics window.
inline constexpr int kEmployeeStatistics = 400703;
inline constexpr int kEmployeePlan = 1;
inline constexpr int kGoodsPlan = 2;

namespace text {
inline constexpr FixedText listTitle{u"提成方案管理"};
inline constexpr FixedText editorTitle{u"提成方案"};
inline constexpr FixedText assignTitle{u"指定提成方案"};
inline constexpr FixedText listProcedure{u"p_Base_Get_TCFA"};
inline constexpr FixedText saveProcedure{u"p_Base_Up_TCFA"};
inline constexpr FixedText assignProcedure{u"p_Base_Up_TCFP"};
inline constexpr FixedText add{u"添加"};
inline constexpr FixedText edit{u"修改"};
inline constexpr FixedText remove{u"删除"};
inline constexpr FixedText print{u"打印"};
inline constexpr FixedText assign{u"指定方案"};
inline constexpr FixedText kind{u"方案类型"};
inline constexpr FixedText allKinds{u"全部方案"};
inline constexpr FixedText employeePlans{u"职员提成方案"};
inline constexpr FixedText goodsPlans{u"商品提成方案"};
inline constexpr FixedText code{u"方案编号"};
inline constexpr FixedText name{u"方案名称"};
inline constexpr FixedText way{u"提成方式"};
inline constexpr FixedText rate{u"提成比例(%)"};
inline constexpr FixedText perUnit{u"每单位提成"};
inline constexpr FixedText comment{u"备注"};
inline constexpr FixedText none{u"（无）"};
inline constexpr FixedText uses{u"使用本方案"};
inline constexpr FixedText current{u"当前方案"};
inline constexpr FixedText confirmDelete{u"您确定要删除选中的提成方案吗？"};
inline constexpr FixedText valueNegative{u"提成值不能小于 0"};
inline constexpr FixedText rateTooLarge{u"提成比例不能大于 100%"};
inline constexpr FixedText notNumber{u"提成值必须是数字"};
QString enter(const QString& caption);  // "请输入" + caption
// The ways in the order of their numbers 1 to 3.
QStringList ways();
// The caption of a plan's value: the rate for ways 1 and 3, the amount per unit for way 2.
QString valueCaption(int way);
// "职员" or "商品"
QString kindName(int kind);
}  // namespace text

struct Plan {
    qint64 id = 0;  // 0: a new plan
    int kind = kGoodsPlan;
    QString code;
    QString name;
    int way = 1;
    double value = 0;
    QString comment;
};

// The plans of a kind (0: all).
ParamList listParams(int kind);
// The records of a kind (one record when record > 0) with the plan each has.
ParamList recordsParams(int kind, qint64 record = 0);
ParamList saveParams(const Plan& plan);
ParamList deleteParams(qint64 id);
// Gives the record the plan (0: takes its plan away).
ParamList assignParams(int kind, qint64 record, qint64 plan);
// What the editor refuses before sending, nothing when the plan may go.
std::optional<QString> editorError(const Plan& plan);

}  // namespace dyt::client::commission
