// The local base-data cache against a real dyt-server, on a connection that notes the cache's
// queries and can make one fail or add rows to its answer.

#include <sqlite3.h>

#include <QFile>

#include <utility>

#include "client/logic/clientconfig.h"
#include "client/logic/localcache.h"
#include "client/logic/lookups.h"
#include "client/logic/transport.h"
#include "common/basecache.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "support/serverfixture.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;

namespace {

using dyt::test::errorOf;

// Runs a statement on the cache file with a connection of its own; returns the first value.
qint64 onFile(const QString& file, const QString& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* st = nullptr;
    qint64 v = -1;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
        const int rc = sqlite3_step(st);
        v = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : (rc == SQLITE_DONE ? 0 : -1);
    }
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    return v;
}
QString serverValue(TdmMain& dm, const QString& sql) {
    RecordSet rs;
    dm.ExecQuery(sql, &rs);
    return rs.recordCount() > 0 ? rs.value(0).toString() : QString();
}

// The connection to the real server, noting the cache's base-data queries (their QueryType and
// condition line) and the changes sent; a test can make the next base-data query fail or add
// goods rows to its answer (a duplicate, a broken row without a key).
class WatchedTransport : public ITransport {
public:
    void open(const QString& host, int port) override { tcp.open(host, port); }
    void close() override { tcp.close(); }
    bool isOpen() const override { return tcp.isOpen(); }
    Response call(const QString& method, const QCborArray& args) override {
        if (method == u"ExecUpdate"_s)
            updates << args.at(0).toString();
        if (method != u"ExecProcQuery"_s || args.at(0).toString() != u"P_JXC_Get_Base"_s)
            return tcp.call(method, args);
        const ParamList p(args.at(1).toString());
        const QString kind = p.value(u"QueryType"_s);
        queries << kind + u' ' +
                       p.value(kind == u"SP_"_s   ? u"GoodsStr"_s
                               : kind == u"DW_"_s ? u"wldwStr"_s
                                                  : u"ckStr"_s);
        if (!failNextQuery.isEmpty())
            throw DytError(std::exchange(failNextQuery, QString()));
        Response r = tcp.call(method, args);
        if (kind == u"SP_"_s && !extraGoods.isEmpty()) {
            RecordSet rs = proto::recordSetFromCbor(r.outs.at(1));
            for (const auto& [id, name] : extraGoods) {
                rs.append();
                rs.setValue(0, id);
                rs.setValue(u"sp_spqm"_s, name);
            }
            r.outs[1] = proto::recordSetToCbor(rs);
        }
        return r;
    }
    TcpTransport tcp;
    QStringList queries;
    QStringList updates;
    QString failNextQuery;
    QList<std::pair<QVariant, QString>> extraGoods;
};
class LocalCacheTest : public test::ServerFixture {
protected:
    void beforeConnect() override {
        auto t = std::make_unique<WatchedTransport>();
        server_ = t.get();
        dm.setTransport(std::move(t));
    }
    void SetUp() override {
        ServerFixture::SetUp();
        loginedUser().ProfileName = u"dytv1_1"_s;
        loginedUser().ProfileCaption = caption();
        // As the login does in list mode.
        dm.GoodsStampNewer = 1;
        dm.PartnerStampNewer = 1;
        cache = std::make_unique<TLocalCache>(programDir.path(), &dm);
    }
    void TearDown() override {
        cache.reset();
        ServerFixture::TearDown();
    }
    // A goods or partner (code "C" + id) of the name, stamped as changed then.
    void put(const char* table, qint64 id, const QString& name, const QString& stamp) {
        const QString values = u"fullname = %1, updateTime = '%2'"_s.arg(quotedStr(name), stamp);
        if (dm.ExecUpdate(
                u"UPDATE %1 SET %2 WHERE id = %3"_s.arg(QLatin1String(table), values).arg(id)) > 0)
            return;
        const bool partner = QLatin1String(table) == u"baseWLDW"_s;
        dm.ExecUpdate(
            u"INSERT INTO %1(id, par_id, par_jl, leveal, sonnum, code, fullname, "
            "updateTime%2) VALUES (%3, 0, '%3,', 1, 0, 'C%3', %4, '%5'%6)"_s
                .arg(QLatin1String(table), partner ? u", ystotal"_s : QString())
                .arg(id)
                .arg(quotedStr(name), stamp, partner ? u", 1.2345"_s : QString()));
    }
    void addGoods(qint64 id, const QString& name, const QString& stamp) {
        put("baseGoods", id, name, stamp);
    }
    void addPartner(qint64 id, const QString& name, const QString& stamp) {
        put("baseWLDW", id, name, stamp);
    }
    // Another remote call of the client: its connection check sees the server's stamps.
    void anyServerCall() { ASSERT_TRUE(dm.CheckConnection()); }
    QString goodsStamp() const {
        return clientConfig().read(TLocalCache::goodsStampKey(caption(), 1), u"none"_s);
    }
    QString partnerStamp() const {
        return clientConfig().read(TLocalCache::partnerStampKey(caption(), 1), u"none"_s);
    }
    QString goodsName(qint64 id) {
        if (!cache->FindGoods(id))
            return u"<missing>"_s;
        return cache->cdsbaseGoods.text(u"sp_spqm"_s);
    }
    // Reads the file with a connection of its own, as a second client would.
    qint64 fileCount(const QString& sql) const { return onFile(cache->fileName(), sql); }
    WatchedTransport* server_ = nullptr;
    std::unique_ptr<TLocalCache> cache;
};
TEST_F(LocalCacheTest, FirstRunCreatesBothTablesAndLoadsEveryRow) {
    addGoods(1, u"扳手"_s, u"2026-01-05 08:00:00"_s);
    addGoods(2, u"螺丝"_s, u"2026-02-01 09:30:00"_s);
    addGoods(3, u"锤子"_s, u"2025-12-31 23:59:59"_s);
    addPartner(10, u"东方五金"_s, u"2026-01-10 10:00:00"_s);
    addPartner(11, u"西城商行"_s, u"2026-01-11 11:00:00"_s);
    cache->OpenLocalCache();
    EXPECT_EQ(QDir(programDir.path()).filePath(u"data/baseDB.db"_s), cache->fileName());
    EXPECT_EQ(2, fileCount(QStringLiteral(
                     "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND sql LIKE "
                     "'CREATE UNIQUE INDEX%'")));
    EXPECT_EQ(3, fileCount(u"SELECT count(*) FROM dytv1_1goods"_s));  // -1: no such table
    EXPECT_EQ(2, fileCount(u"SELECT count(*) FROM dytv1_1wldw"_s));
    // Every column of the table, in its order.
    EXPECT_EQ(basecache::goodsColumns().size(),
              fileCount(u"SELECT count(*) FROM pragma_table_info('dytv1_1goods')"_s));
    EXPECT_EQ(basecache::partnerColumns().size(),
              fileCount(u"SELECT count(*) FROM pragma_table_info('dytv1_1wldw')"_s));
    // A first run asks for everything since the initial stamp, and then remembers the latest
    // stamps the server showed.
    EXPECT_EQ((QStringList{u"SP_ ;czy_id=1;UpdateTime=2000-01-01"_s,
                           u"DW_ ;czy_id=1;UpdateTime=2000-01-01"_s}),
              server_->queries);
    EXPECT_EQ(u"2026-02-01 09:30:00"_s, goodsStamp());
    EXPECT_EQ(u"2026-01-11 11:00:00"_s, partnerStamp());
    EXPECT_EQ(0, dm.GoodsStampNewer);
    EXPECT_EQ(0, dm.PartnerStampNewer);
    ASSERT_TRUE(cache->FindPartner(11));
    EXPECT_EQ(u"西城商行"_s, cache->cdsbaseDW.text(u"dw_dwqm"_s));
    EXPECT_EQ(u"C11"_s, cache->cdsbaseDW.text(u"dw_dwbh"_s));
    EXPECT_EQ(Currency::fromRaw(12345), cache->cdsbaseDW.value(u"ystotal"_s).value<Currency>());
    EXPECT_FALSE(cache->FindGoods(99));
    EXPECT_EQ(0, cache->cdsbaseGoods.recordCount());
}
TEST_F(LocalCacheTest, NamesWithQuotesAndOtherSqlCharactersAreStoredIntact) {
    const QStringList names{u"O'Brien's 扳手"_s, u"'; DROP TABLE x; --"_s, u"50% \"特价\" _x_"_s,
                            u"''"_s};
    for (int i = 0; i < names.size(); ++i)
        addGoods(i + 1, names.at(i), u"2026-01-01 00:00:0%1"_s.arg(i));
    cache->OpenLocalCache();
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(names.at(i), goodsName(i + 1)) << i;
    EXPECT_EQ(4, fileCount(u"SELECT count(*) FROM dytv1_1goods"_s));
}
TEST_F(LocalCacheTest, LookupsStayLocalUntilAFlagAndARowChangedTwiceIsStoredOnce) {
    addGoods(5, u"旧名"_s, u"2026-01-01 08:00:00"_s);
    addGoods(6, u"不变"_s, u"2026-01-01 08:00:00"_s);
    cache->OpenLocalCache();
    // Lookups without a stale flag stay local.
    server_->queries.clear();
    EXPECT_EQ(u"旧名"_s, goodsName(5));
    EXPECT_EQ(u"旧名"_s, goodsName(5));
    EXPECT_EQ(QStringList(), server_->queries);
    // Changed on the server; the next connection check sees the newer stamp, the lookup brings
    // the row again and only the changed rows.
    addGoods(5, u"新名"_s, u"2026-01-02 09:00:00"_s);
    anyServerCall();
    EXPECT_EQ(1, dm.GoodsStampNewer);
    server_->queries.clear();
    EXPECT_EQ(u"新名"_s, goodsName(5));
    EXPECT_EQ((QStringList{u"SP_ ;czy_id=1;UpdateTime=2026-01-01 08:00:00"_s}), server_->queries);
    EXPECT_EQ(1, fileCount(u"SELECT count(*) FROM dytv1_1goods WHERE sp_id = 5"_s));
    // Twice in one answer: the later row wins, one row is stored.
    addGoods(5, u"第三版"_s, u"2026-01-03 10:00:00"_s);
    server_->extraGoods = {{qint64(5), u"第四版"_s}};
    anyServerCall();
    EXPECT_EQ(u"第四版"_s, goodsName(5));
    EXPECT_EQ(1, fileCount(u"SELECT count(*) FROM dytv1_1goods WHERE sp_id = 5"_s));
    EXPECT_EQ(2, fileCount(u"SELECT count(*) FROM dytv1_1goods"_s));
    EXPECT_EQ(u"不变"_s, goodsName(6));
    // The goods editor saved a record: the reload flag brings the changes though no connection
    // check has run.
    server_->queries.clear();
    cache->GoodsReload = true;
    EXPECT_EQ(u"不变"_s, goodsName(6));
    EXPECT_EQ(1, server_->queries.size());
    EXPECT_FALSE(cache->GoodsReload);
}
TEST_F(LocalCacheTest, InTheQueryOnlyModeAFutureStampReloadsWithoutChangingTheServer) {
    addGoods(1, u"扳手"_s, u"2031-07-07 07:07:07"_s);
    server_->updates.clear();
    setRunMode(kQueryOnlyMode);
    cache->OpenLocalCache();
    setRunMode(kFullMode);
    EXPECT_EQ(QStringList(), server_->updates);
    EXPECT_EQ(u"SP_ ;czy_id=1;UpdateTime=2000-01-01"_s, server_->queries.value(0));
    EXPECT_EQ(u"扳手"_s, goodsName(1));
    EXPECT_EQ(u"2031-07-07 07:07:07"_s,
              serverValue(dm, u"SELECT max(updateTime) FROM baseGoods"_s));
    // The future stamp is not taken over: the next opening loads everything again.
    EXPECT_EQ(u"2000-01-01"_s, goodsStamp());
}
TEST_F(LocalCacheTest, AFailedServerCallLeavesTheFlagAndTheStampForTheNextLookup) {
    addGoods(1, u"扳手"_s, u"2026-01-05 08:00:00"_s);
    cache->OpenLocalCache();
    addGoods(1, u"大扳手"_s, u"2026-01-06 08:00:00"_s);
    anyServerCall();
    server_->failNextQuery = u"网络中断"_s;
    EXPECT_EQ(u"ProcName:[P_JXC_Get_Base]Error:[网络中断]"_s,
              errorOf([&] { cache->FindGoods(1); }));
    EXPECT_EQ(u"2026-01-05 08:00:00"_s, goodsStamp());
    EXPECT_EQ(1, dm.GoodsStampNewer);
    EXPECT_FALSE(dm.CallBusy());
    // The next lookup repeats it from the same stamp.
    server_->queries.clear();
    EXPECT_EQ(u"大扳手"_s, goodsName(1));
    EXPECT_EQ((QStringList{u"SP_ ;czy_id=1;UpdateTime=2026-01-05 08:00:00"_s}), server_->queries);
    EXPECT_EQ(u"2026-01-06 08:00:00"_s, goodsStamp());
    EXPECT_EQ(0, dm.GoodsStampNewer);
}
TEST_F(LocalCacheTest, AFailedLocalWriteRollsBackEveryRowAndIsRepeated) {
    addGoods(1, u"甲"_s, u"2026-01-05 08:00:00"_s);
    cache->OpenLocalCache();
    ASSERT_EQ(1, fileCount(u"SELECT count(*) FROM dytv1_1goods"_s));
    // Three changed rows, the last of them broken (no key): the table refuses it.
    addGoods(1, u"甲二"_s, u"2026-01-06 08:00:00"_s);
    addGoods(2, u"乙"_s, u"2026-01-06 08:00:00"_s);
    server_->extraGoods = {{QVariant(), u"坏行"_s}};
    anyServerCall();
    const QString error = errorOf([&] { cache->FindGoods(1); });
    EXPECT_TRUE(error.startsWith(u"本地数据缓存错误："_s)) << error.toStdString();
    // Nothing of the interrupted synchronisation stays: the old row, no new one, the old stamp.
    EXPECT_EQ(1, fileCount(u"SELECT count(*) FROM dytv1_1goods"_s));
    EXPECT_EQ(0, fileCount(u"SELECT count(*) FROM dytv1_1goods WHERE sp_spqm = '甲二'"_s));
    EXPECT_EQ(u"2026-01-05 08:00:00"_s, goodsStamp());
    EXPECT_EQ(1, dm.GoodsStampNewer);
    server_->extraGoods.clear();
    server_->queries.clear();
    EXPECT_EQ(u"甲二"_s, goodsName(1));
    EXPECT_EQ(u"乙"_s, goodsName(2));
    EXPECT_EQ((QStringList{u"SP_ ;czy_id=1;UpdateTime=2026-01-05 08:00:00"_s}), server_->queries);
    EXPECT_EQ(u"2026-01-06 08:00:00"_s, goodsStamp());
}
TEST_F(LocalCacheTest, SmallKindsLoadOnceUntilTheirFlagIsSetTheFirstCacheIsTheProcesssCache) {
    struct Case {
        SmallKind kind;
        const char* queryType;
        RecordSet& (TLocalCache::*get)();
    };
    const Case cases[] = {{SmallKind::Departments, "BM_", &TLocalCache::GetDepartments},
                          {SmallKind::Accounts, "KM_", &TLocalCache::GetAccounts},
                          {SmallKind::AccountNames, "KMName", &TLocalCache::GetAccountNames},
                          {SmallKind::Warehouses, "CK_", &TLocalCache::GetWarehouses},
                          {SmallKind::Employees, "ZY_", &TLocalCache::GetEmployees}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.queryType);
        const QString kind = QString::fromLatin1(c.queryType);
        server_->queries.clear();
        EXPECT_TRUE(cache->reloadPending(c.kind));
        ((*cache).*c.get)();
        ((*cache).*c.get)();
        EXPECT_EQ((QStringList{kind + u" ;czy_id=1"_s}), server_->queries);
        EXPECT_FALSE(cache->reloadPending(c.kind));
        cache->setReload(c.kind);
        ((*cache).*c.get)();
        EXPECT_EQ(2, server_->queries.size());
        EXPECT_FALSE(cache->reloadPending(c.kind));
    }
    // The first cache is the process's cache; lookups before opening fail clearly.
    TLocalCache second(programDir.path(), &dm);
    EXPECT_EQ(cache.get(), &localCache());
    EXPECT_EQ(u"本地数据缓存还没有打开"_s, errorOf([&] { cache->FindGoods(1); }));
    EXPECT_EQ(1, dm.GoodsStampNewer);
    loginedUser().ProfileName.clear();
    EXPECT_EQ(u"本地数据缓存：没有登录的账套"_s, errorOf([&] { cache->OpenLocalCache(); }));
}
TEST_F(LocalCacheTest, TheLoginStepsReloadTheSmallKindsAndOpenTheCache) {
    addGoods(1, u"扳手"_s, u"2026-01-05 08:00:00"_s);
    for (int position = 1; position <= 6; ++position)
        cache->loginStep(position);
    EXPECT_EQ((QStringList{u"BM_ ;czy_id=1"_s, u"KM_ ;czy_id=1"_s, u"KMName ;czy_id=1"_s,
                           u"CK_ ;czy_id=1"_s, u"ZY_ ;czy_id=1"_s,
                           u"SP_ ;czy_id=1;UpdateTime=2000-01-01"_s,
                           u"DW_ ;czy_id=1;UpdateTime=2000-01-01"_s}),
              server_->queries);
    EXPECT_TRUE(cache->isOpen());
    // A failure in a step is shown; the login goes on and the flag stays for the next lookup.
    addGoods(1, u"大扳手"_s, u"2026-01-06 08:00:00"_s);
    server_->failNextQuery = u"服务器忙"_s;
    cache->loginStep(6);
    const QList<PromptRecord> shown = script.records(PromptKind::Message);
    ASSERT_EQ(1, shown.size());
    EXPECT_EQ(u"错误|ProcName:[P_JXC_Get_Base]Error:[服务器忙]"_s,
              shown.at(0).caption + u'|' + shown.at(0).text);
    EXPECT_EQ(1, dm.GoodsStampNewer);
    EXPECT_EQ(u"大扳手"_s, goodsName(1));
}
TEST_F(LocalCacheTest, ADeletedFileIsLoadedInFullDespiteTheStoredStamp) {
    addGoods(1, u"扳手"_s, u"2026-01-05 08:00:00"_s);
    addPartner(10, u"东方五金"_s, u"2026-01-10 10:00:00"_s);
    cache->OpenLocalCache();
    ASSERT_EQ(u"2026-01-05 08:00:00"_s, goodsStamp());
    cache->Close();
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(cache->fileName() + QString::fromLatin1(suffix));
    server_->queries.clear();
    cache->OpenLocalCache();
    EXPECT_EQ((QStringList{u"SP_ ;czy_id=1;UpdateTime=2000-01-01"_s,
                           u"DW_ ;czy_id=1;UpdateTime=2000-01-01"_s}),
              server_->queries);
    EXPECT_EQ(u"扳手"_s, goodsName(1));
    ASSERT_TRUE(cache->FindPartner(10));
    EXPECT_EQ(u"2026-01-05 08:00:00"_s, goodsStamp());
    // Opening an existing file keeps to the stored stamp.
    server_->queries.clear();
    dm.GoodsStampNewer = 1;
    cache->OpenLocalCache();
    EXPECT_EQ((QStringList{u"SP_ ;czy_id=1;UpdateTime=2026-01-05 08:00:00"_s}), server_->queries);
}
TEST_F(LocalCacheTest, EachAccountSetHasItsOwnTablesAndStamps) {
    addGoods(1, u"甲的商品"_s, u"2026-01-05 08:00:00"_s);
    cache->OpenLocalCache();
    // Another account set: new tables, a full load with its own stamp key.
    ASSERT_EQ(QString(), test::createAndLogIn(dm, u"账套乙"_s, u"dytv1_2"_s));
    addGoods(1, u"乙的商品"_s, u"2026-02-05 08:00:00"_s);
    loginedUser().ProfileName = u"dytv1_2"_s;
    loginedUser().ProfileCaption = u"账套乙"_s;
    dm.GoodsStampNewer = 1;
    server_->queries.clear();
    cache->OpenLocalCache();
    EXPECT_EQ(u"SP_ ;czy_id=1;UpdateTime=2000-01-01"_s, server_->queries.value(0));
    EXPECT_EQ(u"乙的商品"_s, goodsName(1));
    EXPECT_EQ(1, fileCount(u"SELECT count(*) FROM dytv1_1goods WHERE sp_spqm = '甲的商品'"_s));
    EXPECT_EQ(0, fileCount(u"SELECT count(*) FROM dytv1_1goods WHERE sp_spqm = '乙的商品'"_s));
    EXPECT_EQ(u"2026-01-05 08:00:00"_s, goodsStamp());
    EXPECT_EQ(u"2026-02-05 08:00:00"_s,
              clientConfig().read(TLocalCache::goodsStampKey(u"账套乙"_s, 1)));
}
TEST_F(LocalCacheTest, TwoClientsOnOneComputerShareTheFile) {
    addGoods(1, u"扳手"_s, u"2026-01-05 08:00:00"_s);
    cache->OpenLocalCache();
    // A second client on the same program folder: its own cache on the same file.
    TLocalCache second(programDir.path(), &dm);
    second.OpenLocalCache();
    // The second writes a change; the first reads it from the file without asking the server.
    addGoods(2, u"螺丝"_s, u"2026-01-06 08:00:00"_s);
    anyServerCall();
    ASSERT_TRUE(second.FindGoods(2));
    server_->queries.clear();
    EXPECT_EQ(u"螺丝"_s, goodsName(2));
    EXPECT_EQ(QStringList(), server_->queries);
    EXPECT_EQ(1, fileCount(QStringLiteral("SELECT count(*) FROM pragma_journal_mode WHERE "
                                          "journal_mode = 'wal'")));
}

// Goods with units and a cost method, a partner with a balance: a change brought by the reload
// flag, the clock check with a stamp in the future, the small kinds.
TEST_F(LocalCacheTest, LoadsChangesAndResetsFutureStamps) {
    // Base data written as the client's SQL, through the dialect layer.
    exec(
        {"INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname, name, pym, "
         "costmode) VALUES (101, 0, '101,', 1, 0, 'SP101', 'O''Brien 扳手', '扳手', 'BS', 2)",
         "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price) VALUES "
         "(101, 0, '把', 1, '6901', 3.5)",
         "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname, ystotal) "
         "VALUES (201, 0, '201,', 1, 0, 'DW201', '东方''五金', 88.5)",
         "INSERT INTO baseCK(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
         "(301, 0, '301,', 1, 0, 'CK1', '总仓')"});
    cache->OpenLocalCache();
    ASSERT_TRUE(cache->FindGoods(101));
    EXPECT_EQ(u"O'Brien 扳手|把|3.5|先进先出"_s,
              dyt::test::clientValuesText(
                  cache->cdsbaseGoods.text(u"sp_spqm"_s), cache->cdsbaseGoods.text(u"sp_jbdw"_s),
                  cache->cdsbaseGoods.text(u"sp_lsj"_s), cache->cdsbaseGoods.text(u"sp_cbsf"_s)));
    ASSERT_TRUE(cache->FindPartner(201));
    EXPECT_EQ(u"东方'五金"_s, cache->cdsbaseDW.text(u"dw_dwqm"_s));
    EXPECT_EQ(885000, cache->cdsbaseDW.value(u"ystotal"_s).value<Currency>().raw());
    const QString stamp = clientConfig().read(TLocalCache::goodsStampKey(caption(), 1));
    EXPECT_EQ(serverValue(dm, u"SELECT max(updateTime) FROM baseGoods"_s), stamp);
    // The goods editor changes a price and sets the reload flag.
    dm.ExecUpdate(u"UPDATE baseGoodsUnit SET price = 4.5 WHERE Goodsid = 101"_s);
    cache->GoodsReload = true;
    ASSERT_TRUE(cache->FindGoods(101));
    EXPECT_EQ(u"4.5"_s, cache->cdsbaseGoods.text(u"sp_lsj"_s));
    // A server clock that ran ahead left a stamp in the future; this client's table lost its
    // rows meanwhile. The next opening resets the stamps and reloads everything.
    dm.ExecUpdate(u"UPDATE baseGoods SET updateTime = '2099-01-01 00:00:00' WHERE id = 101"_s);
    ASSERT_EQ(0, onFile(cache->fileName(), u"DELETE FROM dytv1_1goods"_s));
    cache->OpenLocalCache();
    EXPECT_GT(u"2099"_s, serverValue(dm, u"SELECT max(updateTime) FROM baseGoods"_s));
    EXPECT_GT(u"2099"_s, clientConfig().read(TLocalCache::goodsStampKey(caption(), 1)));
    EXPECT_TRUE(cache->FindGoods(101));
    EXPECT_EQ(1, onFile(cache->fileName(), u"SELECT count(*) FROM dytv1_1goods"_s));
    // The small kinds come from the same procedure.
    const RecordSet& warehouses = cache->GetWarehouses();
    ASSERT_EQ(1, warehouses.recordCount());
    EXPECT_EQ(u"总仓"_s, warehouses.text(u"ck_ckqm"_s));
    EXPECT_GE(cache->GetEmployees().recordCount(), 1);
    EXPECT_GT(cache->GetAccounts().recordCount(), 0);
    EXPECT_EQ(cache->GetAccounts().recordCount(), cache->GetAccountNames().recordCount());
}

}  // namespace
