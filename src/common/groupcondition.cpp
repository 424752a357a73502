#include "common/groupcondition.h"

#include <QSet>
#include <QStringList>

#include "common/condition.h"
#include "common/error.h"

namespace dyt {

namespace {

DytError malformed(const QString& text) {
    return DytError(QStringLiteral("分组条件错误[%1]").arg(text));
}

void checkGroups(const QList<QList<qint64>>& groups, const QString& text) {
    if (groups.isEmpty())
        throw DytError(QStringLiteral("请至少新增一个组！"));
    QSet<qint64> seen;
    for (const QList<qint64>& g : groups) {
        if (g.isEmpty())
            throw malformed(text);
        for (const qint64 id : g) {
            if (id < 1 || seen.contains(id))
                throw malformed(text);
            seen.insert(id);
        }
    }
}

}  // namespace

QString composeGroupCondition(const GroupCondition& condition) {
    ConditionString c;
    c.add(QStringLiteral("czy_id"), condition.operatorId);
    c.add(QStringLiteral("groupkind"), condition.kind);
    c.add(QStringLiteral("groupcount"), static_cast<qint64>(condition.groups.size()));
    for (const QList<qint64>& g : condition.groups) {
        QStringList ids;
        for (const qint64 id : g)
            ids.append(QString::number(id));
        c.add(QStringLiteral("group"), ids.join(QLatin1Char(',')));
    }
    const QString text = c.toString();
    checkGroups(condition.groups, text);
    return text;
}

GroupCondition parseGroupCondition(const QString& line) {
    const ConditionString c = ConditionString::parse(line);
    GroupCondition out;
    out.operatorId = c.value(QStringLiteral("czy_id")).toLongLong();
    out.kind = c.value(QStringLiteral("groupkind"));
    for (const ConditionPair& pair : c.pairs()) {
        if (pair.key.compare(QStringLiteral("group"), Qt::CaseInsensitive) != 0)
            continue;
        QList<qint64> ids;
        for (const QString& part : pair.value.split(QLatin1Char(','))) {
            bool ok = false;
            const qint64 id = part.toLongLong(&ok);
            if (!ok)
                throw malformed(line);
            ids.append(id);
        }
        out.groups.append(ids);
    }
    bool ok = false;
    const int count = c.value(QStringLiteral("groupcount")).toInt(&ok);
    if (!ok || count != out.groups.size() || out.kind.isEmpty())
        throw malformed(line);
    checkGroups(out.groups, line);
    return out;
}

}  // namespace dyt
