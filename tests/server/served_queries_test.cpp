// What the server says it answers with rows, read as the client's function list reads it before
// any login, against the query-window table: every procedure and QueryType a window names is
// served, and the reports still without figures are exactly those the report catalogue lists.
#include <QSet>

#include <cstdio>

#include "backend_fixture.h"
#include "common/paramlist.h"
#include "protocol/querydescriptors.h"
#include "server/reports/reports.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

// Follow-up procedures that windows name and the server does not have yet. A procedure that gets
// built must leave this list (the test fails until it does).
const QString kFollowUpsToBuild = u""_s;

class ServedQueries : public BackendFixture {
protected:
    // procedure in lower case -> the QueryTypes answered with figures in upper case ("" for a
    // procedure that takes none); a procedure without any has an empty set.
    QHash<QString, QSet<QString>> served() {
        ParamList lines;
        lines.setValue(u"Method"_s, u"ServedQueries"_s);
        Session anyone;
        anyone.spid = backend_->nextSpid();
        const proto::Response r = call(anyone, "GetProfileUserInfo", {lines.text()});
        EXPECT_EQ(0, r.code());
        const RecordSet rs = proto::recordSetFromCbor(r.out(0));
        QHash<QString, QSet<QString>> out;
        for (int i = 0; i < rs.rowCount(); ++i) {
            QSet<QString>& types = out[rs.at(i, 0).toString().toLower()];
            if (rs.at(i, 2).toInt() == 1)
                types.insert(rs.at(i, 1).toString().toUpper());
        }
        return out;
    }
};

TEST_F(ServedQueries, EveryProcedureAndQueryTypeOfTheWindowsIsServed) {
    const auto served = this->served();
    const auto serves = [&](const QString& procedure, const QString& type) {
        const auto it = served.constFind(procedure.toLower());
        return it != served.constEnd() && (it->contains(QString()) || it->contains(type.toUpper()));
    };
    QStringList unknown, withoutFigures, followUps;
    for (const QueryDescriptor& d : queryDescriptors()) {
        if (d.procedure.isEmpty())
            continue;
        if (!served.contains(d.procedure.toLower()))
            unknown << d.className + u' ' + d.procedure;
        for (const QString& type : d.queryTypes) {
            if (serves(d.procedure, type))
                continue;
            // Answered with its columns only: a report of the catalogue without figures.
            const ReportInfo* r = findReport(d.procedure, type);
            if (r && !r->realFigures)
                withoutFigures << d.procedure + u'/' + type;
            else
                unknown << d.className + u' ' + d.procedure + u'/' + type;
        }
        for (const QString& other : d.otherProcedures) {
            if (!serves(other, QString()) && !followUps.contains(other))
                followUps << other;
        }
    }
    EXPECT_EQ(QString(), unknown.join(u", "_s));
    followUps.sort();
    EXPECT_EQ(kFollowUpsToBuild, followUps.join(u' '));
    withoutFigures.removeDuplicates();
    std::printf("Query types without figures yet (%lld)\n",
                static_cast<long long>(withoutFigures.size()));
    // Every report with figures is served as such.
    for (const ReportInfo& r : reportCatalogue())
        EXPECT_EQ(r.realFigures, serves(r.procedure, r.queryType)) << qPrintable(r.queryType);
}

}  // namespace
}  // namespace dyt::server::test
