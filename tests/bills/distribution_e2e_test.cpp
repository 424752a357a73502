// Distribution between warehouses and the gift contract against a real server, opened from their
// menu entries and entered at the keyboard: a request from the shop, the delivery that picks it
// and moves the goods at cost, the acceptance that picks the delivery and completes it; the
// business history refuses to reverse the accepted delivery and, once the acceptance is
// reversed, reverses it and puts the stock back. A gift contract is kept as a draft and reopened.
#include <QPointer>

#include "menubill_fixture.h"
#include "client/bills/frmselectbill.h"
#include "client/bills/goodsbill.h"
#include "client/logic/billhistory.h"
#include "client/queries/frmqjylc.h"
#include "client/queries/frmquery.h"
#include "client/shell/functions.h"
#include "client/shell/mainwindow.h"
#include "server/posting_packets.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

using test::pickNext;
using test::pressKey;
using test::typeKeys;

class DistributionE2E : public test::MenuBillFixture {
protected:
    void addBaseData() override {
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addGoods(102, "SP102", "齿轮", 1021, "只");
        addRecord("baseWLDW", 201, "K1", "甲客户");
        addRecord("baseWLDW", 203, "G1", "华东五金");
        addRecord("baseCK", 301, "CK1", "总仓");
        addRecord("baseCK", 302, "CK2", "门店");
    }
    void SetUp() override {
        MenuBillFixture::SetUp();
        if (HasFatalFailure())
            return;
        // The main warehouse holds 10 screws at 6 and 4 gears at 2.5.
        server::test::GoodsBill b;
        b.djType = 5;
        b.date = QDate::currentDate().toString(u"yyyy-MM-dd"_s);
        b.code = u"JH-1"_s;
        b.partner = 203;
        b.intoStock = 301;
        b.lines = {{101, 10, 6}, {102, 4, 2.5}};
        for (auto& l : b.lines)
            l.intoStock = 301;
        ParamList header = server::test::goodsBillParams(b);
        RecordSet packet = server::test::goodsLinesPacket(b);
        const RecordSet accounts = server::test::accountPacket({});
        dm.ExecService(u"QMXService"_s, u"SaveToDB"_s, header, &packet, &accounts);
        ASSERT_EQ(u"301:101 10/60 301:102 4/10"_s, stock());
    }

    // A select field of the header: its record's code typed and picked.
    static void chooseIn(TfrmGoodsBill* bill, const QString& control, const QString& code) {
        bill->headerControl(control)->setFocus();
        typeKeys(code);
        pickNext(code);
        pressKey(Qt::Key_Return);
    }
    // Goods lines typed: code and quantity, Enter on to the next line's goods cell.
    void typeLines(TfrmGoodsBill* bill, const QList<std::pair<QString, QString>>& lines) {
        bill->dbgvX()->table()->setFocus();
        bill->dbgvX()->table()->setCurrentIndex(
            bill->model()->index(0, bill->gridDefinition().columnIndex(u"goodsname"_s)));
        for (int row = 0; row < lines.size(); ++row) {
            for (int i = 0; i < 40 && !(bill->dbgvX()->table()->currentIndex().row() == row &&
                                        cursorField(bill) == u"goodsname"_s);
                 ++i)
                pressKey(Qt::Key_Return);
            typeKeys(lines[row].first);
            pressKey(Qt::Key_Return);
            ASSERT_EQ(u"qty"_s, cursorField(bill)) << messages().toStdString();
            typeKeys(lines[row].second);
            pressKey(Qt::Key_Return);
        }
        EXPECT_EQ(lines.size(), bill->goodsRows().size());
    }
    // The source bill picked by its button: Enter on the first bill lists its lines, all of them
    // marked, "确定".
    void pickSource(TfrmGoodsBill* bill) {
        test::onNextModal([](QWidget* w) {
            auto* win = qobject_cast<TfrmSelectBill*>(w);
            ASSERT_NE(nullptr, win);
            ASSERT_EQ(1, win->billGrid()->model()->rowCount());
            test::perform(win, win->billGrid()->table(), {test::key(Qt::Key_Return)});
            QTest::mouseClick(win->btnMarkAll(), Qt::LeftButton);
            win->btnOKClick();
        });
        QTest::mouseClick(bill->btnOrder(), Qt::LeftButton);
    }
    // Stock per warehouse and goods as quantity/value.
    QString stock() {
        const RecordSet rs =
            query(u"SELECT stockid, goodsid, sum(qty), sum(total) FROM baseGoodsStock GROUP BY "
                  u"stockid, goodsid HAVING sum(qty) <> 0 ORDER BY stockid, goodsid"_s);
        QStringList out;
        for (int r = 0; r < rs.rowCount(); ++r)
            out << u"%1:%2 %3/%4"_s.arg(rs.at(r, 0).toString(), rs.at(r, 1).toString(),
                                       QString::number(rs.at(r, 2).toDouble()),
                                       QString::number(rs.at(r, 3).toDouble()));
        return out.join(u' ');
    }
    double isOver(qint64 bill) {
        return number(u"SELECT isOver FROM djIndex WHERE id = %1"_s.arg(bill));
    }
};

TEST_F(DistributionE2E, RequestDeliveryAcceptanceThenReversalInTheHistory) {
    // The request: the shop asks the main warehouse for 6 screws and 3 gears.
    TfrmGoodsBill* request = openFromMenu(4501);
    ASSERT_NE(nullptr, request) << messages().toStdString();
    EXPECT_EQ(u"配送仓库|申请仓库"_s, request->headerField(u"edfhck"_s)->caption + u'|' +
                                          request->headerField(u"edshck"_s)->caption);
    EXPECT_FALSE(request->btnOrder()->isVisible());
    chooseIn(request, u"edfhck"_s, u"CK1"_s);
    chooseIn(request, u"edshck"_s, u"CK2"_s);
    typeLines(request, {{u"SP101"_s, u"6"_s}, {u"SP102"_s, u"3"_s}});
    test::walkStep(u"request"_s);
    const qint64 requested = postByKey(request);
    ASSERT_GT(requested, 0) << messages().toStdString();
    EXPECT_EQ(u"301:101 10/60 301:102 4/10"_s, stock());  // a request moves nothing

    // The delivery picks the open request of its warehouse and takes over the shop; 6 screws go
    // at 6 (36) and 3 gears at 2.5 (7.5).
    TfrmGoodsBill* delivery = openFromMenu(4502);
    ASSERT_NE(nullptr, delivery);
    EXPECT_EQ(u"配送申请单"_s, delivery->btnOrder()->text());
    script.clearRecords();
    QTest::mouseClick(delivery->btnOrder(), Qt::LeftButton);
    EXPECT_EQ(u"请先选择配送仓库"_s, messages());
    chooseIn(delivery, u"edfhck"_s, u"CK1"_s);
    pickSource(delivery);
    EXPECT_EQ(302, delivery->headerId(u"edshck"_s));
    ASSERT_EQ(2, delivery->goodsRows().size());
    EXPECT_EQ(u"6|"_s + QString::number(requested),
              delivery->cell(0, u"qty"_s) + u'|' + delivery->cell(0, u"s_id"_s));
    script.clearRecords();
    const qint64 delivered = postByKey(delivery);
    ASSERT_GT(delivered, 0) << messages().toStdString();
    const QString moved = u"301:101 4/24 301:102 1/2.5 302:101 6/36 302:102 3/7.5"_s;
    EXPECT_EQ(moved, stock());
    EXPECT_EQ(1, isOver(requested));

    // The acceptance picks the delivery at the shop and completes it.
    TfrmGoodsBill* acceptance = openFromMenu(4503);
    ASSERT_NE(nullptr, acceptance);
    chooseIn(acceptance, u"edshck"_s, u"CK2"_s);
    pickSource(acceptance);
    EXPECT_EQ(301, acceptance->headerId(u"edfhck"_s));
    const qint64 accepted = postByKey(acceptance);
    ASSERT_GT(accepted, 0) << messages().toStdString();
    EXPECT_EQ(moved, stock());
    EXPECT_EQ(1, isOver(delivered));
    TfrmGoodsBill* shown = reopen(63, accepted);
    ASSERT_NE(nullptr, shown);
    EXPECT_TRUE(shown->isReadOnly());
    EXPECT_EQ(u"101"_s, shown->cell(0, u"goodsid"_s));

    // The history refuses the accepted delivery; the acceptance reversed, the delivery follows
    // and the goods are back in the main warehouse.
    historyAt(delivered);
    script.clearRecords();
    pressKey(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(u"配送单 已经完成验收不能红冲！"_s, messages());
    for (qint64 bill : {accepted, delivered}) {
        historyAt(bill);
        script.answer(u"确定(&O)"_s, history::text::confirmRed());
        script.clearRecords();
        pressKey(Qt::Key_R, Qt::ControlModifier);
        EXPECT_EQ(history::text::redDone(), messages());
    }
    EXPECT_EQ(u"301:101 10/60 301:102 4/10"_s, stock());
    EXPECT_EQ(0, isOver(requested));

    // "配送申请查询" lists the request and nothing else.
    main->functions().OpenFunction(4504);
    auto* list = qobject_cast<TfrmQueryWindow*>(main->childWindows().last());
    ASSERT_NE(nullptr, list);
    const auto savedRunner = TfrmQueryWindow::dialogRunner();
    TfrmQueryWindow::dialogRunner() = [](TfrmSelectItems&) { return true; };
    QTest::mouseClick(list->toolBar()->widgetForAction(list->btnQuery()), Qt::LeftButton);
    TfrmQueryWindow::dialogRunner() = savedRunner;
    ASSERT_EQ(1, list->records().rowCount()) << messages().toStdString();
    EXPECT_EQ(requested, list->records().at(0, list->records().fieldIndex(u"id"_s)).toLongLong());
}

TEST_F(DistributionE2E, GiftContractIsKeptAsADraftReopenedAndPosted) {
    TfrmGoodsBill* contract = openFromMenu(4401);
    ASSERT_NE(nullptr, contract) << messages().toStdString();
    EXPECT_EQ(u"受赠单位"_s, contract->headerField(u"eddw"_s)->caption);
    chooseIn(contract, u"eddw"_s, u"K1"_s);
    typeLines(contract, {{u"SP101"_s, u"3"_s}});
    const QPointer<TfrmGoodsBill> entered(contract);
    script.clearRecords();
    const qint64 draft = save(contract, contract->btnBillSaveToDraft());
    ASSERT_GT(draft, 0) << messages().toStdString();
    EXPECT_EQ(u"保存成功！"_s, messages());
    EXPECT_TRUE(test::waitUntil([&] { return entered.isNull(); }));
    TfrmGoodsBill* again = reopen(71, draft);
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(int(kBillDraft), again->billState());
    EXPECT_EQ(201, again->headerId(u"eddw"_s));
    EXPECT_EQ(u"3"_s, again->cell(0, u"qty"_s));
    const qint64 id = postByKey(again);
    ASSERT_GT(id, 0) << messages().toStdString();
    EXPECT_EQ(u"301:101 10/60 301:102 4/10"_s, stock());  // promised gifts move nothing
    TfrmGoodsBill* shown = reopen(71, id);
    ASSERT_NE(nullptr, shown);
    EXPECT_EQ(int(kBillPosted), shown->billState());
    EXPECT_TRUE(shown->isReadOnly());
    // --list-functions counts the four kinds as built.
    QStringList built;
    for (const QString& line : functionListing()) {
        if (QStringList{u"4401"_s, u"4501"_s, u"4502"_s, u"4503"_s}.contains(
                line.section(u'\t', 0, 0)))
            built << line.section(u'\t', 0, 0) + u' ' + line.section(u'\t', 2, 2);
    }
    EXPECT_EQ(u"4401 built|4501 built|4502 built|4503 built"_s, built.join(u'|'));
}

}  // namespace
}  // namespace dyt::client
