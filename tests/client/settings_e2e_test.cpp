// The settings against a real dyt-server: an SQL script changes the seeded account set, and the
// plain reads of sysData and sysConf give the values, patterns and switches.

#include <QDir>
#include <QFile>

#include "client/logic/lookups.h"
#include "client/logic/settings.h"
#include "common/recordset.h"
#include "protocol/protocol.h"
#include "support/serverfixture.h"

using namespace dyt;
using namespace dyt::client;

class SettingsEndToEnd : public dyt::test::ServerFixture {};

TEST_F(SettingsEndToEnd, ScriptChangesTheAccountSetAndTheReadsTakeTheValues) {
    // Four batches, one statement each, the second over two lines; the USE line and the
    // comment before the first batch are not sent.
    const QString file = QDir(programDir.path()).filePath(u"change.sql"_s);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(
            "USE dytv1_1\r\n-- decimal places\r\n"
            "UPDATE sysData SET sysValue = '0' WHERE Name = 'qtydot'\r\ngo\r\n"
            "UPDATE sysData SET sysValue = '4'\r\n  WHERE Name = 'pricedot'\r\nGO\r\n"
            "UPDATE sysConf SET sysValue = '1' WHERE id = 2028\r\n GO \r\n"
            "UPDATE sysConf SET sysValue = '1' WHERE id = 2002\r\n");
    }
    EXPECT_EQ(4, RunSqlScript(file));

    TSettings& s = settings();
    RecordSet rs;
    dm.ExecQuery(u"SELECT * FROM sysData"_s, &rs);
    ASSERT_GT(rs.recordCount(), 0);
    s.applySysData(rs);
    s.buildPatterns();
    EXPECT_EQ(caption(), s.CompanyFullName);
    EXPECT_EQ(u"0."_s, s.QtyPattern);
    EXPECT_EQ(u"0.0000"_s, s.PricePattern);
    EXPECT_EQ(u"0.00"_s, s.AmountPattern);
    EXPECT_EQ(7, s.AutoBackupDays);
    EXPECT_EQ(50, s.DefaultBillRows);
    EXPECT_GT(s.CurrentYear, 2000);

    dm.ExecQuery(u"SELECT * FROM sysConf"_s, &rs);
    s.applySysConf(rs);
    EXPECT_TRUE(s.Switch(2002));
    EXPECT_TRUE(s.Switch(2028));
    EXPECT_TRUE(s.Switch(2012));  // seeded on
    EXPECT_FALSE(s.Switch(2004));
    s.forceSwitchesOff();
    EXPECT_FALSE(s.Switch(2028));

    // The field captions and the audit steps as the load reads them.
    dm.ExecQuery(u"SELECT * FROM baseFieldNames"_s, &rs);
    s.applyFieldNames(rs);
    EXPECT_EQ(u"商品编号"_s, s.FieldCaption(u"100121"_s));
    dm.ExecQuery(u"SELECT * FROM sysdjb"_s, &rs);
    s.applyAuditSteps(rs);
    ASSERT_TRUE(s.BillAuditSteps.contains(5));
    EXPECT_EQ(1, s.BillAuditSteps.value(5).inputNum);
}

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
}
