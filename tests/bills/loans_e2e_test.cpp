// The borrowing and lending bills against a real server, opened from their menu entries and
// entered at the keyboard: goods borrowed go from draft to posted into the warehouse and the
// partner's borrowed balance; part of them is returned by a bill that picks the borrowing's line;
// the return is deleted and the borrowing reversed in the business history, each step putting the
// books back.
#include <QPointer>

#include "menubill_fixture.h"
#include "client/bills/frmselectbill.h"
#include "client/bills/goodsbill.h"
#include "client/logic/billhistory.h"
#include "client/logic/queryconditions.h"
#include "client/queries/frmqjylc.h"
#include "client/shell/functions.h"
#include "client/shell/mainwindow.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

using test::pickNext;
using test::pressKey;
using test::typeKeys;

class LoansE2E : public test::MenuBillFixture {
protected:
    void addBaseData() override {
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addRecord("baseWLDW", 203, "G1", "华东五金");
        addRecord("baseCK", 301, "CK1", "总仓");
    }

    // The partner typed by code, Enter, and picked in the selection.
    static void choosePartner(TfrmGoodsBill* bill, const QString& code) {
        bill->headerControl(u"eddw"_s)->setFocus();
        typeKeys(code);
        pickNext(code);
        pressKey(Qt::Key_Return);
    }
    // Enter on into the lines; the goods code, its quantity and price typed.
    static void enterLine(TfrmGoodsBill* bill, const QString& code, const QString& qty,
                          const QString& price) {
        for (int i = 0; i < 30 && !gridFocused(bill); ++i)
            pressKey(Qt::Key_Return);
        ASSERT_TRUE(gridFocused(bill));
        for (int i = 0; i < 40 && cursorField(bill) != u"goodsname"_s; ++i)
            pressKey(Qt::Key_Return);
        typeKeys(code);
        pressKey(Qt::Key_Return);
        ASSERT_EQ(u"qty"_s, cursorField(bill));
        typeKeys(qty);
        pressKey(Qt::Key_Return);
        ASSERT_EQ(u"Price"_s, cursorField(bill));
        typeKeys(price);
        pressKey(Qt::Key_Return);
    }
    // Stock quantity/value of the screws, the partner's borrowed quantity/value, the stock
    // account.
    QString books() {
        return u"%1/%2 %3/%4 %5"_s
            .arg(number(u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101"_s))
            .arg(number(u"SELECT sum(total) FROM baseGoodsStock WHERE goodsid = 101"_s))
            .arg(number(u"SELECT sum(qty) FROM baseGoodsStockOther WHERE typeid = 1"_s))
            .arg(number(u"SELECT sum(total) FROM baseGoodsStockOther WHERE typeid = 1"_s))
            .arg(number(u"SELECT Total FROM baseKM WHERE id = 6"_s));
    }
};

TEST_F(LoansE2E, EveryMenuEntryOpensItsKindWithItsPartnerWarehouseAndSource) {
    const struct {
        int code, djType;
        const char16_t *title, *partner, *warehouse, *source;
    } entries[] = {{202001, 35, u"借进单", u"借出单位", u"收货仓库", nullptr},
                   {202002, 36, u"借进还出单", u"借出单位", u"发货仓库", u"借进单"},
                   {202003, 37, u"借转进货单", u"供货单位", nullptr, u"借进单"},
                   {202004, 38, u"借出单", u"借入单位", u"发货仓库", nullptr},
                   {202005, 39, u"借出还回单", u"借入单位", u"收货仓库", u"借出单"},
                   {202006, 40, u"借转销售单", u"购买单位", nullptr, u"借出单"}};
    QStringList built;
    for (const auto& e : entries) {
        SCOPED_TRACE(e.code);
        TfrmGoodsBill* bill = openFromMenu(e.code);
        ASSERT_NE(nullptr, bill) << messages().toStdString();
        EXPECT_EQ(e.djType, bill->djType());
        EXPECT_EQ(QString::fromUtf16(e.title), bill->family().title);
        EXPECT_EQ(QString::fromUtf16(e.partner), bill->headerField(u"eddw"_s)->caption);
        EXPECT_EQ(e.warehouse ? QString::fromUtf16(e.warehouse) : QString(),
                  bill->headerField(u"edshck"_s) ? bill->headerField(u"edshck"_s)->caption
                                                 : QString());
        EXPECT_EQ(e.source != nullptr, bill->btnOrder()->isVisible());
        if (e.source) {
            EXPECT_EQ(QString::fromUtf16(e.source), bill->btnOrder()->text());
        }
        // Only the conversions are priced with tax.
        EXPECT_EQ(e.warehouse == nullptr, bill->records().fieldIndex(u"tax"_s) >= 0);
        built << QString::number(e.code);
    }
    QStringList listed;
    for (const QString& line : functionListing()) {
        if (built.contains(line.section(u'\t', 0, 0)))
            listed << line.section(u'\t', 2, 2);
    }
    EXPECT_EQ(u"built built built built built built"_s, listed.join(u' '));
}

TEST_F(LoansE2E, ABorrowingIsPostedPartlyReturnedByPickingAndBothTakenBack) {
    EXPECT_EQ(u"0/0 0/0 0"_s, books());
    // 10 borrowed at 6: a draft first, which moves nothing, then posted by Ctrl+S.
    TfrmGoodsBill* borrow = openFromMenu(202001);
    ASSERT_NE(nullptr, borrow);
    choosePartner(borrow, u"G1"_s);
    enterLine(borrow, u"SP101"_s, u"10"_s, u"6"_s);
    EXPECT_EQ(203, borrow->headerId(u"eddw"_s));
    EXPECT_EQ(301, borrow->headerId(u"edshck"_s));  // the only warehouse
    script.clearRecords();
    const QPointer<TfrmGoodsBill> entered(borrow);
    const qint64 draft = save(borrow, borrow->btnBillSaveToDraft());
    ASSERT_GT(draft, 0) << messages().toStdString();
    EXPECT_TRUE(test::waitUntil([&] { return entered.isNull(); }));
    EXPECT_EQ(u"0/0 0/0 0"_s, books());
    TfrmGoodsBill* again = reopen(35, draft);
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(int(kBillDraft), again->billState());
    script.clearRecords();
    const qint64 borrowed = postByKey(again);
    ASSERT_GT(borrowed, 0) << messages().toStdString();
    // In stock at 60 and in the partner's borrowed balance; not our own goods.
    EXPECT_EQ(u"10/60 10/60 0"_s, books());
    TfrmGoodsBill* shown = reopen(35, borrowed);
    ASSERT_NE(nullptr, shown);
    EXPECT_EQ(int(kBillPosted), shown->billState());
    EXPECT_TRUE(shown->isReadOnly());

    // The return picks the borrowing's line (Enter on the bill, Enter on the line), 4 of 10.
    TfrmGoodsBill* back = openFromMenu(202002);
    ASSERT_NE(nullptr, back);
    choosePartner(back, u"G1"_s);
    test::onNextModal([](QWidget* w) {
        auto* win = qobject_cast<TfrmSelectBill*>(w);
        ASSERT_NE(nullptr, win);
        ASSERT_EQ(1, win->billGrid()->model()->rowCount());
        test::perform(win, win->billGrid()->table(), {test::key(Qt::Key_Return)});
        ASSERT_EQ(1, win->lineGrid()->model()->rowCount());
        test::perform(win, win->lineGrid()->table(), {test::key(Qt::Key_Return)});
    });
    script.clearRecords();
    QTest::mouseClick(back->btnOrder(), Qt::LeftButton);
    ASSERT_EQ(1, back->goodsRows().size()) << messages().toStdString();
    EXPECT_EQ(u"101|10|6"_s, test::cells(*back, 0, u"goodsid,qty,Price"_s));
    EXPECT_EQ(301, back->headerId(u"edshck"_s));
    EXPECT_EQ(QString::number(borrowed), back->cell(0, u"s_id"_s));
    const int qtyColumn = back->gridDefinition().columnIndex(u"qty"_s);
    back->dbgvX()->table()->setCurrentIndex(back->model()->index(0, qtyColumn));
    back->dbgvX()->table()->setFocus();
    typeKeys(u"4"_s);
    pressKey(Qt::Key_Return);
    script.clearRecords();
    const qint64 returned = postByKey(back);
    ASSERT_GT(returned, 0) << messages().toStdString();
    // 4 leave at the average 6; the borrowing's line has 4 of 10 back and stays open.
    EXPECT_EQ(u"6/36 6/36 0"_s, books());
    EXPECT_EQ(4, number(u"SELECT toQty FROM djList WHERE id = %1 AND goodsid > 0"_s.arg(borrowed)));
    EXPECT_EQ(0, number(u"SELECT isOver FROM djIndex WHERE id = %1"_s.arg(borrowed)));

    // The return deleted in the business history, then the borrowing reversed.
    historyAt(returned);
    script.answer(u"确定(&O)"_s, history::text::confirmDelete());
    script.clearRecords();
    pressKey(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(history::text::deleted(), messages());
    EXPECT_EQ(u"10/60 10/60 0"_s, books());
    EXPECT_EQ(0, number(u"SELECT toQty FROM djList WHERE id = %1 AND goodsid > 0"_s.arg(borrowed)));
    historyAt(borrowed);
    script.answer(u"确定(&O)"_s, history::text::confirmRed());
    script.clearRecords();
    pressKey(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(history::text::redDone(), messages());
    EXPECT_EQ(u"0/0 0/0 0"_s, books());
}

}  // namespace
}  // namespace dyt::client
