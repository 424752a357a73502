#pragma once
// The pieces the server's list, bill and report procedures build their WHERE clauses from: the
// clause itself with its bound values, the ids and switches of a condition string
// (";id=5;issub=1"), the chosen record of a base tree and the LIKE pattern of a quick search.

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace dyt {
class ConditionString;
}

namespace dyt::server {

class Database;

// A WHERE clause of fixed fragments and the values bound to their "?".
struct Where {
    QStringList parts;
    QVariantList values;

    void add(const QString& sql, const QVariantList& bound = {});
    // The fragments joined by AND; "1 = 1" when there is none.
    QString text() const;
    // " WHERE " and the fragments; empty when there is none.
    QString clause() const;
};

// The id under key in a condition string; `missing` when it is missing or blank. Throws DytError
// "查询条件[key]不是有效的编号: text" when it is no whole number.
qint64 conditionId(const ConditionString& c, const QString& key, qint64 missing = 0);
// True when the condition string says key=1.
bool conditionFlag(const ConditionString& c, const QString& key);

// True when the operator's record rights apply: the account set uses them (switch 2004
// "使用基本信息授权控制") and the operator is not operator 1, who sees everything.
bool recordRightsOn(Database& db, qint64 userId);
// Leaves out the records whose id is in column and whose row in the rights table refuses them to
// the operator (isbj = 0; no row means allowed).
void addRecordRights(Where& w, const QString& rightsTable, const QString& column, qint64 userId);

// A record of a base tree chosen by a condition string; id 0 means all records.
struct RecordChoice {
    qint64 id = 0;
    bool withSubs = false;  // ";issub=1": the record and every record below it
};

// "IN (…)" over the chosen record of a base table (and, with withSubs, its sub-records); the id
// goes to values. The table name is a constant of the code, never a client text.
QString inRecords(const RecordChoice& r, const QString& table, QVariantList* values);

// The LIKE pattern (with ESCAPE '\') that finds `text` anywhere in a value: "%", "_" and "\" of
// the text stand for themselves.
QString containsPattern(const QString& text);
// The same for values that begin with `text` (the records below a category path "1,4,").
QString prefixPattern(const QString& text);

}  // namespace dyt::server
