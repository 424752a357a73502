// Bill kinds (sysDjb) and their numbering counters (sysbillNo).

#include <QStringList>

#include "protocol/billkinds.h"
#include "server/db/schema_internal.h"

namespace dyt::server::schema::detail {

namespace {

// Display order of the kinds in the numbering and audit windows: the audit table's groups first
// (sales and purchase, stock, borrowing, money, adjustments), then the other kinds by number.
const int kLeadingOrder[] = {1,  2,  5,  6,  12, 13, 11, 10, 15, 16, 14, 9,  35, 36, 37,
                             38, 39, 40, 21, 22, 17, 18, 19, 20, 29, 28, 30, 31, 33, 32};

// Default number format: the prefix in double quotes, then year, month, day and a five-digit
// counter, separated by "-" (one piece per line, as the numbering window stores it).
QString defaultFormat(const QString& numHead) {
    return QStringList{QLatin1Char('"') + numHead + QLatin1Char('"'),
                       QStringLiteral("-"),
                       QStringLiteral("YYYY"),
                       QStringLiteral("-"),
                       QStringLiteral("MM"),
                       QStringLiteral("-"),
                       QStringLiteral("DD"),
                       QStringLiteral("-"),
                       QStringLiteral("[00000]")}
        .join(QLatin1Char('\r'));
}

}  // namespace

void seedBillKinds(Connection db) {
    Statement insert(db,
                     "INSERT INTO sysDjb(id, par_id, par_jl, leveal, sonnum, code, fullname, pym, "
                     "orderly, menuid, inputnum, inputName1, inputName2, inputName3, inputName4, "
                     "inputName5, inputid2, inputid3, inputid4, inputid5, printNum, printNumSum, "
                     "printisCheck, printPassword, NumHead, SNFormat, comment) VALUES (?, 0, ?, 1, "
                     "0, ?, ?, ?, ?, ?, 1, '审查人一', '审查人二', '审查人三', '审查人四', "
                     "'审查人五', '(0,0)', '(0,0)', '(0,0)', '(0,0)', 0, 0, 0, '', ?, ?, ?)");
    Statement counter(db,
                      "INSERT INTO sysbillNo(id, lastDate, yearMaxNo, monthMaxNo, dayMaxNo) "
                      "VALUES (?, '', 0, 0, 0)");
    std::vector<std::vector<Value>> kinds;
    std::vector<std::vector<Value>> counters{{0LL}};
    const int leading = static_cast<int>(std::size(kLeadingOrder));
    int next = leading + 1;
    for (const BillKindRow& k : billKindRows()) {
        if (k.ownEntries())
            continue;
        int orderly = 0;
        for (int i = 0; i < leading; ++i) {
            if (kLeadingOrder[i] == k.djType)
                orderly = i + 1;
        }
        if (orderly == 0)
            orderly = next++;
        const QString format = defaultFormat(k.numberHead());
        const long long id = k.djType;
        kinds.push_back({id, QString::number(id) + QLatin1Char(','),
                         QStringLiteral("%1").arg(id, 2, 10, QLatin1Char('0')), k.kindName(),
                         k.numberHead(), static_cast<long long>(orderly),
                         static_cast<long long>(k.menuTag), k.numberHead(), format, format});
        counters.push_back({id});
    }
    insert.runRows(kinds);
    counter.runRows(counters);
}

}  // namespace dyt::server::schema::detail
