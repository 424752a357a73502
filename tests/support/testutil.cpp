#include "support/testutil.h"

namespace dyt::test {

QString dataPath(const QString& relative) {
    return QStringLiteral(DYT_TEST_DATA_DIR) + QLatin1Char('/') + relative;
}

}  // namespace dyt::test
