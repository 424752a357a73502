// dyt-client: the desktop client.
//
// Usage: dyt-client [-c]
//   -c (any letter case, first argument): query-only mode.
// The environment variable DYT_SERVER ("host[:port]", default 127.0.0.1 on port 211) names the
// application server the client connects to.

#include <QApplication>

#include "client/common/dmmain.h"
#include "client/shell/mainwindow.h"
#include "client/shell/splash.h"
#include "client/shell/startup.h"

int main(int argc, char** argv) {
    using namespace dyt::client;
    QApplication app(argc, argv);
    const QString programDir = QCoreApplication::applicationDirPath();

    ClientObjects objects;
    {
        TfrmSplash splash(programDir);
        splash.show();
        QCoreApplication::processEvents();
        objects = startUp(QCoreApplication::arguments().mid(1), &splash, programDir);
    }

    TdmMain& dm = *objects.dm;
    const QString address = defaultServerAddress();
    objects.main->hooks.login = [&dm, address] { return connectWithoutLogin(dm, address); };
    objects.main->showMaximized();
    const int rc = app.exec();
    objects.main.reset();
    objects.dm.reset();
    return rc;
}
