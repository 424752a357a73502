#pragma once
// An account set on an in-process backend with the base records the bill tests use, and helpers
// that call the bill procedures and the bill service as the client does.
//
// Base records: goods category 100 with goods 101 and 102 (unit rows 1011, 1021), goods 103
// outside it; partner category 200 with partners 201 and 202, partner 203 outside it; warehouses
// 301 and 302; employee 2 (张三) and operator 1; department 401; the seeded accounts (8 cash).

#include <gtest/gtest.h>

#include <QDate>

#include "backend_fixture.h"
#include "common/paramlist.h"
#include "posting_packets.h"
#include "records.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {

class BillFixture : public BackendFixture {
protected:
    void SetUp() override {
        BackendFixture::SetUp();
        ASSERT_EQ(0, createProfile(u"单据测试"_s).code());
        ASSERT_EQ(0, login(session_, u"dytv1_1"_s).code());
        seedBase();
    }
    // A query procedure; throws DytError with the server's message.
    RecordSet procQuery(const QString& name, const ParamList& params) {
        const proto::Response r = call(session_, "ExecProcQuery", {name, params.text()});
        if (!r.error.isEmpty())
            throw DytError(r.error);
        return proto::recordSetFromCbor(r.out(1));
    }
    struct ServiceResult {
        qint64 code = 0;
        QString message;
    };
    // QMXService with the method, the lines and the two packets (an empty record set without
    // fields travels as Null).
    ServiceResult service(const QString& method, const ParamList& params,
                          const RecordSet& packet1 = {}, const RecordSet& packet2 = {}) {
        auto packet = [](const RecordSet& rs) {
            return rs.fieldCount() == 0 ? QCborValue(QCborValue::Null) : proto::recordSetToCbor(rs);
        };
        const proto::Response r = call(session_, "ExecService",
                                       {u"QMXService"_s, method, params.text(), packet(packet1),
                                        packet(packet2), QCborValue(QCborValue::Null)});
        if (!r.error.isEmpty())
            return {-1, r.error};
        return {r.code(), r.outText(2)};
    }
    // ExecProc as the client calls it: the out integer (-1 on an error); the message is kept.
    qint64 proc(const QString& name, std::initializer_list<std::pair<const char*, QString>> lines) {
        ParamList p;
        for (const auto& [n, v] : lines)
            p.setValue(QString::fromUtf8(n), v);
        const proto::Response r = call(session_, "ExecProc", {name, p.text()});
        lastMessage_ = r.error.isEmpty() ? r.outText(2) : r.error;
        return r.error.isEmpty() ? r.out(1).toInteger() : -1;
    }
    // A goods bill (posting_packets.h) of partner 201, its lines into warehouse 301, numbered JH-1.
    static GoodsBill makeBill(int djType, const QString& date, std::vector<GoodsLine> lines = {},
                              qint64 oldId = 0, qint64 partner = 201) {
        GoodsBill b = goodsBill(djType, "", partner, std::move(lines));
        b.date = date;
        b.code = u"JH-1"_s;
        b.oldId = oldId;
        for (GoodsLine& l : b.lines)
            l.intoStock = l.intoStock ? l.intoStock : 301;
        return b;
    }
    static ParamList billHeader(int djType, const QString& date, qint64 oldId = 0,
                                const QString& code = u"JH-1"_s) {
        ParamList p = goodsBillParams(makeBill(djType, date, {}, oldId));
        p.setValue(u"code"_s, code);
        return p;
    }
    // A bill posted (or saved as a draft) as the bill windows send it.
    ServiceResult save(const GoodsBill& b, bool draft = false) {
        return service(draft ? u"SaveToDraft"_s : u"SaveToDB"_s, goodsBillParams(b),
                       goodsLinesPacket(b), accountPacket(b.accounts));
    }
    // A save that must succeed; returns the bill id.
    qint64 posted(const GoodsBill& b, bool draft = false) {
        const ServiceResult r = save(b, draft);
        EXPECT_GT(r.code, 0) << r.message.toStdString();
        return r.code;
    }
    qint64 saveGoodsBill(bool post, int djType, const QString& date, std::vector<GoodsLine> lines,
                         qint64 oldId = 0, qint64 partner = 201) {
        return posted(makeBill(djType, date, std::move(lines), oldId, partner), !post);
    }
    // The numbering rules: kinds (0 all, 1 per kind), voiding (0, 1, 2), period (0, 1, 2),
    // machine number (0, 1); every counter starts afresh.
    void setRules(int kinds, int voiding, int period, int machine = 0) {
        update(
            u"UPDATE sysbillNo SET lastDate = '', yearMaxNo = 0, monthMaxNo = 0, dayMaxNo = 0"_s);
        update(
            u"UPDATE sysData SET sysValue = CASE id WHEN 208042001 THEN '%1' WHEN 208042002 THEN "
            "'%2' WHEN 208042003 THEN '%3' ELSE '%4' END WHERE id BETWEEN 208042001 AND "
            "208042004"_s.arg(kinds)
                .arg(voiding)
                .arg(period)
                .arg(machine));
    }
    // p_sys_Get_BillAutoCode for the kind and date.
    RecordSet autoCode(int djType, const QString& date) {
        ParamList p;
        p.setInt(u"BillType"_s, djType);
        p.setValue(u"BillDate"_s, date);
        return procQuery(u"p_sys_Get_BillAutoCode"_s, p);
    }
    qint64 nextNo(int djType, const QString& date) {
        const RecordSet rs = autoCode(djType, date);
        EXPECT_EQ(1, rs.rowCount());
        return rs.rowCount() > 0 ? rs.at(0, rs.fieldIndex(u"SNMaxNo"_s)).toLongLong() : -1;
    }
    // The rows a query answers, each "value|value|..." (records.h).
    QStringList rowsOf(const QString& sql) { return dyt::test::rowTexts(query(sql)); }
    static QString today() { return QDate::currentDate().toString(u"yyyy-MM-dd"_s); }
    // Counts of the bill tables and the counters, to show that a refusal wrote nothing.
    QString footprint() {
        return u"%1/%2/%3/%4"_s.arg(count(u"SELECT COUNT(*) FROM djIndex"_s))
            .arg(count(u"SELECT COUNT(*) FROM djList"_s))
            .arg(count(u"SELECT COUNT(*) FROM djKmDetail"_s))
            .arg(count(u"SELECT SUM(yearMaxNo + monthMaxNo + dayMaxNo) FROM "
                       "sysbillNo"_s));
    }
    // A row of a tree table below parent (0: the top level).
    void addTreeRow(const char* table, qint64 id, qint64 parent, int sons, const char* code,
                    const char* name) {
        const QString path = (parent ? u"%1,"_s.arg(parent) : QString()) + u"%1,"_s.arg(id);
        update(
            u"INSERT INTO %1(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(%2, %3, '%4', %5, %6, '%7', '%8')"_s.arg(QString::fromLatin1(table))
                .arg(id)
                .arg(parent)
                .arg(path)
                .arg(parent ? 2 : 1)
                .arg(sons)
                .arg(QString::fromUtf8(code), QString::fromUtf8(name)));
    }
    QString lastMessage_;

private:
    void seedBase() {
        update(u"UPDATE sysData SET sysValue = '1' WHERE Name = 'isOpen'"_s);
        addTreeRow("baseGoods", 100, 0, 2, "L1", "商品类");
        addTreeRow("baseGoods", 101, 100, 0, "SP101", "商品101");
        addTreeRow("baseGoods", 102, 100, 0, "SP102", "商品102");
        addTreeRow("baseGoods", 103, 0, 0, "SP103", "商品103");
        update(
            u"INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate) VALUES "
            "(1011, 101, 0, '个', 1), (1021, 102, 0, '箱', 1), (1022, 102, 1, '托', 20), "
            "(1031, 103, 0, '件', 1)"_s);
        addTreeRow("baseWLDW", 200, 0, 2, "DW", "单位类");
        addTreeRow("baseWLDW", 201, 200, 0, "DW201", "甲公司");
        addTreeRow("baseWLDW", 202, 200, 0, "DW202", "乙公司");
        addTreeRow("baseWLDW", 203, 0, 0, "DW203", "丙公司");
        addTreeRow("baseCK", 301, 0, 0, "CK1", "一号仓");
        addTreeRow("baseCK", 302, 0, 0, "CK2", "二号仓");
        addTreeRow("baseZY", 2, 0, 0, "002", "张三");
        update(u"UPDATE baseZY SET name = '张三' WHERE id = 2"_s);
        addTreeRow("baseBM", 401, 0, 0, "BM1", "采购部");
    }
};

}  // namespace dyt::server::test
