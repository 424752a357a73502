#include "client/shell/startup.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "client/bills/billkinds.h"
#include "client/common/syslogin.h"
#include "client/common/windowregistry.h"
#include "client/logic/dmmain.h"
#include "client/logic/localcache.h"
#include "client/logic/prompter.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "client/shell/mainwindow.h"
#include "client/shell/navigator.h"
#include "client/shell/settingshooks.h"
#include "client/shell/splash.h"
#include "common/error.h"

namespace dyt::client {

QString productTitle() {
    return QStringLiteral("《德盈通》普及版");
}

QString clientDateFormat() {
    return QStringLiteral("yyyy-MM-dd");
}

void applyDateFormat() {
    // Dates show and travel as yyyy-MM-dd everywhere; the locale gives Chinese names and
    // separators for the rest.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
}

void installWindows() {
    registerAllWindows();
    installBillOpener();
}

ClientObjects startUp(const QStringList& arguments, TfrmSplash* splash, const QString& programDir) {
    auto step = [splash](const QString& message) {
        if (splash)
            splash->step(message);
    };
    ClientObjects objects;
    installWindows();
    applyDateFormat();
    step(QStringLiteral("正在初始化系统运行环境"));
    QCoreApplication::setApplicationName(productTitle());
    QGuiApplication::setApplicationDisplayName(productTitle());
    step(QStringLiteral("正在加载主程序模块"));
    objects.main = std::make_unique<TfrmMain>(programDir);
    step(QStringLiteral("正在加载系统导航模块"));
    objects.navigator = new TfrmNavigator(programDir);
    objects.main->setNavigator(objects.navigator);
    objects.main->installFunctionHooks();
    step(QStringLiteral("正在加载网络通讯模块"));
    objects.dm = std::make_unique<TdmMain>();
    objects.dm->programDir = programDir;
    objects.main->attachDataModule(objects.dm.get());
    installSettingsHooks(*objects.main);
    step(QStringLiteral("系统初始化完毕，准备开始运行"));
    if (splash) {
        splash->finish();
        splash->close();
    }
    setRunMode(runModeFromArguments(arguments));
    return objects;
}

bool installQtTranslations() {
    auto* app = QCoreApplication::instance();
    if (!app)
        return false;
    // Once per application, owned by it.
    if (app->findChild<QTranslator*>(QStringLiteral("qtbaseTranslator")))
        return true;
    auto translator = std::make_unique<QTranslator>(app);
    translator->setObjectName(QStringLiteral("qtbaseTranslator"));
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    QCoreApplication::installTranslator(translator.release());
    return true;
}

void wireLogin(TfrmMain& main, TdmMain& dm) {
    TSysLogin& login = sysLogin();
    TfrmMain* window = &main;
    login.childWindowCount = [window] { return window->childWindowCount(); };
    login.closeChildWindows = [window] { window->CloseAllWindows(false); };
    login.onLoggedIn = [window] {
        // The login date is the default bill date every window reads from the settings.
        settings().LoginDate = sysLogin().LoginDate;
        window->refreshStatus();
        window->setWindowTitle(loggedInTitle());
    };
    login.cacheStep = [](int position) { localCache().loginStep(position); };
    dm.relogin = [] { return sysLogin().Relogin(); };
    main.hooks.login = [] { return sysLogin().RunLogin(1); };
}

QString defaultServerAddress() {
    const QString env = qEnvironmentVariable("DYT_SERVER").trimmed();
    return env.isEmpty() ? QStringLiteral("127.0.0.1") : env;
}

}  // namespace dyt::client
