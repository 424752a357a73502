// Invoicing: the purchase and sales invoices by bill (67, 69) and by goods (68, 70). An invoice
// moves neither stock nor money; it records, per line, the amount invoiced (kpTotal) against a
// posted bill of its partner (s_id) or against one goods line of such a bill (s_orderid). What
// has been invoiced of a bill or a line is kept in that bill's own kpTotal (djIndex, djList) and
// is always the sum over the posted invoices that name it, so that deletion and red reversal of
// an invoice give back exactly what it took, whatever order things happen in.
#include <QHash>
#include <QSet>

#include "common/error.h"
#include "server/db/database.h"
#include "server/ledger/ledger_internal.h"

namespace dyt::server::ledger {
namespace {

constexpr double kCent = 0.00005;  // half of the last stored decimal of an amount

QString amountText(double v) {
    return QString::number(roundMoney(v), 'f', 2);
}

// The bill kinds an invoice of a kind may invoice.
QList<int> invoicedKinds(int invoiceKind) {
    if (invoiceKind == kPurchaseInvoiceByBill || invoiceKind == kPurchaseInvoiceByGoods)
        return {kPurchase, 37, 46};  // 进货单, 借转进货单, 受托结算单
    return {kSale, 40, 44};          // 销售单, 借转销售单, 委托结算单
}

QString familyName(int invoiceKind) {
    return invoiceKind == kPurchaseInvoiceByBill || invoiceKind == kPurchaseInvoiceByGoods
               ? QStringLiteral("进货单据")
               : QStringLiteral("销售单据");
}

struct InvoiceLine {
    qint64 orderid = 0;
    qint64 sourceBill = 0;
    qint64 sourceLine = 0;
    qint64 goods = 0;
    double amount = 0;
};

QList<InvoiceLine> invoiceLines(Database& db, qint64 invoiceId) {
    Statement st = db.prepare(
        QStringLiteral("SELECT orderid, s_id, s_orderid, goodsid, kpTotal FROM djList WHERE id = ? "
                       "ORDER BY orderid"));
    st.bind(1, invoiceId);
    QList<InvoiceLine> out;
    while (st.step()) {
        out << InvoiceLine{st.value(0).toLongLong(), st.value(1).toLongLong(),
                           st.value(2).toLongLong(), st.value(3).toLongLong(),
                           roundMoney(st.value(4).toDouble())};
    }
    return out;
}

// What the posted invoices (without `without`) have invoiced of a bill and of a bill line.
const char* const kBillInvoiced =
    "SELECT COALESCE(SUM(k.kpTotal), 0) FROM djList AS k JOIN djIndex AS i ON i.id = k.id WHERE "
    "k.s_id = ? AND k.dj_state = 2 AND i.dj_state = 2 AND i.djType IN (67, 68, 69, 70) AND "
    "i.id <> ?";
const char* const kLineInvoiced =
    "SELECT COALESCE(SUM(k.kpTotal), 0) FROM djList AS k JOIN djIndex AS i ON i.id = k.id WHERE "
    "k.s_id = ? AND k.s_orderid = ? AND k.dj_state = 2 AND i.dj_state = 2 AND i.djType IN (68, "
    "70) AND i.id <> ?";

// Writes what has been invoiced into the bills and lines an invoice names.
void refresh(Database& db, const QList<InvoiceLine>& lines, qint64 without) {
    QSet<qint64> bills;
    QSet<std::pair<qint64, qint64>> goodsLines;
    for (const InvoiceLine& l : lines) {
        if (l.sourceBill > 0)
            bills.insert(l.sourceBill);
        if (l.sourceBill > 0 && l.sourceLine > 0)
            goodsLines.insert({l.sourceBill, l.sourceLine});
    }
    for (const auto& [bill, line] : goodsLines) {
        const double done =
            db.scalar(QString::fromLatin1(kLineInvoiced), {bill, line, without}).toDouble();
        db.execute(QStringLiteral("UPDATE djList SET kpTotal = ? WHERE orderid = ? AND id = ?"),
                   {roundMoney(done), line, bill});
    }
    for (qint64 bill : bills) {
        const double done =
            db.scalar(QString::fromLatin1(kBillInvoiced), {bill, without}).toDouble();
        db.execute(QStringLiteral("UPDATE djIndex SET kpTotal = ? WHERE id = ?"),
                   {roundMoney(done), bill});
    }
}

struct Source {
    QString code;
    int kind = 0;
    int state = 0;
    int isred = 0;
    int isredword = 0;
    qint64 wldw = 0;
    double amount = 0;
};

Source sourceBill(Database& db, qint64 id) {
    Statement st = db.prepare(
        QStringLiteral("SELECT code, djType, dj_state, isred, isredword, wldw_id, taxTotalSum FROM "
                       "djIndex WHERE id = ?"));
    st.bind(1, id);
    Source s;
    if (st.step()) {
        s = Source{st.value(0).toString(),   st.value(1).toInt(),       st.value(2).toInt(),
                   st.value(3).toInt(),      st.value(4).toInt(),       st.value(5).toLongLong(),
                   roundMoney(st.value(6).toDouble())};
    }
    return s;
}

}  // namespace

bool isInvoice(int djType) {
    return djType >= kPurchaseInvoiceByBill && djType <= kSaleInvoiceByGoods;
}

bool invoicesGoods(int djType) {
    return djType == kPurchaseInvoiceByGoods || djType == kSaleInvoiceByGoods;
}

void postInvoice(Database& db, const Bill& b, const QList<Line>& /*lines*/) {
    // A reversed invoice is booked again only by the repair, next to its red bill: the two count
    // nothing together, whatever became of the bills they name.
    if (b.isred == 1) {
        refresh(db, invoiceLines(db, b.id), 0);
        return;
    }
    if (b.wldw <= 0)
        throw DytError(QStringLiteral("开票单据没有选择往来单位，不能过账！"));
    const bool byGoods = invoicesGoods(b.djType);
    const QList<int> kinds = invoicedKinds(b.djType);
    QList<InvoiceLine> lines = invoiceLines(db, b.id);
    QHash<qint64, double> thisBill;  // per source bill: what this invoice invoices of it
    QHash<qint64, double> thisLine;  // per source line
    QHash<qint64, QString> goodsName;
    int number = 0;
    double sum = 0;
    for (InvoiceLine& l : lines) {
        ++number;
        if (byGoods) {
            if (l.sourceLine <= 0)
                throw DytError(QStringLiteral("第%1行没有选择开票的商品！").arg(number));
            Statement st = db.prepare(QStringLiteral(
                "SELECT b.id, b.goodsid, g.fullname FROM djList AS b LEFT JOIN baseGoods AS g ON "
                "g.id = b.goodsid WHERE b.orderid = ? AND b.goodsid > 0"));
            st.bind(1, l.sourceLine);
            if (!st.step())
                throw DytError(QStringLiteral("第%1行开票的商品行不存在！").arg(number));
            const qint64 bill = st.value(0).toLongLong();
            if ((l.sourceBill > 0 && l.sourceBill != bill) ||
                (l.goods > 0 && l.goods != st.value(1).toLongLong()))
                throw DytError(QStringLiteral("第%1行的商品与开票的单据不符！").arg(number));
            if (l.sourceBill <= 0) {
                l.sourceBill = bill;
                db.execute(QStringLiteral("UPDATE djList SET s_id = ? WHERE orderid = ?"),
                           {bill, l.orderid});
            }
            goodsName.insert(l.sourceLine, st.value(2).toString());
        } else if (l.sourceBill <= 0) {
            throw DytError(QStringLiteral("第%1行没有选择开票的单据！").arg(number));
        }
        const Source s = sourceBill(db, l.sourceBill);
        if (s.state != 2)
            throw DytError(QStringLiteral("第%1行开票的单据不存在或没有过账！").arg(number));
        if (s.isred == 1 || s.isredword == 1) {
            throw DytError(
                QStringLiteral("第%1行的单据[%2]已经红冲，不能开票！").arg(number).arg(s.code));
        }
        if (!kinds.contains(s.kind)) {
            throw DytError(QStringLiteral("第%1行的单据[%2]不是%3，不能在本单据中开票！")
                               .arg(number)
                               .arg(s.code, familyName(b.djType)));
        }
        if (s.wldw != b.wldw) {
            throw DytError(
                QStringLiteral("第%1行的单据[%2]不是本往来单位的单据！").arg(number).arg(s.code));
        }
        if (l.amount <= 0)
            throw DytError(QStringLiteral("第%1行的开票金额必须大于零！").arg(number));
        thisBill[l.sourceBill] += l.amount;
        if (byGoods)
            thisLine[l.sourceLine] += l.amount;
        sum += l.amount;
    }
    if (lines.isEmpty())
        throw DytError(QStringLiteral("必须录入明细数据！"));

    // Nothing may be invoiced beyond its amount: the bill as a whole, and each goods line.
    for (auto it = thisLine.cbegin(); it != thisLine.cend(); ++it) {
        Statement st = db.prepare(
            QStringLiteral("SELECT b.id, b.taxTotalSum, a.code FROM djList AS b JOIN djIndex AS a "
                           "ON a.id = b.id WHERE b.orderid = ?"));
        st.bind(1, it.key());
        st.step();
        const qint64 bill = st.value(0).toLongLong();
        const double amount = roundMoney(st.value(1).toDouble());
        const double before =
            db.scalar(QString::fromLatin1(kLineInvoiced), {bill, it.key(), b.id}).toDouble();
        if (roundMoney(before + it.value()) > amount + kCent) {
            throw DytError(
                QStringLiteral("单据[%1]的商品[%2]未开票金额只有%3，不能再开票%4！")
                    .arg(st.value(2).toString(), goodsName.value(it.key()),
                         amountText(amount - before), amountText(it.value())));
        }
    }
    for (auto it = thisBill.cbegin(); it != thisBill.cend(); ++it) {
        const Source s = sourceBill(db, it.key());
        const double before =
            db.scalar(QString::fromLatin1(kBillInvoiced), {it.key(), b.id}).toDouble();
        if (roundMoney(before + it.value()) > s.amount + kCent) {
            throw DytError(QStringLiteral("单据[%1]未开票金额只有%2，不能再开票%3！")
                               .arg(s.code, amountText(s.amount - before), amountText(it.value())));
        }
    }
    // The invoice's amount is what it invoices; its lines show the amounts of what they invoice.
    db.execute(
        QStringLiteral("UPDATE djIndex SET kpTotal = ?, total = ?, taxTotalSum = ? WHERE id = ?"),
        {roundMoney(sum), roundMoney(sum), roundMoney(sum), b.id});
    refresh(db, lines, 0);
}

void takeBackInvoice(Database& db, qint64 invoiceId, bool stillCounted) {
    refresh(db, invoiceLines(db, invoiceId), stillCounted ? invoiceId : 0);
}

void refuseWhenInvoiced(Database& db, qint64 billId, const QString& action) {
    if (db.scalar(QStringLiteral("SELECT 1 FROM djList AS k JOIN djIndex AS i ON i.id = k.id "
                                 "WHERE k.s_id = ? AND k.dj_state = 2 AND i.dj_state = 2 AND "
                                 "i.isred = 0 AND i.isredword = 0 AND i.djType IN (67, 68, 69, "
                                 "70) LIMIT 1"),
                  {billId})
            .isValid()) {
        throw DytError(QStringLiteral("单据已经开票，不能%1，请先删除或红冲对应的开票单据！")
                           .arg(action));
    }
}

}  // namespace dyt::server::ledger
