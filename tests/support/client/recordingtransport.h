#pragma once
// The recording transport of the client tests: records every call the data module sends and
// answers from a script.

#include <QCborArray>
#include <QCborValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "client/logic/transport.h"

namespace dyt::client {

// One call as the recording transport saw it.
struct RecordedCall {
    QString method;
    QCborArray args;
    QString sql;             // ExecQuery / ExecUpdate: the SQL text
    QString procedure;       // ExecProc / ExecProcQuery: the procedure; ExecService: the service
    QString serviceMethod;   // ExecService: the method name
    QStringList paramLines;  // ExecProc / ExecProcQuery / ExecService: the parameter lines
};

// Transport for tests. Every call is recorded; the answer is the first scripted answer for that
// method, else the default answer of the method (a working server that changes nothing: the echo
// comes back, queries return an empty record set, procedures return 0 and their lines unchanged).
class RecordingTransport : public ITransport {
public:
    using Handler = std::function<Response(const QCborArray& args)>;

    // --- script
    // The next call of the method is answered with this result and these out values.
    RecordingTransport& respond(const QString& method, const QCborValue& result,
                                const QCborArray& outs = {});
    // The next call of the method runs the handler (which may throw DytError).
    RecordingTransport& respondWith(const QString& method, Handler handler);
    // The next call of the method fails with the message (as an error answer of the server).
    RecordingTransport& fail(const QString& method, const QString& message);
    // The next `count` open attempts fail with the message.
    void failOpens(int count, const QString& message = QStringLiteral("连接被拒绝"));
    // Drops the connection as a broken network would.
    void drop() { open_ = false; }
    // Change stamps the default echo answer carries in lines 2 and 3.
    void setStamps(const QString& goods, const QString& partners) {
        goodsStamp_ = goods;
        partnerStamp_ = partners;
    }
    // Runs before each call is answered (after it is recorded); tests use it to act "during" a
    // call, as message processing would.
    std::function<void(const RecordedCall&)> duringCall;

    // --- what happened
    const QList<RecordedCall>& calls() const { return calls_; }
    // The recorded calls of one method, in their order.
    QList<RecordedCall> callsOf(const QString& method) const;
    // The methods called, in order; withEcho false leaves out the ConnectionVar checks.
    QStringList methods(bool withEcho = true) const;
    int openCount() const { return openCount_; }
    QString host() const { return host_; }
    int port() const { return port_; }
    int pendingAnswers() const { return static_cast<int>(script_.size()); }
    void clearCalls() { calls_.clear(); }

    // --- ITransport
    void open(const QString& host, int port) override;
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    Response call(const QString& method, const QCborArray& args) override;

private:
    Response defaultAnswer(const QString& method, const QCborArray& args) const;

    struct Step {
        QString method;
        Handler handler;
    };
    QList<Step> script_;
    QList<RecordedCall> calls_;
    bool open_ = false;
    int openCount_ = 0;
    int failingOpens_ = 0;
    QString openFailure_;
    QString host_;
    int port_ = 0;
    QString goodsStamp_ = QStringLiteral("2000-01-01");
    QString partnerStamp_ = QStringLiteral("2000-01-01");
};

}  // namespace dyt::client
