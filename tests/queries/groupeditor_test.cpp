// The group editors of the distribution reports and the operator list of the rights copy: the
// groups line a query sends, adding and deleting groups, the refusals, and the operator handed
// back after OK.
#include <QDateEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "client/logic/clientconfig.h"
#include "client/logic/settings.h"
#include "client/queries/frmselectitems.h"
#include "client/logic/queryconditions.h"
#include "common/error.h"
#include "common/groupcondition.h"
#include "common/recordset.h"
#include "protocol/protocol.h"
#include "querytest_support.h"

namespace dyt::client {
namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

query::RecordGroup group(PickerKind kind, std::initializer_list<std::pair<qint64, const char*>> m) {
    query::RecordGroup g;
    for (const auto& [id, name] : m)
        g.append(query::PickedRecord{kind, id, s(name)});
    return g;
}

// --- the groups line

TEST(GroupCondition, ComposesOneSegmentPerGroupInListOrder) {
    const PickerKind P = PickerKind::Partner;
    const PickerKind W = PickerKind::Warehouse;
    struct Case {
        const char* name;
        qint64 op;
        PickerKind kind;
        QList<query::RecordGroup> groups;
        const char* expected;
    } cases[] = {
        {"one partner group",
         7,
         P,
         {group(P, {{3, "甲"}})},
         ";czy_id=7;groupkind=wldw;groupcount=1;group=3"},
        {"members keep their order",
         1,
         P,
         {group(P, {{9, "甲"}, {2, "乙"}, {5, "丙"}})},
         ";czy_id=1;groupkind=wldw;groupcount=1;group=9,2,5"},
        {"two warehouse groups",
         4,
         W,
         {group(W, {{11, "总仓"}, {12, "分仓"}}), group(W, {{13, "门店"}})},
         ";czy_id=4;groupkind=cangku;groupcount=2;group=11,12;group=13"},
    };
    for (const Case& c : cases) {
        const QString line = query::groupCondition(c.op, c.kind, c.groups);
        EXPECT_EQ(s(c.expected), line) << c.name;
        // What the server reads back is what was composed.
        const GroupCondition read = parseGroupCondition(line);
        EXPECT_EQ(c.op, read.operatorId) << c.name;
        EXPECT_EQ(pickerKindName(c.kind), read.kind) << c.name;
        const QList<QList<qint64>>& back = read.groups;
        ASSERT_EQ(c.groups.size(), back.size()) << c.name;
        for (int g = 0; g < back.size(); ++g) {
            ASSERT_EQ(c.groups[g].size(), back[g].size()) << c.name;
            for (int m = 0; m < back[g].size(); ++m)
                EXPECT_EQ(c.groups[g][m].id, back[g][m]) << c.name;
        }
    }
}

TEST(GroupCondition, RefusesNoGroupsEmptyGroupsAndMalformedLines) {
    try {
        query::groupCondition(1, PickerKind::Partner, {});
        ADD_FAILURE() << "no group accepted";
    } catch (const DytError& e) {
        EXPECT_EQ(s("请至少新增一个组！"), e.message());
    }
    EXPECT_THROW(query::groupCondition(1, PickerKind::Partner, {query::RecordGroup{}}), DytError);
    // A member in two groups would be counted twice.
    EXPECT_THROW(query::groupCondition(1, PickerKind::Partner,
                                       {group(PickerKind::Partner, {{3, "甲"}}),
                                        group(PickerKind::Partner, {{4, "乙"}, {3, "甲"}})}),
                 DytError);
    // Each line differs from a good one (";czy_id=1;groupkind=wldw;groupcount=1;group=3") in
    // one respect.
    ASSERT_EQ(
        1, parseGroupCondition(s(";czy_id=1;groupkind=wldw;groupcount=1;group=3")).groups.size());
    const char* bad[] = {
        ";czy_id=1;groupkind=wldw;groupcount=2;group=3",            // count does not match
        ";czy_id=1;groupkind=wldw;groupcount=1;group=3,x",          // not a number
        ";czy_id=1;groupkind=wldw;groupcount=1;group=3,,4",         // empty member
        ";czy_id=1;groupkind=wldw;groupcount=1;group=0",            // not a record id
        ";czy_id=1;groupkind=wldw;group=3",                         // no count
        ";czy_id=1;groupcount=1;group=3",                           // no kind
        ";czy_id=1;groupkind=wldw;groupcount=0",                    // no group
        ";czy_id=1;groupkind=wldw;groupcount=2;group=3;group=4,3",  // a member twice
        "czy_id=1;groupkind=wldw;groupcount=1;group=3",             // not a condition string
    };
    for (const char* line : bad)
        EXPECT_THROW(parseGroupCondition(s(line)), DytError) << line;
}

TEST(GroupCondition, LabelNamesTheGroupAndItsMembers) {
    const query::RecordGroup g = group(PickerKind::Partner, {{3, "甲公司"}, {4, "乙公司"}});
    EXPECT_EQ(s("第2组: 甲公司、乙公司"), query::groupLabel(2, g));
}

// --- the dialog

class GroupEditor : public test::QueryFixture {
protected:
    void SetUp() override {
        QueryFixture::SetUp();
        // Each "新增组" takes the next prepared choice; the kind asked for is written down.
        groupSelector() = [this](const QString& kind, QWidget*) {
            kindsAsked.append(kind);
            return picks.isEmpty() ? QList<PickerChoice>{} : picks.takeFirst();
        };
    }
    void TearDown() override {
        resetGroupSelector();
        QueryFixture::TearDown();
    }
    static QStringList labels(const QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out.append(list->item(i)->text());
        return out;
    }
    QList<QList<PickerChoice>> picks;
    QStringList kindsAsked;
};

TEST_F(GroupEditor, AddingGroupsListsThemAndOkComposesTheGroupsLine) {
    TfrmSelectItems d(s("TfrmSelectItems_XS6"));
    d.selectPage(0);
    picks = {{{3, s("甲公司")}, {4, s("乙公司")}}, {{8, s("丙公司")}}};
    d.addGroupButton()->click();
    d.addGroupButton()->click();
    EXPECT_EQ(QStringList({s("wldw"), s("wldw")}), kindsAsked);
    EXPECT_EQ(QStringList({s("第1组: 甲公司、乙公司"), s("第2组: 丙公司")}), labels(d.groupList()));
    EXPECT_EQ(1, d.groupList()->currentRow());  // the new group is the current one

    d.beginEdit()->setDate(QDate(2026, 3, 1));
    d.endEdit()->setDate(QDate(2026, 3, 31));
    ASSERT_TRUE(d.accept());
    const query::QueryConditions& c = d.conditions();
    ASSERT_EQ(2, c.groups.size());
    EXPECT_EQ(PickerKind::Partner, c.groupKind);
    EXPECT_EQ(4, c.groups[0][1].id);

    query::QueryRequest req;
    req.descriptor = findQueryDescriptor(s("TfrmQDWXSFB"));
    req.operatorId = 7;
    req.conditions = c;
    const ParamList p = query::buildQueryParams(req);
    EXPECT_EQ(s(";czy_id=7;groupkind=wldw;groupcount=2;group=3,4;group=8"), p.value(s("GroupStr")));
    EXPECT_EQ(s("2026-03-01"), p.value(s("BeginDate")));
    EXPECT_EQ(s("2026-03-31"), p.value(s("EndDate")));
    EXPECT_TRUE(script.messages().isEmpty()) << script.messages().join(u'|').toStdString();
}

TEST_F(GroupEditor, WarehouseGroupsAskForWarehouses) {
    TfrmSelectItems d(s("TfrmSelectItems_CK8"));
    d.selectPage(0);
    picks = {{{21, s("总仓")}, {21, s("总仓")}, {22, s("分仓")}}};
    d.addGroupClick();
    EXPECT_EQ(QStringList{s("cangku")}, kindsAsked);
    // A record picked twice for the same group counts once.
    EXPECT_EQ(QStringList{s("第1组: 总仓、分仓")}, labels(d.groupList()));
    ASSERT_TRUE(d.accept());
    EXPECT_EQ(PickerKind::Warehouse, d.conditions().groupKind);
    EXPECT_EQ(s(";czy_id=1;groupkind=cangku;groupcount=1;group=21,22"),
              query::groupCondition(1, d.conditions().groupKind, d.conditions().groups));
}

TEST_F(GroupEditor, DeletingRemovesTheCurrentGroupAndRenumbersTheRest) {
    TfrmSelectItems d(s("TfrmSelectItems_JH1"));
    d.selectPage(0);
    picks = {{{1, s("A")}}, {{2, s("B")}}, {{3, s("C")}}};
    for (int i = 0; i < 3; ++i)
        d.addGroupClick();
    d.groupList()->setCurrentRow(1);
    d.deleteGroupButton()->click();
    EXPECT_EQ(QStringList({s("第1组: A"), s("第2组: C")}), labels(d.groupList()));
    ASSERT_EQ(2, d.groups().size());
    EXPECT_EQ(3, d.groups()[1][0].id);
    // The last group deleted: the one before it becomes current.
    d.groupList()->setCurrentRow(1);
    d.deleteGroupClick();
    EXPECT_EQ(QStringList{s("第1组: A")}, labels(d.groupList()));
    EXPECT_EQ(0, d.groupList()->currentRow());
    EXPECT_TRUE(script.messages().isEmpty());
}

TEST_F(GroupEditor, Refusals) {
    TfrmSelectItems d(s("TfrmSelectItems_JH2"));
    d.selectPage(0);
    // OK without a group.
    EXPECT_FALSE(d.accept());
    // Deleting with no group.
    d.deleteGroupClick();
    // A cancelled selection adds nothing and says nothing.
    picks = {{}};
    d.addGroupClick();
    EXPECT_EQ(0, d.groupList()->count());
    // A member already in a group refuses the whole new group.
    picks = {{{21, s("总仓")}}, {{22, s("分仓")}, {21, s("总仓")}}};
    d.addGroupClick();
    d.addGroupClick();
    EXPECT_EQ(QStringList{s("第1组: 总仓")}, labels(d.groupList()));
    EXPECT_EQ(1, d.groups().size());
    EXPECT_EQ(
        QStringList({s("请至少新增一个组！"), s("请选择要删除的组！"), s("[总仓]已经在第1组中！")}),
        script.messages());
    // A reversed range is refused before the groups are taken.
    d.beginEdit()->setDate(QDate(2026, 3, 5));
    d.endEdit()->setDate(QDate(2026, 3, 4));
    EXPECT_FALSE(d.accept());
    EXPECT_EQ(s("开始日期不能大于结束日期！"), script.messages().last());
    EXPECT_TRUE(d.conditions().groups.isEmpty());
}

TEST_F(GroupEditor, ConditionPagesHaveNoGroupControlsAndSendNoGroups) {
    TfrmSelectItems d(s("TfrmSelectItems_XS2"));
    d.selectPage(s("单位销售分布"));
    EXPECT_EQ(nullptr, d.groupList());
    d.addGroupClick();  // nothing to do on a page without groups
    EXPECT_TRUE(kindsAsked.isEmpty());
    ASSERT_TRUE(d.accept());
    query::QueryRequest req;
    req.descriptor = findQueryDescriptor(s("TfrmQDWXSFB"));
    req.operatorId = 7;
    req.conditions = d.conditions();
    EXPECT_FALSE(query::buildQueryParams(req).contains(s("GroupStr")));
}

// --- the operator list

class OperatorList : public GroupEditor {
protected:
    void answerOperators(const QList<std::tuple<qint64, const char*, const char*>>& ops) {
        RecordSet rows;
        rows.addField(s("id"), FieldType::Integer);
        rows.addField(s("password"), FieldType::Text, 50);
        rows.addField(s("code"), FieldType::Text, 50);
        rows.addField(s("fullname"), FieldType::Text, 50);
        for (const auto& [id, code, name] : ops)
            rows.appendRow({id, QString(), s(code), s(name)});
        transport->respondWith(s("ExecQuery"), [rows](const QCborArray&) {
            Response r;
            r.result = 0;
            r.outs = {proto::recordSetToCbor(rows), QString()};
            return r;
        });
    }
};

TEST_F(OperatorList, ListsTheOtherOperatorsAndHandsBackThePickedOne) {
    TfrmSelectItems d(s("TfrmSelectItems_CZY"));
    d.selectPage(0);
    EXPECT_EQ(s("复制所选操作员的权限"), d.windowTitle());
    answerOperators({{2, "002", "张三"}, {5, "005", "李四"}});
    ASSERT_TRUE(d.loadOperators(3));
    QStringList sql;
    for (const RecordedCall& call : transport->calls()) {
        if (call.method == s("ExecQuery"))
            sql.append(call.sql);
    }
    EXPECT_EQ(QStringList{s("  SELECT a.*,b.code,b.fullname FROM sysuser AS a,baseZY AS b  "
                            "WHERE a.id = b.id AND a.id <> 1 AND a.id <> 3")},
              sql);
    QTreeWidget* list = d.operatorList();
    ASSERT_EQ(2, list->topLevelItemCount());
    EXPECT_EQ(s("职员编号"), list->headerItem()->text(0));
    EXPECT_EQ(s("职员全名"), list->headerItem()->text(1));
    EXPECT_EQ(s("李四"), list->topLevelItem(1)->text(1));
    EXPECT_EQ(0, d.chosenOperator());
    // The first operator is current from the start.
    ASSERT_TRUE(d.accept());
    EXPECT_EQ(2, d.chosenOperator());
    list->setCurrentItem(list->topLevelItem(1));
    ASSERT_TRUE(d.accept());
    EXPECT_EQ(5, d.chosenOperator());
    EXPECT_TRUE(script.messages().isEmpty());
}

TEST_F(OperatorList, NoOtherOperatorIsSaidAndNothingCanBeChosen) {
    TfrmSelectItems d(s("TfrmSelectItems_CZY"));
    d.selectPage(0);
    answerOperators({});
    EXPECT_FALSE(d.loadOperators(2));
    EXPECT_FALSE(d.accept());
    EXPECT_EQ(QStringList({s("没有可复制的操作员！"), s("请选择操作员！")}), script.messages());
    EXPECT_EQ(0, d.chosenOperator());
    // A page without an operator list refuses to load one.
    TfrmSelectItems other(s("TfrmSelectItems_XS6"));
    other.selectPage(0);
    EXPECT_THROW(other.loadOperators(2), DytError);
}

}  // namespace
}  // namespace dyt::client
