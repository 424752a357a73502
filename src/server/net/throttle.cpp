#include "server/net/throttle.h"

#include <QDateTime>
#include <QHostAddress>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "common/clock.h"

namespace dyt::server {
namespace {

// Names and addresses come from the client: bounded and without control characters.
QString clipped(const QString& text) {
    QString s = text.left(64);
    for (QChar& c : s) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = QLatin1Char('?');
    }
    return s;
}

// An IPv6 client may use any address of its /64 network: they count as one.
QString addressKey(const QString& address) {
    const QHostAddress a(address);
    if (a.protocol() != QAbstractSocket::IPv6Protocol)
        return clipped(address);
    bool v4 = false;
    const quint32 mapped = a.toIPv4Address(&v4);
    if (v4)
        return QHostAddress(mapped).toString();
    Q_IPV6ADDR bytes = a.toIPv6Address();
    std::fill(bytes.c + 8, bytes.c + 16, quint8(0));
    return QHostAddress(bytes).toString() + QStringLiteral("/64");
}

}  // namespace

LoginThrottle::LoginThrottle(const ThrottleSettings& settings, Clock clock, Log log)
    : settings_(settings), clock_(std::move(clock)), log_(std::move(log)) {
    if (!clock_) {
        clock_ = [] { return steadyMs(); };
    }
    if (!log_) {
        log_ = [](const QString& line) {
            std::fprintf(stderr, "%s\n", line.toUtf8().constData());
            std::fflush(stderr);
        };
    }
}

QString LoginThrottle::refusal(qint64 waitMs) {
    return QStringLiteral("登录失败次数过多，请%1秒后再试。").arg((waitMs + 999) / 1000);
}

int LoginThrottle::size() {
    std::lock_guard lock(mutex_);
    return static_cast<int>(entries_.size());
}

qint64 LoginThrottle::lockFor(int failures, int free) const {
    if (failures <= free)
        return 0;
    const int doublings = failures - free - 1;
    if (doublings >= 40)
        return settings_.delayMaxMs;
    return std::min(settings_.delayMs << doublings, settings_.delayMaxMs);
}

bool LoginThrottle::quiet(const Entry& e, qint64 now) const {
    return now >= e.lockedUntil && now - e.last > 15 * settings_.delayMaxMs;
}

// Makes room: entries long quiet go first, then a quarter of the others, those not locked and
// the oldest first.
void LoginThrottle::trim(qint64 now) {
    std::erase_if(entries_, [&](const auto& kv) { return quiet(kv.second, now); });
    if (static_cast<int>(entries_.size()) + 2 <= settings_.maxEntries)
        return;
    std::vector<std::map<QString, Entry>::iterator> order;
    order.reserve(entries_.size());
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        order.push_back(it);
    const auto rank = [now](const auto& it) {
        return std::pair(it->second.lockedUntil > now, it->second.last);
    };
    const auto cut = order.begin() + static_cast<std::ptrdiff_t>(order.size() / 4 + 1);
    std::nth_element(order.begin(), cut - 1, order.end(),
                     [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
    for (auto it = order.begin(); it != cut; ++it)
        entries_.erase(*it);
}

LoginThrottle::Attempt LoginThrottle::begin(const QString& accountSet, const QString& user,
                                            const QString& address) {
    Attempt a(this);
    a.accountSet_ = clipped(accountSet);
    a.user_ = clipped(user);
    a.address_ = addressKey(address);
    a.marks_[0].key =
        QStringLiteral("u\x1f%1\x1f%2").arg(a.accountSet_.toLower(), a.user_.toLower());
    a.marks_[1].key = QStringLiteral("a\x1f") + a.address_;
    const int free[2] = {settings_.freeAttempts, settings_.addressFreeAttempts};
    std::lock_guard lock(mutex_);
    const qint64 now = clock_();
    // A refused attempt leaves nothing behind.
    for (const Attempt::Mark& m : a.marks_) {
        const auto it = entries_.find(m.key);
        if (it != entries_.end())
            a.wait_ = std::max(a.wait_, it->second.lockedUntil - now);
    }
    if (a.wait_ > 0)
        return a;
    if (static_cast<int>(entries_.size()) + 2 > settings_.maxEntries)
        trim(now);
    for (int i = 0; i < 2; ++i) {
        Entry& x = entries_[a.marks_[i].key];
        if (quiet(x, now))  // quiet for long enough, an account or address starts afresh
            x = Entry{};
        ++x.failures;
        x.last = now;
        a.marks_[i].lockedBefore = x.lockedUntil;
        if (const qint64 lockMs = lockFor(x.failures, free[i]))
            x.lockedUntil = now + lockMs;
        a.marks_[i].lockedBySelf = x.lockedUntil;
    }
    a.open_ = true;
    return a;
}

void LoginThrottle::undo(Attempt::Mark& mark) {
    const auto it = entries_.find(mark.key);
    if (it == entries_.end())
        return;
    Entry& e = it->second;
    e.failures = std::max(0, e.failures - 1);
    if (e.lockedUntil == mark.lockedBySelf)
        e.lockedUntil = mark.lockedBefore;
}

void LoginThrottle::finish(Attempt& a, bool failed, bool succeeded) {
    if (!a.open_)
        return;
    a.open_ = false;
    int count = 0;
    {
        std::lock_guard lock(mutex_);
        if (failed) {
            const auto it = entries_.find(a.marks_[0].key);
            count = it == entries_.end() ? 1 : it->second.failures;
        } else {
            if (succeeded)
                entries_.erase(a.marks_[0].key);
            else
                undo(a.marks_[0]);
            undo(a.marks_[1]);
        }
    }
    if (!failed)
        return;
    const QString who =
        a.accountSet_.isEmpty()
            ? QStringLiteral("管理员口令错误：账号[%1]").arg(a.user_)
            : QStringLiteral("登录失败：账套[%1] 操作员[%2]").arg(a.accountSet_, a.user_);
    log_(QStringLiteral("%1 %2 地址[%3] 连续失败%4次")
             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), who,
                  a.address_)
             .arg(count));
}

LoginThrottle::Attempt::Attempt(Attempt&& other) noexcept
    : owner_(other.owner_),
      wait_(other.wait_),
      open_(std::exchange(other.open_, false)),
      accountSet_(std::move(other.accountSet_)),
      user_(std::move(other.user_)),
      address_(std::move(other.address_)),
      marks_{std::move(other.marks_[0]), std::move(other.marks_[1])} {}

LoginThrottle::Attempt::~Attempt() {
    owner_->finish(*this, false, false);
}

void LoginThrottle::Attempt::failed() {
    owner_->finish(*this, true, false);
}

void LoginThrottle::Attempt::succeeded() {
    owner_->finish(*this, false, true);
}

}  // namespace dyt::server
