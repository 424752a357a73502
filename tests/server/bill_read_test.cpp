// Reading bills: one bill and its lines, the bill lists with their filters, the lines offered for
// picking, and the open and settled bills of receipts and payments.
#include <gtest/gtest.h>

#include <algorithm>

#include "bill_fixture.h"

namespace dyt::server::test {
namespace {

class BillRead : public BillFixture {
protected:
    // A draft of the kind with the lines, then the header columns changed as given (state,
    // total, flags) the way the ledgers would leave them.
    qint64 bill(int djType, const QString& date, const QString& partner,
                const QList<QStringList>& lines, const QString& set = QString()) {
        const qint64 id = saveGoodsBill(false, djType, date, lines, 0, partner);
        if (!set.isEmpty())
            update(QStringLiteral("UPDATE djIndex SET %1 WHERE id = %2").arg(set).arg(id));
        return id;
    }
    QList<qint64> ids(const RecordSet& rs, const QString& field = QStringLiteral("id")) {
        QList<qint64> out;
        const int f = rs.fieldIndex(field);
        for (int r = 0; r < rs.rowCount(); ++r)
            out << rs.at(r, f).toLongLong();
        std::sort(out.begin(), out.end());
        return out;
    }
    static QString text(const RecordSet& rs, int row, const char* field) {
        return rs.at(row, rs.fieldIndex(QString::fromLatin1(field))).toString();
    }
    static double number(const RecordSet& rs, int row, const char* field) {
        return rs.at(row, rs.fieldIndex(QString::fromLatin1(field))).toDouble();
    }
};

TEST_F(BillRead, OneBillOpensWithItsNamesAndLines) {
    const qint64 id =
        saveGoodsBill(true, 5, today(),
                      {goodsLine(QStringLiteral("101"), QStringLiteral("2"), QStringLiteral("5"),
                                 QStringLiteral("注")),
                       goodsLine(QStringLiteral("102"), QStringLiteral("1"), QStringLiteral("7"))});
    ParamList p;
    p.setInt(QStringLiteral("id"), id);
    p.setValue(QStringLiteral("zyStr"), QStringLiteral(";czy_id=1;candel=0"));
    const RecordSet head = procQuery(QStringLiteral("P_JXC_DJ_GetDJIndex"), p);
    ASSERT_EQ(1, head.rowCount());
    EXPECT_EQ(QStringLiteral("JH-1"), text(head, 0, "code"));
    EXPECT_EQ(QStringLiteral("甲公司"), text(head, 0, "wldw_Name"));
    EXPECT_EQ(QStringLiteral("DW201"), text(head, 0, "wldw_code"));
    EXPECT_EQ(QStringLiteral("张三"), text(head, 0, "jsr_Name"));
    EXPECT_EQ(QStringLiteral("采购部"), text(head, 0, "bm_Name"));
    EXPECT_EQ(QStringLiteral("一号仓"), text(head, 0, "IntoStock_Name"));
    EXPECT_EQ(QStringLiteral("系统管理员"), text(head, 0, "rec_Name"));
    EXPECT_EQ(QStringLiteral("系统管理员"), text(head, 0, "post_Name"));
    EXPECT_EQ(QStringLiteral("2"), text(head, 0, "dj_state"));

    ParamList l;
    l.setInt(QStringLiteral("id"), id);
    const RecordSet lines = procQuery(QStringLiteral("P_JXC_DJ_GetDJList"), l);
    ASSERT_EQ(2, lines.rowCount());
    EXPECT_EQ(QStringLiteral("SP101"), text(lines, 0, "goodsCode"));
    EXPECT_EQ(QStringLiteral("商品101"), text(lines, 0, "goodsname"));
    EXPECT_EQ(QStringLiteral("个"), text(lines, 0, "unitName"));
    EXPECT_EQ(QStringLiteral("一号仓"), text(lines, 0, "IntoStockname"));
    EXPECT_EQ(QStringLiteral("注"), text(lines, 0, "comment"));
    EXPECT_EQ(2.0, number(lines, 0, "qty"));
    EXPECT_EQ(10.0, number(lines, 0, "Total"));
    EXPECT_EQ(QStringLiteral("SP102"), text(lines, 1, "goodsCode"));
    EXPECT_EQ(QStringLiteral("箱"), text(lines, 1, "unitName"));
    // A line names its unit by the goods' unit slot: slot 1 of goods 102 is the pallet, never
    // the unit row whose id happens to be 1.
    QStringList pallet =
        goodsLine(QStringLiteral("102"), QStringLiteral("1"), QStringLiteral("140"));
    pallet[goodsLineFields().indexOf(QStringLiteral("unitid"))] = QStringLiteral("1");
    const qint64 palletBill = saveGoodsBill(false, 5, today(), {pallet});
    ParamList pl;
    pl.setInt(QStringLiteral("id"), palletBill);
    const RecordSet palletLines = procQuery(QStringLiteral("P_JXC_DJ_GetDJList"), pl);
    ASSERT_EQ(1, palletLines.rowCount());
    EXPECT_EQ(QStringLiteral("托"), text(palletLines, 0, "unitName"));
    EXPECT_EQ(QStringLiteral("1"), text(palletLines, 0, "unitid"));

    // A remark of several lines arrives escaped and opens with its line breaks.
    ParamList again = billHeader(5, today());
    again.setValue(QStringLiteral("comment"), encodeLineBreaks(QStringLiteral("第一行\r\n第二行")));
    const ServiceResult memo = service(
        QStringLiteral("SaveToDraft"), again,
        textPacket(goodsLineFields(),
                   {goodsLine(QStringLiteral("101"), QStringLiteral("1"), QStringLiteral("5"))}));
    ASSERT_GT(memo.code, 0) << memo.message.toStdString();
    ParamList m;
    m.setInt(QStringLiteral("id"), memo.code);
    const RecordSet memoHead = procQuery(QStringLiteral("P_JXC_DJ_GetDJIndex"), m);
    ASSERT_EQ(1, memoHead.rowCount());
    EXPECT_EQ(QStringLiteral("第一行\r\n第二行"), text(memoHead, 0, "comment"));

    // A deleted bill no longer opens.
    update(QStringLiteral("UPDATE djIndex SET dj_state = 0 WHERE id = %1").arg(id));
    EXPECT_EQ(0, procQuery(QStringLiteral("P_JXC_DJ_GetDJIndex"), p).rowCount());
}

TEST_F(BillRead, BillListsFollowStateDatesKindsRecordsAndFlags) {
    const QString d = today();
    const QStringList g101 =
        goodsLine(QStringLiteral("101"), QStringLiteral("1"), QStringLiteral("5"));
    const QStringList g103 =
        goodsLine(QStringLiteral("103"), QStringLiteral("1"), QStringLiteral("5"));
    QStringList g102in302 =
        goodsLine(QStringLiteral("102"), QStringLiteral("1"), QStringLiteral("5"));
    g102in302[4] = QStringLiteral("302");
    const qint64 buy = bill(5, d, QStringLiteral("201"), {g101}, QStringLiteral("dj_state = 2"));
    const qint64 buy302 =
        bill(5, d, QStringLiteral("202"), {g102in302}, QStringLiteral("dj_state = 2"));
    const qint64 sale = bill(1, d, QStringLiteral("203"), {g103}, QStringLiteral("dj_state = 2"));
    const qint64 reversed =
        bill(5, d, QStringLiteral("201"), {g101}, QStringLiteral("dj_state = 2, isred = 1"));
    const qint64 reversal =
        bill(5, d, QStringLiteral("201"), {g101}, QStringLiteral("dj_state = 2, isredword = 1"));
    const qint64 openOrder =
        bill(8, d, QStringLiteral("201"), {g101}, QStringLiteral("dj_state = 2"));
    const qint64 doneOrder =
        bill(8, d, QStringLiteral("201"), {g101}, QStringLiteral("dj_state = 2, isOver = 1"));
    const qint64 oldDraft = bill(5, QStringLiteral("2024-01-15"), QStringLiteral("202"), {g101});
    const qint64 laterDraft = bill(5, QStringLiteral("2024-02-01"), QStringLiteral("202"), {g101});
    bill(5, d, QStringLiteral("201"), {g101}, QStringLiteral("dj_state = 0"));  // deleted

    struct Case {
        const char* name;
        QList<QPair<QString, QString>> lines;
        QList<qint64> expected;
    };
    const QString range = d;
    auto posted = [&](QList<QPair<QString, QString>> extra) {
        QList<QPair<QString, QString>> l = {
            {QStringLiteral("dj_state"), QStringLiteral("2")},
            {QStringLiteral("BeginDate"), range},
            {QStringLiteral("EndDate"), range},
            {QStringLiteral("zyStr"), QStringLiteral(";czy_id=1;candel=0")}};
        return l + extra;
    };
    QList<qint64> all = {buy, buy302, sale, reversed, reversal, openOrder, doneOrder};
    std::sort(all.begin(), all.end());
    QList<qint64> partner201Purchases = {buy, reversed, reversal};
    QList<qint64> group200 = {buy, buy302, reversed, reversal, openOrder, doneOrder};
    std::sort(group200.begin(), group200.end());
    const Case cases[] = {
        {"every posted bill of the day", posted({}), all},
        {"one kind", posted({{QStringLiteral("djStr"), QStringLiteral(" (1,0) ")}}), {sale}},
        {"two kinds with blanks",
         posted({{QStringLiteral("djStr"), QStringLiteral(" (1, 5,0) ")}}),
         {buy, buy302, sale, reversed, reversal}},
        {"picking purchase orders",
         posted({{QStringLiteral("djStr"), QStringLiteral("(8)")},
                 {QStringLiteral("filter"), QStringLiteral(";isred=1;isOver=0")},
                 {QStringLiteral("wldwStr"), QStringLiteral(";wldw_id=201")}}),
         {openOrder}},
        {"neither reversed nor reversal",
         posted({{QStringLiteral("djStr"), QStringLiteral("(5)")},
                 {QStringLiteral("filter"), QStringLiteral(";isred=1")}}),
         {buy, buy302}},
        {"only reversed and reversal",
         posted({{QStringLiteral("filter"), QStringLiteral(";isred=2")}}),
         {reversed, reversal}},
        {"a partner",
         posted({{QStringLiteral("djStr"), QStringLiteral(" (5,0) ")},
                 {QStringLiteral("wldwStr"), QStringLiteral(";czy_id=1;id=201;issub=1;Other=1")}}),
         partner201Purchases},
        {"a partner group with its members",
         posted({{QStringLiteral("wldwStr"), QStringLiteral(";czy_id=1;id=200;issub=1;Other=1")}}),
         group200},
        {"a partner group without its members",
         posted({{QStringLiteral("wldwStr"), QStringLiteral(";czy_id=1;id=200;Other=1")}}),
         {}},
        {"no partner chosen",
         posted({{QStringLiteral("wldwStr"), QStringLiteral(";czy_id=1;id=;issub=1;Other=1")}}),
         all},
        {"a goods",
         posted({{QStringLiteral("GoodsStr"), QStringLiteral(";czy_id=1;id=103")}}),
         {sale}},
        {"a goods category",
         posted({{QStringLiteral("GoodsStr"), QStringLiteral(";czy_id=1;isSub=1;id=100")},
                 {QStringLiteral("djStr"), QStringLiteral(" (5,0) ")}}),
         {buy, buy302, reversed, reversal}},
        {"a line warehouse",
         posted({{QStringLiteral("ckStr"), QStringLiteral(";czy_id=1;id=302;issub=1")}}),
         {buy302}},
        {"drafts of January",
         {{QStringLiteral("dj_state"), QStringLiteral("1")},
          {QStringLiteral("BeginDate"), QStringLiteral("2024-01-01")},
          {QStringLiteral("EndDate"), QStringLiteral("2024-01-31")}},
         {oldDraft}},
        {"drafts from January on",
         {{QStringLiteral("dj_state"), QStringLiteral("1")},
          {QStringLiteral("BeginDate"), QStringLiteral("2024-01-15")},
          {QStringLiteral("EndDate"), QStringLiteral("2024-12-31")}},
         {oldDraft, laterDraft}},
    };
    for (const Case& c : cases) {
        ParamList p;
        p.setValue(QStringLiteral("QueryType"), QString());
        for (const auto& [name, value] : c.lines)
            p.setValue(name, value);
        QList<qint64> expected = c.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, ids(procQuery(QStringLiteral("P_JXC_DJ_GetDJIndex"), p))) << c.name;
    }
}

TEST_F(BillRead, PickingOffersTheOpenLinesOfTheMarkedPostedBills) {
    const QString d = today();
    const qint64 order1 =
        bill(8, d, QStringLiteral("201"),
             {goodsLine(QStringLiteral("101"), QStringLiteral("4"), QStringLiteral("5")),
              goodsLine(QStringLiteral("102"), QStringLiteral("2"), QStringLiteral("6"))},
             QStringLiteral("dj_state = 2"));
    const qint64 order2 =
        bill(8, d, QStringLiteral("201"),
             {goodsLine(QStringLiteral("103"), QStringLiteral("1"), QStringLiteral("9"))},
             QStringLiteral("dj_state = 2"));
    const qint64 draft =
        bill(8, d, QStringLiteral("201"),
             {goodsLine(QStringLiteral("101"), QStringLiteral("1"), QStringLiteral("1"))});
    update(
        QStringLiteral("UPDATE djList SET isOver = 1 WHERE id = %1 AND goodsid = 102").arg(order1));

    ParamList p;
    p.setValue(QStringLiteral("djStr"),
               QStringLiteral(" (%1,%2,%3, 0)").arg(order1).arg(order2).arg(draft));
    p.setValue(QStringLiteral("QueryType"), QStringLiteral("xuandan"));
    p.setValue(QStringLiteral("filter"), QStringLiteral(";djtype=5"));
    const RecordSet rs = procQuery(QStringLiteral("P_JXC_DJ_GetDJList"), p);
    ASSERT_EQ(2, rs.rowCount());
    EXPECT_EQ(101, rs.at(0, rs.fieldIndex(QStringLiteral("goodsid"))).toLongLong());
    EXPECT_EQ(QStringLiteral("商品101"), text(rs, 0, "fullname"));
    EXPECT_EQ(QStringLiteral("JH-1"), text(rs, 0, "djcode"));
    EXPECT_EQ(4.0, number(rs, 0, "qty"));
    EXPECT_EQ(103, rs.at(1, rs.fieldIndex(QStringLiteral("goodsid"))).toLongLong());
    EXPECT_EQ(order2, rs.at(1, rs.fieldIndex(QStringLiteral("id"))).toLongLong());
}

TEST_F(BillRead, OpenBillsOfAPartnerAndWhatAPaymentSettled) {
    const QString d = today();
    const QStringList line =
        goodsLine(QStringLiteral("101"), QStringLiteral("1"), QStringLiteral("1"));
    // Purchases of 120 (20 paid at once) and 30, a return of 10; a sale and another partner's
    // purchase are not the payment's business.
    const qint64 p1 = bill(5, d, QStringLiteral("201"), {line},
                           QStringLiteral("dj_state = 2, total = 120, sfkTotal = 20"));
    const qint64 p2 =
        bill(5, d, QStringLiteral("201"), {line}, QStringLiteral("dj_state = 2, total = 30"));
    const qint64 ret =
        bill(6, d, QStringLiteral("201"), {line}, QStringLiteral("dj_state = 2, total = 10"));
    const qint64 sale =
        bill(1, d, QStringLiteral("201"), {line}, QStringLiteral("dj_state = 2, total = 50"));
    bill(5, d, QStringLiteral("203"), {line}, QStringLiteral("dj_state = 2, total = 70"));
    bill(5, d, QStringLiteral("201"), {line}, QStringLiteral("total = 80"));  // a draft

    auto open = [&](qint64 billId, int kind) {
        ParamList p;
        p.setValue(QStringLiteral("QueryType"), QStringLiteral("WSKDJ"));
        p.setValue(QStringLiteral("wldwStr"), QStringLiteral(";id=201;czy_id=1"));
        p.setValue(QStringLiteral("BeginDate"), QStringLiteral("1988-01-01"));
        p.setValue(QStringLiteral("EndDate"), QStringLiteral("2030-01-01"));
        p.setInt(QStringLiteral("id"), billId);
        if (kind > 0)
            p.setInt(QStringLiteral("djType"), kind);
        return procQuery(QStringLiteral("P_JXC_DJ_GetDJList"), p);
    };
    RecordSet rs = open(0, 22);
    ASSERT_EQ(3, rs.rowCount());
    EXPECT_EQ((QList<qint64>{p1, p2, ret}), ids(rs, QStringLiteral("s_id")));
    for (int r = 0; r < rs.rowCount(); ++r) {
        const qint64 s = rs.at(r, rs.fieldIndex(QStringLiteral("s_id"))).toLongLong();
        const double expectedOpen = s == p1 ? 100.0 : s == p2 ? 30.0 : -10.0;
        EXPECT_EQ(expectedOpen, number(rs, r, "ye")) << s;
    }
    // The receipt side of the same partner holds the sale only.
    EXPECT_EQ((QList<qint64>{sale}), ids(open(0, 21), QStringLiteral("s_id")));

    // A posted payment settles the 30 in full and 40 of the 100.
    ParamList pay = billHeader(22, d);
    const ServiceResult r = service(
        QStringLiteral("SaveToDraft"), pay,
        textPacket({QStringLiteral("km_id"), QStringLiteral("orderid"), QStringLiteral("km_Code"),
                    QStringLiteral("km_Name"), QStringLiteral("total")},
                   {{QStringLiteral("8"), QString(), QString(), QString(), QStringLiteral("70")}}),
        textPacket({QStringLiteral("s_id"), QStringLiteral("Total")},
                   {{QString::number(p2), QStringLiteral("30")},
                    {QString::number(p1), QStringLiteral("40")}}));
    ASSERT_GT(r.code, 0) << r.message.toStdString();
    update(QStringLiteral("UPDATE djIndex SET dj_state = 2 WHERE id = %1").arg(r.code));

    rs = open(0, 22);
    EXPECT_EQ((QList<qint64>{p1, ret}), ids(rs, QStringLiteral("s_id")));
    EXPECT_EQ(60.0, number(rs, 0, "ye"));
    // Re-settling the payment itself shows the bills as open as before it; its kind comes from
    // the bill when the call does not name it.
    EXPECT_EQ((QList<qint64>{p1, p2, ret}), ids(open(r.code, 0), QStringLiteral("s_id")));

    ParamList settled;
    settled.setValue(QStringLiteral("QueryType"), QStringLiteral("SKD_DJ"));
    settled.setInt(QStringLiteral("id"), r.code);
    const RecordSet dj = procQuery(QStringLiteral("P_JXC_DJ_GetDJList"), settled);
    ASSERT_EQ(2, dj.rowCount());
    EXPECT_EQ(p2, dj.at(0, dj.fieldIndex(QStringLiteral("s_id"))).toLongLong());
    EXPECT_EQ(30.0, number(dj, 0, "Total"));
    EXPECT_EQ(30.0, number(dj, 0, "ye"));
    EXPECT_EQ(30.0, number(dj, 0, "totalSum"));
    EXPECT_EQ(100.0, number(dj, 1, "ye"));
    EXPECT_EQ(120.0, number(dj, 1, "totalSum"));

    ParamList accounts;
    accounts.setValue(QStringLiteral("QueryType"), QStringLiteral("SKD_KM"));
    accounts.setInt(QStringLiteral("id"), r.code);
    const RecordSet km = procQuery(QStringLiteral("P_JXC_DJ_GetDJList"), accounts);
    ASSERT_EQ(1, km.rowCount());
    EXPECT_EQ(QStringLiteral("现金"), text(km, 0, "km_Name"));
    EXPECT_EQ(70.0, number(km, 0, "total"));
}

TEST_F(BillRead, WithDataRightsOnAnOperatorSeesNoBillsOfRefusedRecords) {
    const QString d = today();
    const QStringList line =
        goodsLine(QStringLiteral("101"), QStringLiteral("1"), QStringLiteral("5"));
    const qint64 of201 = bill(5, d, QStringLiteral("201"), {line}, QStringLiteral("dj_state = 2"));
    const qint64 of202 = bill(5, d, QStringLiteral("202"), {line}, QStringLiteral("dj_state = 2"));
    const qint64 in302 = bill(5, d, QStringLiteral("203"), {line},
                              QStringLiteral("dj_state = 2, IntoStock_id = 302"));
    update(
        QStringLiteral("INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, fullname) "
                       "VALUES (3, 0, '3,', 1, 0, '003', '李四')"));
    update(QStringLiteral("INSERT INTO sysuser(id, password) VALUES (3, '')"));
    update(QStringLiteral("INSERT INTO baseWLDWPurview(id, czy_id, isbj) VALUES (202, 3, 0)"));
    update(QStringLiteral("INSERT INTO baseWLDWPurview(id, czy_id, isbj) VALUES (201, 3, 1)"));
    update(QStringLiteral("INSERT INTO baseCKPurview(id, czy_id, isbj) VALUES (302, 3, 0)"));

    Session other;
    other.spid = backend_->nextSpid();
    const QString login = proto::joinLines(
        {QStringLiteral("dytv1_1"), QStringLiteral("dytv1_1"), QStringLiteral("3"),
         QStringLiteral("pc-2"), QString(), QString(), QStringLiteral("1"), QStringLiteral("x"),
         QStringLiteral("dytv1"), QStringLiteral("UpdateFlag=Check"), QStringLiteral("LoginType=0"),
         QStringLiteral("V11.0.140215")});
    ASSERT_EQ(0, call(other, "Login", {login, QStringLiteral("3"), QString()}).code());
    ParamList p;
    p.setValue(QStringLiteral("dj_state"), QStringLiteral("2"));
    p.setValue(QStringLiteral("zyStr"), QStringLiteral(";czy_id=3;candel=0"));
    auto list = [&](Session& s) {
        const proto::Response r =
            call(s, "ExecProcQuery", {QStringLiteral("P_JXC_DJ_GetDJIndex"), p.text()});
        EXPECT_EQ(QString(), r.error);
        return ids(proto::recordSetFromCbor(r.out(1)));
    };
    QList<qint64> all = {of201, of202, in302};
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, list(other));  // the switch is off
    update(QStringLiteral("UPDATE sysConf SET sysValue = '1' WHERE id = 2004"));
    EXPECT_EQ((QList<qint64>{of201}), list(other));
    EXPECT_EQ(all, list(session_));  // operator 1 sees everything
    backend_->closeSession(other);
}

TEST_F(BillRead, MalformedConditionsAreRefused) {
    struct Case {
        const char* procedure;
        QList<QPair<QString, QString>> lines;
        QString message;  // empty: the condition parser's own message
    };
    const Case cases[] = {
        {"P_JXC_DJ_GetDJIndex",
         {{QStringLiteral("djStr"), QStringLiteral("(5;1)")}},
         QStringLiteral("[单据类型]格式错误：(5;1)")},
        {"P_JXC_DJ_GetDJIndex",
         {{QStringLiteral("djStr"), QStringLiteral("(5) or 1=1")}},
         QStringLiteral("[单据类型]格式错误：(5) or 1=1")},
        {"P_JXC_DJ_GetDJIndex",
         {{QStringLiteral("BeginDate"), QStringLiteral("2025-02-30")}},
         QStringLiteral("[开始日期]不是有效的日期：2025-02-30")},
        {"P_JXC_DJ_GetDJIndex",
         {{QStringLiteral("wldwStr"), QStringLiteral(";id=1 or 1=1")}},
         QStringLiteral("[往来单位]不是有效的数字：1 or 1=1")},
        {"P_JXC_DJ_GetDJIndex",
         {{QStringLiteral("filter"), QStringLiteral(";isred=7")}},
         QStringLiteral("[isred]只能是0、1或2：7")},
        {"P_JXC_DJ_GetDJIndex", {{QStringLiteral("wldwStr"), QStringLiteral("id=1")}}, QString()},
        {"P_JXC_DJ_GetDJList",
         {{QStringLiteral("QueryType"), QStringLiteral("XYZ")}},
         QStringLiteral("未知的查询类型[XYZ]")},
        {"P_JXC_DJ_GetDJList",
         {{QStringLiteral("QueryType"), QStringLiteral("WSKDJ")},
          {QStringLiteral("wldwStr"), QStringLiteral(";id=")}},
         QStringLiteral("请先选择往来单位")},
    };
    for (const Case& c : cases) {
        ParamList p;
        for (const auto& [name, value] : c.lines)
            p.setValue(name, value);
        const QString message =
            dyt::test::errorOf([&] { procQuery(QString::fromLatin1(c.procedure), p); });
        if (c.message.isEmpty())
            EXPECT_FALSE(message.isEmpty()) << p.text().toStdString();
        else
            EXPECT_EQ(c.message, message) << p.text().toStdString();
    }
}

}  // namespace
}  // namespace dyt::server::test
