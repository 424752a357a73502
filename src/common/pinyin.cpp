#include "common/pinyin.h"

#include "common/pinyin_table.h"

#include <algorithm>

namespace dyt {
namespace {

// Appends the letter that a code point contributes, if any.
inline void appendInitial(char32_t cp, QString& out) {
    if (cp < 0x80) {
        const auto c = static_cast<char>(cp);
        if (c >= 'a' && c <= 'z') {
            out.append(QLatin1Char(static_cast<char>(c - 'a' + 'A')));
        } else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            out.append(QLatin1Char(c));
        }
        return;
    }
    if (const char letter = pinYinInitial(cp)) {
        out.append(QLatin1Char(letter));
    }
}

// Walks the code points of the text until maxLength letters were produced (-1: no limit).
QString initials(QStringView text, qsizetype maxLength) {
    QString out;
    out.reserve(maxLength < 0 ? text.size() : std::min(text.size(), maxLength));
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (maxLength >= 0 && out.size() >= maxLength) {
            break;
        }
        char32_t cp = text[i].unicode();
        if (QChar::isHighSurrogate(cp) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        appendInitial(cp, out);
    }
    return out;
}

}  // namespace

char pinYinInitial(char32_t codePoint) {
    using namespace pinyin_table;
    if (codePoint >= kFirst && codePoint <= kLast) {
        const char c = kInitials[codePoint - kFirst];
        return c == '-' ? '\0' : c;
    }
    if (codePoint > 0xFFFF) {
        return '\0';
    }
    const Extra* begin = kExtras;
    const Extra* end = kExtras + kExtraCount;
    const Extra* it = std::lower_bound(
        begin, end, codePoint, [](const Extra& e, char32_t cp) { return e.codePoint < cp; });
    return it != end && it->codePoint == codePoint ? it->initial : '\0';
}

QString pinYinInitials(QStringView text) {
    return initials(text, -1);
}

QString GetPinYinLeader(const QString& text) {
    return initials(text, kPinYinLeaderMaxBytes);
}

}  // namespace dyt
