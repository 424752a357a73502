#pragma once
// What lies under TdmMain's server handle: a connection that calls server methods by name with
// positional arguments and gives back the result and the out values. The product uses the TCP
// transport; tests use the recording transport, which writes down what is sent and answers from
// a script.

#include <QCborArray>
#include <QCborValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "protocol/protocol.h"

namespace dyt::proto {
class Client;
}

namespace dyt::client {

using proto::Response;

class ITransport {
public:
    virtual ~ITransport();
    // Opens a fresh connection (any previous one is dropped first); throws DytError when it
    // cannot be opened.
    virtual void open(const QString& host, int port) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Calls one method. A broken connection or an error answer of the server throws DytError
    // with the message; otherwise result and out values come back.
    virtual Response call(const QString& method, const QCborArray& args = {}) = 0;
};

// The connection to dyt-server over TCP.
class TcpTransport : public ITransport {
public:
    TcpTransport();
    ~TcpTransport() override;
    void open(const QString& host, int port) override;
    void close() override;
    bool isOpen() const override;
    Response call(const QString& method, const QCborArray& args) override;

private:
    std::unique_ptr<proto::Client> client_;
};

}  // namespace dyt::client
