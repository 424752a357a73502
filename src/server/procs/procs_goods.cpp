// P_Base_Get_Goods: the goods rows of the goods selection and of the batch selection.
//
// Parameter lines: QueryType; Filter (";djtype=" + bill kind, and in "QTKC" ";typeid=" + type);
// goodsStr, ckStr and wldwStr as condition strings. Every value read from them is bound; the
// statement texts below are fixed fragments.
//
// "XZSPALL" rows, one per goods or class, chosen in one of four ways:
//   - quick search (";allfilter=" text): every live row whose code, full name, short name, pinyin
//     or one of its units' barcodes contains the text, at any level;
//   - barcode (";barcode="): the rows owning a unit with exactly that barcode, with that unit;
//   - list display (";isList=1"): every goods below the class of ";par_id=" (or of all classes);
//   - otherwise level display: the rows directly below the class ";par_id=" (0 = top).
// ";isstop=0" leaves out stopped goods, ";sptype=0" leaves only ordinary goods (classes stay).
// With record rights on (switch 2004), operators other than 1 see no goods that baseGoodsPurview
// refuses them (isbj = 0), and the stock columns count no refused warehouse (nor, in "QTKC", a
// refused partner).
// Prices: the purchase family (bill kinds 5 to 8) is offered the latest purchase price when there
// is one, every other kind the unit's preset price; price1 to price3 are the unit's sale prices.
// Stock columns are those of the warehouse of ckStr (";id=" empty or 0: all warehouses); a class
// row sums the goods below it. The virtual stock adds the open purchase orders and takes away the
// open sales orders. The auxiliary quantity writes the stock in the first auxiliary unit and the
// base unit ("2箱6个").
// "QTKC": the goods (no classes) of which the partner of wldwStr holds stock of the type of Filter
// ";typeid=" (1 to 5, as baseGoodsStockOther), with that stock in the stock columns; the goodsStr
// search, barcode, stopped and goods-type conditions apply as above.
// "XZSPPC": the batches (baseGoodsStock rows with stock) of the goods goodsStr ";id=" (with
// ";isSub=1" also of the goods below it when it is a class) in the warehouse of ckStr, oldest
// first.

#include "server/procs/procs_goods.h"

#include <QHash>
#include <QStringView>

#include <cmath>
#include <vector>

#include "common/condition.h"
#include "common/error.h"
#include "server/db/basekinds.h"
#include "server/db/database.h"
#include "server/db/where.h"
#include "server/procs/bill_common.h"
#include "server/procs/procs_stockstatus.h"
#include "server/procs/registry.h"

namespace dyt::server {

QString auxiliaryQuantity(double qty, const QString& auxUnit, double rate,
                          const QString& baseUnit) {
    if (rate <= 1.0 || auxUnit.isEmpty() || qty == 0.0)
        return {};
    const double magnitude = std::fabs(qty);
    const double whole = std::floor(magnitude / rate + 1e-9);
    double rest = magnitude - whole * rate;
    if (std::fabs(rest) < 1e-9)
        rest = 0;
    // Whole numbers (nearly always) print as integers: the same digits without the double's
    // formatting, which the stock status pays for every goods of a flat list.
    const auto digits = [](double v, char format, int precision) {
        return v < 1e11 && v == std::floor(v) ? QString::number(static_cast<qint64>(v))
                                              : QString::number(v, format, precision);
    };
    QString out = qty < 0 ? QStringLiteral("-") : QString();
    if (whole > 0)
        out += digits(whole, 'f', 0) + auxUnit;
    if (rest > 0)
        out += digits(rest, 'g', 12) + baseUnit;
    return out;
}

namespace {

bool purchaseFamily(qint64 djType) {
    return djType >= 5 && djType <= 8;
}

class GoodsRows {
public:
    explicit GoodsRows(CallContext& c) : c_(c), rights_(c.db, c.userId) {
        const ParamList& p = c.params;
        goods_ = ConditionString::parse(p.value(QStringLiteral("goodsStr")));
        ck_ = ConditionString::parse(p.value(QStringLiteral("ckStr")));
        wldw_ = ConditionString::parse(p.value(QStringLiteral("wldwStr")));
        filter_ = ConditionString::parse(p.value(QStringLiteral("Filter")));
        warehouse_ = conditionId(ck_, QStringLiteral("id"));
        djType_ = conditionId(filter_, QStringLiteral("djtype"));
    }

    int selectGoods(bool otherStock) {
        Where w;
        w.add(QStringLiteral("g.del = 0"));
        QString unitJoin = QStringLiteral("u.Goodsid = g.id AND u.fzdwid = 0");
        QVariantList joinValues;

        const QString barcode = goods_.value(QStringLiteral("barcode")).trimmed();
        const QString search = goods_.value(QStringLiteral("allfilter")).trimmed();
        const bool list = goods_.value(QStringLiteral("isList")).trimmed() == u"1";
        const qint64 parId = conditionId(goods_, QStringLiteral("par_id"));

        if (goods_.contains(QStringLiteral("barcode"))) {
            if (barcode.isEmpty())
                throw DytError(QStringLiteral("条码不能为空"));
            unitJoin = QStringLiteral("u.Goodsid = g.id AND u.barcode = ?");
            joinValues.append(barcode);
            w.add(QStringLiteral("g.id IN (SELECT b.Goodsid FROM baseGoodsUnit AS b WHERE "
                                 "b.barcode = ?)"),
                  {barcode});
        } else if (!search.isEmpty()) {
            const QString pattern = containsPattern(search);
            w.add(QStringLiteral(
                      "(g.code LIKE ? ESCAPE '\\' OR g.fullname LIKE ? ESCAPE '\\' OR g.name LIKE "
                      "? ESCAPE '\\' OR g.pym LIKE ? ESCAPE '\\' OR EXISTS (SELECT 1 FROM "
                      "baseGoodsUnit AS b WHERE b.Goodsid = g.id AND b.barcode LIKE ? ESCAPE "
                      "'\\'))"),
                  {pattern, pattern, pattern, pattern, pattern});
        } else if (list || otherStock) {
            w.add(QStringLiteral("g.sonnum = 0"));
            if (parId > 0) {
                const QVariant path = c_.db.scalar(
                    QStringLiteral("SELECT par_jl FROM baseGoods WHERE id = ? AND del = 0"),
                    {parId});
                if (!path.isValid())
                    throw DytError(QStringLiteral("商品类别[%1]不存在").arg(parId));
                w.add(QStringLiteral("g.par_jl LIKE ? ESCAPE '\\'"),
                      {prefixPattern(path.toString())});
            }
        } else {
            w.add(QStringLiteral("g.par_id = ?"), {parId});
        }
        if (otherStock)
            w.add(QStringLiteral("g.sonnum = 0"));

        if (goods_.value(QStringLiteral("isstop")).trimmed() == u"0")
            w.add(QStringLiteral("g.isstop = 0"));
        if (goods_.contains(QStringLiteral("sptype"))) {
            w.add(QStringLiteral("(g.sonnum > 0 OR g.spType = ?)"),
                  {conditionId(goods_, QStringLiteral("sptype"))});
        }
        rights_.add(w, RecordKind::Goods, QStringLiteral("g.id"));
        qint64 partner = 0;
        qint64 typeId = 0;
        if (otherStock) {
            partner = conditionId(wldw_, QStringLiteral("id"));
            typeId = conditionId(filter_, QStringLiteral("typeid"));
            if (typeId < 1 || typeId > 5)
                throw DytError(QStringLiteral("往来商品类型[%1]无效").arg(typeId));
            Where held;
            held.add(QStringLiteral("o.goodsid = g.id AND o.typeid = ? AND (? = 0 OR o.wldw_id = "
                                    "?) AND o.qty <> 0"),
                     {typeId, partner, partner});
            rights_.add(held, RecordKind::Partner, QStringLiteral("o.wldw_id"));
            w.add(QStringLiteral("EXISTS (SELECT 1 FROM baseGoodsStockOther AS o WHERE %1)")
                      .arg(held.text()),
                  held.values);
        }

        const QString sql =
            QStringLiteral(
                "SELECT g.id, g.par_id, g.sonnum, g.par_jl, g.leveal, g.code, g.fullname, g.name, "
                "g.pym, g.gg, g.xh, g.addr, g.yxqNum, g.costmode, g.spType, u.fzdwid, u.unit, "
                "u.rate, u.barcode, u.price, u.price1, u.price2, u.price3, u.latestBuyPrice "
                "FROM baseGoods AS g LEFT JOIN baseGoodsUnit AS u ON ") +
            unitJoin + QStringLiteral(" WHERE ") + w.text() +
            QStringLiteral(
                " ORDER BY CASE WHEN g.sonnum > 0 THEN 0 ELSE 1 END, g.orderly, "
                "g.code, g.id");
        QVariantList values = joinValues;
        values.append(w.values);

        RecordSet& out = c_.data;
        out.clear();
        for (const auto& [name, type] : outputFields())
            out.addField(QString::fromLatin1(name), type);

        // First the rows, then their stock columns: goods look their stock up one by one (an
        // indexed lookup), the classes share one grouped read of the stock table.
        std::vector<QVariantList> raw;
        {
            Statement st = c_.db.prepare(sql);
            st.bindAll(values);
            while (st.step()) {
                QVariantList r;
                for (int i = 0; i < 24; ++i)
                    r.append(st.value(i));
                raw.push_back(std::move(r));
            }
        }
        bool hasClasses = false;
        for (const QVariantList& r : raw)
            hasClasses = hasClasses || r[2].toLongLong() > 0;
        if (hasClasses && !otherStock)
            loadClassTotals(raw);

        for (const QVariantList& r : raw) {
            QVariantList row;
            const qint64 id = r[0].toLongLong();
            const qint64 sonnum = r[2].toLongLong();
            const double price = r[19].toDouble();
            const double buyPrice = r[23].toDouble();
            const QString unitName = r[16].toString();
            Stock s;
            double orders = 0;
            std::pair<QString, double> aux;
            if (otherStock) {
                s = otherStockOf(id, partner, typeId);
            } else if (sonnum > 0) {
                s = classTotals_.value(id);
            } else {
                s = goodsStock(id);
                orders = openOrders(id);
                aux = auxiliaryUnit(id);
            }
            const double virtualQty = sonnum > 0 ? s.qty : s.qty + orders;
            const QString auxText =
                sonnum == 0 ? auxiliaryQuantity(s.qty, aux.first, aux.second, unitName) : QString();
            row << id << r[1].toLongLong() << sonnum << r[3].toString() << r[4].toLongLong()
                << r[5].toString() << r[6].toString() << r[7].toString() << r[8].toString()
                << r[9].toString() << r[10].toString() << r[11].toString() << r[12].toLongLong()
                << r[18].toString() << r[15].toLongLong() << unitName
                << (r[17].isValid() ? r[17].toDouble() : 1.0)
                << ((purchaseFamily(djType_) && buyPrice > 0) ? buyPrice : price)
                << r[20].toDouble() << r[21].toDouble() << r[22].toDouble() << r[14].toLongLong()
                << r[13].toLongLong() << s.qty << (s.qty != 0 ? s.total / s.qty : 0.0) << s.total
                << virtualQty << auxText << false;
            out.appendRow(row);
        }
        out.first();
        return 0;
    }

    int selectBatches() {
        const qint64 goodsId = conditionId(goods_, QStringLiteral("id"));
        if (goodsId <= 0)
            throw DytError(QStringLiteral("请选择商品"));
        const bool sub = goods_.value(QStringLiteral("isSub")).trimmed() == u"1";
        Where w;
        w.add(QStringLiteral("s.qty <> 0"));
        w.add(QStringLiteral("g.del = 0"));
        if (sub) {
            const QVariant path = c_.db.scalar(
                QStringLiteral("SELECT par_jl FROM baseGoods WHERE id = ? AND del = 0"), {goodsId});
            if (!path.isValid())
                throw DytError(QStringLiteral("商品[%1]不存在").arg(goodsId));
            w.add(QStringLiteral("(g.id = ? OR g.par_jl LIKE ? ESCAPE '\\')"),
                  {goodsId, prefixPattern(path.toString())});
        } else {
            w.add(QStringLiteral("g.id = ?"), {goodsId});
        }
        if (warehouse_ > 0)
            w.add(QStringLiteral("s.stockid = ?"), {warehouse_});
        rights_.add(w, RecordKind::Warehouse, QStringLiteral("s.stockid"));
        if (goods_.value(QStringLiteral("isstop")).trimmed() == u"0")
            w.add(QStringLiteral("g.isstop = 0"));
        rights_.add(w, RecordKind::Goods, QStringLiteral("g.id"));
        RecordSet& out = c_.data;
        out.clear();
        out.addField(QStringLiteral("goodsid"), FieldType::Integer);
        out.addField(QStringLiteral("stockid"), FieldType::Integer);
        out.addField(QStringLiteral("sonnum"), FieldType::Integer);
        out.addField(QStringLiteral("goodspc"), FieldType::Integer);
        out.addField(QStringLiteral("ph"), FieldType::Text);
        out.addField(QStringLiteral("outdate"), FieldType::Text);
        out.addField(QStringLiteral("yxqdate"), FieldType::Text);
        out.addField(QStringLiteral("indate"), FieldType::Text);
        out.addField(QStringLiteral("stockQty"), FieldType::Float);
        out.addField(QStringLiteral("stockPrice"), FieldType::Float);
        out.addField(QStringLiteral("stocktotal"), FieldType::Float);
        Statement st = c_.db.prepare(
            QStringLiteral("SELECT s.goodsid, s.stockid, s.goodspc, s.ph, s.outdate, s.yxqdate, "
                           "s.indate, s.qty, s.price, s.total FROM baseGoodsStock AS s JOIN "
                           "baseGoods AS g ON g.id = s.goodsid WHERE ") +
            w.text() + QStringLiteral(" ORDER BY s.goodsid, s.indate, s.id"));
        st.bindAll(w.values);
        while (st.step()) {
            out.appendRow({st.value(0).toLongLong(), st.value(1).toLongLong(), qint64(0),
                           st.value(2).toLongLong(), st.value(3).toString(), st.value(4).toString(),
                           st.value(5).toString(), st.value(6).toString(), st.value(7).toDouble(),
                           st.value(8).toDouble(), st.value(9).toDouble()});
        }
        out.first();
        return 0;
    }

private:
    struct Stock {
        double qty = 0;
        double total = 0;
    };

    static const std::vector<std::pair<const char*, FieldType>>& outputFields() {
        static const std::vector<std::pair<const char*, FieldType>> fields = {
            {"goodsid", FieldType::Integer},  {"par_id", FieldType::Integer},
            {"sonnum", FieldType::Integer},   {"par_jl", FieldType::Text},
            {"leveal", FieldType::Integer},   {"code", FieldType::Text},
            {"fullName", FieldType::Text},    {"sp_spjm", FieldType::Text},
            {"sp_pym", FieldType::Text},      {"sp_gg", FieldType::Text},
            {"sp_xh", FieldType::Text},       {"sp_cd", FieldType::Text},
            {"sp_yxq", FieldType::Integer},   {"barcode", FieldType::Text},
            {"unitid", FieldType::Integer},   {"unitName", FieldType::Text},
            {"rate", FieldType::Float},       {"price", FieldType::Float},
            {"price1", FieldType::Float},     {"price2", FieldType::Float},
            {"price3", FieldType::Float},     {"sp_sptype", FieldType::Integer},
            {"costmode", FieldType::Integer}, {"stockQty", FieldType::Float},
            {"stockPrice", FieldType::Float}, {"stockTotal", FieldType::Float},
            {"xnStockQty", FieldType::Float}, {"fzsl", FieldType::Text},
            {"selected", FieldType::Boolean},
        };
        return fields;
    }

    Stock read(Statement& st) {
        Stock s;
        if (st.step()) {
            s.qty = st.value(0).toDouble();
            s.total = st.value(1).toDouble();
        }
        st.reset();
        return s;
    }

    // The stock of the classes among the rows: each goods' stock counts for every class on its
    // path (par_jl lists the ids from the top down).
    void loadClassTotals(const std::vector<QVariantList>& raw) {
        for (const QVariantList& r : raw) {
            if (r[2].toLongLong() > 0)
                classTotals_.insert(r[0].toLongLong(), Stock{});
        }
        Where w;
        w.add(QStringLiteral("h.del = 0 AND h.sonnum = 0 AND (? = 0 OR s.stockid = ?)"),
              {warehouse_, warehouse_});
        rights_.add(w, RecordKind::Goods, QStringLiteral("h.id"));
        rights_.add(w, RecordKind::Warehouse, QStringLiteral("s.stockid"));
        Statement st = c_.db.prepare(
            QStringLiteral("SELECT h.par_jl, SUM(s.qty), SUM(s.total) FROM baseGoodsStock AS s "
                           "JOIN baseGoods AS h ON h.id = s.goodsid WHERE ") +
            w.text() + QStringLiteral(" GROUP BY h.id, h.par_jl"));
        st.bindAll(w.values);
        while (st.step()) {
            const QString path = st.value(0).toString();
            const double qty = st.value(1).toDouble();
            const double total = st.value(2).toDouble();
            for (const QStringView part : QStringView(path).split(u',', Qt::SkipEmptyParts)) {
                auto it = classTotals_.find(part.toLongLong());
                if (it != classTotals_.end()) {
                    it->qty += qty;
                    it->total += total;
                }
            }
        }
    }

    // A lookup prepared once: the select, its own conditions (bound per call) and the rights
    // (bound with the operator once known).
    struct Lookup {
        std::unique_ptr<Statement> st;
        QVariantList rights;
    };
    Lookup lookup(const QString& select, const QString& conditions, const Where& rights) {
        return {std::make_unique<Statement>(c_.db.prepare(
                    select + QStringLiteral(" WHERE ") + conditions +
                    (rights.parts.isEmpty() ? QString() : QStringLiteral(" AND ") + rights.text()))),
                rights.values};
    }
    Where placeRights(RecordKind place, const QString& column) const {
        Where w;
        rights_.add(w, place, column);
        return w;
    }

    Stock goodsStock(qint64 id) {
        if (!goodsStock_.st) {
            goodsStock_ = lookup(QStringLiteral("SELECT COALESCE(SUM(s.qty), 0), "
                                                "COALESCE(SUM(s.total), 0) FROM baseGoodsStock AS s"),
                                 QStringLiteral("s.goodsid = ? AND (? = 0 OR s.stockid = ?)"),
                                 placeRights(RecordKind::Warehouse, QStringLiteral("s.stockid")));
        }
        goodsStock_.st->bindAll(QVariantList{id, warehouse_, warehouse_} + goodsStock_.rights);
        return read(*goodsStock_.st);
    }

    Stock otherStockOf(qint64 id, qint64 partner, qint64 typeId) {
        if (!otherStock_.st) {
            otherStock_ = lookup(
                QStringLiteral("SELECT COALESCE(SUM(s.qty), 0), COALESCE(SUM(s.total), 0) FROM "
                               "baseGoodsStockOther AS s"),
                QStringLiteral("s.goodsid = ? AND s.typeid = ? AND (? = 0 OR s.wldw_id = ?)"),
                placeRights(RecordKind::Partner, QStringLiteral("s.wldw_id")));
        }
        otherStock_.st->bindAll(QVariantList{id, typeId, partner, partner} + otherStock_.rights);
        return read(*otherStock_.st);
    }

    // Open order quantities: purchase orders (8) come in, sales orders (4) go out.
    // Orders the operator may not see do not count.
    double openOrders(qint64 id) {
        if (!orders_.st) {
            Where rights;
            rights_.addBillOf(rights, QStringLiteral("l.id"));
            orders_ = lookup(
                QStringLiteral("SELECT COALESCE(SUM(CASE WHEN l.djType = 8 THEN l.qty - l.toQty "
                               "ELSE l.toQty - l.qty END), 0) FROM djList AS l"),
                QStringLiteral("l.goodsid = ? AND l.djType IN (4, 8) AND l.dj_state = 2 AND "
                               "l.isOver = 0 AND (? = 0 OR l.IntoStock_id = ? OR l.OutStock_id "
                               "= ?)"),
                rights);
        }
        orders_.st->bindAll(QVariantList{id, warehouse_, warehouse_, warehouse_} +
                            orders_.rights);
        double q = 0;
        if (orders_.st->step())
            q = orders_.st->value(0).toDouble();
        orders_.st->reset();
        return q;
    }

    std::pair<QString, double> auxiliaryUnit(qint64 id) {
        if (!auxUnit_) {
            auxUnit_ = std::make_unique<Statement>(c_.db.prepare(
                QStringLiteral("SELECT unit, rate FROM baseGoodsUnit WHERE Goodsid = ? AND "
                               "fzdwid = 1")));
        }
        auxUnit_->bindAll({id});
        std::pair<QString, double> out;
        if (auxUnit_->step())
            out = {auxUnit_->value(0).toString(), auxUnit_->value(1).toDouble()};
        auxUnit_->reset();
        return out;
    }

    CallContext& c_;
    RecordRights rights_;
    ConditionString goods_, ck_, wldw_, filter_;
    qint64 warehouse_ = 0;
    qint64 djType_ = 0;
    Lookup goodsStock_, otherStock_, orders_;
    std::unique_ptr<Statement> auxUnit_;
    QHash<qint64, Stock> classTotals_;
};

int runGoods(CallContext& c) {
    const QString type = c.params.value(QStringLiteral("QueryType")).trimmed();
    GoodsRows rows(c);
    if (type.compare(QLatin1String("XZSPALL"), Qt::CaseInsensitive) == 0)
        return rows.selectGoods(false);
    if (type.compare(QLatin1String("QTKC"), Qt::CaseInsensitive) == 0)
        return rows.selectGoods(true);
    if (type.compare(QLatin1String("XZSPPC"), Qt::CaseInsensitive) == 0)
        return rows.selectBatches();
    if (type.compare(QLatin1String("DQKCNEW"), Qt::CaseInsensitive) == 0)
        return stockStatusReport(c);
    if (type.compare(QLatin1String("QCKCNEW"), Qt::CaseInsensitive) == 0)
        return openingStockReport(c);
    c.message = QStringLiteral("P_Base_Get_Goods不支持查询类型[%1]").arg(type);
    return -1;
}

// The rows and their stock lookups are read in one read view.
int getGoods(CallContext& c) {
    return inReadView(c, [&c] { return runGoods(c); });
}

// P_JXC_INI_Other: the stock limits of a goods (the window 库存上下限报警设置). Lines goodsid,
// warnUp and warnDown (empty or 0: no limit), stockid (0 or empty: the goods' own limits, else
// those of that warehouse).
int saveStockLimits(CallContext& c) {
    Database& db = c.db;
    const ParamList& p = c.params;
    billservice::requireRight(db, c.userId, QStringLiteral("300508"));
    const qint64 goods = billvalues::id(p.value(QStringLiteral("goodsid")), QStringLiteral("商品"));
    const QVariant sons =
        db.scalar(QStringLiteral("SELECT sonnum FROM baseGoods WHERE id = ? AND del = 0"), {goods});
    if (goods <= 0 || !sons.isValid())
        throw DytError(QStringLiteral("商品[%1]不存在").arg(goods));
    if (sons.toLongLong() > 0)
        throw DytError(QStringLiteral("不能对商品类别设置库存上下限！"));
    const double up =
        billvalues::number(p.value(QStringLiteral("warnUp")), QStringLiteral("库存上限"));
    const double down =
        billvalues::number(p.value(QStringLiteral("warnDown")), QStringLiteral("库存下限"));
    if (down < 0)
        throw DytError(QStringLiteral("库存下限不能小于0"));
    if (up < 0)
        throw DytError(QStringLiteral("库存上限不能小于0"));
    if (up > 0 && down > up)
        throw DytError(QStringLiteral("库存上限必须大于库存下限"));
    const qint64 stock = billvalues::id(p.value(QStringLiteral("stockid")), QStringLiteral("仓库"));
    if (stock > 0) {
        if (!db.scalar(QStringLiteral("SELECT id FROM baseCK WHERE id = ? AND del = 0"), {stock})
                 .isValid())
            throw DytError(QStringLiteral("仓库[%1]不存在").arg(stock));
        db.execute(QStringLiteral("DELETE FROM baseGoodsWarn WHERE goodsid = ? AND stockid = ?"),
                   {goods, stock});
        if (up > 0 || down > 0) {
            db.execute(QStringLiteral("INSERT INTO baseGoodsWarn(goodsid, stockid, warnUp, "
                                      "warnDown) VALUES (?, ?, ?, ?)"),
                       {goods, stock, up, down});
        }
        return 0;
    }
    db.execute(QStringLiteral("UPDATE baseGoods SET warnUP = ?, warnDown = ?, updateTime = ? "
                              "WHERE id = ?"),
               {up, down, base::changeStamp(), goods});
    return 0;
}

}  // namespace

void registerGoodsProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("P_JXC_INI_Other"), saveStockLimits);
    procedures.add(QStringLiteral("P_Base_Get_Goods"), getGoods, false,
                   QStringList{QStringLiteral("XZSPALL"), QStringLiteral("QTKC"),
                               QStringLiteral("XZSPPC"), QStringLiteral("DQKCNEW"),
                               QStringLiteral("QCKCNEW")});
    procedures.add(QStringLiteral("P_JXC_Get_QC"), openingOtherGoods, false,
                   openingOtherQueryTypes());
}

}  // namespace dyt::server
