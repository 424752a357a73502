#pragma once
// The catalogue database of a data folder: the account-set list, the backup log and the
// administrator account. Safe to use from several connection threads.

#include <QString>

#include <memory>
#include <mutex>
#include <optional>

#include "common/recordset.h"
#include "server/db/database.h"

namespace dyt::server {

struct ProfileEntry {
    qint64 orderId = 0;
    QString fullName;
    QString dbName;
    bool hidden = false;
};

struct BackupEntry {
    qint64 recNo = 0;
    QString dbName;
    QString fullName;
    QString fileName;
    QString dateTime;
};

class Catalogue {
public:
    // Opens (or creates) "catalogue.db" in the data folder. A new catalogue gets the
    // administrator account with the hash of the initial password.
    Catalogue(const QString& dataDir, const QString& adminAccount, const QString& initialPassword);
    ~Catalogue();

    // fullName, dbName, orderId, hidden of the account sets whose dbName starts with the prefix.
    RecordSet profileList(const QString& prefix);
    std::optional<ProfileEntry> findByDbName(const QString& dbName);
    std::optional<ProfileEntry> findByOrderId(qint64 orderId);
    std::optional<ProfileEntry> findByFullName(const QString& fullName);
    // Reserves a new entry and returns it with its database name.
    ProfileEntry addProfile(const QString& fullName);
    void removeProfile(qint64 orderId);
    // False when no such account set.
    bool setHidden(const QString& dbName, bool hidden);

    // True for the configured administrator with the right password; an empty account means
    // the configured administrator.
    bool checkAdmin(const QString& account, const QString& password);
    void setAdminPassword(const QString& password);
    const QString& adminAccount() const { return adminAccount_; }

    void addBackup(const BackupEntry& entry);
    RecordSet backups(const QString& dbName);
    std::optional<BackupEntry> findBackup(const QString& fileName);
    std::optional<BackupEntry> findBackup(qint64 recNo);
    void removeBackup(qint64 recNo);

private:
    std::mutex mutex_;
    std::unique_ptr<Database> db_;
    QString adminAccount_;
};

}  // namespace dyt::server
