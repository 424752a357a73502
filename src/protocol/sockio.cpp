#include "protocol/sockio.h"

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>
#endif

namespace dyt::proto::sockio {
namespace {

Wait waitFor(qintptr fd, bool write, int ms) {
#ifdef Q_OS_WIN
    WSAPOLLFD p{};
    p.fd = static_cast<SOCKET>(fd);
    p.events = write ? POLLWRNORM : POLLRDNORM;
    const int n = ::WSAPoll(&p, 1, ms);
#else
    pollfd p{};
    p.fd = static_cast<int>(fd);
    p.events = write ? POLLOUT : POLLIN;
    int n = 0;
    do {
        n = ::poll(&p, 1, ms);
    } while (n < 0 && errno == EINTR);
#endif
    if (n == 0)
        return Wait::Timeout;
    if (n < 0)
        return Wait::Failed;
    // A closed or failed connection counts as readable: the read then tells which.
    if (!write && (p.revents & (POLLIN | POLLHUP | POLLERR)))
        return Wait::Ready;
    if (write && (p.revents & POLLOUT))
        return Wait::Ready;
    return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) ? Wait::Failed : Wait::Ready;
}

bool wouldBlock() {
#ifdef Q_OS_WIN
    return ::WSAGetLastError() == WSAEWOULDBLOCK;
#else
    return errno == EAGAIN || errno == EWOULDBLOCK;
#endif
}

}  // namespace

Wait waitReadable(qintptr fd, int ms) {
    return waitFor(fd, false, ms);
}

Wait waitWritable(qintptr fd, int ms) {
    return waitFor(fd, true, ms);
}

bool setWaitingReads(qintptr fd, int ms) {
#ifdef Q_OS_WIN
    Q_UNUSED(fd);
    Q_UNUSED(ms);
    return false;
#else
    const int s = static_cast<int>(fd);
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    if (::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0 ||
        ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) != 0)
        return false;
    const int flags = ::fcntl(s, F_GETFL);
    return flags >= 0 && ::fcntl(s, F_SETFL, flags & ~O_NONBLOCK) == 0;
#endif
}

qint64 readSome(qintptr fd, char* buffer, qint64 max) {
    for (;;) {
#ifdef Q_OS_WIN
        const int n = ::recv(static_cast<SOCKET>(fd), buffer, static_cast<int>(max), 0);
#else
        const ssize_t n = ::recv(static_cast<int>(fd), buffer, static_cast<size_t>(max), 0);
        if (n < 0 && errno == EINTR)
            continue;
#endif
        if (n < 0)
            return wouldBlock() ? -2 : -1;
        return n;
    }
}

bool writeAll(qintptr fd, const char* data, qint64 size, int ms,
              const std::function<bool()>& keepWaiting) {
    qint64 done = 0;
    while (done < size) {
#ifdef Q_OS_WIN
        const int n = ::send(static_cast<SOCKET>(fd), data + done,
                             static_cast<int>(qMin<qint64>(size - done, 1 << 30)), 0);
#else
        int flags = 0;
#ifdef MSG_NOSIGNAL
        flags |= MSG_NOSIGNAL;
#endif
        const ssize_t n =
            ::send(static_cast<int>(fd), data + done, static_cast<size_t>(size - done), flags);
        if (n < 0 && errno == EINTR)
            continue;
#endif
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && wouldBlock()) {
            Wait w = waitWritable(fd, ms);
            while (w == Wait::Timeout && keepWaiting && keepWaiting())
                w = waitWritable(fd, ms);
            if (w != Wait::Ready)
                return false;
            continue;
        }
        return false;
    }
    return true;
}

}  // namespace dyt::proto::sockio
