// The shared parts of the report procedures: parameters, scopes and the level roll-up.
#include <QStringView>

#include <algorithm>
#include <cmath>

#include "common/currency.h"
#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/procs/registry.h"
#include "server/reports/reports_internal.h"

namespace dyt::server::reports {

namespace {

qint64 recordId(const ConditionString& c, const QString& key, const QString& what) {
    return billvalues::id(c.value(key).trimmed(), what);
}

int indexIn(const ConditionString& c, const QString& key, int max) {
    const QString text = c.value(key).trimmed();
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < 0 || v > max)
        throw DytError(QStringLiteral("查询条件[%1]只能是0到%2：%3").arg(key).arg(max).arg(text));
    return v;
}

QList<qint64> pathIds(const QString& path) {
    QList<qint64> ids;
    const QList<QStringView> parts = QStringView(path).split(u',', Qt::SkipEmptyParts);
    ids.reserve(parts.size());
    for (QStringView part : parts)
        ids << part.toLongLong();
    return ids;
}

Dimension makeDimension(const char* table, const char* line, const char* rights, const char* prefix,
                        QStringList extra = {}) {
    return {QString::fromLatin1(table), QString::fromLatin1(line), QString::fromLatin1(rights),
            QString::fromLatin1(prefix), std::move(extra)};
}

LevelChoice levelChoice(const ConditionString& c, const QString& what) {
    LevelChoice l;
    l.parId = recordId(c, QStringLiteral("par_id"), what + QStringLiteral("类别"));
    l.list = conditionFlag(c, QStringLiteral("isList"));
    if (l.list)
        l.listParId = l.parId;
    l.search = c.value(QStringLiteral("allfilter")).trimmed();
    l.record.id = recordId(c, QStringLiteral("id"), what);
    l.record.withSubs = conditionFlag(c, QStringLiteral("issub"));
    l.treeView = conditionFlag(c, QStringLiteral("TreeView"));
    return l;
}

}  // namespace

ReportParams ReportParams::parse(Database& db, const ParamList& lines, qint64 userId) {
    ReportParams p;
    p.userId = userId;
    p.rights = RecordRights(db, userId);
    p.lines = lines;
    p.queryType = lines.value(QStringLiteral("QueryType")).trimmed();
    p.partner = recordChoice(lines.value(QStringLiteral("wldwStr")), QStringLiteral("往来单位"));
    p.employee = recordChoice(lines.value(QStringLiteral("zyStr")), QStringLiteral("职员"));
    p.warehouse = recordChoice(lines.value(QStringLiteral("ckStr")), QStringLiteral("仓库"));
    p.department = recordChoice(lines.value(QStringLiteral("bmStr")), QStringLiteral("部门"));
    ConditionString::parse(lines.value(QStringLiteral("kmStr")).trimmed());

    const std::pair<const char*, const char*> levelLines[] = {
        {"GoodsStr", "商品"}, {"wldwStr", "往来单位"}, {"ckStr", "仓库"},
        {"zyStr", "职员"},    {"bmStr", "部门"},
    };
    for (const auto& [line, what] : levelLines) {
        const QString name = QString::fromLatin1(line);
        p.levels.insert(name.toLower(),
                        levelChoice(ConditionString::parse(lines.value(name).trimmed()),
                                    QString::fromUtf8(what)));
    }
    p.goods = p.levelOf(QStringLiteral("GoodsStr"));

    // The voucher lines carry bill ids in djStr, which their report reads itself.
    const QString kinds = lines.value(QStringLiteral("djStr"));
    if (!kinds.trimmed().isEmpty() && p.queryType.compare(u"DCPZ", Qt::CaseInsensitive) != 0)
        p.kinds = parseBillKindList(kinds);

    p.begin = billvalues::optionalDate(lines.value(QStringLiteral("BeginDate")).trimmed(),
                                       QStringLiteral("开始日期"));
    p.end = billvalues::optionalDate(lines.value(QStringLiteral("EndDate")).trimmed(),
                                     QStringLiteral("结束日期"));
    if (p.begin && p.end && *p.begin > *p.end)
        throw DytError(QStringLiteral("开始日期不能大于结束日期！"));

    p.filter = ConditionString::parse(lines.value(QStringLiteral("filter")).trimmed());
    p.qtyFilter = indexIn(p.filter, QStringLiteral("qty"), 2);
    p.redFilter = indexIn(p.filter, QStringLiteral("isred"), 2);
    const ConditionString region =
        ConditionString::parse(lines.value(QStringLiteral("dqStr")).trimmed());
    p.region.id = recordId(region, QStringLiteral("id"), QStringLiteral("地区"));
    if (p.region.id == 0)
        p.region.id = recordId(p.filter, QStringLiteral("dqid"), QStringLiteral("地区"));
    p.region.withSubs = true;
    return p;
}

const LevelChoice& ReportParams::levelOf(const QString& line) const {
    static const LevelChoice none;
    auto it = levels.constFind(line.toLower());
    return it == levels.constEnd() ? none : *it;
}

QString ReportParams::beginText() const {
    return begin ? billvalues::dateText(*begin) : QString();
}

QString ReportParams::endText() const {
    return end ? billvalues::dateText(*end) : QString();
}

const Dimension& goodsDimension() {
    static const Dimension d = makeDimension(
        "baseGoods", "GoodsStr", "baseGoodsPurview", "sp",
        {QStringLiteral("t.name AS sp_spjm"), QStringLiteral("t.gg AS sp_gg"),
         QStringLiteral("t.xh AS sp_xh"), QStringLiteral("t.addr AS sp_cd"),
         QStringLiteral("COALESCE((SELECT u.unit FROM baseGoodsUnit AS u WHERE u.Goodsid = t.id "
                        "AND u.fzdwid = 0), '') AS sp_jbdw")});
    return d;
}

const Dimension& partnerDimension() {
    static const Dimension d = makeDimension("baseWLDW", "wldwStr", "baseWLDWPurview", "dw");
    return d;
}

const Dimension& warehouseDimension() {
    static const Dimension d = makeDimension("baseCK", "ckStr", "baseCKPurview", "ck");
    return d;
}

const Dimension& employeeDimension() {
    static const Dimension d = makeDimension("baseZY", "zyStr", "basezyPurview", "zy");
    return d;
}

const Dimension& departmentDimension() {
    static const Dimension d = makeDimension("baseBM", "bmStr", "basebmPurview", "bm");
    return d;
}

const Dimension& regionDimension() {
    static const Dimension d = makeDimension("baseDQ", "dqStr", "", "dq");
    return d;
}

void addDimensionChoice(Where& w, const LevelChoice& level, const QString& table,
                        const QString& alias) {
    if (!level.search.isEmpty()) {
        const QString pattern = containsPattern(level.search);
        w.add(QStringLiteral("(%1.code LIKE ? ESCAPE '\\' OR %1.fullname LIKE ? ESCAPE '\\' OR "
                             "%1.pym LIKE ? ESCAPE '\\')")
                  .arg(alias),
              {pattern, pattern, pattern});
    } else if (level.list && level.listParId > 0) {
        w.add(QStringLiteral("substr(%1.par_jl, 1, length((SELECT c.par_jl FROM %2 AS c WHERE "
                             "c.id = ?))) = (SELECT c.par_jl FROM %2 AS c WHERE c.id = ?)")
                  .arg(alias, table),
              {level.listParId, level.listParId});
    }
}

QString lineWarehouseSql() {
    return QStringLiteral(
        "(CASE WHEN l.IntoStock_id > 0 THEN l.IntoStock_id ELSE a.IntoStock_id "
        "END)");
}

void addGoodsChoice(Where& w, const ReportParams& p) {
    const LevelChoice& g = p.goods;
    if (g.record.id > 0) {
        QVariantList v;
        const QString in = inRecords(g.record, QStringLiteral("baseGoods"), &v);
        w.add(QStringLiteral("g.id ") + in, v);
    }
    if (!g.search.isEmpty()) {
        const QString pattern = containsPattern(g.search);
        w.add(QStringLiteral("(g.code LIKE ? ESCAPE '\\' OR g.fullname LIKE ? ESCAPE '\\' OR "
                             "g.name LIKE ? ESCAPE '\\' OR g.pym LIKE ? ESCAPE '\\')"),
              {pattern, pattern, pattern, pattern});
    } else {
        addDimensionChoice(w, g, QStringLiteral("baseGoods"), QStringLiteral("g"));
    }
}

void addHeaderScope(Where& w, const ReportParams& p, const QList<int>& kinds) {
    if (!kinds.isEmpty()) {
        QStringList marks;
        QVariantList values;
        for (int k : kinds) {
            marks << QStringLiteral("?");
            values << k;
        }
        w.add(QStringLiteral("a.djType IN (%1)").arg(marks.join(QStringLiteral(", "))), values);
    }
    if (p.begin)
        w.add(QStringLiteral("a.date >= ?"), {p.beginText()});
    if (p.end)
        w.add(QStringLiteral("a.date <= ?"), {p.endText()});
    struct Choice {
        const RecordChoice& choice;
        QString table;
        QString column;
    };
    const Choice choices[] = {
        {p.partner, QStringLiteral("baseWLDW"), QStringLiteral("a.wldw_id")},
        {p.employee, QStringLiteral("baseZY"), QStringLiteral("a.jsr_id")},
        {p.department, QStringLiteral("baseBM"), QStringLiteral("a.dep_id")},
    };
    for (const Choice& c : choices) {
        if (c.choice.id > 0) {
            QVariantList v;
            const QString in = inRecords(c.choice, c.table, &v);
            w.add(c.column + u' ' + in, v);
        }
    }
}

Where lineScope(const ReportParams& p, const QList<int>& kinds) {
    Where w;
    // The lines of the fixed-asset bills name asset cards, not goods.
    w.add(QStringLiteral("a.dj_state = 2 AND l.dj_state = 2 AND l.goodsid > 0 AND a.djType NOT IN "
                         "(23, 24, 25)"));
    addHeaderScope(w, p, kinds);
    if (p.warehouse.id > 0) {
        QVariantList v1, v2, v3;
        const QString in1 = inRecords(p.warehouse, QStringLiteral("baseCK"), &v1);
        const QString in2 = inRecords(p.warehouse, QStringLiteral("baseCK"), &v2);
        const QString in3 = inRecords(p.warehouse, QStringLiteral("baseCK"), &v3);
        w.add(QStringLiteral("(%1 %2 OR (l.OutStock_id > 0 AND l.OutStock_id %3) OR "
                             "(l.OutStock_id = 0 AND a.OutStock_id > 0 AND a.OutStock_id %4))")
                  .arg(lineWarehouseSql(), in1, in2, in3),
              v1 + v2 + v3);
    }
    if (p.region.id > 0) {
        QVariantList v;
        const QString in = inRecords(p.region, QStringLiteral("baseDQ"), &v);
        w.add(QStringLiteral("a.wldw_id IN (SELECT d.id FROM baseWLDW AS d WHERE d.Areaid ") + in +
                  u')',
              v);
    }
    addGoodsChoice(w, p);
    addRedFilter(w, p.redFilter, QStringLiteral("a"));
    p.rights.add(w, RecordKind::Goods, QStringLiteral("l.goodsid"));
    p.rights.addBill(w, QStringLiteral("a"));
    return w;
}

void RecordFigures::add(qint64 id, const Figures& f) {
    auto it = byId.find(id);
    if (it == byId.end()) {
        order << id;
        byId.insert(id, f);
        return;
    }
    Figures& sum = *it;
    for (size_t i = 0; i < f.size() && i < sum.size(); ++i)
        sum[i] += f[i];
}

void addLevelScope(Where& w, Database& db, const Dimension& d, const LevelChoice& level,
                   const QString& alias) {
    if (level.list || !level.search.isEmpty() || level.parId <= 0)
        return;
    const QVariant path =
        db.scalar(QStringLiteral("SELECT par_jl FROM %1 WHERE id = ?").arg(d.table), {level.parId});
    if (!path.isValid())
        throw DytError(QStringLiteral("类别[%1]不存在").arg(level.parId));
    w.add(QStringLiteral("substr(%1.par_jl, 1, ?) = ?").arg(alias),
          {path.toString().size(), path.toString()});
}

QVariant fieldValue(FieldType type, double v) {
    if (type == FieldType::Currency)
        return QVariant::fromValue(Currency::fromDouble(std::round(v * 10000.0) / 10000.0));
    if (type == FieldType::Integer)
        return static_cast<qint64>(std::llround(v));
    return std::round(v * 1e8) / 1e8;
}

RecordSet emptyResult(const QList<Measure>& fields) {
    RecordSet rs;
    for (const Measure& m : fields)
        rs.addField(m.name, m.type);
    return rs;
}

RecordSet rollUp(Database& db, const Dimension& d, const LevelChoice& level,
                 const RecordFigures& figures, const QList<Measure>& measures, int qtyFilter,
                 int qtyMeasure, const std::function<void(Figures&)>& derive) {
    RecordSet rs;
    rs.addField(QStringLiteral("sonnum"), FieldType::Integer);
    rs.addField(QStringLiteral("id"), FieldType::Integer);
    rs.addField(QStringLiteral("par_id"), FieldType::Integer);
    rs.addField(QStringLiteral("par_jl"), FieldType::Text);
    rs.addField(d.prefix + QStringLiteral("_id"), FieldType::Integer);
    rs.addField(QStringLiteral("%1_%1bh").arg(d.prefix), FieldType::Text);
    rs.addField(QStringLiteral("%1_%1qm").arg(d.prefix), FieldType::Text);
    rs.addField(QStringLiteral("code"), FieldType::Text);
    rs.addField(QStringLiteral("fullname"), FieldType::Text);
    QStringList extraNames;
    for (const QString& e : d.extraFields) {
        const QString name = e.section(QStringLiteral(" AS "), -1).trimmed();
        extraNames << name;
        rs.addField(name, FieldType::Text);
    }
    for (const Measure& m : measures)
        rs.addField(m.name, m.type);

    QString extraSql;
    for (const QString& e : d.extraFields)
        extraSql += QStringLiteral(", ") + e;
    const QString select =
        QStringLiteral(
            "SELECT t.sonnum, t.id, t.par_id, t.par_jl, t.code, t.fullname%1 FROM %2 "
            "AS t")
            .arg(extraSql, d.table);

    // The rows the figures go to: the records themselves in a list or search, else the record's
    // ancestor (or itself) on the level shown.
    QHash<qint64, Figures> sums;
    const bool flat = level.list || !level.search.isEmpty();
    struct OutRow {
        RecordSet::Row row;
        Figures figures;
    };
    std::vector<OutRow> rows;
    auto appendRow = [&](Statement& st, Figures f) {
        if (derive)
            derive(f);
        RecordSet::Row row;
        row << st.value(0).toLongLong() << st.value(1).toLongLong() << st.value(2).toLongLong()
            << st.value(3).toString() << st.value(1).toLongLong() << st.value(4).toString()
            << st.value(5).toString() << st.value(4).toString() << st.value(5).toString();
        for (int i = 0; i < extraNames.size(); ++i)
            row << st.value(6 + i).toString();
        for (int i = 0; i < measures.size(); ++i)
            row << fieldValue(measures[i].type, i < static_cast<int>(f.size()) ? f[i] : 0.0);
        rows.push_back({row, f});
    };

    if (flat) {
        Statement st = db.prepare(select + QStringLiteral(" WHERE t.id = ?"));
        for (qint64 id : figures.order) {
            st.reset();
            st.bindAll({id});
            if (st.step())
                appendRow(st, figures.byId.value(id));
        }
        std::sort(rows.begin(), rows.end(), [](const OutRow& x, const OutRow& y) {
            const int c = x.row[5].toString().compare(y.row[5].toString());
            return c != 0 ? c < 0 : x.row[1].toLongLong() < y.row[1].toLongLong();
        });
    } else {
        int depth = 0;
        if (level.parId > 0) {
            const QVariant path = db.scalar(
                QStringLiteral("SELECT par_jl FROM %1 WHERE id = ?").arg(d.table), {level.parId});
            depth = static_cast<int>(pathIds(path.toString()).size());
        }
        Statement paths =
            db.prepare(QStringLiteral("SELECT par_jl FROM %1 WHERE id = ?").arg(d.table));
        for (qint64 id : figures.order) {
            paths.reset();
            paths.bindAll({id});
            if (!paths.step())
                continue;
            const QList<qint64> ids = pathIds(paths.value(0).toString());
            if (ids.size() <= depth)
                continue;
            const Figures& f = figures.byId[id];
            auto it = sums.find(ids[depth]);
            if (it == sums.end()) {
                sums.insert(ids[depth], f);
            } else {
                for (size_t i = 0; i < f.size() && i < it->size(); ++i)
                    (*it)[i] += f[i];
            }
        }
        Statement st = db.prepare(
            select + QStringLiteral(" WHERE t.par_id = ? ORDER BY t.orderly, t.code, t.id"));
        st.bindAll({level.parId});
        while (st.step()) {
            const qint64 id = st.value(1).toLongLong();
            auto it = sums.constFind(id);
            if (it != sums.constEnd())
                appendRow(st, *it);
        }
    }

    for (const OutRow& out : rows) {
        const Figures& f = out.figures;
        const bool any =
            std::any_of(f.begin(), f.end(), [](double v) { return std::fabs(v) > 1e-9; });
        if (!any)
            continue;
        if (qtyMeasure >= 0 && qtyMeasure < static_cast<int>(f.size())) {
            const double q = f[qtyMeasure];
            if (qtyFilter == 1 && !(q > 1e-9))
                continue;
            if (qtyFilter == 2 && std::fabs(q) > 1e-9)
                continue;
        }
        rs.appendRow(out.row);
    }
    return rs;
}

}  // namespace dyt::server::reports
