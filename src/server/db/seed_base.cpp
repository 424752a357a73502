// Operator 1 with every right, and the small fixed lists a new account set starts with.

#include "server/db/schema_internal.h"

namespace dyt::server::schema::detail {

void seedOperator(Connection db, const SeedContext& ctx) {
    // Operator 1 is the system administrator: an employee that cannot be changed or deleted.
    Statement(db,
              "INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, fullname, name, pym, "
              "depid, del, candel) VALUES (1, 0, '1,', 1, 0, '001', '系统管理员', '系统管理员', "
              "'XTGLY', 0, 0, 0)")
        .run({});
    Statement(db, "INSERT INTO sysuser(id, password, par_id) VALUES (1, ?, 0)")
        .run({ctx.adminPasswordHash});
    // Every function and operation right, granted.
    exec(db,
         "INSERT INTO sysPurview(userid, menuid, isbj, iscygn, openCount) "
         "SELECT 1, id, 1, 0, 0 FROM sysMenu ORDER BY id");
}

void seedLookups(Connection db) {
    // Costing methods (id = the goods' costmode) for the picker of kind "goodshs".
    Statement method(db,
                     "INSERT INTO baseGoodsHS(id, par_id, par_jl, leveal, sonnum, code, fullname, "
                     "pym) VALUES (?, 0, ?, 1, 0, ?, ?, ?)");
    const char* const names[] = {"移动加权平均", "手工指定法", "先进先出", "后进先出"};
    const char* const pyms[] = {"YDJQPJ", "SGZDF", "XJXC", "HJXC"};
    for (long long i = 0; i < 4; ++i) {
        method.run({i, QString::number(i) + QLatin1Char(','), QString::number(i),
                    QString::fromUtf8(names[i]), QString::fromUtf8(pyms[i])});
    }
    // The home currency for the picker of kind "wb".
    Statement(db,
              "INSERT INTO T_base_currency(moneyId, code, Name, rate, comment, deleted) "
              "VALUES (1, 'RMB', '人民币', 1, '本位币', 0)")
        .run({});
}

}  // namespace dyt::server::schema::detail
