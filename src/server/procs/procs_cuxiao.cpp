// The promotion agreements (baseCuXiao): the list of P_JXC_Get_Base "CuXiao" and the save
// procedure p_base_Up_CuXiao.
//
// An agreement grants a partner (a customer or a class of customers) for one goods and a date
// range a buy-and-give rule, a promotion price or both. Two active agreements of the same partner,
// goods and kind may not share a single day: a range overlaps another when each begins on or
// before the other's end, which also covers a range lying wholly inside the other.
#include "server/procs/procs_cuxiao.h"

#include <QDate>
#include <QDateTime>

#include <cmath>

#include "common/condition.h"
#include "common/error.h"
#include "server/db/database.h"
#include "server/db/where.h"
#include "server/procs/registry.h"

namespace dyt::server::promotions {

namespace {

QString text(const ParamList& p, const char* name) {
    return p.value(QString::fromLatin1(name)).trimmed();
}

qint64 wholeNumber(const ParamList& p, const char* name, const QString& caption) {
    const QString t = text(p, name);
    if (t.isEmpty())
        return 0;
    bool ok = false;
    qint64 v = t.toLongLong(&ok);
    if (!ok) {
        // "3.0" from a number field is still a whole number.
        const double d = t.toDouble(&ok);
        if (!ok || !std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 1e12)
            throw DytError(QStringLiteral("%1必须是整数：%2").arg(caption, t));
        v = static_cast<qint64>(d);
    }
    if (v < 0)
        throw DytError(QStringLiteral("%1不能小于 0").arg(caption));
    return v;
}

bool flag(const ParamList& p, const char* name) {
    const QString t = text(p, name);
    return t == u"1" || t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QString date(const ParamList& p, const char* name, const QString& caption) {
    const QString t = text(p, name);
    if (t.isEmpty())
        throw DytError(QStringLiteral("请输入") + caption);
    const QDate d = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid() || (t.size() > 10 && t.at(10) != u' '))
        throw DytError(QStringLiteral("%1不是有效的日期：%2").arg(caption, t));
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

struct Agreement {
    qint64 id = 0;
    QString name;
    qint64 partner = 0;
    qint64 goods = 0;
    QString begin;
    QString end;
    bool gift = false;
    bool price = false;
    qint64 buy = 0;
    qint64 give = 0;
    QString giftText;
    double promotionPrice = 0;
    QString comment;
    bool stopped = false;
};

Agreement readAgreement(const ParamList& p) {
    Agreement a;
    a.name = text(p, "name");
    if (a.name.isEmpty())
        throw DytError(QStringLiteral("请输入促销名称"));
    a.partner = wholeNumber(p, "khid", QStringLiteral("促销客户"));
    if (a.partner <= 0)
        throw DytError(QStringLiteral("请选择促销客户"));
    a.goods = wholeNumber(p, "goodsid", QStringLiteral("商品"));
    if (a.goods <= 0)
        throw DytError(QStringLiteral("请选择商品"));
    a.begin = date(p, "BeginDate", QStringLiteral("开始日期"));
    a.end = date(p, "EndDate", QStringLiteral("结束日期"));
    if (a.begin > a.end)
        throw DytError(QStringLiteral("开始日期不能大于结束日期"));
    a.gift = flag(p, "ismzcx");
    a.price = flag(p, "isjgcx");
    if (!a.gift && !a.price)
        throw DytError(QStringLiteral("请至少选择一种促销方式！"));
    a.buy = wholeNumber(p, "gmsl", QStringLiteral("购买数量"));
    a.give = wholeNumber(p, "zssl", QStringLiteral("赠送数量"));
    const QString priceText = text(p, "cxPrice");
    bool ok = true;
    a.promotionPrice = priceText.isEmpty() ? 0 : priceText.toDouble(&ok);
    if (!ok || !std::isfinite(a.promotionPrice) || a.promotionPrice > 1e12)
        throw DytError(QStringLiteral("促销价必须是数字：%1").arg(priceText));
    if (a.promotionPrice < 0)
        throw DytError(QStringLiteral("促销价不能小于 0"));
    a.promotionPrice = std::round(a.promotionPrice * 10000.0) / 10000.0;
    if (a.gift && (a.buy <= 0 || a.give <= 0))
        throw DytError(QStringLiteral("买赠促销的购买数量和赠送数量必须大于 0"));
    if (a.price && a.promotionPrice <= 0)
        throw DytError(QStringLiteral("价格促销的促销价格必须大于 0"));
    a.giftText = text(p, "mzsm");
    if (a.gift && a.giftText.isEmpty())
        a.giftText = QStringLiteral("买 %1 赠 %2").arg(a.buy).arg(a.give);
    a.comment = text(p, "comment");
    return a;
}

void checkRecords(Database& db, const Agreement& a) {
    const QVariant partner = db.scalar(
        QStringLiteral("SELECT fullname FROM baseWLDW WHERE id = ? AND del = 0"), {a.partner});
    if (!partner.isValid())
        throw DytError(QStringLiteral("促销客户[%1]不存在").arg(a.partner));
    const RecordSet goods =
        db.query(QStringLiteral("SELECT fullname, sonnum FROM baseGoods WHERE id = ? AND del = 0"),
                 {a.goods});
    if (goods.rowCount() == 0)
        throw DytError(QStringLiteral("商品[%1]不存在").arg(a.goods));
    if (goods.at(0, 1).toInt() > 0)
        throw DytError(QStringLiteral("商品[%1]是一个分类，不能设置促销协议")
                           .arg(goods.at(0, 0).toString().trimmed()));
}

// The first active agreement other than `self` that the range of `a` overlaps, of the same
// partner, goods and kind.
void checkOverlap(Database& db, const Agreement& a) {
    if (a.stopped)
        return;
    const RecordSet rows = db.query(
        QStringLiteral(
            "SELECT a.name, a.BeginDate, a.EndDate, w.fullname, g.fullname FROM baseCuXiao AS a "
            "LEFT JOIN baseWLDW AS w ON w.id = a.khid LEFT JOIN baseGoods AS g ON g.id = "
            "a.goodsid WHERE a.del = 0 AND a.isStop = 0 AND a.id <> ? AND a.khid = ? AND "
            "a.goodsid = ? AND ((? = 1 AND a.ismzcx = 1) OR (? = 1 AND a.isjgcx = 1)) AND "
            "a.BeginDate <= ? AND ? <= a.EndDate ORDER BY a.BeginDate, a.id LIMIT 1"),
        {a.id, a.partner, a.goods, a.gift ? 1 : 0, a.price ? 1 : 0, a.end, a.begin});
    if (rows.rowCount() == 0)
        return;
    throw DytError(
        QStringLiteral("客户[%1]的商品[%2]已有同类促销协议[%3]（%4 至 %5），日期不能重叠")
            .arg(rows.at(0, 3).toString().trimmed(), rows.at(0, 4).toString().trimmed(),
                 rows.at(0, 0).toString().trimmed(), rows.at(0, 1).toString(),
                 rows.at(0, 2).toString()));
}

QString now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// p_base_Up_CuXiao: id 0 adds, id > 0 changes, del = 1 deletes (marks the row). Returns the id.
int upPromotion(CallContext& c) {
    const ParamList& p = c.params;
    bool ok = true;
    const QString idText = text(p, "id");
    const qint64 id = idText.isEmpty() ? 0 : idText.toLongLong(&ok);
    if (!ok || id < 0)
        throw DytError(QStringLiteral("促销协议编号[%1]无效").arg(idText));
    const RecordSet old =
        id > 0 ? c.db.query(
                     QStringLiteral("SELECT isStop FROM baseCuXiao WHERE id = ? AND del = 0"), {id})
               : RecordSet();
    if (id > 0 && old.rowCount() == 0)
        throw DytError(QStringLiteral("促销协议[%1]不存在或已被删除").arg(id));
    if (text(p, "del") == u"1") {
        if (id <= 0)
            throw DytError(QStringLiteral("请选择要删除的促销协议"));
        c.db.execute(QStringLiteral("UPDATE baseCuXiao SET del = 1, updateTime = ? WHERE id = ?"),
                     {now(), id});
        return static_cast<int>(id);
    }
    Agreement a = readAgreement(p);
    a.id = id;
    a.stopped = id > 0 && old.at(0, 0).toInt() == 1;
    checkRecords(c.db, a);
    checkOverlap(c.db, a);
    QVariantList values = {a.name,           a.partner,       a.goods,  a.begin, a.end,
                           a.gift ? 1 : 0,   a.price ? 1 : 0, a.buy,    a.give,  a.giftText,
                           a.promotionPrice, a.comment,       c.userId, now()};
    QString extra;
    for (int i = 1; i <= 10; ++i) {
        const QString name = QStringLiteral("zidingyi%1").arg(i);
        if (p.contains(name)) {
            extra += QStringLiteral(", %1 = ?").arg(name);
            values.append(p.value(name).trimmed());
        }
    }
    const QString sets = QStringLiteral(
        "name = ?, khid = ?, goodsid = ?, BeginDate = ?, EndDate = ?, ismzcx = ?, isjgcx = ?, "
        "gmsl = ?, zssl = ?, mzsm = ?, cxPrice = ?, comment = ?, czy_id = ?, updateTime = ?");
    if (id > 0) {
        values.append(id);
        c.db.execute(QStringLiteral("UPDATE baseCuXiao SET ") + sets + extra +
                         QStringLiteral(" WHERE id = ?"),
                     values);
        return static_cast<int>(id);
    }
    c.db.execute(QStringLiteral("INSERT INTO baseCuXiao(isStop, del) VALUES (0, 0)"));
    const qint64 newId = c.db.lastInsertId();
    values.append(newId);
    c.db.execute(
        QStringLiteral("UPDATE baseCuXiao SET ") + sets + extra + QStringLiteral(" WHERE id = ?"),
        values);
    return static_cast<int>(newId);
}

// The records of a picked partner or goods: the record itself, or every record below a
// picked category.
void addPicked(Where& w, const ConditionString& cond, const QString& table, const QString& column) {
    const qint64 id = conditionId(cond, QStringLiteral("id"));
    if (id <= 0)
        return;
    w.add(QStringLiteral("%1 IN (SELECT s.id FROM %2 AS s, %2 AS p WHERE p.id = ? AND "
                         "substr(s.par_jl, 1, length(p.par_jl)) = p.par_jl)")
              .arg(column, table),
          {id});
}

}  // namespace

int getPromotions(CallContext& c) {
    return inReadView(c, [&c] {
        const ConditionString filter =
            ConditionString::parse(c.params.value(QStringLiteral("filter")));
        Where w;
        w.add(QStringLiteral("a.del = 0"));
        const qint64 id = conditionId(filter, QStringLiteral("id"));
        if (id > 0) {
            w.add(QStringLiteral("a.id = ?"), {id});
        } else {
            if (!conditionFlag(filter, QStringLiteral("isstop")))
                w.add(QStringLiteral("a.isStop = 0"));
            addPicked(w, ConditionString::parse(c.params.value(QStringLiteral("wldwStr"))),
                      QStringLiteral("baseWLDW"), QStringLiteral("a.khid"));
            addPicked(w, ConditionString::parse(c.params.value(QStringLiteral("GoodsStr"))),
                      QStringLiteral("baseGoods"), QStringLiteral("a.goodsid"));
        }
        if (recordRightsOn(c.db, c.userId)) {
            addRecordRights(w, rightsTableOf(RecordKind::Partner), QStringLiteral("a.khid"),
                            c.userId);
            addRecordRights(w, rightsTableOf(RecordKind::Goods), QStringLiteral("a.goodsid"),
                            c.userId);
        }
        c.data = c.db.query(
            QStringLiteral(
                "SELECT a.id, a.name, a.khid, w.code AS khCode, w.fullname AS khName, a.goodsid, "
                "g.code AS goodsCode, g.fullname AS goodsName, a.BeginDate, a.EndDate, a.ismzcx, "
                "a.isjgcx, a.gmsl, a.zssl, a.mzsm, a.cxPrice, a.comment, a.isStop, "
                "CASE WHEN a.isStop = 1 THEN '已停用' ELSE '正常' END AS stopName, "
                "a.zidingyi1, a.zidingyi2, a.zidingyi3, a.zidingyi4, a.zidingyi5, a.zidingyi6, "
                "a.zidingyi7, a.zidingyi8, a.zidingyi9, a.zidingyi10 FROM baseCuXiao AS a "
                "LEFT JOIN baseWLDW AS w ON w.id = a.khid LEFT JOIN baseGoods AS g ON g.id = "
                "a.goodsid") +
                w.clause() + QStringLiteral(" ORDER BY a.BeginDate, a.id"),
            w.values);
        c.data.first();
        return 0;
    });
}

void checkTakenBack(Database& db, qint64 rowId) {
    const RecordSet rows = db.query(
        QStringLiteral("SELECT id, khid, goodsid, BeginDate, EndDate, ismzcx, isjgcx, isStop, del "
                       "FROM baseCuXiao WHERE id = ?"),
        {rowId});
    if (rows.rowCount() == 0 || rows.at(0, 7).toInt() != 0 || rows.at(0, 8).toInt() != 0)
        return;
    Agreement a;
    a.id = rows.at(0, 0).toLongLong();
    a.partner = rows.at(0, 1).toLongLong();
    a.goods = rows.at(0, 2).toLongLong();
    a.begin = rows.at(0, 3).toString();
    a.end = rows.at(0, 4).toString();
    a.gift = rows.at(0, 5).toInt() == 1;
    a.price = rows.at(0, 6).toInt() == 1;
    checkOverlap(db, a);
}

void registerProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("p_base_Up_CuXiao"), upPromotion);
}

}  // namespace dyt::server::promotions
