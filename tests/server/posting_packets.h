#pragma once
// The parameter lines and packets of QMXService "SaveToDB"/"SaveToDraft" as the bill windows
// build them.

#include <QString>
#include <QStringList>

#include <vector>

#include "common/paramlist.h"
#include "common/recordset.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {

using dyt::test::textRows;

// One goods line of a bill: goods, quantity and price; the amounts follow as the bill window
// computes them without tax, discount or freight.
struct GoodsLine {
    qint64 goods = 0;
    double qty = 0;
    double price = 0;
    qint64 intoStock = 0;  // the line's own warehouse; 0 = the header's
    qint64 goodspc = 0;    // the batch chosen
    int unit = 0;          // the goods' unit slot
    QString note{};
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

// A goods bill of the kind, day and partner with its lines and the accounts it pays through.
inline GoodsBill goodsBill(int djType, const char* date, qint64 partner,
                           std::vector<GoodsLine> lines, std::vector<AccountLine> accounts = {},
                           qint64 warehouse = 301) {
    GoodsBill b;
    b.djType = djType;
    b.date = QString::fromLatin1(date);
    b.code = u"B%1-%2"_s.arg(djType).arg(b.date);
    b.partner = partner;
    b.intoStock = warehouse;
    b.lines = std::move(lines);
    b.accounts = std::move(accounts);
    return b;
}
inline QString num(double v) {
    return QString::number(v, 'f', 4);
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
    ParamList p(
        u"date=%1\ncode=%2\nwldw_id=%3\njsr_id=2\ndep_id=401\nIntoStock_id=%4\nsummery=\n"
        "sfkTotal=%5\nyouhuiTotal=0\ncomment=\ndj_Caption=单据\ndjType=%6\nOldBillid=%7\n"
        "total=%8"_s.arg(b.date, b.code, b.partner > 0 ? QString::number(b.partner) : QString())
            .arg(b.intoStock)
            .arg(num(paid))
            .arg(b.djType)
            .arg(b.oldId)
            .arg(QString::number(sum, 'f', 2)));
    p.setValue(u"sfkKm_id"_s,
               b.accounts.empty() ? QString() : QString::number(b.accounts.front().km));
    if (b.outStock > 0)
        p.setValue(u"OutStock_id"_s, QString::number(b.outStock));
    return p;
}

inline RecordSet goodsLinesPacket(const GoodsBill& b) {
    QList<QStringList> rows;
    for (const GoodsLine& l : b.lines) {
        // In the base unit (slot 0, ratio 1), without discount, tax or freight.
        rows << u"%1||SP%1|商品%1|%2|%3|0|1|%4|%5|%6|1|%5|%6|0|0|%5|%6|0|%5|%6|0||0|0"_s
                    .arg(l.goods)
                    .arg(l.intoStock)
                    .arg(l.goodspc)
                    .arg(num(l.qty), num(l.price), num(l.qty * l.price))
                    .split(u'|');
        rows.last()[6] = QString::number(l.unit);
        rows.last()[22] = l.note;
    }
    // The grid keeps empty rows below the bill's lines; the packet carries them too.
    rows << QStringList(25, QString());
    return textRows(
        {u"goodsid"_s,   u"orderid"_s,  u"goodsCode"_s,     u"goodsname"_s,     u"IntoStock_id"_s,
         u"goodspc"_s,   u"unitid"_s,   u"rate"_s,          u"qty"_s,           u"Price"_s,
         u"Total"_s,     u"discount"_s, u"discountprice"_s, u"discounttotal"_s, u"tax"_s,
         u"Taxtotal"_s,  u"TaxPrice"_s, u"taxTotalSum"_s,   u"yftotal"_s,       u"costPrice"_s,
         u"costTotal"_s, u"RowType"_s,  u"comment"_s,       u"s_id"_s,          u"s_orderid"_s},
        rows);
}

inline RecordSet accountPacket(const std::vector<AccountLine>& accounts) {
    QList<QStringList> rows;
    for (const AccountLine& a : accounts)
        rows << QStringList{QString::number(a.km), QString::number(a.type), u"0"_s, num(a.amount)};
    return textRows({u"km_id"_s, u"type"_s, u"dbtotal"_s, u"Lendtotal"_s}, rows);
}

inline ParamList moneyBillParams(const MoneyBill& b) {
    double sum = 0;
    for (const AccountLine& a : b.accounts)
        sum += a.amount;
    return ParamList(
        u"date=%1\ncode=%2\nwldw_id=%3\njsr_id=2\ndep_id=401\nsummery=\nyouhuiTotal=0\n"
        "dj_Caption=%4\ndjType=%5\nOldBillid=0\ntotal=%6\nhhlx=%7\ncomment="_s
            .arg(b.date, b.code, QString::number(b.partner),
                 b.djType == 21 ? u"收款单"_s : u"付款单"_s)
            .arg(b.djType)
            .arg(QString::number(sum, 'f', 2))
            .arg(b.prepayment));
}

// The upper grid of a receipt or payment: one row per account.
inline RecordSet moneyAccountRows(const MoneyBill& b) {
    QList<QStringList> rows;
    for (const AccountLine& a : b.accounts)
        rows << QStringList{QString::number(a.km), {}, {}, {}, num(a.amount), {}};
    return textRows(
        {u"km_id"_s, u"orderid"_s, u"km_Code"_s, u"km_Name"_s, u"total"_s, u"rowbeizhu1"_s}, rows);
}

// The lower grid: the open bills of the partner with the amount settled now.
inline RecordSet settledRows(const MoneyBill& b) {
    QList<QStringList> rows;
    for (const SettledBill& s : b.settled) {
        rows << QStringList{QString::number(s.billId),
                            u"1"_s,
                            QString(),
                            b.date,
                            num(s.amount),
                            num(s.amount),
                            num(s.amount)};
    }
    return textRows(
        {u"s_id"_s, u"djType"_s, u"billCode"_s, u"date"_s, u"totalSum"_s, u"ye"_s, u"Total"_s},
        rows);
}

}  // namespace dyt::server::test
