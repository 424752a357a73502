// Fixed assets (purchase, depreciation, sale), deferred expenses (incurred, amortised) and the
// accounting voucher.
//
// A fixed-asset bill names its asset card in each line's goodsid. The card (GDZCDetail) carries
// the original value yz, the accumulated depreciation ljzj and whether it was sold (isSold); every
// change a bill makes to a card is kept in djGDZCDetail, one row per line, so that deletion and
// red reversal take back exactly that change. After every change the card's history is checked
// in date order: depreciation never above the original value, nothing after the sale.
#include <QHash>
#include <QSet>

#include <cmath>
#include <map>

#include "common/error.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"

namespace dyt::server::ledger {
namespace {

constexpr double kCent = 0.00005;

struct Card {
    qint64 id = 0;
    QString code;
    QString name;
    qint64 km = 0;
    double yz = 0;
    double ljzj = 0;
    bool sold = false;
};

Card loadCard(Database& db, qint64 id, int line) {
    Statement st = db.prepare(QStringLiteral(
        "SELECT code, Name, km_id, yz, ljzj, isSold FROM GDZCDetail WHERE id = ? AND IsBaseInfo "
        "= 0"));
    st.bind(1, id);
    if (!st.step()) {
        throw DytError(
            QStringLiteral("第 %1 行的固定资产不存在（固定资产ID：%2），不能过账！").arg(line).arg(id));
    }
    Card c;
    c.id = id;
    c.code = st.value(0).toString();
    c.name = st.value(1).toString();
    c.km = st.value(2).toLongLong();
    c.yz = roundMoney(st.value(3).toDouble());
    c.ljzj = roundMoney(st.value(4).toDouble());
    c.sold = st.value(5).toInt() > 0;
    return c;
}

QString cardName(Database& db, qint64 id) {
    Statement st = db.prepare(QStringLiteral("SELECT code, Name FROM GDZCDetail WHERE id = ?"));
    st.bind(1, id);
    if (!st.step())
        return QString::number(id);
    return QStringLiteral("%1 %2").arg(st.value(0).toString(), st.value(1).toString());
}

double amountOf(const Line& l) {
    return roundMoney(l.total != 0 ? l.total : l.taxTotalSum);
}

double paidOf(const QList<MoneyLine>& lines) {
    double sum = 0;
    for (const MoneyLine& m : lines) {
        if (m.type == 1)
            sum += m.db + m.lend;
    }
    return roundMoney(sum);
}

// Money paid or received on the spot books against the type 1 accounts; what it does not cover
// stays with the partner, who must then be named.
void settleRest(const Bill& b, MoneyBook& money, const QList<MoneyLine>& cash, double amount,
                bool payable) {
    const double paid = paidOf(cash);
    const double rest = roundMoney(amount - paid);
    if (std::fabs(rest) >= kCent && b.wldw <= 0) {
        throw DytError(QStringLiteral("单据金额[%1]与收付款金额[%2]不一致，必须选择往来单位！")
                           .arg(amount)
                           .arg(paid));
    }
    // Money paid leaves its accounts (credit); money received comes in (debit).
    const double s = payable ? -1.0 : 1.0;
    for (const MoneyLine& m : cash) {
        if (m.type == 1)
            money.entry(m.km, s * (m.db + m.lend));
    }
    if (payable) {
        money.partner(b.wldw, {0, rest, 0, 0});
        money.entry(QStringLiteral("应付账款"), -rest, b.wldw);
    } else {
        money.partner(b.wldw, {rest, 0, 0, 0});
        money.entry(QStringLiteral("应收账款"), rest, b.wldw);
    }
}

struct CardChange {
    qint64 listid = 0;
    qint64 card = 0;
    double yz = 0;
    double ljzj = 0;
    int sold = 0;
};

void applyCard(Database& db, const CardChange& c) {
    db.execute(QStringLiteral("UPDATE GDZCDetail SET yz = ROUND(yz + ?, 4), ljzj = ROUND(ljzj + "
                              "?, 4), isSold = isSold + ? WHERE id = ?"),
               {c.yz, c.ljzj, c.sold, c.card});
}

void insertCardRow(Database& db, qint64 bill, int kind, const QString& date, const CardChange& c) {
    db.execute(QStringLiteral("INSERT INTO djGDZCDetail(id, listid, djType, date, gdzc_id, yz, "
                              "ljzj, sold) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
               {bill, c.listid, kind, date, c.card, c.yz, c.ljzj, c.sold});
}

QList<CardChange> cardRows(Database& db, qint64 billId) {
    Statement st = db.prepare(QStringLiteral(
        "SELECT listid, gdzc_id, yz, ljzj, sold FROM djGDZCDetail WHERE id = ? ORDER BY orderid"));
    st.bind(1, billId);
    QList<CardChange> out;
    while (st.step()) {
        out << CardChange{st.value(0).toLongLong(), st.value(1).toLongLong(),
                          st.value(2).toDouble(), st.value(3).toDouble(), st.value(4).toInt()};
    }
    return out;
}

// The card's history in date order (within a day by bill): what it held before its first
// change, then each change. Refuses a depreciation above the original value and any change
// after the sale other than taking the sale back.
void checkCardHistory(Database& db, qint64 card, const QString& action) {
    Statement head = db.prepare(
        QStringLiteral("SELECT yz - COALESCE((SELECT SUM(yz) FROM djGDZCDetail WHERE gdzc_id = "
                       "?1), 0), ljzj - COALESCE((SELECT SUM(ljzj) FROM djGDZCDetail WHERE "
                       "gdzc_id = ?1), 0) FROM GDZCDetail WHERE id = ?1"));
    head.bind(1, card);
    if (!head.step())
        return;
    double yz = roundMoney(head.value(0).toDouble());
    double ljzj = roundMoney(head.value(1).toDouble());
    int sold = 0;
    Statement st = db.prepare(
        QStringLiteral("SELECT yz, ljzj, sold FROM djGDZCDetail WHERE gdzc_id = ? ORDER BY date, "
                       "id, orderid"));
    st.bind(1, card);
    while (st.step()) {
        const double dyz = st.value(0).toDouble();
        const double dljzj = st.value(1).toDouble();
        const int dsold = st.value(2).toInt();
        if (sold > 0 && dsold >= 0) {
            throw DytError(
                QStringLiteral("固定资产[%1]已经变卖，不能%2！").arg(cardName(db, card), action));
        }
        yz = roundMoney(yz + dyz);
        ljzj = roundMoney(ljzj + dljzj);
        sold += dsold;
        if (yz < -kCent || ljzj < -kCent) {
            throw DytError(QStringLiteral("固定资产[%1]的原值或累计折旧将为负数，不能%2！")
                               .arg(cardName(db, card), action));
        }
        if (ljzj > yz + kCent) {
            throw DytError(
                QStringLiteral("固定资产[%1]的累计折旧[%2]将超过原值[%3]，不能%4！")
                    .arg(cardName(db, card))
                    .arg(ljzj)
                    .arg(yz)
                    .arg(action));
        }
    }
}

// A purchase or depreciation of a card already sold cannot be taken back: the sale booked the
// card out at the values they gave it.
void refuseSoldCards(Database& db, const QList<CardChange>& rows, const QString& action) {
    for (const CardChange& c : rows) {
        if (c.sold != 0)
            continue;
        if (db.scalar(QStringLiteral("SELECT isSold FROM GDZCDetail WHERE id = ?"), {c.card})
                .toInt() > 0) {
            throw DytError(
                QStringLiteral("固定资产[%1]已经变卖，不能%2！").arg(cardName(db, c.card), action));
        }
    }
}

QSet<qint64> cardsOf(const QList<CardChange>& rows) {
    QSet<qint64> out;
    for (const CardChange& c : rows)
        out.insert(c.card);
    return out;
}

qint64 deferredRole(Database& db) {
    return roleAccount(db, QStringLiteral("待摊费用"));
}

// The deferred expense accounts: the role account and the accounts under it.
QSet<qint64> deferredAccounts(Database& db) {
    const qint64 role = deferredRole(db);
    QSet<qint64> out{role};
    Statement st = db.prepare(QStringLiteral(
        "SELECT id FROM baseKM WHERE ',' || par_jl LIKE '%,' || ? || ',%'"));
    st.bind(1, role);
    while (st.step())
        out.insert(st.value(0).toLongLong());
    return out;
}

QString accountName(Database& db, qint64 km) {
    return db.scalar(QStringLiteral("SELECT fullname FROM baseKM WHERE id = ?"), {km}).toString();
}

}  // namespace

void postAssetKinds(Database& db, const Bill& b, const QList<Line>& lines, MoneyBook& money) {
    const QList<MoneyLine> cash = loadMoneyLines(db, b.id);
    QList<CardChange> changes;
    QHash<qint64, Card> seen;  // the card as the lines before have left it
    double total = 0;
    for (const Line& l : lines) {
        const double amount = amountOf(l);
        if (l.goodsid <= 0) {
            if (amount != 0)
                throw DytError(
                    QStringLiteral("第 %1 行没有选择固定资产，不能过账！").arg(l.number));
            continue;
        }
        Card card = seen.contains(l.goodsid) ? seen.value(l.goodsid)
                                             : loadCard(db, l.goodsid, l.number);
        const QString named = QStringLiteral("第 %1 行固定资产[%2 %3]")
                                  .arg(l.number)
                                  .arg(card.code, card.name);
        if (card.sold)
            throw DytError(named + QStringLiteral("已经变卖，不能过账！"));
        CardChange change;
        change.listid = l.orderid;
        change.card = card.id;
        const qint64 assetKm = card.km > 0 ? card.km : roleAccount(db, QStringLiteral("固定资产"));
        switch (b.djType) {
            case kAssetBuy:
                if (amount <= 0)
                    throw DytError(named + QStringLiteral("的购置金额必须大于零，不能过账！"));
                money.entry(assetKm, amount);
                change.yz = amount;
                card.yz = roundMoney(card.yz + amount);
                break;
            case kAssetDepreciation:
                if (amount <= 0)
                    throw DytError(named + QStringLiteral("的折旧金额必须大于零，不能过账！"));
                if (card.ljzj + amount > card.yz + kCent) {
                    throw DytError(named + QStringLiteral("原值%1，已提折旧%2，本次折旧%3后净值将小于零，不能过账！")
                                               .arg(card.yz)
                                               .arg(card.ljzj)
                                               .arg(amount));
                }
                if (l.km_id > 0)
                    money.entry(l.km_id, amount);
                else
                    money.entry(QStringLiteral("折旧费用"), amount);
                money.entry(QStringLiteral("累计折旧"), -amount);
                change.ljzj = amount;
                card.ljzj = roundMoney(card.ljzj + amount);
                break;
            case kAssetSale: {
                if (amount < 0)
                    throw DytError(named + QStringLiteral("的变卖金额不能为负数，不能过账！"));
                money.entry(assetKm, -card.yz);
                money.entry(QStringLiteral("累计折旧"), card.ljzj);
                const double gain = roundMoney(amount - (card.yz - card.ljzj));
                if (gain > 0)
                    money.entry(QStringLiteral("其它收入"), -gain);
                else
                    money.entry(QStringLiteral("其它费用"), -gain);
                change.sold = 1;
                card.sold = true;
                break;
            }
            default:
                break;
        }
        total = roundMoney(total + amount);
        seen.insert(card.id, card);
        changes << change;
    }
    if (changes.isEmpty())
        throw DytError(QStringLiteral("单据没有选择固定资产，不能过账！"));
    if (b.djType == kAssetBuy)
        settleRest(b, money, cash, total, true);
    else if (b.djType == kAssetSale)
        settleRest(b, money, cash, total, false);
    for (const CardChange& c : changes) {
        insertCardRow(db, b.id, b.djType, b.date, c);
        applyCard(db, c);
    }
    for (qint64 card : cardsOf(changes))
        checkCardHistory(db, card, QStringLiteral("过账"));
}

void postDeferredKinds(Database& db, const Bill& b, const QList<Line>& lines, MoneyBook& money) {
    const QSet<qint64> deferred = deferredAccounts(db);
    double total = 0;
    bool any = false;
    for (const Line& l : lines) {
        const double amount = amountOf(l);
        if (l.km_id <= 0 && amount == 0)
            continue;
        any = true;
        if (amount <= 0) {
            throw DytError(
                QStringLiteral("第 %1 行的金额必须大于零，不能过账！").arg(l.number));
        }
        if (b.djType == kDeferredIn) {
            const qint64 km = l.km_id > 0 ? l.km_id : deferredRole(db);
            if (!deferred.contains(km)) {
                throw DytError(QStringLiteral("第 %1 行的科目[%2]不是待摊费用科目，不能过账！")
                                   .arg(l.number)
                                   .arg(accountName(db, km)));
            }
            money.entry(km, amount);
        } else {
            if (l.km_id > 0 && deferred.contains(l.km_id)) {
                throw DytError(QStringLiteral("第 %1 行应选择摊入的费用科目，不能过账！")
                                   .arg(l.number));
            }
            if (l.km_id > 0)
                money.entry(l.km_id, amount);
            else
                money.entry(QStringLiteral("摊销费用"), amount);
        }
        total = roundMoney(total + amount);
    }
    if (!any)
        throw DytError(QStringLiteral("单据没有录入金额，不能过账！"));
    if (b.djType == kDeferredIn) {
        settleRest(b, money, loadMoneyLines(db, b.id), total, true);
        return;
    }
    const qint64 role = deferredRole(db);
    const double balance =
        roundMoney(db.scalar(QStringLiteral("SELECT Total FROM baseKM WHERE id = ?"), {role})
                       .toDouble());
    if (total > balance + kCent) {
        throw DytError(QStringLiteral("待摊费用余额[%1]不足，不能摊销[%2]，不能过账！")
                           .arg(balance)
                           .arg(total));
    }
    money.entry(role, -total);
}

void postVoucher(Database& db, const Bill& b, const QList<Line>& lines, MoneyBook& money) {
    Q_UNUSED(b);
    QSet<qint64> derived;
    for (const char* role : {"库存商品", "应收账款", "应付账款", "预收账款", "预付账款"})
        derived.insert(roleAccount(db, QString::fromUtf8(role)));
    double debit = 0, credit = 0;
    bool any = false;
    for (const Line& l : lines) {
        const double amount = roundMoney(l.total);
        if (l.km_id <= 0) {
            if (amount != 0)
                throw DytError(QStringLiteral("第 %1 行没有选择科目，不能过账！").arg(l.number));
            continue;
        }
        if (amount == 0)
            continue;
        for (qint64 node : accountChain(
                 db, l.km_id, QStringLiteral("会计科目[%1]不存在，不能过账！").arg(l.km_id))) {
            if (derived.contains(node)) {
                throw DytError(
                    QStringLiteral("第 %1 行的科目[%2]由业务单据自动记账，会计凭证不能直接记入！")
                        .arg(l.number)
                        .arg(accountName(db, l.km_id)));
            }
        }
        any = true;
        (amount > 0 ? debit : credit) += std::fabs(amount);
        money.entry(l.km_id, amount);
    }
    if (!any)
        throw DytError(QStringLiteral("会计凭证没有分录，不能过账！"));
    debit = roundMoney(debit);
    credit = roundMoney(credit);
    if (std::fabs(debit - credit) >= kCent) {
        throw DytError(QStringLiteral("会计凭证借方合计[%1]与贷方合计[%2]不相等，不能过账！")
                           .arg(debit)
                           .arg(credit));
    }
}

void takeBackCards(Database& db, qint64 billId, const QString& action) {
    const QList<CardChange> rows = cardRows(db, billId);
    if (rows.isEmpty())
        return;
    refuseSoldCards(db, rows, action);
    for (const CardChange& c : rows)
        applyCard(db, {c.listid, c.card, -c.yz, -c.ljzj, -c.sold});
    db.execute(QStringLiteral("DELETE FROM djGDZCDetail WHERE id = ?"), {billId});
    for (qint64 card : cardsOf(rows))
        checkCardHistory(db, card, action);
}

void reverseCards(Database& db, qint64 originalId, qint64 redId, const Bill& red,
                  const QString& action) {
    const QList<CardChange> rows = cardRows(db, originalId);
    if (rows.isEmpty())
        return;
    refuseSoldCards(db, rows, action);
    const QList<Line> originalLines = loadLines(db, originalId);
    const QList<Line> redLines = loadLines(db, redId);
    QHash<qint64, qint64> lineOf;
    for (qsizetype i = 0; i < originalLines.size() && i < redLines.size(); ++i)
        lineOf.insert(originalLines[i].orderid, redLines[i].orderid);
    for (const CardChange& c : rows) {
        const CardChange back{lineOf.value(c.listid), c.card, -c.yz, -c.ljzj, -c.sold};
        applyCard(db, back);
        insertCardRow(db, redId, red.djType, red.date, back);
    }
    for (qint64 card : cardsOf(rows))
        checkCardHistory(db, card, action);
}

void checkDeferredBalances(Database& db, const QString& action) {
    for (qint64 km : deferredAccounts(db)) {
        Statement st = db.prepare(QStringLiteral(
            "SELECT k.Total00, k.sonnum, k.fullname FROM baseKM AS k WHERE k.id = ?"));
        st.bind(1, km);
        if (!st.step() || st.value(1).toLongLong() > 0)
            continue;
        double balance = roundMoney(st.value(0).toDouble());
        const QString name = st.value(2).toString();
        Statement days = db.prepare(QStringLiteral(
            "SELECT date, SUM(dbTotal - LendTotal) FROM djKmDetail WHERE km_id = ? AND type = 0 "
            "AND dj_state = 2 GROUP BY date ORDER BY date"));
        days.bind(1, km);
        while (days.step()) {
            balance = roundMoney(balance + days.value(1).toDouble());
            if (balance < -kCent) {
                throw DytError(QStringLiteral("待摊费用[%1]在%2的余额将小于零（%3），不能%4！")
                                   .arg(name, days.value(0).toString())
                                   .arg(balance)
                                   .arg(action));
            }
        }
    }
}

}  // namespace dyt::server::ledger
