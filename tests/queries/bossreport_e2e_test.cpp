// The boss report against a real server, opened from the menu and worked with keys and mouse: it
// shows what the server answers for the same calls, switches the analysis over the dates last
// queried and remembers it, draws a line only through two values or more, draws every chart
// kind, and opens the window behind a total over the dates it shows.
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTableView>
#include <QTest>

#include <set>

#include "client/common/gridview.h"
#include "client/common/windowregistry.h"
#include "client/logic/queryconditions.h"
#include "client/logic/recordsetmodel.h"
#include "client/queries/frmqlbbb.h"
#include "client/queries/frmquery.h"
#include "client/queries/frmselectitems.h"
#include "client/shell/functions.h"
#include "client/shell/mainwindow.h"
#include "server/posting_packets.h"
#include "support/serverfixture.h"
#include "uihelpers.h"

namespace dyt::client {
namespace {

using boss::ChartKind;

// Label and value of each row, as "label=value|…".
QString rowsText(const RecordSet& rows) {
    QStringList out;
    for (const boss::ChartPoint& p : boss::chartPoints(rows))
        out << u"%1=%2"_s.arg(p.label).arg(p.value);
    return out.join(u'|');
}

class BossReportE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addRecord("baseWLDW", 201, "K1", "甲客户");
        addRecord("baseWLDW", 203, "G1", "华东五金");
        addRecord("baseCK", 301, "CK1", "总仓");
        ASSERT_EQ(0, openAccounts());
        settings().LoginDate = QDate::currentDate();
        query::resetSharedQueryDates();
        loadBillKinds(dm);
        const QByteArray day = QDate::currentDate().toString(u"yyyy-MM-dd"_s).toLatin1();
        for (server::test::GoodsBill b :
             {server::test::goodsBill(5, day.constData(), 203, {{101, 10, 5}}),
              server::test::goodsBill(1, day.constData(), 201, {{101, 4, 9}})}) {
            b.code = u"B%1"_s.arg(b.djType);
            ParamList header = server::test::goodsBillParams(b);
            RecordSet lines = server::test::goodsLinesPacket(b);
            const RecordSet accounts = server::test::accountPacket({});
            dm.ExecService(u"QMXService"_s, u"SaveToDB"_s, header, &lines, &accounts);
        }
        registerAllWindows();
        savedHost_ = queryChildHost();
        main = std::make_unique<TfrmMain>(programDir.path());
        main->attachDataModule(&dm);
        main->installFunctionHooks();
        main->resize(1200, 800);
        main->show();
    }
    void TearDown() override {
        main.reset();
        queryChildHost() = savedHost_;
        ServerFixture::TearDown();
    }
    // The boss report opened as its menu entry opens it.
    TfrmQLBBB* open() {
        main->functions().OpenFunction(3030);
        return qobject_cast<TfrmQLBBB*>(main->childWindows().last());
    }
    RecordSet answer(ParamList p) {
        RecordSet rows;
        dm.ExecProcQuery(boss::text::procedure(), p, &rows);
        return rows;
    }
    // A preset of "选择时间范围" taken with the keyboard, then "查询" clicked when asked.
    static void pickRange(TfrmQLBBB* w, const char* preset, bool query) {
        QComboBox* cb = w->cbRange();
        cb->setFocus();
        QTest::keyClick(cb, Qt::Key_Home);
        while (cb->currentText() != QString::fromUtf8(preset) &&
               cb->currentIndex() + 1 < cb->count())
            QTest::keyClick(cb, Qt::Key_Down);
        if (query)
            QTest::mouseClick(w->btnQuery(), Qt::LeftButton);
    }
    static QString shown(TfrmQLBBB* w) {
        RecordSet rows;
        rows.copyStructure(w->totals());
        for (int r = 0; r < w->model()->rowCount(); ++r)
            rows.appendRow(w->totals().row(w->model()->rawRow(r)));
        return rowsText(rows);
    }
    static QString points(const TfrmQLBBB* w) {
        QStringList out;
        for (const boss::ChartPoint& p : w->points())
            out << u"%1=%2"_s.arg(p.label).arg(p.value);
        return out.join(u'|');
    }
    static int rowOf(TfrmQLBBB* w, const char* item) {
        const int column = w->model()->definition()->columnIndex(u"fullname"_s);
        for (int r = 0; r < w->model()->rowCount(); ++r) {
            if (w->model()->data(w->model()->index(r, column)).toString() ==
                QString::fromUtf8(item))
                return r;
        }
        return -1;
    }

    std::unique_ptr<TfrmMain> main;
    ChildWindowHost savedHost_;
};

TEST_F(BossReportE2E, ShowsTheServersAnswersSwitchesOverTheQueriedDatesAndRemembersTheAnalysis) {
    TfrmQLBBB* w = open();
    ASSERT_NE(nullptr, w);
    pickRange(w, "本月", true);
    const QDate begin = w->edBegin()->date(), end = w->edEnd()->date();
    EXPECT_EQ(QDate(end.year(), end.month(), 1), begin);
    EXPECT_EQ(rowsText(answer(boss::totalsParams(1, begin, end))), shown(w));
    EXPECT_EQ(rowsText(answer(boss::analysisParams(1, begin, end, 0))), points(w));
    // Other dates without "查询": the next analysis still covers the dates queried.
    pickRange(w, "去年全年", false);
    w->cbAnalysis()->setFocus();
    QTest::keyClick(w->cbAnalysis(), Qt::Key_Down);
    EXPECT_EQ(rowsText(answer(boss::analysisParams(1, begin, end, 1))), points(w));
    // The line needs two values: one month has one, a year twelve.
    QTest::mouseClick(w->chartButton(ChartKind::Line), Qt::LeftButton);
    for (const char* preset : {"本月", "今年全年"}) {
        SCOPED_TRACE(preset);
        pickRange(w, preset, true);
        const qsizetype values =
            answer(boss::analysisParams(1, w->queriedBegin(), w->queriedEnd(), 1)).rowCount();
        EXPECT_EQ(values, w->points().size());
        EXPECT_EQ(values < 2, w->lblNoLine()->isVisible());
        EXPECT_EQ(values >= 2, w->chartView()->isVisible());
    }
    // Tab reaches every control.
    QSet<QWidget*> reached;
    w->edBegin()->setFocus();
    for (int i = 0; i < 20 && w->focusWidget(); ++i) {
        reached << w->focusWidget();
        QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
    }
    for (QWidget* c : std::initializer_list<QWidget*>{
             w->edEnd(), w->cbRange(), w->btnQuery(), w->btnClose(), w->grid()->table(),
             w->cbAnalysis(), w->chartButton(ChartKind::Line)})
        EXPECT_TRUE(reached.contains(c)) << c->metaObject()->className();
    QTest::mouseClick(w->btnClose(), Qt::LeftButton);
    TfrmQLBBB* again = open();
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(1, again->cbAnalysis()->currentIndex());
}

TEST_F(BossReportE2E, EveryChartKindDrawsTheAnalysis) {
    TfrmQLBBB* w = open();
    ASSERT_NE(nullptr, w);
    w->cbAnalysis()->setFocus();
    QTest::keyClick(w->cbAnalysis(), Qt::Key_Down);
    pickRange(w, "今年全年", true);
    // This month's sale of 36 stands out of the year's months.
    ASSERT_EQ(12, w->points().size());
    double year = 0;
    for (const boss::ChartPoint& p : w->points())
        year += p.value;
    ASSERT_EQ(36, year);
    for (ChartKind kind : {ChartKind::Bar, ChartKind::Line, ChartKind::Pie}) {
        SCOPED_TRACE(static_cast<int>(kind));
        QTest::mouseClick(w->chartButton(kind), Qt::LeftButton);
        ASSERT_TRUE(w->chartView()->isVisible());
        QTest::qWait(20);  // the previous chart's items go
        test::walkStep(u"boss-chart%1"_s.arg(static_cast<int>(kind)));
        const QImage image = w->chartView()->grab().toImage();
        const QRect area =
            w->chartView()->mapFromScene(w->chartView()->chart()->plotArea()).boundingRect() &
            image.rect();
        // Background, grid and labels are grey; the series are drawn in colour.
        std::set<QRgb> colours;
        for (int y = area.top(); y <= area.bottom(); y += 2) {
            for (int x = area.left(); x <= area.right(); x += 2) {
                if (QColor(image.pixel(x, y)).hsvSaturation() > 60)
                    colours.insert(image.pixel(x, y));
            }
        }
        EXPECT_FALSE(colours.empty());
    }
}

TEST_F(BossReportE2E, ATotalOpensItsWindowOverTheDatesShownNotThoseQueried) {
    TfrmQLBBB* w = open();
    ASSERT_NE(nullptr, w);
    pickRange(w, "本月", true);
    ASSERT_GE(rowOf(w, "销售金额"), 0);
    pickRange(w, "上月", false);
    const QDate begin = w->edBegin()->date(), end = w->edEnd()->date();
    const struct {
        const char* item;
        bool enter;
        const char* window;
    } cases[] = {{"销售金额", false, "TfrmQXSDTJ"}, {"现金", true, "TfrmQKMMX"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        QTableView* table = w->grid()->table();
        const QModelIndex cell = w->model()->index(rowOf(w, c.item), 0);
        if (c.enter) {
            table->setFocus();
            QTest::keyClick(table, Qt::Key_Home, Qt::ControlModifier);
            for (int r = 0; r < cell.row(); ++r)
                QTest::keyClick(table, Qt::Key_Down);
            QTest::keyClick(table, Qt::Key_Return);
        } else {
            test::doubleClick(table->viewport(), table->visualRect(cell).center());
        }
        auto* opened = qobject_cast<TfrmQueryWindow*>(main->childWindows().last());
        ASSERT_NE(nullptr, opened);
        EXPECT_EQ(QString::fromLatin1(c.window), opened->descriptor().className);
        if (opened->descriptor().className == u"TfrmQXSDTJ"_s) {
            EXPECT_EQ(test::clientValuesText(begin, end),
                      test::clientValuesText(opened->dialog()->beginEdit()->date(),
                                             opened->dialog()->endEdit()->date()));
        } else {
            const ParamList sent(opened->lastParams());
            EXPECT_EQ(
                u";czy_id=1;id=8|%1|%2|现金"_s.arg(query::dateText(begin), query::dateText(end)),
                test::clientValuesText(sent.value(u"kmStr"_s), sent.value(u"BeginDate"_s),
                                       sent.value(u"EndDate"_s), opened->windowTitle()));
        }
    }
}

}  // namespace
}  // namespace dyt::client
