// Goods held by or for partners: borrowed in, lent out, consigned out, held on consignment and
// out for processing (baseGoodsStockOther, one row per goods, partner and kind).
//
// A row holds a quantity in base units, its value at the partner's prices (total) and its value
// at our cost (costtotal). Every change a bill makes is kept per bill line in djStockOtherDetail,
// so that deletion, red reversal and the date-order re-costing take back exactly that change.
#include <QHash>

#include "common/error.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"

namespace dyt::server::ledger {
namespace {

QString otherKindName(int typeId) {
    switch (typeId) {
        case kBorrowedIn:
            return QStringLiteral("借进");
        case kLentOut:
            return QStringLiteral("借出");
        case kConsignedOut:
            return QStringLiteral("委托代销");
        case kHeldForOthers:
            return QStringLiteral("受托代销");
        default:
            return QStringLiteral("委外加工");
    }
}

QString partnerName(Database& db, qint64 wldw) {
    const QVariant v =
        db.scalar(QStringLiteral("SELECT fullname FROM baseWLDW WHERE id = ?"), {wldw});
    return v.isValid() ? v.toString() : QString::number(wldw);
}

// Adds a change to the row of (goods, partner, kind), creating it when missing, and refuses a
// quantity below zero. Prices follow the values: what is left, per unit.
void applyOther(Database& db, qint64 goods, qint64 wldw, int typeId, double qty, double total,
                double cost, const QString& what) {
    Statement st = db.prepare(QStringLiteral(
        "SELECT id, qty, total, costtotal FROM baseGoodsStockOther WHERE goodsid = ? AND "
        "wldw_id = ? AND typeid = ? ORDER BY id LIMIT 1"));
    st.bindAll({goods, wldw, typeId});
    qint64 id = 0;
    double q = 0, t = 0, c = 0;
    if (st.step()) {
        id = st.value(0).toLongLong();
        q = st.value(1).toDouble();
        t = st.value(2).toDouble();
        c = st.value(3).toDouble();
    }
    q = roundQty(q + qty);
    t = roundMoney(t + total);
    c = roundMoney(c + cost);
    if (q < 0 && !isZero(q)) {
        const GoodsInfo g = goodsInfo(db, goods);
        throw DytError(QStringLiteral("%1商品[%2 %3]在[%4]的%5数量不足（现有 %6，需要 %7）！")
                           .arg(what, g.code, g.name, partnerName(db, wldw),
                                otherKindName(typeId))
                           .arg(roundQty(q - qty))
                           .arg(-qty));
    }
    if (isZero(q)) {
        // Nothing left: the values go with the last unit.
        q = 0;
        t = 0;
        c = 0;
    }
    const double price = q != 0 ? roundQty(t / q) : 0, costPrice = q != 0 ? roundQty(c / q) : 0;
    if (id > 0) {
        db.execute(QStringLiteral("UPDATE baseGoodsStockOther SET qty = ?, total = ?, costtotal = "
                                  "?, price = ?, costprice = ? WHERE id = ?"),
                   {q, t, c, price, costPrice, id});
    } else {
        db.execute(QStringLiteral("INSERT INTO baseGoodsStockOther(goodsid, wldw_id, typeid, "
                                  "stockid, goodspc, qty, price, total, costprice, costtotal) "
                                  "VALUES (?, ?, ?, 0, 0, ?, ?, ?, ?, ?)"),
                   {goods, wldw, typeId, q, price, t, costPrice, c});
    }
}

struct OtherRow {
    qint64 listid, goods, wldw;
    int typeId;
    double qty, total, cost;
};

QList<OtherRow> otherRows(Database& db, qint64 billId) {
    Statement st = db.prepare(QStringLiteral(
        "SELECT listid, goodsid, wldw_id, typeid, qty, total, costtotal FROM djStockOtherDetail "
        "WHERE id = ? ORDER BY orderid"));
    st.bind(1, billId);
    QList<OtherRow> out;
    while (st.step()) {
        out << OtherRow{st.value(0).toLongLong(), st.value(1).toLongLong(),
                        st.value(2).toLongLong(), st.value(3).toInt(),
                        st.value(4).toDouble(),   st.value(5).toDouble(),
                        st.value(6).toDouble()};
    }
    return out;
}

QString lineWhat(const Line& line) {
    return line.number > 0 ? QStringLiteral("第 %1 行的").arg(line.number) : QString();
}

}  // namespace

OtherStock otherOnHand(Database& db, qint64 goods, qint64 wldw, int typeId) {
    Statement st = db.prepare(QStringLiteral(
        "SELECT total(qty), total(total), total(costtotal) FROM baseGoodsStockOther WHERE "
        "goodsid = ? AND wldw_id = ? AND typeid = ?"));
    st.bindAll({goods, wldw, typeId});
    OtherStock s;
    if (st.step()) {
        s.qty = roundQty(st.value(0).toDouble());
        s.total = roundMoney(st.value(1).toDouble());
        s.cost = roundMoney(st.value(2).toDouble());
    }
    return s;
}

void putOther(Database& db, const Bill& bill, const Line& line, qint64 wldw, int typeId,
              double qtyBase, double total, double cost) {
    qtyBase = roundQty(qtyBase);
    total = roundMoney(total);
    cost = roundMoney(cost);
    if (wldw <= 0)
        throw DytError(QStringLiteral("单据没有选择往来单位，不能过账！"));
    applyOther(db, line.goodsid, wldw, typeId, qtyBase, total, cost, lineWhat(line));
    db.execute(QStringLiteral("INSERT INTO djStockOtherDetail(id, listid, djType, date, dj_state, "
                              "goodsid, wldw_id, typeid, qty, total, costtotal) VALUES "
                              "(?, ?, ?, ?, 2, ?, ?, ?, ?, ?, ?)"),
               {bill.id, line.orderid, bill.djType, bill.date, line.goodsid, wldw, typeId,
                qtyBase, total, cost});
}

OtherStock takeOther(Database& db, const Bill& bill, const Line& line, qint64 wldw, int typeId,
                     double qtyBase) {
    const OtherStock held = otherOnHand(db, line.goodsid, wldw, typeId);
    qtyBase = roundQty(qtyBase);
    OtherStock taken;
    taken.qty = qtyBase;
    if (held.qty > 0 && !isZero(held.qty - qtyBase)) {
        taken.total = roundMoney(held.total * qtyBase / held.qty);
        taken.cost = roundMoney(held.cost * qtyBase / held.qty);
    } else {
        taken.total = held.total;  // the last units take what is left
        taken.cost = held.cost;
    }
    putOther(db, bill, line, wldw, typeId, -qtyBase, -taken.total, -taken.cost);
    return taken;
}

void takeBackOther(Database& db, qint64 billId, const QString& action) {
    const QList<OtherRow> rows = otherRows(db, billId);
    for (qsizetype i = rows.size() - 1; i >= 0; --i) {
        const OtherRow& r = rows[i];
        applyOther(db, r.goods, r.wldw, r.typeId, -r.qty, -r.total, -r.cost,
                   QStringLiteral("%1后，").arg(action));
    }
    db.execute(QStringLiteral("DELETE FROM djStockOtherDetail WHERE id = ?"), {billId});
}

void reverseOther(Database& db, qint64 originalId, qint64 redId, const Bill& red,
                  const QString& action) {
    const QList<OtherRow> rows = otherRows(db, originalId);
    if (rows.isEmpty())
        return;
    const QList<Line> originalLines = loadLines(db, originalId);
    const QList<Line> redLines = loadLines(db, redId);
    QHash<qint64, qint64> lineOf;
    for (qsizetype i = 0; i < originalLines.size() && i < redLines.size(); ++i)
        lineOf.insert(originalLines[i].orderid, redLines[i].orderid);
    for (qsizetype i = rows.size() - 1; i >= 0; --i) {
        const OtherRow& r = rows[i];
        applyOther(db, r.goods, r.wldw, r.typeId, -r.qty, -r.total, -r.cost,
                   QStringLiteral("%1后，").arg(action));
    }
    for (const OtherRow& r : rows) {
        db.execute(QStringLiteral("INSERT INTO djStockOtherDetail(id, listid, djType, date, "
                                  "dj_state, goodsid, wldw_id, typeid, qty, total, costtotal) "
                                  "VALUES (?, ?, ?, ?, 2, ?, ?, ?, ?, ?, ?)"),
                   {redId, lineOf.value(r.listid), red.djType, red.date, r.goods, r.wldw,
                    r.typeId, -r.qty, -r.total, -r.cost});
    }
}

void resetOtherStock(Database& db, const QString& bills, const QString& opening) {
    db.execute(QStringLiteral("DELETE FROM djStockOtherDetail WHERE id IN (%1)").arg(bills),
               {opening});
    db.execute(QStringLiteral("DELETE FROM baseGoodsStockOther"));
    db.execute(
        QStringLiteral("INSERT INTO baseGoodsStockOther(goodsid, wldw_id, typeid, stockid, "
                       "goodspc, qty, price, total, costprice, costtotal) SELECT goodsid, "
                       "wldw_id, typeid, 0, 0, qty, price, total, costprice, costtotal FROM "
                       "iniGoodsStockOther ORDER BY id"));
}

}  // namespace dyt::server::ledger
