// Receipts and payments against a real server: sales and a purchase posted through the bill
// service as the goods-bill windows send them, a receipt and a payment that settle them, and the
// re-settlement of the posted bills.
#include <QDateEdit>
#include <QLineEdit>

#include "bills_support.h"
#include "client/bills/billkinds.h"
#include "client/bills/frmbillskd.h"
#include "client/logic/settings.h"
#include "common/recordset.h"
#include "server/posting_packets.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

constexpr qint64 kGoods = 101, kCustomer = 201, kSupplier = 203, kWarehouse = 301;
constexpr qint64 kmCash = 8;

class MoneyBillE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        addGoods(kGoods, "SP101", "螺丝", 1011, "个");
        addRecord("baseWLDW", kCustomer, "K1", "甲客户");
        addRecord("baseWLDW", kSupplier, "G1", "供应商");
        addRecord("baseCK", kWarehouse, "CK1", "总仓");
        addRecord("baseZY", 2, "002", "张三", 0, 0, {{"name", u"'张三'"_s}});
        addRecord("baseBM", 401, "BM1", "业务部");
        openAccounts(QDate(2025, 1, 1));
        settings().DefaultBillRows = 2;
        settings().TotalDot = 2;
        loadBillKinds(dm);
    }
    // Posts a goods bill through the bill service; returns its id.
    qint64 postGoods(int djType, qint64 partner, double qty, double price, const QString& code) {
        server::test::GoodsBill b;
        b.djType = djType;
        b.date = u"2025-02-03"_s;
        b.code = code;
        b.partner = partner;
        b.intoStock = kWarehouse;
        b.lines.push_back({.goods = kGoods, .qty = qty, .price = price});
        ParamList p = server::test::goodsBillParams(b);
        const RecordSet lines = server::test::goodsLinesPacket(b);
        const RecordSet accounts = server::test::accountPacket(b.accounts);
        return dm.ExecService(u"QMXService"_s, u"SaveToDB"_s, p, &lines, &accounts, nullptr);
    }
    double receivable(qint64 partner) {
        return number(u"SELECT ystotal FROM baseWLDW WHERE id = %1"_s.arg(partner));
    }
    double payable(qint64 partner) {
        return number(u"SELECT yftotal FROM baseWLDW WHERE id = %1"_s.arg(partner));
    }
    double cash() { return number(u"SELECT Total FROM baseKM WHERE id = %1"_s.arg(kmCash)); }
    double settledOf(qint64 bill) {
        return number(u"SELECT sfkTotalLj FROM djIndex WHERE id = %1"_s.arg(bill));
    }
    static int rowOfBill(const RecordSet& rows, qint64 billId) {
        const int col = rows.fieldIndex(u"s_id"_s);
        for (int r = 0; r < rows.rowCount(); ++r)
            if (rows.at(r, col).toLongLong() == billId)
                return r;
        return -1;
    }
    static double amountOf(const RecordSet& rows, qint64 billId, const QString& field) {
        const int r = rowOfBill(rows, billId);
        return r < 0 ? -1 : rows.at(r, rows.fieldIndex(field)).toDouble();
    }
    // Enters and posts a receipt or payment of `amount` in cash for the partner, distributed
    // automatically; returns the bill id.
    qint64 enterMoneyBill(int djType, qint64 partner, double amount, const QString& code,
                          const std::function<void(TfrmBillSKD&)>& check = {}) {
        TfrmBillSKD bill(djType);
        bill.OpenBill(djType, 0, true);
        bill.edBillCode()->setText(code);
        bill.edBillDate()->setDate(QDate(2025, 2, 4));
        bill.setPartner(partner, u"往来单位"_s);
        bill.setAccount(0, kmCash, u"1001"_s, u"现金"_s);
        RecordSet& accounts = bill.records();
        accounts.setAt(0, accounts.fieldIndex(u"total"_s), QString::number(amount));
        bill.btnzdfpClick();
        if (check)
            check(bill);
        qint64 saved = 0;
        QObject::connect(&bill, &TfrmBillAbstract::billSaved, [&saved](qint64 id) { saved = id; });
        EXPECT_TRUE(bill.SaveBill(true)) << script.messages().join(u"|"_s).toStdString();
        return saved;
    }
};

TEST_F(MoneyBillE2E, APostedReceiptIsSettledAgainAndShowsItsNewRows) {
    ASSERT_GT(postGoods(5, kSupplier, 20, 10, u"JH-1"_s), 0);
    const qint64 sale1 = postGoods(1, kCustomer, 5, 20, u"XS-1"_s);  // 100
    const qint64 sale2 = postGoods(1, kCustomer, 3, 20, u"XS-2"_s);  // 60
    ASSERT_GT(sale1, 0);
    ASSERT_GT(sale2, 0);
    const qint64 receipt = enterMoneyBill(21, kCustomer, 130, u"SK-1"_s);
    ASSERT_GT(receipt, 0);
    const double cashAfterReceipt = cash();

    TfrmBillSKD bill(21);
    bill.OpenBill(21, receipt, false);
    EXPECT_EQ(int(kBillPosted), bill.billState());
    EXPECT_EQ(2, bill.billRows().rowCount());  // what it settles: 100 and 30
    EXPECT_EQ(100, amountOf(bill.billRows(), sale1, u"Total"_s));

    script.answer(u"确定(&O)"_s, u"你确定要重新结算吗？"_s);
    bill.btnqzwcClick();
    ASSERT_TRUE(bill.isResettling()) << script.messages().join(u"|"_s).toStdString();
    // Both sales are open in full again.
    EXPECT_EQ(0, settledOf(sale1));
    EXPECT_EQ(100, amountOf(bill.billRows(), sale1, u"ye"_s));
    EXPECT_EQ(60, amountOf(bill.billRows(), sale2, u"ye"_s));

    // This time the whole second sale and 70 of the first.
    RecordSet& rows = bill.billRows();
    rows.setAt(rowOfBill(rows, sale2), rows.fieldIndex(u"Total"_s), 60.0);
    rows.setAt(rowOfBill(rows, sale1), rows.fieldIndex(u"Total"_s), 70.0);
    bill.btnqzwcClick();
    EXPECT_FALSE(bill.isResettling()) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ(70, settledOf(sale1));
    EXPECT_EQ(60, settledOf(sale2));
    // The money did not move again, and the receivable stays what the receipt left.
    EXPECT_EQ(cashAfterReceipt, cash());
    EXPECT_EQ(160 - 130, receivable(kCustomer));
    // The window shows the rows as they stand now.
    EXPECT_EQ(70, amountOf(bill.billRows(), sale1, u"Total"_s));
    EXPECT_EQ(60, amountOf(bill.billRows(), sale2, u"Total"_s));
    EXPECT_EQ(QStringList(), script.messages());
}

TEST_F(MoneyBillE2E, APostedPaymentIsSettledAgainThroughItsNegatedRows) {
    const qint64 bought = postGoods(5, kSupplier, 20, 10, u"JH-1"_s);  // 200 payable
    ASSERT_GT(bought, 0);
    const qint64 payment = enterMoneyBill(22, kSupplier, 150, u"FK-1"_s);
    ASSERT_GT(payment, 0);
    EXPECT_EQ(150, settledOf(bought));
    const double cashAfterPayment = cash();

    TfrmBillSKD bill(22);
    bill.OpenBill(22, payment, false);
    script.answer(u"确定(&O)"_s, u"你确定要重新结算吗？"_s);
    bill.btnqzwcClick();
    ASSERT_TRUE(bill.isResettling()) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ(0, settledOf(bought));
    EXPECT_EQ(200, amountOf(bill.billRows(), bought, u"ye"_s));
    RecordSet& rows = bill.billRows();
    rows.setAt(rowOfBill(rows, bought), rows.fieldIndex(u"Total"_s), 120.0);
    bill.btnqzwcClick();
    EXPECT_FALSE(bill.isResettling()) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ(120, settledOf(bought));
    EXPECT_EQ(200 - 150, payable(kSupplier));
    EXPECT_EQ(cashAfterPayment, cash());
    // One settled row, no leftovers of the cleared one.
    EXPECT_EQ(1, number(u"SELECT COUNT(*) FROM djList WHERE km_id = 0 AND id = %1"_s.arg(payment)));
}

}  // namespace
}  // namespace dyt::client
