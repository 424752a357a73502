// The window classes of the shell.
#include "client/common/windowregistry.h"

namespace dyt::client {

void registerShellWindows() {}

void registerAllWindows() {
    static bool done = false;
    if (done)
        return;
    done = true;
    registerShellWindows();
    registerBaseWindows();
    registerBillWindows();
    registerQueryWindows();
    registerSystemWindows();
}

}  // namespace dyt::client
