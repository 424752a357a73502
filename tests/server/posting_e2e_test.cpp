// Posting end to end: a dyt-server process on a loopback port, bills sent through ExecService
// "QMXService" by two protocol clients at once as the bill windows send them.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "login.h"
#include "posting_packets.h"
#include "protocol/protocol.h"
#include "support/serverprocess.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

using dyt::test::loggedIn;
using proto::Client;
using proto::Response;

constexpr qint64 kAvg = 101, kFifo = 102, kCustomerA = 201, kCustomerB = 202, kSupplier = 203;
constexpr qint64 kmCash = 8;
constexpr const char* kDate = "2025-02-03";

void update(Client& c, const QString& sql) {
    const Response r = c.call(u"ExecUpdate"_s, {sql});
    if (r.code() < 0)
        throw DytError(r.outText(0));
}

double number(Client& c, const QString& sql) {
    const Response r = c.call(u"ExecQuery"_s, {sql});
    if (r.code() != 0)
        throw DytError(r.outText(1));
    const RecordSet rs = proto::recordSetFromCbor(r.out(0));
    return rs.rowCount() > 0 ? std::round(rs.at(0, 0).toDouble() * 10000.0) / 10000.0 : -1.0;
}

// SaveToDB of a goods bill; returns the out integer and the message.
std::pair<qint64, QString> post(Client& c, const GoodsBill& b) {
    const Response r =
        c.call(u"ExecService"_s,
               {u"QMXService"_s, u"SaveToDB"_s, goodsBillParams(b).text(),
                proto::recordSetToCbor(goodsLinesPacket(b)),
                proto::recordSetToCbor(accountPacket(b.accounts)), QCborValue(QCborValue::Null)});
    return {r.out(1).toInteger(), r.outText(2)};
}

class PostingOverLoopback : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.start()) << server_.error().toStdString();
        Client admin;
        admin.connectTo(u"127.0.0.1"_s, server_.port());
        const QString name = u"过账测试"_s;
        ASSERT_EQ(0, admin.call(u"CreateProfile"_s, {name, name, u"sa"_s, QString()}).code());
        c_ = loggedIn(server_.port());
        // Base records entered as the base-data windows would store them.
        const char* const rows[][4] = {
            {"baseGoods", "101", "SP101", "螺丝"}, {"baseGoods", "102", "SP102", "齿轮"},
            {"baseWLDW", "201", "K1", "甲客户"},   {"baseWLDW", "202", "K2", "乙客户"},
            {"baseWLDW", "203", "G1", "供应商"},   {"baseCK", "301", "CK1", "总仓"},
            {"baseZY", "2", "002", "张三"},        {"baseBM", "401", "BM1", "业务部"}};
        for (const auto& r : rows) {
            update(*c_,
                   u"INSERT INTO %1(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
                   "(%2, 0, '%2,', 1, 0, '%3', '%4')"_s.arg(
                       QString::fromUtf8(r[0]), QString::fromUtf8(r[1]), QString::fromUtf8(r[2]),
                       QString::fromUtf8(r[3])));
        }
        update(*c_, u"UPDATE baseGoods SET costmode = 2 WHERE id = 102"_s);
        update(*c_, u"UPDATE baseZY SET name = '张三' WHERE id = 2"_s);
        ParamList open;
        open.setValue(u"type"_s, u"0"_s);
        open.setValue(u"Date"_s, u"2025-01-01"_s);
        const Response r = c_->call(u"ExecProc"_s, {u"P_SYS_UP_Open"_s, open.text()});
        ASSERT_EQ(0, r.out(1).toInteger()) << r.outText(2).toStdString();
    }
    double stock(const char* what, qint64 goods) {
        return number(*c_,
                      u"SELECT isnull(sum(%1), 0) FROM baseGoodsStock WHERE "
                      "goodsid = %2"_s.arg(QString::fromLatin1(what))
                          .arg(goods));
    }
    dyt::test::ServerProcess server_;
    std::unique_ptr<Client> c_;
};

TEST_F(PostingOverLoopback, TwoConnectionsPostingAtOnceBothSucceedAndTheStockIsRight) {
    auto [bought, message] = post(*c_, goodsBill(5, kDate, kSupplier,
                                                 {{.goods = kAvg, .qty = 100, .price = 10},
                                                  {.goods = kFifo, .qty = 100, .price = 10}}));
    ASSERT_GT(bought, 0) << message.toStdString();
    constexpr int kEach = 12;
    std::atomic<int> failures{0};
    std::vector<QString> errors(2);
    std::vector<std::thread> threads;
    const int port = server_.port();
    for (int w = 0; w < 2; ++w) {
        threads.emplace_back([w, port, &failures, &errors] {
            try {
                auto c = loggedIn(port);
                const qint64 customer = w == 0 ? kCustomerA : kCustomerB;
                for (int i = 0; i < kEach; ++i) {
                    // Each sale takes 2 of each goods at 15 and receives 5 in cash.
                    auto [id, m] = post(*c, goodsBill(1, kDate, customer,
                                                      {{.goods = kAvg, .qty = 2, .price = 15},
                                                       {.goods = kFifo, .qty = 2, .price = 15}},
                                                      {{.km = kmCash, .amount = 5}}));
                    if (id <= 0) {
                        ++failures;
                        errors[w] = m;
                    }
                }
            } catch (const DytError& e) {
                ++failures;
                errors[w] = e.message();
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(0, failures.load()) << errors[0].toStdString() << " / " << errors[1].toStdString();
    const int sold = 2 * kEach * 2;  // two connections, kEach sales, 2 units of each goods
    EXPECT_EQ(2 * kEach, number(*c_,
                                u"SELECT count(*) FROM djIndex WHERE "
                                "djType = 1 AND dj_state = 2"_s));
    EXPECT_EQ(100 - sold, stock("qty", kAvg));
    EXPECT_EQ((100 - sold) * 10, stock("total", kAvg));
    EXPECT_EQ(100 - sold, stock("qty", kFifo));
    EXPECT_EQ((100 - sold) * 10, stock("total", kFifo));
    // Each customer: 12 sales of 60, 5 received each time.
    for (qint64 customer : {kCustomerA, kCustomerB}) {
        EXPECT_EQ(kEach * (60 - 5),
                  number(*c_, u"SELECT ystotal FROM baseWLDW WHERE id = %1"_s.arg(customer)));
    }
    EXPECT_EQ(2 * kEach * 5, number(*c_, u"SELECT Total FROM baseKM WHERE id = 8"_s));
    // Every movement row belongs to exactly one line: no sale was booked twice or half.
    EXPECT_EQ(2 * kEach * 2 + 2, number(*c_, u"SELECT count(*) FROM djStockDetail"_s));
}

}  // namespace
}  // namespace dyt::server::test
