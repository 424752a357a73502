#include "protocol/client.h"

#include <QElapsedTimer>
#include <QTcpSocket>

#include "common/error.h"
#include "protocol/sockio.h"

namespace dyt::proto {

namespace {
// How long one read waits before the call's own time limit is looked at again.
constexpr int kReadWaitMs = 100;
}  // namespace

Client::Client() = default;
Client::~Client() {
    close();
}

void Client::connectTo(const QString& host, int port, int timeoutMs) {
    close();
    socket_ = std::make_unique<QTcpSocket>();
    reader_ = std::make_unique<FrameReader>(frameLimit_);
    socket_->connectToHost(host, static_cast<quint16>(port));
    if (!socket_->waitForConnected(timeoutMs)) {
        const QString why = socket_->errorString();
        socket_.reset();
        throw DytError(QStringLiteral("连接失败：%1").arg(why));
    }
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    waitingReads_ = sockio::setWaitingReads(socket_->socketDescriptor(), kReadWaitMs);
}

void Client::close() {
    if (socket_) {
        socket_->abort();
        socket_.reset();
    }
    reader_.reset();
}

bool Client::isConnected() const {
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

void Client::fail(const QString& message) {
    close();
    throw DytError(message);
}

void Client::sendRaw(const QByteArray& bytes) {
    if (!isConnected())
        throw DytError(QStringLiteral("应用服务器还没有初始化，或者连接没有打开"));
    if (!sockio::writeAll(socket_->socketDescriptor(), bytes.constData(), bytes.size(),
                          callTimeout_)) {
        fail(QStringLiteral("发送失败：%1").arg(QStringLiteral("与应用服务器的连接已断开")));
    }
}

Response Client::readResponse() {
    if (!socket_)
        throw DytError(QStringLiteral("应用服务器还没有初始化，或者连接没有打开"));
    QElapsedTimer timer;
    timer.start();
    QCborValue value;
    while (!reader_->next(&value)) {
        if (reader_->failed())
            fail(QStringLiteral("应答无法解析：%1").arg(reader_->error()));
        const int left = callTimeout_ < 0
                             ? -1
                             : static_cast<int>(qMax<qint64>(0, callTimeout_ - timer.elapsed()));
        // Straight on the descriptor: one read per piece, which waits itself where it can, else
        // one wait and one read.
        const qintptr fd = socket_->socketDescriptor();
        const sockio::Wait w = waitingReads_ ? sockio::Wait::Ready : sockio::waitReadable(fd, left);
        if (w == sockio::Wait::Timeout || (waitingReads_ && callTimeout_ >= 0 && left == 0))
            fail(QStringLiteral("等待应用服务器应答超时"));
        char piece[sockio::kReadPiece];
        const qint64 n =
            w == sockio::Wait::Ready ? sockio::readSome(fd, piece, sizeof piece) : qint64(-1);
        if (n == -2)
            continue;
        if (n <= 0)
            fail(QStringLiteral("与应用服务器的连接已断开"));
        reader_->append(QByteArray::fromRawData(piece, static_cast<qsizetype>(n)));
    }
    return Response::fromCbor(value);
}

Response Client::callRaw(const QString& method, const QCborArray& args) {
    Request req;
    req.id = nextId_++;
    req.method = method;
    req.args = args;
    sendRaw(encodeFrame(req.toCbor()));
    Response resp = readResponse();
    // Id 0 with an error: the server's last word before it closes the connection.
    if (resp.id != req.id)
        fail(resp.id == 0 && !resp.error.isEmpty() ? resp.error : QStringLiteral("应答编号不符"));
    return resp;
}

Response Client::call(const QString& method, const QCborArray& args) {
    Response resp = callRaw(method, args);
    if (!resp.error.isEmpty())
        throw DytError(resp.error);
    return resp;
}

void splitAddress(const QString& address, QString* host, int* port) {
    const int colon = address.indexOf(QLatin1Char(':'));
    *port = kDefaultPort;
    if (colon < 0) {
        *host = address.trimmed();
        return;
    }
    *host = address.left(colon).trimmed();
    bool ok = false;
    const int p = address.mid(colon + 1).trimmed().toInt(&ok);
    if (ok && p >= 0 && p <= 65535)
        *port = p;
}

}  // namespace dyt::proto
