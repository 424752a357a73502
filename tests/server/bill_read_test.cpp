// Reading bills: one bill and its lines, the bill lists with their filters, the lines offered for
// picking, and the open and settled bills of receipts and payments.
#include <gtest/gtest.h>

#include <algorithm>

#include "bill_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

using dyt::test::rowText;

class BillRead : public BillFixture {
protected:
    // A draft of the kind with the lines, then the header columns changed as given (state,
    // total, flags) the way the ledgers would leave them.
    qint64 bill(int djType, const QString& date, qint64 partner, std::vector<GoodsLine> lines,
                const QString& set = QString()) {
        const qint64 id = saveGoodsBill(false, djType, date, std::move(lines), 0, partner);
        if (!set.isEmpty())
            update(u"UPDATE djIndex SET %1 WHERE id = %2"_s.arg(set).arg(id));
        return id;
    }
    QList<qint64> ids(const RecordSet& rs, const QString& field = u"id"_s) {
        QList<qint64> out = dyt::test::idsOf(rs, field);
        std::sort(out.begin(), out.end());
        return out;
    }
    static double number(const RecordSet& rs, int row, const char* field) {
        return rs.at(row, rs.fieldIndex(QString::fromLatin1(field))).toDouble();
    }
    // A query procedure with its "name=value" lines, "|" between them.
    RecordSet read(const char* name, const QString& lines) {
        return procQuery(QString::fromLatin1(name), dyt::test::paramLines(lines, u'|'));
    }
};

TEST_F(BillRead, OneBillOpensWithItsNamesAndLines) {
    const qint64 id = saveGoodsBill(
        true, 5, today(), {{.goods = 101, .qty = 2, .price = 5, .note = u"注"_s}, {102, 1, 7}});
    const auto head = [&](qint64 billId) {
        return read("P_JXC_DJ_GetDJIndex", u"id=%1|zyStr=;czy_id=1;candel=0"_s.arg(billId));
    };
    ASSERT_EQ(1, head(id).rowCount());
    EXPECT_EQ(
        u"JH-1|甲公司|DW201|张三|采购部|一号仓|系统管理员|系统管理员|2"_s,
        rowText(head(id), 0,
                u"code,wldw_Name,wldw_code,jsr_Name,bm_Name,IntoStock_Name,rec_Name,post_Name,"
                "dj_state"_s));
    const auto lines = [&](qint64 billId) {
        return read("P_JXC_DJ_GetDJList", u"id=%1"_s.arg(billId));
    };
    const RecordSet two = lines(id);
    ASSERT_EQ(2, two.rowCount());
    EXPECT_EQ(u"SP101|商品101|个|一号仓|注|2|10"_s,
              rowText(two, 0, u"goodsCode,goodsname,unitName,IntoStockname,comment,qty,Total"_s));
    EXPECT_EQ(u"SP102|箱"_s, rowText(two, 1, u"goodsCode,unitName"_s));
    // A line names its unit by the goods' unit slot: slot 1 of goods 102 is the pallet, never
    // the unit row whose id happens to be 1.
    const RecordSet palletLines = lines(
        saveGoodsBill(false, 5, today(), {{.goods = 102, .qty = 1, .price = 140, .unit = 1}}));
    ASSERT_EQ(1, palletLines.rowCount());
    EXPECT_EQ(u"托|1"_s, rowText(palletLines, 0, u"unitName,unitid"_s));
    // A remark of several lines arrives escaped and opens with its line breaks.
    const GoodsBill memoBill = makeBill(5, today(), {{101, 1, 5}});
    ParamList again = goodsBillParams(memoBill);
    again.setValue(u"comment"_s, encodeLineBreaks(u"第一行\r\n第二行"_s));
    const ServiceResult memo = service(u"SaveToDraft"_s, again, goodsLinesPacket(memoBill));
    ASSERT_GT(memo.code, 0) << memo.message.toStdString();
    const RecordSet memoHead = head(memo.code);
    ASSERT_EQ(1, memoHead.rowCount());
    EXPECT_EQ(u"第一行\r\n第二行"_s, rowText(memoHead, 0, u"comment"_s));
    // A deleted bill no longer opens.
    update(u"UPDATE djIndex SET dj_state = 0 WHERE id = %1"_s.arg(id));
    EXPECT_EQ(0, head(id).rowCount());
}

TEST_F(BillRead, BillListsFollowStateDatesKindsRecordsAndFlags) {
    const QString d = today();
    const GoodsLine g101 = {101, 1, 5};
    const qint64 buy = bill(5, d, 201, {g101}, u"dj_state = 2"_s);
    const qint64 buy302 = bill(5, d, 202, {{102, 1, 5, 302}}, u"dj_state = 2"_s);
    const qint64 sale = bill(1, d, 203, {{103, 1, 5}}, u"dj_state = 2"_s);
    const qint64 reversed = bill(5, d, 201, {g101}, u"dj_state = 2, isred = 1"_s);
    const qint64 reversal = bill(5, d, 201, {g101}, u"dj_state = 2, isredword = 1"_s);
    const qint64 openOrder = bill(8, d, 201, {g101}, u"dj_state = 2, code = 'DD-1'"_s);
    const qint64 doneOrder = bill(8, d, 201, {g101}, u"dj_state = 2, isOver = 1, code = 'DD-2'"_s);
    const qint64 oldDraft = bill(5, u"2024-01-15"_s, 202, {g101});
    const qint64 laterDraft = bill(5, u"2024-02-01"_s, 202, {g101});
    bill(5, d, 201, {g101}, u"dj_state = 0"_s);  // deleted
    const QList<qint64> all = {buy, buy302, sale, reversed, reversal, openOrder, doneOrder};
    const QList<qint64> purchases = {buy, buy302, reversed, reversal};
    const QString wldw = u"wldwStr=;czy_id=1;id="_s;
    struct Case {
        QString lines;  // "name=value" lines joined by "|"; the posted bills of the day unless
                        // the state is given
        QList<qint64> expected;
    };
    // clang-format off
    const Case cases[] = {
        {QString(), all},
        {u"djStr= (1,0) "_s, {sale}},
        {u"djStr= (1, 5,0) "_s, purchases + QList{sale}},
        {u"djStr=(8)|filter=;isred=1;isOver=0|wldwStr=;wldw_id=201"_s, {openOrder}},
        {u"djStr=(8)|filter=;isred=1;isOver=0|wldwStr=;code=DD-1"_s, {openOrder}},  // by number
        {u"djStr=(8)|filter=;isred=1;isOver=0|wldwStr=;Code=DD-2"_s, {}},  // delivered
        {u"djStr=(8)|filter=;isred=1;isOver=0|wldwStr=;Code=DD-9"_s, {}},
        {u"djStr=(5)|filter=;isred=1"_s, {buy, buy302}},
        {u"filter=;isred=2"_s, {reversed, reversal}},
        {u"djStr= (5,0) |"_s + wldw + u"201;issub=1;Other=1"_s, {buy, reversed, reversal}},
        {wldw + u"200;issub=1;Other=1"_s, purchases + QList{openOrder, doneOrder}},
        {wldw + u"200;Other=1"_s, {}},
        {wldw + u";issub=1;Other=1"_s, all},
        {u"GoodsStr=;czy_id=1;id=103"_s, {sale}},
        {u"GoodsStr=;czy_id=1;isSub=1;id=100|djStr= (5,0) "_s, purchases},
        {u"ckStr=;czy_id=1;id=302;issub=1"_s, {buy302}},
        {u"dj_state=1|BeginDate=2024-01-01|EndDate=2024-01-31"_s, {oldDraft}},
        {u"dj_state=1|BeginDate=2024-01-15|EndDate=2024-12-31"_s, {oldDraft, laterDraft}}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.toStdString());
        const QString posted =
            u"dj_state=2|BeginDate=%1|EndDate=%1|zyStr=;czy_id=1;candel=0|"_s.arg(d);
        QList<qint64> expected = c.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected,
                  ids(read("P_JXC_DJ_GetDJIndex",
                           (c.lines.startsWith(u"dj_state"_s) ? QString() : posted) + c.lines)));
    }
}

TEST_F(BillRead, PickingOffersTheOpenLinesOfTheMarkedPostedBillsAndBadConditionsAreRefused) {
    const QString d = today();
    const qint64 order1 = bill(8, d, 201, {{101, 4, 5}, {102, 2, 6}}, u"dj_state = 2"_s);
    const qint64 order2 = bill(8, d, 201, {{103, 1, 9}}, u"dj_state = 2"_s);
    const qint64 draft = bill(8, d, 201, {{101, 1, 1}});
    update(u"UPDATE djList SET isOver = 1 WHERE id = %1 AND goodsid = 102"_s.arg(order1));
    const RecordSet rs = read(
        "P_JXC_DJ_GetDJList",
        u"djStr= (%1,%2,%3, 0)|QueryType=xuandan|filter=;djtype=5"_s.arg(order1).arg(order2).arg(
            draft));
    ASSERT_EQ(2, rs.rowCount());
    EXPECT_EQ(u"101|商品101|JH-1|4"_s, rowText(rs, 0, u"goodsid,fullname,djcode,qty"_s));
    EXPECT_EQ(u"103|%1"_s.arg(order2), rowText(rs, 1, u"goodsid,id"_s));
    // Malformed conditions are refused.
    struct Case {
        const char* procedure;
        QString lines;
        QString message;  // empty: the condition parser's own message
    };
    // clang-format off
    const Case cases[] = {
        {"P_JXC_DJ_GetDJIndex", u"djStr=(5;1)"_s, u"[单据类型]格式错误：(5;1)"_s},
        {"P_JXC_DJ_GetDJIndex", u"djStr=(5) or 1=1"_s, u"[单据类型]格式错误：(5) or 1=1"_s},
        {"P_JXC_DJ_GetDJIndex", u"BeginDate=2025-02-30"_s, u"[开始日期]不是有效的日期：2025-02-30"_s},
        {"P_JXC_DJ_GetDJIndex", u"wldwStr=;id=1 or 1=1"_s, u"[往来单位]不是有效的数字：1 or 1=1"_s},
        {"P_JXC_DJ_GetDJIndex", u"filter=;isred=7"_s, u"[isred]只能是0、1或2：7"_s},
        {"P_JXC_DJ_GetDJIndex", u"wldwStr=id=1"_s, QString()},
        {"P_JXC_DJ_GetDJList", u"QueryType=XYZ"_s, u"未知的查询类型[XYZ]"_s},
        {"P_JXC_DJ_GetDJList", u"QueryType=WSKDJ|wldwStr=;id="_s, u"请先选择往来单位"_s}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.toStdString());
        const QString message = dyt::test::errorOf([&] { read(c.procedure, c.lines); });
        EXPECT_FALSE(message.isEmpty());
        if (!c.message.isEmpty()) {
            EXPECT_EQ(c.message, message);
        }
    }
}

TEST_F(BillRead, OpenBillsOfAPartnerAndWhatAPaymentSettled) {
    const QString d = today();
    const GoodsLine line = {101, 1, 1};
    // Purchases of 120 (20 paid at once) and 30, a return of 10; a sale and another partner's
    // purchase are not the payment's business.
    const qint64 p1 = bill(5, d, 201, {line}, u"dj_state = 2, total = 120, sfkTotal = 20"_s);
    const qint64 p2 = bill(5, d, 201, {line}, u"dj_state = 2, total = 30"_s);
    const qint64 ret = bill(6, d, 201, {line}, u"dj_state = 2, total = 10"_s);
    const qint64 sale = bill(1, d, 201, {line}, u"dj_state = 2, total = 50"_s);
    bill(5, d, 203, {line}, u"dj_state = 2, total = 70"_s);
    bill(5, d, 201, {line}, u"total = 80"_s);  // a draft
    auto open = [&](qint64 billId, int kind) {
        return read("P_JXC_DJ_GetDJList",
                    u"QueryType=WSKDJ|wldwStr=;id=201;czy_id=1|BeginDate=1988-01-01|"
                    "EndDate=2030-01-01|id=%1"_s.arg(billId) +
                        (kind > 0 ? u"|djType=%1"_s.arg(kind) : QString()));
    };
    RecordSet rs = open(0, 22);
    ASSERT_EQ(3, rs.rowCount());
    EXPECT_EQ((QList<qint64>{p1, p2, ret}), ids(rs, u"s_id"_s));
    for (int r = 0; r < rs.rowCount(); ++r) {
        const qint64 s = rs.at(r, rs.fieldIndex(u"s_id"_s)).toLongLong();
        const double expectedOpen = s == p1 ? 100.0 : s == p2 ? 30.0 : -10.0;
        EXPECT_EQ(expectedOpen, number(rs, r, "ye")) << s;
    }
    // The receipt side of the same partner holds the sale only.
    EXPECT_EQ((QList<qint64>{sale}), ids(open(0, 21), u"s_id"_s));
    // A posted payment settles the 30 in full and 40 of the 100.
    const ServiceResult r =
        service(u"SaveToDraft"_s, billHeader(22, d),
                textRows({u"km_id"_s, u"orderid"_s, u"km_Code"_s, u"km_Name"_s, u"total"_s},
                         {{u"8"_s, QString(), QString(), QString(), u"70"_s}}),
                textRows({u"s_id"_s, u"Total"_s},
                         {{QString::number(p2), u"30"_s}, {QString::number(p1), u"40"_s}}));
    ASSERT_GT(r.code, 0) << r.message.toStdString();
    update(u"UPDATE djIndex SET dj_state = 2 WHERE id = %1"_s.arg(r.code));
    rs = open(0, 22);
    EXPECT_EQ((QList<qint64>{p1, ret}), ids(rs, u"s_id"_s));
    EXPECT_EQ(60.0, number(rs, 0, "ye"));
    // Re-settling the payment itself shows the bills as open as before it; its kind comes from
    // the bill when the call does not name it.
    EXPECT_EQ((QList<qint64>{p1, p2, ret}), ids(open(r.code, 0), u"s_id"_s));
    const auto ofPayment = [&](const QString& type) {
        return read("P_JXC_DJ_GetDJList", u"QueryType=%1|id=%2"_s.arg(type).arg(r.code));
    };
    const RecordSet dj = ofPayment(u"SKD_DJ"_s);
    ASSERT_EQ(2, dj.rowCount());
    EXPECT_EQ(u"%1|30|30|30"_s.arg(p2), rowText(dj, 0, u"s_id,Total,ye,totalSum"_s));
    EXPECT_EQ(u"100|120"_s, rowText(dj, 1, u"ye,totalSum"_s));
    const RecordSet km = ofPayment(u"SKD_KM"_s);
    ASSERT_EQ(1, km.rowCount());
    EXPECT_EQ(u"现金|70"_s, rowText(km, 0, u"km_Name,total"_s));
}

TEST_F(BillRead, WithDataRightsOnAnOperatorSeesNoBillsOfRefusedRecords) {
    const QString d = today();
    const GoodsLine line = {101, 1, 5};
    const qint64 of201 = bill(5, d, 201, {line}, u"dj_state = 2"_s);
    const qint64 of202 = bill(5, d, 202, {line}, u"dj_state = 2"_s);
    const qint64 in302 = bill(5, d, 203, {line}, u"dj_state = 2, IntoStock_id = 302"_s);
    update(
        u"INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, fullname) "
        "VALUES (3, 0, '3,', 1, 0, '003', '李四')"_s);
    update(u"INSERT INTO sysuser(id, password) VALUES (3, '')"_s);
    update(u"INSERT INTO baseWLDWPurview(id, czy_id, isbj) VALUES (202, 3, 0)"_s);
    update(u"INSERT INTO baseWLDWPurview(id, czy_id, isbj) VALUES (201, 3, 1)"_s);
    update(u"INSERT INTO baseCKPurview(id, czy_id, isbj) VALUES (302, 3, 0)"_s);
    Session other;
    other.spid = backend_->nextSpid();
    ASSERT_EQ(0,
              call(other, "Login", {loginLines(u"dytv1_1"_s, u"3"_s), u"3"_s, QString()}).code());
    ParamList p;
    p.setValue(u"dj_state"_s, u"2"_s);
    p.setValue(u"zyStr"_s, u";czy_id=3;candel=0"_s);
    auto list = [&](Session& s) {
        const proto::Response r = call(s, "ExecProcQuery", {u"P_JXC_DJ_GetDJIndex"_s, p.text()});
        EXPECT_EQ(QString(), r.error);
        return ids(proto::recordSetFromCbor(r.out(1)));
    };
    QList<qint64> all = {of201, of202, in302};
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, list(other));  // the switch is off
    update(u"UPDATE sysConf SET sysValue = '1' WHERE id = 2004"_s);
    EXPECT_EQ((QList<qint64>{of201}), list(other));
    EXPECT_EQ(all, list(session_));  // operator 1 sees everything
    backend_->closeSession(other);
}

}  // namespace
}  // namespace dyt::server::test
