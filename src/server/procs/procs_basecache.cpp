// P_JXC_Get_Base for the kinds that clients cache (goods and partners changed after a stamp, the
// small lists in full) and the change stamps of goods and partners.
#include "server/procs/procs_basecache.h"
#include "server/procs/procs_cuxiao.h"

#include <QStringList>

#include <sqlite3.h>

#include <cmath>
#include <string>

#include "common/basecache.h"
#include "common/condition.h"
#include "common/currency.h"
#include "common/error.h"
#include "protocol/packetcodec.h"
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

// Room for the longest text the fast forms below write.
constexpr int kNumberRoom = 48;

// Writes the decimal digits of v at out; returns their count.
int digitsOf(quint64 v, char* out) {
    char tmp[20];
    int n = 0;
    do {
        tmp[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    for (int i = 0; i < n; ++i)
        out[i] = tmp[n - 1 - i];
    return n;
}

int integerText(qint64 v, char* out) {
    if (v >= 0)
        return digitsOf(static_cast<quint64>(v), out);
    out[0] = '-';
    return 1 + digitsOf(0 - static_cast<quint64>(v), out + 1);
}

// numberText of a double written at out (kNumberRoom bytes), or -1 when the value takes the
// general formatter: not finite, beyond 2^53, with a very small fraction, or exactly half way
// between two eight-decimal values (where formatters may round either way). Otherwise the exact
// value is rounded to eight decimals, which is what the general formatter gives.
int doubleText(double d, char* out) {
    if (!std::isfinite(d))
        return -1;
    const double a = std::fabs(d);
    constexpr double kExactIntegers = 9007199254740992.0;  // 2^53
    if (a >= kExactIntegers)
        return -1;
    const double lower = std::floor(a);
    auto whole = static_cast<quint64>(lower);
    const double fraction = a - lower;     // exact below 2^53
    constexpr quint32 kUnits = 100000000;  // of the eighth decimal in one
    quint32 units = 0;
    if (fraction != 0) {
        // fraction = mantissa / 2^shift exactly, with a 53-bit mantissa.
        int exponent = 0;
        const auto mantissa = static_cast<quint64>(std::ldexp(std::frexp(fraction, &exponent), 53));
        const int shift = 53 - exponent;  // at least 53: the fraction is below one
        if (shift > 120)
            return -1;
        using Wide = unsigned __int128;
        const Wide scaled = Wide(mantissa) * kUnits;  // below 2^80
        units = static_cast<quint32>(scaled >> shift);
        const Wide rest = scaled & ((Wide(1) << shift) - 1);
        const Wide half = Wide(1) << (shift - 1);
        if (rest == half)
            return -1;
        if (rest > half && ++units == kUnits) {
            units = 0;
            ++whole;
        }
    }
    int n = 0;
    if (d < 0 && (whole != 0 || units != 0))
        out[n++] = '-';
    n += digitsOf(whole, out + n);
    if (units != 0) {
        int places = 8;
        while (units % 10 == 0) {
            units /= 10;
            --places;
        }
        out[n++] = '.';
        for (int i = places - 1; i >= 0; --i) {
            out[n + i] = static_cast<char>('0' + units % 10);
            units /= 10;
        }
        n += places;
    }
    return n;
}

QVariant moneyOf(const QVariant& v) {
    Currency c;
    if (v.isValid() && !Currency::tryFromDouble(v.toDouble(), &c))
        throw DytError(QStringLiteral("金额超出范围：%1").arg(v.toString()));
    return QVariant::fromValue(c);
}

// The cells of the current row of a statement, read from SQLite's own values and written to a
// packet with the bytes that st.value() and then toString, numberText or moneyOf give: texts as
// their UTF-8 bytes, numbers formatted without QString where that gives the same text.
class Cells {
public:
    explicit Cells(const Statement& st) : st_(st), s_(st.handle()) {}

    // A PostgreSQL statement has none of SQLite's values: every cell takes the general way.
    int type(int column) const { return s_ ? sqlite3_column_type(s_, column) : kGeneral; }
    // st.value(column).toLongLong()
    qint64 integer(int column) const {
        return type(column) == SQLITE_INTEGER ? sqlite3_column_int64(s_, column)
                                              : st_.value(column).toLongLong();
    }
    // The bytes of st.value(column).toString() when QString would read them unchanged: texts
    // that are plain UTF-8, and Null as "".
    bool plainText(int column, const char** data, qsizetype* size) const {
        const int t = type(column);
        if (t == SQLITE_NULL) {
            *data = "";
            *size = 0;
            return true;
        }
        if (t != SQLITE_TEXT)
            return false;
        *data = reinterpret_cast<const char*>(sqlite3_column_text(s_, column));
        *size = sqlite3_column_bytes(s_, column);
        return proto::packetcodec::plainUtf8(*data, *size);
    }
    // The bytes of numberText(st.value(column)), at room (kNumberRoom bytes) when formatted
    // here; false when only the general formatter knows them.
    bool number(int column, char* room, const char** data, qsizetype* size) const {
        switch (type(column)) {
            case SQLITE_INTEGER:
                *data = room;
                *size = integerText(sqlite3_column_int64(s_, column), room);
                return true;
            case SQLITE_FLOAT: {
                const int n = doubleText(sqlite3_column_double(s_, column), room);
                *data = room;
                *size = n;
                return n >= 0;
            }
            default:
                return plainText(column, data, size);
        }
    }

    void text(proto::packetcodec::Writer& w, int column) const {
        const int t = type(column);
        if (t == SQLITE_TEXT) {
            w.utf8(reinterpret_cast<const char*>(sqlite3_column_text(s_, column)),
                   sqlite3_column_bytes(s_, column));
        } else if (t == SQLITE_NULL) {
            w.text(QStringView());
        } else {
            w.text(st_.value(column).toString());
        }
    }
    void number(proto::packetcodec::Writer& w, int column) const {
        char room[kNumberRoom];
        const char* data = nullptr;
        qsizetype size = 0;
        if (number(column, room, &data, &size))
            w.utf8(data, size);
        else
            w.text(numberText(st_.value(column)));
    }
    // moneyOf(st.value(column))
    Currency money(int column) const {
        const int t = type(column);
        Currency c;
        if (t == SQLITE_NULL)
            return c;
        if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) {
            if (Currency::tryFromDouble(sqlite3_column_double(s_, column), &c))
                return c;
        }
        return moneyOf(st_.value(column)).value<Currency>();
    }

private:
    static constexpr int kGeneral = -1;
    const Statement& st_;
    sqlite3_stmt* s_;
};

// The answer's size is checked as the rows are written, every this many rows.
constexpr qsizetype kSizeCheckRows = 64;

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
    proto::packetcodec::Writer w(basecache::emptyRecordSet(basecache::goodsColumns()).fields());
    const Cells cell(st);
    static const QString kNormal = QStringLiteral("正常");
    static const QString kDeleted = QStringLiteral("删除");
    static const QString kStopped = QStringLiteral("停用");
    static const QString kService = QStringLiteral("服务/劳务");
    static const QString kStock = QStringLiteral("库存商品");
    std::string relations;
    std::string auxiliary;
    while (st.step()) {
        w.beginRow();
        w.integer(cell.integer(0));
        for (int column = 1; column <= 8; ++column)
            cell.text(w, column);
        if (cell.integer(10) != 0)
            w.text(kDeleted);
        else
            w.text(cell.integer(9) != 0 ? kStopped : kNormal);
        cell.text(w, 11);
        // The unit relations ("1箱=12把,1件=120把") and the auxiliary units ("箱,件"), joined
        // from the bytes when every piece is plain, else as QStrings.
        relations.clear();
        auxiliary.clear();
        const char* base = nullptr;
        qsizetype baseSize = 0;
        bool plain = cell.plainText(11, &base, &baseSize);
        for (int column = 17; plain && column <= 19; column += 2) {
            const char* unit = nullptr;
            qsizetype unitSize = 0;
            char room[kNumberRoom];
            const char* rate = nullptr;
            qsizetype rateSize = 0;
            plain = cell.plainText(column, &unit, &unitSize);
            if (!plain || unitSize == 0)
                continue;
            plain = cell.number(column + 1, room, &rate, &rateSize);
            if (!plain)
                break;
            if (!auxiliary.empty()) {
                auxiliary += ',';
                relations += ',';
            }
            auxiliary.append(unit, static_cast<size_t>(unitSize));
            relations += '1';
            relations.append(unit, static_cast<size_t>(unitSize));
            relations += '=';
            relations.append(rate, static_cast<size_t>(rateSize));
            relations.append(base, static_cast<size_t>(baseSize));
        }
        QString auxiliaryText;
        if (plain) {
            w.utf8(relations.data(), static_cast<qsizetype>(relations.size()));
        } else {
            const QString baseUnit = st.value(11).toString();
            QStringList relationList;
            QStringList auxiliaryList;
            for (int column : {17, 19}) {
                const QString unit = st.value(column).toString();
                if (unit.isEmpty())
                    continue;
                auxiliaryList << unit;
                relationList << QStringLiteral("1%1=%2%3")
                                    .arg(unit, numberText(st.value(column + 1)), baseUnit);
            }
            w.text(relationList.join(QLatin1Char(',')));
            auxiliaryText = auxiliaryList.join(QLatin1Char(','));
        }
        cell.number(w, 21);
        cell.text(w, 12);
        for (int column = 13; column <= 16; ++column)
            cell.number(w, column);
        cell.text(w, 22);
        if (plain)
            w.utf8(auxiliary.data(), static_cast<qsizetype>(auxiliary.size()));
        else
            w.text(auxiliaryText);
        cell.number(w, 23);
        for (int column = 24; column <= 33; ++column)
            cell.text(w, column);
        w.integer(cell.integer(34));
        const qint64 type = cell.integer(35);
        w.integer(type);
        w.text(type == 1 ? kService : kStock);
        w.integer(cell.integer(36));
        cell.text(w, 37);
        cell.text(w, 38);
        if (w.rowCount() % kSizeCheckRows == 0)
            checkResultSize(w.size());
    }
    checkResultSize(w.size());
    setRows(c, w);
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
    proto::packetcodec::Writer w(basecache::emptyRecordSet(basecache::partnerColumns()).fields());
    const Cells cell(st);
    while (st.step()) {
        w.beginRow();
        w.integer(cell.integer(0));
        for (int i = 1; i <= 17; ++i)
            cell.text(w, i);
        // dw_je: what the partner owes on balance (receivable less payable).
        const Currency receivable = cell.money(28);
        const Currency payable = cell.money(29);
        w.text((receivable - payable).toString());
        for (int i = 18; i <= 27; ++i)
            cell.text(w, i);
        w.currency(receivable.raw());
        w.currency(payable.raw());
        w.currency(cell.money(30).raw());
        w.currency(cell.money(31).raw());
        if (w.rowCount() % kSizeCheckRows == 0)
            checkResultSize(w.size());
    }
    checkResultSize(w.size());
    setRows(c, w);
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
