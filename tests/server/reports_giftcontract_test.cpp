// The gift-contract statistics ("ZPHTTJ") over posted gift contracts, against sums worked out by
// hand: per partner and goods, per partner, per goods; drafts and other months left out.
#include "reports_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

class GiftContractStatistics : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        posted(71, "2025-03-01", 201, {{103, 2, 25}, {101, 1, 20}});
        posted(71, "2025-03-05", 201, {{103, 3, 30}});
        posted(71, "2025-03-07", 203, {{103, 1, 40}});
        posted(71, "2025-04-02", 203, {{101, 5, 10}});  // after the period
        GoodsBill draft = goodsBill(71, "2025-03-08", 201, {{103, 100, 1}}, {}, 301);
        draft.code = u"ZPHT-D"_s;
        BillFixture::posted(draft, true);
    }
    RecordSet run(const char* tjfs, const Lines& more = {}) {
        Lines lines = {{"BeginDate", "2025-03-01"}, {"EndDate", "2025-03-31"}, {"filter", tjfs}};
        lines.insert(lines.end(), more.begin(), more.end());
        return report(u"P_JXC_Get_XS"_s, u"ZPHTTJ"_s, lines);
    }
    // Each row: partner code, goods code, then contracts, quantity, price and amount.
    static QStringList rows(const RecordSet& rs) {
        QStringList out;
        for (int r = 0; r < rs.rowCount(); ++r) {
            QStringList cells = {text(rs, r, "dw_dwbh"), text(rs, r, "sp_spbh")};
            for (double v : nums(rs, r, {"billCount", "Qty", "price", "total"}))
                cells << QString::number(v);
            out << cells.join(u' ');
        }
        return out;
    }
};

TEST_F(GiftContractStatistics, SumsPerPartnerAndGoodsPerPartnerAndPerGoods) {
    const struct {
        const char* tjfs;
        QStringList expected;
    } cases[] = {
        // 201: 101 × 1 @ 20; 103 × 2 @ 25 and × 3 @ 30 (140 over 5 = 28). 203: 103 × 1 @ 40.
        {";tjfs=0", {u"DW201 SP101 1 1 20 20"_s, u"DW201 SP103 2 5 28 140"_s,
                     u"DW203 SP103 1 1 40 40"_s}},
        {"", {u"DW201 SP101 1 1 20 20"_s, u"DW201 SP103 2 5 28 140"_s, u"DW203 SP103 1 1 40 40"_s}},
        // 201: two contracts, 6 pieces worth 160 (26.6667 each).
        {";tjfs=1", {u"DW201  2 6 26.6667 160"_s, u"DW203  1 1 40 40"_s}},
        // 103 in three contracts: 6 worth 180.
        {";tjfs=2", {u" SP101 1 1 20 20"_s, u" SP103 3 6 30 180"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tjfs);
        EXPECT_EQ(c.expected, rows(run(c.tjfs)));
    }
    EXPECT_EQ(QStringList{u"DW203 SP103 1 1 40 40"_s},
              rows(run(";tjfs=0", {{"wldwStr", ";czy_id=1;id=203"}})));
    EXPECT_EQ(QStringList{u" SP101 2 6 11.6667 70"_s},
              rows(run(";tjfs=2", {{"EndDate", "2025-04-30"}, {"GoodsStr", ";czy_id=1;id=101"}})));
    EXPECT_EQ(u"查询条件[tjfs]只能是0到2：3"_s,
              reportError(u"P_JXC_Get_XS"_s, u"ZPHTTJ"_s, {{"filter", ";tjfs=3"}}));
}

}  // namespace
}  // namespace dyt::server::test
