// Procedures of the function menu and the operator's rights.
#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/registry.h"

namespace dyt::server {

namespace {

// The function menu of one operator: every entry of sysMenu in menu order (the order codes spell
// the path from the menu bar down), with the operator's grant. Operator 1 holds every right
// whether or not a rights row exists; any other operator holds what sysPurview grants.
//
// Lines: userid, the operator whose rights are read (the session's operator when missing);
// czyid, the operator asking.
int getPurview(CallContext& c) {
    const ParamList& p = c.params;
    const QString userText = p.value(QStringLiteral("userid")).trimmed();
    qint64 userId = c.userId;
    if (!userText.isEmpty()) {
        bool ok = false;
        userId = userText.toLongLong(&ok);
        if (!ok) {
            c.message = QStringLiteral("操作员编号[%1]不正确").arg(userText);
            return -1;
        }
    }
    c.data = c.db.query(
        QStringLiteral(
            "SELECT m.id AS id, m.Name AS Name, CAST(m.code AS INTEGER) AS code, "
            "m.sonnum AS sonnum, m.leveal AS leveal, m.isbtn AS isbtn, "
            "CASE WHEN ?1 = 1 THEN 1 ELSE COALESCE(p.isbj, 0) END AS isbj, "
            "m.hide AS hide, m.groupby AS groupby, m.ShortCut AS ShortCut "
            "FROM sysMenu AS m LEFT JOIN sysPurview AS p ON p.menuid = m.id AND p.userid = ?1 "
            "ORDER BY m.ordercode"),
        {userId});
    return 0;
}

}  // namespace

void registerMenuProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("p_sys_Get_purview"), getPurview, false);
}

}  // namespace dyt::server
