// The base-data kinds, the rights check and the list window: what each command sends, which
// buttons and columns the rights leave, and how the list moves between levels.
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTreeWidget>

#include "baseui_support.h"
#include "client/base/basekinds.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "client/common/windowregistry.h"
#include "client/shell/functions.h"
#include "support/testutil.h"

namespace dyt::test {
namespace {

using client::TfrmBaseList;
using client::base::BaseKind;
using client::base::findBaseKind;
using client::base::kindByCode;
using client::base::ListState;

// --- the kind table and the texts it builds

TEST(BaseKinds, EveryKindIsFoundByItsClassesAndCodeAndOpensFromItsFunction) {
    ASSERT_EQ(8, client::base::baseKinds().size());
    for (const BaseKind& k : client::base::baseKinds()) {
        SCOPED_TRACE(k.listClass.toStdString());
        EXPECT_EQ(&k, findBaseKind(k.listClass));
        EXPECT_EQ(&k, findBaseKind(k.editorClass.toUpper()));
        EXPECT_EQ(&k, &kindByCode(k.kindCode));
        const client::FunctionEntry* f = client::findFunction(k.functionCode);
        ASSERT_NE(nullptr, f);
        EXPECT_EQ(k.listClass, QLatin1String(f->className));
        EXPECT_FALSE(k.saveProcedure.isEmpty());
        EXPECT_FALSE(k.fields.isEmpty());
    }
    EXPECT_EQ(nullptr, findBaseKind(u"TfrmBaseNothing"_s));
    EXPECT_EQ(u"未知的基本信息类型[XX]"_s, errorOf([] { kindByCode(u"XX"_s); }));
}
TEST(BaseKinds, ListSegmentFollowsModeSearchAndStopped) {
    const BaseKind& goods = kindByCode(u"SP"_s);
    const BaseKind& departments = kindByCode(u"BM"_s);
    struct Case {
        const char* name;
        const BaseKind* kind;
        ListState state;
        const char* segment;
    };
    // clang-format off
    const Case cases[] = {
        {"top level", &goods, {0, false, 0, {}, false}, ";par_id=0;isstop=0"},
        {"inside a category", &goods, {12, false, 0, {}, false}, ";par_id=12;isstop=0"},
        {"stopped included", &goods, {12, false, 0, {}, true}, ";par_id=12"},
        {"flat list", &goods, {12, true, 0, {}, false}, ";isList=1;isstop=0"},
        {"list of one category", &goods, {0, true, 5, {}, false}, ";isList=1;isList=1;par_id=5;isstop=0"},
        {"search replaces the level", &goods, {12, true, 5, u" ab "_s, false}, ";allfilter=ab;isstop=0"},
        {"search with a quote", &goods, {0, false, 0, u"A'1"_s, true}, ";allfilter=A'1"},
        {"kind without stopped records", &departments, {3, false, 0, {}, false}, ";par_id=3"},
    };
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(QLatin1String(c.segment), client::base::listSegment(*c.kind, c.state)) << c.name;
}
TEST(BaseKinds, ListAndTreeParameterLines) {
    const BaseKind& goods = kindByCode(u"SP"_s);
    const ParamList list = client::base::listParams(goods, ListState{4, false, 0, {}, false}, 7);
    EXPECT_EQ(QStringList({u"QueryType=SP"_s, u"wldwStr=;czy_id=7"_s, u"zyStr=;czy_id=7"_s,
                           u"ckStr=;czy_id=7"_s, u"bmStr=;czy_id=7"_s, u"kmStr=;czy_id=7"_s,
                           u"GoodsStr=;czy_id=7;par_id=4;isstop=0"_s}),
              list.lines());
    const ParamList tree = client::base::treeParams(goods, 7);
    EXPECT_EQ(u";czy_id=7;TreeView=1"_s, tree.value(u"GoodsStr"_s));
    EXPECT_EQ(u"SP"_s, tree.value(u"QueryType"_s));
    // Employees carry their segment in zyStr; the goods string keeps the operator only.
    const ParamList zy =
        client::base::listParams(kindByCode(u"ZY"_s), ListState{0, false, 0, {}, true}, 7);
    EXPECT_EQ(u";czy_id=7;par_id=0"_s, zy.value(u"zyStr"_s));
    EXPECT_EQ(u";czy_id=7"_s, zy.value(u"GoodsStr"_s));
    EXPECT_EQ(u"ZY"_s, zy.value(u"QueryType"_s));
    const ParamList km = client::base::treeParams(kindByCode(u"KM"_s), 3);
    EXPECT_EQ(u";czy_id=3;TreeView=1"_s, km.value(u"kmStr"_s));
}
TEST(BaseKinds, CaptionsComeFromTheSettingsAndKeepTheirTags) {
    client::resetSettings();
    const BaseKind& goods = kindByCode(u"SP"_s);
    const auto& price = goods.columns[10];
    ASSERT_EQ(u"LSprice"_s, price.field);
    EXPECT_EQ(u"[%P%]零售价"_s, client::base::columnCaption(goods, price));
    client::settings().FieldCaptions.insert(u"100131"_s, u"门市价"_s);
    client::settings().FieldCaptions.insert(u"100122"_s, u"品名"_s);
    EXPECT_EQ(u"[%P%]门市价"_s, client::base::columnCaption(goods, price));
    EXPECT_EQ(u"品名"_s, client::base::fieldLabel(goods, goods.fields[1]));
    // Regions have no field captions: their defaults stay.
    const BaseKind& regions = kindByCode(u"DQ"_s);
    EXPECT_EQ(u"地区全名"_s, client::base::columnCaption(regions, regions.columns[1]));
    client::resetSettings();
}

// --- the rights check

TEST(Rights, CheckFollowsTheRowsAndTheSpecialCases) {
    const QList<QVariantList> granted = {{1001, 1, 0},   {100101, 1, 0}, {100102, 0, 0},
                                         {100103, 0, 1}, {1002, 0, 0},   {100201, 1, 0}};
    RecordSet rows = recordSet({u"code:integer"_s, u"isbj:integer"_s, u"hide:integer"_s}, granted);
    struct Case {
        const char* name;
        int user;
        const char* menu;
        const char* sub;
        const char* caption;
        bool granted;
    };
    const Case cases[] = {
        {"granted entry", 7, "1001", "", "", true},
        {"granted sub-right", 7, "1001", "01", "添加", true},
        {"refused sub-right", 7, "1001", "02", "修改", false},
        {"hidden row counts as granted", 7, "1001", "03", "删除", true},
        {"01 without a row is refused", 7, "1001", "04", "打印", false},
        {"21 without a row is granted", 7, "1001", "21", "商品编号", true},
        {"refused entry refuses its sub-rights", 7, "1002", "01", "添加", false},
        {"unknown entry", 7, "1099", "", "", false},
        {"menu number 0 grants its sub-rights", 7, "0", "01", "添加", true},
        {"operator 1 passes everything", 1, "1002", "02", "修改", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.granted,
                  client::checkPurviewIn(&rows, c.user, QLatin1String(c.menu), QLatin1String(c.sub),
                                         QString::fromUtf8(c.caption), false))
            << c.name;
    }
    EXPECT_EQ(u"您没有执行该操作的权限!"_s, errorOf([&rows] {
                  client::checkPurviewIn(&rows, 7, u"1001"_s, u"02"_s, u"修改"_s, true);
              }));
    EXPECT_FALSE(client::checkPurviewIn(nullptr, 7, u"1001"_s, QString(), QString(), false));
}

// --- the list window

class BaseList : public BaseUiFixture {
protected:
    void SetUp() override {
        BaseUiFixture::SetUp();
        client::TfrmBaseList::editorOpener() = [this](const BaseKind& kind,
                                                      const client::EditorRequest& r, QWidget*) {
            requests.append({kind.kindCode, r.id, r.parentId, r.source != nullptr});
            return saveResult;
        };
    }
    std::unique_ptr<TfrmBaseList> open(const QString& code, int tag) {
        auto w = std::make_unique<TfrmBaseList>(kindByCode(code));
        w->setTag(tag);
        w->applyRights();
        return w;
    }
    // Rows of a goods level inside category 3 ("3,").
    static RecordSet level(int leveal = 2) {
        return baseRows({{10, 2, u"01"_s, u"饮料"_s, leveal, 3, u"3,10,"_s, u"食品>饮料"_s},
                         {11, 0, u"0101"_s, u"可乐"_s, leveal, 3, u"3,11,"_s, u"食品>可乐"_s},
                         {12, 0, u"0102"_s, u"雪碧"_s, leveal, 3, u"3,12,"_s, u"食品>雪碧"_s}});
    }
    QString lastGoodsStr() const {
        const auto calls = callsOf(u"ExecProcQuery"_s);
        return calls.isEmpty() ? QString() : linesOf(calls.last()).value(u"GoodsStr"_s);
    }
    struct Request {
        QString kind;
        qint64 id;
        qint64 parentId;
        bool copy;
        bool operator==(const Request&) const = default;
    };
    QList<Request> requests;
    bool saveResult = false;
};
TEST_F(BaseList, LoadSendsTheLevelNumbersTheRowsAndShowsThePath) {
    auto w = open(u"SP"_s, 1001);
    answerProc(level());
    w->loadList();
    const auto calls = callsOf(u"ExecProcQuery"_s);
    ASSERT_EQ(1, calls.size());
    EXPECT_EQ(u"P_JXC_Get_Base"_s, calls[0].procedure);
    EXPECT_EQ(u";czy_id=7;par_id=0;isstop=0"_s, linesOf(calls[0]).value(u"GoodsStr"_s));
    EXPECT_EQ(3, w->model()->rowCount());
    QStringList order;
    for (int r = 0; r < 3; ++r)
        order.append(w->rowValue(r, u"_order"_s).toString());
    EXPECT_EQ(QStringList({u"000001"_s, u"000002"_s, u"000003"_s}), order);
    w->setFocusedRow(1);
    EXPECT_EQ(u"分类路径：食品>可乐"_s, w->lbPath()->text());
    EXPECT_EQ(u"退出(&C)"_s, w->btnExit()->text());
}
TEST_F(BaseList, CategoriesAreEnteredAndLeftThroughTheCloseButton) {
    auto w = open(u"SP"_s, 1001);
    answerProc(level());
    w->loadList();
    answerProc(
        baseRows({{20, 0, u"010101"_s, u"罐装"_s, 3, 10, u"3,10,20,"_s, u"食品>饮料>罐装"_s}}));
    w->rowActivated(0);  // a category row: entered
    EXPECT_EQ(u";czy_id=7;par_id=10;isstop=0"_s, lastGoodsStr());
    EXPECT_EQ(u"3,10,"_s, w->currentPath());
    EXPECT_EQ(u"返回(&C)"_s, w->btnExit()->text());
    w->btnExitClick();  // up to category 3
    EXPECT_EQ(u";czy_id=7;par_id=3;isstop=0"_s, lastGoodsStr());
    EXPECT_EQ(u"3,"_s, w->currentPath());
    w->btnExitClick();  // up to the top
    EXPECT_EQ(test::clientValuesText(u";czy_id=7;par_id=0;isstop=0"_s, QString(), u"退出(&C)"_s),
              test::clientValuesText(lastGoodsStr(), w->currentPath(), w->btnExit()->text()));
    EXPECT_FALSE(w->goUp());
}
// A stopped flag reads "否"/"是" in every list, whatever form the server sends it in.
TEST_F(BaseList, StoppedFlagReadsTheSameInEveryList) {
    const struct {
        const char* kind;
        int tag;
        const char* field;
        FieldType type;
        QVariant cleared, set;
    } cases[] = {
        {"SP", 1001, "stopName", FieldType::Text, u"否"_s, u"是"_s},
        {"CK", 1004, "isstop", FieldType::Integer, 0, 1},
        {"CK", 1004, "isstop", FieldType::Boolean, false, true},
    };
    client::loginedUser().UserId = 1;  // every column shown and printed
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + "." + c.field);
        auto w = open(QString::fromLatin1(c.kind), c.tag);
        RecordSet rows = baseRows({{1, 0, u"01"_s, u"甲"_s, 1, 0, u"1,"_s, QString()},
                                   {2, 0, u"02"_s, u"乙"_s, 1, 0, u"2,"_s, QString()}});
        const int f = rows.addField(QLatin1String(c.field), c.type);
        rows.setAt(0, f, c.cleared);
        rows.setAt(1, f, c.set);
        answerProc(rows);
        w->loadList();
        const int column = w->model()->definition()->columnIndex(QLatin1String(c.field));
        ASSERT_GE(column, 0);
        RecordSet printed;  // and so it prints
        w->BuildPrintRows(&printed);
        ASSERT_GE(printed.fieldIndex(QLatin1String(c.field)), 0);
        for (int r = 0; r < 2; ++r) {
            EXPECT_EQ(r ? u"是"_s : u"否"_s, w->model()->displayText(r, column));
            EXPECT_EQ(w->model()->displayText(r, column),
                      printed.at(r, printed.fieldIndex(QLatin1String(c.field))).toString());
        }
    }
}
TEST_F(BaseList, QuickSearchAndListModes) {
    auto w = open(u"SP"_s, 1001);
    answerProc(level());
    w->loadList();
    w->edSearch()->setText(u"A'1"_s);
    answerProc(level());
    w->searchClick();
    EXPECT_EQ(u";czy_id=7;allfilter=A'1;isstop=0"_s, lastGoodsStr());
    // Tab in the box searches too.
    w->edSearch()->setText(u"可乐"_s);
    answerProc(level());
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(w->edSearch(), &tab);
    EXPECT_EQ(u";czy_id=7;allfilter=可乐;isstop=0"_s, lastGoodsStr());
    w->edSearch()->clear();
    answerProc(level());
    w->searchClick();
    // A goods row cannot be listed as a category: the mode stays.
    w->setFocusedRow(1);
    script.answer(u"部分列表(可乐)"_s, u"列表选择"_s);
    const int before = callsOf(u"ExecProcQuery"_s).size();
    w->btnListClick();
    EXPECT_EQ(QStringList{u"只能对一类商品进行列表！"_s}, script.messages());
    EXPECT_FALSE(w->state().listMode);
    EXPECT_EQ(before, callsOf(u"ExecProcQuery"_s).size());
    // The category row lists its goods; back to levels asks nothing.
    w->setFocusedRow(0);
    script.answer(u"部分列表(饮料)"_s);
    w->btnListClick();
    EXPECT_EQ(u"层级显示"_s, w->btnList()->text());
    w->btnListClick();
    EXPECT_EQ(u"列表显示"_s, w->btnList()->text());
}
// Add, copy, edit and the reload after a save run against a real server in base_e2e.
TEST_F(BaseList, ADoubleClickEditsAGoodsRowForAnOperatorWithTheEditRight) {
    auto w = open(u"SP"_s, 1001);
    answerProc(level());
    w->loadList();
    w->rowActivated(1);
    EXPECT_TRUE(requests.isEmpty());  // operator 7 holds no edit right
    client::loginedUser().UserId = 1;
    w->applyRights();
    w->rowActivated(1);
    EXPECT_EQ((QList<Request>{{u"SP"_s, 11, 3, false}}), requests);
}
TEST_F(BaseList, DeleteRefusesCategoriesAndSendsTheGoodsDeletion) {
    auto w = open(u"SP"_s, 1001);
    answerProc(level());
    w->loadList();
    w->setFocusedRow(0);
    w->btnDelClick();
    EXPECT_EQ(QStringList{u"此记录为一个节点，不能删除！"_s}, script.messages());
    EXPECT_TRUE(callsOf(u"ExecProc"_s).isEmpty());
    // Cancelled: nothing sent.
    w->setFocusedRow(2);
    script.answer(u"取消(&C)"_s, u"您确定要删除选中的数据吗？"_s);
    w->btnDelClick();
    EXPECT_TRUE(callsOf(u"ExecProc"_s).isEmpty());
    script.answer(u"确定(&O)"_s, u"您确定要删除选中的数据吗？"_s);
    w->btnDelClick();
    const auto procs = callsOf(u"ExecProc"_s);
    ASSERT_EQ(1, procs.size());
    EXPECT_EQ(u"p_base_Up_Goods"_s, procs[0].procedure);
    EXPECT_EQ(u"12"_s, linesOf(procs[0]).value(u"id"_s));
    EXPECT_EQ(u"1"_s, linesOf(procs[0]).value(u"del"_s));
}
TEST_F(BaseList, SystemRowsOfEmployeesAndAccountsRefuseEveryChange) {
    auto zy = open(u"ZY"_s, 1002);
    answerProc(baseRows({{1, 0, u"001"_s, u"系统管理员"_s, 1, 0, u"1,"_s, QString()},
                         {8, 0, u"008"_s, u"李四"_s, 1, 0, u"8,"_s, QString()}},
                        {u"candel"_s}, {{0}, {1}}));
    zy->loadList();
    zy->setFocusedRow(0);
    zy->btnUpdateClick();
    zy->btnAddLevelClick();
    zy->btnDelClick();
    const QString refusal = u"系统默认操作员，不能被修改、删除和分类!"_s;
    EXPECT_EQ(QStringList({refusal, refusal, refusal}), script.messages());
    EXPECT_TRUE(requests.isEmpty());
    script.clearRecords();
    auto km = open(u"KM"_s, 1008);
    answerProc(baseRows({{101, 0, u"1001"_s, u"库存现金"_s, 1, 0, u"101,"_s, QString()}},
                        {u"sysrow"_s}, {{1}}));
    km->loadList();
    EXPECT_EQ(u"P_Base_Get_KM"_s, callsOf(u"ExecProcQuery"_s).last().procedure);
    EXPECT_EQ(u";czy_id=7;par_id=0;isstop=0"_s,
              linesOf(callsOf(u"ExecProcQuery"_s).last()).value(u"kmStr"_s));
    km->setFocusedRow(0);
    km->btnUpdateClick();
    km->btnAddLevelClick();
    km->btnDelClick();
    EXPECT_EQ(QStringList(
                  {u"系统行不能新增或修改！"_s, u"系统行不能被分类！"_s, u"系统行不能被删除！"_s}),
              script.messages());
}
TEST_F(BaseList, DroppingRowsOnATreeNodeReparentsThem) {
    client::loginedUser().UserId = 1;
    TfrmBaseList w(kindByCode(u"SP"_s));
    w.setTag(1001);
    answerProc(level());
    answerProc(baseRows({{3, 3, u"01"_s, u"食品"_s, 1, 0, u"3,"_s, {}},
                         {4, 0, u"02"_s, u"日用品"_s, 1, 0, u"4,"_s, {}}}));
    w.resize(900, 500);
    w.show();
    QApplication::processEvents();
    ASSERT_EQ(2, w.tvCategory()->topLevelItemCount());
    transport->clearCalls();
    QTreeWidgetItem* target = w.tvCategory()->topLevelItem(1);
    const QPoint at = w.tvCategory()->visualItemRect(target).center();
    ASSERT_EQ(target, w.tvCategory()->itemAt(at));
    QMimeData mime;
    mime.setData(u"application/x-dyt-base-ids"_s, QByteArray("11,12"));
    QDropEvent drop(QPointF(at), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    EXPECT_TRUE(w.tvCategory()->viewport()->acceptDrops());
    QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.tvCategory()->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    // The list and the tree come again after the drop.
    answerProc(level());
    answerProc(baseRows({{3, 3, u"01"_s, u"食品"_s, 1, 0, u"3,"_s, {}}}));
    QApplication::sendEvent(w.tvCategory()->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(QStringList(), script.messages());
    const auto procs = callsOf(u"ExecProc"_s);
    ASSERT_EQ(1, procs.size());
    EXPECT_EQ(u"p_Base_Up_DragDrop"_s, procs[0].procedure);
    EXPECT_EQ(u"4"_s, linesOf(procs[0]).value(u"par_id"_s));
    EXPECT_EQ(u"(0,11,12,-1)"_s, linesOf(procs[0]).value(u"idStrList"_s));
    w.close();
}
TEST_F(BaseList, ButtonsFollowTheSubRightsAndColumnsTheFieldRights) {
    const QList<QPair<QString, int>> granted = {
        {u"1001"_s, 1},   {u"100101"_s, 1}, {u"100102"_s, 0}, {u"100103"_s, 1},
        {u"100104"_s, 0}, {u"100121"_s, 0}, {u"100131"_s, 1}};
    setRights(granted);
    auto w = open(u"SP"_s, 1001);
    const auto shown = [&w] {
        QList<bool> out;
        for (QAction* a :
             {w->btnAdd(), w->btnAddLevel(), w->btnUpdate(), w->btnDel(), w->btnPrint()})
            out.append(a->isVisible());
        return out;
    };
    EXPECT_EQ((QList<bool>{true, true, false, true, false}), shown());
    const auto& columns = w->gridDefinition().columns;
    ASSERT_EQ(16, columns.size());
    EXPECT_EQ(u"code"_s, columns[0].fieldName);
    EXPECT_EQ(0, columns[0].width);
    EXPECT_FALSE(columns[0].visible);
    // A field right without a row above 20 is not controlled; a granted one keeps its width.
    EXPECT_EQ(160, columns[1].width);
    EXPECT_TRUE(columns[1].visible);
    EXPECT_EQ(70, columns[10].width);
    // Without the add right both add buttons go; operator 1 sees everything.
    setRights({{u"1001"_s, 1}, {u"100101"_s, 0}});
    w->applyRights();
    EXPECT_EQ((QList<bool>{false, false, false, false, false}), shown());
    client::loginedUser().UserId = 1;
    w->applyRights();
    EXPECT_EQ(QList<bool>(5, true), shown());
    EXPECT_EQ(90, w->gridDefinition().columns[0].width);
}
TEST_F(BaseList, RegionsAreReadBySqlAndShownOneLevelAtATime) {
    auto w = open(u"DQ"_s, 1006);
    RecordSet all = baseRows({{1, 2, u"01"_s, u"华东"_s, 1, 0, u"1,"_s, {}},
                              {2, 0, u"0101"_s, u"上海"_s, 2, 1, u"1,2,"_s, {}},
                              {3, 0, u"0102"_s, u"杭州"_s, 2, 1, u"1,3,"_s, {}},
                              {4, 0, u"02"_s, u"华北"_s, 1, 0, u"4,"_s, {}}});
    answerQuery(all);
    w->loadList();
    EXPECT_EQ(QStringList{QStringLiteral(
                  "SELECT dbo.fnGetBaseDQFullName(id) as PathName,* FROM baseDQ WHERE del = 0")},
              sqlTexts());
    ASSERT_EQ(2, w->model()->rowCount());
    EXPECT_EQ(u"华东"_s, w->rowValue(0, u"fullname"_s).toString());
    EXPECT_EQ(u"华北"_s, w->rowValue(1, u"fullname"_s).toString());
    answerQuery(all);
    w->rowActivated(0);
    ASSERT_EQ(2, w->model()->rowCount());
    EXPECT_EQ(u"上海"_s, w->rowValue(0, u"fullname"_s).toString());
    answerQuery(all);
    w->edSearch()->setText(u"杭"_s);
    w->searchClick();
    ASSERT_EQ(1, w->model()->rowCount());
    EXPECT_EQ(3, w->rowValue(0, u"id"_s).toLongLong());
    EXPECT_TRUE(callsOf(u"ExecProcQuery"_s).isEmpty());
}
TEST_F(BaseList, EveryListClassIsRegistered) {
    client::registerBaseWindows();
    for (const BaseKind& k : client::base::baseKinds()) {
        std::unique_ptr<QWidget> w(client::createWindow(k.listClass, nullptr));
        ASSERT_NE(nullptr, w) << k.listClass.toStdString();
        auto* list = qobject_cast<TfrmBaseList*>(w.get());
        ASSERT_NE(nullptr, list);
        EXPECT_EQ(k.title, list->windowTitle());
        EXPECT_EQ(k.listClass + u"_dbgvX"_s, list->layoutKey());
    }
}

}  // namespace
}  // namespace dyt::test
