// dyt-client: the desktop client.
//
// Usage: dyt-client [-c]
//        dyt-client --list-functions
//   -c (any letter case, first argument): query-only mode.
//   --list-functions: prints every function code with its action and whether it is built
//   ("built"/"missing"), tab-separated, and ends without opening a window. It asks the server
//   at DYT_SERVER which query types it answers with figures; a query window counts as built only
//   when all of its are (all query windows are missing when no server answers).
// The login window connects to the server the operator names; the local-server names ("本地计算机",
// "本机", ".", blank) stand for the environment variable DYT_SERVER ("host[:port]", default
// 127.0.0.1 on port 211).

#include <QApplication>

#include <cstdio>
#include <cstring>

#include "client/common/dialogprompter.h"
#include "client/common/syslogin.h"
#include "client/logic/clientconfig.h"
#include "client/logic/dmmain.h"
#include "client/logic/localcache.h"
#include "client/logic/settings.h"
#include "client/shell/functions.h"
#include "client/shell/mainwindow.h"
#include "client/shell/splash.h"
#include "client/shell/startup.h"

int main(int argc, char** argv) {
    using namespace dyt::client;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--list-functions") == 0) {
            installWindows();
            // Query windows count as built only when the server answers them with figures.
            QCoreApplication core(argc, argv);
            const ServedQueries served = fetchServedQueries(defaultServerAddress());
            if (!served.known())
                std::fputs("服务器未连接：查询窗口都按未完成列出\n", stderr);
            setServedQueries(served);
            for (const QString& line : functionListing())
                std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
            return 0;
        }
    }
    QApplication app(argc, argv);
    static DialogPrompter dialogs;
    setDefaultPrompter(&dialogs);
    installQtTranslations();
    const QString programDir = QCoreApplication::applicationDirPath();

    ClientObjects objects;
    {
        TfrmSplash splash(programDir);
        splash.show();
        QCoreApplication::processEvents();
        objects = startUp(QCoreApplication::arguments().mid(1), &splash, programDir);
    }

    TdmMain& dm = *objects.dm;
    TfrmMain* mainWindow = objects.main.get();
    openClientConfig(programDir);
    sysLogin().localServer = defaultServerAddress();
    wireLogin(*mainWindow, dm);
    objects.main->showMaximized();
    const int rc = app.exec();
    objects.main.reset();
    objects.dm.reset();
    return rc;
}
