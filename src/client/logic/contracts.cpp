#include "client/logic/contracts.h"

#include <cmath>

#include "common/condition.h"

namespace dyt::client::contract {

namespace text {
QString choose(const QString& caption) {
    return QStringLiteral("请选择") + caption;
}
QString lineQtyError(int line) {
    return QStringLiteral("第 %1 行输入错误,数量必须大于 0").arg(line);
}
QString linePriceError(int line) {
    return QStringLiteral("第 %1 行输入错误,单价不能小于 0").arg(line);
}
}  // namespace text

namespace {

// A text as one parameter line holds it: trimmed, without line breaks.
QString flat(const QString& s) {
    QString t = s;
    t.replace(u'\r', u' ').replace(u'\n', u' ');
    return t.trimmed();
}

QString number(double v) {
    return QString::number(v, 'g', 15);
}

}  // namespace

ParamList listParams(qint64 operatorId, int typeFilter, qint64 partnerId, bool includeStopped) {
    ParamList p;
    ConditionString filter;
    if (typeFilter == 0 || typeFilter == 1)
        filter.add(QStringLiteral("httype"), typeFilter);
    if (includeStopped)
        filter.add(QStringLiteral("isstop"), 1);
    p.setValue(QStringLiteral("filter"), filter.toString());
    ConditionString partner;
    partner.add(QStringLiteral("czy_id"), operatorId);
    if (partnerId > 0)
        partner.add(QStringLiteral("id"), partnerId);
    p.setValue(QStringLiteral("wldwStr"), partner.toString());
    return p;
}

ParamList recordParams(qint64 id) {
    ParamList p;
    ConditionString filter;
    filter.add(QStringLiteral("id"), id);
    p.setValue(QStringLiteral("filter"), filter.toString());
    return p;
}

ParamList linesParams(qint64 id) {
    ParamList p;
    p.setInt(QStringLiteral("id"), id);
    return p;
}

ParamList saveParams(const Contract& c) {
    ParamList p;
    p.setInt(QStringLiteral("id"), c.id);
    p.setInt(QStringLiteral("htType"), static_cast<int>(c.type));
    p.setValue(QStringLiteral("code"), flat(c.code));
    p.setInt(QStringLiteral("wldw_id"), c.partnerId);
    p.setInt(QStringLiteral("jsr_id"), c.employeeId);
    p.setValue(QStringLiteral("signDate"), c.signDate);
    p.setValue(QStringLiteral("BeginDate"), c.begin);
    p.setValue(QStringLiteral("EndDate"), c.end);
    p.setValue(QStringLiteral("summary"), flat(c.summary));
    p.setInt(QStringLiteral("lineCount"), c.lines.size());
    for (int i = 0; i < c.lines.size(); ++i) {
        const Line& l = c.lines.at(i);
        const QString n = QString::number(i + 1);
        p.setInt(QStringLiteral("goodsid") + n, l.goodsId);
        p.setValue(QStringLiteral("unit") + n, flat(l.unit));
        p.setValue(QStringLiteral("qty") + n, number(l.qty));
        p.setValue(QStringLiteral("price") + n, number(l.price));
        p.setValue(QStringLiteral("comment") + n, flat(l.comment));
    }
    return p;
}

ParamList deleteParams(qint64 id) {
    ParamList p;
    p.setInt(QStringLiteral("id"), id);
    p.setValue(QStringLiteral("del"), QStringLiteral("1"));
    return p;
}

ParamList stopParams(qint64 id, bool stop) {
    ParamList p;
    p.setInt(QStringLiteral("id"), id);
    p.setValue(QStringLiteral("stop"), stop ? QStringLiteral("1") : QStringLiteral("0"));
    return p;
}

double lineAmount(double qty, double price) {
    return std::round(qty * price * 100.0) / 100.0;
}

}  // namespace dyt::client::contract
