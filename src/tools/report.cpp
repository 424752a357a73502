#include "report.h"

#include "common/error.h"
#include "protocol/client.h"
#include "protocol/protocol.h"
#include "protocol/querydescriptors.h"
#include "protocol/queryparams.h"

namespace dyt::cli {

namespace {

const QStringList& conditionLines() {
    static const QStringList lines = {QStringLiteral("wldwStr"), QStringLiteral("zyStr"),
                                      QStringLiteral("ckStr"),   QStringLiteral("bmStr"),
                                      QStringLiteral("kmStr"),   QStringLiteral("GoodsStr")};
    return lines;
}

}  // namespace

ReportRequest reportRequest(const QStringList& args, const QString& userId) {
    if (args.isEmpty())
        throw DytError(QStringLiteral("report: 缺少查询窗口类名或存储过程名"));
    QStringList rest = args.mid(1);
    // A procedure and QueryType of no window run as a window without tree or pickers would.
    QueryDescriptor adHoc;
    const QueryDescriptor* d = findQueryDescriptor(args[0]);
    if (d) {
        if (d->procedure.isEmpty() || d->queryType().isEmpty())
            throw DytError(QStringLiteral("查询窗口[%1]没有报表查询").arg(args[0]));
    } else if (args[0].startsWith(QLatin1String("P_"), Qt::CaseInsensitive) && args.size() > 1 &&
               !args[1].contains(QLatin1Char('='))) {
        rest = args.mid(2);
        const QList<const QueryDescriptor*> ds = findQueryDescriptors(args[0], args[1]);
        if (!ds.isEmpty()) {
            d = ds.first();
        } else {
            adHoc.procedure = args[0];
            adHoc.queryTypes = {args[1]};
            d = &adHoc;
        }
    } else {
        throw DytError(QStringLiteral("查询窗口[%1]不存在").arg(args[0]));
    }
    ReportRequest r;
    r.procedure = d->procedure;
    r.queryType = d->queryType();
    QueryRequest request;
    request.descriptor = d;
    request.operatorId = userId.toLongLong();
    r.params = buildQueryParams(request);
    // Dates go only where the command names them.
    for (const char* line : {"BeginDate", "EndDate", "BeginDate2", "EndDate2"})
        r.params.remove(QString::fromLatin1(line));
    const QString me = QStringLiteral(";czy_id=") + userId;
    for (const QString& arg : rest) {
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (eq <= 0)
            throw DytError(QStringLiteral("report: 条件[%1]应写作 名称=值").arg(arg));
        const QString name = arg.left(eq);
        QString value = arg.mid(eq + 1);
        if (conditionLines().contains(name, Qt::CaseInsensitive) &&
            !value.contains(QLatin1String("czy_id="), Qt::CaseInsensitive))
            value = me + value;
        r.params.setValue(name, value);
    }
    return r;
}

RecordSet runReport(proto::Client& client, const ReportRequest& request) {
    const proto::Response response =
        client.call(QStringLiteral("ExecProcQuery"), {request.procedure, request.params.text()});
    if (!response.error.isEmpty())
        throw DytError(response.error);
    return proto::recordSetFromCbor(response.out(1));
}

}  // namespace dyt::cli
