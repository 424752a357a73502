#include "client/logic/periodclose.h"

#include <algorithm>

#include "common/recordset.h"

namespace dyt::client {

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

QString flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}
}  // namespace

namespace periodclose {

QString periodsSql() {
    return QStringLiteral(
        "SELECT a.type, a.id, a.beginDate, a.EndDate, a.isClosed FROM sysPeriod AS a ORDER BY "
        "a.type, a.id");
}

YearMonths yearMonths(const RecordSet& periods, int openId) {
    const int type = periods.fieldIndex(QStringLiteral("type"));
    const int id = periods.fieldIndex(QStringLiteral("id"));
    const int begin = periods.fieldIndex(QStringLiteral("beginDate"));
    const int end = periods.fieldIndex(QStringLiteral("EndDate"));
    const int closed = periods.fieldIndex(QStringLiteral("isClosed"));
    YearMonths out;
    if (type < 0 || id < 0 || begin < 0 || end < 0 || closed < 0)
        return out;
    // The months of this year begin after the last closed year's end.
    QString yearEnd;
    for (int r = 0; r < periods.rowCount(); ++r) {
        if (periods.at(r, type).toInt() == 1)
            yearEnd = std::max(yearEnd, periods.at(r, end).toString());
    }
    int closedMonths = 0;
    for (int r = 0; r < periods.rowCount(); ++r) {
        if (periods.at(r, type).toInt() != 0)
            continue;
        if (periods.at(r, id).toInt() == openId)
            out.openBegin = QDate::fromString(periods.at(r, begin).toString(), kDateFormat);
        else if (periods.at(r, closed).toInt() == 1 && periods.at(r, begin).toString() > yearEnd)
            ++closedMonths;
    }
    out.months = closedMonths + 1;
    return out;
}

QString undoNote(int months) {
    return QStringLiteral("备注：当前系统中有 %1 个会计月，你可以反 %2 次")
        .arg(months)
        .arg(months - 1);
}

QString defaultName(const QDate& day) {
    return QStringLiteral("%1月").arg(day.month());
}

bool yearFullyClosed(int months) {
    return months - 1 >= 11;
}

ParamList params(Operation operation, const QDate& end, const QString& name) {
    ParamList p;
    p.setValue(QStringLiteral("type"), QString::number(static_cast<int>(operation)));
    p.setValue(QStringLiteral("Date"), end.toString(kDateFormat));
    p.setValue(QStringLiteral("Name"), name.trimmed());
    return p;
}

}  // namespace periodclose

namespace yearclose {

QString backupFileName(const QString& profileCaption, const QDateTime& now) {
    return QStringLiteral("%1.%2.%3.db")
        .arg(profileCaption, now.toString(QStringLiteral("yyyyMMdd.hhmm")), backupDescription());
}

ParamList params(bool clear) {
    ParamList p;
    p.setValue(QStringLiteral("cleareOrder"), flag(clear));
    return p;
}

}  // namespace yearclose

namespace rebuild {

QStringList confirmButtons() {
    return {QStringLiteral("确认(&O)"), QStringLiteral("取消(&C)")};
}

ParamList params(bool deleteDrafts, bool deleteOpening, int orderOption) {
    ParamList p;
    p.setValue(QStringLiteral("DelDraft"), flag(deleteDrafts));
    p.setValue(QStringLiteral("DelKmInfo"), flag(deleteOpening));
    p.setValue(QStringLiteral("DelOrderform"), QString::number(orderOption));
    return p;
}

}  // namespace rebuild

}  // namespace dyt::client
