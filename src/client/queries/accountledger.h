#pragma once
// The account ledger opener: the account detail ledger "财务明细账本" (TfrmQKMMX) of one account,
// its sub-accounts included, over the shared query dates, under a title of the caller's choice.
// Any window that leads to an account's movements opens it here.

#include <QString>

class QWidget;

namespace dyt::client {

class TfrmQueryWindow;

// Opens the ledger as a workspace child titled `title` and runs its query. A failing query shows
// its error in the ledger, which stays open with an empty grid. Returns the window.
TfrmQueryWindow* OpenAccountLedger(qint64 account, const QString& title);

}  // namespace dyt::client
