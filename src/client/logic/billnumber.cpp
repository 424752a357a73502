// The next bill number.
#include "client/logic/billnumber.h"

#include <QDateTime>

#include "client/logic/clientconfig.h"
#include "client/logic/dmmain.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "common/formatting.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "common/sqltext.h"
#include "protocol/protocol.h"

namespace dyt::client::billnumber {
namespace {

constexpr int kCheckDuplicates = 2015;

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

}  // namespace

QString machineNumberKey() {
    return QStringLiteral("MachineNo");
}

AutoCode autoCodeFromRow(const RecordSet& rows) {
    if (rows.rowCount() == 0)
        throw DytError(QStringLiteral("取单据编号失败：服务器没有返回编号规则"));
    RecordSet rs = rows;
    rs.first();
    AutoCode code;
    code.snFormat = rs.text(QStringLiteral("SNFormat"));
    code.maxNo = rs.integer(QStringLiteral("SNMaxNo"));
    const QString date = rs.text(QStringLiteral("BillDate")).trimmed();
    code.billDate = proto::parseDate(QStringView(date).left(10));
    if (!code.billDate.isValid())
        throw DytError(QStringLiteral("取单据编号失败：单据日期[%1]无效").arg(date));
    code.machinePrefix = rs.integer(QStringLiteral("IsPcID")) == 1;
    return code;
}

QString composeNumber(const AutoCode& code, const QTime& timeOfDay, const QString& machineNumber) {
    const QString number =
        formatBillNumber(code.snFormat, QDateTime(code.billDate, timeOfDay), code.maxNo);
    if (number.isEmpty() || !code.machinePrefix || machineNumber.isEmpty())
        return number;
    const QString prefix = machineNumber + QLatin1Char('-');
    return number.startsWith(prefix) ? number : prefix + number;
}

QString duplicateCheckSql(const QString& number) {
    const QString q = sqlQuoted(number);
    return QStringLiteral(
               " IF EXISTS(SELECT * FROM djIndex AS a WHERE a.dj_state <> 0 AND a.code = ") +
           q + QStringLiteral(")") +
           QStringLiteral(
               " SELECT max(a.code) as code FROM djIndex AS a WHERE a.dj_state <> 0 and "
               "code like LEFT(") +
           q + QStringLiteral(",3) + '%'") + QStringLiteral(" ELSE") +
           QStringLiteral(" SELECT '    ' as code");
}

QString incrementTrailingDigits(const QString& code) {
    qsizetype start = code.size();
    while (start > 0 && isDigit(code.at(start - 1)))
        --start;
    if (start == code.size())
        return code + QLatin1Char('1');
    QString digits = code.mid(start);
    qsizetype i = digits.size() - 1;
    for (; i >= 0; --i) {
        if (digits.at(i) == QLatin1Char('9')) {
            digits[i] = QLatin1Char('0');
        } else {
            digits[i] = QChar(digits.at(i).unicode() + 1);
            break;
        }
    }
    if (i < 0)
        digits.prepend(QLatin1Char('1'));
    return code.left(start) + digits;
}

Options Options::fromSettings() {
    Options o;
    o.autoNumbering = settings().AutoSN;
    o.checkDuplicates = settings().Switch(kCheckDuplicates);
    o.machineNumber = clientConfig().read(machineNumberKey()).trimmed();
    return o;
}

QString nextBillNumber(TdmMain& dm, int djType, const QDate& billDate, const QString& current,
                       const Options& options) {
    if (!options.autoNumbering)
        return current;
    ParamList params;
    params.setInt(QStringLiteral("BillType"), djType);
    params.setValue(QStringLiteral("BillDate"), proto::formatDate(billDate));
    RecordSet rows;
    dm.ExecProcQuery(QStringLiteral("p_sys_Get_BillAutoCode"), params, &rows);
    const AutoCode code = autoCodeFromRow(rows);
    const QTime time = options.timeOfDay.isValid() ? options.timeOfDay : QTime::currentTime();
    QString number = composeNumber(code, time, options.machineNumber);
    if (number.isEmpty() || !options.checkDuplicates)
        return number;
    RecordSet found;
    dm.ExecQuery(duplicateCheckSql(number), &found);
    if (found.rowCount() > 0) {
        found.first();
        const QString highest = found.text(QStringLiteral("code")).trimmed();
        if (!highest.isEmpty())
            number = incrementTrailingDigits(highest);
    }
    return number;
}

QString nextBillNumber(int djType, const QDate& billDate, const QString& current) {
    TdmMain* dm = &dataModule();
    return nextBillNumber(*dm, djType, billDate, current, Options::fromSettings());
}

}  // namespace dyt::client::billnumber
