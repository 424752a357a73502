// p_sys_Get_purview: the operator's rows of the function menu, in menu order, with the grant.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "common/error.h"
#include "common/paramlist.h"
#include "protocol/protocol.h"
#include "server/net/backend.h"

using namespace Qt::StringLiterals;

namespace dyt::server {
namespace {

QString loginLines(const QString& db) {
    return proto::joinLines({db, db, u"1"_s, u"pc-9"_s, QString(), QString(), u"1"_s, u"x"_s,
                             u"dytv1"_s, u"UpdateFlag=Check"_s, u"LoginType=0"_s,
                             u"V11.0.140215"_s});
}

class MenuProcedure : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ServerConfig config;
        config.dataDir = dir_.path();
        backend_ = std::make_unique<Backend>(config);
        session_.spid = backend_->nextSpid();
        ASSERT_EQ(0, call("CreateProfile", {u"账套甲"_s, u"账套甲"_s, u"sa"_s, QString()}).code());
        ASSERT_EQ(0, call("Login", {loginLines(u"dytv1_1"_s), u"1"_s, QString()}).code());
    }
    void TearDown() override { backend_->closeSession(session_); }

    proto::Response call(const char* method, const QCborArray& args) {
        proto::Request r;
        r.id = ++requestId_;
        r.method = QString::fromLatin1(method);
        r.args = args;
        return backend_->handle(session_, r);
    }
    RecordSet purview(const QString& userid) {
        ParamList p;
        if (!userid.isNull())
            p.setValue(u"userid"_s, userid);
        p.setValue(u"czyid"_s, u"1"_s);
        proto::Response r = call("ExecProcQuery", {u"p_sys_Get_purview"_s, p.text()});
        if (!r.error.isEmpty())
            throw DytError(r.error);
        return proto::recordSetFromCbor(r.out(1));
    }
    RecordSet query(const QString& sql) {
        proto::Response r = call("ExecQuery", {sql});
        if (!r.error.isEmpty())
            throw DytError(r.error);
        return proto::recordSetFromCbor(r.out(0));
    }
    void update(const QString& sql) {
        proto::Response r = call("ExecUpdate", {sql});
        ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        ASSERT_GE(r.code(), 0) << r.outText(0).toStdString();
    }
    // The row of a code, -1 when absent.
    static int rowOf(const RecordSet& rs, const QString& code) {
        const int f = rs.fieldIndex(u"code"_s);
        for (int i = 0; i < rs.rowCount(); ++i) {
            if (rs.at(i, f).toString() == code)
                return i;
        }
        return -1;
    }
    static QString value(const RecordSet& rs, int row, const char* field) {
        return rs.at(row, rs.fieldIndex(QString::fromLatin1(field))).toString();
    }

    QTemporaryDir dir_;
    std::unique_ptr<Backend> backend_;
    Session session_;
    qint64 requestId_ = 0;
};

TEST_F(MenuProcedure, OperatorOneGetsEveryRowGrantedInMenuOrder) {
    const RecordSet rs = purview(u"1"_s);
    for (const char* name :
         {"Name", "code", "sonnum", "leveal", "isbtn", "isbj", "hide", "groupby", "ShortCut"}) {
        EXPECT_GE(rs.fieldIndex(QString::fromLatin1(name)), 0) << name;
    }
    const RecordSet all = query(u"SELECT count(*) AS n FROM sysMenu"_s);
    EXPECT_EQ(all.at(0, 0).toLongLong(), rs.rowCount());
    ASSERT_GT(rs.rowCount(), 275);

    // The menu bar first, then the first menu and its first entry with its operation rights.
    struct Head {
        const char* code;
        const char* name;
        const char* level;
        const char* isbtn;
    };
    const Head heads[] = {{"0", "主菜单", "0", "0"},
                          {"10", "基本资料", "1", "0"},
                          {"1001", "商品信息", "2", "0"},
                          {"100101", "添加", "3", "1"},
                          {"100102", "修改", "3", "1"}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(QString::fromUtf8(heads[i].code), value(rs, i, "code")) << i;
        EXPECT_EQ(QString::fromUtf8(heads[i].name), value(rs, i, "Name")) << i;
        EXPECT_EQ(QString::fromUtf8(heads[i].level), value(rs, i, "leveal")) << i;
        EXPECT_EQ(QString::fromUtf8(heads[i].isbtn), value(rs, i, "isbtn")) << i;
    }
    // Menu order is a walk down the tree: a row goes at most one level deeper than the one
    // before it, and every row is granted.
    int previous = -1;
    for (int i = 0; i < rs.rowCount(); ++i) {
        const int level = value(rs, i, "leveal").toInt();
        EXPECT_LE(level, previous + 1)
            << "row " << i << " code " << value(rs, i, "code").toStdString();
        previous = level;
        EXPECT_EQ(u"1"_s, value(rs, i, "isbj")) << value(rs, i, "code").toStdString();
    }
    // A report with its shortcut, and the consignment menu before its entries.
    const int report = rowOf(rs, u"300501"_s);
    ASSERT_GE(report, 0);
    EXPECT_EQ(u"F9"_s, value(rs, report, "ShortCut"));
    EXPECT_EQ(u"1"_s, value(rs, report, "groupby"));
    EXPECT_LT(rowOf(rs, u"2018"_s), rowOf(rs, u"201805"_s));
}

TEST_F(MenuProcedure, OtherOperatorsHoldWhatTheirRightsRowsGrant) {
    update(
        u"INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, fullname, name, pym, depid, "
        "del, candel) VALUES (2, 0, '2,', 1, 0, '002', '李四', '李四', 'LS', 0, 0, 1)"_s);
    update(u"INSERT INTO sysuser(id, password, par_id) VALUES (2, '', 1)"_s);
    update(
        u"INSERT INTO sysPurview(userid, menuid, isbj, iscygn, openCount) SELECT 2, id, 1, 0, 0 "
        "FROM sysMenu WHERE code IN ('10', '1001', '100101')"_s);
    update(
        u"INSERT INTO sysPurview(userid, menuid, isbj, iscygn, openCount) SELECT 2, id, 0, 0, 0 "
        "FROM sysMenu WHERE code = '1003'"_s);

    const RecordSet rs = purview(u"2"_s);
    struct Case {
        const char* code;
        const char* isbj;
        const char* hide;
    };
    const Case cases[] = {{"10", "1", "0"},      // granted menu
                          {"1001", "1", "0"},    // granted window
                          {"100101", "1", "0"},  // granted operation right
                          {"100102", "0", "0"},  // no rights row
                          {"1003", "0", "0"},    // a row that revokes
                          {"1002", "0", "0"},    // no rights row
                          {"5012", "0", "1"},    // open to everyone
                          {"5001", "0", "1"},   {"50", "0", "1"}};
    for (const Case& c : cases) {
        const int row = rowOf(rs, QString::fromLatin1(c.code));
        ASSERT_GE(row, 0) << c.code;
        EXPECT_EQ(QString::fromLatin1(c.isbj), value(rs, row, "isbj")) << c.code;
        EXPECT_EQ(QString::fromLatin1(c.hide), value(rs, row, "hide")) << c.code;
    }
    // Without userid the session's operator (1) is read.
    const RecordSet own = purview(QString());
    const int row = rowOf(own, u"1003"_s);
    ASSERT_GE(row, 0);
    EXPECT_EQ(u"1"_s, value(own, row, "isbj"));
}

TEST_F(MenuProcedure, AnOperatorIdThatIsNoNumberIsRefused) {
    try {
        purview(u"x1"_s);
        FAIL() << "no error";
    } catch (const DytError& e) {
        EXPECT_TRUE(e.message().contains(u"操作员编号[x1]不正确"_s)) << e.message().toStdString();
    }
}

}  // namespace
}  // namespace dyt::server
