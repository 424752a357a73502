#pragma once
// Small shared lookups sent to the server as SQL text (system values, rights, prices, costs,
// interface subjects, period dates, bill types), the date-range presets of query conditions, the
// SQL script runner and the print options file. The helpers that fill or check widgets are in
// client/common/lookupwidgets.h.
//
// Every text that comes from the operator goes into SQL through quotedStr, so a quote in it
// never ends the literal early.

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace dyt {
class IniFile;
}

namespace dyt::client {

// The text as an SQL string literal: in single quotes, each inner quote doubled.
QString quotedStr(const QString& text);
// A date as it goes into SQL: "yyyy-mm-dd".
QString sqlDateText(const QDate& date);

// --- system values and rights
// "SELECT dbo.fnGetSysData('name','') as value": the trimmed value when exactly one row comes
// back, else "".
QString GetSysData(const QString& name);
// "SELECT dbo.fnGetPurview(<UserId>,'id') as value": true when exactly one row with value 1
// comes back.
bool GetPurview(const QString& rightId);

// --- prices and costs (field "price" of the one row; 0 when no row comes back)
// "SELECT dbo.fnGetGoodsPrice(i1,i2,i3,i4,i5,'text') as Price".
double GetGoodsPrice(const QList<qint64>& numbers, const QString& text);
// The bill windows' form: 0, bill type, goods, trading partner, unit and the bill date.
double GetGoodsPrice(int djType, qint64 goodsId, qint64 partnerId, qint64 unitId,
                     const QDate& billDate);
// "SELECT dbo.fnGetCostTotal(a,b,…) as Price".
double GetCostTotal(const QList<qint64>& numbers);
// "SELECT dbo.fnGetCostPrice(a,b,…) as Price".
double GetCostPrice(const QList<qint64>& numbers);
// "SELECT dbo.fnGetCostTotalOther('text',a,b,…) as Price".
double GetCostTotalOther(const QString& text, const QList<qint64>& numbers);

// The accounting subject of an interface role ("预收账款"). With switch 2004 on, only a subject
// the operator may use counts (bj = 1). True when one row came back (and may be used); *id and
// *fullName then hold the subject.
bool GetInterfaceSubject(const QString& roleName, int* id, QString* fullName);

// The begin and end ("yyyy-mm-dd") of an accounting period of sysPeriod; false (outputs cleared)
// when the period does not exist.
bool GetPeriodDates(int period, QString* beginDate, QString* endDate);

// The bill types that have bills: fields id (djType) and fullname (caption).
QString billTypesSql();

// --- date presets
// The texts of the presets 1 to 20.
QStringList datePresetTexts();
// The range of a preset on a given day; false (outputs unchanged) for a number outside 1 … 20.
// Weeks run Monday to Sunday; halves of the year are January to June and July to December.
bool datePresetRange(int preset, const QDate& today, QDate* begin, QDate* end);

// --- SQL scripts
// The batches of a script text: lines "GO" (any case, blanks around) end a batch; lines "USE …"
// and, between batches, comment lines "--…" and blank lines are left out; a batch's lines are
// joined by "\r\n".
QStringList splitSqlScript(const QString& script);
// Reads the file (UTF-8, or GBK when it is not valid UTF-8) and sends each batch with
// ExecUpdate. Returns the number of batches sent. A missing file raises "找不到脚本文件：" + name.
int RunSqlScript(const QString& fileName);

// --- print options
// "print.ini" in the program folder (the folder of the running program unless
// setPrintIniFolder named another before the first call), opened once and kept.
IniFile& GetPrintIni();
void setPrintIniFolder(const QString& folder);
// Drops the kept file (the next GetPrintIni opens it again).
void resetPrintIni();

}  // namespace dyt::client
