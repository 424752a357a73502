// The report procedures on bills posted through the bill service, against figures worked out by
// hand from the bills of ReportFixture (see reports_fixture.h).
#include "server/reports.h"
#include "reports_fixture.h"

namespace dyt::server::test {
namespace {

const QString kXS = QStringLiteral("P_JXC_Get_XS");
const QString kJH = QStringLiteral("P_JXC_Get_JH");
const QString kKC = QStringLiteral("P_JXC_Get_KC");

class Reports : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        postScenario();
    }
};

TEST_F(Reports, SalesStatisticsAggregateOneCategoryLevelAtATime) {
    // Top level: category 100 (101 and 102) and goods 103. Returns count against sales.
    const RecordSet top =
        report(kXS, QStringLiteral("SPXSTJ"), {{"GoodsStr", ";czy_id=1;par_id=0"}});
    ASSERT_EQ((QList<qint64>{100, 103}), ids(top));
    EXPECT_EQ(2, top.at(0, top.fieldIndex(QStringLiteral("sonnum"))).toLongLong());
    EXPECT_EQ(9.0, num(top, 0, "Qty"));              // 101: 3 + 2 − 1, 102: 5
    EXPECT_EQ(120.0, num(top, 0, "discounttotal"));  // 60 + 40 − 20 + 40
    EXPECT_EQ(13.3333, num(top, 0, "price"));
    EXPECT_EQ(1.0, num(top, 1, "Qty"));
    EXPECT_EQ(40.0, num(top, 1, "discounttotal"));
    EXPECT_EQ(QStringLiteral("SP103"), text(top, 1, "sp_spbh"));

    // One level down: the goods of category 100.
    const RecordSet level =
        report(kXS, QStringLiteral("SPXSTJ"), {{"GoodsStr", ";czy_id=1;par_id=100"}});
    ASSERT_EQ((QList<qint64>{101, 102}), ids(level));
    EXPECT_EQ(4.0, num(level, 0, "Qty"));
    EXPECT_EQ(80.0, num(level, 0, "discounttotal"));
    EXPECT_EQ(20.0, num(level, 0, "price"));
    EXPECT_EQ(5.0, num(level, 1, "Qty"));
    EXPECT_EQ(8.0, num(level, 1, "price"));
    EXPECT_EQ(100, level.at(0, level.fieldIndex(QStringLiteral("par_id"))).toLongLong());
    EXPECT_EQ(QStringLiteral("100,101,"), text(level, 0, "par_jl"));
}

TEST_F(Reports, SalesStatisticsListSearchAndConditions) {
    struct Case {
        const char* name;
        Lines lines;
        QList<qint64> ids;
        QList<double> qty;
    };
    const Case cases[] = {
        {"flat list of all goods",
         {{"GoodsStr", ";czy_id=1;isList=1"}},
         {101, 102, 103},
         {4, 5, 1}},
        {"flat list below one category",
         {{"GoodsStr", ";czy_id=1;isList=1;isList=1;par_id=100"}},
         {101, 102},
         {4, 5}},
        {"quick search replaces the level", {{"GoodsStr", ";czy_id=1;allfilter=102"}}, {102}, {5}},
        {"partner category with its sub-records",
         {{"wldwStr", ";czy_id=1;id=200;issub=1;Other=1"}},
         {100, 103},
         {2, 1}},
        {"empty picker means all partners",
         {{"wldwStr", ";czy_id=1;id=;issub=1;Other=1"}},
         {100, 103},
         {9, 1}},
        {"date range", {{"BeginDate", "2025-02-01"}, {"EndDate", "2025-02-28"}}, {100}, {6}},
        {"one day", {{"BeginDate", "2025-01-10"}, {"EndDate", "2025-01-10"}}, {100, 103}, {3, 1}},
        {"sales bills only", {{"djStr", " (1,0) "}}, {100, 103}, {10, 1}},
        {"returns only", {{"djStr", " (2,0) "}}, {100}, {-1}},
        {"quantity above 0", {{"filter", ";qty=1"}}, {100, 103}, {9, 1}},
        {"quantity equal to 0", {{"filter", ";qty=2"}}, {}, {}},
        {"warehouse without sales", {{"ckStr", ";czy_id=1;id=302;issub=1;Other=1"}}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RecordSet rs = report(kXS, QStringLiteral("SPXSTJ"), c.lines);
        EXPECT_EQ(c.ids, ids(rs));
        for (int i = 0; i < c.qty.size() && i < rs.rowCount(); ++i)
            EXPECT_EQ(c.qty[i], num(rs, i, "Qty"));
    }
}

TEST_F(Reports, PartnerStatisticsAndCostTable) {
    const RecordSet partners = report(kXS, QStringLiteral("DWXSTJ"));
    ASSERT_EQ((QList<qint64>{200, 203}), ids(partners));
    EXPECT_EQ(3.0, num(partners, 0, "Qty"));  // 201: 101 3 − 1, 103 1
    EXPECT_EQ(80.0, num(partners, 0, "discounttotal"));
    EXPECT_EQ(7.0, num(partners, 1, "Qty"));
    EXPECT_EQ(QStringLiteral("丙公司"), text(partners, 1, "dw_dwqm"));
    const RecordSet inside =
        report(kXS, QStringLiteral("DWXSTJ"), {{"wldwStr", ";czy_id=1;par_id=200"}});
    EXPECT_EQ((QList<qint64>{201}), ids(inside));

    // Sales bills only: cost by moving average (101 at 10) and FIFO (102 at 5), 103 at 25.
    const RecordSet cost = report(kXS, QStringLiteral("SPXSCBB"), {{"djStr", " (1,0) "}});
    ASSERT_EQ((QList<qint64>{100, 103}), ids(cost));
    EXPECT_EQ(140.0, num(cost, 0, "discounttotal"));
    EXPECT_EQ(75.0, num(cost, 0, "costtotal"));
    EXPECT_EQ(65.0, num(cost, 0, "ml"));
    EXPECT_EQ(25.0, num(cost, 1, "costtotal"));
    EXPECT_EQ(15.0, num(cost, 1, "ml"));
}

TEST_F(Reports, PurchaseStatisticsPerWarehouse) {
    const RecordSet all = report(kJH, QStringLiteral("SPJHTJ"));
    ASSERT_EQ((QList<qint64>{100, 103}), ids(all));
    EXPECT_EQ(35.0, num(all, 0, "Qty"));
    EXPECT_EQ(260.0, num(all, 0, "discounttotal"));
    EXPECT_EQ(4.0, num(all, 1, "Qty"));
    EXPECT_EQ(100.0, num(all, 1, "discounttotal"));
    const RecordSet second =
        report(kJH, QStringLiteral("SPJHTJ"), {{"ckStr", ";czy_id=1;id=302;issub=1;Other=1"}});
    ASSERT_EQ((QList<qint64>{100}), ids(second));
    EXPECT_EQ(5.0, num(second, 0, "Qty"));
    EXPECT_EQ(60.0, num(second, 0, "discounttotal"));
    EXPECT_EQ(12.0, num(second, 0, "price"));
    // The warehouse distribution shows goods levels for the warehouse of the dialog.
    const RecordSet byWarehouse =
        report(kJH, QStringLiteral("CKJHFB"), {{"ckStr", ";czy_id=1;id=301;issub=1;Other=1"}});
    ASSERT_EQ((QList<qint64>{100, 103}), ids(byWarehouse));
    EXPECT_EQ(30.0, num(byWarehouse, 0, "Qty"));
}

TEST_F(Reports, SalesDetailLedgerListsTheLinesOfAGoodsOrCategory) {
    const RecordSet one =
        report(kXS, QStringLiteral("XSMXZB"), {{"GoodsStr", ";czy_id=1;isSub=1;id=101"}});
    ASSERT_EQ(3, one.rowCount());
    EXPECT_EQ(QStringLiteral("2025-01-10"), text(one, 0, "djDate"));
    EXPECT_EQ(QStringLiteral("2025-02-03"), text(one, 1, "djDate"));
    EXPECT_EQ(QStringLiteral("2025-02-10"), text(one, 2, "djDate"));
    EXPECT_EQ((QList<qint64>{1, 1, 2}), ids(one, "djType"));
    EXPECT_EQ((QList<qint64>{bills_[1], bills_[2], bills_[3]}), ids(one));
    EXPECT_EQ(3.0, num(one, 0, "Qty"));
    EXPECT_EQ(40.0, num(one, 1, "discounttotal"));
    const RecordSet category =
        report(kXS, QStringLiteral("XSMXZB"), {{"GoodsStr", ";czy_id=1;isSub=1;id=100"}});
    EXPECT_EQ(4, category.rowCount());
}

TEST_F(Reports, RedReversalCancelsAndTheRedFilterChoosesBills) {
    ParamList red;
    red.setValue(QStringLiteral("isRed"), QStringLiteral("-1"));
    red.setValue(QStringLiteral("billid"), QString::number(bills_[2]));
    red.setValue(QStringLiteral("dj_state"), QStringLiteral("2"));
    const proto::Response r =
        call(session_, "ExecProc", {QStringLiteral("P_JXC_DJ_CopyRed"), red.text()});
    ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    ASSERT_LT(0, r.out(1).toInteger()) << r.outText(2).toStdString();

    const auto level = [&](const char* filter) {
        return report(kXS, QStringLiteral("SPXSTJ"),
                      {{"GoodsStr", ";czy_id=1;par_id=100"}, {"filter", filter}});
    };
    const RecordSet all = level(";isred=0");
    ASSERT_EQ((QList<qint64>{101}), ids(all));  // 102 was only in the reversed bill
    EXPECT_EQ(2.0, num(all, 0, "Qty"));         // 3 − 1
    const RecordSet plain = level(";isred=1");
    ASSERT_EQ((QList<qint64>{101}), ids(plain));
    EXPECT_EQ(2.0, num(plain, 0, "Qty"));
    EXPECT_EQ((QList<qint64>{}), ids(level(";isred=2")));  // the pair cancels out
    const RecordSet ledger =
        report(kXS, QStringLiteral("XSMXZB"),
               {{"GoodsStr", ";czy_id=1;isSub=1;id=102"}, {"filter", ";isred=2"}});
    ASSERT_EQ(2, ledger.rowCount());
    EXPECT_EQ(5.0, num(ledger, 0, "Qty"));
    EXPECT_EQ(-5.0, num(ledger, 1, "Qty"));
}

TEST_F(Reports, MonthlyAnalysisAndRanking) {
    const RecordSet months = report(kXS, QStringLiteral("SPXSYFX"));
    ASSERT_EQ(3, months.rowCount());
    EXPECT_EQ(QStringLiteral("2025-01"), text(months, 0, "yf"));
    EXPECT_EQ((QList<qint64>{100, 103, 100}), ids(months));
    EXPECT_EQ(3.0, num(months, 0, "Qty"));
    EXPECT_EQ(1.0, num(months, 1, "Qty"));
    EXPECT_EQ(QStringLiteral("2025-02"), text(months, 2, "yf"));
    EXPECT_EQ(6.0, num(months, 2, "Qty"));

    // The goods ranking window sends its tree level in GoodsStr.
    const RecordSet goods =
        report(kXS, QStringLiteral("XSPHB"), {{"GoodsStr", ";czy_id=1;par_id=0"}});
    ASSERT_EQ(3, goods.rowCount());
    EXPECT_EQ((QList<qint64>{1, 2, 3}), ids(goods, "pm"));
    EXPECT_EQ((QList<qint64>{101, 102, 103}), ids(goods));  // 80, then 40 and 40 in code order
    EXPECT_EQ(80.0, num(goods, 0, "taxTotalSum"));
    // The customer ranking sends it in wldwStr; ";phlx=" names the ranking outright.
    const RecordSet customers = report(kXS, QStringLiteral("XSPHB"),
                                       {{"wldwStr", ";czy_id=1;id=;issub=1;Other=1;par_id=0"}});
    EXPECT_EQ((QList<qint64>{201, 203}), ids(customers));  // 80 each: code order
    EXPECT_EQ((QList<qint64>{201, 203}),
              ids(report(kXS, QStringLiteral("XSPHB"), {{"filter", ";phlx=kh"}})));
    // The region ranking has no tree: partner 201 lies in region 501, 203 in none.
    update(
        QStringLiteral("INSERT INTO baseDQ(id, par_id, par_jl, leveal, sonnum, code, fullname) "
                       "VALUES (501, 0, '501,', 1, 0, 'DQ1', '华东')"));
    update(QStringLiteral("UPDATE baseWLDW SET Areaid = 501 WHERE id = 201"));
    const RecordSet regions = report(kXS, QStringLiteral("XSPHB"));
    ASSERT_EQ((QList<qint64>{501}), ids(regions));
    EXPECT_EQ(80.0, num(regions, 0, "taxTotalSum"));
    EXPECT_EQ(QStringLiteral("华东"), text(regions, 0, "dq_dqqm"));
}

TEST_F(Reports, GoodsLedgerCarriesTheOpeningAndRunningBalance) {
    const RecordSet rs = report(kKC, QStringLiteral("SPMX"),
                                {{"GoodsStr", ";czy_id=1;isSub=1;id=101"},
                                 {"ckStr", ";czy_id=1;id=301;issub=1;Other=1"},
                                 {"BeginDate", "2025-01-06"},
                                 {"EndDate", "2025-02-28"}});
    ASSERT_EQ(4, rs.rowCount());
    EXPECT_EQ(QStringLiteral("期初"), text(rs, 0, "djName"));
    EXPECT_EQ(10.0, num(rs, 0, "jcQty"));
    EXPECT_EQ(100.0, num(rs, 0, "jcTotal"));
    EXPECT_EQ(3.0, num(rs, 1, "outQty"));
    EXPECT_EQ(30.0, num(rs, 1, "outTotal"));
    EXPECT_EQ(-3.0, num(rs, 1, "Qty"));
    EXPECT_EQ(-30.0, num(rs, 1, "total"));
    EXPECT_EQ(7.0, num(rs, 1, "jcQty"));
    EXPECT_EQ(70.0, num(rs, 1, "jcTotal"));
    EXPECT_EQ(QStringLiteral("2025-01-10"), text(rs, 1, "djDate"));
    EXPECT_EQ(2.0, num(rs, 2, "outQty"));
    EXPECT_EQ(5.0, num(rs, 2, "jcQty"));
    EXPECT_EQ(1.0, num(rs, 3, "inQty"));
    EXPECT_EQ(0.0, num(rs, 3, "outQty"));
    EXPECT_EQ(6.0, num(rs, 3, "jcQty"));
    // Every warehouse: the purchase into 302 follows.
    const RecordSet all =
        report(kKC, QStringLiteral("SPMX"), {{"GoodsStr", ";czy_id=1;isSub=1;id=101"}});
    ASSERT_EQ(6, all.rowCount());
    EXPECT_EQ(11.0, num(all, 5, "jcQty"));
    EXPECT_EQ(5.0, num(all, 5, "inQty"));
    EXPECT_EQ(60.0, num(all, 5, "inTotal"));
    EXPECT_EQ(0.0, num(all, 0, "jcQty"));  // nothing before the first bill
}

TEST_F(Reports, StockBalancesAndMovementTable) {
    const RecordSet balance = report(kKC, QStringLiteral("CKKCYEB"), {{"EndDate", "2025-01-31"}});
    ASSERT_EQ((QList<qint64>{100, 103}), ids(balance));
    EXPECT_EQ(27.0, num(balance, 0, "Qty"));  // 101: 10 − 3, 102: 20
    EXPECT_EQ(170.0, num(balance, 0, "total"));
    EXPECT_EQ(6.2963, num(balance, 0, "price"));
    EXPECT_EQ(3.0, num(balance, 1, "Qty"));
    EXPECT_EQ(75.0, num(balance, 1, "total"));

    const RecordSet move = report(kKC, QStringLiteral("QNJXCBDB"),
                                  {{"BeginDate", "2025-02-01"}, {"EndDate", "2025-02-28"}});
    ASSERT_EQ((QList<qint64>{100, 103}), ids(move));
    EXPECT_EQ(27.0, num(move, 0, "qcQty"));
    EXPECT_EQ(170.0, num(move, 0, "qcTotal"));
    EXPECT_EQ(6.0, num(move, 0, "rkQty"));  // return 1, purchase 5
    EXPECT_EQ(7.0, num(move, 0, "ckQty"));  // 101: 2, 102: 5
    EXPECT_EQ(26.0, num(move, 0, "jcQty"));
    EXPECT_EQ(3.0, num(move, 1, "qcQty"));
    EXPECT_EQ(0.0, num(move, 1, "ckQty"));
    EXPECT_EQ(3.0, num(move, 1, "jcQty"));
    EXPECT_EQ(75.0, num(move, 1, "jcTotal"));
}

TEST_F(Reports, BatchesVirtualStockAndLimitAlerts) {
    const RecordSet batches =
        report(kKC, QStringLiteral("KCPCLB"), {{"GoodsStr", ";czy_id=1;isSub=1;id=102"}});
    ASSERT_EQ(1, batches.rowCount());
    EXPECT_EQ(15.0, num(batches, 0, "Qty"));
    EXPECT_EQ(75.0, num(batches, 0, "total"));
    EXPECT_EQ(QStringLiteral("2025-01-05"), text(batches, 0, "indate"));

    posted(4, "2025-02-20", 201, {{103, 2, 40}});
    posted(8, "2025-02-20", 202, {{101, 6, 10}});
    const RecordSet virt = report(kKC, QStringLiteral("XNKCCX"));
    ASSERT_EQ((QList<qint64>{100, 103}), ids(virt));
    EXPECT_EQ(26.0, num(virt, 0, "Qty"));  // 101: 11, 102: 15
    EXPECT_EQ(6.0, num(virt, 0, "jhddQty"));
    EXPECT_EQ(32.0, num(virt, 0, "xnQty"));
    EXPECT_EQ(2.0, num(virt, 1, "xsddQty"));
    EXPECT_EQ(1.0, num(virt, 1, "xnQty"));

    update(QStringLiteral("UPDATE baseGoods SET warnUP = 10 WHERE id = 102"));
    update(QStringLiteral("UPDATE baseGoods SET warnDown = 5 WHERE id = 103"));
    const RecordSet upper = report(kKC, QStringLiteral("KCSXBJ"));
    ASSERT_EQ((QList<qint64>{102}), ids(upper, "sp_id"));
    EXPECT_EQ(5.0, num(upper, 0, "cyQty"));
    const RecordSet lower = report(kKC, QStringLiteral("KCXXBJ"));
    ASSERT_EQ((QList<qint64>{103}), ids(lower, "sp_id"));
    EXPECT_EQ(2.0, num(lower, 0, "cyQty"));
    // In warehouse 302 goods 103 has nothing: 5 short.
    const RecordSet lower302 =
        report(kKC, QStringLiteral("KCXXBJ"), {{"ckStr", ";czy_id=1;id=302;issub=1;Other=1"}});
    ASSERT_EQ((QList<qint64>{103}), ids(lower302, "sp_id"));
    EXPECT_EQ(5.0, num(lower302, 0, "cyQty"));
}

TEST_F(Reports, BadConditionsAreRefusedWithAMessage) {
    struct Case {
        const char* name;
        QString type;
        Lines lines;
        QString message;
    };
    const Case cases[] = {
        {"reversed range",
         QStringLiteral("SPXSTJ"),
         {{"BeginDate", "2025-02-02"}, {"EndDate", "2025-02-01"}},
         QStringLiteral("开始日期不能大于结束日期！")},
        {"quantity filter out of range",
         QStringLiteral("SPXSTJ"),
         {{"filter", ";qty=3"}},
         QStringLiteral("查询条件[qty]只能是0到2：3")},
        {"unknown query type",
         QStringLiteral("NOSUCH"),
         {},
         QStringLiteral("P_JXC_Get_XS不支持查询类型[NOSUCH]")},
        {"bad date", QStringLiteral("SPXSTJ"), {{"BeginDate", "2025-13-01"}}, {}},
        {"bad bill-kind list", QStringLiteral("SPXSTJ"), {{"djStr", " (1,"}}, {}},
        {"bad partner id", QStringLiteral("SPXSTJ"), {{"wldwStr", ";czy_id=1;id=x"}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString message = reportError(kXS, c.type, c.lines);
        EXPECT_FALSE(message.isEmpty());
        if (!c.message.isEmpty()) {
            EXPECT_EQ(c.message, message);
        }
    }
}

}  // namespace
}  // namespace dyt::server::test

namespace dyt::server::test {
namespace {

// A report as another operator sees it, on the session's connection.
RecordSet reportAs(Backend& backend, Session& session, qint64 user, const QString& type,
                   const QString& goods = QStringLiteral(";par_id=0")) {
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), type);
    const QString me = QStringLiteral(";czy_id=%1").arg(user);
    for (const char* key : {"wldwStr", "zyStr", "ckStr", "bmStr", "kmStr"})
        p.setValue(QString::fromLatin1(key), me);
    p.setValue(QStringLiteral("GoodsStr"), me + goods);
    CallContext c(*session.db, p);
    c.userId = user;
    backend.procedures().find(QStringLiteral("P_JXC_Get_XS"))->handler(c);
    return c.data;
}

TEST_F(Reports, RecordRightsLeaveOutWhatTheOperatorIsRefused) {
    update(QStringLiteral("INSERT INTO sysuser(id, password) VALUES (2, '')"));
    update(QStringLiteral("INSERT INTO baseWLDWPurview(id, czy_id, isbj) VALUES (203, 2, 0)"));
    update(QStringLiteral("INSERT INTO baseGoodsPurview(id, czy_id, isbj) VALUES (103, 2, 0)"));
    // Switch off: everything counts.
    EXPECT_EQ((QList<qint64>{100, 103}),
              ids(reportAs(*backend_, session_, 2, QStringLiteral("SPXSTJ"))));
    update(QStringLiteral("UPDATE sysConf SET sysValue = '1' WHERE id = 2004"));
    // Operator 2 sees neither the sales to 203 nor goods 103: 101 3 − 1 to 201 remains.
    const RecordSet two = reportAs(*backend_, session_, 2, QStringLiteral("SPXSTJ"));
    ASSERT_EQ((QList<qint64>{100}), ids(two));
    EXPECT_EQ(2.0, num(two, 0, "Qty"));
    EXPECT_EQ(40.0, num(two, 0, "discounttotal"));
    // Operator 1 holds every right.
    const RecordSet one = reportAs(*backend_, session_, 1, QStringLiteral("SPXSTJ"));
    EXPECT_EQ((QList<qint64>{100, 103}), ids(one));
    EXPECT_EQ(9.0, num(one, 0, "Qty"));
}

}  // namespace
}  // namespace dyt::server::test

namespace dyt::server::test {
namespace {

TEST_F(Reports, OrderLinesShowWhatLaterBillsTookOver) {
    const qint64 order = posted(4, "2025-02-20", 203, {{103, 2, 45}});
    const qint64 line =
        scalar(QStringLiteral("SELECT orderid FROM djList WHERE id = %1").arg(order)).toLongLong();
    // A sales bill takes one of the two over (its line names the order line).
    GoodsBill sale;
    sale.djType = 1;
    sale.date = QStringLiteral("2025-02-21");
    sale.code = QStringLiteral("XS-ORDER");
    sale.partner = 203;
    sale.intoStock = 301;
    sale.lines = {{103, 1, 45, 301}};
    RecordSet lines = goodsLinesPacket(sale);
    lines.setAt(0, lines.fieldIndex(QStringLiteral("s_id")), QString::number(order));
    lines.setAt(0, lines.fieldIndex(QStringLiteral("s_orderid")), QString::number(line));
    const ServiceResult r =
        service(QStringLiteral("SaveToDB"), goodsBillParams(sale), lines, accountPacket({}));
    ASSERT_GT(r.code, 0) << r.message.toStdString();

    const RecordSet stats = report(kXS, QStringLiteral("XSDDTJ"));
    ASSERT_EQ((QList<qint64>{103}), ids(stats));
    EXPECT_EQ(2.0, num(stats, 0, "Qty"));
    EXPECT_EQ(90.0, num(stats, 0, "discounttotal"));

    const RecordSet open = report(kXS, QStringLiteral("XSDDZXQK"));
    ASSERT_EQ(1, open.rowCount());
    EXPECT_EQ(order, open.at(0, open.fieldIndex(QStringLiteral("id"))).toLongLong());
    EXPECT_EQ(2.0, num(open, 0, "Qty"));
    EXPECT_EQ(1.0, num(open, 0, "zxQty"));
    EXPECT_EQ(1.0, num(open, 0, "wzxQty"));
    EXPECT_EQ((QList<qint64>{order}),
              ids(report(kXS, QStringLiteral("XSDDMXCX"), {{"filter", ";isOver=0"}})));
    EXPECT_EQ((QList<qint64>{}),
              ids(report(kXS, QStringLiteral("XSDDMXCX"), {{"filter", ";isOver=1"}})));
    EXPECT_EQ(QStringLiteral("查询条件[isOver]只能是0或1：2"),
              reportError(kXS, QStringLiteral("XSDDMXCX"), {{"filter", ";isOver=2"}}));
    // The purchase side has no orders here.
    EXPECT_EQ(0, report(kJH, QStringLiteral("JHDDMXCX")).rowCount());
}

}  // namespace
}  // namespace dyt::server::test

namespace dyt::server::test {
namespace {

TEST_F(Reports, DiscountsOfSalesBillsAndTheDialogsChoiceOfWhatIsSummed) {
    const auto withDiscount = [&](int djType, const char* date, const char* discount) {
        GoodsBill b;
        b.djType = djType;
        b.date = QString::fromLatin1(date);
        b.code = QStringLiteral("YH-%1").arg(djType);
        b.partner = 201;
        b.intoStock = 301;
        b.lines = {{101, 1, 20, 301}};
        ParamList header = goodsBillParams(b);
        header.setValue(QStringLiteral("youhuiTotal"), QString::fromLatin1(discount));
        const ServiceResult r =
            service(QStringLiteral("SaveToDB"), header, goodsLinesPacket(b), accountPacket({}));
        EXPECT_GT(r.code, 0) << r.message.toStdString();
        return r.code;
    };
    const qint64 sale = withDiscount(1, "2025-02-15", "5");
    const qint64 back = withDiscount(2, "2025-02-16", "2");

    const RecordSet bills = report(kXS, QStringLiteral("XSYHMXZB"));
    ASSERT_EQ((QList<qint64>{sale, back}), ids(bills));
    EXPECT_EQ(5.0, num(bills, 0, "total"));
    EXPECT_EQ(-2.0, num(bills, 1, "total"));  // a return's discount counts back
    EXPECT_EQ(QStringLiteral("甲公司"), text(bills, 0, "dw_dwqm"));

    struct Case {
        const char* tjfs;
        qint64 id;
    };
    // Partner 201, department 401, employee 2 (the bills' header of the packets).
    for (const Case& c : {Case{";tjfs=0", 201}, Case{";tjfs=1", 401}, Case{";tjfs=2", 2}}) {
        SCOPED_TRACE(c.tjfs);
        const RecordSet sums = report(kXS, QStringLiteral("XSYHTJ"), {{"filter", c.tjfs}});
        ASSERT_EQ((QList<qint64>{c.id}), ids(sums));
        EXPECT_EQ(3.0, num(sums, 0, "total"));
        EXPECT_EQ(2.0, num(sums, 0, "billCount"));
    }
    EXPECT_EQ(QStringLiteral("查询条件[tjfs]只能是0到2：3"),
              reportError(kXS, QStringLiteral("XSYHTJ"), {{"filter", ";tjfs=3"}}));

    // The order statistics sum by goods, partner or handler as the dialog chooses.
    posted(4, "2025-02-20", 203, {{103, 2, 45}});
    EXPECT_EQ((QList<qint64>{103}), ids(report(kXS, QStringLiteral("XSDDTJ"))));
    EXPECT_EQ((QList<qint64>{203}),
              ids(report(kXS, QStringLiteral("XSDDTJ"), {{"filter", ";tjfs=1"}})));
    EXPECT_EQ((QList<qint64>{2}),
              ids(report(kXS, QStringLiteral("XSDDTJ"), {{"filter", ";tjfs=2"}})));
}

}  // namespace
}  // namespace dyt::server::test

namespace dyt::server::test {
namespace {

TEST_F(Reports, ComparisonPutsTwoRangesSideBySide) {
    const RecordSet goods = report(kXS, QStringLiteral("SPXSDBFX"),
                                   {{"BeginDate", "2025-01-01"},
                                    {"EndDate", "2025-01-31"},
                                    {"BeginDate2", "2025-02-01"},
                                    {"EndDate2", "2025-02-28"}});
    ASSERT_EQ((QList<qint64>{100, 103}), ids(goods));
    EXPECT_EQ(3.0, num(goods, 0, "Qty"));              // January: 101 × 3
    EXPECT_EQ(6.0, num(goods, 0, "Qty2"));             // February: 101 2 − 1, 102 5
    EXPECT_EQ(60.0, num(goods, 0, "discounttotal2"));  // 40 − 20 + 40
    EXPECT_EQ(-3.0, num(goods, 0, "cyQty"));
    EXPECT_EQ(0.0, num(goods, 0, "cyTotal"));
    EXPECT_EQ(1.0, num(goods, 1, "cyQty"));
    EXPECT_EQ(40.0, num(goods, 1, "cyTotal"));

    const RecordSet partners = report(kXS, QStringLiteral("KHXSDBFX"),
                                      {{"BeginDate", "2025-01-01"},
                                       {"EndDate", "2025-01-31"},
                                       {"BeginDate2", "2025-02-01"},
                                       {"EndDate2", "2025-02-28"}});
    ASSERT_EQ((QList<qint64>{200, 203}), ids(partners));
    EXPECT_EQ(100.0, num(partners, 0, "discounttotal"));
    EXPECT_EQ(-20.0, num(partners, 0, "discounttotal2"));  // the return in February
    EXPECT_EQ(0.0, num(partners, 1, "Qty"));
    EXPECT_EQ(7.0, num(partners, 1, "Qty2"));

    EXPECT_EQ(QStringLiteral("开始日期不能大于结束日期！"),
              reportError(kXS, QStringLiteral("SPXSDBFX"),
                          {{"BeginDate2", "2025-02-02"}, {"EndDate2", "2025-02-01"}}));
}

}  // namespace
}  // namespace dyt::server::test
