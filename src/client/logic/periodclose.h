#pragma once
// The texts and server calls of the period dialogs, apart from their widgets: the month close and
// its undo (P_SYS_UP_PeriodClose), the year close with its automatic backup first
// (P_SYS_UP_YearClose) and the system rebuild (P_SYS_Up_Restart).

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include "client/logic/fixedtext.h"
#include "common/paramlist.h"

namespace dyt {
class RecordSet;
}

namespace dyt::client {

namespace periodclose {

inline constexpr FixedText caption{u"月结存"};
inline constexpr FixedText undoCaption{u"反月结存"};
inline constexpr FixedText beginCaption{u"本月开始日期："};
inline constexpr FixedText endCaption{u"本月结束日期："};
inline constexpr FixedText nameCaption{u"本月结存名称："};
inline constexpr FixedText yearFull{u"本年已做了11次月结存，请直接做年结存操作！"};
inline constexpr FixedText confirmUndo{u"确定要做反月结存操作吗？"};
inline constexpr FixedText done{u"保存成功！"};
inline constexpr FixedText procedure{u"P_SYS_UP_PeriodClose"};

// Every row of sysPeriod, months and years, in order.
QString periodsSql();

// What the dialog shows of the periods: the accounting months of the current year (n: the
// months closed since the last year close and the open one) and the open month's first day.
struct YearMonths {
    int months = 1;
    QDate openBegin;
};
// From the rows of periodsSql(); `openId` is the open month's id (sysData JxcPeriodNow).
YearMonths yearMonths(const RecordSet& periods, int openId);

// "备注：当前系统中有 n 个会计月，你可以反 n−1 次".
QString undoNote(int months);
// The default name of a month: its month number followed by "月".
QString defaultName(const QDate& day);
// A year has at most 11 month closes; the twelfth period is closed by the year close.
bool yearFullyClosed(int months);

enum class Operation { Close = 0, Undo = 1 };
// type, Date ("yyyy-mm-dd") and Name (trimmed).
ParamList params(Operation operation, const QDate& end, const QString& name);

}  // namespace periodclose

namespace yearclose {

inline constexpr FixedText caption{u"年结存"};
inline constexpr FixedText clearOrders{u"清除草稿和已完成订单"};
inline constexpr FixedText note{u"备注：在年结存期请不要使用机器和账套，不要按动键盘！"};
inline constexpr FixedText confirm{u"请再次确定要做《年结存》操作？"};
inline constexpr FixedText backingUp{u"系统正在备份账套，请耐心等待..."};
inline constexpr FixedText backupFailed{u"备份账套时出错："};
inline constexpr FixedText closing{u"系统正在做年结存，请耐心等待..."};
inline constexpr FixedText done{u"年结存成功，请重新启动！"};
inline constexpr FixedText backupDescription{u"年结存自动备份"};
inline constexpr FixedText procedure{u"P_SYS_UP_YearClose"};

// "<caption>.<yyyymmdd.hhnn>.年结存自动备份.db".
QString backupFileName(const QString& profileCaption, const QDateTime& now);
// cleareOrder "1" or "0".
ParamList params(bool clear);

}  // namespace yearclose

namespace rebuild {

inline constexpr FixedText caption{u"系统重建"};
inline constexpr FixedText delDraft{u"清除草稿库"};
inline constexpr FixedText delOpening{u"清除库存商品和会计科目的期初值"};
inline constexpr FixedText orderOptions{u"系统重建订单选项"};
inline constexpr FixedText keepOrders{u"保留订单"};
inline constexpr FixedText clearAllOrders{u"清除所有订单"};
inline constexpr FixedText confirmBackup{u"《系统重建》前先做账套备份，您确定已经做了备份吗？"};
inline constexpr FixedText confirmAgain{u"请再次确认《系统重建》"};
inline constexpr FixedText done{u"操作已成功！"};
inline constexpr FixedText failed{u"操作失败："};
inline constexpr FixedText procedure{u"P_SYS_Up_Restart"};

// "确认(&O)" "取消(&C)".
QStringList confirmButtons();
// DelDraft and DelKmInfo "1"/"0", DelOrderform the index of the order option (0 keep, 1 clear).
ParamList params(bool deleteDrafts, bool deleteOpening, int orderOption);

}  // namespace rebuild

}  // namespace dyt::client
