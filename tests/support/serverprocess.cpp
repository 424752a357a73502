#include "support/serverprocess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>

#include <csignal>

using namespace Qt::StringLiterals;

namespace dyt::test {

QString binDir() {
    const QString env = qEnvironmentVariable("DYT_BIN_DIR");
    if (!env.isEmpty())
        return env;
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // The test executables are built into the same folder as the programs.
    const QFileInfo self(u"/proc/self/exe"_s);
    if (self.exists())
        return QFileInfo(self.symLinkTarget()).absolutePath();
    return QDir::currentPath();
}

ServerProcess::ServerProcess() = default;

ServerProcess::~ServerProcess() {
    stop();
}

bool ServerProcess::running() const {
    return process_ && process_->state() == QProcess::Running;
}

bool ServerProcess::start(const QStringList& extraArgs, const QString& dataDir) {
    if (dataDir.isEmpty()) {
        tempDir_ = std::make_unique<QTemporaryDir>();
        dataDir_ = tempDir_->path();
    } else {
        dataDir_ = dataDir;
    }
    process_ = std::make_unique<QProcess>();
    process_->setProgram(QDir(binDir()).filePath(u"dyt-server"_s));
    process_->setArguments(QStringList{u"--data"_s, dataDir_, u"--port"_s, u"0"_s} + extraArgs);
    process_->start();
    if (!process_->waitForStarted(10000)) {
        error_ = process_->errorString();
        return false;
    }
    static const QRegularExpression re(u"listening on [^\\s:]+:(\\d+)"_s);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 15000) {
        if (!process_->canReadLine()) {
            if (!process_->waitForReadyRead(200) && process_->state() != QProcess::Running)
                break;
            continue;
        }
        const QString line = QString::fromUtf8(process_->readLine());
        output_ += line;
        const auto m = re.match(line);
        if (m.hasMatch()) {
            port_ = m.captured(1).toInt();
            return true;
        }
    }
    error_ =
        u"server did not start: "_s + output_ + QString::fromUtf8(process_->readAllStandardError());
    return false;
}

int ServerProcess::stop() {
    if (!process_)
        return -1;
    int code = -1;
    if (process_->state() == QProcess::Running) {
        ::kill(static_cast<pid_t>(process_->processId()), SIGTERM);
        if (process_->waitForFinished(15000)) {
            code = process_->exitStatus() == QProcess::NormalExit ? process_->exitCode() : -1;
        } else {
            process_->kill();
            process_->waitForFinished(5000);
        }
    } else if (process_->state() == QProcess::NotRunning) {
        code = process_->exitCode();
    }
    output_ += QString::fromUtf8(process_->readAllStandardOutput());
    errors_ += QString::fromUtf8(process_->readAllStandardError());
    process_.reset();
    return code;
}

CliResult runCli(const QStringList& args, int timeoutMs) {
    QProcess p;
    p.start(QDir(binDir()).filePath(u"dyt-cli"_s), args);
    CliResult r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = u"timeout"_s;
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

}  // namespace dyt::test
