// The look-ups of the bill window's context menu and the line note against a real server: each
// query runs through the server's dialect layer and answers the rows the seeded bills give.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "bills_support.h"
#include "client/bills/billkinds.h"
#include "client/bills/frmbillabstract.h"
#include "client/bills/frmbilllookup.h"
#include "client/logic/settings.h"
#include "common/recordset.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

class LookupBill : public TfrmBillAbstract {
public:
    LookupBill() {
        setTitle(u"销售单"_s);
        addColumn(u"商品ID"_s, u"goodsid"_s, false, 40);
        addColumn(u"行号"_s, u"orderid"_s, false, 40);
        addColumn(u"商品编号"_s, u"goodsCode"_s, true, 80);
        addColumn(u"商品名称"_s, u"goodsname"_s, true, 120);
        addColumn(u"[%NUM%Q%]数量"_s, u"qty"_s, true, 60);
        addColumn(u"[%NUM%P%]单价"_s, u"price"_s, true, 60);
        addColumn(u"[]行摘要"_s, u"comment"_s, true, 100);
    }
    void showLookupRows(const BillLookup& lookup, const RecordSet& rows) override {
        if (realDialog) {
            TfrmBillAbstract::showLookupRows(lookup, rows);
            return;
        }
        last = rows;
        ++shown;
    }
    bool realDialog = false;
    RecordSet last;
    int shown = 0;
};

class LookupE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        settings().DefaultBillRows = 1;
        settings().SeeCost = true;
        const char* const seed[] = {
            "INSERT INTO baseCK(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(11, 0, '11,', 1, 0, '01', '主仓库'), (12, 0, '12,', 1, 0, '02', '分仓库'), "
            "(13, 0, '13,', 1, 0, '03', '空仓库')",
            "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(101, 0, '101,', 1, 0, 'SP101', '商品101'), (102, 0, '102,', 1, 0, 'SP102', "
            "'商品102')",
            "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(31, 0, '31,', 1, 0, 'GYS', '供应商甲'), (32, 0, '32,', 1, 0, 'KH', '客户乙')",
            "INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(41, 0, '41,', 1, 0, 'ZY', '经手人丙')",
            // Goods 101: two batches in 01, one row in 02, an emptied row in 03; 102 elsewhere.
            "INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, qty, total) VALUES "
            "(101, 11, 1, 2, 20), (101, 11, 2, 3, 30), (101, 12, 0, 4, 40), (101, 13, 0, 0, 0), "
            "(102, 11, 0, 9, 90)",
            // Purchases of 101: two posted, a draft, a reversed one; one posted of 102; a sale.
            "INSERT INTO djIndex(id, djType, code, date, dj_state, isred, wldw_id, jsr_id, "
            "rec_id) VALUES "
            "(201, 5, 'JH-1', '2025-01-05', 2, 0, 31, 0, 1), "
            "(202, 5, 'JH-2', '2025-02-01', 2, 0, 31, 0, 1), "
            "(203, 5, 'JH-3', '2025-02-02', 1, 0, 31, 0, 1), "
            "(204, 5, 'JH-4', '2025-02-03', 2, 1, 31, 0, 1), "
            "(206, 5, 'JH-6', '2025-02-04', 2, 0, 31, 0, 1), "
            "(205, 1, 'XS-1', '2025-02-10', 2, 0, 32, 0, 1)",
            "INSERT INTO djList(orderid, id, djType, dj_state, goodsid, qty, price, discount, "
            "discountprice, taxprice, comment) VALUES "
            "(2011, 201, 5, 2, 101, 1, 10, 1, 10, 11.7, ''), "
            "(2021, 202, 5, 2, 101, 2, 11, 1, 11, 12.87, ''), "
            "(2031, 203, 5, 1, 101, 1, 99, 1, 99, 99, ''), "
            "(2041, 204, 5, 2, 101, 1, 98, 1, 98, 98, ''), "
            "(2061, 206, 5, 2, 102, 1, 50, 1, 50, 50, ''), "
            "(2051, 205, 1, 2, 101, 3, 20, 0.9, 18, 21.06, '旧摘要')",
            // Receipts of 32: one settles 60 of the sale; one of 31; a payment to 31.
            "INSERT INTO djIndex(id, djType, code, date, dj_state, wldw_id, jsr_id, total, "
            "youhuiTotal, summery, rec_id) VALUES "
            "(301, 21, 'SK-1', '2025-03-01', 2, 32, 41, 100, 5, '首款', 1), "
            "(302, 21, 'SK-2', '2025-03-05', 2, 32, 0, 30, 0, '', 1), "
            "(303, 21, 'SK-3', '2025-03-06', 2, 31, 0, 70, 0, '', 1), "
            "(401, 22, 'FK-1', '2025-03-07', 2, 31, 0, 70, 0, '', 1)",
            "INSERT INTO djList(orderid, id, djType, dj_state, km_id, s_id, total) VALUES "
            "(3011, 301, 21, 2, 1, 0, 100), (3012, 301, 21, 2, 0, 205, 60), "
            "(3021, 302, 21, 2, 1, 0, 30)",
        };
        for (const char* sql : seed)
            dm.ExecUpdate(QString::fromUtf8(sql));
    }
    // The named field of every row, as text.
    static QStringList column(const RecordSet& rows, const QString& field) {
        QStringList out;
        const int col = rows.fieldIndex(field);
        for (int r = 0; r < rows.rowCount(); ++r)
            out.append(col < 0 ? u"<no field>"_s : rows.at(r, col).toString());
        return out;
    }
    static QList<double> numbers(const RecordSet& rows, const QString& field) {
        QList<double> out;
        const int col = rows.fieldIndex(field);
        for (int r = 0; r < rows.rowCount(); ++r)
            out.append(col < 0 ? -9999 : rows.at(r, col).toDouble());
        return out;
    }
};

TEST_F(LookupE2E, EachLookUpAnswersTheRowsOfTheSeededBills) {
    LookupBill sale;
    sale.OpenBill(1, 205, false);
    ASSERT_EQ(u"XS-1"_s, sale.edBillCode()->text());
    sale.setFocusedRow(0);
    ASSERT_EQ(101, sale.lineGoodsId());

    sale.ShowLookup(BillLookupKind::GoodsDistribution);
    ASSERT_EQ(1, sale.shown) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ((QStringList{u"主仓库"_s, u"分仓库"_s}), column(sale.last, u"ck_fullname"_s));
    EXPECT_EQ((QList<double>{5, 4}), numbers(sale.last, u"qty"_s));
    EXPECT_EQ((QList<double>{50, 40}), numbers(sale.last, u"total"_s));

    sale.ShowLookup(BillLookupKind::PurchasePrices);
    ASSERT_EQ(2, sale.shown) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ((QStringList{u"JH-2"_s, u"JH-1"_s}), column(sale.last, u"code"_s));
    EXPECT_EQ((QList<double>{11, 10}), numbers(sale.last, u"price"_s));
    EXPECT_EQ((QStringList{u"供应商甲"_s, u"供应商甲"_s}), column(sale.last, u"dw_fullname"_s));
    EXPECT_EQ((QList<double>{12.87, 11.7}), numbers(sale.last, u"taxprice"_s));

    sale.ShowLookup(BillLookupKind::SalePrices);
    ASSERT_EQ(3, sale.shown) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ((QStringList{u"XS-1"_s}), column(sale.last, u"code"_s));
    EXPECT_EQ((QList<double>{18}), numbers(sale.last, u"discountprice"_s));

    sale.ShowLookup(BillLookupKind::Receipts);
    ASSERT_EQ(4, sale.shown) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ((QStringList{u"SK-2"_s, u"SK-1"_s}), column(sale.last, u"code"_s));
    EXPECT_EQ((QList<double>{30, 100}), numbers(sale.last, u"total"_s));
    EXPECT_EQ((QList<double>{0, 60}), numbers(sale.last, u"settled"_s));
    EXPECT_EQ((QStringList{QString(), u"经手人丙"_s}), column(sale.last, u"jsr_fullname"_s));

    sale.ShowLookup(BillLookupKind::Payments);  // none to the customer
    ASSERT_EQ(5, sale.shown) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ(0, sale.last.rowCount());

    LookupBill purchase;
    purchase.OpenBill(5, 202, false);
    purchase.ShowLookup(BillLookupKind::Payments);
    ASSERT_EQ(1, purchase.shown) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ((QStringList{u"FK-1"_s}), column(purchase.last, u"code"_s));
    EXPECT_EQ(QStringList(), script.messages());
}

TEST_F(LookupE2E, TheLineNoteOfAPostedBillIsStoredOnTheServer) {
    LookupBill sale;
    sale.OpenBill(1, 205, false);
    EXPECT_TRUE(sale.isReadOnly());
    sale.setFocusedRow(0);
    script.enter(u"客户's 要求"_s);
    ASSERT_TRUE(sale.EditLineNote()) << script.messages().join(u"|"_s).toStdString();
    RecordSet rs;
    dm.ExecQuery(u"SELECT comment FROM djList WHERE orderid = 2051"_s, &rs);
    EXPECT_EQ(u"客户's 要求"_s, rs.text(u"comment"_s));
    // Opened again the line shows it.
    LookupBill again;
    again.OpenBill(1, 205, false);
    again.setFocusedRow(0);
    EXPECT_EQ(u"客户's 要求"_s, again.LineNote());
}

TEST_F(LookupE2E, AccountDetailsListOnlyThePostedPaymentRowsOfTheBill) {
    RecordSet km;
    dm.ExecQuery(u"SELECT id, fullname FROM baseKM WHERE sonnum = 0 ORDER BY id"_s, &km);
    ASSERT_GE(km.rowCount(), 2);
    km.first();
    const QString a = km.text(u"id"_s), aName = km.text(u"fullname"_s);
    km.next();
    const QString b = km.text(u"id"_s), bName = km.text(u"fullname"_s);
    // Type 1 and 2 are the bill's own payment rows; type 0 rows are what the posting derived; a
    // row of another state does not count.
    dm.ExecUpdate(
        u"INSERT INTO djKmDetail(id, djType, km_id, type, dbTotal, LendTotal, dj_state) "
        u"VALUES (205, 1, %1, 1, 0, 80, 2), (205, 1, %2, 0, 500, 0, 2), "
        u"(205, 1, %1, 0, 0, 500, 2), (205, 1, %2, 2, 1234.5, 0, 2), "
        u"(205, 1, %2, 1, 9, 0, 1)"_s.arg(a, b));
    LookupBill sale;
    sale.OpenBill(1, 205, false);
    QStringList lines = sale.AccountDetails().split(QLatin1Char('\n'));
    lines.sort();
    QStringList expected = {aName + u"：-80.00"_s, bName + u"：1,234.50"_s};
    expected.sort();
    EXPECT_EQ(expected, lines);
}

TEST_F(LookupE2E, ScreenshotOfABillWithItsLookUpDialog) {
    LookupBill sale;
    sale.realDialog = true;
    sale.resize(900, 500);
    sale.OpenBill(1, 205, false);
    sale.show();
    sale.setFocusedRow(0);
    QApplication::processEvents();
    test::saveScreenshot(&sale, u"bill_lookup_window"_s);
    QString title;
    QString firstCell;
    test::onNextModal([&](QWidget* w) {
        auto* dialog = qobject_cast<TfrmBillLookup*>(w);
        if (!dialog) {
            w->close();
            return;
        }
        title = dialog->lbltitle()->text();
        firstCell = dialog->cellText(0, 1);
        test::saveScreenshot(dialog, u"bill_lookup_dialog"_s);
        dialog->btnExit()->click();
    });
    sale.actLookup(BillLookupKind::GoodsDistribution)->trigger();
    EXPECT_EQ(u"商品分布"_s, title);
    EXPECT_EQ(u"主仓库"_s, firstCell);
    sale.setModified(false);
    sale.close();
}

}  // namespace
}  // namespace dyt::client
