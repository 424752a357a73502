#pragma once
// Synchronous client of the application server: one connection, one call at a time.

#include <QCborArray>
#include <QString>

#include <memory>

#include "protocol/protocol.h"

class QTcpSocket;

namespace dyt::proto {

class Client {
public:
    Client();
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // Opens the connection; throws DytError ("连接失败：…") when it cannot be opened in time.
    void connectTo(const QString& host, int port, int timeoutMs = 10000);
    void close();
    bool isConnected() const;

    // Time a call may take before the connection is given up (milliseconds, -1 = no limit).
    void setCallTimeout(int ms) { callTimeout_ = ms; }
    void setFrameLimit(qint64 limit) { frameLimit_ = limit; }

    // Sends one request and waits for its response. Transport failures throw DytError and close
    // the connection; an error answer of the server is thrown as DytError with its message.
    Response call(const QString& method, const QCborArray& args = {});
    // As call(), but an error answer of the server is returned in Response::error.
    Response callRaw(const QString& method, const QCborArray& args = {});

    // Writes raw bytes (for tests of broken frames) and reads the next response frame.
    void sendRaw(const QByteArray& bytes);
    Response readResponse();

private:
    [[noreturn]] void fail(const QString& message);

    std::unique_ptr<QTcpSocket> socket_;
    std::unique_ptr<FrameReader> reader_;
    qint64 nextId_ = 1;
    int callTimeout_ = 600000;
    qint64 frameLimit_ = kDefaultFrameLimit;
    bool waitingReads_ = false;  // reads wait for the bytes themselves (sockio)
};

// Splits "host[:port]"; a missing or non-numeric port gives the default.
void splitAddress(const QString& address, QString* host, int* port);

}  // namespace dyt::proto
