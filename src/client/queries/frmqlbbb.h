#pragma once
// TfrmQLBBB "老板报表": the owner's one-page summary. The totals of a date range in a two-column
// table ("项目", "内容") and one chosen analysis ("决策分析") as a bar, line or pie chart. Each
// total leads, by double-click or Enter, to the window behind it over this window's dates: a
// function through the dispatcher, or the ledger of an account.

#include <QDate>
#include <QList>

#include "client/common/frmbase.h"
#include "client/logic/bossreport.h"
#include "client/logic/gridcolumn.h"
#include "common/recordset.h"

class QButtonGroup;
class QChart;
class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QRadioButton;

namespace dyt {
class GridView;
class RecordSetModel;
}  // namespace dyt

namespace dyt::client {

class TfrmQLBBB : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmQLBBB(QWidget* parent = nullptr);
    ~TfrmQLBBB() override;

    // --- controls
    QDateEdit* edBegin() const { return edBegin_; }  // "开始时间"
    QDateEdit* edEnd() const { return edEnd_; }      // "结束时间"
    QComboBox* cbRange() const { return cbRange_; }  // "选择时间范围"
    QPushButton* btnQuery() const { return btnQuery_; }
    QPushButton* btnClose() const { return btnClose_; }
    GridView* grid() const { return grid_; }
    RecordSetModel* model() const { return model_; }
    QComboBox* cbAnalysis() const { return cbAnalysis_; }  // "决策分析"
    QRadioButton* chartButton(boss::ChartKind kind) const;
    QChartView* chartView() const { return chartView_; }
    QLabel* lblNoLine() const { return lblNoLine_; }  // "无数据或单个值不能显示折线图"

    // --- state
    const RecordSet& totals() const { return totals_; }
    const QList<boss::ChartPoint>& points() const { return points_; }
    boss::ChartKind chartKind() const { return kind_; }
    // The dates of the last query (invalid before the first).
    QDate queriedBegin() const { return queriedBegin_; }
    QDate queriedEnd() const { return queriedEnd_; }

    // --- operations
    void btnQueryClick();  // "查询": the totals, then the chosen analysis
    // "决策分析" changed: the index is kept and the chart rebuilt over the dates last queried.
    void analysisChanged(int index);
    void chartKindChanged(boss::ChartKind kind);
    // A total chosen (double-click, Enter): its window over this window's dates.
    void openTotal(int row);

private:
    void buildControls();
    bool runAnalysis(const QDate& begin, const QDate& end);
    void rebuildChart();
    void fitGrid();
    void showError(const std::exception& error) const;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QDateEdit* edBegin_ = nullptr;
    QDateEdit* edEnd_ = nullptr;
    QComboBox* cbRange_ = nullptr;
    QPushButton* btnQuery_ = nullptr;
    QPushButton* btnClose_ = nullptr;
    GridView* grid_ = nullptr;
    RecordSetModel* model_ = nullptr;
    QComboBox* cbAnalysis_ = nullptr;
    QButtonGroup* kinds_ = nullptr;
    QChartView* chartView_ = nullptr;
    QChart* chart_ = nullptr;
    QLabel* lblNoLine_ = nullptr;

    GridDefinition gridDef_;
    RecordSet totals_;
    QList<boss::ChartPoint> points_;
    boss::ChartKind kind_ = boss::ChartKind::Bar;
    QDate queriedBegin_;
    QDate queriedEnd_;
};

}  // namespace dyt::client
