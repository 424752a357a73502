#include "client/logic/transport.h"

#include "common/error.h"
#include "common/recordset.h"
#include "protocol/client.h"

namespace dyt::client {

ITransport::~ITransport() = default;

// --- TcpTransport

TcpTransport::TcpTransport() = default;
TcpTransport::~TcpTransport() = default;

void TcpTransport::open(const QString& host, int port) {
    client_ = std::make_unique<proto::Client>();
    client_->connectTo(host, port);
}

void TcpTransport::close() {
    if (client_)
        client_->close();
}

bool TcpTransport::isOpen() const {
    return client_ && client_->isConnected();
}

Response TcpTransport::call(const QString& method, const QCborArray& args) {
    if (!client_)
        throw DytError(QStringLiteral("连接没有打开"));
    return client_->call(method, args);
}

}  // namespace dyt::client
