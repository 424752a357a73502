#pragma once
// Direct reads and writes on a connected socket's descriptor (non-blocking, as QTcpSocket leaves
// it): one system call per step where the socket object would make several. The QTcpSocket keeps
// the connection and closes it; its own read and write are not used beside these.

#include <QByteArray>
#include <QtGlobal>

#include <functional>

namespace dyt::proto::sockio {

enum class Wait { Ready, Timeout, Failed };

// Waits until the socket can be read (or written); ms < 0 waits without limit.
Wait waitReadable(qintptr fd, int ms);
Wait waitWritable(qintptr fd, int ms);

// Lets reads on the socket wait for bytes themselves, at most ms each (a read that waited in vain
// answers -2), and writes wait for room at most ms before they go on as writeAll says: one system
// call per read where a wait and a read take two. False where this is not done; then reads
// answer at once and waitReadable() waits.
bool setWaitingReads(qintptr fd, int ms);

// Reads what is there, at most max bytes, into buffer. Returns the bytes read; 0 when the peer
// has closed the connection; -1 on an error; -2 when nothing is there yet.
qint64 readSome(qintptr fd, char* buffer, qint64 max);

// Room for one read: large answers come in few reads.
constexpr qint64 kReadPiece = 64 * 1024;

// Writes all bytes, waiting for room at most ms each time (ms < 0: without limit); after a wait
// that timed out it goes on waiting while keepWaiting() says so. False when the connection fails
// or does not take the bytes in time.
bool writeAll(qintptr fd, const char* data, qint64 size, int ms,
              const std::function<bool()>& keepWaiting = {});

}  // namespace dyt::proto::sockio
