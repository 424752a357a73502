// The distribution and gift-contract reports on the report account set with a request, its
// delivery and a partial acceptance, and a gift contract, against figures worked out by hand.
#include "reports_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

class DistributionReports : public ReportFixture {
protected:
    // Saves a bill from warehouse 301 to 302 through the bill service; the lines are taken from
    // the lines of `source` in order (the first `picked` of them) when it is given.
    qint64 distribution(int kind, const char* date, std::vector<GoodsLine> lines, qint64 source = 0,
                        qint64 partner = 0) {
        for (GoodsLine& l : lines)
            l.intoStock = 302;
        GoodsBill b = goodsBill(kind, date, partner, std::move(lines), {}, 302);
        b.code = u"B%1-%2"_s.arg(kind).arg(++billNo_);
        b.outStock = 301;
        RecordSet packet = goodsLinesPacket(b);
        if (source > 0) {
            const RecordSet src = query(
                u"SELECT orderid FROM djList WHERE id = %1 ORDER BY orderid"_s.arg(source));
            for (int r = 0; r < packet.rowCount() && r < src.rowCount(); ++r) {
                if (packet.at(r, packet.fieldIndex(u"goodsid"_s)).toString().isEmpty())
                    continue;
                packet.setAt(r, packet.fieldIndex(u"s_id"_s), QString::number(source));
                packet.setAt(r, packet.fieldIndex(u"s_orderid"_s), src.at(r, 0).toString());
            }
        }
        const ServiceResult r =
            service(u"SaveToDB"_s, goodsBillParams(b), packet, accountPacket(b.accounts));
        EXPECT_GT(r.code, 0) << r.message.toStdString();
        return r.code;
    }
    void SetUp() override {
        ReportFixture::SetUp();
        postScenario();
        // By 2025-03-10 warehouse 301 holds 101 × 6 worth 70 (5 left of the purchase at 10, 1
        // returned at its line's cost 20) and 102 × 15 at 5 (FIFO).
        const qint64 request =
            distribution(61, "2025-03-10", {{101, 4, 0}, {102, 6, 0}});
        delivery_ = distribution(62, "2025-03-11", {{101, 4, 0}, {102, 6, 0}}, request);
        distribution(63, "2025-03-12", {{101, 3, 0}}, delivery_);
        GoodsBill contract = goodsBill(71, "2025-03-13", 201, {{103, 2, 25}}, {}, 301);
        contract.code = u"ZPHT-1"_s;
        BillFixture::posted(contract);
    }
    RecordSet other(const char* type, const Lines& more = {}) {
        Lines lines = {{"BeginDate", "2025-01-01"}, {"EndDate", "2025-03-31"}};
        lines.insert(lines.end(), more.begin(), more.end());
        return report(u"P_JXC_Get_Other"_s, QString::fromLatin1(type), lines);
    }
    qint64 delivery_ = 0;
};

TEST_F(DistributionReports, DeliveryLinesShowCostAndWhatWasAccepted) {
    const RecordSet rs = other("PSSPMXZB");
    ASSERT_EQ(2, rs.rowCount());
    // 4 of 101 at the average 70 / 6 (46.6667); 6 of 102 from the first FIFO batch at 5; 3 of
    // 101 accepted.
    const struct {
        const char* goods;
        QList<double> figures;  // Qty, price, total, ysQty, wysQty
    } rows[] = {{"SP101", {4, 11.6667, 46.6667, 3, 1}}, {"SP102", {6, 5, 30, 0, 6}}};
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(delivery_, ids(rs)[r]);
        EXPECT_EQ(u"2025-03-11|配送单|一号仓|二号仓|"_s + QString::fromLatin1(rows[r].goods),
                  text(rs, r, "djDate") + u'|' + text(rs, r, "djName") + u'|' +
                      text(rs, r, "ck_ckqm") + u'|' + text(rs, r, "sqck_ckqm") + u'|' +
                      text(rs, r, "sp_spbh"));
        EXPECT_EQ(rows[r].figures, nums(rs, r, {"Qty", "price", "total", "ysQty", "wysQty"}));
    }
    // Only goods 102; a range before the delivery lists nothing.
    EXPECT_EQ(1, other("PSSPMXZB", {{"GoodsStr", ";czy_id=1;id=102"}}).rowCount());
    EXPECT_EQ(0, other("PSSPMXZB", {{"EndDate", "2025-03-10"}}).rowCount());
}

TEST_F(DistributionReports, DeliveryStatisticsRollUpTheGoodsTree) {
    const RecordSet top = other("PSSPTJ");
    ASSERT_EQ(1, top.rowCount());  // category 100 only: 103 was not delivered
    EXPECT_EQ(100, ids(top)[0]);
    EXPECT_EQ((QList<double>{10, 7.6667, 76.6667, 3, 7}),
              nums(top, 0, {"Qty", "price", "total", "ysQty", "wysQty"}));
    const RecordSet below = other("PSSPTJ", {{"GoodsStr", ";czy_id=1;par_id=100"}});
    ASSERT_EQ(2, below.rowCount());
    EXPECT_EQ((QList<double>{4, 11.6667, 46.6667, 6, 5, 30}),
              nums(below, 0, {"Qty", "price", "total"}) + nums(below, 1, {"Qty", "price", "total"}));
}

TEST_F(DistributionReports, GiftContractLinesNameTheCustomer) {
    const RecordSet rs = other("ZPHTMXCX");
    ASSERT_EQ(1, rs.rowCount());
    EXPECT_EQ(u"ZPHT-1|甲公司|SP103"_s,
              text(rs, 0, "djNo") + u'|' + text(rs, 0, "dw_dwqm") + u'|' + text(rs, 0, "sp_spbh"));
    EXPECT_EQ((QList<double>{2, 25, 50}), nums(rs, 0, {"Qty", "price", "total"}));
    EXPECT_EQ(0, other("ZPHTMXCX", {{"wldwStr", ";czy_id=1;id=202"}}).rowCount());
}

}  // namespace
}  // namespace dyt::server::test
