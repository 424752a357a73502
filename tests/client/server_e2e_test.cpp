// Against a real dyt-server: the data module (connect, echo, errors, the reconnect dialog), the
// settings load and the bill-number rules.

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>

#include "client/logic/billnumber.h"
#include "client/logic/clientconfig.h"
#include "client/logic/lookups.h"
#include "client/logic/settings.h"
#include "client/system/frmbillnoset.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "protocol/protocol.h"
#include "support/serverfixture.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;

namespace {

using dyt::test::errorOf;

class ServerEndToEnd : public test::ServerFixture {};

// The fixture connects (without progress) and logs in through the direct server handle.
TEST_F(ServerEndToEnd, CallsARealServerAndAsksWhenItIsGone) {
    EXPECT_TRUE(dm.Connected());
    EXPECT_EQ(server.address(), loginedUser().ServerAddress);
    EXPECT_TRUE(dm.CheckConnection());
    EXPECT_FALSE(dm.GoodsStamp.isEmpty());
    EXPECT_EQ(1, dm.GoodsStampNewer);
    // The server's refusals come back as errors and free the channel.
    RecordSet rs;
    ParamList params;
    EXPECT_EQ(u"ProcName:[p_nope]Error:[存储过程[p_nope]不存在]"_s,
              errorOf([&] { dm.ExecProcQuery(u"p_nope"_s, params, &rs); }));
    EXPECT_NE(QString(), errorOf([&] { dm.ExecUpdate(u"UPDATE no_such_table SET a = 1"_s); }));
    EXPECT_FALSE(dm.CallBusy());
    // The server goes away: the echo fails, the local server cannot be started (no program in
    // the program folder), the operator chooses to quit.
    server.stop();
    script.answer(u"退出系统"_s, u"客户端与服务器连接断开"_s);
    EXPECT_EQ(u"不提示"_s, errorOf([&] { dm.ExecQuery(u"SELECT 1 AS a"_s, &rs); }));
    EXPECT_EQ(1, quits);
    EXPECT_EQ(QStringList{u"本地计算机套接字文件被异常删除，程序无法运行,重新修复安装！"_s},
              script.messages());
    EXPECT_FALSE(dm.Connected());
    EXPECT_FALSE(dm.CallBusy());
}
// The whole load after a real login: the rights, the period and the lookups go through the server's
// dialect translation and its functions.
TEST_F(ServerEndToEnd, WholeLoadAfterALoginReadsTheSeededAccountSet) {
    // A typed quote in a changed setting reaches the server intact.
    dm.ExecUpdate(u"UPDATE sysData SET sysValue = "_s + quotedStr(u"甲's 公司"_s) +
                  u" WHERE Name = '单位全名'"_s);
    TSettings& s = settings();
    s.LoginDate = QDate(2026, 3, 15);
    ASSERT_TRUE(LoadSettings());
    EXPECT_TRUE(s.Loaded);
    EXPECT_TRUE(script.records().isEmpty()) << "the load showed a message";
    // Operator 1 holds every right, the cost view among them.
    EXPECT_EQ(test::clientValuesText(true, u"0.00"_s, u"2026-03-15"_s, u"2026-02-13"_s, false,
            u"甲's 公司"_s, u"2"_s),
        test::clientValuesText(s.SeeCost, s.AmountPattern, s.LoginDateText, s.LoginDateFromText,
            s.StatusPeriodText.isEmpty(), s.CompanyFullName, GetSysData(u"qtydot"_s)));
    // The seeded field captions and audit steps as the load reads them.
    EXPECT_EQ(u"商品编号"_s, s.FieldCaption(u"100121"_s));
    ASSERT_TRUE(s.BillAuditSteps.contains(5));
    EXPECT_EQ(1, s.BillAuditSteps.value(5).inputNum);
    EXPECT_TRUE(s.Switch(2012));  // seeded on
}
TEST_F(ServerEndToEnd, SeededRulesThenASavedRuleDriveTheNextNumbers) {
    // The seeded format of the purchase bill and its yearly counter; a number typed by hand is
    // stepped past through the server's dialect layer; sales bills count on their own.
    billnumber::Options seeded;
    seeded.autoNumbering = true;
    seeded.checkDuplicates = true;
    seeded.timeOfDay = QTime(8, 30);
    const QDate march(2025, 3, 4);
    EXPECT_EQ(u"JH-2025-03-04-00001"_s,
              billnumber::nextBillNumber(dm, 5, march, QString(), seeded));
    dm.ExecUpdate(
        QStringLiteral("INSERT INTO djIndex(djType, code, date, dj_state) VALUES (5, "
                       "'JH-2025-03-04-00002', '2025-03-04', 2)"));
    EXPECT_EQ(u"JH-2025-03-04-00003"_s,
              billnumber::nextBillNumber(dm, 5, march, QString(), seeded));
    EXPECT_EQ(u"XS-2025-03-04-00001"_s,
              billnumber::nextBillNumber(dm, 1, march, QString(), seeded));
    TfrmBillNoSet dlg;
    ASSERT_GE(dlg.kindList()->count(), 2);
    EXPECT_TRUE(script.messages().isEmpty())
        << script.messages().join(QLatin1Char('|')).toStdString();
    const int kind = dlg.currentKind();
    ASSERT_GT(kind, 0);
    // Per kind, used at once, daily counter; format "XS" - yyyy - [000].
    dlg.piece(0)->setCurrentText(u"\"XS\""_s);
    dlg.applyPreset(1);
    dlg.piece(4)->setCurrentText(u"[000]"_s);
    dlg.autoBox()->setChecked(true);
    dlg.ruleBox(0)->setCurrentIndex(1);
    dlg.ruleBox(1)->setCurrentIndex(0);
    dlg.ruleBox(2)->setCurrentIndex(2);
    ASSERT_TRUE(dlg.Save());
    EXPECT_EQ(QStringList{u"保存成功！"_s}, script.messages());
    RecordSet rs;
    dm.ExecQuery(billnoset::settingsSql(), &rs);
    billnoset::Settings stored;
    stored.load(rs);
    EXPECT_TRUE(stored.autoSN);
    EXPECT_EQ(1, stored.rule1);
    EXPECT_EQ(2, stored.rule3);
    billnumber::Options options;
    options.autoNumbering = true;
    options.timeOfDay = QTime(9, 30);
    auto next = [&](const QDate& d) {
        return billnumber::nextBillNumber(dm, kind, d, QString(), options);
    };
    EXPECT_EQ(u"XS-2025-001"_s, next(QDate(2025, 7, 1)));
    EXPECT_EQ(u"XS-2025-002"_s, next(QDate(2025, 7, 1)));
    // The reset sets every counter back: the same day starts at 1 again.
    script.answer(u"确定"_s, u"是否将系统所有的计数器复位？"_s);
    ASSERT_TRUE(dlg.resetCounters());
    EXPECT_EQ(u"XS-2025-001"_s, next(QDate(2025, 7, 1)));
    // Apply to all: another kind gets the format.
    ASSERT_TRUE(dlg.applyToAll());
    int other = -1;
    for (int row = 0; row < dlg.kindList()->count() && other < 0; ++row) {
        dlg.kindList()->setCurrentRow(row);
        if (dlg.currentKind() != kind)
            other = dlg.currentKind();
    }
    ASSERT_GT(other, 0);
    EXPECT_EQ(u"\"XS\""_s, dlg.piece(0)->currentText());
    EXPECT_EQ(u"[000]"_s, dlg.piece(4)->currentText());
    EXPECT_EQ(u"XS-2025-001"_s,
              billnumber::nextBillNumber(dm, other, QDate(2025, 7, 1), QString(), options));
    EXPECT_EQ(0, script.pendingAnswers());
}

}  // namespace
