#pragma once
// The automatic backup of the account set when the program ends.

#include <QDate>
#include <QDateTime>
#include <QString>

#include "client/logic/fixedtext.h"

namespace dyt::client {

// Texts of the automatic backup.
namespace backuptext {
inline constexpr FixedText settingName{u"自动备份日期"};
inline constexpr FixedText progress{u"系统正在备份账套，请耐心等待..."};
inline constexpr FixedText succeeded{u"备份成功"};
inline constexpr FixedText failed{u"备份失败，请手动备份！"};
}  // namespace backuptext

// Whether a backup is due: the date of the last automatic backup ("yyyy-mm-dd") plus the
// interval in days is not later than today, or the interval is 0. An empty or unreadable date
// means no automatic backup was made yet, so one is due. Never in the query-only run mode.
bool autoBackupDue(const QString& lastBackupDate, int intervalDays, const QDate& today,
                   bool queryOnlyMode);

// The backup file name "<caption>.<yyyymmdd.hhnn>.db".
QString autoBackupFileName(const QString& profileCaption, const QDateTime& now);

class TdmMain;

// Backs the account set of the session up on the server and stores today as the date of the
// last automatic backup. Failures are told to the operator and never stop the caller.
// Returns true when the server reported success.
bool runAutoBackup(TdmMain& dm, const QDateTime& now);

}  // namespace dyt::client
