#pragma once
// The counters behind bill numbers (sysbillNo) and the four numbering rules of sysData:
//   208042001  0 one run for all bill kinds (counter row 0), 1 one run per kind (row = djType)
//   208042002  when a number is used up:
//                0 "编号不能作废，使用后立即生效": as soon as it is handed out, so a number
//                  handed out and never saved is skipped for good;
//                1 "编号可以作废，过帐后才生效": when a bill is posted, so numbers of bills
//                  never posted are handed out again;
//                2 "编号可以作废，保存后才生效": when a bill is first saved (draft or posted)
//   208042003  0 yearly, 1 monthly, 2 daily counter
//   208042004  1 the client puts its machine number in front
//
// Each counter row keeps the three counters (year, month, day) and lastDate, the latest bill date
// a number was used for. A number for a date in a later year, month or day than lastDate starts
// that counter again at 1. A number for a date before lastDate (a bill entered late) cannot
// restart the past period's counter, whose state is no longer kept; it continues the current
// counters and leaves lastDate alone, and the duplicate check of the client (option 2015) catches
// a clash with a number of that past period.
//
// Where the counter moves: p_sys_Get_BillAutoCode moves it under rule 0; the bill service moves it
// under rules 1 and 2 inside the transaction that stores the bill, so a refused or rolled-back save
// uses no number. Every move adds one to all three counters, so a change of the period rule keeps
// each counter meaningful.

#include <QDate>
#include <QString>

namespace dyt::server {

class Database;

namespace numbering {

enum class Voiding { OnHandout = 0, OnPost = 1, OnSave = 2 };
enum class Period { Year = 0, Month = 1, Day = 2 };

struct Rules {
    bool perKind = true;
    Voiding voiding = Voiding::OnHandout;
    Period period = Period::Year;
    bool machineNumber = false;
};

// The rules as the account set holds them (missing or unreadable rows give the defaults above).
Rules readRules(Database& db);

// The counter row the rules use for the kind: the kind itself, or 0 when all kinds share one run.
qint64 counterRow(const Rules& rules, int djType);

// The counter the next number for the kind and date gets. With `use` the number is used up at
// once: the counters move past it.
qint64 nextCounter(Database& db, const Rules& rules, int djType, const QDate& date, bool use);

// The bill service's part: a bill of the kind and date was stored as a draft (posted false) or
// posted. `firstSave` is false when it replaces a draft that was saved before. Moves the counter
// when rule 2 says that this save uses the number up.
void billStored(Database& db, int djType, const QDate& date, bool posted, bool firstSave);

}  // namespace numbering
}  // namespace dyt::server
