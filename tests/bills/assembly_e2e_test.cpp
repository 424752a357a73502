// Assembly templates against a real server: the save procedure's checks, the lines it scales for
// an assembly bill, the goods a template holds on to, the rights of the menu entry, and the
// clerk's way at the keyboard: a template entered from its menu window, then picked into an
// assembly bill for a quantity and posted.
#include <QPointer>

#include "menubill_fixture.h"
#include "client/base/frmbasescmb.h"
#include "client/bills/frmbillscmb.h"
#include "client/logic/assemblytemplates.h"
#include "client/queries/frmquery.h"
#include "client/shell/functions.h"
#include "client/shell/mainwindow.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

using test::pressKey;
using test::typeKeys;

enum : qint64 {
    kLamp = 201,   // 台灯, made
    kShade = 202,  // 灯罩, a part
    kBulb = 203,   // 灯泡, a part
    kGone = 204,   // deleted goods
    kClass = 205,  // a goods category
    kStore = 301,
};

class AssemblyE2E : public test::MenuBillFixture {
protected:
    void addBaseData() override {
        addGoods(kLamp, "SP201", "台灯", 2011, "个");
        addGoods(kShade, "SP202", "灯罩", 2021, "个");
        addGoods(kBulb, "SP203", "灯泡", 2031, "个");
        addRecord("baseGoods", kGone, "SP204", "旧灯", 0, 0, {{"del", u"1"_s}});
        addRecord("baseGoods", kClass, "LJ", "灯具类", 0, 1);
        addRecord("baseCK", kStore, "CK1", "总仓");
        addRecord("baseZY", 2, "002", "张三", 0, 0, {{"name", u"'张三'"_s}});
    }
    static scmb::Template lamp() {
        scmb::Template t;
        t.code = u"MB01"_s;
        t.name = u"台灯组装"_s;
        t.goodsId = kLamp;
        t.qty = 1;
        t.parts = {{kShade, 2}, {kBulb, 3}};
        return t;
    }
    // The server's refusal, empty when done (the answer in lastId).
    QString call(const ParamList& p, const QString& procedure = scmb::text::procedure()) {
        try {
            ParamList copy = p;
            lastId = dm.ExecProc(procedure, copy, true);
            return {};
        } catch (const DytError& e) {
            return e.message();
        }
    }
    QString save(const scmb::Template& t) { return call(scmb::saveParams(t)); }
    RecordSet rows(const QString& procedure, const ParamList& p) {
        RecordSet rs;
        ParamList copy = p;
        dm.ExecProcQuery(procedure, copy, &rs);
        return rs;
    }
    QString deleteGoods(qint64 id) {
        return call(ParamList(u"id=%1\ndel=1"_s.arg(id)), u"p_base_Up_Goods"_s);
    }
    qint64 lastId = 0;
};

TEST_F(AssemblyE2E, TheServerRefusesAFaultyTemplateAndWritesNothing) {
    const auto with = [](const std::function<void(scmb::Template&)>& change) {
        scmb::Template t = lamp();
        change(t);
        return t;
    };
    const struct {
        scmb::Template t;
        const char* message;
    } cases[] = {
        {with([](auto& t) { t.code = u"  "_s; }), "请输入模板编号"},
        {with([](auto& t) { t.name.clear(); }), "请输入模板名称"},
        {with([](auto& t) { t.goodsId = 0; }), "请选择组装商品"},
        {with([](auto& t) { t.qty = 0; }), "组装数量必须大于零！"},
        {with([](auto& t) { t.qty = -2; }), "组装数量必须大于零！"},
        {with([](auto& t) { t.parts.clear(); }), "生产组装模板必须至少有一个组件商品！"},
        {with([](auto& t) { t.parts[0].qty = 0; }), "第 1 行组件数量必须大于零！"},
        {with([](auto& t) { t.parts[1].qty = -1; }), "第 2 行组件数量必须大于零！"},
        {with([](auto& t) { t.parts[1].goodsId = kLamp; }), "商品[台灯]不能由它自己组装！"},
        {with([](auto& t) { t.parts[0].goodsId = 999; }), "商品[999]不存在或已被删除"},
        {with([](auto& t) { t.parts[0].goodsId = kGone; }), "商品[204]不存在或已被删除"},
        {with([](auto& t) { t.goodsId = kGone; }), "商品[204]不存在或已被删除"},
        {with([](auto& t) { t.goodsId = kClass; }), "商品[灯具类]是一个分类，不能用于生产组装模板"},
        {with([](auto& t) { t.parts[1].goodsId = kShade; }), "组件商品[灯罩]重复录入"},
        {with([](auto& t) { t.id = 77; }), "生产组装模板[77]不存在或已被删除"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.message), save(c.t));
    // What a modified client may send instead of numbers.
    ParamList bad = scmb::saveParams(lamp());
    bad.setValue(u"qty"_s, u"abc"_s);
    EXPECT_EQ(u"组装数量必须是数字：abc"_s, call(bad));
    bad = scmb::saveParams(lamp());
    bad.setValue(u"parts"_s, u"202"_s);
    EXPECT_EQ(u"第 1 行组件数据无效：202"_s, call(bad));
    EXPECT_EQ(0, number(u"SELECT count(*) FROM baseSCMB"_s));
    EXPECT_EQ(0, number(u"SELECT count(*) FROM baseSCMBList"_s));
    // A code is one template's, whatever its letter case.
    ASSERT_EQ(QString(), save(lamp()));
    EXPECT_EQ(u"模板编号[mb01]已经存在！"_s, save(with([](auto& t) { t.code = u"mb01"_s; })));
    EXPECT_EQ(1, number(u"SELECT count(*) FROM baseSCMB"_s));
}

TEST_F(AssemblyE2E, LinesAreScaledByTheQuantityMadeAndTheGoodsUsedStay) {
    // Two lamps from three shades and one bulb.
    scmb::Template t = lamp();
    t.qty = 2;
    t.parts = {{kShade, 3}, {kBulb, 1}};
    ASSERT_EQ(QString(), save(t));
    t.id = lastId;
    const QString fields = u"goodsid,qty"_s;
    // Making 3: 3 lamps in; 3 × 3 / 2 = 4.5 shades and 1 × 3 / 2 = 1.5 bulbs out.
    EXPECT_EQ(u"201 3|202 -4.5|203 -1.5"_s,
              test::rowsOf(rows(scmb::text::linesProcedure(), scmb::linesParams(t.id, 3)), fields));
    EXPECT_EQ(u"202 3|203 1"_s,
              test::rowsOf(rows(scmb::text::linesProcedure(), scmb::linesParams(t.id)), fields));
    EXPECT_EQ(u"组装数量必须大于零！"_s,
              call(ParamList(u"id=%1\nsl=-1"_s.arg(t.id)), scmb::text::linesProcedure()));
    // The goods made and the parts cannot be deleted while a template uses them.
    EXPECT_EQ(u"商品[灯罩]已经被生产组装模板使用，不能删除！"_s, deleteGoods(kShade));
    EXPECT_EQ(u"商品[台灯]已经被生产组装模板使用，不能删除！"_s, deleteGoods(kLamp));
    // A change replaces the parts: the shade is free again.
    t.parts = {{kBulb, 4}};
    ASSERT_EQ(QString(), save(t));
    EXPECT_EQ(u"203 4"_s,
              test::rowsOf(rows(scmb::text::linesProcedure(), scmb::linesParams(t.id)), fields));
    EXPECT_EQ(QString(), deleteGoods(kShade));
    // Finding by a part's name, by the template's code; nothing for an unknown text.
    const struct {
        const char* find;
        int rows;
    } finds[] = {{"灯泡", 1}, {"mb0", 1}, {"台灯", 1}, {"无此模板", 0}, {"", 1}};
    for (const auto& f : finds) {
        EXPECT_EQ(f.rows,
                  rows(scmb::text::listProcedure(), scmb::listParams(QString::fromUtf8(f.find)))
                      .rowCount())
            << f.find;
    }
    // Deleted, the template leaves the list and lets its goods go.
    ASSERT_EQ(QString(), call(scmb::deleteParams(t.id)));
    EXPECT_EQ(0, rows(scmb::text::listProcedure(), scmb::listParams({})).rowCount());
    EXPECT_EQ(u"生产组装模板[%1]不存在或已被删除"_s.arg(t.id),
              call(scmb::linesParams(t.id, 1), scmb::text::linesProcedure()));
    EXPECT_EQ(QString(), deleteGoods(kLamp));
}

TEST_F(AssemblyE2E, TheMenuRightGuardsTheTemplatesOnTheServer) {
    ParamList user;
    user.setValue(u"id"_s, u"2"_s);
    ASSERT_GE(dm.ExecProc(u"p_sys_Up_User"_s, user, true), 0);
    ASSERT_EQ(QString(), save(lamp()));
    const qint64 id = lastId;
    const auto grant = [this](const QString& code) {
        ASSERT_EQ(QString(), test::logIn(dm, 1));
        dm.ExecUpdate(
            u"INSERT INTO sysPurview(userid, menuid, isbj, iscygn, openCount) SELECT 2, "
            "id, 1, 0, 0 FROM sysMenu WHERE code = '%1'"_s.arg(code));
        ASSERT_EQ(QString(), test::logIn(dm, 2));
    };
    const QString refused = u"您没有执行该操作的权限!"_s;
    ASSERT_EQ(QString(), test::logIn(dm, 2));
    scmb::Template second = lamp();
    second.code = u"MB02"_s;
    const auto lines = [&] { return call(scmb::linesParams(id, 2), scmb::text::linesProcedure()); };
    EXPECT_EQ(refused, call(scmb::listParams({}), scmb::text::listProcedure()));
    EXPECT_EQ(refused, lines());
    EXPECT_EQ(refused, save(second));
    // The assembly bill's right reads the templates but does not keep them.
    grant(u"201708"_s);
    EXPECT_EQ(QString(), lines());
    EXPECT_EQ(refused, save(second));
    EXPECT_EQ(refused, call(scmb::deleteParams(id)));
    grant(u"201709"_s);
    EXPECT_EQ(QString(), save(second));
    EXPECT_EQ(QString(), call(scmb::deleteParams(id)));
    EXPECT_EQ(u"MB02"_s,
              test::rowsOf(rows(scmb::text::listProcedure(), scmb::listParams({})), u"code"_s));
}

class AssemblyMenuE2E : public AssemblyE2E {
protected:
    void SetUp() override {
        AssemblyE2E::SetUp();
        if (HasFatalFailure())
            return;
        // 10 shades at 5 and 20 bulbs at 2 in stock.
        dm.ExecUpdate(
            u"INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, qty, price, total) VALUES "
            "(202, 301, 0, 10, 5, 50), (203, 301, 0, 20, 2, 40)"_s);
    }
    // Enter after the text, then the focus must be on the expected field.
    static void enter(const QString& text, QWidget* next) {
        typeKeys(text);
        pressKey(Qt::Key_Return);
        EXPECT_EQ(next, QApplication::focusWidget()) << text.toStdString();
    }
    QString stock(qint64 goods) {
        return u"%1/%2"_s
            .arg(number(u"SELECT sum(qty) FROM baseGoodsStock WHERE goodsid = %1"_s.arg(goods)))
            .arg(number(u"SELECT sum(total) FROM baseGoodsStock WHERE goodsid = %1"_s.arg(goods)));
    }
};

TEST_F(AssemblyMenuE2E, ATemplateEnteredAtTheKeyboardIsPickedIntoAnAssemblyBillForThree) {
    auto* list = openFromMenu<TfrmBaseShengChanMoBan>(201709);
    ASSERT_NE(nullptr, list) << script.messages().join(u'|').toStdString();
    EXPECT_EQ(0, list->model()->rowCount());
    QTest::mouseClick(list->toolBar()->widgetForAction(list->btnAdd()), Qt::LeftButton);
    const QPointer<TfrmBillSCMB> entry = list->entryWindow();
    ASSERT_FALSE(entry.isNull());
    EXPECT_EQ(entry->edCode(), QApplication::focusWidget());
    enter(u"MB01"_s, entry->edName());
    enter(u"台灯组装"_s, entry->edGoods());
    enter(u"SP201"_s, entry->edQty());
    EXPECT_EQ(u"台灯"_s, entry->edGoods()->text());
    enter(u"1"_s, entry->edComment());
    enter(u"常用"_s, entry->edPart());
    for (const char* part : {"SP202", "SP203"}) {
        typeKeys(QString::fromLatin1(part));
        pressKey(Qt::Key_Return);
        ASSERT_EQ(entry->dbgvX()->table(), QApplication::focusWidget()) << part;
        enter(QString::fromLatin1(part) == u"SP202"_s ? u"2"_s : u"3"_s, entry->edPart());
    }
    EXPECT_EQ(2, entry->partRows().size());
    pressKey(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(test::waitUntil([&] { return entry.isNull(); }))
        << script.messages().join(u'|').toStdString();
    EXPECT_EQ(u"保存成功！"_s, script.messages().value(0));
    EXPECT_EQ(u"MB01 台灯组装 201 1 常用"_s,
              test::rowsOf(query(u"SELECT code, name, goodsid, qty, comment FROM baseSCMB"_s),
                           u"code,name,goodsid,qty,comment"_s));
    EXPECT_EQ(u"1 202 2|2 203 3"_s,
              test::rowsOf(query(u"SELECT lineno, goodsid, qty FROM baseSCMBList ORDER BY "
                                 "lineno"_s),
                           u"lineno,goodsid,qty"_s));
    EXPECT_EQ(1, list->model()->rowCount());

    // The assembly bill: F3 picks the template, 3 lamps are asked for.
    auto* bill = openFromMenu<TfrmBillSPCZD>(201708);
    ASSERT_NE(nullptr, bill);
    EXPECT_EQ(kStore, bill->headerId(u"edshck"_s));  // the only warehouse
    // The parts go out of the same warehouse, chosen by its code.
    bill->headerControl(u"edfhck"_s)->setFocus();
    typeKeys(u"CK1"_s);
    test::pickNext(u"CK1"_s);
    pressKey(Qt::Key_Return);
    ASSERT_EQ(kStore, bill->headerId(u"edfhck"_s)) << script.messages().join(u'|').toStdString();
    EXPECT_TRUE(bill->btnTemplate()->isVisible());
    script.clearRecords();
    script.enter(u"3"_s, u"请输入要组装的[台灯]数量（模板组装数量 1）"_s);
    test::pickNext(u"MB01"_s);
    bill->dbgvX()->table()->setFocus();
    pressKey(Qt::Key_F3);
    ASSERT_EQ(3, bill->goodsRows().size()) << script.messages().join(u'|').toStdString();
    EXPECT_EQ(u"201|3 202|-6 203|-9"_s, test::cells(*bill, 0, u"goodsid,qty"_s) + u' ' +
                                            test::cells(*bill, 1, u"goodsid,qty"_s) + u' ' +
                                            test::cells(*bill, 2, u"goodsid,qty"_s));
    test::walkStep(u"template picked"_s);
    qint64 posted = 0;
    const auto c = QObject::connect(bill, &TfrmBillAbstract::billSaved,
                                    [&posted](qint64 saved) { posted = saved; });
    bill->dbgvX()->table()->setFocus();
    pressKey(Qt::Key_S, Qt::ControlModifier);
    QObject::disconnect(c);
    ASSERT_GT(posted, 0) << script.messages().join(u'|').toStdString();
    // Out: 6 shades at 5 (30) and 9 bulbs at 2 (18); in: 3 lamps carrying their cost of 48.
    EXPECT_EQ(u"4/20"_s, stock(kShade));
    EXPECT_EQ(u"11/22"_s, stock(kBulb));
    EXPECT_EQ(u"3/48"_s, stock(kLamp));

    QString listed;
    for (const QString& line : functionListing()) {
        if (line.section(u'\t', 0, 0) == u"201709"_s)
            listed = line.section(u'\t', 2, 2);
    }
    EXPECT_EQ(u"built"_s, listed);
}

TEST_F(AssemblyMenuE2E, TheListCopiesFindsChangesAndDeletesTemplatesAtTheKeyboard) {
    ASSERT_EQ(QString(), save(lamp()));
    const qint64 first = lastId;
    auto* list = openFromMenu<TfrmBaseShengChanMoBan>(201709);
    ASSERT_NE(nullptr, list);
    ASSERT_EQ(1, list->model()->rowCount());
    const auto saveEntry = [&] {
        const QPointer<TfrmBillSCMB> entry = list->entryWindow();
        EXPECT_FALSE(entry.isNull());
        pressKey(Qt::Key_S, Qt::ControlModifier);
        EXPECT_TRUE(test::waitUntil([&] { return entry.isNull(); }))
            << script.messages().join(u'|').toStdString();
        // The workspace gives the list its place and focus back.
        EXPECT_TRUE(
            test::waitUntil([&] { return list->isAncestorOf(QApplication::focusWidget()); }));
    };
    // A copy keeps everything but the code, which the clerk types.
    list->dbgvX()->table()->setFocus();
    QTest::mouseClick(list->toolBar()->widgetForAction(list->btnCopy()), Qt::LeftButton);
    ASSERT_NE(nullptr, list->entryWindow());
    EXPECT_EQ(QString(), list->entryWindow()->edCode()->text());
    typeKeys(u"MB02"_s);
    saveEntry();
    const QString copy =
        u"SELECT l.lineno, l.goodsid, l.qty, a.goodsid AS made FROM baseSCMBList "
        "AS l JOIN baseSCMB AS a ON a.id = l.mbid WHERE a.code = 'MB02' ORDER BY "
        "l.lineno"_s;
    EXPECT_EQ(u"1 202 2 201|2 203 3 201"_s,
              test::rowsOf(query(copy), u"lineno,goodsid,qty,made"_s));
    EXPECT_EQ(2, list->model()->rowCount());
    // Found by its code and deleted with the Delete key.
    list->edFind()->setFocus();
    typeKeys(u"MB02"_s);
    pressKey(Qt::Key_Return);
    ASSERT_EQ(1, list->model()->rowCount());
    script.answer(u"确定(&O)"_s, u"您确定要删除选中的生产组装模板吗？"_s);
    pressKey(Qt::Key_Delete);
    EXPECT_EQ(0, list->model()->rowCount());
    EXPECT_EQ(1, number(u"SELECT del FROM baseSCMB WHERE code = 'MB02'"_s));
    // Enter on the first opens it for a change: two lamps from the same parts.
    list->edFind()->setFocus();
    pressKey(Qt::Key_A, Qt::ControlModifier);
    pressKey(Qt::Key_Delete);
    pressKey(Qt::Key_Return);
    ASSERT_EQ(1, list->model()->rowCount());
    pressKey(Qt::Key_Return);
    ASSERT_NE(nullptr, list->entryWindow());
    EXPECT_EQ(u"MB01"_s, list->entryWindow()->edCode()->text());
    list->entryWindow()->edQty()->setFocus();
    pressKey(Qt::Key_A, Qt::ControlModifier);
    typeKeys(u"2"_s);
    saveEntry();
    EXPECT_EQ(2, number(u"SELECT qty FROM baseSCMB WHERE id = %1"_s.arg(first)));
    EXPECT_EQ(2, number(u"SELECT count(*) FROM baseSCMBList WHERE mbid = %1"_s.arg(first)));
}

}  // namespace
}  // namespace dyt::client
