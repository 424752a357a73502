// The stock-limit windows against a real server: in the lower-limit alert the goods short of their
// lower limit become purchase drafts of the missing whole quantities, which open in the purchase
// bill; limits typed into the settings list are stored, or refused with the reason.
#include <QTest>
#include <QtWidgets>

#include "client/bills/frmbilljhd.h"
#include "client/common/gridview.h"
#include "client/common/windowregistry.h"
#include "client/logic/localcache.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/stockfollowups.h"
#include "client/queries/frmselectitems.h"
#include "client/queries/frmstockfollowups.h"
#include "support/serverfixture.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

class LowerLimitDraftE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addGoods(102, "SP102", "齿轮", 1021, "只");
        addGoods(103, "SP103", "轴承", 1031, "套");
        addRecord("baseCK", 301, "CK1", "总仓");
        exec({"UPDATE baseGoodsUnit SET latestBuyPrice = 2.5 WHERE id = 1011",
              "UPDATE baseGoodsUnit SET latestBuyPrice = 40 WHERE id = 1021"});
        // 101: 2 in stock, lower limit 5.5; 102: none, 3; 103: 4, 1 (not short).
        for (const auto& [goods, qty, lower] :
             {std::tuple{101, 2, u"5.5"_s}, {102, 0, u"3"_s}, {103, 4, u"1"_s}}) {
            ParamList limit;
            limit.setInt(u"goodsid"_s, goods);
            limit.setValue(u"warnDown"_s, lower);
            dm.ExecProc(stockfollow::text::limitProcedure(), limit);
            if (qty == 0)
                continue;
            ParamList opening;
            opening.setValue(u"id"_s, QString());
            opening.setInt(u"goodsid"_s, goods);
            opening.setInt(u"stockid"_s, 301);
            opening.setInt(u"Qty"_s, qty);
            opening.setInt(u"Total"_s, qty * 3);
            dm.ExecProc(u"P_JXC_INI_GoodsStock"_s, opening);
        }
        moreOpenings();
        openAccounts();
        loadBillKinds(dm);
        registerWindowClass(u"TfrmBillJHD"_s,
                            [](QWidget* owner) -> QWidget* { return new TfrmBillJHD(owner); });
        savedHost_ = queryChildHost();
        queryChildHost() = [this](QWidget* w) { bills.emplace_back(w); };
        savedRunner_ = TfrmQueryWindow::dialogRunner();
        TfrmQueryWindow::dialogRunner() = [](TfrmSelectItems& d) { return d.accept(); };
    }
    void TearDown() override {
        bills.clear();
        queryChildHost() = savedHost_;
        TfrmQueryWindow::dialogRunner() = savedRunner_;
        ServerFixture::TearDown();
    }
    virtual void moreOpenings() {}
    static void click(TfrmXAbstract& w, QAction* action) {
        QWidget* button = w.toolBar()->widgetForAction(action);
        ASSERT_TRUE(button && button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // The goods and quantities of a bill window's lines.
    static QString billLines(QWidget* window) {
        auto* bill = qobject_cast<TfrmXAbstract*>(window);
        if (!bill)
            return u"no bill window"_s;
        const RecordSet& rs = bill->records();
        QStringList out;
        for (int r = 0; r < rs.rowCount(); ++r) {
            const qint64 goods = rs.at(r, rs.fieldIndex(u"goodsid"_s)).toLongLong();
            if (goods > 0)
                out << u"%1:%2"_s.arg(goods).arg(rs.at(r, rs.fieldIndex(u"qty"_s)).toDouble());
        }
        return out.join(u' ');
    }

    std::vector<std::unique_ptr<QWidget>> bills;
    ChildWindowHost savedHost_;
    std::function<bool(TfrmSelectItems&)> savedRunner_;
};

TEST_F(LowerLimitDraftE2E, ChosenShortGoodsBecomeAPurchaseDraftOfTheMissingWholeQuantities) {
    TfrmQKCXXBJ w;
    w.resize(1000, 600);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    click(w, w.btnQuery());
    ASSERT_EQ(2, w.model()->rowCount()) << script.messages().join(u'|').toStdString();

    // The second goods chosen with the mouse, and only it.
    QTableView* table = w.dbgvX()->table();
    const int name = w.gridDefinition().columnIndex(u"sp_spqm"_s);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualRect(w.model()->index(1, name)).center());
    script.answer(stockfollow::text::chosenGoods(), stockfollow::text::chooseGoods());
    click(w, w.btnMakeBill());
    // Then every row (Ctrl+A): no question.
    table->setFocus();
    QTest::keyClick(table, Qt::Key_A, Qt::ControlModifier);
    click(w, w.btnMakeBill());

    EXPECT_EQ(0, script.pendingAnswers());
    const RecordSet drafts = query(
        u"SELECT a.id, a.code, b.goodsid, b.qty, b.price, b.IntoStock_id FROM djIndex AS a JOIN "
        "djList AS b ON b.id = a.id WHERE a.djType = 5 AND a.dj_state = 1 ORDER BY a.id, b.orderid"_s);
    QStringList lines;
    for (int r = 0; r < drafts.rowCount(); ++r)
        lines << u"%1:%2@%3"_s.arg(drafts.at(r, 2).toLongLong())
                     .arg(drafts.at(r, 3).toDouble())
                     .arg(drafts.at(r, 4).toDouble());
    EXPECT_EQ(u"102:3@40 101:4@2.5 102:3@40"_s, lines.join(u' '));
    ASSERT_EQ(3, drafts.rowCount());
    const QString first = drafts.at(0, 1).toString(), second = drafts.at(1, 1).toString();
    EXPECT_NE(first, second);
    EXPECT_EQ(
        (QStringList{stockfollow::text::draftMade(first), stockfollow::text::draftMade(second)}),
        script.messages());
    // Each draft opened in the purchase bill with its lines.
    ASSERT_EQ(2u, bills.size());
    EXPECT_EQ(drafts.at(1, 0).toLongLong(), bills[1]->property(kBillIdProperty).toLongLong());
    EXPECT_EQ(u"102:3"_s, billLines(bills[0].get()));
    EXPECT_EQ(u"101:4 102:3"_s, billLines(bills[1].get()));
}

TEST_F(LowerLimitDraftE2E, LimitsTypedIntoTheSettingsListAreStoredOrRefused) {
    TfrmQKCSXXBJSZ w;
    w.resize(1000, 600);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    click(w, w.btnQuery());
    ASSERT_EQ(3, w.model()->rowCount());
    QTableView* table = w.dbgvX()->table();
    const auto enter = [&](int row, const char* field, std::initializer_list<const char*> keys) {
        table->setCurrentIndex(
            w.model()->index(row, w.gridDefinition().columnIndex(QString::fromLatin1(field))));
        table->setFocus();
        QList<test::UiStep> steps;
        for (const char* k : keys)
            steps << test::typed(k);
        test::perform(&w, table, steps << test::key(Qt::Key_Return));
    };
    enter(0, "warnDown", {"8"});
    enter(0, "warnUp", {"2", "0"});
    enter(1, "warnUp", {"1"});  // below the lower limit 3 of 102
    const RecordSet limits =
        query(u"SELECT warnDown, warnUP FROM baseGoods WHERE id IN (101, 102) ORDER BY id"_s);
    EXPECT_EQ(u"8/20 3/0"_s, u"%1/%2 %3/%4"_s.arg(limits.at(0, 0).toDouble())
                                 .arg(limits.at(0, 1).toDouble())
                                 .arg(limits.at(1, 0).toDouble())
                                 .arg(limits.at(1, 1).toDouble()));
    EXPECT_EQ(QStringList{u"库存上限必须大于库存下限"_s}, script.messages());
}

// A second warehouse holds 5 of 102 worth 50.
class StockSpreadE2E : public LowerLimitDraftE2E {
protected:
    void moreOpenings() override {
        addRecord("baseCK", 302, "CK2", "门店");
        ParamList opening;
        opening.setValue(u"id"_s, QString());
        for (const auto& [name, value] : {std::pair{u"goodsid"_s, 102}, {u"stockid"_s, 302},
                                          {u"Qty"_s, 5}, {u"Total"_s, 50}})
            opening.setInt(name, value);
        dm.ExecProc(u"P_JXC_INI_GoodsStock"_s, opening);
    }
};

// The distribution over the warehouses shows a quantity and an amount column per warehouse that
// holds stock, under its name, and follows the warehouses of each answer.
TEST_F(StockSpreadE2E, TheStockDistributionShowsEachWarehouseUnderItsName) {
    TLocalCache cache(programDir.path(), &dm);
    TfrmQueryWindow w(u"TfrmQKCZKFB"_s);
    w.resize(1200, 600);
    w.show();
    const auto shown = [&w] {
        QStringList out;
        for (const GridColumn& c : w.gridDefinition().columns) {
            const int f = w.records().fieldIndex(c.fieldName);
            if (c.fieldName.startsWith(u"ck"_s, Qt::CaseInsensitive) && f >= 0 && c.visible) {
                double sum = 0;
                for (int r = 0; r < w.records().rowCount(); ++r) {
                    const QVariant v = w.records().at(r, f);
                    sum += v.metaType() == QMetaType::fromType<Currency>()
                               ? v.value<Currency>().toDouble()
                               : v.toDouble();
                }
                out << c.caption + u'=' + QString::number(sum);
            }
        }
        return out.join(u' ');
    };
    TfrmQueryWindow::dialogRunner() = [](TfrmSelectItems& d) {
        d.setPicker(PickerRole::Warehouse, 302, u"门店"_s);
        return d.accept();
    };
    click(w, w.btnQuery());
    EXPECT_EQ(u"门店数量=5 门店金额=50"_s, shown());
    TfrmQueryWindow::dialogRunner() = [](TfrmSelectItems& d) {
        d.setPicker(PickerRole::Warehouse, 0, QString());
        return d.accept();
    };
    click(w, w.btnQuery());
    EXPECT_EQ(u"总仓数量=6 总仓金额=18 门店数量=5 门店金额=50"_s, shown());
}

}  // namespace
}  // namespace dyt::client
