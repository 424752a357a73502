// The goods-bill window on the recording transport, entered by slots and by keys, and against a
// real server a purchase and every member of the family saved, posted and opened again.
#include "client/bills/goodsbill.h"
#include "bills_support.h"
#include "client/bills/frmbilljhd.h"
#include "client/bills/frmbillpdd.h"
#include "client/bills/goodsbillaccounts.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

using test::goods;
using test::textRows;

class GoodsBillWindow : public test::BillFixture {
protected:
    void SetUp() override {
        BillFixture::SetUp();
        settings().PriceDot = 2;
        settings().QtyDot = 2;
        settings().DiscountDot = 2;
        settings().TaxDot = 2;
        settings().DefaultBillRows = 3;
        // Queries are answered by a piece of their text.
        transport->duringCall = [this](const RecordedCall& call) {
            if (call.method != u"ExecQuery"_s)
                return;
            for (const auto& a : answers)
                if (call.sql.contains(a.first, Qt::CaseInsensitive)) {
                    transport->respond(u"ExecQuery"_s, 0,
                                       {proto::recordSetToCbor(a.second), QString()});
                    return;
                }
        };
    }
    void TearDown() override {
        setOperatorRights(nullptr);
        BillFixture::TearDown();
    }
    std::unique_ptr<TfrmBillJHD> newBill() {
        auto bill = std::make_unique<TfrmBillJHD>();
        bill->OpenBill(5, 0, false);
        return bill;
    }
    // A purchase bill that passes every check: code, supplier, warehouse and one line.
    std::unique_ptr<TfrmBillJHD> readyBill() {
        auto bill = newBill();
        bill->edBillCode()->setText(u"JH-1"_s);
        bill->chooseHeaderRecord(u"eddw"_s, 203, u"甲供应商"_s);
        bill->chooseHeaderRecord(u"edshck"_s, 301, u"总仓"_s);
        bill->AddGoods(goods(101, 3, 10));
        return bill;
    }
    static QString ids(const TfrmBillJHD& bill, const QString& controls) {
        return test::each(controls,
                          [&](const QString& c) { return QString::number(bill.headerId(c)); });
    }
    QString lastMessage() const { return script.messages().value(script.messages().size() - 1); }
    // Columns of an account packet's rows, by '|', the rows by a space.
    static QString packetText(const RecordSet& packet, QList<int> columns = {0, 1, 2, 3}) {
        QStringList rows;
        for (int r = 0; r < packet.rowCount(); ++r) {
            QStringList cells;
            for (int c : columns)
                cells.append(packet.at(r, c).toString());
            rows.append(cells.join(u'|'));
        }
        return rows.join(u' ');
    }
    QList<QPair<QString, RecordSet>> answers;
};

TEST(GoodsBillFamily, ColumnsDropAndReplaceByField) {
    GoodsBillFamily row;
    row.withoutColumns = {u"YFTOTAL"_s, u"costTotal"_s};
    row.moreColumns = {{u"Price"_s, u"[%NUM%P%]单价"_s, true, 70, 0},
                       {u"isCanYuZheShangZhe"_s, u"[%NUM%Q%]参与折上折"_s, true, 60, 1}};
    const QList<GoodsLineColumn> columns = familyLineColumns(row);
    QStringList fields;
    for (const GoodsLineColumn& c : columns)
        fields.append(c.field);
    EXPECT_FALSE(fields.contains(u"yftotal"_s) || fields.contains(u"costTotal"_s));
    EXPECT_EQ(purchaseLineColumns().size() - 2 + 1, columns.size());
    EXPECT_EQ(u"isCanYuZheShangZhe"_s, columns.last().field);
    const int price = int(fields.indexOf(u"Price"_s));
    EXPECT_EQ(int(fields.indexOf(u"qty"_s)) + 2, price);  // after qty and fdwqty, as before
    EXPECT_EQ(u"[%NUM%P%]单价"_s, columns.at(price).caption);
}

TEST_F(GoodsBillWindow, ButtonsFollowTheSubRightsAndCustomFieldsTheAccountSet) {
    QList<QStringList> granted;
    for (const QString& code : {u"2004"_s, u"200401"_s, u"200403"_s})
        granted.append({code, u"1"_s, u"0"_s});
    const RecordSet rights = textRows({u"code"_s, u"isbj"_s, u"hide"_s}, granted);
    setOperatorRights(&rights);
    auto bill = newBill();
    EXPECT_TRUE(bill->btnBillSave()->isVisible());
    EXPECT_FALSE(bill->btnBillSaveToDraft()->isVisible());
    EXPECT_TRUE(bill->btnPrint()->isVisible());
    // The custom fields show when the account set uses them.
    settings().setSwitch(goodsoption::kCustomFields, true);
    auto custom = newBill();
    for (int i = 1; i <= 10; ++i)
        EXPECT_FALSE(custom->headerControl(u"edzidingyi%1"_s.arg(i))->isHidden()) << i;
    EXPECT_TRUE(custom->headerControl(u"edyouhuibilv"_s)->isHidden());
    custom->setHeaderText(u"edzidingyi2"_s, u"合同A-7"_s);
    EXPECT_EQ(u"合同A-7"_s, custom->BuildParams().value(u"zidingyi2"_s));
}

TEST_F(GoodsBillWindow, ASingleWarehouseIsFilledInAndTheDefaultEmployeeWithHisDepartment) {
    settings().setSwitch(goodsoption::kDefaultEmployee, true);
    answers = {
        {u"FROM baseCK"_s, textRows({u"id"_s, u"fullname"_s}, {{u"301"_s, u"总仓"_s}})},
        {u"FROM baseZY AS a"_s, textRows({u"id"_s, u"fullname"_s, u"zy_zybmid"_s, u"zy_zybm"_s},
                                         {{u"7"_s, u"张三"_s, u"401"_s, u"业务部"_s}})}};
    auto bill = newBill();
    EXPECT_EQ(u"301|7|401"_s, ids(*bill, u"edshck,edjsr,edbm"_s));
    EXPECT_EQ(u"总仓|张三|业务部"_s, test::headers(*bill, u"edshck,edjsr,edbm"_s));
    EXPECT_EQ(Qt::ClickFocus, bill->headerControl(u"edshck"_s)->focusPolicy());
    // Two warehouses: none is chosen; the administrator gets no default employee.
    answers = {{u"FROM baseCK"_s, textRows({u"id"_s, u"fullname"_s},
                                           {{u"301"_s, u"总仓"_s}, {u"302"_s, u"分仓"_s}})}};
    loginedUser().UserId = 1;
    auto other = newBill();
    EXPECT_EQ(u"0|0"_s, ids(*other, u"edshck,edjsr"_s));
}

TEST_F(GoodsBillWindow, ChoosingTheSupplierShowsBalancesAndTheLastDiscountRate) {
    settings().setRight(goodsoption::kShowBalances, true);
    answers = {{u"FROM baseWLDW WHERE id = 203"_s,
                textRows({u"ystotal"_s, u"yftotal"_s, u"yushoutotal"_s, u"yufutotal"_s},
                         {{u"-80"_s, u"80"_s, u"-20.5"_s, u"20.5"_s}})},
               {u"SELECT TOP 1 a.YouHuiBiLv"_s, textRows({u"YouHuiBiLv"_s}, {{u"5"_s}})}};
    auto bill = newBill();
    transport->clearCalls();
    bill->chooseHeaderRecord(u"eddw"_s, 203, u"甲供应商"_s);
    EXPECT_EQ(u"应付款：80.00|预付款：20.50"_s, test::textsOf(bill->lbyf(), bill->lbyufu()));
    EXPECT_EQ(u"5"_s, bill->headerText(u"edyouhuibilv"_s));
    // The last rate of this supplier's purchases.
    EXPECT_TRUE(sqlOf(u"ExecQuery"_s).value(1).contains(u"a.wldw_id = 203 AND a.djType = 5"_s));
    EXPECT_EQ(u"203|甲供应商"_s, test::valuesOf(bill->BuildParams(), u"wldw_id,wldw_Name"_s));
    // Without the right the labels show no amounts and nothing is asked.
    settings().setRight(goodsoption::kShowBalances, false);
    transport->clearCalls();
    bill->RefreshBalances();
    EXPECT_EQ(u"应付款："_s, bill->lbyf()->text());
    EXPECT_TRUE(callsOf(u"ExecQuery"_s).isEmpty());
}

TEST_F(GoodsBillWindow,
       InvoiceDiscountByAmountAndByRateNoNegativeFreightAndTheDefaultDiscountRate) {
    auto bill = newBill();
    bill->AddGoods(goods(101, 3, 10));
    bill->AddGoods(goods(102, 1, 0.51));
    bill->setHeaderText(u"edyhje"_s, u"0.51"_s);
    bill->discountAmountChanged();
    EXPECT_EQ(u"优惠后金额：30.00"_s, bill->lbyhhje()->text());
    bill->setHeaderText(u"edyouhuibilv"_s, u"10"_s);
    bill->discountRateChanged();
    EXPECT_EQ(u"3.05"_s, bill->headerText(u"edyhje"_s));  // 10 % of 30.51
    EXPECT_EQ(u"优惠后金额：27.46"_s, bill->lbyhhje()->text());
    bill->setHeaderText(u"edyouhuibilv"_s, u"120"_s);
    bill->discountRateChanged();
    EXPECT_EQ(u"0|0"_s, test::headers(*bill, u"edyouhuibilv,edyhje"_s));
    EXPECT_EQ(u"优惠后金额：30.51"_s, bill->lbyhhje()->text());
    // A negative freight total of a new bill goes back to 0.
    bill->setHeaderText(u"edyfhj"_s, u"-4"_s);
    bill->freightTotalChanged();
    EXPECT_EQ(u"0"_s, bill->headerText(u"edyfhj"_s));
    // A default discount outside 0...1 is refused, else applied to every line.
    bill = newBill();
    bill->AddGoods(goods(101, 2, 10));
    bill->AddGoods(goods(102, 1, 5));
    bill->setHeaderText(u"edzdzk"_s, u"1.5"_s);
    EXPECT_FALSE(bill->applyDefaultDiscount());
    EXPECT_EQ(u"默认折扣率必须在 0...1 之间，如9折可输入 0.9"_s, lastMessage());
    EXPECT_EQ(u"0"_s, bill->headerText(u"edzdzk"_s));
    EXPECT_EQ(u"1"_s, bill->cell(0, u"discount"_s));
    bill->setHeaderText(u"edzdzk"_s, u"0.8"_s);
    EXPECT_TRUE(bill->applyDefaultDiscount());
    // The empty row stays empty.
    EXPECT_EQ(u"0.8|16 0.8|4 |"_s, test::cells(*bill, 0, u"discount,discounttotal"_s) + u' ' +
                                       test::cells(*bill, 1, u"discount,discounttotal"_s) + u' ' +
                                       test::cells(*bill, 2, u"discount,discounttotal"_s));
}

TEST_F(GoodsBillWindow, GiftLinesToggleAndSkipThePriceChecks) {
    auto bill = readyBill();
    bill->AddGoods(goods(102, 2, 0));
    bill->toggleGift(1);
    EXPECT_EQ(u"赠品|1|2"_s, test::cells(*bill, 1, u"RowTypeName,RowType,qty"_s));
    transport->respond(u"ExecService"_s, 0, {QString(), 77, QString()});
    EXPECT_TRUE(bill->saveBill(true)) << script.messages().join(u"|"_s).toStdString();
    auto again = readyBill();
    again->AddGoods(goods(102, 2, 0));
    again->toggleGift(1);
    again->toggleGift(1);
    EXPECT_EQ(u"|0"_s, test::cells(*again, 1, u"RowTypeName,RowType"_s));
    EXPECT_FALSE(again->saveBill(true));
    EXPECT_EQ(u"第 2 行输入错误:单价必须大于零！"_s, lastMessage());
    // A draft does not ask for prices.
    transport->respond(u"ExecService"_s, 0, {QString(), 78, QString()});
    EXPECT_TRUE(again->saveBill(false)) << script.messages().join(u"|"_s).toStdString();
}

TEST_F(GoodsBillWindow, ChecksRunInTheirOrderEachStoppingTheSave) {
    settings().setSwitch(goodsoption::kCodeRequired, true);
    settings().setSwitch(goodsoption::kEmployeeRequired, true);
    settings().setSwitch(goodsoption::kDepartmentRequired, true);
    answers = {{u"YouHuiTotalUp"_s, textRows({u"zy_YouHuiTotalUp"_s}, {{u"2"_s}})}};
    auto bill = newBill();
    bill->AddGoods(goods(101, 2, 5));
    bill->edBillCode()->clear();
    bill->setHeaderText(u"edfkje"_s, u"-5"_s);
    bill->setHeaderText(u"edyffkje"_s, u"-1"_s);
    bill->setHeaderText(u"edyfhj"_s, u"10"_s);
    bill->setHeaderText(u"edyhje"_s, u"3"_s);
    // Each message and what then fixes it: a header record chosen ("control id name"), a header
    // text ("control=text"), cells of line 1 ("field=value ..."), the number or the freight.
    const char16_t* const steps[][2] = {
        {u"单据编号不能为空！", u"number"},
        {u"[供货单位]不能为空，请重新输入", u"eddw 203 甲供应商"},
        {u"[经 手 人]不能为空，请重新输入", u"edjsr 2 张三"},
        {u"[部    门]不能为空，请重新输入", u"edbm 401 业务部"},
        {u"[收货仓库]不能为空，请重新输入", u"edshck 301 总仓"},
        {u"[付款金额]不能为负数，请重新输入", u"edfkje=5"},
        {u"[运费付款金额]不能为负数，请重新输入", u"edyffkje=12"},
        {u"运费合计没有分配完成！", u"freight"},
        {u"运费付款金额不能大于运费合计！", u"edyffkje=10"},
        {u"必须输入运费往来单位！", u"edyfwldw 204 物流公司"},
        {u"请输入付款账户", u"edfkzh 8 现金"},
        {u"请输入运费付款账户", u"edyffkzh 9 银行"},
        {u"优惠金额超出职员最高优惠限额\r\n\r\n请修改优惠金额", u"edyhje=1"},
        {u"第 1 行输入错误:数量必须大于零！", u"qty=2 Price=0"},
        {u"第 1 行输入错误:单价必须大于零！", u"Price=5 Total=0"},
        {u"第 1 行输入错误:金额必须大于零！", u"Total=10 discount=0"},
        {u"第 1 行输入错误:折扣必须大于零！", u"discount=1"},
    };
    for (const auto& [messageText, fixText] : steps) {
        const QString message = QString::fromUtf16(messageText), fix = QString::fromUtf16(fixText);
        // A quantity the computation would have made 1, found only after the discount check.
        if (message.startsWith(u"优惠金额"_s))
            bill->setCell(0, u"qty"_s, u"0"_s);
        EXPECT_FALSE(bill->saveBill(true)) << message.toStdString();
        EXPECT_EQ(message, lastMessage());
        const QStringList parts = fix.split(u' ');
        if (fix == u"number"_s)
            bill->edBillCode()->setText(u"JH-9"_s);
        else if (fix == u"freight"_s)
            bill->allocateFreight();
        else if (parts.size() == 3 && fix.startsWith(u"ed"_s))
            bill->chooseHeaderRecord(parts[0], parts[1].toLongLong(), parts[2]);
        else if (fix.startsWith(u"ed"_s))
            bill->setHeaderText(fix.section(u'=', 0, 0), fix.section(u'=', 1));
        else
            for (const QString& cell : parts)
                bill->setCell(0, cell.section(u'=', 0, 0), cell.section(u'=', 1));
    }
    EXPECT_TRUE(callsOf(u"ExecService"_s).isEmpty());
    transport->respond(u"ExecService"_s, 0, {QString(), 90, QString()});
    EXPECT_TRUE(bill->saveBill(true)) << lastMessage().toStdString();
    ASSERT_EQ(1, callsOf(u"ExecService"_s).size());
    // The cost of the line was refreshed before the save: 10 plus the freight 10.
    EXPECT_EQ(u"20|10"_s, test::cells(*bill, 0, u"costTotal,costPrice"_s));
}

TEST_F(GoodsBillWindow, EachMemberChecksItsOwnRequiredFieldsAndLines) {
    struct Row {
        const char16_t* className;
        const char16_t* firstMessage;  // an empty bill with a number
        double qty;                    // the one line's quantity
        double price;
        const char16_t* lineMessage;  // with every header field filled; empty: saved
    } rows[] = {
        {u"TfrmBillJHTHD", u"[供货单位]不能为空，请重新输入", -1, 10,
         u"第 1 行输入错误:数量必须大于零！"},
        {u"TfrmBillJHHHD", u"[往来单位]不能为空，请重新输入", -1, 10, u""},
        {u"TfrmBillQTCKD", u"[发货仓库]不能为空，请重新输入", 2, 0, u""},
        {u"TfrmBillBSD", u"[发货仓库]不能为空，请重新输入", 2, 0, u""},
        {u"TfrmBillCBTJD", u"[发货仓库]不能为空，请重新输入", 2, 0,
         u"第 1 行输入错误:单价必须大于零！"},
        {u"TfrmBillTJDBD", u"[发货仓库]不能为空，请重新输入", 2, 0, u""},
        {u"TfrmBillBJDBD", u"[发货仓库]不能为空，请重新输入", 2, 0,
         u"第 1 行输入错误:单价必须大于零！"},
        {u"TfrmBillSPCZD", u"[出库仓库]不能为空，请重新输入", -2, 0, u""},
        {u"TfrmBillPDD", u"[盘点仓库]不能为空，请重新输入", 5, 0, u""},
    };
    int saved = 100;
    for (const Row& r : rows) {
        const QString name = QString::fromUtf16(r.className);
        SCOPED_TRACE(name.toStdString());
        const GoodsBillFamily* family = findGoodsBillFamily(name);
        ASSERT_NE(nullptr, family);
        TfrmGoodsBill bill(*family);
        bill.OpenBill(family->djType, 0, false);
        bill.edBillCode()->setText(u"X-1"_s);
        EXPECT_FALSE(bill.saveBill(true));
        EXPECT_EQ(QString::fromUtf16(r.firstMessage), lastMessage());
        for (const QString& control : {u"eddw"_s, u"edshck"_s, u"edfhck"_s})
            if (bill.headerField(control))
                bill.chooseHeaderRecord(control, 301, u"总仓"_s);
        const int row = bill.AddGoods(goods(101, 1, r.price));
        bill.setCell(row, u"qty"_s, QString::number(r.qty));
        bill.recalcLine(row, u"Price"_s);
        const QString expected = QString::fromUtf16(r.lineMessage);
        if (expected.isEmpty()) {
            transport->respond(u"ExecService"_s, 0, {QString(), ++saved, QString()});
            EXPECT_TRUE(bill.saveBill(true)) << lastMessage().toStdString();
            EXPECT_EQ(saved, bill.billId());
        } else {
            EXPECT_FALSE(bill.saveBill(true));
            EXPECT_EQ(expected, lastMessage());
        }
    }
}

TEST_F(GoodsBillWindow, ABillWithoutLinesIsRefusedAndTheDateQuestionMayStopSilently) {
    auto bill = newBill();
    bill->edBillCode()->setText(u"JH-2"_s);
    bill->chooseHeaderRecord(u"eddw"_s, 203, u"甲供应商"_s);
    bill->chooseHeaderRecord(u"edshck"_s, 301, u"总仓"_s);
    EXPECT_FALSE(bill->saveBill(true));
    EXPECT_EQ(u"必须录入明细数据！"_s, lastMessage());
    settings().setSwitch(goodsoption::kDateQuestion, true);
    bill->edBillDate()->setDate(QDate::currentDate().addDays(-1));
    const int shown = int(script.messages().size());
    script.answer(u"取消(&C)"_s, u"制单日期与系统日期不一致，是否继续？"_s);
    EXPECT_FALSE(bill->saveBill(true));
    EXPECT_EQ(shown, script.messages().size());  // nothing more shown
    script.answer(u"继续(&O)"_s, u"制单日期与系统日期不一致，是否继续？"_s);
    EXPECT_FALSE(bill->saveBill(true));
    EXPECT_EQ(u"必须录入明细数据！"_s, lastMessage());
}

TEST_F(GoodsBillWindow, PayablesAboveTheLimitAskBeforeTheSave) {
    settings().setSwitch(goodsoption::kPayableLimit, true);
    const RecordSet supplier = textRows({u"id"_s, u"fullname"_s, u"yf_xyd"_s, u"yftotal"_s},
                                        {{u"203"_s, u"甲供应商"_s, u"100"_s, u"80"_s}});
    answers = {{u"from basewldw as a where a.id = 203"_s, supplier}};
    auto bill = readyBill();  // one line of 30
    const QString question =
        u"供应商[ 甲供应商 ]应付款超出限制，是否继续？\r\n      应付限额：100.00\r\n    "
        u"当前应付额：80.00\r\n    本次应付额：30.00\r\n      应付超额：10.00"_s;
    script.answer(u"取消(&C)"_s);
    const int shown = int(script.messages().size());
    EXPECT_FALSE(bill->saveBill(true));
    EXPECT_EQ(shown, script.messages().size());
    EXPECT_TRUE(callsOf(u"ExecService"_s).isEmpty());
    const QList<PromptRecord> asked = script.records(PromptKind::Question);
    ASSERT_FALSE(asked.isEmpty());
    EXPECT_EQ(question, asked.last().text);
    EXPECT_EQ((QStringList{u"继续(&O)"_s, u"取消(&C)"_s}), asked.last().buttons);
    // Within the limit nothing is asked: a discount of 10 leaves 20 to pay, 100 in all.
    bill->setHeaderText(u"edyhje"_s, u"10"_s);
    transport->respond(u"ExecService"_s, 0, {QString(), 91, QString()});
    EXPECT_TRUE(bill->saveBill(true)) << lastMessage().toStdString();
}

TEST_F(GoodsBillWindow, StockUpperLimitsAndPurchasePricesGoToTheWarningWindows) {
    settings().setSwitch(goodsoption::kStockUpperLimit, true);
    settings().setSwitch(goodsoption::kPurchasePrices, true);
    answers = {
        {u"FROM baseGoodsWarn"_s, textRows({u"sp_id"_s, u"ck_id"_s, u"row"_s, u"Qty_"_s, u"Qty"_s},
                                           {{u"101"_s, u"301"_s, u"1"_s, u"5"_s, u"3"_s}})},
        {u"where k.goodsid = 101 and k.fzdwid = 0"_s,
         textRows({u"id"_s, u"sp_id"_s, u"latestBuyPrice"_s, u"lowestSalePrice"_s},
                  {{u"1011"_s, u"101"_s, u"8"_s, u"12"_s}})},
        {u"where k.goodsid = 102 and k.fzdwid = 0"_s,
         textRows({u"id"_s, u"sp_id"_s, u"latestBuyPrice"_s, u"lowestSalePrice"_s},
                  {{u"1021"_s, u"102"_s, u"8"_s, u"12"_s}})}};
    QList<int> kinds;
    QList<RecordSet> listed;
    const GoodsWarningWindow original = goodsWarningWindow();
    goodsWarningWindow() = [&](int kind, const RecordSet& rows) {
        kinds.append(kind);
        listed.append(rows);
        return kind != 4;  // the operator stops at the price list
    };
    auto bill = readyBill();             // line 1: 3 at 10, above the latest price 8
    bill->AddGoods(goods(102, 1, 7.5));  // line 2: below it, not listed
    EXPECT_FALSE(bill->saveBill(true));
    goodsWarningWindow() = original;
    EXPECT_EQ((QList<int>{8, 4}), kinds);
    ASSERT_EQ(2, listed.size());
    ASSERT_EQ(1, listed.at(0).rowCount());
    EXPECT_EQ(u"101"_s, test::cellOf(listed.at(0), 0, u"sp_id"_s));
    ASSERT_EQ(1, listed.at(1).rowCount());
    EXPECT_EQ(u"10|8|1"_s, test::rowOf(listed.at(1), 0, u"Price1,Price2,row"_s));
    EXPECT_TRUE(callsOf(u"ExecService"_s).isEmpty());
    // The stock query asks for each line in its warehouse, in base units.
    EXPECT_TRUE(sqlOf(u"ExecQuery"_s)
                    .contains(warnsql::stockLimitSql(
                        {test::warnLine(1, 101, 301, 3), test::warnLine(2, 102, 301, 1)}, true)));
}

TEST_F(GoodsBillWindow, AccountPacketHoldsPaymentAndFreightAccounts) {
    auto bill = readyBill();
    bill->chooseHeaderRecord(u"edfkzh"_s, 8, u"现金"_s);
    bill->setHeaderText(u"edfkje"_s, u"12.345"_s);
    bill->setMultiAccounts(kFreightAccounts,
                           {{9, u"银行"_s, 6}, {10, u"支票"_s, 0}, {11, u"微信"_s, 4.5}});
    EXPECT_FALSE(bill->headerControl(u"edyffkje"_s)->isEnabled());
    EXPECT_EQ(u"10.5"_s, bill->headerText(u"edyffkje"_s));
    const RecordSet packet = bill->buildAccountPacket();
    ASSERT_EQ(4, packet.fieldCount());
    EXPECT_EQ(u"8|1|0|12.35 9|2|0|6.00 11|2|0|4.50"_s, packetText(packet));
    // No amount or no account: no payment line; the multi list of payments replaces the field.
    bill->setHeaderText(u"edfkje"_s, u"0"_s);
    EXPECT_EQ(2, bill->buildAccountPacket().rowCount());
    bill->setMultiAccounts(kPaymentAccounts, {{12, u"农行"_s, 3}});
    EXPECT_FALSE(bill->headerControl(u"edfkzh"_s)->isEnabled());
    EXPECT_EQ(0, bill->headerId(u"edfkzh"_s));
    EXPECT_EQ(u"12"_s, bill->buildAccountPacket().at(0, 0).toString());
}

TEST_F(GoodsBillWindow, ADraftPaidThroughSeveralAccountsKeepsThemWhenOpenedAgain) {
    const RecordSet header =
        textRows({u"id"_s, u"code"_s, u"dj_state"_s, u"rec_id"_s, u"wldw_id"_s, u"wldw_name"_s,
                  u"IntoStock_id"_s, u"IntoStock_Name"_s, u"sfkTotal"_s},
                 {{u"55"_s, u"JH-55"_s, u"1"_s, u"7"_s, u"203"_s, u"甲供应商"_s, u"301"_s,
                   u"总仓"_s, u"30"_s}});
    const RecordSet lines = textRows(
        {u"goodsid"_s, u"goodsCode"_s, u"goodsname"_s, u"qty"_s, u"Price"_s, u"Total"_s,
         u"discount"_s, u"discounttotal"_s, u"taxTotalSum"_s},
        {{u"101"_s, u"SP101"_s, u"螺丝"_s, u"3"_s, u"10"_s, u"30"_s, u"1"_s, u"30"_s, u"30"_s}});
    transport->respond(u"ExecProcQuery"_s, 0, {QString(), proto::recordSetToCbor(header)});
    transport->respond(u"ExecProcQuery"_s, 0, {QString(), proto::recordSetToCbor(lines)});
    const QString shownSql =
        u" select b.fullname,a.dbTotal + a.LendTotal as total   FROM djKmDetail AS a,baseKM AS b "
        u"WHERE a.km_id = b.id AND a.id = 55 AND a.type = 1"_s;
    answers = {{shownSql, textRows({u"fullname"_s, u"total"_s},
                                   {{u"现金"_s, u"10"_s}, {u"工商银行"_s, u"20"_s}})},
               {u"SELECT a.km_id"_s,
                textRows({u"km_id"_s, u"fullname"_s, u"total"_s},
                         {{u"8"_s, u"现金"_s, u"10"_s}, {u"9"_s, u"工商银行"_s, u"20"_s}})}};
    TfrmBillJHD bill;
    bill.OpenBill(5, 55, false);
    EXPECT_EQ(int(kBillDraft), bill.billState());
    EXPECT_FALSE(bill.isModified());
    const QStringList sent = sqlOf(u"ExecQuery"_s);
    EXPECT_TRUE(sent.contains(shownSql)) << sent.join(u"\n"_s).toStdString();
    EXPECT_TRUE(
        sent.contains(u" select b.fullname,a.dbTotal + a.LendTotal as total   FROM "
                      u"djKmDetail AS a,baseKM AS b WHERE a.km_id = b.id AND a.id = 55 "
                      u"AND a.type = 2"_s));
    ASSERT_EQ(2, bill.loadedAccounts(kPaymentAccounts).size());
    EXPECT_EQ(u"工商银行"_s, bill.loadedAccounts(kPaymentAccounts).at(1).accountName);
    EXPECT_TRUE(bill.loadedAccounts(kFreightAccounts).isEmpty());
    EXPECT_FALSE(bill.headerControl(u"edfkje"_s)->isEnabled());
    // A second save sends the same split.
    EXPECT_EQ(u"8|10.00 9|20.00"_s, packetText(bill.buildAccountPacket(), {0, 3}));
}

TEST_F(GoodsBillWindow, PrintOffersToPostFirstTheDebtBeforeAndAfterAndTheAccountsDialogTotals) {
    answers = {{u"fnGetWldwTotal00(203,'2990-01-01')"_s, textRows({u"total"_s}, {{u"50"_s}})}};
    auto bill = readyBill();  // 30 to pay
    script.answer(u"否(&C)"_s, u"只有保存过账后才能打印，是否立即保存过账并打印单据？"_s);
    bill->btnPrintClick();
    EXPECT_TRUE(callsOf(u"ExecService"_s).isEmpty());
    EXPECT_EQ(int(kBillNew), bill->billState());
    bill->chooseHeaderRecord(u"edfkzh"_s, 8, u"现金"_s);
    bill->setHeaderText(u"edfkje"_s, u"10"_s);
    EXPECT_EQ((QStringList{u"上次欠款=50.00"_s, u"本次欠款=20.00"_s, u"累计欠款=70.00"_s}),
              bill->PrintVariables());
    // The accounts dialog totals and takes an account typed by its code.
    TfrmMultiAccount dialog;
    dialog.setAccounts({{8, u"现金"_s, 300}, {9, u"工商银行"_s, 250.5}});
    dialog.show();
    EXPECT_EQ(3, dialog.grid()->rowCount());  // the two accounts and an empty row
    EXPECT_EQ(u"合计：550.50"_s, dialog.lbTotal()->text());
    ASSERT_EQ(2, dialog.accounts().size());
    EXPECT_EQ(250.5, dialog.accounts().at(1).amount);
    // An account typed by code into the empty row, then its amount: Enter walks on.
    dialog.setAccountKind(u"skkm"_s);
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const RecordSet found =
        test::textRows({u"km_id"_s, u"kmcode"_s, u"kmName"_s},
                       {{u"10"_s, u"1002"_s, u"农业银行"_s}, {u"11"_s, u"10021"_s, u"建设银行"_s}});
    transport->respond(u"ExecQuery"_s, 0, {proto::recordSetToCbor(found), QString()});
    QTableWidget* grid = dialog.grid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(2, 0)).center());
    QTest::keyClicks(grid, u"1"_s);
    QTest::keyClicks(QApplication::focusWidget(), u"002"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(3, dialog.accounts().size());
    EXPECT_EQ(10, dialog.accounts().at(2).accountId);
    EXPECT_TRUE(transport->calls().back().sql.contains(u"1002"_s));
    EXPECT_EQ(1, grid->currentColumn());  // the amount
    QTest::keyClicks(grid, u"9"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(u"合计：559.50"_s, dialog.lbTotal()->text());
    EXPECT_EQ(3, grid->currentRow());  // the next row's account
    EXPECT_EQ(0, grid->currentColumn());
    dialog.setAmount(1, -3);
    dialog.btnOKClick();
    EXPECT_EQ(u"金额不能为负数！"_s, script.messages().value(0));
    script.clearRecords();
}

class GoodsBillE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addGoods(102, "SP102", "齿轮", 1021, "只");
        addRecord("baseWLDW", 203, "G1", "华东五金");
        addRecord("baseCK", 301, "CK1", "总仓");
        addRecord("baseCK", 302, "CK2", "分仓");
        openAccounts();
        settings().DefaultBillRows = 2;
        loadBillKinds(dm);
        registerBillWindows();
    }
    QString messages() const { return script.messages().join(u"|"_s); }
    // Posts a purchase of both goods into the first warehouse through the window, 20 off and 50
    // paid in cash (account 8 of the seeded accounts).
    qint64 purchase(double qty, double price) {
        TfrmBillJHD bill;
        bill.OpenBill(5, 0, false);
        bill.edBillCode()->setText(u"JH-STOCK"_s);
        bill.chooseHeaderRecord(u"eddw"_s, 203, u"华东五金"_s);
        bill.chooseHeaderRecord(u"edshck"_s, 301, u"总仓"_s);
        for (const QString& code : {u"SP101"_s, u"SP102"_s}) {
            const int row = bill.goodsRows().size();
            EXPECT_TRUE(bill.selectGoodsText(row, code)) << messages().toStdString();
            bill.editCell(row, u"qty"_s, QString::number(qty));
            bill.editCell(row, u"Price"_s, QString::number(price));
        }
        bill.chooseHeaderRecord(u"edfkzh"_s, 8, u"现金"_s);
        bill.setHeaderText(u"edfkje"_s, u"50"_s);
        bill.setHeaderText(u"edyhje"_s, u"20"_s);
        qint64 id = 0;
        QObject::connect(&bill, &TfrmBillAbstract::billSaved, [&](qint64 saved) { id = saved; });
        EXPECT_TRUE(bill.saveBill(true)) << messages().toStdString();
        return id;
    }
};

TEST_F(GoodsBillE2E, APurchaseBooksStockAndPayableThenEveryMemberSavesPostsAndReopens) {
    EXPECT_EQ(1, findBillKind(5)->inputNum);  // the seeded kinds: one audit step each
    const qint64 bought = purchase(100, 10);
    ASSERT_GT(bought, 0);
    // The payable: 2000 − 20 discount − 50 paid; the stock at its cost, without the discount.
    EXPECT_EQ(1930, number(u"SELECT yftotal FROM baseWLDW WHERE id = 203"_s));
    EXPECT_EQ(50, number(u"SELECT sum(dbTotal + LendTotal) FROM djKmDetail WHERE id = %1 AND "
                         u"type = 1"_s.arg(bought)));
    EXPECT_EQ(1000, number(u"SELECT sum(total) FROM baseGoodsStock WHERE goodsid = 101"_s));
    {
        TfrmBillJHD again;
        again.OpenBill(5, bought, false);
        EXPECT_EQ(int(kBillPosted), again.billState());
        EXPECT_TRUE(again.isReadOnly());
        EXPECT_EQ(
            u"JH-STOCK|华东五金|总仓|20"_s,
            again.edBillCode()->text() + u'|' + test::headers(again, u"eddw,edshck,edyhje"_s));
        // The line's unit is named again from the goods' unit it was entered with.
        EXPECT_EQ(u"101|个|100|1000"_s,
                  test::cells(again, 0, u"goodsid,unitName,qty,taxTotalSum"_s));
        EXPECT_FALSE(again.headerControl(u"eddw"_s)->isEnabled());
        EXPECT_FALSE(again.btnBillSave()->isEnabled());
    }
    struct Member {
        const char16_t* className;
        int djType;
        double qty1;  // goods 101
        double qty2;  // goods 102, 0: no line
        // What posting changed: sum(column) of the stock of goods in stock.
        const char16_t* column;
        int goods, stock;
        double expected;
    } members[] = {
        {u"TfrmBillJHTHD", 6, 5, 0, u"qty", 101, 301, 95},
        {u"TfrmBillJHHHD", 7, 4, 0, u"qty", 101, 301, 99},
        {u"TfrmBillJHDD", 8, 7, 0, u"qty", 101, 301, 99},
        {u"TfrmBillQTCKD", 10, 2, 0, u"qty", 101, 301, 97},
        {u"TfrmBillQTRKD", 11, 3, 0, u"qty", 101, 301, 100},
        {u"TfrmBillBSD", 12, 1, 0, u"qty", 101, 301, 99},
        {u"TfrmBillBYD", 13, 1, 0, u"qty", 101, 301, 100},
        // Revalued to 100 × 12: the quantity stays, the value follows.
        {u"TfrmBillCBTJD", 14, 100, 0, u"total", 101, 301, 1200},
        {u"TfrmBillTJDBD", 15, 10, 0, u"qty", 101, 302, 10},
        {u"TfrmBillBJDBD", 16, 10, 0, u"qty", 101, 302, 20},
        {u"TfrmBillCKDBD", 58, 5, 0, u"qty", 101, 302, 25},
        // Assembly: one 101 goes out, two 102 come in.
        {u"TfrmBillSPCZD", 9, -1, 2, u"qty", 102, 301, 102},
        // Stocktake of 101 in the first warehouse: counted 50.
        {u"TfrmBillPDD", kStocktakeType, 50, 0, u"qty", 101, 301, 50},
    };
    for (const Member& m : members) {
        const QString name = QString::fromUtf16(m.className);
        SCOPED_TRACE(name.toStdString());
        std::unique_ptr<QWidget> window(OpenBill(m.djType, 0, false));
        auto* bill = qobject_cast<TfrmGoodsBill*>(window.get());
        ASSERT_NE(nullptr, bill);
        EXPECT_EQ(name, bill->family().className);
        EXPECT_EQ(m.djType, bill->djType());
        bill->edBillCode()->setText(u"FM-%1"_s.arg(m.djType));
        if (bill->headerField(u"eddw"_s))
            bill->chooseHeaderRecord(u"eddw"_s, 203, u"华东五金"_s);
        const bool transfer = bill->headerField(u"edfhck"_s) != nullptr;
        if (transfer)
            bill->chooseHeaderRecord(u"edfhck"_s, 301, u"总仓"_s);
        bill->chooseHeaderRecord(
            u"edshck"_s, transfer && m.djType != 9 && m.djType != 7 ? 302 : 301,
            transfer && m.djType != 9 && m.djType != 7 ? u"分仓"_s : u"总仓"_s);
        int row = 0;
        for (const auto& [code, qty] :
             {std::pair{u"SP101"_s, m.qty1}, std::pair{u"SP102"_s, m.qty2}}) {
            if (qty == 0)
                continue;
            ASSERT_TRUE(bill->selectGoodsText(row, code)) << messages().toStdString();
            bill->editCell(row, u"qty"_s, QString::number(qty));
            if (bill->records().fieldIndex(u"Price"_s) >= 0)
                bill->editCell(row, u"Price"_s, m.djType == 14 ? u"12"_s : u"10"_s);
            ++row;
        }
        qint64 draft = 0;
        QObject::connect(bill, &TfrmBillAbstract::billSaved, [&](qint64 id) { draft = id; });
        ASSERT_TRUE(bill->saveBill(false)) << messages().toStdString();
        ASSERT_GT(draft, 0);
        const QString linesSql = u"SELECT COUNT(*) FROM djList WHERE id = %1"_s.arg(draft);
        const double lines = number(linesSql);
        // The draft opens again editable through the bill opener, as from a bill list, and posts.
        std::unique_ptr<TfrmGoodsBill> reopened(
            qobject_cast<TfrmGoodsBill*>(OpenBill(m.djType, draft)));
        ASSERT_NE(nullptr, reopened);
        EXPECT_EQ(int(kBillDraft), reopened->billState());
        EXPECT_FALSE(reopened->isReadOnly());
        EXPECT_EQ(u"FM-%1"_s.arg(m.djType), reopened->edBillCode()->text());
        EXPECT_EQ(row, reopened->goodsRows().size());
        qint64 posted = 0;
        QObject::connect(reopened.get(), &TfrmBillAbstract::billSaved,
                         [&](qint64 id) { posted = id; });
        ASSERT_TRUE(reopened->saveBill(true)) << messages().toStdString();
        // Saved again, the draft stays one bill with its lines once.
        EXPECT_EQ(draft, posted);
        EXPECT_EQ(lines, number(linesSql));
        EXPECT_EQ(1, number(u"SELECT COUNT(*) FROM djIndex WHERE code = 'FM-%1'"_s.arg(m.djType)));
        EXPECT_EQ(m.expected,
                  number(u"SELECT sum(%1) FROM baseGoodsStock WHERE goodsid = %2 AND stockid = %3"_s
                             .arg(QString::fromUtf16(m.column))
                             .arg(m.goods)
                             .arg(m.stock)));
        std::unique_ptr<TfrmGoodsBill> done(
            qobject_cast<TfrmGoodsBill*>(OpenBill(m.djType, posted)));
        ASSERT_NE(nullptr, done);
        EXPECT_EQ(int(kBillPosted), done->billState());
        EXPECT_TRUE(done->isReadOnly());
    }
}

void press(QWidget* target, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

class GoodsBillEntry : public test::BillFixture {
protected:
    void SetUp() override {
        BillFixture::SetUp();
        settings().SeeCost = true;  // prices of purchases are costs
        bill = std::make_unique<TfrmBillJHD>();
        bill->OpenBill(5, 0, false);
        bill->resize(1200, 700);
        bill->show();
        bill->activateWindow();
        QApplication::processEvents();
    }
    void TearDown() override {
        bill.reset();
        BillFixture::TearDown();
    }
    QModelIndex indexOf(int row, const QString& field) const {
        return bill->model()->index(row, bill->gridDefinition().columnIndex(field));
    }
    std::unique_ptr<TfrmBillJHD> bill;
};

// Enter through the cells of a line and on to the next is the keyboard entry's test.
TEST_F(GoodsBillEntry, EnterWalksTheHeaderAndPastTheLastRowAddsOneOnlyAfterGoods) {
    QWidget* supplier = bill->headerControl(u"eddw"_s);
    supplier->setFocus();
    press(supplier, Qt::Key_Return);
    EXPECT_EQ(bill->headerControl(u"edshck"_s), QApplication::focusWidget());
    bill->AddGoods(goods(101, 1, 10));
    bill->AddGoods(goods(102, 1, 10));  // the last row is filled: a third row stands empty
    ASSERT_EQ(3, bill->records().rowCount());
    const GridDefinition& def = bill->gridDefinition();
    int last = -1;  // the last editable column
    for (int c = 0; c < def.columns.size(); ++c)
        if (def.columns.at(c).visible && def.columns.at(c).editable)
            last = c;
    ASSERT_GE(last, 0);
    QTableView* table = bill->dbgvX()->table();
    table->setCurrentIndex(bill->model()->index(2, last));
    press(table, Qt::Key_Return);
    EXPECT_EQ(3, bill->records().rowCount());
    bill->AddGoods(goods(103, 1, 10));
    ASSERT_EQ(4, bill->records().rowCount());
    bill->records().removeRow(3);
    bill->showRecords();
    table->setCurrentIndex(bill->model()->index(2, last));
    press(table, Qt::Key_Return);
    EXPECT_EQ(4, bill->records().rowCount());
    EXPECT_EQ(3, table->currentIndex().row());
}

TEST_F(GoodsBillEntry, DeleteAndF4ActOnTheFocusedRow) {
    bill->AddGoods(goods(101, 1, 10));
    bill->AddGoods(goods(102, 1, 10));
    QTableView* table = bill->dbgvX()->table();
    table->setCurrentIndex(indexOf(1, u"qty"_s));
    press(table, Qt::Key_F4);
    EXPECT_EQ(u"赠品"_s, bill->cell(1, u"RowTypeName"_s));
    EXPECT_EQ(u""_s, bill->cell(0, u"RowTypeName"_s));
    table->setCurrentIndex(indexOf(0, u"qty"_s));
    script.answer(u"否(&C)"_s, u"确定要删除当前行吗？"_s);
    press(table, Qt::Key_Delete);
    EXPECT_EQ(u"101"_s, bill->cell(0, u"goodsid"_s));
    script.answer(u"是(&O)"_s, u"确定要删除当前行吗？"_s);
    press(table, Qt::Key_Delete);
    EXPECT_EQ(u"102"_s, bill->cell(0, u"goodsid"_s));
    EXPECT_TRUE(bill->isGift(0));
}

TEST_F(GoodsBillEntry, AScannedBarcodeAddsItsGoods) {
    const RecordSet found = textRows(
        {u"id"_s, u"code"_s, u"fullName"_s, u"unitid"_s, u"unitName"_s, u"price"_s, u"sonnum"_s},
        {{u"205"_s, u"LS-01"_s, u"螺丝"_s, u"1"_s, u"盒"_s, u"6"_s, u"0"_s}});
    transport->respond(u"ExecProcQuery"_s, 0, {QString(), proto::recordSetToCbor(found)});
    EXPECT_TRUE(bill->scanBarcode(u"6901234567890"_s));
    EXPECT_EQ(u"205|1|6"_s, test::cells(*bill, 0, u"goodsid,unitid,Total"_s));
    // Nothing found: the selection says so and no line is added.
    transport->respond(u"ExecProcQuery"_s, 0, {QString(), proto::recordSetToCbor(RecordSet())});
    EXPECT_FALSE(bill->scanBarcode(u"000"_s));
    EXPECT_EQ(u"无此条码商品！"_s, script.messages().value(script.messages().size() - 1));
    EXPECT_EQ(1, bill->goodsRows().size());
}

TEST_F(GoodsBillEntry, PullingOrdersNeedsTheSupplierAndTakesOverHeaderAndLines) {
    QString asked;  // the kinds and the condition
    const OrderPicker original = goodsOrderPicker();
    goodsOrderPicker() = [&](const QString& kinds, const QString& condition, RecordSet* header,
                             RecordSet* lines) {
        asked = kinds + condition;
        *header = textRows(
            {u"id"_s, u"wldw_id"_s, u"wldw_name"_s, u"jsr_id"_s, u"jsr_name"_s, u"IntoStock_id"_s,
             u"IntoStock_Name"_s, u"summery"_s, u"comment"_s, u"billDiscount"_s},
            {{u"900"_s, u"203"_s, u"甲供应商"_s, u"2"_s, u"张三"_s, u"301"_s, u"总仓"_s, u"急单"_s,
              u"月底到货"_s, u"0.95"_s}});
        *lines =
            textRows({u"id"_s, u"orderid"_s, u"goodsid"_s, u"goodsCode"_s, u"goodsname"_s,
                      u"unitid"_s, u"unitName"_s, u"qty"_s, u"toQty"_s, u"Price"_s, u"discount"_s},
                     {{u"900"_s, u"2"_s, u"101"_s, u"SP101"_s, u"螺丝"_s, u"0"_s, u"个"_s, u"10"_s,
                       u"4"_s, u"3"_s, u"1"_s}});
        return true;
    };
    EXPECT_EQ(u"请先选择供货单位"_s, test::errorOf([&] { bill->pullOrders(); }));
    EXPECT_TRUE(asked.isEmpty());
    bill->chooseHeaderRecord(u"eddw"_s, 203, u"甲供应商"_s);
    bill->pullOrders();
    goodsOrderPicker() = original;
    EXPECT_EQ(u"(8);wldw_id=203"_s, asked);
    EXPECT_EQ(u"2 301"_s,
              u"%1 %2"_s.arg(bill->headerId(u"edjsr"_s)).arg(bill->headerId(u"edshck"_s)));
    EXPECT_EQ(u"张三|原摘要：急单|0.95"_s, test::headers(*bill, u"edjsr,edzhaiyao,edzdzk"_s));
    EXPECT_EQ(u"原说明：月底到货"_s, bill->edComment()->text());
    // The open 6 of the order line, at the order's price.
    EXPECT_EQ(u"101|6|900|2"_s, test::cells(*bill, 0, u"goodsid,qty,s_id,s_orderid"_s));
}

TEST_F(GoodsBillEntry, AuxiliaryQuantitiesComeFromTheServer) {
    bill->AddGoods(goods(101, 1, 10));
    transport->clearCalls();
    answerQuery(textRows({u"fzQty"_s, u"fzQty1"_s, u"fzQty2"_s}, {{u"1箱2个"_s, u"14"_s, u""_s}}));
    bill->editCell(0, u"qty"_s, u"14"_s);
    EXPECT_EQ(u"1箱2个|14"_s, test::cells(*bill, 0, u"fzqty,fzqty1"_s));
    const QString sql = sqlOf(u"ExecQuery"_s).value(sqlOf(u"ExecQuery"_s).size() - 1);
    EXPECT_EQ(
        u"select dbo.fnGetBaseGoodsFZQty(101,0,14,0) fzQty "
        u",dbo.fnGetBaseGoodsFZQty(101,0,14,1) fzQty1 "
        u",dbo.fnGetBaseGoodsFZQty(101,0,14,2) fzQty2 "_s,
        sql);
}

}  // namespace
}  // namespace dyt::client
