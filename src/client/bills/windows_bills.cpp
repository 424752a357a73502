// The window classes of the bills.
#include "client/common/windowregistry.h"

namespace dyt::client {

void registerBillWindows() {}

}  // namespace dyt::client
