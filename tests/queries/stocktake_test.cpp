// The stocktake window at the keyboard on the recording transport: counts typed down the column
// become the draft opened in the stocktake bill; the refusals without a warehouse or a count.
#include "client/logic/stocktake.h"
#include "client/queries/frmqkcpd2.h"
#include "querytest_support.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

RecordSet goodsOfWarehouse() {
    return test::recordSet(
        {u"sonnum:integer"_s, u"sp_id:integer"_s, u"sp_spbh"_s, u"sp_spqm"_s, u"stockqty:float"_s},
        {{0, 101, u"SP101"_s, u"螺丝"_s, 40.0},
         {0, 102, u"SP102"_s, u"齿轮"_s, 7.0},
         {0, 103, u"SP103"_s, u"轴承"_s, 0.0}});
}

class StocktakeWindowTest : public test::QueryWindowFixture {};

TEST_F(StocktakeWindowTest, CountsTypedDownTheColumnBecomeTheDraftWhichOpensInTheBill) {
    registerWindowClass(u"TfrmBillPDD"_s, [](QWidget*) { return new QWidget; });
    settings().QtyDot = 2;
    pickerSelector() = [](const QString& kind, const QString&, QWidget*) {
        EXPECT_EQ(u"cangku"_s, kind);
        return std::optional<PickerChoice>(PickerChoice{3, u"总仓"_s});
    };
    TfrmQKCPD2 w;
    w.resize(900, 500);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    // Nothing to make a draft of yet: no warehouse, then no count.
    QTest::mouseClick(w.btnMakeBill(), Qt::LeftButton);
    w.edWarehouse()->setFocus();
    answerRows(goodsOfWarehouse());
    QTest::keyClick(w.edWarehouse(), Qt::Key_Return);
    ASSERT_EQ(3, w.dbgvX()->table()->model()->rowCount());
    EXPECT_EQ(u"P_Base_Get_Goods"_s, procCalls().last().procedure);
    EXPECT_EQ(u"DQKCNEW|;czy_id=7;id=3|;sptype=0;czy_id=7;isList=1"_s,
              test::valuesOf(lastParams(), u"QueryType,ckStr,goodsStr"_s));
    QTest::mouseClick(w.btnMakeBill(), Qt::LeftButton);
    EXPECT_EQ((QStringList{stocktake::text::noWarehouse(), stocktake::text::nothingCounted()}),
              script.messages());
    EXPECT_TRUE(callsOf(u"ExecProc"_s).isEmpty());
    // The cursor waits in the first count: 12, the second goods passed by, 0.5 for the third.
    EXPECT_EQ(w.dbgvX()->table(), QApplication::focusWidget());
    // One key a step: the first key opens the cell's editor, which takes the focus.
    test::perform(&w, w.dbgvX()->table(),
                  {test::typed("1"), test::typed("2"), test::key(Qt::Key_Return),
                   test::key(Qt::Key_Return), test::typed("0"), test::typed("."), test::typed("5"),
                   test::key(Qt::Key_Return)});
    script.clearRecords();
    transport->respondWith(u"ExecProc"_s, [](const QCborArray& args) {
        ParamList out(args.at(1).toString());
        out.setInt(u"id"_s, 88);
        Response r;
        r.result = 0;
        r.outs = {out.text(), qint64(88), QString()};
        return r;
    });
    QTest::mouseClick(w.btnMakeBill(), Qt::LeftButton);
    const QList<RecordedCall> procs = callsOf(u"ExecProc"_s);
    ASSERT_EQ(1, procs.size()) << script.messages().join(u'|').toStdString();
    EXPECT_EQ(u"P_JXC_DJ_PanDianToDraft"_s, procs[0].procedure);
    EXPECT_EQ(u"3|2026-03-31|101:12;103:0.5"_s,
              test::valuesOf(linesOf(procs[0]), u"ckid,Date,Lines"_s));
    EXPECT_EQ(QStringList{stocktake::text::draftMade()}, script.messages());
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ(42, children[0]->property(kBillTypeProperty).toInt());
    EXPECT_EQ(qint64(88), children[0]->property(kBillIdProperty).toLongLong());
}

}  // namespace
}  // namespace dyt::client
