#pragma once
// Set-up of the tests against a real dyt-server: a fresh server, a data module connected to it
// with its own program folder and client configuration, the scripted prompter, and operator 1
// logged into a new account set (unless the test asks for the connection only).

#include <QTemporaryDir>

#include <initializer_list>
#include <memory>

#include "client/logic/clientconfig.h"
#include "client/logic/settings.h"
#include "dmtest_support.h"
#include "support/serverprocess.h"

namespace dyt::test {

class ServerFixture : public ::testing::Test {
protected:
    // The caption of the account set the operator is logged into; its database is dytv1_1.
    static QString caption() { return QStringLiteral("测试账套"); }

    void SetUp() override {
        client::resetSession();
        client::resetSettings();
        client::setRunMode(client::kFullMode);
        reportFaultsToTest(script);
        ASSERT_TRUE(dir.isValid());
        client::openClientConfig(dir.path());
        ASSERT_TRUE(server.start()) << server.error().toStdString();
        dm = std::make_unique<client::TdmMain>();
        dm->programDir = dir.path();
        dm->quitApplication = [this] { ++quits; };
        ASSERT_TRUE(dm->ConnectServer(server.address(), false, 1));
        if (logsIn) {
            ASSERT_EQ(QString(), createAndLogIn(*dm, caption()));
        }
    }
    void TearDown() override {
        dm.reset();
        client::closeClientConfig();
        client::resetSettings();
        client::resetSession();
    }

    // Runs the statements against the account set, in order.
    void exec(std::initializer_list<const char*> statements) {
        for (const char* sql : statements)
            dm->ExecUpdate(QString::fromUtf8(sql));
    }
    // The class 食品 (id 1) with the goods 奥利奥饼干 (2, costed by batch) and O'Brien 苏打饼干
    // (3), each sold by the 包 with its barcode.
    void seedFoodGoods() {
        exec({"INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname, name, pym, "
              "costmode) VALUES (1, 0, '1,', 1, 2, '01', '食品', '食品', 'SP', 0), "
              "(2, 1, '1,2,', 2, 0, '0101', '奥利奥饼干', '奥利奥', 'ALAOBG', 2), "
              "(3, 1, '1,3,', 2, 0, '0102', 'O''Brien 苏打饼干', '苏打', 'SDBG', 0)",
              "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price) VALUES "
              "(2, 0, '包', 1, '6901', 3.5), (3, 0, '包', 1, '6903', 4)"});
    }
    // A field of the first row the query answers, an invalid value when it answers none.
    QVariant stored(const QString& sql) {
        RecordSet rs;
        dm->ExecQuery(sql, &rs);
        return rs.rowCount() > 0 ? rs.at(0, 0) : QVariant();
    }

    client::ScriptedPrompter script;
    client::PrompterOverride override_{&script};
    QTemporaryDir dir;
    ServerProcess server;
    std::unique_ptr<client::TdmMain> dm;
    int quits = 0;
    bool logsIn = true;  // false: connected only, no account set made
};

}  // namespace dyt::test
