// The stock status report (P_Base_Get_Goods "DQKCNEW"): the current stock of goods from the stock
// ledger (baseGoodsStock), one category level at a time or as a flat list. The opening stock
// (P_Base_Get_Goods "QCKCNEW") reads iniGoodsStock the same way and adds `stockid`, the opening
// record of a moving-average goods in the one warehouse asked for (0 when none). The opening
// goods held by or for partners (P_JXC_Get_QC "JJSP" borrowed in, "JCSP" lent out, "WTSP"
// consigned out, "STSP" held on consignment, "WWSP" out for processing) read iniGoodsStockOther
// of that type, per partner (wldwStr ";id=" + partner, ";issub=1" its sub-partners; empty id:
// all partners) instead of per warehouse, and answer qty, Price, Total, costPrice, costTotal.
//
// Parameter lines:
//   goodsStr  which rows: ";par_id=" + category (0 = top) gives the rows directly below it, a
//             category row carrying the sums of every goods below it at any depth; ";isList=1"
//             (with ";par_id=" the goods below that category) gives the goods flat; ";allfilter="
//             + text the goods and categories whose code, names, pinyin or barcode contain the
//             text, at any level; ";id=" + goods gives that row (with ";issub=1" a category gives
//             the goods below it flat). ";sptype=" keeps goods of that type only.
//   ckStr     ";id=" + warehouse (empty or 0 = all); with ";issub=1" its sub-warehouses count too.
//   filter    ";qty=" 0 every row, 1 goods with stock above 0, 2 goods with stock 0 (a category
//             stays when a goods below it qualifies and sums the qualifying goods only);
//             ";ckj=" the reference price: 0 to 3 the four price levels of the base unit, 4 the
//             latest sales price, 5 the lowest sales price, 6 the latest purchase price (from the
//             posted bills, see loadBillPrices); empty or -1 none (reference price and value 0).
// Figures per row: stockqty and stockTotal (in base units, at cost) are the sums of the ledger;
// stockPrice = stockTotal / stockqty (0 without stock); lsPrice the reference price per base
// unit; lstotal = stockqty × lsPrice; total_ = lstotal − stockTotal; fdwqty the stock in the first
// auxiliary unit and fzqty the same as text ("2箱6个"). Category rows carry the sums of quantities
// and values; a unit price of mixed goods means nothing, so their prices stay 0.
// With record rights on (switch 2004), operators other than 1 see no goods (nor category) that
// baseGoodsPurview refuses them, and the figures count no refused warehouse (partner in
// P_JXC_Get_QC).

#include "server/procs/procs_stockstatus.h"

#include <QHash>
#include <QSet>
#include <QStringView>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/condition.h"
#include "common/currency.h"
#include "common/error.h"
#include "server/db/database.h"
#include "server/db/where.h"
#include "server/procs/procs_goods.h"
#include "server/procs/registry.h"

namespace dyt::server {
namespace {

constexpr double kZero = 1e-9;
// Up to this many goods the stock is looked up goods by goods.
constexpr qsizetype kLookupLimit = 5000;

// Column readers straight from the statement: the report reads every goods, and the columns'
// types are known, so the values skip the trip through QVariant.
qint64 intAt(const Statement& st, int column) {
    if (!st.handle())
        return st.value(column).toLongLong();
    return sqlite3_column_int64(st.handle(), column);
}

double numberAt(const Statement& st, int column) {
    if (!st.handle())
        return st.value(column).toDouble();
    return sqlite3_column_double(st.handle(), column);
}

QString textAt(const Statement& st, int column) {
    if (!st.handle())
        return st.value(column).toString();
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st.handle(), column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(st.handle(), column)) : QString();
}

// What a row shows of the goods or category itself.
struct RowHead {
    qint64 sonnum = 0;
    qint64 parId = 0;
    qint64 leveal = 0;
    qint64 costMode = 0;
    QString code;
    QString fullname;
    QString name;
    QString pym;
    QString gg;
    QString xh;
    QString addr;
};

// The columns of RowHead after id and par_jl, in this order.
constexpr const char* kHeadColumns =
    "g.par_id, g.leveal, g.sonnum, g.costmode, g.code, g.fullname, g.name, g.pym, g.gg, g.xh, "
    "g.addr";

RowHead headAt(const Statement& st, int first) {
    RowHead h;
    h.parId = intAt(st, first);
    h.leveal = intAt(st, first + 1);
    h.sonnum = intAt(st, first + 2);
    h.costMode = intAt(st, first + 3);
    h.code = textAt(st, first + 4);
    h.fullname = textAt(st, first + 5);
    h.name = textAt(st, first + 6);
    h.pym = textAt(st, first + 7);
    h.gg = textAt(st, first + 8);
    h.xh = textAt(st, first + 9);
    h.addr = textAt(st, first + 10);
    return h;
}

// The stock and prices of one goods.
struct GoodsFigures {
    qint64 id = 0;
    QString path;  // par_jl: its categories from the top, then itself ("1,2,3,188,")
    RowHead head;  // a flat list only: its rows are the goods, read once in their order
    // A row may show it (not so a goods below another category than the level shown): its unit
    // texts are read; for the others only whether it has an auxiliary unit counts.
    bool ownRow = true;
    QString unit;
    QString auxUnit;
    double auxRate = 0;
    double refPrice = 0;
    double qty = 0;
    Currency total;
    Currency costTotal;
    qint64 openingRow = 0;  // QCKCNEW: the one opening record in the warehouse
};

// What a row shows.
struct Sums {
    double qty = 0;
    Currency total;
    Currency costTotal;
    Currency refTotal;
    double auxQty = 0;
    bool any = false;  // a goods below the row passed the quantity filter
};

// Where the figures come from.
enum class Source {
    Stock,    // DQKCNEW: the stock ledger
    Opening,  // QCKCNEW: the opening stock
    Other     // P_JXC_Get_QC: the opening goods held by or for partners
};

// The goods counted, in the order read, found by id: through a table by id when the ids are
// dense (as they are: goods are numbered in turn), else by a search of the ids sorted.
class GoodsList {
public:
    std::vector<GoodsFigures>& items() { return items_; }
    const std::vector<GoodsFigures>& items() const { return items_; }
    qsizetype size() const { return static_cast<qsizetype>(items_.size()); }

    void add(qint64 id, QString path, RowHead head = {}) {
        GoodsFigures f;
        f.id = id;
        f.path = std::move(path);
        f.head = std::move(head);
        items_.push_back(std::move(f));
    }

    // Called once all goods are added.
    void index() {
        qint64 top = 0;
        bool negative = false;
        for (const GoodsFigures& f : items_) {
            top = std::max(top, f.id);
            negative = negative || f.id < 0;
        }
        const auto count = static_cast<qint64>(items_.size());
        if (!negative && top <= 4 * count + 4096) {
            slots_.assign(static_cast<size_t>(top) + 1, -1);
            for (size_t i = 0; i < items_.size(); ++i)
                slots_[static_cast<size_t>(items_[i].id)] = static_cast<int>(i);
            return;
        }
        sorted_.reserve(items_.size());
        for (size_t i = 0; i < items_.size(); ++i)
            sorted_.emplace_back(items_[i].id, static_cast<int>(i));
        std::sort(sorted_.begin(), sorted_.end());
    }

    GoodsFigures* find(qint64 id) {
        if (!slots_.empty() || sorted_.empty()) {
            if (id < 0 || id >= static_cast<qint64>(slots_.size()))
                return nullptr;
            const int i = slots_[static_cast<size_t>(id)];
            return i < 0 ? nullptr : &items_[static_cast<size_t>(i)];
        }
        const auto it =
            std::lower_bound(sorted_.begin(), sorted_.end(), std::pair<qint64, int>(id, -1));
        return it == sorted_.end() || it->first != id ? nullptr
                                                      : &items_[static_cast<size_t>(it->second)];
    }

private:
    std::vector<GoodsFigures> items_;
    std::vector<int> slots_;
    std::vector<std::pair<qint64, int>> sorted_;
};

class StockStatus {
public:
    StockStatus(CallContext& c, Source source, qint64 otherType = 0)
        : c_(c), rights_(c.db, c.userId), source_(source), otherType_(otherType) {
        const ParamList& p = c.params;
        goods_ = ConditionString::parse(p.value(QStringLiteral("goodsStr")));
        const ConditionString place = ConditionString::parse(
            p.value(source == Source::Other ? QStringLiteral("wldwStr") : QStringLiteral("ckStr")));
        const ConditionString filter = ConditionString::parse(p.value(QStringLiteral("filter")));
        warehouse_ = conditionId(place, QStringLiteral("id"));
        subWarehouses_ = place.value(QStringLiteral("issub")).trimmed() == u"1";
        qtyFilter_ = conditionId(filter, QStringLiteral("qty"));
        if (qtyFilter_ < 0 || qtyFilter_ > 2)
            throw DytError(QStringLiteral("数量过滤条件[%1]无效").arg(qtyFilter_));
        refPrice_ = conditionId(filter, QStringLiteral("ckj"), -1);
        if (refPrice_ < -1 || refPrice_ > 6)
            throw DytError(QStringLiteral("参考单价[%1]无效").arg(refPrice_));
    }

    int run() {
        decideRows();
        loadGoods();
        loadStock();
        if (refPrice_ >= 4)
            loadBillPrices();
        return answer();
    }

private:
    enum class Mode { Level, List, Search, One };

    // Which rows, and the goods whose stock they need (those below scopePath_; all when empty).
    void decideRows() {
        const QString search = goods_.value(QStringLiteral("allfilter")).trimmed();
        const qint64 oneId = conditionId(goods_, QStringLiteral("id"));
        parId_ = conditionId(goods_, QStringLiteral("par_id"));
        if (!search.isEmpty()) {
            mode_ = Mode::Search;
            search_ = search;
            return;
        }
        if (oneId > 0) {
            const RecordSet row = c_.db.query(
                QStringLiteral("SELECT par_jl, sonnum FROM baseGoods WHERE id = ? AND del = 0"),
                {oneId});
            if (row.rowCount() == 0)
                throw DytError(QStringLiteral("商品[%1]不存在").arg(oneId));
            scopePath_ = row.at(0, 0).toString();
            const bool category = row.at(0, 1).toLongLong() > 0;
            if (category && goods_.value(QStringLiteral("issub")).trimmed() == u"1") {
                mode_ = Mode::List;
            } else {
                mode_ = Mode::One;
                oneId_ = oneId;
            }
            return;
        }
        mode_ = goods_.value(QStringLiteral("isList")).trimmed() == u"1" ? Mode::List : Mode::Level;
        if (parId_ > 0) {
            const QVariant path = c_.db.scalar(
                QStringLiteral("SELECT par_jl FROM baseGoods WHERE id = ? AND del = 0"), {parId_});
            if (!path.isValid())
                throw DytError(QStringLiteral("商品类别[%1]不存在").arg(parId_));
            scopePath_ = path.toString();
        }
    }

    // The conditions every goods counted must meet: live, a goods, the type, the right, below the
    // scope; `g` is the goods table's alias.
    Where goodsConditions() const {
        Where w;
        w.add(QStringLiteral("g.del = 0"));
        w.add(QStringLiteral("g.sonnum = 0"));
        if (goods_.contains(QStringLiteral("sptype")))
            w.add(QStringLiteral("g.spType = ?"), {conditionId(goods_, QStringLiteral("sptype"))});
        rights_.add(w, RecordKind::Goods, QStringLiteral("g.id"));
        if (!scopePath_.isEmpty())
            w.add(QStringLiteral("g.par_jl LIKE ? ESCAPE '\\'"), {prefixPattern(scopePath_)});
        return w;
    }

    // The goods counted, then their base and first auxiliary units. Many goods read the units in
    // one pass over the unit table instead of two lookups per goods. A flat list's rows are these
    // goods: they are read with all they show, in the order shown.
    void loadGoods() {
        const Where w = goodsConditions();
        if (mode_ != Mode::List || !loadListInOrder(w)) {
            const bool list = mode_ == Mode::List;
            const bool level = mode_ == Mode::Level;
            Statement st = c_.db.prepare(
                QStringLiteral("SELECT g.id, g.par_jl") +
                (list    ? QStringLiteral(", ") + QLatin1String(kHeadColumns)
                 : level ? QStringLiteral(", g.par_id")
                         : QString()) +
                QStringLiteral(" FROM baseGoods AS g WHERE ") + w.text() +
                (list ? QStringLiteral(" ORDER BY g.orderly, g.code, g.id") : QString()));
            st.bindAll(w.values);
            while (st.step()) {
                goodsList_.add(intAt(st, 0), textAt(st, 1), list ? headAt(st, 2) : RowHead{});
                if (level)
                    goodsList_.items().back().ownRow = intAt(st, 2) == parId_;
            }
        }
        goodsList_.index();
        static const char* const kPriceColumns[] = {
            "u.price",           "u.price1",          "u.price2",         "u.price3",
            "u.latestSalePrice", "u.lowestSalePrice", "u.latestBuyPrice",
        };
        const QString price =
            refPrice_ < 0 ? QStringLiteral("0") : QString::fromLatin1(kPriceColumns[refPrice_]);
        const bool few = !scopePath_.isEmpty() && goodsList_.size() <= kLookupLimit;
        Statement st = c_.db.prepare(
            QStringLiteral("SELECT u.Goodsid, u.fzdwid, u.unit, u.rate, ") + price +
            (few ? QStringLiteral(" FROM baseGoods AS g JOIN baseGoodsUnit AS u ON u.Goodsid = "
                                  "g.id WHERE u.fzdwid IN (0, 1) AND ") +
                       w.text()
                 : QStringLiteral(" FROM baseGoodsUnit AS u WHERE u.fzdwid IN (0, 1)")));
        if (few)
            st.bindAll(w.values);
        while (st.step()) {
            GoodsFigures* f = goodsList_.find(intAt(st, 0));
            if (!f)
                continue;
            if (intAt(st, 1) == 0) {
                if (f->ownRow)
                    f->unit = textAt(st, 2);
                f->refPrice = numberAt(st, 4);
            } else {
                static const QString kSome = QStringLiteral("*");
                f->auxUnit = f->ownRow                  ? textAt(st, 2)
                             : !textAt(st, 2).isEmpty() ? kSome
                                                        : QString();
                f->auxRate = numberAt(st, 3);
            }
        }
    }

    // A flat list's goods read in the table's order and put in the order of the list here, as
    // "ORDER BY g.orderly, g.code, g.id" orders them: SQLite's sorter would carry every wide row
    // through temporary storage. The codes compare as the column's NOCASE collation compares
    // (ASCII letters folded, then the UTF-8 bytes, then the length). False, with nothing kept,
    // when a value is not of the type this ordering assumes: then SQLite orders.
    bool loadListInOrder(const Where& w) {
        struct Key {
            qint64 orderly;
            std::string code;
            qint64 id;
        };
        std::vector<Key> keys;
        std::vector<GoodsFigures> read;
        {
            Statement st = c_.db.prepare(QStringLiteral("SELECT g.id, g.par_jl, g.orderly, ") +
                                         QLatin1String(kHeadColumns) +
                                         QStringLiteral(" FROM baseGoods AS g WHERE ") + w.text());
            st.bindAll(w.values);
            constexpr int kCode = 3 + 4;  // the code among the head columns
            sqlite3_stmt* h = st.handle();
            if (!h)
                return false;  // the database orders
            while (st.step()) {
                if (sqlite3_column_type(h, 0) != SQLITE_INTEGER ||
                    sqlite3_column_type(h, 2) != SQLITE_INTEGER ||
                    sqlite3_column_type(h, kCode) != SQLITE_TEXT)
                    return false;
                const auto* code = reinterpret_cast<const char*>(sqlite3_column_text(h, kCode));
                std::string folded(code, static_cast<size_t>(sqlite3_column_bytes(h, kCode)));
                for (char& ch : folded) {
                    if (ch >= 'A' && ch <= 'Z')
                        ch = static_cast<char>(ch - 'A' + 'a');
                }
                keys.push_back({intAt(st, 2), std::move(folded), intAt(st, 0)});
                GoodsFigures f;
                f.id = intAt(st, 0);
                f.path = textAt(st, 1);
                f.head = headAt(st, 3);
                read.push_back(std::move(f));
            }
        }
        // The places are sorted, not the keys: a key holds a text, costly to move.
        std::vector<int> order(keys.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = static_cast<int>(i);
        std::sort(order.begin(), order.end(), [&keys](int x, int y) {
            const Key& a = keys[static_cast<size_t>(x)];
            const Key& b = keys[static_cast<size_t>(y)];
            if (a.orderly != b.orderly)
                return a.orderly < b.orderly;
            if (const int c = a.code.compare(b.code); c != 0)
                return c < 0;
            return a.id < b.id;
        });
        for (const int i : order) {
            GoodsFigures& f = read[static_cast<size_t>(i)];
            goodsList_.add(f.id, std::move(f.path), std::move(f.head));
        }
        return true;
    }

    // The stock of the goods found by loadGoods. Few goods (one category's) look their stock up
    // one by one; many read the whole ledger once, grouped by goods, and keep the ones asked for.
    // Both read the ledger through its index on goods and place.
    void loadStock() {
        const bool other = source_ == Source::Other;
        const QString table = source_ == Source::Stock     ? QStringLiteral("baseGoodsStock")
                              : source_ == Source::Opening ? QStringLiteral("iniGoodsStock")
                                                           : QStringLiteral("iniGoodsStockOther");
        const QString place = other ? QStringLiteral("wldw_id") : QStringLiteral("stockid");
        QString where;
        QVariantList values;
        if (other) {
            where = QStringLiteral(" AND typeid = ?");
            values << otherType_;
        }
        if (warehouse_ > 0) {
            const QString places = other ? QStringLiteral("baseWLDW") : QStringLiteral("baseCK");
            const QVariant path = c_.db.scalar(QStringLiteral("SELECT par_jl FROM ") + places +
                                                   QStringLiteral(" WHERE id = ? AND del = 0"),
                                               {warehouse_});
            if (!path.isValid()) {
                throw DytError((other ? QStringLiteral("往来单位[%1]不存在")
                                      : QStringLiteral("仓库[%1]不存在"))
                                   .arg(warehouse_));
            }
            if (subWarehouses_) {
                where += QStringLiteral(" AND ") + place +
                         QStringLiteral(" IN (SELECT k.id FROM ") + places +
                         QStringLiteral(" AS k WHERE k.par_jl LIKE ? ESCAPE '\\')");
                values << prefixPattern(path.toString());
            } else {
                where += QStringLiteral(" AND ") + place + QStringLiteral(" = ?");
                values << warehouse_;
            }
        }
        {
            Where refused;
            rights_.add(refused, other ? RecordKind::Partner : RecordKind::Warehouse,
                        table + u'.' + place);
            for (const QString& part : refused.parts)
                where += QStringLiteral(" AND ") + part;
            values << refused.values;
        }
        // The opening record a moving-average goods is edited through: its only row there.
        const QString figures =
            other ? QStringLiteral("SUM(qty), SUM(total), SUM(costtotal), 0")
            : source_ == Source::Opening
                ? QStringLiteral(
                      "SUM(qty), SUM(total), 0, CASE WHEN count(*) = 1 THEN max(id) "
                      "ELSE 0 END")
                : QStringLiteral("SUM(qty), SUM(total), 0, 0");
        auto take = [](GoodsFigures* f, const Statement& st, int first) {
            if (!f)
                return;
            f->qty = numberAt(st, first);
            f->total = Currency::fromDouble(numberAt(st, first + 1));
            f->costTotal = Currency::fromDouble(numberAt(st, first + 2));
            f->openingRow = intAt(st, first + 3);
        };
        if (!scopePath_.isEmpty() && goodsList_.size() <= kLookupLimit) {
            Statement st =
                c_.db.prepare(QStringLiteral("SELECT ") + figures + QStringLiteral(" FROM ") +
                              table + QStringLiteral(" WHERE goodsid = ?") + where);
            for (GoodsFigures& f : goodsList_.items()) {
                st.bindAll(QVariantList{f.id} + values);
                if (st.step())
                    take(&f, st, 0);
                st.reset();
            }
            return;
        }
        Statement st = c_.db.prepare(
            QStringLiteral("SELECT goodsid, ") + figures + QStringLiteral(" FROM ") + table +
            QStringLiteral(" WHERE 1 = 1") + where + QStringLiteral(" GROUP BY goodsid"));
        st.bindAll(values);
        while (st.step())
            take(goodsList_.find(intAt(st, 0)), st, 1);
    }

    // The latest sales price (4), the lowest sales price (5) and the latest purchase price (6)
    // come from the posted sales bills (kind 1) and purchase bills (kind 5), per base unit, net
    // of discount; reversed bills and their red copies do not count. A goods never sold or
    // bought keeps the price stored with its unit.
    void loadBillPrices() {
        // The reversed bills and their red copies are few: read them first and skip their lines.
        QSet<qint64> red;
        {
            Statement st = c_.db.prepare(
                QStringLiteral("SELECT id FROM djIndex WHERE isred <> 0 OR isredword <> 0"));
            while (st.step())
                red.insert(intAt(st, 0));
        }
        // One pass over the lines in stored order; the latest line is the one with the latest
        // date, then the highest line number. Kept per goods, by its place in the list.
        struct Seen {
            bool any = false;
            QString date;
            qint64 line = 0;
            double price = 0;
        };
        std::vector<Seen> seen(static_cast<size_t>(goodsList_.size()));
        GoodsFigures* const first = goodsList_.items().data();
        Statement st = c_.db.prepare(
            QStringLiteral("SELECT goodsid, id, date, orderid, discountprice, rate FROM djList "
                           "WHERE djType = ? AND dj_state = 2 AND qty > 0"));
        st.bindAll({refPrice_ == 6 ? 5 : 1});
        while (st.step()) {
            GoodsFigures* f = goodsList_.find(intAt(st, 0));
            if (!f || red.contains(intAt(st, 1)))
                continue;
            const double rate = numberAt(st, 5);
            const double price = numberAt(st, 4) / (rate > 0 ? rate : 1.0);
            Seen& it = seen[static_cast<size_t>(f - first)];
            if (refPrice_ == 5) {
                if (!it.any || price < it.price) {
                    it.any = true;
                    it.price = price;
                }
                continue;
            }
            const qint64 line = intAt(st, 3);
            QString date = textAt(st, 2);
            if (!it.any || date > it.date || (date == it.date && line > it.line)) {
                it.any = true;
                it.date = std::move(date);
                it.line = line;
                it.price = price;
            }
        }
        for (size_t i = 0; i < seen.size(); ++i) {
            if (seen[i].any)
                first[i].refPrice = seen[i].price;
        }
    }

    bool passes(double qty) const {
        switch (qtyFilter_) {
            case 1:
                return qty > kZero;
            case 2:
                return std::fabs(qty) <= kZero;
            default:
                return true;
        }
    }

    static Currency refValue(const GoodsFigures& f) {
        return Currency::fromDouble(f.qty * f.refPrice);
    }

    static double auxQty(const GoodsFigures& f) {
        return f.auxRate > 0 && !f.auxUnit.isEmpty() ? f.qty / f.auxRate : 0.0;
    }

    // The rows to show, in the order of the goods lists: categories first, then by order,
    // code and id.
    Statement rows() {
        Where w;
        w.add(QStringLiteral("g.del = 0"));
        rights_.add(w, RecordKind::Goods, QStringLiteral("g.id"));
        switch (mode_) {
            case Mode::Level:
                w.add(QStringLiteral("g.par_id = ?"), {parId_});
                break;
            case Mode::One:
                w.add(QStringLiteral("g.id = ?"), {oneId_});
                break;
            case Mode::List:  // the goods as loadGoods read them
                break;
            case Mode::Search: {
                const QString pattern = containsPattern(search_);
                w.add(QStringLiteral(
                          "(g.code LIKE ? ESCAPE '\\' OR g.fullname LIKE ? ESCAPE '\\' OR g.name "
                          "LIKE ? "
                          "ESCAPE '\\' OR g.pym LIKE ? ESCAPE '\\' OR EXISTS (SELECT 1 FROM "
                          "baseGoodsUnit AS b WHERE b.Goodsid = g.id AND b.barcode LIKE ? ESCAPE "
                          "'\\'))"),
                      {pattern, pattern, pattern, pattern, pattern});
                break;
            }
        }
        Statement st = c_.db.prepare(
            QStringLiteral("SELECT g.id, g.par_jl, ") + QLatin1String(kHeadColumns) +
            QStringLiteral(" FROM baseGoods AS g WHERE ") + w.text() +
            QStringLiteral(" ORDER BY CASE WHEN g.sonnum > 0 THEN 0 ELSE 1 END, g.orderly, "
                           "g.code, g.id"));
        st.bindAll(w.values);
        return st;
    }

    int answer() {
        // The sums of every category over the qualifying goods below it (a flat list shows no
        // categories and needs none). Each category adds its goods in the order read, so that
        // its sums of quantities come out the same to the last bit.
        QHash<qint64, int> categoryIndex;
        std::vector<Sums> categorySums;
        if (mode_ != Mode::List) {
            // The categories above the goods, per path of categories: goods of one category
            // mostly follow each other.
            QHash<QString, std::vector<int>> chains;
            QString lastPrefix;
            const std::vector<int>* chain = nullptr;
            for (const GoodsFigures& f : goodsList_.items()) {
                if (!passes(f.qty))
                    continue;
                // "1,2,3,188,": the categories end before the goods' own id.
                const QStringView path(f.path);
                qsizetype end = path.size();
                while (end > 0 && path[end - 1] == u',')
                    --end;
                if (end == 0)
                    continue;
                const qsizetype own = path.lastIndexOf(u',', end - 1);
                if (own < 0)
                    continue;
                const QStringView prefix = path.left(own);
                if (!chain || prefix != lastPrefix) {
                    lastPrefix = prefix.toString();
                    auto it = chains.find(lastPrefix);
                    if (it == chains.end()) {
                        std::vector<int> ids;
                        for (const QStringView part : prefix.split(u',', Qt::SkipEmptyParts)) {
                            const qint64 category = part.toLongLong();
                            auto at = categoryIndex.find(category);
                            if (at == categoryIndex.end()) {
                                at = categoryIndex.insert(category,
                                                          static_cast<int>(categorySums.size()));
                                categorySums.emplace_back();
                            }
                            ids.push_back(*at);
                        }
                        it = chains.insert(lastPrefix, std::move(ids));
                    }
                    chain = &*it;
                }
                const Currency value = refValue(f);
                const double aux = auxQty(f);
                for (const int i : *chain) {
                    Sums& c = categorySums[static_cast<size_t>(i)];
                    c.qty += f.qty;
                    c.total += f.total;
                    c.costTotal += f.costTotal;
                    c.refTotal += value;
                    c.auxQty += aux;
                    c.any = true;
                }
            }
        }

        RecordSet& out = c_.data;
        out.clear();
        for (const auto& [name, type] : fields())
            out.addField(QString::fromLatin1(name), type);
        if (mode_ == Mode::List) {
            for (const GoodsFigures& f : goodsList_.items()) {
                if (passes(f.qty))
                    addGoodsRow(out, f.id, f.path, f.head, f);
            }
            out.first();
            return 0;
        }
        Statement shown = rows();
        while (shown.step()) {
            const qint64 id = intAt(shown, 0);
            const RowHead head = headAt(shown, 2);
            if (head.sonnum > 0) {
                Sums s;
                const auto at = categoryIndex.constFind(id);
                if (at != categoryIndex.constEnd())
                    s = categorySums[static_cast<size_t>(*at)];
                if (qtyFilter_ != 0 && !s.any)
                    continue;
                addRow(out, id, textAt(shown, 1), head, s, 0, 0, QString(), QString());
            } else {
                const GoodsFigures* f = goodsList_.find(id);
                if (f && passes(f->qty))
                    addGoodsRow(out, id, textAt(shown, 1), head, *f);
            }
        }
        out.first();
        return 0;
    }

    void addGoodsRow(RecordSet& out, qint64 id, const QString& path, const RowHead& head,
                     const GoodsFigures& f) const {
        Sums s;
        s.qty = f.qty;
        s.total = f.total;
        s.costTotal = f.costTotal;
        s.refTotal = refValue(f);
        s.auxQty = auxQty(f);
        addRow(out, id, path, head, s, f.refPrice,
               warehouse_ > 0 && head.costMode == 0 ? f.openingRow : 0, f.unit,
               auxiliaryQuantity(s.qty, f.auxUnit, f.auxRate, f.unit));
    }

    void addRow(RecordSet& out, qint64 id, const QString& path, const RowHead& head, const Sums& s,
                double refPrice, qint64 openingRow, const QString& unit,
                const QString& auxText) const {
        // A unit price of mixed goods means nothing: categories keep 0.
        const auto price = [&](const Currency& amount) {
            return head.sonnum == 0 && std::fabs(s.qty) > kZero ? amount.toDouble() / s.qty : 0.0;
        };
        // Every value is made in its field's type: the row goes in without conversion.
        QVariantList row;
        row.reserve(24);
        row << head.sonnum << id << head.parId << path << id << head.leveal << head.costMode
            << head.code << head.fullname << head.name << head.pym << head.gg << head.xh
            << head.addr << unit;
        if (source_ == Source::Other) {
            row << warehouse_ << s.qty << price(s.total) << QVariant::fromValue(s.total)
                << price(s.costTotal) << QVariant::fromValue(s.costTotal);
        } else {
            row << auxText << s.qty << price(s.total) << QVariant::fromValue(s.total) << refPrice
                << QVariant::fromValue(s.refTotal) << QVariant::fromValue(s.refTotal - s.total)
                << s.auxQty;
            if (source_ == Source::Opening)
                row << openingRow;
        }
        out.appendTypedRow(std::move(row));
    }

    std::vector<std::pair<const char*, FieldType>> fields() const {
        std::vector<std::pair<const char*, FieldType>> list = {
            {"sonnum", FieldType::Integer},   {"id", FieldType::Integer},
            {"par_id", FieldType::Integer},   {"par_jl", FieldType::Text},
            {"sp_id", FieldType::Integer},    {"leveal", FieldType::Integer},
            {"costMode", FieldType::Integer}, {"sp_spbh", FieldType::Text},
            {"sp_spqm", FieldType::Text},     {"sp_spjm", FieldType::Text},
            {"sp_pym", FieldType::Text},      {"sp_gg", FieldType::Text},
            {"sp_xh", FieldType::Text},       {"sp_cd", FieldType::Text},
            {"sp_dw", FieldType::Text},
        };
        if (source_ == Source::Other) {
            list.insert(list.end(), {{"dw_id", FieldType::Integer},
                                     {"qty", FieldType::Float},
                                     {"Price", FieldType::Float},
                                     {"Total", FieldType::Currency},
                                     {"costPrice", FieldType::Float},
                                     {"costTotal", FieldType::Currency}});
            return list;
        }
        list.insert(list.end(), {{"fzqty", FieldType::Text},
                                 {"stockqty", FieldType::Float},
                                 {"stockPrice", FieldType::Float},
                                 {"stockTotal", FieldType::Currency},
                                 {"lsPrice", FieldType::Float},
                                 {"lstotal", FieldType::Currency},
                                 {"total_", FieldType::Currency},
                                 {"fdwqty", FieldType::Float}});
        if (source_ == Source::Opening)
            list.push_back({"stockid", FieldType::Integer});
        return list;
    }

    CallContext& c_;
    RecordRights rights_;
    Source source_;
    qint64 otherType_;
    ConditionString goods_;
    qint64 warehouse_ = 0;
    bool subWarehouses_ = false;
    qint64 qtyFilter_ = 0;
    qint64 refPrice_ = -1;
    Mode mode_ = Mode::Level;
    qint64 parId_ = 0;
    qint64 oneId_ = 0;
    QString search_;
    QString scopePath_;
    GoodsList goodsList_;
};

}  // namespace

int stockStatusReport(CallContext& c) {
    return StockStatus(c, Source::Stock).run();
}

int openingStockReport(CallContext& c) {
    return StockStatus(c, Source::Opening).run();
}

QStringList openingOtherQueryTypes() {
    return {QStringLiteral("JJSP"), QStringLiteral("JCSP"), QStringLiteral("WTSP"),
            QStringLiteral("STSP"), QStringLiteral("WWSP")};
}

int openingOtherGoods(CallContext& c) {
    const QString type = c.params.value(QStringLiteral("QueryType")).trimmed();
    const qsizetype index = openingOtherQueryTypes().indexOf(type.toUpper());
    if (index < 0) {
        c.message = QStringLiteral("P_JXC_Get_QC不支持查询类型[%1]").arg(type);
        return -1;
    }
    return inReadView(c, [&c, index] { return StockStatus(c, Source::Other, index + 1).run(); });
}

}  // namespace dyt::server
