#pragma once
// dyt-cli report: runs the query of a query window (by its class name, or by procedure and
// QueryType) with the parameter lines the window sends and given conditions, and returns its rows.

#include <QString>
#include <QStringList>

#include "common/paramlist.h"
#include "common/recordset.h"

namespace dyt::proto {
class Client;
}

namespace dyt::cli {

struct ReportRequest {
    QString procedure;
    QString queryType;
    ParamList params;
};

// Builds the request from the command's arguments: CLASS [k=v ...] or PROCEDURE QUERYTYPE
// [k=v ...]. The lines start as the window sends them with its dialog's defaults (the window of
// the procedure and QueryType, or a window without tree or pickers), the dates left out; a k=v
// replaces a line, and a condition line (wldwStr, zyStr, ckStr, bmStr, kmStr, GoodsStr) gets
// ";czy_id=" + operator in front unless it names one. Throws DytError for an unknown class or a
// malformed argument.
ReportRequest reportRequest(const QStringList& args, const QString& userId);

// The rows of the request, in the server's order.
RecordSet runReport(proto::Client& client, const ReportRequest& request);

}  // namespace dyt::cli
