// The sales bill's order link: the posted sales orders picked by their number (";Code=" in the
// partner condition) or by the customer, only those not yet fully delivered.
#include <gtest/gtest.h>

#include "bill_fixture.h"

namespace dyt::server::test {
namespace {

class SalesOrderLink : public BillFixture {
protected:
    // A posted sales order with the number and partner, one line of goods 101.
    qint64 order(const QString& code, const QString& partner) {
        ParamList p = billHeader(4, today(), 0, code);
        p.setValue(QStringLiteral("wldw_id"), partner);
        p.setValue(QStringLiteral("dj_Caption"), QStringLiteral("销售订单"));
        const ServiceResult r = service(
            QStringLiteral("SaveToDB"), p,
            textPacket(goodsLineFields(), {goodsLine(QStringLiteral("101"), QStringLiteral("4"),
                                                     QStringLiteral("5"))}));
        EXPECT_GT(r.code, 0) << r.message.toStdString();
        return r.code;
    }
    QList<qint64> picked(const QString& wldwStr) {
        ParamList p;
        p.setValue(QStringLiteral("dj_state"), QStringLiteral("2"));
        p.setValue(QStringLiteral("QueryType"), QString());
        p.setValue(QStringLiteral("filter"), QStringLiteral(";isred=1;isOver=0"));
        p.setValue(QStringLiteral("wldwStr"), wldwStr);
        p.setValue(QStringLiteral("zyStr"), QStringLiteral(";czy_id=1;candel=0"));
        p.setValue(QStringLiteral("djStr"), QStringLiteral("(4)"));
        p.setValue(QStringLiteral("BeginDate"), QStringLiteral("2000-01-01"));
        p.setValue(QStringLiteral("EndDate"), QStringLiteral("2030-01-01"));
        const RecordSet rs = procQuery(QStringLiteral("P_JXC_DJ_GetDJIndex"), p);
        QList<qint64> out;
        for (int r = 0; r < rs.rowCount(); ++r)
            out << rs.at(r, rs.fieldIndex(QStringLiteral("id"))).toLongLong();
        return out;
    }
};

TEST_F(SalesOrderLink, OrdersByNumberOrByCustomer) {
    const qint64 a = order(QStringLiteral("XD-1"), QStringLiteral("201"));
    const qint64 b = order(QStringLiteral("XD-2"), QStringLiteral("201"));
    const qint64 c = order(QStringLiteral("XD-3"), QStringLiteral("202"));
    struct Row {
        const char* name;
        QString condition;
        QList<qint64> expected;
    };
    const Row rows[] = {
        {"by number", QStringLiteral(";Code=XD-2"), {b}},
        {"by number, any letter case of the key", QStringLiteral(";code=XD-3"), {c}},
        {"unknown number", QStringLiteral(";Code=XD-9"), {}},
        {"by customer", QStringLiteral(";wldw_id=201"), {a, b}},
        {"no condition", QString(), {a, b, c}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.expected, picked(r.condition)) << r.name;
    // A delivered order is no longer offered.
    update(QStringLiteral("UPDATE djIndex SET isOver = 1 WHERE id = %1").arg(b));
    EXPECT_EQ(QList<qint64>{}, picked(QStringLiteral(";Code=XD-2")));
}

}  // namespace
}  // namespace dyt::server::test
