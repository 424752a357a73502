// What the sales bill asks the server, against a real server: the buy-and-give agreement of the
// customer or its nearest class and the stock lower limits.

#include "bills_support.h"
#include "client/logic/salesrules.h"

using namespace dyt;
using namespace dyt::client::sales;

namespace dyt::test {
namespace {

class SalesServer : public SalesServerFixture {};

TEST_F(SalesServer, PromotionOfTheCustomerOrItsNearestClass) {
    const QString year = QStringLiteral("2024-01-01"), end = QStringLiteral("2024-12-31");
    addAgreement(kClass, kScrew, 10, 1, year, end);
    addAgreement(kCustomerA, kScrew, 5, 2, year, end);
    addAgreement(kCustomerB, kScrew, 3, 3, year, end, /*stopped*/ 1);
    addAgreement(kCustomerB, kGear, 2, 1, year, end, 0, /*deleted*/ 1);
    addAgreement(kCustomerB, kGear, 4, 1, QStringLiteral("2025-01-01"),
                 QStringLiteral("2025-12-31"));

    struct Row {
        const char* name;
        QString date;
        qint64 goods, customer;
        int gmsl, zssl;  // 0, 0 = no agreement
    };
    const QString mid = QStringLiteral("2024-06-01");
    const Row rows[] = {
        {"own agreement before the class's", mid, kScrew, kCustomerA, 5, 2},
        {"class agreement; the stopped own one does not count", mid, kScrew, kCustomerB, 10, 1},
        {"outside the class", mid, kScrew, kOutsider, 0, 0},
        {"first day counts", year, kScrew, kCustomerB, 10, 1},
        {"last day counts", end, kScrew, kCustomerA, 5, 2},
        {"after the range", QStringLiteral("2025-01-02"), kScrew, kCustomerA, 0, 0},
        {"deleted agreement", mid, kGear, kCustomerB, 0, 0},
        {"a later agreement in its range", QStringLiteral("2025-02-01"), kGear, kCustomerB, 4, 1},
    };
    for (const Row& r : rows) {
        const RecordSet rs = query(promotionSql(r.date, r.goods, r.customer));
        if (r.gmsl == 0) {
            EXPECT_EQ(0, rs.rowCount()) << r.name;
            continue;
        }
        ASSERT_EQ(1, rs.rowCount()) << r.name;
        EXPECT_EQ(r.gmsl, rs.integer(QStringLiteral("gmsl"))) << r.name;
        EXPECT_EQ(r.zssl, rs.integer(QStringLiteral("zssl"))) << r.name;
        EXPECT_EQ(r.goods, rs.integer(QStringLiteral("goodsid"))) << r.name;
    }
}

TEST_F(SalesServer, StockLowerLimitsListWhatFallsBelow) {
    putStock(kScrew, kStore, 30, 4);
    putStock(kGear, kStore, 10, 2);
    dm.ExecUpdate(
        QStringLiteral("INSERT INTO baseGoodsWarn(goodsid, stockid, warnUp, warnDown) "
                       "VALUES (102, 301, 100, 9), (101, 301, 100, 5)"));
    // Gears: 10 - 9 - 2 < 0, one below the limit. Screws: 2 boxes of 10 leave 10, above 5.
    const QList<StockLine> lines{{1, kScrew, 2, 10}, {2, kGear, 1, 1}, {3, kGear, 1, 1}};
    const RecordSet rs = query(stockLowerLimitSql(kStore, lines));
    ASSERT_EQ(1, rs.rowCount());
    EXPECT_EQ(kGear, rs.integer(QStringLiteral("sp_id")));
    EXPECT_EQ(kStore, rs.integer(QStringLiteral("ck_id")));
    EXPECT_EQ(2, rs.integer(QStringLiteral("row")));
    EXPECT_EQ(9.0, rs.number(QStringLiteral("Qty_")));
    EXPECT_EQ(1.0, rs.number(QStringLiteral("Qty")));
}

}  // namespace
}  // namespace dyt::test
