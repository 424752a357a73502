// The account opening dialog and the version information against the recording transport.

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "client/logic/settings.h"
#include "client/system/frminitover.h"
#include "client/system/frmsysversioninfo.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "protocol/protocol.h"

using namespace dyt;
using namespace dyt::client;
using dyt::test::DmFixture;

namespace {

class SysAdminTest : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        resetSettings();
        settingsReloader() = nullptr;
        settings().LoginDate = QDate(2026, 3, 31);
        connectLoggedIn(1);
    }
    void TearDown() override {
        resetSettings();
        DmFixture::TearDown();
    }
};
TEST_F(SysAdminTest, OpeningAndReversingSendTheirTypeAndReadTheSettingsOnlyAfterASuccess) {
    const struct Case {
        int isOpen;
        const char16_t* refusal;  // empty: the server performs it
    } cases[] = {
        {0, u""}, {1, u""}, {0, u"期初数据不平衡，不能开账！"}, {1, u"已有过账单据，不能反开账！"}};
    for (const Case& c : cases) {
        const QString refusal = QString::fromUtf16(c.refusal);
        SCOPED_TRACE(c.isOpen);
        SCOPED_TRACE(refusal.toStdString());
        settings().IsOpen = c.isOpen;
        script.clearRecords();
        transport->clearCalls();
        TfrmInitOver dlg;
        dlg.show();
        EXPECT_EQ(c.isOpen == 0, dlg.edDate()->isVisible());  // the date only before opening
        QPushButton* offered = c.isOpen == 0 ? dlg.btnOpen() : dlg.btnReverse();
        QPushButton* other = c.isOpen == 0 ? dlg.btnReverse() : dlg.btnOpen();
        QTest::mouseClick(other, Qt::LeftButton);
        EXPECT_TRUE(callsOf(u"ExecProc"_s).isEmpty());  // only the operation fitting the state
        if (refusal.isEmpty()) {
            answerQuery(test::recordSet({u"Name"_s, u"sysValue"_s},
                                        {{u"isOpen"_s, QString::number(1 - c.isOpen)}}));
        } else {
            transport->fail(u"ExecProc"_s, refusal);
        }
        QTest::mouseClick(offered, Qt::LeftButton);
        const QList<RecordedCall> procs = callsOf(u"ExecProc"_s);
        ASSERT_EQ(1, procs.size());
        EXPECT_EQ(u"P_SYS_UP_Open"_s, procs[0].procedure);
        const ParamList sent = linesOf(procs[0]);
        EXPECT_EQ(QString::number(c.isOpen), sent.value(u"type"_s));
        // The date travels with both, also while it is hidden.
        EXPECT_EQ(u"2026-03-31"_s, sent.value(u"Date"_s));
        const bool done = refusal.isEmpty();  // settings read again, the dialog closed
        EXPECT_EQ(done, sqlOf(u"ExecQuery"_s).contains(u"SELECT * FROM sysData"_s));
        EXPECT_EQ(done ? 1 - c.isOpen : c.isOpen, settings().IsOpen);
        EXPECT_EQ(QStringList{done ? u"开账操作成功！"_s : refusal}, script.messages());
        EXPECT_EQ(!done, dlg.isVisible());
        EXPECT_EQ(done ? c.isOpen == 0 : true, done ? bool(dlg.result()) : offered->isEnabled());
    }
}
TEST_F(SysAdminTest, VersionInformationShowsTheServersVersionsOrWhyThereAreNone) {
    RecordSet answer = test::recordSet({u"ServerVersion"_s, u"SchemaVersion:integer"_s},
                                       {{u"11.0.1"_s, qint64(14)}});
    answerProc(answer);
    {
        TfrmSysVersionInfo dlg;
        ASSERT_EQ(1, callsOf(u"ExecProcQuery"_s).size());
        EXPECT_EQ(u"P_SYS_Get_Version"_s, callsOf(u"ExecProcQuery"_s)[0].procedure);
        EXPECT_EQ(u"11.0.1|14"_s,
                  dlg.lblServerVersion()->text() + u'|' + dlg.lblSchemaVersion()->text());
        EXPECT_TRUE(dlg.lblError()->text().isEmpty());
        EXPECT_FALSE(dlg.lblClientVersion()->text().isEmpty());
    }
    transport->fail(u"ExecProcQuery"_s, u"不支持的过程"_s);
    TfrmSysVersionInfo dlg;
    EXPECT_EQ(u"|"_s, dlg.lblServerVersion()->text() + u'|' + dlg.lblSchemaVersion()->text());
    EXPECT_TRUE(dlg.lblError()->text().contains(u"不支持的过程"_s))
        << dlg.lblError()->text().toStdString();
    EXPECT_TRUE(script.messages().isEmpty());
}

}  // namespace
