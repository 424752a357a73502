// The group editors of the distribution reports and the operator list of the rights copy, on the
// recording transport and against a real server.
#include "client/bills/selectbase.h"
#include "common/groupcondition.h"
#include "querytest_support.h"
#include "support/serverfixture.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

query::RecordGroup group(PickerKind kind, std::initializer_list<std::pair<qint64, const char*>> m) {
    query::RecordGroup g;
    for (const auto& [id, name] : m)
        g.append(query::PickedRecord{kind, id, s(name)});
    return g;
}

TEST(GroupCondition, ComposesOneSegmentPerGroupRefusesBadGroupsAndLabelsThem) {
    const PickerKind P = PickerKind::Partner;
    const PickerKind W = PickerKind::Warehouse;
    struct Case {
        const char* name;
        qint64 op;
        PickerKind kind;
        QList<query::RecordGroup> groups;
        const char* expected;
    } cases[] = {
        {"one partner group", 7, P, {group(P, {{3, "甲"}})},
         ";czy_id=7;groupkind=wldw;groupcount=1;group=3"},
        {"members keep their order", 1, P, {group(P, {{9, "甲"}, {2, "乙"}, {5, "丙"}})},
         ";czy_id=1;groupkind=wldw;groupcount=1;group=9,2,5"},
        {"two warehouse groups", 4, W,
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
        QList<QList<qint64>> ids;
        for (const query::RecordGroup& g : c.groups) {
            ids.append(QList<qint64>());
            for (const query::PickedRecord& m : g)
                ids.last().append(m.id);
        }
        EXPECT_EQ(ids, read.groups) << c.name;
    }
    // No groups, empty groups and malformed lines are refused; labels name the groups.
    EXPECT_EQ(u"请至少新增一个组！"_s,
              dyt::test::errorOf([&] { query::groupCondition(1, PickerKind::Partner, {}); }));
    EXPECT_THROW(query::groupCondition(1, PickerKind::Partner, {query::RecordGroup{}}), DytError);
    // A member in two groups would be counted twice.
    EXPECT_THROW(query::groupCondition(1, PickerKind::Partner,
                                       {group(PickerKind::Partner, {{3, "甲"}}),
                                        group(PickerKind::Partner, {{4, "乙"}, {3, "甲"}})}),
                 DytError);
    // Each line differs from a good one (";czy_id=1;groupkind=wldw;groupcount=1;group=3") in
    // one respect.
    ASSERT_EQ(
        1, parseGroupCondition(u";czy_id=1;groupkind=wldw;groupcount=1;group=3"_s).groups.size());
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
    // A group's label names it and its members.
    EXPECT_EQ(u"第2组: 甲公司、乙公司"_s,
              query::groupLabel(2, group(PickerKind::Partner, {{3, "甲公司"}, {4, "乙公司"}})));
}

QStringList labels(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
}

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
    QList<QList<PickerChoice>> picks;
    QStringList kindsAsked;
};

TEST_F(GroupEditor, DeletingRemovesTheCurrentGroupAndRenumbersTheRest) {
    TfrmSelectItems d(u"TfrmSelectItems_JH1"_s);
    d.selectPage(0);
    picks = {{{1, u"A"_s}}, {{2, u"B"_s}}, {{3, u"C"_s}}};
    for (int i = 0; i < 3; ++i)
        d.addGroupClick();
    d.groupList()->setCurrentRow(1);
    d.deleteGroupButton()->click();
    EXPECT_EQ(QStringList({u"第1组: A"_s, u"第2组: C"_s}), labels(d.groupList()));
    EXPECT_EQ(3, d.groups().value(1).value(0).id);
    // The last group deleted: the one before it becomes current.
    d.groupList()->setCurrentRow(1);
    d.deleteGroupClick();
    EXPECT_EQ(QStringList{u"第1组: A"_s}, labels(d.groupList()));
    EXPECT_EQ(0, d.groupList()->currentRow());
    EXPECT_TRUE(script.messages().isEmpty());
}

TEST_F(GroupEditor, Refusals) {
    TfrmSelectItems d(u"TfrmSelectItems_JH2"_s);
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
    picks = {{{21, u"总仓"_s}}, {{22, u"分仓"_s}, {21, u"总仓"_s}}};
    d.addGroupClick();
    d.addGroupClick();
    EXPECT_EQ(QStringList{u"第1组: 总仓"_s}, labels(d.groupList()));
    EXPECT_EQ(
        QStringList({u"请至少新增一个组！"_s, u"请选择要删除的组！"_s, u"[总仓]已经在第1组中！"_s}),
        script.messages());
    // A reversed range is refused before the groups are taken.
    d.beginEdit()->setDate(QDate(2026, 3, 5));
    d.endEdit()->setDate(QDate(2026, 3, 4));
    EXPECT_FALSE(d.accept());
    EXPECT_EQ(u"开始日期不能大于结束日期！"_s, script.messages().last());
    EXPECT_TRUE(d.conditions().groups.isEmpty());
}

TEST_F(GroupEditor, ConditionPagesHaveNoGroupControlsAndSendNoGroups) {
    TfrmSelectItems d(u"TfrmSelectItems_XS2"_s);
    d.selectPage(u"单位销售分布"_s);
    EXPECT_EQ(nullptr, d.groupList());
    d.addGroupClick();  // nothing to do on a page without groups
    EXPECT_TRUE(kindsAsked.isEmpty());
    ASSERT_TRUE(d.accept());
    query::QueryRequest req;
    req.descriptor = findQueryDescriptor(u"TfrmQDWXSFB"_s);
    req.operatorId = 7;
    req.conditions = d.conditions();
    EXPECT_FALSE(query::buildQueryParams(req).contains(u"GroupStr"_s));
}

TEST_F(GroupEditor, NoOtherOperatorIsSaidAndNothingCanBeChosen) {
    TfrmSelectItems d(u"TfrmSelectItems_CZY"_s);
    d.selectPage(0);
    const RecordSet none = test::textRows({u"id"_s, u"password"_s, u"code"_s, u"fullname"_s}, {});
    transport->respondWith(u"ExecQuery"_s, [none](const QCborArray&) {
        Response r;
        r.result = 0;
        r.outs = {proto::recordSetToCbor(none), QString()};
        return r;
    });
    EXPECT_FALSE(d.loadOperators(2));
    EXPECT_FALSE(d.accept());
    EXPECT_EQ(QStringList({u"没有可复制的操作员！"_s, u"请选择操作员！"_s}), script.messages());
    EXPECT_EQ(0, d.chosenOperator());
    // A page without an operator list refuses to load one.
    TfrmSelectItems other(u"TfrmSelectItems_XS6"_s);
    other.selectPage(0);
    EXPECT_THROW(other.loadOperators(2), DytError);
}

// Picks the named records one after the other in the selection windows that open, then cancels
// the next one. Records what each window listed.
void pickInSelectionWindows(QStringList names, QList<QStringList>* listed, int* windows) {
    test::onNextModal([names, listed, windows](QWidget* w) mutable {
        auto* win = qobject_cast<TfrmSelectBase*>(w);
        ASSERT_NE(nullptr, win);
        ++*windows;
        RecordSetModel* model = win->grid()->model();
        const RecordSet& rows = win->selection().rows();
        const int nameCol = rows.fieldIndex(u"fullname"_s);
        QStringList seen;
        int wanted = -1;
        for (int r = 0; r < model->rowCount(); ++r) {
            const QString name = rows.at(model->rawRow(r), nameCol).toString();
            seen.append(name);
            if (!names.isEmpty() && name == names.first())
                wanted = r;
        }
        listed->append(seen);
        if (names.isEmpty()) {
            win->reject();
            return;
        }
        names.removeFirst();
        ASSERT_GE(wanted, 0);
        win->grid()->table()->setCurrentIndex(model->index(wanted, 0));
        pickInSelectionWindows(names, listed, windows);
        win->okClick();
    });
}

class GroupEditorE2E : public test::ServerFixture {};

TEST_F(GroupEditorE2E, GroupsFromTheSelectionWindowsAndOperatorsFromTheServer) {
    settings().LoginDate = QDate(2026, 3, 31);
    query::resetSharedQueryDates();
    resetGroupSelector();
    addRecord("baseWLDW", 201, "K1", "华南贸易");
    addRecord("baseWLDW", 202, "K2", "华北商行");
    addRecord("baseWLDW", 203, "K3", "东方百货");
    addRecord("baseCK", 301, "CK1", "总仓");
    addRecord("baseCK", 302, "CK2", "门店仓");
    addRecord("baseZY", 2, "002", "张三", 0, 0, {{"name", u"'张三'"_s}});
    addRecord("baseZY", 3, "003", "李四", 0, 0, {{"name", u"'李四'"_s}});
    addRecord("baseZY", 4, "004", "王五", 0, 0, {{"name", u"'王五'"_s}});
    dm.ExecUpdate(
        s("INSERT INTO sysuser(id, password, par_id, isstop) VALUES (2, '', 0, 0), "
          "(3, '', 0, 0), (4, '', 0, 0)"));
    {
        // Partner groups: two groups picked in the selection windows.
        TfrmSelectItems d(u"TfrmSelectItems_XS6"_s);
        d.selectPage(0);
        QList<QStringList> listed;
        int windows = 0;
        pickInSelectionWindows({u"华北商行"_s, u"东方百货"_s}, &listed, &windows);
        d.addGroupButton()->click();
        pickInSelectionWindows({u"华南贸易"_s}, &listed, &windows);
        d.addGroupButton()->click();
        EXPECT_EQ(5, windows);  // 2 picks + cancel, 1 pick + cancel
        EXPECT_EQ(QStringList({u"第1组: 华北商行、东方百货"_s, u"第2组: 华南贸易"_s}),
                  labels(d.groupList()));
        EXPECT_EQ(1, d.groupList()->currentRow());  // the new group is the current one
        ASSERT_FALSE(listed.isEmpty());
        // The server lists every partner seeded.
        for (const char* name : {"华南贸易", "华北商行", "东方百货"})
            EXPECT_TRUE(listed.first().contains(s(name))) << name;
        d.beginEdit()->setDate(QDate(2026, 3, 1));
        d.endEdit()->setDate(QDate(2026, 3, 20));
        ASSERT_TRUE(d.accept()) << script.messages().join(u'|').toStdString();
        query::QueryRequest req;
        req.descriptor = findQueryDescriptor(u"TfrmQDWXSFB"_s);
        req.operatorId = 1;
        req.conditions = d.conditions();
        const ParamList p = query::buildQueryParams(req);
        EXPECT_EQ(u";czy_id=1;groupkind=wldw;groupcount=2;group=202,203;group=201"_s,
                  p.value(u"GroupStr"_s));
        EXPECT_EQ(u"2026-03-01|2026-03-20"_s, test::valuesOf(p, u"BeginDate,EndDate"_s));
    }
    {
        // Warehouse groups list the warehouses, not the partners.
        TfrmSelectItems d(u"TfrmSelectItems_CK8"_s);
        d.selectPage(0);
        QList<QStringList> listed;
        int windows = 0;
        // A warehouse picked twice for the same group counts once.
        pickInSelectionWindows({u"门店仓"_s, u"门店仓"_s, u"总仓"_s}, &listed, &windows);
        d.addGroupClick();
        ASSERT_EQ(4, listed.size());
        EXPECT_TRUE(listed.first().contains(u"总仓"_s));
        EXPECT_FALSE(listed.first().contains(u"华南贸易"_s));
        EXPECT_EQ(QStringList{u"第1组: 门店仓、总仓"_s}, labels(d.groupList()));
        ASSERT_TRUE(d.accept());
        EXPECT_EQ(PickerKind::Warehouse, d.conditions().groupKind);
        EXPECT_EQ(u";czy_id=1;groupkind=cangku;groupcount=1;group=302,301"_s,
                  query::groupCondition(1, d.conditions().groupKind, d.conditions().groups));
    }
    {
        // Operators other than the administrator and the chosen one, from the server.
        TfrmSelectItems d(u"TfrmSelectItems_CZY"_s);
        d.selectPage(0);
        ASSERT_TRUE(d.loadOperators(2)) << script.messages().join(u'|').toStdString();
        QTreeWidget* list = d.operatorList();
        ASSERT_EQ(2, list->topLevelItemCount());
        EXPECT_EQ(u"003|李四"_s,
                  list->topLevelItem(0)->text(0) + u'|' + list->topLevelItem(0)->text(1));
        EXPECT_EQ(0, d.chosenOperator());
        // The first operator is current from the start.
        ASSERT_TRUE(d.accept());
        EXPECT_EQ(3, d.chosenOperator());
        list->setCurrentItem(list->topLevelItem(1));
        ASSERT_TRUE(d.accept());
        EXPECT_EQ(4, d.chosenOperator());
    }
    EXPECT_TRUE(script.messages().isEmpty()) << script.messages().join(u'|').toStdString();
    query::resetSharedQueryDates();
}

}  // namespace
}  // namespace dyt::client
