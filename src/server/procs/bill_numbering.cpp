// Bill numbering: the counters of sysbillNo and the procedure p_sys_Get_BillAutoCode.
#include "server/procs/bill_numbering.h"

#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/procs/registry.h"

namespace dyt::server::numbering {
namespace {

constexpr qint64 kRuleKinds = 208042001;
constexpr qint64 kRuleVoiding = 208042002;
constexpr qint64 kRulePeriod = 208042003;
constexpr qint64 kRuleMachine = 208042004;

struct Counters {
    QDate lastDate;  // invalid before the first use
    qint64 year = 0;
    qint64 month = 0;
    qint64 day = 0;
};

Counters loadCounters(Database& db, qint64 row) {
    const RecordSet rs = db.query(
        QStringLiteral(
            "SELECT lastDate, yearMaxNo, monthMaxNo, dayMaxNo FROM sysbillNo WHERE id = ?"),
        {row});
    Counters c;
    if (rs.rowCount() == 0) {
        db.execute(QStringLiteral("INSERT INTO sysbillNo(id, lastDate, yearMaxNo, monthMaxNo, "
                                  "dayMaxNo) VALUES (?, '', 0, 0, 0)"),
                   {row});
        return c;
    }
    c.lastDate = QDate::fromString(rs.at(0, 0).toString(), QStringLiteral("yyyy-MM-dd"));
    c.year = rs.at(0, 1).toLongLong();
    c.month = rs.at(0, 2).toLongLong();
    c.day = rs.at(0, 3).toLongLong();
    return c;
}

// The counters as they stand for a number of `date`: a later year, month or day starts its
// counters again; an earlier date continues the current ones.
Counters countersFor(Counters c, const QDate& date) {
    if (!c.lastDate.isValid() || date.year() != c.lastDate.year()) {
        if (!c.lastDate.isValid() || date > c.lastDate)
            c.year = c.month = c.day = 0;
    } else if (date.month() != c.lastDate.month()) {
        if (date > c.lastDate)
            c.month = c.day = 0;
    } else if (date > c.lastDate) {
        c.day = 0;
    }
    if (!c.lastDate.isValid() || date > c.lastDate)
        c.lastDate = date;
    return c;
}

qint64 pick(const Counters& c, Period period) {
    switch (period) {
        case Period::Month:
            return c.month;
        case Period::Day:
            return c.day;
        case Period::Year:
            break;
    }
    return c.year;
}

void use(Database& db, const Rules& rules, int djType, const QDate& date) {
    const qint64 row = counterRow(rules, djType);
    Counters c = countersFor(loadCounters(db, row), date);
    ++c.year;
    ++c.month;
    ++c.day;
    db.execute(QStringLiteral("UPDATE sysbillNo SET lastDate = ?, yearMaxNo = ?, monthMaxNo = ?, "
                              "dayMaxNo = ? WHERE id = ?"),
               {billvalues::dateText(c.lastDate), c.year, c.month, c.day, row});
}

int ruleValue(Database& db, qint64 id, int fallback, int highest) {
    bool ok = false;
    const int v = db.scalar(QStringLiteral("SELECT sysValue FROM sysData WHERE id = ?"), {id})
                      .toString()
                      .trimmed()
                      .toInt(&ok);
    return ok && v >= 0 && v <= highest ? v : fallback;
}

}  // namespace

Rules readRules(Database& db) {
    Rules r;
    r.perKind = ruleValue(db, kRuleKinds, 1, 1) == 1;
    r.voiding = static_cast<Voiding>(ruleValue(db, kRuleVoiding, 0, 2));
    r.period = static_cast<Period>(ruleValue(db, kRulePeriod, 0, 2));
    r.machineNumber = ruleValue(db, kRuleMachine, 0, 1) == 1;
    return r;
}

qint64 counterRow(const Rules& rules, int djType) {
    return rules.perKind ? djType : 0;
}

qint64 nextCounter(Database& db, const Rules& rules, int djType, const QDate& date, bool useNow) {
    const Counters c = countersFor(loadCounters(db, counterRow(rules, djType)), date);
    const qint64 next = pick(c, rules.period) + 1;
    if (useNow)
        use(db, rules, djType, date);
    return next;
}

void billStored(Database& db, int djType, const QDate& date, bool posted, bool firstSave) {
    const Rules rules = readRules(db);
    const bool uses = (rules.voiding == Voiding::OnPost && posted) ||
                      (rules.voiding == Voiding::OnSave && firstSave);
    if (uses)
        use(db, rules, djType, date);
}

}  // namespace dyt::server::numbering

namespace dyt::server {
namespace {

// BillType, BillDate -> one row SNFormat, SNMaxNo, BillDate, IsPcID.
int getBillAutoCode(CallContext& c) {
    const qint64 kind =
        billvalues::id(c.params.value(QStringLiteral("BillType")), QStringLiteral("单据类型"));
    billvalues::billKindName(c.db, kind);
    const QDate date =
        billvalues::date(c.params.value(QStringLiteral("BillDate")), QStringLiteral("单据日期"));
    const numbering::Rules rules = numbering::readRules(c.db);
    const qint64 next = numbering::nextCounter(c.db, rules, static_cast<int>(kind), date,
                                               rules.voiding == numbering::Voiding::OnHandout);
    const QString format =
        c.db.scalar(QStringLiteral("SELECT SNFormat FROM sysDjb WHERE id = ?"), {kind}).toString();

    RecordSet rs;
    rs.addField(QStringLiteral("SNFormat"), FieldType::Text);
    rs.addField(QStringLiteral("SNMaxNo"), FieldType::Integer);
    rs.addField(QStringLiteral("BillDate"), FieldType::Text);
    rs.addField(QStringLiteral("IsPcID"), FieldType::Integer);
    rs.appendRow({format, next, billvalues::dateText(date), rules.machineNumber ? 1 : 0});
    c.data = std::move(rs);
    return 0;
}

}  // namespace

void registerNumberingProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("p_sys_Get_BillAutoCode"), getBillAutoCode);
}

}  // namespace dyt::server
