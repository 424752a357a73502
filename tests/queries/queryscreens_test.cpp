// Pictures for review: a statistics window with rows and its condition dialog, the dialog run
// modally as the operator sees it.
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "client/logic/clientconfig.h"
#include "client/logic/settings.h"
#include "client/queries/frmquery.h"
#include "client/queries/frmselectitems.h"
#include "common/currency.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "protocol/protocol.h"
#include "querytest_support.h"

namespace dyt::client {
namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

class QueryScreens : public test::QueryFixture {
protected:
    void answer(const RecordSet& rows) { answerRows(rows); }
};

RecordSet statisticsRows() {
    RecordSet rs;
    for (const char* f : {"sonnum", "id", "par_id", "sp_id"})
        rs.addField(QString::fromLatin1(f), FieldType::Integer);
    for (const char* f : {"par_jl", "sp_spbh", "sp_spqm", "sp_gg", "sp_jbdw"})
        rs.addField(QString::fromLatin1(f), FieldType::Text, 60);
    for (const char* f : {"Qty", "discounttotal", "Taxtotal", "taxTotalSum"})
        rs.addField(QString::fromLatin1(f), FieldType::Currency);
    const struct {
        int sonnum;
        int id;
        const char* code;
        const char* name;
        const char* spec;
        const char* unit;
        double qty;
        double income;
    } rows[] = {{3, 5, "01", "饮料", "", "", 120, 540},
                {2, 6, "02", "休闲食品", "", "", 45, 382.5},
                {0, 101, "0301", "矿泉水 550ml", "550ml", "瓶", 200, 300},
                {0, 102, "0302", "纯净水 1.5L", "1.5L", "瓶", -6, -15}};
    for (const auto& r : rows) {
        const double tax = r.income * 0.13;
        rs.appendRow({qint64(r.sonnum), qint64(r.id), qint64(0), qint64(r.id),
                      QStringLiteral("%1,").arg(r.id), s(r.code), s(r.name), s(r.spec), s(r.unit),
                      QVariant::fromValue(Currency::fromDouble(r.qty)),
                      QVariant::fromValue(Currency::fromDouble(r.income)),
                      QVariant::fromValue(Currency::fromDouble(tax)),
                      QVariant::fromValue(Currency::fromDouble(r.income + tax))});
    }
    return rs;
}

TEST_F(QueryScreens, StatisticsWindowWithRowsAndItsModalDialog) {
    TfrmQueryWindow w(s("TfrmQXSDTJ"));
    RecordSet tree;
    tree.addField(s("id"), FieldType::Integer);
    tree.addField(s("fullname"), FieldType::Text, 40);
    tree.addField(s("leveal"), FieldType::Integer);
    tree.addField(s("par_jl"), FieldType::Text, 40);
    tree.appendRow({qint64(5), s("饮料"), qint64(1), s("5,")});
    tree.appendRow({qint64(7), s("碳酸饮料"), qint64(2), s("5,7,")});
    tree.appendRow({qint64(6), s("休闲食品"), qint64(1), s("6,")});
    answer(tree);
    w.resize(1100, 560);
    w.show();

    // The dialog runs modally: its dates are changed and OK is pressed.
    QString shot;
    bool visibleKeep = false;
    test::onNextModal([&](QWidget* modal) {
        auto* d = qobject_cast<TfrmSelectItems*>(modal);
        ASSERT_NE(nullptr, d);
        d->beginEdit()->setDate(QDate(2026, 3, 10));
        d->endEdit()->setDate(QDate(2026, 3, 20));
        d->setPicker(PickerRole::Partner, 3, s("华南贸易公司"));
        visibleKeep = d->keepDatesBox()->isVisible();
        shot = test::saveScreenshot(d, s("query_condition_dialog_xs4"));
        d->btnOK()->click();
    });
    answer(statisticsRows());
    w.btnQueryClick();
    EXPECT_TRUE(visibleKeep);
    EXPECT_FALSE(shot.isEmpty());
    ParamList sent(transport->calls().last().paramLines.join(s("\r\n")));
    EXPECT_EQ(s("2026-03-10"), sent.value(s("BeginDate")));
    EXPECT_EQ(s(";czy_id=7;id=3;issub=1;Other=1"), sent.value(s("wldwStr")));
    ASSERT_EQ(4, w.records().rowCount());
    EXPECT_EQ(s("2026-03-10 至 2026-03-20"), w.lblDate()->text());
    w.setFocusedRow(2);
    EXPECT_FALSE(test::saveScreenshot(&w, s("query_window_xsdtj")).isEmpty());
}

}  // namespace
}  // namespace dyt::client
