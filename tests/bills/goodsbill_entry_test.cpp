// Entering a goods bill as the operator does: Enter walks the header fields and the cells (a new
// row after the last filled one), Delete and F4 act on the focused row, scanned barcodes and
// pulled orders add lines, auxiliary quantities come from the server.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

#include "bills_support.h"
#include "client/bills/frmbilljhd.h"
#include "client/bills/goodsbill.h"
#include "client/bills/selectgoods.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "common/recordset.h"
#include "protocol/protocol.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

using test::goods;
using test::textRows;

void press(QWidget* target, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

class GoodsBillEntry : public test::BillFixture {
protected:
    void SetUp() override {
        BillFixture::SetUp();
        settings().SeeCost = true;  // prices of purchases are costs
        bill = std::make_unique<TfrmBillJHD>();
        bill->OpenBill(5, 0, false);
        bill->resize(1200, 700);
        bill->show();
        bill->activateWindow();
        QApplication::processEvents();
    }
    void TearDown() override {
        bill.reset();
        BillFixture::TearDown();
    }
    QModelIndex indexOf(int row, const QString& field) const {
        return bill->model()->index(row, bill->gridDefinition().columnIndex(field));
    }
    QString currentField() const {
        const QModelIndex i = bill->dbgvX()->table()->currentIndex();
        return i.isValid() ? bill->gridDefinition().columns.at(i.column()).fieldName : QString();
    }

    std::unique_ptr<TfrmBillJHD> bill;
};

TEST_F(GoodsBillEntry, EnterWalksHeaderFieldsThenCellsAndAddsARowAfterTheLastFilledOne) {
    QWidget* supplier = bill->headerControl(u"eddw"_s);
    supplier->setFocus();
    press(supplier, Qt::Key_Return);
    EXPECT_EQ(bill->headerControl(u"edshck"_s), QApplication::focusWidget());

    bill->AddGoods(goods(101, 1, 10));
    bill->AddGoods(goods(102, 1, 10));  // the last row is filled: a third row stands empty
    ASSERT_EQ(3, bill->records().rowCount());
    QTableView* table = bill->dbgvX()->table();
    table->setCurrentIndex(indexOf(0, u"qty"_s));
    press(table, Qt::Key_Return);
    EXPECT_EQ(u"Price"_s, currentField());
    EXPECT_EQ(0, table->currentIndex().row());
    // From the last editable column to the next row's first one.
    const GridDefinition& def = bill->gridDefinition();
    int last = -1;
    for (int c = 0; c < def.columns.size(); ++c)
        if (def.columns.at(c).visible && def.columns.at(c).editable)
            last = c;
    ASSERT_GE(last, 0);
    EXPECT_EQ(3, bill->records().rowCount());
    table->setCurrentIndex(bill->model()->index(1, last));
    EXPECT_EQ(3, bill->records().rowCount());
    press(table, Qt::Key_Return);
    EXPECT_EQ(3, bill->records().rowCount());
    EXPECT_EQ(2, table->currentIndex().row());
    // Past the last row, only when it holds goods: the empty third row gets no follower.
    table->setCurrentIndex(bill->model()->index(2, last));
    ASSERT_EQ(3, bill->records().rowCount()) << bill->cell(2, u"goodsid"_s).toStdString();
    press(table, Qt::Key_Return);
    EXPECT_EQ(3, bill->records().rowCount());
    bill->AddGoods(goods(103, 1, 10));
    ASSERT_EQ(4, bill->records().rowCount());
    bill->records().removeRow(3);
    bill->showRecords();
    table->setCurrentIndex(bill->model()->index(2, last));
    press(table, Qt::Key_Return);
    EXPECT_EQ(4, bill->records().rowCount());
    EXPECT_EQ(3, table->currentIndex().row());
}

TEST_F(GoodsBillEntry, DeleteAndF4ActOnTheFocusedRow) {
    bill->AddGoods(goods(101, 1, 10));
    bill->AddGoods(goods(102, 1, 10));
    QTableView* table = bill->dbgvX()->table();
    table->setCurrentIndex(indexOf(1, u"qty"_s));
    press(table, Qt::Key_F4);
    EXPECT_EQ(u"赠品"_s, bill->cell(1, u"RowTypeName"_s));
    EXPECT_EQ(u""_s, bill->cell(0, u"RowTypeName"_s));
    table->setCurrentIndex(indexOf(0, u"qty"_s));
    script.answer(u"否(&C)"_s, u"确定要删除当前行吗？"_s);
    press(table, Qt::Key_Delete);
    EXPECT_EQ(u"101"_s, bill->cell(0, u"goodsid"_s));
    script.answer(u"是(&O)"_s, u"确定要删除当前行吗？"_s);
    press(table, Qt::Key_Delete);
    EXPECT_EQ(u"102"_s, bill->cell(0, u"goodsid"_s));
    EXPECT_TRUE(bill->isGift(0));
}

TEST_F(GoodsBillEntry, AScannedBarcodeAddsItsGoods) {
    const RecordSet found = textRows(
        {u"id"_s, u"code"_s, u"fullName"_s, u"unitid"_s, u"unitName"_s, u"price"_s, u"sonnum"_s},
        {{u"205"_s, u"LS-01"_s, u"螺丝"_s, u"1"_s, u"盒"_s, u"6"_s, u"0"_s}});
    transport->respond(u"ExecProcQuery"_s, 0, {QString(), proto::recordSetToCbor(found)});
    EXPECT_TRUE(bill->ScanBarcode(u"6901234567890"_s));
    EXPECT_EQ(u"205"_s, bill->cell(0, u"goodsid"_s));
    EXPECT_EQ(u"1"_s, bill->cell(0, u"unitid"_s));
    EXPECT_EQ(u"6"_s, bill->cell(0, u"Total"_s));
    // Nothing found: the selection says so and no line is added.
    transport->respond(u"ExecProcQuery"_s, 0, {QString(), proto::recordSetToCbor(RecordSet())});
    EXPECT_FALSE(bill->ScanBarcode(u"000"_s));
    EXPECT_EQ(u"无此条码商品！"_s, script.messages().value(script.messages().size() - 1));
    EXPECT_EQ(1, bill->goodsRows().size());
}

TEST_F(GoodsBillEntry, PullingOrdersNeedsTheSupplierAndTakesOverHeaderAndLines) {
    QString askedKinds;
    QString askedCondition;
    const OrderPicker original = goodsOrderPicker();
    goodsOrderPicker() = [&](const QString& kinds, const QString& condition, RecordSet* header,
                             RecordSet* lines) {
        askedKinds = kinds;
        askedCondition = condition;
        *header = textRows(
            {u"id"_s, u"wldw_id"_s, u"wldw_name"_s, u"jsr_id"_s, u"jsr_name"_s, u"IntoStock_id"_s,
             u"IntoStock_Name"_s, u"summery"_s, u"comment"_s, u"billDiscount"_s},
            {{u"900"_s, u"203"_s, u"甲供应商"_s, u"2"_s, u"张三"_s, u"301"_s, u"总仓"_s, u"急单"_s,
              u"月底到货"_s, u"0.95"_s}});
        *lines =
            textRows({u"id"_s, u"orderid"_s, u"goodsid"_s, u"goodsCode"_s, u"goodsname"_s,
                      u"unitid"_s, u"unitName"_s, u"qty"_s, u"toQty"_s, u"Price"_s, u"discount"_s},
                     {{u"900"_s, u"2"_s, u"101"_s, u"SP101"_s, u"螺丝"_s, u"0"_s, u"个"_s, u"10"_s,
                       u"4"_s, u"3"_s, u"1"_s}});
        return true;
    };
    EXPECT_THROW(bill->PullOrders(), DytError);
    try {
        bill->PullOrders();
    } catch (const DytError& e) {
        EXPECT_EQ(u"请先选择供货单位"_s, e.message());
    }
    EXPECT_TRUE(askedKinds.isEmpty());

    bill->chooseHeaderRecord(u"eddw"_s, 203, u"甲供应商"_s);
    bill->PullOrders();
    goodsOrderPicker() = original;
    EXPECT_EQ(u"(8)"_s, askedKinds);
    EXPECT_EQ(u";wldw_id=203"_s, askedCondition);
    EXPECT_EQ(2, bill->headerId(u"edjsr"_s));
    EXPECT_EQ(u"张三"_s, bill->headerText(u"edjsr"_s));
    EXPECT_EQ(301, bill->headerId(u"edshck"_s));
    EXPECT_EQ(u"原摘要：急单"_s, bill->headerText(u"edzhaiyao"_s));
    EXPECT_EQ(u"原说明：月底到货"_s, bill->edComment()->text());
    EXPECT_EQ(u"0.95"_s, bill->headerText(u"edzdzk"_s));
    // The open 6 of the order line, at the order's price.
    EXPECT_EQ(u"101"_s, bill->cell(0, u"goodsid"_s));
    EXPECT_EQ(u"6"_s, bill->cell(0, u"qty"_s));
    EXPECT_EQ(u"900"_s, bill->cell(0, u"s_id"_s));
    EXPECT_EQ(u"2"_s, bill->cell(0, u"s_orderid"_s));
}

TEST_F(GoodsBillEntry, AuxiliaryQuantitiesComeFromTheServer) {
    bill->AddGoods(goods(101, 1, 10));
    transport->clearCalls();
    transport->respond(u"ExecQuery"_s, 0,
                       {proto::recordSetToCbor(textRows({u"fzQty"_s, u"fzQty1"_s, u"fzQty2"_s},
                                                        {{u"1箱2个"_s, u"14"_s, u""_s}})),
                        QString()});
    bill->editCell(0, u"qty"_s, u"14"_s);
    EXPECT_EQ(u"1箱2个"_s, bill->cell(0, u"fzqty"_s));
    EXPECT_EQ(u"14"_s, bill->cell(0, u"fzqty1"_s));
    QString sql;
    for (const RecordedCall& c : transport->calls())
        if (c.method == u"ExecQuery"_s)
            sql = c.sql;
    EXPECT_EQ(
        u"select dbo.fnGetBaseGoodsFZQty(101,0,14,0) fzQty "
        u",dbo.fnGetBaseGoodsFZQty(101,0,14,1) fzQty1 "
        u",dbo.fnGetBaseGoodsFZQty(101,0,14,2) fzQty2 "_s,
        sql);
}

}  // namespace
}  // namespace dyt::client
