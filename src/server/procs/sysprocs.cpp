// Procedures of the system module: operation log, grid layouts, settings rows.
#include <QDateTime>

#include "common/error.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/procs/registry.h"

namespace dyt::server {

void Registry::add(const QString& name, Handler handler, bool writes,
                   std::optional<QStringList> queryTypes) {
    entries_.insert(name.toLower(),
                    Entry{name, std::move(handler), writes, std::move(queryTypes)});
}

int inReadView(CallContext& c, const std::function<int()>& read) {
    if (c.db.inTransaction())
        return read();
    Transaction tx(c.db, Transaction::Lock::Deferred);
    const int result = read();
    tx.commit();
    return result;
}

bool Registry::serves(const QString& name, const QString& queryType) const {
    const Entry* e = find(name);
    return e && (!e->queryTypes ||
                 e->queryTypes->contains(queryType.trimmed(), Qt::CaseInsensitive));
}

const Registry::Entry* Registry::find(const QString& name) const {
    auto it = entries_.constFind(name.trimmed().toLower());
    return it == entries_.constEnd() ? nullptr : &it.value();
}

QStringList Registry::names() const {
    QStringList out;
    for (const auto& e : entries_)
        out.append(e.name);
    out.sort(Qt::CaseInsensitive);
    return out;
}

namespace {

QString now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Operation log: the operator comes from the session, the rest from the lines.
int upLog(CallContext& c) {
    const ParamList& p = c.params;
    c.db.execute(
        QStringLiteral(
            "INSERT INTO sysLog(logTime, logUserName, logUserId, logHostName, logIpAddr, "
            "logMacAddr, logMsgType, logMsgCont, aTag) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {now(), c.userName, c.userId, p.value(QStringLiteral("logHostName")),
         p.value(QStringLiteral("logIpAddr")), p.value(QStringLiteral("logMacAddr")),
         p.intValue(QStringLiteral("logMsgType")), p.value(QStringLiteral("logMsgCont")),
         p.value(QStringLiteral("aTag"))});
    return 0;
}

// Grid layout of the operator: one row per (ColId, operator).
int upColConfigure(CallContext& c) {
    const QString colId = c.params.value(QStringLiteral("ColId")).trimmed();
    if (colId.isEmpty()) {
        c.message = QStringLiteral("表格配置缺少ColId");
        return -1;
    }
    QVariantList values{colId, c.userId};
    for (int i = 1; i <= 10; ++i)
        values.append(c.params.value(QStringLiteral("colstr%1").arg(i)));
    values.append(c.params.value(QStringLiteral("ColValue")));
    c.db.execute(
        QStringLiteral("INSERT INTO sysColConfigure(ColId, userId, colstr1, colstr2, colstr3, "
                       "colstr4, colstr5, colstr6, colstr7, colstr8, colstr9, colstr10, ColValue) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                       "ON CONFLICT(ColId, userId) DO UPDATE SET colstr1 = excluded.colstr1, "
                       "colstr2 = excluded.colstr2, colstr3 = excluded.colstr3, "
                       "colstr4 = excluded.colstr4, colstr5 = excluded.colstr5, "
                       "colstr6 = excluded.colstr6, colstr7 = excluded.colstr7, "
                       "colstr8 = excluded.colstr8, colstr9 = excluded.colstr9, "
                       "colstr10 = excluded.colstr10, ColValue = excluded.ColValue"),
        values);
    return 0;
}

// One settings row: sysData.sysValue of Name becomes DefValue, the row is added when missing.
int upDataRow(CallContext& c) {
    const QString name = c.params.value(QStringLiteral("Name")).trimmed();
    if (name.isEmpty()) {
        c.message = QStringLiteral("系统参数名称不能为空");
        return -1;
    }
    const QString value = c.params.value(QStringLiteral("DefValue"));
    if (c.db.execute(QStringLiteral("UPDATE sysData SET sysValue = ? WHERE Name = ?"),
                     {value, name}) == 0) {
        c.db.execute(QStringLiteral("INSERT INTO sysData(Name, sysValue) VALUES (?, ?)"),
                     {name, value});
    }
    return 0;
}

// The versions of the server program and of the account set's tables.
int getVersion(CallContext& c) {
    c.data.clear();
    c.data.addField(QStringLiteral("ServerVersion"), FieldType::Text);
    c.data.addField(QStringLiteral("SchemaVersion"), FieldType::Integer);
    c.data.appendRow({QStringLiteral(DYT_SERVER_VERSION), schema::storedVersion(c.db.handle())});
    c.data.first();
    return 0;
}

}  // namespace

void registerSystemProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("P_SYS_Get_Version"), getVersion, false);
    procedures.add(QStringLiteral("p_sys_Up_Log"), upLog);
    procedures.add(QStringLiteral("p_sys_Up_ColConfigure"), upColConfigure);
    procedures.add(QStringLiteral("P_SYS_Up_DataRow"), upDataRow);
}

}  // namespace dyt::server
