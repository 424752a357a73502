// The bill service QMXService: drafts, posting, the packets, and what it refuses; bill numbering.
#include <gtest/gtest.h>

#include "bill_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

class BillService : public BillFixture {
protected:
    qint64 lineCount(qint64 billId) {
        return count(u"SELECT COUNT(*) FROM djList WHERE id = %1"_s.arg(billId));
    }
};

TEST_F(BillService, ADraftSavedTwiceKeepsOneBillAndBlankGridRowsAreLeftOut) {
    const QString d = today();
    const qint64 first = saveGoodsBill(false, 5, d, {{101, 2, 5}, {102, 1, 7}});
    ASSERT_GT(first, 0);
    EXPECT_EQ(2, lineCount(first));
    const qint64 second = saveGoodsBill(false, 5, d, {{103, 4, 3}}, first);
    EXPECT_EQ(first, second);
    EXPECT_EQ(1, count(u"SELECT COUNT(*) FROM djIndex"_s));
    EXPECT_EQ(QStringList{u"103"_s},
              rowsOf(u"SELECT goodsid FROM djList WHERE id = %1"_s.arg(second)));
    // A draft; the maker is the operator; the taxed sum is the sum of the lines (4 × 3).
    EXPECT_EQ(
        QStringList{u"1|1|12"_s},
        rowsOf(u"SELECT dj_state, rec_id, taxTotalSum FROM djIndex WHERE id = %1"_s.arg(second)));
    // Blank grid rows are left out: the four first columns decide, not the warehouse or the note.
    RecordSet rows = goodsLinesPacket(makeBill(5, d, {{101, 1, 5}}));  // the line, a blank row
    const RecordSet::Row blank = rows.row(1);
    rows.appendRow(blank);
    rows.appendRow(blank);
    rows.setAt(2, rows.fieldIndex(u"IntoStock_id"_s), u"301"_s);
    rows.setAt(3, rows.fieldIndex(u"goodsname"_s), u"手写的商品名"_s);
    rows.setAt(3, rows.fieldIndex(u"comment"_s), u"行备注"_s);
    const qint64 id = service(u"SaveToDraft"_s, billHeader(5, d), rows).code;
    EXPECT_EQ(2, lineCount(id));
    EXPECT_EQ(
        u"行备注"_s,
        scalar(u"SELECT comment FROM djList WHERE id = %1 AND goodsid = 0"_s.arg(id)).toString());
}

TEST_F(BillService, PostingADraftReplacesItAndAPostedBillIsNeverReplaced) {
    const QString d = today();
    const qint64 draft = saveGoodsBill(false, 5, d, {{101, 2, 5}});
    const qint64 posted = saveGoodsBill(true, 5, d, {{101, 3, 5}}, draft);
    EXPECT_EQ(draft, posted);
    EXPECT_EQ(1, count(u"SELECT COUNT(*) FROM djIndex"_s));
    EXPECT_EQ(
        QStringList{u"2|1|1"_s},
        rowsOf(u"SELECT dj_state, postid, postDateTime <> '' FROM djIndex WHERE id = %1"_s.arg(
            posted)));
    EXPECT_EQ(2, count(u"SELECT MIN(dj_state) FROM djList WHERE id = %1"_s.arg(posted)));
    const QString before = footprint();
    for (const bool asDraft : {true, false}) {
        const ServiceResult r = save(makeBill(5, d, {{102, 9, 1}}, posted), asDraft);
        EXPECT_EQ(-1, r.code) << asDraft;
        EXPECT_EQ(u"这张单据已经过账，不能再次保存！"_s, r.message) << asDraft;
    }
    EXPECT_EQ(before, footprint());
    EXPECT_EQ(101, count(u"SELECT goodsid FROM djList WHERE id = %1"_s.arg(posted)));
}

TEST_F(BillService, HeaderValuesAndAccountsAreStoredAndThreeAuditStepsMustBeDoneToPost) {
    ParamList p = billHeader(5, today());
    p.setValue(u"sfkTotal"_s, u"1,234.50"_s);
    p.setValue(u"sfkKm_id"_s, u"8"_s);
    p.setValue(u"YouHuiBiLv"_s, u"2.5"_s);
    p.setValue(u"total"_s, u"1,250.00"_s);
    p.setValue(u"sfkDate"_s, u"2025-01-31"_s);
    p.setValue(u"code"_s, u"JH-0007"_s);
    p.setValue(u"summery"_s, u"摘要"_s);
    p.setValue(u"dj_Caption"_s, u"进货单"_s);
    const RecordSet accounts = textRows({u"km_id"_s, u"type"_s, u"dbtotal"_s, u"Lendtotal"_s},
                                        {{u"8"_s, u"1"_s, u"0"_s, u"1234.5"_s},
                                         {u"36"_s, u"2"_s, u"0"_s, u"15.5"_s},
                                         {QString(), QString(), QString(), QString()}});
    const ServiceResult r = service(
        u"SaveToDraft"_s, p, goodsLinesPacket(makeBill(5, today(), {{101, 250, 5}})), accounts);
    ASSERT_GT(r.code, 0) << r.message.toStdString();
    EXPECT_EQ(QStringList{u"JH-0007|1234.5|8|2.5|1250|2025-01-31|201|301|摘要|进货单"_s},
              rowsOf(u"SELECT code, sfkTotal, sfkKm_id, YouHuiBiLv, total, sfkDate, wldw_id, "
                     "IntoStock_id, summery, djname FROM djIndex WHERE id = %1"_s.arg(r.code)));
    EXPECT_EQ((QStringList{u"8|1|0|1234.5|1"_s, u"36|2|0|15.5|1"_s}),
              rowsOf(u"SELECT km_id, type, dbTotal, LendTotal, dj_state FROM djKmDetail WHERE "
                     "id = %1 ORDER BY type"_s.arg(r.code)));
    update(u"UPDATE sysDjb SET inputnum = 3 WHERE id = 5"_s);
    const std::vector<GoodsLine> lines = {{101, 1, 5}};
    // A new bill has no step performed: it cannot be posted, but it can be a draft.
    const QString before = footprint();
    const ServiceResult direct = save(makeBill(5, today(), lines));
    EXPECT_EQ(-1, direct.code);
    EXPECT_EQ(u"这张单据采用分级审核，现在还没有审核完，不能过账！"_s, direct.message);
    EXPECT_EQ(before, footprint());
    const qint64 draft = saveGoodsBill(false, 5, today(), lines);
    update(u"Update djindex set inputid2 = 2 where id = %1"_s.arg(draft));
    // Step 3 missing: posting refused, saving the draft again works and keeps step 2.
    const ServiceResult half = save(makeBill(5, today(), lines, draft));
    EXPECT_EQ(-1, half.code);
    EXPECT_EQ(u"这张单据采用分级审核，现在还没有审核完，不能过账！"_s, half.message);
    EXPECT_EQ(draft, saveGoodsBill(false, 5, today(), lines, draft));
    EXPECT_EQ(2, count(u"SELECT inputid2 FROM djIndex WHERE id = %1"_s.arg(draft)));
    EXPECT_EQ(u"张三"_s,
              scalar(u"SELECT inputid2Name FROM djIndex WHERE id = %1"_s.arg(draft)).toString());
    update(u"Update djindex set inputid3 = 1 where id = %1"_s.arg(draft));
    EXPECT_EQ(draft, saveGoodsBill(true, 5, today(), lines, draft));
    EXPECT_EQ(2, count(u"SELECT dj_state FROM djIndex WHERE id = %1"_s.arg(draft)));
}

TEST_F(BillService, AReceiptStoresItsAccountsAndTheBillsItSettles) {
    const qint64 sale = saveGoodsBill(false, 1, today(), {{101, 1, 30}});
    update(u"UPDATE djIndex SET dj_state = 2, total = 30 WHERE id = %1"_s.arg(sale));
    ParamList p = billHeader(21, today());
    p.setValue(u"total"_s, u"100"_s);
    p.setValue(u"hhlx"_s, u"1"_s);
    const RecordSet accountRows = textRows(
        {u"km_id"_s, u"orderid"_s, u"km_Code"_s, u"km_Name"_s, u"total"_s, u"rowbeizhu1"_s},
        {{u"8"_s, QString(), u"103"_s, u"现金"_s, u"60"_s, u"现金部分"_s},
         {u"36"_s, QString(), u"10401"_s, u"银行存款"_s, u"40"_s, QString()},
         {QString(), QString(), QString(), QString(), QString(), QString()}});
    const RecordSet settled = textRows({u"s_id"_s, u"djType"_s, u"billCode"_s, u"Total"_s},
                                       {{QString::number(sale), u"1"_s, u"JH-1"_s, u"30"_s},
                                        {u"0"_s, QString(), QString(), QString()}});
    const ServiceResult r = service(u"SaveToDraft"_s, p, accountRows, settled);
    ASSERT_GT(r.code, 0) << r.message.toStdString();
    EXPECT_EQ(1, count(u"SELECT hhlx FROM djIndex WHERE id = %1"_s.arg(r.code)));
    // Money received is a debit of the account.
    EXPECT_EQ((QStringList{u"8|1|60|0"_s, u"36|1|40|0"_s}),
              rowsOf(u"SELECT km_id, type, dbTotal, LendTotal FROM djKmDetail WHERE id = %1 "
                     "ORDER BY km_id"_s.arg(r.code)));
    EXPECT_EQ((QStringList{u"8|0|60|现金部分"_s, u"36|0|40|"_s, u"0|%1|30|"_s.arg(sale)}),
              rowsOf(u"SELECT km_id, s_id, total, rowbeizhu1 FROM djList WHERE id = %1 ORDER BY "
                     "orderid"_s.arg(r.code)));
    // A payment books the money as leaving the account.
    ParamList pay = billHeader(22, today());
    const ServiceResult r2 =
        service(u"SaveToDraft"_s, pay,
                textRows({u"km_id"_s, u"orderid"_s, u"km_Code"_s, u"km_Name"_s, u"total"_s},
                         {{u"8"_s, QString(), QString(), QString(), u"25"_s}}));
    ASSERT_GT(r2.code, 0) << r2.message.toStdString();
    EXPECT_EQ(25.0,
              scalar(u"SELECT LendTotal FROM djKmDetail WHERE id = %1"_s.arg(r2.code)).toDouble());
}

TEST_F(BillService, BadInputIsRefusedWithItsReasonAndNothingIsWritten) {
    const qint64 kept = saveGoodsBill(false, 5, today(), {{101, 1, 5}});
    update(u"UPDATE sysData SET sysValue = '2' WHERE id = 208042002"_s);
    struct Case {
        const char* name;
        QString method;
        ParamList params;
        RecordSet lines;
        RecordSet accounts;
        QString message;
    };
    const auto lines = [](std::vector<GoodsLine> l) {
        return goodsLinesPacket(makeBill(5, today(), std::move(l)));
    };
    const RecordSet good = lines({{101, 1, 5}});
    RecordSet noGoods = lines({{101, 1, 5}, {101, 1, 5}});
    noGoods.setAt(1, 0, QString());
    RecordSet badQty = good;
    badQty.setAt(0, good.fieldIndex(u"qty"_s), u"abc"_s);
    ParamList unknownKind = billHeader(52, today());
    ParamList notADate = billHeader(5, u"2025-13-01"_s);
    ParamList badAmount = billHeader(5, today());
    badAmount.setValue(u"sfkTotal"_s, u"12元"_s);
    ParamList gone = billHeader(5, today(), 9999);
    ParamList otherKind = billHeader(6, today(), kept);
    const RecordSet badAccount = accountPacket({{.km = 8, .amount = 1, .type = 3}});
    const RecordSet noAccount = accountPacket({{.km = 777, .amount = 1}});
    const QString draft = u"SaveToDraft"_s;
    const ParamList h = billHeader(5, today());
    // clang-format off
    const Case cases[] = {
        {"unknown kind", draft, unknownKind, good, {}, u"单据类型[52]不存在"_s},
        {"quantity, no goods", draft, h, noGoods, {}, u"第2行没有选择商品，不能录入数量"_s},
        {"bad quantity", u"SaveToDB"_s, h, badQty, {}, u"[第1行qty]不是有效的数字：abc"_s},
        {"date not a date", draft, notADate, good, {}, u"[录单日期]不是有效的日期：2025-13-01"_s},
        {"amount not a number", draft, badAmount, good, {}, u"[sfkTotal]不是有效的数字：12元"_s},
        {"unknown goods", draft, h, lines({{999, 1, 5}}), {}, u"第1行的商品不存在（商品ID：999）"_s},
        {"account type", draft, h, good, badAccount, u"账户明细第1行的类型只能是1或2：3"_s},
        {"no account", draft, h, good, noAccount, u"账户明细第1行的账户不存在（账户ID：777）"_s},
        {"draft gone", draft, gone, good, {}, u"你要保存的草稿已经不存在，有可能已被删除！"_s},
        {"other kind", draft, otherKind, good, {}, u"草稿的单据类型与本单据不符，不能保存！"_s},
        {"unknown method", u"Send"_s, h, good, {}, u"QMXService不支持方法[Send]"_s}};
    // clang-format on
    const QString before = footprint();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ServiceResult r = service(c.method, c.params, c.lines, c.accounts);
        EXPECT_EQ(-1, r.code);
        EXPECT_EQ(c.message, r.message);
        EXPECT_EQ(before, footprint());
    }
    EXPECT_EQ(1, lineCount(kept));
}

// --- bill numbering
class BillNumbering : public BillFixture {};

// The counter each date gets when every number handed out is used up at once (rule two = 0).
TEST_F(BillNumbering, PeriodsKindsAndTheResetStartTheCountersAgain) {
    const QStringList dates = {u"2024-12-30"_s, u"2024-12-30"_s, u"2024-12-31"_s, u"2025-01-01"_s,
                               u"2025-01-01"_s, u"2025-01-31"_s, u"2025-02-01"_s, u"2025-02-01"_s};
    struct Case {
        const char* name;
        int period;
        QList<qint64> expected;
    };
    const Case cases[] = {// Yearly: one run through 2024, a new run from the first day of 2025.
                          {"yearly", 0, {1, 2, 3, 1, 2, 3, 4, 5}},
                          // Monthly: a new run on 2025-01-01 and on 2025-02-01.
                          {"monthly", 1, {1, 2, 3, 1, 2, 3, 1, 2}},
                          // Daily: a new run with each new day.
                          {"daily", 2, {1, 2, 1, 1, 2, 1, 1, 2}}};
    for (const Case& c : cases) {
        setRules(1, 0, c.period);
        QList<qint64> got;
        for (const QString& d : dates)
            got << nextNo(5, d);
        EXPECT_EQ(c.expected, got) << c.name;
    }
    // All kinds share one run or each kind has its own; the reset starts them again.
    const QString d = u"2025-03-10"_s;
    setRules(0, 0, 0);
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(2, nextNo(1, d));
    EXPECT_EQ(3, nextNo(5, d));
    EXPECT_EQ(3, count(u"SELECT yearMaxNo FROM sysbillNo WHERE id = 0"_s));
    setRules(1, 0, 0);
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(1, nextNo(1, d));
    EXPECT_EQ(2, nextNo(5, d));
    EXPECT_EQ(1, nextNo(21, d));
    EXPECT_EQ(0, count(u"SELECT yearMaxNo FROM sysbillNo WHERE id = 0"_s));
    // The counter reset of the numbering window starts every run again.
    update(u" update sysbillNo set yearMaxNo=0, monthMaxNo=0, dayMaxNo=0 "_s);
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(1, nextNo(1, d));
}

TEST_F(BillNumbering, ANumberThatCannotBeVoidedIsGoneAndALateBillContinuesTheCounters) {
    setRules(1, 0, 0);
    const QString d = today();
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(2, nextNo(5, d));  // the first one was never saved and is skipped for good
    saveGoodsBill(false, 5, d, {{101, 1, 5}});
    EXPECT_EQ(3, nextNo(5, d));  // saving does not move it a second time
    // A late bill continues the current counters.
    setRules(1, 0, 1);
    EXPECT_EQ(1, nextNo(5, u"2025-03-02"_s));
    EXPECT_EQ(2, nextNo(5, u"2025-03-05"_s));
    // A bill dated in February after March was numbered: no restart, March stays current.
    EXPECT_EQ(3, nextNo(5, u"2025-02-27"_s));
    EXPECT_EQ(4, nextNo(5, u"2025-03-06"_s));
    EXPECT_EQ(u"2025-03-06"_s, scalar(u"SELECT lastDate FROM sysbillNo WHERE id = 5"_s).toString());
}

TEST_F(BillNumbering, ANumberCountedAtPostingComesBackAndOneCountedAtSavingMovesOnce) {
    setRules(1, 1, 0);
    const QString d = today();
    EXPECT_EQ(1, nextNo(5, d));
    EXPECT_EQ(1, nextNo(5, d));
    const qint64 draft = saveGoodsBill(false, 5, d, {{101, 2, 5}});
    EXPECT_EQ(1, nextNo(5, d));  // a draft does not use it up
    saveGoodsBill(true, 5, d, {{101, 2, 5}}, draft);
    EXPECT_EQ(2, nextNo(5, d));
    saveGoodsBill(true, 5, d, {{102, 1, 5}});
    EXPECT_EQ(3, nextNo(5, d));
    // A number counted at saving moves once, with the first save.
    setRules(1, 2, 2);
    const QString day = u"2025-05-31"_s;
    EXPECT_EQ(1, nextNo(5, day));
    EXPECT_EQ(1, nextNo(5, day));
    const qint64 kept = saveGoodsBill(false, 5, day, {{101, 1, 5}});
    EXPECT_EQ(2, nextNo(5, day));
    saveGoodsBill(false, 5, day, {{101, 3, 5}}, kept);
    EXPECT_EQ(2, nextNo(5, day));  // the draft saved again keeps its number
    // The next day starts the daily run again, and the counter follows the bill date.
    saveGoodsBill(false, 5, u"2025-06-01"_s, {{102, 1, 5}});
    EXPECT_EQ(2, nextNo(5, u"2025-06-01"_s));
}

TEST_F(BillNumbering, TheAnswerCarriesFormatDateAndMachineFlagAndBadRequestsAreRefused) {
    update(u"UPDATE sysDjb SET SNFormat = '\"JH\"-yyyymmdd-[0000]' WHERE id = 5"_s);
    for (int machine : {0, 1}) {
        setRules(1, 0, 0, machine);
        const RecordSet rs = autoCode(5, u"2025-07-08"_s);
        ASSERT_EQ(1, rs.rowCount());
        EXPECT_EQ(u"\"JH\"-yyyymmdd-[0000]"_s, rs.at(0, rs.fieldIndex(u"SNFormat"_s)).toString());
        EXPECT_EQ(u"2025-07-08"_s, rs.at(0, rs.fieldIndex(u"BillDate"_s)).toString());
        EXPECT_EQ(machine, rs.at(0, rs.fieldIndex(u"IsPcID"_s)).toInt());
    }
    setRules(1, 0, 0);
    // clang-format off
    struct Case { QString kind; QString date; QString message; };
    const Case cases[] = {
        {u"52"_s, u"2025-01-01"_s, u"单据类型[52]不存在"_s},
        {u"x"_s, u"2025-01-01"_s, u"[单据类型]不是有效的数字：x"_s},
        {u"5"_s, u"2025-02-30"_s, u"[单据日期]不是有效的日期：2025-02-30"_s},
        {u"5"_s, QString(), u"[单据日期]不是有效的日期："_s}};
    // clang-format on
    const QString before = footprint();
    for (const Case& c : cases) {
        ParamList p;
        p.setValue(u"BillType"_s, c.kind);
        p.setValue(u"BillDate"_s, c.date);
        EXPECT_EQ(c.message,
                  dyt::test::errorOf([&] { procQuery(u"p_sys_Get_BillAutoCode"_s, p); }));
    }
    EXPECT_EQ(before, footprint());
}

}  // namespace
}  // namespace dyt::server::test
