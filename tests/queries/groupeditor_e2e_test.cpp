// A group editor and the operator list against a real dyt-server: the groups are picked in the
// product's own record selection windows, whose partner and warehouse lists the server answers
// through P_JXC_Get_Base, and the operators come from the server's operator table.
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>

#include "client/bills/selectbase.h"
#include "client/logic/clientconfig.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "client/queries/frmselectitems.h"
#include "client/logic/queryconditions.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "support/serverfixture.h"

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
        const int nameCol = rows.fieldIndex(s("fullname"));
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
    openClientConfig(programDir.path());
    settings().LoginDate = QDate(2026, 3, 31);
    query::resetSharedQueryDates();
    resetGroupSelector();
    addRecord("baseWLDW", 201, "K1", "华南贸易");
    addRecord("baseWLDW", 202, "K2", "华北商行");
    addRecord("baseWLDW", 203, "K3", "东方百货");
    addRecord("baseCK", 301, "CK1", "总仓");
    addRecord("baseCK", 302, "CK2", "门店仓");
    addRecord("baseZY", 2, "002", "张三", 0, 0, {{"name", s("'张三'")}});
    addRecord("baseZY", 3, "003", "李四", 0, 0, {{"name", s("'李四'")}});
    addRecord("baseZY", 4, "004", "王五", 0, 0, {{"name", s("'王五'")}});
    dm.ExecUpdate(
        s("INSERT INTO sysuser(id, password, par_id, isstop) VALUES (2, '', 0, 0), "
          "(3, '', 0, 0)"));

    {
        // Partner groups: two groups picked in the selection windows.
        TfrmSelectItems d(s("TfrmSelectItems_XS6"));
        d.selectPage(0);
        QList<QStringList> listed;
        int windows = 0;
        pickInSelectionWindows({s("华北商行"), s("东方百货")}, &listed, &windows);
        d.addGroupButton()->click();
        pickInSelectionWindows({s("华南贸易")}, &listed, &windows);
        d.addGroupButton()->click();
        EXPECT_EQ(5, windows);  // 2 picks + cancel, 1 pick + cancel
        ASSERT_FALSE(listed.isEmpty());
        // The server lists every partner seeded.
        for (const char* name : {"华南贸易", "华北商行", "东方百货"})
            EXPECT_TRUE(listed.first().contains(s(name))) << name;
        ASSERT_TRUE(d.accept()) << script.messages().join(u'|').toStdString();
        query::QueryRequest req;
        req.descriptor = findQueryDescriptor(s("TfrmQDWXSFB"));
        req.operatorId = 1;
        req.conditions = d.conditions();
        const ParamList p = query::buildQueryParams(req);
        EXPECT_EQ(s(";czy_id=1;groupkind=wldw;groupcount=2;group=202,203;group=201"),
                  p.value(s("GroupStr")));
        test::saveScreenshot(&d, s("query_group_editor_xs6"));
    }
    {
        // Warehouse groups list the warehouses, not the partners.
        TfrmSelectItems d(s("TfrmSelectItems_CK8"));
        d.selectPage(0);
        QList<QStringList> listed;
        int windows = 0;
        pickInSelectionWindows({s("门店仓")}, &listed, &windows);
        d.addGroupClick();
        ASSERT_EQ(2, listed.size());
        EXPECT_TRUE(listed.first().contains(s("总仓")));
        EXPECT_FALSE(listed.first().contains(s("华南贸易")));
        ASSERT_TRUE(d.accept());
        ASSERT_EQ(1, d.conditions().groups.size());
        EXPECT_EQ(302, d.conditions().groups[0][0].id);
        EXPECT_EQ(s("门店仓"), d.conditions().groups[0][0].name);
    }
    {
        // Operators other than the administrator and the chosen one, from the server.
        TfrmSelectItems d(s("TfrmSelectItems_CZY"));
        d.selectPage(0);
        ASSERT_TRUE(d.loadOperators(2)) << script.messages().join(u'|').toStdString();
        ASSERT_EQ(1, d.operatorList()->topLevelItemCount());
        EXPECT_EQ(s("003"), d.operatorList()->topLevelItem(0)->text(0));
        EXPECT_EQ(s("李四"), d.operatorList()->topLevelItem(0)->text(1));
        ASSERT_TRUE(d.accept());
        EXPECT_EQ(3, d.chosenOperator());
    }
    EXPECT_TRUE(script.messages().isEmpty()) << script.messages().join(u'|').toStdString();
    closeClientConfig();
    query::resetSharedQueryDates();
}

}  // namespace
}  // namespace dyt::client
