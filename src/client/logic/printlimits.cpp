#include "client/logic/printlimits.h"

#include <QStringList>

#include "common/recordset.h"
#include "common/sqltext.h"

namespace dyt::client::printlimits {

QString columnCaption(int column) {
    switch (column) {
        case kName:
            return QStringLiteral("单据类型");
        case kCheck:
            return QStringLiteral("控制");
        case kMaximum:
            return QStringLiteral("最大打印次数");
        case kPassword:
            return QStringLiteral("打印密码");
        case kConfirm:
            return QStringLiteral("确认密码");
        default:
            return {};
    }
}

QList<int> kinds() {
    QList<int> ids;
    // The sales, purchase, stock, money, asset, adjustment and loan bills; consignment;
    // outsourced processing and warehouse bills; gifts, delivery, enquiry, quotation and labour.
    for (int id = 1; id <= 40; ++id)
        ids << id;
    for (int id = 43; id <= 50; ++id)
        ids << id;
    for (int id = 53; id <= 66; ++id)
        ids << id;
    return ids;
}

QString kindsSql() {
    QStringList numbers;
    for (int k : kinds())
        numbers << QString::number(k);
    return QStringLiteral("select *,a.printPassword as printPassword2 from sysdjb as a where "
                          "a.id in (-1 ,") +
           numbers.join(QStringLiteral(" ,")) + QStringLiteral(",0)") +
           QStringLiteral(" order by a.id");
}

QList<Row> rowsOf(RecordSet& rs) {
    QList<Row> rows;
    for (rs.first(); !rs.eof(); rs.next()) {
        Row r;
        r.id = static_cast<int>(rs.integer(QStringLiteral("id")));
        r.name = rs.text(QStringLiteral("fullname"));
        r.check = rs.integer(QStringLiteral("printisCheck")) == 1;
        const qint64 maximum = rs.integer(QStringLiteral("printNumSum"));
        r.maximum = r.check || maximum > 0 ? QString::number(maximum) : QString();
        r.password = rs.text(QStringLiteral("printPassword"));
        r.confirm = rs.text(QStringLiteral("printPassword2"));
        rows << r;
    }
    return rows;
}

void untick(Row& row) {
    row.check = false;
    row.maximum.clear();
    row.password.clear();
    row.confirm.clear();
}

void setEvery(QList<Row>& rows, int count, const QString& password, const QString& confirm) {
    for (Row& r : rows) {
        r.check = true;
        r.maximum = QString::number(count);
        r.password = password.trimmed();
        r.confirm = confirm.trimmed();
    }
}

namespace {

// The maximum as a whole number; 0 when it is empty or no number.
int wholeNumber(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && v >= 0 && v < 1e9 ? static_cast<int>(v) : 0;
}

}  // namespace

std::optional<Failure> check(const QList<Row>& rows) {
    for (int i = 0; i < rows.size(); ++i) {
        const Row& r = rows.at(i);
        if (!r.check)
            continue;
        const QString head = QStringLiteral("第 ") + QString::number(i + 1) +
                             QStringLiteral(" 行设置了控制 ");
        if (wholeNumber(r.maximum) < 1)
            return Failure{i, head + QStringLiteral("最大打印次数不能小于 1")};
        if (r.password.isEmpty())
            return Failure{i, head + QStringLiteral("打印密码不能为空")};
        if (r.confirm.isEmpty())
            return Failure{i, head + QStringLiteral("确认密码不能为空")};
        if (r.password != r.confirm)
            return Failure{i, head + QStringLiteral("打印密码和确认密码必须相同")};
    }
    return std::nullopt;
}

QString saveSql(const QList<Row>& rows) {
    QString sql;
    for (const Row& r : rows) {
        sql += QStringLiteral("\r\n") + QStringLiteral(" Update sysdjb set printisCheck = ") +
               QString::number(r.check ? 1 : 0) + QStringLiteral(",printNumSum = ") +
               QString::number(wholeNumber(r.maximum)) + QStringLiteral(",printPassword = ") +
               sqlQuoted(r.password) + QStringLiteral(" where id = ") + QString::number(r.id);
    }
    return sql;
}

std::optional<OneClickFailure> checkOneClick(int count, const QString& password,
                                             const QString& confirm) {
    if (count < 1)
        return OneClickFailure{0, countTooSmall()};
    if (password.trimmed().isEmpty())
        return OneClickFailure{1, enterPassword()};
    if (confirm.trimmed().isEmpty())
        return OneClickFailure{2, enterPassword()};
    if (password.trimmed() != confirm.trimmed())
        return OneClickFailure{2, confirmWrong()};
    return std::nullopt;
}

}  // namespace dyt::client::printlimits
