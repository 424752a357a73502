// The boss report and the business status reports. Every figure is read from what the posting
// wrote: purchases and sales from the posted bill lines (a red reversal is posted with its amounts
// negated, so it takes its original back in the sums), the cost of sales from the lines' cost,
// money received and paid from the bills' payment accounts, income and expenses from the account
// lines under the income (3) and expense (4) accounts, balances from the opening data plus every
// posted movement up to the date.
#include "server/reports/reports_business.h"

#include <QHash>

#include <cmath>
#include <iterator>
#include <utility>

#include "common/error.h"
#include "server/db/database.h"
#include "server/reports/reports_internal.h"

namespace dyt::server::reports {

namespace {

const QString kBoss = QStringLiteral("P_JXC_Get_LBBB");
const QString kOther = QStringLiteral("P_JXC_Get_Other");

// The accounts the boss report reads by their fixed ids.
constexpr qint64 kIncomeAccounts = 3;
constexpr qint64 kExpenseAccounts = 4;
constexpr qint64 kCash = 8;
constexpr qint64 kBank = 9;

// At most this many rows of periods in one answer.
constexpr qint64 kMaxPeriods = 3660;

double round4(double v) {
    return std::round(v * 10000.0) / 10000.0;
}

// The period of a bill dated a.date, as the label of its span.
QString periodSql(Span span) {
    switch (span) {
        case Span::Day:
            return QStringLiteral("substr(a.date, 1, 10)");
        case Span::Month:
            return QStringLiteral("substr(a.date, 1, 7)");
        case Span::Year:
            return QStringLiteral("substr(a.date, 1, 4)");
        case Span::Whole:
            break;
    }
    return QStringLiteral("''");
}

QString labelOf(const QDate& d, Span span) {
    switch (span) {
        case Span::Day:
            return d.toString(QStringLiteral("yyyy-MM-dd"));
        case Span::Month:
            return d.toString(QStringLiteral("yyyy-MM"));
        case Span::Year:
            return d.toString(QStringLiteral("yyyy"));
        case Span::Whole:
            break;
    }
    return QString();
}

// The labels of the periods from begin's to end's, in order; refused when there are too many.
QStringList periods(const QDate& begin, const QDate& end, Span span) {
    qint64 count = 1;
    QDate d = begin;
    if (span == Span::Day) {
        count = begin.daysTo(end) + 1;
    } else if (span == Span::Month) {
        count = (end.year() - begin.year()) * 12 + end.month() - begin.month() + 1;
        d = QDate(begin.year(), begin.month(), 1);
    } else if (span == Span::Year) {
        count = end.year() - begin.year() + 1;
        d = QDate(begin.year(), 1, 1);
    }
    if (count > kMaxPeriods) {
        const QString unit = span == Span::Day     ? QStringLiteral("天")
                             : span == Span::Month ? QStringLiteral("个月")
                                                   : QStringLiteral("年");
        throw DytError(
            QStringLiteral("查询的日期范围太长，最多只能查询%1%2！").arg(kMaxPeriods).arg(unit));
    }
    QStringList out;
    for (qint64 i = 0; i < count; ++i) {
        out << labelOf(d, span);
        d = span == Span::Day ? d.addDays(1) : span == Span::Month ? d.addMonths(1) : d.addYears(1);
    }
    return out;
}

// Posted bills of the range the operator may see, over the bill alias a.
Where billScope(const RecordRights& rights, const QDate& begin, const QDate& end,
                const QString& kinds) {
    Where w;
    w.add(QStringLiteral("a.dj_state = 2 AND a.djType IN (%1) AND a.date >= ? AND a.date <= ?")
              .arg(kinds),
          {begin.toString(Qt::ISODate), end.toString(Qt::ISODate)});
    rights.addBill(w, QStringLiteral("a"));
    return w;
}

qint64 roleAccount(Database& db, const char* role) {
    return db
        .scalar(QStringLiteral("SELECT km_id FROM sysSubjectInterface WHERE type = 0 AND name = ?"),
                {QString::fromUtf8(role)})
        .toLongLong();
}

// The accounts of a subtree over the account alias m, below the root account's path.
QString subtreeSql(const QString& alias) {
    return QStringLiteral(
               "substr(%1.par_jl, 1, length((SELECT r.par_jl FROM baseKM AS r WHERE r.id = ?))) = "
               "(SELECT r.par_jl FROM baseKM AS r WHERE r.id = ?)")
        .arg(alias);
}

// ---- balances at a date

double partnerBalance(Database& db, const RecordRights& rights, const QDate& end,
                      const char* column, const char* opening) {
    Where ow;
    ow.add(QStringLiteral("t.sonnum = 0"));
    rights.add(ow, RecordKind::Partner, QStringLiteral("t.id"));
    double total =
        db.scalar(QStringLiteral("SELECT COALESCE(SUM(t.%1), 0) FROM baseWLDW AS t WHERE %2")
                      .arg(QString::fromLatin1(opening), ow.text()),
                  ow.values)
            .toDouble();
    Where w = ow;
    w.add(QStringLiteral("d.dj_state <> 0 AND d.date <= ?"), {end.toString(Qt::ISODate)});
    rights.addBill(w, QStringLiteral("a"));
    total += db.scalar(QStringLiteral("SELECT COALESCE(SUM(d.%1), 0) FROM djWLDWDetail AS d JOIN "
                                      "djIndex AS a ON a.id = d.id JOIN baseWLDW AS t ON t.id = "
                                      "d.wldw_id WHERE %2")
                           .arg(QString::fromLatin1(column), w.text()),
                       w.values)
                 .toDouble();
    return round4(total);
}

double stockValue(Database& db, const RecordRights& rights, const QDate& end) {
    Where w;
    w.add(QStringLiteral("s.date <= ?"), {end.toString(Qt::ISODate)});
    rights.add(w, RecordKind::Goods, QStringLiteral("s.goodsid"));
    rights.add(w, RecordKind::Warehouse, QStringLiteral("s.stockid"));
    return round4(
        db.scalar(QStringLiteral("SELECT COALESCE(SUM(s.total), 0) FROM (SELECT goodsid, stockid, "
                                 "'' AS date, total FROM iniGoodsStock UNION ALL SELECT goodsid, "
                                 "stockid, date, total FROM djStockDetail WHERE dj_state = 2) AS "
                                 "s WHERE %1")
                      .arg(w.text()),
                  w.values)
            .toDouble());
}

// The balance of an account with its sub-accounts: the opening balances of its accounts and every
// posted account line up to the date, each in the account's own direction.
double accountBalance(Database& db, const RecordRights& rights, const QDate& end, qint64 root) {
    Where ow;
    ow.add(subtreeSql(QStringLiteral("m")), {root, root});
    rights.add(ow, RecordKind::Account, QStringLiteral("m.id"));
    Where open = ow;
    open.add(QStringLiteral("m.sonnum = 0"));
    double total =
        db.scalar(QStringLiteral("SELECT COALESCE(SUM(m.Total00), 0) FROM baseKM AS m WHERE %1")
                      .arg(open.text()),
                  open.values)
            .toDouble();
    Where w = ow;
    w.add(QStringLiteral("k.type = 0 AND k.dj_state = 2 AND a.dj_state = 2 AND a.date <= ?"),
          {end.toString(Qt::ISODate)});
    rights.addBill(w, QStringLiteral("a"));
    total += db.scalar(QStringLiteral("SELECT COALESCE(SUM(CASE WHEN m.dc < 0 THEN -1 ELSE 1 END * "
                                      "(k.dbTotal - k.LendTotal)), 0) FROM djKmDetail AS k JOIN "
                                      "djIndex AS a ON a.id = k.id JOIN baseKM AS m ON m.id = "
                                      "k.km_id WHERE %1")
                           .arg(w.text()),
                       w.values)
                 .toDouble();
    return round4(total);
}

// ---- the report rows

QList<Measure> pointFields() {
    return {{QStringLiteral("id"), FieldType::Integer},
            {QStringLiteral("fullname"), FieldType::Text},
            {QStringLiteral("total"), FieldType::Currency}};
}

void appendPoint(RecordSet& rs, qint64 id, const QString& name, double value) {
    rs.appendRow({id, name, fieldValue(FieldType::Currency, value)});
}

RecordSet bossTotals(Database& db, const ReportParams& p) {
    const auto [begin, end] = reportRange(db, p);
    const BusinessFigures f =
        businessFigures(db, p.rights, begin, end, Span::Whole).value(QString());
    const double items[] = {f.purchases,
                            f.purchaseReturns,
                            f.sales,
                            f.salesReturns,
                            f.grossProfit(),
                            partnerBalance(db, p.rights, end, "ysTotal", "ystotal00"),
                            partnerBalance(db, p.rights, end, "yfTotal", "yftotal00"),
                            stockValue(db, p.rights, end),
                            accountBalance(db, p.rights, end, kCash),
                            accountBalance(db, p.rights, end, kBank),
                            f.income,
                            f.expenses,
                            f.netProfit()};
    const char* const names[] = {"进货金额", "进货退货金额", "销售金额",   "销售退货金额",
                                 "销售毛利", "应收款余额",   "应付款余额", "库存金额",
                                 "现金",     "银行存款",     "收入",       "支出",
                                 "净利润"};
    RecordSet rs = emptyResult(pointFields());
    static_assert(std::size(names) == std::size(items));
    for (size_t i = 0; i < std::size(names); ++i)
        appendPoint(rs, static_cast<qint64>(i) + 1, QString::fromUtf8(names[i]), items[i]);
    return rs;
}

// Sales less returns per top-level goods record (a category or goods at the top), in code order.
RecordSet salesByTopCategory(Database& db, const ReportParams& p, const QDate& begin,
                             const QDate& end) {
    Where w = billScope(p.rights, begin, end, QStringLiteral("1, 2"));
    w.add(QStringLiteral("l.dj_state = 2 AND l.goodsid > 0"));
    p.rights.add(w, RecordKind::Goods, QStringLiteral("l.goodsid"));
    Statement st = db.prepare(
        QStringLiteral("SELECT g.par_jl, SUM(CASE WHEN a.djType = 2 THEN -1 ELSE 1 END * "
                       "l.taxTotalSum) FROM djList AS l JOIN djIndex AS a ON a.id = l.id JOIN "
                       "baseGoods AS g ON g.id = l.goodsid WHERE %1 GROUP BY g.par_jl")
            .arg(w.text()));
    st.bindAll(w.values);
    QHash<qint64, double> byTop;
    while (st.step()) {
        const qint64 top = st.value(0).toString().section(u',', 0, 0).toLongLong();
        byTop[top] += st.value(1).toDouble();
    }
    RecordSet rs = emptyResult(pointFields());
    const RecordSet tops = db.query(
        QStringLiteral("SELECT id, fullname FROM baseGoods WHERE par_id = 0 ORDER BY code, id"));
    for (int i = 0; i < tops.rowCount(); ++i) {
        const qint64 id = tops.at(i, 0).toLongLong();
        const double v = round4(byTop.value(id));
        if (v != 0)
            appendPoint(rs, id, tops.at(i, 1).toString(), v);
    }
    return rs;
}

// ";ListItem=" of the boss report: the analysis 0 to 4.
int analysisOf(const ReportParams& p) {
    const QString text = p.filter.value(QStringLiteral("ListItem")).trimmed();
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < 0 || v > 4)
        throw DytError(QStringLiteral("查询条件[ListItem]只能是0到4：%1").arg(text));
    return v;
}

RecordSet bossAnalysis(Database& db, const ReportParams& p) {
    const auto [begin, end] = reportRange(db, p);
    const int analysis = analysisOf(p);
    if (analysis == 0)
        return salesByTopCategory(db, p, begin, end);
    const QMap<QString, BusinessFigures> months =
        businessFigures(db, p.rights, begin, end, Span::Month);
    RecordSet rs = emptyResult(pointFields());
    qint64 n = 0;
    for (const QString& month : periods(begin, end, Span::Month)) {
        const BusinessFigures f = months.value(month);
        const double v = analysis == 1   ? f.sales
                         : analysis == 2 ? f.received
                         : analysis == 3 ? f.grossProfit()
                                         : f.netProfit();
        appendPoint(rs, ++n, month, v);
    }
    return rs;
}

RecordSet statusRows(Database& db, const ReportParams& p, Span span) {
    const auto [begin, end] = reportRange(db, p);
    const QStringList labels = periods(begin, end, span);
    const QMap<QString, BusinessFigures> figures = businessFigures(db, p.rights, begin, end, span);
    QList<Measure> fields = {{QStringLiteral("date"), FieldType::Text}};
    for (const char* name : {"jhTotal", "jhthTotal", "xsTotal", "xsthTotal", "xssr", "xscb", "ml",
                             "skTotal", "fkTotal", "srTotal", "zcTotal", "lr"})
        fields << Measure{QString::fromLatin1(name), FieldType::Currency};
    RecordSet rs = emptyResult(fields);
    for (const QString& label : labels) {
        const BusinessFigures f = figures.value(label);
        RecordSet::Row row;
        row << label;
        for (double v :
             {f.purchases, f.purchaseReturns, f.sales, f.salesReturns, f.netSales, f.cost,
              f.grossProfit(), f.received, f.paid, f.income, f.expenses, f.netProfit()})
            row << fieldValue(FieldType::Currency, v);
        rs.appendRow(row);
    }
    return rs;
}

}  // namespace

// The range of a report: the dates sent; without an end date today, without a begin date the
// opening date of the account set (the first day of the end's month when that lies later).
std::pair<QDate, QDate> reportRange(Database& db, const ReportParams& p) {
    const QDate end = p.end ? *p.end : QDate::currentDate();
    if (p.begin)
        return {*p.begin, end};
    const QDate opening = QDate::fromString(
        db.scalar(QStringLiteral("SELECT sysValue FROM sysData WHERE Name = 'inidate'"))
            .toString()
            .left(10),
        Qt::ISODate);
    if (opening.isValid() && opening <= end)
        return {opening, end};
    return {QDate(end.year(), end.month(), 1), end};
}

QMap<QString, BusinessFigures> businessFigures(Database& db, const RecordRights& rights,
                                               const QDate& begin, const QDate& end, Span span) {
    QMap<QString, BusinessFigures> out;
    const QString period = periodSql(span);

    // Goods lines: amounts with tax, amounts without tax (as the posting books the revenue) and
    // cost, per kind.
    {
        Where w = billScope(rights, begin, end, QStringLiteral("1, 2, 3, 5, 6"));
        w.add(QStringLiteral("l.dj_state = 2 AND l.goodsid > 0"));
        rights.add(w, RecordKind::Goods, QStringLiteral("l.goodsid"));
        Statement st = db.prepare(
            QStringLiteral(
                "SELECT %1, a.djType, SUM(l.taxTotalSum), SUM(CASE WHEN l.taxTotalSum <> 0 THEN "
                "l.taxTotalSum - l.taxtotal WHEN l.discounttotal <> 0 THEN l.discounttotal ELSE "
                "l.total END), SUM(l.costtotal) FROM djList AS l JOIN djIndex AS a ON a.id = l.id "
                "WHERE %2 GROUP BY %1, a.djType")
                .arg(period, w.text()));
        st.bindAll(w.values);
        while (st.step()) {
            BusinessFigures& f = out[st.value(0).toString()];
            const int kind = st.value(1).toInt();
            const double amount = st.value(2).toDouble();
            const double net = st.value(3).toDouble();
            const double cost = st.value(4).toDouble();
            // Returns, and exchanges whose goods going out carry negative quantities, count back.
            const double sign = kind == 1 ? 1.0 : -1.0;
            if (kind == 5)
                f.purchases += amount;
            else if (kind == 6)
                f.purchaseReturns += amount;
            else {
                if (kind == 1)
                    f.sales += amount;
                else if (kind == 2)
                    f.salesReturns += amount;
                f.netSales += sign * net;
                f.cost += sign * cost;
            }
        }
    }

    // Money received or paid: the payment accounts of receipts and payments and of the goods
    // bills paid on the spot; a return's refund counts back.
    {
        Where w = billScope(rights, begin, end, QStringLiteral("1, 2, 3, 21, 5, 6, 7, 22"));
        w.add(QStringLiteral("k.type = 1 AND k.dj_state = 2"));
        Statement st =
            db.prepare(QStringLiteral("SELECT %1, a.djType, SUM(k.dbTotal + k.LendTotal) FROM "
                                      "djKmDetail AS k JOIN djIndex AS a ON a.id = k.id WHERE %2 "
                                      "GROUP BY %1, a.djType")
                           .arg(period, w.text()));
        st.bindAll(w.values);
        while (st.step()) {
            BusinessFigures& f = out[st.value(0).toString()];
            const int kind = st.value(1).toInt();
            const double v = st.value(2).toDouble();
            if (kind == 1 || kind == 3 || kind == 21)
                f.received += v;
            else if (kind == 2)
                f.received -= v;
            else if (kind == 6)
                f.paid -= v;
            else
                f.paid += v;
        }
    }

    // Income and expenses: the account lines under the income and expense accounts, each in the
    // direction of its top account.
    {
        const qint64 revenue = roleAccount(db, "销售收入");
        const qint64 costOfSales = roleAccount(db, "销售成本");
        Where w;
        w.add(QStringLiteral("k.type = 0 AND k.dj_state = 2 AND a.dj_state = 2 AND a.date >= ? AND "
                             "a.date <= ?"),
              {begin.toString(Qt::ISODate), end.toString(Qt::ISODate)});
        rights.addBill(w, QStringLiteral("a"));
        for (const qint64 root : {kIncomeAccounts, kExpenseAccounts}) {
            Where rw = w;
            rw.add(subtreeSql(QStringLiteral("m")), {root, root});
            const double dc =
                db.scalar(QStringLiteral("SELECT dc FROM baseKM WHERE id = ?"), {root}).toDouble() <
                        0
                    ? -1.0
                    : 1.0;
            Statement st = db.prepare(
                QStringLiteral("SELECT %1, SUM(k.dbTotal - k.LendTotal), SUM(CASE WHEN k.km_id IN "
                               "(?, ?) THEN k.dbTotal - k.LendTotal ELSE 0 END) FROM djKmDetail AS "
                               "k JOIN djIndex AS a ON a.id = k.id JOIN baseKM AS m ON m.id = "
                               "k.km_id WHERE %2 GROUP BY %1")
                    .arg(period, rw.text()));
            st.bindAll(QVariantList{revenue, costOfSales} + rw.values);
            while (st.step()) {
                BusinessFigures& f = out[st.value(0).toString()];
                const double all = dc * st.value(1).toDouble();
                const double sales = dc * st.value(2).toDouble();
                if (root == kIncomeAccounts) {
                    f.income += all;
                    f.salesRevenue += sales;
                } else {
                    f.expenses += all;
                    f.salesCost += sales;
                }
            }
        }
    }
    return out;
}

const QList<BusinessReport>& businessReports() {
    static const QList<BusinessReport> list = {
        {kBoss, QStringLiteral("LBBBTJ"), Span::Whole},
        {kBoss, QStringLiteral("LBBBFX"), Span::Whole},
        {kOther, QStringLiteral("JYZKRB"), Span::Day},
        {kOther, QStringLiteral("JYZKYB"), Span::Month},
        {kOther, QStringLiteral("JYZKNB"), Span::Year},
    };
    return list;
}

const BusinessReport* findBusinessReport(const QString& procedure, const QString& queryType) {
    for (const BusinessReport& r : businessReports()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

RecordSet runBusinessReport(Database& db, const ReportParams& p, const BusinessReport& r) {
    if (r.span != Span::Whole)
        return statusRows(db, p, r.span);
    if (r.queryType == u"LBBBTJ")
        return bossTotals(db, p);
    return bossAnalysis(db, p);
}

}  // namespace dyt::server::reports
