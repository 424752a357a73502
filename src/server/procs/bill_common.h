#pragma once
// What the bill procedures share: reading the values a client sends (numbers as the windows
// format them, dates "yyyy-mm-dd", ids) with refusals in the operators' words, and the
// registration of each group of bill procedures.

#include <QDate>
#include <QString>

#include <optional>

#include "common/paramlist.h"
#include "common/recordset.h"
#include "server/db/where.h"

namespace dyt::server {

class Database;
class Registry;
struct CallContext;

namespace billvalues {

// A number as a window sends it: blanks around it, "," between thousands; an empty text is 0.
// Anything else throws DytError "[what]不是有效的数字：text".
double number(const QString& text, const QString& what);
// number() rounded to `places` decimals (0 … 15) as roundTo() rounds it: the same value and the
// same refusals. A plain decimal text ("-12.50") that has no more decimals than are kept is read
// without the general conversion and the rounding.
double roundedNumber(const QString& text, int places, const QString& what);
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
// The audit steps of a bill kind (sysDjb): step 1 is the bill's maker; steps 2 … 5 are performed
// by the operators their id lists ("(0,id,…,0)") name, one after the other, and a bill of a kind
// with more than one step is posted only when each of its steps is performed.
namespace auditsteps {

struct Steps {
    int count = 1;     // 1 … 5
    QString names[5];  // captions of steps 1 … 5
    QString lists[4];  // id lists of steps 2 … 5

    // Whether the id list of step 2 … 5 names the operator.
    bool allows(int step, qint64 userId) const;
};

// The steps of the kind; a kind without a row has one step.
Steps read(Database& db, qint64 djType);
// Throws DytError unless each step 2 … count carries the mark (marks[0] … marks[3]: the operators
// of steps 2 … 5, 0 for none) of an operator its list names.
void checkPostable(Database& db, const Steps& steps, const qint64 marks[4]);
// Throws DytError when a change of the marks from `before` to `after` leaves the order of the
// steps: a step set beyond the kind's count or before the step ahead of it, a step taken back
// while the one after it stands.
void checkOrder(const Steps& steps, const qint64 before[4], const qint64 after[4]);

}  // namespace auditsteps

// Bills made or posted by procedures, through the one bill service.
namespace billservice {

// Saves a bill as a bill window would send it: the header lines and the lines packet, "SaveToDB"
// when post, else "SaveToDraft", inside the caller's transaction and as the caller's operator.
// Returns the bill id.
int save(CallContext& caller, const ParamList& header, RecordSet lines, bool post);

// Saves a draft of a goods bill again with its own header, lines and accounts, the rows of extra
// after its lines (text fields named as in the lines packet). Refuses a draft that is gone and
// the drafts of receipts and payments. Returns the bill id.
int resaveDraft(CallContext& caller, qint64 draftId, const RecordSet& extra = {});

// The packet fields of a goods line a procedure fills (goodsid, unitid, rate, qty, price, the
// amounts at discount 1 and tax 0, the cost and IntoStock_id), and one row of it: the quantity in
// the goods' base unit at the price, the amounts rounded to the account set's money places.
// Throws DytError when the goods does not exist or is a category.
RecordSet goodsLinePacket();
void appendGoodsLine(Database& db, RecordSet& packet, qint64 goodsId, double qty, double price,
                     qint64 warehouseId);

// The price a purchase line of the goods starts with: the base-unit price of the latest posted
// purchase line (of the partner when given), else the base unit's latest purchase price.
double purchasePrice(Database& db, qint64 goodsId, qint64 partnerId = 0);

// The number of a new bill of the kind and date as the server hands it out: the kind's format
// with the next counter (used up as p_sys_Get_BillAutoCode uses it), past numbers already taken.
QString newCode(Database& db, qint64 djType, const QDate& date);

// Throws "您没有执行该操作的权限!" unless the operator holds the right of the code (operator 1
// holds every right; an entry the menu hides is not controlled).
void requireRight(Database& db, qint64 userId, const QString& code);
// The right to save (post: post) bills of the kind: its menu entry and the sub-right "01" post
// or "02" draft.
void requireBillRight(Database& db, qint64 userId, qint64 djType, bool post);

}  // namespace billservice

void registerNumberingProcedures(Registry& procedures);  // bill_numbering.cpp
void registerBillReadProcedures(Registry& procedures);   // bill_read.cpp
void registerBillService(Registry& services);            // bill_save.cpp
// The stocktake draft (bill_save.cpp).
void registerStocktakeProcedures(Registry& procedures);
// P_JXC_InertDJIndex, P_JXC_DJ_Post and the goods lines of P_JXC_InertDJList (bill_drafts.cpp).
void registerDraftProcedures(Registry& procedures);
// The goods lines of a goods draft (P_JXC_InertDJList of a goods bill); bill_drafts.cpp.
int insertGoodsDraftLines(CallContext& c, qint64 draftId);
// Posts a stored draft as it stands, through the bill service: the right to post its kind, the
// rule on others' drafts and every check of a save (bill_save.cpp).
int postStoredDraft(CallContext& c);

}  // namespace dyt::server
