// The stock ledger: layers per goods, warehouse and batch (baseGoodsStock) and the movements of
// each bill (djStockDetail), with the cost of goods taken out by the goods' cost method.
//
// Moving weighted average keeps one layer per goods and warehouse (goodspc 0): its value over its
// quantity is the average cost. FIFO, LIFO and manual batches keep one layer per batch; a batch
// is born when goods come in (its goodspc is the id of the layer it was born in) and keeps its
// number, batch texts and date of entry when it moves to another warehouse. Emptied layers stay
// (with quantity 0) so that a reversal finds them again.

#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"

namespace dyt::server::ledger {
namespace {

struct Piece {
    qint64 goodspc = 0;
    double qty = 0;
    double total = 0;
    QString ph, outdate, yxqdate, indate;
};

QString qtyText(double v) {
    return QString::number(roundQty(v), 'g', 15);
}

}  // namespace

StockBook::StockBook(Database& db, const Bill& bill, const Refusal& refusal)
    : db_(db), bill_(bill), refusal_(refusal) {
    negativeAllowed_ =
        sysValue(db, QStringLiteral("系统使用负库存"), QStringLiteral("0")) == QLatin1String("1");
}

QString StockBook::describe(const Line& line, const GoodsInfo& g) const {
    return refusal_.laterBill +
           QStringLiteral("第 %1 行商品[%2 %3]").arg(line.number).arg(g.code, g.name);
}

std::pair<double, double> StockBook::onHand(qint64 goods, qint64 stock) const {
    Statement st =
        db_.prepare(QStringLiteral("SELECT COALESCE(SUM(qty), 0), COALESCE(SUM(total), 0) FROM "
                                   "baseGoodsStock WHERE goodsid = ? "
                                   "AND (? = 0 OR stockid = ?)"));
    st.bindAll({goods, stock, stock});
    st.step();
    return {roundQty(st.value(0).toDouble()), roundMoney(st.value(1).toDouble())};
}

double StockBook::averageCost(qint64 goods, qint64 stock) const {
    auto [qty, total] = onHand(goods, stock);
    if (qty > 0)
        return total / qty;
    std::tie(qty, total) = onHand(goods, 0);
    return qty > 0 ? total / qty : 0.0;
}

StockBook::Layer StockBook::movingAverageLayer(qint64 goods, qint64 stock) {
    Statement st = db_.prepare(
        QStringLiteral("SELECT id, qty, total FROM baseGoodsStock WHERE goodsid = ? AND "
                       "stockid = ? AND goodspc = 0"));
    st.bindAll({goods, stock});
    Layer l;
    if (st.step()) {
        l.id = st.value(0).toLongLong();
        l.qty = st.value(1).toDouble();
        l.total = st.value(2).toDouble();
        return l;
    }
    db_.execute(QStringLiteral("INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, indate, "
                               "qty, price, total) VALUES (?, ?, 0, ?, 0, 0, 0)"),
                {goods, stock, bill_.date});
    l.id = db_.lastInsertId();
    return l;
}

void StockBook::writeLayer(qint64 layerId, double qty, double total) {
    qty = roundQty(qty);
    total = roundMoney(total);
    const double price = isZero(qty) ? 0.0 : roundQty(total / qty);
    db_.execute(
        QStringLiteral("UPDATE baseGoodsStock SET qty = ?, total = ?, price = ? WHERE id = ?"),
        {qty, total, price, layerId});
}

void StockBook::record(const Line& line, qint64 goods, qint64 stock, qint64 pc, double qty,
                       double total) {
    qty = roundQty(qty);
    total = roundMoney(total);
    const double price = isZero(qty) ? 0.0 : roundQty(std::fabs(total / qty));
    db_.execute(
        QStringLiteral("INSERT INTO djStockDetail(id, listid, djType, date, dj_state, "
                       "goodsid, stockid, goodspc, qty, total, costprice) VALUES "
                       "(?, ?, ?, ?, 2, ?, ?, ?, ?, ?, ?)"),
        {bill_.id, line.orderid, bill_.djType, bill_.date, goods, stock, pc, qty, total, price});
}

namespace {

// Takes qtyBase out of the layers of a goods in a warehouse by its cost method and returns the
// pieces taken (one per layer). Writes the layers; the caller records the movements. `describe`
// names the line in a refusal; it is called only for one.
template <typename Describe>
QList<Piece> consume(Database& db, const Bill& bill, const Line& line, const GoodsInfo& g,
                     qint64 stock, double qtyBase, bool negativeAllowed, const Describe& describe,
                     const QString& action) {
    QList<Piece> pieces;
    if (g.costMode == kMovingAverage) {
        Statement st = db.prepare(
            QStringLiteral("SELECT id, qty, total FROM baseGoodsStock WHERE goodsid = ? AND "
                           "stockid = ? AND goodspc = 0"));
        st.bindAll({line.goodsid, stock});
        qint64 layer = 0;
        double qty = 0, total = 0;
        if (st.step()) {
            layer = st.value(0).toLongLong();
            qty = st.value(1).toDouble();
            total = st.value(2).toDouble();
        }
        if (qtyBase > qty + 0.5e-8 && !negativeAllowed) {
            throw DytError(
                QStringLiteral("%1库存不足：仓库[%2]现有 %3，需要 %4，不能%5！")
                    .arg(describe(), stockName(db, stock), qtyText(qty), qtyText(qtyBase),
                         action));
        }
        double cost = 0;
        if (isZero(qtyBase - qty)) {
            cost = total;  // the whole stock goes with its whole value
        } else if (qty > 0) {
            cost = roundMoney(qtyBase * total / qty);
        } else {
            // Out of an empty or negative stock (negative stock allowed): at the average cost of
            // the goods elsewhere, else at the cost the line brings.
            Statement all =
                db.prepare(QStringLiteral("SELECT COALESCE(SUM(qty), 0), COALESCE(SUM(total), 0) "
                                          "FROM baseGoodsStock WHERE goodsid = ?"));
            all.bind(1, line.goodsid);
            all.step();
            const double q = all.value(0).toDouble(), t = all.value(1).toDouble();
            const double unit = q > 0 ? t / q : line.costprice / line.rate;
            cost = roundMoney(qtyBase * unit);
        }
        if (layer == 0) {
            db.execute(
                QStringLiteral("INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, indate, "
                               "qty, price, total) VALUES (?, ?, 0, ?, 0, 0, 0)"),
                {line.goodsid, stock, bill.date});
            layer = db.lastInsertId();
        }
        const double newQty = roundQty(qty - qtyBase), newTotal = roundMoney(total - cost);
        db.execute(
            QStringLiteral("UPDATE baseGoodsStock SET qty = ?, total = ?, price = ? WHERE id = ?"),
            {newQty, newTotal, isZero(newQty) ? 0.0 : roundQty(newTotal / newQty), layer});
        Piece p;
        p.qty = qtyBase;
        p.total = cost;
        pieces << p;
        return pieces;
    }

    // Batch-costed goods: the layers holding stock, in the order the method takes them.
    QString sql = QStringLiteral(
        "SELECT id, goodspc, qty, total, ph, outdate, yxqdate, indate FROM baseGoodsStock%1 "
        "WHERE goodsid = ? AND stockid = ? AND qty > 0")
                      .arg(db.indexHint(QStringLiteral("ix_baseGoodsStock_open")));
    QVariantList args{line.goodsid, stock};
    if (g.costMode == kManualBatch) {
        if (line.goodspc > 0) {
            sql += QStringLiteral(" AND goodspc = ?");
            args << line.goodspc;
        } else if (!line.ph.isEmpty()) {
            sql += QStringLiteral(" AND ph = ?");
            args << line.ph;
        } else {
            throw DytError(QStringLiteral("%1按手工指定批次计算成本，请选择批次！").arg(describe()));
        }
    }
    sql += g.costMode == kLifo ? QStringLiteral(" ORDER BY indate DESC, id DESC")
                               : QStringLiteral(" ORDER BY indate, id");
    struct Row {
        qint64 id;
        Piece piece;
    };
    QList<Row> rows;
    double available = 0;
    {
        // Only as many layers as the quantity needs: a goods bought often has many batches in
        // stock, and a sale takes from the first one or two.
        Statement st = db.prepare(sql);
        st.bindAll(args);
        while (available < qtyBase - 0.5e-8 && st.step()) {
            Row r;
            r.id = st.value(0).toLongLong();
            r.piece.goodspc = st.value(1).toLongLong();
            r.piece.qty = st.value(2).toDouble();
            r.piece.total = st.value(3).toDouble();
            r.piece.ph = st.value(4).toString();
            r.piece.outdate = st.value(5).toString();
            r.piece.yxqdate = st.value(6).toString();
            r.piece.indate = st.value(7).toString();
            available += r.piece.qty;
            rows << r;
        }
    }
    if (qtyBase > available + 0.5e-8) {
        const QString where = g.costMode == kManualBatch
                                  ? QStringLiteral("仓库[%1]所选批次").arg(stockName(db, stock))
                                  : QStringLiteral("仓库[%1]").arg(stockName(db, stock));
        throw DytError(QStringLiteral("%1库存不足：%2现有 %3，需要 %4，不能%5！")
                           .arg(describe(), where, qtyText(available), qtyText(qtyBase),
                                action));
    }
    double need = qtyBase;
    for (const Row& r : rows) {
        if (need <= 0.5e-8)
            break;
        Piece p = r.piece;
        const double take = std::min(need, r.piece.qty);
        p.qty = take;
        p.total = isZero(take - r.piece.qty) ? r.piece.total
                                             : roundMoney(take * r.piece.total / r.piece.qty);
        const double newQty = roundQty(r.piece.qty - take);
        const double newTotal = roundMoney(r.piece.total - p.total);
        db.execute(
            QStringLiteral("UPDATE baseGoodsStock SET qty = ?, total = ?, price = ? WHERE id = ?"),
            {newQty, newTotal, isZero(newQty) ? 0.0 : roundQty(newTotal / newQty), r.id});
        need = roundQty(need - take);
        pieces << p;
    }
    return pieces;
}

}  // namespace

double StockBook::takeOut(const Line& line, qint64 stock, double qtyBase) {
    const GoodsInfo g = goodsInfo(db_, line.goodsid);
    if (stock <= 0)
        throw DytError(QStringLiteral("%1没有指定仓库，不能过账！").arg(describe(line, g)));
    const QList<Piece> pieces = consume(
        db_, bill_, line, g, stock, qtyBase, negativeAllowed_ && g.costMode == kMovingAverage,
        [&] { return describe(line, g); }, refusal_.action);
    double cost = 0;
    for (const Piece& p : pieces) {
        record(line, line.goodsid, stock, p.goodspc, -p.qty, -p.total);
        cost += p.total;
    }
    return roundMoney(cost);
}

qint64 StockBook::putIn(const Line& line, qint64 stock, double qtyBase, double value,
                        const BatchInfo& batch) {
    const GoodsInfo g = goodsInfo(db_, line.goodsid);
    if (stock <= 0)
        throw DytError(QStringLiteral("%1没有指定仓库，不能过账！").arg(describe(line, g)));
    value = roundMoney(value);
    if (g.costMode == kMovingAverage) {
        const Layer l = movingAverageLayer(line.goodsid, stock);
        writeLayer(l.id, l.qty + qtyBase, l.total + value);
        record(line, line.goodsid, stock, 0, qtyBase, value);
        return 0;
    }
    qint64 pc = batch.goodspc;
    qint64 layerId = 0;
    double qty = 0, total = 0;
    if (pc > 0) {
        Statement st = db_.prepare(
            QStringLiteral("SELECT id, qty, total FROM baseGoodsStock WHERE goodsid = ? AND "
                           "stockid = ? AND goodspc = ?"));
        st.bindAll({line.goodsid, stock, pc});
        if (st.step()) {
            layerId = st.value(0).toLongLong();
            qty = st.value(1).toDouble();
            total = st.value(2).toDouble();
        }
    }
    if (layerId == 0) {
        db_.execute(QStringLiteral("INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, ph, "
                                   "outdate, yxqdate, indate, qty, price, total, s_id) VALUES "
                                   "(?, ?, ?, ?, ?, ?, ?, 0, 0, 0, ?)"),
                    {line.goodsid, stock, pc, batch.ph, batch.outdate, batch.yxqdate,
                     batch.indate.isEmpty() ? bill_.date : batch.indate, bill_.id});
        layerId = db_.lastInsertId();
        if (pc <= 0) {
            pc = layerId;
            db_.execute(QStringLiteral("UPDATE baseGoodsStock SET goodspc = ? WHERE id = ?"),
                        {pc, layerId});
        }
    }
    writeLayer(layerId, qty + qtyBase, total + value);
    record(line, line.goodsid, stock, pc, qtyBase, value);
    return pc;
}

double StockBook::transfer(const Line& line, qint64 from, qint64 to, double qtyBase,
                           const double* inValue) {
    const GoodsInfo g = goodsInfo(db_, line.goodsid);
    if (from <= 0 || to <= 0)
        throw DytError(QStringLiteral("%1没有指定仓库，不能过账！").arg(describe(line, g)));
    if (from == to) {
        throw DytError(
            QStringLiteral("%1的发货仓库与收货仓库相同，不能过账！").arg(describe(line, g)));
    }
    const QList<Piece> pieces = consume(
        db_, bill_, line, g, from, qtyBase, negativeAllowed_ && g.costMode == kMovingAverage,
        [&] { return describe(line, g); }, refusal_.action);
    double cost = 0;
    for (const Piece& p : pieces)
        cost += p.total;
    cost = roundMoney(cost);
    // The in side: the same value, or the other value shared over the pieces by their cost.
    double left = inValue ? roundMoney(*inValue) : cost;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const Piece& p = pieces[i];
        record(line, line.goodsid, from, p.goodspc, -p.qty, -p.total);
        double value = p.total;
        if (inValue) {
            value = i + 1 == pieces.size() ? left
                                           : roundMoney(cost > 0 ? *inValue * p.total / cost
                                                                 : *inValue * p.qty / qtyBase);
            left = roundMoney(left - value);
        }
        BatchInfo b;
        b.goodspc = p.goodspc;
        b.ph = p.ph;
        b.outdate = p.outdate;
        b.yxqdate = p.yxqdate;
        b.indate = p.indate;
        putIn(line, to, p.qty, value, b);
    }
    return cost;
}

double StockBook::revalue(const Line& line, qint64 stock, double newUnitCost) {
    const GoodsInfo g = goodsInfo(db_, line.goodsid);
    if (stock <= 0)
        throw DytError(QStringLiteral("%1没有指定仓库，不能过账！").arg(describe(line, g)));
    QString sql = QStringLiteral(
        "SELECT id, goodspc, qty, total FROM baseGoodsStock WHERE goodsid = ? AND stockid = ? "
        "AND qty > 0");
    QVariantList args{line.goodsid, stock};
    if (g.costMode != kMovingAverage && line.goodspc > 0) {
        sql += QStringLiteral(" AND goodspc = ?");
        args << line.goodspc;
    }
    Statement st = db_.prepare(sql + QStringLiteral(" ORDER BY id"));
    st.bindAll(args);
    struct Row {
        qint64 id, pc;
        double qty, total;
    };
    QList<Row> rows;
    while (st.step()) {
        rows << Row{st.value(0).toLongLong(), st.value(1).toLongLong(), st.value(2).toDouble(),
                    st.value(3).toDouble()};
    }
    if (rows.isEmpty()) {
        throw DytError(QStringLiteral("%1在仓库[%2]没有库存，不能调价！")
                           .arg(describe(line, g), stockName(db_, stock)));
    }
    double change = 0;
    for (const Row& r : rows) {
        const double total = roundMoney(r.qty * newUnitCost);
        const double diff = roundMoney(total - r.total);
        writeLayer(r.id, r.qty, total);
        record(line, line.goodsid, stock, r.pc, 0, diff);
        change += diff;
    }
    return roundMoney(change);
}

void applyLayerChange(Database& db, qint64 goods, qint64 stock, qint64 pc, double qty, double total,
                      const QString& action) {
    Statement st =
        db.prepare(QStringLiteral("SELECT id, qty, total FROM baseGoodsStock WHERE goodsid = ? AND "
                                  "stockid = ? AND goodspc = ? ORDER BY id LIMIT 1"));
    st.bindAll({goods, stock, pc});
    qint64 layer = 0;
    double q = 0, t = 0;
    if (st.step()) {
        layer = st.value(0).toLongLong();
        q = st.value(1).toDouble();
        t = st.value(2).toDouble();
    } else {
        db.execute(QStringLiteral("INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, qty, "
                                  "price, total) VALUES (?, ?, ?, 0, 0, 0)"),
                   {goods, stock, pc});
        layer = db.lastInsertId();
    }
    const double newQty = roundQty(q + qty), newTotal = roundMoney(t + total);
    if (newQty < -0.5e-8) {
        const GoodsInfo g = goodsInfo(db, goods);
        const bool negativeAllowed =
            g.costMode == kMovingAverage && sysValue(db, QStringLiteral("系统使用负库存"),
                                                     QStringLiteral("0")) == QLatin1String("1");
        if (!negativeAllowed) {
            throw DytError(QStringLiteral("商品[%1 %2]在仓库[%3]的库存不足（现有 %4），不能%5！")
                               .arg(g.code, g.name, stockName(db, stock), qtyText(q), action));
        }
    }
    db.execute(
        QStringLiteral("UPDATE baseGoodsStock SET qty = ?, total = ?, price = ? WHERE id = ?"),
        {newQty, newTotal, isZero(newQty) ? 0.0 : roundQty(newTotal / newQty), layer});
}

}  // namespace dyt::server::ledger
