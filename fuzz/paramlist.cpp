// Parameter lists from any text: parse, look up, change and write back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/error.h"
#include "common/paramlist.h"

using namespace dyt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ParamList list(text);
    // The text form reads back to the same list (a last empty line is the final line break).
    if (ParamList(list.text()) != list && !list.lines().last().isEmpty())
        std::abort();
    // Every look-up walks the list: the first lines are enough to keep the runs fast.
    const QStringList names = list.names().mid(0, 32);
    for (qsizetype i = 0; i < std::min<qsizetype>(list.count(), 32); ++i) {
        const QString name = list.nameAt(i);
        if (!name.isEmpty() && list.indexOfName(name) > i)
            std::abort();
        list.value(name);
        list.intValue(name, -1);
        list.doubleValue(name, -1.0);
    }
    // Values taken from the text as read, escaped so that they may hold line breaks.
    const ParamList read = list;
    for (const QString& name : names) {
        const QString plain = read.value(name) + QStringLiteral("\r\n");
        const QString value = encodeLineBreaks(plain);
        list.setValue(name, value);
        if (list.value(name) != value || decodeLineBreaks(value) != plain)
            std::abort();
    }
    try {
        list.setLine(0, text);
        list.insertLine(list.count(), text);
    } catch (const DytError&) {
    }
    for (const QString& name : names) {
        list.remove(name);
        if (list.contains(name))
            std::abort();
    }
    list.text();
    return 0;
}
