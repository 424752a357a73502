#pragma once
// Password checks (operator logins and the administrator's check) counted per account and per
// client address. After the free failures every further failure locks the account and the address
// for a delay that doubles up to a cap; an attempt while either is locked is refused before any
// password is looked at. An attempt counts as failed from its start until it ends otherwise, so
// that parallel connections gain nothing. Entries are kept in memory only, forgotten after a quiet
// while and bounded in number.

#include <QString>

#include <functional>
#include <map>
#include <mutex>

namespace dyt::server {

struct ThrottleSettings {
    int freeAttempts = 5;          // failures of one account before it is locked
    int addressFreeAttempts = 20;  // failures from one address (over all accounts)
    qint64 delayMs = 1000;         // first lock; each further failure doubles it
    qint64 delayMaxMs = 60000;     // longest lock
    int maxEntries = 10000;        // accounts and addresses remembered
};

class LoginThrottle {
public:
    using Clock = std::function<qint64()>;            // milliseconds, never going back
    using Log = std::function<void(const QString&)>;  // one line per failure
    // Without a clock the monotonic clock is used; without a log the lines go to standard error.
    explicit LoginThrottle(const ThrottleSettings& settings, Clock clock = {}, Log log = {});

    class Attempt {
    public:
        Attempt(Attempt&& other) noexcept;
        Attempt& operator=(Attempt&&) = delete;
        Attempt(const Attempt&) = delete;
        ~Attempt();  // neither failed nor succeeded: as if it had not been made

        // Milliseconds to wait when the attempt is refused; 0 when the password may be checked.
        qint64 refusedFor() const { return wait_; }
        // The password was wrong: the failure stays counted and one line is logged.
        void failed();
        // The password was right: the account's failures are forgotten.
        void succeeded();

    private:
        friend class LoginThrottle;
        struct Mark {
            QString key;
            qint64 lockedBefore = 0;  // the entry's lock before this attempt
            qint64 lockedBySelf = 0;  // the lock this attempt set
        };
        explicit Attempt(LoginThrottle* owner) : owner_(owner) {}
        LoginThrottle* owner_;
        qint64 wait_ = 0;
        bool open_ = false;
        QString accountSet_;
        QString user_;
        QString address_;
        Mark marks_[2];  // account, address
    };

    // Starts checking the password of the operator of the account set (an empty account set: the
    // administrator) from the address.
    Attempt begin(const QString& accountSet, const QString& user, const QString& address);

    // The refusal as the client is told.
    static QString refusal(qint64 waitMs);
    // Accounts and addresses remembered now.
    int size();

private:
    struct Entry {
        int failures = 0;
        qint64 lockedUntil = 0;
        qint64 last = 0;  // time of the latest attempt
    };
    qint64 lockFor(int failures, int free) const;
    bool quiet(const Entry& e, qint64 now) const;
    void trim(qint64 now);
    void undo(Attempt::Mark& mark);
    void finish(Attempt& a, bool failed, bool succeeded);

    ThrottleSettings settings_;
    Clock clock_;
    Log log_;
    std::mutex mutex_;
    std::map<QString, Entry> entries_;
};

}  // namespace dyt::server
