// The base-data kinds, the rights check and the list window: what each command sends, which
// buttons and columns the rights leave, and how the list moves between levels.
// The record editors against the recording transport: checks in order, codes, pinyin, units and
// the picture.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTableWidget>
#include <QTreeWidget>

#include "baseui_support.h"
#include "client/base/basekinds.h"
#include "client/base/frmbaseedit.h"
#include "client/base/frmbasegoodsset.h"
#include "client/common/gridview.h"
#include "client/common/windowregistry.h"
#include "client/logic/recordsetmodel.h"
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


using client::EditorRequest;
using client::TfrmBaseEdit;
using client::TfrmBaseGoodsSet;

class BaseEdit : public BaseUiFixture {
protected:
    void SetUp() override {
        BaseUiFixture::SetUp();
        client::TfrmBaseEdit::autoCodeState() = false;
        savedUploader = TfrmBaseGoodsSet::pictureUploader();
    }
    void TearDown() override {
        TfrmBaseGoodsSet::pictureUploader() = savedUploader;
        client::TfrmBaseEdit::autoCodeState() = true;
        BaseUiFixture::TearDown();
    }
    std::unique_ptr<TfrmBaseEdit> editor(const QString& code, qint64 id, qint64 parent,
                                         const RecordSet* source = nullptr) {
        std::unique_ptr<TfrmBaseEdit> e(client::createBaseEditor(kindByCode(code), nullptr));
        e->setup(EditorRequest{id, parent, source});
        return e;
    }
    void set(TfrmBaseEdit& e, const char* name, const QString& value) {
        auto* line = qobject_cast<QLineEdit*>(e.fieldEditor(QLatin1String(name)));
        ASSERT_NE(nullptr, line) << name;
        line->setText(value);
    }
    // The named values of a parameter list joined by "|".
    static QString valuesOf(const ParamList& p, const QStringList& names) {
        QStringList out;
        for (const QString& n : names)
            out.append(p.value(n));
        return out.join(u'|');
    }
    // The save procedure calls and their lines.
    QList<ParamList> saves(const QString& procedure) const {
        QList<ParamList> out;
        for (const auto& c : callsOf(u"ExecProc"_s))
            if (c.procedure == procedure)
                out.append(linesOf(c));
        return out;
    }
    client::PictureUploader savedUploader;
};
// The checks come in order, each failing one shows the fields page; equal limits are accepted.
TEST_F(BaseEdit, GoodsChecksComeInOrderAndEqualLimitsAreAccepted) {
    auto e = editor(u"SP"_s, 0, 3);
    struct Step {
        const char* name;
        const char* code;
        const char* fullname;
        const char* lower;
        const char* upper;
        const char* message;  // empty: saved
    };
    const Step steps[] = {
        {"empty code", "", "", "", "", "请输入商品编号"},
        {"empty full name", "01", "", "-1", "-1", "请输入商品全名"},
        {"lower below 0", "01", "可乐", "-1", "-1", "库存下限不能小于0"},
        {"upper below 0", "01", "可乐", "0", "-1", "库存上限不能小于0"},
        {"lower above upper", "01", "可乐", "6", "5", "库存上限必须大于库存下限"},
        {"equal limits", "01", "可乐", "5", "5", ""},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        script.clearRecords();
        set(*e, "code", QString::fromUtf8(s.code));
        set(*e, "fullname", QString::fromUtf8(s.fullname));
        set(*e, "warnDown", QLatin1String(s.lower));
        set(*e, "warnUP", QLatin1String(s.upper));
        e->pages()->setCurrentIndex(3);
        const bool saved = e->save();
        const QString message = QString::fromUtf8(s.message);
        EXPECT_EQ(message.isEmpty(), saved);
        EXPECT_EQ(message.isEmpty() ? QStringList() : QStringList{message}, script.messages());
        if (!message.isEmpty()) {
            EXPECT_EQ(u"提示"_s, script.records().last().caption);
            EXPECT_TRUE(saves(u"p_base_Up_Goods"_s).isEmpty());
            EXPECT_EQ(u"主要信息"_s, e->pages()->tabText(e->pages()->currentIndex()));
        }
    }
    ASSERT_EQ(1, saves(u"p_base_Up_Goods"_s).size());
    EXPECT_EQ(u"5"_s, saves(u"p_base_Up_Goods"_s)[0].value(u"warnUP"_s));
}
TEST_F(BaseEdit, GoodsSaveSendsTheRecordThenItsUnitsUnderTheReturnedId) {
    auto e = editor(u"SP"_s, 0, 3);
    set(*e, "code", u"A'1"_s);
    set(*e, "fullname", u"可口可乐"_s);
    e->fullNameLeft();
    auto* type = qobject_cast<QComboBox*>(e->fieldEditor(u"spType"_s));
    ASSERT_NE(nullptr, type);
    type->setCurrentIndex(1);
    auto* goods = static_cast<TfrmBaseGoodsSet*>(e.get());
    QTableWidget* units = goods->unitGrid();
    units->item(0, client::kUnitName)->setText(u"瓶"_s);
    units->item(0, client::kUnitPrice)->setText(u"3.5"_s);
    units->item(1, client::kUnitName)->setText(u"箱"_s);
    units->item(1, client::kUnitRate)->setText(u"24"_s);
    goods->setDefaultUnit(1);
    answerProcResult(55);
    ASSERT_TRUE(e->save());
    EXPECT_EQ(55, e->recordId());
    const auto procs = callsOf(u"ExecProc"_s);
    ASSERT_EQ(3, procs.size());
    EXPECT_EQ(u"p_base_Up_Goods"_s, procs[0].procedure);
    const ParamList record = linesOf(procs[0]);
    EXPECT_EQ(u"A'1|可口可乐|KKKL|可口可乐|1|0|3|7"_s,
              valuesOf(record, {u"code"_s, u"fullname"_s, u"pym"_s, u"name"_s, u"spType"_s, u"id"_s,
                                u"par_id"_s, u"czy_id"_s}));
    EXPECT_TRUE(record.contains(u"bz10"_s));
    const ParamList base = linesOf(procs[1]);
    EXPECT_EQ(u"p_base_Up_goodsunit"_s, procs[1].procedure);
    EXPECT_EQ((QStringList{u"Goodsid=55"_s, u"fzdwid=0"_s, u"unit=瓶"_s, u"rate=1"_s, u"barcode="_s,
                           u"price=3.5"_s, u"price1=0"_s, u"price2=0"_s, u"price3=0"_s, u"id=0"_s,
                           u"isDefault=0"_s, u"czy_id=7"_s}),
              base.lines());
    EXPECT_EQ(u"1|24|1"_s, valuesOf(linesOf(procs[2]), {u"fzdwid"_s, u"rate"_s, u"isDefault"_s}));
    EXPECT_TRUE(client::baseDataChanged());
}
TEST_F(BaseEdit, PinyinAndShortNameOnLeavingTheFullName) {
    auto e = editor(u"SP"_s, 0, 0);
    set(*e, "pym", u"OLD"_s);
    set(*e, "fullname", u"德盈通 A-1型"_s);
    e->fullNameLeft();
    EXPECT_EQ(u"DYTA1X"_s, e->fieldValue(u"pym"_s));
    // Three Chinese characters are six bytes, the blank and "A" two more: eight in all.
    EXPECT_EQ(u"德盈通 A"_s, e->fieldValue(u"name"_s));
    // A short name already there stays.
    set(*e, "fullname", u"长城"_s);
    e->fullNameLeft();
    EXPECT_EQ(u"CC"_s, e->fieldValue(u"pym"_s));
    EXPECT_EQ(u"德盈通 A"_s, e->fieldValue(u"name"_s));
    // Other editors fill the pinyin code only.
    auto ck = editor(u"CK"_s, 0, 0);
    set(*ck, "FullName", u"银行仓库"_s);
    ck->fullNameLeft();
    EXPECT_EQ(u"YHCK"_s, ck->fieldValue(u"pym"_s));
}
TEST_F(BaseEdit, AutomaticCodeOfEveryKindAndTheRememberedState) {
    const struct {
        const char* kind;
        const char* autoKind;
    } kinds[] = {{"ZY", "zy"}, {"CK", "ck"},           {"BM", "bm"}, {"WLDW", "WLDW"},
                 {"DQ", "dq"}, {"ZHAIYAO", "zhaiyao"}, {"KM", "KM"}};
    client::TfrmBaseEdit::autoCodeState() = true;
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.kind);
        transport->clearCalls();
        answerQuery(recordSet({u"Code"_s}, {{u"X-009"_s}}));
        auto e = editor(QLatin1String(k.kind), 0, 4);
        EXPECT_EQ(QStringList{u"SELECT dbo.fnGetBaseAutoCode('%1', 4) as Code"_s.arg(
                      QLatin1String(k.autoKind))},
                  sqlTexts());
        EXPECT_EQ(u"X-009"_s, e->fieldValue(u"code"_s));
    }
    // Unticked and saved: the next editor starts unticked and fetches nothing.
    auto bm = editor(u"BM"_s, 0, 0);
    bm->cbAutoCode()->setChecked(false);
    set(*bm, "code", u"B1"_s);
    set(*bm, "FullName", u"销售部"_s);
    ASSERT_TRUE(bm->save());
    transport->clearCalls();
    auto next = editor(u"BM"_s, 0, 0);
    EXPECT_FALSE(next->cbAutoCode()->isChecked());
    EXPECT_TRUE(sqlTexts().isEmpty());
}
TEST_F(BaseEdit, PartnerRulesInOrder) {
    auto e = editor(u"WLDW"_s, 0, 0);
    set(*e, "code", u"D1"_s);
    set(*e, "fullname", u"华联超市"_s);
    struct Step {
        const char* name;
        QList<QPair<const char*, const char*>> values;
        const char* message;
    };
    const Step steps[] = {
        {"receivable limit below 0", {{"ys_xyd", "-1"}}, "应收上限不能小于 0"},
        {"payable limit below 0", {{"ys_xyd", "0"}, {"yf_xyd", "-0.5"}}, "应付上限不能小于 0"},
        {"both advances",
         {{"yf_xyd", "100"}, {"yushouTotal00", "10"}, {"yufuTotal00", "20"}},
         "不能同时录入期初预收和期初预付！"},
        {"both balances",
         {{"yufuTotal00", ""}, {"ystotal00", "5"}, {"yftotal00", "6"}},
         "不能同时录入期初应收和期初应付！"},
        {"zero days", {{"yftotal00", "0"}, {"ysDays", "0"}}, "收款期限天数必须是正整数"},
        {"days not a number", {{"ysDays", "30"}, {"yfDays", "1.5"}}, "付款期限天数必须是正整数"},
        {"all right", {{"yfDays", "15"}}, ""},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        script.clearRecords();
        for (const auto& [name, value] : s.values)
            set(*e, name, QLatin1String(value));
        const QString message = QString::fromUtf8(s.message);
        EXPECT_EQ(message.isEmpty(), e->save());
        EXPECT_EQ(message.isEmpty() ? QStringList() : QStringList{message}, script.messages());
    }
    const auto sent = saves(u"p_Base_Up_Wldw"_s);
    ASSERT_EQ(1, sent.size());
    EXPECT_EQ(u"30|10|0|0"_s,
              valuesOf(sent[0], {u"ysDays"_s, u"yushouTotal00"_s, u"yufuTotal00"_s, u"Areaid"_s}));
    // The opening balances entered go to the opening-balance procedure of the saved partner.
    const auto opening = saves(u"P_JXC_INI_baseWLDW"_s);
    ASSERT_EQ(1, opening.size());
    EXPECT_EQ(u"5|0|10|0"_s,
              valuesOf(opening[0], {u"ysTotal"_s, u"yfTotal"_s, u"yuShouTotal"_s, u"yufuTotal"_s}));
}
TEST_F(BaseEdit, AServerRefusalKeepsTheEditorOpen) {
    auto e = editor(u"BM"_s, 0, 0);
    set(*e, "code", u"B1"_s);
    set(*e, "FullName", u"销售部"_s);
    transport->fail(u"ExecProc"_s, u"编号[B1]已经存在"_s);
    EXPECT_FALSE(e->save());
    ASSERT_EQ(1, script.messages().size());
    EXPECT_TRUE(script.messages()[0].contains(u"编号[B1]已经存在"_s));
    EXPECT_EQ(0, e->recordId());
}
// The upload, the mark and the deletion against a real server: base_e2e.
TEST_F(BaseEdit, PictureUploadOfTheSavedIdAndAFailureIsReported) {
    auto e = editor(u"SP"_s, 0, 3);
    auto* goods = static_cast<TfrmBaseGoodsSet*>(e.get());
    EXPECT_FALSE(goods->setPictureFile(dir.filePath(u"nothing.jpg"_s)));
    EXPECT_EQ(QStringList{u"商品图片不存在，请检查"_s}, script.messages());
    const QString file = dir.filePath(u"p.jpg"_s);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not really a picture");
    }
    ASSERT_TRUE(goods->setPictureFile(file));
    QList<QPair<qint64, QByteArray>> uploads;
    TfrmBaseGoodsSet::pictureUploader() = [&uploads](qint64 id, const QByteArray& data) {
        uploads.append({id, data});
    };
    set(*e, "code", u"01"_s);
    set(*e, "fullname", u"可乐"_s);
    answerProcResult(55);
    script.clearRecords();
    ASSERT_TRUE(e->save());
    ASSERT_EQ(1, uploads.size());
    EXPECT_EQ(55, uploads[0].first);
    EXPECT_EQ(QByteArray("not really a picture"), uploads[0].second);
    EXPECT_TRUE(script.progressTexts().contains(u"系统正在上传图片，请耐心等待..."_s));
    // A failing upload after a saved record.
    auto second = editor(u"SP"_s, 0, 3);
    auto* g2 = static_cast<TfrmBaseGoodsSet*>(second.get());
    ASSERT_TRUE(g2->setPictureFile(file));
    TfrmBaseGoodsSet::pictureUploader() = [](qint64, const QByteArray&) {
        throw DytError(u"磁盘已满"_s);
    };
    set(*second, "code", u"02"_s);
    set(*second, "fullname", u"雪碧"_s);
    script.clearRecords();
    transport->clearCalls();
    EXPECT_TRUE(second->save());
    EXPECT_EQ(QStringList{u"保存成功，但商品图片未保存成功：磁盘已满"_s}, script.messages());
    EXPECT_TRUE(sqlTexts().isEmpty());  // not marked as having a picture
}
TEST_F(BaseEdit, DefaultUnitMovesOnlyToARowWithAUnit) {
    auto e = editor(u"SP"_s, 0, 0);
    auto* goods = static_cast<TfrmBaseGoodsSet*>(e.get());
    goods->unitGrid()->item(0, client::kUnitName)->setText(u"个"_s);
    goods->unitGrid()->item(1, client::kUnitName)->setText(u"盒"_s);
    EXPECT_EQ(0, goods->defaultUnitRow());
    goods->setDefaultUnit(2);
    EXPECT_EQ(0, goods->defaultUnitRow());
    goods->setDefaultUnit(1);
    EXPECT_EQ(1, goods->defaultUnitRow());
    EXPECT_EQ(u"|√"_s, goods->unitGrid()->item(0, client::kUnitDefault)->text() + u'|' +
                          goods->unitGrid()->item(1, client::kUnitDefault)->text());
    // The base unit's relation is not editable.
    EXPECT_FALSE(goods->unitGrid()->item(0, client::kUnitRate)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(u"基本单位的单位关系不能修改"_s,
              goods->unitGrid()->item(0, client::kUnitRate)->toolTip());
}
TEST_F(BaseEdit, FieldLabelsFollowTheFieldCaptions) {
    client::settings().FieldCaptions.insert(u"100141"_s, u"保修期"_s);
    auto relabelled = editor(u"SP"_s, 0, 0);
    const QWidget* bz1 = relabelled->fieldEditor(u"bz1"_s);
    ASSERT_NE(nullptr, bz1);
    bool found = false;
    for (const QLabel* l : relabelled->findChildren<QLabel*>())
        if (l->buddy() == bz1)
            found = l->text() == u"保修期："_s;
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace dyt::test
