// The bill service QMXService: drafts, posting, the packets, and what it refuses.
#include <gtest/gtest.h>

#include "bill_fixture.h"

namespace dyt::server::test {
namespace {

class BillService : public BillFixture {
protected:
    qint64 lineCount(qint64 billId) {
        return count(QStringLiteral("SELECT COUNT(*) FROM djList WHERE id = %1").arg(billId));
    }
};

TEST_F(BillService, ADraftSavedTwiceKeepsOneBill) {
    const QString d = today();
    const qint64 first =
        saveGoodsBill(false, 5, d,
                      {goodsLine(QStringLiteral("101"), QStringLiteral("2"), QStringLiteral("5")),
                       goodsLine(QStringLiteral("102"), QStringLiteral("1"), QStringLiteral("7"))});
    ASSERT_GT(first, 0);
    EXPECT_EQ(2, lineCount(first));

    const qint64 second = saveGoodsBill(
        false, 5, d, {goodsLine(QStringLiteral("103"), QStringLiteral("4"), QStringLiteral("3"))},
        first);
    EXPECT_EQ(first, second);
    EXPECT_EQ(1, count(QStringLiteral("SELECT COUNT(*) FROM djIndex")));
    EXPECT_EQ(1, lineCount(second));
    EXPECT_EQ(103, count(QStringLiteral("SELECT goodsid FROM djList WHERE id = %1").arg(second)));
    EXPECT_EQ(1, count(QStringLiteral("SELECT dj_state FROM djIndex WHERE id = %1").arg(second)));
    // The maker is the operator; the taxed sum is the sum of the lines (4 × 3).
    EXPECT_EQ(1, count(QStringLiteral("SELECT rec_id FROM djIndex WHERE id = %1").arg(second)));
    EXPECT_EQ(12.0,
              scalar(QStringLiteral("SELECT taxTotalSum FROM djIndex WHERE id = %1").arg(second))
                  .toDouble());
}

TEST_F(BillService, PostingADraftReplacesItAndAPostedBillIsNeverReplaced) {
    const QString d = today();
    const qint64 draft = saveGoodsBill(
        false, 5, d, {goodsLine(QStringLiteral("101"), QStringLiteral("2"), QStringLiteral("5"))});
    const qint64 posted = saveGoodsBill(
        true, 5, d, {goodsLine(QStringLiteral("101"), QStringLiteral("3"), QStringLiteral("5"))},
        draft);
    EXPECT_EQ(draft, posted);
    EXPECT_EQ(1, count(QStringLiteral("SELECT COUNT(*) FROM djIndex")));
    EXPECT_EQ(2, count(QStringLiteral("SELECT dj_state FROM djIndex WHERE id = %1").arg(posted)));
    EXPECT_EQ(2,
              count(QStringLiteral("SELECT MIN(dj_state) FROM djList WHERE id = %1").arg(posted)));
    EXPECT_EQ(1, count(QStringLiteral("SELECT postid FROM djIndex WHERE id = %1").arg(posted)));
    EXPECT_FALSE(
        scalar(QStringLiteral("SELECT postDateTime FROM djIndex WHERE id = %1").arg(posted))
            .toString()
            .isEmpty());

    const QString before = footprint();
    for (const char* method : {"SaveToDraft", "SaveToDB"}) {
        const ServiceResult r = service(
            QString::fromLatin1(method), billHeader(5, d, posted),
            textPacket(goodsLineFields(), {goodsLine(QStringLiteral("102"), QStringLiteral("9"),
                                                     QStringLiteral("1"))}));
        EXPECT_EQ(-1, r.code) << method;
        EXPECT_EQ(QStringLiteral("这张单据已经过账，不能再次保存！"), r.message) << method;
    }
    EXPECT_EQ(before, footprint());
    EXPECT_EQ(101, count(QStringLiteral("SELECT goodsid FROM djList WHERE id = %1").arg(posted)));
}

TEST_F(BillService, BlankGridRowsAreLeftOutAndARowWithOnlyAGoodsNameIsKept) {
    QStringList blank = goodsLine(QString(), QString(), QString());
    for (QString& v : blank)
        v.clear();
    QStringList blankButWarehouse = blank;  // the four first columns decide, not the others
    blankButWarehouse[4] = QStringLiteral("301");
    QStringList nameOnly = blank;
    nameOnly[3] = QStringLiteral("手写的商品名");
    nameOnly[12] = QStringLiteral("行备注");
    const qint64 id = saveGoodsBill(
        false, 5, today(),
        {blank, goodsLine(QStringLiteral("101"), QStringLiteral("1"), QStringLiteral("5")),
         blankButWarehouse, nameOnly, blank});
    EXPECT_EQ(2, lineCount(id));
    EXPECT_EQ(
        QStringLiteral("行备注"),
        scalar(QStringLiteral("SELECT comment FROM djList WHERE id = %1 AND goodsid = 0").arg(id))
            .toString());
}

TEST_F(BillService, HeaderValuesAndTheAccountPacketAreStored) {
    ParamList p = billHeader(5, today());
    p.setValue(QStringLiteral("sfkTotal"), QStringLiteral("1,234.50"));
    p.setValue(QStringLiteral("sfkKm_id"), QStringLiteral("8"));
    p.setValue(QStringLiteral("YouHuiBiLv"), QStringLiteral("2.5"));
    p.setValue(QStringLiteral("total"), QStringLiteral("1,250.00"));
    p.setValue(QStringLiteral("sfkDate"), QStringLiteral("2025-01-31"));
    p.setValue(QStringLiteral("code"), QStringLiteral("JH-0007"));
    const RecordSet accounts = textPacket(
        {QStringLiteral("km_id"), QStringLiteral("type"), QStringLiteral("dbtotal"),
         QStringLiteral("Lendtotal")},
        {{QStringLiteral("8"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("1234.5")},
         {QStringLiteral("36"), QStringLiteral("2"), QStringLiteral("0"), QStringLiteral("15.5")},
         {QString(), QString(), QString(), QString()}});
    const ServiceResult r = service(
        QStringLiteral("SaveToDraft"), p,
        textPacket(goodsLineFields(),
                   {goodsLine(QStringLiteral("101"), QStringLiteral("250"), QStringLiteral("5"))}),
        accounts);
    ASSERT_GT(r.code, 0) << r.message.toStdString();
    const RecordSet head = query(
        QStringLiteral("SELECT code, sfkTotal, sfkKm_id, YouHuiBiLv, total, sfkDate, wldw_id, "
                       "IntoStock_id, summery, djname FROM djIndex WHERE id = %1")
            .arg(r.code));
    ASSERT_EQ(1, head.rowCount());
    EXPECT_EQ(QStringLiteral("JH-0007"), head.at(0, 0).toString());
    EXPECT_EQ(1234.5, head.at(0, 1).toDouble());
    EXPECT_EQ(8, head.at(0, 2).toLongLong());
    EXPECT_EQ(2.5, head.at(0, 3).toDouble());
    EXPECT_EQ(1250.0, head.at(0, 4).toDouble());
    EXPECT_EQ(QStringLiteral("2025-01-31"), head.at(0, 5).toString());
    EXPECT_EQ(201, head.at(0, 6).toLongLong());
    EXPECT_EQ(301, head.at(0, 7).toLongLong());
    EXPECT_EQ(QStringLiteral("摘要"), head.at(0, 8).toString());
    EXPECT_EQ(QStringLiteral("进货单"), head.at(0, 9).toString());

    const RecordSet km = query(
        QStringLiteral("SELECT km_id, type, dbTotal, LendTotal, dj_state FROM djKmDetail WHERE "
                       "id = %1 ORDER BY type")
            .arg(r.code));
    ASSERT_EQ(2, km.rowCount());
    EXPECT_EQ(8, km.at(0, 0).toLongLong());
    EXPECT_EQ(1, km.at(0, 1).toLongLong());
    EXPECT_EQ(1234.5, km.at(0, 3).toDouble());
    EXPECT_EQ(36, km.at(1, 0).toLongLong());
    EXPECT_EQ(2, km.at(1, 1).toLongLong());
    EXPECT_EQ(15.5, km.at(1, 3).toDouble());
    EXPECT_EQ(1, km.at(1, 4).toLongLong());
}

TEST_F(BillService, AReceiptStoresItsAccountsAndTheBillsItSettles) {
    const qint64 sale = saveGoodsBill(
        false, 1, today(),
        {goodsLine(QStringLiteral("101"), QStringLiteral("1"), QStringLiteral("30"))});
    update(QStringLiteral("UPDATE djIndex SET dj_state = 2, total = 30 WHERE id = %1").arg(sale));
    ParamList p = billHeader(21, today());
    p.setValue(QStringLiteral("total"), QStringLiteral("100"));
    p.setValue(QStringLiteral("hhlx"), QStringLiteral("1"));
    const RecordSet accountRows = textPacket(
        {QStringLiteral("km_id"), QStringLiteral("orderid"), QStringLiteral("km_Code"),
         QStringLiteral("km_Name"), QStringLiteral("total"), QStringLiteral("rowbeizhu1")},
        {{QStringLiteral("8"), QString(), QStringLiteral("103"), QStringLiteral("现金"),
          QStringLiteral("60"), QStringLiteral("现金部分")},
         {QStringLiteral("36"), QString(), QStringLiteral("10401"), QStringLiteral("银行存款"),
          QStringLiteral("40"), QString()},
         {QString(), QString(), QString(), QString(), QString(), QString()}});
    const RecordSet settled = textPacket(
        {QStringLiteral("s_id"), QStringLiteral("djType"), QStringLiteral("billCode"),
         QStringLiteral("Total")},
        {{QString::number(sale), QStringLiteral("1"), QStringLiteral("JH-1"), QStringLiteral("30")},
         {QStringLiteral("0"), QString(), QString(), QString()}});
    const ServiceResult r = service(QStringLiteral("SaveToDraft"), p, accountRows, settled);
    ASSERT_GT(r.code, 0) << r.message.toStdString();

    EXPECT_EQ(1, count(QStringLiteral("SELECT hhlx FROM djIndex WHERE id = %1").arg(r.code)));
    const RecordSet km =
        query(QStringLiteral("SELECT km_id, type, dbTotal, LendTotal FROM djKmDetail WHERE id = %1 "
                             "ORDER BY km_id")
                  .arg(r.code));
    ASSERT_EQ(2, km.rowCount());
    EXPECT_EQ(8, km.at(0, 0).toLongLong());
    EXPECT_EQ(1, km.at(0, 1).toLongLong());
    EXPECT_EQ(60.0, km.at(0, 2).toDouble());  // money received is a debit of the account
    EXPECT_EQ(0.0, km.at(0, 3).toDouble());
    EXPECT_EQ(40.0, km.at(1, 2).toDouble());
    const RecordSet rows = query(
        QStringLiteral("SELECT km_id, s_id, total, rowbeizhu1 FROM djList WHERE id = %1 ORDER BY "
                       "orderid")
            .arg(r.code));
    ASSERT_EQ(3, rows.rowCount());
    EXPECT_EQ(QStringLiteral("现金部分"), rows.at(0, 3).toString());
    EXPECT_EQ(0, rows.at(2, 0).toLongLong());
    EXPECT_EQ(sale, rows.at(2, 1).toLongLong());
    EXPECT_EQ(30.0, rows.at(2, 2).toDouble());

    // A payment books the money as leaving the account.
    ParamList pay = billHeader(22, today());
    const ServiceResult r2 = service(
        QStringLiteral("SaveToDraft"), pay,
        textPacket({QStringLiteral("km_id"), QStringLiteral("orderid"), QStringLiteral("km_Code"),
                    QStringLiteral("km_Name"), QStringLiteral("total")},
                   {{QStringLiteral("8"), QString(), QString(), QString(), QStringLiteral("25")}}));
    ASSERT_GT(r2.code, 0) << r2.message.toStdString();
    EXPECT_EQ(25.0,
              scalar(QStringLiteral("SELECT LendTotal FROM djKmDetail WHERE id = %1").arg(r2.code))
                  .toDouble());
}

TEST_F(BillService, AKindWithThreeAuditStepsPostsOnlyWhenEveryStepIsDone) {
    update(QStringLiteral("UPDATE sysDjb SET inputnum = 3 WHERE id = 5"));
    const QList<QStringList> lines = {
        goodsLine(QStringLiteral("101"), QStringLiteral("1"), QStringLiteral("5"))};
    // A new bill has no step performed: it cannot be posted, but it can be a draft.
    const QString before = footprint();
    const ServiceResult direct = service(QStringLiteral("SaveToDB"), billHeader(5, today()),
                                         textPacket(goodsLineFields(), lines));
    EXPECT_EQ(-1, direct.code);
    EXPECT_EQ(QStringLiteral("这张单据采用分级审核，现在还没有审核完，不能过账！"), direct.message);
    EXPECT_EQ(before, footprint());

    const qint64 draft = saveGoodsBill(false, 5, today(), lines);
    update(QStringLiteral("Update djindex set inputid2 = 2 where id = %1").arg(draft));
    // Step 3 missing: posting refused, saving the draft again works and keeps step 2.
    const ServiceResult half = service(QStringLiteral("SaveToDB"), billHeader(5, today(), draft),
                                       textPacket(goodsLineFields(), lines));
    EXPECT_EQ(-1, half.code);
    EXPECT_EQ(QStringLiteral("这张单据采用分级审核，现在还没有审核完，不能过账！"), half.message);
    EXPECT_EQ(draft, saveGoodsBill(false, 5, today(), lines, draft));
    EXPECT_EQ(2, count(QStringLiteral("SELECT inputid2 FROM djIndex WHERE id = %1").arg(draft)));
    EXPECT_EQ(QStringLiteral("张三"),
              scalar(QStringLiteral("SELECT inputid2Name FROM djIndex WHERE id = %1").arg(draft))
                  .toString());

    update(QStringLiteral("Update djindex set inputid3 = 1 where id = %1").arg(draft));
    EXPECT_EQ(draft, saveGoodsBill(true, 5, today(), lines, draft));
    EXPECT_EQ(2, count(QStringLiteral("SELECT dj_state FROM djIndex WHERE id = %1").arg(draft)));
}

TEST_F(BillService, BadInputIsRefusedWithItsReasonAndNothingIsWritten) {
    const qint64 kept =
        saveGoodsBill(false, 5, today(),
                      {goodsLine(QStringLiteral("101"), QStringLiteral("1"), QStringLiteral("5"))});
    update(QStringLiteral("UPDATE sysData SET sysValue = '2' WHERE id = 208042002"));
    struct Case {
        const char* name;
        QString method;
        ParamList params;
        QList<QStringList> lines;
        RecordSet accounts;
        QString message;
    };
    const QStringList good =
        goodsLine(QStringLiteral("101"), QStringLiteral("1"), QStringLiteral("5"));
    QStringList noGoods = good;
    noGoods[0].clear();
    QStringList badQty = good;
    badQty[6] = QStringLiteral("abc");
    QStringList badDate = good;
    const QStringList unknownGoods =
        goodsLine(QStringLiteral("999"), QStringLiteral("1"), QStringLiteral("5"));
    ParamList unknownKind = billHeader(52, today());
    ParamList notADate = billHeader(5, QStringLiteral("2025-13-01"));
    ParamList badAmount = billHeader(5, today());
    badAmount.setValue(QStringLiteral("sfkTotal"), QStringLiteral("12元"));
    ParamList goneDraft = billHeader(5, today(), 9999);
    ParamList otherKind = billHeader(6, today(), kept);
    const RecordSet badAccount = textPacket(
        {QStringLiteral("km_id"), QStringLiteral("type"), QStringLiteral("dbtotal"),
         QStringLiteral("Lendtotal")},
        {{QStringLiteral("8"), QStringLiteral("3"), QStringLiteral("0"), QStringLiteral("1")}});
    const RecordSet unknownAccount = textPacket(
        {QStringLiteral("km_id"), QStringLiteral("type"), QStringLiteral("dbtotal"),
         QStringLiteral("Lendtotal")},
        {{QStringLiteral("777"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("1")}});

    const Case cases[] = {
        {"unknown kind",
         QStringLiteral("SaveToDraft"),
         unknownKind,
         {good},
         {},
         QStringLiteral("单据类型[52]不存在")},
        {"no goods but a quantity",
         QStringLiteral("SaveToDraft"),
         billHeader(5, today()),
         {good, noGoods},
         {},
         QStringLiteral("第2行没有选择商品，不能录入数量")},
        {"quantity not a number",
         QStringLiteral("SaveToDB"),
         billHeader(5, today()),
         {badQty},
         {},
         QStringLiteral("[第1行qty]不是有效的数字：abc")},
        {"date not a date",
         QStringLiteral("SaveToDraft"),
         notADate,
         {good},
         {},
         QStringLiteral("[录单日期]不是有效的日期：2025-13-01")},
        {"amount not a number",
         QStringLiteral("SaveToDraft"),
         badAmount,
         {good},
         {},
         QStringLiteral("[sfkTotal]不是有效的数字：12元")},
        {"unknown goods",
         QStringLiteral("SaveToDraft"),
         billHeader(5, today()),
         {unknownGoods},
         {},
         QStringLiteral("第1行的商品不存在（商品ID：999）")},
        {"account type",
         QStringLiteral("SaveToDraft"),
         billHeader(5, today()),
         {good},
         badAccount,
         QStringLiteral("账户明细第1行的类型只能是1或2：3")},
        {"unknown account",
         QStringLiteral("SaveToDraft"),
         billHeader(5, today()),
         {good},
         unknownAccount,
         QStringLiteral("账户明细第1行的账户不存在（账户ID：777）")},
        {"draft gone",
         QStringLiteral("SaveToDraft"),
         goneDraft,
         {good},
         {},
         QStringLiteral("你要保存的草稿已经不存在，有可能已被删除！")},
        {"draft of another kind",
         QStringLiteral("SaveToDraft"),
         otherKind,
         {good},
         {},
         QStringLiteral("草稿的单据类型与本单据不符，不能保存！")},
        {"unknown method",
         QStringLiteral("SaveToNowhere"),
         billHeader(5, today()),
         {good},
         {},
         QStringLiteral("QMXService不支持方法[SaveToNowhere]")},
    };
    const QString before = footprint();
    for (const Case& c : cases) {
        const ServiceResult r =
            service(c.method, c.params, textPacket(goodsLineFields(), c.lines), c.accounts);
        EXPECT_EQ(-1, r.code) << c.name;
        EXPECT_EQ(c.message, r.message) << c.name;
        EXPECT_EQ(before, footprint()) << c.name;
    }
    EXPECT_EQ(1, lineCount(kept));
}

}  // namespace
}  // namespace dyt::server::test
