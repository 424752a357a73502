// Reading the values of bill procedures.
#include "server/procs/bill_common.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/condition.h"
#include "common/error.h"
#include "common/rounding.h"
#include "protocol/protocol.h"
#include "server/db/database.h"
#include "server/db/where.h"

namespace dyt::server::billvalues {

namespace {

// A plain decimal text: an optional "-", the whole part (no leading zero before other digits),
// and an optional point followed by digits, at most 15 significant digits in all, so that the
// double read is the text's own value to 15 digits. Gives the value and the count of digits
// after the point (0 without one); false for any other text, which takes the general way.
bool plainDecimal(QStringView t, double& value, int& decimals) {
    constexpr qsizetype kLongest = 40;
    if (t.isEmpty() || t.size() > kLongest)
        return false;
    char text[kLongest];
    const bool negative = t.front() == u'-';
    qsizetype i = negative ? 1 : 0;
    const qsizetype wholeBegin = i;
    qsizetype point = -1;
    int significant = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c == u'.') {
            if (point >= 0)
                return false;
            point = i;
        } else if (c >= u'0' && c <= u'9') {
            if (significant > 0 || c != u'0')
                ++significant;
        } else {
            return false;
        }
        text[i] = static_cast<char>(c);
    }
    const qsizetype wholeEnd = point >= 0 ? point : t.size();
    if (wholeEnd == wholeBegin || (point >= 0 && point + 1 == t.size()))
        return false;  // no whole part, or a point without decimals
    if (t[wholeBegin] == u'0' && wholeEnd - wholeBegin > 1)
        return false;  // leading zeros
    if (significant > 15 || (negative && significant == 0))
        return false;  // beyond what a double keeps, or a negative zero
    if (negative)
        text[0] = '-';
    const auto [end, ec] = std::from_chars(text, text + t.size(), value);
    if (ec != std::errc() || end != text + t.size())
        return false;
    decimals = point >= 0 ? static_cast<int>(t.size() - point - 1) : 0;
    return true;
}

}  // namespace

double number(const QString& text, const QString& what) {
    double plain = 0.0;
    int decimals = 0;
    if (plainDecimal(QStringView(text).trimmed(), plain, decimals))
        return plain;
    QString t = text.trimmed();
    if (t.isEmpty())
        return 0.0;
    const int point = t.indexOf(QLatin1Char('.'));
    const int lastComma = t.lastIndexOf(QLatin1Char(','));
    // Thousands separators stand only in the whole part.
    if (lastComma >= 0 && point >= 0 && lastComma > point)
        throw DytError(QStringLiteral("[%1]不是有效的数字：%2").arg(what, text));
    t.remove(QLatin1Char(','));
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw DytError(QStringLiteral("[%1]不是有效的数字：%2").arg(what, text));
    return v;
}

double roundedNumber(const QString& text, int places, const QString& what) {
    double v = 0.0;
    int decimals = 0;
    // A text of at most 15 significant digits is its double's 15-digit decimal, which roundTo()
    // keeps as it is when it has no more decimals than the places.
    if (places >= 0 && places <= 15 && plainDecimal(QStringView(text).trimmed(), v, decimals))
        return decimals <= places ? v : roundTo(v, places);
    return roundTo(number(text, what), places);
}

qint64 id(const QString& text, const QString& what) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (!ok || v < 0)
        throw DytError(QStringLiteral("[%1]不是有效的数字：%2").arg(what, text));
    return v;
}

QDate date(const QString& text, const QString& what) {
    const QDate d = proto::parseDate(text.trimmed());
    if (!d.isValid())
        throw DytError(QStringLiteral("[%1]不是有效的日期：%2").arg(what, text));
    return d;
}

std::optional<QDate> optionalDate(const QString& text, const QString& what) {
    if (text.trimmed().isEmpty())
        return std::nullopt;
    return date(text, what);
}

QString dateText(const QDate& d) {
    return proto::formatDate(d);
}

QString billKindName(Database& db, qint64 djType) {
    const QVariant name = db.scalar(
        QStringLiteral("SELECT fullname FROM sysDjb WHERE id = ? AND sonnum = 0"), {djType});
    if (name.isValid() && djType > 0)
        return name.toString();
    // The stocktake bill is opened by its own menu entry and has no row of its own in sysDjb.
    if (djType == kStocktakeKind)
        return QStringLiteral("盘点单");
    throw DytError(QStringLiteral("单据类型[%1]不存在").arg(djType));
}

}  // namespace dyt::server::billvalues

namespace dyt::server {

void addRedFilter(Where& w, int redFilter, const QString& alias) {
    if (redFilter == 1)
        w.add(QStringLiteral("%1.isred = 0 AND %1.isredword = 0").arg(alias));
    else if (redFilter == 2)
        w.add(QStringLiteral("(%1.isred = 1 OR %1.isredword = 1)").arg(alias));
}

RecordChoice recordChoice(const QString& text, const QString& what, const QString& altKey) {
    RecordChoice r;
    const ConditionString cs = ConditionString::parse(text.trimmed());
    QString idText = cs.value(QStringLiteral("id"));
    if (idText.trimmed().isEmpty() && !altKey.isEmpty())
        idText = cs.value(altKey);
    r.id = billvalues::id(idText, what);
    r.withSubs = cs.value(QStringLiteral("issub")).trimmed() == QLatin1String("1");
    return r;
}

bool holdsRight(Database& db, qint64 userId, const QString& code) {
    if (userId == 1)
        return true;
    const QVariant granted = db.scalar(
        QStringLiteral("SELECT max(CASE WHEN a.isbj = 1 OR b.hide = 1 THEN 1 ELSE 0 END) FROM "
                       "sysMenu AS b LEFT JOIN sysPurview AS a ON a.menuid = b.id AND "
                       "a.userid = ? WHERE b.code = ?"),
        {userId, code});
    return granted.toInt() == 1;
}

bool mayHandleOthersDrafts(Database& db, qint64 userId) {
    return holdsRight(db, userId, QStringLiteral("6010"));
}

void checkDraftMaker(Database& db, qint64 userId, qint64 makerId) {
    if (makerId != userId && !mayHandleOthersDrafts(db, userId))
        throw DytError(QStringLiteral("这是其他操作员的草稿，您没有处理他人单据的权限！"));
}

namespace auditsteps {

bool Steps::allows(int step, qint64 userId) const {
    if (step < 2 || step > 5 || userId <= 0)
        return false;
    return lists[step - 2].contains(QLatin1Char(',') + QString::number(userId) + QLatin1Char(','));
}

Steps read(Database& db, qint64 djType) {
    Steps s;
    Statement st = db.prepare(
        QStringLiteral("SELECT inputnum, inputName1, inputName2, inputName3, inputName4, "
                       "inputName5, inputid2, inputid3, inputid4, inputid5 FROM sysDjb WHERE id = ?"));
    st.bind(1, djType);
    if (!st.step())
        return s;
    s.count = std::clamp(st.value(0).toInt(), 1, 5);
    for (int i = 0; i < 5; ++i)
        s.names[i] = st.value(1 + i).toString().trimmed();
    for (int i = 0; i < 4; ++i)
        s.lists[i] = st.value(6 + i).toString();
    return s;
}

namespace {
QString stepName(const Steps& steps, int step) {
    const QString& name = steps.names[step - 1];
    return name.isEmpty()
               ? QStringLiteral("第%1级审核").arg(QStringLiteral("一二三四五").at(step - 1))
               : name;
}
}  // namespace

void checkPostable(Database& db, const Steps& steps, const qint64 marks[4]) {
    for (int step = 2; step <= steps.count; ++step) {
        const qint64 by = marks[step - 2];
        if (by == 0)
            throw DytError(QStringLiteral("这张单据采用分级审核，现在还没有审核完，不能过账！"));
        if (!steps.allows(step, by)) {
            const QString name =
                db.scalar(QStringLiteral("SELECT fullname FROM baseZY WHERE id = ?"), {by})
                    .toString();
            throw DytError(
                QStringLiteral("[%1]由%2审核，但%2不是这一级的审核职员，不能过账！")
                    .arg(stepName(steps, step), name.isEmpty() ? QString::number(by) : name));
        }
    }
}

void checkOrder(const Steps& steps, const qint64 before[4], const qint64 after[4]) {
    for (int step = 2; step <= 5; ++step) {
        const qint64 was = before[step - 2];
        const qint64 now = after[step - 2];
        if (was == now)
            continue;
        if (now != 0) {
            if (step > steps.count)
                throw DytError(QStringLiteral("这种单据只有%1级审核，没有[%2]！")
                                   .arg(steps.count)
                                   .arg(stepName(steps, step)));
            if (step > 2 && after[step - 3] == 0)
                throw DytError(QStringLiteral("请先完成[%1]，再审核[%2]！")
                                   .arg(stepName(steps, step - 1), stepName(steps, step)));
        } else if (step < 5 && after[step - 1] != 0) {
            throw DytError(QStringLiteral("[%1]已经审核，不能取消[%2]！")
                               .arg(stepName(steps, step + 1), stepName(steps, step)));
        }
    }
}

}  // namespace auditsteps

}  // namespace dyt::server
