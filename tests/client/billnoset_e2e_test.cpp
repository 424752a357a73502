// Bill-number rules against a real dyt-server: the seeded rules, then a saved rule, number bills.

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>

#include "client/logic/billnumber.h"
#include "client/logic/clientconfig.h"
#include "client/system/frmbillnoset.h"
#include "common/recordset.h"
#include "support/serverfixture.h"

using namespace dyt;
using namespace dyt::client;

class BillNoSetEndToEnd : public dyt::test::ServerFixture {};

TEST_F(BillNoSetEndToEnd, SeededRulesThenASavedRuleDriveTheNextNumbers) {
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
