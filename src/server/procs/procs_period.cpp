// Procedures of the accounting periods: month close and its undo (P_SYS_UP_PeriodClose), year
// close (P_SYS_UP_YearClose) and the system rebuild (P_SYS_Up_Restart).
//
// sysPeriod keeps one month row (type 0) per closed month and one for the open month, whose id
// sysData "JxcPeriodNow" names; bills dated before the open month's beginDate are neither posted,
// changed, deleted nor reversed in place (ledger_common.cpp and the djIndex trigger refuse them).
// A closed year is a type 1 row; the months of the current year are the month rows that begin
// after the last closed year's end. sysData "period" follows the open month's calendar month.
#include <QDate>

#include "common/error.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"
#include "server/ledger/repair.h"
#include "server/procs/bill_common.h"
#include "server/procs/registry.h"

namespace dyt::server {
namespace {

using namespace dyt::server::ledger;

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

QString dateText(const QDate& d) {
    return d.toString(kDateFormat);
}

QString monthEnd(const QDate& d) {
    return dateText(QDate(d.year(), d.month(), 1).addMonths(1).addDays(-1));
}

QString monthName(const QDate& d) {
    return QStringLiteral("%1月").arg(d.month());
}

void setSysValue(Database& db, const QString& name, const QString& value) {
    db.execute(QStringLiteral("UPDATE sysData SET sysValue = ? WHERE Name = ?"), {value, name});
}

void requirePeriodRight(Database& db, qint64 userId, const char* code) {
    billservice::requireRight(db, userId, QString::fromLatin1(code));
}

struct OpenMonth {
    qint64 id = 0;
    QString begin;
    QString end;
};

OpenMonth openMonth(Database& db) {
    OpenMonth m;
    m.id = sysValue(db, QStringLiteral("JxcPeriodNow"), QStringLiteral("1")).toLongLong();
    Statement st = db.prepare(QStringLiteral(
        "SELECT beginDate, EndDate FROM sysPeriod WHERE type = 0 AND id = ? AND isClosed = 0"));
    st.bind(1, m.id);
    if (!st.step())
        throw DytError(QStringLiteral("当前会计期间[%1]不存在，请先做账套修复！").arg(m.id));
    m.begin = st.value(0).toString();
    m.end = st.value(1).toString();
    return m;
}

// The end of the last closed year; empty before the first year close.
QString lastYearEnd(Database& db) {
    return db.scalar(QStringLiteral("SELECT max(EndDate) FROM sysPeriod WHERE type = 1"))
        .toString();
}

// The months closed since the last year close.
qint64 monthsClosedThisYear(Database& db) {
    return db
        .scalar(QStringLiteral("SELECT count(*) FROM sysPeriod WHERE type = 0 AND isClosed = 1 "
                               "AND beginDate > ?"),
                {lastYearEnd(db)})
        .toLongLong();
}

qint64 postedBills(Database& db, const QString& begin, const QString& end) {
    return db
        .scalar(QStringLiteral("SELECT count(*) FROM djIndex WHERE dj_state = 2 AND date >= ? "
                               "AND date <= ?"),
                {begin, end})
        .toLongLong();
}

// Closes the open month on `end` under `name` and opens the next one on the following day.
void closeOpenMonth(Database& db, const OpenMonth& m, const QString& end, const QString& name) {
    const QDate next = QDate::fromString(end, kDateFormat).addDays(1);
    db.execute(QStringLiteral("UPDATE sysPeriod SET EndDate = ?, name = ?, billSum = ?, "
                              "isClosed = 1 WHERE type = 0 AND id = ?"),
               {end, name, postedBills(db, m.begin, end), m.id});
    db.execute(QStringLiteral("INSERT INTO sysPeriod(type, id, name, beginDate, EndDate, billSum, "
                              "isClosed) VALUES (0, ?, ?, ?, ?, 0, 0)"),
               {m.id + 1, monthName(next), dateText(next), monthEnd(next)});
    setSysValue(db, QStringLiteral("JxcPeriodNow"), QString::number(m.id + 1));
    setSysValue(db, QStringLiteral("period"), QString::number(next.month()));
}

void requireOpened(Database& db, const QString& what) {
    if (!accountSetOpened(db))
        throw DytError(QStringLiteral("系统还没有开账，不能做%1！").arg(what));
}

// P_SYS_UP_PeriodClose: type 0 closes the open month on Date (its last day) under Name; type 1
// takes the last month close of the current year back.
int periodClose(CallContext& ctx) {
    Database& db = ctx.db;
    requirePeriodRight(db, ctx.userId, "5007");
    requireOpened(db, QStringLiteral("月结存"));
    const QString typeText = ctx.params.value(QStringLiteral("type")).trimmed();
    const OpenMonth m = openMonth(db);
    if (typeText == QLatin1String("0")) {
        const QString date = ctx.params.value(QStringLiteral("Date")).trimmed();
        const QDate end = QDate::fromString(date, kDateFormat);
        if (!end.isValid())
            throw DytError(QStringLiteral("本月结束日期[%1]无效").arg(date));
        if (date < m.begin) {
            throw DytError(
                QStringLiteral("本月结束日期[%1]不能早于本月开始日期[%2]！").arg(date, m.begin));
        }
        if (monthsClosedThisYear(db) >= 11)
            throw DytError(QStringLiteral("本年已做了11次月结存，请直接做年结存操作！"));
        QString name = ctx.params.value(QStringLiteral("Name")).trimmed();
        if (name.isEmpty())
            name = monthName(end);
        if (name.size() > 50)
            throw DytError(QStringLiteral("本月结存名称不能超过50个字符！"));
        closeOpenMonth(db, m, date, name);
        return 0;
    }
    if (typeText == QLatin1String("1")) {
        Statement st = db.prepare(QStringLiteral(
            "SELECT id, beginDate FROM sysPeriod WHERE type = 0 AND isClosed = 1 AND id = ? AND "
            "beginDate > ?"));
        st.bind(1, m.id - 1);
        st.bind(2, lastYearEnd(db));
        if (!st.step())
            throw DytError(QStringLiteral("本年还没有做过月结存，不能反月结存！"));
        const qint64 previous = st.value(0).toLongLong();
        const QDate begin = QDate::fromString(st.value(1).toString(), kDateFormat);
        db.execute(QStringLiteral("DELETE FROM sysPeriod WHERE type = 0 AND id = ?"), {m.id});
        db.execute(QStringLiteral("UPDATE sysPeriod SET isClosed = 0, billSum = 0, EndDate = ? "
                                  "WHERE type = 0 AND id = ?"),
                   {std::max(m.end, monthEnd(begin)), previous});
        setSysValue(db, QStringLiteral("JxcPeriodNow"), QString::number(previous));
        setSysValue(db, QStringLiteral("period"), QString::number(begin.month()));
        return 0;
    }
    throw DytError(QStringLiteral("参数[type]只能是 0（月结存）或 1（反月结存）"));
}

// Physically removes the bills a condition on djIndex (alias-free) chooses, with their lines and
// ledger rows.
void deleteBills(Database& db, const QString& where, const QVariantList& values = {}) {
    const QString ids = QStringLiteral("SELECT id FROM djIndex WHERE ") + where;
    for (const char* table : {"djStockDetail", "djWLDWDetail", "djKmDetail", "djList"}) {
        db.execute(
            QStringLiteral("DELETE FROM %1 WHERE id IN (%2)").arg(QString::fromLatin1(table), ids),
            values);
    }
    db.execute(QStringLiteral("DELETE FROM djIndex WHERE ") + where, values);
}

// Orders (sales 4, purchase 8) that are over: delivered in full (1) or finished by hand (3).
const QString kFinishedOrders =
    QStringLiteral("djType IN (4, 8) AND dj_state = 2 AND isOver IN (1, 3)");

// P_SYS_UP_YearClose: closes the open month at its end as the year's last period and records the
// year. The balances of stock, cost layers, partners and accounts stand as they are: they are the
// new year's opening, and the year's bills and ledger rows stay readable for its reports (a repair
// re-posts them from the account set's opening data). With cleareOrder 1 the drafts and the
// finished orders are removed.
int yearClose(CallContext& ctx) {
    Database& db = ctx.db;
    requirePeriodRight(db, ctx.userId, "5008");
    requireOpened(db, QStringLiteral("年结存"));
    const OpenMonth m = openMonth(db);
    const QString end = std::max(m.end, m.begin);
    const QVariant later = db.scalar(
        QStringLiteral("SELECT code || '（' || date || '）' FROM djIndex WHERE dj_state = 2 AND "
                       "date > ? ORDER BY date, id LIMIT 1"),
        {end});
    if (later.isValid()) {
        throw DytError(QStringLiteral("单据[%1]晚于本年结束日期[%2]，不能做年结存！")
                           .arg(later.toString(), end));
    }
    const QString yearEnd = lastYearEnd(db);
    QString begin = db.scalar(QStringLiteral("SELECT min(beginDate) FROM sysPeriod WHERE type = 0 "
                                             "AND beginDate > ?"),
                              {yearEnd})
                        .toString();
    if (begin.isEmpty())
        begin = m.begin;
    const qint64 year =
        db.scalar(QStringLiteral("SELECT count(*) FROM sysPeriod WHERE type = 1")).toLongLong() + 1;
    closeOpenMonth(db, m, end, monthName(QDate::fromString(end, kDateFormat)));
    db.execute(QStringLiteral("INSERT INTO sysPeriod(type, id, name, beginDate, EndDate, billSum, "
                              "isClosed) VALUES (1, ?, ?, ?, ?, ?, 1)"),
               {year, QStringLiteral("%1年").arg(QDate::fromString(end, kDateFormat).year()), begin,
                end, postedBills(db, begin, end)});
    setSysValue(db, QStringLiteral("CurrentYear"),
                QString::number(QDate::fromString(end, kDateFormat).addDays(1).year()));
    const QString clear = ctx.params.value(QStringLiteral("cleareOrder")).trimmed();
    if (clear == QLatin1String("1") ||
        clear.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        deleteBills(db, QStringLiteral("dj_state = 1"));
        deleteBills(db, kFinishedOrders);
    }
    return 0;
}

bool flagParam(const ParamList& p, const QString& name) {
    const QString v = p.value(name).trimmed();
    if (v.isEmpty() || v == QLatin1String("0"))
        return false;
    if (v == QLatin1String("1"))
        return true;
    throw DytError(QStringLiteral("参数[%1]只能是 0 或 1").arg(name));
}

// P_SYS_Up_Restart: the system rebuild. Every posted and deleted bill goes with its ledger rows
// and the balances return to the opening data; DelDraft 1 removes the drafts too, DelOrderform 1
// every order (0 keeps them, open again), DelKmInfo 1 also clears the opening stock and the
// opening balances of partners and accounts. The account set returns to the opening state with
// one open month, the current one, so that the opening can be corrected and opened again.
int restart(CallContext& ctx) {
    Database& db = ctx.db;
    requirePeriodRight(db, ctx.userId, "500404");
    const bool delDraft = flagParam(ctx.params, QStringLiteral("DelDraft"));
    const bool delOpening = flagParam(ctx.params, QStringLiteral("DelKmInfo"));
    const qint64 orders = ctx.params.value(QStringLiteral("DelOrderform")).trimmed().toLongLong();
    if (orders != 0 && orders != 1)
        throw DytError(
            QStringLiteral("参数[DelOrderform]只能是 0（保留订单）或 1（清除所有订单）"));

    deleteBills(db, QStringLiteral("dj_state = 0 OR (dj_state = 2 AND djType NOT IN (4, 8))"));
    if (delDraft)
        deleteBills(db, QStringLiteral("dj_state = 1"));
    if (orders == 1) {
        deleteBills(db, QStringLiteral("djType IN (4, 8)"));
    } else {
        // Nothing delivered from the kept orders any more; stopped ones stay stopped.
        db.execute(
            QStringLiteral("UPDATE djIndex SET isOver = 0 WHERE djType IN (4, 8) AND "
                           "isOver IN (1, 3)"));
        db.execute(
            QStringLiteral("UPDATE djList SET toQty = 0, isOver = CASE WHEN (SELECT "
                           "a.isOver FROM djIndex AS a WHERE a.id = djList.id) = 2 THEN 1 "
                           "ELSE 0 END WHERE djType IN (4, 8)"));
    }
    if (delOpening) {
        db.execute(QStringLiteral("DELETE FROM iniGoodsStock"));
        db.execute(QStringLiteral("DELETE FROM iniGoodsStockOther"));
        db.execute(
            QStringLiteral("UPDATE baseWLDW SET ystotal00 = 0, yftotal00 = 0, "
                           "yushouTotal00 = 0, yufuTotal00 = 0"));
        db.execute(QStringLiteral("UPDATE baseKM SET Total00 = 0"));
    }

    // The balances as the opening data gives them.
    const QString inidate = openingDate(db);
    db.execute(QStringLiteral("DELETE FROM baseGoodsStock"));
    db.execute(QStringLiteral("INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, ph, outdate, "
                              "yxqdate, indate, qty, price, total) SELECT goodsid, stockid, "
                              "goodspc, ph, outdate, yxqdate, ?, qty, price, total FROM "
                              "iniGoodsStock ORDER BY id"),
               {inidate});
    db.execute(QStringLiteral("DELETE FROM baseGoodsStockOther"));
    db.execute(
        QStringLiteral("INSERT INTO baseGoodsStockOther(goodsid, wldw_id, typeid, qty, "
                       "price, total, costprice, costtotal) SELECT goodsid, wldw_id, "
                       "typeid, qty, price, total, costprice, costtotal FROM "
                       "iniGoodsStockOther ORDER BY id"));
    posting::resetPartnersAndAccounts(db);

    // One open month, the current one, until the account set is opened again.
    const QDate today = QDate::currentDate();
    const QDate first(today.year(), today.month(), 1);
    db.execute(QStringLiteral("DELETE FROM sysPeriod"));
    db.execute(QStringLiteral("INSERT INTO sysPeriod(type, id, name, beginDate, EndDate, billSum, "
                              "isClosed) VALUES (0, 1, ?, ?, ?, 0, 0)"),
               {monthName(first), dateText(first), monthEnd(first)});
    setSysValue(db, QStringLiteral("JxcPeriodNow"), QStringLiteral("1"));
    setSysValue(db, QStringLiteral("period"), QString::number(first.month()));
    setSysValue(db, QStringLiteral("CurrentYear"), QString::number(first.year()));
    setSysValue(db, QStringLiteral("isOpen"), QStringLiteral("0"));
    setSysValue(db, QStringLiteral("sysIni"), QStringLiteral("f"));
    if (!db.scalar(QStringLiteral("SELECT 1 FROM djIndex LIMIT 1")).isValid()) {
        db.execute(
            QStringLiteral("UPDATE sysbillNo SET lastDate = '', yearMaxNo = 0, "
                           "monthMaxNo = 0, dayMaxNo = 0"));
    }
    return 0;
}

}  // namespace

void registerPeriodProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("P_SYS_UP_PeriodClose"), periodClose);
    procedures.add(QStringLiteral("P_SYS_UP_YearClose"), yearClose);
    procedures.add(QStringLiteral("P_SYS_Up_Restart"), restart);
}

}  // namespace dyt::server
