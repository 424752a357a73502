#include "client/logic/gridvalues.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>

#include <algorithm>

#include "common/currency.h"
#include "common/formatting.h"
#include "common/rounding.h"

namespace dyt::gridfilter {

std::optional<double> cellNumber(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    switch (value.metaType().id()) {
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            return value.toDouble();
        case QMetaType::Bool:
            return value.toBool() ? 1.0 : 0.0;
        default:
            break;
    }
    if (value.metaType().id() == qMetaTypeId<Currency>())
        return value.value<Currency>().toDouble();
    if (value.metaType().id() != QMetaType::QString)
        return std::nullopt;
    QString text = value.toString().trimmed();
    text.remove(u',');
    bool ok = false;
    const double d = text.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return d;
}

QString CellText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    const int id = value.metaType().id();
    if (id == QMetaType::QString)
        return value.toString();
    if (id == qMetaTypeId<Currency>())
        return value.value<Currency>().toString();
    if (id == QMetaType::Double || id == QMetaType::Float)
        return floatToStr(value.toDouble());
    if (id == QMetaType::QDate)
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    if (id == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (id == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (id == QMetaType::QByteArray)
        return {};
    return value.toString();
}

QString flagText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    const std::optional<double> n = cellNumber(value);
    if (!n)
        return value.toString();
    return *n != 0 ? QStringLiteral("是") : QStringLiteral("否");
}

int displayPlaces(const QString& displayPattern, double value, int fallback) {
    if (displayPattern.isEmpty())
        return fallback;
    const QStringList sections = displayPattern.split(u';');
    QString section = sections.value(0);
    if (value < 0 && sections.size() > 1 && !sections[1].isEmpty())
        section = sections[1];
    const qsizetype dot = section.indexOf(u'.');
    if (dot < 0)
        return 0;
    int places = 0;
    for (qsizetype i = dot + 1; i < section.size(); ++i) {
        if (section[i] == u'0' || section[i] == u'#')
            ++places;
    }
    return std::min(places, 15);
}

double displayedNumber(const QString& displayPattern, double value, int fallback) {
    return roundTo(value, displayPlaces(displayPattern, value, fallback));
}

}  // namespace dyt::gridfilter
