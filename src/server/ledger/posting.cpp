// The posting ledgers: posting, taking a posting back, and the red reversal.
#include "server/ledger/posting.h"

#include <QDateTime>
#include <QSet>

#include <map>
#include <tuple>

#include "common/error.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"

namespace dyt::server::posting {
namespace {

using namespace dyt::server::ledger;

QString now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

void requireTransaction(Database& db) {
    if (!db.inTransaction())
        throw DytError(QStringLiteral("过账必须在事务中进行"));
}

bool hasLedgerRows(Database& db, qint64 billId) {
    return db
        .scalar(QStringLiteral("SELECT 1 FROM djStockDetail WHERE id = ? UNION ALL "
                               "SELECT 1 FROM djWLDWDetail WHERE id = ? UNION ALL "
                               "SELECT 1 FROM djStockOtherDetail WHERE id = ? UNION ALL "
                               "SELECT 1 FROM djKmDetail WHERE id = ? AND type = 0 LIMIT 1"),
                {billId, billId, billId, billId})
        .isValid();
}

struct StockRow {
    qint64 listid, goods, stock, pc;
    double qty, total, price;
};

QList<StockRow> stockRows(Database& db, qint64 billId) {
    Statement st = db.prepare(
        QStringLiteral("SELECT listid, goodsid, stockid, goodspc, qty, total, costprice FROM "
                       "djStockDetail WHERE id = ? ORDER BY orderid"));
    st.bind(1, billId);
    QList<StockRow> out;
    while (st.step()) {
        out << StockRow{st.value(0).toLongLong(), st.value(1).toLongLong(),
                        st.value(2).toLongLong(), st.value(3).toLongLong(),
                        st.value(4).toDouble(),   st.value(5).toDouble(),
                        st.value(6).toDouble()};
    }
    return out;
}

struct PartnerRow {
    qint64 wldw;
    PartnerDelta d;
};

QList<PartnerRow> partnerRows(Database& db, qint64 billId) {
    Statement st = db.prepare(QStringLiteral(
        "SELECT wldw_id, ysTotal, yfTotal, yushouTotal, yufuTotal FROM djWLDWDetail WHERE id = ? "
        "ORDER BY orderid"));
    st.bind(1, billId);
    QList<PartnerRow> out;
    while (st.step()) {
        out << PartnerRow{st.value(0).toLongLong(),
                          {st.value(1).toDouble(), st.value(2).toDouble(), st.value(3).toDouble(),
                           st.value(4).toDouble()}};
    }
    return out;
}

struct AccountRow {
    qint64 km, wldw;
    double db, lend;
};

QList<AccountRow> accountRows(Database& db, qint64 billId) {
    Statement st = db.prepare(QStringLiteral(
        "SELECT km_id, wldw_id, dbTotal, LendTotal FROM djKmDetail WHERE id = ? AND type = 0 "
        "ORDER BY orderid"));
    st.bind(1, billId);
    QList<AccountRow> out;
    while (st.step()) {
        out << AccountRow{st.value(0).toLongLong(), st.value(1).toLongLong(),
                          st.value(2).toDouble(), st.value(3).toDouble()};
    }
    return out;
}

PartnerDelta negated(const PartnerDelta& d) {
    return {-d.ys, -d.yf, -d.yushou, -d.yufu};
}

// ---- costs in date order -----------------------------------------------------------------------
//
// Bills take their costs in date order: by date, and within a day by bill id. A bill posted,
// deleted or reversed before later postings of its goods would leave those postings with costs
// taken from stock that was different at their date. So those later bills are taken back first
// (their stock, partner and account rows at once), the change is made, and they are booked again
// one by one in date order, exactly as a full re-post of every bill would book them.

struct LaterBill {
    qint64 id = 0;
    QString date;
    QString code;
    int isredword = 0;
    qint64 redOf = 0;  // the original of a red bill
};

// The goods a bill moves; none for the kinds whose lines do not move goods (an asset bill's
// lines name asset cards, not goods).
QSet<qint64> goodsOfBill(Database& db, qint64 billId) {
    if (movesNoGoods(
            db.scalar(QStringLiteral("SELECT djType FROM djIndex WHERE id = ?"), {billId}).toInt()))
        return {};
    Statement st = db.prepare(
        QStringLiteral("SELECT DISTINCT goodsid FROM djList WHERE id = ? AND goodsid > 0"));
    st.bind(1, billId);
    QSet<qint64> out;
    while (st.step())
        out.insert(st.value(0).toLongLong());
    return out;
}

// goodsOfBill() of a bill whose lines are at hand.
QSet<qint64> goodsOfLines(int djType, const QList<Line>& lines) {
    QSet<qint64> out;
    if (movesNoGoods(djType))
        return out;
    for (const Line& l : lines) {
        if (l.goodsid > 0)
            out.insert(l.goodsid);
    }
    return out;
}

// The posted goods bills after (date, id) that move any of `goods`, in date order. The goods
// set grows with the other goods those bills move (an exchange, an assembly), since taking
// such a bill back rewinds their stock too. Later days are found through the stock movements
// of each goods and warehouse; the same day through the bills stored after this one, usually
// none, so that posting in date order costs a few index look-ups.
QList<LaterBill> laterBills(Database& db, const QString& date, qint64 id, QSet<qint64> goods) {
    if (goods.isEmpty())
        return {};
    // Bills entered in date order, the usual case, have nothing after them: every movement
    // belongs to a bill of its own date, so no bill after this one means no later movement.
    if (!db.scalar(QStringLiteral("SELECT 1 FROM djIndex WHERE date > ? LIMIT 1"), {date})
             .isValid() &&
        !db.scalar(QStringLiteral("SELECT 1 FROM djIndex WHERE date = ? AND id > ? LIMIT 1"),
                   {date, id})
             .isValid())
        return {};
    std::map<std::pair<QString, qint64>, LaterBill> found;
    QList<qint64> queue(goods.begin(), goods.end());
    auto add = [&](qint64 bill, const QString& billDate, const QSet<qint64>& billGoods) {
        if (found.count({billDate, bill}))
            return;
        LaterBill& later = found[{billDate, bill}];
        later.id = bill;
        later.date = billDate;
        for (qint64 g : billGoods) {
            if (!goods.contains(g)) {
                goods.insert(g);
                queue << g;
            }
        }
    };
    QList<std::pair<qint64, QSet<qint64>>> sameDay;
    {
        Statement st = db.prepare(
            QStringLiteral("SELECT id FROM djIndex WHERE dj_state = 2 AND date = ? AND id > ? "
                           "AND djType NOT IN (4, 8, 23, 24, 25, 64, 65)"));
        st.bindAll({date, id});
        QList<qint64> ids;
        while (st.step())
            ids << st.value(0).toLongLong();
        for (qint64 bill : ids)
            sameDay.append({bill, goodsOfBill(db, bill)});
    }
    Statement warehouses =
        db.prepare(QStringLiteral("SELECT DISTINCT stockid FROM baseGoodsStock WHERE goodsid = ?"));
    Statement moves = db.prepare(
        QStringLiteral("SELECT DISTINCT id, date FROM djStockDetail WHERE goodsid = ? AND "
                       "stockid = ? AND date > ?"));
    Statement others = db.prepare(QStringLiteral(
        "SELECT DISTINCT id, date FROM djStockOtherDetail WHERE goodsid = ? AND date > ?"));
    // A stocktake line that matched the books moved nothing, yet counts against the stock of
    // its date.
    Statement stocktakes = db.prepare(QStringLiteral(
        "SELECT DISTINCT a.id, a.date FROM djIndex AS a JOIN djList AS b ON b.id = a.id WHERE "
        "a.djType = 42 AND a.dj_state = 2 AND a.date > ? AND b.goodsid = ?"));
    while (!queue.isEmpty()) {
        while (!queue.isEmpty()) {
            const qint64 g = queue.takeLast();
            QList<std::pair<qint64, QString>> rows;
            QList<qint64> stocks;
            warehouses.reset();
            warehouses.bind(1, g);
            while (warehouses.step())
                stocks << warehouses.value(0).toLongLong();
            for (qint64 stock : stocks) {
                moves.reset();
                moves.bindAll({g, stock, date});
                while (moves.step())
                    rows.append({moves.value(0).toLongLong(), moves.value(1).toString()});
            }
            // Goods held by or for partners change without a warehouse (a completion consuming
            // what was issued to its processor, a lending sold, a consignment settled).
            others.reset();
            others.bindAll({g, date});
            while (others.step())
                rows.append({others.value(0).toLongLong(), others.value(1).toString()});
            stocktakes.reset();
            stocktakes.bindAll({date, g});
            while (stocktakes.step())
                rows.append({stocktakes.value(0).toLongLong(), stocktakes.value(1).toString()});
            for (const auto& [bill, billDate] : rows) {
                if (!found.count({billDate, bill}))
                    add(bill, billDate, goodsOfBill(db, bill));
            }
        }
        for (const auto& [bill, billGoods] : sameDay) {
            if (!found.count({date, bill}) && billGoods.intersects(goods))
                add(bill, date, billGoods);
        }
    }
    QList<LaterBill> out;
    Statement head =
        db.prepare(QStringLiteral("SELECT code, isredword, redBillid FROM djIndex WHERE id = ?"));
    for (auto& [key, later] : found) {
        head.reset();
        head.bind(1, later.id);
        if (head.step()) {
            later.code = head.value(0).toString();
            later.isredword = head.value(1).toInt();
            later.redOf = later.isredword == 1 ? head.value(2).toLongLong() : 0;
        }
        out << later;
    }
    return out;
}

// Takes the ledger rows of the bills back, summed per stock layer, partner and account, and
// deletes them. What stays is the stock and the balances as they were before the first of them.
void unwind(Database& db, const QList<LaterBill>& bills) {
    std::map<std::tuple<qint64, qint64, qint64>, std::pair<double, double>> layers;
    std::map<qint64, PartnerDelta> partners;
    std::map<qint64, std::pair<double, double>> accounts;
    for (const LaterBill& b : bills) {
        for (const StockRow& r : stockRows(db, b.id)) {
            auto& [qty, total] = layers[{r.goods, r.stock, r.pc}];
            qty += r.qty;
            total += r.total;
        }
        for (const PartnerRow& r : partnerRows(db, b.id)) {
            PartnerDelta& d = partners[r.wldw];
            d.ys += r.d.ys;
            d.yf += r.d.yf;
            d.yushou += r.d.yushou;
            d.yufu += r.d.yufu;
        }
        for (const AccountRow& r : accountRows(db, b.id)) {
            auto& [debit, credit] = accounts[r.km];
            debit += r.db;
            credit += r.lend;
        }
        db.execute(QStringLiteral("DELETE FROM djStockDetail WHERE id = ?"), {b.id});
        db.execute(QStringLiteral("DELETE FROM djWLDWDetail WHERE id = ?"), {b.id});
        db.execute(QStringLiteral("DELETE FROM djKmDetail WHERE id = ? AND type = 0"), {b.id});
    }
    // Goods held by partners go back latest first: a later bill may have taken what an earlier
    // one put there.
    for (qsizetype i = bills.size() - 1; i >= 0; --i)
        takeBackOther(db, bills[i].id, QStringLiteral("重新计算成本"));
    for (const auto& [layer, change] : layers) {
        const auto& [goods, stock, pc] = layer;
        applyLayerChange(db, goods, stock, pc, -roundQty(change.first), -roundMoney(change.second),
                         QStringLiteral("重新计算成本"));
    }
    for (const auto& [wldw, d] : partners) {
        applyPartner(
            db, wldw,
            {-roundMoney(d.ys), -roundMoney(d.yf), -roundMoney(d.yushou), -roundMoney(d.yufu)});
    }
    for (const auto& [km, change] : accounts)
        applyAccount(db, km, -roundMoney(change.first), -roundMoney(change.second));
}

void bookReversal(Database& db, qint64 originalId, qint64 redId, const Bill& red,
                  const QString& action);

// Books the bills again in date order after an earlier change (`action` "过账", "删除",
// "红冲"). A bill that can no longer be booked (a sale short of stock at its date) refuses the
// change by its number and date.
void rebook(Database& db, const QList<LaterBill>& bills, const QString& action) {
    for (const LaterBill& later : bills) {
        Refusal refusal;
        refusal.action = action;
        refusal.laterBill =
            QStringLiteral("%1后，后面的单据[%2]（%3）").arg(action, later.code, later.date);
        try {
            const Bill bill = loadBill(db, later.id);
            if (later.isredword == 1)
                bookReversal(db, later.redOf, later.id, bill, action);
            else
                postEffects(db, bill, loadLines(db, later.id), refusal);
        } catch (const DytError& e) {
            if (e.message().startsWith(refusal.laterBill))
                throw;
            throw DytError(refusal.laterBill + e.message());
        }
    }
}

// The red bill's ledger rows: the original's negated, applied to the same layers and balances.
void bookReversal(Database& db, qint64 originalId, qint64 redId, const Bill& red,
                  const QString& action) {
    const QList<Line> originalLines = loadLines(db, originalId);
    const QList<Line> redLines = loadLines(db, redId);
    QHash<qint64, qint64> lineOf;  // original line -> red line, by position
    for (qsizetype i = 0; i < originalLines.size() && i < redLines.size(); ++i)
        lineOf.insert(originalLines[i].orderid, redLines[i].orderid);

    const QList<StockRow> stock = stockRows(db, originalId);
    for (qsizetype i = stock.size() - 1; i >= 0; --i) {
        const StockRow& r = stock[i];
        applyLayerChange(db, r.goods, r.stock, r.pc, -r.qty, -r.total, action);
    }
    for (const StockRow& r : stock) {
        db.execute(QStringLiteral("INSERT INTO djStockDetail(id, listid, djType, date, dj_state, "
                                  "goodsid, stockid, goodspc, qty, total, costprice) VALUES "
                                  "(?, ?, ?, ?, 2, ?, ?, ?, ?, ?, ?)"),
                   {redId, lineOf.value(r.listid), red.djType, red.date, r.goods, r.stock, r.pc,
                    -r.qty, -r.total, r.price});
    }
    for (const PartnerRow& r : partnerRows(db, originalId)) {
        const PartnerDelta d = negated(r.d);
        applyPartner(db, r.wldw, d);
        db.execute(QStringLiteral("INSERT INTO djWLDWDetail(id, djType, date, dj_state, wldw_id, "
                                  "ysTotal, yfTotal, yushouTotal, yufuTotal) VALUES "
                                  "(?, ?, ?, 2, ?, ?, ?, ?, ?)"),
                   {redId, red.djType, red.date, r.wldw, d.ys, d.yf, d.yushou, d.yufu});
    }
    // Red ink: the same sides with negative amounts.
    for (const AccountRow& r : accountRows(db, originalId)) {
        applyAccount(db, r.km, -r.db, -r.lend);
        db.execute(
            QStringLiteral("INSERT INTO djKmDetail(id, djType, date, km_id, type, dbTotal, "
                           "LendTotal, dj_state, wldw_id) VALUES (?, ?, ?, ?, 0, ?, ?, 2, ?)"),
            {redId, red.djType, red.date, r.km, -r.db, -r.lend, r.wldw});
    }
    reverseCards(db, originalId, redId, red, action);
    reverseOther(db, originalId, redId, red, action);
    if (red.djType == kDeferredIn || red.djType == kVoucher)
        checkDeferredBalances(db, action);
}

}  // namespace

void postBill(Database& db, qint64 billId, qint64 userId) {
    requireTransaction(db);
    const Bill bill = loadBill(db, billId);
    if (bill.state != 2)
        throw DytError(QStringLiteral("单据[%1]还没有保存为过账状态，不能过账！").arg(bill.code));
    if (bill.isredword == 1)
        throw DytError(QStringLiteral("红字单据只能由红冲生成，不能过账！"));
    if (!kindPosts(bill.djType))
        throw DytError(QStringLiteral("单据类型[%1]暂不支持过账！").arg(bill.djType));
    if (hasLedgerRows(db, billId))
        throw DytError(QStringLiteral("单据[%1]已经过账，不能重复过账！").arg(bill.code));
    checkPostingDate(db, bill.date, QStringLiteral("过账"));
    // A bill saved posted a moment ago usually carries this stamp already; its row is then
    // left unwritten.
    const QString stamp = now();
    db.execute(QStringLiteral("UPDATE djIndex SET postid = ?1, postDateTime = ?2 WHERE id = ?3 "
                              "AND (postid IS NOT ?1 OR postDateTime IS NOT ?2)"),
               {userId, stamp, billId});
    const QList<Line> lines = loadLines(db, billId);
    applyOrderFulfilment(db, bill, lines, 1);
    const QList<LaterBill> later =
        laterBills(db, bill.date, billId, goodsOfLines(bill.djType, lines));
    unwind(db, later);
    postEffects(db, bill, lines);
    rebook(db, later, QStringLiteral("过账"));
    applySpotPayment(db, bill, 1);
}

void unpostBill(Database& db, qint64 billId, qint64 /*userId*/) {
    requireTransaction(db);
    const Bill bill = loadBill(db, billId);
    if (bill.state != 2)
        throw DytError(QStringLiteral("单据[%1]没有过账").arg(bill.code));
    if (bill.isred == 1 || bill.isredword == 1)
        throw DytError(QStringLiteral("已红冲的单据和红字单据不能取消过账！"));
    const QList<LaterBill> later = laterBills(db, bill.date, billId, goodsOfBill(db, billId));
    unwind(db, later);
    const QList<StockRow> stock = stockRows(db, billId);
    for (qsizetype i = stock.size() - 1; i >= 0; --i) {
        const StockRow& r = stock[i];
        applyLayerChange(db, r.goods, r.stock, r.pc, -r.qty, -r.total, QStringLiteral("删除"));
    }
    for (const PartnerRow& r : partnerRows(db, billId))
        applyPartner(db, r.wldw, negated(r.d));
    for (const AccountRow& r : accountRows(db, billId))
        applyAccount(db, r.km, -r.db, -r.lend);
    db.execute(QStringLiteral("DELETE FROM djStockDetail WHERE id = ?"), {billId});
    db.execute(QStringLiteral("DELETE FROM djWLDWDetail WHERE id = ?"), {billId});
    db.execute(QStringLiteral("DELETE FROM djKmDetail WHERE id = ? AND type = 0"), {billId});
    takeBackCards(db, billId, QStringLiteral("删除"));
    takeBackOther(db, billId, QStringLiteral("删除"));
    if (isInvoice(bill.djType))
        takeBackInvoice(db, billId, true);
    if (bill.djType == kDeferredIn || bill.djType == kVoucher)
        checkDeferredBalances(db, QStringLiteral("删除"));
    applyOrderFulfilment(db, bill, loadLines(db, billId), -1);
    applySettlement(db, bill, -1);
    applySpotPayment(db, bill, -1);
    db.execute(QStringLiteral("UPDATE djIndex SET postid = 0, postDateTime = '' WHERE id = ?"),
               {billId});
    rebook(db, later, QStringLiteral("删除"));
}

void reverseBill(Database& db, qint64 originalId, qint64 redId, qint64 userId) {
    requireTransaction(db);
    const Bill original = loadBill(db, originalId);
    const Bill red = loadBill(db, redId);
    const QList<LaterBill> later = laterBills(db, red.date, redId, goodsOfBill(db, originalId));
    unwind(db, later);
    bookReversal(db, originalId, redId, red, QStringLiteral("红冲"));
    if (isInvoice(original.djType))
        takeBackInvoice(db, originalId, false);
    applyOrderFulfilment(db, original, loadLines(db, originalId), -1);
    applySettlement(db, original, -1);
    db.execute(QStringLiteral("UPDATE djIndex SET isred = 1, redBillid = ? WHERE id = ?"),
               {redId, originalId});
    db.execute(QStringLiteral("UPDATE djIndex SET isredword = 1, redBillid = ?, postid = ?, "
                              "postDateTime = ? WHERE id = ?"),
               {originalId, userId, now(), redId});
    rebook(db, later, QStringLiteral("红冲"));
}

}  // namespace dyt::server::posting
