// Contracts against a real server, at the keyboard: the contract window opened from its menu
// entry, a purchase contract of two goods entered and saved, and its fulfilment in the list after
// a purchase bill from the same partner is posted.
#include <QPointer>

#include "menubill_fixture.h"
#include "client/base/frmbasehetong.h"
#include "client/bills/frmbilljhd.h"
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

class ContractsE2E : public test::MenuBillFixture {
protected:
    void addBaseData() override {
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addGoods(102, "SP102", "齿轮", 1021, "个");
        addRecord("baseWLDW", 203, "G1", "华东五金");
        addRecord("baseCK", 301, "CK1", "总仓");
    }
    // The list's first row: the fields asked for, numbers to four places.
    static QString listRow(TfrmBaseHeTong* list, const QString& fields) {
        const RecordSet& rs = list->records();
        QStringList cells;
        const auto number = [](const QVariant& v) {
            return v.metaType() == QMetaType::fromType<Currency>() ? v.value<Currency>().toDouble()
                                                                   : v.toDouble();
        };
        for (const QString& f : fields.split(u',')) {
            const int i = rs.fieldIndex(f);
            cells << (rs.field(i).type == FieldType::Text
                          ? rs.at(0, i).toString()
                          : QString::number(std::round(number(rs.at(0, i)) * 1e4) / 1e4));
        }
        return cells.join(u' ');
    }
    // A goods typed into the goods field, then its quantity and price along the line.
    static void enterGoods(TfrmBillHeTong* entry, const QString& code, const QString& qty,
                           const QString& price) {
        entry->edGoods()->setFocus();
        typeKeys(code);
        pressKey(Qt::Key_Return);
        ASSERT_EQ(u"qty"_s, cursorField(entry));
        typeKeys(qty);
        pressKey(Qt::Key_Return);
        ASSERT_EQ(u"price"_s, cursorField(entry));
        typeKeys(price);
        pressKey(Qt::Key_Return);
        ASSERT_EQ(u"comment"_s, cursorField(entry));
        pressKey(Qt::Key_Return);  // no remark: back to the goods field
        EXPECT_EQ(entry->edGoods(), QApplication::focusWidget());
    }
};

TEST_F(ContractsE2E, AContractOfTwoGoodsIsEnteredSavedAndFulfilledByAPurchase) {
    auto* list = openFromMenu<TfrmBaseHeTong>(4016);
    ASSERT_NE(nullptr, list) << messages().toStdString();
    EXPECT_EQ(u"合同管理"_s, list->titleText());
    EXPECT_EQ(0, list->model()->rowCount());

    QTest::mouseClick(list->toolBar()->widgetForAction(list->btnAdd()), Qt::LeftButton);
    const QPointer<TfrmBillHeTong> entry = list->entry();
    ASSERT_FALSE(entry.isNull()) << messages().toStdString();
    activate(main.get());
    EXPECT_EQ(u"合同录入框"_s, entry->titleText());
    entry->edPartner()->setFocus();
    typeKeys(u"G1"_s);
    pickNext(u"G1"_s);
    pressKey(Qt::Key_Return);
    ASSERT_EQ(203, entry->partnerId()) << messages().toStdString();
    EXPECT_EQ(entry->edEmployee(), entry->focusWidget());
    entry->deEnd()->setFocus();
    pressKey(Qt::Key_Up);  // the year section: valid for a year and a month
    enterGoods(entry, u"SP101"_s, u"10"_s, u"6"_s);
    enterGoods(entry, u"SP102"_s, u"5"_s, u"8"_s);
    ASSERT_EQ(2, entry->goodsRows().size());
    EXPECT_EQ(u"60|40"_s, test::cellOf(entry->records(), 0, u"total"_s) + u'|' +
                              test::cellOf(entry->records(), 1, u"total"_s));
    script.clearRecords();
    test::walkStep(u"contract"_s);
    pressKey(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(u"保存成功！"_s, messages());
    if (!entry.isNull())
        entry->close();
    ASSERT_TRUE(test::waitUntil([&] { return entry.isNull(); }));

    // Saved with a fresh number, nothing fulfilled yet.
    ASSERT_EQ(1, list->model()->rowCount()) << messages().toStdString();
    const QString number =
        u"HT"_s + QDate::currentDate().toString(u"yyyyMMdd"_s) + u"-001"_s;
    EXPECT_EQ(u"采购合同 "_s + number + u" 华东五金 15 100 0 0 15 100 未执行"_s,
              listRow(list, u"htTypeName,code,dw_dwqm,Qty,total,zxQty,zxTotal,wzxQty,wzxTotal,"
                            "stateName"_s));

    // A purchase of 4 screws at 6 from the same partner fulfils 4 of 10 (24 of 60).
    {
        activate(main.get());
        auto* bill = openFromMenu<TfrmBillJHD>(2004);
        ASSERT_NE(nullptr, bill);
        bill->headerControl(u"eddw"_s)->setFocus();
        typeKeys(u"G1"_s);
        pickNext(u"G1"_s);
        pressKey(Qt::Key_Return);
        for (int i = 0; i < 30 && bill->focusWidget() != bill->dbgvX()->table(); ++i)
            pressKey(Qt::Key_Return);
        ASSERT_EQ(u"goodsname"_s, cursorField(bill));
        typeKeys(u"SP101"_s);
        pressKey(Qt::Key_Return);
        ASSERT_EQ(u"qty"_s, cursorField(bill));
        typeKeys(u"4"_s);
        pressKey(Qt::Key_Return);
        ASSERT_EQ(u"Price"_s, cursorField(bill));
        typeKeys(u"6"_s);
        pressKey(Qt::Key_Return);
        qint64 posted = 0;
        QObject::connect(bill, &TfrmBillAbstract::billSaved,
                         [&posted](qint64 id) { posted = id; });
        pressKey(Qt::Key_S, Qt::ControlModifier);
        ASSERT_GT(posted, 0) << messages().toStdString();
    }
    // Back in the list, 刷新 shows what the purchase fulfilled.
    auto* sub = qobject_cast<QMdiSubWindow*>(list->parentWidget());
    ASSERT_NE(nullptr, sub);
    sub->mdiArea()->setActiveSubWindow(sub);
    activate(main.get());
    QTest::mouseClick(list->toolBar()->widgetForAction(list->btnRefresh()), Qt::LeftButton);
    ASSERT_EQ(1, list->model()->rowCount());
    EXPECT_EQ(u"15 100 4 24 11 76 执行中"_s,
              listRow(list, u"Qty,total,zxQty,zxTotal,wzxQty,wzxTotal,stateName"_s));
    test::walkStep(u"fulfilled"_s);

    // A contract fulfilled in part is not deleted; it is stopped.
    list->setFocusedRow(0);
    list->dbgvX()->table()->setFocus();
    script.clearRecords();
    script.answer(u"确定(&O)"_s, u"删除"_s);
    pressKey(Qt::Key_Delete);
    EXPECT_EQ(1, list->model()->rowCount());
    EXPECT_TRUE(messages().contains(u"该合同已经部分执行，不能删除，只能中止！"_s))
        << messages().toStdString();
    script.answer(u"确定(&O)"_s, u"中止"_s);
    QTest::mouseClick(list->toolBar()->widgetForAction(list->btnStop()), Qt::LeftButton);
    EXPECT_EQ(0, list->model()->rowCount());
    QTest::mouseClick(list->cbStopped(), Qt::LeftButton);
    ASSERT_EQ(1, list->model()->rowCount());
    EXPECT_EQ(u"已中止"_s, listRow(list, u"stateName"_s));
}

}  // namespace
}  // namespace dyt::client
