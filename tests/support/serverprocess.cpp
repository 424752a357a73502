#include "support/serverprocess.h"

#include <libpq-fe.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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
    if (!prefix_.isEmpty()) {
        // The account-set databases this server made on PostgreSQL.
        PGconn* conn = PQconnectdb(qEnvironmentVariable("DYT_TEST_POSTGRESQL").toUtf8().constData());
        if (PQstatus(conn) == CONNECTION_OK) {
            PGresult* rs = PQexec(conn, ("SELECT datname FROM pg_database WHERE starts_with(datname, '" +
                                         prefix_.toUtf8() + "')")
                                            .constData());
            for (int r = 0; PQresultStatus(rs) == PGRES_TUPLES_OK && r < PQntuples(rs); ++r) {
                PGresult* d = PQexec(conn, (QByteArray("DROP DATABASE IF EXISTS ") +
                                            PQgetvalue(rs, r, 0) + " WITH (FORCE)")
                                               .constData());
                PQclear(d);
            }
            PQclear(rs);
        }
        PQfinish(conn);
    }
}

QString ServerProcess::accountSetPath(const QString& dbName) const {
    if (prefix_.isEmpty())
        return QDir(dataDir_).filePath(dbName + u".db"_s);
    return u"postgresql:%1 dbname=%2"_s.arg(qEnvironmentVariable("DYT_TEST_POSTGRESQL"),
                                            (prefix_ + dbName).toLower());
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
    QStringList args = QStringList{u"--data"_s, dataDir_, u"--port"_s, u"0"_s} + extraArgs;
    // The engine of the run (DYT_TEST_BACKEND), unless the test names one.
    if (qEnvironmentVariable("DYT_TEST_BACKEND") == u"postgresql"_s &&
        qEnvironmentVariableIsSet("DYT_TEST_POSTGRESQL") && !extraArgs.contains(u"--backend"_s) &&
        !extraArgs.contains(u"--config"_s)) {
        static int counter = 0;
        if (prefix_.isEmpty())
            prefix_ = u"dyt_p%1_%2_"_s.arg(QCoreApplication::applicationPid()).arg(++counter);
        args << u"--backend"_s << u"postgresql"_s << u"--postgresql"_s
             << qEnvironmentVariable("DYT_TEST_POSTGRESQL") << u"--postgresql-prefix"_s << prefix_;
    }
    process_->setArguments(args);
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

bool ServerProcess::startWithConfig(const QString& lines) {
    tempDir_ = std::make_unique<QTemporaryDir>();
    QFile ini(tempDir_->filePath(u"dyt-server.ini"_s));
    if (!ini.open(QIODevice::WriteOnly) || ini.write(lines.toUtf8()) < 0) {
        error_ = ini.errorString();
        return false;
    }
    ini.close();
    return start({u"--config"_s, ini.fileName()}, tempDir_->path());
}

int ServerProcess::threads() const {
    return QDir(u"/proc/%1/task"_s.arg(process_->processId()))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
        .size();
}

qint64 ServerProcess::memoryKb(const char* key) const {
    QFile f(u"/proc/%1/status"_s.arg(process_->processId()));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression re(QString::fromLatin1(key) + u":\\s*(\\d+)"_s);
    return re.match(QString::fromLatin1(f.readAll())).captured(1).toLongLong();
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
