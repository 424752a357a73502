#include "common/codes.h"

#include "common/error.h"

namespace dyt {
namespace {

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

[[noreturn]] void conversionFailed() {
    throw DytError(QStringLiteral("数字转换失败，可能是数字位数太长"));
}

}  // namespace

QString IncrementNumber(const QString& digits) {
    if (digits.isEmpty()) {
        conversionFailed();
    }
    quint64 value = 0;
    for (const QChar c : digits) {
        if (!isAsciiDigit(c)) {
            conversionFailed();
        }
        const quint64 d = c.unicode() - u'0';
        if (value > (static_cast<quint64>(kIncrementNumberMax) - d) / 10) {
            conversionFailed();
        }
        value = value * 10 + d;
    }
    const QString next = QString::number(value + 1);
    if (next.size() >= digits.size()) {
        return next;
    }
    return QString(digits.size() - next.size(), QLatin1Char('0')) + next;
}

QString IncrementCode(const QString& code) {
    qsizetype start = code.size();
    while (start > 0 && isAsciiDigit(code.at(start - 1))) {
        --start;
    }
    if (start == code.size()) {
        return code + QLatin1Char('1');
    }
    return code.left(start) + IncrementNumber(code.mid(start));
}

}  // namespace dyt
