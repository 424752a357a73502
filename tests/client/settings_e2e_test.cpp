// The settings loaded from a real dyt-server's seeded account set.

#include "client/logic/lookups.h"
#include "client/logic/settings.h"
#include "common/recordset.h"
#include "support/serverfixture.h"

using namespace dyt;
using namespace dyt::client;

class SettingsEndToEnd : public dyt::test::ServerFixture {};

// The whole load after a real login: the rights, the period and the lookups go through the server's
// dialect translation and its functions.
TEST_F(SettingsEndToEnd, WholeLoadAfterALoginReadsTheSeededAccountSet) {
    // A typed quote in a changed setting reaches the server intact.
    dm.ExecUpdate(u"UPDATE sysData SET sysValue = "_s + quotedStr(u"甲's 公司"_s) +
                  u" WHERE Name = '单位全名'"_s);
    TSettings& s = settings();
    s.LoginDate = QDate(2026, 3, 15);
    ASSERT_TRUE(LoadSettings());
    EXPECT_TRUE(s.Loaded);
    EXPECT_TRUE(script.records().isEmpty()) << "the load showed a message";
    // Operator 1 holds every right, the cost view among them.
    EXPECT_TRUE(s.SeeCost);
    EXPECT_EQ(u"0.00"_s, s.AmountPattern);
    EXPECT_EQ(u"2026-03-15"_s, s.LoginDateText);
    EXPECT_EQ(u"2026-02-13"_s, s.LoginDateFromText);
    EXPECT_FALSE(s.StatusPeriodText.isEmpty());
    EXPECT_EQ(u"甲's 公司"_s, s.CompanyFullName);
    EXPECT_EQ(u"2"_s, GetSysData(u"qtydot"_s));
    // The seeded field captions and audit steps as the load reads them.
    EXPECT_EQ(u"商品编号"_s, s.FieldCaption(u"100121"_s));
    ASSERT_TRUE(s.BillAuditSteps.contains(5));
    EXPECT_EQ(1, s.BillAuditSteps.value(5).inputNum);
    EXPECT_TRUE(s.Switch(2012));  // seeded on
}
