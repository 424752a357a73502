#pragma once
// What SQL texts from clients may write. The windows write a few columns of a few tables through
// SQL text (a bill's audit steps, the business history's header changes, the
// numbering and audit settings, one's own password, the record rights, the session row); every
// other table and column is written by the server's own procedures only. Each write a text
// prepares is checked against the table of columns and the rights of the windows that write
// them, and each row it changes against the row's rule (one's own password and session, the audit
// step of a bill one may audit ...). A refusal undoes the whole text.

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <vector>

struct sqlite3;

namespace dyt::server {

class Database;

namespace callrights {
class Held;
}

class ClientWrites {
public:
    // spid: the connection's session number (its row of syssession). Without writes, every
    // write is refused (a text that names none cannot make one).
    ClientWrites(Database& db, qint64 userId, qint64 spid, bool writes);
    // Whether a text may write at all: it names one of the writing statements.
    static bool mayContainWrites(const QString& sql);
    ~ClientWrites();
    ClientWrites(const ClientWrites&) = delete;
    ClientWrites& operator=(const ClientWrites&) = delete;

    // The authorizer of the client's statements (after the dialect layer's own refusals).
    int authorize(int action, const char* table, const char* column, const char* dbName,
                  const char* trigger);
    // Watches the rows the client's statements change, between on and off.
    void watch(bool on);
    // After the last statement: throws the refusal when a statement or a row broke a rule.
    void verify();

    // A PostgreSQL account set has no authorizer and no hook of changed rows. Each statement is
    // checked before it runs from what its text writes (throws the refusal), and the rows the
    // statements changed are read afterwards from what the account set's row triggers kept
    // while capturing was on (prepareCapture), before verify().
    void checkStatement(const QString& sql);
    static void prepareCapture(Database& db);
    void readCapturedRows();
    // True once a statement was refused.
    bool refused() const { return refused_; }

private:
    struct Row {
        QString table;  // lower case
        int op;
        qint64 oldKey;
        qint64 newKey;
        QList<QVariant> old;  // the old values of the columns the table's rule reads
        QVariantMap now;      // PostgreSQL: the row as it is after the change (lower-case names)
    };
    static void onPreUpdate(void* self, sqlite3* db, int op, const char* dbName,
                            const char* table, long long oldKey, long long newKey);
    bool mayWrite(int action, const QString& table, const QString& column);
    bool rowAllowed(const Row& row);

    Database& db_;
    qint64 userId_;
    qint64 spid_;
    std::unique_ptr<callrights::Held> held_;
    bool refused_ = false;
    bool settlementWrite_ = false;  // a djList column other than the line note is written
    bool exportMark_ = false;       // djIndex pz_Caption is written
    std::vector<Row> rows_;
    QHash<QString, QList<int>> positions_;  // of the watched columns, by table
};

}  // namespace dyt::server
