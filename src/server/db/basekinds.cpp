// The base-data kinds of the list windows and record editors.
#include "server/db/basekinds.h"

#include <QDateTime>

#include "server/db/database.h"

namespace dyt::server::base {

namespace {

const QString kStopName =
    QStringLiteral(", CASE WHEN t.isstop = 1 THEN '是' ELSE '否' END AS stopName");

BaseKind fromRow(const BaseKindRow& row) {
    BaseKind k;
    k.caption = QString::fromUtf8(row.caption);
    k.queryTypes = row.queryTypeList();
    k.table = QLatin1String(row.table);
    k.conditionKey = QLatin1String(row.conditionKey);
    k.rightsTable = QLatin1String(row.rightsTable);
    k.saveProc = QLatin1String(row.saveProcedure);
    k.deleteProc = QLatin1String(row.deleteProcedure);
    k.hasStop = row.hasStop;
    k.hasName = row.hasName;
    k.hasUpdateTime = row.hasUpdateTime;
    k.operatorsOnly = row.operatorsOnly;
    k.systemRows = row.systemRows;
    k.listFields = QLatin1String(row.listFields);
    k.listColumns = (row.hasStop ? kStopName : QString()) + QLatin1String(row.listColumns);
    k.listJoins = QLatin1String(row.listJoins);
    for (const BaseFieldRow& f : row.fields) {
        if (f.store == FieldKind::None)
            continue;
        // The save works on the tree columns by their column names, whatever case the editor
        // sends them in ("FullName").
        QString name = f.fieldName();
        for (const char* tree : {"code", "fullname", "pym"}) {
            if (name.compare(QLatin1String(tree), Qt::CaseInsensitive) == 0)
                name = QLatin1String(tree);
        }
        k.fields.append({name, f.store, f.labelText()});
    }
    if (row.customFields != BaseCustomFields::None) {
        for (int i = 1; i <= 10; ++i) {
            k.fields.append(
                {QStringLiteral("bz%1").arg(i), FieldKind::Text, QStringLiteral("自定义%1").arg(i)});
        }
    }
    return k;
}

}  // namespace

const QList<BaseKind>& kinds() {
    static const QList<BaseKind> all = [] {
        QList<BaseKind> out;
        for (const BaseKindRow& row : baseKindRows())
            out.append(fromRow(row));
        return out;
    }();
    return all;
}

const BaseKind* kindByQueryType(const QString& queryType) {
    const QString wanted = queryType.trimmed();
    for (const BaseKind& k : kinds()) {
        for (const QString& q : k.queryTypes) {
            if (q.compare(wanted, Qt::CaseInsensitive) == 0)
                return &k;
        }
    }
    return nullptr;
}

const BaseKind* kindByTable(const QString& table) {
    const QString wanted = table.trimmed();
    for (const BaseKind& k : kinds()) {
        if (k.table.compare(wanted, Qt::CaseInsensitive) == 0)
            return &k;
    }
    return nullptr;
}

bool recordRightsApply(Database& db, const BaseKind& kind, qint64 userId) {
    if (kind.rightsTable.isEmpty() || userId == 1)
        return false;
    const QVariant on = db.scalar(QStringLiteral("SELECT sysValue FROM sysConf WHERE id = 2004"));
    return on.toString().trimmed() == QLatin1String("1");
}

QString changeStamp() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace dyt::server::base
