// The window classes of the system administration.
#include "client/common/windowregistry.h"
#include "client/system/frmbasepurview.h"
#include "client/system/frmbillnoset.h"
#include "client/system/frmdbbackuprestore.h"
#include "client/system/frminitover.h"
#include "client/system/frmsysconf.h"
#include "client/system/frmsyscygn.h"
#include "client/system/frmsysdatabaserepair.h"
#include "client/system/frmsysdcpz.h"
#include "client/system/frmsysdjdycssz.h"
#include "client/system/frmsysdjshjssz.h"
#include "client/system/frmsysjbxxzdpz.h"
#include "client/system/frmsysperiod.h"
#include "client/system/frmsyspurview.h"
#include "client/system/frmsysversioninfo.h"

namespace dyt::client {

void registerSystemWindows() {
    registerWindowClass(QStringLiteral("TfrmsysCYGN"),
                        [](QWidget* owner) -> QWidget* { return new TfrmsysCYGN(owner); });
    registerWindowClass(QStringLiteral("TfrmBillNoSet"),
                        [](QWidget* owner) -> QWidget* { return new TfrmBillNoSet(owner); });
    registerWindowClass(QStringLiteral("TfrmInitOver"),
                        [](QWidget* owner) -> QWidget* { return new TfrmInitOver(owner); });
    registerWindowClass(QStringLiteral("TfrmSysPeriodClose"),
                        [](QWidget* owner) -> QWidget* { return new TfrmSysPeriodClose(owner); });
    registerWindowClass(QStringLiteral("TfrmSysYearClose"),
                        [](QWidget* owner) -> QWidget* { return new TfrmSysYearClose(owner); });
    registerWindowClass(QStringLiteral("TfrmSysRestart"),
                        [](QWidget* owner) -> QWidget* { return new TfrmSysRestart(owner); });
    registerWindowClass(QStringLiteral("TfrmSysVersionInfo"),
                        [](QWidget* owner) -> QWidget* { return new TfrmSysVersionInfo(owner); });
    registerWindowClass(QStringLiteral("TfrmDbBackupRestore"),
                        [](QWidget* owner) -> QWidget* { return new TfrmDbBackupRestore(owner); });
    registerWindowClass(QStringLiteral("TfrmSysPurview"),
                        [](QWidget* owner) -> QWidget* { return new TfrmSysPurview(owner); });
    registerWindowClass(QStringLiteral("TfrmPassWordSet"),
                        [](QWidget* owner) -> QWidget* { return new TfrmPassWordSet(owner); });
    registerWindowClass(QStringLiteral("TfrmBasePurview"),
                        [](QWidget* owner) -> QWidget* { return new TfrmBasePurview(owner); });
    registerWindowClass(QStringLiteral("TfrmSysDJSHJSSZ"),
                        [](QWidget* owner) -> QWidget* { return new TfrmSysDJSHJSSZ(owner); });
    registerWindowClass(QStringLiteral("TfrmSysDJDYCSSZ"),
                        [](QWidget* owner) -> QWidget* { return new TfrmSysDJDYCSSZ(owner); });
    registerWindowClass(QStringLiteral("TfrmSysConf"),
                        [](QWidget* owner) -> QWidget* { return new TfrmSysConf(owner); });
    registerWindowClass(QStringLiteral("TfrmSysJBXXZDPZ"),
                        [](QWidget* owner) -> QWidget* { return new TfrmSysJBXXZDPZ(owner); });
    registerWindowClass(QStringLiteral("TfrmSysJBXXCWPZ"),
                        [](QWidget* owner) -> QWidget* { return new TfrmSysJBXXCWPZ(owner); });
    registerWindowClass(QStringLiteral("TfrmSysDCPZ"),
                        [](QWidget* owner) -> QWidget* { return new TfrmSysDCPZ(owner); });
    registerWindowClass(QStringLiteral("TfrmSysDatabaseRepair"), [](QWidget* owner) -> QWidget* {
        return new TfrmSysDatabaseRepair(owner);
    });
}

}  // namespace dyt::client
