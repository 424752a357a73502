#include "server/net/server.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <condition_variable>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "common/error.h"
#include "protocol/sockio.h"
#include "server/db/database.h"

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

// The client's address of an accepted descriptor. IPv4 clients of a dual-stack listener count
// under their IPv4 address.
QHostAddress peerAddress(qintptr fd) {
    sockaddr_storage ss{};
#ifdef Q_OS_WIN
    int len = sizeof ss;
    if (::getpeername(static_cast<SOCKET>(fd), reinterpret_cast<sockaddr*>(&ss), &len) != 0)
        return {};
#else
    socklen_t len = sizeof ss;
    if (::getpeername(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&ss), &len) != 0)
        return {};
#endif
    const QHostAddress address(reinterpret_cast<const sockaddr*>(&ss));
    bool v4 = false;
    const quint32 ip4 = address.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip4) : address;
}

// The last answer of a connection the server closes: an error with id 0.
QByteArray farewell(const QString& message) {
    proto::Response r;
    r.error = message;
    return proto::encodeFrame(r.toCbor());
}

// Closes an accepted descriptor that gets no socket object and no thread, after one short error
// frame if the socket takes it at once.
void refuse(qintptr fd, const QString& message) {
    const QByteArray frame = farewell(message);
#ifdef Q_OS_WIN
    ::send(static_cast<SOCKET>(fd), frame.constData(), static_cast<int>(frame.size()), 0);
    ::closesocket(static_cast<SOCKET>(fd));
#else
    int flags = MSG_DONTWAIT;
#ifdef MSG_NOSIGNAL
    flags |= MSG_NOSIGNAL;
#endif
    if (::send(static_cast<int>(fd), frame.constData(), frame.size(), flags) < 0) {
        // The client is gone already; closing is all that is left.
    }
    ::close(static_cast<int>(fd));
#endif
}

}  // namespace

struct Server::Connection {
    qintptr descriptor = 0;
    QHostAddress peer;
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
        for (qintptr d : std::as_const(listener.pending))
            admit(d);
        listener.pending.clear();
        reap();
    }
    listener.close();
}

void Server::admit(qintptr descriptor) {
    const ServerConfig& config = backend_.config();
    const QHostAddress peer = peerAddress(descriptor);
    std::unique_lock lock(mutex_);
    const int fromPeer = perAddress_.value(peer);
    if (live_ >= config.maxConnections || fromPeer >= config.maxConnectionsPerAddress) {
        const bool full = live_ >= config.maxConnections;
        lock.unlock();
        refuse(descriptor, full ? QStringLiteral("应用服务器的连接数已满，请稍后再连接")
                                : QStringLiteral("来自同一地址的连接数已满，请稍后再连接"));
        return;
    }
    ++live_;
    perAddress_[peer] = fromPeer + 1;
    auto c = std::make_unique<Connection>();
    c->descriptor = descriptor;
    c->peer = peer;
    Connection* raw = c.get();
    connections_.push_back(std::move(c));
    raw->thread = std::thread([this, raw] {
        serve(raw);
        release(raw);
    });
}

void Server::release(Connection* connection) {
    std::lock_guard lock(mutex_);
    --live_;
    if (--perAddress_[connection->peer] <= 0)
        perAddress_.remove(connection->peer);
    connection->finished = true;
}

void Server::serve(Connection* connection) {
    QTcpSocket socket;
    if (!socket.setSocketDescriptor(connection->descriptor))
        return;
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    Session session;
    session.spid = backend_.nextSpid();
    session.peer = socket.peerAddress().toString();
    const qintptr fd = socket.socketDescriptor();
    session.peerGone = [fd] { return peerClosed(fd); };
    // Before login (or the administrator's check, after which a restore uploads its file) only
    // small requests are taken, and a connection that sends no whole request within the idle
    // timeout is closed: bytes trickling in do not keep it open.
    const ServerConfig& config = backend_.config();
    const auto frameLimit = [&] {
        return session.loggedIn() || session.adminVerified
                   ? config.frameLimit
                   : std::min(config.loginFrameLimit, config.frameLimit);
    };
    proto::FrameReader reader(frameLimit());
    QElapsedTimer idle;
    idle.start();
    // The bytes go straight through the descriptor: one read (which waits for the bytes itself
    // where the system lets it) or one write per step.
    const auto stillServing = [this] { return !stopping_; };
    const bool waitingReads = proto::sockio::setWaitingReads(fd, kPollMs);
    char piece[proto::sockio::kReadPiece];
    while (!stopping_) {
        QCborValue value;
        bool got = reader.next(&value);
        if (!got) {
            if (reader.failed())
                break;  // a broken frame closes the connection
            const qint64 timeout =
                1000LL * (session.loggedIn() ? config.idleTimeout : config.loginIdleTimeout);
            if (timeout > 0 && idle.hasExpired(timeout)) {
                const QByteArray bye =
                    farewell(QStringLiteral("连接空闲时间过长，已被应用服务器断开"));
                proto::sockio::writeAll(fd, bye.constData(), bye.size(), 1000);
                break;
            }
            const proto::sockio::Wait w = waitingReads ? proto::sockio::Wait::Ready
                                                       : proto::sockio::waitReadable(fd, kPollMs);
            if (w == proto::sockio::Wait::Timeout)
                continue;
            const qint64 n = w == proto::sockio::Wait::Ready
                                 ? proto::sockio::readSome(fd, piece, sizeof piece)
                                 : qint64(-1);
            if (n == -2)
                continue;
            if (n <= 0)
                break;  // closed by the client, or failed
            reader.append(QByteArray::fromRawData(piece, static_cast<qsizetype>(n)));
            continue;
        }
        proto::Response resp;
        try {
            const ResultLimit resultLimit(config.frameLimit);
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
        // A client that takes no bytes keeps the answer waiting until the server stops.
        const bool written =
            proto::sockio::writeAll(fd, frame.constData(), frame.size(), 1000, stillServing);
        session.spent.clear();
        if (!written)
            break;
        idle.restart();
        reader.setLimit(frameLimit());
    }
    backend_.closeSession(session);
    socket.abort();
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
