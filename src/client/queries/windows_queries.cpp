// The window classes of the query windows.
#include "client/common/windowregistry.h"

namespace dyt::client {

void registerQueryWindows() {}

}  // namespace dyt::client
