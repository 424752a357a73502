// The window classes of the system administration.
#include "client/common/windowregistry.h"
#include "client/system/frmbillnoset.h"
#include "client/system/frmsyscygn.h"

namespace dyt::client {

void registerSystemWindows() {
    registerWindowClass(QStringLiteral("TfrmsysCYGN"),
                        [](QWidget* owner) -> QWidget* { return new TfrmsysCYGN(owner); });
    registerWindowClass(QStringLiteral("TfrmBillNoSet"),
                        [](QWidget* owner) -> QWidget* { return new TfrmBillNoSet(owner); });
}

}  // namespace dyt::client
