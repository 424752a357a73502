// The sales invoices against a real server, opened from their menu entries: a posted sales bill of
// 100 (螺丝 10 × 6, 齿轮 4 × 10) is picked into an invoice by goods at the keyboard, 30 of its
// first line typed over the 60 offered, saved as a draft, posted, reopened read-only; an invoice
// by bill takes what is left; the sales bill then refuses reversal; reversing the first invoice in
// the invoice list and deleting the second in the business history gives every amount back.
#include <QPointer>

#include "menubill_fixture.h"
#include "client/bills/billkinds.h"
#include "client/bills/frmbillkp.h"
#include "client/bills/frmselectbill.h"
#include "client/logic/billhistory.h"
#include "client/logic/queryconditions.h"
#include "client/queries/frmqjylc.h"
#include "client/queries/frmqkpcx.h"
#include "client/queries/frmquery.h"
#include "client/shell/functions.h"
#include "client/shell/mainwindow.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

using test::pickNext;
using test::pressKey;
using test::typeKeys;

class InvoiceE2E : public test::MenuBillFixture {
protected:
    void addBaseData() override {
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addGoods(102, "SP102", "齿轮", 1021, "只");
        addRecord("baseWLDW", 201, "K1", "甲客户");
        addRecord("baseWLDW", 203, "G1", "华东五金");
        addRecord("baseCK", 301, "CK1", "总仓");
    }
    void SetUp() override {
        MenuBillFixture::SetUp();
        if (HasFatalFailure())
            return;
        bought_ = goodsBill(5, 203, {{101, 10, 3}, {102, 4, 5}});
        sold_ = goodsBill(1, 201, {{101, 10, 6}, {102, 4, 10}});
        ASSERT_GT(sold_, 0);
    }
    // A purchase or sales bill posted through the bill service as its window sends it.
    qint64 goodsBill(int kind, qint64 partner, const QList<std::tuple<qint64, double, double>>& l) {
        ParamList p;
        p.setValue(u"djType"_s, QString::number(kind));
        p.setValue(u"date"_s, QDate::currentDate().toString(u"yyyy-MM-dd"_s));
        p.setValue(u"code"_s, u"D%1"_s.arg(kind));
        p.setValue(u"wldw_id"_s, QString::number(partner));
        p.setValue(u"IntoStock_id"_s, u"301"_s);
        p.setValue(u"OldBillid"_s, u"0"_s);
        RecordSet lines;
        for (const char* f : {"goodsid", "unitid", "rate", "qty", "price", "total", "discount",
                              "discountprice", "discounttotal", "taxprice", "taxTotalSum"})
            lines.addField(QString::fromLatin1(f), FieldType::Text);
        for (const auto& [goods, qty, price] : l) {
            const QString t = QString::number(qty * price), pr = QString::number(price);
            lines.appendRow({QString::number(goods), QString::number(goods * 10 + 1), u"1"_s,
                             QString::number(qty), pr, t, u"1"_s, pr, t, pr, t});
        }
        return dm.ExecService(u"QMXService"_s, u"SaveToDB"_s, p, &lines);
    }
    TfrmBillKP* openFromMenu(int code) {
        main->functions().OpenFunction(code);
        activate(main.get());
        for (QWidget* w : main->childWindows()) {
            auto* bill = qobject_cast<TfrmBillKP*>(w);
            if (bill && bill->billId() == 0 && !opened_.contains(bill)) {
                opened_ << bill;
                return bill;
            }
        }
        ADD_FAILURE() << "no invoice window: " << messages().toStdString();
        return nullptr;
    }
    // The customer typed by code and picked.
    static void enterPartner(TfrmBillKP* bill) {
        bill->headerControl(u"eddw"_s)->setFocus();
        typeKeys(u"K1"_s);
        pickNext(u"K1"_s);
        pressKey(Qt::Key_Return);
    }
    // "销售单": in the picking, Enter on the bill lists its lines; Space marks the first, Down
    // and Enter mark the second and confirm.
    static void pickBothLines(TfrmBillKP* bill) {
        test::onNextModal([](QWidget* w) {
            auto* picking = qobject_cast<TfrmSelectBill*>(w);
            ASSERT_NE(nullptr, picking);
            ASSERT_EQ(1, picking->billGrid()->model()->rowCount());
            test::perform(picking, picking->billGrid()->table(), {test::key(Qt::Key_Return)});
            ASSERT_EQ(2, picking->lineGrid()->model()->rowCount());
            test::perform(picking, picking->lineGrid()->table(),
                          {test::key(Qt::Key_Space), test::key(Qt::Key_Down),
                           test::key(Qt::Key_Return)});
        });
        QTest::mouseClick(bill->btnOrder(), Qt::LeftButton);
    }
    TfrmBillKP* reopen(int djType, qint64 id) {
        return MenuBillFixture::reopen<TfrmBillKP>(djType, id);
    }
    // What has been invoiced of the sales bill and of its two lines.
    QString invoiced() {
        return test::rowsOf(query(u"SELECT kpTotal FROM djIndex WHERE id = %1 UNION ALL SELECT "
                                  u"kpTotal FROM djList WHERE id = %1"_s.arg(sold_)),
                            u"kpTotal"_s)
            .replace(u'|', u' ');
    }

    QList<QPointer<TfrmBillKP>> opened_;
    qint64 bought_ = 0, sold_ = 0;
};

TEST_F(InvoiceE2E, PickedByGoodsTypedPostedThenByBillAndTakenBackInTheHistory) {
    EXPECT_EQ(u"0 0 0"_s, invoiced());
    TfrmBillKP* bill = openFromMenu(4304);
    ASSERT_NE(nullptr, bill) << messages().toStdString();
    EXPECT_EQ(u"销售开票[按商品]"_s, bill->family().title);
    EXPECT_EQ(u"购买单位"_s, bill->headerField(u"eddw"_s)->caption);
    enterPartner(bill);
    EXPECT_EQ(201, bill->headerId(u"eddw"_s));
    pickBothLines(bill);
    ASSERT_EQ((QList<int>{0, 1}), bill->invoiceRows()) << messages().toStdString();
    EXPECT_EQ(u"101|60|60"_s, test::cells(*bill, 0, u"goodsid,taxTotalSum,kpTotal"_s));
    EXPECT_EQ(u"102|40|40"_s, test::cells(*bill, 1, u"goodsid,taxTotalSum,kpTotal"_s));
    // 30 of the first line typed over what is offered.
    const int column = bill->gridDefinition().columnIndex(u"kpTotal"_s);
    bill->dbgvX()->table()->setCurrentIndex(bill->model()->index(0, column));
    bill->dbgvX()->table()->setFocus();
    typeKeys(u"30"_s);
    pressKey(Qt::Key_Return);
    EXPECT_EQ(u"30"_s, bill->cell(0, u"kpTotal"_s));
    const QPointer<TfrmBillKP> entered(bill);
    const qint64 draft = save(bill, bill->btnBillSaveToDraft());
    ASSERT_GT(draft, 0) << messages().toStdString();
    EXPECT_TRUE(test::waitUntil([&] { return entered.isNull(); }));
    EXPECT_EQ(u"0 0 0"_s, invoiced());  // a draft invoices nothing

    TfrmBillKP* again = reopen(70, draft);
    ASSERT_NE(nullptr, again);
    EXPECT_EQ((QList<int>{0, 1}), again->invoiceRows());
    script.clearRecords();
    const qint64 first = save(again, again->btnBillSave());
    ASSERT_EQ(draft, first) << messages().toStdString();
    EXPECT_EQ(u"70 30 40"_s, invoiced());
    TfrmBillKP* shown = reopen(70, first);
    ASSERT_NE(nullptr, shown);
    EXPECT_TRUE(shown->isReadOnly());
    EXPECT_EQ(u"SP101|30"_s, test::cells(*shown, 0, u"goodsCode,kpTotal"_s));

    // By bill: the bill's 30 not yet invoiced is offered and posted.
    TfrmBillKP* byBill = openFromMenu(4303);
    ASSERT_NE(nullptr, byBill);
    enterPartner(byBill);
    test::onNextModal([](QWidget* w) {
        auto* picking = qobject_cast<TfrmSelectBill*>(w);
        ASSERT_NE(nullptr, picking);
        test::perform(picking, picking->billGrid()->table(), {test::key(Qt::Key_Return)});
        test::perform(picking, picking->lineGrid()->table(), {test::key(Qt::Key_Return)});
    });
    QTest::mouseClick(byBill->btnOrder(), Qt::LeftButton);
    ASSERT_EQ((QList<int>{0}), byBill->invoiceRows()) << messages().toStdString();
    EXPECT_EQ(u"D1|100|30"_s, test::cells(*byBill, 0, u"goodsCode,taxTotalSum,kpTotal"_s));
    script.clearRecords();
    const qint64 second = save(byBill, byBill->btnBillSave());
    ASSERT_GT(second, 0) << messages().toStdString();
    EXPECT_EQ(u"100 30 40"_s, invoiced());
    TfrmBillKP* secondShown = reopen(69, second);
    ASSERT_NE(nullptr, secondShown);
    EXPECT_EQ(u"D1|100|30"_s, test::cells(*secondShown, 0, u"goodsCode,taxTotalSum,kpTotal"_s));

    // The invoiced sales bill cannot go; the invoices can, one reversed and one deleted.
    historyAt(sold_);
    script.answer(u"确定(&O)"_s, history::text::confirmRed());
    script.clearRecords();
    pressKey(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(u"单据已经开票，不能红冲，请先删除或红冲对应的开票单据！"_s, messages());
    // The invoice list ("开票查询") reverses the invoice by goods.
    main->functions().OpenFunction(4305);
    auto* list = qobject_cast<TfrmQKPCX*>(main->childWindows().last());
    ASSERT_NE(nullptr, list);
    activate(main.get());
    test::onNextModal([](QWidget* w) {
        QTest::mouseClick(static_cast<TfrmBaseDialog*>(w)->btnOK(), Qt::LeftButton);
    });
    QTest::mouseClick(list->toolBar()->widgetForAction(list->btnQuery()), Qt::LeftButton);
    ASSERT_EQ(2, list->model()->rowCount()) << messages().toStdString();
    const RecordSet& rows = list->records();
    EXPECT_EQ(first, rows.at(list->model()->rawRow(0), rows.fieldIndex(u"id"_s)).toLongLong());
    list->setFocusedRow(0);
    activate(main.get());
    list->dbgvX()->table()->setFocus();
    script.answer(u"确定(&O)"_s, history::text::confirmRed());
    script.clearRecords();
    pressKey(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(history::text::redDone(), messages());
    EXPECT_EQ(u"30 0 0"_s, invoiced());
    historyAt(second);
    script.answer(u"确定(&O)"_s, history::text::confirmDelete());
    script.clearRecords();
    pressKey(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(history::text::deleted(), messages());
    EXPECT_EQ(u"0 0 0"_s, invoiced());
}

}  // namespace
}  // namespace dyt::client
