// Pictures of the purchase bill with lines and of its multi-account dialog, for review; each
// also checks what the picture must show.
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "bills_support.h"
#include "client/bills/frmbilljhd.h"
#include "client/bills/goodsbill.h"
#include "client/bills/goodsbillaccounts.h"
#include "client/bills/selectgoods.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "protocol/protocol.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

class GoodsBillScreens : public test::BillFixture {
protected:
    void SetUp() override {
        BillFixture::SetUp();
        loginedUser().UserId = 1;
        settings().DefaultBillRows = 6;
        settings().SeeCost = true;
    }
};

SelectedGoods goods(qint64 id, const QString& code, const QString& name, double qty, double price) {
    SelectedGoods g;
    g.goodsId = id;
    g.code = code;
    g.name = name;
    g.unitName = u"个"_s;
    g.qty = qty;
    g.price = price;
    return g;
}

TEST_F(GoodsBillScreens, PurchaseBillWithLines) {
    TfrmBillJHD bill;
    bill.OpenBill(5, 0, false);
    bill.resize(1280, 720);
    bill.edBillCode()->setText(u"JH-20261206-001"_s);
    bill.chooseHeaderRecord(u"eddw"_s, 203, u"华东五金批发有限公司"_s);
    bill.chooseHeaderRecord(u"edshck"_s, 301, u"总仓"_s);
    bill.chooseHeaderRecord(u"edjsr"_s, 2, u"张三"_s);
    bill.chooseHeaderRecord(u"edbm"_s, 401, u"采购部"_s);
    bill.AddGoods(goods(101, u"LS-0001"_s, u"不锈钢螺丝 M6×30"_s, 200, 0.35));
    bill.AddGoods(goods(102, u"CL-0002"_s, u"直齿轮 Z20"_s, 12, 18.5));
    bill.AddGoods(goods(103, u"ZC-0003"_s, u"深沟球轴承 6204"_s, 30, 9.8));
    bill.editCell(1, u"discount"_s, u"0.9"_s);
    bill.editCell(2, u"tax"_s, u"13"_s);
    bill.ToggleGift(0);
    bill.setHeaderText(u"edyfhj"_s, u"30"_s);
    bill.AllocateFreight();
    bill.setHeaderText(u"edyhje"_s, u"5"_s);
    bill.DiscountAmountChanged();
    bill.show();
    QApplication::processEvents();
    const QString path = test::saveScreenshot(&bill, u"purchase_bill_lines"_s);
    EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    // 70 + 199.8 + 332.22 with tax − 5.
    EXPECT_EQ(u"优惠后金额：597.02"_s, bill.lbyhhje()->text());
    EXPECT_EQ(6, bill.dbgvX()->model()->rowCount());  // three lines, three empty rows
    EXPECT_TRUE(bill.headerControl(u"eddw"_s)->isVisible());
    EXPECT_TRUE(bill.btnzdfp()->isVisible());
}

TEST_F(GoodsBillScreens, MultiAccountDialog) {
    TfrmMultiAccount dialog;
    dialog.setAccounts({{8, u"现金"_s, 300}, {9, u"工商银行"_s, 250.5}});
    dialog.show();
    QApplication::processEvents();
    test::saveScreenshot(&dialog, u"purchase_multi_account"_s);
    EXPECT_EQ(3, dialog.grid()->rowCount());  // the two accounts and an empty row
    EXPECT_EQ(u"合计：550.50"_s, dialog.lbTotal()->text());
    ASSERT_EQ(2, dialog.accounts().size());
    EXPECT_EQ(9, dialog.accounts().at(1).accountId);
    EXPECT_EQ(250.5, dialog.accounts().at(1).amount);
    // An account typed by code into the empty row, then its amount: Enter walks on.
    dialog.setAccountKind(u"skkm"_s);
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    RecordSet found;
    for (const QString& f : {u"km_id"_s, u"kmcode"_s, u"kmName"_s})
        found.addField(f, FieldType::Text, 20);
    found.appendRow({u"10"_s, u"1002"_s, u"农业银行"_s});
    found.appendRow({u"11"_s, u"10021"_s, u"建设银行"_s});
    transport->respond(u"ExecQuery"_s, 0, {proto::recordSetToCbor(found), QString()});
    QTableWidget* grid = dialog.grid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(2, 0)).center());
    QTest::keyClicks(grid, u"1"_s);
    QTest::keyClicks(QApplication::focusWidget(), u"002"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(3, dialog.accounts().size());
    EXPECT_EQ(10, dialog.accounts().at(2).accountId);
    EXPECT_TRUE(transport->calls().back().sql.contains(u"1002"_s));
    EXPECT_EQ(1, grid->currentColumn());  // the amount
    QTest::keyClicks(grid, u"9"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(u"合计：559.50"_s, dialog.lbTotal()->text());
    EXPECT_EQ(3, grid->currentRow());  // the next row's account
    EXPECT_EQ(0, grid->currentColumn());
    dialog.setAmount(1, -3);
    dialog.btnOKClick();
    EXPECT_EQ(u"金额不能为负数！"_s, script.messages().value(0));
    script.clearRecords();
}

}  // namespace
}  // namespace dyt::client
