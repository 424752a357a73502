// Reading bills, settings and interface accounts for the ledgers.
#include <QDate>

#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"

namespace dyt::server::ledger {

double roundMoney(double v) {
    return std::round(v * 10000.0) / 10000.0;
}

double roundQty(double v) {
    return std::round(v * 1e8) / 1e8;
}

bool isZero(double v) {
    return std::fabs(v) < 0.5e-8;
}

namespace {

double num(const QVariant& v) {
    return v.isValid() ? v.toDouble() : 0.0;
}

qint64 id(const QVariant& v) {
    return v.isValid() ? v.toLongLong() : 0;
}

}  // namespace

Bill loadBill(Database& db, qint64 billId) {
    Statement st = db.prepare(QStringLiteral(
        "SELECT id, djType, code, date, dj_state, isred, isredword, wldw_id, IntoStock_id, "
        "OutStock_id, yfwldw_id, taxTotalSum, sfkTotal, yfTotal, yfTotalSum, youhuiTotal, hhlx, "
        "isdaishoukuan FROM djIndex WHERE id = ?"));
    st.bind(1, billId);
    if (!st.step())
        throw DytError(QStringLiteral("单据[%1]不存在，有可能已被删除").arg(billId));
    Bill b;
    b.id = id(st.value(0));
    b.djType = static_cast<int>(id(st.value(1)));
    b.code = st.value(2).toString();
    b.date = st.value(3).toString();
    b.state = static_cast<int>(id(st.value(4)));
    b.isred = static_cast<int>(id(st.value(5)));
    b.isredword = static_cast<int>(id(st.value(6)));
    b.wldw = id(st.value(7));
    b.intoStock = id(st.value(8));
    b.outStock = id(st.value(9));
    b.yfwldw = id(st.value(10));
    b.taxTotalSum = num(st.value(11));
    b.sfkTotal = num(st.value(12));
    b.yfTotal = num(st.value(13));
    b.yfTotalSum = num(st.value(14));
    b.youhui = num(st.value(15));
    b.hhlx = static_cast<int>(id(st.value(16)));
    b.daishou = static_cast<int>(id(st.value(17)));
    return b;
}

QList<Line> loadLines(Database& db, qint64 billId) {
    Statement st = db.prepare(QStringLiteral(
        "SELECT orderid, goodsid, IntoStock_id, OutStock_id, goodspc, ph, outdate, yxqdate, rate, "
        "qty, price, total, discounttotal, taxtotal, taxTotalSum, yftotal, costprice, costtotal, "
        "s_id, s_orderid, km_id, dj_state FROM djList WHERE id = ? ORDER BY orderid"));
    st.bind(1, billId);
    QList<Line> out;
    while (st.step()) {
        Line l;
        l.orderid = id(st.value(0));
        l.number = static_cast<int>(out.size()) + 1;
        l.goodsid = id(st.value(1));
        l.intoStock = id(st.value(2));
        l.outStock = id(st.value(3));
        l.goodspc = id(st.value(4));
        l.ph = st.value(5).toString();
        l.outdate = st.value(6).toString();
        l.yxqdate = st.value(7).toString();
        l.rate = num(st.value(8));
        if (l.rate <= 0)
            l.rate = 1;  // a line without a unit counts in base units
        l.qty = num(st.value(9));
        l.price = num(st.value(10));
        l.total = num(st.value(11));
        l.discounttotal = num(st.value(12));
        l.taxtotal = num(st.value(13));
        l.taxTotalSum = num(st.value(14));
        l.yftotal = num(st.value(15));
        l.costprice = num(st.value(16));
        l.costtotal = num(st.value(17));
        l.s_id = id(st.value(18));
        l.s_orderid = id(st.value(19));
        l.km_id = id(st.value(20));
        l.state = static_cast<int>(id(st.value(21)));
        out << l;
    }
    return out;
}

QList<MoneyLine> loadMoneyLines(Database& db, qint64 billId) {
    Statement st = db.prepare(QStringLiteral(
        "SELECT km_id, type, dbTotal, LendTotal FROM djKmDetail WHERE id = ? AND type IN (1, 2) "
        "ORDER BY orderid"));
    st.bind(1, billId);
    QList<MoneyLine> out;
    while (st.step()) {
        MoneyLine m;
        m.km = id(st.value(0));
        m.type = static_cast<int>(id(st.value(1)));
        m.db = num(st.value(2));
        m.lend = num(st.value(3));
        out << m;
    }
    return out;
}

QString sysValue(Database& db, const QString& name, const QString& fallback) {
    const QVariant v =
        db.scalar(QStringLiteral("SELECT sysValue FROM sysData WHERE Name = ?"), {name});
    return v.isValid() ? v.toString().trimmed() : fallback;
}

bool accountSetOpened(Database& db) {
    return sysValue(db, QStringLiteral("isOpen"), QStringLiteral("0")) == QLatin1String("1");
}

QString openingDate(Database& db) {
    return sysValue(db, QStringLiteral("inidate"));
}

QString openPeriodBegin(Database& db) {
    const QVariant v =
        db.scalar(QStringLiteral("SELECT beginDate FROM sysPeriod WHERE type = 0 AND id = ?"),
                  {sysValue(db, QStringLiteral("JxcPeriodNow"), QStringLiteral("1")).toLongLong()});
    return v.isValid() ? v.toString() : QString();
}

void checkPostingDate(Database& db, const QString& date, const QString& what) {
    if (!accountSetOpened(db))
        throw DytError(QStringLiteral("系统还没有开账，不能%1单据！").arg(what));
    if (!QDate::fromString(date, QStringLiteral("yyyy-MM-dd")).isValid())
        throw DytError(QStringLiteral("单据日期[%1]无效，不能%2！").arg(date, what));
    const QString opening = openingDate(db);
    if (!opening.isEmpty() && date < opening) {
        throw DytError(
            QStringLiteral("单据日期[%1]早于开账日期[%2]，不能%3！").arg(date, opening, what));
    }
    const QString begin = openPeriodBegin(db);
    if (!begin.isEmpty() && date < begin) {
        throw DytError(
            QStringLiteral("单据日期[%1]所在的期间已经月结存，不能%2！").arg(date, what));
    }
}

qint64 roleAccount(Database& db, const QString& role) {
    const QVariant v = db.scalar(
        QStringLiteral("SELECT km_id FROM sysSubjectInterface WHERE type = 0 AND name = ?"),
        {role});
    if (!v.isValid() || v.toLongLong() <= 0)
        throw DytError(QStringLiteral("没有设置[%1]的会计科目，不能过账！").arg(role));
    return v.toLongLong();
}

GoodsInfo goodsInfo(Database& db, qint64 goodsId) {
    Statement st = db.prepare(QStringLiteral(
        "SELECT code, fullname, costmode FROM baseGoods WHERE id = ? AND sonnum = 0"));
    st.bind(1, goodsId);
    if (!st.step())
        throw DytError(QStringLiteral("商品[%1]不存在").arg(goodsId));
    GoodsInfo g;
    g.code = st.value(0).toString();
    g.name = st.value(1).toString();
    g.costMode = static_cast<int>(id(st.value(2)));
    return g;
}

QString stockName(Database& db, qint64 stockId) {
    const QVariant v =
        db.scalar(QStringLiteral("SELECT fullname FROM baseCK WHERE id = ?"), {stockId});
    return v.isValid() ? v.toString() : QString::number(stockId);
}

}  // namespace dyt::server::ledger
