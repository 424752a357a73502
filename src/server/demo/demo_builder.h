#pragma once
// The demo account set ("演示账套"): base data, opening balances and three months of business
// made through the system's own procedures and the bill service, deterministic for a seed.
//
// The builder only speaks through DemoCalls: over the wire to a dyt-server (RemoteDemoCalls, what
// "dyt-cli demo" uses), or in process on an account-set file (LocalDemoCalls, the bulk path of the
// benchmarks: the very same procedure and service handlers, many calls per transaction).

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "common/paramlist.h"
#include "common/recordset.h"

namespace dyt::proto {
class Client;
}

namespace dyt::server {
class Database;
}

namespace dyt::demo {

// The calls the builder makes. Each throws DytError with the server's message on a refusal.
class DemoCalls {
public:
    virtual ~DemoCalls() = default;
    // ExecProc: the result; the lines come back with their output values.
    virtual qint64 proc(const QString& name, ParamList& lines) = 0;
    // QMXService "SaveToDB" with the header lines and two packets; the new bill's id.
    virtual qint64 saveBill(const ParamList& header, const RecordSet& lines,
                            const RecordSet& second) = 0;
    // ExecQuery of a plain SELECT.
    virtual RecordSet query(const QString& sql) = 0;
    // Makes everything so far durable (the bulk path commits its open transaction).
    virtual void flush() {}
};

struct DemoOptions {
    quint64 seed = 1;
    int goods = 300;
    int warehouses = 3;
    qint64 lines = 0;  // goods lines of the posted bills; 0 = ten per goods
    QDate start = QDate(2025, 1, 1);
    int months = 3;
};

struct DemoSummary {
    int categories = 0;
    int goods = 0;
    int partners = 0;
    int warehouses = 0;
    int employees = 0;
    int bills = 0;
    qint64 lines = 0;
    qint64 redBill = 0;  // the red copy made by the reversal
};

// Builds the demo data into an empty, not yet opened account set, and opens it on options.start.
// progress (may be empty) gets a line of text now and then.
DemoSummary buildDemo(DemoCalls& calls, const DemoOptions& options,
                      const std::function<void(const QString&)>& progress = {});

// The consistency checks of an account set: every stock row equals its opening row plus its
// movements (quantity and value), every partner balance its opening balance plus its movements,
// and every posted bill's account lines balance. One line per fault; empty when all agree.
QStringList checkConsistency(DemoCalls& calls);

// ExecProc / ExecService / ExecQuery over a logged-in connection.
class RemoteDemoCalls : public DemoCalls {
public:
    explicit RemoteDemoCalls(proto::Client& client) : client_(client) {}
    qint64 proc(const QString& name, ParamList& lines) override;
    qint64 saveBill(const ParamList& header, const RecordSet& lines,
                    const RecordSet& second) override;
    RecordSet query(const QString& sql) override;

private:
    proto::Client& client_;
};

// The same procedure and service handlers the server registers, called in process as operator 1
// on an open account-set file, `batch` calls per immediate transaction.
class LocalDemoCalls : public DemoCalls {
public:
    LocalDemoCalls(server::Database& db, int batch);
    ~LocalDemoCalls() override;
    qint64 proc(const QString& name, ParamList& lines) override;
    qint64 saveBill(const ParamList& header, const RecordSet& lines,
                    const RecordSet& second) override;
    RecordSet query(const QString& sql) override;
    void flush() override;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace dyt::demo
