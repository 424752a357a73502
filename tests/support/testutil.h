#pragma once
// Helpers shared by the test executables.

#include <QString>

#include "common/error.h"

namespace dyt::test {

// Path of a file under tests/data.
QString dataPath(const QString& relative);

// The message of the DytError that f throws; an empty text when it throws none.
template <typename F>
QString errorOf(F&& f) {
    try {
        f();
    } catch (const DytError& e) {
        return e.message();
    }
    return QString();
}

}  // namespace dyt::test
