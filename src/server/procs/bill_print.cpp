// The print count of bills, kept by the server alone:
//   p_sys_Up_DJPrint  id (the bill), PrintNum (the copies made; 0 or empty: only asks whether a
//                     print may be made), PrintPassword (the print password the operator typed).
//                     A kind whose count is enforced (sysDjb.printisCheck = 1) prints up to
//                     printNumSum copies of a bill; a print that goes beyond needs the kind's
//                     print password. The copies are added to djIndex.printnum and each print is
//                     written to djPrintLog with the operator and the time. Result: the bill's
//                     count afterwards; output lines printnum, printNumSum, printisCheck.
// The client text "Update djindex set printNum = printNum +n where id = m" is run through the
// same rule (without a password); no other text may write the count.
#include "server/procs/bill_print.h"

#include <QDateTime>
#include <QRegularExpression>

#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/procs/registry.h"

namespace dyt::server {

namespace billprint {

QString procedureName() {
    return QStringLiteral("p_sys_Up_DJPrint");
}

QString wrongPassword() {
    return QStringLiteral("打印密码错误");
}

QString passwordNeeded() {
    return QStringLiteral("这张单据已经达到允许的打印次数，请输入打印密码");
}

std::optional<Increment> parseIncrement(const QString& sql) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*update\\s+djindex\\s+set\\s+printnum\\s*=\\s*printnum\\s*\\+\\s*"
                       "(\\d{1,6})\\s+where\\s+id\\s*=\\s*(\\d{1,18})\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(sql);
    if (!m.hasMatch())
        return std::nullopt;
    return Increment{m.captured(2).toLongLong(), m.captured(1).toInt()};
}

Outcome record(Database& db, qint64 userId, const QString& userName, qint64 billId, int copies,
               const QString& password) {
    if (billId <= 0)
        throw DytError(QStringLiteral("没有指定要打印的单据"));
    if (copies < 0)
        throw DytError(QStringLiteral("打印份数不能小于 0"));
    const RecordSet rs = db.query(
        QStringLiteral("SELECT a.printnum, a.djType, a.dj_state, b.printNumSum, b.printisCheck, "
                       "b.printPassword FROM djIndex AS a LEFT JOIN sysDjb AS b ON b.id = "
                       "a.djType WHERE a.id = ?"),
        {billId});
    if (rs.rowCount() == 0 || rs.at(0, 2).toInt() == 0)
        throw DytError(QStringLiteral("你要打印的单据不存在，有可能已被删除！"));
    Outcome o;
    o.printed = rs.at(0, 0).toLongLong();
    o.allowed = rs.at(0, 3).toLongLong();
    o.enforced = rs.at(0, 4).toInt() == 1;
    const qint64 kind = rs.at(0, 1).toLongLong();
    const QString stored = rs.at(0, 5).toString();
    // A look before printing counts as the one print it asks for.
    const bool beyond = o.enforced && o.printed + qMax(copies, 1) > o.allowed;
    if (beyond) {
        if (password.isEmpty())
            throw DytError(passwordNeeded());
        // An enforced kind without a password lets nobody past its limit.
        if (stored.isEmpty() || password != stored)
            throw DytError(wrongPassword());
    }
    if (copies == 0)
        return o;
    db.execute(QStringLiteral("UPDATE djIndex SET printnum = printnum + ? WHERE id = ?"),
               {copies, billId});
    o.printed += copies;
    db.execute(QStringLiteral("INSERT INTO djPrintLog(billid, djType, copies, printnum, overLimit, "
                              "userid, userName, printTime) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
               {billId, kind, copies, o.printed, beyond ? 1 : 0, userId, userName,
                QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))});
    return o;
}

}  // namespace billprint

namespace {

int printBill(CallContext& c) {
    const qint64 billId =
        billvalues::id(c.params.value(QStringLiteral("id")), QStringLiteral("单据ID"));
    const QString copiesText = c.params.value(QStringLiteral("PrintNum")).trimmed();
    bool ok = true;
    const int copies = copiesText.isEmpty() ? 0 : copiesText.toInt(&ok);
    if (!ok)
        throw DytError(QStringLiteral("[打印份数]不是有效的数字：") + copiesText);
    const billprint::Outcome o =
        billprint::record(c.db, c.userId, c.userName, billId, copies,
                          c.params.value(QStringLiteral("PrintPassword")));
    c.params.setInt(QStringLiteral("printnum"), o.printed);
    c.params.setInt(QStringLiteral("printNumSum"), o.allowed);
    c.params.setInt(QStringLiteral("printisCheck"), o.enforced ? 1 : 0);
    return static_cast<int>(o.printed);
}

}  // namespace

void registerPrintProcedures(Registry& procedures) {
    procedures.add(billprint::procedureName(), printBill);
}

}  // namespace dyt::server
