#include "client/common/desktop.h"

#include <QDesktopServices>
#include <QUrl>

namespace dyt::client::platform {

bool openDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace dyt::client::platform
