// Operators and rights against a real server: the procedures as any client may call them, and the
// rights windows and the password dialog worked with keys and the mouse.
#include <QTest>
#include <QtWidgets>

#include "client/logic/purview.h"
#include "client/logic/session.h"
#include "client/system/frmbasepurview.h"
#include "client/system/frmsyspurview.h"
#include "support/serverfixture.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

class PurviewE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        loginedUser().Password.clear();
        addRecord("baseZY", 2, "002", "李四");
        addRecord("baseZY", 3, "003", "王五");
        addRecord("baseZY", 4, "004", "销售部", 0, 1);
        addRecord("baseZY", 5, "00401", "赵六", 4);
    }
    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ServerFixture::TearDown();
    }
    // Runs a procedure as any client may; the server's message, empty on success.
    QString call(const char* proc, const QList<std::pair<const char*, QString>>& lines) {
        ParamList p;
        for (const auto& [name, value] : lines)
            p.setValue(QString::fromLatin1(name), value);
        try {
            dm.ExecProc(QString::fromLatin1(proc), p);
        } catch (const DytError& e) {
            return e.message();
        }
        return {};
    }
    // The rows p_sys_Get_purview gives the operator: "code:isbj" joined by ",".
    QString rights(qint64 user, int type, const QString& code = {}) {
        ParamList p;
        p.setInt(u"userid"_s, user);
        p.setInt(u"czyid"_s, 1);
        p.setInt(u"type"_s, type);
        if (!code.isEmpty())
            p.setValue(u"code"_s, code);
        RecordSet rs;
        dm.ExecProcQuery(u"p_sys_Get_purview"_s, p, &rs);
        QStringList out;
        for (rs.first(); !rs.eof(); rs.next())
            out << rs.text(u"code"_s) + u':' + rs.text(u"isbj"_s);
        return out.join(u',');
    }
    qint64 count(const QString& sql) { return stored(sql).toLongLong(); }
    qint64 granted(qint64 user, const QString& where) {
        return count(
            u"SELECT count(*) FROM sysPurview AS p, sysMenu AS m WHERE p.menuid = m.id "
            "AND p.userid = %1 AND p.isbj = 1 AND "_s.arg(user) +
            where);
    }
    template <class W>
    std::unique_ptr<W> show() {
        auto w = std::make_unique<W>();
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
        return w;
    }
    static void clickCell(QTableWidget* grid, int row, int column) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualItemRect(grid->item(row, column)).center());
    }
};

TEST_F(PurviewE2E, ProceduresGrantCopyAndManageOperators) {
    const QString right = stored(u"SELECT id FROM sysMenu WHERE code = '100101'"_s).toString();
    // Each step: the call, the message expected (empty: success), then a count and the count it
    // must equal, both read from the account set.
    struct Step {
        const char* proc;
        QList<std::pair<const char*, QString>> lines;
        const char* error;
        QString actual, expected;
    };
    const QString type2 = u"m.type = 2"_s;
    const QString differ =
        u"SELECT count(*) FROM sysMenu AS m WHERE COALESCE((SELECT isbj FROM sysPurview WHERE "
        "userid = 2 AND menuid = m.id), 0) <> COALESCE((SELECT isbj FROM sysPurview WHERE "
        "userid = 3 AND menuid = m.id), 0)"_s;
    const Step steps[] = {
        {"p_sys_Up_User",
         {{"id", u"2"_s}, {"par_id", u"1"_s}},
         "",
         u"SELECT count(*) FROM sysuser WHERE id = 2 AND par_id = 1"_s,
         u"SELECT 1"_s},
        {"p_sys_Up_User", {{"id", u"3"_s}}, "", u"SELECT count(*) FROM sysuser"_s, u"SELECT 3"_s},
        {"p_sys_Up_User", {{"id", u"2"_s}}, "已经是操作员", {}, {}},
        {"p_sys_Up_User", {{"id", u"4"_s}}, "职员分类", {}, {}},
        {"p_sys_Up_User", {{"id", u"99"_s}}, "不存在", {}, {}},
        {"p_sys_up_purview",
         {{"id", u"-2"_s}, {"userid", u"2"_s}, {"isbj", u"1"_s}},
         "",
         u"SELECT count(*) FROM sysPurview AS p, sysMenu AS m WHERE p.menuid = m.id AND "
         "p.userid = 2 AND p.isbj = 1 AND m.type = 2"_s,
         u"SELECT count(*) FROM sysMenu WHERE type = 2"_s},
        {"p_sys_up_purview",
         {{"id", u"-2"_s}, {"userid", u"2"_s}, {"isbj", u"0"_s}},
         "",
         u"SELECT count(*) FROM sysPurview AS p, sysMenu AS m WHERE p.menuid = m.id AND "
         "p.userid = 2 AND p.isbj = 1 AND m.type = 2"_s,
         u"SELECT 0"_s},
        // A right comes with the entries above it.
        {"p_sys_up_purview",
         {{"id", right}, {"userid", u"2"_s}, {"isbj", u"1"_s}},
         "",
         u"SELECT count(*) FROM sysPurview AS p, sysMenu AS m WHERE p.menuid = m.id AND "
         "p.userid = 2 AND p.isbj = 1 AND m.code IN ('10', '1001', '100101')"_s,
         u"SELECT 3"_s},
        {"p_sys_up_purview",
         {{"id", u"0"_s}, {"userid", u"1"_s}, {"isbj", u"0"_s}},
         "系统管理员",
         u"SELECT count(*) FROM sysPurview WHERE userid = 1 AND isbj = 1"_s,
         u"SELECT count(*) FROM sysMenu"_s},
        {"p_sys_up_purview",
         {{"id", u"-2"_s}, {"userid", u"2"_s}, {"isbj", u"2"_s}},
         "授权状态",
         {},
         {}},
        {"p_sys_up_purview",
         {{"itype", u"1"_s}, {"id", u"2"_s}, {"userid", u"3"_s}},
         "",
         differ,
         u"SELECT 0"_s},
        {"p_sys_Up_User", {{"id", u"-1"_s}}, "系统管理员不能删除", {}, {}},
        {"p_sys_Up_User",
         {{"id", u"-2"_s}},
         "",
         u"SELECT (SELECT count(*) FROM sysPurview WHERE userid = 2) + (SELECT count(*) FROM "
         "baseGoodsPurview WHERE czy_id = 2) + (SELECT count(*) FROM sysuser WHERE id = 2)"_s,
         u"SELECT 0"_s},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.proc) + " " + s.lines.first().second.toStdString());
        if (QLatin1String(s.proc) == u"p_sys_Up_User"_s && s.lines.first().second == u"-2"_s)
            dm.ExecUpdate(u"INSERT INTO baseGoodsPurview(id, czy_id, isbj) VALUES (1, 2, 0)"_s);
        const QString message = call(s.proc, s.lines);
        EXPECT_TRUE(QString::fromUtf8(s.error).isEmpty()
                        ? message.isEmpty()
                        : message.contains(QString::fromUtf8(s.error)))
            << message.toStdString();
        if (!s.actual.isEmpty()) {
            EXPECT_EQ(count(s.expected), count(s.actual));
        }
    }
    // Every kind of record rights lists its top level (the bank accounts: all of them) with the
    // grant, after writing an allowing row for each record the operator had none for.
    addRecord("baseGoods", 101, "SP1", "螺丝");
    addRecord("baseWLDW", 201, "K1", "甲客户");
    addRecord("baseCK", 301, "CK1", "总仓");
    addRecord("baseBM", 401, "BM1", "销售部");
    for (const purview::RecordKind& k : purview::recordKinds()) {
        SCOPED_TRACE(k.queryType);
        const QString table = QString::fromLatin1(k.table);
        const QString bank =
            u"SELECT count(*) FROM baseKM WHERE del = 0 AND id IN (SELECT km_id FROM "
            "sysSubjectInterface WHERE type = 1)"_s;
        ParamList p;
        p.setValue(u"QueryType"_s, QString::fromLatin1(k.queryType));
        p.setValue(QString::fromLatin1(k.conditionKey), u";czy_id=1;par_id=0"_s);
        p.setValue(u"filter"_s, u";zy_id=3"_s);
        RecordSet rs;
        ASSERT_NO_THROW(dm.ExecProcQuery(u"P_JXC_Get_Base"_s, p, &rs));
        EXPECT_EQ(count(k.accounts
                            ? bank
                            : u"SELECT count(*) FROM %1 WHERE del = 0 AND par_id = 0"_s.arg(table)),
                  rs.rowCount());
        EXPECT_GT(rs.rowCount(), 0);
        int allowed = 0;
        for (rs.first(); !rs.eof(); rs.next())
            allowed += rs.integer(u"isbj"_s) == 1;
        EXPECT_EQ(rs.rowCount(), allowed);
        EXPECT_EQ(
            count(k.accounts ? u"SELECT count(DISTINCT km_id) FROM sysSubjectInterface "
                               "WHERE type = 1"_s
                             : u"SELECT count(*) FROM "_s + table),
            count(u"SELECT count(*) FROM %1 WHERE czy_id = 3"_s.arg(QLatin1String(k.rightsTable))));
    }
    // The new operator's empty password logs in.
    EXPECT_EQ(QString(), test::logIn(dm, 3));
    // Without the rights window's right it may not even delete itself.
    EXPECT_EQ(u"您没有执行该操作的权限!"_s, call("p_sys_Up_User", {{"id", u"-3"_s}}));
    // The rights window's lists: the entries of a group, the operation rights of one entry.
    struct List {
        int type;
        const char* code;
        const char* where;
    };
    for (const List& l : {List{0, "", "m.isbtn = 0 AND m.hide = 0 AND m.leveal > 0"},
                          List{1, "", "m.isbtn = 0 AND m.hide = 0 AND m.leveal > 0 AND m.type = 1"},
                          List{1, "1001", "m.isbtn = 1 AND m.code LIKE '1001__'"}}) {
        SCOPED_TRACE(l.type);
        const QString rows = rights(3, l.type, QString::fromLatin1(l.code));
        const QString where = QString::fromLatin1(l.where);
        EXPECT_EQ(count(u"SELECT count(*) FROM sysMenu AS m WHERE "_s + where),
                  rows.isEmpty() ? 0 : rows.count(u',') + 1);
        EXPECT_EQ(granted(3, where), rows.count(u":1"_s));
    }
}

TEST_F(PurviewE2E, RightsWindowGrantsCopiesSetsPasswordsAndDeletes) {
    ASSERT_EQ(QString(), call("p_sys_Up_User", {{"id", u"2"_s}}));
    auto w = show<TfrmSysPurview>();
    ASSERT_EQ(2, w->lstUser()->count());
    // Operator 1 is shown but not edited.
    EXPECT_FALSE(w->button(u"btnSelectAll"_s)->isEnabled());
    QListWidget* users = w->lstUser();
    QTest::mouseClick(users->viewport(), Qt::LeftButton, {},
                      users->visualItemRect(users->item(1)).center());
    EXPECT_EQ(2, w->chosenUser());
    // Group "基本信息资料", then Space on its first main right grants it.
    w->lstType()->setFocus();
    QTest::keyClick(w->lstType(), Qt::Key_Down);
    QTest::keyClick(w->lstType(), Qt::Key_Tab);
    ASSERT_EQ(w->grdMain(), QApplication::focusWidget());
    const QString before = rights(2, 1);
    QTest::keyClick(w->grdMain(), Qt::Key_Space);
    test::walkStep(u"sys-purview"_s);
    const QString after = rights(2, 1);
    EXPECT_NE(before, after);
    EXPECT_EQ(after.section(u',', 0, 0), before.section(u',', 0, 0).replace(u":0"_s, u":1"_s));
    // Down to 商品信息; a click on its first operation right's grant cell grants that right.
    const int goodsRow = static_cast<int>(after.split(u',').indexOf(u"1001:0"_s));
    ASSERT_GT(goodsRow, 0) << after.toStdString();
    for (int i = 0; i < goodsRow; ++i)
        QTest::keyClick(w->grdMain(), Qt::Key_Down);
    ASSERT_GT(w->grdDetail()->rowCount(), 0);
    clickCell(w->grdDetail(), 0, 1);
    EXPECT_TRUE(rights(2, 1, u"1001"_s).startsWith(u"100101:1,"_s));
    EXPECT_EQ(Qt::Checked, w->grdDetail()->item(0, 1)->checkState());
    // The entries above it came with it.
    EXPECT_TRUE(rights(2, 1).contains(u"1001:1"_s));

    // A new operator from the employee selection, then the first one's rights copied onto him.
    test::pickNext(u"003"_s);
    QTest::mouseClick(w->button(u"btnAddUser"_s), Qt::LeftButton);
    ASSERT_EQ(3, w->chosenUser());
    test::onNextModal([](QWidget* d) {
        QTest::keyClick(d->findChild<QTableWidget*>(u"grdUser"_s), Qt::Key_Return);
    });
    QTest::mouseClick(w->button(u"btnCopy"_s), Qt::LeftButton);
    EXPECT_EQ(purview::copied(), script.messages().value(0));
    EXPECT_EQ(rights(2, 0), rights(3, 0));

    // A password for him, with which he logs in.
    test::onNextModal([](QWidget* d) {
        test::typeInto(d->findChild<QLineEdit*>(u"edPassword"_s), u"pw3"_s);
        QTest::keyClick(d->findChild<QLineEdit*>(u"edPassword"_s), Qt::Key_Return);
    });
    QTest::mouseClick(w->button(u"btnPassword"_s), Qt::LeftButton);
    EXPECT_FALSE(test::logIn(dm, 3).isEmpty());
    EXPECT_EQ(QString(), test::logIn(dm, 3, u"pw3"_s));
    ASSERT_EQ(QString(), test::logIn(dm, 1));
    // Deleted after the question.
    script.answer(u"确定(&O)"_s, purview::confirmDelete());
    QTest::mouseClick(w->button(u"btnDeleteUser"_s), Qt::LeftButton);
    EXPECT_EQ(2, w->lstUser()->count());
    EXPECT_EQ(0, count(u"SELECT count(*) FROM sysPurview WHERE userid = 3"_s));
}

TEST_F(PurviewE2E, OwnPasswordIsCheckedAndTheNewOneLogsIn) {
    struct Case {
        const char *old, *fresh, *confirm, *message;
    };
    const Case cases[] = {{"x", "n1", "n1", "原密码错误！"},
                          {"", "n1", "n2", "新密码和确认密码不符！"},
                          {" ", "n1", " n1 ", ""}};
    auto d = show<TfrmPassWordSet>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        script.clearRecords();
        ASSERT_EQ(d->edOld(), QApplication::focusWidget());
        for (const char* text : {c.old, c.fresh, c.confirm}) {
            auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            ASSERT_TRUE(edit);
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
            test::typeInto(edit, QString::fromUtf8(text));
            QTest::keyClick(edit, Qt::Key_Tab);
        }
        test::walkStep(u"password"_s);
        QTest::mouseClick(d->btnOK(), Qt::LeftButton);
        EXPECT_EQ(QString::fromUtf8(c.message), script.messages().join(u'|'));
        EXPECT_EQ(!*c.message, !d->isVisible());
        d->edOld()->setFocus();
    }
    EXPECT_FALSE(test::logIn(dm, 1).isEmpty());
    EXPECT_EQ(QString(), test::logIn(dm, 1, u"n1"_s));
}

TEST_F(PurviewE2E, CategoryGrantsFollowTheGoodsBelow) {
    ASSERT_EQ(QString(), call("p_sys_Up_User", {{"id", u"2"_s}}));
    addRecord("baseGoods", 1, "01", "食品", 0, 2);
    addRecord("baseGoods", 2, "0101", "饼干", 1);
    addRecord("baseGoods", 3, "0102", "面包", 1);
    addRecord("baseGoods", 4, "02", "文具", 0, 1);
    addRecord("baseGoods", 5, "0201", "铅笔", 4);
    auto w = show<TfrmBasePurview>();
    ASSERT_EQ(1, w->lstOperator()->count());
    EXPECT_EQ(purview::chosenOperator() + u"李四"_s, w->lblOperator()->text());
    // The operator's grants of the goods 1 to 5 in id order.
    const auto grants = [this] {
        const RecordSet rs =
            query(u"SELECT isbj FROM baseGoodsPurview WHERE czy_id = 2 ORDER BY id"_s);
        QString out;
        for (int r = 0; r < rs.rowCount(); ++r)
            out += rs.at(r, 0).toString();
        return out;
    };
    EXPECT_EQ(u"11111"_s, grants());
    // Into 食品; revoking its two goods one after the other clears the category with the last.
    w->grid()->setFocus();
    QTest::keyClick(w->grid(), Qt::Key_Right);
    ASSERT_EQ(2, w->grid()->rowCount());
    QTest::keyClick(w->grid(), Qt::Key_Space);
    EXPECT_EQ(u"10111"_s, grants());
    QTest::keyClick(w->grid(), Qt::Key_Down);
    QTest::keyClick(w->grid(), Qt::Key_Return);
    EXPECT_EQ(u"00011"_s, grants());
    test::walkStep(u"base-purview"_s);
    // Back up; a double-click on 食品's grant cell grants it with every goods below.
    QTest::keyClick(w->grid(), Qt::Key_Backspace);
    ASSERT_EQ(Qt::Unchecked, w->grid()->item(0, 2)->checkState());
    const QRect cell = w->grid()->visualItemRect(w->grid()->item(0, 2));
    test::doubleClick(w->grid()->viewport(), cell.center());
    EXPECT_EQ(u"11111"_s, grants());
    EXPECT_EQ(Qt::Checked, w->grid()->item(0, 2)->checkState());
    QTest::mouseClick(w->button(u"btnNone"_s), Qt::LeftButton);
    EXPECT_EQ(u"00000"_s, grants());
}

}  // namespace
}  // namespace dyt::client
