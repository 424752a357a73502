#include "server/tsql/tsql_functions.h"

#include <sqlite3.h>

#include <QHash>
#include <QRegularExpression>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "common/error.h"

namespace dyt::server::tsql {

// ---------------------------------------------------------------- date helpers

QDateTime dateFromDays(double days) {
    const QDateTime base(QDate(1900, 1, 1), QTime(0, 0), Qt::UTC);
    return base.addMSecs(static_cast<qint64>(std::llround(days * 86400000.0)));
}

QDateTime parseDateValue(const QString& textIn) {
    const QString text = textIn.trimmed();
    if (text.isEmpty())
        return dateFromDays(0);
    // one compiled pattern per thread: connections run on their own threads
    thread_local const QRegularExpression iso(QStringLiteral(
        R"(^(\d{4})[-/.](\d{1,2})[-/.](\d{1,2})(?:[ T](\d{1,2}):(\d{1,2})(?::(\d{1,2})(?:\.(\d{1,3})\d*)?)?)?$)"));
    thread_local const QRegularExpression compact(
        QStringLiteral(R"(^(\d{4})(\d{2})(\d{2})(?: (\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?$)"));
    QRegularExpressionMatch m = iso.match(text);
    if (!m.hasMatch())
        m = compact.match(text);
    if (!m.hasMatch())
        return {};
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid())
        return {};
    QTime t(0, 0);
    if (!m.captured(4).isEmpty()) {
        QString ms = m.captured(7);
        while (!ms.isEmpty() && ms.size() < 3)
            ms += u'0';
        t = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), ms.toInt());
        if (!t.isValid())
            return {};
    }
    return QDateTime(d, t, Qt::UTC);
}

QString formatDateValue(const QDateTime& value) {
    if (value.time().msec() != 0)
        return value.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    return value.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QDateTime dateAdd(const QString& unit, qint64 n, const QDateTime& v) {
    if (unit == QLatin1String("year"))
        return v.addYears(static_cast<int>(n));
    if (unit == QLatin1String("quarter"))
        return v.addMonths(static_cast<int>(n * 3));
    if (unit == QLatin1String("month"))
        return v.addMonths(static_cast<int>(n));
    if (unit == QLatin1String("day") || unit == QLatin1String("dayofyear") ||
        unit == QLatin1String("weekday"))
        return v.addDays(n);
    if (unit == QLatin1String("week"))
        return v.addDays(n * 7);
    if (unit == QLatin1String("hour"))
        return v.addSecs(n * 3600);
    if (unit == QLatin1String("minute"))
        return v.addSecs(n * 60);
    if (unit == QLatin1String("second"))
        return v.addSecs(n);
    return {};
}

namespace {

qint64 floorDiv(qint64 a, qint64 b) {
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Index of the Sunday-based week that holds a day (SQL Server counts week boundaries at Sundays
// whatever DATEFIRST says).
qint64 sundayWeek(const QDate& d) {
    return floorDiv(d.toJulianDay() + 1, 7);
}

}  // namespace

qint64 dateDiff(const QString& unit, const QDateTime& a, const QDateTime& b) {
    const QDate da = a.date(), db = b.date();
    if (unit == QLatin1String("year"))
        return db.year() - da.year();
    if (unit == QLatin1String("quarter"))
        return (db.year() * 4 + (db.month() - 1) / 3) - (da.year() * 4 + (da.month() - 1) / 3);
    if (unit == QLatin1String("month"))
        return (db.year() * 12 + db.month()) - (da.year() * 12 + da.month());
    if (unit == QLatin1String("day") || unit == QLatin1String("dayofyear") ||
        unit == QLatin1String("weekday"))
        return da.daysTo(db);
    if (unit == QLatin1String("week"))
        return sundayWeek(db) - sundayWeek(da);
    const qint64 sa = floorDiv(a.toMSecsSinceEpoch(), 1000);
    const qint64 sb = floorDiv(b.toMSecsSinceEpoch(), 1000);
    if (unit == QLatin1String("hour"))
        return floorDiv(sb, 3600) - floorDiv(sa, 3600);
    if (unit == QLatin1String("minute"))
        return floorDiv(sb, 60) - floorDiv(sa, 60);
    return sb - sa;
}

int datePart(const QString& unit, const QDateTime& v) {
    const QDate d = v.date();
    if (unit == QLatin1String("year"))
        return d.year();
    if (unit == QLatin1String("quarter"))
        return (d.month() - 1) / 3 + 1;
    if (unit == QLatin1String("month"))
        return d.month();
    if (unit == QLatin1String("dayofyear"))
        return d.dayOfYear();
    if (unit == QLatin1String("day"))
        return d.day();
    if (unit == QLatin1String("weekday"))
        return d.dayOfWeek() % 7 + 1;  // Sunday = 1
    if (unit == QLatin1String("week"))
        return static_cast<int>(sundayWeek(d) - sundayWeek(QDate(d.year(), 1, 1))) + 1;
    if (unit == QLatin1String("hour"))
        return v.time().hour();
    if (unit == QLatin1String("minute"))
        return v.time().minute();
    return v.time().second();
}

QString incrementCode(const QString& code) {
    int i = static_cast<int>(code.size());
    while (i > 0 && code[i - 1].isDigit())
        --i;
    const QString prefix = code.left(i);
    const QString digits = code.mid(i);
    if (digits.isEmpty())
        return code + u'1';
    // Add one to the digit string without converting (no overflow on long runs).
    QString out = digits;
    int k = static_cast<int>(out.size()) - 1;
    while (k >= 0) {
        if (out[k] == u'9') {
            out[k] = u'0';
            --k;
        } else {
            out[k] = QChar(out[k].unicode() + 1);
            break;
        }
    }
    if (k < 0)
        out.prepend(u'1');
    return prefix + out;
}

// ---------------------------------------------------------------- SQLite glue

namespace {

QString argText(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? QString::fromUtf8(reinterpret_cast<const char*>(t), sqlite3_value_bytes(v))
             : QString();
}

void resultText(sqlite3_context* ctx, const QString& s) {
    const QByteArray u = s.toUtf8();
    sqlite3_result_text(ctx, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
}

void resultError(sqlite3_context* ctx, const QString& s) {
    const QByteArray u = s.toUtf8();
    sqlite3_result_error(ctx, u.constData(), static_cast<int>(u.size()));
}

// Date value of an argument; false (and an error result) when it does not convert.
bool argDate(sqlite3_context* ctx, sqlite3_value* v, QDateTime* out) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            *out = dateFromDays(sqlite3_value_double(v));
            return true;
        default: {
            const QString s = argText(v);
            *out = parseDateValue(s);
            if (!out->isValid()) {
                resultError(ctx, QStringLiteral("日期格式错误：%1").arg(s));
                return false;
            }
            return true;
        }
    }
}

bool anyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    return false;
}

// One value of a query run from inside a function; Null QVariant when no row.
struct Query {
    sqlite3_stmt* st = nullptr;
    int prepared = SQLITE_OK;
    int rc = SQLITE_OK;
    Query(sqlite3* db, const char* sql) {
        prepared = sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    }
    ~Query() { sqlite3_finalize(st); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    bool ok() const { return prepared == SQLITE_OK; }
    void bind(int i, qint64 v) { sqlite3_bind_int64(st, i, v); }
    void bind(int i, double v) { sqlite3_bind_double(st, i, v); }
    void bind(int i, const QString& s) {
        const QByteArray u = s.toUtf8();
        sqlite3_bind_text(st, i, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
    }
    bool row() {
        rc = sqlite3_step(st);
        return rc == SQLITE_ROW;
    }
    bool failed() const { return rc != SQLITE_ROW && rc != SQLITE_DONE && rc != SQLITE_OK; }
    qint64 integer(int c) const { return sqlite3_column_int64(st, c); }
    double number(int c) const { return sqlite3_column_double(st, c); }
    bool isNull(int c) const { return sqlite3_column_type(st, c) == SQLITE_NULL; }
    QString text(int c) const {
        const unsigned char* t = sqlite3_column_text(st, c);
        return t ? QString::fromUtf8(reinterpret_cast<const char*>(t)) : QString();
    }
};

bool queryFailed(sqlite3_context* ctx, const Query& q, const char* fn) {
    if (!q.ok() || q.failed()) {
        sqlite3* db = sqlite3_context_db_handle(ctx);
        resultError(ctx, QStringLiteral("%1：%2").arg(QLatin1String(fn),
                                                      QString::fromUtf8(sqlite3_errmsg(db))));
        return true;
    }
    return false;
}

// ---- helpers emitted by the translation

// "+" when the operand types were not known at translation: two texts concatenate; otherwise the
// values add as numbers (SQL Server converts the text side to a number).
void fnAdd(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    const int ta = sqlite3_value_type(argv[0]), tb = sqlite3_value_type(argv[1]);
    if (ta == SQLITE_TEXT && tb == SQLITE_TEXT) {
        resultText(ctx, argText(argv[0]) + argText(argv[1]));
        return;
    }
    const auto numeric = [&](sqlite3_value* v, bool* isInt, qint64* i, double* d) {
        const int t = sqlite3_value_numeric_type(v);
        *isInt = t == SQLITE_INTEGER;
        *i = sqlite3_value_int64(v);
        *d = sqlite3_value_double(v);
        return t == SQLITE_INTEGER || t == SQLITE_FLOAT;
    };
    bool ia = false, ib = false;
    qint64 xa = 0, xb = 0;
    double da = 0, db = 0;
    if (!numeric(argv[0], &ia, &xa, &da) || !numeric(argv[1], &ib, &xb, &db)) {
        resultError(ctx, QStringLiteral("无法把文本转换为数字：%1 + %2")
                             .arg(argText(argv[0]), argText(argv[1])));
        return;
    }
    if (ia && ib)
        sqlite3_result_int64(ctx, xa + xb);
    else
        sqlite3_result_double(ctx, da + db);
}

bool digitsAt(const unsigned char* t, int from, int count) {
    for (int i = from; i < from + count; ++i)
        if (t[i] < '0' || t[i] > '9')
            return false;
    return true;
}

void fnDatetime(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        // fast path for the forms the account set stores: "yyyy-mm-dd" and "yyyy-mm-dd hh:mm:ss"
        const unsigned char* t = sqlite3_value_text(argv[0]);
        const int n = sqlite3_value_bytes(argv[0]);
        const bool day = n >= 10 && digitsAt(t, 0, 4) && t[4] == '-' && digitsAt(t, 5, 2) &&
                         t[7] == '-' && digitsAt(t, 8, 2) && t[5] <= '1' && t[8] <= '3';
        if (day && n == 19 && t[10] == ' ' && digitsAt(t, 11, 2) && t[13] == ':' &&
            digitsAt(t, 14, 2) && t[16] == ':' && digitsAt(t, 17, 2) &&
            (t[11] - '0') * 10 + (t[12] - '0') < 24 && t[14] < '6' && t[17] < '6' &&
            QDate(std::atoi(reinterpret_cast<const char*>(t)), (t[5] - '0') * 10 + (t[6] - '0'),
                  (t[8] - '0') * 10 + (t[9] - '0'))
                .isValid()) {
            sqlite3_result_value(ctx, argv[0]);
            return;
        }
        if (day && n == 10 &&
            QDate(std::atoi(reinterpret_cast<const char*>(t)), (t[5] - '0') * 10 + (t[6] - '0'),
                  (t[8] - '0') * 10 + (t[9] - '0'))
                .isValid()) {
            char buf[20];
            std::memcpy(buf, t, 10);
            std::memcpy(buf + 10, " 00:00:00", 9);
            sqlite3_result_text(ctx, buf, 19, SQLITE_TRANSIENT);
            return;
        }
    }
    QDateTime d;
    if (argDate(ctx, argv[0], &d))
        resultText(ctx, formatDateValue(d));
}

struct ClockHolder {
    std::function<QDateTime()> clock;
};

void fnGetDate(sqlite3_context* ctx, int, sqlite3_value**) {
    const auto* holder = static_cast<const ClockHolder*>(sqlite3_user_data(ctx));
    QDateTime now = holder && holder->clock ? holder->clock() : QDateTime::currentDateTime();
    now = QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()),
                    Qt::UTC);
    resultText(ctx, formatDateValue(now));
}

void fnDateAdd(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    QDateTime d;
    if (!argDate(ctx, argv[2], &d))
        return;
    const qint64 n = static_cast<qint64>(std::trunc(sqlite3_value_double(argv[1])));
    const QDateTime r = dateAdd(argText(argv[0]), n, d);
    if (!r.isValid()) {
        resultError(ctx, QStringLiteral("DATEADD 的日期部分错误"));
        return;
    }
    resultText(ctx, formatDateValue(r));
}

void fnDateDiff(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    QDateTime a, b;
    if (!argDate(ctx, argv[1], &a) || !argDate(ctx, argv[2], &b))
        return;
    sqlite3_result_int64(ctx, dateDiff(argText(argv[0]), a, b));
}

void fnDatePart(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    QDateTime d;
    if (argDate(ctx, argv[1], &d))
        sqlite3_result_int(ctx, datePart(argText(argv[0]), d));
}

// ---- server functions

// fnGetSysData(name, default): sysValue of the sysData row of that name (letter case ignored),
// else the default.
void fnGetSysData(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Query q(sqlite3_context_db_handle(ctx),
            "SELECT sysValue FROM sysData WHERE Name = ?1 COLLATE NOCASE LIMIT 1");
    if (queryFailed(ctx, q, "fnGetSysData"))
        return;
    q.bind(1, argText(argv[0]));
    if (q.row() && !q.isNull(0)) {
        resultText(ctx, q.text(0));
        return;
    }
    if (queryFailed(ctx, q, "fnGetSysData"))
        return;
    sqlite3_result_value(ctx, argv[1]);
}

QDate monthStart(sqlite3_value** argv) {
    const int year = sqlite3_value_int(argv[0]);
    const int month = sqlite3_value_int(argv[1]);
    // months outside 1..12 roll into the neighbouring years
    return QDate(year, 1, 1).addMonths(month - 1);
}

void fnFirstDayOfMonth(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    resultText(ctx, monthStart(argv).toString(QStringLiteral("yyyy-MM-dd")));
}

void fnLastDayOfMonth(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    resultText(ctx,
               monthStart(argv).addMonths(1).addDays(-1).toString(QStringLiteral("yyyy-MM-dd")));
}

// fnGetPurview(operator, code): 1 when the operator holds the right of that code (a menu entry
// granted in sysPurview, or one that is not controlled), else 0. Operator 1 holds every right.
void fnGetPurview(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const qint64 user = sqlite3_value_int64(argv[0]);
    if (user == 1) {
        sqlite3_result_int(ctx, 1);
        return;
    }
    Query q(
        sqlite3_context_db_handle(ctx),
        "SELECT max(CASE WHEN a.isbj = 1 OR b.hide = 1 THEN 1 ELSE 0 END) FROM sysMenu AS b "
        "LEFT JOIN sysPurview AS a ON a.menuid = b.id AND a.userid = ?1 WHERE b.code = ?2");
    if (queryFailed(ctx, q, "fnGetPurview"))
        return;
    q.bind(1, user);
    q.bind(2, argText(argv[1]).trimmed());
    const bool got = q.row();
    if (queryFailed(ctx, q, "fnGetPurview"))
        return;
    sqlite3_result_int(ctx, got && q.integer(0) == 1 ? 1 : 0);
}

// fnGetInterfaceKMID(role): the account (baseKM.id) that plays an interface role such as
// '预收账款', from sysSubjectInterface; 0 when the role has none.
void fnGetInterfaceKMID(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Query q(sqlite3_context_db_handle(ctx),
            "SELECT km_id FROM sysSubjectInterface WHERE name = ?1 COLLATE NOCASE "
            "ORDER BY km_id LIMIT 1");
    if (queryFailed(ctx, q, "fnGetInterfaceKMID"))
        return;
    q.bind(1, argText(argv[0]).trimmed());
    const bool got = q.row();
    if (queryFailed(ctx, q, "fnGetInterfaceKMID"))
        return;
    sqlite3_result_int64(ctx, got ? q.integer(0) : 0);
}

// Base table of an auto-code kind.
QString baseTableOfKind(const QString& kind) {
    static const QHash<QString, QString> tables = {
        {QStringLiteral("sp"), QStringLiteral("baseGoods")},
        {QStringLiteral("wldw"), QStringLiteral("baseWLDW")},
        {QStringLiteral("zy"), QStringLiteral("baseZY")},
        {QStringLiteral("zhiyuan"), QStringLiteral("baseZY")},
        {QStringLiteral("ck"), QStringLiteral("baseCK")},
        {QStringLiteral("cangku"), QStringLiteral("baseCK")},
        {QStringLiteral("bm"), QStringLiteral("baseBM")},
        {QStringLiteral("bumen"), QStringLiteral("baseBM")},
        {QStringLiteral("dq"), QStringLiteral("baseDQ")},
        {QStringLiteral("zhaiyao"), QStringLiteral("baseZhaiYao")},
        {QStringLiteral("km"), QStringLiteral("baseKM")},
    };
    return tables.value(kind.trimmed().toLower());
}

// fnGetBaseAutoCode(kind, parent): the next free code under a parent: the highest code among the
// parent's children that is the parent's code followed by digits, incremented; the parent's code
// followed by "001" when there is none. A code already used anywhere in the table is skipped.
void fnGetBaseAutoCode(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const QString table = baseTableOfKind(argText(argv[0]));
    if (table.isEmpty()) {
        resultError(ctx, QStringLiteral("fnGetBaseAutoCode：未知的类别 %1").arg(argText(argv[0])));
        return;
    }
    sqlite3* db = sqlite3_context_db_handle(ctx);
    const qint64 parent = sqlite3_value_int64(argv[1]);
    QString parentCode;
    if (parent > 0) {
        Query q(
            db,
            QStringLiteral("SELECT code FROM %1 WHERE id = ?1").arg(table).toUtf8().constData());
        if (queryFailed(ctx, q, "fnGetBaseAutoCode"))
            return;
        q.bind(1, parent);
        if (q.row())
            parentCode = q.text(0).trimmed();
        if (queryFailed(ctx, q, "fnGetBaseAutoCode"))
            return;
    }
    QString best;
    {
        Query q(db, QStringLiteral("SELECT code FROM %1 WHERE par_id = ?1")
                        .arg(table)
                        .toUtf8()
                        .constData());
        if (queryFailed(ctx, q, "fnGetBaseAutoCode"))
            return;
        q.bind(1, parent);
        while (q.row()) {
            const QString c = q.text(0).trimmed();
            if (!c.startsWith(parentCode, Qt::CaseInsensitive) || c.size() == parentCode.size())
                continue;
            bool digits = true;
            for (int i = static_cast<int>(parentCode.size()); i < c.size(); ++i)
                digits = digits && c[i].isDigit();
            if (!digits)
                continue;
            if (best.isEmpty() || c.size() > best.size() || (c.size() == best.size() && c > best))
                best = c;
        }
        if (queryFailed(ctx, q, "fnGetBaseAutoCode"))
            return;
    }
    QString code = best.isEmpty() ? parentCode + QStringLiteral("001") : incrementCode(best);
    Query used(db, QStringLiteral("SELECT 1 FROM %1 WHERE code = ?1 COLLATE NOCASE")
                       .arg(table)
                       .toUtf8()
                       .constData());
    if (queryFailed(ctx, used, "fnGetBaseAutoCode"))
        return;
    for (int guard = 0; guard < 100000; ++guard) {
        sqlite3_reset(used.st);
        used.bind(1, code);
        if (!used.row())
            break;
        code = incrementCode(code);
    }
    if (queryFailed(ctx, used, "fnGetBaseAutoCode"))
        return;
    resultText(ctx, code);
}

// fnGetBaseDQFullName(id): the full names of a region and its parent categories from the top down,
// joined by "/".
void fnGetBaseDQFullName(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Query q(sqlite3_context_db_handle(ctx), "SELECT par_id, fullname FROM baseDQ WHERE id = ?1");
    if (queryFailed(ctx, q, "fnGetBaseDQFullName"))
        return;
    QStringList names;
    qint64 id = sqlite3_value_int64(argv[0]);
    for (int depth = 0; id > 0 && depth < 16; ++depth) {
        sqlite3_reset(q.st);
        q.bind(1, id);
        if (!q.row())
            break;
        names.prepend(q.text(1).trimmed());
        id = q.integer(0);
    }
    if (queryFailed(ctx, q, "fnGetBaseDQFullName"))
        return;
    resultText(ctx, names.join(u'/'));
}

// fnGetStockQty(goods, warehouse, kind): stock quantity in base units of a goods in one warehouse
// (0 = all warehouses), from the stock ledger baseGoodsStock.
void fnGetStockQty(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Query q(
        sqlite3_context_db_handle(ctx),
        "SELECT total(qty) FROM baseGoodsStock WHERE goodsid = ?1 AND (?2 = 0 OR stockid = ?2)");
    if (queryFailed(ctx, q, "fnGetStockQty"))
        return;
    q.bind(1, sqlite3_value_int64(argv[0]));
    q.bind(2, sqlite3_value_int64(argv[1]));
    q.row();
    if (queryFailed(ctx, q, "fnGetStockQty"))
        return;
    sqlite3_result_double(ctx, q.number(0));
}

// Rate (base units per unit) of a unit row of a goods; slot lookups by fzdwid. 0 when absent.
double unitRate(sqlite3* db, const char* where, qint64 goods, qint64 key, bool* failed) {
    Query q(db, QStringLiteral("SELECT rate FROM baseGoodsUnit WHERE Goodsid = ?1 AND %1")
                    .arg(QLatin1String(where))
                    .toUtf8()
                    .constData());
    if (!q.ok()) {
        *failed = true;
        return 0;
    }
    q.bind(1, goods);
    q.bind(2, key);
    const bool got = q.row();
    *failed = q.failed();
    return got ? q.number(0) : 0;
}

// fnGetBaseGoodsFZQty(goods, unit, qty, slot): the quantity qty of the unit row `unit` expressed in
// the unit of slot 0 (base), 1 or 2 (auxiliary units); 0 when the goods has no unit in that slot.
void fnGetBaseGoodsFZQty(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3* db = sqlite3_context_db_handle(ctx);
    const qint64 goods = sqlite3_value_int64(argv[0]);
    bool failed = false;
    double fromRate = unitRate(db, "id = ?2", goods, sqlite3_value_int64(argv[1]), &failed);
    if (failed) {
        resultError(
            ctx,
            QStringLiteral("fnGetBaseGoodsFZQty：%1").arg(QString::fromUtf8(sqlite3_errmsg(db))));
        return;
    }
    if (fromRate <= 0)
        fromRate = 1;  // an unknown unit counts as the base unit
    const double toRate = unitRate(db, "fzdwid = ?2", goods, sqlite3_value_int64(argv[3]), &failed);
    if (failed) {
        resultError(
            ctx,
            QStringLiteral("fnGetBaseGoodsFZQty：%1").arg(QString::fromUtf8(sqlite3_errmsg(db))));
        return;
    }
    if (toRate <= 0) {
        sqlite3_result_double(ctx, 0);
        return;
    }
    sqlite3_result_double(ctx, sqlite3_value_double(argv[2]) * fromRate / toRate);
}

// fnGetCostPrice(goods, batch, unit): average cost of a goods' stock per the given unit: the stock
// ledger's value over its quantity (only the rows of batch `batch` (goodspc) when it is above 0),
// times the unit's rate.
void fnGetCostPrice(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3* db = sqlite3_context_db_handle(ctx);
    const qint64 goods = sqlite3_value_int64(argv[0]);
    Query q(db,
            "SELECT total(total), total(qty) FROM baseGoodsStock WHERE goodsid = ?1 "
            "AND (?2 <= 0 OR goodspc = ?2)");
    if (queryFailed(ctx, q, "fnGetCostPrice"))
        return;
    q.bind(1, goods);
    q.bind(2, sqlite3_value_int64(argv[1]));
    q.row();
    if (queryFailed(ctx, q, "fnGetCostPrice"))
        return;
    const double value = q.number(0), qty = q.number(1);
    bool failed = false;
    double rate = unitRate(db, "id = ?2", goods, sqlite3_value_int64(argv[2]), &failed);
    if (failed) {
        resultError(
            ctx, QStringLiteral("fnGetCostPrice：%1").arg(QString::fromUtf8(sqlite3_errmsg(db))));
        return;
    }
    if (rate <= 0)
        rate = 1;
    sqlite3_result_double(ctx, qty > 0 ? value / qty * rate : 0.0);
}

// fnGetWldwTotal00(partner, date): the partner's balance (receivable minus payable) held in
// baseWLDW; the date argument ("2990-01-01" = up to now) is accepted for the current balance only.
void fnGetWldwTotal00(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Query q(sqlite3_context_db_handle(ctx),
            "SELECT ifnull(ystotal, 0) - ifnull(yftotal, 0) FROM baseWLDW WHERE id = ?1");
    if (queryFailed(ctx, q, "fnGetWldwTotal00"))
        return;
    q.bind(1, sqlite3_value_int64(argv[0]));
    const bool got = q.row();
    if (queryFailed(ctx, q, "fnGetWldwTotal00"))
        return;
    sqlite3_result_double(ctx, got ? q.number(0) : 0.0);
}

// Runs a query of one row whose first column is a number; false (with the error set) on failure.
bool scalarNumber(sqlite3_context* ctx, Query& q, const char* fn, double* out) {
    if (queryFailed(ctx, q, fn))
        return false;
    const bool got = q.row();
    if (queryFailed(ctx, q, fn))
        return false;
    *out = got && !q.isNull(0) ? q.number(0) : 0.0;
    return true;
}

// Amounts are kept with four decimals (the ledger's money columns).
double roundMoney(double v) {
    return std::round(v * 10000.0) / 10000.0;
}

// Open quantity in base units of orders of one kind (4 sales order, 8 purchase order): posted
// order lines not yet completed, each counting what is left to deliver (qty - toQty, not below
// 0) times its unit rate. stock 0 = all warehouses; sales orders deliver from OutStock_id,
// purchase orders into IntoStock_id.
bool openOrderQty(sqlite3_context* ctx, qint64 goods, qint64 stock, int djType, double* out) {
    const char* sql =
        djType == 4
            ? "SELECT total(max(qty - toQty, 0) * rate) FROM djList WHERE goodsid = ?1 AND "
              "djType = 4 AND dj_state = 2 AND isOver = 0 AND (?2 = 0 OR OutStock_id = ?2)"
            : "SELECT total(max(qty - toQty, 0) * rate) FROM djList WHERE goodsid = ?1 AND "
              "djType = 8 AND dj_state = 2 AND isOver = 0 AND (?2 = 0 OR IntoStock_id = ?2)";
    Query q(sqlite3_context_db_handle(ctx), sql);
    if (queryFailed(ctx, q, djType == 4 ? "fnGetKYQty" : "fnGetXNKCQty"))
        return false;
    q.bind(1, goods);
    q.bind(2, stock);
    return scalarNumber(ctx, q, djType == 4 ? "fnGetKYQty" : "fnGetXNKCQty", out);
}

bool stockQty(sqlite3_context* ctx, qint64 goods, qint64 stock, const char* fn, double* out) {
    Query q(
        sqlite3_context_db_handle(ctx),
        "SELECT total(qty) FROM baseGoodsStock WHERE goodsid = ?1 AND (?2 = 0 OR stockid = ?2)");
    if (queryFailed(ctx, q, fn))
        return false;
    q.bind(1, goods);
    q.bind(2, stock);
    return scalarNumber(ctx, q, fn, out);
}

// fnGetKYQty(goods, warehouse): available stock = stock on hand minus what posted, open sales
// orders still promise from that warehouse (0 = all warehouses), in base units.
void fnGetKYQty(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const qint64 goods = sqlite3_value_int64(argv[0]);
    const qint64 stock = sqlite3_value_int64(argv[1]);
    double onHand = 0, promised = 0;
    if (!stockQty(ctx, goods, stock, "fnGetKYQty", &onHand) ||
        !openOrderQty(ctx, goods, stock, 4, &promised))
        return;
    sqlite3_result_double(ctx, onHand - promised);
}

// fnGetXNKCQty(goods, warehouse): virtual stock = stock on hand plus what open purchase orders
// will bring in minus what open sales orders promise, in base units.
void fnGetXNKCQty(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const qint64 goods = sqlite3_value_int64(argv[0]);
    const qint64 stock = sqlite3_value_int64(argv[1]);
    double onHand = 0, promised = 0, ordered = 0;
    if (!stockQty(ctx, goods, stock, "fnGetXNKCQty", &onHand) ||
        !openOrderQty(ctx, goods, stock, 4, &promised) ||
        !openOrderQty(ctx, goods, stock, 8, &ordered))
        return;
    sqlite3_result_double(ctx, onHand + ordered - promised);
}

// fnGetCostTotal(goods, warehouse, qty): the cost of qty base units taken out of a warehouse
// (0 = all) at its average cost: the stock ledger's value over its quantity, times qty, rounded
// to four decimals. 0 when the warehouse holds none of the goods.
void fnGetCostTotal(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Query q(sqlite3_context_db_handle(ctx),
            "SELECT total(total), total(qty) FROM baseGoodsStock WHERE goodsid = ?1 AND "
            "(?2 = 0 OR stockid = ?2)");
    if (queryFailed(ctx, q, "fnGetCostTotal"))
        return;
    q.bind(1, sqlite3_value_int64(argv[0]));
    q.bind(2, sqlite3_value_int64(argv[1]));
    q.row();
    if (queryFailed(ctx, q, "fnGetCostTotal"))
        return;
    const double value = q.number(0), qty = q.number(1);
    sqlite3_result_double(ctx,
                          qty > 0 ? roundMoney(value / qty * sqlite3_value_double(argv[2])) : 0.0);
}

// fnGetCostTotalOther(types, goods, warehouse, qty): the same over the stock held outside the own
// stock (baseGoodsStockOther: consignment and borrowed goods) of the kinds listed in types
// ("1,2," — numbers 1 to 5 separated by commas), at that stock's average cost.
void fnGetCostTotalOther(sqlite3_context* ctx, int, sqlite3_value** argv) {
    QStringList kinds;
    const QStringList parts = argText(argv[0]).split(u',', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        bool ok = false;
        const int kind = part.trimmed().toInt(&ok);
        if (!ok || kind < 1 || kind > 5) {
            resultError(
                ctx, QStringLiteral("fnGetCostTotalOther：类型列表[%1]无效").arg(argText(argv[0])));
            return;
        }
        kinds << QString::number(kind);
    }
    if (kinds.isEmpty()) {
        sqlite3_result_double(ctx, 0);
        return;
    }
    const QByteArray sql = QStringLiteral(
                               "SELECT total(costtotal), total(qty) FROM baseGoodsStockOther WHERE "
                               "goodsid = ?1 AND (?2 = 0 OR stockid = ?2) AND typeid IN (%1)")
                               .arg(kinds.join(u','))
                               .toUtf8();
    Query q(sqlite3_context_db_handle(ctx), sql.constData());
    if (queryFailed(ctx, q, "fnGetCostTotalOther"))
        return;
    q.bind(1, sqlite3_value_int64(argv[1]));
    q.bind(2, sqlite3_value_int64(argv[2]));
    q.row();
    if (queryFailed(ctx, q, "fnGetCostTotalOther"))
        return;
    const double value = q.number(0), qty = q.number(1);
    sqlite3_result_double(ctx,
                          qty > 0 ? roundMoney(value / qty * sqlite3_value_double(argv[3])) : 0.0);
}

// fnGetGoodsPrice(mode, billType, goods, partner, unit, date): the price a new bill line starts
// with, per the unit row `unit`. Sales kinds (1-4, 51) take the price of the partner's latest
// posted sales line of the goods up to the date, purchase kinds (5-8) that of the latest purchase
// line; a line's price is converted through the base unit (price / its rate × the unit's rate).
// Without such a line: the unit's latest purchase price for purchases, its price for the rest.
// mode is 0 in every call the client makes.
void fnGetGoodsPrice(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3* db = sqlite3_context_db_handle(ctx);
    const qint64 billType = sqlite3_value_int64(argv[1]);
    const qint64 goods = sqlite3_value_int64(argv[2]);
    const qint64 partner = sqlite3_value_int64(argv[3]);
    const qint64 unit = sqlite3_value_int64(argv[4]);
    QDateTime date;
    if (!argDate(ctx, argv[5], &date))
        return;
    const bool sales = (billType >= 1 && billType <= 4) || billType == 51;
    const bool purchase = billType >= 5 && billType <= 8;

    Query u(db,
            "SELECT rate, price, latestBuyPrice FROM baseGoodsUnit WHERE id = ?1 AND "
            "Goodsid = ?2");
    if (queryFailed(ctx, u, "fnGetGoodsPrice"))
        return;
    u.bind(1, unit);
    u.bind(2, goods);
    const bool hasUnit = u.row();
    if (queryFailed(ctx, u, "fnGetGoodsPrice"))
        return;
    const double rate = hasUnit && u.number(0) > 0 ? u.number(0) : 1.0;
    const double unitPrice = hasUnit ? u.number(1) : 0.0;
    const double unitBuyPrice = hasUnit ? u.number(2) : 0.0;

    if (sales || purchase) {
        Query q(db, sales ? "SELECT b.price * 1.0 / (CASE WHEN b.rate > 0 THEN b.rate ELSE 1 END) FROM "
                            "djIndex AS a JOIN djList AS b ON b.id = a.id WHERE a.dj_state = 2 AND "
                            "a.djType IN (1, 3, 51) AND a.wldw_id = ?1 AND b.goodsid = ?2 AND "
                            "a.date <= ?3 ORDER BY a.date DESC, b.orderid DESC LIMIT 1"
                          : "SELECT b.price * 1.0 / (CASE WHEN b.rate > 0 THEN b.rate ELSE 1 END) FROM "
                            "djIndex AS a JOIN djList AS b ON b.id = a.id WHERE a.dj_state = 2 AND "
                            "a.djType IN (5, 7) AND a.wldw_id = ?1 AND b.goodsid = ?2 AND "
                            "a.date <= ?3 ORDER BY a.date DESC, b.orderid DESC LIMIT 1");
        if (queryFailed(ctx, q, "fnGetGoodsPrice"))
            return;
        q.bind(1, partner);
        q.bind(2, goods);
        q.bind(3, date.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 23:59:59"));
        const bool got = q.row();
        if (queryFailed(ctx, q, "fnGetGoodsPrice"))
            return;
        if (got) {
            sqlite3_result_double(ctx, q.number(0) * rate);
            return;
        }
    }
    sqlite3_result_double(ctx, purchase ? unitBuyPrice : unitPrice);
}

// --- LIKE and the text collation

struct LikeItem {
    enum Kind { Literal, One, Any, Set } kind = Literal;
    QChar ch;                               // Literal
    bool negated = false;                   // Set
    QList<std::pair<QChar, QChar>> ranges;  // Set: single characters are ranges of one
};

// Letters compared as SQLite's LIKE compares them: ASCII without regard to case.
QChar folded(QChar c) {
    return c.unicode() < 128 ? c.toLower() : c;
}

// The pattern as items; false for a pattern that can match nothing (an unclosed '[').
bool compileLike(const QString& pattern, QChar escape, QList<LikeItem>* out) {
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        LikeItem item;
        if (!escape.isNull() && c == escape) {
            if (i + 1 >= pattern.size())
                return false;
            item.ch = folded(pattern[++i]);
        } else if (c == u'%') {
            if (!out->isEmpty() && out->last().kind == LikeItem::Any)
                continue;
            item.kind = LikeItem::Any;
        } else if (c == u'_') {
            item.kind = LikeItem::One;
        } else if (c == u'[') {
            const qsizetype close = pattern.indexOf(u']', i + 2);
            if (close < 0)
                return false;
            item.kind = LikeItem::Set;
            qsizetype j = i + 1;
            if (pattern[j] == u'^' && j + 1 < close) {
                item.negated = true;
                ++j;
            }
            for (; j < close; ++j) {
                const QChar from = folded(pattern[j]);
                if (j + 2 < close && pattern[j + 1] == u'-') {
                    item.ranges.append({from, folded(pattern[j + 2])});
                    j += 2;
                } else {
                    item.ranges.append({from, from});
                }
            }
            i = close;
        } else {
            item.ch = folded(c);
        }
        out->append(item);
    }
    return true;
}

bool itemMatches(const LikeItem& item, QChar c) {
    switch (item.kind) {
        case LikeItem::Literal:
            return item.ch == c;
        case LikeItem::One:
            return true;
        case LikeItem::Set: {
            bool in = false;
            for (const auto& [from, to] : item.ranges)
                in = in || (c >= from && c <= to);
            return in != item.negated;
        }
        case LikeItem::Any:
            break;
    }
    return false;
}

bool matchItems(const QList<LikeItem>& items, const QString& value) {
    // Greedy walk with one backtrack point per '%': linear for the usual patterns.
    qsizetype p = 0, v = 0, starP = -1, starV = 0;
    while (v < value.size()) {
        if (p < items.size() && items[p].kind == LikeItem::Any) {
            starP = p++;
            starV = v;
        } else if (p < items.size() && itemMatches(items[p], folded(value[v]))) {
            ++p;
            ++v;
        } else if (starP >= 0) {
            p = starP + 1;
            v = ++starV;
        } else {
            return false;
        }
    }
    while (p < items.size() && items[p].kind == LikeItem::Any)
        ++p;
    return p == items.size();
}

// tsql_like(pattern, value[, escape]): null when an argument is null. A pattern without a
// bracket class is SQLite's own LIKE; the compiled bracket pattern is kept for the rows of a
// statement.
void fnLike(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    }
    QChar escape;
    if (argc > 2) {
        const QString e = argText(argv[2]);
        if (e.size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE 只能是一个字符", -1);
            return;
        }
        escape = e[0];
    }
    const auto* pattern = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    if (!std::strchr(pattern, '[')) {
        const auto* value = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
        sqlite3_result_int(ctx, sqlite3_strlike(pattern, value, escape.unicode()) == 0 ? 1 : 0);
        return;
    }
    using Compiled = std::optional<QList<LikeItem>>;  // empty: a pattern that matches nothing
    auto* compiled = static_cast<Compiled*>(sqlite3_get_auxdata(ctx, 0));
    Compiled local;
    if (!compiled) {
        QList<LikeItem> items;
        if (compileLike(argText(argv[0]), escape, &items))
            local = std::move(items);
        // Kept only without an escape argument, whose value may change from row to row.
        if (argc == 2) {
            sqlite3_set_auxdata(ctx, 0, new Compiled(local),
                                [](void* p) { delete static_cast<Compiled*>(p); });
        }
        compiled = &local;
    }
    sqlite3_result_int(ctx, *compiled && matchItems(**compiled, argText(argv[1])) ? 1 : 0);
}

// UTF-8 text without its trailing blanks, compared as SQLite's NOCASE compares.
int collateText(void*, int n1, const void* a, int n2, const void* b) {
    const auto* x = static_cast<const char*>(a);
    const auto* y = static_cast<const char*>(b);
    while (n1 > 0 && x[n1 - 1] == ' ')
        --n1;
    while (n2 > 0 && y[n2 - 1] == ' ')
        --n2;
    const int c = sqlite3_strnicmp(x, y, std::min(n1, n2));
    return c != 0 ? c : n1 - n2;
}

using Fn = void (*)(sqlite3_context*, int, sqlite3_value**);

void create(sqlite3* db, const char* name, int nArg, Fn fn, bool deterministic,
            void* data = nullptr, void (*destroy)(void*) = nullptr) {
    const int flags = SQLITE_UTF8 | (deterministic ? SQLITE_DETERMINISTIC : 0);
    const int rc =
        sqlite3_create_function_v2(db, name, nArg, flags, data, fn, nullptr, nullptr, destroy);
    if (rc != SQLITE_OK)
        throw DytError(QStringLiteral("注册函数 %1 失败：%2")
                           .arg(QLatin1String(name), QString::fromUtf8(sqlite3_errmsg(db))));
}

}  // namespace

bool likeMatches(const QString& pattern, const QString& value, QChar escape) {
    QList<LikeItem> items;
    return compileLike(pattern, escape, &items) && matchItems(items, value);
}

int compareText(const QString& a, const QString& b) {
    const QByteArray x = a.toUtf8();
    const QByteArray y = b.toUtf8();
    return collateText(nullptr, static_cast<int>(x.size()), x.constData(),
                       static_cast<int>(y.size()), y.constData());
}

void registerFunctions(sqlite3* db, const FunctionOptions& options) {
    if (!db)
        throw DytError(QStringLiteral("客户端的SQL语句暂不能在 PostgreSQL 账套上执行"));
    if (sqlite3_create_collation_v2(db, "TSQL", SQLITE_UTF8, nullptr, collateText, nullptr) !=
        SQLITE_OK) {
        throw DytError(QStringLiteral("注册排序规则 TSQL 失败：%1")
                           .arg(QString::fromUtf8(sqlite3_errmsg(db))));
    }
    create(db, "tsql_like", 2, fnLike, true);
    create(db, "tsql_like", 3, fnLike, true);
    create(db, "dyt_add", 2, fnAdd, true);
    create(db, "dyt_datetime", 1, fnDatetime, true);
    create(db, "dyt_dateadd", 3, fnDateAdd, true);
    create(db, "dyt_datediff", 3, fnDateDiff, true);
    create(db, "dyt_datepart", 2, fnDatePart, true);
    auto* holder = new ClockHolder{options.clock};
    // deterministic: evaluated once per statement, as getdate() is on SQL Server
    create(db, "dyt_getdate", 0, fnGetDate, true, holder,
           [](void* p) { delete static_cast<ClockHolder*>(p); });

    create(db, "fnGetSysData", 2, fnGetSysData, false);
    create(db, "fnGetFirstDayOfMonth", 2, fnFirstDayOfMonth, true);
    create(db, "fnGetLastDayOfMonth", 2, fnLastDayOfMonth, true);
    create(db, "fnGetPurview", 2, fnGetPurview, false);
    create(db, "fnGetInterfaceKMID", 1, fnGetInterfaceKMID, false);
    create(db, "fnGetBaseAutoCode", 2, fnGetBaseAutoCode, false);
    create(db, "fnGetBaseDQFullName", 1, fnGetBaseDQFullName, false);
    create(db, "fnGetStockQty", 3, fnGetStockQty, false);
    create(db, "fnGetBaseGoodsFZQty", 4, fnGetBaseGoodsFZQty, false);
    create(db, "fnGetCostPrice", 3, fnGetCostPrice, false);
    create(db, "fnGetWldwTotal00", 2, fnGetWldwTotal00, false);
    create(db, "fnGetGoodsPrice", 6, fnGetGoodsPrice, false);
    create(db, "fnGetCostTotal", 3, fnGetCostTotal, false);
    create(db, "fnGetCostTotalOther", 4, fnGetCostTotalOther, false);
    create(db, "fnGetKYQty", 2, fnGetKYQty, false);
    create(db, "fnGetXNKCQty", 2, fnGetXNKCQty, false);
}

}  // namespace dyt::server::tsql
