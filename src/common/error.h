#pragma once
// The one error type of the system: it carries the message text to show to the operator.

#include <QString>

#include <stdexcept>

namespace dyt {

class DytError : public std::runtime_error {
public:
    explicit DytError(const QString& message, int code = 0)
        : std::runtime_error(message.toStdString()), message_(message), code_(code) {}
    const QString& message() const { return message_; }
    int code() const { return code_; }

private:
    QString message_;
    int code_;
};

}  // namespace dyt
