// The borrowing and lending reports beyond their golden files: a range that starts after the
// borrowing carries its balance, the balance at an earlier date, the partner condition and the
// red filter, against the April loans of ReportFixture worked out by hand.
#include "reports_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

const QString kJQ = u"P_JXC_Get_JQ"_s;

class LoanReports : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        postScenario();
        postLoans();
    }
    static QString rows(const RecordSet& rs, std::initializer_list<const char*> fields) {
        QStringList out;
        for (int r = 0; r < rs.rowCount(); ++r) {
            QStringList cells;
            for (double v : nums(rs, r, fields))
                cells << QString::number(v);
            out << cells.join(u' ');
        }
        return out.join(u'|');
    }
};

TEST_F(LoanReports, LedgersCarryTheBalanceBalancesFollowDateAndPartnerAndTheRedFilterChooses) {
    const Lines goods = {{"GoodsStr", ";czy_id=1;isSub=1;id=101"}};
    struct Case {
        const char* what;
        QString queryType;
        Lines lines;
        std::initializer_list<const char*> fields;
        QString expected;
    } cases[] = {
        // From 04-02: the 10 borrowed on 04-01 stand behind the first row's balance.
        {"borrowed ledger from the second day",
         u"SPJJMX"_s,
         {{"BeginDate", "2025-04-02"}, {"EndDate", "2025-04-30"}},
         {"djType", "Qty", "total", "jcQty", "jcTotal"},
         u"36 -4 -36 6 54|37 -5 -45 1 9"_s},
        {"borrowed goods held after the return",
         u"JJSPCX"_s,
         {{"EndDate", "2025-04-04"}, {"GoodsStr", ";czy_id=1;par_id=100"}},
         {"sp_id", "Qty", "price", "total", "costtotal"},
         u"101 6 9 54 54"_s},
        // 101 in 301 before April is 6 / 70; with the 10 borrowed at 9 it is 16 / 160, so the
        // 4 returned and the 3 lent go out at 10 each; 1 back, 1 sold: 1 left at 18, cost 10.
        {"lent goods held by the borrower",
         u"JCSPCX"_s,
         {{"EndDate", "2025-04-30"}, {"GoodsStr", ";czy_id=1;par_id=100"},
          {"wldwStr", ";czy_id=1;id=201;issub=1"}},
         {"sp_id", "Qty", "total", "costtotal"},
         u"101 1 18 10"_s},
        {"nothing lent to the supplier",
         u"JCSPCX"_s,
         {{"EndDate", "2025-04-30"}, {"wldwStr", ";czy_id=1;id=202;issub=1"}},
         {"Qty"},
         u""_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Lines lines = c.lines;
        if (c.queryType.startsWith(u"SP"_s))
            lines.insert(lines.end(), goods.begin(), goods.end());
        EXPECT_EQ(c.expected, rows(report(kJQ, c.queryType, lines), c.fields));
    }
    // The conversion reversed: the red filter shows the pair, or only the bills left standing;
    // the balance counts every row.
    const qint64 converted = scalar(u"SELECT id FROM djIndex WHERE djType = 37"_s).toLongLong();
    ASSERT_LT(0, proc(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s},
                                              {"billid", QString::number(converted)},
                                              {"dj_state", u"2"_s}}))
        << lastMessage_.toStdString();
    const auto ledger = [&](const char* filter) {
        Lines lines = {{"BeginDate", "2025-04-01"}, {"EndDate", "2099-12-31"}, {"filter", filter}};
        lines.insert(lines.end(), goods.begin(), goods.end());
        return rows(report(kJQ, u"SPJJMX"_s, lines), {"djType", "Qty", "jcQty"});
    };
    EXPECT_EQ(u"35 10 10|36 -4 6|37 -5 1|37 5 6"_s, ledger(";isred=0"));
    EXPECT_EQ(u"35 10 10|36 -4 6"_s, ledger(";isred=1"));
    EXPECT_EQ(u"37 -5 1|37 5 6"_s, ledger(";isred=2"));
}

}  // namespace
}  // namespace dyt::server::test
