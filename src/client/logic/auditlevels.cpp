#include "client/logic/auditlevels.h"

#include "common/error.h"
#include "common/recordset.h"
#include "common/sqltext.h"

namespace dyt::client::auditlevels {

QStringList levelItems() {
    return {QStringLiteral("一级"), QStringLiteral("二级"), QStringLiteral("三级"),
            QStringLiteral("四级"), QStringLiteral("五级")};
}

QList<int> kinds() {
    return {1,  2,  5,  6,  12, 13, 11, 10, 15, 16, 14, 9,  35, 36, 37,
            38, 39, 40, 21, 22, 17, 18, 19, 20, 29, 28, 30, 31, 33, 32};
}

QString kindsSql() {
    QStringList numbers;
    for (int k : kinds())
        numbers.append(QString::number(k));
    return QStringLiteral("select id, fullname from sysDjb where sonnum=0 and id in (0,") +
           numbers.join(QLatin1Char(',')) + QStringLiteral(") order by orderly ");
}

QString kindSql(int kindId) {
    return QStringLiteral(" select * from sysdjb where id  = ") + QString::number(kindId);
}

Levels Levels::fromRows(RecordSet& rows) {
    rows.first();
    if (rows.eof())
        throw DytError(QStringLiteral("单据类型的审核设置不存在"));
    Levels l;
    l.levelIndex =
        qBound(0, static_cast<int>(rows.integer(QStringLiteral("inputnum"))) - 1, kSteps - 1);
    for (int step = 1; step <= kSteps; ++step) {
        const QString n = QString::number(step);
        l.names[step - 1] = rows.text(QStringLiteral("inputName") + n);
        if (step >= 2) {
            l.idLists[step - 2] = rows.text(QStringLiteral("inputid") + n);
            l.texts[step - 2] = rows.text(QStringLiteral("inputText") + n);
        }
    }
    return l;
}

QString saveSql(int kindId, const Levels& levels) {
    const QString where = QStringLiteral(" where id = ") + QString::number(kindId);
    QStringList statements{
        QStringLiteral(" Update sysdjb set inputnum = %1").arg(levels.levelIndex + 1) + where,
        QStringLiteral(" Update sysdjb set inputname1 = ") + sqlQuoted(levels.names[0]) + where};
    for (int step = 2; step <= levels.levelIndex + 1 && step <= kSteps; ++step) {
        const QString n = QString::number(step);
        statements << QStringLiteral(" Update sysdjb set inputname") + n + QStringLiteral(" = ") +
                          sqlQuoted(levels.names[step - 1]) + where
                   << QStringLiteral(" Update sysdjb set inputid") + n + QStringLiteral(" = ") +
                          sqlQuoted(levels.idLists[step - 2]) + where
                   << QStringLiteral(" Update sysdjb set inputText") + n + QStringLiteral(" = ") +
                          sqlQuoted(levels.texts[step - 2]) + where;
    }
    return statements.join(QStringLiteral("\r\n"));
}

bool stepEnabled(int levelIndex, int step) {
    return levelIndex >= 0 && step >= 1 && step <= kSteps && step - 1 <= levelIndex;
}

QList<qint64> idsOf(const QString& idList) {
    QString inner = idList.trimmed();
    if (inner.startsWith(QLatin1Char('(')))
        inner.remove(0, 1);
    if (inner.endsWith(QLatin1Char(')')))
        inner.chop(1);
    QStringList parts = inner.split(QLatin1Char(','));
    // The framing zeros: the first and the last item.
    if (!parts.isEmpty() && parts.first().trimmed() == QLatin1String("0"))
        parts.removeFirst();
    if (!parts.isEmpty() && parts.last().trimmed() == QLatin1String("0"))
        parts.removeLast();
    QList<qint64> ids;
    for (const QString& p : parts) {
        bool ok = false;
        const qint64 id = p.trimmed().toLongLong(&ok);
        if (ok && id > 0)
            ids.append(id);
    }
    return ids;
}

QString idListText(const QList<qint64>& ids) {
    QString text = QStringLiteral("(0");
    for (qint64 id : ids)
        text += QLatin1Char(',') + QString::number(id);
    return text + QStringLiteral(",0)");
}

QString employeesSql(const QString& idList) {
    return QStringLiteral(
               "select id,fullname from basezy where del = 0 and sonnum = 0 and id in ") +
           idListText(idsOf(idList));
}

}  // namespace dyt::client::auditlevels
