// The sales kinds end to end against a real server: a sale entered through the window and posted
// moves the stock, the customer's receivable and the receipt account; the return, the exchange
// and the order open, save a draft, post and open again.
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

#include "bills_support.h"
#include "client/bills/frmbillxsd.h"
#include "client/bills/selectgoods.h"
#include "client/common/windowregistry.h"

using namespace Qt::StringLiterals;
using namespace dyt::client;

namespace dyt::test {
namespace {

SelectedGoods namedGoods(qint64 id, double qty, double price) {
    return goods(id, qty, price, id == kScrew ? u"螺丝"_s : u"齿轮"_s);
}

class SalesBillE2E : public SalesServerFixture {
protected:
    void SetUp() override {
        SalesServerFixture::SetUp();
        settings().DefaultBillRows = 2;
        settings().SalesReceiptAccountId = 8;
        settings().SalesReceiptAccountName = u"现金"_s;
        settings().SalesDefaultReceipt = true;
        loadBillKinds(dm);
        registerBillWindows();
        putStock(kScrew, kStore, 10, 4);
        putStock(kGear, kStore, 5, 2);
    }
    double scalar(const QString& sql) {
        const RecordSet rs = query(sql);
        return rs.rowCount() > 0 ? rs.at(0, 0).toDouble() : 0.0;
    }
    double stock(qint64 goods) {
        return scalar(
            u"SELECT SUM(qty) FROM baseGoodsStock WHERE goodsid = %1 AND stockid = 301"_s.arg(
                goods));
    }
    double receivable() { return scalar(u"SELECT ystotal FROM baseWLDW WHERE id = 201"_s); }
    double cash() { return scalar(u"SELECT Total FROM baseKM WHERE id = 8"_s); }
    int state(qint64 id) {
        return int(scalar(u"SELECT dj_state FROM djIndex WHERE id = %1"_s.arg(id)));
    }
};

TEST_F(SalesBillE2E, APostedSaleMovesStockReceivableAndTheReceiptAccount) {
    const double cashBefore = cash();
    EXPECT_NE(nullptr,
              qobject_cast<TfrmBillXSD*>(std::unique_ptr<QWidget>(OpenBill(1, 0, true)).get()));
    TfrmBillXSD bill;
    bill.OpenBill(1, 0, true);
    bill.edBillCode()->setText(u"XS-E2E-1"_s);
    bill.chooseHeaderRecord(u"eddw"_s, kCustomerA, u"甲公司"_s);
    bill.chooseHeaderRecord(u"edshck"_s, kStore, u"一号仓"_s);
    bill.AddGoods(namedGoods(kScrew, 4, 10));  // 40
    bill.AddGoods(namedGoods(kGear, 2, 5));    // 10
    bill.setHeaderText(u"edyhje"_s, u"5"_s);
    // The receipt follows the bill (50 - 5); the operator takes only 20 now.
    EXPECT_EQ(u"45.00"_s, bill.headerText(u"edfkje"_s));
    bill.setHeaderText(u"edfkje"_s, u"20"_s);
    ASSERT_TRUE(bill.SaveBill(true)) << script.messages().join(u"|"_s).toStdString();
    const qint64 id = bill.billId();
    ASSERT_GT(id, 0);
    EXPECT_EQ(2, state(id));

    EXPECT_EQ(6.0, stock(kScrew));
    EXPECT_EQ(3.0, stock(kGear));
    // Receivable: 50 - 5 discount - 20 received.
    EXPECT_EQ(25.0, receivable());
    EXPECT_EQ(20.0, cash() - cashBefore);
    // The receipt is the bill's account line of type 1.
    EXPECT_EQ(20.0, scalar(u"SELECT SUM(dbTotal + LendTotal) FROM djKmDetail WHERE id = %1 AND "
                           "type = 1 AND km_id = 8"_s.arg(id)));

    // Opened again: posted, read-only, with both lines and the receipt.
    TfrmBillXSD again;
    again.OpenBill(1, id, true);
    EXPECT_EQ(int(kBillPosted), again.billState());
    EXPECT_TRUE(again.isReadOnly());
    EXPECT_EQ(2, again.goodsRows().size());
    EXPECT_EQ(20.0, again.headerNumber(u"edfkje"_s));
    EXPECT_EQ(kCustomerA, again.headerId(u"eddw"_s));
}

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
    ASSERT_TRUE(bill.SaveBill(true)) << script.messages().join(u"|"_s).toStdString();
    const qint64 id = bill.billId();
    // The agent owes the 30 it collects, the customer the other 20.
    EXPECT_EQ(20.0, receivable());
    EXPECT_EQ(30.0, scalar(u"SELECT ystotal FROM baseWLDW WHERE id = 202"_s));
    const RecordSet head = query(
        u"SELECT JieShaoRenID, isdaishoukuan, yfwldw_id FROM djIndex WHERE id = %1"_s.arg(id));
    ASSERT_EQ(1, head.rowCount());
    EXPECT_EQ(kEmployee, head.at(0, 0).toLongLong());
    EXPECT_EQ(1, head.at(0, 1).toInt());
    EXPECT_EQ(kCustomerB, head.at(0, 2).toLongLong());
}

TEST_F(SalesBillE2E, ReturnExchangeAndOrderSaveADraftPostAndOpenAgain) {
    struct Row {
        int djType;
        QList<QPair<qint64, double>> lines;  // goods, quantity
        double screwMoved;                   // screws coming into stock by posting
        double receivableAfter;
    };
    // Return: 2 screws back (+2, receivable -20). Exchange: 1 screw comes back, 1 gear goes
    // out (receivable +5 - 10). Order: nothing moves.
    const Row rows[] = {
        {2, {{kScrew, 2}}, 2, -20},
        {3, {{kScrew, 1}, {kGear, -1}}, 1, -5},
        {4, {{kScrew, 3}}, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.djType);
        const double screwBefore = stock(kScrew);
        const double receivableBefore = receivable();
        qint64 id = 0;
        {
            std::unique_ptr<QWidget> w(OpenBill(r.djType, 0, true));
            auto* bill = qobject_cast<TfrmGoodsBill*>(w.get());
            ASSERT_NE(nullptr, bill);
            EXPECT_EQ(r.djType, bill->djType());
            EXPECT_EQ(nullptr, qobject_cast<TfrmBillXSD*>(w.get()));  // the sale's own window
            bill->edBillCode()->setText(u"XS-%1"_s.arg(r.djType));
            bill->chooseHeaderRecord(u"eddw"_s, kCustomerA, u"甲公司"_s);
            bill->chooseHeaderRecord(u"edshck"_s, kStore, u"一号仓"_s);
            if (bill->headerField(u"edfhck"_s))
                bill->chooseHeaderRecord(u"edfhck"_s, kStore, u"一号仓"_s);
            for (const auto& [g, qty] : r.lines)
                bill->AddGoods(namedGoods(g, qty, g == kScrew ? 10 : 5));
            ASSERT_TRUE(bill->SaveBill(false)) << script.messages().join(u"|"_s).toStdString();
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
            ASSERT_TRUE(bill->SaveBill(true)) << script.messages().join(u"|"_s).toStdString();
            id = bill->billId();
        }
        EXPECT_EQ(2, state(id));
        EXPECT_EQ(r.screwMoved, stock(kScrew) - screwBefore);
        EXPECT_EQ(r.receivableAfter, receivable() - receivableBefore);
        std::unique_ptr<QWidget> w(OpenBill(r.djType, id, true));
        auto* bill = qobject_cast<TfrmGoodsBill*>(w.get());
        ASSERT_NE(nullptr, bill);
        EXPECT_EQ(int(kBillPosted), bill->billState());
        EXPECT_EQ(r.lines.size(), bill->goodsRows().size());
    }
}

TEST_F(SalesBillE2E, ScreenshotOfASaleWithLinesAndAGift) {
    settings().HasPromotions = true;
    const QString today = QDate::currentDate().toString(u"yyyy-MM-dd"_s);
    addAgreement(kCustomerA, kScrew, 3, 1, today, today);
    TfrmBillXSD bill;
    bill.OpenBill(1, 0, true);
    bill.resize(1280, 640);
    bill.edBillCode()->setText(u"XS-20261206-001"_s);
    bill.chooseHeaderRecord(u"eddw"_s, kCustomerA, u"甲公司"_s);
    bill.chooseHeaderRecord(u"edshck"_s, kStore, u"一号仓"_s);
    bill.chooseHeaderRecord(u"edjsr"_s, kEmployee, u"张三"_s);
    const int row = bill.AddGoods(namedGoods(kScrew, 6, 10));
    bill.AddGoods(namedGoods(kGear, 2, 25));
    bill.setHeaderText(u"edyhje"_s, u"10"_s);
    bill.show();
    bill.showRecords();
    bill.RefreshAvailableStock(row);
    QApplication::processEvents();
    // 60 + 50 - 10; two screws given for six bought.
    EXPECT_EQ(u"100.00"_s, bill.headerText(u"edfkje"_s));
    EXPECT_EQ(3, bill.goodsRows().size());
    EXPECT_EQ(u"优惠后金额：100.00"_s, bill.lbyhhje()->text());
    const QString path = saveScreenshot(&bill, u"sales_bill"_s);
    EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    bill.setModified(false);
    bill.close();
}

}  // namespace
}  // namespace dyt::test
