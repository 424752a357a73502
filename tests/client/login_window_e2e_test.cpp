// The login window against a real dyt-server, and a whole session at the keyboard and mouse.

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <cmath>
#include <cstdio>
#include <tuple>

#include "client/bills/frmbillabstract.h"
#include "client/base/frminiwindows.h"
#include "client/bills/frmbilljhd.h"
#include "client/queries/frmqkczkb.h"
#include "client/queries/frmstockwindows.h"
#include "client/system/frminitover.h"
#include "client/bills/frmbillskd.h"
#include "client/logic/clientconfig.h"
#include "client/common/frmlogin.h"
#include "client/common/frmprofileproperties.h"
#include "client/common/gridview.h"
#include "client/logic/localcache.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "common/currency.h"
#include "client/common/syslogin.h"
#include "client/shell/mainwindow.h"
#include "client/shell/startup.h"
#include "dmtest_support.h"
#include "support/serverprocess.h"

using namespace dyt;
using namespace dyt::client;

namespace {

class LoginWindowEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        resetSession();
        setRunMode(kFullMode);
        test::reportFaultsToTest(script);
        ASSERT_TRUE(dir.isValid());
        openClientConfig(dir.path());
        sysLogin().LoggedIn = false;
        sysLogin().setProgramEnding(false);
        sysLogin().AllowDateChange = true;
        dm = std::make_unique<TdmMain>();
        dm->programDir = test::binDir();
        dm->quitApplication = [this] { ++quits; };
        dm->startProgram = [this](const QString& program, const QStringList&) {
            started.append(program);
        };
    }
    void TearDown() override {
        dm.reset();
        server.stop();
        closeClientConfig();
        sysLogin().LoggedIn = false;
        sysLogin().localServer = u"127.0.0.1"_s;
        sysLogin().childWindowCount = nullptr;
        sysLogin().closeChildWindows = nullptr;
        sysLogin().onLoggedIn = nullptr;
        sysLogin().cacheStep = nullptr;
        resetSession();
    }
    // Starts the server with the administrator password (or the configuration lines given); the
    // local-server names lead to it.
    void startServer(const QString& adminPassword, const QByteArray& lines = {}) {
        const QString conf = dir.filePath(u"server.ini"_s);
        QFile f(conf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(lines.isEmpty() ? "adminpassword=" + adminPassword.toUtf8() + "\n" : lines);
        f.close();
        ASSERT_TRUE(server.start({u"--config"_s, conf})) << server.error().toStdString();
        sysLogin().localServer = server.address();
    }
    QString cell(TfrmLogin& w, int row, int column) const {
        const QTableWidgetItem* item = w.profileList()->item(row, column);
        return item ? item->text() : u"<none>"_s;
    }
    int rowOf(TfrmLogin& w, const QString& caption) const {
        for (int r = 0; r < w.profileList()->rowCount(); ++r)
            if (cell(w, r, kColCaption) == caption)
                return r;
        return -1;
    }
    ScriptedPrompter script;
    PrompterOverride override_{&script};
    QTemporaryDir dir;
    test::ServerProcess server;
    std::unique_ptr<TdmMain> dm;
    QStringList started;
    int quits = 0;
};

}  // namespace

TEST_F(LoginWindowEndToEnd,
       AccountSetsAreCreatedHiddenShownAndDeletedWithTheAdministratorPassword) {
    startServer(u"geheim"_s);
    TfrmLogin w(0, dir.path());
    QString password = u"geheim"_s;
    QString name = u"默认账套"_s;
    w.runProfileDialog = [&](TfrmProfileProperties& d) {
        if (d.mode() == TfrmProfileProperties::Mode::Create && !name.isEmpty())
            d.setProfileCaption(name);
        d.setAdminPassword(password);
        return true;
    };
    script.answer(u"确定"_s);
    w.serverEdit()->setEditText(u"."_s);
    w.btnLoginClick();
    ASSERT_EQ(1, w.step()) << script.messages().join(QLatin1Char('|')).toStdString();
    // Create: a wrong administrator password answers the server's message.
    password = u"falsch"_s;
    name = u"乙公司"_s;
    w.btnCreateClick();
    EXPECT_EQ(QStringList{u"管理员账号或口令错误"_s}, script.messages());
    EXPECT_EQ(-1, rowOf(w, u"乙公司"_s));
    password = u"geheim"_s;
    w.btnCreateClick();
    ASSERT_NE(-1, rowOf(w, u"乙公司"_s));
    EXPECT_EQ(4, w.profileList()->rowCount());
    script.clearRecords();
    // Ctrl+A: wrong, then right administrator password.
    script.enter(u"falsch"_s);
    w.hiddenKey(Qt::Key_A);
    EXPECT_FALSE(w.showHidden());
    ASSERT_EQ(1, script.records(PromptKind::Message).size());
    EXPECT_EQ(u"系统提示"_s, script.records(PromptKind::Message)[0].caption);
    script.enter(u"geheim"_s);
    w.hiddenKey(Qt::Key_A);
    EXPECT_TRUE(w.showHidden());
    // Ctrl+Q hides "乙公司"; after Ctrl+S it is gone from the list, after Ctrl+A it is back
    // marked "是", and Ctrl+W shows it again.
    w.profileList()->setCurrentCell(rowOf(w, u"乙公司"_s), kColCaption);
    script.answer(u"是(&O)"_s, u"是否确定要隐藏账套:[乙公司]"_s);
    w.hiddenKey(Qt::Key_Q);
    EXPECT_EQ(u"是"_s, cell(w, rowOf(w, u"乙公司"_s), kColHidden));
    w.hiddenKey(Qt::Key_S);
    EXPECT_EQ(-1, rowOf(w, u"乙公司"_s));
    script.enter(u"geheim"_s);
    w.hiddenKey(Qt::Key_A);
    ASSERT_NE(-1, rowOf(w, u"乙公司"_s));
    w.profileList()->setCurrentCell(rowOf(w, u"乙公司"_s), kColCaption);
    script.answer(u"是(&O)"_s, u"是否确定要显示账套:[乙公司]"_s);
    w.hiddenKey(Qt::Key_W);
    EXPECT_EQ(u"否"_s, cell(w, rowOf(w, u"乙公司"_s), kColHidden));
    w.hiddenKey(Qt::Key_S);
    EXPECT_NE(-1, rowOf(w, u"乙公司"_s));
    // Delete: wrong, then right administrator password.
    script.clearRecords();
    w.profileList()->setCurrentCell(rowOf(w, u"乙公司"_s), kColCaption);
    password = u"falsch"_s;
    w.btnDeleteClick();
    EXPECT_EQ(QStringList{u"管理员账号或口令错误"_s}, script.messages());
    EXPECT_NE(-1, rowOf(w, u"乙公司"_s));
    password = u"geheim"_s;
    w.btnDeleteClick();
    EXPECT_EQ(-1, rowOf(w, u"乙公司"_s));
    EXPECT_NE(-1, rowOf(w, u"默认账套"_s));
    EXPECT_EQ(0, quits);
}
TEST_F(LoginWindowEndToEnd, RememberedServerAndAccountSetSkipToTheOperatorStep) {
    startServer(QString(), "rememberprofile=1\n");
    ASSERT_TRUE(dm->ConnectServer(server.address(), false, 1));
    const Response r = dm->GetAppServer().call(u"CreateProfile"_s,
                                               {u"甲公司"_s, u"甲公司"_s, QString(), QString()});
    ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
    TfrmLogin probe(0, dir.path());
    probe.loadProfileList();
    const QString dbName = probe.focusedDbName();
    ASSERT_FALSE(dbName.isEmpty());
    dm->Disconnect();
    // The server forces remembering; the remembered server and account set take the window to
    // the operator step at once.
    clientConfig().write(configkey::serverIp(), u"本机"_s);
    clientConfig().write(configkey::profileName(), dbName);
    clientConfig().write(configkey::remember(), u"0"_s);
    TfrmLogin off(0, dir.path());
    off.FormShow();
    EXPECT_EQ(0, off.step());
    clientConfig().write(configkey::remember(), u"1"_s);
    TfrmLogin w(0, dir.path());
    w.FormShow();
    EXPECT_EQ(2, w.step()) << script.messages().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(dm->Connected());
    EXPECT_EQ(u"1"_s, clientConfig().read(configkey::remember()));
    EXPECT_EQ(u"本地计算机"_s, w.serverEdit()->currentText());
    ASSERT_GE(w.userBox()->count(), 1);
    w.btnLoginClick();
    EXPECT_EQ(QDialog::Accepted, w.result());
    EXPECT_EQ(u"甲公司"_s, loginedUser().ProfileCaption);
}

namespace {

// The path of menus from the bar down to the command with the text.
bool menuPath(const QList<QAction*>& actions, const QString& text, QList<QAction*>* path) {
    for (QAction* a : actions) {
        if (a->isSeparator())
            continue;
        path->append(a);
        if (a->menu() ? menuPath(a->menu()->actions(), text, path) : a->text() == text)
            return true;
        path->removeLast();
    }
    return false;
}
// Clicks through the menus of the bar to the command, as a person does.
void chooseMenuEntry(QMenuBar* bar, const QString& text) {
    QList<QAction*> path;
    ASSERT_TRUE(menuPath(bar->actions(), text, &path)) << text.toStdString();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(path.first()).center());
    for (int i = 1; i < path.size(); ++i) {
        QMenu* menu = path.at(i - 1)->menu();
        ASSERT_TRUE(menu->isVisible()) << menu->title().toStdString();
        QTest::mouseMove(menu, menu->actionGeometry(path.at(i)).center());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(path.at(i)).center());
        QTest::qWait(30);  // a sub-menu opens after its delay
    }
}
// Logs in through the login window when it shows: Enter on the local server, Down `downs` times
// and Enter in the account-set list, Enter with operator 1's empty password.
void logInWithKeys(int downs) {
    test::onNextModal([downs](QWidget* modal) {
        auto* w = qobject_cast<TfrmLogin*>(modal);
        if (!w) {
            ADD_FAILURE() << "not the login window: " << modal->metaObject()->className();
            modal->close();
            return;
        }
        QTest::keyClick(w, Qt::Key_Return);
        EXPECT_EQ(1, w->step());
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(w->profileList(), Qt::Key_Down);
        QTest::keyClick(w->profileList(), Qt::Key_Return);
        EXPECT_EQ(2, w->step());
        QTest::keyClick(w->passwordEdit(), Qt::Key_Return);
        if (w->isVisible()) {
            ADD_FAILURE() << "the login window stayed open";
            w->reject();
        }
    });
}

}  // namespace

TEST_F(LoginWindowEndToEnd, ReceiptLeftUnsavedThenAccountSetChangedThroughTheMenu) {
    startServer(QString());
    ASSERT_TRUE(dm->ConnectServer(server.address(), false, 1));
    for (const QString& caption : {u"甲账套"_s, u"乙账套"_s}) {
        const Response r =
            dm->GetAppServer().call(u"CreateProfile"_s, {caption, caption, u"sa"_s, QString()});
        ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
    }
    dm.reset();  // the client's own data module takes over
    TLocalCache cache(dir.path());
    ClientObjects objects = startUp({}, nullptr, dir.path());
    // The main window goes before its data module, also when the test stops early.
    struct InOrder {
        ClientObjects& o;
        ~InOrder() {
            o.main.reset();
            o.dm.reset();
        }
    } inOrder{objects};
    TfrmMain& main = *objects.main;
    objects.dm->programDir = test::binDir();
    objects.dm->quitApplication = [this] { ++quits; };
    objects.dm->startProgram = [this](const QString& program, const QStringList&) {
        started.append(program);
    };
    wireLogin(main, *objects.dm);
    main.resize(1200, 800);
    logInWithKeys(0);
    main.show();
    for (int i = 0; i < 300 && !main.activated(); ++i)
        QTest::qWait(10);
    ASSERT_TRUE(main.activated());
    ASSERT_EQ(u"甲账套"_s, loginedUser().ProfileCaption);
    objects.dm->ExecUpdate(
        QStringLiteral("INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) "
                       "VALUES (201, 0, '201,', 1, 0, 'K1', '甲客户')"));
    const int before = main.tabStrip()->count();
    const auto listed = [&main] {
        return QList<int>{main.tabStrip()->count(),
                          static_cast<int>(main.windowListBar()->actions().size()),
                          static_cast<int>(main.workspace()->subWindowList().size())};
    };
    const QList<int> empty = listed();
    // The receipt: its partner picked (Space on "…", a double-click in the selection), then "退出"
    // and "废弃退出".
    chooseMenuEntry(main.menuBar(), u"收款单"_s);
    ASSERT_EQ(before + 1, main.tabStrip()->count());
    auto* bill = qobject_cast<TfrmBillSKD*>(main.childWindows().last());
    ASSERT_NE(nullptr, bill);
    test::onNextModal([](QWidget* modal) {
        auto* grid = modal->findChild<GridView*>(u"grdBase"_s);
        if (grid && grid->model() && grid->model()->rowCount() > 0) {
            QTableView* table = grid->table();
            test::doubleClick(table->viewport(), table->visualRect(table->currentIndex()).center());
        }
        if (modal->isVisible()) {
            ADD_FAILURE() << "the selection stayed open";
            QTest::keyClick(modal, Qt::Key_Escape);
        }
    });
    QTest::keyClick(bill->findChild<QToolButton*>(u"btn_wldw_id"_s), Qt::Key_Space);
    EXPECT_EQ(u"甲客户"_s, bill->eddw()->text());
    test::walkStep(u"receipt"_s);
    script.answer(billtext::discardAndExit(), billtext::closeQuestion());
    QTest::mouseClick(bill->toolBar()->widgetForAction(bill->btnExit()), Qt::LeftButton);
    EXPECT_TRUE(test::waitUntil([&] { return listed() == empty; }))  // no tab, button or frame
        << listed().value(0);
    test::walkStep(u"discarded"_s);
    // "更换账套或操作员" from its menu, the login in 乙账套 with keys, then a new receipt there.
    if (main.otherWindowsOpen())
        script.answer(u"继续"_s, logintext::closeWindowsQuestion());
    logInWithKeys(1);
    chooseMenuEntry(main.menuBar(), u"更换账套或操作员"_s);
    EXPECT_EQ(u"乙账套"_s, loginedUser().ProfileCaption);
    EXPECT_FALSE(main.otherWindowsOpen());
    test::walkStep(u"logged-in-again"_s);
    chooseMenuEntry(main.menuBar(), u"收款单"_s);
    ASSERT_NE(nullptr, qobject_cast<TfrmBillSKD*>(main.childWindows().last()));
    QTest::keyClick(main.childWindows().last(), Qt::Key_Escape);
    EXPECT_TRUE(test::waitUntil([&] { return listed() == empty; }));
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(0, quits);
    objects.main.reset();
    objects.dm.reset();
}

namespace {

// Types into the field "ed" + key of an input dialog, then Enter (the last field's Enter is OK).
void typeField(QWidget* dialog, const char* key, const QString& text) {
    auto* e = dialog->findChild<QLineEdit*>(u"ed"_s + QLatin1String(key));
    ASSERT_NE(nullptr, e) << key;
    QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(e, text);
    QTest::keyClick(e, Qt::Key_Return);
}
// The next modal input dialog gets these fields typed, in order.
void fillNextDialog(QList<std::pair<const char*, QString>> fields) {
    test::onNextModal([fields](QWidget* d) {
        for (const auto& [key, text] : fields)
            typeField(d, key, text);
        if (d->isVisible()) {
            ADD_FAILURE() << "the input dialog stayed open";
            QTest::keyClick(d, Qt::Key_Escape);
        }
    });
}
// Picks the one row a selection window shows for the text typed in its search box.
void pickNext(const QString& text) {
    test::onNextModal([text](QWidget* w) {
        auto* search = w->findChild<QLineEdit*>(u"edFilter"_s);
        auto* grid = w->findChild<GridView*>();
        if (!search || !grid) {
            ADD_FAILURE() << "not a selection: " << w->metaObject()->className() << " "
                          << w->windowTitle().toStdString();
            w->close();
            return;
        }
        QTest::keyClick(search, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(search, text);
        test::waitUntil([grid] { return grid->model() && grid->model()->rowCount() == 1; });
        QTest::keyClick(grid->table(), Qt::Key_Return);
        if (w->isVisible()) {
            ADD_FAILURE() << "the selection stayed open";
            QTest::keyClick(w, Qt::Key_Escape);
        }
    });
}
// Keys go where the focus is, as on the keyboard; the main window is made active when nothing
// has the focus (after a modal window closed).
void keysTo(TfrmMain& main, const QString& text, Qt::Key key = Qt::Key_Return,
            Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    if (!QApplication::focusWidget()) {
        main.activateWindow();
        QTest::qWait(50);
    }
    // Each key to the widget that has the focus then: a cell's first key opens its editor.
    for (const QChar c : text) {
        ASSERT_NE(nullptr, QApplication::focusWidget()) << "no focus for " << text.toStdString();
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
    }
    ASSERT_NE(nullptr, QApplication::focusWidget()) << "no focus for the key";
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}
template <typename W>
W* lastChild(TfrmMain& main) {
    return main.childWindows().isEmpty() ? nullptr
                                         : qobject_cast<W*>(main.childWindows().last());
}

}  // namespace

// A new company at the keyboard: the default account set created at the login, the opening
// stock of an average-cost and of a batch goods, an opening receivable and cash, the books
// opened, a first purchase and sale, and their figures in the reports and balances; afterwards
// the opening cannot be reversed and a bill dated before it is refused by the server.
TEST_F(LoginWindowEndToEnd, ANewCompanyOpensItsBooksAndPostsItsFirstBills) {
    startServer(QString());
    TLocalCache cache(dir.path());
    dm.reset();
    ClientObjects objects = startUp({}, nullptr, dir.path());
    TfrmMain& main = *objects.main;
    objects.dm->programDir = test::binDir();
    wireLogin(main, *objects.dm);
    main.resize(1400, 900);
    // The fresh server gets "默认账套": the offer confirmed, its dialog taken with Enter.
    script.answer(u"确定"_s, u"系统将自动为你创建默认账套"_s);
    test::onNextModal([](QWidget* modal) {
        auto* login = qobject_cast<TfrmLogin*>(modal);
        ASSERT_NE(nullptr, login);
        test::onNextModal([](QWidget* profile) { QTest::keyClick(profile, Qt::Key_Return); });
        QTest::keyClick(login, Qt::Key_Return);
        EXPECT_EQ(1, login->step());
        QTest::keyClick(login->profileList(), Qt::Key_Return);
        QTest::keyClick(login->passwordEdit(), Qt::Key_Return);
        if (login->isVisible()) {
            ADD_FAILURE() << "the login window stayed open";
            login->reject();
        }
    });
    main.show();
    ASSERT_TRUE(test::waitUntil([&main] { return main.activated(); }));
    ASSERT_EQ(u"默认账套"_s, loginedUser().ProfileCaption);
    TdmMain& d = *objects.dm;
    for (const char* sql :
         {"INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname, costmode) "
          "VALUES (101, 0, '101,', 1, 0, 'SP101', '螺丝', 0), (102, 0, '102,', 1, 0, 'SP102', "
          "'齿轮', 2)",
          "INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate) VALUES (1011, 101, 0, '个', "
          "1), (1021, 102, 0, '只', 1)",
          "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES (201, "
          "0, '201,', 1, 0, 'K1', '甲客户'), (203, 0, '203,', 1, 0, 'G1', '华东五金')",
          "INSERT INTO baseCK(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES (301, 0, "
          "'301,', 1, 0, 'CK1', '总仓')"})
        d.ExecUpdate(QString::fromUtf8(sql));
    const auto number = [&d](const QString& sql) {
        RecordSet rs;
        d.ExecQuery(sql, &rs);
        return rs.recordCount() ? std::round(rs.at(0, 0).toDouble() * 100) / 100 : -1.0;
    };
    const auto account = [&number](const char* role) {
        return number(u"SELECT Total FROM baseKM WHERE id = (SELECT km_id FROM sysSubjectInterface "
                      "WHERE type = 0 AND name = '%1')"_s.arg(QString::fromUtf8(role)));
    };

    {
        SCOPED_TRACE("opening stock");
        chooseMenuEntry(main.menuBar(), u"期初库存商品"_s);
        auto* w = lastChild<TfrmIniGoodsStock>(main);
        ASSERT_NE(nullptr, w);
        pickNext(u"CK1"_s);
        QTest::keyClick(w->edWarehouse(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w->edWarehouse(), u"CK1"_s);
        QTest::keyClick(w->edWarehouse(), Qt::Key_Return);
        ASSERT_EQ(u"总仓"_s, w->edWarehouse()->text());
        QTableView* table = w->dbgvX()->table();
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Home);
        fillNextDialog({{"qty", u"10"_s}, {"total", u"100"_s}});
        QTest::keyClick(table, Qt::Key_Return);  // 101, by moving average
        QTest::keyClick(table, Qt::Key_Down);
        QTest::keyClick(table, Qt::Key_Return);  // 102, batch by batch
        auto* batches = lastChild<TfrmBaseKCPCB>(main);
        ASSERT_NE(nullptr, batches);
        for (const auto& [ph, qty, total] : {std::tuple{"P1", "4", "20"}, {"P2", "6", "36"}}) {
            fillNextDialog({{"ph", QString::fromLatin1(ph)},
                            {"qty", QString::fromLatin1(qty)},
                            {"total", QString::fromLatin1(total)}});
            QTest::keyClick(batches->dbgvX()->table(), Qt::Key_Insert);
        }
        EXPECT_EQ(2, batches->model()->rowCount());
        test::walkStep(u"opening-stock"_s);
        EXPECT_EQ(156, account("库存商品"));
    }
    {
        SCOPED_TRACE("opening receivable and cash");
        chooseMenuEntry(main.menuBar(), u"期初应收应付"_s);
        auto* p = lastChild<TfrmIniYSYF>(main);
        ASSERT_NE(nullptr, p);
        QTest::keyClicks(p->edSearch(), u"K1"_s);
        QTest::keyClick(p->edSearch(), Qt::Key_Return);
        ASSERT_TRUE(test::waitUntil([p] { return p->model()->rowCount() == 1; }));
        fillNextDialog({{"ysTotal", u"300"_s}, {"yfTotal", u""_s}, {"yuShouTotal", u""_s},
                        {"yufuTotal", u""_s}});
        p->dbgvX()->table()->setFocus();
        QTest::keyClick(p->dbgvX()->table(), Qt::Key_Return);
        chooseMenuEntry(main.menuBar(), u"期初现金银行"_s);
        auto* k = lastChild<TfrmIniKmData>(main);
        ASSERT_NE(nullptr, k);
        k->dbgvX()->table()->setFocus();
        QTest::keyClick(k->dbgvX()->table(), Qt::Key_Home);
        fillNextDialog({{"Total", u"500"_s}});
        QTest::keyClick(k->dbgvX()->table(), Qt::Key_F2);
        EXPECT_EQ(u"300|500"_s, QString::number(account("应收账款")) + u'|' +
                                    QString::number(number(u"SELECT Total FROM baseKM WHERE "
                                                           "code = '103'"_s)));
    }
    const auto initOver = [&](bool reverse) {
        test::onNextModal([reverse](QWidget* modal) {
            auto* o = qobject_cast<TfrmInitOver*>(modal);
            ASSERT_NE(nullptr, o);
            QTest::mouseClick(reverse ? o->btnReverse() : o->btnOpen(), Qt::LeftButton);
            if (o->isVisible())
                QTest::keyClick(o, Qt::Key_Escape);
        });
        chooseMenuEntry(main.menuBar(), u"期初完成..开账"_s);
    };
    initOver(false);
    EXPECT_EQ(u"开账操作成功！"_s, script.messages().value(script.messages().size() - 1));
    EXPECT_EQ(1, settings().IsOpen);

    const auto enterBill = [&](const char* menu, const QString& partner, const QString& goods,
                               const QString& qty, const QString& price, const QDate& date) {
        chooseMenuEntry(main.menuBar(), QString::fromUtf8(menu));
        auto* bill = lastChild<TfrmGoodsBill>(main);
        EXPECT_NE(nullptr, bill);
        if (!bill)
            return qint64(0);
        bill->edBillDate()->setDate(date);
        main.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&main));
        bill->headerControl(u"eddw"_s)->setFocus();
        pickNext(partner);
        keysTo(main, partner);
        for (int i = 0; i < 40 && bill->focusWidget() != bill->dbgvX()->table(); ++i)
            keysTo(main, QString());
        for (const QString& typed : {goods, qty, price})
            keysTo(main, typed);
        qint64 id = 0;
        QObject::connect(bill, &TfrmBillAbstract::billSaved, [&id](qint64 saved) { id = saved; });
        keysTo(main, QString(), Qt::Key_S, Qt::ControlModifier);
        return id;
    };
    const QDate today = settings().LoginDate;
    EXPECT_GT(enterBill("进货单", u"G1"_s, u"SP101"_s, u"5"_s, u"12"_s, today), 0)
        << script.messages().join(u'|').toStdString();
    EXPECT_GT(enterBill("销售单", u"K1"_s, u"SP101"_s, u"4"_s, u"20"_s, today), 0)
        << script.messages().join(u'|').toStdString();
    test::walkStep(u"first-bills"_s);

    // 101: 10 at 10 and 5 at 12, 4 sold at the average 10.6667; 102 as opened.
    chooseMenuEntry(main.menuBar(), u"库存状况表"_s);
    auto* status = lastChild<TfrmQKCZKB>(main);
    ASSERT_NE(nullptr, status);
    QTest::mouseClick(status->toolBar()->widgetForAction(status->btnRefurbish()), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([status] { return status->model()->rowCount() == 2; }));
    QStringList rows;
    for (int r = 0; r < 2; ++r) {
        const RecordSet& rs = status->records();
        rows << u"%1|%2|%3"_s.arg(rs.at(r, rs.fieldIndex(u"sp_spbh"_s)).toString())
                    .arg(rs.at(r, rs.fieldIndex(u"stockqty"_s)).toDouble())
                    .arg(std::round(rs.at(r, rs.fieldIndex(u"stockTotal"_s))
                                        .value<Currency>()
                                        .toDouble() *
                                    100) /
                         100);
    }
    EXPECT_EQ(u"SP101|11|117.33 SP102|10|56"_s, rows.join(u' '));
    EXPECT_EQ(u"380|60|500|173.33"_s,
              u"%1|%2|%3|%4"_s.arg(number(u"SELECT ystotal FROM baseWLDW WHERE id = 201"_s))
                  .arg(number(u"SELECT yftotal FROM baseWLDW WHERE id = 203"_s))
                  .arg(number(u"SELECT Total FROM baseKM WHERE code = '103'"_s))
                  .arg(account("库存商品")));

    // The opening cannot be reversed now, and nothing is dated before it.
    initOver(true);
    EXPECT_EQ(u"已经有过账单据，不能反开账！"_s, script.messages().value(script.messages().size() - 1));
    EXPECT_EQ(1, settings().IsOpen);
    EXPECT_EQ(0, enterBill("进货单", u"G1"_s, u"SP102"_s, u"1"_s, u"5"_s, today.addDays(-1)));
    EXPECT_TRUE(script.messages().last().contains(u"早于开账日期"_s))
        << script.messages().last().toStdString();
}
