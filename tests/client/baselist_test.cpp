// The base-data kinds, the rights check and the list window: what each command sends, which
// buttons and columns the rights leave, and how the list moves between levels.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTableView>
#include <QTreeWidget>

#include "baseui_support.h"
#include "client/base/basekinds.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "client/common/windowregistry.h"
#include "support/testutil.h"

namespace dyt::test {
namespace {

using client::TfrmBaseList;
using client::base::BaseKind;
using client::base::findBaseKind;
using client::base::kindByCode;
using client::base::ListState;

// --- the kind table and the texts it builds

TEST(BaseKinds, EveryListClassAndEditorClassFindsItsKind) {
    const struct {
        const char* list;
        const char* editor;
        const char* code;
        int function;
    } rows[] = {
        {"TfrmBaseGoods", "TfrmBaseGoodsSet", "SP", 1001},
        {"TfrmBaseZY", "TfrmBaseZYSet", "ZY", 1002},
        {"TfrmBaseWLDW", "TfrmBaseWldwSet", "WLDW", 1003},
        {"TfrmBaseCK", "TfrmBaseCKSet", "CK", 1004},
        {"TfrmBaseBM", "TfrmBaseBMSet", "BM", 1005},
        {"TfrmBaseDiQu", "TfrmBaseDiQuSet", "DQ", 1006},
        {"TfrmBaseZhaiYao", "TfrmBaseZhaiYaoSet", "ZHAIYAO", 1007},
        {"TfrmBaseKM", "TfrmBasekMSet", "KM", 1008},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.list);
        const BaseKind* byList = findBaseKind(QLatin1String(r.list));
        const BaseKind* byEditor = findBaseKind(QString::fromLatin1(r.editor).toUpper());
        ASSERT_NE(nullptr, byList);
        EXPECT_EQ(byList, byEditor);
        EXPECT_EQ(QLatin1String(r.code), byList->kindCode);
        EXPECT_EQ(r.function, byList->functionCode);
        EXPECT_FALSE(byList->saveProcedure.isEmpty());
        EXPECT_FALSE(byList->fields.isEmpty());
    }
    EXPECT_EQ(nullptr, findBaseKind(QStringLiteral("TfrmBaseNothing")));
    EXPECT_EQ(QStringLiteral("未知的基本信息类型[XX]"),
              errorOf([] { kindByCode(QStringLiteral("XX")); }));
}

TEST(BaseKinds, ListSegmentFollowsModeSearchAndStopped) {
    const BaseKind& goods = kindByCode(QStringLiteral("SP"));
    const BaseKind& departments = kindByCode(QStringLiteral("BM"));
    struct Case {
        const char* name;
        const BaseKind* kind;
        ListState state;
        const char* segment;
    };
    const Case cases[] = {
        {"top level", &goods, {0, false, 0, {}, false}, ";par_id=0;isstop=0"},
        {"inside a category", &goods, {12, false, 0, {}, false}, ";par_id=12;isstop=0"},
        {"stopped included", &goods, {12, false, 0, {}, true}, ";par_id=12"},
        {"flat list", &goods, {12, true, 0, {}, false}, ";isList=1;isstop=0"},
        {"list of one category",
         &goods,
         {0, true, 5, {}, false},
         ";isList=1;isList=1;par_id=5;isstop=0"},
        {"search replaces the level",
         &goods,
         {12, true, 5, QStringLiteral(" ab "), false},
         ";allfilter=ab;isstop=0"},
        {"search with a quote",
         &goods,
         {0, false, 0, QStringLiteral("A'1"), true},
         ";allfilter=A'1"},
        {"kind without stopped records", &departments, {3, false, 0, {}, false}, ";par_id=3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QLatin1String(c.segment), client::base::listSegment(*c.kind, c.state)) << c.name;
}

TEST(BaseKinds, ListAndTreeParameterLines) {
    const BaseKind& goods = kindByCode(QStringLiteral("SP"));
    const ParamList list = client::base::listParams(goods, ListState{4, false, 0, {}, false}, 7);
    EXPECT_EQ(QStringList({QStringLiteral("QueryType=SP"), QStringLiteral("wldwStr=;czy_id=7"),
                           QStringLiteral("zyStr=;czy_id=7"), QStringLiteral("ckStr=;czy_id=7"),
                           QStringLiteral("bmStr=;czy_id=7"), QStringLiteral("kmStr=;czy_id=7"),
                           QStringLiteral("GoodsStr=;czy_id=7;par_id=4;isstop=0")}),
              list.lines());
    const ParamList tree = client::base::treeParams(goods, 7);
    EXPECT_EQ(QStringLiteral(";czy_id=7;TreeView=1"), tree.value(QStringLiteral("GoodsStr")));
    EXPECT_EQ(QStringLiteral("SP"), tree.value(QStringLiteral("QueryType")));
    // Employees carry their segment in zyStr; the goods string keeps the operator only.
    const ParamList zy = client::base::listParams(kindByCode(QStringLiteral("ZY")),
                                                  ListState{0, false, 0, {}, true}, 7);
    EXPECT_EQ(QStringLiteral(";czy_id=7;par_id=0"), zy.value(QStringLiteral("zyStr")));
    EXPECT_EQ(QStringLiteral(";czy_id=7"), zy.value(QStringLiteral("GoodsStr")));
    EXPECT_EQ(QStringLiteral("ZY"), zy.value(QStringLiteral("QueryType")));
    const ParamList km = client::base::treeParams(kindByCode(QStringLiteral("KM")), 3);
    EXPECT_EQ(QStringLiteral(";czy_id=3;TreeView=1"), km.value(QStringLiteral("kmStr")));
}

TEST(BaseKinds, CaptionsComeFromTheSettingsAndKeepTheirTags) {
    client::resetSettings();
    const BaseKind& goods = kindByCode(QStringLiteral("SP"));
    const auto& price = goods.columns[10];
    ASSERT_EQ(QStringLiteral("LSprice"), price.field);
    EXPECT_EQ(QStringLiteral("[%P%]零售价"), client::base::columnCaption(goods, price));
    client::settings().FieldCaptions.insert(QStringLiteral("100131"), QStringLiteral("门市价"));
    client::settings().FieldCaptions.insert(QStringLiteral("100122"), QStringLiteral("品名"));
    EXPECT_EQ(QStringLiteral("[%P%]门市价"), client::base::columnCaption(goods, price));
    EXPECT_EQ(QStringLiteral("品名"), client::base::fieldLabel(goods, goods.fields[1]));
    // Regions have no field captions: their defaults stay.
    const BaseKind& regions = kindByCode(QStringLiteral("DQ"));
    EXPECT_EQ(QStringLiteral("地区全名"), client::base::columnCaption(regions, regions.columns[1]));
    client::resetSettings();
}

// --- the rights check

TEST(Rights, CheckFollowsTheRowsAndTheSpecialCases) {
    RecordSet rows;
    rows.addField(QStringLiteral("code"), FieldType::Integer);
    rows.addField(QStringLiteral("isbj"), FieldType::Integer);
    rows.addField(QStringLiteral("hide"), FieldType::Integer);
    rows.appendRow({1001, 1, 0});
    rows.appendRow({100101, 1, 0});
    rows.appendRow({100102, 0, 0});
    rows.appendRow({100103, 0, 1});
    rows.appendRow({1002, 0, 0});
    rows.appendRow({100201, 1, 0});
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
                  client::CheckPurviewIn(&rows, c.user, QLatin1String(c.menu), QLatin1String(c.sub),
                                         QString::fromUtf8(c.caption), false))
            << c.name;
    }
    EXPECT_EQ(QStringLiteral("您没有执行该操作的权限!"), errorOf([&rows] {
                  client::CheckPurviewIn(&rows, 7, QStringLiteral("1001"), QStringLiteral("02"),
                                         QStringLiteral("修改"), true);
              }));
    EXPECT_FALSE(
        client::CheckPurviewIn(nullptr, 7, QStringLiteral("1001"), QString(), QString(), false));
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
        return baseRows({{10, 2, QStringLiteral("01"), QStringLiteral("饮料"), leveal, 3,
                          QStringLiteral("3,10,"), QStringLiteral("食品>饮料")},
                         {11, 0, QStringLiteral("0101"), QStringLiteral("可乐"), leveal, 3,
                          QStringLiteral("3,11,"), QStringLiteral("食品>可乐")},
                         {12, 0, QStringLiteral("0102"), QStringLiteral("雪碧"), leveal, 3,
                          QStringLiteral("3,12,"), QStringLiteral("食品>雪碧")}});
    }
    QString lastGoodsStr() const {
        const auto calls = callsOf(QStringLiteral("ExecProcQuery"));
        return calls.isEmpty() ? QString()
                               : linesOf(calls.last()).value(QStringLiteral("GoodsStr"));
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
    auto w = open(QStringLiteral("SP"), 1001);
    answerProc(level());
    w->loadList();
    const auto calls = callsOf(QStringLiteral("ExecProcQuery"));
    ASSERT_EQ(1, calls.size());
    EXPECT_EQ(QStringLiteral("P_JXC_Get_Base"), calls[0].procedure);
    EXPECT_EQ(QStringLiteral(";czy_id=7;par_id=0;isstop=0"),
              linesOf(calls[0]).value(QStringLiteral("GoodsStr")));
    EXPECT_EQ(3, w->model()->rowCount());
    QStringList order;
    for (int r = 0; r < 3; ++r)
        order.append(w->rowValue(r, QStringLiteral("_order")).toString());
    EXPECT_EQ(
        QStringList({QStringLiteral("000001"), QStringLiteral("000002"), QStringLiteral("000003")}),
        order);
    w->setFocusedRow(1);
    EXPECT_EQ(QStringLiteral("分类路径：食品>可乐"), w->lbPath()->text());
    EXPECT_EQ(QStringLiteral("退出(&C)"), w->btnExit()->text());
}

TEST_F(BaseList, CategoriesAreEnteredAndLeftThroughTheCloseButton) {
    auto w = open(QStringLiteral("SP"), 1001);
    answerProc(level());
    w->loadList();
    answerProc(baseRows({{20, 0, QStringLiteral("010101"), QStringLiteral("罐装"), 3, 10,
                          QStringLiteral("3,10,20,"), QStringLiteral("食品>饮料>罐装")}}));
    w->rowActivated(0);  // a category row: entered
    EXPECT_EQ(QStringLiteral(";czy_id=7;par_id=10;isstop=0"), lastGoodsStr());
    EXPECT_EQ(QStringLiteral("3,10,"), w->currentPath());
    EXPECT_EQ(QStringLiteral("返回(&C)"), w->btnExit()->text());
    w->btnExitClick();  // up to category 3
    EXPECT_EQ(QStringLiteral(";czy_id=7;par_id=3;isstop=0"), lastGoodsStr());
    EXPECT_EQ(QStringLiteral("3,"), w->currentPath());
    w->btnExitClick();  // up to the top
    EXPECT_EQ(QStringLiteral(";czy_id=7;par_id=0;isstop=0"), lastGoodsStr());
    EXPECT_EQ(QString(), w->currentPath());
    EXPECT_EQ(QStringLiteral("退出(&C)"), w->btnExit()->text());
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
        {"SP", 1001, "stopName", FieldType::Text, QStringLiteral("否"), QStringLiteral("是")},
        {"CK", 1004, "isstop", FieldType::Integer, 0, 1},
        {"CK", 1004, "isstop", FieldType::Boolean, false, true},
    };
    client::loginedUser().UserId = 1;  // every column shown and printed
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + "." + c.field);
        auto w = open(QString::fromLatin1(c.kind), c.tag);
        RecordSet rows = baseRows({{1, 0, QStringLiteral("01"), QStringLiteral("甲"), 1, 0,
                                    QStringLiteral("1,"), QString()},
                                   {2, 0, QStringLiteral("02"), QStringLiteral("乙"), 1, 0,
                                    QStringLiteral("2,"), QString()}});
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
            EXPECT_EQ(r ? QStringLiteral("是") : QStringLiteral("否"),
                      w->model()->displayText(r, column));
            EXPECT_EQ(w->model()->displayText(r, column),
                      printed.at(r, printed.fieldIndex(QLatin1String(c.field))).toString());
        }
    }
}

TEST_F(BaseList, QuickSearchAndListModes) {
    auto w = open(QStringLiteral("SP"), 1001);
    answerProc(level());
    w->loadList();
    w->edSearch()->setText(QStringLiteral("A'1"));
    answerProc(level());
    w->searchClick();
    EXPECT_EQ(QStringLiteral(";czy_id=7;allfilter=A'1;isstop=0"), lastGoodsStr());
    // Tab in the box searches too.
    w->edSearch()->setText(QStringLiteral("可乐"));
    answerProc(level());
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(w->edSearch(), &tab);
    EXPECT_EQ(QStringLiteral(";czy_id=7;allfilter=可乐;isstop=0"), lastGoodsStr());
    w->edSearch()->clear();
    answerProc(level());
    w->searchClick();
    // A goods row cannot be listed as a category: the mode stays.
    w->setFocusedRow(1);
    script.answer(QStringLiteral("部分列表(可乐)"), QStringLiteral("列表选择"));
    const int before = callsOf(QStringLiteral("ExecProcQuery")).size();
    w->btnListClick();
    EXPECT_EQ(QStringList{QStringLiteral("只能对一类商品进行列表！")}, script.messages());
    EXPECT_FALSE(w->state().listMode);
    EXPECT_EQ(before, callsOf(QStringLiteral("ExecProcQuery")).size());
    // The category row lists its goods.
    w->setFocusedRow(0);
    script.answer(QStringLiteral("部分列表(饮料)"));
    w->btnListClick();
    EXPECT_EQ(QStringLiteral(";czy_id=7;isList=1;isList=1;par_id=10;isstop=0"), lastGoodsStr());
    EXPECT_EQ(QStringLiteral("层级显示"), w->btnList()->text());
    // Back to levels asks nothing.
    w->btnListClick();
    EXPECT_EQ(QStringLiteral(";czy_id=7;par_id=0;isstop=0"), lastGoodsStr());
    EXPECT_EQ(QStringLiteral("列表显示"), w->btnList()->text());
    // "全部列表".
    answerProc(level());
    w->loadList();
    w->setFocusedRow(0);
    script.answer(QStringLiteral("全部列表"));
    w->btnListClick();
    EXPECT_EQ(QStringLiteral(";czy_id=7;isList=1;isstop=0"), lastGoodsStr());
}

TEST_F(BaseList, AddCopyAndEditOpenTheEditorWithTheRightInputs) {
    auto w = open(QStringLiteral("SP"), 1001);
    answerProc(level());
    w->loadList();
    w->setFocusedRow(2);
    w->btnAddClick();
    w->btncopyAddClick();
    w->btnUpdateClick();
    EXPECT_EQ((QList<Request>{{QStringLiteral("SP"), 0, 3, false},
                              {QStringLiteral("SP"), 0, 3, true},
                              {QStringLiteral("SP"), 12, 3, false}}),
              requests);
    // A double-click on a goods row edits it (for an operator with the edit right).
    client::loginedUser().UserId = 1;
    w->applyRights();
    w->rowActivated(1);
    EXPECT_EQ((Request{QStringLiteral("SP"), 11, 3, false}), requests.last());
    client::loginedUser().UserId = 7;
    // A saved record reloads the level and the tree.
    saveResult = true;
    transport->clearCalls();
    w->btnUpdateClick();
    const auto calls = callsOf(QStringLiteral("ExecProcQuery"));
    ASSERT_EQ(2, calls.size());
    EXPECT_EQ(QStringLiteral(";czy_id=7;par_id=0;isstop=0"),
              linesOf(calls[0]).value(QStringLiteral("GoodsStr")));
    EXPECT_EQ(QStringLiteral(";czy_id=7;TreeView=1"),
              linesOf(calls[1]).value(QStringLiteral("GoodsStr")));
}

TEST_F(BaseList, DeleteRefusesCategoriesAndSendsTheGoodsDeletion) {
    auto w = open(QStringLiteral("SP"), 1001);
    answerProc(level());
    w->loadList();
    w->setFocusedRow(0);
    w->btnDelClick();
    EXPECT_EQ(QStringList{QStringLiteral("此记录为一个节点，不能删除！")}, script.messages());
    EXPECT_TRUE(callsOf(QStringLiteral("ExecProc")).isEmpty());
    // Cancelled: nothing sent.
    w->setFocusedRow(2);
    script.answer(QStringLiteral("取消(&C)"), QStringLiteral("您确定要删除选中的数据吗？"));
    w->btnDelClick();
    EXPECT_TRUE(callsOf(QStringLiteral("ExecProc")).isEmpty());
    script.answer(QStringLiteral("确定(&O)"), QStringLiteral("您确定要删除选中的数据吗？"));
    w->btnDelClick();
    const auto procs = callsOf(QStringLiteral("ExecProc"));
    ASSERT_EQ(1, procs.size());
    EXPECT_EQ(QStringLiteral("p_base_Up_Goods"), procs[0].procedure);
    EXPECT_EQ(QStringLiteral("12"), linesOf(procs[0]).value(QStringLiteral("id")));
    EXPECT_EQ(QStringLiteral("1"), linesOf(procs[0]).value(QStringLiteral("del")));
}

TEST_F(BaseList, DeletingTheOnlyGoodsOfACategoryReturnsToTheParentLevel) {
    auto w = open(QStringLiteral("SP"), 1001);
    answerProc(level());
    w->loadList();
    answerProc(baseRows({{20, 0, QStringLiteral("010101"), QStringLiteral("罐装"), 3, 10,
                          QStringLiteral("3,10,20,"), QString()}}));
    w->rowActivated(0);
    ASSERT_EQ(QStringLiteral(";czy_id=7;par_id=10;isstop=0"), lastGoodsStr());
    w->setFocusedRow(0);
    script.answer(QStringLiteral("确定(&O)"));
    w->btnDelClick();
    // The list and the tree are reloaded; the list one level up.
    const auto calls = callsOf(QStringLiteral("ExecProcQuery"));
    ASSERT_LE(2, calls.size());
    EXPECT_EQ(QStringLiteral(";czy_id=7;par_id=3;isstop=0"),
              linesOf(calls[calls.size() - 2]).value(QStringLiteral("GoodsStr")));
    EXPECT_EQ(QStringLiteral(";czy_id=7;TreeView=1"), lastGoodsStr());
    EXPECT_EQ(3, w->state().parentId);
}

TEST_F(BaseList, OtherKindsDeleteThroughTheirProcedureAndRefuseSystemRows) {
    auto zy = open(QStringLiteral("ZY"), 1002);
    answerProc(baseRows({{1, 0, QStringLiteral("001"), QStringLiteral("系统管理员"), 1, 0,
                          QStringLiteral("1,"), QString()},
                         {8, 0, QStringLiteral("008"), QStringLiteral("李四"), 1, 0,
                          QStringLiteral("8,"), QString()}},
                        {QStringLiteral("candel")}, {{0}, {1}}));
    zy->loadList();
    zy->setFocusedRow(0);
    zy->btnUpdateClick();
    zy->btnAddLevelClick();
    zy->btnDelClick();
    const QString refusal = QStringLiteral("系统默认操作员，不能被修改、删除和分类!");
    EXPECT_EQ(QStringList({refusal, refusal, refusal}), script.messages());
    EXPECT_TRUE(requests.isEmpty());
    zy->setFocusedRow(1);
    script.answer(QStringLiteral("确定(&O)"));
    zy->btnDelClick();
    auto procs = callsOf(QStringLiteral("ExecProc"));
    ASSERT_EQ(1, procs.size());
    EXPECT_EQ(QStringLiteral("p_Base_Del_ZY"), procs[0].procedure);
    EXPECT_EQ(QStringLiteral("8"), linesOf(procs[0]).value(QStringLiteral("id")));
    EXPECT_FALSE(linesOf(procs[0]).contains(QStringLiteral("del")));

    script.clearRecords();
    auto km = open(QStringLiteral("KM"), 1008);
    answerProc(baseRows({{101, 0, QStringLiteral("1001"), QStringLiteral("库存现金"), 1, 0,
                          QStringLiteral("101,"), QString()}},
                        {QStringLiteral("sysrow")}, {{1}}));
    km->loadList();
    EXPECT_EQ(QStringLiteral("P_Base_Get_KM"),
              callsOf(QStringLiteral("ExecProcQuery")).last().procedure);
    EXPECT_EQ(
        QStringLiteral(";czy_id=7;par_id=0;isstop=0"),
        linesOf(callsOf(QStringLiteral("ExecProcQuery")).last()).value(QStringLiteral("kmStr")));
    km->setFocusedRow(0);
    km->btnUpdateClick();
    km->btnAddLevelClick();
    km->btnDelClick();
    EXPECT_EQ(
        QStringList({QStringLiteral("系统行不能新增或修改！"), QStringLiteral("系统行不能被分类！"),
                     QStringLiteral("系统行不能被删除！")}),
        script.messages());
}

TEST_F(BaseList, DroppingRowsOnATreeNodeReparentsThem) {
    client::loginedUser().UserId = 1;
    TfrmBaseList w(kindByCode(QStringLiteral("SP")));
    w.setTag(1001);
    answerProc(level());
    answerProc(baseRows(
        {{3, 3, QStringLiteral("01"), QStringLiteral("食品"), 1, 0, QStringLiteral("3,"), {}},
         {4, 0, QStringLiteral("02"), QStringLiteral("日用品"), 1, 0, QStringLiteral("4,"), {}}}));
    w.resize(900, 500);
    w.show();
    QApplication::processEvents();
    ASSERT_EQ(2, w.tvCategory()->topLevelItemCount());
    transport->clearCalls();
    QTreeWidgetItem* target = w.tvCategory()->topLevelItem(1);
    const QPoint at = w.tvCategory()->visualItemRect(target).center();
    ASSERT_EQ(target, w.tvCategory()->itemAt(at));
    QMimeData mime;
    mime.setData(QStringLiteral("application/x-dyt-base-ids"), QByteArray("11,12"));
    QDropEvent drop(QPointF(at), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    EXPECT_TRUE(w.tvCategory()->viewport()->acceptDrops());
    QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.tvCategory()->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    // The list and the tree come again after the drop.
    answerProc(level());
    answerProc(baseRows(
        {{3, 3, QStringLiteral("01"), QStringLiteral("食品"), 1, 0, QStringLiteral("3,"), {}}}));
    QApplication::sendEvent(w.tvCategory()->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(QStringList(), script.messages());
    const auto procs = callsOf(QStringLiteral("ExecProc"));
    ASSERT_EQ(1, procs.size());
    EXPECT_EQ(QStringLiteral("p_Base_Up_DragDrop"), procs[0].procedure);
    EXPECT_EQ(QStringLiteral("4"), linesOf(procs[0]).value(QStringLiteral("par_id")));
    EXPECT_EQ(QStringLiteral("(0,11,12,-1)"), linesOf(procs[0]).value(QStringLiteral("idStrList")));
    w.close();
}

TEST_F(BaseList, MovingARowSendsTheNewOrder) {
    auto w = open(QStringLiteral("SP"), 1001);
    answerProc(level());
    w->loadList();
    w->setFocusedRow(1);
    w->btnDownClick();
    const auto procs = callsOf(QStringLiteral("ExecProc"));
    ASSERT_EQ(1, procs.size());
    EXPECT_EQ(QStringLiteral("p_Base_Up_Orderly"), procs[0].procedure);
    EXPECT_EQ(QStringLiteral("basegoods"), linesOf(procs[0]).value(QStringLiteral("tableName")));
    EXPECT_EQ(QStringLiteral("10,12,11"), linesOf(procs[0]).value(QStringLiteral("IdList")));
    EXPECT_EQ(2, w->focusedRow());
}

TEST_F(BaseList, ButtonsFollowTheSubRightsAndColumnsTheFieldRights) {
    setRights({{QStringLiteral("1001"), 1},
               {QStringLiteral("100101"), 1},
               {QStringLiteral("100102"), 0},
               {QStringLiteral("100103"), 1},
               {QStringLiteral("100104"), 0},
               {QStringLiteral("100121"), 0},
               {QStringLiteral("100131"), 1}});
    auto w = open(QStringLiteral("SP"), 1001);
    EXPECT_TRUE(w->btnAdd()->isVisible());
    EXPECT_TRUE(w->btnAddLevel()->isVisible());
    EXPECT_FALSE(w->btnUpdate()->isVisible());
    EXPECT_TRUE(w->btnDel()->isVisible());
    EXPECT_FALSE(w->btnPrint()->isVisible());
    const auto& columns = w->gridDefinition().columns;
    ASSERT_EQ(16, columns.size());
    EXPECT_EQ(QStringLiteral("code"), columns[0].fieldName);
    EXPECT_EQ(0, columns[0].width);
    EXPECT_FALSE(columns[0].visible);
    // A field right without a row above 20 is not controlled; a granted one keeps its width.
    EXPECT_EQ(160, columns[1].width);
    EXPECT_TRUE(columns[1].visible);
    EXPECT_EQ(70, columns[10].width);

    // Without the add right both add buttons go; operator 1 sees everything.
    setRights({{QStringLiteral("1001"), 1}, {QStringLiteral("100101"), 0}});
    w->applyRights();
    EXPECT_FALSE(w->btnAdd()->isVisible());
    EXPECT_FALSE(w->btnAddLevel()->isVisible());
    client::loginedUser().UserId = 1;
    w->applyRights();
    for (QAction* a : {w->btnAdd(), w->btnAddLevel(), w->btnUpdate(), w->btnDel(), w->btnPrint()})
        EXPECT_TRUE(a->isVisible()) << a->text().toStdString();
    EXPECT_EQ(90, w->gridDefinition().columns[0].width);
}

TEST_F(BaseList, RegionsAreReadBySqlAndShownOneLevelAtATime) {
    auto w = open(QStringLiteral("DQ"), 1006);
    RecordSet all = baseRows(
        {{1, 2, QStringLiteral("01"), QStringLiteral("华东"), 1, 0, QStringLiteral("1,"), {}},
         {2, 0, QStringLiteral("0101"), QStringLiteral("上海"), 2, 1, QStringLiteral("1,2,"), {}},
         {3, 0, QStringLiteral("0102"), QStringLiteral("杭州"), 2, 1, QStringLiteral("1,3,"), {}},
         {4, 0, QStringLiteral("02"), QStringLiteral("华北"), 1, 0, QStringLiteral("4,"), {}}});
    answerQuery(all);
    w->loadList();
    EXPECT_EQ(QStringList{QStringLiteral(
                  "SELECT dbo.fnGetBaseDQFullName(id) as PathName,* FROM baseDQ WHERE del = 0")},
              sqlTexts());
    ASSERT_EQ(2, w->model()->rowCount());
    EXPECT_EQ(QStringLiteral("华东"), w->rowValue(0, QStringLiteral("fullname")).toString());
    EXPECT_EQ(QStringLiteral("华北"), w->rowValue(1, QStringLiteral("fullname")).toString());
    answerQuery(all);
    w->rowActivated(0);
    ASSERT_EQ(2, w->model()->rowCount());
    EXPECT_EQ(QStringLiteral("上海"), w->rowValue(0, QStringLiteral("fullname")).toString());
    answerQuery(all);
    w->edSearch()->setText(QStringLiteral("杭"));
    w->searchClick();
    ASSERT_EQ(1, w->model()->rowCount());
    EXPECT_EQ(3, w->rowValue(0, QStringLiteral("id")).toLongLong());
    EXPECT_TRUE(callsOf(QStringLiteral("ExecProcQuery")).isEmpty());
}

TEST_F(BaseList, EveryListClassIsRegistered) {
    client::registerBaseWindows();
    for (const BaseKind& k : client::base::baseKinds()) {
        std::unique_ptr<QWidget> w(client::createWindow(k.listClass, nullptr));
        ASSERT_NE(nullptr, w) << k.listClass.toStdString();
        auto* list = qobject_cast<TfrmBaseList*>(w.get());
        ASSERT_NE(nullptr, list);
        EXPECT_EQ(k.title, list->windowTitle());
        EXPECT_EQ(k.listClass + QStringLiteral("_dbgvX"), list->layoutKey());
    }
}

}  // namespace
}  // namespace dyt::test
