// The posting ledgers: posting, taking a posting back, and the red reversal.
#include "server/ledger/posting.h"

#include <QDateTime>

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
                               "SELECT 1 FROM djKmDetail WHERE id = ? AND type = 0 LIMIT 1"),
                {billId, billId, billId})
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
    db.execute(QStringLiteral("UPDATE djIndex SET postid = ?, postDateTime = ? WHERE id = ?"),
               {userId, now(), billId});
    const QList<Line> lines = loadLines(db, billId);
    applyOrderFulfilment(db, bill, lines, 1);
    postEffects(db, bill, lines);
    applySpotPayment(db, bill, 1);
}

void unpostBill(Database& db, qint64 billId, qint64 /*userId*/) {
    requireTransaction(db);
    const Bill bill = loadBill(db, billId);
    if (bill.state != 2)
        throw DytError(QStringLiteral("单据[%1]没有过账").arg(bill.code));
    if (bill.isred == 1 || bill.isredword == 1)
        throw DytError(QStringLiteral("已红冲的单据和红字单据不能取消过账！"));
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
    applyOrderFulfilment(db, bill, loadLines(db, billId), -1);
    applySettlement(db, bill, -1);
    applySpotPayment(db, bill, -1);
    db.execute(QStringLiteral("UPDATE djIndex SET postid = 0, postDateTime = '' WHERE id = ?"),
               {billId});
}

void reverseBill(Database& db, qint64 originalId, qint64 redId, qint64 userId) {
    requireTransaction(db);
    const Bill original = loadBill(db, originalId);
    const Bill red = loadBill(db, redId);
    const QList<Line> originalLines = loadLines(db, originalId);
    const QList<Line> redLines = loadLines(db, redId);
    QHash<qint64, qint64> lineOf;  // original line -> red line, by position
    for (qsizetype i = 0; i < originalLines.size() && i < redLines.size(); ++i)
        lineOf.insert(originalLines[i].orderid, redLines[i].orderid);

    const QList<StockRow> stock = stockRows(db, originalId);
    for (qsizetype i = stock.size() - 1; i >= 0; --i) {
        const StockRow& r = stock[i];
        applyLayerChange(db, r.goods, r.stock, r.pc, -r.qty, -r.total, QStringLiteral("红冲"));
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
    applyOrderFulfilment(db, original, originalLines, -1);
    applySettlement(db, original, -1);
    db.execute(QStringLiteral("UPDATE djIndex SET isred = 1, redBillid = ? WHERE id = ?"),
               {redId, originalId});
    db.execute(QStringLiteral("UPDATE djIndex SET isredword = 1, redBillid = ?, postid = ?, "
                              "postDateTime = ? WHERE id = ?"),
               {originalId, userId, now(), redId});
}

}  // namespace dyt::server::posting
