// The window classes of the base-data lists and editors.
#include "client/common/windowregistry.h"

namespace dyt::client {

void registerBaseWindows() {}

}  // namespace dyt::client
