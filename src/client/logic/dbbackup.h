#pragma once
// Backup and restore of the account set and its repair: the texts of the windows, the SQL text
// that deletes a server backup record, the change stamps of the local cache reset after a
// restore, and the restart of the client.

#include <QString>

#include <QCborArray>
#include <QStringList>

#include "client/logic/fixedtext.h"
#include "client/logic/transport.h"

namespace dyt {
class ParamList;
}

namespace dyt::client {

class TdmMain;

namespace dbbackup {
inline constexpr int kRestoreCode = 5005;
inline constexpr int kBackupCode = 5006;

inline constexpr FixedText restoreCaption{u"账套恢复"};
inline constexpr FixedText backupCaption{u"账套备份"};
inline constexpr FixedText adminAccount{u"管理员帐号"};
inline constexpr FixedText adminPassword{u"管理员口令"};
inline constexpr FixedText backupFile{u"备份文件"};
inline constexpr FixedText serverBackup{u"服务器备份"};
inline constexpr FixedText localBackup{u"本地备份"};
inline constexpr FixedText localPath{u"本地备份路径"};
inline constexpr FixedText localNote{
    u"注意：本地备份时系统同时在服务器上保留一份备份；本地备份路径不能是服务器的备份目录。"};
inline constexpr FixedText fromLocalFile{u"从本地文件恢复"};
inline constexpr FixedText fromServer{u"从服务器备份恢复"};
inline constexpr FixedText localFileName{u"备份文件名称"};
inline constexpr FixedText chosenBackup{u"请选择或输入要恢复的备份："};
inline constexpr FixedText deleteCaption{u"删除"};
inline constexpr FixedText restartNote{u"恢复账套后请重新启动"};
inline constexpr FixedText localFolder{u"backupData"};

inline constexpr FixedText emptyAccount{u"管理员账号不能为空"};
inline constexpr FixedText badLocalPath{u"本地备份文件路径设置错误，请检查！"};
inline constexpr FixedText localFileExists{u"本地备份文件已经存在，请重新命名文件名称！"};
inline constexpr FixedText backingUpDatabase{u"系统正在备份数据库，请耐心等待..."};
inline constexpr FixedText backingUp{u"系统正在备份账套，请耐心等待..."};
inline constexpr FixedText serverDone{u"数据备份到服务器成功完成"};
inline constexpr FixedText localDone{u"账套成功备份到文件: %1 中, 文件大小 %2 K。"};
inline constexpr FixedText closeWindowsQuestion{
    u"系统在恢复账套之前，将关闭所有的业务处理窗口,是否继续?"};
inline constexpr FixedText localFileMissing{u"要恢复的本地文件不存在，请检查"};
inline constexpr FixedText noServerBackup{u"请先选择你要恢复的服务器备份"};
inline constexpr FixedText deleteQuestion{u"您确定要删除备份记录吗？"};
inline constexpr FixedText restoring{u"系统正在恢复账套，请耐心等待..."};
inline constexpr FixedText restored{u"账套恢复成功，系统即将重新启动"};
inline constexpr FixedText fileFailed{u"无法读写文件：%1"};

inline constexpr FixedText repairCaption{u"账套修复"};
inline constexpr FixedText repairProcedure{u"p_sys_Up_DatabaseRepair"};
// The two questions before a repair or a rebuild, with the operation's name.
inline constexpr FixedText backedUpQuestion{u"《%1》前先做账套备份，您确定已经做了备份吗？"};
inline constexpr FixedText againQuestion{u"请再次确认《%1》"};
inline constexpr FixedText repairNote{
    u"账套修复将按单据日期重新过账所有已过账的单据，从期初数据重新计算库存、成本、往来单位和"
    u"会计科目的余额、订单的执行情况和单据的结算金额。\n"
    u"备注：在账套修复期间请不要使用机器和账套，不要按动键盘！"};
inline constexpr FixedText succeeded{u"操作已成功！"};
inline constexpr FixedText failed{u"操作失败："};
}  // namespace dbbackup

// The SQL text that deletes the record of a server backup; the name and the time go in as SQL
// text literals, so a quote in them stays text.
QString deleteBackupSql(const QString& backFileName, const QString& backDateTime);

// The local file of a backup: the folder joined with the backup file name.
QString localBackupPath(const QString& folder, const QString& fileName);

// Sets the change stamps of goods and partners the local cache keeps for the account set and the
// operator back to "2000-01-01", so that the next login loads the whole cache again.
void resetCacheStamps(const QString& profileCaption, int userId);

// Calls a method of the application server through the data module's call channel (one call at a
// time, the connection checked first). Throws DytError on a broken connection.
Response callServer(TdmMain& dm, const QString& method, const QCborArray& args);

// The buttons of the confirmations before a repair or a rebuild: "确认(&O)" "取消(&C)".
QStringList confirmButtons();

// Asks twice before a repair or a rebuild of the account set ("账套修复", "系统重建"); true when
// both questions were confirmed.
bool confirmMaintenance(const QString& operation);

// Runs a maintenance procedure of the account set and tells the outcome: "操作已成功！", or
// "操作失败：" with the server's message (title "提示"). True on success.
bool runMaintenance(const QString& procedure, ParamList& params);

// Starts the program again with its arguments and ends this run.
void restartClient(TdmMain& dm);

}  // namespace dyt::client
