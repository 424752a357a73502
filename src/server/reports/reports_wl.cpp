// Receivables and payables (P_JXC_Get_WL). Every balance is the partner ledger's: the opening
// balance of the partner (baseWLDW ystotal00, yftotal00, yushouTotal00, yufuTotal00) plus the
// signed movements the posting wrote for it (djWLDWDetail), so that a balance at the last date
// equals the partner's current balance (ystotal, yftotal, yushoutotal, yufutotal).
//
// A movement raising a balance counts as an increase, one lowering it (a receipt, a return, a red
// reversal) as a decrease. With an employee or department chosen only the bills of that employee
// or department count, without the opening balances, which belong to no bill.
#include <algorithm>
#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/reports/reports_internal.h"
#include "server/reports/reports_trade.h"
#include "server/reports/reports_wl.h"

namespace dyt::server::reports {

namespace {

using S = PartnerShape;

const QString kWL = QStringLiteral("P_JXC_Get_WL");

double round4(double v) {
    return std::round(v * 10000.0) / 10000.0;
}

// The bill-side conditions over the bill alias a: the chosen employee and department with their
// sub-records and the operator's rights on the bill.
void addBillChoice(Where& w, const ReportParams& p) {
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
    p.rights.addBill(w, QStringLiteral("a"));
}

// The partner-side conditions over the partner alias t: the chosen partner, the region and the
// operator's rights on partners.
void addPartnerChoice(Where& w, const ReportParams& p) {
    if (p.partner.id > 0) {
        QVariantList v;
        const QString in = inRecords(p.partner, QStringLiteral("baseWLDW"), &v);
        w.add(QStringLiteral("t.id ") + in, v);
    }
    if (p.region.id > 0) {
        QVariantList v;
        const QString in = inRecords(p.region, QStringLiteral("baseDQ"), &v);
        w.add(QStringLiteral("t.Areaid ") + in, v);
    }
    p.rights.add(w, RecordKind::Partner, QStringLiteral("t.id"));
}

bool billChosen(const ReportParams& p) {
    return p.employee.id > 0 || p.department.id > 0;
}

// ---- ledgers

// The bill's own columns, first in the ledgers and in the bill lists.
QList<Measure> billHead() {
    return {{QStringLiteral("id"), FieldType::Integer},
            {QStringLiteral("djType"), FieldType::Integer},
            {QStringLiteral("djDate"), FieldType::Text},
            {QStringLiteral("djNo"), FieldType::Text},
            {QStringLiteral("djName"), FieldType::Text},
            {QStringLiteral("dw_id"), FieldType::Integer},
            {QStringLiteral("dw_dwbh"), FieldType::Text},
            {QStringLiteral("dw_dwqm"), FieldType::Text},
            {QStringLiteral("zy_zyqm"), FieldType::Text},
            {QStringLiteral("summery"), FieldType::Text}};
}

const QList<Measure>& ledgerFields() {
    static const QList<Measure> f =
        billHead() + QList<Measure>{{QStringLiteral("DuiZhang"), FieldType::Text},
                                    {QStringLiteral("zjTotal"), FieldType::Currency},
                                    {QStringLiteral("jsTotal"), FieldType::Currency},
                                    {QStringLiteral("yeTotal"), FieldType::Currency},
                                    {QStringLiteral("ysZj"), FieldType::Currency},
                                    {QStringLiteral("ysJs"), FieldType::Currency},
                                    {QStringLiteral("ysYe"), FieldType::Currency},
                                    {QStringLiteral("yfZj"), FieldType::Currency},
                                    {QStringLiteral("yfJs"), FieldType::Currency},
                                    {QStringLiteral("yfYe"), FieldType::Currency}};
    return f;
}

struct Movement {
    qint64 bill = 0;
    int djType = 0;
    QString date, code, kindName, handler, summery, reconciled;
    double ys = 0, yf = 0;
};

struct Running {
    double ys = 0, yf = 0;
};

// ";mxtype=" 0 the receivables, 1 the payables: the side the columns zj, js and ye follow.
bool payableSide(const ReportParams& p) {
    const QString t = p.filter.value(QStringLiteral("mxtype")).trimmed();
    if (t.isEmpty() || t == u"0")
        return false;
    if (t == u"1")
        return true;
    throw DytError(QStringLiteral("查询条件[mxtype]只能是0或1：%1").arg(t));
}

// One row of a ledger: the movement's increase and decrease and the balance after it. The
// opening row (movement without a bill) states the balance only.
void appendLedgerRow(RecordSet& rs, const Movement& m, qint64 partner, const QString& partnerCode,
                     const QString& partnerName, const Running& after, bool payable) {
    const bool opening = m.bill == 0;
    const double ys = opening ? 0.0 : m.ys;
    const double yf = opening ? 0.0 : m.yf;
    const double side = payable ? yf : ys;
    const auto money = [](double v) { return fieldValue(FieldType::Currency, v); };
    RecordSet::Row row;
    row << m.bill << m.djType << m.date << m.code << m.kindName << partner << partnerCode
        << partnerName << m.handler << m.summery << m.reconciled << money(std::max(side, 0.0))
        << money(std::max(-side, 0.0)) << money(payable ? after.yf : after.ys)
        << money(std::max(ys, 0.0)) << money(std::max(-ys, 0.0)) << money(after.ys)
        << money(std::max(yf, 0.0)) << money(std::max(-yf, 0.0)) << money(after.yf);
    rs.appendRow(row);
}

// The movements in the range of the bills in scope, oldest first, by partner.
QHash<qint64, QList<Movement>> movements(Database& db, const ReportParams& p, Where w) {
    w.add(QStringLiteral("d.dj_state <> 0"));
    if (p.begin)
        w.add(QStringLiteral("d.date >= ?"), {p.beginText()});
    if (p.end)
        w.add(QStringLiteral("d.date <= ?"), {p.endText()});
    addBillChoice(w, p);
    addRedFilter(w, p.redFilter, QStringLiteral("a"));
    const QString sql =
        QStringLiteral(
            "SELECT d.wldw_id, a.id, a.djType, d.date, a.code, COALESCE((SELECT k.fullname FROM "
            "sysDjb AS k WHERE k.id = a.djType), ''), COALESCE(z.fullname, ''), "
            "COALESCE(a.summery, ''), COALESCE(a.isDuiZhang, 0), SUM(d.ysTotal), SUM(d.yfTotal) "
            "FROM "
            "djWLDWDetail AS d JOIN djIndex AS a ON a.id = d.id JOIN baseWLDW AS t ON t.id = "
            "d.wldw_id LEFT JOIN baseZY AS z ON z.id = a.jsr_id WHERE %1 GROUP BY d.wldw_id, a.id, "
            "a.djType, d.date, a.code, z.fullname, a.summery, a.isDuiZhang ORDER BY d.date, a.id")
            .arg(w.text());
    Statement st = db.prepare(sql);
    st.bindAll(w.values);
    QHash<qint64, QList<Movement>> out;
    while (st.step()) {
        Movement m;
        m.bill = st.value(1).toLongLong();
        m.djType = st.value(2).toInt();
        m.date = st.value(3).toString().left(10);
        m.code = st.value(4).toString();
        m.kindName = st.value(5).toString();
        m.handler = st.value(6).toString();
        m.summery = st.value(7).toString();
        m.reconciled = st.value(8).toInt() != 0 ? QStringLiteral("是") : QString();
        m.ys = round4(st.value(9).toDouble());
        m.yf = round4(st.value(10).toDouble());
        if (m.ys != 0 || m.yf != 0)
            out[st.value(0).toLongLong()] << m;
    }
    return out;
}

Movement openingRow(const ReportParams& p) {
    Movement m;
    m.date = p.beginText();
    m.kindName = QStringLiteral("期初");
    return m;
}

// Per partner: the balance before the range (its opening balance and every earlier movement),
// then its movements with the running balance.
RecordSet partnerLedger(Database& db, const ReportParams& p) {
    const bool payable = payableSide(p);
    Where pw;
    pw.add(QStringLiteral("t.sonnum = 0"));
    addPartnerChoice(pw, p);
    const bool withOpening = !billChosen(p);
    const QString before = p.begin ? p.beginText() : QString();
    Where ow;
    ow.add(QStringLiteral("x.wldw_id = t.id AND x.dj_state <> 0 AND x.date < ?"), {before});
    const QString earlier = QStringLiteral(
        "COALESCE((SELECT SUM(x.%1) FROM djWLDWDetail AS x JOIN djIndex AS a ON "
        "a.id = x.id WHERE %2), 0)");
    if (billChosen(p))
        addBillChoice(ow, p);
    else
        p.rights.addBill(ow, QStringLiteral("a"));
    const QString sql = QStringLiteral(
                            "SELECT t.id, t.code, t.fullname, %1, %2 FROM baseWLDW AS t WHERE %3 "
                            "ORDER BY t.code, t.id")
                            .arg((withOpening ? QStringLiteral("t.ystotal00 + ") : QString()) +
                                     earlier.arg(QStringLiteral("ysTotal"), ow.text()),
                                 (withOpening ? QStringLiteral("t.yftotal00 + ") : QString()) +
                                     earlier.arg(QStringLiteral("yfTotal"), ow.text()),
                                 pw.text());
    const QHash<qint64, QList<Movement>> moves = movements(db, p, pw);
    RecordSet rs = emptyResult(ledgerFields());
    Statement st = db.prepare(sql);
    st.bindAll(ow.values + ow.values + pw.values);
    while (st.step()) {
        const qint64 id = st.value(0).toLongLong();
        Running bal{round4(st.value(3).toDouble()), round4(st.value(4).toDouble())};
        const QList<Movement> list = moves.value(id);
        if (list.isEmpty() && bal.ys == 0 && bal.yf == 0)
            continue;
        const QString code = st.value(1).toString();
        const QString name = st.value(2).toString();
        appendLedgerRow(rs, openingRow(p), id, code, name, bal, payable);
        for (const Movement& m : list) {
            bal.ys = round4(bal.ys + m.ys);
            bal.yf = round4(bal.yf + m.yf);
            appendLedgerRow(rs, m, id, code, name, bal, payable);
        }
    }
    return rs;
}

// The movements of the chosen bills (an employee's, a department's) with one running balance
// that starts from their movements before the range.
RecordSet scopeLedger(Database& db, const ReportParams& p) {
    const bool payable = payableSide(p);
    Where pw;
    addPartnerChoice(pw, p);
    Running bal;
    if (p.begin) {
        Where ow = pw;
        ow.add(QStringLiteral("d.dj_state <> 0 AND d.date < ?"), {p.beginText()});
        addBillChoice(ow, p);
        Statement st = db.prepare(
            QStringLiteral("SELECT SUM(d.ysTotal), SUM(d.yfTotal) FROM djWLDWDetail AS d JOIN "
                           "djIndex AS a ON a.id = d.id JOIN baseWLDW AS t ON t.id = d.wldw_id "
                           "WHERE %1")
                .arg(ow.text()));
        st.bindAll(ow.values);
        if (st.step())
            bal = {round4(st.value(0).toDouble()), round4(st.value(1).toDouble())};
    }
    QList<std::pair<qint64, Movement>> all;
    const QHash<qint64, QList<Movement>> moves = movements(db, p, pw);
    for (auto it = moves.constBegin(); it != moves.constEnd(); ++it) {
        for (const Movement& m : it.value())
            all.append({it.key(), m});
    }
    std::sort(all.begin(), all.end(), [](const auto& x, const auto& y) {
        if (x.second.date != y.second.date)
            return x.second.date < y.second.date;
        return x.second.bill != y.second.bill ? x.second.bill < y.second.bill : x.first < y.first;
    });
    RecordSet rs = emptyResult(ledgerFields());
    if (bal.ys != 0 || bal.yf != 0)
        appendLedgerRow(rs, openingRow(p), 0, QString(), QString(), bal, payable);
    Statement names =
        db.prepare(QStringLiteral("SELECT code, fullname FROM baseWLDW WHERE id = ?"));
    for (const auto& [partner, m] : all) {
        names.reset();
        names.bindAll({partner});
        const bool found = names.step();
        bal.ys = round4(bal.ys + m.ys);
        bal.yf = round4(bal.yf + m.yf);
        appendLedgerRow(rs, m, partner, found ? names.value(0).toString() : QString(),
                        found ? names.value(1).toString() : QString(), bal, payable);
    }
    return rs;
}

// ---- balances of a partner level

// Figures: qcys, ysZj, ysJs, ystotal, qcyf, yfZj, yfJs, yftotal, yushoutotal, yufutotal.
const QList<Measure>& balanceMeasures() {
    static const QList<Measure> m = {{QStringLiteral("qcys"), FieldType::Currency},
                                     {QStringLiteral("ysZj"), FieldType::Currency},
                                     {QStringLiteral("ysJs"), FieldType::Currency},
                                     {QStringLiteral("ystotal"), FieldType::Currency},
                                     {QStringLiteral("qcyf"), FieldType::Currency},
                                     {QStringLiteral("yfZj"), FieldType::Currency},
                                     {QStringLiteral("yfJs"), FieldType::Currency},
                                     {QStringLiteral("yftotal"), FieldType::Currency},
                                     {QStringLiteral("yushoutotal"), FieldType::Currency},
                                     {QStringLiteral("yufutotal"), FieldType::Currency}};
    return m;
}

RecordSet balances(Database& db, const ReportParams& p, Side side) {
    const Dimension& dim = partnerDimension();
    const LevelChoice& level = p.levelOf(dim.conditionLine);
    Where pw;
    pw.add(QStringLiteral("t.sonnum = 0"));
    addPartnerChoice(pw, p);
    addDimensionChoice(pw, level, dim.table, QStringLiteral("t"));
    addLevelScope(pw, db, dim, level, QStringLiteral("t"));

    QHash<qint64, Figures> byPartner;
    QList<qint64> order;
    const auto figuresOf = [&](qint64 id) -> Figures& {
        auto it = byPartner.find(id);
        if (it == byPartner.end()) {
            order << id;
            it = byPartner.insert(id, Figures(10, 0.0));
        }
        return *it;
    };
    if (!billChosen(p)) {
        Statement st = db.prepare(
            QStringLiteral("SELECT t.id, t.ystotal00, t.yftotal00, t.yushouTotal00, t.yufuTotal00 "
                           "FROM baseWLDW AS t WHERE %1 ORDER BY t.id")
                .arg(pw.text()));
        st.bindAll(pw.values);
        while (st.step()) {
            if (st.value(1).toDouble() == 0 && st.value(2).toDouble() == 0 &&
                st.value(3).toDouble() == 0 && st.value(4).toDouble() == 0)
                continue;
            Figures& f = figuresOf(st.value(0).toLongLong());
            f[0] += st.value(1).toDouble();
            f[4] += st.value(2).toDouble();
            f[8] += st.value(3).toDouble();
            f[9] += st.value(4).toDouble();
        }
    }
    Where w = pw;
    w.add(QStringLiteral("d.dj_state <> 0"));
    if (p.end)
        w.add(QStringLiteral("d.date <= ?"), {p.endText()});
    addBillChoice(w, p);
    const QString b = p.begin ? p.beginText() : QString();
    Statement st = db.prepare(
        QStringLiteral(
            "SELECT t.id, SUM(CASE WHEN d.date < ? THEN d.ysTotal ELSE 0 END), "
            "SUM(CASE WHEN d.date >= ? AND d.ysTotal > 0 THEN d.ysTotal ELSE 0 END), "
            "SUM(CASE WHEN d.date >= ? AND d.ysTotal < 0 THEN -d.ysTotal ELSE 0 END), "
            "SUM(CASE WHEN d.date < ? THEN d.yfTotal ELSE 0 END), "
            "SUM(CASE WHEN d.date >= ? AND d.yfTotal > 0 THEN d.yfTotal ELSE 0 END), "
            "SUM(CASE WHEN d.date >= ? AND d.yfTotal < 0 THEN -d.yfTotal ELSE 0 END), "
            "SUM(d.yushouTotal), SUM(d.yufuTotal) FROM djWLDWDetail AS d JOIN djIndex AS a ON "
            "a.id = d.id JOIN baseWLDW AS t ON t.id = d.wldw_id WHERE %1 GROUP BY t.id ORDER BY "
            "t.id")
            .arg(w.text()));
    st.bindAll(QVariantList{b, b, b, b, b, b} + w.values);
    while (st.step()) {
        Figures& f = figuresOf(st.value(0).toLongLong());
        f[0] += st.value(1).toDouble();
        f[1] += st.value(2).toDouble();
        f[2] += st.value(3).toDouble();
        f[4] += st.value(4).toDouble();
        f[5] += st.value(5).toDouble();
        f[6] += st.value(6).toDouble();
        f[8] += st.value(7).toDouble();
        f[9] += st.value(8).toDouble();
    }
    // The side a customer or supplier report shows; the other side's figures are left out so
    // that partners without any figure of the side drop out.
    const QList<int> shown = side == Side::Receivable ? QList<int>{0, 1, 2, 3, 8}
                             : side == Side::Payable  ? QList<int>{4, 5, 6, 7, 9}
                                                      : QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    QList<Measure> measures;
    for (int i : shown)
        measures << balanceMeasures()[i];
    RecordFigures figures;
    for (qint64 id : order) {
        Figures& f = byPartner[id];
        f[3] = f[0] + f[1] - f[2];
        f[7] = f[4] + f[5] - f[6];
        Figures out;
        for (int i : shown)
            out.push_back(round4(f[i]));
        figures.add(id, out);
    }
    return rollUp(db, dim, level, figures, measures, 0, -1);
}

// ---- bills with their settlement

const QList<Measure>& billFields() {
    static const QList<Measure> f =
        billHead() + QList<Measure>{{QStringLiteral("taxTotalSum"), FieldType::Currency},
                                    {QStringLiteral("youhuiTotal"), FieldType::Currency},
                                    {QStringLiteral("sfkTotalLj"), FieldType::Currency},
                                    {QStringLiteral("qkTotal"), FieldType::Currency},
                                    {QStringLiteral("sfkDate"), FieldType::Text},
                                    {QStringLiteral("cqDays"), FieldType::Integer}};
    return f;
}

// The cut-off of the overdue lists: ";enddate=" of the dialog, else the end date, else today.
QDate cutOff(const ReportParams& p) {
    const std::optional<QDate> d = billvalues::optionalDate(
        p.filter.value(QStringLiteral("enddate")).trimmed(), QStringLiteral("截至时间"));
    if (d)
        return *d;
    return p.end ? *p.end : QDate::currentDate();
}

// Sales (1) and purchases (5) with what is owed on them: the amount (the lines with tax) less the
// bill's discount and what was received or paid on it (on the spot and by settlements). Red
// reversed bills and the reversals themselves are left out. Overdue: only bills with money owed
// whose payment date (other than the bill date) lies before the cut-off.
RecordSet bills(Database& db, const ReportParams& p, const PartnerReport& r) {
    const bool overdue = r.shape == S::Overdue;
    QList<int> kinds = p.kinds;
    if (kinds.isEmpty() || overdue) {
        kinds = r.side == Side::Receivable ? QList<int>{1}
                : r.side == Side::Payable  ? QList<int>{5}
                                           : QList<int>{1, 5};
    }
    Where w;
    QStringList marks;
    for (int k : kinds) {
        marks << QStringLiteral("?");
        w.values << k;
    }
    w.parts << QStringLiteral("a.djType IN (%1)").arg(marks.join(QStringLiteral(", ")));
    w.add(QStringLiteral(
        "a.dj_state = 2 AND COALESCE(a.isred, 0) = 0 AND COALESCE(a.isredword, 0) = 0"));
    const QDate limit = cutOff(p);
    if (overdue) {
        w.add(QStringLiteral("COALESCE(a.sfkDate, '') <> '' AND substr(a.sfkDate, 1, 10) <> "
                             "substr(a.date, 1, 10) AND substr(a.sfkDate, 1, 10) < ?"),
              {billvalues::dateText(limit)});
    } else {
        if (p.begin)
            w.add(QStringLiteral("a.date >= ?"), {p.beginText()});
        if (p.end)
            w.add(QStringLiteral("a.date <= ?"), {p.endText()});
    }
    addPartnerChoice(w, p);
    addBillChoice(w, p);
    const QString sql =
        QStringLiteral(
            "SELECT a.id, a.djType, a.date, a.code, COALESCE((SELECT k.fullname FROM sysDjb AS k "
            "WHERE k.id = a.djType), ''), t.id, t.code, t.fullname, COALESCE(z.fullname, ''), "
            "COALESCE(a.summery, ''), COALESCE((SELECT SUM(l.taxTotalSum) FROM djList AS l WHERE "
            "l.id "
            "= a.id AND l.goodsid > 0 AND l.dj_state = 2 AND a.djType NOT IN (23, 24, 25)), 0), "
            "COALESCE(a.youhuiTotal, 0), "
            "COALESCE(a.sfkTotalLj, 0), COALESCE(a.sfkDate, '') FROM djIndex AS a JOIN baseWLDW AS "
            "t "
            "ON t.id = a.wldw_id LEFT JOIN baseZY AS z ON z.id = a.jsr_id WHERE %1 ORDER BY %2")
            .arg(w.text(), overdue ? QStringLiteral("a.sfkDate, a.date, a.id")
                                   : QStringLiteral("a.date, a.id"));
    RecordSet rs = emptyResult(billFields());
    Statement st = db.prepare(sql);
    st.bindAll(w.values);
    const auto money = [](double v) { return fieldValue(FieldType::Currency, v); };
    while (st.step()) {
        const double amount = round4(st.value(10).toDouble());
        const double discount = round4(st.value(11).toDouble());
        const double settled = round4(st.value(12).toDouble());
        const double open = round4(amount - discount - settled);
        if (overdue && open <= 0.00005)
            continue;
        const QString due = st.value(13).toString().left(10);
        const QDate dueDate = QDate::fromString(due, QStringLiteral("yyyy-MM-dd"));
        const qint64 days =
            overdue && dueDate.isValid() ? dueDate.daysTo(limit) : static_cast<qint64>(0);
        RecordSet::Row row;
        row << st.value(0).toLongLong() << st.value(1).toLongLong()
            << st.value(2).toString().left(10) << st.value(3).toString() << st.value(4).toString()
            << st.value(5).toLongLong() << st.value(6).toString() << st.value(7).toString()
            << st.value(8).toString() << st.value(9).toString() << money(amount) << money(discount)
            << money(settled) << money(open) << due << days;
        rs.appendRow(row);
    }
    return rs;
}

// ---- collections

// The money a receipt brought in: its account rows; its discount counts as collected too.
const QString kReceived = QStringLiteral(
    "COALESCE((SELECT SUM(l.total) FROM djList AS l WHERE l.id = a.id AND l.km_id > 0 AND "
    "l.dj_state = 2), 0)");

void addReceiptScope(Where& w, const ReportParams& p) {
    w.add(QStringLiteral("a.djType = 21 AND a.dj_state = 2"));
    if (p.begin)
        w.add(QStringLiteral("a.date >= ?"), {p.beginText()});
    if (p.end)
        w.add(QStringLiteral("a.date <= ?"), {p.endText()});
    addPartnerChoice(w, p);
    addBillChoice(w, p);
    addRedFilter(w, p.redFilter, QStringLiteral("a"));
}

// Partners (0), employees as handlers (1), departments (2), employees as the receipts' makers
// (3: an operator is an employee).
const Dimension& dimensionOf(int d) {
    return d == 1 || d == 3 ? employeeDimension()
           : d == 2         ? departmentDimension()
                            : partnerDimension();
}

RecordSet collections(Database& db, const ReportParams& p, const PartnerReport& r) {
    const Dimension& dim = dimensionOf(r.dimension);
    const LevelChoice& level = p.levelOf(dim.conditionLine);
    const QString key = r.dimension == 1   ? QStringLiteral("a.jsr_id")
                        : r.dimension == 2 ? QStringLiteral("a.dep_id")
                        : r.dimension == 3 ? QStringLiteral("a.rec_id")
                                           : QStringLiteral("a.wldw_id");
    Where w;
    addReceiptScope(w, p);
    addDimensionChoice(w, level, dim.table, QStringLiteral("k"));
    addLevelScope(w, db, dim, level, QStringLiteral("k"));
    Statement st = db.prepare(
        QStringLiteral("SELECT k.id, SUM(%1), SUM(COALESCE(a.youhuiTotal, 0)) FROM djIndex AS a "
                       "JOIN baseWLDW AS t ON t.id = a.wldw_id JOIN %2 AS k ON k.id = %3 WHERE "
                       "%4 GROUP BY k.id ORDER BY k.id")
            .arg(kReceived, dim.table, key, w.text()));
    st.bindAll(w.values);
    RecordFigures figures;
    while (st.step()) {
        const double received = st.value(1).toDouble();
        const double discount = st.value(2).toDouble();
        figures.add(st.value(0).toLongLong(), {received, discount, received + discount});
    }
    return rollUp(db, dim, level, figures,
                  {{QStringLiteral("skTotal"), FieldType::Currency},
                   {QStringLiteral("yhTotal"), FieldType::Currency},
                   {QStringLiteral("hkTotal"), FieldType::Currency}},
                  0, -1);
}

RecordSet collectionList(Database& db, const ReportParams& p) {
    Where w;
    addReceiptScope(w, p);
    return db.query(
        QStringLiteral(
            "SELECT a.id, a.djType, a.date AS djDate, a.code AS djNo, COALESCE((SELECT k.fullname "
            "FROM sysDjb AS k WHERE k.id = a.djType), '') AS djName, t.id AS dw_id, t.code AS "
            "dw_dwbh, t.fullname AS dw_dwqm, COALESCE(z.fullname, '') AS zy_zyqm, "
            "COALESCE(a.summery, '') AS summery, %1 AS skTotal, COALESCE(a.youhuiTotal, 0) AS "
            "yhTotal, %1 + COALESCE(a.youhuiTotal, 0) AS hkTotal FROM djIndex AS a JOIN baseWLDW "
            "AS t ON t.id = a.wldw_id LEFT JOIN baseZY AS z ON z.id = a.jsr_id WHERE %2 ORDER BY "
            "a.date, a.id")
            .arg(kReceived, w.text()),
        w.values);
}

// Sales income less cost along partners, employees or departments: the sales statistic with
// cost, its returns and exchanges counted back.
RecordSet profit(Database& db, const ReportParams& p, const PartnerReport& r) {
    TradeReport t;
    t.procedure = r.procedure;
    t.queryType = r.queryType;
    t.shape = TradeShape::Statistic;
    t.dim = r.dimension == 1 ? Dim::Employee : r.dimension == 2 ? Dim::Department : Dim::Partner;
    t.kinds = {1, 2, 3};
    t.cost = true;
    return runTradeReport(db, p, t);
}

}  // namespace

const QList<PartnerReport>& partnerReports() {
    static const QList<PartnerReport> list = {
        {kWL, QStringLiteral("DWYFMX"), S::PartnerLedger, Side::Both, 0},
        {kWL, QStringLiteral("YSYFDWMX"), S::PartnerLedger, Side::Both, 0},
        {kWL, QStringLiteral("WLDZ"), S::PartnerLedger, Side::Both, 0},
        {kWL, QStringLiteral("YSYFZYMX"), S::ScopeLedger, Side::Both, 1},
        {kWL, QStringLiteral("ZYMXZB"), S::ScopeLedger, Side::Both, 1},
        {kWL, QStringLiteral("DWYSYF"), S::Balances, Side::Both, 0},
        {kWL, QStringLiteral("WLYSYF"), S::Balances, Side::Both, 0},
        {kWL, QStringLiteral("KHWLCX"), S::Balances, Side::Receivable, 0},
        {kWL, QStringLiteral("GYSWLCX"), S::Balances, Side::Payable, 0},
        {kWL, QStringLiteral("CQYSK"), S::Overdue, Side::Receivable, 0},
        {kWL, QStringLiteral("CQYFK"), S::Overdue, Side::Payable, 0},
        {kWL, QStringLiteral("ADJSCX"), S::Settlement, Side::Both, 0},
        {kWL, QStringLiteral("JSRHKTJ"), S::Collections, Side::Receivable, 1},
        {kWL, QStringLiteral("WLDWHKTJ"), S::Collections, Side::Receivable, 0},
        {kWL, QStringLiteral("ZDRSKTJ"), S::Collections, Side::Receivable, 3},
        {kWL, QStringLiteral("JSRHKXQ"), S::CollectionList, Side::Receivable, 1},
        {kWL, QStringLiteral("DWHKMXZB"), S::CollectionList, Side::Receivable, 0},
        {kWL, QStringLiteral("WLDWLRB"), S::Profit, Side::Both, 0},
        {kWL, QStringLiteral("ZYLRB"), S::Profit, Side::Both, 1},
        {kWL, QStringLiteral("BMLRB"), S::Profit, Side::Both, 2},
    };
    return list;
}

const PartnerReport* findPartnerReport(const QString& procedure, const QString& queryType) {
    for (const PartnerReport& r : partnerReports()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

RecordSet runPartnerReport(Database& db, const ReportParams& p, const PartnerReport& r) {
    switch (r.shape) {
        case S::PartnerLedger:
            return partnerLedger(db, p);
        case S::ScopeLedger:
            return scopeLedger(db, p);
        case S::Balances:
            return balances(db, p, r.side);
        case S::Overdue:
        case S::Settlement:
            return bills(db, p, r);
        case S::Collections:
            return collections(db, p, r);
        case S::CollectionList:
            return collectionList(db, p);
        case S::Profit:
            return profit(db, p, r);
    }
    return {};
}

}  // namespace dyt::server::reports
