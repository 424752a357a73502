// The commission plans of the plan window and the goods editor.
//
// p_Base_Get_TCFA: the plans of a kind (tclxid 1 employees, 2 goods; none: all) with the number
// of records that use them; with "assigned=1" instead the records of that kind (objid: that one)
// and the plan each one has (none: empty plan columns).
// p_Base_Up_TCFA: id 0 adds, id > 0 changes, del = 1 deletes a plan. A plan has a code and a name
// (both unique among the plans), its way tcfs (1 percent of the sales amount, 2 amount per base
// unit, 3 percent of the gross profit) and its value tcl. A plan in use is not deleted.
// p_Base_Up_TCFP: gives the record objid of kind tclxid the plan tcid (0 takes it away).
#include "server/procs/procs_commission.h"

#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/registry.h"

namespace dyt::server::commission {

namespace {

QString text(const ParamList& p, const char* name) {
    return p.value(QString::fromLatin1(name)).trimmed();
}

qint64 idOf(const ParamList& p, const char* name, const QString& caption) {
    const QString t = text(p, name);
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (!ok || v < 0)
        throw DytError(QStringLiteral("%1[%2]无效").arg(caption, t));
    return v;
}

int kindOf(const ParamList& p) {
    const QString t = text(p, "tclxid");
    if (t != u"1" && t != u"2")
        throw DytError(QStringLiteral("提成方案类型[%1]无效，应为 1（职员）或 2（商品）").arg(t));
    return t.toInt();
}

QString kindName(int kind) {
    return kind == 1 ? QStringLiteral("职员") : QStringLiteral("商品");
}

QString recordTable(int kind) {
    return kind == 1 ? QStringLiteral("baseZY") : QStringLiteral("baseGoods");
}

int getPlans(CallContext& c) {
    return inReadView(c, [&c] {
        const bool assigned = text(c.params, "assigned") == u"1";
        if (assigned) {
            const int kind = kindOf(c.params);
            const qint64 one = idOf(c.params, "objid", kindName(kind));
            c.data = c.db.query(
                QStringLiteral(
                    "SELECT r.id, r.code, r.fullname, COALESCE(t.id, 0) AS tcid, "
                    "COALESCE(t.code, '') AS tccode, COALESCE(t.fullname, '') AS tcname FROM %1 "
                    "AS r LEFT JOIN basetcAssign AS s ON s.tclxid = ? AND s.objid = r.id LEFT "
                    "JOIN basetcIndex AS t ON t.id = s.tcid WHERE r.sonnum = 0 AND COALESCE(r.del, "
                    "0) = 0 AND (? = 0 OR r.id = ?) ORDER BY r.code, r.id")
                    .arg(recordTable(kind)),
                {kind, one, one});
            c.data.first();
            return 0;
        }
        QString where = QStringLiteral("COALESCE(t.del, 0) = 0");
        QVariantList values;
        if (!text(c.params, "tclxid").isEmpty()) {
            where += QStringLiteral(" AND t.tclxid = ?");
            values << kindOf(c.params);
        }
        c.data = c.db.query(
            QStringLiteral(
                "SELECT t.id, t.code, t.fullname, t.tclxid, CASE t.tclxid WHEN 1 THEN '职员' ELSE "
                "'商品' END AS tclxName, t.tcfs, CASE t.tcfs WHEN 1 THEN '按销售金额比例' WHEN 2 "
                "THEN '按销售数量定额' ELSE '按毛利比例' END AS tcfsName, t.tcl, "
                "COALESCE(t.comment, '') AS comment, (SELECT COUNT(*) FROM basetcAssign AS s "
                "WHERE s.tcid = t.id) AS useCount FROM basetcIndex AS t WHERE %1 ORDER BY "
                "t.tclxid, t.code, t.id")
                .arg(where),
            values);
        c.data.first();
        return 0;
    });
}

int upPlan(CallContext& c) {
    const ParamList& p = c.params;
    const qint64 id = idOf(p, "id", QStringLiteral("提成方案"));
    if (id > 0 && !c.db.scalar(QStringLiteral("SELECT 1 FROM basetcIndex WHERE id = ? AND "
                                              "COALESCE(del, 0) = 0"),
                               {id})
                       .isValid())
        throw DytError(QStringLiteral("提成方案[%1]不存在或已被删除").arg(id));
    if (text(p, "del") == u"1") {
        if (id <= 0)
            throw DytError(QStringLiteral("请选择要删除的提成方案"));
        const int uses = c.db.scalar(QStringLiteral("SELECT COUNT(*) FROM basetcAssign WHERE "
                                                    "tcid = ?"),
                                     {id})
                             .toInt();
        if (uses > 0) {
            throw DytError(
                QStringLiteral("该提成方案已被 %1 个商品或职员使用，不能删除").arg(uses));
        }
        c.db.execute(QStringLiteral("DELETE FROM basetcIndex WHERE id = ?"), {id});
        return static_cast<int>(id);
    }
    const QString code = text(p, "code");
    const QString name = text(p, "fullname");
    if (code.isEmpty())
        throw DytError(QStringLiteral("请输入方案编号"));
    if (name.isEmpty())
        throw DytError(QStringLiteral("请输入方案名称"));
    const int kind = id > 0 ? c.db.scalar(QStringLiteral("SELECT tclxid FROM basetcIndex WHERE "
                                                         "id = ?"),
                                          {id})
                                  .toInt()
                            : kindOf(p);
    if (id > 0 && !text(p, "tclxid").isEmpty() && kindOf(p) != kind)
        throw DytError(QStringLiteral("提成方案的类型不能修改"));
    bool ok = false;
    const int way = text(p, "tcfs").toInt(&ok);
    if (!ok || way < 1 || way > 3)
        throw DytError(QStringLiteral("提成方式[%1]无效").arg(text(p, "tcfs")));
    const double value = text(p, "tcl").isEmpty() ? 0.0 : text(p, "tcl").toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0)
        throw DytError(QStringLiteral("提成值[%1]无效，不能小于 0").arg(text(p, "tcl")));
    if (way != 2 && value > 100)
        throw DytError(QStringLiteral("提成比例不能大于 100%"));
    if (value > 1e9)
        throw DytError(QStringLiteral("提成值[%1]太大").arg(text(p, "tcl")));
    for (const auto& [column, shown, caption] :
         {std::tuple{"code", code, "编号"}, std::tuple{"fullname", name, "名称"}}) {
        if (c.db.scalar(QStringLiteral("SELECT 1 FROM basetcIndex WHERE %1 = ? AND id <> ? AND "
                                       "COALESCE(del, 0) = 0")
                            .arg(QString::fromLatin1(column)),
                        {shown, id})
                .isValid())
            throw DytError(QStringLiteral("提成方案%1[%2]已存在")
                               .arg(QString::fromUtf8(caption), shown));
    }
    const QString comment = text(p, "comment");
    if (id > 0) {
        c.db.execute(QStringLiteral("UPDATE basetcIndex SET code = ?, fullname = ?, tcfs = ?, "
                                    "tcl = ?, comment = ? WHERE id = ?"),
                     {code, name, way, value, comment, id});
        return static_cast<int>(id);
    }
    const int order =
        c.db.scalar(QStringLiteral("SELECT COALESCE(MAX(orderly), 0) + 1 FROM basetcIndex"))
            .toInt();
    c.db.execute(QStringLiteral("INSERT INTO basetcIndex(par_id, par_jl, leveal, sonnum, code, "
                                "fullname, pym, tclxid, comment, del, orderly, tcfs, tcl) VALUES "
                                "(0, '', 1, 0, ?, ?, '', ?, ?, 0, ?, ?, ?)"),
                 {code, name, kind, comment, order, way, value});
    const qint64 newId = c.db.lastInsertId();
    c.db.execute(QStringLiteral("UPDATE basetcIndex SET par_jl = ? WHERE id = ?"),
                 {QStringLiteral("%1,").arg(newId), newId});
    return static_cast<int>(newId);
}

int upAssignment(CallContext& c) {
    const ParamList& p = c.params;
    const int kind = kindOf(p);
    const qint64 record = idOf(p, "objid", kindName(kind));
    const qint64 plan = idOf(p, "tcid", QStringLiteral("提成方案"));
    const RecordSet r = c.db.query(
        QStringLiteral("SELECT sonnum, fullname FROM %1 WHERE id = ? AND COALESCE(del, 0) = 0")
            .arg(recordTable(kind)),
        {record});
    if (record <= 0 || r.rowCount() == 0)
        throw DytError(QStringLiteral("%1[%2]不存在").arg(kindName(kind)).arg(record));
    if (r.at(0, 0).toInt() > 0) {
        throw DytError(QStringLiteral("[%1]是类别，请选择具体的%2")
                           .arg(r.at(0, 1).toString(), kindName(kind)));
    }
    if (plan == 0) {
        c.db.execute(QStringLiteral("DELETE FROM basetcAssign WHERE tclxid = ? AND objid = ?"),
                     {kind, record});
        return 0;
    }
    const QVariant planKind = c.db.scalar(
        QStringLiteral("SELECT tclxid FROM basetcIndex WHERE id = ? AND COALESCE(del, 0) = 0"),
        {plan});
    if (!planKind.isValid())
        throw DytError(QStringLiteral("提成方案[%1]不存在或已被删除").arg(plan));
    if (planKind.toInt() != kind) {
        throw DytError(
            QStringLiteral("该方案不是%1提成方案，不能指定给%1").arg(kindName(kind)));
    }
    c.db.execute(QStringLiteral("INSERT INTO basetcAssign(tclxid, objid, tcid) VALUES (?, ?, ?) "
                                "ON CONFLICT (tclxid, objid) DO UPDATE SET tcid = excluded.tcid"),
                 {kind, record, plan});
    return static_cast<int>(plan);
}

}  // namespace

void registerProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("p_Base_Get_TCFA"), getPlans, false);
    procedures.add(QStringLiteral("p_Base_Up_TCFA"), upPlan);
    procedures.add(QStringLiteral("p_Base_Up_TCFP"), upAssignment);
}

}  // namespace dyt::server::commission
