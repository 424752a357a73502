// Consignment against a real server, opened from the menu and entered at the keyboard: goods
// delivered to a consignee go from draft to posted, the settlement picks the delivery's open
// quantity in the picking window, and the business history deletes the settlement and reverses
// the delivery, each step moving stock, the consigned goods, the receivable and the accounts by
// hand-worked amounts.
#include <QPointer>

#include "menubill_fixture.h"
#include "client/bills/frmselectbill.h"
#include "client/bills/goodsbill.h"
#include "client/logic/billhistory.h"
#include "client/logic/queryconditions.h"
#include "client/queries/frmqjylc.h"
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

class ConsignE2E : public test::MenuBillFixture {
protected:
    void addBaseData() override {
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addRecord("baseWLDW", 201, "K1", "甲客户");
        addRecord("baseWLDW", 203, "G1", "华东五金");
        addRecord("baseCK", 301, "CK1", "总仓");
        // 20 in stock at 5 before the account set opens.
        ParamList opening;
        for (const auto& [k, v] : {std::pair{"id", "0"},
                                   {"goodsid", "101"},
                                   {"stockid", "301"},
                                   {"Qty", "20"},
                                   {"Total", "100"}})
            opening.setValue(QString::fromLatin1(k), QString::fromLatin1(v));
        ASSERT_GE(dm.ExecProc(u"P_JXC_INI_GoodsStock"_s, opening), 0);
    }
    // The partner typed by code and picked, then Enter on into the lines.
    void enterPartner(TfrmGoodsBill* bill, const QString& partner) {
        bill->headerControl(u"eddw"_s)->setFocus();
        typeKeys(partner);
        pickNext(partner);
        pressKey(Qt::Key_Return);
        for (int i = 0; i < 30 && bill->focusWidget() != bill->dbgvX()->table(); ++i)
            pressKey(Qt::Key_Return);
        ASSERT_EQ(bill->dbgvX()->table(), bill->focusWidget());
    }
    // Types into the cells of row 0 from `field` on: each value, then Enter.
    void typeCells(TfrmGoodsBill* bill, const QString& field, const QStringList& values) {
        const int column = bill->gridDefinition().columnIndex(field);
        bill->dbgvX()->table()->setCurrentIndex(bill->model()->index(0, column));
        bill->dbgvX()->table()->setFocus();
        for (const QString& v : values) {
            typeKeys(v);
            pressKey(Qt::Key_Return);
        }
    }
    // stock qty/value | consigned qty/total/cost | receivable | 库存商品 委托代销商品 销售收入
    // 销售成本
    QString books() {
        const auto n = [this](const QString& sql) {
            return QString::number(std::round(number(sql) * 1e4) / 1e4);
        };
        return QStringList{
            n(u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101"_s) + u'/' +
                n(u"SELECT sum(total) FROM baseGoodsStock WHERE goodsid = 101"_s),
            n(u"SELECT sum(qty) FROM baseGoodsStockOther WHERE typeid = 3"_s) + u'/' +
                n(u"SELECT sum(total) FROM baseGoodsStockOther WHERE typeid = 3"_s) + u'/' +
                n(u"SELECT sum(costtotal) FROM baseGoodsStockOther WHERE typeid = 3"_s),
            n(u"SELECT ystotal FROM baseWLDW WHERE id = 201"_s),
            n(u"SELECT Total FROM baseKM WHERE id = 6"_s) + u' ' +
                n(u"SELECT Total FROM baseKM WHERE id = 14"_s) + u' ' +
                n(u"SELECT Total FROM baseKM WHERE id = 21"_s) + u' ' +
                n(u"SELECT Total FROM baseKM WHERE id = 26"_s)}
            .join(u" | "_s);
    }
};

TEST_F(ConsignE2E, EveryMenuEntryOpensItsKindAndIsBuilt) {
    const struct {
        int code, djType;
        const char16_t *partner, *warehouse, *pick;
    } entries[] = {{201805, 43, u"受托单位", u"发货仓库", nullptr},
                   {201806, 47, u"受托单位", u"收货仓库", u"委托发货单"},
                   {201807, 44, u"受托单位", nullptr, u"委托发货单"},
                   {201808, 49, u"受托单位", nullptr, nullptr},
                   {201801, 45, u"委托单位", u"收货仓库", nullptr},
                   {201802, 48, u"委托单位", u"发货仓库", u"受托收货单"},
                   {201803, 46, u"委托单位", nullptr, u"受托收货单"},
                   {201804, 50, u"委托单位", nullptr, nullptr}};
    QStringList codes, built;
    for (const auto& e : entries) {
        SCOPED_TRACE(e.code);
        TfrmGoodsBill* bill = openFromMenu(e.code);
        ASSERT_NE(nullptr, bill) << messages().toStdString();
        EXPECT_EQ(e.djType, bill->djType());
        EXPECT_EQ(QString::fromUtf16(e.partner), bill->headerField(u"eddw"_s)->caption);
        EXPECT_EQ(
            e.warehouse ? QString::fromUtf16(e.warehouse) : QString(),
            bill->headerField(u"edshck"_s) ? bill->headerField(u"edshck"_s)->caption : QString());
        EXPECT_EQ(e.pick != nullptr, bill->btnOrder()->isVisibleTo(bill));
        if (e.pick) {
            EXPECT_EQ(QString::fromUtf16(e.pick), bill->btnOrder()->text());
        }
        codes << QString::number(e.code);
    }
    for (const QString& line : functionListing()) {
        if (codes.contains(line.section(u'\t', 0, 0)))
            built << line.section(u'\t', 2, 2);
    }
    EXPECT_EQ(QStringList(8, u"built"_s), built);
}

TEST_F(ConsignE2E, ADeliveryIsSettledFromItsOpenQuantityAndComesBackOut) {
    const QString start = books();
    EXPECT_EQ(u"20/100 | 0/0/0 | 0 | 100 0 0 0"_s, start);
    // The delivery: 10 at the consignment price 8, saved as a draft, then posted.
    TfrmGoodsBill* delivery = openFromMenu(201805);
    ASSERT_NE(nullptr, delivery);
    enterPartner(delivery, u"K1"_s);
    typeCells(delivery, u"goodsname"_s, {u"SP101"_s, u"10"_s, u"8"_s});
    EXPECT_EQ(301, delivery->headerId(u"edshck"_s));
    test::walkStep(u"consignment delivery"_s);
    qint64 draft = 0;
    const auto saved = QObject::connect(delivery, &TfrmBillAbstract::billSaved,
                                        [&draft](qint64 id) { draft = id; });
    const QPointer<TfrmGoodsBill> entered(delivery);
    QTest::mouseClick(delivery->toolBar()->widgetForAction(delivery->btnBillSaveToDraft()),
                      Qt::LeftButton);
    if (entered)
        QObject::disconnect(saved);
    ASSERT_GT(draft, 0) << messages().toStdString();
    EXPECT_EQ(start, books());  // a draft moves nothing
    TfrmGoodsBill* again = reopen(43, draft);
    ASSERT_NE(nullptr, again);
    script.clearRecords();
    const qint64 delivered = postByKey(again);
    ASSERT_GT(delivered, 0) << messages().toStdString();
    // 10 out at cost 5: the consignee holds 10 worth 80 at price, 50 at cost.
    EXPECT_EQ(u"10/50 | 10/80/50 | 0 | 50 50 0 0"_s, books());
    TfrmGoodsBill* shown = reopen(43, delivered);
    ASSERT_NE(nullptr, shown);
    EXPECT_TRUE(shown->isReadOnly());
    EXPECT_FALSE(shown->btnBillSave()->isEnabled());

    // The settlement picks the delivery: Enter on the bill lists its line, Enter on the line
    // takes it with its open quantity and price; 5 are settled at 9.
    TfrmGoodsBill* settle = openFromMenu(201807);
    ASSERT_NE(nullptr, settle);
    enterPartner(settle, u"K1"_s);
    test::onNextModal([](QWidget* period) {
        test::onNextModal([](QWidget* w) {
            auto* pick = qobject_cast<TfrmSelectBill*>(w);
            ASSERT_NE(nullptr, pick);
            ASSERT_EQ(1, pick->billGrid()->model()->rowCount());
            pick->billGrid()->table()->setFocus();
            QTest::keyClick(pick->billGrid()->table(), Qt::Key_Return);
            ASSERT_EQ(1, pick->lineGrid()->model()->rowCount());
            QTest::keyClick(pick->lineGrid()->table(), Qt::Key_Return);
        });
        QTest::mouseClick(static_cast<TfrmBaseDialog*>(period)->btnOK(), Qt::LeftButton);
    });
    QTest::mouseClick(settle->btnOrder(), Qt::LeftButton);
    ASSERT_EQ(1, settle->goodsRows().size()) << messages().toStdString();
    EXPECT_EQ(u"10|8|%1"_s.arg(delivered), settle->cell(0, u"qty"_s) + u'|' +
                                               settle->cell(0, u"Price"_s) + u'|' +
                                               settle->cell(0, u"s_id"_s));
    typeCells(settle, u"qty"_s, {u"5"_s, u"9"_s});
    test::walkStep(u"consignment settlement"_s);
    script.clearRecords();
    const qint64 settled = postByKey(settle);
    ASSERT_GT(settled, 0) << messages().toStdString();
    // 5 of the 10 sold at 9: receivable and income 45, cost of sales 25 from the consigned cost.
    EXPECT_EQ(u"10/50 | 5/40/25 | 45 | 50 25 45 25"_s, books());
    EXPECT_EQ(5,
              number(u"SELECT toQty FROM djList WHERE id = %1 AND goodsid = 101"_s.arg(delivered)));

    // The consigned stock and the settlements in their query windows, opened from the menu.
    const struct {
        int code;
        const char* fields;
        const char16_t* row;  // of goods 101, the only goods
    } windows[] = {{300805, "id,Qty,total,costtotal", u"101 5 40 25"},
                   {300806, "id,Qty,total,costtotal,ml", u"101 5 45 25 20"}};
    for (const auto& w : windows) {
        SCOPED_TRACE(w.code);
        main->functions().OpenFunction(w.code);
        auto* window = qobject_cast<TfrmQueryWindow*>(main->childWindows().last());
        ASSERT_NE(nullptr, window);
        activate(main.get());
        test::onNextModal([](QWidget* dlg) {
            QTest::mouseClick(static_cast<TfrmBaseDialog*>(dlg)->btnOK(), Qt::LeftButton);
        });
        QTest::mouseClick(window->toolBar()->widgetForAction(window->btnQuery()), Qt::LeftButton);
        const RecordSet& rs = window->records();
        QStringList cells;
        for (int r = 0; r < rs.rowCount(); ++r) {
            for (const QString& f : QString::fromLatin1(w.fields).split(u',')) {
                const QVariant v = rs.at(r, rs.fieldIndex(f));
                cells << QString::number(v.metaType() == QMetaType::fromType<Currency>()
                                             ? v.value<Currency>().toDouble()
                                             : v.toDouble());
            }
        }
        EXPECT_EQ(QString::fromUtf16(w.row), cells.join(u' '));
    }

    // The business history deletes the settlement, then reverses the delivery.
    historyAt(settled);
    script.answer(u"确定(&O)"_s, history::text::confirmDelete());
    script.clearRecords();
    pressKey(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(history::text::deleted(), messages());
    EXPECT_EQ(u"10/50 | 10/80/50 | 0 | 50 50 0 0"_s, books());
    EXPECT_EQ(0,
              number(u"SELECT toQty FROM djList WHERE id = %1 AND goodsid = 101"_s.arg(delivered)));
    historyAt(delivered);
    script.answer(u"确定(&O)"_s, history::text::confirmRed());
    script.clearRecords();
    pressKey(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(history::text::redDone(), messages());
    EXPECT_EQ(start, books());
}

}  // namespace
}  // namespace dyt::client
