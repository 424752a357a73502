#pragma once
// A dyt-server process on an ephemeral loopback port with its own data folder, for end-to-end
// tests. The binaries are found through DYT_BIN_DIR when set, else beside the test.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

using namespace Qt::StringLiterals;

namespace dyt::test {

// Folder holding dyt-server and dyt-cli.
QString binDir();

class ServerProcess {
public:
    ServerProcess();
    ~ServerProcess();

    // Starts the server with --port 0 and the data folder (a fresh temporary one when empty);
    // returns false with the reason in error() when it does not come up.
    bool start(const QStringList& extraArgs = {}, const QString& dataDir = {});
    // As start(), with a configuration file of these key=value lines in a fresh data folder.
    bool startWithConfig(const QString& lines);
    // SIGTERM, then waits; returns the exit code (-1 when it had to be killed).
    int stop();

    int port() const { return port_; }
    QString address() const { return u"127.0.0.1:%1"_s.arg(port_); }
    QString dataDir() const { return dataDir_; }
    // What Database::open takes for an account set of this server: its file in the data
    // folder, or its database on PostgreSQL.
    QString accountSetPath(const QString& dbName) const;
    const QString& error() const { return error_; }
    QString output() const { return output_; }
    // What the server wrote on standard error, complete once it has stopped.
    QString errorOutput() const { return errors_; }
    bool running() const;
    // The running process's threads, and a size from its status in kB ("VmRSS", "VmHWM").
    int threads() const;
    qint64 memoryKb(const char* key) const;

private:
    std::unique_ptr<QTemporaryDir> tempDir_;
    std::unique_ptr<QProcess> process_;
    QString dataDir_;
    QString prefix_;  // of the account-set databases on PostgreSQL
    QString error_;
    QString output_;
    QString errors_;
    int port_ = 0;
};

// Runs dyt-cli with the arguments; collects exit code and both outputs.
struct CliResult {
    int exitCode = -1;
    QString out;
    QString err;
};
CliResult runCli(const QStringList& args, int timeoutMs = 30000);

}  // namespace dyt::test
