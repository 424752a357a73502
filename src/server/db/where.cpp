#include "server/db/where.h"

#include "common/condition.h"
#include "common/error.h"
#include "server/db/database.h"

namespace dyt::server {

void Where::add(const QString& sql, const QVariantList& bound) {
    parts << sql;
    values << bound;
}

QString Where::text() const {
    return parts.isEmpty() ? QStringLiteral("1 = 1") : parts.join(QStringLiteral(" AND "));
}

QString Where::clause() const {
    return parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + text();
}

qint64 conditionId(const ConditionString& c, const QString& key, qint64 missing) {
    const QString v = c.value(key).trimmed();
    if (v.isEmpty())
        return missing;
    bool ok = false;
    const qint64 id = v.toLongLong(&ok);
    if (!ok)
        throw DytError(QStringLiteral("查询条件[%1]不是有效的编号: %2").arg(key, v));
    return id;
}

bool conditionFlag(const ConditionString& c, const QString& key) {
    return c.value(key).trimmed() == u"1";
}

bool recordRightsOn(Database& db, qint64 userId) {
    if (userId == 1)
        return false;
    const QString on =
        db.scalar(QStringLiteral("SELECT sysValue FROM sysConf WHERE id = 2004")).toString();
    return on.trimmed() == QLatin1String("1");
}

void addRecordRights(Where& w, const QString& rightsTable, const QString& column, qint64 userId) {
    w.add(QStringLiteral("NOT EXISTS (SELECT 1 FROM %1 AS r WHERE r.id = %2 AND r.czy_id = ? "
                         "AND r.isbj = 0)")
              .arg(rightsTable, column),
          {userId});
}

QString inRecords(const RecordChoice& r, const QString& table, QVariantList* values) {
    values->append(r.id);
    if (!r.withSubs)
        return QStringLiteral("IN (?)");
    return QStringLiteral(
               "IN (SELECT c.id FROM %1 AS c, %1 AS p WHERE p.id = ? AND (c.id = p.id "
               "OR substr(c.par_jl, 1, length(p.par_jl)) = p.par_jl))")
        .arg(table);
}

QString containsPattern(const QString& text) {
    QString escaped;
    escaped.reserve(text.size() + 4);
    for (const QChar ch : text) {
        if (ch == u'\\' || ch == u'%' || ch == u'_')
            escaped += u'\\';
        escaped += ch;
    }
    return u'%' + escaped + u'%';
}

QString prefixPattern(const QString& text) {
    return containsPattern(text).mid(1);
}

}  // namespace dyt::server
