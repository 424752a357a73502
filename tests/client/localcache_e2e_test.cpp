// The local base-data cache against a real dyt-server: first load, a change brought by the reload
// flag, the clock check with a stamp in the future, the small kinds.

#include <sqlite3.h>


#include "client/logic/clientconfig.h"
#include "client/logic/localcache.h"
#include "common/error.h"
#include "common/recordset.h"
#include "server_support.h"

using namespace dyt;
using namespace dyt::client;

namespace {

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

class LocalCacheEndToEnd : public dyt::test::ServerFixture {};

TEST_F(LocalCacheEndToEnd, LoadsChangesAndResetsFutureStampsOnARealServer) {
    loginedUser().ProfileName = QStringLiteral("dytv1_1");
    loginedUser().ProfileCaption = QStringLiteral("账套甲");

    // Base data written as the client's SQL, through the dialect layer.
    dm->ExecUpdate(QStringLiteral(
        "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname, name, pym, "
        "costmode) VALUES (101, 0, '101,', 1, 0, 'SP101', 'O''Brien 扳手', '扳手', 'BS', 2)"));
    dm->ExecUpdate(QStringLiteral(
        "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price) VALUES "
        "(101, 0, '把', 1, '6901', 3.5)"));
    dm->ExecUpdate(QStringLiteral(
        "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname, ystotal) "
        "VALUES (201, 0, '201,', 1, 0, 'DW201', '东方''五金', 88.5)"));
    dm->ExecUpdate(QStringLiteral(
        "INSERT INTO baseCK(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
        "(301, 0, '301,', 1, 0, 'CK1', '总仓')"));
    // As the login does in list mode.
    dm->GoodsStampNewer = 1;
    dm->PartnerStampNewer = 1;

    TLocalCache cache(dir.path(), dm.get());
    cache.OpenLocalCache();
    ASSERT_TRUE(cache.FindGoods(101));
    EXPECT_EQ(QStringLiteral("O'Brien 扳手"), cache.cdsbaseGoods.text(QStringLiteral("sp_spqm")));
    EXPECT_EQ(QStringLiteral("把"), cache.cdsbaseGoods.text(QStringLiteral("sp_jbdw")));
    EXPECT_EQ(QStringLiteral("3.5"), cache.cdsbaseGoods.text(QStringLiteral("sp_lsj")));
    EXPECT_EQ(QStringLiteral("先进先出"), cache.cdsbaseGoods.text(QStringLiteral("sp_cbsf")));
    ASSERT_TRUE(cache.FindPartner(201));
    EXPECT_EQ(QStringLiteral("东方'五金"), cache.cdsbaseDW.text(QStringLiteral("dw_dwqm")));
    EXPECT_EQ(885000, cache.cdsbaseDW.value(QStringLiteral("ystotal")).value<Currency>().raw());
    const QString stamp =
        clientConfig().read(TLocalCache::goodsStampKey(QStringLiteral("账套甲"), 1));
    EXPECT_EQ(serverValue(*dm, QStringLiteral("SELECT max(updateTime) FROM baseGoods")), stamp);

    // The goods editor changes a price and sets the reload flag.
    dm->ExecUpdate(QStringLiteral("UPDATE baseGoodsUnit SET price = 4.5 WHERE Goodsid = 101"));
    cache.GoodsReload = true;
    ASSERT_TRUE(cache.FindGoods(101));
    EXPECT_EQ(QStringLiteral("4.5"), cache.cdsbaseGoods.text(QStringLiteral("sp_lsj")));

    // A server clock that ran ahead left a stamp in the future; this client's table lost its
    // rows meanwhile. The next opening resets the stamps and reloads everything.
    dm->ExecUpdate(
        QStringLiteral("UPDATE baseGoods SET updateTime = '2099-01-01 00:00:00' WHERE id = 101"));
    ASSERT_EQ(0, onFile(cache.fileName(), QStringLiteral("DELETE FROM dytv1_1goods")));
    cache.OpenLocalCache();
    EXPECT_GT(QStringLiteral("2099"),
              serverValue(*dm, QStringLiteral("SELECT max(updateTime) FROM baseGoods")));
    EXPECT_GT(QStringLiteral("2099"),
              clientConfig().read(TLocalCache::goodsStampKey(QStringLiteral("账套甲"), 1)));
    EXPECT_TRUE(cache.FindGoods(101));
    EXPECT_EQ(1, onFile(cache.fileName(), QStringLiteral("SELECT count(*) FROM dytv1_1goods")));

    // The small kinds come from the same procedure.
    const RecordSet& warehouses = cache.GetWarehouses();
    ASSERT_EQ(1, warehouses.recordCount());
    EXPECT_EQ(QStringLiteral("总仓"), warehouses.text(QStringLiteral("ck_ckqm")));
    EXPECT_GE(cache.GetEmployees().recordCount(), 1);
    EXPECT_GT(cache.GetAccounts().recordCount(), 0);
    EXPECT_EQ(cache.GetAccounts().recordCount(), cache.GetAccountNames().recordCount());

    cache.Close();
    dm->Disconnect();
}

}  // namespace
