#pragma once
// name=value lines as procedures and services receive and return them (names compared without
// regard to case). Kept small and private to the server so that the shared parameter-list class
// can take its place.

#include <QString>
#include <QStringList>

namespace dyt::server {

class ParamLines {
public:
    ParamLines() = default;
    explicit ParamLines(const QString& text);

    QString text() const;  // lines joined with CR LF
    const QStringList& lines() const { return lines_; }
    bool has(const QString& name) const { return indexOf(name) >= 0; }
    QString value(const QString& name, const QString& fallback = {}) const;
    // Integer value; the fallback when absent or not a number.
    qint64 integer(const QString& name, qint64 fallback = 0) const;
    // Replaces the line of that name or appends one.
    void setValue(const QString& name, const QString& value);
    void setValue(const QString& name, qint64 value) { setValue(name, QString::number(value)); }
    // The line at a position (positional requests such as the login lines), "" when absent.
    QString line(int index) const { return index < lines_.size() ? lines_[index] : QString(); }

private:
    int indexOf(const QString& name) const;
    QStringList lines_;
};

}  // namespace dyt::server
