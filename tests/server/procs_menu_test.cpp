// p_sys_Get_purview: the operator's rows of the function menu, in menu order, with the grant.
#include <gtest/gtest.h>

#include "backend_fixture.h"
#include "common/paramlist.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt::server {
namespace {

class MenuProcedure : public test::BackendFixture {
protected:
    void SetUp() override {
        BackendFixture::SetUp();
        ASSERT_EQ(0, createProfile(u"账套甲"_s).code());
        ASSERT_EQ(0, login(session_, u"dytv1_1"_s).code());
    }
    RecordSet purview(const QString& userid) {
        ParamList p;
        if (!userid.isNull())
            p.setValue(u"userid"_s, userid);
        p.setValue(u"czyid"_s, u"1"_s);
        proto::Response r = call(session_, "ExecProcQuery", {u"p_sys_Get_purview"_s, p.text()});
        if (!r.error.isEmpty())
            throw DytError(r.error);
        return proto::recordSetFromCbor(r.out(1));
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
};

TEST_F(MenuProcedure, OperatorOneGetsEveryRowOthersWhatTheirRightsGrantAndABadIdIsRefused) {
    const RecordSet rs = purview(u"1"_s);
    const RecordSet all = query(u"SELECT count(*) AS n FROM sysMenu"_s);
    EXPECT_EQ(all.at(0, 0).toLongLong(), rs.rowCount());
    ASSERT_GT(rs.rowCount(), 275);
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
    EXPECT_EQ(u"0"_s, value(rs, 0, "code"));  // the menu bar first
    EXPECT_LT(rowOf(rs, u"2018"_s), rowOf(rs, u"201805"_s));
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
    const RecordSet granted = purview(u"2"_s);
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
        const int row = rowOf(granted, QString::fromLatin1(c.code));
        ASSERT_GE(row, 0) << c.code;
        EXPECT_EQ(u"%1|%2"_s.arg(QLatin1String(c.isbj), QLatin1String(c.hide)),
                  value(granted, row, "isbj") + u'|' + value(granted, row, "hide"))
            << c.code;
    }
    // Without userid the session's operator (1) is read.
    const RecordSet own = purview(QString());
    const int row = rowOf(own, u"1003"_s);
    ASSERT_GE(row, 0);
    EXPECT_EQ(u"1"_s, value(own, row, "isbj"));
    // An operator id that is no number is refused.
    const QString message = dyt::test::errorOf([&] { purview(u"x1"_s); });
    EXPECT_TRUE(message.contains(u"操作员编号[x1]不正确"_s)) << message.toStdString();
}

}  // namespace
}  // namespace dyt::server
