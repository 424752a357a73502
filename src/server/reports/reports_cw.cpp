// The account ledger (P_JXC_Get_CW "KMMXZ"). The posting books every bill into account lines
// (djKmDetail of type 0, one per account and partner, debit dbTotal, credit LendTotal) and moves
// the balance of the account and of every category above it by dc × (debit − credit), dc being
// the account's direction (1 debit, −1 credit); the opening balances (baseKM.Total00) move the
// same way. So the balance of an account A at a date is, over the accounts of its subtree,
//   Σ dc(A) × dc(leaf) × Total00(leaf) + dc(A) × Σ (dbTotal − LendTotal) of the lines up to it,
// and at the last date it is A's balance Total.
//
// With a partner, employee, department or warehouse chosen only the lines of those bills count,
// without the opening balances, which belong to no bill. The red filter leaves bills out of the
// range only; the opening row always carries everything before it.
#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/reports/reports_cw.h"
#include "server/reports/reports_internal.h"

namespace dyt::server::reports {

namespace {

double round4(double v) {
    return std::round(v * 10000.0) / 10000.0;
}

const QList<Measure>& ledgerFields() {
    static const QList<Measure> f = {{QStringLiteral("id"), FieldType::Integer},
                                     {QStringLiteral("djType"), FieldType::Integer},
                                     {QStringLiteral("djDate"), FieldType::Text},
                                     {QStringLiteral("djNo"), FieldType::Text},
                                     {QStringLiteral("djName"), FieldType::Text},
                                     {QStringLiteral("km_id"), FieldType::Integer},
                                     {QStringLiteral("km_kmbh"), FieldType::Text},
                                     {QStringLiteral("km_kmqm"), FieldType::Text},
                                     {QStringLiteral("dw_id"), FieldType::Integer},
                                     {QStringLiteral("dw_dwqm"), FieldType::Text},
                                     {QStringLiteral("zy_zyqm"), FieldType::Text},
                                     {QStringLiteral("summery"), FieldType::Text},
                                     {QStringLiteral("dbTotal"), FieldType::Currency},
                                     {QStringLiteral("LendTotal"), FieldType::Currency},
                                     {QStringLiteral("yeTotal"), FieldType::Currency},
                                     {QStringLiteral("fx"), FieldType::Text}};
    return f;
}

struct Account {
    qint64 id = 0;
    QString code, name, path;
    double dc = 1;
};

Account accountOf(Database& db, qint64 id) {
    Statement st = db.prepare(
        QStringLiteral("SELECT id, code, fullname, par_jl, dc FROM baseKM WHERE id = ?"));
    st.bindAll({id});
    if (!st.step())
        throw DytError(QStringLiteral("会计科目[%1]不存在").arg(id));
    return {st.value(0).toLongLong(), st.value(1).toString(), st.value(2).toString(),
            st.value(3).toString(), st.value(4).toDouble() < 0 ? -1.0 : 1.0};
}

bool billChosen(const ReportParams& p) {
    return p.partner.id > 0 || p.employee.id > 0 || p.department.id > 0 || p.warehouse.id > 0;
}

// The chosen bills over the line alias d and the bill alias a, and the operator's rights on the
// bills and on the accounts.
void addBillScope(Where& w, const ReportParams& p) {
    if (p.partner.id > 0) {
        QVariantList v;
        const QString in = inRecords(p.partner, QStringLiteral("baseWLDW"), &v);
        w.add(QStringLiteral("(CASE WHEN d.wldw_id > 0 THEN d.wldw_id ELSE a.wldw_id END) ") + in,
              v);
    }
    const std::pair<const RecordChoice*, const char*> choices[] = {{&p.employee, "baseZY"},
                                                                   {&p.department, "baseBM"}};
    const char* columns[] = {"a.jsr_id", "a.dep_id"};
    for (int i = 0; i < 2; ++i) {
        if (choices[i].first->id <= 0)
            continue;
        QVariantList v;
        const QString in = inRecords(*choices[i].first, QString::fromLatin1(choices[i].second), &v);
        w.add(QString::fromLatin1(columns[i]) + u' ' + in, v);
    }
    if (p.warehouse.id > 0) {
        QVariantList v;
        QStringList in;
        for (int i = 0; i < 4; ++i)
            in << inRecords(p.warehouse, QStringLiteral("baseCK"), &v);
        w.add(QStringLiteral("(a.IntoStock_id %1 OR a.OutStock_id %2 OR EXISTS (SELECT 1 FROM "
                             "djList AS x WHERE x.id = a.id AND (x.IntoStock_id %3 OR "
                             "x.OutStock_id %4)))")
                  .arg(in[0], in[1], in[2], in[3]),
              v);
    }
    p.rights.addBill(w, QStringLiteral("a"));
    p.rights.add(w, RecordKind::Account, QStringLiteral("d.km_id"));
}

// One part of the ledger: an account and the accounts whose lines it carries (its subtree, or
// itself).
struct Section {
    Account account;
    Where cover;  // over the account alias k
};

struct Line {
    qint64 bill = 0;
    int djType = 0;
    QString date, code, kindName;
    qint64 km = 0;
    QString kmCode, kmName;
    qint64 partner = 0;
    QString partnerName, handler, summery;
    double debit = 0, credit = 0;
};

const QString kLineFrom = QStringLiteral(
    " FROM djKmDetail AS d JOIN djIndex AS a ON a.id = d.id JOIN baseKM AS k ON k.id = d.km_id");

// The balance of a section before the range: the opening balances of its accounts (unless bills
// are chosen) and its lines before BeginDate.
double openingBalance(Database& db, const ReportParams& p, const Section& s) {
    double balance = 0;
    if (!billChosen(p)) {
        Where w = s.cover;
        w.add(QStringLiteral("k.sonnum = 0"));
        p.rights.add(w, RecordKind::Account, QStringLiteral("k.id"));
        balance += s.account.dc *
                   db.scalar(QStringLiteral("SELECT COALESCE(SUM(k.dc * k.Total00), 0) FROM "
                                            "baseKM AS k WHERE ") +
                                 w.text(),
                             w.values)
                       .toDouble();
    }
    if (p.begin) {
        Where w = s.cover;
        w.add(QStringLiteral("d.type = 0 AND d.dj_state = 2 AND d.date < ?"), {p.beginText()});
        addBillScope(w, p);
        balance += s.account.dc *
                   db.scalar(QStringLiteral("SELECT COALESCE(SUM(d.dbTotal - d.LendTotal), 0)") +
                                 kLineFrom + QStringLiteral(" WHERE ") + w.text(),
                             w.values)
                       .toDouble();
    }
    return round4(balance);
}

QList<Line> linesOf(Database& db, const ReportParams& p, const Section& s) {
    Where w = s.cover;
    w.add(QStringLiteral("d.type = 0 AND d.dj_state = 2"));
    if (p.begin)
        w.add(QStringLiteral("d.date >= ?"), {p.beginText()});
    if (p.end)
        w.add(QStringLiteral("d.date <= ?"), {p.endText()});
    addBillScope(w, p);
    addRedFilter(w, p.redFilter, QStringLiteral("a"));
    Statement st = db.prepare(
        QStringLiteral(
            "SELECT d.id, a.djType, d.date, a.code, COALESCE((SELECT s.fullname FROM sysDjb AS s "
            "WHERE s.id = a.djType), CASE WHEN a.djType = 42 THEN '盘点单' ELSE '' END), k.id, "
            "k.code, k.fullname, COALESCE(t.id, 0), COALESCE(t.fullname, ''), "
            "COALESCE(z.fullname, ''), COALESCE(a.summery, ''), d.dbTotal, d.LendTotal") +
        kLineFrom +
        QStringLiteral(" LEFT JOIN baseWLDW AS t ON t.id = (CASE WHEN d.wldw_id > 0 THEN "
                       "d.wldw_id ELSE a.wldw_id END) LEFT JOIN baseZY AS z ON z.id = a.jsr_id "
                       "WHERE %1 ORDER BY d.date, d.id, k.code, d.orderid")
            .arg(w.text()));
    st.bindAll(w.values);
    QList<Line> out;
    while (st.step()) {
        Line l;
        l.bill = st.value(0).toLongLong();
        l.djType = st.value(1).toInt();
        l.date = st.value(2).toString().left(10);
        l.code = st.value(3).toString();
        l.kindName = st.value(4).toString();
        l.km = st.value(5).toLongLong();
        l.kmCode = st.value(6).toString();
        l.kmName = st.value(7).toString();
        l.partner = st.value(8).toLongLong();
        l.partnerName = st.value(9).toString();
        l.handler = st.value(10).toString();
        l.summery = st.value(11).toString();
        l.debit = round4(st.value(12).toDouble());
        l.credit = round4(st.value(13).toDouble());
        out << l;
    }
    return out;
}

// The side the balance stands on: "借", "贷", or "平" when it is nil.
QString sideOf(double balance, double dc) {
    if (balance == 0)
        return QStringLiteral("平");
    return balance * dc > 0 ? QStringLiteral("借") : QStringLiteral("贷");
}

void appendRow(RecordSet& rs, const Line& l, double balance, double dc) {
    const auto money = [](double v) { return fieldValue(FieldType::Currency, v); };
    RecordSet::Row row;
    row << l.bill << l.djType << l.date << l.code << l.kindName << l.km << l.kmCode << l.kmName
        << l.partner << l.partnerName << l.handler << l.summery << money(l.debit) << money(l.credit)
        << money(balance) << sideOf(balance, dc);
    rs.appendRow(row);
}

// A row of the account itself without a bill: the opening and the closing balance.
Line balanceRow(const Account& a, const QString& date, const char* name) {
    Line l;
    l.date = date;
    l.kindName = QString::fromUtf8(name);
    l.km = a.id;
    l.kmCode = a.code;
    l.kmName = a.name;
    return l;
}

// Appends a section: the opening row, the lines with the running balance, the closing row. A
// section without any balance or line is left out unless always is set.
void appendSection(RecordSet& rs, Database& db, const ReportParams& p, const Section& s,
                   bool always) {
    double balance = openingBalance(db, p, s);
    const QList<Line> lines = linesOf(db, p, s);
    if (!always && lines.isEmpty() && balance == 0)
        return;
    const double dc = s.account.dc;
    appendRow(rs, balanceRow(s.account, p.beginText(), "期初"), balance, dc);
    for (const Line& l : lines) {
        balance = round4(balance + dc * (l.debit - l.credit));
        appendRow(rs, l, balance, dc);
    }
    QString last = p.endText();
    if (last.isEmpty())
        last = lines.isEmpty() ? p.beginText() : lines.last().date;
    appendRow(rs, balanceRow(s.account, last, "期末"), balance, dc);
}

const QString kCW = QStringLiteral("P_JXC_Get_CW");
const QString kOther = QStringLiteral("P_JXC_Get_Other");

}  // namespace

RecordSet accountLedger(Database& db, const ReportParams& p) {
    const RecordChoice chosen =
        recordChoice(p.lines.value(QStringLiteral("kmStr")), QStringLiteral("会计科目"));
    RecordSet rs = emptyResult(ledgerFields());
    if (chosen.id > 0) {
        Section s{accountOf(db, chosen.id), {}};
        if (p.rights.refuses(RecordKind::Account)) {
            Where w;
            w.add(QStringLiteral("k.id = ?"), {s.account.id});
            p.rights.add(w, RecordKind::Account, QStringLiteral("k.id"));
            if (!db.scalar(QStringLiteral("SELECT 1 FROM baseKM AS k WHERE ") + w.text(), w.values)
                     .isValid())
                throw DytError(QStringLiteral("您没有查看账户[%1]的权限！").arg(s.account.name));
        }
        s.cover.add(QStringLiteral("k.par_jl LIKE ? ESCAPE '\\'"), {prefixPattern(s.account.path)});
        appendSection(rs, db, p, s, true);
        return rs;
    }
    // Every account, one after another in code order.
    Where w;
    w.add(QStringLiteral("k.sonnum = 0"));
    p.rights.add(w, RecordKind::Account, QStringLiteral("k.id"));
    Statement st =
        db.prepare(QStringLiteral("SELECT k.id FROM baseKM AS k WHERE %1 ORDER BY k.code, k.id")
                       .arg(w.text()));
    st.bindAll(w.values);
    QList<qint64> ids;
    while (st.step())
        ids << st.value(0).toLongLong();
    for (qint64 id : ids) {
        Section s{accountOf(db, id), {}};
        s.cover.add(QStringLiteral("k.id = ?"), {id});
        appendSection(rs, db, p, s, false);
    }
    return rs;
}

const QList<DirectReport>& accountAndPriceReports() {
    static const QList<DirectReport> list = {
        {kCW, QStringLiteral("KMMXZ"), accountLedger},
        {kOther, QStringLiteral("WJGL"), priceList},
        {kOther, QStringLiteral("JGZKGZ"), priceTracking},
    };
    return list;
}

const DirectReport* findAccountOrPriceReport(const QString& procedure, const QString& queryType) {
    for (const DirectReport& r : accountAndPriceReports()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

}  // namespace dyt::server::reports
