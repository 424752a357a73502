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

// The base data record rights cover.
enum class RecordKind { Goods, Partner, Warehouse, Account, Employee, Department };
// The rights table of a kind (baseGoodsPurview, baseWLDWPurview, baseCKPurview, baseYHZHPurview
// over the bank accounts of baseKM, basezyPurview, basebmPurview).
QString rightsTableOf(RecordKind kind);

// The record rights of one operator for one call. They are empty when they do not apply (switch
// 2004 off, operator 1) and otherwise hold the kinds of which at least one record is refused to
// the operator, so that a call only pays for the rights that can leave something out.
class RecordRights {
public:
    RecordRights() = default;  // nothing refused
    RecordRights(Database& db, qint64 userId);

    bool refuses(RecordKind kind) const { return (refused_ & bit(kind)) != 0; }
    bool any() const { return refused_ != 0; }
    // The record whose id is in column (an SQL expression) is not refused.
    void add(Where& w, RecordKind kind, const QString& column) const;
    // The bill of the djIndex alias is one the operator may see: none of its partners (the
    // bill's and the freight's), warehouses (in and out, of the header and of every line),
    // handler, department or bank accounts (the header's, the lines' and the account rows') is
    // refused. Goods do not hide a bill; they hide its lines.
    void addBill(Where& w, const QString& bill) const;
    // The same for the bill whose id is in billId (a column of a line or ledger row).
    void addBillOf(Where& w, const QString& billId) const;

private:
    static unsigned bit(RecordKind kind) { return 1u << static_cast<unsigned>(kind); }
    qint64 userId_ = 0;
    unsigned refused_ = 0;
};

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
