// The local base-data cache against a real dyt-server: first load, a change brought by the reload
// flag, the clock check with a stamp in the future, the small kinds.

#include <sqlite3.h>

#include "client/logic/clientconfig.h"
#include "client/logic/localcache.h"
#include "common/error.h"
#include "common/recordset.h"
#include "support/serverfixture.h"

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
