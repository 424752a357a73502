#include "client/logic/commission.h"

namespace dyt::client::commission {

QString text::enter(const QString& caption) {
    return QStringLiteral("请输入") + caption;
}

QStringList text::ways() {
    return {QStringLiteral("按销售金额比例"), QStringLiteral("按销售数量定额"),
            QStringLiteral("按毛利比例")};
}

QString text::valueCaption(int way) {
    return way == 2 ? perUnit() : rate();
}

QString text::kindName(int kind) {
    return kind == kEmployeePlan ? QStringLiteral("职员") : QStringLiteral("商品");
}

ParamList listParams(int kind) {
    ParamList p;
    if (kind == kEmployeePlan || kind == kGoodsPlan)
        p.setInt(QStringLiteral("tclxid"), kind);
    return p;
}

ParamList recordsParams(int kind, qint64 record) {
    ParamList p;
    p.setInt(QStringLiteral("tclxid"), kind);
    p.setValue(QStringLiteral("assigned"), QStringLiteral("1"));
    if (record > 0)
        p.setInt(QStringLiteral("objid"), record);
    return p;
}

ParamList saveParams(const Plan& plan) {
    ParamList p;
    p.setInt(QStringLiteral("id"), plan.id);
    p.setInt(QStringLiteral("tclxid"), plan.kind);
    p.setValue(QStringLiteral("code"), plan.code.trimmed());
    p.setValue(QStringLiteral("fullname"), plan.name.trimmed());
    p.setInt(QStringLiteral("tcfs"), plan.way);
    p.setValue(QStringLiteral("tcl"), QString::number(plan.value, 'g', 15));
    p.setValue(QStringLiteral("comment"), plan.comment.trimmed());
    return p;
}

ParamList deleteParams(qint64 id) {
    ParamList p;
    p.setInt(QStringLiteral("id"), id);
    p.setValue(QStringLiteral("del"), QStringLiteral("1"));
    return p;
}

ParamList assignParams(int kind, qint64 record, qint64 plan) {
    ParamList p;
    p.setInt(QStringLiteral("tclxid"), kind);
    p.setInt(QStringLiteral("objid"), record);
    p.setInt(QStringLiteral("tcid"), plan);
    return p;
}

std::optional<QString> editorError(const Plan& plan) {
    if (plan.code.trimmed().isEmpty())
        return text::enter(text::code());
    if (plan.name.trimmed().isEmpty())
        return text::enter(text::name());
    if (plan.value < 0)
        return text::valueNegative();
    if (plan.way != 2 && plan.value > 100)
        return text::rateTooLarge();
    return std::nullopt;
}

}  // namespace dyt::client::commission
