#pragma once
// Stored procedures and services of the server: C++ functions registered by name (compared
// without regard to case). Each takes the name=value lines and returns an integer, the lines
// with the output values and, for queries, a record set.

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

#include "common/paramlist.h"
#include "common/recordset.h"

namespace dyt::proto::packetcodec {
class Writer;
}

namespace dyt::server {

class Database;

struct CallContext {
    CallContext(Database& database, ParamList& lines) : db(database), params(lines) {}

    Database& db;
    qint64 userId = 0;  // the logged-in operator; also in the line czy_id
    QString userName;
    QString dbName;  // the account set
    ParamList& params;
    RecordSet data;  // rows returned by query procedures
    // A caller that only sends the rows on sets packetWanted: a procedure that writes its rows as
    // packet bytes (setRows) then leaves them in packet, and data stays empty.
    bool packetWanted = false;
    QByteArray packet;
    QString message;                   // message of a failure
    QString method;                    // services: the method name
    std::array<RecordSet, 3> packets;  // services: the three data packets sent
};

using Handler = std::function<int(CallContext&)>;

// Runs a reading handler in one read transaction (one consistent view, and the file lock taken
// once instead of once per lookup), unless the caller already holds a transaction.
int inReadView(CallContext& c, const std::function<int()>& read);

// Ends the rows a query procedure wrote as a packet: the bytes into packet when the caller wants
// them, else the rows into data.
void setRows(CallContext& c, proto::packetcodec::Writer& rows);

class Registry {
public:
    struct Entry {
        QString name;
        Handler handler;
        bool writes = true;  // runs inside an immediate transaction
        // The QueryTypes answered with rows; none when the procedure takes no QueryType.
        std::optional<QStringList> queryTypes;
    };

    void add(const QString& name, Handler handler, bool writes = true,
             std::optional<QStringList> queryTypes = std::nullopt);
    const Entry* find(const QString& name) const;
    QStringList names() const;
    // Whether a call of that procedure with that QueryType is answered with rows.
    bool serves(const QString& name, const QString& queryType) const;

private:
    QHash<QString, Entry> entries_;
};

// The procedures of the system module: p_sys_Up_Log, p_sys_Up_ColConfigure, P_SYS_Up_DataRow,
// p_sys_Up_DataWLDW.
void registerSystemProcedures(Registry& procedures);
// The finance accounts of base records for the voucher export: p_Base_Up_CWKM
// (procs_finance.cpp).
void registerFinanceAccountProcedures(Registry& procedures);
// Whether the setting is one of the account-set options (written with the options' right only).
bool isOptionSetting(const QString& name);
// The function menu and the operator's rights (procs_menu.cpp).
void registerMenuProcedures(Registry& procedures);
// Base data: lists, records, tree and row order (procs_base.cpp).
void registerBaseProcedures(Registry& procedures);
// Bills: numbering, reading bills and the bill service (procs_bill.cpp).
void registerBillProcedures(Registry& procedures, Registry& services);
// Ledgers: reversal, deletion, opening balances and the opening of the account set
// (procs_ledger.cpp).
void registerLedgerProcedures(Registry& procedures);
// Month close and its undo, year close and the system rebuild (procs_period.cpp).
void registerPeriodProcedures(Registry& procedures);
// The account-set repair: p_sys_Up_DatabaseRepair (procs_repair.cpp).
void registerRepairProcedures(Registry& procedures);

}  // namespace dyt::server
