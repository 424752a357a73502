// The rest of the bill window base against the recording transport: the audit controls, the
// option that lets an operator edit other operators' drafts, save and print, the line note, the
// look-ups of the lines grid's context menu, the header amounts and the numbering dialog's list
// of kinds.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "client/bills/billkinds.h"
#include "client/bills/frmbillabstract.h"
#include "client/bills/frmbilllookup.h"
#include "client/common/settings.h"
#include "client/system/frmbillnoset.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "printengine/printengine.h"
#include "protocol/protocol.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

constexpr int kEnquiry = 64;

// A bill of the enquiry kind with goods lines, a partner and one header amount.
class MenuBill : public TfrmBillAbstract {
public:
    MenuBill() {
        setTitle(u"询价单"_s);
        addColumn(u"商品ID"_s, u"goodsid"_s, false, 40);
        addColumn(u"行号"_s, u"orderid"_s, false, 40);
        addColumn(u"商品编号"_s, u"goodsCode"_s, true, 80);
        addColumn(u"商品名称"_s, u"goodsname"_s, true, 120);
        addColumn(u"价税合计"_s, u"taxTotalSum"_s, true, 80);
        addColumn(u"[]行摘要"_s, u"comment"_s, true, 80);
        edDiscount = new QLineEdit(this);
        addHeaderField(u"优惠金额"_s, edDiscount);
        bindHeaderAmount(u"youhuiTotal"_s, edDiscount);
    }
    void setLine(int row, const QList<QPair<QString, QString>>& values) {
        RecordSet& rs = records();
        while (rs.rowCount() <= row)
            rs.appendRow(RecordSet::Row(rs.fieldCount()));
        for (const auto& v : values)
            rs.setAt(row, rs.fieldIndex(v.first), v.second);
        showRecords();
    }
    // The look-ups are caught here instead of in a modal dialog.
    void showLookupRows(const BillLookup& lookup, const RecordSet& rows) override {
        shownLookups.append(lookup);
        shownRows = rows;
    }
    QLineEdit* edDiscount = nullptr;
    QList<BillLookup> shownLookups;
    RecordSet shownRows;
};

RecordSet rowsOf(const QStringList& fields, const QList<QStringList>& rows) {
    RecordSet rs;
    for (const QString& f : fields)
        rs.addField(f, FieldType::Text, 50);
    for (const QStringList& r : rows) {
        RecordSet::Row values;
        for (const QString& v : r)
            values.append(v);
        rs.appendRow(values);
    }
    return rs;
}

const QStringList kHeader = {u"id"_s,           u"djType"_s,   u"code"_s,         u"date"_s,
                             u"dj_state"_s,     u"rec_id"_s,   u"rec_Name"_s,     u"inputid2"_s,
                             u"inputid2Name"_s, u"inputid3"_s, u"inputid3Name"_s, u"wldw_id"_s,
                             u"youhuiTotal"_s};

class BillMenu : public test::DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        resetSettings();
        resetBillKinds();
        settings().TotalDot = 2;
        settings().DefaultBillRows = 2;
        connectLoggedIn(7);
        loginedUser().UserName = u"李四"_s;
    }
    void TearDown() override {
        resetBillKinds();
        resetSettings();
        DmFixture::TearDown();
    }
    // Kind 64 with `steps` audit steps; operator 7 may perform steps 2 and 3.
    void setSteps(int steps) {
        refreshBillKinds(rowsOf(
            {u"id"_s, u"inputnum"_s, u"inputName1"_s, u"inputName2"_s, u"inputid2"_s,
             u"inputid3"_s},
            {{u"64"_s, QString::number(steps), u"制单"_s, u"主管"_s, u"(0,7,0)"_s, u"(0,7,0)"_s}}));
    }
    void answerOpen(const QStringList& header, const RecordSet& lines) {
        transport->respond(u"ExecProcQuery"_s, 0,
                           {QString(), proto::recordSetToCbor(rowsOf(kHeader, {header}))});
        transport->respond(u"ExecProcQuery"_s, 0, {QString(), proto::recordSetToCbor(lines)});
    }
    // Draft 90 made by `maker`, step 2 done by `step2` (its name), partner 31, discount 1234.5.
    std::unique_ptr<MenuBill> openDraft(const QString& maker, const QString& step2Id,
                                        const QString& step2Name) {
        answerOpen({u"90"_s, u"64"_s, u"XJ-090"_s, u"2025-02-01"_s, u"1"_s, maker, u"王五"_s,
                    step2Id, step2Name, u"0"_s, QString(), u"31"_s, u"1234.5"_s},
                   rowsOf({u"goodsid"_s, u"orderid"_s, u"goodsname"_s, u"comment"_s},
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
    QStringList sqlOf(const QString& method) const {
        QStringList out;
        for (const RecordedCall& c : transport->calls())
            if (c.method == method)
                out.append(c.sql);
        return out;
    }
    QList<RecordedCall> callsOf(const QString& method) const {
        QList<RecordedCall> out;
        for (const RecordedCall& c : transport->calls())
            if (c.method == method)
                out.append(c);
        return out;
    }
};

// --- audit controls

TEST_F(BillMenu, AuditControlsShowPerStepCountWithTheStepNames) {
    for (int steps = 1; steps <= 5; ++steps) {
        SCOPED_TRACE(steps);
        setSteps(steps);
        auto bill = newBill();
        EXPECT_EQ(steps > 1, !bill->panAudit()->isHidden());
        for (int step = 1; step <= 5; ++step) {
            const bool shown = steps > 1 && step <= steps;
            EXPECT_EQ(shown, !bill->edInput(step)->isHidden()) << step;
            EXPECT_EQ(shown, !bill->btnInput(step)->isHidden()) << step;
            EXPECT_EQ(u"审核"_s, bill->btnInput(step)->text());
            // A new bill has no audit step to perform yet.
            EXPECT_FALSE(bill->btnInput(step)->isEnabled()) << step;
        }
        EXPECT_EQ(u"制单"_s, bill->lbInput(1)->text());
        EXPECT_EQ(u"主管"_s, bill->lbInput(2)->text());
        EXPECT_EQ(u"审查人三"_s, bill->lbInput(3)->text());
        // The maker of a new bill is the operator.
        EXPECT_EQ(u"李四"_s, bill->edInput(1)->text());
        EXPECT_EQ(nullptr, bill->edInput(0));
        EXPECT_EQ(nullptr, bill->edInput(6));
    }
}

TEST_F(BillMenu, AuditControlsShowTheBillsPerformersAndTheButtonPerformsTheStep) {
    setSteps(3);
    auto bill = openDraft(u"7"_s, u"3"_s, u"张三"_s);
    EXPECT_EQ(u"王五"_s, bill->edInput(1)->text());
    EXPECT_EQ(u"张三"_s, bill->edInput(2)->text());
    EXPECT_EQ(QString(), bill->edInput(3)->text());
    EXPECT_FALSE(bill->btnInput(1)->isEnabled());
    EXPECT_TRUE(bill->btnInput(3)->isEnabled());
    // An audited draft is read-only, the audit buttons still work.
    EXPECT_TRUE(bill->isReadOnly());

    bill->btnInput(3)->click();
    EXPECT_EQ(QStringList{u"Update djindex set inputid3 = 7 where id = 90"_s},
              sqlOf(u"ExecUpdate"_s));
    EXPECT_EQ(u"李四"_s, bill->edInput(3)->text());

    // Step 2 belongs to another operator: refused, the field keeps the name.
    transport->clearCalls();
    bill->btnInput(2)->click();
    EXPECT_EQ(QStringList{u"本级已经被[张三]审核，您不能反审核！"_s}, script.messages());
    EXPECT_EQ(QStringList(), sqlOf(u"ExecUpdate"_s));
    EXPECT_EQ(u"张三"_s, bill->edInput(2)->text());
}

// --- option 2007 "允许修改他人的草稿"

TEST_F(BillMenu, Option2007DecidesWhetherAnotherOperatorsDraftIsEditable) {
    for (const bool allowed : {false, true}) {
        SCOPED_TRACE(allowed);
        settings().setSwitch(2007, allowed);
        auto other = openDraft(u"3"_s, u"0"_s, QString());
        EXPECT_EQ(allowed, other->editOthersDrafts);
        EXPECT_EQ(!allowed, other->isReadOnly());
        EXPECT_EQ(allowed, other->edComment()->isEnabled());
        // The operator's own draft is editable either way.
        auto own = openDraft(u"7"_s, u"0"_s, QString());
        EXPECT_FALSE(own->isReadOnly());
    }
}

// --- save and print

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
    transport->respond(u"ExecQuery"_s, 0,
                       {proto::recordSetToCbor(rowsOf({u"printnum"_s, u"printNumSum"_s,
                                                       u"printisCheck"_s, u"printPassword"_s},
                                                      {{u"0"_s, u"9"_s, u"0"_s, QString()}})),
                        QString()});
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
    EXPECT_EQ(QStringList{u"Update djindex set printNum = printNum +1 where id = 77"_s},
              sqlOf(u"ExecUpdate"_s));
    // Printed with its line, then the window became a new bill.
    EXPECT_GE(printedRows, 1);
    EXPECT_EQ(0, bill->billId());
    EXPECT_EQ(QStringList{u"保存成功！"_s}, script.messages());
}

TEST_F(BillSavePrint, AFailedSavePrintsNothing) {
    auto bill = newBill();
    bill->records().clearRows();
    bill->showRecords();
    EXPECT_FALSE(bill->SavePrintBill());
    EXPECT_EQ(0, prints);
    EXPECT_EQ(QStringList{u"无数据"_s}, script.messages());
    // A later plain save does not print either.
    bill->setLine(0, {{u"goodsid"_s, u"101"_s}});
    transport->respond(u"ExecService"_s, 0, {QString(), 78, QString()});
    EXPECT_TRUE(bill->SaveBill(false));
    EXPECT_EQ(0, prints);
}

}  // namespace
}  // namespace dyt::client
