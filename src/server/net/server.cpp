#include "server/net/server.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <condition_variable>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>

#include <cerrno>
#endif

#include "common/error.h"

namespace dyt::server {

namespace {

// Hands over accepted descriptors without creating sockets in the accepting thread.
class Listener : public QTcpServer {
public:
    QList<qintptr> pending;

protected:
    void incomingConnection(qintptr descriptor) override { pending.append(descriptor); }
};

constexpr int kPollMs = 100;

// True when the other end has closed the connection. Looks at the socket without taking data:
// a request sent ahead stays for the connection loop.
bool peerClosed(qintptr fd) {
    char c = 0;
#ifdef Q_OS_WIN
    const int n = ::recv(static_cast<SOCKET>(fd), &c, 1, MSG_PEEK);  // the socket is non-blocking
    return n == 0 || (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK);
#else
    const ssize_t n = ::recv(static_cast<int>(fd), &c, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
#endif
}

}  // namespace

struct Server::Connection {
    qintptr descriptor = 0;
    std::thread thread;
    std::atomic<bool> finished{false};
};

Server::Server(Backend& backend) : backend_(backend) {}

Server::~Server() {
    stop();
}

quint16 Server::start(const QString& address, quint16 port) {
    stopping_ = false;
    backend_.endStop();
    acceptThread_ = std::thread([this, address, port] { acceptLoop(address, port); });
    std::unique_lock lock(startMutex_);
    startCv_.wait(lock, [this] { return started_; });
    if (!startError_.isEmpty()) {
        lock.unlock();
        acceptThread_.join();
        throw DytError(startError_);
    }
    return port_;
}

void Server::acceptLoop(const QString& address, quint16 port) {
    Listener listener;
    const QHostAddress host = address.isEmpty() || address == QLatin1String("*")
                                  ? QHostAddress(QHostAddress::Any)
                                  : QHostAddress(address);
    {
        std::lock_guard lock(startMutex_);
        if (host.isNull()) {
            startError_ = QStringLiteral("监听地址无效：%1").arg(address);
        } else if (!listener.listen(host, port)) {
            startError_ = QStringLiteral("无法在%1:%2监听：%3")
                              .arg(address)
                              .arg(port)
                              .arg(listener.errorString());
        } else {
            port_ = listener.serverPort();
        }
        started_ = true;
    }
    startCv_.notify_all();
    if (!startError_.isEmpty())
        return;
    while (!stopping_) {
        listener.waitForNewConnection(kPollMs);
        for (qintptr d : std::as_const(listener.pending)) {
            auto c = std::make_unique<Connection>();
            c->descriptor = d;
            Connection* raw = c.get();
            std::lock_guard lock(mutex_);
            connections_.push_back(std::move(c));
            raw->thread = std::thread([this, raw] { serve(raw); });
        }
        listener.pending.clear();
        reap();
    }
    listener.close();
}

void Server::serve(Connection* connection) {
    QTcpSocket socket;
    if (!socket.setSocketDescriptor(connection->descriptor)) {
        connection->finished = true;
        return;
    }
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    Session session;
    session.spid = backend_.nextSpid();
    session.peer = socket.peerAddress().toString();
    const qintptr fd = socket.socketDescriptor();
    session.peerGone = [fd] { return peerClosed(fd); };
    proto::FrameReader reader(backend_.config().frameLimit);
    while (!stopping_ && socket.state() == QAbstractSocket::ConnectedState) {
        QCborValue value;
        bool got = reader.next(&value);
        if (!got) {
            if (reader.failed())
                break;  // a broken frame closes the connection
            if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(kPollMs)) {
                if (socket.state() != QAbstractSocket::ConnectedState)
                    break;
                continue;
            }
            reader.append(socket.readAll());
            continue;
        }
        proto::Response resp;
        try {
            resp = backend_.handle(session, proto::Request::fromCbor(value));
        } catch (const DytError& e) {
            // Not a request at all: answer with id 0 and keep the connection.
            resp.id = 0;
            resp.error = e.message();
        }
        QByteArray frame = proto::encodeFrame(resp.toCbor());
        if (frame.size() - 4 > backend_.config().frameLimit) {
            proto::Response tooBig;
            tooBig.id = resp.id;
            tooBig.error = QStringLiteral("应答数据过大，超过了服务器的数据帧上限");
            frame = proto::encodeFrame(tooBig.toCbor());
        }
        socket.write(frame);
        while (socket.bytesToWrite() > 0 && socket.state() == QAbstractSocket::ConnectedState) {
            if (!socket.waitForBytesWritten(1000) && stopping_)
                break;
        }
    }
    backend_.closeSession(session);
    socket.abort();
    connection->finished = true;
}

void Server::reap() {
    std::list<std::unique_ptr<Connection>> done;
    {
        std::lock_guard lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            if ((*it)->finished) {
                done.push_back(std::move(*it));
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& c : done)
        c->thread.join();
}

int Server::connectionCount() {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& c : connections_)
        n += c->finished ? 0 : 1;
    return n;
}

void Server::stop() {
    stopping_ = true;
    // Calls in flight may finish within the configured wait; then their statements are stopped.
    backend_.beginStop();
    if (acceptThread_.joinable())
        acceptThread_.join();
    std::list<std::unique_ptr<Connection>> all;
    {
        std::lock_guard lock(mutex_);
        all.swap(connections_);
    }
    for (auto& c : all)
        c->thread.join();
    started_ = false;
    startError_.clear();
}

}  // namespace dyt::server
