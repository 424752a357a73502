#pragma once
// The client's end-to-end fixture: a real dyt-server with a fresh account set, the scripted
// prompter, a data module with its own program folder and client configuration, and operator 1
// logged in (unless the test asks for the connection only); base records, the opening of the
// accounts and queries of the result.

#include <QDate>
#include <QTemporaryDir>

#include <cmath>
#include <initializer_list>
#include <utility>

#include "client/bills/billkinds.h"
#include "client/logic/clientconfig.h"
#include "client/logic/settings.h"
#include "client/dmtest_support.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "support/serverprocess.h"

namespace dyt::test {

class ServerFixture : public ::testing::Test {
protected:
    // The caption of the account set the operator is logged into; its database is dytv1_1.
    static QString caption() { return u"测试账套"_s; }

    void SetUp() override {
        client::resetSession();
        client::resetSettings();
        client::resetBillKinds();
        client::setRunMode(client::kFullMode);
        reportFaultsToTest(script);
        ASSERT_TRUE(programDir.isValid());
        client::openClientConfig(programDir.path());
        ASSERT_TRUE(server.start()) << server.error().toStdString();
        dm.programDir = programDir.path();
        dm.quitApplication = [this] { ++quits; };
        beforeConnect();
        ASSERT_TRUE(dm.ConnectServer(server.address(), false, 1));
        if (logsIn) {
            ASSERT_EQ(QString(), createAndLogIn(dm, caption()));
        }
    }
    void TearDown() override {
        client::closeClientConfig();
        client::resetBillKinds();
        client::resetSettings();
        client::resetSession();
    }

    // Runs before the data module connects (e.g. to give it another transport).
    virtual void beforeConnect() {}

    // Runs the statements against the account set, in order.
    void exec(std::initializer_list<const char*> statements) {
        for (const char* sql : statements)
            dm.ExecUpdate(QString::fromUtf8(sql));
    }
    // A record of a tree table (goods, partners, warehouses, employees, departments) at the top
    // level or under `parent`; `more` adds "column = value" pairs.
    void addRecord(const char* table, qint64 id, const char* code, const char* name,
                   qint64 parent = 0, int sons = 0,
                   const QList<std::pair<const char*, QString>>& more = {}) {
        QString columns = u"id, par_id, par_jl, leveal, sonnum, code, fullname"_s;
        const QString path = parent ? u"%1,%2,"_s.arg(parent).arg(id) : u"%1,"_s.arg(id);
        QString values = u"%1, %2, '%3', %4, %5, '%6', '%7'"_s.arg(id)
                             .arg(parent)
                             .arg(path)
                             .arg(parent ? 2 : 1)
                             .arg(sons)
                             .arg(QString::fromUtf8(code), QString::fromUtf8(name));
        for (const auto& [column, value] : more) {
            columns += u", "_s + QLatin1String(column);
            values += u", "_s + value;
        }
        dm.ExecUpdate(
            u"INSERT INTO %1(%2) VALUES (%3)"_s.arg(QLatin1String(table), columns, values));
    }
    // Goods costed by moving average with its base unit.
    void addGoods(qint64 id, const char* code, const char* name, qint64 unitId, const char* unit) {
        addRecord("baseGoods", id, code, name, 0, 0, {{"costmode", u"0"_s}});
        addUnit(unitId, id, 0, unit, 1);
    }
    void addUnit(qint64 unitId, qint64 goods, int index, const char* unit, double rate,
                 const QString& morePrices = {}) {
        const bool more = !morePrices.isEmpty();
        dm.ExecUpdate(u"INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate%1) "
                      "VALUES (%2, %3, %4, '%5', %6%7)"_s
                          .arg(more ? u", latestBuyPrice, lowestSalePrice"_s : QString())
                          .arg(unitId).arg(goods).arg(index).arg(QString::fromUtf8(unit)).arg(rate)
                          .arg(more ? u", "_s + morePrices : QString()));
    }
    // Opens the accounts at a date (the first of this month when none is given).
    int openAccounts(QDate date = {}) {
        if (!date.isValid())
            date = QDate(QDate::currentDate().year(), QDate::currentDate().month(), 1);
        ParamList open;
        open.setValue(u"type"_s, u"0"_s);
        open.setValue(u"Date"_s, date.toString(u"yyyy-MM-dd"_s));
        return dm.ExecProc(u"P_SYS_UP_Open"_s, open);
    }
    // The class 食品 (id 1) with the goods 奥利奥饼干 (2, costed by batch) and O'Brien 苏打饼干
    // (3), each sold by the 包 with its barcode.
    void seedFoodGoods() {
        exec(
            {"INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname, name, pym, "
             "costmode) VALUES (1, 0, '1,', 1, 2, '01', '食品', '食品', 'SP', 0), "
             "(2, 1, '1,2,', 2, 0, '0101', '奥利奥饼干', '奥利奥', 'ALAOBG', 2), "
             "(3, 1, '1,3,', 2, 0, '0102', 'O''Brien 苏打饼干', '苏打', 'SDBG', 0)",
             "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price) VALUES "
             "(2, 0, '包', 1, '6901', 3.5), (3, 0, '包', 1, '6903', 4)"});
    }
    RecordSet query(const QString& sql) {
        RecordSet rs;
        dm.ExecQuery(sql, &rs);
        return rs;
    }
    // A field of the first row the query answers, an invalid value when it answers none.
    QVariant stored(const QString& sql) {
        const RecordSet rs = query(sql);
        return rs.rowCount() > 0 ? rs.at(0, 0) : QVariant();
    }
    // The first value of a query rounded to four places; -1 when it returns no row.
    double number(const QString& sql) {
        const RecordSet rs = query(sql);
        return rs.rowCount() > 0 ? std::round(rs.at(0, 0).toDouble() * 10000.0) / 10000.0 : -1;
    }

    client::ScriptedPrompter script;
    client::PrompterOverride override_{&script};
    ServerProcess server;
    QTemporaryDir programDir;
    client::TdmMain dm;
    int quits = 0;
    bool logsIn = true;  // false: connected only, no account set made
};

}  // namespace dyt::test
