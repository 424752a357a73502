#pragma once
// The print count of bills: how many times each bill was printed, kept by the server, with the
// limit and print password of its kind (sysDjb printisCheck, printNumSum, printPassword).

#include <QString>

#include <optional>

namespace dyt::server {

class Database;
class Registry;

namespace billprint {

// The procedure the bill windows call before and after printing (see bill_print.cpp).
QString procedureName();
QString wrongPassword();
QString passwordNeeded();

// The bill windows' own text that adds prints to a bill's count.
struct Increment {
    qint64 billId;
    int copies;
};
std::optional<Increment> parseIncrement(const QString& sql);

struct Outcome {
    qint64 printed = 0;  // the count afterwards
    qint64 allowed = 0;
    bool enforced = false;
};
// Checks whether `copies` more prints of the bill may be made (0: whether one may be) and counts
// them; throws DytError when the kind's limit is reached and the password is missing or wrong.
// Runs in the caller's transaction.
Outcome record(Database& db, qint64 userId, const QString& userName, qint64 billId, int copies,
               const QString& password);

}  // namespace billprint

void registerPrintProcedures(Registry& procedures);  // bill_print.cpp

}  // namespace dyt::server
