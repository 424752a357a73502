#include "support/client/recordingtransport.h"

#include "common/error.h"
#include "common/recordset.h"

namespace dyt::client {

namespace {

bool isMethod(const QString& method, const char* name) {
    return method.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

QString argText(const QCborArray& args, int i) {
    return args.at(i).toString();
}

}  // namespace

RecordingTransport& RecordingTransport::respond(const QString& method, const QCborValue& result,
                                                const QCborArray& outs) {
    return respondWith(method, [result, outs](const QCborArray&) {
        Response r;
        r.result = result;
        r.outs = outs;
        return r;
    });
}

RecordingTransport& RecordingTransport::respondWith(const QString& method, Handler handler) {
    script_.append(Step{method, std::move(handler)});
    return *this;
}

RecordingTransport& RecordingTransport::fail(const QString& method, const QString& message) {
    return respondWith(method,
                       [message](const QCborArray&) -> Response { throw DytError(message); });
}

void RecordingTransport::failOpens(int count, const QString& message) {
    failingOpens_ = count;
    openFailure_ = message;
}

QList<RecordedCall> RecordingTransport::callsOf(const QString& method) const {
    QList<RecordedCall> out;
    for (const RecordedCall& c : calls_)
        if (c.method == method)
            out.append(c);
    return out;
}

QStringList RecordingTransport::methods(bool withEcho) const {
    QStringList out;
    for (const RecordedCall& c : calls_) {
        if (withEcho || !isMethod(c.method, "ConnectionVar"))
            out.append(c.method);
    }
    return out;
}

void RecordingTransport::open(const QString& host, int port) {
    ++openCount_;
    open_ = false;
    host_ = host;
    port_ = port;
    if (failingOpens_ > 0) {
        --failingOpens_;
        throw DytError(openFailure_);
    }
    open_ = true;
}

Response RecordingTransport::call(const QString& method, const QCborArray& args) {
    RecordedCall rec;
    rec.method = method;
    rec.args = args;
    if (isMethod(method, "ExecQuery") || isMethod(method, "ExecUpdate")) {
        rec.sql = argText(args, 0);
    } else if (isMethod(method, "ExecProc") || isMethod(method, "ExecProcQuery")) {
        rec.procedure = argText(args, 0);
        rec.paramLines = proto::splitLines(argText(args, 1));
    } else if (isMethod(method, "ExecService")) {
        rec.procedure = argText(args, 0);
        rec.serviceMethod = argText(args, 1);
        rec.paramLines = proto::splitLines(argText(args, 2));
    }
    calls_.append(rec);
    if (!open_)
        throw DytError(QStringLiteral("连接没有打开"));
    if (duringCall)
        duringCall(rec);
    for (qsizetype i = 0; i < script_.size(); ++i) {
        if (script_.at(i).method.compare(method, Qt::CaseInsensitive) == 0) {
            Handler h = script_.takeAt(i).handler;
            return h(args);
        }
    }
    return defaultAnswer(method, args);
}

Response RecordingTransport::defaultAnswer(const QString& method, const QCborArray& args) const {
    Response r;
    r.result = 0;
    if (isMethod(method, "InitDataBase")) {
        r.outs = {QString()};
    } else if (isMethod(method, "ConnectionVar")) {
        r.result = proto::joinLines(
            {proto::splitLines(argText(args, 0)).value(0), goodsStamp_, partnerStamp_});
    } else if (isMethod(method, "ExecQuery")) {
        r.outs = {proto::recordSetToCbor(RecordSet()), QString()};
    } else if (isMethod(method, "ExecUpdate")) {
        r.outs = {QString()};
    } else if (isMethod(method, "ExecProc") || isMethod(method, "ExecService")) {
        r.outs = {argText(args, isMethod(method, "ExecService") ? 2 : 1), 0, QString()};
    } else if (isMethod(method, "ExecProcQuery")) {
        r.outs = {argText(args, 1), proto::recordSetToCbor(RecordSet())};
    } else {
        r.outs = {QString()};
    }
    return r;
}

}  // namespace dyt::client
