// The business history against a real server, worked at the keyboard: reversals of a posted
// purchase and sale (every balance back where it was), the warning for a bill a receipt settles,
// a sale copied into a return draft and posted, deletion, the month-close refusals, the header
// change with a quote typed, reconciliation marks, user fields and the export to the tax-invoice
// program read back field by field.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "client/bills/billkinds.h"
#include "client/common/gridview.h"
#include "client/common/windowregistry.h"
#include "client/logic/billhistory.h"
#include "client/logic/queryconditions.h"
#include "client/logic/recordsetmodel.h"
#include "client/queries/frmqjylc.h"
#include "client/queries/frmselectitems.h"
#include "common/gbk.h"
#include "server/posting_packets.h"
#include "support/serverfixture.h"
#include "uihelpers.h"

namespace dyt::client {
namespace {

using server::test::AccountLine;
using server::test::GoodsBill;
using server::test::GoodsLine;
using server::test::MoneyBill;
using namespace history;

// Replaces the text of the field by the keys of the text, sent to the field itself.
void typeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    test::typeInto(edit, text);
}

// A dialog a failed step left open is closed, so that the flow fails instead of waiting.
void closeIfOpen(QWidget* dialog) {
    if (dialog->isVisible()) {
        ADD_FAILURE() << "the dialog stayed open";
        dialog->close();
    }
}

class BillHistoryE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addRecord("baseWLDW", 201, "K1", "甲客户", 0, 0,
                  {{"tax", u"'91310000''X'"_s},
                   {"addr", u"'上海路1号'"_s},
                   {"tel", u"'021-1234'"_s},
                   {"bankname", u"'工行'"_s},
                   {"bankcount", u"'6222'"_s}});
        addRecord("baseWLDW", 203, "G1", "华东五金");
        addRecord("baseCK", 301, "CK1", "总仓");
        addRecord("baseZY", 2, "002", "张三");
        addRecord("baseZY", 3, "003", "李四");
        addRecord("baseBM", 401, "BM1", "业务部");
        ASSERT_EQ(0, openAccounts());
        settings().LoginDate = QDate::currentDate();
        settings().QtyDot = 2;
        query::resetSharedQueryDates();
        loadBillKinds(dm);
        registerBillWindows();
        before = balances();
        purchase = post(server::test::goodsBill(5, day(), 203, {{101, 10, 5}}));
        afterPurchase = balances();
        sale = post(server::test::goodsBill(1, day(), 201, {{101, 4, 9, 0, 0, 0, u"行"_s}}));
    }
    void TearDown() override {
        window.reset();
        ServerFixture::TearDown();
    }
    static const char* day() {
        static const QByteArray d = QDate::currentDate().toString(u"yyyy-MM-dd"_s).toLatin1();
        return d.constData();
    }
    qint64 post(GoodsBill b) {
        b.code = u"B%1"_s.arg(b.djType);
        ParamList header = server::test::goodsBillParams(b);
        RecordSet lines = server::test::goodsLinesPacket(b);
        const RecordSet accounts = server::test::accountPacket({});
        dm.ExecService(u"QMXService"_s, u"SaveToDB"_s, header, &lines, &accounts);
        return stored(u"SELECT max(id) FROM djIndex WHERE dj_state = 2"_s).toLongLong();
    }
    // Stock (layers included), partner balances and account totals.
    QString balances() {
        QStringList out;
        for (const char* sql :
             {"SELECT goodsid, stockid, goodspc, qty, total FROM baseGoodsStock WHERE qty <> 0 OR "
              "total <> 0 ORDER BY goodsid, stockid, goodspc",
              "SELECT id, ystotal, yftotal, yushoutotal, yufutotal FROM baseWLDW ORDER BY id",
              "SELECT id, Total FROM baseKM WHERE Total <> 0 ORDER BY id"}) {
            const RecordSet rs = query(QString::fromUtf8(sql));
            for (int r = 0; r < rs.rowCount(); ++r) {
                QStringList row;
                for (int f = 0; f < rs.fieldCount(); ++f)
                    row << QString::number(rs.at(r, f).toDouble(), 'f', 2);
                out << row.join(u',');
            }
        }
        return out.join(u'|');
    }
    void open() {
        window = std::make_unique<TfrmQJYLC>();
        window->resize(1200, 600);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        // The simple entry-date prompt, taken as it comes.
        test::onNextModal([](QWidget* w) {
            QTest::mouseClick(static_cast<TfrmBaseDialog*>(w)->btnOK(), Qt::LeftButton);
        });
        QTest::mouseClick(window->toolBar()->widgetForAction(window->btnQuery()), Qt::LeftButton);
    }
    int rowOf(const QString& field, const QVariant& value) const {
        const RecordSet& rs = window->records();
        for (int r = 0; r < window->model()->rowCount(); ++r) {
            if (rs.at(window->model()->rawRow(r), rs.fieldIndex(field)) == value)
                return r;
        }
        return -1;
    }
    void focus(qint64 bill) {
        const int row = rowOf(u"id"_s, bill);
        ASSERT_GE(row, 0) << bill;
        window->setFocusedRow(row);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->dbgvX()->table()->setFocus();
    }
    QString state(qint64 bill) {
        const RecordSet rs = query(
            u"SELECT dj_state, isred, code, summery, jsr_id, isDuiZhang, DuiZhangShuoMing, "
            "zidingyi1, zidingyi10 FROM djIndex WHERE id = %1"_s.arg(bill));
        QStringList out;
        for (int f = 0; rs.rowCount() > 0 && f < rs.fieldCount(); ++f)
            out << rs.at(0, f).toString();
        return out.join(u'|');
    }
    QString messages() const { return script.messages().join(u'|'); }

    std::unique_ptr<TfrmQJYLC> window;
    QString before, afterPurchase;
    qint64 purchase = 0, sale = 0;
};

TEST_F(BillHistoryE2E, ReversalsPutEveryBalanceBackAndAreRefusedTwice) {
    // A receipt settles the sale: the reversal warns first, and cancelling sends nothing.
    MoneyBill receipt;
    receipt.date = QString::fromLatin1(day());
    receipt.code = u"SK1"_s;
    receipt.partner = 201;
    receipt.accounts = {{8, 10}};
    receipt.settled = {{sale, 10}};
    ParamList header = server::test::moneyBillParams(receipt);
    RecordSet rows = server::test::moneyAccountRows(receipt);
    const RecordSet settled = server::test::settledRows(receipt);
    dm.ExecService(u"QMXService"_s, u"SaveToDB"_s, header, &rows, &settled);
    const qint64 receiptId = stored(u"SELECT max(id) FROM djIndex"_s).toLongLong();
    open();
    ASSERT_EQ(3, window->model()->rowCount()) << messages().toStdString();
    focus(sale);
    script.answer(u"取消(&C)"_s, text::settledWarning());
    test::pressKey(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(0, script.pendingAnswers());
    EXPECT_EQ(u"2|0"_s, state(sale).section(u'|', 0, 1));

    // Reversed in turn: the receipt, the sale, the purchase; the books are as before all three.
    for (qint64 bill : {receiptId, sale, purchase}) {
        SCOPED_TRACE(bill);
        focus(bill);
        if (bill == sale)
            script.answer(u"我知道了(&O)"_s, text::settledWarning());
        script.answer(u"确定(&O)"_s, text::confirmRed());
        script.clearRecords();
        test::pressKey(Qt::Key_R, Qt::ControlModifier);
        EXPECT_EQ(text::redDone(), messages());
        EXPECT_EQ(u"2|1"_s, state(bill).section(u'|', 0, 1));
        if (bill == sale) {
            EXPECT_EQ(afterPurchase, balances());
        }
    }
    EXPECT_EQ(before, balances());
    // The default filter hides reversed bills and reversals; "只显示红冲单据" lists them all.
    EXPECT_EQ(0, window->model()->rowCount());
    window->cbred()->setCurrentIndex(2);
    ASSERT_EQ(6, window->model()->rowCount());
    test::walkStep(u"history-reversals"_s);
    const int red = rowOf(u"isredword"_s, 1);
    ASSERT_GE(red, 0);

    // A second reversal and a change of a reversed bill are refused before anything is sent; a
    // modified client sending the change anyway is refused by the server.
    focus(purchase);
    const QString stateBefore = state(purchase);
    script.clearRecords();
    test::pressKey(Qt::Key_R, Qt::ControlModifier);
    test::pressKey(Qt::Key_E, Qt::ControlModifier);
    window->setFocusedRow(red);
    test::pressKey(Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(u"%1|%2|%3"_s.arg(text::alreadyRed(), text::noChangeOfRed(), text::noCopyOfRed()),
              messages());
    EXPECT_THROW(dm.ExecUpdate(changeSql(purchase, 3, 401, u"X"_s, u"Y"_s)), DytError);
    EXPECT_EQ(stateBefore, state(purchase));
}

TEST_F(BillHistoryE2E, CopyIntoAReturnDraftDeleteAndTheClosedMonth) {
    open();
    ASSERT_EQ(2, window->model()->rowCount()) << messages().toStdString();
    // The sale copied into a sales return draft, the kind chosen from the list by key.
    focus(sale);
    test::onNextModal([](QWidget* w) {
        if (auto* list = w->findChild<QListWidget*>(u"lbKinds"_s)) {
            list->setFocus();
            EXPECT_EQ(u"销售退货单"_s, list->item(1)->text());
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Return);
        }
        closeIfOpen(w);
    });
    script.clearRecords();
    test::pressKey(Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(text::copied(), messages());
    const qint64 draft =
        stored(u"SELECT id FROM djIndex WHERE dj_state = 1 AND djType = 2"_s).toLongLong();
    ASSERT_GT(draft, 0);
    EXPECT_EQ(4, number(u"SELECT qty FROM djList WHERE id = %1 AND goodsid = 101"_s.arg(draft)));
    // Deleting the sale of the open month takes it out of every balance and of the list.
    focus(sale);
    script.answer(u"确定(&O)"_s, text::confirmDelete());
    script.clearRecords();
    test::pressKey(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(text::deleted(), messages());
    EXPECT_EQ(u"0"_s, state(sale).section(u'|', 0, 0));
    EXPECT_LT(rowOf(u"id"_s, sale), 0);
    EXPECT_EQ(afterPurchase, balances());

    // Posted as a return from its bill window: the four come back into stock.
    {
        std::unique_ptr<QWidget> bill(OpenBill(2, draft));
        bill->show();
        bill->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(bill.get()));
        QTest::keyClick(bill.get(), Qt::Key_S, Qt::ControlModifier);
    }
    EXPECT_EQ(u"2"_s, state(draft).section(u'|', 0, 0)) << messages().toStdString();
    EXPECT_EQ(14, number(u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101"_s));

    // Once the current month starts after the purchase, it can be neither changed nor deleted,
    // but it can be reversed.
    const QDate next = QDate::currentDate().addMonths(1);
    dm.ExecUpdate(u"UPDATE sysPeriod SET beginDate = '%1' WHERE type = 0 AND id = 1"_s.arg(
        QDate(next.year(), next.month(), 1).toString(u"yyyy-MM-dd"_s)));
    focus(purchase);
    script.clearRecords();
    test::pressKey(Qt::Key_E, Qt::ControlModifier);
    test::pressKey(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(u"%1|%2"_s.arg(text::closedNoChange(), text::closedNoDelete()), messages());
    EXPECT_THROW(dm.ExecUpdate(changeSql(purchase, 3, 401, u"X"_s, u"Y"_s)), DytError);
    EXPECT_EQ(u"2|0"_s, state(purchase).section(u'|', 0, 1));
    script.answer(u"确定(&O)"_s, text::confirmRed());
    script.clearRecords();
    test::pressKey(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(text::redDone(), messages());
    EXPECT_EQ(u"2|1"_s, state(purchase).section(u'|', 0, 1));
}

TEST_F(BillHistoryE2E, HeaderChangeMarksUserFieldsAndTheInvoiceExport) {
    open();
    focus(sale);
    // Handler, number and abstract changed; the quotes typed are stored as typed.
    script.answer(u"确定(&O)"_s, text::confirmChange());
    test::onNextModal([](QWidget* w) {
        auto* jsr = w->findChild<QLineEdit*>(u"edjsr"_s);
        auto* dep = w->findChild<QLineEdit*>(u"eddep"_s);
        auto* code = w->findChild<QLineEdit*>(u"edcode"_s);
        auto* summery = w->findChild<QLineEdit*>(u"edsummery"_s);
        pickerSelector() = [](const QString& kind, const QString& typed, QWidget*) {
            EXPECT_EQ(u"zhiyuan|李"_s, kind + u'|' + typed);
            return std::optional<PickerChoice>(PickerChoice{3, u"李四"_s});
        };
        if (jsr && dep && code && summery) {
            typeInto(jsr, u"李"_s);
            QTest::keyClick(jsr, Qt::Key_Return);  // picks 李四
            QTest::keyClick(dep, Qt::Key_Return);  // department kept
            typeInto(code, u"XS'01"_s);
            typeInto(summery, u"O'Brien; --"_s);
            test::walkStep(u"history-change"_s);
            QTest::keyClick(summery, Qt::Key_Return);  // the last field takes the dialog
        }
        closeIfOpen(w);
    });
    test::pressKey(Qt::Key_E, Qt::ControlModifier);
    resetPickerSelector();
    EXPECT_EQ(u"2|0|XS'01|O'Brien; --|3"_s, state(sale).section(u'|', 0, 4))
        << messages().toStdString();

    // The user fields, a quote in the first.
    focus(sale);
    test::onNextModal([](QWidget* w) {
        auto* first = w->findChild<QLineEdit*>(u"edzidingyi1"_s);
        auto* last = w->findChild<QLineEdit*>(u"edzidingyi10"_s);
        if (first && last) {
            typeInto(first, u"甲'乙"_s);
            QTest::keyClick(last, Qt::Key_Return);
        }
        closeIfOpen(w);
    });
    test::pressKey(Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(u"甲'乙|"_s, state(sale).section(u'|', 7, 8));

    // Reconciled with a remark: the list shows it and a change is refused, by the window and by
    // the server; the mark can be taken back.
    focus(sale);
    script.enter(u"已核'对"_s, text::reconcileRemark());
    test::pressKey(Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(u"1|已核'对"_s, state(sale).section(u'|', 5, 6));
    focus(sale);
    EXPECT_EQ(u"是"_s, window->focusedValue(u"DuiZhang"_s).toString());
    script.clearRecords();
    test::pressKey(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(text::noChangeReconciled(), messages());
    EXPECT_THROW(dm.ExecUpdate(changeSql(sale, 2, 401, u"X"_s, u"Y"_s)), DytError);
    focus(sale);
    script.answer(u"确定(&O)"_s, text::confirmUnreconcile());
    test::pressKey(Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(u"0|"_s, state(sale).section(u'|', 5, 6));

    // The sale exported for the tax-invoice program; a purchase is refused.
    QTemporaryDir folder;
    TfrmQJYLC::folderAsker() = [&folder](QWidget*) { return folder.path(); };
    focus(purchase);
    script.clearRecords();
    test::pressKey(Qt::Key_J, Qt::ControlModifier);
    focus(sale);
    test::pressKey(Qt::Key_J, Qt::ControlModifier);
    TfrmQJYLC::folderAsker() = [](QWidget*) { return QString(); };
    const QString file = folder.filePath(u"bill.txt"_s);
    EXPECT_EQ(text::salesOnly() + u'|' + text::exported() + QDir::toNativeSeparators(file),
              messages());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList records = gbk::decode(f.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
    ASSERT_EQ(3, records.size());
    EXPECT_EQ(u"SJJK0101~~销售单据传入"_s, records[0]);
    EXPECT_EQ(u"XS'01|1|甲客户|91310000'X|上海路1号 021-1234|工行 6222|李四|0"_s,
              records[1].split(u"~~"_s).join(u'|'));
    EXPECT_EQ(u"螺丝|个||4.00|36.00|0|1510"_s, records[2].split(u"~~"_s).join(u'|'));
}

}  // namespace
}  // namespace dyt::client

namespace dyt::client {
namespace {

// The refusals checked before anything is sent, in their order: a bill that is several things
// at once gets the first refusal that applies.
TEST(BillHistoryRefusals, FirstApplyingRefusalWins) {
    using namespace history;
    struct Case {
        int djType;
        int isred, isredword, isOver;
        bool reconciled;
        const char* red;
        const char* change;
        const char* remove;
    } cases[] = {
        {62, 1, 0, 1, true, "配送单 已经完成验收不能红冲！", "不能修改已红冲的单据",
         "配送单 已经完成验收不能删除"},
        {62, 0, 0, 0, false, "", "", ""},
        {4, 0, 0, 0, true, "销售订单不能不能红冲，请在销售订单查询中直接删除单据！",
         "不能修改已对账的单据", ""},
        {8, 1, 0, 0, false, "不能对已红冲单据再次红冲操作！", "不能修改已红冲的单据", ""},
        {8, 0, 0, 0, false, "进货订单不能不能红冲，请在进货订单查询中直接删除单据！", "", ""},
        {1, 0, 1, 0, false, "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.djType);
        BillRow b;
        b.djType = c.djType;
        b.kindName = c.djType == 4 ? u"销售订单"_s : u"进货订单"_s;
        b.isred = c.isred;
        b.isredword = c.isredword;
        b.isOver = c.isOver;
        b.reconciled = c.reconciled;
        EXPECT_EQ(QString::fromUtf8(c.red), redRefusal(b));
        EXPECT_EQ(QString::fromUtf8(c.change), changeRefusal(b));
        EXPECT_EQ(QString::fromUtf8(c.remove), deleteRefusal(b));
        EXPECT_EQ(c.isredword ? text::noCopyOfRed() : QString(), copyRefusal(b));
    }
}

}  // namespace
}  // namespace dyt::client
