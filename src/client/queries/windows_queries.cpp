// The window classes of the query windows: one window class per row of the descriptor table,
// all built by the one query window.
#include "client/common/windowregistry.h"
#include "client/queries/frmquery.h"
#include "protocol/querydescriptors.h"

namespace dyt::client {

void registerQueryWindows() {
    for (const QueryDescriptor& d : queryDescriptors()) {
        const QString name = d.className;
        registerWindowClass(
            name, [name](QWidget* owner) -> QWidget* { return new TfrmQueryWindow(name, owner); });
    }
}

}  // namespace dyt::client
