#pragma once
// TdmMain: the one door to the application server. It owns the connection, verifies it by an
// echo before every call, restores a broken connection (or ends the program), holds the single
// call channel and refuses data-changing calls in the query-only run mode.
//
// Every wrapper runs: (query-only test) -> BeginCall -> CheckConnection -> the server call ->
// EndCall, the last step also when anything in between raised. Failures reach the caller as
// DytError carrying the message to show.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "client/logic/fixedtext.h"
#include "client/logic/transport.h"

namespace dyt {
class ParamList;
class RecordSet;
}  // namespace dyt

namespace dyt::client {

// The messages of the data module.
namespace dmtext {
inline constexpr FixedText notInitialised{u"应用服务器还没有初始化，或者连接没有打开"};
inline constexpr FixedText channelDown{u"当前网络数据通道断开,请稍后再次尝试!"};
inline constexpr FixedText channelBusy{u"当前网络数据通道繁忙,请稍后再次尝试!"};
inline constexpr FixedText queryOnly{u"您当前使用的是查询版,只能查询"};
inline constexpr FixedText connectFailed{u"连接失败："};
inline constexpr FixedText connecting{u"客户端系统正在尝试连接应用服务器，请稍后..."};
inline constexpr FixedText connectionLost{
    u"客户端与服务器连接断开, 您要继续尝试连接服务器还是退出系统?"};
inline constexpr FixedText emptyResult{u"查询数据为空"};
inline constexpr FixedText socketProgramMissing{
    u"本地计算机套接字文件被异常删除，程序无法运行,重新修复安装！"};
inline constexpr FixedText serverProgramMissing{
    u"本地计算机服务器文件被异常删除，程序无法运行,重新修复安装！"};
}  // namespace dmtext

// The echo token of the connection check.
QString echoToken();  // "qZevrint"

// Splits "host[:port]" at the first ":"; the port falls back to 211 when it is missing or not a
// number.
void splitServerAddress(const QString& address, QString* host, int* port);

// True for an address naming this computer ("127.0.0.1", "localhost", the host name).
bool isLocalServer(const QString& host);

class TdmMain : public QObject {
    Q_OBJECT
public:
    // The first data module created becomes the process's instance (dmMain()).
    explicit TdmMain(QObject* parent = nullptr);
    ~TdmMain() override;

    // Replaces the transport (owned); the product's default is the TCP transport.
    void setTransport(std::unique_ptr<ITransport> transport);
    ITransport& transport() { return *transport_; }

    // --- hooks filled by later parts; all may stay unset
    // Logs in again after a reconnect with the kept session record; true on success.
    std::function<bool()> relogin;
    // Asks the application to quit (default: QCoreApplication::quit).
    std::function<void()> quitApplication;
    // Starts a program of the program folder hidden, without waiting (default: a detached
    // process with the server's port).
    std::function<void(const QString& program, const QStringList& arguments)> startProgram;
    // Folder of the local server program (default: the folder of the running program).
    QString programDir;

    // --- state
    bool Connected() const { return connected_; }
    bool ConnectionLost() const { return connectionLost_; }
    bool CallBusy() const { return callBusy_; }
    // Change stamps of goods and partners as last seen in an echo reply, and the flags that say
    // a newer one arrived (the local cache reads and clears them).
    QString GoodsStamp;
    QString PartnerStamp;
    int GoodsStampNewer = 0;
    int PartnerStampNewer = 0;

    // --- connection
    // The server handle for the direct calls; raises when not connected.
    ITransport& GetAppServer();
    // Opens the connection to "host[:port]"; true when the server is ready. On failure with a
    // message raises "连接失败：" + message; without a message returns false.
    bool ConnectServer(const QString& address, bool showProgress, int attempts);
    // The echo check and the reconnect loop; returns only with the connection working, or
    // raises the silent error after the operator chose to quit.
    bool CheckConnection();
    void Disconnect();
    // Starts the local server program on the port with the local data folder; raises when it is
    // missing.
    void startLocalServer(int port);
    // True when a server answers the echo at "host[:port]" (a connection of its own, closed
    // again; the module's state stays as it is).
    bool serverAnswers(const QString& address);
    // The local server for "host[:port]": when nothing answers there, starts the program and
    // waits until it answers, at most localServerWaitMs. True when a server answers in the end;
    // raises when the program is missing.
    bool ensureLocalServer(const QString& address);
    int localServerWaitMs = 10000;
    // The data folder of a local server the client starts: the environment variable
    // DYT_DATA_DIR when set (the run script sets it to the folder its own server uses), else the
    // user's data location ("deyingtong/data" in the per-user application data folder). Never
    // the program folder.
    static QString localServerDataDir();

    // --- call channel
    void BeginCall();
    void EndCall();

    // --- the wrappers
    void ExecQuery(const QString& sql, RecordSet* data);
    int ExecUpdate(const QString& sql);
    int ExecProc(const QString& procName, ParamList& params, bool raiseOnError = true);
    int ExecProcQuery(const QString& procName, ParamList& params, RecordSet* data);
    // As ExecProcQuery, for a reader that stores the rows elsewhere: the record-set packet's
    // bytes as they came (read them with proto::packetcodec::RowReader or
    // proto::recordSetFromCbor); no parameters are taken from the rows.
    int ExecProcQueryPacket(const QString& procName, ParamList& params, QCborValue* packet);
    int ExecService(const QString& serviceName, const QString& methodName, ParamList& params,
                    const RecordSet* data1 = nullptr, const RecordSet* data2 = nullptr,
                    const RecordSet* data3 = nullptr);

Q_SIGNALS:
    // Connected or ConnectionLost changed; the main window refreshes its network panel.
    void networkStateChanged();

private:
    class CallScope;
    void setConnected(bool connected);
    bool echoCheck();
    void checkQueryOnly(const QString& procName = QString()) const;
    void setOperator(ParamList& params) const;

    std::unique_ptr<ITransport> transport_;
    bool connected_ = false;
    bool connectionLost_ = false;
    bool callBusy_ = false;
};

// The process's data module; nullptr before start-up created it.
TdmMain* dmMain();
// The process's data module; raises dmtext::notInitialised() (or the given text) when there is
// none.
TdmMain& dataModule();
TdmMain& dataModule(const QString& missingText);
// Runs a query through the process's data module.
RecordSet queryRows(const QString& sql);

}  // namespace dyt::client
