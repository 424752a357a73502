#pragma once
// The money arithmetic of the receipt and payment bills, free of windows: what the bill received
// (or paid), what is still to distribute over the partner's open bills, and the automatic
// distribution over them. Every amount is a fixed-point value with four decimals.

#include <QList>

#include "common/currency.h"

namespace dyt::client::skd {

// One row of the open-bills grid as the distribution sees it.
struct OpenBillRow {
    qint64 billId = 0;  // s_id; 0 for a row that carries no bill
    Currency open;      // ye: what the bill still leaves open (negative for returns)
    Currency settled;   // Total: what this receipt settles of it
};

// The received amount: the sum of the account rows' amounts rounded to the money precision
// (totalDot places, half away from zero), plus the discount amount.
Currency receivedAmount(const QList<Currency>& accountTotals, Currency discount, int totalDot);

// What rows that carry a bill settle together.
Currency settledAmount(const QList<OpenBillRow>& rows);

// The distributable amount: the received amount minus what the rows already settle.
Currency distributableAmount(Currency received, const QList<OpenBillRow>& rows);

// The automatic distribution of the received amount over the rows that carry a bill; rows
// without a bill keep their amount. Every bill row starts from nothing; then each row whose
// open amount is 0 or less settles all of it, which adds its magnitude to what can be
// distributed; then the rows with a positive open amount, in order, settle all of it while it
// fits into what is left; the first that does not fit takes what is left and the rest settle
// nothing. What is left never goes below zero on a positive bill.
// Returns the rows with their new settled amounts.
QList<OpenBillRow> distribute(Currency received, QList<OpenBillRow> rows);

}  // namespace dyt::client::skd
