// The goods bills against a real server: a purchase entered through the window and posted changes
// stock and the supplier's payable and opens again read-only; every member of the family opens,
// saves a draft, posts and opens again.
#include <QLabel>
#include <QLineEdit>

#include "bills_support.h"
#include "client/bills/billkinds.h"
#include "client/bills/frmbilljhd.h"
#include "client/bills/frmbillpdd.h"
#include "client/bills/goodsbill.h"
#include "client/logic/settings.h"
#include "client/common/windowregistry.h"
#include "common/paramlist.h"
#include "common/recordset.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

class GoodsBillE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addGoods(102, "SP102", "齿轮", 1021, "只");
        addRecord("baseWLDW", 203, "G1", "华东五金");
        addRecord("baseCK", 301, "CK1", "总仓");
        addRecord("baseCK", 302, "CK2", "分仓");
        openAccounts();
        settings().DefaultBillRows = 2;
        loadBillKinds(dm);
        registerBillWindows();
    }
    QString messages() const { return script.messages().join(u"|"_s); }

    // Posts a purchase of both goods into the first warehouse through the window.
    qint64 purchase(double qty, double price) {
        TfrmBillJHD bill;
        bill.OpenBill(5, 0, false);
        bill.edBillCode()->setText(u"JH-STOCK"_s);
        bill.chooseHeaderRecord(u"eddw"_s, 203, u"华东五金"_s);
        bill.chooseHeaderRecord(u"edshck"_s, 301, u"总仓"_s);
        for (const QString& code : {u"SP101"_s, u"SP102"_s}) {
            const int row = bill.goodsRows().size();
            EXPECT_TRUE(bill.SelectGoodsText(row, code)) << messages().toStdString();
            bill.editCell(row, u"qty"_s, QString::number(qty));
            bill.editCell(row, u"Price"_s, QString::number(price));
        }
        qint64 id = 0;
        QObject::connect(&bill, &TfrmBillAbstract::billSaved, [&](qint64 saved) { id = saved; });
        EXPECT_TRUE(bill.SaveBill(true)) << messages().toStdString();
        return id;
    }
};

TEST_F(GoodsBillE2E, APurchaseThroughTheWindowBooksStockAndPayableAndReopensReadOnly) {
    TfrmBillJHD bill;
    bill.OpenBill(5, 0, false);
    bill.edBillCode()->setText(u"JH-E2E-1"_s);
    bill.chooseHeaderRecord(u"eddw"_s, 203, u"华东五金"_s);
    bill.chooseHeaderRecord(u"edshck"_s, 301, u"总仓"_s);
    // The goods are typed into the goods cell and found by the server's goods query.
    ASSERT_TRUE(bill.SelectGoodsText(0, u"SP101"_s)) << messages().toStdString();
    EXPECT_EQ(u"螺丝"_s, bill.cell(0, u"goodsname"_s));
    bill.editCell(0, u"qty"_s, u"10"_s);
    bill.editCell(0, u"Price"_s, u"12"_s);
    EXPECT_EQ(u"120"_s, bill.cell(0, u"taxTotalSum"_s));
    // 50 paid in cash (account 8 of the seeded accounts) and 20 discount.
    bill.chooseHeaderRecord(u"edfkzh"_s, 8, u"现金"_s);
    bill.setHeaderText(u"edfkje"_s, u"50"_s);
    bill.setHeaderText(u"edyhje"_s, u"20"_s);
    qint64 id = 0;
    QObject::connect(&bill, &TfrmBillAbstract::billSaved, [&](qint64 saved) { id = saved; });
    ASSERT_TRUE(bill.SaveBill(true)) << messages().toStdString();
    ASSERT_GT(id, 0);

    EXPECT_EQ(10, number(u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101 AND stockid "
                         u"= 301"_s));
    EXPECT_EQ(120, number(u"SELECT sum(total) FROM baseGoodsStock WHERE goodsid = 101"_s));
    // Payable: 120 − 20 discount − 50 paid.
    EXPECT_EQ(50, number(u"SELECT yftotal FROM baseWLDW WHERE id = 203"_s));
    EXPECT_EQ(50, number(u"SELECT sum(dbTotal + LendTotal) FROM djKmDetail WHERE id = %1 AND "
                         u"type = 1"_s.arg(id)));

    TfrmBillJHD again;
    again.OpenBill(5, id, false);
    EXPECT_EQ(int(kBillPosted), again.billState());
    EXPECT_TRUE(again.isReadOnly());
    EXPECT_EQ(u"JH-E2E-1"_s, again.edBillCode()->text());
    EXPECT_EQ(203, again.headerId(u"eddw"_s));
    EXPECT_EQ(u"华东五金"_s, again.headerText(u"eddw"_s));
    EXPECT_EQ(u"总仓"_s, again.headerText(u"edshck"_s));
    EXPECT_EQ(u"20"_s, again.headerText(u"edyhje"_s));
    EXPECT_EQ(u"101"_s, again.cell(0, u"goodsid"_s));
    // The line's unit is named again from the goods' unit it was entered with.
    EXPECT_EQ(bill.cell(0, u"unitName"_s), again.cell(0, u"unitName"_s));
    EXPECT_FALSE(again.cell(0, u"unitName"_s).isEmpty());
    EXPECT_EQ(u"10"_s, again.cell(0, u"qty"_s));
    EXPECT_EQ(u"120"_s, again.cell(0, u"taxTotalSum"_s));
    EXPECT_FALSE(again.headerControl(u"eddw"_s)->isEnabled());
    EXPECT_FALSE(again.btnBillSave()->isEnabled());
    EXPECT_EQ(u"优惠后金额：100.00"_s, again.lbyhhje()->text());
}

TEST_F(GoodsBillE2E, EveryMemberOpensSavesADraftPostsAndReopens) {
    ASSERT_GT(purchase(100, 10), 0);
    struct Member {
        const char16_t* className;
        int djType;
        double qty1;            // goods 101
        double qty2;            // goods 102, 0: no line
        const char16_t* check;  // what posting changed, a number query
        double expected;
    } members[] = {
        {u"TfrmBillJHTHD", 6, 5, 0,
         u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101 AND stockid = 301", 95},
        {u"TfrmBillJHHHD", 7, 4, 0,
         u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101 AND stockid = 301", 99},
        {u"TfrmBillJHDD", 8, 7, 0,
         u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101 AND stockid = 301", 99},
        {u"TfrmBillQTCKD", 10, 2, 0,
         u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101 AND stockid = 301", 97},
        {u"TfrmBillQTRKD", 11, 3, 0,
         u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101 AND stockid = 301", 100},
        {u"TfrmBillBSD", 12, 1, 0,
         u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101 AND stockid = 301", 99},
        {u"TfrmBillBYD", 13, 1, 0,
         u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101 AND stockid = 301", 100},
        // Revalued to 100 × 12: the quantity stays, the value follows.
        {u"TfrmBillCBTJD", 14, 100, 0,
         u"SELECT sum(total) FROM baseGoodsStock WHERE goodsid = 101 AND stockid = 301", 1200},
        {u"TfrmBillTJDBD", 15, 10, 0,
         u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101 AND stockid = 302", 10},
        {u"TfrmBillBJDBD", 16, 10, 0,
         u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101 AND stockid = 302", 20},
        {u"TfrmBillCKDBD", 58, 5, 0,
         u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101 AND stockid = 302", 25},
        // Assembly: one 101 goes out, two 102 come in.
        {u"TfrmBillSPCZD", 9, -1, 2,
         u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 102 AND stockid = 301", 102},
        // Stocktake of 101 in the first warehouse: counted 50.
        {u"TfrmBillPDD", kStocktakeType, 50, 0,
         u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101 AND stockid = 301", 50},
    };
    for (const Member& m : members) {
        const QString name = QString::fromUtf16(m.className);
        SCOPED_TRACE(name.toStdString());
        std::unique_ptr<QWidget> window;
        if (m.djType == kStocktakeType)
            window.reset(createWindow(name, nullptr));
        else
            window.reset(OpenBill(m.djType, 0, false));
        auto* bill = qobject_cast<TfrmGoodsBill*>(window.get());
        ASSERT_NE(nullptr, bill);
        EXPECT_EQ(name, bill->family().className);
        EXPECT_EQ(m.djType, bill->djType());
        bill->edBillCode()->setText(u"FM-%1"_s.arg(m.djType));
        if (bill->headerField(u"eddw"_s))
            bill->chooseHeaderRecord(u"eddw"_s, 203, u"华东五金"_s);
        const bool transfer = bill->headerField(u"edfhck"_s) != nullptr;
        if (transfer)
            bill->chooseHeaderRecord(u"edfhck"_s, 301, u"总仓"_s);
        bill->chooseHeaderRecord(
            u"edshck"_s, transfer && m.djType != 9 && m.djType != 7 ? 302 : 301,
            transfer && m.djType != 9 && m.djType != 7 ? u"分仓"_s : u"总仓"_s);
        int row = 0;
        for (const auto& [code, qty] :
             {std::pair{u"SP101"_s, m.qty1}, std::pair{u"SP102"_s, m.qty2}}) {
            if (qty == 0)
                continue;
            ASSERT_TRUE(bill->SelectGoodsText(row, code)) << messages().toStdString();
            bill->editCell(row, u"qty"_s, QString::number(qty));
            if (bill->records().fieldIndex(u"Price"_s) >= 0)
                bill->editCell(row, u"Price"_s, m.djType == 14 ? u"12"_s : u"10"_s);
            ++row;
        }
        qint64 draft = 0;
        QObject::connect(bill, &TfrmBillAbstract::billSaved, [&](qint64 id) { draft = id; });
        ASSERT_TRUE(bill->SaveBill(false)) << messages().toStdString();
        ASSERT_GT(draft, 0);

        // The draft opens again editable, and posts.
        std::unique_ptr<TfrmGoodsBill> reopened(
            qobject_cast<TfrmGoodsBill*>(createWindow(name, nullptr)));
        ASSERT_NE(nullptr, reopened);
        reopened->OpenBill(m.djType, draft, false);
        EXPECT_EQ(int(kBillDraft), reopened->billState());
        EXPECT_FALSE(reopened->isReadOnly());
        EXPECT_EQ(u"FM-%1"_s.arg(m.djType), reopened->edBillCode()->text());
        EXPECT_EQ(row, reopened->goodsRows().size());
        qint64 posted = 0;
        QObject::connect(reopened.get(), &TfrmBillAbstract::billSaved,
                         [&](qint64 id) { posted = id; });
        ASSERT_TRUE(reopened->SaveBill(true)) << messages().toStdString();
        EXPECT_EQ(draft, posted);
        EXPECT_EQ(m.expected, number(QString::fromUtf16(m.check)));

        std::unique_ptr<TfrmGoodsBill> done(
            qobject_cast<TfrmGoodsBill*>(createWindow(name, nullptr)));
        done->OpenBill(m.djType, posted, false);
        EXPECT_EQ(int(kBillPosted), done->billState());
        EXPECT_TRUE(done->isReadOnly());
    }
}

}  // namespace
}  // namespace dyt::client
