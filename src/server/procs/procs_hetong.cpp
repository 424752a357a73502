#include "server/procs/procs_hetong.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>

#include "common/condition.h"
#include "common/error.h"
#include "server/db/database.h"
#include "server/db/where.h"
#include "server/procs/registry.h"

namespace dyt::server::contracts {

namespace {

constexpr int kMaxLines = 500;

QString text(const ParamList& p, const QString& name) {
    return p.value(name).trimmed();
}

QString text(const ParamList& p, const char* name) {
    return text(p, QString::fromLatin1(name));
}

qint64 idOf(const ParamList& p, const QString& name, const QString& caption) {
    const QString t = text(p, name);
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (!ok || v < 0)
        throw DytError(QStringLiteral("%1[%2]无效").arg(caption, t));
    return v;
}

double numberOf(const QString& t, const QString& caption) {
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > 1e12)
        throw DytError(QStringLiteral("%1必须是数字：%2").arg(caption, t));
    return v;
}

QString dateOf(const ParamList& p, const char* name, const QString& caption) {
    const QString t = text(p, name);
    if (t.isEmpty())
        throw DytError(QStringLiteral("请输入") + caption);
    const QDate d = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid() || (t.size() > 10 && t.at(10) != u' '))
        throw DytError(QStringLiteral("%1不是有效的日期：%2").arg(caption, t));
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

double round4(double v) {
    return std::round(v * 10000.0) / 10000.0;
}

QString now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

struct Line {
    qint64 goods = 0;
    QString unit;
    double rate = 1;
    double qty = 0;
    double price = 0;
    double total = 0;
    QString comment;
};

struct Contract {
    qint64 id = 0;
    int type = 0;  // 0 purchase, 1 sales
    QString code;
    qint64 partner = 0;
    QString signDate, begin, end;
    qint64 employee = 0;
    QString summary;
    QList<Line> lines;
    double total = 0;
};

void checkRecord(Database& db, const QString& table, qint64 id, const QString& caption) {
    const RecordSet r = db.query(
        QStringLiteral("SELECT fullname, sonnum FROM %1 WHERE id = ? AND del = 0").arg(table),
        {id});
    if (r.rowCount() == 0)
        throw DytError(QStringLiteral("%1[%2]不存在").arg(caption).arg(id));
    if (r.at(0, 1).toInt() > 0)
        throw DytError(QStringLiteral("%1[%2]是一个分类，不能用于合同")
                           .arg(caption, r.at(0, 0).toString().trimmed()));
}

// The unit of a line: a unit of the goods by its name (its rate); no name is the base unit.
void resolveUnit(Database& db, Line& l, int row) {
    const RecordSet units = db.query(
        QStringLiteral("SELECT unit, rate FROM baseGoodsUnit WHERE Goodsid = ? ORDER BY fzdwid"),
        {l.goods});
    if (units.rowCount() == 0) {
        l.rate = 1;
        return;
    }
    if (l.unit.isEmpty()) {
        l.unit = units.at(0, 0).toString().trimmed();
        l.rate = units.at(0, 1).toDouble();
    } else {
        bool found = false;
        for (int r = 0; r < units.rowCount() && !found; ++r) {
            if (units.at(r, 0).toString().trimmed() == l.unit) {
                l.rate = units.at(r, 1).toDouble();
                found = true;
            }
        }
        if (!found)
            throw DytError(QStringLiteral("第%1行商品没有单位[%2]").arg(row).arg(l.unit));
    }
    if (l.rate <= 0)
        l.rate = 1;
}

Contract readContract(Database& db, const ParamList& p) {
    Contract c;
    const QString type = text(p, "htType");
    if (type != u"0" && type != u"1")
        throw DytError(QStringLiteral("请选择合同类型（采购合同或销售合同）"));
    c.type = type.toInt();
    c.code = text(p, "code");
    if (c.code.size() > 50)
        throw DytError(QStringLiteral("合同编号不能超过50个字符"));
    c.partner = idOf(p, QStringLiteral("wldw_id"), QStringLiteral("往来单位"));
    if (c.partner <= 0)
        throw DytError(QStringLiteral("请选择往来单位"));
    checkRecord(db, QStringLiteral("baseWLDW"), c.partner, QStringLiteral("往来单位"));
    c.employee = idOf(p, QStringLiteral("jsr_id"), QStringLiteral("经手人"));
    if (c.employee > 0)
        checkRecord(db, QStringLiteral("baseZY"), c.employee, QStringLiteral("经手人"));
    c.signDate = dateOf(p, "signDate", QStringLiteral("签订日期"));
    c.begin = dateOf(p, "BeginDate", QStringLiteral("开始日期"));
    c.end = dateOf(p, "EndDate", QStringLiteral("结束日期"));
    if (c.begin > c.end)
        throw DytError(QStringLiteral("开始日期不能大于结束日期"));
    c.summary = text(p, "summary");
    bool ok = false;
    const int count = text(p, "lineCount").toInt(&ok);
    if (!ok || count <= 0)
        throw DytError(QStringLiteral("合同没有商品明细"));
    if (count > kMaxLines)
        throw DytError(QStringLiteral("合同的商品明细不能超过%1行").arg(kMaxLines));
    QSet<qint64> seen;
    for (int i = 1; i <= count; ++i) {
        const QString n = QString::number(i);
        Line l;
        l.goods = idOf(p, QStringLiteral("goodsid") + n, QStringLiteral("第%1行商品").arg(i));
        if (l.goods <= 0)
            throw DytError(QStringLiteral("第%1行没有选择商品").arg(i));
        checkRecord(db, QStringLiteral("baseGoods"), l.goods, QStringLiteral("商品"));
        if (seen.contains(l.goods))
            throw DytError(QStringLiteral("第%1行的商品在合同中重复").arg(i));
        seen.insert(l.goods);
        l.unit = text(p, QStringLiteral("unit") + n);
        resolveUnit(db, l, i);
        l.qty = round4(numberOf(text(p, QStringLiteral("qty") + n),
                                QStringLiteral("第%1行数量").arg(i)));
        if (l.qty <= 0)
            throw DytError(QStringLiteral("第%1行数量必须大于0").arg(i));
        l.price = round4(numberOf(text(p, QStringLiteral("price") + n),
                                  QStringLiteral("第%1行单价").arg(i)));
        if (l.price < 0)
            throw DytError(QStringLiteral("第%1行单价不能小于0").arg(i));
        // The amount is the server's: quantity times price to the cent.
        l.total = std::round(l.qty * l.price * 100.0) / 100.0;
        l.comment = text(p, QStringLiteral("comment") + n);
        c.total += l.total;
        c.lines.append(l);
    }
    c.total = std::round(c.total * 100.0) / 100.0;
    return c;
}

// A fresh number: "HT", the signing date and a three-digit counter of that day's contracts.
QString nextCode(Database& db, const QString& signDate) {
    const QString head = QStringLiteral("HT") + QString(signDate).remove(u'-') + u'-';
    int n = db.scalar(QStringLiteral("SELECT COUNT(*) FROM baseHeTong WHERE code LIKE ?"),
                      {head + u'%'})
                .toInt();
    QString code;
    do {
        code = head + QStringLiteral("%1").arg(++n, 3, 10, QLatin1Char('0'));
    } while (db.scalar(QStringLiteral("SELECT 1 FROM baseHeTong WHERE code = ?"), {code}).isValid());
    return code;
}

// The fulfilment of every line of the contracts the clause keeps: contract id, line id, goods,
// contracted quantity (line unit), rate, amount, fulfilled base quantity and amount.
const QString kFulfilment = QStringLiteral(
    "SELECT h.id, t.orderid, t.goodsid, t.qty, t.rate, t.total, "
    "COALESCE(SUM(CASE WHEN a.djType IN (2, 6) THEN -1 ELSE 1 END * l.qty * l.rate), 0), "
    "COALESCE(SUM(CASE WHEN a.djType IN (2, 6) THEN -1 ELSE 1 END * l.taxTotalSum), 0) "
    "FROM baseHeTong AS h JOIN baseHeTongList AS t ON t.id = h.id "
    "LEFT JOIN djIndex AS a ON a.wldw_id = h.wldw_id AND a.dj_state = 2 AND a.djType IN "
    "(CASE WHEN h.htType = 1 THEN 1 ELSE 5 END, CASE WHEN h.htType = 1 THEN 2 ELSE 6 END) AND "
    "substr(a.date, 1, 10) >= h.BeginDate AND substr(a.date, 1, 10) <= h.EndDate "
    "LEFT JOIN djList AS l ON l.id = a.id AND l.dj_state = 2 AND l.goodsid = t.goodsid ");

struct Fulfilled {
    double qty = 0;      // contracted, line unit
    double doneQty = 0;  // fulfilled, line unit
    double total = 0;
    double doneTotal = 0;
};

QHash<qint64, Fulfilled> fulfilment(Database& db, const QString& where, const QVariantList& v,
                                    bool byLine) {
    const RecordSet rs = db.query(
        kFulfilment + where + QStringLiteral(" GROUP BY h.id, t.orderid, t.goodsid, t.qty, t.rate, t.total ORDER BY h.id, "
                       "t.orderid"),
        v);
    QHash<qint64, Fulfilled> out;
    for (int r = 0; r < rs.rowCount(); ++r) {
        const qint64 key = rs.at(r, byLine ? 1 : 0).toLongLong();
        const double rate = rs.at(r, 4).toDouble() > 0 ? rs.at(r, 4).toDouble() : 1.0;
        Fulfilled& f = out[key];
        f.qty += rs.at(r, 3).toDouble();
        f.doneQty += round4(rs.at(r, 6).toDouble() / rate);
        f.total += rs.at(r, 5).toDouble();
        f.doneTotal += rs.at(r, 7).toDouble();
    }
    return out;
}

double left(double all, double done) {
    return std::max(0.0, round4(all - done));
}

bool anyFulfilled(Database& db, qint64 id) {
    const QHash<qint64, Fulfilled> f =
        fulfilment(db, QStringLiteral("WHERE h.id = ?"), {id}, false);
    const Fulfilled one = f.value(id);
    return one.doneQty != 0 || one.doneTotal != 0;
}

int upContract(CallContext& c) {
    const ParamList& p = c.params;
    const qint64 id = idOf(p, QStringLiteral("id"), QStringLiteral("合同编号"));
    RecordSet old;
    if (id > 0) {
        old = c.db.query(QStringLiteral("SELECT id, isStop FROM baseHeTong WHERE id = ? AND del = 0"),
                         {id});
        if (old.rowCount() == 0)
            throw DytError(QStringLiteral("合同[%1]不存在或已被删除").arg(id));
    }
    if (text(p, "del") == u"1") {
        if (id <= 0)
            throw DytError(QStringLiteral("请选择要删除的合同"));
        if (anyFulfilled(c.db, id))
            throw DytError(QStringLiteral("该合同已经部分执行，不能删除，只能中止！"));
        c.db.execute(QStringLiteral("DELETE FROM baseHeTongList WHERE id = ?"), {id});
        c.db.execute(QStringLiteral("DELETE FROM baseHeTong WHERE id = ?"), {id});
        return static_cast<int>(id);
    }
    const QString stop = text(p, "stop");
    if (!stop.isEmpty()) {
        if (id <= 0)
            throw DytError(QStringLiteral("请选择要中止的合同"));
        if (stop != u"0" && stop != u"1")
            throw DytError(QStringLiteral("中止标志只能是0或1：%1").arg(stop));
        c.db.execute(QStringLiteral("UPDATE baseHeTong SET isStop = ?, updateTime = ? WHERE id = ?"),
                     {stop.toInt(), now(), id});
        return static_cast<int>(id);
    }
    if (id > 0 && old.at(0, 1).toInt() == 1)
        throw DytError(QStringLiteral("合同已中止，不能修改"));
    Contract k = readContract(c.db, p);
    if (k.code.isEmpty())
        k.code = nextCode(c.db, k.signDate);
    if (c.db.scalar(QStringLiteral("SELECT 1 FROM baseHeTong WHERE code = ? AND id <> ? AND del = 0"),
                    {k.code, id})
            .isValid())
        throw DytError(QStringLiteral("合同编号[%1]已经存在").arg(k.code));
    const QVariantList values = {k.type,  k.code,      k.partner, k.signDate, k.begin, k.end,
                                 k.employee, k.summary, k.total,   c.userId,   now()};
    const QString sets = QStringLiteral(
        "htType = ?, code = ?, wldw_id = ?, signDate = ?, BeginDate = ?, EndDate = ?, jsr_id = ?, "
        "summary = ?, total = ?, czy_id = ?, updateTime = ?");
    qint64 target = id;
    if (id > 0) {
        c.db.execute(QStringLiteral("UPDATE baseHeTong SET ") + sets + QStringLiteral(" WHERE id = ?"),
                     values + QVariantList{id});
        c.db.execute(QStringLiteral("DELETE FROM baseHeTongList WHERE id = ?"), {id});
    } else {
        c.db.execute(QStringLiteral(
                         "INSERT INTO baseHeTong(htType, code, wldw_id, signDate, BeginDate, EndDate, "
                         "jsr_id, summary, total, czy_id, updateTime) VALUES (?, ?, ?, ?, ?, ?, ?, ?, "
                         "?, ?, ?)"),
                     values);
        target = c.db.lastInsertId();
    }
    for (const Line& l : k.lines) {
        c.db.execute(QStringLiteral("INSERT INTO baseHeTongList(id, goodsid, unit, rate, qty, price, "
                                    "total, comment) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                     {target, l.goods, l.unit, l.rate, l.qty, l.price, l.total, l.comment});
    }
    c.params.setValue(QStringLiteral("code"), k.code);
    return static_cast<int>(target);
}

QString stateName(bool stopped, const Fulfilled& f, const QString& end) {
    if (stopped)
        return QStringLiteral("已中止");
    if (f.qty > 0 && f.doneQty >= f.qty)
        return QStringLiteral("已完成");
    if (end < QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")))
        return QStringLiteral("已过期");
    if (f.doneQty != 0 || f.doneTotal != 0)
        return QStringLiteral("执行中");
    return QStringLiteral("未执行");
}

int getContracts(CallContext& c) {
    return inReadView(c, [&c] {
        const ConditionString filter =
            ConditionString::parse(c.params.value(QStringLiteral("filter")));
        Where w;
        w.add(QStringLiteral("h.del = 0"));
        const qint64 id = conditionId(filter, QStringLiteral("id"));
        if (id > 0) {
            w.add(QStringLiteral("h.id = ?"), {id});
        } else {
            if (!conditionFlag(filter, QStringLiteral("isstop")))
                w.add(QStringLiteral("h.isStop = 0"));
            const QString type = filter.value(QStringLiteral("httype")).trimmed();
            if (!type.isEmpty()) {
                if (type != u"0" && type != u"1")
                    throw DytError(QStringLiteral("查询条件[httype]只能是0或1：%1").arg(type));
                w.add(QStringLiteral("h.htType = ?"), {type.toInt()});
            }
            const qint64 partner = conditionId(
                ConditionString::parse(c.params.value(QStringLiteral("wldwStr"))),
                QStringLiteral("id"));
            if (partner > 0)
                w.add(QStringLiteral("h.wldw_id = ?"), {partner});
            const QString from = text(c.params, "BeginDate");
            const QString to = text(c.params, "EndDate");
            if (!from.isEmpty())
                w.add(QStringLiteral("h.signDate >= ?"), {from.left(10)});
            if (!to.isEmpty())
                w.add(QStringLiteral("h.signDate <= ?"), {to.left(10)});
        }
        if (recordRightsOn(c.db, c.userId))
            addRecordRights(w, rightsTableOf(RecordKind::Partner), QStringLiteral("h.wldw_id"),
                            c.userId);
        const QHash<qint64, Fulfilled> done = fulfilment(c.db, w.clause(), w.values, false);
        const RecordSet rows = c.db.query(
            QStringLiteral(
                "SELECT h.id, h.htType, h.code, h.wldw_id, COALESCE(d.code, ''), "
                "COALESCE(d.fullname, ''), h.signDate, h.BeginDate, h.EndDate, h.jsr_id, "
                "COALESCE(z.fullname, ''), h.summary, h.total, h.isStop, COALESCE(o.fullname, '') "
                "FROM baseHeTong AS h LEFT JOIN baseWLDW AS d ON d.id = h.wldw_id LEFT JOIN "
                "baseZY AS z ON z.id = h.jsr_id LEFT JOIN baseZY AS o ON o.id = h.czy_id") +
                w.clause() + QStringLiteral(" ORDER BY h.signDate, h.id"),
            w.values);
        RecordSet out;
        const struct {
            const char* name;
            FieldType type;
        } fields[] = {{"id", FieldType::Integer},       {"htType", FieldType::Integer},
                      {"htTypeName", FieldType::Text},  {"code", FieldType::Text},
                      {"wldw_id", FieldType::Integer},  {"dw_dwbh", FieldType::Text},
                      {"dw_dwqm", FieldType::Text},     {"signDate", FieldType::Text},
                      {"BeginDate", FieldType::Text},   {"EndDate", FieldType::Text},
                      {"jsr_id", FieldType::Integer},   {"zy_zyqm", FieldType::Text},
                      {"summary", FieldType::Text},     {"Qty", FieldType::Float},
                      {"total", FieldType::Currency},   {"zxQty", FieldType::Float},
                      {"zxTotal", FieldType::Currency}, {"wzxQty", FieldType::Float},
                      {"wzxTotal", FieldType::Currency}, {"isStop", FieldType::Integer},
                      {"stateName", FieldType::Text},   {"czyName", FieldType::Text}};
        for (const auto& f : fields)
            out.addField(QString::fromLatin1(f.name), f.type);
        for (int r = 0; r < rows.rowCount(); ++r) {
            const qint64 cid = rows.at(r, 0).toLongLong();
            const Fulfilled f = done.value(cid);
            const bool stopped = rows.at(r, 13).toInt() == 1;
            const int type = rows.at(r, 1).toInt();
            RecordSet::Row row;
            row << cid << type
                << (type == 1 ? QStringLiteral("销售合同") : QStringLiteral("采购合同"))
                << rows.at(r, 2) << rows.at(r, 3) << rows.at(r, 4) << rows.at(r, 5)
                << rows.at(r, 6) << rows.at(r, 7) << rows.at(r, 8) << rows.at(r, 9)
                << rows.at(r, 10) << rows.at(r, 11) << round4(f.qty) << rows.at(r, 12).toDouble()
                << round4(f.doneQty) << round4(f.doneTotal) << left(f.qty, f.doneQty)
                << left(rows.at(r, 12).toDouble(), f.doneTotal) << (stopped ? 1 : 0)
                << stateName(stopped, f, rows.at(r, 8).toString()) << rows.at(r, 14);
            out.appendRow(row);
        }
        out.first();
        c.data = out;
        return 0;
    });
}

int getContractLines(CallContext& c) {
    return inReadView(c, [&c] {
        const qint64 id = idOf(c.params, QStringLiteral("id"), QStringLiteral("合同编号"));
        const QHash<qint64, Fulfilled> done =
            fulfilment(c.db, QStringLiteral("WHERE h.id = ? AND h.del = 0"), {id}, true);
        const RecordSet rows = c.db.query(
            QStringLiteral("SELECT t.orderid, t.goodsid, COALESCE(g.code, ''), "
                           "COALESCE(g.fullname, ''), t.unit, t.qty, t.price, t.total, t.comment "
                           "FROM baseHeTongList AS t JOIN baseHeTong AS h ON h.id = t.id AND "
                           "h.del = 0 LEFT JOIN baseGoods AS g ON g.id = t.goodsid WHERE t.id = ? "
                           "ORDER BY t.orderid"),
            {id});
        RecordSet out;
        const struct {
            const char* name;
            FieldType type;
        } fields[] = {{"orderid", FieldType::Integer},  {"goodsid", FieldType::Integer},
                      {"sp_spbh", FieldType::Text},     {"sp_spqm", FieldType::Text},
                      {"unit", FieldType::Text},        {"qty", FieldType::Float},
                      {"price", FieldType::Float},      {"total", FieldType::Currency},
                      {"comment", FieldType::Text},     {"zxQty", FieldType::Float},
                      {"zxTotal", FieldType::Currency}, {"wzxQty", FieldType::Float},
                      {"wzxTotal", FieldType::Currency}};
        for (const auto& f : fields)
            out.addField(QString::fromLatin1(f.name), f.type);
        for (int r = 0; r < rows.rowCount(); ++r) {
            const Fulfilled f = done.value(rows.at(r, 0).toLongLong());
            RecordSet::Row row;
            for (int i = 0; i < 9; ++i)
                row << rows.at(r, i);
            row << round4(f.doneQty) << round4(f.doneTotal) << left(f.qty, f.doneQty)
                << left(rows.at(r, 7).toDouble(), f.doneTotal);
            out.appendRow(row);
        }
        out.first();
        c.data = out;
        return 0;
    });
}

}  // namespace

void registerProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("p_base_Up_HeTong"), upContract);
    procedures.add(QStringLiteral("P_JXC_Get_HeTong"), getContracts, false);
    procedures.add(QStringLiteral("P_JXC_Get_HeTongList"), getContractLines, false);
}

}  // namespace dyt::server::contracts
