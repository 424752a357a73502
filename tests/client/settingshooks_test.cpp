// The main window's settings hooks: the first activation's load fills status bar panel 5, the
// close reads the backup interval and the last backup date.

#include <QTemporaryDir>

#include <memory>

#include "client/logic/settings.h"
#include "client/shell/mainwindow.h"
#include "client/shell/settingshooks.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "protocol/protocol.h"

using namespace dyt;
using namespace dyt::client;
using dyt::test::DmFixture;

namespace {

class SettingsHooksTest : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        resetSettings();
        ASSERT_TRUE(dir.isValid());
        main = std::make_unique<TfrmMain>(dir.path());
        main->attachDataModule(dm.get());
        installSettingsHooks(*main);
        connectLoggedIn();
    }
    void TearDown() override {
        main.reset();
        resetSettings();
        DmFixture::TearDown();
    }
    void answerSysData(const QList<QPair<QString, QString>>& rows) {
        RecordSet rs = test::recordSet({u"Name"_s, u"sysValue"_s});
        for (const auto& r : rows)
            rs.appendRow({r.first, r.second});
        transport->respond(u"ExecQuery"_s, 0, {proto::recordSetToCbor(rs), QString()});
    }

    QTemporaryDir dir;
    std::unique_ptr<TfrmMain> main;
};

}  // namespace

TEST_F(SettingsHooksTest, LoadShowsThePeriodInPanelFive) {
    answerSysData({{u"period"_s, u"4"_s}, {u"isOpen"_s, u"1"_s}});
    ASSERT_TRUE(main->hooks.loadSettings);
    EXPECT_TRUE(main->hooks.loadSettings());
    EXPECT_EQ(u"会计期间：4 月"_s, main->panelText(TfrmMain::kMessagePanel));
    EXPECT_FALSE(main->panelVisible(TfrmMain::kMessagePanel));  // the panel stays hidden
}

TEST_F(SettingsHooksTest, FailedLoadLeavesThePanelAndReportsFalse) {
    const QString before = main->panelText(TfrmMain::kMessagePanel);
    transport->fail(u"ExecQuery"_s, u"对象名无效"_s);
    EXPECT_FALSE(main->hooks.loadSettings());
    EXPECT_EQ(before, main->panelText(TfrmMain::kMessagePanel));
    EXPECT_EQ(QStringList{u"读取配置信息失败:对象名无效"_s}, script.messages());
}

TEST_F(SettingsHooksTest, BackupSettingsComeFromTheLoadedSettings) {
    QString last = u"unchanged"_s;
    int interval = -5;
    ASSERT_TRUE(main->hooks.autoBackupSettings);
    EXPECT_FALSE(main->hooks.autoBackupSettings(&last, &interval));  // nothing loaded yet
    EXPECT_EQ(u"unchanged"_s, last);

    answerSysData({{u"自动备份天数"_s, u"7"_s}});
    ASSERT_TRUE(main->hooks.loadSettings());
    RecordSet value;
    value.addField(u"value"_s, FieldType::Text);
    value.appendRow({u"2026-11-29"_s});
    transport->respond(u"ExecQuery"_s, 0, {proto::recordSetToCbor(value), QString()});
    EXPECT_TRUE(main->hooks.autoBackupSettings(&last, &interval));
    EXPECT_EQ(u"2026-11-29"_s, last);
    EXPECT_EQ(7, interval);
    EXPECT_EQ(u"SELECT dbo.fnGetSysData('自动备份日期','') as value"_s,
              transport->calls().last().sql);
}
