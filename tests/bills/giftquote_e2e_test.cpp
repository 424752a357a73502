// The gift bills and the enquiry and quotation against a real server, opened from their menu
// entries and entered at the keyboard: a gift received and a gift given go from draft to posted,
// move the stock and the gift accounts by hand-worked amounts and come back out when reversed in
// the business history; a quotation is copied from its window into a sales order and an enquiry
// from the business history into a purchase order.
#include <QListWidget>
#include <QPointer>

#include "menubill_fixture.h"
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

// One goods line as typed: code, quantity, price (empty: left as it is).
struct Typed {
    const char16_t* code;
    const char16_t* qty;
    const char16_t* price;
};

class GiftQuoteE2E : public test::MenuBillFixture {
protected:
    void addBaseData() override {
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addGoods(102, "SP102", "齿轮", 1021, "只");
        addRecord("baseWLDW", 201, "K1", "甲客户");
        addRecord("baseWLDW", 203, "G1", "华东五金");
        addRecord("baseCK", 301, "CK1", "总仓");
    }

    // The partner typed by code and picked, Enter on into the lines, each line typed: the goods
    // code, its quantity and price, Enter on to the next line's goods cell.
    void enterBill(TfrmGoodsBill* bill, const QString& partner, const QList<Typed>& lines) {
        bill->headerControl(u"eddw"_s)->setFocus();
        typeKeys(partner);
        pickNext(partner);
        pressKey(Qt::Key_Return);
        for (int i = 0; i < 30 && !gridFocused(bill); ++i)
            pressKey(Qt::Key_Return);
        ASSERT_TRUE(gridFocused(bill));
        for (int row = 0; row < lines.size(); ++row) {
            for (int i = 0; i < 40 && !(bill->dbgvX()->table()->currentIndex().row() == row &&
                                        cursorField(bill) == u"goodsname"_s);
                 ++i)
                pressKey(Qt::Key_Return);
            typeKeys(QString::fromUtf16(lines[row].code));
            pressKey(Qt::Key_Return);
            ASSERT_EQ(u"qty"_s, cursorField(bill)) << messages().toStdString();
            typeKeys(QString::fromUtf16(lines[row].qty));
            pressKey(Qt::Key_Return);
            if (*lines[row].price) {
                ASSERT_EQ(u"Price"_s, cursorField(bill));
                typeKeys(QString::fromUtf16(lines[row].price));
                pressKey(Qt::Key_Return);
            }
        }
        EXPECT_EQ(lines.size(), bill->goodsRows().size());
    }
    // Stock of a goods as quantity/value, the balances of 库存商品, 获赠收入 and 赠送支出.
    QString books() {
        QStringList out;
        for (qint64 goods : {101, 102})
            out << u"%1/%2"_s.arg(number(u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = %1"_s
                                             .arg(goods)))
                       .arg(number(u"SELECT sum(total) FROM baseGoodsStock WHERE goodsid = %1"_s
                                       .arg(goods)));
        for (int km : {6, 25, 33})
            out << QString::number(number(u"SELECT Total FROM baseKM WHERE id = %1"_s.arg(km)));
        return out.join(u' ');
    }
    QString lines(qint64 bill) {
        return test::rowsOf(query(u"SELECT goodsid, qty, Price, Total FROM djList WHERE id = %1 "
                                  u"AND goodsid > 0 ORDER BY orderid"_s.arg(bill)),
                            u"goodsid,qty,Price,Total"_s);
    }
};

TEST_F(GiftQuoteE2E, EveryMenuEntryOpensItsKindWithItsPartnerAndWarehouse) {
    const struct {
        int code, djType;
        const char16_t *title, *partner, *warehouse;
    } entries[] = {{2024, 59, u"获赠单", u"赠送单位", u"收货仓库"},
                   {2025, 60, u"赠送单", u"受赠单位", u"发货仓库"},
                   {2026, 64, u"询价单", u"供货单位", nullptr},
                   {2027, 65, u"报价单", u"购买单位", nullptr}};
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
        // No tax on gifts; no warehouse in the lines of documents.
        EXPECT_EQ(e.djType < 64, bill->records().fieldIndex(u"tax"_s) < 0);
        EXPECT_EQ(e.djType >= 64, bill->records().fieldIndex(u"IntoStockCode"_s) < 0);
        EXPECT_EQ(e.djType >= 64, bill->btnCopy()->isVisible());
    }
    // --list-functions counts the four entries as built.
    const QStringList codes = {u"2024"_s, u"2025"_s, u"2026"_s, u"2027"_s};
    QStringList built;
    for (const QString& line : functionListing()) {
        if (codes.contains(line.section(u'\t', 0, 0)))
            built << line.section(u'\t', 0, 0) + u' ' + line.section(u'\t', 2, 2);
    }
    EXPECT_EQ(u"2024 built|2025 built|2026 built|2027 built"_s, built.join(u'|'));
}

TEST_F(GiftQuoteE2E, GiftsGoFromDraftToPostedMoveStockAndGiftAccountsAndComeBackWhenReversed) {
    const QString empty = books();
    EXPECT_EQ(u"0/0 0/0 0 0 0"_s, empty);
    const struct {
        int code, djType;
        const char16_t* partner;
        QList<Typed> typed;
        qint64 partnerId;
        const char16_t* lines;  // goodsid qty Price Total as posted
        const char16_t* books;  // after posting
    } kinds[] = {
        // 10 × 6 and 4 × 2.5 come in at their stated value: 70 in stock against 获赠收入.
        {2024, 59, u"G1", {{u"SP101", u"10", u"6"}, {u"SP102", u"4", u"2.5"}}, 203,
         u"101 10 6 60|102 4 2.5 10", u"10/60 4/10 70 70 0"},
        // 40 are asked first (more than the stock, refused), then 4 go out at the average cost 6.
        {2025, 60, u"K1", {{u"SP101", u"40", u""}}, 201, u"101 4 0 0", u"6/36 4/10 46 70 24"},
    };
    QList<qint64> posted;
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.djType);
        const QString before = books();
        TfrmGoodsBill* bill = openFromMenu(k.code);
        ASSERT_NE(nullptr, bill);
        enterBill(bill, QString::fromUtf16(k.partner), k.typed);
        EXPECT_EQ(k.partnerId, bill->headerId(u"eddw"_s));
        EXPECT_EQ(301, bill->headerId(u"edshck"_s));  // the only warehouse
        test::walkStep(bill->windowTitle());
        script.clearRecords();
        const QPointer<TfrmGoodsBill> entered(bill);
        const qint64 draft = save(bill, bill->btnBillSaveToDraft());
        ASSERT_GT(draft, 0) << messages().toStdString();
        EXPECT_EQ(u"保存成功！"_s, messages());
        EXPECT_TRUE(test::waitUntil([&] { return entered.isNull(); }));  // closed when saved
        EXPECT_EQ(before, books());  // a draft moves nothing

        TfrmGoodsBill* again = reopen(k.djType, draft);
        ASSERT_NE(nullptr, again);
        EXPECT_EQ(int(kBillDraft), again->billState());
        EXPECT_FALSE(again->isReadOnly());
        EXPECT_EQ(k.partnerId, again->headerId(u"eddw"_s));
        EXPECT_EQ(k.typed.size(), again->goodsRows().size());
        if (k.djType == 60) {
            script.clearRecords();
            EXPECT_EQ(0, postByKey(again));
            EXPECT_TRUE(messages().contains(u"库存不足"_s)) << messages().toStdString();
            EXPECT_EQ(before, books());
            EXPECT_EQ(1, number(u"SELECT dj_state FROM djIndex WHERE id = %1"_s.arg(draft)));
            // The quantity typed again in its cell.
            const int qtyColumn = again->gridDefinition().columnIndex(u"qty"_s);
            again->dbgvX()->table()->setCurrentIndex(again->model()->index(0, qtyColumn));
            again->dbgvX()->table()->setFocus();
            typeKeys(u"4"_s);
            pressKey(Qt::Key_Return);
            EXPECT_EQ(u"4"_s, again->cell(0, u"qty"_s));
        }
        script.clearRecords();
        const qint64 id = postByKey(again);
        ASSERT_GT(id, 0) << messages().toStdString();
        EXPECT_EQ(QString::fromUtf16(k.lines), lines(id));
        EXPECT_EQ(QString::fromUtf16(k.books), books());
        EXPECT_EQ(0, number(u"SELECT COUNT(*) FROM djIndex WHERE dj_state = 1"_s));

        TfrmGoodsBill* shown = reopen(k.djType, id);
        ASSERT_NE(nullptr, shown);
        EXPECT_EQ(int(kBillPosted), shown->billState());
        EXPECT_TRUE(shown->isReadOnly());
        EXPECT_FALSE(shown->btnBillSave()->isEnabled());
        EXPECT_FALSE(shown->btnCopy()->isVisible());
        EXPECT_EQ(u"101"_s, shown->cell(0, u"goodsid"_s));
        posted << id;
    }
    // Reversed in the business history, the gift given first: each step puts the books back.
    const QStringList steps = {QString::fromUtf16(kinds[0].books), empty};
    for (int i = 1; i >= 0; --i) {
        SCOPED_TRACE(i);
        historyAt(posted[i]);
        script.answer(u"确定(&O)"_s, history::text::confirmRed());
        script.clearRecords();
        pressKey(Qt::Key_R, Qt::ControlModifier);
        EXPECT_EQ(history::text::redDone(), messages());
        EXPECT_EQ(steps[1 - i], books());
    }
}

TEST_F(GiftQuoteE2E, AQuotationBecomesASalesOrderAndAnEnquiryAPurchaseOrder) {
    TfrmGoodsBill* quote = openFromMenu(2027);
    ASSERT_NE(nullptr, quote);
    enterBill(quote, u"K1"_s, {{u"SP101", u"3", u"9.5"}, {u"SP102", u"2", u"4"}});
    quote->setHeaderText(u"edjhrq"_s, QDate::currentDate().addDays(7).toString(u"yyyy-MM-dd"_s));
    test::walkStep(u"quotation"_s);
    const qint64 quoted = save(quote, quote->btnBillSave());
    ASSERT_GT(quoted, 0) << messages().toStdString();
    EXPECT_EQ(u"0/0 0/0 0 0 0"_s, books());  // a document moves nothing
    TfrmGoodsBill* shown = reopen(65, quoted);
    ASSERT_NE(nullptr, shown);
    EXPECT_TRUE(shown->btnCopy()->isEnabled());
    script.answer(u"销售订单"_s, history::text::confirmCopy());
    script.clearRecords();
    pressKey(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(history::text::copied(), messages());
    const qint64 order = stored(u"SELECT id FROM djIndex WHERE djType = 4"_s).toLongLong();
    ASSERT_GT(order, 0);
    EXPECT_EQ(u"1|201"_s, test::rowOf(query(u"SELECT dj_state, wldw_id FROM djIndex WHERE id = "
                                            u"%1"_s.arg(order)),
                                      0, u"dj_state,wldw_id"_s));
    EXPECT_EQ(u"101 3 9.5 28.5|102 2 4 8"_s, lines(order));
    EXPECT_EQ(lines(quoted), lines(order));
    // The order draft opens in its own window with the quotation's lines.
    TfrmGoodsBill* opened = reopen(4, order);
    ASSERT_NE(nullptr, opened);
    EXPECT_EQ(u"9.5"_s, opened->cell(0, u"Price"_s));

    // An enquiry, posted, copied from the business history into a purchase order.
    TfrmGoodsBill* enquiry = openFromMenu(2026);
    ASSERT_NE(nullptr, enquiry);
    enterBill(enquiry, u"G1"_s, {{u"SP102", u"5", u"3"}});
    const qint64 asked = save(enquiry, enquiry->btnBillSave());
    ASSERT_GT(asked, 0) << messages().toStdString();
    historyAt(asked);
    test::onNextModal([](QWidget* w) {
        auto* list = w->findChild<QListWidget*>(u"lbKinds"_s);
        ASSERT_NE(nullptr, list);
        EXPECT_EQ(u"询价单|进货订单|进货单"_s,
                  list->item(0)->text() + u'|' + list->item(1)->text() + u'|' +
                      list->item(2)->text());
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
    });
    script.clearRecords();
    pressKey(Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(history::text::copied(), messages());
    const qint64 purchaseOrder =
        stored(u"SELECT id FROM djIndex WHERE djType = 8 AND dj_state = 1"_s).toLongLong();
    ASSERT_GT(purchaseOrder, 0);
    EXPECT_EQ(u"102 5 3 15"_s, lines(purchaseOrder));
}

}  // namespace
}  // namespace dyt::client
