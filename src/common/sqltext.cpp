#include "common/sqltext.h"

namespace dyt {

QString sqlQuoted(const QString& text) {
    QString inner = text;
    inner.replace(u'\'', QStringLiteral("''"));
    return u'\'' + inner + u'\'';
}

}  // namespace dyt
