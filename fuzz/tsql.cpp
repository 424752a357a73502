// Client SQL texts through the T-SQL translation, against the schema of a real account set; the
// statements translated are prepared there under the client authorizer, never run.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/error.h"
#include "server/db/schema.h"
#include "server/tsql/tsql.h"
#include "server/tsql/tsql_functions.h"

using namespace dyt;
using namespace dyt::server;

namespace {

sqlite3* db = nullptr;
tsql::Context context;

void prepareAll(const std::vector<tsql::Step>& steps) {
    for (const tsql::Step& step : steps) {
        const QByteArray sql = step.sql.toUtf8();
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &stmt, nullptr);
        // Only a query may come back as one: a program never hides a write in a query step.
        if (stmt && step.kind != tsql::Step::Kind::Statement && !sqlite3_stmt_readonly(stmt))
            std::abort();
        sqlite3_finalize(stmt);
        prepareAll(step.thenSteps);
        prepareAll(step.elseSteps);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (sqlite3_open(":memory:", &db) != SQLITE_OK)
        std::abort();
    tsql::registerFunctions(db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    schema::createAccountSet(db, QStringLiteral("测试账套"), QString());
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    context.schema = tsql::schemaLookupFromDatabase(db);
    context.sessionId = 51;
    context.masterSchema = QStringLiteral("temp");
    context.databaseName = QStringLiteral("dyt_test");
    sqlite3_set_authorizer(db, tsql::clientAuthorizer, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    tsql::Program program;
    try {
        program = tsql::translate(text, context);
    } catch (const DytError&) {
        return 0;
    }
    program.toString();
    prepareAll(program.steps);
    return 0;
}
