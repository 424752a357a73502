// Backup, restore and repair of the account set against a real server, through the windows'
// own widgets: a local backup refused for an existing file before the server hears of it, a server
// backup deleted only with the administrator's password, a restore that brings the data back and
// makes the next login load the whole local cache, and a repair that asks twice.
#include <QTest>
#include <QtWidgets>

#include "client/logic/dbbackup.h"
#include "client/logic/localcache.h"
#include "client/logic/session.h"
#include "client/system/frmdbbackuprestore.h"
#include "client/system/frmsysdatabaserepair.h"
#include "support/serverfixture.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

class DbBackupE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        TLoginedUser& user = loginedUser();
        user.ProfileName = u"dytv1_1"_s;
        user.ProfileCaption = caption();
        user.dbUserName = u"sa"_s;
        dm.startProgram = [this](const QString& program, const QStringList&) {
            started << program;
        };
        addRecord("baseCK", 301, "CK1", "总仓");
    }
    void TearDown() override {
        // The closed windows go (and write their close log entries) while this test's server
        // is still there.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ServerFixture::TearDown();
    }
    // A window of the mode's function code, shown.
    QPointer<TfrmDbBackupRestore> open(int code) {
        QPointer<TfrmDbBackupRestore> w = new TfrmDbBackupRestore;
        w->setTag(code);
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
        return w;
    }
    QStringList backups() {
        const Response r = dm.GetAppServer().call(u"GetProfileBackups"_s, {u"dytv1_1"_s});
        const RecordSet rows = proto::recordSetFromCbor(r.out(0));
        QStringList names;
        for (int i = 0; i < rows.rowCount(); ++i)
            names << rows.at(i, rows.fieldIndex(u"backFileName"_s)).toString();
        return names;
    }
    void ok(TfrmDbBackupRestore* w) { QTest::mouseClick(w->btnOK(), Qt::LeftButton); }
    QString lastMessage() const {
        const QStringList m = script.messages();
        return m.isEmpty() ? QString() : m.last();
    }
    // A click on a row of the backup list.
    static void clickRow(TfrmDbBackupRestore* w, int row) {
        const QRect cell = w->grid()->visualRect(w->grid()->model()->index(row, 1));
        QTest::mouseClick(w->grid()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QStringList started;
};

TEST_F(DbBackupE2E, BackupDeleteAndRestoreThroughTheWindow) {
    QTemporaryDir local;
    auto w = open(dbbackup::kBackupCode);
    EXPECT_EQ(u"账套备份"_s, w->windowTitle());
    EXPECT_EQ(u"sa"_s, w->edAccount()->text());
    const QString name = w->edFileName()->text();
    EXPECT_TRUE(name.startsWith(caption() + u'.') && name.endsWith(u".db"_s)) << name.toStdString();
    // Local: the folder must exist, the file must not; neither reaches the server.
    QTest::mouseClick(w->rbLocal(), Qt::LeftButton);
    w->edLocalPath()->clear();
    test::typeInto(w->edLocalPath(), local.filePath(u"missing"_s));
    ok(w);
    EXPECT_EQ(u"本地备份文件路径设置错误，请检查！"_s, lastMessage());
    w->edLocalPath()->clear();
    test::typeInto(w->edLocalPath(), local.path());
    QFile taken(local.filePath(name));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    ok(w);
    EXPECT_EQ(u"本地备份文件已经存在，请重新命名文件名称！"_s, lastMessage());
    EXPECT_EQ(QStringList(), backups());
    EXPECT_EQ(0, taken.size());
    // Another name: the file comes back from the server, which keeps a copy.
    w->edFileName()->clear();
    test::typeInto(w->edFileName(), u"first.db"_s);
    ok(w);
    const QFileInfo file(local.filePath(u"first.db"_s));
    ASSERT_TRUE(file.size() > 4096) << lastMessage().toStdString();
    EXPECT_EQ(u"账套成功备份到文件: %1 中, 文件大小 %2 K。"_s
                  .arg(QDir::toNativeSeparators(file.filePath()))
                  .arg(file.size() / 1024),
              lastMessage());
    EXPECT_TRUE(test::waitUntil([&] { return w.isNull(); }));
    // A wrong administrator password is the server's refusal; a server-only backup.
    w = open(dbbackup::kBackupCode);
    test::typeInto(w->edPassword(), u"wrong"_s);
    ok(w);
    EXPECT_EQ(u"管理员账号或口令错误"_s, lastMessage());
    w->edPassword()->clear();
    w->edFileName()->clear();
    test::typeInto(w->edFileName(), u"second's.db"_s);
    ok(w);
    EXPECT_EQ(u"数据备份到服务器成功完成"_s, lastMessage());
    EXPECT_EQ((QStringList{u"first.db"_s, u"second's.db"_s}), backups());

    // Business after the backups, then the restore of "first.db" from the server list.
    addRecord("baseCK", 302, "CK2", "门店");
    w = open(dbbackup::kRestoreCode);
    EXPECT_EQ(u"账套恢复"_s, w->windowTitle());
    EXPECT_TRUE(w->findChild<QLabel*>(u"lblRestart"_s)->isVisible());
    ASSERT_EQ(2, w->grid()->rowCount());
    ok(w);
    EXPECT_EQ(u"请先选择你要恢复的服务器备份"_s, lastMessage());
    // Deleting "second's.db", a quote in its name: a wrong password is refused by the server and
    // the record stays.
    clickRow(w, 1);
    test::typeInto(w->edPassword(), u"wrong"_s);
    script.answer(u"确定(&O)"_s, u"您确定要删除备份记录吗？"_s);
    QTest::mouseClick(w->btnDelete(), Qt::LeftButton);
    EXPECT_EQ(u"管理员口令错误"_s, lastMessage());
    EXPECT_EQ(2, backups().size());
    w->edPassword()->clear();
    clickRow(w, 1);
    script.answer(u"确定(&O)"_s, u"删除备份记录"_s);
    QTest::mouseClick(w->btnDelete(), Qt::LeftButton);
    EXPECT_EQ(QStringList{u"first.db"_s}, backups());
    ASSERT_EQ(1, w->grid()->rowCount());
    const QRect cell = w->grid()->visualRect(w->grid()->model()->index(0, 1));
    test::doubleClick(w->grid()->viewport(), cell.center());
    EXPECT_EQ(u"first.db"_s, w->edChosen()->text());
    const QString stampKeys[] = {TLocalCache::goodsStampKey(caption(), 1),
                                 TLocalCache::partnerStampKey(caption(), 1)};
    for (const QString& key : stampKeys)
        clientConfig().write(key, u"2026-01-01 08:00:00"_s);
    ok(w);
    EXPECT_EQ(u"账套恢复成功，系统即将重新启动"_s, lastMessage());
    EXPECT_EQ(301.0, number(u"SELECT SUM(id) FROM baseCK WHERE id IN (301, 302)"_s));
    for (const QString& key : stampKeys)
        EXPECT_EQ(u"2000-01-01"_s, clientConfig().read(key));
    EXPECT_EQ(QStringList{QCoreApplication::applicationFilePath()}, started);
    EXPECT_EQ(1, quits);
    // A restore from the local file the first backup wrote.
    addRecord("baseCK", 303, "CK3", "门店");
    w = open(dbbackup::kRestoreCode);
    QTest::mouseClick(w->rbFromLocal(), Qt::LeftButton, {},
                      QPoint(6, w->rbFromLocal()->height() / 2));
    test::typeInto(w->edLocalFile(), file.filePath() + u".gone"_s);
    ok(w);
    EXPECT_EQ(u"要恢复的本地文件不存在，请检查"_s, lastMessage());
    w->edLocalFile()->clear();
    test::typeInto(w->edLocalFile(), file.filePath());
    ok(w);
    EXPECT_EQ(u"账套恢复成功，系统即将重新启动"_s, lastMessage());
    EXPECT_EQ(-1.0, number(u"SELECT id FROM baseCK WHERE id = 303"_s));
}

// The repair asks twice; cancelling the second question sends nothing; then it runs.
TEST_F(DbBackupE2E, RepairAsksTwiceAndReportsTheOutcome) {
    // Stock that went astray behind the ledger: the opening says 2.
    addGoods(7, "SP07", "螺丝", 71, "个");
    exec(
        {"INSERT INTO iniGoodsStock(goodsid, stockid, goodspc, qty, price, total) VALUES "
         "(7, 301, 0, 2, 3, 6)",
         "INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, qty, price, total) VALUES "
         "(7, 301, 0, 5, 3, 15)"});
    openAccounts();
    const QString stock = u"SELECT qty FROM baseGoodsStock WHERE goodsid = 7"_s;
    auto* w = new TfrmSysDatabaseRepair;
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    script.answer(u"确认(&O)"_s, u"《账套修复》前先做账套备份"_s)
        .answer(u"取消(&C)"_s, u"请再次确认《账套修复》"_s);
    QTest::mouseClick(w->btnOK(), Qt::LeftButton);
    EXPECT_EQ(QStringList(), script.messages());
    ASSERT_TRUE(w->isVisible());
    EXPECT_EQ(5.0, number(stock));
    script.answer(u"确认(&O)"_s).answer(u"确认(&O)"_s);
    QTest::mouseClick(w->btnOK(), Qt::LeftButton);
    EXPECT_EQ(QStringList{u"操作已成功！"_s}, script.messages());
    EXPECT_EQ(2.0, number(stock));
}

}  // namespace
}  // namespace dyt::client
