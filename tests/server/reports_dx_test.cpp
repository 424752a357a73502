// The consignment reports (P_JXC_Get_DX) over ReportFixture's account set with the openings of
// goods with partners and its consignment bills (postConsignment; 103 costs 25 each).
// Figures worked by hand: 201 holds 101 × 4 (60 at price, 40 at cost) from the opening and
// 103 × 1 (40, 25); we hold 102 × 2 (50) from the opening and 103 × 4 (16) for 202.
#include "reports_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

const QString kDX = u"P_JXC_Get_DX"_s;

class ConsignReports : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        postScenario();
        delivery_ = postConsignment();
    }
    // The row of a record id, -1 when none.
    static int rowOf(const RecordSet& rs, qint64 id, const char* field = "id") {
        const QList<qint64> all = ids(rs, field);
        return static_cast<int>(all.indexOf(id));
    }
    qint64 delivery_ = 0;
};

TEST_F(ConsignReports, BalancesByGoodsAndByPartnerAtPriceAndAtCost) {
    const struct {
        const char* queryType;
        Lines lines;
        qint64 id;              // the row's record (goods, category or partner)
        QList<double> figures;  // Qty, price, total, costprice, costtotal
    } cases[] = {
        {"WTKCCX", {}, 100, {4, 15, 60, 10, 40}},
        {"WTKCCX", {}, 103, {1, 40, 40, 25, 25}},
        {"WTKCCX", {{"EndDate", "2025-03-22"}}, 103, {2, 40, 80, 25, 50}},
        {"STKCCX", {{"GoodsStr", ";czy_id=1;par_id=100"}}, 102, {2, 25, 50, 25, 50}},
        {"STKCCX", {}, 103, {4, 4, 16, 4, 16}},
        {"WTKHCX", {{"wldwStr", ";czy_id=1;par_id=200"}}, 201, {5, 20, 100, 13, 65}},
        {"STGYSCX", {{"wldwStr", ";czy_id=1;par_id=200"}}, 202, {6, 11, 66, 11, 66}},
        {"WTKHSPCX",
         {{"wldwStr", ";czy_id=1;par_id=200"}, {"GoodsStr", ";czy_id=1;isSub=1;id=103"}},
         201,
         {1, 40, 40, 25, 25}},
        {"STGYSSPCX",
         {{"wldwStr", ";czy_id=1;par_id=200"}, {"GoodsStr", ";czy_id=1;isSub=1;id=103"}},
         202,
         {4, 4, 16, 4, 16}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.queryType);
        const RecordSet rs = report(kDX, QString::fromLatin1(c.queryType), c.lines);
        const int row = rowOf(rs, c.id);
        ASSERT_GE(row, 0) << c.id;
        EXPECT_EQ(c.figures, nums(rs, row, {"Qty", "price", "total", "costprice", "costtotal"}));
    }
    // Nothing of 101 is held for others: no row.
    EXPECT_EQ(-1, rowOf(report(kDX, u"STKCCX"_s, {{"GoodsStr", ";czy_id=1;par_id=100"}}), 101));
}

TEST_F(ConsignReports, LedgersRunFromTheOpeningThroughEachChange) {
    const struct {
        const char* queryType;
        const char* goods;
        // per row: Qty, total, costtotal, then the balance jcQty, jcTotal, jcCostTotal
        QList<QList<double>> rows;
        QList<int> kinds;  // djType per row (0: the opening)
    } cases[] = {
        {"WTKHSPMX",
         ";czy_id=1;isSub=1;id=103",
         {{0, 0, 0, 0, 0, 0}, {2, 80, 50, 2, 80, 50}, {-1, -40, -25, 1, 40, 25}},
         {0, 43, 44}},
        {"WTSPMX", ";czy_id=1;isSub=1;id=101", {{0, 0, 0, 4, 60, 40}}, {0}},
        {"STSHCKMXZB",
         ";czy_id=1;isSub=1;id=103",
         {{0, 0, 0, 0, 0, 0}, {6, 24, 24, 6, 24, 24}, {-2, -8, -8, 4, 16, 16}},
         {0, 45, 46}},
        {"STGYSSPMX", ";czy_id=1;isSub=1;id=102", {{0, 0, 0, 2, 50, 50}}, {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.queryType);
        const RecordSet rs =
            report(kDX, QString::fromLatin1(c.queryType),
                   {{"BeginDate", "2025-01-01"}, {"EndDate", "2025-03-31"}, {"GoodsStr", c.goods}});
        ASSERT_EQ(c.rows.size(), rs.rowCount());
        for (int r = 0; r < rs.rowCount(); ++r) {
            EXPECT_EQ(c.rows[r],
                      nums(rs, r, {"Qty", "total", "costtotal", "jcQty", "jcTotal", "jcCostTotal"}))
                << r;
            EXPECT_EQ(c.kinds[r], num(rs, r, "djType")) << r;
        }
    }
    // The delivery's row names the bill, its consignee, warehouse and price.
    const RecordSet rs = report(kDX, u"WTFHKCMX"_s,
                                {{"BeginDate", "2025-03-20"},
                                 {"EndDate", "2025-03-20"},
                                 {"GoodsStr", ";czy_id=1;isSub=1;id=103"}});
    ASSERT_EQ(2, rs.rowCount());
    EXPECT_EQ(delivery_, num(rs, 1, "id"));
    EXPECT_EQ(u"委托发货单|甲公司|一号仓|40"_s,
              QStringList({text(rs, 1, "djName"), text(rs, 1, "dw_dwqm"), text(rs, 1, "ck_ckqm"),
                           QString::number(num(rs, 1, "price"))})
                  .join(u'|'));
}

TEST_F(ConsignReports, SettlementsByGoodsWithTheirCost) {
    const RecordSet wt = report(kDX, u"WTJSCX"_s, {{"BeginDate", "2025-01-01"}});
    const int row = rowOf(wt, 103);
    ASSERT_GE(row, 0);
    EXPECT_EQ((QList<double>{1, 45, 45, 25, 20}),
              nums(wt, row, {"Qty", "price", "total", "costtotal", "ml"}));
    const RecordSet st = report(kDX, u"STJSCX"_s, {{"BeginDate", "2025-01-01"}});
    ASSERT_GE(rowOf(st, 103), 0);
    EXPECT_EQ((QList<double>{2, 5, 10, 8, 2}),
              nums(st, rowOf(st, 103), {"Qty", "price", "total", "costtotal", "ml"}));
    // The consigned goods at cost and what is owed for the held goods, openings included:
    // 40 + 50 − 25 and 50 + 24 − 8.
    EXPECT_EQ(u"65|66"_s, scalar(u"SELECT Total FROM baseKM WHERE id = 14"_s).toString() + u'|' +
                              scalar(u"SELECT Total FROM baseKM WHERE id = 20"_s).toString());
    // The settlement counts as a sale in the sales statistics, the held one as a purchase.
    const RecordSet xs = report(u"P_JXC_Get_XS"_s, u"SPXSTJ"_s,
                                {{"BeginDate", "2025-03-25"}, {"EndDate", "2025-03-25"}});
    ASSERT_GE(rowOf(xs, 103), 0);
    EXPECT_EQ(1, num(xs, rowOf(xs, 103), "Qty"));
}

}  // namespace
}  // namespace dyt::server::test
