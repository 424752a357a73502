// The base-data kinds, the rights check and the list window: what each command sends, which
// buttons and columns the rights leave, and how the list moves between levels.
// The record editors against the recording transport: checks in order, codes, pinyin, units and
// the picture.
// The base-data list windows and their editors, driven through the lists' commands against a real
// dyt-server.

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <functional>

#include "../server/posting_packets.h"
#include "baseui_support.h"
#include "client/base/basekinds.h"
#include "client/base/frmbaseedit.h"
#include "client/base/frmbasegoodsset.h"
#include "client/base/frmbaselist.h"
#include "client/common/frmbase.h"
#include "client/common/gridview.h"
#include "client/common/windowregistry.h"
#include "client/logic/clientconfig.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "client/shell/functions.h"
#include "support/serverfixture.h"
#include "support/testutil.h"
#include "uihelpers.h"

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
        const FunctionEntry* f = findFunction(k.functionCode);
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
    // Tab in the box searches.
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
    // A category lists its goods and back to the levels: BaseEndToEnd.
}
// Add, copy, edit and the reload after a save run against a real server in base_e2e.
TEST_F(BaseList, ADoubleClickEditsAGoodsRowWithTheEditRightDeleteRefusesCategories) {
    auto w = open(u"SP"_s, 1001);
    answerProc(level());
    w->loadList();
    w->rowActivated(1);
    EXPECT_TRUE(requests.isEmpty());  // operator 7 holds no edit right
    client::loginedUser().UserId = 1;
    w->applyRights();
    w->rowActivated(1);
    EXPECT_EQ((QList<Request>{{u"SP"_s, 11, 3, false}}), requests);
    // Delete refuses a category.
    w->setFocusedRow(0);
    w->btnDelClick();
    EXPECT_EQ(QStringList{u"此记录为一个节点，不能删除！"_s}, script.messages());
    EXPECT_TRUE(callsOf(u"ExecProc"_s).isEmpty());
    // Cancelled: nothing sent.
    w->setFocusedRow(2);
    script.answer(u"取消(&C)"_s, u"您确定要删除选中的数据吗？"_s);
    w->btnDelClick();
    EXPECT_TRUE(callsOf(u"ExecProc"_s).isEmpty());
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
    // The rows dropped go below the node the drop hit; what the server makes of it: BaseEndToEnd.
    const auto procs = callsOf(u"ExecProc"_s);
    ASSERT_EQ(1, procs.size());
    EXPECT_EQ(u"4 (0,11,12,-1)"_s, linesOf(procs[0]).value(u"par_id"_s) + u' ' +
                                       linesOf(procs[0]).value(u"idStrList"_s));
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
              sqlOf(u"ExecQuery"_s));
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
                  sqlOf(u"ExecQuery"_s));
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
    EXPECT_TRUE(sqlOf(u"ExecQuery"_s).isEmpty() && sqlOf(u"ExecUpdate"_s).isEmpty());
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
// The upload of the saved id, the mark and the deletion against a real server: BaseEndToEnd.
TEST_F(BaseEdit, AMissingPictureAndAFailedUploadAreReported) {
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
    TfrmBaseGoodsSet::pictureUploader() = [](qint64, const QByteArray&) {
        throw DytError(u"磁盘已满"_s);
    };
    set(*e, "code", u"02"_s);
    set(*e, "fullname", u"雪碧"_s);
    script.clearRecords();
    transport->clearCalls();
    EXPECT_TRUE(e->save());
    EXPECT_EQ(QStringList{u"保存成功，但商品图片未保存成功：磁盘已满"_s}, script.messages());
    EXPECT_TRUE(script.progressTexts().contains(u"系统正在上传图片，请耐心等待..."_s));
    // Not marked as having a picture.
    EXPECT_TRUE(sqlOf(u"ExecQuery"_s).isEmpty() && sqlOf(u"ExecUpdate"_s).isEmpty());
}
TEST_F(BaseEdit, DefaultUnitMovesOnlyToARowWithAUnitAndFieldLabelsFollowTheFieldCaptions) {
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
    // The field labels follow the field captions.
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

// What the scripted editor does once it is set up: fill its fields. The editor then saves.
using EditorScript = std::function<void(TfrmBaseEdit&)>;

class BaseEndToEnd : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        client::TfrmBase::setProgramFolder(programDir.path());
        savedOpener = TfrmBaseList::editorOpener();
        // The list's commands open the real editor; the script fills it and it saves.
        TfrmBaseList::editorOpener() = [this](const client::base::BaseKind& kind,
                                              const client::EditorRequest& request, QWidget*) {
            std::unique_ptr<TfrmBaseEdit> editor(client::createBaseEditor(kind, nullptr));
            editor->setup(request);
            lastParent = editor->parentId();
            if (fill)
                fill(*editor);
            const bool saved = editor->save();
            lastSaved = saved ? editor->recordId() : 0;
            return saved;
        };
    }
    void TearDown() override {
        TfrmBaseList::editorOpener() = savedOpener;
        client::TfrmBase::setProgramFolder(QString());
        ServerFixture::TearDown();
    }
    std::unique_ptr<TfrmBaseList> open(const QString& code) {
        const client::base::BaseKind& kind = client::base::kindByCode(code);
        auto w = std::make_unique<TfrmBaseList>(kind);
        w->setTag(kind.functionCode);
        w->applyRights();
        w->reloadAll();
        return w;
    }
    // The grid row of a code, -1 when the list does not show it.
    static int rowOf(const TfrmBaseList& w, const QString& code) {
        for (int r = 0; r < w.model()->rowCount(); ++r) {
            if (w.rowValue(r, u"code"_s).toString().trimmed() == code)
                return r;
        }
        return -1;
    }
    static QStringList codes(const TfrmBaseList& w) {
        QStringList out;
        for (int r = 0; r < w.model()->rowCount(); ++r)
            out.append(w.rowValue(r, u"code"_s).toString().trimmed());
        return out;
    }
    // Runs a list command with the editor script; returns the saved record id (0 when none).
    qint64 withEditor(const EditorScript& script_, const std::function<void()>& command) {
        fill = script_;
        lastSaved = 0;
        command();
        fill = nullptr;
        return lastSaved;
    }
    // The editor of a stored record, as the list opens it.
    static std::unique_ptr<TfrmBaseEdit> editorOf(const QString& code, qint64 id) {
        std::unique_ptr<TfrmBaseEdit> e(
            client::createBaseEditor(client::base::kindByCode(code), nullptr));
        e->setup({id, 0, nullptr});
        return e;
    }
    static EditorScript named(const QString& code, const QString& name) {
        return [code, name](TfrmBaseEdit& e) {
            e.setFieldValue(u"code"_s, code);
            e.setFieldValue(u"fullname"_s, name);
            e.fullNameLeft();
        };
    }
    client::EditorOpener savedOpener;
    EditorScript fill;
    qint64 lastSaved = 0;
    qint64 lastParent = -1;
};
TEST_F(BaseEndToEnd, EveryKindCreatedEditedAndDeletedThroughItsList) {
    for (const client::base::BaseKind& kind : client::base::baseKinds()) {
        SCOPED_TRACE(kind.listClass.toStdString());
        script.clearRecords();
        auto w = open(kind.kindCode);
        const QString cat = u"T%1"_s.arg(kind.kindCode);
        const QString leaf = cat + u"01"_s;
        // A new top-level record, then a record below it: the first becomes a category.
        w->setFocusedRow(-1);
        const qint64 catId = withEditor(named(cat, u"测试分类"_s), [&] { w->btnAddClick(); });
        ASSERT_GT(catId, 0) << script.messages().join(u'|').toStdString();
        int row = rowOf(*w, cat);
        ASSERT_GE(row, 0) << codes(*w).join(u',').toStdString();
        EXPECT_EQ(catId, w->rowValue(row, u"id"_s).toLongLong());
        w->setFocusedRow(row);
        const qint64 leafId =
            withEditor(named(leaf, u"测试记录"_s), [&] { w->btnAddLevelClick(); });
        ASSERT_GT(leafId, 0) << script.messages().join(u'|').toStdString();
        EXPECT_EQ(catId, lastParent);
        row = rowOf(*w, cat);
        ASSERT_GE(row, 0);
        EXPECT_EQ(1, w->rowValue(row, u"sonnum"_s).toLongLong());
        // The category's node is in the tree; a top-level record dropped on it moves into it.
        EXPECT_FALSE(w->tvCategory()
                         ->findItems(u"测试分类"_s, Qt::MatchContains | Qt::MatchRecursive)
                         .isEmpty());
        const QString other = cat + u"02"_s;
        w->setFocusedRow(-1);
        const qint64 moved = withEditor(named(other, u"移动记录"_s), [&] { w->btnAddClick(); });
        ASSERT_GT(moved, 0) << script.messages().join(u'|').toStdString();
        w->dropOnTreeNode(catId, {moved});
        EXPECT_EQ(-1, rowOf(*w, other));
        const QString sql = u"SELECT %1 FROM "_s + kind.recordTable + u" WHERE id = %2"_s;
        EXPECT_EQ(u"%1,%2,"_s.arg(catId).arg(moved),
                  stored(sql.arg(u"par_jl"_s).arg(moved)).toString());
        EXPECT_EQ(2, stored(sql.arg(u"sonnum"_s).arg(catId)).toInt());
        // Into the category: the records with their paths; edit one, delete the other.
        w->treeNodeChosen(catId);
        ASSERT_EQ((QStringList{leaf, other}), codes(*w));
        EXPECT_EQ(u"测试分类/移动记录"_s, w->rowValue(1, u"pathName"_s).toString());
        script.answer(u"确定(&O)"_s, u"您确定要删除选中的数据吗？"_s);
        w->setFocusedRow(1);
        w->btnDelClick();
        ASSERT_EQ(QStringList{leaf}, codes(*w));
        EXPECT_EQ(u"测试分类/测试记录"_s, w->rowValue(0, u"pathName"_s).toString());
        EXPECT_EQ(u"CSJL"_s, w->rowValue(0, u"pym"_s).toString());
        w->setFocusedRow(0);
        const qint64 edited = withEditor(
            [](TfrmBaseEdit& e) {
                EXPECT_EQ(u"测试记录"_s, e.fieldValue(u"fullname"_s));
                e.setFieldValue(u"fullname"_s, u"改过的记录"_s);
                e.fullNameLeft();
            },
            [&] { w->btnUpdateClick(); });
        EXPECT_EQ(leafId, edited);
        ASSERT_EQ(0, rowOf(*w, leaf));
        EXPECT_EQ(u"改过的记录"_s, w->rowValue(0, u"fullname"_s).toString());
        EXPECT_EQ(u"GGDJL"_s, w->rowValue(0, u"pym"_s).toString());
        // Deleting the only record of the level goes back up; the category is a leaf again.
        script.answer(u"确定(&O)"_s, u"您确定要删除选中的数据吗？"_s);
        w->btnDelClick();
        EXPECT_EQ(0, w->state().parentId);
        EXPECT_EQ(-1, rowOf(*w, leaf));
        row = rowOf(*w, cat);
        ASSERT_GE(row, 0);
        EXPECT_EQ(0, w->rowValue(row, u"sonnum"_s).toLongLong());
        EXPECT_EQ(1, stored(sql.arg(u"del"_s).arg(leafId)).toLongLong());
        // And the former category goes too.
        w->setFocusedRow(row);
        script.answer(u"确定(&O)"_s);
        w->btnDelClick();
        EXPECT_EQ(-1, rowOf(*w, cat));
        EXPECT_EQ(QStringList{}, script.messages());
    }
}
// Every field an editor sends comes back when the record is opened again, and every column a
// list shows is a field of the server's answer.
TEST_F(BaseEndToEnd, EditorFieldsComeBackAndListColumnsAreAnswered) {
    for (const client::base::BaseKind& kind : client::base::baseKinds()) {
        SCOPED_TRACE(kind.listClass.toStdString());
        script.clearRecords();
        auto w = open(kind.kindCode);
        QHash<QString, QString> sent;
        const qint64 id = withEditor(
            [&](TfrmBaseEdit& e) {
                int n = 0;
                for (const client::base::EditField& f : kind.fields) {
                    ++n;
                    QVariant v;
                    switch (f.kind) {
                        case client::base::EditKind::None:
                        case client::base::EditKind::Text:
                        case client::base::EditKind::Memo:
                            v = u"值%1'"_s.arg(n);
                            break;
                        case client::base::EditKind::Check:
                            v = f.name.compare(QLatin1String("isstop"), Qt::CaseInsensitive) == 0
                                    ? 0
                                    : 1;
                            break;
                        case client::base::EditKind::Date:
                            v = u"2024-05-%1"_s.arg(n, 2, 10, QLatin1Char('0'));
                            break;
                        case client::base::EditKind::Number:
                            v = n;
                            break;
                        case client::base::EditKind::Days:
                            v = n + 1;
                            break;
                        case client::base::EditKind::Combo:
                            v = 1;
                            break;
                        case client::base::EditKind::Picker:
                            continue;  // needs a record of another kind
                    }
                    e.setFieldValue(f.name, v);
                }
                if (kind.kindCode == u"WLDW") {
                    // One of each opening pair.
                    e.setFieldValue(u"yftotal00"_s, 0);
                    e.setFieldValue(u"yufuTotal00"_s, 0);
                }
                if (kind.kindCode == u"SP")
                    e.setFieldValue(u"warnUP"_s, 100);
                for (const client::base::EditField& f : kind.fields) {
                    if (f.kind != client::base::EditKind::Picker)
                        sent.insert(f.name, e.fieldValue(f.name));
                }
            },
            [&] { w->btnAddClick(); });
        ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
        auto e = editorOf(kind.kindCode, id);
        for (auto it = sent.cbegin(); it != sent.cend(); ++it) {
            SCOPED_TRACE(it.key().toStdString());
            EXPECT_EQ(it.value(), e->fieldValue(it.key()));
        }
        // The list's columns.
        const int row = rowOf(*w, e->fieldValue(u"code"_s));
        ASSERT_GE(row, 0);
        if (kind.listSql.isEmpty()) {
            RecordSet rows;
            ParamList params = client::base::listParams(kind, w->state(), 1);
            dm.ExecProcQuery(kind.listProcedure, params, &rows);
            for (const client::base::ListColumn& c : kind.columns)
                EXPECT_TRUE(rows.hasField(c.field)) << c.field.toStdString();
            for (const char* f : {"id", "par_id", "par_jl", "leveal", "sonnum", "pathName"})
                EXPECT_TRUE(rows.hasField(QLatin1String(f))) << f;
        }
    }
}
// Automatic codes, quick search, whole and partial lists, copy add and the row order of the goods
// list, each answered by the server.
TEST_F(BaseEndToEnd, GoodsListCommandsAgainstTheServer) {
    auto w = open(u"SP"_s);
    const auto fullNameOnly = [](const QString& name) {
        return [name](TfrmBaseEdit& e) {
            e.setFieldValue(u"fullname"_s, name);
            e.fullNameLeft();
        };
    };
    // "自动编号" is ticked: the codes come from fnGetBaseAutoCode below the parent.
    ASSERT_TRUE(TfrmBaseEdit::autoCodeState());
    const qint64 drinks = withEditor(fullNameOnly(u"饮料"_s), [&] { w->btnAddClick(); });
    const qint64 single = withEditor(fullNameOnly(u"散装糖"_s), [&] { w->btnAddClick(); });
    ASSERT_GT(drinks, 0) << script.messages().join(u'|').toStdString();
    ASSERT_GT(single, 0);
    EXPECT_EQ((QStringList{u"001"_s, u"002"_s}), codes(*w));
    w->setFocusedRow(rowOf(*w, u"001"_s));
    const qint64 cola = withEditor(
        [](TfrmBaseEdit& e) {
            e.setFieldValue(u"fullname"_s, u"可乐"_s);
            e.setFieldValue(u"gg"_s, u"330ml"_s);
            static_cast<client::TfrmBaseGoodsSet&>(e)
                .unitGrid()
                ->item(0, client::kUnitName)
                ->setText(u"罐"_s);
        },
        [&] { w->btnAddLevelClick(); });
    w->enterCategory(rowOf(*w, u"001"_s));
    ASSERT_EQ(QStringList{u"001001"_s}, codes(*w));
    // Copy add: the source's fields and units, a new code, the same category.
    w->setFocusedRow(0);
    const qint64 copy = withEditor(
        [](TfrmBaseEdit& e) {
            EXPECT_EQ(u"330ml"_s, e.fieldValue(u"gg"_s));
            e.setFieldValue(u"fullname"_s, u"雪碧"_s);
            e.fullNameLeft();
        },
        [&] { w->btncopyAddClick(); });
    ASSERT_GT(copy, cola) << script.messages().join(u'|').toStdString();
    EXPECT_EQ(drinks, lastParent);
    ASSERT_EQ((QStringList{u"001001"_s, u"001002"_s}), codes(*w));
    EXPECT_EQ(u"330ml 罐 罐"_s, w->rowValue(1, u"gg"_s).toString() + u' ' +
                                    w->rowValue(1, u"unitName"_s).toString() + u' ' +
                                    w->rowValue(0, u"unitName"_s).toString());
    EXPECT_EQ(
        2, stored(u"SELECT COUNT(*) FROM baseGoodsUnit WHERE Goodsid IN (%1, %2)"_s.arg(cola).arg(
                      copy))
               .toInt());
    // Row order: the second row moved up stays first after a reload.
    w->setFocusedRow(1);
    w->btnUpClick();
    w->loadList();
    EXPECT_EQ((QStringList{u"001002"_s, u"001001"_s}), codes(*w));
    // Quick search over every level, by name, pinyin and code; a quote finds nothing.
    struct Search {
        const char* text;
        QStringList codes;
    };
    const Search searches[] = {{"雪", {u"001002"_s}},
                               {"kl", {u"001001"_s}},
                               {"x'y", {}},
                               {"00", {u"001"_s, u"001001"_s, u"001002"_s, u"002"_s}}};
    for (const Search& q : searches) {
        SCOPED_TRACE(q.text);
        w->edSearch()->setText(QString::fromUtf8(q.text));
        w->searchClick();
        EXPECT_EQ(q.codes, codes(*w));
    }
    w->edSearch()->clear();
    w->searchClick();
    EXPECT_EQ((QStringList{u"001002"_s, u"001001"_s}), codes(*w));
    // The whole list, then the list of one category.
    w->goUp();
    w->loadList();
    w->setFocusedRow(rowOf(*w, u"001"_s));
    script.answer(u"全部列表"_s);
    w->btnListClick();
    EXPECT_EQ((QStringList{u"001001"_s, u"001002"_s, u"002"_s}), codes(*w));
    w->btnListClick();  // back to the levels
    EXPECT_EQ((QStringList{u"001"_s, u"002"_s}), codes(*w));
    w->setFocusedRow(rowOf(*w, u"001"_s));
    script.answer(u"部分列表(饮料)"_s);
    w->btnListClick();
    EXPECT_EQ((QStringList{u"001001"_s, u"001002"_s}), codes(*w));
    EXPECT_EQ(QStringList{}, script.messages());
}
// A record chosen in a picker is stored by id and shown by name when the editor opens again.
TEST_F(BaseEndToEnd, PickedRecordsComeBackWithTheirNames) {
    auto bm = open(u"BM"_s);
    const qint64 dep = withEditor(named(u"B1"_s, u"销售部"_s), [&] { bm->btnAddClick(); });
    auto dq = open(u"DQ"_s);
    const qint64 area = withEditor(named(u"D1"_s, u"华东"_s), [&] { dq->btnAddClick(); });
    ASSERT_GT(dep, 0);
    ASSERT_GT(area, 0);
    struct Case {
        const char* kind;
        const char* field;
        qint64 id;
        const char* name;
    };
    const Case cases[] = {{"ZY", "depid", dep, "销售部"}, {"WLDW", "Areaid", area, "华东"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        auto w = open(QLatin1String(c.kind));
        const qint64 id = withEditor(
            [&](TfrmBaseEdit& e) {
                e.setFieldValue(u"code"_s, u"P-%1"_s.arg(c.id));
                e.setFieldValue(u"fullname"_s, u"带引用"_s);
                e.setFieldValue(QLatin1String(c.field), c.id, QString::fromUtf8(c.name));
            },
            [&] { w->btnAddClick(); });
        ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
        auto e = editorOf(QLatin1String(c.kind), id);
        EXPECT_EQ(QString::number(c.id), e->fieldValue(QLatin1String(c.field)));
        auto* shown = qobject_cast<QLineEdit*>(e->fieldEditor(QLatin1String(c.field)));
        ASSERT_NE(nullptr, shown);
        EXPECT_EQ(QString::fromUtf8(c.name), shown->text());
    }
}
// The fixed-asset cards under 1012, the account list's class: Insert adds a card with its
// opening value (the asset account's opening balance follows), Enter edits it with its class and
// department back, Delete removes it; once the account set is opened the original value is
// locked in the editor, refused by the server to a modified client, and a card holding an
// opening value is no longer deleted.
TEST_F(BaseEndToEnd, FixedAssetCardsByKeysUnderTheAccountListsFunctionCode) {
    exec({"INSERT INTO GDZCDetail(id, code, Name, IsBaseInfo, Del) VALUES (900, '01', "
          "'运输设备', 1, 0)"});
    auto bm = open(u"BM"_s);
    const qint64 dep = withEditor(named(u"B1"_s, u"行政部"_s), [&] { bm->btnAddClick(); });
    TfrmBaseList w(*client::base::findBaseKind(u"TfrmBaseKM"_s));
    w.setTag(1012);
    w.resize(1000, 600);
    test::setKeyWindow(&w);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(u"GDZC 固定资产"_s, w.kind().kindCode + u' ' + w.windowTitle());
    // Cards have no categories: no tree, levels, list mode or row order.
    for (const QAction* a : {w.btnAddLevel(), w.btnList(), w.btnUp()})
        EXPECT_FALSE(a->isVisible()) << a->text().toStdString();
    EXPECT_FALSE(w.tvCategory()->isVisible());
    EXPECT_NE(TfrmBaseList(*client::base::findBaseKind(u"TfrmBaseKM"_s)).layoutKey(), w.layoutKey());
    w.dbgvX()->table()->setFocus();
    const QString assetKm = u"SELECT Total FROM baseKM WHERE id = 11"_s;
    const double asset = number(assetKm);
    const auto card = [dep](const QString& code, const QString& name, const QString& value) {
        return [=](TfrmBaseEdit& e) {
            e.setFieldValue(u"code"_s, code);
            e.setFieldValue(u"Name"_s, name);
            e.setFieldValue(u"lbid"_s, 900, u"运输设备"_s);
            e.setFieldValue(u"dep_id"_s, dep, u"行政部"_s);
            e.setFieldValue(u"yz"_s, value);
            e.setFieldValue(u"czl"_s, u"5"_s);
            e.setFieldValue(u"zjys"_s, u"24"_s);
        };
    };
    const auto key = [](Qt::Key k) { return [k] { test::pressKey(k); }; };
    const qint64 truck = withEditor(card(u"GD01"_s, u"货车"_s, u"1200"_s), key(Qt::Key_Insert));
    const qint64 spare = withEditor(card(u"GD02"_s, u"备用车"_s, u"0"_s), key(Qt::Key_Insert));
    ASSERT_GT(spare, truck) << script.messages().join(u'|').toStdString();
    const auto shown = [&w](const QString& code) {
        for (int r = 0; r < w.model()->rowCount(); ++r)
            if (w.rowValue(r, u"code"_s).toString() == code)
                return u"%1 %2 %3 %4 %5 %6"_s.arg(w.rowValue(r, u"Name"_s).toString(),
                                                  w.rowValue(r, u"lbName"_s).toString(),
                                                  w.rowValue(r, u"depName"_s).toString())
                    .arg(w.rowValue(r, u"yz"_s).toDouble())
                    .arg(w.rowValue(r, u"jz"_s).toDouble())
                    .arg(w.rowValue(r, u"zjys"_s).toInt());
        return QString();
    };
    EXPECT_EQ(u"货车 运输设备 行政部 1200 1200 24"_s, shown(u"GD01"_s));
    EXPECT_EQ(asset + 1200, number(assetKm));
    const auto focus = [&w](const QString& code) {
        for (int r = 0; r < w.model()->rowCount(); ++r)
            if (w.rowValue(r, u"code"_s).toString() == code)
                w.setFocusedRow(r);
        w.dbgvX()->table()->setFocus();
    };
    const auto readOnly = [](TfrmBaseEdit& e, const char* field) {
        auto* edit = qobject_cast<QLineEdit*>(e.fieldEditor(QLatin1String(field)));
        return edit && edit->isReadOnly();
    };
    focus(u"GD01"_s);
    EXPECT_EQ(truck, withEditor(
                         [&](TfrmBaseEdit& e) {
                             EXPECT_EQ(u"900 运输设备"_s,
                                       e.fieldValue(u"lbid"_s) + u' ' +
                                           qobject_cast<QLineEdit*>(e.fieldEditor(u"lbid"_s))->text());
                             EXPECT_FALSE(readOnly(e, "yz"));
                             EXPECT_TRUE(readOnly(e, "ljzj"));
                             e.setFieldValue(u"yz"_s, u"1000"_s);
                         },
                         key(Qt::Key_Return)));
    EXPECT_EQ(asset + 1000, number(assetKm));
    // A copy takes the card's class and department, not its value.
    withEditor(
        [](TfrmBaseEdit& e) {
            EXPECT_EQ(u"900 0"_s, e.fieldValue(u"lbid"_s) + u' ' + e.fieldValue(u"yz"_s));
        },
        [&w] { w.btnCopyAdd()->trigger(); });
    focus(u"GD02"_s);
    script.answer(u"确定(&O)"_s, u"您确定要删除选中的数据吗？"_s);
    test::pressKey(Qt::Key_Delete);
    EXPECT_EQ(QString(), shown(u"GD02"_s));
    EXPECT_EQ(1, stored(u"SELECT Del FROM GDZCDetail WHERE id = %1"_s.arg(spare)).toInt());

    ASSERT_GT(openAccounts(), -1);
    client::settings().IsOpen = 1;
    focus(u"GD01"_s);
    withEditor(
        [&](TfrmBaseEdit& e) {
            EXPECT_TRUE(readOnly(e, "yz"));
            e.setFieldValue(u"Name"_s, u"重型货车"_s);
        },
        key(Qt::Key_Return));
    EXPECT_EQ(u"重型货车 运输设备 行政部 1000 1000 24"_s, shown(u"GD01"_s));
    ParamList modified;
    for (const auto& [k, v] : {std::pair{"id", QString::number(truck)}, {"code", u"GD01"_s},
                               {"Name", u"货车"_s}, {"yz", u"5000"_s}})
        modified.setValue(QLatin1String(k), v);
    EXPECT_THROW(dm.ExecProc(u"P_JXC_GDZC_Save"_s, modified), DytError);
    script.clearRecords();
    script.answer(u"确定(&O)"_s, u"您确定要删除选中的数据吗？"_s);
    test::pressKey(Qt::Key_Delete);
    client::settings().IsOpen = 0;
    EXPECT_TRUE(script.messages().join(u'|').contains(u"已经开账，不能再修改期初数据！"_s))
        << script.messages().join(u'|').toStdString();
    EXPECT_NE(QString(), shown(u"GD01"_s));
    EXPECT_EQ(asset + 1000, number(assetKm));
}
TEST_F(BaseEndToEnd, LevelFourTakesAChildLevelFiveRefusesOne) {
    auto w = open(u"SP"_s);
    qint64 parent = 0;
    for (int level = 1; level <= 5; ++level) {
        SCOPED_TRACE(level);
        const QString code = u"L%1"_s.arg(level);
        const int focus = codes(*w).isEmpty() ? -1 : 0;
        w->setFocusedRow(focus);
        const qint64 id = withEditor(named(code, u"第%1级"_s.arg(level)), [&] {
            if (focus < 0)
                w->btnAddClick();
            else
                w->btnAddLevelClick();
        });
        ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
        EXPECT_EQ(parent, lastParent);
        EXPECT_EQ(level, stored(u"SELECT leveal FROM baseGoods WHERE id = %1"_s.arg(id)).toInt());
        parent = id;
        if (level > 1)
            w->enterCategory(0);  // the row just made a category
        ASSERT_EQ(QStringList{code}, codes(*w));
    }
    // The record of level 5 takes no child: refused before any editor opens.
    w->setFocusedRow(0);
    EXPECT_EQ(0, withEditor(named(u"L6"_s, u"第6级"_s), [&] { w->btnAddLevelClick(); }));
    EXPECT_EQ(QStringList{u"系统最大支持5级，不能再增加下级"_s}, script.messages());
    EXPECT_FALSE(stored(u"SELECT id FROM baseGoods WHERE code = 'L6'"_s).isValid());
}
TEST_F(BaseEndToEnd, AStoppedRecordIsHiddenUntilIncluded) {
    for (const char* code : {"SP", "CK", "WLDW"}) {
        SCOPED_TRACE(code);
        auto w = open(QLatin1String(code));
        const qint64 id = withEditor(
            [](TfrmBaseEdit& e) {
                e.setFieldValue(u"code"_s, u"C'9"_s);
                e.setFieldValue(u"fullname"_s, u"停用的记录"_s);
                e.setFieldValue(u"isstop"_s, 1);
            },
            [&] { w->btnAddClick(); });
        ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
        EXPECT_EQ(-1, rowOf(*w, u"C'9"_s));
        w->cbIncludeStopped()->setChecked(true);
        w->includeStoppedClick();
        const int row = rowOf(*w, u"C'9"_s);
        ASSERT_GE(row, 0);
        EXPECT_EQ(id, w->rowValue(row, u"id"_s).toLongLong());
        EXPECT_EQ(u"是"_s, w->rowValue(row, u"stopName"_s).toString());
        w->cbIncludeStopped()->setChecked(false);
        w->includeStoppedClick();
        EXPECT_EQ(-1, rowOf(*w, u"C'9"_s));
    }
    // Departments have no stopped records: no box to include them.
    EXPECT_TRUE(open(u"BM"_s)->cbIncludeStopped()->isHidden());
}
TEST_F(BaseEndToEnd, GoodsOfAPostedPurchaseKeepsItsCostMethodAndIsNotDeleted) {
    // The records the purchase needs, entered through their windows.
    auto ck = open(u"CK"_s);
    const qint64 warehouse = withEditor(named(u"CK1"_s, u"总仓"_s), [&] { ck->btnAddClick(); });
    auto dw = open(u"WLDW"_s);
    const qint64 supplier = withEditor(named(u"G1"_s, u"供应商甲"_s), [&] { dw->btnAddClick(); });
    auto goodsList = open(u"SP"_s);
    const qint64 goods = withEditor(
        [](TfrmBaseEdit& e) {
            e.setFieldValue(u"code"_s, u"SP1"_s);
            e.setFieldValue(u"fullname"_s, u"螺丝"_s);
            e.setFieldValue(u"costmode"_s, 2);
            auto& g = static_cast<client::TfrmBaseGoodsSet&>(e);
            g.unitGrid()->item(0, client::kUnitName)->setText(u"个"_s);
            g.unitGrid()->item(0, client::kUnitPrice)->setText(u"3.5"_s);
        },
        [&] { goodsList->btnAddClick(); });
    const qint64 fresh = withEditor(named(u"SP2"_s, u"垫片"_s), [&] { goodsList->btnAddClick(); });
    ASSERT_GT(warehouse, 0);
    ASSERT_GT(supplier, 0);
    ASSERT_GT(goods, 0) << script.messages().join(u'|').toStdString();
    ASSERT_GT(fresh, 0);
    EXPECT_EQ(u"个"_s,
              stored(QStringLiteral("SELECT unit FROM baseGoodsUnit WHERE Goodsid = %1 AND "
                                    "fzdwid = 0")
                         .arg(goods))
                  .toString());
    // A new goods lets its cost method and type change.
    {
        auto e = editorOf(u"SP"_s, goods);
        EXPECT_TRUE(e->fieldEditor(u"costmode"_s)->isEnabled());
        EXPECT_TRUE(e->fieldEditor(u"spType"_s)->isEnabled());
        EXPECT_EQ(u"2"_s, e->fieldValue(u"costmode"_s));
        EXPECT_FALSE(static_cast<client::TfrmBaseGoodsSet&>(*e).unitLocked(0));
    }
    // Open the account set and post a purchase of the goods.
    ParamList open;
    open.setValue(u"type"_s, u"0"_s);
    open.setValue(u"Date"_s, u"2025-01-01"_s);
    ASSERT_EQ(0, dm.ExecProc(u"P_SYS_UP_Open"_s, open));
    server::test::GoodsBill bill;
    bill.djType = 5;
    bill.date = u"2025-02-03"_s;
    bill.code = u"JH-1"_s;
    bill.partner = supplier;
    bill.intoStock = warehouse;
    bill.lines = {{.goods = goods, .qty = 10, .price = 2}};
    ParamList header = server::test::goodsBillParams(bill);
    header.setValue(u"jsr_id"_s, QString());
    header.setValue(u"dep_id"_s, QString());
    RecordSet lines = server::test::goodsLinesPacket(bill);
    // The line's unit is the unit slot as the goods selection hands it over: the base unit.
    lines.setAt(0, lines.fieldIndex(u"unitid"_s), u"0"_s);
    const RecordSet accounts = server::test::accountPacket({});
    dm.ExecService(u"QMXService"_s, u"SaveToDB"_s, header, &lines, &accounts);
    ASSERT_EQ(
        1, stored(u"SELECT COUNT(*) FROM djList WHERE goodsid = %1 AND dj_state <> 0"_s.arg(goods))
               .toLongLong())
        << script.messages().join(u'|').toStdString();
    // Deleting the goods, the supplier or the warehouse of the bill is refused by the server.
    struct Refusal {
        TfrmBaseList* list;
        const char* code;
        const char* message;
    };
    const Refusal refusals[] = {
        {goodsList.get(), "SP1", "商品[螺丝]已经被单据使用，不能删除！"},
        {dw.get(), "G1", "往来单位[供应商甲]已经被单据使用，不能删除！"},
        {ck.get(), "CK1", "仓库[总仓]已经被单据使用，不能删除！"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.code);
        r.list->reloadAll();
        const int at = rowOf(*r.list, QLatin1String(r.code));
        ASSERT_GE(at, 0);
        r.list->setFocusedRow(at);
        script.clearRecords();
        script.answer(u"确定(&O)"_s);
        r.list->btnDelClick();
        EXPECT_EQ(QStringList{QString::fromUtf8(r.message)}, script.messages());
        EXPECT_EQ(at, rowOf(*r.list, QLatin1String(r.code)));
    }
    // The editor locks cost method and goods type; the server refuses a change sent anyway.
    {
        auto e = editorOf(u"SP"_s, goods);
        EXPECT_FALSE(e->fieldEditor(u"costmode"_s)->isEnabled());
        EXPECT_FALSE(e->fieldEditor(u"spType"_s)->isEnabled());
        auto& g = static_cast<client::TfrmBaseGoodsSet&>(*e);
        EXPECT_TRUE(g.unitLocked(0));
        EXPECT_FALSE(g.unitGrid()->item(0, client::kUnitName)->flags() & Qt::ItemIsEditable);
        EXPECT_FALSE(g.unitLocked(1));
        EXPECT_EQ(0, g.defaultUnitRow());
        EXPECT_FALSE(e->cbAutoCode()->isEnabled());
        e->setFieldValue(u"costmode"_s, 0);
        script.clearRecords();
        EXPECT_FALSE(e->save());
        EXPECT_EQ(QStringList{u"该商品已经有库存或业务单据，不能修改成本核算方法！"_s},
                  script.messages());
        EXPECT_EQ(2, stored(u"SELECT costmode FROM baseGoods WHERE id = %1"_s.arg(goods)).toInt());
    }
    // The other goods keeps both open.
    auto other = editorOf(u"SP"_s, fresh);
    EXPECT_TRUE(other->fieldEditor(u"costmode"_s)->isEnabled());
}
TEST_F(BaseEndToEnd, AGoodsPictureIsUploadedAndShownAgain) {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&buffer, "PNG"));
    }
    const QString file = programDir.filePath(u"goods.png"_s);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(png);
    }
    auto w = open(u"SP"_s);
    const qint64 id = withEditor(
        [&](TfrmBaseEdit& e) {
            e.setFieldValue(u"code"_s, u"P1"_s);
            e.setFieldValue(u"fullname"_s, u"带图商品"_s);
            ASSERT_TRUE(static_cast<client::TfrmBaseGoodsSet&>(e).setPictureFile(file));
        },
        [&] { w->btnAddClick(); });
    ASSERT_GT(id, 0) << script.messages().join(u'|').toStdString();
    EXPECT_EQ(QStringList{}, script.messages());
    const int row = rowOf(*w, u"P1"_s);
    ASSERT_GE(row, 0);
    EXPECT_EQ(u"有"_s, w->rowValue(row, u"YouWuTuPian"_s).toString());
    // Opened again, the editor shows the stored picture.
    auto e = editorOf(u"SP"_s, id);
    auto& g = static_cast<client::TfrmBaseGoodsSet&>(*e);
    EXPECT_EQ(png, g.picture());
    EXPECT_FALSE(g.pictureChanged());
    // Deleted, the goods says so and the server keeps none.
    g.deletePicture();
    EXPECT_EQ(u"无"_s,
              stored(u"SELECT YouWuTuPian FROM baseGoods WHERE id = %1"_s.arg(id)).toString());
    EXPECT_EQ(QByteArray(), client::TfrmBaseGoodsSet::storedPicture(id));
}

}  // namespace
}  // namespace dyt::test
