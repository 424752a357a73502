// Saving, deleting and moving base records, the goods units and the goods pictures.
//
// The tree stays consistent on every change: a new record gets par_jl = the parent's path + its
// own id + ",", leveal = the parent's + 1 (at most 5) and raises the parent's sonnum (a record
// below a leaf turns that leaf into a category); a delete marks the row (del = 1) and lowers the
// parent's sonnum (a category whose last child goes is a leaf again); a move rewrites par_jl and
// leveal of the whole subtree; stopping a category stops its subtree and taking a record back
// into use does the same for the categories above it. Records in use (bills that are not deleted,
// stock, opening data, balances, references of other base records) are neither deleted nor turned
// into categories. Goods and partners (and the other kinds with the column) get updateTime on every
// change, which the clients' local caches follow.

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QSet>

#include <cmath>
#include <optional>

#include "common/error.h"
#include "common/pinyin.h"
#include "server/db/basekinds.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/db/where.h"
#include "server/procs/procs_goods.h"
#include "server/procs/registry.h"

namespace dyt::server::base {

namespace {

constexpr int kMaxLevel = 5;
const QString kMaxLevelMessage = QStringLiteral("系统最大支持5级，不能再增加下级");
const QString kEmployeeSystemMessage = QStringLiteral("系统默认操作员，不能被修改、删除和分类!");
const QString kNoRightMessage = QStringLiteral("您没有执行该操作的权限!");

qint64 idParam(const ParamList& p, const QString& name, const QString& caption) {
    const QString v = p.value(name).trimmed();
    if (v.isEmpty())
        return 0;
    bool ok = false;
    const qint64 id = v.toLongLong(&ok);
    if (!ok || id < 0)
        throw DytError(QStringLiteral("%1[%2]无效").arg(caption, v));
    return id;
}

QVariant parseValue(const EditField& f, const QString& raw) {
    const QString t = raw.trimmed();
    switch (f.kind) {
        case FieldKind::None:
        case FieldKind::Text:
            return raw;
        case FieldKind::Integer: {
            if (t.isEmpty())
                return qint64(0);
            if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
                return qint64(1);
            if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
                return qint64(0);
            bool ok = false;
            const qint64 v = t.toLongLong(&ok);
            if (!ok)
                throw DytError(QStringLiteral("%1必须是整数：%2").arg(f.caption, t));
            return v;
        }
        case FieldKind::Number:
        case FieldKind::Money: {
            if (t.isEmpty())
                return 0.0;
            bool ok = false;
            double v = t.toDouble(&ok);
            if (!ok || !std::isfinite(v))
                throw DytError(QStringLiteral("%1必须是数字：%2").arg(f.caption, t));
            if (f.kind == FieldKind::Money)
                v = std::round(v * 10000.0) / 10000.0;
            return v;
        }
        case FieldKind::Date: {
            if (t.isEmpty())
                return QString();
            const QDate d = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
            if (!d.isValid() || (t.size() > 10 && t.at(10) != u' '))
                throw DytError(QStringLiteral("%1不是有效的日期：%2").arg(f.caption, t));
            return d.toString(QStringLiteral("yyyy-MM-dd"));
        }
    }
    return raw;
}

QVariant defaultValue(const EditField& f) {
    switch (f.kind) {
        case FieldKind::Integer:
            return qint64(0);
        case FieldKind::Number:
        case FieldKind::Money:
            return 0.0;
        default:
            return QString();
    }
}

// A row of a base table as the tree rules need it.
struct Node {
    qint64 id = 0;
    qint64 parId = 0;
    QString path;
    int level = 0;
    int sonnum = 0;
    QString code;
    QString fullname;
    bool system = false;  // a system row of its kind
};

// A check that a record is in use: an SQL text whose every "?" takes the record id, and the
// message (%1 = the record's full name).
struct UseCheck {
    QString sql;
    QString message;
};

QList<UseCheck> useChecks(const BaseKind& k) {
    const auto check = [](const char* sql, const char* message) {
        return UseCheck{QString::fromUtf8(sql), QString::fromUtf8(message)};
    };
    if (k.table == u"baseGoods") {
        return {
            check("SELECT 1 FROM djList WHERE goodsid = ? AND dj_state <> 0 LIMIT 1",
                  "商品[%1]已经被单据使用，不能删除！"),
            check("SELECT 1 FROM baseGoodsStock WHERE goodsid = ? AND qty <> 0 LIMIT 1",
                  "商品[%1]还有库存，不能删除！"),
            check("SELECT 1 FROM baseGoodsStockOther WHERE goodsid = ? AND qty <> 0 LIMIT 1",
                  "商品[%1]还有借进借出或代销数量，不能删除！"),
            check("SELECT 1 FROM iniGoodsStock WHERE goodsid = ? UNION ALL SELECT 1 FROM "
                  "iniGoodsStockOther WHERE goodsid = ? LIMIT 1",
                  "商品[%1]已经录入期初数据，不能删除！"),
            check("SELECT 1 FROM baseCuXiao WHERE goodsid = ? AND del = 0 LIMIT 1",
                  "商品[%1]已经被促销协议使用，不能删除！"),
            check("SELECT 1 FROM baseSCMB WHERE goodsid = ? AND del = 0 UNION ALL SELECT 1 FROM "
                  "baseSCMBList AS l, baseSCMB AS m WHERE m.id = l.mbid AND m.del = 0 AND "
                  "l.goodsid = ? LIMIT 1",
                  "商品[%1]已经被生产组装模板使用，不能删除！"),
        };
    }
    if (k.table == u"baseWLDW") {
        return {
            check("SELECT 1 FROM djIndex WHERE (wldw_id = ? OR yfwldw_id = ?) AND dj_state <> 0 "
                  "LIMIT 1",
                  "往来单位[%1]已经被单据使用，不能删除！"),
            check("SELECT 1 FROM baseWLDW WHERE id = ? AND (ystotal <> 0 OR yftotal <> 0 OR "
                  "yushoutotal <> 0 OR yufutotal <> 0 OR ystotal00 <> 0 OR yftotal00 <> 0 OR "
                  "yushouTotal00 <> 0 OR yufuTotal00 <> 0)",
                  "往来单位[%1]还有应收应付或预收预付余额，不能删除！"),
            check("SELECT 1 FROM baseGoodsStockOther WHERE wldw_id = ? AND qty <> 0 UNION ALL "
                  "SELECT 1 FROM iniGoodsStockOther WHERE wldw_id = ? LIMIT 1",
                  "往来单位[%1]还有借进借出或代销商品，不能删除！"),
            check("SELECT 1 FROM baseCuXiao WHERE khid = ? AND del = 0 LIMIT 1",
                  "往来单位[%1]已经被促销协议使用，不能删除！"),
        };
    }
    if (k.table == u"baseZY") {
        return {
            check("SELECT 1 FROM sysuser WHERE id = ?", "职员[%1]是操作员，不能删除！"),
            check("SELECT 1 FROM djIndex WHERE (jsr_id = ? OR rec_id = ? OR postid = ?) AND "
                  "dj_state <> 0 LIMIT 1",
                  "职员[%1]已经被单据使用，不能删除！"),
        };
    }
    if (k.table == u"baseCK") {
        return {
            check("SELECT 1 FROM djIndex WHERE (IntoStock_id = ? OR OutStock_id = ?) AND "
                  "dj_state <> 0 UNION ALL SELECT 1 FROM djList WHERE (IntoStock_id = ? OR "
                  "OutStock_id = ?) AND dj_state <> 0 LIMIT 1",
                  "仓库[%1]已经被单据使用，不能删除！"),
            check("SELECT 1 FROM baseGoodsStock WHERE stockid = ? AND qty <> 0 UNION ALL SELECT 1 "
                  "FROM iniGoodsStock WHERE stockid = ? LIMIT 1",
                  "仓库[%1]还有库存或期初库存，不能删除！"),
        };
    }
    if (k.table == u"baseBM") {
        return {
            check("SELECT 1 FROM djIndex WHERE dep_id = ? AND dj_state <> 0 LIMIT 1",
                  "部门[%1]已经被单据使用，不能删除！"),
            check("SELECT 1 FROM baseZY WHERE depid = ? AND del = 0 LIMIT 1",
                  "部门[%1]下还有职员，不能删除！"),
        };
    }
    if (k.table == u"baseDQ") {
        return {check("SELECT 1 FROM baseWLDW WHERE Areaid = ? AND del = 0 LIMIT 1",
                      "地区[%1]已经被往来单位使用，不能删除！")};
    }
    if (k.table == u"baseKM") {
        return {
            check("SELECT 1 FROM djKmDetail WHERE km_id = ? AND dj_state <> 0 UNION ALL SELECT 1 "
                  "FROM djList WHERE km_id = ? AND dj_state <> 0 UNION ALL SELECT 1 FROM djIndex "
                  "WHERE (sfkKm_id = ? OR yfKm_id = ?) AND dj_state <> 0 LIMIT 1",
                  "科目[%1]已经被单据使用，不能删除！"),
            check("SELECT 1 FROM sysSubjectInterface WHERE km_id = ? LIMIT 1",
                  "科目[%1]已经被设置为收付款账户或收支类型，不能删除！"),
            check("SELECT 1 FROM baseKM WHERE id = ? AND (Total <> 0 OR Total00 <> 0)",
                  "科目[%1]还有余额，不能删除！"),
        };
    }
    return {};
}

class Editor {
public:
    Editor(CallContext& c, const BaseKind& k) : c_(c), db_(c.db), k_(k) {}

    // --- rows

    std::optional<Node> node(qint64 id) {
        QString system = QStringLiteral("0");
        if (k_.systemRows == SystemRows::Employee)
            system = QStringLiteral("CASE WHEN candel = 0 THEN 1 ELSE 0 END");
        else if (k_.systemRows == SystemRows::Account)
            system = QStringLiteral("sysrow");
        Statement st = db_.prepare(QStringLiteral("SELECT id, par_id, par_jl, leveal, sonnum, "
                                                  "code, fullname, %1 FROM %2 WHERE id = ? AND "
                                                  "del = 0")
                                       .arg(system, k_.table));
        st.bindAll({id});
        if (!st.step())
            return std::nullopt;
        Node n;
        n.id = st.value(0).toLongLong();
        n.parId = st.value(1).toLongLong();
        n.path = st.value(2).toString();
        n.level = st.value(3).toInt();
        n.sonnum = st.value(4).toInt();
        n.code = st.value(5).toString();
        n.fullname = st.value(6).toString();
        n.system = st.value(7).toLongLong() != 0;
        return n;
    }

    Node existing(qint64 id) {
        if (id <= 0)
            throw DytError(QStringLiteral("请选择%1记录").arg(k_.caption));
        std::optional<Node> n = node(id);
        if (!n)
            throw DytError(QStringLiteral("%1记录[%2]不存在或已被删除").arg(k_.caption).arg(id));
        return *n;
    }

    void requireRight(qint64 id) {
        if (!recordRightsApply(db_, k_, c_.userId))
            return;
        const QVariant refused =
            db_.scalar(QStringLiteral("SELECT 1 FROM %1 WHERE id = ? AND czy_id = ? AND isbj = 0")
                           .arg(k_.rightsTable),
                       {id, c_.userId});
        if (refused.isValid())
            throw DytError(kNoRightMessage);
    }

    // The first use of the record that forbids deleting it (or turning it into a category).
    std::optional<QString> use(const Node& n) {
        for (const UseCheck& u : useChecks(k_)) {
            QVariantList values;
            for (qsizetype i = 0; i < u.sql.count(u'?'); ++i)
                values.append(n.id);
            if (db_.scalar(u.sql, values).isValid())
                return u.message.arg(n.fullname.trimmed());
        }
        return std::nullopt;
    }

    void stampRow(qint64 id) {
        if (k_.hasUpdateTime) {
            db_.execute(QStringLiteral("UPDATE %1 SET updateTime = ? WHERE id = ?").arg(k_.table),
                        {changeStamp(), id});
        }
    }

    void changeChildren(qint64 parentId, int delta) {
        if (parentId <= 0)
            return;
        db_.execute(QStringLiteral("UPDATE %1 SET sonnum = CASE WHEN sonnum + ? < 0 THEN 0 ELSE "
                                   "sonnum + ? END WHERE id = ?")
                        .arg(k_.table),
                    {delta, delta, parentId});
        stampRow(parentId);
    }

    // The parent a new record or a moved record goes below: 0 (top) or a live row of at most
    // level 4. A leaf becomes a category only while nothing uses it.
    std::optional<Node> parentFor(qint64 parentId, bool allowLeaf) {
        if (parentId <= 0)
            return std::nullopt;
        std::optional<Node> p = node(parentId);
        if (!p) {
            throw DytError(
                QStringLiteral("上级%1分类[%2]不存在或已被删除").arg(k_.caption).arg(parentId));
        }
        if (p->level >= kMaxLevel)
            throw DytError(kMaxLevelMessage);
        if (p->sonnum == 0) {
            if (!allowLeaf) {
                throw DytError(QStringLiteral("[%1]不是分类，不能移入").arg(p->fullname.trimmed()));
            }
            if (p->system) {
                throw DytError(k_.systemRows == SystemRows::Account
                                   ? QStringLiteral("系统行不能被分类！")
                                   : kEmployeeSystemMessage);
            }
            if (use(*p)) {
                throw DytError(QStringLiteral("%1[%2]已经有业务数据，不能增加下级！")
                                   .arg(k_.caption, p->fullname.trimmed()));
            }
        }
        return p;
    }

    // --- save

    int save() {
        ParamList& p = c_.params;
        if (k_.deleteProc.isEmpty() && p.value(QStringLiteral("del")).trimmed() == u"1")
            return remove();
        const qint64 id = idParam(p, QStringLiteral("id"), QStringLiteral("记录编号"));

        // The record as it will be: the stored values (defaults for a new one) with the sent
        // values over them.
        QHash<QString, QVariant> record;
        QSet<QString> sent;
        std::optional<Node> old;
        if (id > 0) {
            old = existing(id);
            if (old->system) {
                throw DytError(k_.systemRows == SystemRows::Account
                                   ? QStringLiteral("系统行不能新增或修改！")
                                   : kEmployeeSystemMessage);
            }
            requireRight(id);
            QStringList columns;
            for (const EditField& f : k_.fields)
                columns.append(f.name);
            Statement st = db_.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE id = ?")
                                           .arg(columns.join(QStringLiteral(", ")), k_.table));
            st.bindAll({id});
            st.step();
            for (int i = 0; i < k_.fields.size(); ++i) {
                const EditField& f = k_.fields[i];
                record.insert(f.name, parseValue(f, st.value(i).toString()));
            }
        } else {
            for (const EditField& f : k_.fields)
                record.insert(f.name, defaultValue(f));
        }
        for (const EditField& f : k_.fields) {
            if (p.contains(f.name)) {
                record.insert(f.name, parseValue(f, p.value(f.name)));
                sent.insert(f.name);
            }
        }
        const QString code = record.value(QStringLiteral("code")).toString().trimmed();
        const QString fullname = record.value(QStringLiteral("fullname")).toString().trimmed();
        if (code.isEmpty())
            throw DytError(QStringLiteral("请输入编号"));
        if (fullname.isEmpty())
            throw DytError(QStringLiteral("请输入全名"));
        record.insert(QStringLiteral("code"), code);
        record.insert(QStringLiteral("fullname"), fullname);
        if (record.value(QStringLiteral("pym")).toString().trimmed().isEmpty()) {
            record.insert(QStringLiteral("pym"), GetPinYinLeader(fullname));
            sent.insert(QStringLiteral("pym"));
        }
        checkRecord(record, old);
        const QVariant twin =
            db_.scalar(QStringLiteral("SELECT id FROM %1 WHERE code = ? AND del = 0 AND id <> ?")
                           .arg(k_.table),
                       {code, id});
        if (twin.isValid()) {
            throw DytError(
                QStringLiteral("%1编号[%2]已经存在，请重新输入！").arg(k_.caption, code));
        }

        const qint64 saved = id > 0 ? update(*old, record, sent) : insert(record);
        p.setInt(QStringLiteral("id"), saved);
        return static_cast<int>(saved);
    }

    qint64 insert(const QHash<QString, QVariant>& record) {
        const qint64 parentId =
            idParam(c_.params, QStringLiteral("par_id"), QStringLiteral("上级分类"));
        const std::optional<Node> parent = parentFor(parentId, true);
        QStringList columns = {QStringLiteral("par_id"), QStringLiteral("leveal"),
                               QStringLiteral("sonnum"), QStringLiteral("del"),
                               QStringLiteral("orderly")};
        QVariantList values = {parentId, parent ? parent->level + 1 : 1, 0, 0,
                               db_.scalar(QStringLiteral("SELECT COALESCE(MAX(orderly), 0) + 1 "
                                                         "FROM %1 WHERE par_id = ?")
                                              .arg(k_.table),
                                          {parentId})};
        if (k_.hasUpdateTime) {
            columns.append(QStringLiteral("updateTime"));
            values.append(changeStamp());
        }
        for (const EditField& f : k_.fields) {
            columns.append(f.name);
            values.append(record.value(f.name));
        }
        QStringList marks;
        for (qsizetype i = 0; i < columns.size(); ++i)
            marks.append(QStringLiteral("?"));
        db_.execute(QStringLiteral("INSERT INTO %1(%2) VALUES (%3)")
                        .arg(k_.table, columns.join(QStringLiteral(", ")),
                             marks.join(QStringLiteral(", "))),
                    values);
        const qint64 id = db_.lastInsertId();
        const QString path = (parent ? parent->path : QString()) + QString::number(id) + u',';
        db_.execute(QStringLiteral("UPDATE %1 SET par_jl = ? WHERE id = ?").arg(k_.table),
                    {path, id});
        if (parent) {
            changeChildren(parent->id, 1);
            if (k_.systemRows == SystemRows::Account) {
                // A new account belongs to its parent's class and balance side.
                db_.execute(
                    QStringLiteral("UPDATE baseKM SET kmType = (SELECT p.kmType FROM baseKM "
                                   "AS p WHERE p.id = ?), dc = (SELECT p.dc FROM baseKM AS "
                                   "p WHERE p.id = ?) WHERE id = ?"),
                    {parent->id, parent->id, id});
            }
            // A category is granted to an operator when a live record below it is; a new record
            // without a rights row is granted.
            if (!k_.rightsTable.isEmpty()) {
                const QStringList ids = parent->path.split(u',', Qt::SkipEmptyParts);
                for (const QString& a : ids) {
                    db_.execute(
                        QStringLiteral("UPDATE %1 SET isbj = 1 WHERE id = ?").arg(k_.rightsTable),
                        {a.toLongLong()});
                }
            }
        }
        return id;
    }

    qint64 update(const Node& old, const QHash<QString, QVariant>& record,
                  const QSet<QString>& sent) {
        const qint64 id = old.id;
        if (k_.hasStop && sent.contains(QStringLiteral("isstop")))
            followStop(old, record.value(QStringLiteral("isstop")).toLongLong() != 0);
        QStringList sets;
        QVariantList values;
        for (const EditField& f : k_.fields) {
            if (!sent.contains(f.name) && f.name != u"code" && f.name != u"fullname")
                continue;
            sets.append(f.name + QStringLiteral(" = ?"));
            values.append(record.value(f.name));
        }
        if (k_.hasUpdateTime) {
            sets.append(QStringLiteral("updateTime = ?"));
            values.append(changeStamp());
        }
        values.append(id);
        db_.execute(QStringLiteral("UPDATE %1 SET %2 WHERE id = ?")
                        .arg(k_.table, sets.join(QStringLiteral(", "))),
                    values);
        return id;
    }

    // Stopping a category stops everything below it; a record taken back into use brings the
    // categories above it back too, so that the lists without stopped rows reach it.
    void followStop(const Node& n, bool stop) {
        const QString stamp = k_.hasUpdateTime ? QStringLiteral(", updateTime = ?") : QString();
        QVariantList values = {stop ? 1 : 0};
        if (k_.hasUpdateTime)
            values.append(changeStamp());
        if (stop) {
            if (n.sonnum == 0)
                return;
            values.append(prefixPattern(n.path));
            db_.execute(QStringLiteral("UPDATE %1 SET isstop = ?%2 WHERE par_jl LIKE ? ESCAPE '\\' "
                                       "AND del = 0 AND isstop <> 1")
                            .arg(k_.table, stamp),
                        values);
            return;
        }
        const QStringList ids = n.path.split(u',', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i + 1 < ids.size(); ++i) {
            QVariantList v = values;
            v.append(ids[i].toLongLong());
            db_.execute(QStringLiteral("UPDATE %1 SET isstop = ?%2 WHERE id = ? AND isstop <> 0")
                            .arg(k_.table, stamp),
                        v);
        }
    }

    void requireLive(const QString& table, qint64 id, const QString& caption) {
        if (id <= 0)
            return;
        if (!db_.scalar(QStringLiteral("SELECT 1 FROM %1 WHERE id = ? AND del = 0").arg(table),
                        {id})
                 .isValid()) {
            throw DytError(QStringLiteral("%1[%2]不存在或已被删除").arg(caption).arg(id));
        }
    }

    // The rules of each kind on the record as it will be stored.
    void checkRecord(const QHash<QString, QVariant>& r, const std::optional<Node>& old) {
        const auto number = [&](const char* name) {
            return r.value(QString::fromLatin1(name)).toDouble();
        };
        const auto integer = [&](const char* name) {
            return r.value(QString::fromLatin1(name)).toLongLong();
        };
        if (k_.table == u"baseGoods") {
            if (integer("costmode") < 0 || integer("costmode") > 3)
                throw DytError(QStringLiteral("成本核算方法无效：%1").arg(integer("costmode")));
            if (integer("spType") < 0 || integer("spType") > 1)
                throw DytError(QStringLiteral("商品类型无效：%1").arg(integer("spType")));
            if (number("warnDown") < 0)
                throw DytError(QStringLiteral("库存下限不能小于0"));
            if (number("warnUP") < 0)
                throw DytError(QStringLiteral("库存上限不能小于0"));
            if (number("warnDown") > number("warnUP"))
                throw DytError(QStringLiteral("库存上限必须大于库存下限"));
            if (integer("yxqNum") < 0)
                throw DytError(QStringLiteral("保质期天数不能小于0"));
            if (integer("jxqNum") < 0)
                throw DytError(QStringLiteral("近效期天数不能小于0"));
            requireLive(QStringLiteral("baseWLDW"), integer("wldw_id"),
                        QStringLiteral("默认供应商"));
            if (old && old->sonnum == 0)
                checkGoodsLocks(old->id, integer("costmode"), integer("spType"));
        } else if (k_.table == u"baseWLDW") {
            if (number("ys_xyd") < 0)
                throw DytError(QStringLiteral("应收信用额度不能小于 0"));
            if (number("yf_xyd") < 0)
                throw DytError(QStringLiteral("应付信用额度不能小于 0"));
            if (integer("ysDays") < 0)
                throw DytError(QStringLiteral("收款期限天数必须是正整数"));
            if (integer("yfDays") < 0)
                throw DytError(QStringLiteral("付款期限天数必须是正整数"));
            requireLive(QStringLiteral("baseZY"), integer("jsrid"), QStringLiteral("经手人"));
            requireLive(QStringLiteral("baseDQ"), integer("Areaid"), QStringLiteral("地区"));
            requireLive(QStringLiteral("baseWLDW"), integer("zwgs_id"),
                        QStringLiteral("账务归属单位"));
            if (old && integer("zwgs_id") == old->id)
                throw DytError(QStringLiteral("账务归属单位不能是单位自己"));
        } else if (k_.table == u"baseZY") {
            requireLive(QStringLiteral("baseBM"), integer("depid"), QStringLiteral("部门"));
        }
    }

    // A goods keeps its cost method while it has stock, opening stock or bill lines, and its
    // goods type while bill lines use it (bills that are not deleted).
    void checkGoodsLocks(qint64 id, qint64 costmode, qint64 spType) {
        Statement st =
            db_.prepare(QStringLiteral("SELECT costmode, spType FROM baseGoods WHERE id = ?"));
        st.bindAll({id});
        st.step();
        const qint64 oldCost = st.value(0).toLongLong();
        const qint64 oldType = st.value(1).toLongLong();
        const bool lines =
            db_.scalar(QStringLiteral(
                           "SELECT 1 FROM djList WHERE goodsid = ? AND dj_state <> 0 LIMIT 1"),
                       {id})
                .isValid();
        if (spType != oldType && lines)
            throw DytError(QStringLiteral("该商品已经有业务单据，不能修改商品类型！"));
        if (costmode != oldCost) {
            const bool stock =
                lines ||
                db_.scalar(QStringLiteral(
                               "SELECT 1 FROM baseGoodsStock WHERE goodsid = ? UNION ALL SELECT 1 "
                               "FROM baseGoodsStockOther WHERE goodsid = ? UNION ALL SELECT 1 FROM "
                               "iniGoodsStock WHERE goodsid = ? UNION ALL SELECT 1 FROM "
                               "iniGoodsStockOther WHERE goodsid = ? LIMIT 1"),
                           {id, id, id, id})
                    .isValid();
            if (stock) {
                throw DytError(
                    QStringLiteral("该商品已经有库存或业务单据，不能修改成本核算方法！"));
            }
        }
    }

    // --- delete

    int remove() {
        const Node n =
            existing(idParam(c_.params, QStringLiteral("id"), QStringLiteral("记录编号")));
        if (n.sonnum > 0)
            throw DytError(QStringLiteral("此记录为一个节点，不能删除！"));
        if (n.system) {
            throw DytError(k_.systemRows == SystemRows::Account
                               ? QStringLiteral("系统行不能被删除！")
                               : kEmployeeSystemMessage);
        }
        requireRight(n.id);
        if (const std::optional<QString> used = use(n))
            throw DytError(*used);
        db_.execute(QStringLiteral("UPDATE %1 SET del = 1 WHERE id = ?").arg(k_.table), {n.id});
        stampRow(n.id);
        changeChildren(n.parId, -1);
        return static_cast<int>(n.id);
    }

    // --- move

    int move(qint64 targetId, const QList<qint64>& ids) {
        const std::optional<Node> target = parentFor(targetId, false);
        const QString targetPath = target ? target->path : QString();
        const int targetLevel = target ? target->level : 0;
        int moved = 0;
        for (const qint64 id : ids) {
            const Node n = existing(id);
            if (n.parId == targetId)
                continue;
            if (n.system) {
                throw DytError(k_.systemRows == SystemRows::Account
                                   ? QStringLiteral("系统行不能新增或修改！")
                                   : kEmployeeSystemMessage);
            }
            requireRight(n.id);
            if (targetPath.startsWith(n.path))
                throw DytError(QStringLiteral("不能把分类移到它自己或它的下级中"));
            const QString below = prefixPattern(n.path);
            const int deepest =
                db_.scalar(QStringLiteral("SELECT MAX(leveal) FROM %1 WHERE par_jl LIKE ? ESCAPE "
                                          "'\\'")
                               .arg(k_.table),
                           {below})
                    .toInt();
            const int shift = targetLevel + 1 - n.level;
            if (deepest + shift > kMaxLevel)
                throw DytError(kMaxLevelMessage);
            const QString newPath = targetPath + QString::number(n.id) + u',';
            QString stamp;
            QVariantList values = {newPath, n.path.size() + 1, shift};
            if (k_.hasUpdateTime) {
                stamp = QStringLiteral(", updateTime = ?");
                values.append(changeStamp());
            }
            values.append(below);
            db_.execute(QStringLiteral("UPDATE %1 SET par_jl = ? || substr(par_jl, ?), leveal = "
                                       "leveal + ?%2 WHERE par_jl LIKE ? ESCAPE '\\'")
                            .arg(k_.table, stamp),
                        values);
            db_.execute(QStringLiteral("UPDATE %1 SET par_id = ?, orderly = (SELECT COALESCE(MAX("
                                       "o.orderly), 0) + 1 FROM %1 AS o WHERE o.par_id = ?) WHERE "
                                       "id = ?")
                            .arg(k_.table),
                        {targetId, targetId, n.id});
            changeChildren(n.parId, -1);
            changeChildren(targetId, 1);
            ++moved;
        }
        return moved;
    }

private:
    CallContext& c_;
    Database& db_;
    const BaseKind& k_;
};

// --- procedures

Handler saver(const BaseKind& k) {
    return [&k](CallContext& c) { return Editor(c, k).save(); };
}

Handler deleter(const BaseKind& k) {
    return [&k](CallContext& c) { return Editor(c, k).remove(); };
}

// The id list of the drag command: "(0", then "," + id for each record, then ",-1)".
QList<qint64> dragIds(const QString& text) {
    const QString t = text.trimmed();
    const auto bad = [&] { return DytError(QStringLiteral("记录编号列表格式错误：%1").arg(t)); };
    if (!t.startsWith(u'(') || !t.endsWith(u')'))
        throw bad();
    const QStringList parts = t.mid(1, t.size() - 2).split(u',');
    if (parts.size() < 2 || parts.first().trimmed() != u"0" || parts.last().trimmed() != u"-1")
        throw bad();
    QList<qint64> ids;
    for (qsizetype i = 1; i + 1 < parts.size(); ++i) {
        bool ok = false;
        const qint64 id = parts[i].trimmed().toLongLong(&ok);
        if (!ok || id <= 0)
            throw bad();
        if (!ids.contains(id))
            ids.append(id);
    }
    return ids;
}

// p_Base_Up_DragDrop: TableName, par_id (the target category, 0 = top), idStrList.
int dragDrop(CallContext& c) {
    const QString table = c.params.value(QStringLiteral("TableName"));
    const BaseKind* k = kindByTable(table);
    if (!k) {
        c.message = QStringLiteral("表[%1]不能移动分类").arg(table.trimmed());
        return -1;
    }
    const qint64 target = idParam(c.params, QStringLiteral("par_id"), QStringLiteral("目标分类"));
    const QList<qint64> ids = dragIds(c.params.value(QStringLiteral("idStrList")));
    return Editor(c, *k).move(target, ids);
}

// p_base_Up_goodsunit: one unit row of a goods (Goodsid, fzdwid 0 base unit / 1, 2 auxiliary
// units, unit, rate, barcode, price, price1..3, isDefault). An auxiliary row with an empty unit
// name is removed. The unit and the rate of a row stay while bills use that unit.
int upGoodsUnit(CallContext& c) {
    const ParamList& p = c.params;
    Database& db = c.db;
    const qint64 goods = idParam(p, QStringLiteral("Goodsid"), QStringLiteral("商品"));
    const BaseKind& k = *kindByTable(QStringLiteral("baseGoods"));
    Editor editor(c, k);
    const Node g = editor.existing(goods);
    if (g.sonnum > 0)
        throw DytError(QStringLiteral("[%1]是商品分类，不能设置单位").arg(g.fullname.trimmed()));
    editor.requireRight(goods);
    const QString slotText = p.value(QStringLiteral("fzdwid")).trimmed();
    bool ok = false;
    const int slot = slotText.toInt(&ok);
    if (!ok || slot < 0 || slot > 2)
        throw DytError(QStringLiteral("单位序号无效：%1").arg(slotText));
    const auto numberOf = [&](const char* name, const char* caption) {
        return parseValue(
                   {QString::fromLatin1(name), FieldKind::Number, QString::fromUtf8(caption)},
                   p.value(QString::fromLatin1(name)))
            .toDouble();
    };
    const QString unit = p.value(QStringLiteral("unit")).trimmed();
    double rate = slot == 0 ? 1.0 : numberOf("rate", "单位关系");
    const QString barcode = p.value(QStringLiteral("barcode")).trimmed();
    const QString defText = p.value(QStringLiteral("isDefault")).trimmed();
    const bool isDefault = defText == u"1" || defText == u"√" ||
                           defText.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;

    Statement st = db.prepare(QStringLiteral(
        "SELECT id, unit, rate FROM baseGoodsUnit WHERE Goodsid = ? AND fzdwid = ?"));
    st.bindAll({goods, slot});
    const bool exists = st.step();
    const qint64 rowId = exists ? st.value(0).toLongLong() : 0;
    const QString oldUnit = exists ? st.value(1).toString() : QString();
    const double oldRate = exists ? st.value(2).toDouble() : 0.0;
    const bool used =
        exists && db.scalar(QStringLiteral("SELECT 1 FROM djList WHERE goodsid = ? AND unit = ? "
                                           "AND dj_state <> 0 LIMIT 1"),
                            {goods, slot})
                      .isValid();
    if (slot > 0 && unit.isEmpty()) {
        if (!exists)
            return 0;
        if (used)
            throw DytError(QStringLiteral("单位[%1]已经被单据使用，不能删除！").arg(oldUnit));
        db.execute(QStringLiteral("DELETE FROM baseGoodsUnit WHERE id = ?"), {rowId});
        editor.stampRow(goods);
        return 0;
    }
    if (rate <= 0)
        throw DytError(QStringLiteral("单位关系必须大于0"));
    if (used && (unit.compare(oldUnit.trimmed(), Qt::CaseInsensitive) != 0 ||
                 std::fabs(rate - oldRate) > 1e-9)) {
        throw DytError(
            QStringLiteral("单位[%1]已经被单据使用，不能修改单位和单位关系！").arg(oldUnit));
    }
    if (!barcode.isEmpty()) {
        Statement other = db.prepare(QStringLiteral(
            "SELECT g.fullname FROM baseGoodsUnit AS u JOIN baseGoods AS g ON g.id = u.Goodsid "
            "WHERE u.barcode = ? AND g.del = 0 AND NOT (u.Goodsid = ? AND u.fzdwid = ?)"));
        other.bindAll({barcode, goods, slot});
        if (other.step()) {
            throw DytError(QStringLiteral("条码[%1]已经被商品[%2]使用")
                               .arg(barcode, other.value(0).toString().trimmed()));
        }
    }
    const QVariantList prices = {numberOf("price", "零售价"), numberOf("price1", "预设售价1"),
                                 numberOf("price2", "预设售价2"), numberOf("price3", "预设售价3")};
    if (isDefault) {
        db.execute(QStringLiteral("UPDATE baseGoodsUnit SET isDefault = 0 WHERE Goodsid = ?"),
                   {goods});
    }
    qint64 id = rowId;
    if (exists) {
        db.execute(
            QStringLiteral("UPDATE baseGoodsUnit SET unit = ?, rate = ?, barcode = ?, price "
                           "= ?, price1 = ?, price2 = ?, price3 = ?, isDefault = ? WHERE "
                           "id = ?"),
            QVariantList{unit, rate, barcode} + prices + QVariantList{isDefault ? 1 : 0, rowId});
    } else {
        db.execute(QStringLiteral("INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, "
                                  "price, price1, price2, price3, isDefault) VALUES (?, ?, ?, ?, "
                                  "?, ?, ?, ?, ?, ?)"),
                   QVariantList{goods, slot, unit, rate, barcode} + prices +
                       QVariantList{isDefault ? 1 : 0});
        id = db.lastInsertId();
    }
    editor.stampRow(goods);
    c.params.setInt(QStringLiteral("id"), id);
    return static_cast<int>(id);
}

// --- goods pictures: one picture per goods in baseGoodsImage (created with the first picture),
// the goods' YouWuTuPian says "有" or "无".

constexpr qsizetype kMaxPictureBytes = 16 * 1024 * 1024;

bool isPicture(const QByteArray& b) {
    return b.startsWith("\xFF\xD8\xFF") || b.startsWith("\x89PNG\r\n\x1A\n") ||
           b.startsWith("GIF87a") || b.startsWith("GIF89a") || b.startsWith("BM");
}

// p_Base_Up_GoodsImage: Goodsid and Image (the picture file, base64), or del = 1 to remove it.
int upGoodsImage(CallContext& c) {
    const ParamList& p = c.params;
    Database& db = c.db;
    const qint64 goods = idParam(p, QStringLiteral("Goodsid"), QStringLiteral("商品"));
    Editor editor(c, *kindByTable(QStringLiteral("baseGoods")));
    const Node g = editor.existing(goods);
    editor.requireRight(goods);
    if (p.value(QStringLiteral("del")).trimmed() == u"1") {
        if (db.tableExists(QStringLiteral("baseGoodsImage")))
            db.execute(QStringLiteral("DELETE FROM baseGoodsImage WHERE goodsid = ?"), {goods});
        db.execute(QStringLiteral("UPDATE baseGoods SET YouWuTuPian = '无' WHERE id = ?"), {goods});
        editor.stampRow(goods);
        return 0;
    }
    if (g.sonnum > 0)
        throw DytError(QStringLiteral("[%1]是商品分类，不能保存图片").arg(g.fullname.trimmed()));
    const auto decoded =
        QByteArray::fromBase64Encoding(p.value(QStringLiteral("Image")).trimmed().toLatin1(),
                                       QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty())
        throw DytError(QStringLiteral("商品图片不存在，请检查"));
    if (decoded.decoded.size() > kMaxPictureBytes)
        throw DytError(QStringLiteral("商品图片不能大于16MB"));
    if (!isPicture(decoded.decoded))
        throw DytError(QStringLiteral("商品图片不是JPG、PNG、GIF或BMP格式"));
    db.execute(schema::goodsImageTable());
    db.execute(QStringLiteral("DELETE FROM baseGoodsImage WHERE goodsid = ?"), {goods});
    db.execute(QStringLiteral("INSERT INTO baseGoodsImage(goodsid, image, updateTime) VALUES (?, "
                              "?, ?)"),
               {goods, decoded.decoded, changeStamp()});
    db.execute(QStringLiteral("UPDATE baseGoods SET YouWuTuPian = '有' WHERE id = ?"), {goods});
    editor.stampRow(goods);
    return static_cast<int>(decoded.decoded.size());
}

// p_Base_Get_GoodsImage: the picture of Goodsid (fields Goodsid, Image); no row without one, nor
// for a goods the operator's record rights refuse.
int getGoodsImage(CallContext& c) {
    const qint64 goods = idParam(c.params, QStringLiteral("Goodsid"), QStringLiteral("商品"));
    RecordSet& out = c.data;
    out.clear();
    out.addField(QStringLiteral("Goodsid"), FieldType::Integer);
    out.addField(QStringLiteral("Image"), FieldType::Blob);
    if (c.db.tableExists(QStringLiteral("baseGoodsImage"))) {
        Where w;
        w.add(QStringLiteral("i.goodsid = ?"), {goods});
        RecordRights(c.db, c.userId).add(w, RecordKind::Goods, QStringLiteral("i.goodsid"));
        Statement st = c.db.prepare(
            QStringLiteral("SELECT i.image FROM baseGoodsImage AS i WHERE ") + w.text());
        st.bindAll(w.values);
        if (st.step())
            out.appendRow({goods, st.value(0).toByteArray()});
    }
    out.first();
    return 0;
}

}  // namespace

void registerBaseEditProcedures(Registry& procedures) {
    for (const BaseKind& k : kinds()) {
        if (k.saveProc.isEmpty())
            continue;
        procedures.add(k.saveProc, saver(k));
        if (!k.deleteProc.isEmpty())
            procedures.add(k.deleteProc, deleter(k));
    }
    procedures.add(QStringLiteral("p_base_Up_goodsunit"), upGoodsUnit);
    procedures.add(QStringLiteral("p_Base_Up_DragDrop"), dragDrop);
    procedures.add(QStringLiteral("p_Base_Up_GoodsImage"), upGoodsImage);
    procedures.add(QStringLiteral("p_Base_Get_GoodsImage"), getGoodsImage, false);
}

}  // namespace dyt::server::base
