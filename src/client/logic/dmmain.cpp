#include "client/logic/dmmain.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QHostInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include "client/logic/prompter.h"
#include "client/logic/session.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "protocol/protocol.h"

namespace dyt::client {

QString echoToken() {
    return QStringLiteral("qZevrint");
}

void splitServerAddress(const QString& address, QString* host, int* port) {
    const qsizetype colon = address.indexOf(QLatin1Char(':'));
    *port = proto::kDefaultPort;
    if (colon < 0) {
        *host = address;
        return;
    }
    *host = address.left(colon);
    bool ok = false;
    const int value = address.mid(colon + 1).trimmed().toInt(&ok);
    if (ok)
        *port = value;
}

bool isLocalServer(const QString& host) {
    const QString h = host.trimmed();
    return h == QLatin1String("127.0.0.1") ||
           h.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           h.compare(QHostInfo::localHostName(), Qt::CaseInsensitive) == 0;
}

namespace {

TdmMain* g_dmMain = nullptr;
// Keep ConnectServer and CheckConnection from re-entering themselves through message
// processing.
bool g_connectGuard = false;
bool g_reconnectGuard = false;

// Sets a guard for the lifetime of the object.
class GuardScope {
public:
    explicit GuardScope(bool& guard) : guard_(guard) { guard_ = true; }
    ~GuardScope() { guard_ = false; }
    GuardScope(const GuardScope&) = delete;
    GuardScope& operator=(const GuardScope&) = delete;

private:
    bool& guard_;
};

[[noreturn]] void abortSilently() {
    throw DytError(silentErrorText());
}

QCborValue packetOf(const RecordSet* rs) {
    return rs ? proto::recordSetToCbor(*rs) : QCborValue(QCborValue::Null);
}

}  // namespace

TdmMain* dmMain() {
    return g_dmMain;
}

TdmMain& dataModule() {
    return dataModule(dmtext::notInitialised());
}

TdmMain& dataModule(const QString& missingText) {
    if (!g_dmMain)
        throw DytError(missingText);
    return *g_dmMain;
}

RecordSet queryRows(const QString& sql) {
    RecordSet rows;
    dataModule().ExecQuery(sql, &rows);
    return rows;
}

TdmMain::TdmMain(QObject* parent) : QObject(parent), transport_(std::make_unique<TcpTransport>()) {
    if (!g_dmMain)
        g_dmMain = this;
    quitApplication = [] { QCoreApplication::quit(); };
    startProgram = [](const QString& program, const QStringList& arguments) {
        QProcess::startDetached(program, arguments);
    };
}

TdmMain::~TdmMain() {
    if (g_dmMain == this)
        g_dmMain = nullptr;
}

void TdmMain::setTransport(std::unique_ptr<ITransport> transport) {
    transport_ = std::move(transport);
}

void TdmMain::setConnected(bool connected) {
    if (connected_ == connected)
        return;
    connected_ = connected;
    Q_EMIT networkStateChanged();
}

ITransport& TdmMain::GetAppServer() {
    if (!connected_)
        throw DytError(dmtext::notInitialised());
    return *transport_;
}

bool TdmMain::ConnectServer(const QString& address, bool showProgress, int attempts) {
    if (g_connectGuard)
        return false;
    bool ok = false;
    QString message;
    {
        GuardScope guard(g_connectGuard);
        QString host;
        int port = 0;
        splitServerAddress(address, &host, &port);
        std::unique_ptr<ProgressScope> progress;
        if (showProgress)
            progress = std::make_unique<ProgressScope>(dmtext::connecting());
        int made = 0;
        while (!ok && made < attempts) {
            message.clear();
            try {
                transport_->close();
                transport_->open(host, port);
                if (transport_->isOpen()) {
                    const Response r = transport_->call(QStringLiteral("InitDataBase"));
                    message = r.outText(0);
                    ok = r.code() == 0;
                }
            } catch (const DytError& e) {
                message = e.message();
                ok = false;
            }
            ++made;
        }
    }
    setConnected(ok);
    if (ok) {
        loginedUser().ServerAddress = address;
        return true;
    }
    if (!message.isEmpty())
        throw DytError(dmtext::connectFailed() + message);
    return false;
}

bool TdmMain::echoCheck() {
    try {
        if (!transport_->isOpen())
            return false;
        const Response r = transport_->call(QStringLiteral("ConnectionVar"),
                                            {echoToken() + QStringLiteral("\r\n")});
        const QStringList lines = proto::splitLines(r.result.toString());
        if (lines.value(0) != echoToken())
            return false;
        const QString goods = lines.value(1);
        const QString partners = lines.value(2);
        if (goods > GoodsStamp) {
            GoodsStamp = goods;
            GoodsStampNewer = 1;
        }
        if (partners > PartnerStamp) {
            PartnerStamp = partners;
            PartnerStampNewer = 1;
        }
        return true;
    } catch (const DytError&) {
        return false;
    }
}

bool TdmMain::CheckConnection() {
    if (g_reconnectGuard)
        abortSilently();
    bool ok = false;
    {
        GuardScope guard(g_reconnectGuard);
        ok = echoCheck();
        if (!ok) {
            if (isLoggedIn()) {
                connectionLost_ = true;
                connected_ = false;
                Q_EMIT networkStateChanged();
            }
            while (!ok) {
                try {
                    QString host;
                    int port = 0;
                    const QString address = loginedUser().ServerAddress;
                    splitServerAddress(address, &host, &port);
                    if (isLocalServer(host)) {
                        try {
                            ensureLocalServer(address);
                        } catch (const DytError& e) {
                            // The operator learns why; the loop still offers to go on or quit.
                            prompter().showError(caption::systemError(), e);
                        }
                    }
                    if (ConnectServer(address, true, 1))
                        ok = !(isLoggedIn() && relogin) || relogin();
                } catch (const DytError&) {
                    ok = false;
                }
                if (ok)
                    break;
                const int choice = prompter().ask(caption::systemError(), dmtext::connectionLost(),
                                                  buttons::reconnectOrQuit(), 0);
                if (choice != 0) {
                    Disconnect();
                    if (quitApplication)
                        quitApplication();
                    QCoreApplication::processEvents();
                    abortSilently();
                }
            }
            connectionLost_ = false;
        }
    }
    setConnected(ok);
    Q_EMIT networkStateChanged();
    return ok;
}

void TdmMain::Disconnect() {
    if (!connected_)
        return;
    if (transport_->isOpen())
        transport_->close();
    setConnected(false);
}

void TdmMain::startLocalServer(int port) {
    // On this platform one program plays both local roles, the socket server and the
    // application server; each role checks for its program, the program starts once.
    const QString dir = programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir;
    const QString program = QDir(dir).filePath(QStringLiteral("dyt-server"));
    const QString missing[] = {dmtext::socketProgramMissing(), dmtext::serverProgramMissing()};
    for (const QString& message : missing) {
        if (!QFileInfo(program).isFile())
            throw DytError(message);
    }
    if (startProgram) {
        startProgram(program, {QStringLiteral("--port"), QString::number(port),
                               QStringLiteral("--data"), localServerDataDir()});
    }
}

QString TdmMain::localServerDataDir() {
    const QString env = qEnvironmentVariable("DYT_DATA_DIR").trimmed();
    if (!env.isEmpty())
        return QDir(env).absolutePath();
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::home().filePath(QStringLiteral(".local/share"));
    return QDir(base).filePath(QStringLiteral("deyingtong/data"));
}

bool TdmMain::serverAnswers(const QString& address) {
    QString host;
    int port = 0;
    splitServerAddress(address, &host, &port);
    // The probe uses the module's transport (tests put theirs there); ConnectServer opens it
    // afresh anyway, so the module keeps its view of the connection.
    bool answers = false;
    try {
        transport_->close();
        transport_->open(host, port);
        if (transport_->isOpen()) {
            const Response r = transport_->call(QStringLiteral("ConnectionVar"),
                                                {echoToken() + QStringLiteral("\r\n")});
            answers = proto::splitLines(r.result.toString()).value(0) == echoToken();
        }
    } catch (const DytError&) {
        answers = false;
    }
    transport_->close();
    if (connected_)
        setConnected(false);
    return answers;
}

bool TdmMain::ensureLocalServer(const QString& address) {
    if (serverAnswers(address))
        return true;
    QString host;
    int port = 0;
    splitServerAddress(address, &host, &port);
    startLocalServer(port);
    const QDeadlineTimer deadline(localServerWaitMs);
    for (;;) {
        if (serverAnswers(address))
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
}

// --- call channel

void TdmMain::BeginCall() {
    if (!connected_)
        throw DytError(dmtext::channelDown());
    if (callBusy_)
        throw DytError(dmtext::channelBusy());
    callBusy_ = true;
}

void TdmMain::EndCall() {
    callBusy_ = false;
}

// Takes the channel and verifies the connection; releases the channel on every way out.
class TdmMain::CallScope {
public:
    explicit CallScope(TdmMain& dm) : dm_(dm) {
        dm_.BeginCall();
        try {
            dm_.CheckConnection();
        } catch (...) {
            dm_.EndCall();
            throw;
        }
    }
    ~CallScope() { dm_.EndCall(); }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

private:
    TdmMain& dm_;
};

void TdmMain::checkQueryOnly(const QString& procName) const {
    if (!client::queryOnly())
        return;
    if (!procName.isEmpty() &&
        (procName.compare(QLatin1String("p_sys_Up_ColConfigure"), Qt::CaseInsensitive) == 0 ||
         procName.compare(QLatin1String("p_sys_Up_Log"), Qt::CaseInsensitive) == 0)) {
        return;
    }
    throw DytError(dmtext::queryOnly());
}

void TdmMain::setOperator(ParamList& params) const {
    params.setInt(QStringLiteral("czy_id"), loginedUser().UserId);
}

// --- wrappers

void TdmMain::ExecQuery(const QString& sql, RecordSet* data) {
    if (!data)
        throw DytError(QStringLiteral("ExecQuery: 没有给出数据集"));
    data->clear();
    CallScope call(*this);
    const Response r = transport_->call(QStringLiteral("ExecQuery"), {sql});
    const QString message = r.outText(1);
    if (r.code() != 0 || !proto::isRecordSet(r.out(0)))
        throw DytError(message);
    *data = proto::recordSetFromCbor(r.out(0));
    data->first();
}

int TdmMain::ExecUpdate(const QString& sql) {
    if (sql.trimmed().isEmpty())
        throw DytError(QStringLiteral("ExecUpdate: SQL语句为空"));
    checkQueryOnly();
    CallScope call(*this);
    const Response r = transport_->call(QStringLiteral("ExecUpdate"), {sql});
    if (r.code() < 0)
        throw DytError(r.outText(0));
    return static_cast<int>(r.code());
}

int TdmMain::ExecProc(const QString& procName, ParamList& params, bool raiseOnError) {
    checkQueryOnly(procName);
    CallScope call(*this);
    setOperator(params);
    const Response r = transport_->call(QStringLiteral("ExecProc"), {procName, params.text()});
    params.setText(r.outText(0));
    const QCborValue out = r.out(1);
    const qint64 result = out.isInteger() ? out.toInteger() : r.code();
    if (result < 0 && raiseOnError)
        throw DytError(r.outText(2));
    return static_cast<int>(result);
}

int TdmMain::ExecProcQuery(const QString& procName, ParamList& params, RecordSet* data) {
    if (!data)
        throw DytError(QStringLiteral("ExecProcQuery: 没有给出数据集"));
    int result = 0;
    {
        CallScope call(*this);
        setOperator(params);
        Response r;
        try {
            r = transport_->call(QStringLiteral("ExecProcQuery"), {procName, params.text()});
        } catch (const DytError& e) {
            throw DytError(QStringLiteral("ProcName:[%1]Error:[%2]").arg(procName, e.message()));
        }
        params.setText(r.outText(0));
        if (!proto::isRecordSet(r.out(1)))
            throw DytError(dmtext::emptyResult());
        *data = proto::recordSetFromCbor(r.out(1));
        data->first();
        result = static_cast<int>(r.code());
    }
    if (data->recordCount() == 1) {
        for (const Field& f : data->fields()) {
            // A line break cannot stand in a parameter line: such a value is copied escaped.
            const QString value = data->text(f.name);
            const bool breaks =
                value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n'));
            params.setValue(f.name, breaks ? encodeLineBreaks(value) : value);
        }
    }
    return result;
}

int TdmMain::ExecProcQueryPacket(const QString& procName, ParamList& params,
                                 QCborValue* packet) {
    CallScope call(*this);
    setOperator(params);
    Response r;
    try {
        r = transport_->call(QStringLiteral("ExecProcQuery"), {procName, params.text()});
    } catch (const DytError& e) {
        throw DytError(QStringLiteral("ProcName:[%1]Error:[%2]").arg(procName, e.message()));
    }
    params.setText(r.outText(0));
    if (!proto::isRecordSet(r.out(1)))
        throw DytError(dmtext::emptyResult());
    *packet = r.out(1);
    return static_cast<int>(r.code());
}

int TdmMain::ExecService(const QString& serviceName, const QString& methodName, ParamList& params,
                         const RecordSet* data1, const RecordSet* data2, const RecordSet* data3) {
    if (serviceName.isEmpty() || methodName.isEmpty())
        throw DytError(QStringLiteral("ExecService: 服务名或方法名为空"));
    checkQueryOnly();
    CallScope call(*this);
    setOperator(params);
    const Response r = transport_->call(QStringLiteral("ExecService"),
                                        {serviceName, methodName, params.text(), packetOf(data1),
                                         packetOf(data2), packetOf(data3)});
    params.setText(r.outText(0));
    const QCborValue out = r.out(1);
    const qint64 result = out.isInteger() ? out.toInteger() : r.code();
    if (result < 0)
        throw DytError(r.outText(2));
    return static_cast<int>(result);
}

}  // namespace dyt::client
