// The window classes of the shell.
#include "client/common/windowregistry.h"

namespace dyt::client {

void registerShellWindows() {}

}  // namespace dyt::client
