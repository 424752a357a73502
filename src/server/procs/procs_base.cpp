// Procedures of the base data: lists, records, tree and row order.
#include <QSet>
#include <QStringList>

#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/procs_basecache.h"
#include "server/procs/procs_baselist.h"
#include "server/procs/procs_commission.h"
#include "server/procs/procs_cuxiao.h"
#include "server/procs/procs_hetong.h"
#include "server/procs/procs_goods.h"
#include "server/procs/procs_scmb.h"
#include "server/procs/registry.h"

namespace dyt::server {

namespace {

// The base tables whose rows carry a display order (column orderly). The client names the table;
// only a name of this list ever reaches an SQL text, and then in the spelling of the list.
const QStringList& orderedBaseTables() {
    static const QStringList tables = {
        QStringLiteral("baseGoods"), QStringLiteral("baseWLDW"),    QStringLiteral("baseZY"),
        QStringLiteral("baseCK"),    QStringLiteral("baseBM"),      QStringLiteral("baseDQ"),
        QStringLiteral("baseKM"),    QStringLiteral("baseZhaiYao"), QStringLiteral("baseZYJB"),
        QStringLiteral("basePP"),    QStringLiteral("baseJSFS"),    QStringLiteral("basetcIndex"),
    };
    return tables;
}

// The list's spelling of a table name given in any letter case; empty when it is not listed.
QString orderedTableName(const QString& name) {
    const QString wanted = name.trimmed();
    for (const QString& t : orderedBaseTables()) {
        if (t.compare(wanted, Qt::CaseInsensitive) == 0)
            return t;
    }
    return {};
}

// p_Base_Up_Orderly: the new display order of a base table. The ids arrive comma-separated in
// IdList, IdList2 … IdList5 (a long list is cut into these pieces at commas); the first id gets
// order 1, the next 2 and so on. All rows change or none.
int upOrderly(CallContext& c) {
    const QString table = orderedTableName(c.params.value(QStringLiteral("tableName")));
    if (table.isEmpty()) {
        c.message =
            QStringLiteral("表[%1]不能排序").arg(c.params.value(QStringLiteral("tableName")));
        return -1;
    }
    QList<qint64> ids;
    QSet<qint64> seen;
    for (int piece = 1; piece <= 5; ++piece) {
        const QString name =
            piece == 1 ? QStringLiteral("IdList") : QStringLiteral("IdList%1").arg(piece);
        const QStringList parts = c.params.value(name).split(QLatin1Char(','));
        for (const QString& part : parts) {
            const QString text = part.trimmed();
            if (text.isEmpty())
                continue;
            bool ok = false;
            const qint64 id = text.toLongLong(&ok);
            if (!ok) {
                c.message = QStringLiteral("排序的记录编号[%1]无效").arg(text);
                return -1;
            }
            if (seen.contains(id)) {
                c.message = QStringLiteral("排序的记录编号[%1]重复").arg(text);
                return -1;
            }
            seen.insert(id);
            ids.append(id);
        }
    }
    Statement st =
        c.db.prepare(QStringLiteral("UPDATE %1 SET orderly = ? WHERE id = ?").arg(table));
    for (int i = 0; i < ids.size(); ++i) {
        st.reset();
        st.bindAll({i + 1, ids[i]});
        st.execute();
    }
    return static_cast<int>(ids.size());
}

}  // namespace

void registerBaseProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("p_Base_Up_Orderly"), upOrderly);
    registerGoodsProcedures(procedures);
    registerBaseCacheProcedures(procedures);
    registerBaseListProcedures(procedures);
    promotions::registerProcedures(procedures);
    assembly::registerProcedures(procedures);
    contracts::registerProcedures(procedures);
    commission::registerProcedures(procedures);
}

}  // namespace dyt::server
