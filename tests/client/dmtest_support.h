#pragma once
// Shared set-up of the data-module and shell tests: a data module on the recording transport,
// a scripted prompter that reports its faults to the running test, a fresh session.

#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "client/logic/dmmain.h"
#include "client/logic/session.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "protocol/protocol.h"
#include "support/client/recordingtransport.h"
#include "support/client/scriptedprompter.h"
#include "uihelpers.h"

// Readable failure output for texts.
static inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace dyt::test {

// A record set as the server answers it: fields named "name" (text) or "name:type" with a type
// of the record set's type names (integer, float, boolean, date ...), then the rows in order.
inline RecordSet recordSet(const QStringList& fields, const QList<QVariantList>& rows = {}) {
    RecordSet rs;
    for (const QString& f : fields) {
        FieldType type = FieldType::Text;
        const QString name = f.section(QLatin1Char(':'), 0, 0);
        if (name != f) {
            EXPECT_TRUE(fieldTypeFromName(f.section(QLatin1Char(':'), 1), &type))
                << f.toStdString();
        }
        rs.addField(name, type);
    }
    for (const QVariantList& r : rows)
        rs.appendRow(r);
    return rs;
}

// One row of a record set as its values joined by "|", for comparing a row in one assertion.
inline QString rowValuesText(const RecordSet& rs, int row) {
    QStringList values;
    for (int f = 0; f < rs.fieldCount(); ++f)
        values.append(rs.at(row, f).toString());
    return values.join(QLatin1Char('|'));
}

class DmFixture : public ::testing::Test {
protected:
    void SetUp() override {
        client::resetSession();
        client::setRunMode(client::kFullMode);
        test::reportFaultsToTest(script);
        dm = std::make_unique<client::TdmMain>();
        auto t = std::make_unique<client::RecordingTransport>();
        transport = t.get();
        dm->setTransport(std::move(t));
        dm->quitApplication = [this] { ++quitCalls; };
        dm->startProgram = [this](const QString& program, const QStringList& args) {
            started.append(program + QLatin1Char(' ') + args.join(QLatin1Char(' ')));
        };
    }
    void TearDown() override {
        dm.reset();
        client::resetSession();
        client::setRunMode(client::kFullMode);
    }

    // Connects to a remote server (no local start on reconnect) and logs an operator in.
    void connectLoggedIn(int userId = 7) {
        ASSERT_TRUE(dm->ConnectServer(u"srv:8019"_s, false, 1));
        client::loginedUser().UserId = userId;
        client::setLoggedIn(true);
        transport->clearCalls();
    }

    // The next ExecProcQuery answers with the rows, its parameter lines unchanged.
    void answerProc(const RecordSet& rows) {
        transport->respondWith(u"ExecProcQuery"_s, [rows](const QCborArray& args) {
            client::Response r;
            r.result = 0;
            r.outs = {args.at(1), proto::recordSetToCbor(rows)};
            return r;
        });
    }
    // The next ExecQuery answers with the rows.
    void answerQuery(const RecordSet& rows) {
        transport->respond(u"ExecQuery"_s, 0, {proto::recordSetToCbor(rows), QString()});
    }
    // The next ExecProc returns the value (a save's record id).
    void answerProcResult(qint64 value) {
        transport->respondWith(u"ExecProc"_s, [value](const QCborArray& args) {
            client::Response r;
            r.result = 0;
            r.outs = {args.at(1), value, QString()};
            return r;
        });
    }
    // The calls of a method (ExecProc, ExecProcQuery, ExecQuery, ExecUpdate ...), in order.
    QList<client::RecordedCall> callsOf(const QString& method) const {
        return transport->callsOf(method);
    }
    // The SQL texts of a method's calls (ExecQuery, ExecUpdate), in order.
    QStringList sqlOf(const QString& method) const {
        QStringList out;
        for (const client::RecordedCall& c : transport->callsOf(method))
            out.append(c.sql);
        return out;
    }
    static ParamList linesOf(const client::RecordedCall& c) {
        return ParamList(c.paramLines.join(u"\r\n"_s));
    }

    client::ScriptedPrompter script;
    client::PrompterOverride override_{&script};
    std::unique_ptr<client::TdmMain> dm;
    client::RecordingTransport* transport = nullptr;
    int quitCalls = 0;
    QStringList started;
};

// Passes the server administrator's (empty) password on the data module's connection, so that
// the test's own SQL texts may set up data beyond what the windows write. The server's message
// on failure.
inline QString allowSeeding(client::TdmMain& dm) {
    const client::Response r =
        dm.GetAppServer().call(u"ExecCommand"_s, {u"Command=CheckAdminPass\r\nPassword="_s});
    return r.code() != 0 ? r.outText(1) : QString();
}

// Logs the operator in through the direct server handle on the connected server, as the login
// window does. Returns the server's message on failure, an empty text on success.
// With `seeds`, the connection also passes the server administrator's password, so that the
// test's own SQL texts may set up data beyond what the windows write.
inline QString logIn(client::TdmMain& dm, int userId, const QString& password = {},
                     const QString& dbName = u"dytv1_1"_s, bool seeds = false) {
    const QString lines = proto::joinLines(
        {dbName, dbName, QString::number(userId), u"PC-01"_s, u"127.0.0.1"_s, u"00-11-22"_s, u"1"_s,
         u"正式版"_s, u"dytv1"_s, u"UpdateFlag=Check"_s, u"LoginType=0"_s, u"V11.0.140215"_s});
    const client::Response r =
        dm.GetAppServer().call(u"Login"_s, {lines, QString::number(userId), password});
    if (r.code() != 0)
        return r.outText(0);
    if (seeds) {
        if (const QString why = allowSeeding(dm); !why.isEmpty())
            return why;
    }
    client::loginedUser().UserId = userId;
    client::setLoggedIn(true);
    return {};
}
// Creates the account set `caption` on the connected server (its database is dytv1_1 on a fresh
// server) and logs operator 1 in.
inline QString createAndLogIn(client::TdmMain& dm, const QString& caption,
                              const QString& dbName = u"dytv1_1"_s) {
    const client::Response r =
        dm.GetAppServer().call(u"CreateProfile"_s, {caption, caption, u"sa"_s, QString()});
    return r.code() != 0 ? r.outText(0) : logIn(dm, 1, QString(), dbName, true);
}

}  // namespace dyt::test
