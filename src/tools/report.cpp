#include "report.h"

#include "common/error.h"
#include "protocol/client.h"
#include "protocol/protocol.h"
#include "protocol/querydescriptors.h"

namespace dyt::cli {

namespace {

const QStringList& conditionLines() {
    static const QStringList lines = {QStringLiteral("wldwStr"), QStringLiteral("zyStr"),
                                      QStringLiteral("ckStr"),   QStringLiteral("bmStr"),
                                      QStringLiteral("kmStr"),   QStringLiteral("GoodsStr")};
    return lines;
}

// The ranking windows share one report; the segment ";phlx=" of filter names what they rank.
QString rankingKind(const QueryDescriptor& d) {
    switch (d.subject) {
        case QuerySubject::Goods:
            return QStringLiteral("sp");
        case QuerySubject::Partner:
            return QStringLiteral("kh");
        case QuerySubject::Employee:
            return QStringLiteral("zy");
        case QuerySubject::Department:
            return QStringLiteral("bm");
        case QuerySubject::Warehouse:
            return QStringLiteral("ck");
        default:
            return QStringLiteral("dq");
    }
}

}  // namespace

ReportRequest reportRequest(const QStringList& args, const QString& userId) {
    if (args.isEmpty())
        throw DytError(QStringLiteral("report: 缺少查询窗口类名或存储过程名"));
    ReportRequest r;
    QStringList rest = args.mid(1);
    bool ledger = false;
    QString ranking;
    if (const QueryDescriptor* d = findQueryDescriptor(args[0])) {
        if (d->procedure.isEmpty() || d->queryType().isEmpty())
            throw DytError(QStringLiteral("查询窗口[%1]没有报表查询").arg(args[0]));
        r.procedure = d->procedure;
        r.queryType = d->queryType();
        ledger = d->redBillCombo;
        if (r.queryType.compare(QLatin1String("XSPHB"), Qt::CaseInsensitive) == 0)
            ranking = rankingKind(*d);
    } else if (args[0].startsWith(QLatin1String("P_"), Qt::CaseInsensitive) && args.size() > 1 &&
               !args[1].contains(QLatin1Char('='))) {
        r.procedure = args[0];
        r.queryType = args[1];
        rest = args.mid(2);
        const QList<const QueryDescriptor*> ds = findQueryDescriptors(r.procedure, r.queryType);
        ledger = !ds.isEmpty() && ds.first()->redBillCombo;
    } else {
        throw DytError(QStringLiteral("查询窗口[%1]不存在").arg(args[0]));
    }
    const QString me = QStringLiteral(";czy_id=") + userId;
    r.params.setValue(QStringLiteral("QueryType"), r.queryType);
    QString filter = ledger ? QStringLiteral(";qty=0;isred=0") : QStringLiteral(";qty=0");
    if (!ranking.isEmpty())
        filter += QStringLiteral(";phlx=") + ranking;
    r.params.setValue(QStringLiteral("filter"), filter);
    for (const QString& line : conditionLines())
        r.params.setValue(line, me);
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
