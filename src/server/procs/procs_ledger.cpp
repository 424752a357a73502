// Procedures of the ledgers: red reversal and copy, deletion, re-settlement of receipts and
// payments, opening balances and the opening of the account set.
#include <QDate>
#include <QDateTime>

#include <cmath>
#include <optional>

#include "common/error.h"
#include "protocol/billkinds.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"
#include "server/ledger/posting.h"
#include "server/procs/bill_common.h"
#include "server/procs/bill_numbering.h"
#include "server/procs/registry.h"

namespace dyt::server {
namespace {

using namespace dyt::server::ledger;

qint64 intParam(const ParamList& p, const QString& name, bool required = true) {
    const QString text = p.value(name).trimmed();
    if (text.isEmpty()) {
        if (required)
            throw DytError(QStringLiteral("缺少参数[%1]").arg(name));
        return 0;
    }
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok)
        throw DytError(QStringLiteral("参数[%1]的值[%2]不是有效的整数").arg(name, text));
    return v;
}

double numberParam(const ParamList& p, const QString& name) {
    const QString text = p.value(name).trimmed();
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw DytError(QStringLiteral("参数[%1]的值[%2]不是有效的数字").arg(name, text));
    return v;
}

QString dateParam(const ParamList& p, const QString& name) {
    const QString text = p.value(name).trimmed();
    if (!QDate::fromString(text, QStringLiteral("yyyy-MM-dd")).isValid())
        throw DytError(QStringLiteral("参数[%1]的日期[%2]无效").arg(name, text));
    return text;
}

QString now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString today() {
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

QString userName(Database& db, qint64 userId) {
    const QVariant v =
        db.scalar(QStringLiteral("SELECT fullname FROM baseZY WHERE id = ?"), {userId});
    return v.isValid() ? v.toString() : QString();
}

// Columns of djIndex a copy takes over as they are.
const char* const kHeaderKept =
    "dj_Caption, djname, wldw_id, jsr_id, dep_id, IntoStock_id, OutStock_id, dd_id, yfwldw_id, "
    "JieShaoRenID, sfkKm_id, yfKm_id, sfkDate, billDiscount, YouHuiBiLv, isdaishoukuan, hhlx, "
    "summery, comment, pz_Caption, PcID, zidingyi1, zidingyi2, zidingyi3, zidingyi4, zidingyi5, "
    "zidingyi6, zidingyi7, zidingyi8, zidingyi9, zidingyi10";
// Amount columns of djIndex a red copy negates.
const char* const kHeaderAmounts =
    "total, taxTotalSum, sfkTotal, sfkTotalLj, yfTotal, yfTotalSum, youhuiTotal, kpTotal";
const char* const kLineKept =
    "goodsid, IntoStock_id, OutStock_id, costmode, ph, outdate, yxqdate, goodspc, unit, rate, "
    "price, discount, discountprice, tax, taxprice, costprice, lsprice, RowType, comment, "
    "rowbeizhu1, rowbeizhu2, rowbeizhu3, rowbeizhu4, rowbeizhu5, barcode, UnitRate, s_id, "
    "s_orderid, km_id, isCanYuZheShangZhe";
const char* const kLineAmounts =
    "qty, fdwqty, total, discounttotal, taxtotal, taxTotalSum, yftotal, costtotal, lstotal, "
    "kpTotal";

QString negatedList(const char* columns, bool negate) {
    QStringList out;
    for (const QString& c : QString::fromLatin1(columns).split(QLatin1Char(','))) {
        const QString name = c.trimmed();
        out << (negate ? QStringLiteral("-%1").arg(name) : name);
    }
    return out.join(QStringLiteral(", "));
}

struct CopySpec {
    int djType = 0;
    QString code;
    QString date;
    int state = 1;
    bool red = false;
};

// Copies a bill (header, lines, money lines of type 1 and 2) into a new bill; returns its id.
// A red copy negates quantities and amounts; a draft copy leaves out the settled-bill rows of
// receipts and payments and what posting wrote (fulfilment, settlement, audit, prints).
qint64 copyBill(Database& db, qint64 from, const CopySpec& spec, qint64 userId) {
    const QString amounts = QString::fromLatin1(kHeaderAmounts);
    QString amountValues = negatedList(kHeaderAmounts, spec.red);
    if (!spec.red)
        amountValues.replace(QStringLiteral("sfkTotalLj"), QStringLiteral("0"));
    db.execute(
        QStringLiteral("INSERT INTO djIndex(djType, code, date, dj_state, isred, isredword, "
                       "redBillid, rec_id, rec_Name, postid, postDateTime, printnum, "
                       "isOver, isDuiZhang, updateTime, %1, %2) SELECT ?, ?, ?, ?, 0, 0, 0, "
                       "?, ?, 0, '', 0, 0, 0, ?, %1, %3 FROM djIndex WHERE id = ?")
            .arg(QString::fromLatin1(kHeaderKept), amounts, amountValues),
        {spec.djType, spec.code, spec.date, spec.state, userId, userName(db, userId), now(), from});
    const qint64 to = db.lastInsertId();
    db.execute(
        QStringLiteral("INSERT INTO djList(id, djType, date, dj_state, toQty, isOver, %1, %2) "
                       "SELECT ?, ?, ?, ?, 0, 0, %1, %3 FROM djList WHERE id = ? %4 "
                       "ORDER BY orderid")
            .arg(QString::fromLatin1(kLineKept), QString::fromLatin1(kLineAmounts),
                 negatedList(kLineAmounts, spec.red),
                 spec.red ? QString()
                          : QStringLiteral("AND NOT (km_id = 0 AND s_id > 0 AND goodsid = 0)")),
        {to, spec.djType, spec.date, spec.state, from});
    db.execute(
        QStringLiteral("INSERT INTO djKmDetail(id, djType, date, km_id, type, dbTotal, "
                       "LendTotal, dj_state, wldw_id, comment) SELECT ?, ?, ?, km_id, type, "
                       "%1, %2, ?, wldw_id, comment FROM djKmDetail WHERE id = ? AND type IN "
                       "(1, 2) ORDER BY orderid")
            .arg(spec.red ? QStringLiteral("-dbTotal") : QStringLiteral("dbTotal"),
                 spec.red ? QStringLiteral("-LendTotal") : QStringLiteral("LendTotal")),
        {to, spec.djType, spec.date, spec.state, from});
    return to;
}

// The red reversal is dated like the original while that lies in the open period, else today
// (or the first day of the open period when today lies before it).
QString redDate(Database& db, const QString& original) {
    const QString begin = openPeriodBegin(db);
    if (begin.isEmpty() || original >= begin)
        return original;
    const QString t = today();
    return t >= begin ? t : begin;
}

int copyRed(CallContext& ctx) {
    Database& db = ctx.db;
    const qint64 isRed = intParam(ctx.params, QStringLiteral("isRed"));
    const qint64 billId = intParam(ctx.params, QStringLiteral("billid"));
    const Bill bill = loadBill(db, billId);
    if (bill.state != 2)
        throw DytError(QStringLiteral("只能对已过账的单据进行此操作！"));
    if (isRed == -1) {
        if (bill.isred == 1)
            throw DytError(QStringLiteral("不能对已红冲单据再次红冲操作！"));
        if (bill.isredword == 1)
            throw DytError(QStringLiteral("不能对红字单据进行红冲操作！"));
        if (isOrder(bill.djType))
            throw DytError(QStringLiteral("订单不能红冲，请在订单查询中直接删除单据！"));
        if (bill.djType == kEnquiry || bill.djType == kQuotation)
            throw DytError(QStringLiteral("询价单和报价单不能红冲，请直接删除单据！"));
        checkDistributionChange(db, bill, true);
        refuseWhenInvoiced(db, billId, QStringLiteral("红冲"));
        CopySpec spec;
        spec.djType = bill.djType;
        spec.code = bill.code;
        spec.date = redDate(db, bill.date);
        spec.state = 2;
        spec.red = true;
        checkPostingDate(db, spec.date, QStringLiteral("红冲"));
        const qint64 red = copyBill(db, billId, spec, ctx.userId);
        posting::reverseBill(db, billId, red, ctx.userId);
        ctx.params.setInt(QStringLiteral("redBillid"), red);
        return static_cast<int>(red);
    }
    if (isRed == 1) {
        if (bill.isredword == 1)
            throw DytError(QStringLiteral("不能复制红字单据！"));
        CopySpec spec;
        spec.djType = static_cast<int>(intParam(ctx.params, QStringLiteral("dj_type"), false));
        if (spec.djType == 0)
            spec.djType = bill.djType;
        billvalues::billKindName(db, spec.djType);
        // An asset bill's lines name asset cards, any other bill's lines goods.
        if (isAssetBill(bill.djType) != isAssetBill(spec.djType))
            throw DytError(QStringLiteral("固定资产单据只能与固定资产单据相互复制！"));
        spec.code = ctx.params.value(QStringLiteral("billCode")).trimmed();
        spec.date = ctx.params.value(QStringLiteral("date")).trimmed().isEmpty()
                        ? today()
                        : dateParam(ctx.params, QStringLiteral("date"));
        spec.state = 1;
        const qint64 copy = copyBill(db, billId, spec, ctx.userId);
        // The copy is the first save of a new bill under the number the caller fetched: the
        // counters move as for a draft saved through the bill service.
        numbering::billStored(db, spec.djType,
                              QDate::fromString(spec.date, QStringLiteral("yyyy-MM-dd")), false,
                              true);
        ctx.params.setInt(QStringLiteral("newBillid"), copy);
        return static_cast<int>(copy);
    }
    throw DytError(QStringLiteral("参数[isRed]只能是 -1（红冲）或 1（复制）"));
}

int postDel(CallContext& ctx) {
    Database& db = ctx.db;
    const qint64 billId = intParam(ctx.params, QStringLiteral("billid"));
    const Bill bill = loadBill(db, billId);
    if (bill.state == 0)
        throw DytError(QStringLiteral("单据已经删除！"));
    if (bill.state == 1) {
        checkDraftMaker(
            db, ctx.userId,
            db.scalar(QStringLiteral("SELECT rec_id FROM djIndex WHERE id = ?"), {billId})
                .toLongLong());
    }
    if (bill.state == 2) {
        if (bill.isred == 1)
            throw DytError(QStringLiteral("不能删除已红冲的单据！"));
        if (bill.isredword == 1)
            throw DytError(QStringLiteral("不能删除红字单据！"));
        const QString begin = openPeriodBegin(db);
        if (!begin.isEmpty() && bill.date < begin)
            throw DytError(QStringLiteral("本张单据已月结存，不能删除"));
        if (db.scalar(
                  QStringLiteral("SELECT 1 FROM djList AS b, djIndex AS a WHERE a.id = b.id AND "
                                 "a.dj_state = 2 AND a.isred = 0 AND a.isredword = 0 AND "
                                 "a.djType IN (21, 22) AND b.km_id = 0 AND b.s_id = ? AND "
                                 "b.dj_state = 2 AND b.costtotal <> 0 LIMIT 1"),
                  {billId})
                .isValid()) {
            throw DytError(QStringLiteral("单据已经按单结算，请先在对应的收付款单据中重新结算！"));
        }
        if (isOrder(bill.djType) &&
            db.scalar(
                  QStringLiteral("SELECT 1 FROM djList AS b, djIndex AS a WHERE a.id = b.id AND "
                                 "a.dj_state = 2 AND b.s_id = ? AND a.id <> ? LIMIT 1"),
                  {billId, billId})
                .isValid()) {
            throw DytError(QStringLiteral("订单已经有执行的单据，不能删除！"));
        }
        checkDistributionChange(db, bill, false);
        refuseWhenInvoiced(db, billId, QStringLiteral("删除"));
        checkPostingDate(db, bill.date, QStringLiteral("删除"));
        posting::unpostBill(db, billId, ctx.userId);
    }
    db.execute(QStringLiteral("UPDATE djIndex SET dj_state = 0, updateTime = ? WHERE id = ?"),
               {now(), billId});
    db.execute(QStringLiteral("UPDATE djList SET dj_state = 0 WHERE id = ?"), {billId});
    db.execute(QStringLiteral("UPDATE djKmDetail SET dj_state = 0 WHERE id = ?"), {billId});
    return 0;
}

// P_JXC_DJ_Other: an operator changes the state of a posted purchase or sales order by hand.
// Lines: billid and type, 1 stops the order, 2 resumes a stopped order, 3 finishes the order.
// An order's isOver is 0 while open, 1 once delivered in full, 2 while stopped and 3 once finished
// by hand. A stopped or finished order offers no line for picking (its lines are over) and no bill
// may take lines from it; resuming takes each line back to what was delivered of it. It takes the
// right of the order query window and the right to post orders of the kind.
int changeOrderState(CallContext& ctx) {
    Database& db = ctx.db;
    const qint64 billId = intParam(ctx.params, QStringLiteral("billid"));
    const qint64 type = intParam(ctx.params, QStringLiteral("type"));
    if (type < 1 || type > 3)
        throw DytError(QStringLiteral("参数[type]只能是 1（中止）、2（恢复）或 3（完成）"));
    Statement st = db.prepare(
        QStringLiteral("SELECT djType, dj_state, isOver FROM djIndex WHERE id = ?"));
    st.bind(1, billId);
    if (!st.step() || st.value(1).toInt() == 0)
        throw DytError(QStringLiteral("你要处理的订单不存在，有可能已被删除！"));
    const int kind = st.value(0).toInt();
    const int state = st.value(1).toInt();
    const int over = st.value(2).toInt();
    if (kind != 4 && kind != 8)
        throw DytError(QStringLiteral("只能对进货订单和销售订单进行此操作！"));
    if (state != 2)
        throw DytError(QStringLiteral("订单还没有过账，不能进行此操作！"));
    const QString window = kind == 8 ? QStringLiteral("300314") : QStringLiteral("300419");
    const QString post = QString::number(findBillKindRow(kind)->menuTag) + QStringLiteral("01");
    if (!holdsRight(db, ctx.userId, window) || !holdsRight(db, ctx.userId, post))
        throw DytError(QStringLiteral("您没有执行该操作的权限!"));
    if (type == 2) {
        if (over != 2)
            throw DytError(QStringLiteral("订单没有中止，不需要恢复！"));
        db.execute(QStringLiteral("UPDATE djList SET isOver = CASE WHEN toQty >= qty - 0.00000001 "
                                  "THEN 1 ELSE 0 END WHERE id = ? AND goodsid > 0"),
                   {billId});
        db.execute(QStringLiteral("UPDATE djIndex SET isOver = CASE WHEN EXISTS (SELECT 1 FROM "
                                  "djList WHERE id = ? AND goodsid > 0 AND isOver = 0) THEN 0 "
                                  "ELSE 1 END, updateTime = ? WHERE id = ?"),
                   {billId, now(), billId});
        return 0;
    }
    if (over == 2)
        throw DytError(QStringLiteral("订单已经中止！"));
    if (over != 0)
        throw DytError(QStringLiteral("订单已经完成！"));
    db.execute(QStringLiteral("UPDATE djList SET isOver = 1 WHERE id = ? AND goodsid > 0"),
               {billId});
    db.execute(QStringLiteral("UPDATE djIndex SET isOver = ?, updateTime = ? WHERE id = ?"),
               {type == 1 ? 2 : 3, now(), billId});
    return 0;
}

// Re-settlement of a posted receipt or payment: its effects are taken back and booked again from
// its rows as they now stand.
int postOther(CallContext& ctx) {
    Database& db = ctx.db;
    const qint64 billId = intParam(ctx.params, QStringLiteral("billid"));
    const Bill bill = loadBill(db, billId);
    if (!isMoneyBill(bill.djType))
        throw DytError(QStringLiteral("只有收款单和付款单可以重新结算！"));
    if (bill.state != 2)
        throw DytError(QStringLiteral("单据还没有过账，不能重新结算！"));
    if (bill.isred == 1 || bill.isredword == 1)
        throw DytError(QStringLiteral("已红冲的单据和红字单据不能重新结算！"));
    checkPostingDate(db, bill.date, QStringLiteral("重新结算"));
    posting::unpostBill(db, billId, ctx.userId);
    posting::postBill(db, billId, ctx.userId);
    return 0;
}

// One settled-bill row of a receipt or payment being re-settled.
int insertDjList(CallContext& ctx) {
    Database& db = ctx.db;
    const qint64 billId = intParam(ctx.params, QStringLiteral("id"));
    // The lines of a goods draft go through the bill service (bill_drafts.cpp).
    const QVariant kind = db.scalar(
        QStringLiteral("SELECT djType FROM djIndex WHERE id = ? AND dj_state = 1"), {billId});
    if (kind.isValid() && !isMoneyBill(kind.toInt()))
        return insertGoodsDraftLines(ctx, billId);
    const Bill bill = loadBill(db, billId);
    if (!isMoneyBill(bill.djType))
        throw DytError(QStringLiteral("只有收款单和付款单可以录入结算单据！"));
    const qint64 settled = intParam(ctx.params, QStringLiteral("s_id"));
    Statement st =
        db.prepare(QStringLiteral("SELECT dj_state, wldw_id, code FROM djIndex WHERE id = ?"));
    st.bind(1, settled);
    if (!st.step() || st.value(0).toInt() != 2)
        throw DytError(QStringLiteral("结算的单据[%1]不存在或没有过账！").arg(settled));
    if (st.value(1).toLongLong() != bill.wldw) {
        throw DytError(
            QStringLiteral("结算的单据[%1]不是本往来单位的单据！").arg(st.value(2).toString()));
    }
    const double total = roundMoney(numberParam(ctx.params, QStringLiteral("Total")));
    db.execute(QStringLiteral("INSERT INTO djList(id, djType, date, dj_state, s_id, km_id, total, "
                              "comment) VALUES (?, ?, ?, 1, ?, 0, ?, ?)"),
               {billId, bill.djType, bill.date, settled, total,
                ctx.params.value(QStringLiteral("comment"))});
    return static_cast<int>(db.lastInsertId());
}

void refuseWhenOpened(Database& db) {
    if (accountSetOpened(db))
        throw DytError(QStringLiteral("已经开账，不能再修改期初数据！"));
}

// Moves the opening balance of an account (and the categories above it) by a signed debit.
void moveOpening(Database& db, qint64 km, double debit) {
    if (debit == 0)
        return;
    for (qint64 node : accountChain(db, km, QStringLiteral("会计科目[%1]不存在").arg(km))) {
        db.execute(QStringLiteral("UPDATE baseKM SET Total00 = round(Total00 + dc * ?, 4), "
                                  "Total = round(Total + dc * ?, 4) WHERE id = ?"),
                   {debit, debit, node});
    }
}

int openAccountSet(CallContext& ctx) {
    Database& db = ctx.db;
    const qint64 type = intParam(ctx.params, QStringLiteral("type"));
    auto setValue = [&](const char* name, const QString& value) {
        db.execute(QStringLiteral("UPDATE sysData SET sysValue = ? WHERE Name = ?"),
                   {value, QString::fromUtf8(name)});
    };
    if (type == 0) {
        if (accountSetOpened(db))
            throw DytError(QStringLiteral("账套已经开账！"));
        const QString date = dateParam(ctx.params, QStringLiteral("Date"));
        const QDate d = QDate::fromString(date, QStringLiteral("yyyy-MM-dd"));
        setValue("isOpen", QStringLiteral("1"));
        setValue("inidate", date);
        setValue("sysIni", QStringLiteral("t"));
        setValue("OpenPeriod", QString::number(d.month()));
        // The current period starts on the opening date, unless periods were closed before.
        const QVariant closed =
            db.scalar(QStringLiteral("SELECT count(*) FROM sysPeriod WHERE isClosed = 1"));
        if (closed.toLongLong() == 0) {
            db.execute(
                QStringLiteral("UPDATE sysPeriod SET beginDate = ?, EndDate = ?, name = ? "
                               "WHERE type = 0 AND id = ?"),
                {date,
                 QDate(d.year(), d.month(), 1)
                     .addMonths(1)
                     .addDays(-1)
                     .toString(QStringLiteral("yyyy-MM-dd")),
                 QStringLiteral("%1月").arg(d.month()),
                 sysValue(db, QStringLiteral("JxcPeriodNow"), QStringLiteral("1")).toLongLong()});
        }
        return 0;
    }
    if (type == 1) {
        if (!accountSetOpened(db))
            throw DytError(QStringLiteral("账套还没有开账，不能反开账！"));
        if (db.scalar(QStringLiteral("SELECT 1 FROM djIndex WHERE dj_state = 2 LIMIT 1")).isValid())
            throw DytError(QStringLiteral("已经有过账单据，不能反开账！"));
        setValue("isOpen", QStringLiteral("0"));
        setValue("sysIni", QStringLiteral("f"));
        return 0;
    }
    throw DytError(QStringLiteral("参数[type]只能是 0（开账）或 1（反开账）"));
}

void checkGoodsAndStock(Database& db, qint64 goods, qint64 stock) {
    if (!db.scalar(QStringLiteral("SELECT 1 FROM baseGoods WHERE id = ? AND sonnum = 0"), {goods})
             .isValid())
        throw DytError(QStringLiteral("商品[%1]不存在").arg(goods));
    if (!db.scalar(QStringLiteral("SELECT 1 FROM baseCK WHERE id = ? AND sonnum = 0"), {stock})
             .isValid())
        throw DytError(QStringLiteral("请先选择某一仓库"));
}

void checkOpeningAmounts(double qty, double total) {
    if (qty < 0 || total < 0)
        throw DytError(QStringLiteral("期初数量和金额不能为负数！"));
    if (qty == 0 && total != 0)
        throw DytError(QStringLiteral("期初数量为零时不能录入金额！"));
}

// Opening stock of one goods in one warehouse (or one batch of a batch-costed goods). The
// opening rows are also the first layers of the stock ledger, and their value is the opening
// balance of the stock account.
int iniGoodsStock(CallContext& ctx) {
    Database& db = ctx.db;
    refuseWhenOpened(db);
    const qint64 rowId = intParam(ctx.params, QStringLiteral("id"), false);
    const qint64 goods = intParam(ctx.params, QStringLiteral("goodsid"));
    const qint64 stock = intParam(ctx.params, QStringLiteral("stockid"));
    const double qty = roundQty(numberParam(ctx.params, QStringLiteral("Qty")));
    const double total = roundMoney(numberParam(ctx.params, QStringLiteral("Total")));
    checkGoodsAndStock(db, goods, stock);
    checkOpeningAmounts(qty, total);
    const GoodsInfo g = goodsInfo(db, goods);
    const QString ph = ctx.params.value(QStringLiteral("ph")).trimmed();
    const QString outdate = ctx.params.value(QStringLiteral("outdate")).trimmed();
    const QString yxqdate = ctx.params.value(QStringLiteral("yxqdate")).trimmed();

    // The row this call replaces: by its id, else (moving average) the goods' one row.
    qint64 existing = 0;
    if (rowId > 0) {
        const QVariant v = db.scalar(
            QStringLiteral(
                "SELECT id FROM iniGoodsStock WHERE id = ? AND goodsid = ? AND stockid = ?"),
            {rowId, goods, stock});
        if (!v.isValid())
            throw DytError(QStringLiteral("期初库存记录[%1]不存在").arg(rowId));
        existing = v.toLongLong();
    } else if (g.costMode == kMovingAverage) {
        existing = db.scalar(QStringLiteral("SELECT id FROM iniGoodsStock WHERE goodsid = ? AND "
                                            "stockid = ? AND goodspc = 0"),
                             {goods, stock})
                       .toLongLong();
    }
    double oldTotal = 0;
    qint64 pc = 0;
    if (existing > 0) {
        Statement st =
            db.prepare(QStringLiteral("SELECT total, goodspc FROM iniGoodsStock WHERE id = ?"));
        st.bind(1, existing);
        st.step();
        oldTotal = st.value(0).toDouble();
        pc = st.value(1).toLongLong();
        db.execute(QStringLiteral("DELETE FROM iniGoodsStock WHERE id = ?"), {existing});
        db.execute(QStringLiteral("DELETE FROM baseGoodsStock WHERE goodsid = ? AND stockid = ? "
                                  "AND goodspc = ?"),
                   {goods, stock, pc});
    }
    qint64 newId = 0;
    if (qty > 0) {
        const double price = roundQty(total / qty);
        const QString inidate = openingDate(db);
        db.execute(QStringLiteral("INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, ph, "
                                  "outdate, yxqdate, indate, qty, price, total) VALUES "
                                  "(?, ?, 0, ?, ?, ?, ?, ?, ?, ?)"),
                   {goods, stock, ph, outdate, yxqdate, inidate, qty, price, total});
        const qint64 layer = db.lastInsertId();
        if (g.costMode != kMovingAverage) {
            pc = pc > 0 ? pc : layer;
            db.execute(QStringLiteral("UPDATE baseGoodsStock SET goodspc = ? WHERE id = ?"),
                       {pc, layer});
        } else {
            pc = 0;
        }
        db.execute(QStringLiteral("INSERT INTO iniGoodsStock(goodsid, stockid, goodspc, ph, "
                                  "outdate, yxqdate, qty, price, total) VALUES "
                                  "(?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                   {goods, stock, pc, ph, outdate, yxqdate, qty, price, total});
        newId = db.lastInsertId();
    }
    moveOpening(db, roleAccount(db, QStringLiteral("库存商品")), roundMoney(total - oldTotal));
    ctx.params.setInt(QStringLiteral("id"), newId);
    return static_cast<int>(newId);
}

// Opening quantities of goods held by or for a partner (borrowed, lent, consigned, held on
// consignment, out for processing).
int iniGoodsStockOther(CallContext& ctx) {
    Database& db = ctx.db;
    refuseWhenOpened(db);
    const qint64 goods = intParam(ctx.params, QStringLiteral("goodsid"));
    const qint64 wldw = intParam(ctx.params, QStringLiteral("wldw_id"));
    const qint64 typeId = intParam(ctx.params, QStringLiteral("typeid"));
    const double qty = roundQty(numberParam(ctx.params, QStringLiteral("Qty")));
    const double total = roundMoney(numberParam(ctx.params, QStringLiteral("Total")));
    double costTotal = roundMoney(numberParam(ctx.params, QStringLiteral("costTotal")));
    if (typeId < 1 || typeId > 5)
        throw DytError(QStringLiteral("期初商品类型[%1]无效").arg(typeId));
    if (!db.scalar(QStringLiteral("SELECT 1 FROM baseGoods WHERE id = ? AND sonnum = 0"), {goods})
             .isValid())
        throw DytError(QStringLiteral("商品[%1]不存在").arg(goods));
    if (!db.scalar(QStringLiteral("SELECT 1 FROM baseWLDW WHERE id = ? AND sonnum = 0"), {wldw})
             .isValid())
        throw DytError(QStringLiteral("现在为所有单位合计值，请先选择某一单位后再修改！"));
    checkOpeningAmounts(qty, total);
    if (costTotal == 0)
        costTotal = total;
    // Goods consigned out are ours at cost (委托代销商品); goods held for a consignor are owed
    // to him at his price (受托代销商品款): their openings move those accounts' openings.
    double oldTotal = 0, oldCost = 0;
    {
        Statement st = db.prepare(QStringLiteral(
            "SELECT total(total), total(costtotal) FROM iniGoodsStockOther WHERE goodsid = ? AND "
            "wldw_id = ? AND typeid = ?"));
        st.bindAll({goods, wldw, typeId});
        if (st.step()) {
            oldTotal = st.value(0).toDouble();
            oldCost = st.value(1).toDouble();
        }
    }
    const double newTotal = qty == 0 ? 0.0 : total, newCost = qty == 0 ? 0.0 : costTotal;
    if (typeId == 3) {
        moveOpening(db, roleAccount(db, QStringLiteral("委托代销商品")),
                    roundMoney(newCost - oldCost));
    } else if (typeId == 4) {
        moveOpening(db, roleAccount(db, QStringLiteral("受托代销商品款")),
                    -roundMoney(newTotal - oldTotal));
    }
    db.execute(QStringLiteral("DELETE FROM iniGoodsStockOther WHERE goodsid = ? AND wldw_id = ? "
                              "AND typeid = ?"),
               {goods, wldw, typeId});
    db.execute(QStringLiteral("DELETE FROM baseGoodsStockOther WHERE goodsid = ? AND wldw_id = ? "
                              "AND typeid = ?"),
               {goods, wldw, typeId});
    if (qty == 0)
        return 0;
    const double price = roundQty(total / qty), costPrice = roundQty(costTotal / qty);
    db.execute(
        QStringLiteral("INSERT INTO iniGoodsStockOther(goodsid, wldw_id, typeid, qty, price, "
                       "total, costprice, costtotal) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        {goods, wldw, typeId, qty, price, total, costPrice, costTotal});
    const qint64 id = db.lastInsertId();
    db.execute(
        QStringLiteral("INSERT INTO baseGoodsStockOther(goodsid, wldw_id, typeid, qty, price, "
                       "total, costprice, costtotal) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        {goods, wldw, typeId, qty, price, total, costPrice, costTotal});
    ctx.params.setInt(QStringLiteral("id"), id);
    return static_cast<int>(id);
}

// Opening receivable, payable and advances of a partner; they are also its current balances
// and the opening balances of the four partner accounts.
int iniPartner(CallContext& ctx) {
    Database& db = ctx.db;
    refuseWhenOpened(db);
    const qint64 wldw = intParam(ctx.params, QStringLiteral("id"));
    const double ys = roundMoney(numberParam(ctx.params, QStringLiteral("ysTotal")));
    const double yf = roundMoney(numberParam(ctx.params, QStringLiteral("yfTotal")));
    const double yushou = roundMoney(numberParam(ctx.params, QStringLiteral("yuShouTotal")));
    const double yufu = roundMoney(numberParam(ctx.params, QStringLiteral("yufuTotal")));
    if (ys != 0 && yf != 0)
        throw DytError(QStringLiteral("不能同时录入期初应收和期初应付！"));
    if (yushou != 0 && yufu != 0)
        throw DytError(QStringLiteral("不能同时录入期初预收和期初预付！"));
    Statement st =
        db.prepare(QStringLiteral("SELECT ystotal00, yftotal00, yushouTotal00, yufuTotal00, sonnum "
                                  "FROM baseWLDW WHERE id = ?"));
    st.bind(1, wldw);
    if (!st.step())
        throw DytError(QStringLiteral("往来单位[%1]不存在").arg(wldw));
    if (st.value(4).toLongLong() > 0)
        throw DytError(QStringLiteral("本行为合计值，不能直接修改！"));
    const double oldYs = st.value(0).toDouble(), oldYf = st.value(1).toDouble();
    const double oldYushou = st.value(2).toDouble(), oldYufu = st.value(3).toDouble();
    db.execute(
        QStringLiteral("UPDATE baseWLDW SET ystotal00 = ?, yftotal00 = ?, yushouTotal00 = ?, "
                       "yufuTotal00 = ?, ystotal = ?, yftotal = ?, yushoutotal = ?, "
                       "yufutotal = ? WHERE id = ?"),
        {ys, yf, yushou, yufu, ys, yf, yushou, yufu, wldw});
    moveOpening(db, roleAccount(db, QStringLiteral("应收账款")), roundMoney(ys - oldYs));
    moveOpening(db, roleAccount(db, QStringLiteral("应付账款")), -roundMoney(yf - oldYf));
    moveOpening(db, roleAccount(db, QStringLiteral("预收账款")), -roundMoney(yushou - oldYushou));
    moveOpening(db, roleAccount(db, QStringLiteral("预付账款")), roundMoney(yufu - oldYufu));
    return 0;
}

// Opening balance of an account that is entered directly (not a category, not one whose opening
// follows from the opening stock or the partners).
int iniAccount(CallContext& ctx) {
    Database& db = ctx.db;
    refuseWhenOpened(db);
    const qint64 km = intParam(ctx.params, QStringLiteral("id"));
    const double total = roundMoney(numberParam(ctx.params, QStringLiteral("Total")));
    Statement st =
        db.prepare(QStringLiteral("SELECT sonnum, Total00, dc FROM baseKM WHERE id = ?"));
    st.bind(1, km);
    if (!st.step())
        throw DytError(QStringLiteral("会计科目[%1]不存在").arg(km));
    if (st.value(0).toLongLong() > 0)
        throw DytError(QStringLiteral("本行为合计值，不能直接修改！"));
    for (const char* role :
         {"库存商品", "应收账款", "应付账款", "预收账款", "预付账款", "本年利润", "固定资产"}) {
        if (roleAccount(db, QString::fromUtf8(role)) == km)
            throw DytError(QStringLiteral("本行金额不能直接修改！"));
    }
    // The opening of an asset account is the sum of its cards' opening values.
    if (db.scalar(QStringLiteral("SELECT 1 FROM GDZCDetail WHERE IsBaseInfo = 0 AND Del <> 1 AND "
                                 "km_id = ? LIMIT 1"),
                  {km})
            .isValid())
        throw DytError(QStringLiteral("本行金额不能直接修改！"));
    const double dc = st.value(2).toDouble() < 0 ? -1.0 : 1.0;
    const double change = roundMoney(total - st.value(1).toDouble());
    moveOpening(db, km, dc * change);
    return 0;
}

// P_JXC_GDZC_Save: adds (id 0), changes or (del 1) deletes a fixed-asset card: code, Name,
// km_id (the asset account, 0 for the role account 固定资产), lbid (class), zjfsid
// (depreciation method), BuyDate, czl (salvage rate in percent), zjys (depreciation months),
// dep_id, comment and yz. The accumulated depreciation is the bills' alone (depreciation, sale);
// the original value too, except the opening value of a card no bill has moved, which may be
// set while the account set is not opened and moves the opening balance of the card's account
// with it. The account of a card with bills stays as it is; such a card is not deleted.
int saveAssetCard(CallContext& ctx) {
    Database& db = ctx.db;
    const ParamList& p = ctx.params;
    const qint64 id = intParam(p, QStringLiteral("id"), false);
    const bool moved =
        id > 0 &&
        db.scalar(QStringLiteral("SELECT 1 FROM djGDZCDetail WHERE gdzc_id = ? LIMIT 1"), {id})
            .isValid();
    struct Stored {
        qint64 km = 0;
        double yz = 0;
    };
    std::optional<Stored> stored;
    if (id > 0) {
        Statement st = db.prepare(QStringLiteral(
            "SELECT km_id, yz FROM GDZCDetail WHERE id = ? AND IsBaseInfo = 0 AND Del <> 1"));
        st.bind(1, id);
        if (!st.step())
            throw DytError(QStringLiteral("固定资产[%1]不存在，有可能已被删除").arg(id));
        stored = Stored{st.value(0).toLongLong(), roundMoney(st.value(1).toDouble())};
    }
    const auto assetAccount = [&db](qint64 km) {
        return km > 0 ? km : roleAccount(db, QStringLiteral("固定资产"));
    };
    if (p.value(QStringLiteral("del")).trimmed() == u"1") {
        if (!stored)
            throw DytError(QStringLiteral("请选择要删除的固定资产！"));
        if (moved)
            throw DytError(QStringLiteral("固定资产已经有业务单据，不能删除！"));
        if (stored->yz != 0) {
            refuseWhenOpened(db);
            moveOpening(db, assetAccount(stored->km), -stored->yz);
        }
        db.execute(QStringLiteral("UPDATE GDZCDetail SET Del = 1 WHERE id = ?"), {id});
        return static_cast<int>(id);
    }
    const QString code = p.value(QStringLiteral("code")).trimmed();
    const QString name = p.value(QStringLiteral("Name")).trimmed();
    if (code.isEmpty() || name.isEmpty())
        throw DytError(QStringLiteral("固定资产的编号和名称不能为空！"));
    if (db.scalar(QStringLiteral("SELECT 1 FROM GDZCDetail WHERE IsBaseInfo = 0 AND Del <> 1 AND "
                                 "code = ? AND id <> ?"),
                  {code, id})
            .isValid())
        throw DytError(QStringLiteral("固定资产编号[%1]已经存在！").arg(code));
    const qint64 km = intParam(p, QStringLiteral("km_id"), false);
    if (km > 0) {
        const QVariant sons =
            db.scalar(QStringLiteral("SELECT sonnum FROM baseKM WHERE id = ?"), {km});
        if (!sons.isValid())
            throw DytError(QStringLiteral("会计科目[%1]不存在").arg(km));
        if (sons.toLongLong() > 0)
            throw DytError(QStringLiteral("会计科目是分类，请选择它下面的科目！"));
    }
    auto baseInfo = [&](const char* field, int list, const char* what) {
        const qint64 v = intParam(p, QLatin1String(field), false);
        if (v > 0 && !db.scalar(QStringLiteral("SELECT 1 FROM GDZCDetail WHERE id = ? AND "
                                               "IsBaseInfo = ? AND Del <> 1"),
                                {v, list})
                          .isValid())
            throw DytError(QStringLiteral("%1[%2]不存在").arg(QString::fromUtf8(what)).arg(v));
        return v;
    };
    const qint64 lbid = baseInfo("lbid", 1, "固定资产类别");
    const qint64 zjfsid = baseInfo("zjfsid", 2, "折旧方式");
    const double czl = numberParam(p, QStringLiteral("czl"));
    const qint64 months = intParam(p, QStringLiteral("zjys"), false);
    if (czl < 0 || czl >= 100 || months < 0)
        throw DytError(QStringLiteral("残值率应在0到100之间，折旧月数不能为负数！"));
    const QString buyDate = p.value(QStringLiteral("BuyDate")).trimmed().isEmpty()
                                ? QString()
                                : dateParam(p, QStringLiteral("BuyDate"));
    // The original value: kept unless it changes; a change is an opening value.
    const double oldYz = stored ? stored->yz : 0.0;
    const double yz = p.contains(QStringLiteral("yz"))
                          ? roundMoney(numberParam(p, QStringLiteral("yz")))
                          : oldYz;
    if (yz < 0)
        throw DytError(QStringLiteral("固定资产的原值不能为负数！"));
    if (stored && stored->km != km && moved)
        throw DytError(QStringLiteral("固定资产已经有业务单据，不能修改它的会计科目！"));
    if (yz != oldYz) {
        if (moved)
            throw DytError(QStringLiteral("固定资产已经有业务单据，原值由单据决定，不能修改！"));
        if (accountSetOpened(db))
            throw DytError(
                QStringLiteral("已经开账，固定资产的原值只能由固定资产购置单增加，不能直接修改！"));
    }
    // An opening value follows the card from its old account to its new one.
    if (!moved && !accountSetOpened(db)) {
        if (oldYz != 0)
            moveOpening(db, assetAccount(stored->km), -oldYz);
        if (yz != 0)
            moveOpening(db, assetAccount(km), yz);
    } else if (stored && stored->km != km && oldYz != 0) {
        throw DytError(QStringLiteral("已经开账，有原值的固定资产不能修改它的会计科目！"));
    }
    const QVariantList values{code, name, km, lbid, zjfsid, buyDate, czl, months,
                              intParam(p, QStringLiteral("dep_id"), false),
                              p.value(QStringLiteral("comment")).trimmed(), yz};
    if (!stored) {
        db.execute(QStringLiteral("INSERT INTO GDZCDetail(code, Name, km_id, lbid, zjfsid, "
                                  "BuyDate, czl, zjys, dep_id, comment, yz, IsBaseInfo, Del, "
                                  "ljzj) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, 0, 0)"),
                   values);
        const qint64 newId = db.lastInsertId();
        ctx.params.setInt(QStringLiteral("id"), newId);
        return static_cast<int>(newId);
    }
    db.execute(QStringLiteral("UPDATE GDZCDetail SET code = ?, Name = ?, km_id = ?, lbid = ?, "
                              "zjfsid = ?, BuyDate = ?, czl = ?, zjys = ?, dep_id = ?, "
                              "comment = ?, yz = ? WHERE id = ?"),
               values + QVariantList{id});
    return static_cast<int>(id);
}

}  // namespace

void registerLedgerProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("P_JXC_GDZC_Save"), saveAssetCard);
    procedures.add(QStringLiteral("P_JXC_DJ_CopyRed"), copyRed);
    procedures.add(QStringLiteral("P_JXC_DJ_PostDel"), postDel);
    procedures.add(QStringLiteral("P_JXC_DJ_Other"), changeOrderState);
    procedures.add(QStringLiteral("P_JXC_DJ_PostOther"), postOther);
    procedures.add(QStringLiteral("P_JXC_InertDJList"), insertDjList);
    procedures.add(QStringLiteral("P_SYS_UP_Open"), openAccountSet);
    procedures.add(QStringLiteral("P_JXC_INI_GoodsStock"), iniGoodsStock);
    procedures.add(QStringLiteral("P_JXC_INI_GoodsStockOther"), iniGoodsStockOther);
    procedures.add(QStringLiteral("P_JXC_INI_baseWLDW"), iniPartner);
    procedures.add(QStringLiteral("P_JXC_INI_baseKM"), iniAccount);
}

}  // namespace dyt::server
