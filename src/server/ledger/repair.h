#pragma once
// The account-set repair: every ledger is built again from the opening data by posting the
// posted bills once more, in date order, with the posting code itself.

#include <QtGlobal>

namespace dyt::server {

class Database;

namespace posting {

// Inside the caller's immediate transaction: takes stock layers, partner and account balances back
// to the opening data, clears the order fulfilment and the settled amounts of the bills, removes
// the ledger rows and posts every posted bill dated on or after the opening date again, ordered by
// date and then by bill id, the order the date-order re-costing keeps (a red reversal after its
// original). The bills keep who posted them and when; closed periods do not stop the re-posting.
// A bill the ledgers refuse on the way (stock that was not there at its date) rolls everything
// back with the refusal naming that bill. Returns the number of bills posted again.
int repairLedgers(Database& db);

// Partner balances and account totals back to their opening values, no movements.
void resetPartnersAndAccounts(Database& db);

}  // namespace posting
}  // namespace dyt::server
