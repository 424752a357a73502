#include "client/logic/lookups.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringConverter>

#include <memory>

#include "client/logic/dmmain.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "common/gbk.h"
#include "common/inifile.h"
#include "common/recordset.h"
#include "common/sqltext.h"

namespace dyt::client {

namespace {

RecordSet query(const QString& sql) {
    RecordSet rs;
    dataModule().ExecQuery(sql, &rs);
    return rs;
}

QString joinNumbers(const QList<qint64>& numbers) {
    QStringList parts;
    for (qint64 n : numbers)
        parts.append(QString::number(n));
    return parts.join(QLatin1Char(','));
}

double priceOf(const QString& sql) {
    RecordSet rs = query(sql);
    if (rs.recordCount() == 0 || !rs.hasField(QStringLiteral("price")))
        return 0;
    return rs.number(QStringLiteral("price"));
}

QString dateFieldText(RecordSet& rs, const QString& name) {
    const QVariant v = rs.value(name);
    if (v.typeId() == QMetaType::QDate)
        return sqlDateText(v.toDate());
    if (v.typeId() == QMetaType::QDateTime)
        return sqlDateText(v.toDateTime().date());
    return rs.text(name).left(10);
}

}  // namespace

QString quotedStr(const QString& text) {
    return sqlQuoted(text);
}

QString sqlDateText(const QDate& date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString GetSysData(const QString& name) {
    RecordSet rs = query(QStringLiteral("SELECT dbo.fnGetSysData(") + quotedStr(name) +
                         QStringLiteral(",'') as value"));
    if (rs.recordCount() != 1)
        return QString();
    return rs.text(QStringLiteral("Value")).trimmed();
}

bool GetPurview(const QString& rightId) {
    RecordSet rs =
        query(QStringLiteral("SELECT dbo.fnGetPurview(") + QString::number(loginedUser().UserId) +
              QLatin1Char(',') + quotedStr(rightId) + QStringLiteral(") as value"));
    return rs.recordCount() == 1 && rs.integer(QStringLiteral("Value")) == 1;
}

double GetGoodsPrice(const QList<qint64>& numbers, const QString& text) {
    if (numbers.size() != 5)
        throw DytError(QStringLiteral("GetGoodsPrice: 需要五个整数参数"));
    return priceOf(QStringLiteral("SELECT dbo.fnGetGoodsPrice(") + joinNumbers(numbers) +
                   QLatin1Char(',') + quotedStr(text) + QStringLiteral(") as Price"));
}

double GetGoodsPrice(int djType, qint64 goodsId, qint64 partnerId, qint64 unitId,
                     const QDate& billDate) {
    return GetGoodsPrice({0, djType, goodsId, partnerId, unitId}, sqlDateText(billDate));
}

double GetCostTotal(const QList<qint64>& numbers) {
    return priceOf(QStringLiteral("SELECT dbo.fnGetCostTotal(") + joinNumbers(numbers) +
                   QStringLiteral(") as Price"));
}

double GetCostPrice(const QList<qint64>& numbers) {
    return priceOf(QStringLiteral("SELECT dbo.fnGetCostPrice(") + joinNumbers(numbers) +
                   QStringLiteral(") as Price"));
}

double GetCostTotalOther(const QString& text, const QList<qint64>& numbers) {
    QString sql = QStringLiteral("SELECT dbo.fnGetCostTotalOther(") + quotedStr(text);
    if (!numbers.isEmpty())
        sql += QLatin1Char(',') + joinNumbers(numbers);
    return priceOf(sql + QStringLiteral(") as Price"));
}

bool GetInterfaceSubject(const QString& roleName, int* id, QString* fullName) {
    RecordSet rs;
    bool found = false;
    if (settings().Switch(2004)) {
        rs = query(QStringLiteral(" SELECT a.* ,isnull(b.isbj,1) AS bj FROM basekm AS a LEFT JOIN "
                                  "baseYHZHPurview AS b ON a.id = b.id AND b.czy_id = ") +
                   QString::number(loginedUser().UserId) +
                   QStringLiteral(" WHERE a.id = dbo.fnGetInterfaceKMID(") + quotedStr(roleName) +
                   QLatin1Char(')'));
        found = rs.recordCount() == 1 && rs.integer(QStringLiteral("bj")) == 1;
    } else {
        rs = query(QStringLiteral("select * from basekm where id = dbo.fnGetInterfaceKMID(") +
                   quotedStr(roleName) + QLatin1Char(')'));
        found = rs.recordCount() == 1;
    }
    if (rs.recordCount() == 1) {
        if (id)
            *id = static_cast<int>(rs.integer(QStringLiteral("id")));
        if (fullName)
            *fullName = rs.text(QStringLiteral("fullname"));
    }
    return found;
}

bool GetPeriodDates(int period, QString* beginDate, QString* endDate) {
    RecordSet rs =
        query(QStringLiteral("SELECT * FROM sysPeriod AS a WHERE a.type = 0 AND a.id = ") +
              QString::number(period));
    QString b, e;
    const bool found = rs.recordCount() > 0;
    if (found) {
        b = dateFieldText(rs, QStringLiteral("beginDate"));
        e = dateFieldText(rs, QStringLiteral("EndDate"));
    }
    if (beginDate)
        *beginDate = b;
    if (endDate)
        *endDate = e;
    return found;
}

QString billTypesSql() {
    return QStringLiteral(
        " SELECT a.djType as id,a.dj_Caption as fullname FROM djIndex AS a WHERE a.dj_state <> 0 "
        " GROUP BY a.djType,a.dj_Caption");
}

// --- date presets

QStringList datePresetTexts() {
    static const QStringList texts{QStringLiteral("今天"),         QStringLiteral("昨天"),
                                   QStringLiteral("本周"),         QStringLiteral("上周"),
                                   QStringLiteral("本月"),         QStringLiteral("上月"),
                                   QStringLiteral("今年第一季度"), QStringLiteral("今年第二季度"),
                                   QStringLiteral("今年第三季度"), QStringLiteral("今年第四季度"),
                                   QStringLiteral("今年上半年"),   QStringLiteral("今年下半年"),
                                   QStringLiteral("今年全年"),     QStringLiteral("去年第一季度"),
                                   QStringLiteral("去年第二季度"), QStringLiteral("去年第三季度"),
                                   QStringLiteral("去年第四季度"), QStringLiteral("去年上半年"),
                                   QStringLiteral("去年下半年"),   QStringLiteral("去年全年")};
    return texts;
}

namespace {

// First day of the first month to last day of the last month of one year.
void monthSpan(int year, int firstMonth, int lastMonth, QDate* begin, QDate* end) {
    *begin = QDate(year, firstMonth, 1);
    const QDate last(year, lastMonth, 1);
    *end = QDate(year, lastMonth, last.daysInMonth());
}

// Presets 7 … 13 within a year: four quarters, the two halves, the whole year.
void yearPart(int part, int year, QDate* begin, QDate* end) {
    switch (part) {
        case 0:
        case 1:
        case 2:
        case 3:
            monthSpan(year, part * 3 + 1, part * 3 + 3, begin, end);
            break;
        case 4:
            monthSpan(year, 1, 6, begin, end);
            break;
        case 5:
            monthSpan(year, 7, 12, begin, end);
            break;
        default:
            monthSpan(year, 1, 12, begin, end);
            break;
    }
}

}  // namespace

bool datePresetRange(int preset, const QDate& today, QDate* begin, QDate* end) {
    if (preset < 1 || preset > 20 || !today.isValid() || !begin || !end)
        return false;
    switch (preset) {
        case 1:
            *begin = *end = today;
            return true;
        case 2:
            *begin = *end = today.addDays(-1);
            return true;
        case 3:
        case 4: {
            // Weeks run Monday to Sunday: a Sunday belongs to the week that began six days before.
            QDate monday = today.addDays(1 - today.dayOfWeek());
            if (preset == 4)
                monday = monday.addDays(-7);
            *begin = monday;
            *end = monday.addDays(6);
            return true;
        }
        case 5:
            monthSpan(today.year(), today.month(), today.month(), begin, end);
            return true;
        case 6: {
            const QDate prev = QDate(today.year(), today.month(), 1).addMonths(-1);
            monthSpan(prev.year(), prev.month(), prev.month(), begin, end);
            return true;
        }
        default:
            break;
    }
    if (preset <= 13)
        yearPart(preset - 7, today.year(), begin, end);
    else
        yearPart(preset - 14, today.year() - 1, begin, end);
    return true;
}

// --- SQL scripts

namespace {

// A USE statement: the word USE on its own or followed by a blank or a bracket ("USER…" is not).
bool isUseLine(const QString& upperTrimmed) {
    if (!upperTrimmed.startsWith(QLatin1String("USE")))
        return false;
    if (upperTrimmed.size() == 3)
        return true;
    const QChar next = upperTrimmed.at(3);
    return next.isSpace() || next == QLatin1Char('[') || next == QLatin1Char(';');
}

}  // namespace

QStringList splitSqlScript(const QString& script) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = script.split(lineBreak);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();  // the line break that ends the last line
    QStringList batches;
    QStringList batch;
    bool inBatch = false;
    auto finish = [&] {
        const QString text = batch.join(QStringLiteral("\r\n"));
        if (!text.trimmed().isEmpty())
            batches.append(text);
        batch.clear();
        inBatch = false;
    };
    for (const QString& line : lines) {
        const QString t = line.trimmed().toUpper();
        if (t == QLatin1String("GO")) {
            if (inBatch)
                finish();
            continue;
        }
        if (isUseLine(t))
            continue;
        if (!inBatch) {
            if (t.isEmpty() || t.startsWith(QLatin1String("--")))
                continue;
            inBatch = true;
        }
        batch.append(line);
    }
    if (inBatch)
        finish();
    return batches;
}

int RunSqlScript(const QString& fileName) {
    QFile file(fileName);
    if (!file.exists())
        throw DytError(QStringLiteral("找不到脚本文件：") + fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw DytError(QStringLiteral("无法读取脚本文件：") + fileName);
    QByteArray bytes = file.readAll();
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(bytes.mid(3));
    } else {
        auto toUtf16 = QStringDecoder(QStringDecoder::Utf8);
        text = toUtf16(bytes);
        if (toUtf16.hasError())
            text = gbk::decode(bytes);
    }
    const QStringList batches = splitSqlScript(text);
    for (const QString& batch : batches)
        dataModule().ExecUpdate(batch);
    return static_cast<int>(batches.size());
}

// --- print options

namespace {

struct PrintIniState {
    QString folder;
    std::unique_ptr<IniFile> file;
};

PrintIniState& printIni() {
    static PrintIniState state;
    return state;
}

}  // namespace

IniFile& GetPrintIni() {
    PrintIniState& st = printIni();
    if (!st.file) {
        const QString folder =
            st.folder.isEmpty() ? QCoreApplication::applicationDirPath() : st.folder;
        st.file = std::make_unique<IniFile>(QDir(folder).filePath(QStringLiteral("print.ini")));
        st.file->setWriteThrough(true);
    }
    return *st.file;
}

void setPrintIniFolder(const QString& folder) {
    printIni().folder = folder;
}

void resetPrintIni() {
    printIni().file.reset();
}

}  // namespace dyt::client
