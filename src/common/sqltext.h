// SQL text pieces shared by the client's SQL builders and the server's dialect layer.
#pragma once

#include <QString>

namespace dyt {

// A text as an SQL string literal: inner single quotes doubled, the whole in single quotes.
QString sqlQuoted(const QString& text);

}  // namespace dyt
