#include "common/inifile.h"

#include <utility>

#include "common/error.h"
#include "common/gbk.h"

#include <QFile>
#include <QSaveFile>

#include <limits>

namespace dyt {
namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QString trimBlanks(const QString& s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return b == 0 && e == s.size() ? s : s.mid(b, e - b);
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool hasLineBreak(const QString& s) {
    return s.contains(u'\r') || s.contains(u'\n');
}

// Splits at LF, drops a CR before it and the empty piece after a final line end.
template <typename Text, typename Char>
QList<Text> splitLines(const Text& text, Char lf, Char cr) {
    QList<Text> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(lf, start);
        if (end < 0)
            end = text.size();
        qsizetype stop = end;
        if (stop > start && text.at(stop - 1) == cr)
            --stop;
        lines.append(text.mid(start, stop - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

IniFile::IniFile() = default;

IniFile::IniFile(const QString& fileName) : fileName_(fileName), writeThrough_(true) {
    loadFile();
}

IniFile IniFile::fromText(const QString& text) {
    IniFile ini;
    ini.parseText(text);
    return ini;
}

void IniFile::setText(const QString& text) {
    QList<Line> before = std::move(lines_);
    parseText(text);
    reencode_ = false;
    undecodable_ = false;
    commitChange(std::move(before));
}

QString IniFile::toText() const {
    QString out;
    qsizetype size = 0;
    for (const Line& l : lines_)
        size += l.text.size() + 2;
    out.reserve(size);
    for (const Line& l : lines_) {
        out += l.text;
        out += QStringLiteral("\r\n");
    }
    return out;
}

IniFile::Line IniFile::parseLine(const QString& text) {
    Line line;
    line.text = text;
    const QString t = trimBlanks(text);
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']');
        if (close > 0) {
            line.kind = Line::Kind::Section;
            line.name = trimBlanks(t.mid(1, close - 1));
        }
        return line;
    }
    if (t.startsWith(u';'))
        return line;
    const qsizetype eq = t.indexOf(u'=');
    if (eq <= 0)
        return line;
    QString key = trimBlanks(t.left(eq));
    if (key.isEmpty())
        return line;
    QString value = trimBlanks(t.mid(eq + 1));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        value = value.mid(1, value.size() - 2);
    }
    line.kind = Line::Kind::Key;
    line.name = std::move(key);
    line.value = std::move(value);
    return line;
}

void IniFile::parseText(const QString& text) {
    lines_.clear();
    const QList<QString> pieces = splitLines(text, u'\n', u'\r');
    lines_.reserve(pieces.size());
    for (const QString& piece : pieces)
        lines_.append(parseLine(piece));
}

void IniFile::loadFile() {
    lines_.clear();
    undecodable_ = false;
    reencode_ = false;
    QFile file(fileName_);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        throw DytError(
            QStringLiteral("配置文件“%1”无法读取：%2").arg(fileName_, file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw DytError(
            QStringLiteral("配置文件“%1”无法读取：%2").arg(fileName_, file.errorString()));
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        parseText(QString::fromUtf8(bytes.mid(3)));
        reencode_ = true;
        return;
    }
    if (bytes.startsWith("\xFF\xFE")) {
        const QByteArray body = bytes.mid(2);
        parseText(QString::fromUtf16(reinterpret_cast<const char16_t*>(body.constData()),
                                     body.size() / 2));
        reencode_ = true;
        return;
    }
    const QList<QByteArray> pieces = splitLines(bytes, '\n', '\r');
    lines_.reserve(pieces.size());
    for (const QByteArray& piece : pieces) {
        bool ok = true;
        Line line = parseLine(gbk::decode(piece, &ok));
        if (!ok)
            undecodable_ = true;
        line.raw = piece;
        line.hasRaw = true;
        lines_.append(std::move(line));
    }
}

void IniFile::reload() {
    if (fileName_.isEmpty())
        return;
    loadFile();
}

QByteArray IniFile::encodeAll() const {
    QByteArray out;
    for (const Line& l : lines_) {
        if (l.hasRaw && !reencode_) {
            out += l.raw;
        } else {
            bool ok = true;
            QByteArray bytes = gbk::encode(l.text, &ok);
            if (!ok) {
                throw DytError(
                    QStringLiteral("“%1”中含有GBK编码无法表示的字符，不能写入配置文件“%2”")
                        .arg(l.text, fileName_));
            }
            out += bytes;
        }
        out += "\r\n";
    }
    return out;
}

void IniFile::writeFile(const QString& fileName) const {
    const QByteArray bytes = encodeAll();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw DytError(QStringLiteral("配置文件“%1”无法写入：%2").arg(fileName, reason));
    }
}

void IniFile::save() {
    if (fileName_.isEmpty()) {
        throw DytError(QStringLiteral("配置文件没有文件名，不能保存"));
    }
    writeFile(fileName_);
    // What is on disk now matches the texts.
    for (Line& l : lines_) {
        if (!l.hasRaw || reencode_) {
            l.raw = gbk::encode(l.text);
            l.hasRaw = true;
        }
    }
    reencode_ = false;
}

void IniFile::saveAs(const QString& fileName) {
    const QString previous = fileName_;
    fileName_ = fileName;
    try {
        save();
    } catch (...) {
        fileName_ = previous;
        throw;
    }
}

void IniFile::commitChange(const std::function<void()>& undo) {
    if (!writeThrough_ || fileName_.isEmpty())
        return;
    try {
        save();
    } catch (...) {
        undo();
        throw;
    }
}

void IniFile::commitChange(QList<Line>&& before) {
    if (!writeThrough_ || fileName_.isEmpty())
        return;
    try {
        save();
    } catch (...) {
        lines_ = std::move(before);
        throw;
    }
}

void IniFile::checkGbk(const QString& text) const {
    if (fileName_.isEmpty() || gbk::isEncodable(text))
        return;
    throw DytError(QStringLiteral("“%1”中含有GBK编码无法表示的字符，不能写入配置文件“%2”")
                       .arg(text, fileName_));
}

qsizetype IniFile::findSection(const QString& section) const {
    const QString name = trimBlanks(section);
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Line::Kind::Section && sameName(lines_[i].name, name))
            return i;
    }
    return -1;
}

qsizetype IniFile::sectionEnd(qsizetype index) const {
    qsizetype i = index + 1;
    while (i < lines_.size() && lines_[i].kind != Line::Kind::Section)
        ++i;
    return i;
}

qsizetype IniFile::findKey(qsizetype sectionIndex, const QString& key) const {
    const QString name = trimBlanks(key);
    const qsizetype end = sectionEnd(sectionIndex);
    for (qsizetype i = sectionIndex + 1; i < end; ++i) {
        if (lines_[i].kind == Line::Kind::Key && sameName(lines_[i].name, name))
            return i;
    }
    return -1;
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    const qsizetype s = findSection(section);
    if (s < 0)
        return defaultValue;
    const qsizetype k = findKey(s, key);
    return k < 0 ? defaultValue : lines_[k].value;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const {
    const QString text = readString(section, key);
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' &&
               (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return defaultValue;
    long long v = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        int digit;
        if (c >= u'0' && c <= u'9') {
            digit = c - u'0';
        } else if (base == 16 && c >= u'a' && c <= u'f') {
            digit = c - u'a' + 10;
        } else if (base == 16 && c >= u'A' && c <= u'F') {
            digit = c - u'A' + 10;
        } else {
            return defaultValue;
        }
        v = v * base + digit;
        if (v > 0xFFFFFFFFLL)
            return defaultValue;
    }
    if (base == 16) {
        // Hexadecimal texts name the 32 bits: $FFFFFFFF is -1, -$80000000 the lowest value.
        const auto bits = static_cast<std::uint32_t>(negative ? -v : v);
        return static_cast<std::int32_t>(bits);
    }
    if (negative)
        v = -v;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) {
        return defaultValue;
    }
    return static_cast<int>(v);
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::sectionExists(const QString& section) const {
    return findSection(section) >= 0;
}

bool IniFile::valueExists(const QString& section, const QString& key) const {
    const qsizetype s = findSection(section);
    return s >= 0 && findKey(s, key) >= 0;
}

QStringList IniFile::readSections() const {
    QStringList names;
    for (const Line& l : lines_) {
        if (l.kind != Line::Kind::Section)
            continue;
        if (!names.contains(l.name, Qt::CaseInsensitive))
            names.append(l.name);
    }
    return names;
}

QStringList IniFile::readSection(const QString& section) const {
    QStringList keys;
    const qsizetype s = findSection(section);
    if (s < 0)
        return keys;
    const qsizetype end = sectionEnd(s);
    for (qsizetype i = s + 1; i < end; ++i) {
        if (lines_[i].kind == Line::Kind::Key &&
            !keys.contains(lines_[i].name, Qt::CaseInsensitive)) {
            keys.append(lines_[i].name);
        }
    }
    return keys;
}

QList<QPair<QString, QString>> IniFile::readSectionValues(const QString& section) const {
    QList<QPair<QString, QString>> values;
    const qsizetype s = findSection(section);
    if (s < 0)
        return values;
    const qsizetype end = sectionEnd(s);
    QStringList seen;
    for (qsizetype i = s + 1; i < end; ++i) {
        const Line& l = lines_[i];
        if (l.kind == Line::Kind::Key && !seen.contains(l.name, Qt::CaseInsensitive)) {
            seen.append(l.name);
            values.append({l.name, l.value});
        }
    }
    return values;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    const QString sectionName = trimBlanks(section);
    const QString keyName = trimBlanks(key);
    if (sectionName.isEmpty() || hasLineBreak(sectionName) || sectionName.contains(u']')) {
        throw DytError(QStringLiteral("配置节名称“%1”无效").arg(section));
    }
    if (keyName.isEmpty() || hasLineBreak(keyName) || keyName.contains(u'=') ||
        keyName.startsWith(u'[') || keyName.startsWith(u';')) {
        throw DytError(QStringLiteral("配置项名称“%1”无效").arg(key));
    }
    if (hasLineBreak(value)) {
        throw DytError(QStringLiteral("配置项“%1”的值不能含有换行符").arg(keyName));
    }
    checkGbk(sectionName);
    checkGbk(keyName);
    checkGbk(value);

    // One line changes (or two are added): a failed save takes back just that, so that a long
    // file is not copied for every value written.
    std::function<void()> undo;
    const qsizetype s = findSection(sectionName);
    if (s < 0) {
        const qsizetype count = lines_.size();
        lines_.append(parseLine(u'[' + sectionName + u']'));
        lines_.append(parseLine(keyName + u'=' + value));
        undo = [this, count] { lines_.resize(count); };
    } else {
        const qsizetype k = findKey(s, keyName);
        if (k >= 0) {
            const QString text = lines_[k].name + u'=' + value;
            if (text == lines_[k].text)
                return;
            Line old = std::exchange(lines_[k], parseLine(text));
            undo = [this, k, old = std::move(old)] { lines_[k] = old; };
        } else {
            qsizetype at = sectionEnd(s);
            while (at > s + 1 && trimBlanks(lines_[at - 1].text).isEmpty())
                --at;
            lines_.insert(at, parseLine(keyName + u'=' + value));
            undo = [this, at] { lines_.removeAt(at); };
        }
    }
    commitChange(undo);
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::deleteKey(const QString& section, const QString& key) {
    const qsizetype s = findSection(section);
    if (s < 0)
        return;
    const qsizetype k = findKey(s, key);
    if (k < 0)
        return;
    QList<Line> before = lines_;
    lines_.removeAt(k);
    commitChange(std::move(before));
}

void IniFile::eraseSection(const QString& section) {
    qsizetype s = findSection(section);
    if (s < 0)
        return;
    QList<Line> before = lines_;
    while (s >= 0) {
        lines_.remove(s, sectionEnd(s) - s);
        s = findSection(section);
    }
    commitChange(std::move(before));
}

}  // namespace dyt
