// dyt-server: the application server.
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <pthread.h>
#include <csignal>

#include "common/error.h"
#include "server/net/backend.h"
#include "server/net/config.h"
#include "server/net/server.h"

namespace {

#ifdef Q_OS_WIN
std::atomic<bool> stopRequested{false};
void onSignal(int) {
    stopRequested = true;
}
void prepareSignals() {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}
void waitForStop() {
    while (!stopRequested)
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
}
#else
sigset_t stopSignals;
// SIGINT and SIGTERM are taken by sigwait(); every thread started later inherits the mask.
void prepareSignals() {
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
}
void waitForStop() {
    int sig = 0;
    sigwait(&stopSignals, &sig);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    prepareSignals();

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
        waitForStop();
        server.stop();
        out << "stopped" << Qt::endl;
        return 0;
    } catch (const dyt::DytError& e) {
        err << "dyt-server: " << e.message() << Qt::endl;
        return 1;
    }
}
