// The draft list and the order list against a real server, driven by mouse and keys: a draft
// posted from "业务草稿"; an order stopped in "进货订单查询" and then refused for picking.
#include <QTest>
#include <QtWidgets>

#include "client/bills/frmselectbill.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/queryconditions.h"
#include "client/queries/frmqbilllists.h"
#include "client/queries/frmselectitems.h"
#include "common/error.h"
#include "server/posting_packets.h"
#include "support/serverfixture.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

constexpr qint64 kSupplier = 203;

class BillListsE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addRecord("baseWLDW", kSupplier, "G1", "甲供应商");
        addRecord("baseCK", 301, "CK1", "总仓");
        ASSERT_EQ(0, openAccounts());
        settings().LoginDate = QDate::currentDate();
        query::resetSharedQueryDates();
        savedRunner_ = TfrmQueryWindow::dialogRunner();
        TfrmQueryWindow::dialogRunner() = [](TfrmSelectItems& d) { return d.accept(); };
    }
    void TearDown() override {
        TfrmQueryWindow::dialogRunner() = savedRunner_;
        query::resetSharedQueryDates();
        ServerFixture::TearDown();
    }
    // A bill of the supplier as its window saves it, the line taken from `order` when given.
    qint64 save(int djType, const QString& method, double qty, qint64 order = 0) {
        server::test::GoodsBill b;
        b.djType = djType;
        b.date = QDate::currentDate().toString(u"yyyy-MM-dd"_s);
        b.code = u"B-%1"_s.arg(djType);
        b.partner = kSupplier;
        b.intoStock = 301;
        b.lines = {{.goods = 101, .qty = qty, .price = 5}};
        ParamList header = server::test::goodsBillParams(b);
        RecordSet packet = server::test::goodsLinesPacket(b);
        packet.setAt(0, packet.fieldIndex(u"unitid"_s), u"1011"_s);
        if (order > 0) {
            packet.setAt(0, packet.fieldIndex(u"s_id"_s), QString::number(order));
            packet.setAt(0, packet.fieldIndex(u"s_orderid"_s),
                         stored(u"SELECT orderid FROM djList WHERE id = %1"_s.arg(order)));
        }
        const RecordSet accounts = server::test::accountPacket({});
        return dm.ExecService(u"QMXService"_s, method, header, &packet, &accounts);
    }
    void show(TfrmQueryWindow& w) {
        w.resize(1100, 600);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
    static void click(TfrmQueryWindow& w, QAction* button) {
        ASSERT_TRUE(button->isVisible()) << button->text().toStdString();
        QTest::mouseClick(w.toolBar()->widgetForAction(button), Qt::LeftButton);
    }
    QString messages() const { return script.messages().join(u'|'); }

    std::function<bool(TfrmSelectItems&)> savedRunner_;
};

TEST_F(BillListsE2E, ADraftIsPostedFromTheDraftList) {
    const qint64 draft = save(5, u"SaveToDraft"_s, 3);
    save(8, u"SaveToDraft"_s, 1);
    TfrmQYWCG w;
    show(w);
    click(w, w.btnQuery());
    ASSERT_EQ(2, w.model()->rowCount()) << messages().toStdString();
    // Only the purchase bills: the kind is chosen in the drop-down with the arrow keys.
    QComboBox* kinds = w.cbBillType();
    kinds->setFocus();
    for (int i = kinds->findText(u"进货单"_s); i > 0; --i)
        QTest::keyClick(kinds, Qt::Key_Down);
    ASSERT_EQ(u"进货单"_s, kinds->currentText());
    ASSERT_EQ(1, w.model()->rowCount());
    EXPECT_EQ(draft, w.focusedValue(u"id"_s).toLongLong());
    EXPECT_EQ(u"B-5"_s, w.focusedValue(u"code"_s).toString());
    script.answer(u"确定(&O)"_s, u"过账"_s);
    click(w, w.btnPost());
    EXPECT_EQ(u"过账成功！"_s, messages());
    EXPECT_EQ(2, number(u"SELECT dj_state FROM djIndex WHERE id = %1"_s.arg(draft)));
    EXPECT_EQ(3, number(u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101"_s));
    EXPECT_EQ(0, w.model()->rowCount());
}

TEST_F(BillListsE2E, AnOrderStoppedInTheOrderListIsRefusedForPicking) {
    const qint64 order = save(8, u"SaveToDB"_s, 10);
    SelectBillArgs args;
    args.djStr = u"(8)"_s;
    args.djType = 5;
    args.wldwStr = u";wldw_id=%1"_s.arg(kSupplier);
    args.beginDate = QDate::currentDate().addDays(-1);
    args.endDate = QDate::currentDate();
    const auto offered = [&] {
        TfrmSelectBill picking(args);
        picking.refreshBills();
        return picking.billGrid()->model()->rowCount();
    };
    EXPECT_EQ(1, offered());
    TfrmQOrderList w(u"TfrmQJHDDCX"_s);
    show(w);
    click(w, w.btnQuery());
    ASSERT_EQ(1, w.model()->rowCount()) << messages().toStdString();
    EXPECT_EQ(u"未执行"_s, w.focusedValue(u"OrderState"_s).toString());
    script.answer(u"确定(&O)"_s, u"中止"_s);
    click(w, w.btnStop());
    EXPECT_EQ(u"已中止"_s, w.focusedValue(u"OrderState"_s).toString()) << messages().toStdString();
    EXPECT_EQ(0, offered());
    EXPECT_EQ(u"第1行选自的订单[B-8]已经中止，不能再选单执行！"_s,
              test::errorOf([&] { save(5, u"SaveToDB"_s, 2, order); }));
    // Resumed, it is offered and taken again.
    script.answer(u"确定(&O)"_s, u"恢复"_s);
    click(w, w.btnResume());
    EXPECT_EQ(u"未执行"_s, w.focusedValue(u"OrderState"_s).toString());
    EXPECT_EQ(1, offered());
    EXPECT_GT(save(5, u"SaveToDB"_s, 2, order), 0);
    EXPECT_EQ(0, script.pendingAnswers());
}

}  // namespace
}  // namespace dyt::client
