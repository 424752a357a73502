// The invoicing reports on invoices saved through the bill service, against figures worked out by
// hand from the bills and invoices of ReportFixture (see reports_fixture.h).
#include "reports_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

const QString kKP = u"P_JXC_Get_KP"_s;
const QString kXS = u"P_JXC_Get_XS"_s;

class InvoiceReports : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        postScenario();
        postInvoices();
    }
};

TEST_F(InvoiceReports, InvoicedAndNotYetInvoicedPerBillAndPerGoodsLine) {
    const auto figures = [](const RecordSet& rs) {
        QList<QList<double>> out;
        for (int r = 0; r < rs.rowCount(); ++r)
            out << nums(rs, r, {"id", "total", "kpTotal", "wkpTotal"});
        return out;
    };
    const auto b = [this](int i) { return double(bills_[i]); };
    struct Case {
        const QString procedure;
        const char* type;
        Lines lines;
        QList<QList<double>> rows;  // id, amount, invoiced, not invoiced
    } cases[] = {
        {kXS, "XSKPCX", {}, {{b(1), 100, 60, 40}, {b(2), 80, 30, 50}}},
        {u"P_JXC_Get_JH"_s, "JHKPCX", {}, {{b(0), 300, 300, 0}, {b(4), 60, 0, 60}}},
        {kKP,
         "DJKPQKCX",
         {},
         {{b(0), 300, 300, 0}, {b(1), 100, 60, 40}, {b(2), 80, 30, 50}, {b(4), 60, 0, 60}}},
        {kKP, "DJKPQKCX", {{"wldwStr", ";czy_id=1;id=201;issub=1;Other=1"}}, {{b(1), 100, 60, 40}}},
        {kKP,
         "DJKPQKCX",
         {{"BeginDate", "2025-01-06"}, {"EndDate", "2025-02-03"}},
         {{b(1), 100, 60, 40}, {b(2), 80, 30, 50}}},
        // Bill 3's lines: 102 × 5 @ 8 with 30 invoiced, 101 × 2 @ 20 with nothing.
        {kKP,
         "SPKPQKCX",
         {{"wldwStr", ";czy_id=1;id=203;issub=1;Other=1"}},
         {{b(2), 40, 30, 10}, {b(2), 40, 0, 40}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(c.rows, figures(report(c.procedure, QString::fromLatin1(c.type), c.lines)));
    }
    // The invoices and their lines.
    const RecordSet kp = report(kKP, u"KPCX"_s);
    ASSERT_EQ(3, kp.rowCount());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(double(invoices_[i]), num(kp, i, "id"));
    EXPECT_EQ((QList<double>{60, 30, 300}),
              (QList<double>{num(kp, 0, "total"), num(kp, 1, "total"), num(kp, 2, "total")}));
    EXPECT_EQ(u"销售开票[按商品]"_s, text(kp, 1, "djName"));
    const RecordSet mx = report(kKP, u"DJKPMXCX"_s);
    ASSERT_EQ(3, mx.rowCount());
    EXPECT_EQ((QList<double>{b(1), 100, 60}), nums(mx, 0, {"s_id", "djTotal", "total"}));
    EXPECT_EQ((QList<double>{b(2), 40, 30}), nums(mx, 1, {"s_id", "djTotal", "total"}));
    EXPECT_EQ(u"B1-2"_s, text(mx, 0, "s_djNo"));
    const RecordSet sp = report(kKP, u"SPKPMXCX"_s);
    ASSERT_EQ(1, sp.rowCount());
    EXPECT_EQ((QList<double>{5, 40, 30}), nums(sp, 0, {"Qty", "djTotal", "total"}));
    EXPECT_EQ(double(invoices_[1]), num(sp, 0, "id"));
    // Deleting an invoice gives its amount back; its rows go.
    ASSERT_EQ(0, proc(u"P_JXC_DJ_PostDel"_s, {{"billid", QString::number(invoices_[0])}}))
        << lastMessage_.toStdString();
    EXPECT_EQ((QList<QList<double>>{{b(1), 100, 0, 100}, {b(2), 80, 30, 50}}),
              figures(report(kXS, u"XSKPCX"_s)));
    EXPECT_EQ(2, report(kKP, u"KPCX"_s).rowCount());
    EXPECT_EQ(1, report(kKP, u"KPCX"_s, {{"BeginDate", "2025-03-16"}}).rowCount());
}

}  // namespace
}  // namespace dyt::server::test
