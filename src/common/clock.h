#pragma once
// Milliseconds of the steady clock: for deadlines and waits, never for dates.

#include <QtGlobal>

#include <chrono>

namespace dyt {

inline qint64 steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace dyt
