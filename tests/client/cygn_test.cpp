// The common-functions dialog: the two lists and their moves, the limit of 21 and the save text
// (the read and the save against a real server: navigator_e2e).

#include <QListWidget>
#include <QPushButton>

#include "client/common/windowregistry.h"
#include "client/system/frmsyscygn.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "protocol/protocol.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;
using dyt::test::DmFixture;

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
QString saveText(int userId, const QString& ids) {
    return QStringLiteral(
               "UPDATE syspurview SET isCYGN = 0,openCount = 0 WHERE userid = %1\r\n"
               " Update syspurview set iscygn = 1,openCount = 99999999 where userid = "
               "%1 and id in (%2 0)")
        .arg(userId)
        .arg(ids);
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
// Without pinned functions the save text ends in the closing zero alone.
TEST(CommonFunctionLists, SaveTextListsThePinnedRowIdsInListOrder) {
    cygn::Lists lists;
    RecordSet none = functionsOf(3, 0);
    lists.load(none);
    EXPECT_EQ(saveText(7, QString()), lists.saveSql(7));
    RecordSet rs = functionsOf(3, 1);  // 100..102 available, 103 pinned
    lists.load(rs);
    ASSERT_TRUE(lists.pin(2));  // 102
    ASSERT_TRUE(lists.pin(0));  // 100
    EXPECT_EQ(saveText(12, u"103,102,100,"_s), lists.saveSql(12));
}
TEST(CommonFunctionLists, MovesAppendAtTheEndOfTheTargetList) {
    cygn::Lists lists;
    RecordSet rs = functionsOf(4, 2);  // 100..103 available, 104 and 105 pinned
    lists.load(rs);
    ASSERT_TRUE(lists.unpin(0));  // 104 goes behind 103, not to its menu place
    EXPECT_EQ((QStringList{u"功能100"_s, u"功能101"_s, u"功能102"_s, u"功能103"_s, u"功能104"_s}),
              names(lists.available()));
    ASSERT_TRUE(lists.pin(1));  // 101 behind 105
    EXPECT_EQ((QStringList{u"功能105"_s, u"功能101"_s}), names(lists.pinned()));
    lists.unpinAll();
    EXPECT_EQ((QStringList{u"功能100"_s, u"功能102"_s, u"功能103"_s, u"功能104"_s, u"功能105"_s,
                           u"功能101"_s}),
              names(lists.available()));
    EXPECT_TRUE(lists.pinned().isEmpty());
    EXPECT_FALSE(lists.pin(6));
    EXPECT_FALSE(lists.unpin(0));
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
    void answer(const RecordSet& rs) {
        transport->respond(u"ExecQuery"_s, 0, {proto::recordSetToCbor(rs), QString()});
    }
};
}  // namespace

TEST_F(CygnDialogTest, MovingTheTwentySecondShowsTheLimitAndMovesNothing) {
    answer(functionsOf(2, 21));
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
    answer(functionsOf(25, 0));
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
    answer(functionsOf(3, 2));  // 100..102 left, 103 and 104 right
    TfrmsysCYGN dlg;
    dlg.leftList()->setCurrentRow(0);
    Q_EMIT dlg.leftList()->itemDoubleClicked(dlg.leftList()->item(0));
    EXPECT_EQ((QStringList{u"功能103"_s, u"功能104"_s, u"功能100"_s}), rowsOf(dlg.rightList()));
    dlg.rightList()->setCurrentRow(0);
    Q_EMIT dlg.rightList()->itemDoubleClicked(dlg.rightList()->item(0));
    EXPECT_EQ((QStringList{u"功能101"_s, u"功能102"_s, u"功能103"_s}), rowsOf(dlg.leftList()));
    EXPECT_TRUE(script.messages().isEmpty());
}
TEST_F(CygnDialogTest, OkSendsTheSaveTextAndCloses) {
    answer(functionsOf(3, 0));
    TfrmsysCYGN dlg;
    dlg.leftList()->setCurrentRow(1);
    dlg.btnRightClick();  // 101
    transport->clearCalls();
    dlg.btnOKClick();
    ASSERT_EQ(1, transport->methods(false).size());
    const RecordedCall& call = transport->calls().last();
    EXPECT_EQ(u"ExecUpdate"_s, call.method);
    EXPECT_EQ(saveText(7, u"101,"_s), call.sql);
    EXPECT_TRUE(dlg.result());
}
TEST_F(CygnDialogTest, ARefusedSaveIsShownAndTheDialogStaysOpen) {
    answer(functionsOf(2, 0));
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
