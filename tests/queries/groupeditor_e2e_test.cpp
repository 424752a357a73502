// A group editor and the operator list against a real dyt-server: the groups are picked in the
// product's own record selection windows, whose partner and warehouse lists the server answers
// through P_JXC_Get_Base, and the operators come from the server's operator table.
#include <QDateEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>

#include "client/bills/selectbase.h"
#include "client/common/clientconfig.h"
#include "client/common/gridview.h"
#include "client/common/recordsetmodel.h"
#include "client/common/settings.h"
#include "client/queries/frmselectitems.h"
#include "client/queries/queryconditions.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "support/serverfixture.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
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

QStringList labels(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
}

class GroupEditorE2E : public test::ServerFixture {};

TEST_F(GroupEditorE2E, GroupsFromTheSelectionWindowsAndOperatorsFromTheServer) {
    openClientConfig(programDir.path());
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
        EXPECT_EQ(u"2026-03-01"_s, p.value(u"BeginDate"_s));
        EXPECT_EQ(u"2026-03-20"_s, p.value(u"EndDate"_s));
        test::saveScreenshot(&d, u"query_group_editor_xs6"_s);
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
        ASSERT_EQ(1, d.conditions().groups.size());
        ASSERT_EQ(2, d.conditions().groups[0].size());
        EXPECT_EQ(302, d.conditions().groups[0][0].id);
        EXPECT_EQ(u"门店仓"_s, d.conditions().groups[0][0].name);
        EXPECT_EQ(301, d.conditions().groups[0][1].id);
    }
    {
        // Operators other than the administrator and the chosen one, from the server.
        TfrmSelectItems d(u"TfrmSelectItems_CZY"_s);
        d.selectPage(0);
        ASSERT_TRUE(d.loadOperators(2)) << script.messages().join(u'|').toStdString();
        QTreeWidget* list = d.operatorList();
        ASSERT_EQ(2, list->topLevelItemCount());
        EXPECT_EQ(u"003"_s, list->topLevelItem(0)->text(0));
        EXPECT_EQ(u"李四"_s, list->topLevelItem(0)->text(1));
        EXPECT_EQ(0, d.chosenOperator());
        // The first operator is current from the start.
        ASSERT_TRUE(d.accept());
        EXPECT_EQ(3, d.chosenOperator());
        list->setCurrentItem(list->topLevelItem(1));
        ASSERT_TRUE(d.accept());
        EXPECT_EQ(4, d.chosenOperator());
    }
    EXPECT_TRUE(script.messages().isEmpty()) << script.messages().join(u'|').toStdString();
    closeClientConfig();
    query::resetSharedQueryDates();
}

}  // namespace
}  // namespace dyt::client
