// The local base-data cache against a small fake server that keeps rows with change stamps, and
// against a real dyt-server.

#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>

#include <map>

#include "client/logic/clientconfig.h"
#include "client/logic/localcache.h"
#include "common/basecache.h"
#include "common/condition.h"
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

// A server that knows goods and partners with their stamps, and answers what the cache sends:
// the echo with the latest stamps, the clock check, the stamp reset and P_JXC_Get_Base.
class FakeBaseServer : public ITransport {
public:
    struct Row {
        QVariant id;  // Null for a broken row
        QString name;
        QString stamp;
    };
    std::map<qint64, Row> goods;
    std::map<qint64, Row> partners;
    QString now = u"2026-03-01 12:00:00"_s;
    // Extra rows sent after the stored ones (duplicates, broken rows).
    QList<Row> extraGoods;
    // The next P_JXC_Get_Base fails with this message when set.
    QString failNextQuery;
    QList<RecordedCall> calls;

    void open(const QString&, int) override { open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }

    Response call(const QString& method, const QCborArray& args) override {
        RecordedCall rec;
        rec.method = method;
        rec.args = args;
        Response r;
        r.result = 0;
        if (method == QLatin1String("InitDataBase")) {
            r.outs = {QString()};
        } else if (method == QLatin1String("ConnectionVar")) {
            r.result = proto::joinLines({proto::splitLines(args.at(0).toString()).value(0),
                                         maxStamp(goods), maxStamp(partners)});
        } else if (method == QLatin1String("ExecQuery")) {
            rec.sql = args.at(0).toString();
            RecordSet rs;
            rs.addField(u"id"_s, FieldType::Integer);
            const auto& rows = rec.sql.contains(QLatin1String("baseGoods")) ? goods : partners;
            for (const auto& [id, row] : rows) {
                if (row.stamp > now) {
                    rs.appendRow({id});
                    break;
                }
            }
            r.outs = {proto::recordSetToCbor(rs), QString()};
        } else if (method == QLatin1String("ExecUpdate")) {
            rec.sql = args.at(0).toString();
            auto& rows = rec.sql.contains(QLatin1String("basegoods")) ? goods : partners;
            for (auto& [id, row] : rows)
                row.stamp = now;
            r.result = static_cast<qint64>(rows.size());
            r.outs = {QString()};
        } else if (method == QLatin1String("ExecProcQuery")) {
            rec.procedure = args.at(0).toString();
            rec.paramLines = proto::splitLines(args.at(1).toString());
            calls.append(rec);
            if (!failNextQuery.isEmpty()) {
                const QString message = failNextQuery;
                failNextQuery.clear();
                throw DytError(message);
            }
            r.outs = {args.at(1).toString(), proto::recordSetToCbor(answer(rec.paramLines))};
            return r;
        }
        calls.append(rec);
        return r;
    }
    // The P_JXC_Get_Base calls sent, as their QueryType and condition line.
    QStringList baseQueries() const {
        QStringList out;
        for (const RecordedCall& c : calls) {
            if (c.procedure != QLatin1String("P_JXC_Get_Base"))
                continue;
            const ParamList p(c.paramLines.join(u"\r\n"_s));
            const QString kind = p.value(u"QueryType"_s);
            const QString line = kind == QLatin1String("SP_")   ? p.value(u"GoodsStr"_s)
                                 : kind == QLatin1String("DW_") ? p.value(u"wldwStr"_s)
                                                                : p.value(u"ckStr"_s);
            out << kind + QLatin1Char(' ') + line;
        }
        return out;
    }
    QStringList sqlSent() const {
        QStringList out;
        for (const RecordedCall& c : calls) {
            if (!c.sql.isEmpty())
                out << c.method + QLatin1Char(':') + c.sql;
        }
        return out;
    }

private:
    static QString maxStamp(const std::map<qint64, Row>& rows) {
        QString m = u"2000-01-01"_s;
        for (const auto& [id, row] : rows)
            m = std::max(m, row.stamp);
        return m;
    }
    RecordSet answer(const QStringList& lines) const {
        const ParamList p(lines.join(u"\r\n"_s));
        const QString kind = p.value(u"QueryType"_s);
        if (kind == QLatin1String("SP_") || kind == QLatin1String("DW_")) {
            const bool isGoods = kind == QLatin1String("SP_");
            const QString since =
                conditionValue(p.value(isGoods ? u"GoodsStr"_s : u"wldwStr"_s), u"UpdateTime"_s);
            RecordSet rs = basecache::emptyRecordSet(isGoods ? basecache::goodsColumns()
                                                             : basecache::partnerColumns());
            const QString nameField = isGoods ? u"sp_spqm"_s : u"dw_dwqm"_s;
            const QString codeField = isGoods ? u"sp_spbh"_s : u"dw_dwbh"_s;
            auto add = [&](const Row& row) {
                rs.append();
                rs.setValue(0, row.id);
                rs.setValue(nameField, row.name);
                rs.setValue(codeField, u"C"_s + row.id.toString());
                if (!isGoods)
                    rs.setValue(u"ystotal"_s, QVariant::fromValue(Currency::fromRaw(12345)));
            };
            for (const auto& [id, row] : isGoods ? goods : partners) {
                if (since <= QLatin1String("2000-01-01") || row.stamp >= since)
                    add(row);
            }
            if (isGoods) {
                for (const Row& row : extraGoods)
                    add(row);
            }
            return rs;
        }
        // A small kind: one row naming the kind, so that each load can be told apart.
        RecordSet rs = test::recordSet({u"id:integer"_s, u"fullname"_s},
                                       {{static_cast<qint64>(calls.size()), kind}});
        return rs;
    }
    bool open_ = false;
};
class LocalCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        resetSession();
        setRunMode(kFullMode);
        test::reportFaultsToTest(script);
        openClientConfig(dir.path());
        dm = std::make_unique<TdmMain>();
        auto t = std::make_unique<FakeBaseServer>();
        server = t.get();
        dm->setTransport(std::move(t));
        ASSERT_TRUE(dm->ConnectServer(u"srv:8019"_s, false, 1));
        TLoginedUser& u = loginedUser();
        u.UserId = 7;
        u.ProfileName = u"dytv1_1"_s;
        u.ProfileCaption = u"账套甲"_s;
        setLoggedIn(true);
        // As the login does in list mode.
        dm->GoodsStampNewer = 1;
        dm->PartnerStampNewer = 1;
        cache = std::make_unique<TLocalCache>(dir.path(), dm.get());
    }
    void TearDown() override {
        cache.reset();
        dm.reset();
        closeClientConfig();
        resetSession();
    }
    void addGoods(qint64 id, const QString& name, const QString& stamp) {
        server->goods[id] = {id, name, stamp};
    }
    void addPartner(qint64 id, const QString& name, const QString& stamp) {
        server->partners[id] = {id, name, stamp};
    }
    // Another remote call of the client: its connection check sees the server's stamps.
    void anyServerCall() { ASSERT_TRUE(dm->CheckConnection()); }
    QString goodsStamp() const { return clientConfig().read(u"账套甲spUpdateDate_7"_s, u"none"_s); }
    QString partnerStamp() const {
        return clientConfig().read(u"账套甲wldwUpdateDate_7"_s, u"none"_s);
    }
    QString goodsName(qint64 id) {
        if (!cache->FindGoods(id))
            return u"<missing>"_s;
        return cache->cdsbaseGoods.text(u"sp_spqm"_s);
    }
    // Reads the file with a connection of its own, as a second client would.
    qint64 fileCount(const QString& sql) const { return onFile(cache->fileName(), sql); }
    QTemporaryDir dir;
    ScriptedPrompter script;
    PrompterOverride override_{&script};
    std::unique_ptr<TdmMain> dm;
    FakeBaseServer* server = nullptr;
    std::unique_ptr<TLocalCache> cache;
};
TEST_F(LocalCacheTest, FirstRunCreatesBothTablesAndLoadsEveryRow) {
    addGoods(1, u"扳手"_s, u"2026-01-05 08:00:00"_s);
    addGoods(2, u"螺丝"_s, u"2026-02-01 09:30:00"_s);
    addGoods(3, u"锤子"_s, u"2025-12-31 23:59:59"_s);
    addPartner(10, u"东方五金"_s, u"2026-01-10 10:00:00"_s);
    addPartner(11, u"西城商行"_s, u"2026-01-11 11:00:00"_s);
    cache->OpenLocalCache();
    EXPECT_EQ(QDir(dir.path()).filePath(u"data/baseDB.db"_s), cache->fileName());
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
    EXPECT_EQ((QStringList{u"SP_ ;czy_id=7;UpdateTime=2000-01-01"_s,
                           u"DW_ ;czy_id=7;UpdateTime=2000-01-01"_s}),
              server->baseQueries());
    EXPECT_EQ(u"2026-02-01 09:30:00"_s, goodsStamp());
    EXPECT_EQ(u"2026-01-11 11:00:00"_s, partnerStamp());
    EXPECT_EQ(0, dm->GoodsStampNewer);
    EXPECT_EQ(0, dm->PartnerStampNewer);
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
TEST_F(LocalCacheTest, ARowChangedTwiceIsStoredOnce) {
    addGoods(5, u"旧名"_s, u"2026-01-01 08:00:00"_s);
    addGoods(6, u"不变"_s, u"2026-01-01 08:00:00"_s);
    cache->OpenLocalCache();
    EXPECT_EQ(u"旧名"_s, goodsName(5));
    // Changed on the server; the next connection check sees the newer stamp, the lookup brings
    // the row again and only the changed rows.
    addGoods(5, u"新名"_s, u"2026-01-02 09:00:00"_s);
    anyServerCall();
    EXPECT_EQ(1, dm->GoodsStampNewer);
    server->calls.clear();
    EXPECT_EQ(u"新名"_s, goodsName(5));
    EXPECT_EQ((QStringList{u"SP_ ;czy_id=7;UpdateTime=2026-01-01 08:00:00"_s}),
              server->baseQueries());
    EXPECT_EQ(1, fileCount(u"SELECT count(*) FROM dytv1_1goods WHERE sp_id = 5"_s));
    // Twice in one answer: the later row wins, one row is stored.
    addGoods(5, u"第三版"_s, u"2026-01-03 10:00:00"_s);
    server->extraGoods = {{qint64(5), u"第四版"_s, u"2026-01-03 10:00:00"_s}};
    anyServerCall();
    EXPECT_EQ(u"第四版"_s, goodsName(5));
    EXPECT_EQ(1, fileCount(u"SELECT count(*) FROM dytv1_1goods WHERE sp_id = 5"_s));
    EXPECT_EQ(2, fileCount(u"SELECT count(*) FROM dytv1_1goods"_s));
    EXPECT_EQ(u"不变"_s, goodsName(6));
}
TEST_F(LocalCacheTest, LookupsWithoutAStaleFlagStayLocal) {
    addGoods(1, u"扳手"_s, u"2026-01-05 08:00:00"_s);
    cache->OpenLocalCache();
    server->calls.clear();
    EXPECT_EQ(u"扳手"_s, goodsName(1));
    EXPECT_EQ(u"扳手"_s, goodsName(1));
    EXPECT_EQ(QStringList(), server->baseQueries());
    // The goods editor saved a record: the reload flag brings the changes though no connection
    // check has run.
    cache->GoodsReload = true;
    EXPECT_EQ(u"扳手"_s, goodsName(1));
    EXPECT_EQ(1, server->baseQueries().size());
    EXPECT_FALSE(cache->GoodsReload);
}
TEST_F(LocalCacheTest, InTheQueryOnlyModeAFutureStampReloadsWithoutChangingTheServer) {
    addGoods(1, u"扳手"_s, u"2031-07-07 07:07:07"_s);
    setRunMode(kQueryOnlyMode);
    cache->OpenLocalCache();
    setRunMode(kFullMode);
    for (const QString& sql : server->sqlSent())
        EXPECT_FALSE(sql.startsWith(QLatin1String("ExecUpdate"))) << sql.toStdString();
    EXPECT_EQ(u"SP_ ;czy_id=7;UpdateTime=2000-01-01"_s, server->baseQueries().value(0));
    EXPECT_EQ(u"扳手"_s, goodsName(1));
    EXPECT_EQ(u"2031-07-07 07:07:07"_s, server->goods[1].stamp);
    // The future stamp is not taken over: the next opening loads everything again.
    EXPECT_EQ(u"2000-01-01"_s, goodsStamp());
}
TEST_F(LocalCacheTest, AFailedServerCallLeavesTheFlagAndTheStampForTheNextLookup) {
    addGoods(1, u"扳手"_s, u"2026-01-05 08:00:00"_s);
    cache->OpenLocalCache();
    addGoods(1, u"大扳手"_s, u"2026-01-06 08:00:00"_s);
    anyServerCall();
    server->failNextQuery = u"网络中断"_s;
    EXPECT_EQ(u"ProcName:[P_JXC_Get_Base]Error:[网络中断]"_s,
              errorOf([&] { cache->FindGoods(1); }));
    EXPECT_EQ(u"2026-01-05 08:00:00"_s, goodsStamp());
    EXPECT_EQ(1, dm->GoodsStampNewer);
    EXPECT_FALSE(dm->CallBusy());
    // The next lookup repeats it from the same stamp.
    server->calls.clear();
    EXPECT_EQ(u"大扳手"_s, goodsName(1));
    EXPECT_EQ((QStringList{u"SP_ ;czy_id=7;UpdateTime=2026-01-05 08:00:00"_s}),
              server->baseQueries());
    EXPECT_EQ(u"2026-01-06 08:00:00"_s, goodsStamp());
    EXPECT_EQ(0, dm->GoodsStampNewer);
}
TEST_F(LocalCacheTest, AFailedLocalWriteRollsBackEveryRowAndIsRepeated) {
    addGoods(1, u"甲"_s, u"2026-01-05 08:00:00"_s);
    cache->OpenLocalCache();
    ASSERT_EQ(1, fileCount(u"SELECT count(*) FROM dytv1_1goods"_s));
    // Three changed rows, the last of them broken (no key): the table refuses it.
    addGoods(1, u"甲二"_s, u"2026-01-06 08:00:00"_s);
    addGoods(2, u"乙"_s, u"2026-01-06 08:00:00"_s);
    server->extraGoods = {{QVariant(), u"坏行"_s, u"2026-01-06 08:00:00"_s}};
    anyServerCall();
    const QString error = errorOf([&] { cache->FindGoods(1); });
    EXPECT_TRUE(error.startsWith(u"本地数据缓存错误："_s)) << error.toStdString();
    // Nothing of the interrupted synchronisation stays: the old row, no new one, the old stamp.
    EXPECT_EQ(1, fileCount(u"SELECT count(*) FROM dytv1_1goods"_s));
    EXPECT_EQ(0, fileCount(u"SELECT count(*) FROM dytv1_1goods WHERE sp_spqm = '甲二'"_s));
    EXPECT_EQ(u"2026-01-05 08:00:00"_s, goodsStamp());
    EXPECT_EQ(1, dm->GoodsStampNewer);
    server->extraGoods.clear();
    server->calls.clear();
    EXPECT_EQ(u"甲二"_s, goodsName(1));
    EXPECT_EQ(u"乙"_s, goodsName(2));
    EXPECT_EQ((QStringList{u"SP_ ;czy_id=7;UpdateTime=2026-01-05 08:00:00"_s}),
              server->baseQueries());
    EXPECT_EQ(u"2026-01-06 08:00:00"_s, goodsStamp());
}
// The first cache is the process's cache; lookups before opening fail clearly.
TEST_F(LocalCacheTest, TheFirstCacheIsTheProcesssCacheAndLooksUpOnlyWhenOpen) {
    TLocalCache second(dir.path(), dm.get());
    EXPECT_EQ(cache.get(), &localCache());
    EXPECT_EQ(u"本地数据缓存还没有打开"_s, errorOf([&] { cache->FindGoods(1); }));
    EXPECT_EQ(1, dm->GoodsStampNewer);
    loginedUser().ProfileName.clear();
    EXPECT_EQ(u"本地数据缓存：没有登录的账套"_s, errorOf([&] { cache->OpenLocalCache(); }));
}
TEST_F(LocalCacheTest, SmallKindsLoadOnceUntilTheirFlagIsSet) {
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
        server->calls.clear();
        EXPECT_TRUE(cache->reloadPending(c.kind));
        const qint64 first = ((*cache).*c.get)().integer(u"id"_s);
        EXPECT_EQ(kind, ((*cache).*c.get)().text(u"fullname"_s));
        EXPECT_EQ(first, ((*cache).*c.get)().integer(u"id"_s));
        EXPECT_EQ((QStringList{kind + u" ;czy_id=7"_s}), server->baseQueries());
        EXPECT_FALSE(cache->reloadPending(c.kind));
        cache->setReload(c.kind);
        EXPECT_NE(first, ((*cache).*c.get)().integer(u"id"_s));
        EXPECT_EQ(2, server->baseQueries().size());
        EXPECT_FALSE(cache->reloadPending(c.kind));
    }
}
TEST_F(LocalCacheTest, TheLoginStepsReloadTheSmallKindsAndOpenTheCache) {
    addGoods(1, u"扳手"_s, u"2026-01-05 08:00:00"_s);
    for (int position = 1; position <= 6; ++position)
        cache->loginStep(position);
    EXPECT_EQ((QStringList{u"BM_ ;czy_id=7"_s, u"KM_ ;czy_id=7"_s, u"KMName ;czy_id=7"_s,
                           u"CK_ ;czy_id=7"_s, u"ZY_ ;czy_id=7"_s,
                           u"SP_ ;czy_id=7;UpdateTime=2000-01-01"_s,
                           u"DW_ ;czy_id=7;UpdateTime=2000-01-01"_s}),
              server->baseQueries());
    EXPECT_TRUE(cache->isOpen());
    // A failure in a step is shown; the login goes on and the flag stays for the next lookup.
    addGoods(1, u"大扳手"_s, u"2026-01-06 08:00:00"_s);
    server->failNextQuery = u"服务器忙"_s;
    cache->loginStep(6);
    const QList<PromptRecord> shown = script.records(PromptKind::Message);
    ASSERT_EQ(1, shown.size());
    EXPECT_EQ(u"错误|ProcName:[P_JXC_Get_Base]Error:[服务器忙]"_s,
              shown.at(0).caption + u'|' + shown.at(0).text);
    EXPECT_EQ(1, dm->GoodsStampNewer);
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
    server->calls.clear();
    cache->OpenLocalCache();
    EXPECT_EQ((QStringList{u"SP_ ;czy_id=7;UpdateTime=2000-01-01"_s,
                           u"DW_ ;czy_id=7;UpdateTime=2000-01-01"_s}),
              server->baseQueries());
    EXPECT_EQ(u"扳手"_s, goodsName(1));
    ASSERT_TRUE(cache->FindPartner(10));
    EXPECT_EQ(u"2026-01-05 08:00:00"_s, goodsStamp());
    // Opening an existing file keeps to the stored stamp.
    server->calls.clear();
    dm->GoodsStampNewer = 1;
    cache->OpenLocalCache();
    EXPECT_EQ((QStringList{u"SP_ ;czy_id=7;UpdateTime=2026-01-05 08:00:00"_s}),
              server->baseQueries());
}
TEST_F(LocalCacheTest, EachAccountSetHasItsOwnTablesAndStamps) {
    addGoods(1, u"甲的商品"_s, u"2026-01-05 08:00:00"_s);
    cache->OpenLocalCache();
    // Another account set: new tables, a full load with its own stamp key.
    server->goods.clear();
    addGoods(1, u"乙的商品"_s, u"2026-02-05 08:00:00"_s);
    loginedUser().ProfileName = u"dytv1_2"_s;
    loginedUser().ProfileCaption = u"账套乙"_s;
    dm->GoodsStampNewer = 1;
    server->calls.clear();
    cache->OpenLocalCache();
    EXPECT_EQ(u"SP_ ;czy_id=7;UpdateTime=2000-01-01"_s, server->baseQueries().value(0));
    EXPECT_EQ(u"乙的商品"_s, goodsName(1));
    EXPECT_EQ(1, fileCount(u"SELECT count(*) FROM dytv1_1goods WHERE sp_spqm = '甲的商品'"_s));
    EXPECT_EQ(0, fileCount(u"SELECT count(*) FROM dytv1_1goods WHERE sp_spqm = '乙的商品'"_s));
    EXPECT_EQ(u"2026-01-05 08:00:00"_s, goodsStamp());
    EXPECT_EQ(u"2026-02-05 08:00:00"_s, clientConfig().read(u"账套乙spUpdateDate_7"_s));
}
TEST_F(LocalCacheTest, TwoClientsOnOneComputerShareTheFile) {
    addGoods(1, u"扳手"_s, u"2026-01-05 08:00:00"_s);
    cache->OpenLocalCache();
    // The second client: its own data module and cache on the same program folder.
    TdmMain dm2;
    auto t = std::make_unique<FakeBaseServer>();
    FakeBaseServer* server2 = t.get();
    server2->goods = server->goods;
    dm2.setTransport(std::move(t));
    ASSERT_TRUE(dm2.ConnectServer(u"srv:8019"_s, false, 1));
    TLocalCache second(dir.path(), &dm2);
    second.OpenLocalCache();
    // While the first reads, the second writes a change; each sees the other's rows.
    server2->goods[2] = {qint64(2), u"螺丝"_s, u"2026-01-06 08:00:00"_s};
    ASSERT_TRUE(dm2.CheckConnection());
    ASSERT_TRUE(cache->FindGoods(1));
    ASSERT_TRUE(second.FindGoods(2));
    EXPECT_EQ(u"螺丝"_s, goodsName(2));
    EXPECT_EQ(1, fileCount(QStringLiteral("SELECT count(*) FROM pragma_journal_mode WHERE "
                                          "journal_mode = 'wal'")));
}

// Against a real dyt-server: first load, a change brought by the reload flag, the clock check
// with a stamp in the future, the small kinds.
class LocalCacheEndToEnd : public dyt::test::ServerFixture {};

TEST_F(LocalCacheEndToEnd, LoadsChangesAndResetsFutureStampsOnARealServer) {
    loginedUser().ProfileName = u"dytv1_1"_s;
    loginedUser().ProfileCaption = u"账套甲"_s;
    // Base data written as the client's SQL, through the dialect layer.
    exec({"INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname, name, pym, "
          "costmode) VALUES (101, 0, '101,', 1, 0, 'SP101', 'O''Brien 扳手', '扳手', 'BS', 2)",
          "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price) VALUES "
          "(101, 0, '把', 1, '6901', 3.5)",
          "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname, ystotal) "
          "VALUES (201, 0, '201,', 1, 0, 'DW201', '东方''五金', 88.5)",
          "INSERT INTO baseCK(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
          "(301, 0, '301,', 1, 0, 'CK1', '总仓')"});
    // As the login does in list mode.
    dm.GoodsStampNewer = 1;
    dm.PartnerStampNewer = 1;
    TLocalCache cache(programDir.path(), &dm);
    cache.OpenLocalCache();
    ASSERT_TRUE(cache.FindGoods(101));
    EXPECT_EQ(u"O'Brien 扳手|把|3.5|先进先出"_s,
              dyt::test::clientValuesText(cache.cdsbaseGoods.text(u"sp_spqm"_s),
                                          cache.cdsbaseGoods.text(u"sp_jbdw"_s),
                                          cache.cdsbaseGoods.text(u"sp_lsj"_s),
                                          cache.cdsbaseGoods.text(u"sp_cbsf"_s)));
    ASSERT_TRUE(cache.FindPartner(201));
    EXPECT_EQ(u"东方'五金"_s, cache.cdsbaseDW.text(u"dw_dwqm"_s));
    EXPECT_EQ(885000, cache.cdsbaseDW.value(u"ystotal"_s).value<Currency>().raw());
    const QString stamp = clientConfig().read(TLocalCache::goodsStampKey(u"账套甲"_s, 1));
    EXPECT_EQ(serverValue(dm, u"SELECT max(updateTime) FROM baseGoods"_s), stamp);
    // The goods editor changes a price and sets the reload flag.
    dm.ExecUpdate(u"UPDATE baseGoodsUnit SET price = 4.5 WHERE Goodsid = 101"_s);
    cache.GoodsReload = true;
    ASSERT_TRUE(cache.FindGoods(101));
    EXPECT_EQ(u"4.5"_s, cache.cdsbaseGoods.text(u"sp_lsj"_s));
    // A server clock that ran ahead left a stamp in the future; this client's table lost its
    // rows meanwhile. The next opening resets the stamps and reloads everything.
    dm.ExecUpdate(u"UPDATE baseGoods SET updateTime = '2099-01-01 00:00:00' WHERE id = 101"_s);
    ASSERT_EQ(0, onFile(cache.fileName(), u"DELETE FROM dytv1_1goods"_s));
    cache.OpenLocalCache();
    EXPECT_GT(u"2099"_s, serverValue(dm, u"SELECT max(updateTime) FROM baseGoods"_s));
    EXPECT_GT(u"2099"_s, clientConfig().read(TLocalCache::goodsStampKey(u"账套甲"_s, 1)));
    EXPECT_TRUE(cache.FindGoods(101));
    EXPECT_EQ(1, onFile(cache.fileName(), u"SELECT count(*) FROM dytv1_1goods"_s));
    // The small kinds come from the same procedure.
    const RecordSet& warehouses = cache.GetWarehouses();
    ASSERT_EQ(1, warehouses.recordCount());
    EXPECT_EQ(u"总仓"_s, warehouses.text(u"ck_ckqm"_s));
    EXPECT_GE(cache.GetEmployees().recordCount(), 1);
    EXPECT_GT(cache.GetAccounts().recordCount(), 0);
    EXPECT_EQ(cache.GetAccounts().recordCount(), cache.GetAccountNames().recordCount());
    cache.Close();
    dm.Disconnect();
}

}  // namespace
