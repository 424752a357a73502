#pragma once
// The local base-data cache. Goods and trading partners, the two large base lists that every bill
// and selection dialog reads, are kept in an embedded SQLite file "data/baseDB.db" in the program
// folder, one pair of tables per account set (ProfileName + "goods" / "wldw"), and brought up to
// date incrementally from the server: a change stamp per list tells which rows changed since the
// last synchronisation. The small lists (departments, accounts, account names, warehouses,
// employees) are held in memory and reloaded only when marked stale.
//
// Every server call goes through the data module (dmMain()). A synchronisation writes all its
// rows in one local transaction (one prepared insert that replaces the row of the same key, values
// bound straight from the received bytes) and moves the stored stamp only after the transaction
// committed; one that fails leaves the stale flag set and the stamp where it was, so the next
// lookup repeats it. Two clients on one computer share the file (WAL journal, busy timeout).

#include <QCborValue>
#include <QString>

#include <functional>

#include "client/logic/fixedtext.h"
#include "common/recordset.h"

struct sqlite3;
struct sqlite3_stmt;

namespace dyt::client {

class TdmMain;

namespace cachetext {
inline constexpr FixedText notOpen{u"本地数据缓存还没有打开"};
// The clock check on the server: a change stamp in the future.
QString goodsClockSql();  // "SELECT top 1 a.id FROM baseGoods AS a WHERE a.updateTime > …"
inline constexpr FixedText goodsStampResetSql{u" Update basegoods SET updateTime = GETDATE() "};
QString partnerClockSql();
inline constexpr FixedText partnerStampResetSql{u" Update basewldw SET updateTime = GETDATE() "};
}  // namespace cachetext

// The small in-memory kinds.
enum class SmallKind { Departments, Accounts, AccountNames, Warehouses, Employees };

class TLocalCache {
public:
    // The cache file lives in the "data" folder of programDir (the folder of the running program
    // when empty); server calls go through dm (dmMain() when null). The first cache created
    // becomes the process's instance (localCache()).
    explicit TLocalCache(const QString& programDir = QString(), TdmMain* dm = nullptr);
    ~TLocalCache();
    TLocalCache(const TLocalCache&) = delete;
    TLocalCache& operator=(const TLocalCache&) = delete;

    static QString relativeFileName();  // "data/baseDB.db"
    QString fileName() const;
    bool isOpen() const { return db_ != nullptr; }
    // ProfileName of the account set whose tables are open.
    QString profileName() const { return profile_; }
    QString goodsTable() const;    // ProfileName + "goods"
    QString partnerTable() const;  // ProfileName + "wldw"

    // Keys of the stored stamps in the client configuration file.
    static QString goodsStampKey(const QString& profileCaption, int userId);
    static QString partnerStampKey(const QString& profileCaption, int userId);

    // After a successful login: (re)opens the file for the session's account set, creates the
    // two tables when missing, runs the clock check on the server and synchronises both lists.
    void OpenLocalCache();
    void Close();

    // Bring the local table up to date when the data module's stamp flag or the reload flag says
    // so; return the local query record set.
    RecordSet& SyncGoods();
    RecordSet& SyncPartners();
    // Synchronise first, then read the row of that id into cdsbaseGoods / cdsbaseDW; true when
    // exactly one row is found.
    bool FindGoods(qint64 id);
    bool FindPartner(qint64 id);

    // The small kinds, loaded first when not loaded yet or marked stale.
    RecordSet& GetDepartments() { return small(SmallKind::Departments); }
    RecordSet& GetAccounts() { return small(SmallKind::Accounts); }
    RecordSet& GetAccountNames() { return small(SmallKind::AccountNames); }
    RecordSet& GetWarehouses() { return small(SmallKind::Warehouses); }
    RecordSet& GetEmployees() { return small(SmallKind::Employees); }
    RecordSet& small(SmallKind kind);
    // Marks a small kind stale (its editor saved a record); the next Get reloads it.
    void setReload(SmallKind kind);
    bool reloadPending(SmallKind kind) const;
    static QString queryTypeOf(SmallKind kind);  // "BM_", "KM_", "KMName", "CK_", "ZY_"

    // Set by the goods and partner editors after saving: the next lookup synchronises.
    bool GoodsReload = false;
    bool PartnerReload = false;

    // The local query record sets and the rows received by the last synchronisation.
    RecordSet cdsbaseGoods;
    RecordSet cdsbaseDW;
    RecordSet cdsbaseGoods0;
    RecordSet cdsbaseDW0;

    // One step of the progress after a login: positions 1 to 5 reload the small kinds, position 6
    // opens the local cache. A failure is shown to the operator; the stale flags stay set, so the
    // next lookup tries again.
    void loginStep(int position);

private:
    struct CachedList;
    struct SmallSet {
        RecordSet data;
        bool open = false;
        bool reload = false;
    };

    static const CachedList& goodsList();
    static const CachedList& partnerList();
    TdmMain& dm() const;
    void requireOpen() const;
    // Creates the tables that are missing; true for each list whose table was new.
    void createTables(bool created[2]);
    void clockCheck(const CachedList& list);
    RecordSet& sync(const CachedList& list);
    void writeRows(const CachedList& list, const RecordSet& rows);
    void writePacket(const CachedList& list, const QCborValue& packet);
    bool find(const CachedList& list, qint64 id);
    void exec(const QString& sql);

    QString programDir_;
    TdmMain* dm_ = nullptr;
    sqlite3* db_ = nullptr;
    // The lookups by id, prepared once per opening (goods, partners).
    sqlite3_stmt* findStatements_[2] = {nullptr, nullptr};
    QString profile_;
    // The server holds stamps in the future that this client may not reset (query-only mode):
    // the stored stamp stays at the start, so that every opening reloads in full.
    bool stampsAhead_[2] = {false, false};
    SmallSet small_[5];
};

// The process's cache: the first one created, else one in the program folder created on first
// use.
TLocalCache& localCache();
// The process's cache when there is one; null otherwise (nothing is created).
TLocalCache* existingLocalCache();

}  // namespace dyt::client
