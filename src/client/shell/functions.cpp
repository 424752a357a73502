#include "client/shell/functions.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>

#include "client/common/frmbase.h"
#include "client/common/syslogin.h"
#include "client/common/windowregistry.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/settings.h"
#include "client/logic/transport.h"
#include "common/paramlist.h"
#include "protocol/querydescriptors.h"
#include "client/shell/functionmenu.h"
#include "client/shell/mainwindow.h"
#include "client/shell/navigator.h"
#include "common/error.h"

namespace dyt::client {

namespace {

using K = FunctionKind;
using S = FunctionSpecial;

// The account-set option "使用基本信息授权控制" (record rights).
constexpr int kBasePurviewSwitch = 2004;

// Every function code of the system. Codes that serve several functions with one class
// (1008 to 1012, 202301 to 202304 ...) read their tag to choose their variant.
const FunctionEntry kFunctions[] = {
    {1000, K::Dialog, "TfrmbaseGZSZ", 0, S::None},
    {1001, K::Window, "TfrmBaseGoods", 0, S::None},
    {1002, K::Window, "TfrmBaseZY", 0, S::None},
    {1003, K::Window, "TfrmBaseWLDW", 0, S::None},
    {1004, K::Window, "TfrmBaseCK", 0, S::None},
    {1005, K::Window, "TfrmBaseBM", 0, S::None},
    {1006, K::Window, "TfrmBaseDiQu", 0, S::None},
    {1007, K::Window, "TfrmBaseZhaiYao", 0, S::None},
    {1008, K::Window, "TfrmBaseKM", 0, S::None},
    {1009, K::Window, "TfrmBaseKM", 0, S::None},
    {1010, K::Window, "TfrmBaseKM", 0, S::None},
    {1011, K::Window, "TfrmBaseKM", 0, S::None},
    {1012, K::Window, "TfrmBaseKM", 0, S::None},
    {1014, K::Dialog, "TfrmInitOver", 0, S::None},
    {2001, K::Window, "TfrmQYWCG", 0, S::None},
    {2002, K::Window, "TfrmQJYLC", 0, S::None},
    {2003, K::Bill, nullptr, 8, S::None},
    {2004, K::Bill, nullptr, 5, S::None},
    {2005, K::Bill, nullptr, 6, S::None},
    {2006, K::Bill, nullptr, 7, S::None},
    {2007, K::Bill, nullptr, 22, S::None},
    {2008, K::Bill, nullptr, 4, S::None},
    {2009, K::Bill, nullptr, 1, S::None},
    {2010, K::Bill, nullptr, 2, S::None},
    {2011, K::Bill, nullptr, 3, S::None},
    {2012, K::Bill, nullptr, 21, S::None},
    {2024, K::Bill, nullptr, 59, S::None},
    {2025, K::Bill, nullptr, 60, S::None},
    {2026, K::Bill, nullptr, 64, S::None},
    {2027, K::Bill, nullptr, 65, S::None},
    {3020, K::Window, "TfrmQQNJXCBDB", 0, S::None},
    {3021, K::Window, "TfrmQJYZKNB", 0, S::None},
    {3022, K::Window, "TfrmQJYZKYB", 0, S::None},
    {3023, K::Window, "TfrmQJYZKRB", 0, S::None},
    {3029, K::Window, "TfrmsysBJB", 0, S::None},
    {3030, K::Window, "TfrmQLBBB", 0, S::None},
    {4001, K::Window, "TfrmQWJGL", 0, S::None},
    {4002, K::Window, "TfrmQJGZKGZ", 0, S::None},
    {4008, K::Dialog, "TfrmBillNoSet", 0, S::None},
    {4009, K::Dialog, "TfrmSysDJDYCSSZ", 0, S::None},
    {4010, K::Dialog, "TfrmSysDJSHJSSZ", 0, S::None},
    {4014, K::Dialog, "TfrmBaseInfoInput", 0, S::None},
    {4015, K::Window, "TfrmBaseCUXiao", 0, S::None},
    {4016, K::Window, "TfrmBaseHeTong", 0, S::None},
    {4017, K::Window, "TfrmBaseJCZLBYGJ", 0, S::None},
    {4018, K::Window, "TfrmBaseXunJiaGuanLi", 0, S::None},
    {4019, K::Window, "TfrmBaseBaoJiaGuanLi", 0, S::None},
    {4301, K::Bill, nullptr, 67, S::None},
    {4302, K::Bill, nullptr, 68, S::None},
    {4303, K::Bill, nullptr, 69, S::None},
    {4304, K::Bill, nullptr, 70, S::None},
    {4305, K::Window, "TfrmQKPCX", 0, S::None},
    {4306, K::Window, "TfrmQDJKPQKCX", 0, S::None},
    {4307, K::Window, "TfrmQSPKPQKCX", 0, S::None},
    {4401, K::Bill, nullptr, 71, S::None},
    {4402, K::Window, "TfrmQZPHTCX", 0, S::None},
    {4403, K::Window, "TfrmQZPHTTJ", 0, S::None},
    {4404, K::Window, "TfrmQZPHTMXCX", 0, S::None},
    {4501, K::Bill, nullptr, 61, S::None},
    {4502, K::Bill, nullptr, 62, S::None},
    {4503, K::Bill, nullptr, 63, S::None},
    {4504, K::Window, "TfrmQPSSQCX", 0, S::None},
    {4505, K::Window, "TfrmQPSYSCX", 0, S::None},
    {4506, K::Window, "TfrmQPSSPTJ", 0, S::None},
    {5001, K::Command, nullptr, 0, S::Relogin},
    {5002, K::Command, nullptr, 0, S::ChangeLogin},
    {5003, K::Dialog, "TfrmPassWordSet", 0, S::None},
    {5005, K::Window, "TfrmDbBackupRestore", 0, S::Restore},
    {5006, K::Window, "TfrmDbBackupRestore", 0, S::Backup},
    {5007, K::Dialog, "TfrmSysPeriodClose", 0, S::PeriodClose},
    {5008, K::Dialog, "TfrmSysYearClose", 0, S::YearClose},
    {5009, K::Window, "TfrmQYJCXXB", 0, S::None},
    {5010, K::Window, "TfrmQNJCXXB", 0, S::None},
    {5011, K::Command, nullptr, 0, S::ExitWithoutBackup},
    {5012, K::Dialog, "TfrmSysVersionInfo", 0, S::None},
    {5013, K::Dialog, "TfrmsysCYGN", 0, S::CommonFunctions},
    {5014, K::Command, nullptr, 0, S::Help},
    {7002, K::Command, nullptr, 0, S::HomePage},
    {7003, K::Command, nullptr, 0, S::UpgradePage},
    {7004, K::Dialog, "TfrmSysFUWUZHICI", 0, S::None},
    {101301, K::Window, "TfrmIniGoodsStock", 0, S::None},
    {101302, K::Window, "TfrmIniYSYF", 0, S::None},
    {101303, K::Window, "TfrmIniKmData", 0, S::None},
    {101304, K::Window, "TfrmIniKmData", 0, S::None},
    {101305, K::Window, "TfrmIniKmData", 0, S::None},
    {101306, K::Window, "TfrmIniJJSP", 0, S::None},
    {101307, K::Window, "TfrmIniJCSP", 0, S::None},
    {101308, K::Window, "TfrmIniWTSP", 0, S::None},
    {101309, K::Window, "TfrmIniSTSP", 0, S::None},
    {101310, K::Window, "TfrmQCWZCFZB", 0, S::None},
    {101311, K::Window, "TfrmIniWWSP", 0, S::None},
    {201701, K::Bill, nullptr, 12, S::None},
    {201702, K::Bill, nullptr, 13, S::None},
    {201703, K::Bill, nullptr, 11, S::None},
    {201704, K::Bill, nullptr, 10, S::None},
    {201705, K::Bill, nullptr, 15, S::None},
    {201706, K::Bill, nullptr, 16, S::None},
    {201707, K::Bill, nullptr, 14, S::None},
    {201708, K::Bill, nullptr, 9, S::None},
    {201709, K::Window, "TfrmBaseShengChanMoBan", 0, S::None},
    {201801, K::Bill, nullptr, 45, S::None},
    {201802, K::Bill, nullptr, 48, S::None},
    {201803, K::Bill, nullptr, 46, S::None},
    {201804, K::Bill, nullptr, 50, S::None},
    {201805, K::Bill, nullptr, 43, S::None},
    {201806, K::Bill, nullptr, 47, S::None},
    {201807, K::Bill, nullptr, 44, S::None},
    {201808, K::Bill, nullptr, 49, S::None},
    {201901, K::Bill, nullptr, 17, S::None},
    {201902, K::Bill, nullptr, 18, S::None},
    {201903, K::Bill, nullptr, 19, S::None},
    {201904, K::Bill, nullptr, 20, S::None},
    {201908, K::Bill, nullptr, 34, S::None},
    {201909, K::Bill, nullptr, 66, S::None},
    {202001, K::Bill, nullptr, 35, S::None},
    {202002, K::Bill, nullptr, 36, S::None},
    {202003, K::Bill, nullptr, 37, S::None},
    {202004, K::Bill, nullptr, 38, S::None},
    {202005, K::Bill, nullptr, 39, S::None},
    {202006, K::Bill, nullptr, 40, S::None},
    {202101, K::Bill, nullptr, 53, S::None},
    {202102, K::Bill, nullptr, 54, S::None},
    {202103, K::Bill, nullptr, 55, S::None},
    {202201, K::Bill, nullptr, 56, S::None},
    {202202, K::Bill, nullptr, 57, S::None},
    {202203, K::Bill, nullptr, 58, S::None},
    {202301, K::Window, "TfrmSysJBXXCWPZ", 0, S::None},
    {202302, K::Window, "TfrmSysJBXXCWPZ", 0, S::None},
    {202303, K::Window, "TfrmSysJBXXCWPZ", 0, S::None},
    {202304, K::Window, "TfrmSysJBXXCWPZ", 0, S::None},
    {202305, K::Window, "TfrmSysDCPZ", 0, S::None},
    {300301, K::Window, "TfrmQSPJHTJ", 0, S::None},
    {300302, K::Window, "TfrmQDWJHTJ", 0, S::None},
    {300303, K::Window, "TfrmQSPJHTHTJ", 0, S::None},
    {300304, K::Window, "TfrmQDWJHTHTJ", 0, S::None},
    {300305, K::Window, "TfrmQDWJHFB", 0, S::None},
    {300306, K::Window, "TfrmQCKJHFB", 0, S::None},
    {300307, K::Window, "TfrmQSPJJBDB", 0, S::None},
    {300308, K::Window, "TfrmQSPJHYFX", 0, S::None},
    {300309, K::Window, "TfrmQSPZNBHJH", 0, S::None},
    {300310, K::Window, "TfrmQSPJHMXHZB", 0, S::None},
    {300311, K::Window, "TfrmQDWJHMXHZB", 0, S::None},
    {300312, K::Window, "TfrmQJHKPCX", 0, S::None},
    {300314, K::Window, "TfrmQJHDDCX", 0, S::None},
    {300315, K::Window, "TfrmQJHDDTJ", 0, S::None},
    {300316, K::Window, "TfrmQJHDDMXCX", 0, S::None},
    {300401, K::Window, "TfrmQSPXSTJ", 0, S::None},
    {300402, K::Window, "TfrmQDWXSTJ", 0, S::None},
    {300403, K::Window, "TfrmQSPXSTHTJ", 0, S::None},
    {300404, K::Window, "TfrmQDWXSTHTJ", 0, S::None},
    {300405, K::Window, "TfrmQXSYHTJ", 0, S::None},
    {300410, K::Window, "TfrmQSPXSMXHZB", 0, S::None},
    {300411, K::Window, "TfrmQDWXSMXHZB", 0, S::None},
    {300412, K::Window, "TfrmQSPXSCBB", 0, S::None},
    {300415, K::Window, "TfrmQXSKPCX", 0, S::None},
    {300417, K::Window, "TfrmQSPXSYFX", 0, S::None},
    {300419, K::Window, "TfrmQXSDDCX", 0, S::None},
    {300420, K::Window, "TfrmQXSDDTJ", 0, S::None},
    {300421, K::Window, "TfrmQXSDDMXCX", 0, S::None},
    {300422, K::Window, "TfrmQSPXSDBFX", 0, S::None},
    {300423, K::Window, "TfrmQKHXSDBFX", 0, S::None},
    {300501, K::Window, "TfrmQKCZKB", 0, S::None},
    {300502, K::Window, "TfrmQXNKCCX", 0, S::None},
    {300504, K::Window, "TfrmQKCZKFB", 0, S::None},
    {300506, K::Window, "TfrmQSPBZQCX", 0, S::None},
    {300507, K::Window, "TfrmQSPPCGZ", 0, S::None},
    {300508, K::Window, "TfrmQKCSXXBJSZ", 0, S::None},
    {300509, K::Window, "TfrmQKCSXBJ", 0, S::None},
    {300510, K::Window, "TfrmQKCXXBJ", 0, S::None},
    {300511, K::Window, "TfrmQQTCRKCYB", 0, S::None},
    {300512, K::Window, "TfrmQKCPD2", 0, S::None},
    {300515, K::Window, "TfrmQCKLSZ", 0, S::None},
    {300601, K::Window, "TfrmQDWYSYF", 0, S::None},
    {300602, K::Window, "TfrmQWLYSYF", 0, S::None},
    {300603, K::Window, "TfrmQWLYSYF", 0, S::None},
    {300604, K::Window, "TfrmQWLYSYF", 0, S::None},
    {300605, K::Window, "TfrmQWLDZ", 0, S::None},
    {300606, K::Window, "TfrmQKHWLCX", 0, S::None},
    {300607, K::Window, "TfrmQGYSWLCX", 0, S::None},
    {300608, K::Window, "TfrmQADJSCX", 0, S::None},
    {300609, K::Window, "TfrmQCQYSK", 0, S::None},
    {300610, K::Window, "TfrmQCQYFK", 0, S::None},
    {300611, K::Window, "TfrmQJSRHKTJ", 0, S::None},
    {300612, K::Window, "TfrmQZDRSKTJ", 0, S::None},
    {300613, K::Window, "TfrmQWLDWHKTJ", 0, S::None},
    {300618, K::Window, "TfrmQWLDWLRB", 0, S::None},
    {300619, K::Window, "TfrmQZYLRB", 0, S::None},
    {300620, K::Window, "TfrmQBMLRB", 0, S::None},
    {300701, K::Window, "TfrmIniKmData", 0, S::None},
    {300702, K::Window, "TfrmIniKmData", 0, S::None},
    {300703, K::Window, "TfrmIniKmData", 0, S::None},
    {300704, K::Window, "TfrmIniKmData", 0, S::None},
    {300705, K::Window, "TfrmQNDFYBB", 0, S::None},
    {300707, K::Window, "TfrmQLRB", 0, S::None},
    {300708, K::Window, "TfrmQCWZCFZB", 0, S::None},
    {300709, K::Window, "TfrmIniKmData", 0, S::None},
    {300801, K::Window, "TfrmQSTKCCX", 0, S::None},
    {300802, K::Window, "TfrmQSTJSCX", 0, S::None},
    {300803, K::Window, "TfrmQSTGYSCX", 0, S::None},
    {300804, K::Window, "TfrmQSTGYSSPCX", 0, S::None},
    {300805, K::Window, "TfrmQWTKCCX", 0, S::None},
    {300806, K::Window, "TfrmQWTJSCX", 0, S::None},
    {300807, K::Window, "TfrmQWTKHCX", 0, S::None},
    {300808, K::Window, "TfrmQWTKHSPCX", 0, S::None},
    {300809, K::Window, "TfrmQWTSPMX", 0, S::None},
    {300901, K::Window, "TfrmQJCSPCX", 0, S::None},
    {300902, K::Window, "TfrmQJJSPCX", 0, S::None},
    {300903, K::Window, "TfrmQJCDTJ", 0, S::None},
    {300904, K::Window, "TfrmQJCHHDTJ", 0, S::None},
    {300905, K::Window, "TfrmQJZXSDTJ", 0, S::None},
    {300906, K::Window, "TfrmQJJDTJ", 0, S::None},
    {300907, K::Window, "TfrmQJJHCDTJ", 0, S::None},
    {300908, K::Window, "TfrmQJZJHDTJ", 0, S::None},
    {301001, K::Window, "TfrmQWWKCCX", 0, S::None},
    {301002, K::Window, "TfrmQWWLLCX", 0, S::None},
    {301003, K::Window, "TfrmQWWWGCX", 0, S::None},
    {301501, K::Window, "TfrmQCKKCYEB", 0, S::None},
    {301502, K::Window, "TfrmQCKMXB", 0, S::None},
    {301503, K::Window, "TfrmQCKZMCYB", 0, S::None},
    {301504, K::Window, "TfrmQCKFBB", 0, S::None},
    {400701, K::Window, "TfrmBaseTCFAGL", 0, S::None},
    {400702, K::Window, "TfrmQXSTCTJ", 0, S::None},
    {400703, K::Window, "TfrmQXSTCTJ", 0, S::None},
    {401701, K::Bill, nullptr, 64, S::None},
    {401901, K::Bill, nullptr, 65, S::None},
    {500401, K::Dialog, "TfrmSysConf", 0, S::None},
    {500402, K::Dialog, "TfrmSysPurview", 0, S::None},
    {500403, K::Window, "TfrmBasePurview", 0, S::BasePurview},
    {500404, K::Dialog, "TfrmSysRestart", 0, S::Rebuild},
    {500406, K::Dialog, "TfrmSysUpgrade", 0, S::None},
    {500407, K::Dialog, "TfrmSysDatabaseRepair", 0, S::None},
    {500408, K::Window, "TfrmSysJBXXZDPZ", 0, S::None},
    {20190501, K::Bill, nullptr, 23, S::None},
    {20190502, K::Bill, nullptr, 24, S::None},
    {20190503, K::Bill, nullptr, 25, S::None},
    {20190601, K::Bill, nullptr, 26, S::None},
    {20190602, K::Bill, nullptr, 27, S::None},
    {20190701, K::Bill, nullptr, 29, S::None},
    {20190702, K::Bill, nullptr, 28, S::None},
    {20190703, K::Bill, nullptr, 30, S::None},
    {20190704, K::Bill, nullptr, 31, S::None},
    {20190705, K::Bill, nullptr, 33, S::None},
    {20190706, K::Bill, nullptr, 32, S::None},
    {30031301, K::Window, "TfrmQJHDTJ", 0, S::None},
    {30031302, K::Window, "TfrmQJHTHDTJ", 0, S::None},
    {30031303, K::Window, "TfrmQJHHHDTJ", 0, S::None},
    {30040601, K::Window, "TfrmQSPXSPHB", 0, S::None},
    {30040602, K::Window, "TfrmQKHXSPHB", 0, S::None},
    {30040603, K::Window, "TfrmQZYXSPHB", 0, S::None},
    {30040604, K::Window, "TfrmQBMXSPHB", 0, S::None},
    {30040605, K::Window, "TfrmQCKXSPHB", 0, S::None},
    {30040606, K::Window, "TfrmQDQXSPHB", 0, S::None},
    {30040701, K::Window, "TfrmQDWXSFB", 0, S::None},
    {30040702, K::Window, "TfrmQCKXSFB", 0, S::None},
    {30041801, K::Window, "TfrmQXSDTJ", 0, S::None},
    {30041802, K::Window, "TfrmQXSTHDTJ", 0, S::None},
    {30041803, K::Window, "TfrmQXSHHDTJ", 0, S::None},
    {30051401, K::Window, "TfrmQBSDTJ", 0, S::None},
    {30051402, K::Window, "TfrmQBYDTJ", 0, S::None},
    {30051403, K::Window, "TfrmQQTRKDTJ", 0, S::None},
    {30051404, K::Window, "TfrmQQTCKDTJ", 0, S::None},
    {30051405, K::Window, "TfrmQTJDBDTJ", 0, S::None},
    {30051406, K::Window, "TfrmQBJDBDTJ", 0, S::None},
    {30051407, K::Window, "TfrmQCBTJDTJ", 0, S::None},
    {30051408, K::Window, "TfrmQSPCZDTJ", 0, S::None},
    {30070601, K::Window, "TfrmQFYFBB", 0, S::None},
    {30070602, K::Window, "TfrmQFYFBB", 0, S::None},
    {30070603, K::Window, "TfrmQFYFBB", 0, S::None},
    {30070604, K::Window, "TfrmQFYFBB", 0, S::None},
    {300413, K::Building, nullptr, 0, S::None},
    {300414, K::Building, nullptr, 0, S::None},
    {300416, K::Building, nullptr, 0, S::None},
    {300418, K::Building, nullptr, 0, S::None},
    {300503, K::Building, nullptr, 0, S::None},
    {300505, K::Building, nullptr, 0, S::None},
};

}  // namespace

const std::vector<FunctionEntry>& functionTable() {
    static const std::vector<FunctionEntry> table = [] {
        std::vector<FunctionEntry> t(std::begin(kFunctions), std::end(kFunctions));
        std::sort(t.begin(), t.end(),
                  [](const FunctionEntry& a, const FunctionEntry& b) { return a.code < b.code; });
        return t;
    }();
    return table;
}

const FunctionEntry* findFunction(int code) {
    const std::vector<FunctionEntry>& t = functionTable();
    const auto it = std::lower_bound(t.begin(), t.end(), code,
                                     [](const FunctionEntry& e, int c) { return e.code < c; });
    return it != t.end() && it->code == code ? &*it : nullptr;
}

QUrl homePageUrl() {
    return QUrl(QStringLiteral("https://dyt.example.com/"));
}

QUrl upgradePageUrl() {
    return QUrl(QStringLiteral("https://dyt.example.com/upgrade/"));
}

QString functionAction(const FunctionEntry& entry) {
    const QString cls = entry.className ? QString::fromLatin1(entry.className) : QString();
    switch (entry.kind) {
        case K::Window:
            if (entry.special == S::Restore)
                return cls + QStringLiteral(" (restore)");
            if (entry.special == S::Backup)
                return cls + QStringLiteral(" (backup)");
            return cls;
        case K::Dialog:
            return cls + QStringLiteral(" (modal)");
        case K::Bill:
            return QStringLiteral("bill type %1").arg(entry.billType);
        case K::Building:
            return QStringLiteral("under construction");
        case K::Command:
            break;
    }
    switch (entry.special) {
        case S::Relogin:
            return QStringLiteral("log in again");
        case S::ChangeLogin:
            return QStringLiteral("change account set or operator");
        case S::ExitWithoutBackup:
            return QStringLiteral("exit without backup");
        case S::Help:
            return QStringLiteral("help");
        case S::HomePage:
            return QStringLiteral("web page ") + homePageUrl().toString();
        case S::UpgradePage:
            return QStringLiteral("web page ") + upgradePageUrl().toString();
        default:
            break;
    }
    return QStringLiteral("command");
}

namespace {

ServedQueries& servedQueries() {
    static ServedQueries served;
    return served;
}

}  // namespace

void ServedQueries::add(const QString& procedure, const QString& queryType, bool figures) {
    known_ = true;
    QStringList& types = types_[procedure.trimmed().toLower()];
    if (figures)
        types.append(queryType.trimmed().toUpper());
}

bool ServedQueries::serves(const QString& procedure, const QString& queryType) const {
    auto it = types_.constFind(procedure.trimmed().toLower());
    if (it == types_.constEnd())
        return false;
    return it->contains(QString()) || it->contains(queryType.trimmed().toUpper());
}

bool ServedQueries::servesWindow(const QString& className) const {
    const QueryDescriptor* d = findQueryDescriptor(className);
    if (!d)
        return true;
    // A window reading its rows with an SQL text of its own needs only a server that answers.
    if (!known_ || (d->procedure.isEmpty() && d->sql.isEmpty()))
        return false;
    if (!d->sql.isEmpty())
        return true;
    if (d->queryTypes.isEmpty() && !serves(d->procedure, QString()))
        return false;
    for (const QString& type : d->queryTypes) {
        if (!serves(d->procedure, type))
            return false;
    }
    for (const QString& other : d->otherProcedures) {
        if (!serves(other, QString()))
            return false;
    }
    return true;
}

ServedQueries fetchServedQueries(const QString& address) {
    ServedQueries served;
    try {
        QString host;
        int port = 0;
        splitServerAddress(address, &host, &port);
        TcpTransport transport;
        transport.open(host, port);
        ParamList lines;
        lines.setValue(QStringLiteral("Method"), QStringLiteral("ServedQueries"));
        const Response r = transport.call(QStringLiteral("GetProfileUserInfo"), {lines.text()});
        if (r.code() != 0 || !proto::isRecordSet(r.out(0)))
            return served;
        const RecordSet rows = proto::recordSetFromCbor(r.out(0));
        for (int i = 0; i < rows.rowCount(); ++i)
            served.add(rows.at(i, 0).toString(), rows.at(i, 1).toString(), rows.at(i, 2).toInt() == 1);
    } catch (const DytError&) {
        // Not reached: nothing is known.
    }
    return served;
}

void setServedQueries(const ServedQueries& served) {
    servedQueries() = served;
}

bool functionBuilt(const FunctionEntry& entry) {
    switch (entry.kind) {
        case K::Window:
        case K::Dialog: {
            const QString className = QString::fromLatin1(entry.className);
            return windowClassRegistered(className) && servedQueries().servesWindow(className);
        }
        case K::Bill: {
            const BillOpener& opener = billOpener();
            return opener.open && (!opener.canOpen || opener.canOpen(entry.billType));
        }
        case K::Command:
            return true;
        case K::Building:
            break;
    }
    return false;
}

QStringList functionListing() {
    QStringList lines;
    for (const FunctionEntry& e : functionTable()) {
        lines.append(QStringLiteral("%1\t%2\t%3")
                         .arg(e.code)
                         .arg(functionAction(e), functionBuilt(e) ? QStringLiteral("built")
                                                                  : QStringLiteral("missing")));
    }
    return lines;
}

TFunctionDispatcher::TFunctionDispatcher(TfrmMain& main, TFunctionMenu& menu)
    : main_(main), menu_(menu) {
    createWindow = [](const QString& className, QWidget* owner) {
        return client::createWindow(className, owner);
    };
    runLogin = [](int mode) { return sysLogin().RunLogin(mode); };
    runModal = [](QWidget* window) {
        if (auto* form = qobject_cast<TfrmBaseDialog*>(window))
            return form->exec() == 1 ? int(QDialog::Accepted) : int(QDialog::Rejected);
        if (auto* dialog = qobject_cast<QDialog*>(window))
            return dialog->exec();
        // A plain window runs inside a dialog frame.
        QDialog frame;
        frame.setWindowTitle(window->windowTitle());
        auto* layout = new QVBoxLayout(&frame);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(window);
        return frame.exec();
    };
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    endProgram = [] { sysLogin().endProgram(); };
}

void TFunctionDispatcher::OpenFunction(int code) {
    if (code <= 0)
        return;
    try {
        if (code != 5012) {
            try {
                menu_.HasPurview(QString::number(code), true);
            } catch (const DytError& e) {
                prompter().message(caption::hint(), e.message());
                return;
            }
        }
        const FunctionEntry* entry = findFunction(code);
        if (!entry) {
            underConstruction();
            return;
        }
        dispatch(*entry);
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
}

void TFunctionDispatcher::underConstruction() {
    prompter().message(caption::hint(), functext::underConstruction());
}

void TFunctionDispatcher::dispatch(const FunctionEntry& entry) {
    switch (entry.special) {
        case S::Relogin:
            loginAgain(0);
            return;
        case S::ChangeLogin:
            if (main_.otherWindowsOpen()) {
                if (prompter().ask(caption::warning(), logintext::closeWindowsQuestion(),
                                   buttons::continueAbandon(), 0) != 0) {
                    return;
                }
                if (!main_.CloseAllWindows(false))
                    return;
            }
            loginAgain(1);
            return;
        case S::Restore:
            // The restore replaces the account set under every window: the business windows
            // close first.
            if (main_.otherWindowsOpen()) {
                if (prompter().ask(caption::warning(), functext::restoreClosesWindows(),
                                   buttons::continueAbandon(), 0) != 0) {
                    return;
                }
                main_.CloseAllWindows(false);
                if (main_.otherWindowsOpen())
                    return;
            }
            openWindow(entry, functext::restoreCaption());
            return;
        case S::Backup:
            openWindow(entry, functext::backupCaption());
            return;
        case S::PeriodClose:
        case S::YearClose: {
            const bool period = entry.special == S::PeriodClose;
            if (settings().IsOpen != 1) {
                prompter().message(caption::hint(), period ? functext::periodCloseNotOpened()
                                                           : functext::yearCloseNotOpened());
            } else if (main_.otherWindowsOpen()) {
                prompter().message(caption::hint(), period ? functext::periodCloseWindowsOpen()
                                                           : functext::yearCloseWindowsOpen());
            } else {
                openDialog(entry);
            }
            return;
        }
        case S::BasePurview:
            if (!settings().Switch(kBasePurviewSwitch))
                prompter().message(caption::hint(), functext::noBasePurview());
            else
                openWindow(entry);
            return;
        case S::Rebuild:
            if (main_.otherWindowsOpen()) {
                prompter().message(caption::hint(), functext::rebuildWindowsOpen());
            } else if (openDialog(entry) && main_.hooks.loadSettings) {
                main_.hooks.loadSettings();
            }
            return;
        case S::ExitWithoutBackup:
            if (prompter().ask(caption::hint(), functext::exitWithoutBackup(), buttons::okCancel(),
                               0) == 0) {
                main_.quitWithoutBackup();
            }
            return;
        case S::CommonFunctions:
            if (!openDialog(entry, true))
                return;
            if (TfrmNavigator* nav = main_.navigator())
                nav->refreshCommonFunctions();
            return;
        case S::Help: {
            const QString dir =
                programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir;
            const QString file = QDir(dir).filePath(QStringLiteral("Help.chm"));
            if (QFileInfo::exists(file) && openUrl)
                openUrl(QUrl::fromLocalFile(file));
            return;
        }
        case S::HomePage:
            if (openUrl)
                openUrl(homePageUrl());
            return;
        case S::UpgradePage:
            if (openUrl)
                openUrl(upgradePageUrl());
            return;
        case S::None:
            break;
    }
    switch (entry.kind) {
        case K::Window:
            openWindow(entry);
            return;
        case K::Dialog:
            openDialog(entry);
            return;
        case K::Bill:
            openBill(entry);
            return;
        case K::Command:
        case K::Building:
            break;
    }
    underConstruction();
}

void TFunctionDispatcher::openWindow(const FunctionEntry& entry, const QString& caption) {
    QWidget* window =
        createWindow ? createWindow(QString::fromLatin1(entry.className), nullptr) : nullptr;
    if (!window) {
        underConstruction();
        return;
    }
    window->setProperty(kTagProperty, entry.code);
    if (!caption.isEmpty())
        window->setWindowTitle(caption);
    main_.addChildWindow(window);
}

bool TFunctionDispatcher::openDialog(const FunctionEntry& entry, bool shownIsEnough) {
    QPointer<QWidget> window =
        createWindow ? createWindow(QString::fromLatin1(entry.className), &main_) : nullptr;
    if (!window) {
        underConstruction();
        return false;
    }
    window->setProperty(kTagProperty, entry.code);
    int result = QDialog::Rejected;
    try {
        result = runModal ? runModal(window) : QDialog::Rejected;
    } catch (...) {
        delete window.data();
        throw;
    }
    delete window.data();
    return shownIsEnough || result == QDialog::Accepted;
}

void TFunctionDispatcher::openBill(const FunctionEntry& entry) {
    const BillOpener& opener = billOpener();
    QWidget* window = nullptr;
    if (opener.open && (!opener.canOpen || opener.canOpen(entry.billType)))
        window = opener.open(entry.billType, nullptr);
    if (!window) {
        underConstruction();
        return;
    }
    window->setProperty(kTagProperty, entry.code);
    main_.addChildWindow(window);
}

void TFunctionDispatcher::loginAgain(int mode) {
    if (!runLogin || !runLogin(mode)) {
        // A failed change of account set ends the program; a cancelled new login of the same
        // account set leaves the session as it was.
        if (mode == 1 && endProgram)
            endProgram();
        return;
    }
    bool loaded = true;
    try {
        if (main_.hooks.loadSettings)
            loaded = main_.hooks.loadSettings();
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
        loaded = false;
    }
    if (!loaded) {
        if (endProgram)
            endProgram();
        return;
    }
    if (main_.hooks.buildMenu)
        main_.hooks.buildMenu();
    main_.selectStartPage();
}

}  // namespace dyt::client
