// The sales commission reports of P_JXC_Get_Other: the commission of every posted sales line
// ("SPXSTCMX"), per goods ("SPXSTCCX") and per level of the goods tree or per employee ("TCTJ").
//
// The commission is worked out here from the posted lines and the plans in force whenever a
// report asks: a line of a sales bill (1) counts positively, one of a sales return (2) negatively,
// for the bill's employee (jsr_id). The plan of a line is that of its goods, else that of the
// employee; without either the line earns nothing. The ways: 1 tcl percent of the line's amount
// after discount, 2 tcl per base unit, 3 tcl percent of the gross profit (amount less cost). Each
// line's commission is rounded to cents, half away from zero. Deleted bills are not posted and a
// red reversal posts the negative lines, so both drop out of the sums of themselves.
#include "server/reports/reports_commission.h"

#include <cmath>

#include "server/db/database.h"
#include "server/reports/reports_internal.h"

namespace dyt::server::reports {

namespace {

const QString kOther = QStringLiteral("P_JXC_Get_Other");
const QList<int> kCommissionKinds = {1, 2};

double roundCents(double v) {
    return std::round(v * 100.0) / 100.0;
}

QString wayName(int way) {
    switch (way) {
        case 1:
            return QStringLiteral("按销售金额比例");
        case 2:
            return QStringLiteral("按销售数量定额");
        case 3:
            return QStringLiteral("按毛利比例");
        default:
            break;
    }
    return QString();
}

// One posted line with its plan.
struct CommissionLine {
    qint64 bill = 0;
    int kind = 0;
    QString date, code, kindName, partner, warehouse, employeeName, goodsCode, goodsName;
    qint64 goods = 0, employee = 0;
    double qty = 0, price = 0, amount = 0, cost = 0;  // signed: returns negative
    QString plan;
    int way = 0;
    double value = 0;
    double commission = 0;
};

double commissionOf(int way, double value, double qty, double amount, double cost) {
    switch (way) {
        case 1:
            return roundCents(amount * value / 100.0);
        case 2:
            return roundCents(qty * value);
        case 3:
            return roundCents((amount - cost) * value / 100.0);
        default:
            break;
    }
    return 0;
}

// The lines in scope of the conditions, oldest first.
QList<CommissionLine> commissionLines(Database& db, const ReportParams& p) {
    const Where w = lineScope(p, kCommissionKinds);
    Statement st = db.prepare(
        QStringLiteral(
            "SELECT a.id, a.djType, a.date, a.code, COALESCE((SELECT k.fullname FROM sysDjb AS k "
            "WHERE k.id = a.djType), ''), COALESCE(t.fullname, ''), COALESCE((SELECT c.fullname "
            "FROM baseCK AS c WHERE c.id = %1), ''), COALESCE(a.jsr_id, 0), "
            "COALESCE(z.fullname, ''), g.id, g.code, g.fullname, l.qty * (CASE WHEN l.rate > 0 "
            "THEN l.rate ELSE 1 END), l.discountprice, l.discounttotal, l.costtotal, "
            "COALESCE(gp.fullname, zp.fullname, ''), COALESCE(gp.tcfs, zp.tcfs, 0), "
            "COALESCE(gp.tcl, zp.tcl, 0) FROM djList AS l JOIN djIndex AS a ON a.id = l.id JOIN "
            "baseGoods AS g ON g.id = l.goodsid LEFT JOIN baseWLDW AS t ON t.id = a.wldw_id LEFT "
            "JOIN baseZY AS z ON z.id = a.jsr_id LEFT JOIN basetcAssign AS ga ON ga.tclxid = 2 "
            "AND ga.objid = l.goodsid LEFT JOIN basetcIndex AS gp ON gp.id = ga.tcid LEFT JOIN "
            "basetcAssign AS za ON za.tclxid = 1 AND za.objid = a.jsr_id LEFT JOIN basetcIndex "
            "AS zp ON zp.id = za.tcid WHERE %2 ORDER BY a.date, a.id, l.orderid")
            .arg(lineWarehouseSql(), w.text()));
    st.bindAll(w.values);
    QList<CommissionLine> out;
    while (st.step()) {
        CommissionLine l;
        l.bill = st.value(0).toLongLong();
        l.kind = st.value(1).toInt();
        l.date = st.value(2).toString().left(10);
        l.code = st.value(3).toString();
        l.kindName = st.value(4).toString();
        l.partner = st.value(5).toString();
        l.warehouse = st.value(6).toString();
        l.employee = st.value(7).toLongLong();
        l.employeeName = st.value(8).toString();
        l.goods = st.value(9).toLongLong();
        l.goodsCode = st.value(10).toString();
        l.goodsName = st.value(11).toString();
        const double sign = l.kind == 2 ? -1.0 : 1.0;
        l.qty = sign * st.value(12).toDouble();
        l.price = st.value(13).toDouble();
        l.amount = sign * st.value(14).toDouble();
        l.cost = sign * st.value(15).toDouble();
        l.plan = st.value(16).toString();
        l.way = st.value(17).toInt();
        l.value = st.value(18).toDouble();
        l.commission = commissionOf(l.way, l.value, l.qty, l.amount, l.cost);
        out << l;
    }
    return out;
}

const QList<Measure>& sums() {
    static const QList<Measure> m = {{QStringLiteral("Qty"), FieldType::Float},
                                     {QStringLiteral("total"), FieldType::Currency},
                                     {QStringLiteral("costtotal"), FieldType::Currency},
                                     {QStringLiteral("ml"), FieldType::Currency},
                                     {QStringLiteral("tcTotal"), FieldType::Currency}};
    return m;
}

Figures figuresOf(const CommissionLine& l) {
    return {l.qty, l.amount, l.cost, l.amount - l.cost, l.commission};
}

RecordSet commissionDetail(Database& db, const ReportParams& p) {
    RecordSet rs = emptyResult({{QStringLiteral("id"), FieldType::Integer},
                                {QStringLiteral("djType"), FieldType::Integer},
                                {QStringLiteral("djDate"), FieldType::Text},
                                {QStringLiteral("djNo"), FieldType::Text},
                                {QStringLiteral("djName"), FieldType::Text},
                                {QStringLiteral("dw_dwqm"), FieldType::Text},
                                {QStringLiteral("ck_ckqm"), FieldType::Text},
                                {QStringLiteral("zy_zyqm"), FieldType::Text},
                                {QStringLiteral("sp_spbh"), FieldType::Text},
                                {QStringLiteral("sp_spqm"), FieldType::Text},
                                {QStringLiteral("Qty"), FieldType::Float},
                                {QStringLiteral("price"), FieldType::Float},
                                {QStringLiteral("total"), FieldType::Currency},
                                {QStringLiteral("costtotal"), FieldType::Currency},
                                {QStringLiteral("ml"), FieldType::Currency},
                                {QStringLiteral("tcfa"), FieldType::Text},
                                {QStringLiteral("tcfs"), FieldType::Text},
                                {QStringLiteral("tcl"), FieldType::Float},
                                {QStringLiteral("tcTotal"), FieldType::Currency}});
    for (const CommissionLine& l : commissionLines(db, p)) {
        RecordSet::Row row;
        row << l.bill << l.kind << l.date << l.code << l.kindName << l.partner << l.warehouse
            << l.employeeName << l.goodsCode << l.goodsName << fieldValue(FieldType::Float, l.qty)
            << fieldValue(FieldType::Float, l.price) << fieldValue(FieldType::Currency, l.amount)
            << fieldValue(FieldType::Currency, l.cost)
            << fieldValue(FieldType::Currency, l.amount - l.cost) << l.plan << wayName(l.way)
            << fieldValue(FieldType::Float, l.value)
            << fieldValue(FieldType::Currency, l.commission);
        rs.appendRow(row);
    }
    return rs;
}

RecordSet commissionByGoods(Database& db, const ReportParams& p) {
    RecordFigures figures;
    for (const CommissionLine& l : commissionLines(db, p))
        figures.add(l.goods, figuresOf(l));
    LevelChoice flat = p.goods;
    flat.list = true;
    return rollUp(db, goodsDimension(), flat, figures, sums(), p.qtyFilter, 0);
}

// By the goods tree, one level at a time; with "tjfs=1" by employee, as a flat list.
RecordSet commissionStatistics(Database& db, const ReportParams& p) {
    const bool byEmployee = p.lines.value(QStringLiteral("tjfs")).trimmed() == u"1";
    RecordFigures figures;
    for (const CommissionLine& l : commissionLines(db, p))
        figures.add(byEmployee ? l.employee : l.goods, figuresOf(l));
    if (byEmployee) {
        LevelChoice flat = p.levelOf(QStringLiteral("zyStr"));
        flat.list = true;
        return rollUp(db, employeeDimension(), flat, figures, sums(), p.qtyFilter, 0);
    }
    return rollUp(db, goodsDimension(), p.goods, figures, sums(), p.qtyFilter, 0);
}

}  // namespace

const QList<DirectReport>& commissionReports() {
    static const QList<DirectReport> list = {
        {kOther, QStringLiteral("SPXSTCMX"), commissionDetail},
        {kOther, QStringLiteral("SPXSTCCX"), commissionByGoods},
        {kOther, QStringLiteral("TCTJ"), commissionStatistics},
    };
    return list;
}

const DirectReport* findCommissionReport(const QString& procedure, const QString& queryType) {
    for (const DirectReport& r : commissionReports()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

}  // namespace dyt::server::reports
