#pragma once
// The assembly templates without windows: the texts, the template as the windows hold it and the
// parameter lines of the list, the lines picked into an assembly bill and the save procedure.
// A template names the goods made and the quantity it makes, and the parts used up for that
// quantity.

#include <QList>
#include <QString>

#include "client/logic/fixedtext.h"
#include "common/paramlist.h"

namespace dyt::client::scmb {

inline constexpr int kFunctionCode = 201709;
inline constexpr int kAssemblyBill = 9;

namespace text {
inline constexpr FixedText listTitle{u"生产组装模板"};
inline constexpr FixedText entryTitle{u"生产组装模板"};
inline constexpr FixedText listProcedure{u"p_base_Get_SCMB"};
inline constexpr FixedText linesProcedure{u"p_base_Get_SCMBList"};
inline constexpr FixedText procedure{u"p_base_Up_SCMB"};
inline constexpr FixedText add{u"添加"};
inline constexpr FixedText edit{u"修改"};
inline constexpr FixedText copy{u"复制"};
inline constexpr FixedText remove{u"删除"};
inline constexpr FixedText save{u"保存"};
inline constexpr FixedText find{u"查找"};
inline constexpr FixedText code{u"模板编号"};
inline constexpr FixedText name{u"模板名称"};
inline constexpr FixedText goods{u"组装商品"};
inline constexpr FixedText qty{u"组装数量"};
inline constexpr FixedText part{u"组件商品"};
inline constexpr FixedText comment{u"备注"};
inline constexpr FixedText pickButton{u"生产组装模板(&M)"};
inline constexpr FixedText pickTitle{u"选择生产组装模板"};
inline constexpr FixedText confirmDelete{u"您确定要删除选中的生产组装模板吗？"};
inline constexpr FixedText saved{u"保存成功！"};
inline constexpr FixedText noTemplates{u"还没有生产组装模板，请先在[生产组装模板]中添加！"};
inline constexpr FixedText noParts{u"生产组装模板必须至少有一个组件商品！"};
inline constexpr FixedText qtyPositive{u"组装数量必须大于零！"};
inline constexpr FixedText deleteLine{u"确定要删除当前行吗？"};
inline constexpr FixedText closeQuestion{u"生产组装模板已修改，是否保存？"};
// "请输入" + caption
QString enter(const QString& caption);
// "请选择" + caption
QString choose(const QString& caption);
// "第 " + line + " 行组件数量必须大于零！"
QString partQtyError(int line);
// "请输入要组装的[" + goods + "]数量（模板组装数量 " + qty + "）"
QString askQty(const QString& goodsName, double templateQty);
}  // namespace text

struct Part {
    qint64 goodsId = 0;
    double qty = 0;
};

struct Template {
    qint64 id = 0;  // 0: a new template
    QString code;
    QString name;
    qint64 goodsId = 0;
    double qty = 0;
    QString comment;
    QList<Part> parts;
};

// The list (find: a part of a code or a name; empty for all), one template.
ParamList listParams(const QString& find);
ParamList recordParams(qint64 id);
// The parts of a template; with qty > 0 the lines of an assembly bill making qty of its goods.
ParamList linesParams(qint64 id, double qty = 0);
ParamList saveParams(const Template& t);
ParamList deleteParams(qint64 id);
// A quantity as the parameter lines and the fields carry it (no trailing zeros).
QString qtyText(double v);
// The first fault the editor can see before asking the server; empty when none.
QString editorError(const Template& t);

}  // namespace dyt::client::scmb
