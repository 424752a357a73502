#include "common/rounding.h"

#include "common/error.h"
#include "common/floatdecimal.h"

#include <cmath>
#include <cstdlib>

namespace dyt {

double roundTo(double value, int places) {
    if (places < 0 || places > 15) {
        throw DytError(QStringLiteral("小数位数必须在0到15之间：%1").arg(places));
    }
    if (!std::isfinite(value))
        return value;
    detail::FloatDecimal d = detail::toDecimal(value);
    detail::roundDecimal(d, places);
    return detail::decimalToDouble(d);
}

Currency roundTo(Currency value, int places) {
    if (places < 0) {
        throw DytError(QStringLiteral("小数位数不能为负数：%1").arg(places));
    }
    if (places >= 4)
        return value;
    std::int64_t unit = 1;
    for (int i = places; i < 4; ++i)
        unit *= 10;
    std::int64_t raw = value.raw();
    std::int64_t rest = raw % unit;  // same sign as raw
    std::int64_t base = raw - rest;
    if (rest != 0 && std::llabs(rest) * 2 >= unit) {
        // Rounding away from zero cannot overflow: |base| + unit stays below the int64 limit
        // unless raw itself was within one unit of it.
        std::int64_t step = raw < 0 ? -unit : unit;
        std::int64_t result = 0;
        if (__builtin_add_overflow(base, step, &result)) {
            throw DytError(QStringLiteral("数值超出范围"));
        }
        return Currency::fromRaw(result);
    }
    return Currency::fromRaw(base);
}

double roundToPattern(double value, const QString& settingsPattern) {
    int places = 0;
    const qsizetype dot = settingsPattern.indexOf(u'.');
    if (dot >= 0) {
        for (qsizetype i = dot + 1; i < settingsPattern.size(); ++i) {
            if (settingsPattern[i] == u'0' || settingsPattern[i] == u'#')
                ++places;
        }
    }
    return roundTo(value, places);
}

QString decimalPattern(int places) {
    static const QString full = QStringLiteral("0.0000000000");
    if (places < 0)
        places = 0;
    if (places > kMaxPatternDecimals)
        places = kMaxPatternDecimals;
    return full.left(places + 2);
}

}  // namespace dyt
