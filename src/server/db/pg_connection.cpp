#include "server/db/pg_connection.h"

#include <libpq-fe.h>

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

#include <atomic>
#include <charconv>
#include <cstring>

#include "common/currency.h"
#include "common/error.h"
#include "server/db/pg_sql.h"

namespace dyt::server::pg {
namespace {

// Type oids of PostgreSQL's catalogue that results and parameters use.
constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25,
              kOid = 26, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700;

void quiet(void*, const char*) {}

QString primaryMessage(const PGresult* res, const PGconn* conn) {
    const char* m = res ? PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    if (m && *m)
        return QString::fromUtf8(m);
    const char* e = res ? PQresultErrorMessage(res) : PQerrorMessage(conn);
    if (!e || !*e)
        e = PQerrorMessage(conn);
    return QString::fromUtf8(e).trimmed();
}

bool isInteger(Oid t) {
    return t == kInt8 || t == kInt2 || t == kInt4 || t == kOid;
}

}  // namespace

int resultCode(const char* sqlState) {
    if (!sqlState)
        return 1;
    const QByteArray s(sqlState);
    if (s == "40001" || s == "40P01" || s == "55P03")
        return 5;   // busy
    if (s == "57014")
        return 9;   // interrupted
    if (s.startsWith("23"))
        return 19;  // constraint
    return 1;
}

// --- connection

Connection::Connection(const QString& conninfo) {
    conn_ = PQconnectdb(conninfo.toUtf8().constData());
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
        const QString msg = conn_ ? QString::fromUtf8(PQerrorMessage(conn_)).trimmed()
                                  : QStringLiteral("内存不足");
        if (conn_)
            PQfinish(conn_);
        conn_ = nullptr;
        throw DytError(QStringLiteral("无法连接 PostgreSQL 数据库：%1").arg(msg));
    }
    PQsetNoticeProcessor(conn_, quiet, nullptr);
    // The account set's functions named as SQLite's built-ins (round, substr) come before
    // PostgreSQL's own; the clock is the server's local time, as SQLite's 'localtime'.
    exec(QStringLiteral("SET client_encoding = 'UTF8'; SET client_min_messages = warning; "
                        "SET standard_conforming_strings = on; "
                        "SET search_path = public, pg_catalog; SET TimeZone = '%1'")
             .arg(QString::fromUtf8(QTimeZone::systemTimeZoneId()).remove(QLatin1Char('\''))));
}

Connection::~Connection() {
    if (conn_)
        PQfinish(conn_);
}

void Connection::raise(PGresult* res, const QString& context) const {
    QString msg = primaryMessage(res, conn_);
    const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
    const int code = resultCode(state);
    const QByteArray stateText(state ? state : "");
    auto field = [res](int which) {
        const char* v = res ? PQresultErrorField(res, which) : nullptr;
        return QString::fromUtf8(v ? v : "");
    };
    const QString table = field(PG_DIAG_TABLE_NAME);
    const QString column = field(PG_DIAG_COLUMN_NAME);
    const QString constraint = field(PG_DIAG_CONSTRAINT_NAME);
    const QString detail = field(PG_DIAG_MESSAGE_DETAIL);
    if (res)
        PQclear(res);
    if (code == 5)
        msg = QStringLiteral("数据库正忙，请稍后再试");
    // The messages clients know from SQLite for the names a text gets wrong.
    static const QRegularExpression quoted(QStringLiteral("\"([^\"]+)\""));
    const QByteArray& sqlState = stateText;
    const QString name = quoted.match(msg).captured(1);
    if (sqlState == "42P01" && !name.isEmpty())
        msg = QStringLiteral("no such table: ") + name;
    else if (sqlState == "42703" && !name.isEmpty())
        msg = QStringLiteral("no such column: ") + name.section(QLatin1Char('.'), -1);
    else if (sqlState == "42883" && msg.startsWith(QLatin1String("function ")))
        msg = QStringLiteral("no such function: ") + msg.section(QLatin1Char(' '), 1, 1).section(QLatin1Char('('), 0, 0);
    else if (sqlState == "23505" && !table.isEmpty()) {
        // "Key (goodsid, fzdwid)=(2, 1) already exists."
        static const QRegularExpression key(QStringLiteral("^Key \\(([^)]*)\\)="));
        QStringList columns = key.match(detail).captured(1).split(QStringLiteral(", "),
                                                                   Qt::SkipEmptyParts);
        for (QString& c : columns)
            c = table + QLatin1Char('.') + c;
        msg = QStringLiteral("UNIQUE constraint failed: ") +
              (columns.isEmpty() ? table : columns.join(QStringLiteral(", ")));
    } else if (sqlState == "23502" && !table.isEmpty() && !column.isEmpty())
        msg = QStringLiteral("NOT NULL constraint failed: %1.%2").arg(table, column);
    else if (sqlState == "23503")
        msg = QStringLiteral("FOREIGN KEY constraint failed");
    else if (sqlState == "23514")
        msg = QStringLiteral("CHECK constraint failed: ") + constraint;
    if (!context.isEmpty())
        msg = context + QStringLiteral("：") + msg;
    throw DytError(msg, code);
}

void Connection::exec(const QString& sql) {
    PGresult* res = PQexec(conn_, sql.toUtf8().constData());
    const auto status = PQresultStatus(res);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY)
        raise(res);
    PQclear(res);
}

QByteArray Connection::prepared(const QString& sql, int params, const std::vector<unsigned>& types) {
    // Numbers go with their types, so that "? * qty" or dyt_add(?, ?) mean what they mean on
    // SQLite; texts and nulls take the type the statement gives them. The same text may be
    // prepared once for each way its values come.
    QString key = sql;
    key += QLatin1Char('\n');
    for (unsigned t : types)
        key += QString::number(t) + QLatin1Char(',');
    if (const auto it = prepared_.constFind(key); it != prepared_.constEnd())
        return *it;
    const QByteArray name = "dyt_" + QByteArray::number(++counter_);
    const QByteArray text = sql.toUtf8();
    // Inside a transaction a failed attempt must not end it: each one runs in a savepoint.
    const bool guarded = inTransaction();
    auto attempt = [&](const std::vector<Oid>& oids) {
        if (guarded)
            exec(QStringLiteral("SAVEPOINT dyt_prepare"));
        PGresult* res = PQprepare(conn_, name.constData(), text.constData(), params,
                                  oids.empty() ? nullptr : oids.data());
        const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
        if (guarded) {
            PGresult* end = PQexec(conn_, ok ? "RELEASE dyt_prepare"
                                             : "ROLLBACK TO SAVEPOINT dyt_prepare; "
                                               "RELEASE dyt_prepare");
            PQclear(end);
        }
        return res;
    };
    const auto state = [](PGresult* res) {
        const char* s = PQresultErrorField(res, PG_DIAG_SQLSTATE);
        return QByteArray(s ? s : "");
    };
    std::vector<Oid> typed(types.begin(), types.end());
    typed.resize(size_t(params), 0);
    PGresult* res = attempt(typed);
    if (PQresultStatus(res) != PGRES_COMMAND_OK) {
        // A number compared with a text column ("code = ?" given 5): SQLite compares them as it
        // can, PostgreSQL only when the value's type is left to the statement.
        const QByteArray s = state(res);
        if (s == "42883" || s == "42804" || s == "42725") {
            PQclear(res);
            res = attempt(std::vector<Oid>(size_t(params), 0));
        }
    }
    if (PQresultStatus(res) != PGRES_COMMAND_OK && state(res) == "42P18") {
        // A value nothing in the statement types ("SELECT ?" given a text or a null): text.
        PQclear(res);
        std::vector<Oid> texts = typed;
        for (Oid& t : texts)
            t = t == 0 ? kText : t;
        res = attempt(texts);
    }
    if (PQresultStatus(res) != PGRES_COMMAND_OK)
        raise(res);
    PQclear(res);
    prepared_.insert(key, name);
    return name;
}

void Connection::forget(const QString& sql) {
    const QString prefix = sql + QLatin1Char('\n');
    for (auto it = prepared_.begin(); it != prepared_.end();) {
        if (it.key().startsWith(prefix)) {
            PGresult* res = PQexec(conn_, ("DEALLOCATE " + it.value()).constData());
            PQclear(res);
            it = prepared_.erase(it);
        } else {
            ++it;
        }
    }
}

QString Connection::serialColumn(const QString& table) {
    if (const auto it = serials_.constFind(table); it != serials_.constEnd())
        return *it;
    const QByteArray t = table.toUtf8();
    const char* values[] = {t.constData()};
    PGresult* res = PQexecParams(
        conn_,
        "SELECT a.attname FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
        "JOIN pg_namespace n ON n.oid = c.relnamespace "
        "WHERE c.relname = $1 AND n.nspname = current_schema() AND a.attnum > 0 "
        "AND NOT a.attisdropped AND pg_get_serial_sequence(quote_ident(c.relname), a.attname) "
        "IS NOT NULL LIMIT 1",
        1, nullptr, values, nullptr, nullptr, 0);
    if (PQresultStatus(res) != PGRES_TUPLES_OK)
        raise(res);
    const QString column = PQntuples(res) > 0 ? QString::fromUtf8(PQgetvalue(res, 0, 0)) : QString();
    PQclear(res);
    serials_.insert(table, column);
    return column;
}

bool Connection::inTransaction() const {
    return PQtransactionStatus(conn_) != PQTRANS_IDLE;
}

void Connection::setBusyTimeout(int ms) {
    exec(QStringLiteral("SET lock_timeout = %1").arg(qMax(ms, 1)));
}

// --- statements

namespace {
std::atomic<SpellingLookup> schemaSpellings{nullptr};
}  // namespace

void setSchemaSpellings(SpellingLookup lookup) {
    schemaSpellings.store(lookup);
}

std::shared_ptr<const Text> Connection::text(const QString& sql) {
    if (const auto it = texts_.constFind(sql); it != texts_.constEnd())
        return *it;
    auto t = std::make_shared<Text>();
    t->sql = pgsql::adaptStatement(sql, &t->params, &t->spellings);
    t->resultNames = pgsql::resultNames(t->sql);
    static const QRegularExpression reading(QStringLiteral("^\\s*(SELECT|VALUES|WITH|EXPLAIN)\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    t->readOnly = reading.match(t->sql).hasMatch();
    const QString table = pgsql::insertTable(sql);
    const QString serial = table.isEmpty() ? QString() : serialColumn(table);
    if (!serial.isEmpty() && !t->sql.contains(QLatin1String("RETURNING"), Qt::CaseInsensitive)) {
        t->sql += QStringLiteral(" RETURNING ") + serial;
        t->returnsSerial = true;
    }
    if (texts_.size() >= 4000)
        texts_.clear();
    texts_.insert(sql, t);
    return t;
}

Cursor::Cursor(Connection& conn, std::shared_ptr<const Text> text)
    : conn_(conn), text_(std::move(text)), sql_(text_->sql), params_(text_->params) {
    values_.resize(size_t(params_));
    types_.assign(size_t(params_), 0);
}

Cursor::~Cursor() {
    if (res_)
        PQclear(res_);
    if (description_)
        PQclear(description_);
}

void Cursor::bind(int index, const QVariant& value) {
    if (index < 1 || index > params_)
        throw DytError(QStringLiteral("参数绑定失败：没有第%1个参数").arg(index));
    auto& slot = values_[size_t(index - 1)];
    unsigned& type = types_[size_t(index - 1)];
    type = 0;  // texts and nulls: the type the statement gives them
    if (!value.isValid() || value.isNull()) {
        slot.reset();
        return;
    }
    switch (value.metaType().id()) {
        case QMetaType::Bool:
            slot = value.toBool() ? QByteArray("1") : QByteArray("0");
            type = kInt8;
            return;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Long:
            slot = QByteArray::number(value.toLongLong());
            type = kInt8;
            return;
        case QMetaType::ULongLong:
            slot = QByteArray::number(value.toULongLong());
            type = kNumeric;
            return;
        case QMetaType::Double:
        case QMetaType::Float: {
            const double d = value.toDouble();
            char buf[32];
            const auto r = std::to_chars(buf, buf + sizeof buf, d);
            slot = QByteArray(buf, int(r.ptr - buf));
            type = kFloat8;
            return;
        }
        case QMetaType::QByteArray:
            slot = "\\x" + value.toByteArray().toHex();
            type = kBytea;
            return;
        case QMetaType::QDate:
            slot = value.toDate().toString(QStringLiteral("yyyy-MM-dd")).toUtf8();
            return;
        case QMetaType::QDateTime:
            slot = value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
            return;
        default:
            if (value.metaType().id() == qMetaTypeId<Currency>()) {
                slot = value.value<Currency>().toString().toUtf8();
                type = kNumeric;
                return;
            }
            slot = value.toString().toUtf8();
    }
}

void Cursor::clearBindings() {
    for (auto& v : values_)
        v.reset();
    types_.assign(size_t(params_), 0);
}

void Cursor::reset() {
    if (res_)
        PQclear(res_);
    res_ = nullptr;
    row_ = -1;
    rows_ = 0;
    ran_ = false;
}

void Cursor::run() {
    std::vector<const char*> values(static_cast<size_t>(params_));
    for (int i = 0; i < params_; ++i)
        values[size_t(i)] = values_[size_t(i)] ? values_[size_t(i)]->constData() : nullptr;
    for (int attempt = 0;; ++attempt) {
        const QByteArray name = conn_.prepared(sql_, params_, types_);
        PGresult* res = PQexecPrepared(conn_.handle(), name.constData(), params_, values.data(),
                                       nullptr, nullptr, 0);
        const auto status = PQresultStatus(res);
        if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) {
            res_ = res;
            break;
        }
        const char* state = PQresultErrorField(res, PG_DIAG_SQLSTATE);
        // A plan made before the table changed: made again once.
        if (attempt == 0 && state && std::strcmp(state, "0A000") == 0 && !conn_.inTransaction()) {
            PQclear(res);
            conn_.forget(sql_);
            continue;
        }
        conn_.raise(res);
    }
    ran_ = true;
    row_ = -1;
    rows_ = PQntuples(res_);
    const char* changed = PQcmdTuples(res_);
    conn_.changes = changed && *changed ? std::atoi(changed) : 0;
    if (text_->returnsSerial) {
        if (rows_ > 0)
            conn_.lastInsertId = std::strtoll(PQgetvalue(res_, rows_ - 1, 0), nullptr, 10);
        rows_ = 0;  // the returned ids are the connection's, not rows of the statement
    }
}

bool Cursor::step() {
    if (!ran_)
        run();
    if (row_ + 1 >= rows_) {
        row_ = rows_;
        return false;
    }
    ++row_;
    return true;
}

void Cursor::describe() {
    if (ran_ || description_)
        return;
    const QByteArray name = conn_.prepared(sql_, params_, types_);
    description_ = PQdescribePrepared(conn_.handle(), name.constData());
    if (PQresultStatus(description_) != PGRES_COMMAND_OK) {
        PGresult* res = description_;
        description_ = nullptr;
        conn_.raise(res);
    }
}

int Cursor::columnCount() {
    if (text_->returnsSerial)
        return 0;
    describe();
    return PQnfields(ran_ ? res_ : description_);
}

QString Cursor::columnName(int column) {
    describe();
    // PostgreSQL folds the names it was not given in quotes; SQLite keeps them as written, or
    // as the table declares them for "*".
    const QString name = QString::fromUtf8(PQfname(ran_ ? res_ : description_, column));
    const QStringList& names = text_->resultNames;
    if (column < names.size() && names[column].compare(name, Qt::CaseInsensitive) == 0)
        return names[column];
    if (const auto it = text_->spellings.constFind(name); it != text_->spellings.constEnd())
        return *it;
    if (const SpellingLookup lookup = schemaSpellings.load())
        return lookup(name);
    return name;
}

QVariant Cursor::value(int column) const {
    if (!res_ || row_ < 0 || row_ >= rows_ || PQgetisnull(res_, row_, column))
        return {};
    const char* v = PQgetvalue(res_, row_, column);
    const int len = PQgetlength(res_, row_, column);
    const Oid type = PQftype(res_, column);
    if (isInteger(type))
        return static_cast<qint64>(std::strtoll(v, nullptr, 10));
    if (type == kBool)
        return static_cast<qint64>(*v == 't' ? 1 : 0);
    if (type == kFloat8 || type == kFloat4) {
        double d = 0;
        if (std::strcmp(v, "NaN") == 0)
            return {};
        std::from_chars(v, v + len, d);
        return d;
    }
    if (type == kNumeric) {
        // As SQLite keeps a NUMERIC column: a whole number as an integer, anything else as a
        // double.
        const char* dot = std::strchr(v, '.');
        bool whole = true;
        if (dot) {
            for (const char* p = dot + 1; *p; ++p)
                whole = whole && *p == '0';
        }
        if (whole) {
            qint64 i = 0;
            const auto r = std::from_chars(v, dot ? dot : v + len, i);
            if (r.ec == std::errc())
                return i;
        }
        double d = 0;
        std::from_chars(v, v + len, d);
        return d;
    }
    if (type == kBytea) {
        size_t n = 0;
        unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(v), &n);
        QByteArray b(reinterpret_cast<const char*>(raw), qsizetype(n));
        PQfreemem(raw);
        return b;
    }
    return QString::fromUtf8(v, len);
}

const char* Cursor::declaredType(int column) {
    describe();
    const PGresult* r = ran_ ? res_ : description_;
    if (declared_.empty())
        declared_.resize(size_t(PQnfields(r)));
    if (column < 0 || column >= int(declared_.size()) || PQftable(r, column) == InvalidOid)
        return nullptr;
    QByteArray& d = declared_[size_t(column)];
    if (d.isEmpty()) {
        const Oid type = PQftype(r, column);
        const int mod = PQfmod(r, column);
        if (isInteger(type) || type == kBool)
            d = "INTEGER";
        else if (type == kNumeric)
            d = mod >= 4 ? "NUMERIC(" + QByteArray::number(((mod - 4) >> 16) & 0xffff) + "," +
                               QByteArray::number((mod - 4) & 0xffff) + ")"
                         : QByteArray("NUMERIC");
        else if (type == kFloat8 || type == kFloat4)
            d = "REAL";
        else if (type == kBytea)
            d = "BLOB";
        else
            d = "TEXT";
    }
    return d.constData();
}

}  // namespace dyt::server::pg
