// More stock reports from the stock ledger: the stock per warehouse (KCZKFB, CKFBB), the
// differences between what some bill kinds brought in and took out (QTCRKCYB other receipts and
// issues, CKZMCYB the differences between the books and the stock found: overflow, loss and
// stocktakes), the lines of the other receipt and issue bills (QTCRKMXB), the batches near the
// end of their shelf life (SPBZQCX) and the movements of goods kept in batches (SPPCGZ).
//
// Quantities are in base units and values at cost, signed as djStockDetail holds them (+ in,
// − out); the stock at a date is the opening stock plus every posted movement up to it, as in the
// balance reports.
#include <QDate>
#include <QHash>

#include <algorithm>

#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/reports/reports_internal.h"
#include "server/reports/reports_stock.h"

namespace dyt::server::reports {

namespace {

// The warehouse condition over a warehouse column.
void addWarehouseChoice(Where& w, const ReportParams& p, const QString& column) {
    if (p.warehouse.id <= 0)
        return;
    QVariantList v;
    const QString in = inRecords(p.warehouse, QStringLiteral("baseCK"), &v);
    w.add(column + u' ' + in, v);
}

// The posted movements of "djStockDetail AS d JOIN djIndex AS a … JOIN baseGoods AS g" in scope:
// the kinds, dates and the partner, employee and department of the bill, the warehouse the goods
// moved in, the goods choice, the red filter and the operator's record rights.
Where movementScope(const ReportParams& p, const QList<int>& kinds) {
    Where w;
    w.add(QStringLiteral("d.dj_state = 2 AND a.dj_state = 2"));
    addHeaderScope(w, p, kinds);
    addWarehouseChoice(w, p, QStringLiteral("d.stockid"));
    addGoodsChoice(w, p);
    addRedFilter(w, p.redFilter, QStringLiteral("a"));
    p.rights.add(w, RecordKind::Goods, QStringLiteral("d.goodsid"));
    p.rights.add(w, RecordKind::Warehouse, QStringLiteral("d.stockid"));
    p.rights.addBill(w, QStringLiteral("a"));
    return w;
}

const QString kMovements = QStringLiteral(
    "djStockDetail AS d JOIN djIndex AS a ON a.id = d.id JOIN baseGoods AS g ON g.id = d.goodsid");

QList<qint64> pathOf(const QString& parJl) {
    QList<qint64> ids;
    for (const QString& part : parJl.split(u',', Qt::SkipEmptyParts))
        ids << part.toLongLong();
    return ids;
}

// The stock at the end date per goods level, in total and per warehouse column: each warehouse
// counts under its ancestor on the warehouse level given (a warehouse above that level under
// itself). The columns ckQty_<id> and ckTotal_<id> follow the warehouses in code order.
RecordSet distribution(Database& db, const ReportParams& p, int warehouseLevel) {
    Where w;
    addWarehouseChoice(w, p, QStringLiteral("s.stockid"));
    addGoodsChoice(w, p);
    p.rights.add(w, RecordKind::Goods, QStringLiteral("s.goodsid"));
    p.rights.add(w, RecordKind::Warehouse, QStringLiteral("s.stockid"));
    if (p.end)
        w.add(QStringLiteral("s.date <= ?"), {p.endText()});
    addLevelScope(w, db, goodsDimension(), p.goods, QStringLiteral("g"));
    Statement st = db.prepare(
        QStringLiteral("SELECT s.goodsid, s.stockid, SUM(s.qty), SUM(s.total) FROM (SELECT "
                       "goodsid, stockid, '' AS date, qty, total FROM iniGoodsStock UNION ALL "
                       "SELECT goodsid, stockid, date, qty, total FROM djStockDetail WHERE "
                       "dj_state = 2) AS s JOIN baseGoods AS g ON g.id = s.goodsid WHERE ") +
        w.text() + QStringLiteral(" GROUP BY s.goodsid, s.stockid"));
    st.bindAll(w.values);
    struct Cell {
        qint64 goods, column;
        double qty, total;
    };
    QList<Cell> cells;
    QHash<qint64, qint64> columnOf;  // warehouse → its column's warehouse
    Statement path = db.prepare(QStringLiteral("SELECT par_jl FROM baseCK WHERE id = ?"));
    while (st.step()) {
        const qint64 stock = st.value(1).toLongLong();
        if (!columnOf.contains(stock)) {
            path.reset();
            path.bindAll({stock});
            const QList<qint64> ids =
                path.step() ? pathOf(path.value(0).toString()) : QList<qint64>{};
            const qsizetype depth = std::min<qsizetype>(warehouseLevel, ids.size());
            columnOf.insert(stock, depth > 0 ? ids[depth - 1] : stock);
        }
        cells.append({st.value(0).toLongLong(), columnOf.value(stock), st.value(2).toDouble(),
                      st.value(3).toDouble()});
    }

    // The columns, in the warehouses' order.
    QList<qint64> columns;
    {
        QSet<qint64> used;
        for (const Cell& c : cells)
            used.insert(c.column);
        const RecordSet order =
            db.query(QStringLiteral("SELECT id FROM baseCK ORDER BY orderly, code, id"));
        for (int i = 0; i < order.rowCount(); ++i) {
            const qint64 id = order.at(i, 0).toLongLong();
            if (used.contains(id))
                columns << id;
        }
    }
    QList<Measure> measures = {{QStringLiteral("Qty"), FieldType::Float},
                               {QStringLiteral("price"), FieldType::Float},
                               {QStringLiteral("total"), FieldType::Currency}};
    for (qint64 id : columns) {
        measures << Measure{QStringLiteral("ckQty_%1").arg(id), FieldType::Float}
                 << Measure{QStringLiteral("ckTotal_%1").arg(id), FieldType::Currency};
    }
    RecordFigures figures;
    for (const Cell& c : cells) {
        Figures f(measures.size(), 0.0);
        f[0] = c.qty;
        f[2] = c.total;
        const qsizetype k = columns.indexOf(c.column);
        f[3 + 2 * k] = c.qty;
        f[4 + 2 * k] = c.total;
        figures.add(c.goods, f);
    }
    return rollUp(db, goodsDimension(), p.goods, figures, measures, p.qtyFilter, 0,
                  [](Figures& f) { f[1] = f[0] != 0 ? f[2] / f[0] : 0.0; });
}

// What the movements of the kinds brought in (`rkQty`, `rkTotal`) against what they took out
// (`ckQty`, `ckTotal`) per goods level, and the difference (`Qty`, `total`). A movement comes in
// when its quantity is above 0 (or, without quantity, its value).
RecordSet difference(Database& db, const ReportParams& p, const QList<int>& kinds) {
    Where w = movementScope(p, kinds);
    addLevelScope(w, db, goodsDimension(), p.goods, QStringLiteral("g"));
    const QString in = QStringLiteral("(d.qty > 0 OR (d.qty = 0 AND d.total > 0))");
    const QString sql =
        QStringLiteral(
            "SELECT d.goodsid, SUM(CASE WHEN %1 THEN d.qty ELSE 0 END), SUM(CASE WHEN %1 THEN "
            "d.total ELSE 0 END), SUM(CASE WHEN %1 THEN 0 ELSE -d.qty END), SUM(CASE WHEN %1 "
            "THEN 0 ELSE -d.total END) FROM ")
            .arg(in) +
        kMovements + QStringLiteral(" WHERE ") + w.text() + QStringLiteral(" GROUP BY d.goodsid");
    Statement st = db.prepare(sql);
    st.bindAll(w.values);
    RecordFigures figures;
    while (st.step()) {
        Figures f;
        for (int i = 1; i <= 4; ++i)
            f.push_back(st.value(i).toDouble());
        f.push_back(f[0] - f[2]);
        f.push_back(f[1] - f[3]);
        figures.add(st.value(0).toLongLong(), f);
    }
    return rollUp(db, goodsDimension(), p.goods, figures,
                  {{QStringLiteral("rkQty"), FieldType::Float},
                   {QStringLiteral("rkTotal"), FieldType::Currency},
                   {QStringLiteral("ckQty"), FieldType::Float},
                   {QStringLiteral("ckTotal"), FieldType::Currency},
                   {QStringLiteral("Qty"), FieldType::Float},
                   {QStringLiteral("total"), FieldType::Currency}},
                  p.qtyFilter, 4);
}

// Rows of a query with the given fields: integers, numbers by their type, the rest as text.
RecordSet rowsOf(Statement& st, const QList<Measure>& fields) {
    RecordSet rs = emptyResult(fields);
    while (st.step()) {
        RecordSet::Row row;
        for (int i = 0; i < fields.size(); ++i) {
            const QVariant v = st.value(i);
            switch (fields[i].type) {
                case FieldType::Integer:
                    row << v.toLongLong();
                    break;
                case FieldType::Float:
                case FieldType::Currency:
                    row << fieldValue(fields[i].type, v.toDouble());
                    break;
                default:
                    row << v.toString();
                    break;
            }
        }
        rs.appendRow(row);
    }
    return rs;
}

// The bill columns of a movement row: bill id, kind, kind name, date, number, partner, warehouse
// and goods (the goods' code and name also as code and fullname).
const QString kMovementColumns = QStringLiteral(
    "a.id, a.djType, COALESCE((SELECT k.fullname FROM sysDjb AS k WHERE k.id = a.djType), ''), "
    "d.date, a.code, COALESCE(w.fullname, ''), d.stockid, COALESCE(c.fullname, ''), g.id, "
    "g.code, g.fullname, g.code, g.fullname");
const QString kMovementJoins = QStringLiteral(
    " LEFT JOIN baseWLDW AS w ON w.id = a.wldw_id LEFT JOIN baseCK AS c ON c.id = d.stockid "
    "LEFT JOIN djList AS l ON l.orderid = d.listid");

QList<Measure> movementFields() {
    return {{QStringLiteral("id"), FieldType::Integer},
            {QStringLiteral("djType"), FieldType::Integer},
            {QStringLiteral("djName"), FieldType::Text},
            {QStringLiteral("djDate"), FieldType::Text},
            {QStringLiteral("djNo"), FieldType::Text},
            {QStringLiteral("dw_dwqm"), FieldType::Text},
            {QStringLiteral("ck_id"), FieldType::Integer},
            {QStringLiteral("ck_ckqm"), FieldType::Text},
            {QStringLiteral("sp_id"), FieldType::Integer},
            {QStringLiteral("sp_spbh"), FieldType::Text},
            {QStringLiteral("sp_spqm"), FieldType::Text},
            {QStringLiteral("code"), FieldType::Text},
            {QStringLiteral("fullname"), FieldType::Text}};
}

// The quantities of a movement row: in, out, signed, the cost price and the signed value.
const QString kMovementFigures = QStringLiteral(
    "CASE WHEN d.qty > 0 THEN d.qty ELSE 0 END, CASE WHEN d.qty < 0 THEN -d.qty ELSE 0 END, "
    "d.qty, CASE WHEN d.qty <> 0 THEN ABS(d.total * 1.0 / d.qty) ELSE 0 END, d.total");
QList<Measure> movementFigureFields() {
    return {{QStringLiteral("inQty"), FieldType::Float},
            {QStringLiteral("outQty"), FieldType::Float},
            {QStringLiteral("Qty"), FieldType::Float},
            {QStringLiteral("price"), FieldType::Float},
            {QStringLiteral("total"), FieldType::Currency}};
}

// The goods lines of the other receipt and issue bills, oldest first.
RecordSet otherLines(Database& db, const ReportParams& p) {
    Where w = movementScope(p, {10, 11});
    Statement st = db.prepare(QStringLiteral("SELECT ") + kMovementColumns + QStringLiteral(", ") +
                              kMovementFigures + QStringLiteral(", COALESCE(l.comment, '') FROM ") +
                              kMovements + kMovementJoins + QStringLiteral(" WHERE ") + w.text() +
                              QStringLiteral(" ORDER BY d.date, a.id, d.orderid"));
    st.bindAll(w.values);
    return rowsOf(st, movementFields() + movementFigureFields() +
                          QList<Measure>{{QStringLiteral("comment"), FieldType::Text}});
}

// The movements of goods kept in batches and of the lines that name a batch number, by goods and
// batch, with the batch's number and dates; ";batchNo=" and ";lineRemark=" keep the batches whose
// number and the lines whose remark hold the text.
RecordSet batchTrail(Database& db, const ReportParams& p) {
    Where w = movementScope(p, {});
    w.add(QStringLiteral("(d.goodspc > 0 OR COALESCE(l.ph, '') <> '')"));
    const QString batchNo = p.filter.value(QStringLiteral("batchNo")).trimmed();
    if (!batchNo.isEmpty()) {
        w.add(QStringLiteral("COALESCE(NULLIF(b.ph, ''), l.ph, '') LIKE ? ESCAPE '\\'"),
              {containsPattern(batchNo)});
    }
    const QString remark = p.filter.value(QStringLiteral("lineRemark")).trimmed();
    if (!remark.isEmpty()) {
        w.add(QStringLiteral("COALESCE(l.comment, '') LIKE ? ESCAPE '\\'"),
              {containsPattern(remark)});
    }
    Statement st = db.prepare(
        QStringLiteral("SELECT ") + kMovementColumns +
        QStringLiteral(", d.goodspc, COALESCE(NULLIF(b.ph, ''), l.ph, ''), COALESCE(b.indate, "
                       "''), COALESCE(NULLIF(b.outdate, ''), l.outdate, ''), "
                       "COALESCE(NULLIF(b.yxqdate, ''), l.yxqdate, ''), ") +
        kMovementFigures + QStringLiteral(", COALESCE(l.comment, '') FROM ") + kMovements +
        kMovementJoins +
        QStringLiteral(" LEFT JOIN baseGoodsStock AS b ON b.id = d.goodspc WHERE ") + w.text() +
        QStringLiteral(" ORDER BY g.code, g.id, d.goodspc, d.date, d.orderid"));
    st.bindAll(w.values);
    return rowsOf(st, movementFields() +
                          QList<Measure>{{QStringLiteral("goodspc"), FieldType::Integer},
                                         {QStringLiteral("ph"), FieldType::Text},
                                         {QStringLiteral("indate"), FieldType::Text},
                                         {QStringLiteral("outdate"), FieldType::Text},
                                         {QStringLiteral("yxqdate"), FieldType::Text}} +
                          movementFigureFields() +
                          QList<Measure>{{QStringLiteral("comment"), FieldType::Text}});
}

// The batches in stock whose shelf life ends soon: production date (outdate) + shelf life days
// (yxqNum) is the expiry date; a batch is listed once the expiry less the goods' own warning days
// (jxqNum) and the days ahead (";days=", 0 when not given) has been reached on the end date
// (today without one). Goods without a shelf life are not listed.
RecordSet shelfLife(Database& db, const ReportParams& p) {
    const QString daysText = p.filter.value(QStringLiteral("days")).trimmed();
    const qint64 days = billvalues::id(daysText, QStringLiteral("提前报警天数"));
    const QString day =
        p.end ? p.endText() : QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    Where w;
    w.add(QStringLiteral("b.qty <> 0 AND b.outdate <> '' AND g.yxqNum > 0"));
    w.add(QStringLiteral("julianday(b.outdate) + g.yxqNum - g.jxqNum - ? <= julianday(?)"),
          {days, day});
    addWarehouseChoice(w, p, QStringLiteral("b.stockid"));
    addGoodsChoice(w, p);
    p.rights.add(w, RecordKind::Goods, QStringLiteral("b.goodsid"));
    p.rights.add(w, RecordKind::Warehouse, QStringLiteral("b.stockid"));
    Statement st = db.prepare(
        QStringLiteral(
            "SELECT b.id, g.id, g.code, g.fullname, g.code, g.fullname, g.gg, b.stockid, "
            "COALESCE(c.fullname, ''), b.ph, b.qty, b.price, b.total, g.yxqNum, b.outdate, "
            "date(b.outdate, '+' || g.yxqNum || ' days') AS dq, CAST(julianday(b.outdate) + "
            "g.yxqNum - julianday(?) AS INTEGER) FROM baseGoodsStock AS b JOIN baseGoods AS g ON "
            "g.id = b.goodsid LEFT JOIN baseCK AS c ON c.id = b.stockid WHERE ") +
        w.text() + QStringLiteral(" ORDER BY dq, g.code, g.id, b.id"));
    st.bindAll(QVariantList{day} + w.values);
    return rowsOf(st, {{QStringLiteral("id"), FieldType::Integer},
                       {QStringLiteral("sp_id"), FieldType::Integer},
                       {QStringLiteral("sp_spbh"), FieldType::Text},
                       {QStringLiteral("sp_spqm"), FieldType::Text},
                       {QStringLiteral("code"), FieldType::Text},
                       {QStringLiteral("fullname"), FieldType::Text},
                       {QStringLiteral("sp_gg"), FieldType::Text},
                       {QStringLiteral("ck_id"), FieldType::Integer},
                       {QStringLiteral("ck_ckqm"), FieldType::Text},
                       {QStringLiteral("ph"), FieldType::Text},
                       {QStringLiteral("Qty"), FieldType::Float},
                       {QStringLiteral("price"), FieldType::Float},
                       {QStringLiteral("total"), FieldType::Currency},
                       {QStringLiteral("baozhiqi"), FieldType::Integer},
                       {QStringLiteral("shengchanriqi"), FieldType::Text},
                       {QStringLiteral("daoqiriqi"), FieldType::Text},
                       {QStringLiteral("syts"), FieldType::Integer}});
}

}  // namespace

RecordSet runMoreStockReport(Database& db, const ReportParams& p, StockShape shape) {
    switch (shape) {
        case StockShape::Distribution: {
            const QString level = p.filter.value(QStringLiteral("cklevel")).trimmed();
            const qint64 n =
                level.isEmpty() ? 1 : billvalues::id(level, QStringLiteral("仓库级次"));
            if (n < 1 || n > 5)
                throw DytError(QStringLiteral("查看仓库的级次只能是1至5！"));
            return distribution(db, p, static_cast<int>(n));
        }
        case StockShape::WarehouseSpread:
            return distribution(db, p, 5);
        case StockShape::OtherDifference:
            return difference(db, p, {10, 11});
        case StockShape::CountDifference:
            // Overflow and loss bills and the stocktakes, which bring in what was found above
            // the books and take out what was missing.
            return difference(db, p, {12, 13, 42});
        case StockShape::OtherLines:
            return otherLines(db, p);
        case StockShape::ShelfLife:
            return shelfLife(db, p);
        case StockShape::BatchTrail:
            return batchTrail(db, p);
        default:
            break;
    }
    return {};
}

}  // namespace dyt::server::reports
