// The bill audit levels window against a real server, worked with keys: two steps for purchases,
// the employees of step 2 chosen in its dialog, saved and in force for the bill windows.
#include <QTest>
#include <QtWidgets>

#include "client/system/frmsysdjshjssz.h"
#include "support/serverfixture.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

class AuditLevelsE2E : public test::ServerFixture {};

TEST_F(AuditLevelsE2E, TwoStepsAndTheirEmployeesAreSetByKeysAndTakeEffect) {
    addRecord("baseZY", 2, "002", "李四");
    addRecord("baseZY", 3, "003", "王五");
    for (const char* id : {"2", "3"}) {
        ParamList p;
        p.setValue(u"id"_s, QString::fromLatin1(id));
        dm.ExecProc(u"p_sys_Up_User"_s, p);
    }
    TfrmSysDJSHJSSZ w;
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(auditlevels::kinds().size(), w.kindList()->count());
    // Locate the purchase bill; two levels; caption 2 typed over.
    w.locateEdit()->setFocus();
    test::typeInto(w.locateEdit(), u"进货"_s);
    QTest::keyClick(w.locateEdit(), Qt::Key_Return);
    ASSERT_EQ(5, w.currentKind());
    w.levelBox()->setFocus();
    QTest::keyClick(w.levelBox(), Qt::Key_Down);
    EXPECT_TRUE(w.stepButton(2)->isEnabled());
    EXPECT_FALSE(w.stepCaption(3)->isEnabled());
    w.stepCaption(2)->setFocus();
    QTest::keyClick(w.stepCaption(2), Qt::Key_A, Qt::ControlModifier);
    test::typeInto(w.stepCaption(2), u"经理's审核"_s);
    QTest::keyClick(w.stepCaption(2), Qt::Key_Return);
    // The employees: 李四, 李四 again (refused), 王五; then 李四 deleted.
    test::onNextModal([](QWidget* d) {
        auto* add = d->findChild<QPushButton*>(u"btnAdd"_s);
        for (const char* code : {"002", "002", "003"}) {
            test::pickNext(QString::fromLatin1(code));
            add->setFocus();
            QTest::keyClick(add, Qt::Key_Space);
        }
        auto* list = d->findChild<QListWidget*>(u"lbEmployees"_s);
        EXPECT_EQ(2, list->count());
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Up);
        auto* remove = d->findChild<QPushButton*>(u"btnDelete"_s);
        remove->setFocus();
        QTest::keyClick(remove, Qt::Key_Space);
        auto* ok = d->findChild<QPushButton*>(u"btnOK"_s);
        ok->setFocus();
        QTest::keyClick(ok, Qt::Key_Space);
    });
    w.stepButton(2)->setFocus();
    QTest::keyClick(w.stepButton(2), Qt::Key_Space);
    EXPECT_EQ(u"王五"_s, w.stepEmployees(2)->text());
    EXPECT_TRUE(w.modified());
    test::walkStep(u"audit-levels"_s);
    w.btnOK()->setFocus();
    QTest::keyClick(w.btnOK(), Qt::Key_Space);
    EXPECT_EQ((QStringList{auditlevels::duplicate(), auditlevels::saved()}), script.messages());
    const auto row = [this] {
        const RecordSet rs =
            query(u"SELECT inputnum, inputName2, inputid2, inputText2 FROM sysDjb WHERE id = 5"_s);
        QStringList values;
        for (int f = 0; f < rs.fieldCount() && rs.rowCount() == 1; ++f)
            values << rs.at(0, f).toString();
        return values.join(u'|');
    };
    const QString purchases =
        u"2|经理's审核|(0,3,0)|王五"_s;  // two steps; step 2 as typed, by 王五
    EXPECT_EQ(purchases, row());
    // The bill windows apply the new steps.
    const BillKind* purchase = findBillKind(5);
    ASSERT_NE(nullptr, purchase);
    EXPECT_EQ(2, purchase->inputNum);
    EXPECT_TRUE(purchase->mayAudit(2, 3));
    EXPECT_FALSE(purchase->mayAudit(2, 2));
    // A change abandoned when moving on to the next kind is not saved.
    w.levelBox()->setFocus();
    QTest::keyClick(w.levelBox(), Qt::Key_Down);
    script.answer(u"放弃"_s, auditlevels::askSave());
    w.kindList()->setFocus();
    QTest::keyClick(w.kindList(), Qt::Key_Down);
    EXPECT_EQ(6, w.currentKind());
    EXPECT_EQ(0, script.pendingAnswers());
    EXPECT_EQ(purchases, row());
}

}  // namespace
}  // namespace dyt::client
