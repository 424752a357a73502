#include "common/condition.h"

#include "common/error.h"

namespace dyt {
namespace {

const QChar kSemicolon = QLatin1Char(';');
const QChar kEquals = QLatin1Char('=');

bool hasLineBreak(QStringView s) {
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

void checkKey(const QString& key) {
    if (key.isEmpty() || key.contains(kSemicolon) || key.contains(kEquals) || hasLineBreak(key)) {
        throw DytError(
            QStringLiteral("条件名[%1]无效：不能为空，也不能含有分号、等号或换行符").arg(key));
    }
}

void checkValue(const QString& key, const QString& value) {
    if (hasLineBreak(value)) {
        throw DytError(QStringLiteral("条件[%1]的值不能含有换行符").arg(key));
    }
}

[[noreturn]] void malformed(const QString& text, const QString& why) {
    throw DytError(QStringLiteral("条件串格式错误（%1）：%2").arg(why, text));
}

}  // namespace

ConditionString ConditionString::parse(const QString& text) {
    ConditionString result;
    result.pairs_ = parseConditions(text);
    return result;
}

ConditionString& ConditionString::add(const QString& key, const QString& value) {
    checkKey(key);
    checkValue(key, value);
    pairs_.append({key, value});
    return *this;
}

ConditionString& ConditionString::add(const QString& key, qint64 value) {
    return add(key, QString::number(value));
}

ConditionString& ConditionString::append(const ConditionString& other) {
    pairs_.append(other.pairs_);
    return *this;
}

bool ConditionString::contains(const QString& key) const {
    for (const ConditionPair& p : pairs_) {
        if (p.key.compare(key, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

QString ConditionString::value(const QString& key, const QString& defaultValue) const {
    for (const ConditionPair& p : pairs_) {
        if (p.key.compare(key, Qt::CaseInsensitive) == 0) {
            return p.value;
        }
    }
    return defaultValue;
}

QString ConditionString::toString() const {
    QString out;
    for (const ConditionPair& p : pairs_) {
        out += kSemicolon + p.key + kEquals;
        out += QString(p.value).replace(kSemicolon, QStringLiteral(";;"));
    }
    return out;
}

QString conditionSegment(const QString& key, const QString& value) {
    return ConditionString().add(key, value).toString();
}

QList<ConditionPair> parseConditions(const QString& text) {
    QList<ConditionPair> pairs;
    if (hasLineBreak(text)) {
        malformed(text, QStringLiteral("含有换行符"));
    }
    const qsizetype n = text.size();
    if (n > 0 && text.at(0) != kSemicolon) {
        malformed(text, QStringLiteral("必须以分号开始"));
    }
    qsizetype i = 0;
    while (i < n) {
        // text[i] is the ";" that opens a segment.
        const qsizetype keyStart = i + 1;
        const qsizetype eq = text.indexOf(kEquals, keyStart);
        const qsizetype nextSemicolon = text.indexOf(kSemicolon, keyStart);
        if (eq < 0 || (nextSemicolon >= 0 && nextSemicolon < eq)) {
            malformed(text, QStringLiteral("第%1个条件缺少等号").arg(pairs.size() + 1));
        }
        if (eq == keyStart) {
            malformed(text, QStringLiteral("第%1个条件缺少名称").arg(pairs.size() + 1));
        }
        ConditionPair pair{text.mid(keyStart, eq - keyStart), QString()};
        i = eq + 1;
        while (i < n) {
            const QChar c = text.at(i);
            if (c == kSemicolon) {
                if (i + 1 < n && text.at(i + 1) == kSemicolon) {
                    pair.value += kSemicolon;
                    i += 2;
                    continue;
                }
                break;
            }
            pair.value += c;
            ++i;
        }
        pairs.append(std::move(pair));
    }
    return pairs;
}

QString conditionValue(const QString& text, const QString& key, const QString& defaultValue) {
    return ConditionString::parse(text).value(key, defaultValue);
}

QString billKindList(const QList<int>& kinds) {
    QString out = QStringLiteral(" (");
    for (int k : kinds) {
        if (k <= 0) {
            throw DytError(QStringLiteral("单据类型[%1]无效，必须大于0").arg(k));
        }
        out += QString::number(k) + QLatin1Char(',');
    }
    out += QStringLiteral("0) ");
    return out;
}

QList<int> parseBillKindList(const QString& text) {
    const auto bad = [&text]() {
        return DytError(QStringLiteral("单据类型列表格式错误：[%1]").arg(text));
    };
    const QString head = QStringLiteral(" (");
    const QString tail = QStringLiteral("0) ");
    if (text.size() < head.size() + tail.size() || !text.startsWith(head) || !text.endsWith(tail)) {
        throw bad();
    }
    QList<int> kinds;
    const qsizetype end = text.size() - tail.size();
    qsizetype i = head.size();
    while (i < end) {
        // One kind: digits 1-9 then up to 8 more digits, then ",".
        const qsizetype start = i;
        while (i < end && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9')) {
            ++i;
        }
        const qsizetype digits = i - start;
        if (digits == 0 || digits > 9 || text.at(start) == QLatin1Char('0') || i >= end ||
            text.at(i) != QLatin1Char(',')) {
            throw bad();
        }
        kinds.append(QStringView(text).mid(start, digits).toInt());
        ++i;  // the comma
    }
    return kinds;
}

}  // namespace dyt
