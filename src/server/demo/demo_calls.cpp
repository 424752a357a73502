// The two ways the demo builder reaches an account set: over the wire and in process.
#include <QCborArray>

#include "common/error.h"
#include "protocol/client.h"
#include "protocol/protocol.h"
#include "server/db/database.h"
#include "server/demo/demo_builder.h"
#include "server/procs/registry.h"

namespace dyt::demo {

// --- over the wire

qint64 RemoteDemoCalls::proc(const QString& name, ParamList& lines) {
    const proto::Response r = client_.call(QStringLiteral("ExecProc"), {name, lines.text()});
    if (r.code() < 0) {
        throw DytError(r.outText(2).isEmpty() ? QStringLiteral("存储过程[%1]执行失败").arg(name)
                                              : r.outText(2));
    }
    lines.setText(r.outText(0));
    return r.code();
}

qint64 RemoteDemoCalls::saveBill(const ParamList& header, const RecordSet& lines,
                                 const RecordSet& second) {
    const proto::Response r =
        client_.call(QStringLiteral("ExecService"),
                     {QStringLiteral("QMXService"), QStringLiteral("SaveToDB"), header.text(),
                      proto::recordSetToCbor(lines), proto::recordSetToCbor(second),
                      QCborValue(QCborValue::Null)});
    if (r.code() < 0)
        throw DytError(r.outText(2).isEmpty() ? QStringLiteral("单据保存失败") : r.outText(2));
    return r.code();
}

RecordSet RemoteDemoCalls::query(const QString& sql) {
    const proto::Response r = client_.call(QStringLiteral("ExecQuery"), {sql});
    if (r.code() != 0)
        throw DytError(r.outText(1).isEmpty() ? QStringLiteral("查询失败") : r.outText(1));
    return proto::recordSetFromCbor(r.out(0));
}

// --- in process

struct LocalDemoCalls::Impl {
    Impl(server::Database& database, int size) : db(database), batch(size > 0 ? size : 1) {
        server::registerSystemProcedures(procedures);
        server::registerMenuProcedures(procedures);
        server::registerBaseProcedures(procedures);
        server::registerBillProcedures(procedures, services);
        server::registerLedgerProcedures(procedures);
        server::registerRepairProcedures(procedures);
        server::registerPeriodProcedures(procedures);
    }

    // Runs a handler as operator 1 inside the open batch; a refusal leaves the batch to the
    // destructor, which rolls it back.
    qint64 run(const server::Registry::Entry& entry, server::CallContext& ctx) {
        if (!tx)
            tx = std::make_unique<server::Transaction>(db);
        ctx.userId = 1;
        ctx.userName = QStringLiteral("系统管理员");
        ctx.params.setInt(QStringLiteral("czy_id"), 1);
        const int result = entry.handler(ctx);
        if (result < 0) {
            throw DytError(ctx.message.isEmpty() ? QStringLiteral("[%1]执行失败").arg(entry.name)
                                                 : ctx.message);
        }
        if (++calls % batch == 0)
            commit();
        return result;
    }

    void commit() {
        if (tx) {
            tx->commit();
            tx.reset();
        }
    }

    server::Database& db;
    int batch;
    qint64 calls = 0;
    server::Registry procedures;
    server::Registry services;
    std::unique_ptr<server::Transaction> tx;
};

LocalDemoCalls::LocalDemoCalls(server::Database& db, int batch)
    : d_(std::make_unique<Impl>(db, batch)) {}

LocalDemoCalls::~LocalDemoCalls() = default;

qint64 LocalDemoCalls::proc(const QString& name, ParamList& lines) {
    const server::Registry::Entry* entry = d_->procedures.find(name);
    if (!entry)
        throw DytError(QStringLiteral("存储过程[%1]不存在").arg(name));
    server::CallContext ctx(d_->db, lines);
    return d_->run(*entry, ctx);
}

qint64 LocalDemoCalls::saveBill(const ParamList& header, const RecordSet& lines,
                                const RecordSet& second) {
    ParamList params = header;
    server::CallContext ctx(d_->db, params);
    ctx.method = QStringLiteral("SaveToDB");
    ctx.packets[0] = lines;
    ctx.packets[1] = second;
    return d_->run(*d_->services.find(QStringLiteral("QMXService")), ctx);
}

RecordSet LocalDemoCalls::query(const QString& sql) {
    return d_->db.query(sql);
}

void LocalDemoCalls::flush() {
    d_->commit();
}

}  // namespace dyt::demo
