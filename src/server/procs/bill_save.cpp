// The bill service QMXService: SaveToDraft stores a bill as a draft, SaveToDB stores it posted and
// hands it to the posting ledgers, both inside the one transaction the server opens for the call.
//
// What the client sends:
// - the parameter lines: one line per header field (djIndex column names), djType, date, code,
//   dj_Caption, OldBillid (the draft this save replaces, 0 for a new bill), total and czy_id;
// - packet 1: the bill lines (text fields named after djList columns, "unitid" for the unit);
//   rows whose first four fields are all empty are blank grid rows and are left out. Receipts and
//   payments send their account rows (km_id, total, ...) here instead;
// - packet 2: the account packet (km_id, type 1 payment account / 2 freight account, dbtotal,
//   Lendtotal); receipts and payments send the bills they settle (s_id, Total) here instead;
// - packet 3: unused.
// The remarks "comment" and "summery" may hold line breaks and arrive escaped (paramlist.h).
// Everything is read and checked before the first write; a refusal throws DytError and the
// server's transaction leaves the account set as it was.
#include <QDateTime>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <iterator>

#include "common/error.h"
#include "common/rounding.h"
#include "protocol/billkinds.h"
#include "server/db/database.h"
#include "server/ledger/posting.h"
#include "server/procs/bill_common.h"
#include "server/procs/bill_numbering.h"
#include "server/procs/registry.h"

namespace dyt::server {
namespace {

constexpr qint64 kReceipt = 21;
constexpr qint64 kPayment = 22;
constexpr qint64 kVoucher = 34;

// Fixed-asset bills: their lines name an asset card (gdzc_id), kept in djList.goodsid.
bool isAssetKind(qint64 kind) {
    return kind == 23 || kind == 24 || kind == 25;
}

// How a value of a column is read and stored.
enum class Kind { Text, Id, Money, Quantity, Date };

struct Column {
    const char* name;  // the column; also the name the client sends unless `sent` is given
    Kind kind;
    const char* sent = nullptr;
    double emptyValue = 0.0;  // a number column's value for an empty text
};

// Header fields the client may set.
const Column kHeaderColumns[] = {
    {"code", Kind::Text},           {"summery", Kind::Text},      {"comment", Kind::Text},
    {"wldw_id", Kind::Id},          {"jsr_id", Kind::Id},         {"dep_id", Kind::Id},
    {"IntoStock_id", Kind::Id},     {"OutStock_id", Kind::Id},    {"dd_id", Kind::Id},
    {"yfwldw_id", Kind::Id},        {"JieShaoRenID", Kind::Id},   {"sfkKm_id", Kind::Id},
    {"yfKm_id", Kind::Id},          {"isdaishoukuan", Kind::Id},  {"hhlx", Kind::Id},
    {"total", Kind::Money},         {"sfkTotal", Kind::Money},    {"yfTotal", Kind::Money},
    {"yfTotalSum", Kind::Money},    {"youhuiTotal", Kind::Money}, {"billDiscount", Kind::Quantity},
    {"YouHuiBiLv", Kind::Quantity}, {"sfkDate", Kind::Date},      {"zidingyi1", Kind::Text},
    {"zidingyi2", Kind::Text},      {"zidingyi3", Kind::Text},    {"zidingyi4", Kind::Text},
    {"zidingyi5", Kind::Text},      {"zidingyi6", Kind::Text},    {"zidingyi7", Kind::Text},
    {"zidingyi8", Kind::Text},      {"zidingyi9", Kind::Text},    {"zidingyi10", Kind::Text},
};

// Line fields the client may set.
const Column kLineColumns[] = {
    {"goodsid", Kind::Id},
    {"IntoStock_id", Kind::Id},
    {"OutStock_id", Kind::Id},
    {"costmode", Kind::Id},
    {"ph", Kind::Text},
    {"outdate", Kind::Date},
    {"yxqdate", Kind::Date},
    {"goodspc", Kind::Id},
    {"unit", Kind::Id, "unitid"},
    {"rate", Kind::Quantity, nullptr, 1.0},
    {"qty", Kind::Quantity},
    {"fdwqty", Kind::Quantity},
    {"price", Kind::Quantity},
    {"total", Kind::Money},
    {"discount", Kind::Quantity, nullptr, 1.0},
    {"discountprice", Kind::Quantity},
    {"discounttotal", Kind::Money},
    {"tax", Kind::Quantity},
    {"taxtotal", Kind::Money},
    {"taxprice", Kind::Quantity},
    {"taxTotalSum", Kind::Money},
    {"yftotal", Kind::Money},
    {"costprice", Kind::Quantity},
    {"costtotal", Kind::Money},
    {"lsprice", Kind::Quantity},
    {"lstotal", Kind::Money},
    {"kpTotal", Kind::Money},
    {"RowType", Kind::Id},
    {"comment", Kind::Text},
    {"rowbeizhu1", Kind::Text},
    {"rowbeizhu2", Kind::Text},
    {"rowbeizhu3", Kind::Text},
    {"rowbeizhu4", Kind::Text},
    {"rowbeizhu5", Kind::Text},
    {"barcode", Kind::Text},
    {"UnitRate", Kind::Text},
    {"s_id", Kind::Id},
    {"s_orderid", Kind::Id},
    {"km_id", Kind::Id},
    {"toQty", Kind::Quantity},
    {"isCanYuZheShangZhe", Kind::Id},
};

using Values = QList<QPair<QString, QVariant>>;

QVariant readValue(const Column& col, const QString& text, const QString& what) {
    switch (col.kind) {
        case Kind::Text:
            return text.trimmed();
        case Kind::Id:
            return billvalues::id(text, what);
        case Kind::Money:
            return QStringView(text).trimmed().isEmpty()
                       ? col.emptyValue
                       : billvalues::roundedNumber(text, 4, what);
        case Kind::Quantity:
            return QStringView(text).trimmed().isEmpty()
                       ? col.emptyValue
                       : billvalues::roundedNumber(text, 8, what);
        case Kind::Date: {
            const auto d = billvalues::optionalDate(text, what);
            return d ? billvalues::dateText(*d) : QString();
        }
    }
    return {};
}

QVariant valueOf(const Values& values, const char* name) {
    const QLatin1StringView n(name);
    for (const auto& [key, value] : values) {
        if (key.size() == n.size() && key.compare(n, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

void setValue(Values& values, const QString& name, const QVariant& value) {
    for (auto& entry : values) {
        if (entry.first.size() == name.size() &&
            entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            entry.second = value;
            return;
        }
    }
    values.append({name, value});
}

// Inserts one row of the values of `first` and then those of `rest`.
qint64 insertRow(Database& db, QLatin1StringView table, const Values& first,
                 const Values& rest = {}) {
    QString sql;
    sql.reserve(64 + 24 * (first.size() + rest.size()));
    sql += QLatin1StringView("INSERT INTO ");
    sql += table;
    QLatin1Char separator('(');
    for (const Values* part : {&first, &rest}) {
        for (const auto& entry : *part) {
            sql += separator;
            sql += entry.first;
            separator = QLatin1Char(',');
        }
    }
    sql += QLatin1StringView(") VALUES (?");
    for (qsizetype i = 1; i < first.size() + rest.size(); ++i)
        sql += QLatin1StringView(",?");
    sql += QLatin1Char(')');
    Statement st = db.prepare(sql);
    int index = 0;
    for (const Values* part : {&first, &rest}) {
        for (const auto& entry : *part)
            st.bind(++index, entry.second);
    }
    st.execute();
    return db.lastInsertId();
}

// A cell of a packet row as text (Null is empty).
QString cell(const RecordSet& rs, int row, int column) {
    const QVariant& v = rs.at(row, column);
    return v.isValid() ? v.toString() : QString();
}

QString lineWhat(int line, const QString& field) {
    return QStringLiteral("第%1行%2").arg(line).arg(field);
}

// The rows of a packet that are not blank grid rows: at least one of the first four fields holds
// something.
QList<int> filledRows(const RecordSet& rs) {
    QList<int> rows;
    const int width = std::min(4, rs.fieldCount());
    for (int r = 0; r < rs.rowCount(); ++r) {
        for (int f = 0; f < width; ++f) {
            if (!cell(rs, r, f).trimmed().isEmpty()) {
                rows << r;
                break;
            }
        }
    }
    return rows;
}

bool exists(Database& db, const QString& sql, qint64 id) {
    return db.scalar(sql, {id}).isValid();
}

void checkGoods(Database& db, qint64 goodsId, int line) {
    if (!exists(db, QStringLiteral("SELECT id FROM baseGoods WHERE id = ? AND sonnum = 0"),
                goodsId)) {
        throw DytError(QStringLiteral("第%1行的商品不存在（商品ID：%2）").arg(line).arg(goodsId));
    }
}

void checkAssetCard(Database& db, qint64 cardId, int line) {
    if (!exists(db,
                QStringLiteral("SELECT id FROM GDZCDetail WHERE id = ? AND IsBaseInfo = 0 AND "
                               "Del <> 1"),
                cardId)) {
        throw DytError(
            QStringLiteral("第%1行的固定资产不存在（固定资产ID：%2）").arg(line).arg(cardId));
    }
}

void checkAccount(Database& db, qint64 kmId, const QString& where) {
    if (!exists(db, QStringLiteral("SELECT id FROM baseKM WHERE id = ?"), kmId))
        throw DytError(QStringLiteral("%1的账户不存在（账户ID：%2）").arg(where).arg(kmId));
}

void checkWarehouse(Database& db, qint64 stockId, const QString& where) {
    if (!exists(db, QStringLiteral("SELECT id FROM baseCK WHERE id = ?"), stockId))
        throw DytError(QStringLiteral("%1的仓库不存在（仓库ID：%2）").arg(where).arg(stockId));
}

void checkPartner(Database& db, qint64 wldwId, const QString& where) {
    if (!exists(db, QStringLiteral("SELECT id FROM baseWLDW WHERE id = ?"), wldwId))
        throw DytError(
            QStringLiteral("%1的往来单位不存在（往来单位ID：%2）").arg(where).arg(wldwId));
}

// The bill a line was taken from must exist; a goods line may not be taken from an order that is
// stopped or finished (isOver: 1 delivered in full, 2 stopped, 3 finished by hand).
void checkSource(Database& db, qint64 source, qint64 goods, int line) {
    if (source <= 0)
        return;
    Statement st = db.prepare(
        QStringLiteral("SELECT djType, isOver, code FROM djIndex WHERE id = ? AND dj_state <> 0"));
    st.bind(1, source);
    if (!st.step())
        throw DytError(QStringLiteral("第%1行的源单据不存在（单据ID：%2）").arg(line).arg(source));
    const int kind = st.value(0).toInt();
    const int over = st.value(1).toInt();
    if (goods <= 0 || (kind != 4 && kind != 8) || over == 0)
        return;
    throw DytError(QStringLiteral("第%1行选自的订单[%2]%3，不能再选单执行！")
                       .arg(line)
                       .arg(st.value(2).toString(),
                            over == 2 ? QStringLiteral("已经中止") : QStringLiteral("已经完成")));
}

const Column kAssetCardColumn = {"goodsid", Kind::Id, "gdzc_id"};

// The lines of packet 1 with the values they set; for receipts and payments the account rows.
// Asset bills send the card as gdzc_id (goodsid when a stored bill is saved again); vouchers
// send each entry's debit (dbTotal) and credit (LendTotal), kept as total = debit − credit.
QList<Values> readLines(Database& db, const RecordSet& rs, qint64 kind) {
    const bool moneyBill = kind == kReceipt || kind == kPayment;
    const bool assets = isAssetKind(kind);
    const bool hasCardField = assets && rs.fieldIndex(QStringLiteral("gdzc_id")) >= 0;
    struct Read {
        int field;
        const Column* column;
        QString name;
    };
    QList<Read> columnOf;  // packet field -> column, in the packet's order
    for (int f = 0; f < rs.fieldCount(); ++f) {
        if (hasCardField && rs.field(f).name.compare(QLatin1String("gdzc_id"),
                                                     Qt::CaseInsensitive) == 0) {
            columnOf.append({f, &kAssetCardColumn, QString::fromLatin1(kAssetCardColumn.name)});
            continue;
        }
        for (const Column& col : kLineColumns) {
            const QLatin1String sent(col.sent ? col.sent : col.name);
            if (hasCardField && sent == QLatin1String("goodsid"))
                continue;
            const QString& sentName = rs.field(f).name;
            if (sentName.size() == sent.size() &&
                sentName.compare(sent, Qt::CaseInsensitive) == 0) {
                columnOf.append({f, &col, QString::fromLatin1(col.name)});
                break;  // the names sent differ from each other
            }
        }
    }
    const int fDebit = kind == kVoucher ? rs.fieldIndex(QStringLiteral("dbTotal")) : -1;
    const int fCredit = kind == kVoucher ? rs.fieldIndex(QStringLiteral("LendTotal")) : -1;
    QList<Values> lines;
    int line = 0;
    for (int r : filledRows(rs)) {
        ++line;
        Values v;
        v.reserve(columnOf.size() + 1);
        for (const Read& read : columnOf) {
            const QString text = cell(rs, r, read.field);
            QVariant value;
            try {
                value = readValue(*read.column, text, QString());
            } catch (const DytError&) {
                // Read again for the message that names the line and the field.
                value = readValue(*read.column, text, lineWhat(line, rs.field(read.field).name));
            }
            v.append({read.name, value});
        }
        if (fDebit >= 0 || fCredit >= 0) {
            const auto side = [&](int f, const char* name) {
                return f < 0 ? 0.0
                             : roundTo(billvalues::number(cell(rs, r, f),
                                                          lineWhat(line, QString::fromLatin1(name))),
                                       4);
            };
            setValue(v, QStringLiteral("total"),
                     roundTo(side(fDebit, "dbTotal") - side(fCredit, "LendTotal"), 4));
        }
        const qint64 goods = valueOf(v, "goodsid").toLongLong();
        const double qty = valueOf(v, "qty").toDouble();
        const qint64 km = valueOf(v, "km_id").toLongLong();
        if (goods > 0 && assets) {
            checkAssetCard(db, goods, line);
        } else if (goods > 0) {
            checkGoods(db, goods, line);
        } else if (qty != 0.0) {
            throw DytError(QStringLiteral("第%1行没有选择商品，不能录入数量").arg(line));
        }
        if (km > 0)
            checkAccount(db, km, QStringLiteral("第%1行").arg(line));
        for (const char* stock : {"IntoStock_id", "OutStock_id"}) {
            const qint64 stockId = valueOf(v, stock).toLongLong();
            if (stockId > 0)
                checkWarehouse(db, stockId, QStringLiteral("第%1行").arg(line));
        }
        if (moneyBill && km == 0 && valueOf(v, "total").toDouble() != 0.0)
            throw DytError(QStringLiteral("第%1行没有选择账户").arg(line));
        checkSource(db, valueOf(v, "s_id").toLongLong(), goods, line);
        // What has been invoiced of a line is the invoices' to write (67 … 70 invoice).
        if (kind < 67 || kind > 70)
            setValue(v, QStringLiteral("kpTotal"), 0.0);
        lines.append(v);
    }
    return lines;
}

struct AccountLine {
    qint64 kmId = 0;
    int type = 1;
    double debit = 0.0;
    double credit = 0.0;
};

// Packet 2 of the goods bills: the payment and freight accounts.
QList<AccountLine> readAccounts(Database& db, const RecordSet& rs) {
    const int fKm = rs.fieldIndex(QStringLiteral("km_id"));
    const int fType = rs.fieldIndex(QStringLiteral("type"));
    const int fDebit = rs.fieldIndex(QStringLiteral("dbtotal"));
    const int fCredit = rs.fieldIndex(QStringLiteral("Lendtotal"));
    QList<AccountLine> out;
    if (rs.rowCount() > 0 && fKm < 0)
        throw DytError(QStringLiteral("账户明细缺少km_id"));
    for (int r = 0; r < rs.rowCount(); ++r) {
        const QString where = QStringLiteral("账户明细第%1行").arg(r + 1);
        AccountLine a;
        a.kmId = billvalues::id(cell(rs, r, fKm), where);
        if (a.kmId == 0)
            continue;
        checkAccount(db, a.kmId, where);
        const QString type = fType >= 0 ? cell(rs, r, fType).trimmed() : QStringLiteral("1");
        if (type != QLatin1String("1") && type != QLatin1String("2"))
            throw DytError(QStringLiteral("%1的类型只能是1或2：%2").arg(where, type));
        a.type = type.toInt();
        a.debit = fDebit >= 0 ? roundTo(billvalues::number(cell(rs, r, fDebit), where), 4) : 0.0;
        a.credit = fCredit >= 0 ? roundTo(billvalues::number(cell(rs, r, fCredit), where), 4) : 0.0;
        out.append(a);
    }
    return out;
}

struct Settlement {
    qint64 billId = 0;
    double amount = 0.0;
    QString comment;
};

// Packet 2 of receipts and payments: the bills settled now (rows without a bill or amount are
// left out).
QList<Settlement> readSettlements(Database& db, const RecordSet& rs) {
    const int fBill = rs.fieldIndex(QStringLiteral("s_id"));
    const int fAmount = rs.fieldIndex(QStringLiteral("Total"));
    const int fComment = rs.fieldIndex(QStringLiteral("comment"));
    QList<Settlement> out;
    if (rs.rowCount() > 0 && (fBill < 0 || fAmount < 0))
        throw DytError(QStringLiteral("结算单据缺少s_id或Total"));
    for (int r = 0; r < rs.rowCount(); ++r) {
        const QString where = QStringLiteral("结算单据第%1行").arg(r + 1);
        Settlement s;
        s.billId = billvalues::id(cell(rs, r, fBill), where);
        s.amount = roundTo(billvalues::number(cell(rs, r, fAmount), where), 4);
        if (s.billId == 0 || s.amount == 0.0)
            continue;
        if (!exists(db, QStringLiteral("SELECT id FROM djIndex WHERE id = ? AND dj_state = 2"),
                    s.billId)) {
            throw DytError(QStringLiteral("%1结算的单据不存在或未过账（单据ID：%2）")
                               .arg(where)
                               .arg(s.billId));
        }
        s.comment = fComment >= 0 ? cell(rs, r, fComment).trimmed() : QString();
        out.append(s);
    }
    return out;
}

struct OldDraft {
    qint64 makerId = 0;
    qint64 printNum = 0;
    qint64 audit[4] = {0, 0, 0, 0};  // inputid2 … inputid5
};

OldDraft checkOldDraft(Database& db, qint64 oldId, qint64 kind, qint64 userId) {
    const RecordSet rs = db.query(
        QStringLiteral("SELECT dj_state, djType, rec_id, printnum, inputid2, inputid3, inputid4, "
                       "inputid5 FROM djIndex WHERE id = ?"),
        {oldId});
    if (rs.rowCount() == 0 || rs.at(0, 0).toInt() == 0)
        throw DytError(QStringLiteral("你要保存的草稿已经不存在，有可能已被删除！"));
    if (rs.at(0, 0).toInt() == 2)
        throw DytError(QStringLiteral("这张单据已经过账，不能再次保存！"));
    if (rs.at(0, 1).toLongLong() != kind)
        throw DytError(QStringLiteral("草稿的单据类型与本单据不符，不能保存！"));
    OldDraft d;
    d.makerId = rs.at(0, 2).toLongLong();
    checkDraftMaker(db, userId, d.makerId);
    d.printNum = rs.at(0, 3).toLongLong();
    for (int i = 0; i < 4; ++i)
        d.audit[i] = rs.at(0, 4 + i).toLongLong();
    return d;
}

// What the auditors of a bill approved: its header's partner, warehouses, date and amounts, its
// lines and its account rows. A bill with a step performed keeps it when it is saved again.
QString auditedContent(Database& db, qint64 billId) {
    static const char* const parts[] = {
        "SELECT djType, date, wldw_id, IntoStock_id, OutStock_id, total, taxTotalSum FROM "
        "djIndex WHERE id = ?",
        "SELECT goodsid, IntoStock_id, OutStock_id, unit, rate, qty, price, discount, tax, total, "
        "taxTotalSum, km_id, s_id FROM djList WHERE id = ? ORDER BY orderid",
        "SELECT km_id, type, dbTotal, LendTotal FROM djKmDetail WHERE id = ? ORDER BY orderid"};
    QStringList out;
    for (const char* sql : parts) {
        const RecordSet rs = db.query(QString::fromLatin1(sql), {billId});
        for (int r = 0; r < rs.rowCount(); ++r) {
            QStringList row;
            for (int f = 0; f < rs.fieldCount(); ++f)
                row << rs.at(r, f).toString();
            out << row.join(QLatin1Char('|'));
        }
        out << QString();
    }
    return out.join(QLatin1Char('\n'));
}

QString employeeName(Database& db, qint64 id) {
    return db.scalar(QStringLiteral("SELECT fullname FROM baseZY WHERE id = ?"), {id}).toString();
}

int saveBill(CallContext& c) {
    const QString method = c.method.trimmed();
    bool post = false;
    if (method.compare(QLatin1String("SaveToDB"), Qt::CaseInsensitive) == 0) {
        post = true;
    } else if (method.compare(QLatin1String("SaveToDraft"), Qt::CaseInsensitive) != 0) {
        throw DytError(QStringLiteral("QMXService不支持方法[%1]").arg(method));
    }
    Database& db = c.db;
    const ParamList& p = c.params;

    // --- read and check everything
    const qint64 kind =
        billvalues::id(p.value(QStringLiteral("djType")), QStringLiteral("单据类型"));
    const QString kindName = billvalues::billKindName(db, kind);
    const QDate date =
        billvalues::date(p.value(QStringLiteral("date")), QStringLiteral("录单日期"));
    const qint64 oldId =
        billvalues::id(p.value(QStringLiteral("OldBillid")), QStringLiteral("原单据ID"));
    const bool moneyBill = kind == kReceipt || kind == kPayment;

    Values header;
    for (const Column& col : kHeaderColumns) {
        const QString name = QString::fromLatin1(col.name);
        if (!p.contains(name))
            continue;
        QVariant value = readValue(col, p.value(name), name);
        if (name == QLatin1String("comment") || name == QLatin1String("summery"))
            value = decodeLineBreaks(value.toString());
        header.append({name, value});
    }
    // The records the header names: the ledgers book against them.
    const QString headerWhere = QStringLiteral("单据");
    for (const char* name : {"wldw_id", "yfwldw_id"}) {
        if (const qint64 id = valueOf(header, name).toLongLong(); id > 0)
            checkPartner(db, id, headerWhere);
    }
    for (const char* name : {"IntoStock_id", "OutStock_id"}) {
        if (const qint64 id = valueOf(header, name).toLongLong(); id > 0)
            checkWarehouse(db, id, headerWhere);
    }
    for (const char* name : {"sfkKm_id", "yfKm_id"}) {
        if (const qint64 id = valueOf(header, name).toLongLong(); id > 0)
            checkAccount(db, id, headerWhere);
    }
    const QList<Values> lines = readLines(db, c.packets[0], kind);
    const QList<AccountLine> accounts =
        moneyBill ? QList<AccountLine>() : readAccounts(db, c.packets[1]);
    const QList<Settlement> settled =
        moneyBill ? readSettlements(db, c.packets[1]) : QList<Settlement>();

    OldDraft old;
    if (oldId > 0)
        old = checkOldDraft(db, oldId, kind, c.userId);
    if (oldId == 0)
        old.makerId = c.userId;

    // Each audit step of the kind performed by an operator its list names, whoever posts.
    if (post)
        auditsteps::checkPostable(db, auditsteps::read(db, kind), old.audit);
    const bool audited =
        std::any_of(std::begin(old.audit), std::end(old.audit), [](qint64 by) { return by != 0; });
    const QString approved = audited ? auditedContent(db, oldId) : QString();

    // --- write
    const int state = post ? 2 : 1;
    const QString dateText = billvalues::dateText(date);
    const QString now =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (oldId > 0) {
        db.execute(QStringLiteral("DELETE FROM djKmDetail WHERE id = ?"), {oldId});
        db.execute(QStringLiteral("DELETE FROM djList WHERE id = ?"), {oldId});
        db.execute(QStringLiteral("DELETE FROM djIndex WHERE id = ?"), {oldId});
        setValue(header, QStringLiteral("id"), oldId);
    }
    double taxTotalSum = 0.0;
    for (const Values& v : lines)
        taxTotalSum += valueOf(v, "taxTotalSum").toDouble();
    QString caption = p.value(QStringLiteral("dj_Caption")).trimmed();
    if (caption.isEmpty())
        caption = kindName;
    setValue(header, QStringLiteral("djType"), kind);
    setValue(header, QStringLiteral("date"), dateText);
    setValue(header, QStringLiteral("dj_state"), state);
    setValue(header, QStringLiteral("dj_Caption"), caption);
    setValue(header, QStringLiteral("djname"), kindName);
    setValue(header, QStringLiteral("rec_id"), old.makerId);
    setValue(header, QStringLiteral("rec_Name"), employeeName(db, old.makerId));
    for (int i = 0; i < 4; ++i) {
        setValue(header, QStringLiteral("inputid%1").arg(i + 2), old.audit[i]);
        setValue(header, QStringLiteral("inputid%1Name").arg(i + 2),
                 old.audit[i] > 0 ? employeeName(db, old.audit[i]) : QString());
    }
    setValue(header, QStringLiteral("printnum"), old.printNum);
    setValue(header, QStringLiteral("taxTotalSum"), roundTo(taxTotalSum, 4));
    if (post) {
        setValue(header, QStringLiteral("postid"), c.userId);
        setValue(header, QStringLiteral("postDateTime"), now);
    }
    setValue(header, QStringLiteral("updateTime"), now);
    const qint64 billId = insertRow(db, QLatin1StringView("djIndex"), header);

    const Values common{{QStringLiteral("id"), billId},
                        {QStringLiteral("djType"), kind},
                        {QStringLiteral("date"), dateText},
                        {QStringLiteral("dj_state"), state}};
    for (const Values& v : lines)
        insertRow(db, QLatin1StringView("djList"), common, v);

    const qint64 partner = valueOf(header, "wldw_id").toLongLong();
    auto addKm = [&](qint64 km, int type, double debit, double credit) {
        insertRow(db, QLatin1StringView("djKmDetail"), common,
                  Values{{QStringLiteral("km_id"), km},
                                  {QStringLiteral("type"), type},
                                  {QStringLiteral("dbTotal"), debit},
                                  {QStringLiteral("LendTotal"), credit},
                                  {QStringLiteral("wldw_id"), partner}});
    };
    if (moneyBill) {
        // Money comes into the accounts of a receipt and leaves those of a payment.
        for (const Values& v : lines) {
            const qint64 km = valueOf(v, "km_id").toLongLong();
            const double amount = valueOf(v, "total").toDouble();
            if (km > 0)
                addKm(km, 1, kind == kReceipt ? amount : 0.0, kind == kPayment ? amount : 0.0);
        }
        for (const Settlement& s : settled) {
            insertRow(db, QLatin1StringView("djList"), common,
                      Values{{QStringLiteral("km_id"), 0},
                                      {QStringLiteral("s_id"), s.billId},
                                      {QStringLiteral("total"), s.amount},
                                      {QStringLiteral("comment"), s.comment}});
        }
    } else {
        for (const AccountLine& a : accounts)
            addKm(a.kmId, a.type, a.debit, a.credit);
    }

    if (audited && auditedContent(db, billId) != approved)
        throw DytError(QStringLiteral("这张单据已经审核，不能修改单据内容！请先取消审核。"));
    numbering::billStored(db, static_cast<int>(kind), date, post, oldId == 0);
    if (post)
        posting::postBill(db, billId, c.userId);
    return static_cast<int>(billId);
}

// P_JXC_DJ_PanDianToDraft: the counted quantities of one warehouse become a stocktake draft.
// Parameters: ckid (a warehouse without sub-warehouses), Date ("yyyy-mm-dd"), Lines
// ("goodsid:qty;goodsid:qty", counted quantities in base units) and comment. The draft is saved
// through the bill service as the stocktake window would save it; its id is the result and the
// output line id.
int panDianToDraft(CallContext& c) {
    Database& db = c.db;
    const ParamList& p = c.params;
    const qint64 warehouse =
        billvalues::id(p.value(QStringLiteral("ckid")), QStringLiteral("仓库"));
    if (warehouse <= 0 ||
        !exists(db, QStringLiteral("SELECT id FROM baseCK WHERE id = ? AND sonnum = 0 AND del = 0"),
                warehouse)) {
        throw DytError(QStringLiteral("请先选择某一仓库"));
    }
    const QDate date =
        billvalues::date(p.value(QStringLiteral("Date")), QStringLiteral("盘点日期"));

    RecordSet lines;
    for (const char* name : {"goodsid", "unitid", "rate", "costmode", "IntoStock_id", "qty"})
        lines.addField(QString::fromLatin1(name), FieldType::Text);
    Statement unit = db.prepare(
        QStringLiteral("SELECT u.fzdwid, g.costmode FROM baseGoods AS g JOIN baseGoodsUnit AS u ON "
                       "u.Goodsid = g.id "
                       "AND u.fzdwid = 0 WHERE g.id = ? AND g.sonnum = 0 AND g.del = 0"));
    QSet<qint64> seen;
    const QStringList items = p.value(QStringLiteral("Lines")).split(u';', Qt::SkipEmptyParts);
    for (const QString& item : items) {
        const QString what = QStringLiteral("盘点行[%1]").arg(item.trimmed());
        const qsizetype colon = item.indexOf(u':');
        if (colon < 0)
            throw DytError(what + QStringLiteral("格式错误，应为 商品ID:数量"));
        const qint64 goods = billvalues::id(item.left(colon), what);
        const double qty = billvalues::number(item.mid(colon + 1), what);
        if (qty < 0)
            throw DytError(what + QStringLiteral("的盘点数量不能为负数"));
        if (seen.contains(goods))
            throw DytError(QStringLiteral("商品[%1]重复盘点").arg(goods));
        seen.insert(goods);
        unit.bindAll({goods});
        if (!unit.step())
            throw DytError(QStringLiteral("商品[%1]不存在").arg(goods));
        lines.appendRow({QString::number(goods), unit.value(0).toString(), QStringLiteral("1"),
                         unit.value(1).toString(), QString::number(warehouse),
                         QString::number(qty, 'f', 4)});
        unit.reset();
    }
    if (lines.rowCount() == 0)
        throw DytError(QStringLiteral("没有录入盘点数量，不能生成盘点单！"));

    ParamList header;
    header.setValue(QStringLiteral("djType"), QString::number(billvalues::kStocktakeKind));
    header.setValue(QStringLiteral("date"), billvalues::dateText(date));
    header.setValue(
        QStringLiteral("code"),
        QStringLiteral("PD-%1-%2")
            .arg(date.toString(QStringLiteral("yyyyMMdd")))
            .arg(numbering::nextCounter(db, numbering::readRules(db),
                                        static_cast<int>(billvalues::kStocktakeKind), date, false),
                 3, 10, QLatin1Char('0')));
    header.setValue(QStringLiteral("IntoStock_id"), QString::number(warehouse));
    header.setValue(QStringLiteral("comment"), p.value(QStringLiteral("comment")));
    CallContext draft(db, header);
    draft.userId = c.userId;
    draft.userName = c.userName;
    draft.dbName = c.dbName;
    draft.method = QStringLiteral("SaveToDraft");
    draft.packets[0] = std::move(lines);
    const int id = saveBill(draft);
    c.params.setInt(QStringLiteral("id"), id);
    return id;
}

// A stored bill as its window would send it again to replace itself (OldBillid): the header
// lines, the lines packet (the account rows of receipts and payments) and the second packet (the
// bills a receipt or payment settles, the accounts of the other bills).
struct StoredBill {
    int kind = 0;
    ParamList header;
    RecordSet lines;
    RecordSet second;
};

RecordSet textPacket(const RecordSet& rows) {
    RecordSet out;
    for (int f = 0; f < rows.fieldCount(); ++f)
        out.addField(rows.field(f).name, FieldType::Text);
    for (int r = 0; r < rows.rowCount(); ++r) {
        QVariantList row;
        for (int f = 0; f < rows.fieldCount(); ++f)
            row << cell(rows, r, f);
        out.appendRow(row);
    }
    return out;
}

// Throws `gone` when the bill does not exist or is deleted.
StoredBill storedBill(Database& db, qint64 id, const QString& gone) {
    const RecordSet head = db.query(QStringLiteral("SELECT * FROM djIndex WHERE id = ?"), {id});
    const auto headValue = [&head](const QString& name) {
        const int f = head.fieldIndex(name);
        return f < 0 ? QString() : cell(head, 0, f);
    };
    if (head.rowCount() == 0 || headValue(QStringLiteral("dj_state")) == QLatin1String("0"))
        throw DytError(gone);
    StoredBill b;
    b.kind = headValue(QStringLiteral("djType")).toInt();
    for (const Column& col : kHeaderColumns) {
        const QString name = QString::fromLatin1(col.name);
        QString value = headValue(name);
        // The remarks travel escaped, as a bill window sends them.
        if (name == QLatin1String("comment") || name == QLatin1String("summery"))
            value = encodeLineBreaks(value);
        b.header.setValue(name, value);
    }
    for (const char* name : {"djType", "date", "dj_Caption"})
        b.header.setValue(QString::fromLatin1(name), headValue(QString::fromLatin1(name)));
    b.header.setValue(QStringLiteral("OldBillid"), QString::number(id));

    const bool moneyBill = b.kind == kReceipt || b.kind == kPayment;
    QStringList columns;
    for (const Column& col : kLineColumns) {
        columns << QString::fromLatin1(col.name) + QStringLiteral(" AS ") +
                       QString::fromLatin1(col.sent ? col.sent : col.name);
    }
    b.lines =
        textPacket(db.query(QStringLiteral("SELECT %1 FROM djList WHERE id = ? %2 ORDER BY orderid")
                                .arg(columns.join(QStringLiteral(", ")),
                                     moneyBill ? QStringLiteral("AND km_id > 0") : QString()),
                            {id}));
    b.second = textPacket(
        moneyBill ? db.query(QStringLiteral("SELECT s_id, total AS Total, comment FROM djList "
                                            "WHERE id = ? AND km_id = 0 AND s_id > 0 "
                                            "ORDER BY orderid"),
                             {id})
                  : db.query(QStringLiteral("SELECT km_id, type, dbTotal AS dbtotal, LendTotal "
                                            "AS Lendtotal FROM djKmDetail WHERE id = ? AND type "
                                            "IN (1, 2) ORDER BY orderid"),
                             {id}));
    return b;
}

// Saves the stored bill again (post: "过账", else as a draft) as the caller's operator.
int saveStored(CallContext& caller, StoredBill& b, bool post) {
    CallContext bill(caller.db, b.header);
    bill.userId = caller.userId;
    bill.userName = caller.userName;
    bill.dbName = caller.dbName;
    bill.method = post ? QStringLiteral("SaveToDB") : QStringLiteral("SaveToDraft");
    bill.packets[0] = std::move(b.lines);
    bill.packets[1] = std::move(b.second);
    return saveBill(bill);
}

// P_JXC_DJ_Post: posts a stored draft (billid) as it stands. The draft goes through the bill
// service as its window sends it with "过账": the same checks and posting, the same bill id.
int postDraft(CallContext& c) {
    Database& db = c.db;
    const qint64 id =
        billvalues::id(c.params.value(QStringLiteral("billid")), QStringLiteral("单据ID"));
    StoredBill b = storedBill(db, id, QStringLiteral("你要过账的草稿已经不存在，有可能已被删除！"));
    if (const BillKindRow* row = findBillKindRow(b.kind); row && row->menuTag > 0) {
        if (!holdsRight(db, c.userId, QString::number(row->menuTag) + QStringLiteral("01")))
            throw DytError(QStringLiteral("您没有执行该操作的权限!"));
    }
    return saveStored(c, b, true);
}

}  // namespace

namespace billservice {

int save(CallContext& caller, const ParamList& header, RecordSet lines, bool post) {
    ParamList params = header;
    CallContext bill(caller.db, params);
    bill.userId = caller.userId;
    bill.userName = caller.userName;
    bill.dbName = caller.dbName;
    bill.method = post ? QStringLiteral("SaveToDB") : QStringLiteral("SaveToDraft");
    bill.packets[0] = std::move(lines);
    return saveBill(bill);
}

int resaveDraft(CallContext& caller, qint64 draftId, const RecordSet& extra) {
    StoredBill b = storedBill(caller.db, draftId,
                              QStringLiteral("你要保存的草稿已经不存在，有可能已被删除！"));
    if (b.kind == kReceipt || b.kind == kPayment)
        throw DytError(QStringLiteral("收款单和付款单的草稿请在单据窗口中保存！"));
    // The extra rows after the stored lines, by field name.
    for (int r = 0; r < extra.rowCount(); ++r) {
        RecordSet::Row row;
        for (int f = 0; f < b.lines.fieldCount(); ++f) {
            const int e = extra.fieldIndex(b.lines.field(f).name);
            row << (e >= 0 ? cell(extra, r, e) : QString());
        }
        b.lines.appendRow(row);
    }
    return saveStored(caller, b, false);
}

RecordSet goodsLinePacket() {
    RecordSet rs;
    for (const char* name : {"goodsid", "unitid", "rate", "qty", "price", "total", "discount",
                             "discountprice", "discounttotal", "tax", "taxprice", "taxtotal",
                             "taxTotalSum", "costprice", "costtotal", "IntoStock_id"})
        rs.addField(QString::fromLatin1(name), FieldType::Text);
    return rs;
}

void appendGoodsLine(Database& db, RecordSet& packet, qint64 goodsId, double qty, double price,
                     qint64 warehouseId) {
    const QVariant unit = db.scalar(
        QStringLiteral("SELECT u.fzdwid FROM baseGoods AS g JOIN baseGoodsUnit AS u ON "
                       "u.Goodsid = g.id AND u.fzdwid = 0 WHERE g.id = ? AND g.sonnum = 0 AND "
                       "g.del = 0"),
        {goodsId});
    if (!unit.isValid())
        throw DytError(QStringLiteral("商品[%1]不存在").arg(goodsId));
    bool ok = false;
    int places = db.scalar(QStringLiteral("SELECT sysValue FROM sysData WHERE Name = 'totaldot'"))
                     .toString()
                     .toInt(&ok);
    if (!ok || places < 0 || places > 4)
        places = 2;
    const QString p = QString::number(roundTo(price, 4), 'f', 4);
    const QString t = QString::number(roundTo(qty * price, places), 'f', places);
    packet.appendRow({QString::number(goodsId), unit.toString(), QStringLiteral("1"),
                      QString::number(qty, 'f', 4), p, t, QStringLiteral("1"), p, t,
                      QStringLiteral("0"), p, QStringLiteral("0"), t, p, t,
                      QString::number(warehouseId)});
}

double purchasePrice(Database& db, qint64 goodsId, qint64 partnerId) {
    const QVariant last = db.scalar(
        QStringLiteral("SELECT b.price * 1.0 / (CASE WHEN b.rate > 0 THEN b.rate ELSE 1 END) FROM "
                       "djIndex AS a JOIN djList AS b ON b.id = a.id WHERE a.dj_state = 2 AND "
                       "a.djType IN (5, 7) AND b.goodsid = ? AND b.qty > 0 AND (? = 0 OR "
                       "a.wldw_id = ?) ORDER BY a.date DESC, b.orderid DESC LIMIT 1"),
        {goodsId, partnerId, partnerId});
    if (last.isValid())
        return last.toDouble();
    return db
        .scalar(QStringLiteral("SELECT latestBuyPrice FROM baseGoodsUnit WHERE Goodsid = ? AND "
                               "fzdwid = 0"),
                {goodsId})
        .toDouble();
}

void requireRight(Database& db, qint64 userId, const QString& code) {
    if (!holdsRight(db, userId, code))
        throw DytError(QStringLiteral("您没有执行该操作的权限!"));
}

void requireBillRight(Database& db, qint64 userId, qint64 djType, bool post) {
    const QString code =
        db.scalar(QStringLiteral("SELECT code FROM sysMenu WHERE djType = ? AND isbtn = 0 ORDER "
                                 "BY id LIMIT 1"),
                  {djType})
            .toString();
    if (code.isEmpty())
        throw DytError(QStringLiteral("您没有执行该操作的权限!"));
    requireRight(db, userId, code);
    requireRight(db, userId, code + (post ? QStringLiteral("01") : QStringLiteral("02")));
}

}  // namespace billservice

void registerBillService(Registry& services) {
    services.add(QStringLiteral("QMXService"), saveBill);
}

void registerStocktakeProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("P_JXC_DJ_PanDianToDraft"), panDianToDraft);
}

int postStoredDraft(CallContext& c) {
    return postDraft(c);
}

}  // namespace dyt::server
