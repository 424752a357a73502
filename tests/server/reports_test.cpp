// The report procedures on bills posted through the bill service, against figures worked out by
// hand from the bills of ReportFixture (see reports_fixture.h).
#include "server/reports/reports.h"
#include "reports_fixture.h"
#include "server/procs/callrights.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

const QString kXS = u"P_JXC_Get_XS"_s;
const QString kJH = u"P_JXC_Get_JH"_s;
const QString kKC = u"P_JXC_Get_KC"_s;

class Reports : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        postScenario();
    }
};

// The top level of each report with the default conditions is compared with the golden files
// (reports_golden_test.cpp); these tests check the conditions and the levels below it.
TEST_F(Reports, SalesStatisticsGoOneLevelDownAndFollowTheConditionsAndRankings) {
    // One level down: the goods of category 100.
    const RecordSet level = report(kXS, u"SPXSTJ"_s, {{"GoodsStr", ";czy_id=1;par_id=100"}});
    ASSERT_EQ((QList<qint64>{101, 102}), ids(level));
    EXPECT_EQ((QList<double>{4.0, 80.0, 20.0}), nums(level, 0, {"Qty", "discounttotal", "price"}));
    EXPECT_EQ((QList<double>{5.0, 8.0}), nums(level, 1, {"Qty", "price"}));
    EXPECT_EQ(100, level.at(0, level.fieldIndex(u"par_id"_s)).toLongLong());
    EXPECT_EQ(u"100,101,"_s, text(level, 0, "par_jl"));
    // The partners of category 200.
    const RecordSet inside = report(kXS, u"DWXSTJ"_s, {{"wldwStr", ";czy_id=1;par_id=200"}});
    EXPECT_EQ((QList<qint64>{201}), ids(inside));
    EXPECT_EQ(3.0, num(inside, 0, "Qty"));  // 101: 3 − 1, 103: 1
    // The flat list, the search, the conditions and the rankings.
    // clang-format off
    struct Case { Lines lines; QList<qint64> ids; QList<double> qty; };
    // The goods picker's flat list, a category, the quick search; partners with sub-records or
    // all of them; dates; bill kinds; the quantity filter; a warehouse without sales.
    const Case cases[] = {
        {{{"GoodsStr", ";czy_id=1;isList=1"}}, {101, 102, 103}, {4, 5, 1}},
        {{{"GoodsStr", ";czy_id=1;isList=1;isList=1;par_id=100"}}, {101, 102}, {4, 5}},
        {{{"GoodsStr", ";czy_id=1;allfilter=102"}}, {102}, {5}},
        {{{"wldwStr", ";czy_id=1;id=200;issub=1;Other=1"}}, {100, 103}, {2, 1}},
        {{{"wldwStr", ";czy_id=1;id=;issub=1;Other=1"}}, {100, 103}, {9, 1}},
        {{{"BeginDate", "2025-02-01"}, {"EndDate", "2025-02-28"}}, {100}, {6}},
        {{{"BeginDate", "2025-01-10"}, {"EndDate", "2025-01-10"}}, {100, 103}, {3, 1}},
        {{{"djStr", " (1,0) "}}, {100, 103}, {10, 1}},
        {{{"djStr", " (2,0) "}}, {100}, {-1}},
        {{{"filter", ";qty=1"}}, {100, 103}, {9, 1}},
        {{{"filter", ";qty=2"}}, {}, {}},
        {{{"ckStr", ";czy_id=1;id=302;issub=1;Other=1"}}, {}, {}}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines[0].second);
        const RecordSet rs = report(kXS, u"SPXSTJ"_s, c.lines);
        EXPECT_EQ(c.ids, ids(rs));
        for (int i = 0; i < c.qty.size() && i < rs.rowCount(); ++i)
            EXPECT_EQ(c.qty[i], num(rs, i, "Qty"));
    }
    // The goods ranking window sends its tree level in GoodsStr.
    const RecordSet goods = report(kXS, u"XSPHB"_s, {{"GoodsStr", ";czy_id=1;par_id=0"}});
    ASSERT_EQ(3, goods.rowCount());
    EXPECT_EQ((QList<qint64>{1, 2, 3}), ids(goods, "pm"));
    EXPECT_EQ((QList<qint64>{101, 102, 103}), ids(goods));  // 80, then 40 and 40 in code order
    EXPECT_EQ(80.0, num(goods, 0, "taxTotalSum"));
    // The customer ranking sends it in wldwStr; ";phlx=" names the ranking outright.
    const RecordSet customers =
        report(kXS, u"XSPHB"_s, {{"wldwStr", ";czy_id=1;id=;issub=1;Other=1;par_id=0"}});
    EXPECT_EQ((QList<qint64>{201, 203}), ids(customers));  // 80 each: code order
    EXPECT_EQ((QList<qint64>{201, 203}), ids(report(kXS, u"XSPHB"_s, {{"filter", ";phlx=kh"}})));
    // The region ranking has no tree: partner 201 lies in region 501, 203 in none.
    update(
        u"INSERT INTO baseDQ(id, par_id, par_jl, leveal, sonnum, code, fullname) "
        "VALUES (501, 0, '501,', 1, 0, 'DQ1', '华东')"_s);
    update(u"UPDATE baseWLDW SET Areaid = 501 WHERE id = 201"_s);
    const RecordSet regions = report(kXS, u"XSPHB"_s);
    ASSERT_EQ((QList<qint64>{501}), ids(regions));
    EXPECT_EQ(80.0, num(regions, 0, "taxTotalSum"));
    EXPECT_EQ(u"华东"_s, text(regions, 0, "dq_dqqm"));
}

TEST_F(Reports, RedReversalCancelsAndTheRedFilterChoosesBills) {
    ASSERT_LT(
        0, proc(u"P_JXC_DJ_CopyRed"_s,
                {{"isRed", u"-1"_s}, {"billid", QString::number(bills_[2])}, {"dj_state", u"2"_s}}))
        << lastMessage_.toStdString();
    const auto level = [&](const char* filter) {
        return report(kXS, u"SPXSTJ"_s, {{"GoodsStr", ";czy_id=1;par_id=100"}, {"filter", filter}});
    };
    const RecordSet all = level(";isred=0");
    ASSERT_EQ((QList<qint64>{101}), ids(all));  // 102 was only in the reversed bill
    EXPECT_EQ(2.0, num(all, 0, "Qty"));         // 3 − 1
    const RecordSet plain = level(";isred=1");
    ASSERT_EQ((QList<qint64>{101}), ids(plain));
    EXPECT_EQ(2.0, num(plain, 0, "Qty"));
    EXPECT_EQ((QList<qint64>{}), ids(level(";isred=2")));  // the pair cancels out
    const RecordSet ledger = report(
        kXS, u"XSMXZB"_s, {{"GoodsStr", ";czy_id=1;isSub=1;id=102"}, {"filter", ";isred=2"}});
    ASSERT_EQ(2, ledger.rowCount());
    EXPECT_EQ(5.0, num(ledger, 0, "Qty"));
    EXPECT_EQ(-5.0, num(ledger, 1, "Qty"));
}

TEST_F(Reports, GoodsLedgerCarriesTheOpeningAndRunningBalanceAndBadConditionsAreRefused) {
    const RecordSet rs = report(kKC, u"SPMX"_s,
                                {{"GoodsStr", ";czy_id=1;isSub=1;id=101"},
                                 {"ckStr", ";czy_id=1;id=301;issub=1;Other=1"},
                                 {"BeginDate", "2025-01-06"},
                                 {"EndDate", "2025-02-28"}});
    ASSERT_EQ(4, rs.rowCount());
    EXPECT_EQ(u"期初"_s, text(rs, 0, "djName"));
    EXPECT_EQ((QList<double>{10.0, 100.0}), nums(rs, 0, {"jcQty", "jcTotal"}));
    EXPECT_EQ((QList<double>{3.0, 30.0, -3.0, -30.0, 7.0, 70.0}),
              nums(rs, 1, {"outQty", "outTotal", "Qty", "total", "jcQty", "jcTotal"}));
    EXPECT_EQ(u"2025-01-10"_s, text(rs, 1, "djDate"));
    EXPECT_EQ((QList<double>{2.0, 5.0}), nums(rs, 2, {"outQty", "jcQty"}));
    EXPECT_EQ((QList<double>{1.0, 0.0, 6.0}), nums(rs, 3, {"inQty", "outQty", "jcQty"}));
    // Every warehouse: the purchase into 302 follows.
    const RecordSet all = report(kKC, u"SPMX"_s, {{"GoodsStr", ";czy_id=1;isSub=1;id=101"}});
    ASSERT_EQ(6, all.rowCount());
    EXPECT_EQ((QList<double>{11.0, 5.0, 60.0}), nums(all, 5, {"jcQty", "inQty", "inTotal"}));
    EXPECT_EQ(0.0, num(all, 0, "jcQty"));  // nothing before the first bill
    struct Case {
        const char* type;
        Lines lines;
        const char* message;  // empty: any message
    };
    const char* reversed = "开始日期不能大于结束日期！";
    // clang-format off
    const Case cases[] = {
        {"SPXSTJ", {{"BeginDate", "2025-02-02"}, {"EndDate", "2025-02-01"}}, reversed},
        {"SPXSDBFX", {{"BeginDate2", "2025-02-02"}, {"EndDate2", "2025-02-01"}}, reversed},
        {"SPXSTJ", {{"filter", ";qty=3"}}, "查询条件[qty]只能是0到2：3"},
        {"NOSUCH", {}, "P_JXC_Get_XS不支持查询类型[NOSUCH]"},
        {"SPXSTJ", {{"BeginDate", "2025-13-01"}}, ""},
        {"SPXSTJ", {{"djStr", " (1,"}}, ""},
        {"SPXSTJ", {{"wldwStr", ";czy_id=1;id=x"}}, ""}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.empty() ? c.type : c.lines[0].second);
        const QString message = reportError(kXS, QString::fromLatin1(c.type), c.lines);
        EXPECT_FALSE(message.isEmpty());
        if (*c.message) {
            EXPECT_EQ(QString::fromUtf8(c.message), message);
        }
    }
}

TEST_F(Reports, StockBalancesMovementTableAndTheLowerLimitAlert) {
    const RecordSet balance = report(kKC, u"CKKCYEB"_s, {{"EndDate", "2025-01-31"}});
    ASSERT_EQ((QList<qint64>{100, 103}), ids(balance));
    // Qty: 101: 10 − 3, 102: 20
    EXPECT_EQ((QList<double>{27.0, 170.0, 6.2963}), nums(balance, 0, {"Qty", "total", "price"}));
    EXPECT_EQ((QList<double>{3.0, 75.0}), nums(balance, 1, {"Qty", "total"}));
    const RecordSet move =
        report(kKC, u"QNJXCBDB"_s, {{"BeginDate", "2025-02-01"}, {"EndDate", "2025-02-28"}});
    ASSERT_EQ((QList<qint64>{100, 103}), ids(move));
    // rkQty: return 1, purchase 5; ckQty: 101: 2, 102: 5
    EXPECT_EQ((QList<double>{27.0, 170.0, 6.0, 7.0, 26.0}),
              nums(move, 0, {"qcQty", "qcTotal", "rkQty", "ckQty", "jcQty"}));
    EXPECT_EQ((QList<double>{3.0, 0.0, 3.0, 75.0}),
              nums(move, 1, {"qcQty", "ckQty", "jcQty", "jcTotal"}));
    // The lower-limit alert of one warehouse.
    update(u"UPDATE baseGoods SET warnDown = 5 WHERE id = 103"_s);
    // In warehouse 302 goods 103 has nothing: 5 short.
    const RecordSet lower302 =
        report(kKC, u"KCXXBJ"_s, {{"ckStr", ";czy_id=1;id=302;issub=1;Other=1"}});
    ASSERT_EQ((QList<qint64>{103}), ids(lower302, "sp_id"));
    EXPECT_EQ(5.0, num(lower302, 0, "cyQty"));
}

// The stock per warehouse column of a level (302 moved below 301), the shelf life reached some
// days ahead and the batch number condition; the figures of the five bills worked out by hand.
TEST_F(Reports, StockPerWarehouseLevelShelfLifeDaysAndBatchNumbers) {
    update(u"UPDATE baseCK SET par_id = 301, par_jl = '301,302,', leveal = 2 WHERE id = 302"_s);
    update(u"UPDATE baseCK SET sonnum = 1 WHERE id = 301"_s);
    update(u"UPDATE baseGoods SET yxqNum = 90 WHERE id = 102"_s);
    update(u"UPDATE baseGoodsStock SET ph = 'P1', outdate = '2025-01-01' WHERE goodsid = 102"_s);
    update(u"UPDATE djList SET ph = 'M7' WHERE goodsid = 101 AND djType = 5"_s);
    posted(42, "2025-02-20", 0, {{102, 13, 0}});  // a stocktake finds 2 of 102 missing
    // clang-format off
    struct Case { const char* type; Lines lines; const char* field; QList<double> values; };
    const Case cases[] = {
        // 101: 6 in 301 and 5 in 302, 102: 13 in 301; 103: 3 in 301
        {"KCZKFB", {{"filter", ";cklevel=1"}}, "ckQty_301", {24, 3}},
        {"KCZKFB", {{"filter", ";cklevel=2"}}, "ckQty_301", {19, 3}},
        {"CKFBB", {}, "ckQty_302", {5, 0}},
        {"CKZMCYB", {}, "ckTotal", {10}},
        // 102 expires on 2025-04-01: reached 31 days ahead of 2025-03-01, not 30
        {"SPBZQCX", {{"EndDate", "2025-03-01"}, {"filter", ";days=31"}}, "syts", {31}},
        {"SPBZQCX", {{"EndDate", "2025-03-01"}, {"filter", ";days=30"}}, "syts", {}},
        {"SPPCGZ", {{"filter", ";batchNo=p1"}}, "Qty", {20, -5, -2}},
        {"SPPCGZ", {{"filter", ";batchNo=P2"}}, "Qty", {}},
        {"SPPCGZ", {{"filter", ";batchNo=m7"}}, "Qty", {10, 5}},  // 101 by average cost
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const RecordSet rs = report(kKC, QString::fromLatin1(c.type), c.lines);
        QList<double> got;
        for (int i = 0; i < rs.rowCount(); ++i)
            got << num(rs, i, c.field);
        EXPECT_EQ(c.values, got);
    }
    EXPECT_EQ(u"查看仓库的级次只能是1至5！"_s,
              reportError(kKC, u"KCZKFB"_s, {{"filter", ";cklevel=6"}}));
}

// A report as another operator sees it, on the session's connection.
RecordSet reportAs(Backend& backend, Session& session, qint64 user, const QString& type,
                   const QString& goods = u";par_id=0"_s, const QString& procedure = kXS) {
    ParamList p;
    p.setValue(u"QueryType"_s, type);
    const QString me = u";czy_id=%1"_s.arg(user);
    for (const char* key : {"wldwStr", "zyStr", "ckStr", "bmStr", "kmStr"})
        p.setValue(QString::fromLatin1(key), me);
    p.setValue(u"GoodsStr"_s, me + goods);
    CallContext c(*session.db, p);
    c.userId = user;
    backend.procedures().find(procedure)->handler(c);
    return c.data;
}

TEST_F(Reports, RecordRightsLeaveOutWhatIsRefusedAndDiscountsAreSummedAsChosen) {
    update(u"INSERT INTO sysuser(id, password) VALUES (2, '')"_s);
    update(u"INSERT INTO baseWLDWPurview(id, czy_id, isbj) VALUES (203, 2, 0)"_s);
    update(u"INSERT INTO baseGoodsPurview(id, czy_id, isbj) VALUES (103, 2, 0)"_s);
    // Switch off: everything counts.
    EXPECT_EQ((QList<qint64>{100, 103}), ids(reportAs(*backend_, session_, 2, u"SPXSTJ"_s)));
    update(u"UPDATE sysConf SET sysValue = '1' WHERE id = 2004"_s);
    // Operator 2 sees neither the sales to 203 nor goods 103: 101 3 − 1 to 201 remains.
    const RecordSet two = reportAs(*backend_, session_, 2, u"SPXSTJ"_s);
    ASSERT_EQ((QList<qint64>{100}), ids(two));
    EXPECT_EQ((QList<double>{2.0, 40.0}), nums(two, 0, {"Qty", "discounttotal"}));
    // Operator 1 holds every right.
    const RecordSet one = reportAs(*backend_, session_, 1, u"SPXSTJ"_s);
    EXPECT_EQ((QList<qint64>{100, 103}), ids(one));
    EXPECT_EQ(9.0, num(one, 0, "Qty"));
    // The boss report as well: sales and returns of 101 with 201, what 201 owes, the stock of
    // 101 (6 in 301 worth 70, 5 in 302 worth 60) and 102 (15 at 5).
    const RecordSet boss =
        reportAs(*backend_, session_, 2, u"LBBBTJ"_s, QString(), u"P_JXC_Get_LBBB"_s);
    EXPECT_EQ((QList<double>{60.0, 20.0, 80.0, 205.0}),
              (QList<double>{num(boss, 2, "total"), num(boss, 3, "total"), num(boss, 5, "total"),
                             num(boss, 7, "total")}));
    // Sales less returns per top category: 100 (101 and 102) and goods 103 at the top.
    const RecordSet tops =
        reportAs(*backend_, session_, 1, u"LBBBFX"_s, QString(), u"P_JXC_Get_LBBB"_s);
    EXPECT_EQ((QList<qint64>{100, 103}), ids(tops));
    EXPECT_EQ((QList<double>{120.0, 40.0}),
              (QList<double>{num(tops, 0, "total"), num(tops, 1, "total")}));
    const auto withDiscount = [&](int djType, const char* date, const char* discount) {
        const GoodsBill b = goodsBill(djType, date, 201, {{101, 1, 20, 301}});
        ParamList header = goodsBillParams(b);
        header.setValue(u"youhuiTotal"_s, QString::fromLatin1(discount));
        const ServiceResult r =
            service(u"SaveToDB"_s, header, goodsLinesPacket(b), accountPacket({}));
        EXPECT_GT(r.code, 0) << r.message.toStdString();
        return r.code;
    };
    const qint64 sale = withDiscount(1, "2025-02-15", "5");
    const qint64 back = withDiscount(2, "2025-02-16", "2");
    const RecordSet bills = report(kXS, u"XSYHMXZB"_s);
    ASSERT_EQ((QList<qint64>{sale, back}), ids(bills));
    EXPECT_EQ(5.0, num(bills, 0, "total"));
    EXPECT_EQ(-2.0, num(bills, 1, "total"));  // a return's discount counts back
    EXPECT_EQ(u"甲公司"_s, text(bills, 0, "dw_dwqm"));
    struct Case {
        const char* tjfs;
        qint64 id;
    };
    // Partner 201, department 401, employee 2 (the bills' header of the packets).
    for (const Case& c : {Case{";tjfs=0", 201}, Case{";tjfs=1", 401}, Case{";tjfs=2", 2}}) {
        SCOPED_TRACE(c.tjfs);
        const RecordSet sums = report(kXS, u"XSYHTJ"_s, {{"filter", c.tjfs}});
        ASSERT_EQ((QList<qint64>{c.id}), ids(sums));
        EXPECT_EQ((QList<double>{3.0, 2.0}), nums(sums, 0, {"total", "billCount"}));
    }
    EXPECT_EQ(u"查询条件[tjfs]只能是0到2：3"_s,
              reportError(kXS, u"XSYHTJ"_s, {{"filter", ";tjfs=3"}}));
    // The order statistics sum by goods, partner or handler as the dialog chooses.
    posted(4, "2025-02-20", 203, {{103, 2, 45}});
    EXPECT_EQ((QList<qint64>{103}), ids(report(kXS, u"XSDDTJ"_s)));
    EXPECT_EQ((QList<qint64>{203}), ids(report(kXS, u"XSDDTJ"_s, {{"filter", ";tjfs=1"}})));
    EXPECT_EQ((QList<qint64>{2}), ids(report(kXS, u"XSDDTJ"_s, {{"filter", ";tjfs=2"}})));
}

TEST_F(Reports, OrderLinesShowWhatLaterBillsTookOver) {
    const qint64 order = posted(4, "2025-02-20", 203, {{103, 2, 45}});
    const qint64 line =
        scalar(u"SELECT orderid FROM djList WHERE id = %1"_s.arg(order)).toLongLong();
    // A sales bill takes one of the two over (its line names the order line).
    const GoodsBill sale = goodsBill(1, "2025-02-21", 203, {{103, 1, 45, 301}});
    RecordSet lines = goodsLinesPacket(sale);
    lines.setAt(0, lines.fieldIndex(u"s_id"_s), QString::number(order));
    lines.setAt(0, lines.fieldIndex(u"s_orderid"_s), QString::number(line));
    const ServiceResult r = service(u"SaveToDB"_s, goodsBillParams(sale), lines, accountPacket({}));
    ASSERT_GT(r.code, 0) << r.message.toStdString();
    const RecordSet stats = report(kXS, u"XSDDTJ"_s);
    ASSERT_EQ((QList<qint64>{103}), ids(stats));
    EXPECT_EQ((QList<double>{2.0, 90.0}), nums(stats, 0, {"Qty", "discounttotal"}));
    const RecordSet open = report(kXS, u"XSDDZXQK"_s);
    ASSERT_EQ(1, open.rowCount());
    EXPECT_EQ(order, open.at(0, open.fieldIndex(u"id"_s)).toLongLong());
    EXPECT_EQ((QList<double>{2.0, 1.0, 1.0}), nums(open, 0, {"Qty", "zxQty", "wzxQty"}));
    EXPECT_EQ((QList<qint64>{order}), ids(report(kXS, u"XSDDMXCX"_s, {{"filter", ";isOver=0"}})));
    EXPECT_EQ((QList<qint64>{}), ids(report(kXS, u"XSDDMXCX"_s, {{"filter", ";isOver=1"}})));
    EXPECT_EQ(u"查询条件[isOver]只能是0或1：2"_s,
              reportError(kXS, u"XSDDMXCX"_s, {{"filter", ";isOver=2"}}));
    // The purchase side has no orders here.
    EXPECT_EQ(0, report(kJH, u"JHDDMXCX"_s).rowCount());
}

// The account ledger: the balance before the range (opening balances and earlier lines), each
// line with the running balance in the account's direction, the closing row on the account's
// balance; a category carries its accounts' lines.
TEST_F(Reports, AccountLedgerRunsFromTheOpeningBalanceToTheAccountBalance) {
    postMoreKinds();
    postDealings();
    struct Case {
        const char* km;
        const char* begin;
        const char* line;  // a condition line with ";czy_id=1;issub=1;id=" + value, or none
        const char* value;
        QList<double> balances;  // the opening row first, the closing row last
        const char* sides;
    };
    // clang-format off
    const Case cases[] = {
        // cash: receipt 12 brings 50, payment 13 takes 100
        {"8", "2025-01-01", "", "", {0, 50, -50, -50}, "平借贷贷"},
        // income (credit side): January's sale 100, then sale 3 80, return 4 −20, the other
        // receipt 8 40 (其它收入), the exchange 9 −20 (40 back against 20 out)
        {"3", "2025-02-01", "", "", {100, 180, 160, 200, 180, 180}, "贷贷贷贷贷贷"},
        // receivables: 203's opening 50, sales 100 and 80, return 20, exchange 20, receipt 50
        {"7", "2025-01-01", "", "", {50, 150, 230, 210, 190, 140, 140}, "借借借借借借借"},
        // 203's bills alone, without the opening balance that belongs to no bill
        {"7", "2025-01-01", "wldwStr", "203", {0, 80, 80}, "平借借"},
        // payables (credit side): 202's opening 30, purchases 300 and 60, payment 100
        {"16", "2025-01-01", "", "", {30, 330, 390, 290, 290}, "贷贷贷贷贷"},
        // stock in warehouse 302: purchase 5 (the transfer 6 books no account line)
        {"6", "2025-01-01", "ckStr", "302", {0, 60, 60}, "平借借"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.km + std::string(" ") + c.begin + c.line + c.value);
        const QByteArray km = ";czy_id=1;id=" + QByteArray(c.km);
        const QByteArray chosen = ";czy_id=1;issub=1;id=" + QByteArray(c.value);
        Lines lines = {
            {"kmStr", km.constData()}, {"BeginDate", c.begin}, {"EndDate", "2025-03-31"}};
        if (*c.line)
            lines.push_back({c.line, chosen.constData()});
        const RecordSet rs = report(u"P_JXC_Get_CW"_s, u"KMMXZ"_s, lines);
        QList<double> balances;
        QString sides;
        for (int r = 0; r < rs.rowCount(); ++r) {
            balances << num(rs, r, "yeTotal");
            sides += text(rs, r, "fx");
        }
        EXPECT_EQ(c.balances, balances);
        EXPECT_EQ(QString::fromUtf8(c.sides), sides);
        ASSERT_GE(rs.rowCount(), 2);
        EXPECT_EQ(u"期初"_s + u"期末"_s,
                  text(rs, 0, "djName") + text(rs, rs.rowCount() - 1, "djName"));
        if (!*c.line) {
            EXPECT_EQ(dyt::test::numberOf(scalar(u"SELECT Total FROM baseKM WHERE id = "_s +
                                                 QString::fromLatin1(c.km))),
                      balances.last());
        }
    }
    const RecordSet income = report(u"P_JXC_Get_CW"_s, u"KMMXZ"_s,
                                    {{"kmStr", ";czy_id=1;id=3"}, {"BeginDate", "2025-02-01"}});
    EXPECT_EQ(u"其它收入"_s, text(income, 3, "km_kmqm"));
    EXPECT_EQ(u"会计科目[999]不存在"_s,
              reportError(u"P_JXC_Get_CW"_s, u"KMMXZ"_s, {{"kmStr", ";czy_id=1;id=999"}}));
    EXPECT_FALSE(reportError(u"P_JXC_Get_CW"_s, u"KMMXZ"_s, {{"kmStr", ";id=x"}}).isEmpty());
    // An operator refused the cash account sees neither it nor the bills paid through it.
    update(u"INSERT INTO sysuser(id, password) VALUES (2, '')"_s);
    update(u"INSERT INTO baseYHZHPurview(id, czy_id, isbj) VALUES (8, 2, 0)"_s);
    update(u"UPDATE sysConf SET sysValue = '1' WHERE id = 2004"_s);
    const RecordSet refused =
        reportAs(*backend_, session_, 2, u"KMMXZ"_s, QString(), u"P_JXC_Get_CW"_s);
    ASSERT_GT(refused.rowCount(), 20);
    EXPECT_FALSE(ids(refused, "km_id").contains(8));
    for (const int kind : {21, 22, 1}) {
        const qint64 bill =
            scalar(u"SELECT MAX(id) FROM djIndex WHERE djType = %1"_s.arg(kind)).toLongLong();
        EXPECT_EQ(kind == 1, ids(refused).contains(bill)) << kind;
    }
    // The price tracking measures against the bills' default price type: 预设售价1 of 101 is 20,
    // the price sale 2 took.
    update(u"UPDATE sysConf SET sysValue = '1' WHERE id = 2001"_s);
    const RecordSet tracked =
        report(u"P_JXC_Get_Other"_s, u"JGZKGZ"_s, {{"GoodsStr", ";czy_id=1;isSub=1;id=101"}});
    ASSERT_EQ(2, tracked.rowCount());
    EXPECT_EQ((QList<double>{20, 20, 1, 0, 0}),
              nums(tracked, 0, {"presetPrice", "discountprice", "sjzk", "cjPrice", "cjTotal"}));
}

// The expenses are spread over departments, employees or partners as the dialog chooses; the
// profit statement of March keeps the year to date; the balance sheet is its windows' alone,
// the account list of the same procedure everyone's.
TEST_F(Reports, ExpensesSpreadAsChosenProfitOfAMonthAndTheBalanceSheetsRight) {
    postMoreKinds();
    const QString cw = u"P_JXC_Get_CW"_s;
    // clang-format off
    struct Case { const char* filter; qint64 id; QString name; };
    const Case cases[] = {{";tjfs=0", 401, u"采购部"_s}, {";tjfs=1", 2, u"张三"_s},
                          {";tjfs=2", 0, u"（无往来单位）"_s}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        const RecordSet rs = report(cw, u"FYFBB"_s, {{"filter", c.filter}});
        EXPECT_EQ(QList<qint64>{c.id}, ids(rs));
        EXPECT_EQ(c.name, text(rs, 0, "fullname"));
        EXPECT_EQ(5.0, num(rs, 0, "total"));  // the loss of bill 7
    }
    EXPECT_EQ(u"查询条件[tjfs]只能是0到2：3"_s,
              reportError(cw, u"FYFBB"_s, {{"filter", ";tjfs=3"}}));
    // March: the exchange gives 20 of sales and 28.3333 of cost back; the loss and the other
    // receipt come in.
    const RecordSet march =
        report(cw, u"LRB"_s, {{"BeginDate", "2025-03-01"}, {"EndDate", "2025-03-31"}});
    ASSERT_EQ(8, march.rowCount());
    for (const auto& [row, period, year] : {std::tuple{0, -20.0, 140.0}, {2, 8.3333, 88.3333},
                                            {4, 5.0, 5.0}, {7, 43.3333, 123.3333}}) {
        SCOPED_TRACE(row);
        EXPECT_EQ((QList<double>{period, year}), nums(march, row, {"total", "yearTotal"}));
    }
    update(u"INSERT INTO sysuser(id, password) VALUES (2, '')"_s);
    const auto refused = [&](qint64 user, const char* type) {
        ParamList p;
        p.setValue(u"QueryType"_s, QString::fromLatin1(type));
        return dyt::test::errorOf(
            [&] { callrights::checkProcedure(*session_.db, user, u"P_Base_Get_KM"_s, p); });
    };
    EXPECT_EQ(callrights::refusal(), refused(2, "ZCFZB"));
    EXPECT_EQ(QString(), refused(2, ""));
    EXPECT_EQ(QString(), refused(1, "ZCFZB"));
}

}  // namespace
}  // namespace dyt::server::test
