// The sales bill window against a real server: a new bill's defaults, the receipt, barcode, order
// link, stock, gift line and warnings; sales, returns, exchanges and orders posted and reopened.
#include "bills_support.h"
#include "client/bills/frmbillxsd.h"
#include "client/bills/salescheck.h"

using namespace Qt::StringLiterals;
using namespace dyt::client;

namespace dyt::test {
namespace {

SelectedGoods namedGoods(qint64 id, double qty, double price) {
    return goods(id, qty, price, id == kScrew ? u"螺丝"_s : u"齿轮"_s);
}
SelectedGoods screw(double qty, double price) {
    return namedGoods(kScrew, qty, price);
}

class SalesBillWindow : public SalesServerFixture {
protected:
    void SetUp() override {
        SalesServerFixture::SetUp();
        settings().DefaultBillRows = 3;
        settings().SalesReceiptAccountId = 8;
        settings().SalesReceiptAccountName = u"现金"_s;
        loadBillKinds(dm);
    }
    void TearDown() override {
        salesOrderPicker() = defaultSalesOrderPicker();
        sales::salesWarningWindows() = sales::defaultSalesWarningWindows();
        SalesServerFixture::TearDown();
    }
    std::unique_ptr<TfrmBillXSD> newBill() {
        auto bill = std::make_unique<TfrmBillXSD>();
        bill->OpenBill(1, 0, false);
        return bill;
    }
    std::unique_ptr<TfrmBillXSD> readyBill() {
        auto bill = newBill();
        bill->edBillCode()->setText(u"XS-1"_s);
        bill->chooseHeaderRecord(u"eddw"_s, kCustomerA, u"甲公司"_s);
        bill->chooseHeaderRecord(u"edshck"_s, kStore, u"一号仓"_s);
        return bill;
    }
};

TEST_F(SalesBillWindow, WithTheSwitchTheReceiptAmountFollowsTheLinesLessTheDiscount) {
    settings().SalesDefaultReceipt = true;
    auto bill = newBill();
    bill->AddGoods(screw(6, 10));  // 60
    bill->AddGoods(screw(2, 20));  // 40
    EXPECT_EQ(u"100.00"_s, bill->headerText(u"edfkje"_s));
    bill->setHeaderText(u"edyhje"_s, u"5"_s);
    EXPECT_EQ(u"95.00"_s, bill->headerText(u"edfkje"_s));
    // A rate of 10 % sets the discount amount 10: 90 to receive.
    bill->setHeaderText(u"edyouhuibilv"_s, u"10"_s);
    bill->discountRateChanged();
    EXPECT_EQ(u"90.00"_s, bill->headerText(u"edfkje"_s));
    // Several accounts disable the amount field: it no longer follows.
    bill->setMultiAccounts(kPaymentAccounts, {{8, u"现金"_s, 30}});
    bill->AddGoods(screw(1, 50));
    EXPECT_EQ(30.0, bill->headerNumber(u"edfkje"_s));
    // Without the switch the amount stays; a new bill takes the default account, zero balances.
    settings().SalesDefaultReceipt = false;
    auto fixed = newBill();
    EXPECT_EQ(8, fixed->headerId(u"edfkzh"_s));
    EXPECT_EQ(u"现金|0"_s, test::headers(*fixed, u"edfkzh,edfkje"_s));
    EXPECT_EQ(u"应收款：0|预收款：0"_s, test::textsOf(fixed->lbyf(), fixed->lbyufu()));
    fixed->AddGoods(screw(6, 10));
    EXPECT_EQ(u"0"_s, fixed->headerText(u"edfkje"_s));
}

TEST_F(SalesBillWindow, BarcodeNeedsCustomerAndWarehouseFirstAndALineShowsItsStock) {
    auto bill = newBill();
    EXPECT_EQ(u"请先选择[ 购买单位 ]再扫描条码！"_s,
              dyt::test::errorOf([&] { bill->scanBarcodeChecked(u"6901"_s); }));
    bill->chooseHeaderRecord(u"eddw"_s, kCustomerA, u"甲公司"_s);
    // The only warehouse was filled in on opening: clear it to see the second refusal.
    bill->clearHeaderRecord(u"edshck"_s);
    EXPECT_EQ(u"请先选择[ 发货仓库 ]再扫描条码！"_s,
              dyt::test::errorOf([&] { bill->scanBarcodeChecked(u"6901"_s); }));
    // An empty scan does nothing.
    EXPECT_FALSE(bill->scanBarcodeChecked(u"  "_s));
    // A line shows the available stock of its warehouse; an empty row nothing.
    putStock(kScrew, kStore, 3, 4);
    bill->chooseHeaderRecord(u"edshck"_s, kStore, u"一号仓"_s);
    const int row = bill->AddGoods(screw(1, 6));
    EXPECT_TRUE(bill->refreshAvailableStock(row));
    EXPECT_EQ(u"可用库存：3  库存数量：3"_s, bill->lbAvailable()->text());
    EXPECT_FALSE(bill->refreshAvailableStock(row + 1));
    EXPECT_EQ(QString(), bill->lbAvailable()->text());
}

TEST_F(SalesBillWindow, OrderLinkByNumberOrByCustomer) {
    QStringList conditions;
    salesOrderPicker() = [&](const QString& condition, RecordSet* header, RecordSet* lines) {
        conditions.append(condition);
        *header =
            textRows({u"id"_s, u"code"_s, u"summery"_s}, {{u"77"_s, u"XD-7"_s, u"月底送货"_s}});
        *lines = textRows(QString::fromLatin1("goodsid,goodsCode,goodsname,unitid,unitName,qty,"
                                              "toQty,Price,discount,orderid").split(u','),
                          {{u"101"_s, u"SP101"_s, u"螺丝"_s, u"0"_s, u"个"_s, u"10"_s, u"4"_s,
                            u"6"_s, u"1"_s, u"900"_s}});
        return true;
    };
    auto bill = newBill();
    EXPECT_EQ(u"请先选择购买单位  或者  输入订单编号"_s,
              dyt::test::errorOf([&] { bill->pullOrders(); }));
    EXPECT_EQ(u"请先输入订单编号"_s, dyt::test::errorOf([&] { bill->linkOrderByCode(); }));
    bill->setHeaderText(u"eddd"_s, u"XD-7"_s);
    bill->pullOrders();
    bill->chooseHeaderRecord(u"eddw"_s, kCustomerA, u"甲公司"_s);
    bill->linkOrderByCode();
    bill->pullOrders();
    EXPECT_EQ((QStringList{u";Code=XD-7"_s, u";Code=XD-7"_s, u";wldw_id=201"_s}), conditions);
    // The order is linked and its open quantity (10 - 4) taken over with the source line.
    EXPECT_EQ(u"77|XD-7|原摘要：月底送货"_s,
              QString::number(bill->headerId(u"eddd"_s)) + u'|' +
                  test::headers(*bill, u"eddd,edzhaiyao"_s));
    ASSERT_FALSE(bill->goodsRows().isEmpty());
    EXPECT_EQ(u"6|77|900"_s,
              test::cells(*bill, bill->goodsRows().first(), u"qty,s_id,s_orderid"_s));
}

TEST_F(SalesBillWindow, BuyAndGiveAddsChangesAndRemovesTheGiftLine) {
    const QString today = QDate::currentDate().toString(u"yyyy-MM-dd"_s);
    const QString nextYear = QDate::currentDate().addYears(1).toString(u"yyyy-MM-dd"_s);
    addAgreement(kClass, kScrew, 10, 1, today, nextYear);
    settings().HasPromotions = true;
    auto bill = newBill();
    bill->chooseHeaderRecord(u"eddw"_s, kCustomerB, u"乙公司"_s);
    const int row = bill->AddGoods(screw(25, 6));
    ASSERT_EQ(2, bill->goodsRows().size());
    const int gift = bill->goodsRows().last();
    EXPECT_TRUE(bill->isGift(gift));
    EXPECT_EQ(u"2 0 0"_s, u"%1 %2 %3"_s.arg(bill->number(gift, u"qty"_s))
                              .arg(bill->number(gift, u"Price"_s))
                              .arg(bill->number(gift, u"taxTotalSum"_s)));
    EXPECT_EQ(u"赠品|1|买 10 赠 1|101"_s,
              test::cells(*bill, gift, u"RowTypeName,RowType,comment,goodsid"_s));
    bill->editCell(row, u"qty"_s, u"30"_s);
    EXPECT_EQ(3.0, bill->number(gift, u"qty"_s));
    EXPECT_EQ(2, bill->goodsRows().size());
    bill->editCell(row, u"qty"_s, u"9"_s);
    EXPECT_EQ(1, bill->goodsRows().size());
    bill->editCell(row, u"qty"_s, u"10"_s);
    ASSERT_EQ(2, bill->goodsRows().size());
    EXPECT_EQ(1.0, bill->number(bill->goodsRows().last(), u"qty"_s));
    // A customer outside the class gets no gift.
    auto other = newBill();
    other->chooseHeaderRecord(u"eddw"_s, kOutsider, u"丙公司"_s);
    other->AddGoods(screw(25, 6));
    EXPECT_EQ(1, other->goodsRows().size());
}

TEST_F(SalesBillWindow, ACancelledWarningStopsTheSaveAndWritesNothing) {
    putStock(kScrew, kStore, 3, 4);
    settings().setSwitch(2012, true);
    int shown = 0;
    sales::salesWarningWindows().stockList = [&](bool, const RecordSet& rows) {
        ++shown;
        EXPECT_EQ(1, rows.rowCount());
        return false;
    };
    auto bill = readyBill();
    bill->AddGoods(screw(5, 6));
    EXPECT_FALSE(bill->saveBill(true));
    EXPECT_EQ(1, shown);
    EXPECT_EQ(0, query(u"SELECT COUNT(*) AS n FROM djIndex"_s).integer(u"n"_s));
}

TEST_F(SalesBillWindow, TheCostPriceAskedUnderNegativeStockIsSaved) {
    settings().NegativeStock = true;
    auto bill = readyBill();
    const int row = bill->AddGoods(screw(2, 6));
    script.enter(u"3.5"_s, u"编号：SP101  商品：螺丝 单位：个"_s);
    ASSERT_TRUE(bill->saveBill(false)) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ(3.5, bill->number(row, u"costPrice"_s));
    RecordSet rs = query(u"SELECT costprice FROM djList WHERE id = %1"_s.arg(bill->billId()));
    ASSERT_EQ(1, rs.rowCount());
    EXPECT_EQ(3.5, rs.at(0, 0).toDouble());
}

// Sales posted through the windows: the receipt follows the bill, with stock on hand.
class SalesBillE2E : public SalesBillWindow {
protected:
    void SetUp() override {
        SalesBillWindow::SetUp();
        settings().DefaultBillRows = 2;
        settings().SalesDefaultReceipt = true;
        registerBillWindows();
        putStock(kScrew, kStore, 10, 4);
        putStock(kGear, kStore, 5, 2);
    }
    double stock(qint64 goods) {
        return number(u"SELECT SUM(qty) FROM baseGoodsStock WHERE goodsid = %1 AND stockid = 301"_s.arg(goods));
    }
    double receivable() { return number(u"SELECT ystotal FROM baseWLDW WHERE id = 201"_s); }
    double cash() { return number(u"SELECT Total FROM baseKM WHERE id = 8"_s); }
    int state(qint64 id) { return int(number(u"SELECT dj_state FROM djIndex WHERE id = %1"_s.arg(id))); }
};

TEST_F(SalesBillE2E, AnAgentCollectsPartOfTheSaleAndTheIntroducerIsKept) {
    TfrmBillXSD bill;
    bill.OpenBill(1, 0, true);
    bill.edBillCode()->setText(u"XS-E2E-2"_s);
    bill.chooseHeaderRecord(u"eddw"_s, kCustomerA, u"甲公司"_s);
    bill.chooseHeaderRecord(u"edshck"_s, kStore, u"一号仓"_s);
    bill.chooseHeaderRecord(u"edjsr2"_s, kEmployee, u"张三"_s);
    bill.AddGoods(namedGoods(kScrew, 5, 10));  // 50
    bill.setHeaderText(u"edfkje"_s, u"0"_s);
    auto* agent = qobject_cast<QCheckBox*>(bill.headerControl(u"eddsk"_s));
    ASSERT_NE(nullptr, agent);
    EXPECT_EQ(u"代收款"_s, agent->text());
    agent->setChecked(true);
    bill.chooseHeaderRecord(u"eddsdw"_s, kCustomerB, u"乙公司"_s);
    bill.setHeaderText(u"eddsje"_s, u"30"_s);
    ASSERT_TRUE(bill.saveBill(true)) << script.messages().join(u"|"_s).toStdString();
    const qint64 id = bill.billId();
    // The agent owes the 30 it collects, the customer the other 20.
    EXPECT_EQ(20.0, receivable());
    EXPECT_EQ(30.0, number(u"SELECT ystotal FROM baseWLDW WHERE id = 202"_s));
    const RecordSet head = query(
        u"SELECT JieShaoRenID, isdaishoukuan, yfwldw_id FROM djIndex WHERE id = %1"_s.arg(id));
    ASSERT_EQ(1, head.rowCount());
    EXPECT_EQ(u"2 1 202"_s, rowsOf(head, u"JieShaoRenID,isdaishoukuan,yfwldw_id"_s));
}

TEST_F(SalesBillE2E, SaleReturnExchangeAndOrderSaveADraftPostAndOpenAgain) {
    struct Row {
        int djType;
        QList<QPair<qint64, double>> lines;  // goods, quantity
        double screwMoved;                   // screws coming into stock by posting
        double receivableAfter, cashAfter;
    };
    // Sale: 40 + 10 less 5 off, 20 of it received in cash. Return: 2 screws back (+2,
    // receivable -20). Exchange: 1 screw comes back, 1 gear goes out (receivable +5 - 10).
    // Order: nothing moves.
    const Row rows[] = {
        {1, {{kScrew, 4}, {kGear, 2}}, -4, 25, 20},
        {2, {{kScrew, 2}}, 2, -20, 0},
        {3, {{kScrew, 1}, {kGear, -1}}, 1, -5, 0},
        {4, {{kScrew, 3}}, 0, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.djType);
        const double screwBefore = stock(kScrew), receivableBefore = receivable();
        const double cashBefore = cash();
        qint64 id = 0;
        {
            std::unique_ptr<QWidget> w(OpenBill(r.djType, 0, true));
            auto* bill = qobject_cast<TfrmGoodsBill*>(w.get());
            ASSERT_NE(nullptr, bill);
            EXPECT_EQ(r.djType, bill->djType());
            // Only the sale has its own window.
            EXPECT_EQ(r.djType == 1, qobject_cast<TfrmBillXSD*>(w.get()) != nullptr);
            bill->edBillCode()->setText(u"XS-%1"_s.arg(r.djType));
            bill->chooseHeaderRecord(u"eddw"_s, kCustomerA, u"甲公司"_s);
            bill->chooseHeaderRecord(u"edshck"_s, kStore, u"一号仓"_s);
            if (bill->headerField(u"edfhck"_s))
                bill->chooseHeaderRecord(u"edfhck"_s, kStore, u"一号仓"_s);
            for (const auto& [g, qty] : r.lines)
                bill->AddGoods(namedGoods(g, qty, g == kScrew ? 10 : 5));
            ASSERT_TRUE(bill->saveBill(false)) << script.messages().join(u"|"_s).toStdString();
            id = bill->billId();
            ASSERT_GT(id, 0);
            EXPECT_EQ(1, state(id));
            EXPECT_EQ(screwBefore, stock(kScrew));  // a draft moves nothing
        }
        {
            std::unique_ptr<QWidget> w(OpenBill(r.djType, id, true));
            auto* bill = qobject_cast<TfrmGoodsBill*>(w.get());
            ASSERT_NE(nullptr, bill);
            EXPECT_EQ(int(kBillDraft), bill->billState());
            EXPECT_EQ(r.lines.size(), bill->goodsRows().size());
            if (r.djType == 1) {
                // The receipt follows the bill (50 - 5); the operator takes only 20 now.
                bill->setHeaderText(u"edyhje"_s, u"5"_s);
                EXPECT_EQ(u"45.00"_s, bill->headerText(u"edfkje"_s));
                bill->setHeaderText(u"edfkje"_s, u"20"_s);
            }
            ASSERT_TRUE(bill->saveBill(true)) << script.messages().join(u"|"_s).toStdString();
            id = bill->billId();
        }
        EXPECT_EQ(2, state(id));
        EXPECT_EQ(r.screwMoved, stock(kScrew) - screwBefore);
        EXPECT_EQ(r.receivableAfter, receivable() - receivableBefore);
        EXPECT_EQ(r.cashAfter, cash() - cashBefore);
        std::unique_ptr<QWidget> w(OpenBill(r.djType, id, true));
        auto* bill = qobject_cast<TfrmGoodsBill*>(w.get());
        ASSERT_NE(nullptr, bill);
        EXPECT_EQ(int(kBillPosted), bill->billState());
        EXPECT_TRUE(bill->isReadOnly());
        EXPECT_EQ(r.lines.size(), bill->goodsRows().size());
    }
}

}  // namespace
}  // namespace dyt::test
