// The numbering dialog: the texts it reads and saves, the presets and the sample number, the
// format of a kind's pieces, apply-to-all and the counter reset, against the recording transport.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "client/logic/clientconfig.h"
#include "client/common/windowregistry.h"
#include "client/system/frmbillnoset.h"
#include "common/error.h"
#include "common/recordset.h"
#include "login_support.h"
#include "protocol/protocol.h"
#include "support/testutil.h"
#include "uihelpers.h"

using namespace dyt;
using namespace dyt::client;
using dyt::test::DmFixture;

namespace {

const QString kJH = QStringLiteral("\"JH\"");

RecordSet sysDataRows(const QList<int>& values) {
    RecordSet rs = test::recordSet({QStringLiteral("id:integer"), QStringLiteral("sysValue")});
    qint64 id = 208042000;
    for (int v : values)
        rs.appendRow({id++, QString::number(v)});
    return rs;
}

RecordSet kindRows() {
    return test::recordSet({QStringLiteral("id:integer"), QStringLiteral("fullname")},
                           {{qint64(1), QStringLiteral("进货单")},
                            {qint64(4), QStringLiteral("销售单")}});
}

RecordSet formatRow(const QString& numHead, const QString& format) {
    return test::recordSet({QStringLiteral("NumHead"), QStringLiteral("SNFormat")},
                           {{numHead, format}});
}

}  // namespace

TEST(BillNoSetTexts, SettingsRowsFillTheSwitchAndTheRulesInIdOrder) {
    struct Row {
        const char* name;
        QList<int> values;
        bool autoSN;
        int r1, r2, r3;
        bool r4;
    };
    const Row rows[] = {
        {"all off", {0, 0, 0, 0, 0}, false, 0, 0, 0, false},
        {"all set", {1, 1, 2, 2, 1}, true, 1, 2, 2, true},
        {"mixed", {1, 0, 1, 1, 0}, true, 0, 1, 1, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        RecordSet rs = sysDataRows(r.values);
        billnoset::Settings s;
        s.load(rs);
        EXPECT_EQ(r.autoSN, s.autoSN);
        EXPECT_EQ(r.r1, s.rule1);
        EXPECT_EQ(r.r2, s.rule2);
        EXPECT_EQ(r.r3, s.rule3);
        EXPECT_EQ(r.r4, s.rule4);
    }
    RecordSet bad;
    bad.addField(QStringLiteral("id"), FieldType::Integer);
    billnoset::Settings s;
    EXPECT_THROW(s.load(bad), DytError);
}

TEST(BillNoSetTexts, EachPresetsSampleIsTheExampleOfItsName) {
    // The name of each preset shows the number it gives for 2008-01-01 with counter 1.
    const QStringList names = billnoset::presetNames();
    ASSERT_EQ(billnoset::kPresets, names.size());
    for (int i = 0; i < billnoset::kPresets; ++i) {
        SCOPED_TRACE(i);
        const QString example = names.at(i).split(QLatin1Char(' '), Qt::SkipEmptyParts).last();
        const QString machine =
            billnoset::presetSetsMachinePrefix(i) ? QStringLiteral("PC9") : QString();
        const QString format = billnoset::composeFormat(billnoset::presetPieces(i, kJH), machine);
        EXPECT_EQ(example, billnoset::sampleNumber(format, QDate(2008, 1, 1)));
    }
    EXPECT_THROW(billnoset::presetPieces(5, kJH), DytError);
}

TEST(BillNoSetTexts, PresetPiecesInOrder) {
    EXPECT_EQ((QStringList{kJH, QStringLiteral("-"), QStringLiteral("YYYY"), QStringLiteral("-"),
                           QStringLiteral("[00000]")}),
              billnoset::presetPieces(1, kJH));
    EXPECT_EQ((QStringList{kJH, QStringLiteral("-"), QStringLiteral("YYYY"), QStringLiteral("MM"),
                           QStringLiteral("DD"), QStringLiteral("-"), QStringLiteral("[00000]")}),
              billnoset::presetPieces(3, kJH));
    EXPECT_FALSE(billnoset::presetSetsMachinePrefix(0));
    EXPECT_TRUE(billnoset::presetSetsMachinePrefix(4));
}

TEST(BillNoSetTexts, FormatWithAQuotedConstantAndACounterMask) {
    const QStringList pieces{kJH,
                             QStringLiteral("-"),
                             QStringLiteral("yyyy"),
                             QStringLiteral("mm"),
                             QStringLiteral("dd"),
                             QString(),
                             QStringLiteral("-"),
                             QStringLiteral("[0000]")};
    const QString format = billnoset::composeFormat(pieces, QString());
    // Empty pieces leave no empty line.
    EXPECT_EQ(QStringLiteral("\"JH\"\r-\ryyyy\rmm\rdd\r-\r[0000]"), format);
    EXPECT_EQ(QStringLiteral("JH-20240305-0001"),
              billnoset::sampleNumber(format, QDate(2024, 3, 5)));

    const QString withMachine = billnoset::composeFormat(pieces, QStringLiteral("PC9"));
    EXPECT_EQ(QStringLiteral("\"PC9\"-\r\"JH\"\r-\ryyyy\rmm\rdd\r-\r[0000]"), withMachine);
    EXPECT_EQ(QStringLiteral("PC9-JH-20241231-0001"),
              billnoset::sampleNumber(withMachine, QDate(2024, 12, 31)));

    // Reading a stored format back drops the machine piece and the line ends.
    const QStringList back{kJH,
                           QStringLiteral("-"),
                           QStringLiteral("yyyy"),
                           QStringLiteral("mm"),
                           QStringLiteral("dd"),
                           QStringLiteral("-"),
                           QStringLiteral("[0000]")};
    EXPECT_EQ(back, billnoset::splitFormat(withMachine));
    EXPECT_EQ(back,
              billnoset::splitFormat(QStringLiteral("\"JH\"\r\n-\r\nyyyy\nmm\ndd\r-\r[0000]")));
}

TEST(BillNoSetTexts, SaveApplyAndResetTexts) {
    billnoset::Settings s;
    s.autoSN = true;
    s.rule1 = 1;
    s.rule2 = 2;
    s.rule3 = 1;
    s.rule4 = false;
    EXPECT_EQ(QStringLiteral(" update sysData set sysValue=1 where id=208042001 \r\n"
                             " update sysData set sysValue=2 where id=208042002 \r\n"
                             " update sysData set sysValue=1 where id=208042003 \r\n"
                             " update sysData set sysValue=0 where id=208042004 \r\n"
                             " update sysDjb set comment='\"J''H\"', SNFormat='\"J''H\"\ryyyy' "
                             "where id=4 \r\n"
                             " update sysData set sysValue=1 where id=208042000 "),
              billnoset::saveSql(s, 4, QStringLiteral("\"J'H\""), QStringLiteral("\"J'H\"\ryyyy")));
    EXPECT_EQ(QStringLiteral(" update sysDjb set SNFormat='\"JH\"\ryyyy' where (sonnum=0) and "
                             "(id<>4) \r\n"
                             " update sysDjb set comment='\"JH\"' where (sonnum=0) and (id<>4) "),
              billnoset::applyToAllSql(4, kJH, QStringLiteral("\"JH\"\ryyyy")));
    EXPECT_EQ(QStringLiteral(" update sysbillNo set yearMaxNo=0, monthMaxNo=0, dayMaxNo=0 "),
              billnoset::resetCountersSql());
}

namespace {
class BillNoSetDialogTest : public test::LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        connectLoggedIn(1);
    }
    void answer(const RecordSet& rs) {
        transport->respond(QStringLiteral("ExecQuery"), 0, {proto::recordSetToCbor(rs), QString()});
    }
    // The three reads of the opening: settings, kinds, the first kind's format.
    void answerOpening(const QList<int>& values, const QString& format) {
        answer(sysDataRows(values));
        answer(kindRows());
        answer(formatRow(kJH, format));
    }
    QStringList sqlOf(const QString& method) const {
        QStringList out;
        for (const RecordedCall& c : transport->calls())
            if (c.method == method)
                out.append(c.sql);
        return out;
    }
};
}  // namespace

TEST_F(BillNoSetDialogTest, OpeningReadsSettingsKindsAndTheFirstKindsFormat) {
    answerOpening({1, 1, 0, 2, 0}, QStringLiteral("\"JH\"\r-\ryyyy\r-\r[0000]"));
    TfrmBillNoSet dlg;
    EXPECT_EQ(QStringLiteral("单据编号规则及样式"), dlg.windowTitle());
    EXPECT_EQ((QStringList{billnoset::settingsSql(), billnoset::kindsSql(billnoset::defaultKinds()),
                           billnoset::kindSql(1)}),
              sqlOf(QStringLiteral("ExecQuery")));
    EXPECT_TRUE(dlg.autoBox()->isChecked());
    EXPECT_EQ(1, dlg.ruleBox(0)->currentIndex());
    EXPECT_EQ(0, dlg.ruleBox(1)->currentIndex());
    EXPECT_EQ(2, dlg.ruleBox(2)->currentIndex());
    EXPECT_FALSE(dlg.rule4Box()->isChecked());
    EXPECT_EQ(2, dlg.kindList()->count());
    EXPECT_EQ(1, dlg.currentKind());
    EXPECT_EQ(kJH, dlg.piece(0)->currentText());
    EXPECT_EQ(QStringLiteral("[0000]"), dlg.piece(4)->currentText());
    EXPECT_EQ(QString(), dlg.piece(5)->currentText());
    EXPECT_FALSE(dlg.modified());
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy"));
    EXPECT_EQ(QStringLiteral("JH-") + today + QStringLiteral("-0001"), dlg.sampleText());
    auto* sample = dlg.findChild<QLabel*>(QStringLiteral("lblSample"));
    ASSERT_NE(nullptr, sample);
    EXPECT_EQ(QStringLiteral("样式例子：JH-") + today + QStringLiteral("-0001"), sample->text());
}

TEST_F(BillNoSetDialogTest, SaveSendsTheRulesAndTheKindsFormatThenConfirms) {
    answerOpening({0, 0, 0, 0, 0}, QString());
    TfrmBillNoSet dlg;
    dlg.piece(0)->setCurrentText(kJH);
    dlg.applyPreset(1);
    dlg.autoBox()->setChecked(true);
    dlg.ruleBox(2)->setCurrentIndex(1);
    EXPECT_TRUE(dlg.modified());
    transport->clearCalls();
    dlg.btnOKClick();
    billnoset::Settings s;
    s.autoSN = true;
    s.rule3 = 1;
    EXPECT_EQ(
        QStringList{billnoset::saveSql(s, 1, kJH, QStringLiteral("\"JH\"\r-\rYYYY\r-\r[00000]"))},
        sqlOf(QStringLiteral("ExecUpdate")));
    EXPECT_EQ(QStringList{QStringLiteral("保存成功！")}, script.messages());
    EXPECT_FALSE(dlg.modified());
}

TEST_F(BillNoSetDialogTest, MachinePrefixNeedsAMachineNumberAndIsStoredLocally) {
    answerOpening({1, 1, 0, 0, 0}, QStringLiteral("\"JH\"\r[000]"));
    TfrmBillNoSet dlg;
    dlg.applyPreset(4);  // preset five switches rule four on
    EXPECT_TRUE(dlg.rule4Box()->isChecked());
    transport->clearCalls();
    EXPECT_FALSE(dlg.Save());
    EXPECT_EQ(QStringList{QStringLiteral("请输入机器号码")}, script.messages());
    EXPECT_EQ(QStringLiteral("提示"), script.records().last().caption);
    EXPECT_TRUE(sqlOf(QStringLiteral("ExecUpdate")).isEmpty());

    dlg.machineEdit()->setText(QStringLiteral("PC9"));
    EXPECT_EQ(QStringLiteral("PC9-JH-") +
                  QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) +
                  QStringLiteral("-00001"),
              dlg.sampleText());
    EXPECT_TRUE(dlg.Save());
    const QStringList sent = sqlOf(QStringLiteral("ExecUpdate"));
    ASSERT_EQ(1, sent.size());
    EXPECT_TRUE(sent.first().contains(QStringLiteral(
        "SNFormat='\"PC9\"-\r\"JH\"\r-\rYYYY\r-\rMM\r-\rDD\r-\r[00000]' where id=1 ")))
        << sent.first().toStdString();
    EXPECT_TRUE(sent.first().contains(
        QStringLiteral(" update sysData set sysValue=1 where id=208042004 ")));
    EXPECT_EQ(QStringLiteral("PC9"), clientConfig().read(QStringLiteral("MachineNo")));
}

TEST_F(BillNoSetDialogTest, ApplyToAllSendsTheCurrentFormatForTheOtherKinds) {
    answerOpening({1, 1, 0, 0, 0}, QStringLiteral("\"JH\"\r-\r[0000]"));
    TfrmBillNoSet dlg;
    transport->clearCalls();
    EXPECT_TRUE(dlg.ApplyToAll());
    EXPECT_EQ(QStringList{billnoset::applyToAllSql(1, kJH, QStringLiteral("\"JH\"\r-\r[0000]"))},
              sqlOf(QStringLiteral("ExecUpdate")));
}

TEST_F(BillNoSetDialogTest, CounterResetOnlyAfterConfirmation) {
    answerOpening({1, 1, 0, 0, 0}, QString());
    TfrmBillNoSet dlg;
    transport->clearCalls();
    script.answer(QStringLiteral("放弃"), QStringLiteral("是否将系统所有的计数器复位？"));
    EXPECT_FALSE(dlg.ResetCounters());
    EXPECT_TRUE(sqlOf(QStringLiteral("ExecUpdate")).isEmpty());
    script.answer(QStringLiteral("确定"), QStringLiteral("是否将系统所有的计数器复位？"));
    EXPECT_TRUE(dlg.ResetCounters());
    EXPECT_EQ(QStringList{billnoset::resetCountersSql()}, sqlOf(QStringLiteral("ExecUpdate")));
    EXPECT_EQ(QStringLiteral("系统问题"), script.records().last().caption);
}

TEST_F(BillNoSetDialogTest, LeavingAChangedKindAsksAndSavesOrDrops) {
    answerOpening({1, 1, 0, 0, 0}, QStringLiteral("\"JH\"\r[0000]"));
    TfrmBillNoSet dlg;
    transport->clearCalls();
    // Unchanged: switching reads the next kind without a question.
    answer(formatRow(QStringLiteral("XS"), QStringLiteral("\"XS\"\r[000]")));
    dlg.kindList()->setCurrentRow(1);
    EXPECT_EQ(4, dlg.currentKind());
    EXPECT_EQ(QStringLiteral("\"XS\""), dlg.piece(0)->currentText());
    EXPECT_TRUE(script.records().isEmpty());

    // Changed and dropped: nothing saved.
    dlg.piece(2)->setCurrentText(QStringLiteral("yyyy"));
    script.answer(QStringLiteral("放弃"), QStringLiteral("数据已经变化，是否保存修改？"));
    answer(formatRow(kJH, QStringLiteral("\"JH\"\r[0000]")));
    dlg.kindList()->setCurrentRow(0);
    EXPECT_EQ(1, dlg.currentKind());
    EXPECT_TRUE(sqlOf(QStringLiteral("ExecUpdate")).isEmpty());

    // Changed and kept: the save goes out for the kind being left.
    dlg.piece(2)->setCurrentText(QStringLiteral("mm"));
    script.answer(QStringLiteral("确定"), QStringLiteral("数据已经变化，是否保存修改？"));
    answer(formatRow(QStringLiteral("XS"), QStringLiteral("\"XS\"\r[000]")));
    dlg.kindList()->setCurrentRow(1);
    const QStringList saves = sqlOf(QStringLiteral("ExecUpdate"));
    ASSERT_EQ(1, saves.size());
    EXPECT_TRUE(saves.first().contains(QStringLiteral("SNFormat='\"JH\"\r[0000]\rmm' where id=1 ")))
        << saves.first().toStdString();
    EXPECT_EQ(4, dlg.currentKind());
}

TEST_F(BillNoSetDialogTest, RegisteredUnderItsClassNameWithAScreenshot) {
    registerSystemWindows();
    answerOpening({1, 1, 0, 0, 0}, QStringLiteral("\"JH\"\r-\ryyyy\r-\rmm\r-\rdd\r-\r[00000]"));
    std::unique_ptr<QWidget> w(createWindow(QStringLiteral("TfrmBillNoSet"), nullptr));
    ASSERT_NE(nullptr, w);
    auto* dlg = qobject_cast<TfrmBillNoSet*>(w.get());
    ASSERT_NE(nullptr, dlg);
    w->resize(820, 520);
    EXPECT_FALSE(test::saveScreenshot(w.get(), QStringLiteral("frmbillnoset")).isEmpty());
}

TEST_F(BillNoSetDialogTest, AFailedReadOfTheRulesShowsTheErrorAndSavesNothing) {
    transport->fail(QStringLiteral("ExecQuery"), QStringLiteral("连接中断"));
    answer(kindRows());
    answer(formatRow(kJH, QStringLiteral("\"JH\"\r[0000]")));
    TfrmBillNoSet dlg;
    EXPECT_EQ(QStringList{QStringLiteral("连接中断")}, script.messages());
    EXPECT_FALSE(dlg.canSave());
    EXPECT_FALSE(dlg.btnOK()->isEnabled());
    transport->clearCalls();
    EXPECT_FALSE(dlg.Save());
    EXPECT_TRUE(sqlOf(QStringLiteral("ExecUpdate")).isEmpty());
}

TEST_F(BillNoSetDialogTest, ClosingWithChangesAsksFirst) {
    answerOpening({1, 1, 0, 0, 0}, QStringLiteral("\"JH\"\r[0000]"));
    TfrmBillNoSet dlg;
    dlg.show();
    dlg.piece(2)->setCurrentText(QStringLiteral("-"));
    transport->clearCalls();

    // Kept: the save goes out and the window closes.
    script.answer(QStringLiteral("确定"), QStringLiteral("数据已经变化，是否保存修改？"));
    EXPECT_TRUE(dlg.close());
    const QStringList saves = sqlOf(QStringLiteral("ExecUpdate"));
    ASSERT_EQ(1, saves.size());
    EXPECT_TRUE(saves.first().contains(QStringLiteral("SNFormat='\"JH\"\r[0000]\r-' where id=1 ")))
        << saves.first().toStdString();

    // Unchanged: no question.
    dlg.show();
    script.clearRecords();
    EXPECT_TRUE(dlg.close());
    EXPECT_TRUE(script.records().isEmpty());

    // Dropped: closes without a save.
    dlg.show();
    dlg.piece(1)->setCurrentText(QStringLiteral("/"));
    transport->clearCalls();
    script.answer(QStringLiteral("放弃"), QStringLiteral("数据已经变化，是否保存修改？"));
    EXPECT_TRUE(dlg.close());
    EXPECT_TRUE(sqlOf(QStringLiteral("ExecUpdate")).isEmpty());
}
