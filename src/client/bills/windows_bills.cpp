// The window classes of the bills.
#include "client/bills/frmbillskd.h"
#include "client/common/windowregistry.h"

namespace dyt::client {

void registerBillWindows() {
    registerWindowClass(QStringLiteral("TfrmBillSKD"),
                        [](QWidget* owner) { return new TfrmBillSKD(21, owner); });
    registerWindowClass(QStringLiteral("TfrmBillFKD"),
                        [](QWidget* owner) { return new TfrmBillSKD(22, owner); });
}

}  // namespace dyt::client
