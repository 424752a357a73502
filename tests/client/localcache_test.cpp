// The local base-data cache against a small fake server that keeps goods and partner rows with
// change stamps: first run, quoting, rows changed twice, the clock check, interrupted
// synchronisations, the small kinds, two clients on one file.

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
#include "dmtest_support.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;

namespace {

using dyt::test::errorOf;

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
    QString now = QStringLiteral("2026-03-01 12:00:00");
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
            rs.addField(QStringLiteral("id"), FieldType::Integer);
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
            const ParamList p(c.paramLines.join(QStringLiteral("\r\n")));
            const QString kind = p.value(QStringLiteral("QueryType"));
            const QString line = kind == QLatin1String("SP_") ? p.value(QStringLiteral("GoodsStr"))
                                 : kind == QLatin1String("DW_") ? p.value(QStringLiteral("wldwStr"))
                                                                : p.value(QStringLiteral("ckStr"));
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
        QString m = QStringLiteral("2000-01-01");
        for (const auto& [id, row] : rows)
            m = std::max(m, row.stamp);
        return m;
    }

    RecordSet answer(const QStringList& lines) const {
        const ParamList p(lines.join(QStringLiteral("\r\n")));
        const QString kind = p.value(QStringLiteral("QueryType"));
        if (kind == QLatin1String("SP_") || kind == QLatin1String("DW_")) {
            const bool isGoods = kind == QLatin1String("SP_");
            const QString since = conditionValue(
                p.value(isGoods ? QStringLiteral("GoodsStr") : QStringLiteral("wldwStr")),
                QStringLiteral("UpdateTime"));
            RecordSet rs = basecache::emptyRecordSet(isGoods ? basecache::goodsColumns()
                                                             : basecache::partnerColumns());
            const QString nameField =
                isGoods ? QStringLiteral("sp_spqm") : QStringLiteral("dw_dwqm");
            const QString codeField =
                isGoods ? QStringLiteral("sp_spbh") : QStringLiteral("dw_dwbh");
            auto add = [&](const Row& row) {
                rs.append();
                rs.setValue(0, row.id);
                rs.setValue(nameField, row.name);
                rs.setValue(codeField, QStringLiteral("C") + row.id.toString());
                if (!isGoods)
                    rs.setValue(QStringLiteral("ystotal"),
                                QVariant::fromValue(Currency::fromRaw(12345)));
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
        RecordSet rs;
        rs.addField(QStringLiteral("id"), FieldType::Integer);
        rs.addField(QStringLiteral("fullname"), FieldType::Text);
        rs.appendRow({static_cast<qint64>(calls.size()), kind});
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
        ASSERT_TRUE(dm->ConnectServer(QStringLiteral("srv:8019"), false, 1));
        TLoginedUser& u = loginedUser();
        u.UserId = 7;
        u.ProfileName = QStringLiteral("dytv1_1");
        u.ProfileCaption = QStringLiteral("账套甲");
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
    QString goodsStamp() const {
        return clientConfig().read(QStringLiteral("账套甲spUpdateDate_7"), QStringLiteral("none"));
    }
    QString partnerStamp() const {
        return clientConfig().read(QStringLiteral("账套甲wldwUpdateDate_7"),
                                   QStringLiteral("none"));
    }
    QString goodsName(qint64 id) {
        if (!cache->FindGoods(id))
            return QStringLiteral("<missing>");
        return cache->cdsbaseGoods.text(QStringLiteral("sp_spqm"));
    }

    // Reads the file with a connection of its own, as a second client would.
    qint64 fileCount(const QString& sql) const {
        sqlite3* db = nullptr;
        EXPECT_EQ(SQLITE_OK, sqlite3_open_v2(cache->fileName().toUtf8().constData(), &db,
                                             SQLITE_OPEN_READONLY, nullptr));
        sqlite3_stmt* st = nullptr;
        qint64 v = -1;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            v = sqlite3_column_int64(st, 0);
        }
        sqlite3_finalize(st);
        sqlite3_close_v2(db);
        return v;
    }

    QTemporaryDir dir;
    ScriptedPrompter script;
    PrompterOverride override_{&script};
    std::unique_ptr<TdmMain> dm;
    FakeBaseServer* server = nullptr;
    std::unique_ptr<TLocalCache> cache;
};

TEST_F(LocalCacheTest, FirstRunCreatesBothTablesAndLoadsEveryRow) {
    addGoods(1, QStringLiteral("扳手"), QStringLiteral("2026-01-05 08:00:00"));
    addGoods(2, QStringLiteral("螺丝"), QStringLiteral("2026-02-01 09:30:00"));
    addGoods(3, QStringLiteral("锤子"), QStringLiteral("2025-12-31 23:59:59"));
    addPartner(10, QStringLiteral("东方五金"), QStringLiteral("2026-01-10 10:00:00"));
    addPartner(11, QStringLiteral("西城商行"), QStringLiteral("2026-01-11 11:00:00"));

    cache->OpenLocalCache();

    EXPECT_EQ(QDir(dir.path()).filePath(QStringLiteral("data/baseDB.db")), cache->fileName());
    EXPECT_EQ(1, fileCount(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = "
                                          "'table' AND name = 'dytv1_1goods'")));
    EXPECT_EQ(1, fileCount(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = "
                                          "'table' AND name = 'dytv1_1wldw'")));
    EXPECT_EQ(2, fileCount(QStringLiteral(
                     "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND sql LIKE "
                     "'CREATE UNIQUE INDEX%'")));
    EXPECT_EQ(3, fileCount(QStringLiteral("SELECT count(*) FROM dytv1_1goods")));
    EXPECT_EQ(2, fileCount(QStringLiteral("SELECT count(*) FROM dytv1_1wldw")));
    // Every column of the table, in its order.
    EXPECT_EQ(basecache::goodsColumns().size(),
              fileCount(QStringLiteral("SELECT count(*) FROM pragma_table_info('dytv1_1goods')")));
    EXPECT_EQ(basecache::partnerColumns().size(),
              fileCount(QStringLiteral("SELECT count(*) FROM pragma_table_info('dytv1_1wldw')")));

    // A first run asks for everything since the initial stamp, and then remembers the latest
    // stamps the server showed.
    EXPECT_EQ((QStringList{QStringLiteral("SP_ ;czy_id=7;UpdateTime=2000-01-01"),
                           QStringLiteral("DW_ ;czy_id=7;UpdateTime=2000-01-01")}),
              server->baseQueries());
    EXPECT_EQ(QStringLiteral("2026-02-01 09:30:00"), goodsStamp());
    EXPECT_EQ(QStringLiteral("2026-01-11 11:00:00"), partnerStamp());
    EXPECT_EQ(0, dm->GoodsStampNewer);
    EXPECT_EQ(0, dm->PartnerStampNewer);

    ASSERT_TRUE(cache->FindPartner(11));
    EXPECT_EQ(QStringLiteral("西城商行"), cache->cdsbaseDW.text(QStringLiteral("dw_dwqm")));
    EXPECT_EQ(QStringLiteral("C11"), cache->cdsbaseDW.text(QStringLiteral("dw_dwbh")));
    EXPECT_EQ(Currency::fromRaw(12345),
              cache->cdsbaseDW.value(QStringLiteral("ystotal")).value<Currency>());
    EXPECT_FALSE(cache->FindGoods(99));
    EXPECT_EQ(0, cache->cdsbaseGoods.recordCount());
}

TEST_F(LocalCacheTest, NamesWithQuotesAndOtherSqlCharactersAreStoredIntact) {
    const QStringList names{QStringLiteral("O'Brien's 扳手"), QStringLiteral("'; DROP TABLE x; --"),
                            QStringLiteral("50% \"特价\" _x_"), QStringLiteral("''")};
    for (int i = 0; i < names.size(); ++i)
        addGoods(i + 1, names.at(i), QStringLiteral("2026-01-01 00:00:0%1").arg(i));
    cache->OpenLocalCache();
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(names.at(i), goodsName(i + 1)) << i;
    EXPECT_EQ(4, fileCount(QStringLiteral("SELECT count(*) FROM dytv1_1goods")));
}

TEST_F(LocalCacheTest, ARowChangedTwiceIsStoredOnce) {
    addGoods(5, QStringLiteral("旧名"), QStringLiteral("2026-01-01 08:00:00"));
    addGoods(6, QStringLiteral("不变"), QStringLiteral("2026-01-01 08:00:00"));
    cache->OpenLocalCache();
    EXPECT_EQ(QStringLiteral("旧名"), goodsName(5));

    // Changed on the server; the next connection check sees the newer stamp, the lookup brings
    // the row again and only the changed rows.
    addGoods(5, QStringLiteral("新名"), QStringLiteral("2026-01-02 09:00:00"));
    anyServerCall();
    EXPECT_EQ(1, dm->GoodsStampNewer);
    server->calls.clear();
    EXPECT_EQ(QStringLiteral("新名"), goodsName(5));
    EXPECT_EQ((QStringList{QStringLiteral("SP_ ;czy_id=7;UpdateTime=2026-01-01 08:00:00")}),
              server->baseQueries());
    EXPECT_EQ(1, fileCount(QStringLiteral("SELECT count(*) FROM dytv1_1goods WHERE sp_id = 5")));

    // Twice in one answer: the later row wins, one row is stored.
    addGoods(5, QStringLiteral("第三版"), QStringLiteral("2026-01-03 10:00:00"));
    server->extraGoods = {
        {qint64(5), QStringLiteral("第四版"), QStringLiteral("2026-01-03 10:00:00")}};
    anyServerCall();
    EXPECT_EQ(QStringLiteral("第四版"), goodsName(5));
    EXPECT_EQ(1, fileCount(QStringLiteral("SELECT count(*) FROM dytv1_1goods WHERE sp_id = 5")));
    EXPECT_EQ(2, fileCount(QStringLiteral("SELECT count(*) FROM dytv1_1goods")));
    EXPECT_EQ(QStringLiteral("不变"), goodsName(6));
}

TEST_F(LocalCacheTest, LookupsWithoutAStaleFlagStayLocal) {
    addGoods(1, QStringLiteral("扳手"), QStringLiteral("2026-01-05 08:00:00"));
    cache->OpenLocalCache();
    server->calls.clear();
    EXPECT_EQ(QStringLiteral("扳手"), goodsName(1));
    EXPECT_EQ(QStringLiteral("扳手"), goodsName(1));
    EXPECT_EQ(QStringList(), server->baseQueries());

    // The goods editor saved a record: the reload flag brings the changes though no connection
    // check has run.
    cache->GoodsReload = true;
    EXPECT_EQ(QStringLiteral("扳手"), goodsName(1));
    EXPECT_EQ(1, server->baseQueries().size());
    EXPECT_FALSE(cache->GoodsReload);
}

TEST_F(LocalCacheTest, AFutureStampResetsTheServerStampsAndForcesAFullReload) {
    addGoods(1, QStringLiteral("扳手"), QStringLiteral("2026-01-05 08:00:00"));
    addPartner(10, QStringLiteral("东方五金"), QStringLiteral("2026-01-10 10:00:00"));
    cache->OpenLocalCache();
    ASSERT_EQ(QStringLiteral("2026-01-05 08:00:00"), goodsStamp());

    // A goods row stamped in the future (a server clock that ran ahead).
    addGoods(2, QStringLiteral("螺丝"), QStringLiteral("2031-07-07 07:07:07"));
    server->calls.clear();
    cache->OpenLocalCache();

    EXPECT_EQ(
        (QStringList{QStringLiteral("ExecQuery:SELECT top 1 a.id FROM baseGoods AS a WHERE "
                                    "a.updateTime > getdate() AND a.del = 0"),
                     QStringLiteral("ExecUpdate: Update basegoods SET updateTime = GETDATE() "),
                     QStringLiteral("ExecQuery:SELECT top 1 a.id FROM basewldw AS a WHERE "
                                    "a.updateTime > getdate() AND a.del = 0")}),
        server->sqlSent());
    // Goods reload from the start; partners stay incremental.
    EXPECT_EQ((QStringList{QStringLiteral("SP_ ;czy_id=7;UpdateTime=2000-01-01")}),
              server->baseQueries());
    // The stored stamp is the server's after the reset, not the future one.
    EXPECT_EQ(server->now, goodsStamp());
    EXPECT_EQ(QStringLiteral("2026-01-10 10:00:00"), partnerStamp());
    EXPECT_EQ(QStringLiteral("螺丝"), goodsName(2));

    // Later changes are seen again.
    addGoods(1, QStringLiteral("大扳手"), QStringLiteral("2026-03-01 12:00:05"));
    anyServerCall();
    EXPECT_EQ(QStringLiteral("大扳手"), goodsName(1));
}

TEST_F(LocalCacheTest, InTheQueryOnlyModeAFutureStampReloadsWithoutChangingTheServer) {
    addGoods(1, QStringLiteral("扳手"), QStringLiteral("2031-07-07 07:07:07"));
    setRunMode(kQueryOnlyMode);
    cache->OpenLocalCache();
    setRunMode(kFullMode);
    for (const QString& sql : server->sqlSent())
        EXPECT_FALSE(sql.startsWith(QLatin1String("ExecUpdate"))) << sql.toStdString();
    EXPECT_EQ(QStringLiteral("SP_ ;czy_id=7;UpdateTime=2000-01-01"),
              server->baseQueries().value(0));
    EXPECT_EQ(QStringLiteral("扳手"), goodsName(1));
    EXPECT_EQ(QStringLiteral("2031-07-07 07:07:07"), server->goods[1].stamp);
    // The future stamp is not taken over: the next opening loads everything again.
    EXPECT_EQ(QStringLiteral("2000-01-01"), goodsStamp());
}

TEST_F(LocalCacheTest, AFailedServerCallLeavesTheFlagAndTheStampForTheNextLookup) {
    addGoods(1, QStringLiteral("扳手"), QStringLiteral("2026-01-05 08:00:00"));
    cache->OpenLocalCache();
    addGoods(1, QStringLiteral("大扳手"), QStringLiteral("2026-01-06 08:00:00"));
    anyServerCall();

    server->failNextQuery = QStringLiteral("网络中断");
    EXPECT_EQ(QStringLiteral("ProcName:[P_JXC_Get_Base]Error:[网络中断]"),
              errorOf([&] { cache->FindGoods(1); }));
    EXPECT_EQ(QStringLiteral("2026-01-05 08:00:00"), goodsStamp());
    EXPECT_EQ(1, dm->GoodsStampNewer);
    EXPECT_FALSE(dm->CallBusy());

    // The next lookup repeats it from the same stamp.
    server->calls.clear();
    EXPECT_EQ(QStringLiteral("大扳手"), goodsName(1));
    EXPECT_EQ((QStringList{QStringLiteral("SP_ ;czy_id=7;UpdateTime=2026-01-05 08:00:00")}),
              server->baseQueries());
    EXPECT_EQ(QStringLiteral("2026-01-06 08:00:00"), goodsStamp());
    EXPECT_EQ(0, dm->GoodsStampNewer);
}

TEST_F(LocalCacheTest, AFailedLocalWriteRollsBackEveryRowAndIsRepeated) {
    addGoods(1, QStringLiteral("甲"), QStringLiteral("2026-01-05 08:00:00"));
    cache->OpenLocalCache();
    ASSERT_EQ(1, fileCount(QStringLiteral("SELECT count(*) FROM dytv1_1goods")));

    // Three changed rows, the last of them broken (no key): the table refuses it.
    addGoods(1, QStringLiteral("甲二"), QStringLiteral("2026-01-06 08:00:00"));
    addGoods(2, QStringLiteral("乙"), QStringLiteral("2026-01-06 08:00:00"));
    server->extraGoods = {
        {QVariant(), QStringLiteral("坏行"), QStringLiteral("2026-01-06 08:00:00")}};
    anyServerCall();
    const QString error = errorOf([&] { cache->FindGoods(1); });
    EXPECT_TRUE(error.startsWith(QStringLiteral("本地数据缓存错误："))) << error.toStdString();
    // Nothing of the interrupted synchronisation stays: the old row, no new one, the old stamp.
    EXPECT_EQ(1, fileCount(QStringLiteral("SELECT count(*) FROM dytv1_1goods")));
    EXPECT_EQ(
        0, fileCount(QStringLiteral("SELECT count(*) FROM dytv1_1goods WHERE sp_spqm = '甲二'")));
    EXPECT_EQ(QStringLiteral("2026-01-05 08:00:00"), goodsStamp());
    EXPECT_EQ(1, dm->GoodsStampNewer);

    server->extraGoods.clear();
    server->calls.clear();
    EXPECT_EQ(QStringLiteral("甲二"), goodsName(1));
    EXPECT_EQ(QStringLiteral("乙"), goodsName(2));
    EXPECT_EQ((QStringList{QStringLiteral("SP_ ;czy_id=7;UpdateTime=2026-01-05 08:00:00")}),
              server->baseQueries());
    EXPECT_EQ(QStringLiteral("2026-01-06 08:00:00"), goodsStamp());
}

TEST_F(LocalCacheTest, TheFirstCacheIsTheProcesssCache) {
    EXPECT_EQ(cache.get(), &localCache());
    TLocalCache second(dir.path(), dm.get());
    EXPECT_EQ(cache.get(), &localCache());
}

TEST_F(LocalCacheTest, LookupsBeforeOpeningFailClearly) {
    EXPECT_EQ(QStringLiteral("本地数据缓存还没有打开"), errorOf([&] { cache->FindGoods(1); }));
    EXPECT_EQ(1, dm->GoodsStampNewer);
    loginedUser().ProfileName.clear();
    EXPECT_EQ(QStringLiteral("本地数据缓存：没有登录的账套"),
              errorOf([&] { cache->OpenLocalCache(); }));
}

TEST_F(LocalCacheTest, SmallKindsLoadOnceUntilTheirFlagIsSet) {
    struct Case {
        SmallKind kind;
        const char* queryType;
        std::function<RecordSet&(TLocalCache&)> get;
    };
    const Case cases[] = {
        {SmallKind::Departments, "BM_",
         [](TLocalCache& c) -> RecordSet& { return c.GetDepartments(); }},
        {SmallKind::Accounts, "KM_", [](TLocalCache& c) -> RecordSet& { return c.GetAccounts(); }},
        {SmallKind::AccountNames, "KMName",
         [](TLocalCache& c) -> RecordSet& { return c.GetAccountNames(); }},
        {SmallKind::Warehouses, "CK_",
         [](TLocalCache& c) -> RecordSet& { return c.GetWarehouses(); }},
        {SmallKind::Employees, "ZY_",
         [](TLocalCache& c) -> RecordSet& { return c.GetEmployees(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.queryType);
        const QString kind = QString::fromLatin1(c.queryType);
        server->calls.clear();
        EXPECT_TRUE(cache->reloadPending(c.kind));
        const qint64 first = c.get(*cache).integer(QStringLiteral("id"));
        EXPECT_EQ(kind, c.get(*cache).text(QStringLiteral("fullname")));
        EXPECT_EQ(first, c.get(*cache).integer(QStringLiteral("id")));
        EXPECT_EQ((QStringList{kind + QStringLiteral(" ;czy_id=7")}), server->baseQueries());
        EXPECT_FALSE(cache->reloadPending(c.kind));

        cache->setReload(c.kind);
        EXPECT_NE(first, c.get(*cache).integer(QStringLiteral("id")));
        EXPECT_EQ(2, server->baseQueries().size());
        EXPECT_FALSE(cache->reloadPending(c.kind));
    }
}

TEST_F(LocalCacheTest, TheLoginStepsReloadTheSmallKindsAndOpenTheCache) {
    addGoods(1, QStringLiteral("扳手"), QStringLiteral("2026-01-05 08:00:00"));
    for (int position = 1; position <= 6; ++position)
        cache->loginStep(position);
    EXPECT_EQ((QStringList{QStringLiteral("BM_ ;czy_id=7"), QStringLiteral("KM_ ;czy_id=7"),
                           QStringLiteral("KMName ;czy_id=7"), QStringLiteral("CK_ ;czy_id=7"),
                           QStringLiteral("ZY_ ;czy_id=7"),
                           QStringLiteral("SP_ ;czy_id=7;UpdateTime=2000-01-01"),
                           QStringLiteral("DW_ ;czy_id=7;UpdateTime=2000-01-01")}),
              server->baseQueries());
    EXPECT_TRUE(cache->isOpen());

    // A failure in a step is shown; the login goes on and the flag stays for the next lookup.
    addGoods(1, QStringLiteral("大扳手"), QStringLiteral("2026-01-06 08:00:00"));
    server->failNextQuery = QStringLiteral("服务器忙");
    cache->loginStep(6);
    const QList<PromptRecord> shown = script.records(PromptKind::Message);
    ASSERT_EQ(1, shown.size());
    EXPECT_EQ(QStringLiteral("错误"), shown.at(0).caption);
    EXPECT_EQ(QStringLiteral("ProcName:[P_JXC_Get_Base]Error:[服务器忙]"), shown.at(0).text);
    EXPECT_EQ(1, dm->GoodsStampNewer);
    EXPECT_EQ(QStringLiteral("大扳手"), goodsName(1));
}

TEST_F(LocalCacheTest, ADeletedFileIsLoadedInFullDespiteTheStoredStamp) {
    addGoods(1, QStringLiteral("扳手"), QStringLiteral("2026-01-05 08:00:00"));
    addPartner(10, QStringLiteral("东方五金"), QStringLiteral("2026-01-10 10:00:00"));
    cache->OpenLocalCache();
    ASSERT_EQ(QStringLiteral("2026-01-05 08:00:00"), goodsStamp());
    cache->Close();
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(cache->fileName() + QString::fromLatin1(suffix));

    server->calls.clear();
    cache->OpenLocalCache();
    EXPECT_EQ((QStringList{QStringLiteral("SP_ ;czy_id=7;UpdateTime=2000-01-01"),
                           QStringLiteral("DW_ ;czy_id=7;UpdateTime=2000-01-01")}),
              server->baseQueries());
    EXPECT_EQ(QStringLiteral("扳手"), goodsName(1));
    ASSERT_TRUE(cache->FindPartner(10));
    EXPECT_EQ(QStringLiteral("2026-01-05 08:00:00"), goodsStamp());

    // Opening an existing file keeps to the stored stamp.
    server->calls.clear();
    dm->GoodsStampNewer = 1;
    cache->OpenLocalCache();
    EXPECT_EQ((QStringList{QStringLiteral("SP_ ;czy_id=7;UpdateTime=2026-01-05 08:00:00")}),
              server->baseQueries());
}

TEST_F(LocalCacheTest, EachAccountSetHasItsOwnTablesAndStamps) {
    addGoods(1, QStringLiteral("甲的商品"), QStringLiteral("2026-01-05 08:00:00"));
    cache->OpenLocalCache();

    // Another account set: new tables, a full load with its own stamp key.
    server->goods.clear();
    addGoods(1, QStringLiteral("乙的商品"), QStringLiteral("2026-02-05 08:00:00"));
    loginedUser().ProfileName = QStringLiteral("dytv1_2");
    loginedUser().ProfileCaption = QStringLiteral("账套乙");
    dm->GoodsStampNewer = 1;
    server->calls.clear();
    cache->OpenLocalCache();
    EXPECT_EQ(QStringLiteral("SP_ ;czy_id=7;UpdateTime=2000-01-01"),
              server->baseQueries().value(0));
    EXPECT_EQ(QStringLiteral("乙的商品"), goodsName(1));
    EXPECT_EQ(
        1,
        fileCount(QStringLiteral("SELECT count(*) FROM dytv1_1goods WHERE sp_spqm = '甲的商品'")));
    EXPECT_EQ(
        0,
        fileCount(QStringLiteral("SELECT count(*) FROM dytv1_1goods WHERE sp_spqm = '乙的商品'")));
    EXPECT_EQ(QStringLiteral("2026-01-05 08:00:00"), goodsStamp());
    EXPECT_EQ(QStringLiteral("2026-02-05 08:00:00"),
              clientConfig().read(QStringLiteral("账套乙spUpdateDate_7")));
}

TEST_F(LocalCacheTest, TwoClientsOnOneComputerShareTheFile) {
    addGoods(1, QStringLiteral("扳手"), QStringLiteral("2026-01-05 08:00:00"));
    cache->OpenLocalCache();

    // The second client: its own data module and cache on the same program folder.
    TdmMain dm2;
    auto t = std::make_unique<FakeBaseServer>();
    FakeBaseServer* server2 = t.get();
    server2->goods = server->goods;
    dm2.setTransport(std::move(t));
    ASSERT_TRUE(dm2.ConnectServer(QStringLiteral("srv:8019"), false, 1));
    TLocalCache second(dir.path(), &dm2);
    second.OpenLocalCache();

    // While the first reads, the second writes a change; each sees the other's rows.
    server2->goods[2] = {qint64(2), QStringLiteral("螺丝"), QStringLiteral("2026-01-06 08:00:00")};
    ASSERT_TRUE(dm2.CheckConnection());
    ASSERT_TRUE(cache->FindGoods(1));
    ASSERT_TRUE(second.FindGoods(2));
    EXPECT_EQ(QStringLiteral("螺丝"), goodsName(2));
    EXPECT_EQ(1, fileCount(QStringLiteral("SELECT count(*) FROM pragma_journal_mode WHERE "
                                          "journal_mode = 'wal'")));
}

}  // namespace
