// Outsourced processing against a real server, opened from the menu and entered at the keyboard:
// materials bought, issued to a processor, then a completion that picks the issue's lines as the
// consumed materials and values the finished goods at the materials' cost plus the fee; in the
// business history the issue is refused deletion while its materials are consumed, and the
// completion deleted and the issue reversed put the books back.
#include <QAbstractButton>
#include <QPushButton>

#include "menubill_fixture.h"
#include "client/bills/frmbillwwjg.h"
#include "client/bills/frmselectbill.h"
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

struct Typed {
    const char16_t* code;
    const char16_t* qty;
    const char16_t* price;
};

class ProcessingE2E : public test::MenuBillFixture {
protected:
    void addBaseData() override {
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addGoods(102, "SP102", "齿轮", 1021, "只");
        addGoods(103, "SP103", "变速箱", 1031, "台");
        addRecord("baseWLDW", 203, "G1", "华东加工厂");
        addRecord("baseWLDW", 204, "G2", "华南五金");
        addRecord("baseCK", 301, "CK1", "总仓");
    }

    // The partner typed by code and picked, Enter on into the lines.
    void enterPartner(TfrmGoodsBill* bill, const QString& partner) {
        bill->headerControl(u"eddw"_s)->setFocus();
        typeKeys(partner);
        pickNext(partner);
        pressKey(Qt::Key_Return);
        for (int i = 0; i < 30 && !gridFocused(bill); ++i)
            pressKey(Qt::Key_Return);
        ASSERT_TRUE(gridFocused(bill));
    }
    // Lines typed from a row on: the goods code, its quantity and price, Enter on.
    void enterLines(TfrmGoodsBill* bill, int first, const QList<Typed>& lines) {
        for (int k = 0; k < lines.size(); ++k) {
            const int row = first + k;
            for (int i = 0; i < 90 && !(bill->dbgvX()->table()->currentIndex().row() == row &&
                                        cursorField(bill) == u"goodsname"_s);
                 ++i)
                pressKey(Qt::Key_Return);
            typeKeys(QString::fromUtf16(lines[k].code));
            pressKey(Qt::Key_Return);
            ASSERT_EQ(u"qty"_s, cursorField(bill)) << messages().toStdString();
            typeKeys(QString::fromUtf16(lines[k].qty));
            pressKey(Qt::Key_Return);
            if (*lines[k].price) {
                ASSERT_EQ(u"Price"_s, cursorField(bill));
                typeKeys(QString::fromUtf16(lines[k].price));
                pressKey(Qt::Key_Return);
            }
        }
    }
    // Stock per goods (quantity/value), what the processor holds (螺丝, 齿轮: quantity/cost)
    // and its payable.
    QString books() {
        QStringList out;
        for (qint64 goods : {101, 102, 103})
            out << u"%1/%2"_s.arg(number(u"SELECT isnull(sum(qty), 0) FROM baseGoodsStock WHERE goodsid "
                                         u"= %1"_s.arg(goods)))
                       .arg(number(u"SELECT isnull(sum(total), 0) FROM baseGoodsStock WHERE goodsid = "
                                   u"%1"_s.arg(goods)));
        for (qint64 goods : {101, 102})
            out << u"%1/%2"_s.arg(number(u"SELECT isnull(sum(qty), 0) FROM baseGoodsStockOther WHERE "
                                         u"goodsid = %1 AND typeid = 5"_s.arg(goods)))
                       .arg(number(u"SELECT isnull(sum(costtotal), 0) FROM baseGoodsStockOther WHERE "
                                   u"goodsid = %1 AND typeid = 5"_s.arg(goods)));
        out << QString::number(number(u"SELECT yftotal FROM baseWLDW WHERE id = 203"_s));
        return out.join(u' ');
    }
};

TEST_F(ProcessingE2E, TheMenuEntriesOpenTheirKindsAndCountAsBuilt) {
    const struct {
        int code, djType;
        const char16_t *title, *partner, *warehouse;
        bool picks;
    } entries[] = {{202101, 53, u"委外加工领料单", u"加工单位", u"发料仓库", false},
                   {202102, 54, u"委外加工退料单", u"加工单位", u"收料仓库", true},
                   {202103, 55, u"委外加工完工单", u"加工单位", u"收货仓库", true},
                   {202201, 56, u"仓库入库单", u"往来单位", u"入库仓库", false},
                   {202202, 57, u"仓库出库单", u"往来单位", u"出库仓库", false}};
    for (const auto& e : entries) {
        SCOPED_TRACE(e.code);
        TfrmGoodsBill* bill = openFromMenu(e.code);
        ASSERT_NE(nullptr, bill) << messages().toStdString();
        EXPECT_EQ(e.djType, bill->djType());
        EXPECT_EQ(QString::fromUtf16(e.title), bill->family().title);
        EXPECT_EQ(QString::fromUtf16(e.partner), bill->headerField(u"eddw"_s)->caption);
        EXPECT_EQ(QString::fromUtf16(e.warehouse), bill->headerField(u"edshck"_s)->caption);
        EXPECT_EQ(e.picks, bill->btnOrder()->isVisibleTo(bill));
        EXPECT_EQ(e.djType == 55, qobject_cast<TfrmBillWWJGWGD*>(bill) != nullptr);
    }
    // The query windows count as built by what the server answers with figures.
    setServedQueries(fetchServedQueries(server.address()));
    const QStringList codes = {u"202101"_s, u"202102"_s, u"202103"_s, u"202201"_s,
                               u"202202"_s, u"301001"_s, u"301002"_s, u"301003"_s};
    QStringList built;
    for (const QString& line : functionListing()) {
        if (codes.contains(line.section(u'\t', 0, 0)))
            built << line.section(u'\t', 2, 2);
    }
    setServedQueries(ServedQueries());
    EXPECT_EQ(QStringList(8, u"built"_s), built);
}

TEST_F(ProcessingE2E, IssueThenACompletionPickingTheIssueValuesTheFinishedGoods) {
    EXPECT_EQ(u"0/0 0/0 0/0 0/0 0/0 0"_s, books());
    // 10 螺丝 at 3 and 4 齿轮 at 5 bought from another supplier.
    TfrmGoodsBill* bought = openFromMenu(2004);
    ASSERT_NE(nullptr, bought);
    enterPartner(bought, u"G2"_s);
    enterLines(bought, 0, {{u"SP101", u"10", u"3"}, {u"SP102", u"4", u"5"}});
    ASSERT_GT(postByKey(bought), 0) << messages().toStdString();
    EXPECT_EQ(u"10/30 4/20 0/0 0/0 0/0 0"_s, books());

    // Both issued to the processor at cost.
    TfrmGoodsBill* issue = openFromMenu(202101);
    ASSERT_NE(nullptr, issue);
    enterPartner(issue, u"G1"_s);
    enterLines(issue, 0, {{u"SP101", u"10", u""}, {u"SP102", u"4", u""}});
    EXPECT_EQ(301, issue->headerId(u"edshck"_s));
    test::walkStep(issue->windowTitle());
    script.clearRecords();
    const qint64 issued = postByKey(issue);
    ASSERT_GT(issued, 0) << messages().toStdString();
    const QString afterIssue = u"0/0 0/0 0/0 10/30 4/20 0"_s;
    EXPECT_EQ(afterIssue, books());

    // The completion picks the issue's lines as consumed materials, then 2 变速箱 with a fee of 8.
    TfrmGoodsBill* done = openFromMenu(202103);
    ASSERT_NE(nullptr, done);
    enterPartner(done, u"G1"_s);
    test::onNextModal([](QWidget* w) {
        auto* win = qobject_cast<TfrmSelectBill*>(w);
        ASSERT_NE(nullptr, win);
        ASSERT_EQ(1, win->billGrid()->model()->rowCount());
        win->billGrid()->table()->setFocus();
        QTest::keyClick(win->billGrid()->table(), Qt::Key_Return);
        ASSERT_EQ(2, win->lineGrid()->model()->rowCount());
        QTest::mouseClick(win->findChild<QAbstractButton*>(u"btnSelectAll"_s), Qt::LeftButton);
        QTest::mouseClick(win->btnOK(), Qt::LeftButton);
    });
    QTest::mouseClick(done->btnOrder(), Qt::LeftButton);
    ASSERT_EQ(2, done->goodsRows().size()) << messages().toStdString();
    EXPECT_EQ(u"-10|-4|0"_s, done->cell(0, u"qty"_s) + u'|' + done->cell(1, u"qty"_s) + u'|' +
                                 done->cell(0, u"Price"_s));
    EXPECT_EQ(QString::number(issued), done->cell(0, u"s_id"_s));
    activate(main.get());
    done->dbgvX()->table()->setFocus();
    enterLines(done, 2, {{u"SP103", u"2", u"8"}});
    EXPECT_EQ(u"16"_s, done->cell(2, u"Total"_s));
    test::walkStep(done->windowTitle());
    script.clearRecords();
    const qint64 completed = postByKey(done);
    ASSERT_GT(completed, 0) << messages().toStdString();
    // 30 + 20 materials and the fee 16: 66 for the two, the fee owed to the processor.
    const QString afterCompletion = u"0/0 0/0 2/66 0/0 0/0 16"_s;
    EXPECT_EQ(afterCompletion, books());
    EXPECT_EQ(u"-30|-20|66"_s,
              test::rowsOf(query(u"SELECT costtotal FROM djList WHERE id = %1 AND goodsid > 0 "
                                 u"ORDER BY orderid"_s.arg(completed)),
                           u"costtotal"_s));

    TfrmGoodsBill* shown = reopen(55, completed);
    ASSERT_NE(nullptr, shown);
    EXPECT_EQ(int(kBillPosted), shown->billState());
    EXPECT_TRUE(shown->isReadOnly());
    EXPECT_EQ(3, shown->goodsRows().size());

    // The issue cannot go while its materials are consumed; the completion deleted, the issue
    // is reversed.
    historyAt(issued);
    script.answer(u"确定(&O)"_s, history::text::confirmDelete());
    script.clearRecords();
    pressKey(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(messages().contains(u"委外加工数量不足"_s)) << messages().toStdString();
    EXPECT_EQ(afterCompletion, books());
    historyAt(completed);
    script.answer(u"确定(&O)"_s, history::text::confirmDelete());
    script.clearRecords();
    pressKey(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(history::text::deleted(), messages());
    EXPECT_EQ(afterIssue, books());
    historyAt(issued);
    script.answer(u"确定(&O)"_s, history::text::confirmRed());
    script.clearRecords();
    pressKey(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(history::text::redDone(), messages());
    EXPECT_EQ(u"10/30 4/20 0/0 0/0 0/0 0"_s, books());
}

}  // namespace
}  // namespace dyt::client
