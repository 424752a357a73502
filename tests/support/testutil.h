#pragma once
// Helpers shared by the test executables.

#include <QString>

namespace dyt::test {

// Path of a file under tests/data.
QString dataPath(const QString& relative);

}  // namespace dyt::test
