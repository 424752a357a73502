// The price reports of P_JXC_Get_Other: the goods' price list ("WJGL") and the price and discount
// of each sales line against the preset price of its unit ("JGZKGZ").
#include <QHash>

#include <cmath>
#include <optional>

#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/reports/reports_cw.h"
#include "server/reports/reports_internal.h"

namespace dyt::server::reports {

namespace {

double round4(double v) {
    return std::round(v * 10000.0) / 10000.0;
}

QVariant price(double v) {
    return fieldValue(FieldType::Float, round4(v));
}

// The unit price column of a price type: 0 the retail price, 1 to 3 the preset prices.
QString priceColumn(int type) {
    static const char* const columns[] = {"u.price", "u.price1", "u.price2", "u.price3"};
    return QString::fromLatin1(columns[type >= 0 && type <= 3 ? type : 0]);
}

// The price type the bills start their lines with (switch 2001).
int defaultPriceType(Database& db) {
    return db.scalar(QStringLiteral("SELECT sysValue FROM sysConf WHERE id = 2001"))
        .toString()
        .trimmed()
        .toInt();
}

const QList<Measure>& priceListFields() {
    static const QList<Measure> f = {{QStringLiteral("sp_id"), FieldType::Integer},
                                     {QStringLiteral("sp_spbh"), FieldType::Text},
                                     {QStringLiteral("sp_spqm"), FieldType::Text},
                                     {QStringLiteral("sp_gg"), FieldType::Text},
                                     {QStringLiteral("sp_xh"), FieldType::Text},
                                     {QStringLiteral("sp_cd"), FieldType::Text},
                                     {QStringLiteral("unit"), FieldType::Text},
                                     {QStringLiteral("rate"), FieldType::Float},
                                     {QStringLiteral("lsPrice"), FieldType::Float},
                                     {QStringLiteral("price1"), FieldType::Float},
                                     {QStringLiteral("price2"), FieldType::Float},
                                     {QStringLiteral("price3"), FieldType::Float},
                                     {QStringLiteral("latestSalePrice"), FieldType::Float},
                                     {QStringLiteral("lowestSalePrice"), FieldType::Float},
                                     {QStringLiteral("latestBuyPrice"), FieldType::Float},
                                     {QStringLiteral("costPrice"), FieldType::Float}};
    return f;
}

// The price per base unit of the latest posted line of a goods among the lines chosen (a fixed
// clause over the line alias l and the bill alias a), neither reversed nor a reversal, up to the
// end date and of the chosen partner: the discounted price, else the line price. Nothing when
// there is none.
class LatestPrice {
public:
    LatestPrice(Database& db, const ReportParams& p, const QString& lines)
        : w_(scope(p, lines)),
          st_(db.prepare(
              QStringLiteral("SELECT (CASE WHEN l.discountprice <> 0 THEN l.discountprice ELSE "
                             "l.price END) * 1.0 / (CASE WHEN l.rate > 0 THEN l.rate ELSE 1 END) FROM "
                             "djList AS l JOIN djIndex AS a ON a.id = l.id WHERE %1 ORDER BY "
                             "a.date DESC, a.id DESC, l.orderid DESC LIMIT 1")
                  .arg(w_.text()))) {}
    std::optional<double> of(qint64 goods) {
        st_.reset();
        QVariantList v = w_.values;
        v.front() = goods;
        st_.bindAll(v);
        if (!st_.step())
            return std::nullopt;
        return st_.value(0).toDouble();
    }

private:
    // The goods comes first, bound at each look-up.
    static Where scope(const ReportParams& p, const QString& lines) {
        Where w;
        w.add(QStringLiteral("l.goodsid = ? AND a.dj_state = 2 AND l.dj_state = 2 AND "
                             "COALESCE(a.isred, 0) = 0 AND COALESCE(a.isredword, 0) = 0 AND ") +
                  lines,
              {0});
        if (p.end)
            w.add(QStringLiteral("a.date <= ?"), {p.endText()});
        if (p.partner.id > 0) {
            QVariantList v;
            const QString in = inRecords(p.partner, QStringLiteral("baseWLDW"), &v);
            w.add(QStringLiteral("a.wldw_id ") + in, v);
        }
        p.rights.addBill(w, QStringLiteral("a"));
        return w;
    }
    Where w_;
    Statement st_;
};

// The average cost per base unit of each goods' stock in the chosen warehouses.
QHash<qint64, double> averageCosts(Database& db, const ReportParams& p) {
    Where w;
    if (p.warehouse.id > 0) {
        QVariantList v;
        const QString in = inRecords(p.warehouse, QStringLiteral("baseCK"), &v);
        w.add(QStringLiteral("s.stockid ") + in, v);
    }
    p.rights.add(w, RecordKind::Warehouse, QStringLiteral("s.stockid"));
    Statement st = db.prepare(
        QStringLiteral("SELECT s.goodsid, SUM(s.total), SUM(s.qty) FROM baseGoodsStock AS s "
                       "WHERE %1 GROUP BY s.goodsid")
            .arg(w.text()));
    st.bindAll(w.values);
    QHash<qint64, double> out;
    while (st.step()) {
        const double qty = st.value(2).toDouble();
        if (qty > 0)
            out.insert(st.value(0).toLongLong(), st.value(1).toDouble() / qty);
    }
    return out;
}

const QList<Measure>& trackingFields() {
    static const QList<Measure> f = {{QStringLiteral("id"), FieldType::Integer},
                                     {QStringLiteral("djType"), FieldType::Integer},
                                     {QStringLiteral("djDate"), FieldType::Text},
                                     {QStringLiteral("djNo"), FieldType::Text},
                                     {QStringLiteral("djName"), FieldType::Text},
                                     {QStringLiteral("dw_dwqm"), FieldType::Text},
                                     {QStringLiteral("zy_zyqm"), FieldType::Text},
                                     {QStringLiteral("sp_id"), FieldType::Integer},
                                     {QStringLiteral("sp_spbh"), FieldType::Text},
                                     {QStringLiteral("sp_spqm"), FieldType::Text},
                                     {QStringLiteral("sp_gg"), FieldType::Text},
                                     {QStringLiteral("unit"), FieldType::Text},
                                     {QStringLiteral("Qty"), FieldType::Float},
                                     {QStringLiteral("presetPrice"), FieldType::Float},
                                     {QStringLiteral("price"), FieldType::Float},
                                     {QStringLiteral("discount"), FieldType::Float},
                                     {QStringLiteral("discountprice"), FieldType::Float},
                                     {QStringLiteral("discounttotal"), FieldType::Currency},
                                     {QStringLiteral("sjzk"), FieldType::Float},
                                     {QStringLiteral("cjPrice"), FieldType::Float},
                                     {QStringLiteral("cjTotal"), FieldType::Currency}};
    return f;
}

}  // namespace

RecordSet priceList(Database& db, const ReportParams& p) {
    Where w;
    w.add(QStringLiteral("g.sonnum = 0 AND COALESCE(g.del, 0) = 0"));
    addGoodsChoice(w, p);
    addLevelScope(w, db, goodsDimension(), p.goods, QStringLiteral("g"));
    p.rights.add(w, RecordKind::Goods, QStringLiteral("g.id"));
    Statement st = db.prepare(
        QStringLiteral("SELECT g.id, g.code, g.fullname, COALESCE(g.gg, ''), COALESCE(g.xh, ''), "
                       "COALESCE(g.addr, ''), COALESCE(u.unit, ''), u.rate, u.price, u.price1, "
                       "u.price2, u.price3, u.latestSalePrice, u.lowestSalePrice, "
                       "u.latestBuyPrice FROM baseGoods AS g JOIN baseGoodsUnit AS u ON "
                       "u.Goodsid = g.id WHERE %1 ORDER BY g.code, g.id, u.fzdwid")
            .arg(w.text()));
    st.bindAll(w.values);
    // Goods bought come in on purchases and exchanges; goods sold go out on sales and, with a
    // negative quantity, on exchanges.
    LatestPrice bought(db, p, QStringLiteral("a.djType IN (5, 7) AND l.qty > 0"));
    LatestPrice sold(db, p,
                     QStringLiteral("((a.djType = 1 AND l.qty > 0) OR (a.djType = 3 AND "
                                    "l.qty < 0))"));
    const QHash<qint64, double> costs = averageCosts(db, p);
    RecordSet rs = emptyResult(priceListFields());
    qint64 goods = 0;
    std::optional<double> lastSale, lastBuy;
    while (st.step()) {
        // The latest sale and purchase per base unit, once per goods; in this unit below, the
        // unit's own figures when there is none.
        if (st.value(0).toLongLong() != goods) {
            goods = st.value(0).toLongLong();
            lastSale = sold.of(goods);
            lastBuy = bought.of(goods);
        }
        const double rate = st.value(7).toDouble() > 0 ? st.value(7).toDouble() : 1.0;
        RecordSet::Row row;
        row << goods << st.value(1).toString() << st.value(2).toString() << st.value(3).toString()
            << st.value(4).toString() << st.value(5).toString() << st.value(6).toString()
            << price(rate) << price(st.value(8).toDouble()) << price(st.value(9).toDouble())
            << price(st.value(10).toDouble()) << price(st.value(11).toDouble())
            << price(lastSale ? *lastSale * rate : st.value(12).toDouble())
            << price(st.value(13).toDouble())
            << price(lastBuy ? *lastBuy * rate : st.value(14).toDouble())
            << price(costs.value(goods) * rate);
        rs.appendRow(row);
    }
    return rs;
}

RecordSet priceTracking(Database& db, const ReportParams& p) {
    const QList<int> kinds = p.kinds.isEmpty() ? QList<int>{1} : p.kinds;
    const Where w = lineScope(p, kinds);
    Statement st = db.prepare(
        QStringLiteral(
            "SELECT a.id, a.djType, a.date, a.code, COALESCE((SELECT k.fullname FROM sysDjb AS k "
            "WHERE k.id = a.djType), ''), COALESCE(t.fullname, ''), COALESCE(z.fullname, ''), "
            "g.id, g.code, g.fullname, COALESCE(g.gg, ''), COALESCE(u.unit, ''), l.qty, "
            "COALESCE(%1, 0), l.price, l.discount, l.discountprice, l.discounttotal FROM djList "
            "AS l JOIN djIndex AS a ON a.id = l.id JOIN baseGoods AS g ON g.id = l.goodsid LEFT "
            "JOIN baseGoodsUnit AS u ON u.Goodsid = l.goodsid AND u.fzdwid = l.unit LEFT JOIN "
            "baseWLDW AS t ON t.id = a.wldw_id LEFT JOIN baseZY AS z ON z.id = a.jsr_id WHERE %2 "
            "ORDER BY a.date, a.id, l.orderid")
            .arg(priceColumn(defaultPriceType(db)), w.text()));
    st.bindAll(w.values);
    RecordSet rs = emptyResult(trackingFields());
    while (st.step()) {
        const double qty = st.value(12).toDouble();
        const double preset = round4(st.value(13).toDouble());
        const double net = round4(st.value(16).toDouble());
        RecordSet::Row row;
        for (int i = 0; i < 12; ++i)
            row << st.value(i);
        row[2] = st.value(2).toString().left(10);
        row << price(qty) << price(preset) << price(st.value(14).toDouble())
            << price(st.value(15).toDouble()) << price(net)
            << fieldValue(FieldType::Currency, st.value(17).toDouble())
            << (preset != 0 ? price(net / preset) : QVariant()) << price(net - preset)
            << fieldValue(FieldType::Currency, (net - preset) * qty);
        rs.appendRow(row);
    }
    return rs;
}

}  // namespace dyt::server::reports
