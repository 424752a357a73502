// The bill-kind table, the bill opener and the bill window base: opening, saving, the close
// prompt; against the recording transport.
// The bill number and the numbering dialog with its texts, against the recording transport.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <set>

#include "billframe_support.h"
#include "client/bills/billkinds.h"
#include "client/bills/frmbillabstract.h"
#include "client/common/windowregistry.h"
#include "client/logic/billnumber.h"
#include "client/logic/clientconfig.h"
#include "client/logic/settings.h"
#include "client/shell/functions.h"
#include "client/system/frmbillnoset.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "login_support.h"
#include "printengine/printengine.h"
#include "protocol/protocol.h"
#include "support/testutil.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;
using namespace dyt;
using namespace dyt::client;
using dyt::test::DmFixture;

namespace dyt::client {
namespace {

using TestBill = test::EnquiryBill;
using test::kEnquiry;

// --- the bill-kind table

TEST(BillKinds, NumbersAndMenuTagsAreUniqueAuditStepsComeFromSysDjbABadStepCountChangesNothing) {
    resetBillKinds();
    std::set<int> types, tags;
    for (const BillKind& k : billKinds()) {
        EXPECT_TRUE(types.insert(k.djType).second) << k.djType;
        if (k.menuTag > 0) {
            EXPECT_TRUE(tags.insert(k.menuTag).second) << k.menuTag;
            ASSERT_NE(nullptr, findBillKindByMenuTag(k.menuTag));
            EXPECT_EQ(k.djType, findBillKindByMenuTag(k.menuTag)->djType);
        }
    }
    EXPECT_EQ(nullptr, findBillKindByMenuTag(0));
    EXPECT_EQ(nullptr, findBillKindByMenuTag(12345));
    for (int type : {0, 52})
        EXPECT_EQ(nullptr, findBillKind(type)) << type;
    ASSERT_NE(nullptr, findBillKind(42));
    EXPECT_EQ(u"TfrmBillPDD"_s, findBillKind(42)->className);
    // The audit steps come from sysdjb.
    const RecordSet rows = test::textRows(
        {u"id"_s, u"inputnum"_s, u"inputName1"_s, u"inputName2"_s, u"inputid2"_s, u"inputid3"_s},
        {{u"5"_s, u"3"_s, u"制单"_s, u"主管"_s, u"(0,1,7,0)"_s, u"(0,17,0)"_s},
         {u"999"_s, u"2"_s, u""_s, u""_s, u""_s, u""_s}});
    refreshBillKinds(rows);
    const BillKind* jhd = findBillKind(5);
    ASSERT_NE(nullptr, jhd);
    EXPECT_EQ(3, jhd->inputNum);
    EXPECT_EQ(u"制单"_s, jhd->inputName(1));
    EXPECT_EQ(u"主管"_s, jhd->inputName(2));
    EXPECT_EQ(u"审查人三"_s, jhd->inputName(3));  // no name in the row keeps the default
    struct Case {
        int step;
        qint64 op;
        bool may;
    } cases[] = {{2, 7, true},  {2, 1, true},  {2, 17, false}, {3, 17, true},
                 {3, 7, false}, {4, 7, false}, {1, 7, false}};
    for (const Case& c : cases)
        EXPECT_EQ(c.may, jhd->mayAudit(c.step, c.op)) << c.step << "/" << c.op;
    EXPECT_EQ(1, findBillKind(1)->inputNum);
    const RecordSet bad =
        test::textRows({u"id"_s, u"inputnum"_s}, {{u"1"_s, u"2"_s}, {u"5"_s, u"9"_s}});
    EXPECT_THROW(refreshBillKinds(bad), DytError);
    EXPECT_EQ(1, findBillKind(1)->inputNum);  // nothing half-written
    EXPECT_EQ(3, findBillKind(5)->inputNum);
    resetBillKinds();
    EXPECT_EQ(1, findBillKind(5)->inputNum);
}

// --- the bill window against the recording transport

// Money at one place and three empty rows in a new bill.
class BillFrame : public test::BillFixture {
protected:
    void SetUp() override {
        BillFixture::SetUp();
        settings().TotalDot = 1;
        settings().DefaultBillRows = 3;
    }
    std::unique_ptr<TestBill> newBill() {
        auto bill = std::make_unique<TestBill>();
        bill->OpenBill(kEnquiry, 0, false);
        return bill;
    }
    QList<RecordedCall> serviceCalls() const { return callsOf(u"ExecService"_s); }
    void answerSave(int billId) {
        transport->respond(u"ExecService"_s, 0, {QString(), billId, QString()});
    }
    void answerOpen(const RecordSet& header, const RecordSet& lines) {
        answerProcQuery(header);
        answerProcQuery(lines);
    }
};
TEST_F(BillFrame,
       TheLinesPacketDropsRowsWithTheFirstFourColumnsEmptyADraftSaveSendsHeaderPacketsAndTotal) {
    auto bill = newBill();
    bill->setLine(0, {{u"goodsid"_s, u"101"_s},
                      {u"goodsCode"_s, u"SP101"_s},
                      {u"qty"_s, u"2"_s},
                      {u"comment"_s, u"第一行\n第二行"_s}});
    bill->setLine(1, {{u"qty"_s, u"5"_s}});  // the first four empty: dropped
    bill->setLine(2, {{u"goodsname"_s, u"手写商品"_s}, {u"taxTotalSum"_s, u"2.5"_s}});
    bill->setLine(3, {{u"orderid"_s, u"   "_s}});  // blanks count as empty
    const RecordSet packet = bill->buildLinesPacket();
    EXPECT_EQ(u"goodsid,orderid,goodsCode,goodsname,qty,taxTotalSum,comment"_s,
              test::fieldNames(packet).join(u','));
    for (int i = 0; i < packet.fieldCount(); ++i) {
        EXPECT_EQ(FieldType::Text, packet.fields().at(i).type);
        EXPECT_EQ(8000, packet.fields().at(i).size);
    }
    ASSERT_EQ(2, packet.rowCount());
    EXPECT_EQ(u"手写商品"_s, packet.at(1, 3).toString());
    // The line note travels without a raw line break and decodes back.
    const QString note = packet.at(0, 6).toString();
    EXPECT_FALSE(note.contains(QLatin1Char('\n')));
    EXPECT_EQ(u"第一行\n第二行"_s, decodeLineBreaks(note));
    // A draft save sends the header, the lines and accounts packets and the total.
    bill = newBill();
    bill->edBillCode()->setText(u"XJ-001"_s);
    bill->edBillDate()->setDate(QDate(2025, 3, 4));
    bill->edComment()->setText(u"  送货上门\n周末  "_s);
    bill->setHeaderValue(u"wldw_id"_s, u"201"_s);
    bill->setLine(0, {{u"goodsid"_s, u"101"_s}, {u"taxTotalSum"_s, u"10.25"_s}});
    bill->setLine(1, {{u"goodsid"_s, u"102"_s}, {u"taxTotalSum"_s, u"2.5"_s}});
    answerSave(55);
    EXPECT_TRUE(bill->saveBill(false));
    const auto calls = serviceCalls();
    ASSERT_EQ(1, calls.size());
    const RecordedCall& c = calls.front();
    EXPECT_EQ(u"QMXService.SaveToDraft"_s, c.procedure + u'.' + c.serviceMethod);
    QStringList sent;
    for (const QString& name : {u"date"_s, u"code"_s, u"wldw_id"_s, u"dj_Caption"_s, u"djType"_s,
                                u"OldBillid"_s, u"czy_id"_s, u"total"_s})
        sent.append(paramOf(c, name));
    // The total 10.25 + 2.5 = 12.75 with one decimal place, half away from zero.
    EXPECT_EQ((QStringList{u"2025-03-04"_s, u"XJ-001"_s, u"201"_s, u"询价单"_s, u"64"_s, u"0"_s,
                           u"7"_s, u"12.8"_s}),
              sent);
    // Trimmed, and its line break escaped.
    EXPECT_EQ(u"送货上门\n周末"_s, decodeLineBreaks(paramOf(c, u"comment"_s)));
    EXPECT_FALSE(paramOf(c, u"comment"_s).contains(QLatin1Char('\n')));
    ASSERT_EQ(6, c.args.size());
    const RecordSet lines = proto::recordSetFromCbor(c.args.at(3));
    EXPECT_EQ(2, lines.rowCount());
    const RecordSet accounts = proto::recordSetFromCbor(c.args.at(4));
    EXPECT_EQ((QStringList{u"km_id"_s, u"type"_s, u"dbtotal"_s, u"Lendtotal"_s}),
              test::fieldNames(accounts));
    EXPECT_TRUE(c.args.at(5).isNull());
    EXPECT_EQ(55, bill->billId());
    EXPECT_EQ(int(kBillDraft), bill->billState());
    EXPECT_EQ(QStringList{u"保存成功！"_s}, script.messages());
}
TEST_F(BillFrame, WithOption2034ASavedBillMakesRoomForANewOne) {
    settings().setSwitch(2034, true);
    auto bill = newBill();
    EXPECT_FALSE(bill->closeAfterSave());
    bill->setLine(0, {{u"goodsid"_s, u"101"_s}});
    bill->edComment()->setText(u"旧说明"_s);
    answerSave(55);
    ASSERT_TRUE(bill->saveBill(true));
    EXPECT_EQ(u"SaveToDB"_s, serviceCalls().value(0).serviceMethod);
    EXPECT_EQ(0, bill->billId());
    EXPECT_EQ(int(kBillNew), bill->billState());
    EXPECT_EQ(QString(), bill->edComment()->text());
    ASSERT_EQ(3, bill->records().rowCount());
    const int goodsCol = bill->records().fieldIndex(u"goodsid"_s);
    for (int row = 0; row < 3; ++row)
        EXPECT_TRUE(bill->records().at(row, goodsCol).isNull()) << row;
}
TEST_F(BillFrame, AnEmptyGridOrAServerRefusalIsShownAndKeepsTheBill) {
    settings().DefaultBillRows = 0;
    auto bill = newBill();
    EXPECT_FALSE(bill->saveBill(false));
    EXPECT_EQ(0, serviceCalls().size());
    ASSERT_EQ(1, script.records().size());
    EXPECT_EQ(u"提示"_s, script.records().at(0).caption);
    EXPECT_EQ(u"无数据"_s, script.records().at(0).text);
    bill->setLine(0, {{u"goodsid"_s, u"101"_s}});
    transport->respond(u"ExecService"_s, 0, {QString(), -1, u"商品不存在"_s});
    EXPECT_FALSE(bill->saveBill(true));
    EXPECT_EQ(u"商品不存在"_s, script.records().last().text);
    EXPECT_EQ(0, bill->billId());
    EXPECT_EQ(u"101"_s, bill->records().at(0, 0).toString());
}
TEST_F(BillFrame, PostingWaitsForEveryAuditStepButADraftDoesNot) {
    refreshBillKinds(test::textRows({u"id"_s, u"inputnum"_s}, {{u"64"_s, u"3"_s}}));
    auto bill = newBill();
    bill->setLine(0, {{u"goodsid"_s, u"101"_s}});
    bill->setHeaderValue(u"inputid2"_s, u"5"_s);
    bill->setHeaderValue(u"inputid3"_s, u"0"_s);
    EXPECT_FALSE(bill->saveBill(true));
    EXPECT_EQ(0, serviceCalls().size());
    EXPECT_EQ(QStringList{u"这张单据采用分级审核，现在还没有审核完，不能过账！"_s},
              script.messages());
    answerSave(60);
    EXPECT_TRUE(bill->saveBill(false));
    EXPECT_EQ(u"SaveToDraft"_s, serviceCalls().value(0).serviceMethod);
    // With step 3 performed the post goes through.
    bill->setHeaderValue(u"inputid3"_s, u"9"_s);
    answerSave(61);
    EXPECT_TRUE(bill->saveBill(true));
    EXPECT_EQ(u"SaveToDB"_s, serviceCalls().value(1).serviceMethod);
}
TEST_F(BillFrame, TheClosePromptOffersBothSavesAndDiscardAndEscapeKeepsTheWindow) {
    struct Case {
        const char* name;
        QString answer;  // empty: escape
        bool closes;
        QString method;  // the save sent, empty for none
    };
    const Case cases[] = {
        {"escape", QString(), false, QString()},
        {"post", u"过账"_s, false, u"SaveToDB"_s},
        {"draft", u"存为草稿"_s, false, u"SaveToDraft"_s},
        {"discard", u"废弃退出(&C)"_s, true, QString()},
    };
    settings().setSwitch(2034, true);  // a save keeps the window
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        transport->clearCalls();
        script.clearRecords();
        auto bill = newBill();
        bill->setLine(0, {{u"goodsid"_s, u"101"_s}});
        bill->setModified(true);
        if (c.answer.isEmpty())
            script.escape(u"请选择对本单据的处理，按《ESC》键放弃本次处理！"_s);
        else
            script.answer(c.answer, u"请选择对本单据的处理，按《ESC》键放弃本次处理！"_s);
        if (!c.method.isEmpty())
            answerSave(70);
        EXPECT_EQ(c.closes, bill->closeQuery());
        const auto questions = script.records(PromptKind::Question);
        ASSERT_EQ(1, questions.size());
        EXPECT_EQ(u"单据提示"_s, questions.at(0).caption);
        EXPECT_EQ((QStringList{u"过账"_s, u"存为草稿"_s, u"废弃退出(&C)"_s}),
                  questions.at(0).buttons);
        const auto calls = serviceCalls();
        if (c.method.isEmpty()) {
            EXPECT_EQ(0, calls.size());
        } else {
            ASSERT_EQ(1, calls.size());
            EXPECT_EQ(c.method, calls.at(0).serviceMethod);
        }
    }
}
TEST_F(BillFrame, TheClosePromptOffersOnlyTheAvailableSavesAndNotForAnUnchangedBill) {
    auto bill = newBill();
    EXPECT_TRUE(bill->closeQuery());  // not modified: no question
    EXPECT_EQ(0, script.records().size());
    bill->setModified(true);
    bill->btnBillSave()->setVisible(false);
    script.answer(u"废弃退出(&C)"_s);
    EXPECT_TRUE(bill->closeQuery());
    ASSERT_EQ(1, script.records().size());
    EXPECT_EQ((QStringList{u"存为草稿"_s, u"废弃退出(&C)"_s}), script.records().at(0).buttons);
    bill->btnBillSaveToDraft()->setEnabled(false);
    EXPECT_TRUE(bill->closeQuery());  // no save available: no question
    EXPECT_EQ(1, script.records().size());
}
const QStringList kHeaderFields = {u"id"_s,       u"djType"_s,   u"code"_s,      u"date"_s,
                                   u"dj_state"_s, u"isred"_s,    u"isredword"_s, u"rec_id"_s,
                                   u"rec_Name"_s, u"inputid2"_s, u"comment"_s};

TEST_F(BillFrame, OpeningAPostedBillAsksForItAndMakesTheWindowReadOnly) {
    const RecordSet header =
        test::textRows(kHeaderFields, {{u"88"_s, u"64"_s, u"XJ-088"_s, u"2025-02-01"_s, u"2"_s,
                                        u"1"_s, u"0"_s, u"7"_s, u"王五"_s, u"0"_s, u"备注"_s}});
    const RecordSet lines =
        test::textRows({u"goodsid"_s, u"orderid"_s, u"goodsCode"_s, u"goodsname"_s},
                       {{u"101"_s, u"1"_s, u"SP101"_s, u"商品101"_s}});
    answerOpen(header, lines);
    TestBill bill;
    bill.OpenBill(kEnquiry, 88, true);
    const QList<RecordedCall> procs = callsOf(u"ExecProcQuery"_s);
    ASSERT_EQ(2, procs.size());
    EXPECT_EQ(test::clientValuesText(u"P_JXC_DJ_GetDJIndex"_s, u"88"_s, u";czy_id=7;candel=0"_s,
                                     u"P_JXC_DJ_GetDJList"_s, u"88"_s, int(kBillPosted), 88, true,
                                     true, true),
              test::clientValuesText(procs.at(0).procedure, paramOf(procs.at(0), u"id"_s),
                                     paramOf(procs.at(0), u"zyStr"_s), procs.at(1).procedure,
                                     paramOf(procs.at(1), u"id"_s), bill.billState(), bill.billId(),
                                     bill.quietClose(), bill.closeAfterSave(), bill.isReadOnly()));
    for (QAction* save : {bill.btnBillSave(), bill.btnBillSaveToDraft(), bill.btnSavePrint()})
        EXPECT_FALSE(save->isEnabled()) << save->text().toStdString();
    EXPECT_EQ(QDate(2025, 2, 1), bill.edBillDate()->date());
    EXPECT_EQ((QStringList{u"XJ-088"_s, u"备注"_s, u"王五"_s}),
              (QStringList{bill.edBillCode()->text(), bill.edComment()->text(),
                           bill.lbRecName()->text()}));
    EXPECT_FALSE(bill.shpFlag()->isHidden());
    EXPECT_EQ(u"已红冲"_s, bill.lblFlag()->text());
    EXPECT_FALSE(bill.isRedStyle());
    // One line from the server, two empty ones up to the minimum of three.
    EXPECT_EQ(3, bill.records().rowCount());
    EXPECT_EQ(u"101"_s, bill.records().at(0, 0).toString());
    EXPECT_FALSE(bill.isModified());
    // Nothing to save: closing asks nothing.
    bill.setModified(true);
    EXPECT_TRUE(bill.closeQuery());
    EXPECT_EQ(0, script.records().size());
}
TEST_F(BillFrame, ADraftIsReadOnlyWhenAnotherOperatorMadeItOrAStepIsDoneAndABillThatIsGoneFails) {
    struct Case {
        const char* name;
        QString recId, inputid2, isredword;
        bool editOthers, readOnly;
    };
    const Case cases[] = {
        {"own draft", u"7"_s, u"0"_s, u"0"_s, false, false},
        {"other's draft", u"3"_s, u"0"_s, u"0"_s, false, true},
        {"other's draft, editing allowed", u"3"_s, u"0"_s, u"0"_s, true, false},
        {"own draft, editing allowed", u"7"_s, u"0"_s, u"0"_s, true, false},
        {"audited own draft", u"7"_s, u"4"_s, u"0"_s, false, true},
        {"red reversal draft", u"7"_s, u"0"_s, u"1"_s, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answerOpen(test::textRows(kHeaderFields,
                                  {{u"90"_s, u"64"_s, u"XJ-090"_s, u"2025-02-01"_s, u"1"_s, u"0"_s,
                                    c.isredword, c.recId, u"某人"_s, c.inputid2, QString()}}),
                   test::textRows({u"goodsid"_s}, {}));
        TestBill bill;
        settings().setSwitch(2007, c.editOthers);  // "允许修改他人的草稿"
        bill.OpenBill(kEnquiry, 90, false);
        EXPECT_EQ(c.editOthers, bill.editOthersDrafts);
        EXPECT_EQ(int(kBillDraft), bill.billState());
        EXPECT_EQ(c.readOnly, bill.isReadOnly());
        EXPECT_EQ(!c.readOnly, bill.edComment()->isEnabled());
        EXPECT_TRUE(bill.btnBillSave()->isEnabled());
        const bool red = c.isredword == u"1"_s;
        EXPECT_EQ(red, bill.isRedStyle());
        EXPECT_EQ(red ? u"红字单据"_s : u"<hidden>"_s,
                  bill.shpFlag()->isHidden() ? u"<hidden>"_s : bill.lblFlag()->text());
    }
    // Opening a bill that is gone fails.
    answerOpen(test::textRows(kHeaderFields, {}), test::textRows({u"goodsid"_s}, {}));
    TestBill bill;
    EXPECT_EQ(u"你要打开的单据无效,有可能此张订单已被删除或修改！"_s,
              test::errorOf([&] { bill.OpenBill(kEnquiry, 404, false); }));
}
TEST_F(BillFrame, TheOpenerMakesTheKindsWindowWithItsTagAndTheBill) {
    EXPECT_THROW(OpenBill(42, 0), DytError);  // no such kind
    EXPECT_THROW(OpenBill(41, 0), DytError);  // no window of its own
    registerWindowClass(u"TfrmBillXJD"_s, [](QWidget* owner) { return new TestBill(owner); });
    installBillOpener();
    ASSERT_TRUE(billOpener().canOpen);
    EXPECT_TRUE(billOpener().canOpen(kEnquiry));
    EXPECT_FALSE(billOpener().canOpen(41));
    std::unique_ptr<QWidget> window(billOpener().open(kEnquiry, nullptr));
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(2026, window->property(kTagProperty).toInt());
    auto* bill = qobject_cast<TfrmBillAbstract*>(window.get());
    ASSERT_NE(nullptr, bill);
    EXPECT_EQ(kEnquiry, bill->djType());
    // A new bill: the minimum of empty rows, not modified; option 2034 off closes after a save.
    EXPECT_EQ(
        test::clientValuesText(0, int(kBillNew), 3, false, false, true),
        test::clientValuesText(bill->billId(), bill->billState(), bill->records().rowCount(),
                               bill->isModified(), bill->isReadOnly(), bill->closeAfterSave()));
}
TEST_F(BillFrame, AccountDetailsListEachAccountOrSayWhyNot) {
    auto bill = newBill();
    bill->btnkmxqClick();
    EXPECT_EQ(QStringList{u"只有保存后才能查看科目详情！"_s}, script.messages());
    bill->setLine(0, {{u"goodsid"_s, u"101"_s}});
    settings().setSwitch(2034, false);
    answerSave(77);
    ASSERT_TRUE(bill->saveBill(true));
    script.clearRecords();
    transport->clearCalls();
    RecordSet accounts =
        test::textRows({u"km_id"_s, u"total"_s, u"fullname"_s},
                       {{u"8"_s, u"1234.56"_s, u"现金"_s}, {u"9"_s, u"-5"_s, u"银行存款"_s}});
    transport->respond(u"ExecQuery"_s, 0, {proto::recordSetToCbor(accounts), QString()});
    bill->btnkmxqClick();
    // Which rows count, on a real server: LookupE2E. The totals show with the money places
    // (totaldot 1 here).
    EXPECT_EQ(QStringList{u"现金：1,234.6\n银行存款：-5.0"_s}, script.messages());
    script.clearRecords();
    bill->btnkmxqClick();  // the default answer: no rows
    EXPECT_EQ(QStringList{u"无科目详情！"_s}, script.messages());
}
// Printing against a stand-in engine that records the engine values it is handed and reports
// `prints` prints made, as the engine does when a print ends.
class BillPrint : public BillFrame {
protected:
    void SetUp() override {
        BillFrame::SetUp();
        saved_ = TfrmXAbstract::printHandler();
        print::resetPrintValues();
        TfrmXAbstract::printHandler() = [this](QWidget*, int mode, const RecordSet&,
                                               const RecordSet&, const QString&) {
            ++calls;
            seenMode = mode;
            for (const QString& name :
                 {u"PRINT"_s, u"PrintOnlyOnce"_s, u"PRINTNUMSUM"_s, u"PRINTNUM"_s, u"PRINTLIMIT"_s})
                seen[name] = print::printValue(name);
            for (const auto& v : print::printVariables())
                if (v.first == u"打印次数"_s)
                    seenCount = v.second;
            print::setPrintValue(u"PRINTNUM"_s, QString::number(prints));
            return 1;
        };
    }
    void TearDown() override {
        TfrmXAbstract::printHandler() = saved_;
        print::resetPrintValues();
        BillFrame::TearDown();
    }
    // A posted bill 77 whose guard row says: printed so far, allowed, enforced, password.
    std::unique_ptr<TestBill> savedBill(const QString& printed, const QString& allowed,
                                        const QString& check) {
        auto bill = newBill();
        bill->setLine(0, {{u"goodsid"_s, u"101"_s}});
        answerSave(77);
        EXPECT_TRUE(bill->saveBill(true));
        script.clearRecords();
        transport->clearCalls();
        answerQuery(
            test::textRows({u"printnum"_s, u"printNumSum"_s, u"printisCheck"_s, u"printPassword"_s},
                           {{printed, allowed, check, u"abc"_s}}));
        return bill;
    }
    // The calls of the server's print count: procedure, bill, copies and password.
    QStringList printCalls() const {
        QStringList out;
        for (const RecordedCall& c : callsOf(u"ExecProc"_s)) {
            const ParamList p = linesOf(c);
            out << QStringList{c.procedure, p.value(u"id"_s), p.value(u"PrintNum"_s),
                               p.value(u"PrintPassword"_s)}
                       .join(u':');
        }
        return out;
    }
    QStringList seenValues() {
        return {seen[u"PRINT"_s], seen[u"PrintOnlyOnce"_s], seen[u"PRINTNUMSUM"_s],
                seen[u"PRINTNUM"_s], seen[u"PRINTLIMIT"_s]};
    }
    PrintHandler saved_;
    int calls = 0;
    int seenMode = -1;
    int prints = 1;
    QMap<QString, QString> seen;
    QString seenCount;
};
TEST_F(BillPrint, WithOption2010OnlyAPostedBillPrintsAndAnUnenforcedCountAddsThePrintsMade) {
    settings().setSwitch(2010, true);
    newBill()->btnPrintClick();
    EXPECT_EQ(QStringList{u"只有保存过账后才能打印!"_s}, script.messages());
    EXPECT_EQ(0, calls);
    // Posted, an unenforced count prints and adds the prints made.
    auto bill = savedBill(u"2"_s, u"5"_s, u"0"_s);
    prints = 2;
    bill->btnPrintClick();
    ASSERT_EQ(1, calls);
    EXPECT_EQ(int(kPrintPreview), seenMode);
    // PRINT, PrintOnlyOnce, PRINTNUMSUM (5 allowed, 2 made), PRINTNUM, PRINTLIMIT.
    EXPECT_EQ((QStringList{u"NO"_s, u"NO"_s, u"3"_s, u"2"_s, u"YES"_s}), seenValues());
    EXPECT_EQ(u"2"_s, seenCount);
    EXPECT_EQ(QStringList{u"p_sys_Up_DJPrint:77:2:"_s}, printCalls());
    EXPECT_EQ(QStringList(), sqlOf(u"ExecUpdate"_s));
    // Reset afterwards.
    EXPECT_EQ(u"NO|99999|0|YES"_s, test::clientValuesText(print::printValue(u"PrintOnlyOnce"_s),
                                                          print::printValue(u"PRINTNUMSUM"_s),
                                                          print::printValue(u"PRINTNUM"_s),
                                                          print::printValue(u"PRINTLIMIT"_s)));
}
TEST_F(BillPrint, AUsedUpEnforcedCountAsksForThePasswordTheServerJudges) {
    struct Case {
        const char* name;
        QString entered;  // empty: cancelled
        bool prints;
        QString message;  // the server's refusal of the password
        QStringList calls;
    };
    const Case cases[] = {
        {"cancelled", QString(), false, QString(), {}},
        {"wrong", u"abd"_s, false, u"打印密码错误"_s, {u"p_sys_Up_DJPrint:77:0:abd"_s}},
        {"right", u"abc"_s, true, QString(),
         {u"p_sys_Up_DJPrint:77:0:abc"_s, u"p_sys_Up_DJPrint:77:1:abc"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        calls = 0;
        auto bill = savedBill(u"3"_s, u"3"_s, u"1"_s);
        if (c.entered.isEmpty())
            script.cancelInput(u"请输入打印密码"_s);
        else
            script.enter(c.entered, u"请输入打印密码"_s);
        if (!c.message.isEmpty())
            transport->fail(u"ExecProc"_s, c.message);
        bill->btnPrintClick();
        const auto inputs = script.records(PromptKind::Input);
        ASSERT_EQ(1, inputs.size());
        EXPECT_TRUE(inputs.at(0).password);
        EXPECT_EQ(c.prints ? 1 : 0, calls);
        EXPECT_EQ(c.message.isEmpty() ? QStringList() : QStringList{c.message}, script.messages());
        if (c.prints) {
            EXPECT_EQ(u"YES"_s, seen[u"PRINT"_s]);
            EXPECT_EQ(u"NO"_s, seen[u"PRINTLIMIT"_s]);  // the limit is lifted for this print
            EXPECT_EQ(u"0"_s, seen[u"PRINTNUMSUM"_s]);
        }
        EXPECT_EQ(c.calls, printCalls());
        EXPECT_EQ(QStringList(), sqlOf(u"ExecUpdate"_s));
        EXPECT_EQ(u"YES"_s, print::printValue(u"PRINTLIMIT"_s));
    }
}
TEST_F(BillFrame, WithGeneratedNumbersANewBillTakesAFreshNumberBeforeItIsSaved) {
    settings().AutoSN = true;
    settings().setSwitch(2014, true);
    auto answerCounter = [this](int counter) {
        RecordSet rs = test::recordSet(
            {u"SNFormat"_s, u"SNMaxNo:integer"_s, u"BillDate"_s, u"IsPcID:integer"_s},
            {{u"\"XJ\"-[0000]"_s, counter, u"2025-07-08"_s, 0}});
        answerProc(rs);
    };
    answerCounter(1);
    auto bill = newBill();
    EXPECT_EQ(u"XJ-0001"_s, bill->edBillCode()->text());
    EXPECT_FALSE(bill->edBillCode()->isEnabled());  // generated, not typed
    // Another workstation took number 1 meanwhile: the save renumbers first.
    bill->setLine(0, {{u"goodsid"_s, u"101"_s}});
    answerCounter(2);
    answerSave(80);
    ASSERT_TRUE(bill->saveBill(false));
    QStringList order;
    for (const RecordedCall& c : transport->calls())
        if (c.method == u"ExecProcQuery"_s || c.method == u"ExecService"_s)
            order.append(c.procedure);
    EXPECT_EQ(
        (QStringList{u"p_sys_Get_BillAutoCode"_s, u"p_sys_Get_BillAutoCode"_s, u"QMXService"_s}),
        order);
    EXPECT_EQ(u"XJ-0002"_s, paramOf(serviceCalls().value(0), u"code"_s));
}

}  // namespace
}  // namespace dyt::client

namespace {

const QString kJH = u"\"JH\""_s;

RecordSet sysDataRows(const QList<int>& values) {
    RecordSet rs = test::recordSet({u"id:integer"_s, u"sysValue"_s});
    qint64 id = 208042000;
    for (int v : values)
        rs.appendRow({id++, QString::number(v)});
    return rs;
}
RecordSet kindRows() {
    return test::recordSet({u"id:integer"_s, u"fullname"_s},
                           {{qint64(1), u"进货单"_s}, {qint64(4), u"销售单"_s}});
}
RecordSet formatRow(const QString& numHead, const QString& format) {
    return test::recordSet({u"NumHead"_s, u"SNFormat"_s}, {{numHead, format}});
}

}  // namespace

TEST(BillNoSetTexts, SettingsRowsFillTheSwitchAndTheRulesInIdOrderEachPresetsSampleIsItsExample) {
    struct Row {
        const char* name;
        QList<int> values;
        bool autoSN;
        int r1, r2, r3;
        bool r4;
    };
    const Row rows[] = {
        {"all off", {0, 0, 0, 0, 0}, false, 0, 0, 0, false},
        {"all set", {1, 1, 2, 2, 1}, true, 1, 2, 2, true},
        {"mixed", {1, 0, 1, 1, 0}, true, 0, 1, 1, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        RecordSet rs = sysDataRows(r.values);
        billnoset::Settings s;
        s.load(rs);
        EXPECT_EQ((QList<int>{r.autoSN, r.r1, r.r2, r.r3, r.r4}),
                  (QList<int>{s.autoSN, s.rule1, s.rule2, s.rule3, s.rule4}));
    }
    RecordSet bad;
    bad.addField(u"id"_s, FieldType::Integer);
    billnoset::Settings s;
    EXPECT_THROW(s.load(bad), DytError);
    // The name of each preset shows the number it gives for 2008-01-01 with counter 1.
    const QStringList names = billnoset::presetNames();
    ASSERT_EQ(billnoset::kPresets, names.size());
    for (int i = 0; i < billnoset::kPresets; ++i) {
        SCOPED_TRACE(i);
        const QString example = names.at(i).split(QLatin1Char(' '), Qt::SkipEmptyParts).last();
        const QString machine = billnoset::presetSetsMachinePrefix(i) ? u"PC9"_s : QString();
        const QString format = billnoset::composeFormat(billnoset::presetPieces(i, kJH), machine);
        EXPECT_EQ(example, billnoset::sampleNumber(format, QDate(2008, 1, 1)));
    }
    EXPECT_THROW(billnoset::presetPieces(5, kJH), DytError);
}
TEST(BillNoSetTexts, FormatWithAQuotedConstantAndACounterMaskAQuoteDoubledInTheSavedTexts) {
    const QStringList pieces{kJH,     u"-"_s,    u"yyyy"_s, u"mm"_s,
                             u"dd"_s, QString(), u"-"_s,    u"[0000]"_s};
    const QString format = billnoset::composeFormat(pieces, QString());
    // Empty pieces leave no empty line.
    EXPECT_EQ(u"\"JH\"\r-\ryyyy\rmm\rdd\r-\r[0000]"_s, format);
    EXPECT_EQ(u"JH-20240305-0001"_s, billnoset::sampleNumber(format, QDate(2024, 3, 5)));
    const QString withMachine = billnoset::composeFormat(pieces, u"PC9"_s);
    EXPECT_EQ(u"\"PC9\"-\r\"JH\"\r-\ryyyy\rmm\rdd\r-\r[0000]"_s, withMachine);
    EXPECT_EQ(u"PC9-JH-20241231-0001"_s, billnoset::sampleNumber(withMachine, QDate(2024, 12, 31)));
    // Reading a stored format back drops the machine piece and the line ends.
    const QStringList back{kJH, u"-"_s, u"yyyy"_s, u"mm"_s, u"dd"_s, u"-"_s, u"[0000]"_s};
    EXPECT_EQ(back, billnoset::splitFormat(withMachine));
    EXPECT_EQ(back, billnoset::splitFormat(u"\"JH\"\r\n-\r\nyyyy\nmm\ndd\r-\r[0000]"_s));
    // Saving, applying to all kinds and resetting on a real server: ServerEndToEnd. Here: a quote
    // in the format stays inside its SQL text.
    const QString saved =
        billnoset::saveSql(billnoset::Settings(), 4, u"\"J'H\""_s, u"\"J'H\"\ryyyy"_s);
    EXPECT_TRUE(saved.contains(u"comment='\"J''H\"', SNFormat='\"J''H\"\ryyyy' where id=4"_s))
        << saved.toStdString();
    EXPECT_TRUE(
        billnoset::applyToAllSql(4, u"\"J'H\""_s, u"y"_s).contains(u"comment='\"J''H\"'"_s));
}

namespace {
class BillNoSetDialogTest : public test::LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        connectLoggedIn(1);
    }
    // The three reads of the opening: settings, kinds, the first kind's format.
    void answerOpening(const QList<int>& values, const QString& format) {
        answerQuery(sysDataRows(values));
        answerQuery(kindRows());
        answerQuery(formatRow(kJH, format));
    }
};
}  // namespace

TEST_F(BillNoSetDialogTest, OpeningReadsSettingsKindsAndTheFirstKindsFormat) {
    answerOpening({1, 1, 0, 2, 0}, u"\"JH\"\r-\ryyyy\r-\r[0000]"_s);
    registerSystemWindows();  // opened by its class name, as the function table does
    std::unique_ptr<QWidget> w(createWindow(u"TfrmBillNoSet"_s, nullptr));
    ASSERT_NE(nullptr, qobject_cast<TfrmBillNoSet*>(w.get()));
    TfrmBillNoSet& dlg = *qobject_cast<TfrmBillNoSet*>(w.get());
    EXPECT_EQ((QStringList{billnoset::settingsSql(), billnoset::kindsSql(billnoset::defaultKinds()),
                           billnoset::kindSql(1)}),
              sqlOf(u"ExecQuery"_s));
    EXPECT_EQ(
        (QList<int>{1, 1, 0, 2, 0, 2, 1}),
        (QList<int>{dlg.autoBox()->isChecked(), dlg.ruleBox(0)->currentIndex(),
                    dlg.ruleBox(1)->currentIndex(), dlg.ruleBox(2)->currentIndex(),
                    dlg.rule4Box()->isChecked(), int(dlg.kindList()->count()), dlg.currentKind()}));
    EXPECT_EQ((QStringList{kJH, u"[0000]"_s, QString()}),
              (QStringList{dlg.piece(0)->currentText(), dlg.piece(4)->currentText(),
                           dlg.piece(5)->currentText()}));
    EXPECT_FALSE(dlg.modified());
    const QString today = QDate::currentDate().toString(u"yyyy"_s);
    EXPECT_EQ(u"JH-"_s + today + u"-0001"_s, dlg.sampleText());
    EXPECT_TRUE(dlg.findChild<QLabel*>(u"lblSample"_s)->text().endsWith(dlg.sampleText()));
}
TEST_F(BillNoSetDialogTest,
       MachinePrefixNeedsAMachineNumberAndIsStoredLocallyTheCountersResetOnlyWhenConfirmed) {
    answerOpening({1, 1, 0, 0, 0}, u"\"JH\"\r[000]"_s);
    TfrmBillNoSet dlg;
    dlg.applyPreset(4);  // preset five switches rule four on
    EXPECT_TRUE(dlg.rule4Box()->isChecked());
    transport->clearCalls();
    EXPECT_FALSE(dlg.Save());
    EXPECT_EQ(QStringList{u"请输入机器号码"_s}, script.messages());
    EXPECT_EQ(u"提示"_s, script.records().last().caption);
    EXPECT_TRUE(sqlOf(u"ExecUpdate"_s).isEmpty());
    dlg.machineEdit()->setText(u"PC9"_s);
    EXPECT_EQ(u"PC9-JH-"_s + QDate::currentDate().toString(u"yyyy-MM-dd"_s) + u"-00001"_s,
              dlg.sampleText());
    EXPECT_TRUE(dlg.Save());
    const QStringList sent = sqlOf(u"ExecUpdate"_s);
    ASSERT_EQ(1, sent.size());
    EXPECT_TRUE(sent.first().contains(QStringLiteral(
        "SNFormat='\"PC9\"-\r\"JH\"\r-\rYYYY\r-\rMM\r-\rDD\r-\r[00000]' where id=1 ")))
        << sent.first().toStdString();
    EXPECT_TRUE(sent.first().contains(u" update sysData set sysValue=1 where id=208042004 "_s));
    EXPECT_EQ(u"PC9"_s, clientConfig().read(u"MachineNo"_s));
    // The counters are reset only after a confirmation.
    transport->clearCalls();
    script.answer(u"放弃"_s, u"是否将系统所有的计数器复位？"_s);
    EXPECT_FALSE(dlg.resetCounters());
    EXPECT_TRUE(sqlOf(u"ExecUpdate"_s).isEmpty());
    EXPECT_EQ(u"系统问题"_s, script.records().last().caption);
}
TEST_F(BillNoSetDialogTest, LeavingAChangedKindAsksAndSavesOrDrops) {
    answerOpening({1, 1, 0, 0, 0}, u"\"JH\"\r[0000]"_s);
    TfrmBillNoSet dlg;
    transport->clearCalls();
    // Unchanged: switching reads the next kind without a question.
    answerQuery(formatRow(u"XS"_s, u"\"XS\"\r[000]"_s));
    dlg.kindList()->setCurrentRow(1);
    EXPECT_EQ(4, dlg.currentKind());
    EXPECT_EQ(u"\"XS\""_s, dlg.piece(0)->currentText());
    EXPECT_TRUE(script.records().isEmpty());
    // Changed and dropped: nothing saved.
    dlg.piece(2)->setCurrentText(u"yyyy"_s);
    script.answer(u"放弃"_s, u"数据已经变化，是否保存修改？"_s);
    answerQuery(formatRow(kJH, u"\"JH\"\r[0000]"_s));
    dlg.kindList()->setCurrentRow(0);
    EXPECT_EQ(1, dlg.currentKind());
    EXPECT_TRUE(sqlOf(u"ExecUpdate"_s).isEmpty());
    // Changed and kept: the save goes out for the kind being left.
    dlg.piece(2)->setCurrentText(u"mm"_s);
    script.answer(u"确定"_s, u"数据已经变化，是否保存修改？"_s);
    answerQuery(formatRow(u"XS"_s, u"\"XS\"\r[000]"_s));
    dlg.kindList()->setCurrentRow(1);
    const QStringList saves = sqlOf(u"ExecUpdate"_s);
    ASSERT_EQ(1, saves.size());
    EXPECT_TRUE(saves.first().contains(u"SNFormat='\"JH\"\r[0000]\rmm' where id=1 "_s))
        << saves.first().toStdString();
    EXPECT_EQ(4, dlg.currentKind());
}
TEST_F(BillNoSetDialogTest, AFailedReadOfTheRulesShowsTheErrorAndSavesNothing) {
    transport->fail(u"ExecQuery"_s, u"连接中断"_s);
    answerQuery(kindRows());
    answerQuery(formatRow(kJH, u"\"JH\"\r[0000]"_s));
    TfrmBillNoSet dlg;
    EXPECT_EQ(QStringList{u"连接中断"_s}, script.messages());
    EXPECT_FALSE(dlg.canSave());
    EXPECT_FALSE(dlg.btnOK()->isEnabled());
    transport->clearCalls();
    EXPECT_FALSE(dlg.Save());
    EXPECT_TRUE(sqlOf(u"ExecUpdate"_s).isEmpty());
}
TEST_F(BillNoSetDialogTest, ClosingWithChangesAsksFirst) {
    answerOpening({1, 1, 0, 0, 0}, u"\"JH\"\r[0000]"_s);
    TfrmBillNoSet dlg;
    dlg.show();
    dlg.piece(2)->setCurrentText(u"-"_s);
    transport->clearCalls();
    // Kept: the save goes out and the window closes.
    script.answer(u"确定"_s, u"数据已经变化，是否保存修改？"_s);
    EXPECT_TRUE(dlg.close());
    const QStringList saves = sqlOf(u"ExecUpdate"_s);
    ASSERT_EQ(1, saves.size());
    EXPECT_TRUE(saves.first().contains(u"SNFormat='\"JH\"\r[0000]\r-' where id=1 "_s))
        << saves.first().toStdString();
    // Unchanged: no question.
    dlg.show();
    script.clearRecords();
    EXPECT_TRUE(dlg.close());
    EXPECT_TRUE(script.records().isEmpty());
    // Dropped: closes without a save.
    dlg.show();
    dlg.piece(1)->setCurrentText(u"/"_s);
    transport->clearCalls();
    script.answer(u"放弃"_s, u"数据已经变化，是否保存修改？"_s);
    EXPECT_TRUE(dlg.close());
    EXPECT_TRUE(sqlOf(u"ExecUpdate"_s).isEmpty());
}

// The bill number: formatting, the machine prefix, the next free number and the calls it makes.
namespace {
billnumber::AutoCode code(const QString& format, qint64 counter, const QDate& date,
                          bool machine = false) {
    billnumber::AutoCode c;
    c.snFormat = format;
    c.maxNo = counter;
    c.billDate = date;
    c.machinePrefix = machine;
    return c;
}
RecordSet autoCodeRow(const QString& format, qint64 counter, const QString& date, int pcId) {
    return test::recordSet(
        {u"SNFormat"_s, u"SNMaxNo:integer"_s, u"BillDate"_s, u"IsPcID:integer"_s},
        {{format, counter, date, pcId}});
}
RecordSet codeRow(const QString& value) {
    return test::recordSet({u"code"_s}, {{value}});
}
TEST(BillNumber, FormatsWithQuotedConstantsDatePatternsTheCounterMaskAndTheMachineNumber) {
    const QDate d(2025, 7, 8);
    const QTime t(14, 5, 9);
    const QString jh = u"\"JH\"-yyyy-[00000]"_s;
    struct Case {
        QString format;
        qint64 counter;
        QString expected;
        bool machinePrefix = false;  // the account set asks for this computer's number
        QString machine = QString();
    };
    const Case cases[] = {
        // JH, a hyphen, year month and day digits, a hyphen, 12 in four digits.
        {u"\"JH\"-yyyymmdd-[0000]"_s, 12, u"JH-20250708-0012"_s},
        // The pieces of the numbering window, one per line.
        {u"\"JH\"\r-\rYYYY\r-\rMM\r-\rDD\r-\r[00000]"_s, 7, u"JH-2025-07-08-00007"_s},
        {u"\"XS\"\r\nyy\r\nmm\r\n[000]"_s, 1234, u"XS25071234"_s},
        // The time of day: hours and minutes.
        {u"\"PS\"hhnn[00]"_s, 3, u"PS140503"_s},
        // Constants in quotes are not read as patterns.
        {u"\"mydd\"[0]"_s, 5, u"mydd5"_s},
        {u"\"年\"yyyy\"年\"[000]"_s, 42, u"年2025年042"_s},
        {QString(), 5, QString()},
        // The machine number leads only when the account set asks for it and there is one.
        {jh, 1, u"PC9-JH-2025-00001"_s, true, u"PC9"_s},
        {jh, 1, u"JH-2025-00001"_s, false, u"PC9"_s},
        {jh, 1, u"JH-2025-00001"_s, true},
        // The numbering window wrote this computer's number into the format already; another
        // computer's number in the format stays, and this one's leads.
        {u"\"PC9\"-"_s + jh, 1, u"PC9-JH-2025-00001"_s, true, u"PC9"_s},
        {u"\"PC9\"-"_s + jh, 1, u"PC3-PC9-JH-2025-00001"_s, true, u"PC3"_s},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, billnumber::composeNumber(
                                  code(c.format, c.counter, d, c.machinePrefix), t, c.machine))
            << c.format.toStdString() << " " << c.machine.toStdString();
    }
}
TEST(BillNumber, TheTrailingDigitRunGrowsByOneAndKeepsOrWidensItsWidth) {
    const QList<QPair<QString, QString>> cases = {
        {u"JH-0099"_s, u"JH-0100"_s},
        {u"JH0999"_s, u"JH1000"_s},
        {u"0009"_s, u"0010"_s},
        {u"JH-2008-01-01-00001"_s, u"JH-2008-01-01-00002"_s},
        {u"999"_s, u"1000"_s},
        {u"A9B"_s, u"A9B1"_s},
        {u"JH-"_s, u"JH-1"_s},
        {QString(), u"1"_s},
        {u"X99999999999999999999"_s, u"X100000000000000000000"_s}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(out, billnumber::incrementTrailingDigits(in)) << in.toStdString();
}
TEST(BillNumber, TheDuplicateQueryQuotesTheNumberAndAnAnswerWithoutARowOrDateIsRefused) {
    EXPECT_EQ(QStringLiteral(
                  " IF EXISTS(SELECT * FROM djIndex AS a WHERE a.dj_state <> 0 AND a.code = "
                  "'JH''01') SELECT max(a.code) as code FROM djIndex AS a WHERE a.dj_state <> 0 "
                  "and code like LEFT('JH''01',3) + '%' ELSE SELECT '    ' as code"),
              billnumber::duplicateCheckSql(u"JH'01"_s));
    RecordSet empty = autoCodeRow(QString(), 0, QString(), 0);
    empty.clearRows();
    EXPECT_EQ(u"取单据编号失败：服务器没有返回编号规则"_s,
              test::errorOf([&] { billnumber::autoCodeFromRow(empty); }));
    EXPECT_EQ(u"取单据编号失败：单据日期[2025-02-30]无效"_s, test::errorOf([&] {
                  billnumber::autoCodeFromRow(autoCodeRow(u"x"_s, 1, u"2025-02-30"_s, 0));
              }));
}
class BillNumberCalls : public test::DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        connectLoggedIn(7);
        options.autoNumbering = true;
        options.timeOfDay = QTime(10, 0);
        options.machineNumber = u"PC2"_s;
    }
    QList<RecordedCall> serverCalls() const {
        QList<RecordedCall> out;
        for (const RecordedCall& c : transport->calls())
            if (c.method != QLatin1String("ConnectionVar"))
                out.append(c);
        return out;
    }
    billnumber::Options options;
};
// The rule row, the duplicate query and what each step sends.
TEST_F(BillNumberCalls, TheRuleRowAndTheDuplicateQueryMakeTheNumberAndARefusalReachesTheCaller) {
    struct Case {
        const char* name;
        bool automatic;
        bool checkDuplicates;
        QString format;
        qint64 counter;
        int pcId;
        QString highest;  // what the duplicate query answers; null: not asked
        QString expected;
    };
    const QString typed = u"手工-1"_s;
    const Case cases[] = {
        {"typed number stays", false, true, QString(), 1, 0, QString(), typed},
        {"machine prefix", true, false, u"\"JH\"-yyyymmdd-[0000]"_s, 12, 1, QString(),
         u"PC2-JH-20250708-0012"_s},
        {"empty format", true, true, QString(), 3, 1, QString(), QString()},
        {"taken", true, true, u"\"JH-\"[0000]"_s, 99, 0, u"JH-0099"_s, u"JH-0100"_s},
        {"the run grows", true, true, u"\"JH\"[000]"_s, 5, 0, u"JH0999"_s, u"JH1000"_s},
        {"free", true, true, u"\"JH-\"[0000]"_s, 7, 0, u"    "_s, u"JH-0007"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        transport->clearCalls();
        options.autoNumbering = c.automatic;
        options.checkDuplicates = c.checkDuplicates;
        if (c.automatic)
            answerProc(autoCodeRow(c.format, c.counter, u"2025-07-08"_s, c.pcId));
        if (!c.highest.isNull())
            answerQuery(codeRow(c.highest));
        EXPECT_EQ(c.expected,
                  billnumber::nextBillNumber(*dm, 5, QDate(2025, 7, 8), typed, options));
        const QList<RecordedCall> calls = serverCalls();
        ASSERT_EQ(!c.automatic ? 0 : c.highest.isNull() ? 1 : 2, calls.size());
        if (calls.isEmpty())
            continue;
        EXPECT_EQ(u"ExecProcQuery p_sys_Get_BillAutoCode"_s,
                  calls[0].method + u' ' + calls[0].procedure);
        const ParamList sent(calls[0].paramLines.join(u"\r\n"_s));
        EXPECT_EQ(u"5 2025-07-08 7"_s, sent.value(u"BillType"_s) + u' ' +
                                           sent.value(u"BillDate"_s) + u' ' +
                                           sent.value(u"czy_id"_s));
        if (calls.size() > 1) {
            EXPECT_EQ(billnumber::duplicateCheckSql(billnumber::composeNumber(
                          code(c.format, c.counter, QDate(2025, 7, 8)), QTime(10, 0), QString())),
                      calls[1].sql);
        }
    }
    // A refusal of the server reaches the caller.
    transport->fail(u"ExecProcQuery"_s, u"单据类型[42]不存在"_s);
    const QString message = test::errorOf(
        [&] { billnumber::nextBillNumber(*dm, 42, QDate(2025, 7, 8), QString(), options); });
    EXPECT_TRUE(message.contains(u"单据类型[42]不存在"_s)) << message.toStdString();
}

}  // namespace
