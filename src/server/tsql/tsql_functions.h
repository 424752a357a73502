#pragma once
// SQL functions of an account-set connection: the helpers that translated texts call
// (dyt_add, dyt_datetime, dyt_getdate, dyt_dateadd, dyt_datediff, dyt_datepart) and the server
// functions the client's texts name with dbo. (fnGetSysData, fnGetPurview, ...).

#include <QDateTime>
#include <QString>

#include <functional>

struct sqlite3;

namespace dyt::server::tsql {

struct FunctionOptions {
    // Local time for getdate(); empty means the system clock.
    std::function<QDateTime()> clock;
};

// Registers every function on the connection. Throws DytError when SQLite refuses one.
void registerFunctions(sqlite3* db, const FunctionOptions& options = {});

// SQL Server's LIKE: % any run, _ one character, [abc] [a-f] one of a set, [^abc] one outside
// it, the escape character (when not null) taking the next pattern character as it is; ASCII
// letters compared without regard to case. A '[' without its ']' matches nothing.
bool likeMatches(const QString& pattern, const QString& value, QChar escape = QChar());

// The collation of text comparisons ("TSQL"): ASCII letters without regard to case (as SQLite's
// NOCASE), trailing blanks ignored, as SQL Server compares varchar values. Negative, 0 or
// positive.
int compareText(const QString& a, const QString& b);

// Date helpers with SQL Server's meaning, shared with the tests.
// Parses a date value ("yyyy-mm-dd", "yyyy-mm-dd hh:mm[:ss[.zzz]]", "yyyy/mm/dd", "yyyymmdd",
// or a number of days after 1900-01-01); an empty text is 1900-01-01. Invalid: null QDateTime.
QDateTime parseDateValue(const QString& text);
QDateTime dateFromDays(double days);
QString formatDateValue(const QDateTime& value);  // "yyyy-MM-dd hh:mm:ss"
// unit: canonical names year, quarter, month, dayofyear, day, week, weekday, hour, minute, second
QDateTime dateAdd(const QString& unit, qint64 amount, const QDateTime& value);  // null on bad unit
qint64 dateDiff(const QString& unit, const QDateTime& from, const QDateTime& to);  // boundaries
int datePart(const QString& unit, const QDateTime& value);

// Next code after the given one: the trailing run of digits incremented and zero-padded to its
// width; "1" appended when the text has no trailing digits.
QString incrementCode(const QString& code);

}  // namespace dyt::server::tsql
