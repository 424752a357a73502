// Bill picking and the save-time warning lists against a real server: posted purchase orders are
// listed, their lines marked and handed back, and orders fully taken over drop out; every warning
// text answers with the rows the ledgers call for after real postings.
#include <QLabel>
#include <QTableView>

#include <cmath>

#include "bills_support.h"
#include "client/bills/billwarnings.h"
#include "client/bills/frmbasefkc.h"
#include "client/bills/frmbaseshowprice.h"
#include "client/bills/frmselectbill.h"
#include "client/bills/selectionservices.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "server/posting_packets.h"

using namespace Qt::StringLiterals;

namespace dyt::test {
namespace {

using client::BillPicking;
using client::SelectBillArgs;
using client::SelectBillResult;
using client::WarnLine;
using server::test::GoodsBill;
using server::test::GoodsLine;

constexpr qint64 kScrew = 101, kGear = 102, kCustomer = 201, kSupplier = 203, kOther = 204;
constexpr qint64 kWh = 301;

class SelBillE2E : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        client::selectionServices().loadLayout = nullptr;
        client::selectionServices().saveLayout = nullptr;
        addGoods(kScrew, "SP101", "螺丝", 1011, "个");
        addGoods(kGear, "SP102", "齿轮", 1021, "个");
        addRecord("baseWLDW", kCustomer, "K1", "甲客户");
        addRecord("baseWLDW", kSupplier, "G1", "甲供应商");
        addRecord("baseWLDW", kOther, "G2", "乙供应商");
        addRecord("baseCK", kWh, "CK1", "总仓");
        addRecord("baseZY", 2, "002", "张三", 0, 0, {{"name", u"'张三'"_s}});
        addRecord("baseBM", 401, "BM1", "业务部");
        ASSERT_EQ(0, openAccounts(QDate(2025, 1, 1)));
    }
    void TearDown() override {
        client::ResetSelectionServices();
        ServerFixture::TearDown();
    }

    // Posts a goods bill as the bill windows send it; `sources` sets s_id/s_orderid per line.
    // Returns the bill's id.
    qint64 post(int djType, const QString& code, qint64 partner, std::vector<GoodsLine> lines,
                const QList<std::pair<qint64, qint64>>& sources = {}) {
        GoodsBill b;
        b.djType = djType;
        b.date = u"2025-02-03"_s;
        b.code = code;
        b.partner = partner;
        b.intoStock = kWh;
        b.lines = std::move(lines);
        ParamList header = server::test::goodsBillParams(b);
        RecordSet packet = server::test::goodsLinesPacket(b);
        for (int i = 0; i < packet.rowCount(); ++i) {
            const qint64 goods = packet.at(i, packet.fieldIndex(u"goodsid"_s)).toLongLong();
            if (goods > 0)
                packet.setAt(i, packet.fieldIndex(u"unitid"_s), QString::number(goods * 10 + 1));
        }
        for (int i = 0; i < sources.size(); ++i) {
            packet.setAt(i, packet.fieldIndex(u"s_id"_s), QString::number(sources[i].first));
            packet.setAt(i, packet.fieldIndex(u"s_orderid"_s), QString::number(sources[i].second));
        }
        const RecordSet accounts = server::test::accountPacket({});
        dm.ExecService(u"QMXService"_s, u"SaveToDB"_s, header, &packet, &accounts);
        const qint64 id =
            number(u"SELECT id FROM djIndex WHERE code = '"_s + code + u"' AND dj_state = 2"_s);
        EXPECT_GT(id, 0) << code.toStdString();
        return id;
    }
    QList<qint64> orderIds(qint64 bill) {
        RecordSet rs;
        dm.ExecQuery(u"SELECT orderid FROM djList WHERE id = "_s + QString::number(bill) +
                         u" ORDER BY orderid"_s,
                     &rs);
        QList<qint64> out;
        for (int r = 0; r < rs.rowCount(); ++r)
            out << rs.at(r, 0).toLongLong();
        return out;
    }
    static SelectBillArgs purchaseOrdersOf(qint64 supplier) {
        SelectBillArgs a;
        a.djStr = u"(8)"_s;
        a.djType = 5;
        a.wldwStr = u";wldw_id="_s + QString::number(supplier);
        a.beginDate = QDate(2025, 2, 1);
        a.endDate = QDate(2025, 2, 28);
        return a;
    }
    static WarnLine line(int row, qint64 goods, double qty, double price = 0) {
        WarnLine l;
        l.row = row;
        l.goodsId = goods;
        l.stockId = kWh;
        l.unitId = goods * 10 + 1;
        l.baseQty = qty;
        l.discountPrice = price;
        return l;
    }
    static double at(const RecordSet& rs, int row, const QString& field) {
        return std::round(rs.at(row, rs.fieldIndex(field)).toDouble() * 10000.0) / 10000.0;
    }
};

TEST_F(SelBillE2E, APostedPurchaseOrderIsListedPickedAndHandedBack) {
    const qint64 order =
        post(8, u"JHDD-1"_s, kSupplier,
             {{.goods = kScrew, .qty = 10, .price = 5}, {.goods = kGear, .qty = 4, .price = 7}});
    // Neither another supplier's order nor the supplier's purchase bill is offered.
    post(8, u"JHDD-2"_s, kOther, {{.goods = kScrew, .qty = 1, .price = 5}});
    post(5, u"JH-1"_s, kSupplier, {{.goods = kScrew, .qty = 1, .price = 5}});
    const QList<qint64> orderLines = orderIds(order);
    ASSERT_EQ(2, orderLines.size());

    QStringList listed;
    int lineCount = -1;
    onNextModal([&](QWidget* w) {
        auto* win = qobject_cast<client::TfrmSelectBill*>(w);
        ASSERT_NE(nullptr, win);
        RecordSetModel* bills = win->billGrid()->model();
        const RecordSet& rows = win->picking().bills();
        for (int r = 0; r < rows.rowCount(); ++r)
            listed << rows.at(r, rows.fieldIndex(u"code"_s)).toString();
        if (bills->rowCount() > 0)
            bills->setData(bills->index(0, 0), int(Qt::Checked), Qt::CheckStateRole);
        win->pickLinesClick();
        lineCount = win->lineGrid()->model()->rowCount();
        win->lineGrid()->table()->setFocus();
        win->markAllClick(true);
        saveScreenshot(win, u"selectbill_e2e"_s);
        win->btnOKClick();
    });
    SelectBillResult r;
    ASSERT_TRUE(client::TfrmSelectBill::Execute(purchaseOrdersOf(kSupplier), &r))
        << script.messages().join(u'|').toStdString();
    EXPECT_EQ(QStringList{u"JHDD-1"_s}, listed);
    EXPECT_EQ(2, lineCount);
    EXPECT_EQ(client::OrderFilterText(orderLines), r.orderFilter);
    ASSERT_EQ(2, r.lines.rowCount());
    EXPECT_EQ(kScrew, r.lines.at(0, r.lines.fieldIndex(u"goodsid"_s)).toLongLong());
    EXPECT_EQ(10.0, at(r.lines, 0, u"qty"_s));
    EXPECT_EQ(kGear, r.lines.at(1, r.lines.fieldIndex(u"goodsid"_s)).toLongLong());
    EXPECT_EQ(7.0, at(r.lines, 1, u"Price"_s));
    EXPECT_EQ(u"JHDD-1"_s, r.lines.at(0, r.lines.fieldIndex(u"djcode"_s)).toString());
    // The server's lines carry the order's own (empty) source; the result names the order.
    EXPECT_EQ(order, r.lines.at(1, r.lines.fieldIndex(u"s_id"_s)).toLongLong());
    EXPECT_EQ(orderLines[1], r.lines.at(1, r.lines.fieldIndex(u"s_orderid"_s)).toLongLong());
    ASSERT_EQ(1, r.bills.rowCount());
    EXPECT_EQ(order, r.bills.at(0, r.bills.fieldIndex(u"id"_s)).toLongLong());
    EXPECT_EQ(kSupplier, r.bills.at(0, r.bills.fieldIndex(u"wldw_id"_s)).toLongLong());

    // An order number in place of the partner picks that order, whoever its supplier.
    SelectBillArgs byCode = purchaseOrdersOf(kSupplier);
    byCode.wldwStr = u";Code=JHDD-2"_s;
    byCode.beginDate = QDate(2000, 1, 1);
    byCode.endDate = QDate(2030, 1, 1);
    BillPicking coded(byCode);
    coded.runList();
    ASSERT_EQ(1, coded.bills().rowCount());
    EXPECT_EQ(kOther, coded.bills().at(0, coded.bills().fieldIndex(u"wldw_id"_s)).toLongLong());

    // Receiving all screws and half the gears: the order stays, offering only the gears' line.
    post(5, u"JH-2"_s, kSupplier,
         {{.goods = kScrew, .qty = 10, .price = 5}, {.goods = kGear, .qty = 2, .price = 7}},
         {{order, orderLines[0]}, {order, orderLines[1]}});
    BillPicking picking(purchaseOrdersOf(kSupplier));
    picking.runList();
    ASSERT_EQ(1, picking.bills().rowCount());
    BillPicking::markAll(picking.bills(), true);
    picking.runLines();
    ASSERT_EQ(1, picking.lines().rowCount());
    EXPECT_EQ(orderLines[1],
              picking.lines().at(0, picking.lines().fieldIndex(u"orderid"_s)).toLongLong());
    EXPECT_EQ(2.0, at(picking.lines(), 0, u"toQty"_s));

    // The rest of the gears: the order is fully received and no longer offered.
    post(5, u"JH-3"_s, kSupplier, {{.goods = kGear, .qty = 2, .price = 7}},
         {{order, orderLines[1]}});
    picking.runList();
    EXPECT_EQ(0, picking.bills().rowCount());
    // Purchase bills themselves are listed without the taken-over filter.
    SelectBillArgs bills = purchaseOrdersOf(kSupplier);
    bills.djStr = u"(5)"_s;
    BillPicking purchases(bills);
    purchases.runList();
    EXPECT_EQ(3, purchases.bills().rowCount());
}

TEST_F(SelBillE2E, StockWarningsAnswerFromTheStockLedger) {
    // 3 screws and 10 gears in stock; a purchase order brings 4 more screws.
    post(5, u"JH-1"_s, kSupplier,
         {{.goods = kScrew, .qty = 3, .price = 6}, {.goods = kGear, .qty = 10, .price = 2}});
    post(8, u"JHDD-1"_s, kSupplier, {{.goods = kScrew, .qty = 4, .price = 6}});
    ASSERT_EQ(3.0, number(u"SELECT dbo.fnGetStockQty(101,301,0)"_s));

    // Selling 5 of a stock of 3 lists the screws under negative stock; the gears stay positive.
    const RecordSet negative = client::NegativeStockRows({line(1, kScrew, 5), line(2, kGear, 4)});
    ASSERT_EQ(1, negative.rowCount());
    EXPECT_EQ(kScrew, negative.at(0, negative.fieldIndex(u"sp_id"_s)).toLongLong());
    EXPECT_EQ(3.0, at(negative, 0, u"Qty"_s));
    EXPECT_EQ(-2.0, at(negative, 0, u"fkcQty"_s));
    QString question;
    onNextModal([&](QWidget* w) {
        auto* win = qobject_cast<client::TfrmBaseFKC*>(w);
        ASSERT_NE(nullptr, win);
        question = win->lblQuestion()->text();
        saveScreenshot(win, u"fkc_e2e"_s);
        win->btnExitClick();
    });
    EXPECT_FALSE(client::TfrmBaseFKC::CheckAndShow(client::FkcMode::Real, negative));
    EXPECT_EQ(u"以下商品已出现负库存，是否继续？"_s, question);
    EXPECT_EQ(0, client::NegativeStockRows({line(1, kScrew, 3)}).rowCount());

    // Virtual stock counts the open order: 3 + 4 = 7; selling 9 leaves −2, selling 7 nothing.
    const RecordSet virt = client::VirtualNegativeStockRows({line(1, kScrew, 9)});
    ASSERT_EQ(1, virt.rowCount());
    EXPECT_EQ(3.0, at(virt, 0, u"kcQty"_s));
    EXPECT_EQ(-6.0, at(virt, 0, u"Qty"_s));
    EXPECT_EQ(7.0, at(virt, 0, u"xnkcQty"_s));
    EXPECT_EQ(-2.0, at(virt, 0, u"fkcQty"_s));
    EXPECT_EQ(0, client::VirtualNegativeStockRows({line(1, kScrew, 7)}).rowCount());

    // Limits: screws between 2 and 10, gears up to 12.
    dm.ExecUpdate(
        u"INSERT INTO baseGoodsWarn(goodsid, stockid, warnUp, warnDown) VALUES "
        u"(101, 301, 10, 2)"_s);
    dm.ExecUpdate(
        u"INSERT INTO baseGoodsWarn(goodsid, stockid, warnUp, warnDown) VALUES "
        u"(102, 301, 12, 0)"_s);
    struct Case {
        const char* name;
        bool upper;
        QList<WarnLine> lines;
        QList<std::tuple<qint64, int, double, double>> rows;  // goods, row, limit, beyond
    };
    const Case cases[] = {
        // 3 + 4 + 5 = 12 screws, 2 over the 10; 10 + 2 gears reach 12 exactly.
        {"upper, two lines of one goods",
         true,
         {line(1, kScrew, 4), line(2, kGear, 2), line(3, kScrew, 5)},
         {{kScrew, 1, 10, 2}}},
        {"upper, within", true, {line(1, kScrew, 7)}, {}},
        // 3 − 2 = 1 screw, 1 short of the 2.
        {"lower, short", false, {line(1, kGear, 1), line(2, kScrew, 2)}, {{kScrew, 2, 2, 1}}},
        {"lower, at the limit", false, {line(1, kScrew, 1)}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordSet rs;
        dm.ExecQuery(client::warnsql::StockLimitSql(c.lines, c.upper), &rs);
        ASSERT_EQ(c.rows.size(), rs.rowCount());
        for (int i = 0; i < c.rows.size(); ++i) {
            const auto [goods, row, limit, beyond] = c.rows[i];
            EXPECT_EQ(goods, rs.at(i, rs.fieldIndex(u"sp_id"_s)).toLongLong());
            EXPECT_EQ(kWh, rs.at(i, rs.fieldIndex(u"ck_id"_s)).toLongLong());
            EXPECT_EQ(row, rs.at(i, rs.fieldIndex(u"row"_s)).toInt());
            EXPECT_EQ(limit, at(rs, i, u"Qty_"_s));
            EXPECT_EQ(beyond, at(rs, i, u"Qty"_s));
        }
    }
    // The window runs the text itself and lists the row.
    int shown = -1;
    onNextModal([&](QWidget* w) {
        auto* win = qobject_cast<client::TfrmBaseShowPrice*>(w);
        ASSERT_NE(nullptr, win);
        shown = win->grid()->model()->rowCount();
        saveScreenshot(win, u"showprice_upper_e2e"_s);
        win->btnOKClick();
    });
    EXPECT_TRUE(client::TfrmBaseShowPrice::CheckAndShow(
        client::kStockAboveUpper, client::warnsql::StockLimitSql({line(1, kScrew, 9)}, true)));
    EXPECT_EQ(1, shown);
    // Nothing beyond the limits: nothing shown, the save goes on.
    EXPECT_TRUE(client::TfrmBaseShowPrice::CheckAndShow(
        client::kStockBelowLower, client::warnsql::StockLimitSql({line(1, kScrew, 1)}, false)));
}

TEST_F(SelBillE2E, PriceAndPartnerWarningsAnswerFromTheLedgers) {
    // 3 screws bought at 6: the stock cost is 6; latest purchase 8 and lowest sale 9 as set.
    post(5, u"JH-1"_s, kSupplier, {{.goods = kScrew, .qty = 3, .price = 6}});
    dm.ExecUpdate(
        u"UPDATE baseGoodsUnit SET latestBuyPrice = 8, lowestSalePrice = 9 WHERE id = "
        u"1011"_s);
    struct Case {
        int kind;
        double price;
        double reference;  // 0: not listed
    };
    for (const Case& c : {Case{1, 7, 8}, Case{1, 8, 0}, Case{2, 5.5, 6}, Case{2, 7, 0},
                          Case{3, 8.5, 9}, Case{5, 8.5, 9}, Case{6, 5.99, 6}, Case{3, 9, 0}}) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " at " << c.price);
        const RecordSet rows = client::SellingPriceRows(c.kind, {line(1, kScrew, 1, c.price)});
        ASSERT_EQ(c.reference > 0 ? 1 : 0, rows.rowCount());
        if (c.reference > 0) {
            EXPECT_EQ(c.reference, at(rows, 0, u"Price2"_s));
            EXPECT_EQ(c.price, at(rows, 0, u"Price1"_s));
        }
    }
    // Buying at 8.5 is above the latest purchase price 8.
    EXPECT_EQ(1, client::PurchasePriceRows({line(1, kScrew, 1, 8.5)}).rowCount());
    EXPECT_EQ(0, client::PurchasePriceRows({line(1, kScrew, 1, 8)}).rowCount());

    // The supplier is owed 18; with a payables limit of 100 a bill of 90 goes beyond it.
    dm.ExecUpdate(u"UPDATE baseWLDW SET yf_xyd = 100 WHERE id = 203"_s);
    const client::PartnerLimit limit = client::ReadPartnerLimit(kSupplier, 90, false);
    EXPECT_EQ(u"甲供应商"_s, limit.name);
    EXPECT_EQ(100.0, limit.limit);
    EXPECT_EQ(18.0, limit.current);
    EXPECT_TRUE(limit.exceeded());
    script.answer(u"取消(&C)"_s, u"供应商[ 甲供应商 ]应付款超出限制，是否继续？"_s);
    EXPECT_FALSE(client::CheckPartnerLimit(kSupplier, 90, false));
    EXPECT_TRUE(client::CheckPartnerLimit(kSupplier, 80, false));
    // A sale on credit raises the customer's receivable against its limit.
    post(1, u"XS-1"_s, kCustomer, {{.goods = kScrew, .qty = 1, .price = 50}});
    dm.ExecUpdate(u"UPDATE baseWLDW SET ys_xyd = 60 WHERE id = 201"_s);
    const client::PartnerLimit customer = client::ReadPartnerLimit(kCustomer, 20, true);
    EXPECT_EQ(50.0, customer.current);
    EXPECT_TRUE(customer.exceeded());
    EXPECT_FALSE(client::ReadPartnerLimit(kCustomer, 10, true).exceeded());
}

}  // namespace
}  // namespace dyt::test
