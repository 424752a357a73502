#pragma once
// Several values of one record compared at once: what get gives for each of the comma-separated
// names, joined by '|', so that a failure shows every value side by side.

#include <QLatin1Char>
#include <QString>
#include <QStringList>

namespace dyt::test {

template <typename Get>
QString each(const QString& names, Get&& get) {
    QStringList out;
    for (const QString& name : names.split(QLatin1Char(',')))
        out.append(get(name));
    return out.join(QLatin1Char('|'));
}

// The values of the names in a parameter list or a map of texts.
template <typename List>
QString valuesOf(const List& list, const QString& names) {
    return each(names, [&](const QString& n) { return list.value(n); });
}

// The texts of several labels, boxes or actions.
template <typename... Shown>
QString textsOf(const Shown*... shown) {
    return QStringList{shown->text()...}.join(QLatin1Char('|'));
}

}  // namespace dyt::test
