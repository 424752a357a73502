#pragma once
// The main window on a real server's account set, for bills opened from the function menu and
// entered at the keyboard: base data goes in before the books open, then the bill kinds, the
// windows and the main window come up as after a login. Bills of yesterday and today are offered
// for picking; the business history finds a bill by its id.
#include <QPointer>

#include "bills_support.h"
#include "client/bills/frmselectbill.h"
#include "client/bills/goodsbill.h"
#include "client/logic/billhistory.h"
#include "client/logic/queryconditions.h"
#include "client/queries/frmqjylc.h"
#include "client/queries/frmquery.h"
#include "client/shell/functions.h"
#include "client/shell/mainwindow.h"
#include "uihelpers.h"

namespace dyt::test {

class MenuBillFixture : public ServerFixture {
protected:
    // Goods, partners, warehouses and openings entered before the account set opens.
    virtual void addBaseData() {}

    void SetUp() override {
        ServerFixture::SetUp();
        addBaseData();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(0, openAccounts());
        client::settings().LoginDate = QDate::currentDate();
        client::settings().DefaultBillRows = 2;
        client::settings().SeeCost = true;
        client::query::resetSharedQueryDates();
        client::loadBillKinds(dm);
        client::registerAllWindows();
        savedOpener_ = client::billOpener();
        client::installBillOpener();
        savedHost_ = client::queryChildHost();
        savedAsker_ = client::periodAsker();
        client::periodAsker() = [](QDate* begin, QDate* end, QWidget*) {
            *begin = QDate::currentDate().addDays(-1);
            *end = QDate::currentDate();
            return true;
        };
        main = std::make_unique<client::TfrmMain>(programDir.path());
        main->attachDataModule(&dm);
        main->installFunctionHooks();
        main->resize(1300, 800);
        main->show();
    }
    void TearDown() override {
        main.reset();
        client::periodAsker() = savedAsker_;
        client::queryChildHost() = savedHost_;
        client::billOpener() = savedOpener_;
        ServerFixture::TearDown();
    }
    QString messages() const { return script.messages().join(QLatin1Char('|')); }

    // The window of that class the menu entry opened as a new child of the workspace; null when
    // none opened.
    template <typename Window = client::TfrmGoodsBill>
    Window* openFromMenu(int code) {
        const QList<QWidget*> before = main->childWindows();
        main->functions().OpenFunction(code);
        Window* opened = nullptr;
        for (QWidget* w : main->childWindows()) {
            if (!before.contains(w) && qobject_cast<Window*>(w))
                opened = qobject_cast<Window*>(w);
        }
        if (opened)
            activate(main.get());
        return opened;
    }
    // A saved bill opened again as the business history opens it, the lines focused.
    template <typename Window = client::TfrmGoodsBill>
    Window* reopen(int djType, qint64 id) {
        auto* bill = qobject_cast<Window*>(client::OpenBill(djType, id));
        if (bill) {
            main->addChildWindow(bill);
            activate(main.get());
            bill->dbgvX()->table()->setFocus();
        }
        return bill;
    }
    static void activate(QWidget* window) {
        setKeyWindow(window);
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window)) << window->metaObject()->className();
    }
    // The field of the line cell under the cursor; empty when there is none.
    static QString cursorField(client::TfrmXAbstract* bill) {
        const QModelIndex i = bill->dbgvX()->table()->currentIndex();
        return i.isValid() ? bill->gridDefinition().columns.at(i.column()).fieldName : QString();
    }
    static bool gridFocused(client::TfrmXAbstract* bill) {
        return bill->focusWidget() == bill->dbgvX()->table();
    }
    // A toolbar button clicked; the id of the bill it saved, 0 when none was saved.
    static qint64 save(client::TfrmBillAbstract* bill, QAction* button) {
        return savedBy(bill, [&] {
            QTest::mouseClick(bill->toolBar()->widgetForAction(button), Qt::LeftButton);
        });
    }
    // Ctrl+S in the lines: the bill posted; its id, 0 when it was not saved.
    static qint64 postByKey(client::TfrmBillAbstract* bill) {
        return savedBy(bill, [&] {
            bill->dbgvX()->table()->setFocus();
            pressKey(Qt::Key_S, Qt::ControlModifier);
        });
    }
    // The business history opened once (today's bills queried) and its cursor put on the bill.
    void historyAt(qint64 bill) {
        if (!history) {
            main->functions().OpenFunction(2002);
            history = qobject_cast<client::TfrmQJYLC*>(main->childWindows().last());
            ASSERT_NE(nullptr, history);
            activate(main.get());
            onNextModal([](QWidget* w) {
                QTest::mouseClick(static_cast<client::TfrmBaseDialog*>(w)->btnOK(),
                                  Qt::LeftButton);
            });
            QTest::mouseClick(history->toolBar()->widgetForAction(history->btnQuery()),
                              Qt::LeftButton);
        }
        const RecordSet& rs = history->records();
        int found = -1;
        for (int r = 0; r < history->model()->rowCount(); ++r) {
            if (rs.at(history->model()->rawRow(r), rs.fieldIndex(QStringLiteral("id")))
                    .toLongLong() == bill)
                found = r;
        }
        ASSERT_GE(found, 0) << bill;
        history->setFocusedRow(found);
        activate(main.get());
        history->dbgvX()->table()->setFocus();
    }

    std::unique_ptr<client::TfrmMain> main;
    client::TfrmQJYLC* history = nullptr;  // a child window of the workspace

private:
    template <typename Action>
    static qint64 savedBy(client::TfrmBillAbstract* bill, Action act) {
        qint64 id = 0;
        const auto c = QObject::connect(bill, &client::TfrmBillAbstract::billSaved,
                                        [&id](qint64 saved) { id = saved; });
        act();
        QObject::disconnect(c);
        return id;
    }
    client::BillOpener savedOpener_;
    client::ChildWindowHost savedHost_;
    client::PeriodAsker savedAsker_;
};

}  // namespace dyt::test
