#pragma once
// The TCP side of the application server: an accepting thread and one thread per connection.
// Works without an event loop, so it can run inside tests and benchmarks as well as dyt-server.

#include <QHash>
#include <QHostAddress>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "server/net/backend.h"

namespace dyt::server {

class Server {
public:
    explicit Server(Backend& backend);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Listens on the configured address and port (0 = any free port) and starts accepting.
    // Returns the actual port; throws DytError when the address cannot be used.
    quint16 start(const QString& address, quint16 port);
    // Stops accepting, lets every call in flight finish, closes the connections and their
    // databases. Safe to call twice.
    void stop();
    int connectionCount();

private:
    struct Connection;
    void acceptLoop(const QString& address, quint16 port);
    void serve(Connection* connection);
    void reap();
    // Takes a new connection in, or refuses it when the caps are reached.
    void admit(qintptr descriptor);
    void release(Connection* connection);

    Backend& backend_;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    std::mutex mutex_;
    std::list<std::unique_ptr<Connection>> connections_;
    int live_ = 0;  // connections being served, and per client address
    QHash<QHostAddress, int> perAddress_;
    // Hand-over of the listening result from the accept thread.
    std::mutex startMutex_;
    std::condition_variable startCv_;
    bool started_ = false;
    quint16 port_ = 0;
    QString startError_;
};

}  // namespace dyt::server
