// The sales bill's order link: the posted sales orders picked by their number (";Code=" in the
// partner condition) or by the customer, only those not yet fully delivered.
#include <gtest/gtest.h>

#include "bill_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

class SalesOrderLink : public BillFixture {
protected:
    // A posted sales order with the number and partner, one line of goods 101.
    qint64 order(const QString& code, const QString& partner) {
        ParamList p = billHeader(4, today(), 0, code);
        p.setValue(u"wldw_id"_s, partner);
        p.setValue(u"dj_Caption"_s, u"销售订单"_s);
        const ServiceResult r = service(
            u"SaveToDB"_s, p, textRows(goodsLineFields(), {goodsLine(u"101"_s, u"4"_s, u"5"_s)}));
        EXPECT_GT(r.code, 0) << r.message.toStdString();
        return r.code;
    }
    QList<qint64> picked(const QString& wldwStr) {
        ParamList p;
        p.setValue(u"dj_state"_s, u"2"_s);
        p.setValue(u"QueryType"_s, QString());
        p.setValue(u"filter"_s, u";isred=1;isOver=0"_s);
        p.setValue(u"wldwStr"_s, wldwStr);
        p.setValue(u"zyStr"_s, u";czy_id=1;candel=0"_s);
        p.setValue(u"djStr"_s, u"(4)"_s);
        p.setValue(u"BeginDate"_s, u"2000-01-01"_s);
        p.setValue(u"EndDate"_s, u"2030-01-01"_s);
        const RecordSet rs = procQuery(u"P_JXC_DJ_GetDJIndex"_s, p);
        QList<qint64> out;
        for (int r = 0; r < rs.rowCount(); ++r)
            out << rs.at(r, rs.fieldIndex(u"id"_s)).toLongLong();
        return out;
    }
};

TEST_F(SalesOrderLink, OrdersByNumberOrByCustomer) {
    const qint64 a = order(u"XD-1"_s, u"201"_s);
    const qint64 b = order(u"XD-2"_s, u"201"_s);
    const qint64 c = order(u"XD-3"_s, u"202"_s);
    struct Row {
        const char* name;
        QString condition;
        QList<qint64> expected;
    };
    const Row rows[] = {{"by number", u";Code=XD-2"_s, {b}},
                        {"by number, any letter case of the key", u";code=XD-3"_s, {c}},
                        {"unknown number", u";Code=XD-9"_s, {}},
                        {"by customer", u";wldw_id=201"_s, {a, b}},
                        {"no condition", QString(), {a, b, c}}};
    for (const Row& r : rows)
        EXPECT_EQ(r.expected, picked(r.condition)) << r.name;
    // A delivered order is no longer offered.
    update(u"UPDATE djIndex SET isOver = 1 WHERE id = %1"_s.arg(b));
    EXPECT_EQ(QList<qint64>{}, picked(u";Code=XD-2"_s));
}

}  // namespace
}  // namespace dyt::server::test
