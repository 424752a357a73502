// The finance reports. Every figure comes from the account lines of the posted bills (each bill's
// lines balance: debits equal credits) and the accounts' opening balances; the profit statement
// takes its sales, cost, gross profit and profit from the business figures of the boss report, so
// that both agree for the same dates.
#include "server/reports/reports_finance.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/registry.h"
#include "server/reports/reports_business.h"
#include "server/reports/reports_internal.h"
#include "server/reports/reports_stock.h"

namespace dyt::server::reports {

namespace {

const QString kFinance = QStringLiteral("P_JXC_Get_CW");
const QString kAccountList = QStringLiteral("P_Base_Get_KM");
const QString kBalanceSheet = QStringLiteral("ZCFZB");

// The top accounts by their fixed ids.
constexpr qint64 kIncomeAccounts = 3;
constexpr qint64 kExpenseAccounts = 4;

struct Account {
    qint64 id = 0;
    QString path;  // par_jl
    QString code;
    QString name;
    int level = 1;
    int sons = 0;
    int kmType = 0;
    double dc = 1;  // 1 debit balance, -1 credit balance
    double opening = 0;
    bool deleted = false;

    bool under(const Account& root) const { return id != root.id && path.startsWith(root.path); }
};

// The accounts in code order, the opening balance of each as a signed debit.
QList<Account> loadAccounts(Database& db) {
    const RecordSet rs = db.query(
        QStringLiteral("SELECT id, par_jl, code, fullname, leveal, sonnum, kmType, dc, Total00, "
                       "del FROM baseKM ORDER BY code, id"));
    QList<Account> out;
    for (int i = 0; i < rs.rowCount(); ++i) {
        Account a;
        a.id = rs.at(i, 0).toLongLong();
        a.path = rs.at(i, 1).toString();
        a.code = rs.at(i, 2).toString();
        a.name = rs.at(i, 3).toString();
        a.level = rs.at(i, 4).toInt();
        a.sons = rs.at(i, 5).toInt();
        a.kmType = rs.at(i, 6).toInt();
        a.dc = rs.at(i, 7).toDouble() < 0 ? -1.0 : 1.0;
        a.opening = a.dc * rs.at(i, 8).toDouble();
        a.deleted = rs.at(i, 9).toInt() != 0;
        out << a;
    }
    return out;
}

const Account* accountById(const QList<Account>& accounts, qint64 id) {
    for (const Account& a : accounts) {
        if (a.id == id)
            return &a;
    }
    return nullptr;
}

qint64 roleAccount(Database& db, const char* role) {
    return db
        .scalar(QStringLiteral("SELECT km_id FROM sysSubjectInterface WHERE type = 0 AND name = ?"),
                {QString::fromUtf8(role)})
        .toLongLong();
}

// Signed debits (debit − credit) of the posted account lines per key and account.
using Movements = QHash<QString, QHash<qint64, double>>;

// The account lines of the bills dated up to end (and from begin when it is valid) that the
// operator's record rights show; with conditions also only those of the chosen partner, employee
// and department. keySql is a constant of this file over the bill alias a.
Movements movementsBy(Database& db, const ReportParams& p, const QString& keySql,
                      const QDate& begin, const QDate& end, bool conditions) {
    Where w;
    w.add(QStringLiteral("k.type = 0 AND k.dj_state = 2 AND a.dj_state = 2 AND a.date <= ?"),
          {end.toString(Qt::ISODate)});
    if (begin.isValid())
        w.add(QStringLiteral("a.date >= ?"), {begin.toString(Qt::ISODate)});
    p.rights.addBill(w, QStringLiteral("a"));
    if (conditions) {
        ReportParams undated = p;
        undated.begin.reset();
        undated.end.reset();
        addHeaderScope(w, undated, {});
    }
    Statement st = db.prepare(
        QStringLiteral("SELECT %1, k.km_id, SUM(k.dbTotal - k.LendTotal) FROM djKmDetail AS k "
                       "JOIN djIndex AS a ON a.id = k.id WHERE %2 GROUP BY %3k.km_id")
            .arg(keySql, w.text(),
                 // A constant key groups nothing (and PostgreSQL refuses it in GROUP BY).
                 keySql.startsWith(QLatin1Char('\'')) ? QString() : keySql + QStringLiteral(", ")));
    st.bindAll(w.values);
    Movements out;
    while (st.step())
        out[st.value(0).toString()][st.value(1).toLongLong()] += st.value(2).toDouble();
    return out;
}

QVariant money(double v) {
    return fieldValue(FieldType::Currency, v);
}

// The expense accounts an expense report lists: every account under the expenses but the cost of
// sales, which the profit statement shows against the sales.
bool listedExpense(const Account& a, const Account& expenses, qint64 costOfSales) {
    return a.under(expenses) && a.id != costOfSales;
}

const Account& rootAccount(const QList<Account>& accounts, qint64 id) {
    const Account* a = accountById(accounts, id);
    if (!a)
        throw DytError(QStringLiteral("会计科目[%1]不存在").arg(id));
    return *a;
}

// ---- the profit statement

// The first day of the accounting year of a date: the day after the last year closed before it,
// else the first of January.
QDate yearStart(Database& db, const QDate& date) {
    QDate start(date.year(), 1, 1);
    const QDate closed = QDate::fromString(
        db.scalar(QStringLiteral("SELECT max(EndDate) FROM sysPeriod WHERE type = 1 AND EndDate "
                                 "< ?"),
                  {date.toString(Qt::ISODate)})
            .toString()
            .left(10),
        Qt::ISODate);
    if (closed.isValid() && closed.addDays(1) > start)
        start = closed.addDays(1);
    return start;
}

RecordSet profitStatement(Database& db, const ReportParams& p) {
    const auto [begin, end] = reportRange(db, p);
    const QDate yearBegin = yearStart(db, end);
    const BusinessFigures period =
        businessFigures(db, p.rights, begin, end, Span::Whole).value(QString());
    const BusinessFigures year =
        businessFigures(db, p.rights, yearBegin, end, Span::Whole).value(QString());
    const QHash<qint64, double> periodLines =
        movementsBy(db, p, QStringLiteral("''"), begin, end, false).value(QString());
    const QHash<qint64, double> yearLines =
        movementsBy(db, p, QStringLiteral("''"), yearBegin, end, false).value(QString());

    RecordSet rs = emptyResult({{QStringLiteral("id"), FieldType::Integer},
                                {QStringLiteral("code"), FieldType::Text},
                                {QStringLiteral("fullname"), FieldType::Text},
                                {QStringLiteral("km_id"), FieldType::Integer},
                                {QStringLiteral("total"), FieldType::Currency},
                                {QStringLiteral("yearTotal"), FieldType::Currency}});
    qint64 n = 0;
    const auto add = [&](const QString& code, const QString& name, qint64 km, double total,
                         double yearTotal) {
        rs.appendRow({++n, code, name, km, money(total), money(yearTotal)});
    };
    const auto item = [&](const char* name, double total, double yearTotal) {
        add(QString(), QString::fromUtf8(name), 0, total, yearTotal);
    };
    const QList<Account> accounts = loadAccounts(db);
    // The accounts under a top account but one, with lines in the period or the year, each in the
    // direction of its top account.
    const auto accountRows = [&](qint64 root, qint64 except, double sign) {
        const Account& top = rootAccount(accounts, root);
        for (const Account& a : accounts) {
            if (!a.under(top) || a.id == except)
                continue;
            const double total = sign * periodLines.value(a.id);
            const double yearTotal = sign * yearLines.value(a.id);
            if (std::round(total * 10000.0) != 0 || std::round(yearTotal * 10000.0) != 0)
                add(a.code, a.name, a.id, total, yearTotal);
        }
    };
    item("一、销售收入", period.netSales, year.netSales);
    item("减：销售成本", period.cost, year.cost);
    item("二、销售毛利", period.grossProfit(), year.grossProfit());
    item("减：费用", period.expenses - period.salesCost, year.expenses - year.salesCost);
    accountRows(kExpenseAccounts, roleAccount(db, "销售成本"), 1.0);
    item("加：其它收入", period.income - period.salesRevenue, year.income - year.salesRevenue);
    accountRows(kIncomeAccounts, roleAccount(db, "销售收入"), -1.0);
    item("三、利润", period.netProfit(), year.netProfit());
    return rs;
}

// ---- the expense reports

RecordSet yearlyExpenses(Database& db, const ReportParams& p) {
    const int year = (p.end ? *p.end : QDate::currentDate()).year();
    const Movements months = movementsBy(db, p, QStringLiteral("substr(a.date, 6, 2)"),
                                         QDate(year, 1, 1), QDate(year, 12, 31), true);
    QList<Measure> fields = {{QStringLiteral("id"), FieldType::Integer},
                             {QStringLiteral("code"), FieldType::Text},
                             {QStringLiteral("fullname"), FieldType::Text}};
    for (int m = 1; m <= 12; ++m)
        fields << Measure{QStringLiteral("m%1").arg(m), FieldType::Currency};
    fields << Measure{QStringLiteral("total"), FieldType::Currency};
    RecordSet rs = emptyResult(fields);
    const QList<Account> accounts = loadAccounts(db);
    const Account& expenses = rootAccount(accounts, kExpenseAccounts);
    const qint64 costOfSales = roleAccount(db, "销售成本");
    for (const Account& a : accounts) {
        if (!listedExpense(a, expenses, costOfSales))
            continue;
        RecordSet::Row row = {a.id, a.code, a.name};
        double total = 0;
        bool any = false;
        for (int m = 1; m <= 12; ++m) {
            const double v = months.value(QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')))
                                 .value(a.id);
            any = any || std::round(v * 10000.0) != 0;
            total += v;
            row << money(v);
        }
        if (any)
            rs.appendRow(row << money(total));
    }
    return rs;
}

// ";tjfs=": the records the expenses are spread over.
struct Spread {
    const char* column;  // of the bill header
    const char* table;
    const char* none;  // the row of the bills without one
};

const Spread& spreadOf(const ReportParams& p) {
    static const Spread spreads[] = {{"a.dep_id", "baseBM", "（无部门）"},
                                     {"a.jsr_id", "baseZY", "（无职员）"},
                                     {"a.wldw_id", "baseWLDW", "（无往来单位）"}};
    const QString text = p.filter.value(QStringLiteral("tjfs")).trimmed();
    if (text.isEmpty())
        return spreads[0];
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < 0 || v > 2)
        throw DytError(QStringLiteral("查询条件[tjfs]只能是0到2：%1").arg(text));
    return spreads[v];
}

RecordSet expenseSpread(Database& db, const ReportParams& p) {
    const auto [begin, end] = reportRange(db, p);
    const Spread& spread = spreadOf(p);
    const Movements byRecord =
        movementsBy(db, p, QString::fromLatin1(spread.column), begin, end, true);
    const QList<Account> accounts = loadAccounts(db);
    const Account& expenses = rootAccount(accounts, kExpenseAccounts);
    const qint64 costOfSales = roleAccount(db, "销售成本");

    struct Record {
        qint64 id;
        QString code, name;
    };
    QList<Record> records;
    {
        const QString table = QString::fromLatin1(spread.table);
        Statement st = db.prepare(
            QStringLiteral("SELECT code, fullname FROM %1 WHERE id = ?").arg(table));
        for (auto it = byRecord.cbegin(); it != byRecord.cend(); ++it) {
            Record r{it.key().toLongLong(), QString(), QString::fromUtf8(spread.none)};
            if (r.id > 0) {
                st.reset();
                st.bind(1, r.id);
                if (st.step()) {
                    r.code = st.value(0).toString();
                    r.name = st.value(1).toString();
                }
            }
            records << r;
        }
    }
    std::sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
        if ((a.id == 0) != (b.id == 0))
            return b.id == 0;
        return a.code == b.code ? a.id < b.id : a.code < b.code;
    });
    RecordSet rs = emptyResult({{QStringLiteral("id"), FieldType::Integer},
                                {QStringLiteral("code"), FieldType::Text},
                                {QStringLiteral("fullname"), FieldType::Text},
                                {QStringLiteral("km_id"), FieldType::Integer},
                                {QStringLiteral("km_code"), FieldType::Text},
                                {QStringLiteral("km_name"), FieldType::Text},
                                {QStringLiteral("total"), FieldType::Currency}});
    for (const Record& r : records) {
        const QHash<qint64, double> lines = byRecord.value(QString::number(r.id));
        for (const Account& a : accounts) {
            const double v = lines.value(a.id);
            if (listedExpense(a, expenses, costOfSales) && std::round(v * 10000.0) != 0)
                rs.appendRow({r.id, r.code, r.name, a.id, a.code, a.name, money(v)});
        }
    }
    return rs;
}

// ---- the balance sheet

// The signed debit balance of every account at a date (at the opening without one): its opening
// balance and its posted lines, summed up the tree. The accounts the operator's record rights
// refuse are left out. The profit account takes what the income and expense accounts hold (the
// profit not yet carried) and what the opening balances leave between the assets and the
// liabilities and equity, so that the sheet balances whenever the posted lines do.
QHash<qint64, double> balancesAt(Database& db, const ReportParams& p,
                                 const QList<Account>& accounts, const QSet<qint64>& hidden,
                                 const std::optional<QDate>& date) {
    const QHash<qint64, double> lines =
        date ? movementsBy(db, p, QStringLiteral("''"), QDate(), *date, false).value(QString())
             : QHash<qint64, double>();
    QHash<qint64, double> own;
    double openingAll = 0;
    double profitAndLoss = 0;
    for (const Account& a : accounts) {
        if (hidden.contains(a.id))
            continue;
        const double opening = a.sons == 0 ? a.opening : 0.0;
        openingAll += opening;
        own[a.id] = opening + lines.value(a.id);
        if (a.kmType == 3 || a.kmType == 4)
            profitAndLoss += own[a.id];
    }
    const qint64 profit = roleAccount(db, "本年利润");
    own[profit] += profitAndLoss - openingAll;
    QHash<qint64, double> out;
    for (const Account& a : accounts) {
        double sum = 0;
        for (const Account& b : accounts) {
            if (b.id == a.id || b.under(a))
                sum += own.value(b.id);
        }
        out[a.id] = sum;
    }
    return out;
}

RecordSet balanceSheet(Database& db, const ReportParams& p) {
    const QDate end = p.end ? *p.end : QDate::currentDate();
    const QList<Account> accounts = loadAccounts(db);
    QSet<qint64> hidden;
    if (p.rights.refuses(RecordKind::Account)) {
        Where w;
        w.add(QStringLiteral("1 = 1"));
        p.rights.add(w, RecordKind::Account, QStringLiteral("m.id"));
        QSet<qint64> shown;
        const RecordSet rs =
            db.query(QStringLiteral("SELECT m.id FROM baseKM AS m WHERE %1").arg(w.text()),
                     w.values);
        for (int i = 0; i < rs.rowCount(); ++i)
            shown.insert(rs.at(i, 0).toLongLong());
        for (const Account& a : accounts) {
            if (!shown.contains(a.id))
                hidden.insert(a.id);
        }
    }
    const std::optional<QDate> before =
        p.begin ? std::optional<QDate>(p.begin->addDays(-1)) : std::nullopt;
    const QHash<qint64, double> opening = balancesAt(db, p, accounts, hidden, before);
    const QHash<qint64, double> closing = balancesAt(db, p, accounts, hidden, end);

    RecordSet rs = emptyResult({{QStringLiteral("id"), FieldType::Integer},
                                {QStringLiteral("code"), FieldType::Text},
                                {QStringLiteral("fullname"), FieldType::Text},
                                {QStringLiteral("leveal"), FieldType::Integer},
                                {QStringLiteral("sonnum"), FieldType::Integer},
                                {QStringLiteral("qcTotal"), FieldType::Currency},
                                {QStringLiteral("qmTotal"), FieldType::Currency}});
    double qcClaims = 0;
    double qmClaims = 0;
    for (const Account& a : accounts) {
        if (hidden.contains(a.id) || (a.kmType != 1 && a.kmType != 2 && a.kmType != 5))
            continue;
        const double qc = a.dc * opening.value(a.id);
        const double qm = a.dc * closing.value(a.id);
        if (a.deleted && std::round(qc * 10000.0) == 0 && std::round(qm * 10000.0) == 0)
            continue;
        if (a.level == 1 && a.kmType != 1) {
            qcClaims -= opening.value(a.id);
            qmClaims -= closing.value(a.id);
        }
        rs.appendRow({a.id, a.code, a.name, static_cast<qint64>(a.level),
                      static_cast<qint64>(a.sons), money(qc), money(qm)});
    }
    rs.appendRow({qint64(0), QString(), QStringLiteral("负债和所有者权益合计"), qint64(1), qint64(0),
                  money(qcClaims), money(qmClaims)});
    return rs;
}

}  // namespace

const QList<FinanceReport>& financeReports() {
    static const QList<FinanceReport> list = {
        {kFinance, QStringLiteral("LRB")},
        {kFinance, QStringLiteral("NDFYBB")},
        {kFinance, QStringLiteral("FYFBB")},
        {kAccountList, kBalanceSheet},
    };
    return list;
}

const FinanceReport* findFinanceReport(const QString& procedure, const QString& queryType) {
    for (const FinanceReport& r : financeReports()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType.trimmed(), Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

RecordSet runFinanceReport(Database& db, const ReportParams& p, const FinanceReport& r) {
    if (r.queryType == u"LRB")
        return profitStatement(db, p);
    if (r.queryType == u"NDFYBB")
        return yearlyExpenses(db, p);
    if (r.queryType == u"FYFBB")
        return expenseSpread(db, p);
    return balanceSheet(db, p);
}

void registerBalanceSheet(Registry& procedures) {
    const Registry::Entry* before = procedures.find(kAccountList);
    const Handler list = before ? before->handler : Handler();
    procedures.add(
        kAccountList,
        [list](CallContext& c) {
            const QString type = c.params.value(QStringLiteral("QueryType"));
            if (const FinanceReport* r = findFinanceReport(kAccountList, type)) {
                const ReportParams p = ReportParams::parse(c.db, c.params, c.userId);
                c.data = runFinanceReport(c.db, p, *r);
                completeColumns(c.data, kAccountList, r->queryType);
                return 0;
            }
            if (!list)
                throw DytError(QStringLiteral("%1不支持查询类型[%2]").arg(kAccountList, type));
            return list(c);
        },
        false);
}

}  // namespace dyt::server::reports
