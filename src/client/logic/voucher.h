#pragma once
// The texts of the voucher windows apart from their widgets: the base-data field captions
// ("基本信息配置", function 500408), the finance accounts of the base records (202301 goods,
// 202302 partners, 202303 warehouses, 202304 departments) and the voucher export ("导出凭证",
// 202305): the statements and parameter lines they send and the voucher file they write.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "client/logic/fixedtext.h"
#include "common/paramlist.h"

namespace dyt {
class RecordSet;
}

namespace dyt::client {

// --- base-data field captions
namespace fieldcaptions {

inline constexpr int kFunctionCode = 500408;
inline constexpr FixedText title{u"基本信息配置"};
inline constexpr FixedText saveButton{u"保存"};
inline constexpr FixedText defaultButton{u"默认标签"};
inline constexpr FixedText askSave{u"是否保存修改的配置！"};
inline constexpr FixedText saving{u"正在保存，请稍后..."};
inline constexpr FixedText emptyName{u"显示名称不能为空"};
inline constexpr FixedText saved{u"保存成功！"};
inline constexpr FixedText errorPrefix{u"错误："};
inline constexpr FixedText fieldColumn{u"[]字段名"};
inline constexpr FixedText nameColumn{u"[]显示名称"};
// The captions go into the function menu entries of the same code.
inline constexpr FixedText menuSql{
    u"UPDATE b    SET b.name = a.Name  FROM baseFieldNames AS a,sysMenu AS b  WHERE a.code = "
    u"b.code"};

struct Kind {
    QString caption;  // the radio button
    int prefix;       // the code prefix of its fields
};
// In the order of the radio buttons.
const QList<Kind>& kinds();

// "SELECT * FROM baseFieldNames  WHERE code LIKE '1001%' order by code".
QString loadSql(int prefix);
// "Update baseFieldNames set name = '…'  where code = '…'".
QString updateSql(const QString& code, const QString& name);

}  // namespace fieldcaptions

// --- finance accounts of the base records
namespace financeaccounts {

inline constexpr FixedText procedure{u"p_Base_Up_CWKM"};
inline constexpr FixedText codeColumn{u"[]财务科目编号"};
inline constexpr FixedText saveButton{u"保存"};
inline constexpr FixedText askSave{u"是否保存修改的配置！"};
inline constexpr FixedText saved{u"保存成功！"};

struct Kind {
    int functionCode;  // 202301 … 202304
    int type;          // 1 … 4, as the server stores it
    QString title;
    QString table;
    QString codeCaption;  // the record's code column
    QString nameCaption;  // the record's name column
};
const QList<Kind>& kinds();
// The kind of a function code; the goods when the code is none of the four.
const Kind& kindOf(int functionCode);

// The records of the kind (categories too) with their finance account code, by code.
QString listSql(const Kind& kind);
// The lines of p_Base_Up_CWKM: type, id, kmcode (empty clears it).
ParamList saveParams(const Kind& kind, qint64 id, const QString& kmcode);

}  // namespace financeaccounts

// --- voucher export
namespace voucher {

inline constexpr int kFunctionCode = 202305;
inline constexpr FixedText title{u"导出凭证"};
inline constexpr FixedText dateTitle{u"制单日期"};
inline constexpr FixedText datePrompt{u"请选择制单日期"};
inline constexpr FixedText queryButton{u"查询"};
inline constexpr FixedText exportButton{u"导出凭证"};
inline constexpr FixedText viewBill{u"查看单据"};
inline constexpr FixedText selectAll{u"全选"};
inline constexpr FixedText selectNone{u"全不选"};
inline constexpr FixedText summaryBox{u"汇总凭证"};
inline constexpr FixedText captionLabel{u"凭证说明"};
inline constexpr FixedText queryTime{u"查询时间:"};
inline constexpr FixedText to{u" 至 "};
inline constexpr FixedText nothingToExport{u"无数据导出！"};
inline constexpr FixedText saveTitle{u"导出凭证"};
inline constexpr FixedText fileFilter{u"文本文件 (*.txt);;所有文件 (*)"};
inline constexpr FixedText fileExists{u"文件已经存在，请重新命名文件名称！"};
inline constexpr FixedText exporting{u"正在导出凭证，请稍后..."};
inline constexpr FixedText exported{u"凭证导出成功！"};
inline constexpr FixedText markFailed{u"写导出记录出错"};
inline constexpr FixedText billProcedure{u"P_JXC_DJ_GetDJIndex"};
inline constexpr FixedText lineProcedure{u"P_JXC_Get_Other"};

// The bill kinds that post account lines, as the bill list's djStr " (1,2,…,0) ".
QString billKindList();
// " (" each id and ",", " 0)".
QString idList(const QList<qint64>& ids);

// The bill list of a date range: dj_state 2, filter ";isred=1", the condition strings of the
// operator, the kinds and the dates.
ParamList billParams(const QDate& begin, const QDate& end, int operatorId);
// The voucher lines of the bills: QueryType "DCPZ", filter ";isred=1;itype=0|1", djStr.
ParamList lineParams(const QList<qint64>& ids, bool summary);

// "汇总凭证" + "yyyymmddhhnnss".
QString summaryCaption(const QDateTime& now);
// "财务凭证接口" + "yyyy-mm-dd.hhnn": the name the save dialog proposes.
QString proposedFileName(const QDateTime& now);
// The file an export writes for the name chosen: the name with ".txt" added. The check for an
// existing file looks at this name, so that no earlier export is overwritten.
QString targetFile(const QString& chosen);

// One line of the file for the current row: date, comment, "", kmcode, dbTotal, LendTotal,
// rec_name, wldwCode, jsr_name, bm_name, dbQty, LendQty, summery, each followed by "|".
QString fileLine(const RecordSet& lines);
// The lines as the file holds them: GBK, each ended by CR LF.
QByteArray fileBytes(const QStringList& lines);

// The export mark of the bills: their own number, or the summary voucher's caption.
QString markSql(const QList<qint64>& ids, bool summary, const QString& caption);

}  // namespace voucher
}  // namespace dyt::client
