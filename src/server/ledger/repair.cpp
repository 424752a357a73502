// The account-set repair: balances back to the opening data, then every posted bill again.
#include "server/ledger/repair.h"

#include "common/error.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"
#include "server/ledger/posting.h"

namespace dyt::server::posting {
namespace {

using namespace dyt::server::ledger;

// The bills the repair posts again, as a subquery over djIndex with the opening date bound.
const char* const kRepostedBills = "SELECT id FROM djIndex WHERE dj_state = 2 AND date >= ?";

struct PostedBill {
    qint64 id = 0;
    qint64 redOf = 0;  // a red reversal: the bill it reverses
    QVariant postId, postTime;
};

QList<PostedBill> postedBills(Database& db, const QString& opening) {
    Statement st = db.prepare(
        QStringLiteral("SELECT id, isredword, redBillid, postid, postDateTime, djType FROM djIndex "
                       "WHERE dj_state = 2 AND date >= ? ORDER BY date, id"));
    st.bind(1, opening);
    QList<PostedBill> out;
    while (st.step()) {
        if (!kindPosts(st.value(5).toInt()))
            continue;
        PostedBill b;
        b.id = st.value(0).toLongLong();
        b.redOf = st.value(1).toInt() == 1 ? st.value(2).toLongLong() : 0;
        b.postId = st.value(3);
        b.postTime = st.value(4);
        out << b;
    }
    return out;
}

// Stock: every layer empty, then the opening rows into the layers they opened.
void resetStock(Database& db, const QString& opening) {
    db.execute(QStringLiteral("UPDATE baseGoodsStock SET qty = 0, total = 0, price = 0"));
    Statement st = db.prepare(
        QStringLiteral("SELECT goodsid, stockid, goodspc, ph, outdate, yxqdate, qty, price, total "
                       "FROM iniGoodsStock ORDER BY id"));
    while (st.step()) {
        const QVariant goods = st.value(0), stock = st.value(1), pc = st.value(2);
        const QVariant qty = st.value(6), price = st.value(7), total = st.value(8);
        const int changed = db.execute(
            QStringLiteral("UPDATE baseGoodsStock SET qty = ?, price = ?, total = ? WHERE id = "
                           "(SELECT MIN(id) FROM baseGoodsStock WHERE goodsid = ? AND "
                           "stockid = ? AND goodspc = ?)"),
            {qty, price, total, goods, stock, pc});
        if (changed == 0) {
            db.execute(QStringLiteral("INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, ph, "
                                      "outdate, yxqdate, indate, qty, price, total) VALUES "
                                      "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                       {goods, stock, pc, st.value(3), st.value(4), st.value(5), opening, qty,
                        price, total});
        }
    }
}

}  // namespace

void resetPartnersAndAccounts(Database& db) {
    db.execute(
        QStringLiteral("UPDATE baseWLDW SET ystotal = ystotal00, yftotal = yftotal00, "
                       "yushoutotal = yushouTotal00, yufutotal = yufuTotal00"));
    db.execute(QStringLiteral("UPDATE baseKM SET dbTotal = 0, LendTotal = 0, Total = Total00"));
}

namespace {

void resetBalancesAndFollowUps(Database& db, const QString& opening) {
    resetStock(db, opening);
    resetPartnersAndAccounts(db);

    const QString bills = QString::fromLatin1(kRepostedBills);
    // What was received or paid against a bill comes back with the receipts and payments; a red
    // reversal keeps the negated amounts it was copied with.
    db.execute(
        QStringLiteral("UPDATE djIndex SET sfkTotalLj = 0 WHERE isredword = 0 AND id IN (%1)")
            .arg(bills),
        {opening});
    // A settled row the operator cleared in a re-settlement keeps counting as cleared: it holds no
    // amount in effect, which the posting reads as cleared when the row carries its amount negated.
    // Only receipts and payments settle: a goods line taken from another bill (an acceptance's
    // line, of no cost) is no settled row.
    db.execute(QStringLiteral("UPDATE djList SET costtotal = -total WHERE km_id = 0 AND s_id > 0 "
                              "AND djType IN (21, 22) AND dj_state = 2 AND costtotal = 0 AND "
                              "total <> 0 AND id IN (%1)")
                   .arg(bills),
               {opening});
    // Orders, borrowings and lendings: nothing delivered, returned or converted yet; an order
    // stopped or finished by hand stays so.
    db.execute(QStringLiteral("UPDATE djList SET toQty = 0, isOver = CASE WHEN (SELECT isOver FROM "
                              "djIndex AS i WHERE i.id = djList.id) >= 2 THEN isOver ELSE 0 END "
                              "WHERE djType IN (%1, %2, %4, %5, %6, %7) AND id IN (%3)")
                   .arg(kSaleOrder)
                   .arg(kPurchaseOrder)
                   .arg(bills)
                   .arg(kBorrowIn)
                   .arg(kLendOut)
                   .arg(kConsignOut)
                   .arg(kHeldIn),
               {opening});
    db.execute(QStringLiteral("UPDATE djIndex SET isOver = 0 WHERE djType IN (%1, %2, %4, %5, %6, %7) "
                              "AND isOver < 2 AND id IN (%3)")
                   .arg(kSaleOrder)
                   .arg(kPurchaseOrder)
                   .arg(bills)
                   .arg(kBorrowIn)
                   .arg(kLendOut)
                   .arg(kConsignOut)
                   .arg(kHeldIn),
               {opening});
    // Asset cards: back to what they held before the bills changed them.
    for (const char* column : {"yz", "ljzj"}) {
        db.execute(QStringLiteral("UPDATE GDZCDetail SET %1 = ROUND(%1 - COALESCE((SELECT "
                                  "SUM(m.%1) FROM djGDZCDetail AS m WHERE m.gdzc_id = "
                                  "GDZCDetail.id AND m.id IN (%2)), 0), 4)")
                       .arg(QString::fromLatin1(column), bills),
                   {opening});
    }
    db.execute(QStringLiteral("UPDATE GDZCDetail SET isSold = isSold - COALESCE((SELECT "
                              "SUM(m.sold) FROM djGDZCDetail AS m WHERE m.gdzc_id = "
                              "GDZCDetail.id AND m.id IN (%1)), 0)")
                   .arg(bills),
               {opening});
    resetOtherStock(db, bills, opening);
    resetDistributionLinks(db, bills, opening);
    for (const char* table : {"djStockDetail", "djWLDWDetail", "djGDZCDetail"}) {
        db.execute(QStringLiteral("DELETE FROM %1 WHERE id IN (%2)")
                       .arg(QString::fromLatin1(table), bills),
                   {opening});
    }
    db.execute(QStringLiteral("DELETE FROM djKmDetail WHERE type = 0 AND id IN (%1)").arg(bills),
               {opening});
}

// A red reversal's lines carry its original's costs negated, as the copy made them.
void copyCostsToRed(Database& db, qint64 originalId, qint64 redId) {
    const QList<Line> original = loadLines(db, originalId);
    const QList<Line> red = loadLines(db, redId);
    for (qsizetype i = 0; i < original.size() && i < red.size(); ++i) {
        db.execute(
            QStringLiteral("UPDATE djList SET costprice = ?, costtotal = ? WHERE orderid = ?"),
            {original[i].costprice, original[i].costtotal == 0 ? 0.0 : -original[i].costtotal,
             red[i].orderid});
    }
}

}  // namespace

int repairLedgers(Database& db) {
    if (!db.inTransaction())
        throw DytError(QStringLiteral("账套修复必须在事务中进行"));
    const QString opening = openingDate(db);
    const QList<PostedBill> bills = postedBills(db, opening);
    resetBalancesAndFollowUps(db, opening);
    for (const PostedBill& b : bills) {
        try {
            if (b.redOf > 0) {
                reverseBill(db, b.redOf, b.id, b.postId.toLongLong());
                copyCostsToRed(db, b.redOf, b.id);
            } else {
                const Bill bill = loadBill(db, b.id);
                const QList<Line> lines = loadLines(db, b.id);
                applyOrderFulfilment(db, bill, lines, 1);
                postEffects(db, bill, lines);
                applySpotPayment(db, bill, 1);
            }
        } catch (const DytError& e) {
            const Bill bill = loadBill(db, b.id);
            throw DytError(QStringLiteral("单据[%1]（%2）重新过账失败：%3")
                               .arg(bill.code, bill.date, e.message()));
        }
        if (b.redOf > 0) {
            db.execute(
                QStringLiteral("UPDATE djIndex SET postid = ?, postDateTime = ? WHERE id = ?"),
                {b.postId, b.postTime, b.id});
        }
    }
    return static_cast<int>(bills.size());
}

}  // namespace dyt::server::posting
