#include "server/reports/reports_voucher.h"

#include <QHash>

#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/db/where.h"
#include "server/procs/bill_common.h"
#include "server/reports/reports_internal.h"

namespace dyt::server::reports {

namespace {

const QString kOther = QStringLiteral("P_JXC_Get_Other");
// At most this many bills in one voucher request.
constexpr qsizetype kMaxBills = 5000;

enum FinanceType { kGoods = 1, kPartner = 2, kWarehouse = 3, kDepartment = 4 };

double round4(double v) {
    return std::round(v * 10000.0) / 10000.0;
}

bool isZero(double v) {
    return std::fabs(v) < 0.00005;
}

QList<Measure> voucherFields() {
    return {{QStringLiteral("id"), FieldType::Integer},
            {QStringLiteral("djType"), FieldType::Integer},
            {QStringLiteral("code"), FieldType::Text},
            {QStringLiteral("date"), FieldType::Text},
            {QStringLiteral("comment"), FieldType::Text},
            {QStringLiteral("kmcode"), FieldType::Text},
            {QStringLiteral("dbTotal"), FieldType::Currency},
            {QStringLiteral("LendTotal"), FieldType::Currency},
            {QStringLiteral("rec_name"), FieldType::Text},
            {QStringLiteral("wldwCode"), FieldType::Text},
            {QStringLiteral("jsr_name"), FieldType::Text},
            {QStringLiteral("bm_name"), FieldType::Text},
            {QStringLiteral("dbQty"), FieldType::Float},
            {QStringLiteral("LendQty"), FieldType::Float},
            {QStringLiteral("summery"), FieldType::Text}};
}

// The finance accounts of the base records, looked up along the category paths.
class FinanceCodes {
public:
    explicit FinanceCodes(Database& db) : db_(db) {
        Statement st = db.prepare(QStringLiteral("SELECT type, id, kmcode FROM baseCWKM"));
        while (st.step()) {
            const QString code = st.value(2).toString().trimmed();
            if (!code.isEmpty())
                codes_[st.value(0).toInt()].insert(st.value(1).toLongLong(), code);
        }
    }

    // The code of the record or of its nearest category that has one; empty when none has.
    QString of(int type, qint64 id) {
        if (id <= 0 || codes_.value(type).isEmpty())
            return {};
        const QHash<qint64, QString>& codes = codes_[type];
        const auto own = codes.constFind(id);
        if (own != codes.constEnd())
            return *own;
        const char* table = type == kGoods       ? "baseGoods"
                            : type == kPartner   ? "baseWLDW"
                            : type == kWarehouse ? "baseCK"
                                                 : "baseBM";
        const QStringList path =
            db_.scalar(
                   QStringLiteral("SELECT par_jl FROM %1 WHERE id = ?").arg(QLatin1String(table)),
                   {id})
                .toString()
                .split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (auto it = path.crbegin(); it != path.crend(); ++it) {
            const auto found = codes.constFind(it->toLongLong());
            if (found != codes.constEnd())
                return *found;
        }
        return {};
    }

private:
    Database& db_;
    QHash<int, QHash<qint64, QString>> codes_;
};

struct Bill {
    qint64 id = 0;
    int djType = 0;
    QString code, date, caption, summery, recName, jsrName, bmName;
    qint64 department = 0;
};

struct VoucherLine {
    QString kmcode, wldwCode;
    double debit = 0, credit = 0, debitQty = 0, creditQty = 0;
};

// One line per side: a net debit or a net credit (with the quantity on the same side).
void appendNet(QList<VoucherLine>& out, const QString& kmcode, const QString& wldwCode, double net,
               double qty) {
    net = round4(net);
    qty = round4(qty);
    if (isZero(net) && isZero(qty))
        return;
    VoucherLine l{kmcode, wldwCode};
    if (net > 0 || (isZero(net) && qty > 0)) {
        l.debit = net;
        l.debitQty = qty;
    } else {
        l.credit = -net;
        l.creditQty = -qty;
    }
    out << l;
}

// The stock account's net amount split by the finance codes of the goods (else warehouses) the
// bill moved. When the movements do not add up to the account lines (a bill that revalues
// stock without moving it), the whole amount stays on one line under fallback.
void splitStock(Database& db, FinanceCodes& codes, const Bill& b, double net,
                const QString& fallback, QList<VoucherLine>& out) {
    Statement st = db.prepare(QStringLiteral(
        "SELECT s.goodsid, s.stockid, SUM(s.qty), SUM(s.total) FROM djStockDetail AS s "
        "WHERE s.id = ? GROUP BY s.goodsid, s.stockid ORDER BY MIN(s.orderid)"));
    st.bindAll({b.id});
    QStringList order;
    QHash<QString, std::pair<double, double>> byCode;  // code -> (qty, total)
    double sum = 0;
    while (st.step()) {
        QString code = codes.of(kGoods, st.value(0).toLongLong());
        if (code.isEmpty())
            code = codes.of(kWarehouse, st.value(1).toLongLong());
        if (code.isEmpty())
            code = fallback;
        if (!byCode.contains(code))
            order << code;
        auto& v = byCode[code];
        v.first += st.value(2).toDouble();
        v.second += st.value(3).toDouble();
        sum += st.value(3).toDouble();
    }
    if (order.isEmpty() || !isZero(round4(sum) - round4(net))) {
        double qty = 0;
        for (const auto& v : byCode)
            qty += v.first;
        appendNet(out, fallback, QString(), net, qty);
        return;
    }
    for (const QString& code : order)
        appendNet(out, code, QString(), byCode[code].second, byCode[code].first);
}

QList<VoucherLine> linesOf(Database& db, FinanceCodes& codes, const Bill& b, qint64 stockAccount) {
    Statement st = db.prepare(QStringLiteral(
        "SELECT k.km_id, m.code, m.kmType, k.wldw_id, COALESCE(w.code, ''), k.dbTotal, "
        "k.LendTotal FROM djKmDetail AS k JOIN baseKM AS m ON m.id = k.km_id "
        "LEFT JOIN baseWLDW AS w ON w.id = k.wldw_id "
        "WHERE k.id = ? AND k.type = 0 AND k.dj_state = 2 ORDER BY k.orderid"));
    st.bindAll({b.id});
    QList<VoucherLine> lines;
    double stockNet = 0;
    QString stockCode;
    bool hasStock = false;
    while (st.step()) {
        const qint64 km = st.value(0).toLongLong();
        const QString own = st.value(1).toString();
        const double debit = st.value(5).toDouble();
        const double credit = st.value(6).toDouble();
        if (km == stockAccount) {
            hasStock = true;
            stockCode = own;
            stockNet += debit - credit;
            continue;
        }
        const qint64 partner = st.value(3).toLongLong();
        const int kmType = st.value(2).toInt();
        QString code;
        if (partner > 0)
            code = codes.of(kPartner, partner);
        else if ((kmType == 3 || kmType == 4) && b.department > 0)
            code = codes.of(kDepartment, b.department);
        if (code.isEmpty())
            code = own;
        appendNet(lines, code, st.value(4).toString(), debit - credit, 0);
    }
    if (hasStock)
        splitStock(db, codes, b, stockNet, stockCode, lines);
    // Debits before credits, each side in the order found.
    QList<VoucherLine> out;
    for (const VoucherLine& l : lines) {
        if (l.debit != 0 || l.debitQty != 0)
            out << l;
    }
    for (const VoucherLine& l : lines) {
        if (!(l.debit != 0 || l.debitQty != 0))
            out << l;
    }
    return out;
}

void appendRow(RecordSet& rs, const Bill& b, const QString& comment, const QString& recName,
               const VoucherLine& l) {
    RecordSet::Row row;
    row << b.id << b.djType << b.code << b.date << comment << l.kmcode
        << fieldValue(FieldType::Currency, l.debit) << fieldValue(FieldType::Currency, l.credit)
        << recName << l.wldwCode << b.jsrName << b.bmName
        << fieldValue(FieldType::Float, l.debitQty) << fieldValue(FieldType::Float, l.creditQty)
        << b.summery;
    rs.appendRow(row);
}

QList<Bill> billsOf(Database& db, const ReportParams& p, const QList<qint64>& ids) {
    Where w;
    QStringList marks;
    QVariantList values;
    for (qint64 id : ids) {
        marks << QStringLiteral("?");
        values << id;
    }
    w.add(QStringLiteral("a.id IN (%1)").arg(marks.join(QStringLiteral(", "))), values);
    w.add(QStringLiteral("a.dj_state = 2"));
    addRedFilter(w, p.redFilter, QStringLiteral("a"));
    p.rights.addBill(w, QStringLiteral("a"));
    Statement st = db.prepare(
        QStringLiteral("SELECT a.id, a.djType, a.code, a.date, a.dj_Caption, a.summery, "
                       "a.rec_Name, COALESCE(z.fullname, ''), COALESCE(b.fullname, ''), a.dep_id "
                       "FROM djIndex AS a LEFT JOIN baseZY AS z ON z.id = a.jsr_id "
                       "LEFT JOIN baseBM AS b ON b.id = a.dep_id WHERE %1 ORDER BY a.date, a.id")
            .arg(w.text()));
    st.bindAll(w.values);
    QList<Bill> bills;
    while (st.step()) {
        Bill b;
        b.id = st.value(0).toLongLong();
        b.djType = st.value(1).toInt();
        b.code = st.value(2).toString();
        b.date = st.value(3).toString().left(10);
        b.caption = st.value(4).toString();
        b.summery = st.value(5).toString();
        b.recName = st.value(6).toString();
        b.jsrName = st.value(7).toString();
        b.bmName = st.value(8).toString();
        b.department = st.value(9).toLongLong();
        bills << b;
    }
    return bills;
}

RecordSet voucherLines(Database& db, const ReportParams& p) {
    RecordSet rs = emptyResult(voucherFields());
    const QList<qint64> ids = voucherBillIds(p.lines.value(QStringLiteral("djStr")));
    if (ids.isEmpty())
        return rs;
    const QString itype = p.filter.value(QStringLiteral("itype")).trimmed();
    if (!itype.isEmpty() && itype != u"0" && itype != u"1")
        throw DytError(QStringLiteral("[itype]只能是0或1：%1").arg(itype));
    const bool summary = itype == u"1";
    const qint64 stockAccount =
        db.scalar(QStringLiteral("SELECT km_id FROM sysSubjectInterface WHERE type = 0 AND "
                                 "name = '库存商品'"))
            .toLongLong();
    FinanceCodes codes(db);
    const QList<Bill> bills = billsOf(db, p, ids);
    if (!summary) {
        for (const Bill& b : bills) {
            const QString comment = b.caption + QLatin1Char(' ') + b.code;
            for (const VoucherLine& l : linesOf(db, codes, b, stockAccount))
                appendRow(rs, b, comment, b.recName, l);
        }
        return rs;
    }
    // One voucher: the lines of one code and partner netted, dated on the last bill's date and
    // made by the operator who exports it.
    if (bills.isEmpty())
        return rs;
    QStringList order;
    QHash<QString, std::pair<double, double>> net;  // code + partner -> (amount, quantity)
    QHash<QString, std::pair<QString, QString>> keys;
    for (const Bill& b : bills) {
        for (const VoucherLine& l : linesOf(db, codes, b, stockAccount)) {
            const QString key = l.kmcode + QChar(0) + l.wldwCode;
            if (!net.contains(key)) {
                order << key;
                keys.insert(key, {l.kmcode, l.wldwCode});
            }
            auto& v = net[key];
            v.first += l.debit - l.credit;
            v.second += l.debitQty - l.creditQty;
        }
    }
    QList<VoucherLine> lines;
    for (const QString& key : order)
        appendNet(lines, keys[key].first, keys[key].second, net[key].first, net[key].second);
    Bill all;
    all.date = bills.last().date;
    const QString maker =
        db.scalar(QStringLiteral("SELECT fullname FROM baseZY WHERE id = ?"), {p.userId})
            .toString();
    const QString comment = QStringLiteral("汇总凭证（%1张单据）").arg(bills.size());
    for (int side = 0; side < 2; ++side) {
        for (const VoucherLine& l : lines) {
            const bool debit = l.debit != 0 || l.debitQty != 0;
            if (debit == (side == 0))
                appendRow(rs, all, comment, maker, l);
        }
    }
    return rs;
}

}  // namespace

QList<qint64> voucherBillIds(const QString& text) {
    const QString t = text.trimmed();
    const auto bad = [&text] {
        return DytError(QStringLiteral("单据列表格式错误：[%1]").arg(text));
    };
    if (t.isEmpty())
        return {};
    if (!t.startsWith(QLatin1Char('(')) || !t.endsWith(QLatin1Char(')')))
        throw bad();
    QList<qint64> ids;
    for (const QString& item : t.mid(1, t.size() - 2).split(QLatin1Char(','))) {
        const QString n = item.trimmed();
        bool digits = !n.isEmpty() && n.size() <= 18;
        for (QChar ch : n)
            digits = digits && ch >= u'0' && ch <= u'9';
        if (!digits)
            throw bad();
        if (const qint64 id = n.toLongLong(); id != 0 && !ids.contains(id))
            ids << id;
    }
    if (ids.size() > kMaxBills)
        throw DytError(QStringLiteral("一次最多导出%1张单据").arg(kMaxBills));
    return ids;
}

const QList<DirectReport>& voucherReports() {
    static const QList<DirectReport> list = {{kOther, QStringLiteral("DCPZ"), voucherLines}};
    return list;
}

const DirectReport* findVoucherReport(const QString& procedure, const QString& queryType) {
    for (const DirectReport& r : voucherReports()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

}  // namespace dyt::server::reports
