#include "server/net/catalogue.h"

#include <QDir>

#include "common/error.h"
#include "server/db/password.h"

namespace dyt::server {

Catalogue::Catalogue(const QString& dataDir, const QString& adminAccount,
                     const QString& initialPassword)
    : adminAccount_(adminAccount) {
    db_ = Database::open(QDir(dataDir).filePath(QStringLiteral("catalogue.db")),
                         Database::Mode::ReadWriteCreate);
    Transaction tx(*db_);
    db_->executeScript(QStringLiteral(R"(
CREATE TABLE IF NOT EXISTS profiles(orderId INTEGER PRIMARY KEY AUTOINCREMENT,
  fullName TEXT NOT NULL, dbName TEXT NOT NULL UNIQUE COLLATE NOCASE,
  hidden INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS backups(recNo INTEGER PRIMARY KEY AUTOINCREMENT,
  dbName TEXT NOT NULL, fullName TEXT NOT NULL, backFileName TEXT NOT NULL UNIQUE,
  backDateTime TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS admins(account TEXT PRIMARY KEY COLLATE NOCASE, password TEXT NOT NULL);
)"));
    if (db_->scalar(QStringLiteral("SELECT count(*) FROM admins WHERE account = ?"), {adminAccount})
            .toLongLong() == 0) {
        db_->execute(QStringLiteral("INSERT INTO admins(account, password) VALUES (?, ?)"),
                     {adminAccount, password::hash(initialPassword)});
    }
    tx.commit();
}

Catalogue::~Catalogue() = default;

RecordSet Catalogue::profileList(const QString& prefix) {
    std::lock_guard lock(mutex_);
    return db_->query(QStringLiteral("SELECT fullName, dbName, orderId, hidden FROM profiles "
                                     "WHERE substr(dbName, 1, length(?1)) = ?1 COLLATE NOCASE "
                                     "ORDER BY orderId"),
                      {prefix});
}

namespace {

std::optional<ProfileEntry> readProfile(Database& db, const QString& where, const QVariant& key) {
    Statement st = db.prepare(
        QStringLiteral("SELECT orderId, fullName, dbName, hidden FROM profiles WHERE ") + where);
    st.bind(1, key);
    if (!st.step())
        return std::nullopt;
    ProfileEntry e;
    e.orderId = st.value(0).toLongLong();
    e.fullName = st.value(1).toString();
    e.dbName = st.value(2).toString();
    e.hidden = st.value(3).toLongLong() != 0;
    return e;
}

}  // namespace

std::optional<ProfileEntry> Catalogue::findByDbName(const QString& dbName) {
    std::lock_guard lock(mutex_);
    return readProfile(*db_, QStringLiteral("dbName = ?"), dbName);
}

std::optional<ProfileEntry> Catalogue::findByOrderId(qint64 orderId) {
    std::lock_guard lock(mutex_);
    return readProfile(*db_, QStringLiteral("orderId = ?"), orderId);
}

std::optional<ProfileEntry> Catalogue::findByFullName(const QString& fullName) {
    std::lock_guard lock(mutex_);
    return readProfile(*db_, QStringLiteral("fullName = ?"), fullName);
}

ProfileEntry Catalogue::addProfile(const QString& fullName) {
    std::lock_guard lock(mutex_);
    Transaction tx(*db_);
    const qint64 next =
        db_->scalar(QStringLiteral("SELECT coalesce((SELECT seq FROM sqlite_sequence WHERE name = "
                                   "'profiles'), 0) + 1"))
            .toLongLong();
    ProfileEntry e;
    e.orderId = next;
    e.fullName = fullName;
    e.dbName = QStringLiteral("dytv1_%1").arg(next);
    db_->execute(QStringLiteral("INSERT INTO profiles(orderId, fullName, dbName) VALUES (?, ?, ?)"),
                 {e.orderId, e.fullName, e.dbName});
    tx.commit();
    return e;
}

void Catalogue::removeProfile(qint64 orderId) {
    std::lock_guard lock(mutex_);
    db_->execute(QStringLiteral("DELETE FROM profiles WHERE orderId = ?"), {orderId});
}

bool Catalogue::setHidden(const QString& dbName, bool hidden) {
    std::lock_guard lock(mutex_);
    return db_->execute(QStringLiteral("UPDATE profiles SET hidden = ? WHERE dbName = ?"),
                        {hidden ? 1 : 0, dbName}) > 0;
}

bool Catalogue::checkAdmin(const QString& account, const QString& password) {
    const QString name = account.trimmed().isEmpty() ? adminAccount_ : account.trimmed();
    if (name.compare(adminAccount_, Qt::CaseInsensitive) != 0)
        return false;
    QString stored;
    {
        std::lock_guard lock(mutex_);
        stored = db_->scalar(QStringLiteral("SELECT password FROM admins WHERE account = ?"),
                             {adminAccount_})
                     .toString();
    }
    return password::verify(password, stored);
}

void Catalogue::setAdminPassword(const QString& newPassword) {
    const QString h = password::hash(newPassword);
    std::lock_guard lock(mutex_);
    db_->execute(QStringLiteral("UPDATE admins SET password = ? WHERE account = ?"),
                 {h, adminAccount_});
}

void Catalogue::addBackup(const BackupEntry& entry) {
    std::lock_guard lock(mutex_);
    db_->execute(QStringLiteral("INSERT INTO backups(dbName, fullName, backFileName, backDateTime) "
                                "VALUES (?, ?, ?, ?)"),
                 {entry.dbName, entry.fullName, entry.fileName, entry.dateTime});
}

RecordSet Catalogue::backups(const QString& dbName) {
    std::lock_guard lock(mutex_);
    return db_->query(
        QStringLiteral("SELECT recNo, substr(backDateTime, 1, 10) AS backDate, fullName AS "
                       "profileName, dbName AS profileText, backFileName, backDateTime "
                       "FROM backups WHERE dbName = ? ORDER BY recNo"),
        {dbName});
}

namespace {

std::optional<BackupEntry> readBackup(Statement& st) {
    if (!st.step())
        return std::nullopt;
    BackupEntry e;
    e.recNo = st.value(0).toLongLong();
    e.dbName = st.value(1).toString();
    e.fullName = st.value(2).toString();
    e.fileName = st.value(3).toString();
    e.dateTime = st.value(4).toString();
    return e;
}

}  // namespace

std::optional<BackupEntry> Catalogue::findBackup(const QString& fileName) {
    std::lock_guard lock(mutex_);
    Statement st = db_->prepare(
        QStringLiteral("SELECT recNo, dbName, fullName, backFileName, backDateTime FROM backups "
                       "WHERE backFileName = ?"));
    st.bind(1, fileName);
    return readBackup(st);
}

std::optional<BackupEntry> Catalogue::findBackup(qint64 recNo) {
    std::lock_guard lock(mutex_);
    Statement st = db_->prepare(
        QStringLiteral("SELECT recNo, dbName, fullName, backFileName, backDateTime FROM backups "
                       "WHERE recNo = ?"));
    st.bind(1, recNo);
    return readBackup(st);
}

void Catalogue::removeBackup(qint64 recNo) {
    std::lock_guard lock(mutex_);
    db_->execute(QStringLiteral("DELETE FROM backups WHERE recNo = ?"), {recNo});
}

}  // namespace dyt::server
