// The rest of the bill window base on the recording transport: audit, save and print, the line
// note, the look-ups and the header amounts; against a real server the look-ups and the line note.
#include "bills_support.h"
#include "client/bills/frmbilllookup.h"
#include "client/system/frmbillnoset.h"
#include "printengine/printengine.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

using MenuBill = test::EnquiryBill;
using test::kEnquiry;
using test::textRows;

const QStringList kHeader = {u"id"_s,           u"djType"_s,   u"code"_s,         u"date"_s,
                             u"dj_state"_s,     u"rec_id"_s,   u"rec_Name"_s,     u"inputid2"_s,
                             u"inputid2Name"_s, u"inputid3"_s, u"inputid3Name"_s, u"wldw_id"_s,
                             u"youhuiTotal"_s};

class BillMenu : public test::BillFixture {
protected:
    void SetUp() override {
        BillFixture::SetUp();
        loginedUser().UserName = u"李四"_s;
    }
    // Kind 64 with `steps` audit steps; operator 7 may perform steps 2 and 3.
    void setSteps(int steps) {
        refreshBillKinds(textRows(
            {u"id"_s, u"inputnum"_s, u"inputName1"_s, u"inputName2"_s, u"inputid2"_s,
             u"inputid3"_s},
            {{u"64"_s, QString::number(steps), u"制单"_s, u"主管"_s, u"(0,7,0)"_s, u"(0,7,0)"_s}}));
    }
    void answerOpen(const QStringList& header, const RecordSet& lines) {
        answerProcQuery(textRows(kHeader, {header}));
        answerProcQuery(lines);
    }
    // Draft 90 made by `maker`, step 2 done by `step2` (its name), partner 31, discount 1234.5.
    std::unique_ptr<MenuBill> openDraft(const QString& maker, const QString& step2Id,
                                        const QString& step2Name) {
        answerOpen({u"90"_s, u"64"_s, u"XJ-090"_s, u"2025-02-01"_s, u"1"_s, maker, u"王五"_s,
                    step2Id, step2Name, u"0"_s, QString(), u"31"_s, u"1234.5"_s},
                   textRows({u"goodsid"_s, u"orderid"_s, u"goodsname"_s, u"comment"_s},
                            {{u"101"_s, u"501"_s, u"商品101"_s, u"旧摘要"_s}}));
        auto bill = std::make_unique<MenuBill>();
        bill->OpenBill(kEnquiry, 90, false);
        transport->clearCalls();
        return bill;
    }
    std::unique_ptr<MenuBill> newBill() {
        auto bill = std::make_unique<MenuBill>();
        bill->OpenBill(kEnquiry, 0, false);
        transport->clearCalls();
        return bill;
    }
};

TEST_F(BillMenu, AuditControlsShowPerStepCountWithTheStepNamesTheBillsPerformersAndPerformTheStep) {
    for (int steps = 1; steps <= 5; ++steps) {
        SCOPED_TRACE(steps);
        setSteps(steps);
        auto bill = newBill();
        EXPECT_EQ(steps > 1, !bill->panAudit()->isHidden());
        // A new bill has no audit step to perform yet.
        for (int step = 1; step <= 5; ++step) {
            const bool shown = steps > 1 && step <= steps;
            EXPECT_EQ(shown, !bill->edInput(step)->isHidden()) << step;
            EXPECT_EQ(shown, !bill->btnInput(step)->isHidden()) << step;
            EXPECT_FALSE(bill->btnInput(step)->isEnabled()) << step;
        }
        // The steps named by the kind, the maker of a new bill is the operator.
        EXPECT_EQ(u"制单|主管|李四"_s,
                  test::textsOf(bill->lbInput(1), bill->lbInput(2), bill->edInput(1)));
        // Nor does the slot send anything for it.
        EXPECT_TRUE(steps < 2 || bill->btnAuditClick(2));
        EXPECT_EQ(QStringList(), sqlOf(u"ExecUpdate"_s));
    }
    // An opened draft shows its performers; the button performs the step.
    setSteps(3);
    auto bill = openDraft(u"7"_s, u"3"_s, u"张三"_s);
    EXPECT_EQ(u"王五|张三|"_s, test::textsOf(bill->edInput(1), bill->edInput(2), bill->edInput(3)));
    EXPECT_FALSE(bill->btnInput(1)->isEnabled());
    EXPECT_TRUE(bill->btnInput(3)->isEnabled());
    // An audited draft is read-only, the audit buttons still work.
    EXPECT_TRUE(bill->isReadOnly());
    bill->btnInput(3)->click();
    EXPECT_EQ(QStringList{u"Update djindex set inputid3 = 7 where id = 90"_s},
              sqlOf(u"ExecUpdate"_s));
    EXPECT_EQ(u"李四"_s, bill->edInput(3)->text());
    // Performed again, the step is undone.
    transport->clearCalls();
    bill->btnInput(3)->click();
    EXPECT_EQ(QStringList{u"Update djindex set inputid3 = 0 where id = 90"_s},
              sqlOf(u"ExecUpdate"_s));
    EXPECT_EQ(QString(), bill->edInput(3)->text());
    // Step 2 belongs to another operator: refused, the field keeps the name.
    transport->clearCalls();
    bill->btnInput(2)->click();
    EXPECT_EQ(QStringList{u"本级已经被[张三]审核，您不能反审核！"_s}, script.messages());
    EXPECT_EQ(QStringList(), sqlOf(u"ExecUpdate"_s));
    EXPECT_EQ(u"张三"_s, bill->edInput(2)->text());
    // An operator outside the list of a step is refused too.
    refreshBillKinds(textRows({u"id"_s, u"inputnum"_s, u"inputid2"_s, u"inputid3"_s},
                              {{u"64"_s, u"3"_s, u"(0,7,0)"_s, u"(0,9,0)"_s}}));
    script.clearRecords();
    EXPECT_FALSE(openDraft(u"7"_s, u"0"_s, QString())->btnAuditClick(3));
    EXPECT_EQ(QStringList{u"您没有这种单据这一级的审核权限！"_s}, script.messages());
    EXPECT_EQ(QStringList(), sqlOf(u"ExecUpdate"_s));
}

class BillSavePrint : public BillMenu {
protected:
    void SetUp() override {
        BillMenu::SetUp();
        saved_ = TfrmXAbstract::printHandler();
        print::resetPrintValues();
        TfrmXAbstract::printHandler() = [this](QWidget*, int, const RecordSet&,
                                               const RecordSet& detail, const QString&) {
            ++prints;
            printedRows = detail.rowCount();
            // Calls made before the print: the save must come first.
            for (const RecordedCall& c : transport->calls())
                if (c.method.startsWith(u"Exec"_s))
                    callsBeforePrint.append(c.method);
            print::setPrintValue(u"PRINTNUM"_s, u"1"_s);
            return 1;
        };
    }
    void TearDown() override {
        TfrmXAbstract::printHandler() = saved_;
        print::resetPrintValues();
        BillMenu::TearDown();
    }
    PrintHandler saved_;
    int prints = 0;
    int printedRows = -1;
    QStringList callsBeforePrint;
};

TEST_F(BillSavePrint, SavePrintPostsThenPrintsTheSavedBillBeforeMakingRoomForANewOne) {
    settings().setSwitch(2034, true);  // a new bill follows the save
    auto bill = newBill();
    bill->setLine(0, {{u"goodsid"_s, u"101"_s}, {u"goodsname"_s, u"商品101"_s}});
    transport->respond(u"ExecService"_s, 0, {QString(), 77, QString()});
    answerQuery(textRows({u"printnum"_s, u"printNumSum"_s, u"printisCheck"_s, u"printPassword"_s},
                         {{u"0"_s, u"9"_s, u"0"_s, QString()}}));
    bill->btnSavePrint()->trigger();
    const QList<RecordedCall> saves = callsOf(u"ExecService"_s);
    ASSERT_EQ(1, saves.size());
    EXPECT_EQ(u"SaveToDB"_s, saves.at(0).serviceMethod);
    ASSERT_EQ(1, prints);
    EXPECT_EQ(u"ExecService"_s, callsBeforePrint.value(0));
    // The print guard and the count went to the saved bill.
    const QStringList queries = sqlOf(u"ExecQuery"_s);
    ASSERT_EQ(1, queries.size());
    EXPECT_TRUE(queries.at(0).endsWith(u"a.id = 77"_s)) << queries.at(0).toStdString();
    const QList<RecordedCall> counted = callsOf(u"ExecProc"_s);
    ASSERT_EQ(1, counted.size());
    EXPECT_EQ(u"p_sys_Up_DJPrint"_s, counted.at(0).procedure);
    const ParamList lines = linesOf(counted.at(0));
    EXPECT_EQ(u"77|1"_s, lines.value(u"id"_s) + u'|' + lines.value(u"PrintNum"_s));
    // Printed with its line, then the window became a new bill.
    EXPECT_GE(printedRows, 1);
    EXPECT_EQ(0, bill->billId());
    EXPECT_EQ(QStringList{u"保存成功！"_s}, script.messages());
}

TEST_F(BillSavePrint, AFailedSavePrintsNothing) {
    auto bill = newBill();
    bill->records().clearRows();
    bill->showRecords();
    EXPECT_FALSE(bill->savePrintBill());
    EXPECT_EQ(QStringList{u"无数据"_s}, script.messages());
    // A later plain save does not print either.
    bill->setLine(0, {{u"goodsid"_s, u"101"_s}});
    transport->respond(u"ExecService"_s, 0, {QString(), 78, QString()});
    EXPECT_TRUE(bill->saveBill(false));
    EXPECT_EQ(0, prints);
}

TEST_F(BillMenu, TheLineNoteOfANewBillChangesOnlyTheWindow) {
    auto bill = newBill();
    bill->actNoteView()->trigger();  // no focused line
    EXPECT_EQ(QStringList{u"请先选择一行！"_s}, script.messages());
    bill->setLine(1, {{u"goodsid"_s, u"102"_s}, {u"comment"_s, u"第二行"_s}});
    bill->setFocusedRow(1);
    script.clearRecords();
    bill->actNoteView()->trigger();
    EXPECT_EQ(QStringList{u"第二行"_s}, script.messages());
    script.enter(u"送到仓库"_s, u"行摘要"_s);
    bill->actNoteEdit()->trigger();
    EXPECT_EQ(u"送到仓库"_s, bill->LineNote());
    EXPECT_TRUE(bill->isModified());
    EXPECT_EQ(QStringList(), sqlOf(u"ExecUpdate"_s));
    // The note goes out with the lines.
    const RecordSet packet = bill->buildLinesPacket();
    ASSERT_EQ(1, packet.rowCount());
    EXPECT_EQ(u"送到仓库"_s,
              decodeLineBreaks(packet.at(0, packet.fieldIndex(u"comment"_s)).toString()));
}

TEST_F(BillMenu, TheLineNoteOfASavedBillIsStoredAtOnceAndACancelChangesNothing) {
    auto bill = openDraft(u"7"_s, u"0"_s, QString());
    // The opened bill shows its amounts.
    EXPECT_EQ(u"1,234.50|1234.50"_s,
              bill->edDiscount->text() + u'|' + bill->headerValue(u"youhuiTotal"_s));
    bill->setFocusedRow(0);
    EXPECT_EQ(u"旧摘要"_s, bill->LineNote());
    script.cancelInput();
    EXPECT_FALSE(bill->editLineNote());
    EXPECT_EQ(QStringList(), sqlOf(u"ExecUpdate"_s));
    EXPECT_EQ(u"旧摘要"_s, bill->LineNote());
    // A refusal of the server leaves the note as it was.
    transport->respond(u"ExecUpdate"_s, -1, {QString(), u"数据库忙"_s});
    script.enter(u"新摘要"_s);
    EXPECT_FALSE(bill->editLineNote());
    EXPECT_EQ(u"旧摘要"_s, bill->LineNote());
    EXPECT_EQ(1, script.messages().size());
    script.clearRecords();
    script.enter(u"送到仓库"_s);
    EXPECT_TRUE(bill->editLineNote());
    EXPECT_EQ(u"送到仓库"_s, bill->LineNote());
    EXPECT_FALSE(bill->isModified());
    bill->resetToNewBill();
    EXPECT_EQ(u"0.00"_s, bill->edDiscount->text());
}

TEST_F(BillMenu, LookUpsNeedTheirIdsTakeTheLinesAndTheHeadersAndTheDialogMasksPurchasePrices) {
    auto bill = newBill();
    for (const BillLookupKind kind :
         {BillLookupKind::GoodsDistribution, BillLookupKind::PurchasePrices,
          BillLookupKind::SalePrices, BillLookupKind::Receipts, BillLookupKind::Payments})
        bill->actLookup(kind)->trigger();
    EXPECT_EQ((QStringList{u"请先在当前行选择商品！"_s, u"请先在当前行选择商品！"_s,
                           u"请先在当前行选择商品！"_s, u"请先选择往来单位！"_s,
                           u"请先选择往来单位！"_s}),
              script.messages());
    EXPECT_EQ(QStringList(), sqlOf(u"ExecQuery"_s));
    EXPECT_TRUE(bill->shownLookups.isEmpty());
    // They take the line's goods and warehouse and the header's partner and employee.
    bill = openDraft(u"7"_s, u"0"_s, QString());
    bill->setFocusedRow(0);
    // The line's warehouse counts while the header has none.
    bill->setHeaderValue(u"jsr_id"_s, u"41"_s);
    bill->setHeaderValue(u"OutStock_id"_s, u"12"_s);
    RecordSet& rs = bill->records();
    rs.addField(u"IntoStock_id"_s, FieldType::Text, 10);
    rs.setAt(0, rs.fieldIndex(u"IntoStock_id"_s), u"11"_s);
    const BillLookupIds ids = bill->lookupFor(BillLookupKind::SalePrices).ids;
    EXPECT_EQ((QList<qint64>{101, 31, 41, 0, 11, 12}),
              (QList<qint64>{ids.goodsid, ids.wldw_id, ids.jsr_id, ids.dep_id, ids.IntoStock_id,
                             ids.OutStock_id}));
    // The receipts name this bill for the amounts they settled of it.
    EXPECT_TRUE(bill->lookupFor(BillLookupKind::Receipts).sql.contains(u"x.s_id = 90"_s));
    // The look-up dialog formats its columns and masks purchase prices without the cost right.
    settings().PriceDot = 3;
    settings().QtyDot = 1;
    const RecordSet rows =
        textRows({u"date"_s, u"code"_s, u"dw_fullname"_s, u"qty"_s, u"price"_s},
                 {{u"2025-01-02"_s, u"JH-1"_s, u"供应商甲"_s, u"12"_s, u"1234.5"_s}});
    for (const bool seeCost : {false, true}) {
        SCOPED_TRACE(seeCost);
        settings().SeeCost = seeCost;
        TfrmBillLookup dialog(bill->lookupFor(BillLookupKind::PurchasePrices), rows);
        EXPECT_EQ(u"历史进价"_s, dialog.lbltitle()->text());
        const int price = dialog.definition().columnIndex(u"price"_s);
        const int qty = dialog.definition().columnIndex(u"qty"_s);
        ASSERT_GE(price, 0);
        EXPECT_EQ(u"12.0"_s, dialog.cellText(0, qty));
        EXPECT_EQ(seeCost ? u"1,234.500"_s : u"***"_s, dialog.cellText(0, price));
        // Fields the answer lacks show as empty columns.
        EXPECT_EQ(QString(), dialog.cellText(0, dialog.definition().columnIndex(u"taxprice"_s)));
    }
    // Sales prices are no costs.
    settings().SeeCost = false;
    TfrmBillLookup sales(bill->lookupFor(BillLookupKind::SalePrices), rows);
    EXPECT_EQ(u"1,234.500"_s, sales.cellText(0, sales.definition().columnIndex(u"price"_s)));
}

TEST_F(BillMenu, AHeaderAmountShowsItsTagsPatternAndTravelsWithItsPlaces) {
    struct Row {
        const char16_t* typed;
        const char16_t* shown;
        const char16_t* sent;
    } rows[] = {
        {u"1234.5", u"1,234.50", u"1234.50"},
        {u"2,000.456", u"2,000.46", u"2000.46"},
        {u"-7", u"-7.00", u"-7.00"},
        {u"abc", u"-7.00", u"-7.00"},  // no number: the amount before stays
        {u"", u"0.00", u"0.00"},
    };
    auto bill = newBill();
    EXPECT_EQ(u"0.00"_s, bill->edDiscount->text());
    for (const Row& r : rows) {
        SCOPED_TRACE(QString::fromUtf16(r.typed).toStdString());
        bill->edDiscount->setText(QString::fromUtf16(r.typed));
        Q_EMIT bill->edDiscount->editingFinished();
        EXPECT_EQ(QString::fromUtf16(r.shown), bill->edDiscount->text());
        EXPECT_EQ(QString::fromUtf16(r.sent), bill->BuildParams().value(u"youhuiTotal"_s));
    }
}

TEST_F(BillMenu, AmountPatternsFollowTheTagsAndACostAmountIsMaskedButSent) {
    settings().TotalDot = 1;
    settings().QtyDot = 3;
    settings().PriceDot = 4;
    struct Row {
        const char16_t* tags;
        double value;
        const char16_t *shown, *sent;
    } rows[] = {
        {u"%M%", 1234.56, u"1,234.6", u"1234.6"},
        {u"%Q%", 2.5, u"2.500", u"2.500"},
        {u"%P%", 12345.6, u"12,345.6000", u"12345.6000"},
        // A negative price takes the quantity places.
        {u"%P%", -1.5, u"-1.500", u"-1.500"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(QString::fromUtf16(r.tags).toStdString());
        EXPECT_EQ(QString::fromUtf16(r.shown),
                  TfrmBillAbstract::formatAmount(QString::fromUtf16(r.tags), r.value));
        EXPECT_EQ(QString::fromUtf16(r.sent),
                  TfrmBillAbstract::amountValueText(QString::fromUtf16(r.tags), r.value));
    }
    settings().SeeCost = false;
    MenuBill bill;
    auto* cost = new QLineEdit(&bill);
    bill.bindHeaderAmount(u"costTotal"_s, cost, u"%M%Cost%"_s);
    bill.OpenBill(kEnquiry, 0, false);
    bill.setHeaderAmount(u"costTotal"_s, 88.25);
    EXPECT_EQ(u"***"_s, cost->text());
    EXPECT_TRUE(cost->isReadOnly());
    EXPECT_EQ(u"88.3"_s, bill.BuildParams().value(u"costTotal"_s));
}

TEST_F(BillMenu, WhatTheOperatorChangesMakesTheBillModifiedAndTheWindowsOwnFillingDoesNot) {
    auto bill = newBill();
    auto* check = new QCheckBox(u"代收款"_s, bill.get());
    auto* combo = new QComboBox(bill.get());
    combo->addItems({u"甲"_s, u"乙"_s});
    bill->bindHeaderField(u"isdaishoukuan"_s, check);
    bill->bindHeaderField(u"fplx"_s, combo);
    bill->setLine(0, {{u"goodsid"_s, u"101"_s}});
    // Filled by the window: not modified.
    check->setChecked(true);
    combo->setCurrentIndex(1);
    bill->edDiscount->setText(u"5"_s);
    EXPECT_THROW(bill->setLineNote(QString()), DytError);  // no focused line: refused
    EXPECT_FALSE(bill->isModified());
    struct Row {
        const char* name;
        std::function<void()> change;
    } rows[] = {
        {"grid cell",
         [&] {
             QAbstractItemModel* m = bill->dbgvX()->table()->model();
             const int col = bill->gridDefinition().columnIndex(u"goodsname"_s);
             ASSERT_TRUE(m->setData(m->index(0, col), u"手写"_s, Qt::EditRole));
         }},
        {"check box", [&] { check->click(); }},
        {"combo box", [&] { Q_EMIT combo->activated(0); }},
        {"amount", [&] { Q_EMIT bill->edDiscount->textEdited(u"6"_s); }},
        {"bill number", [&] { Q_EMIT bill->edBillCode()->textEdited(u"X"_s); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        bill->setModified(false);
        r.change();
        EXPECT_TRUE(bill->isModified());
    }
}

TEST(BillNoSetKinds, TheListHoldsTheBillKindsOfTheTableInTheirOrder) {
    resetBillKinds();
    const QList<int> kinds = billnoset::defaultKinds();
    // Every kind of the table, in order: 42 (the stocktake, no numbering of its own) and 52 are not
    // in it.
    for (const int kind : kinds)
        EXPECT_NE(nullptr, findBillKind(kind)) << kind;
    EXPECT_TRUE(std::is_sorted(kinds.begin(), kinds.end()));
    EXPECT_FALSE(kinds.contains(42) || kinds.contains(52));
}

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
};

TEST_F(LookupE2E, EachLookUpAnswersTheRowsOfTheSeededBills) {
    MenuBill sale;
    sale.OpenBill(1, 205, false);
    ASSERT_EQ(u"XS-1"_s, sale.edBillCode()->text());
    sale.setFocusedRow(0);
    ASSERT_EQ(101, sale.lineGoodsId());
    sale.showLookup(BillLookupKind::GoodsDistribution);
    ASSERT_EQ(1, sale.shownLookups.size()) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ(u"主仓库 5 50|分仓库 4 40"_s,
              test::rowsOf(sale.shownRows, u"ck_fullname,qty,total"_s));
    sale.showLookup(BillLookupKind::PurchasePrices);
    ASSERT_EQ(2, sale.shownLookups.size()) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ(u"JH-2 11 供应商甲 12.87|JH-1 10 供应商甲 11.7"_s,
              test::rowsOf(sale.shownRows, u"code,price,dw_fullname,taxprice"_s));
    sale.showLookup(BillLookupKind::SalePrices);
    ASSERT_EQ(3, sale.shownLookups.size()) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ(u"XS-1 18"_s, test::rowsOf(sale.shownRows, u"code,discountprice"_s));
    sale.showLookup(BillLookupKind::Receipts);
    ASSERT_EQ(4, sale.shownLookups.size()) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ(u"SK-2 30 0 |SK-1 100 60 经手人丙"_s,
              test::rowsOf(sale.shownRows, u"code,total,settled,jsr_fullname"_s));
    sale.showLookup(BillLookupKind::Payments);  // none to the customer
    ASSERT_EQ(5, sale.shownLookups.size()) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ(0, sale.shownRows.rowCount());
    MenuBill purchase;
    purchase.OpenBill(5, 202, false);
    purchase.showLookup(BillLookupKind::Payments);
    ASSERT_EQ(1, purchase.shownLookups.size()) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ(u"FK-1"_s, test::rowsOf(purchase.shownRows, u"code"_s));
    EXPECT_EQ(QStringList(), script.messages());
}

TEST_F(LookupE2E, TheLineNoteOfAPostedBillIsStoredOnTheServer) {
    MenuBill sale;
    sale.OpenBill(1, 205, false);
    EXPECT_TRUE(sale.isReadOnly());
    sale.setFocusedRow(0);
    script.enter(u"客户's 要求"_s);
    ASSERT_TRUE(sale.editLineNote()) << script.messages().join(u"|"_s).toStdString();
    RecordSet rs;
    dm.ExecQuery(u"SELECT comment FROM djList WHERE orderid = 2051"_s, &rs);
    EXPECT_EQ(u"客户's 要求"_s, rs.text(u"comment"_s));
    // Opened again the line shows it.
    MenuBill again;
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
    MenuBill sale;
    sale.OpenBill(1, 205, false);
    QStringList lines = sale.AccountDetails().split(QLatin1Char('\n'));
    lines.sort();
    QStringList expected = {aName + u"：-80.00"_s, bName + u"：1,234.50"_s};
    expected.sort();
    EXPECT_EQ(expected, lines);
}

TEST_F(LookupE2E, TheLookUpDialogShowsTheRowsModally) {
    MenuBill sale;
    sale.realDialog = true;
    sale.OpenBill(1, 205, false);
    sale.setFocusedRow(0);
    QString title, firstCell;
    test::onNextModal([&](QWidget* w) {
        auto* dialog = qobject_cast<TfrmBillLookup*>(w);
        ASSERT_NE(nullptr, dialog);
        title = dialog->lbltitle()->text();
        firstCell = dialog->cellText(0, 1);
        dialog->btnExit()->click();
    });
    sale.actLookup(BillLookupKind::GoodsDistribution)->trigger();
    EXPECT_EQ(u"商品分布|主仓库"_s, title + u'|' + firstCell);
}

}  // namespace
}  // namespace dyt::client
