// Procedures of the function menu and the operators' rights: the menu rows of an operator, the
// operators, granting and revoking rights, and adding and deleting operators.
#include "common/error.h"
#include "server/db/database.h"
#include "server/db/password.h"
#include "server/procs/registry.h"

namespace dyt::server {

namespace {

// The right groups of the operator rights window: sysMenu.type 1..17; 0 stands for all of them.
constexpr int kLastGroup = 17;

// A whole number of a line, `missing` when the line is absent or blank; a text that is no number
// throws DytError with the message given.
qint64 number(const ParamList& p, const QString& name, qint64 missing, const QString& message) {
    const QString text = p.value(name).trimmed();
    if (text.isEmpty())
        return missing;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok)
        throw DytError(message.arg(text));
    return value;
}

bool isOperator(Database& db, qint64 id) {
    return db.scalar(QStringLiteral("SELECT 1 FROM sysuser WHERE id = ?"), {id}).isValid();
}

// The operator whose rights a call edits: an operator, and never operator 1.
qint64 editedOperator(CallContext& c) {
    const qint64 user =
        number(c.params, QStringLiteral("userid"), 0, QStringLiteral("操作员编号[%1]不正确"));
    if (user == 1)
        throw DytError(QStringLiteral("系统管理员拥有全部权限，不能修改"));
    if (user <= 0 || !isOperator(c.db, user))
        throw DytError(QStringLiteral("操作员[%1]不存在").arg(user));
    return user;
}

// The function menu of one operator: every entry of sysMenu in menu order (the order codes spell
// the path from the menu bar down), with the operator's grant. Operator 1 holds every right
// whether or not a rights row exists; any other operator holds what sysPurview grants.
//
// Lines: userid, the operator whose rights are read (the session's operator when missing);
// czyid, the operator asking; type, a right group (1..17, 0 = all): then only the rights of that
// group that the rights window lists, the menu entries under control (no menu bar, no entry open
// to everyone); code, with type: the operation rights of that entry (its code and two digits).
int getPurview(CallContext& c) {
    const ParamList& p = c.params;
    const qint64 userId =
        number(p, QStringLiteral("userid"), c.userId, QStringLiteral("操作员编号[%1]不正确"));
    const bool grouped = p.contains(QStringLiteral("type")) || p.contains(QStringLiteral("code"));
    const qint64 group = number(p, QStringLiteral("type"), 0, QStringLiteral("权限类型[%1]不正确"));
    if (group < 0 || group > kLastGroup)
        throw DytError(QStringLiteral("权限类型[%1]不正确").arg(group));
    const QString code = p.value(QStringLiteral("code")).trimmed();
    QString where;
    QVariantList values{userId};
    if (grouped) {
        where = QStringLiteral(" WHERE m.hide = 0 AND m.leveal > 0");
        if (group > 0) {
            where += QStringLiteral(" AND m.type = ?");
            values.append(group);
        }
        if (code.isEmpty()) {
            where += QStringLiteral(" AND m.isbtn = 0");
        } else {
            where += QStringLiteral(
                " AND m.isbtn = 1 AND length(m.code) = length(?) + 2 AND "
                "substr(m.code, 1, length(?)) = ?");
            values << code << code << code;
        }
    }
    c.data = c.db.query(
        QStringLiteral(
            "SELECT m.id AS id, m.Name AS Name, CAST(m.code AS INTEGER) AS code, "
            "m.sonnum AS sonnum, m.leveal AS leveal, m.isbtn AS isbtn, "
            "CASE WHEN ?1 = 1 THEN 1 ELSE COALESCE(p.isbj, 0) END AS isbj, "
            "m.hide AS hide, m.groupby AS groupby, m.ShortCut AS ShortCut, m.type AS type "
            "FROM sysMenu AS m LEFT JOIN sysPurview AS p ON p.menuid = m.id AND p.userid = ?1") +
            where + QStringLiteral(" ORDER BY m.ordercode"),
        values);
    return 0;
}

// The operators: every employee with a login, operator 1 first, then by code.
// Line par_id: the operator asking (the rights window sends the logged-in operator).
int getUsers(CallContext& c) {
    c.data = c.db.query(
        QStringLiteral("SELECT u.id AS id, z.code AS code, z.fullname AS fullname, z.name AS name, "
                       "u.par_id AS par_id, COALESCE(u.isstop, 0) AS isstop, z.del AS del "
                       "FROM sysuser AS u JOIN baseZY AS z ON z.id = u.id "
                       "ORDER BY CASE WHEN u.id = 1 THEN 0 ELSE 1 END, z.code, u.id"));
    return 0;
}

// Sets the grant of the given menu rows for the operator, adding the rows he has none of. A
// grant also grants the menu entries above each right: a right below an entry the operator
// cannot open would never be reached.
void setGrant(Database& db, qint64 user, const QString& menuRows, const QVariantList& values,
              bool grant) {
    QString rows = menuRows;
    if (grant) {
        rows = QStringLiteral(
                   "SELECT u.id FROM sysMenu AS u WHERE EXISTS (SELECT 1 FROM sysMenu AS d WHERE "
                   "d.id IN (") +
               menuRows + QStringLiteral(") AND substr(d.par_jl, 1, length(u.par_jl)) = u.par_jl)");
    }
    QVariantList bound{user, grant ? 1 : 0};
    bound << values;
    db.execute(QStringLiteral("INSERT INTO sysPurview(userid, menuid, isbj, iscygn, openCount) "
                              "SELECT ?, r.id, ?, 0, 0 FROM sysMenu AS r WHERE r.id IN (") +
                   rows +
                   QStringLiteral(") ON CONFLICT (userid, menuid) DO UPDATE SET isbj = "
                                  "excluded.isbj"),
               bound);
}

// p_sys_up_purview. Lines: userid, the operator whose rights change (never operator 1);
// itype 1: copies every right of operator `id` onto him (operator 1 counts as holding all);
// otherwise isbj (1 grant, 0 revoke) of the right `id` above 0, or of every right of the group
// -id (0 = all rights). Returns the number of rights rows written.
int upPurview(CallContext& c) {
    const ParamList& p = c.params;
    const qint64 user = editedOperator(c);
    const qint64 id = number(p, QStringLiteral("id"), 0, QStringLiteral("权限编号[%1]不正确"));
    if (p.value(QStringLiteral("itype")).trimmed() == u"1") {
        if (id == user || !isOperator(c.db, id))
            throw DytError(QStringLiteral("复制权限的操作员[%1]不存在").arg(id));
        return c.db.execute(
            QStringLiteral(
                "INSERT INTO sysPurview(userid, menuid, isbj, iscygn, openCount) "
                "SELECT ?1, m.id, CASE WHEN ?2 = 1 THEN 1 ELSE COALESCE(s.isbj, 0) END, 0, 0 "
                "FROM sysMenu AS m LEFT JOIN sysPurview AS s ON s.menuid = m.id AND s.userid = ?2 "
                "WHERE true ON CONFLICT (userid, menuid) DO UPDATE SET isbj = excluded.isbj"),
            {user, id});
    }
    const QString state = p.value(QStringLiteral("isbj")).trimmed();
    if (state != u"0" && state != u"1")
        throw DytError(QStringLiteral("授权状态[%1]不正确，应为 0 或 1").arg(state));
    const bool grant = state == u"1";
    if (id > 0) {
        if (!c.db.scalar(QStringLiteral("SELECT 1 FROM sysMenu WHERE id = ?"), {id}).isValid())
            throw DytError(QStringLiteral("权限[%1]不存在").arg(id));
        setGrant(c.db, user, QStringLiteral("?"), {id}, grant);
    } else if (-id > kLastGroup) {
        throw DytError(QStringLiteral("权限类型[%1]不正确").arg(-id));
    } else if (id == 0) {
        setGrant(c.db, user, QStringLiteral("SELECT g.id FROM sysMenu AS g"), {}, grant);
    } else {
        setGrant(c.db, user, QStringLiteral("SELECT g.id FROM sysMenu AS g WHERE g.type = ?"),
                 {-id}, grant);
    }
    return c.db.changes();
}

// p_sys_Up_User. id above 0: makes that employee (a live employee, not a category, not yet an
// operator) an operator with an empty password; par_id, the operator who added him (the session's
// when missing). id below 0: deletes operator -id with his rights; never operator 1, never the
// operator of the session. Returns the operator's id.
int upUser(CallContext& c) {
    const qint64 id =
        number(c.params, QStringLiteral("id"), 0, QStringLiteral("职员编号[%1]不正确"));
    if (id > 0) {
        const RecordSet emp = c.db.query(
            QStringLiteral("SELECT fullname, sonnum, del FROM baseZY WHERE id = ?"), {id});
        if (emp.rowCount() == 0 || emp.at(0, 2).toLongLong() != 0)
            throw DytError(QStringLiteral("职员[%1]不存在").arg(id));
        const QString name = emp.at(0, 0).toString().trimmed();
        if (emp.at(0, 1).toLongLong() > 0)
            throw DytError(QStringLiteral("[%1]是职员分类，不能设为操作员").arg(name));
        if (isOperator(c.db, id))
            throw DytError(QStringLiteral("[%1]已经是操作员").arg(name));
        const qint64 parent = number(c.params, QStringLiteral("par_id"), c.userId,
                                     QStringLiteral("上级操作员[%1]不正确"));
        c.db.execute(
            QStringLiteral("INSERT INTO sysuser(id, password, par_id, isstop) VALUES (?, ?, ?, 0)"),
            {id, password::hash(QString()), parent});
        return static_cast<int>(id);
    }
    const qint64 user = -id;
    if (user == 1)
        throw DytError(QStringLiteral("系统管理员不能删除"));
    if (user == c.userId)
        throw DytError(QStringLiteral("不能删除当前登录的操作员"));
    if (user <= 0 || !isOperator(c.db, user))
        throw DytError(QStringLiteral("操作员[%1]不存在").arg(user));
    // The rights rows of every kind go with the operator (their keys cascade).
    c.db.execute(QStringLiteral("DELETE FROM sysuser WHERE id = ?"), {user});
    return static_cast<int>(user);
}

}  // namespace

void registerMenuProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("p_sys_Get_purview"), getPurview, false);
    procedures.add(QStringLiteral("p_sys_Get_User"), getUsers, false);
    procedures.add(QStringLiteral("p_sys_up_purview"), upPurview);
    procedures.add(QStringLiteral("p_sys_Up_User"), upUser);
}

}  // namespace dyt::server
