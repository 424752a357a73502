#include "client/logic/assemblytemplates.h"

#include <QStringList>

#include "common/currency.h"

namespace dyt::client::scmb {

namespace text {
QString enter(const QString& caption) {
    return QStringLiteral("请输入") + caption;
}
QString choose(const QString& caption) {
    return QStringLiteral("请选择") + caption;
}
QString partQtyError(int line) {
    return QStringLiteral("第 %1 行组件数量必须大于零！").arg(line);
}
QString askQty(const QString& goodsName, double templateQty) {
    return QStringLiteral("请输入要组装的[%1]数量（模板组装数量 %2）")
        .arg(goodsName, qtyText(templateQty));
}
}  // namespace text

QString qtyText(double v) {
    return Currency::fromDouble(v).toString();
}

ParamList listParams(const QString& find) {
    ParamList p;
    p.setValue(QStringLiteral("find"), find.trimmed());
    return p;
}

ParamList recordParams(qint64 id) {
    ParamList p;
    p.setInt(QStringLiteral("id"), id);
    return p;
}

ParamList linesParams(qint64 id, double qty) {
    ParamList p;
    p.setInt(QStringLiteral("id"), id);
    if (qty > 0)
        p.setValue(QStringLiteral("sl"), qtyText(qty));
    return p;
}

ParamList saveParams(const Template& t) {
    ParamList p;
    p.setInt(QStringLiteral("id"), t.id);
    p.setValue(QStringLiteral("code"), t.code.trimmed());
    p.setValue(QStringLiteral("name"), t.name.trimmed());
    p.setInt(QStringLiteral("goodsid"), t.goodsId);
    p.setValue(QStringLiteral("qty"), qtyText(t.qty));
    p.setValue(QStringLiteral("comment"), t.comment.trimmed());
    QStringList parts;
    for (const Part& part : t.parts)
        parts << QString::number(part.goodsId) + QLatin1Char(',') + qtyText(part.qty);
    p.setValue(QStringLiteral("parts"), parts.join(QLatin1Char(';')));
    return p;
}

ParamList deleteParams(qint64 id) {
    ParamList p;
    p.setInt(QStringLiteral("id"), id);
    p.setValue(QStringLiteral("del"), QStringLiteral("1"));
    return p;
}

QString editorError(const Template& t) {
    if (t.code.trimmed().isEmpty())
        return text::enter(text::code());
    if (t.name.trimmed().isEmpty())
        return text::enter(text::name());
    if (t.goodsId <= 0)
        return text::choose(text::goods());
    if (t.qty <= 0)
        return text::qtyPositive();
    if (t.parts.isEmpty())
        return text::noParts();
    for (int i = 0; i < t.parts.size(); ++i) {
        if (t.parts.at(i).qty <= 0)
            return text::partQtyError(i + 1);
    }
    return {};
}

}  // namespace dyt::client::scmb
