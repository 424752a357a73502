#pragma once
// A small account set for the report tests, posted through the bill service as the bill windows
// send it (BillFixture's base records: goods category 100 with goods 101 and 102, goods 103 at the
// top; partner category 200 with partners 201 and 202, partner 203 at the top; warehouses 301 and
// 302), and helpers that call a report procedure with the query windows' parameter lines.
//
// The bills, all in warehouse 301 (goods 102 costed FIFO, the others by moving average):
//   1 进货单   2025-01-05 from 202: 101 × 10 @ 10, 102 × 20 @ 5, 103 × 4 @ 25
//   2 销售单   2025-01-10 to 201:   101 × 3 @ 20, 103 × 1 @ 40
//   3 销售单   2025-02-03 to 203:   102 × 5 @ 8, 101 × 2 @ 20
//   4 销售退货单 2025-02-10 from 201: 101 × 1 @ 20
//   5 进货单   2025-02-12 from 202 into warehouse 302: 101 × 5 @ 12

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "bill_fixture.h"
#include "common/currency.h"
#include "posting_packets.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {

class ReportFixture : public BillFixture {
protected:
    void SetUp() override {
        BillFixture::SetUp();
        update(u"UPDATE sysData SET sysValue = '0' WHERE Name = 'isOpen'"_s);
        update(u"UPDATE baseGoods SET costmode = 2 WHERE id = 102"_s);
        // Opening balances: 203 owes 50, 202 is owed 30.
        proc(u"P_JXC_INI_baseWLDW"_s, {{"id", u"203"_s}, {"ysTotal", u"50"_s}});
        proc(u"P_JXC_INI_baseWLDW"_s, {{"id", u"202"_s}, {"yfTotal", u"30"_s}});
        // Goods with partners: 201 sells 4 of 101 for us (worth 60 at its price, 40 at cost);
        // we hold 2 of 102 for 202 (worth 50).
        proc(u"P_JXC_INI_GoodsStockOther"_s, {{"goodsid", u"101"_s},
                                              {"wldw_id", u"201"_s},
                                              {"typeid", u"3"_s},
                                              {"Qty", u"4"_s},
                                              {"Total", u"60"_s},
                                              {"costTotal", u"40"_s}});
        proc(u"P_JXC_INI_GoodsStockOther"_s, {{"goodsid", u"102"_s},
                                              {"wldw_id", u"202"_s},
                                              {"typeid", u"4"_s},
                                              {"Qty", u"2"_s},
                                              {"Total", u"50"_s}});
        ASSERT_EQ(0, proc(u"P_SYS_UP_Open"_s, {{"type", u"0"_s}, {"Date", u"2025-01-01"_s}}))
            << lastMessage_.toStdString();
    }
    qint64 posted(int djType, const char* date, qint64 partner, std::vector<GoodsLine> lines,
                  qint64 warehouse = 301, qint64 outWarehouse = 0) {
        for (GoodsLine& l : lines)
            l.intoStock = warehouse;
        GoodsBill b = goodsBill(djType, date, partner, std::move(lines), {}, warehouse);
        b.code = u"B%1-%2"_s.arg(djType).arg(++billNo_);
        b.outStock = outWarehouse;
        return BillFixture::posted(b);
    }
    // The five bills of the header.
    void postScenario() {
        bills_[0] = posted(5, "2025-01-05", 202, {{101, 10, 10}, {102, 20, 5}, {103, 4, 25}});
        bills_[1] = posted(1, "2025-01-10", 201, {{101, 3, 20}, {103, 1, 40}});
        bills_[2] = posted(1, "2025-02-03", 203, {{102, 5, 8}, {101, 2, 20}});
        bills_[3] = posted(2, "2025-02-10", 201, {{101, 1, 20}});
        bills_[4] = posted(5, "2025-02-12", 202, {{101, 5, 12}}, 302);
    }
    // More kinds for the report files: a transfer, a loss, an other receipt, a sales exchange and
    // two open orders.
    //   6 同价调拨单 2025-03-02 from 301 into 302: 101 × 2
    //   7 报损单     2025-03-03 in 301: 102 × 1 @ 5
    //   8 其它入库单 2025-03-04 into 301: 103 × 2 @ 20
    //   9 销售换货单 2025-03-05 with 201: 101 × −1 @ 20 out, 103 × 1 @ 40 back
    //  10 销售订单   2025-03-06 to 203: 103 × 2 @ 45
    //  11 进货订单   2025-03-06 from 202: 102 × 10 @ 5
    // and the stock limits: 102 at most 10, 103 at least 8; 102 keeps 90 days with a warning 10
    // days ahead, its batch of bill 1 is P1 made on 2025-01-01. The units' prices (retail, preset
    // 1 to 3, lowest sale): 101 个 22/20/19/18/15, 102 箱 9/8/0/0/0 and 托 170/160/0/0/0, 103 件
    // 45/42/0/0/0.
    void postMoreKinds() {
        update(
            u"UPDATE baseGoodsUnit SET price = 22, price1 = 20, price2 = 19, price3 = 18, "
            "lowestSalePrice = 15 WHERE id = 1011"_s);
        update(u"UPDATE baseGoodsUnit SET price = 9, price1 = 8 WHERE id = 1021"_s);
        update(u"UPDATE baseGoodsUnit SET price = 170, price1 = 160 WHERE id = 1022"_s);
        update(u"UPDATE baseGoodsUnit SET price = 45, price1 = 42 WHERE id = 1031"_s);
        update(u"UPDATE baseGoods SET warnUP = 10, yxqNum = 90, jxqNum = 10 WHERE id = 102"_s);
        update(
            u"UPDATE baseGoodsStock SET ph = 'P1', outdate = '2025-01-01' WHERE goodsid = 102"_s);
        update(u"UPDATE baseGoods SET warnDown = 8 WHERE id = 103"_s);
        posted(15, "2025-03-02", 0, {{101, 2, 10}}, 302, 301);
        posted(12, "2025-03-03", 0, {{102, 1, 5}});
        posted(11, "2025-03-04", 0, {{103, 2, 20}});
        posted(3, "2025-03-05", 201, {{101, -1, 20}, {103, 1, 40}});
        posted(4, "2025-03-06", 203, {{103, 2, 45}});
        posted(8, "2025-03-06", 202, {{102, 10, 5}});
    }
    // Money for the receivables reports, in cash (account 8):
    //  12 收款单 2025-03-10 from 201: 50, settling 50 of bill 2 (100)
    //  13 付款单 2025-03-12 to 202: 100, settling 100 of bill 1 (300)
    // and the payment dates: bill 2 due 2025-02-10, bill 3 2025-04-30, bill 1 2025-02-05, bill 5
    // on its own date (no term).
    void postDealings() {
        for (const auto& [kind, date, partner, bill, amount] :
             {std::tuple{21, "2025-03-10", 201, bills_[1], 50.0},
              {22, "2025-03-12", 202, bills_[0], 100.0}}) {
            MoneyBill b;
            b.djType = kind;
            b.date = QString::fromLatin1(date);
            b.code = u"B%1-%2"_s.arg(kind).arg(++billNo_);
            b.partner = partner;
            b.accounts = {{.km = 8, .amount = amount}};
            b.settled = {{.billId = bill, .amount = amount}};
            const ServiceResult r =
                service(u"SaveToDB"_s, moneyBillParams(b), moneyAccountRows(b), settledRows(b));
            EXPECT_GT(r.code, 0) << r.message.toStdString();
        }
        for (const auto& [bill, due] : {std::pair{bills_[1], "2025-02-10"},
                                        {bills_[2], "2025-04-30"},
                                        {bills_[0], "2025-02-05"},
                                        {bills_[4], "2025-02-12"}})
            update(
                u"UPDATE djIndex SET sfkDate = '%1' WHERE id = %2"_s.arg(QString::fromLatin1(due))
                    .arg(bill));
    }
    // Goods borrowed from 202 and lent to 201 in April, after the months of the other reports:
    //  14 借进单     2025-04-01 from 202: 101 × 10 @ 9 (stock 3 / 35 → 13 / 125)
    //  15 借进还出单 2025-04-03 to 202:   101 × 4, out at 38.4615 against the 36 borrowed
    //  16 借转进货单 2025-04-05 from 202: 101 × 5 @ 10, borrowed at 45
    //  17 借出单     2025-04-06 to 201:   101 × 3 @ 18, out at 28.8462 (stock 9 / 86.5385)
    //  18 借出还回单 2025-04-08 from 201: 101 × 1, back at 9.6154
    //  19 借转销售单 2025-04-10 to 201:   101 × 1 @ 20, cost 9.6154
    // 202 still lends us 1 (9), 201 still holds 1 (18, cost 9.6154); 101 in 301 is 7 / 67.3077;
    // the cost adjustment took 2.4615 + 5.
    void postLoans() {
        posted(35, "2025-04-01", 202, {{101, 10, 9}});
        posted(36, "2025-04-03", 202, {{101, 4, 9}});
        posted(37, "2025-04-05", 202, {{101, 5, 10}});
        posted(38, "2025-04-06", 201, {{101, 3, 18}});
        posted(39, "2025-04-08", 201, {{101, 1, 18}});
        posted(40, "2025-04-10", 201, {{101, 1, 20}});
    }
    // The consignment price changes, which move neither stock nor money:
    //  14 委托调价单 2025-03-15 with 201: 101 at 16 (4 held: 64, from 60)
    //  15 受托调价单 2025-03-16 with 202: 102 at 26 (2 held: 52, from 50)
    void postConsignPrices() {
        posted(49, "2025-03-15", 201, {{101, 1, 16}}, 0);
        posted(50, "2025-03-16", 202, {{102, 1, 26}}, 0);
    }
    // Consignment bills (the delivery's id is returned):
    //   委托发货单 2025-03-20 to 201:   103 × 2 @ 40 out of 301
    //   受托收货单 2025-03-21 from 202: 103 × 6 @ 4 into 301
    //   委托结算单 2025-03-25 with 201: 103 × 1 @ 45
    //   受托结算单 2025-03-26 with 202: 103 × 2 @ 5
    qint64 postConsignment() {
        const qint64 delivery = posted(43, "2025-03-20", 201, {{103, 2, 40}});
        posted(45, "2025-03-21", 202, {{103, 6, 4}});
        posted(44, "2025-03-25", 201, {{103, 1, 45}});
        posted(46, "2025-03-26", 202, {{103, 2, 5}});
        return delivery;
    }
    // Distribution and a gift contract for the report files:
    //  14 配送申请单 2025-03-20 from 301 to 302: 101 × 2, 102 × 4
    //  15 配送单     2025-03-21 taking 14's lines
    //  16 配送验收单 2025-03-22 accepting 101 × 2 of 15
    //  17 赠品合同单 2025-03-23 to 201: 103 × 1 @ 40
    void postDistribution() {
        qint64 source = 0;
        for (const auto& [kind, date, lines] :
             {std::tuple{61, "2025-03-20", std::vector<GoodsLine>{{101, 2, 0}, {102, 4, 0}}},
              {62, "2025-03-21", std::vector<GoodsLine>{{101, 2, 0}, {102, 4, 0}}},
              {63, "2025-03-22", std::vector<GoodsLine>{{101, 2, 0}}}}) {
            GoodsBill b = goodsBill(kind, date, 0, lines, {}, 302);
            b.code = u"B%1-%2"_s.arg(kind).arg(++billNo_);
            b.outStock = 301;
            RecordSet packet = goodsLinesPacket(b);
            if (source > 0) {
                const RecordSet src = query(
                    u"SELECT orderid FROM djList WHERE id = %1 ORDER BY orderid"_s.arg(source));
                for (int r = 0; r < int(b.lines.size()) && r < src.rowCount(); ++r) {
                    packet.setAt(r, packet.fieldIndex(u"s_id"_s), QString::number(source));
                    packet.setAt(r, packet.fieldIndex(u"s_orderid"_s), src.at(r, 0).toString());
                }
            }
            const ServiceResult r =
                service(u"SaveToDB"_s, goodsBillParams(b), packet, accountPacket(b.accounts));
            EXPECT_GT(r.code, 0) << r.message.toStdString();
            source = r.code;
        }
        GoodsBill contract = goodsBill(71, "2025-03-23", 201, {{103, 1, 40}});
        contract.code = u"B71-%1"_s.arg(++billNo_);
        BillFixture::posted(contract);
    }
    // Invoices for the invoicing reports (they move nothing):
    //  I1 销售开票[按单据] 2025-03-14 for 201: 60 of bill 2 (100)
    //  I2 销售开票[按商品] 2025-03-15 for 203: 30 of bill 3's line 102 × 5 @ 8 (40; the bill 80)
    //  I3 进货开票[按单据] 2025-03-16 for 202: all 300 of bill 1
    void postInvoices() {
        const qint64 line =
            scalar(u"SELECT orderid FROM djList WHERE id = %1 AND goodsid = 102"_s.arg(bills_[2]))
                .toLongLong();
        invoices_[0] = invoice(69, "2025-03-14", 201, bills_[1], 0, 0, 60);
        invoices_[1] = invoice(70, "2025-03-15", 203, bills_[2], line, 102, 30);
        invoices_[2] = invoice(67, "2025-03-16", 202, bills_[0], 0, 0, 300);
    }
    // One invoice line against a bill (by bill) or one of its goods lines (by goods).
    qint64 invoice(int kind, const char* date, qint64 partner, qint64 bill, qint64 line,
                   qint64 goods, double amount) {
        ParamList p;
        p.setValue(u"djType"_s, QString::number(kind));
        p.setValue(u"date"_s, QString::fromLatin1(date));
        p.setValue(u"code"_s, u"B%1-%2"_s.arg(kind).arg(++billNo_));
        p.setValue(u"wldw_id"_s, QString::number(partner));
        p.setValue(u"OldBillid"_s, u"0"_s);
        RecordSet lines;
        for (const char* f : {"s_id", "s_orderid", "goodsid", "kpTotal"})
            lines.addField(QString::fromLatin1(f), FieldType::Text);
        lines.appendRow({QString::number(bill), QString::number(line), QString::number(goods),
                         QString::number(amount)});
        const ServiceResult r = service(u"SaveToDB"_s, p, lines);
        EXPECT_GT(r.code, 0) << r.message.toStdString();
        return r.code;
    }
    // Commission plans through the plan procedures: goods 101 earns 5 % of its sales amount
    // (plan G5), goods 102 0.5 per unit (G05), employee 2 10 % of the gross profit (Z10, so for
    // goods without a plan of their own). The plan ids in that order.
    std::array<qint64, 3> postCommissionPlans() {
        std::array<qint64, 3> ids = {};
        const struct {
            int kind;
            const char* code;
            const char* name;
            int way;
            const char* value;
            qint64 record;
        } plans[] = {{2, "G5", "商品按金额5%", 1, "5", 101},
                     {2, "G05", "每箱0.5元", 2, "0.5", 102},
                     {1, "Z10", "职员毛利10%", 3, "10", 2}};
        for (int i = 0; i < 3; ++i) {
            const auto& p = plans[i];
            ids[i] = proc(u"p_Base_Up_TCFA"_s, {{"tclxid", QString::number(p.kind)},
                                                {"code", QString::fromUtf8(p.code)},
                                                {"fullname", QString::fromUtf8(p.name)},
                                                {"tcfs", QString::number(p.way)},
                                                {"tcl", QString::fromLatin1(p.value)}});
            EXPECT_GT(ids[i], 0) << lastMessage_.toStdString();
            EXPECT_EQ(ids[i], proc(u"p_Base_Up_TCFP"_s, {{"tclxid", QString::number(p.kind)},
                                                         {"objid", QString::number(p.record)},
                                                         {"tcid", QString::number(ids[i])}}))
                << lastMessage_.toStdString();
        }
        return ids;
    }
    // A report with the lines a query window sends (czy_id of operator 1 in every condition).
    using Lines = std::vector<std::pair<const char*, const char*>>;
    RecordSet report(const QString& procedure, const QString& queryType, const Lines& lines = {}) {
        ParamList p;
        p.setValue(u"QueryType"_s, queryType);
        for (const char* key : {"wldwStr", "zyStr", "ckStr", "bmStr", "kmStr", "GoodsStr"})
            p.setValue(QString::fromLatin1(key), u";czy_id=1"_s);
        for (const auto& [n, v] : lines)
            p.setValue(QString::fromUtf8(n), QString::fromUtf8(v));
        return procQuery(procedure, p);
    }
    // The message of a report that fails.
    QString reportError(const QString& procedure, const QString& queryType, const Lines& lines) {
        return dyt::test::errorOf([&] { report(procedure, queryType, lines); });
    }
    // A value of a row as a number (currency and numbers alike), rounded to four decimals.
    static double num(const RecordSet& rs, int row, const char* field) {
        const int f = rs.fieldIndex(QString::fromLatin1(field));
        EXPECT_GE(f, 0) << field;
        if (f < 0 || row >= rs.rowCount())
            return NAN;
        return std::round(dyt::test::numberOf(rs.at(row, f)) * 10000.0) / 10000.0;
    }
    // Several values of a row, as num() gives them.
    static QList<double> nums(const RecordSet& rs, int row,
                              std::initializer_list<const char*> fields) {
        QList<double> out;
        for (const char* f : fields)
            out << num(rs, row, f);
        return out;
    }
    static QString text(const RecordSet& rs, int row, const char* field) {
        const int f = rs.fieldIndex(QString::fromLatin1(field));
        EXPECT_GE(f, 0) << field;
        return f < 0 || row >= rs.rowCount() ? QString() : rs.at(row, f).toString();
    }
    // The ids of the rows, in order.
    static QList<qint64> ids(const RecordSet& rs, const char* field = "id") {
        return dyt::test::idsOf(rs, QString::fromLatin1(field));
    }
    qint64 bills_[5] = {};
    qint64 invoices_[3] = {};
    int billNo_ = 0;
};

}  // namespace dyt::server::test
