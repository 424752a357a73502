#pragma once
// An account set on an in-process backend with the base records the bill tests use, and helpers
// that call the bill procedures and the bill service as the client does.
//
// Base records: goods category 100 with goods 101 and 102 (unit rows 1011, 1021), goods 103
// outside it; partner category 200 with partners 201 and 202, partner 203 outside it; warehouses
// 301 and 302; employee 2 (张三) and operator 1; department 401; the seeded accounts (8 cash).

#include <gtest/gtest.h>

#include <QDate>
#include <QTemporaryDir>

#include <memory>

#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "protocol/protocol.h"
#include "server/backend.h"
#include "support/testutil.h"

namespace dyt::server::test {

// A packet of text fields (width 8000) with the given rows, as the bill windows build it.
inline RecordSet textPacket(const QStringList& fields, const QList<QStringList>& rows) {
    RecordSet rs;
    for (const QString& f : fields)
        rs.addField(f, FieldType::Text, 8000);
    for (const QStringList& row : rows) {
        RecordSet::Row values;
        for (const QString& v : row)
            values.append(v);
        rs.appendRow(values);
    }
    return rs;
}

// The line fields a goods bill sends, first the four that the blank-row rule looks at.
inline QStringList goodsLineFields() {
    return {
        QStringLiteral("goodsid"),   QStringLiteral("orderid"),       QStringLiteral("goodsCode"),
        QStringLiteral("goodsname"), QStringLiteral("IntoStock_id"),  QStringLiteral("unitid"),
        QStringLiteral("qty"),       QStringLiteral("Price"),         QStringLiteral("Total"),
        QStringLiteral("discount"),  QStringLiteral("discounttotal"), QStringLiteral("taxTotalSum"),
        QStringLiteral("comment")};
}

// One goods line: goods, quantity, price (amounts follow), line note.
inline QStringList goodsLine(const QString& goods, const QString& qty, const QString& price,
                             const QString& note = QString()) {
    const double total = qty.toDouble() * price.toDouble();
    const QString t = QString::number(total, 'f', 2);
    return {goods,
            QString(),
            goods.isEmpty() ? QString() : QStringLiteral("SP") + goods,
            goods.isEmpty() ? QString() : QStringLiteral("商品") + goods,
            QStringLiteral("301"),
            goods.isEmpty() ? QString() : QStringLiteral("0"),  // the goods' base unit (slot 0)
            qty,
            price,
            t,
            QStringLiteral("1"),
            t,
            t,
            note};
}

class BillFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ServerConfig config;
        config.dataDir = dir_.path();
        backend_ = std::make_unique<Backend>(config);
        Session admin;
        admin.spid = backend_->nextSpid();
        const QString name = QStringLiteral("单据测试");
        ASSERT_EQ(
            0, call(admin, "CreateProfile", {name, name, QStringLiteral("sa"), QString()}).code());
        session_.spid = backend_->nextSpid();
        const QString lines = proto::joinLines(
            {QStringLiteral("dytv1_1"), QStringLiteral("dytv1_1"), QStringLiteral("1"),
             QStringLiteral("pc-1"), QString(), QString(), QStringLiteral("1"), QStringLiteral("x"),
             QStringLiteral("dytv1"), QStringLiteral("UpdateFlag=Check"),
             QStringLiteral("LoginType=0"), QStringLiteral("V11.0.140215")});
        ASSERT_EQ(0, call(session_, "Login", {lines, QStringLiteral("1"), QString()}).code());
        seedBase();
    }
    void TearDown() override { backend_->closeSession(session_); }

    proto::Response call(Session& s, const char* method, const QCborArray& args) {
        proto::Request r;
        r.id = ++requestId_;
        r.method = QString::fromLatin1(method);
        r.args = args;
        return backend_->handle(s, r);
    }

    void update(const QString& sql) {
        const proto::Response r = call(session_, "ExecUpdate", {sql});
        if (!r.error.isEmpty() || r.code() < 0)
            throw DytError(r.error + r.outText(0));
    }
    RecordSet query(const QString& sql) {
        const proto::Response r = call(session_, "ExecQuery", {sql});
        if (!r.error.isEmpty() || r.code() != 0)
            throw DytError(r.error + r.outText(1));
        return proto::recordSetFromCbor(r.out(0));
    }
    QVariant scalar(const QString& sql) {
        const RecordSet rs = query(sql);
        return rs.rowCount() > 0 ? rs.at(0, 0) : QVariant();
    }
    qint64 count(const QString& sql) { return scalar(sql).toLongLong(); }

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
        const proto::Response r =
            call(session_, "ExecService",
                 {QStringLiteral("QMXService"), method, params.text(), packet(packet1),
                  packet(packet2), QCborValue(QCborValue::Null)});
        if (!r.error.isEmpty())
            return {-1, r.error};
        return {r.code(), r.outText(2)};
    }

    // The header lines of a goods bill as the bill windows send them.
    static ParamList billHeader(int djType, const QString& date, qint64 oldId = 0,
                                const QString& code = QStringLiteral("JH-1")) {
        ParamList p;
        p.setValue(QStringLiteral("date"), date);
        p.setValue(QStringLiteral("code"), code);
        p.setValue(QStringLiteral("wldw_id"), QStringLiteral("201"));
        p.setValue(QStringLiteral("wldw_Name"), QStringLiteral("甲公司"));
        p.setValue(QStringLiteral("jsr_id"), QStringLiteral("2"));
        p.setValue(QStringLiteral("dep_id"), QStringLiteral("401"));
        p.setValue(QStringLiteral("IntoStock_id"), QStringLiteral("301"));
        p.setValue(QStringLiteral("summery"), QStringLiteral("摘要"));
        p.setValue(QStringLiteral("comment"), QStringLiteral("说明"));
        p.setValue(QStringLiteral("dj_Caption"), QStringLiteral("进货单"));
        p.setInt(QStringLiteral("djType"), djType);
        p.setInt(QStringLiteral("OldBillid"), oldId);
        p.setValue(QStringLiteral("total"), QStringLiteral("0"));
        return p;
    }

    // Saves a goods bill with one line per (goods, qty, price) and returns its id.
    qint64 saveGoodsBill(bool post, int djType, const QString& date,
                         const QList<QStringList>& lines, qint64 oldId = 0,
                         const QString& partner = QStringLiteral("201")) {
        ParamList p = billHeader(djType, date, oldId);
        p.setValue(QStringLiteral("wldw_id"), partner);
        const ServiceResult r =
            service(post ? QStringLiteral("SaveToDB") : QStringLiteral("SaveToDraft"), p,
                    textPacket(goodsLineFields(), lines));
        EXPECT_GT(r.code, 0) << r.message.toStdString();
        return r.code;
    }

    // The numbering rules: kinds (0 all, 1 per kind), voiding (0, 1, 2), period (0, 1, 2),
    // machine number (0, 1).
    void setRules(int kinds, int voiding, int period, int machine = 0) {
        update(
            QStringLiteral("UPDATE sysData SET sysValue = '%1' WHERE id = 208042001").arg(kinds));
        update(
            QStringLiteral("UPDATE sysData SET sysValue = '%1' WHERE id = 208042002").arg(voiding));
        update(
            QStringLiteral("UPDATE sysData SET sysValue = '%1' WHERE id = 208042003").arg(period));
        update(
            QStringLiteral("UPDATE sysData SET sysValue = '%1' WHERE id = 208042004").arg(machine));
    }

    // p_sys_Get_BillAutoCode for the kind and date.
    RecordSet autoCode(int djType, const QString& date) {
        ParamList p;
        p.setInt(QStringLiteral("BillType"), djType);
        p.setValue(QStringLiteral("BillDate"), date);
        return procQuery(QStringLiteral("p_sys_Get_BillAutoCode"), p);
    }
    qint64 nextNo(int djType, const QString& date) {
        const RecordSet rs = autoCode(djType, date);
        EXPECT_EQ(1, rs.rowCount());
        return rs.rowCount() > 0 ? rs.at(0, rs.fieldIndex(QStringLiteral("SNMaxNo"))).toLongLong()
                                 : -1;
    }

    static QString today() { return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")); }

    // Counts of the bill tables and the counters, to show that a refusal wrote nothing.
    QString footprint() {
        return QStringLiteral("%1/%2/%3/%4")
            .arg(count(QStringLiteral("SELECT COUNT(*) FROM djIndex")))
            .arg(count(QStringLiteral("SELECT COUNT(*) FROM djList")))
            .arg(count(QStringLiteral("SELECT COUNT(*) FROM djKmDetail")))
            .arg(count(QStringLiteral("SELECT SUM(yearMaxNo + monthMaxNo + dayMaxNo) FROM "
                                      "sysbillNo")));
    }

    QTemporaryDir dir_;
    std::unique_ptr<Backend> backend_;
    Session session_;
    qint64 requestId_ = 0;

private:
    void seedBase() {
        const char* const statements[] = {
            "UPDATE sysData SET sysValue = '1' WHERE Name = 'isOpen'",
            "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(100, 0, '100,', 1, 2, 'L1', '商品类')",
            "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(101, 100, '100,101,', 2, 0, 'SP101', '商品101')",
            "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(102, 100, '100,102,', 2, 0, 'SP102', '商品102')",
            "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(103, 0, '103,', 1, 0, 'SP103', '商品103')",
            "INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate) VALUES (1011, 101, 0, "
            "'个', 1)",
            "INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate) VALUES (1021, 102, 0, "
            "'箱', 1)",
            "INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate) VALUES (1022, 102, 1, "
            "'托', 20)",
            "INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate) VALUES (1031, 103, 0, "
            "'件', 1)",
            "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(200, 0, '200,', 1, 2, 'DW', '单位类')",
            "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(201, 200, '200,201,', 2, 0, 'DW201', '甲公司')",
            "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(202, 200, '200,202,', 2, 0, 'DW202', '乙公司')",
            "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(203, 0, '203,', 1, 0, 'DW203', '丙公司')",
            "INSERT INTO baseCK(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(301, 0, '301,', 1, 0, 'CK1', '一号仓')",
            "INSERT INTO baseCK(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(302, 0, '302,', 1, 0, 'CK2', '二号仓')",
            "INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, fullname, name) VALUES "
            "(2, 0, '2,', 1, 0, '002', '张三', '张三')",
            "INSERT INTO baseBM(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(401, 0, '401,', 1, 0, 'BM1', '采购部')",
        };
        for (const char* sql : statements)
            update(QString::fromUtf8(sql));
    }
};

}  // namespace dyt::server::test
