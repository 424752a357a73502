// Sales and purchase reports (P_JXC_Get_XS, P_JXC_Get_JH): statistics by goods, partner,
// warehouse, employee or department level, detail ledgers, exchanges, monthly analysis,
// rankings, goods-by-partner summaries and the purchase price trail, all from the posted bill
// lines (djList of bills with dj_state 2).
//
// Signs: a statistic over several kinds counts returns against sales (purchases): a sales return
// (2) and a sales exchange (3, whose lines going out carry a negative quantity) count negatively
// in the sales reports, a purchase return (6) in the purchase reports. A report of returns alone
// shows them positive. Red reversals carry negated lines and so cancel their originals.
#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/procs/procs_goods.h"
#include "server/procs/registry.h"
#include "server/reports/reports_internal.h"
#include "server/reports/reports_trade.h"

namespace dyt::server::reports {

namespace {

const QList<int> kSalesKinds = {1, 2, 3, 40, 44, 60};
const QList<int> kPurchaseKinds = {5, 6, 7, 37, 46, 59};

// Kinds that count negatively in the statistics of a family.
QString signSql(bool sales, bool returnsOnly) {
    if (returnsOnly)
        return QStringLiteral("1");
    return sales ? QStringLiteral("(CASE WHEN a.djType IN (2, 3) THEN -1 ELSE 1 END)")
                 : QStringLiteral("(CASE WHEN a.djType = 6 THEN -1 ELSE 1 END)");
}

const Dimension& dimensionOf(Dim d) {
    switch (d) {
        case Dim::Partner:
            return partnerDimension();
        case Dim::Warehouse:
            return warehouseDimension();
        case Dim::Employee:
            return employeeDimension();
        case Dim::Department:
            return departmentDimension();
        case Dim::Region:
            return regionDimension();
        case Dim::Goods:
            break;
    }
    return goodsDimension();
}

// The record a line counts for in a dimension.
QString keySql(Dim d) {
    switch (d) {
        case Dim::Partner:
            return QStringLiteral("a.wldw_id");
        case Dim::Warehouse:
            return lineWarehouseSql();
        case Dim::Employee:
            return QStringLiteral("a.jsr_id");
        case Dim::Department:
            return QStringLiteral("a.dep_id");
        case Dim::Region:
            return QStringLiteral("(SELECT d.Areaid FROM baseWLDW AS d WHERE d.id = a.wldw_id)");
        case Dim::Goods:
            break;
    }
    return QStringLiteral("l.goodsid");
}

const QString kLineFrom = QStringLiteral(
    " FROM djList AS l JOIN djIndex AS a ON a.id = l.id JOIN baseGoods AS g ON g.id = l.goodsid");

QList<int> kindsOf(const ReportParams& p, const TradeReport& r) {
    return p.kinds.isEmpty() ? r.kinds : p.kinds;
}

// Statistic measures: quantity in base units, amounts, cost and gross profit; prices derived.
QList<Measure> statMeasures(bool cost) {
    QList<Measure> m = {{QStringLiteral("Qty"), FieldType::Float},
                        {QStringLiteral("price"), FieldType::Float},
                        {QStringLiteral("discounttotal"), FieldType::Currency},
                        {QStringLiteral("Taxtotal"), FieldType::Currency},
                        {QStringLiteral("TaxPrice"), FieldType::Float},
                        {QStringLiteral("taxTotalSum"), FieldType::Currency},
                        {QStringLiteral("total"), FieldType::Currency}};
    if (cost) {
        m << Measure{QStringLiteral("costtotal"), FieldType::Currency}
          << Measure{QStringLiteral("ml"), FieldType::Currency};
    }
    return m;
}

// Figures: Qty, price, discounttotal, Taxtotal, TaxPrice, taxTotalSum, total (= discounttotal),
// then costtotal and ml.
void derivePrices(Figures& f) {
    const double q = f[0];
    f[1] = q != 0 ? std::fabs(f[2] / q) : 0.0;
    f[4] = q != 0 ? std::fabs(f[5] / q) : 0.0;
    f[6] = f[2];
    if (f.size() > 8)
        f[8] = f[2] - f[7];
}

// Adds the auxiliary-unit quantity text "fzqty" of goods rows (categories get none).
void addAuxiliary(Database& db, RecordSet& rs) {
    const int qty = rs.fieldIndex(QStringLiteral("Qty"));
    const int son = rs.fieldIndex(QStringLiteral("sonnum"));
    const int id = rs.fieldIndex(QStringLiteral("sp_id"));
    const int out = rs.addField(QStringLiteral("fzqty"), FieldType::Text);
    Statement st = db.prepare(QStringLiteral(
        "SELECT a.unit, a.rate, COALESCE(b.unit, '') FROM baseGoodsUnit AS a LEFT JOIN "
        "baseGoodsUnit AS b ON b.Goodsid = a.Goodsid AND b.fzdwid = 0 WHERE a.Goodsid = ? AND "
        "a.fzdwid = 1"));
    for (int r = 0; r < rs.rowCount(); ++r) {
        QString text;
        if (rs.at(r, son).toLongLong() == 0) {
            st.reset();
            st.bindAll({rs.at(r, id).toLongLong()});
            if (st.step()) {
                text = auxiliaryQuantity(rs.at(r, qty).toDouble(), st.value(0).toString(),
                                         st.value(1).toDouble(), st.value(2).toString());
            }
        }
        rs.setAt(r, out, text);
    }
}

// The report with the dimension the dialog's ";tjfs=" chose, when it offers a choice.
TradeReport chosen(const ReportParams& p, const TradeReport& r) {
    if (r.byChoice.isEmpty())
        return r;
    const QString text = p.filter.value(QStringLiteral("tjfs")).trimmed();
    bool ok = text.isEmpty();
    const int index = text.isEmpty() ? 0 : text.toInt(&ok);
    if (!ok || index < 0 || index >= r.byChoice.size())
        throw DytError(
            QStringLiteral("查询条件[tjfs]只能是0到%1：%2").arg(r.byChoice.size() - 1).arg(text));
    TradeReport out = r;
    out.dim = r.byChoice[index];
    return out;
}

RecordSet statistic(Database& db, const ReportParams& p, const TradeReport& given) {
    const TradeReport r = chosen(p, given);
    const Dimension& dim = dimensionOf(r.dim);
    const LevelChoice& level = r.flat ? LevelChoice{} : p.levelOf(dim.conditionLine);
    LevelChoice shown = level;
    if (r.flat)
        shown.list = true;
    Where w = lineScope(p, kindsOf(p, r));
    if (r.dim != Dim::Goods)
        addDimensionChoice(w, level, dim.table, QStringLiteral("t"));
    addLevelScope(w, db, dim, shown, QStringLiteral("t"));
    const QString sign = signSql(r.sales, r.returnsOnly);
    const QString sql = QStringLiteral(
                            "SELECT t.id, SUM(%1 * l.qty * l.rate), SUM(%1 * l.discounttotal), "
                            "SUM(%1 * l.taxtotal), SUM(%1 * l.taxTotalSum), SUM(%1 * l.costtotal)")
                            .arg(sign) +
                        kLineFrom +
                        QStringLiteral(" JOIN %1 AS t ON t.id = %2 WHERE %3 GROUP BY t.id")
                            .arg(dim.table, keySql(r.dim), w.text());
    Statement st = db.prepare(sql);
    st.bindAll(w.values);
    RecordFigures figures;
    while (st.step()) {
        Figures f = {
            st.value(1).toDouble(), 0.0, st.value(2).toDouble(), st.value(3).toDouble(), 0.0,
            st.value(4).toDouble(), 0.0};
        if (r.cost) {
            f.push_back(st.value(5).toDouble());
            f.push_back(0.0);
        }
        figures.add(st.value(0).toLongLong(), f);
    }
    const QList<Measure> measures = statMeasures(r.cost);
    RecordSet rs = rollUp(db, dim, shown, figures, measures, p.qtyFilter, 0, derivePrices);
    if (r.dim == Dim::Goods)
        addAuxiliary(db, rs);
    return rs;
}

// Bill lines one by one, oldest first. Order lines add what later bills took over (zxQty), what
// is still open (wzxQty, in the line's unit) and whether the line is done (isOver); ";isOver=" in
// filter keeps open (0) or done (1) lines only.
RecordSet ledger(Database& db, const ReportParams& p, const TradeReport& r) {
    Where w = lineScope(p, kindsOf(p, r));
    const bool orders = r.shape == TradeShape::OrderLines;
    const QString over = p.filter.value(QStringLiteral("isOver")).trimmed();
    if (orders && !over.isEmpty()) {
        if (over != u"0" && over != u"1")
            throw DytError(QStringLiteral("查询条件[isOver]只能是0或1：%1").arg(over));
        w.add(QStringLiteral("l.isOver = ?"), {over.toInt()});
    }
    const QString orderColumns =
        orders ? QStringLiteral(", l.toQty AS zxQty, l.qty - l.toQty AS wzxQty, l.isOver")
               : QString();
    const QString sql =
        QStringLiteral(
            "SELECT a.id, a.djType, COALESCE((SELECT k.fullname FROM sysDjb AS k WHERE k.id = "
            "a.djType), '') AS djName, a.date AS djDate, a.code AS djNo, a.isred, a.isredword, "
            "a.wldw_id, COALESCE(w.code, '') AS dw_dwbh, COALESCE(w.fullname, '') AS dw_dwqm, "
            "%1 AS ck_id, COALESCE(c.fullname, '') AS ck_ckqm, COALESCE(z.fullname, '') AS "
            "zy_zyqm, l.orderid, g.id AS sp_id, g.code AS sp_spbh, g.fullname AS sp_spqm, "
            "COALESCE(u.unit, '') AS unit, l.qty AS Qty, l.discountprice AS price, "
            "l.discounttotal AS total, l.discounttotal, l.taxtotal AS Taxtotal, l.taxprice AS "
            "TaxPrice, l.taxTotalSum, l.costprice, "
            "l.costtotal, l.comment%2")
            .arg(lineWarehouseSql(), orderColumns) +
        kLineFrom +
        QStringLiteral(
            " LEFT JOIN baseWLDW AS w ON w.id = a.wldw_id LEFT JOIN baseCK AS c ON "
            "c.id = %1 LEFT JOIN baseZY AS z ON z.id = a.jsr_id LEFT JOIN "
            "baseGoodsUnit AS u ON u.Goodsid = l.goodsid AND u.fzdwid = l.unit WHERE %2 ORDER BY "
            "a.date, a.id, "
            "l.orderid")
            .arg(lineWarehouseSql(), w.text());
    return db.query(sql, w.values);
}

// Exchanges: what went out and what came back, per level.
RecordSet exchange(Database& db, const ReportParams& p, const TradeReport& r) {
    const Dimension& dim = goodsDimension();
    const LevelChoice& level = p.goods;
    Where w = lineScope(p, kindsOf(p, r));
    addLevelScope(w, db, dim, level, QStringLiteral("t"));
    const QString sql =
        QStringLiteral(
            "SELECT t.id, SUM(CASE WHEN l.qty < 0 THEN -l.qty * l.rate ELSE 0 END), "
            "SUM(CASE WHEN l.qty < 0 THEN -l.taxTotalSum ELSE 0 END), "
            "SUM(CASE WHEN l.qty > 0 THEN l.qty * l.rate ELSE 0 END), "
            "SUM(CASE WHEN l.qty > 0 THEN l.taxTotalSum ELSE 0 END)") +
        kLineFrom +
        QStringLiteral(" JOIN baseGoods AS t ON t.id = l.goodsid WHERE %1 GROUP BY t.id")
            .arg(w.text());
    Statement st = db.prepare(sql);
    st.bindAll(w.values);
    RecordFigures figures;
    while (st.step()) {
        figures.add(st.value(0).toLongLong(), {st.value(1).toDouble(), st.value(2).toDouble(),
                                               st.value(3).toDouble(), st.value(4).toDouble()});
    }
    return rollUp(db, dim, level, figures,
                  {{QStringLiteral("outQty"), FieldType::Float},
                   {QStringLiteral("outTotal"), FieldType::Currency},
                   {QStringLiteral("inQty"), FieldType::Float},
                   {QStringLiteral("inTotal"), FieldType::Currency}},
                  p.qtyFilter, -1);
}

// One block of level rows per month of the range ("yyyy-mm" in the column yf).
RecordSet monthly(Database& db, const ReportParams& p, const TradeReport& r) {
    Where w = lineScope(p, kindsOf(p, r));
    const QVariant first = db.scalar(QStringLiteral("SELECT MIN(substr(a.date, 1, 7))") +
                                         kLineFrom + QStringLiteral(" WHERE ") + w.text(),
                                     w.values);
    const QVariant last = db.scalar(QStringLiteral("SELECT MAX(substr(a.date, 1, 7))") + kLineFrom +
                                        QStringLiteral(" WHERE ") + w.text(),
                                    w.values);
    auto shapedLike = [](const RecordSet& rs) {
        RecordSet out;
        out.addField(QStringLiteral("yf"), FieldType::Text);
        for (const Field& f : rs.fields())
            out.addField(f.name, f.type);
        return out;
    };
    if (!first.isValid() || first.toString().isEmpty())
        return shapedLike(statistic(db, p, r));
    RecordSet out;
    QDate month = QDate::fromString(first.toString() + QStringLiteral("-01"), Qt::ISODate);
    const QDate lastMonth = QDate::fromString(last.toString() + QStringLiteral("-01"), Qt::ISODate);
    for (; month.isValid() && month <= lastMonth; month = month.addMonths(1)) {
        ReportParams part = p;
        const QDate monthEnd = month.addMonths(1).addDays(-1);
        part.begin = std::max(month, p.begin.value_or(month));
        part.end = std::min(monthEnd, p.end.value_or(monthEnd));
        const RecordSet rs = statistic(db, part, r);
        if (out.fieldCount() == 0)
            out = shapedLike(rs);
        const QString label = month.toString(QStringLiteral("yyyy-MM"));
        for (int i = 0; i < rs.rowCount(); ++i) {
            RecordSet::Row row;
            row << label;
            row << rs.row(i);
            out.appendRow(row);
        }
    }
    return out;
}

// True when a condition line carries the level segments of a window's category tree.
bool carriesLevel(const ParamList& lines, const char* line) {
    const ConditionString c =
        ConditionString::parse(lines.value(QString::fromLatin1(line)).trimmed());
    return c.contains(QStringLiteral("par_id")) || c.contains(QStringLiteral("isList")) ||
           c.contains(QStringLiteral("allfilter"));
}

// What a ranking ranks: ";phlx=" in filter (sp, kh, zy, bm, ck, dq), else the base data whose
// condition line carries the window's tree level (partners, employees, departments, warehouses,
// then goods), else regions (the region ranking has no tree).
QString rankingKind(const ReportParams& p, const ParamList& lines) {
    const QString kind = p.filter.value(QStringLiteral("phlx")).trimmed().toLower();
    if (!kind.isEmpty())
        return kind;
    const std::pair<const char*, const char*> trees[] = {
        {"wldwStr", "kh"}, {"zyStr", "zy"}, {"bmStr", "bm"}, {"ckStr", "ck"}, {"GoodsStr", "sp"}};
    for (const auto& [line, name] : trees) {
        if (carriesLevel(lines, line))
            return QString::fromLatin1(name);
    }
    return QStringLiteral("dq");
}

// A ranking: the records of a dimension (no categories) by their tax-inclusive amount, largest
// first, numbered in the column pm.
RecordSet ranking(Database& db, const ReportParams& p, const TradeReport& r) {
    const QString kind = rankingKind(p, p.lines);
    TradeReport flat = r;
    flat.flat = true;
    if (kind == u"sp")
        flat.dim = Dim::Goods;
    else if (kind == u"kh" || kind == u"dw")
        flat.dim = Dim::Partner;
    else if (kind == u"zy")
        flat.dim = Dim::Employee;
    else if (kind == u"bm")
        flat.dim = Dim::Department;
    else if (kind == u"ck")
        flat.dim = Dim::Warehouse;
    else if (kind == u"dq")
        flat.dim = Dim::Region;
    else
        throw DytError(QStringLiteral("查询条件[phlx]无效：%1").arg(kind));
    RecordSet rs = statistic(db, p, flat);
    const int amount = rs.fieldIndex(QStringLiteral("taxTotalSum"));
    std::vector<int> order(rs.rowCount());
    for (int i = 0; i < rs.rowCount(); ++i)
        order[i] = i;
    auto money = [&](int row) { return rs.at(row, amount).value<Currency>().toDouble(); };
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return money(x) > money(y); });
    RecordSet out;
    out.addField(QStringLiteral("pm"), FieldType::Integer);
    for (const Field& f : rs.fields())
        out.addField(f.name, f.type);
    for (int i = 0; i < static_cast<int>(order.size()); ++i) {
        RecordSet::Row row;
        row << static_cast<qint64>(i + 1);
        row << rs.row(order[i]);
        out.appendRow(row);
    }
    return out;
}

// Goods by partner: one row per goods and partner, goods code order.
RecordSet goodsByPartner(Database& db, const ReportParams& p, const TradeReport& r) {
    Where w = lineScope(p, kindsOf(p, r));
    const QString sign = signSql(r.sales, r.returnsOnly);
    const QString sql = QStringLiteral(
                            "SELECT g.id AS sp_id, g.code AS sp_spbh, g.fullname AS sp_spqm, "
                            "a.wldw_id AS dw_id, COALESCE(w.code, '') AS dw_dwbh, "
                            "COALESCE(w.fullname, '') AS dw_dwqm, SUM(%1 * l.qty * l.rate) AS Qty, "
                            "SUM(%1 * l.discounttotal) AS discounttotal, SUM(%1 * l.taxtotal) AS "
                            "Taxtotal, SUM(%1 * l.taxTotalSum) AS taxTotalSum")
                            .arg(sign) +
                        kLineFrom +
                        QStringLiteral(
                            " LEFT JOIN baseWLDW AS w ON w.id = a.wldw_id WHERE %1 GROUP BY g.id, "
                            "g.code, g.fullname, a.wldw_id, w.code, w.fullname ORDER BY g.code, "
                            "g.id, w.code, a.wldw_id")
                            .arg(w.text());
    return db.query(sql, w.values);
}

// The purchase price of every purchase line of a goods next to the one before it.
RecordSet priceTrail(Database& db, const ReportParams& p, const TradeReport& r) {
    Where w = lineScope(p, kindsOf(p, r));
    const RecordSet lines = db.query(
        QStringLiteral("SELECT a.id, a.date, a.code, COALESCE(w.fullname, '') AS dw_dwqm, g.id AS "
                       "sp_id, g.code AS sp_spbh, g.fullname AS sp_spqm, l.qty, "
                       "CASE WHEN l.rate <> 0 THEN l.discountprice * 1.0 / l.rate ELSE "
                       "l.discountprice END AS price") +
            kLineFrom +
            QStringLiteral(" LEFT JOIN baseWLDW AS w ON w.id = a.wldw_id WHERE %1 ORDER BY g.code, "
                           "g.id, a.date, a.id, l.orderid")
                .arg(w.text()),
        w.values);
    RecordSet out;
    for (const Field& f : lines.fields())
        out.addField(f.name, f.type == FieldType::Integer ? FieldType::Integer : f.type);
    out.addField(QStringLiteral("lastPrice"), FieldType::Float);
    out.addField(QStringLiteral("bdje"), FieldType::Float);
    const int goods = lines.fieldIndex(QStringLiteral("sp_id"));
    const int price = lines.fieldIndex(QStringLiteral("price"));
    qint64 previousGoods = -1;
    double previous = 0;
    for (int i = 0; i < lines.rowCount(); ++i) {
        RecordSet::Row row = lines.row(i);
        const qint64 g = lines.at(i, goods).toLongLong();
        const double now = lines.at(i, price).toDouble();
        const bool has = g == previousGoods;
        row << (has ? QVariant(fieldValue(FieldType::Float, previous)) : QVariant(0.0));
        row << (has ? fieldValue(FieldType::Float, now - previous) : QVariant(0.0));
        out.appendRow(row);
        previousGoods = g;
        previous = now;
    }
    return out;
}

// The level's figures in the range (Qty, discounttotal) next to those of the second range
// (Qty2, discounttotal2) and the differences (cyQty, cyTotal = first − second).
RecordSet comparison(Database& db, const ReportParams& p, const TradeReport& r) {
    const auto second = [&](const char* line, const QString& what) {
        return billvalues::optionalDate(p.lines.value(QString::fromLatin1(line)).trimmed(), what);
    };
    const std::optional<QDate> begin2 = second("BeginDate2", QStringLiteral("对比开始日期"));
    const std::optional<QDate> end2 = second("EndDate2", QStringLiteral("对比结束日期"));
    if (begin2 && end2 && *begin2 > *end2)
        throw DytError(QStringLiteral("开始日期不能大于结束日期！"));
    const Dimension& dim = dimensionOf(r.dim);
    const LevelChoice& level = p.levelOf(dim.conditionLine);
    ReportParams both = p;
    both.begin.reset();
    both.end.reset();
    Where w = lineScope(both, kindsOf(p, r));
    if (r.dim != Dim::Goods)
        addDimensionChoice(w, level, dim.table, QStringLiteral("t"));
    addLevelScope(w, db, dim, level, QStringLiteral("t"));
    const auto inRange = [](const std::optional<QDate>& from, const std::optional<QDate>& to,
                            QVariantList* values) {
        values->append(from ? billvalues::dateText(*from) : QStringLiteral("0000-00-00"));
        values->append(to ? billvalues::dateText(*to) : QStringLiteral("9999-99-99"));
        return QStringLiteral("a.date BETWEEN ? AND ?");
    };
    QVariantList values;
    const QString first = inRange(p.begin, p.end, &values);
    const QString firstAgain = inRange(p.begin, p.end, &values);
    const QString other = inRange(begin2, end2, &values);
    const QString otherAgain = inRange(begin2, end2, &values);
    const QString sign = signSql(r.sales, r.returnsOnly);
    const QString sql = QStringLiteral(
                            "SELECT t.id, SUM(CASE WHEN %1 THEN %5 * l.qty * l.rate ELSE 0 END), "
                            "SUM(CASE WHEN %2 THEN %5 * l.discounttotal ELSE 0 END), "
                            "SUM(CASE WHEN %3 THEN %5 * l.qty * l.rate ELSE 0 END), "
                            "SUM(CASE WHEN %4 THEN %5 * l.discounttotal ELSE 0 END)")
                            .arg(first, firstAgain, other, otherAgain, sign) +
                        kLineFrom +
                        QStringLiteral(" JOIN %1 AS t ON t.id = %2 WHERE %3 GROUP BY t.id")
                            .arg(dim.table, keySql(r.dim), w.text());
    Statement st = db.prepare(sql);
    st.bindAll(values + w.values);
    RecordFigures figures;
    while (st.step()) {
        figures.add(st.value(0).toLongLong(),
                    {st.value(1).toDouble(), st.value(2).toDouble(), st.value(3).toDouble(),
                     st.value(4).toDouble(), 0.0, 0.0});
    }
    return rollUp(db, dim, level, figures,
                  {{QStringLiteral("Qty"), FieldType::Float},
                   {QStringLiteral("discounttotal"), FieldType::Currency},
                   {QStringLiteral("Qty2"), FieldType::Float},
                   {QStringLiteral("discounttotal2"), FieldType::Currency},
                   {QStringLiteral("cyQty"), FieldType::Float},
                   {QStringLiteral("cyTotal"), FieldType::Currency}},
                  p.qtyFilter, 0, [](Figures& f) {
                      f[4] = f[0] - f[2];
                      f[5] = f[1] - f[3];
                  });
}

// The bills of the kinds with a discount (youhuiTotal), returns negative.
Where billScope(const ReportParams& p, const QList<int>& kinds) {
    Where w;
    w.add(QStringLiteral("a.dj_state = 2 AND a.youhuiTotal <> 0"));
    addHeaderScope(w, p, kinds);
    addRedFilter(w, p.redFilter, QStringLiteral("a"));
    p.rights.addBill(w, QStringLiteral("a"));
    return w;
}

RecordSet discounts(Database& db, const ReportParams& p, const TradeReport& given) {
    const QList<int> kinds = kindsOf(p, given);
    Where w = billScope(p, kinds);
    const QString sign = QStringLiteral("(CASE WHEN a.djType = 2 THEN -1 ELSE 1 END)");
    if (given.byChoice.isEmpty()) {
        return db.query(
            QStringLiteral(
                "SELECT a.id, a.djType, COALESCE((SELECT k.fullname FROM sysDjb AS k WHERE k.id = "
                "a.djType), '') AS djName, a.date AS djDate, a.code AS djNo, a.wldw_id, "
                "COALESCE(w.fullname, '') AS dw_dwqm, COALESCE(z.fullname, '') AS zy_zyqm, "
                "COALESCE(b.fullname, '') AS bm_bmqm, %1 * a.taxTotalSum AS taxTotalSum, "
                "%1 * a.youhuiTotal AS total, a.comment FROM djIndex AS a LEFT JOIN baseWLDW AS w "
                "ON w.id = a.wldw_id LEFT JOIN baseZY AS z ON z.id = a.jsr_id LEFT JOIN baseBM AS "
                "b ON b.id = a.dep_id WHERE %2 ORDER BY a.date, a.id")
                .arg(sign, w.text()),
            w.values);
    }
    const TradeReport r = chosen(p, given);
    const Dimension& dim = dimensionOf(r.dim);
    Statement st = db.prepare(
        QStringLiteral("SELECT t.id, COUNT(*), SUM(%1 * a.taxTotalSum), SUM(%1 * a.youhuiTotal) "
                       "FROM djIndex AS a JOIN %2 AS t ON t.id = %3 WHERE %4 GROUP BY t.id")
            .arg(sign, dim.table, keySql(r.dim), w.text()));
    st.bindAll(w.values);
    RecordFigures figures;
    while (st.step()) {
        figures.add(st.value(0).toLongLong(),
                    {st.value(1).toDouble(), st.value(2).toDouble(), st.value(3).toDouble()});
    }
    LevelChoice flat;
    flat.list = true;
    return rollUp(db, dim, flat, figures,
                  {{QStringLiteral("billCount"), FieldType::Integer},
                   {QStringLiteral("taxTotalSum"), FieldType::Currency},
                   {QStringLiteral("total"), FieldType::Currency}},
                  0, -1);
}

}  // namespace

const QList<TradeReport>& tradeReports() {
    static const QList<TradeReport> table = [] {
        const QString xs = QStringLiteral("P_JXC_Get_XS");
        const QString jh = QStringLiteral("P_JXC_Get_JH");
        const QString kc = QStringLiteral("P_JXC_Get_KC");
        QList<TradeReport> t;
        auto add = [&](const QString& proc, const char* type, TradeShape shape, Dim dim,
                       QList<int> kinds, bool returnsOnly = false) {
            TradeReport r;
            r.procedure = proc;
            r.queryType = QString::fromLatin1(type);
            r.shape = shape;
            r.dim = dim;
            r.kinds = std::move(kinds);
            r.sales = proc == xs;
            r.cost = proc != jh;
            r.returnsOnly = returnsOnly || (proc != xs && proc != jh);
            t << r;
        };
        using S = TradeShape;
        // sales
        add(xs, "SPXSTJ", S::Statistic, Dim::Goods, kSalesKinds);
        add(xs, "DWXSTJ", S::Statistic, Dim::Partner, kSalesKinds);
        add(xs, "SPXSTHTJ", S::Statistic, Dim::Goods, {2}, true);
        add(xs, "DWXSTHTJ", S::Statistic, Dim::Partner, {2}, true);
        add(xs, "XSTHDTJ", S::Statistic, Dim::Goods, {2}, true);
        add(xs, "DWXSFB", S::Statistic, Dim::Partner, kSalesKinds);
        add(xs, "CKXSFB", S::Statistic, Dim::Goods, kSalesKinds);
        add(xs, "SPXSCBB", S::Statistic, Dim::Goods, kSalesKinds);
        add(xs, "XSMXZB", S::Ledger, Dim::Goods, kSalesKinds);
        add(xs, "CBMXB", S::Ledger, Dim::Goods, kSalesKinds);
        add(xs, "XSHHMXZB", S::Ledger, Dim::Goods, {3});
        add(xs, "XSHHDTJ", S::Exchange, Dim::Goods, {3});
        add(xs, "SPXSYFX", S::Monthly, Dim::Goods, kSalesKinds);
        add(xs, "XSPHB", S::Ranking, Dim::Goods, kSalesKinds);
        add(xs, "SPXSMXHZB", S::GoodsByPartner, Dim::Goods, kSalesKinds);
        // purchases
        add(jh, "SPJHTJ", S::Statistic, Dim::Goods, kPurchaseKinds);
        add(jh, "DWJHTJ", S::Statistic, Dim::Partner, kPurchaseKinds);
        add(jh, "SPJHTHTJ", S::Statistic, Dim::Goods, {6}, true);
        add(jh, "DWJHTHTJ", S::Statistic, Dim::Partner, {6}, true);
        add(jh, "JHTHDTJ", S::Statistic, Dim::Goods, {6}, true);
        add(jh, "DWJHFB", S::Statistic, Dim::Partner, kPurchaseKinds);
        add(jh, "CKJHFB", S::Statistic, Dim::Goods, kPurchaseKinds);
        add(jh, "JHMXZB", S::Ledger, Dim::Goods, kPurchaseKinds);
        add(jh, "JHHHMXZB", S::Ledger, Dim::Goods, {7});
        add(jh, "JHHHDTJ", S::Exchange, Dim::Goods, {7});
        add(jh, "SPJHYFX", S::Monthly, Dim::Goods, kPurchaseKinds);
        add(jh, "SPJHMXHZB", S::GoodsByPartner, Dim::Goods, kPurchaseKinds);
        add(jh, "SPJJBDB", S::PriceTrail, Dim::Goods, {5});
        // orders: statistics of the ordered goods and the order lines with their execution
        add(xs, "XSDDTJ", S::Statistic, Dim::Goods, {4}, true);
        t.last().cost = false;  // orders move no stock and carry no cost
        t.last().byChoice = {Dim::Goods, Dim::Partner, Dim::Employee};
        add(xs, "XSDDMXCX", S::OrderLines, Dim::Goods, {4});
        add(xs, "XSDDZXQK", S::OrderLines, Dim::Goods, {4});
        add(jh, "JHDDTJ", S::Statistic, Dim::Goods, {8}, true);
        t.last().byChoice = {Dim::Goods, Dim::Partner, Dim::Employee};
        // two ranges side by side
        add(xs, "SPXSDBFX", S::Comparison, Dim::Goods, kSalesKinds);
        add(xs, "KHXSDBFX", S::Comparison, Dim::Partner, kSalesKinds);
        // the discounts of the sales bills
        add(xs, "XSYHMXZB", S::Discounts, Dim::Partner, {1, 2, 3});
        add(xs, "XSYHTJ", S::Discounts, Dim::Partner, {1, 2, 3});
        t.last().byChoice = {Dim::Partner, Dim::Department, Dim::Employee};
        add(jh, "JHDDMXCX", S::OrderLines, Dim::Goods, {8});
        add(jh, "JHDDZXQK", S::OrderLines, Dim::Goods, {8});
        // the statistics of the stock bills (quantities and amounts as the bills hold them)
        add(kc, "QTCKDTJ", S::Statistic, Dim::Goods, {10});
        add(kc, "QTRKDTJ", S::Statistic, Dim::Goods, {11});
        add(kc, "BSDTJ", S::Statistic, Dim::Goods, {12});
        add(kc, "BYDTJ", S::Statistic, Dim::Goods, {13});
        add(kc, "CBTJDTJ", S::Statistic, Dim::Goods, {14});
        add(kc, "TJDBDTJ", S::Statistic, Dim::Goods, {15});
        add(kc, "BJDBDTJ", S::Statistic, Dim::Goods, {16});
        add(kc, "SPCZDTJ", S::Exchange, Dim::Goods, {9});
        add(kc, "SPCZDMXZB", S::Ledger, Dim::Goods, {9});
        return t;
    }();
    return table;
}

const TradeReport* findTradeReport(const QString& procedure, const QString& queryType) {
    for (const TradeReport& r : tradeReports()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

RecordSet runTradeReport(Database& db, const ReportParams& p, const TradeReport& r) {
    switch (r.shape) {
        case TradeShape::Statistic:
            return statistic(db, p, r);
        case TradeShape::Ledger:
        case TradeShape::OrderLines:
            return ledger(db, p, r);
        case TradeShape::Exchange:
            return exchange(db, p, r);
        case TradeShape::Monthly:
            return monthly(db, p, r);
        case TradeShape::Ranking:
            return ranking(db, p, r);
        case TradeShape::GoodsByPartner:
            return goodsByPartner(db, p, r);
        case TradeShape::PriceTrail:
            return priceTrail(db, p, r);
        case TradeShape::Discounts:
            return discounts(db, p, r);
        case TradeShape::Comparison:
            return comparison(db, p, r);
    }
    return {};
}

}  // namespace dyt::server::reports
