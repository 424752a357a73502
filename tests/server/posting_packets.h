#pragma once
// The parameter lines and data packets of QMXService "SaveToDB"/"SaveToDraft" as the bill windows
// build them: header lines named after the header fields, a lines packet with one text field
// (width 8000) per grid column, an account packet (km_id, type, dbtotal, Lendtotal); receipts and
// payments send their account rows first and the bills they settle second.

#include <QString>
#include <QStringList>

#include <vector>

#include "common/paramlist.h"
#include "common/recordset.h"

namespace dyt::server::test {

// One goods line of a bill: goods, quantity and price; the amounts follow as the bill window
// computes them without tax, discount or freight.
struct GoodsLine {
    qint64 goods = 0;
    double qty = 0;
    double price = 0;
    qint64 intoStock = 0;  // the line's own warehouse; 0 = the header's
    qint64 goodspc = 0;    // the batch chosen
};

// One account a bill pays or receives through (type 1 payment accounts, 2 freight accounts).
struct AccountLine {
    qint64 km = 0;
    double amount = 0;
    int type = 1;
};

struct GoodsBill {
    int djType = 0;
    QString date;
    QString code;
    qint64 partner = 0;    // wldw_id; 0 for bills without a partner
    qint64 intoStock = 0;  // the header warehouse
    qint64 outStock = 0;   // the second warehouse of transfers
    qint64 oldId = 0;      // the draft this save replaces
    std::vector<GoodsLine> lines;
    std::vector<AccountLine> accounts;
};

// A settled-bill row of a receipt or payment: the bill and the amount settled now.
struct SettledBill {
    qint64 billId = 0;
    double amount = 0;
};

struct MoneyBill {
    int djType = 21;
    QString date;
    QString code;
    qint64 partner = 0;
    int prepayment = 0;  // hhlx
    std::vector<AccountLine> accounts;
    std::vector<SettledBill> settled;
};

inline QString num(double v) {
    return QString::number(v, 'f', 4);
}

inline RecordSet textPacket(const QStringList& fields) {
    RecordSet rs;
    for (const QString& f : fields)
        rs.addField(f, FieldType::Text, 8000);
    return rs;
}

inline void addRow(RecordSet& rs, const QStringList& values) {
    RecordSet::Row row;
    for (const QString& v : values)
        row.append(v);
    rs.appendRow(row);
}

inline ParamList goodsBillParams(const GoodsBill& b) {
    double sum = 0;
    for (const GoodsLine& l : b.lines)
        sum += l.qty * l.price;
    double paid = 0;
    for (const AccountLine& a : b.accounts) {
        if (a.type == 1)
            paid += a.amount;
    }
    ParamList p;
    p.setValue(QStringLiteral("date"), b.date);
    p.setValue(QStringLiteral("code"), b.code);
    p.setValue(QStringLiteral("wldw_id"), b.partner > 0 ? QString::number(b.partner) : QString());
    p.setValue(QStringLiteral("jsr_id"), QStringLiteral("2"));
    p.setValue(QStringLiteral("dep_id"), QStringLiteral("401"));
    p.setValue(QStringLiteral("IntoStock_id"), QString::number(b.intoStock));
    if (b.outStock > 0)
        p.setValue(QStringLiteral("OutStock_id"), QString::number(b.outStock));
    p.setValue(QStringLiteral("summery"), QString());
    p.setValue(QStringLiteral("sfkKm_id"),
               b.accounts.empty() ? QString() : QString::number(b.accounts.front().km));
    p.setValue(QStringLiteral("sfkTotal"), num(paid));
    p.setValue(QStringLiteral("youhuiTotal"), QStringLiteral("0"));
    p.setValue(QStringLiteral("comment"), QString());
    p.setValue(QStringLiteral("dj_Caption"), QStringLiteral("单据"));
    p.setInt(QStringLiteral("djType"), b.djType);
    p.setInt(QStringLiteral("OldBillid"), b.oldId);
    p.setValue(QStringLiteral("total"), QString::number(sum, 'f', 2));
    return p;
}

inline RecordSet goodsLinesPacket(const GoodsBill& b) {
    RecordSet rs = textPacket({QStringLiteral("goodsid"),       QStringLiteral("orderid"),
                               QStringLiteral("goodsCode"),     QStringLiteral("goodsname"),
                               QStringLiteral("IntoStock_id"),  QStringLiteral("goodspc"),
                               QStringLiteral("unitid"),        QStringLiteral("rate"),
                               QStringLiteral("qty"),           QStringLiteral("Price"),
                               QStringLiteral("Total"),         QStringLiteral("discount"),
                               QStringLiteral("discountprice"), QStringLiteral("discounttotal"),
                               QStringLiteral("tax"),           QStringLiteral("Taxtotal"),
                               QStringLiteral("TaxPrice"),      QStringLiteral("taxTotalSum"),
                               QStringLiteral("yftotal"),       QStringLiteral("costPrice"),
                               QStringLiteral("costTotal"),     QStringLiteral("RowType"),
                               QStringLiteral("comment"),       QStringLiteral("s_id"),
                               QStringLiteral("s_orderid")});
    for (const GoodsLine& l : b.lines) {
        const QString total = num(l.qty * l.price);
        addRow(rs, {QString::number(l.goods),
                    QString(),
                    QStringLiteral("SP%1").arg(l.goods),
                    QStringLiteral("商品%1").arg(l.goods),
                    QString::number(l.intoStock),
                    QString::number(l.goodspc),
                    QStringLiteral("0"),  // the base unit (slot 0), ratio 1
                    QStringLiteral("1"),
                    num(l.qty),
                    num(l.price),
                    total,
                    QStringLiteral("1"),
                    num(l.price),
                    total,
                    QStringLiteral("0"),
                    QStringLiteral("0"),
                    num(l.price),
                    total,
                    QStringLiteral("0"),
                    num(l.price),
                    total,
                    QStringLiteral("0"),
                    QString(),
                    QStringLiteral("0"),
                    QStringLiteral("0")});
    }
    // The grid keeps empty rows below the bill's lines; the packet carries them too.
    addRow(rs, QStringList(rs.fieldCount(), QString()));
    return rs;
}

inline RecordSet accountPacket(const std::vector<AccountLine>& accounts) {
    RecordSet rs = textPacket({QStringLiteral("km_id"), QStringLiteral("type"),
                               QStringLiteral("dbtotal"), QStringLiteral("Lendtotal")});
    for (const AccountLine& a : accounts) {
        addRow(rs, {QString::number(a.km), QString::number(a.type), QStringLiteral("0"),
                    num(a.amount)});
    }
    return rs;
}

inline ParamList moneyBillParams(const MoneyBill& b) {
    double sum = 0;
    for (const AccountLine& a : b.accounts)
        sum += a.amount;
    ParamList p;
    p.setValue(QStringLiteral("date"), b.date);
    p.setValue(QStringLiteral("code"), b.code);
    p.setValue(QStringLiteral("wldw_id"), QString::number(b.partner));
    p.setValue(QStringLiteral("jsr_id"), QStringLiteral("2"));
    p.setValue(QStringLiteral("dep_id"), QStringLiteral("401"));
    p.setValue(QStringLiteral("summery"), QString());
    p.setValue(QStringLiteral("youhuiTotal"), QStringLiteral("0"));
    p.setValue(QStringLiteral("dj_Caption"),
               b.djType == 21 ? QStringLiteral("收款单") : QStringLiteral("付款单"));
    p.setInt(QStringLiteral("djType"), b.djType);
    p.setInt(QStringLiteral("OldBillid"), 0);
    p.setValue(QStringLiteral("total"), QString::number(sum, 'f', 2));
    p.setInt(QStringLiteral("hhlx"), b.prepayment);
    p.setValue(QStringLiteral("comment"), QString());
    return p;
}

// The upper grid of a receipt or payment: one row per account.
inline RecordSet moneyAccountRows(const MoneyBill& b) {
    RecordSet rs = textPacket({QStringLiteral("km_id"), QStringLiteral("orderid"),
                               QStringLiteral("km_Code"), QStringLiteral("km_Name"),
                               QStringLiteral("total"), QStringLiteral("rowbeizhu1")});
    for (const AccountLine& a : b.accounts) {
        addRow(rs,
               {QString::number(a.km), QString(), QString(), QString(), num(a.amount), QString()});
    }
    return rs;
}

// The lower grid: the open bills of the partner with the amount settled now.
inline RecordSet settledRows(const MoneyBill& b) {
    RecordSet rs =
        textPacket({QStringLiteral("s_id"), QStringLiteral("djType"), QStringLiteral("billCode"),
                    QStringLiteral("date"), QStringLiteral("totalSum"), QStringLiteral("ye"),
                    QStringLiteral("Total")});
    for (const SettledBill& s : b.settled) {
        addRow(rs, {QString::number(s.billId), QStringLiteral("1"), QString(), b.date,
                    num(s.amount), num(s.amount), num(s.amount)});
    }
    return rs;
}

}  // namespace dyt::server::test
