// The outsourced-processing reports (P_JXC_Get_WWJG) over bills posted through the bill service,
// against figures worked out by hand.
//
// After the scenario of the fixture, warehouse 301 holds 102 × 15 at 5 (FIFO) and 103 × 3 at 25:
//   53 委外加工领料单 2025-02-15 to 202: 103 × 2 (50), 102 × 10 (50)
//   54 委外加工退料单 2025-02-16 from 202: 102 × 4 (back at 5: 20)
//   55 委外加工完工单 2025-02-20 from 202: 101 × 2 with a fee of 10 each, consuming 103 × 2 (50)
//      and 102 × 6 (30): 101 comes in at 50 + 30 + 20 = 100
#include "reports_fixture.h"

namespace dyt::server::test {
namespace {

class ProcessingReports : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        postScenario();
        posted(53, "2025-02-15", 202, {{103, 2, 0}, {102, 10, 0}});
        posted(54, "2025-02-16", 202, {{102, 4, 0}});
        posted(55, "2025-02-20", 202, {{101, 2, 10}, {103, -2, 0}, {102, -6, 0}});
    }
    RecordSet wwjg(const char* type, const char* end = "2025-12-31", const char* goods = "") {
        const QByteArray goodsLine = QByteArray(";czy_id=1") + goods;
        return report(u"P_JXC_Get_WWJG"_s, QString::fromLatin1(type),
                      {{"BeginDate", "2025-01-01"},
                       {"EndDate", end},
                       {"GoodsStr", goodsLine.constData()}});
    }
    // Each row's figures.
    static QList<QList<double>> rows(const RecordSet& rs,
                                     std::initializer_list<const char*> fields) {
        QList<QList<double>> out;
        for (int r = 0; r < rs.rowCount(); ++r)
            out << nums(rs, r, fields);
        return out;
    }
};

using Rows = QList<QList<double>>;

TEST_F(ProcessingReports, LedgersListTheMovementsOfTheProcessingBalanceAndTheIssues) {
    EXPECT_EQ((Rows{{53, 103, 2, 25, 50},
                    {53, 102, 10, 5, 50},
                    {54, 102, -4, 5, -20},
                    {55, 103, -2, 25, -50},
                    {55, 102, -6, 5, -30}}),
              rows(wwjg("WWKCMX"), {"djType", "sp_id", "Qty", "price", "total"}));
    EXPECT_EQ((Rows{{53, 103, 2, 25, 50}, {53, 102, 10, 5, 50}, {54, 102, -4, 5, -20}}),
              rows(wwjg("WWLLMXZB"), {"djType", "sp_id", "Qty", "price", "total"}));
    // One goods chosen.
    EXPECT_EQ((Rows{{53, 102, 10, 5, 50}, {54, 102, -4, 5, -20}, {55, 102, -6, 5, -30}}),
              rows(wwjg("WWKCMX", "2025-12-31", ";id=102"),
                   {"djType", "sp_id", "Qty", "price", "total"}));
}

TEST_F(ProcessingReports, BalancesAtTheEndDateNetIssuesAndFinishedGoods) {
    // Before the completion the processor holds 102 × 6 (30) and 103 × 2 (50); after it nothing.
    EXPECT_EQ((Rows{{102, 6, 30}, {103, 2, 50}}),
              rows(wwjg("WWKCCX", "2025-02-16", ";isList=1"), {"sp_id", "Qty", "total"}));
    EXPECT_EQ(0, wwjg("WWKCCX", "2025-12-31", ";isList=1").rowCount());
    // At the top level 102 counts under its category 100.
    EXPECT_EQ((Rows{{100, 6, 30}, {103, 2, 50}}),
              rows(wwjg("WWKCCX", "2025-02-16"), {"id", "Qty", "total"}));
    EXPECT_EQ((Rows{{102, 6, 30}, {103, 2, 50}}),
              rows(wwjg("WWLLCX", "2025-12-31", ";isList=1"), {"sp_id", "Qty", "total"}));
    EXPECT_EQ((Rows{{101, 2, 100, 20}}), rows(wwjg("WWWGCX"), {"id", "Qty", "total", "fee"}));
    EXPECT_EQ(u"SP101"_s, text(wwjg("WWWGCX"), 0, "code"));
}

}  // namespace
}  // namespace dyt::server::test
