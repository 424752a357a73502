#include "common/paramlist.h"

#include "common/error.h"

#include <QLocale>

namespace dyt {
namespace {

const QChar kEquals = QLatin1Char('=');

bool hasLineBreak(const QString& s) {
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

void checkName(const QString& name) {
    if (name.isEmpty() || name.contains(kEquals) || hasLineBreak(name)) {
        throw DytError(
            QStringLiteral("参数名[%1]无效：参数名不能为空，也不能含有等号或换行符").arg(name));
    }
}

void checkLine(const QString& line) {
    if (hasLineBreak(line)) {
        throw DytError(QStringLiteral("参数行[%1]不能含有换行符").arg(line));
    }
}

// True when the line's name (text before its first "=") equals name, case ignored.
bool lineHasName(const QString& line, const QString& name) {
    const qsizetype n = name.size();
    if (line.size() < n + 1 || line.at(n) != kEquals) {
        return false;
    }
    const QStringView head = QStringView(line).left(n);
    if (head.contains(kEquals)) {
        return false;
    }
    return head.compare(name, Qt::CaseInsensitive) == 0;
}

}  // namespace

ParamList::ParamList(const QString& text) {
    setText(text);
}

QString ParamList::text() const {
    return lines_.join(QStringLiteral("\r\n"));
}

void ParamList::setText(const QString& text) {
    QStringList result;
    const qsizetype n = text.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            result.append(text.mid(start, i - start));
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) {
                ++i;
            }
            start = i + 1;
        }
        ++i;
    }
    if (start < n) {
        result.append(text.mid(start));
    }
    lines_ = std::move(result);
    invalidateNames();
}

qsizetype ParamList::indexOfName(const QString& name) const {
    if (name.isEmpty()) {
        return -1;
    }
    constexpr qsizetype kScanned = 16;  // below this a scan is cheaper than hashing
    if (lines_.size() <= kScanned) {
        for (qsizetype i = 0; i < lines_.size(); ++i) {
            if (lineHasName(lines_.at(i), name)) {
                return i;
            }
        }
        return -1;
    }
    if (namedLines_ > lines_.size())
        invalidateNames();
    for (qsizetype i = namedLines_; i < lines_.size(); ++i) {
        const QString& l = lines_.at(i);
        const qsizetype p = l.indexOf(kEquals);
        if (p > 0) {
            const QString key = l.left(p).toCaseFolded();
            if (!names_.contains(key))
                names_.insert(key, i);
        }
    }
    namedLines_ = lines_.size();
    return names_.value(name.toCaseFolded(), -1);
}

QString ParamList::value(const QString& name, const QString& defaultValue) const {
    const qsizetype i = indexOfName(name);
    return i < 0 ? defaultValue : lines_.at(i).mid(name.size() + 1);
}

void ParamList::setValue(const QString& name, const QString& value) {
    checkName(name);
    if (hasLineBreak(value)) {
        throw DytError(
            QStringLiteral("参数[%1]的值不能含有换行符，请去掉回车或换行后再试").arg(name));
    }
    const qsizetype i = indexOfName(name);
    if (i < 0) {
        lines_.append(name + kEquals + value);
    } else {
        // Keep the name as the line spells it.
        lines_[i] = lines_.at(i).left(name.size() + 1) + value;
    }
}

void ParamList::setInt(const QString& name, qint64 value) {
    setValue(name, QString::number(value));
}

void ParamList::setDouble(const QString& name, double value) {
    setValue(name, QString::number(value, 'g', QLocale::FloatingPointShortest));
}

qint64 ParamList::intValue(const QString& name, qint64 defaultValue) const {
    const qsizetype i = indexOfName(name);
    if (i < 0) {
        return defaultValue;
    }
    bool ok = false;
    const qint64 v = QStringView(lines_.at(i)).mid(name.size() + 1).trimmed().toLongLong(&ok);
    return ok ? v : defaultValue;
}

double ParamList::doubleValue(const QString& name, double defaultValue) const {
    const qsizetype i = indexOfName(name);
    if (i < 0) {
        return defaultValue;
    }
    bool ok = false;
    const double v = QStringView(lines_.at(i)).mid(name.size() + 1).trimmed().toDouble(&ok);
    return ok ? v : defaultValue;
}

qsizetype ParamList::remove(const QString& name) {
    if (name.isEmpty()) {
        return 0;
    }
    invalidateNames();
    return lines_.removeIf([&name](const QString& l) { return lineHasName(l, name); });
}

QStringList ParamList::names() const {
    QStringList result;
    for (const QString& l : lines_) {
        const qsizetype p = l.indexOf(kEquals);
        if (p > 0) {
            result.append(l.left(p));
        }
    }
    return result;
}

void ParamList::checkIndex(qsizetype index, qsizetype size) const {
    if (index < 0 || index >= size) {
        throw DytError(
            QStringLiteral("参数行号%1超出范围（共%2行）").arg(index).arg(lines_.size()));
    }
}

QString ParamList::line(qsizetype index) const {
    checkIndex(index, lines_.size());
    return lines_.at(index);
}

void ParamList::setLine(qsizetype index, const QString& line) {
    checkIndex(index, lines_.size());
    checkLine(line);
    lines_[index] = line;
    invalidateNames();
}

void ParamList::appendLine(const QString& line) {
    checkLine(line);
    lines_.append(line);
}

void ParamList::insertLine(qsizetype index, const QString& line) {
    checkIndex(index, lines_.size() + 1);
    checkLine(line);
    lines_.insert(index, line);
    invalidateNames();
}

void ParamList::removeAt(qsizetype index) {
    checkIndex(index, lines_.size());
    lines_.removeAt(index);
    invalidateNames();
}

QString ParamList::nameAt(qsizetype index) const {
    const QString l = line(index);
    const qsizetype p = l.indexOf(kEquals);
    return p < 0 ? QString() : l.left(p);
}

QString ParamList::valueAt(qsizetype index) const {
    const QString l = line(index);
    const qsizetype p = l.indexOf(kEquals);
    return p < 0 ? l : l.mid(p + 1);
}

QString encodeLineBreaks(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else
            out += c;
    }
    return out;
}

QString decodeLineBreaks(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        if (next == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else if (next == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (next == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else
            out += QLatin1Char('\\') + QString(next);  // not an escape: kept as it is
    }
    return out;
}

}  // namespace dyt
