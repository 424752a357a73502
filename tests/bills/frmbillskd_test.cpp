// The receipt and payment bill windows on the recording transport (the re-settlement of posted
// ones against a real server is the keyboard entry's).
#include "bills_support.h"
#include "client/bills/frmbillskd.h"
#include "printengine/printengine.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

using test::cellOf;
using test::textRows;

const QStringList kOpenBillFields = {u"s_id"_s,       u"djType"_s,   u"billCode"_s, u"date"_s,
                                     u"dj_Caption"_s, u"totalSum"_s, u"ye"_s,       u"Total"_s};

// Open bills of 30, −10 and 120 (a sale, a return, a sale).
RecordSet threeOpenBills() {
    return textRows(
        kOpenBillFields,
        {{u"501"_s, u"1"_s, u"XS-1"_s, u"2025-01-02"_s, u"销售单"_s, u"30"_s, u"30"_s, u"0"_s},
         {u"502"_s, u"2"_s, u"XT-1"_s, u"2025-01-03"_s, u"销售退货单"_s, u"-10"_s, u"-10"_s,
          u"0"_s},
         {u"503"_s, u"1"_s, u"XS-2"_s, u"2025-01-04"_s, u"销售单"_s, u"150"_s, u"120"_s, u"0"_s}});
}

class MoneyBill : public test::BillFixture {
protected:
    std::unique_ptr<TfrmBillSKD> newBill(int djType = 21) {
        auto bill = std::make_unique<TfrmBillSKD>(djType);
        bill->OpenBill(djType, 0, false);
        transport->clearCalls();
        return bill;
    }
    // A new bill of the partner 201 whose open bills are `open`.
    std::unique_ptr<TfrmBillSKD> billWithOpenBills(const RecordSet& open, int djType = 21) {
        auto bill = newBill(djType);
        answerProcQuery(open);
        bill->setPartner(201, u"客户甲"_s);
        return bill;
    }
    // The field under the grid's cursor, and its row.
    static QString cursorAt(TfrmBillSKD& bill) {
        const QModelIndex i = bill.dbgvX()->table()->currentIndex();
        return bill.gridDefinition().columns.at(i.column()).fieldName + u' ' +
               QString::number(i.row());
    }
    static void setCell(RecordSet& rs, int row, const QString& field, const QVariant& v) {
        rs.setAt(row, rs.fieldIndex(field), v);
    }
    // Two accounts of 60 and 40 received.
    static void twoAccounts(TfrmBillSKD& bill) {
        bill.setAccount(0, 1001, u"1001"_s, u"现金"_s);
        bill.setAccount(1, 1002, u"1002"_s, u"银行存款"_s);
        setCell(bill.records(), 0, u"total"_s, u"60"_s);
        setCell(bill.records(), 1, u"total"_s, u"40"_s);
        bill.recompute();
    }
};

TEST_F(MoneyBill, BothClassesAreRegisteredAndOpenTheirKind) {
    registerBillWindows();
    installBillOpener();
    for (const int djType : {21, 22}) {
        std::unique_ptr<QWidget> w(OpenBill(djType, 0));
        auto* bill = qobject_cast<TfrmBillSKD*>(w.get());
        ASSERT_NE(nullptr, bill) << djType;
        EXPECT_EQ(djType, bill->djType());
        EXPECT_EQ(djType, bill->kind().djType);
    }
    EXPECT_THROW(TfrmBillSKD(5), DytError);
    // A receipt window does not open a payment.
    TfrmBillSKD receipt(21);
    EXPECT_THROW(receipt.OpenBill(22, 0, false), DytError);
}

TEST_F(MoneyBill, ChoosingThePartnerLoadsItsOpenBillsUnlessSettlingByAmount) {
    auto bill = billWithOpenBills(threeOpenBills());
    const auto procs = callsOf(u"ExecProcQuery"_s);
    ASSERT_EQ(1, procs.size());
    const RecordedCall& c = procs.front();
    EXPECT_EQ(u"P_JXC_DJ_GetDJList"_s, c.procedure);
    EXPECT_EQ(u"WSKDJ|;id=201;czy_id=7|1988-01-01|2030-01-01|0|21"_s,
              paramsOf(c, u"QueryType,wldwStr,BeginDate,EndDate,id,djType"_s));
    EXPECT_EQ(u"201|客户甲"_s, bill->headerValue(u"wldw_id"_s) + u'|' + bill->eddw()->text());
    ASSERT_EQ(3, bill->billRows().rowCount());
    EXPECT_EQ(u"XT-1|-10"_s, test::rowOf(bill->billRows(), 1, u"billCode,ye"_s));
    EXPECT_FALSE(bill->gbBills()->isHidden());
    // The payment bill asks for the purchase side.
    auto payment = billWithOpenBills(RecordSet(), 22);
    EXPECT_EQ(u"22"_s, paramOf(callsOf(u"ExecProcQuery"_s).value(0), u"djType"_s));
    // With its right the partner's balance is shown.
    settings().setRight(6005, true);
    auto shown = newBill();
    answerQuery(textRows({u"ystotal"_s, u"yftotal"_s, u"yushoutotal"_s, u"yufutotal"_s},
                         {{u"140"_s, u"-140"_s, u"0"_s, u"0"_s}}));
    answerProcQuery(threeOpenBills());
    shown->setPartner(201, u"甲客户"_s);
    EXPECT_EQ(u"应收款：140.00"_s, shown->lbBalance()->text());
    settings().setRight(6005, false);
    // Settling by amount neither loads nor shows bills.
    settings().SettlementMode = 1;
    auto byAmount = newBill();
    byAmount->setPartner(201, u"客户甲"_s);
    EXPECT_EQ(0, callsOf(u"ExecProcQuery"_s).size());
    EXPECT_TRUE(byAmount->gbBills()->isHidden());
    EXPECT_EQ(0, byAmount->billRows().rowCount());
}

TEST_F(MoneyBill, TheButtonsOpenTheRecordSelectionOfTheirKind) {
    struct Case { int djType; QString accountKind; } cases[] = {{21, u"skkm"_s}, {22, u"fkkm"_s}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.djType);
        auto bill = newBill(c.djType);
        QStringList asked;
        bill->selector = [&](const QString& kind, const QString&) -> std::optional<BaseChoice> {
            asked.append(kind);
            if (kind == u"wldw"_s)
                return BaseChoice{203, u"G1"_s, u"供应商"_s};
            if (kind == u"zhiyuan"_s)
                return std::nullopt;  // cancelled
            return BaseChoice{1002, u"1002"_s, u"银行存款"_s};
        };
        answerProcQuery(RecordSet());
        bill->findChild<QToolButton*>(u"btn_wldw_id"_s)->click();
        bill->findChild<QToolButton*>(u"btn_jsr_id"_s)->click();
        // F2 in the account cell of the second row.
        bill->show();
        QTableView* table = bill->dbgvX()->table();
        table->setCurrentIndex(
            bill->model()->index(1, bill->gridDefinition().columnIndex(u"km_Name"_s)));
        QTest::keyClick(table, Qt::Key_F2);
        EXPECT_EQ((QStringList{u"wldw"_s, u"zhiyuan"_s, c.accountKind}), asked);
        EXPECT_EQ(u"total 1"_s, cursorAt(*bill));  // the amount follows
        EXPECT_EQ(u"203|供应商|"_s, bill->headerValue(u"wldw_id"_s) + u'|' + bill->eddw()->text() +
                                      u'|' + bill->headerValue(u"jsr_id"_s));
        EXPECT_EQ(u"1002|银行存款"_s, test::rowOf(bill->records(), 1, u"km_id,km_Name"_s));
        // The last row took an account: an empty row follows for the next one.
        EXPECT_EQ(3, bill->records().rowCount());
        EXPECT_EQ(u"WSKDJ"_s, paramOf(callsOf(u"ExecProcQuery"_s).value(0), u"QueryType"_s));
    }
}

TEST_F(MoneyBill, AnAccountCellTakesATypedCodeOrOpensTheSelection) {
    auto bill = newBill(22);
    bill->show();
    bill->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(bill.get()));
    QStringList asked;
    bill->selector = [&](const QString& kind, const QString& text) -> std::optional<BaseChoice> {
        asked << kind + u":"_s + text;
        return BaseChoice{1002, u"1002"_s, u"银行存款"_s};
    };
    const RecordSet accounts =
        textRows({u"km_id"_s, u"kmcode"_s, u"kmName"_s}, {{u"1001"_s, u"1001"_s, u"现金"_s},
                                                          {u"1002"_s, u"1002"_s, u"银行存款"_s},
                                                          {u"1011"_s, u"10011"_s, u"现金二"_s}});
    QTableView* table = bill->dbgvX()->table();
    const auto accountCell = [&](int row) {
        return table->visualRect(
            bill->model()->index(row, bill->gridDefinition().columnIndex(u"km_Code"_s)));
    };
    const auto typeInto = [&](int row, const QString& text) {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, accountCell(row).center());
        for (const QChar ch : text)  // the first key opens the editor, which takes the rest
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown,
                                QString(ch), Qt::NoModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    };
    struct Case {
        QString typed;
        QString asked;  // the selection opened, empty when none
        QString account;
    } cases[] = {
        {u"1001"_s, QString(), u"1001"_s},     // one account of that code: taken
        {u"100"_s, u"fkkm:100"_s, u"1002"_s},  // several found: picked among them
        {u"现金"_s, QString(), u"1001"_s},     // the full name
    };
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        asked.clear();
        answerQuery(accounts);
        typeInto(row, c.typed);
        EXPECT_EQ(c.asked, asked.join(u','));
        EXPECT_EQ(c.account + u" total "_s + QString::number(row),
                  cellOf(bill->records(), row, u"km_id"_s) + u' ' + cursorAt(*bill));
        ++row;
    }
    // A double-click on an account cell opens the selection with its text.
    asked.clear();
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, accountCell(0).center());
    EXPECT_EQ(QStringList{u"fkkm:1001"_s}, asked);
}

TEST_F(MoneyBill, TheDistributableAmountFollowsAccountsDiscountAndSettledBills) {
    auto bill = billWithOpenBills(threeOpenBills());
    twoAccounts(*bill);
    EXPECT_EQ(u"可分配金额：100.00"_s, bill->lbDistributable()->text());
    bill->edyhje()->setText(u"5"_s);
    bill->recompute();
    EXPECT_EQ(u"可分配金额：105.00"_s, bill->lbDistributable()->text());
    // Settling 30 of the first bill by hand, through the grid.
    RecordSetModel* m = qobject_cast<RecordSetModel*>(bill->dbgvBills()->model());
    ASSERT_NE(nullptr, m);
    const int totalColumn = bill->billsDefinition().columnIndex(u"Total"_s);
    ASSERT_TRUE(m->setData(m->index(0, totalColumn), 30.0));
    EXPECT_EQ(u"预付账款：0.00|可分配金额：75.00"_s,
              test::textsOf(bill->lbAdvance(), bill->lbDistributable()));
    EXPECT_TRUE(bill->isModified());
    // The prepayment switch shows what is left as the advance.
    bill->btnyszkClick();
    EXPECT_EQ(1, bill->prepayment());
    EXPECT_TRUE(bill->btnyszk()->isChecked());
    EXPECT_EQ(u"预付账款：75.00|可分配金额：75.00"_s,
              test::textsOf(bill->lbAdvance(), bill->lbDistributable()));
    bill->btnyszkClick();
    EXPECT_EQ(0, bill->prepayment());
}

TEST_F(MoneyBill, TheChecksBeforeSavingStopWithTheirMessage) {
    // With option 2023 a bill dated other than today asks first; cancelled it stops silently.
    struct Case { const char* name; int djType; bool partner, account; QString message; QDate date; QString answer; };
    const QString noPayer = u"[付款单位]不能为空，请重新输入"_s;
    const QDate other(2024, 5, 6), today = QDate::currentDate();
    const Case cases[] = {
        {"receipt without partner", 21, false, true, noPayer, {}, {}},
        {"payment without partner", 22, false, true, u"[收款单位]不能为空，请重新输入"_s, {}, {}},
        {"receipt without account", 21, true, false, u"必须录入收款账户明细数据！"_s, {}, {}},
        {"payment without account", 22, true, false, u"必须录入付款账户明细数据！"_s, {}, {}},
        {"2023, another date, cancelled", 21, false, false, QString(), other, u"取消(&C)"_s},
        {"2023, another date, continued", 21, false, false, noPayer, other, u"继续(&O)"_s},
        {"2023, today", 21, false, false, noPayer, today, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        script.clearRecords();
        settings().setSwitch(2023, c.date.isValid());
        auto bill = newBill(c.djType);
        if (c.date.isValid())
            bill->edBillDate()->setDate(c.date);
        if (!c.answer.isEmpty())
            script.answer(c.answer, u"制单日期与系统日期不一致，是否继续？"_s);
        if (c.partner) {
            answerProcQuery(RecordSet());
            bill->setPartner(201, u"甲"_s);
        }
        // An amount without an account is no account row.
        if (c.account)
            bill->setAccount(0, 1001, u"1001"_s, u"现金"_s);
        setCell(bill->records(), 0, u"total"_s, u"10"_s);
        EXPECT_FALSE(bill->saveBill(true));
        EXPECT_EQ(c.message.isEmpty() ? QStringList() : QStringList{c.message}, script.messages());
        EXPECT_EQ(c.answer.isEmpty() ? 0 : 1, script.records(PromptKind::Question).size());
        EXPECT_EQ(0, callsOf(u"ExecService"_s).size());
    }
}

TEST_F(MoneyBill, TheDiscountMayNotExceedTheOperatorsCeiling) {
    struct Case { const char* name; QString discount; QString ceiling; bool saves; };
    const Case cases[] = {{"over the ceiling", u"50"_s, u"30"_s, false},
                          {"at the ceiling", u"30"_s, u"30"_s, true},
                          {"no ceiling", u"50"_s, u"0"_s, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        script.clearRecords();
        auto bill = billWithOpenBills(RecordSet());
        twoAccounts(*bill);
        bill->edyhje()->setText(c.discount);
        answerQuery(textRows({u"zy_YouHuiTotalUp"_s}, {{c.ceiling}}));
        if (c.saves)
            transport->respond(u"ExecService"_s, 0, {QString(), 90, QString()});
        EXPECT_EQ(c.saves, bill->saveBill(true));
        const auto queries = callsOf(u"ExecQuery"_s);
        ASSERT_EQ(1, queries.size());
        EXPECT_EQ(u"select YouHuiTotalUp as zy_YouHuiTotalUp from baseZY where id = 7"_s,
                  queries.at(0).sql);
        if (!c.saves) {
            EXPECT_EQ(QStringList{u"优惠金额超出职员最高优惠限额\r\n\r\n请修改优惠金额"_s},
                      script.messages());
            EXPECT_EQ(0, callsOf(u"ExecService"_s).size());
        }
        transport->clearCalls();
    }
}

TEST_F(MoneyBill, PostingSendsTheAccountRowsAndTheSettledBills) {
    auto bill = billWithOpenBills(threeOpenBills());
    bill->edBillCode()->setText(u"SK-001"_s);
    twoAccounts(*bill);
    // 0.004 more on the bank: the total is rounded to two places.
    setCell(bill->records(), 1, u"total"_s, u"40.004"_s);
    bill->edyhje()->setText(u"2"_s);
    bill->btnyszkClick();
    bill->btnzdfpClick();  // 102.004 received → 102 rounded: 30, −10, 82
    transport->clearCalls();
    answerQuery(textRows({u"zy_YouHuiTotalUp"_s}, {{u"0"_s}}));
    transport->respond(u"ExecService"_s, 0, {QString(), 90, QString()});
    ASSERT_TRUE(bill->saveBill(true));
    const auto services = callsOf(u"ExecService"_s);
    ASSERT_EQ(1, services.size());
    const RecordedCall& c = services.front();
    EXPECT_EQ(u"QMXService.SaveToDB"_s, c.procedure + u'.' + c.serviceMethod);
    // The total is 60 + 40.004 at two places.
    EXPECT_EQ(u"收款单|21|0|100.00|1|2|201|SK-001"_s,
              paramsOf(c, u"dj_Caption,djType,OldBillid,total,hhlx,youhuiTotal,wldw_id,code"_s));
    ASSERT_EQ(6, c.args.size());
    const RecordSet accounts = proto::recordSetFromCbor(c.args.at(3));
    ASSERT_EQ(2, accounts.rowCount());  // the empty third row stays home
    EXPECT_EQ(u"1001|60 1002|40.004"_s, test::rowOf(accounts, 0, u"km_id,total"_s) + u' ' +
                                            test::rowOf(accounts, 1, u"km_id,total"_s));
    const RecordSet settled = proto::recordSetFromCbor(c.args.at(4));
    ASSERT_EQ(3, settled.rowCount());
    // 100 + 2 discount = 102: the −10 return makes it 112, 30 fits, 82 is left for 120.
    QStringList got;
    for (int row = 0; row < 3; ++row)
        got << test::rowOf(settled, row, u"s_id,Total"_s);
    EXPECT_EQ((QStringList{u"501|30"_s, u"502|-10"_s, u"503|82"_s}), got);
    EXPECT_TRUE(c.args.at(5).isNull());
    EXPECT_EQ(90, bill->billId());
}

TEST_F(MoneyBill, OnlyBillsWithAnAmountTravelAndSettlingByAmountSendsNull) {
    auto bill = billWithOpenBills(threeOpenBills());
    twoAccounts(*bill);
    setCell(bill->billRows(), 2, u"Total"_s, 25.5);
    RecordSet packet = bill->buildAccountPacket();
    ASSERT_EQ(1, packet.rowCount());
    EXPECT_EQ(u"503|25.5"_s, test::rowOf(packet, 0, u"s_id,Total"_s));
    settings().SettlementMode = 1;
    EXPECT_EQ(0, bill->buildAccountPacket().fieldCount());
    transport->respond(u"ExecService"_s, 0, {QString(), 91, QString()});
    ASSERT_TRUE(bill->saveBill(false));
    const auto services = callsOf(u"ExecService"_s);
    ASSERT_EQ(1, services.size());
    EXPECT_EQ(u"SaveToDraft"_s, services.at(0).serviceMethod);
    EXPECT_TRUE(services.at(0).args.at(4).isNull());
}

const QStringList kHeaderFields = {u"id"_s,          u"djType"_s,  u"code"_s,      u"date"_s,
                                   u"dj_state"_s,    u"isred"_s,   u"isredword"_s, u"rec_id"_s,
                                   u"rec_Name"_s,    u"wldw_id"_s, u"wldw_name"_s, u"hhlx"_s,
                                   u"youhuiTotal"_s, u"comment"_s};

class PostedMoneyBill : public MoneyBill {
protected:
    // Opens the posted bill 88 of partner 201: 100 in cash, 30 settled of bill 501.
    std::unique_ptr<TfrmBillSKD> openPosted(int djType = 21, const QString& hhlx = u"0"_s) {
        answerProcQuery(textRows(
            kHeaderFields,
            {{u"88"_s, QString::number(djType), u"SK-088"_s, u"2025-02-01"_s, u"2"_s, u"0"_s,
              u"0"_s, u"7"_s, u"王五"_s, u"201"_s, u"客户甲"_s, hhlx, u"0"_s, QString()}}));
        answerProcQuery(textRows({u"km_id"_s, u"orderid"_s, u"km_Code"_s, u"km_Name"_s, u"total"_s},
                                 {{u"1001"_s, u"1"_s, u"1001"_s, u"现金"_s, u"100"_s}}));
        answerProcQuery(textRows(kOpenBillFields, {{u"501"_s, u"1"_s, u"XS-1"_s, u"2025-01-02"_s,
                                                    u"销售单"_s, u"30"_s, u"30"_s, u"30"_s}}));
        auto bill = std::make_unique<TfrmBillSKD>(djType);
        bill->OpenBill(djType, 88, false);
        return bill;
    }
};

TEST_F(PostedMoneyBill, OpeningReadsTheAccountRowsAndTheSettledBillsAndACancelledReSettlementChangesNothing) {
    auto bill = openPosted(21, u"1"_s);
    const auto procs = callsOf(u"ExecProcQuery"_s);
    ASSERT_EQ(3, procs.size());
    EXPECT_EQ(u"P_JXC_DJ_GetDJIndex"_s, procs.at(0).procedure);
    EXPECT_EQ(u"P_JXC_DJ_GetDJList|SKD_KM|88"_s,
              procs.at(1).procedure + u'|' + paramsOf(procs.at(1), u"QueryType,id"_s));
    EXPECT_EQ(u"P_JXC_DJ_GetDJList|SKD_DJ|88"_s,
              procs.at(2).procedure + u'|' + paramsOf(procs.at(2), u"QueryType,id"_s));
    EXPECT_EQ(int(kBillPosted), bill->billState());
    EXPECT_EQ(u"客户甲|现金"_s, bill->eddw()->text() + u'|' + cellOf(bill->records(), 0, u"km_Name"_s));
    ASSERT_EQ(1, bill->billRows().rowCount());
    EXPECT_EQ(u"501"_s, cellOf(bill->billRows(), 0, u"s_id"_s));
    EXPECT_EQ(1, bill->prepayment());
    // 100 received, 30 settled.
    EXPECT_EQ(u"可分配金额：70.00"_s, bill->lbDistributable()->text());
    EXPECT_FALSE(bill->btnqzwc()->isHidden());
    EXPECT_EQ(u"重新结算"_s, bill->btnqzwc()->text());
    // Nothing of the header can be chosen again, nor distributed.
    for (const char* name : {"btn_wldw_id", "btn_jsr_id", "btn_dep_id", "btnzdfp", "btnyszk"}) {
        auto* button = bill->findChild<QWidget*>(QLatin1String(name));
        EXPECT_TRUE(button && !button->isEnabled()) << name;
    }
    // Cancelling the re-settlement question changes nothing.
    transport->clearCalls();
    script.answer(u"取消(&C)"_s, u"你确定要重新结算吗？"_s);
    bill->btnqzwcClick();
    for (const char* method : {"ExecUpdate", "ExecProc", "ExecProcQuery"})
        EXPECT_TRUE(callsOf(QString::fromLatin1(method)).isEmpty()) << method;
    EXPECT_FALSE(bill->isResettling());
}

TEST_F(PostedMoneyBill, LeavingDuringAReSettlementAsksWhetherToSaveIt) {
    struct Case { const char* name; QString answer; bool closes, saves; };  // answer empty: escape
    const Case cases[] = {{"yes", u"是(&O)"_s, true, true},
                          {"no", u"否(&C)"_s, true, false},
                          {"escape", QString(), false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bill = openPosted();
        script.answer(u"确定(&O)"_s);
        answerProcQuery(threeOpenBills());
        bill->btnqzwcClick();
        EXPECT_EQ(u"保存结算"_s, bill->btnqzwc()->text());
        setCell(bill->billRows(), 0, u"Total"_s, 30.0);
        transport->clearCalls();
        script.clearRecords();
        if (c.answer.isEmpty())
            script.escape(u"是否保存结算单据？"_s);
        else
            script.answer(c.answer, u"是否保存结算单据？"_s);
        if (c.saves)
            answerProcQuery(RecordSet());
        bill->show();
        EXPECT_EQ(c.closes, bill->close());
        ASSERT_EQ(1, script.records().size());
        EXPECT_EQ((QStringList{u"是(&O)"_s, u"否(&C)"_s}), script.records().at(0).buttons);
        bool inserted = false;
        for (const RecordedCall& call : callsOf(u"ExecProc"_s))
            inserted = inserted || call.procedure == u"P_JXC_InertDJList"_s;
        EXPECT_EQ(c.saves, inserted);
        EXPECT_EQ(!c.closes, bill->isResettling());
    }
}

// Printing with a stand-in engine that keeps the print variables it was handed.
class MoneyBillPrint : public PostedMoneyBill {
protected:
    void SetUp() override {
        PostedMoneyBill::SetUp();
        saved_ = TfrmXAbstract::printHandler();
        print::resetPrintValues();
        print::clearPrintVariables();
        TfrmXAbstract::printHandler() = [this](QWidget*, int, const RecordSet&, const RecordSet&,
                                               const QString&) {
            ++calls;
            for (const auto& v : print::printVariables())
                seen[v.first] = v.second;
            return 1;
        };
    }
    void TearDown() override {
        TfrmXAbstract::printHandler() = saved_;
        print::resetPrintValues();
        print::clearPrintVariables();
        PostedMoneyBill::TearDown();
    }
    PrintHandler saved_;
    int calls = 0;
    QMap<QString, QString> seen;
};

TEST_F(MoneyBillPrint, APostedReceiptPrintsTheDebtBeforeThisBillAndAfterIt) {
    auto bill = openPosted();
    transport->clearCalls();
    // The customer owes 500 now, after this receipt of 100.
    answerQuery(textRows({u"total"_s}, {{u"500"_s}}));
    answerQuery(textRows({u"printnum"_s, u"printNumSum"_s, u"printisCheck"_s, u"printPassword"_s},
                         {{u"0"_s, u"9"_s, u"0"_s, QString()}}));
    bill->btnPrintClick();
    EXPECT_EQ(1, calls);
    const auto queries = callsOf(u"ExecQuery"_s);
    ASSERT_LE(1, queries.size());
    EXPECT_EQ(u"SELECT dbo.fnGetWldwTotal00(201,'2990-01-01') as total"_s, queries.at(0).sql);
    // The header fields travel as variables by their captions.
    EXPECT_EQ(u"600.00|-100.00|500.00|客户甲|0"_s,
              test::valuesOf(seen, u"上次欠款,本次欠款,累计欠款,付款单位,优惠金额"_s));
}

TEST_F(MoneyBillPrint, APaymentCountsWhatWeOweAndAnUnpostedBillOffersToPostFirst) {
    auto payment = openPosted(22);
    transport->clearCalls();
    // Payable 300 more than receivable: the balance function gives −300.
    answerQuery(textRows({u"total"_s}, {{u"-300"_s}}));
    payment->setPrintVariables();
    for (const auto& v : print::printVariables())
        seen[v.first] = v.second;
    EXPECT_EQ(u"400.00|-100.00|300.00"_s, test::valuesOf(seen, u"上次欠款,本次欠款,累计欠款"_s));
    auto bill = newBill();
    script.answer(u"否(&C)"_s, u"只有保存过账后才能打印，是否立即保存过账并打印单据？"_s);
    bill->btnPrintClick();
    EXPECT_EQ(0, calls);
    EXPECT_EQ(0, callsOf(u"ExecService"_s).size());
}

TEST_F(MoneyBillPrint, YesPostsTheBillAndPrintsItBeforeItCloses) {
    auto bill = billWithOpenBills(RecordSet());
    twoAccounts(*bill);
    transport->clearCalls();
    script.answer(u"是(&O)"_s, u"只有保存过账后才能打印，是否立即保存过账并打印单据？"_s);
    transport->respond(u"ExecService"_s, 0, {QString(), 95, QString()});
    bill->btnPrintClick();
    ASSERT_EQ(1, callsOf(u"ExecService"_s).size());
    EXPECT_EQ(u"SaveToDB"_s, callsOf(u"ExecService"_s).at(0).serviceMethod);
    EXPECT_EQ(1, calls);
    // Printed as the posted bill 95: the print guard asks for that bill.
    EXPECT_TRUE((sqlOf(u"ExecQuery"_s).join(u'\n') + u'\n').contains(u"a.id = 95\n"_s));
    EXPECT_EQ(u"-100.00"_s, seen.value(u"本次欠款"_s));
    EXPECT_EQ(QStringList{u"保存成功！"_s}, script.messages());
    // A post that fails its checks prints nothing.
    auto refused = billWithOpenBills(RecordSet());
    script.answer(u"是(&O)"_s);
    refused->btnPrintClick();
    EXPECT_EQ(1, calls);
    EXPECT_EQ(u"必须录入收款账户明细数据！"_s, script.messages().value(1));
    EXPECT_EQ(0, callsOf(u"ExecService"_s).size());
}

}  // namespace
}  // namespace dyt::client
