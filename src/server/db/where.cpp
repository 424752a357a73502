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

QString rightsTableOf(RecordKind kind) {
    switch (kind) {
        case RecordKind::Goods:
            return QStringLiteral("baseGoodsPurview");
        case RecordKind::Partner:
            return QStringLiteral("baseWLDWPurview");
        case RecordKind::Warehouse:
            return QStringLiteral("baseCKPurview");
        case RecordKind::Account:
            return QStringLiteral("baseYHZHPurview");
        case RecordKind::Employee:
            return QStringLiteral("basezyPurview");
        case RecordKind::Department:
            break;
    }
    return QStringLiteral("basebmPurview");
}

RecordRights::RecordRights(Database& db, qint64 userId) : userId_(userId) {
    if (!recordRightsOn(db, userId))
        return;
    for (RecordKind kind : {RecordKind::Goods, RecordKind::Partner, RecordKind::Warehouse,
                            RecordKind::Account, RecordKind::Employee, RecordKind::Department}) {
        const QVariant refused = db.scalar(
            QStringLiteral("SELECT 1 FROM %1 WHERE czy_id = ? AND isbj = 0 LIMIT 1")
                .arg(rightsTableOf(kind)),
            {userId});
        if (refused.isValid())
            refused_ |= bit(kind);
    }
}

void RecordRights::add(Where& w, RecordKind kind, const QString& column) const {
    if (refuses(kind))
        addRecordRights(w, rightsTableOf(kind), column, userId_);
}

void RecordRights::addBill(Where& w, const QString& bill) const {
    const auto column = [&bill](const char* name) {
        return bill + u'.' + QLatin1String(name);
    };
    add(w, RecordKind::Partner, column("wldw_id"));
    add(w, RecordKind::Partner, column("yfwldw_id"));
    add(w, RecordKind::Employee, column("jsr_id"));
    add(w, RecordKind::Department, column("dep_id"));
    if (refuses(RecordKind::Warehouse)) {
        add(w, RecordKind::Warehouse, column("IntoStock_id"));
        add(w, RecordKind::Warehouse, column("OutStock_id"));
        w.add(QStringLiteral("NOT EXISTS (SELECT 1 FROM djList AS x, baseCKPurview AS r WHERE "
                             "x.id = %1 AND r.id IN (x.IntoStock_id, x.OutStock_id) AND "
                             "r.czy_id = ? AND r.isbj = 0)")
                  .arg(column("id")),
              {userId_});
    }
    if (refuses(RecordKind::Account)) {
        add(w, RecordKind::Account, column("sfkKm_id"));
        add(w, RecordKind::Account, column("yfKm_id"));
        w.add(QStringLiteral("NOT EXISTS (SELECT 1 FROM djList AS x, baseYHZHPurview AS r WHERE "
                             "x.id = %1 AND r.id = x.km_id AND r.czy_id = ? AND r.isbj = 0)")
                  .arg(column("id")),
              {userId_});
        w.add(QStringLiteral("NOT EXISTS (SELECT 1 FROM djKmDetail AS x, baseYHZHPurview AS r "
                             "WHERE x.id = %1 AND x.type IN (1, 2) AND r.id = x.km_id AND "
                             "r.czy_id = ? AND r.isbj = 0)")
                  .arg(column("id")),
              {userId_});
    }
}

void RecordRights::addBillOf(Where& w, const QString& billId) const {
    Where bill;
    addBill(bill, QStringLiteral("rb"));
    if (!bill.parts.isEmpty()) {
        w.add(QStringLiteral("EXISTS (SELECT 1 FROM djIndex AS rb WHERE rb.id = %1 AND %2)")
                  .arg(billId, bill.text()),
              bill.values);
    }
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
