// The base-data lists: the list kinds of P_JXC_Get_Base and P_Base_Get_KM.
#include "server/procs/procs_baselist.h"

#include <QHash>
#include <QStringView>

#include <vector>

#include "common/condition.h"
#include "common/error.h"
#include "server/db/basekinds.h"
#include "server/db/database.h"
#include "server/db/where.h"
#include "server/procs/procs_goods.h"
#include "server/procs/registry.h"

namespace dyt::server {

namespace {

using base::BaseKind;

// The full names of the categories above rows, read once per category.
class PathNames {
public:
    PathNames(Database& db, const BaseKind& kind)
        : lookup_(
              db.prepare(QStringLiteral("SELECT fullname FROM %1 WHERE id = ?").arg(kind.table))) {}

    // The names along par_jl (the ids from the top down to the row), the row's own name last.
    QString of(const QString& path, const QString& ownName) {
        QString out;
        const QList<QStringView> ids = QStringView(path).split(u',', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i + 1 < ids.size(); ++i) {
            out += nameOf(ids[i].toLongLong());
            out += u'/';
        }
        out += ownName.trimmed();
        return out;
    }

private:
    QString nameOf(qint64 id) {
        auto it = names_.constFind(id);
        if (it != names_.constEnd())
            return *it;
        lookup_.bindAll({id});
        const QString name = lookup_.step() ? lookup_.value(0).toString().trimmed() : QString();
        lookup_.reset();
        names_.insert(id, name);
        return name;
    }

    Statement lookup_;
    QHash<qint64, QString> names_;
};

void addPathNames(Database& db, const BaseKind& kind, RecordSet& rs) {
    const int path = rs.fieldIndex(QStringLiteral("par_jl"));
    const int name = rs.fieldIndex(QStringLiteral("fullname"));
    const int out = rs.addField(QStringLiteral("pathName"), FieldType::Text);
    PathNames names(db, kind);
    for (int r = 0; r < rs.rowCount(); ++r)
        rs.setAt(r, out, names.of(rs.at(r, path).toString(), rs.at(r, name).toString()));
}

class ListQuery {
public:
    ListQuery(CallContext& c, const BaseKind& kind) : c_(c), kind_(kind) {
        cond_ = ConditionString::parse(c.params.value(kind.conditionKey));
        userId_ = c.userId > 0 ? c.userId : conditionId(cond_, QStringLiteral("czy_id"));
    }

    int run() {
        Where w;
        w.add(QStringLiteral("t.del = 0"));
        const qint64 id = conditionId(cond_, QStringLiteral("id"));
        const bool tree = conditionFlag(cond_, QStringLiteral("TreeView"));
        const QString search = cond_.value(QStringLiteral("allfilter")).trimmed();
        // A level keeps the order the operator gave its rows; a flat list or a search result
        // mixes levels, whose orders do not compare, and comes in code order.
        bool byCode = false;
        if (id > 0) {
            w.add(QStringLiteral("t.id = ?"), {id});
        } else if (tree) {
            w.add(QStringLiteral("t.sonnum > 0"));
        } else if (!search.isEmpty()) {
            addSearch(w, search);
            byCode = true;
        } else if (kind_.operatorsOnly || conditionFlag(cond_, QStringLiteral("isList"))) {
            w.add(QStringLiteral("t.sonnum = 0"));
            byCode = true;
            const qint64 parId = conditionId(cond_, QStringLiteral("par_id"));
            if (parId > 0) {
                const QVariant path =
                    c_.db.scalar(QStringLiteral("SELECT par_jl FROM %1 WHERE id = ? AND del = 0")
                                     .arg(kind_.table),
                                 {parId});
                if (!path.isValid())
                    throw DytError(
                        QStringLiteral("%1分类[%2]不存在").arg(kind_.caption).arg(parId));
                w.add(QStringLiteral("t.par_jl LIKE ? ESCAPE '\\'"),
                      {prefixPattern(path.toString())});
            }
        } else {
            w.add(QStringLiteral("t.par_id = ?"), {conditionId(cond_, QStringLiteral("par_id"))});
        }
        if (kind_.operatorsOnly)
            w.add(QStringLiteral("EXISTS (SELECT 1 FROM sysuser AS o WHERE o.id = t.id)"));
        if (kind_.hasStop && cond_.contains(QStringLiteral("isstop")) &&
            cond_.value(QStringLiteral("isstop")).trimmed() == u"0") {
            w.add(QStringLiteral("t.isstop = 0"));
        }
        if (kind_.table == u"baseGoods" && cond_.contains(QStringLiteral("sptype"))) {
            w.add(QStringLiteral("(t.sonnum > 0 OR t.spType = ?)"),
                  {conditionId(cond_, QStringLiteral("sptype"))});
        }
        if (kind_.table == u"baseWLDW") {
            const qint64 type = conditionId(cond_, QStringLiteral("dwtype"));
            if (type > 0)
                w.add(QStringLiteral("(t.sonnum > 0 OR t.type = ? OR t.type = 0)"), {type});
            addOpeningFilter(w);
        }
        if (base::recordRightsApply(c_.db, kind_, userId_)) {
            addRecordRights(w, kind_.rightsTable, QStringLiteral("t.id"), userId_);
        }
        const QString fields =
            id > 0 || kind_.listFields.isEmpty() ? QStringLiteral("t.*") : kind_.listFields;
        const QString sql = QStringLiteral("SELECT ") + fields + kind_.listColumns +
                            QStringLiteral(" FROM ") + kind_.table + QStringLiteral(" AS t") +
                            kind_.listJoins + QStringLiteral(" WHERE ") + w.text() +
                            (byCode ? QStringLiteral(" ORDER BY t.code, t.id")
                                    : QStringLiteral(" ORDER BY t.orderly, t.code, t.id"));
        Statement st = c_.db.prepare(sql);
        st.bindAll(w.values);
        RecordSet rs = readRecordSet(st);
        addPathNames(c_.db, kind_, rs);
        if (tree && id <= 0)
            rs = treeOrder(rs);
        rs.first();
        c_.data = std::move(rs);
        return 0;
    }

private:
    void addSearch(Where& w, const QString& search) {
        const QString pattern = containsPattern(search);
        QStringList any = {QStringLiteral("t.code LIKE ? ESCAPE '\\'"),
                           QStringLiteral("t.fullname LIKE ? ESCAPE '\\'"),
                           QStringLiteral("t.pym LIKE ? ESCAPE '\\'")};
        if (kind_.hasName)
            any.append(QStringLiteral("t.name LIKE ? ESCAPE '\\'"));
        if (kind_.table == u"baseGoods") {
            any.append(
                QStringLiteral("EXISTS (SELECT 1 FROM baseGoodsUnit AS b WHERE b.Goodsid = t.id "
                               "AND b.barcode LIKE ? ESCAPE '\\')"));
        }
        QVariantList values;
        for (qsizetype i = 0; i < any.size(); ++i)
            values.append(pattern);
        w.add(u'(' + any.join(QStringLiteral(" OR ")) + u')', values);
    }

    // The categories from the top down, each followed by its own subtree (the order in which a
    // tree panel hangs each row under the last row of the level above it). Categories whose
    // parent is not among the rows (hidden by a condition) are left out with their subtree.
    static RecordSet treeOrder(const RecordSet& rs) {
        const int idF = rs.fieldIndex(QStringLiteral("id"));
        const int parF = rs.fieldIndex(QStringLiteral("par_id"));
        QHash<qint64, std::vector<int>> children;
        for (int r = 0; r < rs.rowCount(); ++r)
            children[rs.at(r, parF).toLongLong()].push_back(r);
        RecordSet out;
        out.copyStructure(rs);
        std::vector<int> stack;
        const auto pushChildren = [&](qint64 parent) {
            auto it = children.constFind(parent);
            if (it == children.constEnd())
                return;
            for (auto r = it->rbegin(); r != it->rend(); ++r)
                stack.push_back(*r);
        };
        pushChildren(0);
        int guard = rs.rowCount();
        while (!stack.empty() && guard-- >= 0) {
            const int r = stack.back();
            stack.pop_back();
            out.appendRow(rs.row(r));
            pushChildren(rs.at(r, idF).toLongLong());
        }
        return out;
    }

    // The opening window of the partners: filter ";qcqty=" 1 keeps the partners with an opening
    // amount (and the categories above them), 2 those without; 0 or none every partner.
    void addOpeningFilter(Where& w) const {
        const ConditionString filter =
            ConditionString::parse(c_.params.value(QStringLiteral("filter")));
        const qint64 which = conditionId(filter, QStringLiteral("qcqty"));
        if (which != 1 && which != 2)
            return;
        const auto any = [](const char* a) {
            return QStringLiteral("(%1.ystotal00 <> 0 OR %1.yftotal00 <> 0 OR %1.yushouTotal00 "
                                  "<> 0 OR %1.yufuTotal00 <> 0)")
                .arg(QLatin1String(a));
        };
        const QString test = which == 1 ? any("s") : QStringLiteral("NOT ") + any("s");
        w.add(QStringLiteral("EXISTS (SELECT 1 FROM baseWLDW AS s WHERE s.del = 0 AND s.sonnum = "
                             "0 AND substr(s.par_jl, 1, length(t.par_jl)) = t.par_jl AND ") +
              test + u')');
    }

    CallContext& c_;
    const BaseKind& kind_;
    ConditionString cond_;
    qint64 userId_ = 0;
};

// One consistent view for the rows and their path names.
int runList(CallContext& c, const BaseKind& kind) {
    return inReadView(c, [&c, &kind] { return ListQuery(c, kind).run(); });
}

int getAccounts(CallContext& c) {
    return runList(c, *base::kindByQueryType(QStringLiteral("KM")));
}

}  // namespace

bool isBaseListKind(const QString& queryType) {
    return base::kindByQueryType(queryType) != nullptr;
}

int getBaseList(CallContext& c) {
    const QString type = c.params.value(QStringLiteral("QueryType"));
    const BaseKind* kind = base::kindByQueryType(type);
    if (!kind) {
        c.message = QStringLiteral("P_JXC_Get_Base不支持查询类型[%1]").arg(type.trimmed());
        return -1;
    }
    return runList(c, *kind);
}

namespace {

// The record-rights lists of the rights window: the query type, the list kind it shows ("" for the
// bank accounts) and the rights table.
struct RightsKind {
    const char* queryType;
    const char* listKind;
    const char* rightsTable;
};

const RightsKind kRightsKinds[] = {
    {"SPSQ", "SP", "baseGoodsPurview"}, {"DWSQ", "WLDW", "baseWLDWPurview"},
    {"CKSQ", "CK", "baseCKPurview"},    {"ZYSQ", "ZY", "basezyPurview"},
    {"BMSQ", "BM", "basebmPurview"},    {"YHZHSQ", "", "baseYHZHPurview"},
};

const RightsKind* rightsKind(const QString& queryType) {
    for (const RightsKind& k : kRightsKinds) {
        if (queryType.trimmed().compare(QLatin1String(k.queryType), Qt::CaseInsensitive) == 0)
            return &k;
    }
    return nullptr;
}

// The bank accounts (the accounts of the cash and bank role) with their codes and names under the
// captions of the rights window.
QString bankAccountsSql() {
    return QStringLiteral(
        "SELECT t.id, t.par_id, t.par_jl, t.leveal, t.sonnum, t.code, t.fullname, "
        "t.code AS km_code, t.fullname AS km_name FROM baseKM AS t WHERE t.del = 0 AND "
        "t.id IN (SELECT s.km_id FROM sysSubjectInterface AS s WHERE s.type = 1) "
        "ORDER BY t.code, t.id");
}

int listRecordRights(CallContext& c, const RightsKind& kind) {
    const qint64 user = conditionId(
        ConditionString::parse(c.params.value(QStringLiteral("filter"))), QStringLiteral("zy_id"));
    if (user == 1) {
        c.message = QStringLiteral("系统管理员可以使用全部基本信息，不需要授权");
        return -1;
    }
    if (user <= 0 ||
        !c.db.scalar(QStringLiteral("SELECT 1 FROM sysuser WHERE id = ?"), {user}).isValid()) {
        c.message = QStringLiteral("请选择要授权的操作员");
        return -1;
    }
    const QString table = QString::fromLatin1(kind.rightsTable);
    const BaseKind* base = base::kindByQueryType(QString::fromLatin1(kind.listKind));
    const QString records =
        base
            ? QStringLiteral("SELECT b.id AS id FROM %1 AS b").arg(base->table)
            : QStringLiteral("SELECT s.km_id AS id FROM sysSubjectInterface AS s WHERE s.type = 1");
    // Every record without a rights row is allowed; the row written says so, so that the grant
    // texts of the window find a row for every record.
    c.db.execute(QStringLiteral("INSERT INTO %1(id, czy_id, isbj) SELECT DISTINCT r.id, ?, 1 "
                                "FROM (%2) AS r WHERE NOT EXISTS (SELECT 1 FROM %1 AS g "
                                "WHERE g.id = r.id AND g.czy_id = ?)")
                     .arg(table, records),
                 {user, user});
    if (base) {
        const QString type = c.params.value(QStringLiteral("QueryType"));
        c.params.setValue(QStringLiteral("QueryType"), QString::fromLatin1(kind.listKind));
        const int result = runList(c, *base);
        c.params.setValue(QStringLiteral("QueryType"), type);
        if (result < 0)
            return result;
    } else {
        c.data = c.db.query(bankAccountsSql());
    }
    QHash<qint64, qint64> granted;
    const RecordSet rows =
        c.db.query(QStringLiteral("SELECT id, isbj FROM %1 WHERE czy_id = ?").arg(table), {user});
    for (int r = 0; r < rows.rowCount(); ++r)
        granted.insert(rows.at(r, 0).toLongLong(), rows.at(r, 1).toLongLong());
    RecordSet& out = c.data;
    const int idF = out.fieldIndex(QStringLiteral("id"));
    const int isbjF = out.addField(QStringLiteral("isbj"), FieldType::Integer);
    for (int r = 0; r < out.rowCount(); ++r)
        out.setAt(r, isbjF, granted.value(out.at(r, idF).toLongLong(), 1));
    out.first();
    return 0;
}

}  // namespace

bool isRecordRightsKind(const QString& queryType) {
    return rightsKind(queryType) != nullptr;
}

int getRecordRights(CallContext& c) {
    const RightsKind* kind = rightsKind(c.params.value(QStringLiteral("QueryType")));
    if (!kind)
        return getBaseList(c);
    if (c.db.inTransaction())
        return listRecordRights(c, *kind);
    Transaction tx(c.db);
    const int result = listRecordRights(c, *kind);
    if (result >= 0)
        tx.commit();
    return result;
}

void registerBaseListProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("P_Base_Get_KM"), getAccounts, false);
    base::registerBaseEditProcedures(procedures);
}

}  // namespace dyt::server
