// The receipt and payment arithmetic: received amount, distributable amount, distribution.
#include "client/logic/skdcalc.h"

#include "common/rounding.h"

namespace dyt::client::skd {

Currency receivedAmount(const QList<Currency>& accountTotals, Currency discount, int totalDot) {
    Currency sum;
    for (const Currency& amount : accountTotals)
        sum += amount;
    return roundTo(sum, totalDot) + discount;
}

Currency settledAmount(const QList<OpenBillRow>& rows) {
    Currency sum;
    for (const OpenBillRow& row : rows)
        if (row.billId != 0)
            sum += row.settled;
    return sum;
}

Currency distributableAmount(Currency received, const QList<OpenBillRow>& rows) {
    return received - settledAmount(rows);
}

QList<OpenBillRow> distribute(Currency received, QList<OpenBillRow> rows) {
    Currency left = received;
    for (OpenBillRow& row : rows) {
        if (row.billId == 0)
            continue;
        row.settled = Currency();
        if (row.open <= Currency()) {
            row.settled = row.open;
            left -= row.open;  // the magnitude of a negative open amount
        }
    }
    bool stopped = false;
    for (OpenBillRow& row : rows) {
        if (row.billId == 0 || row.open <= Currency() || stopped)
            continue;
        if (row.open <= left) {
            row.settled = row.open;
            left -= row.open;
        } else {
            row.settled = left > Currency() ? left : Currency();
            left -= row.settled;
            stopped = true;
        }
    }
    return rows;
}

}  // namespace dyt::client::skd
