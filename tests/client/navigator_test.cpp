// The navigator page: links, tiles, the common-functions page, the stored page, clicks, F1; the
// same against a real dyt-server, and the pictures the build drew for the navigator and the shell.
// The common-functions dialog: the two lists and their moves, the limit of 21 and the save.

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

#include "client/common/windowregistry.h"
#include "client/logic/clientconfig.h"
#include "client/shell/mainwindow.h"
#include "client/shell/navigator.h"
#include "client/shell/splash.h"
#include "client/system/frmsyscygn.h"
#include "common/inifile.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "login_support.h"
#include "protocol/protocol.h"
#include "support/serverfixture.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;
using dyt::test::DmFixture;

namespace {

struct MenuRow {
    const char* name;
    const char* code;
    int sonnum;
    int leveal;
    int isbtn;
    int isbj;
};
// A function menu as the server gives it: one row per function, in menu order.
RecordSet menuOf(std::initializer_list<MenuRow> rows) {
    RecordSet rs = test::recordSet({u"Name"_s, u"code"_s, u"sonnum:integer"_s, u"leveal:integer"_s,
                                    u"isbtn:integer"_s, u"isbj:integer"_s, u"hide:integer"_s});
    for (const MenuRow& r : rows) {
        rs.appendRow({QString::fromUtf8(r.name), QString::fromUtf8(r.code), r.sonnum, r.leveal,
                      r.isbtn, r.isbj, 0});
    }
    return rs;
}
struct CommonRow {
    int openCount;
    const char* code;
    const char* name;
};
RecordSet commonOf(std::initializer_list<CommonRow> rows) {
    RecordSet rs = test::recordSet({u"openCount:integer"_s, u"code"_s, u"name"_s});
    for (const CommonRow& r : rows)
        rs.appendRow({r.openCount, QString::fromUtf8(r.code), QString::fromUtf8(r.name)});
    return rs;
}
QStringList texts(const QList<QLabel*>& labels) {
    QStringList out;
    for (QLabel* l : labels)
        out.append(l->text());
    return out;
}
QList<int> tags(const QList<QLabel*>& labels) {
    QList<int> out;
    for (QLabel* l : labels)
        out.append(l->property(kTagProperty).toInt());
    return out;
}
void click(QWidget* w) {
    const QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
}
class NavigatorTest : public test::LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        ASSERT_TRUE(QDir(dir.path()).mkpath(u"images"_s));
        connectLoggedIn(7);
    }
    void TearDown() override {
        nav.reset();
        LoginFixture::TearDown();
    }
    // Puts a picture of the given name into the program folder's images.
    void picture(const QString& name, QSize size = QSize(140, 70)) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::gray);
        ASSERT_TRUE(image.save(QDir(dir.path()).filePath(u"images/"_s + name), "JPG"))
            << name.toStdString();
    }
    void pictures(const QStringList& names) {
        for (const QString& n : names)
            picture(n + u".jpg"_s);
    }
    void makeNavigator() {
        nav = std::make_unique<TfrmNavigator>(dir.path());
        nav->openFunction = [this](int code) { opened.append(code); };
        nav->openUrl = [this](const QUrl& url) { urls.append(url); };
    }
    int storedPage(int userId) {
        IniFile ini(QDir(dir.path()).filePath(u"dytv1config.ini"_s));
        return ini.readInteger(u"_CLIENT_"_s, u"CYGNPAGE%1"_s.arg(userId), -100);
    }
    std::unique_ptr<TfrmNavigator> nav;
    QList<int> opened;
    QList<QUrl> urls;
};

}  // namespace

TEST_F(NavigatorTest,
       LinksOfEachPageFollowItsFilterAtMostFifteenAtTheirPlacesAndRebuiltWhenSelectedAgain) {
    RecordSet menu = menuOf({
        {"采购管理", "3003", 4, 1, 0, 1},
        {"进货单", "2004", 0, 2, 0, 1},  // a bill: not a 3003 code
        {"商品进货统计", "300301", 0, 2, 0, 1},
        {"打印", "30030102", 0, 3, 1, 1},        // an operation right
        {"单位进货统计", "300302", 0, 2, 0, 0},  // not held
        {"进货单据统计", "300313", 3, 2, 0, 1},  // a sub-menu
        {"进货单统计", "30031301", 0, 3, 0, 1},
        {"销售管理", "3004", 2, 1, 0, 1},
        {"商品销售统计", "300401", 0, 2, 0, 1},
        {"仓库管理", "3005", 2, 1, 0, 1},
        {"库存状况表", "300501", 0, 2, 0, 1},
        {"报损单统计", "30051401", 0, 3, 0, 1},
        {"财务管理", "3007", 5, 1, 0, 1},
        {"单位应收应付", "300601", 0, 3, 0, 1},  // level 3, named by code
        {"职员应收应付", "300602", 0, 3, 0, 1},
        {"超期应收款", "300609", 0, 3, 0, 1},
        {"往来单位利润表", "300618", 0, 3, 0, 1},
        {"现金银行", "300701", 0, 2, 0, 1},
        {"部门费用分布表", "30070601", 0, 3, 0, 1},  // level 3: not on the page
        {"年度费用报表", "300705", 0, 2, 0, 0},      // not held
    });
    makeNavigator();
    nav->setMenu(&menu);
    const struct {
        int page;
        QStringList links;
        QList<int> codes;
    } cases[] = {
        {1, {u"商品进货统计"_s, u"进货单统计"_s}, {300301, 30031301}},
        {2, {u"商品销售统计"_s}, {300401}},
        {3, {u"库存状况表"_s, u"报损单统计"_s}, {300501, 30051401}},
        {4,
         {u"单位应收应付"_s, u"超期应收款"_s, u"往来单位利润表"_s, u"现金银行"_s},
         {300601, 300609, 300618, 300701}},
    };
    for (const auto& c : cases) {
        nav->SelectPage(c.page);
        EXPECT_EQ(c.links, texts(nav->links())) << "page " << c.page;
        EXPECT_EQ(c.codes, tags(nav->links())) << "page " << c.page;
        // The menu's filter is off again after the page is built.
        EXPECT_FALSE(menu.filtered()) << "page " << c.page;
        EXPECT_EQ(20, menu.recordCount());
    }
    // At most fifteen links at their places.
    menu = menuOf({});
    for (int i = 0; i < 18; ++i)
        menu.appendRow({u"报表%1"_s.arg(i), QString::number(300301 + i), 0, 2, 0, 1, 0});
    makeNavigator();
    nav->setMenu(&menu);
    nav->SelectPage(1);
    ASSERT_EQ(15, nav->links().size());
    EXPECT_EQ(u"报表14"_s, nav->links().last()->text());
    // One below the other, none over the next.
    for (int i = 1; i < 15; ++i)
        EXPECT_GE(nav->links().at(i)->y(), nav->links().at(i - 1)->geometry().bottom()) << i;
    // Selecting a page again rebuilds its links without the old ones.
    menu = menuOf({{"商品进货统计", "300301", 0, 2, 0, 1},
                   {"单位进货统计", "300302", 0, 2, 0, 1},
                   {"商品销售统计", "300401", 0, 2, 0, 1}});
    auto linkWidgets = [this] {
        int n = 0;
        for (QLabel* l : nav->findChildren<QLabel*>()) {
            if (l->objectName().startsWith(u"lnkFunction"_s))
                ++n;
        }
        return n;
    };
    nav->SelectPage(1);
    EXPECT_EQ(2, linkWidgets());
    nav->SelectPage(1);
    EXPECT_EQ(2, nav->links().size());
    EXPECT_EQ(2, linkWidgets());
    nav->SelectPage(2);
    EXPECT_EQ(QStringList{u"商品销售统计"_s}, texts(nav->links()));
    EXPECT_EQ(1, linkWidgets());
}
TEST_F(NavigatorTest, BillTilesShowWhenTheirPictureExistsAndKeepTheirPlaces) {
    // The stock page without the picture of its second bill kind.
    pictures({u"报损单"_s, u"商品拆装单"_s, u"同价调拨单"_s, u"变价调拨单"_s, u"成本调价单"_s});
    makeNavigator();
    nav->SelectPage(3);
    const QList<QLabel*> tiles = nav->tiles();
    ASSERT_EQ(6, tiles.size());
    EXPECT_EQ((QList<int>{201701, 201702, 201708, 201705, 201706, 201707}), tags(tiles));
    QList<bool> shown;  // the missing picture hides its tile; the others keep their places
    for (QLabel* t : tiles)
        shown.append(!t->isHidden());
    EXPECT_EQ((QList<bool>{true, false, true, true, true, true}), shown);
    EXPECT_EQ(QPoint(320, 90), tiles.at(2)->pos());
    // Without a menu a bill page has no links.
    EXPECT_TRUE(nav->links().isEmpty());
}
TEST_F(NavigatorTest, CommonPageQueriesTheOperatorsFunctionsAndSplitsThem) {
    pictures({u"进货单"_s, u"收款单"_s, u"用户配置"_s, u"商品信息"_s, u"库存状况表"_s});
    answerQuery(commonOf({
        {99999999, "2004", "进货单"},
        {99999999, "2009", "销售单"},  // no picture: the next row takes its place
        {99999999, "300501", "库存状况表"},
        {120, "500401", "用户配置"},
        {80, "1001", "商品信息"},  // base data: neither tile nor link
        {60, "2012", "收款单"},
        {50, "3030", "老板报表"},
        {10, "5013", "常用功能设置"},
    }));
    makeNavigator();
    nav->SelectPage(0);
    ASSERT_EQ(QStringList{u"ExecQuery"_s}, transport->methods(false));
    const QList<QLabel*> tiles = nav->tiles();
    ASSERT_EQ(3, tiles.size());
    EXPECT_EQ((QList<int>{2004, 500401, 2012}), tags(tiles));
    EXPECT_EQ(QPoint(170, 20), tiles.at(1)->pos());  // the next place, not the one of 销售单
    for (QLabel* t : tiles)
        EXPECT_FALSE(t->isHidden());
    EXPECT_EQ((QStringList{u"库存状况表"_s, u"老板报表"_s, u"常用功能设置"_s}),
              texts(nav->links()));
    EXPECT_EQ((QList<int>{300501, 3030, 5013}), tags(nav->links()));
    EXPECT_EQ(8, nav->commonFunctions().rowCount());
}
TEST_F(NavigatorTest, CommonPageFillsAtMostSixTilesInTwoRows) {
    const QStringList names{u"进货单"_s, u"销售单"_s, u"收款单"_s,   u"付款单"_s,
                            u"报损单"_s, u"报溢单"_s, u"进货订单"_s, u"销售订单"_s};
    pictures(names);
    RecordSet rows = commonOf({});
    for (int i = 0; i < names.size(); ++i)
        rows.appendRow({1000 - i, QString::number(2003 + i), names.at(i)});
    answerQuery(rows);
    makeNavigator();
    nav->SelectPage(0);
    ASSERT_EQ(6, nav->tiles().size());
    EXPECT_EQ(names.at(5), nav->tiles().at(5)->toolTip());
    EXPECT_EQ(QPoint(20, 170), nav->tiles().at(3)->pos());  // the second row
    EXPECT_TRUE(nav->links().isEmpty());                    // the bill codes are never links
    ASSERT_NE(nullptr, nav->findChild<QLabel*>(u"lblNoLinks"_s));
    EXPECT_FALSE(nav->findChild<QLabel*>(u"lblNoLinks"_s)->isHidden());
}
TEST_F(NavigatorTest, RefreshReadsTheCommonFunctionsAgainOnlyOnTheCommonPageAFailureIsShown) {
    pictures({u"进货单"_s, u"销售单"_s});
    answerQuery(commonOf({{5, "2004", "进货单"}}));
    makeNavigator();
    nav->SelectPage(0);
    EXPECT_EQ(1, nav->tiles().size());
    answerQuery(commonOf({{99999999, "2009", "销售单"}, {5, "2004", "进货单"}}));
    nav->refreshCommonFunctions();
    EXPECT_EQ(2, nav->tiles().size());
    EXPECT_EQ(u"销售单"_s, nav->tiles().at(0)->toolTip());
    EXPECT_EQ(2, transport->methods(false).size());
    nav->SelectPage(1);
    nav->refreshCommonFunctions();  // not on display: nothing is read
    EXPECT_EQ(2, transport->methods(false).size());
    // A failed query is shown and the page still stored.
    transport->fail(u"ExecQuery"_s, u"对象名 'sysPurview' 无效。"_s);
    makeNavigator();
    nav->SelectPage(0);
    EXPECT_EQ(QStringList{u"对象名 'sysPurview' 无效。"_s}, script.messages());
    EXPECT_TRUE(nav->tiles().isEmpty());
    EXPECT_EQ(0, storedPage(7));
}
TEST_F(NavigatorTest, MaintenanceTilesBillTilesAndLinksOpenTheirFunctions) {
    pictures({u"用户配置"_s, u"用户及权限设置"_s, u"修改密码"_s, u"数据备份"_s, u"数据恢复"_s,
              u"联系我们"_s});
    makeNavigator();
    nav->SelectPage(5);
    const QList<QLabel*> tiles = nav->tiles();
    ASSERT_EQ(6, tiles.size());
    EXPECT_EQ((QList<int>{500401, 500402, 5003, 5006, 5005, 0}), tags(tiles));
    EXPECT_TRUE(transport->methods(false).isEmpty());
    click(tiles.at(1));
    click(tiles.at(5));  // "联系我们": the maker's web site, no function
    EXPECT_EQ(QList<int>{500402}, opened);
    EXPECT_EQ(QList<QUrl>{navpage::contactUrl()}, urls);
    // A bill tile and a link of another page open their functions too.
    pictures({u"进货单"_s, u"进货退货单"_s, u"付款单"_s});
    RecordSet menu = menuOf({{"商品进货统计", "300301", 0, 2, 0, 1}});
    nav->setMenu(&menu);
    nav->SelectPage(1);
    ASSERT_EQ(3, nav->tiles().size());
    ASSERT_EQ(1, nav->links().size());
    click(nav->tiles().at(2));
    click(nav->links().at(0));
    click(nav->tiles().at(0));
    EXPECT_EQ((QList<int>{500402, 2007, 300301, 2004}), opened);
}
TEST_F(NavigatorTest,
       PageIsStoredPerOperatorOddIndexesAsTheySayTheSelectedCategoryShowsItsSecondPicture) {
    RecordSet menu = menuOf({{"商品进货统计", "300301", 0, 2, 0, 1}});
    makeNavigator();
    nav->setMenu(&menu);
    nav->SelectPage(3);
    EXPECT_EQ(3, storedPage(7));
    EXPECT_EQ(3, nav->currentPage());
    loginedUser().UserId = 9;
    nav->SelectPage(1);
    EXPECT_EQ(1, storedPage(9));
    EXPECT_EQ(3, storedPage(7));
    ASSERT_EQ(1, nav->links().size());
    // Above 6: stored, no page built (the links of the last page stay).
    nav->SelectPage(8);
    EXPECT_EQ(8, storedPage(9));
    EXPECT_EQ(8, nav->currentPage());
    EXPECT_EQ(1, nav->links().size());
    // Negative: only the category pictures, nothing stored.
    nav->SelectPage(-1);
    EXPECT_EQ(8, storedPage(9));
    EXPECT_EQ(8, nav->currentPage());
    // The selected category shows its second picture.
    for (const QString& name : navpage::categoryNames()) {
        picture(name + u"1.jpg"_s, QSize(100, 40));
        picture(name + u"2.jpg"_s, QSize(100, 40));
    }
    QFile::remove(QDir(dir.path()).filePath(u"images/财务管理1.jpg"_s));
    makeNavigator();
    nav->SelectPage(2);
    for (int i = 0; i < 7; ++i) {
        const QString name = navpage::categoryNames().at(i);
        QString expected;
        if (i == 2)
            expected = u"images/销售管理2.jpg"_s;
        else if (i != 4)
            expected = u"images/"_s + name + u"1.jpg"_s;
        EXPECT_EQ(expected.isEmpty() ? QString() : QDir(dir.path()).filePath(expected),
                  nav->categoryPictureShown(i))
            << i;
        EXPECT_EQ(i, nav->categoryButtons().at(i)->property(kTagProperty).toInt());
    }
    // The button without its picture still names its category.
    EXPECT_EQ(u"财务管理"_s, nav->categoryButtons().at(4)->text());
    nav->SelectPage(-1);
    EXPECT_EQ(QDir(dir.path()).filePath(u"images/销售管理1.jpg"_s), nav->categoryPictureShown(2));
    // A click on a category button selects its page.
    nav->categoryButtons().at(5)->click();
    EXPECT_EQ(5, nav->currentPage());
    EXPECT_EQ(QDir(dir.path()).filePath(u"images/系统维护2.jpg"_s), nav->categoryPictureShown(5));
}
TEST_F(NavigatorTest, UpgradePageLiesOverTheContentUntilAnotherPageIsChosenAndF1OpensHelp) {
    makeNavigator();
    nav->SelectPage(6);
    EXPECT_FALSE(nav->upgradePanel()->isHidden());
    auto* open = nav->upgradePanel()->findChild<QPushButton*>(u"btnOpenUpgrade"_s);
    ASSERT_NE(nullptr, open);
    open->click();
    EXPECT_EQ(QList<QUrl>{navpage::upgradeUrl()}, urls);
    nav->SelectPage(5);
    EXPECT_TRUE(nav->upgradePanel()->isHidden());
    // F1 opens the help file when it exists.
    urls.clear();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QCoreApplication::sendEvent(nav.get(), &f1);
    EXPECT_TRUE(urls.isEmpty());
    QFile help(QDir(dir.path()).filePath(u"Help.chm"_s));
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.write("ITSF");
    help.close();
    QCoreApplication::sendEvent(nav.get(), &f1);
    ASSERT_EQ(1, urls.size());
    EXPECT_EQ(QUrl::fromLocalFile(help.fileName()), urls.at(0));
}

namespace {

QString builtProgramDir() {
    return test::binDir();
}
// The menu as the main window holds it: every function of the operator in menu order.
RecordSet menuOfOperator(TdmMain& dm, int userId) {
    RecordSet rs;
    dm.ExecQuery(QStringLiteral("SELECT b.Name,b.code,b.sonnum,b.leveal,b.isbtn,a.isbj,b.hide,"
                                "b.groupby,b.ShortCut FROM sysPurview AS a,sysMenu AS b "
                                "WHERE a.menuid = b.id AND a.userid = %1 ORDER BY b.ordercode")
                     .arg(userId),
                 &rs);
    return rs;
}
int rowOf(QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text() == text)
            return i;
    return -1;
}
class NavigatorEndToEnd : public test::ServerFixture {};

}  // namespace

TEST_F(NavigatorEndToEnd, PinnedFunctionsAppearOnTheCommonPageAndEveryPageIsBuilt) {
    // The dialog offers the operator's functions, none pinned in a fresh account set.
    QStringList pinned;
    {
        TfrmsysCYGN dlg;
        ASSERT_TRUE(dlg.loaded());
        EXPECT_EQ(0, dlg.rightList()->count());
        EXPECT_GT(dlg.leftList()->count(), 100);
        EXPECT_EQ(-1, rowOf(dlg.leftList(), u"采购管理"_s));  // sub-menus are not
        for (const char* name :
             {"销售单", "进货单", "收款单", "库存状况表", "用户配置", "付款单", "商品销售统计",
              "单位应收应付", "报损单", "经营历程", "老板报表", "商品信息"}) {
            const int row = rowOf(dlg.leftList(), QString::fromUtf8(name));
            ASSERT_GE(row, 0) << name;
            dlg.leftList()->setCurrentRow(row);
            dlg.btnRightClick();
            pinned.append(QString::fromUtf8(name));
        }
        EXPECT_EQ(12, dlg.rightList()->count());
        dlg.btnOKClick();  // saves and closes
        ASSERT_TRUE(dlg.result()) << script.messages().join(u'|').toStdString();
    }
    {
        // Opened again, the dialog shows the same choice on the right, in menu order.
        TfrmsysCYGN dlg;
        EXPECT_EQ(12, dlg.rightList()->count());
        EXPECT_GE(rowOf(dlg.rightList(), u"老板报表"_s), 0);
    }
    RecordSet menu = menuOfOperator(dm, 1);
    ASSERT_GT(menu.recordCount(), 100);
    TfrmNavigator nav(builtProgramDir());
    nav.setMenu(&menu);
    nav.resize(1024, 580);
    nav.show();
    nav.SelectPage(0);
    QApplication::processEvents();
    EXPECT_EQ(12, nav.commonFunctions().rowCount());
    QStringList tileHints;
    for (QLabel* t : nav.tiles())
        tileHints.append(t->toolTip());
    // Tiles: the bill kinds, the functions whose code starts with 20 and user configuration.
    EXPECT_EQ(6, tileHints.size());
    for (const QString& hint : tileHints)
        EXPECT_TRUE(pinned.contains(hint)) << hint.toStdString();
    QStringList links;
    for (QLabel* l : nav.links())
        links.append(l->text());
    links.sort();
    EXPECT_EQ(u"单位应收应付 商品销售统计 库存状况表 老板报表"_s, links.join(u' '));
    for (int page = 1; page < 7; ++page) {
        nav.SelectPage(page);
        QApplication::processEvents();
        if (page <= 4) {
            EXPECT_FALSE(nav.links().isEmpty()) << page;
            for (QLabel* t : nav.tiles())
                EXPECT_FALSE(t->isHidden()) << page << " " << t->toolTip().toStdString();
        }
        EXPECT_FALSE(menu.filtered());
    }
    // The empty common page of an operator without pinned functions.
    {
        TfrmsysCYGN dlg;
        dlg.btnAllLeftClick();
        ASSERT_TRUE(dlg.Save());
    }
    nav.SelectPage(0);
    QApplication::processEvents();
    EXPECT_TRUE(nav.tiles().isEmpty());
    EXPECT_TRUE(nav.links().isEmpty());
    EXPECT_TRUE(nav.backgroundShown());
}
TEST(NavigatorPictures, TheBuildDrewEveryPictureTheNavigatorAndShellLoad) {
    const QDir dir(builtProgramDir());
    QStringList missing;
    auto need = [&](const QString& relative) {
        if (!QFileInfo::exists(dir.filePath(relative)))
            missing.append(relative);
    };
    for (int i = 0; i < navpage::kPageCount; ++i) {
        need(navpage::categoryPicture(i, false));
        need(navpage::categoryPicture(i, true));
        need(navpage::backgroundPicture(i));
    }
    for (int page = navpage::kPurchase; page <= navpage::kMaintenance; ++page)
        for (const navpage::Tile& t : navpage::fixedTiles(page))
            need(navpage::tilePicture(t.picture.isEmpty() ? t.caption : t.picture));
    for (const char* name : {"images/抬头左.jpg", "images/抬头中.jpg", "images/抬头右.jpg",
                             "images/dytv1Splash.jpg", "images/comLogin.jpg", "images/1.bmp"})
        need(QString::fromUtf8(name));
    EXPECT_EQ(QStringList(), missing);
    // The splash window is 509 pixels wide; the picture fills it.
    QImage splash(dir.filePath(u"images/dytv1Splash.jpg"_s));
    EXPECT_EQ(509, splash.width());
    // Tiles fit their places: 150 apart across, 80 apart on the bill pages.
    QImage tile(dir.filePath(u"images/进货单.jpg"_s));
    EXPECT_LE(tile.width(), 150);
    EXPECT_LE(tile.height(), 80);
}

namespace {
class ShellPictures : public test::LoginFixture {};
}  // namespace

TEST_F(ShellPictures, MainWindowSplashAndLoginShowThePicturesTheBuildDrew) {
    TfrmSplash splash(builtProgramDir());
    EXPECT_TRUE(splash.pictureLoaded());
    TfrmMain main(builtProgramDir());
    auto* nav = new TfrmNavigator(builtProgramDir());
    main.setNavigator(nav);
    main.hooks.login = [] { return true; };
    main.resize(1280, 760);
    main.show();
    main.FormActivate();
    nav->SelectPage(navpage::kStock);
    QApplication::processEvents();
    // The header pictures stand in the header strip.
    int pictures = 0;
    for (QLabel* l : main.findChildren<QLabel*>())
        if (!l->pixmap().isNull() && l->height() <= 56 && l->pixmap().height() == 56)
            ++pictures;
    EXPECT_EQ(3, pictures);
    main.hide();
}

namespace {

// Rows of the dialog's query: id, iscygn, name.
RecordSet functionsOf(int available, int pinned, qint64 firstId = 100) {
    RecordSet rs = test::recordSet({u"id:integer"_s, u"iscygn:integer"_s, u"name"_s});
    qint64 id = firstId;
    for (int i = 0; i < available; ++i, ++id)
        rs.appendRow({id, 0, u"功能%1"_s.arg(id)});
    for (int i = 0; i < pinned; ++i, ++id)
        rs.appendRow({id, 1, u"功能%1"_s.arg(id)});
    return rs;
}
QStringList names(const QList<cygn::Item>& items) {
    QStringList out;
    for (const cygn::Item& i : items)
        out.append(i.name);
    return out;
}
QStringList rowsOf(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
}
}  // namespace

TEST(CommonFunctionLists, LoadSplitsByThePinnedFlagInMenuOrder) {
    RecordSet rs = functionsOf(0, 0);
    rs.appendRow({11, 0, u"进货单"_s});
    rs.appendRow({12, 1, u"销售单"_s});
    rs.appendRow({13, 0, u"收款单"_s});
    rs.appendRow({14, 2, u"付款单"_s});  // anything but 0 counts as pinned
    cygn::Lists lists;
    lists.load(rs);
    EXPECT_EQ((QStringList{u"进货单"_s, u"收款单"_s}), names(lists.available()));
    EXPECT_EQ((QStringList{u"销售单"_s, u"付款单"_s}), names(lists.pinned()));
    EXPECT_EQ(12, lists.pinned().at(0).id);
    RecordSet bad = test::recordSet({u"id:integer"_s, u"name"_s});
    EXPECT_EQ(u"常用功能数据缺少字段 iscygn"_s, test::errorOf([&] { lists.load(bad); }));
}
// Where a move puts the function: the dialog's double-clicks and "<<" (CygnDialogTest).
TEST(CommonFunctionLists, MovesOutOfRangeChangeNothing) {
    cygn::Lists lists;
    RecordSet rs = functionsOf(4, 0);
    lists.load(rs);
    EXPECT_FALSE(lists.pin(6));
    EXPECT_FALSE(lists.unpin(0));
    EXPECT_EQ(4, lists.available().size());
}
TEST(CommonFunctionLists, PinAllStopsAtTwentyOne) {
    const struct {
        int available;
        int pinned;
        bool all;
        int leftAfter;
    } cases[] = {
        {5, 0, true, 0}, {21, 0, true, 0}, {22, 0, false, 1}, {10, 15, false, 4}, {0, 21, true, 0},
    };
    for (const auto& c : cases) {
        cygn::Lists lists;
        RecordSet rs = functionsOf(c.available, c.pinned);
        lists.load(rs);
        EXPECT_EQ(c.all, lists.pinAll()) << c.available << "+" << c.pinned;
        EXPECT_EQ(c.leftAfter, lists.available().size()) << c.available << "+" << c.pinned;
        EXPECT_EQ(c.available + c.pinned - c.leftAfter, lists.pinned().size());
    }
}

namespace {
class CygnDialogTest : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        connectLoggedIn(7);
    }
};
}  // namespace

TEST_F(CygnDialogTest, MovingTheTwentySecondShowsTheLimitAndMovesNothing) {
    answerQuery(functionsOf(2, 21));
    registerSystemWindows();  // opened by its class name, as the function table does
    std::unique_ptr<QWidget> w(createWindow(u"TfrmsysCYGN"_s, nullptr));
    ASSERT_NE(nullptr, qobject_cast<TfrmsysCYGN*>(w.get()));
    TfrmsysCYGN& dlg = *qobject_cast<TfrmsysCYGN*>(w.get());
    dlg.leftList()->setCurrentRow(0);
    dlg.btnRightClick();
    EXPECT_EQ(QStringList{u"最多可以设置 21 个常用功能"_s}, script.messages());
    EXPECT_EQ(2, dlg.leftList()->count());
    EXPECT_EQ(21, dlg.rightList()->count());
    // ">>" at the limit says the same.
    dlg.btnAllRightClick();
    EXPECT_EQ(2, script.messages().size());
    EXPECT_EQ(2, dlg.leftList()->count());
}
TEST_F(CygnDialogTest, AllRightStopsAtTheLimitWithAMessageOnlyWhenItemsAreLeft) {
    answerQuery(functionsOf(25, 0));
    TfrmsysCYGN dlg;
    dlg.btnAllRightClick();
    EXPECT_EQ(21, dlg.rightList()->count());
    EXPECT_EQ(4, dlg.leftList()->count());
    EXPECT_EQ(QStringList{u"最多可以设置 21 个常用功能"_s}, script.messages());
    dlg.btnAllLeftClick();
    EXPECT_EQ(0, dlg.rightList()->count());
    EXPECT_EQ(25, dlg.leftList()->count());
    // The functions come back behind those that stayed.
    EXPECT_EQ(u"功能121"_s, dlg.leftList()->item(0)->text());
    EXPECT_EQ(u"功能100"_s, dlg.leftList()->item(4)->text());
}
TEST_F(CygnDialogTest, DoubleClicksMoveTheItemToTheEndOfTheOtherList) {
    answerQuery(functionsOf(3, 2));  // 100..102 left, 103 and 104 right
    TfrmsysCYGN dlg;
    dlg.leftList()->setCurrentRow(0);
    Q_EMIT dlg.leftList()->itemDoubleClicked(dlg.leftList()->item(0));
    EXPECT_EQ((QStringList{u"功能103"_s, u"功能104"_s, u"功能100"_s}), rowsOf(dlg.rightList()));
    dlg.rightList()->setCurrentRow(0);
    Q_EMIT dlg.rightList()->itemDoubleClicked(dlg.rightList()->item(0));
    EXPECT_EQ((QStringList{u"功能101"_s, u"功能102"_s, u"功能103"_s}), rowsOf(dlg.leftList()));
    EXPECT_TRUE(script.messages().isEmpty());
}
TEST_F(CygnDialogTest, ARefusedSaveIsShownAndTheDialogStaysOpen) {
    answerQuery(functionsOf(2, 0));
    TfrmsysCYGN dlg;
    transport->fail(u"ExecUpdate"_s, u"数据库忙"_s);
    dlg.btnOKClick();
    EXPECT_EQ(QStringList{u"数据库忙"_s}, script.messages());
    EXPECT_FALSE(dlg.result());
}
TEST_F(CygnDialogTest, AFailedReadLeavesOkOffSoThatNothingIsUnpinned) {
    transport->fail(u"ExecQuery"_s, u"连接中断"_s);
    TfrmsysCYGN dlg;
    EXPECT_EQ(QStringList{u"连接中断"_s}, script.messages());
    EXPECT_FALSE(dlg.loaded());
    EXPECT_FALSE(dlg.okButton()->isEnabled());
    transport->clearCalls();
    EXPECT_FALSE(dlg.Save());
    EXPECT_TRUE(transport->methods(false).isEmpty());
}
