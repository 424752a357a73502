// dyt-server: the application server.
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <pthread.h>
#include <csignal>

#include "common/error.h"
#include "server/backend.h"
#include "server/config.h"
#include "server/server.h"

int main(int argc, char** argv) {
    // SIGINT and SIGTERM are taken by sigwait() below; every thread inherits the blocked mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        out << dyt::server::usageText();
        return 0;
    }
    try {
        dyt::server::ServerConfig config;
        const QString programDir = QCoreApplication::applicationDirPath();
        config.applyArguments(args, QDir(programDir).filePath(QStringLiteral("dyt-server.ini")));
        if (config.dataDir.isEmpty())
            config.dataDir = QDir(programDir).filePath(QStringLiteral("data"));
        dyt::server::Backend backend(config);
        dyt::server::Server server(backend);
        const quint16 port = server.start(config.listen, static_cast<quint16>(config.port));
        out << "listening on " << config.listen << ':' << port << Qt::endl;
        int sig = 0;
        sigwait(&signals, &sig);
        server.stop();
        out << "stopped" << Qt::endl;
        return 0;
    } catch (const dyt::DytError& e) {
        err << "dyt-server: " << e.message() << Qt::endl;
        return 1;
    }
}
