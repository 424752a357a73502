// The assembly templates: p_base_Get_SCMB, p_base_Get_SCMBList and p_base_Up_SCMB.
//
// A template is checked as a whole before anything is written: a code and a name, the goods made
// and a quantity above 0, at least one part, each part an existing goods (not a category, not
// deleted, not the goods made, not twice) with a quantity above 0, and no other template with the
// same code. A change replaces the parts; a deletion marks the template.
#include "server/procs/procs_scmb.h"

#include <QDateTime>
#include <QSet>

#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/registry.h"

namespace dyt::server::assembly {

namespace {

constexpr double kMaxQty = 1e12;

QString text(const ParamList& p, const char* name) {
    return p.value(QString::fromLatin1(name)).trimmed();
}

// A quantity as the template keeps it: four places, half away from zero.
double roundQty(double v) {
    return std::round(v * 10000.0) / 10000.0;
}

double quantity(const QString& t, const QString& caption) {
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > kMaxQty)
        throw DytError(QStringLiteral("%1必须是数字：%2").arg(caption, t));
    return roundQty(v);
}

qint64 recordId(const QString& t, const QString& caption) {
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (!ok || v < 0)
        throw DytError(QStringLiteral("%1[%2]无效").arg(caption, t));
    return v;
}

struct Part {
    qint64 goods = 0;
    double qty = 0;
};

struct Template {
    qint64 id = 0;
    QString code;
    QString name;
    qint64 goods = 0;
    double qty = 0;
    QString comment;
    QList<Part> parts;
};

QList<Part> readParts(const QString& t) {
    QList<Part> parts;
    const QStringList items = t.split(u';', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QStringList f = items.at(i).split(u',');
        const QString line = QString::number(i + 1);
        if (f.size() != 2)
            throw DytError(QStringLiteral("第 %1 行组件数据无效：%2").arg(line, items.at(i)));
        Part p;
        p.goods = recordId(f.at(0).trimmed(), QStringLiteral("第 %1 行组件商品").arg(line));
        if (p.goods <= 0)
            throw DytError(QStringLiteral("第 %1 行请选择组件商品").arg(line));
        p.qty = quantity(f.at(1).trimmed(), QStringLiteral("第 %1 行组件数量").arg(line));
        if (p.qty <= 0)
            throw DytError(QStringLiteral("第 %1 行组件数量必须大于零！").arg(line));
        parts.append(p);
    }
    return parts;
}

Template readTemplate(const ParamList& p) {
    Template t;
    t.code = text(p, "code");
    if (t.code.isEmpty())
        throw DytError(QStringLiteral("请输入模板编号"));
    t.name = text(p, "name");
    if (t.name.isEmpty())
        throw DytError(QStringLiteral("请输入模板名称"));
    t.goods = recordId(text(p, "goodsid"), QStringLiteral("组装商品"));
    if (t.goods <= 0)
        throw DytError(QStringLiteral("请选择组装商品"));
    const QString qty = text(p, "qty");
    t.qty = qty.isEmpty() ? 0 : quantity(qty, QStringLiteral("组装数量"));
    if (t.qty <= 0)
        throw DytError(QStringLiteral("组装数量必须大于零！"));
    t.comment = text(p, "comment");
    t.parts = readParts(text(p, "parts"));
    if (t.parts.isEmpty())
        throw DytError(QStringLiteral("生产组装模板必须至少有一个组件商品！"));
    return t;
}

// The goods' name; refuses a goods that is missing, deleted or a category.
QString checkGoods(Database& db, qint64 goods) {
    const RecordSet rs = db.query(
        QStringLiteral("SELECT fullname, sonnum FROM baseGoods WHERE id = ? AND del = 0"), {goods});
    if (rs.rowCount() == 0)
        throw DytError(QStringLiteral("商品[%1]不存在或已被删除").arg(goods));
    const QString name = rs.at(0, 0).toString().trimmed();
    if (rs.at(0, 1).toInt() > 0)
        throw DytError(QStringLiteral("商品[%1]是一个分类，不能用于生产组装模板").arg(name));
    return name;
}

void checkRecords(Database& db, const Template& t) {
    const QString made = checkGoods(db, t.goods);
    QSet<qint64> seen;
    for (const Part& p : t.parts) {
        if (p.goods == t.goods)
            throw DytError(QStringLiteral("商品[%1]不能由它自己组装！").arg(made));
        const QString name = checkGoods(db, p.goods);
        if (seen.contains(p.goods))
            throw DytError(QStringLiteral("组件商品[%1]重复录入").arg(name));
        seen.insert(p.goods);
    }
    const QVariant other = db.scalar(
        QStringLiteral("SELECT id FROM baseSCMB WHERE code = ? AND del = 0 AND id <> ? LIMIT 1"),
        {t.code, t.id});
    if (other.isValid())
        throw DytError(QStringLiteral("模板编号[%1]已经存在！").arg(t.code));
}

QString now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

bool existing(Database& db, qint64 id) {
    return db.scalar(QStringLiteral("SELECT 1 FROM baseSCMB WHERE id = ? AND del = 0"), {id})
        .isValid();
}

int upTemplate(CallContext& c) {
    const ParamList& p = c.params;
    const qint64 id = recordId(text(p, "id"), QStringLiteral("生产组装模板"));
    if (id > 0 && !existing(c.db, id))
        throw DytError(QStringLiteral("生产组装模板[%1]不存在或已被删除").arg(id));
    if (text(p, "del") == u"1") {
        if (id <= 0)
            throw DytError(QStringLiteral("请选择要删除的生产组装模板"));
        c.db.execute(QStringLiteral("UPDATE baseSCMB SET del = 1, czy_id = ?, updateTime = ? "
                                    "WHERE id = ?"),
                     {c.userId, now(), id});
        return static_cast<int>(id);
    }
    Template t = readTemplate(p);
    t.id = id;
    checkRecords(c.db, t);
    const QVariantList values = {t.code, t.name, t.goods, t.qty, t.comment, c.userId, now()};
    qint64 target = id;
    if (id > 0) {
        c.db.execute(QStringLiteral("UPDATE baseSCMB SET code = ?, name = ?, goodsid = ?, qty = ?, "
                                    "comment = ?, czy_id = ?, updateTime = ? WHERE id = ?"),
                     values + QVariantList{id});
        c.db.execute(QStringLiteral("DELETE FROM baseSCMBList WHERE mbid = ?"), {id});
    } else {
        c.db.execute(QStringLiteral("INSERT INTO baseSCMB(code, name, goodsid, qty, comment, "
                                    "czy_id, updateTime) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                     values);
        target = c.db.lastInsertId();
    }
    for (qsizetype i = 0; i < t.parts.size(); ++i) {
        c.db.execute(QStringLiteral("INSERT INTO baseSCMBList(mbid, lineno, goodsid, qty) "
                                    "VALUES (?, ?, ?, ?)"),
                     {target, i + 1, t.parts.at(i).goods, t.parts.at(i).qty});
    }
    return static_cast<int>(target);
}

// The base unit's name of a goods, as a column of the lists.
const char* const kUnitName =
    "(SELECT u.unit FROM baseGoodsUnit AS u WHERE u.Goodsid = g.id AND u.fzdwid = 0 LIMIT 1)";

int getTemplates(CallContext& c) {
    return inReadView(c, [&c] {
        const qint64 id = recordId(text(c.params, "id"), QStringLiteral("生产组装模板"));
        QString where = QStringLiteral(" WHERE a.del = 0");
        QVariantList values;
        if (id > 0) {
            where += QStringLiteral(" AND a.id = ?");
            values << id;
        }
        const QString find = text(c.params, "find");
        if (!find.isEmpty()) {
            // The text anywhere in the template's code or name, or in the code or name of the
            // goods made or of one of its parts.
            where += QStringLiteral(
                " AND (instr(lower(a.code), lower(?)) > 0 OR instr(lower(a.name), lower(?)) > 0 "
                "OR a.goodsid IN (SELECT id FROM baseGoods WHERE instr(lower(code), lower(?)) > 0 "
                "OR instr(lower(fullname), lower(?)) > 0) OR a.id IN (SELECT l.mbid FROM "
                "baseSCMBList AS l, baseGoods AS s WHERE s.id = l.goodsid AND "
                "(instr(lower(s.code), lower(?)) > 0 OR instr(lower(s.fullname), lower(?)) > 0)))");
            for (int i = 0; i < 6; ++i)
                values << find;
        }
        c.data = c.db.query(
            QStringLiteral("SELECT a.id, a.code, a.name, a.goodsid, g.code AS goodsCode, "
                           "g.fullname AS goodsname, %1 AS unitName, a.qty, a.comment, "
                           "(SELECT count(*) FROM baseSCMBList AS l WHERE l.mbid = a.id) AS "
                           "partCount, a.updateTime FROM baseSCMB AS a LEFT JOIN baseGoods AS g "
                           "ON g.id = a.goodsid")
                    .arg(QLatin1String(kUnitName)) +
                where + QStringLiteral(" ORDER BY a.code, a.id"),
            values);
        c.data.first();
        return 0;
    });
}

int getTemplateLines(CallContext& c) {
    return inReadView(c, [&c] {
        const qint64 id = recordId(text(c.params, "id"), QStringLiteral("生产组装模板"));
        const RecordSet head = c.db.query(
            QStringLiteral("SELECT goodsid, qty FROM baseSCMB WHERE id = ? AND del = 0"), {id});
        if (id <= 0 || head.rowCount() == 0)
            throw DytError(QStringLiteral("生产组装模板[%1]不存在或已被删除").arg(id));
        const QString slText = text(c.params, "sl");
        const QString columns =
            QStringLiteral(
                "g.id AS goodsid, g.code AS goodsCode, g.fullname AS goodsname, "
                "%1 AS unitName, 0 AS unitid, 1 AS rate")
                .arg(QLatin1String(kUnitName));
        if (slText.isEmpty()) {
            c.data = c.db.query(QStringLiteral("SELECT l.lineno, ") + columns +
                                    QStringLiteral(", l.qty FROM baseSCMBList AS l JOIN "
                                                   "baseGoods AS g ON g.id = l.goodsid WHERE "
                                                   "l.mbid = ? ORDER BY l.lineno"),
                                {id});
            c.data.first();
            return 0;
        }
        const double sl = quantity(slText, QStringLiteral("组装数量"));
        if (sl <= 0)
            throw DytError(QStringLiteral("组装数量必须大于零！"));
        // The goods made first, then the parts used up: the template's quantities times
        // sl / the template's quantity, in the signs of the assembly bill.
        const double base = head.at(0, 1).toDouble();
        c.data = c.db.query(
            QStringLiteral("SELECT 0 AS lineno, ") + columns +
                QStringLiteral(
                    ", CAST(0 AS REAL) AS qty FROM baseGoods AS g WHERE g.id = ? UNION ALL "
                    "SELECT l.lineno, ") +
                columns +
                QStringLiteral(", l.qty FROM baseSCMBList AS l JOIN baseGoods AS g ON g.id = "
                               "l.goodsid WHERE l.mbid = ? ORDER BY 1"),
            {head.at(0, 0), id});
        const int lineField = c.data.fieldIndex(QStringLiteral("lineno"));
        const int qtyField = c.data.fieldIndex(QStringLiteral("qty"));
        for (int r = 0; r < c.data.rowCount(); ++r) {
            const bool made = c.data.at(r, lineField).toInt() == 0;
            const double q = made ? sl : -roundQty(c.data.at(r, qtyField).toDouble() * sl / base);
            c.data.setAt(r, qtyField, q);
        }
        c.data.first();
        return 0;
    });
}

}  // namespace

void registerProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("p_base_Get_SCMB"), getTemplates, false);
    procedures.add(QStringLiteral("p_base_Get_SCMBList"), getTemplateLines, false);
    procedures.add(QStringLiteral("p_base_Up_SCMB"), upTemplate);
}

}  // namespace dyt::server::assembly
