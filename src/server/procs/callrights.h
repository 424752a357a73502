#pragma once
// Who may make which call. Every procedure, query procedure and service a client can call has a
// rule here, kept beside the registry: most are the function rights of the windows that send the
// call (read from the function-code and query-window tables the client opens its windows by), the
// bill services take the right of the bill kind, the reads every window needs are open to every
// operator. Operator 1 passes every rule. A call without a rule is refused.

#include <QSet>
#include <QString>
#include <QStringList>

#include "common/paramlist.h"

namespace dyt::server {

class Database;

namespace callrights {

// The answer to a refused call or statement.
QString refusal();

// The function rights of an operator, read once: the codes it holds. A code is held when the
// operator's row grants it or the entry is not controlled (hide = 1); operator 1 holds all.
class Held {
public:
    Held(Database& db, qint64 userId);
    qint64 userId() const { return userId_; }
    bool all() const { return userId_ == 1; }
    bool holds(const QString& code) const;
    bool holdsAny(const QStringList& codes) const;
    // A right inside a window (menu code + two-digit sub-code): the window's right and the
    // sub-right's row; sub-rights above 20 that have no row are not controlled.
    bool holdsSub(const QString& menu, const QString& sub) const;

private:
    qint64 userId_;
    QSet<QString> granted_;
    QSet<QString> known_;
};

// Throws the refusal when the operator may not call that procedure with those lines.
void checkProcedure(Database& db, qint64 userId, const QString& name, const ParamList& params);
// The same for a service method.
void checkService(Database& db, qint64 userId, const QString& service, const QString& method,
                  const ParamList& params);

// The function codes whose windows call the procedure with that QueryType (empty: any), read from
// the query-window table; windows that drill down into such a window count as well.
QStringList windowCodes(const QString& procedure, const QString& queryType);
// Whether the procedure has a rule (a registered procedure without one is refused to everybody).
bool ruled(const QString& name);

}  // namespace callrights
}  // namespace dyt::server
