#pragma once
// Shared set-up of the bill tests: rows as text, goods and warning lines, a bill window's data
// module on the recording transport, and the sales account set on a real server.
#include <QTest>
#include <QtWidgets>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include "billframe_support.h"
#include "client/bills/billkinds.h"
#include "client/bills/billwarnings.h"
#include "client/bills/selectgoods.h"
#include "client/common/gridview.h"
#include "client/common/windowregistry.h"
#include "client/logic/clientconfig.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/settings.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "protocol/protocol.h"
#include "support/joined.h"
#include "support/serverfixture.h"
#include "support/testutil.h"

namespace dyt::test {

inline QString cellOf(const RecordSet& rs, int row, const QString& field) {
    return rs.at(row, rs.fieldIndex(field)).toString();
}

// The cells of a bill's row, the header texts of a bill, the fields of a record-set row.
template <typename Bill>
QString cells(const Bill& bill, int row, const QString& fields) {
    return each(fields, [&](const QString& f) { return bill.cell(row, f); });
}
template <typename Bill>
QString headers(const Bill& bill, const QString& controls) {
    return each(controls, [&](const QString& c) { return bill.headerText(c); });
}
inline QString rowOf(const RecordSet& rs, int row, const QString& fields) {
    return each(fields, [&](const QString& f) { return cellOf(rs, row, f); });
}
// Every row of a record set, its fields by ' ' (numbers to four places), the rows by '|'.
inline QString rowsOf(const RecordSet& rs, const QString& fields) {
    QStringList rows;
    for (int r = 0; r < rs.rowCount(); ++r) {
        QStringList cells;
        for (const QString& f : fields.split(u',')) {
            const int i = rs.fieldIndex(f);
            const QVariant v = i < 0 ? QVariant(QStringLiteral("<no field>")) : rs.at(r, i);
            cells << (i < 0 || rs.field(i).type == FieldType::Text
                          ? v.toString()
                          : QString::number(std::round(v.toDouble() * 1e4) / 1e4));
        }
        rows << cells.join(u' ');
    }
    return rows.join(u'|');
}
// The same as numbers to four places, for rows the server answers.
inline QString numbersOf(const RecordSet& rs, int row, const QString& fields) {
    return each(fields, [&](const QString& f) {
        return QString::number(std::round(rs.at(row, rs.fieldIndex(f)).toDouble() * 1e4) / 1e4);
    });
}

// Goods (by default named 商品<id>, code SP<id>; unit 个) as the goods window hands them to a bill.
inline client::SelectedGoods goods(qint64 id, double qty, double price, const QString& name = {},
                                   const QString& code = {}) {
    client::SelectedGoods g;
    g.goodsId = id;
    g.code = code.isEmpty() ? QStringLiteral("SP%1").arg(id) : code;
    g.name = name.isEmpty() ? QStringLiteral("商品%1").arg(id) : name;
    g.unitName = QStringLiteral("个");
    g.qty = qty;
    g.price = price;
    return g;
}

// A bill line as the save-time warning checks see it.
inline client::WarnLine warnLine(int row, qint64 goods, qint64 stock, double qty, double price = 0,
                                 qint64 unit = 0) {
    client::WarnLine l;
    l.row = row;
    l.goodsId = goods;
    l.stockId = stock;
    l.unitId = unit;
    l.baseQty = qty;
    l.discountPrice = price;
    return l;
}

// The sales account set: a customer class with two customers and one customer outside it, two
// goods, a warehouse, an employee, and stock placed directly in the stock ledger.
enum : qint64 {
    kClass = 200,      // customer class 华东客户
    kCustomerA = 201,  // 甲公司, in the class
    kCustomerB = 202,  // 乙公司, in the class
    kOutsider = 203,   // 丙公司, outside the class
    kScrew = 101,      // 螺丝, unit 1011 个 (rate 1), unit 1012 盒 (rate 10)
    kGear = 102,       // 齿轮, unit 1021 个
    kStore = 301,      // 一号仓
    kEmployee = 2,     // 张三
};

class SalesServerFixture : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        dm.ExecUpdate(QStringLiteral("UPDATE sysData SET sysValue = '1' WHERE Name = 'isOpen'"));
        addRecord("baseGoods", kScrew, "SP101", "螺丝");
        addRecord("baseGoods", kGear, "SP102", "齿轮");
        addUnit(1011, kScrew, 0, "个", 1, QStringLiteral("4, 5"));
        addUnit(1012, kScrew, 1, "盒", 10, QStringLiteral("40, 50"));
        addUnit(1021, kGear, 0, "个", 1);
        addRecord("baseWLDW", kClass, "KH", "华东客户", 0, 2);
        addRecord("baseWLDW", kCustomerA, "KH201", "甲公司", kClass, 0,
                  {{"ys_xyd", QStringLiteral("1000")}});
        addRecord("baseWLDW", kCustomerB, "KH202", "乙公司", kClass);
        addRecord("baseWLDW", kOutsider, "KH203", "丙公司");
        addRecord("baseCK", kStore, "CK1", "一号仓");
        addRecord("baseZY", kEmployee, "002", "张三", 0, 0, {{"name", QStringLiteral("'张三'")}});
    }

    // Stock on hand of a goods in a warehouse at a unit cost.
    void putStock(qint64 goods, qint64 warehouse, double qty, double price) {
        dm.ExecUpdate(QStringLiteral("INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, qty, "
                                     "price, total) VALUES (%1, %2, 0, %3, %4, %5)")
                          .arg(goods)
                          .arg(warehouse)
                          .arg(qty)
                          .arg(price)
                          .arg(qty * price));
    }

    // A buy-and-give agreement; ids follow insertion.
    void addAgreement(qint64 partner, qint64 goods, int buy, int give, const QString& begin,
                      const QString& end, int stopped = 0, int deleted = 0) {
        dm.ExecUpdate(QStringLiteral("INSERT INTO baseCuXiao(name, khid, goodsid, BeginDate, "
                                     "EndDate, ismzcx, isjgcx, gmsl, zssl, mzsm, isStop, del) "
                                     "VALUES ('促销', %1, %2, '%3', '%4', 1, 0, %5, %6, "
                                     "'买 %5 赠 %6', %7, %8)")
                          .arg(partner)
                          .arg(goods)
                          .arg(begin, end)
                          .arg(buy)
                          .arg(give)
                          .arg(stopped)
                          .arg(deleted));
    }
};

}  // namespace dyt::test
