#pragma once
// Shared set-up of the query window tests: client configuration, login date 2026-03-31, operator 7
// on the recording transport; condition dialogs accepted and child windows kept.

#include <QTemporaryDir>
#include <QTest>
#include <QtWidgets>

#include <algorithm>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "client/bills/billkinds.h"
#include "client/common/gridview.h"
#include "client/common/windowregistry.h"
#include "client/logic/clientconfig.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/settings.h"
#include "client/queries/frmquery.h"
#include "client/queries/frmselectitems.h"
#include "client/logic/queryconditions.h"
#include "support/joined.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "protocol/protocol.h"
#include "support/testutil.h"

namespace dyt::test {

// Category tree rows as P_JXC_Get_Base answers them: id, name, level, path.
inline RecordSet treeRows(const QList<std::tuple<int, const char*, int, const char*>>& rows) {
    RecordSet rs = withFields("id integer, fullname text 50, leveal integer, par_jl text 50");
    for (const auto& [id, name, level, path] : rows)
        rs.appendRow({qint64(id), QString::fromUtf8(name), qint64(level), QString::fromUtf8(path)});
    return rs;
}

// Operator rights rows: menu code and whether it is granted.
inline RecordSet rightsRows(const QList<std::pair<const char*, int>>& rows) {
    RecordSet rs = withFields("code text 20, isbj integer, hide integer");
    for (const auto& [code, isbj] : rows)
        rs.appendRow({QString::fromLatin1(code), qint64(isbj), qint64(0)});
    return rs;
}

class QueryFixture : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        ASSERT_TRUE(dir.isValid());
        client::openClientConfig(dir.path());
        client::resetSettings();
        client::settings().LoginDate = QDate(2026, 3, 31);
        client::query::resetSharedQueryDates();
        connectLoggedIn(7);
    }
    void TearDown() override {
        client::query::resetSharedQueryDates();
        client::resetSettings();
        client::closeClientConfig();
        DmFixture::TearDown();
    }
    // Every later procedure query answers these rows.
    void answerRows(const RecordSet& rows) {
        transport->respondWith(QStringLiteral("ExecProcQuery"), [rows](const QCborArray& args) {
            client::Response r;
            r.result = 0;
            r.outs = {args.at(1), proto::recordSetToCbor(rows)};
            return r;
        });
    }
    QList<client::RecordedCall> callsOf(const QString& method) const {
        return transport->callsOf(method);
    }
    QList<client::RecordedCall> procCalls() const {
        return callsOf(QStringLiteral("ExecProcQuery"));
    }
    // The parameters of the last procedure query, and its procedure.
    ParamList lastParams(QString* procedure = nullptr) const {
        const QList<client::RecordedCall> calls = procCalls();
        if (calls.isEmpty()) {
            ADD_FAILURE() << "no procedure query";
            return {};
        }
        if (procedure)
            *procedure = calls.last().procedure;
        return ParamList(calls.last().paramLines.join(QStringLiteral("\r\n")));
    }

    QTemporaryDir dir;
};

// A query window's condition dialogs are accepted (or answered by onDialog, counted in dialogs)
// and the windows it opens are kept in children.
class QueryWindowFixture : public QueryFixture {
protected:
    void SetUp() override {
        QueryFixture::SetUp();
        savedRunner = client::TfrmQueryWindow::dialogRunner();
        client::TfrmQueryWindow::dialogRunner() = [this](client::TfrmSelectItems& d) {
            ++dialogs;
            return onDialog ? onDialog(d) : d.accept();
        };
        savedHost = client::queryChildHost();
        client::queryChildHost() = [this](QWidget* w) { children.emplace_back(w); };
    }
    void TearDown() override {
        children.clear();
        client::TfrmQueryWindow::dialogRunner() = savedRunner;
        client::queryChildHost() = savedHost;
        client::resetPickerSelector();
        QueryFixture::TearDown();
    }

    std::function<bool(client::TfrmSelectItems&)> savedRunner;
    client::ChildWindowHost savedHost;
    std::function<bool(client::TfrmSelectItems&)> onDialog;
    int dialogs = 0;
    std::vector<std::unique_ptr<QWidget>> children;
};

}  // namespace dyt::test

namespace dyt::client {
// A UTF-8 text of the tables.
inline QString s(const char* text) {
    return QString::fromUtf8(text);
}
}  // namespace dyt::client
