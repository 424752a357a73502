#pragma once
// What the bill procedures share: reading the values a client sends (numbers as the windows
// format them, dates "yyyy-mm-dd", ids) with refusals in the operators' words, and the
// registration of each group of bill procedures.

#include <QDate>
#include <QString>

#include <optional>

#include "server/db/where.h"

namespace dyt::server {

class Database;
class Registry;

namespace billvalues {

// A number as a window sends it: blanks around it, "," between thousands; an empty text is 0.
// Anything else throws DytError "[what]不是有效的数字：text".
double number(const QString& text, const QString& what);
// An id: an integer of at least 0; an empty text is 0. Throws DytError like number().
qint64 id(const QString& text, const QString& what);
// A date "yyyy-mm-dd". Throws DytError "[what]不是有效的日期：text".
QDate date(const QString& text, const QString& what);
// The same, but an empty text gives no date.
std::optional<QDate> optionalDate(const QString& text, const QString& what);
// The date text as it is stored.
QString dateText(const QDate& date);

// The stocktake bill ("盘点单"): a kind of its own that has no row in sysDjb.
constexpr qint64 kStocktakeKind = 42;

// The name of a bill kind (sysDjb.fullname of a row without children, "盘点单" for the stocktake
// kind); throws DytError "单据类型[n]不存在" for an unknown kind.
QString billKindName(Database& db, qint64 djType);

}  // namespace billvalues

// The red filter of the bill lists and reports over the bill alias: 0 every bill, 1 neither
// reversed bills nor reversal bills, 2 only those.
void addRedFilter(Where& w, int redFilter, const QString& alias);

// The record a condition string chooses (";id=…;issub=1"); with altKey, the id may also stand
// under that key. Throws DytError like billvalues::id() with `what` in the message.
RecordChoice recordChoice(const QString& text, const QString& what,
                          const QString& altKey = QString());

// Whether the operator holds the right of that menu or sub-right code, as dbo.fnGetPurview
// answers it: operator 1 holds every right, a right that is not controlled counts as held.
bool holdsRight(Database& db, qint64 userId, const QString& code);
// Drafts of other operators are listed, posted, saved over and deleted only by operator 1 and by
// holders of right 6010 ("查看他人单据").
bool mayHandleOthersDrafts(Database& db, qint64 userId);
// Throws DytError when the operator may not handle a draft made by `makerId`.
void checkDraftMaker(Database& db, qint64 userId, qint64 makerId);

void registerNumberingProcedures(Registry& procedures);  // bill_numbering.cpp
void registerBillReadProcedures(Registry& procedures);   // bill_read.cpp
void registerBillService(Registry& services);            // bill_save.cpp
// The stocktake draft and the posting of a stored draft (bill_save.cpp).
void registerStocktakeProcedures(Registry& procedures);

}  // namespace dyt::server
