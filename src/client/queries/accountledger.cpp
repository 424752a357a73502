#include "client/queries/accountledger.h"

#include <QLabel>

#include "client/logic/bossreport.h"
#include "client/logic/queryconditions.h"
#include "client/logic/session.h"
#include "client/queries/frmquery.h"

namespace dyt::client {

TfrmQueryWindow* OpenAccountLedger(qint64 account, const QString& title) {
    const query::QueryDates& dates = query::sharedQueryDates();
    auto* window = new TfrmQueryWindow(QStringLiteral("TfrmQKMMX"));
    window->setTitle(title);
    window->lblDate()->setText(query::dateText(dates.begin) + query::text::rangeSeparator() +
                               query::dateText(dates.end));
    queryChildHost()(window);
    window->runWithParams(
        boss::accountLedgerParams(loginedUser().UserId, account, dates.begin, dates.end));
    return window;
}

}  // namespace dyt::client
