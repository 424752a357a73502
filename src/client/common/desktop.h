#pragma once
// Opening a document through the desktop: the one call of the client that needs the desktop
// services of the system.

#include <QString>

#include "client/logic/platform.h"

namespace dyt::client::platform {

// Opens a document with the program the system associates with it; false when it cannot.
bool openDocument(const QString& path);

}  // namespace dyt::client::platform
