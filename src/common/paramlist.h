#pragma once
// The parameter list: an ordered list of text lines "name=value" in which stored-procedure and
// service parameters travel both ways, and in which the login request and the server's name=value
// answers are written.
//
// - Names are compared without regard to case; only the first "=" of a line splits it, so a value
//   may contain "=". A line without "=" (the login request starts with the account-set names) has
//   no name: it is kept and sent as it is, and no name lookup ever finds it.
// - setValue replaces the value of the first line with that name, or appends a line. An empty
//   value keeps the line ("name="); remove() takes lines away.
// - The text form puts CR LF between lines. setText accepts CR LF, LF and a lone CR as line
//   breaks; one line break at the very end does not start another line.
// - No line can hold a line break: it would split the line in two on the way. Every call that
//   would store a CR or LF inside a line (setValue, setLine, appendLine, insertLine) throws
//   DytError and leaves the list unchanged; so does an empty name or a name holding "=".
// - A text that may hold line breaks (a multi-line remark) travels escaped: encodeLineBreaks
//   writes "\\" for a backslash, "\r" for CR and "\n" for LF, and decodeLineBreaks reads that
//   back. Sender and receiver agree per value: the bill service decodes the remarks "comment" and
//   "summery" of a bill; TdmMain escapes a field of a one-row answer that holds a line break when
//   it copies it into the list.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace dyt {

class ParamList {
public:
    ParamList() = default;
    // The list of the given text form (see setText).
    explicit ParamList(const QString& text);

    // --- whole list ---
    QString text() const;
    void setText(const QString& text);
    void clear() {
        lines_.clear();
        invalidateNames();
    }
    qsizetype count() const { return lines_.size(); }
    bool isEmpty() const { return lines_.isEmpty(); }
    const QStringList& lines() const { return lines_; }
    bool operator==(const ParamList& other) const { return lines_ == other.lines_; }

    // --- by name ---
    // Index of the first line with that name, or -1.
    qsizetype indexOfName(const QString& name) const;
    bool contains(const QString& name) const { return indexOfName(name) >= 0; }
    // The value of the first line with that name; defaultValue when there is none.
    QString value(const QString& name, const QString& defaultValue = QString()) const;
    // Replaces the value of the first line with that name, or appends "name=value".
    void setValue(const QString& name, const QString& value);
    void setInt(const QString& name, qint64 value);
    // Written with "." and as many digits as needed to read the same double back.
    void setDouble(const QString& name, double value);
    // The value read as an integer (surrounding blanks allowed); defaultValue when the line is
    // missing or its value is no integer.
    qint64 intValue(const QString& name, qint64 defaultValue = 0) const;
    // The value read as a number with "." as decimal point; defaultValue as for intValue.
    double doubleValue(const QString& name, double defaultValue = 0.0) const;
    // Removes every line with that name; returns how many were removed.
    qsizetype remove(const QString& name);
    // The names of the lines that have one, in line order (a repeated name appears repeatedly).
    QStringList names() const;

    // --- by line index (0-based; an index out of range throws DytError) ---
    QString line(qsizetype index) const;
    void setLine(qsizetype index, const QString& line);
    void appendLine(const QString& line);
    void insertLine(qsizetype index, const QString& line);
    void removeAt(qsizetype index);
    // Name and value of a line: the text before and after the first "="; a line without "="
    // has an empty name and the whole line as value.
    QString nameAt(qsizetype index) const;
    QString valueAt(qsizetype index) const;

private:
    void checkIndex(qsizetype index, qsizetype size) const;
    void invalidateNames() const {
        names_.clear();
        namedLines_ = 0;
    }

    QStringList lines_;
    // First line of each case-folded name, for long lists; covers the first namedLines_ lines
    // (lines are mostly appended) and is dropped when lines move or change their names.
    mutable QHash<QString, qsizetype> names_;
    mutable qsizetype namedLines_ = 0;
};

// The escape for values with line breaks (see above).
QString encodeLineBreaks(const QString& value);
QString decodeLineBreaks(const QString& value);

}  // namespace dyt
