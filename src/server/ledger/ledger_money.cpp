// Partner balances (baseWLDW with the movements djWLDWDetail) and account balances (baseKM with
// the derived account lines djKmDetail of type 0).
#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"

namespace dyt::server::ledger {

void MoneyBook::partner(qint64 wldw, const PartnerDelta& d) {
    if (wldw <= 0)
        return;
    PartnerDelta& p = partners_[wldw];
    p.ys += d.ys;
    p.yf += d.yf;
    p.yushou += d.yushou;
    p.yufu += d.yufu;
}

void MoneyBook::entry(qint64 km, double debit, qint64 wldw) {
    if (std::fabs(debit) < 0.00005)
        return;
    if (km <= 0)
        throw DytError(QStringLiteral("收付款金额没有指定账户，不能过账！"));
    entries_[{km, wldw}] += debit;
}

void MoneyBook::entry(const QString& role, double debit, qint64 wldw) {
    if (std::fabs(debit) < 0.00005)
        return;
    auto it = roles_.constFind(role);
    if (it == roles_.constEnd())
        it = roles_.insert(role, roleAccount(db_, role));
    entry(it.value(), debit, wldw);
}

double MoneyBook::imbalance() const {
    double sum = 0;
    for (const auto& [key, amount] : entries_)
        sum += roundMoney(amount);
    return roundMoney(sum);
}

void MoneyBook::write(const Bill& bill) {
    for (const auto& [wldw, d] : partners_) {
        PartnerDelta r{roundMoney(d.ys), roundMoney(d.yf), roundMoney(d.yushou),
                       roundMoney(d.yufu)};
        if (r.ys == 0 && r.yf == 0 && r.yushou == 0 && r.yufu == 0)
            continue;
        db_.execute(QStringLiteral("INSERT INTO djWLDWDetail(id, djType, date, dj_state, wldw_id, "
                                   "ysTotal, yfTotal, yushouTotal, yufuTotal) VALUES "
                                   "(?, ?, ?, 2, ?, ?, ?, ?, ?)"),
                    {bill.id, bill.djType, bill.date, wldw, r.ys, r.yf, r.yushou, r.yufu});
        applyPartner(db_, wldw, r);
    }
    for (const auto& [key, amount] : entries_) {
        const double a = roundMoney(amount);
        if (a == 0)
            continue;
        Statement st =
            db_.prepare(QStringLiteral("SELECT sonnum, fullname FROM baseKM WHERE id = ?"));
        st.bind(1, key.first);
        if (!st.step())
            throw DytError(QStringLiteral("会计科目[%1]不存在，不能过账！").arg(key.first));
        if (st.value(0).toLongLong() > 0) {
            throw DytError(QStringLiteral("会计科目[%1]是分类，不能直接记账，请选择它下面的科目！")
                               .arg(st.value(1).toString()));
        }
        const double debit = a > 0 ? a : 0.0;
        const double credit = a < 0 ? -a : 0.0;
        db_.execute(
            QStringLiteral("INSERT INTO djKmDetail(id, djType, date, km_id, type, dbTotal, "
                           "LendTotal, dj_state, wldw_id) VALUES (?, ?, ?, ?, 0, ?, ?, 2, ?)"),
            {bill.id, bill.djType, bill.date, key.first, debit, credit, key.second});
        applyAccount(db_, key.first, debit, credit);
    }
}

void applyPartner(Database& db, qint64 wldw, const PartnerDelta& d) {
    Statement st = db.prepare(QStringLiteral(
        "SELECT ystotal, yftotal, yushoutotal, yufutotal FROM baseWLDW WHERE id = ?"));
    st.bind(1, wldw);
    if (!st.step())
        throw DytError(QStringLiteral("往来单位[%1]不存在，不能过账！").arg(wldw));
    const double ys = roundMoney(st.value(0).toDouble() + d.ys);
    const double yf = roundMoney(st.value(1).toDouble() + d.yf);
    const double yushou = roundMoney(st.value(2).toDouble() + d.yushou);
    const double yufu = roundMoney(st.value(3).toDouble() + d.yufu);
    db.execute(QStringLiteral("UPDATE baseWLDW SET ystotal = ?, yftotal = ?, yushoutotal = ?, "
                              "yufutotal = ? WHERE id = ?"),
               {ys, yf, yushou, yufu, wldw});
}

QList<qint64> accountChain(Database& db, qint64 km, const QString& missing) {
    const QVariant path = db.scalar(QStringLiteral("SELECT par_jl FROM baseKM WHERE id = ?"), {km});
    if (!path.isValid())
        throw DytError(missing);
    QList<qint64> chain;
    for (const QString& s : path.toString().split(QLatin1Char(','), Qt::SkipEmptyParts))
        chain << s.toLongLong();
    if (!chain.contains(km))
        chain << km;
    return chain;
}

void applyAccount(Database& db, qint64 km, double debit, double credit) {
    // The account and every category above it carry the change.
    const QList<qint64> chain =
        accountChain(db, km, QStringLiteral("会计科目[%1]不存在，不能过账！").arg(km));
    for (qint64 node : chain) {
        Statement st = db.prepare(
            QStringLiteral("SELECT dbTotal, LendTotal, Total, dc FROM baseKM WHERE id = ?"));
        st.bind(1, node);
        if (!st.step())
            continue;
        const double dc = st.value(3).toDouble() < 0 ? -1.0 : 1.0;
        const double db2 = roundMoney(st.value(0).toDouble() + debit);
        const double lend = roundMoney(st.value(1).toDouble() + credit);
        const double total = roundMoney(st.value(2).toDouble() + dc * (debit - credit));
        db.execute(
            QStringLiteral("UPDATE baseKM SET dbTotal = ?, LendTotal = ?, Total = ? WHERE id = ?"),
            {db2, lend, total, node});
    }
}

}  // namespace dyt::server::ledger
