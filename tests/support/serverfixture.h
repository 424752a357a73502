#pragma once
// A real dyt-server with a fresh account set and a data module logged in to it, for the window
// tests that touch data; base records, the opening of the accounts and queries of the result.

#include <QDate>
#include <QTemporaryDir>

#include <cmath>
#include <utility>

#include "client/bills/billkinds.h"
#include "client/logic/settings.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "support/serverprocess.h"

namespace dyt::test {

// A real server with a fresh account set, operator 1 logged in.
class ServerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        client::resetSession();
        client::resetSettings();
        client::resetBillKinds();
        client::setRunMode(client::kFullMode);
        reportFaultsToTest(script);
        ASSERT_TRUE(server.start()) << server.error().toStdString();
        ASSERT_TRUE(programDir.isValid());
        dm.programDir = programDir.path();
        dm.quitApplication = [] {};
        beforeConnect();
        ASSERT_TRUE(dm.ConnectServer(server.address(), false, 1));
        ASSERT_EQ(QString(), createAndLogIn(dm, QStringLiteral("测试账套")));
    }
    void TearDown() override {
        client::resetBillKinds();
        client::resetSettings();
        client::resetSession();
    }

    // Runs before the data module connects (e.g. to give it another transport).
    virtual void beforeConnect() {}

    // A record of a tree table (goods, partners, warehouses, employees, departments) at the top
    // level or under `parent`; `more` adds "column = value" pairs.
    void addRecord(const char* table, qint64 id, const char* code, const char* name,
                   qint64 parent = 0, int sons = 0,
                   const QList<std::pair<const char*, QString>>& more = {}) {
        QString columns = QStringLiteral("id, par_id, par_jl, leveal, sonnum, code, fullname");
        const QString path =
            parent ? QStringLiteral("%1,%2,").arg(parent).arg(id) : QStringLiteral("%1,").arg(id);
        QString values = QStringLiteral("%1, %2, '%3', %4, %5, '%6', '%7'")
                             .arg(id)
                             .arg(parent)
                             .arg(path)
                             .arg(parent ? 2 : 1)
                             .arg(sons)
                             .arg(QString::fromUtf8(code), QString::fromUtf8(name));
        for (const auto& [column, value] : more) {
            columns += QStringLiteral(", ") + QLatin1String(column);
            values += QStringLiteral(", ") + value;
        }
        dm.ExecUpdate(QStringLiteral("INSERT INTO %1(%2) VALUES (%3)")
                          .arg(QLatin1String(table), columns, values));
    }
    // Goods costed by moving average with its base unit.
    void addGoods(qint64 id, const char* code, const char* name, qint64 unitId, const char* unit) {
        addRecord("baseGoods", id, code, name, 0, 0, {{"costmode", QStringLiteral("0")}});
        addUnit(unitId, id, 0, unit, 1);
    }
    void addUnit(qint64 unitId, qint64 goods, int index, const char* unit, double rate,
                 const QString& morePrices = {}) {
        dm.ExecUpdate(
            QStringLiteral("INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate%1) "
                           "VALUES (%2, %3, %4, '%5', %6%7)")
                .arg(morePrices.isEmpty() ? QString()
                                          : QStringLiteral(", latestBuyPrice, "
                                                           "lowestSalePrice"))
                .arg(unitId)
                .arg(goods)
                .arg(index)
                .arg(QString::fromUtf8(unit))
                .arg(rate)
                .arg(morePrices.isEmpty() ? QString() : QStringLiteral(", ") + morePrices));
    }
    // Opens the accounts at a date (the first of this month when none is given).
    int openAccounts(QDate date = {}) {
        if (!date.isValid())
            date = QDate(QDate::currentDate().year(), QDate::currentDate().month(), 1);
        ParamList open;
        open.setValue(QStringLiteral("type"), QStringLiteral("0"));
        open.setValue(QStringLiteral("Date"), date.toString(QStringLiteral("yyyy-MM-dd")));
        return dm.ExecProc(QStringLiteral("P_SYS_UP_Open"), open);
    }
    RecordSet query(const QString& sql) {
        RecordSet rs;
        dm.ExecQuery(sql, &rs);
        return rs;
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
};

}  // namespace dyt::test
