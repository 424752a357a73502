#pragma once
// Condition strings and bill-kind lists: the texts that query and alert windows put into the
// parameter lines wldwStr, zyStr, ckStr, bmStr, kmStr, GoodsStr and djStr. The server reads them
// with the parsers below and binds the values; it never pastes them into SQL.
//
// Condition string: a run of segments ";" key "=" value, e.g. ";czy_id=1;id=;issub=1;Other=1".
// - Keys are compared without regard to case (";issub=1" and ";isSub=1" are the same key); a key
//   may repeat (";isList=1;isList=1;par_id=5"), and lookups return the first segment.
// - Only the first "=" of a segment splits it; a value may contain "=".
// - A ";" inside a value (a quick-search text typed by the operator) is written doubled (";;")
//   and read back as one ";". Values without ";" are written exactly as they are.
// - No key or value may contain CR or LF (the string travels inside one parameter line); a key
//   must be non-empty and may not contain ";" or "=". Building or parsing anything else throws
//   DytError.
//
// Bill-kind list (djStr): " (" then each chosen bill kind followed by ",", then "0) " — kinds
// {1, 5} give " (1,5,0) ", no kind gives " (0) ". Parsing accepts exactly that shape.

#include <QList>
#include <QString>

namespace dyt {

struct ConditionPair {
    QString key;
    QString value;
    bool operator==(const ConditionPair& other) const = default;
};

class ConditionString {
public:
    ConditionString() = default;

    // Reads a condition string; an empty text has no segments. Throws DytError on anything that
    // is not a run of well-formed segments.
    static ConditionString parse(const QString& text);

    // Appends one segment; returns *this so that segments can be chained.
    ConditionString& add(const QString& key, const QString& value);
    ConditionString& add(const QString& key, qint64 value);
    // Appends all segments of another condition string.
    ConditionString& append(const ConditionString& other);

    bool isEmpty() const { return pairs_.isEmpty(); }
    const QList<ConditionPair>& pairs() const { return pairs_; }
    bool contains(const QString& key) const;
    // The value of the first segment with that key; defaultValue when there is none.
    QString value(const QString& key, const QString& defaultValue = QString()) const;

    // The text form.
    QString toString() const;

    bool operator==(const ConditionString& other) const { return pairs_ == other.pairs_; }

private:
    QList<ConditionPair> pairs_;
};

// One segment ";key=value" (";" in the value doubled); throws DytError like ConditionString::add.
QString conditionSegment(const QString& key, const QString& value);

// The segments of a condition string, in order; throws DytError when the text is malformed.
QList<ConditionPair> parseConditions(const QString& text);

// The value of the first segment with that key in a condition string; defaultValue when there is
// none. Throws DytError when the text is malformed.
QString conditionValue(const QString& text, const QString& key,
                       const QString& defaultValue = QString());

// The bill-kind list text of the given kinds, in the given order. Every kind must be above 0
// (0 closes the list); otherwise DytError.
QString billKindList(const QList<int>& kinds);

// The kinds of a bill-kind list text, without the closing 0. Throws DytError unless the text is
// exactly " (" + ("<kind>," for each kind) + "0) " with each kind a positive decimal number
// without sign, blanks or leading zeros, of at most 9 digits.
QList<int> parseBillKindList(const QString& text);

}  // namespace dyt
