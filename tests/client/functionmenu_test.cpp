// The function menu built from the operator's rows, and the rights test HasPurview.
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "client/logic/session.h"
#include "client/shell/functionmenu.h"
#include "common/error.h"
#include "dmtest_support.h"
#include "functionmenu_support.h"
#include "support/testutil.h"

namespace dyt::client {
namespace {

using test::describe;
using test::menuRows;

class FunctionMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSession();
        clearBillTypeTitles();
        menu.openFunction = [this](int code) { opened.append(code); };
        targets.bar = &bar;
        targets.openingMenu = &opening;
        targets.commonFunctions = &common;
    }
    void TearDown() override {
        resetSession();
        clearBillTypeTitles();
    }
    QAction* actionOf(int code) {
        for (QAction* a : bar.findChildren<QAction*>())
            if (!a->menu() && a->property(kTagProperty).toInt() == code)
                return a;
        return nullptr;
    }
    QMenuBar bar;
    QMenu opening;
    QMenu common;
    MenuTargets targets;
    TFunctionMenu menu;
    QList<int> opened;
};
TEST_F(FunctionMenuTest, AllowedRowsBuildTheTreeAndButtonRowsAreSkipped) {
    common.addAction(u"旧的常用功能"_s);
    menu.cdsMenu = menuRows({
        {0, 0, "主菜单", 1, 0, 1},  // the bar: allowed through hide
        {1, 10, "基本资料", 3},
        {2, 1001, "商品信息", 0, 1, 0, 0, 0, "F2"},
        {3, 100101, "添加", 0, 1, 0, 1},       // operation right: never an entry
        {2, 1002, "职员信息", 0, 0, 0},        // not allowed
        {2, 1013, "期初建账", 2, 1, 0, 0, 1},  // separator before
        {3, 101301, "期初库存商品"},
        {3, 101302, "期初应收应付", 0, 0, 1},  // open to everyone
        {2, 1014, "期初完成..开账"},
        {1, 50, "系统维护", 2},
        {2, 5012, "版本信息", 0, 0, 1},
        {2, 5099, "大按钮", -1},
        {1, 60, "其它权限", 1, 1, 0, 1},  // a button group
        {2, 6001, "修改单据单价", 0, 1, 0, 1},
    });
    menu.buildFromRows(targets);
    EXPECT_EQ(QStringLiteral("基本资料[商品信息#1001,-,期初建账[期初库存商品#101301,"
                             "期初应收应付#101302],期初完成..开账#1014],"
                             "系统维护[版本信息#5012,大按钮#5099*]"),
              describe(&bar));
    // The opening entries again in the drop-down; the common functions are cleared.
    EXPECT_EQ(u"期初库存商品#101301,期初应收应付#101302,期初完成..开账#1014"_s, describe(&opening));
    EXPECT_EQ(QString(), describe(&common));
    // Shortcut and click.
    QAction* goods = actionOf(1001);
    ASSERT_NE(nullptr, goods);
    EXPECT_EQ(QKeySequence(Qt::Key_F2), goods->shortcut());
    goods->trigger();
    actionOf(5099)->trigger();
    opening.actions().at(2)->trigger();
    EXPECT_EQ((QList<int>{1001, 5099, 1014}), opened);
    // A second build replaces the first.
    menu.cdsMenu = menuRows({{0, 0, "主菜单"}, {1, 5012, "版本信息"}});
    menu.buildFromRows(targets);
    EXPECT_EQ(u"版本信息#5012"_s, describe(&bar));
    EXPECT_EQ(QString(), describe(&opening));
}
TEST_F(FunctionMenuTest, EntriesNestUnderTheLastEntryOfTheLevelAbove) {
    menu.cdsMenu = menuRows({
        {0, 0, "主菜单"},
        {1, 30, "甲", 2},
        {2, 31, "甲一", 1},
        {3, 32, "甲一甲", 1},
        {4, 33, "甲一甲甲"},
        {2, 34, "甲二"},  // back to level 2: under 甲
        {1, 40, "乙", 1},
        {2, 41, "乙一", 1},
        {3, 42, "乙一甲"},  // under 乙一, not under 甲一
        {1, 43, "丙"},      // a command right in the bar
    });
    menu.buildFromRows(targets);
    EXPECT_EQ(u"甲[甲一[甲一甲[甲一甲甲#33]],甲二#34],乙[乙一[乙一甲#42]],丙#43"_s, describe(&bar));
}
TEST_F(FunctionMenuTest, AWrongParentAbortsWithItsMessageAndKeepsTheMenuBuiltSoFar) {
    struct Case {
        const char* name;
        std::initializer_list<test::MenuRow> rows;
        const char* message;
        const char* menuSoFar;
    };
    // clang-format off
    const Case cases[] = {
        {"below a command",
         {{0, 0, "主菜单"}, {1, 10, "基本资料", 2}, {2, 1001, "商品信息"}, {3, 100199, "错挂"},
          {2, 1003, "往来单位"}},
         "“错挂”的Parent类“QAction”不对", "基本资料[商品信息#1001]"},
        {"below a large button",
         {{0, 0, "主菜单"}, {1, 10, "基本资料", 1}, {2, 1001, "大按钮", -1}, {3, 1, "子项"}},
         "“子项”的Parent类“TLargeButton”不对", "基本资料[大按钮#1001*]"},
        {"a skipped sub-menu leaves its children to the entry before it",
         {{0, 0, "主菜单"}, {1, 10, "基本资料", 2}, {2, 1001, "商品信息"},
          {2, 1013, "期初建账", 1, 0, 0}, {3, 101301, "期初库存商品"}},
         "“期初库存商品”的Parent类“QAction”不对", "基本资料[商品信息#1001]"},
        {"no menu bar row before the first menu", {{1, 10, "基本资料", 1}, {2, 1001, "商品信息"}},
         "“基本资料”的Parent类“nil”不对", ""},
        {"a level with nothing above it",
         {{0, 0, "主菜单"}, {1, 10, "基本资料"}, {3, 1001, "商品信息"}},
         "“商品信息”的Parent类“nil”不对", "基本资料#10"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        menu.cdsMenu = menuRows(c.rows);
        EXPECT_EQ(QString::fromUtf8(c.message),
                  test::errorOf([&] { menu.buildFromRows(targets); }));
        EXPECT_EQ(QString::fromUtf8(c.menuSoFar), describe(&bar));
        EXPECT_TRUE(bar.updatesEnabled());
    }
}
TEST_F(FunctionMenuTest, ConsignmentEntriesTitleTheirBillTypes) {
    int told = 0;
    billTypeTitleListener() = [&](int, const QString&) { ++told; };
    menu.cdsMenu = menuRows({
        {0, 0, "主菜单"},
        {1, 2018, "委托代销", 5},
        {2, 201804, "受托结算单"},
        {2, 201805, "委托发货单甲"},
        {2, 201806, "委托退货单乙"},
        {2, 201807, "委托结算单丙"},
        {2, 201808, "委托调价单丁"},
    });
    menu.buildFromRows(targets);
    billTypeTitleListener() = nullptr;
    // 201804 titles nothing (50).
    EXPECT_EQ(u"委托发货单甲|委托退货单乙|委托结算单丙|委托调价单丁|"_s,
              test::clientValuesText(billTypeTitle(43), billTypeTitle(47), billTypeTitle(44),
                                     billTypeTitle(49), billTypeTitle(50)));
    EXPECT_EQ(4, told);
}
TEST_F(FunctionMenuTest, HasPurviewFollowsTheAllowedRuleAndPassesOperatorOne) {
    menu.cdsMenu = menuRows({
        {0, 0, "主菜单", 1, 0, 1},
        {2, 1001, "商品信息", 0, 1, 0},
        {3, 100101, "添加", 0, 1, 0, 1},
        {3, 100103, "删除", 0, 0, 0, 1},
        {2, 1002, "职员信息", 0, 0, 0},
        {2, 5012, "版本信息", 0, 0, 1},
    });
    struct Case {
        const char* code;
        bool operatorSeven;
    };
    const Case cases[] = {{"1001", true}, {"100101", true}, {"100103", false}, {"1002", false},
                          {"5012", true}, {"9999", false},  {" 1001 ", true},  {"", false}};
    for (const Case& c : cases) {
        const QString code = QString::fromLatin1(c.code);
        loginedUser().UserId = 7;
        EXPECT_EQ(c.operatorSeven, menu.HasPurview(code, false)) << c.code;
        EXPECT_EQ(c.operatorSeven ? QString() : u"您没有执行该操作的权限!"_s,
                  test::errorOf([&] { menu.HasPurview(code, true); }))
            << c.code;
        loginedUser().UserId = 1;
        EXPECT_TRUE(menu.HasPurview(code, true)) << c.code;
    }
    // Operator 1 passes without any rows.
    menu.cdsMenu = RecordSet();
    EXPECT_TRUE(menu.HasPurview(u"300501"_s, true));
    loginedUser().UserId = 7;
    EXPECT_FALSE(menu.HasPurview(u"300501"_s, false));
}

}  // namespace
}  // namespace dyt::client
