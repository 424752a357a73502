#pragma once
// An in-process backend on a fresh data folder, called as the client calls it: requests of a
// session, creating an account set, logging in and the session's SQL texts.

#include <gtest/gtest.h>

#include <utility>

#include <QTemporaryDir>

#include "scratchdb.h"

#include <memory>

#include "common/error.h"
#include "common/recordset.h"
#include "login.h"
#include "protocol/protocol.h"
#include "server/net/backend.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {

using dyt::test::loginLines;

class BackendFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ServerConfig config;
        config.dataDir = dir_.path();
        if (dyt::test::onPostgres()) {
            config.backend = u"postgresql"_s;
            config.postgresql = dyt::test::postgresServer();
            config.postgresqlPrefix = prefix_ = dyt::test::uniquePrefix();
        }
        backend_ = std::make_unique<Backend>(config);
        session_.spid = backend_->nextSpid();
    }
    void TearDown() override { backend_->closeSession(session_); }
    // After the fixtures' own tear-downs: the account-set databases of the test go.
    ~BackendFixture() override {
        backend_.reset();
        if (!prefix_.isEmpty())
            dyt::test::dropDatabases(prefix_);
    }
    // The server's options that put its account sets where this fixture's are.
    QStringList backendArgs() const {
        if (prefix_.isEmpty())
            return {};
        return {u"--backend"_s, u"postgresql"_s, u"--postgresql"_s, dyt::test::postgresServer(),
                u"--postgresql-prefix"_s, prefix_};
    }
    QString prefix_;
    proto::Response call(Session& s, const char* method, const QCborArray& args) {
        proto::Request r;
        r.id = ++requestId_;
        r.method = QString::fromLatin1(method);
        r.args = args;
        return backend_->handle(s, r);
    }
    // A new account set of that name, by the administrator "sa" without password.
    proto::Response createProfile(const QString& name) {
        Session admin;
        admin.spid = backend_->nextSpid();
        return call(admin, "CreateProfile", {name, name, u"sa"_s, QString()});
    }
    proto::Response login(Session& s, const QString& db, const QString& pw = QString(),
                          const QString& flag = u"Check"_s) {
        if (s.spid == 0)
            s.spid = backend_->nextSpid();
        return call(s, "Login", {loginLines(db, u"1"_s, flag), u"1"_s, pw});
    }
    // The session's SQL texts; failures throw DytError with the server's message.
    RecordSet query(const QString& sql, Session* s = nullptr) {
        const proto::Response r = call(s ? *s : session_, "ExecQuery", {sql});
        if (!r.error.isEmpty() || r.code() != 0)
            throw DytError(r.error + r.outText(1));
        return proto::recordSetFromCbor(r.out(0));
    }
    // Set-up texts run as the server administrator's, not held to the windows' columns.
    qint64 update(const QString& sql) {
        const bool verified = std::exchange(session_.adminVerified, true);
        const proto::Response r = call(session_, "ExecUpdate", {sql});
        session_.adminVerified = verified;
        if (!r.error.isEmpty() || r.code() < 0)
            throw DytError(r.error + r.outText(0));
        return r.code();
    }
    QVariant scalar(const QString& sql) {
        const RecordSet rs = query(sql);
        return rs.rowCount() > 0 ? rs.at(0, 0) : QVariant();
    }
    qint64 count(const QString& sql) { return scalar(sql).toLongLong(); }
    QTemporaryDir dir_;
    std::unique_ptr<Backend> backend_;
    Session session_;
    qint64 requestId_ = 0;
};

}  // namespace dyt::server::test
