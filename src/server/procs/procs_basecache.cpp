// P_JXC_Get_Base for the kinds that clients cache (goods and partners changed after a stamp, the
// small lists in full) and the change stamps of goods and partners.
#include "server/procs/procs_basecache.h"
#include "server/procs/procs_cuxiao.h"

#include <QStringList>

#include "common/basecache.h"
#include "common/condition.h"
#include "common/currency.h"
#include "common/error.h"
#include "server/db/database.h"
#include "server/db/where.h"
#include "server/procs/procs_baselist.h"
#include "server/procs/registry.h"

namespace dyt::server {

QString initialChangeStamp() {
    return basecache::initialStamp();
}

namespace {

// A number as plain text without trailing zeros ("12.5", "3", "0"); Null gives "".
QString numberText(const QVariant& v) {
    if (!v.isValid())
        return {};
    if (v.metaType().id() == QMetaType::LongLong)
        return QString::number(v.toLongLong());
    if (v.metaType().id() == QMetaType::Double) {
        QString s = QString::number(v.toDouble(), 'f', 8);
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
        return s == QLatin1String("-0") ? QStringLiteral("0") : s;
    }
    return v.toString();
}

QVariant moneyOf(const QVariant& v) {
    Currency c;
    if (v.isValid() && !Currency::tryFromDouble(v.toDouble(), &c))
        throw DytError(QStringLiteral("金额超出范围：%1").arg(v.toString()));
    return QVariant::fromValue(c);
}

// The cached rows of a table: all of them for a client that has never synchronised, else those
// whose stamp is at or after the client's. Rows stamped in the same second as the client's stamp
// come again: the stamp has whole seconds, and a row may have changed later in that second. The
// records the operator's record rights refuse are left out.
struct CachedRows {
    Where where;
    bool changedOnly = false;

    CachedRows(CallContext& c, const QString& alias, const QString& stamp, RecordKind kind) {
        if (!stamp.trimmed().isEmpty() && stamp > initialChangeStamp()) {
            where.add(QStringLiteral("%1.updateTime >= ?").arg(alias), {stamp});
            changedOnly = true;
        }
        RecordRights(c.db, c.userId).add(where, kind, alias + QStringLiteral(".id"));
    }
    // The clause and the order of the rows: by id for a full load; for changed rows in the order
    // of the stamp index, which then also finds them.
    QString tail(const QString& alias) const {
        return where.clause() + (changedOnly
                                     ? QStringLiteral(" ORDER BY %1.updateTime, %1.id").arg(alias)
                                     : QStringLiteral(" ORDER BY %1.id").arg(alias));
    }
};

// The stamp of a cache kind's condition string (";czy_id=1;UpdateTime=…").
QString stampOf(const CallContext& c, const QString& line) {
    return conditionValue(c.params.value(line), basecache::updateTimeKey());
}

// Goods: the columns of the clients' local goods table.
void goodsRows(CallContext& c) {
    const CachedRows rows(c, QStringLiteral("g"), stampOf(c, QStringLiteral("GoodsStr")),
                          RecordKind::Goods);
    Statement st = c.db.prepare(
        QStringLiteral(
            "SELECT g.id, g.code, g.fullname, g.name, g.pym, g.gg, g.xh, g.addr, hs.fullname, "
            "g.isstop, g.del, u0.unit, u0.barcode, u0.price, u0.price1, u0.price2, u0.price3, "
            "u1.unit, u1.rate, u2.unit, u2.rate, g.yxqNum, g.comment, g.tcfs, g.bz1, g.bz2, "
            "g.bz3, g.bz4, g.bz5, g.bz6, g.bz7, g.bz8, g.bz9, g.bz10, g.isCanYuZheShangZhe, "
            "g.spType, g.jxqNum, w.fullname, g.fdwName "
            "FROM baseGoods AS g "
            "LEFT JOIN baseGoodsUnit AS u0 ON u0.Goodsid = g.id AND u0.fzdwid = 0 "
            "LEFT JOIN baseGoodsUnit AS u1 ON u1.Goodsid = g.id AND u1.fzdwid = 1 "
            "LEFT JOIN baseGoodsUnit AS u2 ON u2.Goodsid = g.id AND u2.fzdwid = 2 "
            "LEFT JOIN baseGoodsHS AS hs ON hs.id = g.costmode "
            "LEFT JOIN baseWLDW AS w ON w.id = g.wldw_id") +
        rows.tail(QStringLiteral("g")));
    st.bindAll(rows.where.values);
    RecordSet out = basecache::emptyRecordSet(basecache::goodsColumns());
    while (st.step()) {
        auto text = [&](int column) { return st.value(column).toString(); };
        const QString baseUnit = text(11);
        QStringList relations;
        QStringList auxiliary;
        for (int column : {17, 19}) {
            const QString unit = text(column);
            if (unit.isEmpty())
                continue;
            auxiliary << unit;
            relations
                << QStringLiteral("1%1=%2%3").arg(unit, numberText(st.value(column + 1)), baseUnit);
        }
        QString state = QStringLiteral("正常");
        if (st.value(10).toLongLong() != 0)
            state = QStringLiteral("删除");
        else if (st.value(9).toLongLong() != 0)
            state = QStringLiteral("停用");
        const qint64 type = st.value(35).toLongLong();
        RecordSet::Row row;
        row.reserve(out.fieldCount());
        row << QVariant(st.value(0).toLongLong());
        for (int column = 1; column <= 8; ++column)
            row << text(column);
        row << state << baseUnit << relations.join(QLatin1Char(',')) << numberText(st.value(21))
            << text(12);
        for (int column = 13; column <= 16; ++column)
            row << numberText(st.value(column));
        row << text(22) << auxiliary.join(QLatin1Char(',')) << numberText(st.value(23));
        for (int i = 24; i <= 33; ++i)
            row.append(text(i));
        row << st.value(34).toLongLong() << type
            << (type == 1 ? QStringLiteral("服务/劳务") : QStringLiteral("库存商品"))
            << st.value(36).toLongLong() << text(37) << text(38);
        out.appendRow(row);
    }
    c.data = std::move(out);
}

// Partners: the columns of the clients' local partner table; the balances are those the ledgers
// keep on the partner.
void partnerRows(CallContext& c) {
    const CachedRows rows(c, QStringLiteral("w"), stampOf(c, QStringLiteral("wldwStr")),
                          RecordKind::Partner);
    Statement st = c.db.prepare(
        QStringLiteral("SELECT w.id, w.code, w.fullname, w.name, w.pym, w.tel, w.addr, w.fax, "
                       "w.email, w.sjhm, w.bankname, w.bankcount, w.postcode, w.Person, w.tax, "
                       "dq.code, dq.fullname, w.comment, w.bz1, w.bz2, w.bz3, w.bz4, w.bz5, "
                       "w.bz6, w.bz7, w.bz8, w.bz9, w.bz10, w.ystotal, w.yftotal, w.yushoutotal, "
                       "w.yufutotal FROM baseWLDW AS w "
                       "LEFT JOIN baseDQ AS dq ON dq.id = w.Areaid") +
        rows.tail(QStringLiteral("w")));
    st.bindAll(rows.where.values);
    RecordSet out = basecache::emptyRecordSet(basecache::partnerColumns());
    while (st.step()) {
        RecordSet::Row row{st.value(0).toLongLong()};
        for (int i = 1; i <= 17; ++i)
            row.append(st.value(i).toString());
        // dw_je: what the partner owes on balance (receivable less payable).
        const Currency receivable = moneyOf(st.value(28)).value<Currency>();
        const Currency payable = moneyOf(st.value(29)).value<Currency>();
        row.append((receivable - payable).toString());
        for (int i = 18; i <= 27; ++i)
            row.append(st.value(i).toString());
        for (int i = 28; i <= 31; ++i)
            row.append(moneyOf(st.value(i)));
        out.appendRow(row);
    }
    c.data = std::move(out);
}

struct SmallKind {
    const char* kind;
    const char* table;
    const char* prefix;        // of the named columns: ck_id, ck_ckbh, ck_ckqm
    RecordKind rights;         // the record rights over the rows
    const char* extraColumns;  // further columns of the table, as they are named there
};

const SmallKind kSmallKinds[] = {
    {"BM_", "baseBM", "bm", RecordKind::Department, "comment"},
    {"KM_", "baseKM", "km", RecordKind::Account, "name, comment, kmType, dc, sysrow, isstop"},
    {"CK_", "baseCK", "ck", RecordKind::Warehouse, "isstop, comment"},
    {"ZY_", "baseZY", "zy", RecordKind::Employee, "name, depid, tel, isstop, comment"},
};

// A small list in full: the tree columns, the named columns (prefix_id, prefix_ + prefix + "bh",
// prefix_ + prefix + "qm") and the kind's further columns; the records the operator may use.
void smallRows(CallContext& c, const SmallKind& k) {
    const QString p = QString::fromLatin1(k.prefix);
    QString sql = QStringLiteral(
                      "SELECT t.id, t.par_id, t.par_jl, t.leveal, t.sonnum, t.code, t.fullname, "
                      "t.pym, t.id AS %1_id, t.code AS %1_%1bh, t.fullname AS %1_%1qm")
                      .arg(p);
    for (const QString& column :
         QString::fromLatin1(k.extraColumns).split(QLatin1Char(','), Qt::SkipEmptyParts))
        sql += QStringLiteral(", t.") + column.trimmed();
    Where w;
    w.add(QStringLiteral("t.del = 0"));
    RecordRights(c.db, c.userId).add(w, k.rights, QStringLiteral("t.id"));
    sql += QStringLiteral(" FROM %1 AS t").arg(QString::fromLatin1(k.table)) + w.clause() +
           QStringLiteral(" ORDER BY t.code, t.id");
    c.data = c.db.query(sql, w.values);
}

// Account names: every live account the operator may see with the names along its path
// ("资产-现金") in km_kmqm.
void accountNameRows(CallContext& c) {
    Where w;
    w.add(QStringLiteral("t.del = 0"));
    RecordRights(c.db, c.userId).add(w, RecordKind::Account, QStringLiteral("t.id"));
    const RecordSet all = c.db.query(
        QStringLiteral("SELECT t.id, t.par_id, t.par_jl, t.leveal, t.sonnum, t.code, t.fullname "
                       "FROM baseKM AS t") +
            w.clause() + QStringLiteral(" ORDER BY t.code, t.id"),
        w.values);
    QHash<qint64, QString> names;
    for (int r = 0; r < all.rowCount(); ++r)
        names.insert(all.at(r, 0).toLongLong(), all.at(r, 6).toString());
    RecordSet out;
    out.addField(QStringLiteral("id"), FieldType::Integer);
    out.addField(QStringLiteral("par_id"), FieldType::Integer);
    out.addField(QStringLiteral("leveal"), FieldType::Integer);
    out.addField(QStringLiteral("sonnum"), FieldType::Integer);
    out.addField(QStringLiteral("code"), FieldType::Text);
    out.addField(QStringLiteral("fullname"), FieldType::Text);
    out.addField(QStringLiteral("km_id"), FieldType::Integer);
    out.addField(QStringLiteral("km_kmbh"), FieldType::Text);
    out.addField(QStringLiteral("km_kmqm"), FieldType::Text);
    for (int r = 0; r < all.rowCount(); ++r) {
        QStringList path;
        for (const QString& id :
             all.at(r, 2).toString().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const auto it = names.constFind(id.toLongLong());
            if (it != names.constEnd())
                path << it.value();
        }
        if (path.isEmpty())
            path << all.at(r, 6).toString();
        const qint64 id = all.at(r, 0).toLongLong();
        out.appendRow({id, all.at(r, 1).toLongLong(), all.at(r, 3).toLongLong(),
                       all.at(r, 4).toLongLong(), all.at(r, 5).toString(), all.at(r, 6).toString(),
                       id, all.at(r, 5).toString(), path.join(QLatin1Char('-'))});
    }
    c.data = std::move(out);
}

int getBase(CallContext& c) {
    const QString kind = c.params.value(QStringLiteral("QueryType")).trimmed();
    if (kind.isEmpty()) {
        c.message = QStringLiteral("缺少查询类型QueryType");
        return -1;
    }
    if (kind.compare(basecache::goodsKind(), Qt::CaseInsensitive) == 0) {
        goodsRows(c);
        return 0;
    }
    if (kind.compare(basecache::partnersKind(), Qt::CaseInsensitive) == 0) {
        partnerRows(c);
        return 0;
    }
    if (kind.compare(basecache::accountNamesKind(), Qt::CaseInsensitive) == 0) {
        accountNameRows(c);
        return 0;
    }
    for (const SmallKind& k : kSmallKinds) {
        if (kind.compare(QLatin1String(k.kind), Qt::CaseInsensitive) == 0) {
            smallRows(c, k);
            return 0;
        }
    }
    if (isRecordRightsKind(kind))
        return getRecordRights(c);
    // The kinds of the base-data lists and the record selection.
    if (isBaseListKind(kind))
        return getBaseList(c);
    if (kind.compare(QLatin1String("CuXiao"), Qt::CaseInsensitive) == 0)
        return promotions::getPromotions(c);
    c.message = QStringLiteral("查询类型[%1]暂不支持").arg(kind);
    return -1;
}

}  // namespace

void registerBaseCacheProcedures(Registry& procedures) {
    procedures.add(basecache::procedureName(), getBase, false);
}

}  // namespace dyt::server
