#pragma once
// A fixed text of the client (a caption, a message, a button, a settings key): a constant that
// is read with a call, caption::hint(), and gives a QString.

#include <QString>

namespace dyt {

struct FixedText {
    const char16_t* text;
    QString operator()() const { return QString::fromUtf16(text); }
};

}  // namespace dyt
