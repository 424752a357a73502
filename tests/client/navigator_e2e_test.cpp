// The navigator and the common-functions dialog against a real dyt-server, and the pictures the
// build drew for the navigator and the shell.

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>

#include "client/logic/clientconfig.h"
#include "client/shell/mainwindow.h"
#include "client/shell/navigator.h"
#include "client/shell/splash.h"
#include "client/system/frmsyscygn.h"
#include "common/recordset.h"
#include "login_support.h"
#include "support/serverfixture.h"

using namespace dyt;
using namespace dyt::client;

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
        ASSERT_TRUE(dlg.Save());
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
