#pragma once
// The posting ledgers: what a posted bill does to stock, cost, partner balances and accounts.
// The bill service stores a bill (djIndex, djList, djKmDetail) and then hands it to postBill
// inside the same immediate transaction; red reversal and deletion undo a bill through
// reverseBill and unpostBill. A refusal throws DytError and the caller's transaction rolls
// everything back.

#include <QtGlobal>

namespace dyt::server {

class Database;

namespace posting {

// Applies the effects of the stored bill `billId` (dj_state 2) and writes the costs its out lines
// took back into its lines. Refuses (DytError) a bill the account set cannot take: not opened,
// dated before the opening date or in a closed period, or taking more stock than exists.
void postBill(Database& db, qint64 billId, qint64 userId);

// Removes the effects postBill applied for `billId`, restoring stock, cost layers and balances,
// and deletes the bill's ledger rows. The bill keeps its dj_state; the caller decides it.
void unpostBill(Database& db, qint64 billId, qint64 userId);

// Books the red reversal `redId` (already stored as the negated copy of `originalId`): its
// ledger rows are the original's negated, applied to the same layers and balances, so that
// every balance returns exactly to what it was without the original. Marks the original
// reversed (isred 1) and links the two bills.
void reverseBill(Database& db, qint64 originalId, qint64 redId, qint64 userId);

}  // namespace posting
}  // namespace dyt::server
