// Bills entered at the keyboard against a real server, as an operator does: a purchase, a sale of
// part of it, a receipt settling the sale and a payment settling the purchase.
#include "bills_support.h"
#include "client/bills/frmbilljhd.h"
#include "client/bills/frmbillskd.h"
#include "client/bills/frmbillxsd.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

using test::pickNext;
using test::pressKey;
using test::typeKeys;

// What the views complain of while the bills are entered (an editor left over by its view).
QStringList& viewComplaints() {
    static QStringList complaints;
    return complaints;
}
void noteComplaint(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (message.contains(u"editor that does not belong to this view"_s))
        viewComplaints() << message;
}

class KeyEntryE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addGoods(102, "SP102", "齿轮", 1021, "只");
        addGoods(103, "SP103", "轴承", 1031, "套");
        addRecord("baseWLDW", 201, "K1", "甲客户");
        addRecord("baseWLDW", 203, "G1", "华东五金");
        addRecord("baseCK", 301, "CK1", "总仓");
        openAccounts();
        settings().DefaultBillRows = 2;
        settings().SeeCost = true;  // purchase prices are costs
        loadBillKinds(dm);
        viewComplaints().clear();
        previousHandler_ = qInstallMessageHandler(noteComplaint);
    }
    void TearDown() override {
        qInstallMessageHandler(previousHandler_);
        EXPECT_EQ(QStringList(), viewComplaints());
        ServerFixture::TearDown();
    }
    QString messages() const { return script.messages().join(u"|"_s); }
    double stock(qint64 goods) {
        return number(u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = %1"_s.arg(goods));
    }
    double balance(const char* column, qint64 partner) {
        return number(
            u"SELECT %1 FROM baseWLDW WHERE id = %2"_s.arg(QLatin1String(column)).arg(partner));
    }
    void showBill(TfrmBillAbstract* bill, const QString& code) {
        bill->edBillCode()->setText(code);
        bill->resize(1200, 700);
        test::setKeyWindow(bill);
        bill->show();
        bill->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(bill));
    }
    // The field under the grid's cursor, and whether the grid has the focus
    static QString cursorField(TfrmXAbstract* bill) {
        const QModelIndex i = bill->dbgvX()->table()->currentIndex();
        return i.isValid() ? bill->gridDefinition().columns.at(i.column()).fieldName : QString();
    }
    // (The window's own focus: it is the application's once the window is active again.)
    static bool gridFocused(TfrmXAbstract* bill) {
        return bill->focusWidget() == bill->dbgvX()->table();
    }
    // Enter until the cursor stands in the goods cell of `row` (the rest of a line walked over).
    static void enterToGoodsCell(TfrmGoodsBill* bill, int row) {
        for (int i = 0; i < 40 && !(bill->dbgvX()->table()->currentIndex().row() == row &&
                                    cursorField(bill) == u"goodsname"_s);
             ++i)
            pressKey(Qt::Key_Return);
    }
    // Quantity and price typed into the line under the cursor, from its quantity cell.
    static void typeQtyAndPrice(TfrmGoodsBill* bill, const QString& qty, const QString& price) {
        EXPECT_EQ(u"qty"_s, cursorField(bill));
        typeKeys(qty);
        pressKey(Qt::Key_Return);
        EXPECT_EQ(u"Price"_s, cursorField(bill));
        typeKeys(price);
        pressKey(Qt::Key_Return);
    }
    // Posts through the "过账" button, or by its key Ctrl+S; the bill id saved.
    qint64 post(TfrmBillAbstract* bill, bool byKey = false) {
        qint64 id = 0;
        QObject::connect(bill, &TfrmBillAbstract::billSaved, [&id](qint64 saved) { id = saved; });
        if (byKey)
            pressKey(Qt::Key_S, Qt::ControlModifier);
        else
            QTest::mouseClick(bill->toolBar()->widgetForAction(bill->btnBillSave()),
                              Qt::LeftButton);
        EXPECT_GT(id, 0) << messages().toStdString();
        return id;
    }
    // Types the account code into the first account cell and the amount after it, then lets the
    // amount be distributed over the open bills and posts.
    qint64 enterMoneyBill(int djType, const QString& partnerCode, const QString& amount) {
        auto bill = std::make_unique<TfrmBillSKD>(djType);
        bill->OpenBill(djType, 0, false);
        showBill(bill.get(), u"SF-%1"_s.arg(djType));
        // The receipt's partner typed by code (taken without the selection), the payment's
        // chosen in the selection opened by F2; Enter walks the header on into the first
        // account cell.
        bill->findChild<QLineEdit*>(u"eddw"_s)->setFocus();
        if (djType == 21) {
            typeKeys(partnerCode);
            pressKey(Qt::Key_Return);
        } else {
            pickNext(partnerCode);
            pressKey(Qt::Key_F2);
        }
        for (int i = 0; i < 6 && !gridFocused(bill.get()); ++i)
            pressKey(Qt::Key_Return);
        EXPECT_TRUE(gridFocused(bill.get()));
        EXPECT_EQ(u"km_Code"_s, cursorField(bill.get()));
        EXPECT_EQ(1, bill->billRows().rowCount());
        test::walkStep(u"partner"_s);
        typeKeys(u"103"_s);  // the cash account's code
        pressKey(Qt::Key_Return);
        EXPECT_EQ(u"total"_s, cursorField(bill.get()));
        EXPECT_TRUE(gridFocused(bill.get()));
        typeKeys(amount);
        pressKey(Qt::Key_Return);
        EXPECT_EQ(u"8"_s, bill->records().at(0, bill->records().fieldIndex(u"km_id"_s)).toString());
        pressKey(Qt::Key_F, Qt::ControlModifier);  // "自动分配"
        test::walkStep(u"distributed"_s);
        return post(bill.get(), true);
    }
    // Opens a posted receipt or payment and settles it again with `amount` on the bill `billId`,
    // which is open in full meanwhile; the money does not move again.
    void resettle(int djType, qint64 id, qint64 billId, double amount) {
        const double cashBefore = cash();
        TfrmBillSKD bill(djType);
        bill.OpenBill(djType, id, false);
        EXPECT_EQ(int(kBillPosted), bill.billState());
        script.answer(u"确定(&O)"_s, u"你确定要重新结算吗？"_s);
        bill.btnqzwcClick();
        ASSERT_TRUE(bill.isResettling()) << messages().toStdString();
        EXPECT_EQ(0, settledOf(billId));
        RecordSet& rows = bill.billRows();
        ASSERT_EQ(1, rows.rowCount());
        EXPECT_EQ(billId, rows.at(0, rows.fieldIndex(u"s_id"_s)).toLongLong());
        EXPECT_EQ(djType == 21 ? 80 : 190, rows.at(0, rows.fieldIndex(u"ye"_s)).toDouble());
        rows.setAt(0, rows.fieldIndex(u"Total"_s), amount);
        bill.btnqzwcClick();
        EXPECT_FALSE(bill.isResettling()) << messages().toStdString();
        EXPECT_EQ(amount, settledOf(billId));
        EXPECT_EQ(amount, rows.at(0, rows.fieldIndex(u"Total"_s)).toDouble());
        EXPECT_EQ(cashBefore, cash());
        // One settled row, no leftovers of the cleared one.
        EXPECT_EQ(1, number(u"SELECT COUNT(*) FROM djList WHERE km_id = 0 AND id = %1"_s.arg(id)));
    }
    double cash() { return number(u"SELECT Total FROM baseKM WHERE id = 8"_s); }
    double settledOf(qint64 bill) {
        return number(u"SELECT sfkTotalLj FROM djIndex WHERE id = %1"_s.arg(bill));
    }
    QtMessageHandler previousHandler_ = nullptr;
};

TEST_F(KeyEntryE2E, PurchaseSaleReceiptAndPaymentEnteredAtTheKeyboard) {
    const double cashBefore = cash();
    qint64 purchase = 0, sale = 0;
    {
        SCOPED_TRACE("purchase");
        auto bill = std::make_unique<TfrmBillJHD>();
        bill->OpenBill(5, 0, false);
        showBill(bill.get(), u"JH-KEY-1"_s);
        // The supplier typed by code, picked in the selection; Enter walks the header on into
        // the goods cell of the first empty line.
        bill->headerControl(u"eddw"_s)->setFocus();
        typeKeys(u"G1"_s);
        pickNext(u"G1"_s);
        pressKey(Qt::Key_Return);
        EXPECT_EQ(203, bill->headerId(u"eddw"_s));
        EXPECT_EQ(301, bill->headerId(u"edshck"_s));  // the only warehouse
        for (int i = 0; i < 30 && !gridFocused(bill.get()); ++i)
            pressKey(Qt::Key_Return);
        ASSERT_TRUE(gridFocused(bill.get()));
        EXPECT_EQ(u"goodsname"_s, cursorField(bill.get()));
        EXPECT_EQ(0, bill->dbgvX()->table()->currentIndex().row());
        // Two goods typed by code: each lands on its line, the cursor on its quantity.
        typeKeys(u"SP101"_s);
        pressKey(Qt::Key_Return);
        EXPECT_EQ(u"101"_s, bill->cell(0, u"goodsid"_s)) << messages().toStdString();
        typeQtyAndPrice(bill.get(), u"10"_s, u"12"_s);
        EXPECT_EQ(u"120"_s, bill->cell(0, u"taxTotalSum"_s));
        enterToGoodsCell(bill.get(), 1);
        typeKeys(u"SP102"_s);
        pressKey(Qt::Key_Return);
        EXPECT_EQ(u"102"_s, bill->cell(1, u"goodsid"_s));
        EXPECT_EQ(1, bill->dbgvX()->table()->currentIndex().row());
        typeQtyAndPrice(bill.get(), u"5"_s, u"8"_s);
        // The third from the goods window, opened by Enter on the empty goods cell.
        enterToGoodsCell(bill.get(), 2);
        pickNext(u"SP103"_s);
        pressKey(Qt::Key_Return);
        EXPECT_EQ(u"103"_s, bill->cell(2, u"goodsid"_s));
        EXPECT_EQ(2, bill->dbgvX()->table()->currentIndex().row());
        EXPECT_TRUE(gridFocused(bill.get()));
        typeQtyAndPrice(bill.get(), u"2"_s, u"15"_s);
        EXPECT_EQ(u"40"_s, bill->cell(1, u"taxTotalSum"_s));  // line 2 kept what was typed
        EXPECT_EQ(3, bill->goodsRows().size());
        test::walkStep(u"purchase"_s);
        purchase = post(bill.get());
        EXPECT_EQ(10, stock(101));
        EXPECT_EQ(2, stock(103));
        EXPECT_EQ(190, balance("yftotal", 203));
    }
    {
        SCOPED_TRACE("sale");
        auto bill = std::make_unique<TfrmBillXSD>();
        bill->OpenBill(1, 0, false);
        showBill(bill.get(), u"XS-KEY-1"_s);
        bill->headerControl(u"eddw"_s)->setFocus();
        typeKeys(u"K1"_s);
        pickNext(u"K1"_s);
        pressKey(Qt::Key_Return);
        EXPECT_EQ(201, bill->headerId(u"eddw"_s));
        for (int i = 0; i < 40 && !gridFocused(bill.get()); ++i)
            pressKey(Qt::Key_Return);
        ASSERT_TRUE(gridFocused(bill.get()));
        typeKeys(u"SP101"_s);
        pressKey(Qt::Key_Return);
        typeQtyAndPrice(bill.get(), u"4"_s, u"20"_s);
        test::walkStep(u"sale"_s);
        sale = post(bill.get());
        EXPECT_EQ(6, stock(101));
        EXPECT_EQ(80, balance("ystotal", 201));
    }
    {
        SCOPED_TRACE("receipt");
        const qint64 receipt = enterMoneyBill(21, u"K1"_s, u"80"_s);
        ASSERT_GT(receipt, 0);
        EXPECT_EQ(0, balance("ystotal", 201));
        EXPECT_EQ(80, settledOf(sale));
        EXPECT_EQ(cashBefore + 80, cash());
        // Settled again: 50 of the sale; the receivable stays what the receipt left.
        resettle(21, receipt, sale, 50);
        EXPECT_EQ(0, balance("ystotal", 201));
    }
    {
        SCOPED_TRACE("payment");
        const qint64 payment = enterMoneyBill(22, u"G1"_s, u"190"_s);
        ASSERT_GT(payment, 0);
        EXPECT_EQ(0, balance("yftotal", 203));
        EXPECT_EQ(190, settledOf(purchase));
        EXPECT_EQ(cashBefore + 80 - 190, cash());
        // Settled again through its negated rows: 120 of the purchase.
        resettle(22, payment, purchase, 120);
        EXPECT_EQ(0, balance("yftotal", 203));
    }
}

}  // namespace
}  // namespace dyt::client
