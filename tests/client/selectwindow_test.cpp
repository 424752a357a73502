// The selection windows shown modally: the result, the choice and the layout kept under its key.

#include "client/bills/selectgoodsfzxx.h"
#include "client/bills/selectionservices.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "dmtest_support.h"
#include "support/testutil.h"

namespace dyt::test {
namespace {

class SelectWindowModal : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        connectLoggedIn(7);
        client::selectionServices() = {};
        client::selectionServices().loadLayout = [this](GridView* grid, const QString& key) {
            loads << key;
            EXPECT_NE(nullptr, grid->model());
            return false;
        };
        client::selectionServices().saveLayout = [this](GridView* grid, const QString& key) {
            saves << key;
            EXPECT_EQ(2, grid->model()->rowCount());
            return true;
        };
    }
    // The next unit query answers the goods' base unit and its box.
    void answerUnits() {
        RecordSet units = recordSet(
            {u"fzdwid:integer"_s, u"unit"_s, u"rate:float"_s, u"barcode"_s, u"price:float"_s},
            {{qint64(0), u"包"_s, 1.0, u"6901"_s, 3.5},
             {qint64(1), u"箱"_s, 12.0, u"6902"_s, 40.0}});
        answerQuery(units);
    }
    void TearDown() override {
        client::resetSelectionServices();
        DmFixture::TearDown();
    }

    QStringList loads;
    QStringList saves;
};

TEST_F(SelectWindowModal, ExecAnswersWhetherAChoiceClosedTheWindow) {
    const QString layoutKey = u"TfrmSelectGoodsFZXX_grdUnit"_s;
    struct Case {
        const char* name;
        QList<UiStep> steps;  // none: the close box
        int result;
    };
    const Case cases[] = {
        {"Down and Enter on the box unit", {key(Qt::Key_Down), key(Qt::Key_Return)}, 1},
        {"a double-click on the box unit", {doubleClick(1)}, 1},
        {"the cancel button", {click("btnCancel")}, 0},
        {"Esc", {key(Qt::Key_Escape)}, 0},
        {"the close box", {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        loads.clear();
        saves.clear();
        answerUnits();
        client::TfrmSelectGoodsFZXX w(4);
        ASSERT_EQ(QStringList(), script.messages());
        ASSERT_EQ(2, w.grid()->model()->rowCount());
        EXPECT_EQ(QStringList{layoutKey}, loads);  // the layout comes with the rows
        bool shownModal = false;
        onNextModal([&](QWidget* modal) {
            shownModal = modal == &w && w.isVisible();
            if (c.steps.isEmpty())
                w.close();
            else
                perform(&w, w.grid()->table(), c.steps);
        });
        EXPECT_EQ(c.result, w.exec());
        EXPECT_TRUE(shownModal);
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(c.result == 1, w.result());
        EXPECT_EQ(QStringList{layoutKey}, saves);
        // The window outlives its closing: the caller reads the choice afterwards.
        EXPECT_EQ(c.result == 1, w.chosen().has_value());
        if (c.result == 1) {
            EXPECT_EQ(u"箱"_s, w.chosen()->unitName);
            EXPECT_EQ(12.0, w.chosen()->rate);
        }
    }
    // The function the bills call answers the choice made in the window.
    answerUnits();
    onNextModal([](QWidget* w) {
        perform(w, static_cast<client::TfrmSelectGoodsFZXX*>(w)->grid()->table(),
                {key(Qt::Key_Return)});
    });
    const auto chosen = client::selectGoodsUnit(4);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(u"包"_s, chosen->unitName);
}

}  // namespace
}  // namespace dyt::test
