#pragma once
// A real server with one account set for the sales bill tests: a customer class with two
// customers and one customer outside it, two goods, a warehouse, an employee, and stock placed
// directly in the stock ledger.

#include <QTemporaryDir>

#include <memory>

#include "client/bills/billkinds.h"
#include "client/common/settings.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "support/serverprocess.h"

namespace dyt::test {

// Base records of the fixture.
enum : qint64 {
    kClass = 200,      // customer class 华东客户
    kCustomerA = 201,  // 甲公司, in the class
    kCustomerB = 202,  // 乙公司, in the class
    kOutsider = 203,   // 丙公司, outside the class
    kScrew = 101,      // 螺丝, unit 1011 个 (rate 1), unit 1012 盒 (rate 10)
    kGear = 102,       // 齿轮, unit 1021 个
    kStore = 301,      // 一号仓
    kEmployee = 2,     // 张三
};

class SalesServerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        client::resetSession();
        client::resetSettings();
        client::resetBillKinds();
        client::setRunMode(client::kFullMode);
        reportFaultsToTest(script);
        ASSERT_TRUE(server.start()) << server.error().toStdString();
        ASSERT_TRUE(programDir.isValid());
        dm = std::make_unique<client::TdmMain>();
        dm->programDir = programDir.path();
        dm->quitApplication = [] {};
        ASSERT_TRUE(dm->ConnectServer(server.address(), false, 1));
        ASSERT_EQ(QString(), createAndLogIn(*dm, QStringLiteral("销售账套")));
        const char* const seed[] = {
            "UPDATE sysData SET sysValue = '1' WHERE Name = 'isOpen'",
            "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(101, 0, '101,', 1, 0, 'SP101', '螺丝')",
            "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(102, 0, '102,', 1, 0, 'SP102', '齿轮')",
            "INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate, latestBuyPrice, "
            "lowestSalePrice) VALUES (1011, 101, 0, '个', 1, 4, 5)",
            "INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate, latestBuyPrice, "
            "lowestSalePrice) VALUES (1012, 101, 1, '盒', 10, 40, 50)",
            "INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate) VALUES (1021, 102, 0, "
            "'个', 1)",
            "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(200, 0, '200,', 1, 2, 'KH', '华东客户')",
            "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname, ys_xyd) "
            "VALUES (201, 200, '200,201,', 2, 0, 'KH201', '甲公司', 1000)",
            "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(202, 200, '200,202,', 2, 0, 'KH202', '乙公司')",
            "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(203, 0, '203,', 1, 0, 'KH203', '丙公司')",
            "INSERT INTO baseCK(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(301, 0, '301,', 1, 0, 'CK1', '一号仓')",
            "INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, fullname, name) VALUES "
            "(2, 0, '2,', 1, 0, '002', '张三', '张三')",
        };
        for (const char* sql : seed)
            dm->ExecUpdate(QString::fromUtf8(sql));
    }
    void TearDown() override {
        dm.reset();
        client::resetSettings();
        client::resetSession();
    }

    // Stock on hand of a goods in a warehouse at a unit cost.
    void putStock(qint64 goods, qint64 warehouse, double qty, double price) {
        dm->ExecUpdate(QStringLiteral("INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, qty, "
                                      "price, total) VALUES (%1, %2, 0, %3, %4, %5)")
                           .arg(goods)
                           .arg(warehouse)
                           .arg(qty)
                           .arg(price)
                           .arg(qty * price));
    }

    // A buy-and-give agreement; returns nothing, ids follow insertion.
    void addAgreement(qint64 partner, qint64 goods, int buy, int give, const QString& begin,
                      const QString& end, int stopped = 0, int deleted = 0) {
        dm->ExecUpdate(QStringLiteral("INSERT INTO baseCuXiao(name, khid, goodsid, BeginDate, "
                                      "EndDate, ismzcx, isjgcx, gmsl, zssl, mzsm, isStop, del) "
                                      "VALUES ('促销', %1, %2, '%3', '%4', 1, 0, %5, %6, "
                                      "'买 %5 赠 %6', %7, %8)")
                           .arg(partner)
                           .arg(goods)
                           .arg(begin, end)
                           .arg(buy)
                           .arg(give)
                           .arg(stopped)
                           .arg(deleted));
    }

    RecordSet query(const QString& sql) {
        RecordSet rs;
        dm->ExecQuery(sql, &rs);
        return rs;
    }

    client::ScriptedPrompter script;
    client::PrompterOverride override_{&script};
    ServerProcess server;
    QTemporaryDir programDir;
    std::unique_ptr<client::TdmMain> dm;
};

}  // namespace dyt::test
