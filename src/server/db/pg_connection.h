#pragma once
// A connection to a PostgreSQL account set through libpq, and its statements. Only the database
// module uses these: everything else sees Database and Statement, whichever engine holds the
// account set.

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

struct pg_conn;
struct pg_result;

namespace dyt::server::pg {

// The SQLite result code an error of PostgreSQL is reported with, so that callers that tell a
// busy or interrupted statement from others keep working: 5 busy (lock timeout, serialization
// failure, deadlock), 9 interrupted (statement timeout), 19 constraint, 1 anything else.
int resultCode(const char* sqlState);

// The spelling of a column name as the account-set schema declares it ("djType" for "djtype");
// the name itself when the schema has no such column. Set once by the schema code.
using SpellingLookup = QString (*)(const QString& lower);
void setSchemaSpellings(SpellingLookup lookup);

// A statement's text as PostgreSQL runs it, worked out once per connection and text.
struct Text {
    QString sql;           // adapted; an INSERT into a table with a serial column returns it
    int params = 0;
    bool returnsSerial = false;
    bool readOnly = false;
    QHash<QString, QString> spellings;  // the text's names by their lower case
    QStringList resultNames;            // pgsql::resultNames
};

class Connection {
public:
    // conninfo: libpq's "key=value ..." text. Throws DytError when the server cannot be reached.
    explicit Connection(const QString& conninfo);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    pg_conn* handle() const { return conn_; }
    // Runs a text without parameters (one or more statements); throws DytError.
    void exec(const QString& sql);
    // A server-side prepared statement for an adapted text: its name, made on first use with the
    // given parameter types (empty: PostgreSQL infers them).
    QByteArray prepared(const QString& sql, int params, const std::vector<unsigned>& types);
    void forget(const QString& sql);
    // The serial column of a table ("" for none), read from the catalogue once per table.
    QString serialColumn(const QString& table);
    void schemaChanged() {
        serials_.clear();
        texts_.clear();
    }
    // The text of a server statement as it runs here (cached).
    std::shared_ptr<const Text> text(const QString& sql);

    bool inTransaction() const;
    void setBusyTimeout(int ms);

    qint64 lastInsertId = 0;
    int changes = 0;
    // Raised with the connection's error message and the statement's SQLSTATE.
    [[noreturn]] void raise(pg_result* res, const QString& context = {}) const;

private:
    pg_conn* conn_ = nullptr;
    QHash<QString, QByteArray> prepared_;
    QHash<QString, QString> serials_;
    QHash<QString, std::shared_ptr<const Text>> texts_;
    int counter_ = 0;
};

class Cursor {
public:
    Cursor(Connection& conn, std::shared_ptr<const Text> text);
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    void bind(int index, const QVariant& value);  // 1-based
    void clearBindings();
    bool step();
    void reset();
    int columnCount();
    QString columnName(int column);
    QVariant value(int column) const;
    // The column's declared type in SQLite's words ("INTEGER", "NUMERIC(19,4)", "TEXT", …) for a
    // column of a table, nullptr for an expression.
    const char* declaredType(int column);
    bool readOnly() const { return text_->readOnly; }

private:
    void run();
    void describe();
    Connection& conn_;
    std::shared_ptr<const Text> text_;
    const QString& sql_;
    int params_;
    std::vector<std::optional<QByteArray>> values_;
    std::vector<unsigned> types_;  // what each bound value is, for a text PostgreSQL cannot type
    pg_result* res_ = nullptr;
    pg_result* description_ = nullptr;
    int row_ = -1;
    int rows_ = 0;
    bool ran_ = false;
    std::vector<QByteArray> declared_;
};

}  // namespace dyt::server::pg
