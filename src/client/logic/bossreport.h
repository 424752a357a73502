#pragma once
// The boss report's arithmetic, apart from any widget: the parameter lines of its two calls (the
// totals of a date range and one analysis of it), the window each total leads to, the points of
// an analysis and the rule for line charts; and the parameter lines of the account ledger, which
// any window may open for one account.

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include "client/logic/fixedtext.h"
#include "common/paramlist.h"

namespace dyt {
class RecordSet;
}

namespace dyt::client::boss {

namespace text {
inline constexpr FixedText title{u"老板报表"};
inline constexpr FixedText procedure{u"P_JXC_Get_LBBB"};
inline constexpr FixedText totalsType{u"LBBBTJ"};
inline constexpr FixedText analysisType{u"LBBBFX"};
inline constexpr FixedText beginDate{u"开始时间"};
inline constexpr FixedText endDate{u"结束时间"};
inline constexpr FixedText range{u"选择时间范围"};
inline constexpr FixedText query{u"查询"};
inline constexpr FixedText close{u"关闭"};
inline constexpr FixedText itemColumn{u"项目"};
inline constexpr FixedText amountColumn{u"内容"};
inline constexpr FixedText analysis{u"决策分析"};
inline constexpr FixedText barChart{u"柱形图"};
inline constexpr FixedText lineChart{u"折线图"};
inline constexpr FixedText pieChart{u"圆饼图"};
inline constexpr FixedText noLineChart{u"无数据或单个值不能显示折线图"};
// The key of section "_CLIENT_" that keeps the chosen analysis.
inline constexpr FixedText analysisKey{u"cbfxItemIndex"};
// "本期销售额分析", "月度销售额趋势", "月度回款额趋势", "月度销售毛利趋势", "月度净利润趋势".
QStringList analyses();
}  // namespace text

enum class ChartKind { Bar, Line, Pie };

// The lines of the totals call: QueryType "LBBBTJ", filter (empty), BeginDate, EndDate and the
// operator's condition strings wldwStr … GoodsStr.
ParamList totalsParams(qint64 operatorId, const QDate& begin, const QDate& end);
// The lines of an analysis: QueryType "LBBBFX", filter ";ListItem=" + index, the dates and the
// operator's condition strings.
ParamList analysisParams(qint64 operatorId, const QDate& begin, const QDate& end, int index);

// Where a total leads: a function opened through the dispatcher, or the account ledger of one
// account with its title; neither for the figures that only sum others.
struct TotalTarget {
    int functionCode = 0;
    qint64 account = 0;
    QString title;
    bool opens() const { return functionCode > 0 || account > 0; }
};
// The target of a total by its item number, or by its name when the number is unknown.
TotalTarget totalTarget(qint64 item, const QString& name);

// One point of an analysis: the row's label (fullname) and value (total).
struct ChartPoint {
    QString label;
    double value = 0;
};
QList<ChartPoint> chartPoints(const RecordSet& rows);
// A line needs two values at least.
bool lineDrawable(const QList<ChartPoint>& points);

// The account ledger of one account (its whole subtree for a category account) over a date range:
// the ledger's query lines with kmStr ";czy_id=N;id=<account>".
ParamList accountLedgerParams(qint64 operatorId, qint64 account, const QDate& begin,
                              const QDate& end);

}  // namespace dyt::client::boss
