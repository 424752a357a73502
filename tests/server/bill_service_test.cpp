// The bill service QMXService: drafts, posting, the packets, and what it refuses; bill numbering.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "bill_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

class BillService : public BillFixture {
protected:
    qint64 lineCount(qint64 billId) {
        return count(u"SELECT COUNT(*) FROM djList WHERE id = %1"_s.arg(billId));
    }
    // A procedure of the session: its result, or -1 and the refusal.
    ServiceResult proc(Session& s, const QString& name, const QString& values) {
        const proto::Response r = call(s, "ExecProc", {name, dyt::test::paramLines(values).text()});
        EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        return {r.out(1).toInteger(), r.outText(2)};
    }
    QString refusal(Session& s, const QString& name, const QString& values) {
        const ServiceResult r = proc(s, name, values);
        return r.code < 0 ? r.message : QString();
    }
    // Operator 3 (李四) logged in on `clerk`, holding the rights of those codes.
    void logInClerk(Session& clerk, const QString& codes) {
        addTreeRow("baseZY", 3, 0, 0, "003", "李四");
        update(u"INSERT INTO sysuser(id, password) VALUES (3, '')"_s);
        grant(codes);
        clerk.spid = backend_->nextSpid();
        ASSERT_EQ(
            0, call(clerk, "Login", {loginLines(u"dytv1_1"_s, u"3"_s), u"3"_s, QString()}).code());
    }
    void grant(const QString& codes) {
        update(u"INSERT INTO sysPurview(userid, menuid, isbj) SELECT 3, id, 1 FROM sysMenu "
               "WHERE code IN (%1)"_s.arg(codes));
    }
    // The ids of the bill list of the session ("name=value|name=value"); the order state of one.
    QList<qint64> listed(Session& s, const QString& values) {
        const proto::Response r = call(s, "ExecProcQuery",
                                       {u"P_JXC_DJ_GetDJIndex"_s,
                                        dyt::test::paramLines(values, u'|').text()});
        EXPECT_EQ(QString(), r.error);
        const RecordSet rs = proto::recordSetFromCbor(r.out(1));
        QList<qint64> out;
        for (int i = 0; i < rs.rowCount(); ++i)
            out << rs.at(i, rs.fieldIndex(u"id"_s)).toLongLong();
        return out;
    }
    QString orderState(qint64 order) {
        const RecordSet rs = procQuery(u"P_JXC_DJ_GetDJIndex"_s,
                                       dyt::test::paramLines(u"id=%1"_s.arg(order)));
        return rs.rowCount() == 1 ? rs.at(0, rs.fieldIndex(u"OrderState"_s)).toString()
                                  : u"<none>"_s;
    }
};

TEST_F(BillService, OtherOperatorsDraftsAreListedPostedAndDeletedOnlyWithTheRight) {
    const QString d = today();
    Session clerk;
    logInClerk(clerk, u"'2004', '200401', '200402'"_s);
    const qint64 mine = saveGoodsBill(false, 5, d, {{101, 2, 5}});
    std::swap(session_, clerk);
    const qint64 his = saveGoodsBill(false, 5, d, {{101, 1, 5}});
    std::swap(session_, clerk);
    const QString drafts = u"dj_state=1"_s;
    EXPECT_EQ((QList<qint64>{his}), listed(clerk, drafts));
    EXPECT_EQ((QList<qint64>{mine, his}), listed(session_, drafts));
    const QString others = u"这是其他操作员的草稿，您没有处理他人单据的权限！"_s;
    const QString before = footprint();
    EXPECT_EQ(others, refusal(clerk, u"P_JXC_DJ_Post"_s, u"billid=%1"_s.arg(mine)));
    EXPECT_EQ(others, refusal(clerk, u"P_JXC_DJ_PostDel"_s, u"billid=%1"_s.arg(mine)));
    std::swap(session_, clerk);
    for (const bool asDraft : {true, false}) {
        const ServiceResult r = save(makeBill(5, d, {{102, 1, 1}}, mine), asDraft);
        EXPECT_EQ(others, r.message) << asDraft;
    }
    std::swap(session_, clerk);
    EXPECT_EQ(before, footprint());
    // Posting takes the right to post the kind; an order's state the order rights.
    const qint64 order = saveGoodsBill(true, 8, d, {{101, 1, 5}});
    EXPECT_EQ(u"您没有执行该操作的权限!"_s,
              refusal(clerk, u"P_JXC_DJ_Other"_s, u"billid=%1;type=1"_s.arg(order)));
    const qint64 sale = saveGoodsBill(false, 1, d, {{101, 1, 5}});
    EXPECT_EQ(u"您没有执行该操作的权限!"_s,
              refusal(clerk, u"P_JXC_DJ_Post"_s, u"billid=%1"_s.arg(sale)));
    // With right 6010 the clerk handles the administrator's drafts too: posted as they stand.
    grant(u"'6010'"_s);
    EXPECT_EQ((QList<qint64>{mine, his, sale}), listed(clerk, drafts));
    EXPECT_EQ(mine, proc(clerk, u"P_JXC_DJ_Post"_s, u"billid=%1"_s.arg(mine)).code);
    EXPECT_EQ(QStringList{u"2|1|3|2|10"_s},
              rowsOf(u"SELECT a.dj_state, a.rec_id, a.postid, b.qty, b.total FROM djIndex AS a, "
                     "djList AS b WHERE a.id = b.id AND a.id = %1"_s.arg(mine)));
    EXPECT_EQ(2, count(u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = 101"_s));
    EXPECT_EQ(u"这张单据已经过账，不能再次保存！"_s,
              refusal(clerk, u"P_JXC_DJ_Post"_s, u"billid=%1"_s.arg(mine)));
    EXPECT_EQ(0, proc(clerk, u"P_JXC_DJ_PostDel"_s, u"billid=%1"_s.arg(his)).code);
    EXPECT_EQ((QList<qint64>{sale}), listed(clerk, drafts));
    backend_->closeSession(clerk);
}

TEST_F(BillService, AnOrderIsStoppedResumedAndFinishedByHandAndNotPickedMeanwhile) {
    const QString d = today();
    const qint64 order = saveGoodsBill(true, 8, d, {{101, 10, 5}, {102, 4, 7}});
    const qint64 draftOrder = saveGoodsBill(false, 8, d, {{101, 1, 5}});
    const qint64 bill = saveGoodsBill(true, 5, d, {{101, 1, 5}});
    const qint64 firstLine = count(u"SELECT min(orderid) FROM djList WHERE id = %1"_s.arg(order));
    // A purchase bill receiving screws of the order's first line.
    const auto receive = [&](double qty) {
        GoodsBill b = makeBill(5, d, {{101, qty, 5}});
        RecordSet packet = goodsLinesPacket(b);
        packet.setAt(0, packet.fieldIndex(u"s_id"_s), QString::number(order));
        packet.setAt(0, packet.fieldIndex(u"s_orderid"_s), QString::number(firstLine));
        return service(u"SaveToDB"_s, goodsBillParams(b), packet, accountPacket({}));
    };
    const qint64 received = receive(4).code;
    ASSERT_GT(received, 0);
    EXPECT_EQ(u"部分执行"_s, orderState(order));
    const QString picking = u"dj_state=2|djStr=(8)|filter=;isred=1;isOver=0"_s;
    const QString other = u"P_JXC_DJ_Other"_s;
    struct Case {
        const char* name;
        qint64 bill;
        int type;
        QString refusal;  // empty: done
        char state;       // afterwards: 'o' open, 's' stopped, 'd' finished
    };
    // clang-format off
    const Case cases[] = {
        {"not an order", bill, 1, u"只能对进货订单和销售订单进行此操作！"_s, 'o'},
        {"draft order", draftOrder, 1, u"订单还没有过账，不能进行此操作！"_s, 'o'},
        {"bad type", order, 4, u"参数[type]只能是 1（中止）、2（恢复）或 3（完成）"_s, 'o'},
        {"resume an open order", order, 2, u"订单没有中止，不需要恢复！"_s, 'o'},
        {"stop", order, 1, QString(), 's'},
        {"stop again", order, 1, u"订单已经中止！"_s, 's'},
        {"finish a stopped order", order, 3, u"订单已经中止！"_s, 's'},
        {"resume", order, 2, QString(), 'o'},
        {"finish", order, 3, QString(), 'd'},
        {"stop a finished order", order, 1, u"订单已经完成！"_s, 'd'},
        {"resume a finished order", order, 2, u"订单没有中止，不需要恢复！"_s, 'd'}};
    // clang-format on
    QString open = u"部分执行"_s;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString values = u"billid=%1;type=%2"_s.arg(c.bill).arg(c.type);
        EXPECT_EQ(c.refusal, refusal(session_, other, values));
        EXPECT_EQ(c.state == 'o' ? open : c.state == 's' ? u"已中止"_s : u"已完成"_s,
                  orderState(order));
        EXPECT_EQ(c.state == 'o', listed(session_, picking).contains(order));
        if (c.state != 's')
            continue;
        // Neither its lines nor a bill taking them are accepted.
        EXPECT_EQ(0, procQuery(u"P_JXC_DJ_GetDJList"_s,
                               dyt::test::paramLines(u"QueryType=xuandan;djStr=(%1)"_s.arg(order)))
                         .rowCount());
        EXPECT_EQ(u"第1行选自的订单[JH-1]已经中止，不能再选单执行！"_s, receive(1).message);
        if (c.refusal.isEmpty()) {
            // Deleting what was received keeps it stopped; resumed, nothing is delivered.
            ASSERT_EQ(0, proc(session_, u"P_JXC_DJ_PostDel"_s, u"billid=%1"_s.arg(received)).code);
            EXPECT_EQ(u"已中止"_s, orderState(order));
            open = u"未执行"_s;
        }
    }
    EXPECT_EQ(u"第1行选自的订单[JH-1]已经完成，不能再选单执行！"_s, receive(1).message);
}

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
    update(u"UPDATE sysDjb SET inputnum = 3, inputid2 = '(0,2,0)', inputid3 = '(0,1,0)' "
           "WHERE id = 5"_s);
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
    const QString lines = u"SELECT km_id, s_id, total, rowbeizhu1, dj_state FROM djList WHERE id = "
                          "%1 ORDER BY orderid"_s.arg(r.code);
    EXPECT_EQ((QStringList{u"8|0|60|现金部分|1"_s, u"36|0|40||1"_s, u"0|%1|30||1"_s.arg(sale)}),
              rowsOf(lines));
    // Posted from the draft list it keeps its accounts and the bills it settles.
    ASSERT_EQ(r.code, proc(session_, u"P_JXC_DJ_Post"_s, u"billid=%1"_s.arg(r.code)).code);
    EXPECT_EQ((QStringList{u"8|0|60|现金部分|2"_s, u"36|0|40||2"_s, u"0|%1|30||2"_s.arg(sale)}),
              rowsOf(lines));
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

// An asset bill names its card (gdzc_id), a voucher each entry's debit and credit; both are saved
// as drafts, posted from the draft list and read back as their windows show them.
TEST_F(BillService, AssetBillsAndVouchersTravelAsTheirWindowsSendThem) {
    update(u"INSERT INTO GDZCDetail(id, code, Name, IsBaseInfo) VALUES (7, 'GD07', '车床', 0)"_s);
    const struct {
        int kind;
        RecordSet lines;
        QString stored;  // goodsid|km_id|total of each line
        QString shown;   // the first line as GetDJList answers it
        const char* shownFields;
    } cases[] = {
        {23, textRows({u"gdzc_id"_s, u"orderid"_s, u"gdzc_Code"_s, u"total"_s},
                      {{u"7"_s, QString(), u"GD07"_s, u"5000"_s}}),
         u"7|0|5000"_s, u"7|GD07|车床|5000"_s, "gdzc_id,gdzc_Code,gdzc_Name,total"},
        {34, textRows({u"km_id"_s, u"dbTotal"_s, u"LendTotal"_s, u"comment"_s},
                      {{u"27"_s, u"300"_s, u"0"_s, u"房租"_s}, {u"8"_s, u"0"_s, u"300"_s, QString()}}),
         u"0|27|300;0|8|-300"_s, u"27|402|其它费用|300|0|房租"_s,
         "km_id,km_Code,km_Name,dbTotal,LendTotal,comment"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        ParamList p = billHeader(c.kind, today());
        p.setValue(u"wldw_id"_s, QString());
        const ServiceResult r = service(u"SaveToDraft"_s, p, c.lines,
                                        c.kind == 23 ? accountPacket({{8, 5000}}) : RecordSet());
        ASSERT_GT(r.code, 0) << r.message.toStdString();
        const ServiceResult posted =
            proc(session_, u"P_JXC_DJ_Post"_s, u"billid=%1"_s.arg(r.code));
        ASSERT_EQ(r.code, posted.code) << posted.message.toStdString();
        EXPECT_EQ(c.stored.split(u';'),
                  rowsOf(u"SELECT goodsid, km_id, total FROM djList WHERE id = %1 AND dj_state = "
                         "2 ORDER BY orderid"_s.arg(r.code)));
        ParamList q;
        q.setInt(u"id"_s, r.code);
        const RecordSet shown = procQuery(u"P_JXC_DJ_GetDJList"_s, q);
        ASSERT_LT(0, shown.rowCount());
        QStringList first;
        for (const QString& f : QString::fromLatin1(c.shownFields).split(u','))
            first << shown.at(0, shown.fieldIndex(f)).toString();
        EXPECT_EQ(c.shown, first.join(u'|'));
    }
    EXPECT_EQ(u"5000"_s, scalar(u"SELECT yz FROM GDZCDetail WHERE id = 7"_s).toString());
    // A card that does not exist, and a voucher that does not balance, are refused.
    ParamList p = billHeader(23, today());
    const QString before = footprint();
    EXPECT_EQ(u"第1行的固定资产不存在（固定资产ID：99）"_s,
              service(u"SaveToDB"_s, p,
                      textRows({u"gdzc_id"_s, u"total"_s}, {{u"99"_s, u"10"_s}}))
                  .message);
    EXPECT_EQ(u"会计凭证借方合计[300]与贷方合计[200]不相等，不能过账！"_s,
              service(u"SaveToDB"_s, billHeader(34, today()),
                      textRows({u"km_id"_s, u"dbTotal"_s, u"LendTotal"_s},
                               {{u"27"_s, u"300"_s, u"0"_s}, {u"8"_s, u"0"_s, u"200"_s}}))
                  .message);
    EXPECT_EQ(before, footprint());
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

// Three audit steps of purchases: the clerk (3) may perform step 2, the clerk and operator 1 step
// 3. Each row is a call of a client as one operator, the server's refusal (empty: taken) and the
// bill's marks and state afterwards.
TEST_F(BillService, AuditStepsArePerformedInOrderByTheirOperatorsBeforeAnyonePosts) {
    Session clerk;
    logInClerk(clerk, u"'2004', '200401', '200402'"_s);
    update(u"UPDATE sysDjb SET inputnum = 3, inputid2 = '(0,3,0)', inputid3 = '(0,3,1,0)' "
           "WHERE id = 5"_s);
    std::swap(session_, clerk);
    const qint64 draft = saveGoodsBill(false, 5, today(), {{101, 2, 5}});
    std::swap(session_, clerk);
    const QString bill = QString::number(draft);
    const QString post = u"post"_s, changed = u"post 3"_s;
    struct Row {
        bool byClerk;
        QString call;  // SQL text, or post: the draft through the bill service (changed: 3 pieces)
        const char* refusal;
        const char* after;  // inputid2|inputid3|dj_state
    };
    const Row rows[] = {
        {true, post, "这张单据采用分级审核，现在还没有审核完，不能过账！", "0|0|1"},
        {false, post, "这张单据采用分级审核，现在还没有审核完，不能过账！", "0|0|1"},
        {false, u"Update djindex set inputid2 = 1 where id = "_s + bill, "您没有执行该操作的权限!",
         "0|0|1"},
        {true, u"Update djindex set inputid3 = 3 where id = "_s + bill,
         "请先完成[审查人二]，再审核[审查人三]！", "0|0|1"},
        {true, u"Update djindex set inputid2 = 3, inputid3 = 3 where id = "_s + bill, "", "3|3|1"},
        {true, u"Update djindex set inputid2 = 0 where id = "_s + bill,
         "[审查人三]已经审核，不能取消[审查人二]！", "3|3|1"},
        {true, u"Update djindex set inputid3 = 0 where id = "_s + bill, "", "3|0|1"},
        {false, u"Update djindex set inputid4 = 1 where id = "_s + bill, "您没有执行该操作的权限!",
         "3|0|1"},
        {true, post, "这张单据采用分级审核，现在还没有审核完，不能过账！", "3|0|1"},
        {false, u"Update djindex set inputid3 = 1 where id = "_s + bill, "", "3|1|1"},
        // Step 2 handed to operator 1 after the clerk performed it: his mark no longer counts.
        {false, u"UPDATE sysDjb SET inputid2 = '(0,1,0)' WHERE id = 5"_s, "", "3|1|1"},
        {true, post, "[审查人二]由李四审核，但李四不是这一级的审核职员，不能过账！", "3|1|1"},
        {false, u"UPDATE sysDjb SET inputid2 = '(0,3,0)' WHERE id = 5"_s, "", "3|1|1"},
        {true, changed, "这张单据已经审核，不能修改单据内容！请先取消审核。", "3|1|1"},
        {true, post, "", "3|1|2"},
        {true, u"Update djindex set inputid2 = 0 where id = "_s + bill, "您没有执行该操作的权限!",
         "3|1|2"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.call.toStdString() + (r.byClerk ? " by the clerk" : " by operator 1"));
        Session& s = r.byClerk ? clerk : session_;
        QString refusal;
        if (r.call.startsWith(post)) {
            std::swap(session_, s);
            const double pieces = r.call == changed ? 3 : 2;
            const ServiceResult result = save(makeBill(5, today(), {{101, pieces, 5}}, draft));
            std::swap(session_, s);
            refusal = result.code < 0 ? result.message : QString();
            EXPECT_EQ(refusal.isEmpty() ? draft : -1, result.code);
        } else {
            const proto::Response answer = call(s, "ExecUpdate", {r.call});
            refusal = answer.code() < 0 ? answer.outText(0) : QString();
        }
        EXPECT_EQ(QString::fromUtf8(r.refusal), refusal);
        EXPECT_EQ(QStringList{QString::fromUtf8(r.after)},
                  rowsOf(u"SELECT inputid2, inputid3, dj_state FROM djIndex WHERE id = "_s + bill));
    }
    backend_->closeSession(clerk);
}

// A modified client as operator 3, holding only purchase drafts and the business history without
// its change right: every call beyond those is refused and changes nothing; operator 1 makes the
// same calls (but those no window makes).
TEST_F(BillService, AModifiedClientGetsNoMoreThanItsOperatorsRights) {
    const QString d = today();
    Session clerk;
    logInClerk(clerk, u"'2004', '200402', '2002'"_s);
    const qint64 posted = saveGoodsBill(true, 5, d, {{101, 1, 5}});
    // Only operator 1 may audit step 2 of purchases; it has audited the clerk's draft.
    update(u"UPDATE sysDjb SET inputid2 = '(0,1,0)' WHERE id = 5"_s);
    std::swap(session_, clerk);
    const qint64 draft = saveGoodsBill(false, 5, d, {{101, 2, 5}});
    std::swap(session_, clerk);
    update(u"UPDATE djIndex SET inputid2 = 1 WHERE id = %1"_s.arg(draft));
    const auto sql = [&](Session& s, const QString& text) {
        const proto::Response r = call(s, "ExecUpdate", {text});
        return r.code() < 0 ? r.outText(0) : QString();
    };
    const auto state = [&] {
        return footprint() + u'|' +
               rowsOf(u"SELECT count(*), sum(isbj) FROM sysPurview"_s).join(u',') + u'|' +
               session_.db->scalar(u"SELECT group_concat(id || password) FROM sysuser"_s)
                   .toString() +
               u'|' + rowsOf(u"SELECT inputid2, printnum, summery FROM djIndex"_s).join(u',') +
               u'|' + rowsOf(u"SELECT sum(qty) FROM baseGoodsStock"_s).join(u',');
    };
    const auto asUser = [](Session& s, const char* text) {
        return QString::fromUtf8(text).replace(u"$me"_s, QString::number(s.userId));
    };
    struct Attempt {
        const char* what;
        std::function<QString(Session&)> run;
        bool adminRefusedToo;  // no window makes this call
    };
    const std::vector<Attempt> attempts = {
        {"grants itself a right by SQL",
         [&](Session& s) {
             return sql(s, u"INSERT INTO sysPurview(userid, menuid, isbj) SELECT 3, id, 1 FROM "
                           "sysMenu WHERE code = '500401'"_s);
         },
         false},
        {"grants itself every right by SQL",
         [&](Session& s) { return sql(s, u"UPDATE sysPurview SET isbj = 1 WHERE userid = 3"_s); },
         false},
        {"changes operator 1's password",
         [&](Session& s) {
             return sql(s, u"UPDATE sysuser SET password = 'x' WHERE id = 1"_s);
         },
         false},
        {"posts a kind it may only draft",
         [&](Session& s) {
             std::swap(session_, s);
             const ServiceResult r = save(makeBill(5, d, {{102, 1, 1}}));
             std::swap(session_, s);
             return r.code < 0 ? r.message : QString();
         },
         false},
        {"calls an administration procedure",
         [&](Session& s) { return refusal(s, u"p_sys_Up_DatabaseRepair"_s, QString()); }, false},
        {"changes a posted bill's header",
         [&](Session& s) {
             return sql(s, u"Update djindex set summery = '改' where id = %1"_s.arg(posted));
         },
         false},
        {"audits a step it is not listed for",
         [&](Session& s) {
             return sql(s, asUser(s, "Update djindex set inputid2 = $me where id = ") +
                               QString::number(draft));
         },
         false},
        {"counts a print back",
         [&](Session& s) {
             return sql(s, u"Update djindex set printNum = printNum - 1 where id = %1"_s.arg(posted));
         },
         true},
        {"writes the stock ledger",
         [&](Session& s) { return sql(s, u"UPDATE baseGoodsStock SET qty = qty + 1000"_s); }, true},
        {"takes another's audit mark",
         [&](Session& s) {
             return sql(s, u"Update djindex set inputid2 = 0, printNum = printNum where id = %1"_s
                               .arg(draft));
         },
         false},
    };
    const QString refused = u"您没有执行该操作的权限!"_s;
    for (const Attempt& a : attempts) {
        SCOPED_TRACE(a.what);
        const QString before = state();
        EXPECT_EQ(refused, a.run(clerk));
        EXPECT_EQ(before, state());
    }
    for (const Attempt& a : attempts) {
        SCOPED_TRACE(a.what);
        const QString before = state();
        const QString answer = a.run(session_);
        if (a.adminRefusedToo) {
            EXPECT_EQ(refused, answer);
            EXPECT_EQ(before, state());
        } else {
            EXPECT_EQ(QString(), answer);
        }
    }
    // Nobody reads a stored password, and one's own may be changed.
    for (Session* s : {&clerk, &session_}) {
        EXPECT_EQ(QStringList{u"1|"_s}, dyt::test::rowTexts(query(
                                            u"SELECT id, password FROM sysuser WHERE id = 1"_s, s)));
    }
    EXPECT_EQ(QString(), sql(clerk, u"UPDATE sysuser SET password = 'own' WHERE id = 3"_s));
    Session again;
    again.spid = backend_->nextSpid();
    EXPECT_EQ(0, call(again, "Login", {loginLines(u"dytv1_1"_s, u"3"_s), u"3"_s, u"own"_s}).code());
    backend_->closeSession(again);
    backend_->closeSession(clerk);
}

// Asset cards: a fixed-asset bill window adds and changes them; deleting takes the card list's
// delete right, whatever a modified client sends.
TEST_F(BillService, AssetCardsAreDeletedOnlyWithTheCardListsDeleteRight) {
    Session clerk;
    logInClerk(clerk, u"'201905', '20190501'"_s);
    const qint64 id = proc(clerk, u"P_JXC_GDZC_Save"_s, u"id=0;code=GD01;Name=货车"_s).code;
    ASSERT_GT(id, 0);
    EXPECT_EQ(QString(), refusal(clerk, u"P_JXC_GDZC_Save"_s,
                                 u"id=%1;code=GD01;Name=旧货车"_s.arg(id)));
    const QString del = u"id=%1;del=1"_s.arg(id);
    EXPECT_EQ(u"您没有执行该操作的权限!"_s, refusal(clerk, u"P_JXC_GDZC_Save"_s, del));
    grant(u"'1012', '101203'"_s);
    EXPECT_EQ(QString(), refusal(clerk, u"P_JXC_GDZC_Save"_s, del));
    EXPECT_EQ(1, session_.db->scalar(u"SELECT Del FROM GDZCDetail WHERE id = %1"_s.arg(id)).toInt());
    backend_->closeSession(clerk);
}

}  // namespace
}  // namespace dyt::server::test
