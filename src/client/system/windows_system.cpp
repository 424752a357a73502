// The window classes of the system administration.
#include "client/common/windowregistry.h"

namespace dyt::client {

void registerSystemWindows() {}

}  // namespace dyt::client
